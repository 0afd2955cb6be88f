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

// A grid over the rectangles, item i being rects[i], with cells about twice
// the median rectangle side.
CRectGrid MakeRectGrid(const std::vector<RECT>& rects);
// The items of the grid sharing a cell with r, ascending.
std::vector<int> QuerySorted(CRectGrid& grid, const RECT& r);

// Calls f(index) for every entry of keys (sorted ascending by point key)
// whose point lies in the square |x - cx| <= t, |y - cy| <= t: one binary
// search per column of the square instead of one per cell.
template <class KeyOf, class F>
void ForEachKeyInSquare(std::int64_t count, KeyOf keyOf, int cx, int cy, int t, F&& f) {
  // Points have int coordinates: the square is cut to the int range, so the
  // keys neither overflow nor reach into the neighbouring columns.
  constexpr std::int64_t kMin = INT32_MIN, kMax = INT32_MAX;
  const std::int64_t x0 = std::max(kMin, static_cast<std::int64_t>(cx) - t);
  const std::int64_t x1 = std::min(kMax, static_cast<std::int64_t>(cx) + t);
  const std::int64_t y0 = std::max(kMin, static_cast<std::int64_t>(cy) - t);
  const std::int64_t y1 = std::min(kMax, static_cast<std::int64_t>(cy) + t);
  for (std::int64_t x = x0; x <= x1; ++x) {
    const std::int64_t lowKey = MakePointKey(static_cast<int>(x), static_cast<int>(y0));
    const std::int64_t highKey = MakePointKey(static_cast<int>(x), static_cast<int>(y1));
    std::int64_t lo = 0, hi = count;
    while (lo < hi) {
      const std::int64_t mid = lo + (hi - lo) / 2;
      if (keyOf(mid) < lowKey)
        lo = mid + 1;
      else
        hi = mid;
    }
    for (std::int64_t i = lo; i < count && keyOf(i) <= highKey; ++i) f(i);
  }
}

// Rank of each offset of the (2t+1)^2 square in the square-spiral order of
// BuildSpiralOffsets: rank[(dy + t) * (2t + 1) + (dx + t)].
std::vector<std::int32_t> SpiralRanks(int t);
