// The image edit tool headless on generated scans: pixel values in the
// status, painting (one undo step per stroke, squares cut to the image),
// lines, fills, mapping grey values, the dialogs' answers and the undo
// depth.
#include <gtest/gtest.h>

#include "fake_dialogs.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "tool_test_util.h"
#include "ui/core/imagetool.h"
#include "ui/core/tooldlgs.h"

using namespace qzn;

namespace {

struct ImageTool : tooltest::ToolTest {
  qzntest::ScriptedDialogs dialogs;
  BYTE drawValue = 77;
  int penSize = 4;
  std::vector<int> penAnswers;  // pen sizes typed in turn before penSize

  // Dialog 102 answered: "定义" gives the drawing value, then each pen size
  // is typed and OK pressed until one is taken.
  void AnswerDrawValue() {
    dialogs.scripts.push_back([this](CDialogModel& m, qzntest::FakeControls& c) -> int {
      m.OnClicked(CDrawPixelValueDlg::kDefine, c);
      for (int pen : penAnswers) {
        c.SetText(CDrawPixelValueDlg::kPenSize, std::to_string(pen));
        if (m.OnOK(c)) return IDOK;
      }
      c.SetText(CDrawPixelValueDlg::kPenSize, std::to_string(penSize));
      return qzntest::PressOK(m, c);
    });
  }
  CImageEditTool* Enter(int subCommand = 0) {
    window.dialogs = [this](ToolDialog& d) {
      if (auto* v = dynamic_cast<PixelValueValues*>(&d)) {
        v->value = drawValue;
        return true;
      }
      return false;
    };
    EXPECT_TRUE(Command(cmd::kEditImageTool));
    EXPECT_EQ(view->editMode, EditMode::kImageEdit);
    if (subCommand == cmd::kImagePaint || subCommand == cmd::kImageDrawLine) AnswerDrawValue();
    if (subCommand) {
      EXPECT_TRUE(Command(subCommand));
    }
    return Tool<CImageEditTool>();
  }
  BYTE At(int x, int y) const { return doc->m_image.GetRow(y, 0)[x]; }
  std::vector<BYTE> Copy() const {
    const BYTE* p = doc->m_image.GetPlane(0);
    return std::vector<BYTE>(p, p + doc->m_image.GetPlaneBytes());
  }
};

}  // namespace

TEST_F(ImageTool, ShowsThePixelValueUnderTheMouse) {
  Enter();
  Down(45, 200);
  EXPECT_EQ(window.status, "(45,200): 0");
  Move(20, 20);
  EXPECT_EQ(window.status, "(20,20): 255");
  Up(20, 20);
}

TEST_F(ImageTool, AStrokeIsOneUndoStepAndItsSquaresStayInTheImage) {
  CImageEditTool* t = Enter(cmd::kImagePaint);
  EXPECT_EQ(t->GetCursorId(), res::kCursorFreehand);
  const std::vector<BYTE> before = Copy();
  // Two pixels from the right edge, then back over the same pixels.
  Down(397, 10);
  Move(398, 12);
  Move(396, 11);
  Up(396, 11);
  EXPECT_EQ(At(400, 10), 77);
  EXPECT_EQ(At(396, 12), 77);
  EXPECT_EQ(t->UndoCount(), 1);
  EXPECT_TRUE(view->Feedback().Shapes().empty());
  t->Undo();
  EXPECT_EQ(Copy(), before);
}

TEST_F(ImageTool, PenSizesBeyondAQuarterOfTheImageAreAskedAgain) {
  penAnswers = {300, 101};  // the image is 401 x 301: 75 at the most
  penSize = 50;
  CImageEditTool* t = Enter(cmd::kImageDrawLine);
  EXPECT_EQ(t->PenSize(), 50);
  EXPECT_EQ(dialogs.shown, std::vector<int>{CDrawPixelValueDlg::kId});
  EXPECT_EQ(Messages(), (std::vector<std::string>{res::text::kDrawValuePenTooLarge, res::text::kDrawValuePenTooLarge}));
}

TEST_F(ImageTool, LinesAndFillsAreUndoneAndTwentyStepsKeepNineteen) {
  penSize = 3;
  CImageEditTool* t = Enter(cmd::kImageDrawLine);
  const std::vector<BYTE> before = Copy();
  Drag({20, 50}, {120, 50});
  EXPECT_EQ(At(70, 50), 77);
  EXPECT_EQ(At(70, 49), 77);
  t->Undo();
  EXPECT_EQ(Copy(), before);

  // Fill: the white region around the strokes takes the value; the
  // strokes stay black.
  Command(cmd::kImageFill);
  EXPECT_EQ(t->SubMode(), CImageEditTool::kFill);
  Click(10, 10);
  EXPECT_EQ(At(390, 290), 77);
  EXPECT_EQ(At(45, 200), 0);
  Click(10, 10);  // already that value: no step
  EXPECT_EQ(t->UndoCount(), 1);
  t->Undo();
  EXPECT_EQ(Copy(), before);

  Command(cmd::kImagePaint);
  for (int i = 0; i < 20; ++i) Click(10 * i, 280);
  EXPECT_EQ(t->UndoCount(), 19);
}

TEST_F(ImageTool, FillRefusesRgbAndMappingRaisesTheMaximumToTheMinimum) {
  view.reset();
  doc = viewtest::MakeDoc(64, 64, viewtest::Kind::kRgb);
  view = std::make_unique<CQznView>(doc.get(), &window);
  view->OnInitialUpdate();
  CImageEditTool* t = Enter(cmd::kImageFill);
  EXPECT_EQ(Messages(), std::vector<std::string>{res::text::kImageCannotFillRgb});
  EXPECT_NE(t->SubMode(), CImageEditTool::kFill);
  EXPECT_FALSE(GetEditCommandState(*view, cmd::kImageMapValues).enabled);

  TearDown();
  SetUp();
  Enter();
  // A band over the stroke at y = 200 finds 0..255; the answer maps only 200
  // when the maximum comes back below the minimum.
  doc->m_image.GetRow(5, 0)[5] = 200;
  doc->m_image.GetRow(5, 0)[6] = 100;
  dialogs.scripts.push_back([](CDialogModel& m, qzntest::FakeControls& c) {
    EXPECT_EQ(c.GetText(CMapPixelValueDlg::kMinimum), "0");
    EXPECT_EQ(c.GetText(CMapPixelValueDlg::kMaximum), "255");
    c.SetText(CMapPixelValueDlg::kMinimum, "200");
    c.SetText(CMapPixelValueDlg::kMaximum, "100");
    c.SetText(CMapPixelValueDlg::kValue, "9");
    return qzntest::PressOK(m, c);
  });
  view->SetRubberBand(RECT{30, 190, 60, 210});
  Command(cmd::kImageMapValues);
  EXPECT_EQ(At(5, 5), 9);
  EXPECT_EQ(At(6, 5), 100);
}
