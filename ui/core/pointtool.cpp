#include "ui/core/pointtool.h"

#include <cstdio>
#include <new>

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

constexpr int kSlotCross = kSlotToolFirstFree;

}  // namespace

void CPointUndoRecord::Apply(CPtList& points) {
  switch (kind) {
    case kAdded:
      // The very point that was added, wherever it lies now (never simply
      // the one nearest its old position).
      if (POSITION pos = points.Find(point)) delete points.Detach(pos);
      break;
    case kDeleted:
    case kDeletedInRect:
      try {
        for (auto& p : owned)
          if (p) points.Adopt(p.release());
      } catch (const std::bad_alloc&) {
        // The list deleted the point it could not take.
      }
      owned.clear();
      points.m_nModified = 1;
      break;
    case kMoved:
      if (points.Find(point)) *point = saved;
      break;
    case kIdGiven:
      if (points.Find(point)) point->value = savedValue;
      break;
    default: break;
  }
}

CPointEditTool::CPointEditTool(IToolHost& h, CQznDoc* doc)
    : CUndoTool(h, res::kCursorAdd, kUndoDepth), m_doc(doc), m_points(doc->m_points) {
  RebuildMenu(res::kMenuPointTool);
}

CPointEditTool::~CPointEditTool() {
  EndDrag();
  m_points.m_nModified = 1;
}

void CPointEditTool::SetSubMode(int subMode, int cursor, const char* status) {
  m_subMode = subMode;
  cursorId = cursor;
  if (status) host.SetStatusText(status);
}

void CPointEditTool::EndDrag() {
  if (m_drag.active) m_drag.End();
  ClearCross(host, kSlotCross);
  m_current = nullptr;
}

void CPointEditTool::OnLButtonDown(POINT p, unsigned) {
  const CFPoint ip = ClientToImageF(host, p);
  const CLayerList& layers = m_doc->m_layers;
  if (m_subMode == kNew) {
    CPointRec* rec = m_points.AddNext(ip);
    if (!rec) {
      host.MessageBox(kPointNoMemory, MB_OK | MB_ICONSTOP);
      return;
    }
    rec->layer = layers.GetCurrentLayerID();
    rec->color = layers.GetLayerColor(rec->layer);
    if (CPointUndoRecord* r = m_undo.NewRecord()) {
      r->kind = CPointUndoRecord::kAdded;
      r->point = rec;
    }
    const POINT c = host.Transform().ImageToClientPixel(ip);
    const int reach = rec->size + 40;  // the cross and its label
    host.RefreshImageRect(host.Transform().ClientToImage(RECT{c.x - reach, c.y - reach, c.x + reach, c.y + reach}));
    return;
  }
  if (m_points.IsEmpty()) return;
  CPointRec* nearest = m_points.GetNearest(ip);
  switch (m_subMode) {
    case kMove: {
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_current = nearest;
      if (CPointUndoRecord* r = m_undo.NewRecord()) {
        r->kind = CPointUndoRecord::kMoved;
        r->point = nearest;
        r->saved = *nearest;
      }
      ShowCross(host, kSlotCross, host.Transform().ImageToClientPixel(CFPoint(nearest->x, nearest->y)));
      host.RefreshFeedback();
      break;
    }
    case kDelete: {
      POSITION pos = m_points.FindNearestNode(ip);
      CPointRec* rec = m_points.Detach(pos);
      m_points.m_nModified = 1;
      if (CPointUndoRecord* r = m_undo.NewRecord()) {
        r->kind = CPointUndoRecord::kDeleted;
        try {
          r->owned.emplace_back(rec);
          rec = nullptr;
        } catch (const std::bad_alloc&) {
          m_undo.DiscardNewest();
        }
      }
      delete rec;  // only when no record could keep it
      host.Refresh();
      break;
    }
    case kAssignId:
      if (CPointUndoRecord* r = m_undo.NewRecord()) {
        r->kind = CPointUndoRecord::kIdGiven;
        r->point = nearest;
        r->savedValue = nearest->value;
      }
      nearest->value = m_points.m_fNextID;
      m_points.m_nModified = 1;
      if (m_points.m_nAutoIncrement) m_points.m_fNextID += m_points.m_fIDIncrement;
      host.Refresh();
      break;
    case kShowId: {
      char layer[256];
      m_doc->GetLayerName(nearest->layer, layer, sizeof layer);
      char text[512];
      std::snprintf(text, sizeof text, kPointInfoFormat, Utf8Prefix(layer, 12).c_str(),
                    static_cast<double>(nearest->value));
      host.SetStatusText(text);
      break;
    }
    case kSetLayer:
      nearest->layer = layers.GetCurrentLayerID();
      nearest->color = layers.GetLayerColor(nearest->layer);
      m_points.m_nModified = 1;
      host.Refresh();
      break;
    default: break;
  }
}

void CPointEditTool::OnMouseMove(POINT p, unsigned) {
  if (!m_drag.active || !m_current) return;
  m_drag.Move(p.x, p.y);
  const CFPoint ip = ClientToImageF(host, p);
  m_current->x = ip.x;
  m_current->y = ip.y;
  ShowCross(host, kSlotCross, p);
  host.RefreshFeedback();
  m_drag.Commit();
}

void CPointEditTool::OnLButtonUp(POINT, unsigned) {
  if (!m_drag.active) return;
  m_points.m_nModified = 1;
  EndDrag();
  host.RefreshFeedback();
  host.Refresh();
}

void CPointEditTool::OnCaptureLost() { OnLButtonUp(m_drag.current, 0); }

void CPointEditTool::Undo() {
  if (!CanUndo()) return;
  EndDrag();
  m_undo.Undo(m_points);
  m_points.m_nModified = 1;
  host.Refresh();
}

void CPointEditTool::FinishAndDrop() {
  EndDrag();
  m_undo.Clear();
  host.RefreshFeedback();
}

bool CPointEditTool::IsChecked(int id) const {
  switch (id) {
    case cmd::kPointNew: return m_subMode == kNew;
    case cmd::kPointMove: return m_subMode == kMove;
    case cmd::kPointDelete: return m_subMode == kDelete;
    case cmd::kPointAssignId: return m_subMode == kAssignId;
    case cmd::kPointShowId: return m_subMode == kShowId;
    case cmd::kPointSetLayer: return m_subMode == kSetLayer && m_doc->m_layers.GetCount() >= 2;
    default: return false;
  }
}

bool CPointEditTool::IsItemEnabled(int id) const {
  if (id == cmd::kPointSetLayer) return m_doc->m_layers.GetCount() >= 2;
  if (id == cmd::kEditUndo) return CanUndo();
  return true;
}

void CPointEditTool::UpdateMenu() { RebuildMenu(res::kMenuPointTool); }

void CPointEditTool::DeleteInRect(const RECT& band) {
  CPtList moved;
  m_points.MoveInRect(band, moved);
  if (moved.IsEmpty()) return;
  m_points.m_nModified = 1;
  CPointUndoRecord* r = m_undo.NewRecord();
  if (r) {
    r->kind = CPointUndoRecord::kDeletedInRect;
    try {
      r->owned.reserve(static_cast<std::size_t>(moved.GetCount()));
      while (!moved.IsEmpty()) r->owned.emplace_back(moved.DetachHead());
    } catch (const std::bad_alloc&) {
      // What the record could not take is deleted without undo.
    }
  }
}

bool CPointEditTool::OnCommand(int id) {
  using namespace cmd;
  const RECT band = host.GetRubberBand();
  const bool haveBand = !IsRectEmpty(band);
  switch (id) {
    case kPointNew: SetSubMode(kNew, res::kCursorAdd, kPointNewStatus); return true;
    case kPointDelete:
      host.SetStatusText(kPointDeleteStatus);
      if (haveBand && host.MessageBox(kPointAskDeleteInRect, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        DeleteInRect(band);
        host.SetRubberBand(RECT{});
        host.Refresh();
      }
      SetSubMode(kDelete, res::kCursorDelete, nullptr);
      return true;
    case kPointAssignId: SetSubMode(kAssignId, res::kCursorAssignId, kPointAssignIdStatus); return true;
    case kPointMove: SetSubMode(kMove, res::kCursorMove, kPointMoveStatus); return true;
    case kPointSetId: {
      host.SetStatusText(kSetCurrentIdStatus);
      host.ClipCursorToClient(false);
      if (haveBand && host.MessageBox(kPointAskIdInRect, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        m_points.SetIDInRect(m_points.m_fNextID, band);
        host.SetRubberBand(RECT{});
        host.Refresh();
      } else {
        CurrentIdValues v;
        v.currentId = m_points.m_fNextID;
        v.increment = m_points.m_fIDIncrement;
        v.autoIncrement = m_points.m_nAutoIncrement != 0;
        if (host.RunDialog(v)) {
          m_points.m_fNextID = v.currentId;
          m_points.m_defaultColor = m_points.GetColorForID(static_cast<int>(v.currentId));
          m_points.m_nAutoIncrement = v.autoIncrement ? 1 : 0;
          if (v.autoIncrement) m_points.m_fIDIncrement = v.increment;
        }
      }
      SetSubMode(kAssignId, res::kCursorAssignId, kPointAssignIdStatus);
      return true;
    }
    case kPointShowId: SetSubMode(kShowId, res::kCursorPick, kPointShowIdStatus); return true;
    case kPointSetLayer: SetSubMode(kSetLayer, res::kCursorPick, kPointSetLayerStatus); return true;
    case kEditUndo: Undo(); return true;
    default: return false;
  }
}

}  // namespace qzn
