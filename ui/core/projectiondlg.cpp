#include "ui/core/projectiondlg.h"

#include "app/qzndoc.h"
#include "georef/projection.h"
#include "georef/utm.h"
#include "platform/host.h"
#include "resources/messages_georef.h"
#include "resources/messages_georefdialogs.h"

namespace qzn {

namespace text = res::text;

CUtmDialogValues& UtmDialogValues() {
  static CUtmDialogValues values = [] {
    CUtmDialogValues v;
    v.ellipsoid = text::kDefaultEllipsoid;
    return v;
  }();
  return values;
}

CStatePlaneDialogValues& StatePlaneDialogValues() {
  static CStatePlaneDialogValues values;
  return values;
}

namespace {

void Info(const std::string& t) { AfxMessageBox(t, MB_OK | MB_ICONINFORMATION); }
void Stop(const char* t) { AfxMessageBox(t, MB_OK | MB_ICONSTOP); }

// The control points were converted: their list counts as unsaved work.
void MarkPointsModified(CQznDoc& doc) {
  doc.m_controlPts.m_nModified = 1;
  doc.SetModifiedFlag(true);
}

bool HasPoints(const CQznDoc* doc) {
  if (!doc) return false;
  if (doc->m_controlPts.IsEmpty()) {
    Stop(text::kNoControlPointsDefined);
    return false;
  }
  return true;
}

// The failures the State Plane converter tells the user about itself.
bool ConverterToldUser(int code) {
  return code == PROJ_ERR_TM_INFINITE || code == PROJ_ERR_TM_LATITUDE || code == PROJ_ERR_LCC_PARALLELS ||
         code == PROJ_ERR_LCC_POINT || code == PROJ_ERR_OM_INPUT || code == PROJ_ERR_OM_INFINITE;
}

void ConversionFailed(int code = PROJ_ERR_COORDINATE) {
  if (!ConverterToldUser(code)) Stop(text::kConversionFailed);
}

}  // namespace

// ---- UTM -----------------------------------------------------------------------------

void CUtmConvertDlg::DoDataExchange(CDataExchange& dx) {
  CUtmDialogValues& v = UtmDialogValues();
  DDX_Text(dx, kEllipsoid, v.ellipsoid);
  DDX_Text(dx, kNorthing, v.northing);
  DDX_Text(dx, kEasting, v.easting);
  DDX_Text(dx, kLatitude, v.latitude);
  DDX_Text(dx, kLongitude, v.longitude);
  DDX_Text(dx, kZone, v.zone);
}

void CUtmConvertDlg::OnInitDialog(IDialogControls& c) {
  for (const char* name : text::kUtmEllipsoidNames) c.AddString(kEllipsoid, name);
  c.SetText(kEllipsoid, UtmDialogValues().ellipsoid);
}

int CUtmConvertDlg::EllipsoidRow() const {
  // Row 0 is no ellipsoid (its radius is 0): nothing may be converted on it.
  const int row = FindEllipsoidByName(UtmDialogValues().ellipsoid);
  if (!row) Stop(text::kUnknownEllipsoid);
  return row;
}

void CUtmConvertDlg::LatLongToUtm(IDialogControls& c) {
  if (!UpdateData(c, true)) return;
  const int row = EllipsoidRow();
  if (!row) return;
  CUtmDialogValues& v = UtmDialogValues();
  char zone[16] = {};
  double northing = 0.0, easting = 0.0;
  if (qzn::LatLongToUtm(row, v.latitude, v.longitude, northing, easting, zone) != PROJ_OK) return ConversionFailed();
  v.northing = northing;
  v.easting = easting;
  v.zone = zone;
  UpdateData(c, false);
}

void CUtmConvertDlg::UtmToLatLong(IDialogControls& c) {
  if (!UpdateData(c, true)) return;
  CUtmDialogValues& v = UtmDialogValues();
  if (v.zone.empty()) return Info(text::kEnterUtmZoneFirst);
  const int row = EllipsoidRow();
  if (!row) return;
  double latitude = 0.0, longitude = 0.0;
  if (qzn::UtmToLatLong(row, v.northing, v.easting, v.zone.c_str(), latitude, longitude) != PROJ_OK)
    return ConversionFailed();
  v.latitude = latitude;
  v.longitude = longitude;
  UpdateData(c, false);
}

void CUtmConvertDlg::PointsToUtm(IDialogControls& c) {
  if (!m_doc || !HasPoints(m_doc) || !UpdateData(c, true)) return;
  const int row = EllipsoidRow();
  if (!row) return;
  CControlPtList& points = m_doc->m_controlPts;
  if (!points.GeographicToUtm(row)) return Stop(text::kControlPointConversionFailed);
  // The zone the points went to is the one to convert them back from.
  UtmDialogValues().zone = points.m_coordSys.zoneText;
  UpdateData(c, false);
  MarkPointsModified(*m_doc);
  Info(text::kControlPointsNowUtm);
}

void CUtmConvertDlg::PointsToLatLong(IDialogControls& c) {
  if (!m_doc || !HasPoints(m_doc) || !UpdateData(c, true)) return;
  CUtmDialogValues& v = UtmDialogValues();
  if (v.zone.empty()) return Info(text::kEnterUtmZoneFirst);
  const int row = EllipsoidRow();
  if (!row) return;
  if (!m_doc->m_controlPts.UtmToGeographic(row, v.zone)) return Stop(text::kControlPointConversionFailed);
  MarkPointsModified(*m_doc);
}

void CUtmConvertDlg::OnClicked(int id, IDialogControls& c) {
  switch (id) {
    case kLlToUtm: LatLongToUtm(c); break;
    case kUtmToLl: UtmToLatLong(c); break;
    case kPointsToUtm: PointsToUtm(c); break;
    case kPointsToLl: PointsToLatLong(c); break;
    case kUtmHelp: Info(std::string(text::kHelpEnterUtm) + text::kHelpEastWest + text::kHelpDecimalDegrees); break;
    case kLlHelp: Info(std::string(text::kHelpEnterLlForUtm) + text::kHelpEastWest + text::kHelpDecimalDegrees); break;
    default: break;
  }
}

// ---- State Plane -----------------------------------------------------------------------

void CStatePlaneDlg::DoDataExchange(CDataExchange& dx) {
  CStatePlaneDialogValues& v = StatePlaneDialogValues();
  DDX_Text(dx, kNorthing, v.northing);
  DDX_Text(dx, kEasting, v.easting);
  DDX_Text(dx, kLatitude, v.latitude);
  DDX_Text(dx, kLongitude, v.longitude);
  DDX_Text(dx, kZone, v.zone);
  DDX_Radio(dx, {kNad27, kNad83}, v.datum);
  DDX_Text(dx, kUnits, units);
}

void CStatePlaneDlg::OnInitDialog(IDialogControls& c) {
  std::vector<std::string> names;
  CStatePlane::ListZoneNames(names);
  for (const std::string& name : names) c.AddString(kZone, name);
  CStatePlaneDialogValues& v = StatePlaneDialogValues();
  if (v.zone.empty()) {
    c.SetCurSel(kZone, 0);
    v.zone = c.GetItemText(kZone, 0);
  } else {
    c.SetCurSel(kZone, CStatePlane::FindZone(v.zone));
  }
  c.SetText(kZone, v.zone);
  c.AddString(kUnits, text::kUnitMetre);
  c.AddString(kUnits, text::kUnitFeet);
  if (units.empty()) units = text::kUnitMetre;
  c.SetText(kUnits, units);
}

bool CStatePlaneDlg::InFeet() const { return units == text::kUnitFeet; }

bool CStatePlaneDlg::SetZone(int direction) {
  const CStatePlaneDialogValues& v = StatePlaneDialogValues();
  const int result = m_converter.SetZone(v.datum, v.zone, direction);
  if (result == PROJ_OK) return true;
  if (result == PROJ_NO_ZONE)
    Stop(text::kZoneWithoutDatum);
  else
    ConversionFailed(result);
  return false;
}

void CStatePlaneDlg::LatLongToPlane(IDialogControls& c) {
  if (!UpdateData(c, true)) return;
  CStatePlaneDialogValues& v = StatePlaneDialogValues();
  if (v.longitude > 0.0 && AfxMessageBox(text::kAskWestNegative, MB_YESNO | MB_ICONQUESTION) == IDYES) {
    v.longitude = -v.longitude;
    UpdateData(c, false);
  }
  if (!SetZone(CStatePlane::FORWARD)) return;
  double x = 0.0, y = 0.0;
  const int result = m_converter.Forward(v.longitude * DEG_TO_RAD, v.latitude * DEG_TO_RAD, x, y);
  if (result != PROJ_OK) return ConversionFailed(result);
  v.easting = InFeet() ? x / US_SURVEY_FOOT : x;
  v.northing = InFeet() ? y / US_SURVEY_FOOT : y;
  UpdateData(c, false);
}

void CStatePlaneDlg::PlaneToLatLong(IDialogControls& c) {
  if (!UpdateData(c, true)) return;
  CStatePlaneDialogValues& v = StatePlaneDialogValues();
  if (!SetZone(CStatePlane::INVERSE)) return;
  const double x = InFeet() ? v.easting * US_SURVEY_FOOT : v.easting;
  const double y = InFeet() ? v.northing * US_SURVEY_FOOT : v.northing;
  double lon = 0.0, lat = 0.0;
  const int result = m_converter.Inverse(x, y, lon, lat);
  if (result != PROJ_OK) return ConversionFailed(result);
  v.longitude = lon * RAD_TO_DEG;
  v.latitude = lat * RAD_TO_DEG;
  UpdateData(c, false);
}

void CStatePlaneDlg::PointsToPlane(IDialogControls& c) {
  if (!m_doc || !HasPoints(m_doc) || !UpdateData(c, true) || !SetZone(CStatePlane::FORWARD)) return;
  if (!m_doc->m_controlPts.GeographicToStatePlane(m_converter, units)) return Stop(text::kControlPointConversionFailed);
  MarkPointsModified(*m_doc);
  Info(text::kControlPointsNowStatePlane);
}

void CStatePlaneDlg::PointsToLatLong(IDialogControls& c) {
  if (!m_doc || !HasPoints(m_doc) || !UpdateData(c, true) || !SetZone(CStatePlane::INVERSE)) return;
  if (!m_doc->m_controlPts.StatePlaneToGeographic(m_converter, units)) return Stop(text::kControlPointConversionFailed);
  MarkPointsModified(*m_doc);
}

void CStatePlaneDlg::OnClicked(int id, IDialogControls& c) {
  switch (id) {
    case kLlToSpl: LatLongToPlane(c); break;
    case kSplToLl: PlaneToLatLong(c); break;
    case kPointsToSpl: PointsToPlane(c); break;
    case kPointsToLl: PointsToLatLong(c); break;
    case kSplHelp: Info(std::string(text::kHelpEnterSpl) + text::kHelpEastWest + text::kHelpDecimalDegrees); break;
    case kLlHelp: Info(std::string(text::kHelpEnterLlForSpl) + text::kHelpEastWest + text::kHelpDecimalDegrees); break;
    default: break;
  }
}

}  // namespace qzn
