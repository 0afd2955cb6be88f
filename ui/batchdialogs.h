// The windows of the batch vectorise dialog and the script editor, each a
// CModelDialog over its model (ui/core/batchdlg.h), registered under the
// dialog's id so DoModal(model) shows it.
#pragma once

#include "ui/core/batchdlg.h"
#include "ui/dialogs.h"

namespace qzn {

CModelDialog* MakeBatchVectorizeDialog(wxWindow* parent, CBatchVectorizeDlg& model);
CModelDialog* MakeBatchScriptDialog(wxWindow* parent, CBatchScriptDlg& model);
void RegisterBatchDialogs();

}  // namespace qzn
