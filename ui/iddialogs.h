// The windows of the ID dialogs: the ID display colours, the current ID,
// automatic numbering, the ID conversion, the contour values and the
// modeless note dialog.
#pragma once

#include "ui/core/iddlgs.h"
#include "ui/dialogs.h"

namespace qzn {

CModelDialog* MakeIDColorDialog(wxWindow* parent, CIDColorDlg& model);
CModelDialog* MakeCurrentIDDialog(wxWindow* parent, CCurrentIDDlg& model);
CModelDialog* MakeIDRangeDialog(wxWindow* parent, CIDRangeDlg& model);
CModelDialog* MakeConvertIDDialog(wxWindow* parent, CConvertIDDlg& model);
CModelDialog* MakeContourValueDialog(wxWindow* parent, CContourValueDlg& model);
CModelDialog* MakeNoteDialog(wxWindow* parent, CNoteDlg& model);
void RegisterIDDialogs();

}  // namespace qzn
