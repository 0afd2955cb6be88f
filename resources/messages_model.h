// Texts of the data model: lines, points, text blocks, annotations, layers
// and the polygon builder. See messages_common.h for the conventions.
#pragma once

namespace qzn::res::text {

// Line edits: the operation's name, a colon and "内存不足。".
inline constexpr const char kReplaceVertexNoMemory[] = "替换节点: 内存不足。";
inline constexpr const char kInsertPointNoMemory[] = "插入点: 内存不足。";
inline constexpr const char kSplitNoMemory[] = "分割: 内存不足。";
inline constexpr const char kCloseNoMemory[] = "关闭: 内存不足。";
inline constexpr const char kJoinNoMemory[] = "内存不足, 捕捉失败。";
inline constexpr const char kCopyLineNoMemory[] = "CopyFrom, 内存不足";

// Line lists
inline constexpr const char kLineFileUnreadable[] = "读取线文件失败。";
inline constexpr const char kSnapLinesNoMemory[] = "内存不足。捕捉线段失败。";
inline constexpr const char kPolygonsNoMemory[] = "内存不足。生成多边形失败。";
inline constexpr const char kPolygonError[] = "多边形处理错误!";

// Layers
inline constexpr const char kLayerNameFormat[] = "图层%d";  // the name of a new layer
inline constexpr const char kDefaultLayerName[] = "默认值";
inline constexpr const char kUntitled[] = "无标题";  // a layer, or a window without a file
inline constexpr const char kCannotOpenFileStop[] = "不能打开文件。";

// Annotations
inline constexpr const char kNoteFileSaveError[] = "保存注释文件出错。";
inline constexpr const char kNoteFileReadError[] = "读取注释文件出错。";
inline constexpr const char kNoteFileInvalid[] = "无效的注释文件";

// Text blocks
inline constexpr const char kDetectTextNoMemory[] = "DetectText: 内存不足, 不能继续。";
inline constexpr const char kTextBlockFileSaveError[] = "保存文本块文件出错。";
inline constexpr const char kTextBlockFileReadError[] = "读取文本块文件出错。";
inline constexpr const char kTextBlockFileInvalid[] = "无效的文本块文件。";

}  // namespace qzn::res::text
