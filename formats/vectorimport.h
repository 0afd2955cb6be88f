// The front of every vector reader: the import of a file in image pixels
// and of one in map coordinates, the reader chosen by the file's extension.
// Each file is read whole into work lists first; the workspace changes only
// after a successful read.
#pragma once

#include <string>

#include "app/vectorimports.h"

namespace qzn {

class CQznDoc;

// See CQznDoc::ImportVectors: 1 when the file was read, 0 after a failure
// already said.
int ImportVectors(CQznDoc& doc, const std::string& path, int replace);
// See CQznDoc::ImportGeoVectors: the control points' bilinear fit, their
// triangulation (the bilinear fit without an image), or the world file. 1
// when read, 0 after a failure (the reference file's, the transform's or the
// reader's).
int ImportGeoVectors(CQznDoc& doc, const std::string& path, const std::string& reference, GeorefKind kind);

// The imports as the document reaches them; main installs one.
class CFormatImports : public IVectorImports {
 public:
  int ImportVectors(CQznDoc& doc, const std::string& path, int replace) override {
    return qzn::ImportVectors(doc, path, replace);
  }
  int ImportGeoVectors(CQznDoc& doc, const std::string& path, const std::string& reference, GeorefKind kind) override {
    return qzn::ImportGeoVectors(doc, path, reference, kind);
  }
};

}  // namespace qzn
