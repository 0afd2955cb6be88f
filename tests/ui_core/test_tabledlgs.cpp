// The two table dialogs on a table model: the colour-feature table (rows of
// features, deleting, typed values, handing the features to the workspace)
// and the vector report (built from generated lines, saved as tab-separated
// text written whole or not at all).
#include <gtest/gtest.h>

#include "app/qzndoc.h"
#include "platform/textfile.h"
#include "resources/messages_tabledialogs.h"
#include "tests/support/testutil.h"
#include "tests/ui_core/dialog_test_util.h"
#include "ui/core/colorfeaturedlg.h"
#include "ui/core/reportdlg.h"
#include "widgets/core/gridmodel.h"

using namespace qzn;
namespace text = res::text;

namespace {

CColorFeature Feature(float r1, float r2, float g1, float g2, float b1, float b2) {
  CColorFeature f;
  f.meanRed = r1;
  f.sdRed = r2;
  f.meanGreen = g1;
  f.sdGreen = g2;
  f.meanBlue = b1;
  f.sdBlue = b2;
  return f;
}

struct ColorTable : qzntest::DialogFixture {
  CGridModel grid;
  std::unique_ptr<CColorFeatureDlg> dlg;

  // Opens the dialog on the workspace's classes (n features 1, 2, ... whose
  // red mean is their number).
  void Open(int n) {
    doc->m_colorClasses.RemoveAll();
    for (int k = 1; k <= n; ++k) doc->m_colorClasses.Add(Feature(k, 0, 0, 0, 0, 0));
    dlg = std::make_unique<CColorFeatureDlg>(view.get());
    dlg->SetGrid(&grid);
    dlg->InitDialog(c);
  }
  std::vector<float> Reds(const CColorFeatureArray& a) const {
    std::vector<float> out;
    for (const CColorFeature& f : a.Items()) out.push_back(f.meanRed);
    return out;
  }
};

}  // namespace

TEST_F(ColorTable, RowsShowTheFeaturesWithTheirColour) {
  Open(0);
  EXPECT_EQ(grid.GetRowCount(), 5);
  EXPECT_EQ(grid.GetColumnCount(), 7);
  EXPECT_EQ(grid.GetItemText(0, 4), "R2");
  EXPECT_EQ(grid.GetItemText(1, 0), "");

  doc->m_colorClasses.Add(Feature(10.4f, 1.5f, 200.9f, 2.5f, 30.2f, 3.5f));
  doc->m_colorClasses.Add(Feature(300.0f, 0, -1.0f, 0, 1e30f, 0));  // beyond a byte: low bits, never a fault
  CGridModel shown;
  CColorFeatureDlg d(view.get());
  d.SetGrid(&shown);
  d.InitDialog(c);
  EXPECT_EQ(shown.GetRowCount(), 5);
  const std::vector<std::string> row1 = {"0", "10.40", "200.90", "30.20", "1.50", "2.50", "3.50"};
  for (int col = 0; col < 7; ++col) EXPECT_EQ(shown.GetItemText(1, col), row1[col]) << col;
  EXPECT_EQ(shown.GetCell(1, 0)->GetBackClr(), RGB(10, 200, 30));
  EXPECT_EQ(shown.GetCell(2, 0)->GetBackClr(), RGB(300 & 0xFF, 0xFF, 0));
}

TEST_F(ColorTable, DeleteRemovesOnlyRowsThatHoldAFeature) {
  struct Case {
    int first, last;
    std::vector<float> left;
  } cases[] = {
      {2, 3, {1, 4}},        // rows 2 and 3: features 1 and 2
      {0, 1, {2, 3, 4}},     // the header is no feature
      {3, 40, {1, 2}},       // past the last feature and the table
      {5, 7, {1, 2, 3, 4}},  // empty rows only
  };
  for (const Case& k : cases) {
    Open(4);
    grid.SetRowCount(8);
    grid.SetSelectedRange(k.first, 1, std::min(k.last, 7), 1);
    dlg->OnClicked(CColorFeatureDlg::kDelete, c);
    dlg->ReadBack();
    EXPECT_EQ(Reds(dlg->features), k.left) << k.first << ".." << k.last;
    EXPECT_EQ(dlg->modified, k.left.size() < 4u);
  }
}

TEST_F(ColorTable, OkHandsTheTypedTableToTheWorkspaceAfterOfferingToSave) {
  Open(3);
  grid.SetItemText(2, 1, "77.5");  // typed over feature 1
  grid.SetItemText(3, 0, "");      // the table ends above row 3
  ASSERT_FALSE(doc->IsDataModified());
  ASSERT_TRUE(dlg->OnOK(c));  // nothing added: no file asked for
  EXPECT_TRUE(host.fileDialogs.empty());
  EXPECT_EQ(Reds(doc->m_colorClasses), (std::vector<float>{1, 77.5f}));
  // The colour classes are saved with the project: closing asks about them.
  EXPECT_TRUE(doc->IsDataModified());

  // Added features: OK asks for a file; a cancelled save still hands them over.
  Open(1);
  dlg->features.Add(Feature(9, 0, 0, 0, 0, 0));
  dlg->modified = true;
  dlg->Fill();
  host.fileAnswers = {{}};
  ASSERT_TRUE(dlg->OnOK(c));
  ASSERT_EQ(host.fileDialogs.size(), 1u);
  EXPECT_EQ(host.fileDialogs[0].fileName, "default.clf");
  EXPECT_EQ(Reds(doc->m_colorClasses), (std::vector<float>{1, 9}));

  // Saved and opened again: the features come back appended.
  const qzntest::TempDir dir;
  const std::string path = dir.file("classes.clf");
  Open(2);
  host.fileAnswers = {{path}, {path}};
  ASSERT_TRUE(dlg->OnSave());
  EXPECT_FALSE(dlg->modified);
  dlg->OnClicked(CColorFeatureDlg::kOpen, c);
  EXPECT_EQ(Reds(dlg->features), (std::vector<float>{1, 2, 1, 2}));
  EXPECT_EQ(grid.GetItemText(4, 0), "3");

  // Cancel leaves the workspace's classes alone.
  Open(2);
  dlg->features.RemoveAll();
  dlg->OnCancel(c);
  EXPECT_EQ(Reds(doc->m_colorClasses), (std::vector<float>{1, 2}));
}

TEST_F(ColorTable, AddMeasuresTheRectangleOfAnRgbImageOnly) {
  Open(0);
  dlg->OnClicked(CColorFeatureDlg::kAdd, c);  // no rectangle drawn
  view->SetRubberBand(RECT{10, 10, 30, 20});
  dlg->OnClicked(CColorFeatureDlg::kAdd, c);  // a grey image
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{text::kDrawRectangleInArea, text::kOnlyRgbImages}));
  EXPECT_EQ(dlg->features.GetSize(), 0);

  doc = viewtest::MakeDoc(64, 48, viewtest::Kind::kRgb);
  view = std::make_unique<CQznView>(doc.get(), &window);
  Open(1);
  view->SetRubberBand(RECT{10, 10, 30, 20});
  dlg->OnClicked(CColorFeatureDlg::kAdd, c);
  ASSERT_EQ(dlg->features.GetSize(), 2);
  EXPECT_TRUE(dlg->modified);
  EXPECT_EQ(grid.GetItemText(2, 0), "1");
  bool autoRan = false;
  dlg->autoVectorize = [&] { autoRan = true; };
  dlg->OnClicked(CColorFeatureDlg::kVectorize, c);
  EXPECT_TRUE(autoRan);
  EXPECT_EQ(doc->m_colorClasses.GetSize(), 2);
}

namespace {

struct Report : qzntest::DialogFixture {
  CGridModel grid;
  void Table(int rows, int cols) {
    grid.SetRowCount(rows);
    grid.SetColumnCount(cols);
    for (int r = 0; r < rows; ++r)
      for (int col = 0; col < cols; ++col) grid.SetItemText(r, col, FormatC("%d.%d", r, col));
  }
};

}  // namespace

TEST_F(Report, SavedTextHasTheTitleThenEachRowWithATabAfterEveryCell) {
  const qzntest::TempDir dir;
  Table(3, 10);
  for (const char* title : {"矢量报告", ""}) {
    const std::string path = dir.file("report.txt");
    ASSERT_TRUE(WriteReportText(grid, title, path));
    const std::string saved = qzntest::ReadFileText(path);
    const std::string firstRow = "0.0\t0.1\t0.2\t0.3\t0.4\t0.5\t0.6\t0.7\t0.8\t0.9\t\r\n";
    const std::string titleLine = *title ? "\xCA\xB8\xC1\xBF\xB1\xA8\xB8\xE6\r\n" : "\r\n";  // GBK
    EXPECT_EQ(saved.substr(0, titleLine.size() + firstRow.size()), titleLine + firstRow) << title;
    int lines = 0, tabs = 0;
    for (char ch : saved) lines += ch == '\n', tabs += ch == '\t';
    EXPECT_EQ(lines, 4);
    EXPECT_EQ(tabs, 30);
  }
}

TEST_F(Report, AFailedSaveIsReportedAndKeepsTheOldFile) {
  const qzntest::TempDir dir;
  Table(2, 2);
  CVectorReportDlg dlg;
  dlg.SetGrid(&grid);
  dlg.title = "t";
  host.fileAnswers = {{dir.file("missing/report.txt")}, {}};
  dlg.OnClicked(CVectorReportDlg::kSave, c);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{text::kReportSaveError});
  dlg.OnClicked(CVectorReportDlg::kSave, c);  // cancelled: nothing more said
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.fileDialogs[1].fileName, dir.file("missing/report.txt"));  // the last path offered again
}

TEST_F(Report, TheCommandAsksWithTheCountAndFillsTheTable) {
  qzntest::AddLine(lines(), {{0, 0}, {10, 0}});
  qzntest::AddLine(lines(), {{0, 0}, {10, 0}, {10, 10}, {0, 0}}, 0, 7.0f);
  CVectorReportDlg dlg;
  host.answers = {IDNO};
  EXPECT_FALSE(PrepareVectorReport(doc.get(), dlg));
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"共计 2 条线段，创建报告吗?"});
  host.answers = {IDYES};
  ASSERT_TRUE(PrepareVectorReport(doc.get(), dlg));
  EXPECT_EQ(dlg.title, text::kReportTitleText);
  dlg.SetGrid(&grid);
  dlg.InitDialog(c);
  EXPECT_EQ(c.GetText(CVectorReportDlg::kTitle), text::kReportTitleText);
  EXPECT_EQ(grid.GetRowCount(), 3);
  EXPECT_EQ(grid.GetItemText(0, 2), "图层");
  EXPECT_EQ(grid.GetItemText(2, 1), "7.00");
}

TEST_F(ColorTable, TheTableOpensBesideTheViewOnceAndClosesWithIt) {
  qzntest::ScriptedDialogs dialogs;
  OpenColorFeatureTable(*view);
  OpenColorFeatureTable(*view);  // the first one closes
  EXPECT_EQ(dialogs.shown, (std::vector<int>{CColorFeatureDlg::kId, CColorFeatureDlg::kId}));
  EXPECT_TRUE(static_cast<bool>(view->closeCompanion));
  view.reset();
}
