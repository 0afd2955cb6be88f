#include "app/skeletontracer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <limits>
#include <new>

#include "app/pixelscan.h"
#include "model/chain.h"
#include "model/chainlist.h"
#include "model/helpers.h"
#include "model/layer.h"
#include "platform/host.h"
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
    return Derived::At(b, x + 1) | Derived::At(a, x + 1) << 1 | Derived::At(a, x) << 2 |
           Derived::At(a, x - 1) << 3 | Derived::At(b, x - 1) << 4 | Derived::At(c, x - 1) << 5 |
           Derived::At(c, x) << 6 | Derived::At(c, x + 1) << 7;
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
Stop Follow(Access& a, CChain& chain, int& cx, int& cy, unsigned nb, CJunctionQueue& queue,
            std::int64_t& appended) {
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

}  // namespace

CSkeletonTracer::CSkeletonTracer(CRasterImage& image, CChainList& lines, CLayerList& layers)
    : m_image(image), m_lines(lines), m_layers(layers) {}

CChain* CSkeletonTracer::NewChain() { return m_lines.NewChain(); }

void CSkeletonTracer::ReportOutOfMemory() {
  if (!m_reported && !Host().IsQuiet()) AfxMessageBox(res::text::kVectorizeNoMemory);
  m_reported = true;
}

void CSkeletonTracer::FinishChain(CChain* chain) {
  if (chain->GetCount() < 2) {
    // The line is the list's last one: it was made just now.
    m_lines.RemoveAt(m_lines.GetTailPosition());
    return;
  }
  chain->Smooth(0.0f);
  chain->CalcBounds();
  chain->m_nLayer = m_layerId;
  chain->m_color = m_layerColor;
  chain->m_nPenStyle = m_penStyle;
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

  CJunctionQueue queue;
  CStatusProgress progress;
  progress.SetRange(0, std::max<std::int64_t>(b - t, 0));
  progress.SetStep(1);

  // A walk cut short by lack of memory leaves its line as far as it got.
  auto walk = [&](CChain* chain, int x, int y, int mode) {
    bool ok = true;
    try {
      Walk(a, *chain, x, y, queue, mode);
    } catch (const std::bad_alloc&) {
      ReportOutOfMemory();
      ok = false;
    }
    FinishChain(chain);
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
