// What the vector writers share: the georeference an export asked for made
// into a map transform, the box of what a file holds, companion file names
// and the checks that keep IDs and texts inside their fields.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "app/georeference.h"
#include "model/maptransform.h"
#include "platform/wintypes.h"

namespace qzn {

class CQznDoc;
class CTextFileWriter;

// How a whole-file writer ended: written; the file could not be created; a
// coordinate could not be mapped; a failure it has reported itself (an ID
// its field cannot hold); a write that failed (the disk full, a file-size
// limit).
enum class WriteResult { ok, cannotCreate, cannotMap, reported, failed };

// The georeference radios of the export dialogs (kExpNoGeoref, kBilinear, kTriangulation,
// kExpUseTfw, kExpFlipV), in their order.
enum class GeorefChoice : int { none = 0, bilinear = 1, triangulation = 2, worldFile = 3, flip = 4 };

// The georeference a choice applies (none for none and flip), and the
// choice of a georeference: the workspace remembers the kind.
GeorefKind KindOf(GeorefChoice choice);
GeorefChoice ChoiceOf(GeorefKind kind);

// The transform of one export, prepared before any file is opened. A choice
// whose georeference the workspace no longer has (a remembered choice, or
// one a caller passed) falls back to the one it has: the control points
// (four or more, bilinear) before the world file; without either the export
// writes the format's pixel form (`none`).
class CExportGeoref {
 public:
  using Outcome = CGeoreference::Outcome;

  CExportGeoref() = default;
  CExportGeoref(const CExportGeoref&) = delete;
  CExportGeoref& operator=(const CExportGeoref&) = delete;

  // The georeference the choice resolves to in this workspace.
  static GeorefChoice Resolve(const CQznDoc& doc, GeorefChoice choice);

  // Prepares the choice (after Resolve). `none` and `flip` give pixels, or
  // pixels flipped over the extent; the georeferences are the workspace's
  // (CGeoreference, image to map). Nothing is shown: the caller has the
  // message.
  Outcome Prepare(const CQznDoc& doc, GeorefChoice choice);

  GeorefChoice Choice() const { return m_choice; }
  const MapTransform& Map() const { return m_map; }

 private:
  GeorefChoice m_choice = GeorefChoice::none;
  MapTransform m_map;
  CGeoreference m_georef;
};

// The radio value of a dialog as a choice: 1 to `highest`, else none.
GeorefChoice ToGeorefChoice(int mode, GeorefChoice highest);

// The failure messages of one export's georeference; null shows nothing.
struct GeorefMessages {
  const char* fit;
  const char* triangulation;
  const char* worldFile;
};

// Resolves and prepares the choice, showing the export's message when that
// fails. False on failure.
bool PrepareGeoref(CExportGeoref& georef, const CQznDoc& doc, GeorefChoice choice, const GeorefMessages& messages);

// Ends a text file that the element writers filled: dropped when a point
// could not be mapped, else put in place.
WriteResult EndTextFile(CTextFileWriter& file, bool mapped);

// The box of what a file holds, in file coordinates.
struct CBounds {
  double minX = std::numeric_limits<double>::infinity();
  double minY = std::numeric_limits<double>::infinity();
  double maxX = -std::numeric_limits<double>::infinity();
  double maxY = -std::numeric_limits<double>::infinity();

  bool IsEmpty() const { return !(minX <= maxX); }
  void Add(double x, double y) {
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
  }
  void Add(const CBounds& b) {
    if (b.IsEmpty()) return;
    Add(b.minX, b.minY);
    Add(b.maxX, b.maxY);
  }
  // The four corners of the rectangle through the transform. False when one
  // cannot be mapped.
  bool AddCorners(const MapTransform& map, const RECT& rc);
};

// The path with its extension replaced by `extension` (three letters, no
// dot), each letter in the case of the main extension's letter at its place:
// ROADS.SHP gives ROADS.SHX, roads.shp roads.shx.
std::string CompanionPath(const std::string& path, const char* extension);

// The ID as the integer the formats store: truncated toward zero. False for a
// value outside the int range or not a number.
bool IntegerId(double value, int& out);

// Shows that an ID does not fit the field or column it goes to; the export
// then writes nothing.
void ReportIdOutOfRange(double id);

// At most maxBytes bytes of the text as stored (code page 936), cut before a
// character that would not fit whole; returned in UTF-8.
std::string CutToStoredBytes(const std::string& utf8, std::size_t maxBytes);

// True when the text has a character beyond ASCII.
bool HasNonAscii(const std::string& text);

}  // namespace qzn
