#include "ui/edittools.h"

#include <wx/colordlg.h>

#include "ui/commands.h"
#include "ui/core/editcommands.h"
#include "ui/core/qznview.h"
#include "ui/wxresources.h"

namespace qzn {

namespace {

std::function<bool(ToolDialog&)>& Script() {
  static std::function<bool(ToolDialog&)> script;
  return script;
}

bool RunColourDialog(wxWindow* parent, ColourValues& v) {
  wxColourData data;
  data.SetColour(wxColour(GetRValue(v.colour), GetGValue(v.colour), GetBValue(v.colour)));
  wxColourDialog dlg(parent, &data);
  if (dlg.ShowModal() != wxID_OK) return false;
  const wxColour c = dlg.GetColourData().GetColour();
  v.colour = RGB(c.Red(), c.Green(), c.Blue());
  return true;
}

}  // namespace

void SetToolDialogScript(std::function<bool(ToolDialog&)> script) { Script() = std::move(script); }

bool RunToolDialog(wxWindow* parent, ToolDialog& dialog) {
  if (Script()) return Script()(dialog);
  switch (dialog.id) {
    case kDlgColour: return RunColourDialog(parent, static_cast<ColourValues&>(dialog));
    default: return false;  // a dialog the window does not have yet
  }
}

std::unique_ptr<INoteDialog> CreateNoteDialog(wxWindow*) { return nullptr; }

void RegisterEditToolCommands() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterEditTools();
  std::vector<int> marked;
  for (int id : EditCommandIds())
    if (EditCommandHasCheckMark(id)) marked.push_back(id);
  MarkCheckCommands(marked);
  AddViewCommandRegistrar([](CCommandTable& table, CQznView& view) {
    for (int id : EditCommandIds()) {
      CommandHandler h;
      h.run = [&view, id] { RunEditCommand(view, id); };
      h.enabled = [&view, id] { return GetEditCommandState(view, id).enabled; };
      if (EditCommandHasCheckMark(id)) h.checked = [&view, id] { return GetEditCommandState(view, id).checked; };
      table.Add(id, std::move(h));
    }
  });
}

}  // namespace qzn
