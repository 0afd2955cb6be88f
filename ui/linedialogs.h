// The windows of the line dialogs: clean-up (remove, delete by type, smooth,
// B-spline), snap, polygons, direction and georeferenced import. Each is a
// CModelDialog over its model (ui/core), registered under the dialog's id so
// DoModal(model) shows it.
#pragma once

#include "ui/core/directiondlg.h"
#include "ui/core/linecleanupdlg.h"
#include "ui/core/polygondlg.h"
#include "ui/core/snapdlg.h"
#include "ui/dialogs.h"

namespace qzn {

CModelDialog* MakeRemoveLinesDialog(wxWindow* parent, CRemoveLinesDlg& model);
CModelDialog* MakeDeleteByTypeDialog(wxWindow* parent, CDeleteByTypeDlg& model);
CModelDialog* MakeSmoothLinesDialog(wxWindow* parent, CSmoothLinesDlg& model);
CModelDialog* MakeBSplineDialog(wxWindow* parent, CBSplineDlg& model);
CModelDialog* MakeSnapLinesDialog(wxWindow* parent, CSnapLinesDlg& model);
CModelDialog* MakeSnapEndpointsDialog(wxWindow* parent, CSnapEndpointsDlg& model);
CModelDialog* MakeSnapDistanceDialog(wxWindow* parent, CSnapDistanceDlg& model);
CModelDialog* MakeClosePolygonDialog(wxWindow* parent, CClosePolygonDlg& model);
CModelDialog* MakeLabelPolygonDialog(wxWindow* parent, CLabelPolygonDlg& model);
CModelDialog* MakeAdjustDirectionDialog(wxWindow* parent, CAdjustDirectionDlg& model);
CModelDialog* MakeImportGeoVectorDialog(wxWindow* parent, CImportGeoVectorDlg& model);
void RegisterLineDialogs();

}  // namespace qzn
