// All lines of a list in the vector text formats (ARC generate, DXF
// POLYLINE entities, XYZ, SDL) and the ARC generate reader. Coordinates go
// out through the export's map transform (pixels, pixels flipped or scaled,
// the control-point polynomial or the triangulation), computed in double.
// Writing never changes the lines.
#include <cmath>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "model/chain_internal.h"
#include "model/chainlist.h"
#include "model/chainlist_internal.h"
#include "model/layer.h"
#include "model/maptransform.h"
#include "model/writerlinks.h"
#include "platform/host.h"
#include "platform/numfmt.h"
#include "platform/textfile.h"
#include "resources/messages_model.h"

namespace qzn {

namespace {

using qzn::MapTransform;

// Text is gathered in large pieces and written a piece at a time.
void FlushWhenLarge(CTextFileWriter& file, std::string& text) {
  if (text.size() < (std::size_t{1} << 16)) return;
  file.Write(text);
  text.clear();
}

// ---------------------------------------------------------------- generate

int WriteGenerateFile(const CChainList& list, const std::string& path, BOOL integerIDs, const MapTransform& map) {
  CTextFileWriter file;
  if (!file.Open(path)) return 0;
  CListProgress progress(list.GetCount());
  double X = 0.0, Y = 0.0;
  std::string text;
  for (const CChain* c : list) {
    progress.Item();
    if (!c || c->m_points.empty()) continue;
    if (integerIDs)
      AppendInt(text, TruncInt(c->m_fID));
    else
      AppendFixed(text, static_cast<double>(c->m_fID));
    text += '\n';
    for (const CFPoint& p : c->m_points) {
      if (!map.Map(p, X, Y)) {
        file.Abort();
        return 0;
      }
      AppendFixed(text, X);
      text += ',';
      AppendFixed(text, Y);
      text += '\n';
    }
    text += "END\n";
    FlushWhenLarge(file, text);
  }
  text += "END\n";
  file.Write(text);
  return file.Close() ? 1 : 0;
}

// ---------------------------------------------------------------- DXF

// The entities of every line; the caller writes the header and the trailer.
int WriteDxfEntities(const CChainList& list, CTextFileWriter& file, const MapTransform& map, BOOL is3D,
                     const CLayerList* layers) {
  CListProgress progress(list.GetCount());
  std::string layer, text;
  double X = 0.0, Y = 0.0;
  for (const CChain* c : list) {
    progress.Item();
    if (!c) continue;
    if (layers)
      layers->GetLayerName(layer, c->m_nLayer);
    else
      layer = res::text::kDefaultLayerName;
    const double z = c->m_fID;
    AppendFormat(text, "0\nPOLYLINE\n8\n%s\n", layer.c_str());
    text += "6\nCONTINUOUS\n66\n1\n";
    if (is3D) {
      text += "10\n0.0\n20\n0.0\n30\n";
      AppendFixed(text, z);
      text += '\n';
    }
    for (const CFPoint& p : c->m_points) {
      if (!map.Map(p, X, Y)) return 0;
      text += "0\nVERTEX\n8\n";
      text += layer;
      text += "\n10\n";
      AppendFixed(text, X);
      text += "\n20\n";
      AppendFixed(text, Y);
      text += '\n';
      if (is3D) {
        text += "30\n";
        AppendFixed(text, z);
        text += '\n';
      }
    }
    text += "0\nSEQEND\n";
    FlushWhenLarge(file, text);
  }
  file.Write(text);
  return 1;
}

// ---------------------------------------------------------------- SDL

int WriteSdlEntities(const CChainList& list, CTextFileWriter& file, const IAttributeLookup* attributes,
                     const MapTransform& map) {
  // Records written through the triangulation have always been separated by
  // a blank line (readers skip it); the other forms follow each other.
  const bool separate = map.GetKind() == MapTransform::Kind::triangulation;
  CListProgress progress(list.GetCount());
  std::string first, second;
  double X = 0.0, Y = 0.0;
  bool any = false;
  for (const CChain* c : list) {
    progress.Item();
    if (!c) continue;
    if (separate && any) file.Write("\n");
    any = true;
    const long id = TruncInt(c->m_fID);
    const int count = static_cast<int>(c->GetCount());
    const char kind = c->IsClosed(0) ? 'P' : 'L';
    if (attributes && attributes->FindTexts(static_cast<int>(id), first, second))
      file.Printf("%c, \"%s\", \"%ld\", \"%s\", %d\n", kind, first.c_str(), id, second.c_str(), count);
    else
      file.Printf("%c, \"%s %ld\", \"%ld\", %d\n", kind, kind == 'P' ? "Polygon" : "Polyline", id, id, count);
    std::string text;
    text.reserve(c->m_points.size() * 24);
    for (const CFPoint& p : c->m_points) {
      if (!map.Map(p, X, Y)) return 0;
      AppendFixed(text, X);
      text += ',';
      AppendFixed(text, Y);
      text += '\n';
    }
    file.Write(text);
  }
  return 1;
}

// ---------------------------------------------------------------- reading

void ReportUnreadable() { AfxMessageBox(res::text::kLineFileUnreadable, MB_OK | MB_ICONERROR); }

// The separator of the whole file: a comma in its second line.
std::optional<bool> CommaSeparated(const std::string& path) {
  CTextFileReader file;
  if (!file.Open(path)) return std::nullopt;
  std::string line;
  file.ReadLine(line);
  if (!file.ReadLine(line)) return false;
  return line.find(',') != std::string::npos;
}

// Reads ARC generate lines, mapping every vertex, and appends them. TRUE at
// the closing "END"; FALSE when the file ends early (the complete lines are
// kept), or a vertex has no transform or an ID is not finite (nothing is
// kept).
template <class Map>
BOOL ReadGenerateMapped(CChainList& list, const std::string& path, Map map) {
  const std::optional<bool> comma = CommaSeparated(path);
  CTextFileReader file;
  if (!comma || !file.Open(path)) {
    ReportUnreadable();
    return FALSE;
  }
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  CStatusProgress progress;
  progress.SetRange(0, ec ? 0 : static_cast<std::int64_t>(size / 20));
  std::int64_t consumed = 0;
  std::string line;
  auto next = [&]() {
    if (!file.ReadLine(line)) return false;
    consumed += static_cast<std::int64_t>(line.size()) + 2;
    progress.SetPos(consumed / 20);
    return true;
  };
  const char* fmt = *comma ? "%lf,%lf" : "%lf%lf";
  COwningList<CChain> lines;
  BOOL result = FALSE;
  bool discard = false;
  float id = 0.0f;
  try {
    for (;;) {
      if (!next()) break;  // no closing "END"
      if (line == "END") {
        result = TRUE;
        break;
      }
      float scanned;
      if (ScanC(line.c_str(), "%f", &scanned) == 1) {
        // "nan", or a number beyond the float range (1e39), is no ID: the
        // file is refused as for a coordinate that is no pixel.
        if (!std::isfinite(scanned)) {
          discard = true;
          break;
        }
        id = scanned;
      }
      if (!next()) break;
      auto chain = std::make_unique<CChain>(list.m_nCurrentWidth, id, list.m_idColors.GetColor(TruncInt(id)));
      bool complete = false;
      for (;;) {
        if (line == "END") {
          complete = true;
          break;
        }
        double x = 0.0, y = 0.0;
        if (ScanC(line.c_str(), fmt, &x, &y) == 2) {
          if (!map(x, y)) {
            discard = true;
            break;
          }
          chain->AddPoint(static_cast<float>(x), static_cast<float>(y));
        }
        if (!next()) break;
      }
      if (discard || !complete) break;
      chain->CalcBounds();
      lines.Adopt(chain.release());
    }
  } catch (const std::bad_alloc&) {
    discard = true;
  }
  if (discard) return FALSE;  // what was read goes with lines
  const bool any = !lines.IsEmpty();
  list.AdoptAll(lines);
  if (any || result) list.m_nModified = 1;
  return result;
}

}  // namespace

// ---------------------------------------------------------------- writers

int CChainList::WriteGenerate(const std::string& path, BOOL integerIDs, const MapTransform& map) const {
  return WriteGenerateFile(*this, path, integerIDs, map);
}

int CChainList::WriteDxf(CTextFileWriter& file, const MapTransform& map, BOOL is3D, const CLayerList* layers) const {
  return WriteDxfEntities(*this, file, map, is3D, layers);
}

int CChainList::WriteXyz(CTextFileWriter& file, const MapTransform& map) const {
  CListProgress progress(GetCount());
  for (const CChain* c : *this) {
    progress.Item();
    if (c && !c->WriteText(file, 4, map)) return 0;
  }
  return 1;
}

int CChainList::WriteSdl(CTextFileWriter& file, const IAttributeLookup* attributes, const MapTransform& map) const {
  return WriteSdlEntities(*this, file, attributes, map);
}

// ---------------------------------------------------------------- readers

BOOL CChainList::ReadLineFile(const std::string& path) {
  const std::optional<bool> comma = CommaSeparated(path);
  CTextFileReader file;
  if (!comma || !file.Open(path)) {
    ReportUnreadable();
    return FALSE;
  }
  for (;;) {
    CChain* c = NewChain();
    if (!c) break;
    if (!c->ReadGenerate(file, *comma ? 1 : 0)) {
      // The closing "END" or the end of the file: a line left empty goes, a
      // line cut short by the end of the file keeps what it got.
      if (c->m_points.empty())
        DeleteChain(c);
      else
        c->CalcBounds();
      break;
    }
  }
  return TRUE;
}

BOOL CChainList::ReadLineFileGeo(const std::string& path, const double* cx, const double* cy, int type) {
  const bool mapped = cx && cy && (type == 3 || type == 4);
  return ReadGenerateMapped(*this, path, [&](double& x, double& y) {
    if (!mapped) return true;
    double X, Y;
    ApplyPolynomial(x, y, cx, cy, type, X, Y);
    x = X;
    y = Y;
    return true;
  });
}

BOOL CChainList::ReadLineFileTri(const std::string& path, const IMapTransform* mapper) {
  return ReadGenerateMapped(*this, path, [&](double& x, double& y) {
    double X, Y;
    if (!mapper || !mapper->TransformPoint(x, y, X, Y)) return false;
    x = X;
    y = Y;
    return true;
  });
}

}  // namespace qzn
