// The user services: the process-wide current services, the quiet batch
// answers and the scripted services the other tests drive questions with.
#include <gtest/gtest.h>

#include "platform/services.h"

namespace {

TEST(Services, DefaultAnswerIsTheDefaultButton) {
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

TEST(Services, QuietServicesWriteOneLineAndAnswerByDefault) {
  CQuietServices quiet;
  testing::internal::CaptureStderr();
  EXPECT_EQ(quiet.MessageBox("错误: 文件不能打开。", MB_OK | MB_ICONSTOP), IDOK);
  EXPECT_EQ(quiet.MessageBox("first line\r\nsecond\nthird\n", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(quiet.MessageBox("替换现有的线吗?", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "qzn: 错误: 文件不能打开。\n"
            "qzn: first line second third\n"
            "qzn: 替换现有的线吗?\n");

  quiet.SetSilent(true);
  testing::internal::CaptureStderr();
  EXPECT_EQ(quiet.MessageBox("not shown", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(quiet.HasProgressBar());
}

TEST(Services, CurrentServicesAreNeverNull) {
  // Until something is installed the quiet services answer.
  IUserServices& initial = Services();
  EXPECT_NE(dynamic_cast<CQuietServices*>(&initial), nullptr);

  CScriptedServices a, b;
  IUserServices* prev = SetServices(&a);
  EXPECT_EQ(prev, &initial);
  EXPECT_EQ(&Services(), &a);
  {
    CServicesScope scope(&b);
    EXPECT_EQ(&Services(), &b);
    b.answers.push_back(IDNO);
    EXPECT_EQ(AfxMessageBox("继续吗?", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(AfxMessageBox("done"), IDOK);
  }
  EXPECT_EQ(&Services(), &a);
  ASSERT_EQ(b.messages.size(), 2u);
  EXPECT_EQ(b.messages[1].style, unsigned(MB_OK | MB_ICONEXCLAMATION));  // the usual default style
  EXPECT_TRUE(a.messages.empty());

  EXPECT_EQ(SetServices(nullptr), &a);  // null restores the quiet default
  EXPECT_EQ(&Services(), &initial);
  EXPECT_EQ(SetServices(nullptr), &initial);
}

TEST(Services, ScriptedServicesAnswerQuestionsFromTheQueue) {
  CScriptedServices s;
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

TEST(Services, ScriptedServicesTrackWaitAndCapture) {
  CScriptedServices s;
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
}

}  // namespace
