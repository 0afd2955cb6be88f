// Closing the gaps between traced lines: joining pairs of lines whose ends
// meet, moving line ends onto each other, merging chains of lines through
// the sorted end-point index, merging a selection into one closed line and
// snapping polygons to each other. Every neighbour search goes through an
// index (a bucket grid of end points, the key-sorted end table or a grid of
// bounds), so the cost grows with the number of lines, not its square.
#include <algorithm>
#include <cmath>
#include <new>
#include <set>

#include "model/chain_internal.h"
#include "model/chainlist.h"
#include "model/chainlist_internal.h"
#include "model/endpointsnapper.h"
#include "model/geometry.h"
#include "model/gridindex.h"
#include "model/helpers.h"
#include "model/lineindex.h"
#include "platform/host.h"
#include "resources/messages_model.h"

namespace qzn {

namespace {

POINT RoundedPoint(const CFPoint& p) { return POINT{RoundPixel(p.x), RoundPixel(p.y)}; }

// The rounded end points of indexed lines (ids are list indices) in a
// grid over where the ends lie; lines are indexed again whenever their ends
// move (an end moved outside falls into a border cell and is still found).
class CLineEnds {
 public:
  CLineEnds(const std::vector<CChain*>& lines, int cell)
      : m_grid(EndsExtent(lines), cell, lines.size()), m_ends(lines.size()), m_indexed(lines.size(), 0) {}

  void Index(std::int64_t i, const CChain* c) {
    auto& e = m_ends[static_cast<std::size_t>(i)];
    e = {RoundedPoint(c->m_points.front()), RoundedPoint(c->m_points.back())};
    m_grid.Insert(static_cast<int>(i), At(e.first));
    m_grid.Insert(static_cast<int>(i), At(e.second));
    m_indexed[static_cast<std::size_t>(i)] = 1;
  }
  void Unindex(std::int64_t i) {
    if (!m_indexed[static_cast<std::size_t>(i)]) return;
    m_grid.Remove(static_cast<int>(i), At(m_ends[static_cast<std::size_t>(i)].first));
    m_grid.Remove(static_cast<int>(i), At(m_ends[static_cast<std::size_t>(i)].second));
    m_indexed[static_cast<std::size_t>(i)] = 0;
  }
  // Calls f(i) once for each indexed line with an end inside the square
  // (PtInRect: right and bottom edges outside).
  template <class F>
  void InSquare(const RECT& square, F&& f) {
    m_grid.Query(square, [&](int item) {
      const auto& e = m_ends[static_cast<std::size_t>(item)];
      if (PtInRect(square, e.first) || PtInRect(square, e.second)) f(static_cast<std::int64_t>(item));
    });
  }

 private:
  static RECT At(POINT p) { return RECT{p.x, p.y, p.x, p.y}; }
  static RECT EndsExtent(const std::vector<CChain*>& lines) {
    std::vector<RECT> ends;
    for (const CChain* c : lines)
      if (c && !c->m_points.empty()) {
        ends.push_back(At(RoundedPoint(c->m_points.front())));
        ends.push_back(At(RoundedPoint(c->m_points.back())));
      }
    return BoundingRect(ends);
  }

  CRectGrid m_grid;
  std::vector<std::pair<POINT, POINT>> m_ends;
  std::vector<char> m_indexed;
};

bool HasBothMarks(const CChain* c) { return (c->m_nWidth & CChain::kSnapMarks) == CChain::kSnapMarks; }

// Moves the line's ends within the tolerance of point onto it and marks them.
void SnapEnds(CChain* c, const CFPoint& point, float tolerance) {
  const double t2 = static_cast<double>(tolerance) * tolerance;
  const std::int64_t last = c->GetCount() - 1;
  if (last < 0) return;
  if (PointDistanceSquared(point, c->GetPoint(0)) <= t2) {
    c->SetPoint(0, point.x, point.y);
    c->m_nWidth |= CChain::kFirstMovedMark;
  }
  if (PointDistanceSquared(point, c->GetPoint(last)) <= t2) {
    c->SetPoint(last, point.x, point.y);
    c->m_nWidth |= CChain::kLastMovedMark;
  }
}

}  // namespace

// ------------------------------------------------------------ joining pairs

void CChainList::JoinLines(int tolerance, int parameter) {
  const int t = std::max(0, tolerance);
  std::vector<CChain*> lines;
  std::vector<POSITION> positions;
  for (POSITION pos = GetHeadPosition(); pos;) {
    positions.push_back(pos);
    lines.push_back(GetNext(pos));
  }
  const std::int64_t n = static_cast<std::int64_t>(lines.size());
  CLineEnds ends(lines, 2 * t + 1);
  for (std::int64_t i = 0; i < n; ++i)
    if (lines[static_cast<std::size_t>(i)] && lines[static_cast<std::size_t>(i)]->GetCount() > 1)
      ends.Index(i, lines[static_cast<std::size_t>(i)]);

  CStatusProgress progress;
  progress.SetRange(0, n / 20 + 1);
  progress.SetStep(1);
  const int maxDist2 = t * t;
  std::vector<char> rejoined(lines.size(), 0);
  for (std::int64_t s = 0; s < n; ++s) {
    if ((s + 1) % 20 == 0) progress.StepIt();
    CChain* line = lines[static_cast<std::size_t>(s)];
    if (!line || line->GetCount() < 2 || line->IsClosed(t)) continue;
    const int id = TruncInt(line->m_fID);
    for (int end = 0; end < 2; ++end) {
      const POINT e = RoundedPoint(end == 0 ? line->m_points.front() : line->m_points.back());
      std::int64_t candidate = -1, found = 0;
      // Held to the int range: an end far out must not overflow the square.
      const double x = e.x, y = e.y;
      ends.InSquare(RECT{TruncInt(x - t), TruncInt(y - t), TruncInt(x + t), TruncInt(y + t)}, [&](std::int64_t c) {
        const CChain* other = lines[static_cast<std::size_t>(c)];
        if (c == s || TruncInt(other->m_fID) != id || other->m_nLayer != line->m_nLayer) return;
        ++found;
        candidate = c;
      });
      if (found != 1) continue;
      CChain* target = lines[static_cast<std::size_t>(candidate)];
      if (target->IsClosed(t)) continue;
      const int pairing = target->CanJoinSmoothly(line, maxDist2, static_cast<float>(parameter));
      if (!pairing) continue;
      ends.Unindex(candidate);
      // s goes, so its vertices may serve the joined line; the bounds of the
      // joined lines are refreshed once at the end.
      const bool joined = JoinVertices(*target, line, pairing, true);
      ends.Index(candidate, target);
      if (!joined) continue;  // out of memory: both stay
      rejoined[static_cast<std::size_t>(candidate)] = 1;
      ends.Unindex(s);
      RemoveAt(positions[static_cast<std::size_t>(s)]);
      lines[static_cast<std::size_t>(s)] = nullptr;
      break;
    }
  }
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (rejoined[i] && lines[i]) lines[i]->CalcBounds();
  m_nModified = 1;
}

// ------------------------------------------------------------ end snapping

void CChainList::SnapEndsToPoint(const CFPoint& point, float tolerance) {
  for (CChain* c : *this)
    if (c) SnapEnds(c, point, tolerance);
}

void CChainList::ClearMarks() {
  for (CChain* c : *this)
    if (c) c->m_nWidth &= ~CChain::kSnapMarks;
}

void CChainList::SnapEndPoints(float tolerance) {
  const float a = tolerance;
  ClearMarks();
  std::vector<CChain*> lines(begin(), end());
  const std::int64_t n = static_cast<std::int64_t>(lines.size());
  // The lines still waiting keep their list order, which is their index
  // order; the done list grows at its end only.
  std::vector<char> waiting(lines.size(), 1);
  std::set<std::int64_t> dead;  // waiting lines no walk may use, by index
  CLineEnds ends(lines, static_cast<int>(std::min(1.0e6, 2.0 * std::fabs(static_cast<double>(a)) + 1.0)));
  auto isDead = [](const CChain* c) { return c->GetCount() < 2 || c->IsClosed(0) || HasBothMarks(c); };
  for (std::int64_t i = 0; i < n; ++i) {
    const CChain* c = lines[static_cast<std::size_t>(i)];
    if (!c) continue;
    if (isDead(c))
      dead.insert(i);
    else
      ends.Index(i, c);
  }

  std::vector<CChain*> done;
  done.reserve(lines.size());
  CStatusProgress progress;
  progress.SetRange(0, 100);
  progress.SetStep(1);
  const std::int64_t every = n / 100 + 1;
  std::vector<std::int64_t> candidates;
  std::int64_t head = 0;
  for (std::int64_t taken = 1;; ++taken) {
    while (head < n && !waiting[static_cast<std::size_t>(head)]) ++head;
    if (head >= n) break;
    if (taken % every == 0) progress.StepIt();
    const std::int64_t pi = head;
    CChain* p = lines[static_cast<std::size_t>(pi)];
    waiting[static_cast<std::size_t>(pi)] = 0;
    dead.erase(pi);
    if (!p) continue;
    ends.Unindex(pi);
    if (p->GetCount() < 2) {
      delete p;
      continue;
    }
    done.push_back(p);
    if (HasBothMarks(p) || p->IsClosed(TruncInt(a))) continue;
    for (int end = 0; end < 2; ++end) {
      const CFPoint q = end == 0 ? p->m_points.front() : p->m_points.back();
      // The walk over the waiting lines first sets aside those no walk may use.
      for (std::int64_t d : dead) {
        done.push_back(lines[static_cast<std::size_t>(d)]);
        waiting[static_cast<std::size_t>(d)] = 0;
      }
      dead.clear();
      const RECT square{TruncInt(q.x - a), TruncInt(q.y - a), TruncInt(a + q.x), TruncInt(a + q.y)};
      candidates.clear();
      ends.InSquare(square, [&](std::int64_t c) { candidates.push_back(c); });
      for (std::int64_t c : candidates) {
        CChain* line = lines[static_cast<std::size_t>(c)];
        ends.Unindex(c);
        SnapEnds(line, q, a);
        if (isDead(line))
          dead.insert(c);
        else
          ends.Index(c, line);
      }
    }
  }
  Reorder(done);  // the short lines deleted above are forgotten
  ClearMarks();
  m_nModified = 1;
}

// ------------------------------------------------------------ end-point index

BOOL CEndpointSnapper::BuildEndpoints() {
  m_table.clear();
  m_positions.clear();
  m_nLines = 0;
  try {
    m_table.reserve(static_cast<std::size_t>(m_list->GetCount()) * 2);
    for (POSITION pos = m_list->GetHeadPosition(); pos;) {
      POSITION at = pos;
      CChain* c = m_list->GetNext(pos);
      if (!c || c->GetCount() < 2 || (m_nLayer != kAnyLayer && c->m_nLayer != m_nLayer)) continue;
      for (int end = 0; end < 2; ++end) {
        Entry e;
        e.at = RoundedPoint(end == 0 ? c->m_points.front() : c->m_points.back());
        e.key = MakePointKey(e.at);
        e.vertexCount = c->GetCount();
        e.line = c;
        e.lineIndex = m_nLines;
        e.end = end;
        m_table.push_back(e);
      }
      m_positions.push_back(at);
      ++m_nLines;
    }
    // Equal keys are ordered by line and end, so the result never depends on
    // how the sort treats ties.
    std::sort(m_table.begin(), m_table.end(), [](const Entry& a, const Entry& b) {
      if (a.key != b.key) return a.key < b.key;
      if (a.lineIndex != b.lineIndex) return a.lineIndex < b.lineIndex;
      return a.end < b.end;
    });
    std::vector<std::int64_t> slot(static_cast<std::size_t>(m_nLines) * 2);
    for (std::size_t i = 0; i < m_table.size(); ++i)
      slot[static_cast<std::size_t>(m_table[i].lineIndex) * 2 + static_cast<std::size_t>(m_table[i].end)] =
          static_cast<std::int64_t>(i);
    for (Entry& e : m_table)
      e.partner = slot[static_cast<std::size_t>(e.lineIndex) * 2 + static_cast<std::size_t>(1 - e.end)];
  } catch (const std::bad_alloc&) {
    m_table.clear();
    m_positions.clear();
    return FALSE;
  }
  return TRUE;
}

int CEndpointSnapper::Run(int tolerance, BOOL sameID, BOOL collectAll) {
  const int t = std::max(0, tolerance);
  m_nSameID = sameID ? 1 : 0;
  const std::int64_t count = static_cast<std::int64_t>(m_table.size());
  CStatusProgress progress;
  progress.SetRange(0, m_nLines / 10);
  progress.SetStep(1);

  COwningList<CChain> merged;
  try {
    auto keyOf = [&](std::int64_t i) { return m_table[static_cast<std::size_t>(i)].key; };
    std::vector<std::pair<std::int64_t, std::int64_t>> found;
    for (std::int64_t i = 0; i < count; ++i) {
      if (i % 20 == 19) progress.StepIt();
      Entry& e = m_table[static_cast<std::size_t>(i)];
      if (e.used || e.link != -1) continue;
      // Neighbours in square-spiral order from the centre, then table order.
      found.clear();
      ForEachKeyInSquare(count, keyOf, e.at.x, e.at.y, t, [&](std::int64_t j) {
        if (j <= i) return;
        const Entry& o = m_table[static_cast<std::size_t>(j)];
        found.emplace_back(SpiralRank(std::int64_t{o.at.x} - e.at.x, std::int64_t{o.at.y} - e.at.y), j);
      });
      const std::size_t limit = collectAll ? 20 : 1;
      if (found.size() > limit)
        std::partial_sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(limit), found.end());
      else
        std::sort(found.begin(), found.end());
      if (found.size() > limit) found.resize(limit);
      std::int64_t kept = -1, keptCount = 0;
      for (const auto& [r, j] : found) {
        Entry& o = m_table[static_cast<std::size_t>(j)];
        if (o.lineIndex == e.lineIndex) continue;
        if (m_nSameID && o.line->m_fID != e.line->m_fID) continue;
        o.used = 1;
        kept = j;
        ++keptCount;
      }
      if (keptCount == 1 && m_table[static_cast<std::size_t>(kept)].link == -1) {
        m_table[static_cast<std::size_t>(kept)].link = i;
        e.link = kept;
      }
    }
    for (Entry& e : m_table) e.used = 0;

    // Merge: the lines are built aside and the list changes only when all
    // of them could be made.
    for (std::int64_t i = 0; i < count; ++i) {
      if (i % 20 == 19) progress.StepIt();
      Entry& e = m_table[static_cast<std::size_t>(i)];
      if (e.used) continue;
      CChain* line = new CChain(e.line);
      merged.Adopt(line);
      line->m_points = e.line->m_points;
      e.used = 1;
      m_table[static_cast<std::size_t>(e.partner)].used = 1;
      for (std::int64_t start : {e.link, m_table[static_cast<std::size_t>(e.partner)].link}) {
        for (std::int64_t j = start; j != -1 && !m_table[static_cast<std::size_t>(j)].used;) {
          Entry& o = m_table[static_cast<std::size_t>(j)];
          Entry& far = m_table[static_cast<std::size_t>(o.partner)];
          o.used = 1;
          far.used = 1;
          // The bounds are refreshed once the line is whole.
          const int code = line->FindEndPairing(o.line);
          if (code && !JoinVertices(*line, o.line, code, false)) throw std::bad_alloc();
          j = far.link;
        }
      }
      line->CalcBounds();
    }
  } catch (const std::bad_alloc&) {
    for (Entry& e : m_table) e.used = 0;  // the lines made so far go with merged
    return 0;
  }
  for (POSITION pos : m_positions) m_list->RemoveAt(pos);
  m_positions.clear();
  m_table.clear();
  m_list->AdoptAll(merged);
  return 1;
}

void CChainList::SnapLines(int tolerance) {
  CEndpointSnapper snapper(this);
  if (!snapper.BuildEndpoints() || !snapper.Run(tolerance, TRUE, TRUE)) {
    AfxMessageBox(res::text::kSnapLinesNoMemory, MB_OK);
    return;
  }
  m_nModified = 1;
}

// ------------------------------------------------------------ one closed line

BOOL CChainList::JoinIntoOne(int tolerance, CChain* result) {
  if (!result || IsEmpty()) return FALSE;
  CChainList work;
  for (const CChain* c : *this) {
    if (!c) continue;
    CChain* copy = work.NewChain();
    if (!copy || !copy->CopyFrom(c)) {
      AfxMessageBox(res::text::kPolygonsNoMemory, MB_OK);
      return FALSE;
    }
  }
  auto takeClosed = [&](const CChain* line) {
    if (!result->CopyFrom(line)) {
      AfxMessageBox(res::text::kPolygonsNoMemory, MB_OK);
      return FALSE;
    }
    result->Close();
    result->CalcBounds();
    m_nModified = 1;
    return TRUE;
  };
  if (work.GetCount() == 1) {
    const CChain* line = work.GetHead();
    if (line->GetCount() < 1) return FALSE;
    const CFPoint a = line->m_points.front(), b = line->m_points.back();
    const double dx = static_cast<double>(TruncInt(a.x)) - TruncInt(b.x);
    const double dy = static_cast<double>(TruncInt(a.y)) - TruncInt(b.y);
    if (!(std::sqrt(dx * dx + dy * dy) < tolerance)) return FALSE;
    return takeClosed(line);
  }
  if (work.IsEmpty()) return FALSE;
  CEndpointSnapper snapper(&work);
  if (!snapper.BuildEndpoints() || !snapper.Run(tolerance, FALSE, FALSE)) {
    AfxMessageBox(res::text::kPolygonsNoMemory, MB_OK);
    return FALSE;
  }
  if (work.GetCount() >= 2) return FALSE;
  if (work.IsEmpty()) return FALSE;
  return takeClosed(work.GetHead());
}

// ------------------------------------------------------------ polygons

int CChainList::SnapPolygons(int tolerance) {
  std::vector<CChain*> closed;
  for (CChain* c : *this)
    if (c && c->IsClosed(0)) closed.push_back(c);
  const std::int64_t n = static_cast<std::int64_t>(closed.size());
  // SnapToChain leaves the bounds alone, so one index of the grown bounds
  // serves the whole pass; pairs whose grown bounds are apart do nothing.
  std::vector<RECT> grown;
  grown.reserve(closed.size());
  for (const CChain* c : closed) {
    RECT r = c->m_rcBounds;
    InflateRect(r, tolerance, tolerance);
    grown.push_back(r);
  }
  CRectGrid grid = MakeRectGrid(grown);
  CListProgress progress(n);
  for (std::int64_t i = 0; i < n; ++i) {
    progress.Item();
    for (std::int64_t j : QuerySorted(grid, grown[static_cast<std::size_t>(i)]))
      if (j > i) closed[static_cast<std::size_t>(j)]->SnapToChain(closed[static_cast<std::size_t>(i)], tolerance);
  }
  m_nModified = 1;
  return 1;
}

}  // namespace qzn
