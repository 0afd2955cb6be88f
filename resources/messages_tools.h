// Texts of the mouse tools of the image view: status-bar prompts, questions,
// messages and the texts of the tools' own dialogs.
#pragma once

namespace qzn::res::text {

// ---- line tool ------------------------------------------------------------------
inline constexpr const char kLineNoRoom[] = "没有足够的空间添加新的线。";
inline constexpr const char kLineNoMemoryBoundary[] = "没有足够的内存添加新的边界线。";
inline constexpr const char kLineDrawingStatus[] =
    "用鼠标画一条线, 按下 'C' 闭合, 'S' 捕捉, 'T' 自动追踪, 其它键完成。";
inline constexpr const char kLineInfoFormat[] = "图层: %s  ID: %.2f  长度: %f";
inline constexpr const char kLineInfoClosedFormat[] = "图层: %s  ID: %.2f 面积: %f 长度: %f";
inline constexpr const char kLineCannotJoin[] = "不能连接相同的线或移动靠得太近得线。";
inline constexpr const char kLineJoined[] = "线条连接成功。选择下一条要连接的线。";
inline constexpr const char kLineCopiedFormat[] = "选择的线已复制，ID 是 %.2f";
inline constexpr const char kLineCopyNoMemory[] = "内存不足, 复制失败。";
inline constexpr const char kLineAlreadySelected[] = "线段已经选择，请另选一条。";
inline constexpr const char kLineNewStatus[] = "用鼠标画线, 按下 'C' 闭合, 'S' 捕捉, 其它的键完成。";
inline constexpr const char kLineRectangleStatus[] = "按下鼠标左键画一个矩形。";
inline constexpr const char kLineCircleStatus[] = "按下鼠标左键以圆为边界画一个矩形。";
inline constexpr const char kLineMoveNodeStatus[] = "选择一个节点并用鼠标移动它。";
inline constexpr const char kLineAskDeleteNodesInRect[] = "在选定的区域内删除所有节点吗？";
inline constexpr const char kLineDeleteNodesNoMemory[] = "内存不足, 不能删除所有的节点。";
inline constexpr const char kLineDeleteNodeStatus[] = "在选定的区域内删除一个节点或所有节点。";
inline constexpr const char kLineDeleteStatus[] = "删除一条线。";
inline constexpr const char kLineAddNodeStatus[] = "添加一个新节点";
inline constexpr const char kLineSplitStatus[] = "分割线段。";
inline constexpr const char kLineAskIdInRect[] = "给选定区域内的所有的线设置 ID 吗?";
inline constexpr const char kLineAssignIdStatus[] = "用当前的 ID 值标注线段。";
inline constexpr const char kSetCurrentIdStatus[] = "为标签设置当前 ID 值。";
inline constexpr const char kLineContourStatus[] = "在标注前画一条直线交于等高线.";
inline constexpr const char kLineJoinStatus[] = "移动第一条线的端点去连接下一条线";
inline constexpr const char kTraceNeedsThreshold[] = "首先请使用图像阈函数设置阈值。";
inline constexpr const char kTraceUnsupportedImage[] = "此图像类型不支持这个版本。";
inline constexpr const char kLineAutoTraceStatus[] = "按下 'T' 键开关自动追踪 开/关。";
inline constexpr const char kLineCrossMarkStatus[] = "Shink 交叉标记。使用现有的标记或选定的矩形。";
inline constexpr const char kLineMultiTraceStatus[] = "画一条直线相交开始追踪。";
inline constexpr const char kLineAskLayerInRect[] = "将选择区域内所有的线放到当前图层中吗?";
inline constexpr const char kLineSetLayerStatus[] = "移动线到当前的图层。";
inline constexpr const char kLinePolygonStatus[] = "选择线段组成多边形";
inline constexpr const char kLineMoveStatus[] = "按下鼠标左键移动线段。";
inline constexpr const char kLineSmoothStatus[] = "平滑选择得线。";
inline constexpr const char kLineBSplineStatus[] = "B 样线条平滑选择得线。";
inline constexpr const char kLineFreehandStatus[] = "按下鼠标左键追踪";
inline constexpr const char kLineDeleteAllStatus[] = "在选定的区域内删除所有的线。";
inline constexpr const char kLineAskDeleteAll[] = "删除所有的线吗?";
inline constexpr const char kLineAskDeleteAllInRect[] = "在选定的区域内删除所有的线吗?";
inline constexpr const char kLineRestoreStatus[] = "恢复以前删除的线。";

// ---- point tool -----------------------------------------------------------------
inline constexpr const char kPointNoMemory[] = "内存不足, 不能添加一个新点。";
inline constexpr const char kPointInfoFormat[] = "图层: %s    ID: %.3f";
inline constexpr const char kPointNewStatus[] = "添加新带点";
inline constexpr const char kPointAskDeleteInRect[] = "在选定的区域内删除所有的点吗?";
inline constexpr const char kPointDeleteStatus[] = "删除一个点。";
inline constexpr const char kPointAssignIdStatus[] = "分配当前 ID 值给一个选定的点。";
inline constexpr const char kPointMoveStatus[] = "移动一个点";
inline constexpr const char kPointAskIdInRect[] = "在选定的区域内设置 ID 给所有的点吗?";
inline constexpr const char kPointShowIdStatus[] = "显示选定点的 ID 值。";
inline constexpr const char kPointSetLayerStatus[] = "移动点到当前层。";

// ---- control-point tool ---------------------------------------------------------
inline constexpr const char kControlPointPickedFormat[] = "源图像的点 X=%.2f, Y=%.2f 已经选取。使用新控制点接受点。";

// ---- annotation tool ------------------------------------------------------------
inline constexpr const char kNoteAddStatus[] = "添加新的文本注释，使用鼠标画一个区域并输入文字。";
inline constexpr const char kNoteDeleteStatus[] = "在一个选定的区域内删除文本注释。";
inline constexpr const char kNoteModifyStatus[] = "修改文本注释。";
inline constexpr const char kNoteSetLayerStatus[] = "移动文本注释到当前层。";
inline constexpr const char kNoteMoveStatus[] = "鼠标左键拾取文本注释并移动。";
inline constexpr const char kNoteRotateStatus[] = "鼠标左键拾取文本注释并使其旋转。";
inline constexpr const char kNoteAskDeleteInRect[] = "在选择的区域内删除所有的文本注释吗?";
inline constexpr const char kNoteClickCentre[] = "请在文本框的中心点击以选择。";
inline constexpr const char kNoteClickInBox[] = "请在文本注释框中选择。";
inline constexpr const char kNoteDrawRectangle[] = "请用鼠标画一个矩形以输入节点。";

// ---- text-block tool ------------------------------------------------------------
inline constexpr const char kBlockClickToDelete[] = "请在方框内单击以删除。";
inline constexpr const char kBlockClickToRemove[] = "请在方框内单击以移除。";
inline constexpr const char kBlockChooseTwo[] = "请选择两个或更多的组群。";
inline constexpr const char kBlockRecognisedFormat[] = "检测字符是: %s";
inline constexpr const char kBlockNotRecognised[] = "不能承认的字符。";
inline constexpr const char kBlockClickToSelect[] = "请在方框内单击以选择。";
inline constexpr const char kBlockDeleteLinesStatus[] = "在选定区域内删除线段。";
inline constexpr const char kBlockDeleteAllStatus[] = "在全部图像或选定的区域内删除所有被看作文本特征的线。";
inline constexpr const char kBlockAskRemoveInRect[] = "在选定的区域内删除所有的文本块标记吗?";
inline constexpr const char kBlockRemoveStatus[] = "移除文本块标记。线段不受影响。";
// Dialog 204.
inline constexpr const char kDeleteTextLinesTitle[] = "在文本块中删除线段";
inline constexpr const char kDeleteTextLinesAskAll[] = "在整个图像中删除全部有文本块特征的线吗?";
inline constexpr const char kDeleteTextLinesAskInRect[] = "在选定的区域内删除全部有文本特征线吗?";
inline constexpr const char kDeleteTextLinesInside[] = "文本块内部的线段";
inline constexpr const char kDeleteTextLinesCrossing[] = "和文本块相交的线段";

// ---- region-of-interest tool ----------------------------------------------------
inline constexpr const char kRoiRectangleStatus[] = "按下鼠标左键画一个矩形。";
inline constexpr const char kRoiCircleStatus[] = "按下鼠标左键画一个圆。";
inline constexpr const char kRoiPolygonStatus[] = "用鼠标左键画一个多边形并单击一个键使其闭合。";
inline constexpr const char kRoiNoMemory[] = "没有足够的内存。";

// ---- image edit tool ------------------------------------------------------------
inline constexpr const char kPixelRgbFormat[] = "(%d,%d): %d,%d,%d";
inline constexpr const char kPixelFormat[] = "(%d,%d): %d";
inline constexpr const char kImageShowStatus[] = "按下鼠标左键并移动以显示像素值。";
inline constexpr const char kImagePaintStatus[] = "按下鼠标左键并移动绘制像素值。";
inline constexpr const char kImageLineStatus[] = "按下鼠标左键并拖动画一条线。";
inline constexpr const char kImageCannotFillRgb[] = "不能填充 24 位 RGB 图像。首先请转换为 8 位调色板或者灰度。";
inline constexpr const char kImageFillStatus[] = "按下鼠标左键选择填充范围。";
// Dialog 102.
inline constexpr const char kDrawValueTitle[] = "定义绘制像素值";
inline constexpr const char kDrawValueRgbType[] = "图像类型是 24 位彩色 (红, 绿, 蓝)。";
inline constexpr const char kDrawValueRgbFormat[] = "(R: %d, G: %d, B: %d)";
inline constexpr const char kDrawValueClassifiedType[] = "图像类型是 8 位分级 (彩色).";
inline constexpr const char kDrawValuePaletteType[] = "图像是 8 位彩色 (彩色).";
inline constexpr const char kDrawValueColourFormat[] = "(颜色: %d)";
inline constexpr const char kDrawValueBilevelType[] = "图像类型是一位单色 (1/0)。";
inline constexpr const char kDrawValueBitFormat[] = "(值: %d)";
inline constexpr const char kDrawValueGreyType[] = "图像类型是 8 位灰度(灰度级别).";
inline constexpr const char kDrawValueGreyFormat[] = "(灰度级别: %d)";
inline constexpr const char kDrawValueUnknownType[] = "未知的图像类型。";
inline constexpr const char kDrawValueUnknownFormat[] = "(红: %d, 绿: %d, 蓝: %d)";
inline constexpr const char kDrawValueDefine[] = "定义";
inline constexpr const char kDrawValuePenLabel[] = "画笔尺寸:";
inline constexpr const char kDrawValuePenTooLarge[] = "选定的画笔尺寸太大，请用一个较小的值。";
// Dialog 152.
inline constexpr const char kMapPixelTitle[] = "地图像素值";
inline constexpr const char kMapPixelMinimum[] = "最小值:";
inline constexpr const char kMapPixelValue[] = "新值:";
inline constexpr const char kMapPixelMaximum[] = "最大值:";

// ---- angle tool -----------------------------------------------------------------
inline constexpr const char kAngleFormat[] = "角度是 %f 度。";

// ---- the region-of-interest tool's menu -------------------------------------------
inline constexpr const char kRoiRectangle[] = "矩形";
inline constexpr const char kRoiCircle[] = "圆";
inline constexpr const char kRoiPolygon[] = "多边形";
inline constexpr const char kRoiClear[] = "清除 ROI";
inline constexpr const char kRoiDone[] = "完成";

}  // namespace qzn::res::text
