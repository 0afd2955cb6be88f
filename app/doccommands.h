// The commands of the workspace document in one table. Each has the word a
// batch script names it by, a keyword older spellings of that word contain,
// an enabler that says whether it applies to the workspace as it stands, and
// a runner. The script interpreter (CQznDoc::RunMacroCommand) runs its lines
// through this table; the menus and toolbars find the same commands here by
// name, ask the enabler for their enabled state and call the runner with the
// options their dialogs collected.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/batchscript.h"

namespace qzn {

class CQznDoc;

// The values a number of a command may take: the range the command's
// dialog allows, so that a script line is held to what the window would
// accept (a B-spline of 20000000 nodes a segment asks for gigabytes).
struct CValueRange {
  double low;
  double high;
  bool whole;  // an integer; a script's fraction is cut off before the test
};

// Whether the value lies in the range (NaN and infinities never do).
bool InRange(double value, const CValueRange& range);
// What the dialogs say of a value outside the range: "请输入一个整数在 2 和
// 100 之间。", or the same for a number.
std::string RangeMessage(const CValueRange& range);

// The ranges of the commands' dialogs, which their script lines share.
inline constexpr CValueRange kResampleFactorRange{1, 10000, true};
inline constexpr CValueRange kBackgroundSizeRange{2, 500, true};
inline constexpr CValueRange kClassColoursRange{1, 255, true};
inline constexpr CValueRange kClassIterationsRange{2, 500, true};
inline constexpr CValueRange kGreyValueRange{0, 255, true};  // thresholds and mapped pixel values
inline constexpr CValueRange kSmoothToleranceRange{0, 1000, false};
inline constexpr CValueRange kBSplineNodesRange{2, 100, true};
inline constexpr CValueRange kSnapDistanceRange{1, 5000, true};
inline constexpr CValueRange kLineLengthRange{1, 100000, true};  // the longest line deleted
inline constexpr CValueRange kPolygonGapRange{0, 100000, true};

// A number of a script line (the n-th argument, from 0) and its range; an
// argument that is missing or not a number is the command's own affair.
struct CScriptNumber {
  std::size_t argument;
  CValueRange range;
};

struct CDocCommand {
  CScriptCommand id;
  const char* name;     // the command word ("ImageFlip")
  const char* keyword;  // upper case; what an older spelling of the word contains
  // Whether the command applies to the workspace as it is; a command that
  // does not apply is not run and counts as failed.
  bool (*enabled)(const CQznDoc& doc);
  // Runs the command with its options; 1 done, 0 failed or not applicable.
  int (*run)(CQznDoc& doc, const CScriptLine& options);
  int editorOrder;                     // place in the script editor's list of commands
  std::vector<CScriptNumber> numbers;  // checked before the command runs
};

// Every command, in the order their keywords are tried: a word that
// contains two keywords takes the earlier command.
const std::vector<CDocCommand>& DocumentCommands();

// The command a word names: its exact name without regard to case, else the
// first command whose keyword the upper-cased word contains; null for none.
const CDocCommand* FindDocumentCommand(std::string_view word);

// The command of that id; null for none and unknown.
const CDocCommand* FindDocumentCommand(CScriptCommand id);

// The message for the first number of the line outside its range; empty
// when every number given lies in its range.
std::string OutOfRangeMessage(const CDocCommand& command, const CScriptLine& options);

// Runs the command when it applies: 0 when a number lies outside its range
// (the message in `refusal`, when given) or the enabler says the command
// does not apply, else the runner's result.
int RunDocumentCommand(CQznDoc& doc, const CDocCommand& command, const CScriptLine& options,
                       std::string* refusal = nullptr);

}  // namespace qzn
