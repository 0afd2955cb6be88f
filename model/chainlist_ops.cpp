// Operations over all lines of a list, the lines of one layer or the lines
// meeting a rectangle: deleting and moving, vertex editing with undo copies,
// IDs, colours and layers, smoothing and mirroring, and picking the lines a
// drawn segment crosses.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <unordered_map>

#include "model/box.h"
#include "model/chain_internal.h"
#include "model/chainlist.h"
#include "model/chainlist_internal.h"
#include "model/geometry.h"
#include "model/helpers.h"
#include "model/layer.h"
#include "model/lineindex.h"
#include "platform/host.h"
#include "resources/messages_model.h"

namespace qzn {

// ------------------------------------------------------------ shared helpers

bool LineMeetsRect(const CChain* c, const RECT& rc) {
  RECT inter;
  return IntersectRect(inter, c->m_rcBounds, rc);
}

bool LineInsideRect(const CChain* c, const RECT& rc) {
  RECT u;
  UnionRect(u, c->m_rcBounds, rc);
  return u == rc;
}

CListProgress::CListProgress(std::int64_t count) {
  m_bar.SetRange(0, count / 20);
  m_bar.SetStep(1);
}

void CListProgress::Item() {
  if (++m_n % 20 == 0) m_bar.StepIt();
}

namespace {

// The selection rule of the operations that take a rectangle where empty
// means all lines.
bool Selected(const CChain* c, const RECT& rc) { return IsRectEmpty(rc) || LineMeetsRect(c, rc); }

CFPoint RectCentre(const RECT& rc) {
  return CFPoint((static_cast<float>(static_cast<double>(rc.left) + rc.right) + 0.5f) / 2.0f,
                 (static_cast<float>(static_cast<double>(rc.top) + rc.bottom) + 0.5f) / 2.0f);
}

// Copies of the lines for undo, all or none: the edit must not start when one
// of them cannot be made.
bool MakeUndoCopies(const std::vector<CChain*>& lines, CChainList* undo) {
  COwningList<CChain> copies;
  try {
    for (const CChain* c : lines) {
      CChain* copy = new CChain(c);
      copies.Adopt(copy);
      copy->m_points = c->m_points;
    }
  } catch (const std::bad_alloc&) {
    return false;  // the copies made so far go with the list
  }
  if (copies.IsEmpty()) return true;
  undo->AdoptAll(copies);
  undo->m_nModified = 1;
  return true;
}

// The hash of what CChain::IsEqual compares; -0.0 and 0.0 hash alike because
// they compare equal.
std::uint64_t EqualityHash(const CChain* c) {
  auto mix = [](std::uint64_t h, std::uint64_t v) {
    h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h;
  };
  auto bits = [](float f) {
    if (f == 0.0f) f = 0.0f;
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return static_cast<std::uint64_t>(u);
  };
  std::uint64_t h = static_cast<std::uint64_t>(c->m_points.size());
  h = mix(h, bits(c->m_fID));
  h = mix(h, static_cast<std::uint32_t>(c->m_nLayer));
  h = mix(h, static_cast<std::uint32_t>(c->m_rcBounds.left));
  h = mix(h, static_cast<std::uint32_t>(c->m_rcBounds.top));
  h = mix(h, static_cast<std::uint32_t>(c->m_rcBounds.right));
  h = mix(h, static_cast<std::uint32_t>(c->m_rcBounds.bottom));
  for (const CFPoint& p : c->m_points) h = mix(mix(h, bits(p.x)), bits(p.y));
  return h;
}

// Deletes, in list order, every line for which drop says so; the number deleted.
template <class Drop>
int DeleteIf(CChainList& list, Drop drop) {
  int n = 0;
  for (POSITION pos = list.GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = list.GetNext(pos);
    if (c && drop(c)) {
      list.RemoveAt(at);
      ++n;
    }
  }
  return n;
}

}  // namespace

// ------------------------------------------------------------ deleting, moving

void CChainList::DeleteInRect(const RECT& rc) {
  DeleteIf(*this, [&](const CChain* c) { return LineMeetsRect(c, rc); });
  m_nModified = 1;
}

int CChainList::DeleteByClosure(const RECT& rc, BOOL openLines, BOOL closedLines) {
  const int n = DeleteIf(*this, [&](const CChain* c) {
    if (!Selected(c, rc)) return false;
    const bool closed = c->IsClosed(0) != 0;
    return (closed && closedLines) || (!closed && openLines);
  });
  m_nModified = 1;
  return n;
}

void CChainList::DeleteByIDRange(int low, int high) {
  DeleteIf(*this, [&](const CChain* c) {
    const int id = TruncInt(c->m_fID);
    return id >= low && id <= high;
  });
  m_nModified = 1;
}

void CChainList::DeleteSmallInRect(int low, int high, const RECT& rc, BOOL byVertexCount) {
  for (POSITION pos = GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = GetNext(pos);
    if (!c) {
      Detach(at);
      continue;
    }
    if (!Selected(c, rc)) continue;
    const bool small =
        byVertexCount ? (c->GetCount() >= low && c->GetCount() <= high) : c->IsLengthInRange(low, high) != 0;
    if (small) RemoveAt(at);
  }
  m_nModified = 1;
}

int CChainList::DeleteByLength(double minimum, CObList* removed) {
  int n = 0;
  for (POSITION pos = GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = GetNext(pos);
    if (!c || !(c->GetLength() < minimum)) continue;
    if (removed) {
      removed->AddTail(c);
      Detach(at);
    } else {
      RemoveAt(at);
    }
    ++n;
  }
  if (n) m_nModified = 1;
  return n;
}

int CChainList::DeleteDuplicates() {
  // From the tail: a line goes when an equal one was seen after it.
  std::unordered_multimap<std::uint64_t, CChain*> later;
  later.reserve(static_cast<std::size_t>(GetCount()));
  const int modified = m_nModified;
  int n = 0;
  for (POSITION pos = GetTailPosition(); pos;) {
    POSITION at = pos;
    CChain* c = GetPrev(pos);
    if (!c) {
      Detach(at);
      continue;
    }
    const std::uint64_t h = EqualityHash(c);
    bool duplicate = false;
    for (auto [it, end] = later.equal_range(h); it != end && !duplicate; ++it) duplicate = c->IsEqual(it->second) != 0;
    if (duplicate) {
      RemoveAt(at);
      ++n;
    } else {
      later.emplace(h, c);
    }
  }
  m_nModified = modified;
  return n;
}

void CChainList::DeleteNegativeWinding() {
  DeleteIf(*this, [](const CChain* c) { return c->IsPositiveWinding() == 0; });
}

int CChainList::MoveInsideRect(const RECT& rc, CObList* destination, BOOL boundsOnly) {
  if (IsRectEmpty(rc)) return 0;
  int n = 0;
  for (POSITION pos = GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = GetNext(pos);
    if (!c) {
      Detach(at);
      continue;
    }
    bool move;
    if (boundsOnly) {
      RECT inter;
      move = IntersectRect(inter, c->m_rcBounds, rc) && inter == c->m_rcBounds;
    } else {
      move = c->CrossesRect(rc) != 0;
    }
    if (!move) continue;
    destination->AddTail(c);
    Detach(at);
    ++n;
  }
  m_nModified = 1;
  return n;
}

int CChainList::CollectInsideRect(const RECT& rc, CObList* destination) const {
  int n = 0;
  for (CChain* c : *this)
    if (c && LineInsideRect(c, rc)) {
      destination->AddTail(c);
      ++n;
    }
  return n;
}

void CChainList::MoveLayerTo(int layer, CObList* destination) {
  for (POSITION pos = GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = GetNext(pos);
    if (c && c->m_nLayer == layer) {
      destination->AddTail(c);
      Detach(at);
    }
  }
}

// ------------------------------------------------------------ vertex editing

int CChainList::InsertPointInRect(const RECT& rc, CChainList* undoCopies, CObList* changed, CObList* removed) {
  if (!undoCopies || !changed || !removed) return 0;
  std::vector<CChain*> edited;
  for (CChain* c : *this)
    if (c && LineMeetsRect(c, rc) && !LineInsideRect(c, rc)) edited.push_back(c);
  if (!MakeUndoCopies(edited, undoCopies)) return 0;
  const CFPoint centre = RectCentre(rc);
  bool touched = false;
  for (POSITION pos = GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = GetNext(pos);
    if (!c || !LineMeetsRect(c, rc)) continue;
    touched = true;
    if (LineInsideRect(c, rc)) {
      removed->AddTail(c);
      Detach(at);
      continue;
    }
    changed->AddTail(c);
    c->InsertPoint(centre);
  }
  if (touched) m_nModified = 1;
  return 1;
}

int CChainList::EraseVerticesInRect(const RECT& rc, CChainList* undoCopies, CObList* changed, CObList* removed) {
  if (!undoCopies || !changed || !removed) return 0;
  std::vector<CChain*> edited;
  for (CChain* c : *this)
    if (c && LineMeetsRect(c, rc)) edited.push_back(c);
  if (!MakeUndoCopies(edited, undoCopies)) return 0;
  int n = 0;
  for (POSITION pos = GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = GetNext(pos);
    if (!c || !LineMeetsRect(c, rc)) continue;
    ++n;
    changed->AddTail(c);
    c->DeleteVerticesInRect(rc);
    if (c->GetCount() < 2) {
      removed->AddTail(c);
      Detach(at);
    }
  }
  if (n) m_nModified = 1;
  return n;
}

// ------------------------------------------------------------ IDs, colours, layers

void CChainList::TransformIDs(float a, float b) {
  for (CChain* c : *this)
    if (c) c->m_fID = a * c->m_fID + b;
  m_nModified = 1;
}

void CChainList::SetIDInRect(float id, const RECT& rc) {
  const COLORREF color = m_idColors.GetColor(TruncInt(id));
  for (CChain* c : *this)
    if (c && LineMeetsRect(c, rc)) {
      c->m_fID = id;
      c->m_color = color;
    }
  m_nModified = 1;
}

int CChainList::AutoAssignIDs(int start, int step, BOOL unlabelledOnly) {
  int n = 0;
  for (CChain* c : *this) {
    if (!c || (unlabelledOnly && c->m_fID != 0.0f)) continue;
    const std::int64_t id = static_cast<std::int64_t>(start) + static_cast<std::int64_t>(n) * step;
    c->m_fID = static_cast<float>(id);
    c->m_color = m_idColors.GetColor(TruncInt(static_cast<double>(id)));
    ++n;
  }
  m_nModified = 1;
  return n;
}

void CChainList::SetAttributes(int layer, COLORREF color, int penStyle, const RECT& rc) {
  if (IsEmpty()) return;
  for (CChain* c : *this)
    if (c && Selected(c, rc)) {
      c->m_nLayer = layer;
      c->m_color = color;
      c->m_nPenStyle = penStyle;
    }
  m_nModified = 1;
}

void CChainList::SetLayerColor(int layer, COLORREF color) {
  for (CChain* c : *this)
    if (c && c->m_nLayer == layer) c->m_color = color;
  m_nModified = 1;
}

void CChainList::ApplyLayerColors(const CLayerList* layers, BOOL all) {
  if (!layers) return;
  const int current = layers->GetCurrentLayerID();
  for (CChain* c : *this)
    if (c && (all || c->m_nLayer != current)) c->m_color = layers->GetLayerColor(c->m_nLayer);
  m_nModified = 1;
}

void CChainList::ApplyIDColors(int layer) {
  for (CChain* c : *this)
    if (c && c->m_nLayer == layer) c->m_color = m_idColors.GetColor(TruncInt(c->m_fID));
  m_nModified = 1;
}

void CChainList::ChangeLayer(int from, int to, COLORREF color, BOOL copy) {
  if (from == to) return;
  // The copies are appended to this list; they are on layer to, so the walk
  // that meets them leaves them alone.
  for (POSITION pos = GetHeadPosition(); pos;) {
    CChain* c = GetNext(pos);
    if (!c || c->m_nLayer != from) continue;
    CChain* target = c;
    if (copy) {
      target = NewChain();
      if (!target) return;
      if (!target->CopyFrom(c)) {
        RemoveAt(GetTailPosition());  // no empty copy stays behind
        AfxMessageBox(res::text::kCopyLineNoMemory);
        return;
      }
    }
    target->m_nLayer = to;
    target->m_color = color;
  }
}

// ------------------------------------------------------------ geometry

void CChainList::SmoothInRect(float threshold, const RECT& rc) {
  for (CChain* c : *this)
    if (c && Selected(c, rc)) c->Smooth(threshold);
  m_nModified = 1;
}

void CChainList::Smooth(float tolerance, const RECT& rc, IChainReducer& reducer) {
  CListProgress progress(GetCount());
  for (CChain* c : *this) {
    progress.Item();
    if (c && Selected(c, rc)) reducer.ReduceChain(*c, tolerance);
  }
  m_nModified = 1;
}

int CChainList::SmoothBSplineAll(int k, int parameter) {
  CListProgress progress(GetCount());
  for (CChain* c : *this) {
    progress.Item();
    if (c && !c->SmoothBSpline(k, parameter)) return 0;
  }
  return 1;
}

void CChainList::ScaleAll(double originX, double originY, double factorX, double factorY) {
  for (CChain* c : *this)
    if (c) c->Scale(originX, originY, factorX, factorY);
}

namespace {

template <class Map>
void MapVertices(CChainList& list, Map map) {
  for (CChain* c : list) {
    if (!c) continue;
    for (std::int64_t i = 0; i < c->GetCount(); ++i) c->ReplaceNode(map(c->GetPoint(i)), i);
    if (c->GetCount() > 0) c->CalcBounds();
  }
  list.m_nModified = 1;
}

}  // namespace

void CChainList::FlipVertical(const RECT& rc) {
  const float axis = static_cast<float>(rc.top + rc.bottom);
  MapVertices(*this, [&](const CFPoint& p) { return CFPoint(p.x, axis - p.y); });
}

void CChainList::FlipHorizontal(const RECT& rc) {
  const float axis = static_cast<float>(rc.left + rc.right);
  MapVertices(*this, [&](const CFPoint& p) { return CFPoint(axis - p.x, p.y); });
}

void CChainList::Transpose() {
  MapVertices(*this, [](const CFPoint& p) { return CFPoint(p.y, p.x); });
}

// ------------------------------------------------------------ selection

void CChainList::CollectCrossingLines(CChainSelection* selection, float x1, float y1, float x2, float y2) {
  if (!selection) return;
  const RECT search{TruncInt(std::min(x1, x2)) - 1, TruncInt(std::min(y1, y2)) - 1, TruncInt(std::max(x1, x2)) + 1,
                    TruncInt(std::max(y1, y2)) + 1};
  CLineEquation segment(CFPoint(x1, y1), CFPoint(x2, y2));
  for (CChain* c : *this) {
    if (!c || !LineMeetsRect(c, search)) continue;
    CFPoint at;
    if (!c->IntersectSegment(segment, at)) continue;
    const double dx = static_cast<double>(at.x) - x1, dy = static_cast<double>(at.y) - y1;
    auto* item = new CChainSelectionItem{c, TruncInt(dx * dx + dy * dy)};
    selection->InsertSorted(item);
  }
}

// ------------------------------------------------------------ text blocks and marks

int CChainList::MoveLinesInBoxes(const RECT& rc, CObList* destination, CBoxList* boxes, BOOL flag) {
  if (!boxes || !destination) return 0;
  // Each box in turn takes the lines inside it, in list order. Both tests
  // need the line's bounds to meet the box, and the bounds do not change
  // here, so a grid over the (small) boxes pairs every line with the boxes
  // its bounds meet, instead of walking all lines for every box.
  std::vector<POSITION> selected;
  std::vector<RECT> rects;
  for (POSITION pos = boxes->GetHeadPosition(); pos;) {
    POSITION at = pos;
    CBox* box = boxes->GetNext(pos);
    RECT inter;
    if (!box || (!IsRectEmpty(rc) && !IntersectRect(inter, box->m_rect, rc))) continue;
    selected.push_back(at);
    rects.push_back(IsRectEmpty(box->m_rect) ? RECT{0, 0, -1, -1} : box->m_rect);  // an empty box moves nothing
  }
  std::vector<CChain*> lines;
  std::vector<POSITION> positions, nulls;
  for (POSITION pos = GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = GetNext(pos);
    if (!c) {
      nulls.push_back(at);
      continue;
    }
    lines.push_back(c);
    positions.push_back(at);
  }
  std::vector<std::pair<int, int>> pairs;  // (box, line), sorted
  if (!rects.empty()) {
    CRectGrid grid = MakeRectGrid(rects);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const RECT& b = lines[i]->m_rcBounds;
      if (b.left > b.right || b.top > b.bottom) continue;
      grid.Query(b, [&](int j) { pairs.emplace_back(j, static_cast<int>(i)); });
    }
    std::sort(pairs.begin(), pairs.end());
  }
  std::vector<char> moved(lines.size(), 0);
  bool nullsGone = false;
  int n = 0;
  std::size_t next = 0;
  for (std::size_t j = 0; j < selected.size(); ++j) {
    const RECT& box = rects[j];
    if (!IsRectEmpty(box)) {
      if (!nullsGone) {
        for (POSITION p : nulls) Detach(p);
        nullsGone = true;
      }
      for (; next < pairs.size() && pairs[next].first == static_cast<int>(j); ++next) {
        const std::size_t i = static_cast<std::size_t>(pairs[next].second);
        CChain* c = lines[i];
        if (moved[i]) continue;
        RECT inter;
        const bool move =
            flag ? c->CrossesRect(box) != 0 : IntersectRect(inter, c->m_rcBounds, box) && inter == c->m_rcBounds;
        if (!move) continue;
        destination->AddTail(c);
        Detach(positions[i]);
        moved[i] = 1;
        ++n;
      }
    }
    while (next < pairs.size() && pairs[next].first == static_cast<int>(j)) ++next;
    boxes->RemoveAt(selected[j]);
  }
  m_nModified = 1;
  return n;
}

int CChainList::ShrinkCrossMarks(const RECT& rc, CBoxList* marks) {
  if (!marks) return 0;
  int visited = 0;
  for (CBox* box : *marks) {
    if (!box) continue;
    RECT inter;
    if (!IsRectEmpty(rc) && !IntersectRect(inter, box->m_rect, rc)) continue;
    ++visited;
    const CFPoint centre = RectCentre(box->m_rect);
    for (POSITION pos = GetHeadPosition(); pos;) {
      POSITION at = pos;
      CChain* c = GetNext(pos);
      if (!c || !LineMeetsRect(c, box->m_rect)) continue;
      if (LineInsideRect(c, box->m_rect))
        RemoveAt(at);
      else
        c->InsertPoint(centre);
    }
  }
  if (visited) m_nModified = 1;
  return visited;
}

}  // namespace qzn
