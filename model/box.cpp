// Text blocks: the block list with detection, merging and linking (on a grid
// index, so large maps stay near linear), hit tests, drawing, the stored
// layout and the ".blk" text-block file.
#include "model/box.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <numeric>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "model/chainlist.h"
#include "model/gridindex.h"
#include "model/helpers.h"
#include "model/layer.h"
#include "model/ownedlist.h"
#include "model/sidefile.h"
#include "model/viewtransform.h"
#include "platform/canvas.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_common.h"
#include "resources/messages_model.h"

namespace qzn {

QZN_IMPLEMENT_SERIAL(CBox, CObject, 1)
QZN_IMPLEMENT_SERIAL(CBoxList, CObject, 1)

namespace {

std::int64_t Width64(const RECT& r) { return static_cast<std::int64_t>(r.right) - r.left; }
std::int64_t Height64(const RECT& r) { return static_cast<std::int64_t>(r.bottom) - r.top; }

// Cuts both sides of every link of b.
void UnlinkBox(CBox* b) {
  if (b->m_pPrev && b->m_pPrev->m_pNext == b) b->m_pPrev->m_pNext = nullptr;
  if (b->m_pNext && b->m_pNext->m_pPrev == b) b->m_pNext->m_pPrev = nullptr;
  b->m_pPrev = b->m_pNext = nullptr;
}

void LinkBoxes(CBox* a, CBox* b) {
  a->m_pNext = b;
  b->m_pPrev = a;
}

// The candidate rectangles of detection: the bounds of lines no larger than
// w x h, in line order. False when memory ran out (what was made is kept).
bool CollectCandidates(const CChainList& chains, int w, int h, std::vector<RECT>& out, CStatusProgress* progress) {
  try {
    for (const CChain* c : chains) {
      if (c && Width64(c->m_rcBounds) <= w && Height64(c->m_rcBounds) <= h) out.push_back(c->m_rcBounds);
      if (progress) progress->StepIt();
    }
    return true;
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kDetectTextNoMemory, MB_OK | MB_ICONERROR);
    return false;
  }
}

// Grid cell side for blocks of about w x h.
std::int64_t CellFor(int w, int h) { return std::max<std::int64_t>({8, w, h}); }

}  // namespace

void CBox::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << static_cast<std::int32_t>(m_nType) << m_rect.left << m_rect.top << m_rect.right << m_rect.bottom;
  } else {
    std::int32_t type = 0;
    RECT r;
    ar >> type >> r.left >> r.top >> r.right >> r.bottom;
    m_nType = type;
    m_rect = r;
  }
}

CBoxList::~CBoxList() { RemoveAll(); }

CBox* CBoxList::AddBox(const RECT& rc, int type) {
  CBox* b = New(rc, type);
  if (b) m_nModified = 1;
  return b;
}

CBox* CBoxList::AddNew() { return AddBox(RECT{}, 0); }

void CBoxList::RemoveAll() {
  DeleteAll();
  m_nModified = 0;
}

POSITION CBoxList::FindPosAtPoint(POINT p) const {
  for (auto it = begin(); it != end(); ++it)
    if (PtInRect((*it)->m_rect, p)) return it.position();
  return nullptr;
}

CBox* CBoxList::FindAtPoint(POINT p, POSITION& pos) const {
  pos = FindPosAtPoint(p);
  return pos ? GetAt(pos) : nullptr;
}

RECT CBoxList::RemoveAt(POSITION pos) {
  if (!pos) return RECT{};
  CBox* b = GetAt(pos);
  const RECT rc = b->m_rect;
  UnlinkBox(b);
  DeleteAt(pos);
  m_nModified = 1;
  return rc;
}

RECT CBoxList::DeleteAtPoint(POINT p) { return RemoveAt(FindPosAtPoint(p)); }

void CBoxList::DeleteInRect(const RECT& rc) {
  for (POSITION pos = GetHeadPosition(); pos;) {
    const POSITION here = pos;
    CBox* b = GetNext(pos);
    RECT common;
    if (IntersectRect(common, b->m_rect, rc)) RemoveAt(here);
  }
  m_nModified = 1;
}

// ---------------------------------------------------------------------------
// Picking and linking by hand

std::int64_t CBoxList::CollectAlongSegment(CBoxPtrList& out, POINT start, POINT end) const {
  if (IsEmpty()) return 0;
  const RECT search{SaturateInt32(static_cast<std::int64_t>(std::min(start.x, end.x)) - 1),
                    SaturateInt32(static_cast<std::int64_t>(std::min(start.y, end.y)) - 1),
                    SaturateInt32(static_cast<std::int64_t>(std::max(start.x, end.x)) + 1),
                    SaturateInt32(static_cast<std::int64_t>(std::max(start.y, end.y)) + 1)};
  const double sx = start.x, sy = start.y;
  const double limit = 100.0 * ((end.x - sx) * (end.x - sx) + (end.y - sy) * (end.y - sy));
  // Nearest centre first, list order among equals: a stable sort by distance
  // picks the blocks in the order a repeated nearest search would.
  std::vector<std::pair<double, CBox*>> found;
  for (CBox* b : *this) {
    RECT common;
    if (!IntersectRect(common, b->m_rect, search)) continue;
    const double cx = (static_cast<std::int64_t>(b->m_rect.left) + b->m_rect.right) / 2;
    const double cy = (static_cast<std::int64_t>(b->m_rect.top) + b->m_rect.bottom) / 2;
    const double d = (cx - sx) * (cx - sx) + (cy - sy) * (cy - sy);
    if (d < limit) found.emplace_back(d, b);
  }
  std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& f : found) out.AddTail(f.second);
  return out.GetCount();
}

void CBoxList::LinkAll(const CBoxPtrList& selection) {
  // Distinct blocks in selection order.
  std::vector<CBox*> sel;
  std::unordered_set<CBox*> in;
  for (CBox* b : selection)
    if (in.insert(b).second) sel.push_back(b);
  if (sel.size() < 2) return;
  CBox* const before = sel.front()->m_pPrev;
  CBox* const after = sel.back()->m_pNext;
  for (CBox* b : sel) UnlinkBox(b);
  for (std::size_t i = 0; i + 1 < sel.size(); ++i) LinkBoxes(sel[i], sel[i + 1]);
  // The first block keeps its predecessor and the last its successor, as
  // long as they are outside the selection, still free on that side, and
  // the chain does not close on itself.
  if (before && !in.count(before) && !before->m_pNext) LinkBoxes(before, sel.front());
  if (after && !in.count(after) && !after->m_pPrev) {
    bool closes = false;
    for (CBox* b = after; b; b = b->m_pNext)
      if (b == sel.front()) {
        closes = true;
        break;
      }
    if (!closes) LinkBoxes(sel.back(), after);
  }
}

void CBoxList::UnlinkAll(const CBoxPtrList& selection) {
  if (selection.GetCount() < 2) return;
  for (CBox* b : selection) UnlinkBox(b);
}

// ---------------------------------------------------------------------------
// Detection

std::int64_t CBoxList::DetectText(int w, int h, const CChainList& chains) {
  CStatusProgress progress;
  progress.SetRange(0, 2 * chains.GetCount());
  progress.SetStep(1);

  std::vector<RECT> rects;
  const bool complete = CollectCandidates(chains, w, h, rects, &progress);
  std::vector<char> alive(rects.size(), 1);
  if (complete && !rects.empty()) {
    // One forward pass: each block merges into the first later block it
    // overlaps. Merged blocks only grow, so the grid only gains entries.
    CRectGrid grid(BoundingRect(rects), CellFor(w, h), rects.size());
    for (std::size_t i = 0; i < rects.size(); ++i) grid.Insert(static_cast<int>(i), rects[i]);
    for (std::size_t i = 0; i < rects.size(); ++i) {
      int first = -1;
      grid.Query(rects[i], [&](int j) {
        RECT common;
        if (static_cast<std::size_t>(j) > i && alive[j] && (first < 0 || j < first) &&
            IntersectRect(common, rects[i], rects[j]))
          first = j;
      });
      if (first >= 0) {
        const RECT old = rects[first];
        UnionRect(rects[first], rects[i], old);
        grid.Grow(first, old, rects[first]);
        alive[i] = 0;
      }
      progress.StepIt();
    }
    // Blocks much larger than a character, and the specks much smaller in
    // both directions, are no text.
    const std::int64_t maxW = w + w / 2, maxH = h + h / 2;
    for (std::size_t i = 0; i < rects.size(); ++i) {
      if (!alive[i]) continue;
      const std::int64_t bw = Width64(rects[i]), bh = Height64(rects[i]);
      if (bw > maxW || bh > maxH || (bw < w / 2 && bh < h / 2)) alive[i] = 0;
      progress.StepIt();
    }
  }

  std::vector<CBox*> made;
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (!alive[i]) continue;
    CBox* b = AddBox(rects[i], 0);
    if (!b) {
      AfxMessageBox(res::text::kDetectTextNoMemory, MB_OK | MB_ICONERROR);
      return static_cast<std::int64_t>(made.size());
    }
    made.push_back(b);
  }
  if (!complete || made.empty()) return static_cast<std::int64_t>(made.size());
  LinkNeighbourBoxes(made);
  m_nModified = 1;
  return static_cast<std::int64_t>(made.size());
}

std::int64_t CBoxList::MergeSmallBoxes(int w, int h, const CChainList& chains) {
  std::vector<RECT> rects;
  const bool complete = CollectCandidates(chains, w, h, rects, nullptr);
  std::vector<char> alive(rects.size(), 1);
  auto fits = [&](const RECT& a, const RECT& b) {
    RECT u;
    UnionRect(u, a, b);
    return Width64(u) <= w && Height64(u) <= h;
  };
  if (complete && !rects.empty()) {
    // One forward pass: each block merges into the first later block with
    // which it still fits one mark; the two need not touch. Blocks without
    // area join anything (their union is the other block), so they are kept
    // in ordered sets beside the grid.
    const RECT none{};
    CRectGrid grid(BoundingRect(rects), CellFor(w, h), rects.size());
    std::set<int> empty, small;  // alive blocks without area; alive blocks that fit one mark alone
    for (std::size_t i = 0; i < rects.size(); ++i) {
      const int j = static_cast<int>(i);
      if (IsRectEmpty(rects[i]))
        empty.insert(j);
      else
        grid.Insert(j, rects[i]);
      if (fits(none, rects[i])) small.insert(j);
    }
    for (std::size_t i = 0; i < rects.size(); ++i) {
      const int self = static_cast<int>(i);
      const RECT r = rects[i];
      int first = -1;
      if (IsRectEmpty(r)) {
        auto it = small.upper_bound(self);
        if (it != small.end()) first = *it;
      } else if (Width64(r) <= w && Height64(r) <= h) {
        const RECT window{SaturateInt32(static_cast<std::int64_t>(r.right) - w),
                          SaturateInt32(static_cast<std::int64_t>(r.bottom) - h),
                          SaturateInt32(static_cast<std::int64_t>(r.left) + w),
                          SaturateInt32(static_cast<std::int64_t>(r.top) + h)};
        grid.Query(window, [&](int j) {
          if (j > self && alive[j] && !IsRectEmpty(rects[j]) && (first < 0 || j < first) && fits(r, rects[j]))
            first = j;
        });
        auto it = empty.upper_bound(self);
        if (it != empty.end() && (first < 0 || *it < first)) first = *it;
      }
      if (first < 0) continue;
      const RECT old = rects[first];
      UnionRect(rects[first], r, old);
      if (IsRectEmpty(old) && !IsRectEmpty(rects[first])) {
        empty.erase(first);
        grid.Insert(first, rects[first]);
      } else if (!IsRectEmpty(old)) {
        grid.Grow(first, old, rects[first]);
      }
      alive[i] = 0;
      empty.erase(self);
      small.erase(self);
    }
    // Too thin or too low for a mark: a quarter of the size, at least 1,
    // below it.
    const int minW = w - std::max(1, w / 4), minH = h - std::max(1, h / 4);
    for (std::size_t i = 0; i < rects.size(); ++i)
      if (alive[i] && (Width64(rects[i]) < minW || Height64(rects[i]) < minH)) alive[i] = 0;
  }

  std::int64_t n = 0;
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (!alive[i]) continue;
    if (!AddBox(rects[i], 0)) {
      AfxMessageBox(res::text::kDetectTextNoMemory, MB_OK | MB_ICONERROR);
      return n;
    }
    ++n;
  }
  if (complete && n > 0) m_nModified = 1;
  return n;
}

int CBoxList::LinkNeighbours() {
  if (IsEmpty()) return 0;
  std::vector<CBox*> boxes(begin(), end());
  LinkNeighbourBoxes(boxes);
  m_nModified = 1;
  return 1;
}

void LinkNeighbourBoxes(const std::vector<CBox*>& boxes) {
  const std::size_t n = boxes.size();
  if (n == 0) return;
  std::int64_t sum = 0;
  std::vector<RECT> rects(n);
  for (std::size_t i = 0; i < n; ++i) {
    rects[i] = boxes[i]->m_rect;
    sum += Width64(rects[i]);
  }
  const std::int64_t mean = sum / static_cast<std::int64_t>(n);
  if (mean <= 0) return;  // no distance is below it

  // Chains as sets: a link is made only between blocks of different chains,
  // so no chain can close on itself.
  std::vector<int> parent(n);
  std::iota(parent.begin(), parent.end(), 0);
  auto find = [&](int a) {
    while (parent[a] != a) a = parent[a] = parent[parent[a]];
    return a;
  };
  std::unordered_map<const CBox*, int> index;
  index.reserve(n);
  for (std::size_t i = 0; i < n; ++i) index.emplace(boxes[i], static_cast<int>(i));
  for (std::size_t i = 0; i < n; ++i)
    if (boxes[i]->m_pNext) {
      auto it = index.find(boxes[i]->m_pNext);
      if (it != index.end()) parent[find(static_cast<int>(i))] = find(it->second);
    }

  auto centreY = [&](const RECT& r) { return static_cast<std::int64_t>(r.top) + Height64(r) / 2; };
  auto near = [&](std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
    const double dx = static_cast<double>(x1 - x0), dy = static_cast<double>(y1 - y0);
    return static_cast<std::int64_t>(std::sqrt(dx * dx + dy * dy)) < mean;
  };
  auto window = [&](std::int64_t x, std::int64_t y) {
    return RECT{SaturateInt32(x - mean), SaturateInt32(y - mean), SaturateInt32(x + mean), SaturateInt32(y + mean)};
  };

  CRectGrid grid(BoundingRect(rects), std::max<std::int64_t>(8, mean), n);
  for (std::size_t i = 0; i < n; ++i) grid.Insert(static_cast<int>(i), rects[i]);
  std::vector<int> cands;
  for (std::size_t i = 0; i < n; ++i) {
    CBox* p = boxes[i];
    if (p->m_pPrev && p->m_pNext) continue;
    const std::int64_t c = centreY(p->m_rect);
    // Only blocks whose facing side lies within the mean width can join, and
    // they are tried in list order.
    cands.clear();
    auto take = [&](int j) {
      if (static_cast<std::size_t>(j) > i) cands.push_back(j);
    };
    if (!p->m_pNext) grid.Query(window(p->m_rect.right, c), take);
    if (!p->m_pPrev) grid.Query(window(p->m_rect.left, c), take);
    std::sort(cands.begin(), cands.end());
    cands.erase(std::unique(cands.begin(), cands.end()), cands.end());
    for (int j : cands) {
      CBox* q = boxes[j];
      const std::int64_t d = centreY(q->m_rect);
      if (!p->m_pNext && !q->m_pPrev && near(p->m_rect.right, c, q->m_rect.left, d) &&
          find(static_cast<int>(i)) != find(j)) {
        LinkBoxes(p, q);
        parent[find(j)] = find(static_cast<int>(i));
      }
      if (!p->m_pPrev && !q->m_pNext && near(p->m_rect.left, c, q->m_rect.right, d) &&
          find(static_cast<int>(i)) != find(j)) {
        LinkBoxes(q, p);
        parent[find(j)] = find(static_cast<int>(i));
      }
      if (p->m_pPrev && p->m_pNext) break;
    }
  }
}

// ---------------------------------------------------------------------------
// Drawing

int CBoxList::Draw(CCanvas& dc, const CViewTransform& view, const RECT& clip) const {
  if (IsEmpty()) return 1;
  const CPen old = dc.SelectPen(CPen{PS_SOLID, m_nPenWidth, m_color});
  auto centre = [](const RECT& r) {
    return POINT{static_cast<int>((std::int64_t{r.left} + r.right) / 2),
                 static_cast<int>((std::int64_t{r.top} + r.bottom) / 2)};
  };
  for (const CBox* b : *this) {
    RECT common;
    if (!IntersectRect(common, b->m_rect, clip)) continue;
    const RECT c = view.ImageToClient(b->m_rect);
    const POINT outline[5] = {
        {c.left, c.top}, {c.right, c.top}, {c.right, c.bottom}, {c.left, c.bottom}, {c.left, c.top}};
    dc.Polyline(outline, 5);
    if (b->m_pNext) {
      const POINT from = centre(c), to = centre(view.ImageToClient(b->m_pNext->m_rect));
      dc.MoveTo(from.x, from.y);
      dc.LineTo(to.x, to.y);
    }
  }
  dc.SelectPen(old);
  return 1;
}

// ---------------------------------------------------------------------------
// Stored forms

std::vector<CBox*> CBoxList::ChainOrder() const {
  std::vector<CBox*> order;
  order.reserve(static_cast<std::size_t>(GetCount()));
  std::unordered_set<const CBox*> members(begin(), end()), done;
  auto walk = [&](CBox* b) {
    for (; b && members.count(b) && done.insert(b).second; b = b->m_pNext) order.push_back(b);
  };
  for (CBox* b : *this)
    if (!b->m_pPrev || !members.count(b->m_pPrev)) walk(b);
  // Blocks no head leads to (there are none while the links are sound).
  for (CBox* b : *this)
    if (!done.count(b)) walk(b);
  return order;
}

namespace {
struct BoxRecord {
  int type;
  RECT rect;
  int continues;
};

// The records of the blocks chain by chain: a block continues when its next
// block is the record that follows.
std::vector<BoxRecord> ChainRecords(const std::vector<CBox*>& order) {
  std::vector<BoxRecord> recs;
  recs.reserve(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    const CBox* b = order[i];
    const int more = b->m_pNext && i + 1 < order.size() && order[i + 1] == b->m_pNext ? 1 : 0;
    recs.push_back(BoxRecord{b->m_nType, b->m_rect, more});
  }
  return recs;
}
}  // namespace

void CBoxList::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    const std::vector<BoxRecord> recs = ChainRecords(ChainOrder());
    ar << static_cast<std::int32_t>(m_color) << static_cast<std::int32_t>(m_nPenWidth);
    ar.WriteString(m_strFileName);
    ar << static_cast<std::int32_t>(recs.size());
    for (const BoxRecord& r : recs)
      ar << static_cast<std::int32_t>(r.type) << r.rect.left << r.rect.top << r.rect.right << r.rect.bottom
         << static_cast<std::uint16_t>(r.continues);
    m_nModified = 0;
    return;
  }
  // Read whole before anything changes.
  std::int32_t color = 0, width = 0, count = 0;
  ar >> color >> width;
  std::string name = ar.ReadString();
  ar >> count;
  if (count < 0 || static_cast<std::uint64_t>(count) * 22 > ar.BytesLeft())
    throw CArchiveException(CArchiveException::badCount, "text blocks: count beyond the end of the data");
  std::vector<BoxRecord> recs(static_cast<std::size_t>(count));
  for (BoxRecord& r : recs) {
    CBox b;
    b.Serialize(ar);
    std::uint16_t more = 0;
    ar >> more;
    r = BoxRecord{b.m_nType, b.m_rect, more};
  }
  m_color = static_cast<COLORREF>(color);
  m_nPenWidth = width;
  m_strFileName = name;
  CBox* prev = nullptr;
  bool prevContinues = false;
  for (const BoxRecord& r : recs) {
    CBox* b = AddNew();
    if (!b) break;
    b->m_nType = r.type;
    b->m_rect = r.rect;
    if (prev && prevContinues) LinkBoxes(prev, b);
    prev = b;
    prevContinues = r.continues != 0;
  }
  m_nModified = 0;
}

int CBoxList::WriteTextFile(const std::string& path) {
  CTextFileWriter out;
  if (out.Open(path)) {
    out.Write(kFileHeader);
    out.Write("\n");
    for (const BoxRecord& r : ChainRecords(ChainOrder()))
      out.Printf("%d %d %d %d %d %d\n", r.type, r.rect.left, r.rect.top, r.rect.right, r.rect.bottom, r.continues);
    out.Write("END");
    if (out.Close()) {
      m_strFileName = path;
      m_nModified = 0;
      return 1;
    }
  }
  AfxMessageBox(res::text::kTextBlockFileSaveError, MB_OK | MB_ICONERROR);
  return 0;
}

namespace {
// The header line must end with a line end within the length a header line
// may have: a file that is nothing but the header is no block file.
bool HeaderLineEnds(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[258];
  const std::size_t n = std::fread(buf, 1, sizeof buf, f);
  std::fclose(f);
  return std::find(buf, buf + n, '\n') != buf + n;
}

bool ReadBoxLine(const std::string& line, BoxRecord& r) {
  return ScanC(line.c_str(), "%d %d %d %d %d %d", &r.type, &r.rect.left, &r.rect.top, &r.rect.right, &r.rect.bottom,
               &r.continues) == 6;
}
}  // namespace

int CBoxList::ReadTextFile(const std::string& path) {
  CTextFileReader in;
  if (!OpenSideFile(in, path, res::text::kTextBlockFileReadError, MB_ICONERROR)) return 0;
  m_strFileName = path;
  std::string line;
  if (!in.ReadLine(line) || !IsSideFileHeader(line, kFileHeader) || !HeaderLineEnds(path)) {
    AfxMessageBox(res::text::kTextBlockFileInvalid, MB_OK | MB_ICONERROR);
    return 0;
  }
  while (in.ReadLine(line)) {
    BoxRecord r{};
    if (line.find("END") != std::string::npos || !ReadBoxLine(line, r)) break;
    CBox* prev = AddBox(r.rect, r.type);
    if (!prev) {
      AfxMessageBox(res::text::kOutOfMemory, MB_OK);
      break;
    }
    // The rest of its chain, until a block that does not continue.
    while (r.continues != 0 && in.ReadLine(line)) {
      if (!ReadBoxLine(line, r)) break;  // the next line starts a new chain
      CBox* b = AddBox(r.rect, r.type);
      if (!b) {
        AfxMessageBox(res::text::kOutOfMemory, MB_OK);
        break;
      }
      LinkBoxes(prev, b);
      prev = b;
    }
  }
  return 1;
}

}  // namespace qzn
