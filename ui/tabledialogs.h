// The windows of the two table dialogs: the colour-feature table and the
// vector report, each a table control (CGridCtrl, id 391) with its buttons
// over its model (ui/core). The table belongs to the window: the model
// uses it only while the window is open.
#pragma once

#include "ui/core/colorfeaturedlg.h"
#include "ui/core/reportdlg.h"
#include "ui/dialogs.h"

namespace qzn {

class CGridCtrl;

CModelDialog* MakeColorFeatureDialog(wxWindow* parent, CColorFeatureDlg& model);
CModelDialog* MakeVectorReportDialog(wxWindow* parent, CVectorReportDlg& model);
void RegisterTableDialogs();

}  // namespace qzn
