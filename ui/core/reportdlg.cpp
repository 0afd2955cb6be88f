#include "ui/core/reportdlg.h"

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_tabledialogs.h"
#include "widgets/core/gridmodel.h"

namespace qzn {

void CVectorReportDlg::DoDataExchange(CDataExchange& dx) { DDX_Text(dx, kTitle, title); }

void CVectorReportDlg::OnInitDialog(IDialogControls&) {
  if (!m_grid) return;
  if (document) {
    CWaitCapture wait;
    document->BuildVectorReport(m_grid);
  }
  m_grid->EnableTitleTips(false);
  m_grid->SetEditable(true);
  m_grid->AutoSizeColumns(0);
}

bool WriteReportText(const CGridModel& grid, const std::string& title, const std::string& path) {
  CTextFileWriter out;
  if (!out.Open(path)) return false;
  out.Write(title);
  out.Write("\n");
  std::string row;
  for (int r = 0; r < grid.GetRowCount() && !out.Error(); ++r) {
    row.clear();
    for (int c = 0; c < grid.GetColumnCount(); ++c) {
      row += grid.GetItemText(r, c);
      row += '\t';
    }
    row += '\n';
    out.Write(row);
  }
  return out.Close();
}

bool CVectorReportDlg::OnSave() {
  if (!m_grid) return false;
  FileDialogRequest request;
  request.kind = FileDialogKind::save;
  request.defaultExtension = "txt";
  request.fileName = filePath;
  request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  request.filter = res::text::kTextFileFilter;
  const std::string path = AskFilePath(request);
  if (path.empty()) return false;
  filePath = path;
  if (!WriteReportText(*m_grid, title, path)) {
    AfxMessageBox(res::text::kReportSaveError, MB_OK | MB_ICONSTOP);
    return false;
  }
  return true;
}

void CVectorReportDlg::OnClicked(int id, IDialogControls&) {
  if (id == kCopy && m_grid) m_grid->OnEditCopy();
  if (id == kPrint && print) print();
  if (id == kSave) OnSave();
}

bool PrepareVectorReport(const CQznDoc* doc, CVectorReportDlg& dlg) {
  if (!doc) return false;
  const std::string question =
      FormatC(res::text::kAskBuildReportFormat, static_cast<long long>(doc->m_lines.GetCount()));
  if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
  dlg.title = res::text::kReportTitleText;
  dlg.document = doc;
  return true;
}

void RunVectorReport(const CQznDoc* doc) {
  CVectorReportDlg dlg;
  if (PrepareVectorReport(doc, dlg)) DoModal(dlg);
}

}  // namespace qzn
