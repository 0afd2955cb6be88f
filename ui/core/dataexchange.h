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

#include <initializer_list>
#include <string>

namespace qzn {

class IDialogControls {
 public:
  virtual ~IDialogControls() = default;
  virtual std::string GetText(int id) const = 0;
  virtual void SetText(int id, const std::string& utf8) = 0;
  virtual bool GetCheck(int id) const = 0;
  virtual void SetCheck(int id, bool checked) = 0;
  virtual void Enable(int id, bool enabled) = 0;
  virtual bool IsEnabled(int id) const = 0;
  virtual void SetFocus(int id) = 0;
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

// Text fields. Reading fails with "请输入一个整数。" / "请输入一个数字。" for
// a text that is not a whole number or a finite number.
void DDX_Text(CDataExchange& dx, int id, int& value);
void DDX_Text(CDataExchange& dx, int id, unsigned& value);
void DDX_Text(CDataExchange& dx, int id, float& value);
void DDX_Text(CDataExchange& dx, int id, double& value);
void DDX_Text(CDataExchange& dx, int id, std::string& value);
// Check boxes and radio groups (the index of the checked button, -1 none).
void DDX_Check(CDataExchange& dx, int id, bool& value);
void DDX_Radio(CDataExchange& dx, std::initializer_list<int> ids, int& value);

// Range checks of the value just read (only while saving).
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

  // Runs the exchange; on a failure shows its message, focuses the control
  // and returns false (the dialog stays open).
  bool UpdateData(IDialogControls& controls, bool save);
  // Fills the controls and runs OnInitDialog.
  void InitDialog(IDialogControls& controls);
  // OK: true when the values were read and validated (the dialog may end).
  bool OnOK(IDialogControls& controls) { return UpdateData(controls, true); }
};

}  // namespace qzn
