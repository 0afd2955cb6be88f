// Dialogs on the data-exchange layer: a wx dialog shows a CDialogModel's
// controls by their ids; OK runs the model's validation and closes only
// when it passes; clicks reach the model's OnClicked. Each dialog places
// itself at the main window's bottom-right corner.
#pragma once

#include <wx/dialog.h>

#include "ui/core/dataexchange.h"
#include "ui/core/smalldialogs.h"

namespace qzn {

// The name of a radio group's hidden button that stands for "none chosen".
extern const char kNoChoice[];

// IDialogControls over the child windows of a wx window, found by id.
class CWxDialogControls : public IDialogControls {
 public:
  explicit CWxDialogControls(wxWindow& dialog) : m_dialog(dialog) {}
  std::string GetText(int id) const override;
  void SetText(int id, const std::string& utf8) override;
  bool GetCheck(int id) const override;
  void SetCheck(int id, bool checked) override;
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) const override;
  void SetFocus(int id) override;

 private:
  wxWindow& m_dialog;
};

class CModelDialog : public wxDialog {
 public:
  CModelDialog(wxWindow* parent, CDialogModel& model, const wxString& title);
  CDialogModel& Model() { return m_model; }
  CWxDialogControls& Controls() { return m_controls; }
  // Fills the controls from the model, runs its initialisation and moves
  // to the corner; the layouts below call it once they made the controls.
  void Finish();
  // What the OK button does (public so tests press it): true when the
  // dialog ended with OK.
  bool PressOK();

 private:
  void OnOK(wxCommandEvent& e);
  void OnClick(wxCommandEvent& e);
  CDialogModel& m_model;
  CWxDialogControls m_controls;
};

// The three small dialogs' windows.
CModelDialog* MakeRotateImageDialog(wxWindow* parent, CRotateImageDlg& model);
CModelDialog* MakeDeleteIdRangeDialog(wxWindow* parent, CDeleteIDRangeDlg& model);
CModelDialog* MakeOverlaySetDialog(wxWindow* parent, COverlaySetDlg& model);

}  // namespace qzn
