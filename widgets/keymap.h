// The one place where the toolkit's keys meet the Windows virtual-key codes
// that the table control and the stored shortcuts use: key codes both ways,
// modifier flags, and accelerator-table entries.
#pragma once

#include <functional>
#include <vector>

#include <wx/accel.h>
#include <wx/event.h>

#include "widgets/core/shortcuts.h"

namespace qzn {

// The virtual-key code of a toolkit key code; 0 for keys without one (the
// punctuation keys, whose codes depend on the keyboard layout).
int VkFromWxKey(int wxKey);
// The toolkit key code of a virtual-key code; 0 when there is none.
int WxKeyFromVk(int vk);

// Accelerator flags of the modifiers held in a key event (FVIRTKEY set).
std::uint8_t AccelFlagsOf(const wxKeyEvent& event);

wxAcceleratorEntry ToWxAccel(const CAccelEntry& entry);
CAccelEntry FromWxAccel(const wxAcceleratorEntry& entry);

// The accelerator table of a window, kept for the shortcut manager: the
// entries set last are the ones it reads back (the toolkit does not give a
// table's entries). Entries carry the program's command numbers (those the
// stored shortcuts keep); `toWxId` gives the toolkit id of the window's menu
// command of a number (the toolkit's menu ids stop below 0x7FFF), the
// number itself when not given.
class CWxAcceleratorFrame : public IAcceleratorFrame {
 public:
  using IdMap = std::function<int(std::uint16_t)>;
  explicit CWxAcceleratorFrame(wxWindow* window, std::vector<CAccelEntry> initial = {}, IdMap toWxId = {})
      : m_window(window), m_entries(std::move(initial)), m_toWxId(std::move(toWxId)) {}
  bool CopyAcceleratorTable(std::vector<CAccelEntry>& entries) const override;
  bool SetAcceleratorTable(const std::vector<CAccelEntry>& entries) override;
  const std::vector<CAccelEntry>& Entries() const { return m_entries; }

 private:
  wxWindow* m_window;
  std::vector<CAccelEntry> m_entries;
  IdMap m_toWxId;
};

}  // namespace qzn
