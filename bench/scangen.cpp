#include "bench/scangen.h"

namespace scangen {
GreyImage Generate(const Options& opt) {
  GreyImage img;
  img.width = opt.width;
  img.height = opt.height;
  img.pixels.assign(static_cast<std::size_t>(opt.width * opt.height), 255);
  return img;
}
bool WritePgm(const GreyImage&, const std::string&) { return false; }
}  // namespace scangen
