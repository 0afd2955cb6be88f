#include "app/regiontracer.h"

#include <new>
#include <vector>

#include "app/pixelscan.h"
#include "app/vertexreducer.h"
#include "model/chain.h"
#include "model/chainlist.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_app.h"
#include "resources/messages_common.h"

namespace qzn {

namespace {

// Direction codes: 0 east, then clockwise on the screen (y grows downwards).
constexpr int kDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};

constexpr double kOutlineTolerance = 0.6;

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

int CRegionTracer::GetPixel(int x, int y) const {
  if (!Inside(x, y)) return 0;
  const BYTE* row = Row(y);
  if (m_bits == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1;
  return row[x];
}

void CRegionTracer::SetPixel(int x, int y, int value) {
  if (!Inside(x, y)) return;
  BYTE* row = Row(y);
  if (m_bits == 1) {
    const BYTE mask = static_cast<BYTE>(0x80 >> (x & 7));
    if (value) row[x >> 3] |= mask;
    else row[x >> 3] &= static_cast<BYTE>(~mask);
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
      if (firstMove < 0) firstMove = move;
      else if (move == firstMove) return 1;
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
    for (const CFPoint& p : chain.Points())
      SetPixel(static_cast<int>(p.x + 0.5f), static_cast<int>(p.y + 0.5f), 2);
    return;
  }
  // At 1 bit there is no room for a "traced" mark, so the region goes.
  // Only its own pixels go: filling the outline's inside would also wipe out
  // any other region lying in one of its holes before it is traced.
  const CFPoint start = chain.GetPoint(0);
  EraseRegion1(static_cast<int>(start.x + 0.5f), static_cast<int>(start.y + 0.5f));
}

int CRegionTracer::Trace(int id) {
  if (!m_pixels || (m_bits != 1 && m_bits != 8) || m_width <= 0 || m_height <= 0) return 0;
  CStatusProgress progress;
  progress.SetRange(0, m_height / 20);
  CVertexReducer reducer;
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
        try {
          TraceOutline(x, y, *chain);
          // At 1 bit the whole region is erased after this outline, so it
          // must be the outer one even when the start faced a hole (the
          // walk then ran anticlockwise on the screen).
          if (m_bits == 1 && !chain->IsPositiveWinding()) TraceOuterInstead(*chain);
          chain->CalcBounds();
          RetireRegion(*chain);
        } catch (const std::bad_alloc&) {
          Report(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
          return 0;
        }
        reducer.ReduceChain(*chain, kOutlineTolerance);
      }
      ++x;
    }
  }
  return 1;
}

}  // namespace qzn
