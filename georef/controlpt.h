// Control points: pairs of an image position (pixel column and row, y down)
// and a map position. The workspace keeps one list; from it come the fitted
// polynomial transforms (affine with three terms per axis, bilinear with
// four), world files and MapInfo raster tables, the rubber-sheet
// triangulation (georef/triangle.h), the adjustments after a crop, rotation
// or resize, and the conversions of the map side between geographic
// coordinates, UTM and State Plane.
//
// Coefficient rows, for a source point (x, y):
//   3 terms (affine):   x' = c0 x + c1 y + c2
//   4 terms (bilinear): x' = c0 x + c1 y + c2 x y + c3
#pragma once

#include "georef/tfw.h"

#include <string>

#include "model/fpoint.h"
#include "model/maptransform.h"
#include "model/ownedlist.h"
#include "model/ptrlist.h"
#include "platform/archive.h"
#include "platform/wintypes.h"

namespace qzn {

class CCanvas;
class CStatePlane;
class CTextFileReader;
class CTextFileWriter;
class CViewTransform;

class CControlPt : public CObject {
  QZN_DECLARE_SERIAL(CControlPt)

 public:
  double m_imageX = 0.0;
  double m_imageY = 0.0;
  double m_mapX = 0.0;
  double m_mapY = 0.0;

  CControlPt() = default;
  CControlPt(double imageX, double imageY, double mapX, double mapY)
      : m_imageX(imageX), m_imageY(imageY), m_mapX(mapX), m_mapY(mapY) {}

  // Image x, image y, map x, map y as four little-endian doubles (32 bytes).
  void Serialize(CArchive& ar) override;
  // A red circle with a cross at the image position. Returns 1.
  int Draw(CCanvas* dc, const CViewTransform* view) const;
  // Distance from p to the image position.
  double DistanceTo(const CFPoint& p) const;
  // "ix iy mx my" without a line end; numbers in their shortest exact form.
  void WriteText(CTextFileWriter& file) const;
  // One line scanned as four numbers; false (point unchanged) unless all four
  // were read.
  bool ReadText(CTextFileReader& file);
};

// Which coordinates the map side of the points holds, as far as the list
// knows: set by the conversions, cleared when the list is emptied. The
// raster-table writer states it in the table's coordinate-system clause.
struct CMapCoordSys {
  enum Kind { unknown = 0, geographic = 1, utm = 2, statePlane = 3 };
  int kind = unknown;
  int ellipsoid = 0;      // row of g_ellipsoids (geographic and UTM)
  int utmZone = 0;        // 1..60
  bool utmSouth = false;  // false northing of 10,000,000 m
  std::string zoneText;   // UTM zone text ("50S") or State Plane zone text
  bool feet = false;      // State Plane coordinates in US survey feet

  bool operator==(const CMapCoordSys&) const = default;
};

// Owns its points. Positions stay valid while other points come and go.
class CControlPtList : public CObject, public COwningList<CControlPt> {
 public:
  int m_nModified = 0;
  double m_xRow[4] = {0, 0, 0, 0};
  double m_yRow[4] = {0, 0, 0, 0};
  int m_nType = 0;  // which fit the rows hold: 0 none, 3 affine, 4 bilinear
  CMapCoordSys m_coordSys;

  CControlPtList() = default;
  // Copies the points' values (not the rows, the type or the coordinate system).
  CControlPtList(const CControlPtList& other);
  CControlPtList& operator=(const CControlPtList&) = delete;
  ~CControlPtList() override;

  // Replaces the points by copies of the other list's. 0 when memory runs out.
  int CopyFrom(const CControlPtList& other);
  // Deletes every point; clears the modified flag and the coordinate system.
  void RemoveAll();
  // A zeroed point appended; sets modified. Null when memory runs out.
  CControlPt* AddNew();

  // The point whose image position is nearest p (the first of equals), null
  // for an empty list.
  CControlPt* HitTest(const CFPoint& p) const;
  // Removes and deletes the point nearest p; returns its image position
  // truncated to integers, (0, 0) for an empty list. Sets modified.
  POINT RemovePointAt(const CFPoint& p);

  // The count followed by each point as an object; loading reads everything
  // aside first, so a damaged record adds no point.
  void Serialize(CArchive& ar) override;

  // The fault of the points read from a file: a coordinate that is not a
  // finite number or beyond kMaxGeoreferenceValue (georef/tfw.h); none for
  // finite points, whatever their layout (a fit tells that).
  GeorefFault Check() const;

  // Least-squares fit of `terms` (a PolynomialForm: 3 or 4) terms per axis
  // into the rows (each of `terms` doubles) in the TransformDirection. Fails (0)
  // with fewer points than terms, three or fewer points on one line, or a
  // point set with no unique fit. With exactly as many points as terms the
  // fit passes through every point.
  int FitTransform(double* xRow, double* yRow, int terms, int direction) const;
  // The bilinear image-to-map fit into the list's own rows; type 4 on
  // success, 0 on failure.
  int FitBilinear();
  // The text shown for a picked point: its coordinates and its residual
  // against the bilinear fit (zero below five points). Refits the list's rows.
  void FormatPointInfo(const CControlPt* point, std::string& text);

  // Image-side adjustments after an image operation; the map side stays.
  int OffsetImageCoords(int dx, int dy);  // after a crop at (dx, dy); returns the count
  // After a rotation by angle degrees (counter-clockwise on screen) about the
  // centre of the old rectangle onto the new one (centres by integer
  // division), as the image rotation moves pixels.
  void RotateImageCoords(float angle, int oldLeft, int oldTop, int oldRight, int oldBottom, int newLeft, int newTop,
                         int newRight, int newBottom);
  // Divides (shrink) or multiplies the image coordinates by factor; 0 does nothing.
  void ScaleImageCoords(int factor, int shrink);

  // For the triangulation.
  bool HasImagePoint(const CFPoint& p) const;
  // A point at p whose map position is extrapolated per axis from the nearest
  // point and the nearest one differing from it in both image coordinates.
  int AddInterpolatedPoint(const CFPoint& p);
  // AddInterpolatedPoint for each corner (left, top), (right, top), (left,
  // bottom), (right, bottom) that is not a point already. 0 below 3 points.
  int AddCorners(const RECT& rect);

  // Map-side conversions. Each returns 0 for an empty list or when any point
  // fails to convert (the list is then unchanged), else 1.
  // UTM (map x easting, map y northing, in the zone of the text) to
  // longitude (map x) and latitude (map y) in degrees.
  int UtmToGeographic(int ellipsoid, const std::string& zone);
  // Longitude/latitude in degrees to UTM, every point in one zone: the zone of
  // the text when it names one ("50", "50S", "50 N"; a letter below N means
  // the southern false northing), else the zone of the points' centroid. The
  // zone used is kept in m_coordSys.zoneText.
  int GeographicToUtm(int ellipsoid, const std::string& zone = std::string());
  // Longitude/latitude in degrees to the converter's State Plane zone; unit
  // text kUnitFeet gives US survey feet, anything else metres.
  int GeographicToStatePlane(const CStatePlane& converter, const std::string& unit);
  int StatePlaneToGeographic(const CStatePlane& converter, const std::string& unit);

  // Files (control-point file ".cpt", MapInfo raster table ".tab", world file).
  // Every writer returns 0 when the file cannot be created or written.
  int Save(const std::string& path) const;
  // Reads ".cpt" lines until one does not hold four numbers. With points in
  // the list and replace 0, asks whether to remove them (No appends).
  int Load(const std::string& path, int replace);
  int LoadTab(const std::string& path, int replace);
  int SaveGeoref(const std::string& path, const std::string& imageName, int table) const;
  int WriteWorldFile(const std::string& path) const;
  int WriteTab(const std::string& path, const std::string& imageName) const;

 private:
  POSITION NearestPosition(double x, double y) const;
  bool BeginLoad(CTextFileReader& reader, const std::string& path, int replace);
};

// The shortest fixed-point text that reads back as the same double ("0.5",
// "-120", "0.000008983152841195214"); the C locale's decimal point.
std::string FormatExactDouble(double v);

}  // namespace qzn
