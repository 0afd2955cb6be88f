// The file messages of the terrain readers and writers, put together from
// the catalogue's pieces.
#pragma once

#include <string>

#include "resources/messages_terrain.h"

namespace qzn {

inline std::string CannotCreateText(const std::string& path) {
  return std::string(res::text::kCannotCreatePrefix) + path + res::text::kPathEnd;
}
inline std::string CannotOpenText(const std::string& path) {
  return std::string(res::text::kCannotOpenPrefix) + path + res::text::kPathEnd;
}
inline std::string WriteErrorText(const std::string& path) {
  return std::string(res::text::kWriteErrorPrefix) + path + res::text::kWriteErrorSuffix;
}

}  // namespace qzn
