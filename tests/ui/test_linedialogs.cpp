// The windows of the line, table, georeferencing, batch and OCR dialogs as a
// user meets them: one table of cases makes every dialog through the window
// registry, shows it, checks that its texts are whole and its controls
// neither clipped, overlapping nor outside, saves its picture
// (build/artifacts/dialog-<name>.png), fills it through its controls, presses
// OK, reads the values back and destroys it.
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/toplevel.h>

#include "app/charlist.h"
#include "tests/ui/gui_test_util.h"
#include "tests/ui_core/dialog_test_util.h"
#include "georef/controlpt.h"
#include "ui/core/batchdlg.h"
#include "ui/core/colorfeaturedlg.h"
#include "ui/core/controlptdlg.h"
#include "ui/core/directiondlg.h"
#include "ui/core/exportdlgs.h"
#include "ui/core/linecleanupdlg.h"
#include "ui/core/ocrdlg.h"
#include "ui/core/polygondlg.h"
#include "ui/core/projectiondlg.h"
#include "ui/core/reportdlg.h"
#include "ui/core/snapdlg.h"
#include "ui/dialogs.h"
#include "ui/imagewindow.h"
#include "ui/mainframe.h"
#include "ui/wxtext.h"
#include "widgets/core/gridmodel.h"

using namespace qzn;
using guitest::As;
using guitest::SmokeCase;

namespace {

class LineDialogs : public guitest::DesktopTest {
 protected:
  viewtest::FakeWindow window;
  std::unique_ptr<CQznDoc> doc = viewtest::MakeDoc(300, 200, viewtest::Kind::kGrey);
  std::unique_ptr<CQznView> view = std::make_unique<CQznView>(doc.get(), &window);
};

}  // namespace

TEST_F(LineDialogs, EveryDialogIsMadeLookedAtFilledReadBackAndDestroyed) {
  qzntest::AddLine(doc->m_lines, {{10, 10}, {20, 15}, {30, 10}, {40, 15}, {50, 10}, {60, 15}, {70, 10}, {80, 15}});
  CQznView* v = view.get();
  CQznDoc* d = doc.get();
  const std::vector<SmokeCase> cases = {
      {"remove-lines",
       [v] {
         return std::make_unique<CRemoveLinesDlg>(v, RECT{0, 0, 50, 50});
       },
       [](IDialogControls& c) {
         c.SetText(CRemoveLinesDlg::kMaximum, "3");
         c.SetText(CRemoveLinesDlg::kMinimum, "7");
         c.SetCheck(CRemoveLinesDlg::kByNodes, true);
         c.SetCheck(CRemoveLinesDlg::kInArea, true);
       },
       [](CDialogModel& m) {
         auto& r = As<CRemoveLinesDlg>(m);
         EXPECT_EQ(r.minimum, 3u);
         EXPECT_EQ(r.maximum, 7u);
         EXPECT_EQ(r.measure, 1);
         EXPECT_TRUE(r.inArea);
       }},
      {"delete-by-type", [v] { return std::make_unique<CDeleteByTypeDlg>(v, RECT{}); },
       [](IDialogControls& c) {
         EXPECT_FALSE(c.IsEnabled(CDeleteByTypeDlg::kInRect));
         c.SetCheck(CDeleteByTypeDlg::kDuplicates, true);
       },
       [](CDialogModel& m) { EXPECT_TRUE(As<CDeleteByTypeDlg>(m).duplicates); }},
      {"smooth-lines", [v] { return std::make_unique<CSmoothLinesDlg>(v, RECT{}); },
       [](IDialogControls& c) { c.SetText(CSmoothLinesDlg::kThreshold, "2.5"); },
       [d](CDialogModel& m) {
         EXPECT_EQ(As<CSmoothLinesDlg>(m).threshold, 2.5f);
         EXPECT_EQ(d->m_fFactor, 2.5f);
       }},
      {"b-spline", [v] { return std::make_unique<CBSplineDlg>(v); },
       [](IDialogControls& c) { c.SetText(CBSplineDlg::kNodes, "3"); },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CBSplineDlg>(m).nodes, 3u);
         EXPECT_TRUE(As<CBSplineDlg>(m).applied);
       }},
      {"snap-lines", [v] { return std::make_unique<CSnapLinesDlg>(v); },
       [](IDialogControls& c) {
         c.SetText(CSnapLinesDlg::kDistance, "12");
         c.SetCheck(CSnapLinesDlg::kSameId, false);
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CSnapLinesDlg>(m).distance, 12u);
         EXPECT_FALSE(As<CSnapLinesDlg>(m).sameId);
       }},
      {"snap-endpoints", [v] { return std::make_unique<CSnapEndpointsDlg>(v); },
       [](IDialogControls& c) { c.SetText(CSnapEndpointsDlg::kTolerance, "0.5"); },
       [](CDialogModel& m) { EXPECT_EQ(As<CSnapEndpointsDlg>(m).tolerance, 0.5f); }},
      {"snap-distance", [] { return std::make_unique<CSnapDistanceDlg>(); },
       [](IDialogControls& c) { c.SetText(CSnapDistanceDlg::kDistance, "1000"); },
       [](CDialogModel& m) { EXPECT_EQ(As<CSnapDistanceDlg>(m).distance, 1000u); }},
      {"close-polygon", [v] { return std::make_unique<CClosePolygonDlg>(v); },
       [](IDialogControls& c) {
         c.SetText(CClosePolygonDlg::kGap, "5");
         c.SetCheck(CClosePolygonDlg::kSplit, true);
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CClosePolygonDlg>(m).gap, 5u);
         EXPECT_TRUE(As<CClosePolygonDlg>(m).split);
         EXPECT_TRUE(As<CClosePolygonDlg>(m).noOverlap);
       }},
      {"label-polygon", [] { return std::make_unique<CLabelPolygonDlg>(); },
       [](IDialogControls& c) { c.SetCheck(CLabelPolygonDlg::kAllLines, true); },
       [](CDialogModel& m) { EXPECT_EQ(As<CLabelPolygonDlg>(m).choice, 1); }},
      {"adjust-direction",
       [v, d] {
         qzntest::AddLine(d->m_lines, {{1, 1}, {9, 9}});
         return std::make_unique<CAdjustDirectionDlg>(v, d);
       },
       [](IDialogControls& c) {
         EXPECT_TRUE(c.GetCheck(CAdjustDirectionDlg::kLines));
         EXPECT_FALSE(c.GetCheck(CAdjustDirectionDlg::kNotes));
         c.SetCheck(CAdjustDirectionDlg::kNotes, true);
       },
       [](CDialogModel& m) { EXPECT_TRUE(As<CAdjustDirectionDlg>(m).notes); }},
      {"import-geo-vector", [] { return std::make_unique<CImportGeoVectorDlg>("/maps/a.cpt", 0); },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetText(CImportGeoVectorDlg::kControlFile), "/maps/a.cpt");
         c.SetText(CImportGeoVectorDlg::kVectorFile, "/maps/线.gen");
         c.SetCheck(CImportGeoVectorDlg::kTriangulation, true);
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CImportGeoVectorDlg>(m).vectorFile, "/maps/线.gen");
         EXPECT_EQ(As<CImportGeoVectorDlg>(m).method, 1);
       }},
      {"control-point", [] { return std::make_unique<CControlPtDlg>(); },
       [](IDialogControls& c) {
         c.SetText(CControlPtDlg::kImageX, "12.5");
         c.SetText(CControlPtDlg::kMapY, "4412345.125");
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CControlPtDlg>(m).imageX, 12.5);
         EXPECT_EQ(As<CControlPtDlg>(m).mapY, 4412345.125);
       }},
      {"control-point-statistics",
       [d] {
         for (auto [ix, iy, mx, my] :
              {std::array{0., 0., 1000., 2000.}, std::array{100., 0., 1100., 2003.}, std::array{0., 50., 1004., 1950.},
               std::array{100., 50., 1107., 1949.}, std::array{50., 25., 1060., 1980.}})
           d->m_controlPts.Adopt(new CControlPt(ix, iy, mx, my));
         return std::make_unique<CControlPtStatDlg>(&d->m_controlPts);
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetCount(CControlPtStatDlg::kPoint), 5);
         EXPECT_EQ(c.GetText(CControlPtStatDlg::kMapX), "1000.00000");
         c.SetCurSel(CControlPtStatDlg::kPoint, 4);
       },
       [](CDialogModel&) {}},
      {"warp", [] { return std::make_unique<CWarpDlg>(); },
       [](IDialogControls& c) { c.SetCheck(CWarpDlg::kTriangulation, true); },
       [](CDialogModel& m) { EXPECT_EQ(As<CWarpDlg>(m).method, 1); }},
      {"utm", [d] { return std::make_unique<CUtmConvertDlg>(d); },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetCount(CUtmConvertDlg::kEllipsoid), 23);
         EXPECT_EQ(c.GetText(CUtmConvertDlg::kEllipsoid), "WGS-84 (NAD83)");
         c.SetText(CUtmConvertDlg::kZone, "17S");
         c.SetText(CUtmConvertDlg::kEllipsoid, "International");
       },
       [](CDialogModel&) {
         EXPECT_EQ(UtmDialogValues().zone, "17S");
         EXPECT_EQ(UtmDialogValues().ellipsoid, "International");
       }},
      {"state-plane", [d] { return std::make_unique<CStatePlaneDlg>(d); },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetText(CStatePlaneDlg::kZone), "ALABAMA EAST - 101");
         EXPECT_TRUE(c.GetCheck(CStatePlaneDlg::kNad83));
         c.SetCurSel(CStatePlaneDlg::kZone, 2);
         c.SetCheck(CStatePlaneDlg::kNad27, true);
         c.SetText(CStatePlaneDlg::kUnits, "英尺");
       },
       [](CDialogModel& m) {
         EXPECT_EQ(StatePlaneDialogValues().datum, 0);
         EXPECT_NE(StatePlaneDialogValues().zone, "ALABAMA EAST - 101");
         EXPECT_EQ(As<CStatePlaneDlg>(m).units, "英尺");
       }},
      {"colour-features",
       [v, d] {
         CColorFeature f;
         f.meanRed = 10.4f, f.meanGreen = 200.9f, f.meanBlue = 30.2f;
         d->m_colorClasses.Add(f);
         return std::make_unique<CColorFeatureDlg>(v);
       },
       [](IDialogControls&) {},
       [d](CDialogModel& m) {
         ASSERT_NE(As<CColorFeatureDlg>(m).Grid(), nullptr);
         EXPECT_EQ(As<CColorFeatureDlg>(m).Grid()->GetItemText(1, 2), "200.90");
         EXPECT_EQ(d->m_colorClasses.GetSize(), 1);
       }},
      {"vector-report",
       [d] {
         auto r = std::make_unique<CVectorReportDlg>();
         r->title = "矢量报告";
         r->document = d;
         return r;
       },
       [](IDialogControls& c) { EXPECT_EQ(c.GetText(CVectorReportDlg::kTitle), "矢量报告"); },
       [d](CDialogModel& m) {
         ASSERT_NE(As<CVectorReportDlg>(m).Grid(), nullptr);
         EXPECT_EQ(As<CVectorReportDlg>(m).Grid()->GetRowCount(), d->m_lines.GetCount() + 1);
       }},
      {"batch",
       [] {
         auto b = std::make_unique<CBatchVectorizeDlg>();
         b->images = {"/maps/none.tif"};
         return b;
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetCount(CBatchVectorizeDlg::kImages), 1);
         EXPECT_EQ(c.GetText(CBatchVectorizeDlg::kSource), "地图");
         c.SetCheck(CBatchVectorizeDlg::kOutline, true);
         c.SetCheck(CBatchVectorizeDlg::kOutputFirst + 4, true);
         c.SetText(CBatchVectorizeDlg::kSource, "CAD 图形");
         c.SetText(CBatchVectorizeDlg::kLogPath, dir->file("smoke.log"));
         host->answers.clear();
       },
       [](CDialogModel& m) {
         auto& b = As<CBatchVectorizeDlg>(m);
         EXPECT_EQ(b.vectorKind, 1);
         EXPECT_EQ(b.outputType, 4);
         EXPECT_EQ(b.sourceType, "CAD 图形");
         EXPECT_EQ(b.imagesDone, 0);  // the image does not exist: logged, nothing written
         EXPECT_TRUE(std::filesystem::exists(dir->file("smoke.log")));
         host->messages.clear();  // the run's closing message
       }},
      {"batch-script", [v] { return std::make_unique<CBatchScriptDlg>(nullptr, v); },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetCount(CBatchScriptDlg::kCommands), 27);
         EXPECT_TRUE(c.IsEnabled(CBatchScriptDlg::kApply));
         c.SetCurSel(CBatchScriptDlg::kCommands, 1);
         c.SetText(CBatchScriptDlg::kEdit, "LineSmooth 1.0");
       },
       [](CDialogModel& m) { EXPECT_FALSE(As<CBatchScriptDlg>(m).modified); }},
      {"ocr-train", [] { return std::make_unique<COcrTrainDlg>(); },
       [](IDialogControls& c) { c.SetText(COcrTrainDlg::kCharacter, "中"); },
       [](CDialogModel& m) { EXPECT_EQ(As<COcrTrainDlg>(m).Code(), 0x4E2D); }},
      {"ocr-signature",
       [d] {
         for (int code : {0x41, 0x4E2D}) d->m_chars.AddNew()->m_nCode = code;
         d->m_chars.m_strDescription = "字符集";
         return std::make_unique<COcrSignatureDlg>(&d->m_chars);
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetItemText(COcrSignatureDlg::kList, 1), "中");
         EXPECT_EQ(c.GetText(COcrSignatureDlg::kDescription), "字符集");
         c.SetText(COcrSignatureDlg::kDescription, "数字");
       },
       [d](CDialogModel&) { EXPECT_EQ(d->m_chars.m_strDescription, "数字"); }},
      {"export-dxf", [d] { return std::make_unique<CDxfOutDlg>(d, DxfOutOptions::Defaults(*d)); },
       [](IDialogControls& c) {
         EXPECT_TRUE(c.GetCheck(CDxfOutDlg::kPageSpace));
         c.SetCheck(CDxfOutDlg::kPixelSpacing, true);
         c.SetCheck(CDxfOutDlg::kIdAsZ, false);
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CDxfOutDlg>(m).values.mode, DxfOutOptions::pixelSpacing);
         EXPECT_EQ(As<CDxfOutDlg>(m).values.idAsZ, 0);
       }},
      {"export-resolution", [d] { return std::make_unique<CImageResDlg>(ImageResolutionOptions::Defaults(*d)); },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetCount(CImageResDlg::kUnit), 3);
         c.SetText(CImageResDlg::kResolution, "96");
         c.SetText(CImageResDlg::kUnit, "厘米");
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CImageResDlg>(m).values.resolution, 96.0f);
         EXPECT_EQ(As<CImageResDlg>(m).values.unit, "厘米");
       }},
      {"export-mif", [d] { return std::make_unique<CMifParamDlg>(MifParamOptions::Defaults(*d)); },
       [](IDialogControls& c) {
         EXPECT_FALSE(c.GetCheck(kRadioNoGeoref));  // none chosen
         EXPECT_EQ(c.GetText(CMifParamDlg::kUnitName), "英寸");
         c.SetText(CMifParamDlg::kProjection, "\"UTM Zone 33, Northern Hemisphere (WGS 84)\", 8, 104, \"m\", 15");
         c.SetCheck(CMifParamDlg::kEarth, true);
         c.SetCheck(kRadioFlip, true);
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CMifParamDlg>(m).values.Clause(), "CoordSys Earth Projection  8, 104, \"m\", 15");
         EXPECT_EQ(As<CMifParamDlg>(m).values.mode, static_cast<int>(GeorefChoice::flip));
       }},
      {"export-shp", [d] { return std::make_unique<CArcViewExportDlg>(ArcViewExportOptions::Defaults(*d)); },
       [](IDialogControls& c) {
         c.SetCheck(CArcViewExportDlg::kPoints, true);
         c.SetCheck(CArcViewExportDlg::kPolygons, true);
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CArcViewExportDlg>(m).values.source, ArcViewExportOptions::points);
         EXPECT_EQ(As<CArcViewExportDlg>(m).values.polygons, 1);
       }},
      {"export-xyz", [d] { return std::make_unique<CXyzOptionsDlg>(XyzOptions::Defaults(*d)); },
       [](IDialogControls& c) {
         EXPECT_FALSE(c.IsEnabled(CXyzOptionsDlg::kPoints));  // the workspace has none
         c.SetCheck(kRadioNoGeoref, true);
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CXyzOptionsDlg>(m).values.lines, 1);
         EXPECT_EQ(As<CXyzOptionsDlg>(m).values.mode, static_cast<int>(GeorefChoice::none));
       }},
      {"export-sdl",
       [d] {
         d->m_paths[CQznDoc::kPathAttributes] = "/home/user/very/long/folder/of/attribute/files/names.sda";
         return std::make_unique<CSdlOutputDlg>(d, SdlOutputOptions::Defaults(*d));
       },
       [](IDialogControls& c) {
         EXPECT_TRUE(c.GetCheck(CSdlOutputDlg::kMerge));
         c.SetCheck(CSdlOutputDlg::kMerge, false);
       },
       [d](CDialogModel& m) {
         EXPECT_EQ(As<CSdlOutputDlg>(m).values.merge, 0);
         d->m_paths[CQznDoc::kPathAttributes].clear();
       }},
      {"export-gen", [d] { return std::make_unique<CArcPntExportDlg>(ArcPntExportOptions::Defaults(*d)); },
       [](IDialogControls& c) { c.SetCheck(CArcPntExportDlg::kIntegerIds, false); },
       [](CDialogModel& m) { EXPECT_EQ(As<CArcPntExportDlg>(m).values.integerIds, 0); }},
      {"export-iges", [d] { return std::make_unique<CIgesOutDlg>(IgesOutOptions::Defaults(*d)); },
       [](IDialogControls& c) { c.SetCheck(CIgesOutDlg::kFlip, true); },
       [](CDialogModel& m) { EXPECT_EQ(As<CIgesOutDlg>(m).values.mode, IgesOutOptions::flip); }},
  };
  guitest::RunDialogSmoke(cases, host->messages);
}

TEST_F(LineDialogs, TheColourFeatureTableStaysBesideItsViewAndClosesWithIt) {
  CImageWindow* w = OpenFromDialog(WriteScan("colours.tif", 120, 80, viewtest::Kind::kRgb));
  ASSERT_NE(w, nullptr);
  const auto shownTable = []() -> wxWindow* {
    for (wxWindow* t : wxTopLevelWindows)
      if (t->IsShown() && FromWx(t->GetLabel()) == "提取图像颜色属性") return t;
    return nullptr;
  };
  OpenColorFeatureTable(w->View());
  guitest::Pump(3);
  wxWindow* table = shownTable();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->GetParent(), MainFrame());  // a dialog of the main window: above it

  // A rectangle drawn in the view, then "添加": a row of the table.
  w->View().SetRubberBand(RECT{10, 10, 40, 30});
  wxCommandEvent add(wxEVT_BUTTON, CColorFeatureDlg::kAdd);
  add.SetEventObject(table->FindWindow(CColorFeatureDlg::kAdd));
  table->GetEventHandler()->ProcessEvent(add);
  auto* grid = dynamic_cast<CGridModel*>(table->FindWindow(CColorFeatureDlg::kGrid));
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->GetItemText(1, 0), "0");
  EXPECT_TRUE(host->messages.empty()) << (host->messages.empty() ? "" : host->messages[0]);

  // Opened again: still one table. Closing the workspace closes it.
  OpenColorFeatureTable(w->View());
  guitest::Pump(3);
  int tables = 0;
  for (wxWindow* t : wxTopLevelWindows) tables += t->IsShown() && FromWx(t->GetLabel()) == "提取图像颜色属性";
  EXPECT_EQ(tables, 1);
  Desktop()->manager->CloseDocuments(true);
  guitest::Pump(5);
  EXPECT_EQ(shownTable(), nullptr);
}
