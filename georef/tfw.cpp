#include "georef/tfw.h"

#include <cmath>

#include "georef/controlpt.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_georef.h"

namespace qzn {

QZN_IMPLEMENT_SERIAL(CTfw, CObject, 1)

int WriteWorldFile(const std::string& path, const double* xRow, const double* yRow) {
  if (!xRow || !yRow) return 0;
  CTextFileWriter w;
  if (!w.Open(path)) return 0;
  const double order[6] = {xRow[0], yRow[0], xRow[1], yRow[1], xRow[2], yRow[2]};
  for (double v : order) w.Write(FormatExactDouble(v) + "\n");
  return w.Close() ? 1 : 0;
}

int CTfw::Read(const std::string& path) {
  CTextFileReader r;
  if (!r.Open(path)) {
    AfxMessageBox(res::text::kControlPointFileReadError, MB_OK | MB_ICONSTOP);
    return 0;
  }
  double v[6];
  std::string line;
  for (double& d : v) {
    if (!r.ReadLine(line)) return 0;
    // "nan" and "inf" scan as numbers; Check() tells the reader's caller
    // that they are not finite, which says more than "not six numbers".
    if (ScanC(line.c_str(), "%lf", &d) != 1) return 0;
  }
  // A, D, B, E, C, F; taken only once all six are read.
  m_A = v[0];
  m_D = v[1];
  m_B = v[2];
  m_E = v[3];
  m_C = v[4];
  m_F = v[5];
  m_nTerms = 3;
  m_nLoaded = 1;
  return 1;
}

int CTfw::Write(const std::string& path) const {
  const double x[3] = {m_A, m_B, m_C}, y[3] = {m_D, m_E, m_F};
  return WriteWorldFile(path, x, y);
}

void CTfw::Reset() { *this = CTfw(); }

GeorefFault CheckAffine(double a, double b, double c, double d, double e, double f) {
  const double v[6] = {a, b, c, d, e, f};
  for (double x : v)
    if (!std::isfinite(x)) return GeorefFault::notFinite;
  for (double x : v)
    if (std::fabs(x) > kMaxGeoreferenceValue) return GeorefFault::outOfRange;
  // The same test as the inverse below: the 2x2 part must be far from
  // singular compared with its own size.
  const double det = a * e - b * d;
  const double scale = std::fabs(a * e) + std::fabs(b * d);
  if (!std::isfinite(det) || !(std::fabs(det) > 1e-14 * scale)) return GeorefFault::singular;
  return GeorefFault::none;
}

GeorefFault CTfw::Check() const {
  if (m_nTerms == 0) return GeorefFault::none;
  return CheckAffine(m_A, m_B, m_C, m_D, m_E, m_F);
}

int CTfw::GetTransform(double* xRow, double* yRow, int inverse) const {
  if (m_nTerms <= 2 || !xRow || !yRow) return 0;
  if (!inverse) {
    xRow[0] = m_A, xRow[1] = m_B, xRow[2] = m_C;
    yRow[0] = m_D, yRow[1] = m_E, yRow[2] = m_F;
    return 1;
  }
  // The general inverse of the 2x2 part, so rotated and quarter-turned
  // images invert as well as north-up ones.
  const double det = m_A * m_E - m_B * m_D;
  const double scale = std::fabs(m_A * m_E) + std::fabs(m_B * m_D);
  if (!std::isfinite(det) || !(std::fabs(det) > 1e-14 * scale)) return 0;
  xRow[0] = m_E / det;
  xRow[1] = -m_B / det;
  xRow[2] = (m_B * m_F - m_E * m_C) / det;
  yRow[0] = -m_D / det;
  yRow[1] = m_A / det;
  yRow[2] = (m_D * m_C - m_A * m_F) / det;
  return 1;
}

int CTfw::GetTransform4(double* xRow, double* yRow, int inverse) const {
  double x[3], y[3];
  if (!xRow || !yRow || !GetTransform(x, y, inverse)) return 0;
  xRow[0] = x[0], xRow[1] = x[1], xRow[2] = 0.0, xRow[3] = x[2];
  yRow[0] = y[0], yRow[1] = y[1], yRow[2] = 0.0, yRow[3] = y[2];
  return 1;
}

void CTfw::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << static_cast<std::int32_t>(m_nTerms) << m_A << m_B << m_C << m_D << m_E << m_F;
    return;
  }
  std::int32_t terms = 0;
  double v[6];
  ar >> terms >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5];
  m_nTerms = terms;
  m_A = v[0], m_B = v[1], m_C = v[2];
  m_D = v[3], m_E = v[4], m_F = v[5];
}

int CTfw::AdjustForCrop(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return 0;
  // The crop only moves the origin: pixel (0, 0) of the new image is pixel
  // (left, top) of the old one.
  const double c = m_A * left + m_B * top + m_C;
  const double f = m_D * left + m_E * top + m_F;
  m_C = c;
  m_F = f;
  return 1;
}

int CTfw::AdjustForRotate(float angle, int oldLeft, int oldTop, int oldRight, int oldBottom, int newLeft, int newTop,
                          int newRight, int newBottom) {
  // Four points at the old rectangle's corners keep their map positions; the
  // rotation moves their image positions; the affine fit through them is the
  // new record.
  CControlPtList pts;
  const double cx[4] = {double(oldLeft), double(oldRight), double(oldRight), double(oldLeft)};
  const double cy[4] = {double(oldTop), double(oldTop), double(oldBottom), double(oldBottom)};
  for (int i = 0; i < 4; ++i) {
    CControlPt* p = pts.AddNew();
    if (!p) return 0;
    p->m_imageX = cx[i];
    p->m_imageY = cy[i];
    p->m_mapX = m_A * cx[i] + m_B * cy[i] + m_C;
    p->m_mapY = m_D * cx[i] + m_E * cy[i] + m_F;
  }
  pts.RotateImageCoords(angle, oldLeft, oldTop, oldRight, oldBottom, newLeft, newTop, newRight, newBottom);
  double x[3], y[3];
  if (!pts.FitTransform(x, y, kAffinePolynomial, kImageToMap)) return 0;
  m_A = x[0], m_B = x[1], m_C = x[2];
  m_D = y[0], m_E = y[1], m_F = y[2];
  return 1;
}

void CTfw::AdjustForResize(int factor, int multiply) {
  if (factor == 0) return;
  const double f = factor;
  if (multiply) {
    m_A *= f, m_B *= f, m_D *= f, m_E *= f;
  } else {
    m_A /= f, m_B /= f, m_D /= f, m_E /= f;
  }
}

}  // namespace qzn
