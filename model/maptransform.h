// How the writers turn the image pixels of lines, points and notes (x to the
// right, y down) into the coordinates of a file. One small value says which
// conversion an export chose and is handed to every writer:
//
//   pixels         as stored;
//   scaled         x' = offsetX + scaleX x, y' = offsetY + scaleY y: pixels
//                  flipped over the image extent (y grows upwards and stays
//                  in the extent's range), or page units from the image's
//                  resolution;
//   polynomial     the control-point fit or a world file: affine (three
//                  terms a row) or bilinear (four terms), PolynomialForm;
//   triangulation  the affine map of the control-point triangle holding the
//                  point (borrowed; it must outlive every copy of the value).
//
// Everything is computed in double: map coordinates such as UTM northings
// lose their decimals in float. A point the conversion cannot map (an empty
// triangulation) or that maps to a value that is not a finite number fails,
// and the writer then fails the export rather than writing a wrong file.
#pragma once

#include "model/fpoint.h"
#include "platform/wintypes.h"

namespace qzn {

class IMapTransform;

// The control-point polynomials by their terms a row, the type the fits, the
// world file and the writers pass: affine X = c0 x + c1 y + c2, bilinear
// X = c0 x + c1 y + c2 x y + c3 (Y alike).
enum PolynomialForm : int { kAffinePolynomial = 3, kBilinearPolynomial = 4 };

// The way a fitted transform goes: image pixels to map coordinates (the
// exports, the status bar) or map coordinates to pixels (the imports).
enum TransformDirection : int { kImageToMap = 0, kMapToImage = 1 };

// The georeferences a workspace can have, numbered as the georeferenced
// import is asked for one and as the project file keeps the export dialogs'
// last choice: none (-1), the bilinear fit of the control points, their
// triangulation, the world file.
enum class GeorefKind : int { none = -1, bilinear = 0, triangulation = 1, worldFile = 2 };

class MapTransform {
 public:
  enum class Kind { pixels, scaled, polynomial, triangulation };

  MapTransform() = default;  // pixels as stored

  static MapTransform Pixels() { return MapTransform(); }
  static MapTransform Scaled(double scaleX, double scaleY, double offsetX, double offsetY);
  // y' = top + bottom - y, x unchanged.
  static MapTransform FlippedOver(const RECT& extent);
  // Page units: x / xres, (top + bottom - y) / yres; pixels flipped over the
  // extent unless both resolutions are greater than 0.
  static MapTransform PageSpace(const RECT& extent, double xres, double yres);
  // Rows of four doubles (affine reads the first three of each). Any other
  // type, or a missing row, gives pixels.
  static MapTransform Polynomial(const double* xRow, const double* yRow, int type);
  static MapTransform Triangulation(const IMapTransform& triangles);
  // The triangulation is borrowed: a temporary would be gone before use.
  static MapTransform Triangulation(const IMapTransform&& triangles) = delete;

  Kind GetKind() const { return m_kind; }
  // Pixels exactly as stored.
  bool IsPixels() const { return m_kind == Kind::pixels; }
  // Map coordinates through the control points or the world file.
  bool IsGeoreferenced() const { return m_kind == Kind::polynomial || m_kind == Kind::triangulation; }
  // The PolynomialForm of a polynomial, else 0; its rows (four doubles each).
  int PolynomialType() const { return m_kind == Kind::polynomial ? m_type : 0; }
  const double* XRow() const { return m_x; }
  const double* YRow() const { return m_y; }

  // The file coordinates of a point; false when it cannot be mapped (the
  // outputs are then untouched).
  bool Map(double x, double y, double& outX, double& outY) const;
  bool Map(const CFPoint& p, double& outX, double& outY) const { return Map(p.x, p.y, outX, outY); }
  // The same for an integer position (rectangle corners); the triangulation
  // has its own form for whole pixels.
  bool MapPixel(int x, int y, double& outX, double& outY) const;

 private:
  Kind m_kind = Kind::pixels;
  // scaled: {scaleX, offsetX} and {scaleY, offsetY}; polynomial: the rows.
  double m_x[4] = {1.0, 0.0, 0.0, 0.0};
  double m_y[4] = {0.0, 1.0, 0.0, 0.0};
  int m_type = 0;
  const IMapTransform* m_tri = nullptr;
};

}  // namespace qzn
