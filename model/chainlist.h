// The container of vector lines. The workspace owns three: the lines shown,
// the lines on hidden layers and the region-of-interest polygons. It owns its
// lines (COwningList); lists of borrowed lines are CChainPtrList. A
// CChainList that held lines for one operation is emptied with DetachAll
// before it dies, because destroying it deletes the lines it still holds.
//
// Beside the lines the list keeps what new lines get (current ID, its
// increment and auto-increment switch, current width), the hit tolerance of
// mouse picking, a modified flag, a polygons-built flag and the ID colour
// table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/chain.h"
#include "model/fpoint.h"
#include "model/idcolor.h"
#include "model/logfont.h"
#include "model/maptransform.h"
#include "model/ownedlist.h"
#include "model/ptrlist.h"
#include "platform/archive.h"

namespace qzn {

class CBoxList;
class CLayerList;
class CNoteList;
class CPtList;
class CTextFileWriter;
class IAttributeLookup;
class IMapTransform;

// The vertex reducer of line simplification, on one line; it lives above the
// data model, so the line list reaches it through this interface.
class IChainReducer {
 public:
  virtual ~IChainReducer() = default;
  virtual std::int64_t ReduceChain(CChain& chain, double tolerance) = 0;
};

// Borrowed lines: the change and removal lists of the list operations.
using CChainPtrList = CPtrListT<CChain*>;

class CChainList : public CObject, public COwningList<CChain> {
  QZN_DECLARE_SERIAL(CChainList)

 public:
  static constexpr std::uint16_t kMarker = 55555;

  float m_fIDIncrement = 0.0f;
  int m_nAutoIncrement = 0;
  float m_fCurrentID = 0.0f;
  int m_nPolygonsBuilt = 0;
  int m_nTolerance = 50;  // half-side of the pick square, image pixels
  int m_nModified = 0;    // not stored
  int m_nCurrentWidth = 1;
  CIDColorList m_idColors;
  // Set while the lines last imported came from map coordinates (converted
  // through the control points or the world file); cleared by an import of
  // pixel lines. Not stored.
  int m_nImportMark = 0;
  // The font and colour of the line IDs the view shows; none: the view's
  // own. Not stored.
  std::unique_ptr<LOGFONT> m_pIdFont;
  COLORREF m_idTextColor = RGB(0, 0, 0);

  CChainList() = default;
  ~CChainList() override;

  // Replaces the lines by copies of the source's (pen styles included); an
  // empty source empties this list. 0 when memory runs out (the copies made
  // so far stay). Sets modified.
  int CopyFrom(const CChainList& source);
  // Deletes every line; clears modified and polygons built.
  void DeleteAll();
  // Forgets every line without deleting it; clears modified. Returns 0.
  int DetachAll();

  // A new line of the current width and ID, coloured by that ID, appended.
  // Null when memory runs out.
  CChain* NewChain();
  // A line as NewChain makes it (the current width, ID and its colour), not
  // in the list.
  std::unique_ptr<CChain> MakeLine() const;
  // A new line with the attributes of the given one, no vertices, appended.
  CChain* AddCopy(const CChain* line);
  // Deletes the line at pos and returns its bounds; a null position does
  // nothing and returns an empty rectangle.
  RECT RemoveAt(POSITION pos);
  void DeleteChain(CChain* line);

  // Picking. Lines whose bounds meet the square of the hit tolerance around
  // p are measured; the nearest (integer distance, first on ties) wins.
  POSITION FindPosNear(const CFPoint& p);
  CChain* FindChainNear(const CFPoint& p);
  POSITION FindPosNearExcludingLayers(const CFPoint& p, const std::vector<int>& layers) const;
  CChain* FindChainNearExcludingLayers(const CFPoint& p, const std::vector<int>& layers) const;
  CChain* FindChainNearOther(const CFPoint& p, const CChain* other, int sameLayerOnly);
  // The line of the layer with an end nearest p (squared distance below
  // 999999), other than excluded.
  CChain* FindNearestEnd(const CFPoint& p, int layer, POSITION& pos, const CChain* excluded) const;
  CChain* FindNearestEndAnyLayer(const CFPoint& p, const CChain* excluded) const;
  int IsLayerEmpty(int layer) const;

  RECT GetBounds() const;
  CFRect GetExtent() const;
  // True when every vertex is a finite number within the int range (see
  // InPixelRange): what an import checks before it takes the lines.
  bool IsInPixelRange() const;
  // The number of lines; the mean vertex count in meanVertices.
  int GetStatistics(int& meanVertices) const;
  void RecalcBounds();

  // max(50, larger image side / 200).
  void SetTolerance(int imageWidth, int imageHeight);

  void Serialize(CArchive& ar) override;

  // ==== Operations over all lines, one layer or a rectangle ===============
  // An empty rectangle selects every line where stated, a non-empty one the
  // lines whose bounds meet it. Lines are visited in list order.
  // (chainlist_ops.cpp)
  void DeleteInRect(const RECT& rc);
  int DeleteByClosure(const RECT& rc, BOOL openLines, BOOL closedLines);
  void DeleteByIDRange(int low, int high);
  void DeleteSmallInRect(int low, int high, const RECT& rc, BOOL byVertexCount);
  // Lines shorter than minimum go to removed (borrowed) or are deleted.
  int DeleteByLength(double minimum, CObList* removed);
  // Deletes every line equal to a later one (hash index; same result as
  // comparing all pairs).
  int DeleteDuplicates();
  void DeleteNegativeWinding();
  int MoveInsideRect(const RECT& rc, CObList* destination, BOOL boundsOnly);
  int CollectInsideRect(const RECT& rc, CObList* destination) const;
  void MoveLayerTo(int layer, CObList* destination);
  int MoveLinesInBoxes(const RECT& rc, CObList* destination, CBoxList* boxes, BOOL flag);
  int ShrinkCrossMarks(const RECT& rc, CBoxList* marks);
  // The undo copies are made first; when one cannot be made nothing changes
  // and the result is 0.
  int InsertPointInRect(const RECT& rc, CChainList* undoCopies, CObList* changed, CObList* removed);
  int EraseVerticesInRect(const RECT& rc, CChainList* undoCopies, CObList* changed, CObList* removed);
  void TransformIDs(float a, float b);
  void SetIDInRect(float id, const RECT& rc);
  int AutoAssignIDs(int start, int step, BOOL unlabelledOnly);
  void SetAttributes(int layer, COLORREF color, int penStyle, const RECT& rc);
  void SetLayerColor(int layer, COLORREF color);
  void ApplyLayerColors(const CLayerList* layers, BOOL all);
  void ApplyIDColors(int layer);
  void ChangeLayer(int from, int to, COLORREF color, BOOL copy);
  void SmoothInRect(float threshold, const RECT& rc);
  // Vertex reduction of the lines (all, or those meeting the rectangle).
  void Smooth(float tolerance, const RECT& rc, IChainReducer& reducer);
  int SmoothBSplineAll(int k, int parameter);
  void ScaleAll(double originX, double originY, double factorX, double factorY);
  void FlipVertical(const RECT& rc);
  void FlipHorizontal(const RECT& rc);
  void Transpose();
  void CollectCrossingLines(CChainSelection* selection, float x1, float y1, float x2, float y2);

  // ---- joining and end snapping (linejoin.cpp) ----
  void JoinLines(int tolerance, int parameter);
  void SnapEndPoints(float tolerance);
  void SnapEndsToPoint(const CFPoint& point, float tolerance);
  void ClearMarks();
  void SnapLines(int tolerance);
  // FALSE for an empty list or when the lines do not make one closed line.
  BOOL JoinIntoOne(int tolerance, CChain* result);
  int SnapPolygons(int tolerance);

  // ---- labels and polygons (labelling.cpp) ----
  void ApplyNotesAsIDs(const CNoteList* notes);
  int LabelPolygons(const CPtList* points, BOOL closedOnly);
  // 0 when the builder fails; the layer's lines are then back in the source.
  int CreatePolygons(CChainList* source, float closingTolerance, BOOL keepUnclosed, int layer);

  // ---- line files (chainlist_files.cpp) ----
  // Writers take the export's map transform (model/maptransform.h) and never
  // change the lines nor their modified flag. They return 0 when a vertex
  // cannot be mapped; WriteGenerate, which opens its own file, also when the
  // file cannot be written, and leaves an existing file untouched then.
  int WriteGenerate(const std::string& path, BOOL integerIDs, const qzn::MapTransform& map = {}) const;
  int WriteDxf(CTextFileWriter& file, const qzn::MapTransform& map, BOOL is3D, const CLayerList* layers) const;
  // "x y ID" per vertex.
  int WriteXyz(CTextFileWriter& file, const qzn::MapTransform& map = {}) const;
  int WriteSdl(CTextFileWriter& file, const IAttributeLookup* attributes, const qzn::MapTransform& map = {}) const;
  // Readers map file coordinates to pixels: cx, cy coefficient rows (c0..c3)
  // of X and Y, type 3 affine, 4 bilinear.
  BOOL ReadLineFile(const std::string& path);
  BOOL ReadLineFileGeo(const std::string& path, const double* cx, const double* cy, int type);
  BOOL ReadLineFileTri(const std::string& path, const IMapTransform* mapper);
  // ==== end of the operations ==============================================

 private:
  POSITION FindNear(const CFPoint& p, const CChain* other, int sameLayerOnly, bool dropNulls);
};

}  // namespace qzn
