#include "terrain/demindex.h"

#include <algorithm>
#include <limits>
#include <new>

namespace qzn {

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t kLeafSize = 8;

inline int QuadrantOf(std::int64_t dx, std::int64_t dy) { return (dx <= 0 ? 2 : 0) + (dy <= 0 ? 1 : 0); }

inline std::int64_t Abs64(std::int64_t v) { return v < 0 ? -v : v; }

// The smallest Chebyshev distance from (x, y) to a box clipped to quadrant
// q; -1 when the clipped box is empty.
inline std::int64_t QuadrantGap(int q, std::int64_t x, std::int64_t y, std::int64_t minX, std::int64_t maxX,
                                std::int64_t minY, std::int64_t maxY) {
  std::int64_t gx, gy;
  if (q & 2) {  // sx <= x
    const std::int64_t hi = std::min(maxX, x);
    if (minX > hi) return -1;
    gx = x - hi;
  } else {  // sx > x
    const std::int64_t lo = std::max(minX, x + 1);
    if (lo > maxX) return -1;
    gx = lo - x;
  }
  if (q & 1) {  // sy <= y
    const std::int64_t hi = std::min(maxY, y);
    if (minY > hi) return -1;
    gy = y - hi;
  } else {
    const std::int64_t lo = std::max(minY, y + 1);
    if (lo > maxY) return -1;
    gy = lo - y;
  }
  return std::max(gx, gy);
}

}  // namespace

CDemCandidateIndex::CDemCandidateIndex(const std::vector<CDemSample>& samples, int cellSize, std::int64_t width,
                                       std::int64_t height)
    : m_samples(samples), m_cellSize(cellSize) {
  if (samples.size() >= kNone) throw std::bad_alloc();
  const std::int64_t cs = cellSize;
  m_binsX = (width + cs - 1) / cs + 1;
  m_binsY = (height + cs - 1) / cs + 1;
  const auto binCount = static_cast<std::size_t>(m_binsX * m_binsY);
  m_binStart.assign(binCount + 1, 0);
  auto binOf = [&](const CDemSample& s) {
    const std::int64_t bx = std::min<std::int64_t>(s.x / cs, m_binsX - 1);
    const std::int64_t by = std::min<std::int64_t>(s.y / cs, m_binsY - 1);
    return static_cast<std::size_t>(by * m_binsX + bx);
  };
  for (const CDemSample& s : samples) ++m_binStart[binOf(s) + 1];
  for (std::size_t b = 0; b < binCount; ++b) m_binStart[b + 1] += m_binStart[b];
  m_binItems.resize(samples.size());
  {
    std::vector<std::uint32_t> fill(m_binStart.begin(), m_binStart.end() - 1);
    for (std::size_t i = 0; i < samples.size(); ++i)
      m_binItems[fill[binOf(samples[i])]++] = static_cast<std::uint32_t>(i);
  }

  if (samples.empty()) return;
  m_items.resize(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i)
    m_items[i] = Item{samples[i].x, samples[i].y, static_cast<std::uint32_t>(i)};
  m_nodes.reserve(2 * samples.size() / kLeafSize + 2);
  Build(0, static_cast<std::uint32_t>(m_items.size()));
}

std::uint32_t CDemCandidateIndex::Build(std::uint32_t begin, std::uint32_t end) {
  Node node{};
  node.minX = node.minY = std::numeric_limits<int>::max();
  node.maxX = node.maxY = std::numeric_limits<int>::min();
  node.minIndex = kNone;
  for (std::uint32_t i = begin; i < end; ++i) {
    const Item& it = m_items[i];
    node.minX = std::min(node.minX, it.x);
    node.maxX = std::max(node.maxX, it.x);
    node.minY = std::min(node.minY, it.y);
    node.maxY = std::max(node.maxY, it.y);
    node.minIndex = std::min(node.minIndex, it.index);
  }
  node.begin = begin;
  node.end = end;
  const auto self = static_cast<std::uint32_t>(m_nodes.size());
  m_nodes.push_back(node);
  if (end - begin <= kLeafSize) return self;

  const bool splitX =
      static_cast<std::int64_t>(node.maxX) - node.minX >= static_cast<std::int64_t>(node.maxY) - node.minY;
  const std::uint32_t mid = begin + (end - begin) / 2;
  std::nth_element(m_items.begin() + begin, m_items.begin() + mid, m_items.begin() + end,
                   [splitX](const Item& a, const Item& b) { return splitX ? a.x < b.x : a.y < b.y; });
  const std::uint32_t left = Build(begin, mid);
  const std::uint32_t right = Build(mid, end);
  m_nodes[self].child[0] = left;
  m_nodes[self].child[1] = right;
  return self;
}

void CDemCandidateIndex::Nearest(int x, int y, std::int64_t bound, int q, std::int64_t& bestD,
                                 std::uint32_t& bestI) const {
  // Branch and bound, depth first, the nearer child first. A node is entered
  // only while it may still hold a better sample of the quadrant: its box,
  // clipped to the quadrant, nearer than the best so far (or as near, with
  // an earlier sample). Median splits halve every node, so under 2^32
  // samples the tree is at most 30 levels deep and the stack never holds
  // more than one entry per level plus one.
  struct Entry {
    std::uint32_t node;
    std::int64_t gap;
  };
  Entry stack[64];
  int top = 0;
  const Node& root = m_nodes[0];
  const std::int64_t rootGap = QuadrantGap(q, x, y, root.minX, root.maxX, root.minY, root.maxY);
  if (rootGap >= 0) stack[top++] = Entry{0, rootGap};
  while (top > 0) {
    const Entry e = stack[--top];
    const Node& n = m_nodes[e.node];
    if (e.gap >= bound || e.gap > bestD || (e.gap == bestD && n.minIndex >= bestI)) continue;
    if (n.child[0] == 0) {
      for (std::uint32_t i = n.begin; i < n.end; ++i) {
        const Item& it = m_items[i];
        const std::int64_t dx = static_cast<std::int64_t>(it.x) - x;
        const std::int64_t dy = static_cast<std::int64_t>(it.y) - y;
        if (QuadrantOf(dx, dy) != q) continue;
        const std::int64_t d = std::max(Abs64(dx), Abs64(dy));
        if (d < bound && (d < bestD || (d == bestD && it.index < bestI))) {
          bestD = d;
          bestI = it.index;
        }
      }
      continue;
    }
    Entry a{n.child[0], 0}, b{n.child[1], 0};
    const Node& na = m_nodes[a.node];
    const Node& nb = m_nodes[b.node];
    a.gap = QuadrantGap(q, x, y, na.minX, na.maxX, na.minY, na.maxY);
    b.gap = QuadrantGap(q, x, y, nb.minX, nb.maxX, nb.minY, nb.maxY);
    if (a.gap >= 0 && b.gap >= 0 && b.gap < a.gap) std::swap(a, b);
    // The nearer child goes on the stack last, so it is searched first.
    if (b.gap >= 0) stack[top++] = b;
    if (a.gap >= 0) stack[top++] = a;
  }
}

void CDemCandidateIndex::Find(int x, int y, std::int64_t bound, const std::int64_t* hints, int hintCount,
                              std::int64_t candidates[4]) const {
  const std::int64_t cs = m_cellSize;
  std::uint32_t first[4] = {kNone, kNone, kNone, kNone};
  std::uint32_t worst = kNone;  // the largest of first[] once all four are set
  const std::int64_t bx0 = x >= cs ? (x - cs) / cs : 0;
  const std::int64_t by0 = y >= cs ? (y - cs) / cs : 0;
  const std::int64_t bx1 = std::min<std::int64_t>((x + cs) / cs, m_binsX - 1);
  const std::int64_t by1 = std::min<std::int64_t>((y + cs) / cs, m_binsY - 1);
  for (std::int64_t by = by0; by <= by1; ++by)
    for (std::int64_t bx = bx0; bx <= bx1; ++bx) {
      const std::size_t b = static_cast<std::size_t>(by * m_binsX + bx);
      for (std::uint32_t k = m_binStart[b]; k < m_binStart[b + 1]; ++k) {
        const std::uint32_t idx = m_binItems[k];
        if (idx > worst) break;  // later samples of this bin cannot come first
        const CDemSample& s = m_samples[idx];
        const std::int64_t dx = static_cast<std::int64_t>(s.x) - x;
        const std::int64_t dy = static_cast<std::int64_t>(s.y) - y;
        if (Abs64(dx) > cs || Abs64(dy) > cs) continue;
        const int q = QuadrantOf(dx, dy);
        if (idx < first[q]) {
          first[q] = idx;
          if (first[0] != kNone && first[1] != kNone && first[2] != kNone && first[3] != kNone)
            worst = std::max({first[0], first[1], first[2], first[3]});
        }
      }
    }

  // Samples within one cell size were all seen above; the rest must also be
  // closer than the bound, which leaves nothing when the bound is that near.
  const bool search = bound > cs && !m_nodes.empty();
  for (int q = 0; q < 4; ++q) {
    std::uint32_t pick = first[q];
    if (pick == kNone && search) {
      // The neighbours' candidates lie near: the best of them that falls in
      // this quadrant bounds the search from the start. It is only a bound;
      // the search still finds every sample that beats it.
      std::int64_t bestD = bound;
      for (int h = 0; h < hintCount; ++h) {
        if (hints[h] < 0) continue;
        const CDemSample& s = m_samples[static_cast<std::size_t>(hints[h])];
        const std::int64_t dx = static_cast<std::int64_t>(s.x) - x;
        const std::int64_t dy = static_cast<std::int64_t>(s.y) - y;
        if (QuadrantOf(dx, dy) != q) continue;
        const std::int64_t d = std::max(Abs64(dx), Abs64(dy));
        const auto idx = static_cast<std::uint32_t>(hints[h]);
        if (d < bestD || (d == bestD && idx < pick)) {
          bestD = d;
          pick = idx;
        }
      }
      Nearest(x, y, bound, q, bestD, pick);
    }
    candidates[q] = pick == kNone ? -1 : static_cast<std::int64_t>(pick);
  }
}

}  // namespace qzn
