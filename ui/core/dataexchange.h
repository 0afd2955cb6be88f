// Dialog data exchange: a dialog's values move between its members and its
// controls in both directions, with the validation messages users know
// ("请输入一个整数在 0 和 255 之间。"). Dialog logic is written against
// IDialogControls, so it runs against fake controls in tests and against
// wx controls in the window.
//
// Numbers are shown in the shortest form that reads back as the same value
// (0.1f shows as "0.1", 1e-7 as "1e-07"), always with a '.' whatever the
// locale, so a number shown and read back unedited is the same number.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/doccommands.h"
#include "platform/wintypes.h"

namespace qzn {

class IDialogControls {
 public:
  virtual ~IDialogControls() = default;
  // Edits, static texts, the edit field of a combo box (the chosen item of a
  // list-only one).
  virtual std::string GetText(int id) const = 0;
  virtual void SetText(int id, const std::string& utf8) = 0;
  virtual bool GetCheck(int id) const = 0;
  virtual void SetCheck(int id, bool checked) = 0;
  virtual void Enable(int id, bool enabled) = 0;
  virtual bool IsEnabled(int id) const = 0;
  virtual void SetFocus(int id) = 0;

  // List boxes and the lists of combo boxes; an index of -1 is "none".
  virtual void ResetContent(int id) = 0;
  // Appends an item; its index.
  virtual int AddString(int id, const std::string& utf8) = 0;
  // Inserts an item before the one at index (-1 or the count: at the end);
  // its index. A selected item moves with its text.
  virtual int InsertString(int id, int index, const std::string& utf8) = 0;
  virtual void DeleteString(int id, int index) = 0;
  virtual int GetCount(int id) const = 0;
  virtual std::string GetItemText(int id, int index) const = 0;
  // The selected item of a single-selection list.
  virtual int GetCurSel(int id) const = 0;
  virtual void SetCurSel(int id, int index) = 0;
  // The selected items of a multiple-selection list, in list order.
  virtual std::vector<int> GetSelItems(int id) const = 0;
  virtual void SetSel(int id, int index, bool selected) = 0;

  // Scroll bars (and the up/down arrows that stand for them); sliders
  // answer the same calls, over their own range.
  virtual void SetScrollRange(int id, int low, int high) = 0;
  virtual void SetScrollPos(int id, int position) = 0;
  virtual int GetScrollPos(int id) const = 0;

  // A colour swatch shows this colour.
  virtual void SetSwatch(int id, COLORREF colour) = 0;
  // A control the dialog draws itself (a grid, an owner-drawn list) paints
  // again from the dialog's state.
  virtual void Redraw(int id) = 0;
  // The colour dialog over this dialog, opened on `initial` (none: the
  // dialog's own start); false when cancelled.
  virtual bool ChooseColor(const COLORREF* initial, COLORREF& chosen) = 0;
};

class CDataExchange {
 public:
  CDataExchange(IDialogControls& controls, bool saveAndValidate) : controls(controls), save(saveAndValidate) {}
  IDialogControls& controls;
  const bool save;
  bool failed = false;
  int lastId = 0;    // the control the last exchange touched
  int failedId = 0;  // the control to focus after a failure
  std::string message;

  // Records the first failure (later ones are ignored).
  void Fail(const std::string& text);
};

// Text fields. Reading fails with kDxNotInt / kDxNotNumber for
// a text that is not a whole number or a finite number.
void DDX_Text(CDataExchange& dx, int id, int& value);
void DDX_Text(CDataExchange& dx, int id, unsigned& value);
void DDX_Text(CDataExchange& dx, int id, std::int64_t& value);
// A byte: anything but a whole number from 0 to 255 fails with
// "请输入一个整数在 0 和 255 之间。".
void DDX_Text(CDataExchange& dx, int id, BYTE& value);
void DDX_Text(CDataExchange& dx, int id, float& value);
void DDX_Text(CDataExchange& dx, int id, double& value);
void DDX_Text(CDataExchange& dx, int id, std::string& value);
// Check boxes and radio groups (the index of the checked button, -1 none).
void DDX_Check(CDataExchange& dx, int id, bool& value);
void DDX_Radio(CDataExchange& dx, std::initializer_list<int> ids, int& value);
// A slider's position (sliders answer the scroll-bar calls).
void DDX_Slider(CDataExchange& dx, int id, int& value);

// Range checks of the value just read (only while saving).
// A command's range (app/doccommands.h), which its script lines share.
void DDV_Range(CDataExchange& dx, double value, const CValueRange& range);
void DDV_MinMaxInt(CDataExchange& dx, int value, int low, int high);
void DDV_MinMaxUInt(CDataExchange& dx, unsigned value, unsigned low, unsigned high);
void DDV_MinMaxFloat(CDataExchange& dx, float value, float low, float high);
void DDV_MinMaxDouble(CDataExchange& dx, double value, double low, double high);
void DDV_MaxChars(CDataExchange& dx, const std::string& value, int count);

// The number formats of the exchange.
std::string FormatNumber(float v);
std::string FormatNumber(double v);
bool ParseNumber(const std::string& text, float& v);
bool ParseNumber(const std::string& text, double& v);
bool ParseInteger(const std::string& text, long long& v);

// The base of the dialogs' logic.
class CDialogModel {
 public:
  virtual ~CDialogModel() = default;
  virtual int DialogId() const = 0;
  virtual void DoDataExchange(CDataExchange& dx) = 0;
  // After the controls were filled the first time.
  virtual void OnInitDialog(IDialogControls& controls) {}
  // A button or check box was clicked.
  virtual void OnClicked(int id, IDialogControls& controls) {}
  // A scroll bar moved: the scroll codes of the image view (line and page
  // steps, thumb position and track, the two ends, end of scroll). Line
  // left/up is kScrollLineUp, line right/down kScrollLineDown.
  virtual void OnScroll(int id, int code, int position, IDialogControls& controls) {}
  // The selection of a list changed.
  virtual void OnSelChange(int id, IDialogControls& controls) {}
  // The user changed the text of an edit field (the dialog's own SetText is
  // no change).
  virtual void OnChange(int id, IDialogControls& controls) {}
  // Cancel, Esc or the window's close box: the dialog ends with IDCANCEL
  // after this.
  virtual void OnCancel(IDialogControls& controls) {}
  // Whether the dialog moves to the main window's bottom-right corner when
  // it opens (else it is centred on its parent).
  virtual bool PlaceAtCorner() const { return true; }

  // Runs the exchange; on a failure shows its message, focuses the control
  // and returns false (the dialog stays open).
  bool UpdateData(IDialogControls& controls, bool save);
  // Fills the controls and runs OnInitDialog.
  void InitDialog(IDialogControls& controls);
  // OK: true when the values were read and validated (the dialog may end).
  virtual bool OnOK(IDialogControls& controls) { return UpdateData(controls, true); }

  // Set (by the constructor or OnInitDialog, after telling the user why)
  // when the dialog cannot do its work: it then ends with IDCANCEL at once,
  // without being shown and without OnCancel.
  bool cannotRun = false;
};

// A dialog shown without holding up the rest of the window.
class IModelessDialog {
 public:
  virtual ~IModelessDialog() = default;
  virtual IDialogControls& Controls() = 0;
  // Gives the input focus back to the window the dialog belongs to.
  virtual void FocusOwner() = 0;
};

// Shows dialogs. The window installs one that makes each dialog's window;
// without one (a command-line run) a modal dialog is cancelled and a
// modeless one is not shown. Tests install a scripted one.
class IDialogRunner {
 public:
  virtual ~IDialogRunner() = default;
  // Runs the dialog modally: IDOK or IDCANCEL.
  virtual int DoModal(CDialogModel& model) = 0;
  // Creates the dialog modeless and shows it; null when it cannot be.
  virtual std::unique_ptr<IModelessDialog> CreateModeless(CDialogModel& model) = 0;
};
void SetDialogRunner(IDialogRunner* runner);
IDialogRunner* GetDialogRunner();
// DoModal on the installed runner; IDCANCEL without one.
int DoModal(CDialogModel& model);

}  // namespace qzn
