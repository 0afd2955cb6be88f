// The line commands of the Vector menu that open a dialog over the lines
// (smooth, remove by length, delete by ID or type, B-spline, snapping,
// polygons, direction) and the layer commands of the Edit menu.
#include "model/helpers.h"
#include "resources/commands.h"
#include "ui/core/directiondlg.h"
#include "ui/core/layerdlgs.h"
#include "ui/core/linecleanupdlg.h"
#include "ui/core/polygondlg.h"
#include "ui/core/smalldialogs.h"
#include "ui/core/snapdlg.h"
#include "ui/core/viewcommands_common.h"

namespace qzn::vc {

namespace {

bool LinesNotEditing(const CQznView& v) { return HasLines(v) && !InMode(v, EditMode::kLineEdit); }
bool HasLinesAndPoints(const CQznView& v) { return HasLines(v) && HasPoints(v); }
bool HasAnythingToTurn(const CQznView& v) { return HasLines(v) || HasPoints(v) || HasNotes(v); }
// The layer dialogs change what the line, point and note tools hold.
bool NoObjectTool(const CQznView& v) {
  return HasDoc(v) && !InMode(v, EditMode::kLineEdit) && !InMode(v, EditMode::kPointEdit) &&
         !InMode(v, EditMode::kAnnotation);
}

// A dialog that works on the lines itself (apply, then OK or Cancel, which
// gives every line back): the current tool lets go of the lines first, and
// the view shows what the dialog left.
void RunOverLines(CQznView& v, CDialogModel& dlg) {
  SettleTools(v);
  DoModal(dlg);
  v.Refresh();
}

// The dialogs that also offer the rubber band as their area, and those
// over all lines.
template <class Dialog>
void WithArea(CQznView& v) {
  Dialog dlg(&v, v.rubberBand);
  RunOverLines(v, dlg);
}
template <class Dialog>
void OverLines(CQznView& v) {
  Dialog dlg(&v);
  RunOverLines(v, dlg);
}

void AdjustDirection(CQznView& v) {
  CAdjustDirectionDlg dlg(&v, v.Document());
  RunOverLines(v, dlg);
}

void DeleteByIdRange(CQznView& v) {
  CDeleteIDRangeDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  SettleTools(v);
  CChainList& lines = Doc(v).m_lines;
  lines.DeleteByIDRange(dlg.fromId, dlg.toId);
  lines.m_nModified = 1;
  v.Refresh();
}

void LabelPolygons(CQznView& v) {
  CLabelPolygonDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  SettleTools(v);
  CQznDoc& d = Doc(v);
  CWaitCapture wait;
  d.m_lines.LabelPolygons(&d.m_points, dlg.choice == 0);
  v.Refresh();
}

void SnapPolygons(CQznView& v) {
  CSnapDistanceDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  SettleTools(v);
  {
    CWaitCapture wait;
    Doc(v).m_lines.SnapPolygons(static_cast<int>(dlg.distance));
  }
  v.Refresh();
}

// ---- layers ------------------------------------------------------------------------------------

void DefineLayers(CQznView& v) {
  CLayerManageDlg dlg;
  dlg.doc = v.Document();
  dlg.view = &v;
  DoModal(dlg);
  Host().UpdateLayerBar(v.Document());
  v.Refresh();
}

void LayerOperation(CQznView& v) {
  CLayerOperationDlg dlg;
  dlg.doc = v.Document();
  if (DoModal(dlg) == IDOK) v.Refresh();
}

void LayerColours(CQznView& v) {
  CLayerColorDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  CQznDoc& d = Doc(v);
  CLayerList& layers = d.m_layers;
  const int id = layers.GetCurrentLayerID();
  switch (dlg.choice) {
    case 0: {
      const COLORREF colour = layers.GetLayerColor(id);
      d.m_lines.SetLayerColor(id, colour);
      d.m_points.SetLayerColor(id, colour);
      break;
    }
    case 1:
    case 2:
      d.m_lines.ApplyLayerColors(&layers, dlg.choice - 1);
      d.m_points.ApplyLayerColors(layers, dlg.choice - 1);
      break;
    default: return;
  }
  v.Refresh();
}

bool HasLayers(const CQznView& v) { return HasDoc(v) && !v.Document()->m_layers.m_layers.empty(); }

constexpr ViewCommand kCommands[] = {
    {cmd::kVectorSmooth, LinesNotEditing, nullptr, WithArea<CSmoothLinesDlg>},
    {cmd::kVectorRemoveLines, LinesNotEditing, nullptr, WithArea<CRemoveLinesDlg>},
    {cmd::kVectorDeleteById, LinesNotEditing, nullptr, DeleteByIdRange},
    {cmd::kVectorDeleteByType, LinesNotEditing, nullptr, WithArea<CDeleteByTypeDlg>},
    {cmd::kVectorBSpline, HasLines, nullptr, OverLines<CBSplineDlg>},
    {cmd::kVectorSnap, LinesNotEditing, nullptr, OverLines<CSnapLinesDlg>},
    {cmd::kVectorSnapEndpoints, LinesNotEditing, nullptr, OverLines<CSnapEndpointsDlg>},
    {cmd::kVectorClosePolygons, LinesNotEditing, nullptr, OverLines<CClosePolygonDlg>},
    {cmd::kVectorLabelPolygons, HasLinesAndPoints, nullptr, LabelPolygons},
    {cmd::kVectorSnapPolygons, LinesNotEditing, nullptr, SnapPolygons},
    {cmd::kVectorAdjustDirection, HasAnythingToTurn, nullptr, AdjustDirection},
    {cmd::kEditDefineLayers, NoObjectTool, nullptr, DefineLayers},
    {cmd::kEditLayerOps, NoObjectTool, nullptr, LayerOperation},
    {cmd::kLineColourByLayer, HasLayers, nullptr, LayerColours},
};

}  // namespace

std::span<const ViewCommand> LineDialogCommands() { return kCommands; }

}  // namespace qzn::vc
