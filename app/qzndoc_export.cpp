// The vector exports of the document: ARC generate lines written here (the
// command line's format), everything else through the installed writers.
#include <algorithm>
#include <string>
#include <vector>

#include "app/qzndoc.h"
#include "app/vectorexports.h"
#include "platform/parallel.h"
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
//
// Turning numbers into text is most of the work: the lines are made into
// text side by side, a round of pieces of consecutive lines at a time, and
// the pieces written in list order, so the file is the same whatever the
// threads and at most a round's text (some 64 KB a piece, four pieces a
// thread) is held at once. Each piece is made into the file's bytes (line
// ends) where it is made: it ends in a line end, so its bytes do not depend
// on the pieces before it.
int WriteGenerate(const std::string& path, const CChainList& lines, const MapTransform& map) {
  CTextFileWriter file;
  if (!file.Open(path)) return 0;
  // A piece is about 64 KB of text (some 32 bytes a vertex).
  constexpr std::int64_t kPieceVertices = 2048;
  const std::size_t pieces = 4 * static_cast<std::size_t>(WorkerThreads());
  std::vector<const CChain*> round;
  std::vector<std::size_t> starts;  // each piece's first line in round, then round's size
  std::vector<std::string> texts(pieces), bytes(pieces);
  std::vector<char> failed(pieces);
  for (POSITION pos = lines.GetHeadPosition(); pos;) {
    round.clear();
    starts.assign(1, 0);
    std::int64_t vertices = 0;
    while (pos && starts.size() <= pieces) {
      const CChain* line = lines.GetNext(pos);
      if (!line || line->GetCount() == 0) continue;
      round.push_back(line);
      vertices += line->GetCount();
      if (vertices >= kPieceVertices) {
        starts.push_back(round.size());
        vertices = 0;
      }
    }
    if (starts.back() != round.size()) starts.push_back(round.size());
    const std::size_t count = starts.size() - 1;
    ParallelFor(static_cast<std::int64_t>(count), [&](std::int64_t i) {
      std::string& text = texts[static_cast<std::size_t>(i)];
      text.clear();
      bool ok = true;
      for (std::size_t k = starts[static_cast<std::size_t>(i)]; k < starts[static_cast<std::size_t>(i) + 1] && ok;
           ++k) {
        ok = round[k]->AppendText(text, 0, map) != 0;
        text += '\n';
      }
      failed[static_cast<std::size_t>(i)] = !ok;
      std::string& out = bytes[static_cast<std::size_t>(i)];
      out.clear();
      if (ok) CTextFileWriter::Encode(text, out);
    });
    for (std::size_t i = 0; i < count; ++i) {
      if (failed[i]) {
        file.Abort();
        return 0;
      }
      file.WriteEncoded(bytes[i]);
    }
  }
  file.Write("END\n");
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
