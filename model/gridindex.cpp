#include "model/gridindex.h"

#include <limits>

namespace qzn {

CRectGrid::CRectGrid(const RECT& extent, std::int64_t cell, std::size_t items) {
  m_left = std::min(extent.left, extent.right);
  m_top = std::min(extent.top, extent.bottom);
  const std::int64_t w = std::max<std::int64_t>(1, static_cast<std::int64_t>(extent.right) - extent.left + 1);
  const std::int64_t h = std::max<std::int64_t>(1, static_cast<std::int64_t>(extent.bottom) - extent.top + 1);
  m_cell = std::max<std::int64_t>(1, cell);
  const std::int64_t maxCells = std::max<std::int64_t>(1024, 4 * static_cast<std::int64_t>(items));
  for (;;) {
    const std::int64_t nx = w / m_cell + 1, ny = h / m_cell + 1;
    if (nx * ny <= maxCells || m_cell > std::numeric_limits<std::int64_t>::max() / 4) {
      m_nx = static_cast<int>(nx);
      m_ny = static_cast<int>(ny);
      break;
    }
    m_cell *= 2;
  }
  m_cells.resize(static_cast<std::size_t>(m_nx) * m_ny);
  m_seen.assign(items, 0u);
}

void CRectGrid::Insert(int item, const RECT& r) {
  const int x0 = CellX(std::min(r.left, r.right)), x1 = CellX(std::max(r.left, r.right));
  const int y0 = CellY(std::min(r.top, r.bottom)), y1 = CellY(std::max(r.top, r.bottom));
  for (int cy = y0; cy <= y1; ++cy)
    for (int cx = x0; cx <= x1; ++cx) m_cells[Index(cx, cy)].push_back(item);
}

void CRectGrid::Remove(int item, const RECT& r) {
  const int x0 = CellX(std::min(r.left, r.right)), x1 = CellX(std::max(r.left, r.right));
  const int y0 = CellY(std::min(r.top, r.bottom)), y1 = CellY(std::max(r.top, r.bottom));
  for (int cy = y0; cy <= y1; ++cy)
    for (int cx = x0; cx <= x1; ++cx) {
      std::vector<int>& cell = m_cells[Index(cx, cy)];
      const auto at = std::find(cell.begin(), cell.end(), item);
      if (at != cell.end()) cell.erase(at);
    }
}

void CRectGrid::Grow(int item, const RECT& old, const RECT& grown) {
  const int ox0 = CellX(std::min(old.left, old.right)), ox1 = CellX(std::max(old.left, old.right));
  const int oy0 = CellY(std::min(old.top, old.bottom)), oy1 = CellY(std::max(old.top, old.bottom));
  const int x0 = CellX(std::min(grown.left, grown.right)), x1 = CellX(std::max(grown.left, grown.right));
  const int y0 = CellY(std::min(grown.top, grown.bottom)), y1 = CellY(std::max(grown.top, grown.bottom));
  for (int cy = y0; cy <= y1; ++cy)
    for (int cx = x0; cx <= x1; ++cx)
      if (cx < ox0 || cx > ox1 || cy < oy0 || cy > oy1) m_cells[Index(cx, cy)].push_back(item);
}

RECT BoundingRect(const std::vector<RECT>& rects) {
  if (rects.empty()) return RECT{};
  RECT b{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
         std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min()};
  for (const RECT& r : rects) {
    b.left = std::min({b.left, r.left, r.right});
    b.top = std::min({b.top, r.top, r.bottom});
    b.right = std::max({b.right, r.left, r.right});
    b.bottom = std::max({b.bottom, r.top, r.bottom});
  }
  return b;
}

}  // namespace qzn
