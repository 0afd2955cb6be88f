// ArcView shapefiles: the main file (.shp), its index (.shx) and its
// attribute table (.dbf, written with the dBASE engine), of the workspace's
// lines (polylines, or polygons), points or notes (points with their text).
#pragma once

#include <string>

#include "formats/exportcommon.h"
#include "model/maptransform.h"
#include "platform/wintypes.h"

namespace qzn {

class CChainList;
class CNoteList;
class CPtList;

// The byte layout and the rows of one shapefile. One object serves one
// export: construct it with the source, the image extent and the map
// transform, then Write.
class CShapeFile {
 public:
  enum ShapeType : int { kNull = 0, kPoint = 1, kPolyline = 3, kPolygon = 5 };

  CShapeFile(const CChainList& lines, const RECT& extent, const MapTransform& map, bool polygons);
  CShapeFile(const CPtList& points, const RECT& extent, const MapTransform& map);
  CShapeFile(const CNoteList& notes, const RECT& extent, const MapTransform& map);

  // Writes the main file, the index and the table (their extensions in the
  // case of the main file's: ROADS.SHP, ROADS.SHX, ROADS.DBF). IDs go to the
  // table with three decimals when decimalIds is set, else as integers. All
  // three files replace old ones only when everything was written.
  WriteResult Write(const std::string& path, bool decimalIds);

  int GetShapeType() const { return m_shapeType; }

 private:
  const CChainList* m_lines = nullptr;
  const CPtList* m_points = nullptr;
  const CNoteList* m_notes = nullptr;
  RECT m_extent{};
  MapTransform m_map;
  int m_shapeType = kNull;
};

}  // namespace qzn
