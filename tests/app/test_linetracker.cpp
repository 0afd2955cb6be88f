// Semi-automatic line tracking on drawn rasters: straight, slanted and curved
// lines 1 to 8 pixels wide followed from click to click within a pixel of
// their centre; dashed lines and gaps; junction rules at T-junctions and
// crossings, spurs stepped over; closing a loop on the first trace and on a
// later one; the image border, clicks beside the line and in blobs;
// cancelling and internal errors; the cross-section and window rules; and
// multi-line tracing along a drawn segment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/linetracker.h"
#include "app/vertexreducer.h"
#include "model/chain.h"
#include "model/chainlist.h"
#include "platform/host.h"
#include "raster/rasterimage.h"
#include "tests/raster/test_filters_util.h"

using namespace qzn;

namespace {

using Poly = std::vector<CFPoint>;

// Grey scan, ink 0 on white 255; the key takes 0 .. 127 as line pixels.
constexpr int kKey = (0 << 16) | 127;

double SegDist(const CFPoint& p, const CFPoint& a, const CFPoint& b) {
  return std::sqrt(SegmentDistanceSquared(p, a, b));
}

double PolyDist(const CFPoint& p, const Poly& poly) {
  double best = 1e9;
  for (std::size_t i = 0; i + 1 < poly.size(); ++i) best = std::min(best, SegDist(p, poly[i], poly[i + 1]));
  if (poly.size() == 1) best = std::hypot(p.x - poly[0].x, p.y - poly[0].y);
  return best;
}

// A drawing of thick polylines: a pixel is ink when its centre lies within
// half the width of a polyline.
class Drawing {
 public:
  Drawing(int w, int h) : m_w(w), m_h(h), m_ink(static_cast<std::size_t>(w) * h, 0) {}
  void Line(const Poly& poly, double width) {
    const double r = width / 2.0;
    for (std::size_t i = 0; i + 1 < poly.size(); ++i) {
      const CFPoint a = poly[i], b = poly[i + 1];
      const int x0 = std::max(0, static_cast<int>(std::floor(std::min(a.x, b.x) - r - 1)));
      const int x1 = std::min(m_w - 1, static_cast<int>(std::ceil(std::max(a.x, b.x) + r + 1)));
      const int y0 = std::max(0, static_cast<int>(std::floor(std::min(a.y, b.y) - r - 1)));
      const int y1 = std::min(m_h - 1, static_cast<int>(std::ceil(std::max(a.y, b.y) + r + 1)));
      for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
          if (SegDist(CFPoint(static_cast<float>(x), static_cast<float>(y)), a, b) <= r + 1e-6) Set(x, y, true);
    }
  }
  void Set(int x, int y, bool on) {
    if (x >= 0 && y >= 0 && x < m_w && y < m_h) m_ink[static_cast<std::size_t>(y) * m_w + x] = on;
  }
  void Clear(int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Set(x, y, false);
  }
  // 8-bit grey (photometric 1: 0 is black) or bilevel (photometric 0: 1 is
  // black).
  std::unique_ptr<CRasterImage> Image(int bits = 8) const {
    auto img = pixfix::MakeImage(m_w, m_h, bits, bits == 1 ? 0 : 1);
    for (int y = 0; y < m_h; ++y)
      for (int x = 0; x < m_w; ++x) {
        const bool ink = m_ink[static_cast<std::size_t>(y) * m_w + x] != 0;
        if (bits == 1)
          img->SetBit(x, y, ink ? 1 : 0);
        else
          img->SetByte(x, y, ink ? 0 : 255);
      }
    return img;
  }

 private:
  int m_w, m_h;
  std::vector<char> m_ink;
};

Poly Arc(double cx, double cy, double r, double a0, double a1, int n) {
  Poly p;
  for (int i = 0; i <= n; ++i) {
    const double a = a0 + (a1 - a0) * i / n;
    p.emplace_back(static_cast<float>(cx + r * std::cos(a)), static_cast<float>(cy + r * std::sin(a)));
  }
  return p;
}

Poly Wave(double x0, double x1, double y, double amp, double period) {
  Poly p;
  for (double x = x0; x <= x1 + 1e-9; x += 2.0)
    p.emplace_back(static_cast<float>(x), static_cast<float>(y + amp * std::sin((x - x0) * 2 * M_PI / period)));
  return p;
}

// Digitises a line by clicks as the line-edit tool does: the first click is
// a plain vertex, each later one calls TraceLine from the line's last vertex.
struct Digitiser {
  const CRasterImage& image;
  double tolerance = 1.0;
  CChain line;
  CLineTracker tracker;
  int last = 1;
  explicit Digitiser(const CRasterImage& img) : image(img) {}
  int Click(int x, int y, const CTraceCancel& cancel = {}) {
    if (line.GetCount() == 0) {
      line.AddPoint(static_cast<float>(x), static_cast<float>(y));
      return 1;
    }
    const CFPoint v = line.GetPoint(line.GetCount() - 1);
    const POINT prev{static_cast<int>(v.x + 0.5f), static_cast<int>(v.y + 0.5f)};
    last = TraceLine(line, prev, POINT{x, y}, image, kKey, tolerance, tracker, cancel);
    return last;
  }
  const CFPointArray& Points() const { return line.Points(); }
};

// The centre line of a drawn line of that width: the polyline carried on
// through the round end caps.
Poly CentreLine(Poly c, double width) {
  auto extend = [&](const CFPoint& end, const CFPoint& inner) {
    const double dx = end.x - inner.x, dy = end.y - inner.y, len = std::hypot(dx, dy), r = width / 2;
    return CFPoint(static_cast<float>(end.x + dx / len * r), static_cast<float>(end.y + dy / len * r));
  };
  if (c.size() >= 2) {
    c.insert(c.begin(), extend(c[0], c[1]));
    c.push_back(extend(c[c.size() - 1], c[c.size() - 2]));
  }
  return c;
}

// Largest distance of the vertices from index `from` on from the centre.
double MaxOff(const CFPointArray& pts, const Poly& centre, std::size_t from = 0) {
  double worst = 0;
  for (std::size_t i = from; i < pts.size(); ++i) worst = std::max(worst, PolyDist(pts[i], centre));
  return worst;
}

std::string Show(const CFPointArray& pts) {
  std::string s;
  for (const CFPoint& p : pts) s += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
  return s;
}

// ------------------------------------------------------------ small rules

TEST(LineTrackerRules, Quadrant) {
  struct Case {
    int x, y, code;
  } cases[] = {{5, 5, 0}, {5, 4, 1}, {9, 1, 1}, {6, 5, 2}, {9, 9, 2}, {5, 6, 3}, {1, 9, 3}, {4, 5, 4}, {1, 1, 4}};
  for (const Case& c : cases) EXPECT_EQ(CLineTracker::Quadrant(c.x, c.y, 5, 5), c.code) << c.x << "," << c.y;
}

TEST(LineTrackerRules, SearchWindowGrowsByMarginAndKeepsAspect) {
  CLineTracker t;
  RECT r;
  t.SearchWindow(POINT{10, 20}, POINT{10, 22}, r, 2);  // 7 x 9
  EXPECT_EQ(r, (RECT{7, 17, 13, 25}));
  t.SearchWindow(POINT{10, 20}, POINT{10, 31}, r, 2);  // 7 x 18: widened to 9
  EXPECT_EQ(r.bottom - r.top + 1, 18);
  EXPECT_EQ(r.right - r.left + 1, 9);
  EXPECT_LE(std::abs((r.left + r.right) - 20), 1);  // stays centred
  t.SearchWindow(POINT{10, 20}, POINT{10, 31}, r, 0);
  EXPECT_EQ(r.right - r.left + 1, 7);
}

TEST(LineTrackerRules, CrossSections) {
  // A 3-pixel horizontal bar, a 2-pixel vertical bar, a 1-pixel diagonal, a
  // lone pixel and a large blob.
  Drawing d(220, 220);
  d.Line({{10, 10}, {60, 10}}, 3);
  d.Line({CFPoint(90.5f, 10.0f), CFPoint(90.5f, 40.0f)}, 2);
  d.Line({{10, 30}, {40, 60}}, 1);
  for (int y = 95; y < 210; ++y)
    for (int x = 95; x < 210; ++x) d.Set(x, y, true);
  const auto img = d.Image();
  CLineTracker t;
  t.SetImage(img.get(), kKey);
  POINT a, b;
  int v = -1;
  ASSERT_TRUE(t.FindSection(30, 10, a, b, v));
  EXPECT_EQ(v, 1);
  EXPECT_EQ(a, (POINT{30, 9}));
  EXPECT_EQ(b, (POINT{30, 11}));
  ASSERT_TRUE(t.FindSection(90, 20, a, b, v));
  EXPECT_EQ(v, 0);
  EXPECT_EQ(b.x - a.x, 1);
  ASSERT_TRUE(t.FindSection(20, 40, a, b, v));  // passes through its one pixel
  EXPECT_EQ(v, 1);
  EXPECT_EQ(a, b);
  EXPECT_FALSE(t.FindSection(0, 0, a, b, v));      // background
  EXPECT_FALSE(t.FindSection(150, 150, a, b, v));  // blob: open both ways
}

// ------------------------------------------------------------- following

struct Shape {
  const char* name;
  Poly centre;
  int bits;
};

// Click near the start, then a little further along: the walk follows the
// line to its end, every vertex within a pixel of the centre.
TEST(LineTrackerFollow, LinesOneToEightPixelsWide) {
  const std::vector<Shape> shapes = {
      {"horizontal east", {{20, 100}, {380, 100}}, 8}, {"horizontal west", {{380, 101}, {20, 101}}, 8},
      {"vertical south", {{200, 20}, {200, 380}}, 8},  {"vertical north", {{201, 380}, {201, 20}}, 1},
      {"shallow slope", {{20, 50}, {380, 160}}, 8},    {"diagonal", {{30, 30}, {370, 370}}, 8},
      {"steep up", {{150, 380}, {260, 20}}, 1},        {"diagonal up-left", {{370, 370}, {30, 30}}, 8},
      {"arc", Arc(200, 200, 150, 0.2, 2.8, 200), 8},   {"wave", Wave(20, 380, 200, 25, 160), 1},
  };
  for (const Shape& s : shapes)
    for (int width : {1, 2, 3, 5, 8}) {
      SCOPED_TRACE(std::string(s.name) + " width " + std::to_string(width));
      Drawing d(400, 400);
      d.Line(s.centre, width);
      const auto img = d.Image(s.bits);
      // Clicks at arc lengths 10 and 25 from the start.
      std::vector<CFPoint> along;
      double acc = 0;
      double targets[2] = {10, 25};
      int ti = 0;
      for (std::size_t i = 0; i + 1 < s.centre.size() && ti < 2; ++i) {
        const CFPoint a = s.centre[i], b = s.centre[i + 1];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        while (ti < 2 && acc + len >= targets[ti]) {
          const double f = (targets[ti] - acc) / len;
          along.emplace_back(static_cast<float>(a.x + f * (b.x - a.x)), static_cast<float>(a.y + f * (b.y - a.y)));
          ++ti;
        }
        acc += len;
      }
      ASSERT_EQ(along.size(), 2u);
      Digitiser dig(*img);
      dig.Click(static_cast<int>(along[0].x + 0.5f), static_cast<int>(along[0].y + 0.5f));
      EXPECT_EQ(dig.Click(static_cast<int>(along[1].x + 0.5f), static_cast<int>(along[1].y + 0.5f)), 1);
      const CFPointArray& pts = dig.Points();
      ASSERT_GE(pts.size(), 3u) << Show(pts);
      EXPECT_LE(MaxOff(pts, CentreLine(s.centre, width), 1), 1.0) << Show(pts);
      // It reached the far end: the last vertex is a window or so short of it.
      const CFPoint end = s.centre.back();
      EXPECT_LE(std::hypot(pts.back().x - end.x, pts.back().y - end.y), 8.0 + width) << Show(pts);
      EXPECT_TRUE(dig.tracker.GetStop() == CLineTracker::Stop::LineEnd ||
                  dig.tracker.GetStop() == CLineTracker::Stop::Shrunk);
    }
}

// Clicks along a line at the given x positions (a horizontal line) or points.
void ClickAll(Digitiser& dig, const std::vector<POINT>& clicks) {
  for (const POINT& c : clicks) dig.Click(c.x, c.y);
}

// The trace stops before a branch that leaves the line and before a
// crossing line; a click beyond it goes on along the main line. Spurs that
// fit in the larger window are stepped over.
TEST(LineTrackerFollow, JunctionsStopTheWalk) {
  struct Case {
    const char* name;
    Poly branch;  // drawn besides the main line y = 200, x 20 .. 380
    bool stops;
  } cases[] = {
      {"branch up", {{200, 200}, {200, 40}}, true},
      {"branch down", {{200, 200}, {200, 360}}, true},
      {"branch slanting back", {{200, 200}, {120, 120}}, true},
      {"crossing", {{200, 40}, {200, 360}}, true},
      {"crossing at a slant", {{120, 40}, {280, 360}}, true},
      {"spur of 3 pixels", {{200, 200}, {200, 195}}, false},
  };
  for (const Case& c : cases)
    for (int width : {1, 3, 6}) {
      SCOPED_TRACE(std::string(c.name) + " width " + std::to_string(width));
      if (!c.stops && width != 3) continue;  // the spur is drawn for width 3
      const Poly main = {{20, 200}, {380, 200}};
      Drawing d(400, 400);
      d.Line(main, width);
      d.Line(c.branch, c.stops ? width : 1.0);
      const auto img = d.Image();
      Digitiser dig(*img);
      ClickAll(dig, {{30, 200}, {45, 200}});
      const CFPointArray& pts = dig.Points();
      EXPECT_LE(MaxOff(pts, main), 1.0) << Show(pts);
      if (!c.stops) {
        EXPECT_GE(pts.back().x, 370) << Show(pts);
        continue;
      }
      EXPECT_EQ(dig.tracker.GetStop(), CLineTracker::Stop::Junction);
      // Before the branch comes into the window, but not a larger window
      // before it.
      const float branchX = std::min(c.branch[0].x, c.branch[1].x) < 190 ? 200 : std::min(c.branch[0].x, c.branch[1].x);
      EXPECT_LE(pts.back().x, branchX - width / 2.0f) << Show(pts);
      EXPECT_GT(pts.back().x, branchX - 16 - 4 * width) << Show(pts);
      // A click beyond the junction goes on to the end.
      EXPECT_EQ(dig.Click(static_cast<int>(branchX) + 40, 200), 1);
      EXPECT_LE(MaxOff(pts, main), 1.0) << Show(pts);
      EXPECT_GE(pts.back().x, 370) << Show(pts);
    }
}

// Gaps and dashes end the walk; a click on the next piece goes on, and the
// whole line stays on the centre.
TEST(LineTrackerFollow, GapsAndDashes) {
  for (int width : {1, 2, 4, 8}) {
    SCOPED_TRACE("width " + std::to_string(width));
    const Poly centre = Arc(200, 380, 300, -2.2, -0.94, 300);
    Drawing d(400, 400);
    d.Line(centre, width);
    // Gaps of 3 to 6 pixels every 50 pixels along the arc; a click just
    // beyond each.
    std::vector<POINT> clicks;
    for (std::size_t i = 0; i + 1 < centre.size(); ++i) {
      const int k = static_cast<int>(i);
      const CFPoint p = centre[i];
      if (k % 40 == 20) {
        const int gap = 3 + (k / 40) % 4;
        const double r = width / 2.0 + 1;
        for (int y = static_cast<int>(p.y - r - 1); y <= p.y + r + 1; ++y)
          for (int x = static_cast<int>(p.x - 1); x < p.x - 1 + gap; ++x) d.Set(x, y, false);
      }
      if (k == 2 || k == 6 || k % 40 == 28)
        clicks.push_back(POINT{static_cast<int>(p.x + 0.5f), static_cast<int>(p.y + 0.5f)});
    }
    const auto img = d.Image();
    Digitiser dig(*img);
    for (const POINT& c : clicks) {
      dig.Click(c.x, c.y);
      EXPECT_EQ(dig.last, 1);
    }
    const CFPointArray& pts = dig.Points();
    EXPECT_LE(MaxOff(pts, CentreLine(centre, width)), 1.0) << Show(pts);
    EXPECT_GT(pts.size(), clicks.size()) << Show(pts);
    EXPECT_GE(pts.back().x, centre.back().x - 8 - width) << Show(pts);
  }
}

// A loop closes on the first trace, and on a later one that comes back to
// the start section after a junction; the start section of one line is kept
// by its own tracker while another line is drawn.
TEST(LineTrackerFollow, ClosesLoops) {
  for (int width : {1, 3, 7}) {
    SCOPED_TRACE("width " + std::to_string(width));
    const Poly ring = Arc(150, 150, 80, 0, 2 * M_PI, 400);
    const Poly other = {{300, 30}, {300, 280}};
    Drawing d(320, 320);
    d.Line(ring, width);
    d.Line(other, width);
    const auto img = d.Image();
    {
      Digitiser dig(*img);
      ClickAll(dig, {{230, 150}, {228, 165}});
      EXPECT_EQ(dig.last, 0);
      EXPECT_TRUE(dig.tracker.IsClosed());
      const CFPointArray& pts = dig.Points();
      EXPECT_EQ(pts.front(), pts.back());
      EXPECT_GE(pts.size(), 8u);
      EXPECT_LE(MaxOff(pts, ring), 1.0) << Show(pts);
    }
    // With a branch at the left the first trace stops there; the line of
    // another tracker drawn meanwhile does not disturb it.
    d.Line({{70, 150}, {10, 150}}, width);
    const auto img2 = d.Image();
    Digitiser dig(*img2);
    ClickAll(dig, {{230, 150}, {228, 165}});
    EXPECT_EQ(dig.last, 1);
    EXPECT_EQ(dig.tracker.GetStop(), CLineTracker::Stop::Junction);
    Digitiser meanwhile(*img2);
    ClickAll(meanwhile, {{300, 40}, {300, 55}});
    EXPECT_EQ(meanwhile.last, 1);
    EXPECT_EQ(dig.Click(73, 125), 0);
    const CFPointArray& pts = dig.Points();
    EXPECT_EQ(pts.front(), pts.back());
    EXPECT_LE(MaxOff(pts, ring), 1.0) << Show(pts);
  }
}

TEST(LineTrackerEdges, ImageBorderClicksBesideAndInBlobs) {
  Drawing d(400, 400);
  d.Line({{20, 100}, {420, 100}}, 3);  // runs off the right border
  d.Line({{20, 200}, {300, 200}}, 1);
  for (int y = 240; y < 395; ++y)
    for (int x = 240; x < 395; ++x) d.Set(x, y, true);
  const auto img = d.Image();
  {
    Digitiser dig(*img);
    ClickAll(dig, {{30, 100}, {50, 100}});
    EXPECT_EQ(dig.tracker.GetStop(), CLineTracker::Stop::ImageBorder);
    const CFPoint last = dig.Points().back();
    EXPECT_GE(last.x, 399 - 3 - 3);  // the window stays a margin off the border
    EXPECT_LE(last.x, 399 - 1);
  }
  {
    // One pixel above a thin line: the walk starts on the line.
    Digitiser dig(*img);
    ClickAll(dig, {{30, 200}, {50, 199}});
    EXPECT_EQ(dig.last, 1);
    EXPECT_EQ(dig.Points()[1].y, 200);
    EXPECT_NEAR(dig.Points()[1].x, 50, 1);
    EXPECT_GE(dig.Points().back().x, 295);
  }
  struct Plain {
    const char* name;
    POINT click;
  } plains[] = {{"inside a blob", {320, 320}}, {"on the background", {200, 150}}};
  for (const Plain& p : plains) {
    Digitiser dig(*img);
    ClickAll(dig, {{310, 310}, p.click});
    EXPECT_EQ(dig.last, 1) << p.name;
    ASSERT_EQ(dig.Points().size(), 2u) << p.name;
    EXPECT_EQ(dig.Points()[1], CFPoint(static_cast<float>(p.click.x), static_cast<float>(p.click.y))) << p.name;
    EXPECT_EQ(dig.tracker.GetStop(), CLineTracker::Stop::NoStart) << p.name;
  }
}

// A closed line that is not the line's start: the walk goes round it until
// the point limit and the click becomes a plain vertex.
TEST(LineTrackerEdges, PointLimitOnAForeignRing) {
  Drawing d(200, 200);
  d.Line(Arc(100, 100, 40, 0, 2 * M_PI, 200), 3);
  d.Line({{20, 190}, {180, 190}}, 3);
  const auto img = d.Image();
  Digitiser dig(*img);
  ClickAll(dig, {{30, 190}, {60, 190}});  // the line starts on the straight line
  EXPECT_EQ(dig.Click(140, 100), 1);
  EXPECT_EQ(dig.tracker.GetStop(), CLineTracker::Stop::Limit);
  EXPECT_EQ(dig.Points().back(), CFPoint(140, 100));
}

// Cancelling keeps what was gathered; an internal error (here the image is
// wiped under the walk) ends it with one message and the line unchanged.
TEST(LineTrackerEdges, CancelAndInternalError) {
  Drawing d(1200, 100);
  const Poly centre = {{20, 50}, {1180, 50}};
  d.Line(centre, 3);
  auto img = d.Image();
  {
    CScriptedHost host;
    CHostScope scope(&host);
    Digitiser dig(*img);
    int polls = 0;
    dig.Click(30, 50);
    EXPECT_EQ(dig.Click(40, 50, [&] { return ++polls > 20; }), 1);
    EXPECT_EQ(dig.tracker.GetStop(), CLineTracker::Stop::Cancelled);
    const CFPointArray& pts = dig.Points();
    EXPECT_GT(pts.size(), 2u);
    EXPECT_GT(pts.back().x, 60);
    EXPECT_LT(pts.back().x, 200);
    EXPECT_TRUE(host.messages.empty());
  }
  {
    CScriptedHost host;
    CHostScope scope(&host);
    Digitiser dig(*img);
    ClickAll(dig, {{30, 50}, {35, 50}});
    ASSERT_GE(dig.Points().size(), 2u);
    const CFPointArray before = dig.Points();
    int polls = 0;
    EXPECT_EQ(dig.Click(600, 50,
                        [&] {
                          if (++polls == 10)
                            std::memset(img->pixels, 255, static_cast<std::size_t>(img->GetImageBytes()));
                          return false;
                        }),
              0);
    EXPECT_EQ(dig.tracker.GetStop(), CLineTracker::Stop::Error);
    EXPECT_EQ(dig.Points(), before);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.rfind("内部错误 #", 0), 0u) << host.messages[0].text;
  }
}

// ------------------------------------------------------ multi-line tracing

std::vector<CFPointArray> Lines(const CChainList& list) {
  std::vector<CFPointArray> out;
  for (POSITION pos = list.GetHeadPosition(); pos;) out.push_back(list.GetNext(pos)->Points());
  return out;
}

TEST(LineTrackerEx, TracesEveryLineTheSegmentCrosses) {
  Drawing d(400, 400);
  const Poly l1 = {{50, 100}, {350, 100}}, l2 = Wave(50, 350, 160, 8, 120), ring = Arc(200, 300, 50, 0, 2 * M_PI, 300);
  d.Line(l1, 1);
  d.Line(l2, 4);
  d.Line(ring, 3);
  for (int bits : {8, 1}) {
    SCOPED_TRACE("bits " + std::to_string(bits));
    const auto img = d.Image(bits);
    CChainList list;
    // From above the first line down through the wave and across the ring
    // twice.
    EXPECT_EQ(TraceLineEx(POINT{200, 60}, POINT{200, 390}, list, *img, kKey, 7, 1.0), 3);
    const auto lines = Lines(list);
    ASSERT_EQ(lines.size(), 3u);
    const Poly* truth[3] = {&l1, &l2, &ring};
    const int widths[3] = {1, 4, 3};
    for (int i = 0; i < 3; ++i) {
      EXPECT_LE(MaxOff(lines[i], CentreLine(*truth[i], widths[i])), 1.0) << Show(lines[i]);
      if (i < 2) {
        // Both ways from the crossing to the line's two ends.
        const float lo = std::min(lines[i].front().x, lines[i].back().x);
        const float hi = std::max(lines[i].front().x, lines[i].back().x);
        EXPECT_LE(lo, 60) << Show(lines[i]);
        EXPECT_GE(hi, 340) << Show(lines[i]);
      } else {
        EXPECT_EQ(lines[i].front(), lines[i].back());
        EXPECT_GE(lines[i].size(), 8u);
      }
    }
    for (POSITION pos = list.GetHeadPosition(); pos;) EXPECT_EQ(list.GetNext(pos)->m_nLayer, 7);
  }
}

TEST(LineTrackerEx, SegmentEndsAndShortSegments) {
  Drawing d(300, 300);
  d.Line({{20, 100}, {280, 100}}, 3);
  d.Line({{20, 150}, {280, 150}}, 3);
  const auto img = d.Image();
  struct Case {
    const char* name;
    POINT a, b;
    int made;
  } cases[] = {
      {"both crossed", {100, 80}, {100, 180}, 2},
      {"starts on the first line", {100, 100}, {100, 180}, 1},
      {"ends on the second line", {100, 80}, {100, 150}, 1},
      {"too short", {100, 99}, {102, 101}, 0},
      {"nothing crossed", {30, 20}, {250, 60}, 0},
  };
  for (const Case& c : cases) {
    CChainList list;
    EXPECT_EQ(TraceLineEx(c.a, c.b, list, *img, kKey, 0, 1.0), c.made) << c.name;
    EXPECT_EQ(list.GetCount(), c.made) << c.name;
  }
  // Cancelled during the first line: what it gathered becomes a line, the
  // second crossing is not traced.
  CChainList list;
  int polls = 0;
  EXPECT_EQ(TraceLineEx(POINT{100, 80}, POINT{100, 180}, list, *img, kKey, 0, 1.0, [&] { return ++polls > 10; }), 1);
  ASSERT_EQ(list.GetCount(), 1);
  const CFRect extent = list.GetHead()->GetExtent();
  EXPECT_LT(extent.right - extent.left, 100);
}

}  // namespace
