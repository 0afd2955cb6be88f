// Index helpers of the operations over many lines: the rectangle grid and
// the column search of a table sorted by point key. They
// only narrow the candidates; every operation still applies its own exact
// test, so the results are those of comparing every pair.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "model/gridindex.h"
#include "model/helpers.h"
#include "platform/wintypes.h"

namespace qzn {

// A grid over the rectangles, item i being rects[i], with cells about twice
// the median rectangle side.
CRectGrid MakeRectGrid(const std::vector<RECT>& rects);
// The items of the grid sharing a cell with r, ascending.
std::vector<int> QuerySorted(CRectGrid& grid, const RECT& r);

// Calls f(index), ascending, for every entry of keys (sorted ascending by
// point key) whose point lies in the square |x - cx| <= t, |y - cy| <= t. The
// walk jumps by binary search over the runs of keys outside the square, so it
// costs a few searches per column that holds points, whatever t is.
template <class KeyOf, class F>
void ForEachKeyInSquare(std::int64_t count, KeyOf keyOf, int cx, int cy, int t, F&& f) {
  // Points have int coordinates: the square is cut to the int range, so the
  // keys neither overflow nor reach into the neighbouring columns.
  constexpr std::int64_t kMin = INT32_MIN, kMax = INT32_MAX;
  const std::int64_t x0 = std::max(kMin, static_cast<std::int64_t>(cx) - t);
  const std::int64_t x1 = std::min(kMax, static_cast<std::int64_t>(cx) + t);
  const std::int64_t y0 = std::max(kMin, static_cast<std::int64_t>(cy) - t);
  const std::int64_t y1 = std::min(kMax, static_cast<std::int64_t>(cy) + t);
  if (x0 > x1 || y0 > y1) return;
  auto lowerBound = [&](std::int64_t lo, std::int64_t key) {
    std::int64_t hi = count;
    while (lo < hi) {
      const std::int64_t mid = lo + (hi - lo) / 2;
      if (keyOf(mid) < key)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  };
  const std::int64_t lastKey = MakePointKey(static_cast<int>(x1), static_cast<int>(y1));
  std::int64_t i = lowerBound(0, MakePointKey(static_cast<int>(x0), static_cast<int>(y0)));
  while (i < count) {
    const std::int64_t key = keyOf(i);
    if (key > lastKey) break;
    // A key is x * 2^32 + y with y sign-extended.
    const std::int64_t y = static_cast<std::int32_t>(static_cast<std::uint32_t>(key & 0xFFFFFFFF));
    const std::int64_t x = (key - y) / (std::int64_t{1} << 32);
    if (y < y0) {
      i = lowerBound(i, MakePointKey(static_cast<int>(x), static_cast<int>(y0)));
    } else if (y > y1) {
      if (x >= x1) break;
      i = lowerBound(i, MakePointKey(static_cast<int>(x + 1), static_cast<int>(y0)));
    } else {
      f(i);
      ++i;
    }
  }
}

// The position of the offset (dx, dy) in the square-spiral order of
// BuildSpiralOffsets, computed rather than looked up so that any search
// distance costs no memory: ring r = max(|dx|, |dy|) starts at 4r(r-1) + 1,
// and its points come four at a time, one from each edge.
std::int64_t SpiralRank(std::int64_t dx, std::int64_t dy);

}  // namespace qzn
