// The vector report: a table about the workspace's lines (number, ID, layer,
// centre, length, closed, area, and the same in map units when the workspace
// is georeferenced) that the user can copy, print or save as tab-separated
// text.
#pragma once

#include <functional>
#include <string>

#include "ui/core/dataexchange.h"

namespace qzn {

class CGridModel;
class CQznDoc;

// Dialog 221 kReportDialogTitle.
class CVectorReportDlg : public CDialogModel {
 public:
  enum : int { kId = 221, kTitle = 398, kGrid = 391, kCopy = 400, kPrint = 401, kSave = 143 };

  std::string title;     // shown above the table and first in the saved text
  std::string filePath;  // the last path saved to
  // The workspace whose report fills the table when the dialog opens (none:
  // the table is shown as it was given).
  const CQznDoc* document = nullptr;
  // Prints the table (the window sets it; the table asks for the printer).
  std::function<void()> print;

  void SetGrid(CGridModel* grid) { m_grid = grid; }
  CGridModel* Grid() const { return m_grid; }

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;

  // Asks for the file and writes the report; false when cancelled or not
  // written (the user was told, and an existing file is as it was).
  bool OnSave();

 private:
  CGridModel* m_grid = nullptr;
};

// The report as text: the title, then every row (headers included), each
// cell's text followed by a tab, a line break after each row. The file is
// written whole (in the Chinese code page, CRLF line ends) or not at all.
bool WriteReportText(const CGridModel& grid, const std::string& title, const std::string& path);

// The report command's question: asks kAskReportFormat and, on
// yes, titles the dialog kReportTitleText and has it fill its table with the
// workspace's report when it opens. False when the user declined (or there
// is no workspace).
bool PrepareVectorReport(const CQznDoc* doc, CVectorReportDlg& dlg);
// The whole report command: the question, then the dialog.
void RunVectorReport(const CQznDoc* doc);

}  // namespace qzn
