// The 3D window driven as its user drives it: menu commands and their keys,
// the rotation on real timer ticks, a click that picks a surface point,
// copy and save window against the pixels read back, each 3D dialog shown
// once, and the whole way from a workspace's contour lines to a draped,
// exported model.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/image.h>
#include <wx/mdi.h>
#include <wx/statusbr.h>

#include "resources/commands.h"
#include "resources/messages_view3d.h"
#include "terrain/demsettings.h"
#include "tests/terrain/terrain_test_util.h"
#include "tests/view3d/view3d_test_util.h"
#include "ui/core/dialogs3d.h"
#include "ui/core/qznview.h"
#include "ui/core/smalldialogs.h"
#include "ui/dialogs3d.h"
#include "ui/imagewindow.h"
#include "ui/wxresources.h"

using namespace view3dtest;

namespace {

using Window3D = Desktop3D;

// A 3D menu item chosen.
void Choose(C3DFrame& f, int id) {
  wxCommandEvent e(wxEVT_MENU, WxId(id));
  e.SetEventObject(&f);
  f.GetEventHandler()->ProcessEvent(e);
  Pump(3);
}

// A left click on the canvas at a point given in the picture's pixels.
void ClickAt(C3DCanvas& canvas, double x, double y) {
  const double s = canvas.GetContentScaleFactor();
  wxMouseEvent e(wxEVT_LEFT_DOWN);
  e.SetPosition(wxPoint(static_cast<int>(x / s), static_cast<int>(y / s)));
  e.SetEventObject(&canvas);
  canvas.GetEventHandler()->ProcessEvent(e);
}

std::string StatusPane(int pane) {
  wxStatusBar* bar = MainFrame()->GetStatusBar();
  return bar && pane < bar->GetFieldsCount() ? FromWx(bar->GetStatusText(pane)) : std::string();
}

bool SamePixels(const C3DPicture& p, const wxImage& img) {
  if (!img.IsOk() || img.GetWidth() != p.width || img.GetHeight() != p.height) return false;
  return std::equal(p.rgb.begin(), p.rgb.end(), img.GetData());
}

// A gentle slope: heights rise along the columns from 0 to 90.
void WriteSlope(const std::string& path) {
  WriteGrid(path, 10, 10, 10.0, [](int c, int) { return c * 10.0; });
}

// The slope seen from straight above.
C3DFrame* OpenSlopeFromAbove(const std::string& path) {
  WriteSlope(path);
  C3DFrame* f = Window3D::Open(path);
  if (!f) return nullptr;
  f->Canvas()->View().tiltAngle = 90.0;
  f->Canvas()->View().turnAngle = 0.0;
  Pump();
  return f;
}

// Clicks grid node (7, 3) of the slope, x = (7 - 5) x 10, z = (3 - 5) x 10,
// height 70; the status text's X and Y.
std::string ClickNode(C3DFrame& f, double& x, double& z) {
  const CPoint3 at = ScreenOf(f.Canvas()->View(), {20.0, 70.0, -20.0});
  ClickAt(*f.Canvas(), at.x, at.y);
  const std::string status = FromWx(MainFrame()->GetMessageText());
  EXPECT_EQ(std::sscanf(status.c_str(), "X=%lf Y=%lf", &x, &z), 2) << status;
  // Within a pixel of the node: the picture shows 100 units in some 300.
  EXPECT_NEAR(x, 20.0, 1.0);
  EXPECT_NEAR(z, -20.0, 1.0);
  return status;
}

}  // namespace

TEST_F(Window3D, MenuCommandsAndTheirKeysChangeTheView) {
  WriteSlope(dir->file("menu.grd"));
  C3DFrame* f = Open(dir->file("menu.grd"));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(FromWx(f->GetTitle()), "3D 视图");
  COpenGLView& v = f->Canvas()->View();
  // Each item from the menu, with the state it starts from and leaves.
  struct Step {
    int id;
    double* field;
    double from, to;
  } steps[] = {
      {cmd::k3DLookDown, &v.tiltAngle, 89.0, 90.0},  {cmd::k3DLookDown, &v.tiltAngle, 90.0, 90.0},
      {cmd::k3DLookUp, &v.tiltAngle, 1.0, 0.0},      {cmd::k3DLookUp, &v.tiltAngle, 0.0, 0.0},
      {cmd::k3DTurnLeft, &v.turnAngle, 0.0, -5.0},   {cmd::k3DTurnLeft, &v.turnAngle, -357.9, -2.0},
      {cmd::k3DTurnRight, &v.turnAngle, 357.5, 2.0}, {cmd::kViewZoomIn, &v.zoom, 2.0, 3.0},
      {cmd::kViewZoomOut, &v.zoom, 1.5, 1.0},        {cmd::kViewZoomOut, &v.zoom, 1.0, 1.0},
  };
  for (const Step& s : steps) {
    *s.field = s.from;
    Choose(*f, s.id);
    EXPECT_DOUBLE_EQ(*s.field, s.to) << s.id << " from " << s.from;
  }
  // F2 and F3 are the window's keys for them (the toolkit turns a key of
  // the table into its menu item).
  v.zoom = 2.0;
  for (auto [key, expected] :
       {std::pair{WXK_F2, 3.0}, std::pair{WXK_F3, 2.0}, std::pair{WXK_F3, 1.0}, std::pair{WXK_F3, 1.0}}) {
    wxKeyEvent e(wxEVT_KEY_DOWN);
    e.m_keyCode = key;
    const int id = f->GetAcceleratorTable()->GetCommand(e);
    ASSERT_GE(id, 0) << key;
    Choose(*f, CommandOfWxId(id));
    EXPECT_DOUBLE_EQ(v.zoom, expected) << key;
  }
  // A second 3D document is refused while this one is open.
  host->messages.clear();
  EXPECT_EQ(Open3DView(dir->file("menu.grd")), 0);
  ASSERT_EQ(host->messages.size(), 1u);
  // 文件 > 关闭, then the main window's 打开 3D 文件: only .grd and .dem.
  Choose(*f, cmd::kFileClose);
  Pump(20);
  ASSERT_EQ(Current3DFrame(), nullptr);
  host->messages.clear();
  qzntest::WriteFileText(dir->file("menu.txt"), "ncols 2\n");
  host->fileAnswers.push_back({dir->file("menu.txt")});
  EXPECT_TRUE(MainFrame()->Dispatch(cmd::kFileOpen3D));
  EXPECT_EQ(Current3DFrame(), nullptr);
  ASSERT_EQ(host->messages.size(), 1u);
  EXPECT_EQ(host->messages[0], "仅支持 *.DEM 或 *.GRD 文件。");
  host->fileAnswers.push_back({dir->file("menu.grd")});
  EXPECT_TRUE(MainFrame()->Dispatch(cmd::kFileOpen3D));
  Pump(20);
  EXPECT_NE(Current3DFrame(), nullptr);
}

TEST_F(Window3D, AnimationTurnsOnTimerTicksAndStops) {
  WriteSlope(dir->file("spin.grd"));
  C3DFrame* f = Open(dir->file("spin.grd"));
  ASSERT_NE(f, nullptr);
  COpenGLView& v = f->Canvas()->View();
  v.turnAngle = 10.0;
  Choose(*f, cmd::k3DAnimate);
  EXPECT_EQ(v.animating, 1);
  // Ticks every 30 ms, one degree each; the frames take what they take.
  for (int i = 0; i < 100 && v.turnAngle < 13.0; ++i) Pump(5);
  EXPECT_GE(v.turnAngle, 13.0);
  EXPECT_EQ(v.turnAngle, std::floor(v.turnAngle));
  Choose(*f, cmd::k3DAnimate);
  EXPECT_EQ(v.animating, 0);
  const double stopped = v.turnAngle;
  for (int i = 0; i < 10; ++i) Pump(5);
  EXPECT_EQ(v.turnAngle, stopped);
}

TEST_F(Window3D, ClickPicksTheModelPointOrSaysNoData) {
  C3DFrame* f = OpenSlopeFromAbove(dir->file("pick.grd"));
  ASSERT_NE(f, nullptr);
  double x = 0, z = 0;
  const std::string status = ClickNode(*f, x, z);
  const std::size_t height = status.find("高度=");
  ASSERT_NE(height, std::string::npos) << status;
  EXPECT_NEAR(std::stod(status.substr(height + std::string("高度=").size())), 70.0, 1.0);
  // The status text shows three decimals.
  EXPECT_NEAR(g_cursorX, x, 0.0005);
  EXPECT_NEAR(g_cursorY, z, 0.0005);
  const double cursorX = g_cursorX, cursorY = g_cursorY;
  bool shown = false;
  for (int pane = 0; pane < MainFrame()->GetStatusBar()->GetFieldsCount(); ++pane)
    shown = shown || StatusPane(pane) == FormatCoordinates(g_cursorX, g_cursorY);
  EXPECT_TRUE(shown) << "the cursor pane";
  // The black corner: no data, the cursor coordinates stay.
  ClickAt(*f->Canvas(), 2, 2);
  EXPECT_EQ(FromWx(MainFrame()->GetMessageText()), "无数据");
  EXPECT_EQ(g_cursorX, cursorX);
  EXPECT_EQ(g_cursorY, cursorY);
}

TEST_F(Window3D, CopyAndSaveWindowGiveThePixelsReadBack) {
  WriteSlope(dir->file("copy.grd"));
  C3DFrame* f = Open(dir->file("copy.grd"));
  ASSERT_NE(f, nullptr);
  const C3DPicture picture = Picture(*f);
  // The frame off screen is the frame the window shows, but for a few
  // pixels where two faces meet: the window's depth buffer and the
  // framebuffer's may round differently.
  C3DPicture shown;
  ASSERT_TRUE(f->Canvas()->ReadBackBuffer(shown));
  ASSERT_EQ(shown.width, picture.width);
  ASSERT_EQ(shown.height, picture.height);
  std::size_t differ = 0;
  for (std::size_t i = 0; i < shown.rgb.size(); ++i) differ += shown.rgb[i] != picture.rgb[i];
  EXPECT_LE(differ, shown.rgb.size() / 10000);

  Choose(*f, cmd::kEditCopy);
  wxBitmapDataObject data;
  ASSERT_TRUE(wxTheClipboard->Open());
  const bool got = wxTheClipboard->GetData(data);
  wxTheClipboard->Close();
  ASSERT_TRUE(got);
  EXPECT_TRUE(SamePixels(picture, data.GetBitmap().ConvertToImage()));

  const std::string bmp = dir->file("window.bmp");
  host->fileAnswers.push_back({bmp});
  Choose(*f, cmd::k3DSaveWindow);
  ASSERT_EQ(host->fileDialogs.size(), 1u);
  EXPECT_EQ(host->fileDialogs[0].filter, "Windows 位图文件 (*.bmp) |*.bmp||");
  EXPECT_TRUE(SamePixels(picture, wxImage(U8(bmp), wxBITMAP_TYPE_BMP)));
  EXPECT_TRUE(host->messages.empty());
}

TEST_F(Window3D, EachDialogOpensOnce) {
  WriteSlope(dir->file("dialogs.grd"));
  C3DFrame* f = Open(dir->file("dialogs.grd"));
  ASSERT_NE(f, nullptr);
  COpenGLView& v = f->Canvas()->View();
  v.tiltAngle = 30.0;
  using guitest::As;
  guitest::RunDialogSmoke(
      {
          {"grid-mesh-size",
           [] {
             return std::make_unique<CGridMeshSizeDlg>(RECT{0, 0, 511, 511}, nullptr);
           },
           [](IDialogControls& c) { c.SetScrollPos(CGridMeshSizeDlg::kSlider, 9); },
           [](CDialogModel& m) {
             EXPECT_EQ(As<CGridMeshSizeDlg>(m).cellSize, 9);
             EXPECT_EQ(As<CGridMeshSizeDlg>(m).outputPath, "新栅格.grd");
           }},
          {"dem-settings",
           [] {
             return std::make_unique<CDemSettingsDlg>(RECT{0, 0, 200, 100}, nullptr);
           },
           [](IDialogControls& c) { c.SetText(CDemSettingsDlg::kName, "山谷"); },
           [](CDialogModel& m) {
             EXPECT_EQ(As<CDemSettingsDlg>(m).name, "山谷");
             EXPECT_EQ(As<CDemSettingsDlg>(m).cellSize, 5);
           }},
          {"3d-settings", [&v] { return std::make_unique<C3DSettingsDlg>(v); },
           [](IDialogControls& c) { c.SetScrollPos(C3DSettingsDlg::kTilt, 60); },
           [&v](CDialogModel& m) {
             As<C3DSettingsDlg>(m).Apply();
             EXPECT_EQ(v.tiltAngle, 60.0);
           }},
          {"3d-scale", [] { return std::make_unique<C3DScaleDlg>(); },
           [](IDialogControls& c) {
             c.SetText(C3DScaleDlg::kVerticalScale, "2.5");
             c.SetText(C3DScaleDlg::kMeshSize, "4");
           },
           [](CDialogModel& m) {
             EXPECT_EQ(As<C3DScaleDlg>(m).verticalScale, 2.5f);
             EXPECT_EQ(As<C3DScaleDlg>(m).meshSize, 4.0f);
           }},
          {"drape-area",
           [] {
             return std::make_unique<CDrapeAreaDlg>(RECT{10, 10, 50, 40}, RECT{0, 0, 100, 80});
           },
           [](IDialogControls&) {},
           [](CDialogModel& m) {
             EXPECT_EQ(As<CDrapeAreaDlg>(m).Result(), (RECT{10, 10, 50, 40}));
           }},
      },
      host->messages);
}

TEST_F(Window3D, FromContourLinesToADrapedPickedExportedModel) {
  // A scan of 120 x 90 pixels with two contour lines and a spot height.
  guitest::DesktopTest::host->fileAnswers.clear();
  CImageWindow* w = OpenFromDialog(WriteScan("hill.tif", 120, 90, viewtest::Kind::kRgb));
  ASSERT_NE(w, nullptr);
  CQznView& view = w->View();
  CQznDoc& doc = *view.Document();
  terraintest::AddLine(doc, 100.0f, {{0, 10}, {119, 10}});
  terraintest::AddLine(doc, 140.0f, {{0, 80}, {119, 80}});
  terraintest::AddPoint(doc, 60, 45, 180.0f);
  // 文件 > 3D 数据 > 创建 3D 数字高程模型文件, the dialog as it comes: the DEM
  // opens in the 3D window; 文件 > 关闭 closes it.
  guitest::WhenShown<CModelDialog>([](CModelDialog& d) { d.PressOK(); });
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFile3DDem));
  Pump(20);
  ASSERT_NE(Current3DFrame(), nullptr) << (host->messages.empty() ? "" : host->messages[0]);
  EXPECT_EQ(Current3DFrame()->Doc().GetTitle(), dir->file("hill.dem"));
  Save(Picture(*Current3DFrame()), "3d-user-dem.png");
  Choose(*Current3DFrame(), cmd::kFileClose);
  Pump(20);
  ASSERT_EQ(Current3DFrame(), nullptr);
  // The grid the same way, with its columns across the scan.
  guitest::WhenShown<CModelDialog>([](CModelDialog& d) { d.PressOK(); });
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFile3DGrid));
  Pump(20);
  C3DFrame* f = Current3DFrame();
  ASSERT_NE(f, nullptr) << (host->messages.empty() ? "" : host->messages[0]);
  EXPECT_GT(f->Doc().m_nColumns, f->Doc().m_nRows);

  // Back to the scan's tab for its File menu.
  for (wxWindow* p = w; p; p = p->GetParent())
    if (auto* child = dynamic_cast<wxMDIChildFrame*>(p)) {
      child->Activate();
      break;
    }
  Pump(10);

  // Drape the whole scan: no rubber band and the view shows all of it, so
  // no dialog asks.
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFile3DOverlay));
  Pump(20);
  f->Activate();
  Pump(20);
  COpenGLView& v = f->Canvas()->View();
  EXPECT_TRUE(v.DrapeMode());
  EXPECT_EQ(v.drapeDoc, &doc);

  // Pick the spot height from above.
  v.tiltAngle = 90.0;
  v.turnAngle = 0.0;
  const C3DPicture p = Picture(*f);
  Save(p, "3d-user-draped.png");
  const CPoint3 centre = ScreenOf(v, {0.0, 80.0, 0.0});
  ClickAt(*f->Canvas(), centre.x, centre.y);
  EXPECT_NE(FromWx(MainFrame()->GetMessageText()).rfind("X=", 0), std::string::npos);

  // 输出 3D 模型 as an STL file that admesh reads.
  QZN_REQUIRE_PROGRAM("admesh");
  const std::string stl = dir->file("hill.stl");
  host->fileAnswers.push_back({stl});
  Choose(*f, cmd::k3DExportModel);
  std::string out;
  ASSERT_EQ(qzntest::RunCommand("admesh '" + stl + "' 2>&1", &out), 0) << out;
  // Two triangles a cell, four a cell along each edge for the walls, and
  // the bottom joined to the walls' lower edges: a closed solid.
  const int lc = f->Doc().m_nColumns - 1, lr = f->Doc().m_nRows - 1;
  const int facets = 2 * lc * lr + 4 * (lc + lr) + 2 * (lc + lr - 1);
  const std::size_t at = out.find("Number of facets");
  ASSERT_NE(at, std::string::npos) << out;
  int read = -1;
  std::sscanf(out.c_str() + out.find(':', at) + 1, "%d", &read);
  EXPECT_EQ(read, facets) << out;
  EXPECT_NE(out.find("Total disconnected facets        :     0"), std::string::npos) << out;
  guitest::Screenshot(*MainFrame(), "3d-window");
}

TEST_F(Window3D, WithoutFramebufferObjectsPicksWorkAndCapturesSayTheyCannot) {
  C3DFrame* f = OpenSlopeFromAbove(dir->file("nofbo.grd"));
  ASSERT_NE(f, nullptr);
  f->Canvas()->DisableOffscreen();
  double x = 0, z = 0;
  ClickNode(*f, x, z);
  // Copy and save window: the message, no file, no dialog.
  for (int id : {cmd::kEditCopy, cmd::k3DSaveWindow}) {
    host->messages.clear();
    Choose(*f, id);
    ASSERT_EQ(host->messages.size(), 1u) << id;
    EXPECT_EQ(host->messages[0], "不能截取 3D 视图的图像。");
  }
  EXPECT_TRUE(host->fileDialogs.empty());
}
