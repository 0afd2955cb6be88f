// The workspace document: opening images by content and by their own
// extension, the side files offered beside an image, the GeoTIFF
// georeference, saving the image, the questions before unsaved work is
// lost, image kinds and units, layer visibility and the batch line export.
#include <gtest/gtest.h>

#include <tiffio.h>

#include <algorithm>
#include <filesystem>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "raster/imagefile.h"
#include "raster/tiffio.h"
#include "tests/app/qzndoc_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

using doctest::MakeGrey;
using qzntest::TempDir;

namespace {

std::string WriteGreyTiff(const TempDir& dir, const std::string& name, int w = 40, int h = 30) {
  CRasterImage img;
  MakeGrey(img, w, h);
  doctest::DrawLine(img, 5, 5, 30, 20, 3);
  const std::string path = dir.file(name);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  EXPECT_EQ(WriteTiffImage(path, img, 1), 1);
  return path;
}

std::vector<std::string> Texts(const CScriptedHost& ui) { return ui.Texts(); }

}  // namespace

TEST(QznDocOpen, ImageByContentSetsExtentAndTolerance) {
  TempDir dir;
  CScriptedHost ui;
  CHostScope scope(&ui);
  // The content decides: a TIFF named .bmp is read as TIFF.
  const std::string path = WriteGreyTiff(dir, "scan.bmp", 400, 300);
  CQznDoc doc;
  ASSERT_EQ(doc.OnOpenDocument(path), 1);
  EXPECT_TRUE(doc.IsGreyImage());
  EXPECT_EQ(doc.m_extent.right, 399);
  EXPECT_EQ(doc.m_extent.bottom, 299);
  EXPECT_EQ(doc.m_lines.m_nTolerance, 50);
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathImage], path);
  EXPECT_EQ(doc.GetPathName(), path);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(QznDocOpen, FailuresKeepTheImageAndSayWhy) {
  TempDir dir;
  const std::string good = WriteGreyTiff(dir, "good.tif");
  qzntest::WriteFileText(dir.file("junk.tif"), "not an image at all");
  qzntest::WriteFileText(dir.file("short.tif"), "II");  // a TIFF signature, no TIFF
  struct Case {
    std::string file;
    bool quiet;
    std::vector<std::string> messages;
  } cases[] = {
      {"junk.tif", false, {"未知的文件格式。", "读取图像文件出错。"}},
      {"junk.tif", true, {"未知的文件格式。", "读取图像文件出错。"}},  // shown even when quiet
      {"short.tif", false, {"打开 TIFF 文件: 文件不存在或格式无效。", "读取图像文件出错。"}},
      {"short.tif", true, {"读取图像文件出错。"}},
      // A missing file says so, rather than that its format is unknown.
      {"missing.png", false, {"文件不存在: " + dir.file("missing.png"), "读取图像文件出错。"}},
      {"missing.png", true, {"文件不存在: " + dir.file("missing.png"), "读取图像文件出错。"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    CScriptedHost ui;
    CHostScope scope(&ui);
    CQznDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(good), 1);
    CQuietScope quiet(c.quiet);
    EXPECT_EQ(doc.OnOpenDocument(dir.file(c.file)), 0);
    EXPECT_EQ(Texts(ui), c.messages);
    EXPECT_EQ(doc.m_image.width, 40);  // the image read before is still there
  }
}

// Every TIFF orientation is turned into the picture it describes when the
// user answers yes. The stored rows are made from the picture by the tag's
// own words: row 0 lies along one side of the picture, column 0 along
// another.
TEST(QznDocOpen, EveryOrientationIsTurned) {
  TempDir dir;
  const int pw = 5, ph = 3;  // the picture
  auto picture = [](int x, int y) { return static_cast<BYTE>(10 * y + x); };
  // For each orientation: the side row 0 runs along (T top, B bottom, L left,
  // R right) and the side column 0 runs along.
  const struct {
    int orientation;
    char rowSide, colSide;
  } cases[] = {{1, 'T', 'L'}, {2, 'T', 'R'}, {3, 'B', 'R'}, {4, 'B', 'L'},
               {5, 'L', 'T'}, {6, 'R', 'T'}, {7, 'R', 'B'}, {8, 'L', 'B'}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.orientation);
    const bool swapped = c.rowSide == 'L' || c.rowSide == 'R';
    const int sw = swapped ? ph : pw, sh = swapped ? pw : ph;
    CRasterImage stored;
    doctest::MakeImage(stored, sw, sh, 1, 8, 1);
    for (int r = 0; r < sh; ++r)
      for (int k = 0; k < sw; ++k) {
        // Stored row r is the r-th line in from rowSide; column k the k-th
        // in from colSide.
        int x = 0, y = 0;
        if (!swapped) {
          y = c.rowSide == 'T' ? r : ph - 1 - r;
          x = c.colSide == 'L' ? k : pw - 1 - k;
        } else {
          x = c.rowSide == 'L' ? r : pw - 1 - r;
          y = c.colSide == 'T' ? k : ph - 1 - k;
        }
        stored.SetByte(k, r, picture(x, y));
      }
    const std::string path = dir.file("o" + std::to_string(c.orientation) + ".tif");
    ASSERT_EQ(WriteTiffImage(path, stored, 1), 1);
    TIFF* t = TIFFOpen(path.c_str(), "r+");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_ORIENTATION, static_cast<std::uint16_t>(c.orientation));
    TIFFRewriteDirectory(t);
    TIFFClose(t);

    CScriptedHost ui;
    CHostScope scope(&ui);
    ui.answers.push_back(IDYES);
    CQznDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(path), 1);
    EXPECT_EQ(ui.messages.size(), c.orientation == 1 ? 0u : 1u);
    ASSERT_EQ(doc.m_image.width, pw);
    ASSERT_EQ(doc.m_image.height, ph);
    for (int y = 0; y < ph; ++y)
      for (int x = 0; x < pw; ++x) EXPECT_EQ(doc.m_image.GetByte(x, y), picture(x, y)) << x << "," << y;
  }
}

// Grey scans stored as a palette of only the grey levels they use (as
// common tools write GIF, BMP, PNG and TIFF) open as grey images showing the
// same picture, as Pillow shows it; a palette with one colour in it stays a
// palette image.
TEST(QznDocOpen, GreyPalettesOpenAsGrey) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"PIL", "numpy"}), "python3 with Pillow and numpy");
  TempDir dir;
  const std::string script = R"PY(
import sys, numpy as np
from PIL import Image
folder = sys.argv[1]
levels = [0, 37, 90, 128, 200, 255]
idx = (np.arange(30 * 20).reshape(20, 30) * 7 % len(levels)).astype(np.uint8)
for name, colour in (("grey", False), ("colour", True)):
    im = Image.fromarray(idx, "P")
    pal = []
    for i, v in enumerate(levels):
        pal += [v, v, 255 - v] if colour and i == 2 else [v, v, v]
    im.putpalette(pal)
    for ext in ("gif", "bmp", "png", "tif"):
        im.save("%s/%s.%s" % (folder, name, ext))
        shown = np.asarray(Image.open("%s/%s.%s" % (folder, name, ext)).convert("L"))
        open("%s/%s.%s.grey" % (folder, name, ext), "wb").write(shown.tobytes())
)PY";
  qzntest::WriteFileText(dir.file("make.py"), script);
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() + " '" + dir.file("make.py") + "' '" + dir.path().string() + "'"), 0);
  for (const char* ext : {"gif", "bmp", "png", "tif"}) {
    SCOPED_TRACE(ext);
    CScriptedHost ui;
    CHostScope scope(&ui);
    CQznDoc grey;
    ASSERT_EQ(grey.OnOpenDocument(dir.file(std::string("grey.") + ext)), 1);
    ASSERT_TRUE(grey.IsGreyImage());
    EXPECT_EQ(grey.m_image.photometric, 1);
    const std::vector<std::uint8_t> shown = qzntest::ReadFileBytes(dir.file(std::string("grey.") + ext + ".grey"));
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(30 * 20));
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), grey.m_image.pixels));
    CQznDoc colour;
    ASSERT_EQ(colour.OnOpenDocument(dir.file(std::string("colour.") + ext)), 1);
    EXPECT_TRUE(colour.IsPaletteImage());
  }
}

TEST(QznDocOpen, OnlyTheFilesOwnExtensionCounts) {
  TempDir dir;
  CScriptedHost ui;
  CHostScope scope(&ui);
  // Folders named like project or RLC files do not make the image one.
  const std::string inPrj = WriteGreyTiff(dir, "maps.prj/scan.tif");
  const std::string inRlc = WriteGreyTiff(dir, "old.rlc/scan.tif");
  for (const std::string& path : {inPrj, inRlc}) {
    CQznDoc doc;
    EXPECT_EQ(doc.OnOpenDocument(path), 1) << path;
    EXPECT_TRUE(doc.IsGreyImage());
  }
  EXPECT_TRUE(ui.messages.empty());

  // A project file, in any case, goes to the project reader: this one is
  // no project (a shapefile's projection text), so the open fails with the
  // reader's one message.
  qzntest::WriteFileText(dir.file("work.PRJ"), "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\"]]");
  CQznDoc doc;
  EXPECT_EQ(doc.OnOpenDocument(dir.file("work.PRJ")), 0);
  EXPECT_EQ(Texts(ui), (std::vector<std::string>{"错误: 无效的方案文件。"}));
  EXPECT_FALSE(doc.m_image.HasPixels());
}

TEST(QznDocOpen, SideFilesOfferedInOrder) {
  TempDir dir;
  const std::string image = WriteGreyTiff(dir, "sheet.tif");
  qzntest::WriteFileText(dir.file("sheet.cpt"), "0 0 1000 2000\n10 0 1010 2000\n0 10 1000 1990\n10 10 1010 1990\n");
  qzntest::WriteFileText(dir.file("sheet.tfw"), "2\n0\n0\n-2\n500\n600\n");
  {
    // With both a control-point file and a world file only the first is offered.
    CScriptedHost ui;
    CHostScope scope(&ui);
    CQznDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(image), 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "你要为空间参照打开控制点文件吗? sheet.cpt");
    EXPECT_EQ(doc.m_controlPts.GetCount(), 4);
    EXPECT_EQ(doc.m_tfw.m_nTerms, 0);
    EXPECT_TRUE(doc.IsGeoreferenced());
  }
  std::filesystem::remove(dir.file("sheet.cpt"));
  {
    CScriptedHost ui;
    ui.answers = {IDNO};
    CHostScope scope(&ui);
    CQznDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(image), 1);
    EXPECT_EQ(Texts(ui), std::vector<std::string>{"你要为空间参照打开 world 文件吗? sheet.tfw"});
    EXPECT_FALSE(doc.IsGeoreferenced());
  }
  {
    // Quiet documents take the side file without asking.
    CScriptedHost ui;
    CHostScope scope(&ui);
    CQznDoc doc;
    CQuietScope quiet;
    ASSERT_EQ(doc.OnOpenDocument(image), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(doc.m_tfw.m_nTerms, 3);
    EXPECT_DOUBLE_EQ(doc.m_tfw.m_C, 500.0);
    EXPECT_EQ(doc.m_paths[CQznDoc::kPathWorldFile], dir.file("sheet.tfw"));
  }
}

TEST(QznDocGeoref, GeoTiffTiePointsAndPixelCentres) {
  CQznDoc doc;
  CRasterImage& img = doc.m_image;
  MakeGrey(img, 10, 10);
  // One tie point at the image corner, 2 x 3 map units a pixel: the world
  // file names the centre of the top-left pixel.
  ASSERT_TRUE(img.AllocTiePoints(1));
  const double tie[6] = {0, 0, 0, 1000, 5000, 0};
  std::copy(tie, tie + 6, img.tiePoints);
  img.pixelScale[0] = 2;
  img.pixelScale[1] = 3;
  img.pixelScaleValid = 1;
  doc.SetupWorldTransform(1);
  EXPECT_EQ(doc.m_tfw.m_nTerms, 3);
  EXPECT_DOUBLE_EQ(doc.m_tfw.m_A, 2);
  EXPECT_DOUBLE_EQ(doc.m_tfw.m_E, -3);
  EXPECT_DOUBLE_EQ(doc.m_tfw.m_C, 1001);
  EXPECT_DOUBLE_EQ(doc.m_tfw.m_F, 4998.5);

  // Back into the image: the same tie point and scale.
  img.FreeTiePoints();
  img.pixelScaleValid = 0;
  doc.SetupWorldTransform(0);
  ASSERT_EQ(img.tiePointCount, 1);
  EXPECT_DOUBLE_EQ(img.tiePoints[3], 1000);
  EXPECT_DOUBLE_EQ(img.tiePoints[4], 5000);
  EXPECT_DOUBLE_EQ(img.pixelScale[0], 2);
  EXPECT_DOUBLE_EQ(img.pixelScale[1], 3);

  // Four tie points become four control points, and go back unchanged.
  CQznDoc doc4;
  MakeGrey(doc4.m_image, 10, 10);
  ASSERT_TRUE(doc4.m_image.AllocTiePoints(4));
  for (int i = 0; i < 4; ++i) {
    double* t = doc4.m_image.tiePoints + 6 * i;
    t[0] = (i & 1) * 10;
    t[1] = (i >> 1) * 10;
    t[3] = 100 + t[0];
    t[4] = 200 - t[1];
  }
  doc4.SetupWorldTransform(1);
  ASSERT_EQ(doc4.m_controlPts.GetCount(), 4);
  EXPECT_EQ(doc4.m_tfw.m_nTerms, 0);
  const CControlPt* last = doc4.m_controlPts.GetTail();
  EXPECT_DOUBLE_EQ(last->m_imageX, 9.5);
  EXPECT_DOUBLE_EQ(last->m_mapX, 110);
  doc4.SetupWorldTransform(0);
  ASSERT_EQ(doc4.m_image.tiePointCount, 4);
  EXPECT_DOUBLE_EQ(doc4.m_image.tiePoints[18], 10);
  EXPECT_DOUBLE_EQ(doc4.m_image.tiePoints[19], 10);
}

// A "pixel is point" GeoTIFF is read and written as GDAL does: saved again
// it keeps its raster type, and GDAL finds the same geotransform in both.
TEST(QznDocGeoref, PixelIsPointIsReadAndWrittenAsGdalDoes) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"osgeo.gdal", "numpy"}), "GDAL's Python bindings");
  TempDir dir;
  const std::string script = R"PY(
import sys, numpy as np
from osgeo import gdal
gdal.UseExceptions()
cmd, path = sys.argv[1], sys.argv[2]
if cmd == "make":
    for name, gt in (("tie", (500000.0, 2.5, 0.0, 4400000.0, 0.0, -2.5)),
                     ("matrix", (500000.0, 2.5, 0.4, 4400000.0, 0.3, -2.5))):
        ds = gdal.GetDriverByName("GTiff").Create("%s/%s.tif" % (path, name), 40, 30, 1, gdal.GDT_Byte)
        ds.SetMetadataItem("AREA_OR_POINT", "Point")
        ds.SetGeoTransform(gt)
        ds.GetRasterBand(1).WriteArray(np.full((30, 40), 255, np.uint8))
        ds = None
else:
    ds = gdal.Open(path)
    print(ds.GetMetadataItem("AREA_OR_POINT"), " ".join("%.9f" % v for v in ds.GetGeoTransform()))
)PY";
  qzntest::WriteFileText(dir.file("gdal.py"), script);
  const std::string py = qzntest::Python() + " '" + dir.file("gdal.py") + "' ";
  ASSERT_EQ(qzntest::RunCommand(py + "make '" + dir.path().string() + "'"), 0);
  for (const char* name : {"tie", "matrix"}) {
    SCOPED_TRACE(name);
    CScriptedHost ui;
    CHostScope scope(&ui);
    CQznDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(dir.file(std::string(name) + ".tif")), 1);
    ASSERT_EQ(doc.m_tfw.m_nTerms, 3);
    // GDAL's origin is the corner of the top-left pixel; its centre is half
    // a pixel on, where a point file's tie point lies.
    EXPECT_NEAR(doc.m_tfw.m_C, 500000.0 + 0.5 * (doc.m_tfw.m_A + doc.m_tfw.m_B), 1e-9);
    EXPECT_NEAR(doc.m_tfw.m_F, 4400000.0 + 0.5 * (doc.m_tfw.m_D + doc.m_tfw.m_E), 1e-9);
    ui.answers.push_back(IDYES);  // save as GeoTIFF
    const std::string saved = dir.file(std::string(name) + "-saved.tif");
    ASSERT_EQ(doc.OnSaveDocument(saved), 1);
    std::string before, after;
    ASSERT_EQ(qzntest::RunCommand(py + "read '" + dir.file(std::string(name) + ".tif") + "'", &before), 0);
    ASSERT_EQ(qzntest::RunCommand(py + "read '" + saved + "'", &after), 0);
    EXPECT_EQ(after, before);
    EXPECT_EQ(after.rfind("Point ", 0), 0u) << after;
  }
}

// A georeference that cannot be used, from the image's GeoTIFF tags, a side
// file or the project, is refused and said with the file and the reason;
// the image still opens, without any georeference, and the refusal is
// marked (a command-line run then converts nothing).
TEST(QznDocGeoref, UnusableGeoreferenceIsRefusedAndSaid) {
  TempDir dir;
  const std::string fixtures = qzntest::SourcePath("tests/fixtures/damaged/");
  const std::string scan = WriteGreyTiff(dir, "scan.tif");
  auto besideScan = [&](const char* ext, const std::string& text) {
    const std::string side = dir.file(std::string("scan") + ext);
    qzntest::WriteFileText(side, text);
    return side;
  };
  struct Case {
    std::string open, source, reason;
  };
  std::vector<Case> cases = {
      {fixtures + "geotiff-nan-tiepoint-exit0.tif", fixtures + "geotiff-nan-tiepoint-exit0.tif", "数值不是有限数"},
      {fixtures + "geotiff-corrupt-tags-absurd-coords-exit0.tif",
       fixtures + "geotiff-corrupt-tags-absurd-coords-exit0.tif", "GeoTIFF 标签已损坏"},
      {fixtures + "worldfile-all-zero/scan.tif", fixtures + "worldfile-all-zero/scan.tfw", "变换不可逆"},
      {fixtures + "worldfile-nan-silently-dropped/scan.tif", fixtures + "worldfile-nan-silently-dropped/scan.tfw",
       "数值不是有限数"},
      {fixtures + "project-worldfile-nan/project.prj", fixtures + "project-worldfile-nan/project.prj",
       "数值不是有限数"},
  };
  const std::vector<std::pair<const char*, std::string>> sideFiles = {
      {".tfw", "1e300\n0\n0\n-1\n0\n0\n"},
      {".tfw", "1\n0\n0\n-1\n"},
      {".cpt", "nan 1 2 3\n5 5 10 10\n"},
      {".cpt", "no numbers here\n"},
      {".tab", "!table\n(1e40,20) (0,0) Label \"Pt 1\",\n(30,40) (10,0) Label \"Pt 2\"\n"},
  };
  // The control-point reader takes no "nan": the file gives no point at all.
  const char* const sideReasons[] = {"数值超出范围", "需要六个数值", "没有读到控制点", "没有读到控制点",
                                     "数值超出范围"};
  for (std::size_t i = 0; i < sideFiles.size(); ++i) cases.push_back({scan, "", sideReasons[i]});

  for (std::size_t i = 0; i < cases.size(); ++i) {
    Case c = cases[i];
    const bool side = c.source.empty();
    if (side) c.source = besideScan(sideFiles[i - 5].first, sideFiles[i - 5].second);
    SCOPED_TRACE(c.source);
    CScriptedHost ui;
    CHostScope scope(&ui);
    CQuietScope quiet;  // side files are taken without a question
    CQznDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(c.open), 1);
    EXPECT_TRUE(doc.m_image.HasPixels());
    EXPECT_EQ(doc.m_nGeorefRefused, 1);
    EXPECT_FALSE(doc.IsGeoreferenced());
    EXPECT_EQ(doc.m_controlPts.GetCount(), 0);
    EXPECT_EQ(Texts(ui), std::vector<std::string>{"空间参照无效, 没有使用: " + c.source + " (" + c.reason + ")"});
    if (side) std::filesystem::remove(c.source);
  }

  // A usable world file is taken without a word.
  besideScan(".tfw", "2\n0\n0\n-2\n1000\n2000\n");
  CScriptedHost ui;
  CHostScope scope(&ui);
  CQuietScope quiet;
  CQznDoc doc;
  ASSERT_EQ(doc.OnOpenDocument(scan), 1);
  EXPECT_EQ(doc.m_nGeorefRefused, 0);
  EXPECT_TRUE(doc.IsGeoreferenced());
  EXPECT_TRUE(ui.messages.empty());
}

// A project whose stored extent no workspace can have is refused before
// anything is sized by it.
TEST(QznDocGeoref, ProjectWithAnImpossibleExtentIsRefused) {
  CScriptedHost ui;
  CHostScope scope(&ui);
  CQznDoc doc;
  EXPECT_EQ(doc.OnOpenDocument(qzntest::SourcePath("tests/fixtures/damaged/ubsan-project-extent-int-min.prj")), 0);
  EXPECT_EQ(Texts(ui), (std::vector<std::string>{"错误: 方案的工作区范围无效。"}));
}

TEST(QznDocGeoref, GeoTiffDoesNotReplaceAFullGeoreference) {
  TempDir dir;
  CRasterImage img;
  MakeGrey(img, 20, 20);
  ASSERT_TRUE(img.AllocTiePoints(1));
  img.tiePoints[3] = 7;
  img.tiePoints[4] = 8;
  img.pixelScale[0] = img.pixelScale[1] = 1;
  img.pixelScaleValid = 1;
  ASSERT_EQ(WriteTiffImage(dir.file("geo.tif"), img, 1), 1);

  CScriptedHost ui;
  CHostScope scope(&ui);
  CQznDoc doc;
  for (int i = 0; i < 4; ++i) *doc.m_controlPts.AddNew() = CControlPt(i, i * i, 10 * i, 20 * i * i);
  doc.m_tfw.m_nTerms = 3;
  doc.m_tfw.m_C = 123;
  ASSERT_EQ(doc.LoadImageFile(dir.file("geo.tif")), 1);
  EXPECT_EQ(doc.m_controlPts.GetCount(), 4);
  EXPECT_DOUBLE_EQ(doc.m_tfw.m_C, 123);

  CQznDoc fresh;
  ASSERT_EQ(fresh.LoadImageFile(dir.file("geo.tif")), 1);
  EXPECT_EQ(fresh.m_tfw.m_nTerms, 3);
  EXPECT_DOUBLE_EQ(fresh.m_tfw.m_C, 7.5);
}

TEST(QznDocSave, ImageByItsOwnExtension) {
  TempDir dir;
  CScriptedHost ui;
  CHostScope scope(&ui);
  CQznDoc doc;
  MakeGrey(doc.m_image, 16, 8);
  doc.SetImageModified(1);
  struct Case {
    const char* name;
    int type;
  } cases[] = {{"a.jpg", kImageTypeJpeg},
               {"b.PNG", kImageTypePng},
               {"c.tiff", kImageTypeTiff},
               {"d.jpeg", kImageTypeTiff},
               {"e.png.tif", kImageTypeTiff}};
  for (const Case& c : cases) {
    doc.SetImageModified(1);
    ASSERT_EQ(doc.OnSaveDocument(dir.file(c.name)), 1) << c.name;
    EXPECT_EQ(GetImageFileType(dir.file(c.name)), c.type) << c.name;
    EXPECT_EQ(doc.m_nImageModified, 0);
    EXPECT_EQ(doc.m_paths[CQznDoc::kPathImage], dir.file(c.name));
  }
  EXPECT_TRUE(ui.messages.empty());

  // Bilevel images cannot be JPEG: nothing is written, the flag stays.
  CQznDoc bilevel;
  doctest::MakeImage(bilevel.m_image, 16, 4, 1, 1, 1);
  bilevel.SetImageModified(1);
  EXPECT_EQ(bilevel.OnSaveDocument(dir.file("bits.jpg")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("bits.jpg")));
  EXPECT_EQ(bilevel.m_nImageModified, 1);
  EXPECT_EQ(ui.messages.back().text, "只有灰度和 24 位 RGB 图像可以保存为 JPEG。");
}

TEST(QznDocSave, QuestionsBeforeUnsavedWorkIsLost) {
  TempDir dir;
  {
    // Nothing modified: no question.
    CScriptedHost ui;
    CHostScope scope(&ui);
    CQznDoc doc;
    EXPECT_EQ(doc.SaveModified(), 1);
    EXPECT_TRUE(ui.messages.empty());
  }
  struct Case {
    int answer;
    int result;
    size_t dialogs;
  } cases[] = {{IDNO, 1, 0}, {IDCANCEL, 0, 0}, {IDYES, 0, 1}};  // Yes: save dialog, cancelled
  for (const Case& c : cases) {
    CScriptedHost ui;
    ui.answers = {c.answer};
    CHostScope scope(&ui);
    CQznDoc doc;
    doc.m_paths[CQznDoc::kPathImage] = "/maps/sheet 7.tif";
    MakeGrey(doc.m_image, 4, 4);
    doc.SetLinesModified(1);
    EXPECT_EQ(doc.SaveDataIfModified(), c.result) << c.answer;
    EXPECT_EQ(Texts(ui), std::vector<std::string>{"保存修改后的数据吗?"});
    ASSERT_EQ(ui.fileDialogs.size(), c.dialogs);
    if (c.dialogs) {
      const FileDialogRequest& d = ui.fileDialogs[0];
      EXPECT_EQ(d.kind, FileDialogKind::save);
      EXPECT_EQ(d.fileName, "/maps/sheet 7.prj");
      EXPECT_EQ(d.defaultExtension, "prj");
      EXPECT_EQ(d.flags, 6u);  // hide read-only, prompt before overwriting
      EXPECT_EQ(d.filter, "方案文件 (*.prj) |*.prj||");
    }
  }
  {
    // A modified image: Yes, a path chosen, the image written there.
    CScriptedHost ui;
    ui.answers = {IDYES};
    CHostScope scope(&ui);
    CQznDoc doc;
    MakeGrey(doc.m_image, 4, 4);
    doc.SetImageModified(1);
    const std::string saved = dir.file("saved.tif");
    ui.fileAnswers = {{saved}};
    EXPECT_EQ(doc.SaveModified(), 1);
    EXPECT_EQ(Texts(ui), std::vector<std::string>{"图像已经修改，保存吗?"});
    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    EXPECT_EQ(ui.fileDialogs[0].fileName, "*.tif");
    EXPECT_EQ(ui.fileDialogs[0].filter, "TIFF 文件 (*.tif) |*.tif||");
    EXPECT_EQ(GetImageFileType(saved), kImageTypeTiff);
    EXPECT_EQ(doc.m_nImageModified, 0);
  }
  {
    // A command-line run cancels the dialog: nothing written, not closed.
    CCommandLineHost cli;
    CHostScope scope(&cli);
    CQznDoc doc;
    MakeGrey(doc.m_image, 4, 4);
    doc.SetImageModified(1);
    EXPECT_EQ(doc.SaveImageIfModified(), 0);
    EXPECT_EQ(doc.m_nImageModified, 1);
  }
}

TEST(QznDoc, KindsThresholdsUnitsAndPixels) {
  CQznDoc doc;
  EXPECT_EQ(doc.ResetExtent(), 0);
  EXPECT_EQ(doc.SetExtent(RECT{100, 50, 10, 5}), 1);
  EXPECT_EQ(doc.m_extent.left, 10);
  EXPECT_EQ(doc.m_extent.bottom, 50);
  EXPECT_EQ(doc.SetExtent(RECT{3, 3, 3, 9}), 0);

  // Black is zero: dark lines are [0, t]; white is zero: [t, 255].
  for (int photometric : {1, 0}) {
    CQznDoc d;
    // Paper and ink away from the ends of the grey scale.
    MakeGrey(d.m_image, 50, 50, photometric, photometric == 0 ? 40 : 210);
    doctest::DrawLine(d.m_image, 5, 25, 45, 25, 5, photometric == 0 ? 220 : 30);
    EXPECT_EQ(d.SetExtent(RECT{0, 0, 9, 9}), 0);  // not with an image
    int low = -1, high = -1;
    ASSERT_EQ(d.GetThreshold(low, high), 1);
    if (photometric == 1) {
      EXPECT_EQ(low, 0);
      EXPECT_GE(high, 30);
      EXPECT_LT(high, 210);
    } else {
      EXPECT_GT(low, 40);
      EXPECT_LE(low, 220);
      EXPECT_EQ(high, 255);
    }
    EXPECT_EQ(d.m_nThreshHigh, high);
    EXPECT_EQ(d.GetTraceKey(0, 0), high + low * 65536);
    int v = -1;
    ASSERT_EQ(d.GetPixelValue(-5, 1000, v), 1);  // clamped into the image
    EXPECT_EQ(v, photometric == 0 ? 40 : 210);
  }

  struct Unit {
    const char* name;
    int code;
    const char* back;
  } units[] = {{"英寸", 2, "英寸"}, {"厘米", 3, "厘米"}, {"毫米", 3, "厘米"}, {"像素", 1, "像素"}, {"", 1, "像素"}};
  for (const Unit& u : units) {
    doc.SetUnitName(u.name);
    EXPECT_EQ(doc.m_image.resolutionUnit, u.code) << u.name;
    EXPECT_EQ(doc.GetUnitName(), u.back);
  }

  char name[4] = "xyz";
  doc.GetLayerName(0, name, sizeof name);
  EXPECT_STREQ(name, "0");
  doc.GetLayerName(0, nullptr, 10);  // nothing for no buffer
}

TEST(QznDoc, LayerVisibilityMovesLinesPointsAndNotes) {
  CQznDoc doc;
  CLayer* layer = doc.m_layers.AddLayer();
  ASSERT_NE(layer, nullptr);
  const int id = layer->m_nID;
  layer->m_nWidth = 3;
  layer->m_color = RGB(1, 2, 3);
  CChain* a = doc.m_lines.NewChain();
  a->m_nLayer = id;
  CChain* b = doc.m_lines.NewChain();
  b->m_nLayer = 999;  // no such layer: stays
  CPointRec* p = doc.m_points.AddNew();
  p->layer = id;
  CNote* n = new CNote(RECT{0, 0, 5, 5}, "t");
  n->m_nID = static_cast<std::int16_t>(id);
  doc.m_notes.Adopt(n);

  layer->SetVisible(FALSE);
  doc.ApplyLayerVisibility(doc.m_layers);
  EXPECT_EQ(doc.m_lines.GetCount(), 1);
  EXPECT_EQ(doc.m_lines.GetHead(), b);
  EXPECT_EQ(doc.m_hiddenLines.GetHead(), a);
  EXPECT_EQ(a->m_nWidth, 3);
  EXPECT_EQ(a->m_color, RGB(1, 2, 3));  // ID 0 takes the layer's colour
  EXPECT_EQ(doc.m_hiddenPoints.GetCount(), 1);
  EXPECT_EQ(doc.m_hiddenNotes.GetCount(), 1);
  EXPECT_TRUE(doc.m_points.IsEmpty());

  layer->SetVisible(TRUE);
  doc.ApplyLayerVisibility(doc.m_layers);
  EXPECT_EQ(doc.m_lines.GetCount(), 2);
  EXPECT_TRUE(doc.m_hiddenLines.IsEmpty());
  EXPECT_EQ(doc.m_points.GetCount(), 1);
  EXPECT_EQ(doc.m_notes.GetCount(), 1);
}

TEST(QznDoc, PolygonsReplaceTheLines) {
  CQznDoc doc;
  const float square[5][2] = {{10, 10}, {60, 10}, {60, 60}, {10, 60}, {10, 10}};
  for (int i = 0; i < 4; ++i) {
    CChain* side = doc.m_lines.NewChain();
    side->AddPoint(square[i][0], square[i][1]);
    side->AddPoint(square[i + 1][0], square[i + 1][1]);
    side->CalcBounds();
  }
  ASSERT_NE(doc.CreatePolygons(2.0f, FALSE), 0);
  ASSERT_EQ(doc.m_lines.GetCount(), 1);
  const CChain* polygon = doc.m_lines.GetHead();
  EXPECT_EQ(polygon->Points().front().x, polygon->Points().back().x);
  EXPECT_EQ(polygon->Points().front().y, polygon->Points().back().y);
  EXPECT_EQ(doc.m_lines.m_nModified, 1);
}

TEST(QznDocExport, GenerateTextInPixelsAndMapUnits) {
  TempDir dir;
  CQznDoc doc;
  CChain* a = doc.m_lines.NewChain();
  a->m_fID = 12.9f;
  a->AddPoint(1.5f, 2);
  a->AddPoint(3, 4);
  doc.m_lines.NewChain();  // no vertices: left out
  CChain* b = doc.m_lines.NewChain();
  b->AddPoint(0, 0);
  b->AddPoint(10, 0);

  ASSERT_EQ(doc.ExportLines(dir.file("px.gen"), 0), 1);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("px.gen")),
            "12\r\n1.500000,2.000000\r\n3.000000,4.000000\r\nEND\r\n"
            "0\r\n0.000000,0.000000\r\n10.000000,0.000000\r\nEND\r\nEND\r\n");

  // Without a georeference there are no map coordinates, and nothing is written.
  EXPECT_EQ(doc.ExportLinesGeo(dir.file("none.gen"), 0), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("none.gen")));

  doc.m_tfw.m_nTerms = 3;
  doc.m_tfw.m_A = 2;
  doc.m_tfw.m_E = -2;
  doc.m_tfw.m_C = 100;
  doc.m_tfw.m_F = 900;
  ASSERT_EQ(doc.ExportLinesGeo(dir.file("map.gen"), 0), 1);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("map.gen")),
            "12\r\n103.000000,896.000000\r\n106.000000,892.000000\r\nEND\r\n"
            "0\r\n100.000000,900.000000\r\n120.000000,900.000000\r\nEND\r\nEND\r\n");
  EXPECT_FLOAT_EQ(a->Points()[0].x, 1.5f);  // the lines are not changed

  // An empty workspace still makes a well-formed file; an unwritable path
  // fails and leaves what was there.
  CQznDoc empty;
  ASSERT_EQ(empty.ExportLines(dir.file("empty.gen"), 0), 1);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("empty.gen")), "END\r\n");
  EXPECT_EQ(doc.ExportLines(dir.file("no/such/dir/x.gen"), 0), 0);
  EXPECT_EQ(doc.ExportLines(dir.file("px.gen"), 1), 0);  // other formats are not written here
  EXPECT_EQ(qzntest::ReadFileText(dir.file("px.gen")).substr(0, 4), "12\r\n");
}

// Line smoothing reduces only the lines the rectangle meets (all of them for
// an empty one) and marks the lines modified.
TEST(QznDoc, SmoothLinesReducesTheLinesInTheRectangle) {
  CQznDoc doc;
  auto addLine = [&](float y) {
    CChain* c = doc.m_lines.NewChain();
    for (int x = 0; x <= 10; ++x) c->AddPoint(static_cast<float>(x), y + (x % 2 ? 0.2f : 0.0f));
    c->CalcBounds();
    return c;
  };
  CChain* near = addLine(0.0f);
  CChain* far = addLine(100.0f);
  doc.m_lines.m_nModified = 0;

  doc.SmoothLines(1.0f, RECT{-5, -5, 20, 20});
  EXPECT_EQ(near->GetCount(), 2);
  EXPECT_EQ(far->GetCount(), 11);
  EXPECT_NE(doc.m_lines.m_nModified, 0);

  doc.SmoothLines(1.0f, RECT{});
  EXPECT_EQ(far->GetCount(), 2);
}
