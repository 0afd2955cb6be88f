#include "ui/core/notetool.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/chain.h"
#include "model/helpers.h"
#include "model/layer.h"
#include "platform/host.h"
#include "resources/commands.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "resources/toolcommands.h"
#include "ui/core/toolhelpers.h"

namespace qzn {

namespace {

using namespace res::text;

constexpr int kSlotFrame = kSlotToolFirstFree;

RECT Normalised(RECT r) {
  NormalizeRect(r);
  return r;
}

// Nearest whole number, held in the int range.
int HeldInt(double v) {
  if (!(v == v)) return 0;
  return SaturateInt32(static_cast<std::int64_t>(std::clamp(std::round(v), -4e9, 4e9)));
}

}  // namespace

CAnnotationTool::CAnnotationTool(IToolHost& h, CQznDoc* doc)
    : CEditTool(h, res::kCursorAdd), m_doc(doc), m_notes(doc->m_notes), m_dialog(h.CreateNoteDialog()) {
  RebuildMenu(res::kMenuNoteTool);
}

CAnnotationTool::~CAnnotationTool() {
  EndDrag();
  host.Feedback().Clear(kSlotToolBand);
}

void CAnnotationTool::SetSubMode(int subMode, int cursor, const char* status) {
  m_subMode = subMode;
  cursorId = cursor;
  if (status) host.SetStatusText(status);
}

void CAnnotationTool::ShowFrame(const CNote& note) {
  const std::array<POINT, 5> corners = RotatedRectCorners(note.m_rect, note.m_nAngle);
  std::vector<POINT> pts;
  pts.reserve(5);
  const CViewTransform& t = host.Transform();
  for (const POINT& c : corners) pts.push_back(POINT{t.ImageToClientX(c.x), t.ImageToClientY(c.y)});
  host.Feedback().Set(kSlotFrame, FeedbackShape::Polyline(std::move(pts)));
  host.RefreshFeedback();
}

void CAnnotationTool::EndDrag() {
  if (m_drag.active) m_drag.End();
  host.Feedback().Clear(kSlotFrame);
  m_current = nullptr;
}

void CAnnotationTool::OnLButtonDown(POINT p, unsigned) {
  if (m_subMode == kAdd) {
    m_drag.Begin(p.x, p.y, true, nullptr, &host);
    m_drag.ClipToClient();
    return;
  }
  const POINT ip = ClientToImagePixel(host, p);
  POSITION pos = nullptr;
  CNote* note = m_notes.FindNearest(ip, pos);
  if (!note) {
    host.MessageBox(m_subMode == kMove || m_subMode == kRotate ? kNoteClickInBox : kNoteClickCentre,
                    MB_OK | MB_ICONINFORMATION);
    return;
  }
  switch (m_subMode) {
    case kDelete:
      // The dialog lets go of the note first: it must never edit a note
      // that is gone.
      if (m_dialog) m_dialog->ReleaseNote(note);
      m_notes.RemoveAt(pos);
      m_notes.m_nModified = 1;
      host.Refresh();
      break;
    case kModify:
      if (m_dialog) m_dialog->SetNote(note);
      break;
    case kSetLayer:
      note->m_nID = static_cast<std::int16_t>(m_doc->m_layers.GetCurrentLayerID());
      m_notes.m_nModified = 1;
      break;
    case kMove:
    case kRotate:
      m_current = note;
      m_pressRect = note->m_rect;
      m_pressAngle = note->m_nAngle;
      m_turned = 0.0;
      m_pressImage = m_lastImage = ClientToImageF(host, p);
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_drag.ClipToClient();
      ShowFrame(*note);
      break;
    default: break;
  }
}

void CAnnotationTool::OnMouseMove(POINT p, unsigned) {
  if (!m_drag.active) return;
  m_drag.Move(p.x, p.y);
  if (m_subMode == kAdd) {
    host.Feedback().Set(kSlotToolBand,
                        FeedbackShape::Frame(Normalised(RECT{m_drag.start.x, m_drag.start.y, p.x, p.y})));
    host.RefreshFeedback();
  } else if (m_current) {
    const CFPoint ip = ClientToImageF(host, p);
    if (m_subMode == kMove) {
      // The whole drag since the press, rounded once: slow drags move the
      // note as far as fast ones.
      const int dx = HeldInt(static_cast<double>(ip.x) - m_pressImage.x);
      const int dy = HeldInt(static_cast<double>(ip.y) - m_pressImage.y);
      RECT r = m_pressRect;
      OffsetRect(r, dx, dy);
      m_current->m_rect = r;
    } else {
      const POINT c = m_current->Centre();
      const CFPoint centre(static_cast<float>(c.x), static_cast<float>(c.y));
      // The step's turn taken the short way round, summed unwrapped, and
      // the whole turn rounded once to whole degrees.
      double step = GetLineAngle(centre, m_lastImage) - GetLineAngle(centre, ip);
      while (step > std::numbers::pi) step -= 2.0 * std::numbers::pi;
      while (step < -std::numbers::pi) step += 2.0 * std::numbers::pi;
      m_turned += step;
      const double angle = m_pressAngle + m_turned * 180.0 / std::numbers::pi;
      m_current->m_nAngle = static_cast<std::int16_t>(std::clamp(HeldInt(angle), -32768, 32767));
    }
    m_lastImage = ip;
    m_notes.m_nModified = 1;
    ShowFrame(*m_current);
  }
  m_drag.Commit();
}

void CAnnotationTool::OnLButtonUp(POINT p, unsigned) {
  if (!m_drag.active) return;
  if (m_subMode == kAdd) {
    const RECT client{m_drag.start.x, m_drag.start.y, p.x, p.y};
    m_drag.End();
    host.Feedback().Clear(kSlotToolBand);
    host.RefreshFeedback();
    const RECT image = Normalised(host.Transform().ClientToImage(client));
    if (IsRectEmpty(image)) {
      host.MessageBox(kNoteDrawRectangle, MB_OK | MB_ICONINFORMATION);
      return;
    }
    if (!m_dialog) return;
    CNote* note = m_notes.AddNote(image, m_dialog->Text());
    if (!note) return;
    note->m_nID = static_cast<std::int16_t>(m_doc->m_layers.GetCurrentLayerID());
    m_notes.m_nModified = 1;
    m_dialog->SetNote(note);
    host.Refresh();
    return;
  }
  EndDrag();
  host.RefreshFeedback();
  host.Refresh();
}

void CAnnotationTool::OnCaptureLost() { OnLButtonUp(m_drag.current, 0); }

void CAnnotationTool::FinishAndDrop() {
  if (m_drag.active) OnLButtonUp(m_drag.current, 0);
  EndDrag();
  // The dialog may hold a note that the command is about to change.
  if (m_dialog) m_dialog->SetNote(nullptr);
  host.RefreshFeedback();
}

bool CAnnotationTool::IsChecked(int id) const {
  switch (id) {
    case cmd::kNoteAdd: return m_subMode == kAdd;
    case cmd::kNoteDelete: return m_subMode == kDelete;
    case cmd::kNoteModify: return m_subMode == kModify;
    case cmd::kNoteSetLayer: return m_subMode == kSetLayer && m_doc->m_layers.GetCount() >= 2;
    case cmd::kNoteMove: return m_subMode == kMove;
    case cmd::kNoteRotate: return m_subMode == kRotate;
    default: return false;
  }
}

bool CAnnotationTool::IsItemEnabled(int id) const {
  if (id == cmd::kNoteSetLayer) return m_doc->m_layers.GetCount() >= 2;
  return true;
}

void CAnnotationTool::UpdateMenu() { RebuildMenu(res::kMenuNoteTool); }

bool CAnnotationTool::OnCommand(int id) {
  using namespace cmd;
  switch (id) {
    case kNoteAdd: SetSubMode(kAdd, res::kCursorAdd, kNoteAddStatus); return true;
    case kNoteDelete: {
      SetSubMode(kDelete, res::kCursorDelete, kNoteDeleteStatus);
      const RECT band = host.GetRubberBand();
      if (!IsRectEmpty(band) && host.MessageBox(kNoteAskDeleteInRect, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        if (m_dialog)
          for (const CNote* n : m_notes) {
            RECT common;
            if (IntersectRect(common, n->m_rect, band)) m_dialog->ReleaseNote(n);
          }
        m_notes.DeleteInRect(band);
        host.Refresh();
      }
      return true;
    }
    case kNoteModify: SetSubMode(kModify, res::kCursorAdd, kNoteModifyStatus); return true;
    case kNoteSetLayer: SetSubMode(kSetLayer, res::kCursorPick, kNoteSetLayerStatus); return true;
    case kNoteMove: SetSubMode(kMove, res::kCursorMove, kNoteMoveStatus); return true;
    case kNoteRotate: SetSubMode(kRotate, res::kCursorMove, kNoteRotateStatus); return true;
    default: return false;
  }
}

}  // namespace qzn
