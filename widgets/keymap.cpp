#include "widgets/keymap.h"

#include <wx/window.h>

namespace qzn {

namespace {

struct CKeyPair {
  int wx;
  int vk;
};

// Searched in order: the first pair with a toolkit code gives its key, the
// first with a virtual-key code gives the toolkit's key for it.
const CKeyPair kKeys[] = {
    {WXK_BACK, 8},
    {WXK_TAB, 9},
    {WXK_CLEAR, 12},
    {WXK_RETURN, 13},
    {WXK_SHIFT, 16},
    {WXK_CONTROL, 17},
    {WXK_ALT, 18},
    {WXK_PAUSE, 19},
    {WXK_CAPITAL, 20},
    {WXK_ESCAPE, 27},
    {WXK_SPACE, 32},
    {WXK_PAGEUP, 33},
    {WXK_PAGEDOWN, 34},
    {WXK_END, 35},
    {WXK_HOME, 36},
    {WXK_LEFT, 37},
    {WXK_UP, 38},
    {WXK_RIGHT, 39},
    {WXK_DOWN, 40},
    {WXK_SELECT, 41},
    {WXK_PRINT, 42},
    {WXK_EXECUTE, 43},
    {WXK_SNAPSHOT, 44},
    {WXK_INSERT, 45},
    {WXK_DELETE, 46},
    {WXK_HELP, 47},
    {WXK_WINDOWS_LEFT, 91},
    {WXK_WINDOWS_RIGHT, 92},
    {WXK_WINDOWS_MENU, 93},
    {WXK_NUMPAD0, 96},
    {WXK_NUMPAD1, 97},
    {WXK_NUMPAD2, 98},
    {WXK_NUMPAD3, 99},
    {WXK_NUMPAD4, 100},
    {WXK_NUMPAD5, 101},
    {WXK_NUMPAD6, 102},
    {WXK_NUMPAD7, 103},
    {WXK_NUMPAD8, 104},
    {WXK_NUMPAD9, 105},
    {WXK_NUMPAD_MULTIPLY, 106},
    {WXK_NUMPAD_ADD, 107},
    {WXK_NUMPAD_SEPARATOR, 108},
    {WXK_NUMPAD_SUBTRACT, 109},
    {WXK_NUMPAD_DECIMAL, 110},
    {WXK_NUMPAD_DIVIDE, 111},
    {WXK_MULTIPLY, 106},
    {WXK_ADD, 107},
    {WXK_SEPARATOR, 108},
    {WXK_SUBTRACT, 109},
    {WXK_DECIMAL, 110},
    {WXK_DIVIDE, 111},
    {WXK_NUMLOCK, 144},
    {WXK_SCROLL, 145},
    {WXK_CANCEL, 3},
    // The keypad's own keys with Num Lock off are the keys they stand for.
    {WXK_NUMPAD_ENTER, 13},
    {WXK_NUMPAD_SPACE, 32},
    {WXK_NUMPAD_TAB, 9},
    {WXK_NUMPAD_PAGEUP, 33},
    {WXK_NUMPAD_PAGEDOWN, 34},
    {WXK_NUMPAD_END, 35},
    {WXK_NUMPAD_HOME, 36},
    {WXK_NUMPAD_LEFT, 37},
    {WXK_NUMPAD_UP, 38},
    {WXK_NUMPAD_RIGHT, 39},
    {WXK_NUMPAD_DOWN, 40},
    {WXK_NUMPAD_INSERT, 45},
    {WXK_NUMPAD_DELETE, 46},
};

}  // namespace

int VkFromWxKey(int key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return key;
  if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
  if (key >= WXK_F1 && key <= WXK_F24) return 112 + (key - WXK_F1);
  for (const CKeyPair& p : kKeys)
    if (p.wx == key) return p.vk;
  return 0;
}

int WxKeyFromVk(int vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
  if (vk >= 112 && vk <= 135) return WXK_F1 + (vk - 112);
  for (const CKeyPair& p : kKeys)
    if (p.vk == vk) return p.wx;
  return 0;
}

std::uint8_t AccelFlagsOf(const wxKeyEvent& event) {
  std::uint8_t flags = FVIRTKEY;
  if (event.ControlDown()) flags |= FCONTROL;
  if (event.AltDown()) flags |= FALT;
  if (event.ShiftDown()) flags |= FSHIFT;
  return flags;
}

wxAcceleratorEntry ToWxAccel(const CAccelEntry& e) {
  int flags = wxACCEL_NORMAL;
  if (e.flags & FCONTROL) flags |= wxACCEL_CTRL;
  if (e.flags & FALT) flags |= wxACCEL_ALT;
  if (e.flags & FSHIFT) flags |= wxACCEL_SHIFT;
  // Without FVIRTKEY the key is a character code, which the toolkit takes
  // as it is.
  const int key = (e.flags & FVIRTKEY) ? WxKeyFromVk(e.key) : e.key;
  return wxAcceleratorEntry(flags, key, e.cmd);
}

CAccelEntry FromWxAccel(const wxAcceleratorEntry& e) {
  std::uint8_t flags = FVIRTKEY;
  if (e.GetFlags() & wxACCEL_CTRL) flags |= FCONTROL;
  if (e.GetFlags() & wxACCEL_ALT) flags |= FALT;
  if (e.GetFlags() & wxACCEL_SHIFT) flags |= FSHIFT;
  return CAccelEntry{flags, static_cast<std::uint16_t>(VkFromWxKey(e.GetKeyCode())),
                     static_cast<std::uint16_t>(e.GetCommand())};
}

bool CWxAcceleratorFrame::CopyAcceleratorTable(std::vector<CAccelEntry>& entries) const {
  if (!m_window) return false;
  entries = m_entries;
  return true;
}

bool CWxAcceleratorFrame::SetAcceleratorTable(const std::vector<CAccelEntry>& entries) {
  if (!m_window) return false;
  std::vector<wxAcceleratorEntry> table;
  table.reserve(entries.size());
  for (const CAccelEntry& e : entries) {
    wxAcceleratorEntry a = ToWxAccel(e);
    if (m_toWxId) a.Set(a.GetFlags(), a.GetKeyCode(), m_toWxId(e.cmd));
    if (a.GetKeyCode() != 0) table.push_back(a);  // keys the toolkit cannot name are left out
  }
  m_window->SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(table.size()), table.data()));
  m_entries = entries;
  return true;
}

}  // namespace qzn
