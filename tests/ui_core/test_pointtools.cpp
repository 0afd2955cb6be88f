// The point tool and the control-point tool headless on a generated scan:
// each sub-mode's press and drag, the commands with their questions and
// dialogs, Undo after each change (an added point is taken back by
// identity, not by position), and the picked point shared between views.
#include <gtest/gtest.h>

#include "fake_dialogs.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "tool_test_util.h"
#include "ui/core/cptool.h"
#include "ui/core/controlptdlg.h"
#include "ui/core/pointtool.h"
#include "ui/core/toolsettings.h"

using namespace qzn;

namespace {

constexpr COLORREF kLayerColour = RGB(1, 2, 3);

struct PointTool : tooltest::ToolTest {
  CPointRec* p1 = nullptr;  // (100, 100), value 5, layer 0
  CPointRec* p2 = nullptr;  // (300, 200), value 7, layer 0

  void SetUp() override {
    ToolTest::SetUp();
    p1 = doc->m_points.AddPoint(100, 100, 5, 7, RGB(9, 9, 9));
    p2 = doc->m_points.AddPoint(300, 200, 7, 7, RGB(9, 9, 9));
    CLayer& one = doc->m_layers.GetAt(1);
    one.m_color = kLayerColour;
    doc->m_layers.SetCurrentLayer(one.m_strName);
  }
  CPointEditTool* Enter(int subCommand = 0) {
    EXPECT_TRUE(Command(cmd::kEditPointTool));
    EXPECT_EQ(view->editMode, EditMode::kPointEdit);
    if (subCommand) {
      EXPECT_TRUE(Command(subCommand));
    }
    return Tool<CPointEditTool>();
  }
  std::int64_t Points() const { return doc->m_points.GetCount(); }
  bool InList(const CPointRec* p) const { return doc->m_points.Find(p) != nullptr; }
};

}  // namespace

TEST_F(PointTool, NewPointsTakeTheLayerAndUndoRemovesThatVeryPoint) {
  CPointEditTool* t = Enter();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->GetCursorId(), res::kCursorAdd);
  Click(100, 100);  // on top of p1
  ASSERT_EQ(Points(), 3);
  CPointRec* added = doc->m_points.GetTail();
  EXPECT_EQ(added->x, 100.0f);
  EXPECT_EQ(added->layer, doc->m_layers.GetCurrentLayerID());
  EXPECT_EQ(added->color, kLayerColour);
  // p1 comes first on ties, so taking the nearest would have removed it.
  t->Undo();
  EXPECT_EQ(Points(), 2);
  EXPECT_TRUE(InList(p1));
  EXPECT_FALSE(InList(added));
  EXPECT_FALSE(t->CanUndo());
}

TEST_F(PointTool, EachSubModeAndItsUndo) {
  doc->m_points.m_fNextID = 40;
  doc->m_points.m_nAutoIncrement = 1;
  doc->m_points.m_fIDIncrement = 2;
  CPointEditTool* t = Enter(cmd::kPointMove);
  // Move: the nearest point follows the drag; Undo puts back the whole record.
  Drag({110, 95}, {150, 160});
  EXPECT_EQ(p1->x, 150.0f);
  EXPECT_EQ(p1->y, 160.0f);
  EXPECT_TRUE(view->Feedback().Shapes().empty());
  p1->layer = 1;  // changed after the press: the undo gives back the press's record
  t->Undo();
  EXPECT_EQ(p1->x, 100.0f);
  EXPECT_EQ(p1->y, 100.0f);
  EXPECT_EQ(p1->layer, 0);

  // Assign ID: the current ID, which then grows; Undo gives the old value.
  Command(cmd::kPointAssignId);
  EXPECT_EQ(window.status, res::text::kPointAssignIdStatus);
  Click(290, 210);
  EXPECT_EQ(p2->value, 40.0f);
  EXPECT_EQ(doc->m_points.m_fNextID, 42.0f);
  t->Undo();
  EXPECT_EQ(p2->value, 7.0f);

  // Show ID: layer and value in the status.
  Command(cmd::kPointShowId);
  Click(299, 199);
  EXPECT_EQ(window.status, "图层: 0    ID: 7.000");

  // Set layer: no undo step.
  Command(cmd::kPointSetLayer);
  Click(299, 199);
  EXPECT_EQ(p2->layer, doc->m_layers.GetCurrentLayerID());
  EXPECT_EQ(p2->color, kLayerColour);
  EXPECT_FALSE(t->CanUndo());

  // Delete: the nearest point goes; Undo brings the same record back.
  Command(cmd::kPointDelete);
  Click(105, 105);
  EXPECT_FALSE(InList(p1));
  t->Undo();
  EXPECT_TRUE(InList(p1));
  EXPECT_EQ(Points(), 2);
}

TEST_F(PointTool, DeletingInTheRubberBandAsksAndUndoesAsOneStep) {
  CPointEditTool* t = Enter();
  struct Case {
    RECT band;
    int answer;
    std::int64_t left;
    bool undo;
  };
  for (const Case k : {Case{{90, 90, 310, 210}, IDYES, 0, true}, Case{{90, 90, 310, 210}, IDNO, 2, false},
                       Case{{0, 0, 20, 20}, IDYES, 2, false}}) {
    view->SetRubberBand(k.band);
    services.answers.push_back(k.answer);
    Command(cmd::kPointDelete);
    EXPECT_EQ(Points(), k.left);
    EXPECT_EQ(t->CanUndo(), k.undo);
    EXPECT_EQ(t->SubMode(), CPointEditTool::kDelete);
    t->Undo();
    EXPECT_EQ(Points(), 2);
    view->SetRubberBand(RECT{});
  }
  EXPECT_EQ(services.messages.size(), 3u);
  EXPECT_EQ(services.messages[0].text, res::text::kPointAskDeleteInRect);
}

TEST_F(PointTool, WithoutPointsEveryPickDoesNothingAndFiftyChangesKeepFortyNine) {
  doc->m_points.DeleteAll();
  CPointEditTool* t = Enter();
  for (int id : {cmd::kPointMove, cmd::kPointDelete, cmd::kPointAssignId, cmd::kPointShowId, cmd::kPointSetLayer}) {
    Command(id);
    window.status.clear();
    Click(50, 50);
    EXPECT_EQ(Points(), 0);
    EXPECT_EQ(window.status, "");
    EXPECT_FALSE(t->CanUndo());
  }
  Command(cmd::kPointNew);
  for (int i = 0; i < 50; ++i) Click(10 + i, 10);
  EXPECT_EQ(t->UndoCount(), 49);
  while (t->CanUndo()) t->Undo();
  EXPECT_EQ(Points(), 1);
}

TEST_F(PointTool, SetIdThroughTheDialogOrInTheRubberBand) {
  CPointEditTool* t = Enter();
  window.dialogs = [](ToolDialog& d) {
    auto& v = dynamic_cast<CurrentIdValues&>(d);
    v.currentId = 3;
    v.autoIncrement = false;
    v.increment = 9;
    return true;
  };
  doc->m_points.m_fIDIncrement = 1;
  Command(cmd::kPointSetId);
  EXPECT_EQ(window.dialogIds, std::vector<int>{kDlgCurrentId});
  EXPECT_EQ(doc->m_points.m_fNextID, 3.0f);
  EXPECT_EQ(doc->m_points.m_fIDIncrement, 1.0f);  // kept: no auto increment
  EXPECT_EQ(t->SubMode(), CPointEditTool::kAssignId);
  view->SetRubberBand(RECT{90, 90, 110, 110});
  services.answers.push_back(IDYES);
  Command(cmd::kPointSetId);
  EXPECT_EQ(p1->value, 3.0f);
  EXPECT_EQ(p2->value, 7.0f);
  EXPECT_EQ(window.dialogIds.size(), 1u);
  EXPECT_TRUE(IsRectEmpty(view->GetRubberBand()));
}

// ---- control points ---------------------------------------------------------

namespace {

struct ControlPointTool : tooltest::ToolTest {
  qzntest::ScriptedDialogs dialogs;
  CControlPt* cp = nullptr;

  void SetUp() override {
    ToolTest::SetUp();
    g_pickedPoint = CPickedPoint{};
    cp = doc->m_controlPts.AddNew();
    *cp = CControlPt(100.75, 50.25, 5000.5, 6000.125);
    doc->m_controlPts.m_nModified = 0;
  }
  void TearDown() override {
    g_pickedPoint = CPickedPoint{};
    ToolTest::TearDown();
  }
  CControlPointTool* Enter(int subCommand = 0) {
    EXPECT_TRUE(Command(cmd::kEditControlPointTool));
    EXPECT_EQ(view->editMode, EditMode::kControlPoint);
    if (subCommand) {
      EXPECT_TRUE(Command(subCommand));
    }
    return Tool<CControlPointTool>();
  }
  // Answers the next control-point dialog: records what it showed, sets
  // the map coordinates when asked, and presses OK.
  void AnswerDialog(CControlPtDlg* shown, std::optional<std::pair<double, double>> map = std::nullopt) {
    dialogs.scripts.push_back([shown, map](CDialogModel& m, qzntest::FakeControls& c) {
      auto& d = dynamic_cast<CControlPtDlg&>(m);
      *shown = d;
      if (map) {
        c.SetText(CControlPtDlg::kMapX, std::to_string(map->first));
        c.SetText(CControlPtDlg::kMapY, std::to_string(map->second));
      }
      return qzntest::PressOK(m, c);
    });
  }
};

}  // namespace

TEST_F(ControlPointTool, ModifyShowsTheStoredCoordinatesAndOkKeepsThem) {
  Enter(cmd::kCpModify);
  CControlPtDlg shown;
  AnswerDialog(&shown);
  Click(101, 50);
  EXPECT_EQ(shown.imageX, 100.75);
  EXPECT_EQ(cp->m_imageX, 100.75);
  EXPECT_EQ(cp->m_imageY, 50.25);
  EXPECT_EQ(cp->m_mapX, 5000.5);
  EXPECT_EQ(cp->m_mapY, 6000.125);
  // Cancel changes nothing either.
  Click(101, 50);
  EXPECT_EQ(cp->m_mapY, 6000.125);
}

TEST_F(ControlPointTool, APickedPointFillsTheNextNewPointOnlyInAnotherView) {
  view->cursorKind = 0;
  Enter(cmd::kCpPick);
  Click(200, 150);
  EXPECT_TRUE(g_pickedPoint.pending);
  EXPECT_EQ(window.status, "源图像的点 X=200.00, Y=150.00 已经选取。使用新控制点接受点。");

  // Another view of another workspace takes it as map coordinates.
  auto doc2 = viewtest::MakeDoc(401, 301, viewtest::Kind::kGrey, 1);
  viewtest::FakeWindow window2;
  CQznView view2(doc2.get(), &window2);
  view2.OnInitialUpdate();
  ASSERT_TRUE(RunEditCommand(view2, cmd::kEditControlPointTool));
  CControlPtDlg shown;
  AnswerDialog(&shown);
  view2.OnLButtonDown(kMkLButton, POINT{30, 40});
  view2.OnLButtonUp(0, POINT{30, 40});
  ASSERT_EQ(doc2->m_controlPts.GetCount(), 1);
  EXPECT_EQ(shown.mapX, 200.0);
  EXPECT_EQ(shown.mapY, 150.0);
  EXPECT_EQ(doc2->m_controlPts.GetHead()->m_imageX, 30.0);
  EXPECT_FALSE(g_pickedPoint.pending);
  // The next new point starts from its own press again.
  AnswerDialog(&shown);
  view2.OnLButtonDown(kMkLButton, POINT{60, 70});
  view2.OnLButtonUp(0, POINT{60, 70});
  EXPECT_EQ(shown.mapX, 60.0);
  EXPECT_EQ(doc2->m_controlPts.GetCount(), 2);
}

TEST_F(ControlPointTool, MoveDeleteAndCheck) {
  CControlPointTool* t = Enter(cmd::kCpMove);
  Drag({100, 50}, {140, 90});
  EXPECT_EQ(cp->m_imageX, 140.0);
  EXPECT_EQ(cp->m_imageY, 90.0);
  EXPECT_EQ(doc->m_controlPts.m_nModified, 1);
  EXPECT_TRUE(view->Feedback().Shapes().empty());
  EXPECT_FALSE(t->CanUndo());

  Command(cmd::kCpCheck);
  Click(10, 10);
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_NE(services.messages[0].text.find("140"), std::string::npos);
  EXPECT_EQ(services.messages[0].style & MB_ICONINFORMATION, unsigned{MB_ICONINFORMATION});

  Command(cmd::kCpDelete);
  Click(10, 10);
  EXPECT_EQ(doc->m_controlPts.GetCount(), 0);
  Click(10, 10);  // nothing left: nothing happens
  EXPECT_EQ(services.messages.size(), 1u);
}
