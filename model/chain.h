// One vector line of the map: an open polyline or, when its last vertex
// repeats its first, a closed polygon. Vertices are float image pixels (x
// right, y down). Beside them a line carries a pen width, a pen style, a
// numeric ID (contour height or class value), a cached integer bounding box, a
// colour and a layer ID.
//
// The record lives in chain.cpp; the read-only geometry in chain_geometry.cpp,
// the drawing in chain_draw.cpp, the text formats in chain_text.cpp and the
// editing operations in chain_edit.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/fpoint.h"
#include "model/maptransform.h"
#include "model/ownedlist.h"
#include "model/ptrlist.h"
#include "platform/archive.h"
#include "platform/wintypes.h"

namespace qzn {

class CCanvas;
class CChainList;
class CLayerList;
class CLineEquation;
class CTextFileReader;
class CTextFileWriter;
class CViewTransform;

// The vertex array. Appending grows the capacity geometrically.
using CFPointArray = std::vector<CFPoint>;

// The coordinates the view's status bar shows: image pixels, map
// coordinates through the workspace's georeference, or page units (pixels
// divided by the resolution).
enum CoordDisplay : int { kCoordPixels = 0, kCoordMap = 1, kCoordPage = 2 };

// What the drawing routines read from the view and its document besides the
// transform: the coordinate display (page units make pen widths follow the
// zoom), whether nodes and end points use the user's colours, those colours,
// the view's node and end-point display flags and the layer table.
struct CChainDrawOptions {
  int coordMode = kCoordPixels;
  int nodeColorFlag = 0;
  int endColorFlag = 0;
  COLORREF nodeColor = RGB(255, 0, 0);
  COLORREF endColor = RGB(0, 0, 255);
  int showEnds = 0;
  int showNodes = 0;
  const CLayerList* layers = nullptr;
};

// Doubled signed area of a, b, c, (b - a) x (c - a), in double; positive when
// a, b, c turn clockwise on the screen (y down).
double TriangleArea2(const CFPoint& a, const CFPoint& b, const CFPoint& c);

// Direction of the vector a -> b in radians, in [0, 2 pi).
double GetLineAngle(const CFPoint& a, const CFPoint& b);
// Difference between the directions a -> b and c -> d, folded across 0: the
// smaller of the two ways round, in [0, pi].
double GetAngleDifference(const CFPoint& a, const CFPoint& b, const CFPoint& c, const CFPoint& d);

// Distance from p to the segment a-b (not degenerate). 0 when the foot of the
// perpendicular lies on the segment (ends included), with the perpendicular
// distance; -1 otherwise, with the distance to the nearer end.
int DistanceToSegment(const CFPoint& p, const CFPoint& a, const CFPoint& b, double& distance);
// Squared distance from p to the closed segment a-b (a == b allowed).
double SegmentDistanceSquared(const CFPoint& p, const CFPoint& a, const CFPoint& b);

class CChain : public CObject {
  QZN_DECLARE_SERIAL(CChain)

 public:
  static constexpr std::int32_t kMarker = 98765432;
  // Marks kept in the width word by the end-snapping operation while it runs:
  // first vertex moved, last vertex moved. Never part of the pen width.
  static constexpr int kFirstMovedMark = 0x1000;
  static constexpr int kLastMovedMark = 0x10000;
  static constexpr int kSnapMarks = kFirstMovedMark | kLastMovedMark;

  int m_nWidth = 1;     // the width word: pen width plus the snap marks
  int m_nPenStyle = 0;  // PS_*, passed unchanged to the pen
  float m_fID = 0.0f;   // contour height, code
  RECT m_rcBounds{};    // cache refreshed by CalcBounds
  COLORREF m_color = RGB(0, 255, 0);
  int m_nLayer = 0;
  CFPointArray m_points;

  CChain() = default;
  // Attributes of the other line (width, style, ID, bounds, colour, layer), no vertices.
  explicit CChain(const CChain* other);
  // Pen style 0, layer 0, empty bounds, no vertices.
  CChain(int width, float id, COLORREF color);
  ~CChain() override = default;
  CChain(const CChain&) = delete;
  CChain& operator=(const CChain&) = delete;

  // ---- record ----
  std::int64_t GetCount() const { return static_cast<std::int64_t>(m_points.size()); }
  CFPoint GetPoint(std::int64_t i) const { return m_points[static_cast<std::size_t>(i)]; }
  void SetPoint(std::int64_t i, float x, float y) { m_points[static_cast<std::size_t>(i)] = CFPoint(x, y); }
  std::int64_t AddPoint(float x, float y) {
    m_points.emplace_back(x, y);
    return GetCount() - 1;
  }
  const CFPointArray& Points() const { return m_points; }
  // The pen width: the width word without the snap marks.
  int GetPenWidth() const { return m_nWidth & ~kSnapMarks; }

  // Rounded vertices' box inflated by the pen width; all 0 without vertices.
  void CalcBounds();
  // Box of the unrounded vertices; all 0 without vertices.
  CFRect GetExtent() const;
  // Vertices, bounds, colour, ID, width and layer of the other line; the pen
  // style stays. 1, or 0 when memory ran out: this line is then unchanged
  // and the caller reports it (kCopyLineNoMemory).
  int CopyFrom(const CChain* other);
  // Appends the other line's vertices that differ from this line's last
  // vertex; onto an empty line, CopyFrom. 1, or 0 when memory ran out (this
  // line unchanged).
  int Append(const CChain* other);
  // Same vertices, ID, layer and bounds (width, style and colour ignored).
  int IsEqual(const CChain* other) const;
  void Serialize(CArchive& ar) override;

  // ---- geometry queries (read-only) ----
  int HasVertex(const CFPoint& p) const;
  CFPoint GetFirstDistinctPoint() const;
  CFPoint GetLastDistinctPoint() const;
  CFPoint GetMeanPoint() const;
  double GetLength() const;
  int IsLengthInRange(int minimum, int maximum) const;
  int IsClosed(int tolerance) const;
  double GetArea() const;
  int IsPositiveWinding() const;
  float DistanceToPoint(const CFPoint& p) const;
  std::int64_t FindNearestVertex(const CFPoint& p, int& distance) const;
  std::int64_t NearestEnd(const CFPoint& p) const;
  std::int64_t NearestEndDist(const CFPoint& p, int& distance) const;
  // Where p would be inserted: the index of the segment's end for a foot on a
  // segment, 0 before the start, count after the end; -1 when p is a vertex.
  std::int64_t FindNearestSegment(const CFPoint& p) const;
  int PtInPolygon(const CFPoint& p) const;
  int CrossesRect(const RECT& rc) const;
  // First crossing of a chain segment with the given segment, in vertex order.
  int IntersectSegment(const CLineEquation& segment, CFPoint& out) const;

  // ---- drawing ----
  int Draw(CCanvas& dc, const CViewTransform& view, const CChainDrawOptions& opt, int endMarks, int nodeMarks,
           int showId, int decimalId) const;
  int DrawWithPen(CCanvas& dc, const CViewTransform& view, const CChainDrawOptions& opt, COLORREF color,
                  int penStyle) const;
  void DrawId(CCanvas& dc, const CViewTransform& view, int decimal) const;
  int DrawFilled(CCanvas& dc, const CViewTransform& view, const CChainDrawOptions& opt) const;
  int DrawForPrint(CCanvas& dc, const CViewTransform& view, float factorX, float factorY, int offsetX, int offsetY,
                   int nodeMarks) const;
  int DrawScaled(CCanvas& dc, float factorX, float factorY, int offsetX, int offsetY) const;

  // ---- text formats: 0 ARC generate, 2 MIF Pline, 4 XYZ ----
  // The vertices through the export's map transform. The ID goes out as an
  // integer in generate text. A MIF Pline in map coordinates gets the plain
  // pen (1,2,0), one in pixels the line's own. Nothing for a line without
  // vertices or another kind. 0 when a vertex cannot be mapped.
  int WriteText(CTextFileWriter& file, int kind, const qzn::MapTransform& map = {}) const;
  // The same text appended to text (nothing appended when it gives 0).
  int AppendText(std::string& text, int kind, const qzn::MapTransform& map = {}) const;
  int ReadGenerate(CTextFileReader& file, int comma);

  // ---- editing ----
  void ReplaceNode(const CFPoint& p, std::int64_t i);
  std::int64_t InsertPoint(const CFPoint& p);
  int DeleteVertex(std::int64_t i);
  RECT DeleteNearestVertex(const CFPoint& p, int maxDistance);
  void DeleteVerticesInRect(const RECT& rc);
  int Split(const CFPoint& p, CChain* second);
  void Close();
  void Reverse();
  void SetOrientation(int positive);

  int FindEndPairing(const CChain* other) const;
  int CanJoinSmoothly(const CChain* other, int maxDist2, float maxAngle) const;
  void JoinChain(const CChain* other, int pairing);
  int JoinNearEnds(const CChain* other);
  int SnapToChain(const CChain* other, int tolerance);

  void Translate(float dx, float dy);
  // (p - origin) x factor, worked out in double: factors beyond the float
  // range still scale a small enough line (the caller sees to the result).
  void Scale(double originX, double originY, double factorX, double factorY);
  void Transform(const double* cx, const double* cy, int type);
  void MakeRectangle(const RECT& rc);
  void MakeCircle(RECT& rc);
  // The tracers' integer points; closed repeats the first point at the end.
  void SetFromPtList(const std::vector<POINT>& points, int closed);

  void RemoveRedundantVertices();
  void Smooth(float tolerance);
  int SmoothBSpline(int step, int pointsPerSpan);
};

// Borrowed lines, each with an integer key, kept in ascending key order (equal
// keys in arrival order). The records are owned, the lines are not.
struct CChainSelectionItem {
  CChain* chain = nullptr;
  int key = 0;
};

class CChainSelection : public COwningList<CChainSelectionItem> {
 public:
  explicit CChainSelection(CChainList* owner = nullptr) : m_owner(owner) {}
  ~CChainSelection() override;
  CChainSelection(const CChainSelection&) = delete;
  CChainSelection& operator=(const CChainSelection&) = delete;

  CChainList* m_owner;  // whose ID colour table colours renumbered lines

  // Takes ownership of the record; null is ignored.
  void InsertSorted(CChainSelectionItem* item);
  // IDs start, start + step, ... in list order, coloured by the owner's table.
  void AssignIDs(float start, float step);
  // Every selected line with Draw, the view's end and node flags, no IDs.
  void Draw(CCanvas& dc, const CViewTransform& view, const CChainDrawOptions& opt) const;
  void DeleteAllItems();
};

}  // namespace qzn
