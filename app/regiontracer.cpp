#include "app/regiontracer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "app/outlinebands.h"
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
    row[x] = static_cast<BYTE>(value);
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

// Outlines of an 8-bit mask side by side, whatever the regions' extent
// (app/outlinebands.h tells how). The bands walk every boundary step once
// and one thread decides the scan's starts from what they noted; the lines
// are then followed and reduced side by side, the largest first, and the
// outlines' pixels marked band by band. Until the marks the image is only
// read, so running out of memory before them leaves everything as it was
// for another way (-1).
int CRegionTracer::TraceBanded8(int id) {
  const std::int64_t rows = m_height - 2;  // the scan's rows, 1 .. height - 2
  const std::int64_t bands = BandCount(rows, 64);
  if (m_bits != 8 || bands < 2 || m_width < 3) return -1;

  CStatusProgress progress;
  progress.SetRange(0, 2 * bands);
  std::unique_ptr<COutlineBands> outlines;
  std::vector<std::vector<COutlineBands::Start>> starts;
  // Runs of starts of about equal steps, each a band's starts first .. end;
  // an outline longer than a run is one of its own.
  struct Run {
    std::size_t band, first, end;
    std::int64_t steps = 0;
    std::vector<std::unique_ptr<CChain>> lines;
  };
  std::vector<Run> runs;
  try {
    const std::unique_ptr<CChain> model = m_target.MakeLine();
    outlines = std::make_unique<COutlineBands>(m_pixels, m_width, m_height, bands);
    outlines->Walk([&](std::int64_t done) { progress.SetPos(done); });
    starts = outlines->Starts();
    std::int64_t total = 0;
    for (const auto& band : starts)
      for (const auto& start : band) total += start.steps;
    const std::int64_t runSteps = std::max<std::int64_t>(1 << 16, total / (16 * WorkerThreads()));
    for (std::size_t b = 0; b < starts.size(); ++b)
      for (std::size_t i = 0; i < starts[b].size(); ++i) {
        if (runs.empty() || runs.back().band != b || runs.back().steps >= runSteps) runs.push_back(Run{b, i, i, 0, {}});
        runs.back().end = i + 1;
        runs.back().steps += starts[b][i].steps;
      }
    // The longest first, so that none is left to run alone at the end.
    std::vector<std::size_t> order(runs.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return runs[a].steps > runs[b].steps; });
    ParallelFor(
        static_cast<std::int64_t>(runs.size()),
        [&](std::int64_t i) {
          Run& run = runs[order[static_cast<std::size_t>(i)]];
          CVertexReducer reducer;
          CChain walked(model.get());  // the lines' pen width, for the bounds
          run.lines.reserve(run.end - run.first);
          for (std::size_t k = run.first; k < run.end; ++k) {
            outlines->Follow(starts[run.band][k], walked);
            walked.CalcBounds();
            auto line = std::make_unique<CChain>(model.get());
            line->m_fID = static_cast<float>(id);
            TakeOutline(reducer, walked, *line);
            run.lines.push_back(std::move(line));
          }
        },
        [&](std::int64_t done) {
          progress.SetPos(bands + bands * done / static_cast<std::int64_t>(std::max<std::size_t>(runs.size(), 1)));
        });
  } catch (const std::bad_alloc&) {
    return -1;
  }
  outlines->Mark(starts);
  outlines.reset();
  int result = 1;
  try {
    for (Run& run : runs)
      for (auto& line : run.lines) m_target.Adopt(line.release());  // a line it cannot take it deletes
  } catch (const std::bad_alloc&) {
    Report(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
    result = 0;  // the lines made so far stay
  }
  if (!runs.empty()) m_target.m_nModified = 1;
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
