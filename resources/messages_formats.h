// Texts of the vector exports and imports. See messages_common.h for the conventions.
#pragma once

namespace qzn::res::text {

// ---- the georeference of an export ---------------------------------------------
inline constexpr const char kBadControlPoints[] = "映射控制点损坏, 请重新选择。";
inline constexpr const char kBadControlPointsSaveAgain[] = "坏的映射控制点, 请重新选择并再次保存。";
inline constexpr const char kBadControlPointsExportAgain[] = "坏的控制点。重新选择并输出。";
inline constexpr const char kNeedMoreControlPoints[] = "需要比 4 个控制点更多的点绘制地图。";
inline constexpr const char kWorldFileNotApplied[] = "不能应用 TFW 数据。文件没有保存。";
inline constexpr const char kWorldFileNotAppliedXyz[] = "不能应用 TFW 数据。 XYZ 文件没有保存。";
inline constexpr const char kWorldFileNotUsedSdl[] = "不能使用 TFW 数据。SDL 文件没有保存。";
inline constexpr const char kWorldFileError[] = "应用 TFW 数据时出错, 数据没有保存。";
inline constexpr const char kWorldFileParameterError[] = "应用 TFW 参数出错。";

// ---- files --------------------------------------------------------------------------
inline constexpr const char kCannotOpenFile[] = "不能打开这个文件。";
inline constexpr const char kDxfOpenError[] = "打开 DXF 文件出错。没有保存。";
inline constexpr const char kMifOpenError[] = "打开文件出错, MIF 文件没有保存。";
inline constexpr const char kSaveLinesError[] = "保存线数据时出错。";
inline constexpr const char kSavePointsError[] = "保存点数据时出错。";
inline constexpr const char kSaveVectorFileError[] = "保存矢量文件出错。";
inline constexpr const char kInvalidFileFormat[] = "无效的文件格式。";
// "%g": the ID.
inline constexpr const char kIdOutOfRangeFormat[] = "ID %g 超出了字段的范围。数据没有保存。";
inline constexpr const char kIgesTooManyRecords[] = "IGES 文件的一个段超过 9999999 个记录。文件没有保存。";

// ---- questions and empty sources ------------------------------------------------------
inline constexpr const char kAskLineIdAsZ[] = "保存矢量 ID 为 Z 值?";
inline constexpr const char kAskPointIdAsZ[] = "保存点 ID 为 Z 值?";
inline constexpr const char kNoPointsToSave[] = "没有点被数字化处理。不能保存。";
inline constexpr const char kNoNotesToSave[] = "没有文本注释可以用到。没有数据是保存的。";

// ---- vector import ------------------------------------------------------------------
inline constexpr const char kSdlReadError[] = "SDL 文件读取错误。";
inline constexpr const char kShapeFileReadError[] = "读取形文件出错。";
inline constexpr const char kLineListReadError[] = "读取列表出错。";
inline constexpr const char kPointLayerReadError[] = "读取点层出错。";
// The MIF header checks; shown as they are, with their line ends.
inline constexpr const char kNotMifFile[] = "这不是地图信息交换文件\n";
inline constexpr const char kMifNoColumns[] = "不能找到专栏项目\n";
inline constexpr const char kMifNoData[] = "不能找到数据项目\n";
inline constexpr const char kAskRemoveLines[] = "移除现有的线段吗?";
inline constexpr const char kAskChangeDisplayRange[] = "你的数据可能超出了适当的显示范围，你要改变它吗?";
inline constexpr const char kDisplayRangeKept[] = "数据按这个比例改变后会超出工作区能容纳的范围, 显示范围没有改变。";

}  // namespace qzn::res::text
