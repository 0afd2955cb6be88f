// The edit tools' own dialogs in their windows: the drawing value and pen,
// the grey range mapped to a new value, and which lines of the text blocks
// go. Each is made, looked at, filled, read back and destroyed.
#include <gtest/gtest.h>

#include "gui_test_util.h"
#include "resources/messages_tools.h"
#include "ui/core/tooldlgs.h"
#include "ui/dialogs.h"

using namespace qzn;
using guitest::As;
using guitest::SmokeCase;

namespace {

class ToolDialogs : public guitest::DesktopTest {
 protected:
  std::unique_ptr<CQznDoc> doc = viewtest::MakeDoc(400, 300, viewtest::Kind::kGrey);
  ViewPalette palette{};
};

}  // namespace

TEST_F(ToolDialogs, EveryDialogIsMadeLookedAtFilledReadBackAndDestroyed) {
  CQznDoc* d = doc.get();
  const ViewPalette* p = &palette;
  const std::vector<SmokeCase> cases = {
      {"draw-pixel-value",
       [d, p] {
         auto m = std::make_unique<CDrawPixelValueDlg>(*d, *p, nullptr);
         m->value[0] = m->value[1] = m->value[2] = 30;
         return m;
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetText(CDrawPixelValueDlg::kTypeText), res::text::kDrawValueGreyType);
         EXPECT_EQ(c.GetText(CDrawPixelValueDlg::kValueText), "(灰度级别: 30)");
         c.SetText(CDrawPixelValueDlg::kPenSize, "12");
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CDrawPixelValueDlg>(m).penSize, 12);
         EXPECT_EQ(As<CDrawPixelValueDlg>(m).swatch, RGB(30, 30, 30));
       }},
      {"map-pixel-value", [] { return std::make_unique<CMapPixelValueDlg>(); },
       [](IDialogControls& c) {
         c.SetText(CMapPixelValueDlg::kMinimum, "10");
         c.SetText(CMapPixelValueDlg::kValue, "0");
         c.SetText(CMapPixelValueDlg::kMaximum, "20");
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CMapPixelValueDlg>(m).minimum, 10);
         EXPECT_EQ(As<CMapPixelValueDlg>(m).maximum, 20);
       }},
      {"delete-text-lines",
       [] {
         auto m = std::make_unique<CDeleteTextLinesDlg>();
         m->question = res::text::kDeleteTextLinesAskAll;
         return m;
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetText(CDeleteTextLinesDlg::kQuestion), res::text::kDeleteTextLinesAskAll);
         c.SetCheck(CDeleteTextLinesDlg::kCrossing, true);
       },
       [](CDialogModel& m) { EXPECT_EQ(As<CDeleteTextLinesDlg>(m).choice, 1); }},
  };
  guitest::RunDialogSmoke(cases, host->messages);
}
