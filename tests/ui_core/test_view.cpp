// The image view headless: zoom and scroll steps, the display pipeline and
// its palettes, cursor coordinates, the overview.
#include <gtest/gtest.h>

#include "platform/canvas.h"
#include "ui/core/rectops.h"
#include "view_test_util.h"

using namespace qzn;
using viewtest::FakeWindow;
using viewtest::Kind;
using viewtest::MakeDoc;

namespace {

struct ViewFixture : ::testing::Test {
  CScriptedHost services;
  CHostScope scope{&services};
  FakeWindow window;
  std::unique_ptr<CQznDoc> doc;
  std::unique_ptr<CQznView> view;

  void Open(int w, int h, Kind kind, SIZE client = {400, 400}, int photometric = 1) {
    window.client = client;
    doc = MakeDoc(w, h, kind, photometric);
    view = std::make_unique<CQznView>(doc.get(), &window);
    view->OnInitialUpdate();
  }
};

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST_F(ViewFixture, InitialUpdateShowsTheWholeExtentAtItsAspect) {
  Open(801, 401, Kind::kGrey, {1001, 700});
  EXPECT_TRUE(Same(view->visibleRect, {0, 0, 800, 400}));
  EXPECT_EQ(view->clientSize.cx, 1004);  // 1001 wide, aligned to 4 bytes
  EXPECT_EQ(view->clientSize.cy, 501);
  EXPECT_TRUE(view->displayValid);
  EXPECT_EQ(view->DisplayBitmap().width, 1004);
  EXPECT_EQ(window.hRange, 800);
  EXPECT_EQ(window.vRange, 400);
  ASSERT_NE(view->Overview(), nullptr);
  EXPECT_FALSE(view->Overview()->Thumbnail().empty());
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(ViewFixture, AViewWithoutAnImageDrawsOnlyOverlays) {
  window.client = {300, 200};
  auto empty = std::make_unique<CQznDoc>();
  CQznView v(empty.get(), &window);
  v.OnInitialUpdate();
  EXPECT_TRUE(v.AllocDisplayBuffer(false));
  EXPECT_TRUE(v.RenderDisplayBuffer(true));
  EXPECT_EQ(v.DisplayBufferBytes(), 0);
  EXPECT_TRUE(v.DisplayBitmap().empty());
  EXPECT_EQ(v.Overview(), nullptr);
  CRecordingCanvas dc;
  v.DrawOverlays(dc, RECT{0, 0, 300, 200});
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(ViewFixture, ZoomFactorsOfAnEmptyVisibleRectangleAreOne) {
  Open(100, 100, Kind::kGrey);
  view->visibleRect = RECT{10, 10, 10, 50};
  view->RecalcZoom();
  EXPECT_EQ(view->scaleX, 1.0);
  EXPECT_EQ(view->scaleY, 1.0);
}

TEST_F(ViewFixture, ZoomInWithoutBandHalvesAroundTheCursor) {
  Open(1001, 1001, Kind::kGrey, {400, 400});
  view->visibleRect = RECT{0, 0, 400, 400};
  view->cursorImageX = 300;
  view->cursorImageY = 200;
  view->OnViewZoomIn();
  EXPECT_TRUE(Same(view->visibleRect, {200, 100, 400, 300}));
  EXPECT_TRUE(Same(view->previousRect, {0, 0, 400, 400}));
  // A band 7 pixels wide counts as none.
  view->SetRubberBand(RECT{200, 100, 207, 200});
  view->cursorImageX = 300;
  view->cursorImageY = 200;
  view->OnViewZoomIn();
  EXPECT_EQ(RectWidth(view->visibleRect), 100);
  // A real band is zoomed to and then emptied.
  view->visibleRect = RECT{0, 0, 400, 400};
  view->SetRubberBand(RECT{40, 40, 140, 140});
  view->OnViewZoomIn();
  EXPECT_TRUE(Same(view->visibleRect, {40, 40, 140, 140}));
  EXPECT_TRUE(IsRectEmpty(view->rubberBand));
  EXPECT_DOUBLE_EQ(view->scaleX, view->clientSize.cx / 100.0);
}

TEST_F(ViewFixture, ZoomOutEndsInFullViewAndPreviousSwaps) {
  Open(1000, 1000, Kind::kGrey);
  view->visibleRect = RECT{250, 250, 750, 750};  // half the extent
  view->OnViewZoomOut();
  EXPECT_TRUE(Same(view->visibleRect, {0, 0, 999, 999}));
  EXPECT_TRUE(Same(view->previousRect, {250, 250, 750, 750}));
  view->OnViewPreviousView();
  EXPECT_TRUE(Same(view->visibleRect, {250, 250, 750, 750}));
  view->OnViewPreviousView();
  EXPECT_TRUE(Same(view->visibleRect, {0, 0, 999, 999}));
  // A quarter grows to a half without reaching the full view.
  view->visibleRect = RECT{400, 400, 600, 600};
  view->OnViewZoomOut();
  EXPECT_TRUE(Same(view->visibleRect, {300, 300, 700, 700}));
}

TEST_F(ViewFixture, ScrollStepsStayInsideTheExtent) {
  Open(1000, 2000, Kind::kGrey, {400, 400});
  view->visibleRect = RECT{0, 0, 400, 400};
  struct Step {
    int code;
    int expectTop;
  } steps[] = {
      {kScrollLineDown, 100}, {kScrollPageDown, 300},  {kScrollLineUp, 200},
      {kScrollBottom, 1599},  {kScrollLineDown, 1599},  // at the bottom edge: stays
      {kScrollTop, 0},        {kScrollPageUp, 0},      {kScrollThumbTrack, 0},
  };
  for (const Step& s : steps) {
    const int before = window.invalidations;
    const int top = view->visibleRect.top;
    view->OnScroll(true, s.code, 0);
    EXPECT_EQ(view->visibleRect.top, s.expectTop) << "code " << s.code;
    EXPECT_EQ(RectHeight(view->visibleRect), 400);
    if (top == s.expectTop) {
      EXPECT_EQ(window.invalidations, before) << "nothing rendered for code " << s.code;
    }
  }
  view->OnScroll(true, kScrollThumbPosition, 700);
  EXPECT_EQ(view->visibleRect.top, 700);
  EXPECT_EQ(window.vPos, 700);
  // Keys: arrows move by half the visible size.
  view->OnKeyDown(ViewKey::kDown);
  EXPECT_EQ(view->visibleRect.top, 900);
  view->OnKeyDown(ViewKey::kRight);
  EXPECT_EQ(view->visibleRect.left, 200);
  view->OnKeyDown(ViewKey::kHome);
  EXPECT_EQ(view->visibleRect.top, 0);
}

TEST_F(ViewFixture, CharactersZoomAndTheRestGoToTheTool) {
  Open(1000, 1000, Kind::kGrey);
  view->visibleRect = RECT{0, 0, 400, 400};
  view->cursorImageX = view->cursorImageY = 200;
  view->OnChar('+', 1, 0);
  EXPECT_EQ(RectWidth(view->visibleRect), 200);
  view->OnChar('_', 1, 0);
  EXPECT_EQ(RectWidth(view->visibleRect), 400);
}

TEST_F(ViewFixture, RecentringKeepsAnInnerPointStill) {
  Open(1000, 1000, Kind::kGrey);
  view->visibleRect = RECT{0, 0, 400, 400};
  EXPECT_FALSE(view->RecenterOnPoint(POINT{200, 200}, true));
  EXPECT_TRUE(Same(view->visibleRect, {0, 0, 400, 400}));
  EXPECT_TRUE(view->RecenterOnPoint(POINT{390, 390}, true));
  EXPECT_TRUE(Same(view->visibleRect, {190, 190, 590, 590}));
}

TEST_F(ViewFixture, CursorCoordinatesByKind) {
  Open(1000, 1000, Kind::kGrey, {500, 500});
  view->visibleRect = RECT{100, 100, 600, 600};
  view->RecalcZoom();
  view->UpdateCursorCoords(POINT{10, 20});
  EXPECT_DOUBLE_EQ(g_cursorX, 110.0);
  EXPECT_DOUBLE_EQ(g_cursorY, 120.0);
  const double a[] = {1, 0, 100}, b[] = {0, 1, 200};
  view->cursorKind = 1;
  view->mapCoefX = a;
  view->mapCoefY = b;
  view->mapOrder = 3;
  double x = 0, y = 0;
  ASSERT_TRUE(view->ImageToMapCoords(POINT{10, 20}, x, y));
  EXPECT_DOUBLE_EQ(x, 110.0);
  EXPECT_DOUBLE_EQ(y, 220.0);
  view->cursorKind = 2;  // resolution 0: pixels
  doc->m_image.xResolution = 0.0f;
  view->UpdateCursorCoords(POINT{10, 20});
  EXPECT_DOUBLE_EQ(g_cursorX, 110.0);
  doc->m_image.xResolution = 10.0f;
  view->UpdateCursorCoords(POINT{10, 20});
  EXPECT_DOUBLE_EQ(g_cursorX, 11.0);
  EXPECT_EQ(FormatCoordinates(12.5, 0), "(12.5000,0.0000)");
  EXPECT_EQ(FormatCoordinates(-123456789012.25, 1e15), "(-123456789012.2500,1000000000000000.0000)");
}

TEST_F(ViewFixture, PalettesOfEveryImageKind) {
  ViewPalette pal;
  auto bilevel0 = MakeDoc(16, 16, Kind::kBilevel, 0);
  EXPECT_EQ(CreateImagePalette(bilevel0->m_image, pal), 2);
  EXPECT_EQ(pal[0].red, 200);  // 0 pixels light
  EXPECT_EQ(pal[1].red, 50);   // 1 pixels dark
  auto bilevel1 = MakeDoc(16, 16, Kind::kBilevel, 1);
  CreateImagePalette(bilevel1->m_image, pal);
  EXPECT_EQ(pal[0].red, 50);
  auto white0 = MakeDoc(16, 16, Kind::kGrey, 0);
  CreateImagePalette(white0->m_image, pal);
  EXPECT_EQ(pal[0].red, 255);
  EXPECT_EQ(pal[255].red, 0);
  auto palette = MakeDoc(16, 16, Kind::kPalette);
  CreateImagePalette(palette->m_image, pal);
  EXPECT_EQ(pal[10].green, 245);
  palette->m_image.FreePalette();  // no colour map: the 3-3-2 cube
  CreateImagePalette(palette->m_image, pal);
  EXPECT_EQ(pal[255].red, 224);
  EXPECT_EQ(pal[255].green, 224);
  EXPECT_EQ(pal[255].blue, 192);
}

TEST_F(ViewFixture, APaletteChangeRemapsWithoutRendering) {
  Open(64, 64, Kind::kBilevel, {64, 64}, 0);
  const RgbBitmap before = view->DisplayBitmap();
  ASSERT_FALSE(before.empty());
  PaletteEntry red{255, 0, 0, kPaletteReserved};
  view->SetDisplayPalette(&red, 1);
  const RgbBitmap& after = view->DisplayBitmap();
  int changed = 0;
  for (std::size_t i = 0; i < after.rgb.size(); i += 3)
    if (before.rgb[i] == 200) {
      EXPECT_EQ(after.rgb[i], 255);
      EXPECT_EQ(after.rgb[i + 1], 0);
      ++changed;
    }
  EXPECT_GT(changed, 0);
}

TEST_F(ViewFixture, EveryImageKindRendersAtEveryZoom) {
  for (Kind kind : {Kind::kGrey, Kind::kBilevel, Kind::kRgb, Kind::kPalette}) {
    Open(300, 200, kind, {333, 222});
    for (RECT r : {RECT{0, 0, 299, 199}, RECT{10, 10, 20, 17}, RECT{0, 0, 1, 1}}) {
      view->visibleRect = r;
      view->RecalcZoom();
      EXPECT_TRUE(view->RefreshDisplay()) << static_cast<int>(kind);
      EXPECT_EQ(view->DisplayBitmap().width, view->clientSize.cx);
    }
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text;
  }
}

TEST_F(ViewFixture, ABitmapWithoutPixelsIsDropped) {
  RgbBitmap out;
  out.width = 5;
  ViewPalette pal{};
  EXPECT_FALSE(CreateBitmapFromDib(nullptr, 8, 8, false, pal, out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(CreateBitmapFromDib(nullptr, 0, 8, false, pal, out));
  ASSERT_EQ(services.messages.size(), 2u);
  EXPECT_EQ(services.messages[0].text, "创建位图出错。");
  EXPECT_EQ(services.messages[1].text, "为显示创建的位图出错。");
}

TEST_F(ViewFixture, ResizeKeepsAllThatWasChosenAndIsNoViewOfItsOwn) {
  Open(2000, 1000, Kind::kGrey, {400, 200});
  const RECT chosen{500, 250, 900, 450};
  view->visibleRect = chosen;
  view->previousRect = RECT{0, 0, 1999, 999};
  // Narrower and wider pages, and one the workspace is too low to fill.
  struct Case {
    SIZE page;
    SIZE display;
  };
  for (const Case& c : {Case{{200, 200}, {200, 200}}, Case{{600, 200}, {600, 200}}, Case{{100, 300}, {100, 250}}}) {
    view->OnSize(c.page.cx, c.page.cy);
    EXPECT_TRUE(RectInside(chosen, view->visibleRect)) << c.page.cx << "x" << c.page.cy;
    EXPECT_TRUE(RectInside(view->visibleRect, RECT{0, 0, 1999, 999}));
    EXPECT_EQ(view->clientSize.cx, c.display.cx) << c.page.cx << "x" << c.page.cy;
    EXPECT_NEAR(view->clientSize.cy, c.display.cy, 1) << c.page.cx << "x" << c.page.cy;
    EXPECT_NEAR(view->scaleX / view->scaleY, 1.0, 0.02);
    EXPECT_TRUE(Same(view->previousRect, {0, 0, 1999, 999}));
  }
  view->OnSize(0, 200);  // no area: ignored
  EXPECT_EQ(view->clientSize.cx, 100);
}

TEST_F(ViewFixture, SizesThatComeAndGoGiveBackWhatWasShown) {
  // The toolkit lays a page out without and then with its scroll bars
  // whenever they are set, and a user may undo a resize: what is shown
  // afterwards is what was shown before, however often, with scrolls and
  // zooms between.
  Open(2000, 1000, Kind::kGrey, {400, 200});
  view->visibleRect = RECT{500, 250, 900, 450};
  auto page = [&](int cx, int cy) {
    window.client = SIZE{cx, cy};
    view->OnSize(cx, cy);
  };
  page(385, 185);
  const RECT shown = view->visibleRect;
  const double scale = view->scaleX;
  auto comeAndGo = [&] {
    page(400, 200);
    page(385, 185);
  };
  for (int i = 0; i < 10; ++i) comeAndGo();
  EXPECT_TRUE(Same(view->visibleRect, shown));
  EXPECT_DOUBLE_EQ(view->scaleX, scale);
  for (int i = 0; i < 10; ++i) {
    view->OnKeyDown(ViewKey::kDown);
    comeAndGo();
    EXPECT_EQ(RectHeight(view->visibleRect), RectHeight(shown)) << i;
    EXPECT_EQ(RectWidth(view->visibleRect), RectWidth(shown)) << i;
  }
  for (int i = 0; i < 10; ++i) {
    view->OnKeyDown(ViewKey::kUp);
    comeAndGo();
  }
  // Ten steps down reached the bottom, ten up the top.
  EXPECT_EQ(view->visibleRect.top, 0);
  view->OnScroll(true, kScrollThumbPosition, shown.top);
  comeAndGo();
  EXPECT_TRUE(Same(view->visibleRect, shown));
  EXPECT_DOUBLE_EQ(view->scaleX, scale);
  // A zoom's rectangle is what the sizes then keep.
  view->cursorImageX = 700;
  view->cursorImageY = 350;
  view->OnViewZoomIn();
  const RECT zoomed = view->visibleRect;
  for (int i = 0; i < 10; ++i) comeAndGo();
  EXPECT_TRUE(Same(view->visibleRect, zoomed));
  EXPECT_TRUE(Same(view->previousRect, shown));
}

TEST_F(ViewFixture, OverviewDragRecentresTheView) {
  Open(1280, 1280, Kind::kGrey, {400, 400});
  view->visibleRect = RECT{0, 0, 320, 320};
  view->RefreshOverview();
  COverview& ov = *view->Overview();
  EXPECT_TRUE(Same(ov.ViewRect(), {0, 0, 32, 32}));
  ov.OnLButtonDown(POINT{100, 100});  // outside the outline: nothing
  EXPECT_FALSE(ov.Dragging());
  ov.OnLButtonDown(POINT{10, 10});
  ASSERT_TRUE(ov.Dragging());
  ov.OnMouseMove(POINT{74, 74});
  EXPECT_EQ(ov.Feedback().Shapes().size(), 1u);
  ov.OnLButtonUp(POINT{74, 74});
  // The outline's centre (80, 80) of 128 is image (799, 799).
  EXPECT_EQ((view->visibleRect.left + view->visibleRect.right) / 2, 799);
  EXPECT_TRUE(ov.Feedback().Shapes().empty());
}
