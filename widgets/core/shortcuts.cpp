#include "widgets/core/shortcuts.h"

#include <algorithm>
#include <utility>

#include "platform/archive.h"
#include "platform/host.h"
#include "platform/profile.h"
#include "resources/messages_widgets.h"

namespace qzn {

namespace {

struct CKeyName {
  std::uint16_t key;
  const char* name;
};

// The names of the keys, searched in this order.
const CKeyName kKeyNames[] = {
    {1, "VK_LBUTTON"},  {2, "VK_RBUTTON"},  {3, "VK_CANCEL"},   {4, "VK_MBUTTON"}, {8, "BACK"},
    {9, "TAB"},         {12, "VK_CLEAR"},   {13, "RETURN"},     {16, "SHIFT"},     {17, "CONTROL"},
    {18, "MENU"},       {19, "PAUSE"},      {20, "CAPITAL"},    {27, "ESCAPE"},    {32, "SPACE"},
    {33, "PRIOR"},      {34, "NEXT"},       {35, "END"},        {36, "HOME"},      {37, "LEFT"},
    {38, "UP"},         {39, "RIGHT"},      {40, "DOWN"},       {41, "VK_SELECT"}, {42, "PRINT"},
    {43, "EXECUTE"},    {44, "SNAPSHOT"},   {45, "INSERT"},     {46, "DELETE"},    {47, "VK_HELP"},
    {48, "0"},          {49, "1"},          {50, "2"},          {51, "3"},         {52, "4"},
    {53, "5"},          {54, "6"},          {55, "7"},          {56, "8"},         {57, "9"},
    {65, "A"},          {66, "B"},          {67, "C"},          {68, "D"},         {69, "E"},
    {70, "F"},          {71, "G"},          {72, "H"},          {73, "I"},         {74, "J"},
    {75, "K"},          {76, "L"},          {77, "M"},          {78, "N"},         {79, "O"},
    {80, "P"},          {81, "Q"},          {82, "R"},          {83, "S"},         {84, "T"},
    {85, "U"},          {86, "V"},          {87, "W"},          {88, "X"},         {89, "Y"},
    {90, "Z"},          {91, "VK_LWIN"},    {92, "VK_RWIN"},    {93, "VK_APPS"},   {96, "NUMPAD0"},
    {97, "NUMPAD1"},    {98, "NUMPAD2"},    {99, "NUMPAD3"},    {100, "NUMPAD4"},  {101, "NUMPAD5"},
    {102, "NUMPAD6"},   {103, "NUMPAD7"},   {104, "NUMPAD8"},   {105, "NUMPAD9"},  {106, "MULTIPLY"},
    {107, "ADD"},       {108, "SEPARATOR"}, {109, "SUBTRACT"},  {110, "DECIMAL"},  {111, "DIVIDE"},
    {112, "F1"},        {113, "F2"},        {114, "F3"},        {115, "F4"},       {116, "F5"},
    {117, "F6"},        {118, "F7"},        {119, "F8"},        {120, "F9"},       {121, "F10"},
    {122, "F11"},       {123, "F12"},       {124, "F13"},       {125, "F14"},      {126, "F15"},
    {127, "F16"},       {128, "F17"},       {129, "F18"},       {130, "F19"},      {131, "F20"},
    {132, "F21"},       {133, "F22"},       {134, "F23"},       {135, "F24"},      {144, "NUMLOCK"},
    {145, "VK_SCROLL"}, {246, "VK_ATTN"},   {247, "VK_CRSEL"},  {248, "VK_EXSEL"}, {249, "VK_EREOF"},
    {250, "VK_PLAY"},   {251, "VK_ZOOM"},   {252, "VK_NONAME"}, {253, "VK_PA1"},   {254, "VK_OEM_CLEAR"},
};
static_assert(sizeof kKeyNames / sizeof kKeyNames[0] == 120);

// A menu text as the shortcut list shows it: no "&", dots made blanks.
std::string CleanMenuText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    if (ch == '&') continue;
    out += ch == '.' ? ' ' : ch;
  }
  return out;
}

std::unique_ptr<CShortcutCommand> CopyCommand(const CShortcutCommand& c) {
  return std::make_unique<CShortcutCommand>(c);
}

}  // namespace

const char* ShortcutKeyName(std::uint16_t key) {
  for (const CKeyName& k : kKeyNames)
    if (k.key == key) return k.name;
  return nullptr;
}

// ---- CShortcutKey -------------------------------------------------------------

std::uint32_t CShortcutKey::Pack() const {
  return std::uint32_t{m_wKey} | (std::uint32_t{m_cFlags} << 16) | (std::uint32_t{m_bLocked ? 1u : 2u} << 24);
}

CShortcutKey CShortcutKey::Unpack(std::uint32_t word) {
  return CShortcutKey(static_cast<std::uint8_t>(word >> 16), static_cast<std::uint16_t>(word), (word >> 24) == 1);
}

std::string CShortcutKey::GetString() const {
  if (m_wKey == 0) return std::string();
  std::string text;
  if (m_cFlags & FCONTROL) text += "Ctrl+";
  if (m_cFlags & FALT) text += "Alt+";
  if (m_cFlags & FSHIFT) text += "Shift+";
  const char* name = ShortcutKeyName(m_wKey);
  text += name ? name : res::text::kShortcutKeyInvalid;
  return text;
}

// ---- The value ----------------------------------------------------------------

std::vector<std::uint8_t> EncodeShortcutWords(const std::vector<std::uint32_t>& words) {
  CArchive ar;
  ar.WriteCount(static_cast<std::uint32_t>(words.size()));
  for (std::uint32_t w : words) ar << w;
  return ar.GetBuffer();
}

bool DecodeShortcutWords(const std::vector<std::uint8_t>& bytes, std::vector<std::uint32_t>& words) {
  try {
    CArchive ar(bytes);
    const std::uint32_t n = ar.ReadCount(4);
    std::vector<std::uint32_t> out(n);
    for (std::uint32_t& w : out) ar >> w;
    if (ar.BytesLeft() != 0) return false;
    words.swap(out);
    return true;
  } catch (const CArchiveException&) {
    return false;
  }
}

// ---- CShortcutManager -----------------------------------------------------------

CShortcutManager::~CShortcutManager() { SaveOnExit(); }

void CShortcutManager::SaveOnExit() {
  // Nothing to save into (no store was given) is not a failed write.
  if (!m_bSaveOnExit || m_strKeyPath.empty() || !m_pStore) return;
  m_bSaveOnExit = false;
  if (!SaveToRegistry()) Host().MessageBox(res::text::kShortcutWriteError, MB_OK);
}

void CShortcutManager::Attach(IAcceleratorFrame* frame, bool saveOnExit) {
  m_pFrame = frame;
  m_bSaveOnExit = saveOnExit;
}

CShortcutCommand* CShortcutManager::GetCommand(std::uint16_t id) const {
  auto it = m_mapCommands.find(id);
  return it == m_mapCommands.end() ? nullptr : it->second.get();
}

void CShortcutManager::AddCommand(std::uint16_t id, const std::string& text, const CShortcutKey* key) {
  // One text names one command: a second command with the same text is left
  // out, and a command keeps the text it was entered with.
  auto t = m_mapTexts.find(text);
  if (t != m_mapTexts.end() && t->second != id) return;
  if (CShortcutCommand* existing = GetCommand(id)) {
    if (existing->m_strText != text) return;
    if (key) {
      for (const CShortcutKey& k : existing->m_keys)
        if (k.SameKey(*key)) return;
      existing->m_keys.push_back(*key);
    }
  } else {
    auto cmd = std::make_unique<CShortcutCommand>();
    cmd->m_nID = id;
    cmd->m_strText = text;
    if (key) cmd->m_keys.push_back(*key);
    m_mapCommands[id] = std::move(cmd);
  }
  m_mapTexts[text] = id;
}

void CShortcutManager::AddAccel(std::uint8_t flags, std::uint16_t id, std::uint16_t key, const std::string& text,
                                bool locked) {
  const CShortcutKey k(flags, key, locked);
  AddCommand(id, text, &k);
}

bool CShortcutManager::InitFromMenu(const CShortcutMenuItem& menuBar, bool locked) {
  std::vector<CAccelEntry> table;
  if (!m_pFrame || !m_pFrame->CopyAcceleratorTable(table)) return false;
  const auto command = [&](const CShortcutMenuItem& item, const std::string& prefix) {
    if (item.id <= 0 || item.id > 0xFFFF) return;
    const auto id = static_cast<std::uint16_t>(item.id);
    const std::string text = prefix + CleanMenuText(item.text);
    bool any = false;
    for (const CAccelEntry& e : table) {
      if (e.cmd != id) continue;
      AddAccel(e.flags, id, e.key, text, locked);
      any = true;
    }
    if (!any) AddCommand(id, text, nullptr);
  };
  // Three levels: the menu bar's popups, their items and popups, and the
  // items of those.
  for (const CShortcutMenuItem& top : menuBar.items) {
    if (top.items.empty()) {
      command(top, std::string());
      continue;
    }
    const std::string prefix1 = CleanMenuText(top.text) + "|";
    for (const CShortcutMenuItem& second : top.items) {
      if (second.items.empty()) {
        command(second, prefix1);
        continue;
      }
      const std::string prefix2 = prefix1 + CleanMenuText(second.text) + "|";
      for (const CShortcutMenuItem& third : second.items)
        if (third.items.empty()) command(third, prefix2);
    }
  }
  return true;
}

std::vector<CAccelEntry> CShortcutManager::BuildAcceleratorEntries() const {
  std::vector<CAccelEntry> entries;
  for (const auto& [id, cmd] : m_mapCommands)
    for (const CShortcutKey& k : cmd->m_keys) entries.push_back(CAccelEntry{k.m_cFlags, k.m_wKey, id});
  return entries;
}

bool CShortcutManager::CreateAcceleratorTable() {
  return m_pFrame && m_pFrame->SetAcceleratorTable(BuildAcceleratorEntries());
}

bool CShortcutManager::SaveDefaultTable() {
  if (m_bDefaultSaved) return false;
  for (const auto& [id, cmd] : m_mapCommands) {
    auto def = std::make_unique<CShortcutCommand>();
    def->m_nID = id;
    def->m_strText = cmd->m_strText;
    for (const CShortcutKey& k : cmd->m_keys)
      if (!k.m_bLocked) def->m_keys.push_back(k);
    m_mapDefaults[id] = std::move(def);
  }
  m_bDefaultSaved = true;
  return true;
}

void CShortcutManager::ResetToDefaults() {
  for (const auto& [id, def] : m_mapDefaults) {
    CShortcutCommand* cmd = GetCommand(id);
    if (!cmd) continue;
    std::erase_if(cmd->m_keys, [](const CShortcutKey& k) { return !k.m_bLocked; });
    cmd->m_keys.insert(cmd->m_keys.end(), def->m_keys.begin(), def->m_keys.end());
  }
}

void CShortcutManager::CopyFrom(const CShortcutManager& other) {
  if (&other == this) return;
  m_mapTexts = other.m_mapTexts;
  m_mapCommands.clear();
  for (const auto& [id, cmd] : other.m_mapCommands) m_mapCommands[id] = CopyCommand(*cmd);
  m_mapDefaults.clear();
  for (const auto& [id, cmd] : other.m_mapDefaults) m_mapDefaults[id] = CopyCommand(*cmd);
  m_bDefaultSaved = other.m_bDefaultSaved;
}

std::uint16_t CShortcutManager::FindCommand(std::uint8_t flags, std::uint16_t key) const {
  for (const auto& [id, cmd] : m_mapCommands)
    for (const CShortcutKey& k : cmd->m_keys)
      if (k.m_cFlags == flags && k.m_wKey == key) return id;
  return 0;
}

std::vector<std::uint32_t> CShortcutManager::BuildWords() const {
  std::vector<std::uint32_t> words{0};
  std::uint32_t stored = 0;
  for (const auto& [id, cmd] : m_mapCommands) {
    const auto unlocked = static_cast<std::uint32_t>(
        std::count_if(cmd->m_keys.begin(), cmd->m_keys.end(), [](const CShortcutKey& k) { return !k.m_bLocked; }));
    if (unlocked == 0) continue;
    words.push_back((unlocked << 16) + id);
    for (const CShortcutKey& k : cmd->m_keys)
      if (!k.m_bLocked) words.push_back(k.Pack());
    ++stored;
  }
  words[0] = (stored << 16) + 0xFFFF;
  return words;
}

std::vector<std::uint8_t> CShortcutManager::BuildValue() const { return EncodeShortcutWords(BuildWords()); }

bool CShortcutManager::ApplyValue(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint32_t> words;
  if (!DecodeShortcutWords(bytes, words) || words.empty() || (words[0] & 0xFFFF) != 0xFFFF) return false;
  // Every entry is checked against the words present before anything is
  // taken, so a damaged value leaves the shortcuts as they were.
  std::vector<std::pair<std::uint16_t, std::vector<CShortcutKey>>> entries;
  const std::size_t count = words[0] >> 16;
  std::size_t i = 1;
  for (std::size_t e = 0; e < count; ++e) {
    if (i >= words.size()) return false;
    const auto id = static_cast<std::uint16_t>(words[i]);
    const std::size_t keys = words[i] >> 16;
    ++i;
    if (keys > words.size() - i) return false;
    std::vector<CShortcutKey> list;
    for (std::size_t k = 0; k < keys; ++k, ++i) {
      const std::uint32_t tag = words[i] >> 24;
      if (tag != 1 && tag != 2) return false;
      list.push_back(CShortcutKey::Unpack(words[i]));
    }
    entries.emplace_back(id, std::move(list));
  }
  if (i != words.size()) return false;

  for (auto& [id, keys] : entries) {
    CShortcutCommand* cmd = GetCommand(id);
    if (!cmd) continue;  // a command this program does not have
    std::erase_if(cmd->m_keys, [](const CShortcutKey& k) { return !k.m_bLocked; });
    for (const CShortcutKey& k : keys) {
      // A key the command has already (locked, from the menu) is not doubled.
      if (std::none_of(cmd->m_keys.begin(), cmd->m_keys.end(), [&](const CShortcutKey& o) { return o.SameKey(k); }))
        cmd->m_keys.push_back(k);
    }
  }
  return true;
}

bool CShortcutManager::LoadFromRegistry(IShortcutValueStore* store, const std::string& keyPath) {
  m_pStore = store;
  m_strKeyPath = keyPath;
  if (!store) return true;
  std::vector<std::uint8_t> bytes;
  bool exists = false;
  if (!store->ReadValue(keyPath, kValueName, bytes, exists)) return false;
  if (!exists) return true;
  if (!ApplyValue(bytes)) return false;
  CreateAcceleratorTable();
  return true;
}

bool CShortcutManager::SaveToRegistry() {
  return m_pStore && !m_strKeyPath.empty() && m_pStore->WriteValue(m_strKeyPath, kValueName, BuildValue());
}

// ---- The profile as the store ----------------------------------------------------

std::string CProfileShortcutStore::Section(const std::string& keyPath) {
  const std::size_t slash = keyPath.find_last_of('\\');
  return slash == std::string::npos ? keyPath : keyPath.substr(slash + 1);
}

bool CProfileShortcutStore::ReadValue(const std::string& keyPath, const std::string& name,
                                      std::vector<std::uint8_t>& bytes, bool& exists) {
  exists = false;
  if (!m_profile) return true;
  const std::string section = Section(keyPath);
  exists = !m_profile->GetString(section, name).empty();
  return !exists || m_profile->GetBinary(section, name, bytes);
}

bool CProfileShortcutStore::WriteValue(const std::string& keyPath, const std::string& name,
                                       const std::vector<std::uint8_t>& bytes) {
  return m_profile && m_profile->WriteBinary(Section(keyPath), name, bytes);
}

}  // namespace qzn
