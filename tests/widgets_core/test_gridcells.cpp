// Cells, default cells and the table's data: counts, fixed rows and columns,
// states, sizes, drawing decisions.
#include <gtest/gtest.h>

#include "app/qzndoc.h"
#include "gridtestkit.h"

using namespace qzntest;

TEST(GridCell, DefaultsAndReset) {
  // Without a screen to measure on, a default cell is 40 x 16 with margin 3,
  // always read-only, and formats left, centred vertically, one line, no
  // prefix, ellipsis at the end.
  CGridDefaultCell def;
  EXPECT_EQ(def.GetWidth(), 40);
  EXPECT_EQ(def.GetHeight(), 16);
  EXPECT_EQ(def.GetMargin(), 3u);
  EXPECT_EQ(def.GetFormat(), 0x8824u);
  def.SetState(0);
  EXPECT_TRUE(def.GetState() & GVIS_READONLY);

  CTestGrid grid(2, 2);
  CGridCellBase* cell = grid.GetCell(1, 1);
  EXPECT_EQ(cell->GetFormat(), 0x8824u);  // -1 takes the default cell's
  cell->SetData(77);
  cell->SetText("x");
  cell->SetBackClr(RGB(1, 2, 3));
  cell->Reset();
  EXPECT_EQ(cell->GetData(), 77);  // a reset keeps the user data
  EXPECT_EQ(cell->GetText(), "");
  EXPECT_EQ(cell->GetBackClr(), CLR_DEFAULT);
  EXPECT_EQ(cell->GetGrid(), nullptr);

  // A cell holds state, format, text and table in 64 bytes; a text of its
  // own allocates nothing more.
  EXPECT_LE(sizeof(CGridCell), 64u);
  CGridCell* plain = static_cast<CGridCell*>(grid.GetCell(1, 0));
  grid.SetItemText(1, 0, "12.5");
  EXPECT_EQ(plain->GetOwnFont(), nullptr);
  EXPECT_EQ(plain->GetImage(), -1);
}

TEST(GridCell, DrawingErasesOwnBackgroundsAndHighlightsSelection) {
  CTestGrid grid(3, 3, 1, 1);
  grid.SetItemText(1, 1, "a&b");
  CRecordingPainter dc;
  const RECT rect{40, 16, 79, 31};

  grid.GetCell(1, 1)->Draw(&dc, 1, 1, rect, false);
  EXPECT_FALSE(dc.Has("fill")) << "no erase asked, no own background";
  EXPECT_TRUE(dc.Has("text 43 16 76 31 " + std::to_string(0x8824 | DT_NOPREFIX) + " a&b"));

  dc.calls.clear();
  grid.SetItemBkColour(1, 1, RGB(10, 200, 30));
  grid.GetCell(1, 1)->Draw(&dc, 1, 1, rect, false);
  EXPECT_TRUE(dc.Has("fill 40 16 80 32 #1ec80a")) << "own background always erased";

  dc.calls.clear();
  grid.SetItemState(1, 1, grid.GetItemState(1, 1) | GVIS_SELECTED);
  grid.GetCell(1, 1)->Draw(&dc, 1, 1, rect, false);
  EXPECT_TRUE(dc.Has("fill 40 16 80 32 #800000")) << "selection highlight";
  EXPECT_TRUE(dc.Has("textcolor #ffffff"));

  // A header cell in the focus cell's column is drawn sunken, elsewhere
  // raised (its first line runs along the top from the right).
  grid.SetFocusCell(1, 1);
  dc.calls.clear();
  grid.GetCell(0, 2)->Draw(&dc, 0, 2, RECT{79, 0, 118, 15}, true);
  EXPECT_TRUE(dc.Has("line 118 0 79 0"));
  dc.calls.clear();
  grid.GetCell(0, 1)->Draw(&dc, 0, 1, RECT{40, 0, 79, 15}, true);
  EXPECT_FALSE(dc.Has("line 79 0 40 0"));

  // No table, no width: nothing drawn.
  CGridCell loose;
  EXPECT_FALSE(loose.Draw(&dc, 0, 0, rect, true));
  EXPECT_FALSE(grid.GetCell(1, 1)->Draw(&dc, 1, 1, RECT{5, 5, 5, 20}, true));
}

TEST(GridCell, TextExtent) {
  CTestGrid grid(2, 2);
  CGridCellBase* cell = grid.GetCell(1, 1);
  CRecordingPainter dc;
  // No text: the default cell's size.
  EXPECT_EQ(cell->GetTextExtent("", &dc).cx, 40);
  EXPECT_EQ(cell->GetTextExtent("", &dc).cy, 16);
  // Text: its size plus 4 margins across and 2 down.
  const SIZE s = cell->GetTextExtent("abcd", &dc);
  EXPECT_EQ(s.cx, 28 + 12);
  EXPECT_EQ(s.cy, 14 + 6);
  // Turned text swaps the sides.
  CGridFont turned = grid.GetGridFont();
  turned.escapement = 900;
  cell->SetFont(&turned);
  const SIZE t = cell->GetTextExtent("abcd", &dc);
  EXPECT_EQ(t.cx, 20);
  EXPECT_EQ(t.cy, 40 + 12);
}

TEST(GridCell, PrintColours) {
  CTestGrid grid(2, 2, 1, 0);
  CRecordingPainter dc;
  // An ordinary cell prints black on no background; a header keeps its
  // face colour; a monochrome printer greys a coloured text channel-wise.
  grid.SetItemText(1, 0, "x");
  grid.GetCell(1, 0)->PrintCell(&dc, 1, 0, RECT{0, 0, 40, 16});
  EXPECT_FALSE(dc.Has("fill"));
  EXPECT_TRUE(dc.Has("textcolor #000000"));
  dc.calls.clear();
  grid.GetCell(0, 0)->PrintCell(&dc, 0, 0, RECT{0, 0, 40, 16});
  EXPECT_TRUE(dc.Has("fill 0 0 41 17 #c0c0c0"));
  dc.calls.clear();
  dc.monochrome = true;
  grid.SetItemFgColour(1, 1, RGB(100, 100, 100));
  grid.GetCell(1, 1)->PrintCell(&dc, 1, 1, RECT{0, 0, 40, 16});
  EXPECT_TRUE(dc.Has("textcolor #0b3b1e"));  // (30, 59, 11)
}

TEST(GridModel, CountsAndFixedCells) {
  CTestGrid grid;
  EXPECT_TRUE(grid.SetRowCount(0));
  EXPECT_FALSE(grid.GetModified()) << "the same count changes nothing";
  grid.SetColumnCount(3);
  grid.SetRowCount(2);
  EXPECT_TRUE(grid.GetModified());
  // New columns take the fixed-column default width, new rows the normal
  // default height.
  EXPECT_EQ(grid.GetColumnWidth(0), 40);
  EXPECT_EQ(grid.GetRowHeight(1), 16);

  grid.SetItemBkColour(0, 1, RGB(1, 1, 1));
  grid.SetFixedRowCount(1);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(grid.GetItemState(0, c) & (GVIS_FIXED | GVIS_FIXEDROW), GVIS_FIXED | GVIS_FIXEDROW);
    EXPECT_EQ(grid.GetCell(0, c)->GetBackClr(), CLR_DEFAULT);
    EXPECT_EQ(grid.GetCell(0, c)->GetDefaultCell(), grid.GetDefaultCell(true, false));
  }
  EXPECT_EQ(grid.GetItemState(1, 1) & GVIS_FIXED, 0u);
  // A fixed column; then the row stops being fixed and its cells keep only
  // the column's bits.
  grid.SetFixedColumnCount(1);
  EXPECT_EQ(grid.GetItemState(1, 0) & GVIS_FIXEDCOL, GVIS_FIXEDCOL);
  grid.SetFixedRowCount(0);
  EXPECT_EQ(grid.GetItemState(0, 0) & (GVIS_FIXED | GVIS_FIXEDROW | GVIS_FIXEDCOL), GVIS_FIXED | GVIS_FIXEDCOL);
  EXPECT_EQ(grid.GetItemState(0, 1) & GVIS_FIXED, 0u);

  // Outside the table: empty answers, no crash.
  EXPECT_EQ(grid.GetItemText(5, 5), "");
  EXPECT_EQ(grid.GetItemText(-1, 0), "");
  EXPECT_FALSE(grid.SetItemText(2, 0, "x"));
  EXPECT_EQ(grid.GetCell(0, 3), nullptr);
  EXPECT_EQ(grid.GetRowHeight(9), -1);
  EXPECT_FALSE(grid.SetColumnWidth(0, -1));
}

TEST(GridModel, DeleteRowMovesTheFocus) {
  CTestGrid grid(6, 3, 1, 1);
  grid.FillNames();
  grid.SetFocusCell(3, 1);
  EXPECT_TRUE(grid.DeleteRow(1));
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(2, 1));
  EXPECT_EQ(grid.GetItemText(2, 1), "r3c1");
  EXPECT_TRUE(grid.GetItemState(2, 1) & GVIS_FOCUSED);
  EXPECT_TRUE(grid.DeleteRow(2));
  EXPECT_FALSE(grid.GetFocusCell().IsValid());
  EXPECT_FALSE(grid.DeleteRow(4));
  EXPECT_TRUE(grid.DeleteRow(0));
  EXPECT_EQ(grid.GetFixedRowCount(), 0);
}

TEST(GridModel, SetItemTextDoesNotRepaint) {
  CTestGrid grid(3, 3);
  grid.OnSize(200, 100);
  const int before = grid.invalidations;
  grid.SetItemText(1, 1, "new");
  EXPECT_EQ(grid.invalidations, before);
  grid.Refresh();
  EXPECT_GT(grid.invalidations, before);
}

TEST(GridModel, RowsAreMadeWhenFirstWritten) {
  CTestGrid grid(100000, 10, 1, 1);
  EXPECT_EQ(grid.FindCell(5000, 3), nullptr);
  EXPECT_EQ(grid.GetItemState(5000, 0), GVIS_FIXED | GVIS_FIXEDCOL);
  grid.SetItemText(5000, 3, "x");
  ASSERT_NE(grid.FindCell(5000, 3), nullptr);
  EXPECT_EQ(grid.FindCell(5000, 0)->GetState() & GVIS_FIXEDCOL, GVIS_FIXEDCOL);
  EXPECT_EQ(grid.FindCell(5001, 3), nullptr);
}

TEST(GridModel, AutoSize) {
  CTestGrid grid(3, 3, 1, 0);
  grid.SetItemText(0, 1, "ID");
  grid.SetItemText(1, 1, "1234567890");
  grid.SetItemText(2, 1, "12");
  grid.AutoSizeColumns();
  EXPECT_EQ(grid.GetColumnWidth(1), 70 + 12);
  EXPECT_EQ(grid.GetColumnWidth(0), 40) << "empty cells measure as the default cell";
  EXPECT_EQ(grid.GetRowHeight(1), 20);
  // Without the fixed rows (style 2) a header wider than the values does not
  // count.
  grid.SetItemText(0, 2, "a long heading");
  grid.SetItemText(1, 2, "ab");
  EXPECT_TRUE(grid.AutoSizeColumn(2, 2));
  EXPECT_EQ(grid.GetColumnWidth(2), 40) << "empty row 2 is as wide as the default";
  EXPECT_TRUE(grid.AutoSizeColumn(2, 3));
  EXPECT_EQ(grid.GetColumnWidth(2), 98 + 12);
  grid.measure = false;
  EXPECT_FALSE(grid.AutoSizeColumn(1)) << "nothing to measure with";
}

// The vector report fills the table through the same calls as its in-memory
// table.
TEST(GridModel, TakesTheVectorReport) {
  CQznDoc doc;
  for (int i = 0; i < 3; ++i) {
    CChain* line = doc.m_lines.NewChain();
    line->AddPoint(0.0f, 0.0f);
    line->AddPoint(3.0f * i, 4.0f);
    line->CalcBounds();
  }
  CTestGrid grid;
  ASSERT_EQ(doc.BuildVectorReport(&grid), 1);
  CReportTable table;
  ASSERT_EQ(doc.BuildVectorReport(&table), 1);
  ASSERT_EQ(grid.GetRowCount(), table.GetRowCount());
  ASSERT_EQ(grid.GetColumnCount(), table.GetColumnCount());
  EXPECT_EQ(grid.GetFixedRowCount(), 1);
  for (int r = 0; r < table.GetRowCount(); ++r)
    for (int c = 0; c < table.GetColumnCount(); ++c) EXPECT_EQ(grid.GetItemText(r, c), table.GetItemText(r, c));
}
