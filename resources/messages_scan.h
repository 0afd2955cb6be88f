// Texts of scanning: the acquisition's error reports and messages, and the
// names the scanner source gives its modes. See messages_common.h for the
// conventions.
#pragma once

namespace qzn::res::text {

// The operations named in the error reports, by index.
inline constexpr const char* const kTwainOperations[] = {
    "载入源管理器", "打开源管理器", "选择数据源", "打开数据源",   "获得地位",     "获得性能",
    "设置性能",     "启用数据源",   "处理事件",   "读取图像信息", "设置内存迁移", "完成本地迁移",
    "完成内存迁移", "结束迁移",     "取消迁移",   "禁用数据源",   "关闭数据源",   "关闭源管理器",
};

// Condition codes 0 to 13; codes above 13 read as 13.
inline constexpr const char* const kTwainConditions[] = {
    "but cc == TWCC_SUCCESS: Bug!!!",
    "由于未知的原因失败",
    "没有足够的内存完成操作。",
    "不支持数据源查找。",
    "数据源不支持另外的连接",
    "内部数据源错误。",
    "不支持的性能。",
    "无效的条件代码。",
    "无效的条件代码。",
    "未被承认的组。",
    "数据参数超出范围。",
    "顺序错误",
    "无效的数据源详细说明",
    "未知的错误条件",
};

// Error reports: operations 0 and 1 name the manager's file, the others only
// the operation; the condition's text follows on the next line.
inline constexpr const char kTwainCannotFormat[] = "TWAIN 错误: 不能到 %s (%s)\n";
inline constexpr const char kTwainUnableFormat[] = "TWAIN 错误: Unable to %s\n";
inline constexpr const char kTwainUnknownError[] = "TWAIN 错误: 未知的错误条件";

// Negotiation
inline constexpr const char kTwainNoPixelType[] = "TWAIN 不支持: 源不支持 ICAP_PIXELTYPE";
inline constexpr const char kTwainBadPixelTypeContainer[] = "错误: 通过像素类型 - 无效的外壳类型";
inline constexpr const char kTwainPixelTypeCheckStatus[] =
    "TWAIN 警告: ICAP_PIXELTYPE returned CheckStatus during Negotiations";
inline constexpr const char kTwainNoTransferMechanism[] = "TWAIN 不支持: 源不支持 ICAP_XFERMECH";
inline constexpr const char kTwainBadMechanismContainer[] = "错误: 通过转换机构 - 无效的外壳类型";
inline constexpr const char kTwainNoNativeOrMemory[] = "TWAIN 不支持: 源不支持本地或内存迁移\n不能使用!";
inline constexpr const char kTwainBadBitDepthContainer[] = "错误: 通过位深 - 无效的外壳类型";
inline constexpr const char kTwainBitDepthCheckStatus[] =
    "TWAIN 警告: ICAP_BITDEPTH returned CheckStatus during Negotiations";
inline constexpr const char kTwainNoCompression[] = "TWAIN 不支持: 来源不支持 ICAP_COMPRESSION";
inline constexpr const char kTwainBadCompressionContainer[] = "错误: 通过压缩 - 无效的外壳类型";
inline constexpr const char kTwainNoUncompressed[] = "扫描仪不支持未被压缩的数据传递 - 退出";

// Transfers
inline constexpr const char kTwainBadMechanism[] = "发现无效的转换机构!  正在中止...";
inline constexpr const char kTwainCompressedBitmap[] = "错误: 不能操作已压缩的位图";
inline constexpr const char kTwainCompressedTransfer[] = "错误:  不能操作已压缩的图像传递";
inline constexpr const char kTwainNoTransferMemory[] = "TWAIN 错误: 不能分配内存给图像传递";
inline constexpr const char kScanNoMemory[] = "扫描图像: 内存不足。";
inline constexpr const char kTwainUnsupportedFormat[] = "TWAIN 错误: 不能存储每像素 %d 位、%d 个样本的图像数据";
inline constexpr const char kTwainBadBlock[] = "TWAIN 错误: 数据源传来的图像数据与它报告的图像信息不符";
inline constexpr const char kTwainIncomplete[] = "TWAIN 错误: 数据源传来的图像不完整";

// The scanner source's names for what a mode delivers: the kind and, in
// kScanModeFormat, the bits a pixel.
inline constexpr const char kScanModeBlackWhite[] = "黑白";
inline constexpr const char kScanModeGrey[] = "灰度";
inline constexpr const char kScanModeColour[] = "彩色";
inline constexpr const char kScanModeFormat[] = "%s (%d 位)";

// The title of a workspace made by scanning.
inline constexpr const char kScanNewImageTitle[] = "新图像";

// The desktop's dialogs of the manager and the source.
inline constexpr const char kScanSelectTitle[] = "选择扫描仪";
inline constexpr const char kScanSelectPrompt[] = "扫描仪:";
inline constexpr const char kScanDialogTitle[] = "扫描";
inline constexpr const char kScanDevice[] = "设备:";
inline constexpr const char kScanMode[] = "模式:";
inline constexpr const char kScanResolution[] = "分辨率 (dpi):";
inline constexpr const char kScanAreaMillimetres[] = "扫描区域 (毫米)";
inline constexpr const char kScanAreaPixels[] = "扫描区域 (像素)";
inline constexpr const char kScanLeft[] = "左:";
inline constexpr const char kScanTop[] = "上:";
inline constexpr const char kScanRight[] = "右:";
inline constexpr const char kScanBottom[] = "下:";
inline constexpr const char kScanButton[] = "扫描";
inline constexpr const char kScanOkButton[] = "确定";
inline constexpr const char kScanCancelButton[] = "取消";
inline constexpr const char kScanAreaInvalid[] = "扫描区域无效: 右必须大于左, 下必须大于上。";

}  // namespace qzn::res::text
