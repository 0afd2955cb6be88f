// The commands that open dialogs, run through the view's command table with
// scripted dialogs: what reaches the image, the georeference, the lines and
// the rubber band after OK, that Cancel changes nothing, and that the
// current tool lets go of the data first.
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "raster/tiffio.h"
#include "resources/commands.h"
#include "tests/support/testutil.h"
#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/contrastdlgs.h"
#include "ui/core/iddlgs.h"
#include "ui/core/imagedlgs.h"
#include "ui/core/smalldialogs.h"
#include "ui/core/vectorizedlgs.h"
#include "ui/core/viewdialogs.h"
#include "viewcommand_test_util.h"

using namespace qzn;
using namespace viewtest;
using qzntest::FakeControls;
using qzntest::ScriptedDialogs;

namespace {

struct CommandRun : ::testing::Test {
  CScriptedHost host;
  CHostScope scope{&host};
  ScriptedDialogs dialogs;
  FakeWindow window;
  std::unique_ptr<CQznDoc> doc = MakeDoc(64, 48, Kind::kGrey);
  std::unique_ptr<CQznView> view;

  void SetUp() override {
    view = std::make_unique<CQznView>(doc.get(), &window);
    view->OnInitialUpdate();
  }
  // The dialog's fields typed, then OK.
  void Answer(std::vector<std::pair<int, std::string>> fields) {
    dialogs.scripts.push_back([fields](CDialogModel& m, FakeControls& c) {
      for (const auto& [id, text] : fields) c.text[id] = text;
      return qzntest::PressOK(m, c);
    });
  }
};

TEST_F(CommandRun, CropProposesTheRubberBandAndTakesTheAreaInOrder) {
  view->SetRubberBand(RECT{4, 5, 30, 25});
  RECT proposed{};
  dialogs.scripts.push_back([&](CDialogModel& m, FakeControls& c) {
    proposed = static_cast<CCropAreaDlg&>(m).area;
    // Typed the wrong way round: right of left, bottom above top.
    c.text[kRectLeftId] = "40";
    c.text[kRectRightId] = "10";
    c.text[kRectTopId] = "30";
    c.text[kRectBottomId] = "6";
    return qzntest::PressOK(m, c);
  });
  ASSERT_TRUE(RunViewCommand(*view, 32820));
  EXPECT_EQ(proposed.left, 4);
  EXPECT_EQ(proposed.bottom, 25);
  EXPECT_EQ(doc->m_image.width, 30);
  EXPECT_EQ(doc->m_image.height, 24);
  EXPECT_TRUE(IsRectEmpty(view->rubberBand));

  // Cancelled: nothing changes.
  view->SetRubberBand(RECT{1, 1, 5, 5});
  ASSERT_TRUE(RunViewCommand(*view, 32820));
  EXPECT_EQ(doc->m_image.width, 30);
  EXPECT_FALSE(IsRectEmpty(view->rubberBand));
}

TEST_F(CommandRun, ResizeKeepsControlPointsWithThePixels) {
  for (int i = 0; i < 4; ++i) {
    CControlPt* p = doc->m_controlPts.AddNew();
    p->m_imageX = 10 + 20 * (i % 2);
    p->m_imageY = 8 + 30 * (i / 2);
    p->m_mapX = 1000 + i;
    p->m_mapY = 2000 + i;
  }
  // A factor of 1 does nothing even after OK.
  Answer({{CResampleDlg::kFactor, "1"}});
  ASSERT_TRUE(RunViewCommand(*view, 32882));
  EXPECT_EQ(doc->m_image.width, 64);

  Answer({{CResampleDlg::kFactor, "2"}});
  ASSERT_TRUE(RunViewCommand(*view, 32882));
  EXPECT_EQ(doc->m_image.width, 32);
  EXPECT_EQ(doc->m_image.height, 24);
  std::vector<const CControlPt*> cps(doc->m_controlPts.begin(), doc->m_controlPts.end());
  ASSERT_EQ(cps.size(), 4u);
  EXPECT_DOUBLE_EQ(cps[1]->m_imageX, 15.0);
  EXPECT_DOUBLE_EQ(cps[3]->m_imageY, 19.0);
  EXPECT_EQ(doc->m_nImageModified, 1);

  // A point on a hidden layer would be left behind: the command is refused.
  doc->m_hiddenPoints.AddPoint(5, 5, 1, 1, 0);
  EXPECT_FALSE(RunViewCommand(*view, 32882));
}

TEST_F(CommandRun, RotateAndSegmentStopWhenTheirDialogsAreCancelled) {
  const std::vector<std::uint8_t> before(doc->m_image.pixels, doc->m_image.pixels + doc->m_image.GetImageBytes());
  ASSERT_TRUE(RunViewCommand(*view, cmd::kImageRotate));
  ASSERT_EQ(doc->m_image.GetImageBytes(), static_cast<std::int64_t>(before.size()));
  EXPECT_TRUE(std::equal(before.begin(), before.end(), doc->m_image.pixels));

  // Segmentation runs, then the threshold is asked; Cancel there traces nothing.
  ASSERT_TRUE(RunViewCommand(*view, 32951));
  EXPECT_EQ(dialogs.shown.back(), CThresholdDlg::kId);
  EXPECT_TRUE(doc->m_lines.IsEmpty());
}

}  // namespace

namespace {

// A tool that only counts how often it was told to let go of the data.
struct CountingTool : CEditTool {
  int* dropped;
  CountingTool(IToolHost& host, int* count) : CEditTool(host, 0), dropped(count) {}
  ToolType GetType() const override { return ToolType::kLineEdit; }
  void FinishAndDrop() override { ++*dropped; }
};

}  // namespace

TEST_F(CommandRun, CommandsThatChangeTheDataMakeTheCurrentToolLetGoFirst) {
  int dropped = 0;
  const ToolFactory previous = FindToolFactory(EditMode::kLineEdit);
  RegisterToolFactory(EditMode::kLineEdit,
                      [&dropped](IToolHost& host, CQznDoc*) { return std::make_unique<CountingTool>(host, &dropped); });
  AddLine(doc->m_lines, {{1, 1}, {20, 20}});
  view->SetEditMode(EditMode::kLineEdit);
  ASSERT_NE(view->Tool(), nullptr);
  // The B-spline dialog stays enabled while lines are edited; even its
  // Cancel replaces every line.
  ASSERT_TRUE(RunViewCommand(*view, 33060));
  EXPECT_EQ(dropped, 1);
  ASSERT_TRUE(RunViewCommand(*view, 32808));  // the negative
  EXPECT_EQ(dropped, 2);
  view->SetEditMode(EditMode::kDefault);
  RegisterToolFactory(EditMode::kLineEdit, previous);
}

TEST_F(CommandRun, DeleteByIdRangeKeepsTheLinesOutsideTheRange) {
  for (float id : {1.0f, 2.0f, 3.0f, 5.0f}) AddLine(doc->m_lines, {{1, 1}, {20, 20}}, id);
  Answer({{CDeleteIDRangeDlg::kFrom, "2"}, {CDeleteIDRangeDlg::kTo, "3"}});
  ASSERT_TRUE(RunViewCommand(*view, 32852));
  std::vector<float> left;
  for (const CChain* c : doc->m_lines) left.push_back(c->m_fID);
  EXPECT_EQ(left, (std::vector<float>{1.0f, 5.0f}));
  EXPECT_EQ(doc->m_lines.m_nModified, 1);
}

TEST(WorkspaceSize, DefaultTakesInEveryLineAndPointAndAnEmptyAreaIsRefused) {
  CScriptedHost host;
  CHostScope scope(&host);
  ScriptedDialogs dialogs;
  FakeWindow window;
  auto doc = std::make_unique<CQznDoc>();
  doc->OnNewDocument();
  doc->m_extent = RECT{0, 0, 100, 100};
  AddLine(doc->m_lines, {{-20, 10}, {50, 130}});
  doc->m_points.AddPoint(150, 40, 1, 1, 0);  // a single point: a rectangle without area
  CQznView view(doc.get(), &window);
  view.OnInitialUpdate();
  dialogs.scripts.push_back([](CDialogModel& m, FakeControls& c) {
    // Left and right the same: refused, the dialog stays open.
    c.text[kRectLeftId] = "5";
    c.text[kRectRightId] = "5";
    c.text[kRectTopId] = "0";
    c.text[kRectBottomId] = "9";
    EXPECT_FALSE(m.OnOK(c));
    m.OnClicked(CWorkspaceDlg::kDefault, c);
    return qzntest::PressOK(m, c);
  });
  ASSERT_TRUE(RunViewCommand(view, 33012));
  EXPECT_EQ(host.messages.size(), 1u);
  // Every vertex and the point inside (the lists' bounds end one past).
  EXPECT_EQ(doc->m_extent.left, -20);
  EXPECT_EQ(doc->m_extent.top, 0);
  EXPECT_EQ(doc->m_extent.right, 151);
  EXPECT_EQ(doc->m_extent.bottom, 131);
}

// The world file and the MapInfo table the georeference commands write, as
// GDAL reads them beside the image: a world file from the world-file record
// under ".TFW", and a table (not world-file text) under ".TAB".
TEST_F(CommandRun, WorldFileAndTableReadByGdal) {
  QZN_REQUIRE_PROGRAM("gdalinfo");
  qzntest::TempDir dir;
  const std::string image = dir.file("scan.tif");
  ASSERT_EQ(WriteTiffImage(image, doc->m_image, 0), 1);
  doc->m_paths[CQznDoc::kPathImage] = image;
  doc->m_tfw.m_A = 2.0;
  doc->m_tfw.m_E = -2.0;
  doc->m_tfw.m_C = 1000.0;
  doc->m_tfw.m_F = 5000.0;
  doc->m_tfw.m_nTerms = 3;
  auto gdalinfo = [&] {
    std::string out;
    EXPECT_EQ(qzntest::RunCommand("gdalinfo '" + image + "'", &out), 0) << out;
    return out;
  };

  host.fileAnswers.push_back({dir.file("scan.tab")});
  ASSERT_TRUE(RunViewCommand(*view, cmd::kFileSaveWorldFile));
  EXPECT_NE(qzntest::ReadFileText(dir.file("scan.tab")).find("Definition Table"), std::string::npos);
  double ox = 0, oy = 0, px = 0, py = 0;
  auto read = [&](const std::string& out) {
    const std::size_t o = out.find("Origin = ("), p = out.find("Pixel Size = (");
    return o != std::string::npos && p != std::string::npos &&
           std::sscanf(out.c_str() + o, "Origin = (%lf,%lf)", &ox, &oy) == 2 &&
           std::sscanf(out.c_str() + p, "Pixel Size = (%lf,%lf)", &px, &py) == 2;
  };
  std::string out = gdalinfo();
  ASSERT_TRUE(read(out)) << out;
  EXPECT_NEAR(px, 2.0, 1e-9);
  EXPECT_NEAR(py, -2.0, 1e-9);
  EXPECT_NEAR(ox, 1000.0, 1e-6);
  EXPECT_NEAR(oy, 5000.0, 1e-6);
  std::filesystem::remove(dir.file("scan.tab"));

  host.fileAnswers.push_back({dir.file("scan.tfw")});
  ASSERT_TRUE(RunViewCommand(*view, cmd::kFileSaveWorldFile));
  out = gdalinfo();
  ASSERT_TRUE(read(out)) << out;
  // A world file names the centre of the first pixel; GDAL gives its corner.
  EXPECT_NEAR(ox, 999.0, 1e-9);
  EXPECT_NEAR(oy, 5001.0, 1e-9);
  EXPECT_NEAR(px, 2.0, 1e-12);
  EXPECT_NEAR(py, -2.0, 1e-12);
  EXPECT_TRUE(host.messages.empty());
}

namespace {

// A printed page on the software canvas: the picture stretched by nearest
// pixel, the clip kept to cut what is drawn afterwards.
struct CanvasPage : IPrintPage {
  CRasterCanvas canvas;
  RECT clip{};
  std::vector<RECT> clips;
  CanvasPage(int w, int h) : canvas(w, h, RGB(255, 255, 255)) {}
  CCanvas& Canvas() override { return canvas; }
  void StretchPicture(const RgbBitmap&, SIZE, const RECT& dest) override { clips.push_back(dest); }
  void ClipTo(const RECT& r) override {
    clip = r;
    if (!IsRectEmpty(r)) clips.push_back(r);
  }
};

}  // namespace

// The printed vectors lie where the view shows them, scaled to the page,
// also when the view is zoomed into the middle of the workspace; the frame
// and the clip follow the picture's size at the view's aspect, inside the
// page's margins and under the title's line.
TEST_F(CommandRun, PrintedLinesLieWhereTheViewShowsThem) {
  view->OnMouseMove(0, POINT{window.client.cx / 2, window.client.cy / 2});
  view->OnViewZoomIn();
  view->OnViewZoomIn();
  ASSERT_GT(view->visibleRect.left, 0);
  CChain* line = AddLine(doc->m_lines, {{30, 20}, {34, 20}});
  line->m_color = RGB(0, 0, 0);
  const int x0 = view->ImageToClientX(30), x1 = view->ImageToClientX(34), y = view->ImageToClientY(20);
  const SIZE client = view->clientSize;
  const int margin = 40;
  CanvasPage page(client.cx * 2 + 2 * margin, client.cy * 4 + 2 * margin);
  const RECT area{margin, margin, margin + client.cx * 2, margin + client.cy * 4};  // taller than the view's aspect
  PrintViewPage(*view, page, area, "title");
  const int titleLine = page.canvas.GetTextExtent("title").cy;
  ASSERT_GT(titleLine, 0);
  const int top = margin + titleLine + titleLine / 2;
  // The picture: the area's width, the view's aspect, under the title.
  ASSERT_FALSE(page.clips.empty());
  const RECT placed = page.clips.back();
  EXPECT_EQ(placed.left, margin);
  EXPECT_EQ(placed.top, top);
  EXPECT_EQ(placed.right, margin + client.cx * 2);
  EXPECT_EQ(placed.bottom, top + client.cy * 2);
  // Black at the line's middle, twice the view's coordinates from the
  // picture's corner; white beside its start.
  EXPECT_EQ(page.canvas.GetPixel(margin + x0 + x1, top + 2 * y), RGB(0, 0, 0));
  ASSERT_GT(2 * x0 - 6, 0);
  EXPECT_EQ(page.canvas.GetPixel(margin + 2 * x0 - 6, top + 2 * y), RGB(255, 255, 255));
  // The frame's corner; nothing in the margin.
  EXPECT_EQ(page.canvas.GetPixel(margin, top), RGB(0, 0, 0));
  EXPECT_EQ(page.canvas.GetPixel(margin - 1, top), RGB(255, 255, 255));
}

// Layer files: saved and read back; a file that cannot be written is
// reported; a file that is neither a layer text file nor a stored layer
// table is refused and the layers stay.
TEST_F(CommandRun, LayerFilesSaveLoadAndRefuseWhatIsNotOne) {
  qzntest::TempDir dir;
  doc->m_layers.m_layers.front().m_color = RGB(200, 0, 0);
  const std::string lay = dir.file("layers.lay");
  host.fileAnswers.push_back({lay});
  ASSERT_TRUE(RunViewCommand(*view, cmd::kFileSaveLayers));
  ASSERT_TRUE(std::filesystem::exists(lay));

  host.fileAnswers.push_back({dir.file("missing/layers.lay")});
  ASSERT_TRUE(RunViewCommand(*view, cmd::kFileSaveLayers));
  ASSERT_EQ(host.Texts(), std::vector<std::string>{"文件打开错误!"});
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));

  doc->m_layers.m_layers.front().m_color = RGB(0, 0, 200);
  host.fileAnswers.push_back({lay});
  ASSERT_TRUE(RunViewCommand(*view, cmd::kFileLoadLayers));
  ASSERT_EQ(doc->m_layers.m_layers.size(), 1u);
  EXPECT_EQ(doc->m_layers.m_layers.front().m_color, RGB(200, 0, 0));

  // Bytes of no layer file, a layer text file with fewer layers than its
  // count, and layer files giving a width no layer can have (a stored
  // table's 0, a text file's 1e39 or nan): one message each, the layers as
  // they were.
  const std::string junk = dir.file("junk.lay");
  qzntest::WriteFileBytes(junk, {0x01, 0x02, 0x03, 0xFF, 0x00, 0x41});
  for (const std::string& path :
       {junk, qzntest::SourcePath("tests/fixtures/damaged/readers/lay/declared-count-not-met.lay"),
        qzntest::SourcePath("tests/fixtures/damaged/readers/lay/binary-layer-width-zero.lay"),
        qzntest::SourcePath("tests/fixtures/damaged/readers/lay/width-1e39.lay"),
        qzntest::SourcePath("tests/fixtures/damaged/readers/lay/width-nan.lay")}) {
    SCOPED_TRACE(path);
    host.messages.clear();
    host.fileAnswers.push_back({path});
    ASSERT_TRUE(RunViewCommand(*view, cmd::kFileLoadLayers));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"文件打开错误!"});
    ASSERT_EQ(doc->m_layers.m_layers.size(), 1u);
    EXPECT_EQ(doc->m_layers.m_layers.front().m_color, RGB(200, 0, 0));
  }
}

// Automatic line IDs from the range dialog; the contrast moved live and put
// back by Cancel.
TEST_F(CommandRun, AutomaticIdsAndACancelledContrast) {
  for (int i = 0; i < 3; ++i) AddLine(doc->m_lines, {{1.0f + i, 1}, {20, 20}});
  Answer({{CIDRangeDlg::kStart, "10"}, {CIDRangeDlg::kIncrement, "5"}});
  ASSERT_TRUE(RunViewCommand(*view, 32958));
  std::vector<float> ids;
  for (const CChain* c : doc->m_lines) ids.push_back(c->m_fID);
  EXPECT_EQ(ids, (std::vector<float>{10.0f, 15.0f, 20.0f}));

  const std::int32_t before = view->displayColor;
  dialogs.scripts.push_back([&](CDialogModel& m, FakeControls& c) {
    m.OnScroll(CContrastDlg::kLowBar, kScrollThumbPosition, 100, c);
    EXPECT_NE(view->displayColor, before);  // shown while the bar moves
    return qzntest::PressCancel(m, c);
  });
  ASSERT_TRUE(RunViewCommand(*view, 32770));
  EXPECT_EQ(view->displayColor, before);
}
