// The vector exports as the document reaches them. The writers of the
// exchange formats live in the formats library, which is built on top of the
// application library; main (and the window, and tests) install them here.
// Without them the document still writes ARC generate text, the format of
// the command line, and every other format fails.
#pragma once

#include <string>

namespace qzn {

class CQznDoc;

// The formats of the batch exports (ExportLines, ExportPoints), by the type
// number the batch run and the command line pass.
enum BatchExportType : int {
  kExportGenerate = 0,  // ARC generate text (points: the point file)
  kExportDxf = 1,
  kExportMif = 2,    // MapInfo MIF/MID
  kExportShape = 3,  // ArcView shapefile
  kExportXyz = 4,
};

class IVectorExports {
 public:
  virtual ~IVectorExports() = default;
  // The export command of the view: the format chosen by the file's
  // extension (VectorFileType), with its options. 1 on success and after
  // Cancel, 0 after a failure already reported.
  virtual int SaveVectorFile(CQznDoc& doc, const std::string& path, int typeCode) = 0;
  // The batch exports, without dialogs, of a BatchExportType; in image pixels
  // or, with map set, in map coordinates. 1 on success, 0 on failure (also
  // for a type outside BatchExportType).
  virtual int ExportLines(CQznDoc& doc, const std::string& path, int type, bool map) = 0;
  virtual int ExportPoints(CQznDoc& doc, const std::string& path, int type, bool map) = 0;
};

// The installed exports (not owned); null when none. Set returns the previous
// ones.
IVectorExports* VectorExports();
IVectorExports* SetVectorExports(IVectorExports* exports);

}  // namespace qzn
