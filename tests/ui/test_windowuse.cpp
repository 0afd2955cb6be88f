// The window used as a user uses it, with the events that come between two
// commands let through: zooms that make the scroll bars appear or go (and
// with them a size event), a page resized, the keyboard focus after opening,
// switching tabs and dragging the overview, tabs closed and files opened
// twice, a file opened after every way the last tab can go, the status
// line once no tab is left, the `*` of a tab and the question on closing, the status line,
// and the empty tabs' area once the last tab went.
#include <cstring>
#include <functional>
#include <memory>

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/mdi.h>
#include <wx/window.h>

#include <filesystem>

#include "app/qzndoc.h"
#include "platform/textfile.h"
#include "resources/commands.h"
#include "resources/messages_app.h"
#include "resources/messages_tools.h"
#include "resources/messages_window.h"
#include "resources/toolcommands.h"
#include "tests/ui/gui_test_util.h"
#include "ui/app.h"
#include "ui/core/batchdlg.h"
#include "ui/core/rectops.h"
#include "ui/core/viewcommands.h"
#include "ui/docview.h"
#include "ui/imagewindow.h"
#include "ui/mainframe.h"
#include "ui/wxresources.h"
#include "ui/wxtext.h"

using namespace qzn;
using viewtest::Kind;

namespace {

using guitest::Mouse;
using guitest::Pump;

// Lets events through until the condition holds (a bounded number of
// rounds: the condition is the event waited for, not a time).
bool PumpUntil(const std::function<bool()>& done, int rounds = 400) {
  for (int i = 0; i < rounds; ++i) {
    if (done()) return true;
    Pump(1);
  }
  return done();
}

// The window's services with the colour dialog answered: the desktop's
// colour chooser runs its own loop, out of a test's reach.
class ColourAnswered : public IViewServices {
 public:
  explicit ColourAnswered(COLORREF colour) : m_next(ViewServices()), m_colour(colour) { SetViewServices(this); }
  ~ColourAnswered() override { SetViewServices(m_next); }
  bool ChooseColor(COLORREF, COLORREF& chosen) override {
    chosen = m_colour;
    return true;
  }
  bool RenderView(CQznView& v, RgbBitmap& out) override { return m_next->RenderView(v, out); }
  bool CopyToClipboard(const RgbBitmap& p) override { return m_next->CopyToClipboard(p); }
  bool ChooseFont(LOGFONT& f, COLORREF& c, bool has) override { return m_next->ChooseFont(f, c, has); }
  LOGFONT WindowFont() override { return m_next->WindowFont(); }
  bool OpenInEditor(const std::string& path) override { return m_next->OpenInEditor(path); }
  void Print(CQznView& v) override { m_next->Print(v); }
  void PrintPreview(CQznView& v) override { m_next->PrintPreview(v); }
  void PrintSetup() override { m_next->PrintSetup(); }
  void PrintWindow(CQznView& v) override { m_next->PrintWindow(v); }
  void DocumentRenamed(CQznView& v) override { m_next->DocumentRenamed(v); }

 private:
  IViewServices* m_next;
  COLORREF m_colour;
};

// A row of a table of ways tabs are opened and closed.
struct WayTabsGo {
  const char* how;
  std::function<void()> tabsGo;
};

class WindowUse : public guitest::DesktopTest {
 protected:
  static bool Run(int id) { return MainFrame()->Dispatch(id); }

  // Runs a view command and lets the size event that showing or hiding the
  // scroll bars brings come and go.
  static void RunAndSettle(CImageWindow* w, int id) {
    const wxSize before = w->wxWindow::GetClientSize();
    ASSERT_TRUE(Run(id));
    PumpUntil([&] { return w->wxWindow::GetClientSize() != before; }, 60);
    Pump(5);
  }

  static bool ScrollBarsShown(CImageWindow* w) {
    const wxSize page = w->GetParent()->GetClientSize();
    const wxSize client = w->wxWindow::GetClientSize();
    return client.x < page.x || client.y < page.y;
  }

  static wxMDIChildFrame* ChildOf(CImageWindow* w) { return dynamic_cast<wxMDIChildFrame*>(w->GetParent()); }

  // 文件 > 关闭 chosen in the tab shown (the 3D view's tab has a menu of its own).
  static void CloseShownTabFromItsFileMenu() {
    wxMDIChildFrame* tab = MainFrame()->GetActiveChild();
    ASSERT_NE(tab, nullptr);
    wxCommandEvent close(wxEVT_MENU, WxId(cmd::kFileClose));
    close.SetEventObject(tab);
    tab->GetEventHandler()->ProcessEvent(close);
    Pump(5);
  }

  // Opens the 3D view of a small hill from the 3D open dialog.
  static void Open3DTab() {
    const std::string grid = dir->file("hill.grd");
    std::string text = "ncols 4\nnrows 4\nxllcorner 0\nyllcorner 0\ncellsize 10\nNODATA_value -9999\n";
    for (int r = 0; r < 4; ++r) text += "0 5 10 5\n";
    qzntest::WriteFileText(grid, text);
    host->fileAnswers.push_back({grid});
    ASSERT_TRUE(Run(cmd::kFileOpen3D));
  }

  // Opens a scan as the desktop's open dialog does: a window of its own
  // has the keys until it goes, and the workspace's tab is made before the
  // main window is active again.
  static CImageWindow* OpenAsFromTheDesktopsDialog(const std::string& path) {
    auto* dialog = new wxDialog(MainFrame(), wxID_ANY, "open");
    dialog->Show();
    dialog->Raise();
    EXPECT_TRUE(PumpUntil([&] { return dialog->IsActive() && !MainFrame()->IsActive(); }))
        << "the stand-in of the open dialog never had the keys";
    host->fileAnswers.push_back({path});
    EXPECT_TRUE(MainFrame()->Dispatch(cmd::kFileOpen));
    dialog->Destroy();
    Pump();
    return MainFrame()->ActiveImageWindow();
  }
};

TEST_F(WindowUse, PreviousViewAndBandZoomWhileTheScrollBarsComeAndGo) {
  // A tall scan: the whole of it is a narrow column of the wide page, a
  // zoomed part fills the page and brings the scroll bars.
  CImageWindow* w = OpenFromDialog(WriteScan("tall.tif", 1201, 2401, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  Pump(5);
  CQznView& v = w->View();
  const RECT full = v.visibleRect;
  ASSERT_EQ(full.bottom, 2400);
  EXPECT_FALSE(ScrollBarsShown(w));

  struct Case {
    const char* what;
    RECT band;  // empty: F2 about the cursor
  };
  for (const Case& c : {Case{"a band low in the scan", RECT{200, 1700, 700, 2100}},
                        Case{"a wide band", RECT{100, 300, 1100, 500}}, Case{"F2 about the cursor", RECT{}}}) {
    SCOPED_TRACE(c.what);
    RunAndSettle(w, cmd::kViewFullView);
    ASSERT_TRUE(v.visibleRect == full);
    v.cursorImageX = 600;
    v.cursorImageY = 1800;
    v.SetRubberBand(c.band);
    RunAndSettle(w, cmd::kViewZoomIn);
    EXPECT_TRUE(ScrollBarsShown(w));
    const RECT zoomed = v.visibleRect;
    if (!IsRectEmpty(c.band)) {
      EXPECT_TRUE(RectInside(c.band, zoomed))
          << "the band is cut: " << zoomed.left << "," << zoomed.top << " - " << zoomed.right << "," << zoomed.bottom;
    } else {
      EXPECT_TRUE(RectInside(RECT{500, 1700, 700, 1900}, zoomed));
    }
    // Never stretched more one way than the other.
    EXPECT_NEAR(v.scaleX / v.scaleY, 1.0, 0.06);
    // F6 gives the whole scan back whatever the scroll bars did, and F6
    // again the zoomed part.
    RunAndSettle(w, cmd::kViewPreviousView);
    EXPECT_TRUE(v.visibleRect == full);
    RunAndSettle(w, cmd::kViewPreviousView);
    EXPECT_TRUE(v.visibleRect == zoomed);
    // After F5, F6 returns to the zoomed part.
    RunAndSettle(w, cmd::kViewFullView);
    EXPECT_TRUE(v.visibleRect == full);
    RunAndSettle(w, cmd::kViewPreviousView);
    EXPECT_TRUE(v.visibleRect == zoomed);
  }

  // A page resized keeps the whole of what it shows.
  const RECT band{300, 900, 800, 1300};
  RunAndSettle(w, cmd::kViewFullView);
  v.SetRubberBand(band);
  RunAndSettle(w, cmd::kViewZoomIn);
  const wxSize frame = MainFrame()->GetSize();
  for (wxSize s : {wxSize(900, 760), wxSize(1280, 500), frame}) {
    MainFrame()->SetSize(s);
    PumpUntil([&] { return w->wxWindow::GetClientSize().x < s.x && MainFrame()->GetSize() == s; }, 60);
    Pump(5);
    EXPECT_TRUE(RectInside(band, v.visibleRect)) << s.x << "x" << s.y;
    EXPECT_NEAR(v.scaleX / v.scaleY, 1.0, 0.06) << s.x << "x" << s.y;
  }
  EXPECT_TRUE(host->messages.empty());
}

TEST_F(WindowUse, ScrollsDownAndBackGiveTheSamePictureAndScale) {
  // A scroll moves what is shown and keeps its size, whatever the toolkit
  // does to the page's layout on the way (the scroll bars are set anew on
  // every step): N steps one way and N back show the same pixels at the
  // same scale, by the keys and by the scroll bars' arrows, in the middle of
  // the scan and where the steps stop at its edges.
  CImageWindow* w = OpenFromDialog(WriteScan("scroll.tif", 4801, 2401, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  CQznView& v = w->View();
  auto key = [w](int code) {
    return [w, code] {
      wxKeyEvent e(wxEVT_KEY_DOWN);
      e.m_keyCode = code;
      w->GetEventHandler()->ProcessEvent(e);
    };
  };
  auto arrow = [w](wxEventType type, int orient) {
    return [w, type, orient] {
      wxScrollWinEvent e(type, 0, orient);
      e.SetEventObject(w);
      w->GetEventHandler()->ProcessEvent(e);
    };
  };
  struct Case {
    const char* what;
    std::function<void()> toEdge, forth, back;  // toEdge null: from the middle
    int steps;
  };
  const std::vector<Case> cases = {
      {"Down and Up in the middle", nullptr, key(WXK_DOWN), key(WXK_UP), 2},
      {"Right and Left in the middle", nullptr, key(WXK_RIGHT), key(WXK_LEFT), 2},
      {"the vertical bar's arrows in the middle", nullptr, arrow(wxEVT_SCROLLWIN_LINEDOWN, wxVERTICAL),
       arrow(wxEVT_SCROLLWIN_LINEUP, wxVERTICAL), 4},
      {"the horizontal bar's arrows in the middle", nullptr, arrow(wxEVT_SCROLLWIN_LINEDOWN, wxHORIZONTAL),
       arrow(wxEVT_SCROLLWIN_LINEUP, wxHORIZONTAL), 2},
      {"ten Down past the bottom and ten Up from the top", key(WXK_HOME), key(WXK_DOWN), key(WXK_UP), 10},
      {"ten of the vertical bar's arrows past the bottom from the top", key(WXK_HOME),
       arrow(wxEVT_SCROLLWIN_LINEDOWN, wxVERTICAL), arrow(wxEVT_SCROLLWIN_LINEUP, wxVERTICAL), 10},
      {"ten Right past the right edge from the left", arrow(wxEVT_SCROLLWIN_TOP, wxHORIZONTAL), key(WXK_RIGHT),
       key(WXK_LEFT), 10},
      {"ten Up past the top from the bottom", key(WXK_END), key(WXK_UP), key(WXK_DOWN), 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RunAndSettle(w, cmd::kViewFullView);
    v.cursorImageX = 2400;
    v.cursorImageY = 1200;
    RunAndSettle(w, cmd::kViewZoomIn);
    RunAndSettle(w, cmd::kViewZoomIn);
    ASSERT_TRUE(ScrollBarsShown(w));
    if (c.toEdge) {
      c.toEdge();
      Pump(10);
    }
    const RECT start = v.visibleRect;
    const double scaleX = v.scaleX, scaleY = v.scaleY;
    const wxImage picture = w->Snapshot();
    for (int i = 0; i < c.steps; ++i) {
      c.forth();
      Pump(10);  // the relayout the scroll bars' change brings
      const RECT& r = v.visibleRect;
      if (!c.toEdge) {
        ASSERT_TRUE(r.left > 0 && r.top > 0 && r.right < 4800 && r.bottom < 2400) << "step " << i << " met an edge";
      }
      EXPECT_EQ(RectWidth(v.visibleRect), RectWidth(start)) << "step " << i;
      EXPECT_EQ(RectHeight(v.visibleRect), RectHeight(start)) << "step " << i;
    }
    for (int i = 0; i < c.steps; ++i) {
      c.back();
      Pump(10);
    }
    EXPECT_TRUE(v.visibleRect == start) << v.visibleRect.left << "," << v.visibleRect.top << " - "
                                        << v.visibleRect.right << "," << v.visibleRect.bottom << " instead of "
                                        << start.left << "," << start.top << " - " << start.right << ","
                                        << start.bottom;
    EXPECT_DOUBLE_EQ(v.scaleX, scaleX);
    EXPECT_DOUBLE_EQ(v.scaleY, scaleY);
    const wxImage after = w->Snapshot();
    ASSERT_EQ(after.GetSize(), picture.GetSize());
    long differ = 0;
    for (long i = 0; i < long(after.GetWidth()) * after.GetHeight() * 3; i += 3)
      differ += std::memcmp(after.GetData() + i, picture.GetData() + i, 3) != 0;
    EXPECT_EQ(differ, 0) << "pixels changed";
  }
  guitest::Screenshot(*MainFrame(), "scrolled-back");
  EXPECT_TRUE(host->messages.empty());
}

// The desktop made under the X input method. GTK picks the input method of
// a process's windows once, with the first, so the suite sets it before it
// makes the desktop (ctest runs each test in a process of its own).
class XInputMethodUse : public WindowUse {
 protected:
  static inline std::unique_ptr<guitest::ScopedEnv> im;
  static void SetUpTestSuite() {
    im = std::make_unique<guitest::ScopedEnv>("GTK_IM_MODULE", "xim");
    WindowUse::SetUpTestSuite();
  }
  static void TearDownTestSuite() {
    WindowUse::TearDownTestSuite();
    im.reset();
  }
};

TEST_F(XInputMethodUse, TheScreenShowsEveryStepAtOnce) {
  // GTK takes the X input method for Chinese, Japanese and Korean locales
  // (zh_CN.UTF-8 is this program's users' own), with an input-method server
  // or only Xlib's; an input context focused with the image made what it
  // painted reach the screen one step late. Whatever the locale of the run,
  // the image must reach the screen at once: after opening (not what the
  // file dialog left), after F2, F5 and F6 (not the step before).
  CImageWindow* w = OpenFromDialog(WriteScan("im.tif", 1601, 1201, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == w; }));
  // The image, its tab and the overview take keys as commands, with no
  // input context of the toolkit for the X input method to tie them to.
  EXPECT_EQ(w->m_imContext, nullptr);
  EXPECT_EQ(ChildOf(w)->m_imContext, nullptr);
  ASSERT_NE(w->OverviewFrame(), nullptr);
  EXPECT_EQ(w->OverviewFrame()->GetChildren().front()->m_imContext, nullptr);
  CQznView& v = w->View();
  v.cursorImageX = 400;
  v.cursorImageY = 300;
  // The top left of the image, clear of the overview: the display's pixels
  // against the window's own picture.
  const wxRect part(0, 0, 400, 300);
  auto onScreen = [&] { return guitest::ScreenPixels(wxRect(w->ClientToScreen(part.GetPosition()), part.GetSize())); };
  auto shows = [&](const char* step) {
    // The picture settles once the scroll bars have come or gone.
    wxImage want, got;
    const bool same = PumpUntil(
        [&] {
          want = w->Snapshot().GetSubImage(part);
          got = onScreen();
          return std::memcmp(got.GetData(), want.GetData(), std::size_t(part.width) * part.height * 3) == 0;
        },
        200);
    EXPECT_TRUE(same) << "the screen does not show the picture " << step;
  };
  shows("after opening");
  const RECT opened = v.visibleRect;
  for (auto [step, command] : {std::pair{"after F2", cmd::kViewZoomIn}, std::pair{"after F5", cmd::kViewFullView},
                               std::pair{"after F6", cmd::kViewPreviousView}}) {
    ASSERT_TRUE(Run(command));
    shows(step);
  }
  EXPECT_FALSE(v.visibleRect == opened);  // F6 went back to the zoom
  EXPECT_TRUE(host->messages.empty());
}

TEST_F(WindowUse, TheImageHasTheKeyboardAfterOpeningSwitchingTabsAndTheOverview) {
  CImageWindow* first = OpenFromDialog(WriteScan("first.tif", 1601, 1201, Kind::kGrey));
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == first; })) << "not after opening";
  CImageWindow* second = OpenFromDialog(WriteScan("second.tif", 1601, 1201, Kind::kGrey));
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == second; })) << "not after opening a second scan";
  // The user picks the other tab.
  MainFrame()->ActivatePrevious();
  ASSERT_TRUE(PumpUntil([&] { return MainFrame()->ActiveImageWindow() == first; }));
  EXPECT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == first; })) << "not after switching tabs";
  // So the arrow keys scroll at once.
  RunAndSettle(first, cmd::kViewZoomIn);
  const RECT zoomed = first->View().visibleRect;
  wxKeyEvent down(wxEVT_KEY_DOWN);
  down.m_keyCode = WXK_DOWN;
  wxWindow::FindFocus()->GetEventHandler()->ProcessEvent(down);
  EXPECT_EQ(first->View().visibleRect.top, zoomed.top + RectHeight(zoomed) / 2);

  // A drag in the overview (which the click gave the focus) recentres the
  // view and gives the focus back to it, so F5 and the keys work again.
  COverviewFrame* ov = first->OverviewFrame();
  ASSERT_NE(ov, nullptr);
  ASSERT_TRUE(ov->IsShown());
  wxWindow* canvas = ov->GetChildren().front();
  canvas->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == canvas; }));
  const RECT o = first->View().Overview()->ViewRect();
  Mouse(canvas, wxEVT_LEFT_DOWN, (o.left + o.right) / 2, (o.top + o.bottom) / 2);
  Mouse(canvas, wxEVT_MOTION, 20, 20);
  Mouse(canvas, wxEVT_LEFT_UP, 20, 20);
  EXPECT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == first; })) << "the overview kept the focus";
  EXPECT_TRUE(host->messages.empty());
}

TEST_F(WindowUse, TabsCloseFromTheFileMenuAndAFileOpenedTwiceShowsItsTab) {
  const std::string a = WriteScan("a.tif", 300, 200, Kind::kGrey), b = WriteScan("b.tif", 300, 200, Kind::kGrey);
  CImageWindow* first = OpenFromDialog(a);
  CImageWindow* second = OpenFromDialog(b);
  ASSERT_TRUE(first && second);
  ASSERT_EQ(MainFrame()->ActiveImageWindow(), second);
  // The same file again: no second workspace, its tab comes to the front.
  EXPECT_EQ(OpenFromDialog(a), first);
  EXPECT_TRUE(PumpUntil([&] { return MainFrame()->ActiveImageWindow() == first; }));
  EXPECT_EQ(Desktop()->manager->GetDocumentsVector().size(), 2u);
  guitest::Screenshot(*MainFrame(), "tabs-file-menu");
  // 文件 > 关闭 on the tab shown; an unchanged workspace goes without a word.
  ASSERT_TRUE(Run(cmd::kFileClose));
  Pump(5);
  EXPECT_EQ(Desktop()->manager->GetDocumentsVector().size(), 1u);
  EXPECT_TRUE(PumpUntil([&] { return MainFrame()->ActiveImageWindow() == second; }));
  EXPECT_TRUE(host->messages.empty());
  // With unsaved work the close asks; Cancel keeps the tab.
  second->View().Document()->m_lines.NewChain();
  host->answers.push_back(IDCANCEL);
  ASSERT_TRUE(Run(cmd::kFileClose));
  Pump(5);
  ASSERT_EQ(host->messages.size(), 1u);
  EXPECT_EQ(host->messages[0], res::text::kAskSaveData);
  EXPECT_EQ(Desktop()->manager->GetDocumentsVector().size(), 1u);
}

TEST_F(WindowUse, AfterEveryWayTheLastTabGoesTheNextFileOpensInANewTab) {
  const auto close3D = [] {
    ASSERT_EQ(MainFrame()->ActiveImageWindow(), nullptr) << "not the 3D view's tab";
    CloseShownTabFromItsFileMenu();
  };
  const auto open3D = [] {
    Open3DTab();
    ASSERT_TRUE(PumpUntil([] { return MainFrame()->GetActiveChild() && !MainFrame()->ActiveImageWindow(); }));
  };
  const auto openScan = [](const char* name) {
    ASSERT_NE(OpenAsFromTheDesktopsDialog(WriteScan(name, 300, 200, Kind::kGrey)), nullptr) << name;
  };
  const auto closeShown = [] {
    ASSERT_TRUE(Run(cmd::kFileClose));
    Pump(5);
  };
  const std::vector<WayTabsGo> cases = {
      {"文件 > 关闭 on the only tab",
       [&] {
         openScan("only.tif");
         closeShown();
       }},
      {"the last of several closed",
       [&] {
         for (const char* name : {"one.tif", "two.tif", "three.tif"}) openScan(name);
         // The first tab shown and closed, so the others come forward in turn.
         MainFrame()->ActivatePrevious();
         MainFrame()->ActivatePrevious();
         Pump(5);
         for (int i = 0; i < 3; ++i) closeShown();
       }},
      {"the 3D tab closed last",
       [&] {
         openScan("under3d.tif");
         open3D();
         MainFrame()->ActivatePrevious();
         Pump(5);
         closeShown();
         close3D();
       }},
      {"the only tab the 3D view's",
       [&] {
         open3D();
         close3D();
       }},
      {"a new workspace after closing, then closed",
       [&] {
         openScan("before.tif");
         closeShown();
         ASSERT_TRUE(Run(cmd::kFileNew));
         Pump(5);
         closeShown();
       }},
      {"a new workspace after closing, left open",
       [&] {
         openScan("before.tif");
         closeShown();
         ASSERT_TRUE(Run(cmd::kFileNew));
         Pump(5);
       }},
  };
  for (const WayTabsGo& c : cases) {
    SCOPED_TRACE(c.how);
    // The toolkit's complaints of a window it still takes for the focus
    // while it is destroyed go to stderr; the next focus change then
    // dereferences it.
    testing::internal::CaptureStderr();
    c.tabsGo();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("CRITICAL"), std::string::npos) << said;
    const std::size_t before = Desktop()->manager->GetDocumentsVector().size();
    testing::internal::CaptureStderr();
    const std::string next = WriteScan("next.tif", 320, 240, Kind::kGrey);
    CImageWindow* w = OpenAsFromTheDesktopsDialog(next);
    // Keys typed into the new tab, as a user goes on at once.
    if (w) {
      wxKeyEvent f5(wxEVT_KEY_DOWN);
      f5.m_keyCode = WXK_F5;
      w->GetEventHandler()->ProcessEvent(f5);
    }
    Pump(5);
    const std::string opening = testing::internal::GetCapturedStderr();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->View().Document()->GetPathName(), next);
    EXPECT_EQ(Desktop()->manager->GetDocumentsVector().size(), before + 1);
    EXPECT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == w; })) << "the new tab's image has not the keys";
    EXPECT_EQ(opening.find("CRITICAL"), std::string::npos) << opening;
    Desktop()->manager->CloseDocuments(true);
    Pump(5);
  }
  EXPECT_TRUE(host->messages.empty()) << host->messages.front();
}

TEST_F(WindowUse, TheTabsStarAndTheCloseQuestionAgree) {
  // What a user changes, whether the tab then shows `*` and the close asks.
  struct Case {
    const char* what;
    std::function<void(CImageWindow*)> change;
    bool modified;
    int worldFileAnswer = 0;  // the answer to the world file beside the scan; 0: none there
  };
  auto colourDialogOk = [](int command) {
    return [command](CImageWindow*) {
      ColourAnswered green(RGB(0, 200, 0));
      ASSERT_TRUE(Run(command));
    };
  };
  const std::vector<Case> cases = {
      {"only opened", [](CImageWindow*) {}, false},
      {"node colour", colourDialogOk(33053), true},
      {"end-point colour", colourDialogOk(33057), true},
      {"a line drawn, then the project saved",
       [](CImageWindow* w) {
         w->View().Document()->m_lines.NewChain()->AddPoint(10, 10);
         host->fileAnswers.push_back({dir->file("saved.prj")});
         ASSERT_TRUE(Run(cmd::kFileSaveProject));
       },
       false},
      // The georeference taken is the workspace's, kept only by saving the
      // project.
      {"a world file beside it taken", [](CImageWindow*) {}, true, IDYES},
      {"a world file beside it declined", [](CImageWindow*) {}, false, IDNO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string scan = WriteScan("star.tif", 300, 200, Kind::kGrey), world = dir->file("star.tfw");
    std::filesystem::remove(world);
    if (c.worldFileAnswer) {
      qzntest::WriteFileText(world, "2.0\n0.0\n0.0\n-2.0\n500000.0\n4000000.0\n");
      host->answers.push_back(c.worldFileAnswer);
    }
    CImageWindow* w = OpenFromDialog(scan);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->View().Document()->m_tfw.m_nTerms != 0, c.worldFileAnswer == IDYES);
    // Lines exist, so the colour commands are there.
    w->View().Document()->m_lines.NewChain()->AddPoint(5, 5);
    w->View().Document()->m_lines.m_nModified = 0;
    c.change(w);
    Pump(5);
    const auto star = [&] { return ChildOf(w)->GetTitle().EndsWith("*"); };
    EXPECT_TRUE(PumpUntil([&] { return star() == c.modified; })) << FromWx(ChildOf(w)->GetTitle());
    host->messages.clear();
    host->answers.push_back(IDNO);
    ASSERT_TRUE(Run(cmd::kFileClose));
    Pump(5);
    EXPECT_EQ(!host->messages.empty() && host->messages[0] == res::text::kAskSaveData, c.modified);
    EXPECT_TRUE(Desktop()->manager->GetDocumentsVector().empty());
    host->answers.clear();
    host->messages.clear();
  }
  std::filesystem::remove(dir->file("star.tfw"));
}

TEST_F(WindowUse, TheStatusLineIsReadyAgainAfterToolsTabsAndABatchRun) {
  const auto status = [] { return FromWx(MainFrame()->GetMessageText()); };
  CImageWindow* w = OpenFromDialog(WriteScan("status.tif", 400, 300, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  const POINT at = w->View().ImageToClientPixel(CFPoint(100, 100));
  // A line begun shows the line tool's hint; 完成 ends it and the hint.
  auto beginLine = [&] {
    if (w->View().editMode != EditMode::kLineEdit) {
      ASSERT_TRUE(Run(cmd::kEditLineTool));
    }
    Mouse(w, wxEVT_LEFT_DOWN, at.x, at.y);
    Mouse(w, wxEVT_LEFT_UP, at.x, at.y);
    ASSERT_NE(status(), res::text::kReady);
  };
  beginLine();
  ASSERT_TRUE(Run(cmd::kEditDone));
  EXPECT_EQ(status(), res::text::kReady);
  // Another tab shown, and back.
  beginLine();
  CImageWindow* other = OpenFromDialog(WriteScan("other.tif", 400, 300, Kind::kGrey));
  ASSERT_NE(other, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return status() == res::text::kReady; })) << status();
  MainFrame()->ActivatePrevious();
  ASSERT_TRUE(PumpUntil([&] { return MainFrame()->ActiveImageWindow() == w; }));
  EXPECT_EQ(status(), res::text::kReady);
  // The 3D view's tab.
  beginLine();
  Open3DTab();
  EXPECT_TRUE(PumpUntil([&] { return MainFrame()->ActiveImageWindow() == nullptr && MainFrame()->GetActiveChild(); }));
  EXPECT_EQ(status(), res::text::kReady);
  if (wxMDIChildFrame* view3d = MainFrame()->GetActiveChild()) view3d->Close(true);
  Pump(5);

  // A batch run: "当前处理进程..." while it runs, ready afterwards; its log
  // named in full, beside the image, one entry a line.
  const std::string scan = WriteScan("batch.tif", 200, 150, Kind::kGrey);
  guitest::WhenShown<CModelDialog>([&](CModelDialog& d) {
    d.Controls().AddString(CBatchVectorizeDlg::kImages, scan);
    d.Controls().SetText(CBatchVectorizeDlg::kLogPath, "batch.log");
    auto& model = dynamic_cast<CBatchVectorizeDlg&>(d.Model());
    model.images = {scan};
    model.script = {"ImageConvert Greyscale", "ImageRotate"};
    host->answers.push_back(IDOK);
    guitest::Click(d, wxID_OK);
  });
  ASSERT_TRUE(Run(cmd::kVectorBatch));
  Pump(5);
  EXPECT_EQ(status(), res::text::kReady);
  const std::string log = dir->file("batch.log");
  ASSERT_TRUE(std::filesystem::exists(log));
  ASSERT_FALSE(host->messages.empty());
  EXPECT_NE(host->messages.back().find(log), std::string::npos) << host->messages.back();
  const std::string lines = GbkToUtf8(qzntest::ReadFileText(log));
  EXPECT_NE(lines.find("开始矢量化 " + scan + "\r\nImageConvert Greyscale 在 "), std::string::npos) << lines;
  EXPECT_NE(lines.find("上的全部功能\r\n执行 ImageRotate 在 "), std::string::npos) << lines;
}

TEST_F(WindowUse, WithNoTabLeftTheStatusLineKeepsNoToolTextNorCoordinates) {
  const auto message = [] { return FromWx(MainFrame()->GetMessageText()); };
  const auto coordinates = [] { return FromWx(MainFrame()->GetStatusBar()->GetStatusText(1)); };
  // A tool chosen in a scan's tab and the pointer moved over the image.
  const auto workInAScan = [] {
    CImageWindow* w = OpenFromDialog(WriteScan("status.tif", 400, 300, Kind::kGrey));
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(Run(cmd::kEditLineTool));
    ASSERT_TRUE(Run(cmd::kLineDelete));
    Mouse(w, wxEVT_MOTION, 30, 40, false, false, false);
  };
  const std::vector<WayTabsGo> cases = {
      {"the only tab closed",
       [&] {
         workInAScan();
         CloseShownTabFromItsFileMenu();
       }},
      {"the 3D tab the last to go",
       [&] {
         workInAScan();
         Open3DTab();
         ASSERT_TRUE(PumpUntil([] { return MainFrame()->GetActiveChild() && !MainFrame()->ActiveImageWindow(); }));
         MainFrame()->ActivatePrevious();
         ASSERT_TRUE(PumpUntil([] { return MainFrame()->ActiveImageWindow() != nullptr; }));
         ASSERT_TRUE(Run(cmd::kLineDelete));
         CloseShownTabFromItsFileMenu();
         CloseShownTabFromItsFileMenu();
       }},
  };
  for (const WayTabsGo& c : cases) {
    SCOPED_TRACE(c.how);
    c.tabsGo();
    EXPECT_EQ(MainFrame()->GetActiveChild(), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return message() == res::text::kReady; })) << message();
    EXPECT_TRUE(PumpUntil([&] { return coordinates().empty(); })) << coordinates();
  }
  // While a tab is open, its tool's text and the coordinates show.
  workInAScan();
  Pump(5);
  EXPECT_EQ(message(), res::text::kLineDeleteStatus);
  EXPECT_EQ(coordinates(), FormatCoordinates(g_cursorX, g_cursorY));
}

TEST_F(WindowUse, WithNoTabLeftTheTabsAreaIsAsBeforeTheFirstTab) {
  // The empty tabs' area as the display shows it, each time after a dialog
  // took the keys and gave them back, the same pixels as before the first
  // tab. An empty tab strip left behind shows as a band across its top, and
  // under it the theme paints the area white once the window is maximised or
  // restored.
  wxWindow* client = MainFrame()->GetClientWindow();
  ASSERT_NE(client, nullptr);
  const auto area = [client] { return guitest::ScreenPixels(client->GetScreenRect()); };
  const auto dialogComesAndGoes = [] {
    auto* dialog = new wxDialog(MainFrame(), wxID_ANY, "dialog");
    dialog->Show();
    dialog->Raise();
    EXPECT_TRUE(PumpUntil([&] { return dialog->IsActive(); })) << "the dialog never had the keys";
    dialog->Destroy();
    MainFrame()->Raise();
    EXPECT_TRUE(PumpUntil([] { return MainFrame()->IsActive(); })) << "the window never had the keys back";
    Pump(10);
  };
  dialogComesAndGoes();
  const wxImage start = area();
  ASSERT_TRUE(start.IsOk());
  // Where the area differs from the start's first, or empty when it does not.
  const auto difference = [&start](const wxImage& now) -> std::string {
    if (now.GetSize() != start.GetSize()) return "another size";
    for (int y = 0; y < now.GetHeight(); ++y)
      for (int x = 0; x < now.GetWidth(); ++x)
        if (std::memcmp(now.GetData() + 3 * (y * now.GetWidth() + x), start.GetData() + 3 * (y * now.GetWidth() + x),
                        3) != 0)
          return wxString::Format("(%d, %d): %02x%02x%02x, at the start %02x%02x%02x", x, y, now.GetRed(x, y),
                                  now.GetGreen(x, y), now.GetBlue(x, y), start.GetRed(x, y), start.GetGreen(x, y),
                                  start.GetBlue(x, y))
              .ToStdString();
    return std::string();
  };
  const std::vector<WayTabsGo> cases = {
      {"a scan's tab closed",
       [] {
         ASSERT_NE(OpenFromDialog(WriteScan("area.tif", 300, 200, Kind::kGrey)), nullptr);
         CloseShownTabFromItsFileMenu();
       }},
      {"the 3D view's tab closed, then a scan's",
       [] {
         ASSERT_NE(OpenFromDialog(WriteScan("area.tif", 300, 200, Kind::kGrey)), nullptr);
         Open3DTab();
         ASSERT_TRUE(PumpUntil([] { return MainFrame()->GetActiveChild() && !MainFrame()->ActiveImageWindow(); }));
         CloseShownTabFromItsFileMenu();
         ASSERT_TRUE(PumpUntil([] { return MainFrame()->ActiveImageWindow() != nullptr; }));
         CloseShownTabFromItsFileMenu();
       }},
  };
  for (const WayTabsGo& c : cases) {
    SCOPED_TRACE(c.how);
    c.tabsGo();
    ASSERT_EQ(MainFrame()->GetActiveChild(), nullptr);
    dialogComesAndGoes();
    std::string differs;
    EXPECT_TRUE(PumpUntil([&] { return (differs = difference(area())).empty(); })) << differs;
  }
}

TEST_F(WindowUse, AShapefilesProjectionTextOpenedAsAProjectGivesOneMessage) {
  const std::string prj = dir->file("rivers.prj");
  qzntest::WriteFileText(prj,
                         "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137,298.257223563]]]");
  host->answers.push_back(IDOK);
  host->answers.push_back(IDOK);
  EXPECT_EQ(OpenFromDialog(prj), nullptr);
  ASSERT_EQ(host->messages.size(), 1u);
  EXPECT_EQ(host->messages[0], res::text::kInvalidProjectFile);
  EXPECT_TRUE(Desktop()->manager->GetDocumentsVector().empty());
}

}  // namespace
