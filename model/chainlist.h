// The container of vector lines. The workspace owns three: the lines shown,
// the lines on hidden layers and the region-of-interest polygons. The same
// class serves as a short-lived list of borrowed lines inside one operation;
// such a list is emptied with DetachAll before it dies, because destroying a
// list deletes the lines it still holds.
//
// Beside the lines the list keeps what new lines get (current ID, its
// increment and auto-increment switch, current width), the hit tolerance of
// mouse picking, a modified flag, a polygons-built flag and the ID colour
// table.
#pragma once

#include <cstdint>
#include <vector>

#include "model/chain.h"
#include "model/fpoint.h"
#include "model/idcolor.h"
#include "model/ptrlist.h"
#include "platform/archive.h"

// Borrowed lines: the change and removal lists of the list operations.
using CChainPtrList = CPtrListT<CChain*>;

class CChainList : public CObject, public CChainPtrList {
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
  // A new line with the attributes of the given one, no vertices, appended.
  CChain* AddCopy(const CChain* line);
  // Deletes the line at pos and returns its bounds; a null position does
  // nothing and returns an empty rectangle. (CChainPtrList::RemoveAt only
  // forgets the pointer.)
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
  // The number of lines; the mean vertex count in meanVertices.
  int GetStatistics(int& meanVertices) const;
  void RecalcBounds();

  // max(50, larger image side / 200).
  void SetTolerance(int imageWidth, int imageHeight);

  void Serialize(CArchive& ar) override;

 private:
  POSITION FindNear(const CFPoint& p, const CChain* other, int sameLayerOnly, bool dropNulls);
};
