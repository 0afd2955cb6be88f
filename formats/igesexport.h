// IGES files of the workspace's lines: fixed 80-column records in the Start,
// Global, Directory Entry, Parameter Data and Terminate sections, one Copious
// Data entity (type 106, form 12: x, y, z triples) per line with the line's
// ID as z.
#pragma once

#include <ctime>
#include <string>

#include "formats/exportcommon.h"
#include "model/maptransform.h"

namespace qzn {

class CChainList;

// The IGES colour number of a line colour: a channel counts from 50 up;
// none 1 (black), red 2, green 3, blue 4, red and green 5, red and blue 6,
// green and blue 7, all three 8.
int IgesColorNumber(COLORREF color);

// The whole file through the map transform, dated `when` (local time).
// Lines of fewer than two vertices are left out. Fails (nothing written)
// when a coordinate cannot be mapped or is too long for a record, or when a
// section would need more than 9,999,999 records.
WriteResult WriteIgesFile(const std::string& path, const CChainList& lines, const MapTransform& map, std::time_t when);

// The view's IGES export with the kIgesOutTitle dialog: 1 on success and after
// Cancel, 0 after a failure.
int ExportIges(CQznDoc& doc, const std::string& path);

}  // namespace qzn
