#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "georef/controlpt.h"
#include "georef/tfw.h"
#include "platform/host.h"
#include "tests/georef/test_controlpt_support.h"

using namespace qzn;

using georeftest::Fill;

namespace {

constexpr int kWgs84 = 23;

TEST(ControlPointFile, SaveLoadRoundTripsExactly) {
  qzntest::TempDir dir;
  CControlPtList list;
  Fill(list, {{10.25, 20.5, 116.39123456789012, 39.908765432109876}, {300, 400, -0.1, 1e-7}});
  ASSERT_EQ(list.Save(dir.file("a.cpt")), 1);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("a.cpt")),
            "10.25 20.5 116.39123456789012 39.908765432109874\r\n300 400 -0.1 0.0000001");
  CControlPtList back;
  ASSERT_EQ(back.Load(dir.file("a.cpt"), 1), 1);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(back.GetHead()->m_mapX, 116.39123456789012);
  EXPECT_EQ(back.GetHead()->m_mapY, 39.908765432109876);
  EXPECT_EQ(back.GetTail()->m_mapY, 1e-7);

  EXPECT_EQ(list.Save(dir.file("no/such/dir/a.cpt")), 0) << "a file that cannot be made is a failure";
}

TEST(ControlPointFile, ReadingStopsAtTheFirstIncompleteLine) {
  qzntest::TempDir dir;
  qzntest::WriteFileText(dir.file("a.cpt"), "1 2 3 4\n5\t6  7 8\r\n9 10 11\n12 13 14 15\n");
  qzntest::WriteFileText(dir.file("b.cpt"), "1 2 3 4\n5 6 7 8\n\n");
  CControlPtList list;
  ASSERT_EQ(list.Load(dir.file("a.cpt"), 1), 1);
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetTail()->m_mapY, 8.0);
  ASSERT_EQ(list.Load(dir.file("b.cpt"), 1), 1);
  EXPECT_EQ(list.GetCount(), 2);
}

TEST(ControlPointFile, AskBeforeReplacingPoints) {
  qzntest::TempDir dir;
  qzntest::WriteFileText(dir.file("a.cpt"), "1 2 3 4\n");
  CScriptedHost host;
  CHostScope scope(&host);
  CControlPtList list;
  Fill(list, {{9, 9, 9, 9}});
  host.answers = {IDNO};
  ASSERT_EQ(list.Load(dir.file("a.cpt"), 0), 1);
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetHead()->m_imageX, 9.0) << "No appends after the old points";
  EXPECT_EQ(list.GetTail()->m_imageX, 1.0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "移除现有的控制点吗?");
  EXPECT_EQ(host.messages[0].style, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));

  host.answers = {IDYES};
  ASSERT_EQ(list.LoadTab(dir.file("a.cpt"), 0), 1);  // not a table: no points, but emptied
  EXPECT_EQ(list.GetCount(), 0);
  ASSERT_EQ(list.Load(dir.file("a.cpt"), 1), 1);  // replace without a question
  EXPECT_EQ(host.messages.size(), 2u);

  EXPECT_EQ(list.Load(dir.file("missing.cpt"), 1), 0);
  EXPECT_EQ(host.messages.back().text, "读取控制点文件出错。");
  EXPECT_EQ(list.GetCount(), 1) << "a file that cannot be opened changes nothing";
}

TEST(RasterTable, EveryPointWrittenAndReadBack) {
  qzntest::TempDir dir;
  CControlPtList list;
  for (int i = 0; i < 5; ++i) Fill(list, {{i * 100.5, i * 37.25, 500000.125 + i * 250, 4100000.5 - i * 90}});
  ASSERT_EQ(list.WriteTab(dir.file("a.tab"), "a.tif"), 1);
  const std::string text = qzntest::ReadFileText(dir.file("a.tab"));
  EXPECT_EQ(text.rfind("!table\r\n!version 300\r\n!charset WindowsLatin1\r\n\r\nDefinition Table\r\nFile \"a.tif\"\r\n"
                       "Type \"RASTER\"\r\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("(500000.125,4100000.5) (0,0) Label \"Pt 1\",\r\n"), std::string::npos) << text;
  EXPECT_NE(
      text.find("(501000.125,4099640.5) (402,149) Label \"Pt 5\"\r\nCoordSys NonEarth Units \"m\"\r\nUnits \"m\"\r\n"),
      std::string::npos)
      << text;

  CControlPtList back;
  ASSERT_EQ(back.LoadTab(dir.file("a.tab"), 1), 1);
  ASSERT_EQ(back.GetCount(), 5);
  auto it = list.begin();
  for (const CControlPt* p : back) {
    EXPECT_EQ(p->m_imageX, (*it)->m_imageX);
    EXPECT_EQ(p->m_imageY, (*it)->m_imageY);
    EXPECT_EQ(p->m_mapX, (*it)->m_mapX);
    EXPECT_EQ(p->m_mapY, (*it)->m_mapY);
    ++it;
  }
  EXPECT_EQ(list.WriteTab(dir.file("no/such/dir/a.tab"), "a.tif"), 0);
}

TEST(RasterTable, ReadsMapInfoLayoutsAndSkipsBounds) {
  qzntest::TempDir dir;
  qzntest::WriteFileText(dir.file("m.tab"),
                         "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n"
                         "  File \"m.tif\"\n  Type \"RASTER\"\n"
                         "  (116.25, 39.75) (0, 0) Label \"Pt 1\",\n"
                         "  (116.5,39.5) (1000,1000) Label \"Pt 2\",\n"
                         "  (oops) (1, 2) Label \"Pt 3\",\n"
                         "  (116.5,39.75) (1000,0) Label \"Pt 4\"\n"
                         "  CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000, 1000)\n"
                         "  Units \"degree\"\n");
  CControlPtList list;
  ASSERT_EQ(list.LoadTab(dir.file("m.tab"), 1), 1);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetHead()->m_mapX, 116.25);
  EXPECT_EQ(list.GetHead()->m_mapY, 39.75);
  EXPECT_EQ(list.GetTail()->m_imageX, 1000.0);
  EXPECT_EQ(list.GetTail()->m_imageY, 0.0);
}

TEST(RasterTable, CoordinateSystemClauseFollowsThePoints) {
  qzntest::TempDir dir;
  CControlPtList list;
  Fill(list, {{0, 0, 17.9, 45.1}, {100, 0, 18.6, 45.1}, {0, 100, 17.9, 44.5}});
  auto clause = [&] {
    EXPECT_EQ(list.WriteTab(dir.file("c.tab"), "c.tif"), 1);
    const std::string t = qzntest::ReadFileText(dir.file("c.tab"));
    return t.substr(t.find("CoordSys"));
  };
  EXPECT_EQ(clause(), "CoordSys NonEarth Units \"m\"\r\nUnits \"m\"\r\n");
  list.m_coordSys.kind = CMapCoordSys::geographic;
  list.m_coordSys.ellipsoid = kWgs84;
  EXPECT_EQ(clause(), "CoordSys Earth Projection 1, 104\r\nUnits \"degree\"\r\n");
  ASSERT_EQ(list.GeographicToUtm(kWgs84), 1);
  EXPECT_EQ(clause(), "CoordSys Earth Projection 8, 104, \"m\", 21, 0, 0.9996, 500000, 0\r\nUnits \"m\"\r\n");
  ASSERT_EQ(list.UtmToGeographic(kWgs84, list.m_coordSys.zoneText), 1);
  ASSERT_EQ(list.GeographicToUtm(5, "34C"), 1);  // Clarke 1866, southern false northing
  EXPECT_EQ(clause(),
            "CoordSys Earth Projection 8, 999, 7, 0, 0, 0, \"m\", 21, 0, 0.9996, 500000, 10000000\r\nUnits \"m\"\r\n");
}

// GDAL reads the table beside the image: the same control points and, for
// points of one affine map, the same geotransform; the coordinate system it
// reports is the one the points are in.
TEST(RasterTable, ReadByGdal) {
  QZN_REQUIRE_PYTHON("from osgeo import gdal");
  qzntest::TempDir dir;
  CControlPtList list;
  for (int i = 0; i < 5; ++i) {
    const double ix = (i * 37) % 100 + 0.5 * i, iy = (i * 53) % 80;
    Fill(list, {{ix, iy, 600000.0 + 2.5 * ix + 0.5 * iy, 4500000.0 + 0.25 * ix - 2.5 * iy}});
  }
  list.m_coordSys.kind = CMapCoordSys::utm;
  list.m_coordSys.ellipsoid = kWgs84;
  list.m_coordSys.utmZone = 50;
  ASSERT_EQ(list.WriteTab(dir.file("img.tab"), "img.tif"), 1);
  list.m_coordSys.ellipsoid = 5;  // Clarke 1866: no datum, the ellipsoid alone
  list.m_coordSys.utmSouth = true;
  ASSERT_EQ(list.WriteTab(dir.file("clarke.tab"), "clarke.tif"), 1);
  const std::string script =
      "from osgeo import gdal, osr\n"
      "for n in ('img', 'clarke'): gdal.GetDriverByName('GTiff').Create('" +
      dir.path().string() +
      "/' + n + '.tif', 100, 80, 1)\n"
      "c = gdal.Open('" +
      dir.file("clarke.tif") +
      "').GetSpatialRef()\n"
      "print(c.GetUTMZone(), c.GetAttrValue('SPHEROID').replace(' ', '_'))\n"
      "d = gdal.Open('" +
      dir.file("img.tif") +
      "')\n"
      "print(*[repr(v) for v in d.GetGeoTransform()])\n"
      "s = d.GetSpatialRef()\n"
      "print(s.GetUTMZone(), s.GetAttrValue('DATUM'))\n"
      "g = d.GetGCPs()\n"
      "print(len(g))\n"
      "for p in g: print(repr(p.GCPPixel), repr(p.GCPLine), repr(p.GCPX), repr(p.GCPY))\n";
  int status = 0;
  std::istringstream out(georeftest::RunPython(dir, script, &status));
  ASSERT_EQ(status, 0) << out.str();
  int southZone = 0;
  std::string spheroid;
  out >> southZone >> spheroid;
  EXPECT_EQ(southZone, -50) << "GDAL gives southern zones negative";
  EXPECT_EQ(spheroid, "Clarke_1866");
  double gt[6];
  for (double& v : gt) out >> v;
  // Corner-based geotransform of map = (2.5 c + 0.5 r + 600000, 0.25 c - 2.5 r + 4500000).
  EXPECT_NEAR(gt[0], 600000.0, 1e-6);
  EXPECT_NEAR(gt[1], 2.5, 1e-9);
  EXPECT_NEAR(gt[2], 0.5, 1e-9);
  EXPECT_NEAR(gt[3], 4500000.0, 1e-6);
  EXPECT_NEAR(gt[4], 0.25, 1e-9);
  EXPECT_NEAR(gt[5], -2.5, 1e-9);
  int zone = 0;
  std::string datum;
  out >> zone >> datum;
  EXPECT_EQ(zone, 50);
  EXPECT_NE(datum.find("WGS"), std::string::npos) << datum;
  std::size_t n = 0;
  out >> n;
  if (n == 0) return;  // GDAL turns points that fit an affine map into the geotransform
  ASSERT_EQ(n, 5u);
  for (const CControlPt* p : list) {
    double c, r, x, y;
    out >> c >> r >> x >> y;
    EXPECT_EQ(c, p->m_imageX);
    EXPECT_EQ(r, p->m_imageY);
    EXPECT_EQ(x, p->m_mapX);
    EXPECT_EQ(y, p->m_mapY);
  }
}

TEST(RasterTable, WorldFileFromTheAffineFit) {
  qzntest::TempDir dir;
  CScriptedHost host;
  CHostScope scope(&host);
  CControlPtList list;
  Fill(list, {{0, 0, 1000, 2000}, {10, 0, 1020, 2001}});
  EXPECT_EQ(list.SaveGeoref(dir.file("a.tfw"), "a.tif", 0), 0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "变换参数计算错误.");
  Fill(list, {{0, 10, 1001, 1980}});
  ASSERT_EQ(list.SaveGeoref(dir.file("a.tfw"), "a.tif", 0), 1);
  CTfw t;
  ASSERT_EQ(t.Read(dir.file("a.tfw")), 1);
  EXPECT_NEAR(t.m_A, 2.0, 1e-12);
  EXPECT_NEAR(t.m_B, 0.1, 1e-12);
  EXPECT_NEAR(t.m_C, 1000.0, 1e-9);
  EXPECT_NEAR(t.m_D, 0.1, 1e-12);
  EXPECT_NEAR(t.m_E, -2.0, 1e-12);
  EXPECT_NEAR(t.m_F, 2000.0, 1e-9);
  ASSERT_EQ(list.SaveGeoref(dir.file("a.tab"), "a.tif", 1), 1);
  CControlPtList back;
  ASSERT_EQ(back.LoadTab(dir.file("a.tab"), 1), 1);
  EXPECT_EQ(back.GetCount(), 3);
}

}  // namespace
