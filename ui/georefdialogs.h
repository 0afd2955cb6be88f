// The windows of the georeferencing dialogs: one control point, the
// control-point statistics, the warp method, and the UTM and State Plane
// conversions. Each is a CModelDialog over its model (ui/core), registered
// under the dialog's id so DoModal(model) shows it.
#pragma once

#include "ui/core/controlptdlg.h"
#include "ui/core/projectiondlg.h"
#include "ui/dialogs.h"

namespace qzn {

CModelDialog* MakeControlPtDialog(wxWindow* parent, CControlPtDlg& model);
CModelDialog* MakeControlPtStatDialog(wxWindow* parent, CControlPtStatDlg& model);
CModelDialog* MakeWarpDialog(wxWindow* parent, CWarpDlg& model);
CModelDialog* MakeUtmConvertDialog(wxWindow* parent, CUtmConvertDlg& model);
CModelDialog* MakeStatePlaneDialog(wxWindow* parent, CStatePlaneDlg& model);
void RegisterGeorefDialogs();

}  // namespace qzn
