// Reading an ESRI ASCII grid: a header of keyword and value pairs (in any
// order and case; NODATA_value may be left out), then ncols x nrows values
// row by row from the top, separated by any white space.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

#include "model/helpers.h"
#include "platform/textfile.h"
#include "resources/messages_terrain.h"
#include "terrain/filetexts.h"
#include "terrain/bytereader.h"
#include "terrain/opengldoc.h"

namespace qzn {

namespace {

constexpr std::size_t kMaxToken = 256;
// A value within this of NODATA counts as NODATA.
constexpr double kNoDataTolerance = 0.0001;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool StartsHeaderKeyword(int c) { return std::isalpha(c) != 0 || c == '_'; }

}  // namespace

bool ReadAsciiGridFile(const std::string& path, CElevationGrid& grid, CGridReadStatus& status) {
  std::string& error = status.error;
  CByteReader in;
  if (!in.Open(path)) {
    error = CannotOpenText(path);
    return false;
  }

  // ---- header ----
  long long columns = -1, rows = -1;
  double x = 0, y = 0, cellSize = 0, noData = 0;
  bool haveX = false, haveY = false, xCentre = false, yCentre = false, haveCell = false, haveNoData = false;
  std::string key, value;
  for (;;) {
    while (in.Peek() >= 0 && IsBlank(in.Peek())) in.Get();
    if (!StartsHeaderKeyword(in.Peek())) break;
    if (!in.Token(key, kMaxToken) || !in.Token(value, kMaxToken)) {
      error = res::text::kGridHeaderIncomplete;
      return false;
    }
    key = Lower(key);
    bool ok;
    bool repeated = false;
    if (key == "ncols") {
      repeated = columns >= 0;
      ok = ParseInt(value, columns);
    } else if (key == "nrows") {
      repeated = rows >= 0;
      ok = ParseInt(value, rows);
    } else if (key == "xllcorner" || key == "xllcenter") {
      repeated = haveX;
      ok = haveX = ParseDouble(value, x);
      xCentre = key == "xllcenter";
    } else if (key == "yllcorner" || key == "yllcenter") {
      repeated = haveY;
      ok = haveY = ParseDouble(value, y);
      yCentre = key == "yllcenter";
    } else if (key == "cellsize") {
      repeated = haveCell;
      ok = haveCell = ParseDouble(value, cellSize);
    } else if (key == "nodata_value") {
      repeated = haveNoData;
      ok = haveNoData = ParseDouble(value, noData);
    } else {
      error = FormatC(res::text::kGridUnknownKeywordFormat, key.c_str());
      return false;
    }
    if (!ok || repeated) {
      error = FormatC(res::text::kGridBadHeaderValueFormat, key.c_str());
      return false;
    }
  }
  if (columns < 0 || rows < 0 || !haveX || !haveY || !haveCell) {
    error = res::text::kGridHeaderMissing;
    return false;
  }
  constexpr long long kIntMax = std::numeric_limits<int>::max();
  // The grid keeps its header as floats: a cell size that is not a positive
  // float (1e39 becomes infinite, 1e-50 becomes 0) has no spacing to draw.
  const float cell = static_cast<float>(cellSize);
  if (columns < 1 || rows < 1 || columns > kIntMax || rows > kIntMax || !std::isfinite(cell) || !(cell > 0.0f)) {
    error = res::text::kGridBadSize;
    return false;
  }
  // The corners, and the far corner the cells reach, are floats too.
  const double left = xCentre ? x - cellSize / 2 : x, bottom = yCentre ? y - cellSize / 2 : y;
  const char* xKey = xCentre ? "xllcenter" : "xllcorner";
  const char* yKey = yCentre ? "yllcenter" : "yllcorner";
  for (const auto& [name, value] :
       {std::pair{xKey, left}, std::pair{yKey, bottom}, std::pair{xKey, left + static_cast<double>(columns) * cellSize},
        std::pair{yKey, bottom + static_cast<double>(rows) * cellSize}})
    if (!FitsFloat(value)) {
      error = FormatC(res::text::kGridBadHeaderValueFormat, name);
      return false;
    }
  if (haveNoData && !FitsFloat(noData)) {
    error = FormatC(res::text::kGridBadHeaderValueFormat, "nodata_value");
    return false;
  }
  // Every value takes at least one character and one separator: a header
  // promising more than the file can hold is refused before allocating.
  const long long cells = columns * rows;
  if (cells > (in.Left() + 1) / 2) {
    error = res::text::kGridShorterThanHeader;
    return false;
  }

  CElevationGrid g;
  g.columns = static_cast<int>(columns);
  g.rows = static_cast<int>(rows);
  g.cellSize = cell;
  g.lowerLeftX = static_cast<float>(left);
  g.lowerLeftY = static_cast<float>(bottom);
  g.noData = haveNoData ? static_cast<float>(noData) : -9999.0f;
  try {
    g.heights.resize(static_cast<std::size_t>(cells));
    g.missing.assign(static_cast<std::size_t>(cells), 0);
  } catch (const std::bad_alloc&) {
    error = res::text::kGridReadNoMemory;
    return false;
  }

  CStatusProgress progress;
  progress.SetRange(0, rows / 10);
  progress.SetStep(1);
  std::size_t k = 0;
  for (long long r = 0; r < rows; ++r) {
    if (r % 10 == 9) progress.StepIt();
    for (long long c = 0; c < columns; ++c, ++k) {
      double v;
      if (!in.Token(value, kMaxToken)) {
        error = in.Error() ? res::text::kGridReadError : res::text::kGridTooFewValues;
        return false;
      }
      if (!ParseDouble(value, v)) {
        error = FormatC(res::text::kGridBadValueFormat, value.c_str());
        return false;
      }
      if (haveNoData && std::fabs(v - noData) < kNoDataTolerance) {
        g.heights[k] = g.noData;
        g.missing[k] = 1;
        continue;
      }
      const float f = static_cast<float>(v);
      if (!std::isfinite(f)) {
        error = FormatC(res::text::kGridValueBeyondFormat, value.c_str());
        return false;
      }
      g.heights[k] = f;
    }
  }
  grid = std::move(g);
  return true;
}

}  // namespace qzn
