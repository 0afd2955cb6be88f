// MIF/MID export: the coordinate-system clause, the header the rows need,
// and the files as OGR's MapInfo driver reads them.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/mifexport.h"
#include "platform/textfile.h"
#include "tests/formats/export_test_util.h"

namespace {

using namespace qzn;

using exporttest::ExportTest;
using qzn::MifParamOptions;

TEST(MifClause, UnitNamesAndProjectionRecords) {
  const struct {
    int coordSys;
    const char* unit;
    const char* record;
    const char* clause;
  } cases[] = {
      {1, "千米", "", "CoordSys Nonearth\nUnits \"km\""},  // not "m", though it holds 米
      {1, "英里", "", "CoordSys Nonearth\nUnits \"mi\""},
      {1, "英寸", "", "CoordSys Nonearth\nUnits \"in\""},
      {1, "英尺", "", "CoordSys Nonearth\nUnits \"ft\""},
      {1, "码", "", "CoordSys Nonearth\nUnits \"yd\""},
      {1, "毫米", "", "CoordSys Nonearth\nUnits \"mm\""},
      {1, "厘米", "", "CoordSys Nonearth\nUnits \"cm\""},
      {1, "米", "", "CoordSys Nonearth\nUnits \"m\""},
      {1, "furlong", "", "CoordSys Nonearth\nUnits \"m\""},
      {2, "", "\"墨卡托\", 10, 62, \"m\", 0", "CoordSys Earth Projection  10, 62, \"m\", 0"},
      {2, "", "8, 33, 104", ""},  // no quoted name
      {0, "千米", "\"UTM\", 8, 33", ""},
  };
  for (const auto& c : cases) {
    MifParamOptions o;
    o.coordSys = c.coordSys;
    o.unitName = c.unit;
    o.projection = c.record;
    EXPECT_EQ(o.Clause(), c.clause) << c.coordSys << " " << c.unit << " " << c.record;
  }
}

TEST_F(ExportTest, MifThroughTheWorldFileReadsBackInOgr) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"osgeo", "numpy"}), "GDAL's Python module and numpy");
  exporttest::AddWorldFile(doc);
  // OGR's reader cannot take a quote inside a text (the regions test pins
  // how quotes are written).
  doc.m_notes.GetHead()->m_strText = "高程点 A1";
  options.mif = [](MifParamOptions& o) {
    EXPECT_EQ(o.mode, 3);  // the world file is the default
    o.coordSys = 1;
    o.unitName = "米";
  };
  const std::string before = exporttest::Snapshot(doc);
  ASSERT_EQ(qzn::ExportMif(doc, dir.file("plan.mif")), 1);
  EXPECT_EQ(exporttest::Snapshot(doc), before);
  const std::string mif = GbkToUtf8(qzntest::ReadFileText(dir.file("plan.mif")));
  EXPECT_NE(mif.find("Charset \"WindowsSimpChinese\"\r\n"), std::string::npos);
  EXPECT_NE(mif.find("  ID Float\r\n"), std::string::npos);  // decimal IDs are the default

  const std::string out = exporttest::RunOracle(dir, std::string(exporttest::kPythonMap) + R"PY(
import sys
from osgeo import ogr, gdal
gdal.UseExceptions()
ds = ogr.Open(sys.argv[1])
lyr = ds.GetLayer(0)
print(lyr.GetLayerDefn().GetFieldDefn(0).GetTypeName())
x0, x1, y0, y1 = lyr.GetExtent()
pixels = [[(10.5, 20.25), (200, 300), (400.125, 50)],
          [(100, 100), (100, 400), (300, 400), (300, 100), (100, 100)],
          [(900, 700), (950.5, 780.75)],
          [(50.5, 60.25)], [(700, 700)]]
for f, line in zip(lyr, pixels + [None]):
    g = f.GetGeometryRef()
    name = g.GetGeometryName()
    if line is not None:
        pts = g.GetPoints()
        assert len(pts) == len(line), (pts, line)
        for (gx, gy), (px, py) in zip(pts, line):
            wx, wy = to_map(px, py)
            assert close(gx, wx, 6) and close(gy, wy, 6), (gx, gy, wx, wy)
    style = f.GetStyleString() or ""
    text = f.GetFieldAsString(0)
    label = ""
    if name == "POINT" and line is None:
        label = style[style.find('t:"') + 3:style.find('"', style.find('t:"') + 3)]
    print(name, text, style.split(",")[1] if name == "LINESTRING" else "", label)
)PY",
                                                {dir.file("plan.mif")});
  EXPECT_EQ(out,
            "Real\n"
            "LINESTRING 12.5 c:#ff0000 \n"
            "LINESTRING 100 c:#0000ff \n"
            "LINESTRING -7 c:#00ff00 \n"
            "POINT 123.5  \n"
            "POINT -3  \n"
            "POINT 0  高程点 A1\n");
}

TEST_F(ExportTest, MifIdColumnFitsItsRowsAndAnIdBeyondIntFails) {
  doc.m_nDecimalIDs = 0;
  options.mif = [](MifParamOptions& o) { o.points = o.text = 0; };
  ASSERT_EQ(qzn::ExportMif(doc, dir.file("small.mif")), 1);
  EXPECT_NE(qzntest::ReadFileText(dir.file("small.mif")).find("  ID Smallint\r\n"), std::string::npos);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("small.mid")), "12\r\n100\r\n-7\r\n");

  doc.m_lines.GetHead()->m_fID = 40000.0f;
  ASSERT_EQ(qzn::ExportMif(doc, dir.file("wide.mif")), 1);
  EXPECT_NE(qzntest::ReadFileText(dir.file("wide.mif")).find("  ID Integer\r\n"), std::string::npos);

  doc.m_lines.GetHead()->m_fID = 3e9f;
  EXPECT_EQ(qzn::ExportMif(doc, dir.file("huge.mif")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("huge.mif")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("huge.mid")));
  ASSERT_FALSE(host.messages.empty());
  EXPECT_NE(host.messages.back().text.find("3e+09"), std::string::npos);
}

TEST_F(ExportTest, MifRegionsBoundsQuotesAndCompanionCase) {
  doc.m_nDecimalIDs = 0;
  options.mif = [](MifParamOptions& o) {
    o.coordSys = 1;
    o.unitName = "米";
    o.regions = 1;
    o.mode = 4;  // flipped over the extent
    o.points = 0;
  };
  ASSERT_EQ(qzn::ExportMif(doc, dir.file("PLAN.MIF")), 1);
  const std::string mif = qzntest::ReadFileText(dir.file("PLAN.MIF"));
  EXPECT_NE(mif.find("Bounds (0.000000,0.000000) (999.000000,799.000000)\r\n"), std::string::npos) << mif;
  EXPECT_NE(mif.find("Region 1\r\n5\r\n100.000000 699.000000\r\n"), std::string::npos);
  EXPECT_NE(mif.find("Pline 3\r\n10.500000 778.750000\r\n"), std::string::npos);
  EXPECT_NE(mif.find("    Pen (1,2,16711680)\r\n"), std::string::npos);  // red as R*65536
  EXPECT_NE(GbkToUtf8(mif).find("TEXT \"高程 \"\"A\"\"\"\r\n100.000000 579.000000 180.000000 599.000000\r\n"),
            std::string::npos);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("PLAN.MID")), "12\r\n100\r\n-7\r\n0\r\n");
}

TEST_F(ExportTest, MifWhoseMidCannotBeMadeWritesNothing) {
  qzntest::WriteFileText(dir.file("plan.mif"), "old");
  std::filesystem::create_directory(dir.file("plan.mid"));  // no file can take its place
  EXPECT_EQ(qzn::ExportMif(doc, dir.file("plan.mif")), 0);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("plan.mif")), "old");
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages.back().text, "打开文件出错, MIF 文件没有保存。");
}

}  // namespace
