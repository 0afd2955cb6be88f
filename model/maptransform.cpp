#include "model/maptransform.h"

#include <cmath>

#include "model/writerlinks.h"

namespace qzn {

MapTransform MapTransform::Scaled(double scaleX, double scaleY, double offsetX, double offsetY) {
  MapTransform m;
  m.m_kind = Kind::scaled;
  m.m_x[0] = scaleX;
  m.m_x[1] = offsetX;
  m.m_y[0] = scaleY;
  m.m_y[1] = offsetY;
  return m;
}

MapTransform MapTransform::FlippedOver(const RECT& extent) {
  return Scaled(1.0, -1.0, 0.0, static_cast<double>(extent.top) + static_cast<double>(extent.bottom));
}

MapTransform MapTransform::PageSpace(const RECT& extent, double xres, double yres) {
  if (!(xres > 0.0) || !(yres > 0.0)) return FlippedOver(extent);
  const double axis = static_cast<double>(extent.top) + static_cast<double>(extent.bottom);
  return Scaled(1.0 / xres, -1.0 / yres, 0.0, axis / yres);
}

MapTransform MapTransform::Polynomial(const double* xRow, const double* yRow, int type) {
  MapTransform m;
  if (!xRow || !yRow || (type != kAffinePolynomial && type != kBilinearPolynomial)) return m;
  m.m_kind = Kind::polynomial;
  m.m_type = type;
  const int terms = type == kAffinePolynomial ? 3 : 4;
  for (int i = 0; i < 4; ++i) {
    m.m_x[i] = i < terms ? xRow[i] : 0.0;
    m.m_y[i] = i < terms ? yRow[i] : 0.0;
  }
  return m;
}

MapTransform MapTransform::Triangulation(const IMapTransform& triangles) {
  MapTransform m;
  m.m_kind = Kind::triangulation;
  m.m_tri = &triangles;
  return m;
}

bool MapTransform::Map(double x, double y, double& outX, double& outY) const {
  double X = x, Y = y;
  switch (m_kind) {
    case Kind::pixels: break;
    case Kind::scaled:
      X = m_x[1] + m_x[0] * x;
      Y = m_y[1] + m_y[0] * y;
      break;
    case Kind::polynomial: ApplyPolynomial(x, y, m_x, m_y, m_type, X, Y); break;
    case Kind::triangulation:
      if (!m_tri || !m_tri->TransformPoint(x, y, X, Y)) return false;
      break;
  }
  if (!std::isfinite(X) || !std::isfinite(Y)) return false;
  outX = X;
  outY = Y;
  return true;
}

bool MapTransform::MapPixel(int x, int y, double& outX, double& outY) const {
  if (m_kind != Kind::triangulation) return Map(static_cast<double>(x), static_cast<double>(y), outX, outY);
  double X = 0.0, Y = 0.0;
  if (!m_tri || !m_tri->TransformPixel(x, y, X, Y)) return false;
  if (!std::isfinite(X) || !std::isfinite(Y)) return false;
  outX = X;
  outY = Y;
  return true;
}

}  // namespace qzn
