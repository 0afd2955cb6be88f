// The image view's edit modes and the types its tools report. The edit mode
// says what the mouse does in the view and selects the tool that is made;
// the tool type says which tool is current (a tool parked for Shift or Ctrl
// is not the mode's tool). The two numberings differ: the line tool is made
// for mode 3 and reports type 2. Both keep the numbers they have always had;
// the code uses the names.
#pragma once

namespace qzn {

enum class EditMode : int {
  kDefault = 0,    // zoom rectangle and length measurement
  kImageEdit = 1,  // pixels: show, paint, fill, draw lines
  // A mode number that has no tool: like an unknown number it gives the
  // default tool and mode 0.
  kReserved = 2,
  kLineEdit = 3,
  kControlPoint = 4,
  kPointEdit = 5,
  kTextBlock = 6,
  kAnnotation = 7,
  kRoi = 8,  // region of interest
  kMergeImage = 9,
  kAngle = 10,
};

enum class ToolType : int {
  kNone = 0,  // the base tool's answer
  kDefault = 1,
  kLineEdit = 2,
  kPointEdit = 3,
  kControlPoint = 4,
  kTextBlock = 5,
  kAnnotation = 6,
  kImageEdit = 7,
  kRoi = 8,
  kMergeImage = 9,
  kAngle = 10,
};

// The type of the tool an edit mode makes (kNone for a number without one).
// A tool's commands are enabled while the view is in its mode and its tool,
// not a parked stand-in, is current.
constexpr ToolType ToolTypeOf(EditMode mode) {
  switch (mode) {
    case EditMode::kDefault: return ToolType::kDefault;
    case EditMode::kImageEdit: return ToolType::kImageEdit;
    case EditMode::kLineEdit: return ToolType::kLineEdit;
    case EditMode::kControlPoint: return ToolType::kControlPoint;
    case EditMode::kPointEdit: return ToolType::kPointEdit;
    case EditMode::kTextBlock: return ToolType::kTextBlock;
    case EditMode::kAnnotation: return ToolType::kAnnotation;
    case EditMode::kRoi: return ToolType::kRoi;
    case EditMode::kMergeImage: return ToolType::kMergeImage;
    case EditMode::kAngle: return ToolType::kAngle;
    default: return ToolType::kNone;
  }
}

// Entering one of these modes keeps a copy of the display flags before the
// mode switches its overlay on; the default and image modes leave them.
constexpr bool SavesDisplayFlags(EditMode mode) { return mode >= EditMode::kLineEdit && mode <= EditMode::kAngle; }

}  // namespace qzn
