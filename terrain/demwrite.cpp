// The builder's two writers: the ESRI ASCII grid (text, CR LF line ends) and
// the USGS DEM (1024-byte records of fixed-width fields, no line breaks).
// Both write a temporary file that replaces the target only when everything
// was written.
#include <cmath>
#include <ctime>
#include <string>

#include "platform/atomicfile.h"
#include "platform/numfmt.h"
#include "platform/textfile.h"
#include "terrain/filetexts.h"
#include "terrain/dembuilder.h"

namespace qzn {

namespace {

constexpr std::size_t kRecordSize = 1024;
constexpr std::size_t kNameSize = 144;
constexpr int kFirstRecordHeights = 146;
constexpr int kRecordHeights = 170;

// The name in the Chinese code page, at most kNameSize bytes, never ending
// inside a two-byte character.
std::string DemName(const std::string& utf8) {
  const std::string gbk = Utf8ToGbk(utf8);
  std::size_t end = 0;
  while (end < gbk.size()) {
    const auto lead = static_cast<unsigned char>(gbk[end]);
    const std::size_t len = lead >= 0x81 && end + 1 < gbk.size() ? 2 : 1;
    if (end + len > kNameSize) break;
    end += len;
  }
  return gbk.substr(0, end);
}

// Fixed-width fields appended to a record. A value too wide for its field
// fails the record instead of shifting every later field.
class CFieldWriter {
 public:
  explicit CFieldWriter(std::string& out) : m_out(out) {}

  // printf of one value (C locale) into exactly width characters, right
  // aligned as the format pads it.
  template <class T>
  void Field(std::size_t width, const char* format, T value) {
    const std::string s = FormatC(format, value);
    if (s.size() > width) {
      if (m_ok) m_bad = s;
      m_ok = false;
      return;
    }
    m_out.append(width - s.size(), ' ');
    m_out += s;
  }
  void Text(std::string_view s) { m_out += s; }
  void Blanks(std::size_t n) { m_out.append(n, ' '); }
  // An integer in a right-aligned field of 6, without going through printf:
  // the elevations are most of a DEM.
  void Elevation(long long v) {
    std::string s;
    AppendInt(s, v);
    if (s.size() > 6) {
      if (m_ok) m_bad = s;
      m_ok = false;
      return;
    }
    m_out.append(6 - s.size(), ' ');
    m_out += s;
  }
  bool Ok() const { return m_ok; }
  const std::string& Bad() const { return m_bad; }

 private:
  std::string& m_out;
  bool m_ok = true;
  std::string m_bad;
};

int CurrentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

}  // namespace

int CDemBuilder::WriteAsciiGridFile() {
  if (m_path.empty()) return Fail(res::text::kNoOutputName);
  CTextFileWriter out;
  if (!out.Open(m_path)) return Fail(CannotCreateText(m_path));
  out.Printf("ncols         %d\n", m_header.columns);
  out.Printf("nrows         %d\n", m_header.rows);
  out.Printf("xllcorner     %.3f\n", static_cast<double>(m_header.lowerLeftX));
  out.Printf("yllcorner     %.3f\n", static_cast<double>(m_header.lowerLeftY));
  out.Printf("cellsize      %.3f\n", static_cast<double>(m_header.cellSize));
  out.Printf("NODATA_value  %.0f\n", static_cast<double>(m_header.noData));

  std::string line;
  for (int r = 0; r < m_nRows; ++r) {
    line.clear();
    for (int c = 0; c < m_nColumns; ++c) {
      float v = GetCell(c, r);
      if (std::isnan(v)) v = m_header.noData;
      if (!std::isfinite(v)) {
        out.Abort();
        return Fail(res::text::kGridValueOutOfRange);
      }
      AppendFixed(line, static_cast<double>(v), 3);
      line += ' ';
    }
    line += '\n';
    out.Write(line);
    if (out.Error()) break;
  }
  if (out.Error() || !out.Close()) return Fail(WriteErrorText(m_path));
  return 1;
}

int CDemBuilder::WriteUsgsDemFile() {
  if (m_path.empty()) return Fail(res::text::kNoOutputName);

  CDemSettings fallback;
  if (!m_settings) {
    // Without the dialog's record: the extent's corners, as the dialog
    // proposes them.
    fallback.cornerX[0] = fallback.cornerX[2] = static_cast<float>(m_left);
    fallback.cornerX[1] = fallback.cornerX[3] = static_cast<float>(m_right);
    fallback.cornerY[0] = fallback.cornerY[1] = static_cast<float>(m_top);
    fallback.cornerY[2] = fallback.cornerY[3] = static_cast<float>(m_bottom);
    fallback.resolution = static_cast<float>(m_nCellSize);
  }
  const CDemSettings& s = m_settings ? *m_settings : fallback;
  for (int i = 0; i < 4; ++i)
    if (!std::isfinite(s.cornerX[i]) || !std::isfinite(s.cornerY[i])) return Fail(res::text::kDemBadCorners);
  if (!std::isfinite(s.resolution)) return Fail(res::text::kDemBadResolution);
  const int year = CurrentYear();

  // ---- the type A record ----
  std::string rec;
  rec.reserve(kRecordSize);
  CFieldWriter f(rec);
  const std::string name = DemName(s.name);
  rec += name;
  rec.append(kNameSize - name.size(), ' ');
  f.Field(6, "%6d", 3);                                      // DEM level
  f.Field(6, "%6d", 1);                                      // elevation pattern: regular
  f.Field(6, "%6d", 0);                                      // planimetric reference system
  f.Field(6, "%6d", 0);                                      // zone
  for (int i = 0; i < 15; ++i) f.Field(24, "%24.14E", 0.0);  // projection parameters
  // Ground and elevation units: the file's plane coordinates are image
  // pixels, so the dialog's codes are not passed on (docs/terrain.md).
  f.Field(6, "%6d", 1);
  f.Field(6, "%6d", 1);
  f.Field(6, "%6d", 4);  // sides of the coverage polygon
  // The settings' corners are the extent's (the dialog proposes them so, in
  // image pixels, and a user who types map coordinates types them for the
  // same places). The grid's last column and row lie on or inside the
  // extent's right and bottom edges, and readers size the grid by the
  // corners: the corners written are those of the grid's first and last
  // columns and rows, at their places between the given ones.
  const double fx = m_right > m_left ? static_cast<double>(m_nColumns - 1) * m_nCellSize / (m_right - m_left) : 0.0;
  const double fy = m_bottom > m_top ? static_cast<double>(m_nRows - 1) * m_nCellSize / (m_bottom - m_top) : 0.0;
  auto at = [&](const float* v, double u, double w) {
    return (1 - u) * (1 - w) * v[0] + u * (1 - w) * v[1] + (1 - u) * w * v[2] + u * w * v[3];
  };
  const double gridCorner[4][2] = {{0.0, 0.0}, {fx, 0.0}, {0.0, fy}, {fx, fy}};
  for (int corner : {0, 1, 3, 2}) {
    f.Field(24, "%24.14E", at(s.cornerX, gridCorner[corner][0], gridCorner[corner][1]));
    f.Field(24, "%24.14E", at(s.cornerY, gridCorner[corner][0], gridCorner[corner][1]));
  }
  f.Field(24, "%24.14E", static_cast<double>(m_fMinimum));
  f.Field(24, "%24.14E", static_cast<double>(m_fMaximum));
  f.Field(24, "%24.14E", 0.0);  // rotation
  f.Field(6, "%6d", 0);         // accuracy code
  f.Field(12, "%12.5E", static_cast<double>(s.resolution));
  f.Field(12, "%12.5E", static_cast<double>(s.resolution));
  // Readers multiply every elevation by the z resolution: the elevations
  // are written as they are.
  f.Field(12, "%12.5E", 1.0);
  f.Field(6, "%6d", 1);           // rows of profiles
  f.Field(6, "%6d", m_nColumns);  // profiles
  f.Field(5, "%5d", 1);           // largest contour interval
  f.Text("0");
  f.Field(5, "%5d", 1);  // smallest contour interval
  f.Text("0");
  f.Field(4, "%4d", year);                           // data source year
  f.Field(4, "%4d", year);                           // revision year
  f.Text("I");                                       // inspection flag
  f.Text("2");                                       // validation flag
  f.Field(2, "%2d", 0);                              // suspect and void areas
  f.Field(2, "%2d", 1);                              // vertical datum
  f.Field(2, "%2d", 1);                              // horizontal datum
  f.Field(4, "%4d", 1);                              // data edition
  f.Field(4, "%4d", 0);                              // percentage of void
  for (int i = 0; i < 4; ++i) f.Field(2, "%2d", 1);  // edge match flags
  f.Field(7, "%7.1E", 0.0);                          // vertical datum shift
  if (!f.Ok() || rec.size() > kRecordSize) return Fail(FormatC(res::text::kDemHeaderFieldFormat, f.Bad().c_str()));
  rec.append(kRecordSize - rec.size(), ' ');

  CAtomicFile file;
  if (!file.Open(m_path)) return Fail(CannotCreateText(m_path));
  if (!file.Write(rec.data(), rec.size())) return Fail(WriteErrorText(m_path));

  // ---- one type B profile per column, west to east, south to north ----
  for (int c = 0; c < m_nColumns; ++c) {
    rec.clear();
    CFieldWriter p(rec);
    p.Field(6, "%6d", 1);
    p.Field(6, "%6d", c + 1);
    p.Field(6, "%6d", m_nRows);
    p.Field(6, "%6d", 1);
    for (int i = 0; i < 5; ++i) p.Field(24, "%24.14E", 0.0);
    int inRecord = 0;
    int capacity = kFirstRecordHeights;
    for (int r = m_nRows - 1; r >= 0; --r) {
      const float v = GetCell(c, r);
      // Truncated toward zero; the field holds -99999 to 999999.
      const bool fits = std::isnan(v) || (v > -100000.0f && v < 1000000.0f);
      if (fits) p.Elevation(std::isnan(v) ? kDemVoid : static_cast<long long>(v));
      if (!fits || !p.Ok()) {
        file.Abort();
        return Fail(FormatC(res::text::kDemElevationTooWideFormat, static_cast<double>(v)));
      }
      if (++inRecord == capacity) {
        p.Blanks(4);
        inRecord = 0;
        capacity = kRecordHeights;
      }
    }
    if (inRecord > 0) {
      p.Blanks(static_cast<std::size_t>(capacity - inRecord) * 6);
      p.Blanks(4);
    }
    if (!p.Ok()) {
      file.Abort();
      return Fail(res::text::kDemProfileHeaderTooWide);
    }
    if (!file.Write(rec.data(), rec.size())) return Fail(WriteErrorText(m_path));
  }
  if (!file.Commit()) return Fail(WriteErrorText(m_path));
  return 1;
}

}  // namespace qzn
