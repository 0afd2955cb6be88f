// Vertex reduction of traced lines and the point list of the semi-automatic
// line tracker.
//
// CVertexReducer thins a polyline by the maximum-deviation rule: a segment
// is split at its farthest vertex until every vertex lies within the
// tolerance of its segment. A segment is also kept as it is when its
// farthest vertex lies within 1.5 x the tolerance of the segment's start, so
// short wiggles near a vertex do not survive as spikes. It works on the
// float vertices of a chain (outline tracing, line reduction) and on the
// integer points the line tracker collects.
#pragma once

#include <cstdint>
#include <vector>

#include "model/fpoint.h"
#include "platform/wintypes.h"

namespace qzn {

class CChain;
class CChainList;
class CTracePointList;

// Euclidean distance of two points, 0 when they coincide, in single
// precision (computed in double).
float PointDistance(const POINT& a, const POINT& b);
float PointDistanceF(const CFPoint& a, const CFPoint& b);
// Distance of p from the straight line through a and b (|cross| / |b - a|);
// the distance from p to a when a and b coincide.
float PointLineDistance(const POINT& p, const POINT& a, const POINT& b);
float PointLineDistanceF(const CFPoint& p, const CFPoint& a, const CFPoint& b);

class CVertexReducer {
 public:
  // Running out of memory is reported unless the host is quiet.
  CVertexReducer() = default;
  virtual ~CVertexReducer() = default;

  // Reduces the list in place, keeping a subset of its points in order.
  // Result: the number of points kept; 0 when the list holds 2 points or
  // fewer (left unchanged) or memory runs out (kVertexNoMemory, list
  // unchanged). A closed list (first point equal to the last) gets a second
  // pass with the ring's start moved three kept points along, so the seam
  // of the first pass does not survive as an extra vertex; it stays closed.
  std::int64_t ReducePoints(CTracePointList& list, double tolerance);
  // Reduces the chain's vertices in place (one pass). Result: the number of
  // vertices kept; 0 for chains of 2 vertices or fewer (unchanged) or when
  // memory runs out.
  std::int64_t ReduceChain(CChain& chain, double tolerance);
  // ReduceChain on every line of the list, one progress step per line.
  // Result 1.
  int ReduceChainList(CChainList& list, double tolerance);

 private:
};

// The semi-automatic line tracker's list of integer points, with the mean
// width of the scanned line it follows. Misuse is reported by message box
// (the tracker's callers rely on those texts) and changes nothing.
class CTracePointList {
 public:
  // On an empty list: the first point is the midpoint of the run
  // (x1, y1)-(x2, y2) (x1 - (x1 - x2) / 2, likewise y, integer division) and
  // the mean width starts with the run's length. Otherwise kFirstPointExists.
  void Start(int x1, int y1, int x2, int y2);
  // Appends a point; on an empty list kFirstPointMissing instead.
  void AppendPoint(int x, int y);
  // Appends the run's midpoint (as in Start) and folds its length into the
  // mean width; on an empty list kFirstPointMissing.
  void AppendMidpoint(int x1, int y1, int x2, int y2);
  // The point at index; outside 0 .. count - 1: (0, 0) and kProcessingError.
  POINT GetPoint(std::int64_t index) const;
  // Removes n points from the end; n above the count: kDeletePointError and
  // nothing removed.
  void RemoveTail(std::int64_t n);
  void RemoveAll();
  void Reverse();

  std::int64_t GetCount() const { return static_cast<std::int64_t>(m_points.size()); }
  bool IsEmpty() const { return m_points.empty(); }
  float GetMeanWidth() const { return m_fMeanWidth; }
  const std::vector<POINT>& Points() const { return m_points; }
  // Replaces the points (the reducer writes its result through this).
  void SetPoints(std::vector<POINT>&& points) { m_points = std::move(points); }

 private:
  void UpdateMeanWidth(int x1, int y1, int x2, int y2);

  std::vector<POINT> m_points;
  float m_fMeanWidth = 0.0f;
};

}  // namespace qzn
