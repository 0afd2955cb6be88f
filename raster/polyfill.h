// Scanline rasterisation of closed polygons into an image, row by row with an
// edge table and an active-edge list (even-odd rule). Three uses share the
// walk: masking a 0/1 foreground mask by the region-of-interest polygons,
// erasing the regions the outline tracer has traced, and cropping an image to
// the polygons.
//
// Vertices are rounded to pixels ((int)(v + 0.5)). An edge covers the rows
// from its upper end up to, not including, its lower end, except on the last
// row of the walk (see CPolygonFiller::Walk); a row's spans pair the active
// edges in x order, each pair covering the columns (int)x of the first to
// (int)x of the second, inclusive, cut to the image.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "model/chain.h"
#include "model/fpoint.h"
#include "platform/wintypes.h"

namespace qzn {

class CRasterImage;

class CPolygonFiller {
 public:
  // One bucket per image row (pass the image height).
  explicit CPolygonFiller(int rows);
  ~CPolygonFiller();
  CPolygonFiller(const CPolygonFiller&) = delete;
  CPolygonFiller& operator=(const CPolygonFiller&) = delete;

  // Adds the edges of a closed ring of vertices (the last vertex joins the
  // first; a repeated first vertex at the end adds nothing). Pairs whose
  // rounded rows are equal add nothing. Edges above the image start at row 0
  // with x moved along them; edges starting below the last row are dropped.
  // Returns 1, or 0 when memory runs out (the edges added so far stay).
  int AddPolygon(std::span<const CFPoint> vertices);
  // A chain with more than 2 vertices: an open one is closed first by
  // appending its first vertex (the chain stays closed), then its edges are
  // added. Chains of 2 vertices or fewer add nothing (result 1).
  int AddChain(CChain& chain);
  // Every chain of a list of chain pointers walked with GetHeadPosition /
  // GetNext (the chain list and chain selections).
  template <class ChainList>
  int AddChains(ChainList& list) {
    for (auto pos = list.GetHeadPosition(); pos;) {
      CChain* chain = list.GetNext(pos);
      if (chain && !AddChain(*chain)) return 0;
    }
    return 1;
  }

  // Keeps the pixels inside the polygons of a 0/1 mask (plane 0, 1 or 8 bits)
  // and clears everything else.
  int MaskBilevel(CRasterImage& image);
  // ANDs the pixels inside the polygons (plane 0) with value; rows and
  // columns outside are left as they are. On 1-bit images only the lowest bit
  // of value counts (0 erases).
  int FillInside(CRasterImage& image, BYTE value);
  // Sets every pixel outside the polygons, in every plane, to the image's
  // white: 0 when photometric is 0, else 255 (all bits set), and for a
  // palette image the palette entry nearest to white. Drives the status
  // progress bar.
  int CropToPolygons(CRasterImage& image);

  // The walk leaves the edges as they were, so one filler serves any number
  // of operations.
  int GetRows() const { return m_rows; }
  std::int64_t GetEdgeCount() const { return static_cast<std::int64_t>(m_edges.size()); }

 private:
  struct Edge {
    std::int32_t yEnd;  // the larger row
    float x;            // x at the edge's first row
    float slope;        // change of x per row
    std::int32_t next;  // next edge of the bucket or the active list, -1 ends
  };
  enum class Mode { mask, fill, crop };
  // Calls row(y, spans) for every row the operation visits, spans holding
  // inclusive column pairs already cut to [0, width - 1] (empty for a row
  // with no span).
  template <class RowFn>
  void Walk(int height, int width, Mode mode, RowFn&& row);
  void AddEdge(float x0, int y0, float x1, int y1);

  int m_rows;
  std::vector<std::int32_t> m_buckets;  // first edge of each row's bucket, -1 when empty
  std::vector<Edge> m_edges;
  std::int32_t m_maxYEnd = 0;
};

}  // namespace qzn
