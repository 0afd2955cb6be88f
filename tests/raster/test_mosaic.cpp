#include "raster/mosaic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/chainlist.h"
#include "platform/host.h"
#include "raster/imagefile.h"
#include "raster/tiffio.h"
#include "tests/raster/test_imggeom_support.h"

using namespace qzn;

namespace {

using imgtest::Bytes;
using imgtest::Make8;
using imgtest::Texture;

std::string Save(const qzntest::TempDir& dir, const std::string& name, const CRasterImage& img) {
  const std::string path = dir.file(name);
  EXPECT_EQ(WriteTiffImage(path, img, 0), 1) << name;
  return path;
}

// A w x h cut of the picture at (x, y).
void Cut(const CRasterImage& picture, int x, int y, int w, int h, CRasterImage& out) {
  Make8(out, w, h, 1, picture.photometric);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) out.SetByte(c, r, picture.GetByte(x + c, y + r));
}

TEST(MosaicImages, GridUsesTheFirstCellsAndResamplesOddSizes) {
  qzntest::TempDir dir;
  std::vector<std::string> files;
  for (int k = 0; k < 5; ++k) {
    CRasterImage tile;
    Make8(tile, k == 2 ? 8 : 4, k == 2 ? 6 : 3, 1, 1,
          std::vector<std::uint8_t>((k == 2 ? 48 : 12), static_cast<std::uint8_t>(10 * (k + 1))));
    files.push_back(Save(dir, "t" + std::to_string(k) + ".tif", tile));
  }
  CRasterImage out;
  ASSERT_EQ(MosaicImages(files, 2, 2, &out, kMosaicGrid, 0, 0, nullptr), 1);
  EXPECT_EQ(out.width, 8);
  EXPECT_EQ(out.height, 6);
  EXPECT_EQ(out.GetByte(0, 0), 10);
  EXPECT_EQ(out.GetByte(7, 2), 20);
  EXPECT_EQ(out.GetByte(0, 5), 30);  // the 8 x 6 tile brought to 4 x 3
  EXPECT_EQ(out.GetByte(7, 5), 40);  // the fifth file finds no cell

  // Without a georeference for the first file the georeferenced mode lays
  // the grid out the same way.
  CRasterImage geo;
  ASSERT_EQ(MosaicImages(files, 2, 2, &geo, kMosaicGeoreferenced, 0, 0,
                         [](const std::string&, const CRasterImage&, double*, double*, int) { return 0; }),
            1);
  EXPECT_EQ(Bytes(geo), Bytes(out));
}

TEST(MosaicImages, SkipsOtherFormatsAndStopsAtAnUnreadableFile) {
  qzntest::TempDir dir;
  CRasterImage grey, rgb;
  Make8(grey, 4, 3, 1, 1, std::vector<std::uint8_t>(12, 9));
  Make8(rgb, 4, 3, 3, 2, std::vector<std::uint8_t>(36, 50));
  const std::vector<std::string> files = {Save(dir, "a.tif", grey), Save(dir, "b.tif", rgb), Save(dir, "c.tif", grey),
                                          dir.file("missing.tif")};
  CScriptedHost host;
  CHostScope scope(&host);
  CRasterImage out;
  EXPECT_EQ(MosaicImages(files, 2, 2, &out, kMosaicGrid, 0, 0, nullptr), 0);
  // What was pasted before the failure stays.
  ASSERT_EQ(out.width, 8);
  EXPECT_EQ(out.GetByte(0, 0), 9);
  EXPECT_EQ(out.GetByte(5, 0), 0);  // the RGB tile was skipped
  EXPECT_EQ(out.GetByte(0, 4), 9);

  EXPECT_EQ(MosaicImages({}, 2, 2, &out, kMosaicGrid, 0, 0, nullptr), 0);
  EXPECT_EQ(MosaicImages({dir.file("missing.tif")}, 1, 1, &out, kMosaicGrid, 0, 0, nullptr), 0);
}

// Four tiles cut from one picture with overlaps and small shifts: matching
// their strips puts every tile back where it was cut.
TEST(MosaicImages, MatchedModeFindsEachTilesPlace) {
  qzntest::TempDir dir;
  CRasterImage picture;
  Texture(picture, 620, 440, 9);
  struct Place {
    int x, y;
  };
  const Place places[4] = {{0, 0}, {282, 5}, {3, 191}, {290, 196}};
  std::vector<std::string> files;
  for (int k = 0; k < 4; ++k) {
    CRasterImage tile;
    Cut(picture, places[k].x, places[k].y, 320, 230, tile);
    files.push_back(Save(dir, "m" + std::to_string(k) + ".tif", tile));
  }
  CRasterImage out;
  ASSERT_EQ(MosaicImages(files, 2, 2, &out, kMosaicMatched, 0.25, 0.25, nullptr), 1);
  ASSERT_EQ(out.width, 640);
  ASSERT_EQ(out.height, 460);
  // Inside each tile the output is the picture, away from the smoothed top
  // row and left column of every pasted tile.
  auto onSeam = [&](int x, int y) {
    for (int j = 1; j < 4; ++j)
      if (x == places[j].x || y == places[j].y) return true;
    return false;
  };
  for (int k = 1; k < 4; ++k) {
    int wrong = 0;
    for (int y = places[k].y; y < places[k].y + 230; ++y)
      for (int x = places[k].x; x < places[k].x + 320; ++x)
        if (!onSeam(x, y)) wrong += out.GetByte(x, y) != picture.GetByte(x, y);
    EXPECT_EQ(wrong, 0) << "tile " << k;
  }
}

TEST(PasteImageRegion, ColourResultGetsItsDisplayPalette) {
  CRasterImage image, source;
  Make8(image, 4, 4, 1, 1, imgtest::Random(16, 1));
  Make8(source, 2, 2, 3, 2, imgtest::Random(12, 2));
  ASSERT_EQ(PasteImageRegion(&image, source, RECT{1, 1, 3, 3}, 1), 1);
  EXPECT_EQ(image.planes, 3);
  EXPECT_TRUE(image.HasPalette());
  EXPECT_NE(image.colorCache, nullptr);
  EXPECT_EQ(image.GetPlaneByte(2, 2, 1), source.GetPlaneByte(1, 1, 1));
  CRasterImage classified;
  Make8(classified, 2, 2, 1, 5, {0, 1, 2, 3});
  EXPECT_EQ(PasteImageRegion(&image, classified, RECT{0, 0, 2, 2}, 0), 0);
}

// ---- colour composition ----

struct BandFiles {
  qzntest::TempDir dir;
  std::string red, green, blue;
  CRasterImage r, g, b;
  BandFiles() {
    Make8(r, 6, 4, 1, 1, imgtest::Random(24, 31, 20, 200));
    Make8(g, 3, 2, 1, 1, imgtest::Random(6, 32, 50, 90));  // half the size
    Make8(b, 6, 4, 1, 0, imgtest::Random(24, 33));         // stored white-is-zero
    red = Save(dir, "r.tif", r);
    green = Save(dir, "g.tif", g);
    blue = Save(dir, "b.tif", b);
  }
};

TEST(ComposeRgbImage, BandsToPlanes) {
  BandFiles f;
  CRasterImage out;
  ASSERT_EQ(ComposeRgbImage(&out, "", f.green, ""), 1);
  EXPECT_EQ(out.width, 3);
  EXPECT_EQ(out.planes, 3);
  EXPECT_EQ(out.photometric, 2);
  EXPECT_TRUE(out.HasPalette());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(out.GetPlaneByte(x, y, 0), 0);
      EXPECT_EQ(out.GetPlaneByte(x, y, 1), f.g.GetByte(x, y));
      EXPECT_EQ(out.GetPlaneByte(x, y, 2), 0);
    }
  ASSERT_EQ(ComposeRgbImage(&out, f.red, f.green, f.blue), 1);
  EXPECT_EQ(out.width, 6);
  EXPECT_EQ(out.GetPlaneByte(5, 3, 0), f.r.GetByte(5, 3));
  EXPECT_EQ(out.GetPlaneByte(5, 3, 1), f.g.GetByte(2, 1));        // sampled at the proportional place
  EXPECT_EQ(out.GetPlaneByte(5, 3, 2), 255 - f.b.GetByte(5, 3));  // as brightness
}

TEST(ComposeRgbImage, Failures) {
  BandFiles f;
  CRasterImage bits;
  imgtest::MakeBits(bits, {"#."});
  const std::string bilevel = Save(f.dir, "bits.tif", bits);
  const std::string missing = f.dir.file("none.tif");
  struct Case {
    const char* name;
    std::string r, g, b;
    int result;
    std::vector<std::string> messages;
  };
  const std::vector<Case> cases = {
      {"no band", "", "", "", 0, {"错误, 没有图像源可用。"}},
      {"red unreadable", missing, f.green, "", 1, {"读取红色源象出错。"}},
      {"blue unreadable", f.red, "", missing, 0, {"读取蓝色源象出错。"}},
      {"bilevel band", f.red, bilevel, "", 0, {"错误: 图像类型不匹配。"}},
  };
  for (const Case& c : cases) {
    CScriptedHost host;
    CHostScope scope(&host);
    CRasterImage out;
    Make8(out, 2, 2, 1, 1, {1, 2, 3, 4});
    EXPECT_EQ(ComposeRgbImage(&out, c.r, c.g, c.b), c.result) << c.name;
    // (A file that cannot be read is also reported by the reader.)
    std::vector<std::string> texts;
    for (const auto& m : host.messages)
      if (m.text.rfind("错误", 0) == 0 || m.text.rfind("读取", 0) == 0) texts.push_back(m.text);
    EXPECT_EQ(texts, c.messages) << c.name;
    if (!c.result) {
      EXPECT_EQ(Bytes(out), (std::vector<std::uint8_t>{1, 2, 3, 4})) << c.name;
    }
  }
}

TEST(ComposeRgbFromFiles, AgreesWithNumpyAndClamps) {
  QZN_REQUIRE_PY("numpy");
  BandFiles f;
  CRasterImage image;
  auto doc = imgtest::Random(24, 34);
  doc[0] = 255;  // brighter than its bands' intensity
  Make8(image, 6, 4, 1, 1, doc);
  ASSERT_EQ(ComposeRgbFromFiles(&image, f.red, f.green, f.blue), 1);
  EXPECT_EQ(image.planes, 3);
  EXPECT_EQ(image.photometric, 2);
  std::vector<std::uint8_t> input = doc;
  for (const CRasterImage* b : {&f.r, &f.g, &f.b}) {
    auto bytes = Bytes(*b);
    if (b->photometric == 0)
      for (auto& v : bytes) v = static_cast<std::uint8_t>(255 - v);
    input.insert(input.end(), bytes.begin(), bytes.end());
  }
  const auto expected = imgtest::RunPy(
      "d = np.fromfile(IN, np.uint8).astype(np.int64)\n"
      "doc = d[:24].reshape(4, 6)\n"
      "r = d[24:48].reshape(4, 6); g = d[48:54].reshape(2, 3); b = d[54:78].reshape(4, 6)\n"
      "ys, xs = np.mgrid[0:4, 0:6]\n"
      "def band(a):\n"
      "    v = a[ys * a.shape[0] // 4, xs * a.shape[1] // 6]\n"
      "    lo, rng = a.min(), max(a.max() - a.min(), 1)\n"
      "    return ((v - lo) * 255 // rng).astype(float)\n"
      "s = [band(r), band(g), band(b)]\n"
      "i = 0.299 * s[0] + 0.587 * s[1] + 0.114 * s[2]\n"
      "safe = np.where(i > 0, i, 1)\n"
      "out = [np.where(i > 0, np.minimum(np.trunc(c * (doc / safe)), 255), 0) for c in s]\n"
      "np.array(out, dtype=np.uint8).tofile(OUT)",
      input);
  ASSERT_EQ(expected.size(), 72u);
  const auto got = Bytes(image);
  int off = 0;
  for (std::size_t i = 0; i < 72; ++i) off += std::abs(got[i] - expected[i]) > 1;
  EXPECT_EQ(off, 0);

  CScriptedHost host;
  CHostScope scope(&host);
  EXPECT_EQ(ComposeRgbFromFiles(&image, f.red, f.green, f.blue), 0);  // now RGB, not grey
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "错误: 图像类型不匹配。");
}

// ---- vectors to a bitmap ----

TEST(RenderImageToDib, SizesDrawsAndReports) {
  QZN_REQUIRE_PY("PIL");
  qzntest::TempDir dir;
  CChainList lines;
  CChain* c = lines.NewChain();
  ASSERT_NE(c, nullptr);
  c->m_color = RGB(255, 0, 0);
  c->AddPoint(10, 25);
  c->AddPoint(90, 25);
  const std::string bmp = dir.file("v.bmp");
  ASSERT_EQ(RenderImageToDib(bmp, 0, nullptr, RECT{0, 0, 100, 50}, &lines, nullptr, nullptr), 1);
  std::string out;
  ASSERT_EQ(
      qzntest::RunCommand(qzntest::Python() + " -c \"from PIL import Image; im = Image.open('" + bmp +
                              "').convert('RGB'); print(im.size, im.getpixel((400, 200)), im.getpixel((400, 100)))\"",
                          &out),
      0);
  EXPECT_EQ(out, "(800, 400) (255, 0, 0) (255, 255, 255)\n");

  CRasterImage image;
  Make8(image, 300, 270, 1, 1, std::vector<std::uint8_t>(300 * 270, 77));
  const std::string withImage = dir.file("i.bmp");
  out.clear();
  ASSERT_EQ(RenderImageToDib(withImage, 1, &image, RECT{0, 0, 300, 270}, nullptr, nullptr, nullptr), 1);
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() + " -c \"from PIL import Image; im = Image.open('" + withImage +
                                    "').convert('RGB'); print(im.size, im.getpixel((150, 135)))\"",
                                &out),
            0);
  EXPECT_EQ(out, "(300, 270) (77, 77, 77)\n");

  CScriptedHost host;
  CHostScope scope(&host);
  EXPECT_EQ(RenderImageToDib("x", 0, nullptr, RECT{0, 0, 100, 50}, &lines, nullptr, nullptr), 0);
  EXPECT_EQ(RenderImageToDib(dir.file("e.bmp"), 0, nullptr, RECT{5, 5, 5, 40}, &lines, nullptr, nullptr), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("e.bmp")));
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(RenderImageToDib(dir.file("no/such/dir/v.bmp"), 0, nullptr, RECT{0, 0, 100, 50}, &lines, nullptr, nullptr),
            0);
  EXPECT_EQ(host.messages.size(), 1u);  // the failed save is shown
}

}  // namespace
