#include "georef/stateplane.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <initializer_list>

#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_georef.h"

namespace qzn {

namespace {

int Report(const char* text, int code) {
  AfxMessageBox(text, MB_OK);
  return code;
}

// The transverse Mercator engine reports without messages; the State Plane
// converter shows them for its callers.
int ReportTm(int code) {
  if (code == PROJ_ERR_TM_INFINITE) return Report(res::text::kStatePlaneInfinite, code);
  if (code == PROJ_ERR_TM_LATITUDE) return Report(res::text::kStatePlaneLatitude, code);
  return code;
}

bool ValidGeographic(double lon, double lat) {
  return std::isfinite(lon) && std::isfinite(lat) && std::fabs(lat) <= HALF_PI * (1.0 + 1e-15);
}

// A packed DDDMMSS.SS angle of the tables to radians.
int TableAngle(double altPacked, double& radians) {
  int error = 0;
  const double degrees = PackedDmsToDegrees(AltPackedDmsToPacked(altPacked), error);
  if (error != 0) return error;
  radians = degrees * DEG_TO_RAD;
  return 0;
}

}  // namespace

std::string StatePlaneDisplayText(const StatePlaneZone& zone) {
  return std::string(zone.name) + " - " + std::to_string(zone.code);
}

int CStatePlane::ListZoneNames(std::vector<std::string>& names) {
  names.assign(STATE_PLANE_ZONE_COUNT, std::string());
  for (int i = 0; i < STATE_PLANE_ZONE_COUNT; ++i) names[i] = StatePlaneDisplayText(g_statePlaneNad83[i]);
  return 1;
}

int CStatePlane::FindZone(const std::string& text) {
  for (int i = 0; i < STATE_PLANE_ZONE_COUNT; ++i)
    if (text.find(StatePlaneDisplayText(g_statePlaneNad83[i])) != std::string::npos) return i;
  return 0;
}

void CStatePlane::Clear() {
  m_zone = StatePlaneZone{"", 0, 0, {}};
  m_ready = false;
}

int CStatePlane::SetZone(int nad83, const std::string& zoneText, int direction) {
  const std::string text = Upper(zoneText);
  m_nad83 = nad83;
  Clear();
  const StatePlaneZone* table = nad83 ? g_statePlaneNad83 : g_statePlaneNad27;
  const StatePlaneZone* found = nullptr;
  for (int i = 0; i < STATE_PLANE_ZONE_COUNT && found == nullptr; ++i)
    if (text.find(StatePlaneDisplayText(table[i])) != std::string::npos) found = &table[i];
  if (found == nullptr) return PROJ_NO_ZONE;
  m_zone = *found;
  if (m_zone.type <= 0 || m_zone.type > 4) return PROJ_NO_ZONE;

  const double* p = m_zone.p;
  m_a = p[0];
  m_b = m_a * std::sqrt(1.0 - p[1]);
  m_es = 1.0 - (m_b / m_a) * (m_b / m_a);
  m_e = std::sqrt(m_es);
  double angle[3] = {0, 0, 0};
  int rc = PROJ_OK;
  auto angles = [&](std::initializer_list<double> packed) {
    int k = 0;
    for (double v : packed) {
      const int err = TableAngle(v, angle[k++]);
      if (err != 0) return err;
    }
    return 0;
  };
  int err = 0;
  switch (m_zone.type) {
    case 1:
      if ((err = angles({p[2], p[6]})) != 0) return err;
      m_k0 = p[3];
      m_falseEasting = p[7];
      m_falseNorthing = p[8];
      rc = SetupTransverseMercator(angle[0], angle[1]);
      break;
    case 2:
      if ((err = angles({p[5], p[4], p[2]})) != 0) return err;
      {
        double latCenter = 0;
        if ((err = TableAngle(p[6], latCenter)) != 0) return err;
        m_falseEasting = p[7];
        m_falseNorthing = p[8];
        rc = SetupLambert(angle[0], angle[1], angle[2], latCenter);
      }
      break;
    case 3:
      if ((err = angles({p[2], p[3]})) != 0) return err;
      m_falseEasting = p[4];
      m_falseNorthing = p[5];
      rc = SetupPolyconic(angle[0], angle[1]);
      break;
    case 4:
      if ((err = angles({p[5], p[2], p[6]})) != 0) return err;
      m_k0 = p[3];
      m_falseEasting = p[7];
      m_falseNorthing = p[8];
      rc = SetupObliqueMercator(angle[0], angle[1], angle[2]);
      break;
  }
  (void)direction;
  if (rc != PROJ_OK) return rc;
  m_ready = true;
  return PROJ_OK;
}

int CStatePlane::Forward(double lon, double lat, double& x, double& y) const {
  if (!m_ready) return PROJ_NO_ZONE;
  if (!ValidGeographic(lon, lat)) return PROJ_ERR_COORDINATE;
  if (std::fabs(lat) > HALF_PI) lat = lat < 0 ? -HALF_PI : HALF_PI;
  switch (m_zone.type) {
    case 1: return ReportTm(m_tm.Forward(lon, lat, x, y));
    case 2: return LambertForward(lon, lat, x, y);
    case 3: return PolyconicForward(lon, lat, x, y);
    default: return ObliqueForward(lon, lat, x, y);
  }
}

int CStatePlane::Inverse(double x, double y, double& lon, double& lat) const {
  if (!m_ready) return PROJ_NO_ZONE;
  if (!std::isfinite(x) || !std::isfinite(y)) return PROJ_ERR_COORDINATE;
  int rc = PROJ_OK;
  double outLon = 0, outLat = 0;
  switch (m_zone.type) {
    case 1: rc = ReportTm(m_tm.Inverse(x, y, outLon, outLat)); break;
    case 2: rc = LambertInverse(x, y, outLon, outLat); break;
    case 3: rc = PolyconicInverse(x, y, outLon, outLat); break;
    default: rc = ObliqueInverse(x, y, outLon, outLat); break;
  }
  if (rc != PROJ_OK) return rc;
  if (!std::isfinite(outLon) || !std::isfinite(outLat)) return PROJ_ERR_COORDINATE;
  lon = outLon;
  lat = outLat;
  return PROJ_OK;
}

// --- transverse Mercator ---------------------------------------------------

int CStatePlane::SetupTransverseMercator(double lon0, double lat0) {
  m_lon0 = lon0;
  m_lat0 = lat0;
  m_tm.Setup(m_a, m_es, m_k0, lon0, lat0, m_falseEasting, m_falseNorthing);
  return PROJ_OK;
}

// --- Lambert conformal conic -----------------------------------------------

int CStatePlane::SetupLambert(double lat1, double lat2, double lonCenter, double latCenter) {
  if (std::fabs(lat1 + lat2) < 1e-10) return Report(res::text::kStatePlaneParallels, PROJ_ERR_LCC_PARALLELS);
  m_lonCenter = lonCenter;
  m_lat0 = latCenter;
  double sin1, cos1, sin2, cos2;
  SinCos(lat1, sin1, cos1);
  SinCos(lat2, sin2, cos2);
  const double ms1 = msfnz(m_e, sin1, cos1);
  const double ts1 = tsfnz(m_e, lat1, sin1);
  const double ms2 = msfnz(m_e, sin2, cos2);
  const double ts2 = tsfnz(m_e, lat2, sin2);
  const double ts0 = tsfnz(m_e, latCenter, std::sin(latCenter));
  m_ns = std::fabs(lat1 - lat2) > 1e-10 ? std::log(ms1 / ms2) / std::log(ts1 / ts2) : sin1;
  m_f0 = ms1 / (m_ns * std::pow(ts1, m_ns));
  m_rh = m_a * m_f0 * std::pow(ts0, m_ns);
  return PROJ_OK;
}

int CStatePlane::LambertForward(double lon, double lat, double& x, double& y) const {
  double rh1 = 0;
  const double con = std::fabs(std::fabs(lat) - HALF_PI);
  if (con > 1e-10) {
    rh1 = m_a * m_f0 * std::pow(tsfnz(m_e, lat, std::sin(lat)), m_ns);
  } else if (lat * m_ns <= 0) {
    return Report(res::text::kStatePlaneNoProjection, PROJ_ERR_LCC_POINT);
  }
  const double theta = m_ns * adjust_lon(lon - m_lonCenter);
  x = rh1 * std::sin(theta) + m_falseEasting;
  y = m_rh - rh1 * std::cos(theta) + m_falseNorthing;
  return PROJ_OK;
}

int CStatePlane::LambertInverse(double x, double y, double& lon, double& lat) const {
  x -= m_falseEasting;
  y = m_rh - y + m_falseNorthing;
  double rh1, con;
  if (m_ns > 0) {
    rh1 = std::sqrt(x * x + y * y);
    con = 1.0;
  } else {
    rh1 = -std::sqrt(x * x + y * y);
    con = -1.0;
  }
  const double theta = rh1 != 0 ? std::atan2(con * x, con * y) : 0.0;
  if (rh1 != 0 || m_ns > 0) {
    const double ts = std::pow(rh1 / (m_a * m_f0), 1.0 / m_ns);
    int flag = 0;
    const double phi = phi2z(m_e, ts, flag);
    if (flag != 0) return flag;
    lat = phi;
  } else {
    lat = -HALF_PI;
  }
  lon = adjust_lon(theta / m_ns + m_lonCenter);
  return PROJ_OK;
}

// --- polyconic ---------------------------------------------------------------

int CStatePlane::SetupPolyconic(double lon0, double lat0) {
  m_lon0 = lon0;
  m_lat0 = lat0;
  m_e0 = e0fn(m_es);
  m_e1 = e1fn(m_es);
  m_e2 = e2fn(m_es);
  m_e3 = e3fn(m_es);
  m_ml0 = mlfn(m_e0, m_e1, m_e2, m_e3, lat0);
  return PROJ_OK;
}

int CStatePlane::PolyconicForward(double lon, double lat, double& x, double& y) const {
  const double dlon = adjust_lon(lon - m_lon0);
  if (std::fabs(lat) <= 1e-7) {
    x = m_falseEasting + m_a * dlon;
    y = m_falseNorthing - m_a * m_ml0;
    return PROJ_OK;
  }
  double sinphi, cosphi;
  SinCos(lat, sinphi, cosphi);
  const double ml = mlfn(m_e0, m_e1, m_e2, m_e3, lat);
  const double ms = msfnz(m_e, sinphi, cosphi);
  const double con = dlon * sinphi;
  x = m_falseEasting + m_a * ms * std::sin(con) / sinphi;
  y = m_falseNorthing + m_a * (ml - m_ml0 + ms * (1.0 - std::cos(con)) / sinphi);
  return PROJ_OK;
}

int CStatePlane::PolyconicInverse(double x, double y, double& lon, double& lat) const {
  x -= m_falseEasting;
  y -= m_falseNorthing;
  const double al = m_ml0 + y / m_a;
  if (std::fabs(al) <= 1e-7) {
    lon = adjust_lon(x / m_a + m_lon0);
    lat = 0.0;
    return PROJ_OK;
  }
  const double b = al * al + (x / m_a) * (x / m_a);
  double c = 0, phi = al;
  if (phi4z(m_es, m_e0, m_e1, m_e2, m_e3, al, b, c, phi) != 0) return PROJ_ERR_POLY_INVERSE;
  lon = adjust_lon(asinz(x * c / m_a) / std::sin(phi) + m_lon0);
  lat = phi;
  return PROJ_OK;
}

// --- Hotine oblique Mercator, azimuth form -----------------------------------

int CStatePlane::SetupObliqueMercator(double azimuth, double lonCenter, double lat0) {
  m_lat0 = lat0;
  m_lonCenter = lonCenter;
  double sinp0, cosp0;
  SinCos(lat0, sinp0, cosp0);
  const double con = 1.0 - m_es * sinp0 * sinp0;
  const double com = std::sqrt(1.0 - m_es);
  m_bl = std::sqrt(1.0 + m_es * std::pow(cosp0, 4.0) / (1.0 - m_es));
  m_al = m_a * m_bl * m_k0 * com / con;
  double d = 1.0;
  if (std::fabs(lat0) < 1e-10) {
    m_el = 1.0;
  } else {
    const double ts = tsfnz(m_e, lat0, sinp0);
    d = m_bl * com / (cosp0 * std::sqrt(con));
    double f = d;
    if (d * d - 1.0 > 0.0) f = lat0 >= 0 ? d + std::sqrt(d * d - 1.0) : d - std::sqrt(d * d - 1.0);
    m_el = f * std::pow(ts, m_bl);
    const double g = 0.5 * (f - 1.0 / f);
    const double gama = asinz(std::sin(azimuth) / d);
    m_lon0 = lonCenter - asinz(g * std::tan(gama)) / m_bl;
    SinCos(gama, m_sinGamma, m_cosGamma);
  }
  if (std::fabs(lat0) <= 1e-10 || std::fabs(std::fabs(lat0) - HALF_PI) <= 1e-10)
    return Report(res::text::kStatePlaneBadInput, PROJ_ERR_OM_INPUT);
  SinCos(azimuth, m_sinAz, m_cosAz);
  m_u = (m_al / m_bl) * std::atan(std::sqrt(std::max(d * d - 1.0, 0.0)) / m_cosAz);
  if (lat0 < 0) m_u = -m_u;
  return PROJ_OK;
}

int CStatePlane::ObliqueForward(double lon, double lat, double& x, double& y) const {
  const double dlon = adjust_lon(lon - m_lon0);
  const double vl = std::sin(m_bl * dlon);
  double ul, us;
  if (std::fabs(std::fabs(lat) - HALF_PI) > 1e-10) {
    const double q = m_el / std::pow(tsfnz(m_e, lat, std::sin(lat)), m_bl);
    const double s = 0.5 * (q - 1.0 / q);
    const double t = 0.5 * (q + 1.0 / q);
    ul = (s * m_sinGamma - vl * m_cosGamma) / t;
    const double c = std::cos(m_bl * dlon);
    if (std::fabs(c) < 1e-7) {
      us = m_al * m_bl * dlon;
    } else {
      us = m_al * std::atan((s * m_cosGamma + vl * m_sinGamma) / c) / m_bl;
      if (c < 0) us += PI * m_al / m_bl;
    }
  } else {
    ul = lat >= 0 ? m_sinGamma : -m_sinGamma;
    us = m_al * lat / m_bl;
  }
  if (std::fabs(std::fabs(ul) - 1.0) <= 1e-10) return Report(res::text::kStatePlaneInfinite, PROJ_ERR_OM_INFINITE);
  const double vs = 0.5 * m_al * std::log((1.0 - ul) / (1.0 + ul)) / m_bl;
  us -= m_u;
  x = m_falseEasting + vs * m_cosAz + us * m_sinAz;
  y = m_falseNorthing + us * m_cosAz - vs * m_sinAz;
  return PROJ_OK;
}

int CStatePlane::ObliqueInverse(double x, double y, double& lon, double& lat) const {
  x -= m_falseEasting;
  y -= m_falseNorthing;
  const double vs = x * m_cosAz - y * m_sinAz;
  const double us = y * m_cosAz + x * m_sinAz + m_u;
  const double q = std::exp(-m_bl * vs / m_al);
  const double s = 0.5 * (q - 1.0 / q);
  const double t = 0.5 * (q + 1.0 / q);
  const double v = std::sin(m_bl * us / m_al);
  const double ul = (v * m_cosGamma + s * m_sinGamma) / t;
  if (std::fabs(std::fabs(ul) - 1.0) <= 1e-10) {
    lon = m_lon0;
    lat = ul >= 0 ? HALF_PI : -HALF_PI;
    return PROJ_OK;
  }
  const double con = 1.0 / m_bl;
  const double ts = std::pow(m_el / std::sqrt((1.0 + ul) / (1.0 - ul)), con);
  int flag = 0;
  const double phi = phi2z(m_e, ts, flag);
  if (flag != 0) return flag;
  lat = phi;
  lon = adjust_lon(m_lon0 - std::atan2(s * m_cosGamma - v * m_sinGamma, std::cos(m_bl * us / m_al)) / m_bl);
  return PROJ_OK;
}

}  // namespace qzn
