// The rubber-sheet transform: a Delaunay triangulation of the control
// points' image positions (plus the corners of a rectangle, normally the image
// extent), each triangle carrying the affine map fitted exactly through its
// three corners. A point is mapped by the first triangle in list order that
// contains it (edges count as inside), or, outside them all, by the triangle
// whose centroid is nearest.
#pragma once

#include <memory>
#include <vector>

#include "georef/controlpt.h"
#include "model/fpoint.h"
#include "model/ownedlist.h"
#include "model/ptrlist.h"
#include "model/writerlinks.h"
#include "platform/archive.h"
#include "platform/wintypes.h"

namespace qzn {

class CCanvas;
class CViewTransform;

class CTriangle : public CObject {
 public:
  // Vertex copies; with direction 1 image and map pairs are swapped, so the
  // "image" fields always hold the source side of the map.
  CControlPt m_v[3];
  double m_xRow[3] = {0, 0, 0};  // destination x = a x + b y + c
  double m_yRow[3] = {0, 0, 0};  // destination y = d x + e y + f
  int m_nStatus = 0;             // 3 when the fit succeeded, 0 when it failed

  // Fits the rows through the three vertices; a failed fit shows
  // kCannotComputeTransform and leaves status 0.
  CTriangle(const CControlPt& v1, const CControlPt& v2, const CControlPt& v3, int direction);

  // Source-side containment, edges included; both work in doubles.
  bool Contains(const CFPoint& p) const;
  bool ContainsPoint(double x, double y) const;
  // Squared distance from the point to the centroid of the source positions.
  double CentroidDistance(const CFPoint& p) const;
  double CentroidDistanceD(double x, double y) const;
  // The triangle's map applied to (x, y).
  void Apply(double x, double y, double& outX, double& outY) const {
    outX = m_xRow[0] * x + m_xRow[1] * y + m_xRow[2];
    outY = m_yRow[0] * x + m_yRow[1] * y + m_yRow[2];
  }

 private:
  double m_cx = 0, m_cy = 0;  // centroid of the source positions
};

class CTriangleList : public CObject, public COwningList<CTriangle>, public IMapTransform {
 public:
  CTriangleList();
  CTriangleList(const CTriangleList&) = delete;
  CTriangleList& operator=(const CTriangleList&) = delete;
  ~CTriangleList() override;

  // A triangle through the three points appended; null when memory runs out.
  CTriangle* AddTriangle(const CControlPt& v1, const CControlPt& v2, const CControlPt& v3, int direction);
  void RemoveAll();

  // Triangulates the control points with the rectangle's corners added and
  // fits every triangle in the TransformDirection (kImageToMap or kMapToImage). 0
  // (list empty) with 2 points or fewer, when the points lie on one line, or
  // when a triangle's fit fails (kReselectControlPoints).
  int Build(const CControlPtList& points, const RECT& rect, int direction);

  // Edges of every triangle in RGB(50, 50, 250) at the source positions.
  void Draw(CCanvas* dc, const CViewTransform* view) const;

  // Maps a point in the direction the list was built for. 1 when mapped, 0
  // for an empty list or a point that is not a finite number (outputs
  // untouched). The first call after a change builds the point-location
  // index; make it from one thread before sharing the list between threads.
  int TransformPixel(int x, int y, double& outX, double& outY) const override;
  int TransformPoint(double x, double y, double& outX, double& outY) const override;

 private:
  struct Index;
  const Index& GetIndex() const;
  mutable std::unique_ptr<Index> m_index;  // built on first use, dropped on change
};

}  // namespace qzn
