// The batch line export: every shown line, without a dialog, in image
// pixels or in map coordinates.
#include "app/qzndoc.h"
#include "platform/textfile.h"

namespace qzn {

namespace {

// ARC generate text: one block per line ending in "END", a blank-free "END"
// line closing the file. The per-line text ends with "END" and no line end;
// the separators between and after the lines are written here.
int WriteGenerate(const std::string& path, const CChainList& lines, const qzn::MapTransform& map) {
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

int CQznDoc::ExportLines(const std::string& path, int type) {
  if (type != 0) return 0;  // the other formats come with their writers
  return WriteGenerate(path, m_lines, qzn::MapTransform::Pixels());
}

int CQznDoc::ExportLinesGeo(const std::string& path, int type) {
  if (type != 0) return 0;
  double cx[4], cy[4];
  const int transform = GetMapTransform(cx, cy);
  if (!transform) return 0;
  return WriteGenerate(path, m_lines, qzn::MapTransform::Polynomial(cx, cy, transform));
}

}  // namespace qzn
