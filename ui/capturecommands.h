// The commands that copy, save and print what a view shows, shared by the
// image view and the 3D view: 编辑 > 复制, 文件 > 保存窗口..., and 文件 >
// 打印 > 打印屏幕 and 打印窗口. Print failures are told with the DIB error
// texts, so a failed print never looks done.
#pragma once

#include <wx/window.h>

#include "resources/commands.h"
#include "ui/commands.h"

namespace qzn {

// The window's client area to the clipboard, as a bitmap (which the toolkit
// offers as PNG) and as "image/bmp" (the packed DIB with its BMP file
// header). The clipboard is left as it was when the capture fails.
void CopyWindowToClipboard(wxWindow* window);
// The window's client area saved as a BMP file the user names; nothing
// happens when the capture fails.
void SaveWindowToFile(wxWindow* window);
// Asks, then prints the whole screen; kPrintScreenError when the screen cannot
// be read.
void PrintScreenCommand();
// Asks, then prints the window's client area.
void PrintWindowCommand(wxWindow* window);

// Registers the four commands for a view window: copy (always), save window
// under saveWindowId (the image view's 保存窗口...; the 3D view has its own
// number), print window (always) and print screen (while the screen can be
// read).
void RegisterCaptureCommands(CCommandTable& table, wxWindow* window, int saveWindowId = cmd::kFileSaveWindow);

}  // namespace qzn
