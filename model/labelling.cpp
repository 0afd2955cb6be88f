// Line IDs from annotations and from points, and closed polygons built from
// the lines of one layer.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "model/chain_internal.h"
#include "model/chainlist.h"
#include "model/lineindex.h"
#include "model/note.h"
#include "model/polygonbuilder.h"
#include "model/ptlist.h"
#include "platform/textfile.h"

namespace qzn {

void CChainList::ApplyNotesAsIDs(const CNoteList* notes) {
  if (!notes) return;
  // Each note's value once, and its rectangle in a grid; a line takes the
  // first note in list order whose rectangle meets it and whose text is a
  // number.
  std::vector<RECT> rects;
  std::vector<float> values;
  std::vector<char> numeric;
  for (const CNote* n : *notes) {
    rects.push_back(n ? n->m_rect : RECT{0, 0, -1, -1});
    float v = 0.0f;
    bool ok = false;
    if (n) {
      char buffer[256];
      std::strncpy(buffer, n->m_strText.c_str(), sizeof buffer - 1);
      buffer[sizeof buffer - 1] = '\0';
      ok = ScanC(buffer, "%f", &v) == 1;
    }
    values.push_back(v);
    numeric.push_back(ok ? 1 : 0);
  }
  if (!rects.empty()) {
    CRectGrid grid = MakeRectGrid(rects);
    for (CChain* c : *this) {
      if (!c) continue;
      for (int i : QuerySorted(grid, c->m_rcBounds)) {
        RECT inter;
        if (!numeric[static_cast<std::size_t>(i)] ||
            !IntersectRect(inter, rects[static_cast<std::size_t>(i)], c->m_rcBounds))
          continue;
        c->m_fID = values[static_cast<std::size_t>(i)];
        break;
      }
    }
  }
  m_nModified = 1;
}

int CChainList::LabelPolygons(const CPtList* points, BOOL closedOnly) {
  if (!points || points->IsEmpty() || IsEmpty()) return 0;
  std::vector<const CPointRec*> pts(points->begin(), points->end());
  std::vector<RECT> rects;
  rects.reserve(pts.size());
  for (const CPointRec* p : pts) {
    if (!p) {
      rects.push_back(RECT{0, 0, -1, -1});
      continue;
    }
    const POINT r = p->Rounded();
    rects.push_back(RECT{r.x, r.y, r.x, r.y});
  }
  CRectGrid grid = MakeRectGrid(rects);
  // MakeRectGrid sizes cells by the rectangles; points need a cell that
  // holds a few of them on average.
  const RECT all = BoundingRect(rects);
  const double area = (static_cast<double>(all.right) - all.left + 1) * (static_cast<double>(all.bottom) - all.top + 1);
  const std::int64_t cell =
      std::max<std::int64_t>(8, static_cast<std::int64_t>(2.0 * std::sqrt(area / static_cast<double>(pts.size()))));
  CRectGrid near(all, cell, pts.size());
  for (std::size_t i = 0; i < pts.size(); ++i)
    if (pts[i]) near.Insert(static_cast<int>(i), rects[i]);

  for (CChain* c : *this) {
    if (!c) continue;
    if (c->IsClosed(0)) {
      for (int i : QuerySorted(grid, c->m_rcBounds)) {
        const CPointRec* p = pts[static_cast<std::size_t>(i)];
        if (p && c->PtInPolygon(CFPoint(p->x, p->y))) {
          c->m_fID = p->value;
          break;
        }
      }
      continue;
    }
    if (closedOnly) continue;
    // The nearest point by truncated distance, the first in list order on
    // ties: rings of cells around the line's centre until no unvisited point
    // can be as near as the best one.
    std::int64_t best = -1;
    int bestD = std::numeric_limits<int>::max();
    auto consider = [&](int i) {
      const CPointRec* p = pts[static_cast<std::size_t>(i)];
      if (!p) return;
      const int d = TruncInt(c->DistanceToPoint(CFPoint(p->x, p->y)));
      if (d < bestD || (d == bestD && i < best)) {
        bestD = d;
        best = i;
      }
    };
    if (c->m_points.empty()) {
      for (std::size_t i = 0; i < pts.size() && best < 0; ++i)
        if (pts[i]) best = static_cast<std::int64_t>(i);
    } else {
      const CFRect e = c->GetExtent();
      const double halfDiagonal =
          0.5 * std::hypot(static_cast<double>(e.right) - e.left, static_cast<double>(e.bottom) - e.top);
      const std::int64_t cx = TruncInt((static_cast<double>(e.left) + e.right) / 2.0);
      const std::int64_t cy = TruncInt((static_cast<double>(e.top) + e.bottom) / 2.0);
      near.Around(cx, cy, consider, [&](std::int64_t reach) {
        // An unvisited point lies at least reach - cell from the centre
        // cell's points, so at least that less the half diagonal (and the
        // rounding of the centre) from the line.
        const double lower = static_cast<double>(reach) - static_cast<double>(cell) - halfDiagonal - 2.0;
        return best >= 0 && lower >= static_cast<double>(bestD) + 1.0;
      });
    }
    if (best >= 0) c->m_fID = pts[static_cast<std::size_t>(best)]->value;
  }
  m_nModified = 1;
  return 1;
}

int CChainList::CreatePolygons(CChainList* source, float closingTolerance, BOOL keepUnclosed, int layer) {
  if (!source || source == this) return 0;
  // The builder works on copies, so a failed build leaves the source as it
  // was; on success the layer's lines go and the rest follows the polygons.
  CChainList work;
  try {
    for (const CChain* c : *source)
      if (c && c->m_nLayer == layer) {
        auto copy = std::make_unique<CChain>(c);
        copy->m_points = c->m_points;
        copy->m_nPenStyle = c->m_nPenStyle;
        work.Adopt(copy.release());
      }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  CPolygonBuilder builder(&work, this, TruncInt(closingTolerance), keepUnclosed, layer);
  const int result = builder.Build(0);
  if (!result) return 0;
  // The layer's lines go; the other lines move over in their order. Moving
  // a line takes its list node along, so nothing here can fail half-way and
  // no line is ever owned by both lists.
  for (POSITION pos = source->GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = source->GetNext(pos);
    if (c && c->m_nLayer == layer)
      source->DeleteAt(at);
    else
      source->TransferTo(at, *this);
  }
  source->DetachAll();  // clears its modified flag
  m_nPolygonsBuilt = 1;
  return result;
}

}  // namespace qzn
