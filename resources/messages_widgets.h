// Texts of the table control and of the keyboard shortcuts: the shortcut
// manager's messages, the customise-keys dialog and the printout's footer.
// (Running out of memory while growing a table shows kOutOfMemory of
// messages_common.h.)
#pragma once

#include "resources/messages_common.h"

namespace qzn::res::text {

// Shortcut manager
inline constexpr const char kShortcutEmptyCommand[] = "Empty command";
inline constexpr const char kShortcutKeyInvalid[] = "Internal error : (CShortcutKey::GetString) m_wKey invalid";
inline constexpr const char kShortcutWriteError[] =
    "CShortcutManager::~CShortcutManager\nError in CShortcutManager::Write...";
inline constexpr const char kShortcutLoadFailed[] = "Loading User accelerators failed !!";

// Customise-keys dialog
inline constexpr const char kKeysTitle[] = "自定义快捷键";
inline constexpr const char kKeysCommands[] = "命令(&C)：";
inline constexpr const char kKeysCurrent[] = "当前快捷键(&N)";
inline constexpr const char kKeysNew[] = "选择新的快捷键(&N)";
inline constexpr const char kKeysAssign[] = "赋值(&A)";
inline constexpr const char kKeysRemove[] = "移除(&R)";
inline constexpr const char kKeysResetAll[] = "全部重设(&S)";
inline constexpr const char kKeysAssignedTo[] = "当前指定到：";
inline constexpr const char kKeysOk[] = "确定";
inline constexpr const char kKeysCancel[] = "取消";
inline constexpr const char kKeysLocked[] = "Unable to remove this\naccelerator (Locked)";
inline constexpr const char kKeysLookupFailed[] = "internal error (CShortcutDlgHelper::Remove : Lookup failed)";
inline constexpr const char kKeysKeyUnavailable[] = "internal error (CShortcutDlgHelper::Remove : pAccel unavailable)";

// Printed tables: the footer's page text, pieces of "Page %d of %d".
inline constexpr const char kPrintPage[] = "Page ";
inline constexpr const char kPrintPageOf[] = " of ";

}  // namespace qzn::res::text
