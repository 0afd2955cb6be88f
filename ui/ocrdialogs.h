// The windows of the OCR training and signature dialogs over their models
// (ui/core/ocrdlg.h), registered under the dialogs' ids.
#pragma once

#include "ui/core/ocrdlg.h"
#include "ui/dialogs.h"

namespace qzn {

CModelDialog* MakeOcrTrainDialog(wxWindow* parent, COcrTrainDlg& model);
CModelDialog* MakeOcrSignatureDialog(wxWindow* parent, COcrSignatureDlg& model);
void RegisterOcrDialogs();

}  // namespace qzn
