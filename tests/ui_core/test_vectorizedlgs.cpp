// The vectorisation, threshold and auto-trace dialogs against fake controls,
// the threshold preview on the view, and the commands that run them on
// generated scans: automatic vectorisation, the threshold, the tracing
// smoothing.
#include <gtest/gtest.h>

#include "resources/commands.h"
#include "tests/app/qzndoc_test_util.h"
#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/imagecmds.h"
#include "ui/core/vectorizedlgs.h"
#include "view_test_util.h"

using namespace qzn;
using qzntest::FakeControls;
using qzntest::PressOK;
using qzntest::ScriptedDialogs;
using viewtest::FakeWindow;

namespace {

struct Workspace : ::testing::Test {
  CScriptedHost host;
  CHostScope scope{&host};
  ScriptedDialogs dialogs;
  FakeWindow window;
  std::unique_ptr<CQznDoc> doc = std::make_unique<CQznDoc>();
  std::unique_ptr<CQznView> view;

  // A light grey scan with three dark strokes.
  void OpenScan() {
    doctest::MakeGrey(doc->m_image, 200, 160, 1, 220);
    for (auto [x0, y0, x1, y1] :
         {std::array{20, 30, 180, 30}, std::array{40, 60, 40, 140}, std::array{70, 70, 170, 150}})
      doctest::DrawLine(doc->m_image, x0, y0, x1, y1, 3, 40);
    doc->ResetExtent();
    Show();
  }
  void Show() {
    window.client = SIZE{200, 160};
    view = std::make_unique<CQznView>(doc.get(), &window);
    view->OnInitialUpdate();
  }
  bool HasText(const char* text) const {
    for (const auto& m : host.messages)
      if (m.text == text) return true;
    return false;
  }
};

}  // namespace

// ---- the vectorise dialog ------------------------------------------------------------

TEST(VectorizeDialog, BoxesFollowTheDocument) {
  CScriptedHost host;
  CHostScope scope(&host);
  struct Case {
    viewtest::Kind kind;
    int low, high;
    bool roi, threshold;
  } cases[] = {
      {viewtest::Kind::kGrey, 0, 0, false, false},  // no pair: off and disabled
      {viewtest::Kind::kGrey, 0, 120, true, true},  // grey with a pair, ROI present
      {viewtest::Kind::kGrey, 30, 0, false, true},  // a low value alone is a pair
      {viewtest::Kind::kRgb, 0, 120, true, false},  // not grey
      {viewtest::Kind::kBilevel, 0, 120, false, false},
  };
  for (const Case& k : cases) {
    auto doc = viewtest::MakeDoc(32, 32, k.kind);
    doc->m_nThreshLow = k.low;
    doc->m_nThreshHigh = k.high;
    if (k.roi) doc->AddRoiRect(RECT{2, 2, 10, 10});
    CVectorizeDlg dlg(doc.get());
    FakeControls c;
    dlg.InitDialog(c);
    EXPECT_EQ(c.check[CVectorizeDlg::kUseThreshold], k.threshold);
    EXPECT_EQ(c.IsEnabled(CVectorizeDlg::kUseThreshold), k.threshold);
    EXPECT_EQ(c.check[CVectorizeDlg::kUseRoi], k.roi);
    EXPECT_EQ(c.IsEnabled(CVectorizeDlg::kUseRoi), k.roi);
    EXPECT_TRUE(c.check[CVectorizeDlg::kCentreLines]);
    EXPECT_EQ(c.text[CVectorizeDlg::kSource], "地图");
  }
  // Without a document both boxes stay disabled.
  CVectorizeDlg none;
  FakeControls c;
  none.InitDialog(c);
  EXPECT_FALSE(c.IsEnabled(CVectorizeDlg::kUseThreshold) || c.IsEnabled(CVectorizeDlg::kUseRoi));
}

TEST(VectorizeDialog, ReadsBackWhatWasChosenOrTyped) {
  CScriptedHost host;
  CHostScope scope(&host);
  CVectorizeDlg dlg;
  FakeControls c;
  dlg.InitDialog(c);
  c.SetCheck(CVectorizeDlg::kCentreLines, false);
  c.SetCheck(CVectorizeDlg::kOutlines, true);
  c.text[CVectorizeDlg::kSource] = "扫描的等高线";
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(dlg.method, 1);
  EXPECT_EQ(dlg.source, "扫描的等高线");  // handed back as typed
  for (auto [text, cad] : {std::pair{"CAD 图形", true}, std::pair{"cad", true}, std::pair{"地图", false},
                           std::pair{"扫描的等高线", false}, std::pair{"", false}, std::pair{"CA", false}})
    EXPECT_EQ(CVectorizeDlg::IsCadSource(text), cad) << text;
}

// ---- the threshold dialog --------------------------------------------------------------

TEST(ThresholdDialog, BarsStepAndHoldLowBelowHigh) {
  CScriptedHost host;
  CHostScope scope(&host);
  struct Case {
    unsigned low, high;
    int bar, code, position;
    unsigned wantLow, wantHigh;
  } cases[] = {
      {0, 100, CThresholdDlg::kLowBar, kScrollLineUp, 0, 0, 100},       // left arrow at 0 stays 0
      {50, 50, CThresholdDlg::kHighBar, kScrollLineUp, 0, 50, 50},      // high stops at low
      {10, 255, CThresholdDlg::kHighBar, kScrollLineDown, 0, 10, 255},  // right arrow at 255 stays
      {90, 100, CThresholdDlg::kLowBar, kScrollPageDown, 0, 100, 100},  // low stops at high
      {90, 100, CThresholdDlg::kHighBar, kScrollPageUp, 0, 90, 90},     // high stops at low
      {10, 100, CThresholdDlg::kLowBar, kScrollThumbPosition, 40, 40, 100},
      {10, 100, CThresholdDlg::kLowBar, kScrollThumbPosition, 200, 100, 100},
      {10, 100, CThresholdDlg::kHighBar, kScrollTop, 0, 10, 10},
      {10, 100, CThresholdDlg::kLowBar, kScrollBottom, 0, 100, 100},
      {10, 100, CThresholdDlg::kHighBar, kScrollBottom, 0, 10, 255},
      {10, 100, CThresholdDlg::kHighBar, kScrollEnd, 0, 10, 100},
  };
  for (const Case& k : cases) {
    CThresholdDlg dlg;
    dlg.low = k.low;
    dlg.high = k.high;
    FakeControls c;
    dlg.InitDialog(c);
    EXPECT_EQ(c.scrollRange[CThresholdDlg::kLowBar], std::make_pair(0, 255));
    dlg.OnScroll(k.bar, k.code, k.position, c);
    EXPECT_EQ(dlg.low, k.wantLow) << k.bar << " code " << k.code;
    EXPECT_EQ(dlg.high, k.wantHigh) << k.bar << " code " << k.code;
    const bool high = k.bar == CThresholdDlg::kHighBar;
    EXPECT_EQ(c.scrollPos[k.bar], static_cast<int>(high ? k.wantHigh : k.wantLow));
    EXPECT_EQ(c.text[high ? CThresholdDlg::kHighEdit : CThresholdDlg::kLowEdit],
              std::to_string(high ? k.wantHigh : k.wantLow));
  }
  // Dragging the thumb changes nothing until it is let go.
  CThresholdDlg dlg;
  dlg.high = 100;
  FakeControls c;
  dlg.InitDialog(c);
  c.text[CThresholdDlg::kHighEdit] = "untouched";
  dlg.OnScroll(CThresholdDlg::kHighBar, kScrollThumbTrack, 5, c);
  EXPECT_EQ(dlg.high, 100u);
  EXPECT_EQ(c.text[CThresholdDlg::kHighEdit], "untouched");
}

TEST(ThresholdDialog, TypedValuesAreValidatedOnOK) {
  CScriptedHost host;
  CHostScope scope(&host);
  CThresholdDlg dlg;
  FakeControls c;
  dlg.InitDialog(c);
  struct Case {
    const char *high, *low, *message;
    int focus;
  } refused[] = {
      {"256", "0", "请输入一个整数在 0 和 255 之间。", CThresholdDlg::kHighEdit},
      {"120", "121", "请输入一个整数在 0 和 120 之间。", CThresholdDlg::kLowEdit},  // low above high
      {"255", "256", "请输入一个整数在 0 和 255 之间。", CThresholdDlg::kLowEdit},
      {"120", "-1", "请输入一个整数。", CThresholdDlg::kLowEdit},
  };
  for (const Case& k : refused) {
    c.text[CThresholdDlg::kHighEdit] = k.high;
    c.text[CThresholdDlg::kLowEdit] = k.low;
    EXPECT_FALSE(dlg.OnOK(c)) << k.high << "/" << k.low;
    EXPECT_EQ(host.messages.back().text, k.message);
    EXPECT_EQ(c.focus, k.focus);
  }
  c.text[CThresholdDlg::kHighEdit] = "200";
  c.text[CThresholdDlg::kLowEdit] = "200";
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(dlg.low, 200u);
  EXPECT_EQ(dlg.high, 200u);
  EXPECT_EQ(c.scrollPos[CThresholdDlg::kLowBar], 200);
}

TEST(AutoTraceDialog, SmoothingFrom0To1000) {
  CScriptedHost host;
  CHostScope scope(&host);
  CAutoTraceDlg dlg;
  FakeControls c;
  dlg.InitDialog(c);
  EXPECT_EQ(c.text[CAutoTraceDlg::kSmoothing], "1");
  for (auto [text, ok] : {std::pair{"-1", false}, std::pair{"1000.5", false}, std::pair{"0", true},
                          std::pair{"1000", true}, std::pair{"2.25", true}}) {
    c.text[CAutoTraceDlg::kSmoothing] = text;
    EXPECT_EQ(dlg.OnOK(c), ok) << text;
  }
  EXPECT_EQ(dlg.smoothing, 2.25);
  EXPECT_EQ(host.messages.back().text, "请输入一个数字在 0 和 1000 之间。");
}

// ---- the threshold preview ------------------------------------------------------------

TEST_F(Workspace, ThresholdPreviewPaintsTheBandThroughTheDisplayWindow) {
  OpenScan();
  struct Case {
    std::int32_t window;  // low | high << 8
    int low, high;
    int firstRed, lastRed;
  } cases[] = {
      {0, 100, 200, 100, 200},              // the full range
      {50 | 150 << 8, 100, 120, 127, 178},  // (v - 50) * 255 / 100
      {50 | 150 << 8, 0, 255, 0, 255},      // values beyond the window clamp into it
      {50 | 150 << 8, 140, 60, 25, 25},     // low above high: lowered to it, one band
      {200 | 200 << 8, 10, 20, 10, 20},     // a window without width is the full range
      {250 | 10 << 8, 0, 5, 0, 5},          // an inverted window too
      {static_cast<std::int32_t>(0xFFFFFFFF), -500, 9999, 0, 255},
  };
  for (const Case& k : cases) {
    view->displayColor = k.window;
    view->PreviewThreshold(k.low, k.high, true);
    const ViewPalette& p = view->Palette();
    for (int i = 0; i < 256; ++i) {
      const bool red = i >= k.firstRed && i <= k.lastRed;
      const PaletteEntry& e = p[static_cast<std::size_t>(i)];
      ASSERT_EQ(e.red, 255) << i;
      ASSERT_EQ(e.green, red ? 0 : 255) << "window " << k.window << " entry " << i;
      ASSERT_EQ(e.blue, red ? 0 : 255);
      ASSERT_EQ(e.flags, kPaletteReserved);
    }
  }
  // Without the band: the image's grey ramp, inverted for zero-is-white.
  view->PreviewThreshold(0, 0, false);
  EXPECT_EQ(view->Palette()[10].red, 10);
  doc->m_image.photometric = kPhotometricMinIsWhite;
  view->PreviewThreshold(0, 0, false);
  EXPECT_EQ(view->Palette()[10].red, 245);
}

// ---- the commands ----------------------------------------------------------------------

TEST_F(Workspace, AutoVectorizeAnsweredAddsLinesOnTheCurrentLayer) {
  OpenScan();
  doc->m_layers.AddLayer()->m_strName = "等高线";
  doc->m_layers.SetCurrentLayer("等高线");
  const int layer = doc->m_layers.GetCurrentLayerID();
  view->flags.lines = false;
  dialogs.scripts.push_back([](CDialogModel& m, FakeControls& c) {
    EXPECT_EQ(m.DialogId(), CVectorizeDlg::kId);
    return PressOK(m, c);
  });
  ASSERT_TRUE(CanAutoVectorize(*view));
  OnVectorAutoVectorize(*view);
  EXPECT_EQ(dialogs.shown, std::vector<int>{CVectorizeDlg::kId});
  ASSERT_GE(doc->m_lines.GetCount(), 3);
  for (POSITION pos = doc->m_lines.GetHeadPosition(); pos;) EXPECT_EQ(doc->m_lines.GetNext(pos)->m_nLayer, layer);
  EXPECT_TRUE(view->flags.lines);
  EXPECT_TRUE(host.messages.empty());
  // Lines on the layer now: the question comes first, and No changes nothing.
  const auto count = doc->m_lines.GetCount();
  view->flags.lines = false;
  host.answers.push_back(IDNO);
  OnVectorAutoVectorize(*view);
  EXPECT_TRUE(HasText(
      "线段已存在于当前图层，如果是在相同的矢量图区域内你可以获得两条线段。在矢量图中你可以定义 ROI 或者图层，继续矢量化吗？"));
  EXPECT_EQ(doc->m_lines.GetCount(), count);
  EXPECT_FALSE(view->flags.lines);
  EXPECT_EQ(dialogs.shown.size(), 1u);
  // In line editing the command is disabled.
  view->editMode = EditMode::kLineEdit;
  EXPECT_FALSE(CanAutoVectorize(*view));
}

TEST_F(Workspace, AutoVectorizeCancelledStillShowsTheLines) {
  OpenScan();
  view->flags.lines = false;
  const int before = window.invalidations;
  OnVectorAutoVectorize(*view);  // no script: the dialog is cancelled
  EXPECT_EQ(doc->m_lines.GetCount(), 0);
  EXPECT_TRUE(view->flags.lines);
  EXPECT_GT(window.invalidations, before);
}

TEST_F(Workspace, AutoVectorizeBandAnsweredNoUsesTheWholeWorkspace) {
  OpenScan();
  view->SetRubberBand(RECT{15, 25, 60, 40});
  host.answers.push_back(IDNO);  // not the band as the threshold sample
  dialogs.scripts.push_back(PressOK);
  OnVectorAutoVectorize(*view);
  EXPECT_TRUE(HasText("使用选择的区域作为图像阈值?"));
  // Every stroke was traced, not only the one the band sampled.
  EXPECT_GE(doc->m_lines.GetCount(), 3);
}

TEST_F(Workspace, AutoVectorizeOfAColourScanWithoutSampleOnlyTells) {
  doc = viewtest::MakeDoc(64, 64, viewtest::Kind::kRgb);
  Show();
  OnVectorAutoVectorize(*view);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "24 位彩色: 首先在矢量图的一种颜色内画一个矩形，或者将图像转换为灰度图和矢量图。");
  EXPECT_EQ(host.messages[0].style, MB_OK | MB_ICONINFORMATION);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Workspace, ThresholdPreviewsTheBandAndCancelRestoresThePalette) {
  OpenScan();
  const ViewPalette before = view->Palette();
  const RgbBitmap shownBefore = view->DisplayBitmap();
  ViewPalette during{};
  dialogs.scripts.push_back([&](CDialogModel& m, FakeControls& c) {
    auto& dlg = static_cast<CThresholdDlg&>(m);
    // The pair the document computed for this scan, shown as a red band.
    EXPECT_GT(dlg.high, 0u);
    during = view->Palette();
    m.OnScroll(CThresholdDlg::kHighBar, kScrollLineDown, 0, c);
    EXPECT_EQ(view->Palette()[dlg.high].green, 0);
    return qzntest::PressCancel(m, c);
  });
  doc->m_nThreshLow = doc->m_nThreshHigh = 0;
  ASSERT_TRUE(CanSetThreshold(*view));
  OnImageThreshold(*view);
  int red = 0;
  for (const PaletteEntry& e : during) red += e.green == 0;
  EXPECT_GT(red, 0);
  EXPECT_LT(red, 256);
  // Cancel: the palette and the picture as they were; the document keeps
  // the pair it computed.
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(view->Palette()[static_cast<std::size_t>(i)].green, before[static_cast<std::size_t>(i)].green);
  EXPECT_EQ(view->DisplayBitmap().rgb, shownBefore.rgb);
  const int computedHigh = doc->m_nThreshHigh;
  // OK stores the dialog's pair.
  dialogs.scripts.push_back([](CDialogModel& m, FakeControls& c) {
    c.text[CThresholdDlg::kLowEdit] = "20";
    c.text[CThresholdDlg::kHighEdit] = "90";
    return PressOK(m, c);
  });
  OnImageThreshold(*view);
  EXPECT_EQ(doc->m_nThreshLow, 20);
  EXPECT_EQ(doc->m_nThreshHigh, 90);
  EXPECT_NE(computedHigh, 0);
  EXPECT_EQ(view->DisplayBitmap().rgb, shownBefore.rgb);
}

TEST_F(Workspace, SmoothingIsSetOnlyFromTheLineTool) {
  OpenScan();
  struct LineTool : CEditTool {
    using CEditTool::CEditTool;
    ToolType GetType() const override { return ToolType::kLineEdit; }
  };
  EXPECT_FALSE(CanSetSmoothing(*view));
  RegisterToolFactory(EditMode::kLineEdit, [](IToolHost& h, CQznDoc*) { return std::make_unique<LineTool>(h, 104); });
  view->SetEditMode(EditMode::kLineEdit);
  ASSERT_TRUE(CanSetSmoothing(*view));
  const double start = g_traceSmoothing;
  OnSetSmoothing(*view);  // cancelled: unchanged
  EXPECT_EQ(g_traceSmoothing, start);
  dialogs.scripts.push_back([](CDialogModel& m, FakeControls& c) {
    EXPECT_EQ(c.text[CAutoTraceDlg::kSmoothing], "1");
    c.text[CAutoTraceDlg::kSmoothing] = "2.5";
    return PressOK(m, c);
  });
  OnSetSmoothing(*view);
  EXPECT_EQ(g_traceSmoothing, 2.5);
  g_traceSmoothing = start;
  view->SetEditMode(EditMode::kDefault);
  RegisterToolFactory(EditMode::kLineEdit, nullptr);
}
