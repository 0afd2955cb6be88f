// The GIF reader on hand-made code streams: damaged data, codes the table
// cannot have, and the kinds of image a colour table gives. (Files made by
// Pillow and by a reference encoder are in the fixture table.)
#include "raster/gifread.h"

#include <gtest/gtest.h>

#include <cstring>

#include "raster/rasterimage.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Packs codes (value, bit width) least significant bit first into data
// sub-blocks ending with the empty one.
Bytes PackCodes(const std::vector<std::pair<int, int>>& codes) {
  Bytes data;
  std::uint32_t acc = 0;
  int bits = 0;
  for (auto [code, width] : codes) {
    acc |= static_cast<std::uint32_t>(code) << bits;
    bits += width;
    while (bits >= 8) {
      data.push_back(static_cast<std::uint8_t>(acc));
      acc >>= 8;
      bits -= 8;
    }
  }
  if (bits) data.push_back(static_cast<std::uint8_t>(acc));
  Bytes blocks;
  for (std::size_t i = 0; i < data.size(); i += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - i);
    blocks.push_back(static_cast<std::uint8_t>(n));
    blocks.insert(blocks.end(), data.begin() + static_cast<long>(i), data.begin() + static_cast<long>(i + n));
  }
  blocks.push_back(0);
  return blocks;
}

struct GifLayout {
  int width = 3, height = 1;
  int globalBits = 2;  // 0: no global table
  int localBits = 0;   // 0: no local table
  int minCode = 2;
  std::vector<std::pair<int, int>> codes;
  const char* signature = "GIF89a";
  bool trailerFirst = false;
};

// Global entry i is (i * 40, i * 40, i * 40); local entry i is (200 - i, i, 7).
Bytes MakeGif(const GifLayout& s) {
  Bytes b(s.signature, s.signature + 6);
  b.insert(b.end(), {static_cast<std::uint8_t>(s.width), 0, static_cast<std::uint8_t>(s.height), 0});
  b.push_back(s.globalBits ? static_cast<std::uint8_t>(0x80 | (s.globalBits - 1)) : 0);
  b.insert(b.end(), {0, 0});
  for (int i = 0; s.globalBits && i < (1 << s.globalBits); ++i) b.insert(b.end(), 3, static_cast<std::uint8_t>(i * 40));
  if (s.trailerFirst) b.push_back(';');
  b.insert(b.end(), {'!', 0xF9, 4, 0, 0, 0, 0, 0});  // a graphic control extension
  b.insert(b.end(), {',', 0, 0, 0, 0, static_cast<std::uint8_t>(s.width), 0, static_cast<std::uint8_t>(s.height), 0});
  b.push_back(s.localBits ? static_cast<std::uint8_t>(0x80 | (s.localBits - 1)) : 0);
  for (int i = 0; s.localBits && i < (1 << s.localBits); ++i)
    b.insert(b.end(), {static_cast<std::uint8_t>(200 - i), static_cast<std::uint8_t>(i), 7});
  b.push_back(static_cast<std::uint8_t>(s.minCode));
  const Bytes data = PackCodes(s.codes);
  b.insert(b.end(), data.begin(), data.end());
  b.push_back(';');
  return b;
}

int Read(const Bytes& file, CRasterImage& img) {
  qzntest::TempDir dir;
  qzntest::WriteFileBytes(dir.file("t.gif"), file);
  return ReadGIF(dir.file("t.gif"), img);
}

// clear 4, end 5, codes of 3 bits until entry 7 is added.
const std::vector<std::pair<int, int>> kGood = {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 4}};

TEST(GifRead, DecodesAValidStream) {
  GifLayout s;
  s.codes = kGood;
  CRasterImage img;
  ASSERT_EQ(Read(MakeGif(s), img), 1);
  EXPECT_EQ(img.bitsPerSample, 8);
  EXPECT_EQ(img.photometric, 3);
  EXPECT_EQ(img.GetByte(0, 0), 1);
  EXPECT_EQ(img.GetByte(1, 0), 2);
  EXPECT_EQ(img.GetByte(2, 0), 3);
  EXPECT_EQ(img.red[2], 80);

  // All pixels are there even without the end code: the image is whole.
  s.codes.pop_back();
  ASSERT_EQ(Read(MakeGif(s), img), 1);
  EXPECT_EQ(img.GetByte(2, 0), 3);
}

TEST(GifRead, KwKwKCodeIsTheOldStringPlusItsFirstByte) {
  GifLayout s;
  s.width = 6;
  // 1, then code 6 (not yet in the table: 1 1), then 6 again (1 1) and 2,
  // the last with 4 bits since the table reached 8 entries.
  s.codes = {{4, 3}, {1, 3}, {6, 3}, {6, 3}, {2, 4}, {5, 4}};
  CRasterImage img;
  ASSERT_EQ(Read(MakeGif(s), img), 1);
  const std::uint8_t expected[6] = {1, 1, 1, 1, 1, 2};
  EXPECT_EQ(std::memcmp(img.pixels, expected, 6), 0);
}

TEST(GifRead, KindsByColourTable) {
  struct Case {
    const char* name;
    int globalBits, localBits, bits, photometric;
  } cases[] = {
      {"global 4 colours", 2, 0, 8, 3},           {"local table applied", 3, 2, 8, 3},
      {"only a local table", 0, 2, 8, 3},         {"no table at all: grey indices", 0, 0, 8, 1},
      {"2 colours, entry 1 lighter", 1, 0, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GifLayout s;
    s.globalBits = c.globalBits;
    s.localBits = c.localBits;
    s.codes = {{4, 3}, {1, 3}, {0, 3}, {1, 3}, {5, 4}};
    CRasterImage img;
    ASSERT_EQ(Read(MakeGif(s), img), 1);
    EXPECT_EQ(img.bitsPerSample, c.bits);
    EXPECT_EQ(img.photometric, c.photometric);
    if (c.localBits) {
      ASSERT_TRUE(img.HasPalette());
      EXPECT_EQ(img.red[1], 199);
      EXPECT_EQ(img.green[1], 1);
    }
    if (c.bits == 1) {
      EXPECT_EQ(img.pixels[0], 0xA0);  // 1 0 1
    }
  }
}

TEST(GifRead, RefusesDamagedStreamsAndKeepsTheRecord) {
  struct Case {
    const char* name;
    GifLayout layout;
  };
  std::vector<Case> cases;
  auto add = [&](const char* name, auto change) {
    GifLayout s;
    s.codes = kGood;
    change(s);
    cases.push_back({name, s});
  };
  add("end code before the last pixel", [](GifLayout& s) { s.width = 4; });
  add("data ends before the last pixel", [](GifLayout& s) { s.codes = {{4, 3}, {1, 3}}; });
  add("code beyond the next free one", [](GifLayout& s) { s.codes = {{4, 3}, {1, 3}, {7, 3}, {5, 3}}; });
  add("table code right after a clear", [](GifLayout& s) { s.codes = {{4, 3}, {6, 3}, {1, 3}, {2, 3}}; });
  add("minimum code size 12", [](GifLayout& s) { s.minCode = 12; });
  add("minimum code size 0", [](GifLayout& s) { s.minCode = 0; });
  add("trailer before any image", [](GifLayout& s) { s.trailerFirst = true; });
  add("bad signature", [](GifLayout& s) { s.signature = "GIF88a"; });
  add("zero width", [](GifLayout& s) { s.width = 0; });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CRasterImage img;
    img.width = 2;
    img.height = 1;
    ASSERT_EQ(img.AllocPixels(), 1);
    img.pixels[0] = img.pixels[1] = 99;
    EXPECT_EQ(Read(MakeGif(c.layout), img), 0);
    EXPECT_EQ(img.width, 2);
    EXPECT_EQ(img.pixels[1], 99);
  }
  GifLayout s;
  s.codes = kGood;
  Bytes file = MakeGif(s);
  CRasterImage img;
  for (std::size_t cut : {std::size_t{5}, std::size_t{12}, std::size_t{20}, file.size() - 6}) {
    SCOPED_TRACE(cut);
    EXPECT_EQ(Read(Bytes(file.begin(), file.begin() + static_cast<long>(cut)), img), 0);
  }
  EXPECT_EQ(img.pixels, nullptr);
}

}  // namespace
