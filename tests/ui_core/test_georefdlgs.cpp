// The georeferencing dialogs: the control-point statistics against the
// bilinear fit, and the UTM and State Plane conversions typed by the user,
// checked against PROJ (pyproj) to a millimetre.
#include <cmath>
#include <sstream>

#include <gtest/gtest.h>

#include "georef/controlpt.h"
#include "georef/projection.h"
#include "resources/messages_georef.h"
#include "resources/messages_georefdialogs.h"
#include "tests/georef/test_projection_oracle.h"
#include "tests/ui_core/dialog_test_util.h"
#include "ui/core/controlptdlg.h"
#include "ui/core/projectiondlg.h"

using namespace qzn;
namespace text = res::text;

namespace {

void AddPoint(CControlPtList& list, double ix, double iy, double mx, double my) {
  CControlPt* p = list.AddNew();
  p->m_imageX = ix;
  p->m_imageY = iy;
  p->m_mapX = mx;
  p->m_mapY = my;
}

double Number(const qzntest::FakeControls& c, int id) {
  double v = 0.0;
  EXPECT_TRUE(ParseNumber(c.GetText(id), v)) << id << ": " << c.GetText(id);
  return v;
}

// Both dialogs keep their values for the whole run; each test starts afresh.
struct GeorefDialogs : qzntest::DialogFixture {
  GeorefDialogs() {
    UtmDialogValues() = CUtmDialogValues{};
    UtmDialogValues().ellipsoid = text::kDefaultEllipsoid;
    StatePlaneDialogValues() = CStatePlaneDialogValues{};
  }
};

}  // namespace

TEST_F(GeorefDialogs, ControlPointStatisticsShowTheFitAndRefuseTooFewPoints) {
  CControlPtList few;
  AddPoint(few, 0, 0, 100, 200);
  AddPoint(few, 10, 0, 110, 200);
  CControlPtStatDlg refused(&few);
  refused.InitDialog(c);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{text::kTransformParamsError});
  EXPECT_EQ(c.GetCount(CControlPtStatDlg::kPoint), 0);

  // Four points: the bilinear fit passes through every one of them.
  CControlPtList four;
  AddPoint(four, 0, 0, 1000, 2000);
  AddPoint(four, 100, 0, 1100, 2003);
  AddPoint(four, 0, 50, 1004, 1950);
  AddPoint(four, 100, 50, 1107, 1949);
  CControlPtStatDlg dlg(&four);
  qzntest::FakeControls s;
  dlg.InitDialog(s);
  ASSERT_EQ(s.items[CControlPtStatDlg::kPoint], (std::vector<std::string>{"0", "1", "2", "3"}));
  EXPECT_EQ(s.GetCurSel(CControlPtStatDlg::kPoint), 0);
  qzntest::Choose(dlg, s, CControlPtStatDlg::kPoint, 3);
  EXPECT_EQ(s.GetText(CControlPtStatDlg::kImageX), "100.0");
  EXPECT_EQ(s.GetText(CControlPtStatDlg::kMapY), "1949.00000");
  EXPECT_EQ(s.GetText(CControlPtStatDlg::kFitX), "1107.00000");
  EXPECT_EQ(s.GetText(CControlPtStatDlg::kErrorX), "0.00000");
  EXPECT_EQ(s.GetText(CControlPtStatDlg::kErrorY), "0.00000");

  // Five points: the fit misses the odd one, and the dialog says by how much.
  AddPoint(four, 50, 25, 1060, 1980);
  CControlPtStatDlg five(&four);
  qzntest::FakeControls f;
  five.InitDialog(f);
  qzntest::Choose(five, f, CControlPtStatDlg::kPoint, 4);
  EXPECT_GT(Number(f, CControlPtStatDlg::kErrorX), 0.1);
  qzntest::Choose(five, f, CControlPtStatDlg::kPoint, 7);  // no such point: the fields stay
  EXPECT_EQ(f.GetText(CControlPtStatDlg::kImageX), "50.0");
}

TEST_F(GeorefDialogs, UtmConversionsAgreeWithProjAndComeBackWhenReopened) {
  QZN_REQUIRE_PYPROJ(python);
  struct Case {
    const char* ellipsoid;
    const char* proj;
    double lat, lon;
  } cases[] = {
      {"WGS-84 (NAD83)", "+ellps=WGS84", 35.5, -81.2},
      {"International", "+ellps=intl", 48.85, 2.35},
      {"Clarke 1866 (NAD27)", "+ellps=clrk66", 40.1, -105.3},
  };
  std::string input;
  for (const Case& k : cases)
    input += std::string(k.proj) + " " + std::to_string(k.lat) + " " + std::to_string(k.lon) + "\n";
  const char* script = R"(
import sys, math
from pyproj import Proj
for line in open(sys.argv[1]):
    ell, lat, lon = line.split()
    lat, lon = float(lat), float(lon)
    zone = int(math.floor((lon + 180) / 6)) + 1
    e, n = Proj("+proj=utm +zone=%d %s +no_defs" % (zone, ell))(lon, lat)
    print("%.6f %.6f" % (e, n))
)";
  std::string output;
  ASSERT_TRUE(projtest::RunOracle(python, script, input, output)) << output;
  std::istringstream answers(output);
  for (const Case& k : cases) {
    double e = 0.0, n = 0.0;
    answers >> e >> n;
    qzntest::FakeControls u;
    CUtmConvertDlg dlg(doc.get());
    dlg.InitDialog(u);
    u.text[CUtmConvertDlg::kEllipsoid] = k.ellipsoid;
    u.text[CUtmConvertDlg::kLatitude] = FormatNumber(k.lat);
    u.text[CUtmConvertDlg::kLongitude] = FormatNumber(k.lon);
    dlg.OnClicked(CUtmConvertDlg::kLlToUtm, u);
    EXPECT_NEAR(Number(u, CUtmConvertDlg::kEasting), e, 1e-3) << k.ellipsoid;
    EXPECT_NEAR(Number(u, CUtmConvertDlg::kNorthing), n, 1e-3) << k.ellipsoid;
    EXPECT_FALSE(u.GetText(CUtmConvertDlg::kZone).empty());

    // Reopened: the last values and ellipsoid; back to latitude/longitude.
    qzntest::FakeControls again;
    CUtmConvertDlg reopened(doc.get());
    reopened.InitDialog(again);
    EXPECT_EQ(again.GetText(CUtmConvertDlg::kEllipsoid), k.ellipsoid);
    EXPECT_EQ(again.GetText(CUtmConvertDlg::kEasting), u.GetText(CUtmConvertDlg::kEasting));
    again.text[CUtmConvertDlg::kLatitude] = "0";
    again.text[CUtmConvertDlg::kLongitude] = "0";
    reopened.OnClicked(CUtmConvertDlg::kUtmToLl, again);
    EXPECT_NEAR(Number(again, CUtmConvertDlg::kLatitude), k.lat, 1e-8);
    EXPECT_NEAR(Number(again, CUtmConvertDlg::kLongitude), k.lon, 1e-8);
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(GeorefDialogs, UtmRefusesAnUnknownEllipsoidAndAMissingZoneLeavingTheFields) {
  CUtmConvertDlg dlg(doc.get());
  dlg.InitDialog(c);
  EXPECT_EQ(c.items[CUtmConvertDlg::kEllipsoid].size(), 23u);
  c.text[CUtmConvertDlg::kEllipsoid] = "Moon 1969";
  c.text[CUtmConvertDlg::kLatitude] = "35";
  c.text[CUtmConvertDlg::kLongitude] = "-81";
  c.text[CUtmConvertDlg::kNorthing] = "7";
  dlg.OnClicked(CUtmConvertDlg::kLlToUtm, c);
  EXPECT_EQ(c.GetText(CUtmConvertDlg::kNorthing), "7");
  c.text[CUtmConvertDlg::kZone] = "";
  dlg.OnClicked(CUtmConvertDlg::kUtmToLl, c);
  EXPECT_EQ(c.GetText(CUtmConvertDlg::kLatitude), "35");
  // The workspace has no control point: the dialog says so.
  dlg.OnClicked(CUtmConvertDlg::kPointsToUtm, c);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{text::kUnknownEllipsoid, text::kEnterUtmZoneFirst,
                                                    text::kNoControlPointsDefined}));
}

TEST_F(GeorefDialogs, UtmConvertsTheControlPointsThereAndBack) {
  AddPoint(doc->m_controlPts, 0, 0, -81.2, 35.5);
  AddPoint(doc->m_controlPts, 100, 100, -81.1, 35.4);
  CUtmConvertDlg dlg(doc.get());
  dlg.InitDialog(c);
  dlg.OnClicked(CUtmConvertDlg::kPointsToUtm, c);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{text::kControlPointsNowUtm});
  EXPECT_EQ(c.GetText(CUtmConvertDlg::kZone), doc->m_controlPts.m_coordSys.zoneText);
  const CControlPt* first = doc->m_controlPts.GetHead();
  EXPECT_GT(first->m_mapX, 100000.0);
  dlg.OnClicked(CUtmConvertDlg::kPointsToLl, c);
  EXPECT_NEAR(first->m_mapX, -81.2, 1e-8);
  EXPECT_NEAR(first->m_mapY, 35.5, 1e-8);
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(GeorefDialogs, StatePlaneInFeetAgreesWithProjAndComesBack) {
  QZN_REQUIRE_PYPROJ(python);
  // Alabama East, NAD83 (EPSG 26929, metres), in US survey feet.
  const char* script = R"(
import sys
from pyproj import Transformer
t = Transformer.from_crs(4269, 26929, always_xy=True)
for line in open(sys.argv[1]):
    lat, lon = map(float, line.split())
    x, y = t.transform(lon, lat)
    print("%.6f %.6f" % (x * 3937.0 / 1200.0, y * 3937.0 / 1200.0))
)";
  std::string output;
  ASSERT_TRUE(projtest::RunOracle(python, script, "33.5 -85.9\n", output)) << output;
  double xFeet = 0.0, yFeet = 0.0;
  std::istringstream(output) >> xFeet >> yFeet;

  CStatePlaneDlg dlg(doc.get());
  dlg.InitDialog(c);
  EXPECT_EQ(c.items[CStatePlaneDlg::kZone].size(), 134u);
  EXPECT_EQ(c.GetCurSel(CStatePlaneDlg::kZone), 0);
  EXPECT_EQ(StatePlaneDialogValues().zone, "ALABAMA EAST - 101");
  EXPECT_TRUE(c.GetCheck(CStatePlaneDlg::kNad83));
  EXPECT_EQ(c.GetText(CStatePlaneDlg::kUnits), text::kUnitMetre);
  c.text[CStatePlaneDlg::kUnits] = text::kUnitFeet;
  c.text[CStatePlaneDlg::kLatitude] = "33.5";
  c.text[CStatePlaneDlg::kLongitude] = "-85.9";
  dlg.OnClicked(CStatePlaneDlg::kLlToSpl, c);
  EXPECT_NEAR(Number(c, CStatePlaneDlg::kEasting) * US_SURVEY_FOOT, xFeet * US_SURVEY_FOOT, 1e-3);
  EXPECT_NEAR(Number(c, CStatePlaneDlg::kNorthing) * US_SURVEY_FOOT, yFeet * US_SURVEY_FOOT, 1e-3);
  // Back: the same latitude and longitude, the plane fields still in feet.
  const std::string easting = c.GetText(CStatePlaneDlg::kEasting);
  c.text[CStatePlaneDlg::kLatitude] = "0";
  c.text[CStatePlaneDlg::kLongitude] = "0";
  dlg.OnClicked(CStatePlaneDlg::kSplToLl, c);
  EXPECT_NEAR(Number(c, CStatePlaneDlg::kLatitude), 33.5, 1e-9);
  EXPECT_NEAR(Number(c, CStatePlaneDlg::kLongitude), -85.9, 1e-9);
  EXPECT_EQ(c.GetText(CStatePlaneDlg::kEasting), easting);
  EXPECT_TRUE(host.messages.empty());

  // Opened again: the zone and values of the last conversion.
  qzntest::FakeControls again;
  CStatePlaneDlg reopened(doc.get());
  reopened.InitDialog(again);
  EXPECT_EQ(again.GetText(CStatePlaneDlg::kEasting), easting);
  EXPECT_EQ(again.GetText(CStatePlaneDlg::kUnits), text::kUnitMetre);  // units start in metres each time
}

TEST_F(GeorefDialogs, StatePlaneAsksAboutEastLongitudesAndRefusesAZoneWithoutTheDatum) {
  CStatePlaneDlg dlg(doc.get());
  dlg.InitDialog(c);
  c.text[CStatePlaneDlg::kLatitude] = "33.5";
  c.text[CStatePlaneDlg::kLongitude] = "85.9";
  host.answers = {IDNO};
  dlg.OnClicked(CStatePlaneDlg::kLlToSpl, c);  // converted as typed: far east of the zone
  EXPECT_EQ(c.GetText(CStatePlaneDlg::kLongitude), "85.9");
  ASSERT_GE(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, text::kAskWestNegative);
  host.messages.clear();
  host.answers = {IDYES};
  dlg.OnClicked(CStatePlaneDlg::kLlToSpl, c);
  EXPECT_EQ(c.GetText(CStatePlaneDlg::kLongitude), "-85.9");
  EXPECT_EQ(host.Texts(), std::vector<std::string>{text::kAskWestNegative});
  const std::string northing = c.GetText(CStatePlaneDlg::kNorthing);

  // A zone the 1983 datum has no parameters for: stopped, fields as they were.
  host.messages.clear();
  const int california7 = CStatePlane::FindZone("CALIFORNIA VII - 407");
  ASSERT_GE(california7, 0);
  c.text[CStatePlaneDlg::kZone] = c.GetItemText(CStatePlaneDlg::kZone, california7);
  c.text[CStatePlaneDlg::kUnits] = text::kUnitFeet;
  c.text[CStatePlaneDlg::kLongitude] = "-118.3";
  c.text[CStatePlaneDlg::kLatitude] = "34.1";
  dlg.OnClicked(CStatePlaneDlg::kLlToSpl, c);
  dlg.OnClicked(CStatePlaneDlg::kSplToLl, c);
  EXPECT_EQ(c.GetText(CStatePlaneDlg::kNorthing), northing);
  EXPECT_EQ(c.GetText(CStatePlaneDlg::kLatitude), "34.1");
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{text::kZoneWithoutDatum, text::kZoneWithoutDatum}));
}

TEST_F(GeorefDialogs, WarpAndControlPointDialogsExchangeTheirValues) {
  CWarpDlg warp;
  warp.InitDialog(c);
  EXPECT_TRUE(c.GetCheck(CWarpDlg::kBilinear));
  c.check[CWarpDlg::kBilinear] = false;
  c.check[CWarpDlg::kTriangulation] = true;
  ASSERT_TRUE(warp.OnOK(c));
  EXPECT_EQ(warp.method, 1);

  CControlPtDlg point;
  qzntest::FakeControls p;
  point.InitDialog(p);
  EXPECT_EQ(p.GetText(CControlPtDlg::kMapX), "0");
  p.text[CControlPtDlg::kImageX] = "12.5";
  p.text[CControlPtDlg::kMapY] = "4412345.125";
  p.text[CControlPtDlg::kMapX] = "东";
  EXPECT_FALSE(point.OnOK(p));  // not a number: refused, the dialog stays
  p.text[CControlPtDlg::kMapX] = "512000";
  ASSERT_TRUE(point.OnOK(p));
  EXPECT_EQ(point.imageX, 12.5);
  EXPECT_EQ(point.mapX, 512000.0);
  EXPECT_EQ(point.mapY, 4412345.125);
}
