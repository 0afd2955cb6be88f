// A uniform grid over integer rectangles (or points) for the neighbour
// searches of the text blocks, the annotations, the points and the line ends. Items are numbered by the
// caller (their list order), so a search that must let the earliest item win
// collects candidates here and decides by number itself. A rectangle is
// entered in every cell its closed extent touches; coordinates outside the
// grid fall into the border cells, so nothing is ever missed, only visited
// as a candidate more often.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/wintypes.h"

namespace qzn {

class CRectGrid {
 public:
  // extent: where most items lie; cell: the wanted side of a cell (grown
  // when the grid would get more than about four cells per item).
  CRectGrid(const RECT& extent, std::int64_t cell, std::size_t items);

  void Insert(int item, const RECT& r);
  // Takes the item out of the cells r (as it was inserted) touches.
  void Remove(int item, const RECT& r);
  // The item's rectangle grew from old to grown (grown holds old): enters it
  // in the cells it reaches now and did not before.
  void Grow(int item, const RECT& old, const RECT& grown);

  // Calls visit(item) once for each item entered in a cell that the closed
  // extent of r touches (removed or moved items too: the caller checks).
  template <class F>
  void Query(const RECT& r, F&& visit) {
    if (++m_stamp == 0) {
      std::fill(m_seen.begin(), m_seen.end(), 0u);
      m_stamp = 1;
    }
    const int x0 = CellX(r.left), x1 = CellX(r.right), y0 = CellY(r.top), y1 = CellY(r.bottom);
    for (int cy = y0; cy <= y1; ++cy)
      for (int cx = x0; cx <= x1; ++cx)
        for (int item : m_cells[Index(cx, cy)]) {
          if (static_cast<std::size_t>(item) >= m_seen.size()) m_seen.resize(item + 1, 0u);
          if (m_seen[item] == m_stamp) continue;
          m_seen[item] = m_stamp;
          visit(item);
        }
  }

  // Squares of growing size around (x, y): calls visit(item) for the items
  // of each ring of cells until done(reach) says the best found so far is
  // nearer than reach, the smallest distance an unvisited item can have.
  template <class F, class D>
  void Around(std::int64_t x, std::int64_t y, F&& visit, D&& done) {
    if (++m_stamp == 0) {
      std::fill(m_seen.begin(), m_seen.end(), 0u);
      m_stamp = 1;
    }
    const int cx = CellX(x), cy = CellY(y);
    const int rings = std::max(m_nx, m_ny);
    for (int k = 0; k <= rings; ++k) {
      for (int gy = cy - k; gy <= cy + k; ++gy) {
        if (gy < 0 || gy >= m_ny) continue;
        const bool edgeRow = gy == cy - k || gy == cy + k;
        for (int gx = cx - k; gx <= cx + k; gx += (edgeRow || k == 0) ? 1 : 2 * k) {
          if (gx < 0 || gx >= m_nx) continue;
          for (int item : m_cells[Index(gx, gy)]) {
            if (static_cast<std::size_t>(item) >= m_seen.size()) m_seen.resize(item + 1, 0u);
            if (m_seen[item] == m_stamp) continue;
            m_seen[item] = m_stamp;
            visit(item);
          }
        }
      }
      // Cells beyond ring k lie at least k cells away from the query
      // point's own cell, i.e. farther than k * cell - (the point's offset
      // in its cell) >= k * cell - cell.
      if (done(static_cast<std::int64_t>(k) * m_cell)) return;
    }
  }

 private:
  int CellX(std::int64_t x) const {
    return x <= m_left ? 0 : static_cast<int>(std::min<std::int64_t>((x - m_left) / m_cell, m_nx - 1));
  }
  int CellY(std::int64_t y) const {
    return y <= m_top ? 0 : static_cast<int>(std::min<std::int64_t>((y - m_top) / m_cell, m_ny - 1));
  }
  std::size_t Index(int cx, int cy) const { return static_cast<std::size_t>(cy) * m_nx + cx; }

  std::int64_t m_left = 0, m_top = 0, m_cell = 1;
  int m_nx = 1, m_ny = 1;
  std::vector<std::vector<int>> m_cells;
  std::vector<std::uint32_t> m_seen;
  std::uint32_t m_stamp = 0;
};

// The smallest rectangle holding all the given ones (all zeros for none).
RECT BoundingRect(const std::vector<RECT>& rects);

}  // namespace qzn
