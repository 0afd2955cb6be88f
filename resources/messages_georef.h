// Texts of georeferencing: control points, world files, MapInfo tables, the
// triangulation, warping and the State Plane conversion. See
// messages_common.h for the conventions.
#pragma once

namespace qzn::res::text {

// Control points and world files
inline constexpr const char kControlPointFileReadError[] = "读取控制点文件出错。";
inline constexpr const char kAskRemoveControlPoints[] = "移除现有的控制点吗?";
inline constexpr const char kAskControlPointsReplaceWorldFile[] = "TFW 数据将被控制点取代，继续吗?";
inline constexpr const char kAskWorldFileReplacesControlPoints[] = "这新的 TFW 数据将被控制点取代，继续吗?";
inline constexpr const char kSaveControlPointsError[] = "保存控制点出错。";
inline constexpr const char kTableFileNoMemory[] = "表格文件出错: 内存不足。";
inline constexpr const char kTransformComputeError[] = "变换参数计算错误.";
inline constexpr const char kNoDataAvailable[] = "没有数据可用";
inline constexpr const char kBadControlPoint[] = "坏的控制点";
// The residual report of one control point: image x, y; map x, y; then the
// residuals and their total.
inline constexpr const char kControlPointExactFormat[] = "源点 X=%f Y=%f\n终点 X=%f Y=%f\n剩余错误 X=0.0 Y=0.0";
inline constexpr const char kControlPointResidualFormat[] =
    "源点 X=%f Y=%f\n终点 X=%f Y=%f\n剩余错误 X=%f Y=%f\n错误总数=%f";
inline constexpr const char kUnitFeet[] = "英尺";

// A georeference that is refused: the format with the file and the reason.
inline constexpr const char kGeoreferenceRefusedFormat[] = "空间参照无效, 没有使用: %s (%s)";
inline constexpr const char kGeorefNotFinite[] = "数值不是有限数";
inline constexpr const char kGeorefOutOfRange[] = "数值超出范围";
inline constexpr const char kGeorefSingular[] = "变换不可逆";
inline constexpr const char kGeoTiffKeysDamaged[] = "GeoTIFF 标签已损坏";
inline constexpr const char kWorldFileUnreadable[] = "需要六个数值";
inline constexpr const char kNoControlPointsRead[] = "没有读到控制点";

// Triangulation and warping
inline constexpr const char kCannotComputeTransform[] = "不能计算变换参数。";
inline constexpr const char kReselectControlPoints[] = "重新选择控制点";
inline constexpr const char kBadWarpPoints[] = "无效的控制点设置对于图像变形。";

// State Plane conversion
inline constexpr const char kStatePlaneInfinite[] = "点方案无限";
inline constexpr const char kStatePlaneLatitude[] = "纬度聚合失败";
inline constexpr const char kStatePlaneParallels[] = "St 相等的纬度。在赤道的相反的边上与其平行。";
inline constexpr const char kStatePlaneNoProjection[] = "点不存在方案";
inline constexpr const char kStatePlaneBadInput[] = "输入数据错误";

}  // namespace qzn::res::text
