// What the writers and readers of the data model need from the
// georeferencing and from the attribute table. Both live in libraries built
// on top of the data model (the triangulation with the control points, the
// attribute table with the exchange formats), so the data model names only
// these small interfaces, which those libraries implement.
#pragma once

#include <string>

namespace qzn {

// A transform that may be unavailable: the control-point triangulation
// (CTriangleList), whose direction (image to map or back) was fixed when it
// was built.
class IMapTransform {
 public:
  virtual ~IMapTransform() = default;
  // 1 with the mapped point, or 0 when no transform is available (the
  // outputs are then untouched).
  virtual int TransformPoint(double x, double y, double& outX, double& outY) const = 0;
  virtual int TransformPixel(int x, int y, double& outX, double& outY) const = 0;
};

// The control-point polynomial on coefficient rows c (x) and d (y): type 3
// (affine) X = c0 x + c1 y + c2, type 4 (bilinear) X = c0 x + c1 y + c2 x y +
// c3, Y alike with d. False, outputs untouched, for any other type or a
// missing row.
bool ApplyPolynomial(double x, double y, const double* c, const double* d, int type, double& X, double& Y);

// The attribute table of the exports: the two texts kept for an ID.
class IAttributeLookup {
 public:
  virtual ~IAttributeLookup() = default;
  // True with both texts when the table has a record for the ID.
  virtual bool FindTexts(int id, std::string& first, std::string& second) const = 0;
};

}  // namespace qzn
