// Texts of the window: start-up and application commands, the image view,
// the main frame, image information and the dialogs' data exchange. The
// resolution units are shared with the document (messages_common.h).
#pragma once

#include "resources/messages_common.h"

namespace qzn::res::text {

// Start-up and application commands
inline constexpr const char kNoDisplay[] =
    "qzn: the window cannot open without a display; qzn -i <scan> -o <lines.gen> converts without one\n";
inline constexpr const char kAskExit[] = "从 QZN 退出吗?";
inline constexpr const char kAboutTitle[] = "关于 QZN";
inline constexpr const char kAboutVersion[] = "QZN 版本 1.0";
inline constexpr const char kAboutBody[] =
    "把扫描的地图和技术图纸转换成矢量数据: 读入扫描图像, 清理, 矢量化, 编辑线段、点和注释, "
    "地理参考, 输出 GIS 和 CAD 交换格式。";
inline constexpr const char kOpenFilter[] =
    "图像文件|*.prj;*.tif;*.bmp;*.hdr;*.gif;*.jpg;*.rlc;*.png|TIFF Files (*.tif)|*.tif|"
    "Project Files (*.prj)|*.prj|BMP Files (*.bmp)|*.bmp|JPEG Files (*.jpg)|*.jpg|"
    "GIF Files (*.gif)|*.gif|RLC Files (*.rlc)|*.rlc|PNG Files (*.png)|*.png|"
    "Raw Images (*.hdr)|*.hdr|All Files (*.*)|*.*||";
inline constexpr const char kOpen3DFilter[] = "3D 文件 |*.grd;*.dem|栅格文件 (*.grd) |*.grd|DEM 文件 (*.dem) |*.dem||";
inline constexpr const char kOneViewer3D[] = "在同一时候仅有一个 3D 查看器是有效的\n首先请关闭当前的一个。";
inline constexpr const char k3DViewTitle[] = "3D 视图";

// Image view
inline constexpr const char kDisplayNoMemory[] = "显示内存不足";
inline constexpr const char kDisplayResetNoMemory[] = "初始化显示缓冲器内存不足";
inline constexpr const char kDisplayNotRestored[] = "显示缓冲器没有恢复。";
inline constexpr const char kErrorCaption[] = "错误";
inline constexpr const char kDisplayImageError[] = "显示图像出错。";
inline constexpr const char kBitmapForDisplayError[] = "为显示创建的位图出错。";
inline constexpr const char kBitmapError[] = "创建位图出错。";
inline constexpr const char kLengthFormat[] = "长度=%.3f";
inline constexpr const char kCoordinateFormat[] = "(%.4f,%.4f)";
inline constexpr const char kOverviewTitle[] = "鸟瞰图: ";

// Main frame
inline constexpr const char kBasicBarTitle[] = "基本工具";
inline constexpr const char kViewBarTitle[] = "查看工具";
inline constexpr const char kReady[] = "就绪";
// The context-help button: its tooltip and what it says of itself.
inline constexpr const char kContextHelpTip[] = "上下文帮助";
inline constexpr const char kContextHelpPrompt[] = "显示工具栏按钮的说明: 先单击此按钮, 再单击要了解的按钮。";

// Image information
inline constexpr const char kTypeGrey[] = "8 位灰度";
inline constexpr const char kTypeRgb[] = "24 位真彩色";
inline constexpr const char kTypePalette[] = "8 位调色板颜色";
inline constexpr const char kTypeSeparated[] = "8 位分级颜色";
inline constexpr const char kTypeBilevel[] = "1 位单色/单色";
inline constexpr const char kTypeUnknown[] = "未知的图像类型";

// The buttons every dialog has
inline constexpr const char kButtonOk[] = "确定";
inline constexpr const char kButtonCancel[] = "取消";

// Data exchange of the dialogs
inline constexpr const char kDxNotInt[] = "请输入一个整数。";
inline constexpr const char kDxNotNumber[] = "请输入一个数字。";
inline constexpr const char kDxTooLong[] = "请输入一个不大于 %1 的字符。";

// ---- the document template --------------------------------------------------------
inline constexpr const char kDocumentTypeName[] = "QZN 文档";

}  // namespace qzn::res::text
