// The palette, contrast, image colour and drawing value dialogs against
// fake controls: the grid's cells and selection, ".pal" files, the image's
// own palette, the contrast bars that never pass each other, the colours of
// a 1-bit image and the value texts.
#include <gtest/gtest.h>

#include <fstream>

#include "app/qzndoc.h"
#include "tests/support/testutil.h"
#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/contrastdlgs.h"
#include "ui/core/palettedlg.h"
#include "view_test_util.h"

using namespace qzn;
using qzntest::FakeControls;

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

ViewPalette Ramp() {
  ViewPalette p;
  for (int i = 0; i < 256; ++i) p[i] = PaletteEntry{BYTE(i), BYTE(255 - i), BYTE(i / 2), kPaletteReserved};
  return p;
}

bool Same(const PaletteEntry& a, const PaletteEntry& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue && a.flags == b.flags;
}

TEST(PaletteGrid, CellsAndTheDraggedRectangle) {
  CPaletteDlg dlg;
  dlg.frame = RECT{10, 20, 169, 179};  // 160 x 160: cells of 10 pixels
  EXPECT_EQ(dlg.CellRect(0, 0).left, 10);
  EXPECT_EQ(dlg.CellRect(0, 0).right, 20);
  EXPECT_EQ(dlg.CellRect(15, 15).bottom, 180);
  struct Case {
    POINT from, to;
    std::vector<int> cells;
  } cases[] = {
      {{12, 22}, {18, 28}, {0}},
      // Touching the next cell by one pixel takes it.
      {{12, 22}, {21, 28}, {0, 1}},
      // Dragged up and left: the same rectangle.
      {{21, 28}, {12, 22}, {0, 1}},
      // Held inside the grid: a drag beyond the corner reaches the last cell.
      {{165, 175}, {400, 400}, {255}},
      // A click without a drag selects nothing.
      {{50, 50}, {50, 50}, {}},
      // Two rows.
      {{15, 25}, {15 + 10, 25 + 10}, {0, 1, 16, 17}},
  };
  for (const Case& k : cases) {
    ASSERT_TRUE(dlg.BeginDrag(k.from));
    dlg.DragTo(POINT{(k.from.x + k.to.x) / 2, (k.from.y + k.to.y) / 2});
    dlg.EndDrag(k.to);
    EXPECT_FALSE(dlg.dragging);
    EXPECT_EQ(dlg.SelectedEntries(), k.cells) << k.from.x << "," << k.from.y << " -> " << k.to.x << "," << k.to.y;
  }
  // A press outside the grid drops the rectangle and starts none.
  EXPECT_FALSE(dlg.BeginDrag(POINT{5, 5}));
  EXPECT_TRUE(dlg.SelectedEntries().empty());
}

struct PaletteDialog : ::testing::Test {
  CScriptedHost host;
  CHostScope scope{&host};
  qzntest::TempDir dir;
  CPaletteDlg dlg;
  FakeControls c;
  void SetUp() override {
    const ViewPalette ramp = Ramp();
    dlg.SetEntries(ramp.data(), 256);
    dlg.rangeText = "图像灰度范围: 0 - 255";
    dlg.InitDialog(c);
  }
};

TEST_F(PaletteDialog, PickingAColourNeedsARectangleAndKeepsTheFlags) {
  EXPECT_EQ(c.text[CPaletteDlg::kRangeText], "图像灰度范围: 0 - 255");
  dlg.OnClicked(CPaletteDlg::kPick, c);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"首先请画一个矩形然后再选择颜色。"});
  EXPECT_TRUE(c.colorRequests.empty());
  dlg.frame = RECT{0, 0, 159, 159};
  dlg.BeginDrag(POINT{5, 5});
  dlg.EndDrag(POINT{15, 5 + 1});
  c.colorAnswers.push_back(RGB(1, 2, 3));
  dlg.OnClicked(CPaletteDlg::kPick, c);
  ASSERT_EQ(c.colorRequests.size(), 1u);
  EXPECT_FALSE(c.colorRequests[0].has_value());  // no initial colour
  EXPECT_TRUE(Same(dlg.entries[0], PaletteEntry{1, 2, 3, kPaletteReserved}));
  EXPECT_TRUE(Same(dlg.entries[1], PaletteEntry{1, 2, 3, kPaletteReserved}));
  EXPECT_TRUE(Same(dlg.entries[2], Ramp()[2]));
  EXPECT_EQ(c.redraws[CPaletteDlg::kGrid], 1);
  // Cancelled colour dialog: nothing changes.
  dlg.OnClicked(CPaletteDlg::kPick, c);
  EXPECT_EQ(c.redraws[CPaletteDlg::kGrid], 1);
}

TEST_F(PaletteDialog, PalFilesRoundTripAndPartialFilesChangeOnlyTheirLines) {
  const std::string path = dir.file("colours.pal");
  host.fileAnswers.push_back({path});
  dlg.OnClicked(CPaletteDlg::kSave, c);
  ASSERT_FALSE(host.fileDialogs.empty());
  EXPECT_EQ(host.fileDialogs[0].defaultExtension, "pal");
  EXPECT_EQ(host.fileDialogs[0].filter, "调色板文件 (*.pal) |*.pal||");
  const std::string text = ReadText(path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 256);
  EXPECT_EQ(text.substr(0, 10), "0 255 0\r\n1");

  ViewPalette grey{};
  ASSERT_TRUE(ReadPaletteFile(path, grey));
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(grey[i].red, Ramp()[i].red);
    EXPECT_EQ(grey[i].green, Ramp()[i].green);
    EXPECT_EQ(grey[i].blue, Ramp()[i].blue);
    EXPECT_EQ(grey[i].flags, 0);  // flags are not in the file
  }

  // Ten lines, one of them text: that entry stays, the next line is the
  // next entry; values keep their low 8 bits; the rest is untouched.
  const std::string partial = dir.file("partial.pal");
  std::ofstream(partial) << "9 9 9\n9 9 9\nred green blue\n300 -1 7\n9 9 9\n9 9 9\n9 9 9\n9 9 9\n9 9 9\n9 9 9\n";
  host.fileAnswers.push_back({partial});
  dlg.OnClicked(CPaletteDlg::kOpen, c);
  EXPECT_EQ(host.fileDialogs.back().defaultExtension, "pal");
  EXPECT_TRUE(Same(dlg.entries[1], PaletteEntry{9, 9, 9, kPaletteReserved}));
  EXPECT_TRUE(Same(dlg.entries[2], Ramp()[2]));
  EXPECT_TRUE(Same(dlg.entries[3], PaletteEntry{44, 255, 7, kPaletteReserved}));
  EXPECT_TRUE(Same(dlg.entries[9], PaletteEntry{9, 9, 9, kPaletteReserved}));
  EXPECT_TRUE(Same(dlg.entries[10], Ramp()[10]));

  // Files that cannot be read or written: the message, nothing changed.
  const ViewPalette before = dlg.entries;
  host.fileAnswers.push_back({dir.file("missing.pal")});
  dlg.OnClicked(CPaletteDlg::kOpen, c);
  host.fileAnswers.push_back({dir.file("no/folder/x.pal")});
  dlg.OnClicked(CPaletteDlg::kSave, c);
  EXPECT_EQ(host.messages.size(), 2u);
  for (const auto& m : host.messages) EXPECT_EQ(m.text, "打开调色板文件出错。");
  for (int i = 0; i < 256; ++i) EXPECT_TRUE(Same(dlg.entries[i], before[i]));
}

TEST(PaletteDialogView, ApplyRemapsTheViewAndRestoreGivesTheImagesOwn) {
  CScriptedHost host;
  CHostScope scope(&host);
  struct Case {
    viewtest::Kind kind;
    int photometric;
    PaletteEntry first, second;
  } cases[] = {
      // A 1-bit image with zero white: light entry 0, dark entry 1.
      {viewtest::Kind::kBilevel, 0, {200, 200, 200, kPaletteReserved}, {50, 50, 50, kPaletteReserved}},
      {viewtest::Kind::kBilevel, 1, {50, 50, 50, kPaletteReserved}, {200, 200, 200, kPaletteReserved}},
      {viewtest::Kind::kGrey, 1, {0, 0, 0, kPaletteReserved}, {1, 1, 1, kPaletteReserved}},
      {viewtest::Kind::kGrey, 0, {255, 255, 255, kPaletteReserved}, {254, 254, 254, kPaletteReserved}},
  };
  for (const Case& k : cases) {
    auto doc = viewtest::MakeDoc(32, 32, k.kind, k.photometric);
    viewtest::FakeWindow window;
    CQznView view(doc.get(), &window);
    view.OnInitialUpdate();
    CPaletteDlg dlg(&view);
    FakeControls c;
    dlg.InitDialog(c);
    dlg.OnClicked(CPaletteDlg::kRestore, c);
    EXPECT_TRUE(Same(dlg.entries[0], k.first));
    EXPECT_TRUE(Same(dlg.entries[1], k.second));
    EXPECT_EQ(dlg.entries[100].red, k.kind == viewtest::Kind::kGrey && k.photometric == 0 ? 155 : 100);
    dlg.entries[0] = PaletteEntry{9, 8, 7, 0};
    dlg.OnClicked(CPaletteDlg::kApply, c);
    EXPECT_EQ(view.Palette()[0].red, 9);
  }
}

TEST(ContrastDialog, BarsStayInRangeAndNeverPassEachOther) {
  auto doc = viewtest::MakeDoc(32, 32, viewtest::Kind::kGrey);
  viewtest::FakeWindow window;
  CQznView view(doc.get(), &window);
  view.OnInitialUpdate();
  CContrastDlg dlg;
  dlg.Set(&view, 40, 200);
  FakeControls c;
  dlg.InitDialog(c);
  EXPECT_EQ(c.scrollRange[CContrastDlg::kLowBar], (std::pair<int, int>{0, 255}));
  EXPECT_EQ(c.scrollPos[CContrastDlg::kLowBar], 40);
  EXPECT_EQ(c.scrollPos[CContrastDlg::kHighBar], 200);
  struct Step {
    int bar, code, position;
    int low, high;
  } steps[] = {
      {CContrastDlg::kLowBar, kScrollLineDown, 0, 41, 200},
      {CContrastDlg::kLowBar, kScrollPageUp, 0, 21, 200},
      {CContrastDlg::kLowBar, kScrollPageUp, 0, 1, 200},
      {CContrastDlg::kLowBar, kScrollPageUp, 0, 0, 200},             // not below 0
      {CContrastDlg::kLowBar, kScrollThumbTrack, 150, 0, 200},       // tracking: nothing
      {CContrastDlg::kLowBar, kScrollThumbPosition, 250, 200, 200},  // not past the high bar
      {CContrastDlg::kHighBar, kScrollLineUp, 0, 200, 200},          // nor the high past the low
      {CContrastDlg::kHighBar, kScrollBottom, 0, 200, 255},
      {CContrastDlg::kHighBar, kScrollPageDown, 0, 200, 255},  // not above 255
      {CContrastDlg::kLowBar, kScrollTop, 0, 0, 255},
  };
  for (const Step& s : steps) {
    dlg.OnScroll(s.bar, s.code, s.position, c);
    EXPECT_EQ(dlg.low, s.low);
    EXPECT_EQ(dlg.high, s.high);
    EXPECT_EQ(c.scrollPos[s.bar], s.bar == CContrastDlg::kLowBar ? s.low : s.high);
    // The view shows the pair (a window without width shows the full range).
    int low = -1, high = -1;
    view.GetDisplayWindow(low, high);
    EXPECT_EQ(low, s.low < s.high ? s.low : 0);
    EXPECT_EQ(high, s.low < s.high ? s.high : 255);
  }
}

TEST(ImageColourDialog, ForegroundAndBackgroundFollowThePhotometricCode) {
  ViewPalette p{};
  p[0] = PaletteEntry{10, 10, 10, kPaletteReserved};
  p[1] = PaletteEntry{240, 240, 240, kPaletteReserved};
  for (int photometric : {0, 1}) {
    CImageColorDlg dlg(p, photometric);
    EXPECT_EQ(dlg.foreground, photometric == 1 ? RGB(10, 10, 10) : RGB(240, 240, 240));
    FakeControls c;
    dlg.InitDialog(c);
    EXPECT_EQ(c.swatch[CImageColorDlg::kForeSwatch], dlg.foreground);
    c.colorAnswers.push_back(RGB(255, 0, 0));
    dlg.OnClicked(CImageColorDlg::kForeground, c);
    EXPECT_EQ(c.colorRequests.back(), photometric == 1 ? RGB(10, 10, 10) : RGB(240, 240, 240));
    EXPECT_EQ(c.swatch[CImageColorDlg::kForeSwatch], RGB(255, 0, 0));
    dlg.OnClicked(CImageColorDlg::kBackground, c);  // cancelled: kept
    ViewPalette out = p;
    dlg.StoreInto(out);
    // The foreground goes back where it came from.
    EXPECT_EQ(out[photometric == 1 ? 0 : 1].red, 255);
    EXPECT_EQ(out[photometric == 1 ? 1 : 0].red, photometric == 1 ? 240 : 10);
  }
}

TEST(DrawingValueDialogs, TextsInversionAndByteRanges) {
  CScriptedHost host;
  CHostScope scope(&host);
  struct Case {
    int zeroIsBlack;
    const char* zero;
    const char* one;
  } cases[] = {{1, "0 (黑色)", "1 (白色)"}, {0, "0 (白色)", "1 (黑色)"}};
  for (const Case& k : cases) {
    CBinaryValueDlg dlg;
    dlg.zeroIsBlack = k.zeroIsBlack;
    FakeControls c;
    dlg.InitDialog(c);
    EXPECT_EQ(c.text[CBinaryValueDlg::kText], k.zero);
    dlg.OnClicked(CBinaryValueDlg::kInvert, c);
    EXPECT_EQ(c.text[CBinaryValueDlg::kText], k.one);
    EXPECT_EQ(dlg.value, 1);
    dlg.OnClicked(CBinaryValueDlg::kInvert, c);
    EXPECT_EQ(c.text[CBinaryValueDlg::kText], k.zero);
    ASSERT_TRUE(dlg.OnOK(c));
    EXPECT_EQ(dlg.value, 0);
  }
  CColorPixelValueDlg colour;
  FakeControls cc;
  colour.InitDialog(cc);
  EXPECT_EQ(cc.text[CColorPixelValueDlg::kRed], "0");
  cc.text[CColorPixelValueDlg::kGreen] = "255";
  cc.text[CColorPixelValueDlg::kRed] = "256";
  EXPECT_FALSE(colour.OnOK(cc));
  EXPECT_EQ(host.messages.back().text, "请输入一个整数在 0 和 255 之间。");
  EXPECT_EQ(cc.focus, int(CColorPixelValueDlg::kRed));
  cc.text[CColorPixelValueDlg::kRed] = "7";
  ASSERT_TRUE(colour.OnOK(cc));
  EXPECT_EQ(colour.green, 255);
  EXPECT_EQ(colour.red, 7);
  CPixelValueDlg grey;
  FakeControls gc;
  grey.InitDialog(gc);
  gc.text[CPixelValueDlg::kValue] = "-1";
  EXPECT_FALSE(grey.OnOK(gc));
  gc.text[CPixelValueDlg::kValue] = "128";
  ASSERT_TRUE(grey.OnOK(gc));
  EXPECT_EQ(grey.value, 128);
}

}  // namespace
