// The main window's keyboard shortcuts: set up at start from the menus and
// the user's stored keys, edited through View > 快捷键..., run from the
// keyboard, stored at the end; a damaged stored value is reported and
// changes nothing.
#include <gtest/gtest.h>

#include <wx/accel.h>

#include "platform/profile.h"
#include "resources/commands.h"
#include "resources/messages_widgets.h"
#include "tests/support/testutil.h"
#include "tests/widgets/guikit.h"
#include "ui/app.h"
#include "ui/mainframe.h"
#include "ui/shortcuts.h"
#include "ui/wxhost.h"
#include "ui/wxresources.h"

using namespace qzn;
using qzntest::TempDir;

namespace {

// A desktop made and torn down as the program does, on a profile of its own.
class Shortcuts : public ::testing::Test {
 protected:
  TempDir dir;
  CWxHost host;
  std::unique_ptr<CProfileStore> profile;

  void SetUp() override {
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    host.scripted = true;
    SetHost(&host);
    OpenProfile();
  }
  void TearDown() override {
    if (Desktop()) DestroyDesktop();
    qzntest::Pump(20);
    SetProfile(nullptr);
    SetHost(nullptr);
    unsetenv("XDG_CONFIG_HOME");
  }
  void OpenProfile() {
    profile = std::make_unique<CProfileStore>(CProfileStore::DefaultPath());
    SetProfile(profile.get());
  }
  CDesktop* Start() {
    CDesktop* d = CreateDesktop();
    d->frame->SetSize(0, 0, 1000, 700);
    d->frame->Show();
    qzntest::Pump(30);
    return d;
  }
  static int CommandOfKey(CDesktop* d, int key, bool ctrl, bool shift) {
    wxKeyEvent e(wxEVT_KEY_DOWN);
    e.m_keyCode = key;
    e.m_controlDown = ctrl;
    e.m_shiftDown = shift;
    const int id = d->frame->GetAcceleratorTable()->GetCommand(e);
    return id < 0 ? id : CommandOfWxId(id);
  }
};

}  // namespace

TEST_F(Shortcuts, AssignedKeysRunTheirCommandsAndComeBackNextTime) {
  CDesktop* d = Start();
  EXPECT_TRUE(host.messages.empty());
  // The menu's keys, locked.
  EXPECT_EQ(CommandOfKey(d, 'N', true, false), cmd::kFileNew);
  const CShortcutCommand* zoom = d->shortcuts->GetCommand(cmd::kViewZoomIn);
  ASSERT_NE(zoom, nullptr);
  ASSERT_FALSE(zoom->m_keys.empty());
  EXPECT_TRUE(zoom->m_keys[0].m_bLocked);
  EXPECT_EQ(d->shortcuts->GetCommand(cmd::kViewShortcutKeys)->m_strText, "查看(V)|快捷键   ");

  // View > 快捷键...: Ctrl+Shift+F5 for the overview command, then OK.
  const std::string text = d->shortcuts->GetCommand(cmd::kViewOverview)->m_strText;
  qzntest::OnKeysDialog(
      [text](CCustomizeKeysDlg& dlg) {
        ASSERT_TRUE(qzntest::SelectCommand(dlg, text));
        qzntest::AssignCtrlShiftF5(dlg);
      },
      wxID_OK);
  EXPECT_TRUE(d->frame->Dispatch(cmd::kViewShortcutKeys));
  EXPECT_EQ(CommandOfKey(d, WXK_F5, true, true), cmd::kViewOverview);

  // The key pressed in the window: the toolkit finds the command in the
  // frame's table and sends it; the frame runs it.
  int ran = 0;
  d->frame->Commands().Add(cmd::kViewOverview, [&ran] { ++ran; });
  wxCommandEvent menu(wxEVT_MENU, WxId(CommandOfKey(d, WXK_F5, true, true)));
  menu.SetEventObject(d->frame);
  d->frame->HandleWindowEvent(menu);
  EXPECT_EQ(ran, 1);

  // Stored at the end, taken back at the next start.
  DestroyDesktop();
  qzntest::Pump(20);
  OpenProfile();
  std::vector<std::uint8_t> value;
  ASSERT_TRUE(profile->GetBinary("Settings", "Keyboard", value));
  EXPECT_EQ(value, EncodeShortcutWords({0x0001FFFF, (1u << 16) + cmd::kViewOverview, 0x020D0074}));
  d = Start();
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(CommandOfKey(d, WXK_F5, true, true), cmd::kViewOverview);
  EXPECT_EQ(CommandOfKey(d, 'N', true, false), cmd::kFileNew);
}

TEST_F(Shortcuts, CancelChangesNothing) {
  CDesktop* d = Start();
  const auto before = d->shortcuts->BuildValue();
  qzntest::OnKeysDialog(
      [](CCustomizeKeysDlg& dlg) {
        qzntest::SelectCommand(dlg, "查看(V)|快捷键   ");
        qzntest::AssignCtrlShiftF5(dlg);
      },
      wxID_CANCEL);
  EXPECT_TRUE(d->frame->Dispatch(cmd::kViewShortcutKeys));
  EXPECT_EQ(d->shortcuts->BuildValue(), before);
  EXPECT_EQ(CommandOfKey(d, WXK_F5, true, true), -1);
}

TEST_F(Shortcuts, ADamagedValueIsReportedAndTheMenuKeysStay) {
  // Two commands announced, one there.
  profile->WriteBinary("Settings", "Keyboard", EncodeShortcutWords({0x0002FFFF, (1u << 16) + 33111, 0x020D0074}));
  CDesktop* d = Start();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], res::text::kShortcutLoadFailed);
  EXPECT_EQ(CommandOfKey(d, 'N', true, false), cmd::kFileNew);
  EXPECT_EQ(CommandOfKey(d, WXK_F5, true, true), -1);
  // Text that is not base64 at all is refused the same way.
  DestroyDesktop();
  qzntest::Pump(20);
  host.messages.clear();
  profile->WriteString("Settings", "Keyboard", "not base64 !!");
  d = Start();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], res::text::kShortcutLoadFailed);
}
