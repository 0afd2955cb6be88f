// The vector imports as the document reaches them. The readers of the
// exchange formats live in the formats library, which is built on top of the
// application library; main (and the window, and tests) install them here.
// Without them only the document's own point and generate line files can be
// read (ImportPoints, ImportGenerateLines).
#pragma once

#include <string>

#include "model/maptransform.h"

namespace qzn {

class CQznDoc;

class IVectorImports {
 public:
  virtual ~IVectorImports() = default;
  // See CQznDoc::ImportVectors and CQznDoc::ImportGeoVectors.
  virtual int ImportVectors(CQznDoc& doc, const std::string& path, int replace) = 0;
  virtual int ImportGeoVectors(CQznDoc& doc, const std::string& path, const std::string& reference,
                               GeorefKind kind) = 0;
};

// The installed imports (not owned); null when none. Set returns the previous
// ones.
IVectorImports* VectorImports();
IVectorImports* SetVectorImports(IVectorImports* imports);

}  // namespace qzn
