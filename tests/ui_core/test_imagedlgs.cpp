// The resample, background, colour classification and image properties
// dialogs against fake controls, and Image > 信息 on a generated scan.
#include <gtest/gtest.h>

#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/imagecmds.h"
#include "ui/core/imagedlgs.h"
#include "view_test_util.h"

using namespace qzn;
using qzntest::FakeControls;
using qzntest::PressOK;
using qzntest::ScriptedDialogs;

TEST(ResampleDialog, SizesFollowTheFactorAndTheDirection) {
  CScriptedHost host;
  CHostScope scope(&host);
  struct Case {
    std::int64_t w, h;
    int bits, planes;
    std::int64_t size;  // bytes of the current image
  } cases[] = {
      {1001, 10, 1, 1, 1260},  // 126 bytes a packed row
      {1001, 10, 8, 1, 10010},
      {1001, 10, 8, 3, 30030},                // every plane of a colour image
      {100000, 100000, 8, 3, 30000000000LL},  // beyond 32 bits
  };
  for (const Case& k : cases) {
    CResampleDlg dlg;
    dlg.Set(k.w, k.h, k.bits, k.planes);
    FakeControls c;
    dlg.InitDialog(c);
    EXPECT_EQ(c.text[CResampleDlg::kSize], std::to_string(k.size));
    EXPECT_EQ(c.text[CResampleDlg::kNewColumns], std::to_string(k.w / 2));  // down by 2 at first
    EXPECT_EQ(dlg.newSize, dlg.ImageBytes(k.w / 2, k.h / 2));
  }
  CResampleDlg dlg;
  dlg.Set(1001, 10, 1, 1);
  FakeControls c;
  dlg.InitDialog(c);
  EXPECT_EQ(c.text[CResampleDlg::kNewColumns], "500");
  EXPECT_EQ(c.text[CResampleDlg::kNewSize], "315");  // 5 rows of 63 bytes
  c.SetCheck(CResampleDlg::kUp, true);
  dlg.OnClicked(CResampleDlg::kUp, c);
  EXPECT_EQ(c.text[CResampleDlg::kNewColumns], "2002");
  EXPECT_EQ(c.text[CResampleDlg::kNewRows], "20");
  // The arrows: down stops at 1, up has no stop of its own.
  for (int i = 0; i < 3; ++i) dlg.OnScroll(CResampleDlg::kFactorArrows, kScrollLineUp, 0, c);
  EXPECT_EQ(dlg.factor, 1u);
  EXPECT_EQ(c.text[CResampleDlg::kFactor], "1");
  EXPECT_EQ(c.text[CResampleDlg::kNewColumns], "1001");
  dlg.OnScroll(CResampleDlg::kFactorArrows, kScrollPageDown, 0, c);  // other codes change nothing
  EXPECT_EQ(dlg.factor, 1u);
  dlg.factor = 10000;
  dlg.OnScroll(CResampleDlg::kFactorArrows, kScrollLineDown, 0, c);
  EXPECT_EQ(c.text[CResampleDlg::kFactor], "10001");
  EXPECT_FALSE(dlg.OnOK(c));
  EXPECT_EQ(host.messages.back().text, "请输入一个整数在 1 和 10000 之间。");
}

TEST(NumberDialogs, RangesOfBackgroundAndClassification) {
  CScriptedHost host;
  CHostScope scope(&host);
  struct Case {
    int id;
    const char* text;
    const char* message;  // null: accepted
  } cases[] = {
      {CColorClassifyDlg::kColours, "0", "请输入一个整数在 1 和 255 之间。"},
      {CColorClassifyDlg::kColours, "256", "请输入一个整数在 1 和 255 之间。"},
      {CColorClassifyDlg::kColours, "255", nullptr},
      {CColorClassifyDlg::kIterations, "1", "请输入一个整数在 2 和 500 之间。"},
      {CColorClassifyDlg::kIterations, "500", nullptr},
  };
  for (const Case& k : cases) {
    CColorClassifyDlg dlg;
    FakeControls c;
    dlg.InitDialog(c);
    EXPECT_EQ(c.text[CColorClassifyDlg::kColours], "5");
    EXPECT_EQ(c.text[CColorClassifyDlg::kIterations], "10");
    c.text[k.id] = k.text;
    EXPECT_EQ(dlg.OnOK(c), k.message == nullptr) << k.text;
    if (k.message) {
      EXPECT_EQ(host.messages.back().text, k.message);
    }
  }
  CRemoveBackgroundDlg bg;
  FakeControls c;
  bg.InitDialog(c);
  EXPECT_EQ(c.text[CRemoveBackgroundDlg::kSize], "20");
  c.text[CRemoveBackgroundDlg::kSize] = "501";
  EXPECT_FALSE(bg.OnOK(c));
  EXPECT_EQ(host.messages.back().text, "请输入一个整数在 2 和 500 之间。");
}

TEST(ImageInfo, ShowsTheImageAndTakesTheResolutionOnlyWhenAsked) {
  CScriptedHost host;
  CHostScope scope(&host);
  ScriptedDialogs dialogs;
  struct Kind {
    viewtest::Kind kind;
    const char* type;
  } kinds[] = {{viewtest::Kind::kGrey, "8 位灰度"},
               {viewtest::Kind::kRgb, "24 位真彩色"},
               {viewtest::Kind::kPalette, "8 位调色板颜色"},
               {viewtest::Kind::kBilevel, "1 位单色/单色"}};
  for (const Kind& k : kinds) {
    auto doc = viewtest::MakeDoc(40, 30, k.kind);
    doc->m_image.xResolution = 300;
    doc->m_image.resolutionUnit = 2;
    viewtest::FakeWindow window;
    CQznView view(doc.get(), &window);
    view.OnInitialUpdate();
    ASSERT_TRUE(CanShowImageInfo(view));
    dialogs.scripts.push_back([&](CDialogModel& m, FakeControls& c) {
      EXPECT_EQ(c.text[CImageInfoDlg::kType], k.type);
      EXPECT_EQ(c.text[CImageInfoDlg::kColumns], "40");
      EXPECT_EQ(c.text[CImageInfoDlg::kRows], "30");
      EXPECT_EQ(c.text[CImageInfoDlg::kUnit], "英寸");
      EXPECT_EQ(c.text[CImageInfoDlg::kResolution], "300");
      c.text[CImageInfoDlg::kResolution] = "118.11";
      c.text[CImageInfoDlg::kUnit] = "厘米";
      return PressOK(m, c);  // the apply box is not checked
    });
    OnImageInfo(view);
    EXPECT_EQ(doc->m_image.xResolution, 300.0f);
    EXPECT_EQ(doc->m_image.resolutionUnit, 2);
    EXPECT_EQ(doc->m_nImageModified, 0);
  }
  auto doc = viewtest::MakeDoc(40, 30, viewtest::Kind::kGrey);
  viewtest::FakeWindow window;
  CQznView view(doc.get(), &window);
  view.OnInitialUpdate();
  dialogs.scripts.push_back([](CDialogModel& m, FakeControls& c) {
    c.check[CImageInfoDlg::kApply] = true;
    c.text[CImageInfoDlg::kResolution] = "118.11";
    c.text[CImageInfoDlg::kUnit] = "厘米";
    return PressOK(m, c);
  });
  OnImageInfo(view);
  EXPECT_EQ(doc->m_image.xResolution, 118.11f);
  EXPECT_EQ(doc->m_image.yResolution, 118.11f);
  EXPECT_EQ(doc->m_image.resolutionUnit, 3);
  EXPECT_EQ(doc->m_nImageModified, 1);  // the file no longer holds what is shown
  doc->m_image.Free();
  EXPECT_FALSE(CanShowImageInfo(view));
}
