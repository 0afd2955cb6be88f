// The desktop's language: under the user's locale the toolkit's stock
// buttons and the desktop's dialogs speak it, numbers keep the C locale's
// '.', and a message box is wide enough for its whole title.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/image.h>
#include <wx/msgdlg.h>

#include <wx/generic/msgdlgg.h>
#include <wx/stockitem.h>

#include "platform/host.h"
#include "resources/messages_window.h"
#include "tests/support/testutil.h"
#include "tests/ui/gui_test_util.h"
#include "ui/language.h"
#include "ui/wxhost.h"
#include "ui/wxtext.h"
#include "widgets/titlebar.h"

using namespace qzn;

namespace {

using guitest::ScopedEnv;

bool LocaleInstalled(const char* name) {
  const std::string old = std::setlocale(LC_ALL, nullptr);
  const bool ok = std::setlocale(LC_ALL, name) != nullptr;
  std::setlocale(LC_ALL, old.c_str());
  return ok;
}

std::string Stock(int id) { return FromWx(wxGetStockLabel(id, wxSTOCK_NOFLAGS)); }

}  // namespace

TEST(DesktopLanguage, StockTextsFollowTheUserNumbersStayC) {
  struct Case {
    const char* locale;
    const char *ok, *cancel, *yes, *no;
  };
  const Case cases[] = {
      {"zh_CN.UTF-8", "确认", "取消", "是", "否"},  // the toolkit's own words
      {"de_DE.UTF-8", "OK", "Abbrechen", "Ja", "Nein"},
      {"C", "OK", "Cancel", "Yes", "No"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.locale);
    QZN_REQUIRE_ORACLE(LocaleInstalled(k.locale), std::string("the locale ") + k.locale);
    {
      ScopedEnv language("LANGUAGE", nullptr), all("LC_ALL", k.locale);
      SetUpDesktopLanguage();
      EXPECT_EQ(Stock(wxID_OK), k.ok);
      EXPECT_EQ(Stock(wxID_CANCEL), k.cancel);
      EXPECT_EQ(Stock(wxID_YES), k.yes);
      EXPECT_EQ(Stock(wxID_NO), k.no);
      // The desktop's own dialogs translate themselves by the messages'
      // locale, which is the user's now.
      EXPECT_NE(std::string(std::setlocale(LC_MESSAGES, nullptr)).find(std::string(k.locale).substr(0, 5)),
                std::string::npos);
      // Numbers keep '.', in the C library and in the toolkit's formatting.
      char text[32];
      std::snprintf(text, sizeof text, "%.2f", 1234.5);
      EXPECT_STREQ(text, "1234.50");
      EXPECT_EQ(std::strtod("0.25", nullptr), 0.25);
      EXPECT_EQ(FromWx(wxString::Format("%.1f", 2.5)), "2.5");
    }
    SetUpDesktopLanguage();  // back to the run's own environment
  }
}

// A yes/no question as the user gets it: the stock buttons in the user's
// language, the whole title in the title bar, No answered as IDNO.
TEST(DesktopLanguage, MessageBoxShowsItsTitleAndTranslatedButtons) {
  QZN_REQUIRE_ORACLE(LocaleInstalled("zh_CN.UTF-8"), "the locale zh_CN.UTF-8");
  {
    ScopedEnv language("LANGUAGE", nullptr), all("LC_ALL", "zh_CN.UTF-8");
    SetUpDesktopLanguage();
    wxInitAllImageHandlers();
    CWxHost host;
    bool seen = false;
    guitest::WhenShown<wxGenericMessageDialog>([&seen](wxGenericMessageDialog& d) {
      seen = true;
      EXPECT_GE(d.GetSize().x, TitleBarWidth(d.GetTitle())) << FromWx(d.GetTitle());
      auto* yes = dynamic_cast<wxButton*>(d.FindWindow(wxID_YES));
      auto* no = dynamic_cast<wxButton*>(d.FindWindow(wxID_NO));
      ASSERT_NE(yes, nullptr);
      ASSERT_NE(no, nullptr);
      EXPECT_EQ(FromWx(wxStripMenuCodes(yes->GetLabel(), wxStrip_Menu)), "是");
      EXPECT_EQ(FromWx(wxStripMenuCodes(no->GetLabel(), wxStrip_Menu)), "否");
      guitest::SaveDialogPicture(d, "message-box");
      guitest::Click(d, wxID_NO);
    });
    EXPECT_EQ(host.MessageBox(res::text::kAskExit, MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_TRUE(seen);
  }
  SetUpDesktopLanguage();
}
