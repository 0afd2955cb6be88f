// The customise-keys dialog and the shortcuts of a window: key capture,
// assigning, conflicts, locked keys, reset, cancel, and an assigned key
// typed in the window running its command.
#include <gtest/gtest.h>

#include <cstdlib>

#include <wx/button.h>
#include <wx/menu.h>

#include "guikit.h"
#include "platform/host.h"
#include "widgets/keymap.h"
#include "widgets/shortcutdlg.h"

using namespace qzntest;

namespace {

enum : int { kNew = 57600, kPrintScreen = 32857, kShortcuts = 33111, kZoomIn = 32768 };
// The toolkit's menu ids stay below 0x7FFF: the window numbers its commands
// apart from the stored command numbers.
int WxId(int command) { return command - 30000; }

// A main window with a menu like the program's and the manager set up in
// the start-up order.
struct MainWindow {
  wxFrame* frame;
  std::unique_ptr<CWxAcceleratorFrame> accel;
  CShortcutManager manager;
  std::vector<int> ran;

  MainWindow() {
    frame = new wxFrame(nullptr, wxID_ANY, "qzn", wxPoint(0, 0), wxSize(500, 300));
    auto* file = new wxMenu;
    file->Append(WxId(kNew), wxString::FromUTF8("新建工作空间(&N)"));
    auto* print = new wxMenu;
    print->Append(WxId(kPrintScreen), wxString::FromUTF8("打印屏幕..."));
    file->AppendSubMenu(print, wxString::FromUTF8("打印(&P)"));
    auto* view = new wxMenu;
    view->Append(WxId(kShortcuts), wxString::FromUTF8("快捷键..."));
    view->Append(WxId(kZoomIn), wxString::FromUTF8("放大"));
    auto* bar = new wxMenuBar;
    bar->Append(file, wxString::FromUTF8("文件(&F)"));
    bar->Append(view, wxString::FromUTF8("查看(&V)"));
    frame->SetMenuBar(bar);
    for (int id : {kNew, kPrintScreen, kShortcuts, kZoomIn})
      frame->Bind(
          wxEVT_MENU, [this, id](wxCommandEvent&) { ran.push_back(id); }, WxId(id));

    accel = std::make_unique<CWxAcceleratorFrame>(
        frame, std::vector<CAccelEntry>{{FVIRTKEY | FCONTROL, 'N', kNew}, {FVIRTKEY, 107, kZoomIn}},
        [](std::uint16_t command) { return WxId(command); });
    manager.Attach(accel.get(), false);
    manager.InitFromMenu(Menu(), true);
    manager.CreateAcceleratorTable();
    manager.SaveDefaultTable();
    frame->Show();
    Pump(50);
  }
  ~MainWindow() {
    frame->Destroy();
    Pump(20);
  }
  static CShortcutMenuItem Menu() {
    CShortcutMenuItem bar;
    CShortcutMenuItem file{"文件(&F)", 0, {{"新建工作空间(&N)", kNew, {}}, {"", 0, {}}}};
    file.items.push_back({"打印(&P)", 0, {{"打印屏幕...", kPrintScreen, {}}}});
    CShortcutMenuItem view{"查看(&V)", 0, {{"快捷键...", kShortcuts, {}}, {"放大", kZoomIn, {}}}};
    bar.items = {file, view};
    return bar;
  }
};

std::vector<std::string> KeyTexts(CCustomizeKeysDlg& dlg) {
  std::vector<std::string> out;
  for (int i = 0; i < dlg.Keys()->GetCount(); ++i) out.push_back(dlg.Keys()->GetText(i));
  return out;
}

}  // namespace

TEST(ShortcutDialog, CapturesAssignsAndRefuses) {
  wxInitAllImageHandlers();
  MainWindow w;
  CShortcutManager copy;
  copy.CopyFrom(w.manager);
  CScriptedHost services;
  CHostScope scope(&services);
  CCustomizeKeysDlg dlg(w.frame, &copy);
  dlg.Show();
  Pump(50);

  // Sorted command texts, the first one selected with its keys.
  ASSERT_EQ(dlg.Commands()->GetCount(), 4u);
  EXPECT_EQ(dlg.Commands()->GetSelection(), 0);

  // Ctrl, then Shift, then F5; releasing keeps it; a new key starts again.
  CShortcutKeyEdit* edit = dlg.KeyEdit();
  KeyDown(edit, WXK_CONTROL);
  KeyDown(edit, WXK_SHIFT);
  KeyDown(edit, WXK_F5);
  EXPECT_EQ(edit->GetValue(), "Ctrl+Shift+F5");
  KeyUp(edit, WXK_F5);
  KeyUp(edit, WXK_SHIFT);
  KeyUp(edit, WXK_CONTROL);
  EXPECT_EQ(edit->GetValue(), "Ctrl+Shift+F5");
  KeyDown(edit, 'A');
  EXPECT_EQ(edit->GetValue(), "A");
  KeyUp(edit, 'A');

  // Assign Ctrl+Shift+F5 to the shortcut command.
  ASSERT_TRUE(SelectCommand(dlg, "查看(V)|快捷键   "));
  AssignCtrlShiftF5(dlg);
  EXPECT_EQ(KeyTexts(dlg), std::vector<std::string>{"Ctrl+Shift+F5"});
  EXPECT_EQ(edit->GetValue(), "");
  EXPECT_EQ(copy.FindCommand(0x0D, 116), kShortcuts);
  if (const char* out = std::getenv("QZN_DIALOG_SHOT")) {
    dlg.Raise();
    Pump(100);
    Pump(1000 * std::atoi(out));
  }

  // Ctrl+N belongs to the new-workspace command: named, nothing added.
  ASSERT_TRUE(SelectCommand(dlg, "查看(V)|放大"));
  KeyDown(edit, WXK_CONTROL);
  KeyDown(edit, 'N');
  Press(&dlg, IDC_ASSIGN);
  EXPECT_EQ(dlg.AssignedTo()->GetLabel(), wxString::FromUTF8("文件(F)|新建工作空间(N)"));
  EXPECT_EQ(KeyTexts(dlg), std::vector<std::string>{"ADD"});

  // The menu's own key is locked: it stays, with the message.
  ASSERT_TRUE(SelectCommand(dlg, "文件(F)|新建工作空间(N)"));
  ASSERT_EQ(dlg.Keys()->GetCount(), 1);
  dlg.Keys()->SetSelection(0);
  Press(&dlg, IDC_REMOVE);
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0].text, "Unable to remove this\naccelerator (Locked)");
  EXPECT_EQ(dlg.Keys()->GetCount(), 1);
  EXPECT_EQ(copy.FindCommand(FVIRTKEY | FCONTROL, 'N'), kNew);

  // An unlocked key goes; reset all brings back the defaults.
  ASSERT_TRUE(SelectCommand(dlg, "查看(V)|放大"));
  KeyDown(edit, WXK_F7);
  Press(&dlg, IDC_ASSIGN);
  EXPECT_EQ(dlg.Keys()->GetCount(), 2);
  const int f7 = dlg.Keys()->GetText(0) == "F7" ? 0 : 1;
  dlg.Keys()->SetSelection(f7);
  Press(&dlg, IDC_REMOVE);
  EXPECT_EQ(KeyTexts(dlg), std::vector<std::string>{"ADD"});
  Press(&dlg, IDC_RESET_ALL);
  EXPECT_EQ(copy.FindCommand(0x0D, 116), 0);
  EXPECT_EQ(copy.FindCommand(FVIRTKEY | FCONTROL, 'N'), kNew);
  // Nothing of this reached the window's own manager.
  EXPECT_EQ(w.manager.BuildValue(), copy.BuildValue());
  dlg.Destroy();
}

TEST(ShortcutDialog, OkKeepsCancelDiscardsAndTheKeyRunsItsCommand) {
  MainWindow w;
  // The dialog as the View menu runs it: changes made, then cancel.
  const auto before = w.manager.BuildValue();
  const auto run = [&](int answer) {
    OnKeysDialog(
        [](CCustomizeKeysDlg& dlg) {
          SelectCommand(dlg, "查看(V)|快捷键   ");
          AssignCtrlShiftF5(dlg);
        },
        answer);
    return EditShortcuts(w.frame, w.manager);
  };
  EXPECT_FALSE(run(wxID_CANCEL));
  EXPECT_EQ(w.manager.BuildValue(), before);
  EXPECT_EQ(w.accel->Entries().size(), 2u);
  EXPECT_TRUE(run(wxID_OK));
  EXPECT_EQ(w.manager.FindCommand(0x0D, 116), kShortcuts);
  ASSERT_EQ(w.accel->Entries().size(), 3u);

  // The window's table maps the key to the command ...
  wxKeyEvent key(wxEVT_KEY_DOWN);
  key.m_keyCode = WXK_F5;
  key.m_controlDown = key.m_shiftDown = true;
  ASSERT_NE(w.frame->GetAcceleratorTable(), nullptr);
  EXPECT_EQ(w.frame->GetAcceleratorTable()->GetCommand(key), WxId(kShortcuts));
  // ... and a key press reaching the window goes the toolkit's way: the
  // ancestor's table gives the command, the window runs it.
  const int command = w.frame->GetAcceleratorTable()->GetCommand(key);
  wxCommandEvent menu(wxEVT_MENU, command);
  menu.SetEventObject(w.frame);
  w.frame->HandleWindowEvent(menu);
  EXPECT_EQ(w.ran, std::vector<int>{kShortcuts});
  // A key removed again no longer runs anything.
  w.manager.GetCommand(kShortcuts)->m_keys.clear();
  w.manager.CreateAcceleratorTable();
  EXPECT_EQ(w.frame->GetAcceleratorTable()->GetCommand(key), -1);
}
