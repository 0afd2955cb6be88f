// Dialog data exchange against fake controls: number formats that read back
// the same, the validation messages, and the three small dialogs.
#include <gtest/gtest.h>

#include "platform/host.h"
#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/hscrolllist.h"
#include "ui/core/smalldialogs.h"

using namespace qzn;

using qzntest::FakeControls;

TEST(DataExchange, NumbersShownAndReadBackAreTheSame) {
  for (float v : {0.1f, 1.0f / 3.0f, 16777217.0f, 1e-7f, -360.0f, 123456.789f}) {
    float back = 0;
    ASSERT_TRUE(ParseNumber(FormatNumber(v), back)) << FormatNumber(v);
    EXPECT_EQ(back, v);
  }
  for (double v : {0.1, 1.0 / 3.0, 12345678.0001, 5e-324, -1e300}) {
    double back = 0;
    ASSERT_TRUE(ParseNumber(FormatNumber(v), back)) << FormatNumber(v);
    EXPECT_EQ(back, v);
  }
  EXPECT_EQ(FormatNumber(0.1f), "0.1");
  EXPECT_EQ(FormatNumber(360.0f), "360");
  double d = 7;
  for (const char* bad : {"", " ", "1,5", "abc", "1.5x", "nan", "inf", "1e999"})
    EXPECT_FALSE(ParseNumber(bad, d)) << bad;
  EXPECT_EQ(d, 7);
  EXPECT_TRUE(ParseNumber(" +2.5 ", d));
  EXPECT_EQ(d, 2.5);
  long long n = 0;
  EXPECT_FALSE(ParseInteger("12.0", n));
  EXPECT_TRUE(ParseInteger("-12", n));
  EXPECT_EQ(n, -12);
}

TEST(DataExchange, ValidationMessagesAndFocus) {
  CScriptedHost services;
  CHostScope scope(&services);
  struct Dlg : CDialogModel {
    unsigned high = 0;
    double smooth = 1.0;
    std::string name;
    int DialogId() const override { return 0; }
    void DoDataExchange(CDataExchange& dx) override {
      DDX_Text(dx, 113, high);
      DDV_MinMaxUInt(dx, high, 0, 255);
      DDX_Text(dx, 347, smooth);
      DDV_MinMaxDouble(dx, smooth, 0.0, 1000.0);
      DDX_Text(dx, 400, name);
      DDV_MaxChars(dx, name, 3);
    }
  } dlg;
  FakeControls c;
  dlg.InitDialog(c);
  EXPECT_EQ(c.text[113], "0");
  EXPECT_EQ(c.text[347], "1");
  struct Case {
    const char *high, *smooth, *name, *message;
    int focus;
  } cases[] = {
      {"256", "1", "", "请输入一个整数在 0 和 255 之间。", 113},
      {"-1", "1", "", "请输入一个整数。", 113},
      {"x", "1", "", "请输入一个整数。", 113},
      {"10", "1000.5", "", "请输入一个数字在 0 和 1000 之间。", 347},
      {"10", "-1", "", "请输入一个数字在 0 和 1000 之间。", 347},
      {"10", "一", "", "请输入一个数字。", 347},
      {"10", "0", "地图四号", "请输入一个不大于 3 的字符。", 400},
  };
  for (const Case& k : cases) {
    services.messages.clear();
    c.text[113] = k.high;
    c.text[347] = k.smooth;
    c.text[400] = k.name;
    EXPECT_FALSE(dlg.OnOK(c)) << k.message;
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, k.message);
    EXPECT_EQ(c.focus, k.focus);
  }
  c.text[113] = "255";
  c.text[347] = "1000";
  c.text[400] = "地图";
  EXPECT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(dlg.high, 255u);
  EXPECT_EQ(dlg.smooth, 1000.0);
}

TEST(SmallDialogs, RotateAcceptsTheFullTurnOnly) {
  CScriptedHost services;
  CHostScope scope(&services);
  CRotateImageDlg dlg;
  FakeControls c;
  dlg.InitDialog(c);
  EXPECT_TRUE(c.check[CRotateImageDlg::kLeft]);
  c.SetCheck(CRotateImageDlg::kLeft, false);
  c.SetCheck(CRotateImageDlg::kRight, true);
  c.text[CRotateImageDlg::kAngle] = "360";
  EXPECT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(dlg.angle, 360.0f);
  EXPECT_EQ(dlg.direction, 1);
  c.text[CRotateImageDlg::kAngle] = "360.5";
  EXPECT_FALSE(dlg.OnOK(c));
  EXPECT_EQ(services.messages.back().text, "请输入一个数字在 0 和 360 之间。");
}

TEST(SmallDialogs, DeleteIdRangeReadsTwoIntegers) {
  CScriptedHost services;
  CHostScope scope(&services);
  CDeleteIDRangeDlg dlg;
  FakeControls c;
  dlg.InitDialog(c);
  EXPECT_EQ(c.text[CDeleteIDRangeDlg::kFrom], "0");
  c.text[CDeleteIDRangeDlg::kFrom] = "-5";
  c.text[CDeleteIDRangeDlg::kTo] = "12";
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(dlg.fromId, -5);
  EXPECT_EQ(dlg.toId, 12);
}

TEST(SmallDialogs, OverlayControlsFollowTheBoxes) {
  CScriptedHost services;
  CHostScope scope(&services);
  COverlaySetDlg dlg;
  FakeControls c;
  dlg.InitDialog(c);  // overlay off: everything below it disabled, no background chosen
  EXPECT_FALSE(c.IsEnabled(COverlaySetDlg::kBlend));
  EXPECT_FALSE(c.IsEnabled(COverlaySetDlg::kColour));
  EXPECT_FALSE(c.check[COverlaySetDlg::kColour] || c.check[COverlaySetDlg::kGrey]);
  dlg.overlay = true;
  dlg.InitDialog(c);  // overlay on, blend off
  EXPECT_TRUE(c.IsEnabled(COverlaySetDlg::kBlend));
  EXPECT_FALSE(c.IsEnabled(COverlaySetDlg::kGrey));
  c.SetCheck(COverlaySetDlg::kBlend, true);
  dlg.OnClicked(COverlaySetDlg::kBlend, c);
  EXPECT_TRUE(c.IsEnabled(COverlaySetDlg::kColour) && c.IsEnabled(COverlaySetDlg::kGrey));
  c.SetCheck(COverlaySetDlg::kOverlay, false);
  dlg.OnClicked(COverlaySetDlg::kOverlay, c);
  EXPECT_FALSE(c.IsEnabled(COverlaySetDlg::kBlend) || c.IsEnabled(COverlaySetDlg::kGrey));
  EXPECT_EQ(dlg.background, -1);
}

TEST(HScrollList, ExtentFollowsTheWidestItem) {
  // A fake font: 10 pixels a character, "W" 300 pixels.
  CHScrollExtent e(
      [](const std::string& t, const std::vector<int>&) { return t == "W" ? 300 : static_cast<int>(t.size()) * 10; });
  e.Inserted(0, "a");
  e.Inserted(1, "W");
  EXPECT_EQ(e.Extent(), 306);
  e.Inserted(2, "bb");
  e.Deleted(2);  // narrower than the widest: extent kept
  EXPECT_EQ(e.Extent(), 306);
  e.Deleted(1);
  EXPECT_EQ(e.Extent(), 16);
  e.Deleted(0);
  EXPECT_EQ(e.Extent(), 0);
  e.SetTabStops({4}, 6 * 52);  // 52 letters, 6 pixels each on average
  EXPECT_EQ(e.TabStops(), std::vector<int>{6});
  e.suspended = true;
  e.Inserted(0, "W");
  EXPECT_EQ(e.Extent(), 0);
}
