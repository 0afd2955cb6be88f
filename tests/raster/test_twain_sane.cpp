// Acquisition from SANE's `test` backend through the source manager module,
// compared pixel for pixel with what scanimage writes for the same device
// and options. SANE_CONFIG_DIR points at a folder the test makes, whose
// dll.conf lists only `test` (see test_twain_support.h).
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/host.h"
#include "raster/twain.h"
#include "tests/raster/test_twain_support.h"
#include "tests/support/testutil.h"

using namespace qzn;
using twaintest::ScriptedWindow;

// SANE's test backend does not free everything it allocates (a buffer of a
// scan it cancels, say); the sanitizer build's leak checker is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libsane-test.so\n"; }

namespace {

// A scan as scanimage wrote it.
struct Oracle {
  int width = 0, height = 0, bits = 0, samples = 0, photometric = -1;
  float xres = 0, yres = 0;
  std::vector<std::vector<BYTE>> rows;
};

bool ReadOracle(const std::string& path, Oracle* o) {
  TIFF* t = TIFFOpen(path.c_str(), "r");
  if (!t) return false;
  std::uint32_t w = 0, h = 0;
  std::uint16_t bits = 0, spp = 1, photo = 0;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photo);
  TIFFGetField(t, TIFFTAG_XRESOLUTION, &o->xres);
  TIFFGetField(t, TIFFTAG_YRESOLUTION, &o->yres);
  o->width = static_cast<int>(w);
  o->height = static_cast<int>(h);
  o->bits = bits;
  o->samples = spp;
  o->photometric = photo;
  std::vector<BYTE> row(static_cast<std::size_t>(TIFFScanlineSize(t)));
  for (std::uint32_t y = 0; y < h; ++y) {
    if (TIFFReadScanline(t, row.data(), y, 0) < 0) {
      TIFFClose(t);
      return false;
    }
    o->rows.push_back(row);
  }
  TIFFClose(t);
  return true;
}

// The settings of one scan: the source's dialog sets mode, depth (through
// the mode), resolution and area; the backend's own test options come from
// its test.conf, which scanimage reads as well.
struct Settings {
  std::string saneMode = "Gray";
  int depth = 8;
  std::string label = "灰度 (8 位)";  // the source's name for that mode
  int resolution = 50;
  double area[4] = {0, 0, 80, 100};  // millimetres
  std::map<std::string, std::string> conf;
  // Pixels the backend wastes at the end of each line (its ppl-loss):
  // scanimage passes them on as image, so the oracle is the same scan
  // without them, less that many columns.
  int wasted = 0;
};

class TwainSane : public ::testing::Test {
 protected:
  qzntest::TempDir& dir = twaintest::SaneConfigDir();
  CScriptedHost host;
  CHostScope scope{&host};
  ScriptedWindow window;

  void SetUp() override {
    twaintest::KeepSaneTestBackendLoaded();
    CTwain::SetManagerPath(std::string(QZN_BINARY_DIR) + "/libqzntwain.so");
  }
  void TearDown() override { CTwain::SetManagerPath(""); }

  void Configure(const Settings& s) {
    // Every entry is written: the backend keeps what an earlier test.conf
    // said for entries a later one leaves out.
    std::map<std::string, std::string> conf{{"number_of_devices", "2"},
                                            {"mode", "Gray"},
                                            {"depth", "8"},
                                            {"hand-scanner", "false"},
                                            {"three-pass", "false"},
                                            {"three-pass-order", "RGB"},
                                            {"resolution_min", "1.0"},
                                            {"resolution_max", "1200.0"},
                                            {"resolution_quant", "1.0"},
                                            {"resolution", "50.0"},
                                            {"test-picture", "\"Grid\""},
                                            {"invert-endianess", "false"},
                                            // Reads of at most 64 bytes: our rows
                                            // come in pieces, and scanimage takes
                                            // the last bytes of a pass well after
                                            // the backend's reader has ended.
                                            {"read-limit", "true"},
                                            {"read-limit-size", "64"},
                                            {"read-delay", "false"},
                                            {"read-delay-duration", "1000"},
                                            {"read-status-code", "\"Default\""},
                                            {"fuzzy-parameters", "false"},
                                            {"ppl-loss", "0"},
                                            {"non-blocking", "false"},
                                            {"select-fd", "false"},
                                            {"enable-test-options", "false"},
                                            {"geometry_min", "0.0"},
                                            {"geometry_max", "200.0"},
                                            {"geometry_quant", "1.0"},
                                            {"tl_x", "0.0"},
                                            {"tl_y", "0.0"},
                                            {"br_x", "80.0"},
                                            {"br_y", "100.0"}};
    for (const auto& [k, v] : s.conf) conf[k] = v;
    std::string text;
    for (const auto& [k, v] : conf) text += k + " " + v + "\n";
    qzntest::WriteFileText(dir.file("test.conf"), text);
  }

  Oracle Scanimage(const Settings& s, const std::string& device = "test:0") {
    Oracle o;
    const std::string out = dir.file("oracle.tif");
    // scanimage, a front end we do not control, can hang where the backend
    // cancels its reader thread at a bad moment (see LetBackendThreadsSettle
    // in platform/twain/scanjob.cpp, which keeps our source out of that):
    // the oracle's run is bounded, and a hung one is made again.
    std::string cmd = "SANE_CONFIG_DIR='" + dir.path().string() + "' timeout 20 scanimage -d " + device +
                      " --format=tiff -o '" + out + "' --mode " + s.saneMode + " --depth " + std::to_string(s.depth) +
                      " --resolution " + std::to_string(s.resolution) + " -l " + std::to_string(s.area[0]) + " -t " +
                      std::to_string(s.area[1]) + " -x " + std::to_string(s.area[2] - s.area[0]) + " -y " +
                      std::to_string(s.area[3] - s.area[1]) + " 2>/dev/null";
    int rc = qzntest::RunCommand(cmd);
    for (int retry = 0; rc == 124 && retry < 2; ++retry) rc = qzntest::RunCommand(cmd);
    EXPECT_EQ(rc, 0) << cmd;
    EXPECT_TRUE(ReadOracle(out, &o));
    return o;
  }

  // One scan through the source's dialog, which then is cancelled.
  int Acquire(const Settings& s, CRasterImage* image) {
    window.dialogAnswers = {1};
    window.modeLabel = s.label;
    window.resolution = s.resolution;
    std::copy(s.area, s.area + 4, window.area);
    CTwain twain(image);
    const int r = twain.Acquire(&window);
    EXPECT_EQ(twain.GetState(), 1);
    EXPECT_TRUE(window.enabled);
    return r;
  }

  void ExpectSame(const Oracle& o, const CRasterImage& image, int depth, int wasted = 0) {
    ASSERT_EQ(image.width, o.width - wasted);
    ASSERT_EQ(image.height, o.height);
    EXPECT_EQ(image.xResolution, o.xres);
    EXPECT_EQ(image.yResolution, o.yres);
    EXPECT_EQ(image.resolutionUnit, 2);
    const int planes = o.samples;
    ASSERT_EQ(image.planes, planes);
    if (planes == 3) {
      EXPECT_EQ(image.photometric, 2);
    }
    long differences = 0;
    for (int y = 0; y < o.height; ++y) {
      const BYTE* want = o.rows[static_cast<std::size_t>(y)].data();
      for (int x = 0; x < image.width; ++x) {
        for (int p = 0; p < planes; ++p) {
          long a, b;
          if (depth == 1) {
            // scanimage: min-is-white, a set bit is black; the record with
            // photometric 1: a clear bit is black.
            ASSERT_EQ(o.photometric, PHOTOMETRIC_MINISWHITE);
            ASSERT_EQ(image.photometric, 1);
            a = !image.GetBit(x, y);
            b = (want[x / 8] >> (7 - x % 8)) & 1;
          } else if (depth == 16) {
            std::uint16_t v, w;
            std::memcpy(&v, image.GetRow(y) + 2 * x, 2);
            std::memcpy(&w, want + 2 * x, 2);
            a = v;
            b = w;
          } else {
            a = image.GetPlaneByte(x, y, p);
            b = want[planes * x + p];
          }
          differences += a != b;
        }
      }
    }
    EXPECT_EQ(differences, 0);
  }
};

TEST_F(TwainSane, ImagesEqualScanimage) {
  QZN_REQUIRE_PROGRAM("scanimage");
  struct Case {
    const char* name;
    Settings s;
  };
  auto make = [](const char* mode, int depth, const char* label, const char* picture, int dpi,
                 std::map<std::string, std::string> extra = {}) {
    Settings s;
    s.saneMode = mode;
    s.depth = depth;
    s.label = label;
    s.resolution = dpi;
    s.conf = std::move(extra);
    s.conf["test-picture"] = std::string("\"") + picture + "\"";
    return s;
  };
  std::vector<Case> cases = {
      {"grey grid", make("Gray", 8, "灰度 (8 位)", "Grid", 50)},
      {"grey pattern", make("Gray", 8, "灰度 (8 位)", "Color pattern", 75)},
      {"colour pattern", make("Color", 8, "彩色 (24 位)", "Color pattern", 50)},
      {"colour grid", make("Color", 8, "彩色 (24 位)", "Grid", 75)},
      {"lineart grid", make("Gray", 1, "黑白 (1 位)", "Grid", 75)},
      {"lineart pattern", make("Gray", 1, "黑白 (1 位)", "Color pattern", 50)},
      {"grey 16", make("Gray", 16, "灰度 (16 位)", "Color pattern", 50)},
      {"three-pass", make("Color", 8, "彩色 (24 位)", "Color pattern", 50, {{"three-pass", "true"}})},
      {"three-pass BGR",
       make("Color", 8, "彩色 (24 位)", "Grid", 75, {{"three-pass", "true"}, {"three-pass-order", "BGR"}})},
      {"hand scanner", make("Gray", 8, "灰度 (8 位)", "Grid", 50, {{"hand-scanner", "true"}})},
  };
  Settings wasted = make("Color", 8, "彩色 (24 位)", "Color pattern", 50);
  wasted.wasted = 7;
  cases.push_back({"wasted pixels", wasted});
  // One case over a part of the bed, with a width whose rows need padding.
  Settings part = make("Gray", 8, "灰度 (8 位)", "Grid", 75);
  part.area[0] = 5;
  part.area[1] = 7;
  part.area[2] = 46;
  part.area[3] = 60;
  cases.push_back({"area", part});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Configure(c.s);
    const Oracle o = Scanimage(c.s);
    if (c.s.wasted) {
      Settings lossy = c.s;
      lossy.conf["ppl-loss"] = std::to_string(c.s.wasted);
      Configure(lossy);
    }
    CRasterImage image;
    window.dialogs.clear();
    host.messages.clear();
    ASSERT_EQ(Acquire(c.s, &image), 1);
    EXPECT_TRUE(host.messages.empty()) << host.messages[0].text;
    ExpectSame(o, image, c.s.depth, c.s.wasted);
    ASSERT_EQ(window.dialogs.size(), 1u);  // the dialog is not shown again after a scan
  }
}

TEST_F(TwainSane, ReadErrorsAndCancel) {
  QZN_REQUIRE_PROGRAM("scanimage");
  struct Case {
    const char* status;
    bool threePass;
    std::string message;  // empty: quiet
  };
  const Case cases[] = {
      {"SANE_STATUS_IO_ERROR", false, "TWAIN 错误: Unable to 完成内存迁移\n内部数据源错误。"},
      {"SANE_STATUS_JAMMED", false, "TWAIN 错误: Unable to 完成内存迁移\n未知的错误条件"},
      {"SANE_STATUS_CANCELLED", false, ""},
      {"SANE_STATUS_NO_MEM", true, "TWAIN 错误: Unable to 完成内存迁移\n没有足够的内存完成操作。"},
      {"SANE_STATUS_CANCELLED", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.status) + (c.threePass ? " three-pass" : ""));
    Settings s;
    s.conf["read-status-code"] = std::string("\"") + c.status + "\"";
    if (c.threePass) {
      s.conf["three-pass"] = "true";
      s.saneMode = "Color";
      s.label = "彩色 (24 位)";
    }
    Configure(s);
    CRasterImage image;
    host.messages.clear();
    window.dialogs.clear();
    window.messages = 0;
    // The dialog comes back after the failed scan; the user cancels it.
    EXPECT_EQ(Acquire(s, &image), 0);
    EXPECT_EQ(window.dialogs.size(), 2u);
    if (c.message.empty()) {
      EXPECT_TRUE(host.messages.empty());
    } else {
      ASSERT_EQ(host.messages.size(), 1u);
      EXPECT_EQ(host.messages[0].text, c.message);
    }
  }
}

TEST_F(TwainSane, WithoutADialogTheSourceScansOnce) {
  // A window that cannot show the source's dialog: the source scans once
  // with its settings and then asks to be closed, whether or not it worked.
  Settings s;
  s.conf["read-status-code"] = "\"SANE_STATUS_IO_ERROR\"";
  Configure(s);
  CRasterImage image;
  CTwain twain(&image);
  EXPECT_EQ(twain.Acquire(nullptr), 0);
  EXPECT_EQ(twain.GetState(), 1);
  ASSERT_EQ(host.messages.size(), 1u);

  Configure(Settings{});
  host.messages.clear();
  EXPECT_EQ(twain.Acquire(nullptr), 1);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(image.bitsPerSample, 8);
  EXPECT_GT(image.width, 0);
}

TEST_F(TwainSane, SelectionIsKeptAndOpened) {
  QZN_REQUIRE_PROGRAM("scanimage");
  Settings s;
  Configure(s);
  CTwain twain;
  ASSERT_EQ(twain.IsAvailable(), 1);
  // The user picks the second test scanner; the choice goes to the profile.
  window.selectAnswers = {1};
  EXPECT_EQ(twain.SelectSource(&window), 1);
  EXPECT_EQ(twain.GetState(), 1);
  ASSERT_EQ(window.selections.size(), 1u);
  ASSERT_EQ(window.selections[0].size(), 2u);
  EXPECT_EQ(window.selections[0][0].name, "test:0");
  EXPECT_EQ(window.profile["Source"], "test:1");
  // A cancelled selection changes nothing and reports nothing.
  window.selectAnswers = {-1};
  EXPECT_EQ(twain.SelectSource(&window), 0);
  EXPECT_EQ(window.profile["Source"], "test:1");
  EXPECT_TRUE(host.messages.empty());

  // The next scan opens the chosen scanner, and its settings are kept too.
  CRasterImage image;
  ASSERT_EQ(Acquire(s, &image), 1);
  ASSERT_EQ(window.dialogs.size(), 1u);
  EXPECT_EQ(window.dialogs[0].device, "test:1");
  EXPECT_EQ(window.profile["Mode"], "灰度 (8 位)");
  EXPECT_EQ(window.profile["Resolution"], "50");
  EXPECT_EQ(window.profile["Area"], "0,0,80,100");
  ExpectSame(Scanimage(s, "test:1"), image, 8);

  // The dialog lists the modes the record can hold, starting from the
  // kept ones.
  window.dialogs.clear();
  window.profile["Mode"] = "彩色 (24 位)";
  window.profile["Resolution"] = "75";
  window.dialogAnswers = {0};
  EXPECT_EQ(CTwain(&image).Acquire(&window), 0);
  ASSERT_EQ(window.dialogs.size(), 1u);
  const CScanDialogData& d = window.dialogs[0];
  EXPECT_EQ(d.modes, (std::vector<std::string>{"黑白 (1 位)", "灰度 (8 位)", "灰度 (16 位)", "彩色 (24 位)"}));
  EXPECT_EQ(d.modes[static_cast<std::size_t>(d.mode)], "彩色 (24 位)");
  EXPECT_EQ(d.resolution, 75);
  EXPECT_EQ(d.resolutionMin, 1);
  EXPECT_EQ(d.resolutionMax, 1200);
  EXPECT_TRUE(d.hasArea);
  EXPECT_EQ(d.areaMaxX, 200);
}

}  // namespace
