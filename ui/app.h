// The desktop application: started without arguments, qzn makes the main
// window, shows it maximised and opens the file dialog at once.
#pragma once

#include <string>

#include <wx/app.h>
#include <wx/docview.h>
#include <wx/filehistory.h>

namespace qzn {

class CMainFrame;
class CWxHost;
class CShortcutManager;
class CWxAcceleratorFrame;
class CProfileShortcutStore;

// Everything of the window that the application owns, made once: the
// document manager with the workspace template, the recent-file list of 4
// kept in the profile, the main frame with the application's commands.
// Tests make it inside their own toolkit start.
struct CDesktop {
  wxDocManager* manager = nullptr;
  wxFileHistory* history = nullptr;
  CMainFrame* frame = nullptr;
  // The keyboard shortcuts of the frame (ui/shortcuts.h).
  CShortcutManager* shortcuts = nullptr;
  CWxAcceleratorFrame* accelerators = nullptr;
  CProfileShortcutStore* shortcutStore = nullptr;
};
CDesktop* CreateDesktop();
CDesktop* Desktop();
void DestroyDesktop();

// File > Open: the open dialog through the host (so tests can script it)
// and the chosen file opened as a workspace. False when cancelled or the
// file could not be opened.
bool OnFileOpen();
// Opens a file as a workspace directly (recent files, tests).
bool OpenWorkspace(const std::string& path);
// The about box, modal.
void ShowAboutBox();

// Runs the desktop application; the process's exit status.
int RunGui(int argc, char** argv);

}  // namespace qzn
