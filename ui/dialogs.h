// Dialogs on the data-exchange layer: a wx dialog shows a CDialogModel's
// controls by their ids; OK runs the model's validation and closes only
// when it passes; clicks, scroll bars and lists reach the model; Cancel, Esc
// and the close box end it through the model's OnCancel. A dialog places
// itself at the main window's bottom-right corner when its model asks to.
//
// Each dialog's window is made by a factory registered under the dialog's
// id; the window's dialog runner (installed with the desktop) looks it up,
// so the commands in ui/core open dialogs through DoModal without knowing
// wx.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>

#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/spinbutt.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "resources/messages_window.h"
#include "ui/core/dataexchange.h"
#include "ui/core/smalldialogs.h"

namespace qzn {

// The name of a radio group's hidden button that stands for "none chosen".
extern const char kNoChoice[];

// IDialogControls over the child windows of a wx window, found by id: text
// controls, combo boxes and labels; check boxes and radio buttons; list
// boxes, choices and owner-drawn lists (wxVListBox); scroll bars and spin
// arrows; colour swatches.
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
  void ResetContent(int id) override;
  int AddString(int id, const std::string& utf8) override;
  int InsertString(int id, int index, const std::string& utf8) override;
  void DeleteString(int id, int index) override;
  int GetCount(int id) const override;
  std::string GetItemText(int id, int index) const override;
  int GetCurSel(int id) const override;
  void SetCurSel(int id, int index) override;
  std::vector<int> GetSelItems(int id) const override;
  void SetSel(int id, int index, bool selected) override;
  void SetScrollRange(int id, int low, int high) override;
  void SetScrollPos(int id, int position) override;
  int GetScrollPos(int id) const override;
  void SetSwatch(int id, COLORREF colour) override;
  void Redraw(int id) override;
  bool ChooseColor(const COLORREF* initial, COLORREF& chosen) override;

 private:
  wxWindow& m_dialog;
};

// A framed rectangle filled with one colour.
class CColourSwatch : public wxWindow {
 public:
  CColourSwatch(wxWindow* parent, int id, const wxSize& size);
  void SetColour(COLORREF c);
  COLORREF Colour() const { return m_colour; }

 private:
  COLORREF m_colour = 0;
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
  // What Cancel, Esc and the close box do.
  void PressCancel();
  // A model that cannot run ends at once with Cancel, never shown.
  int ShowModal() override;

 private:
  void OnButton(wxCommandEvent& e);
  void OnClick(wxCommandEvent& e);
  void OnSelect(wxCommandEvent& e);
  void OnText(wxCommandEvent& e);
  void OnScrollBar(wxScrollEvent& e);
  void OnSpin(wxCommandEvent& e);
  void OnCharHook(wxKeyEvent& e);
  void OnClose(wxCloseEvent& e);
  void End(int code);
  CDialogModel& m_model;
  CWxDialogControls m_controls;
};

// ---- the dialogs' windows by id -------------------------------------------------

using DialogWindowFactory = std::function<CModelDialog*(wxWindow* parent, CDialogModel& model)>;
void RegisterDialogWindow(int dialogId, DialogWindowFactory factory);
// The maker of a model class's window, under the class's dialog id (kId).
template <class Model>
void RegisterDialogWindow(CModelDialog* (*make)(wxWindow*, Model&)) {
  RegisterDialogWindow(Model::kId,
                       [make](wxWindow* parent, CDialogModel& m) { return make(parent, static_cast<Model&>(m)); });
}
// The window of a model (null when its id has no factory).
CModelDialog* MakeDialogWindow(wxWindow* parent, CDialogModel& model);

// Registers the window of every dialog (called once by the desktop).
void RegisterDialogWindows();

// Shows the registered dialogs with wx: modal ones over the main window,
// modeless ones beside it.
class CWxDialogRunner : public IDialogRunner {
 public:
  int DoModal(CDialogModel& model) override;
  std::unique_ptr<IModelessDialog> CreateModeless(CDialogModel& model) override;
};

// ---- layout helpers of the dialogs' windows ----------------------------------------

// kButtonOk/kButtonCancel (or another OK text) at the bottom right; without
// cancel only the OK button.
wxSizer* DialogButtons(wxWindow* dialog, const char* okText = res::text::kButtonOk, bool withCancel = true);
// Any buttons at the bottom right ({id, UTF-8 text}); the first is the
// default button.
struct DialogButton {
  int id;
  const char* text;
};
wxSizer* MakeButtonRow(wxWindow* dialog, std::initializer_list<DialogButton> buttons);
// Puts the buttons under the dialog's body, lays it out and finishes it.
CModelDialog* FinishDialog(CModelDialog* d, wxSizer* body, const char* okText = res::text::kButtonOk,
                           bool withCancel = true);
// Lays a dialog out (the body above its button row) and finishes it.
CModelDialog* FinishDialog(CModelDialog* dialog, wxSizer* body, wxSizer* buttons);
wxTextCtrl* MakeEdit(wxWindow* parent, int id, int width = 80, long style = 0);
wxStaticText* MakeLabel(wxWindow* parent, const char* text, int id = wxID_ANY);
// A label and a control side by side.
wxSizer* LabelledRow(wxWindow* parent, const char* label, wxWindow* control);
wxStaticBoxSizer* MakeGroup(wxWindow* parent, const char* caption, int orient = wxVERTICAL);
// The first radio button of a group starts the group.
wxRadioButton* MakeRadio(wxWindow* parent, int id, const char* text, bool first = false);
// The hidden first button of a group whose value may be "none chosen".
wxRadioButton* MakeNoChoice(wxWindow* parent);

// The three small dialogs' windows.
CModelDialog* MakeRotateImageDialog(wxWindow* parent, CRotateImageDlg& model);
CModelDialog* MakeDeleteIdRangeDialog(wxWindow* parent, CDeleteIDRangeDlg& model);
CModelDialog* MakeOverlaySetDialog(wxWindow* parent, COverlaySetDlg& model);

}  // namespace qzn
