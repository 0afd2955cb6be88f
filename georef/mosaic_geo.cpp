// Georeference look-up for the mosaic.
#include "georef/mosaic_geo.h"

#include <filesystem>
#include <system_error>

#include "georef/controlpt.h"
#include "georef/tfw.h"
#include "raster/mosaic.h"

namespace qzn {

namespace {

// The file's name with its extension replaced, the way the side file is
// spelt (lower case first, then upper case); empty when neither exists.
std::string SideFile(const std::string& fileName, const char* lower, const char* upper) {
  const std::filesystem::path base(fileName);
  for (const char* ext : {lower, upper}) {
    std::filesystem::path p = base;
    p.replace_extension(ext);
    std::error_code ec;
    if (std::filesystem::is_regular_file(p, ec)) return p.string();
  }
  return std::string();
}

int FromWorld(CTfw& world, double* xRow, double* yRow, int inverse) {
  world.m_nTerms = 3;
  return world.GetTransform4(xRow, yRow, inverse) ? 1 : 0;
}

}  // namespace

int GetImageGeoreference(const std::string& fileName, const CRasterImage& image, double* xRow, double* yRow,
                         int inverse) {
  if (!xRow || !yRow) return 0;
  const int direction = inverse ? 1 : 0;
  if (image.tiePointCount > 3 && image.tiePoints) {
    CControlPtList points;
    for (int i = 0; i < image.tiePointCount; ++i) {
      const double* t = image.tiePoints + 6 * static_cast<std::ptrdiff_t>(i);
      CControlPt* p = points.AddNew();
      if (!p) return 0;
      *p = CControlPt(t[0], t[1], t[3], t[4]);
    }
    return points.FitTransform(xRow, yRow, kBilinearPolynomial, direction) ? 1 : 0;
  }
  if (image.tiePointCount == 1 && image.tiePoints && image.pixelScaleValid) {
    const double* t = image.tiePoints;
    CTfw world;
    world.m_A = image.pixelScale[0];
    world.m_B = world.m_D = 0.0;
    world.m_E = -image.pixelScale[1];
    world.m_C = t[3] - t[0] * image.pixelScale[0];
    world.m_F = t[4] + t[1] * image.pixelScale[1];
    return FromWorld(world, xRow, yRow, direction);
  }
  if (image.modelTransformationValid) {
    const double* m = image.modelTransformation;
    CTfw world;
    world.m_A = m[0], world.m_B = m[1], world.m_C = m[3];
    world.m_D = m[4], world.m_E = m[5], world.m_F = m[7];
    return FromWorld(world, xRow, yRow, direction);
  }
  std::string side = SideFile(fileName, ".cpt", ".CPT");
  if (!side.empty()) {
    CControlPtList points;
    return points.Load(side, 1) && points.FitTransform(xRow, yRow, kBilinearPolynomial, direction) ? 1 : 0;
  }
  side = SideFile(fileName, ".tfw", ".TFW");
  if (!side.empty()) {
    CTfw world;
    return world.Read(side) && world.GetTransform4(xRow, yRow, direction) ? 1 : 0;
  }
  side = SideFile(fileName, ".tab", ".TAB");
  if (!side.empty()) {
    CControlPtList points;
    return points.LoadTab(side, 1) && points.FitTransform(xRow, yRow, kBilinearPolynomial, direction) ? 1 : 0;
  }
  return 0;
}

int MosaicImages(const std::vector<std::string>& files, int columns, int rows, CRasterImage* output, int mode,
                 double horizontalOverlap, double verticalOverlap) {
  return MosaicImages(files, columns, rows, output, mode, horizontalOverlap, verticalOverlap,
                      CImageGeoreferencer(&GetImageGeoreference));
}

}  // namespace qzn
