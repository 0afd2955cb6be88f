// Automatic vectorisation through the workspace document: centre lines and
// outlines of drawn lines, the threshold pair, the image kept or left
// binarised, palette borders, colour failures, the region of interest and
// the clean-up, and a run that cannot back the image up.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <vector>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "tests/app/qzndoc_test_util.h"

using namespace qzn;

using doctest::DrawLine;
using doctest::MakeGrey;
using doctest::SegmentDistance;

namespace {

struct Segment {
  double x0, y0, x1, y1;
};

const Segment kSegments[] = {{20, 30, 180, 30}, {40, 60, 40, 140}, {70, 70, 170, 150}};

void DrawSegments(CRasterImage& img, double width, int ink = -1) {
  for (const Segment& s : kSegments) DrawLine(img, s.x0, s.y0, s.x1, s.y1, width, ink);
}

double NearestSegment(double x, double y) {
  double best = 1e9;
  for (const Segment& s : kSegments) best = std::min(best, SegmentDistance(x, y, s.x0, s.y0, s.x1, s.y1));
  return best;
}

// Every point of every segment, 3 pixels in from its ends, lies within tol
// of some traced line.
void ExpectSegmentsFound(const CChainList& lines, double tol) {
  const auto traced = doctest::Vertices(lines);
  for (const Segment& s : kSegments) {
    const double len = std::hypot(s.x1 - s.x0, s.y1 - s.y0);
    for (double d = 3; d <= len - 3; d += 1) {
      const double x = s.x0 + (s.x1 - s.x0) * d / len, y = s.y0 + (s.y1 - s.y0) * d / len;
      double best = 1e9;
      for (const auto& line : traced)
        for (size_t i = 0; i + 1 < line.size(); ++i)
          best = std::min(best, SegmentDistance(x, y, line[i].x, line[i].y, line[i + 1].x, line[i + 1].y));
      ASSERT_LE(best, tol) << "segment point " << x << "," << y;
    }
  }
}

std::vector<BYTE> Bytes(const CRasterImage& img) {
  return std::vector<BYTE>(img.pixels, img.pixels + img.GetImageBytes());
}

}  // namespace

// A stroke's centre line reaches to within half the stroke's width plus one
// pixel of where the pen stopped, at both ends, at every angle and width.
// (Thinning used to unravel the staircase a diagonal stroke becomes from
// its tip, pass after pass: lines ended 5 to 30 pixels short.)
TEST(Vectorize, CentreLinesReachTheEndsOfTheirStrokes) {
  CScriptedHost ui;
  CHostScope scope(&ui);
  for (int width = 1; width <= 8; ++width)
    for (int angle = 0; angle <= 180; angle += 5) {
      CQznDoc doc;
      MakeGrey(doc.m_image, 100, 100);
      const double a = angle * 3.141592653589793 / 180.0, half = 30.0;
      const double x0 = 50 - half * std::cos(a), y0 = 50 + half * std::sin(a);
      const double x1 = 50 + half * std::cos(a), y1 = 50 - half * std::sin(a);
      DrawLine(doc.m_image, x0, y0, x1, y1, width);
      doc.ResetExtent();
      ASSERT_EQ(doc.Vectorize(RECT{0, 0, 0, 0}, 0, 0, 0, 0), 1);
      double reach0 = 1e9, reach1 = 1e9;
      for (const auto& line : doctest::Vertices(doc.m_lines))
        for (const CFPoint& end : {line.front(), line.back()}) {
          reach0 = std::min(reach0, std::hypot(end.x - x0, end.y - y0));
          reach1 = std::min(reach1, std::hypot(end.x - x1, end.y - y1));
        }
      EXPECT_LE(reach0, width / 2.0 + 1) << "width " << width << ", " << angle << " degrees, first end";
      EXPECT_LE(reach1, width / 2.0 + 1) << "width " << width << ", " << angle << " degrees, second end";
    }
}

// An image of one grey level has no lines: a blank sheet, white or black,
// gives none (instead of one region of ink as large as the sheet).
TEST(Vectorize, AnImageOfOneGreyLevelHasNoLines) {
  CScriptedHost ui;
  CHostScope scope(&ui);
  for (int photometric : {1, 0})
    for (int level : {0, 255, 128}) {
      SCOPED_TRACE(std::to_string(photometric) + " " + std::to_string(level));
      CQznDoc doc;
      MakeGrey(doc.m_image, 60, 40, photometric, level);
      doc.ResetExtent();
      for (int outline : {0, 1}) {
        ASSERT_EQ(doc.Vectorize(RECT{0, 0, 0, 0}, 0, outline, 0, 0), 1);
        EXPECT_TRUE(doc.m_lines.IsEmpty());
      }
    }
}

TEST(Vectorize, CentreLinesRestoreTheImage) {
  for (int photometric : {1, 0}) {
    SCOPED_TRACE(photometric);
    CScriptedHost ui;
    CHostScope scope(&ui);
    CQznDoc doc;
    MakeGrey(doc.m_image, 200, 170, photometric, photometric == 0 ? 40 : 210);
    DrawSegments(doc.m_image, 4, photometric == 0 ? 220 : 30);
    doc.ResetExtent();
    const std::vector<BYTE> before = Bytes(doc.m_image);
    // Use-threshold with no threshold set computes and stores one.
    ASSERT_EQ(doc.Vectorize(RECT{0, 0, 0, 0}, 1, 0, 0, 0), 1);
    if (photometric == 0) {
      EXPECT_EQ(doc.m_nThreshHigh, 255);
      EXPECT_GT(doc.m_nThreshLow, 40);
      EXPECT_LE(doc.m_nThreshLow, 220);
    } else {
      EXPECT_EQ(doc.m_nThreshLow, 0);
      EXPECT_GE(doc.m_nThreshHigh, 30);
      EXPECT_LT(doc.m_nThreshHigh, 210);
    }
    EXPECT_EQ(Bytes(doc.m_image), before);
    EXPECT_EQ(doc.m_lines.m_nModified, 1);
    EXPECT_TRUE(doc.IsModified());
    ExpectSegmentsFound(doc.m_lines, 1.5);
    for (const auto& line : doctest::Vertices(doc.m_lines)) {
      ASSERT_GE(line.size(), 2u);
      for (const CFPoint& p : line) EXPECT_LE(NearestSegment(p.x, p.y), 2.5);
    }
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST(Vectorize, QuietRunLeavesTheImageBinarised) {
  for (int outline : {0, 1}) {
    CQznDoc doc;
    CQuietScope quiet;
    MakeGrey(doc.m_image, 200, 170);
    DrawSegments(doc.m_image, 5);
    doc.ResetExtent();
    ASSERT_EQ(doc.Vectorize(RECT{0, 0, 0, 0}, 0, outline, 0, 0), 1);
    ASSERT_FALSE(doc.m_lines.IsEmpty());
    for (std::int64_t i = 0; i < doc.m_image.GetImageBytes(); ++i) ASSERT_LE(doc.m_image.pixels[i], 2) << i;
  }
}

TEST(Vectorize, OutlinesAreClosedAroundTheLines) {
  CQznDoc doc;
  MakeGrey(doc.m_image, 200, 170);
  DrawSegments(doc.m_image, 6);
  doc.ResetExtent();
  CLayer* layer = doc.m_layers.AddLayer();
  layer->m_nPenStyle = 2;
  doc.SetCurrentLayer(layer->m_strName);
  ASSERT_EQ(doc.Vectorize(RECT{0, 0, 0, 0}, 0, 1, 0, 0), 1);
  const auto lines = doctest::Vertices(doc.m_lines);
  ASSERT_FALSE(lines.empty());
  for (POSITION pos = doc.m_lines.GetHeadPosition(); pos;) {
    const CChain* c = doc.m_lines.GetNext(pos);
    EXPECT_EQ(c->m_nLayer, layer->m_nID);
    EXPECT_EQ(c->m_nPenStyle, 2);
    ASSERT_GE(c->GetCount(), 4);
    EXPECT_EQ(c->Points().front().x, c->Points().back().x);
    EXPECT_EQ(c->Points().front().y, c->Points().back().y);
    for (const CFPoint& p : c->Points()) EXPECT_LE(NearestSegment(p.x, p.y), 3 + 1.5);
  }
}

TEST(Vectorize, BilevelImagesOfBothCodes) {
  for (int photometric : {0, 1}) {
    CQznDoc doc;
    CRasterImage grey;
    MakeGrey(grey, 200, 170);
    DrawSegments(grey, 4);
    CRasterImage& img = doc.m_image;
    doctest::MakeImage(img, 200, 170, 1, 1, photometric);
    for (int y = 0; y < 170; ++y)
      for (int x = 0; x < 200; ++x) {
        const bool ink = grey.GetByte(x, y) == 0;
        img.SetBit(x, y, photometric == 0 ? ink : !ink);  // code 0: set bits are ink
      }
    doc.ResetExtent();
    ASSERT_EQ(doc.Vectorize(RECT{0, 0, 0, 0}, 0, 0, 0, 0), 1);
    ExpectSegmentsFound(doc.m_lines, 1.5);
  }
}

TEST(Vectorize, RegionOfInterestAndCleanUp) {
  CQznDoc doc;
  MakeGrey(doc.m_image, 200, 170);
  DrawSegments(doc.m_image, 4);
  doc.ResetExtent();
  // A one-vertex line that was there before goes too.
  doc.m_lines.NewChain()->AddPoint(5, 5);
  ASSERT_EQ(doc.Vectorize(RECT{0, 0, 0, 0}, 0, 0, 1, 0), 1);  // ROI asked, none drawn
  const auto all = doctest::Vertices(doc.m_lines);
  for (const auto& line : all) EXPECT_GE(line.size(), 2u);

  CQznDoc roi;
  MakeGrey(roi.m_image, 200, 170);
  DrawSegments(roi.m_image, 4);
  roi.ResetExtent();
  CChain* poly = roi.m_roi.NewChain();
  for (auto [x, y] : {std::pair{10, 10}, {190, 10}, {190, 45}, {10, 45}, {10, 10}}) poly->AddPoint(x, y);
  poly->CalcBounds();
  ASSERT_EQ(roi.Vectorize(RECT{0, 0, 0, 0}, 0, 0, 1, 0), 1);
  ASSERT_FALSE(roi.m_lines.IsEmpty());
  for (const auto& line : doctest::Vertices(roi.m_lines))
    for (const CFPoint& p : line) EXPECT_LE(p.y, 46) << "a line outside the region of interest";
}

TEST(Vectorize, PaletteBordersAndColourFailures) {
  {
    // A palette image with outline asked and no sample: the borders between
    // the colour regions come out as centre lines.
    CQznDoc doc;
    CRasterImage& img = doc.m_image;
    MakeGrey(img, 120, 100);
    img.photometric = 3;
    ASSERT_TRUE(img.AllocPalette());
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 120; ++x) img.SetByte(x, y, x < 60 ? 1 : 2);
    doc.ResetExtent();
    const std::vector<BYTE> before = Bytes(img);
    ASSERT_EQ(doc.Vectorize(RECT{0, 0, 0, 0}, 0, 1, 0, 0), 1);
    ASSERT_FALSE(doc.m_lines.IsEmpty());
    for (const auto& line : doctest::Vertices(doc.m_lines))
      for (const CFPoint& p : line) EXPECT_NEAR(p.x, 59.5, 1.5);
    EXPECT_EQ(Bytes(img), before);
  }
  {
    // RGB with neither colour classes nor a sample: no line-pixel definition.
    CScriptedHost ui;
    CHostScope scope(&ui);
    CQznDoc doc;
    CRasterImage& img = doc.m_image;
    doctest::MakeImage(img, 30, 20, 3, 8, 2);
    std::memset(img.pixels, 200, static_cast<size_t>(img.GetImageBytes()));
    doc.ResetExtent();
    doc.m_lines.NewChain()->AddPoint(1, 1);
    EXPECT_EQ(doc.Vectorize(RECT{0, 0, 0, 0}, 0, 1, 0, 0), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "矢量化错误。重新选择属性。");
    EXPECT_TRUE(doc.m_lines.IsEmpty());  // the clean-up still ran
    for (std::int64_t i = 0; i < img.GetImageBytes(); ++i) ASSERT_EQ(img.pixels[i], 200);
  }
}

// The image backup under pressure, in a child process with limits: with no
// memory for a copy the plane goes to a temporary file and comes back; with
// no room for that either, outlining in place would destroy the image, so
// nothing may change and the run fails. Centre lines need no copy (they are
// traced in a mask of an eighth of the image): they are made either way and
// the image is left as it was.
TEST(Vectorize, BackupUnderMemoryAndDiskLimits) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers' allocators cannot run under an address-space limit";
#endif
  for (const int outline : {1, 0})
    for (bool diskRoom : {true, false}) {
      SCOPED_TRACE(std::string(outline ? "outlines, " : "centre lines, ") +
                   (diskRoom ? "temporary file" : "no backup at all"));
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        CScriptedHost quiet;  // records, shows nothing
        SetHost(&quiet);
        CQznDoc doc;
        MakeGrey(doc.m_image, 8000, 8000);  // 64 MB
        DrawSegments(doc.m_image, 4);
        doc.ResetExtent();
        CChain* old = doc.m_lines.NewChain();
        old->AddPoint(1, 1);
        old->AddPoint(2, 2);
        const int modified = doc.m_lines.m_nModified;
        const std::vector<BYTE> before = Bytes(doc.m_image);
        // Less address space than a second copy of the image needs.
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (40 << 20);
        rlimit as{limit, limit};
        if (setrlimit(RLIMIT_AS, &as) != 0) _exit(10);
        if (!diskRoom) {
          rlimit fsize{0, 0};
          std::signal(SIGXFSZ, SIG_IGN);
          if (setrlimit(RLIMIT_FSIZE, &fsize) != 0) _exit(10);
        }
        const int r = doc.Vectorize(RECT{0, 0, 0, 0}, 0, outline, 0, 0);
        if (std::memcmp(before.data(), doc.m_image.pixels, before.size()) != 0) _exit(2);
        if (diskRoom || !outline) _exit(r == 1 && doc.m_lines.GetCount() > 1 ? 0 : 1);
        if (r != 0) _exit(1);
        if (doc.m_lines.GetCount() != 1 || doc.m_lines.m_nModified != modified) _exit(3);
        _exit(0);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}
