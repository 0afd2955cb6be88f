// Texts of the elevation grids, their files, the 3D document and the 3D model
// exports. See messages_common.h for the conventions.
#pragma once

namespace qzn::res::text {

// ---- building a grid (the grid and DEM commands show them) -----------------
inline constexpr const char kGridNoHeights[] = "生成高程栅格出错: 工作区范围内没有线或点的高程。";
inline constexpr const char kGridTooSmall[] = "生成高程栅格出错: 栅格不到 2 × 2 个单元, 请减小孔眼大小。";
inline constexpr const char kGridNoLinesOrPoints[] = "没有线和点。";
inline constexpr const char kGridBadCellSize[] = "孔眼大小必须至少为 1 个像素。";
inline constexpr const char kGridBadExtent[] = "工作区范围无效。";
inline constexpr const char kGridNoMemory[] = "生成高程栅格: 内存不足。";
inline constexpr const char kNoOutputName[] = "没有输出文件名。";

// ---- files -------------------------------------------------------------------
inline constexpr const char kCannotCreatePrefix[] = "不能创建文件 ";  // then the path and kPathEnd
inline constexpr const char kCannotOpenPrefix[] = "不能打开文件 ";    // then the path and kPathEnd
inline constexpr const char kPathEnd[] = "。";
inline constexpr const char kWriteErrorPrefix[] = "写入文件 ";  // then the path and kWriteErrorSuffix
inline constexpr const char kWriteErrorSuffix[] = " 出错。";
inline constexpr const char kGridValueOutOfRange[] = "高程值超出范围, 不能写入栅格文件。";
inline constexpr const char kDemBadCorners[] = "DEM 的角点坐标无效。";
inline constexpr const char kDemBadResolution[] = "DEM 的分辨率无效。";
inline constexpr const char kDemHeaderFieldFormat[] = "DEM 头记录的值 \"%s\" 超出字段宽度。";
inline constexpr const char kDemElevationTooWideFormat[] = "高程值 %g 超出 DEM 字段宽度 (6 个字符)。";
inline constexpr const char kDemProfileHeaderTooWide[] = "DEM 剖面头的值超出字段宽度。";

// ---- reading an ESRI ASCII grid ---------------------------------------------
inline constexpr const char kGridHeaderIncomplete[] = "栅格文件头不完整。";
inline constexpr const char kGridUnknownKeywordFormat[] = "栅格文件头中有不认识的关键字 \"%s\"。";
inline constexpr const char kGridBadHeaderValueFormat[] = "栅格文件头中 %s 的值无效。";
inline constexpr const char kGridHeaderMissing[] = "栅格文件头缺少 ncols、nrows、xllcorner、yllcorner 或 cellsize。";
inline constexpr const char kGridBadSize[] = "栅格文件头中的行数、列数或单元大小无效。";
inline constexpr const char kGridShorterThanHeader[] = "栅格文件比文件头所说的短。";
inline constexpr const char kGridReadNoMemory[] = "读栅格文件: 内存不足。";
inline constexpr const char kGridReadError[] = "读栅格文件出错。";
inline constexpr const char kGridTooFewValues[] = "栅格文件中的值少于 ncols × nrows 个。";
inline constexpr const char kGridBadValueFormat[] = "栅格文件中有无效的值 \"%s\"。";
inline constexpr const char kGridValueBeyondFormat[] = "栅格文件中的值 \"%s\" 超出范围。";

// ---- reading a USGS DEM ----------------------------------------------------------
// The header shown for information: the name, the two unit codes, a title,
// four corner lines (y, then x), the lowest and the highest elevation.
inline constexpr const char kDemInfoHeadFormat[] =
    "方庭命名区: %s\n单位代码 (地面平面坐标): %d\n单位代码 (仰角坐标): %d\n地面坐标的 4 交角 DEM: (平面度) \n";
inline constexpr const char kDemInfoCornerFormat[] = "  %.4f  %.4f\n";
inline constexpr const char kDemInfoRangeFormat[] = "最小仰角: %f\n最大仰角: %f\n";
inline constexpr const char kDemNoMemory[] = "内存分配错误!";
inline constexpr const char kDemReadError[] = "读 DEM 文件出错。";
inline constexpr const char kDemHeaderIncomplete[] = "DEM 文件头不完整。";
inline constexpr const char kDemBadProfileCount[] = "DEM 文件头中的剖面数无效。";
inline constexpr const char kDemShorterThanHeader[] = "DEM 文件比文件头所说的短。";
inline constexpr const char kDemProfileHeaderFormat[] = "DEM 文件在第 %lld 个剖面处结束或剖面头无效。";
inline constexpr const char kDemBadElevationCountFormat[] = "DEM 第 %lld 个剖面的高程数无效。";
inline constexpr const char kDemEndsInProfileFormat[] = "DEM 文件在第 %lld 个剖面中间结束。";
inline constexpr const char kDemEndsBeforeProfileFormat[] = "DEM 文件在第 %lld 个剖面前结束。";
inline constexpr const char kDemProfilesUneven[] = "DEM 剖面的长度相差太大, 文件不能读入栅格。";
inline constexpr const char kDemBadElevationFormat[] = "DEM 第 %lld 个剖面中有无效的高程 \"%s\"。";

// ---- the 3D document ------------------------------------------------------------
inline constexpr const char kOnlyDemOrGrd[] = "仅支持 *.DEM 或 *.GRD 文件。";
inline constexpr const char kGridNoValidHeight[] = "栅格文件中没有有效的高程。";
inline constexpr const char kGridUnder2x2[] = "栅格太小: 至少需要 2 行 2 列。";
inline constexpr const char kGridRangeTooLarge[] = "栅格文件中的高程范围太大。";

// ---- 3D model export -----------------------------------------------------------
inline constexpr const char kNoGridToExport[] = "没有可输出的 3D 栅格。";
inline constexpr const char kStlOpenError[] = "为 STL 输出打开文件出错。";
inline constexpr const char kStlTooManyFacets[] = "栅格太大, STL 文件不能容纳它的三角形数。";
inline constexpr const char kVrmlMadeBy[] = "#由 QZN software 创建";
inline constexpr const char kVrmlObjectStart[] = "# 开始对象";

}  // namespace qzn::res::text
