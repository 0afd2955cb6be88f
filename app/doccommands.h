// The commands of the workspace document in one table. Each has the word a
// batch script names it by, a keyword older spellings of that word contain,
// an enabler that says whether it applies to the workspace as it stands, and
// a runner. The script interpreter (CQznDoc::RunMacroCommand) runs its lines
// through this table; the menus and toolbars find the same commands here by
// name, ask the enabler for their enabled state and call the runner with the
// options their dialogs collected.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/batchscript.h"

namespace qzn {

class CQznDoc;

struct CDocCommand {
  CScriptCommand id;
  const char* name;     // the command word ("ImageFlip")
  const char* keyword;  // upper case; what an older spelling of the word contains
  // Whether the command applies to the workspace as it is; a command that
  // does not apply is not run and counts as failed.
  bool (*enabled)(const CQznDoc& doc);
  // Runs the command with its options; 1 done, 0 failed or not applicable.
  int (*run)(CQznDoc& doc, const CScriptLine& options);
  int editorOrder;  // place in the script editor's list of commands
};

// Every command, in the order their keywords are tried: a word that
// contains two keywords takes the earlier command.
const std::vector<CDocCommand>& DocumentCommands();

// The command a word names: its exact name without regard to case, else the
// first command whose keyword the upper-cased word contains; null for none.
const CDocCommand* FindDocumentCommand(std::string_view word);

// The command of that id; null for none and unknown.
const CDocCommand* FindDocumentCommand(CScriptCommand id);

// Runs the command when it applies: 0 when the enabler says it does not,
// else the runner's result.
int RunDocumentCommand(CQznDoc& doc, const CDocCommand& command, const CScriptLine& options);

}  // namespace qzn
