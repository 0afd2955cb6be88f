// The resource tables made into wx objects: the menu bar, context menus,
// toolbar bitmaps, cursors and the accelerator table.
#pragma once

#include <span>
#include <vector>

#include <wx/accel.h>
#include <wx/bitmap.h>
#include <wx/bmpbndl.h>
#include <wx/cursor.h>
#include <wx/menu.h>

#include "resources/menus.h"
#include "ui/core/toolhost.h"

namespace qzn {

// wx takes menu ids below 0x7FFF only; the command numbers (32768 and up)
// are moved down into 6000 and up, clear of the toolkit's own ids.
constexpr int kWxIdShift = 32768 - 6000;
constexpr int WxId(int command) { return command >= 32768 ? command - kWxIdShift : command; }
constexpr int CommandOfWxId(int id) { return id >= 6000 ? id + kWxIdShift : id; }
constexpr int kWxFirstCommand = 6000;
constexpr int kWxLastCommand = 0x7FFE;

// The main menu bar from the menu paths; the commands marked as carrying a
// check mark become check items (in menus and toolbars), so their enablers
// may check them.
wxMenuBar* BuildMenuBar();
// A menu bar from other menu paths (the 3D window's).
wxMenuBar* BuildMenuBar(std::span<const res::MenuItem> items);
// The accelerators a menu's items show after their "\t".
wxAcceleratorTable MenuAccelerators(std::span<const res::MenuItem> items);
void MarkCheckCommands(const std::vector<int>& ids);
bool IsCheckCommand(int id);
// A pop-up menu of context items.
wxMenu* BuildPopupMenu(const std::vector<ContextMenuItem>& items);
// The size the toolbar pictures are drawn for, in pixels at the usual scale.
constexpr int kToolPictureSize = 16;
// The picture of a toolbar button, drawn at whatever size the bar asks
// (16 x 16 at the usual scale); an empty bundle for a command without one.
wxBitmapBundle ToolBitmap(int id);
// A cursor resource (101, 207).
wxCursor MakeCursor(int id);
// The default accelerators.
wxAcceleratorTable DefaultAcceleratorTable();
// wx's key code of a virtual-key code, 0 for none.
int WxKeyOfVirtualKey(int vk);

}  // namespace qzn
