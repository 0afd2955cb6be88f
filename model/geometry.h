// Plane geometry on float image coordinates: orientation tests, segment
// intersection (a free form and a line-equation form), point distances, a
// float 3D point for curve smoothing and a work list of integer points.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/fpoint.h"
#include "platform/archive.h"
#include "platform/wintypes.h"

namespace qzn {

// --- Orientation family (extended precision) -------------------------------

// (q - p) x (r - p): twice the signed area of p, q, r; positive when r lies to
// the left of p->q in a y-up frame (clockwise on the screen, where y grows
// downward).
long double Cross2D(const CFPoint& p, const CFPoint& q, const CFPoint& r);
// 1 when Cross2D(p, q, r) > 0.
int IsLeftTurn(const CFPoint& p, const CFPoint& q, const CFPoint& r);
// 1 when Cross2D(p, q, r) == 0 exactly.
int IsCollinear(const CFPoint& p, const CFPoint& q, const CFPoint& r);
// 1 when exactly one of the two flags is non-zero.
int ExactlyOne(int a, int b);
// 1 when p-q and r-s cross at a point interior to both (no three of the
// points collinear).
int SegmentsCrossProperly(const CFPoint& p, const CFPoint& q, const CFPoint& r, const CFPoint& s);
// 1 when r is collinear with p, q and lies on the closed segment p-q.
int IsBetween(const CFPoint& p, const CFPoint& q, const CFPoint& r);
// 1 when the closed segments p-q and r-s share a point.
int SegmentsIntersect(const CFPoint& p, const CFPoint& q, const CFPoint& r, const CFPoint& s);

// Crossing point of the lines through p-q and r-s (double precision). Returns
// 0 and leaves out untouched when the lines are (nearly) parallel; otherwise
// writes the exact crossing point and returns 1. Whether the point lies on the
// segments is not checked: test with SegmentsIntersect first.
int SegmentIntersection(const CFPoint& p, const CFPoint& q, const CFPoint& r, const CFPoint& s, CFPoint& out);

// --- Line-equation form -----------------------------------------------------

// The line through two points, a*x + b*y + c = 0 once Compute has run:
// y = a*x + c (b = -1) for a non-vertical line, x = -c (a = 1, b = 0) for a
// vertical one.
class CLineEquation {
 public:
  CFPoint p1;
  CFPoint p2;
  double a = 0.0;
  double b = 0.0;
  double c = 0.0;

  CLineEquation() = default;
  CLineEquation(const CFPoint& first, const CFPoint& second) : p1(first), p2(second) {}

  // Fills a, b, c from the two points.
  void Compute();
  // 1 when the segment p1-p2 and the other's segment cross or touch.
  int SegmentsCross(const CLineEquation& other) const;
  // 0 when the segments do not cross; otherwise the crossing point in out and
  // 1. Computes the coefficients of both lines itself (this line's are kept,
  // the other line is left as it is); collinear overlapping segments give
  // this line's first point.
  int Intersect(const CLineEquation& other, CFPoint& out);
};

// With p the line's first point, d1 = q1 - p, d2 = q2 - p: +1 for a turn one
// way, -1 the other; collinear: -1 when q1 and q2 lie on opposite sides of p,
// +1 when q2 is farther from p than q1, else 0.
int TurnDirection(const CLineEquation& line, const CFPoint& q1, const CFPoint& q2);

// --- Distances --------------------------------------------------------------

// dx and dy are each rounded to float; the squares are summed in double.
double PointDistance(const CFPoint& a, const CFPoint& b);
double PointDistanceSquared(const CFPoint& a, const CFPoint& b);

// --- Float 3D point ---------------------------------------------------------

// Control and curve point of the B-spline smoothing. Never stored in files:
// its runtime class is not storable.
class CFPoint3 : public CObject {
  QZN_DECLARE_SERIAL(CFPoint3)

 public:
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  CFPoint3() = default;
  CFPoint3(float fx, float fy, float fz) : x(fx), y(fy), z(fz) {}
  CFPoint3(int ix, int iy, int iz) : x(static_cast<float>(ix)), y(static_cast<float>(iy)), z(static_cast<float>(iz)) {}
  CFPoint3(const CFPoint3& o) : CObject(), x(o.x), y(o.y), z(o.z) {}
  CFPoint3& operator=(const CFPoint3& o) {
    CopyFrom(o);
    return *this;
  }
  ~CFPoint3() override = default;

  virtual void CopyFrom(const CFPoint3& o);
  virtual int IsEqual(const CFPoint3& o) const;
  virtual int IsNotEqual(const CFPoint3& o) const;
};

// --- Integer point work list -------------------------------------------------

// A FIFO-capable list of integer points (the skeleton tracer's junction work
// list). Removing the head is amortised O(1).
class CIntPtList {
 public:
  using const_iterator = std::vector<POINT>::const_iterator;

  void AddTail(const POINT& p) { m_points.push_back(p); }
  void AddTail(int x, int y) { m_points.push_back(POINT{x, y}); }
  // The first point; the list must not be empty.
  const POINT& GetHead() const {
    assert(!IsEmpty());
    return m_points[m_head];
  }
  // Removes and returns the first point; the list must not be empty.
  POINT RemoveHead();
  // Removes the point at position index (0 = head).
  void RemoveAt(std::size_t index);
  // Removes the first point equal to p; false when there is none.
  bool Remove(const POINT& p);
  void RemoveAll() {
    m_points.clear();
    m_head = 0;
  }

  std::int64_t GetCount() const { return static_cast<std::int64_t>(m_points.size() - m_head); }
  bool IsEmpty() const { return m_points.size() == m_head; }
  const POINT& operator[](std::size_t index) const { return m_points[m_head + index]; }
  const_iterator begin() const { return m_points.begin() + static_cast<std::ptrdiff_t>(m_head); }
  const_iterator end() const { return m_points.end(); }

  // The first point in list order that is one of the eight neighbours of
  // (x, y) (not (x, y) itself); 1 and out set when found, else 0.
  int FindNear(int x, int y, POINT& out) const;

 private:
  std::vector<POINT> m_points;
  std::size_t m_head = 0;  // points before it have been removed from the head
};

}  // namespace qzn
