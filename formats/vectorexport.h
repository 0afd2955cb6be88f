// The front of every vector writer: the view's export command
// (SaveVectorFile, the format chosen by the file's extension) and the batch
// exports of the batch run and the command line, without dialogs.
#pragma once

#include <string>

#include "app/vectorexports.h"

namespace qzn {

class CQznDoc;

// The view's type codes, from the file's extension compared without case:
// DXF 1, MIF 2, SHP 3, XYZ 4, PNT 5, SDL 6, IGS or IGES 7, anything else 0
// (ARC generate).
enum VectorFileType : int {
  kVectorGenerate = 0,
  kVectorDxf = 1,
  kVectorMif = 2,
  kVectorShape = 3,
  kVectorXyz = 4,
  kVectorPoints = 5,
  kVectorSdl = 6,
  kVectorIges = 7,
};
int VectorFileTypeOf(const std::string& path);

// See CQznDoc::SaveVectorFile: 1 on success and after Cancel, 0 after a
// failure already reported.
int SaveVectorFile(CQznDoc& doc, const std::string& path, int typeCode);
// The batch exports: type 0 generate, 1 DXF, 2 MIF/MID, 3 shapefile, 4 XYZ;
// in pixels or (map) through the control points or the world file.
int ExportLines(CQznDoc& doc, const std::string& path, int type, bool map);
int ExportPoints(CQznDoc& doc, const std::string& path, int type, bool map);

// The exports as the document reaches them; main installs one.
class CFormatExports : public IVectorExports {
 public:
  int SaveVectorFile(CQznDoc& doc, const std::string& path, int typeCode) override {
    return qzn::SaveVectorFile(doc, path, typeCode);
  }
  int ExportLines(CQznDoc& doc, const std::string& path, int type, bool map) override {
    return qzn::ExportLines(doc, path, type, map);
  }
  int ExportPoints(CQznDoc& doc, const std::string& path, int type, bool map) override {
    return qzn::ExportPoints(doc, path, type, map);
  }
};

}  // namespace qzn
