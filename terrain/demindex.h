// Finding a grid cell's four candidate samples without walking every sample.
//
// The rule (see dembuilder.h): per quadrant, the first sample in stored order
// within one cell size (Chebyshev distance), else the nearest sample closer
// than the search bound, the earliest on ties. Quadrant q of a sample at
// (sx, sy) around the cell (x, y) is (sx <= x ? 2 : 0) + (sy <= y ? 1 : 0).
//
// Two structures answer it:
//  - bins of one cell size a side, each listing its samples in stored order:
//    the first sample within one cell size lies in the 3 x 3 bins around the
//    cell, and the first one met in each bin is that bin's earliest;
//  - a k-d tree over the samples with each node's bounding box and smallest
//    stored index, searched branch and bound for the nearest sample in each
//    quadrant still open (ties by index), pruning nodes outside the quadrant,
//    farther than the best so far or not below the bound.
// Cells near the samples are settled by the bins alone; only quadrants that
// look across empty ground reach the tree, in O(log n) each.
#pragma once

#include <cstdint>
#include <vector>

#include "terrain/dembuilder.h"

namespace qzn {

class CDemCandidateIndex {
 public:
  // samples stay borrowed; their coordinates lie in [0, width + cellSize) x
  // [0, height + cellSize). Throws std::bad_alloc when memory runs out.
  CDemCandidateIndex(const std::vector<CDemSample>& samples, int cellSize, std::int64_t width, std::int64_t height);

  // The candidates of the cell at (x, y): sample indices, -1 for none.
  // hints: samples near the cell (the neighbouring cells' candidates, -1
  // for none); they only speed the search up, never change its result.
  void Find(int x, int y, std::int64_t bound, const std::int64_t* hints, int hintCount,
            std::int64_t candidates[4]) const;

 private:
  struct Node {
    int minX, maxX, minY, maxY;
    std::uint32_t minIndex;
    std::uint32_t begin, end;  // the node's samples in m_items
    std::uint32_t child[2];    // 0: a leaf
  };
  struct Item {
    int x, y;
    std::uint32_t index;
  };

  std::uint32_t Build(std::uint32_t begin, std::uint32_t end);
  // The nearest sample of quadrant q closer than bound (the earliest on
  // ties) if it beats bestD / bestI, which it then replaces.
  void Nearest(int x, int y, std::int64_t bound, int q, std::int64_t& bestD, std::uint32_t& bestI) const;

  const std::vector<CDemSample>& m_samples;
  int m_cellSize;
  // Bins: row-major, bin (bx, by) covers [bx, bx + 1) x [by, by + 1) cell sizes.
  std::int64_t m_binsX = 0;
  std::int64_t m_binsY = 0;
  std::vector<std::uint32_t> m_binStart;  // m_binsX * m_binsY + 1 offsets
  std::vector<std::uint32_t> m_binItems;  // sample indices, ascending per bin
  // The tree: m_nodes[0] is the root (when there are samples).
  std::vector<Node> m_nodes;
  std::vector<Item> m_items;
};

}  // namespace qzn
