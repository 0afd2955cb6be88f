// The workspace's georeference: between the image's GeoTIFF data and the
// world file or control points, and the image-to-map transform the exports
// use.
//
// Image positions in the workspace put a pixel's centre on its integer
// column and row, as a world file does (its C and F are the map position of
// the centre of the top-left pixel). GeoTIFF raster space puts the top-left
// corner of the image at (0, 0) when pixels are areas, so a pixel centre
// there is half a pixel further on; the conversions below add or take off
// that half pixel, so that a GeoTIFF and its world file give the same map
// position. When pixels are points (GTRasterTypeGeoKey 2), raster point
// (0, 0) is the centre of the top-left pixel: there is no half pixel, as
// GDAL reads and writes such files.
#include <algorithm>

#include "app/qzndoc.h"

#include "app/georeference.h"

namespace qzn {

namespace {

// Raster space less workspace position: half a pixel when pixels are areas.
double RasterOffset(const CRasterImage& img) { return img.geoRasterType == 2 ? 0.0 : 0.5; }

}  // namespace

void CQznDoc::SetupWorldTransform(int direction) {
  CRasterImage& img = m_image;
  const double half = RasterOffset(img);
  if (direction == 1) {
    if (img.tiePointCount < 4) {
      if (img.tiePointCount == 1 && img.tiePoints && img.pixelScaleValid) {
        const double* t = img.tiePoints;  // I, J, K, X, Y, Z
        const double sx = img.pixelScale[0], sy = img.pixelScale[1];
        m_tfw.m_A = sx;
        m_tfw.m_B = 0.0;
        m_tfw.m_C = t[3] - (t[0] - half) * sx;
        m_tfw.m_D = 0.0;
        m_tfw.m_E = -sy;
        m_tfw.m_F = t[4] + (t[1] - half) * sy;
        m_tfw.m_nTerms = 3;
        m_nTfwModified = 1;
      } else if (img.modelTransformationValid) {
        const double* m = img.modelTransformation;
        m_tfw.m_A = m[0];
        m_tfw.m_B = m[1];
        m_tfw.m_C = m[3] + half * (m[0] + m[1]);
        m_tfw.m_D = m[4];
        m_tfw.m_E = m[5];
        m_tfw.m_F = m[7] + half * (m[4] + m[5]);
        m_tfw.m_nTerms = 3;
        m_nTfwModified = 1;
      }
      return;
    }
    m_controlPts.RemoveAll();
    for (std::int32_t i = 0; i < img.tiePointCount; ++i) {
      const double* t = img.tiePoints + 6 * static_cast<std::int64_t>(i);
      CControlPt* p = m_controlPts.AddNew();
      if (!p) break;
      *p = CControlPt(t[0] - half, t[1] - half, t[3], t[4]);
    }
    m_controlPts.m_nModified = 1;
    return;
  }

  // Into the image, before it is written as a GeoTIFF: in the raster type
  // the image came with (pixel is point stays so), else pixel is area.
  if (img.geoRasterType != 2) img.geoRasterType = 1;
  img.FreeTiePoints();
  img.tiePointCount = 0;
  if (m_controlPts.GetCount() < 4) {
    if (m_tfw.m_nTerms != 3) return;
    if (!img.AllocTiePoints(1)) return;
    double* t = img.tiePoints;
    t[0] = t[1] = t[2] = t[5] = 0.0;
    t[3] = m_tfw.m_C - half * (m_tfw.m_A + m_tfw.m_B);
    t[4] = m_tfw.m_F - half * (m_tfw.m_D + m_tfw.m_E);
    img.pixelScale[0] = m_tfw.m_A;
    img.pixelScale[1] = -m_tfw.m_E;
    img.pixelScale[2] = 0.0;
    img.pixelScaleValid = 1;
    return;
  }
  const auto count = static_cast<std::int32_t>(m_controlPts.GetCount());
  if (!img.AllocTiePoints(count)) {
    img.tiePointCount = 0;
    return;
  }
  double* t = img.tiePoints;
  for (POSITION pos = m_controlPts.GetHeadPosition(); pos;) {
    const CControlPt* p = m_controlPts.GetNext(pos);
    t[0] = p->m_imageX + half;
    t[1] = p->m_imageY + half;
    t[2] = 0.0;
    t[3] = p->m_mapX;
    t[4] = p->m_mapY;
    t[5] = 0.0;
    t += 6;
  }
}

int CQznDoc::FitControlPointTransform(double* xRow, double* yRow) const {
  return m_controlPts.FitTransform(xRow, yRow, kBilinearPolynomial, kImageToMap);
}

bool CQznDoc::HasGeoref(GeorefKind kind) const {
  switch (kind) {
    case GeorefKind::bilinear:
    case GeorefKind::triangulation: return m_controlPts.GetCount() >= 4;
    case GeorefKind::worldFile: return m_tfw.m_nTerms == 3;
    default: return false;
  }
}

GeorefKind CQznDoc::GeorefInUse() const {
  if (HasGeoref(GeorefKind::bilinear)) return GeorefKind::bilinear;
  return HasGeoref(GeorefKind::worldFile) ? GeorefKind::worldFile : GeorefKind::none;
}

MapTransform CQznDoc::GetMapTransform() const {
  CGeoreference georef;
  georef.Prepare(*this, GeorefInUse());
  return georef.Map();
}

bool CQznDoc::IsGeoreferenced() const { return GeorefInUse() != GeorefKind::none; }

GeorefKind CQznDoc::RememberedGeoref() const {
  const int word = m_nSpareWord;
  return word >= static_cast<int>(GeorefKind::bilinear) && word <= static_cast<int>(GeorefKind::worldFile)
             ? static_cast<GeorefKind>(word)
             : GeorefKind::none;
}

}  // namespace qzn
