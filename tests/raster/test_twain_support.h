// An owner window for the acquisition tests: it records whether it is
// enabled, answers the dialogs from a script and keeps a profile in memory.
#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "raster/twain.h"
#include "tests/support/testutil.h"

namespace twaintest {

// SANE unloads its `test` backend at every sane_exit, and the backend drops
// strings it allocated while listing its devices; the sanitizer build's leak
// checker would count them against us. Kept loaded, they stay where the
// backend holds them (and are named when not).
// The SANE configuration folder of the process (SANE_CONFIG_DIR is set to
// it): SANE, loaded once, keeps the folder it first read, so the tests of one
// process share one and rewrite its files. Its dll.conf lists only `test`,
// with no trailing colon (that would add the system folders and their
// network backends).
inline qzntest::TempDir& SaneConfigDir() {
  static qzntest::TempDir dir;
  static const bool set = [] {
    setenv("SANE_CONFIG_DIR", dir.path().c_str(), 1);
    qzntest::WriteFileText(dir.file("dll.conf"), "test\n");
    return true;
  }();
  (void)set;
  return dir;
}

inline void KeepSaneTestBackendLoaded() {
  for (const char* dir : {"/usr/lib/x86_64-linux-gnu/sane", "/usr/lib/aarch64-linux-gnu/sane", "/usr/lib/sane"}) {
    const std::string path = std::string(dir) + "/libsane-test.so.1";
    if (std::filesystem::exists(path) && dlopen(path.c_str(), RTLD_LAZY | RTLD_NODELETE)) return;
  }
}

class ScriptedWindow : public qzn::CTwainWindow {
 public:
  bool enabled = true;
  int disables = 0;
  int messages = 0;
  int messageLimit = 1000;        // a loop that never ends fails instead of hanging
  std::deque<int> selectAnswers;  // index, or -1 cancel; empty: keep the current
  std::vector<std::vector<qzn::CTwainSourceEntry>> selections;
  // Each dialog takes the next answer: 1 scan (with the settings below
  // applied), 0 cancel; with none left the dialog cancels.
  std::deque<int> dialogAnswers;
  int mode = -1;                  // the mode label to choose, by index; -1 keeps the current
  std::string modeLabel;          // or by label
  double resolution = 0;          // 0 keeps the current
  double area[4] = {0, 0, 0, 0};  // all zero keeps the current
  std::vector<qzn::CScanDialogData> dialogs;
  std::map<std::string, std::string> profile;

  void EnableWindow(bool enable) override {
    if (!enable) ++disables;
    enabled = enable;
  }
  bool GetMessage(qzn::CTwainMessage*) override { return ++messages <= messageLimit; }
  int SelectSource(const std::vector<qzn::CTwainSourceEntry>& sources, int current) override {
    selections.push_back(sources);
    if (selectAnswers.empty()) return current;
    const int a = selectAnswers.front();
    selectAnswers.pop_front();
    return a;
  }
  int SourceDialog(qzn::CScanDialogData& d) override {
    dialogs.push_back(d);
    if (dialogAnswers.empty()) return 0;
    const int a = dialogAnswers.front();
    dialogAnswers.pop_front();
    if (a != 1) return a;
    if (mode >= 0) d.mode = mode;
    for (std::size_t i = 0; i < d.modes.size(); ++i)
      if (d.modes[i] == modeLabel) d.mode = static_cast<int>(i);
    if (resolution > 0) d.resolution = resolution;
    if (area[2] > 0) {
      d.left = area[0];
      d.top = area[1];
      d.right = area[2];
      d.bottom = area[3];
    }
    return 1;
  }
  std::string GetProfileString(const std::string& key) override {
    auto it = profile.find(key);
    return it == profile.end() ? std::string() : it->second;
  }
  void WriteProfileString(const std::string& key, const std::string& value) override { profile[key] = value; }
};

}  // namespace twaintest
