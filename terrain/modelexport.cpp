// 3D model export of the document's grid: a closed solid of the surface,
// four side walls down to a base 40 units below the lowest point and a
// bottom, as DXF 3DFACE entities, binary STL or VRML 2.0; or the surface
// points alone as XYZ text.
//
// Model coordinates are those of the 3D view: the grid's centre at the
// origin, x along columns, z along rows, y the height above the lowest point
// times the export height scale.
//
// One triangle list serves the three solid formats. Every triangle faces
// outward (counter-clockwise seen from outside: the surface up, the walls
// away from the grid, the bottom down), and the bottom runs through every
// base point of the walls, so each edge of the solid joins exactly two
// triangles.
#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "model/helpers.h"
#include "platform/atomicfile.h"
#include "platform/host.h"
#include "resources/messages_terrain.h"
#include "platform/numfmt.h"
#include "platform/textfile.h"
#include "terrain/filetexts.h"
#include "terrain/colorramp.h"
#include "terrain/opengldoc.h"

namespace qzn {

namespace {

constexpr float kBaseY = -40.0f;

// A corner of the solid: the surface point of grid column c and row r, or
// the base point under it.
struct CMeshVertex {
  int c;
  int r;
  bool base;
};

enum class MeshPart { surface, leftWall, rightWall, frontWall, backWall, bottom };

// The bottom of the solid is the grid's rectangle with every edge point of
// the walls on its border. It is cut by the diagonal from the front-left to
// the back-right corner into two triangles with points along two sides each;
// each is filled by zipping its two sides from the diagonal to the corner
// they share, so no triangle has its three points on one side.
template <class Emit>
void ZipBottomHalf(int na, int nb, const auto& a, const auto& b, CMeshVertex apex, Emit&& emit) {
  auto down = [&](CMeshVertex p, CMeshVertex q, CMeshVertex s) {
    // y of (q - p) x (s - p) with x along c and z along r: below 0 faces down.
    const long long cross =
        static_cast<long long>(q.r - p.r) * (s.c - p.c) - static_cast<long long>(q.c - p.c) * (s.r - p.r);
    if (cross > 0) std::swap(q, s);
    emit(MeshPart::bottom, 0, 0, p, q, s);
  };
  int i = 0, j = 0;
  while (i < na || j < nb) {
    // Keep both sides advancing at about the same rate.
    const bool stepA =
        j == nb || (i < na && static_cast<long long>(i + 1) * (nb + 1) <= static_cast<long long>(j + 1) * (na + 1));
    if (stepA) {
      down(a(i), a(i + 1), b(j));
      ++i;
    } else {
      down(a(i), b(j), b(j + 1));
      ++j;
    }
  }
  down(a(na), b(nb), apex);
}

// Every triangle of the solid of a grid of columns x rows (both at least 2):
// emit(part, cell column, cell row, v0, v1, v2).
template <class Emit>
void ForEachTriangle(int columns, int rows, Emit&& emit) {
  const int lc = columns - 1, lr = rows - 1;
  auto S = [](int c, int r) { return CMeshVertex{c, r, false}; };
  auto B = [](int c, int r) { return CMeshVertex{c, r, true}; };
  // Surface, row by row: corners A (c, r), B (c + 1, r), C (c + 1, r + 1),
  // D (c, r + 1) as (A, C, B) and (A, D, C).
  for (int r = 0; r < lr; ++r)
    for (int c = 0; c < lc; ++c) {
      emit(MeshPart::surface, c, r, S(c, r), S(c + 1, r + 1), S(c + 1, r));
      emit(MeshPart::surface, c, r, S(c, r), S(c, r + 1), S(c + 1, r + 1));
    }
  for (int r = 0; r < lr; ++r) {
    emit(MeshPart::leftWall, 0, r, B(0, r), B(0, r + 1), S(0, r));
    emit(MeshPart::leftWall, 0, r, S(0, r), B(0, r + 1), S(0, r + 1));
  }
  for (int r = 0; r < lr; ++r) {
    emit(MeshPart::rightWall, lc, r, S(lc, r), B(lc, r + 1), B(lc, r));
    emit(MeshPart::rightWall, lc, r, S(lc, r + 1), B(lc, r + 1), S(lc, r));
  }
  for (int c = 0; c < lc; ++c) {
    emit(MeshPart::frontWall, c, 0, S(c, 0), B(c + 1, 0), B(c, 0));
    emit(MeshPart::frontWall, c, 0, S(c + 1, 0), B(c + 1, 0), S(c, 0));
  }
  for (int c = 0; c < lc; ++c) {
    emit(MeshPart::backWall, c, lr, B(c, lr), B(c + 1, lr), S(c, lr));
    emit(MeshPart::backWall, c, lr, S(c, lr), B(c + 1, lr), S(c + 1, lr));
  }
  // Front edge towards the front-right corner with the right edge from the
  // back; back edge towards the back-left corner with the left edge from the
  // front.
  ZipBottomHalf(
      lc - 1, lr - 1, [&](int i) { return B(i, 0); }, [&](int j) { return B(lc, lr - j); }, B(lc, 0), emit);
  ZipBottomHalf(
      lc - 1, lr - 1, [&](int i) { return B(lc - i, lr); }, [&](int j) { return B(0, j); }, B(0, lr), emit);
}

std::uint64_t CountTriangles(int columns, int rows) {
  std::uint64_t n = 0;
  ForEachTriangle(columns, rows, [&](MeshPart, int, int, CMeshVertex, CMeshVertex, CMeshVertex) { ++n; });
  return n;
}

// The model position of a corner.
class CModelFrame {
 public:
  explicit CModelFrame(const COpenGLDoc& doc)
      : m_doc(doc),
        m_cell(doc.m_fCellSize > 0.0f && std::isfinite(doc.m_fCellSize) ? doc.m_fCellSize : 1.0f),
        m_scale(doc.m_fExportScale > 0.0f && std::isfinite(doc.m_fExportScale) ? doc.m_fExportScale : 1.0f) {}
  float X(int c) const { return static_cast<float>(c - m_doc.m_nColumns / 2) * m_cell; }
  float Z(int r) const { return static_cast<float>(r - m_doc.m_nRows / 2) * m_cell; }
  float Y(int c, int r) const { return m_doc.GetHeight(c, r) * m_scale; }
  void At(const CMeshVertex& v, float out[3]) const {
    out[0] = X(v.c);
    out[1] = v.base ? kBaseY : Y(v.c, v.r);
    out[2] = Z(v.r);
  }
  float Cell() const { return m_cell; }

 private:
  const COpenGLDoc& m_doc;
  float m_cell;
  float m_scale;
};

// "%f %f %f".
void AppendTriple(std::string& out, double a, double b, double c) {
  AppendFixed(out, a);
  out += ' ';
  AppendFixed(out, b);
  out += ' ';
  AppendFixed(out, c);
}

void PutFloat(std::string& out, float v) {
  const auto bits = std::bit_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

void PutUint32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// UTF-8 text with CR LF line ends through a file written in full or not at
// all (the VRML file says it is UTF-8; the other text exports are ASCII).
class CUtf8Output {
 public:
  bool Open(const std::string& path) { return m_file.Open(path); }
  std::string& Buffer() { return m_text; }
  // Sends the buffer (its '\n' as CR LF) once it has grown.
  void Flush(bool force = false) {
    if (!force && m_text.size() < 65536) return;
    std::string out;
    out.reserve(m_text.size() + m_text.size() / 8);
    for (char ch : m_text) {
      if (ch == '\n') out.push_back('\r');
      out.push_back(ch);
    }
    m_text.clear();
    if (!m_file.Failed()) m_file.Write(out.data(), out.size());
  }
  bool Commit() {
    Flush(true);
    return !m_file.Failed() && m_file.Commit();
  }

 private:
  CAtomicFile m_file;
  std::string m_text;
};

}  // namespace

int COpenGLDoc::ExportModel(const std::string& path) const {
  CFilePath file(path);
  std::string ext = Upper(file.GetExtPart());
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  if (ext == "XYZ") return ExportXyz(path);
  if (ext == "WRL") return ExportVrml(path);
  if (ext == "STL") return ExportStl(path);
  return ExportDxf(path);
}

int COpenGLDoc::ExportDxf(const std::string& path) const {
  if (m_nColumns < 2 || m_nRows < 2) return Fail(res::text::kNoGridToExport, false);
  CTextFileWriter out;
  if (!out.Open(path)) return Fail(CannotCreateText(path), false);
  out.Write("0\nSECTION\n2\nHEADER\n");
  out.Write("9\n$ACADVER\n1\nAC1003\n");
  out.Write("0\n");
  out.Write("ENDSEC\n");
  out.Write("0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n");
  out.Printf("70\n%d\n", 1);
  out.Write("0\nLAYER\n");
  out.Printf("2\n%s\n", "DEM");
  out.Write("70\n64\n");
  out.Printf("62\n%d\n", 1);
  out.Write("6\nCONTINUOUS\n");
  out.Write("0\nENDTAB\n0\nENDSEC\n");
  out.Write("0\nSECTION\n2\nENTITIES\n");

  const CModelFrame frame(*this);
  std::string faces;
  ForEachTriangle(m_nColumns, m_nRows, [&](MeshPart, int, int, CMeshVertex a, CMeshVertex b, CMeshVertex c) {
    if (out.Error()) return;
    faces += "0\n3DFACE\n8\nDEM\n62\n1\n";
    // A triangle repeats its third corner as the fourth. Each corner is
    // "%d\n %f\n %d\n  %f\n %d\n %f\n" with the group codes 1k, 2k, 3k.
    const CMeshVertex corners[4] = {a, b, c, c};
    for (int k = 0; k < 4; ++k) {
      float p[3];
      frame.At(corners[k], p);
      const char digit = static_cast<char>('0' + k);
      faces += {'1', digit, '\n', ' '};
      AppendFixed(faces, p[0]);
      faces += {'\n', '2', digit, '\n', ' ', ' '};
      AppendFixed(faces, p[1]);
      faces += {'\n', '3', digit, '\n', ' '};
      AppendFixed(faces, p[2]);
      faces += '\n';
    }
    if (faces.size() >= (1 << 16)) {
      out.Write(faces);
      faces.clear();
    }
  });
  out.Write(faces);
  out.Write("0\nENDSEC\n");
  out.Write("0\n");
  out.Write("EOF\n");
  if (out.Error() || !out.Close()) return Fail(WriteErrorText(path), false);
  return 1;
}

int COpenGLDoc::ExportStl(const std::string& path) const {
  if (m_nColumns < 2 || m_nRows < 2) return Fail(res::text::kNoGridToExport, false);
  const std::uint64_t facets = CountTriangles(m_nColumns, m_nRows);
  if (facets > std::numeric_limits<std::uint32_t>::max()) return Fail(res::text::kStlTooManyFacets, false);
  CAtomicFile file;
  if (!file.Open(path)) return Fail(res::text::kStlOpenError, true);

  const CModelFrame frame(*this);
  const float cell = frame.Cell();
  std::string out;
  out.reserve(1 << 16);
  out.append("solid QZN 3D", 12);
  out.push_back('\0');
  out.append(48 - out.size(), ' ');
  for (float v : {0.0f, static_cast<float>(m_nColumns) * cell, 0.0f, static_cast<float>(m_nRows) * cell, -1000.0f,
                  10000.0f, cell, cell})
    PutFloat(out, v);
  PutUint32(out, static_cast<std::uint32_t>(facets));

  ForEachTriangle(m_nColumns, m_nRows, [&](MeshPart, int, int, CMeshVertex a, CMeshVertex b, CMeshVertex c) {
    for (int k = 0; k < 3; ++k) PutFloat(out, 0.0f);  // normal: readers compute it from the corners
    for (const CMeshVertex& v : {a, b, c}) {
      float p[3];
      frame.At(v, p);
      for (float x : p) PutFloat(out, x);
    }
    out.push_back('\0');
    out.push_back('\0');
    if (out.size() >= (1 << 16)) {
      file.Write(out.data(), out.size());
      out.clear();
    }
  });
  file.Write(out.data(), out.size());
  if (file.Failed() || !file.Commit()) return Fail(WriteErrorText(path), false);
  return 1;
}

int COpenGLDoc::ExportVrml(const std::string& path) const {
  if (m_nColumns < 2 || m_nRows < 2) return Fail(res::text::kNoGridToExport, false);
  CUtf8Output out;
  if (!out.Open(path)) return Fail(CannotCreateText(path), false);
  const CModelFrame frame(*this);
  const std::int64_t C = m_nColumns, R = m_nRows;
  // Points: four per surface cell (A, B, C, D; not shared, so each cell
  // has its own colours), then base and surface point pairs along the left,
  // right, front and back edges.
  const std::int64_t surfacePoints = 4 * (C - 1) * (R - 1);
  const std::int64_t left = surfacePoints, right = left + 2 * R, front = right + 2 * R, back = front + 2 * C;
  const std::int64_t pointCount = back + 2 * C;

  std::string& t = out.Buffer();
  t += "#VRML V2.0 utf8\n";
  t += res::text::kVrmlMadeBy;
  t += '\n';
  t += res::text::kVrmlObjectStart;
  t += '\n';
  t += "Shape {\n";
  t += "\t\tappearance Appearance {\n";
  t += "\t\t\tmaterial Material {\n";
  t += "\t\t\tdiffuseColor 1.000000 0.600000 0.000000\n";
  t += "\t\t\tspecularColor 1.000000 0.600000 0.000000\n";
  t += "\t\t}\n\t}\n";
  t += "\tgeometry IndexedFaceSet {\n";
  t += "\t\tcolorPerVertex TRUE\n";
  t += "\t\tcoord Coordinate {\n";
  t += "\t\t\tpoint [ \n";

  std::int64_t written = 0;
  auto point = [&](const CMeshVertex& v) {
    float p[3];
    frame.At(v, p);
    t += "\t\t\t";
    AppendTriple(t, p[0], p[1], p[2]);
    t += ++written < pointCount ? ",\n" : "\n";
    out.Flush();
  };
  auto eachPoint = [&](auto&& f) {
    for (int r = 0; r + 1 < R; ++r)
      for (int c = 0; c + 1 < C; ++c)
        for (const CMeshVertex& v : {CMeshVertex{c, r, false}, CMeshVertex{c + 1, r, false},
                                     CMeshVertex{c + 1, r + 1, false}, CMeshVertex{c, r + 1, false}})
          f(v);
    for (int edgeC : {0, static_cast<int>(C - 1)})
      for (int r = 0; r < R; ++r) {
        f(CMeshVertex{edgeC, r, true});
        f(CMeshVertex{edgeC, r, false});
      }
    for (int edgeR : {0, static_cast<int>(R - 1)})
      for (int c = 0; c < C; ++c) {
        f(CMeshVertex{c, edgeR, true});
        f(CMeshVertex{c, edgeR, false});
      }
  };
  eachPoint(point);
  t += "\t\t\t]\n\t\t}\n";

  // Colours: the terrain ramp by height on the surface, grey elsewhere.
  t += "\t\tcolor Color {\n";
  t += "\t\t\tcolor [ \n";
  const std::vector<CRampColor> ramp = BuildColorRamp(256, RampType::terrain);
  std::int64_t coloured = 0;
  std::int64_t index = 0;
  eachPoint([&](const CMeshVertex& v) {
    t += "\t\t\t";
    if (index++ < surfacePoints) {
      const CRampColor& rgb = ramp[static_cast<std::size_t>(RampIndex(GetHeight(v.c, v.r), m_fHeightRange))];
      AppendTriple(t, rgb[0], rgb[1], rgb[2]);
    } else {
      t += "0.2 0.2 0.2";
    }
    t += ++coloured < pointCount ? ",\n" : "\n";
    out.Flush();
  });
  t += "\t\t\t]\n\t\t}\n";

  t += "\t\tcoordIndex [ ";
  auto wallPoint = [&](std::int64_t start, int along, bool base) { return start + 2 * along + (base ? 0 : 1); };
  ForEachTriangle(m_nColumns, m_nRows, [&](MeshPart part, int cc, int cr, CMeshVertex a, CMeshVertex b, CMeshVertex c) {
    auto id = [&](const CMeshVertex& v) -> std::int64_t {
      switch (part) {
        case MeshPart::surface:
          return 4 * (static_cast<std::int64_t>(cr) * (C - 1) + cc) + ((v.r - cr) ? (v.c - cc ? 2 : 3) : (v.c - cc));
        case MeshPart::leftWall: return wallPoint(left, v.r, v.base);
        case MeshPart::rightWall: return wallPoint(right, v.r, v.base);
        case MeshPart::frontWall: return wallPoint(front, v.c, v.base);
        case MeshPart::backWall: return wallPoint(back, v.c, v.base);
        case MeshPart::bottom: break;
      }
      if (v.c == 0) return wallPoint(left, v.r, true);
      if (v.c == C - 1) return wallPoint(right, v.r, true);
      return v.r == 0 ? wallPoint(front, v.c, true) : wallPoint(back, v.c, true);
    };
    AppendInt(t, id(a));
    t += ", ";
    AppendInt(t, id(b));
    t += ", ";
    AppendInt(t, id(c));
    t += ", -1\n\t\t\t\t";
    out.Flush();
  });
  t += "]\n}\n";
  t += "}\n";
  if (!out.Commit()) return Fail(WriteErrorText(path), false);
  return 1;
}

int COpenGLDoc::ExportXyz(const std::string& path) const {
  if (m_nColumns < 1 || m_nRows < 1) return Fail(res::text::kNoGridToExport, false);
  CTextFileWriter out;
  if (!out.Open(path)) return Fail(CannotCreateText(path), false);
  const CModelFrame frame(*this);
  std::string line;
  for (int r = 0; r < m_nRows && !out.Error(); ++r) {
    line.clear();
    for (int c = 0; c < m_nColumns; ++c) {
      AppendTriple(line, frame.X(c), frame.Y(c, r), frame.Z(r));
      line += '\n';
    }
    out.Write(line);
  }
  if (out.Error() || !out.Close()) return Fail(WriteErrorText(path), false);
  return 1;
}

}  // namespace qzn
