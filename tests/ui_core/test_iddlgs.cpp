// The ID dialogs against fake controls: the ID colour table paged one range
// at a time with its ".clr" files, the small number dialogs, and the note
// dialog that the annotation tool hands notes to and takes them back from.
#include <gtest/gtest.h>

#include <fstream>

#include "app/qzndoc.h"
#include "model/note.h"
#include "tests/support/testutil.h"
#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/iddlgs.h"
#include "view_test_util.h"

using namespace qzn;
using qzntest::FakeControls;
using qzntest::PressOK;
using qzntest::ScriptedDialogs;

namespace {

struct IDColours : ::testing::Test {
  CScriptedHost host;
  CHostScope scope{&host};
  qzntest::TempDir dir;
  CIDColorList source;
  std::string remembered;
  FakeControls c;

  void AddRange(int low, int high, COLORREF colour) {
    CIDColor* r = source.AddNew();
    r->m_nLow = low;
    r->m_nHigh = high;
    r->m_color = colour;
  }
  static std::vector<std::tuple<int, int, COLORREF>> Ranges(const CIDColorList& l) {
    std::vector<std::tuple<int, int, COLORREF>> out;
    for (const CIDColor* r : l) out.emplace_back(r->m_nLow, r->m_nHigh, r->m_color);
    return out;
  }
};

TEST_F(IDColours, AnEmptyTableOpensOnOneGreenRange) {
  CIDColorDlg dlg(source, &remembered);
  dlg.InitDialog(c);
  EXPECT_EQ(c.text[CIDColorDlg::kLow], "0");
  EXPECT_EQ(c.text[CIDColorDlg::kHigh], "0");
  EXPECT_EQ(c.text[CIDColorDlg::kCount], "1");
  EXPECT_EQ(c.text[CIDColorDlg::kIndex], "1");
  EXPECT_EQ(c.swatch[CIDColorDlg::kSwatch], RGB(0, 255, 0));
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(Ranges(dlg.ranges), (std::vector<std::tuple<int, int, COLORREF>>{{0, 0, RGB(0, 255, 0)}}));
}

TEST_F(IDColours, PagingStoresTheRangeShownAndStopsAtTheEnds) {
  AddRange(1, 10, RGB(255, 0, 0));
  AddRange(11, 20, RGB(0, 0, 255));
  CIDColorDlg dlg(source, &remembered);
  dlg.InitDialog(c);
  // "<<" on the first range changes nothing, not even the stored values.
  c.text[CIDColorDlg::kLow] = "5";
  dlg.OnClicked(CIDColorDlg::kPrevious, c);
  EXPECT_EQ(std::get<0>(Ranges(dlg.ranges)[0]), 1);
  // ">>" stores the edited range first.
  dlg.OnClicked(CIDColorDlg::kNext, c);
  EXPECT_EQ(std::get<0>(Ranges(dlg.ranges)[0]), 5);
  EXPECT_EQ(c.text[CIDColorDlg::kLow], "11");
  EXPECT_EQ(c.text[CIDColorDlg::kIndex], "2");
  EXPECT_EQ(c.swatch[CIDColorDlg::kSwatch], RGB(0, 0, 255));
  c.text[CIDColorDlg::kHigh] = "99";
  dlg.OnClicked(CIDColorDlg::kNext, c);  // last: nothing
  EXPECT_EQ(std::get<1>(Ranges(dlg.ranges)[1]), 20);
  // The colour chosen with "定义" goes to the range at the next store.
  c.colorAnswers.push_back(RGB(10, 20, 30));
  dlg.OnClicked(CIDColorDlg::kDefine, c);
  ASSERT_EQ(c.colorRequests.size(), 1u);
  EXPECT_EQ(c.colorRequests[0], RGB(0, 0, 255));
  EXPECT_EQ(c.swatch[CIDColorDlg::kSwatch], RGB(10, 20, 30));
  EXPECT_EQ(std::get<2>(Ranges(dlg.ranges)[1]), RGB(0, 0, 255));
  // "添加" stores, appends green (0, 0) and shows it.
  dlg.OnClicked(CIDColorDlg::kAdd, c);
  EXPECT_EQ(c.text[CIDColorDlg::kCount], "3");
  EXPECT_EQ(c.text[CIDColorDlg::kIndex], "3");
  EXPECT_EQ(c.text[CIDColorDlg::kLow], "0");
  EXPECT_EQ(Ranges(dlg.ranges), (std::vector<std::tuple<int, int, COLORREF>>{
                                    {5, 10, RGB(255, 0, 0)}, {11, 99, RGB(10, 20, 30)}, {0, 0, RGB(0, 255, 0)}}));
  // The source table is the caller's: untouched until it takes the copy.
  EXPECT_EQ(std::get<0>(Ranges(source)[0]), 1);
}

TEST_F(IDColours, TheLowestIDIsOneAboveTheLowestInteger) {
  AddRange(1, 2, RGB(1, 2, 3));
  struct Case {
    const char* low;
    bool accepted;
  } cases[] = {{"-2147483648", false}, {"-2147483647", true}, {"2147483647", true}, {"x", false}};
  for (const Case& k : cases) {
    CIDColorDlg dlg(source, &remembered);
    FakeControls fc;
    dlg.InitDialog(fc);
    host.messages.clear();
    fc.text[CIDColorDlg::kLow] = k.low;
    EXPECT_EQ(dlg.OnOK(fc), k.accepted) << k.low;
    if (std::string(k.low) == "-2147483648") {
      EXPECT_EQ(host.Texts(), std::vector<std::string>{"请输入一个整数在 -2147483647 和 2147483647 之间。"});
    }
  }
}

TEST_F(IDColours, ColourFilesRoundTripAndAFailedOpenKeepsTheRanges) {
  AddRange(-7, 3, RGB(200, 100, 50));
  AddRange(4, 2147483647, RGB(1, 2, 3));
  CIDColorDlg dlg(source, &remembered);
  dlg.InitDialog(c);
  // No remembered path: ".clr" proposed.
  const std::string path = dir.file("ids.clr");
  host.fileAnswers.push_back({path});
  dlg.OnClicked(CIDColorDlg::kSaveAs, c);
  ASSERT_EQ(host.fileDialogs.size(), 1u);
  EXPECT_EQ(host.fileDialogs[0].fileName, ".clr");
  EXPECT_EQ(host.fileDialogs[0].defaultExtension, "clr");
  EXPECT_EQ(remembered, path);

  CIDColorList empty;
  CIDColorDlg reader(empty, &remembered);
  FakeControls rc;
  reader.InitDialog(rc);
  host.fileAnswers.push_back({path});
  reader.OnClicked(CIDColorDlg::kOpen, rc);
  EXPECT_EQ(host.fileDialogs.back().fileName, "*.clr");
  EXPECT_EQ(Ranges(reader.ranges), Ranges(source));
  EXPECT_EQ(rc.text[CIDColorDlg::kCount], "2");
  EXPECT_EQ(rc.text[CIDColorDlg::kLow], "-7");

  // A file that cannot be read: the message, the ranges as they were, and
  // every later step still has a range to work on.
  host.fileAnswers.push_back({dir.file("missing.clr")});
  reader.OnClicked(CIDColorDlg::kOpen, rc);
  EXPECT_EQ(host.messages.back().text, "打开颜色文件出错。");
  EXPECT_EQ(Ranges(reader.ranges), Ranges(source));
  EXPECT_EQ(remembered, path);
  EXPECT_TRUE(reader.OnOK(rc));

  // A file that cannot be written is reported.
  host.fileAnswers.push_back({dir.file("no/such/folder/x.clr")});
  reader.OnClicked(CIDColorDlg::kSaveAs, rc);
  EXPECT_EQ(host.fileDialogs.back().fileName, path);
  EXPECT_EQ(host.messages.back().text, "保存颜色数据出错");
}

TEST(IDValueDialogs, DefaultsAndBothWaysOfTheExchange) {
  CScriptedHost host;
  CHostScope scope(&host);
  {
    CCurrentIDDlg d;
    d.currentId = 12.5f;
    FakeControls c;
    d.InitDialog(c);
    EXPECT_EQ(c.text[CCurrentIDDlg::kCurrent], "12.5");
    EXPECT_EQ(c.focus, int(CCurrentIDDlg::kCurrent));
    c.check[CCurrentIDDlg::kAutoIncrement] = true;
    c.text[CCurrentIDDlg::kIncrement] = "2";
    ASSERT_TRUE(d.OnOK(c));
    EXPECT_TRUE(d.autoIncrement);
    EXPECT_EQ(d.increment, 2.0f);
  }
  {
    CIDRangeDlg d;
    FakeControls c;
    d.InitDialog(c);
    EXPECT_EQ(c.text[CIDRangeDlg::kStart], "1");
    EXPECT_EQ(c.text[CIDRangeDlg::kIncrement], "1");
    EXPECT_FALSE(c.check[CIDRangeDlg::kUnlabelledOnly]);
    c.text[CIDRangeDlg::kStart] = "-5";
    c.check[CIDRangeDlg::kUnlabelledOnly] = true;
    ASSERT_TRUE(d.OnOK(c));
    EXPECT_EQ(d.startId, -5);
    EXPECT_TRUE(d.unlabelledOnly);
    c.text[CIDRangeDlg::kIncrement] = "1.5";
    EXPECT_FALSE(d.OnOK(c));
    EXPECT_EQ(host.messages.back().text, "请输入一个整数。");
  }
  {
    CConvertIDDlg d;
    FakeControls c;
    d.InitDialog(c);
    EXPECT_TRUE(c.check[CConvertIDDlg::kLines]);
    EXPECT_TRUE(c.check[CConvertIDDlg::kPoints]);
    EXPECT_EQ(c.text[CConvertIDDlg::kScale], "1");
    EXPECT_EQ(c.text[CConvertIDDlg::kOffset], "0");
    c.text[CConvertIDDlg::kOffset] = "1000";
    c.check[CConvertIDDlg::kPoints] = false;
    ASSERT_TRUE(d.OnOK(c));
    EXPECT_EQ(d.offset, 1000.0f);
    EXPECT_FALSE(d.points);
  }
  {
    CContourValueDlg d;
    d.countText = "17";
    d.start = 100;
    d.increment = 5;
    FakeControls c;
    d.InitDialog(c);
    EXPECT_EQ(c.text[CContourValueDlg::kCount], "17");
    EXPECT_EQ(c.text[CContourValueDlg::kStart], "100");
    EXPECT_EQ(c.text[CContourValueDlg::kIncrement], "5");
    c.text[CContourValueDlg::kStart] = "abc";
    EXPECT_FALSE(d.OnOK(c));
    EXPECT_EQ(host.messages.back().text, "请输入一个数字。");
  }
}

TEST(NoteDialog, AppliesTheTextOnceAndLetsGoOfItsNote) {
  CScriptedHost host;
  CHostScope scope(&host);
  ScriptedDialogs dialogs;
  auto doc = viewtest::MakeDoc(64, 64, viewtest::Kind::kGrey);
  viewtest::FakeWindow window;
  CQznView view(doc.get(), &window);
  view.OnInitialUpdate();
  CNoteDlg dlg(view);
  ASSERT_NE(dlg.Window(), nullptr);
  FakeControls& c = *dialogs.modeless.back();
  EXPECT_EQ(c.focus, int(CNoteDlg::kText));

  CNote* note = doc->m_notes.AddNote(RECT{1, 1, 20, 10}, "旧");
  dlg.SetNote(note);
  EXPECT_EQ(c.text[CNoteDlg::kText], "旧");
  c.text[CNoteDlg::kText] = "新的注释";
  dlg.OnClicked(CNoteDlg::kApply, c);
  EXPECT_EQ(note->m_strText, "新的注释");
  EXPECT_EQ(doc->m_notes.m_nModified, 1);
  EXPECT_EQ(dlg.Note(), nullptr);
  EXPECT_EQ(c.text[CNoteDlg::kText], "");
  EXPECT_EQ(dialogs.ownerFocused, 1);
  EXPECT_TRUE(host.messages.empty());
  // A second press has no note: the hint, and the note keeps its text.
  c.text[CNoteDlg::kText] = "别的";
  dlg.OnClicked(CNoteDlg::kApply, c);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"首先在图像中画一个文本框或者拾取一个文本框进行修改。"});
  EXPECT_EQ(note->m_strText, "新的注释");

  // A note that goes away before the text is applied is let go of: the
  // text typed never reaches it.
  dlg.SetNote(note);
  c.text[CNoteDlg::kText] = "丢失";
  dlg.ReleaseNote();
  EXPECT_EQ(c.text[CNoteDlg::kText], "");
  dlg.OnClicked(CNoteDlg::kApply, c);
  EXPECT_EQ(note->m_strText, "新的注释");

  // Through the tools' interface: only the note held is let go of.
  INoteDialog& tools = dlg;
  CNote* other = doc->m_notes.AddNote(RECT{30, 30, 40, 40}, "别处");
  tools.SetNote(note);
  EXPECT_EQ(tools.Text(), "新的注释");
  tools.ReleaseNote(other);
  EXPECT_EQ(dlg.Note(), note);
  tools.ReleaseNote(note);
  EXPECT_EQ(dlg.Note(), nullptr);
  EXPECT_EQ(tools.Text(), "");
}

}  // namespace
