// The snap, polygon, direction and import dialogs on generated lines.
#include <gtest/gtest.h>

#include "tests/ui_core/dialog_test_util.h"
#include "ui/core/directiondlg.h"
#include "ui/core/polygondlg.h"
#include "ui/core/snapdlg.h"

using namespace qzn;
using qzntest::AddLine;
using qzntest::Lines;

namespace {

struct Snap : qzntest::DialogFixture {
  // Two pieces of one line 2 pixels apart on layer 0, and two 1 pixel apart
  // on a second layer that may be locked.
  void Fill(bool lockSecond) {
    CLayer* second = doc->m_layers.AddLayer();
    if (lockSecond) second->m_nFlags |= CLayer::kMarked;
    AddLine(lines(), {{10, 10}, {100, 10}});
    AddLine(lines(), {{102, 10}, {200, 10}});
    AddLine(lines(), {{10, 150}, {100, 150}}, second->m_nID);
    AddLine(lines(), {{101, 150}, {200, 150}}, second->m_nID);
  }
};

}  // namespace

TEST_F(Snap, LinesOfLockedLayersStayAndFiftyJoinsInstead) {
  struct Case {
    const char* distance;
    bool lock;
    std::int64_t left;
  } cases[] = {
      {"3", false, 2},  // each layer's pieces merge
      {"3", true, 3},   // the locked layer's stay
      {"49", true, 3},  // still layer by layer
      {"50", true, 2},  // joining ignores the lock
      {"1", false, 3},  // only the 1-pixel gap closes
  };
  for (const Case& k : cases) {
    doc = viewtest::MakeDoc(400, 300, viewtest::Kind::kGrey);
    view = std::make_unique<CQznView>(doc.get(), &window);
    Fill(k.lock);
    CSnapLinesDlg dlg(view.get());
    dlg.InitDialog(c);
    ASSERT_FALSE(dlg.cannotRun);
    c.text[CSnapLinesDlg::kDistance] = k.distance;
    dlg.OnClicked(CSnapLinesDlg::kApply, c);
    EXPECT_EQ(lines().GetCount(), k.left) << k.distance << (k.lock ? " locked" : "");
  }
}

TEST_F(Snap, CancelAfterSeveralAppliesGivesBackTheLinesOfTheOpening) {
  Fill(false);
  AddLine(lines(), {{10, 250}, {100, 250}}, 0, 1.0f);
  AddLine(lines(), {{101, 250}, {200, 250}}, 0, 2.0f);  // another ID: merged only without same-ID
  const auto before = Lines(lines());
  CSnapLinesDlg dlg(view.get());
  dlg.InitDialog(c);
  EXPECT_TRUE(c.check[CSnapLinesDlg::kSameId]);
  c.text[CSnapLinesDlg::kDistance] = "3";
  dlg.OnClicked(CSnapLinesDlg::kApply, c);
  EXPECT_EQ(lines().GetCount(), 4);
  c.check[CSnapLinesDlg::kSameId] = false;
  dlg.OnClicked(CSnapLinesDlg::kApply, c);
  EXPECT_EQ(lines().GetCount(), 3);
  dlg.OnCancel(c);
  EXPECT_EQ(Lines(lines()), before);

  // OK at the distance of the last apply does not run again; OK at another does.
  CSnapLinesDlg ok(view.get());
  ok.InitDialog(c);
  c.text[CSnapLinesDlg::kDistance] = "1";
  ok.OnClicked(CSnapLinesDlg::kApply, c);  // merges the layer-2 pair only
  ASSERT_EQ(lines().GetCount(), 5);
  AddLine(lines(), {{210, 100}, {300, 100}});
  AddLine(lines(), {{300, 100}, {390, 100}});
  ASSERT_TRUE(ok.OnOK(c));
  EXPECT_EQ(lines().GetCount(), 7);
  c.text[CSnapLinesDlg::kDistance] = "6000";
  CSnapLinesDlg bad(view.get());
  bad.InitDialog(c);
  c.text[CSnapLinesDlg::kDistance] = "6000";
  EXPECT_FALSE(bad.OnOK(c));
  EXPECT_EQ(host.messages.back().text, "请输入一个整数在 1 和 5000 之间。");
}

TEST_F(Snap, EndPointsOKAfterApplyWithTheSameToleranceSnapsNoMore) {
  AddLine(lines(), {{10, 10}, {20, 10}});
  AddLine(lines(), {{21, 11}, {30, 10}});
  const auto before = Lines(lines());
  CSnapEndpointsDlg dlg(view.get());
  dlg.InitDialog(c);
  EXPECT_EQ(c.text[CSnapEndpointsDlg::kTolerance], "1");
  c.text[CSnapEndpointsDlg::kTolerance] = "2";
  dlg.OnClicked(CSnapEndpointsDlg::kApply, c);
  const auto snapped = Lines(lines());
  EXPECT_NE(snapped, before);
  window.invalidations = 0;
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(Lines(lines()), snapped);
  EXPECT_EQ(window.invalidations, 0);

  lines().DeleteAll();
  AddLine(lines(), {{10, 10}, {20, 10}});
  AddLine(lines(), {{21, 11}, {30, 10}});
  CSnapEndpointsDlg cancel(view.get());
  cancel.InitDialog(c);
  c.text[CSnapEndpointsDlg::kTolerance] = "2";
  cancel.OnClicked(CSnapEndpointsDlg::kApply, c);
  cancel.OnClicked(CSnapEndpointsDlg::kApply, c);
  cancel.OnCancel(c);
  EXPECT_EQ(Lines(lines()), before);
}

TEST_F(Snap, ClosePolygonApplyCancelAndTheRememberedGap) {
  // Four sides of a square with 2-pixel gaps at two corners, on layer 0.
  AddLine(lines(), {{10, 10}, {50, 10}});
  AddLine(lines(), {{50, 12}, {50, 50}});
  AddLine(lines(), {{50, 50}, {10, 50}});
  AddLine(lines(), {{10, 48}, {10, 10}});
  lines().m_nModified = 0;
  const auto before = Lines(lines());
  CClosePolygonDlg::s_lastGap = 1;
  CClosePolygonDlg dlg(view.get());
  dlg.InitDialog(c);
  EXPECT_EQ(c.text[CClosePolygonDlg::kGap], "1");
  EXPECT_FALSE(c.check[CClosePolygonDlg::kSplit]);
  EXPECT_TRUE(c.check[CClosePolygonDlg::kNoOverlap]);
  EXPECT_TRUE(c.IsEnabled(CClosePolygonDlg::kApply));
  c.text[CClosePolygonDlg::kGap] = "4";
  dlg.OnClicked(CClosePolygonDlg::kApply, c);
  ASSERT_TRUE(dlg.applied);
  EXPECT_FALSE(c.IsEnabled(CClosePolygonDlg::kApply));
  ASSERT_EQ(doc->m_layers.GetCount(), 2);
  const CLayer& polygonLayer = doc->m_layers.GetAt(1);
  EXPECT_EQ(polygonLayer.m_strName, "Polygon" + std::to_string(polygonLayer.m_nID));
  ASSERT_EQ(lines().GetCount(), 5);
  EXPECT_EQ(lines().GetTail()->m_nLayer, polygonLayer.m_nID);
  EXPECT_TRUE(lines().GetTail()->IsClosed(0));
  const std::int64_t polygonNodes = lines().GetTail()->GetCount();
  dlg.OnClicked(CClosePolygonDlg::kApply, c);  // a second apply is not possible
  EXPECT_EQ(lines().GetCount(), 5);
  dlg.OnCancel(c);
  EXPECT_EQ(Lines(lines()), before);
  EXPECT_EQ(doc->m_layers.GetCount(), 1);
  EXPECT_EQ(lines().m_nModified, 0);

  CClosePolygonDlg next(view.get());  // the gap of the last run
  next.InitDialog(c);
  EXPECT_EQ(c.text[CClosePolygonDlg::kGap], "4");
  next.OnClicked(CClosePolygonDlg::kApply, c);
  ASSERT_TRUE(next.OnOK(c));  // OK after the apply builds nothing more
  EXPECT_EQ(lines().GetCount(), 5);
  EXPECT_EQ(lines().GetTail()->GetCount(), polygonNodes);
  EXPECT_EQ(lines().m_nPolygonsBuilt, 1);
  next.OnClicked(CClosePolygonDlg::kHelp, c);
  EXPECT_EQ(host.messages.back().text,
            "连接线段形成一个多边形如果它们的端点在最大距离值之内。 太大值会引起线段连接错误。");
}

TEST_F(Snap, DirectionFlipsTwiceBackAndLeavesUncheckedKindsAlone) {
  AddLine(lines(), {{10, 20}, {30, 40}});
  CPointRec* p = doc->m_points.AddNew();
  p->x = 5;
  p->y = 7;
  const auto before = Lines(lines());
  CAdjustDirectionDlg dlg(view.get(), doc.get());
  dlg.InitDialog(c);
  EXPECT_TRUE(c.check[CAdjustDirectionDlg::kLines]);
  EXPECT_TRUE(c.check[CAdjustDirectionDlg::kPoints]);
  EXPECT_FALSE(c.check[CAdjustDirectionDlg::kNotes]);  // the workspace has no notes
  c.check[CAdjustDirectionDlg::kNotes] = true;
  c.check[CAdjustDirectionDlg::kPoints] = false;
  dlg.OnClicked(CAdjustDirectionDlg::kFlipVertical, c);
  const RECT& e = doc->m_extent;
  EXPECT_EQ(lines().GetHead()->m_points[0].y, static_cast<float>(e.top + e.bottom) - 20.0f);
  EXPECT_EQ(p->y, 7.0f);
  dlg.OnClicked(CAdjustDirectionDlg::kFlipVertical, c);
  EXPECT_EQ(Lines(lines()), before);
  c.check[CAdjustDirectionDlg::kPoints] = true;
  dlg.OnClicked(CAdjustDirectionDlg::kRotate, c);
  EXPECT_EQ(lines().GetHead()->m_points[0].x, 20.0f);
  EXPECT_EQ(lines().GetHead()->m_points[0].y, 10.0f);
  EXPECT_EQ(p->x, 7.0f);
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(Snap, ImportAsksForTheVectorFileFirstAndProposesNames) {
  CImportGeoVectorDlg dlg("", 1);
  dlg.InitDialog(c);
  EXPECT_TRUE(c.check[CImportGeoVectorDlg::kTriangulation]);
  EXPECT_FALSE(dlg.OnOK(c));
  EXPECT_EQ(host.messages.back().text, "请指定矢量文件名。");
  host.fileAnswers.push_back({"/maps/a.gen"});
  dlg.OnClicked(CImportGeoVectorDlg::kBrowseVector, c);
  EXPECT_EQ(host.fileDialogs.back().fileName, "*.gen");
  EXPECT_EQ(host.fileDialogs.back().defaultExtension, "gen");
  EXPECT_EQ(c.text[CImportGeoVectorDlg::kVectorFile], "/maps/a.gen");
  EXPECT_FALSE(dlg.OnOK(c));
  EXPECT_EQ(host.messages.back().text, "请指定控制点文件名。");

  dlg.basePath = "/maps/sheet.tif";
  host.fileAnswers.push_back({"/maps/sheet.cpt"});
  dlg.OnClicked(CImportGeoVectorDlg::kBrowseControl, c);
  EXPECT_EQ(host.fileDialogs.back().fileName, "/maps/sheet.cpt");
  EXPECT_EQ(host.fileDialogs.back().flags, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
  EXPECT_EQ(host.fileDialogs.back().filter, "控制点文件 (*.cpt)|*.cpt|World 文件 (*.tfw)|*.tfw||");
  host.fileAnswers.push_back({});  // cancelled: the name stays
  dlg.OnClicked(CImportGeoVectorDlg::kBrowseVector, c);
  EXPECT_EQ(host.fileDialogs.back().fileName, "/maps/sheet");
  EXPECT_EQ(dlg.vectorFile, "/maps/a.gen");
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(dlg.controlFile, "/maps/sheet.cpt");
  EXPECT_EQ(dlg.method, 1);
}
