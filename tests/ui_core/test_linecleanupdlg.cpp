// The apply-then-decide dialogs on a workspace of generated lines: apply,
// cancel and OK sequences, with the lines checked by value afterwards.
#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/support/testutil.h"
#include "tests/ui_core/dialog_test_util.h"
#include "ui/core/linecleanupdlg.h"
#include "ui/core/polygondlg.h"
#include "ui/core/snapdlg.h"

using namespace qzn;
using qzntest::AddLine;
using qzntest::Lines;

namespace {

struct CleanUp : qzntest::DialogFixture {
  // Lines of length 2, 5, 9 and 20 (3, 2, 2 and 5 nodes), and a closed square.
  void Fill() {
    AddLine(lines(), {{10, 10}, {11, 10}, {12, 10}});
    AddLine(lines(), {{10, 20}, {15, 20}});
    AddLine(lines(), {{10, 30}, {19, 30}});
    AddLine(lines(), {{10, 40}, {15, 40}, {20, 40}, {25, 40}, {30, 40}});
    AddLine(lines(), {{50, 50}, {60, 50}, {60, 60}, {50, 60}, {50, 50}});
    lines().m_nModified = 0;
  }
};

}  // namespace

TEST_F(CleanUp, RemoveLinesAppliesOnceUntilTheMaximumChanges) {
  Fill();
  const auto before = Lines(lines());
  CRemoveLinesDlg dlg(view.get(), RECT{});
  dlg.InitDialog(c);
  EXPECT_EQ(c.text[CRemoveLinesDlg::kMaximum], "4");
  EXPECT_FALSE(c.IsEnabled(CRemoveLinesDlg::kInArea));  // no rectangle drawn
  qzntest::Type(dlg, c, CRemoveLinesDlg::kMaximum, "6");
  dlg.OnClicked(CRemoveLinesDlg::kApply, c);  // lengths 2 and 5 go
  EXPECT_EQ(lines().GetCount(), 3);
  AddLine(lines(), {{100, 100}, {103, 100}});  // would go if the apply ran again
  dlg.OnClicked(CRemoveLinesDlg::kApply, c);
  qzntest::Type(dlg, c, CRemoveLinesDlg::kMinimum, "0");  // the minimum does not re-arm it
  dlg.OnClicked(CRemoveLinesDlg::kApply, c);
  EXPECT_EQ(lines().GetCount(), 4);
  qzntest::Type(dlg, c, CRemoveLinesDlg::kMaximum, "10");  // the maximum does
  dlg.OnClicked(CRemoveLinesDlg::kApply, c);
  EXPECT_EQ(lines().GetCount(), 2);
  dlg.OnCancel(c);
  EXPECT_EQ(Lines(lines()), before);  // as when the dialog opened, without the line added since
  EXPECT_EQ(lines().m_nModified, 0);
}

TEST_F(CleanUp, RemoveLinesTakesAMaximumBelowTheMinimumAsTheRange) {
  Fill();
  CRemoveLinesDlg dlg(view.get(), RECT{});
  dlg.InitDialog(c);
  c.text[CRemoveLinesDlg::kMaximum] = "3";
  c.text[CRemoveLinesDlg::kMinimum] = "7";
  ASSERT_TRUE(dlg.UpdateData(c, true));
  EXPECT_EQ(dlg.minimum, 3u);
  EXPECT_EQ(dlg.maximum, 7u);

  // Apply takes the range the same way: the line of length 5 goes, not none.
  CRemoveLinesDlg apply(view.get(), RECT{});
  apply.InitDialog(c);
  c.text[CRemoveLinesDlg::kMaximum] = "3";
  c.text[CRemoveLinesDlg::kMinimum] = "7";
  apply.OnClicked(CRemoveLinesDlg::kApply, c);
  EXPECT_EQ(lines().GetCount(), 4);
  EXPECT_EQ(c.text[CRemoveLinesDlg::kMaximum], "7");
  EXPECT_EQ(c.text[CRemoveLinesDlg::kMinimum], "3");
  EXPECT_TRUE(apply.OnOK(c));
  EXPECT_EQ(lines().GetCount(), 4);  // applied: OK keeps the result
}

TEST_F(CleanUp, RemoveLinesByNodeCountInTheAreaOnOK) {
  Fill();
  CRemoveLinesDlg dlg(view.get(), RECT{0, 0, 100, 25});  // the lines at y 10 and 20
  dlg.InitDialog(c);
  EXPECT_TRUE(c.IsEnabled(CRemoveLinesDlg::kInArea));
  c.text[CRemoveLinesDlg::kMaximum] = "3";
  c.text[CRemoveLinesDlg::kMinimum] = "2";
  c.check[CRemoveLinesDlg::kByLength] = false;
  c.check[CRemoveLinesDlg::kByNodes] = true;
  c.check[CRemoveLinesDlg::kInArea] = true;
  ASSERT_TRUE(dlg.OnOK(c));
  const auto left = Lines(lines());
  ASSERT_EQ(left.size(), 3u);
  EXPECT_EQ(left[0].points.front().y, 30.0f);
  c.text[CRemoveLinesDlg::kMaximum] = "0";
  EXPECT_FALSE(dlg.OnOK(c));
  EXPECT_EQ(host.messages.back().text, "请输入一个整数在 1 和 100000 之间。");
}

TEST_F(CleanUp, DeleteByTypeCases) {
  struct Case {
    const char* what;
    bool open, closed, duplicates, inRect;
    RECT rect;
    bool apply;
    std::size_t left;
  } cases[] = {
      {"open and closed, no rectangle: every line", true, true, false, false, {}, true, 0},
      {"open only", true, false, false, false, {}, true, 2},
      {"closed only", false, true, false, false, {}, true, 4},
      {"duplicates with OK and no apply", false, false, true, false, {}, false, 5},
      {"open in the rectangle", true, false, false, true, {0, 0, 40, 25}, true, 4},
      {"rectangle drawn, box cleared: everywhere", true, false, false, false, {0, 0, 40, 25}, true, 2},
  };
  for (const Case& k : cases) {
    lines().DeleteAll();
    Fill();
    AddLine(lines(), {{50, 50}, {60, 50}, {60, 60}, {50, 60}, {50, 50}});  // a copy of the square
    const auto before = Lines(lines());
    CDeleteByTypeDlg dlg(view.get(), k.rect);
    qzntest::FakeControls fc;
    dlg.InitDialog(fc);
    EXPECT_EQ(fc.check[CDeleteByTypeDlg::kInRect], !IsRectEmpty(k.rect)) << k.what;
    fc.check[CDeleteByTypeDlg::kOpen] = k.open;
    fc.check[CDeleteByTypeDlg::kClosed] = k.closed;
    fc.check[CDeleteByTypeDlg::kDuplicates] = k.duplicates;
    fc.check[CDeleteByTypeDlg::kInRect] = k.inRect;
    if (k.apply) dlg.OnClicked(CDeleteByTypeDlg::kApply, fc);
    ASSERT_TRUE(dlg.OnOK(fc));
    EXPECT_EQ(static_cast<std::size_t>(lines().GetCount()), k.left) << k.what;
    if (!k.apply) continue;
    // The same apply, then Cancel: the lines as they were.
    lines().DeleteAll();
    Fill();
    AddLine(lines(), {{50, 50}, {60, 50}, {60, 60}, {50, 60}, {50, 50}});
    CDeleteByTypeDlg again(view.get(), k.rect);
    again.InitDialog(fc);
    fc.check[CDeleteByTypeDlg::kInRect] = k.inRect;
    again.OnClicked(CDeleteByTypeDlg::kApply, fc);
    again.OnCancel(fc);
    EXPECT_EQ(Lines(lines()), before) << k.what;
  }
  CDeleteByTypeDlg none(view.get(), RECT{});
  none.InitDialog(c);
  none.OnClicked(CDeleteByTypeDlg::kApply, c);
  EXPECT_EQ(host.messages.back().text, "请选择一个或更多的线型以删除。");
  EXPECT_EQ(host.messages.back().style, MB_OK | MB_ICONSTOP);
  EXPECT_FALSE(none.Saved().Held());
}

TEST_F(CleanUp, SmoothTwiceThenCancelGivesBackLinesAndTolerance) {
  AddLine(lines(), {{0, 0}, {5.0f, 0.4f}, {10, 0}, {15.0f, 0.3f}, {20, 0}});
  AddLine(lines(), {{0, 50}, {10, 50}, {10, 50}, {20, 50}});
  doc->m_fFactor = 0.25f;
  const auto before = Lines(lines());
  CSmoothLinesDlg dlg(view.get(), RECT{});
  dlg.InitDialog(c);
  EXPECT_EQ(c.text[CSmoothLinesDlg::kThreshold], "0.25");
  qzntest::Type(dlg, c, CSmoothLinesDlg::kThreshold, "0");
  dlg.OnClicked(CSmoothLinesDlg::kApply, c);  // only repeated and collinear nodes go
  EXPECT_EQ(lines().GetTail()->GetCount(), 2);
  EXPECT_EQ(lines().GetHead()->GetCount(), 5);
  qzntest::Type(dlg, c, CSmoothLinesDlg::kThreshold, "1");
  dlg.OnClicked(CSmoothLinesDlg::kApply, c);
  EXPECT_EQ(lines().GetHead()->GetCount(), 2);
  EXPECT_EQ(doc->m_fFactor, 1.0f);
  dlg.OnClicked(CSmoothLinesDlg::kHelp, c);
  EXPECT_EQ(host.messages.back().style, MB_OK | MB_ICONINFORMATION);
  dlg.OnCancel(c);
  EXPECT_EQ(Lines(lines()), before);
  EXPECT_EQ(doc->m_fFactor, 0.25f);

  // OK without an apply smooths and keeps the tolerance; out of range is refused.
  CSmoothLinesDlg ok(view.get(), RECT{});
  ok.InitDialog(c);
  c.text[CSmoothLinesDlg::kThreshold] = "1000.5";
  EXPECT_FALSE(ok.OnOK(c));
  EXPECT_EQ(host.messages.back().text, "请输入一个数字在 0 和 1000 之间。");
  c.text[CSmoothLinesDlg::kThreshold] = "2";
  ASSERT_TRUE(ok.OnOK(c));
  EXPECT_EQ(lines().GetHead()->GetCount(), 2);
  EXPECT_EQ(doc->m_fFactor, 2.0f);
}

TEST_F(CleanUp, BSplineAppliesOnceAndCancelRestores) {
  AddLine(lines(), {{0, 0}, {10, 10}, {20, 0}, {30, 10}});
  const auto before = Lines(lines());
  CBSplineDlg dlg(view.get());
  dlg.InitDialog(c);
  EXPECT_EQ(c.text[CBSplineDlg::kNodes], "2");
  c.text[CBSplineDlg::kNodes] = "101";
  dlg.OnClicked(CBSplineDlg::kApply, c);
  EXPECT_EQ(host.messages.back().text, "请输入一个整数在 2 和 100 之间。");
  EXPECT_FALSE(dlg.Saved().Held());
  c.text[CBSplineDlg::kNodes] = "4";
  dlg.OnClicked(CBSplineDlg::kApply, c);
  ASSERT_TRUE(dlg.applied);
  const std::int64_t smoothed = lines().GetHead()->GetCount();
  EXPECT_GT(smoothed, 4);
  dlg.OnClicked(CBSplineDlg::kApply, c);
  EXPECT_EQ(host.messages.back().text, "B 样线段平滑已完成。请选择确定。");
  EXPECT_EQ(lines().GetHead()->GetCount(), smoothed);
  dlg.OnCancel(c);
  EXPECT_EQ(Lines(lines()), before);

  CBSplineDlg ok(view.get());
  ok.InitDialog(c);
  c.text[CBSplineDlg::kNodes] = "4";
  ok.OnClicked(CBSplineDlg::kApply, c);
  ASSERT_TRUE(ok.OnOK(c));  // OK after the apply does not smooth again
  EXPECT_EQ(lines().GetHead()->GetCount(), smoothed);
  lines().DeleteAll();
  AddLine(lines(), {{0, 0}, {10, 10}, {20, 0}, {30, 10}});
  CBSplineDlg direct(view.get());
  direct.InitDialog(c);
  c.text[CBSplineDlg::kNodes] = "4";
  ASSERT_TRUE(direct.OnOK(c));  // OK without an apply smooths
  EXPECT_EQ(lines().GetHead()->GetCount(), smoothed);
}

// When the copy that Cancel needs cannot be made, the dialog says so and
// nothing changes: in a child process whose address space cannot hold a
// copy of the big line.
TEST_F(CleanUp, ACopyThatCannotBeMadeChangesNothing) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "an address-space limit does not mix with the sanitizers' shadow memory";
#else
  auto body = [this] {
    Fill();
    CChain* big = lines().NewChain();
    big->m_points.assign(20000000, CFPoint(11.0f, 11.0f));  // 160 MB of vertices
    big->m_points.back() = CFPoint(500.0f, 500.0f);
    big->CalcBounds();
    if (!qzntest::LimitAddressSpace(64u << 20)) std::_Exit(3);
    const std::int64_t count = lines().GetCount();
    auto unchanged = [&] {
      return lines().GetCount() == count && lines().GetTail() == big && big->GetCount() == 20000000;
    };

    CRemoveLinesDlg remove(view.get(), RECT{});
    remove.InitDialog(c);
    c.text[CRemoveLinesDlg::kMaximum] = "100";
    remove.OnClicked(CRemoveLinesDlg::kApply, c);
    if (!unchanged() || remove.applied || host.messages.back().text != "没有足够的内存。") std::_Exit(4);

    CDeleteByTypeDlg byType(view.get(), RECT{});
    byType.InitDialog(c);
    c.check[CDeleteByTypeDlg::kOpen] = true;
    byType.OnClicked(CDeleteByTypeDlg::kApply, c);
    if (!unchanged() || host.messages.back().text != "内存不足，不能继续这个操作。") std::_Exit(5);

    CSmoothLinesDlg smooth(view.get(), RECT{});
    smooth.InitDialog(c);
    smooth.OnClicked(CSmoothLinesDlg::kApply, c);
    if (!unchanged() || smooth.applied) std::_Exit(6);

    CBSplineDlg spline(view.get());
    spline.InitDialog(c);
    spline.OnClicked(CBSplineDlg::kApply, c);
    if (!unchanged() || spline.applied || host.messages.back().text != "没有足够的内存应用。") std::_Exit(7);

    // The snap dialogs copy when they open: without the copy they never run.
    CSnapLinesDlg snap(view.get());
    snap.InitDialog(c);
    if (!snap.cannotRun || !unchanged()) std::_Exit(8);
    CSnapEndpointsDlg ends(view.get());
    ends.InitDialog(c);
    if (!ends.cannotRun || !unchanged()) std::_Exit(9);
    // Cancel without a copy takes nothing away.
    snap.OnCancel(c);
    if (!unchanged()) std::_Exit(10);

    // The polygons are built from copies of the current layer's lines.
    CClosePolygonDlg polygons(view.get());
    polygons.InitDialog(c);
    polygons.OnClicked(CClosePolygonDlg::kApply, c);
    if (!unchanged() || polygons.applied || doc->m_layers.GetCount() != 1) std::_Exit(11);
    if (host.messages.back().text != "内存不足。生成多边形失败。") std::_Exit(12);
    std::_Exit(0);
  };
  EXPECT_EXIT(body(), ::testing::ExitedWithCode(0), "");
#endif
}
