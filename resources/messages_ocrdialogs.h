// Texts of the OCR training and signature dialogs.
#pragma once

namespace qzn::res::text {

inline constexpr const char kOcrTrainTitle[] = "OCR 训练对话框";
inline constexpr const char kOcrTrainPrompt[] = "为选定的训练集输入字符:";
inline constexpr const char kOcrSignatureTitle[] = "OCR 签名";
inline constexpr const char kOcrCharacters[] = "字符";
inline constexpr const char kOcrDescription[] = "注释";
inline constexpr const char kOcrLoad[] = "载入";
inline constexpr const char kOcrClose[] = "关闭(C)";
inline constexpr const char kChooseCharacterToDelete[] = "请选择一个字符以删除。";

}  // namespace qzn::res::text
