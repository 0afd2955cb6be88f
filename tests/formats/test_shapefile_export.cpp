// Shapefile export: the byte layout, the table rows, and the files as pyshp,
// dbfread (code page 936) and OGR read them.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/shapefile.h"
#include "platform/textfile.h"
#include "tests/formats/export_test_util.h"

namespace {

using namespace qzn;

using exporttest::ExportTest;
using qzn::CShapeFile;
using qzn::MapTransform;
using qzn::WriteResult;

std::int32_t BigEndian(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::int32_t>((std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
                                   (std::uint32_t{b[at + 2]} << 8) | b[at + 3]);
}

// The records of the table, from the header's lengths.
std::vector<std::string> TableRows(const std::string& path) {
  const auto b = qzntest::ReadFileBytes(path);
  const std::size_t header = b[8] | (b[9] << 8), length = b[10] | (b[11] << 8);
  std::vector<std::string> rows;
  for (std::size_t at = header; at + length <= b.size(); at += length)
    rows.emplace_back(reinterpret_cast<const char*>(&b[at]), length);
  return rows;
}

TEST_F(ExportTest, PointShapefileHasTheSizesAndRowsReadersExpect) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"shapefile", "dbfread", "numpy"}), "pyshp, dbfread and numpy");
  exporttest::AddWorldFile(doc);
  doc.m_points.AddPoint(1.0f, 2.0f, -0.7f, 7, 0);
  const std::string before = exporttest::Snapshot(doc);
  options.arcView = [](qzn::ArcViewExportOptions& o) {
    EXPECT_EQ(o.mode, 3);
    o.source = 1;
  };
  ASSERT_EQ(qzn::SaveVectorFile(doc, dir.file("spots.shp"), qzn::kVectorShape), 1);
  EXPECT_EQ(exporttest::Snapshot(doc), before);

  const auto shp = qzntest::ReadFileBytes(dir.file("spots.shp"));
  const auto shx = qzntest::ReadFileBytes(dir.file("spots.shx"));
  ASSERT_EQ(shp.size(), 100u + 28u * 3);
  EXPECT_EQ(BigEndian(shp, 24), 50 + 14 * 3);
  ASSERT_EQ(shx.size(), 100u + 8u * 3);
  EXPECT_EQ(BigEndian(shx, 24), 50 + 4 * 3);
  // Decimal IDs: "%15.3f" and a blank.
  const auto rows = TableRows(dir.file("spots.dbf"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], std::string(9, ' ') + "123.500 ");
  EXPECT_EQ(rows[2], std::string(10, ' ') + "-0.700 ");

  const std::string out = exporttest::RunOracle(dir, std::string(exporttest::kPythonMap) + R"PY(
import sys, shapefile, dbfread
r = shapefile.Reader(sys.argv[1])
assert r.shapeType == 1
want = [to_map(50.5, 60.25), to_map(700, 700), to_map(1, 2)]
for s, (wx, wy) in zip(r.shapes(), want):
    (x, y), = s.points
    assert close(x, wx, 15) and close(y, wy, 15), (x, y, wx, wy)
lo = to_map(0, 799); hi = to_map(999, 0)
assert all(abs(a - b) < 1e-6 for a, b in zip(r.bbox, [lo[0], lo[1], hi[0], hi[1]])), r.bbox
print([rec["ID"] for rec in dbfread.DBF(sys.argv[2], encoding="cp936")])
)PY",
                                                {dir.file("spots.shp"), dir.file("spots.dbf")});
  EXPECT_EQ(out, "[123.5, -3.0, -0.7]\n");
}

TEST_F(ExportTest, PolygonShapefileHasClockwiseRingsAndNullShapesReadByOgr) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"shapefile", "osgeo"}), "pyshp and GDAL's Python module");
  exporttest::AddControlPoints(doc);
  doc.m_nDecimalIDs = 0;
  options.arcView = [](qzn::ArcViewExportOptions& o) {
    EXPECT_EQ(o.mode, 1);
    o.polygons = 1;
  };
  ASSERT_EQ(qzn::SaveVectorFile(doc, dir.file("ROADS.SHP"), qzn::kVectorShape), 1);
  ASSERT_TRUE(std::filesystem::exists(dir.file("ROADS.SHX")));
  ASSERT_TRUE(std::filesystem::exists(dir.file("ROADS.DBF")));
  const auto rows = TableRows(dir.file("ROADS.DBF"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], " 12" + std::string(14, ' '));  // integer IDs, left-aligned

  const std::string out = exporttest::RunOracle(dir, std::string(exporttest::kPythonMap) + R"PY(
import sys, shapefile
from osgeo import ogr
r = shapefile.Reader(sys.argv[1])
for s in r.shapes():
    if s.shapeType == 0:
        print("null")
        continue
    pts = s.points
    area = shapefile.signed_area(pts)
    print(s.shapeType, len(pts), pts[0] == pts[-1], "clockwise" if area < 0 else "counter-clockwise")
open_line = [to_map(x, y) for x, y in [(10.5, 20.25), (200, 300), (400.125, 50)]]
got = r.shape(0).points
assert all(close(g[0], w[0], 15) and close(g[1], w[1], 15) for g, w in zip(sorted(got[:3]), sorted(open_line)))
ds = ogr.Open(sys.argv[1])
lyr = ds.GetLayer(0)
print("ogr", lyr.GetFeatureCount(), [f.GetField("ID") for f in lyr])
)PY",
                                                {dir.file("ROADS.SHP")});
  // The open line is closed (4 vertices); the square keeps its 5; the
  // two-vertex line cannot make a ring and keeps its row as a null shape.
  EXPECT_EQ(out, "5 4 True clockwise\n5 5 True clockwise\nnull\nogr 3 [12, 100, -7]\n");
}

TEST_F(ExportTest, NoteShapefileCutsTextsOnCharacterBoundaries) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"dbfread"}), "dbfread");
  std::string twentySix;
  for (int i = 0; i < 26; ++i) twentySix += "高";
  doc.m_notes.AddNote(RECT{0, 0, 10, 10}, twentySix);          // 52 bytes
  doc.m_notes.AddNote(RECT{10, 10, 21, 21}, "a" + twentySix);  // 53 bytes
  options.arcView = [](qzn::ArcViewExportOptions& o) { o.source = 2; };
  ASSERT_EQ(qzn::SaveVectorFile(doc, dir.file("notes.shp"), qzn::kVectorShape), 1);
  const std::string out = exporttest::RunOracle(dir, R"PY(
import sys, dbfread
for rec in dbfread.DBF(sys.argv[1], encoding="cp936"):
    print(int(rec["ID"]), len(rec["ATTR"].encode("cp936")), rec["ATTR"][:3])
)PY",
                                                {dir.file("notes.dbf")});
  EXPECT_EQ(out, "1 8 高程 \n2 50 高高高\n3 49 a高高\n");
}

// The note texts are held in code page 936, and the files say so: a ".cpg"
// of "936" beside the table and the table's language byte (0x7A). OGR, told
// nothing, reads the texts right from either.
TEST_F(ExportTest, NoteShapefileNamesItsCodePageSoOgrReadsTheTexts) {
  QZN_REQUIRE_PYTHON_MODULES("osgeo.ogr");
  doc.m_notes.AddNote(RECT{10, 10, 21, 21}, "道路 A1");
  options.arcView = [](qzn::ArcViewExportOptions& o) { o.source = 2; };
  ASSERT_EQ(qzn::SaveVectorFile(doc, dir.file("notes.shp"), qzn::kVectorShape), 1);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("notes.cpg")), "936");
  EXPECT_EQ(qzntest::ReadFileBytes(dir.file("notes.dbf"))[29], 0x7A);
  const char* ogr = R"PY(
import sys
from osgeo import ogr
ds = ogr.Open(sys.argv[1])
print("|".join(f.GetField("ATTR").rstrip() for f in ds.GetLayer(0)))
)PY";
  const std::string want = "高程 \"A\"|道路 A1\n";
  EXPECT_EQ(exporttest::RunOracle(dir, ogr, {dir.file("notes.shp")}), want) << "with the .cpg";
  std::filesystem::remove(dir.file("notes.cpg"));
  EXPECT_EQ(exporttest::RunOracle(dir, ogr, {dir.file("notes.shp")}), want) << "by the language byte";
}

TEST_F(ExportTest, EmptyLineSourceMakesAnEmptyShapefile) {
  doc.m_lines.DeleteAll();
  ASSERT_EQ(CShapeFile(doc.m_lines, doc.m_extent, MapTransform::Pixels(), false).Write(dir.file("e.shp"), false),
            WriteResult::ok);
  const auto shp = qzntest::ReadFileBytes(dir.file("e.shp"));
  ASSERT_EQ(shp.size(), 100u);
  EXPECT_EQ(BigEndian(shp, 0), 9994);
  EXPECT_EQ(BigEndian(shp, 24), 50);
  EXPECT_EQ(qzntest::ReadFileBytes(dir.file("e.shx")).size(), 100u);
  EXPECT_TRUE(TableRows(dir.file("e.dbf")).empty());
}

TEST_F(ExportTest, ShapefileIdsThatDoNotFitTheirFieldWriteNothing) {
  qzntest::WriteFileText(dir.file("big.shp"), "old");
  doc.m_lines.GetHead()->m_fID = 1e15f;  // 19 characters with three decimals
  EXPECT_EQ(CShapeFile(doc.m_lines, doc.m_extent, MapTransform::Pixels(), false).Write(dir.file("big.shp"), true),
            WriteResult::reported);
  doc.m_lines.GetHead()->m_fID = -3e9f;  // no int
  EXPECT_EQ(CShapeFile(doc.m_lines, doc.m_extent, MapTransform::Pixels(), false).Write(dir.file("big.shp"), false),
            WriteResult::reported);
  EXPECT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("big.shp")), "old");
  EXPECT_FALSE(std::filesystem::exists(dir.file("big.shx")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("big.dbf")));
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(e.path().filename().string().find("tmp"), std::string::npos) << e.path();
}

TEST_F(ExportTest, ShapefileOfSourcesWithNothingToWriteAsksNothingMore) {
  doc.m_points.DeleteAll();
  options.arcView = [](qzn::ArcViewExportOptions& o) { o.source = 1; };
  EXPECT_EQ(qzn::SaveVectorFile(doc, dir.file("none.shp"), qzn::kVectorShape), 1);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"没有点被数字化处理。不能保存。"});
  EXPECT_FALSE(std::filesystem::exists(dir.file("none.shp")));
}

}  // namespace
