#include "model/chainlist.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "model/chain_internal.h"

namespace qzn {

QZN_IMPLEMENT_SERIAL(CChainList, CObject, 1)

CChainList::~CChainList() { DeleteAll(); }

int CChainList::CopyFrom(const CChainList& source) {
  if (&source == this) return 1;
  // Undo keeps whole-list copies this way: the copy must give back exactly
  // what was there, pen styles included, and an empty list as empty. The
  // copies are made aside first, so a copy that cannot be made leaves the
  // list as it was.
  COwningList<CChain> copies;
  try {
    for (const CChain* src : source) {
      if (!src) continue;
      CChain* c = new CChain(src);
      copies.Adopt(c);
      c->m_points = src->m_points;
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  COwningList<CChain>::DeleteAll();
  AdoptAll(copies);
  m_nModified = 1;
  return 1;
}

void CChainList::DeleteAll() {
  COwningList<CChain>::DeleteAll();
  m_nModified = 0;
  m_nPolygonsBuilt = 0;
}

int CChainList::DetachAll() {
  COwningList<CChain>::DetachAll();
  m_nModified = 0;
  return 0;
}

namespace {

// Appends a line made by make; null and the list unchanged when memory runs out.
template <class Make>
CChain* AppendNew(CChainList& list, Make make) {
  try {
    CChain* c = make();
    list.Adopt(c);
    list.m_nModified = 1;
    return c;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

std::unique_ptr<CChain> CChainList::MakeLine() const {
  return std::make_unique<CChain>(m_nCurrentWidth, m_fCurrentID, m_idColors.GetColor(TruncInt(m_fCurrentID)));
}

CChain* CChainList::NewChain() {
  return AppendNew(*this, [&] { return MakeLine().release(); });
}

CChain* CChainList::AddCopy(const CChain* line) {
  return AppendNew(*this, [&] { return new CChain(line); });
}

RECT CChainList::RemoveAt(POSITION pos) {
  if (!pos) return RECT{};
  CChain* c = GetAt(pos);
  const RECT rc = c ? c->m_rcBounds : RECT{};
  DeleteAt(pos);
  m_nModified = 1;
  return rc;
}

void CChainList::DeleteChain(CChain* line) {
  if (POSITION pos = Find(line)) RemoveAt(pos);
}

POSITION CChainList::FindNear(const CFPoint& p, const CChain* other, int sameLayerOnly, bool dropNulls) {
  if (IsEmpty()) return nullptr;
  const float t = static_cast<float>(m_nTolerance);
  const RECT square{TruncInt(p.x - t), TruncInt(p.y - t), TruncInt(t + p.x), TruncInt(t + p.y)};
  POSITION best = nullptr;
  int bestD = 999999;
  for (POSITION pos = GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* c = GetNext(pos);
    if (!c) {
      if (dropNulls) Detach(at);  // a null entry: nothing to delete
      continue;
    }
    if (c == other) continue;
    if (other && sameLayerOnly && c->m_nLayer != other->m_nLayer) continue;
    RECT inter;
    if (!IntersectRect(inter, c->m_rcBounds, square)) continue;
    const float d = c->DistanceToPoint(p);
    if (d < 0.0f) continue;
    const int di = TruncInt(d);
    if (di < bestD) {
      bestD = di;
      best = at;
    }
  }
  return best;
}

POSITION CChainList::FindPosNear(const CFPoint& p) { return FindNear(p, nullptr, 0, true); }

CChain* CChainList::FindChainNear(const CFPoint& p) {
  POSITION pos = FindPosNear(p);
  return pos ? GetAt(pos) : nullptr;
}

POSITION CChainList::FindPosNearExcludingLayers(const CFPoint& p, const std::vector<int>& layers) const {
  if (IsEmpty()) return nullptr;
  const float t = static_cast<float>(m_nTolerance);
  const RECT square{TruncInt(p.x - t), TruncInt(p.y - t), TruncInt(t + p.x), TruncInt(t + p.y)};
  POSITION best = nullptr;
  double bestD = 999999.0;
  for (auto it = begin(); it != end(); ++it) {
    const CChain* c = *it;
    if (!c || std::find(layers.begin(), layers.end(), c->m_nLayer) != layers.end()) continue;
    RECT inter;
    if (!IntersectRect(inter, c->m_rcBounds, square)) continue;
    const float d = c->DistanceToPoint(p);
    if (d >= 0.0f && d < bestD) {
      bestD = d;
      best = it.position();
    }
  }
  return best;
}

CChain* CChainList::FindChainNearExcludingLayers(const CFPoint& p, const std::vector<int>& layers) const {
  POSITION pos = FindPosNearExcludingLayers(p, layers);
  return pos ? GetAt(pos) : nullptr;
}

CChain* CChainList::FindChainNearOther(const CFPoint& p, const CChain* other, int sameLayerOnly) {
  if (!other) return FindChainNear(p);
  POSITION pos = FindNear(p, other, sameLayerOnly, false);
  return pos ? GetAt(pos) : nullptr;
}

CChain* CChainList::FindNearestEnd(const CFPoint& p, int layer, POSITION& pos, const CChain* excluded) const {
  CChain* best = nullptr;
  pos = nullptr;
  float bestD = 999999.0f;
  for (auto it = begin(); it != end(); ++it) {
    CChain* c = *it;
    if (!c || c == excluded || c->m_nLayer != layer || c->m_points.empty()) continue;
    for (const CFPoint& e : {c->m_points.front(), c->m_points.back()}) {
      const float dx = e.x - p.x, dy = e.y - p.y;
      const float d = dx * dx + dy * dy;
      if (d < bestD) {
        bestD = d;
        best = c;
        pos = it.position();
      }
    }
  }
  return best;
}

CChain* CChainList::FindNearestEndAnyLayer(const CFPoint& p, const CChain* excluded) const {
  CChain* best = nullptr;
  double bestD = 999999.0;
  for (CChain* c : *this) {
    if (!c || c == excluded || c->m_points.empty()) continue;
    for (const CFPoint& e : {c->m_points.front(), c->m_points.back()}) {
      const double dx = static_cast<double>(e.x) - p.x, dy = static_cast<double>(e.y) - p.y;
      const double d = dx * dx + dy * dy;
      if (d < bestD) {
        bestD = d;
        best = c;
      }
    }
  }
  return best;
}

int CChainList::IsLayerEmpty(int layer) const {
  for (const CChain* c : *this)
    if (c && c->m_nLayer == layer) return 0;
  return 1;
}

RECT CChainList::GetBounds() const {
  RECT rc{};
  bool first = true;
  for (const CChain* c : *this) {
    if (!c) continue;
    if (first) {
      rc = c->m_rcBounds;
      first = false;
    } else {
      UnionRect(rc, rc, c->m_rcBounds);
    }
  }
  return rc;
}

CFRect CChainList::GetExtent() const {
  CFRect e;
  bool first = true;
  for (const CChain* c : *this) {
    if (!c) continue;
    if (first) {
      e = c->GetExtent();
      first = false;
    } else {
      e.Union(e, c->GetExtent());
    }
  }
  return e;
}

bool CChainList::IsInPixelRange() const {
  for (const CChain* c : *this)
    if (c)
      for (const CFPoint& p : c->m_points)
        if (!InPixelRange(p.x) || !InPixelRange(p.y)) return false;
  return true;
}

int CChainList::GetStatistics(int& meanVertices) const {
  if (IsEmpty()) return 0;
  std::uint64_t total = 0;
  for (const CChain* c : *this) {
    if (!c) break;
    total += static_cast<std::uint64_t>(c->GetCount());
  }
  const std::uint64_t n = static_cast<std::uint64_t>(GetCount());
  meanVertices = static_cast<int>(total / n);
  return static_cast<int>(n);
}

void CChainList::RecalcBounds() {
  for (CChain* c : *this)
    if (c) c->CalcBounds();
}

void CChainList::SetTolerance(int imageWidth, int imageHeight) {
  m_nTolerance = std::max(50, std::max(imageWidth, imageHeight) / 200);
}

void CChainList::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<std::uint32_t>(GetCount()));
    for (const CChain* c : *this) ar.WriteObject(c);
    ar << kMarker << m_fIDIncrement << static_cast<std::uint16_t>(m_nAutoIncrement) << m_fCurrentID
       << static_cast<std::uint16_t>(m_nPolygonsBuilt) << static_cast<std::uint16_t>(m_nTolerance)
       << static_cast<std::uint16_t>(m_nCurrentWidth);
    m_idColors.Serialize(ar);
    return;
  }
  // Everything is read aside first: a damaged record adds no lines and
  // changes no setting.
  std::uint16_t marker = 0, autoInc = 0, polys = 0, tol = 0, width = 0;
  float increment = 0.0f, currentID = 0.0f;
  CIDColorList colors;
  LoadAllOrNothing(*this, [&](COwningList<CChain>& loaded) {
    const std::uint32_t count = ar.ReadCount(2);
    // Only new lines: a back-reference to a line read before, in this list
    // or in another one of the same archive, would give it two owners.
    for (std::uint32_t i = 0; i < count; ++i) loaded.Adopt(ar.ReadOwnedObjectAs<CChain>());
    ar >> marker;
    if (marker == kMarker) {
      ar >> increment >> autoInc >> currentID;
    } else {
      std::int32_t id = 0;
      increment = static_cast<float>(marker);  // older layout: an unsigned increment
      ar >> autoInc >> id;
      currentID = static_cast<float>(id);
    }
    ar >> polys >> tol >> width;
    // New lines take this width as their width word, whose bits from
    // kFirstMovedMark up are the snap marks: a width reaching them is damage.
    if (width >= CChain::kFirstMovedMark)
      throw CArchiveException(CArchiveException::badCount, "line width reaches the snap marks");
    colors.Serialize(ar);
  });
  m_fIDIncrement = increment;
  m_nAutoIncrement = autoInc;
  m_fCurrentID = currentID;
  m_nPolygonsBuilt = polys;
  m_nTolerance = tol;
  m_nCurrentWidth = width;
  m_idColors.AdoptAll(colors);
  m_idColors.m_nModified = 0;
}

}  // namespace qzn
