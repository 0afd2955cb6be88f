#include "ui/shortcuts.h"

#include <algorithm>

#include "platform/host.h"
#include "platform/profile.h"
#include "resources/accelerators.h"
#include "resources/commands.h"
#include "resources/menus.h"
#include "resources/messages_widgets.h"
#include "ui/app.h"
#include "ui/mainframe.h"
#include "ui/wxresources.h"
#include "widgets/keymap.h"
#include "widgets/shortcutdlg.h"

namespace qzn {

// "Software\", the application's registry key, "\", its profile name and
// "\Settings", as the shortcuts have always been found.
const char kShortcutKeyPath[] = "Software\\QZN Applications\\QZN for Windows\\Settings";

CShortcutMenuItem ShortcutMenu() {
  CShortcutMenuItem bar;
  for (const res::MenuItem& item : res::MainMenu()) {
    const std::vector<std::string> levels = res::SplitMenuPath(item.path);
    if (levels.empty()) continue;
    // Down the popups of the path, made as they first appear.
    CShortcutMenuItem* parent = &bar;
    for (std::size_t i = 0; i + 1 < levels.size(); ++i) {
      // A popup gets its first item in this same pass, so it is never left
      // without items (which would make it a separator).
      auto it = std::find_if(parent->items.begin(), parent->items.end(),
                             [&](const CShortcutMenuItem& m) { return m.id == 0 && m.text == levels[i]; });
      if (it == parent->items.end()) {
        parent->items.push_back(CShortcutMenuItem{levels[i], 0, {}});
        it = parent->items.end() - 1;
      }
      parent = &*it;
    }
    parent->items.push_back(CShortcutMenuItem{levels.back(), item.id, {}});
  }
  return bar;
}

std::vector<CAccelEntry> DefaultAccelEntries() {
  std::vector<CAccelEntry> out;
  for (const res::Accelerator& a : res::DefaultAccelerators())
    out.push_back(CAccelEntry{static_cast<std::uint8_t>(a.flags), static_cast<std::uint16_t>(a.key),
                              static_cast<std::uint16_t>(a.id)});
  return out;
}

void SetupShortcuts(CDesktop& d) {
  d.accelerators =
      new CWxAcceleratorFrame(d.frame, DefaultAccelEntries(), [](std::uint16_t command) { return WxId(command); });
  d.shortcuts = new CShortcutManager;
  // Without a profile (a test's window) the keys are neither loaded nor
  // stored.
  d.shortcutStore = Profile() ? new CProfileShortcutStore(Profile()) : nullptr;
  CShortcutManager& m = *d.shortcuts;
  m.Attach(d.accelerators, true);
  m.InitFromMenu(ShortcutMenu(), true);
  m.CreateAcceleratorTable();
  m.SaveDefaultTable();
  if (!m.LoadFromRegistry(d.shortcutStore, kShortcutKeyPath)) AfxMessageBox(res::text::kShortcutLoadFailed);
  d.frame->Commands().Add(cmd::kViewShortcutKeys, [&d] { EditShortcuts(d.frame, *d.shortcuts); });
}

void EndShortcuts(CDesktop& d) {
  if (d.shortcuts) d.shortcuts->SaveOnExit();
  delete d.shortcuts;
  delete d.shortcutStore;
  delete d.accelerators;
  d.shortcuts = nullptr;
  d.shortcutStore = nullptr;
  d.accelerators = nullptr;
}

}  // namespace qzn
