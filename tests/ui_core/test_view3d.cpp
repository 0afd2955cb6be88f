// The 3D view without OpenGL: camera arithmetic, the view's commands and
// animation, the surface's vertices and ramp entries, the drape's tiles,
// picking, the scale and settings dialogs' effect and the model export.
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_terrain.h"
#include "resources/messages_view3d.h"
#include "terrain/dembuilder.h"
#include "tests/terrain/terrain_test_util.h"
#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/dialogs3d.h"
#include "ui/core/openglview.h"
#include "ui/core/qznview.h"

using namespace qzn;
using terraintest::FillDoc;

namespace {

struct Fake3DWindow : I3DWindow {
  int invalidations = 0;
  std::map<int, int> timers;  // running timers: id -> period
  float depth = 1.0f;
  bool depthReadable = true;
  int depthX = -1, depthY = -1;
  int cursorMoves = 0;
  // Runs a dialog's logic on fake controls; by default presses OK at once.
  std::function<bool(CDialogModel&, qzntest::FakeControls&)> dialog = [](CDialogModel& d, qzntest::FakeControls& c) {
    return d.OnOK(c);
  };
  std::vector<int> dialogs;

  void Invalidate() override { ++invalidations; }
  void StartTimer(int id, int ms) override { timers[id] = ms; }
  void StopTimer(int id) override { timers.erase(id); }
  bool ReadDepth(int x, int y, float& d) override {
    depthX = x, depthY = y;
    d = depth;
    return depthReadable;
  }
  bool RunDialog(CDialogModel& d) override {
    dialogs.push_back(d.DialogId());
    qzntest::FakeControls c;
    d.InitDialog(c);
    return dialog(d, c);
  }
  void CursorMoved() override { ++cursorMoves; }
};

// A grid of columns x rows with heights h(c, r).
COpenGLDoc* MakeGrid(COpenGLDoc& doc, int columns, int rows, float cell, const std::function<float(int, int)>& h) {
  std::vector<float> heights;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) heights.push_back(h(c, r));
  FillDoc(doc, columns, rows, cell, heights);
  return &doc;
}

}  // namespace

TEST(Camera3D, TopViewPutsColumnsRightRowsDownAndPointsComeBack) {
  COpenGLDoc doc;
  MakeGrid(doc, 11, 11, 10.0f, [](int, int) { return 0.0f; });
  Fake3DWindow w;
  COpenGLView v(&doc, &w);
  v.OnSize(400, 400);
  v.tiltAngle = 90.0;
  v.turnAngle = 0.0;
  const CFrameSetup f = v.SetupFrame();
  CPoint3 a, b;
  ASSERT_TRUE(ProjectPoint({-50, 0, -50}, f.modelView, f.projection, f.viewport, a));
  ASSERT_TRUE(ProjectPoint({40, 0, 40}, f.modelView, f.projection, f.viewport, b));
  EXPECT_LT(a.x, b.x);  // a later column lies to the right
  EXPECT_GT(a.y, b.y);  // a later row lies lower (GL's y counts up)
  // zoom 2: the box spans 1.5 x the world's width (110) each way; the
  // window's 400 pixels span 330 units.
  EXPECT_NEAR(b.x - a.x, 90.0 * 400.0 / 330.0, 1e-9);
  EXPECT_NEAR(a.z, 0.5, 1e-3);  // the depth offset barely moves the depth

  // Any view: a point projected and taken back is the same point.
  v.tiltAngle = 33.0;
  v.turnAngle = -125.0;
  v.zoom = 5.0;
  const CFrameSetup g = v.SetupFrame();
  for (const CPoint3 p : {CPoint3{-50, 12, 30}, CPoint3{0, 0, 0}, CPoint3{49.5, -3, -7.25}}) {
    CPoint3 win, back;
    ASSERT_TRUE(ProjectPoint(p, g.modelView, g.projection, g.viewport, win));
    ASSERT_TRUE(UnProjectPoint(win, g.modelView, g.projection, g.viewport, back));
    EXPECT_NEAR(back.x, p.x, 1e-6);
    EXPECT_NEAR(back.y, p.y, 1e-6);
    EXPECT_NEAR(back.z, p.z, 1e-6);
  }
}

TEST(View3D, TiltTurnAndZoomKeepTheirLimits) {
  COpenGLDoc doc;
  Fake3DWindow w;
  COpenGLView v(&doc, &w);
  struct Case {
    const char* what;
    double start;
    std::function<void()> run;
    double* value;
    std::vector<double> expected;  // after each run
  };
  const Case cases[] = {
      {"down from 87", 87, [&] { v.OnViewDown(); }, &v.tiltAngle, {89, 90, 90}},
      {"up from 3", 3, [&] { v.OnViewUp(); }, &v.tiltAngle, {1, 0, 0}},
      {"left from 0", 0, [&] { v.OnViewLeft(); }, &v.turnAngle, {-5, -10}},
      {"left from 7.9", 7.9, [&] { v.OnViewLeft(); }, &v.turnAngle, {2, -3}},
      {"right from 352", 352, [&] { v.OnViewRight(); }, &v.turnAngle, {357, 2}},
      {"right from -357", -357, [&] { v.OnViewRight(); }, &v.turnAngle, {-352}},
      {"zoom out from 2.5", 2.5, [&] { v.OnViewZoomOut(); }, &v.zoom, {1.5, 1, 1}},
      {"zoom in from 1", 1, [&] { v.OnViewZoomIn(); }, &v.zoom, {2, 3}},
  };
  for (const Case& c : cases) {
    *c.value = c.start;
    for (double e : c.expected) {
      const int before = w.invalidations;
      c.run();
      EXPECT_EQ(*c.value, e) << c.what;
      EXPECT_EQ(w.invalidations, before + 1) << c.what;
    }
  }
  v.turnAngle = 45;
  for (int i = 0; i < 72; ++i) v.OnViewRight();
  EXPECT_EQ(v.turnAngle, 45);
}

TEST(View3D, AnimationTurnsByOneDegreeATickAndTheSettingsDialogStopsIt) {
  COpenGLDoc doc;
  MakeGrid(doc, 3, 3, 1.0f, [](int, int) { return 0.0f; });
  Fake3DWindow w;
  COpenGLView v(&doc, &w);
  v.turnAngle = 357.6;
  v.OnAnimate();
  ASSERT_EQ(w.timers.count(COpenGLView::kRotationTimer), 1u);
  EXPECT_EQ(w.timers[COpenGLView::kRotationTimer], 30);
  EXPECT_EQ(v.animating, 1);
  for (double e : {358.0, 359.0, 0.0, 1.0}) {
    v.OnTimer(COpenGLView::kRotationTimer);
    EXPECT_EQ(v.turnAngle, e);
  }
  v.OnTimer(7);  // another timer's tick turns nothing
  EXPECT_EQ(v.turnAngle, 1.0);
  v.OnAnimate();
  EXPECT_TRUE(w.timers.empty());
  EXPECT_EQ(v.animating, 0);

  // The settings dialog stops a running animation, OK or Cancel, and the
  // next "活动" starts it again (not a second stop).
  for (bool ok : {true, false}) {
    v.OnAnimate();
    w.dialog = [ok](CDialogModel& d, qzntest::FakeControls& c) { return ok && d.OnOK(c); };
    v.On3DSettings();
    EXPECT_TRUE(w.timers.empty()) << ok;
    EXPECT_EQ(v.animating, 0) << ok;
    v.OnAnimate();
    EXPECT_EQ(w.timers.count(COpenGLView::kRotationTimer), 1u) << ok;
    v.OnAnimate();
  }
}

TEST(View3D, SurfaceVerticesAndRampEntries) {
  COpenGLDoc doc;
  // 2 x 2: one quadrilateral, corners at -1 and 0 cell sizes.
  MakeGrid(doc, 2, 2, 10.0f, [](int c, int r) { return c == 1 && r == 1 ? 8.0f : 0.0f; });
  C3DSurface s;
  BuildSurface(doc, 2.0f, s);
  ASSERT_EQ(s.positions.size(), 12u);
  const float expected[] = {-10, 0, -10, 0, 0, -10, -10, 0, 0, 0, 16, 0};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(s.positions[static_cast<std::size_t>(i)], expected[i]) << i;
  EXPECT_EQ(s.rampEntry, (std::vector<std::uint8_t>{0, 0, 0, 255}));

  // Odd sizes halve by integer division; a flat grid takes entry 0; a
  // middle height its share of 256.
  MakeGrid(doc, 3, 3, 2.0f, [](int c, int) { return c == 2 ? 4.0f : c == 1 ? 1.0f : 0.0f; });
  BuildSurface(doc, 1.0f, s);
  EXPECT_EQ(s.positions[0], -2.0f);
  EXPECT_EQ(s.positions[3 * 8], 2.0f);
  EXPECT_EQ(s.rampEntry[1], 64);
  EXPECT_EQ(s.rampEntry[2], 255);
  MakeGrid(doc, 3, 2, 1.0f, [](int, int) { return 0.0f; });
  BuildSurface(doc, 1.0f, s);
  EXPECT_EQ(s.rampEntry, (std::vector<std::uint8_t>(6, 0)));
}

TEST(View3D, FrameKeepsAValidScaleAndBox) {
  COpenGLDoc doc;
  MakeGrid(doc, 4, 3, 2.5f, [](int, int) { return 0.0f; });
  Fake3DWindow w;
  COpenGLView v(&doc, &w);
  v.OnSize(0, 50);  // ignored
  EXPECT_EQ(v.clientWidth, 0);
  v.OnSize(300, 200);
  for (float bad : {0.0f, -2.0f}) {
    v.verticalScale = bad;
    v.SetupFrame();
    EXPECT_EQ(v.verticalScale, 1.0f);
  }
  EXPECT_EQ(v.worldRect, (RECT{0, 0, 10, 7}));  // 4 x 2.5, 3 x 2.5 truncated
  // Seen from above, a square of the ground is a square of pixels in a
  // window of any shape.
  v.tiltAngle = 90.0;
  v.turnAngle = 0.0;
  for (auto [cx, cy] : {std::pair{300, 200}, std::pair{200, 300}, std::pair{640, 100}}) {
    v.OnSize(cx, cy);
    const CFrameSetup top = v.SetupFrame();
    CPoint3 a, b, c;
    ASSERT_TRUE(ProjectPoint({0, 0, 0}, top.modelView, top.projection, top.viewport, a));
    ASSERT_TRUE(ProjectPoint({2, 0, 0}, top.modelView, top.projection, top.viewport, b));
    ASSERT_TRUE(ProjectPoint({0, 0, 2}, top.modelView, top.projection, top.viewport, c));
    EXPECT_NEAR(std::abs(b.x - a.x), std::abs(c.y - a.y), 1e-9) << cx << " x " << cy;
  }
  v.OnSize(300, 200);
  doc.m_fCellSize = -1.0f;
  v.SetupFrame();
  EXPECT_EQ(v.worldRect, (RECT{0, 0, 4, 3}));
  // A world narrower than one unit still gives a box with a size.
  doc.m_fCellSize = 0.1f;
  const CFrameSetup f = v.SetupFrame();
  CMatrix4 inverse;
  EXPECT_TRUE(InvertMatrix(f.projection, inverse));
  EXPECT_TRUE(std::isfinite(f.projection[0]));
}

TEST(View3D, TileSizeAndTilesClippedToTheImage) {
  COpenGLDoc doc;
  MakeGrid(doc, 103, 103, 5.0f, [](int, int) { return 0.0f; });
  doc.m_fLowerLeftX = 511.0f;
  doc.m_fLowerLeftY = 511.0f;
  struct Case {
    RECT rect;
    long side;
  } cases[] = {
      {{0, 0, 511, 511}, 5},   // the grid's own extent: the cell size
      {{0, 0, 510, 511}, 5},   // otherwise 510 / 102 and 511 / 102
      {{0, 0, 1020, 408}, 4},  // the smaller of 10 and 4
      {{20, 20, 60, 400}, 1},  // 40 / 102 = 0: at least 1
  };
  for (const Case& c : cases) {
    const SIZE s = GetTileSize(c.rect, doc);
    EXPECT_EQ(s.cx, c.side);
    EXPECT_EQ(s.cy, c.side);
  }
  const RECT bounds{0, 0, 512, 512};
  CDrapePlan plan = PlanDrape(doc, RECT{0, 0, 511, 511}, bounds);
  EXPECT_EQ(plan.tiles.size(), 102u * 102u);
  EXPECT_EQ(plan.clipped, 0);
  EXPECT_EQ(plan.tiles.back(), (RECT{505, 505, 510, 510}));

  // A larger cell size (the scale dialog) makes tiles reach past the image:
  // they keep the part on it, and one wholly beside it is empty.
  doc.m_fCellSize = 40.0f;
  plan = PlanDrape(doc, RECT{0, 0, 511, 511}, bounds);
  EXPECT_GT(plan.clipped, 0);
  for (const RECT& t : plan.tiles) {
    RECT inside;
    EXPECT_TRUE(IsRectEmpty(t) || (IntersectRect(inside, t, bounds) && inside == t));
  }
  EXPECT_EQ(plan.tiles.back(), (RECT{505, 505, 512, 512}));
  plan = PlanDrape(doc, RECT{600, 0, 700, 511}, bounds);
  EXPECT_TRUE(IsRectEmpty(plan.tiles[0]));

  // Under 2 x 2 there is no spacing to divide by and no cell.
  MakeGrid(doc, 1, 5, 1.0f, [](int, int) { return 0.0f; });
  EXPECT_EQ(GetTileSize(RECT{0, 0, 50, 50}, doc).cx, 1);
  EXPECT_TRUE(PlanDrape(doc, RECT{0, 0, 50, 50}, bounds).tiles.empty());
  EXPECT_TRUE(IsRectEmpty(GetTileRect(0, 0, RECT{0, 0, 50, 50}, SIZE{1, 1}, 1, 5)));
}

TEST(View3D, PickShowsTheModelPointOrNoData) {
  CScriptedHost host;
  CHostScope scope(&host);
  COpenGLDoc doc;
  MakeGrid(doc, 11, 11, 10.0f, [](int, int) { return 0.0f; });
  Fake3DWindow w;
  COpenGLView v(&doc, &w);
  v.OnSize(400, 300);
  v.tiltAngle = 90.0;
  v.turnAngle = 0.0;
  g_cursorX = 7.0, g_cursorY = 8.0;
  for (float depth : {1.0f, 0.0f, 1.5f}) {
    w.depth = depth;
    v.OnLButtonDown(200, 150);
    EXPECT_EQ(host.statusText, res::text::kPickNoData);
    EXPECT_EQ(g_cursorX, 7.0);
    EXPECT_EQ(g_cursorY, 8.0);
  }
  // Outside the window and an unreadable depth read nothing either.
  w.depth = 0.5f;
  w.depthX = -1;
  v.OnLButtonDown(400, 10);
  EXPECT_EQ(w.depthX, -1);
  w.depthReadable = false;
  v.OnLButtonDown(10, 10);
  EXPECT_EQ(host.statusText, res::text::kPickNoData);
  EXPECT_EQ(w.cursorMoves, 0);

  // A depth at a pixel: GL's row counts from the bottom; the point is the
  // pixel's centre taken back into the model.
  w.depthReadable = true;
  const CFrameSetup f = v.SetupFrame();
  CPoint3 win;
  ASSERT_TRUE(ProjectPoint({20.0, 0.0, -30.0}, f.modelView, f.projection, f.viewport, win));
  const int px = static_cast<int>(win.x), py = 300 - 1 - static_cast<int>(win.y);
  w.depth = static_cast<float>(win.z);
  v.OnLButtonDown(px, py);
  EXPECT_EQ(w.depthX, px);
  EXPECT_EQ(w.depthY, static_cast<int>(win.y));
  CPoint3 expected;
  ASSERT_TRUE(UnProjectPoint({px + 0.5, static_cast<int>(win.y) + 0.5, double(w.depth)}, f.modelView, f.projection,
                             f.viewport, expected));
  EXPECT_NEAR(g_cursorX, 20.0, 1.0);
  EXPECT_NEAR(g_cursorY, -30.0, 1.0);
  EXPECT_EQ(g_cursorX, expected.x);
  EXPECT_EQ(g_cursorY, expected.z);
  EXPECT_EQ(host.statusText, FormatC("X=%.3f Y=%.3f 高度=%f", expected.x, expected.z, expected.y));
  EXPECT_EQ(w.cursorMoves, 1);
}

TEST(View3D, ScaleDialogSetsVerticalScaleExportScaleAndCellSize) {
  COpenGLDoc doc;
  MakeGrid(doc, 3, 3, 10.0f, [](int, int) { return 0.0f; });
  Fake3DWindow w;
  COpenGLView v(&doc, &w);
  auto answer = [&](const char* scale, const char* mesh) {
    w.dialog = [=](CDialogModel& d, qzntest::FakeControls& c) {
      EXPECT_EQ(d.DialogId(), C3DScaleDlg::kId);
      c.text[C3DScaleDlg::kVerticalScale] = scale;
      c.text[C3DScaleDlg::kMeshSize] = mesh;
      return d.OnOK(c);
    };
  };
  CScriptedHost host;
  CHostScope scope(&host);
  answer("2.5", "4");
  v.OnScale();
  EXPECT_EQ(v.verticalScale, 2.5f);
  EXPECT_EQ(doc.m_fExportScale, 2.5f);
  EXPECT_EQ(doc.m_fCellSize, 4.0f);
  // A cell size of 0 or less is not taken.
  answer("1", "0");
  v.OnScale();
  EXPECT_EQ(v.verticalScale, 1.0f);
  EXPECT_EQ(doc.m_fCellSize, 4.0f);
  // Cancel changes nothing.
  w.dialog = [](CDialogModel&, qzntest::FakeControls&) { return false; };
  v.OnScale();
  EXPECT_EQ(v.verticalScale, 1.0f);
}

TEST(View3D, ModelExportWritesByExtensionAndSaysWhyItFailed) {
  qzntest::TempDir dir;
  CScriptedHost host;
  CHostScope scope(&host);
  COpenGLDoc doc;
  MakeGrid(doc, 4, 3, 1.0f, [](int c, int r) { return float(c + r); });
  Fake3DWindow w;
  COpenGLView v(&doc, &w);
  v.verticalScale = -1.0f;  // taken as 1
  host.fileAnswers.push_back({dir.file("model.STL")});
  v.OnExportModel();
  ASSERT_EQ(host.fileDialogs.size(), 1u);
  EXPECT_EQ(host.fileDialogs[0].defaultExtension, "dxf");
  EXPECT_EQ(host.fileDialogs[0].fileName, "*.dxf");
  EXPECT_EQ(host.fileDialogs[0].filter, res::text::kModelFilter);
  EXPECT_EQ(v.verticalScale, 1.0f);
  EXPECT_EQ(doc.m_fExportScale, 1.0f);
  const auto stl = qzntest::ReadFileBytes(dir.file("model.STL"));
  ASSERT_GE(stl.size(), 84u);
  EXPECT_EQ(stl[80], 40);  // 4 columns, 3 rows: 12 + 8 + 12 + 14 - 6 triangles
  EXPECT_TRUE(host.messages.empty());

  // Cancelled: nothing; a file that cannot be made: its reason, once.
  v.OnExportModel();
  EXPECT_TRUE(host.messages.empty());
  host.fileAnswers.push_back({dir.file("no/such/folder/m.txt")});
  v.OnExportModel();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, doc.GetErrorText());
  host.messages.clear();
  host.fileAnswers.push_back({dir.file("no/such/folder/m.stl")});
  v.OnExportModel();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, res::text::kStlOpenError);
}

TEST(View3D, DrapeFollowsItsWorkspace) {
  COpenGLDoc doc;
  MakeGrid(doc, 11, 11, 10.0f, [](int, int) { return 0.0f; });
  Fake3DWindow w;
  COpenGLView v(&doc, &w);
  CQznDoc image, other;
  EXPECT_FALSE(v.DrapeMode());
  v.SetDrape(&image, RECT{0, 0, 100, 50});
  EXPECT_TRUE(v.DrapeMode());
  EXPECT_EQ(v.tileWidth, 5);  // min(100 / 10, 50 / 10)
  v.showDrape = 0;
  EXPECT_FALSE(v.DrapeMode());
  v.showDrape = 1;
  v.ForgetDrapeSource(&other);
  EXPECT_TRUE(v.DrapeMode());
  v.ForgetDrapeSource(&image);
  EXPECT_FALSE(v.DrapeMode());
  EXPECT_EQ(v.drapeDoc, nullptr);
}

// A DEM written from a workspace gives its header the corners of the grid's
// first and last columns and rows; DEMs written before gave the extent's.
// Both open as the same grid and are draped over the workspace's image tile
// for tile alike: neither the 3D view nor the reader takes its sizes from
// those corners.
TEST(View3D, DemsWithTheGridsOrTheExtentsCornersOpenAndDrapeAlike) {
  CQznDoc ws;
  terraintest::SetExtent(ws, 0, 0, 120, 90);  // 7 divides neither side
  terraintest::AddLine(ws, 125.0f, {{3, 5}, {60, 44}, {118, 88}});
  terraintest::AddPoint(ws, 100, 10, 300.0f);
  CScriptedHost host;
  CHostScope scope(&host);
  qzntest::TempDir dir;
  CDemBuilder b(&ws.m_lines, &ws, 7, dir.file("new.dem"));
  ASSERT_EQ(b.WriteDem(), 1) << b.GetErrorText();
  std::string bytes = qzntest::ReadFileText(dir.file("new.dem"));
  // The writer's corners (0, 1, 3, 2 at bytes 546 to 738): the grid's.
  const auto corners = [](double l, double t, double r, double bt) {
    std::string s;
    for (auto [x, y] : {std::pair{l, t}, std::pair{r, t}, std::pair{r, bt}, std::pair{l, bt}})
      s += FormatC("%24.14E%24.14E", x, y);
    return s;
  };
  ASSERT_EQ(bytes.substr(546, 192), corners(0, 0, 17 * 7, 12 * 7));
  bytes.replace(546, 192, corners(0, 0, 120, 90));
  qzntest::WriteFileText(dir.file("old.dem"), bytes);

  COpenGLDoc now, old;
  ASSERT_EQ(now.OnOpenDocument(dir.file("new.dem")), 1) << now.GetErrorText();
  ASSERT_EQ(old.OnOpenDocument(dir.file("old.dem")), 1) << old.GetErrorText();
  EXPECT_EQ(now.m_nColumns, b.GetColumns());
  EXPECT_EQ(now.m_nRows, b.GetRows());
  EXPECT_EQ(old.m_nColumns, now.m_nColumns);
  EXPECT_EQ(old.m_nRows, now.m_nRows);
  EXPECT_EQ(old.m_heights, now.m_heights);
  EXPECT_EQ(old.m_fCellSize, now.m_fCellSize);
  for (const RECT image : {RECT{0, 0, 121, 91}, RECT{10, 20, 70, 80}}) {
    const CDrapePlan a = PlanDrape(now, image, RECT{0, 0, 121, 91});
    const CDrapePlan c = PlanDrape(old, image, RECT{0, 0, 121, 91});
    EXPECT_EQ(a.tile.cx, c.tile.cx);
    EXPECT_EQ(a.tile.cy, c.tile.cy);
    EXPECT_TRUE(a.tiles == c.tiles);
    EXPECT_EQ(a.clipped, c.clipped);
  }
}
