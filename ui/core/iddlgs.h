// The dialogs that give lines, points and notes their numbers, colours and
// texts: the ID display colours (a table of ID ranges paged one at a time,
// read and written as ".clr" files), the current ID, the ID range of
// automatic numbering, the ID conversion, the contour values, and the
// modeless note dialog of the annotation tool.
#pragma once

#include <memory>
#include <string>

#include "model/idcolor.h"
#include "ui/core/dataexchange.h"
#include "ui/core/tooldialogs.h"

namespace qzn {

class CNote;
class IToolHost;

// Dialog 122 kIdColorTitle. Works on its own copy of the table, which
// always holds at least one range; the caller takes the copy on IDOK.
class CIDColorDlg : public CDialogModel {
 public:
  enum : int {
    kId = 122,
    kLow = 129,
    kHigh = 130,
    kDefine = 131,
    kPrevious = 139,
    kNext = 140,
    kAdd = 141,
    kOpen = 142,
    kSaveAs = 143,
    kSwatch = 144,
    kCount = 145,
    kIndex = 146
  };
  int low = 0, high = 0;
  CIDColorList ranges;
  int index = 0;  // the range shown
  int count = 0;
  int red = 0, green = 255, blue = 0;

  // filePath: the caller's remembered colour file, read and replaced here
  // (may be null).
  CIDColorDlg(const CIDColorList& source, std::string* filePath);
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;

  // The range shown into the members and the controls.
  void ShowRange(IDialogControls* c);
  // The members from the controls into the range shown; false when the
  // controls do not validate.
  bool StoreRange(IDialogControls& c);

 private:
  CIDColor& Current();
  void Open(IDialogControls& c);
  void SaveAs(IDialogControls& c);
  std::string* m_path;
};

// Dialog 112 kCurrentIdTitle.
class CCurrentIDDlg : public CDialogModel {
 public:
  enum : int { kId = 112, kCurrent = 114, kIncrement = 139, kAutoIncrement = 150 };
  bool autoIncrement = false;
  float currentId = 0.0f;
  float increment = 0.0f;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override { c.SetFocus(kCurrent); }
};

// Dialog 155 kIdRangeTitle.
class CIDRangeDlg : public CDialogModel {
 public:
  enum : int { kId = 155, kStart = 138, kIncrement = 139, kUnlabelledOnly = 239 };
  int startId = 1;
  int increment = 1;
  bool unlabelledOnly = false;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  bool PlaceAtCorner() const override { return false; }
};

// Dialog 218 kConvertIdTitle: new ID = old ID x scale + offset.
class CConvertIDDlg : public CDialogModel {
 public:
  enum : int { kId = 218, kLines = 200, kPoints = 201, kScale = 388, kOffset = 389 };
  bool lines = true, points = true;
  float offset = 0.0f;
  float scale = 1.0f;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  bool PlaceAtCorner() const override { return false; }
};

// Dialog 126 kContourValueTitle.
class CContourValueDlg : public CDialogModel {
 public:
  enum : int { kId = 126, kCount = 137, kStart = 138, kIncrement = 139 };
  std::string countText;  // the number of selected lines
  float increment = 0.0f;
  float start = 0.0f;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

// Dialog 143 kNoteTitle: modeless beside the view while the annotation
// tool is current. The tool hands it the note drawn or picked; kApply gives
// the note the text typed. The tool tells it to let go of a note that goes
// away (deleted, undone) before the text is applied.
class CNoteDlg : public CDialogModel, public INoteDialog {
 public:
  enum : int { kId = 143, kText = 194, kApply = 254 };
  std::string text;

  // Creates the dialog at once, modeless, for the view.
  explicit CNoteDlg(IToolHost& view);
  ~CNoteDlg() override;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override { c.SetFocus(kText); }
  void OnClicked(int id, IDialogControls& c) override;

  // The note to edit: its text goes into the edit, which takes the focus.
  void SetNote(CNote* note) override;
  // Lets go of the note (no note, the edit emptied).
  void ReleaseNote();
  // Lets go of the note when it is this one (it is about to go away).
  void ReleaseNote(const CNote* note) override;
  // The text in the edit.
  std::string Text() const override;
  CNote* Note() const { return m_note; }
  // The dialog's window; null where none can be shown.
  IModelessDialog* Window() const { return m_window.get(); }
  // What kApply does.
  void Apply();

 private:
  CNote* m_note = nullptr;
  IToolHost& m_view;
  std::unique_ptr<IModelessDialog> m_window;
};

}  // namespace qzn
