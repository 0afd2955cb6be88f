// The default accelerator table: (flags, key, command) as the shortcut
// files store them. Flags: kAccVirtKey (key is a virtual-key code), kAccShift,
// kAccControl, kAccAlt. Keys are virtual-key codes ('A'..'Z', '0'..'9' as
// their characters; F1 is 0x70).
#pragma once

#include <span>

namespace qzn::res {

enum : int { kAccVirtKey = 0x01, kAccShift = 0x04, kAccControl = 0x08, kAccAlt = 0x10 };
enum : int { kVkF1 = 0x70, kVkF2, kVkF3, kVkF4, kVkF5, kVkF6 };

struct Accelerator {
  int flags;
  int key;
  int id;
};

std::span<const Accelerator> DefaultAccelerators();

}  // namespace qzn::res
