// The temporary files a writer left in a folder (names with ".tmp" in them):
// a finished or dropped file must leave none.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

inline std::vector<std::string> TempLeftovers(const std::filesystem::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::string n = e.path().filename().string();
    if (n.find(".tmp") != std::string::npos) out.push_back(n);
  }
  return out;
}
