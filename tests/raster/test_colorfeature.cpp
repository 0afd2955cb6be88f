// Colour classes: matching bounds, classification of RGB images, the tagged
// archive layout and ".clf" files.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/archive.h"
#include "raster/colorfeature.h"
#include "raster/rasterimage.h"
#include "tests/support/testutil.h"
#include "tests/raster/test_filters_util.h"

using namespace qzn;

using pixfix::GreyOf;
using pixfix::MakeImage;

namespace {

std::unique_ptr<CRasterImage> RgbRow(const std::vector<std::array<int, 3>>& colours) {
  auto img = MakeImage(static_cast<int>(colours.size()), 1, 8, 2, 3);
  for (std::size_t x = 0; x < colours.size(); ++x)
    for (int k = 0; k < 3; ++k) img->SetPlaneByte(static_cast<int>(x), 0, k, static_cast<BYTE>(colours[x][k]));
  return img;
}

CColorFeatureArray TwoFeatures() {
  CColorFeatureArray a;
  a.Add(CColorFeature{1.5f, 0.25f, 2.0f, 0.0f, 3.0f, 1.0f});
  a.Add(CColorFeature{100.0f, 10.0f, 50.0f, 5.0f, 25.0f, 2.5f});
  return a;
}

}  // namespace

TEST(ColorFeature, ChannelBoundsTruncateTowardZero) {
  struct Case {
    float mean, sd;
    int low, high;
  };
  const Case cases[] = {
      {10.0f, 0.0f, 9, 10},  // (int)9.5, (int)10.5
      {0.0f, 1.0f, -2, 2},   // (int)-2.5 = -2
      {100.0f, 10.0f, 79, 120},
      {254.0f, 3.0f, 247, 260},
  };
  for (const Case& c : cases) {
    const CChannelRange r = ChannelRange(c.mean, c.sd);
    EXPECT_EQ(r.low, c.low) << c.mean << " " << c.sd;
    EXPECT_EQ(r.high, c.high) << c.mean << " " << c.sd;
  }
  const CChannelRange bad = ChannelRange(std::numeric_limits<float>::quiet_NaN(), 1.0f);
  EXPECT_GT(bad.low, bad.high);
  EXPECT_TRUE(MatchesColorFeature(CColorFeature{10, 0, 0, 1, 255, 0}, 9, 0, 255));
  EXPECT_FALSE(MatchesColorFeature(CColorFeature{10, 0, 0, 1, 255, 0}, 11, 0, 255));
}

TEST(ColorFeature, ClassifyMarksPixelsThatMatchAnyFeature) {
  auto img = RgbRow({{10, 20, 30}, {9, 20, 30}, {11, 20, 30}, {100, 50, 25}, {121, 50, 25}, {1, 1, 1}});
  CColorFeatureArray a;
  a.Add(CColorFeature{10.0f, 0.0f, 20.0f, 0.0f, 30.0f, 0.0f});
  a.Add(CColorFeature{100.0f, 10.0f, 50.0f, 0.0f, 25.0f, 0.0f});
  // Columns 0..4 (inclusive); column 5 keeps its red value.
  ASSERT_EQ(ClassifyByColorFeatures(*img, RECT{0, 0, 4, 0}, a), 1);
  EXPECT_EQ(GreyOf(*img, 0)[0], (std::vector<int>{1, 1, 0, 1, 0, 1}));
  EXPECT_EQ(GreyOf(*img, 1)[0], (std::vector<int>{20, 20, 20, 50, 50, 1}));
  EXPECT_EQ(GreyOf(*img, 2)[0], (std::vector<int>{30, 30, 30, 25, 25, 1}));
}

TEST(ColorFeature, ManyFeaturesAndAnEmptyArray) {
  // Seventy features, only the last of which matches: the bit tables carry
  // more than one word per value.
  CColorFeatureArray many;
  for (int i = 0; i < 69; ++i) many.Add(CColorFeature{200.0f, 0.0f, 200.0f, 0.0f, 200.0f, 0.0f});
  many.Add(CColorFeature{40.0f, 0.0f, 41.0f, 0.0f, 42.0f, 0.0f});
  auto img = RgbRow({{40, 41, 42}, {40, 41, 43}});
  ASSERT_EQ(ClassifyByColorFeatures(*img, RECT{0, 0, 1, 0}, many), 1);
  EXPECT_EQ(GreyOf(*img, 0)[0], (std::vector<int>{1, 0}));

  // No feature at all clears the whole first plane, not only the rectangle.
  auto big = MakeImage(4, 3, 8, 2, 3);
  std::memset(big->pixels, 77, static_cast<std::size_t>(big->GetImageBytes()));
  ASSERT_EQ(ClassifyByColorFeatures(*big, RECT{1, 1, 1, 1}, CColorFeatureArray{}), 1);
  EXPECT_EQ(GreyOf(*big, 0), (std::vector<std::vector<int>>(3, std::vector<int>(4, 0))));
  EXPECT_EQ(GreyOf(*big, 2)[2][3], 77);

  auto grey = MakeImage(4, 3, 8, 1);
  EXPECT_EQ(ClassifyByColorFeatures(*grey, RECT{0, 0, 3, 2}, many), 0);
}

TEST(ColorFeature, TaggedArchiveLayout) {
  CColorFeatureArray a = TwoFeatures();
  CArchive out;
  a.SerializeTagged(out);
  const std::vector<std::uint8_t>& bytes = out.GetBuffer();
  ASSERT_EQ(bytes.size(), 4u + 2u + 48u);
  EXPECT_EQ(qzntest::Hex({bytes.begin(), bytes.begin() + 6}), "e8 03 00 00 02 00");
  // 1.5f = 0x3FC00000, little-endian.
  EXPECT_EQ(qzntest::Hex({bytes.begin() + 6, bytes.begin() + 10}), "00 00 c0 3f");

  CArchive in(bytes);
  CColorFeatureArray b;
  b.SerializeTagged(in);
  ASSERT_EQ(b.GetSize(), 2);
  EXPECT_EQ(b.GetAt(0), a.GetAt(0));
  EXPECT_EQ(b.GetAt(1), a.GetAt(1));
}

TEST(ColorFeature, OtherTagsAndDamagedArchivesLeaveTheArrayAlone) {
  CColorFeatureArray keep = TwoFeatures();
  CArchive other(qzntest::FromHex("e7 03 00 00 01 00"));
  keep.SerializeTagged(other);
  EXPECT_EQ(keep.GetSize(), 2);

  // The count promises three features but the archive ends after one.
  std::vector<std::uint8_t> cut = qzntest::FromHex("e8 03 00 00 03 00");
  cut.resize(cut.size() + 24, 0);
  CArchive damaged(cut);
  EXPECT_THROW(keep.SerializeTagged(damaged), CArchiveException);
  EXPECT_EQ(keep.GetSize(), 2);
  EXPECT_EQ(keep.GetAt(1), TwoFeatures().GetAt(1));
}

TEST(ColorFeature, ClfFilesRoundTripAndAreWrittenAsText) {
  qzntest::TempDir dir;
  const std::string path = dir.file("classes.clf");
  const CColorFeatureArray a = TwoFeatures();
  ASSERT_EQ(a.WriteFile(path), 1);
  EXPECT_EQ(qzntest::ReadFileText(path),
            "#QZN COLOR FEATURE FILE\r\n"
            "1.500000 0.250000 2.000000 0.000000 3.000000 1.000000\r\n"
            "100.000000 10.000000 50.000000 5.000000 25.000000 2.500000\r\n");
  CColorFeatureArray b;
  ASSERT_EQ(b.ReadFile(path), 1);
  ASSERT_EQ(b.GetSize(), 2);
  EXPECT_EQ(b.GetAt(0), a.GetAt(0));
  EXPECT_EQ(b.GetAt(1), a.GetAt(1));
}

TEST(ColorFeature, ClfReadingAcceptsVariantsAndRejectsOtherFiles) {
  qzntest::TempDir dir;
  struct Case {
    const char* text;
    int result;
    std::int64_t size;  // -1: the array keeps its two features
  };
  const Case cases[] = {
      {"#QZN COLOR classes of sheet 12\n1 2 3 4 5 6\n\nnot a feature\n7 8 9\n10 11 12 13 14 15", 1, 2},
      {"#QZN COLOR FEATURE FILE\r\n", 1, 0},
      {"#QZN COLOUR\n1 2 3 4 5 6\n", 0, -1},
      {"1 2 3 4 5 6\n", 0, -1},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file("f.clf");
    qzntest::WriteFileText(path, c.text);
    CColorFeatureArray a = TwoFeatures();
    EXPECT_EQ(a.ReadFile(path), c.result) << c.text;
    EXPECT_EQ(a.GetSize(), c.size < 0 ? 2 : c.size) << c.text;
  }
  CColorFeatureArray a = TwoFeatures();
  EXPECT_EQ(a.ReadFile(dir.file("missing.clf")), 0);
  EXPECT_EQ(a.GetSize(), 2);
  const std::string path = dir.file("g.clf");
  qzntest::WriteFileText(path, "#QZN COLOR\n1 2 3 4 5 6\n10 11 12 13 14 15\n");
  ASSERT_EQ(a.ReadFile(path), 1);
  EXPECT_EQ(a.GetAt(1), (CColorFeature{10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(a.WriteFile(dir.file("no/such/dir/x.clf")), 0);
}
