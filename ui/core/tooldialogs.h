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
  kDlgControlPoint = 107,
  kDlgCurrentId = 112,
  kDlgContourValues = 126,
  kDlgBinaryValue = 133,
  kDlgPixelValue = 135,
  kDlgDrawPixelValue = 102,
  kDlgMapPixelValue = 152,
  kDlgDeleteTextLines = 204,
  kDlgColour = -1,
};

// 112 "当前 ID 值": the current ID, whether it grows after each use, and by
// how much.
struct CurrentIdValues : ToolDialog {
  CurrentIdValues() : ToolDialog(kDlgCurrentId) {}
  bool autoIncrement = false;
  float currentId = 0.0f;
  float increment = 0.0f;
};

// 126 "输入等高线值": the number of selected lines as text, the start value
// and the step.
struct ContourValues : ToolDialog {
  ContourValues() : ToolDialog(kDlgContourValues) {}
  std::string countText;
  float increment = 0.0f;
  float start = 0.0f;
};

// 107 "控制点": "从" (image) and "到" (map) coordinates.
struct ControlPointValues : ToolDialog {
  ControlPointValues() : ToolDialog(kDlgControlPoint) {}
  double fromX = 0.0, fromY = 0.0, toX = 0.0, toY = 0.0;
};

// 135 "定义像素值": one byte.
struct PixelValueValues : ToolDialog {
  PixelValueValues() : ToolDialog(kDlgPixelValue) {}
  int value = 0;
};

// 133 "定义二进制值": 0 or 1, and whether zero is black (the image's
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

// 204 "在文本块中删除线段": the question shown, and which lines go: 0 the
// lines inside the blocks, 1 those crossing them.
struct DeleteTextLinesValues : ToolDialog {
  DeleteTextLinesValues() : ToolDialog(kDlgDeleteTextLines) {}
  std::string question;
  int choice = 0;
};

// 152 "地图像素值": minimum, new value and maximum, each a byte.
struct MapPixelValues : ToolDialog {
  MapPixelValues() : ToolDialog(kDlgMapPixelValue) {}
  int minimum = 0;
  int value = 0;
  int maximum = 0;
};

// 102 "定义绘制像素值": the drawing value (red, green, blue; one value sits
// in all three), the colour it shows as and the pen size. Its logic is
// CDrawPixelValueDlg (ui/core/imagetool.h).
struct DrawPixelValues : ToolDialog {
  DrawPixelValues() : ToolDialog(kDlgDrawPixelValue) {}
  BYTE value[3] = {0, 0, 0};
  COLORREF swatch = 0;
  int penSize = 4;
};

// The annotation tool's modeless dialog (143 "注释对话框"): it edits the
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
