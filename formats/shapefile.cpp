#include "formats/shapefile.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "formats/dbf.h"
#include "formats/exportcommon.h"
#include "model/chainlist.h"
#include "model/helpers.h"
#include "model/note.h"
#include "model/ptlist.h"
#include "platform/atomicfile.h"
#include "platform/textfile.h"

namespace qzn {

namespace {

constexpr int kIdWidth = 16;
constexpr int kAttrWidth = 50;

// ---- bytes ------------------------------------------------------------------

// Integers most significant byte first where the format says so (file code,
// lengths, record numbers); everything else little-endian.
class CBytes {
 public:
  void IntBE(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    const unsigned char b[4] = {static_cast<unsigned char>(u >> 24), static_cast<unsigned char>(u >> 16),
                                static_cast<unsigned char>(u >> 8), static_cast<unsigned char>(u)};
    m_bytes.insert(m_bytes.end(), b, b + 4);
  }
  void IntLE(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                                static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
    m_bytes.insert(m_bytes.end(), b, b + 4);
  }
  void Double(double v) {
    std::uint64_t u = 0;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) m_bytes.push_back(static_cast<unsigned char>(u >> (8 * i)));
  }
  void Zeros(std::size_t n) { m_bytes.insert(m_bytes.end(), n, 0); }
  bool WriteTo(CAtomicFile& file) {
    const bool ok = file.Write(m_bytes.data(), m_bytes.size());
    m_bytes.clear();
    return ok;
  }

 private:
  std::vector<unsigned char> m_bytes;
};

// ---- one record's geometry ------------------------------------------------------

// The converted vertices of one shape and their box. A line that cannot make
// the shape (fewer than two vertices for a polyline; for a polygon, fewer
// than three distinct vertices or no area) is a null shape, so that its row
// in the table keeps its place.
struct Shape {
  int type = CShapeFile::kNull;
  std::vector<double> xy;
  CBounds box;
  // Content length in 16-bit words (without the 8-byte record header).
  std::int32_t ContentWords() const {
    if (type == CShapeFile::kNull) return 2;
    if (type == CShapeFile::kPoint) return 10;
    return static_cast<std::int32_t>(24 + 8 * (xy.size() / 2));
  }
};

double SignedArea2(const std::vector<double>& xy) {
  const std::size_t n = xy.size() / 2;
  double sum = 0.0;
  for (std::size_t i = 0; i + 1 < n; ++i) sum += xy[2 * i] * xy[2 * i + 3] - xy[2 * i + 2] * xy[2 * i + 1];
  return sum;
}

bool LineShape(const CChain& c, const MapTransform& map, bool polygon, Shape& s) {
  s = Shape();
  s.xy.reserve(2 * c.m_points.size() + 2);
  for (const CFPoint& p : c.m_points) {
    double X = 0.0, Y = 0.0;
    if (!map.Map(p, X, Y)) return false;
    s.xy.push_back(X);
    s.xy.push_back(Y);
  }
  const std::size_t n = s.xy.size() / 2;
  if (!polygon) {
    if (n < 2) s.xy.clear();
    s.type = n < 2 ? CShapeFile::kNull : CShapeFile::kPolyline;
  } else {
    if (n >= 1 && (s.xy[0] != s.xy[2 * n - 2] || s.xy[1] != s.xy[2 * n - 1])) {
      s.xy.push_back(s.xy[0]);
      s.xy.push_back(s.xy[1]);
    }
    const double area2 = s.xy.size() >= 8 ? SignedArea2(s.xy) : 0.0;
    if (!(area2 != 0.0) || !std::isfinite(area2)) {
      s.xy.clear();
      s.type = CShapeFile::kNull;
    } else {
      // Outer rings go clockwise: a positive area is counter-clockwise.
      if (area2 > 0.0)
        for (std::size_t i = 0, j = s.xy.size() / 2 - 1; i < j; ++i, --j) {
          std::swap(s.xy[2 * i], s.xy[2 * j]);
          std::swap(s.xy[2 * i + 1], s.xy[2 * j + 1]);
        }
      s.type = CShapeFile::kPolygon;
    }
  }
  for (std::size_t i = 0; i + 1 < s.xy.size(); i += 2) s.box.Add(s.xy[i], s.xy[i + 1]);
  return true;
}

bool PointShape(double x, double y, const MapTransform& map, bool wholePixel, Shape& s) {
  s = Shape();
  double X = 0.0, Y = 0.0;
  const bool ok = wholePixel ? map.MapPixel(static_cast<int>(x), static_cast<int>(y), X, Y) : map.Map(x, y, X, Y);
  if (!ok) return false;
  s.type = CShapeFile::kPoint;
  s.xy = {X, Y};
  s.box.Add(X, Y);
  return true;
}

void WriteRecord(CBytes& out, std::int32_t number, const Shape& s) {
  out.IntBE(number);
  out.IntBE(s.ContentWords());
  out.IntLE(s.type);
  if (s.type == CShapeFile::kNull) return;
  if (s.type == CShapeFile::kPoint) {
    out.Double(s.xy[0]);
    out.Double(s.xy[1]);
    return;
  }
  out.Double(s.box.minX);
  out.Double(s.box.minY);
  out.Double(s.box.maxX);
  out.Double(s.box.maxY);
  out.IntLE(1);  // one part
  out.IntLE(static_cast<std::int32_t>(s.xy.size() / 2));
  out.IntLE(0);  // starting at the first point
  for (double v : s.xy) out.Double(v);
}

void WriteHeader(CBytes& out, std::int64_t lengthWords, int shapeType, const CBounds& box) {
  out.IntBE(9994);
  out.Zeros(20);
  out.IntBE(static_cast<std::int32_t>(lengthWords));
  out.IntLE(1000);
  out.IntLE(shapeType);
  out.Double(box.minX);
  out.Double(box.minY);
  out.Double(box.maxX);
  out.Double(box.maxY);
  out.Zeros(32);  // the Z and M ranges
}

// ---- the table ----------------------------------------------------------------

// The ID as the table stores it: "%15.3f" in 15 characters and a blank with
// decimal IDs, else the integer left-aligned. False when it does not fit.
bool IdField(double id, bool decimal, char* field) {
  std::memset(field, ' ', kIdWidth);
  char text[64];
  int n = 0;
  if (decimal) {
    if (!std::isfinite(id)) return false;
    n = std::snprintf(text, sizeof text, "%15.3f", id);
    if (n < 0 || n > kIdWidth - 1) return false;
  } else {
    int value = 0;
    if (!IntegerId(id, value)) return false;
    n = std::snprintf(text, sizeof text, "%d", value);
  }
  std::memcpy(field, text, static_cast<std::size_t>(n));
  return true;
}

// The texts of the table (the notes) are in code page 936, as every text
// file of the program. Readers learn it from the ".cpg" file beside the
// table ("936", what GDAL and QGIS look for first) and from the table's
// language driver byte (0x7A: PRC GBK, code page 936), so they show the
// texts right without being told.
constexpr long kLanguageByteAt = 29;
constexpr int kLanguageGbk = 0x7A;
constexpr char kCodePageFileText[] = "936";

// The table beside the shapefile, written under a temporary name and put in
// place only when complete.
class CShapeTable {
 public:
  ~CShapeTable() { Discard(); }

  bool Create(const std::string& target, bool notes, bool decimal) {
    m_target = target;
    static std::atomic<unsigned> counter{0};
    m_temp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    DbfField fields[2] = {};
    std::strcpy(fields[0].name, "ID");
    fields[0].type = decimal && !notes ? 'F' : notes ? 'F' : 'N';
    fields[0].width = kIdWidth;
    fields[0].decimals = decimal && !notes ? 3 : 0;
    std::strcpy(fields[1].name, "ATTR");
    fields[1].type = 'C';
    fields[1].width = kAttrWidth;
    m_table = DbfCreate(m_temp, notes ? 2 : 1, fields, 0);
    if (m_table < 0) return false;
    // Rows go out in batches rather than one write each.
    DbfSetBuffering(512, 2, 1);
    return true;
  }

  bool Append(const char* id, const std::string& attr, bool withAttr) {
    DbfSelect(m_table);
    char* record = DbfRecordBuffer();
    const int width = DbfRecordWidth();
    if (!record || width < 1 + kIdWidth) return false;
    std::memset(record, ' ', static_cast<std::size_t>(width));
    std::memcpy(record + 1, id, kIdWidth);
    if (withAttr) std::memcpy(record + 1 + kIdWidth, attr.data(), std::min<std::size_t>(attr.size(), kAttrWidth));
    return DbfWriteRecord(0) >= 0;
  }

  // Closes the table under its temporary name and marks it as held in code
  // page 936 (the table engine writes no language byte of its own).
  bool Close() {
    if (m_table < 0) return false;
    DbfSelect(m_table);
    m_table = -1;
    if (DbfClose() < 0) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(m_temp.c_str(), "r+b"), &std::fclose);
    return f && std::fseek(f.get(), kLanguageByteAt, SEEK_SET) == 0 &&
           std::fputc(kLanguageGbk, f.get()) == kLanguageGbk && std::fflush(f.get()) == 0;
  }

  bool PutInPlace() {
    std::error_code ec;
    std::filesystem::rename(m_temp, m_target, ec);
    if (ec) return false;
    m_temp.clear();
    return true;
  }

  void Discard() {
    if (m_table >= 0) {
      DbfSelect(m_table);
      DbfClose();
      m_table = -1;
    }
    if (!m_temp.empty()) {
      std::error_code ec;
      std::filesystem::remove(m_temp, ec);
      m_temp.clear();
    }
  }

 private:
  int m_table = -1;
  std::string m_target;
  std::string m_temp;
};

}  // namespace

CShapeFile::CShapeFile(const CChainList& lines, const RECT& extent, const MapTransform& map, bool polygons)
    : m_lines(&lines), m_extent(extent), m_map(map), m_shapeType(polygons ? kPolygon : kPolyline) {}

CShapeFile::CShapeFile(const CPtList& points, const RECT& extent, const MapTransform& map)
    : m_points(&points), m_extent(extent), m_map(map), m_shapeType(kPoint) {}

CShapeFile::CShapeFile(const CNoteList& notes, const RECT& extent, const MapTransform& map)
    : m_notes(&notes), m_extent(extent), m_map(map), m_shapeType(kPoint) {}

WriteResult CShapeFile::Write(const std::string& path, bool decimalIds) {
  if (path.empty()) return WriteResult::cannotCreate;
  const bool notes = m_notes != nullptr;

  // Every shape of the source in order, with its ID; `visit` gets each and
  // stops the walk by returning false.
  auto walk = [&](auto&& visit) {
    Shape s;
    if (m_lines) {
      for (const CChain* c : *m_lines)
        if (c && (!LineShape(*c, m_map, m_shapeType == kPolygon, s) || !visit(s, c->m_fID, nullptr))) return false;
    } else if (m_points) {
      for (const CPointRec* r : *m_points)
        if (!PointShape(r->x, r->y, m_map, false, s) || !visit(s, r->value, nullptr)) return false;
    } else {
      for (const CNote* n : *m_notes) {
        // The centre of the note's rectangle, in whole pixels.
        const int cx = static_cast<int>((static_cast<std::int64_t>(n->m_rect.left) + n->m_rect.right) / 2);
        const int cy = static_cast<int>((static_cast<std::int64_t>(n->m_rect.top) + n->m_rect.bottom) / 2);
        if (!PointShape(cx, cy, m_map, true, s) || !visit(s, 0.0, &n->m_strText)) return false;
      }
    }
    return true;
  };

  // First pass: every coordinate maps, every ID fits its field; the box and
  // the length of the main file.
  CBounds box;
  if (!box.AddCorners(m_map, m_extent)) return WriteResult::cannotMap;
  std::int64_t words = 50, records = 0;
  double badId = 0.0;
  bool idsFit = true;
  const bool mapped = walk([&](const Shape& s, double id, const std::string*) {
    char field[kIdWidth];
    if (!notes && !IdField(id, decimalIds, field)) {
      idsFit = false;
      badId = id;
      return false;
    }
    box.Add(s.box);
    words += 4 + s.ContentWords();
    ++records;
    return true;
  });
  if (!idsFit) {
    ReportIdOutOfRange(badId);
    return WriteResult::reported;
  }
  if (!mapped) return WriteResult::cannotMap;
  if (words > INT32_MAX) return WriteResult::failed;  // beyond what the header's length can say

  CAtomicFile shp, shx, cpg;
  CShapeTable table;
  if (!shp.Open(path) || !shx.Open(CompanionPath(path, "shx")) || !cpg.Open(CompanionPath(path, "cpg")))
    return WriteResult::cannotCreate;
  if (!table.Create(CompanionPath(path, "dbf"), notes, decimalIds)) return WriteResult::reported;

  CBytes bytes;
  WriteHeader(bytes, words, m_shapeType, box);
  bytes.WriteTo(shp);
  WriteHeader(bytes, 50 + 4 * records, m_shapeType, box);
  bytes.WriteTo(shx);

  std::int32_t number = 0;
  std::int64_t offset = 50;
  bool rows = true;
  walk([&](const Shape& s, double id, const std::string* text) {
    ++number;
    WriteRecord(bytes, number, s);
    bytes.WriteTo(shp);
    bytes.IntBE(static_cast<std::int32_t>(offset));
    bytes.IntBE(s.ContentWords());
    bytes.WriteTo(shx);
    offset += 4 + s.ContentWords();
    char field[kIdWidth];
    if (text) {
      std::memset(field, ' ', kIdWidth);
      const int n = std::snprintf(field, kIdWidth, "%d", number);
      field[n] = ' ';
      rows = table.Append(field, Utf8ToGbk(CutToStoredBytes(OneLineText(*text), kAttrWidth)), true);
    } else {
      IdField(id, decimalIds, field);
      rows = table.Append(field, std::string(), false);
    }
    return rows;
  });
  if (!rows) return WriteResult::reported;
  // Every file complete on disk before any replaces an old one; then the
  // companions, the main file last.
  if (!cpg.Write(kCodePageFileText, std::strlen(kCodePageFileText))) return WriteResult::failed;
  if (!shp.Finish() || !shx.Finish() || !cpg.Finish() || !table.Close()) return WriteResult::failed;
  if (!shx.Commit() || !cpg.Commit() || !table.PutInPlace()) return WriteResult::failed;
  return shp.Commit() ? WriteResult::ok : WriteResult::failed;
}

}  // namespace qzn
