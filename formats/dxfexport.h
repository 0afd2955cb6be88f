// DXF (AC1003) files of the workspace's lines, points and notes: the header
// with the drawing extents, the layer table, an empty BLOCKS section, the
// entities written by the element lists, and the end of file.
#pragma once

#include <string>

#include "formats/exportcommon.h"
#include "model/maptransform.h"
#include "platform/wintypes.h"

namespace qzn {

class CQznDoc;
class CTextFileWriter;

// The DXF colour number of a layer colour: each channel quantised to 0,
// 0.25, 0.5, 0.75 or 1, then the first matching row of the table (red 1,
// yellow 2, green 3, cyan 4, blue 5, magenta 6, white 7, grey 8, light
// cyan-grey 9, anything else 3).
int DxfLayerColor(COLORREF color);

// What a DXF file holds.
struct DxfContent {
  bool lines = false;
  bool points = false;
  bool notes = false;
  bool linesIdAsZ = false;      // the line's ID as elevation (3D)
  bool pointsValueAsZ = false;  // the point's value as elevation
};

// The whole file through the map transform. The extents cover the image
// extent's four corners and every coordinate written. The file replaces an
// old one only when everything was written.
WriteResult WriteDxfFile(const std::string& path, const CQznDoc& doc, const MapTransform& map, const DxfContent& what);

// The view's DXF export with the kDxfOutTitle dialog: 1 on success and after
// Cancel, 0 after a failure it has reported.
int ExportDxf(CQznDoc& doc, const std::string& path);

}  // namespace qzn
