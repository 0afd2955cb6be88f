#include "ui/core/linetool.h"

#include <algorithm>
#include <cmath>

#include "model/helpers.h"
#include "model/layer.h"
#include "platform/host.h"
#include "resources/commands.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "resources/toolcommands.h"
#include "ui/core/linetool_internal.h"
#include "ui/core/snapdlg.h"
#include "ui/core/toolsettings.h"

namespace qzn {

namespace {

using namespace res::text;

using namespace linetool;

// The closing tolerance of a polygon built from picked lines.
constexpr int kPolygonTolerance = 50;

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
  if (host.CursorKind() != kCoordPage) return std::max(w, 1);
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

void CLineEditTool::EndAction(bool close) {
  // A press still under way (a shortcut chose the command while the button
  // is down) ends first, as a lost capture would end it: otherwise the line
  // it picked would stay the current line and the next sub-mode would take
  // it for its own (a new line would grow onto it).
  OnCaptureLost();
  Finish(close);
  host.ClipCursorToClient(false);
}

void CLineEditTool::Choose(int subMode, bool withStatus) {
  const SubModeInfo& s = Info(subMode);
  SetSubMode(subMode, s.cursor, withStatus ? s.status : nullptr);
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

void CLineEditTool::BeginDrag(POINT client) {
  m_drag.Begin(client.x, client.y, true, nullptr, &host);
  m_pressed = true;
}

void CLineEditTool::OnLButtonDown(POINT p, unsigned) {
  const SubModeInfo& s = Info(m_subMode);
  if (s.press) (this->*s.press)(p, ToImage(p));
}

void CLineEditTool::OnMouseMove(POINT p, unsigned) {
  const SubModeInfo& s = Info(m_subMode);
  if (s.hover) {
    (this->*s.hover)(p);
    return;
  }
  if (!m_drag.active) return;
  m_drag.Move(p.x, p.y);
  if (s.drag) (this->*s.drag)(p);
  m_drag.Commit();
}

void CLineEditTool::OnLButtonUp(POINT p, unsigned) {
  if (!m_pressed) return;
  m_pressed = false;
  const CFPoint ip = ToImage(p);
  if (m_drag.active) {
    m_drag.Move(p.x, p.y);
    m_drag.End();
  }
  const SubModeInfo& s = Info(m_subMode);
  if (s.release) (this->*s.release)(ip);
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
    case cmd::kLineSnapNodes: return m_snap && !m_snapToEnds;
    case cmd::kLineSnapEnds: return m_snap && m_snapToEnds;
    case cmd::kLineAutoTrace: return m_autoTrace && m_subMode == kNewLine;
    default: return Info(m_subMode).command == id;
  }
}

bool CLineEditTool::IsItemEnabled(int id) const {
  if (id == cmd::kLineSetLayer) return m_doc->m_layers.GetCount() >= 2;
  if (id == cmd::kEditUndo) return CanUndo();
  return true;
}

void CLineEditTool::UpdateMenu() { RebuildMenu(res::kMenuLineTool); }

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
  for (int sub = kNewLine; sub <= kFreehand; ++sub) {
    const SubModeInfo& s = Info(sub);
    if (s.command != id) continue;
    if (s.choose) {
      (this->*s.choose)(band);
    } else {
      EndAction(s.closesLine);
      Choose(sub);
    }
    return true;
  }
  switch (id) {
    case kLineSetId: {
      EndAction(false);
      host.SetStatusText(kSetCurrentIdStatus);
      CurrentIdValues v;
      v.currentId = m_lines.m_fCurrentID;
      v.autoIncrement = m_lines.m_nAutoIncrement != 0;
      v.increment = m_lines.m_fIDIncrement;
      if (host.RunDialog(v)) {
        m_lines.m_fCurrentID = v.currentId;
        m_lines.m_nAutoIncrement = v.autoIncrement ? 1 : 0;
        m_lines.m_fIDIncrement = v.increment;
        Choose(kAssignId);
      }
      return true;
    }
    case kLineAutoTrace:
      host.SetStatusText(kLineAutoTraceStatus);
      ToggleAutoTrace(true);
      m_doc->m_lineTool.autoTrace = m_autoTrace ? 1 : 0;
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
    case kLineDeleteAll:
      Finish(false);
      host.SetStatusText(kLineDeleteAllStatus);
      DeleteAllLines();
      return true;
    case kEditUndo:
    case kLineRestore: Undo(); return true;
    case kEditDone: EndAction(false); return false;  // the view ends the mode as well
    default: return false;
  }
}

}  // namespace qzn
