// The table's layout: running sums of row heights and column widths, and the
// cells and positions on screen, checked against a walk over every row and
// column as the layout rules state it.
#include <gtest/gtest.h>

#include <random>

#include "gridtestkit.h"
#include "widgets/core/sizeindex.h"

using namespace qzntest;

namespace {

// The walks the index stands in for.
std::int64_t WalkStart(const std::vector<int>& s, int i) {
  std::int64_t sum = 0;
  for (int k = 0; k < i; ++k) sum += s[static_cast<std::size_t>(k)];
  return sum;
}
int WalkFindEnd(const std::vector<int>& s, int from, std::int64_t offset) {
  std::int64_t pos = 0;
  int i = from;
  for (; i < static_cast<int>(s.size()); ++i) {
    pos += s[static_cast<std::size_t>(i)];
    if (pos > offset) break;
  }
  return i;
}
int WalkStepWhileBelow(const std::vector<int>& s, int from, std::int64_t offset) {
  std::int64_t sum = 0;
  int i = from;
  while (sum < offset && i < static_cast<int>(s.size()) - 1) sum += s[static_cast<std::size_t>(i++)];
  return i;
}

}  // namespace

TEST(SizeIndex, AgreesWithTheWalkThroughChanges) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> size(0, 30), pick(0, 3);
  CSizeIndex index;
  std::vector<int> sizes;
  for (int round = 0; round < 200; ++round) {
    // Grow, shrink, set and erase, then ask every question at random places.
    switch (pick(rng)) {
      case 0: {
        const int n = static_cast<int>(sizes.size()) + size(rng);
        const int s = size(rng);
        index.Resize(n, s);
        sizes.resize(static_cast<std::size_t>(n), s);
        break;
      }
      case 1:
        if (!sizes.empty()) {
          const int n = std::uniform_int_distribution<int>(0, static_cast<int>(sizes.size()))(rng);
          index.Resize(n, 0);
          sizes.resize(static_cast<std::size_t>(n));
        }
        break;
      case 2:
        if (!sizes.empty()) {
          const int i = std::uniform_int_distribution<int>(0, static_cast<int>(sizes.size()) - 1)(rng);
          const int s = size(rng);
          index.Set(i, s);
          sizes[static_cast<std::size_t>(i)] = s;
        }
        break;
      default:
        if (!sizes.empty()) {
          const int i = std::uniform_int_distribution<int>(0, static_cast<int>(sizes.size()) - 1)(rng);
          index.Erase(i);
          sizes.erase(sizes.begin() + i);
        }
        break;
    }
    ASSERT_EQ(index.Count(), static_cast<std::int64_t>(sizes.size()));
    const int n = static_cast<int>(sizes.size());
    for (int q = 0; q < 20; ++q) {
      const int i = std::uniform_int_distribution<int>(0, n)(rng);
      ASSERT_EQ(index.Start(i), WalkStart(sizes, i));
      const int from = std::uniform_int_distribution<int>(0, std::max(0, n - 1))(rng);
      const std::int64_t offset = std::uniform_int_distribution<int>(-5, 40 * 30)(rng);
      if (n > 0) {
        ASSERT_EQ(index.FindEnd(from, offset), WalkFindEnd(sizes, from, offset)) << from << " " << offset;
        ASSERT_EQ(index.StepWhileBelow(from, offset), WalkStepWhileBelow(sizes, from, offset)) << from << " " << offset;
      }
    }
  }
}

// The table's cells and positions against walks that follow the layout rules
// literally, at scroll positions all over a table with hidden rows and
// columns.
TEST(GridLayout, CellsAndPositionsEqualTheWalk) {
  CTestGrid grid(300, 12, 2, 1);
  std::mt19937 rng(11);
  for (int r = 0; r < 300; ++r)
    grid.SetRowHeight(r, std::uniform_int_distribution<int>(0, 4)(rng) == 0 ? 0 : 10 + r % 9);
  for (int c = 0; c < 12; ++c) grid.SetColumnWidth(c, c == 5 ? 0 : 30 + 7 * c);
  grid.OnSize(250, 180);

  const auto rowH = [&](int r) { return grid.GetRowHeight(r); };
  const auto colW = [&](int c) { return grid.GetColumnWidth(c); };
  for (int step = 0; step < 60; ++step) {
    grid.SetScrollPos32(SB_VERT, std::uniform_int_distribution<int>(0, 3500)(rng));
    grid.SetScrollPos32(SB_HORZ, std::uniform_int_distribution<int>(0, 600)(rng));
    const int vpos = grid.GetScrollPos32(SB_VERT), hpos = grid.GetScrollPos32(SB_HORZ);

    // Top-left ordinary cell: step while the summed sizes passed stay below
    // the scroll position, never past the last.
    int tlc = 1, sum = 0;
    while (sum < hpos && tlc < 11) sum += colW(tlc++);
    int tlr = 2;
    sum = 0;
    while (sum < vpos && tlr < 299) sum += rowH(tlr++);
    const CGridCellId tl = grid.GetTopleftNonFixedCell(true);
    ASSERT_EQ(tl, CGridCellId(tlr, tlc));

    const int fw = colW(0), fh = rowH(0) + rowH(1);
    for (int q = 0; q < 30; ++q) {
      const int r = std::uniform_int_distribution<int>(0, 299)(rng), c = std::uniform_int_distribution<int>(0, 11)(rng);
      POINT p;
      const bool shown = grid.GetCellOrigin(r, c, p);
      const bool scrolledOut = (r >= 2 && r < tlr) || (c >= 1 && c < tlc);
      ASSERT_EQ(shown, !scrolledOut);
      if (!shown) continue;
      int x = 0, y = 0;
      if (c < 1) {
        for (int k = 0; k < c; ++k) x += colW(k);
      } else {
        x = fw;
        for (int k = tlc; k < c; ++k) x += colW(k);
      }
      if (r < 2) {
        for (int k = 0; k < r; ++k) y += rowH(k);
      } else {
        y = fh;
        for (int k = tlr; k < r; ++k) y += rowH(k);
      }
      ASSERT_EQ(p.x, x);
      ASSERT_EQ(p.y, y);
    }

    // The cell under a point: count from the top-left cell while the point
    // is at or past the cell's end.
    for (int q = 0; q < 30; ++q) {
      const POINT pt{std::uniform_int_distribution<int>(-2, 260)(rng),
                     std::uniform_int_distribution<int>(-2, 190)(rng)};
      int col = -1, row = -1;
      if (pt.x >= 0) {
        int x = 0, k = 0;
        if (pt.x < fw) {
          x = colW(0);
          col = 0;
        } else {
          x = fw;
          for (k = tlc; k < 12; ++k) {
            x += colW(k);
            if (x > pt.x) break;
          }
          col = k < 12 ? k : -1;
        }
      }
      if (pt.y >= 0) {
        if (pt.y < fh) {
          row = pt.y < rowH(0) ? 0 : 1;
        } else {
          int y = fh, k = tlr;
          for (; k < 300; ++k) {
            y += rowH(k);
            if (y > pt.y) break;
          }
          row = k < 300 ? k : -1;
        }
      }
      ASSERT_EQ(grid.GetCellFromPt(pt), CGridCellId(row, col)) << pt.x << "," << pt.y;
    }
  }
}

TEST(GridLayout, ScrollBarsAppearOnlyWhenNeeded) {
  // 10 rows of 20 and 4 columns of 50 in a window that fits them, then too
  // short, then short enough that the vertical bar pushes the columns out.
  struct Case {
    int width, height;
    bool horz, vert;
  } cases[] = {{210, 210, false, false}, {220, 150, false, true}, {210, 150, true, true}, {150, 300, true, false}};
  for (const Case& c : cases) {
    CTestGrid grid(10, 4);
    for (int r = 0; r < 10; ++r) grid.SetRowHeight(r, 20);
    for (int k = 0; k < 4; ++k) grid.SetColumnWidth(k, 50);
    grid.OnSize(c.width, c.height);
    EXPECT_EQ(grid.IsScrollBarShown(SB_HORZ), c.horz) << c.width << "x" << c.height;
    EXPECT_EQ(grid.IsScrollBarShown(SB_VERT), c.vert) << c.width << "x" << c.height;
    EXPECT_EQ(grid.GetScrollMax(SB_VERT), c.vert ? 199 : 0);
  }
}

TEST(GridLayout, ScrollStepsStayInRange) {
  CTestGrid grid(100, 6, 1, 1);
  for (int c = 0; c < 6; ++c) grid.SetColumnWidth(c, 40);
  grid.SetColumnWidth(2, 0);
  grid.OnSize(100, 200);
  // Column 2 is hidden: the first step leaves it at the left edge, and the
  // next step moves by the width of the next column shown.
  grid.SetColumnWidth(3, 55);
  grid.OnHScroll(SB_LINERIGHT);
  EXPECT_EQ(grid.GetScrollPos32(SB_HORZ), 40);
  grid.OnHScroll(SB_LINERIGHT);
  EXPECT_EQ(grid.GetScrollPos32(SB_HORZ), 95);
  EXPECT_EQ(grid.GetTopleftNonFixedCell().col, 4);
  // Page steps never pass the ends; the last page shows the last row.
  for (int i = 0; i < 50; ++i) grid.OnVScroll(SB_PAGEDOWN);
  const int last = grid.GetScrollPos32(SB_VERT);
  EXPECT_LE(last, grid.GetScrollMax(SB_VERT));
  EXPECT_EQ(grid.GetVisibleNonFixedCellRange().maxRow, 99);
  for (int i = 0; i < 50; ++i) grid.OnVScroll(SB_PAGEUP);
  EXPECT_EQ(grid.GetScrollPos32(SB_VERT), 0);
  // Fixed rows and columns keep their place while the rest scrolls.
  grid.OnVScroll(SB_BOTTOM);
  POINT p;
  ASSERT_TRUE(grid.GetCellOrigin(0, 0, p));
  EXPECT_EQ(p.y, 0);
  ASSERT_TRUE(grid.GetCellOrigin(0, 4, p));
  EXPECT_EQ(p.y, 0);
  EXPECT_FALSE(grid.GetCellOrigin(1, 4, p));
}
