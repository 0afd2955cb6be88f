// The view's commands that belong to the edit tools: the switches into and
// out of each tool's mode, the tools' sub-commands (handed to the current
// tool), Done, and the commands that end the merge mode. Each has its
// enabling rule and check mark; a handler re-checks the rule before it
// runs, so a stale menu or a shortcut cannot reach a tool that is gone.
#pragma once

#include <vector>

namespace qzn {

class CQznView;

struct EditCommandState {
  bool enabled = false;
  bool checked = false;
};

// Every command id handled here.
const std::vector<int>& EditCommandIds();
// Whether the command applies now, and its check mark.
EditCommandState GetEditCommandState(const CQznView& view, int id);
// Whether the command's menu item and toolbar button carry a check mark.
bool EditCommandHasCheckMark(int id);
// Runs the command when it is enabled; false when it is not one of these
// commands or not enabled now.
bool RunEditCommand(CQznView& view, int id);

// Registers the edit tools' factories for the modes 1 and 3 to 10. Called
// once by whoever makes views (the desktop, tests).
void RegisterEditTools();

}  // namespace qzn
