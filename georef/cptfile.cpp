// The control-point list's files: the control-point file (".cpt", one point
// "ix iy mx my" per line), the MapInfo raster table (".tab") and the world
// file of the affine fit.
#include <cstring>
#include <new>

#include "georef/controlpt.h"
#include "georef/projection.h"
#include "georef/tfw.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_common.h"
#include "resources/messages_georef.h"

namespace qzn {

namespace {

// MapInfo's ellipsoid number for each row of g_ellipsoids (index = row).
constexpr int kMapInfoEllipsoid[ELLIPSOID_COUNT] = {
    -1,  // placeholder
    9,   // Airy
    2,   // Australian National
    10,  // Bessel 1841
    14,  // Bessel 1841 (Namibia, Schwarzeck)
    7,   // Clarke 1866
    6,   // Clarke 1880
    11,  // Everest
    18,  // Fischer 1960 (Mercury)
    20,  // Fischer 1968
    21,  // GRS 1967
    0,   // GRS 1980
    22,  // Helmert 1906
    23,  // Hough
    4,   // International
    3,   // Krassovsky
    13,  // Modified Airy
    17,  // Modified Everest
    19,  // Modified Fischer 1960
    24,  // South American 1969
    26,  // WGS 60
    27,  // WGS 66
    1,   // WGS-72
    28,  // WGS-84
};
constexpr int kWgs84Row = 23;

// The datum part of an Earth clause: datum 104 for WGS 84, else the
// ellipsoid with no datum shift. Empty when the row is not an ellipsoid.
std::string MapInfoDatum(int ellipsoid) {
  if (ellipsoid < 1 || ellipsoid >= ELLIPSOID_COUNT) return std::string();
  if (ellipsoid == kWgs84Row) return "104";
  return FormatC("999, %d, 0, 0, 0", kMapInfoEllipsoid[ellipsoid]);
}

// The coordinate-system clause and the units line of the table.
void DescribeCoordSys(const CMapCoordSys& cs, std::string& coordSys, std::string& units) {
  const std::string datum = MapInfoDatum(cs.ellipsoid);
  if (cs.kind == CMapCoordSys::geographic && !datum.empty()) {
    coordSys = "CoordSys Earth Projection 1, " + datum;
    units = "Units \"degree\"";
  } else if (cs.kind == CMapCoordSys::utm && !datum.empty() && cs.utmZone >= 1 && cs.utmZone <= 60) {
    coordSys = FormatC("CoordSys Earth Projection 8, %s, \"m\", %d, 0, 0.9996, 500000, %d", datum.c_str(),
                       (cs.utmZone - 1) * 6 - 180 + 3, cs.utmSouth ? 10000000 : 0);
    units = "Units \"m\"";
  } else {
    // Plane coordinates of no known projection (or State Plane, which the
    // table would need the zone's full parameters for).
    const char* unit = cs.kind == CMapCoordSys::statePlane && cs.feet ? "survey ft" : "m";
    coordSys = FormatC("CoordSys NonEarth Units \"%s\"", unit);
    units = FormatC("Units \"%s\"", unit);
  }
}

}  // namespace

int CControlPtList::Save(const std::string& path) const {
  CTextFileWriter w;
  if (!w.Open(path)) return 0;
  bool first = true;
  for (const CControlPt* p : *this) {
    if (!first) w.Write("\n");
    first = false;
    p->WriteText(w);
  }
  return w.Close() ? 1 : 0;
}

// Opens a file to load and empties the list first: without asking when
// replace is set or the list is empty, else after kAskRemoveControlPoints (No
// keeps the points and the file's points are appended). A file that cannot
// be opened is reported and changes nothing.
bool CControlPtList::BeginLoad(CTextFileReader& reader, const std::string& path, int replace) {
  if (!reader.Open(path)) {
    AfxMessageBox(res::text::kControlPointFileReadError, MB_OK | MB_ICONSTOP);
    return false;
  }
  if (!IsEmpty() && !replace) {
    if (AfxMessageBox(res::text::kAskRemoveControlPoints, MB_YESNO | MB_ICONQUESTION) == IDYES) RemoveAll();
  } else {
    RemoveAll();
  }
  return true;
}

int CControlPtList::Load(const std::string& path, int replace) {
  CTextFileReader r;
  if (!BeginLoad(r, path, replace)) return 0;
  for (;;) {
    CControlPt pt;
    if (!pt.ReadText(r)) break;  // end of file or the first line without four numbers
    CControlPt* p = AddNew();
    if (!p) {
      AfxMessageBox(res::text::kOutOfMemory);
      return 0;
    }
    *p = pt;
  }
  return 1;
}

int CControlPtList::LoadTab(const std::string& path, int replace) {
  CTextFileReader r;
  if (!BeginLoad(r, path, replace)) return 0;
  std::string line;
  while (r.ReadLine(line)) {
    // Coordinate-system clauses may carry a bracketed Bounds pair.
    if (line.find("Bounds") != std::string::npos) continue;
    const std::size_t open = line.find('(');
    if (open == std::string::npos) continue;
    double v[4];
    if (ScanC(line.c_str() + open, " (%lf ,%lf ) (%lf ,%lf )", &v[0], &v[1], &v[2], &v[3]) != 4) continue;
    CControlPt* p = AddNew();
    if (!p) {
      AfxMessageBox(res::text::kTableFileNoMemory);
      return 0;
    }
    p->m_mapX = v[0];
    p->m_mapY = v[1];
    p->m_imageX = v[2];
    p->m_imageY = v[3];
  }
  return 1;
}

int CControlPtList::SaveGeoref(const std::string& path, const std::string& imageName, int table) const {
  return table ? WriteTab(path, imageName) : WriteWorldFile(path);
}

int CControlPtList::WriteWorldFile(const std::string& path) const {
  double x[4] = {}, y[4] = {};
  if (!FitTransform(x, y, kAffinePolynomial, kImageToMap)) {
    AfxMessageBox(res::text::kTransformComputeError, MB_OK | MB_ICONSTOP);
    return 0;
  }
  return qzn::WriteWorldFile(path, x, y);
}

int CControlPtList::WriteTab(const std::string& path, const std::string& imageName) const {
  CTextFileWriter w;
  if (!w.Open(path)) return 0;
  w.Write("!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n");
  w.Write("File \"" + imageName + "\"\n");
  w.Write("Type \"RASTER\"\n");
  int number = 1;
  const std::int64_t count = GetCount();
  for (const CControlPt* p : *this) {
    w.Write("(" + FormatExactDouble(p->m_mapX) + "," + FormatExactDouble(p->m_mapY) + ") (" +
            FormatExactDouble(p->m_imageX) + "," + FormatExactDouble(p->m_imageY) + ") Label \"Pt " +
            std::to_string(number) + "\"" + (number < count ? ",\n" : "\n"));
    ++number;
  }
  std::string coordSys, units;
  DescribeCoordSys(m_coordSys, coordSys, units);
  w.Write(coordSys + "\n" + units + "\n");
  return w.Close() ? 1 : 0;
}

}  // namespace qzn
