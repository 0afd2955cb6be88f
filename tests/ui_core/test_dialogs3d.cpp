// The 3D dialogs against fake controls, and the image view's grid, DEM and
// drape commands through them.
#include <gtest/gtest.h>

#include "platform/host.h"
#include "resources/messages_view3d.h"
#include "terrain/demsettings.h"
#include "tests/terrain/terrain_test_util.h"
#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/commands3d.h"
#include "ui/core/dialogs3d.h"
#include "ui/core/openglview.h"
#include "ui/core/qznview.h"
#include "ui/core/smalldialogs.h"

using namespace qzn;
using qzntest::FakeControls;

namespace {

struct NoWindow : I3DWindow {
  std::function<bool(CDialogModel&)> dialog = [](CDialogModel&) { return false; };
  int invalidations = 0;
  void Invalidate() override { ++invalidations; }
  void StartTimer(int, int) override {}
  void StopTimer(int) override {}
  bool ReadDepth(int, int, float&) override { return false; }
  bool RunDialog(CDialogModel& d) override { return dialog(d); }
};

}  // namespace

TEST(GridDialogs, SliderRangeStartAndCountsFromTheExtent) {
  CScriptedHost host;
  CHostScope scope(&host);
  struct Case {
    RECT extent;
    int high, initial, columns, rows;
  } cases[] = {
      {{0, 0, 8, 100}, 4, 2, 5, 51},  {{0, 0, 511, 511}, 255, 5, 103, 103},
      {{0, 0, 10, 30}, 5, 5, 3, 7},   {{0, 0, 3, 3}, 2, 2, 2, 2},  // under 4 pixels the range stays 2 to 2
      {{40, 90, 0, 0}, 20, 5, 9, 19},                              // given the wrong way round
  };
  for (const Case& k : cases) {
    CGridMeshSizeDlg d(k.extent, nullptr);
    FakeControls c;
    d.InitDialog(c);
    EXPECT_EQ(c.scrollRange[CGridMeshSizeDlg::kSlider], std::make_pair(2, k.high));
    EXPECT_EQ(c.scrollPos[CGridMeshSizeDlg::kSlider], k.initial);
    EXPECT_EQ(d.cellSize, k.initial);
    EXPECT_EQ(c.text[CGridMeshSizeDlg::kCellSize], std::to_string(k.initial));
    EXPECT_EQ(c.text[CGridMeshSizeDlg::kColumns], "列=" + std::to_string(k.columns));
    EXPECT_EQ(c.text[CGridMeshSizeDlg::kRows], "行=" + std::to_string(k.rows));
  }
  // Moving the slider: the cell size and the counts follow.
  CGridMeshSizeDlg d(RECT{0, 0, 511, 511}, nullptr);
  FakeControls c;
  d.InitDialog(c);
  c.SetScrollPos(CGridMeshSizeDlg::kSlider, 10);
  d.OnScroll(CGridMeshSizeDlg::kSlider, kScrollThumbTrack, 0, c);
  EXPECT_EQ(d.cellSize, 10);
  EXPECT_EQ(c.text[CGridMeshSizeDlg::kColumns], "列=52");
  EXPECT_EQ(c.text[CGridMeshSizeDlg::kCellSize], "10");
}

TEST(GridDialogs, OutputPathDefaultsBrowseAndAnyLength) {
  CScriptedHost host;
  CHostScope scope(&host);
  CQznDoc doc;
  CGridMeshSizeDlg unnamed(RECT{0, 0, 100, 100}, &doc);
  EXPECT_EQ(unnamed.outputPath, "新栅格.grd");
  CDemSettingsDlg unnamedDem(RECT{0, 0, 100, 100}, &doc);
  EXPECT_EQ(unnamedDem.outputPath, "NewDEM.dem");
  doc.SetPathName("/maps/sheet 12.tif");
  EXPECT_EQ(CGridMeshSizeDlg(RECT{0, 0, 100, 100}, &doc).outputPath, "/maps/sheet 12.grd");
  EXPECT_EQ(CDemSettingsDlg(RECT{0, 0, 100, 100}, &doc).outputPath, "/maps/sheet 12.dem");

  CGridMeshSizeDlg d(RECT{0, 0, 100, 100}, &doc);
  FakeControls c;
  d.InitDialog(c);
  EXPECT_EQ(c.text[CGridMeshSizeDlg::kOutput], "/maps/sheet 12.grd");
  // Browse cancelled: the message, the path stays.
  d.OnClicked(CGridMeshSizeDlg::kBrowse, c);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "文件打开错误!");
  EXPECT_EQ(c.text[CGridMeshSizeDlg::kOutput], "/maps/sheet 12.grd");
  ASSERT_EQ(host.fileDialogs.size(), 1u);
  EXPECT_EQ(host.fileDialogs[0].kind, FileDialogKind::save);
  EXPECT_EQ(host.fileDialogs[0].defaultExtension, "grd");
  EXPECT_EQ(host.fileDialogs[0].filter, "栅格文件 (*.grd)|*.grd|所有文件(*.*)|*.*||");
  host.fileAnswers.push_back({"/elsewhere/hill.grd"});
  d.OnClicked(CGridMeshSizeDlg::kBrowse, c);
  EXPECT_EQ(c.text[CGridMeshSizeDlg::kOutput], "/elsewhere/hill.grd");
  // A path longer than 256 characters is taken whole.
  const std::string deep = "/" + std::string(300, 'd') + "/高程.grd";
  c.text[CGridMeshSizeDlg::kOutput] = deep;
  c.SetScrollPos(CGridMeshSizeDlg::kSlider, 7);
  ASSERT_TRUE(d.OnOK(c));
  EXPECT_EQ(d.outputPath, deep);
  EXPECT_EQ(d.cellSize, 7);
}

TEST(GridDialogs, DemSettingsDefaultsAndWhatTheWriterGets) {
  CScriptedHost host;
  CHostScope scope(&host);
  CDemSettingsDlg d(RECT{10, 20, 110, 70}, nullptr);
  FakeControls c;
  d.InitDialog(c);
  EXPECT_EQ(c.text[CDemSettingsDlg::kName], "BOSTON-E");
  EXPECT_EQ(c.text[CDemSettingsDlg::kGroundUnits], "2");
  EXPECT_EQ(c.text[CDemSettingsDlg::kElevationUnits], "3");
  EXPECT_EQ(c.text[CDemSettingsDlg::kCorner0X], "10");
  EXPECT_EQ(c.text[CDemSettingsDlg::kCorner1X], "110");
  EXPECT_EQ(c.text[CDemSettingsDlg::kCorner2Y], "70");
  EXPECT_EQ(c.text[CDemSettingsDlg::kCorner3Y], "70");
  EXPECT_EQ(c.scrollRange[CDemSettingsDlg::kSlider], std::make_pair(2, 25));
  EXPECT_EQ(c.text[CDemSettingsDlg::kColumns], "列=21");
  EXPECT_EQ(c.text[CDemSettingsDlg::kRows], "行=11");
  c.text[CDemSettingsDlg::kName] = "山顶";
  c.text[CDemSettingsDlg::kGroundUnits] = "1";
  c.text[CDemSettingsDlg::kElevationUnits] = "2";
  c.text[CDemSettingsDlg::kCorner3X] = "111.5";
  c.SetScrollPos(CDemSettingsDlg::kSlider, 8);
  ASSERT_TRUE(d.OnOK(c));
  CDemSettings s;
  d.FillSettings(s);
  EXPECT_EQ(s.name, "山顶");
  EXPECT_EQ(s.groundUnits, 1);
  EXPECT_EQ(s.elevationUnits, 1);  // both from the ground code
  EXPECT_EQ(s.cornerX[3], 111.5f);
  EXPECT_EQ(s.cornerY[0], 20.0f);
  EXPECT_EQ(s.resolution, 8.0f);
  // A unit code that is no number keeps the dialog open.
  c.text[CDemSettingsDlg::kGroundUnits] = "米";
  EXPECT_FALSE(d.OnOK(c));
  EXPECT_EQ(c.focus, CDemSettingsDlg::kGroundUnits);
}

TEST(Settings3DDialog, StartsFromTheViewAndActsOnIt) {
  CScriptedHost host;
  CHostScope scope(&host);
  COpenGLDoc doc;
  NoWindow w;
  COpenGLView v(&doc, &w);
  v.tiltAngle = 47.0;
  v.turnAngle = -5.0;  // turned left from 0
  v.zoom = 12.0;       // zoomed in past the slider's 10
  C3DSettingsDlg d(v);
  FakeControls c;
  d.InitDialog(c);
  EXPECT_EQ(c.scrollRange[C3DSettingsDlg::kTilt], std::make_pair(0, 90));
  EXPECT_EQ(c.scrollRange[C3DSettingsDlg::kTurn], std::make_pair(0, 360));
  EXPECT_EQ(c.scrollRange[C3DSettingsDlg::kZoom], std::make_pair(1, 12));
  EXPECT_EQ(c.scrollPos[C3DSettingsDlg::kTurn], 355);
  EXPECT_EQ(c.text[C3DSettingsDlg::kTiltLabel], "47 度");
  EXPECT_EQ(c.text[C3DSettingsDlg::kTurnLabel], "355 度");
  EXPECT_EQ(c.text[C3DSettingsDlg::kZoomLabel], "12");
  EXPECT_FALSE(c.IsEnabled(C3DSettingsDlg::kOverlay));  // nothing draped
  // OK untouched leaves the view's picture as it was.
  ASSERT_TRUE(d.OnOK(c));
  d.Apply();
  EXPECT_EQ(v.tiltAngle, 47.0);
  EXPECT_EQ(v.turnAngle, 355.0);
  EXPECT_EQ(v.zoom, 12.0);

  // Sliders move their labels; Apply hands them to the view.
  c.SetScrollPos(C3DSettingsDlg::kTilt, 90);
  d.OnScroll(C3DSettingsDlg::kTilt, kScrollThumbTrack, 0, c);
  EXPECT_EQ(c.text[C3DSettingsDlg::kTiltLabel], "90 度");
  const int before = w.invalidations;
  d.OnClicked(C3DSettingsDlg::kApply, c);
  EXPECT_EQ(v.tiltAngle, 90.0);
  EXPECT_GT(w.invalidations, before);
  // Animate starts the view's rotation, a second press stops it.
  d.OnClicked(C3DSettingsDlg::kAnimate, c);
  EXPECT_EQ(v.animating, 1);
  d.OnClicked(C3DSettingsDlg::kAnimate, c);
  EXPECT_EQ(v.animating, 0);
}

TEST(Settings3DDialog, OverlaySettingsReachTheView) {
  CScriptedHost host;
  CHostScope scope(&host);
  COpenGLDoc doc;
  NoWindow w;
  COpenGLView v(&doc, &w);
  CQznDoc image;
  v.SetDrape(&image, RECT{0, 0, 10, 10});
  C3DSettingsDlg d(v);
  FakeControls c;
  d.InitDialog(c);
  EXPECT_TRUE(c.IsEnabled(C3DSettingsDlg::kOverlay));
  // The overlay dialog opens with grey ramp, drape and blend; its answer
  // becomes the dialog's and the view's.
  w.dialog = [](CDialogModel& m) {
    EXPECT_EQ(m.DialogId(), COverlaySetDlg::kId);
    auto& o = static_cast<COverlaySetDlg&>(m);
    EXPECT_EQ(o.background, 0);
    EXPECT_TRUE(o.overlay);
    EXPECT_TRUE(o.blend);
    FakeControls oc;
    o.InitDialog(oc);
    oc.check[COverlaySetDlg::kGrey] = true;
    oc.check[COverlaySetDlg::kColour] = false;
    oc.check[COverlaySetDlg::kBlend] = false;
    return o.OnOK(oc);
  };
  d.OnClicked(C3DSettingsDlg::kOverlay, c);
  EXPECT_EQ(v.greyRamp, 1);
  EXPECT_EQ(v.showDrape, 1);
  EXPECT_EQ(v.colourOverlay, 0);
  EXPECT_EQ(d.greyRamp, 1);
  EXPECT_EQ(d.colourOverlay, 0);
}

TEST(Scale3DDialog, VerticalScaleBetweenOneThousandthAndOneThousand) {
  CScriptedHost host;
  CHostScope scope(&host);
  struct Case {
    const char* scale;
    const char* mesh;
    bool ok;
  } cases[] = {{"0.001", "5", true},   {"1000", "-3", true}, {"0.0009", "5", false},
               {"1000.5", "5", false}, {"abc", "5", false},  {"2", "x", false}};
  for (const Case& k : cases) {
    C3DScaleDlg d;
    FakeControls c;
    d.InitDialog(c);
    c.text[C3DScaleDlg::kVerticalScale] = k.scale;
    c.text[C3DScaleDlg::kMeshSize] = k.mesh;
    EXPECT_EQ(d.OnOK(c), k.ok) << k.scale << " " << k.mesh;
  }
  EXPECT_EQ(host.messages[0].text, "请输入一个数字在 0.001 和 1000 之间。");
}

TEST(DrapeAreaDialog, WholeImageOrTheAreaWithinTheWorkspace) {
  CScriptedHost host;
  CHostScope scope(&host);
  const RECT extent{0, 0, 511, 399};
  CDrapeAreaDlg d(RECT{300, 250, 600, 100}, extent);
  FakeControls c;
  d.InitDialog(c);
  EXPECT_TRUE(c.check[CDrapeAreaDlg::kArea]);
  EXPECT_EQ(c.text[CDrapeAreaDlg::kLeft], "300");
  EXPECT_EQ(c.text[CDrapeAreaDlg::kBottom], "100");
  ASSERT_TRUE(d.OnOK(c));
  EXPECT_EQ(d.Result(), (RECT{300, 100, 511, 250}));  // normalised, cut to the extent
  c.check[CDrapeAreaDlg::kArea] = false;
  c.check[CDrapeAreaDlg::kWhole] = true;
  ASSERT_TRUE(d.OnOK(c));
  EXPECT_EQ(d.Result(), extent);
  // An area beside the workspace is refused; the dialog stays open.
  c.check[CDrapeAreaDlg::kArea] = true;
  c.check[CDrapeAreaDlg::kWhole] = false;
  c.text[CDrapeAreaDlg::kLeft] = "600";
  c.text[CDrapeAreaDlg::kRight] = "700";
  EXPECT_FALSE(d.OnOK(c));
  EXPECT_EQ(host.messages.back().text, res::text::kDrapeAreaOutside);
}

namespace {

// A workspace of 100 x 80 pixels with two contour lines and a spot height.
void Contours(CQznDoc& doc) {
  terraintest::SetExtent(doc, 0, 0, 100, 80);
  terraintest::AddLine(doc, 100.0f, {{0, 10}, {100, 10}});
  terraintest::AddLine(doc, 140.0f, {{0, 70}, {100, 70}});
  terraintest::AddPoint(doc, 50, 40, 180.0f);
}

struct Commands {
  std::vector<int> dialogs;
  std::vector<std::string> opened;
  COpenGLView* view = nullptr;
  std::function<bool(CDialogModel&)> answer = [](CDialogModel&) { return true; };
  C3DCommandHost Host() {
    C3DCommandHost h;
    h.runDialog = [this](CDialogModel& m) {
      dialogs.push_back(m.DialogId());
      return answer(m);
    };
    h.open3DView = [this](const std::string& p) {
      opened.push_back(p);
      return 1;
    };
    h.find3DView = [this] { return view; };
    return h;
  }
};

}  // namespace

TEST(Commands3D, GridAndDemAreWrittenThenOpened) {
  qzntest::TempDir dir;
  CScriptedHost host;
  CHostScope scope(&host);
  CQznDoc doc;
  EXPECT_FALSE(HasShownLinesOrPoints(doc));
  Commands cmds;
  EXPECT_EQ(CreateGridFile(doc, cmds.Host()), 0);  // nothing to build from
  EXPECT_TRUE(cmds.dialogs.empty());
  Contours(doc);
  ASSERT_TRUE(HasShownLinesOrPoints(doc));

  cmds.answer = [&](CDialogModel& m) {
    auto& d = static_cast<CGridMeshSizeDlg&>(m);
    EXPECT_EQ(d.cellSize, 5);
    d.cellSize = 10;
    d.outputPath = dir.file("hill.grd");
    return true;
  };
  ASSERT_EQ(CreateGridFile(doc, cmds.Host()), 1);
  EXPECT_EQ(cmds.dialogs, std::vector<int>{CGridMeshSizeDlg::kId});
  EXPECT_EQ(cmds.opened, std::vector<std::string>{dir.file("hill.grd")});
  COpenGLDoc grid;
  ASSERT_EQ(grid.OnOpenDocument(dir.file("hill.grd")), 1);
  EXPECT_EQ(grid.m_nColumns, 11);
  EXPECT_EQ(grid.m_nRows, 9);
  EXPECT_EQ(grid.m_fCellSize, 10.0f);

  cmds.answer = [&](CDialogModel& m) {
    auto& d = static_cast<CDemSettingsDlg&>(m);
    d.name = "HILL";
    d.outputPath = dir.file("hill.dem");
    return true;
  };
  ASSERT_EQ(CreateDemFile(doc, cmds.Host()), 1);
  EXPECT_EQ(cmds.opened.back(), dir.file("hill.dem"));
  EXPECT_EQ(qzntest::ReadFileText(dir.file("hill.dem")).substr(0, 4), "HILL");

  // Cancel: no file, nothing opened; a build that fails says why.
  cmds.answer = [](CDialogModel&) { return false; };
  EXPECT_EQ(CreateGridFile(doc, cmds.Host()), 0);
  EXPECT_EQ(cmds.opened.size(), 2u);
  cmds.answer = [&](CDialogModel& m) {
    auto& d = static_cast<CGridMeshSizeDlg&>(m);
    d.cellSize = 500;  // larger than the workspace: under 2 x 2
    d.outputPath = dir.file("tiny.grd");
    return true;
  };
  host.messages.clear();
  EXPECT_EQ(CreateGridFile(doc, cmds.Host()), 0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "生成高程栅格出错: 栅格不到 2 × 2 个单元, 请减小孔眼大小。");
  EXPECT_EQ(cmds.opened.size(), 2u);
}

TEST(Commands3D, DrapeTakesTheWholeExtentTheRubberBandOrTheDialogsArea) {
  CScriptedHost host;
  CHostScope scope(&host);
  auto doc = std::make_unique<CQznDoc>();
  doc->m_image.Init();
  doc->m_image.width = 512;
  doc->m_image.height = 400;
  doc->m_image.planes = 1;
  doc->m_image.bitsPerSample = 8;
  ASSERT_TRUE(doc->m_image.AllocPixels());
  doc->ResetExtent();
  const RECT extent{0, 0, 511, 399};
  Commands cmds;

  // No 3D window: only the message.
  EXPECT_EQ(DrapeImage(*doc, RECT{}, extent, cmds.Host()), 0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "没有 3D 视图可用。");
  EXPECT_TRUE(cmds.dialogs.empty());

  COpenGLDoc grid;
  NoWindow w;
  COpenGLView view(&grid, &w);
  cmds.view = &view;
  EXPECT_TRUE(CanDrapeImage(*doc, cmds.Host()));
  // The whole workspace in view and no rubber band: no dialog.
  ASSERT_EQ(DrapeImage(*doc, RECT{}, extent, cmds.Host()), 1);
  EXPECT_TRUE(cmds.dialogs.empty());
  EXPECT_EQ(view.drapeDoc, doc.get());
  EXPECT_EQ(view.imageRect, extent);
  EXPECT_EQ(view.drapeAvailable, 1);

  // A rubber band is proposed in the dialog; Cancel keeps the drape.
  RECT proposed{};
  cmds.answer = [&](CDialogModel& m) {
    auto& d = static_cast<CDrapeAreaDlg&>(m);
    proposed = RECT{d.left, d.top, d.right, d.bottom};
    return false;
  };
  EXPECT_EQ(DrapeImage(*doc, RECT{10, 20, 110, 220}, extent, cmds.Host()), 0);
  EXPECT_EQ(proposed, (RECT{10, 20, 110, 220}));
  EXPECT_EQ(view.imageRect, extent);
  cmds.answer = [](CDialogModel&) { return true; };
  ASSERT_EQ(DrapeImage(*doc, RECT{}, RECT{100, 50, 300, 250}, cmds.Host()), 1);
  EXPECT_EQ(view.imageRect, (RECT{100, 50, 300, 250}));
  EXPECT_EQ(cmds.dialogs.size(), 2u);
}
