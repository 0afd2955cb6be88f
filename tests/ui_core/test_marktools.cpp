// The annotation, text-block, region-of-interest and angle tools headless
// on a generated scan: each sub-mode's gesture, the commands with their
// questions and dialogs, and the mended cases (drags followed from the
// press and rounded once, the note dialog letting go of deleted notes,
// Restore available while removed lines remain, OCR training on the whole
// first character, the angle with an exact pi).
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "fake_dialogs.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "tool_test_util.h"
#include "ui/core/angletool.h"
#include "ui/core/notetool.h"
#include "ui/core/ocrdlg.h"
#include "ui/core/roitool.h"
#include "ui/core/textblocktool.h"
#include "ui/core/tooldlgs.h"

using namespace qzn;
using tooltest::AddLine;

namespace {

// The note dialog without a window: its text, the note it holds, and the
// notes it was told to let go of.
struct FakeNoteDialog : INoteDialog {
  std::string text = "高程";
  CNote* held = nullptr;
  std::vector<const CNote*>* released;
  explicit FakeNoteDialog(std::vector<const CNote*>* r) : released(r) {}
  std::string Text() const override { return text; }
  void SetNote(CNote* n) override { held = n; }
  void ReleaseNote(const CNote* n) override {
    released->push_back(n);
    if (held == n) held = nullptr;
  }
};

struct NoteTool : tooltest::ToolTest {
  std::vector<const CNote*> released;
  CNote* n1 = nullptr;  // centre (100, 100)
  CNote* n2 = nullptr;  // centre (300, 200)

  void SetUp() override {
    ToolTest::SetUp();
    window.noteDialog = [this] { return std::make_unique<FakeNoteDialog>(&released); };
    n1 = doc->m_notes.AddNote(RECT{80, 90, 120, 110}, "a");
    n2 = doc->m_notes.AddNote(RECT{280, 190, 320, 210}, "b");
    doc->m_layers.SetCurrentLayer(doc->m_layers.GetAt(1).m_strName);
  }
  CAnnotationTool* Enter(int subCommand = 0) {
    EXPECT_TRUE(Command(cmd::kEditNoteTool));
    EXPECT_EQ(view->editMode, EditMode::kAnnotation);
    if (subCommand) {
      EXPECT_TRUE(Command(subCommand));
    }
    return Tool<CAnnotationTool>();
  }
  FakeNoteDialog* Dialog() { return static_cast<FakeNoteDialog*>(Tool<CAnnotationTool>()->NoteDialog()); }
};

}  // namespace

TEST_F(NoteTool, AddingTakesTheRectangleTheDialogsTextAndTheLayer) {
  Enter();
  Drag({50, 200}, {10, 250});
  ASSERT_EQ(doc->m_notes.GetCount(), 3);
  const CNote* n = doc->m_notes.GetTail();
  EXPECT_EQ(n->m_rect, (RECT{10, 200, 50, 250}));
  EXPECT_EQ(n->m_strText, "高程");
  EXPECT_EQ(n->m_nID, doc->m_layers.GetCurrentLayerID());
  EXPECT_EQ(Dialog()->held, n);
  EXPECT_TRUE(view->Feedback().Shapes().empty());
  // A click without dragging adds nothing.
  Click(60, 60);
  EXPECT_EQ(doc->m_notes.GetCount(), 3);
  EXPECT_EQ(Messages(), std::vector<std::string>{res::text::kNoteDrawRectangle});
}

TEST_F(NoteTool, DeletedNotesAreLetGoByTheDialog) {
  Enter(cmd::kNoteModify);
  Click(101, 99);
  EXPECT_EQ(Dialog()->held, n1);
  Command(cmd::kNoteDelete);
  EXPECT_EQ(window.status, res::text::kNoteDeleteStatus);
  Click(101, 99);
  EXPECT_EQ(doc->m_notes.GetCount(), 1);
  EXPECT_EQ(Dialog()->held, nullptr);
  // In the rubber band, after a yes.
  view->SetRubberBand(RECT{250, 150, 400, 250});
  services.answers.push_back(IDYES);
  Command(cmd::kNoteDelete);
  EXPECT_TRUE(doc->m_notes.IsEmpty());
  EXPECT_EQ(released.size(), 2u);
  // Every pick on no notes says why.
  for (int id : {cmd::kNoteDelete, cmd::kNoteModify, cmd::kNoteSetLayer, cmd::kNoteMove, cmd::kNoteRotate}) {
    Command(id);
    services.messages.clear();
    Click(10, 10);
    const bool drag = id == cmd::kNoteMove || id == cmd::kNoteRotate;
    EXPECT_EQ(Messages(), std::vector<std::string>{drag ? res::text::kNoteClickInBox : res::text::kNoteClickCentre});
  }
}

TEST_F(NoteTool, MoveAndRotateFollowTheWholeDragRoundedOnce) {
  Enter(cmd::kNoteMove);
  const RECT before = n1->m_rect;
  // Zoomed in four times, each one-pixel move is a quarter of an image
  // pixel: cut to whole pixels step by step, the note would never move.
  view->scaleX = view->scaleY = 4.0;
  Down(396, 296);
  for (int i = 1; i <= 28; ++i) Move(396 - i, 296);
  Up(368, 296);
  view->scaleX = view->scaleY = 1.0;
  RECT expect = before;
  OffsetRect(expect, -7, 0);
  EXPECT_EQ(n1->m_rect, expect);

  Command(cmd::kNoteRotate);
  const POINT c = n2->Centre();
  // A full turn in 36 steps about the centre, then a quarter more.
  Down(c.x + 50, c.y);
  for (int i = 1; i <= 45; ++i) {
    const double a = -i * 10.0 * 3.14159265358979 / 180.0;
    Move(c.x + static_cast<int>(std::lround(50 * std::cos(a))), c.y + static_cast<int>(std::lround(50 * std::sin(a))));
  }
  Up(c.x, c.y - 50);
  EXPECT_NEAR(std::abs(n2->m_nAngle), 450, 1);
  EXPECT_TRUE(view->Feedback().Shapes().empty());
}

// ---- text blocks ------------------------------------------------------------

namespace {

struct TextBlockTool : tooltest::ToolTest {
  CChain* inside1 = nullptr;   // inside block 1
  CChain* inside2 = nullptr;   // inside block 2
  CChain* crossing = nullptr;  // crossing block 2
  CChain* outside = nullptr;

  void SetUp() override {
    ToolTest::SetUp();
    inside1 = AddLine(*doc, {{20, 20}, {40, 30}});
    inside2 = AddLine(*doc, {{210, 20}, {230, 30}});
    crossing = AddLine(*doc, {{190, 25}, {260, 25}});
    outside = AddLine(*doc, {{20, 280}, {390, 280}});
    doc->m_textBlocks.AddBox(RECT{10, 10, 50, 40}, 0);
    doc->m_textBlocks.AddBox(RECT{200, 10, 240, 40}, 0);
    doc->m_textBlocks.AddBox(RECT{250, 10, 290, 40}, 0);
  }
  CTextBlockTool* Enter(int subCommand = 0) {
    EXPECT_TRUE(Command(cmd::kEditTextBlockTool));
    EXPECT_EQ(view->editMode, EditMode::kTextBlock);
    if (subCommand) {
      EXPECT_TRUE(Command(subCommand));
    }
    return Tool<CTextBlockTool>();
  }
  bool InList(const CChain* line) const { return doc->m_lines.Find(line) != nullptr; }
};

}  // namespace

TEST_F(TextBlockTool, RestoreStaysWhileRemovedLinesRemainNewestFirst) {
  CTextBlockTool* t = Enter(cmd::kBlockDeleteLines);
  EXPECT_EQ(t->SubMode(), CTextBlockTool::kDeleteLines);
  Click(30, 25);
  Click(220, 25);
  EXPECT_FALSE(InList(inside1));
  EXPECT_FALSE(InList(inside2));
  EXPECT_TRUE(InList(crossing));  // not wholly inside
  EXPECT_EQ(doc->m_textBlocks.GetCount(), 1);
  // Removing a block mark keeps Restore available.
  Command(cmd::kBlockRemove);
  Click(270, 25);
  EXPECT_TRUE(doc->m_textBlocks.IsEmpty());
  EXPECT_TRUE(GetEditCommandState(*view, cmd::kBlockRestore).enabled);
  Command(cmd::kBlockRestore);
  EXPECT_TRUE(InList(inside2));
  EXPECT_FALSE(InList(inside1));
  Command(cmd::kBlockRestore);
  EXPECT_TRUE(InList(inside1));
  EXPECT_FALSE(GetEditCommandState(*view, cmd::kBlockRestore).enabled);
  // A click on no block says so.
  Command(cmd::kBlockDeleteLines);
  Click(150, 150);
  EXPECT_EQ(Messages(), std::vector<std::string>{res::text::kBlockClickToDelete});
}

TEST_F(TextBlockTool, DeleteAllAsksForInsideOrCrossingAndSetsRestore) {
  struct Case {
    int choice;
    bool crossingGone;
  };
  for (const Case k : {Case{0, false}, Case{1, true}}) {
    TearDown();
    SetUp();
    CTextBlockTool* t = Enter();
    std::string question;
    qzntest::ScriptedDialogs dialogs;
    dialogs.scripts.push_back([&](CDialogModel& m, qzntest::FakeControls& c) {
      question = c.GetText(CDeleteTextLinesDlg::kQuestion);
      c.SetCheck(CDeleteTextLinesDlg::kInside, k.choice == 0);
      c.SetCheck(CDeleteTextLinesDlg::kCrossing, k.choice == 1);
      return qzntest::PressOK(m, c);
    });
    Command(cmd::kBlockDeleteAll);
    EXPECT_EQ(question, res::text::kDeleteTextLinesAskAll);
    EXPECT_FALSE(InList(inside1));
    EXPECT_FALSE(InList(inside2));
    EXPECT_EQ(!InList(crossing), k.crossingGone);
    EXPECT_TRUE(InList(outside));
    EXPECT_TRUE(doc->m_textBlocks.IsEmpty());
    EXPECT_TRUE(t->CanUndo());
    // Leaving the mode deletes what was not restored.
    Command(cmd::kEditDone);
    EXPECT_EQ(doc->m_lines.GetCount(), k.crossingGone ? 1 : 2);
  }
}

TEST_F(TextBlockTool, AddGroupAndUngroupBlocks) {
  Enter(cmd::kBlockAdd);
  Drag({100, 100}, {140, 130});
  ASSERT_EQ(doc->m_textBlocks.GetCount(), 4);
  EXPECT_EQ(doc->m_textBlocks.GetTail()->m_rect, (RECT{100, 100, 140, 130}));
  EXPECT_EQ(doc->m_textBlocks.GetTail()->m_nType, -1);
  Click(5, 5);  // an empty rectangle adds nothing
  EXPECT_EQ(doc->m_textBlocks.GetCount(), 4);

  Command(cmd::kBlockGroup);
  Drag({205, 25}, {215, 25});  // meets one block only
  EXPECT_EQ(Messages(), std::vector<std::string>{res::text::kBlockChooseTwo});
  CBox* b2 = doc->m_textBlocks.GetAt(doc->m_textBlocks.FindIndex(1));
  CBox* b3 = doc->m_textBlocks.GetAt(doc->m_textBlocks.FindIndex(2));
  EXPECT_EQ(b2->m_pNext, nullptr);
  Drag({205, 25}, {285, 25});
  EXPECT_EQ(b2->m_pNext, b3);
  EXPECT_EQ(b3->m_pPrev, b2);
  Command(cmd::kBlockUngroup);
  Drag({205, 25}, {285, 25});
  EXPECT_EQ(b2->m_pNext, nullptr);
}

TEST_F(TextBlockTool, TrainingTakesTheWholeFirstCharacterAndTestFindsIt) {
  CTextBlockTool* t = Enter(cmd::kBlockTrainOcr);
  // The scan's cross at (330, 100) as a glyph.
  doc->m_textBlocks.AddBox(RECT{310, 80, 350, 120}, 0);
  qzntest::ScriptedDialogs dialogs;
  auto answer = [&](const std::string& text) {
    dialogs.scripts.push_back([text](CDialogModel& m, qzntest::FakeControls& c) {
      c.SetText(COcrTrainDlg::kCharacter, text);
      return qzntest::PressOK(m, c);
    });
  };
  answer("");
  Click(330, 100);
  EXPECT_TRUE(doc->m_chars.IsEmpty());
  answer("十");
  Click(330, 100);
  ASSERT_EQ(doc->m_chars.GetCount(), 1);
  EXPECT_EQ(doc->m_chars.GetHead()->m_nCode, 0x5341);  // 十
  Command(cmd::kBlockTestOcr);
  Click(330, 100);
  EXPECT_EQ(window.status, "检测字符是: 十");
  EXPECT_FALSE(t->CanUndo());
}

// ---- region of interest -----------------------------------------------------

namespace {

struct RoiTool : tooltest::ToolTest {
  CRoiTool* Enter(int subCommand) {
    EXPECT_TRUE(Command(subCommand));
    EXPECT_EQ(view->editMode, EditMode::kRoi);
    return Tool<CRoiTool>();
  }
};

}  // namespace

TEST_F(RoiTool, PolygonsAreClosedFromThreeVerticesAndKeysBeforeTwoAreIgnored) {
  CRoiTool* t = Enter(cmd::kRoiPolygon);
  Click(10, 10);
  Key('x');  // one vertex: ignored, still drawing
  ASSERT_NE(t->Polygon(), nullptr);
  Click(100, 10);
  Key('x');
  ASSERT_EQ(doc->m_roi.GetCount(), 1);
  EXPECT_EQ(doc->m_roi.GetTail()->GetCount(), 2);
  EXPECT_FALSE(doc->m_roi.GetTail()->IsClosed(0));
  EXPECT_EQ(doc->m_roi.GetTail()->m_color, RGB(255, 50, 50));
  Click(10, 10);
  Click(100, 10);
  Click(100, 100);
  Click(50, 150);
  Key(8);  // takes the last vertex back
  Key('x');
  ASSERT_EQ(doc->m_roi.GetCount(), 2);
  EXPECT_TRUE(doc->m_roi.GetTail()->IsClosed(0));
  EXPECT_EQ(doc->m_roi.GetTail()->GetPoint(2), CFPoint(100, 100));
  // Switching to the rectangle finishes the polygon first.
  Click(200, 200);
  Click(250, 200);
  Click(250, 250);
  Command(cmd::kRoiRectangle);
  EXPECT_EQ(doc->m_roi.GetCount(), 3);
  EXPECT_EQ(window.status, res::text::kRoiRectangleStatus);
  Drag({20, 20}, {60, 80});
  ASSERT_EQ(doc->m_roi.GetCount(), 4);
  EXPECT_EQ(doc->m_roi.GetTail()->GetPoint(0), CFPoint(20, 20));
  EXPECT_EQ(doc->m_roi.GetTail()->GetPoint(2), CFPoint(60, 80));
  Command(cmd::kRoiCircle);
  Drag({100, 100}, {140, 140});
  ASSERT_EQ(doc->m_roi.GetCount(), 5);
  EXPECT_EQ(doc->m_roi.GetTail()->GetCount(), 73);
  Click(5, 5);
  EXPECT_EQ(doc->m_roi.GetCount(), 5);
  // Clear empties the list.
  EXPECT_TRUE(Command(cmd::kRoiClear));
  EXPECT_TRUE(doc->m_roi.IsEmpty());
}

// ---- angle ------------------------------------------------------------------

TEST(AngleBetweenArms, ExactAndFolded) {
  struct Case {
    CFPoint a, b;
    double degrees;
  };
  const CFPoint v(100, 100);
  const double r10 = 10.0 * std::numbers::pi / 180.0;
  const CFPoint at10(static_cast<float>(100 + 1000 * std::cos(r10)), static_cast<float>(100 + 1000 * std::sin(r10)));
  const CFPoint at350(static_cast<float>(100 + 1000 * std::cos(r10)), static_cast<float>(100 - 1000 * std::sin(r10)));
  for (const Case k : {Case{{200, 100}, {100, 0}, 90.0}, Case{{200, 100}, {0, 100}, 180.0},
                       Case{{200, 100}, {100, 300}, 90.0}, Case{{0, 100}, {100, 0}, 90.0}}) {
    EXPECT_EQ(AngleBetweenArms(v, k.a, k.b), k.degrees);
  }
  EXPECT_NEAR(AngleBetweenArms(v, at10, at350), 20.0, 1e-4);
}

using AngleTool = tooltest::ToolTest;

TEST_F(AngleTool, ReportsAfterThreeClicksAndEscLeaves) {
  ASSERT_TRUE(Command(cmd::kAngleCheck));
  auto* t = Tool<CAngleTool>();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->GetCursorId(), res::kCursorAngle);
  Click(100, 100);
  Move(200, 100, false);
  Click(200, 100);
  Move(100, 20, false);
  EXPECT_EQ(view->Feedback().Shapes().size(), 2u);  // both arms shown
  Click(100, 20);
  EXPECT_EQ(Messages(), std::vector<std::string>{"角度是 90.000000 度。"});
  EXPECT_TRUE(view->Feedback().Shapes().empty());
  EXPECT_EQ(t->Step(), 0);
  Click(10, 10);
  Key(27);
  EXPECT_EQ(view->editMode, EditMode::kDefault);
  EXPECT_EQ(services.messages.size(), 1u);
}
