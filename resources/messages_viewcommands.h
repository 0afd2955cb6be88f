// Texts of the image view's menu commands: the questions that guard them,
// the messages of their failures, their file dialogs' filters and the small
// dialogs they own (image area, workspace size, drape area).
#pragma once

namespace qzn::res::text {

// ---- vector exchange, projects and pictures -------------------------------------
inline constexpr const char kExportVectorFilter[] =
    "线文件 (*.gen) |*.gen|点文件 (*.pnt) |*.pnt|MapInfo 文件 (*.mif) |*.mif|DXF 文件 (*.dxf)|*.dxf|"
    "ArcView (*.shp) |*.shp|IGES 文件 (*.igs)|*.igs|SDL 文件 (*.sdl) |*.sdl|XYZ 文件 (*.xyz) |*.xyz||";
inline constexpr const char kImportVectorFilter[] =
    "矢量文件|*.gen;*.arc;*.shp;*.mif;*.dxf;*.sdl;*.pnt;*.xyz|线文件 (*.gen,*.arc)|*.gen;*.arc|"
    "点文件 (*.pnt)|*.pnt|ArcView (*.shp)|*.shp|MapInfo 文件 (*.mif)|*.mif|DXF 文件 (*.dxf)|*.dxf|"
    "SDL 文件 (*.sdl)|*.sdl|XYZ 点文件 (*.xyz)|*.xyz||";
inline constexpr const char kReadGeoVectorError[] = "读取地理坐标矢量文件出错。";
inline constexpr const char kBitmapFilter[] = "Windows 位图文件 (*.bmp) |*.bmp||";
inline constexpr const char kProjectFilter[] = "方案文件 (*.prj) |*.prj||";
inline constexpr const char kSaveProjectError[] = "保存方案文件出错。";
inline constexpr const char kSaveImageFilter[] =
    "TIFF 文件 (*.tif)|*.tif|PNG 文件 (*.png)|*.png|JPEG 文件 (*.jpg)|*.jpg||";
inline constexpr const char kProfileSection[] = "QZN";
inline constexpr const char kProfileLastSavedVector[] = "LastSavedVector";

// ---- image commands ---------------------------------------------------------------
inline constexpr const char kMirrorError[] = "映射出错。";
inline constexpr const char kAskTransposeGeoreferenced[] = "图像是地理参考, 倒转可能会使其无效. 继续吗?";
inline constexpr const char kWarnWarpImageOnly[] =
    "警告: only image will be warped and the lines should be saved first with the control points to match the "
    "image.";
inline constexpr const char kSmoothImageError[] = "平滑图像出错。";
inline constexpr const char kDespeckleFailed[] = "去斑失败。";
inline constexpr const char kNotEnoughMemoryForFunction[] = "没有足够的内存执行这个功能。";
inline constexpr const char kClassifyError[] = "分类错误";
inline constexpr const char kSegmentError[] = "分割图像出错，处理失败。";
inline constexpr const char kAskBandAsTrainingArea[] = "使用选择的区域作为练习的区域吗？";
inline constexpr const char kBilevelConvertError[] = "转换单色出错。";
inline constexpr const char kDrawRectangleFirst[] = "请首先用鼠标在范围内画一个矩形。";
inline constexpr const char kBilevelToGreyNoMemory[] = "图像转换错误: 内存不足。";
inline constexpr const char kAskCropToRoi[] = "这个命令将用定义的 ROI 裁剪图像，继续吗?";

// Dialog 139, the image area of a crop.
inline constexpr const char kCropAreaTitle[] = "定义图像区域";
inline constexpr const char kCropAreaPrompt[] = "确认或输入新的特定区域:";
inline constexpr const char kCropLeft[] = "左边:";
inline constexpr const char kCropTop[] = "上方:";
inline constexpr const char kCropRight[] = "右边:";
inline constexpr const char kCropBottom[] = "下方:";

// ---- lines, points, text blocks, notes and layers ---------------------------------
inline constexpr const char kAskDeleteAllLines[] = "删除当前所有的线吗? 不能撤销。";
inline constexpr const char kAskDeleteAllPoints[] = "删除当前所有的点吗? 不能撤销。";
inline constexpr const char kLineCountFormat[] = "线段总数: %ld\n";
inline constexpr const char kMeanNodesFormat[] = "平均节点数: %d";
inline constexpr const char kDrawRectAroundCrossing[] = "在问题交点周围画一个矩形。";
inline constexpr const char kAskShrinkAllCrossings[] = "修正所有不规则的交点吗?";
inline constexpr const char kAskShrinkCrossingsInArea[] = "在选择的区域内修正所有不规则的交点?";
inline constexpr const char kAskRemoveCrossMarks[] = "删除所有虚交点标记吗?";
inline constexpr const char kDrawRectAroundCharacter[] = "请在一个字符周围画一个矩形。";
inline constexpr const char kAskSplitTextLines[] = "在新的图层内通过文本块分离线段?";
inline constexpr const char kAskClearAllTextBlocks[] = "清除所有的文本块标记吗?";
inline constexpr const char kAskClearTextBlocksInArea[] = "在选择的范围内清除所有的文本块标记吗?";
inline constexpr const char kTextBlockFilter[] = "文本块文件 (*.blk) |*.blk||";
inline constexpr const char kLoadTextBlocksError[] = "不能载入文本块文件。";
inline constexpr const char kSaveTextBlocksError[] = "不能保存文本块文件。";
inline constexpr const char kOcrFilter[] = "OCR 文件 (*.ocr) |*.ocr||";
inline constexpr const char kLoadOcrError[] = "不能载入 OCR 文件。";
inline constexpr const char kSaveOcrError[] = "不能保存 OCR 文件。";
inline constexpr const char kNotesFilter[] = "节点文件 (*.nts) |*.nts||";
inline constexpr const char kLoadNotesError[] = "不能载入节点文件。";
inline constexpr const char kSaveNotesError[] = "不能保存节点文件。";
inline constexpr const char kLayerFileFilter[] = "QZN 图层文件 (*.lay) |*.lay|所有文件 (*.*)|*.*||";
inline constexpr const char kLayerFileOpenError[] = "文件打开错误!";

// ---- georeference -----------------------------------------------------------------
inline constexpr const char kNeedFourControlPoints[] = "需要 4 个或更多控制点。";
inline constexpr const char kTriangulationError[] = "不能产生 Delaunay 三角网，检查你的控制点。";
inline constexpr const char kControlPointLoadFilter[] =
    "控制点文件 |*.cpt;*.tfw;*.tab|控制点 (*.cpt)|*.cpt|World 文件 (*.tfw)|*.tfw|TAB 文件 (*.tab)|*.tab|"
    "所有文件 (*.*)|*.*||";
inline constexpr const char kReadTfwFailed[] = "读取 TFW 文件失败。";
inline constexpr const char kReadTabError[] = "读取 TAB 文件出错。";
inline constexpr const char kReadControlPointsError[] = "读取控制点文件出错。";
inline constexpr const char kControlPointSaveFilter[] = "控制点文件 (*.cpt)|*.cpt| 所有文件 (*.*)|*.*||";
inline constexpr const char kWorldFileFilter[] = "图像 World 文件 (*.TFW) |*.TFW|图像标签文件 (*.TAB) |*.TAB||";
inline constexpr const char kWorldFileFromPointsError[] = "不能产生图像 World 文件，请检查你选择的控制点。";
inline constexpr const char kSaveWorldFileError[] = "保存图像 World 文件出错。";

// ---- View menu --------------------------------------------------------------------
inline constexpr const char kGreyRangeFormat[] = "图像灰度范围: %d - %d";
inline constexpr const char kColourRange[] = "彩色图像像素范围: 0 - 255";
inline constexpr const char kBilevelRange[] = "单色图像范围: 0 - 1";

// Dialog 172, the workspace size.
inline constexpr const char kWorkspaceTitle[] = "定义矢量数据窗";
inline constexpr const char kWorkspacePrompt[] = "输入新的位置值:";
inline constexpr const char kWorkspaceLeft[] = "左:";
inline constexpr const char kWorkspaceRight[] = "右:";
inline constexpr const char kWorkspaceTop[] = "上:";
inline constexpr const char kWorkspaceBottom[] = "下:";
inline constexpr const char kWorkspaceDefault[] = "默认值";
// The rectangle of the workspace cannot be empty: lines and points would
// have nothing to be shown in.
inline constexpr const char kWorkspaceEmpty[] = "工作空间的右边必须大于左边, 下边必须大于上边。";

// ---- printing ----------------------------------------------------------------------
inline constexpr const char kPrintFailed[] = "打印出错。";
inline constexpr const char kPrintPreviewTitle[] = "打印预览";

// ---- report and scripts -----------------------------------------------------------
inline constexpr const char kAskReportFormat[] = "共计 %d 条线段，创建报告吗?";
inline constexpr const char kReportTitle[] = "矢量报告";

}  // namespace qzn::res::text
