// Selection, mouse, keyboard and the grid's side of in-place editing,
// driven through the handlers the window forwards its events to.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "gridtestkit.h"

using namespace qzntest;

namespace {

// A 20 x 6 table with one header row and column, 40 x 16 cells, in a
// 240 x 200 window.
struct Table : ::testing::Test {
  CTestGrid grid{20, 6, 1, 1};
  void SetUp() override {
    grid.FillNames();
    grid.OnSize(240, 200);
  }
  std::set<std::pair<int, int>> Selected() const {
    std::set<std::pair<int, int>> out;
    for (int r = 0; r < grid.GetRowCount(); ++r)
      for (int c = 0; c < grid.GetColumnCount(); ++c)
        if (grid.IsCellSelected(r, c)) out.insert({r, c});
    return out;
  }
  static std::set<std::pair<int, int>> Block(int r0, int c0, int r1, int c1) {
    std::set<std::pair<int, int>> out;
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) out.insert({r, c});
    return out;
  }
  void Click(int row, int col, unsigned flags = 0) {
    const POINT p = grid.Centre(row, col);
    grid.OnLButtonDown(p, flags);
    grid.OnLButtonUp(p, flags);
  }
  void Drag(int r0, int c0, int r1, int c1, unsigned flags = 0) {
    grid.OnLButtonDown(grid.Centre(r0, c0), flags);
    grid.OnMouseMove(grid.Centre(r1, c1), flags, true);
    grid.OnLButtonUp(grid.Centre(r1, c1), flags);
  }
};

}  // namespace

TEST_F(Table, ClickShiftClickAndCtrlClick) {
  Click(2, 2);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 2));
  EXPECT_EQ(Selected(), Block(2, 2, 2, 2));
  EXPECT_TRUE(grid.Noticed(NM_CLICK));
  EXPECT_EQ(grid.commands, 1);
  Click(4, 3, MK_SHIFT);
  EXPECT_EQ(Selected(), Block(2, 2, 4, 3));
  // Ctrl+click on a selected cell takes just that cell out and focuses it.
  Click(3, 3, MK_CONTROL);
  auto expected = Block(2, 2, 4, 3);
  expected.erase({3, 3});
  EXPECT_EQ(Selected(), expected);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(3, 3));
  // Ctrl+drag keeps the earlier selection and adds the new rectangle.
  Drag(6, 1, 7, 2, MK_CONTROL);
  for (auto cell : Block(6, 1, 7, 2)) expected.insert(cell);
  EXPECT_EQ(Selected(), expected);
  // A plain click on a selected cell selects it alone and moves the focus
  // there, so typing goes to the cell clicked.
  Click(6, 2);
  EXPECT_EQ(Selected(), Block(6, 2, 6, 2));
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(6, 2));
}

TEST_F(Table, HeaderAndCornerClicks) {
  // The header of column 3 selects the whole column below the headers;
  // dragging along the header extends to a range of columns.
  grid.OnLButtonDown(grid.Centre(0, 3), 0);
  EXPECT_EQ(Selected(), Block(1, 3, 19, 3));
  grid.OnMouseMove(grid.Centre(0, 4), 0, true);
  grid.OnLButtonUp(grid.Centre(0, 4), 0);
  EXPECT_EQ(Selected(), Block(1, 3, 19, 4));
  // A row header selects the row; the corner every ordinary cell.
  Click(5, 0);
  EXPECT_EQ(Selected(), Block(5, 1, 5, 5));
  Click(0, 0);
  EXPECT_EQ(Selected(), Block(1, 1, 19, 5));
}

TEST_F(Table, PressInTheFocusCellEditsOrClears) {
  Click(3, 2);
  // Press and release in the focus cell's text: an edit with the caret at
  // the end (started "by the mouse").
  Click(3, 2);
  ASSERT_NE(grid.LastEdit(), nullptr);
  EXPECT_EQ(grid.LastEdit()->firstChar, VK_LBUTTON);
  EXPECT_EQ(grid.LastEdit()->text, "r3c2");
  grid.LastEdit()->EndEdit();
  // Press, move, release: the selection is cleared instead.
  grid.OnLButtonDown(grid.Centre(3, 2), 0);
  POINT p = grid.Centre(3, 2);
  p.x += 2;
  grid.OnMouseMove(p, 0, true);
  grid.OnLButtonUp(p, 0);
  EXPECT_TRUE(Selected().empty());
  EXPECT_FALSE(grid.GetFocusCell().IsValid());
  EXPECT_EQ(grid.edits.size(), 1u);
}

TEST_F(Table, DividersResizeAndAutoSize) {
  // Column 2 spans x 80..119 (header column 0..39, column 1 40..79).
  ASSERT_EQ(grid.Centre(0, 2).x, 99);
  // Drag the divider right of column 2 left past its left edge: width 0.
  grid.OnMouseMove(POINT{119, 8}, 0, false);
  EXPECT_EQ(grid.GetMouseMode(), MOUSE_OVER_COL_DIVIDE);
  grid.OnLButtonDown(POINT{119, 8}, 0);
  EXPECT_EQ(grid.GetMouseMode(), MOUSE_SIZING_COL);
  grid.OnMouseMove(POINT{60, 8}, 0, true);
  grid.OnLButtonUp(POINT{60, 8}, 0);
  EXPECT_EQ(grid.GetColumnWidth(2), 0);
  // The hidden column opens again: a press just right of column 3's left
  // edge (x 80) takes the column before it.
  grid.OnMouseMove(POINT{81, 8}, 0, false);
  grid.OnLButtonDown(POINT{81, 8}, 0);
  grid.OnMouseMove(POINT{150, 8}, 0, true);
  grid.OnLButtonUp(POINT{150, 8}, 0);
  EXPECT_EQ(grid.GetColumnWidth(2), 150 - 80);
  EXPECT_EQ(grid.GetColumnWidth(1), 40);
  grid.OnMouseMove(POINT{79, 8}, 0, false);
  grid.OnLButtonDown(POINT{79, 8}, 0);
  grid.OnLButtonUp(POINT{79, 8}, 0);
  EXPECT_EQ(grid.GetColumnWidth(1), 40) << "a press without a drag changes nothing";

  // A double click on the divider right of column 3 auto-sizes column 3; one
  // just right of column 3's left edge auto-sizes column 2.
  grid.SetColumnWidth(2, 40);
  grid.SetItemText(5, 3, "a much longer text");
  grid.SetItemText(5, 2, "wide text here");
  grid.OnMouseMove(POINT{159, 8}, 0, false);
  grid.OnLButtonDblClk(POINT{159, 8}, 0);
  EXPECT_EQ(grid.GetColumnWidth(3), 18 * 7 + 12);
  grid.OnLButtonUp(POINT{159, 8}, 0);
  grid.OnMouseMove(POINT{122, 8}, 0, false);
  grid.OnLButtonDblClk(POINT{122, 8}, 0);
  EXPECT_EQ(grid.GetColumnWidth(2), 14 * 7 + 12);
}

TEST_F(Table, KeysMoveAndExtend) {
  Click(2, 2);
  grid.OnKeyDown(VK_RIGHT, 0);
  grid.OnKeyDown(VK_DOWN, 0);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(3, 3));
  EXPECT_EQ(Selected(), Block(3, 3, 3, 3));
  grid.OnKeyDown(VK_DOWN, MK_SHIFT);
  grid.OnKeyDown(VK_RIGHT, MK_SHIFT);
  EXPECT_EQ(Selected(), Block(3, 3, 4, 4));
  // Arrows stop at the headers; Home, End and Ctrl+Home.
  grid.OnKeyDown(VK_HOME, 0);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(4, 1));
  grid.OnKeyDown(VK_LEFT, 0);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(4, 1));
  grid.OnKeyDown(VK_END, MK_CONTROL);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(19, 5));
  EXPECT_TRUE(grid.IsCellVisible(19, 5));
  // Tab wraps to the next row; on the last cell of the last row it stays.
  grid.OnKeyDown(VK_TAB, 0);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(19, 5));
  grid.OnKeyDown(VK_HOME, MK_CONTROL);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 1));
  grid.SetFocusCell(1, 5);
  grid.OnKeyDown(VK_TAB, 0);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 1));
  grid.OnKeyDown(VK_TAB, MK_SHIFT);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(1, 5));
  // Page down moves as far as the view did.
  grid.SetFocusCell(1, 1);
  grid.OnKeyDown(VK_NEXT, 0);
  EXPECT_GT(grid.GetFocusCell().row, 5);
  EXPECT_TRUE(grid.IsCellVisible(grid.GetFocusCell().row, 1));
  // Delete empties the focus cell.
  grid.OnKeyDown(VK_DELETE, 0);
  EXPECT_EQ(grid.GetItemText(grid.GetFocusCell().row, 1), "");
}

TEST_F(Table, DragBelowTheWindowScrollsAndExtends) {
  grid.OnSize(240, 16 + 12 * 16);  // whole rows
  grid.OnLButtonDown(grid.Centre(8, 2), 0);
  EXPECT_TRUE(grid.timer);
  grid.OnMouseMove(grid.Centre(12, 2), 0, true);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(12, 2));
  const int top = grid.GetTopleftNonFixedCell().row;
  // Every tick with the pointer below the window: one row down, the
  // selection follows.
  for (int tick = 0; tick < 3; ++tick) grid.OnTimer(POINT{100, 260});
  EXPECT_EQ(grid.GetTopleftNonFixedCell().row, top + 3);
  const CGridCellRange sel = grid.GetSelectedCellRange();
  EXPECT_EQ(sel.minRow, 8);
  EXPECT_GE(sel.maxRow, grid.GetVisibleNonFixedCellRange().maxRow);
  EXPECT_EQ(sel.minCol, 2);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(15, 2));
  grid.OnLButtonUp(POINT{100, 260}, 0);
  EXPECT_FALSE(grid.timer);
}

TEST_F(Table, TypingEditsAndTheOwnerDecides) {
  Click(2, 2);
  // A character opens the editor with that character replacing the text.
  grid.OnChar('7', 0);
  ASSERT_NE(grid.LastEdit(), nullptr);
  EXPECT_EQ(grid.LastEdit()->firstChar, '7');
  grid.LastEdit()->text = "7";
  grid.LastEdit()->EndEdit();
  EXPECT_EQ(grid.GetItemText(2, 2), "7");
  EXPECT_TRUE(grid.GetModified(2, 2));
  EXPECT_FALSE(grid.GetCell(2, 2)->IsEditing());

  // Tab in the editor: the next cell opens with its whole text selected.
  grid.OnKeyDown(VK_F2, 0);
  EXPECT_EQ(grid.LastEdit()->firstChar, VK_LBUTTON);
  grid.LastEdit()->exitKey = VK_TAB;
  grid.LastEdit()->EndEdit();
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 3));
  EXPECT_EQ(grid.LastEdit()->firstChar, VK_TAB);
  EXPECT_EQ(grid.LastEdit()->col, 3);
  grid.LastEdit()->EndEdit();

  // An owner answering the end of an edit with -1 keeps the old text.
  grid.answers[LVN_ENDLABELEDIT] = -1;
  grid.OnChar('x', 0);
  grid.LastEdit()->text = "x";
  grid.LastEdit()->EndEdit();
  EXPECT_EQ(grid.GetItemText(2, 3), "r2c3");
  // An owner refusing the start: no editor.
  grid.answers[LVN_BEGINLABELEDIT] = -1;
  const std::size_t edits = grid.edits.size();
  grid.OnChar('y', 0);
  EXPECT_EQ(grid.edits.size(), edits);
  // Esc does not start an edit; Ctrl+letter neither.
  grid.answers.clear();
  grid.OnChar(VK_ESCAPE, 0);
  grid.OnChar('c', MK_CONTROL);
  EXPECT_EQ(grid.edits.size(), edits);
  // A read-only cell is not edited.
  grid.SetItemState(2, 3, grid.GetItemState(2, 3) | GVIS_READONLY);
  grid.OnChar('z', 0);
  EXPECT_EQ(grid.edits.size(), edits);
}

// Keys of the selected-cell set hold the whole row: rows 65,536 apart are
// different cells.
TEST(GridSelection, FarApartRowsStayApart) {
  CTestGrid grid(70000, 3, 1, 1);
  grid.OnSize(300, 200);
  grid.SetSelectedRange(1, 1, 1, 1);
  grid.SetItemState(65537, 1, grid.GetItemState(65537, 1) | GVIS_SELECTED);
  EXPECT_EQ(grid.GetSelectedCount(), 2u);
  EXPECT_EQ(grid.GetSelectedCellRange(), CGridCellRange(1, 1, 65537, 1));
  grid.SetItemState(1, 1, grid.GetItemState(1, 1) & ~GVIS_SELECTED);
  EXPECT_TRUE(grid.IsCellSelected(65537, 1));
  EXPECT_EQ(grid.GetSelectedCount(), 1u);
  // A new selection clears exactly the cells that were selected.
  grid.SetSelectedRange(2, 2, 2, 2);
  EXPECT_FALSE(grid.IsCellSelected(65537, 1));
  EXPECT_TRUE(grid.IsCellSelected(2, 2));
}

TEST(GridSelection, CellKeySetAgreesWithASet) {
  CCellKeySet keys;
  std::set<std::pair<int, int>> ref;
  std::uint64_t seed = 1;
  const auto next = [&] { return seed = seed * 6364136223846793005ULL + 1442695040888963407ULL; };
  for (int i = 0; i < 20000; ++i) {
    const int row = static_cast<int>(next() >> 40) % 300 + ((next() >> 60) ? 0 : 65536);
    const int col = static_cast<int>(next() >> 50) % 7;
    if (next() >> 63) {
      EXPECT_EQ(keys.Insert(row, col), ref.insert({row, col}).second);
    } else {
      EXPECT_EQ(keys.Erase(row, col), ref.erase({row, col}) == 1);
    }
    ASSERT_EQ(keys.Size(), ref.size());
  }
  for (int r = 0; r < 300; ++r)
    for (int c = 0; c < 7; ++c) ASSERT_EQ(keys.Contains(r, c), ref.count({r, c}) == 1);
  std::set<std::pair<int, int>> listed;
  keys.ForEach([&](const CGridCellId& id) { listed.insert({id.row, id.col}); });
  EXPECT_EQ(listed, ref);
}
