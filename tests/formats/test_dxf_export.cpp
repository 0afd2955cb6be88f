// DXF export: the layer colours, the coordinate modes, and the files as
// ezdxf (code page 936, audit) and OGR's DXF driver read them.
#include <gtest/gtest.h>

#include "formats/dxfexport.h"
#include "platform/textfile.h"
#include "tests/formats/export_test_util.h"

namespace {

using namespace qzn;

using exporttest::ExportTest;
using qzn::DxfOutOptions;

TEST(DxfLayerColor, QuantisedChannelsPickTheNumber) {
  const struct {
    COLORREF color;
    int number;
  } cases[] = {
      {RGB(0, 0, 0), 3},       {RGB(255, 255, 255), 7}, {RGB(128, 128, 128), 8}, {RGB(0, 200, 200), 9},
      {RGB(200, 200, 255), 3}, {RGB(255, 0, 0), 1},     {RGB(255, 255, 0), 2},   {RGB(0, 255, 0), 3},
      {RGB(0, 255, 255), 4},   {RGB(0, 0, 255), 5},     {RGB(255, 0, 255), 6},   {RGB(64, 200, 200), 9},
  };
  for (const auto& c : cases) EXPECT_EQ(qzn::DxfLayerColor(c.color), c.number) << std::hex << c.color;
}

// Reads a DXF with ezdxf in code page 936, audits it, and prints the
// entities; then reads it again with OGR.
const char* kReadDxf = R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
print("encoding", doc.encoding)
auditor = doc.audit()
print("audit", len(auditor.errors), len(auditor.fixes))
# ezdxf adds its own "Defpoints" layer on loading
print("layers", ",".join(sorted(l.dxf.name for l in doc.layers if l.dxf.name != "Defpoints")))
ext = doc.header["$EXTMIN"], doc.header["$EXTMAX"]
print("extents %.6f %.6f %.6f %.6f" % (ext[0][0], ext[0][1], ext[1][0], ext[1][1]))
for e in doc.modelspace():
    t = e.dxftype()
    if t == "POLYLINE":
        print("POLYLINE", e.dxf.layer, " ".join("%.6f,%.6f,%.6f" % tuple(v.dxf.location) for v in e.vertices))
    elif t == "POINT":
        print("POINT", e.dxf.layer, "%.6f,%.6f,%.6f" % tuple(e.dxf.location))
    elif t == "TEXT":
        print("TEXT", e.dxf.layer, e.dxf.text, "%.6f,%.6f h=%.6f a=%g" % (e.dxf.insert[0], e.dxf.insert[1], e.dxf.height, e.dxf.rotation))
from osgeo import ogr, gdal
gdal.UseExceptions()
src = ogr.Open(sys.argv[1])
lyr = src.GetLayer(0)
kinds = {}
for f in lyr:
    g = f.GetGeometryRef()
    kinds[g.GetGeometryName()] = kinds.get(g.GetGeometryName(), 0) + 1
print("ogr", sorted(kinds.items()))
)PY";

TEST_F(ExportTest, DxfInPixelSpacingReadsBackInEzdxfAndOgr) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"ezdxf", "osgeo"}), "ezdxf and GDAL's Python module");
  options.dxf = [](DxfOutOptions& o) { o.mode = DxfOutOptions::pixelSpacing; };
  const std::string before = exporttest::Snapshot(doc);
  ASSERT_EQ(qzn::ExportDxf(doc, dir.file("plan.dxf")), 1);
  EXPECT_EQ(exporttest::Snapshot(doc), before);
  const std::string out = exporttest::RunOracle(dir, kReadDxf, {dir.file("plan.dxf")});
  // y goes up inside the extent (top 0 + bottom 799 - y); IDs as elevation.
  EXPECT_EQ(out,
            "encoding gbk\n"
            "audit 0 0\n"
            "layers 0,等高线,道路\n"
            "extents 0.000000 0.000000 999.000000 799.000000\n"
            "POLYLINE 道路 10.500000,778.750000,12.500000 200.000000,499.000000,12.500000 "
            "400.125000,749.000000,12.500000\n"
            "POLYLINE 等高线 100.000000,699.000000,100.000000 100.000000,399.000000,100.000000 "
            "300.000000,399.000000,100.000000 300.000000,699.000000,100.000000 100.000000,699.000000,100.000000\n"
            "POLYLINE 0 900.000000,99.000000,-7.000000 950.500000,18.250000,-7.000000\n"
            "POINT 道路 50.500000,738.750000,123.500000\n"
            "POINT 默认值 700.000000,99.000000,-3.000000\n"
            "TEXT 道路 高程 \"A\" 100.000000,599.000000 h=20.000000 a=15\n"
            "ogr [('LINESTRING', 3), ('POINT', 3)]\n");
}

TEST_F(ExportTest, DxfThroughEachGeoreferenceKeepsMapDecimals) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"ezdxf", "numpy"}), "ezdxf and numpy");
  exporttest::AddControlPoints(doc);
  exporttest::AddWorldFile(doc);
  for (int mode : {DxfOutOptions::bilinear, DxfOutOptions::triangulation, DxfOutOptions::worldFile}) {
    SCOPED_TRACE(mode);
    options.dxf = [mode](DxfOutOptions& o) { o.mode = mode; };
    const std::string path = dir.file(FormatC("map%d.dxf", mode));
    ASSERT_EQ(qzn::ExportDxf(doc, path), 1);
    const std::string out = exporttest::RunOracle(dir, std::string(exporttest::kPythonMap) + R"PY(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
assert len(doc.audit().errors) == 0
pixels = [[(10.5, 20.25), (200, 300), (400.125, 50)],
          [(100, 100), (100, 400), (300, 400), (300, 100), (100, 100)],
          [(900, 700), (950.5, 780.75)]]
got = [[tuple(v.dxf.location)[:2] for v in e.vertices] for e in doc.modelspace().query("POLYLINE")]
want = [[to_map(x, y) for x, y in line] for line in pixels]
assert len(got) == len(want)
for g, w in zip(got, want):
    assert len(g) == len(w)
    for (gx, gy), (wx, wy) in zip(g, w):
        assert close(gx, wx, 6) and close(gy, wy, 6), (gx, gy, wx, wy)
lo, hi = doc.header["$EXTMIN"], doc.header["$EXTMAX"]
allpts = [p for line in got for p in line] + [to_map(0, 0), to_map(999, 799)]
assert all(lo[0] <= x <= hi[0] and lo[1] <= y <= hi[1] for x, y in allpts), (lo, hi)
print("ok")
)PY",
                                                  {path});
    EXPECT_EQ(out, "ok\n");
  }
  EXPECT_EQ(doc.m_triangles.GetCount(), 0);  // built for the export only
}

TEST_F(ExportTest, DxfPageSpaceUsesTheResolutionInEntitiesAndExtents) {
  doc.m_extent = RECT{0, 0, 199, 99};
  doc.m_lines.DeleteAll();
  doc.m_points.DeleteAll();
  doc.m_notes.DeleteAll();
  CChain* c = doc.m_lines.NewChain();
  c->AddPoint(50, 10);
  c->AddPoint(60, 20);
  doc.m_image.xResolution = 100;
  doc.m_image.yResolution = 200;
  options.dxf = [](DxfOutOptions& o) { o.idAsZ = 0; };
  ASSERT_EQ(qzn::ExportDxf(doc, dir.file("page.dxf")), 1);
  const std::string text = qzntest::ReadFileText(dir.file("page.dxf"));
  EXPECT_NE(text.find("10\r\n0.500000\r\n20\r\n0.445000\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("$EXTMIN\r\n10\r\n0.000000\r\n20\r\n0.000000\r\n"), std::string::npos);
  EXPECT_NE(text.find("$EXTMAX\r\n10\r\n1.990000\r\n20\r\n0.495000\r\n"), std::string::npos);

  // Without a vertical resolution: pixel spacing.
  doc.m_image.yResolution = 0;
  ASSERT_EQ(qzn::ExportDxf(doc, dir.file("page.dxf")), 1);
  EXPECT_NE(qzntest::ReadFileText(dir.file("page.dxf")).find("10\r\n50.000000\r\n20\r\n89.000000\r\n"),
            std::string::npos);
}

TEST_F(ExportTest, DxfRememberedGeoreferenceFallsBackToWhatExists) {
  // The last choice was the world file (mode 4); the workspace now has
  // neither it nor control points: pixels flipped, not raw pixels.
  doc.m_nSpareWord = 2;
  EXPECT_EQ(DxfOutOptions::Defaults(doc).mode, DxfOutOptions::worldFile);
  ASSERT_EQ(qzn::ExportDxf(doc, dir.file("fallback.dxf")), 1);
  EXPECT_NE(qzntest::ReadFileText(dir.file("fallback.dxf")).find("10\r\n900.000000\r\n20\r\n99.000000\r\n"),
            std::string::npos);
  // With control points only, the world-file choice uses them.
  exporttest::AddControlPoints(doc);
  ASSERT_EQ(qzn::ExportDxf(doc, dir.file("fallback.dxf")), 1);
  EXPECT_NE(qzntest::ReadFileText(dir.file("fallback.dxf")).find("10\r\n500450.000000\r\n20\r\n3999650.000000\r\n"),
            std::string::npos);
}

TEST_F(ExportTest, DxfWithNothingChosenHasItsSectionsAndAnEmptyEntitiesSection) {
  options.dxf = [](DxfOutOptions& o) { o.lines = o.points = o.text = 0; };
  ASSERT_EQ(qzn::ExportDxf(doc, dir.file("empty.dxf")), 1);
  const std::string text = qzntest::ReadFileText(dir.file("empty.dxf"));
  EXPECT_NE(text.find("0\r\nSECTION\r\n2\r\nTABLES\r\n0\r\nTABLE\r\n2\r\nLAYER\r\n70\r\n3\r\n"), std::string::npos);
  EXPECT_NE(text.find("0\r\nSECTION\r\n2\r\nBLOCKS\r\n0\r\nENDSEC\r\n"), std::string::npos);
  const std::string tail = "BLOCKS\r\n0\r\nENDSEC\r\n0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nENDSEC\r\n0\r\nEOF\r\n";
  ASSERT_GT(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

}  // namespace

namespace {

using namespace qzn;

// The resolution dialog of the DXF options shows the image's horizontal
// resolution and unit; what it applies (on OK) sets both resolutions and the
// unit by its name.
TEST_F(ExportTest, ResolutionRecordShowsAndAppliesTheImagesResolution) {
  doc.m_image.xResolution = 300;
  doc.m_image.yResolution = 600;
  doc.m_image.resolutionUnit = 2;
  const ImageResolutionOptions shown = ImageResolutionOptions::Defaults(doc);
  EXPECT_EQ(shown.resolution, 300.0f);
  EXPECT_EQ(shown.unit, "英寸");
  const struct {
    const char* unit;
    int code;
  } cases[] = {{"英寸", 2}, {"厘米", 3}, {"米", 3}, {"像素", 1}, {"dpi", 1}};
  for (const auto& c : cases) {
    ImageResolutionOptions{150.0f, c.unit}.Apply(doc);
    EXPECT_EQ(doc.m_image.resolutionUnit, c.code) << c.unit;
    EXPECT_EQ(doc.m_image.xResolution, 150.0f);
    EXPECT_EQ(doc.m_image.yResolution, 150.0f);
  }
}

}  // namespace
