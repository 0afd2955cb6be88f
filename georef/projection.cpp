#include "georef/projection.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>

namespace qzn {

namespace {

// e² of an ellipsoid given by its inverse flattening: f (2 - f).
constexpr double EsFromInverseFlattening(double rf) { return (2.0 - 1.0 / rf) / rf; }
// e² of an ellipsoid given by its two axes: 1 - (b / a)².
constexpr double EsFromAxes(double a, double b) { return 1.0 - (b / a) * (b / a); }

}  // namespace

// Each row from the defining figures its geodetic authority publishes (the
// semi-major axis and the inverse flattening, or both axes), in full: rounded
// to whole metres or a few digits they would move coordinates by decimetres
// against every other program. Clarke 1880 is the "Arc" figure of the
// African datums, whose flattening its e² has always had.
const Ellipsoid g_ellipsoids[ELLIPSOID_COUNT] = {
    {-1, "Placeholder", 0, 0},
    {1, "Airy", 6377563.396, EsFromInverseFlattening(299.3249646)},
    {2, "Australian National", 6378160, EsFromInverseFlattening(298.25)},
    {3, "Bessel 1841", 6377397.155, EsFromInverseFlattening(299.1528128)},
    {4, "Bessel 1841 (Nambia) ", 6377483.865, EsFromInverseFlattening(299.1528128)},
    {5, "Clarke 1866", 6378206.4, EsFromAxes(6378206.4, 6356583.8)},
    {6, "Clarke 1880", 6378249.145, EsFromInverseFlattening(293.4663077)},
    {7, "Everest", 6377276.345, EsFromInverseFlattening(300.8017)},
    {8, "Fischer 1960 (Mercury) ", 6378166, EsFromInverseFlattening(298.3)},
    {9, "Fischer 1968", 6378150, EsFromInverseFlattening(298.3)},
    {10, "GRS 1967", 6378160, EsFromInverseFlattening(298.247167427)},
    {11, "GRS 1980", 6378137, EsFromInverseFlattening(298.257222101)},
    {12, "Helmert 1906", 6378200, EsFromInverseFlattening(298.3)},
    {13, "Hough", 6378270, EsFromInverseFlattening(297.0)},
    {14, "International", 6378388, EsFromInverseFlattening(297.0)},
    {15, "Krassovsky", 6378245, EsFromInverseFlattening(298.3)},
    {16, "Modified Airy", 6377340.189, EsFromInverseFlattening(299.3249646)},
    {17, "Modified Everest", 6377304.063, EsFromInverseFlattening(300.8017)},
    {18, "Modified Fischer 1960", 6378155, EsFromInverseFlattening(298.3)},
    {19, "South American 1969", 6378160, EsFromInverseFlattening(298.25)},
    {20, "WGS 60", 6378165, EsFromInverseFlattening(298.3)},
    {21, "WGS 66", 6378145, EsFromInverseFlattening(298.25)},
    {22, "WGS-72", 6378135, EsFromInverseFlattening(298.26)},
    {23, "WGS-84", 6378137, EsFromInverseFlattening(298.257223563)},
};

int FindEllipsoidByName(const std::string& text) {
  int best = 0;
  std::size_t bestLength = 0;
  for (int row = 1; row < ELLIPSOID_COUNT; ++row) {
    std::string name = g_ellipsoids[row].name;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.size() > bestLength && text.find(name) != std::string::npos) {
      best = row;
      bestLength = name.size();
    }
  }
  return best;
}

void SinCos(double angle, double& sine, double& cosine) {
  sine = std::sin(angle);
  cosine = std::cos(angle);
}

double asinz(double value) {
  if (std::fabs(value) > 1.0) value = value > 1.0 ? 1.0 : -1.0;
  return std::asin(value);
}

double msfnz(double e, double sinphi, double cosphi) {
  const double con = e * sinphi;
  return cosphi / std::sqrt(1.0 - con * con);
}

double tsfnz(double e, double phi, double sinphi) {
  const double con = e * sinphi;
  const double com = 0.5 * e;
  return std::tan(0.5 * (HALF_PI - phi)) / std::pow((1.0 - con) / (1.0 + con), com);
}

double phi2z(double e, double t, int& flag) {
  flag = 0;
  const double eccnth = 0.5 * e;
  double phi = HALF_PI - 2.0 * std::atan(t);
  for (int i = 0; i < 16; ++i) {
    const double con = e * std::sin(phi);
    const double dphi = HALF_PI - 2.0 * std::atan(t * std::pow((1.0 - con) / (1.0 + con), eccnth)) - phi;
    phi += dphi;
    if (std::fabs(dphi) <= 1e-10) return phi;
  }
  flag = PROJ_ERR_PHI2Z;
  return PROJ_ERR_PHI2Z;
}

int phi4z(double eccent, double e0, double e1, double e2, double e3, double a, double b, double& c, double& phi) {
  phi = a;
  for (int i = 0; i < 15; ++i) {
    const double sinphi = std::sin(phi);
    const double tanphi = std::tan(phi);
    c = tanphi * std::sqrt(1.0 - eccent * sinphi * sinphi);
    const double sin2ph = std::sin(2.0 * phi);
    const double ml = e0 * phi - e1 * sin2ph + e2 * std::sin(4.0 * phi) - e3 * std::sin(6.0 * phi);
    const double mlp =
        e0 - 2.0 * e1 * std::cos(2.0 * phi) + 4.0 * e2 * std::cos(4.0 * phi) - 6.0 * e3 * std::cos(6.0 * phi);
    const double con1 = 2.0 * ml + c * (ml * ml + b) - 2.0 * a * (c * ml + 1.0);
    const double con2 = eccent * sin2ph * (ml * ml + b - 2.0 * a * ml) / (2.0 * c);
    const double con3 = 2.0 * (a - ml) * (c * mlp - 2.0 / sin2ph) - 2.0 * mlp;
    const double dphi = con1 / (con2 + con3);
    phi += dphi;
    if (std::fabs(dphi) <= 1e-10) return 0;
  }
  return PROJ_ERR_PHI4Z;
}

double e0fn(double x) { return 1.0 - 0.25 * x * (1.0 + x / 16.0 * (3.0 + 1.25 * x)); }
double e1fn(double x) { return 0.375 * x * (1.0 + 0.25 * x * (1.0 + 0.46875 * x)); }
double e2fn(double x) { return 0.05859375 * x * x * (1.0 + 0.75 * x); }
double e3fn(double x) { return x * x * x * (35.0 / 3072.0); }

double mlfn(double e0, double e1, double e2, double e3, double phi) {
  return e0 * phi - e1 * std::sin(2.0 * phi) + e2 * std::sin(4.0 * phi) - e3 * std::sin(6.0 * phi);
}

double sign(double x) { return x < 0.0 ? -1.0 : 1.0; }

double adjust_lon(double x) {
  if (!(std::fabs(x) > PI)) return x;  // in range, or NaN
  if (!std::isfinite(x)) return x;
  // The IEEE remainder is exact and lands in [-pi, pi] for any finite value.
  return std::remainder(x, TWO_PI);
}

double AltPackedDmsToPacked(double value) {
  double c = std::fabs(value);
  const double degrees = std::trunc(c / 10000.0 + 0.001);
  c -= degrees * 10000.0;
  const double minutes = std::trunc(c / 100.0 + 0.001);
  const double seconds = c - minutes * 100.0;
  const double packed = degrees * 1000000.0 + minutes * 1000.0 + seconds;
  return value < 0.0 ? -packed : packed;
}

double PackedDmsToDegrees(double value, int& error) {
  error = 0;
  double s = std::fabs(value);
  if (!std::isfinite(s)) {
    error = PROJ_ERR_PACKED_ANGLE;
    return 0.0;
  }
  const double degrees = std::trunc(s / 1000000.0);
  s -= degrees * 1000000.0;
  const double minutes = std::trunc(s / 1000.0);
  s -= minutes * 1000.0;
  if (degrees > 360.0 || minutes > 60.0 || s > 60.0) {
    error = PROJ_ERR_PACKED_ANGLE;
    return 0.0;
  }
  const double result = (degrees * 3600.0 + minutes * 60.0 + s) / 3600.0;
  return value < 0.0 ? -result : result;
}

// ---------------------------------------------------------------------------
// Transverse Mercator (Krueger's series; see C. F. F. Karney, "Transverse
// Mercator with an accuracy of a few nanometers", J. Geodesy 85 (2011)).

namespace {

// Conformal latitude: tan(chi) from tan(phi).
double TaupFromTau(double tau, double e) {
  const double tau1 = std::sqrt(1.0 + tau * tau);
  const double sig = std::sinh(e * std::atanh(e * tau / tau1));
  return tau * std::sqrt(1.0 + sig * sig) - sig * tau1;
}

// Sum of c[k] sin(2(k+1) z) over the six terms, for z = xi + i eta, by
// Clenshaw's recurrence; sin 2z and cos 2z from one sincos and one exp.
std::complex<double> SinSeries(const double (&c)[6], double xi, double eta) {
  const double s = std::sin(2.0 * xi), co = std::cos(2.0 * xi);
  const double ex = std::exp(2.0 * eta);
  const double ch = 0.5 * (ex + 1.0 / ex), sh = 0.5 * (ex - 1.0 / ex);
  const std::complex<double> s2(s * ch, co * sh);
  const std::complex<double> twoCos2(2.0 * co * ch, -2.0 * s * sh);
  std::complex<double> b1 = 0.0, b2 = 0.0;
  for (int k = 5; k >= 0; --k) {
    const std::complex<double> b = c[k] + twoCos2 * b1 - b2;
    b2 = b1;
    b1 = b;
  }
  return b1 * s2;
}

}  // namespace

void CTransverseMercator::Setup(double a, double eccSquared, double k0, double lon0, double lat0, double falseEasting,
                                double falseNorthing) {
  m_es = eccSquared;
  m_e = std::sqrt(eccSquared);
  const double f = 1.0 - std::sqrt(1.0 - eccSquared);
  const double n = f / (2.0 - f);
  const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n, n6 = n5 * n;
  m_kA = k0 * a / (1.0 + n) * (1.0 + n2 / 4.0 + n4 / 64.0 + n6 / 256.0);
  m_alpha[0] = n / 2 - 2 * n2 / 3 + 5 * n3 / 16 + 41 * n4 / 180 - 127 * n5 / 288 + 7891 * n6 / 37800;
  m_alpha[1] = 13 * n2 / 48 - 3 * n3 / 5 + 557 * n4 / 1440 + 281 * n5 / 630 - 1983433 * n6 / 1935360;
  m_alpha[2] = 61 * n3 / 240 - 103 * n4 / 140 + 15061 * n5 / 26880 + 167603 * n6 / 181440;
  m_alpha[3] = 49561 * n4 / 161280 - 179 * n5 / 168 + 6601661 * n6 / 7257600;
  m_alpha[4] = 34729 * n5 / 80640 - 3418889 * n6 / 1995840;
  m_alpha[5] = 212378941 * n6 / 319334400;
  m_beta[0] = n / 2 - 2 * n2 / 3 + 37 * n3 / 96 - n4 / 360 - 81 * n5 / 512 + 96199 * n6 / 604800;
  m_beta[1] = n2 / 48 + n3 / 15 - 437 * n4 / 1440 + 46 * n5 / 105 - 1118711 * n6 / 3870720;
  m_beta[2] = 17 * n3 / 480 - 37 * n4 / 840 - 209 * n5 / 4480 + 5569 * n6 / 90720;
  m_beta[3] = 4397 * n4 / 161280 - 11 * n5 / 504 - 830251 * n6 / 7257600;
  m_beta[4] = 4583 * n5 / 161280 - 108847 * n6 / 3991680;
  m_beta[5] = 20648693 * n6 / 638668800;
  m_lon0 = lon0;
  m_fe = falseEasting;
  m_fn = falseNorthing;
  // Northing of the latitude of origin on the central meridian.
  const double xip = std::atan(TaupFromTau(std::tan(lat0), m_e));
  m_y0 = m_kA * (xip + SinSeries(m_alpha, xip, 0.0).real());
}

int CTransverseMercator::Forward(double lon, double lat, double& x, double& y) const {
  if (!std::isfinite(lon) || !std::isfinite(lat) || std::fabs(lat) > HALF_PI) return PROJ_ERR_COORDINATE;
  const double lam = adjust_lon(lon - m_lon0);
  // Beyond a quarter turn from the central meridian the projection runs off
  // to infinity along the equator and folds back elsewhere.
  if (std::fabs(lam) > HALF_PI) return PROJ_ERR_TM_INFINITE;
  // On the equator a quarter turn away the image is at infinity.
  if (std::fabs(std::fabs(std::cos(lat) * std::sin(lam)) - 1.0) < 1e-10) return PROJ_ERR_TM_INFINITE;
  const double taup = TaupFromTau(std::tan(lat), m_e);
  const double coslam = std::cos(lam);
  const double xip = std::atan2(taup, coslam);
  const double etap = std::asinh(std::sin(lam) / std::sqrt(taup * taup + coslam * coslam));
  if (!std::isfinite(etap)) return PROJ_ERR_TM_INFINITE;
  const std::complex<double> z = std::complex<double>(xip, etap) + SinSeries(m_alpha, xip, etap);
  if (!std::isfinite(z.real()) || !std::isfinite(z.imag())) return PROJ_ERR_TM_INFINITE;
  x = m_fe + m_kA * z.imag();
  y = m_fn + m_kA * z.real() - m_y0;
  return PROJ_OK;
}

int CTransverseMercator::Inverse(double x, double y, double& lon, double& lat) const {
  if (!std::isfinite(x) || !std::isfinite(y)) return PROJ_ERR_COORDINATE;
  const double xi = (y - m_fn + m_y0) / m_kA, eta = (x - m_fe) / m_kA;
  const std::complex<double> zp = std::complex<double>(xi, eta) - SinSeries(m_beta, xi, eta);
  const double xip = zp.real(), etap = zp.imag();
  const double s = std::sinh(etap), c = std::cos(xip);
  const double r = std::sqrt(s * s + c * c);
  if (!std::isfinite(r)) return PROJ_ERR_COORDINATE;
  if (r == 0.0) {
    lat = xip < 0 ? -HALF_PI : HALF_PI;
    lon = m_lon0;
    return PROJ_OK;
  }
  const double taup = std::sin(xip) / r;
  // Newton's method for tan(phi) from tan(chi).
  const double e2m = 1.0 - m_es;
  double tau = taup / e2m;
  bool converged = false;
  for (int i = 0; i < 10 && !converged; ++i) {
    const double taupa = TaupFromTau(tau, m_e);
    const double dtau =
        (taup - taupa) * (1.0 + e2m * tau * tau) / (e2m * std::sqrt((1.0 + tau * tau) * (1.0 + taupa * taupa)));
    tau += dtau;
    converged = std::fabs(dtau) <= 1e-14 * std::max(1.0, std::fabs(tau));
  }
  if (!converged || !std::isfinite(tau)) return PROJ_ERR_TM_LATITUDE;
  lat = std::atan(tau);
  lon = adjust_lon(m_lon0 + std::atan2(s, c));
  return PROJ_OK;
}

}  // namespace qzn
