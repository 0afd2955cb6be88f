// The batch script language: how a line finds its command, the results the
// commands report, the ".cmd" files, and a script of every command run on a
// generated scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/batchscript.h"
#include "app/doccommands.h"
#include "app/qzndoc.h"
#include "platform/host.h"
#include "raster/tiffio.h"
#include "tests/app/qzndoc_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

using doctest::MakeGrey;
using qzntest::TempDir;

TEST(BatchScriptParse, TheCommandWordDecides) {
  struct Case {
    const char* line;
    CScriptCommand command;
  };
  const Case cases[] = {
      {"LineSmooth 1.0", CScriptCommand::lineSmooth},
      {"ImageSmooth Average", CScriptCommand::imageSmooth},
      {"SetCurLayer 10", CScriptCommand::setCurLayer},
      {"SetLayer 10", CScriptCommand::setLayer},
      {"  imagenegate", CScriptCommand::imageNegate},
      {"MAPPIXELS 0 150 0", CScriptCommand::mapPixels},
      {"Vectorize Map Center UserThresh", CScriptCommand::vectorize},
      // An argument never chooses the command: the path holds EDGE and
      // SNAP, the first word says LoadColorFeature.
      {"LoadColorFeature /maps/edge_snap.clf", CScriptCommand::loadColorFeature},
      {"SaveImage Overwrite Polygon", CScriptCommand::saveImage},
      // Older spellings: a first word containing a keyword.
      {"MapPixel 1 2 3", CScriptCommand::mapPixels},
      {"ImageSmoothing median", CScriptCommand::imageSmooth},
      {"RemoveBackground 20", CScriptCommand::imageRemoveBackground},
      {"Vectorise", CScriptCommand::unknown},
      {"Hello ImageNegate", CScriptCommand::unknown},
      {"; ImageNegate", CScriptCommand::none},
      {"", CScriptCommand::none},
      {"   \r", CScriptCommand::none},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseScriptLine(c.line).command, c.command) << c.line;
  EXPECT_EQ(ScriptCommandNames().size(), 26u);
  // Every name the editor offers is its own command.
  for (const std::string& name : ScriptCommandNames()) {
    const CScriptCommand c = ParseScriptLine(name).command;
    EXPECT_NE(c, CScriptCommand::unknown) << name;
    EXPECT_NE(c, CScriptCommand::none) << name;
  }
}

TEST(DocumentCommands, OneTableServesScriptsAndMenus) {
  const std::vector<CDocCommand>& table = DocumentCommands();
  std::vector<int> order;
  for (const CDocCommand& c : table) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindDocumentCommand(c.name), &c);  // by its name, in any case
    std::string lower = c.name;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(FindDocumentCommand(lower), &c);
    EXPECT_EQ(FindDocumentCommand(c.id), &c);
    EXPECT_EQ(ScriptCommandNames()[static_cast<std::size_t>(c.editorOrder)], c.name);
    order.push_back(c.editorOrder);
  }
  std::sort(order.begin(), order.end());
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], static_cast<int>(i));  // each place once
  EXPECT_EQ(FindDocumentCommand(CScriptCommand::unknown), nullptr);
  EXPECT_EQ(FindDocumentCommand("Vectorise"), nullptr);

  // A command its enabler refuses does not run and fails; one it allows
  // runs with the options it is given.
  CScriptedHost ui;
  CHostScope scope(&ui);
  CQznDoc doc;
  const CDocCommand* negate = FindDocumentCommand("ImageNegate");
  ASSERT_NE(negate, nullptr);
  EXPECT_FALSE(negate->enabled(doc));
  EXPECT_EQ(RunDocumentCommand(doc, *negate, ParseScriptLine("ImageNegate")), 0);
  const CDocCommand* thresh = FindDocumentCommand("ImageSetThresh");
  EXPECT_TRUE(thresh->enabled(doc));
  EXPECT_EQ(RunDocumentCommand(doc, *thresh, ParseScriptLine("ImageSetThresh 30 140")), 1);
  EXPECT_EQ(doc.m_nThreshLow, 30);
  EXPECT_EQ(doc.m_nThreshHigh, 140);
  MakeGrey(doc.m_image, 4, 4);
  EXPECT_TRUE(negate->enabled(doc));
  EXPECT_EQ(RunDocumentCommand(doc, *negate, ParseScriptLine("")), 1);
  EXPECT_EQ(doc.m_nImageModified, 1);
}

TEST(BatchScriptRun, IgnoredLinesSucceedAndMissingArgumentsFail) {
  CScriptedHost ui;
  CHostScope scope(&ui);
  CQznDoc doc;
  MakeGrey(doc.m_image, 20, 20);
  doc.ResetExtent();
  for (const char* line : {"", "; a comment", "Nothing to do here"}) EXPECT_EQ(doc.RunMacroCommand(line), 1) << line;
  for (const char* line :
       {"ImageRotate", "MapPixels 0 150", "ImageCrop 1 2 3", "ImageSetROI 0 0 5", "LineSnap", "LineDelete", "ImageFlip",
        "ImageFlip Diagonal", "ImageConvert", "ImageConvert Sepia", "ImageResample up", "ImageResample",
        "LoadColorFeature", "SaveImage", "ImageClassification 5 10", "ImageConvert Color8"})
    EXPECT_EQ(doc.RunMacroCommand(line), 0) << line;
  EXPECT_EQ(doc.m_nImageModified, 0);
  EXPECT_EQ(doc.m_image.width, 20);
  EXPECT_TRUE(doc.m_roi.IsEmpty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST(BatchScriptRun, SmoothingByKindOfImage) {
  {
    CQznDoc doc;
    MakeGrey(doc.m_image, 8, 8);
    doc.m_image.photometric = 3;
    EXPECT_EQ(doc.RunMacroCommand("ImageSmooth Average"), 0);
  }
  {
    // On a 1-bit image any ImageSmooth smooths: a lone set bit goes.
    CQznDoc doc;
    CRasterImage& img = doc.m_image;
    img.Init();
    img.width = 9, img.height = 9, img.planes = 1, img.bitsPerSample = 1, img.photometric = 1;
    ASSERT_TRUE(img.AllocPixels());
    std::memset(img.pixels, 0, static_cast<std::size_t>(img.GetImageBytes()));
    img.SetBit(4, 4, 1);
    EXPECT_EQ(doc.RunMacroCommand("ImageSmooth Average"), 1);
    EXPECT_EQ(img.GetBit(4, 4), 0);
    EXPECT_EQ(doc.m_nImageModified, 1);
  }
  {
    CQznDoc doc;
    MakeGrey(doc.m_image, 8, 8);
    doc.m_image.SetByte(4, 4, 0);
    EXPECT_EQ(doc.RunMacroCommand("ImageSmooth Average"), 1);
    EXPECT_EQ(doc.m_image.GetByte(4, 4), (8 * 255) / 9);
  }
}

TEST(BatchScriptRun, ResampleUpByOneEnlargesByTwo) {
  CQznDoc doc;
  MakeGrey(doc.m_image, 10, 6);
  doc.ResetExtent();
  doc.AddRoiRect(RECT{1, 1, 3, 3});
  ASSERT_EQ(doc.RunMacroCommand("ImageResample up 1"), 1);
  EXPECT_EQ(doc.m_image.width, 20);
  EXPECT_EQ(doc.m_image.height, 12);
  EXPECT_EQ(doc.m_extent.right, 19);
  EXPECT_FLOAT_EQ(doc.m_roi.GetHead()->GetExtent().right, 6.0f);
  ASSERT_EQ(doc.RunMacroCommand("ImageResample Down 4"), 1);
  EXPECT_EQ(doc.m_image.width, 5);
}

TEST(BatchScriptRun, ClassificationTakesItsTwoNumbers) {
  auto classes = [](const char* line) {
    CQznDoc doc;
    CRasterImage& img = doc.m_image;
    img.Init();
    img.width = 64, img.height = 8, img.planes = 3, img.bitsPerSample = 8, img.photometric = 2;
    EXPECT_TRUE(img.AllocPixels());
    // Eight well-separated colours in bands of eight columns.
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 64; ++x) {
        const int c = x / 8;
        img.SetPlaneByte(x, y, 0, static_cast<BYTE>(c & 1 ? 230 : 20));
        img.SetPlaneByte(x, y, 1, static_cast<BYTE>(c & 2 ? 230 : 20));
        img.SetPlaneByte(x, y, 2, static_cast<BYTE>(c & 4 ? 230 : 20));
      }
    EXPECT_EQ(doc.RunMacroCommand(line), 1);
    EXPECT_EQ(img.photometric, 5);
    int largest = 0;
    for (std::int64_t i = 0; i < img.GetPlaneBytes(); ++i) largest = std::max<int>(largest, img.pixels[i]);
    return largest + 1;
  };
  EXPECT_EQ(classes("ImageClassification 7 12"), 7);
  EXPECT_EQ(classes("ImageClassification"), 5);
}

TEST(BatchScriptRun, LoadColorFeatureTakesAQuotedPath) {
  TempDir dir;
  std::filesystem::create_directories(dir.path() / "my maps");
  const std::string path = (dir.path() / "my maps" / "colours.clf").string();
  CColorFeatureArray features;
  features.Add(CColorFeature{10, 1, 20, 2, 30, 3});
  ASSERT_EQ(features.WriteFile(path), 1);
  CQznDoc doc;
  EXPECT_EQ(doc.RunMacroCommand("LoadColorFeature \"" + path + "\""), 1);
  ASSERT_EQ(doc.m_colorClasses.GetSize(), 1);
  EXPECT_FLOAT_EQ(doc.m_colorClasses.GetAt(0).meanGreen, 20.0f);
  // A file that is not there is a failure, not a success.
  EXPECT_EQ(doc.RunMacroCommand("LoadColorFeature \"" + dir.file("none.clf") + "\""), 0);
}

TEST(BatchScriptRun, SaveImageBesideOrOverTheImage) {
  TempDir dir;
  CQznDoc doc;
  MakeGrey(doc.m_image, 12, 7);
  doc.m_image.SetByte(3, 2, 9);
  const std::string a = dir.file("a.tif");
  doc.m_paths[CQznDoc::kPathImage] = a;
  EXPECT_EQ(doc.RunMacroCommand("SaveImage"), 1);
  EXPECT_TRUE(std::filesystem::exists(dir.file("a_0.tif")));
  EXPECT_FALSE(std::filesystem::exists(a));
  doc.m_nImageModified = 1;
  EXPECT_EQ(doc.RunMacroCommand("SaveImage Overwrite"), 1);
  EXPECT_EQ(doc.m_nImageModified, 0);
  CRasterImage back;
  int orientation = 1;
  ASSERT_EQ(ReadTiffImage(a, back, &orientation), 0);
  EXPECT_EQ(back.width, 12);
  EXPECT_EQ(back.GetByte(3, 2), 9);
}

TEST(BatchScriptRun, LayersAndThresholds) {
  CQznDoc doc;
  CChain* line = doc.m_lines.NewChain();
  line->AddPoint(0, 0), line->AddPoint(5, 5);
  EXPECT_EQ(doc.RunMacroCommand("ImageSetThresh 20"), 1);
  EXPECT_EQ(doc.m_nThreshLow, 20);
  EXPECT_EQ(doc.m_nThreshHigh, 150);
  EXPECT_EQ(doc.RunMacroCommand("SetCurLayer Roads"), 1);
  std::string current;
  ASSERT_TRUE(doc.m_layers.GetCurrentLayerName(current));
  EXPECT_EQ(current, "Roads");
  const auto layers = doc.m_layers.GetCount();
  EXPECT_EQ(doc.RunMacroCommand("SetLayer roads"), 1);  // the same layer, found without regard to case
  EXPECT_EQ(doc.m_layers.GetCount(), layers);
  EXPECT_EQ(line->m_nLayer, doc.m_layers.GetCurrentLayerID());
  EXPECT_EQ(doc.RunMacroCommand("SetCurLayer"), 1);
  ASSERT_TRUE(doc.m_layers.GetCurrentLayerName(current));
  EXPECT_EQ(current, "Unknown");
}

// A number beyond the range its command's dialog allows (and beyond an int)
// is refused with the dialog's message before anything runs: no B-spline of
// 20000000 nodes a segment, no polygon gap of 2147483647, no deletion of
// lines up to 1e300 long. Values within the ranges run, a fraction cut off.
TEST(BatchScriptRun, NumbersBeyondTheirDialogsAreRefused) {
  CQznDoc doc;
  MakeGrey(doc.m_image, 20, 20);
  doc.ResetExtent();
  for (int i = 0; i < 3; ++i) {
    CChain* line = doc.m_lines.NewChain();
    line->AddPoint(0, static_cast<float>(i)), line->AddPoint(5, static_cast<float>(i));
  }
  doc.m_nThreshLow = 10, doc.m_nThreshHigh = 20;
  const struct {
    const char* line;
    const char* message;
  } refused[] = {
      {"BSpline 20000000", "请输入一个整数在 2 和 100 之间。"},
      {"BSpline 1", "请输入一个整数在 2 和 100 之间。"},
      {"CreatePolygons 2147483647", "请输入一个整数在 0 和 100000 之间。"},
      {"LineDelete 0 1e300", "请输入一个整数在 1 和 100000 之间。"},
      {"LineDelete 1e12", "请输入一个整数在 0 和 100000 之间。"},
      {"LineSnap 0.5", "请输入一个整数在 1 和 5000 之间。"},
      {"LineSnap 5001", "请输入一个整数在 1 和 5000 之间。"},
      {"LineSmooth 1000.5", "请输入一个数字在 0 和 1000 之间。"},
      {"LineSmooth -1", "请输入一个数字在 0 和 1000 之间。"},
      {"ImageRotate 400", "请输入一个数字在 -360 和 360 之间。"},
      {"MapPixels 0 300 0", "请输入一个整数在 0 和 255 之间。"},
      {"ImageSetThresh 0 256", "请输入一个整数在 0 和 255 之间。"},
      {"ImageResample up 0", "请输入一个整数在 1 和 10000 之间。"},
      {"ImageResample down 10001", "请输入一个整数在 1 和 10000 之间。"},
      {"ImageRemoveBackground 1", "请输入一个整数在 2 和 500 之间。"},
      {"ImageClassification 0 10", "请输入一个整数在 1 和 255 之间。"},
      {"ImageClassification 5 501", "请输入一个整数在 2 和 500 之间。"},
      {"ImageSetROI 0 0 1e12 5", "请输入一个整数在 -2147483647 和 2147483647 之间。"},
      {"ImageCrop -3e9 0 5 5", "请输入一个整数在 -2147483647 和 2147483647 之间。"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.line);
    std::string refusal;
    EXPECT_EQ(doc.RunMacroCommand(r.line, &refusal), 0);
    EXPECT_EQ(refusal, r.message);
  }
  EXPECT_EQ(doc.m_lines.GetCount(), 3);
  for (const CChain* line : doc.m_lines) EXPECT_EQ(line->GetCount(), 2);
  EXPECT_EQ(doc.m_image.width, 20);
  EXPECT_EQ(doc.m_nImageModified, 0);
  EXPECT_TRUE(doc.m_roi.IsEmpty());
  EXPECT_EQ(std::make_pair(doc.m_nThreshLow, doc.m_nThreshHigh), std::make_pair(10, 20));

  for (const char* line : {"ImageSetThresh 0 255", "LineSmooth 1000", "BSpline 3.9"}) {
    std::string refusal;
    EXPECT_EQ(doc.RunMacroCommand(line, &refusal), 1) << line;
    EXPECT_TRUE(refusal.empty()) << line;
  }
  EXPECT_EQ(doc.m_nThreshHigh, 255);
}

TEST(BatchScriptFiles, WrittenAndReadBackUnchanged) {
  TempDir dir;
  const std::string path = dir.file("s.cmd");
  const std::vector<std::string> script = {"; 你的命令在这里", "ImageFlip Vertical", "", std::string(1000, 'x'),
                                           "LoadColorFeature \"C:\\地图\\a.clf\""};
  ASSERT_EQ(CQznDoc::WriteMacroFile(script, path), 1);
  const std::string bytes = qzntest::ReadFileText(path);
  EXPECT_NE(bytes.find("ImageFlip Vertical\r\n"), std::string::npos);  // CRLF, code page 936
  std::vector<std::string> back;
  EXPECT_EQ(CQznDoc::ReadMacroFile(back, path), 5);
  EXPECT_EQ(back, script);
}

TEST(BatchScriptFiles, ReadingStripsLineEndsAndAppends) {
  TempDir dir;
  const std::string path = dir.file("mixed.cmd");
  qzntest::WriteFileText(path, "ImageNegate\r\nImageTranspose\nImageFlip Hor\r\r\n" + std::string(600, 'y'));
  std::vector<std::string> script = {"first"};
  EXPECT_EQ(CQznDoc::ReadMacroFile(script, path), 4);
  EXPECT_EQ(script, (std::vector<std::string>{"first", "ImageNegate", "ImageTranspose", "ImageFlip Hor",
                                              std::string(600, 'y')}));
}

TEST(BatchScriptFiles, FilesThatCannotBeUsedAreReported) {
  CScriptedHost ui;
  CHostScope scope(&ui);
  TempDir dir;
  std::vector<std::string> script;
  EXPECT_EQ(CQznDoc::ReadMacroFile(script, dir.file("missing.cmd")), 0);
  EXPECT_EQ(CQznDoc::WriteMacroFile({"x"}, dir.file("no/such/dir/s.cmd")), 0);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text, "打开宏文件出错。");
  EXPECT_EQ(ui.messages[1].text, "打开宏文件出错。没有保存。");
}

// ---- every command on a generated scan --------------------------------------------

namespace {

std::string Scangen() { return std::string(QZN_BINARY_DIR) + "/bench/scangen"; }

}  // namespace

TEST(BatchScriptRun, EveryCommandOnAGeneratedScan) {
  QZN_REQUIRE_ORACLE(std::filesystem::exists(Scangen()), "scangen (built with the benchmarks)")
  QZN_REQUIRE_PROGRAM("convert");
  CScriptedHost host;  // records, shows nothing
  CHostScope scope(&host);
  TempDir dir;
  const std::string grey = dir.file("scan.tif");
  ASSERT_EQ(qzntest::RunCommand(Scangen() + " --width 400 --height 300 --seed 5 -o " + grey + " >/dev/null"), 0);
  // The colour commands need a colour scan: the same picture as RGB.
  const std::string rgb = dir.file("colour.tif");
  ASSERT_EQ(qzntest::RunCommand("convert " + grey + " -type TrueColor " + rgb), 0);
  CColorFeatureArray features;
  features.Add(CColorFeature{30, 10, 30, 10, 30, 10});
  ASSERT_EQ(features.WriteFile(dir.file("ink.clf")), 1);

  const std::vector<std::string> colourScript = {
      "ImageClassification 4 8",
  };
  const std::vector<std::string> script = {
      "; every command of the language",
      "LoadColorFeature \"" + dir.file("ink.clf") + "\"",
      "ImageConvert Color8",
      "ImageConvert Greyscale",
      "ImageSetThresh 0 128",
      "ImageSetROI 0 0 399 299",
      "ImageFlip Vertical",
      "ImageFlip Horizontal",
      "ImageTranspose",
      "ImageTranspose",
      "ImageNegate",
      "ImageNegate",
      "ImageRotate 90",
      "ImageRotate -90",
      "ImageSmooth Median",
      "ImageSmooth Average",
      "ImageDespeckle",
      "MapPixels 250 255 255",
      "ImageRemoveBackground 15",
      "ImageCrop 2 2 398 298",
      "ImageResample Down 2",
      "ImageResample Up 2",
      "SaveImage",
      "SetCurLayer Contours",
      "Vectorize Map Center UserThresh",
      "LineSmooth 1.0",
      "BSpline 2",
      "LineSnap 2.0",
      "LineDelete 0 3",
      "SetLayer Contours",
      "CreatePolygons 2",
      "ImageEdge Sobel",
      "ImageEdge gradient",
      "ImagePropagate",
      "ImageConvert BiLevel",
      "ImageDespeckle",
      "ImageSmooth Median",
      "ImageConvert Greyscale",
  };
  {
    CQznDoc doc;
    CQuietScope quiet;
    ASSERT_EQ(doc.OnOpenDocument(rgb), 1);
    ASSERT_TRUE(doc.IsRgbImage());
    for (const std::string& line : colourScript) EXPECT_EQ(doc.RunMacroCommand(line), 1) << line;
    EXPECT_TRUE(doc.IsClassifiedImage());
  }
  CQznDoc doc;
  CQuietScope quiet;
  ASSERT_EQ(doc.OnOpenDocument(rgb), 1);
  for (const std::string& line : script) EXPECT_EQ(doc.RunMacroCommand(line), 1) << line;
  EXPECT_TRUE(doc.IsGreyImage());
  EXPECT_EQ(doc.m_image.width, 396);
  EXPECT_EQ(doc.m_image.height, 296);
  EXPECT_TRUE(std::filesystem::exists(dir.file("colour_0.tif")));
  EXPECT_GT(doc.m_lines.GetCount(), 10);
  std::string layer;
  doc.m_layers.GetLayerName(layer, doc.m_lines.GetHead()->m_nLayer);
  EXPECT_EQ(layer, "Contours");
  EXPECT_EQ(doc.m_nImageModified, 1);
}
