#include "model/lineindex.h"

CRectGrid MakeRectGrid(const std::vector<RECT>& rects) {
  std::vector<int> sides;
  sides.reserve(rects.size());
  for (const RECT& r : rects) sides.push_back(std::max(RectWidth(r), RectHeight(r)));  // saturated: far bounds
  int median = 16;
  if (!sides.empty()) {
    std::nth_element(sides.begin(), sides.begin() + static_cast<std::ptrdiff_t>(sides.size() / 2), sides.end());
    median = sides[sides.size() / 2];
  }
  CRectGrid grid(BoundingRect(rects), std::clamp<std::int64_t>(2 * std::int64_t{median}, 16, 1 << 20), rects.size());
  for (std::size_t i = 0; i < rects.size(); ++i)
    if (rects[i].left <= rects[i].right && rects[i].top <= rects[i].bottom) grid.Insert(static_cast<int>(i), rects[i]);
  return grid;
}

std::vector<int> QuerySorted(CRectGrid& grid, const RECT& r) {
  std::vector<int> ids;
  grid.Query(r, [&](int id) { ids.push_back(id); });
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::vector<std::int32_t> SpiralRanks(int t) {
  const int n = 2 * t + 1;
  std::vector<POINT> offsets;
  BuildSpiralOffsets(POINT{0, 0}, n, offsets);
  std::vector<std::int32_t> rank(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0);
  for (std::size_t i = 0; i < offsets.size(); ++i)
    rank[static_cast<std::size_t>(offsets[i].y + t) * static_cast<std::size_t>(n) +
         static_cast<std::size_t>(offsets[i].x + t)] = static_cast<std::int32_t>(i);
  return rank;
}
