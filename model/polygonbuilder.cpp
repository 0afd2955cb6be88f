#include "model/polygonbuilder.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "model/chain_internal.h"
#include "model/chainlist_internal.h"
#include "model/geometry.h"
#include "model/helpers.h"
#include "model/lineindex.h"
#include "platform/host.h"
#include "resources/messages_common.h"
#include "resources/messages_model.h"

namespace qzn {

namespace {

POINT RoundedPoint(const CFPoint& p) { return POINT{RoundPixel(p.x), RoundPixel(p.y)}; }

// Where a line is cut: at vertex k (t == 0 and the point is that vertex) or
// at point p inside segment k (0 < t < 1 along it).
struct Cut {
  std::int64_t k = 0;
  double t = 0.0;
  CFPoint p;
};

double ParamOnSegment(const CFPoint& a, const CFPoint& b, const CFPoint& p) {
  const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
  const double len2 = dx * dx + dy * dy;
  if (len2 <= 0.0) return 0.0;
  return std::clamp(((static_cast<double>(p.x) - a.x) * dx + (static_cast<double>(p.y) - a.y) * dy) / len2, 0.0, 1.0);
}

// The cut of point p on segment k of v; a point equal to one of the
// segment's ends is a cut at that vertex.
Cut CutOnSegment(const CFPointArray& v, std::int64_t k, const CFPoint& p) {
  const CFPoint& a = v[static_cast<std::size_t>(k)];
  const CFPoint& b = v[static_cast<std::size_t>(k) + 1];
  if (p == a) return Cut{k, 0.0, p};
  if (p == b) return Cut{k + 1, 0.0, p};
  double t = ParamOnSegment(a, b, p);
  if (t <= 0.0) t = 1e-12;
  if (t >= 1.0) t = 1.0 - 1e-12;
  return Cut{k, t, p};
}

struct FloatBox {
  float l, t, r, b;
};
FloatBox SegmentBox(const CFPoint& a, const CFPoint& b) {
  return FloatBox{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// The points where lines a and b meet, as cuts of each: a shared point of two
// touching segments (an end of one lying on the other) is that end exactly,
// a proper crossing is the crossing point, rounded to float once so that both
// lines get the very same vertex.
void FindCrossings(const CChain* a, const CChain* b, std::vector<Cut>& cutsA, std::vector<Cut>& cutsB) {
  const CFPointArray& va = a->m_points;
  const CFPointArray& vb = b->m_points;
  if (va.size() < 2 || vb.size() < 2) return;
  for (std::size_t i = 0; i + 1 < va.size(); ++i) {
    const CFPoint p = va[i], q = va[i + 1];
    const FloatBox ba = SegmentBox(p, q);
    for (std::size_t j = 0; j + 1 < vb.size(); ++j) {
      const CFPoint r = vb[j], s = vb[j + 1];
      const FloatBox bb = SegmentBox(r, s);
      if (bb.l > ba.r || bb.r < ba.l || bb.t > ba.b || bb.b < ba.t) continue;
      if (!SegmentsIntersect(p, q, r, s)) continue;
      bool touching = false;
      for (const CFPoint& e : {p, q})
        if (IsBetween(r, s, e)) {
          cutsA.push_back(CutOnSegment(va, static_cast<std::int64_t>(i), e));
          cutsB.push_back(CutOnSegment(vb, static_cast<std::int64_t>(j), e));
          touching = true;
        }
      for (const CFPoint& e : {r, s})
        if (IsBetween(p, q, e)) {
          cutsA.push_back(CutOnSegment(va, static_cast<std::int64_t>(i), e));
          cutsB.push_back(CutOnSegment(vb, static_cast<std::int64_t>(j), e));
          touching = true;
        }
      if (touching) continue;
      CFPoint x;
      if (!SegmentIntersection(p, q, r, s, x)) continue;
      cutsA.push_back(CutOnSegment(va, static_cast<std::int64_t>(i), x));
      cutsB.push_back(CutOnSegment(vb, static_cast<std::int64_t>(j), x));
    }
  }
}

// The pieces of the line between its cuts; no cut that falls on an end.
std::vector<CFPointArray> CutLine(const CFPointArray& v, std::vector<Cut>& cuts) {
  std::sort(cuts.begin(), cuts.end(), [](const Cut& x, const Cut& y) {
    if (x.k != y.k) return x.k < y.k;
    return x.t < y.t;
  });
  std::vector<CFPointArray> pieces;
  const std::int64_t n = static_cast<std::int64_t>(v.size());
  CFPointArray cur{v[0]};
  std::size_t c = 0;
  auto emit = [&](const CFPoint& at) {
    if (cur.size() >= 2) pieces.push_back(std::move(cur));
    cur = CFPointArray{at};
  };
  for (std::int64_t k = 0; k < n; ++k) {
    if (k > 0) cur.push_back(v[static_cast<std::size_t>(k)]);
    for (; c < cuts.size() && cuts[c].k == k; ++c) {
      const Cut& cut = cuts[c];
      if (cut.t == 0.0) {
        if (k == 0 || k == n - 1 || cur.size() < 2) continue;
        emit(cut.p);
      } else {
        if (cut.p == cur.back()) continue;
        cur.push_back(cut.p);
        emit(cut.p);
      }
    }
  }
  if (cur.size() >= 2) pieces.push_back(std::move(cur));
  return pieces;
}

}  // namespace

CPolygonBuilder::CPolygonBuilder(CChainList* input, CChainList* output, int tolerance, int keepUnclosed, int layer)
    : m_nKeepUnclosed(keepUnclosed),
      m_nTolerance(std::max(0, tolerance)),
      m_output(output),
      m_input(input),
      m_nLayer(layer) {}

void CPolygonBuilder::Drop(CChain* line) {
  if (m_nKeepUnclosed)
    m_output->Adopt(line);
  else
    delete line;
}

void CPolygonBuilder::KeepCopy(const CChain* line) {
  if (!m_nKeepUnclosed) return;
  if (CChain* copy = m_output->AddCopy(line)) copy->m_points = line->m_points;
}

// ------------------------------------------------------------ splitting

int CPolygonBuilder::SplitAtIntersections() {
  // The input keeps the lines until each is handed on: running out of
  // memory half-way leaves every line owned by one list.
  std::vector<CChain*> lines;
  std::vector<POSITION> positions;
  lines.reserve(static_cast<std::size_t>(m_input->GetCount()));
  positions.reserve(static_cast<std::size_t>(m_input->GetCount()));
  for (POSITION pos = m_input->GetHeadPosition(); pos;) {
    positions.push_back(pos);
    lines.push_back(m_input->GetNext(pos));
  }
  const std::int64_t n = static_cast<std::int64_t>(lines.size());

  // Candidate pairs through a grid of the float extents grown by a pixel.
  std::vector<RECT> boxes(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const CChain* c = lines[i];
    if (!c || c->GetCount() < 2) {
      boxes[i] = RECT{0, 0, -1, -1};
      continue;
    }
    const CFRect e = c->GetExtent();
    boxes[i] = RECT{static_cast<int>(std::floor(e.left)) - 1, static_cast<int>(std::floor(e.top)) - 1,
                    static_cast<int>(std::ceil(e.right)) + 1, static_cast<int>(std::ceil(e.bottom)) + 1};
  }
  CRectGrid grid = MakeRectGrid(boxes);
  std::vector<std::vector<Cut>> cuts(lines.size());
  CStatusProgress progress;
  progress.SetRange(0, n);
  progress.SetStep(1);
  for (std::int64_t i = 0; i < n; ++i) {
    progress.StepIt();
    const CChain* a = lines[static_cast<std::size_t>(i)];
    if (!a || a->GetCount() < 2) continue;
    grid.Query(boxes[static_cast<std::size_t>(i)], [&](int j) {
      if (j <= i) return;
      const CChain* b = lines[static_cast<std::size_t>(j)];
      if (!b || b->GetCount() < 2) return;
      const RECT& ra = boxes[static_cast<std::size_t>(i)];
      const RECT& rb = boxes[static_cast<std::size_t>(j)];
      if (ra.left > rb.right || rb.left > ra.right || ra.top > rb.bottom || rb.top > ra.bottom) return;
      FindCrossings(a, b, cuts[static_cast<std::size_t>(i)], cuts[static_cast<std::size_t>(j)]);
    });
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    CChain* line = lines[i];
    if (!line) {
      m_input->DeleteAt(positions[i]);
      continue;
    }
    if (line->GetCount() < 2 || cuts[i].empty()) {
      m_input->TransferTo(positions[i], *m_output);
      continue;
    }
    std::vector<CFPointArray> pieces = CutLine(line->m_points, cuts[i]);
    if (pieces.size() <= 1) {
      m_input->TransferTo(positions[i], *m_output);
      continue;
    }
    for (CFPointArray& piece : pieces) {
      CChain* c = new CChain(line);
      m_output->Adopt(c);
      c->m_nPenStyle = line->m_nPenStyle;
      c->m_points = std::move(piece);
      c->CalcBounds();
    }
    m_input->DeleteAt(positions[i]);
  }
  m_output->m_nModified = 1;
  return 1;
}

// ------------------------------------------------------------ pruning

void CPolygonBuilder::PruneDanglingLines() {
  struct Rec {
    std::int64_t key;
    std::int64_t line;
    int end;
    POINT at;
  };
  std::vector<CChain*> lines;
  std::vector<POSITION> positions;
  for (POSITION pos = m_input->GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = m_input->GetNext(pos);
    if (!c || c->GetCount() < 1) continue;
    lines.push_back(c);
    positions.push_back(at);
  }
  const std::int64_t n = static_cast<std::int64_t>(lines.size());
  std::vector<Rec> recs;
  std::vector<std::int64_t> count;  // records in the node square of each end
  try {
    recs.reserve(static_cast<std::size_t>(n) * 2);
    for (std::int64_t i = 0; i < n; ++i)
      for (int end = 0; end < 2; ++end) {
        const CChain* c = lines[static_cast<std::size_t>(i)];
        const POINT p = RoundedPoint(end == 0 ? c->m_points.front() : c->m_points.back());
        recs.push_back(Rec{MakePointKey(p), i, end, p});
      }
    count.assign(static_cast<std::size_t>(n) * 2, 0);
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kOutOfMemory, MB_OK | MB_ICONERROR);
    return;
  }
  std::sort(recs.begin(), recs.end(), [](const Rec& a, const Rec& b) {
    if (a.key != b.key) return a.key < b.key;
    if (a.line != b.line) return a.line < b.line;
    return a.end < b.end;
  });
  const std::int64_t nr = static_cast<std::int64_t>(recs.size());
  auto keyOf = [&](std::int64_t i) { return recs[static_cast<std::size_t>(i)].key; };
  const int t = m_nTolerance;
  for (const Rec& r : recs) {
    std::int64_t k = 0;
    ForEachKeyInSquare(nr, keyOf, r.at.x, r.at.y, t, [&](std::int64_t) { ++k; });
    count[static_cast<std::size_t>(r.line) * 2 + static_cast<std::size_t>(r.end)] = k;
  }
  auto isFree = [&](std::int64_t i) {
    return count[static_cast<std::size_t>(i) * 2] == 1 || count[static_cast<std::size_t>(i) * 2 + 1] == 1;
  };

  // Rounds: the lines free in what is left go together. Taking a line away
  // lowers the counts of the ends in its ends' node squares, which finds the
  // lines that the next round frees without counting everything again.
  std::vector<char> gone(static_cast<std::size_t>(n), 0), queued(static_cast<std::size_t>(n), 0);
  std::vector<std::int64_t> round;
  for (std::int64_t i = 0; i < n; ++i)
    if (isFree(i)) {
      round.push_back(i);
      queued[static_cast<std::size_t>(i)] = 1;
    }
  CStatusProgress progress;
  progress.SetRange(0, 10);
  progress.SetStep(1);
  while (!round.empty()) {
    progress.StepIt();
    std::vector<std::int64_t> next;
    for (std::int64_t i : round) gone[static_cast<std::size_t>(i)] = 1;
    for (std::int64_t i : round) {
      const CChain* c = lines[static_cast<std::size_t>(i)];
      for (const CFPoint& e : {c->m_points.front(), c->m_points.back()}) {
        const POINT p = RoundedPoint(e);
        ForEachKeyInSquare(nr, keyOf, p.x, p.y, t, [&](std::int64_t j) {
          const Rec& r = recs[static_cast<std::size_t>(j)];
          if (gone[static_cast<std::size_t>(r.line)]) return;
          --count[static_cast<std::size_t>(r.line) * 2 + static_cast<std::size_t>(r.end)];
          if (!queued[static_cast<std::size_t>(r.line)] && isFree(r.line)) {
            queued[static_cast<std::size_t>(r.line)] = 1;
            next.push_back(r.line);
          }
        });
      }
    }
    for (std::int64_t i : round) Drop(m_input->Detach(positions[static_cast<std::size_t>(i)]));
    std::sort(next.begin(), next.end());
    round.swap(next);
  }
}

// ------------------------------------------------------------ ends

bool CPolygonBuilder::PrepareEnds() {
  m_ends.clear();
  std::vector<CChain*> open;
  for (POSITION pos = m_input->GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = m_input->GetNext(pos);
    if (!c) continue;
    if (c->GetCount() >= 2 && c->IsClosed(m_nTolerance)) {
      c->Close();
      c->SetOrientation(1);
      m_input->TransferTo(at, *m_output);
    } else if (c->GetCount() < 2) {
      Drop(m_input->Detach(at));
    } else {
      open.push_back(c);
    }
  }
  try {
    m_ends.reserve(open.size() * 2);
    for (std::size_t n = 0; n < open.size(); ++n) {
      CChain* c = open[n];
      CChain* reversed = new CChain(c);
      m_input->Adopt(reversed);
      reversed->m_points.assign(c->m_points.rbegin(), c->m_points.rend());
      for (CChain* d : {c, reversed}) {
        EndRecord r;
        r.at = RoundedPoint(d->m_points.front());
        r.key = MakePointKey(r.at);
        r.chain = d;
        r.end = static_cast<std::int64_t>(n) * 2 + (d == c ? 0 : 1);
        m_ends.push_back(r);
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::sort(m_ends.begin(), m_ends.end(), [](const EndRecord& a, const EndRecord& b) {
    if (a.key != b.key) return a.key < b.key;
    return a.end < b.end;
  });
  return true;
}

// ------------------------------------------------------------ turning

float CPolygonBuilder::TurnAngle(POINT p, POINT q, POINT r) {
  const float qx = static_cast<float>(q.x - p.x), qy = static_cast<float>(q.y - p.y);
  const float rx = static_cast<float>(r.x - p.x), ry = static_cast<float>(r.y - p.y);
  const float x = std::sqrt(qx * qx + qy * qy) * std::sqrt(rx * rx + ry * ry);
  if (x <= 1e-8f) return 0.0f;
  const float c = (rx * qx + ry * qy) / x;
  if (c <= -1.0f) return 3.14158f;
  if (c >= 1.0f) return 0.0f;
  return static_cast<float>(std::acos(c));
}

std::int64_t CPolygonBuilder::ChooseSharpestTurn(POINT p0, POINT p1, const std::vector<POINT>& candidates) {
  float best = 1000.0f;
  std::int64_t chosen = -1;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const POINT c = candidates[i];
    float a = TurnAngle(p0, p1, c);
    const std::int64_t cross =
        static_cast<std::int64_t>(p1.x - p0.x) * (c.y - p0.y) - static_cast<std::int64_t>(p1.y - p0.y) * (c.x - p0.x);
    if (cross > 0) a = 6.28316f - a;
    if (a <= best) best = a;
    if (std::fabs(a - best) < 0.00001f) chosen = static_cast<std::int64_t>(i);
  }
  return chosen;
}

namespace {

// The last vertex (rounded) that differs from the rounded last vertex.
POINT LastDistinct(const CChain* c, POINT p0) {
  for (std::size_t i = c->m_points.size(); i-- > 0;) {
    const POINT p = RoundedPoint(c->m_points[i]);
    if (!(p == p0)) return p;
  }
  return p0;
}

POINT FirstDistinct(const CChain* c, POINT start) {
  for (const CFPoint& v : c->m_points) {
    const POINT p = RoundedPoint(v);
    if (!(p == start)) return p;
  }
  return start;
}

// Twice the signed area of the ring through the pieces' vertices.
double RingArea2(const CFPointArray& v) {
  double s = 0.0;
  for (std::size_t i = 0; i + 1 < v.size(); ++i)
    s += static_cast<double>(v[i].x) * v[i + 1].y - static_cast<double>(v[i + 1].x) * v[i].y;
  if (!v.empty()) s += static_cast<double>(v.back().x) * v.front().y - static_cast<double>(v.front().x) * v.back().y;
  return s;
}

}  // namespace

bool CPolygonBuilder::WalkFrom(std::int64_t k) {
  const std::int64_t count = static_cast<std::int64_t>(m_ends.size());
  const int t = m_nTolerance;
  auto keyOf = [&](std::int64_t i) { return m_ends[static_cast<std::size_t>(i)].key; };
  std::vector<std::int64_t> walk;
  std::vector<std::pair<std::int64_t, std::int64_t>> found;
  std::vector<POINT> points;
  std::vector<std::int64_t> candidates;
  while (m_ends[static_cast<std::size_t>(k)].state == 0) {
    for (std::int64_t w : walk) m_walkPos[static_cast<std::size_t>(w)] = -1;
    walk.assign(1, k);
    m_walkPos[static_cast<std::size_t>(k)] = 0;
    std::int64_t cur = k;
    std::int64_t loopStart = -1;  // where the closed part of the walk begins
    for (;;) {
      const EndRecord& c = m_ends[static_cast<std::size_t>(cur)];
      const POINT p0 = RoundedPoint(c.chain->m_points.back());
      found.clear();
      bool closes = false;
      ForEachKeyInSquare(count, keyOf, p0.x, p0.y, t, [&](std::int64_t j) {
        if (j < k) return;
        if (j == k) closes = true;
        const POINT q = m_ends[static_cast<std::size_t>(j)].at;
        found.emplace_back(SpiralRank(std::int64_t{q.x} - p0.x, std::int64_t{q.y} - p0.y), j);
      });
      if (closes) {
        loopStart = 0;
        break;
      }
      std::sort(found.begin(), found.end());
      candidates.clear();
      points.clear();
      for (const auto& [r, j] : found) {
        const EndRecord& o = m_ends[static_cast<std::size_t>(j)];
        if (j == cur || o.end / 2 == c.end / 2 || o.state == 2) continue;
        candidates.push_back(j);
        points.push_back(FirstDistinct(o.chain, o.at));
      }
      if (candidates.empty()) {
        m_ends[static_cast<std::size_t>(cur)].state = 2;
        KeepCopy(c.chain);
        break;
      }
      const std::int64_t chosen =
          candidates[static_cast<std::size_t>(ChooseSharpestTurn(p0, LastDistinct(c.chain, p0), points))];
      EndRecord& ch = m_ends[static_cast<std::size_t>(chosen)];
      if (ch.state == 1) {
        ch.state = 2;
        KeepCopy(ch.chain);
        break;
      }
      const std::int64_t inWalk = m_walkPos[static_cast<std::size_t>(chosen)];
      if (inWalk >= 0) {
        // The walk ran into a loop that does not pass its start: only the
        // loop is a polygon.
        loopStart = inWalk;
        break;
      }
      m_walkPos[static_cast<std::size_t>(chosen)] = static_cast<std::int64_t>(walk.size());
      walk.push_back(chosen);
      cur = chosen;
    }
    if (loopStart < 0) continue;

    CFPointArray ring;
    for (std::size_t w = static_cast<std::size_t>(loopStart); w < walk.size(); ++w) {
      for (const CFPoint& v : m_ends[static_cast<std::size_t>(walk[w])].chain->m_points)
        if (ring.empty() || !(ring.back() == v)) ring.push_back(v);
    }
    for (std::size_t w = static_cast<std::size_t>(loopStart); w < walk.size(); ++w)
      m_ends[static_cast<std::size_t>(walk[w])].state = 1;
    // The sharpest turn is always the first way round from the way back in
    // one sense of rotation, so every face is walked with the face on the
    // same side and comes out with a positive shoelace sum in these
    // coordinates; the walk round the outside of a network comes out the
    // other way round and is not a polygon.
    if (!(RingArea2(ring) > 0.0)) continue;
    CChain* polygon = m_output->NewChain();
    if (!polygon) return false;
    polygon->m_points.swap(ring);
    polygon->CalcBounds();
    polygon->Close();
  }
  for (std::int64_t w : walk) m_walkPos[static_cast<std::size_t>(w)] = -1;
  return true;
}

// ------------------------------------------------------------ building

int CPolygonBuilder::Build(int split) {
  m_output->DeleteAll();
  if (!m_input || m_input->IsEmpty()) return 0;
  try {
    if (split) {
      SplitAtIntersections();
      m_input->AdoptAll(*m_output);
    }
    CObList removed;
    // Lines shorter than the gap plus one pixel (counted in double: the gap
    // may be as large as an int goes).
    m_input->DeleteByLength(m_nTolerance + 1.0, m_nKeepUnclosed ? &removed : nullptr);
    while (!removed.IsEmpty()) m_output->Adopt(static_cast<CChain*>(removed.RemoveHead()));
    PruneDanglingLines();
    if (!PrepareEnds()) return 0;
    m_walkPos.assign(m_ends.size(), -1);
    CStatusProgress progress;
    progress.SetRange(0, static_cast<std::int64_t>(m_ends.size()));
    progress.SetStep(1);
    for (std::int64_t k = 0; k < static_cast<std::int64_t>(m_ends.size()); ++k) {
      progress.StepIt();
      if (!WalkFrom(k)) {
        AfxMessageBox(res::text::kPolygonError, MB_OK);
        return 0;
      }
    }
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kPolygonError, MB_OK);
    return 0;
  }
  m_output->m_nModified = 1;
  return 1;
}

}  // namespace qzn
