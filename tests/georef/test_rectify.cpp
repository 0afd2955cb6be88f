#include "georef/rectify.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/host.h"
#include "tests/raster/test_imaging_support.h"

using namespace qzn;

namespace {

using imgtest::Bytes;
using imgtest::Make8;

void AddPoint(CControlPtList& list, double ix, double iy, double mx, double my) {
  CControlPt* p = list.AddNew();
  ASSERT_NE(p, nullptr);
  *p = CControlPt(ix, iy, mx, my);
}

// Six points of an image-to-map map given as a function.
template <class F>
void PointsOf(CControlPtList& list, int w, int h, F map) {
  const double at[6][2] = {{3, 2},       {w - 5.0, 4},       {w - 2.0, h - 3.0},
                           {6, h - 2.0}, {w / 2.0, h / 3.0}, {w / 3.0, h - 9.0}};
  for (const auto& p : at) {
    double mx, my;
    map(p[0], p[1], mx, my);
    AddPoint(list, p[0], p[1], mx, my);
  }
}

// Rectifies with scipy.ndimage.map_coordinates sampling the same backward
// map; the script also sizes the grid from the mapped corners. Returns the
// width, height and float samples.
struct Oracle {
  int w = 0, h = 0;
  std::vector<double> v;
};

Oracle ScipyRectify(const std::vector<std::uint8_t>& src, int w, int h, const std::string& forward,
                    const std::string& backward, int order, int cval) {
  Oracle o;
  const std::string script =
      "from scipy import ndimage\n"
      "a = np.fromfile(IN, np.uint8).reshape(" +
      std::to_string(h) + ", " + std::to_string(w) +
      ").astype(float)\n"
      "def fwd(x, y):\n    return " +
      forward +
      "\n"
      "def back(X, Y):\n    return " +
      backward +
      "\n"
      "cx = np.array([0, a.shape[1] - 1, a.shape[1] - 1, 0.0]); cy = np.array([0, 0, a.shape[0] - 1, a.shape[0] - 1.0])\n"
      "X, Y = fwd(cx, cy)\n"
      "ox, oy = np.floor(X.min()), np.floor(Y.min())\n"
      "W, H = int(np.floor(X.max()) - ox + 1), int(np.floor(Y.max()) - oy + 1)\n"
      "gy, gx = np.mgrid[0:H, 0:W]\n"
      "sx, sy = back(gx + ox, gy + oy)\n"
      "if " +
      std::to_string(order) +
      " == 0:\n"
      "    # Nearest pixel: a position belongs to the pixel whose area (centre +-0.5) holds it.\n"
      "    out = ndimage.map_coordinates(a, [sy, sx], order=0, mode='nearest', output=float)\n"
      "    out[(sx < -0.5) | (sy < -0.5) | (sx >= a.shape[1] - 0.5) | (sy >= a.shape[0] - 0.5)] = " +
      std::to_string(cval) +
      "\n"
      "else:\n"
      "    out = ndimage.map_coordinates(a, [sy, sx], order=1, mode='constant', cval=" +
      std::to_string(cval) +
      ", output=float)\n"
      "np.concatenate([[W, H], out.ravel()]).astype(np.float64).tofile(OUT)\n";
  const auto bytes = imgtest::RunPy(script, src);
  if (bytes.size() < 16) return o;
  std::vector<double> all(bytes.size() / 8);
  std::memcpy(all.data(), bytes.data(), all.size() * 8);
  o.w = static_cast<int>(all[0]);
  o.h = static_cast<int>(all[1]);
  o.v.assign(all.begin() + 2, all.end());
  return o;
}

TEST(RectifyImage, PolynomialAgreesWithScipyBilinear) {
  QZN_REQUIRE_PY("numpy", "scipy");
  const int w = 61, h = 43;
  const auto data = imgtest::Random(static_cast<std::size_t>(w) * h, 11);
  CRasterImage img;
  Make8(img, w, h, 1, 1, data);
  CControlPtList points;
  PointsOf(points, w, h, [](double x, double y, double& mx, double& my) {
    mx = 1000.3 + 1.2 * x + 0.3 * y;
    my = 500.6 - 0.25 * x + 1.1 * y;
  });
  ASSERT_EQ(RectifyImage(&img, points, 0), 1);
  const Oracle o = ScipyRectify(data, w, h, "(1000.3 + 1.2 * x + 0.3 * y, 500.6 - 0.25 * x + 1.1 * y)",
                                "np.linalg.solve(np.array([[1.2, 0.3], [-0.25, 1.1]]), "
                                "np.array([X.ravel() - 1000.3, Y.ravel() - 500.6])).reshape((2,) + X.shape)",
                                1, 255);
  ASSERT_EQ(img.width, o.w);
  ASSERT_EQ(img.height, o.h);
  int inside = 0;
  for (int i = 0; i < o.h; ++i)
    for (int e = 0; e < o.w; ++e) {
      const double v = o.v[static_cast<std::size_t>(i) * o.w + e];
      const int ours = img.GetByte(e, i);
      // Ours truncates the interpolated value.
      ASSERT_TRUE(ours <= v + 1e-6 && ours > v - 1 - 1e-6) << e << "," << i << ": " << ours << " vs " << v;
      inside += ours != 255;
    }
  EXPECT_GT(inside, w * h / 2);
  // The points now name the new grid: map position minus the grid's origin.
  // Corners: the smallest map x is 1000.3 at (0, 0), the smallest y 485.6 at (60, 0).
  for (const CControlPt* p : points) {
    EXPECT_DOUBLE_EQ(p->m_imageX, p->m_mapX - 1000);
    EXPECT_DOUBLE_EQ(p->m_imageY, p->m_mapY - 485);
  }
}

TEST(RectifyImage, TriangulationAgreesWithScipyNearestOnAScaledGrid) {
  QZN_REQUIRE_PY("numpy", "scipy");
  const int w = 50, h = 36;
  const auto data = imgtest::Random(static_cast<std::size_t>(w) * h, 12);
  CRasterImage img;
  Make8(img, w, h, 1, 0, data);
  CControlPtList points;
  // Scales per axis: the corners the triangulation adds extrapolate exactly,
  // so the piecewise map is this one map everywhere.
  PointsOf(points, w, h, [](double x, double y, double& mx, double& my) {
    mx = 100.2 + 1.5 * x;
    my = 40.3 + 1.25 * y;
  });
  ASSERT_EQ(RectifyImage(&img, points, 1), 1);
  const Oracle o =
      ScipyRectify(data, w, h, "(100.2 + 1.5 * x, 40.3 + 1.25 * y)", "((X - 100.2) / 1.5, (Y - 40.3) / 1.25)", 0, 0);
  ASSERT_EQ(img.width, o.w);
  ASSERT_EQ(img.height, o.h);
  int differ = 0;
  for (int i = 0; i < o.h; ++i)
    for (int e = 0; e < o.w; ++e)
      differ += img.GetByte(e, i) != static_cast<int>(o.v[static_cast<std::size_t>(i) * o.w + e]);
  EXPECT_EQ(differ, 0);
}

TEST(TriangleWalker, MapsAsTheListDoes) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> ux(0, 800), uy(0, 600), noise(-6, 6);
  CControlPtList points;
  for (int i = 0; i < 40; ++i) {
    const double x = ux(rng), y = uy(rng);
    AddPoint(points, x, y, 3000 + 0.9 * x - 0.2 * y + noise(rng), 7000 + 0.15 * x + 1.05 * y + noise(rng));
  }
  for (int direction : {0, 1}) {
    CTriangleList list;
    ASSERT_EQ(list.Build(points, RECT{0, 0, 799, 599}, direction), 1);
    CTriangleWalker walker(list);
    const double x0 = direction ? 2800 : -100, y0 = direction ? 6800 : -100;
    for (double y = y0; y < y0 + 900; y += 7.3)
      for (double x = x0; x < x0 + 1100; x += 3.1) {
        double ax = 0, ay = 0, bx = 0, by = 0;
        ASSERT_EQ(walker.Transform(x, y, ax, ay), 1);
        ASSERT_EQ(list.TransformPoint(x, y, bx, by), 1);
        ASSERT_NEAR(ax, bx, 1e-6 * (1 + std::fabs(bx))) << direction << " at " << x << "," << y;
        ASSERT_NEAR(ay, by, 1e-6 * (1 + std::fabs(by))) << direction << " at " << x << "," << y;
      }
  }
}

TEST(RectifyImage, LastSourceRowIsSampled) {
  // Map = image shifted by 100: the bottom output row samples the last
  // source row and between the last two rows stays a picture, not 0.
  CRasterImage img;
  const int w = 12, h = 12;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(w) * h, 200);
  Make8(img, w, h, 1, 1, data);
  CControlPtList points;
  PointsOf(points, w, h, [](double x, double y, double& mx, double& my) { mx = x + 100, my = y + 100; });
  ASSERT_EQ(RectifyImage(&img, points, 0), 1);
  ASSERT_EQ(img.height, h);
  for (int x = 0; x < w; ++x) {
    EXPECT_NEAR(img.GetByte(x, h - 2), 200, 1) << x;
    EXPECT_NEAR(img.GetByte(x, h - 1), 200, 1) << x;
  }
}

TEST(RectifyImage, RefusalsLeaveImageAndPoints) {
  struct Case {
    const char* name;
    int triangulation;
    std::vector<std::array<double, 4>> points;
    bool message;
  };
  const std::vector<Case> cases = {
      {"three points", 0, {{0, 0, 0, 0}, {10, 0, 50, 0}, {0, 10, 0, 50}}, false},
      {"map narrower than 10", 0, {{0, 0, 0, 0}, {39, 0, 8, 0}, {0, 29, 0, 40}, {39, 29, 8, 40}}, true},
      {"absurd size", 0, {{0, 0, 0, 0}, {39, 0, 4e6, 0}, {0, 29, 0, 3e6}, {39, 29, 4e6, 3e6}}, true},
      {"beyond int", 0, {{0, 0, 0, 0}, {39, 0, 4e12, 0}, {0, 29, 0, 3e12}, {39, 29, 4e12, 3e12}}, true},
      {"collinear fit", 0, {{0, 0, 0, 0}, {10, 10, 50, 50}, {20, 20, 100, 100}, {30, 30, 150, 150}}, true},
  };
  for (const Case& c : cases) {
    CRasterImage img;
    Make8(img, 40, 30, 1, 1, imgtest::Random(1200, 4));
    const auto before = Bytes(img);
    CControlPtList points;
    for (const auto& p : c.points) AddPoint(points, p[0], p[1], p[2], p[3]);
    CScriptedHost host;
    CHostScope scope(&host);
    EXPECT_EQ(RectifyImage(&img, points, c.triangulation), 0) << c.name;
    EXPECT_EQ(img.width, 40) << c.name;
    EXPECT_EQ(Bytes(img), before) << c.name;
    EXPECT_DOUBLE_EQ(points.GetHead()->m_imageX, c.points[0][0]) << c.name;
    if (c.message) {
      ASSERT_EQ(host.messages.size(), 1u) << c.name;
      EXPECT_EQ(host.messages[0].text, "无效的控制点设置对于图像变形。") << c.name;
    } else {
      EXPECT_TRUE(host.messages.empty()) << c.name;
    }
  }
}

}  // namespace
