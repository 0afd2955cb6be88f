// Clipboard text and printing of the table.
#include <gtest/gtest.h>

#include "gridtestkit.h"

using namespace qzntest;

TEST(GridClipboard, CopyGivesTabsAndNewlines) {
  CTestGrid grid(4, 5, 1, 1);
  const char* texts[2][3] = {{"a", "b", "c"}, {"d", "e", "f"}};
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) grid.SetItemText(1 + r, 1 + c, texts[r][c]);
  grid.SetSelectedRange(1, 1, 2, 3);
  grid.OnEditCopy();
  EXPECT_EQ(grid.clipboard, "a\tb\tc\nd\te\tf");

  // A ctrl-selection copies its bounding range, unselected cells empty.
  grid.SetSelectedRange(1, 1, 1, 1);
  grid.SetItemState(2, 3, grid.GetItemState(2, 3) | GVIS_SELECTED);
  grid.OnEditCopy();
  EXPECT_EQ(grid.clipboard, "a\t\t\n\t\tf");

  // Hidden rows and columns give nothing, not even a separator, also at the
  // end of the range.
  grid.SetSelectedRange(1, 1, 2, 3);
  grid.SetColumnWidth(3, 0);
  grid.SetRowHeight(2, 0);
  grid.OnEditCopy();
  EXPECT_EQ(grid.clipboard, "a\tb");

  // Nothing selected: nothing copied.
  grid.clipboard = "kept";
  grid.ResetSelectedRange();
  EXPECT_FALSE(grid.CanCopy());
  grid.OnEditCopy();
  EXPECT_EQ(grid.clipboard, "kept");
}

TEST(GridClipboard, PasteFillsFromTheFocusCell) {
  CTestGrid grid(10, 6);
  grid.OnSize(400, 300);
  grid.SetFocusCell(5, 2);
  grid.clipboard = "1, 2\n3\t 4 \r\n";
  grid.clipboardHasText = true;
  EXPECT_TRUE(grid.CanPaste());
  grid.OnEditPaste();
  EXPECT_EQ(grid.GetItemText(5, 2), "1");
  EXPECT_EQ(grid.GetItemText(5, 3), "2");
  EXPECT_EQ(grid.GetItemText(6, 2), "3");
  EXPECT_EQ(grid.GetItemText(6, 3), "4");
  EXPECT_EQ(grid.GetItemText(7, 2), "");

  // A read-only cell, or one the owner refuses, stays; the rest goes on;
  // fields past the last column are dropped.
  grid.SetItemState(5, 3, grid.GetItemState(5, 3) | GVIS_READONLY);
  grid.clipboard = "a,b,c,d,e,f";
  grid.OnEditPaste();
  EXPECT_EQ(grid.GetItemText(5, 2), "a");
  EXPECT_EQ(grid.GetItemText(5, 3), "2");
  EXPECT_EQ(grid.GetItemText(5, 5), "d");
  grid.answers[LVN_BEGINLABELEDIT] = -1;
  grid.clipboard = "x";
  grid.OnEditPaste();
  EXPECT_EQ(grid.GetItemText(5, 2), "a");

  // While the focus cell is being edited the box takes the paste.
  grid.answers.clear();
  grid.OnEditCell(5, 2, POINT{-1, -1}, VK_LBUTTON);
  grid.OnEditPaste();
  ASSERT_NE(grid.LastEdit(), nullptr);
  EXPECT_TRUE(grid.LastEdit()->pasted);
}

TEST(GridClipboard, CutEmptiesOnlyTheSelectedCells) {
  CTestGrid grid(4, 4);
  grid.FillNames();
  grid.SetSelectedRange(0, 0, 0, 0);
  grid.SetItemState(2, 2, grid.GetItemState(2, 2) | GVIS_SELECTED);
  grid.OnEditCut();
  EXPECT_EQ(grid.clipboard, "r0c0\t\t\n\t\t\n\t\tr2c2");
  EXPECT_EQ(grid.GetItemText(0, 0), "");
  EXPECT_EQ(grid.GetItemText(2, 2), "");
  EXPECT_EQ(grid.GetItemText(1, 1), "r1c1") << "between the parts of the selection";
  grid.SetEditable(false);
  grid.SetSelectedRange(1, 1, 1, 1);
  grid.OnEditCut();
  EXPECT_EQ(grid.GetItemText(1, 1), "r1c1");
}

TEST(GridClipboard, SelectAllAndCopyTheLastRowsOfALargeTable) {
  CTestGrid grid(100001, 10, 1, 1);
  for (int r = 99990; r <= 100000; ++r)
    for (int c = 0; c < 10; ++c) grid.SetItemText(r, c, std::to_string(r) + ":" + std::to_string(c));
  grid.OnSize(600, 400);
  grid.SetFocusCell(1, 1);
  grid.OnKeyDown(VK_END, MK_CONTROL);
  EXPECT_EQ(grid.GetFocusCell(), CGridCellId(100000, 9));
  grid.OnKeyDown(VK_UP, MK_SHIFT);
  grid.OnKeyDown(VK_LEFT, MK_SHIFT);
  grid.OnEditCopy();
  EXPECT_EQ(grid.clipboard, "99999:8\t99999:9\n100000:8\t100000:9");
  grid.OnEditSelectAll();
  EXPECT_EQ(grid.GetSelectedCount(), 100000u * 9u);
  std::string all;
  ASSERT_TRUE(grid.CopyTextToClipboard(all));
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 99999);
  EXPECT_EQ(all.substr(all.size() - 17), "100000:8\t100000:9");
}

namespace {

// Prints every page and keeps the drawing calls per page.
std::vector<std::vector<std::string>> PrintAll(CTestGrid& grid, int pageW, int pageH) {
  CRecordingPainter dc;
  grid.SetPrintDateText("today");
  grid.OnBeginPrinting(dc, pageW, pageH);
  std::vector<std::vector<std::string>> pages;
  for (int p = 1; p <= grid.GetPrintLayout().pageCount; ++p) {
    dc.calls.clear();
    grid.OnPrint(dc, p);
    pages.push_back(dc.calls);
  }
  grid.OnEndPrinting();
  return pages;
}

bool HasText(const std::vector<std::string>& calls, const std::string& text) {
  for (const std::string& c : calls)
    if (c.rfind("text ", 0) == 0 && c.size() >= text.size() &&
        c.compare(c.size() - text.size(), text.size(), text) == 0)
      return true;
  return false;
}

}  // namespace

TEST(GridPrinting, PagesRepeatTheHeaderRows) {
  // The printing font measures 7 x 14: paper width = 8 x 7 + 288 = 344.
  // Pages of 344 x 800 device units make the paper 800 high, of which
  // 800 - 6 x 14 (header, footer, gaps) - 16 (header row) = 700 take rows:
  // 35 rows of 20 a page.
  CTestGrid grid(1 + 2 * 35, 3, 1, 1);
  grid.FillNames();
  for (int c = 0; c < 3; ++c) grid.SetColumnWidth(c, 96);
  for (int r = 1; r < grid.GetRowCount(); ++r) grid.SetRowHeight(r, 20);
  const auto pages = PrintAll(grid, 344, 800);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(grid.PageFirstRows(), (std::vector<int>{1, 36}));
  EXPECT_TRUE(HasText(pages[0], "Page 1 of 2"));
  EXPECT_TRUE(HasText(pages[1], "Page 2 of 2"));
  for (const auto& page : pages) {
    EXPECT_TRUE(HasText(page, "r0c1")) << "header row on every page";
    EXPECT_TRUE(HasText(page, "QZN 报告"));
    EXPECT_TRUE(HasText(page, "today"));
  }
  EXPECT_TRUE(HasText(pages[0], "r35c1"));
  EXPECT_FALSE(HasText(pages[0], "r36c1"));
  EXPECT_TRUE(HasText(pages[1], "r36c1"));
  EXPECT_TRUE(HasText(pages[1], "r70c2"));
}

TEST(GridPrinting, ARowTallerThanAPagePrintsAloneClipped) {
  CTestGrid grid(4, 2, 1, 0);
  grid.FillNames();
  grid.SetColumnWidth(0, 100);
  grid.SetColumnWidth(1, 100);
  grid.SetRowHeight(1, 5000);  // far taller than any page
  const auto pages = PrintAll(grid, 300, 600);
  EXPECT_EQ(grid.PageFirstRows(), (std::vector<int>{1, 2}));
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_TRUE(HasText(pages[0], "r1c0")) << "no blank page before the tall row";
  EXPECT_TRUE(HasText(pages[1], "r2c0"));
  EXPECT_TRUE(HasText(pages[1], "r3c0"));
  // The tall row is clipped to the usable height.
  const std::int64_t usable = grid.GetPrintLayout().pageUsableHeight;
  for (const std::string& c : pages[0]) {
    if (c.find("r1c0") != std::string::npos) {
      EXPECT_NE(c.find(" " + std::to_string(usable) + " "), std::string::npos) << c;
    }
  }
}
