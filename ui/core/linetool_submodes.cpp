// The line tool's sub-modes: the table that ties each to its command,
// cursor and status text, and each sub-mode's press, drag, release and
// choosing, family by family.
#include <algorithm>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "model/helpers.h"
#include "model/layer.h"
#include "platform/host.h"
#include "resources/commands.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "resources/toolcommands.h"
#include "ui/core/linetool.h"
#include "ui/core/linetool_internal.h"

namespace qzn {

namespace {

using namespace res::text;
using namespace linetool;

// A press within this many image pixels of a vertex deletes it.
constexpr int kDeleteNodeReach = 20;
// The smoothing threshold a freehand line gets at the release.
constexpr float kFreehandSmoothing = 0.2f;

using L = CLineEditTool;

}  // namespace

// ---- the table ------------------------------------------------------------------

const CLineEditTool::SubModeInfo CLineEditTool::kSubModes[] = {
    {.command = cmd::kLineNew,
     .cursor = res::kCursorAdd,
     .status = kLineNewStatus,
     .press = &L::PressNewLine,
     .hover = &L::HoverNewLine},
    {.command = cmd::kLineRectangle,
     .cursor = res::kCursorAdd,
     .status = kLineRectangleStatus,
     .closesLine = true,
     .press = &L::PressRubberRect,
     .drag = &L::DragRubberRect,
     .release = &L::ReleaseRubberRect},
    {.command = cmd::kLineCircle,
     .cursor = res::kCursorAdd,
     .status = kLineCircleStatus,
     .closesLine = true,
     .press = &L::PressRubberRect,
     .drag = &L::DragRubberRect,
     .release = &L::ReleaseRubberRect},
    {.command = cmd::kLineMoveNode,
     .cursor = res::kCursorMove,
     .status = kLineMoveNodeStatus,
     .press = &L::PressMoveNode,
     .drag = &L::DragMoveNode,
     .release = &L::ReleaseMoveNode},
    {.command = cmd::kLineDeleteNode,
     .cursor = res::kCursorDelete,
     .status = kLineDeleteNodeStatus,
     .press = &L::PressDeleteNode,
     .choose = &L::ChooseDeleteNode},
    {.command = cmd::kLineDelete,
     .cursor = res::kCursorDelete,
     .status = kLineDeleteStatus,
     .press = &L::PressDeleteLine},
    {.command = cmd::kLineAddNode, .cursor = res::kCursorAdd, .status = kLineAddNodeStatus, .press = &L::PressAddNode},
    {.command = cmd::kLineSplit, .cursor = res::kCursorAdd, .status = kLineSplitStatus, .press = &L::PressSplit},
    {.command = cmd::kLineAssignId,
     .cursor = res::kCursorAssignId,
     .status = kLineAssignIdStatus,
     .press = &L::PressAssignId,
     .release = &L::ReleaseAssignId,
     .choose = &L::ChooseAssignId},
    {.command = cmd::kLineShow,
     .cursor = res::kCursorPick,
     .status = nullptr,
     .press = &L::PressShowLine,
     .release = &L::ReleaseShowLine},
    {.command = cmd::kLineContour,
     .cursor = res::kCursorAdd,
     .status = kLineContourStatus,
     .press = &L::PressSegment,
     .drag = &L::DragSegment,
     .release = &L::ReleaseContour},
    {.command = cmd::kLineJoin,
     .cursor = res::kCursorAdd,
     .status = kLineJoinStatus,
     .press = &L::PressJoin,
     .drag = &L::DragSegment,
     .release = &L::ReleaseJoin},
    {.command = cmd::kLineCopy,
     .cursor = res::kCursorPick,
     .status = nullptr,
     .press = &L::PressCopy,
     .drag = &L::DragLine,
     .release = &L::ReleaseDraggedLine},
    {.command = cmd::kLineMove,
     .cursor = res::kCursorMove,
     .status = kLineMoveStatus,
     .press = &L::PressMoveLine,
     .drag = &L::DragLine,
     .release = &L::ReleaseDraggedLine},
    {.command = cmd::kLineClose,
     .cursor = res::kCursorAdd,
     .status = nullptr,
     .press = &L::PressChangeLine,
     .release = &L::ReleaseCloseLine},
    {.command = cmd::kLineCrossMarks,
     .cursor = res::kCursorAdd,
     .status = kLineCrossMarkStatus,
     .press = &L::PressCrossMark,
     .choose = &L::ChooseCrossMarks},
    {.command = cmd::kLineMultiTrace,
     .cursor = res::kCursorAdd,
     .status = kLineMultiTraceStatus,
     .press = &L::PressSegment,
     .drag = &L::DragSegment,
     .release = &L::ReleaseMultiTrace},
    {.command = cmd::kLineSetLayer,
     .cursor = res::kCursorPick,
     .status = kLineSetLayerStatus,
     .press = &L::PressSetLayer,
     .release = &L::ReleaseSetLayer,
     .choose = &L::ChooseSetLayer},
    {.command = cmd::kLinePolygon,
     .cursor = res::kCursorPick,
     .status = kLinePolygonStatus,
     .press = &L::PressPolygon,
     .choose = &L::ChoosePolygon},
    {.command = cmd::kLineSmooth,
     .cursor = res::kCursorAdd,
     .status = kLineSmoothStatus,
     .press = &L::PressChangeLine,
     .release = &L::ReleaseSmooth},
    {.command = cmd::kLineBSpline,
     .cursor = res::kCursorAdd,
     .status = kLineBSplineStatus,
     .press = &L::PressChangeLine,
     .release = &L::ReleaseBSpline},
    {.command = cmd::kLineFreehand,
     .cursor = res::kCursorFreehand,
     .status = kLineFreehandStatus,
     .press = &L::PressFreehand,
     .drag = &L::DragFreehand,
     .release = &L::ReleaseFreehand},
};
const CLineEditTool::SubModeInfo& CLineEditTool::Info(int subMode) {
  static_assert(std::size(kSubModes) == kFreehand + 1, "one row per sub-mode, in order");
  return kSubModes[subMode];
}

// ---- new line -------------------------------------------------------------------

void CLineEditTool::PressNewLine(POINT, const CFPoint& ip) {
  if (!m_current) {
    m_current = NewLayerLine(kLineNoRoom);
    if (!m_current) return;
    m_tracker = std::make_unique<CLineTracker>();
    host.ClipCursorToClient(true);
  }
  CChain* line = m_current;
  const RECT old = line->m_rcBounds;
  if (m_autoTrace && line->GetCount() > 0 && ImageSuitsTracing(*m_doc)) {
    const POINT from = Rounded(line->Points().back()), click = Rounded(ip);
    const int key = m_doc->GetTraceKey(click.x, click.y);
    IToolHost* h = &host;
    const int traced = TraceLine(*line, from, click, m_doc->m_image, key, g_traceSmoothing, *m_tracker,
                                 [h] { return h->IsEscapeDown(); });
    line->CalcBounds();
    if (!traced) {
      // A trace that closed the line or failed ends it with what it has.
      ClearRubber();
      m_current = nullptr;
      m_tracker.reset();
      host.ClipCursorToClient(false);
      host.Refresh();
      return;
    }
    // The view follows a trace that led on from the click, once its end
    // leaves the inner part of the view. A click that only added itself
    // (blank paper, nothing to follow) is where the user sees it: moving
    // the picture then would put the next click somewhere else.
    const POINT end = Rounded(line->Points().back());
    if (end.x != click.x || end.y != click.y) host.RecenterOnPoint(end, true);
  } else {
    line->AddPoint(ip.x, ip.y);
    CFPoint to;
    if (line->GetCount() == 1 && m_snap && SnapCandidate(line, line->Points().back(), to)) line->ReplaceNode(to, 0);
    line->CalcBounds();
  }
  m_anchor = line->Points().back();
  host.Feedback().Clear(kSlotRubber);
  RepaintBounds(Union(old, line->m_rcBounds), line);
  host.SetStatusText(kLineDrawingStatus);
}

void CLineEditTool::HoverNewLine(POINT client) {
  // Between presses: the rubber segment follows the mouse, button or not.
  if (m_current && m_current->GetCount() > 0) ShowRubberSegment(client);
}

// ---- new rectangle and new circle ----------------------------------------------------

void CLineEditTool::PressRubberRect(POINT client, const CFPoint&) { BeginDrag(client); }

void CLineEditTool::DragRubberRect(POINT client) {
  RECT r{m_drag.start.x, m_drag.start.y, client.x, client.y};
  NormalizeRect(r);
  host.Feedback().Set(kSlotRubber, FeedbackShape::Frame(r));
  host.RefreshFeedback();
}

void CLineEditTool::ReleaseRubberRect(const CFPoint&) {
  RECT client{m_drag.start.x, m_drag.start.y, m_drag.current.x, m_drag.current.y};
  host.Feedback().Clear(kSlotRubber);
  host.RefreshFeedback();
  if (client.left == client.right || client.top == client.bottom) return;
  RECT r = host.Transform().ClientToImage(client);
  NormalizeRect(r);
  CChain* line = NewLayerLine(kLineNoRoom);
  if (!line) return;
  if (m_subMode == kRectangle)
    line->MakeRectangle(r);
  else
    line->MakeCircle(r);
  RepaintLine(line);
}

// ---- freehand -----------------------------------------------------------------------

void CLineEditTool::PressFreehand(POINT client, const CFPoint&) {
  m_current = NewLayerLine(kLineNoMemoryBoundary);
  if (!m_current) return;
  m_drag.Begin(client.x, client.y, true, nullptr, &host);
  m_drag.ClipToClient();
  m_pressed = true;
}

void CLineEditTool::DragFreehand(POINT client) {
  if (!m_current) return;
  // The bounds grow with each point (no pass over the whole line per move);
  // only the new segment is painted.
  const CFPoint ip = ToImage(client);
  m_current->AddPoint(ip.x, ip.y);
  const std::int64_t n = m_current->GetCount();
  const POINT a = Rounded(ip), b = n > 1 ? Rounded(m_current->GetPoint(n - 2)) : a;
  const int w = std::max(m_current->GetPenWidth(), 1);
  const RECT seg{std::min(a.x, b.x) - w, std::min(a.y, b.y) - w, std::max(a.x, b.x) + w, std::max(a.y, b.y) + w};
  m_current->m_rcBounds = n > 1 ? Union(m_current->m_rcBounds, seg) : seg;
  RepaintBounds(seg, m_current);
}

void CLineEditTool::ReleaseFreehand(const CFPoint&) {
  host.ClipCursorToClient(false);
  if (m_current && m_current->GetCount() < 2) {
    // A click without a drag draws nothing.
    DropNonLine(m_current);
  } else if (m_current) {
    m_current->Smooth(kFreehandSmoothing);
    m_current->CalcBounds();
    RECT r = m_current->m_rcBounds;
    InflateRect(r, 3, 3);
    host.RefreshImageRect(r);
  }
  m_current = nullptr;
}

// ---- move node ------------------------------------------------------------------------

void CLineEditTool::PressMoveNode(POINT client, const CFPoint& ip) {
  CChain* line = PickLine(ip);
  if (!line) return;
  int d = 0;
  m_node = line->FindNearestVertex(ip, d);
  if (m_node < 0) return;
  m_current = line;
  m_savedBounds = line->m_rcBounds;
  BeginDrag(client);
  if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChain(line);
}

void CLineEditTool::DragMoveNode(POINT client) {
  if (!m_current || m_node < 0 || m_node >= m_current->GetCount()) return;
  m_current->ReplaceNode(ToImage(client), m_node);
  m_current->CalcBounds();
  std::vector<POINT> pts;
  if (m_node > 0) pts.push_back(ToClient(m_current->GetPoint(m_node - 1)));
  pts.push_back(client);
  if (m_node + 1 < m_current->GetCount()) pts.push_back(ToClient(m_current->GetPoint(m_node + 1)));
  host.Feedback().Set(kSlotRubber, FeedbackShape::Polyline(std::move(pts), ScaledWidth(m_current)));
  host.RefreshFeedback();
}

void CLineEditTool::ReleaseMoveNode(const CFPoint& ip) {
  host.Feedback().Clear(kSlotRubber);
  host.RefreshFeedback();
  CChain* line = m_current;
  m_current = nullptr;
  if (!line || m_node < 0 || m_node >= line->GetCount()) return;
  CFPoint to = ip, candidate;
  if (m_snap && SnapCandidate(line, ip, candidate)) to = candidate;
  line->ReplaceNode(to, m_node);
  line->CalcBounds();
  m_lines.m_nModified = 1;
  RepaintBounds(m_savedBounds, line);
  RepaintLine(line);
  m_node = -1;
}

// ---- delete node ----------------------------------------------------------------------

void CLineEditTool::PressDeleteNode(POINT, const CFPoint& ip) {
  CWaitCapture wait;
  const POSITION pos = m_lines.FindPosNearExcludingLayers(ip, m_excludedLayers);
  if (!pos) return;
  CChain* line = m_lines.GetAt(pos);
  int d = 0;
  if (line->FindNearestVertex(ip, d) < 0 || d >= kDeleteNodeReach) return;  // nothing to delete
  if (line->GetCount() == 1) {
    // Its only vertex goes: the line leaves the list, whole, into the
    // record, so Undo brings it back as it was.
    RemoveLine(pos);
    return;
  }
  const RECT old = line->m_rcBounds;
  if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChain(line);
  line->DeleteNearestVertex(ip, kDeleteNodeReach);
  line->CalcBounds();
  m_lines.m_nModified = 1;
  RepaintBounds(old, line);
}

void CLineEditTool::ChooseDeleteNode(const RECT& band) {
  EndAction(false);
  host.SetStatusText(Info(kDeleteNode).status);
  if (!IsRectEmpty(band) && host.MessageBox(kLineAskDeleteNodesInRect, MB_YESNO | MB_ICONQUESTION) == IDYES) {
    // Every node in the band goes at once; the sub-mode stays.
    DeleteNodesInRect(band);
    host.SetRubberBand(RECT{});
    host.Refresh();
    return;
  }
  Choose(kDeleteNode, false);
}

void CLineEditTool::DeleteNodesInRect(const RECT& band) {
  CLineUndoRecord* r = m_undo.NewRecord();
  if (!r) {
    host.MessageBox(kLineDeleteNodesNoMemory, MB_OK);
    return;
  }
  CObList changed, removed;
  m_lines.EraseVerticesInRect(band, &r->copies, &changed, &removed);
  r->SaveCut(CLineUndoRecord::kVerticesCut, changed, removed);
  if (r->lines.empty() && r->removed.IsEmpty()) m_undo.DiscardNewest();  // nothing changed
}

// ---- add node -------------------------------------------------------------------------

void CLineEditTool::PressAddNode(POINT, const CFPoint& ip) {
  CChain* line = PickLine(ip);
  if (!line) return;
  const RECT old = line->m_rcBounds;
  if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChain(line);
  line->InsertPoint(ip);
  m_lines.m_nModified = 1;
  RepaintBounds(Union(old, line->m_rcBounds), line);
}

// ---- delete line ----------------------------------------------------------------------

void CLineEditTool::PressDeleteLine(POINT, const CFPoint& ip) {
  CWaitCapture wait;
  const POSITION pos = m_lines.FindPosNearExcludingLayers(ip, m_excludedLayers);
  if (pos) RemoveLine(pos);
}

void CLineEditTool::RemoveLine(POSITION pos) {
  CChain* line = m_lines.GetAt(pos);
  RECT r = line->m_rcBounds;
  const int margin = 4 * ScaledWidth(line);
  InflateRect(r, margin, margin);
  m_lines.Detach(pos);
  m_lines.m_nModified = 1;
  if (CLineUndoRecord* rec = m_undo.NewRecord())
    rec->SaveDeletedChain(line);
  else
    delete line;
  host.RefreshImageRect(r);
}

// ---- split ----------------------------------------------------------------------------

void CLineEditTool::PressSplit(POINT, const CFPoint& ip) {
  CChain* line = PickLine(ip);
  if (!line) return;
  // The old state for Undo, taken before the split; nothing is left
  // behind when the split fails.
  std::unique_ptr<CChain> copy;
  try {
    copy = std::make_unique<CChain>(line);
    if (!copy->CopyFrom(line)) copy.reset();
  } catch (const std::bad_alloc&) {
    copy.reset();
  }
  CChain* part = m_lines.AddCopy(line);
  if (!part) return;
  const RECT old = line->m_rcBounds;
  if (!line->Split(ip, part)) {
    m_lines.DeleteChain(part);
    return;
  }
  if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveSplit(std::move(copy), line, part);
  RepaintBounds(old, line);
}

// ---- join -----------------------------------------------------------------------------

void CLineEditTool::PressJoin(POINT client, const CFPoint& ip) {
  CChain* line = PickLine(ip);
  if (!line) return;
  m_node = line->NearestEnd(ip);
  if (m_node < 0) return;
  m_current = line;
  m_anchor = line->GetPoint(m_node);
  BeginDrag(client);
}

void CLineEditTool::ReleaseJoin(const CFPoint& ip) {
  ClearRubber();
  CChain* line = m_current;
  m_current = nullptr;
  if (!line) return;
  POSITION pos = nullptr;
  CChain* other = m_lines.FindNearestEnd(ip, line->m_nLayer, pos, line);
  bool nearEnough = false;
  std::int64_t otherEnd = 0;
  if (other) {
    const CFPoint a = other->Points().front(), b = other->Points().back();
    otherEnd = Distance(a, ip) <= Distance(b, ip) ? 0 : other->GetCount() - 1;
    nearEnough = Distance(other->GetPoint(otherEnd), ip) <= m_snapDistance;
  }
  if (!nearEnough) {
    host.MessageBox(kLineCannotJoin, MB_OK);
    return;
  }
  const bool draggedFirst = m_node == 0, otherFirst = otherEnd == 0;
  const int pairing = draggedFirst ? (otherFirst ? 1 : 2) : (otherFirst ? 3 : 4);
  const RECT oldLine = line->m_rcBounds, oldOther = other->m_rcBounds;
  m_lines.Detach(pos);
  m_lines.m_nModified = 1;
  CLineUndoRecord* r = m_undo.NewRecord();
  std::unique_ptr<CChain> orphan;
  if (r)
    r->SaveChainAndList(line, other);  // the copy is taken before the join
  else
    orphan.reset(other);
  line->JoinChain(other, pairing);
  line->CalcBounds();
  host.SetStatusText(kLineJoined);
  RepaintBounds(Union(oldLine, line->m_rcBounds), line);
  RepaintBounds(oldOther, line);
}

// ---- copy line and move line ------------------------------------------------------------

void CLineEditTool::PressCopy(POINT client, const CFPoint& ip) {
  CChain* line = PickLine(ip);
  if (!line) return;
  CChain* copy = m_lines.NewChain();
  if (!copy || !copy->CopyFrom(line)) {
    if (copy) m_lines.DeleteChain(copy);
    host.MessageBox(kLineCopyNoMemory, MB_OK);
    return;
  }
  copy->m_nPenStyle = line->m_nPenStyle;
  if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveAddedChain(copy);
  std::string text;
  FormatString(text, kLineCopiedFormat, copy->m_fID);
  host.SetStatusText(text);
  HoldLineForDrag(copy, client);
}

void CLineEditTool::PressMoveLine(POINT client, const CFPoint& ip) {
  CChain* line = PickLine(ip);
  if (!line) return;
  if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChain(line);
  HoldLineForDrag(line, client);
}

void CLineEditTool::HoldLineForDrag(CChain* line, POINT client) {
  m_current = line;
  m_savedBounds = line->m_rcBounds;
  m_drag.Begin(client.x, client.y, true, nullptr, &host);
  m_drag.ClipToClient();
  m_pressed = true;
  ShowInverted(line);
}

void CLineEditTool::DragLine(POINT client) {
  if (!m_current) return;
  // The line follows the whole drag since the press.
  const CFPoint now = ToImage(client), before = ToImage(m_drag.previous);
  m_current->Translate(now.x - before.x, now.y - before.y);
  ShowInverted(m_current);
}

void CLineEditTool::ReleaseDraggedLine(const CFPoint&) {
  HideInverted();
  if (m_current) {
    m_lines.m_nModified = 1;
    RepaintBounds(Union(m_savedBounds, m_current->m_rcBounds), m_current);
  }
  m_current = nullptr;
}

// ---- assign ID and set layer ------------------------------------------------------------

CChain* CLineEditTool::HoldNearestInverted(const CFPoint& ip) {
  CChain* line = m_lines.FindChainNear(ip);
  if (!line) return nullptr;
  m_current = line;
  m_pressed = true;
  ShowInverted(line);
  return line;
}

void CLineEditTool::PressAssignId(POINT, const CFPoint& ip) {
  CChain* line = HoldNearestInverted(ip);
  if (!line) return;
  if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChainId(line);
  line->m_fID = m_lines.m_fCurrentID;
  if (m_lines.m_nAutoIncrement) m_lines.m_fCurrentID += m_lines.m_fIDIncrement;
  m_lines.m_nModified = 1;
}

void CLineEditTool::ReleaseAssignId(const CFPoint&) {
  HideInverted();
  if (m_current) {
    m_current->m_color = m_lines.m_idColors.GetColor(TruncInt(m_current->m_fID));
    RepaintLine(m_current);
  }
  m_current = nullptr;
}

void CLineEditTool::ChooseAssignId(const RECT& band) {
  EndAction(false);
  if (!IsRectEmpty(band) && host.MessageBox(kLineAskIdInRect, MB_YESNO | MB_ICONQUESTION) == IDYES) {
    m_lines.SetIDInRect(m_lines.m_fCurrentID, band);
    host.SetRubberBand(RECT{});
    host.RefreshImageRect(band);
  }
  Choose(kAssignId);
}

void CLineEditTool::PressSetLayer(POINT, const CFPoint& ip) {
  CChain* line = HoldNearestInverted(ip);
  if (!line) return;
  const CLayerList& layers = m_doc->m_layers;
  const int id = layers.GetCurrentLayerID();
  line->m_nLayer = id;
  if (const CLayer* l = layers.FindLayerByID(id)) {
    line->m_nPenStyle = l->m_nPenStyle;
    line->m_nWidth = std::max(l->m_nWidth, 1);
  }
  if (line->m_fID == 0.0f) line->m_color = layers.GetLayerColor(id);
  m_lines.m_nModified = 1;
}

void CLineEditTool::ReleaseSetLayer(const CFPoint&) {
  HideInverted();
  if (m_current) RepaintLine(m_current);
  m_current = nullptr;
}

void CLineEditTool::ChooseSetLayer(const RECT& band) {
  EndAction(false);
  if (!IsRectEmpty(band) && host.MessageBox(kLineAskLayerInRect, MB_YESNO | MB_ICONQUESTION) == IDYES) {
    const CLayerList& layers = m_doc->m_layers;
    const int layer = layers.GetCurrentLayerID();
    const CLayer* l = layers.FindLayerByID(layer);
    m_lines.SetAttributes(layer, layers.GetLayerColor(layer), l ? l->m_nPenStyle : 0, band);
    host.SetRubberBand(RECT{});
    host.Refresh();
  }
  Choose(kSetLayer);
}

// ---- show, close, smooth and B-spline a line -----------------------------------------------

CChain* CLineEditTool::ShowPickedLine(const CFPoint& ip) {
  CChain* line = PickLine(ip);
  if (!line) return nullptr;
  m_current = line;
  m_pressed = true;
  m_savedBounds = line->m_rcBounds;
  ShowInverted(line);
  host.SetStatusText(LineInfo(line));
  return line;
}

void CLineEditTool::ReleasePickedLine(void (*change)(CChain& line)) {
  HideInverted();
  if (m_current) {
    if (change) {
      change(*m_current);
      m_current->CalcBounds();
      m_lines.m_nModified = 1;
    }
    RepaintBounds(Union(m_savedBounds, m_current->m_rcBounds), m_current);
  }
  m_current = nullptr;
}

void CLineEditTool::PressShowLine(POINT, const CFPoint& ip) { ShowPickedLine(ip); }

void CLineEditTool::PressChangeLine(POINT, const CFPoint& ip) {
  if (CChain* line = ShowPickedLine(ip))
    if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChain(line);
}

void CLineEditTool::ReleaseShowLine(const CFPoint&) { ReleasePickedLine(nullptr); }

void CLineEditTool::ReleaseCloseLine(const CFPoint&) {
  ReleasePickedLine([](CChain& line) { line.Close(); });
}

void CLineEditTool::ReleaseSmooth(const CFPoint&) {
  ReleasePickedLine([](CChain& line) { line.Smooth(static_cast<float>(g_traceSmoothing)); });
}

void CLineEditTool::ReleaseBSpline(const CFPoint&) {
  ReleasePickedLine([](CChain& line) {
    CWaitCapture wait;
    line.SmoothBSpline(1, 3);
  });
}

// ---- contour values and multi-line tracing --------------------------------------------------

void CLineEditTool::PressSegment(POINT client, const CFPoint& ip) {
  m_anchor = ip;
  BeginDrag(client);
}

void CLineEditTool::DragSegment(POINT client) { ShowRubberSegment(client); }

void CLineEditTool::ReleaseContour(const CFPoint& ip) {
  ClearRubber();
  CChainSelection selection(&m_lines);
  m_lines.CollectCrossingLines(&selection, m_anchor.x, m_anchor.y, ip.x, ip.y);
  std::vector<CChain*> lines;
  for (const CChainSelectionItem* item : selection) lines.push_back(item->chain);
  if (lines.empty()) {
    host.Refresh();
    return;
  }
  ShowLines(lines);
  ContourValues values;
  FormatString(values.countText, "%ld", static_cast<long>(lines.size()));
  values.start = m_contourStart;
  values.increment = m_contourStep;
  const bool ok = host.RunDialog(values);
  ShowLines({});
  if (ok) {
    m_contourStart = values.start;
    m_contourStep = values.increment;
    // The old IDs are recorded only when new ones are given: a cancelled
    // dialog leaves no step to undo.
    if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveIds(lines);
    selection.AssignIDs(m_contourStart, m_contourStep);
    m_lines.m_nModified = 1;
  }
  host.Refresh();
}

void CLineEditTool::ReleaseMultiTrace(const CFPoint& ip) {
  ClearRubber();
  if (!ImageSuitsTracing(*m_doc)) return;
  const POINT start = Rounded(m_anchor), end = Rounded(ip);
  const int key = m_doc->GetTraceKey(start.x, start.y);
  const int layer = m_doc->m_layers.GetCurrentLayerID();
  IToolHost* h = &host;
  const int n =
      TraceLineEx(start, end, m_lines, m_doc->m_image, key, layer, g_traceSmoothing, [h] { return h->IsEscapeDown(); });
  if (n > 0) {
    POSITION pos = m_lines.GetTailPosition();
    for (int i = 0; i < n && pos; ++i) ApplyCurrentLayer(m_lines.GetPrev(pos));
    if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveLastAdded(m_lines, n);
    m_lines.m_nModified = 1;
  }
  host.Refresh();
}

// ---- crossing marks -------------------------------------------------------------------------

void CLineEditTool::PressCrossMark(POINT, const CFPoint& ip) {
  POSITION pos = nullptr;
  CBox* mark = m_doc->m_crossMarks.FindAtPoint(Rounded(ip), pos);
  if (!mark) return;
  const RECT rc = mark->m_rect;
  CLineUndoRecord* r = m_undo.NewRecord();
  CChainList scratch;  // the copies when no record could be made
  CObList changed, removed;
  const int done = m_lines.InsertPointInRect(rc, r ? &r->copies : &scratch, &changed, &removed);
  if (r) {
    r->SaveCut(CLineUndoRecord::kMarksShrunk, changed, removed);
    if (!done) m_undo.DiscardNewest();
  } else {
    while (!removed.IsEmpty()) delete static_cast<CChain*>(removed.RemoveHead());
  }
  if (!done) return;
  m_doc->m_crossMarks.RemoveAt(pos);
  RECT area = rc;
  InflateRect(area, 4, 4);
  host.RefreshImageRect(area);
}

void CLineEditTool::ChooseCrossMarks(const RECT& band) {
  EndAction(false);
  Choose(kCrossMarks);
  if (!IsRectEmpty(band)) {
    ShrinkMarksInRect(band);
    host.SetRubberBand(RECT{});
    host.Refresh();
  }
}

void CLineEditTool::ShrinkMarksInRect(const RECT& band) {
  CLineUndoRecord* r = m_undo.NewRecord();
  CChainList scratch;
  CObList changed, removed;
  m_lines.InsertPointInRect(band, r ? &r->copies : &scratch, &changed, &removed);
  if (r) {
    r->SaveCut(CLineUndoRecord::kMarksShrunk, changed, removed);
    if (r->lines.empty() && r->removed.IsEmpty()) m_undo.DiscardNewest();  // nothing changed
  } else {
    while (!removed.IsEmpty()) delete static_cast<CChain*>(removed.RemoveHead());
  }
}

// ---- polygon --------------------------------------------------------------------------------

void CLineEditTool::PressPolygon(POINT, const CFPoint& ip) {
  CChain* line = m_lines.FindChainNear(ip);
  if (!line) return;
  if (std::find(m_polygon.begin(), m_polygon.end(), line) != m_polygon.end()) {
    host.MessageBox(kLineAlreadySelected, MB_OK);
    return;
  }
  m_polygon.push_back(line);
  ShowSelection();
}

void CLineEditTool::ChoosePolygon(const RECT&) {
  // Chosen again with lines picked: they become the polygon.
  if (m_subMode == kPolygon && !m_polygon.empty()) BuildPolygon();
  EndAction(false);
  Choose(kPolygon);
}

}  // namespace qzn
