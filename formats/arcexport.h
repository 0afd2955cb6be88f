// ARC generate line and point files and XYZ files, with their option
// dialogs (kArcPntTitle, kXyzOptionsTitle).
#pragma once

#include <string>

#include "formats/exportcommon.h"
#include "model/maptransform.h"

namespace qzn {

class CQznDoc;

// An XYZ file: "x y ID" for every vertex of every line, then "x y value"
// for every point. Replaces an old file only when all was written.
WriteResult WriteXyzFile(const std::string& path, const CQznDoc& doc, const MapTransform& map, bool lines, bool points);

// The view's exports: 1 on success and after Cancel, 0 after a failure they
// have reported.
int ExportArcLines(CQznDoc& doc, const std::string& path);
int ExportArcPoints(CQznDoc& doc, const std::string& path);
int ExportXyz(CQznDoc& doc, const std::string& path);

}  // namespace qzn
