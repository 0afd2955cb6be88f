#include "app/linetracker.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include "app/vertexreducer.h"
#include "model/chain.h"
#include "model/chainlist.h"
#include "platform/host.h"
#include "raster/rasterimage.h"
#include "resources/messages_app.h"
#include "resources/messages_common.h"

namespace qzn {

namespace {

// Moore neighbours of the first end, clockwise on screen (y downwards):
// E, SE, S, SW, W, NW, N, NE. The second end uses the vertically mirrored
// order, so the two ends run along opposite edges in the same direction.
constexpr int kClockwise[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
constexpr int kMirrored[8][2] = {{1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}};

// An edge walk coming back to its own start after more steps than this has
// gone round a hole or an island: that end stays where it was.
constexpr int kLoopSteps = 50;
// Border crossings recorded by the junction test; more count as a junction.
constexpr int kMaxCrossings = 20;
// Side of the larger window tried once at a junction, unless the line is
// wider than 2 pixels (then 4 x its mean width).
constexpr int kBridgeSide = 10;
// Longest run FindSection looks along; a run this long is "open".
constexpr int kSectionReach = 49;
constexpr int kMaxCrossingsEx = 100;
// Clean rounds backed out at a junction.
constexpr int kBackUp = 2;

bool OnBorder(const POINT& p, const RECT& w) {
  return p.x == w.left || p.x == w.right || p.y == w.top || p.y == w.bottom;
}
bool Inside(const POINT& p, const RECT& w) {
  return p.x >= w.left && p.x <= w.right && p.y >= w.top && p.y <= w.bottom;
}

// The window's border pixels as a ring, clockwise on screen from the top-left
// corner: top row, right column, bottom row, left column.
struct Ring {
  explicit Ring(const RECT& r) : w(r), cx(r.right - r.left), cy(r.bottom - r.top) {}
  int Length() const { return 2 * (cx + cy); }
  int Index(const POINT& p) const {
    if (p.y == w.top) return p.x - w.left;
    if (p.x == w.right) return cx + (p.y - w.top);
    if (p.y == w.bottom) return cx + cy + (w.right - p.x);
    return 2 * cx + cy + (w.bottom - p.y);
  }
  POINT At(int k) const {
    if (k < cx) return POINT{w.left + k, w.top};
    if (k < cx + cy) return POINT{w.right, w.top + (k - cx)};
    if (k < 2 * cx + cy) return POINT{w.right - (k - cx - cy), w.bottom};
    return POINT{w.left, w.bottom - (k - 2 * cx - cy)};
  }
  RECT w;
  int cx, cy;
};

void ShowOutOfMemory() { AfxMessageBox(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP); }

}  // namespace

CLineTracker::CLineTracker(int margin, int aspect, int mode)
    : m_nMargin(std::max(1, margin)), m_nAspect(aspect), m_nMode(mode) {}

void CLineTracker::SetImage(const CRasterImage* image, int traceKey) {
  m_image = image;
  m_nKey = traceKey;
}

bool CLineTracker::IsLinePixel(int x, int y) const { return m_image && m_image->IsForeground(x, y, m_nKey) == 1; }

int CLineTracker::Quadrant(int x, int y, int x0, int y0) {
  if (x == x0 && y == y0) return 0;
  if (x >= x0 && y < y0) return 1;
  if (x > x0 && y >= y0) return 2;
  if (x <= x0 && y > y0) return 3;
  return 4;
}

std::string CLineTracker::GetErrorText() const {
  if (m_nError <= 0) return {};
  char text[32];
  std::snprintf(text, sizeof text, res::text::kInternalErrorFormat, m_nError, m_nError == 2 ? "!" : "");
  return text;
}

bool CLineTracker::PassesThrough(int x, int y, bool vertical) const {
  auto on = [&](int code) { return IsLinePixel(x + kClockwise[code][0], y + kClockwise[code][1]); };
  enum { E, SE, S, SW, W, NW, N, NE };
  // Pairs of opposite or nearly opposite neighbours the line may pass by.
  static constexpr int kAcross[7][2] = {{E, W}, {SE, NW}, {NE, SW}, {W, SE}, {W, NE}, {E, NW}, {E, SW}};
  static constexpr int kAlong[7][2] = {{S, N}, {SE, NW}, {NE, SW}, {S, NW}, {S, NE}, {N, SW}, {N, SE}};
  const auto& pairs = vertical ? kAcross : kAlong;
  for (const auto& pr : pairs)
    if (on(pr[0]) && on(pr[1])) return true;
  return false;
}

int CLineTracker::FindSection(int x, int y, POINT& end1, POINT& end2, int& vertical) const {
  if (!IsLinePixel(x, y)) return 0;
  // Line pixels next to (x, y) in one direction; open when no background
  // pixel comes within reach.
  auto run = [&](int dx, int dy, bool& open) {
    for (int k = 1; k <= kSectionReach; ++k)
      if (!IsLinePixel(x + dx * k, y + dy * k)) {
        open = false;
        return k - 1;
      }
    open = true;
    return kSectionReach;
  };
  bool upOpen, downOpen, leftOpen, rightOpen;
  const int up = run(0, -1, upOpen), down = run(0, 1, downOpen);
  const int left = run(-1, 0, leftOpen), right = run(1, 0, rightOpen);
  const bool vClosed = !upOpen && !downOpen, hClosed = !leftOpen && !rightOpen;
  bool vert;
  if (vClosed)
    vert = !(hClosed && left + right < up + down);
  else if (hClosed)
    vert = false;
  else
    return 0;
  if (vert) {
    if (up + down == 0 && !PassesThrough(x, y, true)) return 0;
    end1 = POINT{x, y - up};
    end2 = POINT{x, y + down};
  } else {
    if (left + right == 0 && !PassesThrough(x, y, false)) return 0;
    end1 = POINT{x - left, y};
    end2 = POINT{x + right, y};
  }
  vertical = vert ? 1 : 0;
  return 1;
}

void CLineTracker::SearchWindow(const POINT& end1, const POINT& end2, RECT& window, int aspect) const {
  window.left = std::min(end1.x, end2.x) - m_nMargin;
  window.right = std::max(end1.x, end2.x) + m_nMargin;
  window.top = std::min(end1.y, end2.y) - m_nMargin;
  window.bottom = std::max(end1.y, end2.y) + m_nMargin;
  if (aspect <= 0) return;
  // Grow the short side alternately on either side so the window stays
  // centred on the section.
  for (bool far = true;; far = !far) {
    const std::int64_t w = window.right - window.left + 1, h = window.bottom - window.top + 1;
    if (w * aspect < h) {
      (far ? window.right : window.left) += far ? 1 : -1;
    } else if (h * aspect < w) {
      (far ? window.bottom : window.top) += far ? 1 : -1;
    } else {
      break;
    }
  }
}

bool CLineTracker::FindStart(int& x, int& y) const {
  if (IsLinePixel(x, y)) return true;
  for (const auto& d : kClockwise)
    if (IsLinePixel(x + d[0], y + d[1])) {
      x += d[0];
      y += d[1];
      return true;
    }
  return false;
}

// The first end is the one whose edge walk (clockwise search) keeps the
// background on its left; scan is where a fresh end starts looking for the
// background beside it. A new section, ends top then bottom (vertical) or
// left then right (horizontal), walks east or north.
void CLineTracker::SetSection(const POINT& a, const POINT& b, bool vertical) {
  Section s;
  s.vertical = vertical;
  s.fresh = true;
  s.end[0].p = a;
  s.end[1].p = b;
  s.end[0].scan = vertical ? 6 : 4;
  s.end[1].scan = vertical ? 6 : 0;
  m_section = s;
}

// Exchanges the ends of a fresh section, so that it walks the other way
// (west or south).
void CLineTracker::FlipSection() {
  std::swap(m_section.end[0].p, m_section.end[1].p);
  const bool v = m_section.vertical;
  m_section.end[0].scan = v ? (m_section.end[0].scan == 6 ? 2 : 6) : (m_section.end[0].scan == 4 ? 0 : 4);
  m_section.end[1].scan = v ? m_section.end[0].scan : (m_section.end[0].scan == 4 ? 0 : 4);
  m_section.fresh = true;
}

void CLineTracker::Begin() {
  m_stop = Stop::Running;
  m_bClosed = false;
  m_nError = 0;
}

// One step along an edge: the first line pixel among the neighbours d,
// d + 1, ... d + 7 in the given order; the next search starts just past the
// pixel the step came from. False when no neighbour is a line pixel.
bool CLineTracker::MooreStep(POINT& p, int& d, const int (&dirs)[8][2]) const {
  for (int i = 0; i < 8; ++i) {
    const int c = (d + i) % 8;
    if (IsLinePixel(p.x + dirs[c][0], p.y + dirs[c][1])) {
      p.x += dirs[c][0];
      p.y += dirs[c][1];
      d = (c + 5) % 8;
      return true;
    }
  }
  return false;
}

CLineTracker::EdgeStop CLineTracker::AdvanceEnd(int k, const RECT& window, const POINT& otherEnd, bool closureTest,
                                                int errorBase) {
  End& e = m_section.end[k];
  const auto& dirs = k == 0 ? kClockwise : kMirrored;
  const bool fresh = m_section.fresh;
  auto line = [&](const POINT& p, int code) { return IsLinePixel(p.x + dirs[code][0], p.y + dirs[code][1]); };
  if (fresh) {
    // Start just past the first background neighbour, so the search sweeps
    // from the outside of the edge round to the line.
    int found = -1;
    for (int i = 0; i < 8 && found < 0; i += 2)
      if (!line(e.p, (e.scan + i) % 8)) found = (e.scan + i) % 8;
    if (found < 0) {
      m_nError = errorBase + (k == 0 ? 2 : 4);
      return EdgeStop::Error;
    }
    e.dir = (found + 1) % 8;
  }
  const POINT start = e.p;
  POINT p = e.p;
  int d = e.dir;
  // The walk cannot leave the window without stepping on its border, so it
  // is done within a few rounds of the window's area.
  const std::int64_t maxSteps =
      4 * static_cast<std::int64_t>(window.right - window.left + 1) * (window.bottom - window.top + 1) + 16;
  for (std::int64_t step = 1;; ++step) {
    const bool moved = MooreStep(p, d, dirs);
    if (!moved || step > maxSteps) {
      m_nError = !moved ? errorBase + (k == 0 ? 3 : 5) : 10;
      return EdgeStop::Error;
    }
    if (p == otherEnd) return EdgeStop::LineEnd;
    if (closureTest && (p == m_start.end1 || p == m_start.end2)) return EdgeStop::Closure;
    if (p == start && step > kLoopSteps) return EdgeStop::Loop;
    if (OnBorder(p, window)) {
      e.p = p;
      e.dir = d;
      return EdgeStop::Border;
    }
  }
}

bool CLineTracker::ContinuesOutward(const POINT& p, const RECT& window) const {
  for (const auto& d : kClockwise) {
    const POINT q{p.x + d[0], p.y + d[1]};
    if ((OnBorder(q, window) || !Inside(q, window)) && IsLinePixel(q.x, q.y)) return true;
  }
  return false;
}

int CLineTracker::CountRuns(const RECT& window, const POINT& from, const POINT& to, int widen) const {
  const Ring ring(window);
  const int len = ring.Length();
  const int last = (ring.Index(to) + widen) % len;
  int runs = 0;
  bool inRun = false;
  for (int i = (ring.Index(from) - widen + len) % len, n = 0; n < len; i = (i + 1) % len, ++n) {
    const POINT q = ring.At(i);
    const bool on = IsLinePixel(q.x, q.y);
    if (on && !inRun && ++runs > kMaxCrossings) break;
    inRun = on;
    if (i == last) break;
  }
  return runs;
}

// Walks the window's border from the first end of the new section clockwise
// (through the part of the window ahead) to the second end and counts the
// runs of line pixels met: one run, the section itself, means no branch
// leaves the window. A branch that just touches the window's border may
// merge with the section there, so the ring one pixel further out is
// counted too; with nothing there, the line ends at the border. When the
// line's end cap only just pokes out of the window the section is a chord of
// the cap, off the centre line: a short look along the first end's edge
// beyond the border, which comes round to the second end, tells.
CLineTracker::Exit CLineTracker::CheckExit(const RECT& window) const {
  const POINT a = m_section.end[0].p, b = m_section.end[1].p;
  // The section's ends are where its edges meet the border, so the run
  // must end there; one that goes on along the border has merged with a
  // branch running along it.
  if (CountRuns(window, a, b, 0) != 1) return Exit::Junction;
  {
    const Ring ring(window);
    const int len = ring.Length();
    const POINT before = ring.At((ring.Index(a) + len - 1) % len), after = ring.At((ring.Index(b) + 1) % len);
    if ((!(before == b) && IsLinePixel(before.x, before.y)) || (!(after == a) && IsLinePixel(after.x, after.y)))
      return Exit::Junction;
  }
  if (a == b) return Exit::Clean;
  const RECT outer{window.left - 1, window.top - 1, window.right + 1, window.bottom + 1};
  auto out = [&](const POINT& p) {
    return POINT{p.x + (p.x == window.left    ? -1
                        : p.x == window.right ? 1
                                              : 0),
                 p.y + (p.y == window.top      ? -1
                        : p.y == window.bottom ? 1
                                               : 0)};
  };
  const int outerRuns = CountRuns(outer, out(a), out(b), 1);
  if (outerRuns == 0) return Exit::Ends;
  if (outerRuns > 1) return Exit::Junction;
  const int span = std::max(std::abs(a.x - b.x), std::abs(a.y - b.y));
  const int lookahead = span + 2 * m_nMargin;
  POINT p = a;
  int d = m_section.end[0].dir;
  for (int step = 0; step < lookahead; ++step) {
    if (!MooreStep(p, d, kClockwise)) break;
    if (p == b) return Exit::Ends;
    // Back inside the window, or at the image's edge, which cuts the line
    // rather than ending it.
    if ((Inside(p, window) && !OnBorder(p, window)) || p.x <= 0 || p.y <= 0 || p.x >= m_image->width - 1 ||
        p.y >= m_image->height - 1)
      break;
  }
  return Exit::Clean;
}

bool CLineTracker::Enlarge(RECT& window, float meanWidth) const {
  const int rounded = static_cast<int>(meanWidth + 0.5f);
  const int side = rounded > 2 ? static_cast<int>(4.0f * meanWidth + 0.5f) : kBridgeSide;
  auto w = [&] { return window.right - window.left + 1; };
  auto h = [&] { return window.bottom - window.top + 1; };
  if (w() >= side && h() >= side) return false;
  while (w() < side) --window.left, ++window.right;
  while (h() < side) --window.top, ++window.bottom;
  return true;
}

CLineTracker::Stop CLineTracker::Walk(CTracePointList& list, bool closureTest, bool ownStart, int errorBase) {
  bool bridging = false, keepWindow = false;
  RECT window{};
  // The sections the last clean rounds started from, newest first, and how
  // many of their points may be backed out at a junction.
  Section history[kBackUp];
  int canBackUp = 0;
  // Every round adds a point except the retries at junctions, so the rounds
  // are bounded as the points are.
  for (std::int64_t rounds = 0;; ++rounds) {
    if (m_cancel && m_cancel()) return Stop::Cancelled;
    if (list.GetCount() > kMaxPoints || rounds > 3 * kMaxPoints) return Stop::Limit;
    if (!keepWindow) SearchWindow(m_section.end[0].p, m_section.end[1].p, window, m_nAspect);
    keepWindow = false;
    if (!m_image || window.left <= 0 || window.top <= 0 || window.right >= m_image->width - 1 ||
        window.bottom >= m_image->height - 1)
      return Stop::ImageBorder;

    const Section before = m_section;
    for (int k = 0; k < 2; ++k) {
      switch (AdvanceEnd(k, window, before.end[1 - k].p, closureTest && k == 0, errorBase)) {
        case EdgeStop::Border:
        case EdgeStop::Loop:  // that end stays where it was
          break;
        case EdgeStop::LineEnd: m_section = before; return Stop::LineEnd;
        case EdgeStop::Closure:
          m_section = before;
          // Right after the start of the line's first trace, coming back to
          // the start section is a tiny loop, not a closed line.
          if (ownStart && list.GetCount() <= 2) return Stop::LineEnd;
          m_bClosed = true;
          return Stop::Closed;
        case EdgeStop::Error: m_section = before; return Stop::Error;
      }
    }
    m_section.fresh = false;
    const POINT a = m_section.end[0].p, b = m_section.end[1].p;
    if (a == before.end[0].p && b == before.end[1].p) return Stop::Stuck;
    if (a == b && !ContinuesOutward(a, window)) {
      list.AppendMidpoint(a.x, a.y, b.x, b.y);
      return Stop::Shrunk;
    }
    const Exit exit = CheckExit(window);
    if (exit == Exit::Ends) return Stop::LineEnd;
    if (exit == Exit::Clean) {
      list.AppendMidpoint(a.x, a.y, b.x, b.y);
      // A point found in the larger window stays: backing out of it again
      // could go round in circles at a spur.
      canBackUp =
          bridging ? 0 : static_cast<int>(std::min<std::int64_t>({canBackUp + 1, kBackUp, list.GetCount() - 1}));
      for (int i = kBackUp - 1; i > 0; --i) history[i] = history[i - 1];
      history[0] = before;
      bridging = false;
      continue;
    }
    // A branch leaves the window. The new section spans the branch, so its
    // midpoint is off the line; so may the last ones be, when the branch
    // first showed in a corner of the window ahead and merged with the line
    // there. Drop them and try once more from the section before them in a
    // larger window, which steps over spurs and small blots.
    m_section = before;
    if (bridging) return Stop::Junction;
    if (canBackUp > 0) {
      list.RemoveTail(canBackUp);
      m_section = history[canBackUp - 1];
      SearchWindow(m_section.end[0].p, m_section.end[1].p, window, m_nAspect);
      canBackUp = 0;
    }
    if (!Enlarge(window, list.GetMeanWidth())) return Stop::Junction;
    bridging = true;
    keepWindow = true;
  }
}

int CLineTracker::Trace(int x, int y, int direction, CTracePointList& list) {
  Begin();
  if (m_bFirstClick) m_start.valid = false;
  POINT a, b;
  int vertical = 0;
  if (!FindStart(x, y) || !FindSection(x, y, a, b, vertical)) {
    m_stop = Stop::NoStart;
    return 0;
  }
  // Walk on in the way the user is drawing: a vertical section (the line
  // runs across it) walks east unless the click moved west, a horizontal one
  // north unless the click moved south.
  const bool reverse = vertical ? (direction == 3 || direction == 4) : (direction == 2 || direction == 3);
  SetSection(a, b, vertical != 0);
  if (reverse) FlipSection();
  list.Start(a.x, a.y, b.x, b.y);
  if (m_bFirstClick) m_start = StartSection{m_section.end[0].p, m_section.end[1].p, true};
  m_stop = Walk(list, m_nMode == 1 && m_start.valid, m_bFirstClick, 0);
  if (m_stop == Stop::Limit || m_stop == Stop::Error) return 0;
  return list.GetCount() > 1 ? 1 : 0;
}

int CLineTracker::TraceEx(int x, int y, CTracePointList& list) {
  Begin();
  POINT a, b;
  int vertical = 0;
  if (!FindStart(x, y) || !FindSection(x, y, a, b, vertical)) {
    m_stop = Stop::NoStart;
    return 0;
  }
  SetSection(a, b, vertical != 0);
  list.Start(a.x, a.y, b.x, b.y);
  // The walk's own start section closes a closed line after one round.
  m_start = StartSection{a, b, true};
  m_stop = Walk(list, m_nMode == 1, true, 0);
  if (m_stop == Stop::Closed || m_stop == Stop::Cancelled || m_stop == Stop::Limit || m_stop == Stop::Error)
    return m_stop == Stop::Limit || m_stop == Stop::Error ? 0 : (list.GetCount() > 1 ? 1 : 0);
  // The other way from the start section.
  SetSection(a, b, vertical != 0);
  FlipSection();
  list.Reverse();
  m_stop = Walk(list, false, false, 4);
  if (m_stop == Stop::Limit || m_stop == Stop::Error) return 0;
  return list.GetCount() > 1 ? 1 : 0;
}

// ------------------------------------------------------------------ entries

int TraceLine(CChain& line, const POINT& previous, const POINT& click, const CRasterImage& image, int traceKey,
              double tolerance, CLineTracker& tracker, const CTraceCancel& cancel) {
  try {
    tracker.SetImage(&image, traceKey);
    tracker.SetCancel(cancel);
    tracker.SetFirstClick(line.GetCount() == 1);
    CTracePointList points;
    const int direction = CLineTracker::Quadrant(click.x, click.y, previous.x, previous.y);
    if (!tracker.Trace(click.x, click.y, direction, points)) {
      if (tracker.GetStop() == CLineTracker::Stop::Error) {
        // The line stays as it was; one message says what went wrong.
        AfxMessageBox(tracker.GetErrorText(), MB_OK | MB_ICONSTOP);
        return 0;
      }
      line.AddPoint(static_cast<float>(click.x), static_cast<float>(click.y));
      return 1;
    }
    CVertexReducer().ReducePoints(points, tolerance);
    // Build the new vertices aside so that running out of memory leaves the
    // line as it was.
    CFPointArray vertices(line.Points());
    const bool closed = tracker.IsClosed() && !vertices.empty();
    // A closed line starts at the traced start section, not at the first
    // click beside it.
    if (closed) vertices.erase(vertices.begin());
    vertices.reserve(vertices.size() + points.Points().size() + 1);
    for (const POINT& p : points.Points()) vertices.emplace_back(static_cast<float>(p.x), static_cast<float>(p.y));
    if (closed) vertices.push_back(vertices.front());
    line.m_points.swap(vertices);
    return closed ? 0 : 1;
  } catch (const std::bad_alloc&) {
    ShowOutOfMemory();
    return 0;
  }
}

namespace {

// Whether p lies within reach of the polyline of the points.
bool NearPolyline(const std::vector<POINT>& pts, const RECT& bounds, const POINT& p, double reach) {
  if (p.x < bounds.left - reach || p.x > bounds.right + reach || p.y < bounds.top - reach ||
      p.y > bounds.bottom + reach)
    return false;
  const CFPoint q(static_cast<float>(p.x), static_cast<float>(p.y));
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const CFPoint a(static_cast<float>(pts[i].x), static_cast<float>(pts[i].y));
    const CFPoint b =
        i + 1 < pts.size() ? CFPoint(static_cast<float>(pts[i + 1].x), static_cast<float>(pts[i + 1].y)) : a;
    if (SegmentDistanceSquared(q, a, b) <= reach * reach) return true;
  }
  return false;
}

}  // namespace

int TraceLineEx(const POINT& start, const POINT& end, CChainList& list, const CRasterImage& image, int traceKey,
                int layer, double tolerance, const CTraceCancel& cancel) {
  const int dx = end.x - start.x, dy = end.y - start.y;
  if (std::max(std::abs(dx), std::abs(dy)) <= 2) return 0;
  struct Crossing {
    POINT mid;
    bool done = false;
  };
  std::vector<Crossing> crossings;
  try {
    // The segment's pixels and which of them are line pixels.
    const int count = std::max(std::abs(dx), std::abs(dy));
    std::vector<CPixelPoint> pts(static_cast<std::size_t>(count) + 1);
    pts[0] = CPixelPoint{start.x, start.y};
    pts[1] = CPixelPoint{end.x, end.y};
    const int n = CRasterImage::LinePoints(pts.data());
    const auto fg = image.SampleForeground(pts.data(), n, traceKey);
    if (!fg) throw std::bad_alloc();
    // A run of line pixels followed by background is a crossing; a run the
    // segment starts in is the line it starts from.
    int i = 0;
    while (i < n && fg[i]) ++i;
    while (i < n && static_cast<int>(crossings.size()) < kMaxCrossingsEx) {
      if (!fg[i]) {
        ++i;
        continue;
      }
      const int first = i;
      while (i < n && fg[i]) ++i;
      if (i >= n) break;
      const CPixelPoint& f = pts[first];
      const CPixelPoint& l = pts[i - 1];
      crossings.push_back(Crossing{POINT{f.x - (f.x - l.x) / 2, f.y - (f.y - l.y) / 2}});
    }
  } catch (const std::bad_alloc&) {
    ShowOutOfMemory();
    return 0;
  }

  int made = 0;
  bool errorShown = false;
  for (Crossing& c : crossings) {
    if (c.done) continue;
    try {
      CLineTracker tracker;
      tracker.SetImage(&image, traceKey);
      tracker.SetCancel(cancel);
      CTracePointList points;
      const int ok = tracker.TraceEx(c.mid.x, c.mid.y, points);
      if (tracker.GetStop() == CLineTracker::Stop::Error && !errorShown) {
        AfxMessageBox(tracker.GetErrorText(), MB_OK | MB_ICONSTOP);
        errorShown = true;
      }
      if (ok) {
        // Later crossings of the same line are not traced again.
        const double reach = std::max(1.5, 0.5 * points.GetMeanWidth() + 1.0);
        RECT bounds{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        for (const POINT& p : points.Points()) {
          bounds.left = std::min(bounds.left, p.x);
          bounds.top = std::min(bounds.top, p.y);
          bounds.right = std::max(bounds.right, p.x);
          bounds.bottom = std::max(bounds.bottom, p.y);
        }
        for (Crossing& other : crossings)
          if (!other.done && NearPolyline(points.Points(), bounds, other.mid, reach)) other.done = true;
        if (tracker.IsClosed()) points.AppendPoint(points.GetPoint(0).x, points.GetPoint(0).y);
        CVertexReducer().ReducePoints(points, tolerance);
        if (points.GetCount() > 1) {
          CChain* chain = list.NewChain();
          if (!chain) break;
          chain->m_nLayer = layer;
          chain->SetFromPtList(points.Points(), 0);
          ++made;
        }
      }
      if (tracker.GetStop() == CLineTracker::Stop::Cancelled) break;
    } catch (const std::bad_alloc&) {
      ShowOutOfMemory();
      break;
    }
  }
  return made;
}

}  // namespace qzn
