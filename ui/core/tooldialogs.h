// The dialogs the edit tools open whose logic is not among the dialog
// models (ui/core/*dlg*.h) yet, as records of their values. A tool fills
// the record, asks its host to run the dialog (IToolHost::RunDialog) and,
// when the answer is OK, reads the record back. The window shows the
// dialog for the record's id; tests answer the record themselves, so every
// tool runs headless. Dialogs that have a model are run on it (DoModal).
#pragma once

#include <cstdint>
#include <string>

#include "platform/wintypes.h"

namespace qzn {

class CNote;

struct ToolDialog {
  explicit ToolDialog(int dialogId) : id(dialogId) {}
  virtual ~ToolDialog() = default;
  int id;
};

// Dialog ids; the colour dialog is the toolkit's own.
enum : int {
  kDlgCurrentId = 112,
  kDlgContourValues = 126,
  kDlgBinaryValue = 133,
  kDlgPixelValue = 135,
  kDlgColour = -1,
};

// 112 kCurrentIdTitle: the current ID, whether it grows after each use, and by
// how much.
struct CurrentIdValues : ToolDialog {
  CurrentIdValues() : ToolDialog(kDlgCurrentId) {}
  bool autoIncrement = false;
  float currentId = 0.0f;
  float increment = 0.0f;
};

// 126 kContourValueTitle: the number of selected lines as text, the start value
// and the step.
struct ContourValues : ToolDialog {
  ContourValues() : ToolDialog(kDlgContourValues) {}
  std::string countText;
  float increment = 0.0f;
  float start = 0.0f;
};

// 135 kPixelValueTitle: one byte.
struct PixelValueValues : ToolDialog {
  PixelValueValues() : ToolDialog(kDlgPixelValue) {}
  int value = 0;
};

// 133 kBinaryValueTitle: 0 or 1, and whether zero is black (the image's
// photometric code).
struct BinaryValueValues : ToolDialog {
  BinaryValueValues() : ToolDialog(kDlgBinaryValue) {}
  int value = 0;
  int zeroIsBlack = 0;
};

// The colour chooser, starting at colour.
struct ColourValues : ToolDialog {
  ColourValues() : ToolDialog(kDlgColour) {}
  COLORREF colour = 0;
};

// The annotation tool's modeless dialog (143 kNoteTitle): it edits the
// text of one note of the document at a time.
class INoteDialog {
 public:
  virtual ~INoteDialog() = default;
  // The text in the dialog's edit box.
  virtual std::string Text() const = 0;
  // Takes the note for editing (its text into the edit box) and the focus.
  virtual void SetNote(CNote* note) = 0;
  // Forgets the note when it holds it: the note is about to be deleted.
  virtual void ReleaseNote(const CNote* note) = 0;
};

}  // namespace qzn
