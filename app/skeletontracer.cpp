#include "app/skeletontracer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "app/pixelscan.h"
#include "model/chain.h"
#include "model/chainlist.h"
#include "model/helpers.h"
#include "model/layer.h"
#include "platform/host.h"
#include "platform/parallel.h"
#include "raster/rasterimage.h"
#include "resources/messages_app.h"

namespace qzn {

// ------------------------------------------------------------ junction queue

void CJunctionQueue::Push(int x, int y, int copies) {
  if (copies <= 0) return;
  for (int i = 0; i < copies; ++i) m_queue.push_back(POINT{x, y});
  // A junction is cleared as it is queued, so all entries of one position
  // arrive together and leave together: the oldest entry's number plus the
  // count describes them.
  auto [it, inserted] = m_slots.try_emplace(MakePointKey(x, y), Slot{m_pushed, 0});
  it->second.count += copies;
  m_pushed += copies;
}

POINT CJunctionQueue::Pop() {
  const POINT p = m_queue.front();
  m_queue.pop_front();
  auto it = m_slots.find(MakePointKey(p.x, p.y));
  if (it != m_slots.end()) {
    ++it->second.first;
    if (--it->second.count <= 0) m_slots.erase(it);
  }
  return p;
}

int CJunctionQueue::FindNeighbour(int x, int y, POINT& out, const POINT* except) const {
  if (m_slots.empty()) return 0;
  std::int64_t best = std::numeric_limits<std::int64_t>::max();
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      if (!dx && !dy) continue;
      if (except && except->x == x + dx && except->y == y + dy) continue;
      const auto it = m_slots.find(MakePointKey(x + dx, y + dy));
      if (it != m_slots.end() && it->second.first < best) {
        best = it->second.first;
        out = POINT{x + dx, y + dy};
      }
    }
  return best != std::numeric_limits<std::int64_t>::max();
}

// ------------------------------------------------------------------ tracing

namespace {

// Neighbour bits: 0 E, 1 NE, 2 N, 3 NW, 4 W, 5 SW, 6 S, 7 SE (y down).
constexpr int kDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kDy[8] = {0, -1, -1, -1, 0, 1, 1, 1};
// The order a walk tries its way on: edge neighbours before diagonals.
constexpr int kPreference[8] = {2, 4, 0, 6, 3, 1, 5, 7};

struct Tables {
  std::array<std::int8_t, 256> crossing{};  // clear-to-set changes going round
  std::array<std::int8_t, 256> next{};      // preferred set neighbour, -1 none
};

const Tables& GetTables() {
  static const Tables t = [] {
    Tables r;
    for (int m = 0; m < 256; ++m) {
      int c = 0;
      for (int k = 0; k < 8; ++k)
        if (!((m >> k) & 1) && ((m >> ((k + 1) & 7)) & 1)) ++c;
      r.crossing[m] = static_cast<std::int8_t>(c);
      r.next[m] = -1;
      for (int k : kPreference)
        if ((m >> k) & 1) {
          r.next[m] = static_cast<std::int8_t>(k);
          break;
        }
    }
    return r;
  }();
  return t;
}

// Pixel access over the rows of a 1-bit or 8-bit image: Derived gives the
// row layout (At); positions outside the image read as clear.
template <class Derived>
struct AccessBase {
  BYTE* pixels;
  std::int64_t rowBytes;
  int width, height;

  explicit AccessBase(CRasterImage& im)
      : pixels(im.pixels), rowBytes(im.GetRowBytes()), width(im.width), height(im.height) {}
  BYTE* Row(int y) const { return pixels + rowBytes * y; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  unsigned Get(int x, int y) const { return Inside(x, y) ? Derived::At(Row(y), x) : 0u; }
  void Clear(int x, int y) {
    if (Inside(x, y)) Derived::ClearAt(Row(y), x);
  }
  // Bits 0 E, 1 NE, 2 N, 3 NW, 4 W, 5 SW, 6 S, 7 SE.
  unsigned Neighbours(int x, int y) const {
    if (x < 1 || y < 1 || x >= width - 1 || y >= height - 1) {
      unsigned m = 0;
      for (int k = 0; k < 8; ++k) m |= Get(x + kDx[k], y + kDy[k]) << k;
      return m;
    }
    const BYTE* a = Row(y - 1);
    const BYTE* b = Row(y);
    const BYTE* c = Row(y + 1);
    return Derived::At(b, x + 1) | Derived::At(a, x + 1) << 1 | Derived::At(a, x) << 2 | Derived::At(a, x - 1) << 3 |
           Derived::At(b, x - 1) << 4 | Derived::At(c, x - 1) << 5 | Derived::At(c, x) << 6 |
           Derived::At(c, x + 1) << 7;
  }
};

struct Access1 : AccessBase<Access1> {
  using AccessBase::AccessBase;
  static unsigned At(const BYTE* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }
  static void ClearAt(BYTE* row, int x) { row[x >> 3] &= static_cast<BYTE>(~(0x80 >> (x & 7))); }
  int NextSet(int y, int from, int to) const { return NextSetBit(Row(y), from, to); }
};

// Any non-zero byte is set.
struct Access8 : AccessBase<Access8> {
  using AccessBase::AccessBase;
  static unsigned At(const BYTE* row, int x) { return row[x] != 0; }
  static void ClearAt(BYTE* row, int x) { row[x] = 0; }
  int NextSet(int y, int from, int to) const { return NextNonZeroByte(Row(y), from, to); }
};

enum class Stop { end, edge, junction };

// A line that ran out at (x, y) next to a queued junction ends on it. Its
// own first vertex counts only when the line has gone round a loop (three
// pixels at least after it): a one- or two-pixel spur next to the junction
// it came from does not lead back into it.
void AttachToJunction(CChain& chain, int x, int y, const CJunctionQueue& queue, std::int64_t& appended) {
  const CFPoint first = chain.GetPoint(0);
  const POINT own{static_cast<int>(first.x), static_cast<int>(first.y)};
  POINT j;
  if (queue.FindNeighbour(x, y, j, chain.GetCount() < 4 ? &own : nullptr)) {
    chain.AddPoint(static_cast<float>(j.x), static_cast<float>(j.y));
    ++appended;
  }
}

// The neighbours of the pixel in direction k from a centre that are not in
// the run of set neighbours (from nb, the centre's ring) holding k, as bits
// of that pixel's own ring.
unsigned OtherBranchesSeenFrom(unsigned nb, int k) {
  unsigned run = 1u << k;
  for (int i = 1; i < 8 && (nb >> ((k + i) & 7)) & 1; ++i) run |= 1u << ((k + i) & 7);
  for (int i = 1; i < 8 && (nb >> ((k - i) & 7)) & 1; ++i) run |= 1u << ((k - i) & 7);
  unsigned out = 0;
  for (int j = 0; j < 8; ++j) {
    if (!((nb >> j) & 1) || ((run >> j) & 1)) continue;
    const int dx = kDx[j] - kDx[k], dy = kDy[j] - kDy[k];
    for (int b = 0; b < 8; ++b)
      if (kDx[b] == dx && kDy[b] == dy) out |= 1u << b;
  }
  return out;
}

// Steps along the line from (cx, cy), whose neighbours are nb, appending
// every pixel reached and clearing every pixel left. Returns why it
// stopped; (cx, cy) is then the last pixel reached.
template <class Access>
Stop Follow(Access& a, CChain& chain, int& cx, int& cy, unsigned nb, CJunctionQueue& queue, std::int64_t& appended) {
  const Tables& t = GetTables();
  for (bool first = true;; first = false) {
    const int k = t.next[nb];
    if (k < 0) return Stop::end;
    const int px = cx, py = cy;
    cx += kDx[k];
    cy += kDy[k];
    chain.AddPoint(static_cast<float>(cx), static_cast<float>(cy));
    ++appended;
    if (cx >= a.width - 1 || cy >= a.height - 1) {
      a.Clear(px, py);
      return Stop::edge;
    }
    // The ways on are the runs of set neighbours other than the pixel left.
    // On the first step out of a junction or a line's start, its other
    // branches may touch the new pixel too; they are followed from there,
    // not from here.
    unsigned ways = a.Neighbours(cx, cy) & ~(1u << ((k + 4) & 7));
    if (first) ways &= ~OtherBranchesSeenFrom(nb, k);
    if (t.crossing[ways] >= 2) {
      // The line ends on the junction and the branches start from it, one
      // queue entry each. Two branches may leave through neighbouring
      // pixels, so there is an entry per neighbour, not per run of them;
      // an entry left with nothing to follow makes no line.
      queue.Push(cx, cy, std::popcount(ways));
      a.Clear(px, py);
      a.Clear(cx, cy);
      return Stop::junction;
    }
    nb = ways;
    a.Clear(px, py);
  }
}

// ------------------------------------------------------------ bands
//
// Everything a walk does stays inside one 8-connected component of set
// pixels: it steps only to set neighbours, queues only pixels it stands on,
// and ends only on queued junctions next to it, and the queue is empty again
// after every scan position. So the lines a component gives, and their order,
// depend on nothing outside it, and the scan meets each component's starts
// in raster order whoever else is traced in between.
//
// The scan rows are therefore cut into bands, and each band traces, in its
// own raster order, the components that lie wholly inside its rows; a
// component reaching past the band is left alone. Neighbouring bands do not
// run at the same time (even bands first, then odd ones), so no pixel, and
// no byte of a 1-bit row, is read by one thread while another writes it.
// The components left over are then traced on one thread by the plain
// scan. Every line is filed under the scan position that started it; sorted
// by that position (stably, so a start's own lines keep their order), the
// lines are those of the single-thread scan.

// One bit a pixel over rows y0 ..., the full width of the image.
class CBitRows {
 public:
  void Reset(std::int64_t y0, std::int64_t rows, std::int64_t width) {
    m_y0 = y0;
    m_stride = (width + 63) / 64;
    m_words.assign(static_cast<std::size_t>(rows * m_stride), 0);
  }
  bool Get(int x, int y) const { return (Word(x, y) >> (x & 63)) & 1u; }
  void Set(int x, int y) { Word(x, y) |= std::uint64_t{1} << (x & 63); }

 private:
  std::uint64_t& Word(int x, int y) { return m_words[static_cast<std::size_t>((y - m_y0) * m_stride + (x >> 6))]; }
  std::uint64_t Word(int x, int y) const { return m_words[static_cast<std::size_t>((y - m_y0) * m_stride + (x >> 6))]; }
  std::int64_t m_y0 = 0, m_stride = 0;
  std::vector<std::uint64_t> m_words;
};

// Lines filed under the raster position of the scan start that made them.
using FiledLines = std::vector<std::pair<std::int64_t, std::unique_ptr<CChain>>>;

// Finds, from a set pixel not seen before, its component's pixels in rows
// y0 .. y1 and marks them seen; when the component reaches past those rows
// they are marked as belonging to another pass as well.
template <class Access>
void ClassifyComponent(const Access& a, int x, int y, int y0, int y1, CBitRows& seen, CBitRows& elsewhere,
                       std::vector<POINT>& stack, std::vector<POINT>& pixels) {
  stack.clear();
  pixels.clear();
  bool crosses = false;
  seen.Set(x, y);
  stack.push_back(POINT{x, y});
  while (!stack.empty()) {
    const POINT q = stack.back();
    stack.pop_back();
    pixels.push_back(q);
    for (unsigned nb = a.Neighbours(q.x, q.y); nb; nb &= nb - 1) {
      const int k = std::countr_zero(nb);
      const int nx = q.x + kDx[k], ny = q.y + kDy[k];
      if (ny < y0 || ny > y1) {
        crosses = true;
      } else if (!seen.Get(nx, ny)) {
        seen.Set(nx, ny);
        stack.push_back(POINT{nx, ny});
      }
    }
  }
  if (crosses)
    for (const POINT& q : pixels) elsewhere.Set(q.x, q.y);
}

}  // namespace

CSkeletonTracer::CSkeletonTracer(CRasterImage& image, CChainList& lines, CLayerList& layers)
    : m_image(image), m_lines(lines), m_layers(layers) {}

CChain* CSkeletonTracer::NewChain() { return m_lines.NewChain(); }

void CSkeletonTracer::ReportOutOfMemory() {
  if (!m_reported && !Host().IsQuiet()) AfxMessageBox(res::text::kVectorizeNoMemory);
  m_reported = true;
}

void CSkeletonTracer::FinishLine(CChain& walked, CChain& line) const {
  walked.Smooth(0.0f);
  // The walk appended a vertex a pixel; the line keeps only what is left
  // after removing the redundant ones, in a block of its own size.
  line.m_points.assign(walked.m_points.begin(), walked.m_points.end());
  line.CalcBounds();
  line.m_nLayer = m_layerId;
  line.m_color = m_layerColor;
  line.m_nPenStyle = m_penStyle;
}

void CSkeletonTracer::FinishChain(CChain* chain, CChain& walked) {
  if (walked.GetCount() < 2) {
    // The line is the list's last one: it was made just now.
    m_lines.RemoveAt(m_lines.GetTailPosition());
    return;
  }
  FinishLine(walked, *chain);
}

template <class Access>
std::int64_t CSkeletonTracer::Walk(Access& a, CChain& chain, int x, int y, CJunctionQueue& queue, int mode) {
  const Tables& t = GetTables();
  std::int64_t appended = 0;
  chain.AddPoint(static_cast<float>(x), static_cast<float>(y));
  ++appended;
  unsigned nb = a.Neighbours(x, y);
  bool haveStart = false;  // a start inside a line, to be followed both ways
  if (mode == 0 && a.Get(x, y)) {
    const int c = t.crossing[nb];
    if (c == 2) {
      haveStart = true;
    } else if (c >= 3) {
      // The other branches start from the queue, one entry per neighbour
      // (see Follow).
      queue.Push(x, y, std::popcount(nb) - 1);
    }
  }

  int cx = x, cy = y;
  if (Follow(a, chain, cx, cy, nb, queue, appended) == Stop::end) {
    a.Clear(cx, cy);
    // A walk from inside a line that comes back next to where it started
    // has gone round a ring, whatever the ring's shape: close it. Three
    // pixels after the start is the least that can enclose anything.
    if (haveStart && appended >= 4 && std::abs(cx - x) < 2 && std::abs(cy - y) < 2) {
      chain.AddPoint(static_cast<float>(x), static_cast<float>(y));
      return appended + 1;
    }
    AttachToJunction(chain, cx, cy, queue, appended);
  }
  if (!haveStart) return appended;

  // The other side of the start: continue the line backwards from it.
  chain.Reverse();
  cx = x;
  cy = y;
  if (Follow(a, chain, cx, cy, a.Neighbours(x, y), queue, appended) == Stop::end) {
    a.Clear(cx, cy);
    AttachToJunction(chain, cx, cy, queue, appended);
  }
  return appended;
}

std::int64_t CSkeletonTracer::TraceLine1Bit(CChain& chain, int x, int y, CJunctionQueue& queue, int mode) {
  Access1 a(m_image);
  return Walk(a, chain, x, y, queue, mode);
}

std::int64_t CSkeletonTracer::TraceLine8Bit(CChain& chain, int x, int y, CJunctionQueue& queue, int mode) {
  Access8 a(m_image);
  return Walk(a, chain, x, y, queue, mode);
}

template <class Access>
bool CSkeletonTracer::TraceBanded(Access& a, std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b) {
  const std::int64_t firstRow = t + 1, rows = b - 1 - firstRow;  // the scan's rows
  const std::int64_t bands = BandCount(rows, 64);
  if (bands < 2 || r - l < 3) return false;

  // New lines as the line list would make them.
  const std::unique_ptr<CChain> model = m_lines.MakeLine();
  bool madeAny = false;

  // Work memory first: without it the plain scan does the work.
  CBitRows seen, elsewhere;
  std::vector<FiledLines> filed;
  std::vector<char> made;
  try {
    seen.Reset(firstRow, rows, a.width);
    elsewhere.Reset(firstRow, rows, a.width);
    filed.resize(static_cast<std::size_t>(bands) + 1);
    made.assign(static_cast<std::size_t>(bands), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }

  // Each walk goes into a line that keeps its room from walk to walk; what
  // is kept of it is finished into a line of its own size at once, so
  // unfinished walks never pile up.
  auto walkInto = [&](FiledLines& out, CChain& walked, CJunctionQueue& queue, std::int64_t key, int x, int y,
                      int mode) {
    walked.m_points.clear();
    Walk(a, walked, x, y, queue, mode);
    if (walked.GetCount() < 2) return;
    auto line = std::make_unique<CChain>(model.get());
    FinishLine(walked, *line);
    out.emplace_back(key, std::move(line));
  };
  // The walks of one scan position: its own, then the queued branches.
  auto traceFrom = [&](FiledLines& out, CChain& walked, CJunctionQueue& queue, int x, int y) {
    const std::int64_t key = static_cast<std::int64_t>(y) * a.width + x;
    walkInto(out, walked, queue, key, x, y, 0);
    while (!queue.IsEmpty()) {
      const POINT j = queue.Pop();
      walkInto(out, walked, queue, key, j.x, j.y, 1);
    }
  };

  CStatusProgress progress;
  progress.SetRange(0, 2 * bands);
  try {
    auto traceBand = [&](std::int64_t band) {
      const int y0 = static_cast<int>(firstRow + BandStart(band, bands, rows));
      const int y1 = static_cast<int>(firstRow + BandStart(band + 1, bands, rows)) - 1;
      FiledLines& out = filed[static_cast<std::size_t>(band)];
      CJunctionQueue queue;
      CChain walked;
      std::vector<POINT> stack, pixels;
      for (int y = y0; y <= y1; ++y)
        for (std::int64_t x = l + 1; x < r - 1; ++x) {
          x = a.NextSet(y, static_cast<int>(x), static_cast<int>(r - 1));
          if (x >= r - 1) break;
          const int px = static_cast<int>(x);
          if (!seen.Get(px, y)) ClassifyComponent(a, px, y, y0, y1, seen, elsewhere, stack, pixels);
          if (elsewhere.Get(px, y)) continue;
          made[static_cast<std::size_t>(band)] = 1;
          traceFrom(out, walked, queue, px, y);
        }
    };
    // Even bands, then odd ones: neighbours never run together.
    for (int parity = 0; parity < 2; ++parity) {
      const std::int64_t count = (bands - parity + 1) / 2;
      ParallelFor(
          count, [&](std::int64_t i) { traceBand(2 * i + parity); },
          [&](std::int64_t done) { progress.SetPos(parity * ((bands + 1) / 2) + done); });
    }
    for (char m : made) madeAny = madeAny || m;
    // The marks are not needed by the plain scan.
    seen = CBitRows();
    elsewhere = CBitRows();

    // What crosses the bands' borders, on this thread by the plain scan.
    FiledLines& rest = filed.back();
    CJunctionQueue queue;
    CChain walked;
    for (std::int64_t y = firstRow; y < b - 1; ++y) {
      if ((y - firstRow) % 64 == 0) progress.SetPos(bands + bands * (y - firstRow) / std::max<std::int64_t>(rows, 1));
      for (std::int64_t x = l + 1; x < r - 1; ++x) {
        x = a.NextSet(static_cast<int>(y), static_cast<int>(x), static_cast<int>(r - 1));
        if (x >= r - 1) break;
        madeAny = true;
        traceFrom(rest, walked, queue, static_cast<int>(x), static_cast<int>(y));
      }
    }
  } catch (const std::bad_alloc&) {
    // The lines traced so far are kept, as when the list runs out of room.
    ReportOutOfMemory();
  }

  // Each band's lines, and the plain scan's, are in scan order already and
  // no scan position gives lines to two of them: merged by position they
  // are the lines in the order of the single-thread scan.
  try {
    std::vector<std::size_t> next(filed.size(), 0);
    for (;;) {
      std::size_t from = filed.size();
      for (std::size_t i = 0; i < filed.size(); ++i)
        if (next[i] < filed[i].size() &&
            (from == filed.size() || filed[i][next[i]].first < filed[from][next[from]].first))
          from = i;
      if (from == filed.size()) break;
      // Every line of this scan position, in its walk order.
      const std::int64_t key = filed[from][next[from]].first;
      for (FiledLines& f = filed[from]; next[from] < f.size() && f[next[from]].first == key; ++next[from])
        m_lines.Adopt(f[next[from]].second.release());  // a line it cannot take it deletes
    }
  } catch (const std::bad_alloc&) {
    ReportOutOfMemory();
  }
  if (madeAny) m_lines.m_nModified = 1;
  return true;
}

template <class Access>
int CSkeletonTracer::TraceRect(Access& a, int left, int top, int width, int height) {
  // The rectangle, clipped to the image; right and bottom exclusive.
  const std::int64_t l = std::max<std::int64_t>(left, 0);
  const std::int64_t t = std::max<std::int64_t>(top, 0);
  const std::int64_t r = std::min<std::int64_t>(static_cast<std::int64_t>(left) + width, a.width);
  const std::int64_t b = std::min<std::int64_t>(static_cast<std::int64_t>(top) + height, a.height);

  m_layerId = m_layers.GetCurrentLayerID();
  m_layerColor = m_layers.GetLayerColor(m_layerId);
  const CLayer* current = m_layers.GetCurrentLayer();
  m_penStyle = current ? current->m_nPenStyle : 0;
  m_reported = false;
  if (TraceBanded(a, l, t, r, b)) return 1;

  CJunctionQueue queue;
  CStatusProgress progress;
  progress.SetRange(0, std::max<std::int64_t>(b - t, 0));
  progress.SetStep(1);

  // A walk cut short by lack of memory leaves its line as far as it got.
  // Walks go into one line that keeps its room from walk to walk.
  CChain walked;
  auto walk = [&](CChain* chain, int x, int y, int mode) {
    bool ok = true;
    walked.m_points.clear();
    try {
      Walk(a, walked, x, y, queue, mode);
    } catch (const std::bad_alloc&) {
      ReportOutOfMemory();
      ok = false;
    }
    try {
      FinishChain(chain, walked);
    } catch (const std::bad_alloc&) {
      ReportOutOfMemory();
      m_lines.RemoveAt(m_lines.GetTailPosition());
      ok = false;
    }
    return ok;
  };

  for (std::int64_t y = t + 1; y < b - 1; ++y) {
    progress.StepIt();
    for (std::int64_t x = l + 1; x < r - 1; ++x) {
      // The queue is drained after every pixel, so while it is empty the
      // background up to the next set pixel needs no visit.
      if (queue.IsEmpty()) {
        x = a.NextSet(static_cast<int>(y), static_cast<int>(x), static_cast<int>(r - 1));
        if (x >= r - 1) break;
      }
      if (a.Get(static_cast<int>(x), static_cast<int>(y))) {
        CChain* chain = NewChain();
        if (!chain) {
          ReportOutOfMemory();
          break;  // the rest of the row is skipped
        }
        if (!walk(chain, static_cast<int>(x), static_cast<int>(y), 0)) break;
      }
      while (!queue.IsEmpty()) {
        CChain* chain = NewChain();
        if (!chain) {
          ReportOutOfMemory();
          break;  // the entries stay queued for the next pixel
        }
        const POINT j = queue.Pop();
        if (!walk(chain, j.x, j.y, 1)) break;
      }
    }
  }
  return 1;
}

int CSkeletonTracer::Trace1Bit(int left, int top, int width, int height) {
  if (m_image.bitsPerSample != 1 || !m_image.HasPixels()) return 0;
  Access1 a(m_image);
  return TraceRect(a, left, top, width, height);
}

int CSkeletonTracer::Trace8Bit(int left, int top, int width, int height) {
  if (m_image.bitsPerSample != 8 || !m_image.HasPixels()) return 0;
  Access8 a(m_image);
  return TraceRect(a, left, top, width, height);
}

}  // namespace qzn
