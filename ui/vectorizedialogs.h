// The windows of the vectorisation, threshold and auto-trace dialogs.
#pragma once

#include "ui/core/vectorizedlgs.h"
#include "ui/dialogs.h"

namespace qzn {

CModelDialog* MakeVectorizeDialog(wxWindow* parent, CVectorizeDlg& model);
CModelDialog* MakeThresholdDialog(wxWindow* parent, CThresholdDlg& model);
CModelDialog* MakeAutoTraceDialog(wxWindow* parent, CAutoTraceDlg& model);
void RegisterVectorizeDialogs();

}  // namespace qzn
