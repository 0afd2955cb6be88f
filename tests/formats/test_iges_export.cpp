// IGES export: checked against the fixed-column layout by a checker written
// from IGES 5.3 (tests/formats/iges_check.py) and loaded by Open CASCADE.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>

#include "formats/igesexport.h"
#include "platform/textfile.h"
#include "tests/formats/export_test_util.h"

namespace {

using namespace qzn;

using exporttest::ExportTest;
using qzn::IgesOutOptions;
using qzn::MapTransform;
using qzn::WriteResult;

constexpr std::time_t kWhen = 1765386129;  // Wednesday 10 December 2025, 17:02:09 UTC

// Local time is UTC for the length of a test, so the dates are fixed.
class IgesTest : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    const char* tz = std::getenv("TZ");
    m_tz = tz ? std::optional<std::string>(tz) : std::nullopt;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (m_tz)
      setenv("TZ", m_tz->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
    ExportTest::TearDown();
  }

  std::string Check(const std::string& path) {
    std::string out;
    const int rc = qzntest::RunCommand(
        qzntest::Python() + " '" + qzntest::SourcePath("tests/formats/iges_check.py") + "' '" + path + "' 2>&1", &out);
    EXPECT_EQ(rc, 0) << out;
    return out;
  }

 private:
  std::optional<std::string> m_tz;
};

TEST(IgesColor, ChannelsFromFiftyUp) {
  const struct {
    COLORREF color;
    int number;
  } cases[] = {{RGB(0, 0, 0), 1},      {RGB(255, 0, 0), 2},   {RGB(0, 255, 0), 3},
               {RGB(0, 0, 255), 4},    {RGB(255, 255, 0), 5}, {RGB(255, 0, 255), 6},
               {RGB(49, 200, 200), 7}, {RGB(50, 50, 50), 8},  {RGB(49, 49, 49), 1}};
  for (const auto& c : cases) EXPECT_EQ(qzn::IgesColorNumber(c.color), c.number) << std::hex << c.color;
}

TEST_F(IgesTest, FileFollowsTheFixedColumnLayout) {
  doc.m_lines.NewChain()->AddPoint(5, 5);  // one vertex: no path, left out
  doc.m_lines.NewChain();                  // none
  ASSERT_EQ(qzn::WriteIgesFile(dir.file("plan.igs"), doc.m_lines, MapTransform::FlippedOver(doc.m_extent), kWhen),
            WriteResult::ok);
  const std::string text = qzntest::ReadFileText(dir.file("plan.igs"));
  // Start and Global sections, as stored (code page 936 bytes). A string
  // runs on over the next record; numbers are never split.
  const std::string start = Utf8ToGbk("IGES 文件由 QZN software 创建。");
  auto record = [](const std::string& data, const char* seq) {
    return data + std::string(72 - data.size(), ' ') + seq;
  };
  EXPECT_EQ(
      text.substr(0, 4 * 81),
      record(start, "S      1\n") +
          record(Utf8ToGbk(",,3HQZN,8Hplan.igs,7HQZN 5.5,53HQZN 5.5 创建 Wednesday, December 10, 202"), "G      1\n") +
          record(Utf8ToGbk("5 在 17:02:09,32,38,6,308,15,,1.0D0,2,2HMM,1,1.0D0,15H20251210.170209,"), "G      2\n") +
          record(".001D0,950.500D0,,,4,0;", "G      3\n"));
  EXPECT_EQ(Check(dir.file("plan.igs")),
            "G 3 D 6 P 10 max 950.500D0\n"
            "1 2 3 10.500,778.750,12.500 200.000,499.000,12.500 400.125,749.000,12.500\n"
            "2 4 5 100.000,699.000,100.000 100.000,399.000,100.000 300.000,399.000,100.000 "
            "300.000,699.000,100.000 100.000,699.000,100.000\n"
            "0 3 2 900.000,99.000,-7.000 950.500,18.250,-7.000\n");
}

TEST_F(IgesTest, GeoreferencedLinesLoadInOpenCascade) {
  QZN_REQUIRE_PROGRAM("occt-draw");
  exporttest::AddControlPoints(doc);
  options.iges = [](IgesOutOptions& o) { o.mode = IgesOutOptions::bilinear; };
  const std::string before = exporttest::Snapshot(doc);
  ASSERT_EQ(qzn::ExportIges(doc, dir.file("map.iges")), 1);
  EXPECT_EQ(exporttest::Snapshot(doc), before);
  const std::string checked = Check(dir.file("map.iges"));
  EXPECT_NE(checked.find("1 2 3 500005.250,3999989.875,12.500 500100.000,3999850.000,12.500 "), std::string::npos)
      << checked;

  // Open CASCADE's reader loads the three entities: 2 + 4 + 1 segments.
  // Its command shell finds its data-exchange commands by the library's
  // development name, which only the -dev package installs: a link in the
  // test's folder stands in for it.
  const std::filesystem::path library = "/usr/lib/x86_64-linux-gnu/libTKXSDRAW.so.7";
  if (std::filesystem::exists(library)) std::filesystem::create_symlink(library, dir.path() / "libTKXSDRAW.so");
  const std::string script = dir.file("load.tcl");
  qzntest::WriteFileText(script, "pload XSDRAW\nigesread " + dir.file("map.iges") + " s *\nputs [nbshapes s]\n");
  std::string out;
  qzntest::RunCommand("LD_LIBRARY_PATH='" + dir.path().string() + "' occt-draw -b -f '" + script + "' 2>&1", &out);
  EXPECT_NE(out.find("Total number of loaded entities 3."), std::string::npos) << out;
  EXPECT_NE(out.find(" EDGE      : 7\n"), std::string::npos) << out;
}

TEST_F(IgesTest, LongNumbersContinueOnFurtherRecords) {
  // Coordinates of about 45 digits: each vertex takes two records.
  ASSERT_EQ(qzn::WriteIgesFile(dir.file("big.igs"), doc.m_lines, MapTransform::Scaled(1e40, 1e40, 0, 0), kWhen),
            WriteResult::ok);
  const std::string out = Check(dir.file("big.igs"));
  EXPECT_EQ(out.substr(0, out.find(" max")), "G 3 D 6 P 20");
  // A number longer than a record cannot be written at all.
  EXPECT_EQ(qzn::WriteIgesFile(dir.file("huge.igs"), doc.m_lines, MapTransform::Scaled(1e70, 1, 0, 0), kWhen),
            WriteResult::cannotMap);
  EXPECT_FALSE(std::filesystem::exists(dir.file("huge.igs")));
}

TEST_F(IgesTest, ModesFlipAndPageSpace) {
  doc.m_image.xResolution = 10;
  doc.m_image.yResolution = 20;
  for (int mode : {IgesOutOptions::flip, IgesOutOptions::pageSpace, IgesOutOptions::none}) {
    options.iges = [mode](IgesOutOptions& o) {
      EXPECT_TRUE(o.pageSpaceEnabled);
      o.mode = mode;
    };
    ASSERT_EQ(qzn::ExportIges(doc, dir.file("m.igs")), 1);
    const std::string out = Check(dir.file("m.igs"));
    const char* first = mode == IgesOutOptions::flip        ? "1 2 3 10.500,778.750,12.500 "
                        : mode == IgesOutOptions::pageSpace ? "1 2 3 1.050,38.938,12.500 "
                                                            : "1 2 3 10.500,20.250,12.500 ";
    EXPECT_NE(out.find(first), std::string::npos) << mode << "\n" << out;
  }
}

TEST_F(IgesTest, SectionsPastSevenDigitsAreRefused) {
  qzntest::WriteFileText(dir.file("many.igs"), "old");
  CChain* c = doc.m_lines.NewChain();
  c->m_points.assign(10000000, CFPoint(1, 2));
  EXPECT_EQ(qzn::WriteIgesFile(dir.file("many.igs"), doc.m_lines, MapTransform(), kWhen), WriteResult::reported);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("many.igs")), "old");
  EXPECT_EQ(host.messages.size(), 1u);
}

}  // namespace
