// ArcView shapefiles: the main file (.shp), its index (.shx) and its
// attribute table (.dbf, written with the dBASE engine), of the workspace's
// lines (polylines, or polygons), points or notes (points with their text);
// and the reading of other programs' shapefiles into lines or points.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "formats/exportcommon.h"
#include "formats/importcommon.h"
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

  // ---- reading ------------------------------------------------------------
  // The reader of one file: its lines or points go to the lists given (the
  // import's work lists), converted from file coordinates into pixels, on
  // the layer given. IDs come from the field ID of the table beside the
  // file (".dbf" in any case), or from the Z values of lines with Z.
  CShapeFile(const std::string& path, CChainList& lines, CPtList& points, const CLayerLook& layer,
             const MapTransform& toPixels);

  // Reads the whole file. damaged for a file that is no shapefile, of a
  // shape type that holds neither points nor lines, cut short, or with a
  // record that does not hold what it declares (parts, points, Z values);
  // also for a coordinate that is not a finite number or maps beyond the int
  // range. Null shapes are passed over, keeping their table rows. The lists
  // may hold part of the file after a failure: the caller drops them.
  ReadResult Read();

  // The table beside the file: opened with the engine (which reports a table
  // it cannot open, or one without the field ID), the ID of a record as the
  // number its field starts with (0 without a table, the field, the record
  // or a number), closed again.
  int OpenTable(const std::string& dbfPath);
  float ReadID(std::int64_t record);
  void CloseTable();

  // The header of the file read: its length in bytes, version and type.
  std::int64_t FileLength() const { return m_fileLength; }
  int Version() const { return m_version; }

 private:
  ReadResult ReadRecords(std::FILE* file, std::int64_t fileSize);

  const CChainList* m_lines = nullptr;
  const CPtList* m_points = nullptr;
  const CNoteList* m_notes = nullptr;
  RECT m_extent{};
  MapTransform m_map;
  int m_shapeType = kNull;

  // Reading.
  std::string m_path;
  CChainList* m_readLines = nullptr;
  CPtList* m_readPoints = nullptr;
  CLayerLook m_layer;
  std::int64_t m_fileLength = 0;
  int m_version = 1000;
  int m_table = -1;
  int m_idField = -1;
  std::int64_t m_tableRecords = 0;
};

}  // namespace qzn
