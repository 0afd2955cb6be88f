#include "resources/strings.h"

namespace qzn::res {

const char* LoadString(int id) {
  switch (id) {
    case kStrAppTitle: return "QZN for Windows";
    case kStrDocTemplate: return "\nQzn\nQZN 文档\nTIFF 文件 (*.tif)\n.tif\nTifFileType\nQZN 文件类型";
    case kStrCoordinatePane: return "(12345678.0000,12345678.0000)";
    case kStrDefaultLayer: return "0";
    default: return nullptr;
  }
}

}  // namespace qzn::res
