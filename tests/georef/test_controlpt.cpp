#include "georef/controlpt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "georef/projection.h"
#include "georef/stateplane.h"
#include "georef/utm.h"
#include "model/viewtransform.h"
#include "platform/canvas.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "tests/georef/test_controlpt_support.h"

using namespace qzn;

using georeftest::Fill;

namespace {

constexpr int kWgs84 = 23;

double Apply3(const double* r, double x, double y) { return r[0] * x + r[1] * y + r[2]; }
double Apply4(const double* r, double x, double y) { return r[0] * x + r[1] * y + r[2] * x * y + r[3]; }

TEST(ControlPtList, AddHitRemoveAndCopy) {
  CControlPtList list;
  EXPECT_EQ(list.HitTest(CFPoint(1.0f, 1.0f)), nullptr);
  EXPECT_EQ(list.RemovePointAt(CFPoint(1.0f, 1.0f)), (POINT{0, 0}));
  Fill(list, {{10, 10, 0, 0}, {30.7, 40.2, 1, 1}, {10, 10, 2, 2}});
  EXPECT_EQ(list.m_nModified, 1);
  // The first of two equally near points wins; far points are still found.
  EXPECT_EQ(list.HitTest(CFPoint(11.0f, 10.0f)), list.GetHead());
  EXPECT_EQ(list.HitTest(CFPoint(3e7f, 3e7f))->m_mapX, 1.0);

  CControlPtList copy(list);
  EXPECT_EQ(copy.GetCount(), 3);
  EXPECT_EQ(copy.m_nModified, 0);

  list.m_nModified = 0;
  EXPECT_EQ(list.RemovePointAt(CFPoint(30.0f, 40.0f)), (POINT{30, 40}));
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.m_nModified, 1);
  list.RemoveAll();
  EXPECT_EQ(list.m_nModified, 0);
  EXPECT_EQ(copy.GetTail()->m_mapX, 2.0);  // the copy owns its own points
}

TEST(ControlPtList, ArchiveRoundTripAndDamagedInput) {
  CControlPtList list;
  Fill(list, {{1.5, 2.25, 500000.125, 4100000.5}, {-3, 4, 5, 6}});
  CArchive out;
  list.Serialize(out);
  std::vector<std::uint8_t> bytes = out.GetBuffer();

  CArchive in(bytes);
  CControlPtList back;
  back.Serialize(in);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(back.GetHead()->m_imageY, 2.25);
  EXPECT_EQ(back.GetHead()->m_mapX, 500000.125);
  EXPECT_EQ(back.GetTail()->m_imageX, -3.0);

  bytes.resize(bytes.size() - 8);  // the last point cut short
  CArchive cut(bytes);
  CControlPtList none;
  EXPECT_THROW(none.Serialize(cut), CArchiveException);
  EXPECT_EQ(none.GetCount(), 0);
}

TEST(ControlPtList, PointRecordIs32Bytes) {
  CControlPt p(1, 2, 3, 4);
  CArchive out;
  p.Serialize(out);
  EXPECT_EQ(out.GetBuffer().size(), 32u);
}

TEST(ControlPtList, DrawMarksThePointInRed) {
  CControlPt p(10.4, 20.6, 0, 0);
  CRecordingCanvas canvas;
  CFixedViewTransform view(2.0, 2.0, 0, 0);
  EXPECT_EQ(p.Draw(&canvas, &view), 1);
  std::ostringstream all;
  for (const auto& s : canvas.calls) all << s << "\n";
  EXPECT_NE(all.str().find("pen 0 1 #ff0000"), std::string::npos) << all.str();
  EXPECT_NE(all.str().find("ellipse 18 38 25 45"), std::string::npos) << all.str();
  EXPECT_NE(all.str().find("move 18 41"), std::string::npos) << all.str();
  EXPECT_NE(all.str().find("line 21 45"), std::string::npos) << all.str();
}

// Fewer points than terms, points on a line and two points all fail; the
// exact three-point solve reproduces its points both ways.
TEST(ControlPtFit, ExactAndFailingCases) {
  double x[4], y[4];
  CControlPtList two;
  Fill(two, {{0, 0, 100, 200}, {10, 0, 110, 200}});
  EXPECT_EQ(two.FitTransform(x, y, 3, 0), 0);

  CControlPtList three;
  Fill(three, {{0, 0, 1000, 5000}, {100, 0, 1200, 4990}, {0, 50, 1010, 4900}});
  EXPECT_EQ(three.FitTransform(x, y, 4, 0), 0) << "three points cannot fix four terms";
  ASSERT_EQ(three.FitTransform(x, y, 3, 0), 1);
  for (const CControlPt* p : three) {
    EXPECT_NEAR(Apply3(x, p->m_imageX, p->m_imageY), p->m_mapX, 1e-9);
    EXPECT_NEAR(Apply3(y, p->m_imageX, p->m_imageY), p->m_mapY, 1e-9);
  }
  ASSERT_EQ(three.FitTransform(x, y, 3, 1), 1);
  for (const CControlPt* p : three) {
    EXPECT_NEAR(Apply3(x, p->m_mapX, p->m_mapY), p->m_imageX, 1e-9);
    EXPECT_NEAR(Apply3(y, p->m_mapX, p->m_mapY), p->m_imageY, 1e-9);
  }

  // Three points on one line (equal x, and slanted) have no affine fit.
  CControlPtList vertical, slanted, fourOnLine;
  Fill(vertical, {{5, 0, 0, 0}, {5, 10, 1, 1}, {5, 30, 2, 7}});
  Fill(slanted, {{0, 0, 0, 0}, {1, 2, 1, 1}, {3, 6, 2, 7}});
  Fill(fourOnLine, {{0, 0, 0, 0}, {1, 2, 1, 1}, {3, 6, 2, 7}, {4, 8, 3, 3}});
  EXPECT_EQ(vertical.FitTransform(x, y, 3, 0), 0);
  EXPECT_EQ(slanted.FitTransform(x, y, 3, 0), 0);
  EXPECT_EQ(fourOnLine.FitTransform(x, y, 3, 0), 0);
  EXPECT_EQ(fourOnLine.FitTransform(x, y, 4, 0), 0);

  CControlPtList list;
  Fill(list, {{0, 0, 0, 0}, {1, 0, 1, 0}, {0, 1, 0, 1}, {1, 1, 1, 1}});
  EXPECT_EQ(list.FitBilinear(), 1);
  EXPECT_EQ(list.m_nType, 4);
  list.DeleteAt(list.GetTailPosition());  // three points: the bilinear fit fails and says so
  EXPECT_EQ(list.FitBilinear(), 0);
  EXPECT_EQ(list.m_nType, 0);
}

TEST(ControlPtFit, AgreesWithNumpyLeastSquares) {
  QZN_REQUIRE_PYTHON("import numpy");
  CControlPtList list;
  std::ostringstream data;
  data.precision(17);
  for (int i = 0; i < 23; ++i) {
    const double ix = 37.0 * i + 13.0 * ((i * 7) % 5), iy = 2900.0 - 101.0 * ((i * 11) % 17) + 0.25 * i;
    const double mx = 430000.0 + 2.5 * ix - 0.3 * iy + 0.0004 * ix * iy + std::sin(i) * 3;
    const double my = 4100000.0 - 0.2 * ix - 2.5 * iy + std::cos(i * 1.7) * 2;
    Fill(list, {{ix, iy, mx, my}});
    data << ix << " " << iy << " " << mx << " " << my << "\n";
  }
  qzntest::TempDir dir;
  qzntest::WriteFileText(dir.file("pts.txt"), data.str());
  // The design is centred and scaled before numpy solves it (raw map
  // coordinates in the millions make the bilinear design too ill-conditioned
  // to compare coefficients); the fits are compared by their predictions.
  const std::string script =
      "import numpy as np\n"
      "p = np.loadtxt('" +
      dir.file("pts.txt") +
      "')\n"
      "for d in (0, 1):\n"
      "  sx, sy, tx, ty = (p[:,0], p[:,1], p[:,2], p[:,3]) if d == 0 else (p[:,2], p[:,3], p[:,0], p[:,1])\n"
      "  u, v = (sx - sx.mean()) / sx.std(), (sy - sy.mean()) / sy.std()\n"
      "  one = np.ones_like(u)\n"
      "  for A in (np.c_[u, v, one], np.c_[u, v, u*v, one]):\n"
      "    for t in (tx, ty):\n"
      "      c = np.linalg.lstsq(A, t, rcond=None)[0]\n"
      "      print(' '.join(repr(float(v)) for v in A @ c))\n";
  int status = 0;
  std::istringstream out(georeftest::RunPython(dir, script, &status));
  ASSERT_EQ(status, 0) << out.str();
  for (int direction = 0; direction < 2; ++direction) {
    for (int terms = 3; terms <= 4; ++terms) {
      double rows[2][4];
      ASSERT_EQ(list.FitTransform(rows[0], rows[1], terms, direction), 1);
      for (auto& row : rows) {
        for (const CControlPt* p : list) {
          const double sx = direction ? p->m_mapX : p->m_imageX, sy = direction ? p->m_mapY : p->m_imageY;
          const double ours = terms == 3 ? Apply3(row, sx, sy) : Apply4(row, sx, sy);
          double expected = 0;
          out >> expected;
          EXPECT_NEAR(ours, expected, 1e-6) << "direction " << direction << " terms " << terms;
        }
      }
    }
  }
}

TEST(ControlPtFit, PointInfoTexts) {
  CControlPtList list;
  std::string text;
  list.FormatPointInfo(nullptr, text);
  EXPECT_EQ(text, "没有数据可用");

  Fill(list, {{0, 0, 100, 200}, {10, 0, 120, 200}, {0, 10, 100, 180}, {10, 10, 121, 181}});
  list.FormatPointInfo(list.GetHead(), text);
  EXPECT_EQ(text, "源点 X=0.000000 Y=0.000000\n终点 X=100.000000 Y=200.000000\n剩余错误 X=0.0 Y=0.0");

  Fill(list, {{5, 5, 111, 190}});  // off the bilinear surface by (0.25, 0)
  list.FormatPointInfo(list.GetTail(), text);
  double rx = 0, ry = 0, total = 0;
  const std::size_t at = text.find("剩余错误");
  ASSERT_NE(at, std::string::npos) << text;
  ASSERT_EQ(std::sscanf(text.c_str() + at, "剩余错误 X=%lf Y=%lf\n错误总数=%lf", &rx, &ry, &total), 3) << text;
  EXPECT_GT(rx, 0.01);
  EXPECT_NEAR(total, std::hypot(rx, ry), 1e-6);
  EXPECT_EQ(list.m_nType, 0) << "the check refits the rows but does not set the type";

  CControlPtList bad;
  Fill(bad, {{0, 0, 0, 0}, {1, 1, 1, 1}, {2, 2, 2, 2}, {3, 3, 3, 3}, {4, 4, 4, 4}});
  bad.FormatPointInfo(bad.GetHead(), text);
  EXPECT_EQ(text, "坏的控制点");
}

TEST(ControlPtAdjust, OffsetScaleRotate) {
  CControlPtList list;
  Fill(list, {{10, 20, 1, 2}, {30.5, 41, 3, 4}});
  EXPECT_EQ(list.OffsetImageCoords(5, 10), 2);
  EXPECT_EQ(list.GetHead()->m_imageX, 5.0);
  EXPECT_EQ(list.GetHead()->m_imageY, 10.0);

  list.ScaleImageCoords(2, 1);
  EXPECT_EQ(list.GetTail()->m_imageX, 12.75);
  EXPECT_EQ(list.GetTail()->m_imageY, 15.5);
  list.ScaleImageCoords(0, 1);
  list.ScaleImageCoords(2, 0);
  EXPECT_EQ(list.GetTail()->m_imageX, 25.5);

  list.RotateImageCoords(0.0f, 0, 0, 100, 50, 0, 0, 50, 100);
  EXPECT_EQ(list.GetHead()->m_imageX, 5.0);
  // A quarter turn counter-clockwise on screen of a 101 x 51 image onto a
  // 51 x 101 one: the top-right corner goes to the top-left, exactly.
  CControlPtList corner;
  Fill(corner, {{100, 0, 7, 8}, {0, 50, 0, 0}});
  corner.RotateImageCoords(90.0f, 0, 0, 100, 50, 0, 0, 50, 100);
  EXPECT_EQ(corner.GetHead()->m_imageX, 0.0);
  EXPECT_EQ(corner.GetHead()->m_imageY, 0.0);
  EXPECT_EQ(corner.GetTail()->m_imageX, 50.0);
  EXPECT_EQ(corner.GetTail()->m_imageY, 100.0);
  EXPECT_EQ(corner.GetHead()->m_mapX, 7.0);
}

TEST(ControlPtAdjust, CornersAreInterpolatedOnceEach) {
  CControlPtList list;
  Fill(list, {{10, 10, 1010, 2090}, {90, 20, 1090, 2080}, {50, 80, 1050, 2020}});
  CControlPtList few;
  Fill(few, {{0, 0, 0, 0}, {1, 1, 1, 1}});
  EXPECT_EQ(few.AddCorners(RECT{0, 0, 100, 100}), 0);

  Fill(list, {{0, 0, 1000, 2100}});  // one corner is a control point already
  ASSERT_EQ(list.AddCorners(RECT{0, 0, 100, 100}), 1);
  EXPECT_EQ(list.GetCount(), 7);
  // map = image + 1000 in x, 2100 - image in y: each axis extrapolates exactly.
  for (const CControlPt* p : list) {
    EXPECT_DOUBLE_EQ(p->m_mapX, p->m_imageX + 1000);
    EXPECT_DOUBLE_EQ(p->m_mapY, 2100 - p->m_imageY);
  }
  EXPECT_TRUE(list.HasImagePoint(CFPoint(100.0f, 100.0f)));
  EXPECT_FALSE(list.HasImagePoint(CFPoint(100.0f, 100.5f)));
}

// Points astride a zone boundary all land in one zone: the caller's, or the
// zone of their centroid.
TEST(ControlPtConvert, UtmUsesOneZoneForAllPoints) {
  CControlPtList list;
  Fill(list, {{0, 0, 17.9, 45.1}, {100, 0, 18.2, 45.0}, {0, 100, 17.5, 44.6}, {100, 100, 18.6, 44.5}});
  CControlPtList explicitZone(list), centroid(list);

  ASSERT_EQ(centroid.GeographicToUtm(kWgs84), 1);
  EXPECT_EQ(centroid.m_coordSys.kind, CMapCoordSys::utm);
  EXPECT_EQ(centroid.m_coordSys.zoneText, "34T");  // centroid longitude 18.05
  // Every point through the zone's own conversion gives the same numbers as
  // the single-point routine does for points inside that zone.
  double n = 0, e = 0;
  char zone[16];
  ASSERT_EQ(LatLongToUtm(kWgs84, 45.0, 18.2, n, e, zone), PROJ_OK);
  EXPECT_STREQ(zone, "34T");
  const CControlPt* second = centroid.GetAt(centroid.FindIndex(1));
  EXPECT_DOUBLE_EQ(second->m_mapX, e);
  EXPECT_DOUBLE_EQ(second->m_mapY, n);
  // Back to geographic with the zone that was used.
  ASSERT_EQ(centroid.UtmToGeographic(kWgs84, centroid.m_coordSys.zoneText), 1);
  EXPECT_EQ(centroid.m_coordSys.kind, CMapCoordSys::geographic);
  auto b = list.begin();
  for (const CControlPt* p : centroid) {
    EXPECT_NEAR(p->m_mapX, (*b)->m_mapX, 1e-9);
    EXPECT_NEAR(p->m_mapY, (*b)->m_mapY, 1e-9);
    ++b;
  }

  ASSERT_EQ(explicitZone.GeographicToUtm(kWgs84, "33"), 1);
  EXPECT_EQ(explicitZone.m_coordSys.zoneText, "33T");
  EXPECT_GT(explicitZone.GetTail()->m_mapX, 700000.0) << "east of zone 33, still in zone 33";
}

TEST(ControlPtConvert, UtmAgreesWithProj) {
  QZN_REQUIRE_PYTHON("import pyproj");
  CControlPtList north, south;
  Fill(north, {{0, 0, 17.9, 45.1}, {1, 0, 18.6, 44.5}});
  Fill(south, {{0, 1, -0.5, -33.9}});
  ASSERT_EQ(north.GeographicToUtm(kWgs84, "33N"), 1);
  ASSERT_EQ(south.GeographicToUtm(kWgs84, "31 h"), 1);
  EXPECT_TRUE(south.m_coordSys.utmSouth);
  qzntest::TempDir dir;
  const std::string script =
      "from pyproj import Transformer\n"
      "n = Transformer.from_crs('EPSG:4326', '+proj=utm +zone=33 +ellps=WGS84', always_xy=True)\n"
      "s = Transformer.from_crs('EPSG:4326', '+proj=utm +zone=31 +south +ellps=WGS84', always_xy=True)\n"
      "for t, lon, lat in ((n, 17.9, 45.1), (n, 18.6, 44.5), (s, -0.5, -33.9)):\n"
      "  print('%.6f %.6f' % t.transform(lon, lat))\n";
  int status = 0;
  std::istringstream out(georeftest::RunPython(dir, script, &status));
  ASSERT_EQ(status, 0) << out.str();
  for (const CControlPtList* l : {&north, &south})
    for (const CControlPt* p : *l) {
      double e = 0, n = 0;
      out >> e >> n;
      EXPECT_NEAR(p->m_mapX, e, 1e-3);
      EXPECT_NEAR(p->m_mapY, n, 1e-3);
    }
}

TEST(ControlPtConvert, FailuresLeaveEveryPointAsItWas) {
  CControlPtList empty;
  EXPECT_EQ(empty.GeographicToUtm(kWgs84), 0);
  EXPECT_EQ(empty.UtmToGeographic(kWgs84, "33T"), 0);

  CControlPtList list;
  Fill(list, {{0, 0, 17.9, 45.1}, {1, 0, 18.6, 95.0}});  // the second latitude is impossible
  EXPECT_EQ(list.GeographicToUtm(kWgs84), 0);
  EXPECT_EQ(list.GeographicToUtm(kWgs84, "61"), 0);
  EXPECT_EQ(list.GeographicToUtm(0), 0);
  EXPECT_EQ(list.GetHead()->m_mapX, 17.9);
  EXPECT_EQ(list.m_coordSys.kind, CMapCoordSys::unknown);

  CControlPtList utm;
  Fill(utm, {{0, 0, 500000, 5000000}});
  EXPECT_EQ(utm.UtmToGeographic(kWgs84, "no zone"), 0);
  EXPECT_EQ(utm.GetHead()->m_mapX, 500000.0);
}

TEST(ControlPtConvert, StatePlaneRoundTripInSurveyFeet) {
  CStatePlane sp;
  ASSERT_EQ(sp.SetZone(1, "COLORADO NORTH - 501", CStatePlane::FORWARD), PROJ_OK);
  CControlPtList list;
  Fill(list, {{0, 0, -105.0, 40.0}, {1, 1, -104.5, 40.3}});
  CControlPtList metres(list);
  ASSERT_EQ(list.GeographicToStatePlane(sp, "英尺"), 1);
  ASSERT_EQ(metres.GeographicToStatePlane(sp, "米"), 1);
  EXPECT_EQ(list.m_coordSys.kind, CMapCoordSys::statePlane);
  EXPECT_TRUE(list.m_coordSys.feet);
  EXPECT_NEAR(list.GetHead()->m_mapX, metres.GetHead()->m_mapX * 3937.0 / 1200.0, 1e-6);
  ASSERT_EQ(list.StatePlaneToGeographic(sp, "英尺"), 1);
  EXPECT_NEAR(list.GetHead()->m_mapX, -105.0, 1e-9);
  EXPECT_NEAR(list.GetTail()->m_mapY, 40.3, 1e-9);
  EXPECT_EQ(list.m_coordSys.kind, CMapCoordSys::geographic);

  CStatePlane none;
  EXPECT_EQ(metres.GeographicToStatePlane(none, "米"), 0);
}

TEST(ControlPtText, ExactNumbers) {
  EXPECT_EQ(FormatExactDouble(0.5), "0.5");
  EXPECT_EQ(FormatExactDouble(-120.0), "-120");
  EXPECT_EQ(FormatExactDouble(8.983152841195214e-06), "0.000008983152841195214");
  for (double v : {0.1, 1.0 / 3.0, 4100000.123456789, -1e-12, 123456789012.5}) {
    double back = 0;
    ASSERT_TRUE(ParseDouble(FormatExactDouble(v), back));
    EXPECT_EQ(back, v);
  }
}

}  // namespace
