#include "app/skeletontracer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <functional>
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

// Vertices of a walk: appended counts every pixel reached (what the line
// would hold had every one been appended), skipped those a jump through a
// stretch left out because they lie on a straight piece of it.
struct WalkCount {
  std::int64_t appended = 0;
  std::int64_t skipped = 0;
  std::int64_t Vertices(const CChain& chain) const { return chain.GetCount() + skipped; }
};

// A line that ran out at (x, y) next to a queued junction ends on it. Its
// own first vertex counts only when the line has gone round a loop (three
// pixels at least after it): a one- or two-pixel spur next to the junction
// it came from does not lead back into it.
void AttachToJunction(CChain& chain, int x, int y, const CJunctionQueue& queue, WalkCount& count) {
  const CFPoint first = chain.GetPoint(0);
  const POINT own{static_cast<int>(first.x), static_cast<int>(first.y)};
  POINT j;
  if (queue.FindNeighbour(x, y, j, count.Vertices(chain) < 4 ? &own : nullptr)) {
    chain.AddPoint(static_cast<float>(j.x), static_cast<float>(j.y));
    ++count.appended;
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

// ------------------------------------------------------------ stretches
//
// Most of a skeleton is lines between junctions, where a walk has no choice
// to make. Such a stretch is found before the walks, on every core, by
// following the walk's own rules on the untouched skeleton; the walk then
// goes through it in one jump instead of pixel by pixel.
//
// A stretch q0, q1, ..., qm is what a walk stepping from q0 onto q1 does on
// the untouched skeleton: at each qi it finds its ways on (the set
// neighbours other than the pixel it came from and the stretch pixels it has
// already cleared), one run of them, and steps to the preferred one, qi+1.
// Its inner pixels q2 ... qm-1 lie off the image's last row and column and
// have no neighbour outside the stretch. q0 is a pixel that is not simply
// inside a line (its neighbours do not form exactly two runs): a junction, a
// line end, a blob; walks start and stop around such pixels.
//
// Why a jump is exact. A walk that has stepped from q0 onto q1 and found
// there the same ways on as the stretch did (whatever the first-step rule
// hid, and whatever else lies around q1) steps to q2 as the stretch did.
// When q2 ... qm are all still set, then at every inner pixel qi the walk
// finds the stretch's ways on again: qi's neighbours are stretch pixels
// only; q0 ... qi-2 the walk itself has cleared, qi-1 is where it came from,
// and the rest, ahead, are set. So it steps through q2 ... qm as the stretch
// did, clearing q0 ... qm-2, queueing nothing, never stopping; that is what
// the jump does, after checking that q2 ... qm are set. At qm the walk goes
// on pixel by pixel.
//
// The vertices a jump appends are the stretch's corners (where the step
// changes) and qm. Removing redundant vertices gives the same line: that
// pass keeps or drops a vertex by whether it lies on the straight line
// through the last kept vertex and the next vertex, so a pixel whose step in
// and step out are the same is dropped (the pixels a walk appends are all
// different), leaving the last kept vertex as it was, and for a vertex that
// stays the next one only lies further along the same direction. The
// vertex counts a walk decides by are kept as if every pixel had been
// appended.

// One bit a pixel over rows y0 ..., the full width of the image.
class CBitRows {
 public:
  void Reset(std::int64_t y0, std::int64_t rows, std::int64_t width) {
    m_y0 = y0;
    m_rows = rows;
    m_stride = (width + 63) / 64;
    m_words.assign(static_cast<std::size_t>(rows * m_stride), 0);
  }
  bool Covers(int y) const { return y >= m_y0 && y < m_y0 + m_rows; }
  bool Get(int x, int y) const { return (Word(x, y) >> (x & 63)) & 1u; }
  void Set(int x, int y) { Word(x, y) |= std::uint64_t{1} << (x & 63); }

 private:
  std::uint64_t& Word(int x, int y) { return m_words[static_cast<std::size_t>((y - m_y0) * m_stride + (x >> 6))]; }
  std::uint64_t Word(int x, int y) const { return m_words[static_cast<std::size_t>((y - m_y0) * m_stride + (x >> 6))]; }
  std::int64_t m_y0 = 0, m_rows = 0, m_stride = 0;
  std::vector<std::uint64_t> m_words;
};

// Pixels a stretch has passed, while it is being found.
class CPixelSet {
 public:
  void Clear() {
    for (std::size_t i : m_used) m_slots[i] = 0;
    m_used.clear();
  }
  bool Contains(int x, int y) const {
    if (m_slots.empty()) return false;
    const std::uint64_t key = Key(x, y);
    for (std::size_t i = Hash(key);; i = (i + 1) & (m_slots.size() - 1)) {
      if (m_slots[i] == key) return true;
      if (!m_slots[i]) return false;
    }
  }
  void Insert(int x, int y) {
    if (2 * (m_used.size() + 1) > m_slots.size()) Grow();
    const std::uint64_t key = Key(x, y);
    std::size_t i = Hash(key);
    for (; m_slots[i] && m_slots[i] != key; i = (i + 1) & (m_slots.size() - 1)) {
    }
    if (!m_slots[i]) {
      m_slots[i] = key;
      m_used.push_back(i);
    }
  }

 private:
  // Never 0, which marks an empty slot.
  static std::uint64_t Key(int x, int y) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(y)) << 32 | static_cast<std::uint32_t>(x)) + 1;
  }
  std::size_t Hash(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & (m_slots.size() - 1);
  }
  void Grow() {
    std::vector<std::uint64_t> keys;
    for (std::size_t i : m_used) keys.push_back(m_slots[i]);
    m_slots.assign(std::max<std::size_t>(64, 2 * m_slots.size()), 0);
    m_used.clear();
    for (std::uint64_t k : keys) {
      std::size_t i = Hash(k);
      while (m_slots[i]) i = (i + 1) & (m_slots.size() - 1);
      m_slots[i] = k;
      m_used.push_back(i);
    }
  }
  std::vector<std::uint64_t> m_slots;
  std::vector<std::size_t> m_used;
};

// A stretch, filed under q1 and the direction from q1 back to q0.
struct Stretch {
  std::int32_t x;      // q1's column (its row is the index's)
  std::uint8_t entry;  // direction from q1 to q0
  std::uint8_t ways;   // q1's ways on, as the stretch found them
  std::int64_t codes;  // the steps q1 -> q2 ... qm-1 -> qm, half a byte each, then kEndStep, in its band's store
};

constexpr int kEndStep = 15;
// Stretches of fewer steps are walked pixel by pixel: a jump would save
// less than finding it costs.
constexpr std::int64_t kMinJumpSteps = 3;

class CStretches {
 public:
  // Finds the stretches whose q1 lies in rows y0 .. y0 + rows - 1, on every
  // core. The image is only read.
  template <class Access>
  void Build(const Access& a, std::int64_t y0, std::int64_t rows, std::int64_t bands);

  // The stretch entered at (x, y) from its neighbour in direction entry, or
  // null.
  const Stretch* Find(int x, int y, int entry) const {
    if (!m_marked.Covers(y) || !m_marked.Get(x, y)) return nullptr;
    const Row& row = m_rows[static_cast<std::size_t>(y - m_y0)];
    for (const Stretch* s = std::lower_bound(row.begin, row.end, x, [](const Stretch& e, int v) { return e.x < v; });
         s != row.end && s->x == x; ++s)
      if (s->entry == entry) return s;
    return nullptr;
  }

  // The walk stands on q1 = (cx, cy) of s, having come from q0 = (px, py),
  // and found s's ways on. When q2 ... qm are set, goes through them as the
  // walk would (see above) and leaves (px, py), (cx, cy) and k at qm-1, qm
  // and the step into qm; else changes nothing and returns false.
  template <class Access>
  bool Jump(Access& a, CChain& chain, const Stretch& s, int& px, int& py, int& cx, int& cy, int& k,
            WalkCount& count) const {
    const BYTE* codes = m_rows[static_cast<std::size_t>(cy - m_y0)].codes;
    auto step = [&](std::int64_t i) { return (codes[(s.codes + i) >> 1] >> (4 * ((s.codes + i) & 1))) & 15; };
    int x = cx, y = cy;
    std::int64_t steps = 0;
    for (int c = step(0); c != kEndStep; c = step(++steps)) {
      x += kDx[c];
      y += kDy[c];
      if (!a.Get(x, y)) return false;
    }
    a.Clear(px, py);
    x = cx;
    y = cy;
    int c = step(0);
    for (std::int64_t i = 0; i < steps; ++i) {
      if (i) a.Clear(px, py);  // q1 ... qm-2; qm-1 goes when the walk leaves qm
      px = x;
      py = y;
      x += kDx[c];
      y += kDy[c];
      const int next = i + 1 < steps ? step(i + 1) : kEndStep;
      if (next != c)
        chain.AddPoint(static_cast<float>(x), static_cast<float>(y));
      else
        ++count.skipped;
      k = c;
      c = next;
    }
    count.appended += steps;
    cx = x;
    cy = y;
    return true;
  }

 private:
  struct Band {
    std::vector<Stretch> stretches;
    std::vector<BYTE> codes;
  };
  struct Row {
    const Stretch* begin = nullptr;
    const Stretch* end = nullptr;
    const BYTE* codes = nullptr;
  };
  std::int64_t m_y0 = 0;
  CBitRows m_marked;  // a pixel that is some stretch's q1
  std::vector<Band> m_bands;
  std::vector<Row> m_rows;
};

template <class Access>
void CStretches::Build(const Access& a, std::int64_t y0, std::int64_t rows, std::int64_t bands) {
  m_y0 = y0;
  m_marked.Reset(y0, rows, a.width);
  m_bands.resize(static_cast<std::size_t>(bands));
  m_rows.resize(static_cast<std::size_t>(rows));
  std::vector<std::int64_t> rowFirst(static_cast<std::size_t>(rows), 0);
  const Tables& t = GetTables();
  auto edge = [&](int x, int y) { return x >= a.width - 1 || y >= a.height - 1; };
  ParallelFor(bands, [&](std::int64_t band) {
    Band& store = m_bands[static_cast<std::size_t>(band)];
    CPixelSet passed;
    std::vector<int> codes;
    std::vector<POINT> pending;  // ways on of inner pixels not reached yet
    // Follows the walk from q0 onto q1 = (x, y), which finds ways1 there, on
    // the untouched skeleton; the steps from q1 of the longest stretch
    // found go to codes, and their number is returned.
    auto follow = [&](int qx, int qy, int x, int y, unsigned ways1) -> std::size_t {
      passed.Clear();
      passed.Insert(qx, qy);
      passed.Insert(x, y);
      codes.clear();
      pending.clear();
      int k = t.next[ways1];
      int cx = x + kDx[k], cy = y + kDy[k];
      codes.push_back(k);
      std::size_t steps = 0;
      for (;;) {
        passed.Insert(cx, cy);
        std::erase_if(pending, [&](const POINT& p) { return p.x == cx && p.y == cy; });
        if (pending.empty()) steps = codes.size();  // the stretch may end here
        // A stretch that has not been able to end for a while will not.
        if (edge(cx, cy) || codes.size() - steps > 8) break;
        unsigned ways = a.Neighbours(cx, cy) & ~(1u << ((k + 4) & 7));
        for (unsigned w = ways; w; w &= w - 1) {
          const int d = std::countr_zero(w);
          if (passed.Contains(cx + kDx[d], cy + kDy[d])) ways &= ~(1u << d);
        }
        if (t.crossing[ways] != 1) break;  // (cx, cy) cannot be an inner pixel
        // Its ways on must all be stretch pixels.
        for (unsigned w = ways; w; w &= w - 1) {
          const int d = std::countr_zero(w);
          const POINT p{cx + kDx[d], cy + kDy[d]};
          if (std::none_of(pending.begin(), pending.end(), [&](const POINT& q) { return q.x == p.x && q.y == p.y; }))
            pending.push_back(p);
        }
        k = t.next[ways];
        cx += kDx[k];
        cy += kDy[k];
        codes.push_back(k);
      }
      return steps;
    };
    auto file = [&](int x, int y, int entry, unsigned ways1, std::size_t steps) {
      const std::int64_t at = static_cast<std::int64_t>(store.codes.size()) * 2;
      for (std::size_t i = 0; i <= steps; ++i) {
        const int c = i < steps ? codes[i] : kEndStep;
        if ((at + static_cast<std::int64_t>(i)) % 2 == 0)
          store.codes.push_back(static_cast<BYTE>(c));
        else
          store.codes.back() |= static_cast<BYTE>(c << 4);
      }
      store.stretches.push_back(Stretch{x, static_cast<std::uint8_t>(entry), static_cast<std::uint8_t>(ways1), at});
      m_marked.Set(x, y);
    };
    const int first = static_cast<int>(y0 + BandStart(band, bands, rows));
    const int last = static_cast<int>(y0 + BandStart(band + 1, bands, rows));  // exclusive
    for (int y = first; y < last; ++y) {
      rowFirst[static_cast<std::size_t>(y - y0)] = static_cast<std::int64_t>(store.stretches.size());
      for (int x = 0; x < a.width - 1; ++x) {
        x = a.NextSet(y, x, a.width - 1);
        if (x >= a.width - 1 || edge(x, y)) break;
        const unsigned n1 = a.Neighbours(x, y);
        for (unsigned rest = n1; rest; rest &= rest - 1) {
          const int entry = std::countr_zero(rest);
          const int qx = x + kDx[entry], qy = y + kDy[entry];
          const unsigned n0 = a.Neighbours(qx, qy);
          // q0 a junction, a line end, a blob, or the first pixel of a
          // line in raster order, where the scan starts walks; not a pixel
          // inside a line.
          constexpr unsigned kAbove = 1u << 1 | 1u << 2 | 1u << 3 | 1u << 4;  // NE, N, NW, W
          if (t.crossing[n0] == 2 && (n0 & kAbove)) continue;
          // A walk reaches q1 from q0 on its first step out of the junction
          // q0, whose other branches are then hidden from q1, or passing
          // through q0.
          const unsigned open = n1 & ~(1u << entry);
          const unsigned hidden = open & ~OtherBranchesSeenFrom(n0, (entry + 4) & 7);
          for (int pass = 0; pass < 2; ++pass) {
            const unsigned ways1 = pass ? open : hidden;
            if (t.crossing[ways1] != 1 || (pass && open == hidden)) continue;
            const std::size_t steps = follow(qx, qy, x, y, ways1);
            if (static_cast<std::int64_t>(steps) >= kMinJumpSteps) file(x, y, entry, ways1, steps);
          }
        }
      }
    }
  });
  // The rows' stretches, now that the stores no longer move.
  for (std::int64_t band = 0; band < bands; ++band) {
    const Band& store = m_bands[static_cast<std::size_t>(band)];
    const std::int64_t first = BandStart(band, bands, rows), last = BandStart(band + 1, bands, rows);
    for (std::int64_t r = first; r < last; ++r) {
      Row& row = m_rows[static_cast<std::size_t>(r)];
      const std::int64_t from = rowFirst[static_cast<std::size_t>(r)];
      const std::int64_t to = r + 1 < last ? rowFirst[static_cast<std::size_t>(r + 1)]
                                           : static_cast<std::int64_t>(store.stretches.size());
      row.begin = store.stretches.data() + from;
      row.end = store.stretches.data() + to;
      row.codes = store.codes.data();
    }
  }
}

// Steps along the line from (cx, cy), whose neighbours are nb, appending
// every pixel reached and clearing every pixel left. Returns why it
// stopped; (cx, cy) is then the last pixel reached. With stretches, the walk
// jumps through those it enters.
template <class Access>
Stop Follow(Access& a, CChain& chain, int& cx, int& cy, unsigned nb, CJunctionQueue& queue, WalkCount& count,
            const CStretches* stretches) {
  const Tables& t = GetTables();
  for (bool first = true;; first = false) {
    int k = t.next[nb];
    if (k < 0) return Stop::end;
    int px = cx, py = cy;
    cx += kDx[k];
    cy += kDy[k];
    chain.AddPoint(static_cast<float>(cx), static_cast<float>(cy));
    ++count.appended;
    unsigned ways;
    for (;;) {
      if (cx >= a.width - 1 || cy >= a.height - 1) {
        a.Clear(px, py);
        return Stop::edge;
      }
      // The ways on are the runs of set neighbours other than the pixel
      // left. On the first step out of a junction or a line's start, its
      // other branches may touch the new pixel too; they are followed from
      // there, not from here.
      ways = a.Neighbours(cx, cy) & ~(1u << ((k + 4) & 7));
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
      if (!stretches) break;
      const Stretch* s = stretches->Find(cx, cy, (k + 4) & 7);
      if (!s || s->ways != ways || !stretches->Jump(a, chain, *s, px, py, cx, cy, k, count)) break;
      first = false;  // now on qm
    }
    nb = ways;
    a.Clear(px, py);
  }
}

// Follows one line from (x, y) into chain (see TraceLine1Bit); the
// number of pixels reached.
template <class Access>
std::int64_t Walk(Access& a, CChain& chain, int x, int y, CJunctionQueue& queue, int mode,
                  const CStretches* stretches = nullptr) {
  const Tables& t = GetTables();
  WalkCount count;
  chain.AddPoint(static_cast<float>(x), static_cast<float>(y));
  ++count.appended;
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
  if (Follow(a, chain, cx, cy, nb, queue, count, stretches) == Stop::end) {
    a.Clear(cx, cy);
    // A walk from inside a line that comes back next to where it started
    // has gone round a ring, whatever the ring's shape: close it. Three
    // pixels after the start is the least that can enclose anything.
    if (haveStart && count.appended >= 4 && std::abs(cx - x) < 2 && std::abs(cy - y) < 2) {
      chain.AddPoint(static_cast<float>(x), static_cast<float>(y));
      return count.appended + 1;
    }
    AttachToJunction(chain, cx, cy, queue, count);
  }
  if (!haveStart) return count.appended;

  // The other side of the start: continue the line backwards from it.
  chain.Reverse();
  cx = x;
  cy = y;
  if (Follow(a, chain, cx, cy, a.Neighbours(x, y), queue, count, stretches) == Stop::end) {
    a.Clear(cx, cy);
    AttachToJunction(chain, cx, cy, queue, count);
  }
  return count.appended;
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
  const std::int64_t firstRow = t + 1, rows = b - 1 - firstRow;  // the scan's rows
  const std::int64_t bands = BandCount(rows, 64);
  if (bands < 2 || r - l < 3) return false;

  // The stretches first, on every core; without memory for them the plain
  // scan does the work.
  CStatusProgress progress;
  progress.SetRange(0, 2 * rows);
  CStretches stretches;
  try {
    stretches.Build(a, firstRow, rows, bands);
  } catch (const std::bad_alloc&) {
    return false;
  }
  progress.SetPos(rows);

  // The scan walks on this thread into a batch of walked lines; a full
  // batch has its lines finished (redundant vertices removed, blocks of
  // their own size, bounds and attributes) on every core and taken in walk
  // order.
  const std::unique_ptr<CChain> model = m_lines.MakeLine();
  std::vector<CFPoint> points;
  std::vector<std::int64_t> ends;  // where each walked line's vertices end
  constexpr std::size_t kBatchPoints = std::size_t{1} << 20;
  auto flush = [&] {
    const std::int64_t n = static_cast<std::int64_t>(ends.size());
    std::vector<std::unique_ptr<CChain>> made(static_cast<std::size_t>(n));
    const std::int64_t pieces = BandCount(n, 256);
    ParallelFor(pieces, [&](std::int64_t piece) {
      CChain walked;
      for (std::int64_t i = BandStart(piece, pieces, n); i < BandStart(piece + 1, pieces, n); ++i) {
        const std::int64_t from = i ? ends[static_cast<std::size_t>(i - 1)] : 0;
        walked.m_points.assign(points.begin() + from, points.begin() + ends[static_cast<std::size_t>(i)]);
        auto line = std::make_unique<CChain>(model.get());
        FinishLine(walked, *line);
        made[static_cast<std::size_t>(i)] = std::move(line);
      }
    });
    points.clear();
    ends.clear();
    for (auto& line : made) m_lines.Adopt(line.release());  // a line it cannot take it deletes
  };

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
      qzn::Walk(a, walked, x, y, queue, mode, &stretches);
    } catch (const std::bad_alloc&) {
      ReportOutOfMemory();
      ok = false;
    }
    // A walk cut short by lack of memory keeps its line as far as it got.
    if (walked.GetCount() >= 2) {
      points.insert(points.end(), walked.m_points.begin(), walked.m_points.end());
      ends.push_back(static_cast<std::int64_t>(points.size()));
      if (points.size() >= kBatchPoints) flush();
    }
    return ok;
  }};
  try {
    ScanRect(a, l, t, r, b, queue, sink, [&](std::int64_t y) { progress.SetPos(rows + y - firstRow); });
    flush();
  } catch (const std::bad_alloc&) {
    // The lines traced so far are kept, as when the list runs out of room.
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
