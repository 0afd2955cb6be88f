// MapInfo interchange files: the graphics (.mif) and, beside them, one ID a
// row (.mid).
#pragma once

#include <string>

#include "formats/exportcommon.h"
#include "model/maptransform.h"

namespace qzn {

class CQznDoc;

// What a MIF file holds and how.
struct MifContent {
  bool lines = false;
  bool points = false;
  bool notes = false;
  bool regions = false;  // closed lines as regions
  bool createMid = true;
  bool linePens = true;  // the line's own pen; else the plain pen (1,2,0)
  // The coordinate-system clause; empty writes a plain non-earth system in
  // metres. A non-earth clause gets a Bounds line.
  std::string clause = "CoordSys Nonearth\nUnits \"m\"";
};

// The whole file (and its .mid, in the case of the main extension) through
// the map transform. The bounds cover the image extent's corners and every
// coordinate written, in file units; the ID column takes the type its rows
// need (Float with decimal IDs, Integer beyond the Smallint range); the
// charset is the Chinese one when a text needs it. An ID that is no int
// fails with a message. Nothing is replaced unless everything was written.
WriteResult WriteMifFile(const std::string& path, const CQznDoc& doc, const MapTransform& map, const MifContent& what);

// The view's MIF export with the kMifParamTitle dialog: 1 on success and after
// Cancel, 0 after a failure it has reported.
int ExportMif(CQznDoc& doc, const std::string& path);

}  // namespace qzn
