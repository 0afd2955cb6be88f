// Texts of the export option dialogs that 输出矢量 shows before it writes:
// DXF with its resolution dialog, MIF, shapefile, XYZ, SDL, ARC generate and
// point files, and IGES. The kinds of data (kKindLines, kKindPoints, kKindNotes) and the
// georeference words kBilinear and kTriangulation are those of the line dialogs;
// the resolution units those of the document.
#pragma once

namespace qzn::res::text {

// Shared by several of them.
inline constexpr const char kExpText[] = "文本";
inline constexpr const char kExpNoGeoref[] = "不应用";
inline constexpr const char kExpUseTfw[] = "使用 TFW";
inline constexpr const char kExpFlipV[] = "垂直翻转(V)";
inline constexpr const char kExpPageSpace[] = "页面空白";
// The shapefile and XYZ dialogs spell the bilinear choice so.
inline constexpr const char kExpBilinearShape[] = "双线形";
// Captions of the groups that the dialogs hold without a title of their own.
inline constexpr const char kExpGroupData[] = "输出数据";
inline constexpr const char kExpGroupGeoref[] = "坐标变换";

// DXF (128)
inline constexpr const char kDxfOutTitle[] = "DXF 输出选项";
inline constexpr const char kDxfIdAsZ[] = "保存矢量 ID 为 Z 值";
inline constexpr const char kDxfAdjustSystem[] = "矢量调整系统";
inline constexpr const char kDxfPixelSpacing[] = "像素间隔";
inline constexpr const char kDxfCpBilinear[] = "控制点, 双线性";
inline constexpr const char kDxfCpTriangulation[] = "控制点, 三角网法";
inline constexpr const char kDxfUseTfw[] = "使用 TFW ";
inline constexpr const char kDxfResolutionButton[] = "分辨率";

// Image resolution (191)
inline constexpr const char kImageResTitle[] = "定义图像分辨率";
inline constexpr const char kImageResPixelsPerUnit[] = "每单位像素 (每英寸点数):";
inline constexpr const char kImageResUnit[] = "分辨率单位:";

// MIF (130)
inline constexpr const char kMifParamTitle[] = "MIF 文件参数";
inline constexpr const char kMifProjectionRecord[] = "输入坐标系统参数记录:";
inline constexpr const char kMifShowList[] = "显示列表";
inline constexpr const char kMifUnitName[] = "单位名称:";
inline constexpr const char kMifCoordSys[] = "坐标系统";
inline constexpr const char kMifLatLong[] = "纬度/经度";
inline constexpr const char kMifNonEarth[] = "非陆地";
inline constexpr const char kMifEarth[] = "陆地";
inline constexpr const char kMifCreateMid[] = "创建 MID 文件";
inline constexpr const char kMifRegions[] = "对于闭合线使用区域";
// The unit names the combo box offers (any other text may be typed).
inline constexpr const char* const kMifUnitNames[] = {"英寸", "英尺", "码", "英里", "毫米", "厘米", "米", "千米"};
inline constexpr const char kMifListMissing[] = "不能创建投影列表文件。";
inline constexpr const char kMifListNotOpened[] = "不能打开文本编辑器显示投影列表。";

// Shapefile (144)
inline constexpr const char kArcViewExportTitle[] = "输出为 ArcView 形文件";
inline constexpr const char kArcViewPolygons[] = "使用多边形闭合线";

// XYZ (146)
inline constexpr const char kXyzOptionsTitle[] = "3D XYZ 文件选项";

// ARC generate and point files (147)
inline constexpr const char kArcPntTitle[] = "Arc/Pnt 输出";
inline constexpr const char kArcPntIntegerIds[] = "对于 Arc/Info 产生的格式保持 ID 为整数";

// SDL (148)
inline constexpr const char kSdlOutputTitle[] = "SDL 输出选项";
inline constexpr const char kSdlMerge[] = "用属性文件合并 ";
inline constexpr const char kSdlPathLabel[] = "SDA 路径:";
inline constexpr const char kSdlFindFile[] = "查找 SDA 文件";
inline constexpr const char kSdlFilter[] = "属性文件 (*.sda) |*.sda||";

// IGES (203)
inline constexpr const char kIgesOutTitle[] = "IGES 输出";

}  // namespace qzn::res::text
