#include "app/skeletontracer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
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

namespace {
std::size_t HashSlot(std::uint64_t key, std::size_t size) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) & (size - 1);
}
}  // namespace

const CJunctionQueue::Slot* CJunctionQueue::Find(std::uint64_t key) const {
  if (m_slots.empty()) return nullptr;
  for (std::size_t i = HashSlot(key, m_slots.size());; i = (i + 1) & (m_slots.size() - 1)) {
    if (!m_slots[i].count) return nullptr;
    if (m_slots[i].key == key) return &m_slots[i];
  }
}

CJunctionQueue::Slot& CJunctionQueue::Insert(std::uint64_t key) {
  if (2 * (m_keys + 1) > m_slots.size()) Grow();
  std::size_t i = HashSlot(key, m_slots.size());
  for (; m_slots[i].count && m_slots[i].key != key; i = (i + 1) & (m_slots.size() - 1)) {
  }
  if (!m_slots[i].count) {
    m_slots[i] = Slot{key, 0, 0};  // the caller adds its entries at once
    ++m_keys;
  }
  return m_slots[i];
}

void CJunctionQueue::Erase(std::size_t at) {
  // Later slots of the probe run move back into the gap where their home
  // slot allows, so no run is cut short.
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t j = (at + 1) & mask; m_slots[j].count; j = (j + 1) & mask) {
    const std::size_t home = HashSlot(m_slots[j].key, m_slots.size());
    const bool stays = at <= j ? (home > at && home <= j) : (home > at || home <= j);
    if (!stays) {
      m_slots[at] = m_slots[j];
      at = j;
    }
  }
  m_slots[at].count = 0;
  --m_keys;
}

void CJunctionQueue::Grow() {
  std::vector<Slot> old(std::max<std::size_t>(64, 2 * m_slots.size()), Slot{0, 0, 0});
  old.swap(m_slots);
  for (const Slot& slot : old) {
    if (!slot.count) continue;
    std::size_t i = HashSlot(slot.key, m_slots.size());
    while (m_slots[i].count) i = (i + 1) & (m_slots.size() - 1);
    m_slots[i] = slot;
  }
}

void CJunctionQueue::Push(int x, int y, int copies) {
  if (copies <= 0) return;
  for (int i = 0; i < copies; ++i) m_queue.push_back(POINT{x, y});
  // A junction is cleared as it is queued, so all entries of one position
  // arrive together and leave together: the oldest entry's number plus the
  // count describes them.
  Slot& slot = Insert(Key(x, y));
  if (slot.count == 0) slot.first = m_pushed;
  slot.count += copies;
  m_pushed += copies;
}

POINT CJunctionQueue::Pop() {
  const POINT p = m_queue[m_head++];
  if (m_head == m_queue.size()) {
    m_queue.clear();
    m_head = 0;
  }
  const std::uint64_t key = Key(p.x, p.y);
  if (const Slot* slot = Find(key)) {
    const std::size_t at = static_cast<std::size_t>(slot - m_slots.data());
    ++m_slots[at].first;
    if (--m_slots[at].count <= 0) Erase(at);
  }
  return p;
}

int CJunctionQueue::FindNeighbour(int x, int y, POINT& out, const POINT* except) const {
  if (m_keys == 0) return 0;
  std::int64_t best = std::numeric_limits<std::int64_t>::max();
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      if (!dx && !dy) continue;
      if (except && except->x == x + dx && except->y == y + dy) continue;
      const Slot* slot = Find(Key(x + dx, y + dy));
      if (slot && slot->first < best) {
        best = slot->first;
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
  // Pixels x - 1, x, x + 1 of a row as bits 2, 1, 0 (0 < x < width - 1).
  static unsigned Three(const BYTE* row, int x) {
    const unsigned v = static_cast<unsigned>(row[(x - 1) >> 3]) << 8 | row[(x + 1) >> 3];
    return (v >> (13 - ((x - 1) & 7))) & 7u;
  }
  unsigned Neighbours(int x, int y) const {
    if (x < 1 || y < 1 || x >= width - 1 || y >= height - 1) return AccessBase::Neighbours(x, y);
    // Bits 0 E, 1 NE, 2 N, 3 NW above; 4 W; 5 SW, 6 S, 7 SE below.
    static constexpr unsigned kBelow[8] = {0,       1u << 7,           1u << 6,           1u << 6 | 1u << 7,
                                           1u << 5, 1u << 5 | 1u << 7, 1u << 5 | 1u << 6, 1u << 5 | 1u << 6 | 1u << 7};
    const unsigned mid = Three(Row(y), x);
    return Three(Row(y - 1), x) << 1 | (mid & 1u) | (mid & 4u) << 2 | kBelow[Three(Row(y + 1), x)];
  }
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
unsigned OtherBranchesOf(unsigned nb, int k) {
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

unsigned OtherBranchesSeenFrom(unsigned nb, int k) {
  static const std::array<std::array<std::uint8_t, 8>, 256> table = [] {
    std::array<std::array<std::uint8_t, 8>, 256> r{};
    for (unsigned m = 0; m < 256; ++m)
      for (int d = 0; d < 8; ++d) r[m][static_cast<std::size_t>(d)] = static_cast<std::uint8_t>(OtherBranchesOf(m, d));
    return r;
  }();
  return table[nb & 255u][static_cast<std::size_t>(k)];
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

// Follows one line from (x, y) into chain (see TraceLine1Bit); the
// number of vertices appended.
template <class Access>
std::int64_t Walk(Access& a, CChain& chain, int x, int y, CJunctionQueue& queue, int mode) {
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

// The scan: every set pixel met in raster order over the rectangle's inner
// rows and columns starts a walk, and the junctions it queued are walked
// from at once, in queue order. sink.Open() makes room for a line (false:
// the rest of the row is skipped, or the entries stay queued for the next
// pixel); sink.Walk(x, y, mode) walks it (false: the same). row(y) is told
// each row as the scan reaches it.
template <class Access, class Sink, class RowFn>
void ScanRect(Access& a, std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b, CJunctionQueue& queue,
              Sink& sink, RowFn&& row) {
  for (std::int64_t y = t + 1; y < b - 1; ++y) {
    row(y);
    for (std::int64_t x = l + 1; x < r - 1; ++x) {
      // The queue is drained after every pixel, so while it is empty the
      // background up to the next set pixel needs no visit.
      if (queue.IsEmpty()) {
        x = a.NextSet(static_cast<int>(y), static_cast<int>(x), static_cast<int>(r - 1));
        if (x >= r - 1) break;
      }
      if (a.Get(static_cast<int>(x), static_cast<int>(y))) {
        if (!sink.Open()) break;  // the rest of the row is skipped
        if (!sink.Walk(static_cast<int>(x), static_cast<int>(y), 0)) break;
      }
      while (!queue.IsEmpty()) {
        if (!sink.Open()) break;  // the entries stay queued for the next pixel
        const POINT j = queue.Pop();
        if (!sink.Walk(j.x, j.y, 1)) break;
      }
    }
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
  const std::int64_t rows = b - 1 - (t + 1);  // the scan's rows
  if (BandCount(rows, 64) < 2 || r - l < 3) return false;
  CStatusProgress progress;
  progress.SetRange(0, rows);

  // The scan walks on this thread into a batch of walked lines. A full
  // batch has its lines finished (redundant vertices removed, blocks of
  // their own size, bounds and attributes) on every core, aside, while the
  // scan walks on into the other batch; its lines are taken in walk order
  // when that one is full in turn, or at the end.
  const std::unique_ptr<CChain> model = m_lines.MakeLine();
  struct Batch {
    std::vector<CFPoint> points;
    std::vector<std::int64_t> ends;  // where each walked line's vertices end
    std::vector<std::unique_ptr<CChain>> made;
  };
  Batch batches[2];
  int filling = 0;
  constexpr std::size_t kBatchPoints = std::size_t{1} << 19;
  auto finish = [&](Batch& batch) {
    const std::int64_t n = static_cast<std::int64_t>(batch.ends.size());
    batch.made.resize(static_cast<std::size_t>(n));
    const std::int64_t pieces = BandCount(n, 256);
    ParallelFor(pieces, [&](std::int64_t piece) {
      CChain walked;
      for (std::int64_t i = BandStart(piece, pieces, n); i < BandStart(piece + 1, pieces, n); ++i) {
        const std::int64_t from = i ? batch.ends[static_cast<std::size_t>(i - 1)] : 0;
        walked.m_points.assign(batch.points.begin() + from,
                               batch.points.begin() + batch.ends[static_cast<std::size_t>(i)]);
        auto line = std::make_unique<CChain>(model.get());
        FinishLine(walked, *line);
        batch.made[static_cast<std::size_t>(i)] = std::move(line);
      }
    });
  };
  auto take = [&](Batch& batch) {
    for (auto& line : batch.made)
      if (line) m_lines.Adopt(line.release());  // a line it cannot take it deletes
    batch.points.clear();
    batch.ends.clear();
    batch.made.clear();
  };
  // The batch being finished aside, and what went wrong there.
  std::thread aside;
  std::exception_ptr asideError;
  auto takeAside = [&] {
    if (!aside.joinable()) return;
    aside.join();
    Batch& done = batches[1 - filling];
    if (asideError) {
      done.points.clear();
      done.ends.clear();
      done.made.clear();
      std::rethrow_exception(std::exchange(asideError, nullptr));
    }
    take(done);
  };
  auto flush = [&](bool last) {
    takeAside();  // the lines walked earlier come first
    Batch& full = batches[filling];
    if (last) {
      finish(full);
      take(full);
      return;
    }
    filling = 1 - filling;
    try {
      aside = std::thread([&] {
        try {
          finish(full);
        } catch (...) {
          asideError = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // No thread to be had: finished here and now.
      finish(full);
      take(full);
    }
  };
  // Whatever happens, the batch finished aside is waited for before the
  // batches go.
  struct JoinAside {
    std::thread& aside;
    ~JoinAside() {
      if (aside.joinable()) aside.join();
    }
  } joinAside{aside};

  bool madeAny = false;
  CJunctionQueue queue;
  CChain walked;
  struct Sink {
    bool Open() { return true; }
    bool Walk(int x, int y, int mode) { return walk(x, y, mode); }
    std::function<bool(int, int, int)> walk;
  } sink{[&](int x, int y, int mode) {
    madeAny = true;
    walked.m_points.clear();
    bool ok = true;
    try {
      qzn::Walk(a, walked, x, y, queue, mode);
    } catch (const std::bad_alloc&) {
      ReportOutOfMemory();
      ok = false;
    }
    // A walk cut short by lack of memory keeps its line as far as it got.
    if (walked.GetCount() >= 2) {
      Batch& batch = batches[filling];
      batch.points.insert(batch.points.end(), walked.m_points.begin(), walked.m_points.end());
      batch.ends.push_back(static_cast<std::int64_t>(batch.points.size()));
      if (batch.points.size() >= kBatchPoints) flush(false);
    }
    return ok;
  }};
  try {
    ScanRect(a, l, t, r, b, queue, sink, [&](std::int64_t y) { progress.SetPos(y - t - 1); });
    flush(true);
  } catch (const std::bad_alloc&) {
    // The lines traced so far are kept, as when the list runs out of room.
    ReportOutOfMemory();
    try {
      takeAside();
    } catch (const std::bad_alloc&) {
    }
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

  // Each walk has its line in the list before it starts; a walk cut short by
  // lack of memory leaves its line as far as it got. Walks go into one line
  // that keeps its room from walk to walk.
  CChain walked;
  struct Sink {
    CSkeletonTracer& tracer;
    std::function<bool(CChain*, int, int, int)> walk;
    CChain* chain = nullptr;
    bool Open() {
      chain = tracer.NewChain();
      if (!chain) tracer.ReportOutOfMemory();
      return chain != nullptr;
    }
    bool Walk(int x, int y, int mode) { return walk(chain, x, y, mode); }
  } sink{*this, [&](CChain* chain, int x, int y, int mode) {
           bool ok = true;
           walked.m_points.clear();
           try {
             qzn::Walk(a, walked, x, y, queue, mode);
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
         }};
  ScanRect(a, l, t, r, b, queue, sink, [&](std::int64_t) { progress.StepIt(); });
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
