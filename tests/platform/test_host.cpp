// The host: the process-wide current host, the command-line answers, the
// quiet setting, file dialogs and the scripted host the other tests drive
// questions and dialogs with.
#include <gtest/gtest.h>

#include "platform/host.h"

using namespace qzn;

namespace {

TEST(Host, DefaultAnswerIsTheDefaultButton) {
  struct Case {
    unsigned style;
    int answer;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_OK | MB_ICONSTOP, IDOK},
      {MB_OK | MB_DEFBUTTON2, IDOK},  // one button: nothing else to default to
      {MB_OKCANCEL, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO | MB_ICONQUESTION, IDYES},  // 36, the system's questions
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDNO},
      {MB_YESNO | MB_DEFBUTTON3, IDYES},
      {MB_YESNOCANCEL, IDYES},
      {MB_YESNOCANCEL | MB_DEFBUTTON2, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_ICONWARNING, IDCANCEL},
  };
  for (const Case& c : cases) EXPECT_EQ(DefaultAnswer(c.style), c.answer) << std::hex << c.style;
}

TEST(Host, CommandLineWritesOneLineAndAnswersByDefault) {
  CCommandLineHost cli;
  testing::internal::CaptureStderr();
  EXPECT_EQ(cli.MessageBox("错误: 文件不能打开。", MB_OK | MB_ICONSTOP), IDOK);
  EXPECT_EQ(cli.MessageBox("first line\r\nsecond\nthird\n", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(cli.MessageBox("替换现有的线吗?", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "qzn: 错误: 文件不能打开。\n"
            "qzn: first line second third\n"
            "qzn: 替换现有的线吗?\n");
  EXPECT_FALSE(cli.HasProgressBar());

  // Nobody can choose a file: every dialog is cancelled.
  FileDialogRequest open;
  open.flags = OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT;
  EXPECT_FALSE(cli.AskFiles(open).accepted);
  CHostScope scope(&cli);
  EXPECT_EQ(AskFilePath(open), "");
}

TEST(Host, CurrentHostIsNeverNull) {
  // Until something is installed the command-line host answers.
  IHost& initial = Host();
  EXPECT_NE(dynamic_cast<CCommandLineHost*>(&initial), nullptr);

  CScriptedHost a, b;
  IHost* prev = SetHost(&a);
  EXPECT_EQ(prev, &initial);
  EXPECT_EQ(&Host(), &a);
  {
    CHostScope scope(&b);
    EXPECT_EQ(&Host(), &b);
    b.answers.push_back(IDNO);
    EXPECT_EQ(AfxMessageBox("继续吗?", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(AfxMessageBox("done"), IDOK);
  }
  EXPECT_EQ(&Host(), &a);
  ASSERT_EQ(b.messages.size(), 2u);
  EXPECT_EQ(b.messages[1].style, unsigned(MB_OK | MB_ICONEXCLAMATION));  // the usual default style
  EXPECT_TRUE(a.messages.empty());

  EXPECT_EQ(SetHost(nullptr), &a);  // null restores the command-line default
  EXPECT_EQ(&Host(), &initial);
  EXPECT_EQ(SetHost(nullptr), &initial);
}

TEST(Host, QuietIsOneSettingOfTheCurrentHostAndScopesRestoreIt) {
  CScriptedHost a;
  CHostScope scope(&a);
  EXPECT_FALSE(Host().IsQuiet());
  {
    CQuietScope quiet;
    EXPECT_TRUE(a.IsQuiet());
    {
      CQuietScope loud(false);
      EXPECT_FALSE(Host().IsQuiet());
    }
    EXPECT_TRUE(Host().IsQuiet());
    // The host still shows what it is given: the caller decides what a
    // quiet run leaves out.
    EXPECT_EQ(AfxMessageBox("shown"), IDOK);
  }
  EXPECT_FALSE(a.IsQuiet());
  EXPECT_EQ(a.Texts(), std::vector<std::string>{"shown"});
}

TEST(Host, ScriptedFileDialogsAnswerFromTheQueue) {
  CScriptedHost s;
  s.fileAnswers = {{"/a.tif", "/b.tif"}, {"/one.prj", "/two.prj"}, {}};
  FileDialogRequest multi;
  multi.flags = OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT;
  FileDialogRequest single;
  single.kind = FileDialogKind::save;
  single.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

  FileDialogResult r = s.AskFiles(multi);
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.paths, (std::vector<std::string>{"/a.tif", "/b.tif"}));
  r = s.AskFiles(single);  // a single-selection dialog gives one path
  EXPECT_EQ(r.paths, std::vector<std::string>{"/one.prj"});
  EXPECT_FALSE(s.AskFiles(single).accepted);  // an empty answer cancels
  EXPECT_FALSE(s.AskFiles(single).accepted);  // so does an empty queue
  ASSERT_EQ(s.fileDialogs.size(), 4u);
  EXPECT_EQ(s.fileDialogs[1].kind, FileDialogKind::save);
  EXPECT_EQ(s.fileDialogs[1].flags, 6u);
}

TEST(Host, FileFiltersSplitIntoDescriptionAndPatterns) {
  struct Case {
    std::string filter;
    std::vector<std::pair<std::string, std::string>> pairs;
  } cases[] = {
      {"方案文件 (*.prj) |*.prj||", {{"方案文件 (*.prj) ", "*.prj"}}},
      {"图像文件|*.tif;*.bmp|所有文件 (*.*)|*.*||", {{"图像文件", "*.tif;*.bmp"}, {"所有文件 (*.*)", "*.*"}}},
      {"A|*.a|B|*.b", {{"A", "*.a"}, {"B", "*.b"}}},  // no closing bars
      {"A|*.a|dangling", {{"A", "*.a"}}},
      {"A|*.a||ignored|*.x||", {{"A", "*.a"}}},  // the list ends at the double bar
      {"", {}},
      {"||", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<std::string, std::string>> got;
    for (const FileFilter& f : SplitFileFilter(c.filter)) got.emplace_back(f.description, f.patterns);
    EXPECT_EQ(got, c.pairs) << c.filter;
  }
}

TEST(Host, ScriptedHostAnswersQuestionsFromTheQueue) {
  CScriptedHost s;
  s.answers = {IDNO, IDCANCEL};
  // A plain message does not take a queued answer meant for a question.
  EXPECT_EQ(s.MessageBox("info", MB_OK | MB_ICONINFORMATION), IDOK);
  EXPECT_EQ(s.MessageBox("q1", MB_YESNO), IDNO);
  EXPECT_EQ(s.MessageBox("q2", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(s.MessageBox("q3", MB_YESNO), IDYES);  // queue empty: the default button
  EXPECT_EQ(s.MessageBox("q4", MB_YESNO | MB_DEFBUTTON2), IDNO);
  ASSERT_EQ(s.messages.size(), 5u);
  const int expected[] = {IDOK, IDNO, IDCANCEL, IDYES, IDNO};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(s.messages[i].answer, expected[i]) << i;
  EXPECT_EQ(s.messages[2].text, "q2");
  EXPECT_EQ(s.messages[2].style, unsigned(MB_YESNOCANCEL));
}

TEST(Host, ScriptedHostTracksWaitCaptureProgressAndLayerBar) {
  CScriptedHost s;
  CWnd* w1 = reinterpret_cast<CWnd*>(0x10);
  CWnd* w2 = reinterpret_cast<CWnd*>(0x20);
  s.BeginWait();
  s.BeginWait();
  s.EndWait();
  s.BeginWait();
  EXPECT_EQ(s.waitDepth, 2);
  EXPECT_EQ(s.maxWaitDepth, 2);
  s.EndWait();
  s.EndWait();
  EXPECT_EQ(s.waitDepth, 0);
  s.EndWait();  // unbalanced: visible to the test
  EXPECT_EQ(s.waitDepth, -1);

  s.CaptureMouse(w1);
  s.CaptureMouse(w2);
  s.CaptureMouse(w1);
  s.ReleaseMouse(w1);
  EXPECT_EQ(s.captures, (std::vector<CWnd*>{w1, w2}));
  s.ReleaseMouse(reinterpret_cast<CWnd*>(0x30));  // never captured: nothing changes
  EXPECT_EQ(s.captures.size(), 2u);
  s.ReleaseMouse(w2);
  s.ReleaseMouse(w1);
  EXPECT_TRUE(s.captures.empty());

  EXPECT_TRUE(s.HasProgressBar());
  s.ProgressBegin();
  s.ProgressRange(0, 100);
  s.ProgressPos(50);
  s.ProgressEnd();
  s.SetStatusText("就绪");
  EXPECT_EQ(s.progressBegun, 1);
  EXPECT_EQ(s.progressEnded, 1);
  EXPECT_EQ(s.progressHigh, 100);
  EXPECT_EQ(s.progressPositions, (std::vector<std::int64_t>{50}));
  EXPECT_EQ(s.statusText, "就绪");
  CQznDoc* doc = reinterpret_cast<CQznDoc*>(0x40);
  s.UpdateLayerBar(doc);
  EXPECT_EQ(s.layerBarUpdates, std::vector<CQznDoc*>{doc});
}

}  // namespace
