// The export front: type codes, Cancel, and the failures that must leave no
// file, the old file and the workspace as they were; the batch exports the
// batch run and the command line reach through the workspace.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "app/batchrun.h"
#include "platform/textfile.h"
#include "raster/tiffio.h"
#include "tests/app/qzndoc_test_util.h"
#include "tests/formats/export_test_util.h"

namespace {

using namespace qzn;

using exporttest::ExportTest;
using qzntest::ReadFileText;
using qzntest::WriteFileText;

const char* const kNames[] = {"out.gen", "out.dxf", "out.mif", "out.shp", "out.xyz", "out.pnt", "out.sdl", "out.igs"};

// Every file in the folder but the ones a test put there.
std::vector<std::string> Files(const qzntest::TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(VectorFileType, ExtensionsInAnyCase) {
  const struct {
    const char* path;
    int type;
  } cases[] = {{"a.dxf", 1}, {"A.DXF", 1}, {"b.Mif", 2}, {"c.shp", 3},        {"d.xyz", 4},
               {"e.PNT", 5}, {"f.sdl", 6}, {"g.igs", 7}, {"h.IGES", 7},       {"i.arc", 0},
               {"j.gen", 0}, {"k.txt", 0}, {"noext", 0}, {"dir.dxf/file", 0}, {"dir/x.d.dxf", 1}};
  for (const auto& c : cases) EXPECT_EQ(qzn::VectorFileTypeOf(c.path), c.type) << c.path;
}

TEST_F(ExportTest, CancelWritesNothingAndSucceeds) {
  options.cancel = true;
  for (int code = 0; code < 8; ++code) EXPECT_EQ(doc.SaveVectorFile(dir.file(kNames[code]), code), 1) << code;
  EXPECT_EQ(options.asked, 8);
  EXPECT_TRUE(Files(dir).empty());
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(ExportTest, UnwritableFolderFailsEveryFormatAndKeepsTheWorkspace) {
  const std::string before = exporttest::Snapshot(doc);
  for (int code = 0; code < 8; ++code) {
    EXPECT_EQ(doc.SaveVectorFile(dir.file(std::string("no/such/") + kNames[code]), code), 0) << code;
  }
  EXPECT_EQ(exporttest::Snapshot(doc), before);
  EXPECT_TRUE(Files(dir).empty());
  // Each format says so in its own words (IGES leaves it to the view).
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{"保存线数据时出错。", "打开 DXF 文件出错。没有保存。",
                                                    "打开文件出错, MIF 文件没有保存。", "不能打开这个文件。",
                                                    "保存点数据时出错。", "不能打开这个文件。"}));
}

TEST_F(ExportTest, FailedFitWritesNothingAndKeepsTheOldFile) {
  // Four control points on one line: no fit.
  for (int i = 0; i < 4; ++i) *doc.m_controlPts.AddNew() = CControlPt(10.0 * i, 10.0 * i, 100.0 * i, 100.0 * i);
  options.dxf = [](qzn::DxfOutOptions& o) { o.mode = qzn::DxfOutOptions::bilinear; };
  options.mif = [](qzn::MifParamOptions& o) { o.mode = 1; };
  options.arcView = [](qzn::ArcViewExportOptions& o) { o.mode = 1; };
  options.xyz = [](qzn::XyzOptions& o) { o.mode = 1; };
  options.sdl = [](qzn::SdlOutputOptions& o) { o.mode = 1; };
  options.arcPnt = [](qzn::ArcPntExportOptions& o) { o.mode = 1; };
  options.iges = [](qzn::IgesOutOptions& o) { o.mode = qzn::IgesOutOptions::bilinear; };
  for (const char* name : kNames) WriteFileText(dir.file(name), "old");
  const std::string before = exporttest::Snapshot(doc);
  for (int code = 0; code < 8; ++code) EXPECT_EQ(doc.SaveVectorFile(dir.file(kNames[code]), code), 0) << code;
  for (const char* name : kNames) EXPECT_EQ(ReadFileText(dir.file(name)), "old") << name;
  EXPECT_EQ(Files(dir).size(), 8u);
  EXPECT_EQ(exporttest::Snapshot(doc), before);
  for (const std::string& text : host.Texts())
    EXPECT_TRUE(text == "映射控制点损坏, 请重新选择。" || text == "坏的映射控制点, 请重新选择并再次保存。") << text;
}

// A file-size limit makes every write past it fail (the process ignores the
// signal and gets EFBIG): no format may then put a cut file in place.
TEST_F(ExportTest, FileSizeLimitLeavesEveryOldFileInPlace) {
  for (int i = 0; i < 200; ++i) {
    CChain* c = doc.m_lines.NewChain();
    for (int k = 0; k < 20; ++k) c->AddPoint(static_cast<float>(i + k), static_cast<float>(k));
  }
  for (int i = 0; i < 200; ++i) doc.m_points.AddPoint(static_cast<float>(i), 1.0f, 1.0f, 7, 0);
  for (int i = 0; i < 200; ++i) doc.m_notes.AddNote(RECT{i, i, i + 10, i + 10}, "注释");
  options.arcView = [](qzn::ArcViewExportOptions& o) { o.source = 0; };
  for (const char* name : kNames) WriteFileText(dir.file(name), "old");
  for (const char* companion : {"out.mid", "out.shx", "out.dbf"}) WriteFileText(dir.file(companion), "old");

  for (int code = 0; code < 8; ++code) {
    SCOPED_TRACE(kNames[code]);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit limit{4096, 4096};
      setrlimit(RLIMIT_FSIZE, &limit);
      _exit(doc.SaveVectorFile(dir.file(kNames[code]), code) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the export reported success";
  }
  for (const std::string& name : Files(dir)) EXPECT_EQ(ReadFileText(dir.file(name)), "old") << name;
  EXPECT_EQ(Files(dir).size(), 11u);  // no temporary file left
}

// The batch exports as the batch run calls them, through the workspace.
TEST_F(ExportTest, BatchExportsWriteEveryTypeThroughTheWorkspace) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"ezdxf", "shapefile"}), "ezdxf and pyshp");
  CQuietScope quiet;
  const std::string before = exporttest::Snapshot(doc);
  const char* const names[] = {"l.GEN", "l.DXF", "l.MIF", "l.SHP", "l.XYZ"};
  for (int type = 0; type < 5; ++type) {
    EXPECT_EQ(doc.ExportLines(dir.file(names[type]), type), 1) << type;
    EXPECT_EQ(doc.ExportPointLayer(dir.file(std::string("p") + names[type]), type), 1) << type;
  }
  exporttest::AddControlPoints(doc);
  for (int type = 0; type < 5; ++type) {
    EXPECT_EQ(doc.ExportLinesGeo(dir.file(std::string("g") + names[type]), type), 1) << type;
    EXPECT_EQ(doc.ExportPointLayerGeo(dir.file(std::string("gp") + names[type]), type), 1) << type;
  }
  EXPECT_EQ(doc.ExportLines(dir.file("l.bad"), 5), 0);
  EXPECT_EQ(exporttest::Snapshot(doc), before);
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathVector], dir.file("l.GEN"));
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathPoint], dir.file("pl.GEN"));

  // Points in a pixel DXF are flipped like the lines; a quiet run writes
  // the lines flat; the point MIF has its MID.
  const std::string out = exporttest::RunOracle(dir, R"PY(
import sys, ezdxf, shapefile
d = sys.argv[1]
pts = [tuple(e.dxf.location) for e in ezdxf.readfile(d + "/pl.DXF").modelspace().query("POINT")]
print("points", pts)
lines = ezdxf.readfile(d + "/l.DXF").modelspace().query("POLYLINE")
print("flat", all(not e.is_3d_polyline and all(v.dxf.location[2] == 0 for v in e.vertices) for e in lines))
print("shapes", len(shapefile.Reader(d + "/gl.SHP").shapes()), len(shapefile.Reader(d + "/gpl.SHP").shapes()))
print(open(d + "/pl.MID").read().split())
)PY",
                                                {dir.path().string()});
  EXPECT_EQ(out,
            "points [(50.5, 738.75, 123.5), (700.0, 99.0, -3.0)]\n"
            "flat True\n"
            "shapes 3 2\n"
            "['123.500000', '-3.000000']\n");
}

// The batch run over scans writes DXF, MIF and shapefiles through the
// installed writers; OGR finds the scan's one line in each (at y = 100 down
// the 200-row scan; flipped in the DXF file).
TEST_F(ExportTest, BatchRunWritesEveryVectorType) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"osgeo"}), "GDAL's Python module");
  CRasterImage img;
  doctest::MakeGrey(img, 300, 200);
  doctest::DrawLine(img, 50, 100, 250, 100, 5);
  ASSERT_EQ(WriteTiffImage(dir.file("scan.tif"), img, 1), 1);
  for (int type : {kBatchOutputDxf, kBatchOutputMif, kBatchOutputShape}) {
    CBatchSettings settings;
    settings.images = {dir.file("scan.tif")};
    settings.outputType = type;
    settings.logPath = dir.file("batch.log");
    EXPECT_EQ(RunBatch(settings), 1) << type;
  }
  const std::string out = exporttest::RunOracle(dir, R"PY(
import sys
from osgeo import ogr
for name in ("scan.DXF", "scan.MIF", "scan.SHP"):
    ds = ogr.Open(sys.argv[1] + "/" + name)
    lyr = ds.GetLayer(0)
    ys = [p[1] for f in lyr for p in f.GetGeometryRef().GetPoints()]
    print(name, lyr.GetFeatureCount() >= 1, round(min(ys)), round(max(ys)))
)PY",
                                                {dir.path().string()});
  EXPECT_EQ(out, "scan.DXF True 99 99\nscan.MIF True 100 100\nscan.SHP True 100 100\n");
}

TEST_F(ExportTest, BatchGeoExportsNeedTheirGeoreference) {
  EXPECT_EQ(doc.ExportLinesGeo(dir.file("a.DXF"), 1), 0);  // neither control points nor a world file
  EXPECT_EQ(doc.ExportPointLayerGeo(dir.file("a.DXF"), 1), 0);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"需要比 4 个控制点更多的点绘制地图。"});
  EXPECT_TRUE(Files(dir).empty());
}

}  // namespace
