#include "app/outlinebands.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/pixelscan.h"
#include "model/chain.h"
#include "platform/parallel.h"

namespace qzn {

namespace {

// Direction codes: 0 east, then clockwise on the screen (y grows downwards).
constexpr int kDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};

// 1 or 2: what the boundary walk steps onto.
inline bool Ink(BYTE v) { return static_cast<BYTE>(v - 1) < 2; }

// The searches round a pixel by the ink of its eight neighbours (bit k:
// direction k): the first ink neighbour clockwise from d, and anticlockwise
// from k - 1; -1 without ink about. Looked up, the walk takes no turn of a
// loop that ends at a guess.
struct SearchTables {
  std::int8_t clockwise[256][8];
  std::int8_t back[256][8];
};

constexpr SearchTables MakeSearchTables() {
  SearchTables t{};
  for (int mask = 0; mask < 256; ++mask)
    for (int d = 0; d < 8; ++d) {
      t.clockwise[mask][d] = t.back[mask][d] = -1;
      for (int i = 0; i < 8; ++i)
        if ((mask >> ((d + i) & 7)) & 1) {
          t.clockwise[mask][d] = static_cast<std::int8_t>((d + i) & 7);
          break;
        }
      for (int i = 1; i <= 8; ++i)
        if ((mask >> ((d - i) & 7)) & 1) {
          t.back[mask][d] = static_cast<std::int8_t>((d - i) & 7);
          break;
        }
    }
  return t;
}

constexpr SearchTables kSearch = MakeSearchTables();

template <class T>
void Release(std::vector<T>& v) {
  std::vector<T>().swap(v);
}

// An array of n values, written first on every core: the first write to a
// fresh page costs far more than the write (the system maps and clears the
// page, in a virtual machine through its host), so the steps that run on
// one thread afterwards find their pages ready. Throws std::bad_alloc.
template <class T>
std::unique_ptr<T[]> FilledSideBySide(std::size_t n, T value) {
  std::unique_ptr<T[]> block(new T[n]);
  const auto count = static_cast<std::int64_t>(n);
  const std::int64_t pieces = std::clamp<std::int64_t>(count / 16384, 1, 4 * WorkerThreads());
  ParallelFor(pieces, [&](std::int64_t i) {
    std::fill(block.get() + BandStart(i, pieces, count), block.get() + BandStart(i + 1, pieces, count), value);
  });
  return block;
}

}  // namespace

COutlineBands::COutlineBands(BYTE* pixels, int width, int height, std::int64_t bands)
    : m_pixels(pixels), m_width(width), m_height(height), m_stride((static_cast<std::int64_t>(width) + 63) / 64) {
  for (int k = 0; k < 8; ++k) m_off[k] = static_cast<std::int64_t>(kDy[k]) * width + kDx[k];
  const std::int64_t rows = height - 2;
  m_bands.resize(static_cast<std::size_t>(bands));
  for (std::int64_t b = 0; b < bands; ++b) {
    Band& band = m_bands[static_cast<std::size_t>(b)];
    band.sy0 = 1 + static_cast<int>(BandStart(b, bands, rows));
    band.sy1 = static_cast<int>(BandStart(b + 1, bands, rows));
    // The first and last bands also walk the image's first and last rows,
    // where outlines pass but none starts.
    band.y0 = b == 0 ? 0 : band.sy0;
    band.y1 = b == bands - 1 ? height - 1 : band.sy1;
  }
}

bool COutlineBands::IsInk(int x, int y) const {
  return x >= 0 && y >= 0 && x < m_width && y < m_height && Ink(m_pixels[static_cast<std::int64_t>(y) * m_width + x]);
}

unsigned COutlineBands::Around(int x, int y) const {
  const BYTE* p = m_pixels + static_cast<std::int64_t>(y) * m_width + x;
  unsigned mask = 0;
  for (int k = 0; k < 8; ++k) mask |= static_cast<unsigned>(Ink(p[m_off[k]])) << k;
  return mask;
}

int COutlineBands::Search(int x, int y, int d) const {
  if (x > 0 && y > 0 && x < m_width - 1 && y < m_height - 1) {
    return kSearch.clockwise[Around(x, y)][d & 7];
  } else {
    for (int i = 0; i < 8; ++i) {
      const int k = (d + i) & 7;
      if (IsInk(x + kDx[k], y + kDy[k])) return k;
    }
  }
  return -1;
}

int COutlineBands::SearchBack(int x, int y, int k) const {
  if (x > 0 && y > 0 && x < m_width - 1 && y < m_height - 1) {
    return kSearch.back[Around(x, y)][k & 7];
  } else {
    for (int i = 1; i <= 8; ++i) {
      const int j = (k - i) & 7;
      if (IsInk(x + kDx[j], y + kDy[j])) return j;
    }
  }
  return -1;
}

// A left edge at the scan's start is an unmarked ink pixel with background
// on its left and unmarked ink on its right: the first pixel of a run of
// non-zero bytes. Marks never make or unmake background, so only these
// pixels can ever start an outline.
void COutlineBands::FindCandidates(Band& band) const {
  const std::int64_t rows = band.sy1 - band.sy0 + 1;
  band.candidates.assign(static_cast<std::size_t>(rows * m_stride), 0);
  for (int y = band.sy0; y <= band.sy1; ++y) {
    const BYTE* row = m_pixels + static_cast<std::int64_t>(y) * m_width;
    std::uint64_t* bits = band.candidates.data() + (y - band.sy0) * m_stride;
    // Columns 1 .. width - 2; the words whose pixels and both neighbours
    // lie inside the row sixteen pixels at a time, background skipped a
    // word at a time.
    auto one = [&](int x) {
      if (row[x - 1] == 0 && row[x] == 1 && row[x + 1] == 1) bits[x >> 6] |= std::uint64_t{1} << (x & 63);
    };
    std::int64_t w = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), ink = _mm_set1_epi8(1);
    for (w = 1; w * 64 + 65 <= m_width; ++w) {
      const BYTE* p = row + w * 64;
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 15));
      const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 31));
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 47));
      const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 49));
      if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(_mm_or_si128(c, d), e)),
                                           zero)) == 0xFFFF)
        continue;  // all background
      std::uint64_t word = 0;
      for (int k = 0; k < 4; ++k) {
        const BYTE* q = p + 16 * k;
        const __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q - 1));
        const __m128i at = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 1));
        const __m128i edge = _mm_and_si128(_mm_cmpeq_epi8(left, zero),
                                           _mm_and_si128(_mm_cmpeq_epi8(at, ink), _mm_cmpeq_epi8(right, ink)));
        word |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(edge))) << (16 * k);
      }
      bits[w] = word;
    }
    for (int x = 1; x < std::min<std::int64_t>(64, m_width - 1); ++x) one(x);
#endif
    for (int x = static_cast<int>(std::max<std::int64_t>(w * 64, 1)); x < m_width - 1; ++x) {
      x = NextNonZeroByte(row, x, m_width - 1);
      if (x >= m_width - 1) break;
      one(x);
      x = NextZeroByte(row, x + 1, m_width - 1);
    }
  }
  band.before.resize(band.candidates.size());
  std::uint64_t count = 0;
  for (std::size_t i = 0; i < band.candidates.size(); ++i) {
    band.before[i] = static_cast<std::uint32_t>(count);
    count += static_cast<std::uint64_t>(std::popcount(band.candidates[i]));
  }
  if (count >= kNone) throw std::bad_alloc();  // numbered in 32 bits
  band.first.assign(static_cast<std::size_t>(count), kNone);
}

template <class Note>
void COutlineBands::NoteStep(const Band& band, int x, int y, int k, Note&& note) const {
  if (y < band.sy0 || y > band.sy1) return;
  const std::size_t row = static_cast<std::size_t>((y - band.sy0) * m_stride);
  auto number = [&](int cx) -> std::int64_t {
    const std::size_t word = row + static_cast<std::size_t>(cx >> 6);
    const std::uint64_t bits = band.candidates[word];
    const std::uint64_t bit = std::uint64_t{1} << (cx & 63);
    if (!(bits & bit)) return -1;
    return band.before[word] + std::popcount(bits & (bit - 1));
  };
  if (const std::int64_t n = number(x); n >= 0)
    // A left edge's first step searches from its background neighbour on
    // the left; east is ink, so it goes north-west, north, north-east or
    // east.
    note(static_cast<std::uint32_t>(n), (k >= 5 || k == 0) && Search(x, y, 4) == k);
  if (x > 0)
    if (const std::int64_t n = number(x - 1); n >= 0) note(static_cast<std::uint32_t>(n), false);
}

void COutlineBands::PutCode(std::vector<BYTE>& codes, std::int64_t& count, int code) {
  if ((count & 1) == 0)
    codes.push_back(static_cast<BYTE>(code));
  else
    codes.back() |= static_cast<BYTE>(code << 4);
  ++count;
}

// Every left edge whose first step no piece has taken yet starts a piece:
// walked back to where its cycle enters the band (or round to itself: the
// whole outline lies in the band), then on to where it leaves.
void COutlineBands::WalkCandidates(std::size_t b) {
  Band& band = m_bands[b];
  std::vector<BYTE> back;
  std::uint32_t number = 0;
  for (int y = band.sy0; y <= band.sy1; ++y) {
    const std::uint64_t* words = band.candidates.data() + (y - band.sy0) * m_stride;
    for (std::int64_t w = 0; w < m_stride; ++w)
      for (std::uint64_t bits = words[w]; bits; bits &= bits - 1, ++number) {
        if (band.first[number] != kNone) continue;
        if (band.pieces.size() >= kNone) throw std::bad_alloc();  // numbered in 32 bits
        const int lx = static_cast<int>(w * 64 + std::countr_zero(bits));
        const int k0 = Search(lx, y, 4);
        const auto id = static_cast<std::uint32_t>(band.pieces.size());
        auto note = [&](std::uint32_t edge, bool own) {
          if (own)
            band.first[edge] = id;
          else
            band.passes.emplace_back(edge, id);
        };
        auto put = [&](int code) { PutCode(band.codes, band.codeCount, code); };
        NoteStep(band, lx, y, k0, note);
        // Back from the first step: the step before a step out of (x, cy)
        // in direction k leaves the first ink neighbour of (x, cy)
        // anticlockwise from k - 1.
        back.clear();
        int x = lx, cy = y, k = k0, entryDir = -1;
        for (;;) {
          const int j = SearchBack(x, cy, k);
          const int px = x + kDx[j], py = cy + kDy[j], pk = (j + 4) & 7;
          if (py < band.y0 || py > band.y1) {
            entryDir = (j + 1) & 7;  // where the search at (x, cy) starts after that step
            break;
          }
          if (px == lx && py == y && pk == k0) break;  // round to the first step
          x = px, cy = py, k = pk;
          NoteStep(band, x, cy, k, note);
          back.push_back(static_cast<BYTE>(k));
        }
        Piece piece;
        piece.code = band.codeCount;
        if (entryDir < 0) {
          // The whole cycle, from the left edge's first step on: the steps
          // found backwards, in reverse.
          piece.x = lx, piece.y = y;
          put(k0);
          for (auto it = back.rbegin(); it != back.rend(); ++it) put(*it);
          piece.steps = static_cast<std::int64_t>(back.size()) + 1;
          band.pieces.push_back(piece);
          band.next.push_back(Ref(b, id));
          continue;
        }
        piece.x = x, piece.y = cy;
        band.entries.emplace_back(Key(x, cy, entryDir), id);
        for (auto it = back.rbegin(); it != back.rend(); ++it) put(*it);
        put(k0);
        std::int64_t steps = static_cast<std::int64_t>(back.size()) + 1;
        // On from the first step to where the cycle leaves the band.
        x = lx, cy = y, k = k0;
        for (;;) {
          const int qx = x + kDx[k], qy = cy + kDy[k], d = (k + 5) & 7;
          if (qy < band.y0 || qy > band.y1) {
            ExitList(band, qy).push_back(Exit{Key(qx, qy, d), id});
            break;
          }
          x = qx, cy = qy, k = Search(x, cy, d);
          NoteStep(band, x, cy, k, note);
          put(k);
          ++steps;
        }
        piece.steps = steps;
        band.pieces.push_back(piece);
        band.next.push_back(kOpen);
      }
  }
  std::sort(band.entries.begin(), band.entries.end());
}

std::uint32_t COutlineBands::FindEntry(const Band& band, std::int64_t key) const {
  const auto it = std::lower_bound(band.entries.begin(), band.entries.end(), std::make_pair(key, std::uint32_t{0}));
  return it != band.entries.end() && it->first == key ? it->second : kNone;
}

// A cycle that dips into a band without passing a left edge there has no
// piece in it yet: walked from where it enters to where it leaves, and on
// through the bands after it until it enters a piece walked before. No
// other thread walks these pieces: a step has one step before it.
std::uint64_t COutlineBands::WalkEntries(std::size_t b, std::int64_t key, Added& added,
                                         std::atomic<std::uint32_t>* counts) {
  std::uint64_t head = kOpen;
  std::size_t previous = 0;
  for (;;) {
    const Band& band = m_bands[b];
    const std::uint64_t id = band.pieces.size() + counts[b].fetch_add(1);
    if (id >= kNone) throw std::bad_alloc();  // numbered in 32 bits
    const std::uint64_t ref = Ref(b, static_cast<std::uint32_t>(id));
    if (head == kOpen)
      head = ref;
    else
      added.pieces[previous].next = ref;
    Added::Walked walked{static_cast<std::uint32_t>(b), static_cast<std::uint32_t>(id), Piece{}, kOpen};
    const std::int64_t pixel = key / 8;
    int x = static_cast<int>(pixel % m_width), y = static_cast<int>(pixel / m_width);
    int k = Search(x, y, static_cast<int>(key % 8));
    walked.piece.code = added.codeCount;
    walked.piece.x = x, walked.piece.y = y;
    // A left edge's first step has its piece already: these are passes.
    auto note = [&](std::uint32_t edge, bool) { added.passes.push_back(Added::Pass{walked.band, edge, walked.id}); };
    for (;;) {
      NoteStep(band, x, y, k, note);
      PutCode(added.codes, added.codeCount, k);
      ++walked.piece.steps;
      const int qx = x + kDx[k], qy = y + kDy[k], d = (k + 5) & 7;
      if (qy < band.y0 || qy > band.y1) {
        key = Key(qx, qy, d);
        b = qy < band.y0 ? b - 1 : b + 1;
        break;
      }
      x = qx, y = qy, k = Search(x, y, d);
    }
    previous = added.pieces.size();
    added.pieces.push_back(walked);
    if (const std::uint32_t entered = FindEntry(m_bands[b], key); entered != kNone) {
      added.pieces[previous].next = Ref(b, entered);
      return head;
    }
  }
}

// Joins the pieces where one leaves a band and the next enters: each band
// joins the exits leading into it, side by side; the pieces walked on the
// way go in afterwards, band by band.
void COutlineBands::Join() {
  const std::size_t bands = m_bands.size();
  std::vector<Added> added(bands);
  const auto counts = std::make_unique<std::atomic<std::uint32_t>[]>(bands);
  ParallelFor(static_cast<std::int64_t>(bands), [&](std::int64_t i) {
    const auto b = static_cast<std::size_t>(i);
    auto join = [&](Band& from, std::vector<Exit>& exits) {
      for (const Exit& exit : exits) {
        const std::uint32_t entered = FindEntry(m_bands[b], exit.key);
        from.next[exit.piece] = entered != kNone ? Ref(b, entered) : WalkEntries(b, exit.key, added[b], counts.get());
      }
      Release(exits);
    };
    if (b > 0) join(m_bands[b - 1], m_bands[b - 1].down);
    if (b + 1 < bands) join(m_bands[b + 1], m_bands[b + 1].up);
  });
  ParallelFor(static_cast<std::int64_t>(bands), [&](std::int64_t i) {
    const auto b = static_cast<std::size_t>(i);
    Band& band = m_bands[b];
    band.pieces.resize(band.pieces.size() + counts[b].load());
    band.next.resize(band.pieces.size(), kOpen);
    for (const Added& from : added) {
      for (const Added::Walked& walked : from.pieces) {
        if (walked.band != b) continue;
        Piece& piece = band.pieces[walked.id];
        piece = walked.piece;
        piece.code = band.codeCount;
        for (std::int64_t at = walked.piece.code, end = at + walked.piece.steps; at < end; ++at)
          PutCode(band.codes, band.codeCount, (from.codes[static_cast<std::size_t>(at >> 1)] >> (4 * (at & 1))) & 15);
        band.next[walked.id] = walked.next;
      }
      for (const Added::Pass& pass : from.passes)
        if (pass.band == b) band.passes.emplace_back(pass.edge, pass.piece);
    }
  });
}

void COutlineBands::Walk(const std::function<void(std::int64_t)>& progress) {
  ParallelFor(
      static_cast<std::int64_t>(m_bands.size()),
      [&](std::int64_t b) {
        FindCandidates(m_bands[static_cast<std::size_t>(b)]);
        WalkCandidates(static_cast<std::size_t>(b));
      },
      progress);
  Join();
  NumberCycles();
}

// Numbers the cycles in the order of their first pieces. A left edge's own
// piece and the pieces passing it become their cycles; a pass of the left
// edge's own cycle is dropped, since the left edge's own start marks it.
void COutlineBands::NumberCycles() {
  m_firstOf.resize(m_bands.size());
  std::int64_t total = 0;
  for (std::size_t b = 0; b < m_bands.size(); ++b) {
    m_firstOf[b] = total;
    total += static_cast<std::int64_t>(m_bands[b].pieces.size());
    Release(m_bands[b].entries);
    Release(m_bands[b].before);
  }
  if (total >= kNone) throw std::bad_alloc();  // numbered in 32 bits
  const auto pieces = static_cast<std::size_t>(total);
  // The pieces' successors and steps in flat lists, for following the
  // cycles on one thread.
  const auto next = FilledSideBySide<std::uint32_t>(pieces, 0);
  const auto steps = FilledSideBySide<std::int64_t>(pieces, 0);
  ParallelFor(static_cast<std::int64_t>(m_bands.size()), [&](std::int64_t i) {
    const Band& band = m_bands[static_cast<std::size_t>(i)];
    const std::size_t first = static_cast<std::size_t>(m_firstOf[static_cast<std::size_t>(i)]);
    for (std::size_t p = 0; p < band.pieces.size(); ++p) {
      next[first + p] = static_cast<std::uint32_t>(m_firstOf[band.next[p] >> 32] + (band.next[p] & kNone));
      steps[first + p] = band.pieces[p].steps;
    }
  });
  // Never more cycles than pieces.
  m_cycle = FilledSideBySide<std::uint32_t>(pieces, kNone);
  m_cycleFirst = FilledSideBySide<std::uint64_t>(pieces, 0);
  m_cycleSteps = FilledSideBySide<std::int64_t>(pieces, 0);
  for (std::size_t b = 0; b < m_bands.size(); ++b)
    for (std::uint32_t p = 0; p < m_bands[b].pieces.size(); ++p) {
      const auto start = static_cast<std::uint32_t>(m_firstOf[b] + p);
      if (m_cycle[start] != kNone) continue;
      const auto cycle = static_cast<std::uint32_t>(m_cycles++);
      std::int64_t count = 0;
      std::uint32_t at = start;
      do {
        m_cycle[at] = cycle;
        count += steps[at];
        at = next[at];
      } while (at != start);
      m_cycleFirst[cycle] = Ref(b, p);
      m_cycleSteps[cycle] = count;
    }
  ParallelFor(static_cast<std::int64_t>(m_bands.size()), [&](std::int64_t i) {
    Band& band = m_bands[static_cast<std::size_t>(i)];
    const std::uint32_t* cycleOf = m_cycle.get() + m_firstOf[static_cast<std::size_t>(i)];
    for (std::uint32_t& f : band.first) f = cycleOf[f];
    for (auto& pass : band.passes) pass.second = cycleOf[pass.second];
    std::erase_if(band.passes, [&](const auto& pass) { return pass.second == band.first[pass.first]; });
    std::sort(band.passes.begin(), band.passes.end());
    band.passes.shrink_to_fit();
  });
}

// The decisions go through the left edges by their numbers, in scan order,
// keeping a bit a cycle (a small table, mostly in the cache) and noting
// the left edges that start; the bands then pick out their starts side by
// side.
std::vector<std::vector<COutlineBands::Start>> COutlineBands::Starts() {
  std::vector<std::uint64_t> started((m_cycles + 63) / 64, 0);
  auto isStarted = [&](std::uint32_t cycle) { return (started[cycle >> 6] >> (cycle & 63)) & 1; };
  std::vector<std::vector<std::uint32_t>> starting(m_bands.size());  // by band: its left edges that start
  for (std::size_t b = 0; b < m_bands.size(); ++b) {
    const Band& band = m_bands[b];
    auto pass = band.passes.begin();
    const auto edges = static_cast<std::uint32_t>(band.first.size());
    for (std::uint32_t number = 0; number < edges; ++number) {
      const std::uint32_t cycle = band.first[number];
      bool marked = isStarted(cycle);
      for (; pass != band.passes.end() && pass->first == number; ++pass) marked = marked || isStarted(pass->second);
      if (marked) continue;
      started[cycle >> 6] |= std::uint64_t{1} << (cycle & 63);
      starting[b].push_back(number);
    }
  }
  std::vector<std::vector<Start>> starts(m_bands.size());
  ParallelFor(static_cast<std::int64_t>(m_bands.size()), [&](std::int64_t b) {
    Band& band = m_bands[static_cast<std::size_t>(b)];
    const std::vector<std::uint32_t>& mine = starting[static_cast<std::size_t>(b)];
    std::vector<Start>& out = starts[static_cast<std::size_t>(b)];
    out.reserve(mine.size());
    auto next = mine.begin();
    std::uint32_t number = 0;
    for (int y = band.sy0; y <= band.sy1 && next != mine.end(); ++y) {
      const std::uint64_t* words = band.candidates.data() + (y - band.sy0) * m_stride;
      for (std::int64_t w = 0; w < m_stride; ++w)
        for (std::uint64_t bits = words[w]; bits; bits &= bits - 1, ++number) {
          if (next == mine.end() || number != *next) continue;
          ++next;
          const std::uint32_t cycle = band.first[number];
          out.push_back(Start{static_cast<int>(w * 64 + std::countr_zero(bits)), y, cycle, m_cycleSteps[cycle]});
        }
    }
    Release(band.candidates);
    Release(band.first);
    Release(band.passes);
  });
  return starts;
}

void COutlineBands::Follow(const Start& start, CChain& walked) const {
  std::vector<CFPoint>& points = walked.m_points;
  points.clear();
  points.reserve(static_cast<std::size_t>(start.steps) + 1);
  // The cycle from its first piece, a vertex a step, noting where the left
  // edge's first step comes; then turned to start there.
  const int firstMove = Search(start.x, start.y, 4);
  const std::uint64_t first = m_cycleFirst[start.cycle];
  int x = PieceOf(first).x, y = PieceOf(first).y;
  std::size_t at = 0;
  std::uint64_t ref = first;
  do {
    const Piece& piece = PieceOf(ref);
    const std::size_t band = ref >> 32;
    for (std::int64_t i = piece.code, end = piece.code + piece.steps; i < end; ++i) {
      const int k = Code(band, i);
      if (x == start.x && y == start.y && k == firstMove) at = points.size();
      points.emplace_back(static_cast<float>(x), static_cast<float>(y));
      x += kDx[k], y += kDy[k];
    }
    ref = Next(ref);
  } while (ref != first);
  std::rotate(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(at), points.end());
  points.push_back(points.front());
}

void COutlineBands::Mark(const std::vector<std::vector<Start>>& starts) {
  const auto started = FilledSideBySide<BYTE>(m_cycles, 0);
  for (const auto& band : starts)
    for (const Start& s : band) started[s.cycle] = 1;
  // A band's pieces leave pixels of its own rows only, so no two bands
  // write the same pixel.
  ParallelFor(static_cast<std::int64_t>(m_bands.size()), [&](std::int64_t i) {
    const auto b = static_cast<std::size_t>(i);
    const Band& band = m_bands[b];
    for (std::size_t p = 0; p < band.pieces.size(); ++p) {
      if (!started[m_cycle[static_cast<std::size_t>(m_firstOf[b]) + p]]) continue;
      const Piece& piece = band.pieces[p];
      std::int64_t pixel = static_cast<std::int64_t>(piece.y) * m_width + piece.x;
      for (std::int64_t s = 0; s < piece.steps; ++s) {
        m_pixels[pixel] = 2;
        pixel += m_off[Code(b, piece.code + s)];
      }
    }
  });
}

}  // namespace qzn
