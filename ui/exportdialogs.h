// The windows of the export option dialogs (DXF and its resolution dialog,
// MIF, shapefile, XYZ, SDL, ARC generate and point files, IGES), and the
// hook that makes 输出矢量 ask them.
#pragma once

#include "ui/core/exportdlgs.h"
#include "ui/dialogs.h"

namespace qzn {

CModelDialog* MakeDxfOutDialog(wxWindow* parent, CDxfOutDlg& model);
CModelDialog* MakeImageResDialog(wxWindow* parent, CImageResDlg& model);
CModelDialog* MakeMifParamDialog(wxWindow* parent, CMifParamDlg& model);
CModelDialog* MakeArcViewExportDialog(wxWindow* parent, CArcViewExportDlg& model);
CModelDialog* MakeXyzOptionsDialog(wxWindow* parent, CXyzOptionsDlg& model);
CModelDialog* MakeSdlOutputDialog(wxWindow* parent, CSdlOutputDlg& model);
CModelDialog* MakeArcPntExportDialog(wxWindow* parent, CArcPntExportDlg& model);
CModelDialog* MakeIgesOutDialog(wxWindow* parent, CIgesOutDlg& model);
// Registers the windows and installs the hook (once, by the desktop);
// RemoveExportDialogs takes the hook away again.
void RegisterExportDialogs();
void RemoveExportDialogs();

}  // namespace qzn
