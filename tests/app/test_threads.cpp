// The long steps of a vectorisation run on bands of rows side by side; every
// thread count (1, 2, 3, 8) must give what one thread gives: the same pixels
// after thresholding and thinning, the same lines with the same vertices in
// the same order, the same image left behind by a batch run.
//
// The drawing is made to cross the bands' borders everywhere: bursts of
// strokes at every 7.5 degrees around centres on many rows (junctions on
// and next to the borders), rings spanning many bands, a grid that ties most
// of it into one component, short strokes and specks.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <new>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "app/qzndoc.h"
#include "app/regiontracer.h"
#include "app/skeletontracer.h"
#include "model/layer.h"
#include "platform/host.h"
#include "platform/parallel.h"
#include "raster/binarize.h"
#include "raster/thin.h"
#include "tests/app/qzndoc_test_util.h"

using namespace qzn;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 1100;
const int kThreadCounts[] = {2, 3, 8};

void DrawSheet(CRasterImage& img) {
  doctest::MakeGrey(img, kWidth, kHeight);
  std::mt19937 rng(33);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double pi = 3.141592653589793;
  // Bursts: a centre every 23 rows, strokes of widths 1 to 5 at every 7.5
  // degrees, some meeting at the centre, some stopping short of it.
  for (int cy = 12, i = 0; cy < kHeight - 12; cy += 23, ++i) {
    const double cx = 60 + (i * 97) % (kWidth - 120);
    for (int a = 0; a < 48; a += 3 + i % 3) {
      const double ang = a * 7.5 * pi / 180.0, len = 15 + 25 * unit(rng);
      const double gap = (a % 2) ? 0.0 : 4.0;
      doctest::DrawLine(img, cx + gap * std::cos(ang), cy + gap * std::sin(ang), cx + len * std::cos(ang),
                        cy + len * std::sin(ang), 1 + (a + i) % 5);
    }
  }
  // Rings over many bands, two of them touching.
  for (const auto& [cx, cy, r, w] : {std::tuple{200.0, 300.0, 180.0, 3.0}, std::tuple{420.0, 700.0, 260.0, 2.0},
                                     std::tuple{330.0, 520.0, 60.0, 5.0}})
    for (int k = 0; k < 360; ++k) {
      const double a0 = k * pi / 180.0, a1 = (k + 1) * pi / 180.0;
      doctest::DrawLine(img, cx + r * std::cos(a0), cy + r * std::sin(a0), cx + r * std::cos(a1), cy + r * std::sin(a1),
                        w);
    }
  // A grid across the sheet.
  for (int x = 40; x < kWidth; x += 150) doctest::DrawLine(img, x, 2, x + 7, kHeight - 3, 2);
  for (int y = 50; y < kHeight; y += 170) doctest::DrawLine(img, 2, y, kWidth - 3, y + 3, 3);
  // Short strokes and specks.
  for (int k = 0; k < 400; ++k) {
    const double x = 5 + unit(rng) * (kWidth - 10), y = 5 + unit(rng) * (kHeight - 10);
    if (k % 3)
      doctest::DrawLine(img, x, y, x + 8 * unit(rng) - 4, y + 8 * unit(rng) - 4, 1 + k % 4);
    else
      img.SetByte(static_cast<int>(x), static_cast<int>(y), 0);
  }
}

// The same drawing as a bilevel image, set bits being ink.
void ToBilevel(const CRasterImage& grey, CRasterImage& out) {
  doctest::MakeImage(out, grey.width, grey.height, 1, 1, 0);
  for (int y = 0; y < grey.height; ++y)
    for (int x = 0; x < grey.width; ++x)
      if (grey.GetRow(y)[x] < 128) out.GetRow(y)[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
}

std::vector<BYTE> Bytes(const CRasterImage& img) {
  return std::vector<BYTE>(img.pixels, img.pixels + img.GetImageBytes());
}

// Everything a line carries, exactly.
std::vector<std::string> Describe(const CChainList& lines) {
  std::vector<std::string> out;
  char buf[192];
  for (POSITION pos = lines.GetHeadPosition(); pos;) {
    const CChain* c = lines.GetNext(pos);
    std::string s;
    std::snprintf(buf, sizeof buf, "id %a layer %d colour %lu pen %d width %d bounds %ld %ld %ld %ld:", c->m_fID,
                  c->m_nLayer, static_cast<unsigned long>(c->m_color), c->m_nPenStyle, c->GetPenWidth(),
                  static_cast<long>(c->m_rcBounds.left), static_cast<long>(c->m_rcBounds.top),
                  static_cast<long>(c->m_rcBounds.right), static_cast<long>(c->m_rcBounds.bottom));
    s = buf;
    for (const CFPoint& p : c->Points()) {
      std::snprintf(buf, sizeof buf, " %a,%a", p.x, p.y);
      s += buf;
    }
    out.push_back(s);
  }
  return out;
}

struct Outcome {
  std::vector<std::string> lines;
  std::vector<BYTE> pixels;  // the image a batch run leaves
  int low = 0, high = 0;
};

Outcome Vectorize(const CRasterImage& source, bool outline, int threads) {
  CWorkerThreadsScope scope(threads);
  CScriptedHost ui;
  CHostScope hostScope(&ui);
  CQuietScope quiet(true);
  CQznDoc doc;
  doctest::MakeImage(doc.m_image, source.width, source.height, 1, source.bitsPerSample, source.photometric);
  std::memcpy(doc.m_image.pixels, source.pixels, static_cast<std::size_t>(source.GetImageBytes()));
  doc.m_extent = RECT{0, 0, source.width - 1, source.height - 1};
  EXPECT_EQ(doc.Vectorize(RECT{0, 0, 0, 0}, 0, outline ? 1 : 0, 0, 0), 1);
  return Outcome{Describe(doc.m_lines), Bytes(doc.m_image), doc.m_nThreshLow, doc.m_nThreshHigh};
}

}  // namespace

TEST(Threads, ThinningGivesTheSameSkeletonOnEveryThreadCount) {
  CRasterImage grey, mask8, mask1;
  DrawSheet(grey);
  ToBilevel(grey, mask1);
  doctest::MakeImage(mask8, kWidth, kHeight, 1, 8, 0);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) mask8.GetRow(y)[x] = grey.GetRow(y)[x] < 128 ? 1 : 0;
  for (CRasterImage* mask : {&mask8, &mask1})
    for (const RECT rc : {RECT{0, 0, kWidth - 1, kHeight - 1}, RECT{3, 101, kWidth - 40, kHeight - 77}}) {
      std::vector<BYTE> single;
      for (int threads : {1, 2, 3, 8}) {
        CWorkerThreadsScope scope(threads);
        CRasterImage work;
        doctest::MakeImage(work, kWidth, kHeight, 1, mask->bitsPerSample, 0);
        std::memcpy(work.pixels, mask->pixels, static_cast<std::size_t>(mask->GetImageBytes()));
        ASSERT_EQ(Thin(work, rc), 1);
        if (threads == 1) {
          single = Bytes(work);
          ASSERT_NE(single, Bytes(*mask));  // the drawing did thin
        } else {
          ASSERT_EQ(Bytes(work), single) << mask->bitsPerSample << "-bit, " << threads << " threads";
        }
      }
    }
}

// Ink blotches at about the density where they join into regions with many
// holes and one-pixel walls, across every band: outlines of such regions
// reach above the band they start in and share pixels with their holes'.
void DrawBlotches(CRasterImage& img) {
  doctest::MakeGrey(img, kWidth, kHeight);
  std::mt19937 rng(8);
  for (int k = 0; k < kWidth * kHeight / 12; ++k) {
    const int x = static_cast<int>(rng() % kWidth), y = static_cast<int>(rng() % kHeight);
    const int w = 1 + static_cast<int>(rng() % 3), h = 1 + static_cast<int>(rng() % 3);
    for (int yy = y; yy < std::min(kHeight, y + h); ++yy)
      for (int xx = x; xx < std::min(kWidth, x + w); ++xx) img.SetByte(xx, yy, 0);
  }
}

// Level lines of a hilly surface, as on a scanned contour sheet without a
// grid: hundreds of separate regions, many running down through most of the
// bands, strokes from one pixel to several wide with ragged edges (pixels on
// two outlines, outlines dipping into a band without a left edge there),
// loops round the tops and hollows, specks.
void DrawContours(CRasterImage& img) {
  doctest::MakeGrey(img, kWidth, kHeight);
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  struct Hill {
    double x, y, spread, height;
  };
  std::vector<Hill> hills;
  for (int k = 0; k < 7; ++k)
    hills.push_back({unit(rng) * kWidth, unit(rng) * kHeight, 80 + 250 * unit(rng), unit(rng) < 0.3 ? -1.0 : 1.0});
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      double f = 0;
      for (const Hill& h : hills)
        f += h.height * std::exp(-((x - h.x) * (x - h.x) + (y - h.y) * (y - h.y)) / (2 * h.spread * h.spread));
      const double level = 25 * f + 0.08 * (unit(rng) - 0.5);
      if (level - std::floor(level) < 0.2) img.SetByte(x, y, 0);
    }
  for (int k = 0; k < 300; ++k) img.SetByte(static_cast<int>(rng() % kWidth), static_cast<int>(rng() % kHeight), 0);
}

TEST(Threads, VectorizingGivesTheSameLinesAndImageOnEveryThreadCount) {
  CRasterImage grey, bilevel, blotches, contours;
  DrawSheet(grey);
  ToBilevel(grey, bilevel);
  DrawBlotches(blotches);
  DrawContours(contours);
  for (const CRasterImage* source : {&grey, &bilevel, &blotches, &contours})
    for (const bool outline : {false, true}) {
      const Outcome single = Vectorize(*source, outline, 1);
      ASSERT_GT(single.lines.size(), 50u);
      for (int threads : kThreadCounts) {
        const Outcome many = Vectorize(*source, outline, threads);
        const std::string what = std::to_string(source->bitsPerSample) + "-bit " +
                                 (outline ? "outlines, " : "centre lines, ") + std::to_string(threads) + " threads";
        EXPECT_EQ(many.low, single.low) << what;
        EXPECT_EQ(many.high, single.high) << what;
        ASSERT_EQ(many.lines.size(), single.lines.size()) << what;
        for (std::size_t i = 0; i < single.lines.size(); ++i)
          ASSERT_EQ(many.lines[i], single.lines[i]) << what << ", line " << i;
        EXPECT_TRUE(many.pixels == single.pixels) << what;
      }
    }
}

// Centre lines are traced in a one-bit mask; the same drawing binarised,
// thinned and walked in the image itself, the 8-bit way, gives the same
// lines. Both ways at several thread counts.
TEST(Threads, CentreLinesOfTheMaskAreThoseOfTheImageWalkedInPlace) {
  CRasterImage grey;
  DrawSheet(grey);
  for (int threads : {1, 3, 8}) {
    const Outcome viaMask = Vectorize(grey, false, threads);
    CWorkerThreadsScope scope(threads);
    CScriptedHost ui;
    CHostScope hostScope(&ui);
    CQznDoc doc;
    doctest::MakeImage(doc.m_image, kWidth, kHeight, 1, 8, grey.photometric);
    std::memcpy(doc.m_image.pixels, grey.pixels, static_cast<std::size_t>(grey.GetImageBytes()));
    BYTE table[256];
    MakeRangeTable(PackGreyRange(viaMask.low, viaMask.high), table);
    const RECT rc{0, 0, kWidth - 1, kHeight - 1};
    ASSERT_EQ(Binarize(doc.m_image, rc, nullptr, table), 1);
    DrawRectOutline8(doc.m_image.pixels, doc.m_image.GetRowBytes(), rc, 0);
    ASSERT_EQ(Thin(doc.m_image, rc), 1);
    DrawRectOutline8(doc.m_image.pixels, doc.m_image.GetRowBytes(), rc, 0);
    CSkeletonTracer tracer(doc.m_image, doc.m_lines, doc.m_layers);
    ASSERT_EQ(tracer.Trace8Bit(0, 0, kWidth, kHeight), 1);
    doc.m_lines.DeleteSmallInRect(0, 1, RECT{0, 0, 0, 0}, TRUE);
    const std::vector<std::string> inPlace = Describe(doc.m_lines);
    ASSERT_GT(inPlace.size(), 50u);
    ASSERT_EQ(viaMask.lines.size(), inPlace.size()) << threads << " threads";
    for (std::size_t i = 0; i < inPlace.size(); ++i) ASSERT_EQ(viaMask.lines[i], inPlace[i]) << threads << " threads";
    // The batch run leaves the traced image all clear, as walking it in
    // place does.
    EXPECT_TRUE(viaMask.pixels == Bytes(doc.m_image)) << threads << " threads";
  }
}

// The pieces run once each, progress is reported on the calling thread
// only and reaches the end, and a piece's exception reaches the caller.
TEST(Threads, ParallelForRunsEveryPieceOnceAndPassesOnFailures) {
  for (int threads : {1, 2, 8}) {
    CWorkerThreadsScope scope(threads);
    EXPECT_EQ(WorkerThreads(), threads);
    std::vector<std::atomic<int>> runs(1000);
    const auto caller = std::this_thread::get_id();
    std::int64_t last = 0;
    bool elsewhere = false;
    ParallelFor(
        1000, [&](std::int64_t i) { runs[static_cast<std::size_t>(i)].fetch_add(1); },
        [&](std::int64_t done) {
          elsewhere = elsewhere || std::this_thread::get_id() != caller;
          last = std::max(last, done);
        });
    for (const auto& r : runs) ASSERT_EQ(r.load(), 1);
    EXPECT_FALSE(elsewhere);
    EXPECT_EQ(last, 1000);
    EXPECT_THROW(ParallelFor(100,
                             [](std::int64_t i) {
                               if (i == 37) throw std::bad_alloc();
                             }),
                 std::bad_alloc);
  }
}

// The helpers outlive a call: a piece that runs a ParallelFor of its own,
// callers on several threads at once and a child process forked after the
// helpers started (it has none of them) all get every piece run once.
TEST(Threads, ParallelForNestedConcurrentAndInAForkedChild) {
  CWorkerThreadsScope scope(4);
  std::vector<std::atomic<int>> runs(64 * 50);
  ParallelFor(64, [&](std::int64_t i) {
    ParallelFor(50, [&](std::int64_t j) { runs[static_cast<std::size_t>(i * 50 + j)].fetch_add(1); });
  });
  for (const auto& r : runs) ASSERT_EQ(r.load(), 1);

  std::vector<std::atomic<int>> counts(6 * 400);
  std::vector<std::thread> callers;
  for (int c = 0; c < 6; ++c)
    callers.emplace_back([&, c] {
      for (int round = 0; round < 20; ++round)
        ParallelFor(20, [&](std::int64_t i) { counts[static_cast<std::size_t>(c * 400 + round * 20 + i)].fetch_add(1); });
    });
  for (std::thread& t : callers) t.join();
  for (const auto& n : counts) ASSERT_EQ(n.load(), 1);

#if !defined(__SANITIZE_THREAD__)  // it cannot start threads in a child of a threaded process
  std::fflush(nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::atomic<std::int64_t> sum{0};
    ParallelFor(1000, [&](std::int64_t i) { sum += i; });
    _exit(sum.load() == 999 * 1000 / 2 ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
#endif
}

// ------------------------------------------------------------ skeleton walk
//
// The centre-line tracer walks on one thread and has the walked lines
// finished on the others; its lines, their order and the image it leaves
// must not depend on the thread count, whatever the skeleton looks like
// where the work is cut: lines across every band border, junctions and
// clusters of them on the borders, rings, spurs, unthinned ink (blobs whose
// pixels are all junctions), at 1 and 8 bits, over rectangles of every
// kind.

namespace {

// A 0/1 image of the given depth from a predicate on pixels.
template <class Ink>
void MakeMask(CRasterImage& img, int w, int h, int bits, Ink&& ink) {
  doctest::MakeImage(img, w, h, 1, bits, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (ink(x, y)) {
        if (bits == 8)
          img.GetRow(y)[x] = 1;
        else
          img.GetRow(y)[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
      }
}

// The sheet's drawing thinned, as the vectorising driver walks it.
void ThinnedSheet(CRasterImage& out, int bits) {
  CRasterImage grey;
  DrawSheet(grey);
  MakeMask(out, kWidth, kHeight, bits, [&](int x, int y) { return grey.GetRow(y)[x] < 128; });
  EXPECT_EQ(Thin(out, RECT{0, 0, kWidth - 1, kHeight - 1}), 1);
}

struct Walked {
  std::vector<std::string> lines;
  std::vector<BYTE> pixels;
};

Walked WalkSkeleton(const CRasterImage& source, const RECT& rc, int threads) {
  CWorkerThreadsScope scope(threads);
  CScriptedHost ui;
  CHostScope hostScope(&ui);
  CRasterImage work;
  doctest::MakeImage(work, source.width, source.height, 1, source.bitsPerSample, 0);
  std::memcpy(work.pixels, source.pixels, static_cast<std::size_t>(source.GetImageBytes()));
  CChainList lines;
  CLayerList layers;
  CSkeletonTracer tracer(work, lines, layers);
  const int done = source.bitsPerSample == 8 ? tracer.Trace8Bit(rc.left, rc.top, rc.right, rc.bottom)
                                             : tracer.Trace1Bit(rc.left, rc.top, rc.right, rc.bottom);
  EXPECT_EQ(done, 1);
  return Walked{Describe(lines), Bytes(work)};
}

// Every thread count gives what one thread gives; rc holds left, top, width
// and height.
void ExpectSameWalkOnEveryThreadCount(const CRasterImage& source, const RECT& rc, const std::string& what,
                                      std::size_t leastLines) {
  const Walked single = WalkSkeleton(source, rc, 1);
  ASSERT_GE(single.lines.size(), leastLines) << what;
  for (int threads : kThreadCounts) {
    const Walked many = WalkSkeleton(source, rc, threads);
    ASSERT_EQ(many.lines.size(), single.lines.size()) << what << ", " << threads << " threads";
    for (std::size_t i = 0; i < single.lines.size(); ++i)
      ASSERT_EQ(many.lines[i], single.lines[i]) << what << ", " << threads << " threads, line " << i;
    ASSERT_TRUE(many.pixels == single.pixels) << what << ", " << threads << " threads";
  }
}

}  // namespace

TEST(Threads, SkeletonWalkIsTheSameOnEveryThreadCount) {
  struct Case {
    const char* name;
    std::function<void(CRasterImage&, int bits)> make;
  };
  const Case cases[] = {
      {"thinned sheet", [](CRasterImage& img, int bits) { ThinnedSheet(img, bits); }},
      // One-pixel lines every 9 pixels: a junction on and next to every
      // band border.
      {"fine grid",
       [](CRasterImage& img, int bits) {
         MakeMask(img, kWidth, 300, bits, [](int x, int y) { return x % 9 == 4 || y % 9 == 4; });
       }},
      // Diagonal staircases crossing each other, rings and spurs.
      {"staircases, rings and spurs",
       [](CRasterImage& img, int bits) {
         MakeMask(img, kWidth, 400, bits, [](int x, int y) {
           const int cx = x % 80 - 40, cy = y % 70 - 35;
           const bool ring = cx * cx + cy * cy >= 20 * 20 && cx * cx + cy * cy < 21 * 21;
           const bool stair = (x + y / 2) % 37 == 0 || (x + y / 2) % 37 == 1 || (x - y) % 53 == 0;
           const bool spur = y % 64 == 63 && x % 16 < 3;
           return ring || stair || spur;
         });
       }},
      // Unthinned ink: blobs and noise, every pixel a junction or an end.
      {"blobs and noise",
       [](CRasterImage& img, int bits) {
         std::mt19937 rng(5);
         std::vector<char> ink(static_cast<std::size_t>(kWidth) * 260);
         for (auto& v : ink) v = rng() % 100 < 30;
         MakeMask(img, kWidth, 260, bits, [&](int x, int y) {
           return ink[static_cast<std::size_t>(y) * kWidth + x] || (x / 20 + y / 20) % 5 == 0;
         });
       }},
  };
  for (const Case& c : cases)
    for (int bits : {1, 8}) {
      CRasterImage img;
      c.make(img, bits);
      const std::string what = std::string(c.name) + ", " + std::to_string(bits) + "-bit";
      // The whole image; a rectangle off its edges; one reaching past them.
      ExpectSameWalkOnEveryThreadCount(img, RECT{0, 0, img.width, img.height}, what + ", whole", 20);
      ExpectSameWalkOnEveryThreadCount(img, RECT{7, 63, img.width - 30, img.height - 100}, what + ", inner", 10);
      ExpectSameWalkOnEveryThreadCount(img, RECT{-5, -3, img.width + 40, img.height + 9}, what + ", past", 20);
    }
}

// A random w x h mask: strokes of widths 1 to widest and, when noise is
// given, specks over up to that percentage of the pixels.
void RandomMask(CRasterImage& img, std::mt19937& rng, int w, int h, int bits, int strokes, int widest, int noise) {
  CRasterImage grey;
  doctest::MakeGrey(grey, w, h);
  std::uniform_real_distribution<double> ux(0, w), uy(0, h);
  for (int k = 0; k < strokes; ++k)
    doctest::DrawLine(grey, ux(rng), uy(rng), ux(rng), uy(rng), 1 + static_cast<int>(rng() % widest));
  const int density = noise ? static_cast<int>(rng() % noise) : 0;
  MakeMask(img, w, h, bits,
           [&](int x, int y) { return grey.GetRow(y)[x] < 128 || static_cast<int>(rng() % 100) < density; });
}

// Many small generated sheets: random ink of every kind, depths and
// rectangles; every thread count against one thread.
TEST(Threads, SkeletonWalkOfRandomSheetsMatchesOneThread) {
  std::mt19937 rng(2024);
  for (int sheet = 0; sheet < 40; ++sheet) {
    const int w = 20 + static_cast<int>(rng() % 240), h = 130 + static_cast<int>(rng() % 270);
    const int bits = rng() % 2 ? 8 : 1;
    const int kind = static_cast<int>(rng() % 3);
    CRasterImage img;
    RandomMask(img, rng, w, h, bits, 5 + static_cast<int>(rng() % 40), 6, kind == 2 ? 40 : 0);
    if (kind != 1) Thin(img, RECT{0, 0, w - 1, h - 1});  // kind 1 stays unthinned
    const int left = static_cast<int>(rng() % 9) - 4, top = static_cast<int>(rng() % 9) - 4;
    const RECT rc{left, top, w - left - static_cast<int>(rng() % 9), h - top - static_cast<int>(rng() % 9)};
    ExpectSameWalkOnEveryThreadCount(img, rc, "sheet " + std::to_string(sheet), 0);
  }
}

// Outlines of random small masks at both depths: every thread count against
// one thread, lines and the marks left in the image alike.
TEST(Threads, OutlinesOfRandomMasksMatchOneThread) {
  std::mt19937 rng(77);
  for (int sheet = 0; sheet < 30; ++sheet) {
    const int w = 8 + static_cast<int>(rng() % 250), h = 130 + static_cast<int>(rng() % 270);
    const int bits = rng() % 3 ? 8 : 1;
    CRasterImage img;
    RandomMask(img, rng, w, h, bits, 3 + static_cast<int>(rng() % 30), 9, 50);
    Walked single;
    for (int threads : {1, 2, 3, 8}) {
      CWorkerThreadsScope scope(threads);
      CScriptedHost ui;
      CHostScope hostScope(&ui);
      CRasterImage work;
      doctest::MakeImage(work, w, h, 1, bits, 0);
      std::memcpy(work.pixels, img.pixels, static_cast<std::size_t>(img.GetImageBytes()));
      CChainList lines;
      CRegionTracer tracer(work.pixels, w, h, bits, lines);
      ASSERT_EQ(tracer.Trace(3), 1);
      const Walked got{Describe(lines), Bytes(work)};
      if (threads == 1) {
        single = got;
        continue;
      }
      const std::string what = "sheet " + std::to_string(sheet) + ", " + std::to_string(threads) + " threads";
      ASSERT_EQ(got.lines.size(), single.lines.size()) << what;
      for (std::size_t i = 0; i < got.lines.size(); ++i)
        ASSERT_EQ(got.lines[i], single.lines[i]) << what << ", line " << i;
      ASSERT_TRUE(got.pixels == single.pixels) << what;
    }
  }
}

// A skeleton of more than a million pixels: the walked lines fill several
// batches, finished on the other threads while the walk goes on.
TEST(Threads, SkeletonWalkOfManyBatchesMatchesOneThread) {
  CRasterImage img;
  MakeMask(img, 2000, 2000, 1, [](int x, int y) { return x % 6 == 1 || y % 6 == 1 || (x + 2 * y) % 97 == 0; });
  ExpectSameWalkOnEveryThreadCount(img, RECT{0, 0, img.width, img.height}, "dense grid", 100000);
}
