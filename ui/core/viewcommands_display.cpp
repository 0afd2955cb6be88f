// The View menu: the overlay switches, colours, fonts, filled polygons and
// the workspace size.
#include <algorithm>
#include <cstring>

#include "resources/commands.h"
#include "resources/messages_viewcommands.h"
#include "ui/core/viewcommands_common.h"
#include "ui/core/viewdialogs.h"

namespace qzn::vc {

namespace {

// ---- overlay switches -------------------------------------------------------------------

bool HasRoi(const CQznView& v) { return HasDoc(v) && !v.Document()->m_roi.IsEmpty(); }
bool HasTriangles(const CQznView& v) { return HasDoc(v) && !v.Document()->m_triangles.IsEmpty(); }
bool HasControlPoints(const CQznView& v) { return ControlPointCount(v) > 0; }
bool LinesShown(const CQznView& v) { return HasLines(v) && v.flags.lines; }

template <bool CDisplayFlags::*flag>
void Toggle(CQznView& v) {
  v.flags.*flag = !(v.flags.*flag);
  v.Refresh();
}
// The flag's check mark while its data is there.
template <bool CDisplayFlags::*flag, bool (*data)(const CQznView&)>
bool Shown(const CQznView& v) {
  return data(v) && v.flags.*flag;
}
template <bool CDisplayFlags::*flag>
bool FlagOn(const CQznView& v) {
  return v.flags.*flag;
}

bool CanShowNodes(const CQznView& v) { return LinesShown(v); }
bool CanUseNodeColour(const CQznView& v) { return LinesShown(v) && v.flags.nodes; }
bool CanUseEndColour(const CQznView& v) { return LinesShown(v) && v.flags.endPoints; }
bool CanShowNoteFrames(const CQznView& v) { return v.flags.annotations && HasNotes(v); }
bool UsesNodeColour(const CQznView& v) { return v.userNodeColor; }
bool UsesEndColour(const CQznView& v) { return v.userEndColor; }

// The user's colours of nodes and end points show only while they are.
void ToggleNodeColour(CQznView& v) {
  v.userNodeColor = !v.userNodeColor;
  if (v.flags.nodes) v.Refresh();
}
void ToggleEndColour(CQznView& v) {
  v.userEndColor = !v.userEndColor;
  if (v.flags.endPoints) v.Refresh();
}

// ---- colours of nodes and end points ---------------------------------------------------

void ChooseNodeColour(CQznView& v) {
  IViewServices* s = ViewServices();
  COLORREF c = Doc(v).m_display.nodeColor;
  if (!s || !s->ChooseColor(c, c)) return;
  Doc(v).m_display.nodeColor = c;
  Doc(v).SetSettingsModified();
  v.flags.nodes = true;
  v.userNodeColor = true;
  v.Refresh();
}

void ChooseEndColour(CQznView& v) {
  IViewServices* s = ViewServices();
  COLORREF c = Doc(v).m_display.endColor;
  if (!s || !s->ChooseColor(c, c)) return;
  Doc(v).m_display.endColor = c;
  Doc(v).SetSettingsModified();
  v.flags.endPoints = true;
  v.userEndColor = true;
  v.Refresh();
}

// ---- filled polygons --------------------------------------------------------------------

bool FillsPolygons(const CQznView& v) { return v.fillClosedLines; }
void ToggleFillPolygons(CQznView& v) {
  v.fillClosedLines = !v.fillClosedLines;
  v.Refresh();
}

// ---- fonts ------------------------------------------------------------------------------------

// The font dialog on a list's font; OK keeps the font (made when there was
// none) and its colour, and repaints while those labels are shown.
bool ChooseListFont(CQznView& v, std::unique_ptr<LOGFONT>& font, COLORREF& colour, bool shown, bool startFromWindow) {
  IViewServices* s = ViewServices();
  if (!s) return false;
  LOGFONT edited{};
  bool has = font != nullptr;
  if (has)
    edited = *font;
  else if (startFromWindow) {
    edited = s->WindowFont();
    has = true;
  }
  COLORREF c = colour;
  if (!s->ChooseFont(edited, c, has)) return false;
  if (!font) font = std::make_unique<LOGFONT>();
  *font = edited;
  colour = c;
  if (shown) v.Refresh();
  return true;
}

void LineIdFont(CQznView& v) {
  CChainList& l = Doc(v).m_lines;
  if (ChooseListFont(v, l.m_pIdFont, l.m_idTextColor, v.flags.lineIds, false)) Doc(v).SetLinesModified(1);
}
void PointIdFont(CQznView& v) {
  CPtList& p = Doc(v).m_points;
  if (ChooseListFont(v, p.m_pLabelFont, p.m_labelColor, v.flags.pointIds, false)) p.m_nModified = 1;
}
void NoteFont(CQznView& v) {
  CNoteList& n = Doc(v).m_notes;
  if (ChooseListFont(v, n.m_pFont, n.m_textColor, v.flags.annotations, true)) n.m_nModified = 1;
}

using F = CDisplayFlags;
// ---- workspace size ----------------------------------------------------------------------

bool NoImage(const CQznView& v) { return HasDoc(v) && !HasImage(v); }

// The extent grown to hold every shown line and point; a single point (a
// rectangle without area) counts as well.
RECT DataArea(const CQznDoc& d) {
  RECT area = d.m_extent;
  auto include = [&area](const RECT& r) {
    area = RECT{std::min(area.left, r.left), std::min(area.top, r.top), std::max(area.right, r.right),
                std::max(area.bottom, r.bottom)};
  };
  if (!d.m_lines.IsEmpty()) include(d.m_lines.GetBounds());
  if (!d.m_points.IsEmpty()) include(d.m_points.GetBoundsInt());
  return area;
}

void WorkspaceSize(CQznView& v) {
  CQznDoc& d = Doc(v);
  CWorkspaceDlg dlg;
  dlg.area = d.m_extent;
  dlg.defaultArea = DataArea(d);
  if (DoModal(dlg) != IDOK || !d.SetExtent(dlg.area)) return;
  v.OnViewFullView();
}

constexpr ViewCommand kCommands[] = {
    {cmd::kViewWorkspaceSize, NoImage, nullptr, WorkspaceSize},
    {cmd::kOverlayImage, HasImage, Shown<&F::image, HasImage>, Toggle<&F::image>},
    {cmd::kOverlayRoi, HasRoi, Shown<&F::roi, HasRoi>, Toggle<&F::roi>},
    {cmd::kOverlayLines, HasLines, Shown<&F::lines, HasLines>, Toggle<&F::lines>},
    {cmd::kOverlayNodes, CanShowNodes, Shown<&F::nodes, HasLines>, Toggle<&F::nodes>},
    {cmd::kOverlayUserNodeColour, CanUseNodeColour, UsesNodeColour, ToggleNodeColour},
    {cmd::kOverlayEndPoints, LinesShown, Shown<&F::endPoints, HasLines>, Toggle<&F::endPoints>},
    {cmd::kOverlayUserEndColour, CanUseEndColour, UsesEndColour, ToggleEndColour},
    {cmd::kOverlayLineIds, LinesShown, Shown<&F::lineIds, HasLines>, Toggle<&F::lineIds>},
    {cmd::kOverlayPoints, HasPoints, Shown<&F::points, HasPoints>, Toggle<&F::points>},
    {cmd::kOverlayPointIds, HasPoints, Shown<&F::pointIds, HasPoints>, Toggle<&F::pointIds>},
    {cmd::kOverlayControlPoints, HasControlPoints, Shown<&F::controlPoints, HasControlPoints>,
     Toggle<&F::controlPoints>},
    {cmd::kOverlayControlPointIds, HasControlPoints, FlagOn<&F::controlPointIds>, Toggle<&F::controlPointIds>},
    {cmd::kOverlayTriangulation, HasTriangles, Shown<&F::triangulation, HasTriangles>, Toggle<&F::triangulation>},
    {cmd::kOverlayTextBlocks, HasBlocks, Shown<&F::textBlocks, HasBlocks>, Toggle<&F::textBlocks>},
    {cmd::kOverlayNotes, HasNotes, Shown<&F::annotations, HasNotes>, Toggle<&F::annotations>},
    {cmd::kOverlayNoteFrames, CanShowNoteFrames, FlagOn<&F::annotationFrames>, Toggle<&F::annotationFrames>},
    {cmd::kOverlayCrossMarks, HasCrossMarks, Shown<&F::crossMarks, HasCrossMarks>, Toggle<&F::crossMarks>},
    {cmd::kLineColourNodes, HasLines, nullptr, ChooseNodeColour},
    {cmd::kLineColourEnds, HasLines, nullptr, ChooseEndColour},
    {cmd::kViewFillPolygons, nullptr, FillsPolygons, ToggleFillPolygons},
    {cmd::kViewLineIdFont, HasLines, nullptr, LineIdFont},
    {cmd::kViewPointIdFont, HasPoints, nullptr, PointIdFont},
    {cmd::kViewNoteFont, HasNotes, nullptr, NoteFont},
};

}  // namespace

std::span<const ViewCommand> DisplayCommands() { return kCommands; }

}  // namespace qzn::vc
