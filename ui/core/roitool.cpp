#include "ui/core/roitool.h"

#include <new>

#include "platform/host.h"
#include "resources/commands.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "resources/toolcommands.h"
#include "ui/core/toolhelpers.h"

namespace qzn {

namespace text = res::text;

namespace {

using namespace res::text;

constexpr int kSlotRubber = kSlotToolFirstFree;

// The context menu is a table of its own, not a menu resource.
constexpr res::MenuItem kRoiMenu[] = {
    {cmd::kRoiRectangle, text::kRoiRectangle}, {cmd::kRoiCircle, text::kRoiCircle},
    {cmd::kRoiPolygon, text::kRoiPolygon},     {0, "-"},
    {cmd::kRoiClear, text::kRoiClear},         {cmd::kEditDone, text::kRoiDone},
};

}  // namespace

CRoiTool::CRoiTool(IToolHost& h, CQznDoc* doc) : CEditTool(h, res::kCursorCross, kRoiMenu), m_doc(doc) {}

CRoiTool::~CRoiTool() {
  // A polygon still being drawn is dropped, not added.
  m_polygon.reset();
  if (m_drag.active) m_drag.End();
  host.Feedback().Clear(kSlotRubber);
  host.Feedback().Clear(kSlotToolBand);
  host.ClipCursorToClient(false);
}

std::unique_ptr<CChain> CRoiTool::NewRegionLine() {
  std::unique_ptr<CChain> line(new (std::nothrow) CChain);
  if (!line) {
    host.MessageBox(kRoiNoMemory, MB_OK | MB_ICONSTOP);
    return nullptr;
  }
  line->m_nWidth = 2;
  line->m_fID = 0.0f;
  line->m_nPenStyle = 0;
  line->m_nLayer = 0;
  line->m_color = RGB(255, 50, 50);
  return line;
}

void CRoiTool::Draw(CCanvas& dc) {
  if (m_polygon && m_polygon->GetCount() > 0)
    m_polygon->Draw(dc, host.Transform(), host.DrawOptions(), 1, 1, 0, m_doc->m_nDecimalIDs);
}

void CRoiTool::ShowRubber(POINT client) {
  if (!m_polygon || m_polygon->GetCount() == 0) return;
  const POINT anchor = host.Transform().ImageToClientPixel(m_polygon->Points().back());
  host.Feedback().Set(kSlotRubber, FeedbackShape::Line(anchor, client));
  host.RefreshFeedback();
}

void CRoiTool::OnLButtonDown(POINT p, unsigned) {
  if (m_subMode == kPolygon) {
    if (!m_polygon) {
      m_polygon = NewRegionLine();
      if (!m_polygon) return;
      host.ClipCursorToClient(true);
    }
    const POINT ip = ClientToImagePixel(host, p);
    m_polygon->AddPoint(static_cast<float>(ip.x), static_cast<float>(ip.y));
    m_polygon->CalcBounds();
    host.Feedback().Clear(kSlotRubber);
    host.RefreshFeedback();
    host.Refresh();
    return;
  }
  m_drag.Begin(p.x, p.y, true, nullptr, &host);
  m_drag.ClipToClient();
}

void CRoiTool::OnMouseMove(POINT p, unsigned) {
  if (m_subMode == kPolygon) {
    ShowRubber(p);
    return;
  }
  if (!m_drag.active) return;
  m_drag.Move(p.x, p.y);
  RECT r{m_drag.start.x, m_drag.start.y, p.x, p.y};
  NormalizeRect(r);
  host.Feedback().Set(kSlotToolBand, FeedbackShape::Frame(r));
  host.RefreshFeedback();
  m_drag.Commit();
}

void CRoiTool::OnLButtonUp(POINT p, unsigned) {
  if (m_subMode == kPolygon || !m_drag.active) return;
  m_drag.End();
  host.Feedback().Clear(kSlotToolBand);
  host.RefreshFeedback();
  RECT client{m_drag.start.x, m_drag.start.y, p.x, p.y};
  NormalizeRect(client);
  if (IsRectEmpty(client)) return;
  RECT image = host.Transform().ClientToImage(client);
  NormalizeRect(image);
  std::unique_ptr<CChain> line = NewRegionLine();
  if (!line) return;
  if (m_subMode == kRectangle)
    line->MakeRectangle(image);
  else
    line->MakeCircle(image);
  line->CalcBounds();
  try {
    m_doc->m_roi.Adopt(line.release());
  } catch (const std::bad_alloc&) {
    host.MessageBox(kRoiNoMemory, MB_OK | MB_ICONSTOP);
  }
  host.Refresh();
}

void CRoiTool::OnCaptureLost() {
  if (m_drag.active) OnLButtonUp(m_drag.current, 0);
}

void CRoiTool::OnChar(unsigned ch, unsigned, unsigned) {
  if (!m_polygon || m_polygon->GetCount() < 2) return;
  if (ch == 8) {
    m_polygon->DeleteVertex(m_polygon->GetCount() - 1);
    m_polygon->CalcBounds();
    host.Feedback().Clear(kSlotRubber);
    host.RefreshFeedback();
    host.Refresh();
    return;
  }
  FinishPolygon();
}

void CRoiTool::FinishPolygon() {
  host.Feedback().Clear(kSlotRubber);
  host.RefreshFeedback();
  if (!m_polygon) return;
  host.ClipCursorToClient(false);
  if (m_polygon->GetCount() > 2) m_polygon->Close();
  m_polygon->CalcBounds();
  try {
    m_doc->m_roi.Adopt(m_polygon.release());
  } catch (const std::bad_alloc&) {
    host.MessageBox(kRoiNoMemory, MB_OK | MB_ICONSTOP);
  }
  host.Refresh();
}

void CRoiTool::FinishAndDrop() {
  if (m_drag.active) OnLButtonUp(m_drag.current, 0);
  FinishPolygon();
}

bool CRoiTool::IsChecked(int id) const {
  switch (id) {
    case cmd::kRoiRectangle: return m_subMode == kRectangle;
    case cmd::kRoiCircle: return m_subMode == kCircle;
    case cmd::kRoiPolygon: return m_subMode == kPolygon;
    default: return false;
  }
}

void CRoiTool::UpdateMenu() {
  for (ContextMenuItem& item : popup) item.checked = IsChecked(item.id);
}

bool CRoiTool::OnCommand(int id) {
  struct Entry {
    int id, subMode;
    const char* status;
  };
  static constexpr Entry kTable[] = {
      {cmd::kRoiRectangle, kRectangle, kRoiRectangleStatus},
      {cmd::kRoiCircle, kCircle, kRoiCircleStatus},
      {cmd::kRoiPolygon, kPolygon, kRoiPolygonStatus},
  };
  for (const Entry& e : kTable)
    if (e.id == id) {
      FinishPolygon();
      m_subMode = e.subMode;
      host.ClipCursorToClient(false);
      host.SetStatusText(e.status);
      return true;
    }
  return false;
}

}  // namespace qzn
