// The line tool headless on a generated scan: drawing, tracing from click
// to click and along a segment, node and line editing, IDs and layers,
// joins, polygons, crossing marks, the keys, the commands, and Undo after
// each (with the mended cases: no record, selection or current line left
// pointing at a deleted line; one-vertex lines; colours after an ID undo;
// failed splits; 'T' on images the tracer cannot follow).
#include <gtest/gtest.h>

#include "fake_dialogs.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "tool_test_util.h"
#include "ui/core/linetool.h"
#include "ui/core/snapdlg.h"

using namespace qzn;
using tooltest::AddLine;
using tooltest::Vertices;

namespace {

constexpr COLORREF kLayerColour = RGB(1, 2, 3);

struct LineTool : tooltest::ToolTest {
  CChain* a = nullptr;  // (50,50)-(150,50), ID 10
  CChain* b = nullptr;  // (50,250)-(150,250), ID 20
  CChain* c = nullptr;  // (250,250)-(350,250), ID 30

  void SetUp() override {
    ToolTest::SetUp();
    a = AddLine(*doc, {{50, 50}, {150, 50}}, 10.0f);
    b = AddLine(*doc, {{50, 250}, {150, 250}}, 20.0f);
    c = AddLine(*doc, {{250, 250}, {350, 250}}, 30.0f);
    a->m_color = b->m_color = c->m_color = RGB(9, 9, 9);
    CLayer& one = doc->m_layers.GetAt(1);
    one.m_color = kLayerColour;
    one.m_nWidth = 2;
    one.m_nPenStyle = 2;
    doc->m_layers.SetCurrentLayer(one.m_strName);
    doc->m_lineTool.autoTrace = 0;
  }
  CLineEditTool* Enter(int subCommand = 0) {
    EXPECT_TRUE(Command(cmd::kEditLineTool));
    EXPECT_EQ(view->editMode, EditMode::kLineEdit);
    if (subCommand) {
      EXPECT_TRUE(Command(subCommand));
    }
    return Tool<CLineEditTool>();
  }
  std::int64_t Lines() const { return doc->m_lines.GetCount(); }
  bool InList(const CChain* line) const { return doc->m_lines.Find(line) != nullptr; }
};

}  // namespace

TEST_F(LineTool, ANewLineTakesTheCurrentLayerAndUndoRemovesIt) {
  CLineEditTool* t = Enter();
  ASSERT_NE(t, nullptr);
  Click(60, 150);
  EXPECT_EQ(window.status, res::text::kLineDrawingStatus);
  // Between clicks the rubber segment follows the mouse as feedback only.
  const int repaints = window.invalidations;
  Move(90, 160, false);
  Move(95, 165, false);
  EXPECT_EQ(window.invalidations, repaints);
  EXPECT_FALSE(window.strips.empty());
  Click(100, 160);
  Click(140, 150);
  Key('q');
  ASSERT_EQ(Lines(), 4);
  const CChain* line = doc->m_lines.GetTail();
  EXPECT_EQ(Vertices(line), (std::vector<CFPoint>{{60, 150}, {100, 160}, {140, 150}}));
  EXPECT_EQ(line->m_nLayer, 1);
  EXPECT_EQ(line->m_color, kLayerColour);
  EXPECT_EQ(line->GetPenWidth(), 2);
  EXPECT_EQ(line->m_nPenStyle, 2);
  EXPECT_EQ(t->CurrentLine(), nullptr);
  t->Undo();
  EXPECT_EQ(Lines(), 3);
  EXPECT_FALSE(t->CanUndo());
}

TEST_F(LineTool, UndoWhileDrawingTakesBackTheLastVertexFirst) {
  CLineEditTool* t = Enter();
  Click(60, 150);
  Click(100, 160);
  Click(140, 150);
  t->Undo();
  EXPECT_EQ(Vertices(t->CurrentLine()), (std::vector<CFPoint>{{60, 150}, {100, 160}}));
  Key(8);  // Backspace: one more
  ASSERT_NE(t->CurrentLine(), nullptr);
  EXPECT_EQ(t->CurrentLine()->GetCount(), 1);
  Key(8);  // a one-vertex line ends, and goes
  EXPECT_EQ(Lines(), 3);
  EXPECT_EQ(t->CurrentLine(), nullptr);
}

TEST_F(LineTool, AOneVertexLineGoesWithItsUndoStep) {
  CLineEditTool* t = Enter();
  Click(60, 150);
  Key('x');
  EXPECT_EQ(Lines(), 3);
  EXPECT_FALSE(t->CanUndo());
  // A line of two vertices stays.
  Click(60, 150);
  Click(90, 150);
  Key('x');
  EXPECT_EQ(Lines(), 4);
  EXPECT_EQ(t->UndoList().Count(), 1);
}

TEST_F(LineTool, SnapKeyJoinsTheDrawnLineIntoItsNeighbourAndUndoGivesItsVerticesBack) {
  CChain* d = AddLine(*doc, {{200, 150}, {260, 150}}, 5.0f, 1);
  CLineEditTool* t = Enter();
  Click(100, 170);
  Click(195, 152);
  Key('s');
  EXPECT_EQ(Lines(), 4);  // the drawn line went into d
  EXPECT_EQ(d->GetCount(), 4);
  EXPECT_EQ(t->CurrentLine(), nullptr);
  // Only d's step is left, and it points at d alone.
  ASSERT_EQ(t->UndoList().Count(), 1);
  t->Undo();
  EXPECT_EQ(Vertices(d), (std::vector<CFPoint>{{200, 150}, {260, 150}}));
  EXPECT_EQ(Lines(), 4);
  EXPECT_FALSE(t->CanUndo());
}

TEST_F(LineTool, OnlyTheFirstAndLastVertexSnapToLineEnds) {
  struct Case {
    int firstX;
    float expectX;
  };
  for (const Case k : {Case{169, 150.0f}, Case{171, 171.0f}}) {
    CLineEditTool* t = Enter();
    if (!t->Snap()) Command(cmd::kLineSnapEnds);
    ASSERT_TRUE(t->Snap() && t->SnapToEnds());
    EXPECT_EQ(t->SnapDistance(), 20);
    Click(k.firstX, 50);  // near a's end (150, 50)
    Click(160, 240);      // 14 pixels from b's end: a middle vertex never snaps
    Click(240, 245);      // 11 pixels from c's first end: the last vertex snaps
    Key('x');
    const CChain* line = doc->m_lines.GetTail();
    ASSERT_EQ(line->GetCount(), 3) << k.firstX;
    EXPECT_EQ(line->GetPoint(0), CFPoint(k.expectX, 50.0f)) << k.firstX;
    EXPECT_EQ(line->GetPoint(1), CFPoint(160, 240));
    EXPECT_EQ(line->GetPoint(2), CFPoint(250, 250));
    EXPECT_EQ(doc->m_lineTool.snap, 1);  // kept for the next tool
    Command(cmd::kEditLineTool);         // leave
    doc->m_lines.DeleteChain(doc->m_lines.GetTail());
  }
}

TEST_F(LineTool, DeleteNodeTakesALineOutOnlyWhenItsLastVertexGoes) {
  CChain* single = AddLine(*doc, {{300, 50}});
  CLineEditTool* t = Enter(cmd::kLineDeleteNode);
  EXPECT_EQ(t->SubMode(), CLineEditTool::kDeleteNode);
  Click(330, 50);  // 30 pixels away: nothing happens, nothing recorded
  EXPECT_TRUE(InList(single));
  EXPECT_FALSE(t->CanUndo());
  Click(305, 50);
  EXPECT_FALSE(InList(single));
  t->Undo();
  ASSERT_TRUE(InList(single));
  EXPECT_EQ(Vertices(single), (std::vector<CFPoint>{{300, 50}}));
  // A vertex of a longer line: the line stays with one vertex less.
  Click(52, 250);
  EXPECT_EQ(Vertices(b), (std::vector<CFPoint>{{150, 250}}));
  t->Undo();
  EXPECT_EQ(b->GetCount(), 2);
}

TEST_F(LineTool, UndoOfAnIdGivesBackTheColourToo) {
  doc->m_lines.m_idColors.SetRangeColor(7, 7, RGB(7, 7, 7));
  doc->m_lines.m_fCurrentID = 7.0f;
  doc->m_lines.m_nAutoIncrement = 1;
  doc->m_lines.m_fIDIncrement = 2.0f;
  CLineEditTool* t = Enter(cmd::kLineAssignId);
  Down(100, 52);
  EXPECT_TRUE(view->Feedback().Has(kSlotToolFirstFree + 1));  // shown inverted while pressed
  Up(100, 52);
  EXPECT_EQ(a->m_fID, 7.0f);
  EXPECT_EQ(a->m_color, RGB(7, 7, 7));
  EXPECT_EQ(doc->m_lines.m_fCurrentID, 9.0f);
  t->Undo();
  EXPECT_EQ(a->m_fID, 10.0f);
  EXPECT_EQ(a->m_color, RGB(9, 9, 9));
}

TEST_F(LineTool, AFailedSplitLeavesNothingBehind) {
  CLineEditTool* t = Enter(cmd::kLineSplit);
  Click(150, 50);  // at an end: no split
  EXPECT_EQ(Lines(), 3);
  EXPECT_FALSE(t->CanUndo());
  Click(100, 50);
  ASSERT_EQ(Lines(), 4);
  EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 50}, {100, 50}}));
  EXPECT_EQ(Vertices(doc->m_lines.GetTail()), (std::vector<CFPoint>{{100, 50}, {150, 50}}));
  t->Undo();
  EXPECT_EQ(Lines(), 3);
  EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 50}, {150, 50}}));
}

TEST_F(LineTool, TheTracingSwitchRefusesImagesTheTracerCannotFollow) {
  doc->m_lineTool.autoTrace = 1;
  doc->m_nThreshHigh = 0;  // grey without a threshold
  CLineEditTool* t = Enter();
  EXPECT_FALSE(t->AutoTrace());
  Key('T');
  EXPECT_FALSE(t->AutoTrace());
  EXPECT_EQ(Messages().back(), res::text::kTraceNeedsThreshold);
  Command(cmd::kLineAutoTrace);
  EXPECT_FALSE(t->AutoTrace());
  EXPECT_EQ(doc->m_lineTool.autoTrace, 0);
  // With a threshold the key switches it without a word and without
  // storing it; the command stores it.
  doc->m_nThreshHigh = 128;
  services.messages.clear();
  Key('t');
  EXPECT_TRUE(t->AutoTrace());
  EXPECT_EQ(doc->m_lineTool.autoTrace, 0);
  EXPECT_TRUE(Messages().empty());
  Command(cmd::kLineAutoTrace);
  EXPECT_FALSE(t->AutoTrace());
  Command(cmd::kLineAutoTrace);
  EXPECT_EQ(doc->m_lineTool.autoTrace, 1);
}

TEST_F(LineTool, AnRgbImageHasNoTracing) {
  view.reset();
  doc = viewtest::MakeDoc(401, 301, viewtest::Kind::kRgb);
  view = std::make_unique<CQznView>(doc.get(), &window);
  view->OnInitialUpdate();
  CLineEditTool* t = Enter();
  EXPECT_FALSE(t->AutoTrace());
  Command(cmd::kLineAutoTrace);
  EXPECT_FALSE(t->AutoTrace());
  EXPECT_EQ(Messages().back(), res::text::kTraceUnsupportedImage);
  // Multi-line tracing makes nothing either.
  Command(cmd::kLineMultiTrace);
  Drag({310, 60}, {350, 60});
  EXPECT_EQ(Lines(), 0);
}

TEST_F(LineTool, TracingFollowsTheScannedLineFromClickToClick) {
  doc->m_lineTool.autoTrace = 1;
  CLineEditTool* t = Enter();
  ASSERT_TRUE(t->AutoTrace());
  Click(60, 200);
  Click(100, 200);  // the trace runs on from here to the stroke's end
  ASSERT_NE(t->CurrentLine(), nullptr);
  const CChain* line = t->CurrentLine();
  EXPECT_GE(line->GetCount(), 2);
  EXPECT_GT(line->Points().back().x, 235.0f);  // near the stroke's end at 250
  EXPECT_LE(line->Points().back().x, 251.0f);
  EXPECT_NEAR(line->Points().back().y, 200.0f, 2.0f);
  Key(' ');
  EXPECT_EQ(Lines(), 4);
  // Esc held: the walk stops at once, keeping the click.
  window.escape = true;
  Click(60, 200);
  Click(100, 200);
  EXPECT_LT(t->CurrentLine()->Points().back().x, 120.0f);
}

TEST_F(LineTool, MultiLineTracingTracesWhatTheSegmentCrossesAndUndoRemovesIt) {
  CLineEditTool* t = Enter(cmd::kLineMultiTrace);
  Drag({310, 160}, {350, 160});  // across the vertical stroke
  ASSERT_EQ(Lines(), 4);
  const CChain* traced = doc->m_lines.GetTail();
  EXPECT_EQ(traced->m_nLayer, 1);
  EXPECT_EQ(traced->m_color, kLayerColour);
  EXPECT_GT(traced->GetLength(), 100.0);
  EXPECT_FALSE(view->Feedback().Has(kSlotToolFirstFree));  // the rubber segment is gone
  t->Undo();
  EXPECT_EQ(Lines(), 3);
}

TEST_F(LineTool, JoinAbsorbsTheNearestEndOnTheSameLayer) {
  CChain* f = AddLine(*doc, {{160, 60}, {220, 60}});
  CLineEditTool* t = Enter(cmd::kLineJoin);
  Drag({148, 50}, {150, 130});  // nothing within 20 pixels
  EXPECT_EQ(Messages().back(), res::text::kLineCannotJoin);
  EXPECT_EQ(Lines(), 4);
  EXPECT_FALSE(t->CanUndo());
  Drag({148, 50}, {158, 58});
  EXPECT_EQ(window.status, res::text::kLineJoined);
  EXPECT_FALSE(InList(f));
  EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 50}, {150, 50}, {160, 60}, {220, 60}}));
  t->Undo();
  EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 50}, {150, 50}}));
  ASSERT_TRUE(InList(f));
  EXPECT_EQ(Vertices(f), (std::vector<CFPoint>{{160, 60}, {220, 60}}));
}

TEST_F(LineTool, ContourValuesNumberTheCrossedLinesAndUndoGivesBackIdsAndColours) {
  doc->m_lines.m_idColors.SetRangeColor(10, 10, RGB(10, 0, 0));
  doc->m_lines.m_idColors.SetRangeColor(100, 100, RGB(100, 0, 0));
  ContourValues asked;
  window.dialogs = [&](ToolDialog& d) {
    auto& v = dynamic_cast<ContourValues&>(d);
    asked = v;
    v.start = 100.0f;
    v.increment = 10.0f;
    return true;
  };
  CLineEditTool* t = Enter(cmd::kLineContour);
  Drag({100, 30}, {100, 270});
  ASSERT_EQ(window.dialogIds, std::vector<int>{kDlgContourValues});
  EXPECT_EQ(asked.countText, "2");
  EXPECT_EQ(a->m_fID, 100.0f);
  EXPECT_EQ(b->m_fID, 110.0f);
  EXPECT_EQ(a->m_color, RGB(100, 0, 0));
  // The next use starts from the values given.
  Drag({120, 30}, {120, 270});
  EXPECT_EQ(asked.start, 100.0f);
  EXPECT_EQ(asked.increment, 10.0f);
  t->Undo();
  t->Undo();
  EXPECT_EQ(a->m_fID, 10.0f);
  EXPECT_EQ(b->m_fID, 20.0f);
  EXPECT_EQ(a->m_color, RGB(10, 0, 0));
  EXPECT_EQ(b->m_color, CIDColorList::kDefaultColor);
  // A cancelled dialog changes nothing and leaves no step.
  window.dialogs = nullptr;
  Drag({100, 30}, {100, 270});
  EXPECT_EQ(a->m_fID, 10.0f);
  EXPECT_FALSE(t->CanUndo());
}

TEST_F(LineTool, LinesOnMarkedLayersTakeIdsAndLayersButAreNotEdited) {
  doc->m_layers.GetAt(0).SetMarked(TRUE);
  CLineEditTool* t = Enter();
  for (int sub : {cmd::kLineDelete, cmd::kLineSplit, cmd::kLineMove}) {
    Command(sub);
    Drag({100, 50}, {100, 80});
    EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 50}, {150, 50}})) << sub;
    EXPECT_TRUE(InList(a)) << sub;
  }
  EXPECT_EQ(Lines(), 3);
  EXPECT_FALSE(t->CanUndo());
  Command(cmd::kLineSetLayer);
  Click(100, 50);
  EXPECT_EQ(a->m_nLayer, 1);
  EXPECT_EQ(a->GetPenWidth(), 2);
  EXPECT_EQ(a->m_color, RGB(9, 9, 9));  // it has an ID: it keeps its colour
}

TEST_F(LineTool, ChoosingRectangleClosesTheLineBeingDrawn) {
  CLineEditTool* t = Enter();
  Click(60, 150);
  Click(100, 160);
  Click(140, 130);
  Command(cmd::kLineRectangle);
  const CChain* line = doc->m_lines.GetTail();
  ASSERT_EQ(line->GetCount(), 4);
  EXPECT_EQ(line->GetPoint(3), line->GetPoint(0));
  // A rectangle drawn: a closed line of five vertices on the layer.
  Drag({200, 120}, {260, 170});
  const CChain* rect = doc->m_lines.GetTail();
  EXPECT_EQ(Vertices(rect), (std::vector<CFPoint>{{200, 120}, {260, 120}, {260, 170}, {200, 170}, {200, 120}}));
  EXPECT_EQ(rect->m_nLayer, 1);
  // A click without a drag makes nothing.
  Click(300, 150);
  EXPECT_EQ(Lines(), 5);
  Command(cmd::kLineCircle);
  Drag({200, 120}, {260, 170});
  EXPECT_EQ(doc->m_lines.GetTail()->GetCount(), 73);
  t->Undo();
  t->Undo();
  EXPECT_EQ(Lines(), 4);
}

TEST_F(LineTool, TwentyChangesKeepNineteenSteps) {
  CLineEditTool* t = Enter(cmd::kLineAddNode);
  for (int i = 0; i < 20; ++i) Click(55 + 4 * i, 50);
  EXPECT_EQ(a->GetCount(), 22);
  int undone = 0;
  while (t->CanUndo()) {
    t->Undo();
    ++undone;
  }
  EXPECT_EQ(undone, 19);
  EXPECT_EQ(a->GetCount(), 3);
}

TEST_F(LineTool, AnUndoThatDeletesASelectedLineDropsItFromThePolygon) {
  CLineEditTool* t = Enter();
  Click(200, 140);
  Click(260, 140);
  Key('x');
  CChain* drawn = doc->m_lines.GetTail();
  Command(cmd::kLinePolygon);
  Click(230, 141);
  Click(100, 50);
  ASSERT_EQ(t->PolygonSelection(), (std::vector<CChain*>{drawn, a}));
  Click(230, 141);
  EXPECT_EQ(Messages().back(), res::text::kLineAlreadySelected);
  t->Undo();  // removes the drawn line
  EXPECT_FALSE(InList(drawn));
  EXPECT_EQ(t->PolygonSelection(), (std::vector<CChain*>{a}));
  Key(27);  // Esc takes the last one off
  EXPECT_TRUE(t->PolygonSelection().empty());
}

TEST_F(LineTool, PickedLinesMakeOnePolygon) {
  AddLine(*doc, {{200, 120}, {260, 120}});
  AddLine(*doc, {{260, 120}, {260, 180}});
  AddLine(*doc, {{260, 180}, {200, 180}});
  AddLine(*doc, {{200, 180}, {200, 121}});
  CLineEditTool* t = Enter(cmd::kLinePolygon);
  for (POINT p : {POINT{230, 120}, POINT{260, 150}, POINT{230, 180}, POINT{200, 150}}) Click(p.x, p.y);
  EXPECT_EQ(t->PolygonSelection().size(), 4u);
  Key('\r');
  EXPECT_TRUE(t->PolygonSelection().empty());
  ASSERT_EQ(Lines(), 8);
  const CChain* polygon = doc->m_lines.GetTail();
  EXPECT_TRUE(polygon->IsClosed(0));
  EXPECT_EQ(polygon->m_nLayer, 1);
  EXPECT_NEAR(polygon->GetArea(), 3600.0, 61.0);
}

TEST_F(LineTool, DeleteAllAndDeleteInTheBandComeBackWithUndo) {
  CLineEditTool* t = Enter();
  view->SetRubberBand(RECT{45, 45, 155, 55});
  services.answers.push_back(IDYES);
  Command(cmd::kLineDeleteAll);
  EXPECT_EQ(Messages().back(), res::text::kLineAskDeleteAllInRect);
  EXPECT_FALSE(InList(a));
  EXPECT_EQ(Lines(), 2);
  EXPECT_TRUE(IsRectEmpty(view->rubberBand));
  services.answers.push_back(IDYES);
  Command(cmd::kLineDeleteAll);
  EXPECT_EQ(Messages().back(), res::text::kLineAskDeleteAll);
  EXPECT_EQ(Lines(), 0);
  t->Undo();
  EXPECT_EQ(Lines(), 2);
  t->Undo();
  EXPECT_EQ(Lines(), 3);
  EXPECT_EQ(doc->m_lines.GetTail(), a);  // back at the end, not in its old place
}

TEST_F(LineTool, NodesInTheBandGoTogether) {
  CChain* l = AddLine(*doc, {{200, 150}, {220, 150}, {240, 150}, {260, 150}});
  CLineEditTool* t = Enter();
  view->SetRubberBand(RECT{210, 140, 245, 160});
  services.answers.push_back(IDYES);
  Command(cmd::kLineDeleteNode);
  EXPECT_EQ(Vertices(l), (std::vector<CFPoint>{{200, 150}, {260, 150}}));
  EXPECT_EQ(t->SubMode(), CLineEditTool::kNewLine);  // unchanged
  t->Undo();
  EXPECT_EQ(l->GetCount(), 4);
  // No band: the sub-mode.
  Command(cmd::kLineDeleteNode);
  EXPECT_EQ(t->SubMode(), CLineEditTool::kDeleteNode);
}

TEST_F(LineTool, CrossingMarksShrinkToAVertex) {
  doc->m_crossMarks.AddBox(RECT{95, 45, 105, 55}, 0);
  CLineEditTool* t = Enter(cmd::kLineCrossMarks);
  Click(100, 50);
  EXPECT_EQ(a->GetCount(), 3);
  EXPECT_EQ(doc->m_crossMarks.GetCount(), 0);
  t->Undo();
  EXPECT_EQ(a->GetCount(), 2);
  Click(100, 50);  // no mark there any more
  EXPECT_EQ(a->GetCount(), 2);
}

TEST_F(LineTool, MoveCopyAndNodeDragsFollowTheMouse) {
  CLineEditTool* t = Enter(cmd::kLineMove);
  const int repaints = window.invalidations;
  Drag({100, 50}, {100, 80}, 7);
  EXPECT_EQ(window.invalidations, repaints);  // moves repaint strips and a rectangle only
  EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 80}, {150, 80}}));
  t->Undo();
  EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 50}, {150, 50}}));
  Command(cmd::kLineCopy);
  Drag({100, 250}, {130, 240});
  ASSERT_EQ(Lines(), 4);
  EXPECT_EQ(Vertices(doc->m_lines.GetTail()), (std::vector<CFPoint>{{80, 240}, {180, 240}}));
  EXPECT_EQ(Vertices(b), (std::vector<CFPoint>{{50, 250}, {150, 250}}));
  t->Undo();
  EXPECT_EQ(Lines(), 3);
  Command(cmd::kLineMoveNode);
  Drag({149, 51}, {170, 90});
  EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 50}, {170, 90}}));
  t->Undo();
  EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 50}, {150, 50}}));
}

TEST_F(LineTool, CloseSmoothAndShowActAtTheRelease) {
  CChain* l = AddLine(*doc, {{200, 120}, {260, 120}, {260, 180}}, 4.5f);
  CLineEditTool* t = Enter(cmd::kLineClose);
  Down(259, 150);
  EXPECT_EQ(window.status, "图层: 0  ID: 4.50  长度: 120.000000");
  EXPECT_EQ(l->GetCount(), 3);
  Up(259, 150);
  EXPECT_TRUE(l->IsClosed(0));
  Command(cmd::kLineShow);
  Click(259, 150);
  EXPECT_EQ(window.status, "图层: 0  ID: 4.50 面积: 1800.000000 长度: 204.852814");
  t->Undo();
  EXPECT_FALSE(l->IsClosed(0));
  Command(cmd::kLineBSpline);
  Click(259, 150);
  EXPECT_GT(l->GetCount(), 3);
  t->Undo();
  EXPECT_EQ(l->GetCount(), 3);
}

TEST_F(LineTool, FreehandKeepsEveryMousePoint) {
  CLineEditTool* t = Enter(cmd::kLineFreehand);
  Drag({200, 140}, {280, 140}, 8);
  ASSERT_EQ(Lines(), 4);
  const CChain* line = doc->m_lines.GetTail();
  EXPECT_GE(line->GetCount(), 2);
  EXPECT_EQ(line->Points().back(), CFPoint(280, 140));
  t->Undo();
  EXPECT_EQ(Lines(), 3);
}

TEST_F(LineTool, CommandsCheckTheirSubModeAndLeavingTheModeDropsStubs) {
  CLineEditTool* t = Enter(cmd::kLineSplit);
  EXPECT_TRUE(GetEditCommandState(*view, cmd::kLineSplit).checked);
  EXPECT_FALSE(GetEditCommandState(*view, cmd::kLineNew).checked);
  EXPECT_TRUE(GetEditCommandState(*view, cmd::kEditLineTool).checked);
  t->UpdateMenu();
  int checked = 0;
  for (const ContextMenuItem& i : t->Popup()) checked += i.checked;
  EXPECT_EQ(checked, 1);
  // Set layer is offered with two layers or more.
  EXPECT_TRUE(std::any_of(t->Popup().begin(), t->Popup().end(),
                          [](const ContextMenuItem& i) { return i.id == cmd::kLineSetLayer && i.enabled; }));
  AddLine(*doc, {{300, 150}});
  Command(cmd::kEditLineTool);  // off
  EXPECT_EQ(view->editMode, EditMode::kDefault);
  EXPECT_EQ(Lines(), 3);  // the one-vertex line is gone
  EXPECT_FALSE(GetEditCommandState(*view, cmd::kLineSplit).enabled);
  EXPECT_FALSE(Command(cmd::kLineSplit));
}

TEST_F(LineTool, FinishAndDropLetsGoOfEverything) {
  CLineEditTool* t = Enter();
  Click(60, 150);
  Click(100, 150);
  view->SettleTools();
  EXPECT_EQ(t->CurrentLine(), nullptr);
  EXPECT_FALSE(t->CanUndo());
  EXPECT_EQ(Lines(), 4);
}

// ---- each sub-mode's command, press, drag and release --------------------

TEST_F(LineTool, EachSubModeCommandSetsItsSubModeCursorStatusAndCheckMark) {
  using L = CLineEditTool;
  struct Case {
    int command;
    int subMode;
    int cursor;
    const char* status;  // null: the status line is left as it was
  };
  const Case cases[] = {
      {cmd::kLineNew, L::kNewLine, res::kCursorAdd, res::text::kLineNewStatus},
      {cmd::kLineRectangle, L::kRectangle, res::kCursorAdd, res::text::kLineRectangleStatus},
      {cmd::kLineCircle, L::kCircle, res::kCursorAdd, res::text::kLineCircleStatus},
      {cmd::kLineMoveNode, L::kMoveNode, res::kCursorMove, res::text::kLineMoveNodeStatus},
      {cmd::kLineDeleteNode, L::kDeleteNode, res::kCursorDelete, res::text::kLineDeleteNodeStatus},
      {cmd::kLineDelete, L::kDeleteLine, res::kCursorDelete, res::text::kLineDeleteStatus},
      {cmd::kLineAddNode, L::kAddNode, res::kCursorAdd, res::text::kLineAddNodeStatus},
      {cmd::kLineSplit, L::kSplit, res::kCursorAdd, res::text::kLineSplitStatus},
      {cmd::kLineAssignId, L::kAssignId, res::kCursorAssignId, res::text::kLineAssignIdStatus},
      {cmd::kLineShow, L::kShowLine, res::kCursorPick, nullptr},
      {cmd::kLineContour, L::kContour, res::kCursorAdd, res::text::kLineContourStatus},
      {cmd::kLineJoin, L::kJoin, res::kCursorAdd, res::text::kLineJoinStatus},
      {cmd::kLineCopy, L::kCopy, res::kCursorPick, nullptr},
      {cmd::kLineMove, L::kMoveLine, res::kCursorMove, res::text::kLineMoveStatus},
      {cmd::kLineClose, L::kCloseLine, res::kCursorAdd, nullptr},
      {cmd::kLineCrossMarks, L::kCrossMarks, res::kCursorAdd, res::text::kLineCrossMarkStatus},
      {cmd::kLineMultiTrace, L::kMultiTrace, res::kCursorAdd, res::text::kLineMultiTraceStatus},
      {cmd::kLineSetLayer, L::kSetLayer, res::kCursorPick, res::text::kLineSetLayerStatus},
      {cmd::kLinePolygon, L::kPolygon, res::kCursorPick, res::text::kLinePolygonStatus},
      {cmd::kLineSmooth, L::kSmooth, res::kCursorAdd, res::text::kLineSmoothStatus},
      {cmd::kLineBSpline, L::kBSpline, res::kCursorAdd, res::text::kLineBSplineStatus},
      {cmd::kLineFreehand, L::kFreehand, res::kCursorFreehand, res::text::kLineFreehandStatus},
  };
  CLineEditTool* t = Enter();
  for (const Case& c : cases) {
    window.status = "before";
    ASSERT_TRUE(Command(c.command)) << c.command;
    EXPECT_EQ(t->SubMode(), c.subMode) << c.command;
    EXPECT_EQ(t->GetCursorId(), c.cursor) << c.command;
    EXPECT_EQ(window.status, c.status ? c.status : "before") << c.command;
    for (const Case& other : cases)
      EXPECT_EQ(GetEditCommandState(*view, other.command).checked, other.command == c.command)
          << c.command << " " << other.command;
  }
  EXPECT_TRUE(services.messages.empty());  // no band: nothing asked
}

TEST_F(LineTool, EachSubModeShowsItsFeedbackWhilePressedAndClearsItAtTheRelease) {
  constexpr int kRubber = kSlotToolFirstFree, kInverted = kSlotToolFirstFree + 1;
  struct Case {
    int command;
    POINT press, move;
    int slot;  // the slot showing while the button is down; 0: none
    FeedbackShape::Kind kind;
  };
  const Case cases[] = {
      {cmd::kLineRectangle, {200, 120}, {240, 160}, kRubber, FeedbackShape::kFrame},
      {cmd::kLineCircle, {200, 120}, {240, 160}, kRubber, FeedbackShape::kFrame},
      {cmd::kLineMoveNode, {149, 51}, {160, 70}, kRubber, FeedbackShape::kPolyline},
      {cmd::kLineContour, {100, 30}, {100, 100}, kRubber, FeedbackShape::kLine},
      {cmd::kLineMultiTrace, {300, 160}, {310, 160}, kRubber, FeedbackShape::kLine},
      {cmd::kLineJoin, {148, 50}, {150, 130}, kRubber, FeedbackShape::kLine},
      {cmd::kLineCopy, {100, 250}, {120, 240}, kInverted, FeedbackShape::kPolyline},
      {cmd::kLineMove, {100, 250}, {120, 240}, kInverted, FeedbackShape::kPolyline},
      {cmd::kLineAssignId, {100, 250}, {120, 240}, kInverted, FeedbackShape::kPolyline},
      {cmd::kLineSetLayer, {100, 250}, {120, 240}, kInverted, FeedbackShape::kPolyline},
      {cmd::kLineShow, {100, 250}, {120, 240}, kInverted, FeedbackShape::kPolyline},
      {cmd::kLineClose, {100, 250}, {120, 240}, kInverted, FeedbackShape::kPolyline},
      {cmd::kLineSmooth, {100, 250}, {120, 240}, kInverted, FeedbackShape::kPolyline},
      {cmd::kLineBSpline, {100, 250}, {120, 240}, kInverted, FeedbackShape::kPolyline},
      {cmd::kLineFreehand, {200, 140}, {220, 140}, 0, FeedbackShape::kFrame},
  };
  Enter();
  for (const Case& c : cases) {
    Command(c.command);
    const int captures = window.captures, releases = window.releases;
    Down(c.press.x, c.press.y);
    Move(c.move.x, c.move.y);
    const auto& shapes = view->Feedback().Shapes();
    if (c.slot) {
      ASSERT_TRUE(view->Feedback().Has(c.slot)) << c.command;
      EXPECT_EQ(shapes.at(c.slot).kind, c.kind) << c.command;
      EXPECT_FALSE(view->Feedback().Has(c.slot == kRubber ? kInverted : kRubber)) << c.command;
    } else {
      EXPECT_FALSE(view->Feedback().Has(kRubber) || view->Feedback().Has(kInverted)) << c.command;
    }
    Up(c.move.x, c.move.y);
    EXPECT_FALSE(view->Feedback().Has(kRubber)) << c.command;
    EXPECT_FALSE(view->Feedback().Has(kInverted)) << c.command;
    // A drag holds the mouse from the press to the release; a pick does not.
    const bool drags = window.captures > captures;
    EXPECT_EQ(window.releases - releases, drags ? 1 : 0) << c.command;
  }
}

TEST_F(LineTool, DeleteLineTakesThePickedLineOutAndUndoPutsItBackAtTheEnd) {
  CLineEditTool* t = Enter(cmd::kLineDelete);
  Click(100, 150);  // 100 pixels from every line: nothing happens
  EXPECT_EQ(Lines(), 3);
  EXPECT_FALSE(t->CanUndo());
  const std::size_t repaints = window.rects.size();
  Click(100, 52);
  EXPECT_FALSE(InList(a));
  EXPECT_EQ(Lines(), 2);
  EXPECT_GT(window.rects.size(), repaints);  // where it was is repainted
  t->Undo();
  EXPECT_EQ(doc->m_lines.GetTail(), a);
  EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 50}, {150, 50}}));
}

TEST_F(LineTool, SmoothActsAtTheReleaseWithTheTracingTolerance) {
  CChain* l =
      AddLine(*doc, {{200.0f, 120.0f}, {220.0f, 120.4f}, {240.0f, 119.8f}, {260.0f, 120.0f}, {260.0f, 180.0f}}, 1.0f);
  CLineEditTool* t = Enter(cmd::kLineSmooth);
  Down(230, 121);
  EXPECT_EQ(window.status, "图层: 0  ID: 1.00  长度: 120.013998");
  EXPECT_EQ(l->GetCount(), 5);  // nothing yet
  Up(230, 121);
  EXPECT_EQ(Vertices(l), (std::vector<CFPoint>{{200, 120}, {260, 120}, {260, 180}}));
  t->Undo();
  EXPECT_EQ(l->GetCount(), 5);
}

TEST_F(LineTool, TheBandVariantsOfIdLayerAndCrossingMarksActOnTheLinesInIt) {
  doc->m_lines.m_fCurrentID = 42.0f;
  doc->m_lines.m_idColors.SetRangeColor(42, 42, RGB(42, 0, 0));
  CLineEditTool* t = Enter();
  // IDs: asked, then every line meeting the band; the band goes.
  view->SetRubberBand(RECT{40, 40, 160, 60});
  services.answers.push_back(IDYES);
  Command(cmd::kLineAssignId);
  EXPECT_EQ(Messages().back(), res::text::kLineAskIdInRect);
  EXPECT_EQ(a->m_fID, 42.0f);
  EXPECT_EQ(a->m_color, RGB(42, 0, 0));
  EXPECT_EQ(b->m_fID, 20.0f);
  EXPECT_TRUE(IsRectEmpty(view->rubberBand));
  EXPECT_EQ(t->SubMode(), CLineEditTool::kAssignId);
  // Layers: asked likewise.
  view->SetRubberBand(RECT{40, 240, 160, 260});
  services.answers.push_back(IDYES);
  Command(cmd::kLineSetLayer);
  EXPECT_EQ(Messages().back(), res::text::kLineAskLayerInRect);
  EXPECT_EQ(b->m_nLayer, 1);
  EXPECT_EQ(b->m_nPenStyle, 2);
  EXPECT_EQ(c->m_nLayer, 0);
  EXPECT_TRUE(IsRectEmpty(view->rubberBand));
  EXPECT_EQ(t->SubMode(), CLineEditTool::kSetLayer);
  // A "no" leaves the lines and the band, and still switches.
  view->SetRubberBand(RECT{240, 240, 360, 260});
  services.answers.push_back(IDNO);
  Command(cmd::kLineAssignId);
  EXPECT_EQ(c->m_fID, 30.0f);
  EXPECT_FALSE(IsRectEmpty(view->rubberBand));
  EXPECT_EQ(t->SubMode(), CLineEditTool::kAssignId);
  // Crossing marks: no question; the lines in the band shrink to a vertex
  // (one undo step).
  const std::size_t asked = services.messages.size();
  view->SetRubberBand(RECT{290, 240, 310, 260});
  Command(cmd::kLineCrossMarks);
  EXPECT_EQ(services.messages.size(), asked);
  EXPECT_EQ(c->GetCount(), 3);
  EXPECT_TRUE(IsRectEmpty(view->rubberBand));
  EXPECT_EQ(t->SubMode(), CLineEditTool::kCrossMarks);
  t->Undo();
  EXPECT_EQ(c->GetCount(), 2);
  EXPECT_FALSE(t->CanUndo());  // neither IDs nor layers in a band were recorded
}

TEST_F(LineTool, TheSwitchesAndDialogCommandsKeepTheirSettings) {
  CLineEditTool* t = Enter(cmd::kLineSplit);
  // Snap: to nodes, to ends, and off again; each stored for the next tool.
  struct Step {
    int command;
    bool snap, toEnds;
  };
  for (const Step s : {Step{cmd::kLineSnapNodes, true, false}, Step{cmd::kLineSnapEnds, true, true},
                       Step{cmd::kLineSnapNodes, true, false}, Step{cmd::kLineSnapNodes, false, false},
                       Step{cmd::kLineSnapEnds, true, true}, Step{cmd::kLineSnapEnds, false, true}}) {
    EXPECT_TRUE(Command(s.command));
    EXPECT_EQ(t->Snap(), s.snap) << s.command;
    EXPECT_EQ(t->SnapToEnds(), s.toEnds) << s.command;
    EXPECT_EQ(doc->m_lineTool.snap, s.snap ? 1 : 0);
    EXPECT_EQ(doc->m_lineTool.snapToEndPoints, s.toEnds ? 1 : 0);
    EXPECT_EQ(t->SubMode(), CLineEditTool::kSplit);  // a switch is no sub-mode
  }
  // The snap distance: raised to 2, stored.
  {
    qzntest::ScriptedDialogs dialogs;
    dialogs.scripts.push_back([](CDialogModel& m, qzntest::FakeControls& c) {
      c.SetText(CSnapDistanceDlg::kDistance, "1");
      return qzntest::PressOK(m, c);
    });
    Command(cmd::kLineSnapDistance);
    EXPECT_EQ(dialogs.shown, std::vector<int>{CSnapDistanceDlg::kId});
  }
  EXPECT_EQ(t->SnapDistance(), 2);
  EXPECT_EQ(doc->m_lineTool.snapDistance, 2);
  // The current ID: a cancelled dialog keeps the sub-mode; OK stores the
  // values and selects ID giving.
  window.status.clear();
  Command(cmd::kLineSetId);
  EXPECT_EQ(window.status, res::text::kSetCurrentIdStatus);
  EXPECT_EQ(t->SubMode(), CLineEditTool::kSplit);
  window.dialogs = [](ToolDialog& d) {
    auto& v = dynamic_cast<CurrentIdValues&>(d);
    v.currentId = 5.0f;
    v.autoIncrement = true;
    v.increment = 0.5f;
    return true;
  };
  Command(cmd::kLineSetId);
  EXPECT_EQ(doc->m_lines.m_fCurrentID, 5.0f);
  EXPECT_EQ(doc->m_lines.m_nAutoIncrement, 1);
  EXPECT_EQ(doc->m_lines.m_fIDIncrement, 0.5f);
  EXPECT_EQ(t->SubMode(), CLineEditTool::kAssignId);
  EXPECT_EQ(window.status, res::text::kLineAssignIdStatus);
  EXPECT_EQ(window.dialogIds, (std::vector<int>{kDlgCurrentId, kDlgCurrentId}));
}

TEST_F(LineTool, ChoosingPolygonAgainBuildsTheSelectionAndRestoreUndoes) {
  AddLine(*doc, {{200, 120}, {260, 120}});
  AddLine(*doc, {{260, 120}, {260, 180}});
  AddLine(*doc, {{260, 180}, {200, 120}});
  CLineEditTool* t = Enter(cmd::kLinePolygon);
  for (POINT p : {POINT{230, 120}, POINT{260, 150}, POINT{230, 150}}) Click(p.x, p.y);
  ASSERT_EQ(t->PolygonSelection().size(), 3u);
  Command(cmd::kLinePolygon);
  EXPECT_TRUE(t->PolygonSelection().empty());
  ASSERT_EQ(Lines(), 7);
  EXPECT_TRUE(doc->m_lines.GetTail()->IsClosed(0));
  EXPECT_EQ(t->SubMode(), CLineEditTool::kPolygon);
  // Restore is Undo by another name; Done finishes and leaves the mode.
  Command(cmd::kLineAddNode);
  Click(100, 50);
  ASSERT_EQ(a->GetCount(), 3);
  EXPECT_TRUE(t->OnCommand(cmd::kLineRestore));
  EXPECT_EQ(a->GetCount(), 2);
  Command(cmd::kLineNew);
  Click(60, 150);
  EXPECT_FALSE(t->OnCommand(cmd::kEditDone));  // the view ends the mode as well
  EXPECT_EQ(t->CurrentLine(), nullptr);
  EXPECT_EQ(Lines(), 7);  // the one-vertex line went
}

TEST_F(LineTool, ALostCaptureEndsTheDragAsAReleaseAtTheLastPoint) {
  Enter(cmd::kLineMove);
  Down(100, 50);
  Move(100, 70);
  view->OnCaptureLost();
  EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 70}, {150, 70}}));
  EXPECT_FALSE(view->Feedback().Has(kSlotToolFirstFree + 1));
  Move(100, 90);  // the drag is over: nothing follows
  Up(100, 90);
  EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 70}, {150, 70}}));
}

TEST_F(LineTool, TheCKeyClosesTheLineBeingDrawnAndOtherSubModesIgnoreKeys) {
  CLineEditTool* t = Enter();
  Click(200, 120);
  Click(260, 120);
  Click(260, 180);
  Key('c');
  EXPECT_EQ(t->CurrentLine(), nullptr);
  EXPECT_TRUE(doc->m_lines.GetTail()->IsClosed(0));
  Command(cmd::kLineSplit);
  Key('c');
  Key(8);
  EXPECT_EQ(Lines(), 4);
  EXPECT_EQ(t->SubMode(), CLineEditTool::kSplit);
}

TEST_F(LineTool, ChoosingASubModeWhileTheButtonIsDownEndsThePressFirst) {
  // A shortcut key can choose a sub-mode while a line is held: the press
  // ends as a release where the mouse was, so the line picked before is no
  // line being drawn afterwards.
  for (const int trace : {0, 1}) {
    doc->m_lineTool.autoTrace = trace;
    CLineEditTool* t = Enter(cmd::kLineShow);
    ASSERT_EQ(t->AutoTrace(), trace == 1);
    Down(100, 52);
    ASSERT_EQ(t->CurrentLine(), a);
    Command(cmd::kLineNew);
    EXPECT_EQ(t->CurrentLine(), nullptr) << trace;
    EXPECT_FALSE(view->Feedback().Has(kSlotToolFirstFree + 1)) << trace;
    Up(100, 52);
    Click(60, 150);
    Click(100, 150);
    Key('x');
    EXPECT_EQ(Vertices(a), (std::vector<CFPoint>{{50, 50}, {150, 50}})) << trace;
    EXPECT_EQ(Lines(), 4) << trace;
    Command(cmd::kEditLineTool);  // leave
    doc->m_lines.DeleteChain(doc->m_lines.GetTail());
  }
}
