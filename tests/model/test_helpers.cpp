#include "model/helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <set>

#include "platform/host.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

// Records the wait, capture and progress calls in order.
class RecordingHost : public CScriptedHost {
 public:
  std::vector<std::string> log;
  bool bar = true;
  void BeginWait() override { log.push_back("wait"); }
  void EndWait() override { log.push_back("endwait"); }
  void CaptureMouse(CWnd* w) override { log.push_back(w ? "capture" : "capture-null"); }
  void ReleaseMouse(CWnd* w) override { log.push_back(w ? "release" : "release-null"); }
  bool HasProgressBar() const override { return bar; }
  void ProgressBegin() override { log.push_back("begin"); }
  void ProgressRange(std::int64_t lo, std::int64_t hi) override {
    log.push_back("range " + std::to_string(lo) + " " + std::to_string(hi));
  }
  void ProgressPos(std::int64_t pos) override { log.push_back("pos " + std::to_string(pos)); }
  void ProgressEnd() override { log.push_back("end"); }
};

CWnd* FakeWindow() { return reinterpret_cast<CWnd*>(0x1000); }

TEST(Helpers, WaitCaptureRestoresInReverseOrder) {
  RecordingHost s;
  CHostScope scope(&s);
  {
    CWaitCapture outer(nullptr);  // no window: the cursor only
    { CWaitCapture inner(FakeWindow()); }
  }
  EXPECT_EQ(s.log, (std::vector<std::string>{"wait", "wait", "capture", "release", "endwait", "endwait"}));
}

TEST(Helpers, FormatStringAnyLength) {
  std::string out = "old";
  EXPECT_EQ(FormatString(out, "%d-%s-%.2f", 42, "ab", 1.5), 10);
  EXPECT_EQ(out, "42-ab-1.50");
  for (int len : {0, 511, 512, 5000}) {
    const std::string text(static_cast<std::size_t>(len), 'x');
    EXPECT_EQ(FormatString(out, "%s", text.c_str()), len);
    EXPECT_EQ(out, text);
  }
}

TEST(Helpers, FormatStringUsesADecimalPointInAnyLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  QZN_REQUIRE_ORACLE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"),
                     "a locale with a decimal comma")
  std::string out;
  FormatString(out, "%.3f", 1234.5);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(out, "1234.500");
}

TEST(Helpers, FilePathSplitAndRebuild) {
  struct Case {
    const char* path;
    const char *drive, *dir, *name, *ext;
    const char* directory;  // GetDirectory
  } cases[] = {
      {"C:\\maps\\sheet1.tif", "C:", "\\maps\\", "sheet1", ".tif", "C:\\maps\\"},
      {"/home/u/maps/sheet1.tif", "", "/home/u/maps/", "sheet1", ".tif", "/home/u/maps/"},
      {"D:/scans\\sub/x.tif", "D:", "/scans\\sub/", "x", ".tif", "D:/scans\\sub/"},
      {"C:sheet.tif", "C:", "", "sheet", ".tif", "C:"},
      {"sheet1.tif", "", "", "sheet1", ".tif", ""},
      {"/data/archive.tar.gz", "", "/data/", "archive.tar", ".gz", "/data/"},
      {"/data.d/readme", "", "/data.d/", "readme", "", "/data.d/"},
      {"/home/u/.profile", "", "/home/u/", "", ".profile", "/home/u/"},
      {"/maps/", "", "/maps/", "", "", "/maps/"},
      {"", "", "", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    CFilePath fp(c.path);
    EXPECT_EQ(fp.GetDrivePart(), c.drive);
    EXPECT_EQ(fp.GetDirPart(), c.dir);
    EXPECT_EQ(fp.GetNamePart(), c.name);
    EXPECT_EQ(fp.GetExtPart(), c.ext);
    EXPECT_EQ(fp.GetDirectory(), c.directory);
    EXPECT_EQ(fp.GetFileName(true), std::string(c.name) + c.ext);
    EXPECT_EQ(fp.GetFileName(false), c.name);
    EXPECT_EQ(fp.GetPath(), c.path);  // separators kept as given
  }
  CFilePath none(static_cast<const char*>(nullptr));
  EXPECT_EQ(none.GetPath(), "");
}

TEST(Helpers, FilePathLongPathsAreKept) {
  const std::string dir = "/" + std::string(300, 'd') + "/";
  const std::string name = std::string(400, 'n');
  CFilePath fp((dir + name + ".tif").c_str());
  EXPECT_EQ(fp.GetDirPart(), dir);
  EXPECT_EQ(fp.GetFileName(true), name + ".tif");
  EXPECT_EQ(fp.GetPath(), dir + name + ".tif");
  CFilePath joined(std::string(600, 'd').c_str(), name.c_str());
  EXPECT_EQ(joined.GetPath(), std::string(600, 'd') + "/" + name);
}

TEST(Helpers, FilePathFromDirectoryAndName) {
  struct Case {
    const char *dir, *name, *expected;
  } cases[] = {
      {"C:\\maps", "a.tif", "C:\\maps/a.tif"},  // the native separator is added
      {"C:\\maps\\", "a.tif", "C:\\maps\\a.tif"},
      {"/data", "a.tif", "/data/a.tif"},
      {"/data/", "a.tif", "/data/a.tif"},
      {"", "a.tif", "a.tif"},  // empty directory: the name alone
      {nullptr, "a.tif", "a.tif"},
      {"/data", nullptr, "/data/"},
  };
  for (const Case& c : cases) {
    CFilePath fp(c.dir, c.name);
    EXPECT_EQ(fp.GetPath(), c.expected) << (c.dir ? c.dir : "(null)") << " + " << (c.name ? c.name : "(null)");
  }
  // Either spelling of the directory gives one separator and the same parts.
  CFilePath a("C:\\maps", "sheet1.tif"), b("C:\\maps\\", "sheet1.tif");
  EXPECT_EQ(a.GetFileName(true), b.GetFileName(true));
  EXPECT_EQ(a.GetDrivePart(), "C:");
}

TEST(Helpers, FilePathExists) {
  qzntest::TempDir tmp;
  qzntest::WriteFileText(tmp.file("sheet1.tif"), "x");
  qzntest::WriteFileText(tmp.file("notes.txt"), "x");
  const std::string d = tmp.path().string();
  struct Case {
    std::string path;
    bool exists;
  } cases[] = {
      {d + "/sheet1.tif", true},   {d + "/sheet2.tif", false},      {d + "/*.tif", true},
      {d + "/sheet?.tif", true},   {d + "/*.png", false},           {d + "/", true},
      {d + "/nodir/*.tif", false}, {"C:\\maps\\sheet1.tif", false}, {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(CFilePath(c.path).Exists(), c.exists) << c.path;
}

TEST(Helpers, StatusProgressWithoutBarDoesNothing) {
  RecordingHost s;
  s.bar = false;
  CHostScope scope(&s);
  {
    CStatusProgress p;
    EXPECT_EQ(p.SetRange(0, 10), 0);
    EXPECT_EQ(p.SetStep(5), 0);
    EXPECT_EQ(p.SetPos(3), 0);
    EXPECT_EQ(p.StepIt(), 0);
  }
  EXPECT_TRUE(s.log.empty());
}

TEST(Helpers, StatusProgressDrivesTheBar) {
  RecordingHost s;
  CHostScope scope(&s);
  {
    CStatusProgress p;
    EXPECT_EQ(p.SetRange(0, 5'000'000'000), 1);  // beyond 16 and 32 bits
    EXPECT_EQ(p.StepIt(), 0);
    EXPECT_EQ(p.SetStep(2'000'000'000), 1);
    EXPECT_EQ(p.StepIt(), 1);
    EXPECT_EQ(p.StepIt(), 2'000'000'001);
    EXPECT_EQ(p.StepIt(), 4'000'000'001);
    EXPECT_EQ(p.SetPos(7), 5'000'000'000);  // the last step stopped at the end
    p.SetRange(0, 4);                       // a narrower range pulls the position in
  }
  EXPECT_EQ(s.log, (std::vector<std::string>{"begin", "range 0 5000000000", "pos 1", "pos 2000000001", "pos 4000000001",
                                             "pos 5000000000", "pos 7", "range 0 4", "pos 4", "end"}));
}

TEST(Helpers, PointKeysOrderByXThenY) {
  EXPECT_EQ(MakePointKey(1, -1), (std::int64_t{1} << 32) - 1);
  EXPECT_EQ(MakePointKey(POINT{-1, 0}), -(std::int64_t{1} << 32));

  struct Record {
    std::int64_t key;
    int tag;
  };
  const POINT points[] = {{1, 0}, {0, 5}, {1, -1}, {INT_MIN + 1, INT_MIN}, {INT_MAX, INT_MAX}, {-3, 7}, {0, -5}};
  std::vector<Record> records;
  for (int i = 0; i < 7; ++i) records.push_back({MakePointKey(points[i]), i});
  std::qsort(records.data(), records.size(), sizeof(Record), ComparePointKeys);
  std::vector<int> order;
  for (const Record& r : records) order.push_back(r.tag);
  // Extreme keys compare correctly: their difference would overflow.
  EXPECT_EQ(order, (std::vector<int>{3, 5, 6, 1, 2, 0, 4}));
  EXPECT_EQ(ComparePointKeys(&records[0], &records[0]), 0);
}

TEST(Helpers, SpiralOffsets) {
  POINT buffer[9];
  std::fill(std::begin(buffer), std::end(buffer), POINT{-99, -99});
  EXPECT_EQ(BuildSpiralOffsets(POINT{10, 20}, 0, buffer), 0);
  EXPECT_EQ(buffer[0], (POINT{-99, -99}));  // nothing written
  EXPECT_EQ(BuildSpiralOffsets(POINT{10, 20}, 1, buffer), 1);
  EXPECT_EQ(buffer[0], (POINT{10, 20}));
  EXPECT_EQ(buffer[1], (POINT{-99, -99}));

  const std::vector<POINT> ring1 = {{10, 20}, {9, 19},  {11, 19}, {11, 21}, {9, 21},
                                    {10, 19}, {11, 20}, {10, 21}, {9, 20}};
  for (int n : {2, 3}) {
    std::vector<POINT> out;
    ASSERT_EQ(BuildSpiralOffsets(POINT{10, 20}, n, out), 1);
    EXPECT_EQ(out, ring1) << "n=" << n;
  }

  // n = 7: every cell of the 7 x 7 square once, rings never moving outward
  // and back.
  std::vector<POINT> out;
  ASSERT_EQ(BuildSpiralOffsets(POINT{0, 0}, 7, out), 1);
  ASSERT_EQ(out.size(), 49u);
  std::set<std::pair<int, int>> cells;
  int ring = 0;
  for (const POINT& p : out) {
    cells.insert({p.x, p.y});
    const int r = std::max(std::abs(p.x), std::abs(p.y));
    EXPECT_GE(r, ring);
    ring = r;
  }
  EXPECT_EQ(cells.size(), 49u);
  EXPECT_EQ(ring, 3);
  EXPECT_EQ(BuildSpiralOffsets(POINT{0, 0}, -4, out), 0);
  EXPECT_TRUE(out.empty());
}

}  // namespace
