// Imaging library: least-squares fit of the affine and bilinear transforms
// between control points.
#include <cmath>
#include <vector>

#include "raster/imaging.h"

namespace qzn {

// The fit is done on centred and scaled source coordinates u = (x - mx) / s,
// v = (y - my) / s, which keeps the normal scale of map coordinates (UTM
// metres, say) from ruining the conditioning, and solved by Householder QR
// in double. The coefficients are then expanded back to the raw x and y:
// with a + b u + c v + d u v,
//   c0 = b / s - d my / s^2, c1 = c / s - d mx / s^2, c2 = d / s^2,
//   c3 = a - b mx / s - c my / s + d mx my / s^2.
// A rank-deficient design (all points on a line, or too few distinct points)
// is reported as a failure rather than a wild fit.
int GetTransform(const double* pairs, int count, double* xRow, double* yRow, int* terms) {
  if (!pairs || !xRow || !yRow || !terms) return 0;
  const int t = *terms;
  if (t != 3 && t != 4) return 0;
  if (count < t) return 0;
  const std::size_t n = static_cast<std::size_t>(count);
  double mx = 0, my = 0;
  for (std::size_t i = 0; i < n; ++i) {
    mx += pairs[4 * i];
    my += pairs[4 * i + 2];
  }
  mx /= count;
  my /= count;
  double sc = 0;
  for (std::size_t i = 0; i < n; ++i)
    sc = std::max({sc, std::fabs(pairs[4 * i] - mx), std::fabs(pairs[4 * i + 2] - my)});
  if (!(sc > 0) || !std::isfinite(sc)) return 0;

  // Design matrix A (n x t, column-major) with columns 1, u, v[, u v], and the
  // two right-hand sides.
  std::vector<double> A(n * static_cast<std::size_t>(t)), bx(n), by(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double u = (pairs[4 * i] - mx) / sc, v = (pairs[4 * i + 2] - my) / sc;
    A[i] = 1;
    A[n + i] = u;
    A[2 * n + i] = v;
    if (t == 4) A[3 * n + i] = u * v;
    bx[i] = pairs[4 * i + 1];
    by[i] = pairs[4 * i + 3];
  }
  auto col = [&](int j) { return A.data() + n * static_cast<std::size_t>(j); };
  std::vector<double> diag(static_cast<std::size_t>(t));
  for (int j = 0; j < t; ++j) {
    double* a = col(j);
    double norm = 0;
    for (std::size_t i = static_cast<std::size_t>(j); i < n; ++i) norm += a[i] * a[i];
    norm = std::sqrt(norm);
    if (norm == 0) return 0;
    const double alpha = a[j] > 0 ? -norm : norm;
    // Householder vector in a[j..n), v = a - alpha e_j.
    a[j] -= alpha;
    double vnorm2 = 0;
    for (std::size_t i = static_cast<std::size_t>(j); i < n; ++i) vnorm2 += a[i] * a[i];
    auto reflect = [&](double* c) {
      if (vnorm2 == 0) return;
      double dot = 0;
      for (std::size_t i = static_cast<std::size_t>(j); i < n; ++i) dot += a[i] * c[i];
      const double f = 2 * dot / vnorm2;
      for (std::size_t i = static_cast<std::size_t>(j); i < n; ++i) c[i] -= f * a[i];
    };
    for (int k = j + 1; k < t; ++k) reflect(col(k));
    reflect(bx.data());
    reflect(by.data());
    diag[static_cast<std::size_t>(j)] = alpha;
  }
  // Rank check on R's diagonal, relative to its largest entry (the columns
  // are of order sqrt(n) after scaling).
  double dmax = 0;
  for (double d : diag) dmax = std::max(dmax, std::fabs(d));
  for (double d : diag)
    if (std::fabs(d) <= 1e-10 * dmax) return 0;
  auto solve = [&](const std::vector<double>& b, double* p) {
    for (int j = t - 1; j >= 0; --j) {
      double s = b[static_cast<std::size_t>(j)];
      for (int k = j + 1; k < t; ++k) s -= col(k)[j] * p[k];
      p[j] = s / diag[static_cast<std::size_t>(j)];
    }
  };
  double px[4] = {}, py[4] = {};
  solve(bx, px);
  solve(by, py);
  auto expand = [&](const double* p, double* row) {
    const double a = p[0], b = p[1], c = p[2], d = t == 4 ? p[3] : 0;
    const double s2 = sc * sc;
    if (t == 3) {
      row[0] = b / sc;
      row[1] = c / sc;
      row[2] = a - b * mx / sc - c * my / sc;
    } else {
      row[0] = b / sc - d * my / s2;
      row[1] = c / sc - d * mx / s2;
      row[2] = d / s2;
      row[3] = a - b * mx / sc - c * my / sc + d * mx * my / s2;
    }
  };
  expand(px, xRow);
  expand(py, yRow);
  for (int j = 0; j < t; ++j)
    if (!std::isfinite(xRow[j]) || !std::isfinite(yRow[j])) return 0;
  *terms = t;
  return 1;
}

}  // namespace qzn
