// The windows of the 3D dialogs (grid mesh size, DEM settings, 3D
// settings, scale, drape area) over their models in ui/core/dialogs3d.h,
// and a modal runner over a chosen parent for the 3D commands.
#pragma once

#include "ui/core/dialogs3d.h"
#include "ui/dialogs.h"

namespace qzn {

CModelDialog* MakeGridMeshSizeDialog(wxWindow* parent, CGridMeshSizeDlg& model);
CModelDialog* MakeDemSettingsDialog(wxWindow* parent, CDemSettingsDlg& model);
CModelDialog* Make3DSettingsDialog(wxWindow* parent, C3DSettingsDlg& model);
CModelDialog* Make3DScaleDialog(wxWindow* parent, C3DScaleDlg& model);
CModelDialog* MakeDrapeAreaDialog(wxWindow* parent, CDrapeAreaDlg& model);

// Registers the five windows above by their dialogs' ids.
void Register3DDialogs();
// Makes the registered window of a model dialog, shows it modally over
// parent and destroys it; true for OK. A model without a window is not
// shown (false).
bool RunDialogModal(wxWindow* parent, CDialogModel& model);

}  // namespace qzn
