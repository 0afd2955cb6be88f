// Helpers of the window's tests: the desktop made once for a suite with a
// scripted host, event pumping, scans written and opened through the open
// dialog, modal dialogs driven from inside their loop, button clicks,
// screenshots of what is on the display, and a dialog's layout checked and
// its picture saved.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "raster/tiffio.h"
#include "resources/commands.h"
#include "tests/support/testutil.h"
#include "tests/ui_core/view_test_util.h"
#include "ui/app.h"
#include "ui/dialogs.h"
#include "ui/imagewindow.h"
#include "ui/mainframe.h"
#include "ui/wxhost.h"
#include "ui/wxtext.h"
#include "widgets/titlebar.h"

namespace guitest {

// Sets an environment variable for the length of a scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (m_old)
      setenv(m_name, m_old->c_str(), 1);
    else
      unsetenv(m_name);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

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

// A mouse event as the toolkit delivers it to the window (client
// coordinates); the left button is down except on its release unless said.
inline void Mouse(wxWindow* w, wxEventType type, int x, int y, bool shift = false, bool ctrl = false,
                  bool left = true) {
  wxMouseEvent e(type);
  e.SetEventObject(w);
  e.SetId(w->GetId());
  e.m_x = x;
  e.m_y = y;
  e.m_shiftDown = shift;
  e.m_controlDown = ctrl;
  e.m_leftDown = left && type != wxEVT_LEFT_UP;
  w->GetEventHandler()->ProcessEvent(e);
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

// The pixels the display shows in a rectangle of the screen, read from the
// X server itself (the toolkit's screen device context may hand back an
// older picture).
inline wxImage ScreenPixels(const wxRect& r) {
  wxImage out(r.width, r.height, true);
  Display* display = wxGetX11Display();
  if (!display) return out;
  XImage* x = XGetImage(display, DefaultRootWindow(display), r.x, r.y, unsigned(r.width), unsigned(r.height),
                        AllPlanes, ZPixmap);
  if (!x) return out;
  auto channel = [](unsigned long pixel, unsigned long mask) {
    if (!mask) return 0ul;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    return ((pixel & mask) >> shift) * 255 / (mask >> shift);
  };
  for (int y = 0; y < r.height; ++y)
    for (int px = 0; px < r.width; ++px) {
      const unsigned long p = XGetPixel(x, px, y);
      out.SetRGB(px, y, static_cast<unsigned char>(channel(p, x->red_mask)),
                 static_cast<unsigned char>(channel(p, x->green_mask)),
                 static_cast<unsigned char>(channel(p, x->blue_mask)));
    }
  XDestroyImage(x);
  return out;
}

// ---- looking at a dialog as a user does ------------------------------------------

// Saves the dialog's own pixels as build/artifacts/dialog-<name>.png, once
// the display has mapped and painted it.
inline void SaveDialogPicture(wxWindow& w, const std::string& name) {
  for (int i = 0; i < 100 && !w.IsShownOnScreen(); ++i) Pump(1);
  w.Refresh();
  w.Update();
  Pump(30);
  const wxSize size = w.GetClientSize();
  wxBitmap shot(size.x, size.y, 24);
  {
    wxClientDC window(&w);
    wxMemoryDC mem(shot);
    mem.Blit(0, 0, size.x, size.y, &window, 0, 0);
  }
  const std::filesystem::path out = std::filesystem::path(QZN_BINARY_DIR) / "artifacts" / ("dialog-" + name + ".png");
  std::filesystem::create_directories(out.parent_path());
  EXPECT_TRUE(shot.ConvertToImage().SaveFile(out.string(), wxBITMAP_TYPE_PNG));
}

inline void ShownDescendants(wxWindow* w, std::vector<wxWindow*>& out) {
  for (wxWindow* c : w->GetChildren()) {
    if (c->IsTopLevel() || !c->IsShown()) continue;
    out.push_back(c);
    ShownDescendants(c, out);
  }
}

// Every text whole (a Chinese text that went through the wrong conversion
// comes out empty), the title whole in its title bar, every labelled
// control as wide as its text needs, no two controls of one parent on top
// of each other, all inside the dialog.
constexpr int kDialogMargin = 4;  // pixels
inline void CheckDialogLayout(wxWindow& dialog, const std::string& name) {
  if (auto* top = dynamic_cast<wxTopLevelWindow*>(&dialog)) {
    EXPECT_GE(top->GetSize().x, qzn::TitleBarWidth(top->GetTitle()))
        << name << ": the title \"" << qzn::FromWx(top->GetTitle()) << "\" cut";
  }
  std::vector<wxWindow*> all;
  ShownDescendants(&dialog, all);
  const wxSize client = dialog.GetClientSize();
  for (wxWindow* w : all) {
    const std::string label = qzn::FromWx(w->GetLabel());
    const bool box = dynamic_cast<wxStaticBox*>(w) != nullptr;
    const bool labelled = box || dynamic_cast<wxButton*>(w) || dynamic_cast<wxCheckBox*>(w) ||
                          dynamic_cast<wxRadioButton*>(w) || (dynamic_cast<wxStaticText*>(w) && w->GetId() == wxID_ANY);
    if (labelled) {
      EXPECT_FALSE(label.empty()) << name << ": a control without its text";
    }
    if (labelled && !box) {
      EXPECT_GE(w->GetSize().x, w->GetBestSize().x) << name << ": \"" << label << "\" clipped";
    }
    const wxRect inDialog(dialog.ScreenToClient(w->GetScreenPosition()), w->GetSize());
    EXPECT_TRUE(wxRect(client).Contains(inDialog)) << name << ": \"" << label << "\" outside";
    // Nothing touches the dialog's edge: the dialogs keep a margin.
    if (w->GetParent() == &dialog) {
      EXPECT_TRUE(wxRect(client).Deflate(kDialogMargin).Contains(inDialog))
          << name << ": \"" << label << "\" within " << kDialogMargin << " pixels of the edge";
    }
  }
  for (std::size_t i = 0; i < all.size(); ++i)
    for (std::size_t j = i + 1; j < all.size(); ++j) {
      if (all[i]->GetParent() != all[j]->GetParent()) continue;
      if (dynamic_cast<wxStaticBox*>(all[i]) || dynamic_cast<wxStaticBox*>(all[j])) continue;
      EXPECT_FALSE(all[i]->GetRect().Intersects(all[j]->GetRect()))
          << name << ": \"" << qzn::FromWx(all[i]->GetLabel()) << "\" overlaps \"" << qzn::FromWx(all[j]->GetLabel())
          << "\"";
    }
}

// ---- the dialog smoke ----------------------------------------------------------------

// One row of a dialog smoke: a model, what to type into its window, and what
// the model must hold once OK has read the window back.
struct SmokeCase {
  const char* name;
  std::function<std::unique_ptr<qzn::CDialogModel>()> make;
  std::function<void(qzn::IDialogControls&)> fill;
  std::function<void(qzn::CDialogModel&)> check;
};

template <class T>
T& As(qzn::CDialogModel& m) {
  return dynamic_cast<T&>(m);
}

// Makes every case's window through the registry, shows it, checks its
// layout, saves its picture, fills it, presses OK, checks the model (no
// message may have come) and destroys it.
inline void RunDialogSmoke(const std::vector<SmokeCase>& cases, const std::vector<std::string>& messages) {
  for (const SmokeCase& k : cases) {
    SCOPED_TRACE(k.name);
    std::unique_ptr<qzn::CDialogModel> model = k.make();
    std::unique_ptr<qzn::CModelDialog> d(qzn::MakeDialogWindow(qzn::MainFrame(), *model));
    ASSERT_NE(d, nullptr);
    d->Show();
    Pump(3);
    CheckDialogLayout(*d, k.name);
    SaveDialogPicture(*d, k.name);
    k.fill(d->Controls());
    EXPECT_TRUE(d->PressOK());
    k.check(*model);
    EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages[0]);
    d.reset();
    Pump(2);
  }
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
