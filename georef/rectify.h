// Rectification: warping an image into map space through its control
// points, either by the fitted bilinear polynomial or piecewise through the
// rubber-sheet triangulation. The new pixel grid is the map grid, one map
// unit a pixel, shifted to the mapped corners' minimum, rows running with map
// y; the control points' image side is rewritten for it.
//
// The resampling itself is raster/resample.h's WarpImage; this file only
// supplies the backward mapping (map to image) row by row.
#pragma once

#include <cstdint>
#include <vector>

#include "georef/controlpt.h"
#include "georef/triangle.h"
#include "raster/rasterimage.h"

namespace qzn {

// 1 when the image was replaced, else 0 with the image and the points as
// they were. Fewer than 4 points, a failed triangulation or a corner the
// triangulation cannot map give 0 silently; a polynomial fit that fails, a
// result narrower or lower than 10 pixels or one absurdly larger than the
// image show kBadWarpPoints; a block that cannot be had
// shows kNoSpaceForOperation.
int RectifyImage(CRasterImage* image, CControlPtList& points, int useTriangulation);

// Largest rectified image accepted, as a multiple of the source's pixels:
// a map unit far smaller than a pixel is a setting mistake, not a request
// for a picture of billions of pixels.
constexpr std::int64_t kRectifyMaxGrowth = 64;

// Point location in a triangle list by walking: the search starts at the
// triangle that held the previous point and crosses edges towards the new
// one, so scanning neighbouring pixels costs a step or two each. Mapping
// gives what CTriangleList::TransformPoint gives (on an edge shared by two
// triangles both give the same point); outside every triangle it defers to
// it (nearest centroid).
class CTriangleWalker {
 public:
  explicit CTriangleWalker(const CTriangleList& list);
  // 1 when mapped, 0 for an empty list.
  int Transform(double x, double y, double& outX, double& outY);

 private:
  int Locate(double x, double y);  // triangle index, -1 when outside all
  const CTriangleList& m_list;
  std::vector<const CTriangle*> m_tris;
  std::vector<int> m_adjacent;  // 3 per triangle: across edge k (v[k], v[k+1]); -1 none
  int m_current = 0;
};

}  // namespace qzn
