// Texts of the georeferencing dialogs: one control point, the control-point
// statistics, the warp method, and the UTM and State Plane conversions.
#pragma once

namespace qzn::res::text {

// Control point (107)
inline constexpr const char kControlPointTitle[] = "控制点";
inline constexpr const char kFrom[] = "从";
inline constexpr const char kTo[] = "到";
inline constexpr const char kArrows[] = ">>";

// Control-point statistics (156)
inline constexpr const char kControlPointStatTitle[] = "控制点统计表";
inline constexpr const char kChooseControlPoint[] = "选择一个控制点:";
inline constexpr const char kPixelCoordsFrom[] = "像素坐标 (从)";
inline constexpr const char kNewCoordsTo[] = "新坐标 (到)";
inline constexpr const char kComputedCoords[] = "计算出的坐标 (为)";
inline constexpr const char kEstimatedError[] = "估计误差";
inline constexpr const char kTransformParamsError[] = "变换参数计算出错。";

// Warp (166)
inline constexpr const char kWarpTitle[] = "图像变形对话框";
inline constexpr const char kWarpBilinear[] = "使用双线性改变";
inline constexpr const char kWarpTriangulation[] = "使用三角网法改变";
inline constexpr const char kWarpNote[] = "注意: 如果只可得到少量的控制点，使用双线性法。";

// UTM (211) and State Plane (213)
inline constexpr const char kUtmTitle[] = "UTM - 纬度/经度 转换";
inline constexpr const char kStatePlaneTitle[] = "洲平面坐标变换";
inline constexpr const char kDatum[] = "数据";
inline constexpr const char kNorthing[] = "北向值";
inline constexpr const char kEasting[] = "东向值";
inline constexpr const char kLatitude[] = "纬度";
inline constexpr const char kLongitude[] = "经度";
inline constexpr const char kUtmZone[] = "UTM 区域";
inline constexpr const char kUtmToLl[] = "UTM 到 LL";
inline constexpr const char kLlToUtm[] = "LL 到 UTM";
inline constexpr const char kUtmHelpButton[] = "UTM 帮助";
inline constexpr const char kLlHelpButton[] = "LL 帮助";
inline constexpr const char kControlPointsToLl[] = "转换控制点为 LL";
inline constexpr const char kControlPointsToUtm[] = "转换控制点为 UTM";
inline constexpr const char kGroupUtm[] = "UTM";
inline constexpr const char kGroupLatLong[] = "纬度/经度";
inline constexpr const char kBothWays[] = "<>";
inline constexpr const char kUtmDegreesNote[] = "在十进制度数中的经度和纬度";
inline constexpr const char* const kUtmEllipsoidNames[] = {"Airy",
                                                           "Australian National",
                                                           "Bessel 1841",
                                                           "Bessel 1841 (Nambia)",
                                                           "Clarke 1866 (NAD27)",
                                                           "Clarke 1880",
                                                           "Everest",
                                                           "Fischer 1960 (Mercury)",
                                                           "Fischer 1968",
                                                           "GRS 1967",
                                                           "GRS 1980",
                                                           "Helmert 1906",
                                                           "Hough",
                                                           "International",
                                                           "Krassovsky",
                                                           "Modified Airy",
                                                           "Modified Everest",
                                                           "Modified Fischer 1960",
                                                           "South American 1969",
                                                           "WGS 60",
                                                           "WGS 66",
                                                           "WGS-72",
                                                           "WGS-84 (NAD83)"};
inline constexpr const char kDefaultEllipsoid[] = "WGS-84 (NAD83)";
inline constexpr const char kChooseStatePlane[] = "选择洲平面";
inline constexpr const char kNad27[] = "NAD27";
inline constexpr const char kNad83[] = "NAD83";
inline constexpr const char kUnits[] = "单位:";
inline constexpr const char kUnitMetre[] = "米";
inline constexpr const char kSplToLl[] = "SPL 到 LL";
inline constexpr const char kLlToSpl[] = "LL 到 SPL";
inline constexpr const char kSplHelpButton[] = "SPL 帮助";
inline constexpr const char kControlPointsToSpl[] = "转换控制点为 SPL";
inline constexpr const char kGroupStatePlane[] = "洲平面";
inline constexpr const char kSplDegreesNote[] = "十进制度数中的经度和纬度";

inline constexpr const char kEnterUtmZoneFirst[] = "请先输入 UTM 区域然后转换。";
inline constexpr const char kNoControlPointsDefined[] = "没有控制点被定义。请使用控制点编辑来定义。";
inline constexpr const char kControlPointsNowUtm[] = "控制点已经转换为 UTM 坐标。";
inline constexpr const char kControlPointsNowStatePlane[] = "控制点已经转换为洲平面坐标。";
inline constexpr const char kAskWestNegative[] = "西经应该为负值。 你要改变为负值吗?";
// The help texts are joined from these pieces.
inline constexpr const char kHelpEnterLlForUtm[] = "转换 UTM 坐标时输入纬度/经度。 ";
inline constexpr const char kHelpEastWest[] = "东经为正, 西经为负。 ";
inline constexpr const char kHelpDecimalDegrees[] = "经度和纬度在十进制度数内。";
inline constexpr const char kHelpEnterUtm[] = "输入 UTM 坐标, 选择数据然后转换为纬度/经度。";
inline constexpr const char kHelpEnterLlForSpl[] = "输入纬度/经度然后转换为洲平面坐标。 ";
inline constexpr const char kHelpEnterSpl[] = "选择洲平面和 NA 数据, 在转换为纬度/经度正确的单位中输入洲平面坐标。";

// Refusals: an ellipsoid no row of the table names, a zone without
// parameters for the datum, a conversion that gave no result.
inline constexpr const char kUnknownEllipsoid[] = "未知的椭球体数据。请从列表中选择一个数据。";
inline constexpr const char kZoneWithoutDatum[] = "选择的洲平面区域没有这个 NA 数据的参数。请选择另一个数据或区域。";
inline constexpr const char kConversionFailed[] = "坐标转换失败。请检查输入的坐标和区域。";
inline constexpr const char kControlPointConversionFailed[] = "控制点转换失败。控制点没有改变。";

}  // namespace qzn::res::text
