#include "ui/core/edittool.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

#include "app/qzndoc.h"
#include "resources/messages_window.h"
#include "resources/strings.h"

namespace qzn {

double g_traceSmoothing = 1.0;

// ---- CDragTracker ------------------------------------------------------------

void CDragTracker::Begin(int x, int y, bool isActive, const RECT* r, IToolHost* host) {
  active = isActive;
  start = previous = current = POINT{x, y};
  if (r) startRect = previousRect = rect = *r;
  clipped = false;
  m_host = host;
  if (m_host) m_host->CaptureMouse();
}

void CDragTracker::Move(int x, int y) {
  current = POINT{x, y};
  previousRect = rect;
  rect = startRect;
  OffsetRect(rect, x - start.x, y - start.y);
}

void CDragTracker::Commit() {
  previous = current;
  previousRect = rect;
}

void CDragTracker::End() {
  active = false;
  if (m_host) {
    m_host->ReleaseMouse();
    if (clipped) m_host->ClipCursorToClient(false);
  }
  clipped = false;
  m_host = nullptr;
}

void CDragTracker::ClipToClient() {
  if (!m_host) return;
  clipped = true;
  m_host->ClipCursorToClient(true);
}

// ---- CEditTool ----------------------------------------------------------------

CEditTool::CEditTool(IToolHost& h, int cursor, std::span<const res::MenuItem> items)
    : host(h), cursorId(cursor), initialCursorId(cursor) {
  for (const res::MenuItem& m : items) popup.push_back(ContextMenuItem{m.id, m.id ? m.path : std::string()});
}

void CEditTool::AppendMenuItems(std::span<const res::MenuItem> items) {
  for (const res::MenuItem& m : items) {
    if (m.id < 0) continue;  // a sub-menu entry
    popup.push_back(ContextMenuItem{m.id, m.id ? m.path : std::string()});
  }
}

void CEditTool::RebuildMenu(int resourceId) {
  popup.clear();
  AppendMenuItems(res::ContextMenu(resourceId));
  for (ContextMenuItem& item : popup) {
    if (item.id == 0) continue;
    item.checked = IsChecked(item.id);
    item.enabled = IsItemEnabled(item.id);
  }
}

void CEditTool::TrackContextMenu(POINT client) {
  UpdateMenu();
  if (!popup.empty()) host.ShowContextMenu(popup, client);
}

// ---- CDefaultTool -------------------------------------------------------------

CDefaultTool::CDefaultTool(IToolHost& h, int cursor) : CEditTool(h, cursor) {}

CDefaultTool::~CDefaultTool() {
  if (tracker.active) tracker.End();
  host.Feedback().Clear(kSlotToolBand);
  host.Feedback().Clear(kSlotToolLine);
}

POINT CDefaultTool::Snap(POINT p) const {
  const CViewTransform& t = host.Transform();
  const POINT img = t.ClientToImage(p);
  return POINT{t.ImageToClientX(img.x), t.ImageToClientY(img.y)};
}

void CDefaultTool::OnLButtonDown(POINT p, unsigned flags) {
  measuring = (flags & kMkControl) != 0;
  tracker.Begin(p.x, p.y, true, nullptr, &host);
  tracker.ClipToClient();
  if (!measuring) {
    // The old band goes while the new one is drawn.
    host.SetRubberBand(RECT{});
    host.RefreshFeedback();
  }
}

double CDefaultTool::MeasuredLength() const {
  const CViewTransform& t = host.Transform();
  const POINT a = t.ClientToImage(tracker.start), b = t.ClientToImage(tracker.current);
  double ax = a.x, ay = a.y, bx = b.x, by = b.y;
  const int kind = host.CursorKind();
  if (kind == kCoordMap || kind == kCoordPage) {
    double cx = ax, cy = ay, dx = bx, dy = by;
    const bool ok = kind == kCoordMap ? host.ImageToMapCoords(a, cx, cy) && host.ImageToMapCoords(b, dx, dy)
                                      : host.ImageToScaledCoords(a, cx, cy) && host.ImageToScaledCoords(b, dx, dy);
    if (ok) return std::hypot(dx - cx, dy - cy);
  }
  return static_cast<float>(std::hypot(bx - ax, by - ay));
}

void CDefaultTool::ShowFeedback() {
  const POINT s = Snap(tracker.start), c = Snap(tracker.current);
  if (measuring) {
    host.Feedback().Set(kSlotToolLine, FeedbackShape::Line(s, c));
  } else {
    RECT r{s.x, s.y, c.x, c.y};
    NormalizeRect(r);
    host.Feedback().Set(kSlotToolBand, FeedbackShape::Frame(r));
  }
}

void CDefaultTool::OnMouseMove(POINT p, unsigned) {
  if (!tracker.active) return;
  tracker.Move(p.x, p.y);
  ShowFeedback();
  if (measuring) {
    char text[512];
    std::snprintf(text, sizeof text, res::text::kLengthFormat, MeasuredLength());
    host.SetStatusText(text);
  }
  tracker.Commit();
  host.RefreshFeedback();
}

void CDefaultTool::OnLButtonUp(POINT p, unsigned) {
  if (!tracker.active) return;
  tracker.End();
  host.Feedback().Clear(kSlotToolLine);
  host.Feedback().Clear(kSlotToolBand);
  if (!measuring) {
    RECT client{tracker.start.x, tracker.start.y, tracker.current.x, tracker.current.y};
    RECT band = host.Transform().ClientToImage(client);
    NormalizeRect(band);
    host.SetRubberBand(band);
  }
  measuring = false;
  host.RefreshFeedback();
}

void CDefaultTool::OnCaptureLost() {
  if (tracker.active) OnLButtonUp(tracker.current, 0);
}

void CDefaultTool::UpdateMenu() {
  popup.clear();
  const CQznDoc* doc = host.Document();
  const bool lines = doc && doc->m_lines.GetCount() > 0;
  AppendMenuItems(res::ContextMenu(!host.ImageHasPixels() || lines ? res::kMenuDefaultLines : res::kMenuDefaultImage));
}

// ---- tool factories -----------------------------------------------------------

namespace {
std::mutex g_factoryMutex;
std::map<EditMode, ToolFactory>& Factories() {
  static std::map<EditMode, ToolFactory> f;
  return f;
}
}  // namespace

void RegisterToolFactory(EditMode mode, ToolFactory factory) {
  std::lock_guard<std::mutex> lock(g_factoryMutex);
  if (factory)
    Factories()[mode] = std::move(factory);
  else
    Factories().erase(mode);
}

ToolFactory FindToolFactory(EditMode mode) {
  std::lock_guard<std::mutex> lock(g_factoryMutex);
  auto it = Factories().find(mode);
  return it == Factories().end() ? ToolFactory{} : it->second;
}

}  // namespace qzn
