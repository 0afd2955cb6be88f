#include "app/regiontracer.h"

#include <bit>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "app/pixelscan.h"
#include "app/vertexreducer.h"
#include "model/chain.h"
#include "model/chainlist.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/parallel.h"
#include "platform/textfile.h"
#include "resources/messages_app.h"
#include "resources/messages_common.h"

namespace qzn {

namespace {

// Direction codes: 0 east, then clockwise on the screen (y grows downwards).
constexpr int kDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};

constexpr double kOutlineTolerance = 0.6;

// The next ink pixel (non-zero byte) of row[from .. to), or to, and the next
// background pixel, read as relaxed atomics: the scan may be marking pixels
// of the row meanwhile (ink stays ink). Aligned words at a time.
template <bool kInk>
int NextShared(const BYTE* row, int from, int to) {
  auto found = [](BYTE v) { return kInk ? v != 0 : v == 0; };
  auto load = [](const BYTE& b) { return std::atomic_ref<BYTE>(const_cast<BYTE&>(b)).load(std::memory_order_relaxed); };
  int x = from;
  for (; x < to && reinterpret_cast<std::uintptr_t>(row + x) % 8; ++x)
    if (found(load(row[x]))) return x;
  for (; x + 8 <= to; x += 8) {
    const std::uint64_t v =
        std::atomic_ref<std::uint64_t>(*reinterpret_cast<std::uint64_t*>(const_cast<BYTE*>(row + x)))
            .load(std::memory_order_relaxed);
    if (kInk ? v != 0 : ((v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull) != 0) break;
  }
  for (; x < to; ++x)
    if (found(load(row[x]))) return x;
  return to;
}
int NextInkShared(const BYTE* row, int from, int to) { return NextShared<true>(row, from, to); }
int NextBackgroundShared(const BYTE* row, int from, int to) { return NextShared<false>(row, from, to); }

// Vertex reduction of a traced outline. The outline had a vertex a boundary
// pixel; the line keeps a block of the size of what is left.
void ReduceOutline(CVertexReducer& reducer, CChain& chain) {
  reducer.ReduceChain(chain, kOutlineTolerance);
  chain.m_points.shrink_to_fit();
}

// The outline walked into walked (a line whose room serves walk after walk):
// line takes its bounds, as walked, and its reduced vertices, in a block of
// their size.
void TakeOutline(CVertexReducer& reducer, CChain& walked, CChain& line) {
  reducer.ReduceChain(walked, kOutlineTolerance);
  line.m_points.assign(walked.m_points.begin(), walked.m_points.end());
  line.m_rcBounds = walked.m_rcBounds;
}

}  // namespace

CRegionTracer::CRegionTracer(BYTE* pixels, int width, int height, int bitsPerPixel, CChainList& target)
    : m_pixels(pixels),
      m_width(width),
      m_height(height),
      m_bits(bitsPerPixel),
      m_rowBytes(bitsPerPixel == 1 ? (static_cast<std::int64_t>(width) + 7) / 8 : static_cast<std::int64_t>(width)),
      m_target(target) {}

CChain* CRegionTracer::NewChain() { return m_target.NewChain(); }

void CRegionTracer::Report(const char* text, unsigned style) const {
  if (!Host().IsQuiet()) AfxMessageBox(text, style);
}

void CRegionTracer::SetPixel(int x, int y, int value) {
  if (!Inside(x, y)) return;
  BYTE* row = Row(y);
  if (m_bits == 1) {
    const BYTE mask = static_cast<BYTE>(0x80 >> (x & 7));
    if (value)
      row[x >> 3] |= mask;
    else
      row[x >> 3] &= static_cast<BYTE>(~mask);
  } else {
    // Relaxed: other threads may be reading the pixel (see TraceBanded8).
    std::atomic_ref<BYTE>(row[x]).store(static_cast<BYTE>(value), std::memory_order_relaxed);
  }
}

int CRegionTracer::StepDir(int& x, int& y, int dir) const {
  const int d = dir & 7;  // also wraps negative codes
  x += kDx[d];
  y += kDy[d];
  return GetPixel(x, y);
}

bool CRegionTracer::IsIsolated(int x, int y) const {
  for (int d = 0; d < 8; ++d)
    if (GetPixel(x + kDx[d], y + kDy[d]) == 1) return false;
  return true;
}

bool CRegionTracer::IsLeftEdge(int x, int y) const {
  return GetPixel(x - 1, y) == 0 && GetPixel(x, y) == 1 && GetPixel(x + 1, y) == 1;
}

bool CRegionTracer::IsTracedLeftEdge(int x, int y) const {
  return GetPixel(x - 1, y) == 0 && GetPixel(x, y) == 2 && GetPixel(x + 1, y) == 1;
}

int CRegionTracer::TraceOutline(int x, int y, CChain& chain) {
  if (IsIsolated(x, y)) return 0;
  chain.AddPoint(static_cast<float>(x), static_cast<float>(y));
  // The search at a pixel starts at a background neighbour and turns
  // clockwise; after a move in direction k it resumes at k + 5, a neighbour
  // of the new pixel already seen to be background. The walk ends when it
  // is back on the start pixel and would leave it the way it first did
  // (Jacob's criterion): merely arriving there again is not enough, since a
  // start pixel joining two parts of a region is passed more than once.
  int d = 4;  // the left neighbour: background, since the start is a left edge
  int firstMove = -1;
  int cx = x, cy = y;
  // Every (pixel, direction) state occurs once per round, so this bound is
  // never reached by a sound walk; it only guards against looping forever.
  const std::int64_t limit = 8 * static_cast<std::int64_t>(m_width) * m_height + 8;
  for (std::int64_t step = 0; step < limit; ++step) {
    int move = -1;
    for (int i = 0; i < 8; ++i) {
      const int k = (d + i) & 7;
      const int v = GetPixel(cx + kDx[k], cy + kDy[k]);
      if (v == 1 || v == 2) {
        move = k;
        break;
      }
    }
    if (move < 0) {
      Report(FormatC(res::text::kInternalErrorFormat, 1, "").c_str(), MB_OK | MB_ICONEXCLAMATION);
      return 0;
    }
    if (cx == x && cy == y) {
      if (firstMove < 0)
        firstMove = move;
      else if (move == firstMove)
        return 1;
    }
    cx += kDx[move];
    cy += kDy[move];
    d = (move + 5) & 7;
    chain.AddPoint(static_cast<float>(cx), static_cast<float>(cy));
  }
  Report(FormatC(res::text::kInternalErrorFormat, 1, "").c_str(), MB_OK | MB_ICONEXCLAMATION);
  return 0;
}

std::vector<CRegionTracer::Run> CRegionTracer::EraseRegion1(int x, int y) {
  // Span filling: clear a whole run of the row, then seed every run of the
  // rows above and below that touches it diagonally or directly.
  std::vector<Run> runs;
  std::vector<POINT> stack;
  stack.push_back(POINT{x, y});
  while (!stack.empty()) {
    const POINT s = stack.back();
    stack.pop_back();
    if (GetPixel(s.x, s.y) != 1) continue;
    int x0 = s.x, x1 = s.x;
    while (x0 > 0 && GetPixel(x0 - 1, s.y)) --x0;
    while (x1 + 1 < m_width && GetPixel(x1 + 1, s.y)) ++x1;
    for (int i = x0; i <= x1; ++i) SetPixel(i, s.y, 0);
    runs.push_back(Run{s.y, x0, x1});
    for (const int ny : {s.y - 1, s.y + 1}) {
      if (ny < 0 || ny >= m_height) continue;
      bool inRun = false;
      for (int i = x0 - 1; i <= x1 + 1; ++i) {
        const bool set = GetPixel(i, ny) != 0;
        if (set && !inRun) stack.push_back(POINT{i, ny});
        inRun = set;
      }
    }
  }
  return runs;
}

void CRegionTracer::TraceOuterInstead(CChain& chain) {
  // The region's first pixel in scan order always has the outside on its
  // left, so the outline from there is the outer one.
  const CFPoint start = chain.GetPoint(0);
  const std::vector<Run> runs = EraseRegion1(static_cast<int>(start.x + 0.5f), static_cast<int>(start.y + 0.5f));
  POINT first{m_width, m_height};
  for (const Run& r : runs) {
    if (r.y < first.y || (r.y == first.y && r.x0 < first.x)) first = POINT{r.x0, r.y};
    for (int i = r.x0; i <= r.x1; ++i) SetPixel(i, r.y, 1);
  }
  chain.m_points.clear();
  TraceOutline(first.x, first.y, chain);
}

void CRegionTracer::RetireRegion(CChain& chain) {
  if (chain.GetCount() == 0) return;
  if (m_bits == 8) {
    for (const CFPoint& p : chain.Points()) SetPixel(static_cast<int>(p.x + 0.5f), static_cast<int>(p.y + 0.5f), 2);
    return;
  }
  // At 1 bit there is no room for a "traced" mark, so the region goes.
  // Only its own pixels go: filling the outline's inside would also wipe out
  // any other region lying in one of its holes before it is traced.
  const CFPoint start = chain.GetPoint(0);
  EraseRegion1(static_cast<int>(start.x + 0.5f), static_cast<int>(start.y + 0.5f));
}

void CRegionTracer::TraceFromLeftEdge(int x, int y, CChain& chain) {
  TraceOutline(x, y, chain);
  // At 1 bit the whole region is erased after this outline, so it must be
  // the outer one even when the start faced a hole (the walk then ran
  // anticlockwise on the screen).
  if (m_bits == 1 && !chain.IsPositiveWinding()) TraceOuterInstead(chain);
  chain.CalcBounds();
  RetireRegion(chain);
}

// Bands. An outline, its retiring and the start decisions that retiring
// changes all stay inside one 8-connected region of ink: the walk steps only
// onto ink, a left edge looks only at the pixels beside it, and marking or
// erasing touches only the region's own pixels. So the lines a region gives,
// and their order, depend on nothing outside it. Each band of rows traces,
// in its raster order, the regions lying wholly inside its rows;
// neighbouring bands never run together (even bands first, then odd), so
// no thread reads a pixel, or a byte of a 1-bit row, that another writes.
// The regions reaching past a band are traced afterwards on one thread by
// the plain scan. Filed under their start's raster position, the lines are
// those of the single-thread scan; their vertex reduction, which reads
// nothing but the line, runs side by side at the end.
int CRegionTracer::TraceBanded(int id) {
  const std::int64_t rows = m_height - 2;  // the scan's rows, 1 .. height - 2
  const std::int64_t bands = BandCount(rows, 64);
  if (bands < 2 || m_width < 3) return -1;

  const std::unique_ptr<CChain> model = m_target.MakeLine();
  using Filed = std::vector<std::pair<std::int64_t, std::unique_ptr<CChain>>>;
  // Work memory first: without it the plain scan does the work. Seen and
  // left-for-later marks take one bit a pixel of the scan's rows.
  const std::int64_t stride = (static_cast<std::int64_t>(m_width) + 63) / 64;
  std::vector<Filed> filed;
  std::vector<char> made;
  std::vector<std::uint64_t> seen, elsewhere;
  try {
    filed.resize(static_cast<std::size_t>(bands) + 1);
    made.assign(static_cast<std::size_t>(bands) + 1, 0);
    seen.assign(static_cast<std::size_t>(rows * stride), 0);
    elsewhere.assign(seen.size(), 0);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  auto startLine = [&](Filed& out, int x, int y) {
    auto chain = std::make_unique<CChain>(model.get());
    chain->m_fID = static_cast<float>(id);
    TraceFromLeftEdge(x, y, *chain);
    out.emplace_back(static_cast<std::int64_t>(y) * m_width + x, std::move(chain));
  };
  auto nextInk = [&](const BYTE* row, int x) {
    return m_bits == 8 ? NextNonZeroByte(row, x, m_width - 1) : NextSetBit(row, x, m_width - 1);
  };

  CStatusProgress progress;
  progress.SetRange(0, 3 * bands);
  int result = 1;
  try {
    auto bit = [&](std::vector<std::uint64_t>& plane, int x, int y) -> std::uint64_t& {
      return plane[static_cast<std::size_t>((y - 1) * stride + (x >> 6))];
    };
    auto traceBand = [&](std::int64_t band) {
      const int y0 = 1 + static_cast<int>(BandStart(band, bands, rows));
      const int y1 = static_cast<int>(BandStart(band + 1, bands, rows));
      Filed& out = filed[static_cast<std::size_t>(band)];
      std::vector<POINT> stack;
      CVertexReducer reducer;
      // The region of a left edge not met before: marked seen, and left for
      // later when it reaches past the band's rows. Filled a run of a row
      // at a time.
      auto classify = [&](int x, int y) {
        struct Run {
          int y, x0, x1;
        };
        std::vector<Run> runs;
        bool crosses = false;
        stack.assign(1, POINT{x, y});
        while (!stack.empty()) {
          const POINT q = stack.back();
          stack.pop_back();
          if ((bit(seen, q.x, q.y) >> (q.x & 63)) & 1) continue;
          int x0 = q.x, x1 = q.x;
          while (x0 > 0 && IsInk(x0 - 1, q.y)) --x0;
          while (x1 + 1 < m_width && IsInk(x1 + 1, q.y)) ++x1;
          for (int i = x0; i <= x1; ++i) bit(seen, i, q.y) |= std::uint64_t{1} << (i & 63);
          runs.push_back(Run{q.y, x0, x1});
          for (const int ny : {q.y - 1, q.y + 1}) {
            if (ny < 0 || ny >= m_height) continue;
            const int lo = std::max(0, x0 - 1), hi = std::min(m_width - 1, x1 + 1);
            for (int i = lo; i <= hi; ++i) {
              if (!IsInk(i, ny)) continue;
              if (ny < y0 || ny > y1) {
                crosses = true;
                break;
              }
              if (!((bit(seen, i, ny) >> (i & 63)) & 1)) stack.push_back(POINT{i, ny});
              while (i + 1 <= hi && IsInk(i + 1, ny)) ++i;  // one seed a run
            }
          }
        }
        if (crosses)
          for (const Run& r : runs)
            for (int i = r.x0; i <= r.x1; ++i) bit(elsewhere, i, r.y) |= std::uint64_t{1} << (i & 63);
      };
      for (int y = y0; y <= y1; ++y) {
        const BYTE* row = Row(y);
        for (int x = 1; x < m_width - 1; ++x) {
          x = nextInk(row, x);
          if (x >= m_width - 1) break;
          if (!IsLeftEdge(x, y)) continue;
          if (!((bit(seen, x, y) >> (x & 63)) & 1)) classify(x, y);
          if ((bit(elsewhere, x, y) >> (x & 63)) & 1) continue;
          made[static_cast<std::size_t>(band)] = 1;
          startLine(out, x, y);
          ReduceOutline(reducer, *out.back().second);
        }
      }
    };
    for (int parity = 0; parity < 2; ++parity) {
      const std::int64_t count = (bands - parity + 1) / 2;
      ParallelFor(
          count, [&](std::int64_t i) { traceBand(2 * i + parity); },
          [&](std::int64_t done) { progress.SetPos(parity * ((bands + 1) / 2) + done); });
    }
    // The marks are not needed by the plain scan.
    std::vector<std::uint64_t>().swap(seen);
    std::vector<std::uint64_t>().swap(elsewhere);
    // The regions across the bands' borders, by the plain scan; their
    // lines are reduced side by side a batch at a time, so unreduced
    // outlines never pile up.
    Filed& rest = filed.back();
    std::size_t reduced = 0;
    std::int64_t waiting = 0;  // vertices of unreduced lines
    auto reduceWaiting = [&] {
      const std::int64_t n = static_cast<std::int64_t>(rest.size() - reduced);
      const std::int64_t pieces = BandCount(n, 16);
      ParallelFor(pieces, [&](std::int64_t i) {
        CVertexReducer reducer;
        const std::size_t end = reduced + static_cast<std::size_t>(BandStart(i + 1, pieces, n));
        for (std::size_t k = reduced + static_cast<std::size_t>(BandStart(i, pieces, n)); k < end; ++k)
          ReduceOutline(reducer, *rest[k].second);
      });
      reduced = rest.size();
      waiting = 0;
    };
    for (int y = 1; y < m_height - 1; ++y) {
      if (y % 64 == 0) progress.SetPos(bands + 2 * bands * y / m_height);
      const BYTE* row = Row(y);
      for (int x = 1; x < m_width - 1; ++x) {
        x = nextInk(row, x);
        if (x >= m_width - 1) break;
        if (!IsLeftEdge(x, y)) continue;
        made.back() = 1;
        startLine(rest, x, y);
        waiting += rest.back().second->GetCount();
        if (waiting >= (std::int64_t{1} << 20)) reduceWaiting();
      }
    }
    reduceWaiting();
  } catch (const std::bad_alloc&) {
    Report(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
    result = 0;  // the lines made so far stay
  }

  Filed all;
  try {
    std::size_t total = 0;
    for (const Filed& f : filed) total += f.size();
    all.reserve(total);
  } catch (const std::bad_alloc&) {
    Report(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
    return 0;
  }
  for (Filed& f : filed) {
    for (auto& entry : f) all.push_back(std::move(entry));
    Filed().swap(f);
  }
  std::stable_sort(all.begin(), all.end(), [](const auto& p, const auto& q) { return p.first < q.first; });
  try {
    for (auto& entry : all) m_target.Adopt(entry.second.release());  // a line it cannot take it deletes
  } catch (const std::bad_alloc&) {
    Report(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
    result = 0;
  }
  for (char m : made)
    if (m) m_target.m_nModified = 1;
  return result;
}

// Outlines of an 8-bit mask side by side, whatever the regions' extent.
//
// At 8 bits the scan's decisions follow one rule: a left edge starts an
// outline unless an earlier outline has marked it or the pixel to its right
// (marks turn 1 into 2). The boundary walk itself reads only whether pixels
// are ink (1 or 2 alike), so the outline from a given start does not depend
// on what was traced before; a start is never isolated, since its right
// neighbour is an unmarked 1. So the walks are made first, side by side:
// each band of rows follows the scan through its own rows, deciding with the
// marks of its own outlines only, and keeps every outline it walked (reduced,
// with its bounds) and its steps. Then the scan goes through the bands in
// order with the real marks: a start that is not marked takes its outline
// from the band's store, or walks it when the band did not (because one of
// the band's own outlines hid it), and marks its steps. Outlines a band
// walked from starts that an earlier band's outline has marked are dropped.
// Lines, order and the marks left in the image are those of the plain scan.
//
// The scan in order does not wait for all the bands: whichever thread
// finishes a band takes the scan on through every band finished in order
// (one thread at a time), so it runs while later bands are still walking.
// The bands read the image while the scan marks it; marks only turn ink into
// ink, which is all a band's walk reads, and a band's own start decisions
// need not be the scan's (the scan decides again), so pixels are read and
// written as relaxed atomics and nothing else is shared.
int CRegionTracer::TraceBanded8(int id) {
  const std::int64_t rows = m_height - 2;  // the scan's rows, 1 .. height - 2
  const std::int64_t bands = BandCount(rows, 64);
  if (m_bits != 8 || bands < 2 || m_width < 3) return -1;

  const std::unique_ptr<CChain> model = m_target.MakeLine();
  // One band's walks: the outlines by start (raster position), in scan
  // order, with their steps as direction codes, two a byte.
  struct Walked {
    std::int64_t key;
    std::unique_ptr<CChain> line;
    std::int64_t firstStep, steps;
  };
  struct Store {
    std::vector<Walked> walked;
    std::vector<BYTE> codes;
    // The pixels of the band's rows that can be left edges whatever is
    // marked (a bit each, rows of whole words): the first pixel of a run of
    // ink with ink to its right. The scan visits only these; empty when the
    // band could not be walked, and the scan then reads the rows itself.
    std::vector<std::uint64_t> candidates;
    // Gives all of it back to the system (clear() would keep the memory).
    void Release() { *this = Store(); }
  };
  std::vector<Store> stores;
  std::unique_ptr<std::atomic<bool>[]> walkedBand;
  try {
    stores.resize(static_cast<std::size_t>(bands));
    walkedBand = std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(bands));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  auto stepCode = [](const CFPoint& a, const CFPoint& b) {
    const int dx = static_cast<int>(b.x - a.x), dy = static_cast<int>(b.y - a.y);
    for (int k = 0; k < 8; ++k)
      if (kDx[k] == dx && kDy[k] == dy) return k;
    return 0;  // a walk moves to a neighbour only
  };

  // Calls f(x, y) for the first pixel of every run of ink of rows y0 .. y1
  // as the scan meets it. Only such a pixel can be a left edge, and marking
  // keeps ink ink, so the runs stay as they are.
  auto forEachRunStart = [this](int y0, int y1, auto&& f) {
    for (int y = y0; y <= y1; ++y) {
      const BYTE* row = Row(y);
      for (int x = 1; x < m_width - 1; ++x) {
        x = NextInkShared(row, x, m_width - 1);
        if (x >= m_width - 1) break;
        const int start = x;
        x = NextBackgroundShared(row, x + 1, m_width - 1);
        f(start, y);
      }
    }
  };
  // Calls f(x, y) for every left edge of rows y0 .. y1 as the scan meets it.
  auto forEachLeftEdge = [&](int y0, int y1, auto&& f) {
    forEachRunStart(y0, y1, [&](int x, int y) {
      if (IsLeftEdge(x, y)) f(x, y);
    });
  };
  const std::int64_t stride = (static_cast<std::int64_t>(m_width) + 63) / 64;  // words a row of bits
  auto isInk = [this](int x, int y) { return std::atomic_ref<BYTE>(Row(y)[x]).load(std::memory_order_relaxed) != 0; };

  // One band's walks, deciding with its own marks.
  auto walkBand = [&](std::int64_t band) {
    const int y0 = 1 + static_cast<int>(BandStart(band, bands, rows));
    const int y1 = static_cast<int>(BandStart(band + 1, bands, rows));
    std::vector<std::uint64_t> marked(static_cast<std::size_t>((y1 - y0 + 1) * stride), 0);
    auto isMarked = [&](int x, int y) {
      return (marked[static_cast<std::size_t>((y - y0) * stride + (x >> 6))] >> (x & 63)) & 1;
    };
    Store& store = stores[static_cast<std::size_t>(band)];
    std::vector<std::uint64_t> candidates(marked.size(), 0);
    CVertexReducer reducer;
    CChain walk(model.get());  // the lines' pen width, for the bounds
    forEachRunStart(y0, y1, [&](int x, int y) {
      if (isInk(x - 1, y) || !isInk(x + 1, y)) return;
      candidates[static_cast<std::size_t>((y - y0) * stride + (x >> 6))] |= std::uint64_t{1} << (x & 63);
      if (!IsLeftEdge(x, y) || isMarked(x, y) || isMarked(x + 1, y)) return;
      walk.m_points.clear();
      if (!TraceOutline(x, y, walk)) return;
      const std::vector<CFPoint>& pts = walk.m_points;
      // An outline reaching above the band was most likely started by an
      // earlier band (the scan meets its starts there first): it only
      // marks. Should it not be, the scan walks it again. Above the first
      // band there is only the image's first row, where nothing starts, so
      // the first band keeps all of its outlines (the one round a map grid
      // that runs to the sheet's edges among them, which the scan would
      // otherwise walk again on its own).
      bool above = false;
      for (const CFPoint& p : pts) {
        const int px = static_cast<int>(p.x + 0.5f), py = static_cast<int>(p.y + 0.5f);
        if (py < y0 && band > 0) above = true;
        if (py >= y0 && py <= y1)
          marked[static_cast<std::size_t>((py - y0) * stride + (px >> 6))] |= std::uint64_t{1} << (px & 63);
      }
      if (above) return;
      Walked w{static_cast<std::int64_t>(y) * m_width + x, std::make_unique<CChain>(model.get()),
               static_cast<std::int64_t>(store.codes.size()) * 2, static_cast<std::int64_t>(pts.size()) - 1};
      for (std::size_t i = 1; i < pts.size(); ++i) {
        const int code = stepCode(pts[i - 1], pts[i]);
        if (i % 2 == 1)
          store.codes.push_back(static_cast<BYTE>(code));
        else
          store.codes.back() |= static_cast<BYTE>(code << 4);
      }
      w.line->m_fID = static_cast<float>(id);
      walk.CalcBounds();
      TakeOutline(reducer, walk, *w.line);
      store.walked.push_back(std::move(w));
    });
    store.walked.shrink_to_fit();
    store.codes.shrink_to_fit();
    store.candidates.swap(candidates);
  };

  // The scan with the real marks through one band; each line goes to the
  // target as soon as it is taken.
  bool madeAny = false;
  int result = 1;
  CVertexReducer scanReducer;
  CChain scanWalked(model.get());
  auto scanBand = [&](std::int64_t band) {
    Store& store = stores[static_cast<std::size_t>(band)];
    std::size_t next = 0;
    const int y0 = 1 + static_cast<int>(BandStart(band, bands, rows));
    const int y1 = static_cast<int>(BandStart(band + 1, bands, rows));
    auto take = [&](std::unique_ptr<CChain> line) {
      madeAny = true;
      m_target.Adopt(line.release());  // a line it cannot take it deletes
    };
    auto atLeftEdge = [&](int x, int y) {
      const std::int64_t key = static_cast<std::int64_t>(y) * m_width + x;
      while (next < store.walked.size() && store.walked[next].key < key) ++next;  // hidden: dropped
      if (next < store.walked.size() && store.walked[next].key == key) {
        Walked& w = store.walked[next++];
        // SetPixel(cx, cy, 2) of an 8-bit image, inline: this runs for every
        // boundary pixel on the one thread the scan has.
        auto mark = [this](int cx, int cy) {
          if (Inside(cx, cy)) std::atomic_ref<BYTE>(Row(cy)[cx]).store(2, std::memory_order_relaxed);
        };
        int cx = x, cy = y;
        mark(cx, cy);
        const BYTE* codes = store.codes.data();
        for (std::int64_t at = w.firstStep, end = w.firstStep + w.steps; at < end; ++at) {
          const int code = (codes[static_cast<std::size_t>(at >> 1)] >> (4 * (at & 1))) & 15;
          cx += kDx[code];
          cy += kDy[code];
          mark(cx, cy);
        }
        take(std::move(w.line));
        return;
      }
      auto line = std::make_unique<CChain>(model.get());
      line->m_fID = static_cast<float>(id);
      scanWalked.m_points.clear();
      TraceFromLeftEdge(x, y, scanWalked);
      TakeOutline(scanReducer, scanWalked, *line);
      take(std::move(line));
    };
    if (store.candidates.empty()) {
      forEachLeftEdge(y0, y1, atLeftEdge);
    } else {
      // The same pixels in the same order as reading the rows, without
      // reading them: what marks decide is checked at each.
      for (int y = y0; y <= y1; ++y) {
        const std::uint64_t* words = store.candidates.data() + static_cast<std::size_t>((y - y0) * stride);
        for (std::int64_t w = 0; w < stride; ++w)
          for (std::uint64_t bits = words[w]; bits; bits &= bits - 1) {
            const int x = static_cast<int>(w * 64 + std::countr_zero(bits));
            if (IsLeftEdge(x, y)) atLeftEdge(x, y);
          }
      }
    }
    store.Release();
  };

  // The scan goes on through the bands walked so far, one thread at a time.
  // A thread that finds it busy leaves it to the one scanning, which looks
  // again before it lets go.
  std::mutex scanning;
  std::atomic<std::int64_t> scanned{0};
  auto scanOn = [&] {
    for (;;) {
      std::unique_lock<std::mutex> lock(scanning, std::try_to_lock);
      if (!lock.owns_lock()) return;
      std::int64_t band = scanned.load();
      try {
        for (; band < bands && walkedBand[static_cast<std::size_t>(band)].load(); ++band) {
          if (result) scanBand(band);
          scanned.store(band + 1);
        }
      } catch (const std::bad_alloc&) {
        Report(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
        result = 0;  // the lines made so far stay; the scan stops
        scanned.store(band + 1);
        continue;
      }
      lock.unlock();
      if (band >= bands || !walkedBand[static_cast<std::size_t>(band)].load()) return;
    }
  };

  CStatusProgress progress;
  progress.SetRange(0, bands);
  ParallelFor(
      bands,
      [&](std::int64_t band) {
        {
          // A walk that fails would report it; the scan walks that start
          // again and reports it in its place, if it is traced at all. A
          // band without memory for its walks leaves every start to the
          // scan.
          CHeldMessages unused;
          CHeldMessages* previous = HoldMessages(&unused);
          try {
            walkBand(band);
          } catch (const std::bad_alloc&) {
            stores[static_cast<std::size_t>(band)].Release();
          }
          HoldMessages(previous);
        }
        walkedBand[static_cast<std::size_t>(band)].store(true);
        scanOn();
      },
      [&](std::int64_t done) { progress.SetPos(done); });
  scanOn();  // every band is walked now: the scan has nothing left to wait for
  if (madeAny) m_target.m_nModified = 1;
  return result;
}

int CRegionTracer::Trace(int id) {
  if (!m_pixels || (m_bits != 1 && m_bits != 8) || m_width <= 0 || m_height <= 0) return 0;
  if (const int banded = TraceBanded8(id); banded >= 0) return banded;
  if (const int banded = TraceBanded(id); banded >= 0) return banded;
  CStatusProgress progress;
  progress.SetRange(0, m_height / 20);
  CVertexReducer reducer;
  CChain walked;
  for (int y = 1; y < m_height - 1; ++y) {
    if (y % 20 == 0) progress.StepIt();
    const BYTE* row = Row(y);
    for (int x = 1; x < m_width - 1;) {
      // Background is skipped a word at a time; tracing may change the row,
      // so every step reads it afresh.
      x = m_bits == 8 ? NextNonZeroByte(row, x, m_width - 1) : NextSetBit(row, x, m_width - 1);
      if (x >= m_width - 1) break;
      if (IsLeftEdge(x, y)) {
        CChain* chain = NewChain();
        if (!chain) {
          Report(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
          return 0;
        }
        chain->m_fID = static_cast<float>(id);
        walked.m_points.clear();
        walked.m_nWidth = chain->m_nWidth;  // for the bounds
        try {
          TraceFromLeftEdge(x, y, walked);
          TakeOutline(reducer, walked, *chain);
        } catch (const std::bad_alloc&) {
          Report(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
          return 0;
        }
      }
      ++x;
    }
  }
  return 1;
}

}  // namespace qzn
