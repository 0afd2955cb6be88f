#include "georef/controlpt.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "georef/projection.h"
#include "georef/stateplane.h"
#include "georef/utm.h"
#include "model/viewtransform.h"
#include "platform/canvas.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/imaging.h"
#include "resources/messages_common.h"
#include "resources/messages_georef.h"

namespace qzn {

QZN_IMPLEMENT_SERIAL(CControlPt, CObject, 1)

std::string FormatExactDouble(double v) {
  // Fixed notation, shortest digits that read back exactly: no exponent for
  // readers that do not expect one, and degree-sized pixels keep every digit.
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  if (r.ec != std::errc()) return FormatC("%.17g", v);
  return std::string(buf, r.ptr);
}

// ---------------------------------------------------------------------------
// CControlPt

void CControlPt::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_imageX << m_imageY << m_mapX << m_mapY;
  } else {
    double v[4];
    ar >> v[0] >> v[1] >> v[2] >> v[3];
    m_imageX = v[0];
    m_imageY = v[1];
    m_mapX = v[2];
    m_mapY = v[3];
  }
}

int CControlPt::Draw(CCanvas* dc, const CViewTransform* view) const {
  if (!dc || !view) return 0;
  const CPen old = dc->SelectPen(CPen{PS_SOLID, 1, RGB(255, 0, 0)});
  const POINT c = view->ImageToClientPixel(CFPoint(m_imageX, m_imageY));
  dc->Ellipse(c.x - 3, c.y - 3, c.x + 4, c.y + 4);
  dc->MoveTo(c.x - 3, c.y);
  dc->LineTo(c.x + 4, c.y);
  dc->MoveTo(c.x, c.y - 3);
  dc->LineTo(c.x, c.y + 4);
  dc->SelectPen(old);
  return 1;
}

double CControlPt::DistanceTo(const CFPoint& p) const { return std::hypot(p.x - m_imageX, p.y - m_imageY); }

void CControlPt::WriteText(CTextFileWriter& file) const {
  file.Write(FormatExactDouble(m_imageX) + " " + FormatExactDouble(m_imageY) + " " + FormatExactDouble(m_mapX) + " " +
             FormatExactDouble(m_mapY));
}

bool CControlPt::ReadText(CTextFileReader& file) {
  std::string line;
  if (!file.ReadLine(line)) return false;
  double v[4];
  if (ScanC(line.c_str(), "%lf%lf%lf%lf", &v[0], &v[1], &v[2], &v[3]) != 4) return false;
  for (double d : v)
    if (!std::isfinite(d)) return false;
  m_imageX = v[0];
  m_imageY = v[1];
  m_mapX = v[2];
  m_mapY = v[3];
  return true;
}

// ---------------------------------------------------------------------------
// CControlPtList: the list itself

CControlPtList::CControlPtList(const CControlPtList& other) : CObject(), COwningList<CControlPt>() { CopyFrom(other); }

CControlPtList::~CControlPtList() { RemoveAll(); }

int CControlPtList::CopyFrom(const CControlPtList& other) {
  if (&other == this) return 1;
  // All or nothing: when memory runs out the list stays as it was.
  COwningList<CControlPt> copy;
  try {
    for (const CControlPt* p : other) copy.Adopt(new CControlPt(p->m_imageX, p->m_imageY, p->m_mapX, p->m_mapY));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  RemoveAll();
  AdoptAll(copy);
  return 1;
}

void CControlPtList::RemoveAll() {
  DeleteAll();
  m_nModified = 0;
  m_coordSys = CMapCoordSys{};
}

CControlPt* CControlPtList::AddNew() {
  CControlPt* p = New();
  if (p) m_nModified = 1;
  return p;
}

POSITION CControlPtList::NearestPosition(double x, double y) const {
  POSITION best = nullptr;
  double bestD = std::numeric_limits<double>::infinity();
  for (auto it = begin(); it != end(); ++it) {
    const double d = std::hypot((*it)->m_imageX - x, (*it)->m_imageY - y);
    if (d < bestD || !best) {
      bestD = d;
      best = it.position();
    }
  }
  return best;
}

CControlPt* CControlPtList::HitTest(const CFPoint& p) const {
  const POSITION pos = NearestPosition(p.x, p.y);
  return pos ? GetAt(pos) : nullptr;
}

POINT CControlPtList::RemovePointAt(const CFPoint& p) {
  const POSITION pos = NearestPosition(p.x, p.y);
  if (!pos) return POINT{0, 0};
  CControlPt* pt = GetAt(pos);
  // Truncated toward zero; positions beyond the int range are held at its ends.
  auto trunc = [](double v) {
    if (!(v > -2147483648.0)) return v != v ? 0 : INT32_MIN;
    return v < 2147483647.0 ? static_cast<std::int32_t>(v) : INT32_MAX;
  };
  const POINT r{trunc(pt->m_imageX), trunc(pt->m_imageY)};
  DeleteAt(pos);
  m_nModified = 1;
  return r;
}

void CControlPtList::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<std::uint32_t>(GetCount()));
    for (const CControlPt* p : *this) ar.WriteObject(p);
    return;
  }
  LoadAllOrNothing(*this, [&](COwningList<CControlPt>& loaded) {
    const std::uint32_t n = ar.ReadCount(2);
    for (std::uint32_t i = 0; i < n; ++i)
      if (CControlPt* p = ar.ReadOwnedObjectAs<CControlPt>()) loaded.Adopt(p);
  });
}

// ---------------------------------------------------------------------------
// Fits

GeorefFault CControlPtList::Check() const {
  GeorefFault fault = GeorefFault::none;
  for (POSITION pos = GetHeadPosition(); pos;) {
    const CControlPt* p = GetNext(pos);
    for (double v : {p->m_imageX, p->m_imageY, p->m_mapX, p->m_mapY}) {
      if (!std::isfinite(v)) return GeorefFault::notFinite;
      if (std::fabs(v) > kMaxGeoreferenceValue) fault = GeorefFault::outOfRange;
    }
  }
  return fault;
}

int CControlPtList::FitTransform(double* xRow, double* yRow, int terms, int direction) const {
  if (!xRow || !yRow || (terms != 3 && terms != 4)) return 0;
  const std::int64_t n = GetCount();
  // Fewer points than terms leave the fit open; three points on a line (or
  // any rank-deficient set) are refused by the least-squares solver.
  if (n <= 2 || n < terms || n > std::numeric_limits<int>::max()) return 0;
  std::vector<double> rec;
  try {
    rec.reserve(static_cast<std::size_t>(n) * 4);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  for (const CControlPt* p : *this) {
    if (direction == kImageToMap)
      rec.insert(rec.end(), {p->m_imageX, p->m_mapX, p->m_imageY, p->m_mapY});
    else
      rec.insert(rec.end(), {p->m_mapX, p->m_imageX, p->m_mapY, p->m_imageY});
  }
  int t = terms;
  return GetTransform(rec.data(), static_cast<int>(n), xRow, yRow, &t) ? 1 : 0;
}

int CControlPtList::FitBilinear() {
  m_nType = 4;
  const int r = FitTransform(m_xRow, m_yRow, kBilinearPolynomial, kImageToMap);
  if (!r) m_nType = 0;
  return r;
}

void CControlPtList::FormatPointInfo(const CControlPt* point, std::string& text) {
  if (!point) {
    text = res::text::kNoDataAvailable;
    return;
  }
  if (GetCount() < 5) {
    text = FormatC(res::text::kControlPointExactFormat, point->m_imageX, point->m_imageY, point->m_mapX, point->m_mapY);
    return;
  }
  if (!FitTransform(m_xRow, m_yRow, kBilinearPolynomial, kImageToMap)) {
    text = res::text::kBadControlPoint;
    return;
  }
  const double ix = point->m_imageX, iy = point->m_imageY;
  const double px = m_xRow[0] * ix + m_xRow[1] * iy + m_xRow[2] * ix * iy + m_xRow[3];
  const double py = m_yRow[0] * ix + m_yRow[1] * iy + m_yRow[2] * ix * iy + m_yRow[3];
  const double dx = point->m_mapX - px, dy = point->m_mapY - py;
  text = FormatC(res::text::kControlPointResidualFormat, ix, iy, point->m_mapX, point->m_mapY, std::fabs(dx),
                 std::fabs(dy), std::sqrt(dx * dx + dy * dy));
}

// ---------------------------------------------------------------------------
// Image-side adjustments

int CControlPtList::OffsetImageCoords(int dx, int dy) {
  for (CControlPt* p : *this) {
    p->m_imageX -= dx;
    p->m_imageY -= dy;
  }
  return static_cast<int>(GetCount());
}

void CControlPtList::RotateImageCoords(float angle, int oldLeft, int oldTop, int oldRight, int oldBottom, int newLeft,
                                       int newTop, int newRight, int newBottom) {
  if (angle == 0.0f) return;
  // The same arithmetic as the image rotation (full-precision pi, doubles,
  // quarter turns exact), so points stay on the pixels they marked.
  const double g = -(static_cast<double>(angle) * PI / 180.0);
  double c = std::cos(g), s = std::sin(g);
  if (std::fabs(c) < 1e-12) c = 0;
  if (std::fabs(s) < 1e-12) s = 0;
  const int ocx = (oldLeft + oldRight) / 2, ocy = (oldTop + oldBottom) / 2;
  const int ncx = (newLeft + newRight) / 2, ncy = (newTop + newBottom) / 2;
  for (CControlPt* p : *this) {
    const double dx = p->m_imageX - ocx, dy = p->m_imageY - ocy;
    p->m_imageX = ncx + (c * dx - s * dy);
    p->m_imageY = ncy + (c * dy + s * dx);
  }
}

void CControlPtList::ScaleImageCoords(int factor, int shrink) {
  if (factor == 0) return;
  for (CControlPt* p : *this) {
    if (shrink) {
      p->m_imageX /= factor;
      p->m_imageY /= factor;
    } else {
      p->m_imageX *= factor;
      p->m_imageY *= factor;
    }
  }
}

// ---------------------------------------------------------------------------
// Support for the triangulation

bool CControlPtList::HasImagePoint(const CFPoint& p) const {
  for (const CControlPt* q : *this)
    if (q->m_imageX == p.x && q->m_imageY == p.y) return true;
  return false;
}

int CControlPtList::AddInterpolatedPoint(const CFPoint& p) {
  const POSITION posA = NearestPosition(p.x, p.y);
  if (!posA) return 0;
  const CControlPt* a = GetAt(posA);
  const CControlPt* b = nullptr;
  double bestD = std::numeric_limits<double>::infinity();
  for (const CControlPt* q : *this) {
    if (q->m_imageX == a->m_imageX || q->m_imageY == a->m_imageY) continue;
    const double d = std::hypot(q->m_imageX - p.x, q->m_imageY - p.y);
    if (d < bestD || !b) {
      bestD = d;
      b = q;
    }
  }
  if (!b) return 0;
  const double sx = (a->m_mapX - b->m_mapX) / (a->m_imageX - b->m_imageX);
  const double ox = a->m_mapX - sx * a->m_imageX;
  const double sy = (a->m_mapY - b->m_mapY) / (a->m_imageY - b->m_imageY);
  const double oy = a->m_mapY - sy * a->m_imageY;
  CControlPt* n = AddNew();
  if (!n) {
    AfxMessageBox(res::text::kOutOfMemory);
    return 0;
  }
  n->m_imageX = p.x;
  n->m_imageY = p.y;
  n->m_mapX = p.x * sx + ox;
  n->m_mapY = p.y * sy + oy;
  return 1;
}

int CControlPtList::AddCorners(const RECT& rect) {
  if (GetCount() < 3) return 0;
  const CFPoint corners[4] = {CFPoint(rect.left, rect.top), CFPoint(rect.right, rect.top),
                              CFPoint(rect.left, rect.bottom), CFPoint(rect.right, rect.bottom)};
  for (const CFPoint& c : corners)
    if (!HasImagePoint(c)) AddInterpolatedPoint(c);
  return 1;
}

// ---------------------------------------------------------------------------
// Map-side conversions. Every point is converted into a scratch array first,
// so one failing point leaves the whole list as it was: a list half in one
// coordinate system and half in another is of no use to anybody.

namespace {

struct MapXY {
  double x, y;
};

// Converts every point's map position into a scratch array and replaces the
// positions only when all of them converted.
template <class F>
bool ConvertAll(CControlPtList& list, F convert) {
  std::vector<MapXY> out;
  out.reserve(static_cast<std::size_t>(list.GetCount()));
  for (const CControlPt* p : list) {
    MapXY m{};
    if (!convert(*p, m)) return false;
    out.push_back(m);
  }
  std::size_t i = 0;
  for (CControlPt* p : list) {
    p->m_mapX = out[i].x;
    p->m_mapY = out[i].y;
    ++i;
  }
  list.m_nModified = 1;
  return true;
}

bool RealEllipsoid(int row) { return row >= 1 && row < ELLIPSOID_COUNT && g_ellipsoids[row].equatorialRadius > 0; }

// "50", "50S", " 50 n ": zone number 1..60 and an optional band letter C..X
// (not I, O). Letters below N are southern.
bool ParseUtmZone(const std::string& text, int& zone, char& letter) {
  std::size_t i = 0;
  auto blanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  blanks();
  int z = 0, digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 3) z = z * 10 + (text[i++] - '0'), ++digits;
  if (digits == 0 || z < 1 || z > 60) return false;
  blanks();
  letter = 0;
  if (i < text.size()) {
    char c = text[i++];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'C' || c > 'X' || c == 'I' || c == 'O') return false;
    letter = c;
    blanks();
  }
  if (i != text.size()) return false;
  zone = z;
  return true;
}

}  // namespace

int CControlPtList::UtmToGeographic(int ellipsoid, const std::string& zone) {
  if (IsEmpty()) return 0;
  const bool ok = ConvertAll(*this, [&](const CControlPt& p, MapXY& m) {
    return UtmToLatLong(ellipsoid, p.m_mapY, p.m_mapX, zone.c_str(), m.y, m.x) == PROJ_OK;
  });
  if (!ok) return 0;
  m_coordSys = CMapCoordSys{};
  m_coordSys.kind = CMapCoordSys::geographic;
  m_coordSys.ellipsoid = ellipsoid;
  return 1;
}

int CControlPtList::GeographicToUtm(int ellipsoid, const std::string& zoneText) {
  if (IsEmpty() || !RealEllipsoid(ellipsoid)) return 0;
  // Centroid of the points, longitudes taken around the first one so a set
  // astride the 180th meridian averages to its middle.
  const double lon0 = GetHead()->m_mapX;
  double sumLat = 0, sumDLon = 0;
  for (const CControlPt* p : *this) {
    if (!std::isfinite(p->m_mapX) || !std::isfinite(p->m_mapY)) return 0;
    sumLat += p->m_mapY;
    sumDLon += std::remainder(p->m_mapX - lon0, 360.0);
  }
  const double n = static_cast<double>(GetCount());
  const double cLat = sumLat / n, cLon = lon0 + sumDLon / n;

  int zone = 0;
  char letter = 0;
  bool south = false;
  if (zoneText.find_first_not_of(" \t") == std::string::npos) {
    double northing = 0, easting = 0;
    char text[16] = {};
    if (LatLongToUtm(ellipsoid, cLat, cLon, northing, easting, text) != PROJ_OK) return 0;
    zone = std::atoi(text);  // "%d%c"; the letter is chosen below
    if (zone < 1 || zone > 60) return 0;
    south = cLat < 0;
  } else {
    if (!ParseUtmZone(zoneText, zone, letter)) return 0;
    south = letter ? letter < 'N' : cLat < 0;
  }
  if (!letter) {
    letter = UtmLetterDesignator(cLat);
    if (letter == 'Z' || (letter < 'N') != south) letter = south ? 'M' : 'N';
  }

  // The zone's transverse Mercator, set up the way the UTM conversion sets it
  // up, so points inside their own zone give the same numbers.
  const Ellipsoid& e = g_ellipsoids[ellipsoid];
  CTransverseMercator tm;
  tm.Setup(e.equatorialRadius, e.eccentricitySquared, 0.9996, 0.0, 0.0, 0.0, 0.0);
  const double cm = (zone - 1) * 6 - 180 + 3;
  const bool ok = ConvertAll(*this, [&](const CControlPt& p, MapXY& m) {
    double L = std::fmod(p.m_mapX + 180.0, 360.0);
    if (L < 0) L += 360.0;
    L -= 180.0;
    if (L >= 180.0) L = -180.0;
    const double dl = std::remainder(L - cm, 360.0);
    double x = 0, y = 0;
    if (tm.Forward(dl * DEG_TO_RAD, p.m_mapY * DEG_TO_RAD, x, y) != PROJ_OK) return false;
    m = {x + 500000.0, south ? y + 10000000.0 : y};
    return true;
  });
  if (!ok) return 0;
  m_coordSys = CMapCoordSys{};
  m_coordSys.kind = CMapCoordSys::utm;
  m_coordSys.ellipsoid = ellipsoid;
  m_coordSys.utmZone = zone;
  m_coordSys.utmSouth = south;
  m_coordSys.zoneText = std::to_string(zone) + letter;
  return 1;
}

namespace {
constexpr double kFeetPerMetre = 1.0 / US_SURVEY_FOOT;
}  // namespace

int CControlPtList::GeographicToStatePlane(const CStatePlane& converter, const std::string& unit) {
  if (IsEmpty()) return 0;
  const bool feet = unit == res::text::kUnitFeet;
  const bool ok = ConvertAll(*this, [&](const CControlPt& p, MapXY& m) {
    if (converter.Forward(p.m_mapX * DEG_TO_RAD, p.m_mapY * DEG_TO_RAD, m.x, m.y) != PROJ_OK) return false;
    if (feet) m.x *= kFeetPerMetre, m.y *= kFeetPerMetre;
    return true;
  });
  if (!ok) return 0;
  m_coordSys = CMapCoordSys{};
  m_coordSys.kind = CMapCoordSys::statePlane;
  m_coordSys.zoneText = StatePlaneDisplayText(converter.Zone());
  m_coordSys.feet = feet;
  return 1;
}

int CControlPtList::StatePlaneToGeographic(const CStatePlane& converter, const std::string& unit) {
  if (IsEmpty()) return 0;
  const bool feet = unit == res::text::kUnitFeet;
  const bool ok = ConvertAll(*this, [&](const CControlPt& p, MapXY& m) {
    double x = p.m_mapX, y = p.m_mapY, lon = 0, lat = 0;
    if (feet) x *= US_SURVEY_FOOT, y *= US_SURVEY_FOOT;
    if (converter.Inverse(x, y, lon, lat) != PROJ_OK) return false;
    m = {lon * RAD_TO_DEG, lat * RAD_TO_DEG};
    return true;
  });
  if (!ok) return 0;
  m_coordSys = CMapCoordSys{};
  m_coordSys.kind = CMapCoordSys::geographic;
  m_coordSys.ellipsoid = converter.Datum() ? FindEllipsoidByName("GRS 1980") : FindEllipsoidByName("Clarke 1866");
  return 1;
}

}  // namespace qzn
