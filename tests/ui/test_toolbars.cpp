// The two toolbars as a user reads them: every button shows a picture of
// its own at 16, 24 and 32 pixels, its tooltip comes after the pointer rests
// on it, and the bars keep their pictures lying across the top or docked
// along the side (pictures of both kept in build/artifacts).
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/cshelp.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/timer.h>

#include "resources/commands.h"
#include "resources/menus.h"
#include "resources/messages_tools.h"
#include "resources/toolcommands.h"
#include "resources/toolbarpictures.h"
#include "resources/toolbars.h"
#include "tests/support/testutil.h"
#include "tests/ui/gui_test_util.h"
#include "ui/mainframe.h"
#include "ui/wxresources.h"
#include "ui/wxtext.h"

using namespace qzn;
using guitest::Pump;

namespace {

std::vector<int> AllButtons() {
  std::vector<int> ids;
  for (int bar : {res::kToolBarBasic, res::kToolBarView})
    for (int id : res::ToolbarButtons(bar))
      if (id != 0 && id != cmd::kLayerCombo) ids.push_back(id);
  return ids;
}

// Pixels of two pictures of one size that a user tells apart: a channel
// (alpha included) differs by more than a faint anti-aliasing shade.
int PixelsApart(const wxImage& a, const wxImage& b) {
  int n = 0;
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x) {
      const int alphaA = a.GetAlpha(x, y), alphaB = b.GetAlpha(x, y);
      // A transparent pixel's colour is not seen.
      auto seen = [](const wxImage& i, int x, int y, int alpha, int c) {
        const unsigned char* p = i.GetData() + 3 * (static_cast<std::size_t>(y) * i.GetWidth() + x);
        return p[c] * alpha / 255;
      };
      bool apart = std::abs(alphaA - alphaB) > 64;
      for (int c = 0; c < 3 && !apart; ++c) apart = std::abs(seen(a, x, y, alphaA, c) - seen(b, x, y, alphaB, c)) > 64;
      n += apart;
    }
  return n;
}

// What the display shows of a rectangle, as build/artifacts/<name>.png. The
// display server's own copy (ImageMagick's import), not the toolkit's screen
// context, which may hand back pixels from before the last layout.
void SaveScreenPart(const wxRect& r, const std::string& name) {
  if (!qzntest::HaveProgram("import")) return;  // only a picture to look at
  const std::filesystem::path out = std::filesystem::path(QZN_BINARY_DIR) / "artifacts" / (name + ".png");
  std::filesystem::create_directories(out.parent_path());
  EXPECT_EQ(
      qzntest::RunCommand("import -window root -crop " + std::to_string(r.width) + "x" + std::to_string(r.height) +
                          "+" + std::to_string(r.x) + "+" + std::to_string(r.y) + " '" + out.string() + "'"),
      0);
}

class Toolbars : public guitest::DesktopTest {};

// Context help as the toolkit gives it, the text it would show recorded
// instead of shown.
// The desktop's own provider is back when the test ends.
class RecordedHelp : public wxSimpleHelpProvider {
 public:
  RecordedHelp() : m_previous(wxHelpProvider::Set(this)) {}
  ~RecordedHelp() override { wxHelpProvider::Set(m_previous); }
  bool ShowHelp(wxWindowBase* window) override {
    shown = GetHelpTextMaybeAtPoint(window);
    return !shown.empty();
  }
  wxString shown;

 private:
  wxHelpProvider* m_previous;
};

}  // namespace

// Every button has a picture; at each size it has the size asked, is drawn
// (not blank, not a filled square) and differs from every other button's by
// enough pixels to be told apart; every picture file belongs to a button.
TEST(ToolbarPictures, EveryButtonHasItsOwnPictureAtEachSize) {
  wxInitAllImageHandlers();
  const std::vector<int> ids = AllButtons();
  std::set<std::string> used;
  for (int size : {16, 24, 32}) {
    SCOPED_TRACE(size);
    std::map<int, wxImage> pictures;
    for (int id : ids) {
      const char* name = res::ToolbarPictureName(id);
      ASSERT_NE(name, nullptr) << "no picture for " << res::CommandText(id);
      used.insert(name);
      const wxBitmapBundle bundle = ToolBitmap(id);
      ASSERT_TRUE(bundle.IsOk()) << name;
      wxImage image = bundle.GetBitmap(wxSize(size, size)).ConvertToImage();
      ASSERT_EQ(image.GetSize(), wxSize(size, size)) << name;
      if (!image.HasAlpha()) image.InitAlpha();
      int drawn = 0;
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) drawn += image.GetAlpha(x, y) > 128;
      EXPECT_GT(drawn, size * size / 10) << name << " is all but empty";
      EXPECT_LT(drawn, size * size) << name << " is a filled square";
      pictures[id] = image;
    }
    for (auto a = pictures.begin(); a != pictures.end(); ++a)
      for (auto b = std::next(a); b != pictures.end(); ++b)
        EXPECT_GE(PixelsApart(a->second, b->second), size * size / 32)
            << res::ToolbarPictureName(a->first) << " looks like " << res::ToolbarPictureName(b->first);
  }
  for (const res::ToolbarPictureFile& f : res::ToolbarPictureFiles())
    EXPECT_TRUE(used.count(f.name)) << f.name << ".svg belongs to no button";
}

// The tooltip: not at once, then the command's text once the pointer has
// rested on the button, gone when the pointer leaves the bar.
TEST_F(Toolbars, TooltipComesWhenThePointerRests) {
  CToolBar* bar = MainFrame()->BasicBar();
  wxAuiToolBarItem* item = bar->FindTool(WxId(cmd::kFileSaveProject));
  ASSERT_NE(item, nullptr);
  ASSERT_NE(item->GetSizerItem(), nullptr);
  const wxPoint at = item->GetSizerItem()->GetRect().GetPosition() + wxPoint(4, 4);
  wxMouseEvent move(wxEVT_MOTION);
  move.SetEventObject(bar);
  move.m_x = at.x;
  move.m_y = at.y;
  bar->GetEventHandler()->ProcessEvent(move);
  EXPECT_EQ(bar->ShownTip(), nullptr);
  for (int i = 0; i < 500 && !bar->ShownTip(); ++i) Pump(1);
  ASSERT_NE(bar->ShownTip(), nullptr) << "no tooltip";
  wxString text;
  for (wxWindow* c : bar->ShownTip()->GetChildren()) text += c->GetLabel();
  EXPECT_EQ(FromWx(text), res::PlainText(res::CommandText(cmd::kFileSaveProject)));
  wxMouseEvent leave(wxEVT_LEAVE_WINDOW);
  leave.SetEventObject(bar);
  bar->GetEventHandler()->ProcessEvent(leave);
  EXPECT_EQ(bar->ShownTip(), nullptr);
}

// Both bars lying across the top, then the view bar docked on the left: the
// pictures stay, the layer combo makes way. The pictures are kept to look at.
TEST_F(Toolbars, PicturesOfTheBarsAcrossAndDockedDown) {
  CMainFrame* f = MainFrame();
  ASSERT_NE(OpenFromDialog(std::string(QZN_SOURCE_DIR) + "/samples/contours.tif"), nullptr);
  Pump(20);
  const wxRect across = f->BasicBar()->GetScreenRect().Union(f->ViewBar()->GetScreenRect());
  SaveScreenPart(across, "toolbars-across");
  f->DockViewBar(wxAUI_DOCK_LEFT);
  Pump(20);
  EXPECT_TRUE(f->ViewBar()->IsVertical());
  const wxRect down = f->ViewBar()->GetScreenRect();
  EXPECT_GT(down.height, down.width);
  SaveScreenPart(down, "toolbars-docked-left");
  f->DockViewBar(wxAUI_DOCK_TOP);
  Pump(5);
}

// The basic bar ends with the context-help button: after it, a click on a
// button (the pointer there, the button pressed) shows the prompt of the
// button's command, the line and point tools' hints, or the button's name
// where the command has none.
TEST_F(Toolbars, ContextHelpTellsWhatTheClickedButtonDoes) {
  const auto basic = res::ToolbarButtons(res::kToolBarBasic);
  ASSERT_GE(basic.size(), 2u);
  EXPECT_EQ(basic.back(), cmd::kHelpContext);
  EXPECT_EQ(basic[basic.size() - 2], 0) << "a group of its own";
  CMainFrame* f = MainFrame();
  ASSERT_NE(f->BasicBar()->FindTool(WxId(cmd::kHelpContext)), nullptr);
  RecordedHelp recorded;
  const struct {
    CToolBar* bar;
    int command;
    std::string shown;
  } cases[] = {
      {f->ViewBar(), cmd::kLineDelete, res::text::kLineDeleteStatus},
      {f->ViewBar(), cmd::kPointSetId, res::text::kSetCurrentIdStatus},
      {f->BasicBar(), cmd::kFileOpen, res::PlainText(res::CommandText(cmd::kFileOpen))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    recorded.shown.clear();
    wxAuiToolBarItem* item = c.bar->FindTool(WxId(c.command));
    ASSERT_NE(item, nullptr);
    ASSERT_NE(item->GetSizerItem(), nullptr);
    const wxPoint at = item->GetSizerItem()->GetRect().GetPosition() + wxPoint(4, 4);
    // The click comes inside the context help's own loop, which the button
    // starts and which runs the desktop's timers but not the toolkit's
    // queued calls.
    wxTimer click;
    click.Bind(wxEVT_TIMER, [&c, at](wxTimerEvent&) {
      c.bar->WarpPointer(at.x, at.y);
      wxMouseEvent down(wxEVT_LEFT_DOWN);
      MainFrame()->GetEventHandler()->ProcessEvent(down);
    });
    click.StartOnce(1);
    // The loop asks the active event loop for the desktop's events, as it
    // does in the program.
    wxGUIEventLoop loop;
    wxEventLoopActivator active(&loop);
    ASSERT_TRUE(f->Dispatch(cmd::kHelpContext));
    Pump(3);
    EXPECT_EQ(FromWx(recorded.shown), c.shown);
  }
}
