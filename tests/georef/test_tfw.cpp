#include "georef/tfw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "georef/controlpt.h"
#include "platform/host.h"
#include "tests/georef/test_controlpt_support.h"

using namespace qzn;

namespace {

CTfw Make(double a, double b, double c, double d, double e, double f) {
  CTfw t;
  t.m_A = a, t.m_B = b, t.m_C = c, t.m_D = d, t.m_E = e, t.m_F = f;
  t.m_nTerms = 3;
  return t;
}

void ExpectSame(const CTfw& t, const CTfw& u) {
  EXPECT_EQ(t.m_A, u.m_A);
  EXPECT_EQ(t.m_B, u.m_B);
  EXPECT_EQ(t.m_C, u.m_C);
  EXPECT_EQ(t.m_D, u.m_D);
  EXPECT_EQ(t.m_E, u.m_E);
  EXPECT_EQ(t.m_F, u.m_F);
}

TEST(WorldFile, WriteReadRoundTripsEveryDigit) {
  qzntest::TempDir dir;
  for (const CTfw& t :
       {Make(8.983152841195214e-06, 0, 116.39123456789012, 0, -8.983152841195214e-06, 39.9087654321),
        Make(0.7071067811865476, -0.7071067811865475, 500123.25, -0.7071067811865475, -0.7071067811865476, 4100456.125),
        Make(2, 0, 10, 0, -2, 20)}) {
    const std::string path = dir.file("a.tfw");
    ASSERT_EQ(t.Write(path), 1);
    CTfw back;
    ASSERT_EQ(back.Read(path), 1);
    ExpectSame(back, t);
    EXPECT_EQ(back.m_nTerms, 3);
    EXPECT_EQ(back.m_nLoaded, 1);
  }
  EXPECT_EQ(qzntest::ReadFileText(dir.file("a.tfw")), "2\r\n0\r\n0\r\n-2\r\n10\r\n20\r\n");
}

TEST(WorldFile, FailedReadKeepsTheOldParameters) {
  CScriptedHost host;
  CHostScope scope(&host);
  qzntest::TempDir dir;
  CTfw t = Make(1, 2, 3, 4, 5, 6);
  t.m_nTerms = 0;
  const CTfw before = t;
  qzntest::WriteFileText(dir.file("five.tfw"), "9\n9\n9\n9\n9\n");
  qzntest::WriteFileText(dir.file("word.tfw"), "9\n9\nnine\n9\n9\n9\n");
  EXPECT_EQ(t.Read(dir.file("five.tfw")), 0);
  EXPECT_EQ(t.Read(dir.file("word.tfw")), 0);
  ExpectSame(t, before);
  EXPECT_EQ(t.m_nTerms, 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(t.Read(dir.file("missing.tfw")), 0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "读取控制点文件出错。");
  EXPECT_EQ(host.messages[0].style & MB_ICONSTOP, static_cast<unsigned>(MB_ICONSTOP));
  EXPECT_EQ(t.Write(dir.file("no/such/dir/x.tfw")), 0);
}

TEST(WorldFile, InverseOfNorthUpRotatedAndQuarterTurned) {
  double x[3], y[3];
  const CTfw north = Make(2, 0, 10, 0, -2, 20);
  ASSERT_EQ(north.GetTransform(x, y, 1), 1);
  const double expect[6] = {0.5, 0, -5, 0, -0.5, 10};
  for (int k = 0; k < 3; ++k) {
    EXPECT_DOUBLE_EQ(x[k] + 0.0, expect[k]);
    EXPECT_DOUBLE_EQ(y[k] + 0.0, expect[3 + k]);
  }
  const double c = std::cos(0.3), s = std::sin(0.3);
  for (const CTfw& t : {Make(0, 1.5, 100, 1.5, 0, 200), Make(0, -2, 5, -3, 0, 7), Make(c, -s, 1e5, -s, -c, 4e6)}) {
    double f[2][3], inv[2][3];
    ASSERT_EQ(t.GetTransform(f[0], f[1], 0), 1);
    ASSERT_EQ(t.GetTransform(inv[0], inv[1], 1), 1);
    for (double col : {0.0, 17.0, 2000.0})
      for (double row : {0.0, 33.0, 1500.0}) {
        const double mx = f[0][0] * col + f[0][1] * row + f[0][2], my = f[1][0] * col + f[1][1] * row + f[1][2];
        EXPECT_NEAR(inv[0][0] * mx + inv[0][1] * my + inv[0][2], col, 1e-6);
        EXPECT_NEAR(inv[1][0] * mx + inv[1][1] * my + inv[1][2], row, 1e-6);
      }
  }
  EXPECT_EQ(Make(1, 2, 0, 2, 4, 0).GetTransform(x, y, 1), 0) << "singular";
  CTfw none;
  EXPECT_EQ(none.GetTransform(x, y, 0), 0);

  double x4[4], y4[4];
  ASSERT_EQ(north.GetTransform4(x4, y4, 0), 1);
  EXPECT_EQ(x4[0], 2.0);
  EXPECT_EQ(x4[2], 0.0);
  EXPECT_EQ(x4[3], 10.0);
  EXPECT_EQ(y4[1], -2.0);
  EXPECT_EQ(y4[3], 20.0);
}

TEST(WorldFile, AdjustmentsKeepMapPositions) {
  CTfw t = Make(2, 0.5, 1000, 0.25, -2, 5000);
  CTfw r = t;
  r.AdjustForResize(2, 1);
  EXPECT_EQ(r.m_A, 4.0);
  EXPECT_EQ(r.m_B, 1.0);
  EXPECT_EQ(r.m_D, 0.5);
  EXPECT_EQ(r.m_E, -4.0);
  EXPECT_EQ(r.m_C, 1000.0);
  r.AdjustForResize(2, 0);
  ExpectSame(r, t);

  CTfw crop = t;
  ASSERT_EQ(crop.AdjustForCrop(100, 50, 300, 250), 1);
  // New pixel (10, 20) is old pixel (110, 70).
  EXPECT_DOUBLE_EQ(crop.m_A * 10 + crop.m_B * 20 + crop.m_C, t.m_A * 110 + t.m_B * 70 + t.m_C);
  EXPECT_DOUBLE_EQ(crop.m_D * 10 + crop.m_E * 20 + crop.m_F, t.m_D * 110 + t.m_E * 70 + t.m_F);

  // A rotated image: the pixel a control point moves to keeps its map position.
  CTfw rot = t;
  ASSERT_EQ(rot.AdjustForRotate(30.0f, 0, 0, 399, 299, 0, 0, 495, 458), 1);
  CControlPtList probe;
  georeftest::Fill(probe, {{123, 45, 0, 0}});
  probe.RotateImageCoords(30.0f, 0, 0, 399, 299, 0, 0, 495, 458);
  const double px = probe.GetHead()->m_imageX, py = probe.GetHead()->m_imageY;
  EXPECT_NEAR(rot.m_A * px + rot.m_B * py + rot.m_C, t.m_A * 123 + t.m_B * 45 + t.m_C, 1e-6);
  EXPECT_NEAR(rot.m_D * px + rot.m_E * py + rot.m_F, t.m_D * 123 + t.m_E * 45 + t.m_F, 1e-6);
}

TEST(WorldFile, ArchiveLayout) {
  const CTfw t = Make(1, 2, 3, 4, 5, 6);
  CArchive out;
  const_cast<CTfw&>(t).Serialize(out);
  ASSERT_EQ(out.GetBuffer().size(), 4u + 48u);
  EXPECT_EQ(out.GetBuffer()[0], 3);
  CArchive in(out.GetBuffer());
  CTfw back;
  back.Serialize(in);
  ExpectSame(back, t);
  EXPECT_EQ(back.m_nTerms, 3);
  EXPECT_EQ(back.m_nLoaded, 0);
}

// Both ways with GDAL: its reading of our world file, and our reading of the
// world file it writes (GDAL puts the origin at the pixel corner, the world
// file at the pixel centre).
TEST(WorldFile, AgreesWithGdal) {
  QZN_REQUIRE_PYTHON("from osgeo import gdal");
  qzntest::TempDir dir;
  const CTfw ours =
      Make(0.7071067811865476, -0.7071067811865475, 500123.25, -0.7071067811865475, -0.7071067811865476, 4100456.125);
  ASSERT_EQ(ours.Write(dir.file("ours.tfw")), 1);
  const std::string script =
      "from osgeo import gdal\n"
      "d = gdal.GetDriverByName('GTiff')\n"
      "a = d.Create('" +
      dir.file("ours.tif") +
      "', 4, 3, 1); a = None\n"
      "print(*[repr(v) for v in gdal.Open('" +
      dir.file("ours.tif") +
      "').GetGeoTransform()])\n"
      "b = d.Create('" +
      dir.file("src.tif") +
      "', 4, 3, 1)\n"
      "b.SetGeoTransform((116.25, 8.983152841195214e-06, 1.5e-07, 39.75, 2.5e-07, -8.983152841195214e-06)); b = None\n"
      "gdal.Translate('" +
      dir.file("gdal.tif") + "', '" + dir.file("src.tif") + "', creationOptions=['TFW=YES'])\n";
  int status = 0;
  std::istringstream out(georeftest::RunPython(dir, script, &status));
  ASSERT_EQ(status, 0) << out.str();
  double gt[6];
  for (double& v : gt) out >> v;
  EXPECT_NEAR(gt[1], ours.m_A, 1e-15);
  EXPECT_NEAR(gt[2], ours.m_B, 1e-15);
  EXPECT_NEAR(gt[4], ours.m_D, 1e-15);
  EXPECT_NEAR(gt[5], ours.m_E, 1e-15);
  EXPECT_NEAR(gt[0], ours.m_C - 0.5 * ours.m_A - 0.5 * ours.m_B, 1e-8);
  EXPECT_NEAR(gt[3], ours.m_F - 0.5 * ours.m_D - 0.5 * ours.m_E, 1e-8);

  // GDAL writes ten decimals.
  CTfw theirs;
  ASSERT_EQ(theirs.Read(dir.file("gdal.tfw")), 1);
  EXPECT_NEAR(theirs.m_A, 8.983152841195214e-06, 5e-11);
  EXPECT_NEAR(theirs.m_B, 1.5e-07, 5e-11);
  EXPECT_NEAR(theirs.m_D, 2.5e-07, 5e-11);
  EXPECT_NEAR(theirs.m_E, -8.983152841195214e-06, 5e-11);
  EXPECT_NEAR(theirs.m_C, 116.25 + 0.5 * 8.983152841195214e-06 + 0.5 * 1.5e-07, 5e-11);
  EXPECT_NEAR(theirs.m_F, 39.75 + 0.5 * 2.5e-07 - 0.5 * 8.983152841195214e-06, 5e-11);
}

}  // namespace
