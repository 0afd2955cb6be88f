// The edit tools in the window: their factories, their commands in every
// image view's command table (with enablers and check marks), and the
// dialogs they open.
#pragma once

#include <functional>
#include <memory>

#include "ui/core/tooldialogs.h"

class wxWindow;

namespace qzn {

// Once, before the main frame is made (its menus learn which commands
// carry check marks).
void RegisterEditToolCommands();

// Shows the dialog of the record's id over the parent; true for OK.
bool RunToolDialog(wxWindow* parent, ToolDialog& dialog);
// The annotation tool's modeless dialog beside the view; null where the
// window has none.
std::unique_ptr<INoteDialog> CreateNoteDialog(wxWindow* view);

// Tests answer the tools' dialogs themselves while a script is set.
void SetToolDialogScript(std::function<bool(ToolDialog&)> script);

}  // namespace qzn
