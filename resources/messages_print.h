// Texts of printing and capturing a window: the cancel dialog of a print
// job and the commands that copy, save and print what a view shows. The
// failures of a job are told with the DIB error texts (messages_raster.h).
#pragma once

namespace qzn::res::text {

// The cancel dialog: its caption, the document (kPrintingFormat, the title
// cut to 31 characters), the printer and where it goes ("on %s on %s"), and
// the line shown once the page is sent.
inline constexpr const char kPrintDialogTitle[] = "打印";
inline constexpr const char kPrintingFormat[] = "正在打印 '%s'";
inline constexpr const char kPrinterOnPortFormat[] = "on %s on %s";
inline constexpr const char kSendingBitmap[] = "正在发送位图到打印机...";
// The name under which a job reaches the printer.
inline constexpr const char kPrintDocumentName[] = "QZN";

// The commands shared by the image view and the 3D view.
inline constexpr const char kPrintScreenError[] = "打印屏幕出错。";
inline constexpr const char kAskPrintScreen[] = "打印整个屏幕吗?";
inline constexpr const char kAskPrintWindow[] = "打印当前窗口吗?";
inline constexpr const char kPrintScreenTitle[] = "打印屏幕";
inline constexpr const char kPrintWindowTitle[] = "打印窗口";
inline constexpr const char kBitmapFileFilter[] = "Windows 位图文件 (*.bmp) |*.bmp||";
inline constexpr const char kBitmapDefaultExt[] = "bmp";

}  // namespace qzn::res::text
