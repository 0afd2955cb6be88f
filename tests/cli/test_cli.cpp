// The command line: the switch grammar, and end to end through the built
// `qzn` program: generated scans of known lines in 8-bit grey and 1-bit,
// TIFF, BMP and PNG, converted by centre line and by outline; the ARC
// generate text read by OGR; map coordinates of a GeoTIFF and of a world
// file checked with gdaltransform; refusals and their exit statuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "app/qznapp.h"
#include "raster/rasterimage.h"
#include "raster/tiffio.h"
#include "tests/support/testutil.h"

using namespace qzn;

using qzntest::RunCommand;
using qzntest::TempDir;

namespace {

const std::string kQzn = std::string(QZN_BINARY_DIR) + "/qzn";

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Runs qzn with the arguments (each quoted); the exit status, stderr in err.
int RunQzn(const std::vector<std::string>& args, std::string* err = nullptr, const TempDir* dir = nullptr) {
  std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY " + Quote(kQzn);
  for (const auto& a : args) cmd += " " + Quote(a);
  TempDir local;
  const std::string errFile = (dir ? *dir : local).file("stderr.txt");
  const int status = RunCommand(cmd + " 2>" + Quote(errFile));
  if (err) *err = qzntest::ReadFileText(errFile);
  return status;
}

std::string Script() { return qzntest::SourcePath("tests/cli/cli_scans.py"); }

bool HaveOracle() { return qzntest::HavePythonModules({"numpy", "PIL"}); }

std::vector<std::vector<double>> ReadNumbers(const std::string& text) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    for (char& c : line)
      if (c == ',') c = ' ';
    std::istringstream ls(line);
    std::vector<double> row;
    double v;
    while (ls >> v) row.push_back(v);
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

TEST(CommandLine, Grammar) {
  struct Case {
    std::vector<std::string> args;
    std::string input, output;
    int outline;
  } cases[] = {
      {{"-i", "a.tif", "-o", "b.gen"}, "a.tif", "b.gen", 0},
      {{"-i", "a.tif", "-o", "b.gen", "-b"}, "a.tif", "b.gen", 1},
      {{"-b", "-i", "a.tif", "-c", "-o", "b.gen"}, "a.tif", "b.gen", 0},  // b then c: centre lines
      {{"/I", "a.tif", "/v", "out.dxf"}, "a.tif", "out.dxf", 0},
      {{"-R", "a.tif", "-O", "b"}, "a.tif", "b", 0},
      {{"-input", "a.tif", "-Bold", "-output", "b"}, "a.tif", "b", 1},  // second character decides
      {{"-i", "a.tif", "-V", "out.gen"}, "a.tif", "", 0},               // upper-case V is no switch
      {{"-ia.tif", "b.tif", "-o", "c"}, "b.tif", "c", 0},               // a glued path is ignored
      {{"x", "-i", "a", "-i", "b", "-o"}, "b", "", 0},                  // later wins; last takes empty
      {{"-", "/", "-z", "-i"}, "", "", 0},
  };
  for (const Case& c : cases) {
    const CCommandLine got = ParseCommandLine(c.args);
    EXPECT_EQ(got.input, c.input) << c.args[0];
    EXPECT_EQ(got.output, c.output) << c.args[0];
    EXPECT_EQ(got.outline, c.outline) << c.args[0];
  }
}

TEST(CommandLine, RefusalsAndExitStatuses) {
  TempDir dir;
  std::string err;
  // A lone file name is a command-line run without an output: usage, and
  // the toolkit is never started (there is no display here).
  EXPECT_EQ(RunQzn({"scan.tif"}, &err, &dir), 2);
  EXPECT_NE(err.find("usage: qzn"), std::string::npos);
  // No arguments starts the window; without a display it says so and fails.
  EXPECT_EQ(RunQzn({}, &err, &dir), 1);
  EXPECT_NE(err.find("qzn:"), std::string::npos) << err;

  EXPECT_EQ(RunQzn({"-i", "x.tif", "-V", dir.file("out.gen")}, &err, &dir), 2);
  EXPECT_NE(err.find("错误: 缺少参数。"), std::string::npos) << err;
  EXPECT_NE(err.find("usage: qzn"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.gen")));

  EXPECT_EQ(RunQzn({"-i", dir.file("missing.tif"), "-o", dir.file("out.gen")}, &err, &dir), 1);
  EXPECT_NE(err.find("读取图像文件出错。"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.gen")));

  QZN_REQUIRE_ORACLE(HaveOracle(), "numpy and Pillow")
  ASSERT_EQ(RunCommand(qzntest::Python() + " " + Quote(Script()) + " make " + Quote(dir.path().string())), 0);
  // A colour scan opens but is not converted, and nothing is written.
  EXPECT_EQ(RunQzn({"-i", dir.file("colour.png"), "-o", dir.file("out.gen")}, &err, &dir), 1);
  EXPECT_NE(err.find("只能转换 8 位灰度图像和 1 位单色图像。"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.gen")));
  // The scan itself is never overwritten by the lines.
  const auto size = std::filesystem::file_size(dir.file("grey.png"));
  EXPECT_EQ(RunQzn({"-i", dir.file("grey.png"), "-o", dir.path().string() + "/./grey.png"}, &err, &dir), 2);
  EXPECT_NE(err.find("输出文件不能是输入的图像"), std::string::npos) << err;
  EXPECT_EQ(std::filesystem::file_size(dir.file("grey.png")), size);
  // An output that cannot be written fails, and says so.
  EXPECT_EQ(RunQzn({"-i", dir.file("grey.png"), "-o", dir.file("no/such/dir/out.gen")}, &err, &dir), 1);
  EXPECT_NE(err.find("保存矢量数据出错"), std::string::npos) << err;
}

TEST(CommandLine, LoadsNoToolkitAndNamesAMissingWindowProgram) {
  // A conversion must not pay for loading the window's libraries.
  QZN_REQUIRE_PROGRAM("readelf")
  std::string needed;
  ASSERT_EQ(RunCommand("readelf -d " + Quote(kQzn), &needed), 0);
  ASSERT_NE(needed.find("(NEEDED)"), std::string::npos) << needed;
  for (const char* lib : {"libwx_", "libgtk", "libgdk", "libGL", "libX11"})
    EXPECT_EQ(needed.find(lib), std::string::npos) << lib << " in\n" << needed;
  // Run without arguments it becomes the window program beside it; where
  // that is missing, it says so and fails.
  TempDir dir;
  const std::string alone = dir.file("qzn");
  std::filesystem::copy_file(kQzn, alone);
  std::string err;
  const int status = RunCommand(Quote(alone) + " 2>" + Quote(dir.file("err.txt")));
  err = qzntest::ReadFileText(dir.file("err.txt"));
  EXPECT_EQ(status, 1);
  EXPECT_NE(err.find("cannot start the window program"), std::string::npos) << err;
  EXPECT_NE(err.find("qzn-window"), std::string::npos) << err;
}

TEST(CommandLine, KnownLinesFoundInEveryScanKind) {
  QZN_REQUIRE_ORACLE(HaveOracle(), "numpy and Pillow")
  TempDir dir;
  const std::string folder = dir.path().string();
  ASSERT_EQ(RunCommand(qzntest::Python() + " " + Quote(Script()) + " make " + Quote(folder)), 0);
  std::string names;
  for (const char* scan : {"grey.tif", "bilevel.tif", "grey.bmp", "bilevel.bmp", "grey.png", "bilevel.png"}) {
    const std::string stem = std::filesystem::path(scan).stem().string();
    const std::string name = stem + "_" + std::filesystem::path(scan).extension().string().substr(1);
    // Upper-case and slash switches; the output's extension does not matter.
    std::string err;
    ASSERT_EQ(RunQzn({"/I", dir.file(scan), "/v", dir.file(name + ".gen")}, &err, &dir), 0) << scan << err;
    EXPECT_EQ(err, "") << scan;
    names += " " + name;
  }
  // Whatever the output's extension, the lines are ARC generate text.
  ASSERT_EQ(RunQzn({"-i", dir.file("grey.tif"), "-o", dir.file("grey.DXF")}), 0);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("grey.DXF")), qzntest::ReadFileText(dir.file("grey_tif.gen")));
  std::string out;
  ASSERT_EQ(RunCommand(qzntest::Python() + " " + Quote(Script()) + " check " + Quote(folder) + names, &out), 0);
  EXPECT_EQ(out, "OK\n");
}

TEST(CommandLine, OutlinesEncloseTheLines) {
  QZN_REQUIRE_ORACLE(HaveOracle(), "numpy and Pillow")
  TempDir dir;
  ASSERT_EQ(RunCommand(qzntest::Python() + " " + Quote(Script()) + " make " + Quote(dir.path().string())), 0);
  ASSERT_EQ(RunQzn({"-i", dir.file("grey.tif"), "-b", "-o", dir.file("outline.gen")}), 0);
  // Every outline is closed and hugs a line: its vertices lie within half
  // the line width and a pixel and a half of the drawn lines.
  const std::string script =
      "import sys, json, numpy as np\n"
      "sys.path.insert(0, sys.argv[1])\n"
      "import cli_scans as c\n"
      "got = c.read_generate(sys.argv[2] + '/outline.gen')\n"
      "truth = json.load(open(sys.argv[2] + '/truth.json'))\n"
      "assert got and all(g[0] == g[-1] and len(g) >= 4 for g in got), 'open outline'\n"
      "v = np.asarray([p for g in got for p in g])\n"
      "d = np.min([c.polyline_distances(v, t) for t in truth], axis=0)\n"
      "print('OK' if d.max() <= 1.5 + 1.5 else 'far %.2f' % d.max())\n";
  qzntest::WriteFileText(dir.file("outline_check.py"), script);
  std::string out;
  ASSERT_EQ(
      RunCommand(qzntest::Python() + " " + Quote(dir.file("outline_check.py")) + " " +
                     Quote(std::filesystem::path(Script()).parent_path().string()) + " " + Quote(dir.path().string()),
                 &out),
      0);
  EXPECT_EQ(out, "OK\n");
}

// GDAL's ARC generate driver is missing from Debian's GDAL: the file is read
// by a reader written from the published format, apart from ours.
TEST(CommandLine, GenerateTextReadByAnIndependentReader) {
  QZN_REQUIRE_ORACLE(HaveOracle(), "numpy and Pillow");
  TempDir dir;
  ASSERT_EQ(RunCommand(qzntest::Python() + " " + Quote(Script()) + " make " + Quote(dir.path().string())), 0);
  ASSERT_EQ(RunQzn({"-i", dir.file("grey.tif"), "-o", dir.file("lines.gen")}), 0);
  std::string read;
  ASSERT_EQ(RunCommand(qzntest::Python() + " " + Quote(qzntest::SourcePath("tests/support/arcgen_read.py")) + " " +
                           Quote(dir.file("lines.gen")),
                       &read),
            0)
      << read;
  // Every line the file holds is read, with two vertices at least, each on
  // the scan.
  const std::string text = qzntest::ReadFileText(dir.file("lines.gen"));
  std::size_t ends = 0;
  for (std::size_t at = text.find("END"); at != std::string::npos; at = text.find("END", at + 3)) ++ends;
  std::istringstream lines(read);
  std::size_t features = 0;
  for (std::string line; std::getline(lines, line); ++features) {
    const std::string vertices = line.substr(line.find(' ') + 1);
    std::istringstream pairs(vertices);
    int count = 0;
    for (std::string pair; std::getline(pairs, pair, ','); ++count) {
      double x = 0, y = 0;
      ASSERT_EQ(std::sscanf(pair.c_str(), "%lf %lf", &x, &y), 2) << pair;
      EXPECT_TRUE(x >= 0 && y >= 0) << pair;
    }
    EXPECT_GE(count, 2) << line;
  }
  EXPECT_GT(features, 0u);
  EXPECT_EQ(features, ends - 1) << "every written line is a feature";
}

// A georeferenced scan gives map coordinates: the same scan without a
// georeference gives the pixels, which gdaltransform carries to the map
// (GDAL counts from the image corner, so a pixel centre is at + 0.5).
TEST(CommandLine, MapCoordinatesAgreeWithGdal) {
  QZN_REQUIRE_PROGRAM("gdaltransform");
  QZN_REQUIRE_ORACLE(HaveOracle() && qzntest::HavePythonModules({"osgeo"}), "numpy, Pillow and GDAL's Python bindings")
  TempDir dir;
  const std::string folder = dir.path().string();
  ASSERT_EQ(RunCommand(qzntest::Python() + " " + Quote(Script()) + " make " + Quote(folder)), 0);
  ASSERT_EQ(RunCommand(qzntest::Python() + " " + Quote(Script()) + " geotiff " + Quote(folder)), 0);
  ASSERT_EQ(RunQzn({"-i", dir.file("grey.tif"), "-o", dir.file("px.gen")}), 0);
  const auto px = ReadNumbers(qzntest::ReadFileText(dir.file("px.gen")));
  std::string input;
  for (const auto& row : px)
    if (row.size() == 2) input += std::to_string(row[0] + 0.5) + " " + std::to_string(row[1] + 0.5) + "\n";
  qzntest::WriteFileText(dir.file("px.txt"), input);

  // GeoTIFF tags, pixel is area and pixel is point (tie point and model
  // transformation); world file beside.
  for (const char* scan : {"geo.tif", "point.tif", "point-rotated.tif", "plain.tif"}) {
    SCOPED_TRACE(scan);
    const std::string gen = dir.file(std::string(scan) + ".gen");
    ASSERT_EQ(RunQzn({"-i", dir.file(scan), "-o", gen}), 0);
    std::string expected;
    ASSERT_EQ(RunCommand("gdaltransform " + Quote(dir.file(scan)) + " < " + Quote(dir.file("px.txt")), &expected), 0);
    const auto want = ReadNumbers(expected);
    const auto got = ReadNumbers(qzntest::ReadFileText(gen));
    ASSERT_EQ(got.size(), px.size());
    size_t k = 0;
    for (size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(got[i].size(), px[i].size()) << "line " << i;
      if (got[i].size() != 2) continue;
      ASSERT_LT(k, want.size());
      ASSERT_GE(want[k].size(), 2u);
      ASSERT_NEAR(got[i][0], want[k][0], 1e-5) << "line " << i;
      ASSERT_NEAR(got[i][1], want[k][1], 1e-5) << "line " << i;
      ++k;
    }
    EXPECT_EQ(k, want.size());
  }
}

// The bundled sample converts, and every centre-line vertex lies on the
// scan's ink: within a pixel and a half of a pixel no brighter than
// skimage's Otsu threshold of the scan (read by Pillow).
TEST(CommandLine, SampleScanConverts) {
  TempDir dir;
  const std::string sample = qzntest::SourcePath("samples/contours.tif");
  ASSERT_EQ(RunQzn({"-i", sample, "-o", dir.file("contours.gen")}), 0);
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"numpy", "PIL", "scipy", "skimage"}),
                     "numpy, Pillow, scipy and skimage");
  const std::string script =
      "import sys, numpy as np\n"
      "from PIL import Image\n"
      "from scipy import ndimage\n"
      "from skimage.filters import threshold_otsu\n"
      "sys.path.insert(0, sys.argv[1])\n"
      "import cli_scans as c\n"
      "img = np.asarray(Image.open(sys.argv[2]).convert('L'))\n"
      "dist = ndimage.distance_transform_edt(img > threshold_otsu(img))\n"
      "lines = c.read_generate(sys.argv[3])\n"
      "v = np.asarray([p for g in lines for p in g])\n"
      "x, y = np.rint(v[:, 0]).astype(int), np.rint(v[:, 1]).astype(int)\n"
      "inside = (x >= 0) & (y >= 0) & (x < img.shape[1]) & (y < img.shape[0])\n"
      "far = dist[y[inside], x[inside]].max()\n"
      "print('OK' if len(lines) > 50 and inside.all() and far <= 1.5 else 'bad %d %s %.2f' % (len(lines), inside.all(), far))\n";
  qzntest::WriteFileText(dir.file("sample.py"), script);
  std::string out;
  ASSERT_EQ(RunCommand(qzntest::Python() + " " + Quote(dir.file("sample.py")) + " " +
                           Quote(std::filesystem::path(Script()).parent_path().string()) + " " + Quote(sample) + " " +
                           Quote(dir.file("contours.gen")),
                       &out),
            0);
  EXPECT_EQ(out, "OK\n");
}

namespace {

// The lines of an ARC generate file: each a list of (x, y) vertices.
std::vector<std::vector<std::pair<double, double>>> ReadGenerate(const std::string& text) {
  std::vector<std::vector<std::pair<double, double>>> lines;
  bool open = false;
  for (const auto& row : ReadNumbers(text)) {
    if (row.size() == 1) {
      lines.emplace_back();
      open = true;
    } else if (row.size() == 2 && open) {
      lines.back().emplace_back(row[0], row[1]);
    } else if (row.empty()) {
      open = false;
    }
  }
  return lines;
}

}  // namespace

// A real shoreline scan whose 4-5 pixel wide stroke ends in a 22-pixel
// diagonal run at about (101, 100): the centre line reaches that end.
TEST(CommandLine, DiagonalStrokeEndIsReached) {
  TempDir dir;
  ASSERT_EQ(RunQzn({"-i", qzntest::SourcePath("tests/fixtures/diagonal-stroke-end.tif"), "-o", dir.file("out.gen")}),
            0);
  double reach = 1e9;
  for (const auto& line : ReadGenerate(qzntest::ReadFileText(dir.file("out.gen"))))
    for (const auto& end : {line.front(), line.back()})
      reach = std::min(reach, std::hypot(end.first - 101, end.second - 100));
  EXPECT_LE(reach, 5 / 2.0 + 1);
}

namespace {

// A small grey scan, white with one dark stroke across it.
void WriteStrokeScan(const std::string& path) {
  CRasterImage img;
  img.Init();
  img.width = 64;
  img.height = 48;
  img.planes = 1;
  img.bitsPerSample = 8;
  img.photometric = 1;
  ASSERT_TRUE(img.AllocPixels());
  for (int y = 0; y < img.height; ++y) {
    BYTE* row = img.GetRow(y, 0);
    for (int x = 0; x < img.width; ++x) row[x] = y >= 20 && y < 23 && x >= 6 && x < 58 ? 0 : 255;
  }
  ASSERT_EQ(WriteTiffImage(path, img, 0), 1);
}

}  // namespace

// Nobody is there to answer a run without a window: it asks nothing, takes
// what the window's questions offer, and says what it took.
TEST(CommandLine, SaysWhatItTookInsteadOfAsking) {
  const struct {
    const char* extension;
    const char* text;
    const char* said;
  } cases[] = {
      {".tfw", "2.0\n0.0\n0.0\n-2.0\n500000.0\n4000000.0\n", "使用 world 文件作为空间参照: scan.tfw"},
      {".cpt", "0 0 500000 4000000\n63 0 500126 4000000\n63 47 500126 3999906\n0 47 500000 3999906",
       "使用控制点文件作为空间参照: scan.cpt"},
      {".tab",
       "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n  File \"scan.tif\"\n  Type \"RASTER\"\n"
       "  (500000,4000000) (0,0) Label \"Pt 1\",\n  (500126,4000000) (63,0) Label \"Pt 2\",\n"
       "  (500126,3999906) (63,47) Label \"Pt 3\",\n  (500000,3999906) (0,47) Label \"Pt 4\"\n",
       "使用 tab 文件作为空间参照: scan.tab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extension);
    TempDir dir;
    WriteStrokeScan(dir.file("scan.tif"));
    qzntest::WriteFileText(dir.file(std::string("scan") + c.extension), c.text);
    std::string err;
    ASSERT_EQ(RunQzn({"-i", dir.file("scan.tif"), "-o", dir.file("scan.gen")}, &err, &dir), 0) << err;
    EXPECT_EQ(err.find("吗?"), std::string::npos) << "a question nobody answers: " << err;
    EXPECT_NE(err.find(c.said), std::string::npos) << err;
    // And it was taken: the lines are in map coordinates.
    bool vertex = false;
    for (const auto& row : ReadNumbers(qzntest::ReadFileText(dir.file("scan.gen"))))
      if (row.size() == 2) {
        vertex = true;
        EXPECT_GT(row[0], 499999.0);
        EXPECT_GT(row[1], 3999900.0);
      }
    EXPECT_TRUE(vertex);
  }

  // A TIFF whose first row is not the top one is turned, and the run says so.
  QZN_REQUIRE_PROGRAM("tiffset")
  TempDir dir;
  WriteStrokeScan(dir.file("turned.tif"));
  ASSERT_EQ(RunCommand("tiffset -s 274 4 " + Quote(dir.file("turned.tif"))), 0);
  std::string err;
  ASSERT_EQ(RunQzn({"-i", dir.file("turned.tif"), "-o", dir.file("turned.gen")}, &err, &dir), 0) << err;
  EXPECT_EQ(err.find("吗?"), std::string::npos) << "a question nobody answers: " << err;
  EXPECT_NE(err.find("图像没有使用左顶点作为原点, 已调节。"), std::string::npos) << err;
  // Bottom-up rows turned over: the stroke of rows 20-22 lies on 25-27.
  for (const auto& row : ReadNumbers(qzntest::ReadFileText(dir.file("turned.gen"))))
    if (row.size() == 2) {
      EXPECT_GE(row[1], 24.0);
      EXPECT_LE(row[1], 28.0);
    }
}

// Every damaged or hostile file fails cleanly: exit status 1, a message
// that names the problem, no output.
TEST(CommandLine, DamagedFilesFailCleanlyAndSayWhy) {
  const std::string fixtures = qzntest::SourcePath("tests/fixtures/damaged/");
  const struct {
    const char* file;
    const char* says;
  } cases[] = {
      {"ubsan-project-extent-int-min.prj", "错误: 方案的工作区范围无效。"},
      {"tiff-tiled-65281-samples-17GB-tile-buffer.tif", "打开 TIFF 文件: 图像尺寸无效。 (每像素 65281 个取样)"},
      {"bmp-rle8-100000x100000-touches-10GB.bmp", "读取这个 BMP 图像文件时出错。"},
      {"jpeg-65500x65500-cut-scan.jpg", "打开 JPEG 文件: 图像数据已损坏。 (Corrupt JPEG data"},
      {"jpeg-cut-scan-with-eoi-exit0.jpg", "打开 JPEG 文件: 图像数据已损坏。 (Corrupt JPEG data"},
      {"jpeg-bad-huffman-code-exit0.jpg", "打开 JPEG 文件: 图像数据已损坏。 (Corrupt JPEG data: bad Huffman code"},
      {"tiff-g4-bad-code-words-exit0.tif", "打开 TIFF 文件: 读取 TIFF 文件出错。 (Fax4Decode:"},
      {"geotiff-nan-tiepoint-exit0.tif", "(数值不是有限数)"},
      {"geotiff-corrupt-tags-absurd-coords-exit0.tif", "(GeoTIFF 标签已损坏)"},
      {"project-worldfile-nan/project.prj", "(数值不是有限数)"},
      {"worldfile-nan-silently-dropped/scan.tif", "scan.tfw (数值不是有限数)"},
      {"worldfile-all-zero/scan.tif", "scan.tfw (变换不可逆)"},
      {"bmp-rle8-72x16776960-black-hang.bmp", "读取这个 BMP 图像文件时出错。"},
      {"readers/bmp/bmp-rle8-wide-rows.bmp", "读取这个 BMP 图像文件时出错。"},
      {"readers/tif/palette-colormap-cut.tif", "打开 TIFF 文件: 缺少彩色地图。"},
      {"readers/tif/palette-colormap-cut-photometric-long.tif", "打开 TIFF 文件: 缺少彩色地图。"},
      {"readers/prj/nan-line-vertex.prj", "错误: 无效的方案文件。"},
      {"readers/prj/inf-point.prj", "错误: 无效的方案文件。"},
      {"readers/prj/layer-width-zero.prj", "错误: 无效的方案文件。"},
      {"readers/prj/layer-width-negative.prj", "错误: 无效的方案文件。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TempDir dir;
    std::string err;
    EXPECT_EQ(RunQzn({"-i", fixtures + c.file, "-o", dir.file("out.gen")}, &err, &dir), 1);
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.gen")));
  }
}

// The conversion's file is the same byte for byte whatever the number of
// threads the steps run on, for generated scans of both depths and the
// scan fixtures, by centre line and by outline.
TEST(CommandLine, SameFileOnEveryThreadCount) {
  QZN_REQUIRE_ORACLE(HaveOracle(), "numpy and Pillow");
  TempDir dir;
  ASSERT_EQ(RunCommand(qzntest::Python() + " " + Quote(Script()) + " make " + Quote(dir.path().string())), 0);
  std::vector<std::string> scans = {dir.file("grey.tif"), dir.file("bilevel.tif"), dir.file("grey.png")};
  for (const char* fixture : {"diagonal-stroke-end.tif", "tiff/g4.tif", "tiff/packbits.tif", "tiff/g3_2d.tif"})
    scans.push_back(qzntest::SourcePath(std::string("tests/fixtures/") + fixture));
  int compared = 0;
  for (const std::string& scan : scans)
    for (const char* mode : {"-c", "-b"}) {
      std::string single;
      for (const char* threads : {"1", "2", "8"}) {
        const std::string out = dir.file(std::string("t") + threads + ".gen");
        const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY QZN_THREADS=" + std::string(threads) + " " +
                                Quote(kQzn) + " -i " + Quote(scan) + " " + mode + " -o " + Quote(out) + " 2>/dev/null";
        ASSERT_EQ(RunCommand(cmd), 0) << scan << " " << mode << " " << threads;
        const std::string text = qzntest::ReadFileText(out);
        if (single.empty()) {
          single = text;
          ASSERT_GT(single.size(), 10u) << scan;
        } else {
          EXPECT_TRUE(text == single) << scan << " " << mode << ": " << threads << " threads differ";
          ++compared;
        }
      }
    }
  EXPECT_EQ(compared, 28);
}
