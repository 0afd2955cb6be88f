// The windows of the layer dialogs: the layer manager with its owner-drawn
// layer list, the line type and fill pattern dialogs, the layer operation
// and the layer colour choice.
#pragma once

#include <wx/vlbox.h>

#include "ui/core/layerdlgs.h"
#include "ui/dialogs.h"

namespace qzn {

// The layer manager's list: one painted row per layer of the dialog's
// copy; a click selects or deselects a row, leaving the others as they are.
class CLayerListBox : public wxVListBox {
 public:
  CLayerListBox(wxWindow* parent, int id, const CLayerList& layers);
  int RowHeight() const;

 private:
  void OnDrawItem(wxDC& dc, const wxRect& rect, std::size_t n) const override;
  void OnDrawBackground(wxDC& dc, const wxRect& rect, std::size_t n) const override;
  wxCoord OnMeasureItem(std::size_t n) const override;
  void OnClick(wxMouseEvent& e);
  const CLayerList& m_layers;
};

CModelDialog* MakeLayerManageDialog(wxWindow* parent, CLayerManageDlg& model);
CModelDialog* MakeLineTypeDialog(wxWindow* parent, CLineTypeDlg& model);
CModelDialog* MakeHatchFillDialog(wxWindow* parent, CHatchFillDlg& model);
CModelDialog* MakeLayerOperationDialog(wxWindow* parent, CLayerOperationDlg& model);
CModelDialog* MakeLayerColorDialog(wxWindow* parent, CLayerColorDlg& model);
void RegisterLayerDialogs();

}  // namespace qzn
