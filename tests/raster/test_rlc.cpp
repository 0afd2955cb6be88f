// RLC run files and raw images with a text header.
#include "raster/rlcraw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "platform/host.h"
#include "raster/imagefile.h"
#include "raster/rasterimage.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using Bytes = std::vector<std::uint8_t>;

// rows, cols, then per row its (start, end) pairs.
Bytes MakeRlc(int rows, int cols, const std::vector<std::vector<std::pair<int, int>>>& runs) {
  Bytes b;
  auto word = [&](int v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
  };
  word(rows);
  word(cols);
  for (const auto& row : runs) {
    word(static_cast<int>(row.size()));
    for (auto [s, e] : row) {
      word(s);
      word(e);
    }
  }
  return b;
}

int ReadRlc(const Bytes& file, CRasterImage& img) {
  qzntest::TempDir dir;
  qzntest::WriteFileBytes(dir.file("t.rlc"), file);
  return ReadRlcImage(dir.file("t.rlc"), img);
}

TEST(RlcRead, RunsCountFromTheRightEdge) {
  CRasterImage img;
  ASSERT_EQ(ReadRlc(MakeRlc(3, 8, {{{2, 5}}, {}, {}}), img), 1);
  EXPECT_EQ(img.width, 8);
  EXPECT_EQ(img.height, 3);
  EXPECT_EQ(img.bitsPerSample, 1);
  EXPECT_EQ(img.photometric, 0);
  EXPECT_EQ(img.GetRow(0)[0], 0x1C);
  EXPECT_EQ(img.GetRow(1)[0], 0);
  EXPECT_EQ(img.GetRow(2)[0], 0);

  ASSERT_EQ(ReadRlc(MakeRlc(2, 8, {{}, {}}), img), 1);
  EXPECT_EQ(img.GetRow(0)[0] | img.GetRow(1)[0], 0);

  // After the first row with runs an end word may reach the left edge.
  ASSERT_EQ(ReadRlc(MakeRlc(2, 8, {{{0, 1}}, {{0, 8}}}), img), 1);
  EXPECT_EQ(img.GetRow(0)[0], 0x01);
  EXPECT_EQ(img.GetRow(1)[0], 0xFF);
}

TEST(RlcRead, ManyRunsAgreeWithThePixelRule) {
  // Wide rows with many runs, checked pixel by pixel against the rule: the
  // pixel in column x is set when start <= width - 1 - x < end.
  std::mt19937 rng(5);
  const int rows = 40, cols = 1237;
  std::vector<std::vector<std::pair<int, int>>> runs(rows);
  runs[0] = {{0, 3}};
  for (int y = 1; y < rows; ++y) {
    int at = 0;
    while (true) {
      const int s = at + static_cast<int>(rng() % 30);
      const int e = s + static_cast<int>(rng() % 30);
      if (e > cols) break;
      runs[y].push_back({s, e});
      at = e;  // touching runs are allowed
    }
  }
  CRasterImage img;
  ASSERT_EQ(ReadRlc(MakeRlc(rows, cols, runs), img), 1);
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < cols; ++x) {
      const int c = cols - 1 - x;
      bool set = false;
      for (auto [s, e] : runs[y]) set |= s <= c && c < e;
      ASSERT_EQ(img.GetBit(x, y), set ? 1 : 0) << x << "," << y;
    }
  EXPECT_EQ(img.GetRow(0)[img.GetRowBytes() - 1] & 0x07, 0);  // padding bits clear
}

TEST(RlcRead, RefusesBadFilesAndKeepsTheRecord) {
  Bytes truncated = MakeRlc(2, 8, {{{1, 2}}, {{1, 3}}});
  truncated.resize(truncated.size() - 1);
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"no rows", MakeRlc(0, 8, {})},
      {"no columns", MakeRlc(1, 0, {{}})},
      {"first run word equals the width", MakeRlc(1, 8, {{{2, 8}}})},
      {"later word beyond the width", MakeRlc(2, 8, {{{1, 2}}, {{1, 9}}})},
      {"words descending", MakeRlc(2, 8, {{{1, 2}}, {{4, 3}}})},
      {"runs out of order", MakeRlc(2, 8, {{{1, 2}}, {{4, 6}, {2, 3}}})},
      {"more runs than columns", MakeRlc(1, 2, {{{0, 0}, {0, 0}, {0, 1}}})},
      {"truncated row", truncated},
      {"header only", Bytes{0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CRasterImage img;
    img.width = 4;
    img.height = 1;
    ASSERT_EQ(img.AllocPixels(), 1);
    std::memset(img.pixels, 7, 4);
    EXPECT_EQ(ReadRlc(c.file, img), 0);
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(img.pixels[3], 7);
  }
}

class RawImage : public ::testing::Test {
 protected:
  qzntest::TempDir dir;
  CScriptedHost host;
  CHostScope scope{&host};

  std::string Header(const std::string& text) {
    qzntest::WriteFileText(dir.file("img.hdr"), text);
    return dir.file("img.hdr");
  }
  void Data(const Bytes& bytes) { qzntest::WriteFileBytes(dir.file("img.raw"), bytes); }
};

Bytes Counting(std::size_t n, int from = 0) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(from + i);
  return b;
}

TEST_F(RawImage, WindowsHeaderWithCrlfAndBackslashPath) {
  Data(Counting(3 + 8));
  const std::string hdr =
      Header("FILENAME C:\\scans\\maps\\img.raw\r\nCOLS 4\r\nROWS 2\r\nPLANES 1\r\nBITSPERPIXEL 8\r\nSKIPBYTES 3\r\n");
  CRasterImage img;
  ASSERT_EQ(ReadImageFile(hdr, img), 1);  // "FI" selects the raw reader
  EXPECT_EQ(img.width, 4);
  EXPECT_EQ(img.height, 2);
  EXPECT_EQ(img.photometric, 1);
  EXPECT_EQ(img.GetByte(0, 0), 3);
  EXPECT_EQ(img.GetByte(3, 1), 10);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(RawImage, ColourPlanesAndSkipFromTheEnd) {
  Data(Counting(100 + 3 * 2 * 3));
  const std::string hdr =
      Header("FILENAME " + dir.file("img.raw") + "\nCOLS 3\nROWS 2\nPLANES 3\nBITSPERPIXEL 8\nCOLOR\nSKIPBYTES -1\n");
  CRasterImage img;
  ASSERT_EQ(ReadRawImage(hdr, img), 1);
  EXPECT_EQ(img.planes, 3);
  EXPECT_EQ(img.photometric, 2);
  EXPECT_EQ(img.GetPlaneByte(0, 0, 0), 100);
  EXPECT_EQ(img.GetPlaneByte(0, 0, 1), 106);
  EXPECT_EQ(img.GetPlaneByte(2, 1, 2), 117);

  // COLOR on one plane is still grey.
  const std::string grey =
      Header("FILENAME " + dir.file("img.raw") + "\nCOLS 3\nROWS 2\nPLANES 1\nBITSPERPIXEL 8\nCOLOR\nSKIPBYTES 0\n");
  ASSERT_EQ(ReadRawImage(grey, img), 1);
  EXPECT_EQ(img.photometric, 1);
}

TEST_F(RawImage, BilevelRowsArePacked) {
  Data({0xFF, 0xC0, 0x80, 0x40});
  const std::string hdr =
      Header("FILENAME img.raw\nCOLS 10\nROWS 2\nPLANES 1\nBITSPERPIXEL 1\nMINISBLACK\nSKIPBYTES 0\n");
  // A relative FILENAME is taken as it stands, from the working directory.
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  CRasterImage img;
  const int rc = ReadRawImage(hdr, img);
  std::filesystem::current_path(previous);
  ASSERT_EQ(rc, 1);
  EXPECT_EQ(img.bitsPerSample, 1);
  EXPECT_EQ(img.GetBit(9, 0), 1);
  EXPECT_EQ(img.GetBit(0, 1), 1);
  EXPECT_EQ(img.GetBit(1, 1), 0);
}

TEST_F(RawImage, RefusesBadHeadersAndShortData) {
  Data(Counting(12));
  const std::string name = "FILENAME " + dir.file("img.raw") + "\n";
  struct Case {
    const char* name;
    std::string header;
    const char* message;  // null: none
  } cases[] = {
      {"data shorter than the image", name + "COLS 4\nROWS 4\nPLANES 1\nBITSPERPIXEL 8\nSKIPBYTES 0\n",
       "读取图像失败: 文件大小和图像大小不相匹配。"},
      {"skip past the data", name + "COLS 4\nROWS 2\nPLANES 1\nBITSPERPIXEL 8\nSKIPBYTES 5\n",
       "读取图像失败: 文件大小和图像大小不相匹配。"},
      {"skip beyond any file", name + "COLS 4\nROWS 2\nPLANES 1\nBITSPERPIXEL 8\nSKIPBYTES 9223372036854775807\n",
       "读取图像失败: 文件大小和图像大小不相匹配。"},
      {"data shorter, skip -1", name + "COLS 4\nROWS 4\nPLANES 1\nBITSPERPIXEL 8\nSKIPBYTES -1\n",
       "读取图像失败: 文件大小和图像大小不相匹配。"},
      {"huge size", name + "COLS 2000000000\nROWS 2000000000\nPLANES 3\nBITSPERPIXEL 16\nSKIPBYTES 0\n", nullptr},
      {"two planes", name + "COLS 2\nROWS 2\nPLANES 2\nBITSPERPIXEL 8\nSKIPBYTES 0\n", nullptr},
      {"4 bits", name + "COLS 2\nROWS 2\nPLANES 1\nBITSPERPIXEL 4\nSKIPBYTES 0\n", nullptr},
      {"bilevel colour", name + "COLS 2\nROWS 2\nPLANES 3\nBITSPERPIXEL 1\nSKIPBYTES 0\n", nullptr},
      {"no rows", name + "COLS 2\nPLANES 1\nBITSPERPIXEL 8\nSKIPBYTES 0\n", nullptr},
      {"negative columns", name + "COLS -2\nROWS 2\nPLANES 1\nBITSPERPIXEL 8\n", nullptr},
      {"no file name", "COLS 2\nROWS 2\nPLANES 1\nBITSPERPIXEL 8\n", nullptr},
      {"data file nowhere", "FILENAME /no/such/place.raw\nCOLS 2\nROWS 2\nPLANES 1\nBITSPERPIXEL 8\n", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host.messages.clear();
    CRasterImage img;
    img.width = 1;
    img.height = 1;
    ASSERT_EQ(img.AllocPixels(), 1);
    img.pixels[0] = 5;
    EXPECT_EQ(ReadRawImage(Header(c.header), img), 0);
    EXPECT_EQ(img.pixels[0], 5);
    if (c.message) {
      ASSERT_EQ(host.messages.size(), 1u);
      EXPECT_EQ(host.messages[0].text, c.message);
    } else {
      EXPECT_TRUE(host.messages.empty());
    }
  }
  // A missing SKIPBYTES means 0.
  CRasterImage img;
  ASSERT_EQ(ReadRawImage(Header(name + "COLS 4\nROWS 3\nPLANES 1\nBITSPERPIXEL 8\n"), img), 1);
  EXPECT_EQ(img.GetByte(3, 2), 11);
}

}  // namespace
