// The layer dialogs against fake controls: the layer manager's buttons on its
// private copy, what they show on the drawing at once, OK and Esc; the line
// type and fill pattern dialogs it opens; the layer operation; the rows of
// the layer list.
#include <gtest/gtest.h>

#include "app/qzndoc.h"
#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/layerdlgs.h"
#include "view_test_util.h"

using namespace qzn;
using qzntest::FakeControls;
using qzntest::PressOK;
using qzntest::ScriptedDialogs;

namespace {

// A workspace with layers "0" (current), "roads", "rivers" and "empty"; a
// line on roads, a point on rivers, a hidden note on empty's neighbour.
struct Layers : ::testing::Test {
  CScriptedHost host;
  CHostScope scope{&host};
  ScriptedDialogs dialogs;
  std::unique_ptr<CQznDoc> doc = viewtest::MakeDoc(64, 64, viewtest::Kind::kGrey);
  viewtest::FakeWindow window;
  std::unique_ptr<CQznView> view;
  CLayerManageDlg dlg;
  FakeControls c;
  int roads = 0, rivers = 0, empty = 0;

  void SetUp() override {
    roads = Add("roads");
    rivers = Add("rivers");
    empty = Add("empty");
    auto* line = new CChain;
    line->AddPoint(1, 1);
    line->AddPoint(9, 9);
    line->m_nLayer = roads;
    doc->m_lines.Adopt(line);
    doc->m_points.AddPoint(5, 5, 0, 3, RGB(0, 0, 0))->layer = rivers;
    doc->ApplyLayerVisibility(doc->m_layers);
    view = std::make_unique<CQznView>(doc.get(), &window);
    view->OnInitialUpdate();
    dlg.doc = doc.get();
    dlg.view = view.get();
    dlg.InitDialog(c);
  }
  int Add(const char* name) {
    CLayer* l = doc->m_layers.AddLayer();
    l->m_strName = name;
    return l->m_nID;
  }
  int Row(const char* name) const {
    for (int i = 0; i < dlg.working.GetCount(); ++i)
      if (dlg.working.GetAt(i).m_strName == name) return i;
    return -1;
  }
  void Select(std::initializer_list<const char*> names) {
    c.selection[CLayerManageDlg::kList].clear();
    for (const char* n : names) c.SetSel(CLayerManageDlg::kList, Row(n), true);
  }
  std::string Last() const { return host.messages.empty() ? std::string() : host.messages.back().text; }
};

}  // namespace

TEST_F(Layers, TheListShowsTheCopyAndTheDocumentWaitsForOK) {
  EXPECT_EQ(c.items[CLayerManageDlg::kList], (std::vector<std::string>{"0", "roads", "rivers", "empty"}));
  Select({"roads"});
  dlg.OnClicked(CLayerManageDlg::kLock, c);
  EXPECT_TRUE(dlg.working.GetAt(Row("roads")).IsMarked());
  EXPECT_FALSE(doc->m_layers.FindLayerByName("roads")->IsMarked());
  EXPECT_GT(c.redraws[CLayerManageDlg::kList], 1);
}

TEST_F(Layers, AddingValidatesTheName) {
  struct Case {
    const char* name;
    const char* message;
  } refused[] = {
      {"一二三四五六七八九十一二三", "请输入一个不大于 12 的字符。"},  // 13 characters
      {"", "请在编辑框内为新的图层输入一个名称。"},
      {"ROADS", "图层 ROADS 已存在"},  // another letter case is the same name
  };
  for (const Case& k : refused) {
    c.text[CLayerManageDlg::kName] = k.name;
    dlg.OnClicked(CLayerManageDlg::kAdd, c);
    EXPECT_EQ(Last(), k.message);
    EXPECT_EQ(dlg.working.GetCount(), 4);
  }
  c.text[CLayerManageDlg::kName] = "一二三四五六七八九十一二";  // 12 are allowed
  dlg.OnClicked(CLayerManageDlg::kAdd, c);
  ASSERT_EQ(dlg.working.GetCount(), 5);
  const CLayer& added = dlg.working.GetAt(4);
  EXPECT_EQ(added.m_strName, "一二三四五六七八九十一二");
  EXPECT_TRUE(added.IsCurrent() && added.IsVisible());
  EXPECT_FALSE(dlg.working.GetAt(0).IsCurrent());
  EXPECT_EQ(c.text[CLayerManageDlg::kName], "");
  EXPECT_EQ(c.GetCount(CLayerManageDlg::kList), 5);
}

TEST_F(Layers, DeletingNeedsEveryChosenLayerEmpty) {
  Select({"roads", "empty"});  // roads holds a line: nothing goes
  dlg.OnClicked(CLayerManageDlg::kDelete, c);
  EXPECT_EQ(Last(), "图层不是空的, 不能删除。\n在删除前请清空图层。");
  EXPECT_EQ(dlg.working.GetCount(), 4);
  // A hidden object keeps its layer as well.
  CNote* note = doc->m_hiddenNotes.AddNote(RECT{1, 1, 5, 5}, "注");
  note->m_nID = static_cast<std::int16_t>(empty);
  host.messages.clear();
  Select({"empty"});
  dlg.OnClicked(CLayerManageDlg::kDelete, c);
  EXPECT_EQ(Last(), "图层不是空的, 不能删除。\n在删除前请清空图层。");
  doc->m_hiddenNotes.DeleteAll();
  // Layer "0" (current) stays silently; the empty one goes.
  host.messages.clear();
  Select({"0", "empty"});
  dlg.OnClicked(CLayerManageDlg::kDelete, c);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(c.items[CLayerManageDlg::kList], (std::vector<std::string>{"0", "roads", "rivers"}));
  // Nothing chosen: silent.
  c.selection[CLayerManageDlg::kList].clear();
  dlg.OnClicked(CLayerManageDlg::kDelete, c);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Layers, OnOffShowsAtOnceAndEscPutsTheDrawingBack) {
  Select({"roads"});
  c.colorAnswers.push_back(RGB(255, 0, 255));
  dlg.OnClicked(CLayerManageDlg::kColour, c);
  EXPECT_FALSE(c.colorRequests.back().has_value());  // no starting colour
  EXPECT_EQ(doc->m_lines.GetHead()->m_color, RGB(255, 0, 255));
  Select({"rivers"});
  dlg.OnClicked(CLayerManageDlg::kOnOff, c);
  EXPECT_EQ(doc->m_points.GetCount(), 0);  // the point went hidden at once
  EXPECT_EQ(doc->m_hiddenPoints.GetCount(), 1);
  ASSERT_TRUE(dlg.Applied());
  qzntest::PressCancel(dlg, c);
  // The table never changed, and the drawing is back in line with it.
  EXPECT_TRUE(doc->m_layers.FindLayerByName("rivers")->IsVisible());
  EXPECT_EQ(doc->m_points.GetCount(), 1);
  EXPECT_EQ(doc->m_hiddenPoints.GetCount(), 0);
  EXPECT_EQ(doc->m_lines.GetHead()->m_color, doc->m_layers.FindLayerByName("roads")->m_color);
}

TEST_F(Layers, OKNeedsAVisibleLayerAndReplacesTheTable) {
  for (const char* n : {"0", "roads", "rivers", "empty"}) {
    Select({n});
    dlg.OnClicked(CLayerManageDlg::kOnOff, c);
  }
  EXPECT_FALSE(PressOK(dlg, c));
  EXPECT_EQ(Last(), "当前的图层没有选择");
  Select({"rivers"});
  dlg.OnClicked(CLayerManageDlg::kOnOff, c);
  doc->m_layers.m_nModified = 0;
  ASSERT_TRUE(PressOK(dlg, c));
  // The first visible layer became current; the table is the copy.
  EXPECT_TRUE(doc->m_layers.FindLayerByName("rivers")->IsCurrent());
  EXPECT_FALSE(doc->m_layers.FindLayerByName("roads")->IsVisible());
  EXPECT_EQ(doc->m_layers.GetCount(), 4);
  EXPECT_EQ(doc->m_layers.m_nModified, 1);
  ASSERT_FALSE(host.layerBarUpdates.empty());
  EXPECT_EQ(host.layerBarUpdates.back(), doc.get());
  EXPECT_EQ(doc->m_hiddenLines.GetCount(), 1);
}

TEST_F(Layers, CurrentNeedsExactlyOneRow) {
  Select({"roads", "rivers"});
  dlg.OnClicked(CLayerManageDlg::kCurrent, c);
  EXPECT_TRUE(dlg.working.GetAt(0).IsCurrent());
  Select({"rivers"});
  dlg.OnClicked(CLayerManageDlg::kCurrent, c);
  EXPECT_TRUE(dlg.working.GetAt(Row("rivers")).IsCurrent());
  EXPECT_FALSE(dlg.working.GetAt(0).IsCurrent());
}

TEST_F(Layers, ButtonsThatNeedASelectionSaySo) {
  for (int id : {CLayerManageDlg::kColour, CLayerManageDlg::kLineType, CLayerManageDlg::kFill}) {
    host.messages.clear();
    dlg.OnClicked(id, c);
    EXPECT_EQ(Last(), "请先选择图层项") << id;
  }
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(c.colorRequests.empty());
}

TEST_F(Layers, LineTypeInTheViewsUnit) {
  doc->m_image.xResolution = 2;  // pixels per unit
  doc->m_image.resolutionUnit = 3;
  struct Case {
    int cursorKind;
    const char* unit;
    const char* shown;
    const char* typed;
    int width;
  } cases[] = {{0, "像素", "6", "4", 4}, {2, "厘米", "3", "5", 10}};
  for (const Case& k : cases) {
    view->cursorKind = k.cursorKind;
    dlg.working.GetAt(Row("roads")).m_nWidth = 6;
    dlg.working.GetAt(Row("roads")).m_nPenStyle = 2;
    Select({"roads", "rivers"});
    dialogs.scripts.push_back([&](CDialogModel& m, FakeControls& lc) {
      EXPECT_EQ(m.DialogId(), CLineTypeDlg::kId);
      EXPECT_EQ(lc.text[CLineTypeDlg::kUnit], k.unit);
      EXPECT_EQ(lc.text[CLineTypeDlg::kWidth], k.shown);
      EXPECT_TRUE(lc.check[CLineTypeDlg::kDot]);
      lc.text[CLineTypeDlg::kWidth] = "0";
      EXPECT_EQ(PressOK(m, lc), 0);  // refused: the width must be positive
      lc.text[CLineTypeDlg::kWidth] = k.typed;
      lc.SetCheck(CLineTypeDlg::kDot, false);
      lc.SetCheck(CLineTypeDlg::kDashDot, true);
      return PressOK(m, lc);
    });
    dlg.OnClicked(CLayerManageDlg::kLineType, c);
    for (const char* n : {"roads", "rivers"}) {
      EXPECT_EQ(dlg.working.GetAt(Row(n)).m_nPenStyle, 3);
      EXPECT_EQ(dlg.working.GetAt(Row(n)).m_nWidth, k.width);
    }
  }
  EXPECT_EQ(host.messages.front().text, "请输入一个数字在 1e-09 和 1000 之间。");
}

TEST_F(Layers, FillPatternFromTheFirstChosenLayer) {
  dlg.working.GetAt(Row("rivers")).m_nFill = 4;
  Select({"rivers", "empty"});
  dialogs.scripts.push_back([](CDialogModel& m, FakeControls& fc) {
    EXPECT_TRUE(fc.check[CHatchFillDlg::kFirst + 4]);
    fc.SetCheck(CHatchFillDlg::kFirst + 4, false);
    fc.SetCheck(CHatchFillDlg::kFirst + 6, true);
    return PressOK(m, fc);
  });
  dlg.OnClicked(CLayerManageDlg::kFill, c);
  EXPECT_EQ(dlg.working.GetAt(Row("rivers")).m_nFill, 6);
  EXPECT_EQ(dlg.working.GetAt(Row("empty")).m_nFill, 6);
  // A layer with a pattern of its own beyond the buttons opens with none
  // chosen, and none read back keeps -1.
  CHatchFillDlg none;
  none.pattern = 9;
  FakeControls fc;
  none.InitDialog(fc);
  for (int i = 0; i < CHatchFillDlg::kCount; ++i) EXPECT_FALSE(fc.check[CHatchFillDlg::kFirst + i]);
}

TEST_F(Layers, OperationCopiesOrMovesBetweenLayers) {
  auto run = [&](std::vector<int> sources, int target, int operation, bool lines, bool points) {
    CLayerOperationDlg op;
    op.doc = doc.get();
    FakeControls oc;
    op.InitDialog(oc);
    EXPECT_EQ(oc.items[CLayerOperationDlg::kSources], oc.items[CLayerOperationDlg::kTarget]);
    for (int s : sources) oc.SetSel(CLayerOperationDlg::kSources, s, true);
    oc.SetCurSel(CLayerOperationDlg::kTarget, target);
    oc.SetCheck(CLayerOperationDlg::kLines, lines);
    oc.SetCheck(CLayerOperationDlg::kPoints, points);
    oc.SetCheck(CLayerOperationDlg::kNotes, false);
    oc.SetCheck(CLayerOperationDlg::kCopy, operation == 0);
    oc.SetCheck(CLayerOperationDlg::kMove, operation == 1);
    return op.OnOK(oc);
  };
  const int roadsRow = 1, riversRow = 2, emptyRow = 3;
  EXPECT_FALSE(run({}, emptyRow, 0, true, true));  // no source: stays open
  // Nothing to carry: closes, changes nothing.
  EXPECT_TRUE(run({roadsRow}, emptyRow, 0, false, false));
  EXPECT_EQ(doc->m_lines.GetHead()->m_nLayer, roads);
  // Copy roads (and the target itself, skipped) to empty: the line stays
  // and a copy follows it in the same list.
  EXPECT_TRUE(run({roadsRow, emptyRow}, emptyRow, 0, true, true));
  ASSERT_EQ(doc->m_lines.GetCount(), 2);
  EXPECT_EQ(doc->m_lines.GetHead()->m_nLayer, roads);
  EXPECT_EQ(doc->m_lines.GetTail()->m_nLayer, empty);
  EXPECT_EQ(doc->m_lines.m_nModified, 1);
  // Move rivers' point to roads.
  EXPECT_TRUE(run({riversRow}, roadsRow, 1, true, true));
  ASSERT_EQ(doc->m_points.GetCount(), 1);
  EXPECT_EQ(doc->m_points.GetHead()->layer, roads);
}

TEST(LayerRows, PartsStandInTheirColumns) {
  CLayer l;
  l.m_strName = "roads";
  l.m_color = RGB(200, 0, 0);
  l.m_nFlags = CLayer::kVisible | CLayer::kCurrent | CLayer::kMarked;
  l.m_nFill = 3;
  l.m_nPenStyle = 1;
  l.m_nWidth = 2;
  EXPECT_EQ(LayerStateText(l), "开.C.L");
  CRecordingCanvas dc;
  DrawLayerRow(dc, l, RECT{0, 10, 300, 27}, 7, false, RGB(0, 0, 255), RGB(255, 255, 255));
  const auto has = [&](const std::string& call) {
    return std::find(dc.calls.begin(), dc.calls.end(), call) != dc.calls.end();
  };
  EXPECT_TRUE(has("rect 0 10 300 27"));  // the white background
  EXPECT_TRUE(has("text 2 13 roads"));
  EXPECT_TRUE(has("brush 2 3 #c80000"));   // hatched in the layer colour
  EXPECT_TRUE(has("rect 145 12 170 25"));  // 20w + 5, 25 wide
  EXPECT_TRUE(has("text 222 13 开.C.L"));  // 11w further
  EXPECT_TRUE(has("pen 1 2 #c80000"));
  EXPECT_TRUE(has("line 341 18"));  // 6w long, at the middle
  l.m_nFill = 6;
  l.m_nFlags = 0;
  EXPECT_EQ(LayerStateText(l), "关");
  dc.calls.clear();
  DrawLayerRow(dc, l, RECT{0, 10, 300, 27}, 7, true, RGB(0, 0, 255), RGB(255, 255, 255));
  EXPECT_TRUE(has("brush 0 0 #0000ff"));  // the highlight
  EXPECT_TRUE(has("brush 0 0 #c80000"));  // solid
}
