// Texts of the dialogs that clean, snap, close, turn and import lines: their
// titles, control texts and messages.
#pragma once

namespace qzn::res::text {

// Try-before-you-commit dialogs
inline constexpr const char kApply[] = "应用";
inline constexpr const char kHelpButton[] = "帮助(H)";
inline constexpr const char kInSelectedArea[] = "选定区域内的线段";
inline constexpr const char kNotEnoughMemory[] = "没有足够的内存。";
inline constexpr const char kNoMemoryToContinue[] = "内存不足，不能继续这个操作。";

// Remove lines (118)
inline constexpr const char kRemoveLinesTitle[] = "移除线段";
inline constexpr const char kEnterThreshold[] = "输入阈值:";
inline constexpr const char kMaximum[] = "最大";
inline constexpr const char kMinimum[] = "最小";
inline constexpr const char kByLength[] = "按长度";
inline constexpr const char kByNodeCount[] = "按节点数";

// Delete by type (151)
inline constexpr const char kDeleteByTypeTitle[] = "按类型删除线段";
inline constexpr const char kTypesToDelete[] = "要删除线段类型";
inline constexpr const char kOpenLines[] = "开口端线";
inline constexpr const char kClosedPolygons[] = "闭合多边形";
inline constexpr const char kDuplicateLines[] = "相同的";
inline constexpr const char kOnlyInRectangle[] = "只在选定的矩形内";
inline constexpr const char kChooseLineTypes[] = "请选择一个或更多的线型以删除。";

// Smooth lines (111)
inline constexpr const char kSmoothLinesTitle[] = "平滑线段";
inline constexpr const char kEnterSmoothThreshold[] = "输入平滑阈值:";
inline constexpr const char kSmoothHelp[] =
    "这个阈值是一个节点和线之间的距离。在这个范围内如果要移动一个节点，第一次请使用 1 或者较小的值。"
    "如果定义为 0 ,仅移除重复的或者多余的节点。";

// B-spline smoothing (199)
inline constexpr const char kBSplineTitle[] = "平滑 B 样线段";
inline constexpr const char kNodesToAdd[] = "在现有的节点间添加节点数: ";
inline constexpr const char kNoMemoryToApply[] = "没有足够的内存应用。";
inline constexpr const char kBSplineDone[] = "B 样线段平滑已完成。请选择确定。";

// Snap lines (115), snap end points (219), snap distance (182)
inline constexpr const char kSnapLinesTitle[] = "捕捉线段";
inline constexpr const char kSnapThresholdPixels[] = "输入捕捉处的距离阈值 (像素):";
inline constexpr const char kSnapSameIdOnly[] = "仅用相同的 ID 捕捉线段";
inline constexpr const char kSnapEndpointsTitle[] = "捕捉线段端点";
inline constexpr const char kSnapTolerance[] = "捕捉容差:";
inline constexpr const char kSnapDistanceTitle[] = "捕捉距离";
inline constexpr const char kSnapDistancePixels[] = "输入捕捉距离 (像素):";

// Close polygons (131), label polygons (153)
inline constexpr const char kClosePolygonTitle[] = "创建闭合多边形";
inline constexpr const char kPolygonGapTolerance[] = "输入多边形闭合处最大间隙公差:";
inline constexpr const char kSplitAtIntersections[] = "样条曲线交点";
inline constexpr const char kNoOverlappingOutlines[] = "不交迭轮廓";
inline constexpr const char kPolygonLayerFormat[] = "Polygon%d";
inline constexpr const char kClosePolygonHelp[] =
    "连接线段形成一个多边形如果它们的端点在最大距离值之内。 太大值会引起线段连接错误。";
inline constexpr const char kLabelPolygonTitle[] = "用点标注多边形";
inline constexpr const char kClosedPolygonsOnly[] = "仅闭合多边形";
inline constexpr const char kAllLines[] = "所有线段";

// Adjust direction (169)
inline constexpr const char kAdjustDirectionTitle[] = "调节矢量数据方向";
inline constexpr const char kDataKinds[] = "数据类型";
inline constexpr const char kKindLines[] = "线段";
inline constexpr const char kKindPoints[] = "点";
inline constexpr const char kKindNotes[] = "文本注释";
inline constexpr const char kFlipVertical[] = "垂直翻转";
inline constexpr const char kFlipHorizontal[] = "水平翻转";
inline constexpr const char kRotate90[] = "旋转 90 度";

// Georeferenced vector import (154)
inline constexpr const char kImportGeoVectorTitle[] = "输入地理编码矢量文件";
inline constexpr const char kApplyControlOrTfw[] = "应用控制点或 TFW 文件";
inline constexpr const char kVectorFileName[] = "矢量文件名";
inline constexpr const char kBrowse[] = "浏览";
inline constexpr const char kBilinear[] = "双线性";
inline constexpr const char kTriangulation[] = "三角网法";
inline constexpr const char kControlFileFilter[] = "控制点文件 (*.cpt)|*.cpt|World 文件 (*.tfw)|*.tfw||";
inline constexpr const char kVectorFileFilter[] =
    "线文件 (*.gen,*.arc) |*.gen;*.arc|点文件 (*.pnt)|*.pnt|ArcView (*.shp)|*.shp|MapInfo 文件 (*.mif)|*.mif|"
    "DXF 文件 (*.dxf)|*.dxf|SDL 文件 (*.sdl)|*.sdl|XYZ 点文件 (*.xyz)|*.xyz||";
inline constexpr const char kNameVectorFile[] = "请指定矢量文件名。";
inline constexpr const char kNameControlFile[] = "请指定控制点文件名。";

// Delete by ID range
inline constexpr const char kDeleteIdRangeTitle[] = "在 ID 范围内删除线段";

}  // namespace qzn::res::text
