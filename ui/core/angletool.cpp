#include "ui/core/angletool.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "platform/host.h"
#include "resources/commands.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "ui/core/toolhelpers.h"

namespace qzn {

namespace {

constexpr int kSlotFirstArm = kSlotToolFirstFree;
constexpr int kSlotSecondArm = kSlotToolFirstFree + 1;

}  // namespace

double AngleBetweenArms(const CFPoint& v, const CFPoint& a, const CFPoint& b) {
  const double da = std::atan2(static_cast<double>(a.y) - v.y, static_cast<double>(a.x) - v.x);
  const double db = std::atan2(static_cast<double>(b.y) - v.y, static_cast<double>(b.x) - v.x);
  double deg = std::fabs(db - da) * 180.0 / std::numbers::pi;
  if (deg > 180.0) deg = 360.0 - deg;
  return deg;
}

CAngleTool::CAngleTool(IToolHost& h) : CEditTool(h, res::kCursorAngle) { RebuildMenu(res::kMenuAngleTool); }

CAngleTool::~CAngleTool() { Reset(); }

void CAngleTool::UpdateMenu() { RebuildMenu(res::kMenuAngleTool); }

void CAngleTool::ShowArm(int slot, const CFPoint& end) {
  const CViewTransform& t = host.Transform();
  host.Feedback().Set(slot, FeedbackShape::Line(t.ImageToClientPixel(m_vertex), t.ImageToClientPixel(end)));
  host.RefreshFeedback();
}

void CAngleTool::Reset() {
  m_step = 0;
  host.Feedback().Clear(kSlotFirstArm);
  host.Feedback().Clear(kSlotSecondArm);
  host.ClipCursorToClient(false);
  host.RefreshFeedback();
}

void CAngleTool::OnLButtonDown(POINT p, unsigned) {
  const CFPoint ip = ClientToImageF(host, p);
  switch (m_step) {
    case 0:
      m_vertex = m_first = ip;
      host.ClipCursorToClient(true);
      m_step = 1;
      break;
    case 1:
      // The first arm stays on the screen while the second follows the
      // mouse.
      m_first = m_second = ip;
      ShowArm(kSlotFirstArm, m_first);
      m_step = 2;
      break;
    case 2: m_step = 3; break;
    default: m_step = 0; break;
  }
}

void CAngleTool::OnMouseMove(POINT p, unsigned) {
  const CFPoint ip = ClientToImageF(host, p);
  if (m_step == 1) {
    m_first = ip;
    ShowArm(kSlotFirstArm, m_first);
  } else if (m_step == 2) {
    m_second = ip;
    ShowArm(kSlotSecondArm, m_second);
  }
}

void CAngleTool::OnLButtonUp(POINT p, unsigned) {
  if (m_step != 3) return;
  m_second = ClientToImageF(host, p);
  const double angle = AngleBetweenArms(m_vertex, m_first, m_second);
  Reset();
  char text[128];
  std::snprintf(text, sizeof text, res::text::kAngleFormat, angle);
  host.MessageBox(text, MB_OK | MB_ICONINFORMATION);
}

void CAngleTool::OnChar(unsigned ch, unsigned, unsigned) {
  if (ch != 8 && ch != 27) return;
  Reset();
  host.PostCommand(cmd::kEditDone);
}

void CAngleTool::FinishAndDrop() { Reset(); }

}  // namespace qzn
