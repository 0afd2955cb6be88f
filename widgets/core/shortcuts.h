// The keyboard shortcuts of the main window: for every menu command its menu
// path text and the key combinations that run it. The manager builds the
// window's accelerator table from them, keeps the user-removable defaults,
// and loads and saves the user's shortcuts as one binary value "Keyboard".
// Toolkit-free: the window is reached through IAcceleratorFrame, the stored
// value through IShortcutValueStore.
//
// The value keeps the Windows accelerator flags and virtual-key codes, so its
// bytes are those the format has always had: a list of 32-bit little-endian
// words behind its count (16 bits; 0xFFFF and a 32-bit count from 65535 on).
// Word 0 is (commands stored) x 65536 + 0xFFFF; each stored command follows
// as (its unlocked keys) x 65536 + command id, then one packed key a word
// (bits 0-15 the key, 16-23 the flags, 24-31 1 for locked, 2 for unlocked).
// Locked keys (the menu's own) are never stored.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "resources/messages_widgets.h"

namespace qzn {

// Accelerator flags.
enum : std::uint8_t { FVIRTKEY = 0x01, FSHIFT = 0x04, FCONTROL = 0x08, FALT = 0x10 };

// One entry of a window's accelerator table.
struct CAccelEntry {
  std::uint8_t flags = 0;
  std::uint16_t key = 0;
  std::uint16_t cmd = 0;
  bool operator==(const CAccelEntry&) const = default;
};

// The name a virtual-key code has in the shortcut texts, or null.
const char* ShortcutKeyName(std::uint16_t key);

class CShortcutKey {
 public:
  std::uint8_t m_cFlags = 0;
  std::uint16_t m_wKey = 0;  // virtual-key code, 0 = none
  bool m_bLocked = false;    // from the menu: cannot be removed, never saved

  CShortcutKey() = default;
  CShortcutKey(std::uint8_t flags, std::uint16_t key, bool locked) : m_cFlags(flags), m_wKey(key), m_bLocked(locked) {}

  std::uint32_t Pack() const;
  static CShortcutKey Unpack(std::uint32_t word);
  // "Ctrl+Alt+Shift+" (those set) and the key's name; empty for key 0.
  std::string GetString() const;
  bool SameKey(const CShortcutKey& o) const { return m_cFlags == o.m_cFlags && m_wKey == o.m_wKey; }
  bool operator==(const CShortcutKey&) const = default;
};

class CShortcutCommand {
 public:
  std::uint16_t m_nID = 0;
  std::string m_strText = kEmptyText;
  std::vector<CShortcutKey> m_keys;  // in the order they were added

  void Empty() {
    m_nID = 0;
    m_strText = kEmptyText;
    m_keys.clear();
  }
  static constexpr const char* kEmptyText = res::text::kShortcutEmptyCommand;
};

// The window whose accelerator table the manager keeps.
class IAcceleratorFrame {
 public:
  virtual ~IAcceleratorFrame() = default;
  // The window's current table; false when it cannot be had.
  virtual bool CopyAcceleratorTable(std::vector<CAccelEntry>& entries) const = 0;
  // Replaces the window's table; false when it cannot.
  virtual bool SetAcceleratorTable(const std::vector<CAccelEntry>& entries) = 0;
};

// Where the user's shortcuts are kept: binary values by key path and name.
class IShortcutValueStore {
 public:
  virtual ~IShortcutValueStore() = default;
  // False when a value is there but cannot be read; `exists` tells whether
  // there is one.
  virtual bool ReadValue(const std::string& keyPath, const std::string& name, std::vector<std::uint8_t>& bytes,
                         bool& exists) = 0;
  virtual bool WriteValue(const std::string& keyPath, const std::string& name,
                          const std::vector<std::uint8_t>& bytes) = 0;
};

class CProfileStore;

// The profile store as the place of the user's shortcuts: a key path's last
// part ("...\\Settings") is the section, the value name the entry; binary
// values are kept as base64 there.
class CProfileShortcutStore : public IShortcutValueStore {
 public:
  explicit CProfileShortcutStore(CProfileStore* profile) : m_profile(profile) {}
  bool ReadValue(const std::string& keyPath, const std::string& name, std::vector<std::uint8_t>& bytes,
                 bool& exists) override;
  bool WriteValue(const std::string& keyPath, const std::string& name, const std::vector<std::uint8_t>& bytes) override;
  static std::string Section(const std::string& keyPath);

 private:
  CProfileStore* m_profile;
};

// A menu as the manager walks it: a popup has items, a command has an id
// (0 with no items: a separator).
struct CShortcutMenuItem {
  std::string text;
  int id = 0;
  std::vector<CShortcutMenuItem> items;
};

class CShortcutManager {
 public:
  static constexpr const char* kValueName = "Keyboard";

  CShortcutManager() = default;
  // Saves on exit when attached with saving on and loaded from a path.
  ~CShortcutManager();
  CShortcutManager(const CShortcutManager&) = delete;
  CShortcutManager& operator=(const CShortcutManager&) = delete;

  void Attach(IAcceleratorFrame* frame, bool saveOnExit);
  // Enters every command of the menu with its texts and the frame's keys for
  // it (locked when asked); false when the frame's table cannot be had.
  bool InitFromMenu(const CShortcutMenuItem& menuBar, bool locked);
  void AddAccel(std::uint8_t flags, std::uint16_t id, std::uint16_t key, const std::string& text, bool locked);
  bool CreateAcceleratorTable();
  // Keeps copies of the unlocked keys as the defaults; once only.
  bool SaveDefaultTable();
  // False only when a value is there and cannot be read or is damaged; a
  // damaged value changes nothing.
  bool LoadFromRegistry(IShortcutValueStore* store, const std::string& keyPath);
  bool SaveToRegistry();
  void ResetToDefaults();
  void CopyFrom(const CShortcutManager& other);
  // Runs the save a destroyed manager would do, once (the application calls
  // it at exit while messages can still be shown).
  void SaveOnExit();

  // The "Keyboard" value of the current shortcuts.
  std::vector<std::uint8_t> BuildValue() const;
  std::vector<std::uint32_t> BuildWords() const;
  // Takes the shortcuts of a value; false (and nothing changed) when the
  // value is damaged.
  bool ApplyValue(const std::vector<std::uint8_t>& bytes);

  const std::map<std::uint16_t, std::unique_ptr<CShortcutCommand>>& Commands() const { return m_mapCommands; }
  const std::map<std::string, std::uint16_t>& TextMap() const { return m_mapTexts; }
  CShortcutCommand* GetCommand(std::uint16_t id) const;
  bool IsDefaultSaved() const { return m_bDefaultSaved; }
  // The command a key combination runs (0: none).
  std::uint16_t FindCommand(std::uint8_t flags, std::uint16_t key) const;
  std::vector<CAccelEntry> BuildAcceleratorEntries() const;

 private:
  void AddCommand(std::uint16_t id, const std::string& text, const CShortcutKey* key);

  IAcceleratorFrame* m_pFrame = nullptr;
  std::map<std::string, std::uint16_t> m_mapTexts;
  std::map<std::uint16_t, std::unique_ptr<CShortcutCommand>> m_mapCommands;
  std::map<std::uint16_t, std::unique_ptr<CShortcutCommand>> m_mapDefaults;
  IShortcutValueStore* m_pStore = nullptr;
  std::string m_strKeyPath;
  bool m_bDefaultSaved = false;
  bool m_bSaveOnExit = false;
};

// The words of a "Keyboard" value in its stored form (count and words).
std::vector<std::uint8_t> EncodeShortcutWords(const std::vector<std::uint32_t>& words);
// False when the bytes are not exactly a count and that many words.
bool DecodeShortcutWords(const std::vector<std::uint8_t>& bytes, std::vector<std::uint32_t>& words);

}  // namespace qzn
