// The batch run: generated scans converted one after the other, the outputs
// beside them, the georeference found beside each image, scripts run on
// each, and the log of the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/batchrun.h"
#include "app/qzndoc.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/tiffio.h"
#include "tests/app/batch_test_util.h"
#include "tests/app/qzndoc_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

using doctest::WriteLineScan;
using qzntest::TempDir;

namespace {

std::string Scangen() { return std::string(QZN_BINARY_DIR) + "/bench/scangen"; }

// The log as text: code page 936 on disk, CRLF line ends.
std::string ReadLog(const std::string& path) {
  std::string text = GbkToUtf8(qzntest::ReadFileText(path));
  std::string lf;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
  return lf;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every "x,y" vertex line of an ARC generate file (ID lines have no comma).
std::vector<std::pair<double, double>> GenerateVertices(const std::string& path) {
  std::vector<std::pair<double, double>> out;
  std::istringstream in(qzntest::ReadFileText(path));
  std::string line;
  while (std::getline(in, line)) {
    const auto comma = line.find(',');
    if (comma == std::string::npos) continue;
    out.emplace_back(std::stod(line.substr(0, comma)), std::stod(line.substr(comma + 1)));
  }
  return out;
}

struct CBatchUi {
  CScriptedHost ui;
  CHostScope scope{&ui};
  std::string Final() const { return ui.messages.empty() ? std::string() : ui.messages.back().text; }
};

}  // namespace

TEST(BatchRun, GeneratedScansAreEachWrittenAndLogged) {
  QZN_REQUIRE_ORACLE(std::filesystem::exists(Scangen()), "scangen (built with the benchmarks)")
  TempDir dir;
  CBatchSettings settings;
  for (int seed = 1; seed <= 3; ++seed) {
    const std::string path = dir.file("scan" + std::to_string(seed) + ".tif");
    ASSERT_EQ(qzntest::RunCommand(Scangen() + " --width 320 --height 240 --seed " + std::to_string(seed) + " -o " +
                                  path + " >/dev/null"),
              0);
    settings.images.push_back(path);
  }
  settings.logPath = dir.file("batch.log");
  CBatchUi ui;
  std::vector<std::size_t> seen;
  EXPECT_EQ(RunBatch(settings,
                     [&](std::size_t i) {
                       seen.push_back(i);
                       EXPECT_EQ(ui.ui.statusText, "当前处理进程...");
                     }),
            3);
  EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1, 2}));
  EXPECT_EQ(ui.Final(), "成功的处理 3 个图像。 检查 " + settings.logPath + " 获得更多信息");
  // The status line is ready again once the run is over.
  EXPECT_EQ(ui.ui.statusText, "就绪");
  const std::string log = ReadLog(settings.logPath);
  EXPECT_TRUE(Contains(log, "\n已矢量化文件总数: 3\n"));
  for (const std::string& image : settings.images) {
    const std::string gen = dir.path().string() + "/" + std::filesystem::path(image).stem().string() + ".GEN";
    ASSERT_TRUE(std::filesystem::exists(gen)) << gen;
    EXPECT_GT(GenerateVertices(gen).size(), 50u);
    EXPECT_TRUE(Contains(log, "\n开始矢量化 " + image + "\n"));
    EXPECT_TRUE(Contains(log, "\n" + image + " 已矢量化。 \n矢量数据已保存到 " + gen + "\n当前时间是 "));
  }
}

TEST(BatchRun, AnEmptyListStillWritesTheLogHeader) {
  TempDir dir;
  CBatchSettings settings;
  settings.logPath = dir.file("empty.log");
  CBatchUi ui;
  EXPECT_EQ(RunBatch(settings), 0);
  EXPECT_TRUE(Contains(ReadLog(settings.logPath), "\n已矢量化文件总数: 0\n"));
  EXPECT_EQ(ui.Final(), "成功的处理 0 个图像。 检查 " + settings.logPath + " 获得更多信息");
}

TEST(BatchRun, FailuresAreLoggedAndTheRunGoesOn) {
  TempDir dir;
  const std::string colour = WriteLineScan(dir, "colour.tif", 1);
  const std::string grey = WriteLineScan(dir, "grey.tif");
  const std::string missing = dir.file("missing.tif");
  CBatchSettings settings;
  settings.images = {missing, colour, grey};
  settings.logPath = dir.file("run.log");
  CBatchUi ui;
  EXPECT_EQ(RunBatch(settings), 1);
  const std::string log = ReadLog(settings.logPath);
  EXPECT_TRUE(Contains(log, "\n不能打开或处理 " + missing));
  EXPECT_TRUE(Contains(log, "\n图像类型不支持批量矢量化: " + colour));
  EXPECT_FALSE(std::filesystem::exists(dir.file("colour.GEN")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("grey.GEN")));

  // With a script that makes the colour scan grey first, it is processed;
  // a line that fails is logged and the run goes on.
  settings.images = {colour};
  settings.script = {"ImageConvert Greyscale", "ImageRotate", "Vectorize"};
  EXPECT_EQ(RunBatch(settings), 1);
  const std::string second = ReadLog(settings.logPath);
  // Each entry on a line of its own.
  EXPECT_TRUE(Contains(second, "\n开始矢量化 " + colour + "\nImageConvert Greyscale 在 " + colour + " 上的全部功能\n"));
  EXPECT_TRUE(Contains(second, "执行 ImageRotate 在 " + colour + " 上失败\n"));
  EXPECT_TRUE(Contains(second, "Vectorize 在 " + colour + " 上的全部功能\n"));
  EXPECT_FALSE(GenerateVertices(dir.file("colour.GEN")).empty());

  // A number beyond the range of its command's dialog: the line is refused
  // with the range in the log, and the run goes on with the next line.
  settings.script = {"ImageConvert Greyscale"};
  for (const char* name : {"bspline-20000000.cmd", "createpolygons-int-max.cmd"})
    ASSERT_EQ(CQznDoc::ReadMacroFile(settings.script,
                                     qzntest::SourcePath(std::string("tests/fixtures/damaged/readers/cmd/") + name)),
              1);
  settings.script.push_back("Vectorize");
  EXPECT_EQ(RunBatch(settings), 1);
  const std::string third = ReadLog(settings.logPath);
  EXPECT_TRUE(Contains(third, "\n执行 BSpline 20000000 在 " + colour + " 上失败\n请输入一个整数在 2 和 100 之间。\n"))
      << third;
  EXPECT_TRUE(Contains(
      third, "\n执行 CreatePolygons 2147483647 在 " + colour + " 上失败\n请输入一个整数在 0 和 100000 之间。\n"))
      << third;
  EXPECT_TRUE(Contains(third, "\nVectorize 在 " + colour + " 上的全部功能\n"));
  EXPECT_FALSE(GenerateVertices(dir.file("colour.GEN")).empty());
}

TEST(BatchRun, ControlPointsBesideTheImageWinAndFollowTheScript) {
  TempDir dir;
  const std::string image = WriteLineScan(dir, "sheet.tif");
  // Control points: map = image + (1000, 2000); world file: map = 2 x image.
  qzntest::WriteFileText(dir.file("sheet.cpt"), "0 0 1000 2000\n299 0 1299 2000\n0 199 1000 2199\n299 199 1299 2199\n");
  qzntest::WriteFileText(dir.file("sheet.tfw"), "2\n0\n0\n2\n0\n0\n");
  CBatchSettings settings;
  settings.images = {image};
  settings.logPath = dir.file("geo.log");
  // The crop moves the points read when the image was opened; the export
  // goes through them, as they were moved.
  settings.script = {"ImageCrop 20 30 300 200", "Vectorize"};
  CBatchUi ui;
  ASSERT_EQ(RunBatch(settings), 1);
  const auto vertices = GenerateVertices(dir.file("sheet.GEN"));
  ASSERT_FALSE(vertices.empty());
  for (const auto& [x, y] : vertices) {
    EXPECT_NEAR(y, 2100.0, 3.0);
    EXPECT_GT(x, 1040.0);
    EXPECT_LT(x, 1260.0);
  }
}

TEST(BatchRun, ProjectOutputIsNamedAfterTheImage) {
  TempDir dir;
  const std::string image = WriteLineScan(dir, "plan.tif");
  CBatchSettings settings;
  settings.images = {image};
  settings.outputType = kBatchOutputProject;
  settings.logPath = dir.file("prj.log");
  CBatchUi ui;
  EXPECT_EQ(RunBatch(settings), 1);
  EXPECT_TRUE(std::filesystem::exists(dir.file("plan.PRJ")));
  CQznDoc reopened;
  CQuietScope quiet;
  ASSERT_EQ(reopened.OnOpenDocument(dir.file("plan.PRJ")), 1);
  EXPECT_FALSE(reopened.m_lines.IsEmpty());
}

TEST(BatchRun, EveryOutputTypeIsCountedOnlyWhenWritten) {
  TempDir dir;
  const std::string image = WriteLineScan(dir, "map.tif");
  for (int type : {kBatchOutputDxf, kBatchOutputMif, kBatchOutputShape}) {
    SCOPED_TRACE(type);
    CBatchSettings settings;
    settings.images = {image};
    settings.outputType = type;
    settings.logPath = dir.file("types.log");
    CBatchUi ui;
    const int done = RunBatch(settings);
    const std::string output = dir.file(std::string("map") + BatchOutputExtension(type));
    const std::string log = ReadLog(settings.logPath);
    if (done) {
      EXPECT_TRUE(std::filesystem::exists(output));
      EXPECT_TRUE(Contains(log, "矢量数据已保存到 " + output));
    } else {
      // A format whose writer is not there yet is a failed save, logged.
      EXPECT_TRUE(Contains(log, "\n发生错误，保存矢量数据到 " + output));
    }
  }
}

TEST(BatchRun, WithoutALogTheRunStillWorks) {
  TempDir dir;
  const std::string image = WriteLineScan(dir, "nolog.tif");
  CBatchSettings settings;
  settings.images = {image};
  settings.logPath = dir.file("no/such/dir/batch.log");
  CBatchUi ui;
  EXPECT_EQ(RunBatch(settings), 1);
  EXPECT_TRUE(std::filesystem::exists(dir.file("nolog.GEN")));
}

TEST(BatchRun, SideFilesAreReadOnce) {
  TempDir dir;
  const std::string image = WriteLineScan(dir, "short.tif");
  // Two control points are no georeference; read a second time they would
  // become four points of which two are repeats, and no fit.
  qzntest::WriteFileText(dir.file("short.cpt"), "0 0 1000 2000\n299 199 1299 2199\n");
  CBatchSettings settings;
  settings.images = {image};
  settings.logPath = dir.file("once.log");
  CBatchUi ui;
  ASSERT_EQ(RunBatch(settings), 1);
  const auto vertices = GenerateVertices(dir.file("short.GEN"));
  ASSERT_FALSE(vertices.empty());
  for (const auto& [x, y] : vertices) {
    EXPECT_NEAR(y, 100.0, 3.0);  // image pixels
    EXPECT_LT(x, 300.0);
  }
}
