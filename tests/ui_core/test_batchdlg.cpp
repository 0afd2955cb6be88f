// The batch vectorise dialog and the script editor: the image list, a batch
// of generated scans run from the dialog (outputs and log checked), and a
// script edited, saved, opened again and applied to the open workspace.
#include <filesystem>

#include <gtest/gtest.h>

#include "app/qzndoc.h"
#include "platform/textfile.h"
#include "resources/messages_app.h"
#include "resources/messages_batchdialogs.h"
#include "tests/app/batch_test_util.h"
#include "tests/support/testutil.h"
#include "tests/ui_core/dialog_test_util.h"
#include "ui/core/batchdlg.h"

using namespace qzn;
namespace text = res::text;
using qzntest::FakeControls;

namespace {

std::string WriteScan(const qzntest::TempDir& dir, const std::string& name, bool rgb) {
  return doctest::WriteLineScan(dir, name, rgb ? 1 : 0);
}

std::string ReadLog(const std::string& path) { return GbkToUtf8(qzntest::ReadFileText(path)); }
bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Batch : qzntest::DialogFixture {
  qzntest::TempDir dir;
  qzntest::ScriptedDialogs dialogs;
};

}  // namespace

TEST_F(Batch, TheListTakesEachImageOnceAndRemovesTheChosenOne) {
  CBatchVectorizeDlg dlg;
  dlg.InitDialog(c);
  EXPECT_EQ(c.GetText(CBatchVectorizeDlg::kSource), text::kSourceMap);
  EXPECT_EQ(c.GetText(CBatchVectorizeDlg::kLogPath), "batch.log");
  EXPECT_TRUE(c.GetCheck(CBatchVectorizeDlg::kCentreLine));
  EXPECT_TRUE(c.GetCheck(CBatchVectorizeDlg::kOutputFirst));
  host.fileAnswers = {{"/maps/a.tif", "/maps/地图.tif"}, {"/MAPS/A.TIF", "/maps/b.tif"}, {}};
  dlg.OnClicked(CBatchVectorizeDlg::kAdd, c);
  dlg.OnClicked(CBatchVectorizeDlg::kAdd, c);
  dlg.OnClicked(CBatchVectorizeDlg::kAdd, c);  // cancelled
  EXPECT_EQ(host.fileDialogs[0].flags & OFN_ALLOWMULTISELECT, unsigned{OFN_ALLOWMULTISELECT});
  const std::vector<std::string> three = {"/maps/a.tif", "/maps/地图.tif", "/maps/b.tif"};
  EXPECT_EQ(dlg.images, three);
  EXPECT_EQ(c.items[CBatchVectorizeDlg::kImages], three);

  dlg.OnClicked(CBatchVectorizeDlg::kDelete, c);  // nothing chosen
  qzntest::Choose(dlg, c, CBatchVectorizeDlg::kImages, 1);
  dlg.OnClicked(CBatchVectorizeDlg::kDelete, c);
  EXPECT_EQ(dlg.images, (std::vector<std::string>{"/maps/a.tif", "/maps/b.tif"}));
  EXPECT_EQ(c.items[CBatchVectorizeDlg::kImages], dlg.images);
  dlg.OnClicked(CBatchVectorizeDlg::kHelp, c);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0].text, text::kChooseFileToRemove);
  EXPECT_EQ(host.messages[1].text.rfind(text::kBatchHelpPieces[0], 0), 0u);
  EXPECT_TRUE(Contains(host.messages[1].text, text::kBatchHelpPieces[4]));

  host.fileAnswers = {{dir.file("run.log")}};
  dlg.OnClicked(CBatchVectorizeDlg::kLogBrowse, c);
  EXPECT_EQ(c.GetText(CBatchVectorizeDlg::kLogPath), dir.file("run.log"));
  EXPECT_EQ(host.fileDialogs.back().fileName, "batch.log");
}

TEST_F(Batch, StartConvertsTheListWritesTheOutputsAndTheLog) {
  const std::string grey = WriteScan(dir, "grey.tif", false);
  const std::string colour = WriteScan(dir, "colour.tif", true);
  const std::string log = dir.file("run.log");
  CBatchVectorizeDlg dlg;
  dlg.InitDialog(c);
  dlg.AddImages({grey, colour}, c);
  c.check[CBatchVectorizeDlg::kOutputFirst] = false;
  c.check[CBatchVectorizeDlg::kOutputFirst + 4] = true;  // projects
  c.text[CBatchVectorizeDlg::kLogPath] = log;
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(dlg.imagesDone, 1) << ReadLog(log);
  EXPECT_EQ(c.GetCurSel(CBatchVectorizeDlg::kImages), 1);  // each image chosen as its turn came
  EXPECT_EQ(c.GetText(CBatchVectorizeDlg::kStatus), text::kBatchProcessing);
  EXPECT_TRUE(std::filesystem::exists(dir.file("grey.PRJ")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("colour.PRJ")));
  const std::string written = ReadLog(log);
  EXPECT_TRUE(Contains(written, "已矢量化文件总数: 2"));
  EXPECT_TRUE(Contains(written, std::string(text::kLogUnsupportedImage) + colour));
  EXPECT_TRUE(Contains(written, "矢量数据已保存到 " + dir.file("grey.PRJ")));
  EXPECT_EQ(host.messages.back().text, FormatC(text::kBatchDoneFormat, 1, log.c_str()));

  // A script written in the editor makes the colour scan grey first: both
  // are processed.
  dialogs.scripts.push_back([this](CDialogModel& m, FakeControls& e) {
    for (const char* line : {"ImageConvert Greyscale", "Vectorize Map Center"}) {
      e.text[CBatchScriptDlg::kEdit] = line;
      m.OnClicked(CBatchScriptDlg::kAdd, e);
    }
    host.answers = {IDNO};  // not saved to a file
    return qzntest::PressOK(m, e);
  });
  dlg.OnClicked(CBatchVectorizeDlg::kEditScript, c);
  EXPECT_EQ(dlg.script, (std::vector<std::string>{"ImageConvert Greyscale", "Vectorize Map Center"}));
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(dlg.imagesDone, 2);
  EXPECT_TRUE(std::filesystem::exists(dir.file("colour.PRJ")));
}

TEST_F(Batch, EmptyListStillWritesTheLogHeader) {
  CBatchVectorizeDlg dlg;
  dlg.InitDialog(c);
  c.text[CBatchVectorizeDlg::kLogPath] = dir.file("empty.log");
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(dlg.imagesDone, 0);
  EXPECT_TRUE(Contains(ReadLog(dir.file("empty.log")), "已矢量化文件总数: 0"));
}

TEST_F(Batch, EditorShowsExamplesAndEditsTheScriptLineByLine) {
  std::vector<std::string> script = {"LineSmooth 1.0"};
  CBatchScriptDlg dlg(&script, nullptr);
  dlg.InitDialog(c);
  EXPECT_FALSE(c.IsEnabled(CBatchScriptDlg::kApply));
  EXPECT_EQ(c.focus, CBatchScriptDlg::kEdit);
  const auto& commands = c.items[CBatchScriptDlg::kCommands];
  ASSERT_EQ(commands.size(), 27u);
  EXPECT_EQ(commands[0], text::kCommentCommand);
  EXPECT_EQ(commands[1], "ImageSetROI");
  EXPECT_EQ(commands[26], "CreatePolygons");
  EXPECT_EQ(c.items[CBatchScriptDlg::kScript], script);

  struct Case {
    const char* command;
    const char* example;
    const char* syntax;
  } cases[] = {
      {"ImageConvert", "ImageConvert BiLevel", "图像转换 8 位色/24 位色/灰度/单色"},
      {"SaveImage", "SaveImage", "保存图像覆盖在 geotiff 上"},
      {"LoadColorFeature", "LoadColorFeature FilePath", "LoadColorFeature"},
      {"ImageTranspose", "ImageTranspose", "ImageTranspose"},
      {text::kCommentCommand, text::kCommentCommand, text::kCommentCommand},
  };
  for (const Case& k : cases) {
    const auto at = std::find(commands.begin(), commands.end(), k.command);
    ASSERT_NE(at, commands.end()) << k.command;
    qzntest::Choose(dlg, c, CBatchScriptDlg::kCommands, static_cast<int>(at - commands.begin()));
    EXPECT_EQ(c.GetText(CBatchScriptDlg::kEdit), k.example);
    EXPECT_EQ(c.GetText(CBatchScriptDlg::kSyntax), k.syntax);
  }

  c.text[CBatchScriptDlg::kEdit] = "BSpline 2";
  dlg.OnClicked(CBatchScriptDlg::kInsert, c);  // no line chosen
  dlg.OnClicked(CBatchScriptDlg::kRemove, c);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{text::kChoosePointToInsert, text::kChooseCommandToRemove}));
  EXPECT_FALSE(dlg.modified);
  qzntest::Choose(dlg, c, CBatchScriptDlg::kScript, 0);
  dlg.OnClicked(CBatchScriptDlg::kInsert, c);
  c.text[CBatchScriptDlg::kEdit] = "LineSnap 2.0";
  dlg.OnClicked(CBatchScriptDlg::kAdd, c);
  const std::vector<std::string> edited = {"BSpline 2", "LineSmooth 1.0", "LineSnap 2.0"};
  EXPECT_EQ(dlg.lines, edited);
  EXPECT_EQ(c.items[CBatchScriptDlg::kScript], edited);
  EXPECT_TRUE(dlg.modified);

  // Cancel after changes, not saved: the caller's script is as it was.
  host.messages.clear();
  host.answers = {IDNO};
  dlg.OnCancel(c);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{text::kAskSaveScript});
  EXPECT_EQ(script, std::vector<std::string>{"LineSmooth 1.0"});

  // OK saves when asked to and hands the lines over.
  const std::string path = dir.file("clean.cmd");
  host.answers = {IDYES};
  host.fileAnswers = {{path}};
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(script, edited);
  EXPECT_FALSE(dlg.modified);
  EXPECT_EQ(qzntest::ReadFileText(path), "BSpline 2\r\nLineSmooth 1.0\r\nLineSnap 2.0\r\n");

  // Opened again in a new editor: the same lines.
  std::vector<std::string> other;
  CBatchScriptDlg reopened(&other, nullptr);
  FakeControls r;
  reopened.InitDialog(r);
  host.fileAnswers = {{path}};
  reopened.OnClicked(CBatchScriptDlg::kOpen, r);
  EXPECT_EQ(r.items[CBatchScriptDlg::kScript], edited);
  EXPECT_FALSE(reopened.modified);  // opened, not changed: OK asks nothing
  host.messages.clear();
  ASSERT_TRUE(reopened.OnOK(r));
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(other, edited);

  // An empty file replaces nothing.
  qzntest::WriteFileText(dir.file("empty.cmd"), "");
  host.fileAnswers = {{dir.file("empty.cmd")}};
  reopened.OnClicked(CBatchScriptDlg::kOpen, r);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{text::kScriptReadError});
  EXPECT_EQ(reopened.lines, edited);
}

TEST_F(Batch, ApplyRunsEveryLineOnTheOpenWorkspaceAndReportsTheFailingOnes) {
  CBatchScriptDlg none(nullptr, nullptr);
  none.InitDialog(c);
  none.OnClicked(CBatchScriptDlg::kApply, c);
  CBatchScriptDlg empty(nullptr, view.get());
  FakeControls e;
  empty.InitDialog(e);
  EXPECT_TRUE(e.IsEnabled(CBatchScriptDlg::kApply));
  empty.OnClicked(CBatchScriptDlg::kApply, e);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{text::kNoImageForScript, text::kNoCommandsDefined}));

  host.messages.clear();
  view->OnInitialUpdate();
  qzntest::AddLine(lines(), {{0, 0}, {5, 0}});
  qzntest::AddLine(lines(), {{0, 50}, {200, 50}});
  // A line with a number beyond its command's range says which range.
  std::vector<std::string> script = {"; short lines go", "ImageConvert Purple", "BSpline 20000000", "LineDelete 0 20"};
  CBatchScriptDlg dlg(&script, view.get());
  FakeControls a;
  dlg.InitDialog(a);
  dlg.OnClicked(CBatchScriptDlg::kApply, a);
  EXPECT_EQ(host.Texts(),
            (std::vector<std::string>{"运行 ImageConvert Purple 时出错。",
                                      "运行 BSpline 20000000 时出错。\n请输入一个整数在 2 和 100 之间。"}));
  ASSERT_EQ(lines().GetCount(), 1);
  EXPECT_EQ(lines().GetHead()->m_points.size(), 2u);
  EXPECT_EQ(lines().GetHead()->m_points[1].x, 200.0f);
}
