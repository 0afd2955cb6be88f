// Texts of the two table dialogs: the colour-feature table and the vector
// report.
#pragma once

namespace qzn::res::text {

// Colour-feature table (220)
inline constexpr const char kColorFeatureTitle[] = "提取图像颜色属性";
inline constexpr const char kColorFeatureHint[] = "在图像范围内用鼠标左键画一个矩形，然后点击“添加”添加到属性列表。 ";
inline constexpr const char kAdd[] = "添加";
inline constexpr const char kDelete[] = "删除";
inline constexpr const char kSave[] = "保存";
inline constexpr const char kOpen[] = "打开";
inline constexpr const char kVectorizeButton[] = "矢量化";
inline constexpr const char* const kColorFeatureHeadings[] = {"ID", "R1", "G1", "B1", "R2", "G2", "B2"};
inline constexpr const char kDrawRectangleInArea[] = "首先请在选择的区域内画一个矩形。";
inline constexpr const char kOnlyRgbImages[] = "错误的图像类型。只能使用 24 位真彩色图像。";
inline constexpr const char kColorFeatureFilter[] = "ColorFeature 文件 (*.clf)|*.clf||";
inline constexpr const char kColorFeatureReadError[] = "读取颜色属性文件出错。";
inline constexpr const char kColorFeatureSaveError[] = "保存颜色属性文件出错。";

// Vector report (221)
inline constexpr const char kReportDialogTitle[] = "QZN 报告";
inline constexpr const char kReportTitleText[] = "矢量报告";
inline constexpr const char kAskBuildReportFormat[] = "共计 %lld 条线段，创建报告吗?";
inline constexpr const char kCopy[] = "复制";
inline constexpr const char kPrint[] = "打印";
inline constexpr const char kTextFileFilter[] = "文本文件 (*.txt)|*.txt||";
inline constexpr const char kReportSaveError[] = "保存报告文件出错。";

}  // namespace qzn::res::text
