// The vector exports of the document: ARC generate lines written here (the
// command line's format), everything else through the installed writers.
#include "app/qzndoc.h"
#include "app/vectorexports.h"
#include "platform/textfile.h"

namespace qzn {
namespace {
IVectorExports* g_exports = nullptr;
}  // namespace

IVectorExports* VectorExports() { return g_exports; }

IVectorExports* SetVectorExports(IVectorExports* exports) {
  IVectorExports* previous = g_exports;
  g_exports = exports;
  return previous;
}

namespace {

// ARC generate text: one block per line ending in "END", a blank-free "END"
// line closing the file. The per-line text ends with "END" and no line end;
// the separators between and after the lines are written here.
int WriteGenerate(const std::string& path, const CChainList& lines, const MapTransform& map) {
  CTextFileWriter file;
  if (!file.Open(path)) return 0;
  bool first = true;
  for (POSITION pos = lines.GetHeadPosition(); pos;) {
    const CChain* line = lines.GetNext(pos);
    if (!line || line->GetCount() == 0) continue;
    if (!first) file.Write("\n");
    if (!line->WriteText(file, 0, map)) {
      file.Abort();
      return 0;
    }
    first = false;
  }
  file.Write(first ? "END\n" : "\nEND\n");
  if (file.Error()) {
    file.Abort();
    return 0;
  }
  return file.Close() ? 1 : 0;
}

}  // namespace

int CQznDoc::SaveVectorFile(const std::string& path, int typeCode) {
  IVectorExports* exports = VectorExports();
  return exports ? exports->SaveVectorFile(*this, path, typeCode) : 0;
}

int CQznDoc::ExportLines(const std::string& path, int type) {
  if (type == kExportGenerate) {
    if (!WriteGenerate(path, m_lines, MapTransform::Pixels())) return 0;
    m_paths[kPathVector] = path;
    return 1;
  }
  IVectorExports* exports = VectorExports();
  return exports ? exports->ExportLines(*this, path, type, false) : 0;
}

int CQznDoc::ExportLinesGeo(const std::string& path, int type) {
  if (type == kExportGenerate) {
    const MapTransform map = GetMapTransform();
    if (!map.IsGeoreferenced()) return 0;
    return WriteGenerate(path, m_lines, map);
  }
  IVectorExports* exports = VectorExports();
  return exports ? exports->ExportLines(*this, path, type, true) : 0;
}

int CQznDoc::ExportPointLayer(const std::string& path, int type) {
  IVectorExports* exports = VectorExports();
  return exports ? exports->ExportPoints(*this, path, type, false) : 0;
}

int CQznDoc::ExportPointLayerGeo(const std::string& path, int type) {
  IVectorExports* exports = VectorExports();
  return exports ? exports->ExportPoints(*this, path, type, true) : 0;
}

}  // namespace qzn
