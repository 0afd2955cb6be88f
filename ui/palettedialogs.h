// The windows of the display dialogs: the palette with its grid of 256
// cells, the contrast bars, the colours of a 1-bit image and the drawing
// values of the image edit tool.
#pragma once

#include "ui/core/contrastdlgs.h"
#include "ui/core/palettedlg.h"
#include "ui/dialogs.h"

namespace qzn {

// The palette's 16 x 16 cells, painted from the dialog's entries; a drag
// draws the selection as a black-and-white dashed frame over the cells.
class CPaletteGrid : public wxWindow {
 public:
  CPaletteGrid(wxWindow* parent, CPaletteDlg& model);

 private:
  void OnPaint(wxPaintEvent& e);
  void OnSize(wxSizeEvent& e);
  void OnDown(wxMouseEvent& e);
  void OnMove(wxMouseEvent& e);
  void OnUp(wxMouseEvent& e);
  void OnCaptureLost(wxMouseCaptureLostEvent& e);
  void SyncFrame();
  CPaletteDlg& m_model;
};

CModelDialog* MakePaletteDialog(wxWindow* parent, CPaletteDlg& model);
CModelDialog* MakeContrastDialog(wxWindow* parent, CContrastDlg& model);
CModelDialog* MakeImageColorDialog(wxWindow* parent, CImageColorDlg& model);
CModelDialog* MakeBinaryValueDialog(wxWindow* parent, CBinaryValueDlg& model);
CModelDialog* MakeColorPixelValueDialog(wxWindow* parent, CColorPixelValueDlg& model);
CModelDialog* MakePixelValueDialog(wxWindow* parent, CPixelValueDlg& model);
void RegisterPaletteDialogs();

}  // namespace qzn
