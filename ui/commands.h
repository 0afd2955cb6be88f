// Command handlers by command id. The main frame keeps one table for the
// commands that need no workspace, each image view one for its own; a menu
// command goes to the active view's table first, then to the frame's. A
// command nobody registered is disabled, so menus can list every command of
// the system before its handler exists. Later work registers its handlers
// here (RegisterViewCommands / the frame's table) instead of editing menus.
#pragma once

#include <functional>
#include <map>

namespace qzn {

struct CommandHandler {
  std::function<void()> run;
  std::function<bool()> enabled;  // none: always enabled
  std::function<bool()> checked;  // none: no check mark
};

class CCommandTable {
 public:
  void Add(int id, CommandHandler handler) { m_handlers[id] = std::move(handler); }
  void Add(int id, std::function<void()> run, std::function<bool()> enabled = {}, std::function<bool()> checked = {}) {
    Add(id, CommandHandler{std::move(run), std::move(enabled), std::move(checked)});
  }
  const CommandHandler* Find(int id) const {
    auto it = m_handlers.find(id);
    return it == m_handlers.end() ? nullptr : &it->second;
  }
  // Runs the command when it is registered and enabled (every handler
  // re-checks its enabler: a shortcut can arrive while the menu is stale).
  bool Run(int id) const {
    const CommandHandler* h = Find(id);
    if (!h || !h->run || (h->enabled && !h->enabled())) return false;
    h->run();
    return true;
  }

 private:
  std::map<int, CommandHandler> m_handlers;
};

class CQznView;
// Extra view commands registered by later parts of the window; each is
// called for every new image view with its table.
using ViewCommandRegistrar = std::function<void(CCommandTable&, CQznView&)>;
void AddViewCommandRegistrar(ViewCommandRegistrar registrar);
void RegisterViewCommands(CCommandTable& table, CQznView& view);

}  // namespace qzn
