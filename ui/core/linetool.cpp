#include "ui/core/linetool.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/chain_internal.h"
#include "model/helpers.h"
#include "model/layer.h"
#include "platform/host.h"
#include "resources/commands.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "resources/toolcommands.h"
#include "ui/core/snapdlg.h"
#include "ui/core/toolsettings.h"

namespace qzn {

namespace {

using namespace res::text;

// Feedback slots of the tool: the rubber segment or rectangle, the picked
// line shown inverted, and the polygon selection from kSlotSelection on.
constexpr int kSlotRubber = kSlotToolFirstFree;
constexpr int kSlotInverted = kSlotToolFirstFree + 1;
constexpr int kSlotSelection = 64;

// A press within this many image pixels of a vertex deletes it.
constexpr int kDeleteNodeReach = 20;
// The smoothing threshold a freehand line gets at the release.
constexpr float kFreehandSmoothing = 0.2f;
// The closing tolerance of a polygon built from picked lines.
constexpr int kPolygonTolerance = 50;

RECT Union(const RECT& a, const RECT& b) {
  RECT r;
  UnionRect(r, a, b);
  return r;
}

POINT Rounded(const CFPoint& p) { return POINT{RoundPixel(p.x), RoundPixel(p.y)}; }

double Distance(const CFPoint& a, const CFPoint& b) {
  return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

}  // namespace

// ---- construction ------------------------------------------------------------

CLineEditTool::CLineEditTool(IToolHost& h, CQznDoc* doc)
    : CUndoTool(h, res::kCursorAdd, kUndoDepth), m_doc(doc), m_lines(doc->m_lines) {
  m_doc->m_layers.GetMarkedLayerIDs(m_excludedLayers);
  const CLineToolSettings& s = m_doc->m_lineTool;
  m_snap = s.snap != 0;
  m_snapToEnds = s.snapToEndPoints != 0;
  m_snapDistance = std::max(s.snapDistance, 2);
  m_autoTrace = s.autoTrace != 0 && ImageSuitsTracing(*m_doc);
  RebuildMenu(res::kMenuLineTool);
}

CLineEditTool::~CLineEditTool() {
  ClearSelection();
  Finish(false);
  EndDrag();
  // Lines that ended up with one vertex or none are no lines.
  m_lines.DeleteSmallInRect(0, 1, RECT{}, TRUE);
  m_lines.m_nModified = 1;
  host.Feedback().Clear(kSlotRubber);
  host.Feedback().Clear(kSlotInverted);
}

bool CLineEditTool::ImageSuitsTracing(const CQznDoc& doc) {
  const CRasterImage& img = doc.m_image;
  if (!img.HasPixels()) return false;
  if (img.bitsPerSample == 1) return true;
  if (doc.IsGreyImage()) return doc.m_nThreshLow != 0 || doc.m_nThreshHigh != 0;
  return doc.IsPaletteImage();
}

// ---- helpers ------------------------------------------------------------------

CFPoint CLineEditTool::ToImage(POINT c) const {
  return host.Transform().ClientToImageF(CFPoint(static_cast<float>(c.x), static_cast<float>(c.y)));
}

POINT CLineEditTool::ToClient(const CFPoint& p) const { return host.Transform().ImageToClientPixel(p); }

int CLineEditTool::ScaledWidth(const CChain* line) const {
  const int w = line ? line->GetPenWidth() : 1;
  if (host.CursorKind() != 2) return std::max(w, 1);
  return std::max(1, static_cast<int>(std::lround(w * host.Transform().GetScaleX())));
}

void CLineEditTool::RepaintBounds(const RECT& bounds, const CChain* line) {
  if (IsRectEmpty(bounds) && bounds.left == 0 && bounds.right == 0 && bounds.top == 0 && bounds.bottom == 0) return;
  RECT r = bounds;
  const int margin = 4 * ScaledWidth(line);
  InflateRect(r, margin, margin);
  host.RefreshImageRect(r);
}

void CLineEditTool::RepaintLine(const CChain* line) {
  if (line) RepaintBounds(line->m_rcBounds, line);
}

CChain* CLineEditTool::PickLine(const CFPoint& p) const {
  return m_lines.FindChainNearExcludingLayers(p, m_excludedLayers);
}

void CLineEditTool::ApplyCurrentLayer(CChain* line) const {
  const CLayerList& layers = m_doc->m_layers;
  const int id = layers.GetCurrentLayerID();
  line->m_nLayer = id;
  line->m_color = layers.GetLayerColor(id);
  if (const CLayer* l = layers.FindLayerByID(id)) {
    line->m_nPenStyle = l->m_nPenStyle;
    line->m_nWidth = std::max(l->m_nWidth, 1);
  }
}

CChain* CLineEditTool::NewLayerLine(const char* noMemory) {
  CChain* line = m_lines.NewChain();
  if (!line) {
    host.MessageBox(noMemory, MB_OK | MB_ICONSTOP);
    return nullptr;
  }
  ApplyCurrentLayer(line);
  if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveAddedChain(line);
  return line;
}

FeedbackShape CLineEditTool::InvertedShape(const CChain* line) const {
  std::vector<POINT> pts;
  pts.reserve(static_cast<std::size_t>(line->GetCount()));
  for (const CFPoint& v : line->Points()) pts.push_back(ToClient(v));
  return FeedbackShape::Polyline(std::move(pts), ScaledWidth(line));
}

void CLineEditTool::ShowInverted(const CChain* line) {
  host.Feedback().Set(kSlotInverted, InvertedShape(line));
  host.RefreshFeedback();
}

void CLineEditTool::HideInverted() {
  host.Feedback().Clear(kSlotInverted);
  host.RefreshFeedback();
}

void CLineEditTool::ShowRubberSegment(POINT client) {
  host.Feedback().Set(kSlotRubber, FeedbackShape::Line(ToClient(m_anchor), client, ScaledWidth(m_current)));
  host.RefreshFeedback();
}

void CLineEditTool::ClearRubber() {
  host.Feedback().Clear(kSlotRubber);
  host.RefreshFeedback();
}

void CLineEditTool::ShowLines(const std::vector<CChain*>& lines) {
  for (int slot = kSlotSelection; host.Feedback().Has(slot); ++slot) host.Feedback().Clear(slot);
  int slot = kSlotSelection;
  for (const CChain* line : lines) host.Feedback().Set(slot++, InvertedShape(line));
  host.RefreshFeedback();
}

void CLineEditTool::ShowSelection() { ShowLines(m_polygon); }

void CLineEditTool::ClearSelection() {
  m_polygon.clear();
  ShowSelection();
}

bool CLineEditTool::SnapCandidate(const CChain* line, const CFPoint& v, CFPoint& to) const {
  if (m_snapToEnds) {
    const CChain* other = m_lines.FindNearestEndAnyLayer(v, line);
    if (!other || other->GetCount() == 0) return false;
    const CFPoint a = other->Points().front(), b = other->Points().back();
    to = Distance(a, v) <= Distance(b, v) ? a : b;
  } else {
    CChain* other = const_cast<CChainList&>(m_lines).FindChainNearOther(v, line, 0);
    if (!other) return false;
    int d = 0;
    const std::int64_t i = other->FindNearestVertex(v, d);
    if (i < 0) return false;
    to = other->GetPoint(i);
  }
  return Distance(to, v) <= m_snapDistance;
}

void CLineEditTool::SetSubMode(int subMode, int cursor, const char* status) {
  m_subMode = subMode;
  cursorId = cursor;
  if (status) host.SetStatusText(status);
}

std::string CLineEditTool::LineInfo(const CChain* line) const {
  char layer[256];
  m_doc->GetLayerName(line->m_nLayer, layer, sizeof layer);
  std::string text;
  if (line->IsClosed(0))
    FormatString(text, kLineInfoClosedFormat, layer, line->m_fID, line->GetArea(), line->GetLength());
  else
    FormatString(text, kLineInfoFormat, layer, line->m_fID, line->GetLength());
  return text;
}

bool CLineEditTool::ToggleAutoTrace(bool checkImage) {
  if (m_autoTrace) {
    m_autoTrace = false;
    return true;
  }
  if (checkImage && !ImageSuitsTracing(*m_doc)) {
    if (m_doc->IsGreyImage() && m_doc->m_image.HasPixels())
      host.MessageBox(kTraceNeedsThreshold, MB_OK | MB_ICONINFORMATION);
    else
      host.MessageBox(kTraceUnsupportedImage, MB_OK | MB_ICONSTOP);
    return false;
  }
  m_autoTrace = true;
  return true;
}

void CLineEditTool::DropDeleted(const std::vector<const CChain*>& deleted) {
  bool selectionChanged = false;
  for (const CChain* d : deleted) {
    if (d == m_current) m_current = nullptr;
    const auto it = std::find(m_polygon.begin(), m_polygon.end(), d);
    if (it != m_polygon.end()) {
      m_polygon.erase(it);
      selectionChanged = true;
    }
  }
  if (selectionChanged) ShowSelection();
}

void CLineEditTool::EndDrag() {
  if (m_drag.active) m_drag.End();
  m_pressed = false;
}

// ---- Finish -------------------------------------------------------------------

void CLineEditTool::DropNonLine(CChain* line) {
  // Not a line: it goes, and so does every undo step that refers to it, so
  // that Undo never has a step without a visible effect.
  const RECT old = line->m_rcBounds;
  const int width = ScaledWidth(line);
  m_undo.Forget(line);
  m_lines.DeleteChain(line);
  RECT r = old;
  InflateRect(r, 4 * width, 4 * width);
  host.RefreshImageRect(r);
}

void CLineEditTool::Finish(bool close) {
  if (m_subMode != kPolygon && !m_polygon.empty()) ClearSelection();
  if (m_subMode != kNewLine || !m_current) return;
  ClearRubber();
  CChain* line = m_current;
  m_current = nullptr;
  m_tracker.reset();
  const RECT old = line->m_rcBounds;
  if (line->GetCount() < 2) {
    DropNonLine(line);
    return;
  }
  if (close) {
    line->Close();
  } else if (m_snap) {
    CFPoint to;
    if (SnapCandidate(line, line->Points().back(), to)) line->ReplaceNode(to, line->GetCount() - 1);
  }
  line->CalcBounds();
  RepaintBounds(Union(old, line->m_rcBounds), line);
}

// ---- drawing ------------------------------------------------------------------

void CLineEditTool::Draw(CCanvas& dc) {
  if (m_subMode == kNewLine && m_current) {
    const CDisplayFlags& f = host.Flags();
    m_current->Draw(dc, host.Transform(), host.DrawOptions(), f.endPoints, 1, f.lineIds, m_doc->m_nDecimalIDs);
  }
}

// ---- mouse --------------------------------------------------------------------

void CLineEditTool::PressNewLine(const CFPoint& ip) {
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

void CLineEditTool::PressDeleteNode(const CFPoint& ip) {
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

void CLineEditTool::PressDeleteLine(const CFPoint& ip) {
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

void CLineEditTool::PressSplit(const CFPoint& ip) {
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

void CLineEditTool::PressCrossMark(const CFPoint& ip) {
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

void CLineEditTool::PressPolygon(const CFPoint& ip) {
  CChain* line = m_lines.FindChainNear(ip);
  if (!line) return;
  if (std::find(m_polygon.begin(), m_polygon.end(), line) != m_polygon.end()) {
    host.MessageBox(kLineAlreadySelected, MB_OK);
    return;
  }
  m_polygon.push_back(line);
  ShowSelection();
}

void CLineEditTool::OnLButtonDown(POINT p, unsigned) {
  const CFPoint ip = ToImage(p);
  m_pressImage = ip;
  switch (m_subMode) {
    case kNewLine: PressNewLine(ip); return;
    case kRectangle:
    case kCircle:
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_pressed = true;
      return;
    case kMoveNode: {
      CChain* line = PickLine(ip);
      if (!line) return;
      int d = 0;
      m_node = line->FindNearestVertex(ip, d);
      if (m_node < 0) return;
      m_current = line;
      m_savedBounds = line->m_rcBounds;
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_pressed = true;
      if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChain(line);
      return;
    }
    case kDeleteNode: PressDeleteNode(ip); return;
    case kDeleteLine: PressDeleteLine(ip); return;
    case kAddNode: {
      CChain* line = PickLine(ip);
      if (!line) return;
      const RECT old = line->m_rcBounds;
      if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChain(line);
      line->InsertPoint(ip);
      m_lines.m_nModified = 1;
      RepaintBounds(Union(old, line->m_rcBounds), line);
      return;
    }
    case kSplit: PressSplit(ip); return;
    case kAssignId:
    case kSetLayer: {
      CChain* line = m_lines.FindChainNear(ip);
      if (!line) return;
      m_current = line;
      m_pressed = true;
      ShowInverted(line);
      if (m_subMode == kAssignId) {
        if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChainId(line);
        line->m_fID = m_lines.m_fCurrentID;
        if (m_lines.m_nAutoIncrement) m_lines.m_fCurrentID += m_lines.m_fIDIncrement;
      } else {
        const CLayerList& layers = m_doc->m_layers;
        const int id = layers.GetCurrentLayerID();
        line->m_nLayer = id;
        if (const CLayer* l = layers.FindLayerByID(id)) {
          line->m_nPenStyle = l->m_nPenStyle;
          line->m_nWidth = std::max(l->m_nWidth, 1);
        }
        if (line->m_fID == 0.0f) line->m_color = layers.GetLayerColor(id);
      }
      m_lines.m_nModified = 1;
      return;
    }
    case kShowLine:
    case kCloseLine:
    case kSmooth:
    case kBSpline: {
      CChain* line = PickLine(ip);
      if (!line) return;
      m_current = line;
      m_pressed = true;
      m_savedBounds = line->m_rcBounds;
      ShowInverted(line);
      host.SetStatusText(LineInfo(line));
      if (m_subMode != kShowLine)
        if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChain(line);
      return;
    }
    case kContour:
    case kMultiTrace:
      m_anchor = ip;
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_pressed = true;
      return;
    case kJoin: {
      CChain* line = PickLine(ip);
      if (!line) return;
      m_node = line->NearestEnd(ip);
      if (m_node < 0) return;
      m_current = line;
      m_anchor = line->GetPoint(m_node);
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_pressed = true;
      return;
    }
    case kCopy:
    case kMoveLine: {
      CChain* line = PickLine(ip);
      if (!line) return;
      if (m_subMode == kCopy) {
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
        line = copy;
      } else {
        if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChain(line);
      }
      m_current = line;
      m_savedBounds = line->m_rcBounds;
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_drag.ClipToClient();
      m_pressed = true;
      ShowInverted(line);
      return;
    }
    case kCrossMarks: PressCrossMark(ip); return;
    case kPolygon: PressPolygon(ip); return;
    case kFreehand: {
      m_current = NewLayerLine(kLineNoMemoryBoundary);
      if (!m_current) return;
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_drag.ClipToClient();
      m_pressed = true;
      return;
    }
    default: return;
  }
}

void CLineEditTool::OnMouseMove(POINT p, unsigned) {
  if (m_subMode == kNewLine) {
    // Between presses: the rubber segment follows the mouse, button or not.
    if (m_current && m_current->GetCount() > 0) ShowRubberSegment(p);
    return;
  }
  if (!m_drag.active) return;
  m_drag.Move(p.x, p.y);
  switch (m_subMode) {
    case kRectangle:
    case kCircle: {
      RECT r{m_drag.start.x, m_drag.start.y, p.x, p.y};
      NormalizeRect(r);
      host.Feedback().Set(kSlotRubber, FeedbackShape::Frame(r));
      host.RefreshFeedback();
      break;
    }
    case kMoveNode:
      if (m_current && m_node >= 0 && m_node < m_current->GetCount()) {
        m_current->ReplaceNode(ToImage(p), m_node);
        m_current->CalcBounds();
        std::vector<POINT> pts;
        if (m_node > 0) pts.push_back(ToClient(m_current->GetPoint(m_node - 1)));
        pts.push_back(p);
        if (m_node + 1 < m_current->GetCount()) pts.push_back(ToClient(m_current->GetPoint(m_node + 1)));
        host.Feedback().Set(kSlotRubber, FeedbackShape::Polyline(std::move(pts), ScaledWidth(m_current)));
        host.RefreshFeedback();
      }
      break;
    case kContour:
    case kMultiTrace:
    case kJoin: ShowRubberSegment(p); break;
    case kCopy:
    case kMoveLine:
      if (m_current) {
        // The line follows the whole drag since the press.
        const CFPoint now = ToImage(p), before = ToImage(m_drag.previous);
        m_current->Translate(now.x - before.x, now.y - before.y);
        ShowInverted(m_current);
      }
      break;
    case kFreehand:
      if (m_current) {
        // The bounds grow with each point (no pass over the whole line per
        // move); only the new segment is painted.
        const CFPoint ip = ToImage(p);
        m_current->AddPoint(ip.x, ip.y);
        const std::int64_t n = m_current->GetCount();
        const POINT a = Rounded(ip), b = n > 1 ? Rounded(m_current->GetPoint(n - 2)) : a;
        const int w = std::max(m_current->GetPenWidth(), 1);
        const RECT seg{std::min(a.x, b.x) - w, std::min(a.y, b.y) - w, std::max(a.x, b.x) + w, std::max(a.y, b.y) + w};
        m_current->m_rcBounds = n > 1 ? Union(m_current->m_rcBounds, seg) : seg;
        RepaintBounds(seg, m_current);
      }
      break;
    default: break;
  }
  m_drag.Commit();
}

void CLineEditTool::ReleaseRectangle() {
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

void CLineEditTool::OnLButtonUp(POINT p, unsigned) {
  if (!m_pressed) return;
  m_pressed = false;
  const CFPoint ip = ToImage(p);
  if (m_drag.active) {
    m_drag.Move(p.x, p.y);
    m_drag.End();
  }
  switch (m_subMode) {
    case kRectangle:
    case kCircle: ReleaseRectangle(); break;
    case kMoveNode: {
      host.Feedback().Clear(kSlotRubber);
      host.RefreshFeedback();
      CChain* line = m_current;
      m_current = nullptr;
      if (!line || m_node < 0 || m_node >= line->GetCount()) break;
      CFPoint to = ip, candidate;
      if (m_snap && SnapCandidate(line, ip, candidate)) to = candidate;
      line->ReplaceNode(to, m_node);
      line->CalcBounds();
      m_lines.m_nModified = 1;
      RepaintBounds(m_savedBounds, line);
      RepaintLine(line);
      m_node = -1;
      break;
    }
    case kAssignId:
    case kSetLayer:
      HideInverted();
      if (m_current) {
        if (m_subMode == kAssignId) m_current->m_color = m_lines.m_idColors.GetColor(TruncInt(m_current->m_fID));
        RepaintLine(m_current);
      }
      m_current = nullptr;
      break;
    case kShowLine:
    case kCloseLine:
    case kSmooth:
    case kBSpline:
      HideInverted();
      if (m_current) {
        if (m_subMode == kCloseLine) {
          m_current->Close();
        } else if (m_subMode == kSmooth) {
          m_current->Smooth(static_cast<float>(g_traceSmoothing));
        } else if (m_subMode == kBSpline) {
          CWaitCapture wait;
          m_current->SmoothBSpline(1, 3);
        }
        if (m_subMode != kShowLine) {
          m_current->CalcBounds();
          m_lines.m_nModified = 1;
        }
        RepaintBounds(Union(m_savedBounds, m_current->m_rcBounds), m_current);
      }
      m_current = nullptr;
      break;
    case kContour: ReleaseContour(ip); break;
    case kMultiTrace: ReleaseMultiTrace(ip); break;
    case kJoin: ReleaseJoin(ip); break;
    case kCopy:
    case kMoveLine:
      HideInverted();
      if (m_current) {
        m_lines.m_nModified = 1;
        RepaintBounds(Union(m_savedBounds, m_current->m_rcBounds), m_current);
      }
      m_current = nullptr;
      break;
    case kFreehand:
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
      break;
    default: break;
  }
}

void CLineEditTool::OnCaptureLost() {
  if (m_pressed) OnLButtonUp(m_drag.current, 0);
}

// ---- keys ---------------------------------------------------------------------

bool CLineEditTool::BuildPolygon() {
  if (m_polygon.empty()) return false;
  CChain* polygon = m_lines.NewChain();
  if (polygon) {
    CChainList selected;  // borrowed for the join, forgotten afterwards
    for (CChain* c : m_polygon) selected.Adopt(c);
    const BOOL ok = selected.JoinIntoOne(kPolygonTolerance, polygon);
    selected.DetachAll();
    if (ok) {
      ApplyCurrentLayer(polygon);
      m_lines.m_nModified = 1;
    } else {
      m_lines.DeleteChain(polygon);
    }
  }
  ClearSelection();
  host.Refresh();
  return true;
}

void CLineEditTool::OnChar(unsigned ch, unsigned, unsigned) {
  if (m_subMode == kPolygon) {
    if (ch == 8 || ch == 27) {
      if (!m_polygon.empty()) m_polygon.pop_back();
      ShowSelection();
    } else {
      BuildPolygon();
    }
    host.Refresh();
    return;
  }
  if (m_subMode != kNewLine) return;
  switch (ch) {
    case 'C':
    case 'c':
      Finish(true);
      host.ClipCursorToClient(false);
      break;
    case 'S':
    case 's': {
      CChain* line = m_current;
      if (!line || line->GetCount() == 0) {
        Finish(false);
        break;
      }
      CChain* other = m_lines.FindChainNearOther(line->Points().back(), line, 1);
      if (!other) {
        Finish(false);
        host.ClipCursorToClient(false);
        break;
      }
      ClearRubber();
      // The absorbing line is recorded first, so Undo gives back its
      // vertices; the drawn line and every step that refers to it go.
      m_undo.Forget(line);
      if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChain(other);
      other->JoinNearEnds(line);
      other->CalcBounds();
      m_current = nullptr;
      m_tracker.reset();
      m_lines.DeleteChain(line);
      host.ClipCursorToClient(false);
      RepaintLine(other);
      break;
    }
    case 'T':
    case 't':
      // As the menu's switch would, image checks included; not stored in
      // the document.
      ToggleAutoTrace(true);
      return;
    case 8:  // Backspace
      if (m_current && m_current->GetCount() > 1) {
        const RECT old = m_current->m_rcBounds;
        m_current->DeleteVertex(m_current->GetCount() - 1);
        m_current->CalcBounds();
        m_anchor = m_current->Points().back();
        ClearRubber();
        RepaintBounds(old, m_current);
      } else {
        Finish(false);
      }
      break;
    default:
      Finish(false);
      host.ClipCursorToClient(false);
      break;
  }
  host.Refresh();
}

// ---- undo ---------------------------------------------------------------------

void CLineEditTool::Undo() {
  if (m_subMode == kNewLine && m_current && m_current->GetCount() > 1) {
    const RECT old = m_current->m_rcBounds;
    m_current->DeleteVertex(m_current->GetCount() - 1);
    m_current->CalcBounds();
    m_anchor = m_current->Points().back();
    ClearRubber();
    RepaintBounds(old, m_current);
    return;
  }
  if (m_current && m_current->GetCount() < 2) {
    m_current = nullptr;
    m_tracker.reset();
    ClearRubber();
  }
  std::vector<const CChain*> deleted;
  if (!m_undo.Undo(m_lines, &deleted)) return;
  DropDeleted(deleted);
  if (m_subMode == kNewLine && m_current && m_current->GetCount() > 0) m_anchor = m_current->Points().back();
  host.Refresh();
}

void CLineEditTool::FinishAndDrop() {
  Finish(false);
  EndDrag();
  host.Feedback().Clear(kSlotRubber);
  host.Feedback().Clear(kSlotInverted);
  ClearSelection();
  m_current = nullptr;
  m_tracker.reset();
  m_node = -1;
  m_undo.Clear();
  host.ClipCursorToClient(false);
  host.RefreshFeedback();
}

// ---- commands -----------------------------------------------------------------

bool CLineEditTool::IsChecked(int id) const {
  switch (id) {
    case cmd::kLineNew: return m_subMode == kNewLine;
    case cmd::kLineRectangle: return m_subMode == kRectangle;
    case cmd::kLineCircle: return m_subMode == kCircle;
    case cmd::kLineMoveNode: return m_subMode == kMoveNode;
    case cmd::kLineDeleteNode: return m_subMode == kDeleteNode;
    case cmd::kLineDelete: return m_subMode == kDeleteLine;
    case cmd::kLineAddNode: return m_subMode == kAddNode;
    case cmd::kLineSplit: return m_subMode == kSplit;
    case cmd::kLineAssignId: return m_subMode == kAssignId;
    case cmd::kLineShow: return m_subMode == kShowLine;
    case cmd::kLineContour: return m_subMode == kContour;
    case cmd::kLineJoin: return m_subMode == kJoin;
    case cmd::kLineCopy: return m_subMode == kCopy;
    case cmd::kLineMove: return m_subMode == kMoveLine;
    case cmd::kLineClose: return m_subMode == kCloseLine;
    case cmd::kLineCrossMarks: return m_subMode == kCrossMarks;
    case cmd::kLineMultiTrace: return m_subMode == kMultiTrace;
    case cmd::kLineSetLayer: return m_subMode == kSetLayer;
    case cmd::kLinePolygon: return m_subMode == kPolygon;
    case cmd::kLineSmooth: return m_subMode == kSmooth;
    case cmd::kLineBSpline: return m_subMode == kBSpline;
    case cmd::kLineFreehand: return m_subMode == kFreehand;
    case cmd::kLineSnapNodes: return m_snap && !m_snapToEnds;
    case cmd::kLineSnapEnds: return m_snap && m_snapToEnds;
    case cmd::kLineAutoTrace: return m_autoTrace && m_subMode == kNewLine;
    default: return false;
  }
}

bool CLineEditTool::IsItemEnabled(int id) const {
  if (id == cmd::kLineSetLayer) return m_doc->m_layers.GetCount() >= 2;
  if (id == cmd::kEditUndo) return CanUndo();
  return true;
}

void CLineEditTool::UpdateMenu() { RebuildMenu(res::kMenuLineTool); }

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

void CLineEditTool::DeleteAllLines() {
  const RECT band = host.GetRubberBand();
  if (IsRectEmpty(band)) {
    if (host.MessageBox(kLineAskDeleteAll, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    CWaitCapture wait;
    CChainList taken;
    taken.AdoptAll(m_lines);
    m_lines.m_nModified = 1;
    if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChainList(taken);
  } else {
    if (host.MessageBox(kLineAskDeleteAllInRect, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    CObList moved;
    m_lines.MoveInsideRect(band, &moved, TRUE);
    m_lines.m_nModified = 1;
    CChainList taken;
    while (!moved.IsEmpty()) taken.Adopt(static_cast<CChain*>(moved.RemoveHead()));
    if (CLineUndoRecord* r = m_undo.NewRecord()) r->SaveChainList(taken);
    host.SetRubberBand(RECT{});
  }
  host.Refresh();
}

bool CLineEditTool::OnCommand(int id) {
  using namespace cmd;
  const RECT band = host.GetRubberBand();
  const bool haveBand = !IsRectEmpty(band);
  auto begin = [&](bool close) {
    Finish(close);
    host.ClipCursorToClient(false);
  };
  switch (id) {
    case kLineNew:
      begin(false);
      SetSubMode(kNewLine, res::kCursorAdd, kLineNewStatus);
      return true;
    case kLineRectangle:
      begin(true);
      SetSubMode(kRectangle, res::kCursorAdd, kLineRectangleStatus);
      return true;
    case kLineCircle:
      begin(true);
      SetSubMode(kCircle, res::kCursorAdd, kLineCircleStatus);
      return true;
    case kLineMoveNode:
      begin(false);
      SetSubMode(kMoveNode, res::kCursorMove, kLineMoveNodeStatus);
      return true;
    case kLineDeleteNode:
      begin(false);
      host.SetStatusText(kLineDeleteNodeStatus);
      if (haveBand && host.MessageBox(kLineAskDeleteNodesInRect, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        DeleteNodesInRect(band);
        host.SetRubberBand(RECT{});
        host.Refresh();
        return true;
      }
      SetSubMode(kDeleteNode, res::kCursorDelete, nullptr);
      return true;
    case kLineDelete:
      begin(false);
      SetSubMode(kDeleteLine, res::kCursorDelete, kLineDeleteStatus);
      return true;
    case kLineAddNode:
      begin(false);
      SetSubMode(kAddNode, res::kCursorAdd, kLineAddNodeStatus);
      return true;
    case kLineSplit:
      begin(false);
      SetSubMode(kSplit, res::kCursorAdd, kLineSplitStatus);
      return true;
    case kLineAssignId:
      begin(false);
      if (haveBand && host.MessageBox(kLineAskIdInRect, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        m_lines.SetIDInRect(m_lines.m_fCurrentID, band);
        host.SetRubberBand(RECT{});
        host.RefreshImageRect(band);
      }
      SetSubMode(kAssignId, res::kCursorAssignId, kLineAssignIdStatus);
      return true;
    case kLineShow:
      begin(false);
      SetSubMode(kShowLine, res::kCursorPick, nullptr);
      return true;
    case kLineCopy:
      begin(false);
      SetSubMode(kCopy, res::kCursorPick, nullptr);
      return true;
    case kLineClose:
      begin(false);
      SetSubMode(kCloseLine, res::kCursorAdd, nullptr);
      return true;
    case kLineSetId: {
      begin(false);
      host.SetStatusText(kSetCurrentIdStatus);
      CurrentIdValues v;
      v.currentId = m_lines.m_fCurrentID;
      v.autoIncrement = m_lines.m_nAutoIncrement != 0;
      v.increment = m_lines.m_fIDIncrement;
      if (host.RunDialog(v)) {
        m_lines.m_fCurrentID = v.currentId;
        m_lines.m_nAutoIncrement = v.autoIncrement ? 1 : 0;
        m_lines.m_fIDIncrement = v.increment;
        SetSubMode(kAssignId, res::kCursorAssignId, kLineAssignIdStatus);
      }
      return true;
    }
    case kLineContour:
      begin(false);
      SetSubMode(kContour, res::kCursorAdd, kLineContourStatus);
      return true;
    case kLineJoin:
      begin(false);
      SetSubMode(kJoin, res::kCursorAdd, kLineJoinStatus);
      return true;
    case kLineAutoTrace:
      host.SetStatusText(kLineAutoTraceStatus);
      ToggleAutoTrace(true);
      m_doc->m_lineTool.autoTrace = m_autoTrace ? 1 : 0;
      return true;
    case kLineCrossMarks:
      begin(false);
      SetSubMode(kCrossMarks, res::kCursorAdd, kLineCrossMarkStatus);
      if (haveBand) {
        ShrinkMarksInRect(band);
        host.SetRubberBand(RECT{});
        host.Refresh();
      }
      return true;
    case kLineMultiTrace:
      begin(false);
      SetSubMode(kMultiTrace, res::kCursorAdd, kLineMultiTraceStatus);
      return true;
    case kLineSetLayer:
      begin(false);
      if (haveBand && host.MessageBox(kLineAskLayerInRect, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        const CLayerList& layers = m_doc->m_layers;
        const int layer = layers.GetCurrentLayerID();
        const CLayer* l = layers.FindLayerByID(layer);
        m_lines.SetAttributes(layer, layers.GetLayerColor(layer), l ? l->m_nPenStyle : 0, band);
        host.SetRubberBand(RECT{});
        host.Refresh();
      }
      SetSubMode(kSetLayer, res::kCursorPick, kLineSetLayerStatus);
      return true;
    case kLineSnapNodes:
      m_snap = !(m_snap && !m_snapToEnds);
      m_snapToEnds = false;
      m_doc->m_lineTool.snap = m_snap ? 1 : 0;
      m_doc->m_lineTool.snapToEndPoints = 0;
      return true;
    case kLineSnapEnds:
      if (m_snap && m_snapToEnds) {
        m_snap = false;
      } else {
        m_snap = true;
        m_snapToEnds = true;
      }
      m_doc->m_lineTool.snap = m_snap ? 1 : 0;
      m_doc->m_lineTool.snapToEndPoints = m_snapToEnds ? 1 : 0;
      return true;
    case kLineSnapDistance: {
      CSnapDistanceDlg dlg;
      dlg.distance = static_cast<unsigned>(std::max(m_snapDistance, 1));
      if (DoModal(dlg) == IDOK) {
        m_snapDistance = std::max(static_cast<int>(std::min(dlg.distance, 1000u)), 2);
        m_doc->m_lineTool.snapDistance = m_snapDistance;
      }
      return true;
    }
    case kLinePolygon:
      if (m_subMode == kPolygon && !m_polygon.empty()) BuildPolygon();
      begin(false);
      SetSubMode(kPolygon, res::kCursorPick, kLinePolygonStatus);
      return true;
    case kLineMove:
      begin(false);
      SetSubMode(kMoveLine, res::kCursorMove, kLineMoveStatus);
      return true;
    case kLineSmooth:
      begin(false);
      SetSubMode(kSmooth, res::kCursorAdd, kLineSmoothStatus);
      return true;
    case kLineBSpline:
      begin(false);
      SetSubMode(kBSpline, res::kCursorAdd, kLineBSplineStatus);
      return true;
    case kLineFreehand:
      begin(false);
      SetSubMode(kFreehand, res::kCursorFreehand, kLineFreehandStatus);
      return true;
    case kLineDeleteAll:
      Finish(false);
      host.SetStatusText(kLineDeleteAllStatus);
      DeleteAllLines();
      return true;
    case kEditUndo:
    case kLineRestore: Undo(); return true;
    case kEditDone:
      Finish(false);
      host.ClipCursorToClient(false);
      return false;  // the view ends the mode as well
    default: return false;
  }
}

}  // namespace qzn
