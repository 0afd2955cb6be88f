#include "app/georeference.h"

#include "app/qzndoc.h"

namespace qzn {

CGeoreference::Outcome CGeoreference::Prepare(const CQznDoc& doc, GeorefKind kind, TransformDirection direction) {
  m_kind = kind;
  m_map = MapTransform::Pixels();
  m_tri = nullptr;
  double x[4] = {0, 0, 0, 0}, y[4] = {0, 0, 0, 0};
  switch (kind) {
    case GeorefKind::bilinear:
      if (!doc.m_controlPts.FitTransform(x, y, kBilinearPolynomial, direction)) return fitFailed;
      m_map = MapTransform::Polynomial(x, y, kBilinearPolynomial);
      return ok;
    case GeorefKind::worldFile:
      if (!doc.m_tfw.GetTransform(x, y, direction)) return worldFileFailed;
      m_map = MapTransform::Polynomial(x, y, kAffinePolynomial);
      return ok;
    case GeorefKind::triangulation:
      // The workspace's triangulation maps image to map.
      if (direction == kImageToMap && !doc.m_triangles.IsEmpty()) {
        m_tri = &doc.m_triangles;
      } else {
        m_triangles.RemoveAll();
        if (!m_triangles.Build(doc.m_controlPts, doc.m_extent, direction)) return triangulationFailed;
        m_tri = &m_triangles;
      }
      m_map = MapTransform::Triangulation(*m_tri);
      return ok;
    default: m_kind = GeorefKind::none; return ok;
  }
}

}  // namespace qzn
