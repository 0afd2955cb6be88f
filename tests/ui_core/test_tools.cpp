// The tool framework headless: the default tool's band and measurement, edit
// modes with their saved flags, the Shift/Ctrl park and its ends, context
// menus, the drag tracker and the feedback layer.
#include <gtest/gtest.h>

#include "resources/commands.h"
#include "view_test_util.h"

using namespace qzn;
using viewtest::FakeWindow;
using viewtest::Kind;
using viewtest::MakeDoc;

namespace {

// A tool of a later mode: records what reaches it and holds an undo step.
struct RecordingTool : CEditTool {
  ToolType type;
  std::vector<std::string>* log;
  RecordingTool(IToolHost& h, ToolType t, std::vector<std::string>* l) : CEditTool(h, 101), type(t), log(l) {
    canUndo = true;
  }
  ToolType GetType() const override { return type; }
  void OnLButtonDown(POINT p, unsigned) override { log->push_back("down"); }
  void OnLButtonUp(POINT p, unsigned) override { log->push_back("up"); }
  void OnChar(unsigned ch, unsigned, unsigned) override { log->push_back(std::string(1, static_cast<char>(ch))); }
};

struct ToolFixture : ::testing::Test {
  CScriptedHost services;
  CHostScope scope{&services};
  FakeWindow window;
  std::unique_ptr<CQznDoc> doc = MakeDoc(801, 801, Kind::kGrey);
  std::unique_ptr<CQznView> view;
  std::vector<std::string> log;

  void SetUp() override {
    window.client = {400, 400};
    view = std::make_unique<CQznView>(doc.get(), &window);
    view->OnInitialUpdate();  // 800 wide in 400 x 400: scale 0.5
    for (EditMode mode : {EditMode::kLineEdit, EditMode::kAnnotation}) {
      RegisterToolFactory(mode, [this, mode](IToolHost& h, CQznDoc*) {
        return std::make_unique<RecordingTool>(h, ToolTypeOf(mode), &log);
      });
    }
  }
  void TearDown() override {
    view.reset();
    RegisterToolFactory(EditMode::kLineEdit, nullptr);
    RegisterToolFactory(EditMode::kAnnotation, nullptr);
  }
};

}  // namespace

TEST_F(ToolFixture, DragDrawsABandSnappedToImagePixels) {
  auto* tool = dynamic_cast<CDefaultTool*>(view->Tool());
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(tool->GetType(), ToolType::kDefault);
  view->OnLButtonDown(kMkLButton, POINT{10, 10});
  EXPECT_EQ(window.captures, 1);
  view->OnMouseMove(kMkLButton, POINT{51, 31});
  ASSERT_TRUE(view->Feedback().Has(kSlotToolBand));
  const RECT band = view->Feedback().Shapes().at(kSlotToolBand).geometry;
  EXPECT_EQ(band.left, 10);   // (10, 10) shows image pixel (20, 20), which starts at client 10
  EXPECT_EQ(band.right, 51);  // image 102 starts at client 51
  EXPECT_FALSE(window.strips.empty());
  // Out of the client: the points the tool sees are clamped while clipped.
  view->OnMouseMove(kMkLButton, POINT{5000, -70});
  EXPECT_EQ(tool->Tracker().current.x, 399);
  EXPECT_EQ(tool->Tracker().current.y, 0);
  view->OnMouseMove(kMkLButton, POINT{101, 61});
  view->OnLButtonUp(0, POINT{101, 61});
  EXPECT_EQ(window.releases, 1);
  EXPECT_TRUE(view->rubberBand.left == 20 && view->rubberBand.top == 20);
  EXPECT_EQ(view->rubberBand.right, 202);
  EXPECT_EQ(view->rubberBand.bottom, 122);
  EXPECT_FALSE(view->Feedback().Has(kSlotToolBand));
  EXPECT_TRUE(view->Feedback().Has(kSlotRubberBand));
}

TEST_F(ToolFixture, CtrlDragMeasuresInTheCursorKind) {
  view->OnLButtonDown(kMkLButton | kMkControl, POINT{0, 0});
  view->OnMouseMove(kMkLButton | kMkControl, POINT{30, 40});
  EXPECT_EQ(window.status, "长度=100.000");  // 60, 80 image pixels
  EXPECT_TRUE(view->Feedback().Has(kSlotToolLine));
  const double a[] = {2, 0, 0}, b[] = {0, 2, 0};
  view->cursorKind = 1;
  view->mapCoefX = a;
  view->mapCoefY = b;
  view->mapOrder = 3;
  view->OnMouseMove(kMkLButton | kMkControl, POINT{30, 40});
  EXPECT_EQ(window.status, "长度=200.000");
  view->OnLButtonUp(kMkControl, POINT{30, 40});
  EXPECT_FALSE(view->Feedback().Has(kSlotToolLine));
  EXPECT_TRUE(IsRectEmpty(view->rubberBand));  // measuring leaves no band
}

TEST_F(ToolFixture, ModesSaveFlagsAndFallBackToTheDefaultTool) {
  EXPECT_EQ(view->EndEditMode(), nullptr);  // mode 0: nothing, tool kept
  EXPECT_NE(view->Tool(), nullptr);
  view->flags.annotations = false;
  view->SetEditMode(EditMode::kAnnotation);
  EXPECT_EQ(view->editMode, EditMode::kAnnotation);
  EXPECT_EQ(view->Tool()->GetType(), ToolType::kAnnotation);
  EXPECT_FALSE(view->savedFlags.annotations);
  EXPECT_TRUE(view->flags.annotations && view->flags.annotationFrames);
  view->SetEditMode(EditMode::kAnnotation);  // the second entry saves the flags as they are now
  EXPECT_TRUE(view->savedFlags.annotations);
  for (int mode : {2, 11, -1}) {  // no tool of that mode or no such mode
    view->SetEditMode(static_cast<EditMode>(mode));
    EXPECT_EQ(view->editMode, EditMode::kDefault) << mode;
    EXPECT_EQ(view->Tool()->GetType(), ToolType::kDefault);
  }
  view->SetEditMode(EditMode::kLineEdit);
  EXPECT_NE(view->EndEditMode(), nullptr);
  EXPECT_EQ(view->editMode, EditMode::kDefault);
}

TEST_F(ToolFixture, ShiftParksTheModeToolAndReturnsIt) {
  view->SetEditMode(EditMode::kLineEdit);
  CEditTool* lineTool = view->Tool();
  view->OnLButtonDown(kMkLButton | kMkShift, POINT{5, 5});
  EXPECT_EQ(view->ParkedTool(), lineTool);
  EXPECT_EQ(view->Tool()->GetType(), ToolType::kDefault);
  view->OnLButtonUp(0, POINT{50, 50});
  EXPECT_EQ(view->Tool(), lineTool);
  EXPECT_EQ(view->ParkedTool(), nullptr);
  EXPECT_TRUE(lineTool->CanUndo());
  EXPECT_TRUE(log.empty());  // the line tool never saw the parked gesture
  // In mode 0 a Shift-click is the default tool's own.
  view->SetEditMode(EditMode::kDefault);
  view->OnLButtonDown(kMkLButton | kMkShift, POINT{5, 5});
  EXPECT_EQ(view->ParkedTool(), nullptr);
  view->OnLButtonUp(0, POINT{5, 5});
}

TEST_F(ToolFixture, ALostCaptureOrAnUnseenReleaseEndsThePark) {
  view->SetEditMode(EditMode::kLineEdit);
  CEditTool* lineTool = view->Tool();
  view->OnLButtonDown(kMkLButton | kMkControl, POINT{5, 5});
  view->OnMouseMove(kMkLButton | kMkControl, POINT{25, 5});
  view->OnCaptureLost();
  EXPECT_EQ(view->Tool(), lineTool);
  EXPECT_TRUE(lineTool->CanUndo());
  EXPECT_TRUE(view->Feedback().Shapes().empty());
  // A park whose release the view never saw ends at the next plain move.
  view->OnLButtonDown(kMkLButton | kMkShift, POINT{5, 5});
  view->ReleaseMouse();  // the capture went with the button, outside
  view->OnMouseMove(0, POINT{7, 7});
  EXPECT_EQ(view->Tool(), lineTool);
  EXPECT_EQ(view->ParkedTool(), nullptr);
}

TEST_F(ToolFixture, CharactersReachTheToolUnlessTheViewZooms) {
  view->SetEditMode(EditMode::kLineEdit);
  view->OnChar('x', 1, 0);
  view->OnChar('+', 1, 0);
  EXPECT_EQ(log, std::vector<std::string>{"x"});
}

TEST_F(ToolFixture, TheDefaultToolsContextMenuFollowsTheDocument) {
  view->OnRButtonDown(0, POINT{3, 3});
  ASSERT_EQ(window.menu.size(), 5u);  // an image without lines: menu 209
  EXPECT_EQ(window.menu[0].id, cmd::kEditDefineLayers);
  EXPECT_EQ(window.menu[3].id, 0);
  doc->m_lines.NewChain();
  view->OnRButtonDown(0, POINT{3, 3});
  ASSERT_EQ(window.menu.size(), 8u);  // menu 210
  EXPECT_EQ(window.menu[0].text, "编辑线段(&L)");
}

TEST(DragTracker, WithoutAHostNothingIsCaptured) {
  CDragTracker t;
  RECT r{0, 0, 10, 10};
  t.Begin(5, 5, true, &r, nullptr);
  t.Move(8, 9);
  EXPECT_EQ(t.rect.left, 3);
  EXPECT_EQ(t.rect.top, 4);
  t.Commit();
  EXPECT_EQ(t.previous.x, 8);
  t.End();
  EXPECT_FALSE(t.active);
}

TEST(FeedbackLayer, InversionCancelsWhereShapesMeet) {
  CFeedbackLayer layer;
  std::vector<std::uint8_t> rgb(10 * 10 * 3, 100);
  layer.Set(0, FeedbackShape::Frame(RECT{1, 1, 5, 5}));
  layer.Set(1, FeedbackShape::Frame(RECT{1, 1, 5, 5}));  // the same frame again
  layer.Invert(rgb.data(), 30, RECT{0, 0, 10, 10});
  for (std::uint8_t v : rgb) ASSERT_EQ(v, 100);
  layer.Clear(1);
  layer.Invert(rgb.data(), 30, RECT{0, 0, 10, 10});
  EXPECT_EQ(rgb[(1 * 10 + 3) * 3], 155);  // top edge
  EXPECT_EQ(rgb[(1 * 10 + 1) * 3], 100);  // a corner: two strips meet there
  EXPECT_EQ(rgb[(3 * 10 + 3) * 3], 100);  // inside
  // A one-pixel band still draws its four strips; an empty one nothing.
  std::vector<RECT> strips;
  CFeedbackLayer::Strips(FeedbackShape::Frame(RECT{2, 2, 3, 3}), strips);
  EXPECT_EQ(strips.size(), 4u);
  strips.clear();
  CFeedbackLayer::Strips(FeedbackShape::Frame(RECT{2, 2, 2, 9}), strips);
  EXPECT_TRUE(strips.empty());
}

TEST(FeedbackLayer, DamageIsThinStrips) {
  CFeedbackLayer layer;
  layer.Set(0, FeedbackShape::Frame(RECT{0, 0, 1000, 800}));
  layer.Set(1, FeedbackShape::Line(POINT{0, 0}, POINT{999, 799}));
  std::int64_t area = 0;
  for (const RECT& r : layer.TakeDamage()) area += std::int64_t{r.right - r.left} * (r.bottom - r.top);
  EXPECT_LT(area, 1000 * 800 / 10);
  EXPECT_TRUE(layer.TakeDamage().empty());
  int pixels = 0;
  CFeedbackLayer::ForEachPixel(FeedbackShape::Line(POINT{0, 0}, POINT{10, 3}), RECT{0, 0, 100, 100},
                               [&](int, int) { ++pixels; });
  EXPECT_EQ(pixels, 10);  // the end pixel excluded
}
