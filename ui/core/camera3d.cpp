#include "ui/core/camera3d.h"

#include <cmath>
#include <numbers>

namespace qzn {

namespace {

double& At(CMatrix4& m, int row, int column) { return m[static_cast<std::size_t>(column * 4 + row)]; }
double At(const CMatrix4& m, int row, int column) { return m[static_cast<std::size_t>(column * 4 + row)]; }

// m x (x, y, z, w).
std::array<double, 4> Transform(const CMatrix4& m, const std::array<double, 4>& v) {
  std::array<double, 4> out{};
  for (int i = 0; i < 4; ++i)
    out[static_cast<std::size_t>(i)] =
        At(m, i, 0) * v[0] + At(m, i, 1) * v[1] + At(m, i, 2) * v[2] + At(m, i, 3) * v[3];
  return out;
}

}  // namespace

CMatrix4 IdentityMatrix() {
  CMatrix4 m{};
  m[0] = m[5] = m[10] = m[15] = 1.0;
  return m;
}

CMatrix4 MultiplyMatrix(const CMatrix4& a, const CMatrix4& b) {
  CMatrix4 out{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0.0;
      for (int k = 0; k < 4; ++k) s += At(a, i, k) * At(b, k, j);
      At(out, i, j) = s;
    }
  return out;
}

CMatrix4 OrthoMatrix(double l, double r, double b, double t, double n, double f) {
  CMatrix4 m = IdentityMatrix();
  At(m, 0, 0) = 2.0 / (r - l);
  At(m, 1, 1) = 2.0 / (t - b);
  At(m, 2, 2) = -2.0 / (f - n);
  At(m, 0, 3) = -(r + l) / (r - l);
  At(m, 1, 3) = -(t + b) / (t - b);
  At(m, 2, 3) = -(f + n) / (f - n);
  return m;
}

CMatrix4 TranslationMatrix(double x, double y, double z) {
  CMatrix4 m = IdentityMatrix();
  At(m, 0, 3) = x;
  At(m, 1, 3) = y;
  At(m, 2, 3) = z;
  return m;
}

CMatrix4 RotationMatrix(double degrees, double x, double y, double z) {
  const double len = std::sqrt(x * x + y * y + z * z);
  if (!(len > 0.0)) return IdentityMatrix();
  x /= len, y /= len, z /= len;
  const double a = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a), k = 1.0 - c;
  CMatrix4 m = IdentityMatrix();
  At(m, 0, 0) = x * x * k + c;
  At(m, 0, 1) = x * y * k - z * s;
  At(m, 0, 2) = x * z * k + y * s;
  At(m, 1, 0) = y * x * k + z * s;
  At(m, 1, 1) = y * y * k + c;
  At(m, 1, 2) = y * z * k - x * s;
  At(m, 2, 0) = x * z * k - y * s;
  At(m, 2, 1) = y * z * k + x * s;
  At(m, 2, 2) = z * z * k + c;
  return m;
}

bool InvertMatrix(const CMatrix4& m, CMatrix4& inverse) {
  // Gauss-Jordan with partial pivoting on [m | I].
  double a[4][8];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      a[i][j] = At(m, i, j);
      a[i][j + 4] = i == j ? 1.0 : 0.0;
    }
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    if (!(std::fabs(a[pivot][col]) > 0.0)) return false;
    if (pivot != col)
      for (int j = 0; j < 8; ++j) std::swap(a[pivot][j], a[col][j]);
    const double d = a[col][col];
    for (int j = 0; j < 8; ++j) a[col][j] /= d;
    for (int r = 0; r < 4; ++r) {
      if (r == col || a[r][col] == 0.0) continue;
      const double f = a[r][col];
      for (int j = 0; j < 8; ++j) a[r][j] -= f * a[col][j];
    }
  }
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) At(inverse, i, j) = a[i][j + 4];
  return true;
}

bool ProjectPoint(const CPoint3& p, const CMatrix4& modelView, const CMatrix4& projection, const CViewport& vp,
                  CPoint3& window) {
  const auto clip = Transform(MultiplyMatrix(projection, modelView), {p.x, p.y, p.z, 1.0});
  if (clip[3] == 0.0) return false;
  const double nx = clip[0] / clip[3], ny = clip[1] / clip[3], nz = clip[2] / clip[3];
  window.x = vp[0] + (nx + 1.0) * vp[2] / 2.0;
  window.y = vp[1] + (ny + 1.0) * vp[3] / 2.0;
  window.z = (nz + 1.0) / 2.0;
  return true;
}

bool UnProjectPoint(const CPoint3& w, const CMatrix4& modelView, const CMatrix4& projection, const CViewport& vp,
                    CPoint3& model) {
  if (vp[2] == 0 || vp[3] == 0) return false;
  CMatrix4 inverse;
  if (!InvertMatrix(MultiplyMatrix(projection, modelView), inverse)) return false;
  const std::array<double, 4> ndc{(w.x - vp[0]) * 2.0 / vp[2] - 1.0, (w.y - vp[1]) * 2.0 / vp[3] - 1.0, w.z * 2.0 - 1.0,
                                  1.0};
  const auto out = Transform(inverse, ndc);
  if (out[3] == 0.0) return false;
  model = CPoint3{out[0] / out[3], out[1] / out[3], out[2] / out[3]};
  return true;
}

}  // namespace qzn
