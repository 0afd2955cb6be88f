// The main window's keyboard shortcuts: set up at start in the order the
// application always did it, edited through View > 快捷键..., stored when
// the program ends.
#pragma once

#include <string>

#include "widgets/core/shortcuts.h"

namespace qzn {

struct CDesktop;

// The profile key of the user's shortcuts ("Settings" is the section).
extern const char kShortcutKeyPath[];

// The menu bar as the shortcut manager walks it, from the menu paths.
CShortcutMenuItem ShortcutMenu();
// The frame's default accelerators with the command numbers.
std::vector<CAccelEntry> DefaultAccelEntries();

// Attaches the manager to the main frame (saving at exit), enters the menus
// with the frame's accelerators locked, builds the frame's table, keeps the
// defaults and loads the user's keys; a value that cannot be read shows
// "Loading User accelerators failed !!" and the menu's keys stay. Registers
// View > 快捷键....
void SetupShortcuts(CDesktop& d);
// Stores the user's keys (at the end, while messages can still be shown)
// and lets the manager go.
void EndShortcuts(CDesktop& d);

}  // namespace qzn
