// Reading a USGS DEM: the type A record's fields at their fixed widths, then
// one type B profile after another, each profile becoming one row of the
// grid (its elevations from the south end as the cells of the row). Large
// DEMs (500 or more profiles or elevations a profile) keep every fifth
// profile and every fifth elevation.
//
// Every count is checked against the file before anything is allocated, and
// a file that ends inside a profile is refused.
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "model/helpers.h"
#include "resources/messages_terrain.h"
#include "platform/textfile.h"
#include "terrain/filetexts.h"
#include "terrain/bytereader.h"
#include "terrain/opengldoc.h"

namespace qzn {

namespace {

constexpr int kVoid = -32767;
constexpr long long kFirstRecordHeights = 146;
constexpr long long kRecordHeights = 170;
constexpr int kThinFrom = 500;
constexpr int kThinStep = 5;

// The DEM's field readers, each reading from the current position.
class CDemFields {
 public:
  explicit CDemFields(CByteReader& in) : m_in(in) {}

  // A white-space delimited integer; the reader stops just after it.
  bool ReadIntToken(long long& v) {
    std::string t;
    return m_in.Token(t, 11) && ParseInt(t, v);
  }
  bool Skip(std::size_t width) { return m_in.Read(width, m_field); }
  // A field of width characters as an integer.
  bool ReadFixedInt(std::size_t width, long long& v) { return m_in.Read(width, m_field) && ParseInt(m_field, v); }
  // A field of width characters as a real, 0 when it holds no number (the
  // informative fields of some producers are blank); false only when the
  // file ends. A Fortran "D" exponent is read as "E": DEM producers write
  // both.
  bool ReadFixedReal(std::size_t width, double& v) {
    if (!m_in.Read(width, m_field)) return false;
    for (char& c : m_field)
      if (c == 'D' || c == 'd') c = 'E';
    if (!ParseDouble(m_field, v)) v = 0.0;
    return true;
  }
  // The same for an integer.
  bool ReadFixedIntOr0(std::size_t width, long long& v) {
    if (!m_in.Read(width, m_field)) return false;
    if (!ParseInt(m_field, v)) v = 0;
    return true;
  }
  const std::string& LastField() const { return m_field; }

 private:
  CByteReader& m_in;
  std::string m_field;
};

// Where a profile's elevations start and how many it holds.
struct CProfileSpan {
  std::int64_t start;
  long long count;  // m x n
};

// Bytes from the first elevation to the end of the k-th: 6 each, and 4
// blanks before the 147th and every 170 after it.
std::int64_t ElevationBytes(long long k) {
  const long long gaps = k > kFirstRecordHeights ? 1 + (k - kFirstRecordHeights - 1) / kRecordHeights : 0;
  return 6 * static_cast<std::int64_t>(k) + 4 * static_cast<std::int64_t>(gaps);
}

}  // namespace

bool ReadUsgsDemFile(const std::string& path, CElevationGrid& grid, CGridReadStatus& status) {
  std::string& error = status.error;
  CByteReader in;
  if (!in.Open(path)) {
    error = CannotOpenText(path);
    return false;
  }
  CDemFields f(in);
  auto fail = [&](const std::string& text) {
    error = in.Error() ? res::text::kDemReadError : text;
    return false;
  };
  const std::string shortHeader = res::text::kDemHeaderIncomplete;

  // ---- type A record ----
  std::string name;
  if (!in.Read(144, name)) return fail(shortHeader);
  while (!name.empty() && IsBlank(static_cast<unsigned char>(name.back()))) name.pop_back();
  name = GbkToUtf8(name);
  long long groundUnits = 0, elevationUnits = 0, ignored = 0;
  double cornerX[4], cornerY[4], minimum = 0, maximum = 0;
  bool ok = f.Skip(4 * 6) && f.Skip(15 * 24) && f.ReadFixedIntOr0(6, groundUnits) &&
            f.ReadFixedIntOr0(6, elevationUnits) && f.Skip(6);
  for (int i = 0; ok && i < 4; ++i) ok = f.ReadFixedReal(24, cornerX[i]) && f.ReadFixedReal(24, cornerY[i]);
  ok = ok && f.ReadFixedReal(24, minimum) && f.ReadFixedReal(24, maximum);
  if (!ok) return fail(shortHeader);
  // The grid keeps its corner as floats: corners beyond the float range
  // are damage, refused before the header is shown.
  for (int i = 0; i < 4; ++i)
    if (!FitsFloat(cornerX[i]) || !FitsFloat(cornerY[i])) return fail(res::text::kDemBadCorners);

  // The header for the user, whether the profiles then read or not; handed
  // out once the grid it describes is known to fit (below), so a header
  // whose own values are damage gives one message, the refusal.
  std::string info = FormatC(res::text::kDemInfoHeadFormat, name.c_str(), static_cast<int>(groundUnits),
                 static_cast<int>(elevationUnits));
  for (int i = 0; i < 4; ++i) info += FormatC(res::text::kDemInfoCornerFormat, cornerY[i], cornerX[i]);
  info += FormatC(res::text::kDemInfoRangeFormat, minimum, maximum);

  double resolutionX = 0;
  long long profiles = 0;
  ok = f.Skip(24) && f.Skip(6) && f.ReadFixedReal(12, resolutionX) && f.Skip(12) && f.Skip(12) && f.Skip(6);
  if (!ok) return fail(shortHeader);
  // A resolution of 0 leaves the spacing to the corners; any other must be
  // a positive float.
  if (resolutionX != 0.0 && !(FitsFloat(resolutionX) && static_cast<float>(resolutionX) > 0.0f))
    return fail(res::text::kDemBadResolution);
  if (!f.ReadFixedInt(6, profiles) || profiles < 1) return fail(res::text::kDemBadProfileCount);
  for (int width : {5, 1, 5, 1, 4, 4, 1, 1, 2, 2, 2, 4, 4, 2, 2, 2, 2, 7})
    if (!f.Skip(static_cast<std::size_t>(width))) return fail(shortHeader);
  // Every profile takes at least a header of 144 bytes.
  if (profiles > in.Size() / 144) return fail(res::text::kDemShorterThanHeader);

  // ---- profile scan: where each profile's elevations lie, and the longest ----
  std::vector<CProfileSpan> spans;
  try {
    spans.resize(static_cast<std::size_t>(profiles));
  } catch (const std::bad_alloc&) {
    return fail(res::text::kDemNoMemory);
  }
  long long longest = 1;
  {
    CStatusProgress progress;
    progress.SetRange(0, profiles);
    progress.SetStep(1);
    for (long long p = 0; p < profiles; ++p) {
      progress.StepIt();
      long long m = 0, n = 0;
      ok = f.ReadIntToken(ignored) && f.Skip(6) && f.ReadFixedInt(6, m) && f.ReadFixedInt(6, n) && f.Skip(5 * 24);
      if (!ok) return fail(FormatC(res::text::kDemProfileHeaderFormat, p + 1));
      if (m < 1 || n < 1 || m > in.Size() / 6 || n > in.Size() / 6 / m)
        return fail(FormatC(res::text::kDemBadElevationCountFormat, p + 1));
      const long long count = m * n;
      const std::int64_t start = in.Tell();
      if (start + ElevationBytes(count) > in.Size()) return fail(FormatC(res::text::kDemEndsInProfileFormat, p + 1));
      spans[static_cast<std::size_t>(p)] = CProfileSpan{start, count};
      longest = std::max(longest, m);
      // The profile's records: the first holds 146 elevations after its
      // header, each further one 170.
      const std::int64_t next = start + ((count + 23) / kRecordHeights) * 1024 + 880;
      if (p + 1 < profiles && !in.Seek(next)) return fail(FormatC(res::text::kDemEndsBeforeProfileFormat, p + 2));
    }
  }

  // ---- the grid ----
  // Profiles run south to north and follow each other west to east, so
  // each is a column of the grid and its first elevation the bottom row, as
  // every GIS reads the format and as our writer puts a grid into it.
  const bool thinned = profiles >= kThinFrom || longest >= kThinFrom;
  const long long columns = thinned ? (profiles + kThinStep - 1) / kThinStep : profiles;
  const long long rows = thinned ? (longest + kThinStep - 1) / kThinStep : longest;
  // Profiles of very different lengths could make the grid far larger than
  // the elevations the file holds; a grid is allowed one cell per byte.
  if (rows * columns > in.Size()) return fail(res::text::kDemProfilesUneven);

  double cellSize;
  if (resolutionX == 0.0) {
    // The spacing of the profiles from the first and fourth corners.
    const long long steps = thinned ? (profiles - 1) / kThinStep : profiles - 1;
    cellSize = steps > 0 ? std::fabs(cornerX[0] - cornerX[3]) / static_cast<double>(steps) : 0.0;
  } else {
    cellSize = thinned ? kThinStep * resolutionX : resolutionX;
  }
  // One profile or equal corners: no spacing can be told, and the view and
  // the exports need a positive one.
  if (cellSize == 0.0) cellSize = 1.0;
  if (!FitsFloat(cellSize) || !(static_cast<float>(cellSize) > 0.0f)) return fail(res::text::kDemBadResolution);
  // The far corner the cells reach is a float too, as the grid reader
  // holds it: corners and spacing that each fit but together reach past
  // the float range would give the view and the model exports infinite
  // coordinates.
  const double farX = static_cast<double>(static_cast<float>(cornerX[3])) + static_cast<double>(columns) * cellSize;
  const double farY = static_cast<double>(static_cast<float>(cornerY[3])) + static_cast<double>(rows) * cellSize;
  if (!FitsFloat(farX) || !FitsFloat(farY)) return fail(res::text::kDemBadResolution);
  status.info = std::move(info);

  CElevationGrid g;
  g.columns = static_cast<int>(columns);
  g.rows = static_cast<int>(rows);
  g.cellSize = static_cast<float>(cellSize);
  g.lowerLeftX = static_cast<float>(cornerX[3]);
  g.lowerLeftY = static_cast<float>(cornerY[3]);
  g.noData = static_cast<float>(kVoid);
  try {
    g.heights.assign(static_cast<std::size_t>(rows * columns), 0.0f);
    g.missing.assign(static_cast<std::size_t>(rows * columns), 1);
  } catch (const std::bad_alloc&) {
    return fail(res::text::kDemNoMemory);
  }

  // ---- profile read ----
  CStatusProgress progress;
  progress.SetRange(0, profiles);
  progress.SetStep(1);
  for (long long p = 0; p < profiles; ++p) {
    progress.StepIt();
    const CProfileSpan& span = spans[static_cast<std::size_t>(p)];
    if (!in.Seek(span.start)) return fail(res::text::kDemReadError);
    const bool keepProfile = !thinned || p % kThinStep == 0;
    const long long count = std::min(span.count, longest);
    for (long long i = 0; i < count; ++i) {
      if (i >= kFirstRecordHeights && (i - kFirstRecordHeights) % kRecordHeights == 0 && !f.Skip(4))
        return fail(FormatC(res::text::kDemEndsInProfileFormat, p + 1));
      long long v = 0;
      if (!f.ReadFixedInt(6, v)) return fail(FormatC(res::text::kDemBadElevationFormat, p + 1, f.LastField().c_str()));
      if (!keepProfile || (thinned && i % kThinStep != 0)) continue;
      const long long column = thinned ? p / kThinStep : p;
      const long long rowFromSouth = thinned ? i / kThinStep : i;
      const std::size_t k = static_cast<std::size_t>((rows - 1 - rowFromSouth) * columns + column);
      if (v == kVoid) continue;  // stays missing
      g.heights[k] = static_cast<float>(v);
      g.missing[k] = 0;
    }
  }
  grid = std::move(g);
  return true;
}

}  // namespace qzn
