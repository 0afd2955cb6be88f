// Texts of the batch vectorise dialog and the script editor.
#pragma once

namespace qzn::res::text {

// Batch vectorise (121)
inline constexpr const char kBatchTitle[] = "批量矢量化";
inline constexpr const char kBatchStatusIdle[] = "图像矢量化";
inline constexpr const char kCentreLine[] = "中心线";
inline constexpr const char kOutline[] = "分界线";
inline constexpr const char* const kBatchOutputTexts[] = {"GEN (ArcInfo)", "DXF", "MIF (MapInfo)", "SHP (ArcView)",
                                                          "方案 (QZN)"};
inline constexpr const char kLogFileButton[] = "记录文件:";
inline constexpr const char kEditScript[] = "编辑脚本";
inline constexpr const char kStart[] = "开始";
inline constexpr const char kBatchHelpButton[] = "帮助(H)";
inline constexpr const char kNoRoomForNames[] = "没有足够的空间执行这个功能";
inline constexpr const char kChooseFileToRemove[] = "请从列表中选择一个文件以移除。";
inline constexpr const char* const kBatchHelpPieces[] = {
    "在进行批量矢量化之前选择一个列表中的图像文件。 ", "这个操作仅支持二进制和灰度图像。 ",
    "产生的矢量数据将保存到文件名相同但扩展名不同的文件中。 ", "处理状况请检查输出记录文件。",
    "使用编辑脚本来定义列表中的处理功能。"};
inline constexpr const char kLogFileFilter[] = "QZN 记录文件 (*.log) |*.log|所有文件 (*.*)|*.*||";

// Script editor (162)
inline constexpr const char kScriptTitle[] = "QZN 脚本编辑对话框";
inline constexpr const char kApplyToImage[] = "涉及图像";
inline constexpr const char kScriptLines[] = "功能脚本:";
inline constexpr const char kCommands[] = "功能:";
inline constexpr const char kInsert[] = "插入";
inline constexpr const char kRemove[] = "移除";
inline constexpr const char kSaveAs[] = "另存为";
inline constexpr const char kCommentCommand[] = "; 你的命令在这里";
inline constexpr const char kChoosePointToInsert[] = "请选择一个点以插入。";
inline constexpr const char kChooseCommandToRemove[] = "请选择要移除的命令";
inline constexpr const char kScriptFileFilter[] = "脚本文件 (*.cmd) |*.cmd||";
inline constexpr const char kScriptReadError[] = "读取脚本文件错误。";
inline constexpr const char kScriptSaveError[] = "保存脚本文件出错。";
inline constexpr const char kNoImageForScript[] = "脚本没有图像可以应用。";
inline constexpr const char kNoCommandsDefined[] = "没有定义命令, 请先编辑脚本。";
inline constexpr const char kRunLineErrorFormat[] = "运行 %s 时出错。";
inline constexpr const char kAskSaveScript[] = "脚本已修改, 另存为一个文件吗?";

// Each command's example line and syntax, in the editor's words.
struct ScriptCommandHelp {
  const char* name;
  const char* example;  // null: the name itself
  const char* syntax;   // null: the name itself
};
inline constexpr ScriptCommandHelp kScriptCommandHelp[] = {
    {"ImageConvert", "ImageConvert BiLevel", "图像转换 8 位色/24 位色/灰度/单色"},
    {"ImageSetROI", "ImageSetROI 0 0 0 0", "图像设置 ROI 在左上右下"},
    {"ImageFlip", "ImageFlip Vertical", "图像翻转 垂直/水平"},
    {"ImageRotate", "ImageRotate 90", "图像旋转交迭(度数)"},
    {"ImageSmooth", "ImageSmooth Average", "图像平滑 中值/平均数"},
    {"ImageCrop", "ImageCrop 0 0 0 0", "图像裁剪在左上右下"},
    {"ImageResample", "ImageResample down 2", "图像重新取样 向下/向上 因数"},
    {"ImageRemoveBackground", "ImageRemoveBackground 25", "图像移除背景 [过滤器大小(像素)]"},
    {"ImageEdge", "ImageEdge gradient", "图像边形检测/斜度"},
    {"ImageSetThresh", "ImageSetThresh 0 150", "图像设置阈值 低 高"},
    {"LoadColorFeature", "LoadColorFeature FilePath", nullptr},
    {"ImageClassification", "ImageClassification 5 10", "图像分级迭代数"},
    {"SaveImage", nullptr, "保存图像覆盖在 geotiff 上"},
    {"SetCurLayer", "SetCurLayer 10", "设置当前层 图层ID"},
    {"Vectorize", "Vectorize Map Center UserThresh", "矢量化 地图/CAD, 中心线/边界线, 用户阈值"},
    {"LineSmooth", "LineSmooth 1.0", "线段平滑阈值"},
    {"BSpline", "BSpline 2", "B 样线条节点数"},
    {"LineSnap", "LineSnap 2.0", "线段捕捉阈值"},
    {"LineDelete", "LineDelete 0 10", "删除线最小长度和最大长度   "},
    {"SetLayer", "SetLayer 10", "设置层 图层ID"},
    {"CreatePolygons", "CreatePolygons 2", "创建多边形阈值"},
    {"MapPixels", "MapPixels 0 150 0", "地图像素 低(旧) 高(旧) 新值"},
};

}  // namespace qzn::res::text
