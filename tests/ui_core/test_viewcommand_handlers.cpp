// The commands that open dialogs, run through the view's command table with
// scripted dialogs: what reaches the image, the georeference, the lines and
// the rubber band after OK, that Cancel changes nothing, and that the
// current tool lets go of the data first.
#include <gtest/gtest.h>

#include "resources/commands.h"
#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/imagedlgs.h"
#include "ui/core/smalldialogs.h"
#include "ui/core/vectorizedlgs.h"
#include "ui/core/viewdialogs.h"
#include "viewcommand_test_util.h"

using namespace qzn;
using namespace viewtest;
using qzntest::FakeControls;
using qzntest::ScriptedDialogs;

namespace {

struct CommandRun : ::testing::Test {
  CScriptedHost host;
  CHostScope scope{&host};
  ScriptedDialogs dialogs;
  FakeWindow window;
  std::unique_ptr<CQznDoc> doc = MakeDoc(64, 48, Kind::kGrey);
  std::unique_ptr<CQznView> view;

  void SetUp() override {
    view = std::make_unique<CQznView>(doc.get(), &window);
    view->OnInitialUpdate();
  }
  // The dialog's fields typed, then OK.
  void Answer(std::vector<std::pair<int, std::string>> fields) {
    dialogs.scripts.push_back([fields](CDialogModel& m, FakeControls& c) {
      for (const auto& [id, text] : fields) c.text[id] = text;
      return qzntest::PressOK(m, c);
    });
  }
};

TEST_F(CommandRun, CropProposesTheRubberBandAndTakesTheAreaInOrder) {
  view->SetRubberBand(RECT{4, 5, 30, 25});
  RECT proposed{};
  dialogs.scripts.push_back([&](CDialogModel& m, FakeControls& c) {
    proposed = static_cast<CCropAreaDlg&>(m).area;
    // Typed the wrong way round: right of left, bottom above top.
    c.text[kRectLeftId] = "40";
    c.text[kRectRightId] = "10";
    c.text[kRectTopId] = "30";
    c.text[kRectBottomId] = "6";
    return qzntest::PressOK(m, c);
  });
  ASSERT_TRUE(RunViewCommand(*view, 32820));
  EXPECT_EQ(proposed.left, 4);
  EXPECT_EQ(proposed.bottom, 25);
  EXPECT_EQ(doc->m_image.width, 30);
  EXPECT_EQ(doc->m_image.height, 24);
  EXPECT_TRUE(IsRectEmpty(view->rubberBand));

  // Cancelled: nothing changes.
  view->SetRubberBand(RECT{1, 1, 5, 5});
  ASSERT_TRUE(RunViewCommand(*view, 32820));
  EXPECT_EQ(doc->m_image.width, 30);
  EXPECT_FALSE(IsRectEmpty(view->rubberBand));
}

TEST_F(CommandRun, ResizeKeepsControlPointsWithThePixels) {
  for (int i = 0; i < 4; ++i) {
    CControlPt* p = doc->m_controlPts.AddNew();
    p->m_imageX = 10 + 20 * (i % 2);
    p->m_imageY = 8 + 30 * (i / 2);
    p->m_mapX = 1000 + i;
    p->m_mapY = 2000 + i;
  }
  // A factor of 1 does nothing even after OK.
  Answer({{CResampleDlg::kFactor, "1"}});
  ASSERT_TRUE(RunViewCommand(*view, 32882));
  EXPECT_EQ(doc->m_image.width, 64);

  Answer({{CResampleDlg::kFactor, "2"}});
  ASSERT_TRUE(RunViewCommand(*view, 32882));
  EXPECT_EQ(doc->m_image.width, 32);
  EXPECT_EQ(doc->m_image.height, 24);
  std::vector<const CControlPt*> cps(doc->m_controlPts.begin(), doc->m_controlPts.end());
  ASSERT_EQ(cps.size(), 4u);
  EXPECT_DOUBLE_EQ(cps[1]->m_imageX, 15.0);
  EXPECT_DOUBLE_EQ(cps[3]->m_imageY, 19.0);
  EXPECT_EQ(doc->m_nImageModified, 1);

  // A point on a hidden layer would be left behind: the command is refused.
  doc->m_hiddenPoints.AddPoint(5, 5, 1, 1, 0);
  EXPECT_FALSE(RunViewCommand(*view, 32882));
}

TEST_F(CommandRun, RotateAndSegmentStopWhenTheirDialogsAreCancelled) {
  const std::vector<std::uint8_t> before(doc->m_image.pixels, doc->m_image.pixels + doc->m_image.GetImageBytes());
  ASSERT_TRUE(RunViewCommand(*view, cmd::kImageRotate));
  ASSERT_EQ(doc->m_image.GetImageBytes(), static_cast<std::int64_t>(before.size()));
  EXPECT_TRUE(std::equal(before.begin(), before.end(), doc->m_image.pixels));

  // Segmentation runs, then the threshold is asked; Cancel there traces nothing.
  ASSERT_TRUE(RunViewCommand(*view, 32951));
  EXPECT_EQ(dialogs.shown.back(), CThresholdDlg::kId);
  EXPECT_TRUE(doc->m_lines.IsEmpty());
}

}  // namespace

namespace {

// A tool that only counts how often it was told to let go of the data.
struct CountingTool : CEditTool {
  int* dropped;
  CountingTool(IToolHost& host, int* count) : CEditTool(host, 0), dropped(count) {}
  int GetType() const override { return 2; }
  void FinishAndDrop() override { ++*dropped; }
};

}  // namespace

TEST_F(CommandRun, CommandsThatChangeTheDataMakeTheCurrentToolLetGoFirst) {
  int dropped = 0;
  const ToolFactory previous = FindToolFactory(3);
  RegisterToolFactory(3, [&dropped](IToolHost& host, CQznDoc*) {
    return std::make_unique<CountingTool>(host, &dropped);
  });
  AddLine(doc->m_lines, {{1, 1}, {20, 20}});
  view->SetEditMode(3);
  ASSERT_NE(view->Tool(), nullptr);
  // The B-spline dialog stays enabled while lines are edited; even its
  // Cancel replaces every line.
  ASSERT_TRUE(RunViewCommand(*view, 33060));
  EXPECT_EQ(dropped, 1);
  ASSERT_TRUE(RunViewCommand(*view, 32808));  // the negative
  EXPECT_EQ(dropped, 2);
  view->SetEditMode(0);
  RegisterToolFactory(3, previous);
}

TEST_F(CommandRun, DeleteByIdRangeKeepsTheLinesOutsideTheRange) {
  for (float id : {1.0f, 2.0f, 3.0f, 5.0f}) AddLine(doc->m_lines, {{1, 1}, {20, 20}}, id);
  Answer({{CDeleteIDRangeDlg::kFrom, "2"}, {CDeleteIDRangeDlg::kTo, "3"}});
  ASSERT_TRUE(RunViewCommand(*view, 32852));
  std::vector<float> left;
  for (const CChain* c : doc->m_lines) left.push_back(c->m_fID);
  EXPECT_EQ(left, (std::vector<float>{1.0f, 5.0f}));
  EXPECT_EQ(doc->m_lines.m_nModified, 1);
}

TEST(WorkspaceSize, DefaultTakesInEveryLineAndPointAndAnEmptyAreaIsRefused) {
  CScriptedHost host;
  CHostScope scope(&host);
  ScriptedDialogs dialogs;
  FakeWindow window;
  auto doc = std::make_unique<CQznDoc>();
  doc->OnNewDocument();
  doc->m_extent = RECT{0, 0, 100, 100};
  AddLine(doc->m_lines, {{-20, 10}, {50, 130}});
  doc->m_points.AddPoint(150, 40, 1, 1, 0);  // a single point: a rectangle without area
  CQznView view(doc.get(), &window);
  view.OnInitialUpdate();
  dialogs.scripts.push_back([](CDialogModel& m, FakeControls& c) {
    // Left and right the same: refused, the dialog stays open.
    c.text[kRectLeftId] = "5";
    c.text[kRectRightId] = "5";
    c.text[kRectTopId] = "0";
    c.text[kRectBottomId] = "9";
    EXPECT_FALSE(m.OnOK(c));
    m.OnClicked(CWorkspaceDlg::kDefault, c);
    return qzntest::PressOK(m, c);
  });
  ASSERT_TRUE(RunViewCommand(view, 33012));
  EXPECT_EQ(host.messages.size(), 1u);
  // Every vertex and the point inside (the lists' bounds end one past).
  EXPECT_EQ(doc->m_extent.left, -20);
  EXPECT_EQ(doc->m_extent.top, 0);
  EXPECT_EQ(doc->m_extent.right, 151);
  EXPECT_EQ(doc->m_extent.bottom, 131);
}
