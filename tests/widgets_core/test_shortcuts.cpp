// The keyboard-shortcut manager: menu texts, the accelerator table, the
// stored "Keyboard" value and its defaults.
#include <gtest/gtest.h>

#include <map>

#include "platform/host.h"
#include "widgets/core/shortcuts.h"

using namespace qzn;

namespace {

class CFakeFrame : public IAcceleratorFrame {
 public:
  std::vector<CAccelEntry> table;
  int sets = 0;
  bool CopyAcceleratorTable(std::vector<CAccelEntry>& entries) const override {
    entries = table;
    return true;
  }
  bool SetAcceleratorTable(const std::vector<CAccelEntry>& entries) override {
    table = entries;
    ++sets;
    return true;
  }
};

class CFakeStore : public IShortcutValueStore {
 public:
  std::map<std::string, std::vector<std::uint8_t>> values;
  bool unreadable = false;
  bool ReadValue(const std::string& path, const std::string& name, std::vector<std::uint8_t>& bytes,
                 bool& exists) override {
    auto it = values.find(path + "/" + name);
    exists = it != values.end();
    if (exists && unreadable) return false;
    if (exists) bytes = it->second;
    return true;
  }
  bool WriteValue(const std::string& path, const std::string& name, const std::vector<std::uint8_t>& bytes) override {
    values[path + "/" + name] = bytes;
    return true;
  }
};

std::vector<std::uint8_t> Bytes(std::initializer_list<std::uint32_t> words) {
  std::vector<std::uint8_t> out;
  out.push_back(static_cast<std::uint8_t>(words.size()));
  out.push_back(static_cast<std::uint8_t>(words.size() >> 8));
  for (std::uint32_t w : words)
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(w >> (8 * b)));
  return out;
}

// A menu like the main window's: File with a Print submenu, View with the
// shortcut command.
CShortcutMenuItem Menu() {
  CShortcutMenuItem bar;
  CShortcutMenuItem file{"文件(&F)", 0, {}};
  file.items.push_back({"新建工作空间(&N)\tCtrl+N", 57600, {}});
  file.items.push_back({"", 0, {}});  // separator
  CShortcutMenuItem print{"打印(&P)", 0, {}};
  print.items.push_back({"打印屏幕...", 32857, {}});
  file.items.push_back(print);
  CShortcutMenuItem view{"查看(&V)", 0, {}};
  view.items.push_back({"快捷键...", 33111, {}});
  view.items.push_back({"放大", 32768, {}});
  bar.items = {file, view};
  return bar;
}

struct Manager : ::testing::Test {
  CFakeFrame frame;
  CFakeStore store;
  CShortcutManager mgr;
  void SetUp() override {
    frame.table = {{FVIRTKEY | FCONTROL, 'N', 57600}, {FVIRTKEY, 107, 32768}};
    // The start-up order.
    mgr.Attach(&frame, false);
    ASSERT_TRUE(mgr.InitFromMenu(Menu(), true));
    ASSERT_TRUE(mgr.CreateAcceleratorTable());
    ASSERT_TRUE(mgr.SaveDefaultTable());
  }
};

}  // namespace

TEST(ShortcutKey, PackingAndText) {
  const CShortcutKey key(0x0D, 116, false);  // Ctrl+Shift+F5
  EXPECT_EQ(key.Pack(), (2u << 24) | (0x0Du << 16) | 116u);
  EXPECT_EQ(CShortcutKey::Unpack(key.Pack()), key);
  EXPECT_TRUE(CShortcutKey::Unpack((1u << 24) | 65).m_bLocked);
  EXPECT_FALSE(CShortcutKey::Unpack((3u << 24) | 65).m_bLocked);

  const struct {
    std::uint8_t flags;
    std::uint16_t key;
    const char* text;
  } cases[] = {{0x19, 65, "Ctrl+Alt+A"},
               {0x0D, 116, "Ctrl+Shift+F5"},
               {0x01, 34, "NEXT"},
               {0x15, 96, "Alt+Shift+NUMPAD0"},
               {0x01, 0, ""},
               {0x09, 187, "Ctrl+Internal error : (CShortcutKey::GetString) m_wKey invalid"}};
  for (const auto& c : cases) EXPECT_EQ(CShortcutKey(c.flags, c.key, false).GetString(), c.text) << c.text;
}

TEST_F(Manager, MenuTextsAndLockedKeys) {
  const auto& texts = mgr.TextMap();
  EXPECT_EQ(texts.at("文件(F)|新建工作空间(N)\tCtrl+N"), 57600);
  EXPECT_EQ(texts.at("文件(F)|打印(P)|打印屏幕   "), 32857);
  EXPECT_EQ(texts.at("查看(V)|快捷键   "), 33111);
  EXPECT_EQ(mgr.GetCommand(33111)->m_keys.size(), 0u);
  ASSERT_EQ(mgr.GetCommand(57600)->m_keys.size(), 1u);
  EXPECT_TRUE(mgr.GetCommand(57600)->m_keys[0].m_bLocked);
  EXPECT_EQ(frame.table.size(), 2u);
  EXPECT_EQ(mgr.FindCommand(FVIRTKEY | FCONTROL, 'N'), 57600);

  // The same text for another command gets no entry; a command keeps the
  // text it came with.
  mgr.AddAccel(FVIRTKEY, 40000, 'Q', "查看(V)|快捷键   ", false);
  EXPECT_EQ(mgr.GetCommand(40000), nullptr);
  mgr.AddAccel(FVIRTKEY, 33111, 'Q', "another text", false);
  EXPECT_TRUE(mgr.GetCommand(33111)->m_keys.empty());
}

TEST_F(Manager, TheThreeWordValue) {
  mgr.AddAccel(0x0D, 33111, 116, "查看(V)|快捷键   ", false);
  EXPECT_EQ(mgr.BuildWords(), (std::vector<std::uint32_t>{1 * 65536 + 0xFFFF, 1 * 65536 + 33111, 0x020D0074}));
  EXPECT_EQ(mgr.BuildValue(), Bytes({0x0001FFFF, 0x00018157, 0x020D0074}));
  // Commands whose keys are all locked are not stored.
  EXPECT_EQ(mgr.GetCommand(57600)->m_keys.size(), 1u);
}

TEST_F(Manager, SaveLoadRoundTripKeepsLockedKeys) {
  mgr.AddAccel(0x0D, 33111, 116, "查看(V)|快捷键   ", false);
  mgr.AddAccel(FVIRTKEY | FALT, 57600, 'W', "文件(F)|新建工作空间(N)\tCtrl+N", false);
  ASSERT_TRUE(mgr.LoadFromRegistry(&store, "Software\\QZN Applications\\QZN for Windows\\Settings"));
  ASSERT_TRUE(mgr.SaveToRegistry());
  const auto saved = store.values.begin()->second;

  // A fresh start-up takes the saved keys back; the menu's locked key stays.
  CFakeFrame frame2;
  frame2.table = frame.table = {{FVIRTKEY | FCONTROL, 'N', 57600}, {FVIRTKEY, 107, 32768}};
  CShortcutManager other;
  other.Attach(&frame2, false);
  other.InitFromMenu(Menu(), true);
  other.CreateAcceleratorTable();
  other.SaveDefaultTable();
  ASSERT_TRUE(other.LoadFromRegistry(&store, "Software\\QZN Applications\\QZN for Windows\\Settings"));
  EXPECT_EQ(other.BuildValue(), saved);
  EXPECT_EQ(other.FindCommand(0x0D, 116), 33111);
  EXPECT_EQ(other.FindCommand(FVIRTKEY | FCONTROL, 'N'), 57600) << "locked key kept";
  EXPECT_EQ(other.FindCommand(FVIRTKEY | FALT, 'W'), 57600);
  EXPECT_EQ(frame2.table.size(), 4u);

  // A value that gives a command other keys replaces its unlocked keys only.
  store.values.begin()->second = Bytes({0x0001FFFF, (1u << 16) + 57600, 0x02010071});
  ASSERT_TRUE(other.LoadFromRegistry(&store, "Software\\QZN Applications\\QZN for Windows\\Settings"));
  const auto& keys = other.GetCommand(57600)->m_keys;
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_TRUE(keys[0].m_bLocked);
  EXPECT_EQ(keys[1].m_wKey, 0x71);
  EXPECT_EQ(other.FindCommand(0x0D, 116), 33111) << "commands the value does not name keep their keys";

  // No value: nothing changes, and that is no failure.
  CFakeStore empty;
  EXPECT_TRUE(other.LoadFromRegistry(&empty, "x"));
}

TEST_F(Manager, DamagedValuesChangeNothing) {
  mgr.AddAccel(0x0D, 33111, 116, "查看(V)|快捷键   ", false);
  const auto before = mgr.BuildValue();
  const int sets = frame.sets;
  const std::vector<std::vector<std::uint8_t>> damaged = {
      {},                                                       // no count
      {5, 0, 0xFF, 0xFF},                                       // count beyond the bytes
      Bytes({0x0002FFFF, 0x00018157, 0x02010074}),              // two commands, one there
      Bytes({0x0001FFFF, 0x00058157, 0x02010074}),              // five keys, one there
      Bytes({0x0001FFFF, 0x00018157, 0x02010074, 0x00000001}),  // a word left over
      Bytes({0x00010000, 0x00018157, 0x02010074}),              // no marker in word 0
      Bytes({0x0001FFFF, 0x00018157, 0x07010074}),              // a key neither locked nor unlocked
      [] {
        auto b = Bytes({0x0001FFFF, 0x00018157, 0x02010074});
        b.pop_back();
        return b;
      }(),  // truncated
  };
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    store.values["p/Keyboard"] = damaged[i];
    EXPECT_FALSE(mgr.LoadFromRegistry(&store, "p")) << i;
    EXPECT_EQ(mgr.BuildValue(), before) << i;
  }
  EXPECT_EQ(frame.sets, sets) << "the table is not rebuilt";
  store.unreadable = true;
  EXPECT_FALSE(mgr.LoadFromRegistry(&store, "p"));
}

TEST_F(Manager, LargeValuesLoadWhole) {
  // More than 4,096 bytes: 1,500 keys on one command.
  std::vector<std::uint32_t> words{0x0001FFFF, (1500u << 16) + 33111};
  for (std::uint32_t k = 0; k < 1500; ++k) words.push_back((2u << 24) | (0x09u << 16) | (k % 200 + 1));
  const auto bytes = EncodeShortcutWords(words);
  ASSERT_GT(bytes.size(), 4096u);
  store.values["p/Keyboard"] = bytes;
  ASSERT_TRUE(mgr.LoadFromRegistry(&store, "p"));
  EXPECT_EQ(mgr.GetCommand(33111)->m_keys.size(), 200u) << "repeats of one key are not doubled";
  // The count form for 65535 words and more.
  std::vector<std::uint32_t> many(70000, 7);
  std::vector<std::uint32_t> back;
  const auto encoded = EncodeShortcutWords(many);
  EXPECT_EQ(encoded[0], 0xFF);
  EXPECT_EQ(encoded[1], 0xFF);
  ASSERT_TRUE(DecodeShortcutWords(encoded, back));
  EXPECT_EQ(back, many);
}

TEST_F(Manager, ResetCopyAndExitSave) {
  mgr.AddAccel(0x0D, 33111, 116, "查看(V)|快捷键   ", false);
  CShortcutManager copy;
  copy.CopyFrom(mgr);
  EXPECT_TRUE(copy.IsDefaultSaved());
  EXPECT_EQ(copy.BuildValue(), mgr.BuildValue());
  copy.ResetToDefaults();
  EXPECT_EQ(copy.FindCommand(0x0D, 116), 0);
  EXPECT_EQ(copy.FindCommand(FVIRTKEY | FCONTROL, 'N'), 57600) << "locked keys survive a reset";
  EXPECT_EQ(mgr.FindCommand(0x0D, 116), 33111) << "the copy is deep";
  EXPECT_FALSE(mgr.SaveDefaultTable()) << "once only";

  // Attached with saving on, the manager stores its keys when it goes.
  {
    CShortcutManager app;
    app.CopyFrom(mgr);
    app.Attach(&frame, true);
    ASSERT_TRUE(app.LoadFromRegistry(&store, "q"));
  }
  ASSERT_EQ(store.values.count("q/Keyboard"), 1u);
  EXPECT_EQ(store.values["q/Keyboard"], mgr.BuildValue());
}
