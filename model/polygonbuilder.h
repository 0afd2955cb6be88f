// Closed polygons from boundary lines that meet at nodes, possibly with small
// gaps: optional splitting at mutual crossings, removal of short lines,
// pruning of dangling branches, lines already closed within the gap taken as
// they are, then walks from line end to line end that take the sharpest turn
// at every node until they come back to their start. Each walk that goes
// round a face becomes one polygon; the walk round the outside of a network
// is not a polygon and is dropped.
#pragma once

#include <cstdint>
#include <vector>

#include "model/chainlist.h"

namespace qzn {

class CPolygonBuilder {
 public:
  // The builder borrows both lists; it consumes and rearranges the input.
  CPolygonBuilder(CChainList* input, CChainList* output, int tolerance, int keepUnclosed, int layer);
  virtual ~CPolygonBuilder() = default;
  CPolygonBuilder(const CPolygonBuilder&) = delete;
  CPolygonBuilder& operator=(const CPolygonBuilder&) = delete;

  // Empties the output (deleting its lines) and appends the polygons, and
  // with keep-unclosed the lines that closed nothing. 0 for an empty input
  // or when memory runs out.
  int Build(int split);
  // Moves every input line to the output, cut at the points where it meets
  // another line. Returns 1.
  int SplitAtIntersections();

  // Removes, round after round, the lines with a free end (no other end in
  // its node square); with keep-unclosed they go to the output, in the order
  // of the rounds and, within a round, of the input.
  void PruneDanglingLines();

  int GetLayer() const { return m_nLayer; }

  // The angle at p between p->q and p->r, in [0, 3.14158].
  static float TurnAngle(POINT p, POINT q, POINT r);
  // The index of the candidate reached by the sharpest turn from the way
  // back p0 -> p1 (ties: the last one).
  static std::int64_t ChooseSharpestTurn(POINT p0, POINT p1, const std::vector<POINT>& candidates);

 private:
  struct EndRecord {
    std::int64_t key = 0;
    CChain* chain = nullptr;  // starts at the record's point
    std::int64_t end = 0;     // 2n first vertex of line n, 2n + 1 its last
    int state = 0;            // 0 free, 1 used by a polygon, 2 dead end
    POINT at{};
  };

  bool PrepareEnds();
  // Walks from record k until it is used or dead. False when memory runs out.
  bool WalkFrom(std::int64_t k);
  void Drop(CChain* line);  // delete, or with keep-unclosed move to the output
  void KeepCopy(const CChain* line);

  int m_nKeepUnclosed;
  int m_nTolerance;
  CChainList* m_output;
  CChainList* m_input;
  std::vector<EndRecord> m_ends;
  std::vector<std::int64_t> m_walkPos;  // position of a record in the current walk, -1 outside it
  int m_nLayer;
};

}  // namespace qzn
