// Texts shown by more than one part of the core. Each user-visible text of
// the system is defined once, in the catalogue header of the area that shows
// it (messages_<area>.h) or here when several areas share it. The texts are
// the system's own, UTF-8, shown as they stand; composed messages keep their
// pieces here and are put together where they are shown.
#pragma once

namespace qzn::res::text {

inline constexpr const char kOutOfMemory[] = "超出内存";
inline constexpr const char kErrorNoMemoryComma[] = "错误, 内存不足。";
inline constexpr const char kErrorNoMemory[] = "错误: 内存不足。";
inline constexpr const char kUnknownFileFormat[] = "未知的文件格式。";

// Resolution units, as the document names them.
inline constexpr const char kUnitInch[] = "英寸";
inline constexpr const char kUnitCentimetre[] = "厘米";
inline constexpr const char kUnitPixel[] = "像素";

// Image file readers; the document repeats them when it opens a BMP file.
inline constexpr const char kBmpReadError[] = "读取这个 BMP 图像文件时出错。";
inline constexpr const char kBmpInvalid[] = "无效的图像参数或错误的 BMP 格式。";

// A number outside the range a dialog allows: shown by the dialogs, and
// written to the batch log for a script line that holds one.
inline constexpr const char kDxIntRange[] = "请输入一个整数在 %1 和 %2 之间。";
inline constexpr const char kDxNumberRange[] = "请输入一个数字在 %1 和 %2 之间。";

}  // namespace qzn::res::text
