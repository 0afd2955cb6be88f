// The windows of the dialogs that take the files of a new image: the raw
// image header, the mosaic, the colour composite and colourise dialogs.
#pragma once

#include "ui/core/mosaicdlgs.h"
#include "ui/core/rawimagedlg.h"
#include "ui/dialogs.h"

namespace qzn {

CModelDialog* MakeRawImageDialog(wxWindow* parent, CRawImageDlg& model);
CModelDialog* MakeMosaicDialog(wxWindow* parent, CMosaicDlg& model);
CModelDialog* MakeColorCompositeDialog(wxWindow* parent, CColorCompositeDlg& model);
CModelDialog* MakeColorizeDialog(wxWindow* parent, CColorizeDlg& model);
void RegisterMosaicDialogs();

}  // namespace qzn
