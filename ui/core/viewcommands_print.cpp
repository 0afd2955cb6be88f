// Printing the view, the printer's set-up, the screen and window captures,
// and the clipboard.
#include <algorithm>

#include "platform/canvas.h"
#include "resources/commands.h"
#include "ui/core/displaybitmap.h"
#include "ui/core/rectops.h"
#include "ui/core/viewcommands_common.h"

namespace qzn {

void PrintViewPage(CQznView& view, IPrintPage& page, const RECT& area, const std::string& title) {
  CCanvas& paper = page.Canvas();
  // The title first, on a line of its own: the picture starts half a line
  // below it, so nothing covers it.
  int top = area.top;
  if (!title.empty()) {
    paper.TextOut(area.left, area.top, title);
    const int line = std::max<int>(paper.GetTextExtent(title).cy, 0);
    top = SaturatedSum(top, line + line / 2);
  }
  const SIZE client = view.clientSize;
  const SIZE room{area.right - area.left, area.bottom - top};
  if (client.cx <= 0 || client.cy <= 0 || room.cx <= 0 || room.cy <= 0) return;
  const SIZE fitted = FitSizeToAspect(room, client);
  const int w = fitted.cx, h = fitted.cy;
  if (w <= 0 || h <= 0) return;
  const float sx = static_cast<float>(static_cast<double>(w) / client.cx);
  const float sy = static_cast<float>(static_cast<double>(h) / client.cy);
  // Everything of the picture is drawn for its own corner at (0, 0).
  CShiftedCanvas dc(paper, area.left, top);
  const RECT placed{area.left, top, area.left + w, top + h};

  const CPen oldPen = dc.SelectPen(CPen{PS_SOLID, 1, RGB(0, 0, 0)});
  const POINT frame[] = {{0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}, {0, 0}};
  dc.Polyline(frame, 5);
  dc.SelectPen(oldPen);

  const RgbBitmap& picture = view.DisplayBitmap();
  if (view.flags.image && !picture.empty()) page.StretchPicture(picture, client, placed);

  // The drawing routines map image pixels to the view's client pixels, which
  // already start at the view's corner: no origin is taken off again.
  CQznDoc* doc = view.Document();
  if (!doc) return;
  page.ClipTo(placed);
  if (view.flags.lines)
    for (const CChain* c : doc->m_lines) c->DrawForPrint(dc, view, sx, sy, 0, 0, 0);
  if (view.flags.points) {
    RECT shown = view.ClientToImage(RECT{0, 0, client.cx, client.cy});
    NormalizeRect(shown);
    const bool ids = view.flags.pointIds;
    const CPtList& points = doc->m_points;
    int oldMode = 0;
    COLORREF oldColour = 0;
    CFont oldFont;
    if (ids) {
      oldMode = dc.SetBkMode(TRANSPARENT);
      oldColour = dc.SetTextColor(points.m_labelColor);
      if (points.m_pLabelFont) oldFont = dc.SelectFont(MakeCanvasFont(*points.m_pLabelFont));
    }
    for (const CPointRec* p : points) {
      const POINT at = p->Rounded();
      if (at.x >= shown.left && at.x <= shown.right && at.y >= shown.top && at.y <= shown.bottom)
        p->DrawPrint(dc, view, sx, sy, 0, 0, ids, doc->m_nDecimalIDs);
    }
    if (ids) {
      if (points.m_pLabelFont) dc.SelectFont(oldFont);
      dc.SetTextColor(oldColour);
      dc.SetBkMode(oldMode);
    }
  }
  if (view.flags.annotations) doc->m_notes.DrawPrint(dc, view, sx, sy, 0, 0);
  page.ClipTo(RECT{});
}

namespace vc {

namespace {

bool Never(const CQznView&) { return false; }
void Nothing(CQznView&) {}

void Print(CQznView& v) {
  if (IViewServices* s = ViewServices()) s->Print(v);
}
void PrintPreview(CQznView& v) {
  if (IViewServices* s = ViewServices()) s->PrintPreview(v);
}
void PrintSetup(CQznView&) {
  if (IViewServices* s = ViewServices()) s->PrintSetup();
}
void PrintWindow(CQznView& v) {
  if (IViewServices* s = ViewServices()) s->PrintWindow(v);
}

// The view's picture on the clipboard.
void Copy(CQznView& v) {
  IViewServices* s = ViewServices();
  RgbBitmap picture;
  if (s && s->RenderView(v, picture)) s->CopyToClipboard(picture);
}

constexpr ViewCommand kCommands[] = {
    {cmd::kFilePrint, nullptr, nullptr, Print},
    {cmd::kFilePrintPreview, nullptr, nullptr, PrintPreview},
    {cmd::kFilePrintSetup, nullptr, nullptr, PrintSetup},
    {cmd::kFilePrintWindow, nullptr, nullptr, PrintWindow},
    {cmd::kEditCopy, nullptr, nullptr, Copy},
    {cmd::kEditCut, Never, nullptr, Copy},  // cut: nothing to cut from a picture
    {cmd::kEditPaste, Never, nullptr, Nothing},
};

}  // namespace

std::span<const ViewCommand> PrintCommands() { return kCommands; }

}  // namespace vc

}  // namespace qzn
