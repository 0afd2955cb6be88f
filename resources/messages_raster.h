// Texts of the raster images: the image file readers and writers, depth
// conversion, resampling, fills and the colour mosaic. See
// messages_common.h for the conventions.
#pragma once

namespace qzn::res::text {

// TIFF reader result codes 0 to 7; any other code reads kTiffReadError.
inline constexpr const char* const kTiffErrorTexts[] = {
    "成功。",
    "文件不存在或格式无效。",
    "没有足够的内存。添加更多的内存或增大交换文件的尺寸。",
    "缺少键 TIFF 标题参数。",
    "不支持像素位, 不是 1, 4 或 8",
    "不支持每像素取样, 不是 1 或 3",
    "不支持的图像类型。",
    "缺少彩色地图。",
};
inline constexpr const char kTiffReadError[] = "读取 TIFF 文件出错。";
// TIFF reader codes 9 and 10, which other readers give as reasons too.
inline constexpr const char kImageSizeInvalid[] = "图像尺寸无效。";
inline constexpr const char kCmykNotSupported[] = "不支持 CMYK 彩色图像。";

// Why an image file was refused: the prefix with the kind of file ("TIFF",
// "JPEG", "PNG", "GIF", "RLC"), a reason (the TIFF reader's texts where one
// fits, or kImageDataDamaged), then what exactly in brackets.
inline constexpr const char kImageOpenPrefixFormat[] = "打开 %s 文件: ";
inline constexpr const char kImageDataDamaged[] = "图像数据已损坏。";
inline constexpr const char kPixelSizeFormat[] = "%lld x %lld 像素";
inline constexpr const char kSamplesPerPixelFormat[] = "每像素 %d 个取样";
inline constexpr const char kTileSizeFormat[] = "图块 %lu x %lu 像素";
// A missing file, said before any reader is tried; then the path.
inline constexpr const char kFileMissing[] = "文件不存在: ";

// DIB error codes 0 to 21; any other code reads kDibErrorUnknown.
inline constexpr const char* const kDibErrorTexts[] = {
    "非 Windows DIB 文件!",
    "不能分配内存!",
    "读取文件出错!",
    "关闭内存出错!",
    "打开文件出错!",
    "创建调色板出错!",
    "获取一个 DC 出错!",
    "由位图创建图案出错",
    "StretchBlt() 失败!",
    "StretchDIBits() 失败!",
    "SetDIBitsToDevice() 失败!",
    "打印机: StartDoc 失败!",
    "打印机: GetModuleHandle() 不能找到d GDI!",
    "打印机: 设置中止进程失败!",
    "打印机: 开始页失败!",
    "打印机: NEWFRAME 失败!",
    "打印机: 结束页失败!",
    "打印机: EndDoc 失败!",
    "SetDIBits() 失败!",
    "文件没有找到!",
    "无效的句柄",
    "在请求 DIB 功能上的普通错误",
};
inline constexpr const char kDibErrorUnknown[] = "不明确的错误!";

// Readers
inline constexpr const char kCannotOpenImageFile[] = "不能打开文件";
inline constexpr const char kColourMapNoMemory[] = "没有足够的内存用于彩色地图。";
inline constexpr const char kCannotOpenImageForReading[] = "错误: 不能打开图像以读取。";
inline constexpr const char kImageSizeMismatch[] = "读取图像失败: 文件大小和图像大小不相匹配。";

// Pixel operations
inline constexpr const char kUnsupportedImageMemory[] = "不支持的图像内存。";
inline constexpr const char kFillAreaNoMemory[] = "填充区域错误: 内存不足。";
inline constexpr const char kConvertNoMemory[] = "转换错误: 内存不足。";
inline constexpr const char kImageSizeNoMemory[] = "图像大小错误: 内存不足。";
inline constexpr const char kNoSpaceForOperation[] = "没有足够的空间执行这个操作。";

// Colour composition from three sources
inline constexpr const char* const kColourSourceReadErrors[] = {
    "读取红色源象出错。",
    "读取绿色源象出错。",
    "读取蓝色源象出错。",
};
inline constexpr const char kImageTypeMismatch[] = "错误: 图像类型不匹配。";
inline constexpr const char kNoImageSource[] = "错误, 没有图像源可用。";
inline constexpr const char kMergeNoMemory[] = "合并: 内存不足。";

}  // namespace qzn::res::text
