// The windows of the resample, background, colour classification and image
// properties dialogs.
#pragma once

#include "ui/core/imagedlgs.h"
#include "ui/dialogs.h"

namespace qzn {

CModelDialog* MakeResampleDialog(wxWindow* parent, CResampleDlg& model);
CModelDialog* MakeRemoveBackgroundDialog(wxWindow* parent, CRemoveBackgroundDlg& model);
CModelDialog* MakeColorClassifyDialog(wxWindow* parent, CColorClassifyDlg& model);
CModelDialog* MakeImageInfoDialog(wxWindow* parent, CImageInfoDlg& model);
void RegisterImageDialogs();

}  // namespace qzn
