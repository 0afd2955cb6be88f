// All lines of a list in the vector text formats (ARC generate, DXF
// POLYLINE entities, XYZ, SDL) and the ARC generate reader. Coordinates go
// out as stored pixels (optionally mirrored while writing), through the
// control-point polynomial or through the triangulation; mapped coordinates
// are computed in double. Writing never changes the lines.
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "model/chain_internal.h"
#include "model/chainlist.h"
#include "model/chainlist_internal.h"
#include "model/layer.h"
#include "model/writerlinks.h"
#include "platform/services.h"
#include "platform/textfile.h"

namespace {

bool HasPolynomial(const double* cx, const double* cy, int type) { return cx && cy && (type == 3 || type == 4); }

// One vertex as it goes out: mapped (double, "%lf") or as stored ("%f").
struct VertexOut {
  double x = 0.0;
  double y = 0.0;
  bool mapped = false;
};

// The three mappings of the writers. A mapping that has no transform for a
// point fails the write.
class CVertexMapping {
 public:
  static CVertexMapping Pixels(const RECT* flip = nullptr) {
    CVertexMapping m;
    if (flip) {
      m.m_flip = true;
      m.m_axis = static_cast<float>(flip->top + flip->bottom);
    }
    return m;
  }
  static CVertexMapping Polynomial(const double* cx, const double* cy, int type) {
    CVertexMapping m;
    if (HasPolynomial(cx, cy, type)) {
      m.m_cx = cx;
      m.m_cy = cy;
      m.m_type = type;
    }
    return m;
  }
  static CVertexMapping Triangulation(const IMapTransform* t) {
    CVertexMapping m;
    m.m_tri = t;
    m.m_useTri = true;
    return m;
  }

  bool Map(const CFPoint& p, VertexOut& out) const {
    if (m_useTri) {
      out.mapped = true;
      return m_tri && m_tri->TransformPoint(p.x, p.y, out.x, out.y) != 0;
    }
    if (m_type) {
      out.mapped = true;
      return ApplyPolynomial(p.x, p.y, m_cx, m_cy, m_type, out.x, out.y);
    }
    out.mapped = false;
    out.x = p.x;
    out.y = m_flip ? static_cast<double>(m_axis - p.y) : static_cast<double>(p.y);
    return true;
  }

 private:
  const double* m_cx = nullptr;
  const double* m_cy = nullptr;
  int m_type = 0;
  const IMapTransform* m_tri = nullptr;
  bool m_useTri = false;
  bool m_flip = false;
  float m_axis = 0.0f;
};

// ---------------------------------------------------------------- generate

int WriteGenerateFile(const CChainList& list, const std::string& path, BOOL integerIDs, const CVertexMapping& map) {
  CTextFileWriter file;
  if (!file.Open(path)) return 0;
  CListProgress progress(list.GetCount());
  VertexOut v;
  for (const CChain* c : list) {
    progress.Item();
    if (!c || c->m_points.empty()) continue;
    if (integerIDs)
      file.Printf("%d\n", TruncInt(c->m_fID));
    else
      file.Printf("%f\n", static_cast<double>(c->m_fID));
    for (const CFPoint& p : c->m_points) {
      if (!map.Map(p, v)) {
        file.Abort();
        return 0;
      }
      file.Printf(v.mapped ? "%lf,%lf\n" : "%f,%f\n", v.x, v.y);
    }
    file.Write("END\n");
  }
  file.Write("END\n");
  return file.Close() ? 1 : 0;
}

// ---------------------------------------------------------------- DXF

int WriteDxfEntities(const CChainList& list, CTextFileWriter& file, const CVertexMapping& map, BOOL is3D,
                     const CLayerList* layers, const double* scale = nullptr) {
  CListProgress progress(list.GetCount());
  std::string layer;
  VertexOut v;
  for (const CChain* c : list) {
    progress.Item();
    if (!c) continue;
    if (layers)
      layers->GetLayerName(layer, c->m_nLayer);
    else
      layer = "默认值";
    const double z = c->m_fID;
    file.Printf("0\nPOLYLINE\n8\n%s\n", layer.c_str());
    file.Write("6\nCONTINUOUS\n66\n1\n");
    if (is3D) file.Printf("10\n0.0\n20\n0.0\n30\n%f\n", z);
    for (const CFPoint& p : c->m_points) {
      if (scale) {
        // Scale and offset, in double like every map coordinate.
        v.x = scale[2] + scale[0] * static_cast<double>(p.x);
        v.y = scale[3] + scale[1] * static_cast<double>(p.y);
      } else if (!map.Map(p, v)) {
        return 0;
      }
      file.Printf("0\nVERTEX\n8\n%s\n", layer.c_str());
      if (is3D)
        file.Printf("10\n%f\n20\n%f\n30\n%f\n", v.x, v.y, z);
      else
        file.Printf("10\n%f\n20\n%f\n", v.x, v.y);
    }
    file.Write("0\nSEQEND\n");
  }
  return 1;
}

// ---------------------------------------------------------------- SDL

int WriteSdlEntities(const CChainList& list, CTextFileWriter& file, const IAttributeLookup* attributes,
                     const CVertexMapping& map, bool separate) {
  CListProgress progress(list.GetCount());
  std::string first, second;
  VertexOut v;
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
    for (const CFPoint& p : c->m_points) {
      if (!map.Map(p, v)) return 0;
      file.Printf(v.mapped ? "%lf,%lf\n" : "%f,%f\n", v.x, v.y);
    }
  }
  return 1;
}

// ---------------------------------------------------------------- reading

void ReportUnreadable() { AfxMessageBox("读取线文件失败。", MB_OK | MB_ICONERROR); }

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
// kept) or a vertex has no transform (nothing is kept).
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
  std::vector<CChain*> lines;
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
      if (ScanC(line.c_str(), "%f", &scanned) == 1) id = scanned;
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
      lines.push_back(chain.release());
    }
  } catch (const std::bad_alloc&) {
    discard = true;
  }
  if (discard) {
    for (CChain* c : lines) delete c;
    return FALSE;
  }
  for (CChain* c : lines) list.AddTail(c);
  if (!lines.empty() || result) list.m_nModified = 1;
  return result;
}

}  // namespace

// ---------------------------------------------------------------- writers

int CChainList::WriteGenerate(const std::string& path, BOOL integerIDs, const double* cx, const double* cy, int type,
                              const RECT* flipExtent) const {
  if (HasPolynomial(cx, cy, type))
    return WriteGenerateFile(*this, path, integerIDs, CVertexMapping::Polynomial(cx, cy, type));
  return WriteGenerateFile(*this, path, integerIDs, CVertexMapping::Pixels(flipExtent));
}

int CChainList::WriteGenerateTri(const std::string& path, BOOL integerIDs, const IMapTransform* mapper) const {
  return WriteGenerateFile(*this, path, integerIDs, CVertexMapping::Triangulation(mapper));
}

int CChainList::WriteDxf(CTextFileWriter& file, float scaleX, float scaleY, float offsetX, float offsetY, BOOL is3D,
                         const CLayerList* layers) const {
  const double scale[4] = {scaleX, scaleY, offsetX, offsetY};
  return WriteDxfEntities(*this, file, CVertexMapping::Pixels(), is3D, layers, scale);
}

int CChainList::WriteDxfGeo(CTextFileWriter& file, const double* cx, const double* cy, int type, BOOL is3D,
                            const CLayerList* layers) const {
  return WriteDxfEntities(*this, file, CVertexMapping::Polynomial(cx, cy, type), is3D, layers);
}

int CChainList::WriteDxfTri(CTextFileWriter& file, const IMapTransform* mapper, BOOL is3D,
                            const CLayerList* layers) const {
  return WriteDxfEntities(*this, file, CVertexMapping::Triangulation(mapper), is3D, layers);
}

int CChainList::WriteLinesText(CTextFileWriter& file, const double* cx, const double* cy, int type) const {
  CListProgress progress(GetCount());
  const bool mapped = HasPolynomial(cx, cy, type);
  for (const CChain* c : *this) {
    progress.Item();
    if (!c) continue;
    if (mapped)
      c->WriteTextGeo(file, cx, cy, type, 4);
    else
      c->WriteText(file, 4);
  }
  return 1;
}

int CChainList::WriteXyz(CTextFileWriter& file, const IMapTransform* mapper) const {
  CListProgress progress(GetCount());
  const CVertexMapping map = CVertexMapping::Triangulation(mapper);
  VertexOut v;
  for (const CChain* c : *this) {
    progress.Item();
    if (!c) continue;
    for (const CFPoint& p : c->m_points) {
      if (!map.Map(p, v)) return 0;
      file.Printf("%lf %lf %f\n", v.x, v.y, static_cast<double>(c->m_fID));
    }
  }
  return 1;
}

int CChainList::WriteSdl(CTextFileWriter& file, const IAttributeLookup* attributes, const double* cx, const double* cy,
                         int type) const {
  return WriteSdlEntities(*this, file, attributes, CVertexMapping::Polynomial(cx, cy, type), false);
}

int CChainList::WriteSdlTri(CTextFileWriter& file, const IAttributeLookup* attributes,
                            const IMapTransform* mapper) const {
  return WriteSdlEntities(*this, file, attributes, CVertexMapping::Triangulation(mapper), true);
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
  const bool mapped = HasPolynomial(cx, cy, type);
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
