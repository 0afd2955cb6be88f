// The table control as a window: driven by simulated presses, moves,
// releases, keys, characters, wheel and timer ticks on the test display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dcmemory.h>
#include <wx/dcps.h>
#include <wx/image.h>
#include <wx/settings.h>
#include <wx/uiaction.h>

#include "guikit.h"
#include "tests/support/testutil.h"
#include "widgets/gridedit.h"
#include "widgets/gridpainter_wx.h"

using namespace qzntest;

namespace {

// The report's shape: a header row, a number column and nine more.
void FillReport(CGridCtrl* grid, int rows) {
  const char* headings[10] = {"No.",    "ID",   "图层",    "中心点(X,Y)", "长度",
                              "多边形", "面积", "Center'", "Length'",     "Area'"};
  grid->SetColumnCount(10);
  grid->SetRowCount(rows + 1);
  grid->SetFixedRowCount(1);
  grid->SetFixedColumnCount(1);
  for (int c = 0; c < 10; ++c) grid->SetItemText(0, c, headings[c]);
  for (int r = 1; r <= rows; ++r) {
    grid->SetItemText(r, 0, std::to_string(r - 1));
    grid->SetItemText(r, 1, std::to_string(r % 50) + ".00");
    grid->SetItemText(r, 2, "等高线");
    grid->SetItemText(r, 3, "(" + std::to_string(r % 997) + ".5," + std::to_string(r % 311) + ".5)");
    for (int c = 4; c < 10; ++c) grid->SetItemText(r, c, std::to_string((r * (c + 3)) % 10007) + ".25");
  }
}

// Renders the control as its paint does, into a bitmap.
wxImage Render(CGridCtrl* grid) {
  const wxSize size = grid->GetClientSize();
  wxBitmap bmp(size);
  {
    wxMemoryDC dc(bmp);
    CWxGridPainter painter(dc);
    grid->OnDraw(painter, RECT{0, 0, size.x, size.y});
  }
  return bmp.ConvertToImage();
}

std::string ArtifactPath(const std::string& name) {
  const std::filesystem::path dir = std::filesystem::path(QZN_BINARY_DIR) / "artifacts";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

}  // namespace

TEST(GridCtrl, ShowsTheReportAndLooksRight) {
  wxInitAllImageHandlers();
  GridFrame f(0, 0);
  FillReport(f.grid, 200);
  f.grid->AutoSizeColumns();
  f.grid->SetFocusCell(3, 2);
  f.grid->SetSelectedRange(3, 2, 5, 4);
  f.grid->Refresh();
  Pump(100);
  const wxImage image = Render(f.grid);
  ASSERT_TRUE(image.SaveFile(ArtifactPath("grid.png"), wxBITMAP_TYPE_PNG));
  // Columns fitted to their texts: the widest coordinate text fits whole.
  EXPECT_GE(f.grid->GetColumnWidth(3), f.grid->GetColumnWidth(5));
  // The header row is the button face, the selection the highlight colour.
  const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
  RECT head;
  f.grid->GetCellRect(0, 5, head);
  const wxPoint in(head.right - 3, head.top + 3);
  EXPECT_EQ(wxColour(image.GetRed(in.x, in.y), image.GetGreen(in.x, in.y), image.GetBlue(in.x, in.y)), face);
  RECT sel;
  f.grid->GetCellRect(4, 3, sel);
  const wxColour hl = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
  EXPECT_EQ(wxColour(image.GetRed(sel.left + 1, sel.top + 1), image.GetGreen(sel.left + 1, sel.top + 1),
                     image.GetBlue(sel.left + 1, sel.top + 1)),
            hl);
  // Both bars are needed for 200 rows of ten fitted columns in 640 x 420.
  EXPECT_TRUE(f.grid->IsScrollBarShown(SB_VERT));

  if (const char* show = std::getenv("QZN_SHOW_SECONDS")) Pump(1000 * std::atoi(show));
}

TEST(GridCtrl, MouseSelection) {
  GridFrame f(30, 6);
  for (int r = 0; r < 30; ++r)
    for (int c = 0; c < 6; ++c) f.grid->SetItemText(r, c, std::to_string(r) + "," + std::to_string(c));
  int clicks = 0, commands = 0;
  f.frame->Bind(EVT_QZN_GRID_NOTIFY, [&](CGridNotifyEvent& e) {
    if (e.GetCode() == NM_CLICK) ++clicks;
  });
  f.frame->Bind(EVT_QZN_GRID_COMMAND, [&](wxCommandEvent& e) {
    EXPECT_EQ(e.GetId(), 391);
    ++commands;
  });
  Click(f.grid, f.Centre(2, 2));
  EXPECT_EQ(f.grid->GetFocusCell(), CGridCellId(2, 2));
  Click(f.grid, f.Centre(4, 3), Mods{true});
  EXPECT_EQ(f.grid->GetSelectedCellRange(), CGridCellRange(2, 2, 4, 3));
  Click(f.grid, f.Centre(3, 3), Mods{false, true});
  EXPECT_FALSE(f.grid->IsCellSelected(3, 3));
  EXPECT_EQ(f.grid->GetSelectedCount(), 5u);
  // A drag with the button held.
  SendMouse(f.grid, wxEVT_LEFT_DOWN, f.Centre(6, 1));
  SendMouse(f.grid, wxEVT_MOTION, f.Centre(8, 4), {}, true);
  SendMouse(f.grid, wxEVT_LEFT_UP, f.Centre(8, 4));
  EXPECT_EQ(f.grid->GetSelectedCellRange(), CGridCellRange(6, 1, 8, 4));
  EXPECT_EQ(f.grid->GetSelectedCount(), 12u);
  // Header and corner.
  Click(f.grid, f.Centre(0, 4));
  EXPECT_EQ(f.grid->GetSelectedCellRange(), CGridCellRange(1, 4, 29, 4));
  Click(f.grid, f.Centre(0, 0));
  EXPECT_EQ(f.grid->GetSelectedCount(), 29u * 5u);
  Pump(30);
  EXPECT_EQ(clicks, 6);
  EXPECT_EQ(commands, 6);
}

TEST(GridCtrl, DividerDragAndDoubleClick) {
  GridFrame f(10, 5);
  f.grid->SetItemText(3, 2, "a text much wider than the column");
  RECT r;
  f.grid->GetCellRect(0, 2, r);
  const int y = (r.top + r.bottom) / 2;
  // Over the divider right of column 2: the cursor changes and a drag
  // resizes.
  SendMouse(f.grid, wxEVT_MOTION, wxPoint(r.right, y));
  EXPECT_EQ(f.grid->GetMouseMode(), MOUSE_OVER_COL_DIVIDE);
  SendMouse(f.grid, wxEVT_LEFT_DOWN, wxPoint(r.right, y));
  SendMouse(f.grid, wxEVT_MOTION, wxPoint(r.right + 30, y), {}, true);
  Pump(20);
  SendMouse(f.grid, wxEVT_LEFT_UP, wxPoint(r.right + 30, y));
  EXPECT_EQ(f.grid->GetColumnWidth(2), r.right + 30 - r.left);
  // A double click on it fits the column to its widest text.
  f.grid->GetCellRect(0, 2, r);
  SendMouse(f.grid, wxEVT_MOTION, wxPoint(r.right, y));
  SendMouse(f.grid, wxEVT_LEFT_DOWN, wxPoint(r.right, y));
  SendMouse(f.grid, wxEVT_LEFT_UP, wxPoint(r.right, y));
  SendMouse(f.grid, wxEVT_LEFT_DCLICK, wxPoint(r.right, y));
  SendMouse(f.grid, wxEVT_LEFT_UP, wxPoint(r.right, y));
  EXPECT_GT(f.grid->GetColumnWidth(2), 150);
  f.grid->GetCellRect(3, 2, r);
  wxBitmap bmp(1, 1);
  wxMemoryDC dc(bmp);
  dc.SetFont(f.grid->GetFont());
  EXPECT_GE(r.right - r.left - 6, dc.GetTextExtent("a text much wider than the column").x);
}

TEST(GridCtrl, KeysEditingAndTheOwner) {
  GridFrame f(12, 5);
  for (int r = 1; r < 12; ++r)
    for (int c = 1; c < 5; ++c) f.grid->SetItemText(r, c, "v" + std::to_string(r) + std::to_string(c));
  bool refuse = false;
  int endEdits = 0;
  f.frame->Bind(EVT_QZN_GRID_NOTIFY, [&](CGridNotifyEvent& e) {
    if (e.GetCode() == LVN_ENDLABELEDIT) {
      ++endEdits;
      if (refuse) e.Veto();
    }
  });
  Click(f.grid, f.Centre(2, 1));
  SendKey(f.grid, WXK_RIGHT);
  SendKey(f.grid, WXK_DOWN);
  EXPECT_EQ(f.grid->GetFocusCell(), CGridCellId(3, 2));

  // Typing opens the editor with the character replacing the text.
  Type(f.grid, 'x');
  auto* edit = dynamic_cast<CGridCellEdit*>(f.grid->FindWindow(CGridModel::kInPlaceEditId));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->GetValue(), "x");
  edit->AppendText("yz");
  // Tab ends it, moves on and opens the next cell with its text selected.
  SendKey(edit, WXK_TAB, {}, wxEVT_CHAR_HOOK);
  Pump(20);
  EXPECT_EQ(f.grid->GetItemText(3, 2), "xyz");
  EXPECT_EQ(endEdits, 1);
  EXPECT_EQ(f.grid->GetFocusCell(), CGridCellId(3, 3));
  edit = dynamic_cast<CGridCellEdit*>(f.grid->FindWindow(CGridModel::kInPlaceEditId));
  ASSERT_NE(edit, nullptr);
  ASSERT_TRUE(edit->IsShown());
  long from = 0, to = 0;
  edit->GetSelection(&from, &to);
  EXPECT_EQ(to - from, 3);
  EXPECT_EQ(edit->GetValue(), "v33");
  // Esc gives back the text it began with: no change, no notice.
  edit->ChangeValue("changed");
  SendKey(edit, WXK_ESCAPE, {}, wxEVT_CHAR_HOOK);
  Pump(20);
  EXPECT_EQ(f.grid->GetItemText(3, 3), "v33");
  EXPECT_EQ(endEdits, 1);
  // F2 opens with the old text and the caret at its end; an owner refusing
  // the end keeps the old text.
  SendKey(f.grid, WXK_F2);
  edit = dynamic_cast<CGridCellEdit*>(f.grid->FindWindow(CGridModel::kInPlaceEditId));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->GetInsertionPoint(), 3);
  refuse = true;
  edit->AppendText("!");
  SendKey(edit, WXK_RETURN, {}, wxEVT_CHAR_HOOK);
  Pump(20);
  EXPECT_EQ(f.grid->GetItemText(3, 3), "v33");
  EXPECT_EQ(endEdits, 2);
  // An editor opened by the mouse keeps arrows for the caret.
  refuse = false;
  Click(f.grid, f.Centre(3, 3));
  edit = dynamic_cast<CGridCellEdit*>(f.grid->FindWindow(CGridModel::kInPlaceEditId));
  ASSERT_NE(edit, nullptr);
  SendKey(edit, WXK_LEFT);
  EXPECT_TRUE(edit->IsShown());
  EXPECT_EQ(f.grid->GetFocusCell(), CGridCellId(3, 3));
  SendKey(edit, WXK_RETURN, {}, wxEVT_CHAR_HOOK);
  Pump(20);
}

TEST(GridCtrl, ClipboardCopyCutPaste) {
  GridFrame f(6, 5);
  for (int r = 1; r < 6; ++r)
    for (int c = 1; c < 5; ++c) f.grid->SetItemText(r, c, std::to_string(r * 10 + c));
  f.grid->SetSelectedRange(1, 1, 2, 3);
  f.grid->SetFocusCell(1, 1);
  SendKey(f.grid, 'C', Mods{false, true});
  std::string text;
  {
    wxClipboardLocker lock;
    ASSERT_TRUE(!!lock);
    wxTextDataObject data;
    ASSERT_TRUE(wxTheClipboard->GetData(data));
    text = data.GetText().utf8_string();
  }
  EXPECT_EQ(text, "11\t12\t13\n21\t22\t23");
  // Paste of tab and comma fields at the focus cell.
  {
    wxClipboardLocker lock;
    wxTheClipboard->SetData(new wxTextDataObject("a,b\nc\td"));
  }
  f.grid->SetFocusCell(4, 2);
  SendKey(f.grid, 'V', Mods{false, true});
  EXPECT_EQ(f.grid->GetItemText(4, 2), "a");
  EXPECT_EQ(f.grid->GetItemText(4, 3), "b");
  EXPECT_EQ(f.grid->GetItemText(5, 2), "c");
  EXPECT_EQ(f.grid->GetItemText(5, 3), "d");
  // Cut empties the selection after copying it.
  f.grid->SetSelectedRange(5, 2, 5, 3);
  SendKey(f.grid, 'X', Mods{false, true});
  EXPECT_EQ(f.grid->GetItemText(5, 2), "");
  {
    wxClipboardLocker lock;
    wxTextDataObject data;
    ASSERT_TRUE(wxTheClipboard->GetData(data));
    EXPECT_EQ(data.GetText(), "c\td");
  }
}

TEST(GridCtrl, ScrollBarWheelAndTheLastRows) {
  GridFrame f(0, 0);
  FillReport(f.grid, 100000);
  EXPECT_TRUE(f.grid->IsScrollBarShown(SB_VERT));
  // The thumb dragged to the end shows the last rows.
  wxScrollWinEvent track(wxEVT_SCROLLWIN_THUMBTRACK, f.grid->GetScrollMax(SB_VERT), wxVERTICAL);
  f.grid->GetEventHandler()->ProcessEvent(track);
  EXPECT_EQ(f.grid->GetVisibleNonFixedCellRange().maxRow, 100000);
  // The wheel: three rows up a notch, after the wheel event.
  const int top = f.grid->GetTopleftNonFixedCell().row;
  SendMouse(f.grid, wxEVT_MOUSEWHEEL, wxPoint(100, 100), {}, false, 120);
  Pump(20);
  EXPECT_EQ(f.grid->GetTopleftNonFixedCell().row, top - 3);
  // Keys reach the last row and copy it right.
  Click(f.grid, f.Centre(2, 2));
  SendKey(f.grid, WXK_END, Mods{false, true});
  EXPECT_EQ(f.grid->GetFocusCell(), CGridCellId(100000, 9));
  SendKey(f.grid, WXK_HOME);
  SendKey(f.grid, WXK_UP, Mods{true});
  EXPECT_EQ(f.grid->GetSelectedCellRange(), CGridCellRange(99999, 1, 100000, 1));
  std::string text;
  ASSERT_TRUE(f.grid->CopyTextToClipboard(text));
  EXPECT_EQ(text, f.grid->GetItemText(99999, 1) + "\n" + f.grid->GetItemText(100000, 1));
  EXPECT_EQ(f.grid->GetItemText(100000, 0), "99999");
}

TEST(GridCtrl, AutoScrollWhileDraggingBelow) {
  GridFrame f(200, 4);
  f.frame->Raise();
  Pump(50);
  SendMouse(f.grid, wxEVT_LEFT_DOWN, f.Centre(3, 1));
  const CGridCellRange vis = f.grid->GetVisibleNonFixedCellRange();
  SendMouse(f.grid, wxEVT_MOTION, f.Centre(vis.maxRow - 1, 1), {}, true);
  ASSERT_TRUE(f.grid->AutoScrollTimer().IsRunning());
  // The pointer held below the window: the timer ticks scroll and extend.
  wxUIActionSimulator sim;
  const wxPoint below = f.grid->ClientToScreen(wxPoint(60, f.grid->GetClientSize().y + 40));
  sim.MouseMove(below);
  Pump(300);
  SendMouse(f.grid, wxEVT_LEFT_UP, f.grid->ScreenToClient(below));
  EXPECT_FALSE(f.grid->AutoScrollTimer().IsRunning());
  if (wxGetMousePosition() != below) GTEST_SKIP() << "the test display did not move the pointer";
  EXPECT_GT(f.grid->GetTopleftNonFixedCell().row, 3);
  EXPECT_GT(f.grid->GetSelectedCellRange().maxRow, vis.maxRow);
  EXPECT_EQ(f.grid->GetSelectedCellRange().minRow, 3);
}

TEST(GridCtrl, TitleTipOnlyForClippedText) {
  GridFrame f(6, 4);
  f.grid->SetItemText(2, 1, "short");
  f.grid->SetItemText(2, 2, "a text far too long for its cell");
  Activate(f.frame);
  for (int i = 0; i < 50 && wxWindow::FindFocus() != f.grid; ++i) {
    f.grid->SetFocus();
    Pump(20);
  }
  // The tip shows only while a window of the program has the keyboard.
  if (!wxWindow::FindFocus()) GTEST_SKIP() << "no window has the keyboard focus on this display";
  SendMouse(f.grid, wxEVT_MOTION, f.Centre(2, 1));
  EXPECT_FALSE(f.grid->TitleTip() && f.grid->TitleTip()->IsTipShown());
  SendMouse(f.grid, wxEVT_MOTION, f.Centre(2, 2));
  ASSERT_NE(f.grid->TitleTip(), nullptr);
  EXPECT_TRUE(f.grid->TitleTip()->IsTipShown());
  EXPECT_EQ(f.grid->TitleTip()->GetTipText(), " a text far too long for its cell ");
  // A press on the tip goes to the cell underneath.
  CGridCellId clicked;
  f.frame->Bind(EVT_QZN_GRID_NOTIFY, [&](CGridNotifyEvent& e) {
    if (e.GetCode() == NM_CLICK) clicked = CGridCellId(e.GetRow(), e.GetColumn());
  });
  wxMouseEvent press(wxEVT_LEFT_DOWN);
  press.SetPosition(wxPoint(3, 3));
  press.SetEventObject(f.grid->TitleTip());
  f.grid->TitleTip()->GetEventHandler()->ProcessEvent(press);
  Pump(10);
  SendMouse(f.grid, wxEVT_LEFT_UP, f.Centre(2, 2));
  EXPECT_FALSE(f.grid->TitleTip()->IsTipShown());
  EXPECT_EQ(clicked, CGridCellId(2, 2));
}

TEST(GridCtrl, PrintsTwoPagesToAFile) {
  // A table twice a page tall prints on two pages, the header row on each,
  // numbered in the footers.
  GridFrame f(101, 3);
  for (int r = 0; r < 101; ++r)
    for (int c = 0; c < 3; ++c) f.grid->SetItemText(r, c, "R" + std::to_string(r) + "C" + std::to_string(c));
  TempDir dir;
  const std::string path = dir.file("report.ps");
  wxPrintData data;
  data.SetFilename(path);
  data.SetPrintMode(wxPRINT_MODE_FILE);
  data.SetPaperId(wxPAPER_A4);
  wxPostScriptDC dc(data);
  ASSERT_TRUE(dc.IsOk());
  // The usable height of a page (in table pixels) is known after the set-up:
  // rows of a twentieth of it, and twice as many rows as fit on a page.
  int perPage = 0;
  {
    CWxGridPainter probe(dc);
    f.grid->OnBeginPrinting(probe, dc.GetSize().x, dc.GetSize().y);
    const auto usable = static_cast<int>(f.grid->GetPrintLayout().pageUsableHeight);
    f.grid->OnEndPrinting();
    const int height = usable / 20;
    perPage = usable / height;
    for (int r = 1; r < 101; ++r) f.grid->SetRowHeight(r, height);
    f.grid->SetRowCount(1 + 2 * perPage);
  }
  ASSERT_TRUE(f.grid->Print(&dc));
  const std::string ps = ReadFileText(path);
  std::size_t pages = 0;
  for (std::size_t at = ps.find("%%Page:"); at != std::string::npos; at = ps.find("%%Page:", at + 1)) ++pages;
  EXPECT_EQ(pages, 2u);
  const std::size_t second = ps.find("%%Page: 2");
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(ps.find("(Page 1 of 2)"), second);
  EXPECT_NE(ps.find("(Page 2 of 2)", second), std::string::npos);
  const auto cell = [](int r, int c) { return "(R" + std::to_string(r) + "C" + std::to_string(c) + ")"; };
  EXPECT_LT(ps.find(cell(0, 1)), second);
  EXPECT_NE(ps.find(cell(0, 1), second), std::string::npos) << "header row on the second page";
  EXPECT_LT(ps.find(cell(perPage, 1)), second);
  EXPECT_EQ(ps.find(cell(perPage + 1, 1)), ps.find(cell(perPage + 1, 1), second));
  EXPECT_NE(ps.find(cell(2 * perPage, 2), second), std::string::npos);
}
