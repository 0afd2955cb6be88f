// Texts of the option dialogs of the vectorisation and image commands and of
// the commands that run them: vectorising and the threshold, layers, ID
// colours and values, notes, the palette, contrast and drawing values, raw
// image headers, mosaic and colour composition, image information. See
// messages_common.h for the conventions.
#pragma once

namespace qzn::res::text {

// ---- automatic vectorisation ----------------------------------------------------
inline constexpr const char kAskLinesOnCurrentLayer[] =
    "线段已存在于当前图层，如果是在相同的矢量图区域内你可以获得两条线段。在矢量图中你可以定义 ROI "
    "或者图层，继续矢量化吗？";
inline constexpr const char kAskBandAsThreshold[] = "使用选择的区域作为图像阈值?";
inline constexpr const char kRgbNeedsSample[] =
    "24 位彩色: 首先在矢量图的一种颜色内画一个矩形，或者将图像转换为灰度图和矢量图。";

// ---- layers ---------------------------------------------------------------------
inline constexpr const char kSelectLayerFirst[] = "请先选择图层项";
inline constexpr const char kEnterLayerName[] = "请在编辑框内为新的图层输入一个名称。";
inline constexpr const char kLayerExistsFormat[] = "图层 %s 已存在";
inline constexpr const char kLayerNotEmpty[] = "图层不是空的, 不能删除。\n在删除前请清空图层。";
inline constexpr const char kNoCurrentLayer[] = "当前的图层没有选择";
// The state column of the layer list: on/off, current, locked.
inline constexpr const char kLayerOn[] = "开";
inline constexpr const char kLayerOff[] = "关";
inline constexpr const char kLayerCurrentMark[] = ".C";
inline constexpr const char kLayerLockedMark[] = ".L";

// ---- ID colours, values and notes -------------------------------------------------
inline constexpr const char kColorFileFilter[] = "颜色文件 (*.clr) |*.clr||";
inline constexpr const char kColorFileOpenError[] = "打开颜色文件出错。";
inline constexpr const char kColorFileSaveError[] = "保存颜色数据出错";
inline constexpr const char kDrawOrPickTextBox[] = "首先在图像中画一个文本框或者拾取一个文本框进行修改。";

// ---- palette ----------------------------------------------------------------------
inline constexpr const char kPaletteFileFilter[] = "调色板文件 (*.pal) |*.pal||";
inline constexpr const char kPaletteFileError[] = "打开调色板文件出错。";
inline constexpr const char kDrawRectangleToPickColour[] = "首先请画一个矩形然后再选择颜色。";

// ---- drawing values ---------------------------------------------------------------
inline constexpr const char kBinaryZeroBlack[] = "0 (黑色)";
inline constexpr const char kBinaryOneWhite[] = "1 (白色)";
inline constexpr const char kBinaryZeroWhite[] = "0 (白色)";
inline constexpr const char kBinaryOneBlack[] = "1 (黑色)";

// ---- raw image headers ------------------------------------------------------------
inline constexpr const char kRawDataFilter[] = "原始图像文件 (*.*)|*.*||";
inline constexpr const char kRawHeaderFilter[] = "图像标题文件 (*.hdr) |*.hdr||";
inline constexpr const char kHeaderNamesNeeded[] = "创建标题文件必须定义文件名。";
inline constexpr const char kHeaderSavedPrefix[] = "标题文件保存成功:";
inline constexpr const char kHeaderSaveError[] = "不能保存为定义的标题文件。";

// ---- mosaic and colour composition -------------------------------------------------
inline constexpr const char kNoSpaceForFunction[] = "没有足够的空间执行这个功能";
inline constexpr const char kSelectFileToRemove[] = "请从列表中选择一个文件以移除。";
inline constexpr const char kMosaicHelp[] =
    "首先定义矩阵大小 (每一行和列中的图像) 并将图像文件添加到列表中。\n"
    "图像应该是同一类型，图像将为镶嵌而被变形和裁剪成一个整体。 \n"
    "图像将从左到右的排列直到全部图像被合并。\n";
inline constexpr const char kAddImagesForMosaic[] = "请为创建镶嵌图添加图像。";
inline constexpr const char kNeedAllColourSources[] = "首先请指定所有图像颜色源文件。";
inline constexpr const char kNeedColourSource[] = "首先请指定图像颜色源文件。";
inline constexpr const char kMosaicError[] = "创建镶嵌图像错误。";
inline constexpr const char kOpenImageError[] = "打开图像出错。";
inline constexpr const char kMosaicTitle[] = "镶嵌";
inline constexpr const char kCompositeTitle[] = "合成";

// ---- the vectorise dialog (124) ---------------------------------------------------
inline constexpr const char kExtractLinesAs[] = "提取线段为";
inline constexpr const char kCentreLines[] = "当前线段";
inline constexpr const char kOutlines[] = "边界线";
inline constexpr const char kUseImageThreshold[] = "使用现有的图像阈值";
inline constexpr const char kUseSelectedRoi[] = "使用选定的图像范围(ROI)";
inline constexpr const char kSourceImage[] = "源图像:";

// ---- the threshold dialog (114) ---------------------------------------------------
inline constexpr const char kThresholdTitle[] = "设置图像阈值 ";
inline constexpr const char kHigh[] = "高";
inline constexpr const char kLow[] = "低";

// ---- the automatic tracing dialog (188) -------------------------------------------
inline constexpr const char kAutoTraceTitle[] = "自动追踪参数";
inline constexpr const char kSmoothingThresholdPixels[] = "平滑阈值 (像素)";

// ---- the ID colour dialog ---------------------------------------------------------
inline constexpr const char kIdColorTitle[] = "设置 ID 显示颜色";
inline constexpr const char kIdRange[] = "ID 范围";
inline constexpr const char kColour[] = "颜色";
inline constexpr const char kColourCount[] = "颜色总数:";

// ---- the current ID dialog --------------------------------------------------------
inline constexpr const char kCurrentIdTitle[] = "当前 ID 值";
inline constexpr const char kSetCurrentIdTo[] = "设置当前 ID 为:";
inline constexpr const char kIncrementIdBy[] = "增加 ID 每次由:";

// ---- the ID range dialog ----------------------------------------------------------
inline constexpr const char kIdRangeTitle[] = "ID 范围对话框";
inline constexpr const char kStartId[] = "起始 ID:";
inline constexpr const char kIncrement[] = "增加值:";
inline constexpr const char kUnlabelledOnly[] = "仅分配 ID 到未标注项目";

// ---- the ID conversion dialog -----------------------------------------------------
inline constexpr const char kConvertIdTitle[] = "转换线段和点的 ID";
inline constexpr const char kIdFormula[] = "新 ID = 旧 ID * 比例 + 偏移量";
inline constexpr const char kScale[] = "比例:";
inline constexpr const char kOffset[] = "偏移量:";

// ---- the contour value dialog -----------------------------------------------------
inline constexpr const char kContourValueTitle[] = "输入等高线值";
inline constexpr const char kSelectedLineCount[] = "选定线段的总数:";
inline constexpr const char kStartValue[] = "初始值:";

// ---- the note dialog --------------------------------------------------------------
inline constexpr const char kNoteTitle[] = "注释对话框";
inline constexpr const char kNoteHint[] = "    在图像窗口绘制矩形。在下面输入文字并按下“应用”按钮:";
inline constexpr const char kRightButtonChangesMode[] = "使用鼠标右键改变编辑模式。";

// ---- the layer manager ------------------------------------------------------------
inline constexpr const char kLayerManageTitle[] = "图层管理";
inline constexpr const char kLayerName[] = "名称";
inline constexpr const char kLayerFill[] = "填充";
inline constexpr const char kLayerMarks[] = "标记";
inline constexpr const char kAddLayer[] = "添加图层(&A)";
inline constexpr const char kLayerOnOff[] = "开/关(&O)";
inline constexpr const char kLayerCurrent[] = "当前(&C)";
inline constexpr const char kLayerLock[] = "锁定/解锁(&L)";
inline constexpr const char kLayerLineType[] = "线型(&L)";
inline constexpr const char kLayerHatchFill[] = "图案填充(&F)";

// ---- the line type dialog ---------------------------------------------------------
inline constexpr const char kLineTypeTitle[] = "定义线型";
inline constexpr const char kLineStyle[] = "线段类型";
inline constexpr const char kLineSolid[] = "实线";
inline constexpr const char kLineDash[] = "虚线";
inline constexpr const char kLineDashDot[] = "点划线";
inline constexpr const char kLineDashDotDot[] = "双点划线";
inline constexpr const char kLineWidth[] = "线粗";

// ---- the hatch fill dialog --------------------------------------------------------
inline constexpr const char kHatchFillTitle[] = "图案填充";
inline constexpr const char kHatchHorizontal[] = "水平线";
inline constexpr const char kHatchVertical[] = "垂线";
inline constexpr const char kHatchForward[] = "正斜线";
inline constexpr const char kHatchBackward[] = "反斜线";
inline constexpr const char kHatchCross[] = "交叉线";
inline constexpr const char kHatchDiagonalCross[] = "交叉斜线";
inline constexpr const char kHatchSolid[] = "涂黑";

// ---- the layer operation dialog ---------------------------------------------------
inline constexpr const char kLayerOperationTitle[] = "图层操作";
inline constexpr const char kLayerOperationHint[] =
    "在第一个列表框中选择图层作为源图层将其移动或复制到第二个列表框中。";
inline constexpr const char kFromLayers[] = "从:";
inline constexpr const char kToLayer[] = "到:";
inline constexpr const char kOperation[] = "操作";
inline constexpr const char kCopyLayers[] = "复制(&C)";
inline constexpr const char kMoveLayers[] = "移动";
inline constexpr const char kDataItems[] = "数据项目";

// ---- the layer colour dialog ------------------------------------------------------
inline constexpr const char kLayerColorTitle[] = "设置矢量层颜色";
inline constexpr const char kChooseLayers[] = "选择层";
inline constexpr const char kCurrentLayerOnly[] = "只用于当前层";
inline constexpr const char kAllButCurrentLayer[] = "当前层以外的所有层";
inline constexpr const char kAllLayers[] = "所有层";

// ---- the raw image dialog ---------------------------------------------------------
inline constexpr const char kRawImageTitle[] = "输入图像对话框";
inline constexpr const char kHeaderFileName[] = "标题文件名";
inline constexpr const char kImageDataFileName[] = "图像数据文件名";
inline constexpr const char kImageLayout[] = "图像配置";
inline constexpr const char kRawColumns[] = "# 对于列 (X):";
inline constexpr const char kRawRows[] = "# 对于行 (Y):";
inline constexpr const char kRawPlanes[] = "# 对于平面:";
inline constexpr const char kEightBitPixels[] = "每一像素必须是 8 位 (1 字节)";
inline constexpr const char kBytesToSkip[] = "在图像数据之前跳过的字节数 (如果没有把握输入 -1):";
inline constexpr const char kPhotometric[] = "光度测定显示";
inline constexpr const char kMinIsWhite[] = "白色最小";
inline constexpr const char kMinIsBlack[] = "黑色最小";
inline constexpr const char kSaveHeader[] = "保存标题";

// ---- the mosaic dialog ------------------------------------------------------------
inline constexpr const char kMosaicDialogTitle[] = "图像镶嵌对话框";
inline constexpr const char kAddImage[] = "添加图像";
inline constexpr const char kImagesAdded[] = "图像添加数:";
inline constexpr const char kMosaicMatrix[] = "镶嵌矩阵布局";
inline constexpr const char kImagesPerRow[] = "图像在一行中的数量:";
inline constexpr const char kRowCount[] = "行数:";
inline constexpr const char kImageOverlap[] = "图像叠加";
inline constexpr const char kOverlap[] = "叠加";
inline constexpr const char kOverlapLeft[] = "左 (%):";
inline constexpr const char kOverlapTop[] = "上 (%):";
inline constexpr const char kMosaicGeoreferenced[] = "图像作为地理参考";
inline constexpr const char kCreate[] = "创建";

// ---- the colour composite and colourise dialogs -----------------------------------
inline constexpr const char kColorCompositeTitle[] = "色彩合成对话框";
inline constexpr const char kRedSeparation[] = "红色描边图像";
inline constexpr const char kGreenSeparation[] = "绿色描边图像";
inline constexpr const char kBlueSeparation[] = "蓝色描边图像";
inline constexpr const char kColorizeTitle[] = "彩色化图像对话框";
inline constexpr const char kRedSource[] = "红色源图像";
inline constexpr const char kGreenSource[] = "绿色源图像";
inline constexpr const char kBlueSource[] = "蓝色源图像";

// ---- the resample dialog ----------------------------------------------------------
inline constexpr const char kSizeColumns[] = "列:";
inline constexpr const char kSizeRows[] = "行:";
inline constexpr const char kSizeBytes[] = "大小:";
inline constexpr const char kResampleTitle[] = "图像重新取样";
inline constexpr const char kCurrentSize[] = "当前大小";
inline constexpr const char kNewSize[] = "新的大小";
inline constexpr const char kSampleDown[] = "向下取样";
inline constexpr const char kSampleUp[] = "向上取样";
inline constexpr const char kResampleFactor[] = "重新取样因数";

// ---- the remove background dialog -------------------------------------------------
inline constexpr const char kRemoveBackgroundTitle[] = "移除背景(B)";
inline constexpr const char kForegroundSize[] = "前景的浓度";
inline constexpr const char kInPixels[] = "(像素)";

// ---- the colour classification dialog ---------------------------------------------
inline constexpr const char kColorClassifyTitle[] = "颜色分类";
inline constexpr const char kNumberOfColours[] = "颜色号:";
inline constexpr const char kIterations[] = "迭代的数量:";

// ---- the image information dialog -------------------------------------------------
inline constexpr const char kImageInfoTitle[] = "图像属性";
inline constexpr const char kImageType[] = "图像类型: ";
inline constexpr const char kImageColumns[] = "列数 (宽度):";
inline constexpr const char kImageRows[] = "行数 (高度): ";
inline constexpr const char kBitsPerPixel[] = "每一像素的位数:";
inline constexpr const char kPlaneCount[] = "平面数: ";
inline constexpr const char kImageScanResolution[] = "扫描分辨率:";
inline constexpr const char kResolutionUnit[] = "分辨率单位: ";
inline constexpr const char kApplyResolution[] = "应用更新的分辨率/单位";

// ---- the palette dialog -----------------------------------------------------------
inline constexpr const char kPaletteTitle[] = "定义调色板";
inline constexpr const char kPaletteHint[] = "绘制矩形并从调色板中拾取颜色使其改变:";
inline constexpr const char kPickColour[] = "拾取颜色";
inline constexpr const char kRestorePalette[] = "还原";
inline constexpr const char kOpenPalette[] = "打开调色板";
inline constexpr const char kSavePalette[] = "保存调色板";

// ---- the contrast dialog ----------------------------------------------------------
inline constexpr const char kContrastTitle[] = "图像对比";

// ---- the image colour dialog ------------------------------------------------------
inline constexpr const char kImageColorTitle[] = "设置图像颜色";
inline constexpr const char kForeground[] = "前景";
inline constexpr const char kBackground[] = "背景";

// ---- the drawing value dialogs ----------------------------------------------------
inline constexpr const char kBinaryValueTitle[] = "定义二进制值";
inline constexpr const char kPixelValue[] = "像素值:";
inline constexpr const char kInvert[] = "倒转";
inline constexpr const char kColorPixelValueTitle[] = "定义颜色像素值";
inline constexpr const char kRedValue[] = "红色:";
inline constexpr const char kGreenValue[] = "绿色:";
inline constexpr const char kBlueValue[] = "蓝色:";
inline constexpr const char kPixelValueTitle[] = "定义像素值";

// ---- the rotate image dialog ------------------------------------------------------
inline constexpr const char kRotateImageTitle[] = "旋转图像";
inline constexpr const char kRotateLeft[] = "向左旋转";
inline constexpr const char kRotateRight[] = "向右旋转";
inline constexpr const char kRotationAngle[] = "旋转角度:";
inline constexpr const char kDegreesRange[] = "(0-360) 度";

}  // namespace qzn::res::text
