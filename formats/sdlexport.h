// SDL text files: one record line per object (a type letter, a name, the ID,
// an optional second text, the vertex count), then its coordinates, one pair
// a line. Names and second texts come from the attribute file when the user
// merges one.
#pragma once

#include <string>

#include "formats/exportcommon.h"
#include "model/maptransform.h"

namespace qzn {

class CQznDoc;

class CAttributeList;

struct SdlContent {
  bool lines = false;
  bool points = false;
  bool notes = false;
};

// The whole file through the map transform, with the records' texts from the
// attributes (null: none). Replaces an old file only when all was written.
WriteResult WriteSdlFile(const std::string& path, const CQznDoc& doc, const MapTransform& map,
                         const CAttributeList* attributes, const SdlContent& what);

// The view's SDL export with the kSdlOutputTitle dialog: 1 on success and after
// Cancel, 0 after a failure it has reported.
int ExportSdl(CQznDoc& doc, const std::string& path);

}  // namespace qzn
