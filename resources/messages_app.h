// Texts of the application: the workspace document, the project file, the
// image and vector commands, vectorising, OCR, the batch run and the command
// line. See messages_common.h for the conventions.
#pragma once

namespace qzn::res::text {

// ---- opening and saving -------------------------------------------------------
// The image files the open dialogs offer.
inline constexpr const char kImageFileFilter[] =
    "图像文件|*.tif;*.bmp;*.hdr;*.gif;*.jpg;*.rlc;*.png|TIFF 文件 (*.tif)|*.tif|BMP 文件 (*.bmp)|*.bmp|"
    "JPEG 文件 (*.jpg)|*.jpg|GIF 文件 (*.gif)|*.gif|RLC 文件 (*.rlc)|*.rlc|PNG 文件 (*.png)|*.png|"
    "Raw 图像 (*.hdr)|*.hdr|所有文件 (*.*)|*.*||";
inline constexpr const char kProjectFileFilter[] = "方案文件 (*.prj) |*.prj||";
inline constexpr const char kTiffFileFilter[] = "TIFF 文件 (*.tif) |*.tif||";
inline constexpr const char kAskFixOrientation[] = "图像没有使用左顶点作为原点, 你要调节吗?";
// What a run without a window did where the window asks kAskFixOrientation.
inline constexpr const char kOrientationFixed[] = "图像没有使用左顶点作为原点, 已调节。";
inline constexpr const char kImageFileReadError[] = "读取图像文件出错。";
inline constexpr const char kProjectReadError[] = "读取方案文件出错。";
inline constexpr const char kImageReadError[] = "读取图像出错。";
// ---- importing points ------------------------------------------------------------
inline constexpr const char kAskRemovePoints[] = "移除现有的点吗?";
inline constexpr const char kPointFileReadError[] = "读取点文件出错。";

// The command line does not convert a scan whose georeference was refused.
inline constexpr const char kGeoreferenceRefusedNotConverted[] = "空间参照无效, 没有转换。";
// Side files: the question, then the file's name.
inline constexpr const char kAskControlPointFile[] = "你要为空间参照打开控制点文件吗? ";
inline constexpr const char kAskWorldFile[] = "你要为空间参照打开 world 文件吗? ";
inline constexpr const char kAskTabFile[] = "你要为空间参照打开 tab 文件吗? ";
// What a run without a window did in place of those questions, then the
// file's name.
inline constexpr const char kUsedControlPointFile[] = "使用控制点文件作为空间参照: ";
inline constexpr const char kUsedWorldFile[] = "使用 world 文件作为空间参照: ";
inline constexpr const char kUsedTabFile[] = "使用 tab 文件作为空间参照: ";
inline constexpr const char kAskSaveData[] = "保存修改后的数据吗?";
inline constexpr const char kAskSaveImage[] = "图像已经修改，保存吗?";
inline constexpr const char kSaveImageError[] = "保存图像出错。";
inline constexpr const char kJpegOnlyGreyOrRgb[] = "只有灰度和 24 位 RGB 图像可以保存为 JPEG。";
inline constexpr const char kJpegSaveError[] = "保存图像为 JPEG 格式时出错。";
inline constexpr const char kPngSaveError[] = "保存图像为 PNG 格式时出错。";
inline constexpr const char kAskSaveGeoTiff[] = "保存图像为 GeoTIFF?";
inline constexpr const char kSaveFileError[] = "保存文件出错";

// ---- the project file --------------------------------------------------------------
inline constexpr const char kOldProjectVersion[] = "这是一个旧版本的文件。一些数据可能不能载入。";
inline constexpr const char kCannotSaveProject[] = "不能保存方案。";
inline constexpr const char kCannotOpenProject[] = "不能打开方案。";
inline constexpr const char kInvalidProjectFile[] = "错误: 无效的方案文件。";
inline constexpr const char kCannotReadProjectFile[] = "错误: 不能读取方案文件。";
inline constexpr const char kInvalidProjectExtent[] = "错误: 方案的工作区范围无效。";

// ---- image commands -------------------------------------------------------------------
inline constexpr const char kNoSpaceToConvert[] = "没有足够的空间进行转换。";
inline constexpr const char kSmoothError[] = "平滑图像出错，处理失败。";
inline constexpr const char kEdgeDetectError[] = "边缘检测出错，处理失败。";
inline constexpr const char kEdgeError[] = "边缘处理出错，处理失败。";
inline constexpr const char kNegateError[] = "图像反向出错，处理失败。";
inline constexpr const char kNoSpaceToRotate[] = "内有足够的空间旋转。";
inline constexpr const char kTooFewControlPoints[] = "没有足够的控制点，请添加。";
inline constexpr const char kWarpError[] = "图像变形出错。";

// ---- vector commands, the vector report and OCR ---------------------------------------
inline constexpr const char kAskRemoveTextBlocks[] = "移除现有的文本块吗?";
inline constexpr const char kNoOcrSettings[] = "没有可用的 OCR 属性设置，现在开始 OCR 训练或者从一个 OCR 文件载入。";
inline constexpr const char kNoTextBlocks[] = "没有检测到文本块，请先探测或编辑文本块。";
inline constexpr const char kOcrNeedsTraining[] = "图像需要进行 OCR 训练。";
inline constexpr const char kOcrFileReadError[] = "读取 OCR 文件错误。";
inline constexpr const char kOcrFileInvalid[] = "无效的 OCR 文件。";
inline constexpr const char kOcrFileNoMemory[] = "内存不足, 读取 OCR 文件。";
inline constexpr const char kOcrFileSaveError[] = "保存 OCR 文件错误。";
// The columns of the vector report; the last three only with map coordinates.
inline constexpr const char* const kVectorReportHeadings[] = {
    "No.", "ID", "图层", "中心点(X,Y)", "长度", "多边形", "面积", "Center'", "Length'", "Area'",
};

// ---- vectorising and tracing ----------------------------------------------------------
inline constexpr const char kNoSpaceForImageCopy[] = "没有足够的空间保存图像的副本，矢量化没有执行。";
inline constexpr const char kReloadImageAfterVectorize[] = "在矢量化之后请重新载入你的图像文件。";
inline constexpr const char kVectorizeError[] = "矢量化错误。重新选择属性。";
inline constexpr const char kVectorizeNoMemory[] = "内存不足, 矢量化失败。";
inline constexpr const char kInternalErrorFormat[] = "内部错误 #%02d%s";  // number, then "!" or nothing
inline constexpr const char kVertexNoMemory[] = "内存分配错误";
inline constexpr const char kFirstPointExists[] = "第一点已存在";
inline constexpr const char kFirstPointMissing[] = "第一点不存在";
inline constexpr const char kProcessingError[] = "处理错误";
inline constexpr const char kDeletePointError[] = "删除点错误";

// ---- batch scripts and the batch run ------------------------------------------------
inline constexpr const char kMacroOpenError[] = "打开宏文件出错。";
inline constexpr const char kMacroSaveError[] = "打开宏文件出错。没有保存。";
// The kinds of source a batch run vectorises; a CAD drawing straightens lines.
inline constexpr const char kSourceMap[] = "地图";
inline constexpr const char kSourceCad[] = "CAD 图形";
inline constexpr const char kBatchProcessing[] = "当前处理进程...";
inline constexpr const char kBatchDoneFormat[] = "成功的处理 %d 个图像。 检查 %s 获得更多信息";
// The batch log ("batch.log"), piece by piece.
inline constexpr const char kLogImageCountFormat[] = "\n已矢量化文件总数: %d\n";
inline constexpr const char kLogStart[] = "\n开始矢量化 ";
inline constexpr const char kLogCannotOpen[] = "\n不能打开或处理 ";
inline constexpr const char kLogLineOn[] = " 在 ";
inline constexpr const char kLogLineDone[] = " 上的全部功能\n";
inline constexpr const char kLogLineRun[] = "执行 ";
inline constexpr const char kLogLineFailed[] = " 上失败\n";
inline constexpr const char kLogUnsupportedImage[] = "\n图像类型不支持批量矢量化: ";
inline constexpr const char kLogVectorizeError[] = "\n矢量化时发生错误 ";
inline constexpr const char kLogSaveError[] = "\n发生错误，保存矢量数据到 ";
inline constexpr const char kLogVectorized[] = " 已矢量化。 \n矢量数据已保存到 ";
inline constexpr const char kLogTimeNow[] = "\n当前时间是 ";

// ---- the command line ------------------------------------------------------------------
inline constexpr const char kMissingArguments[] = "错误: 缺少参数。";
inline constexpr const char kOutputIsInput[] = "输出文件不能是输入的图像: ";  // then the path
inline constexpr const char kOnlyGreyOrBilevel[] = "只能转换 8 位灰度图像和 1 位单色图像。";
inline constexpr const char kAutoConvertError[] = "执行自动转换出错。";
inline constexpr const char kSaveVectorError[] = "保存矢量数据出错: ";  // then the path
inline constexpr const char kCommandLineUsage[] =
    "usage: qzn -i <scan> -o <lines.gen> [-c | -b]\n"
    "  -i, -r <file>   input image (TIFF, BMP, JPEG, PNG, GIF, RLC, raw), 8-bit grey or 1-bit\n"
    "  -o, -v <file>   output: ARC generate text, whatever the extension\n"
    "  -c              centre-line tracing (default)\n"
    "  -b              outline tracing\n"
    "Switches may also begin with '/'. A georeferenced scan (world file, control points,\n"
    "GeoTIFF) gives map coordinates, any other scan pixel coordinates.\n";

}  // namespace qzn::res::text
