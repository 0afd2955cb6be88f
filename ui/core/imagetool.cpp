#include "ui/core/imagetool.h"

#include <algorithm>
#include <cstdio>

#include "model/helpers.h"
#include "platform/host.h"
#include "raster/filters.h"
#include "raster/imaging.h"
#include "resources/commands.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "resources/toolcommands.h"
#include "ui/core/tooldlgs.h"
#include "ui/core/toolhelpers.h"

namespace qzn {

namespace {

using namespace res::text;

constexpr int kSlotStroke = kSlotToolFirstFree;

}  // namespace

void CImageUndoRecord::Apply(CRasterImage& image) {
  if (!runs.runs.empty()) {
    FillRuns(&image, runs);
    return;
  }
  if (pixels.entries.empty()) return;
  std::reverse(pixels.entries.begin(), pixels.entries.end());
  SetPixels(&image, pixels);
}

CImageEditTool::CImageEditTool(IToolHost& h, CQznDoc* doc) : CUndoTool(h, res::kCursorCross, kUndoDepth), m_doc(doc) {
  RebuildMenu(res::kMenuImageTool);
}

CImageEditTool::~CImageEditTool() {
  if (m_drag.active) m_drag.End();
  host.Feedback().Clear(kSlotStroke);
}

int CImageEditTool::PenClientSize() const {
  const CViewTransform& t = host.Transform();
  return std::max(1, static_cast<int>(m_penSize * std::max(t.GetScaleX(), t.GetScaleY())));
}

void CImageEditTool::ShowValue(POINT ip) {
  int value = 0;
  if (!m_doc->GetPixelValue(ip.x, ip.y, value)) return;
  char text[128];
  if (m_doc->IsRgbImage())
    std::snprintf(text, sizeof text, kPixelRgbFormat, ip.x, ip.y, (value >> 16) & 0xFF, (value >> 8) & 0xFF,
                  value & 0xFF);
  else
    std::snprintf(text, sizeof text, kPixelFormat, ip.x, ip.y, value);
  host.SetStatusText(text);
}

void CImageEditTool::PaintAt(POINT ip) {
  CRasterImage& img = m_doc->m_image;
  // The square cut to the image: nothing outside it is saved or painted.
  const std::int64_t x0 = std::max<std::int64_t>(ip.x, 0), y0 = std::max<std::int64_t>(ip.y, 0);
  const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{ip.x} + m_penSize, img.width);
  const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{ip.y} + m_penSize, img.height);
  if (x0 >= x1 || y0 >= y1) return;
  CImageArea area;
  area.left = static_cast<std::int32_t>(x0);
  area.top = static_cast<std::int32_t>(y0);
  area.width = static_cast<std::int32_t>(x1 - x0);
  area.height = static_cast<std::int32_t>(y1 - y0);
  if (m_stroke) {
    CPixelList square;
    if (SavePixels(&img, area, &square)) {
      try {
        m_stroke->pixels.entries.insert(m_stroke->pixels.entries.end(), square.entries.begin(), square.entries.end());
      } catch (const std::bad_alloc&) {
        // The stroke goes on without undo.
        m_undo.DiscardNewest();
        m_stroke = nullptr;
      }
    }
  }
  SetImageArea(&img, &area, m_value[0], m_value[1], m_value[2]);
  img.UpdateColorCache(m_value[0], m_value[1], m_value[2]);
  m_doc->SetImageModified(1);
}

void CImageEditTool::ShowStroke() {
  if (m_strokePath.empty()) return;
  // The squares painted so far, inverted: a thick line of the pen's size
  // through their centres (every pixel once).
  const int pen = PenClientSize();
  std::vector<POINT> pts;
  pts.reserve(m_strokePath.size() + 1);
  for (const POINT& c : m_strokePath) pts.push_back(POINT{c.x + pen / 2, c.y + pen / 2});
  if (pts.size() == 1) pts.push_back(POINT{pts[0].x + 1, pts[0].y});
  host.Feedback().Set(kSlotStroke, FeedbackShape::Polyline(std::move(pts), pen));
  host.RefreshFeedback();
}

void CImageEditTool::OnLButtonDown(POINT p, unsigned) {
  const POINT ip = ClientToImagePixel(host, p);
  switch (m_subMode) {
    case kShowValue:
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_drag.ClipToClient();
      ShowValue(ip);
      break;
    case kPaint:
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_drag.ClipToClient();
      m_stroke = m_undo.NewRecord();
      m_strokePath.assign(1, p);
      PaintAt(ip);
      ShowStroke();
      break;
    case kFill: {
      if (m_doc->IsRgbImage()) return;
      CImageUndoRecord* r = m_undo.NewRecord();
      CFillRuns scratch;
      int done;
      {
        CWaitCapture wait;
        done = FloodFill(&m_doc->m_image, ip.x, ip.y, m_value[0], r ? &r->runs : &scratch);
      }
      // A fill that changed nothing leaves no step.
      if (r && r->runs.runs.empty()) m_undo.DiscardNewest();
      if (done) {
        m_doc->SetImageModified(1);
        host.RefreshDisplay();
      }
      break;
    }
    case kDrawLine:
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_drag.ClipToClient();
      m_lineStart = m_lineEnd = ip;
      break;
    default: break;
  }
}

void CImageEditTool::OnMouseMove(POINT p, unsigned) {
  if (!m_drag.active) return;
  m_drag.Move(p.x, p.y);
  const POINT ip = ClientToImagePixel(host, p);
  switch (m_subMode) {
    case kShowValue: ShowValue(ip); break;
    case kPaint:
      PaintAt(ip);
      m_strokePath.push_back(p);
      ShowStroke();
      break;
    case kDrawLine:
      m_lineEnd = ip;
      host.Feedback().Set(kSlotStroke, FeedbackShape::Line(m_drag.start, p, PenClientSize()));
      host.RefreshFeedback();
      break;
    default: break;
  }
  m_drag.Commit();
}

void CImageEditTool::OnLButtonUp(POINT p, unsigned) {
  if (!m_drag.active) return;
  m_drag.End();
  host.Feedback().Clear(kSlotStroke);
  host.RefreshFeedback();
  if (m_subMode == kPaint) {
    m_stroke = nullptr;
    m_strokePath.clear();
    host.RefreshDisplay();
  } else if (m_subMode == kDrawLine) {
    m_lineEnd = ClientToImagePixel(host, p);
    CImageUndoRecord* r = m_undo.NewRecord();
    CRasterImage& img = m_doc->m_image;
    if (DrawThickLine(&img, m_lineStart, m_lineEnd, m_penSize, m_value[0], m_value[1], m_value[2],
                      r ? &r->pixels : nullptr)) {
      m_doc->SetImageModified(1);
      host.RefreshDisplay();
    } else if (r) {
      m_undo.DiscardNewest();
    }
  }
}

void CImageEditTool::OnCaptureLost() {
  if (m_drag.active) OnLButtonUp(m_drag.current, 0);
}

void CImageEditTool::Undo() {
  if (!m_undo.Undo(m_doc->m_image)) return;
  m_doc->SetImageModified(1);
  host.RefreshDisplay();
}

void CImageEditTool::FinishAndDrop() {
  if (m_drag.active) OnLButtonUp(m_drag.current, 0);
  m_stroke = nullptr;
  m_undo.Clear();
}

bool CImageEditTool::IsChecked(int id) const {
  switch (id) {
    case cmd::kImageShowValue: return m_subMode == kShowValue;
    case cmd::kImagePaint: return m_subMode == kPaint;
    case cmd::kImageFill: return m_subMode == kFill;
    case cmd::kImageDrawLine: return m_subMode == kDrawLine;
    default: return false;
  }
}

bool CImageEditTool::IsItemEnabled(int id) const {
  if (id == cmd::kEditUndo) return CanUndo();
  if (id == cmd::kImageMapValues) return m_doc->IsGreyImage() || m_doc->IsPaletteImage() || m_doc->IsClassifiedImage();
  return true;
}

void CImageEditTool::UpdateMenu() { RebuildMenu(res::kMenuImageTool); }

void CImageEditTool::AskDrawValue() {
  // kDrawValueDefine asks one value as the fill does.
  CDrawPixelValueDlg dlg(*m_doc, host.Palette(), [this](int& value) { return AskOneValue(value); });
  std::copy(std::begin(m_value), std::end(m_value), dlg.value);
  dlg.swatch = m_swatch;
  dlg.penSize = m_penSize;
  if (DoModal(dlg) == IDOK) {
    std::copy(std::begin(dlg.value), std::end(dlg.value), m_value);
    m_swatch = dlg.swatch;
    m_penSize = dlg.penSize;
  }
}

bool CImageEditTool::AskOneValue(int& value) {
  const CRasterImage& img = m_doc->m_image;
  if (img.HasPixels() && img.bitsPerSample == 1) {
    BinaryValueValues v;
    v.value = value ? 1 : 0;
    v.zeroIsBlack = img.photometric;
    if (!host.RunDialog(v)) return false;
    value = v.value ? 1 : 0;
    return true;
  }
  PixelValueValues v;
  v.value = value;
  if (!host.RunDialog(v)) return false;
  value = std::clamp(v.value, 0, 255);
  return true;
}

void CImageEditTool::AskFillValue() {
  const CRasterImage& img = m_doc->m_image;
  const bool oneByte = m_doc->IsClassifiedImage() || m_doc->IsPaletteImage() || m_doc->IsGreyImage();
  if (!oneByte && !(img.HasPixels() && img.bitsPerSample == 1)) return;
  int v = m_value[0];
  if (AskOneValue(v)) m_value[0] = m_value[1] = m_value[2] = static_cast<BYTE>(v);
}

void CImageEditTool::MapValues() {
  CMapPixelValueDlg v;
  const RECT band = host.GetRubberBand();
  if (!IsRectEmpty(band)) GetGreyRange(m_doc->m_image, band, v.minimum, v.maximum);
  if (DoModal(v) != IDOK) return;
  v.minimum = std::clamp(v.minimum, 0, 255);
  v.maximum = std::max(std::clamp(v.maximum, 0, 255), v.minimum);
  if (m_doc->MapPixelRange(v.minimum, v.maximum, v.value)) host.RefreshDisplay();
}

bool CImageEditTool::OnCommand(int id) {
  using namespace cmd;
  switch (id) {
    case kImageShowValue:
      m_subMode = kShowValue;
      cursorId = initialCursorId;
      host.SetStatusText(kImageShowStatus);
      return true;
    case kImagePaint:
    case kImageDrawLine:
      m_subMode = id == kImagePaint ? kPaint : kDrawLine;
      cursorId = id == kImagePaint ? res::kCursorFreehand : res::kCursorDrawLine;
      host.ClipCursorToClient(false);
      host.SetStatusText(id == kImagePaint ? kImagePaintStatus : kImageLineStatus);
      AskDrawValue();
      return true;
    case kImageFill:
      if (m_doc->IsRgbImage()) {
        host.MessageBox(kImageCannotFillRgb, MB_OK | MB_ICONINFORMATION);
        return true;
      }
      m_subMode = kFill;
      cursorId = res::kCursorFill;
      host.ClipCursorToClient(false);
      host.SetStatusText(kImageFillStatus);
      AskFillValue();
      return true;
    case kImageMapValues: MapValues(); return true;
    case kEditUndo: Undo(); return true;
    default: return false;
  }
}

}  // namespace qzn
