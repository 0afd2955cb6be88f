// The messages the terrain readers and writers keep for their callers.
#pragma once

#include <string>

namespace qzn {

inline std::string CannotCreateText(const std::string& path) { return "不能创建文件 " + path + "。"; }
inline std::string WriteErrorText(const std::string& path) { return "写入文件 " + path + " 出错。"; }
inline std::string CannotOpenText(const std::string& path) { return "不能打开文件 " + path + "。"; }

}  // namespace qzn
