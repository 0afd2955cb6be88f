// Helpers of the window's tests: the desktop made once for a suite with a
// scripted host, event pumping, scans written and opened through the open
// dialog, modal dialogs driven from inside their loop, button clicks and
// screenshots of what is on the display.
#pragma once

#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "raster/tiffio.h"
#include "resources/commands.h"
#include "tests/support/testutil.h"
#include "tests/ui_core/view_test_util.h"
#include "ui/app.h"
#include "ui/imagewindow.h"
#include "ui/mainframe.h"
#include "ui/wxhost.h"

namespace guitest {

inline void Pump(int rounds = 10) {
  for (int i = 0; i < rounds; ++i) {
    wxTheApp->Yield(true);
    wxMilliSleep(2);
  }
}

// The top-level window of that type now shown, or null.
template <class T>
T* ShownDialog() {
  for (wxWindow* w : wxTopLevelWindows)
    if (auto* d = dynamic_cast<T*>(w); d && d->IsShown()) return d;
  return nullptr;
}

// Runs act on the dialog of type T once it is shown (from inside its modal
// loop); fails the test when it never comes.
template <class T>
void WhenShown(std::function<void(T&)> act, int tries = 200) {
  wxTheApp->CallAfter([act, tries] {
    if (T* d = ShownDialog<T>()) {
      act(*d);
    } else if (tries > 0) {
      WhenShown<T>(act, tries - 1);
    } else {
      ADD_FAILURE() << "the dialog was not shown";
    }
  });
}

inline void Click(wxWindow& dialog, int id) {
  wxWindow* button = dialog.FindWindow(id);
  ASSERT_NE(button, nullptr) << id;
  wxCommandEvent click(wxEVT_BUTTON, id);
  click.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(click);
}

// A picture of the shown window as the display has it into
// $QZN_SCREENSHOT_DIR/<name>.png, when that variable is set (looking at the
// windows as a user does).
inline void Screenshot(wxWindow& shown, const std::string& name) {
  const char* dir = std::getenv("QZN_SCREENSHOT_DIR");
  if (!dir || !*dir) return;
  shown.Refresh();
  shown.Update();
  Pump(5);
  const wxRect r = shown.GetScreenRect();
  qzntest::RunCommand("import -window root -crop " + std::to_string(r.width) + "x" + std::to_string(r.height) + "+" +
                      std::to_string(r.x) + "+" + std::to_string(r.y) + " '" + std::string(dir) + "/" + name + ".png'");
}

// The desktop with its main window, made once for a suite; every question
// and file dialog is scripted through the window's host.
class DesktopTest : public ::testing::Test {
 protected:
  static inline qzn::CWxHost* host = nullptr;
  static inline qzntest::TempDir* dir = nullptr;

  static void SetUpTestSuite() {
    dir = new qzntest::TempDir;
    setenv("XDG_CONFIG_HOME", dir->path().c_str(), 1);
    setenv("GTK_OVERLAY_SCROLLING", "0", 1);
    wxInitAllImageHandlers();
    host = new qzn::CWxHost;
    host->scripted = true;
    qzn::SetHost(host);
    qzn::CDesktop* d = qzn::CreateDesktop();
    // Nothing may depend on a window manager: the size is set, not maximised.
    d->frame->SetSize(0, 0, 1280, 800);
    d->frame->Show();
    Pump(20);
  }
  static void TearDownTestSuite() {
    qzn::DestroyDesktop();
    Pump();
    qzn::SetHost(nullptr);
    delete host;
    delete dir;
    unsetenv("XDG_CONFIG_HOME");
  }
  void TearDown() override {
    qzn::Desktop()->manager->CloseDocuments(true);
    Pump();
    host->messages.clear();
    host->answers.clear();
    host->fileAnswers.clear();
  }

  static std::string WriteScan(const std::string& name, int w, int h, viewtest::Kind kind) {
    auto doc = viewtest::MakeDoc(w, h, kind);
    const std::string path = dir->file(name);
    EXPECT_EQ(qzn::WriteTiffImage(path, doc->m_image, 0), 1);
    return path;
  }

  static qzn::CImageWindow* OpenFromDialog(const std::string& path) {
    host->fileAnswers.push_back({path});
    EXPECT_TRUE(qzn::MainFrame()->Dispatch(qzn::cmd::kFileOpen));
    Pump();
    return qzn::MainFrame()->ActiveImageWindow();
  }
};

}  // namespace guitest
