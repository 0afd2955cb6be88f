// The export's map transform: each kind maps a pixel as the writers expect,
// in double, and refuses what it cannot map.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/maptransform.h"
#include "model/writerlinks.h"

using namespace qzn;

namespace {

using qzn::MapTransform;

// Tells the two entry points apart: whole pixels land 0.5 further on.
struct Sheet : IMapTransform {
  int TransformPoint(double x, double y, double& X, double& Y) const override {
    if (x < 0) return 0;
    X = x + 1000.0;
    Y = y + 2000.0;
    return 1;
  }
  int TransformPixel(int x, int y, double& X, double& Y) const override {
    if (x < 0) return 0;
    X = x + 1000.5;
    Y = y + 2000.5;
    return 1;
  }
};

TEST(MapTransform, EachKindMapsAPixel) {
  const RECT extent{0, 10, 99, 89};
  const double ax[4] = {0.5, 0.0, 500000.123, 99.0}, ay[4] = {0.0, -0.5, 4000000.456, 99.0};
  const double bx[4] = {1, 0, 1, 0}, by[4] = {0, 1, 0, 5};
  const Sheet sheet;
  struct Case {
    const char* name;
    MapTransform map;
    double x, y, X, Y;
  };
  const Case cases[] = {
      {"pixels", MapTransform::Pixels(), 1.5, 2.25, 1.5, 2.25},
      // The top edge of the extent goes to the bottom value and back.
      {"flipped top", MapTransform::FlippedOver(extent), 7, 10, 7, 89},
      {"flipped bottom", MapTransform::FlippedOver(extent), 7, 89, 7, 10},
      {"page space", MapTransform::PageSpace(RECT{0, 0, 0, 99}, 100, 200), 50, 10, 0.5, 0.445},
      {"page space without x resolution", MapTransform::PageSpace(extent, 0, 200), 7, 10, 7, 89},
      {"page space without y resolution", MapTransform::PageSpace(extent, 100, -1), 7, 10, 7, 89},
      // Type 3 reads three terms a row: the fourth is not a constant.
      {"affine, UTM-sized", MapTransform::Polynomial(ax, ay, 3), 1, 2, 500000.623, 3999999.456},
      {"bilinear", MapTransform::Polynomial(bx, by, 4), 3, 4, 15, 9},
      {"rows of no type are pixels", MapTransform::Polynomial(bx, by, 0), 3, 4, 3, 4},
      {"missing row is pixels", MapTransform::Polynomial(bx, nullptr, 4), 3, 4, 3, 4},
      {"triangulation", MapTransform::Triangulation(sheet), 3, 4, 1003, 2004},
  };
  for (const Case& k : cases) {
    double X = -1, Y = -1;
    ASSERT_TRUE(k.map.Map(k.x, k.y, X, Y)) << k.name;
    EXPECT_DOUBLE_EQ(X, k.X) << k.name;
    EXPECT_DOUBLE_EQ(Y, k.Y) << k.name;
  }
  EXPECT_TRUE(MapTransform().IsPixels());
  EXPECT_FALSE(MapTransform::FlippedOver(extent).IsGeoreferenced());
  EXPECT_EQ(MapTransform::Polynomial(ax, ay, 3).PolynomialType(), 3);
  EXPECT_EQ(MapTransform::Polynomial(bx, by, 7).PolynomialType(), 0);
  EXPECT_TRUE(MapTransform::Triangulation(sheet).IsGeoreferenced());
}

TEST(MapTransform, WholePixelsUseTheTriangulationsOwnFormAndFailuresLeaveOutputs) {
  const Sheet sheet;
  const MapTransform tri = MapTransform::Triangulation(sheet);
  double X = -1, Y = -1;
  ASSERT_TRUE(tri.MapPixel(3, 4, X, Y));
  EXPECT_EQ(X, 1003.5);
  EXPECT_EQ(Y, 2004.5);
  ASSERT_TRUE(MapTransform::FlippedOver(RECT{0, 0, 9, 9}).MapPixel(3, 4, X, Y));
  EXPECT_EQ(Y, 5.0);

  X = Y = -1;
  EXPECT_FALSE(tri.Map(-1, 4, X, Y));
  EXPECT_FALSE(tri.MapPixel(-1, 4, X, Y));
  // A fit that produces no number fails rather than writing "nan".
  const double nanRow[4] = {std::numeric_limits<double>::quiet_NaN(), 0, 0, 0}, one[4] = {0, 1, 0, 0};
  EXPECT_FALSE(MapTransform::Polynomial(nanRow, one, 4).Map(1, 1, X, Y));
  EXPECT_FALSE(MapTransform::Scaled(1e308, 1, 0, 0).Map(1e10, 1, X, Y));
  EXPECT_EQ(X, -1);
  EXPECT_EQ(Y, -1);
}

}  // namespace
