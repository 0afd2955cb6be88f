// The profile store: values survive a reopen, binary values as base64,
// damaged files and values fail softly.
#include <fstream>

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "tests/support/testutil.h"

using namespace qzn;
using qzntest::TempDir;

TEST(Profile, ValuesSurviveReopening) {
  TempDir dir;
  const std::string path = dir.file("cfg/qzn.ini");
  {
    CProfileStore p(path);
    EXPECT_TRUE(p.WriteString("Recent File List", "File1", "/扫描/地图 1.tif"));
    EXPECT_TRUE(p.WriteString("QZN", "LastSavedVector", "a\\b\nc= d"));
    EXPECT_TRUE(p.WriteInt("Settings", "Width", -42));
    EXPECT_TRUE(p.WriteBinary("Settings", "Keyboard", {0, 1, 2, 0xFF, 0x80}));
  }
  CProfileStore p(path);
  EXPECT_EQ(p.GetString("Recent File List", "File1"), "/扫描/地图 1.tif");
  EXPECT_EQ(p.GetString("QZN", "LastSavedVector"), "a\\b\nc= d");
  EXPECT_EQ(p.GetInt("Settings", "Width", 0), -42);
  std::vector<std::uint8_t> bin;
  ASSERT_TRUE(p.GetBinary("Settings", "Keyboard", bin));
  EXPECT_EQ(bin, (std::vector<std::uint8_t>{0, 1, 2, 0xFF, 0x80}));
  EXPECT_EQ(p.GetString("QZN", "missing", "fallback"), "fallback");
}

TEST(Profile, Base64RoundTripsAndRefusesGarbage) {
  for (std::size_t n = 0; n < 8; ++n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 77 + 3);
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(Base64Decode(Base64Encode(v), back));
    EXPECT_EQ(back, v);
  }
  EXPECT_EQ(Base64Encode({'M', 'a'}), "TWE=");
  std::vector<std::uint8_t> out{9};
  for (const char* bad : {"TWE", "T=E=", "TW!=", "====", "TWE=TWE="}) {
    EXPECT_FALSE(Base64Decode(bad, out)) << bad;
    EXPECT_EQ(out, std::vector<std::uint8_t>{9});
  }
}

TEST(Profile, DamagedLinesAreSkippedAndTheFolderFollowsXdg) {
  TempDir dir;
  const std::string path = dir.file("qzn.ini");
  std::ofstream(path) << "garbage line\n[QZN]\n=no key\nLastSavedVector=x.dxf\nCount=12abc\n[unclosed\n";
  CProfileStore p(path);
  EXPECT_EQ(p.GetString("QZN", "LastSavedVector"), "x.dxf");
  EXPECT_EQ(p.GetInt("QZN", "Count", 7), 7);
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  EXPECT_EQ(CProfileStore::DefaultPath(), dir.file("qzn/qzn.ini"));
  setenv("XDG_CONFIG_HOME", "relative/not/allowed", 1);
  EXPECT_NE(CProfileStore::DefaultPath().rfind("relative", 0), 0u);
  unsetenv("XDG_CONFIG_HOME");
}
