#include "ui/core/cptool.h"

#include <cmath>
#include <cstdio>

#include "platform/host.h"
#include "resources/commands.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "resources/toolcommands.h"
#include "ui/core/controlptdlg.h"
#include "ui/core/toolhelpers.h"
#include "ui/core/toolsettings.h"

namespace qzn {

namespace {

using namespace res::text;

constexpr int kSlotCross = kSlotToolFirstFree;       // and the next: the dragged point
constexpr int kSlotPicked = kSlotToolFirstFree + 2;  // and the next: the picked point

// The client rectangle of half-size `half` around an image point, in image
// pixels (for a partial repaint).
RECT ImageBoxAround(const IToolHost& host, double x, double y, int half) {
  const CViewTransform& t = host.Transform();
  const int cx = t.ImageToClientX(x), cy = t.ImageToClientY(y);
  RECT r = t.ClientToImage(RECT{cx - half, cy - half, cx + half + 1, cy + half + 1});
  r.right += 1;
  r.bottom += 1;
  return r;
}

}  // namespace

CControlPointTool::CControlPointTool(IToolHost& h, CQznDoc* doc)
    : CEditTool(h, res::kCursorAdd), m_doc(doc), m_points(doc->m_controlPts) {
  RebuildMenu(res::kMenuControlPointTool);
}

CControlPointTool::~CControlPointTool() {
  EndDrag();
  host.Feedback().Clear(kSlotPicked);
  host.Feedback().Clear(kSlotPicked + 1);
}

void CControlPointTool::EndDrag() {
  if (m_drag.active) m_drag.End();
  ClearCross(host, kSlotCross);
  m_current = nullptr;
}

void CControlPointTool::ShowPicked() {
  // A cross stands for the picked point until the tool goes; inverted, as
  // every transient mark is, and kept on its image point when the view
  // zooms or scrolls.
  const POINT c = host.Transform().ImageToClientPixel(m_picked);
  const FeedbackShape across = FeedbackShape::Line(POINT{c.x - 5, c.y}, POINT{c.x + 6, c.y});
  const auto& shapes = host.Feedback().Shapes();
  const auto it = shapes.find(kSlotPicked);
  if (it != shapes.end() && it->second == across) return;
  host.Feedback().Set(kSlotPicked, across);
  host.Feedback().Set(kSlotPicked + 1, FeedbackShape::Line(POINT{c.x, c.y - 5}, POINT{c.x, c.y + 6}));
  host.RefreshFeedback();
}

void CControlPointTool::Draw(CCanvas&) {
  if (m_showPicked) ShowPicked();
}

void CControlPointTool::OnLButtonDown(POINT p, unsigned) {
  const CFPoint ip = ClientToImageF(host, p);
  switch (m_subMode) {
    case kNew: {
      // The numbers the status bar showed for the click.
      CControlPtDlg dlg;
      dlg.imageX = CoordinateAsShown(ip.x);
      dlg.imageY = CoordinateAsShown(ip.y);
      dlg.mapX = g_pickedPoint.pending ? g_pickedPoint.x : dlg.imageX;
      dlg.mapY = g_pickedPoint.pending ? g_pickedPoint.y : dlg.imageY;
      if (DoModal(dlg) != IDOK) return;
      CControlPt* cp = m_points.AddNew();
      if (!cp) return;
      g_pickedPoint.pending = false;
      cp->m_imageX = dlg.imageX;
      cp->m_imageY = dlg.imageY;
      cp->m_mapX = dlg.mapX;
      cp->m_mapY = dlg.mapY;
      host.RefreshImageRect(ImageBoxAround(host, cp->m_imageX, cp->m_imageY, 12));
      return;
    }
    case kPick: {
      double x = 0.0, y = 0.0;
      host.CursorCoordsAt(p, x, y);
      g_pickedPoint = CPickedPoint{CoordinateAsShown(x), CoordinateAsShown(y), true};
      m_picked = ip;
      m_showPicked = true;
      ShowPicked();
      char text[256];
      std::snprintf(text, sizeof text, kControlPointPickedFormat, x, y);
      host.SetStatusText(text);
      return;
    }
    default: break;
  }
  CControlPt* cp = m_points.HitTest(ip);
  if (!cp) return;
  switch (m_subMode) {
    case kMove:
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_current = cp;
      m_pressX = cp->m_imageX;
      m_pressY = cp->m_imageY;
      ShowCross(host, kSlotCross,
                host.Transform().ImageToClientPixel(
                    CFPoint(static_cast<float>(cp->m_imageX), static_cast<float>(cp->m_imageY))));
      host.RefreshFeedback();
      break;
    case kDelete: {
      const double x = cp->m_imageX, y = cp->m_imageY;
      m_points.RemovePointAt(ip);
      host.RefreshImageRect(ImageBoxAround(host, x, y, 12));
      break;
    }
    case kModify: {
      // The coordinates as stored: OK without an edit leaves the point as
      // it was.
      CControlPtDlg dlg;
      dlg.imageX = cp->m_imageX;
      dlg.imageY = cp->m_imageY;
      dlg.mapX = cp->m_mapX;
      dlg.mapY = cp->m_mapY;
      if (DoModal(dlg) != IDOK) return;
      const double oldX = cp->m_imageX, oldY = cp->m_imageY;
      cp->m_imageX = dlg.imageX;
      cp->m_imageY = dlg.imageY;
      cp->m_mapX = dlg.mapX;
      cp->m_mapY = dlg.mapY;
      m_points.m_nModified = 1;
      host.RefreshImageRect(ImageBoxAround(host, oldX, oldY, 12));
      host.RefreshImageRect(ImageBoxAround(host, cp->m_imageX, cp->m_imageY, 12));
      break;
    }
    case kCheck: {
      std::string text;
      m_points.FormatPointInfo(cp, text);
      host.MessageBox(text, MB_OK | MB_ICONINFORMATION);
      break;
    }
    default: break;
  }
}

void CControlPointTool::OnMouseMove(POINT p, unsigned) {
  if (!m_drag.active || !m_current) return;
  m_drag.Move(p.x, p.y);
  const CFPoint ip = ClientToImageF(host, p);
  m_current->m_imageX = CoordinateAsShown(ip.x);
  m_current->m_imageY = CoordinateAsShown(ip.y);
  ShowCross(host, kSlotCross, p);
  host.RefreshFeedback();
  m_drag.Commit();
}

void CControlPointTool::OnLButtonUp(POINT, unsigned) {
  if (!m_drag.active) return;
  CControlPt* cp = m_current;
  EndDrag();
  host.RefreshFeedback();
  host.RefreshImageRect(ImageBoxAround(host, m_pressX, m_pressY, 12));
  if (cp) host.RefreshImageRect(ImageBoxAround(host, cp->m_imageX, cp->m_imageY, 12));
  m_points.m_nModified = 1;
}

void CControlPointTool::OnCaptureLost() { OnLButtonUp(m_drag.current, 0); }

void CControlPointTool::FinishAndDrop() {
  if (m_drag.active) OnLButtonUp(m_drag.current, 0);
  EndDrag();
  host.RefreshFeedback();
}

bool CControlPointTool::IsChecked(int id) const {
  switch (id) {
    case cmd::kCpNew: return m_subMode == kNew;
    case cmd::kCpMove: return m_subMode == kMove;
    case cmd::kCpDelete: return m_subMode == kDelete;
    case cmd::kCpModify: return m_subMode == kModify;
    case cmd::kCpCheck: return m_subMode == kCheck;
    case cmd::kCpPick: return m_subMode == kPick;
    default: return false;
  }
}

void CControlPointTool::UpdateMenu() { RebuildMenu(res::kMenuControlPointTool); }

bool CControlPointTool::OnCommand(int id) {
  using namespace cmd;
  struct Entry {
    int id, subMode, cursor;
  };
  static constexpr Entry kTable[] = {
      {kCpNew, kNew, res::kCursorAdd},          {kCpMove, kMove, res::kCursorMove},
      {kCpDelete, kDelete, res::kCursorDelete}, {kCpModify, kModify, res::kCursorAdd},
      {kCpCheck, kCheck, res::kCursorPick},     {kCpPick, kPick, res::kCursorPick},
  };
  for (const Entry& e : kTable)
    if (e.id == id) {
      m_subMode = e.subMode;
      cursorId = e.cursor;
      return true;
    }
  return false;
}

}  // namespace qzn
