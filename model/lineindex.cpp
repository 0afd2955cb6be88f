#include "model/lineindex.h"

namespace qzn {

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

std::int64_t SpiralRank(std::int64_t dx, std::int64_t dy) {
  const std::int64_t r = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
  if (r == 0) return 0;
  const std::int64_t first = 4 * r * (r - 1) + 1;
  // Edge walked from its starting corner: top rightwards, right downwards,
  // bottom leftwards, left upwards; k steps from that corner.
  if (dy == -r && dx < r) return first + 4 * (dx + r);
  if (dx == r && dy < r) return first + 4 * (dy + r) + 1;
  if (dy == r && dx > -r) return first + 4 * (r - dx) + 2;
  return first + 4 * (r - dy) + 3;
}

}  // namespace qzn
