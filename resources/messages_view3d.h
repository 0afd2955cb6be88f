// Texts of the 3D window, its dialogs and the image view's commands that
// build a grid or a DEM and drape the image over it. See messages_common.h
// for the conventions; the window's title and the one-viewer message are in
// messages_window.h, the print questions in messages_print.h.
#pragma once

#include "resources/messages_print.h"

namespace qzn::res::text {

// ---- the 3D window ----------------------------------------------------------------
inline constexpr const char kNeed16BitDisplay[] =
    "在应用 3D 显示时你必须将你的 PC 的显示模式设置为 16 位色或者更高。否则你将看不到透视图。";
inline constexpr const char kPickNoData[] = "无数据";
inline constexpr const char kPickFormat[] = "X=%.3f Y=%.3f 高度=%f";
inline constexpr const char kSaveWindowExtension[] = "bmp";
inline constexpr const char kSaveWindowFilter[] = "Windows 位图文件 (*.bmp) |*.bmp||";
inline constexpr const char kModelExtension[] = "dxf";
inline constexpr const char kModelInitialName[] = "*.dxf";
inline constexpr const char kModelFilter[] =
    "DXF 文件 (*.dxf)|*.dxf|VRML 文件 (*.wrl)|*.wrl|STL 文件 (*.stl)|*.stl|XYZ 文件 (*.xyz)|*.xyz||";
inline constexpr const char kCaptureFailed[] = "不能截取 3D 视图的图像。";

// ---- the image view's 3D commands ------------------------------------------------
inline constexpr const char kNo3DView[] = "没有 3D 视图可用。";
inline constexpr const char kDrapeAreaOutside[] = "套合区域在工作区之外。";
inline constexpr const char kFileOpenError[] = "文件打开错误!";
inline constexpr const char kGridExtension[] = "grd";
inline constexpr const char kGridFilter[] = "栅格文件 (*.grd)|*.grd|所有文件(*.*)|*.*||";
inline constexpr const char kNewGridName[] = "新栅格";
inline constexpr const char kDemExtension[] = "dem";
inline constexpr const char kDemFilter[] = "DEM 文件 (*.dem)|*.dem|所有文件(*.*)|*.*||";
inline constexpr const char kNewDemName[] = "NewDEM";
inline constexpr const char kDefaultQuadrangle[] = "BOSTON-E";

// ---- dialogs ------------------------------------------------------------------------
inline constexpr const char kColumnsFormat[] = "列=%d";
inline constexpr const char kRowsFormat[] = "行=%d";
inline constexpr const char kDegreesFormat[] = "%d 度";

inline constexpr const char kGridMeshTitle[] = "栅格孔眼大小";
inline constexpr const char kDemSettingsTitle[] = "DEM 设置";
inline constexpr const char k3DSettingsTitle[] = "3D 设置";
inline constexpr const char k3DScaleTitle[] = "3D 比例对话框";
inline constexpr const char kDrapeAreaTitle[] = "对话框";

inline constexpr const char kLabelCellSize[] = "孔眼大小 (像素):";
inline constexpr const char kLabelOutput[] = "输出文件:";
inline constexpr const char kLabelBrowse[] = "浏览...";
inline constexpr const char kLabelQuadrangle[] = "方庭命名区:";
inline constexpr const char kLabelGroundUnits[] = "单位代码 (地面平面坐标):";
inline constexpr const char kLabelElevationUnits[] = "单位代码 (仰角坐标):";
inline constexpr const char kLabelCorners[] = "地面坐标的 4 交角 (X, Y)";
inline constexpr const char kLabelCornerFormat[] = "角 %d:";
inline constexpr const char kLabelTilt[] = "仰角:";
inline constexpr const char kLabelTurn[] = "旋转:";
inline constexpr const char kLabelZoom[] = "缩放:";
inline constexpr const char kLabelApply[] = "应用";
inline constexpr const char kLabelAnimate[] = "活动";
inline constexpr const char kLabelOverlaySettings[] = "套合设置...";
inline constexpr const char kLabelVerticalScale[] = "垂直比例 (0.001 - 1000):";
inline constexpr const char kLabelMeshSize[] = "栅格孔眼大小:";
inline constexpr const char kLabelDrapeAll[] = "全部图像套合";
inline constexpr const char kLabelDrapeArea[] = "套合选定的图像区域:";
inline constexpr const char kLabelLeft[] = "左 (X)";
inline constexpr const char kLabelRight[] = "右 (X)";
inline constexpr const char kLabelTop[] = "上 (Y)";
inline constexpr const char kLabelBottom[] = "下 (Y)";

// ---- the overlay settings dialog --------------------------------------------------
inline constexpr const char kOverlaySettingsTitle[] = "套合设置";
inline constexpr const char kOverlayOnOff[] = "套合 开/关";
inline constexpr const char kBlendOnOff[] = "混合 开/关";
inline constexpr const char kBackgroundColour[] = "背景色";

// ---- the grid and 3D settings dialogs: the widest values their fields show --------
inline constexpr const char kColumnsWidest[] = "列=0000000000";
inline constexpr const char kRowsWidest[] = "行=0000000000";
inline constexpr const char kDegreesWidest[] = "360 度";

}  // namespace qzn::res::text
