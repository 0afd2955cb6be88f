// The 3D window draws known scenes under Xvfb with Mesa's software renderer:
// pixels read back where the computed geometry puts them.
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/mdi.h>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "raster/dib.h"
#include "resources/commands.h"
#include "terrain/colorramp.h"
#include "tests/view3d/view3d_test_util.h"
#include "ui/app.h"
#include "ui/capture.h"
#include "ui/dibprint.h"
#include "ui/frame3d.h"
#include "ui/glcanvas3d.h"
#include "ui/mainframe.h"
#include "ui/wxhost.h"
#include "ui/wxtext.h"

using namespace qzn;
using namespace view3dtest;

namespace {

using Render3D = Desktop3D;

// The grid the grid command makes over a workspace of 100 x 80 pixels
// (extent 0..99, 0..79) with cell size 10: 10 columns, 8 rows, flat; seen
// from straight above, draped images in their own colours.
C3DFrame* OpenFlatTopView(const std::string& path) {
  WriteGrid(
      path, 10, 8, 10.0, [](int, int) { return 0.0; }, 99, 79);
  C3DFrame* f = Render3D::Open(path);
  if (!f) return nullptr;
  COpenGLView& v = f->Canvas()->View();
  v.tiltAngle = 90.0;
  v.turnAngle = 0.0;
  v.colourOverlay = 0;
  return f;
}

}  // namespace

TEST_F(Render3D, TwoByTwoGridIsOneQuadrilateralFromMinusOneToZeroCells) {
  const std::string path = dir->file("two.grd");
  // Heights 0, 0 / 0, 10: the lowest corners take ramp entry 0, the highest 255.
  WriteGrid(path, 2, 2, 10.0, [](int c, int r) { return c == 1 && r == 1 ? 10.0 : 0.0; });
  C3DFrame* f = Open(path);
  ASSERT_NE(f, nullptr);
  COpenGLView& v = f->Canvas()->View();
  v.tiltAngle = 90.0;  // straight down, x to the right, rows downwards
  v.turnAngle = 0.0;
  const C3DPicture p = Picture(*f);
  Save(p, "3d-two-by-two.png");
  const CPoint3 topLeft = ScreenOf(v, {-10.0, 0.0, -10.0});
  const CPoint3 bottomRight = ScreenOf(v, {0.0, 0.0, 0.0});
  ASSERT_LT(topLeft.x + 4, bottomRight.x);
  ASSERT_LT(topLeft.y + 4, bottomRight.y);
  const auto ramp = BuildColorRamp(256, RampType::terrain);
  // Inside near each corner: that corner's ramp colour.
  EXPECT_TRUE(Near(PixelAt(p, int(topLeft.x) + 1, int(topLeft.y) + 1), RampRgb(ramp[0]), 3))
      << Show(PixelAt(p, int(topLeft.x) + 1, int(topLeft.y) + 1));
  EXPECT_TRUE(Near(PixelAt(p, int(bottomRight.x) - 2, int(bottomRight.y) - 2), RampRgb(ramp[255]), 6))
      << Show(PixelAt(p, int(bottomRight.x) - 2, int(bottomRight.y) - 2));
  // Outside the quadrilateral: the black background.
  for (auto [x, y] : {std::pair{topLeft.x - 3, topLeft.y + 5}, std::pair{bottomRight.x + 3, bottomRight.y - 5},
                      std::pair{topLeft.x + 5, topLeft.y - 3}, std::pair{bottomRight.x - 5, bottomRight.y + 3}})
    EXPECT_EQ(PixelAt(p, int(x), int(y)), (Rgb{0, 0, 0})) << x << "," << y;
}

TEST_F(Render3D, LowestAndHighestCellsTakeTheEndsOfBothRamps) {
  const std::string path = dir->file("ramp.grd");
  // Flat ends: the two columns on the left at 0, the two on the right at 100.
  WriteGrid(path, 11, 11, 10.0, [](int c, int) { return c <= 1 ? 0.0 : c >= 9 ? 100.0 : (c - 1) * 12.5; });
  C3DFrame* f = Open(path);
  ASSERT_NE(f, nullptr);
  COpenGLView& v = f->Canvas()->View();
  v.tiltAngle = 90.0;
  v.turnAngle = 0.0;
  const CPoint3 low = ScreenOf(v, {-45.0, 0.0, 0.0}), high = ScreenOf(v, {45.0, 100.0, 0.0});
  const auto terrain = BuildColorRamp(256, RampType::terrain);
  const auto grey = BuildColorRamp(256, RampType::grey);
  C3DPicture p = Picture(*f);
  Save(p, "3d-terrain-ramp.png");
  EXPECT_TRUE(Near(PixelAt(p, int(low.x), int(low.y)), RampRgb(terrain[0]), 1))
      << Show(PixelAt(p, int(low.x), int(low.y)));
  EXPECT_TRUE(Near(PixelAt(p, int(high.x), int(high.y)), RampRgb(terrain[255]), 1))
      << Show(PixelAt(p, int(high.x), int(high.y)));
  // Draped with white and blended: the ramp itself, terrain or grey.
  auto white = RgbDoc(111, 111, [](int, int) { return Rgb{255, 255, 255}; });
  v.SetDrape(white.get(), white->m_extent);
  for (int greyRamp : {0, 1}) {
    v.greyRamp = greyRamp;
    p = Picture(*f);
    const auto& ramp = greyRamp ? grey : terrain;
    EXPECT_TRUE(Near(PixelAt(p, int(low.x), int(low.y)), RampRgb(ramp[0]), 1))
        << greyRamp << Show(PixelAt(p, int(low.x), int(low.y)));
    EXPECT_TRUE(Near(PixelAt(p, int(high.x), int(high.y)), RampRgb(ramp[255]), 1))
        << greyRamp << Show(PixelAt(p, int(high.x), int(high.y)));
  }
  v.SetDrape(nullptr, RECT{});
}

TEST_F(Render3D, TopViewOfADrapedImageKeepsEachQuadrantInPlace) {
  C3DFrame* f = OpenFlatTopView(dir->file("flat.grd"));
  ASSERT_NE(f, nullptr);
  COpenGLView& v = f->Canvas()->View();
  const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, yellow{255, 255, 0};
  auto image =
      RgbDoc(100, 80, [&](int x, int y) { return y < 40 ? (x < 50 ? red : green) : (x < 50 ? blue : yellow); });
  v.SetDrape(image.get(), image->m_extent);
  EXPECT_EQ(v.tileWidth, 10);  // the grid covers the extent: tiles of one cell size
  const C3DPicture p = Picture(*f);
  Save(p, "3d-drape-quadrants.png");
  // Cell 2 of a row reads image x 22..31, cell 6 x 66..75; row 1 reads y
  // 11..20, row 5 y 56..65: their middles in the model.
  const struct {
    double x, z;
    Rgb colour;
  } cells[] = {{-25, -25, red}, {15, -25, green}, {-25, 15, blue}, {15, 15, yellow}};
  for (const auto& c : cells) {
    const CPoint3 s = ScreenOf(v, {c.x, 0.0, c.z});
    EXPECT_EQ(PixelAt(p, int(s.x), int(s.y)), c.colour) << c.x << "," << c.z << Show(PixelAt(p, int(s.x), int(s.y)));
  }
  EXPECT_LE(f->Canvas()->DrapeTextureCount(), 2);  // the tiles share a page
  v.SetDrape(nullptr, RECT{});
}

TEST_F(Render3D, VerticalScaleAndZoomMoveThePictureAsComputed) {
  const std::string path = dir->file("peak.grd");
  // A raised block in the middle: a flat top at height 40.
  WriteGrid(path, 21, 21, 5.0, [](int c, int r) { return c >= 7 && c <= 13 && r >= 7 && r <= 13 ? 40.0 : 0.0; });
  C3DFrame* f = Open(path);
  ASSERT_NE(f, nullptr);
  COpenGLView& v = f->Canvas()->View();
  // From the side, far enough out for the raised top: the block's top is
  // the highest lit pixel of a column.
  v.tiltAngle = 0.0;
  v.turnAngle = 0.0;
  v.zoom = 1.0;
  for (float scale : {1.0f, 2.5f}) {
    v.verticalScale = scale;
    const C3DPicture p = Picture(*f);
    const CPoint3 tip = ScreenOf(v, {0.0, 40.0 * scale, 0.0});
    int top = -1;
    for (int y = 0; y < p.height && top < 0; ++y)
      if (!(PixelAt(p, int(tip.x), y) == Rgb{0, 0, 0})) top = y;
    EXPECT_NEAR(top, tip.y, 1.5) << scale;
  }
  // From above: the lit width follows the zoom.
  v.verticalScale = 1.0f;
  v.tiltAngle = 90.0;
  for (double zoom : {2.0, 4.0}) {
    v.zoom = zoom;
    const C3DPicture p = Picture(*f);
    const CPoint3 left = ScreenOf(v, {-50.0, 0.0, 0.0}), right = ScreenOf(v, {50.0, 0.0, 0.0});
    int first = -1, last = -1;
    const int row = static_cast<int>(left.y) + 3;
    for (int x = 0; x < p.width; ++x)
      if (!(PixelAt(p, x, row) == Rgb{0, 0, 0})) {
        if (first < 0) first = x;
        last = x;
      }
    EXPECT_NEAR(first, left.x, 1.0) << zoom;
    EXPECT_NEAR(last + 1, right.x, 1.0) << zoom;
  }
}

TEST_F(Render3D, TexturesBuiltOnceDrawWhatUploadingEveryCellDraws) {
  const std::string path = dir->file("hills.grd");
  WriteGrid(
      path, 41, 31, 5.0, [](int c, int r) { return 20.0 * std::sin(c * 0.3) * std::cos(r * 0.2) + 20.0; }, 200, 150);
  C3DFrame* f = Open(path);
  ASSERT_NE(f, nullptr);
  COpenGLView& v = f->Canvas()->View();
  auto image = RgbDoc(201, 151, [](int x, int y) { return Rgb{x * 255 / 200, y * 255 / 150, (x ^ y) & 255}; });
  v.SetDrape(image.get(), image->m_extent);
  EXPECT_EQ(v.tileWidth, 5);  // tiles of 5 pixels: GLU scales each to 4
  for (auto [tilt, turn, zoom, overlay] :
       {std::tuple{45.0, 45.0, 2.0, 1}, std::tuple{90.0, 0.0, 6.0, 0}, std::tuple{20.0, 200.0, 1.0, 1}}) {
    v.tiltAngle = tilt, v.turnAngle = turn, v.zoom = zoom, v.colourOverlay = overlay;
    f->Canvas()->SetUploadEveryFrame(true);
    const C3DPicture every = Picture(*f);
    f->Canvas()->SetUploadEveryFrame(false);
    const C3DPicture kept = Picture(*f);
    ASSERT_EQ(every.rgb.size(), kept.rgb.size());
    // Texture coordinates on a page of tiles round a little differently from
    // those of a tile's own texture: a level at most, in few pixels.
    std::size_t differ = 0;
    int most = 0;
    for (std::size_t i = 0; i < every.rgb.size(); ++i)
      if (const int d = std::abs(int(every.rgb[i]) - int(kept.rgb[i]))) ++differ, most = std::max(most, d);
    EXPECT_LE(most, 2) << tilt;
    EXPECT_LE(differ, every.rgb.size() / 200) << tilt;
    if (tilt == 45.0) Save(kept, "3d-drape-hills.png");
  }
  v.SetDrape(nullptr, RECT{});
}

TEST_F(Render3D, TilesPastTheImageKeepTheirTexture) {
  C3DFrame* f = OpenFlatTopView(dir->file("edge.grd"));
  ASSERT_NE(f, nullptr);
  COpenGLView& v = f->Canvas()->View();
  auto image = RgbDoc(100, 80, [](int, int) { return Rgb{0, 200, 0}; });
  v.SetDrape(image.get(), image->m_extent);
  // The scale dialog's larger cell size: the tiles of the right and bottom
  // cells reach past the image and keep the part on it.
  f->Doc().m_fCellSize = 25.0f;
  v.UpdateTileSize();
  EXPECT_EQ(v.tileWidth, 25);
  const C3DPicture p = Picture(*f);
  std::size_t lit = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const Rgb c = PixelAt(p, x, y);
      if (c == Rgb{0, 0, 0}) continue;
      ++lit;
      ASSERT_EQ(c, (Rgb{0, 200, 0})) << x << "," << y;
    }
  EXPECT_GT(lit, 10000u);
  v.SetDrape(nullptr, RECT{});
}

TEST_F(Render3D, TheWindowIsCapturedAndPrintedFromItsOffScreenFrame) {
  const std::string path = dir->file("capture.grd");
  WriteGrid(path, 3, 3, 10.0, [](int c, int r) { return double(c + r); });
  C3DFrame* f = Open(path);
  ASSERT_NE(f, nullptr);
  const C3DPicture p = Picture(*f);
  std::unique_ptr<CDib, void (*)(HDIB)> dib(CaptureWindowDib(f->Canvas(), kCaptureClientArea), FreeDib);
  ASSERT_NE(dib, nullptr);
  std::vector<BYTE> rgb;
  ASSERT_TRUE(DibStretchToRgb(*dib, RECT{0, 0, p.width, p.height}, p.width, p.height, rgb));
  EXPECT_TRUE(rgb == p.rgb);
  // 打印窗口 prints that frame.
  wxPrintData& data = DefaultPrintData();
  const wxPrintData saved = data;
  const std::string ps = dir->file("window3d.ps");
  data.SetPrintMode(wxPRINT_MODE_FILE);
  data.SetFilename(U8(ps));
  host->answers.push_back(IDYES);
  EXPECT_TRUE(f->Dispatch(cmd::kFilePrintWindow));
  data = saved;
  EXPECT_EQ(LastPrintJob().code, 0);
  EXPECT_TRUE(std::filesystem::exists(ps));
}
