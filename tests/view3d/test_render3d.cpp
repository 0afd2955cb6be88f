// The 3D window draws known scenes under Xvfb with Mesa's software renderer:
// pixels read back where the computed geometry puts them.
#include <cmath>

#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/mdi.h>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "terrain/colorramp.h"
#include "tests/view3d/view3d_test_util.h"
#include "ui/app.h"
#include "ui/mainframe.h"
#include "ui/wxhost.h"

using namespace qzn;
using namespace view3dtest;

namespace {

class Render3D : public ::testing::Test {
 protected:
  static inline CWxHost* host = nullptr;
  static inline qzntest::TempDir* dir = nullptr;

  static void SetUpTestSuite() {
    dir = new qzntest::TempDir;
    setenv("XDG_CONFIG_HOME", dir->path().c_str(), 1);
    wxInitAllImageHandlers();
    host = new CWxHost;
    host->scripted = true;
    SetHost(host);
    CDesktop* d = CreateDesktop();
    d->frame->SetSize(0, 0, 1000, 760);
    d->frame->Show();
    Pump(20);
  }
  static void TearDownTestSuite() {
    DestroyDesktop();
    Pump();
    SetHost(nullptr);
    delete host;
    delete dir;
  }
  void TearDown() override {
    if (C3DFrame* f = Current3DFrame()) f->Destroy();
    Desktop()->manager->CloseDocuments(true);
    Pump();
    host->messages.clear();
  }

  // Opens a grid in the 3D window and waits for its first frame.
  static C3DFrame* Open(const std::string& path) {
    EXPECT_EQ(Open3DView(path), 1) << path;
    Pump(20);
    C3DFrame* f = Current3DFrame();
    EXPECT_NE(f, nullptr);
    if (f) EXPECT_TRUE(f->Canvas()->HasContext());
    return f;
  }

  static C3DPicture Picture(C3DFrame& f) {
    C3DPicture p;
    EXPECT_TRUE(f.Canvas()->Capture(p));
    return p;
  }

  static void Save(const C3DPicture& p, const std::string& name) {
    wxImage img(p.width, p.height, const_cast<unsigned char*>(p.rgb.data()), true);
    img.SaveFile(std::string(QZN_BINARY_DIR) + "/artifacts/" + name, wxBITMAP_TYPE_PNG);
  }
};

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
