// The georeference of a workspace as one transform: the kind asked for, made
// into the MapTransform the writers and readers apply, in either direction.
// The exports (image to map), the imports (map to image), the vector report
// and the status bar all prepare their transform here, so the control points'
// fit, the triangulation and the world file are applied the same way
// everywhere.
#pragma once

#include "georef/triangle.h"
#include "model/maptransform.h"

namespace qzn {

class CQznDoc;

class CGeoreference {
 public:
  // How preparing ended: the transform is ready, or the fit of the control
  // points, their triangulation or the world file's rows failed (the
  // transform is then pixels).
  enum Outcome { ok, fitFailed, triangulationFailed, worldFileFailed };

  CGeoreference() = default;
  // The transform may borrow the triangulation built here.
  CGeoreference(const CGeoreference&) = delete;
  CGeoreference& operator=(const CGeoreference&) = delete;

  // The kind's transform in the direction: the bilinear fit of the control
  // points, their triangulation (image to map: the workspace's when it is
  // built, else one built here; map to image: always one built here; the
  // workspace is not changed), the world file's affine rows; pixels for
  // `none`. Whether the workspace has the kind is the caller's question
  // (CQznDoc::HasGeoref): the fit and the rows fail without their data.
  Outcome Prepare(const CQznDoc& doc, GeorefKind kind, TransformDirection direction = kImageToMap);

  GeorefKind Kind() const { return m_kind; }
  const MapTransform& Map() const { return m_map; }
  // The triangulation the transform applies, for the readers that take it
  // whole; null for the other kinds.
  const CTriangleList* Triangles() const { return m_tri; }

 private:
  GeorefKind m_kind = GeorefKind::none;
  MapTransform m_map;
  const CTriangleList* m_tri = nullptr;
  CTriangleList m_triangles;  // built here when the workspace's cannot serve
};

}  // namespace qzn
