#include "ui/core/colorfeaturedlg.h"

#include <algorithm>
#include <cmath>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/imaging.h"
#include "ui/core/imagecmds.h"
#include "resources/messages_tabledialogs.h"
#include "ui/core/qznview.h"
#include "ui/core/rectops.h"
#include "widgets/core/gridmodel.h"

namespace qzn {

namespace {

// The low 8 bits of a value truncated to an integer; 0 for a value no
// integer holds.
int LowByte(float v) {
  if (!std::isfinite(v) || std::fabs(v) >= 2147483648.0f) return 0;
  return static_cast<int>(v) & 0xFF;
}

float CellNumber(const CGridModel& grid, int row, int col) {
  double v = 0.0;
  return ParseDouble(grid.GetItemText(row, col), v) ? static_cast<float>(v) : 0.0f;
}

// The columns 1 to 6: R1, G1, B1, R2, G2, B2.
float* ColumnValue(CColorFeature& f, int col) {
  float* order[] = {&f.meanRed, &f.meanGreen, &f.meanBlue, &f.sdRed, &f.sdGreen, &f.sdBlue};
  return order[col - 1];
}

}  // namespace

CColorFeatureDlg::CColorFeatureDlg(CQznView* view) : m_view(view) {
  if (const CQznDoc* doc = Document())
    for (const CColorFeature& f : doc->m_colorClasses.Items()) features.Add(f);
}

CQznDoc* CColorFeatureDlg::Document() const { return m_view ? m_view->Document() : nullptr; }

void CColorFeatureDlg::OnInitDialog(IDialogControls&) {
  if (!m_grid) return;
  m_grid->EnableTitleTips(false);
  m_grid->SetEditable(true);
  m_grid->SetRowCount(std::max<int>(static_cast<int>(features.GetSize()) + 1, kMinRows));
  m_grid->SetColumnCount(kColumns);
  m_grid->SetFixedRowCount(1);
  m_grid->SetFixedColumnCount(1);
  for (int col = 0; col < kColumns; ++col) m_grid->SetItemText(0, col, res::text::kColorFeatureHeadings[col]);
  Fill();
}

void CColorFeatureDlg::Fill() {
  if (!m_grid) return;
  const int n = static_cast<int>(features.GetSize());
  if (n + 1 >= m_grid->GetRowCount()) m_grid->SetRowCount(n + 1);
  for (int row = 1; row < m_grid->GetRowCount(); ++row) {
    if (row > n) {
      // Rows below the features stay empty, so none of them reads back.
      for (int col = 0; col < kColumns; ++col) m_grid->SetItemText(row, col, std::string());
      m_grid->SetItemBkColour(row, 0, CLR_DEFAULT);
      continue;
    }
    CColorFeature f = features.GetAt(row - 1);
    m_grid->SetItemText(row, 0, FormatC("%d", row - 1));
    m_grid->SetItemBkColour(row, 0, RGB(LowByte(f.meanRed), LowByte(f.meanGreen), LowByte(f.meanBlue)));
    for (int col = 1; col < kColumns; ++col)
      m_grid->SetItemText(row, col, FormatC("%.2f", static_cast<double>(*ColumnValue(f, col))));
  }
}

void CColorFeatureDlg::ReadBack() {
  if (!m_grid) return;
  features.RemoveAll();
  for (int row = 1; row < m_grid->GetRowCount() && !m_grid->GetItemText(row, 0).empty(); ++row) {
    CColorFeature f;
    for (int col = 1; col < kColumns; ++col) *ColumnValue(f, col) = CellNumber(*m_grid, row, col);
    features.Add(f);
  }
}

void CColorFeatureDlg::TakeTypedValues() {
  if (!m_grid) return;
  for (int row = 1; row <= static_cast<int>(features.GetSize()) && row < m_grid->GetRowCount(); ++row)
    for (int col = 1; col < kColumns; ++col)
      *ColumnValue(features.ElementAt(row - 1), col) = CellNumber(*m_grid, row, col);
}

void CColorFeatureDlg::OnAdd() {
  CQznDoc* doc = Document();
  if (!doc) return;
  const RECT band = m_view->GetRubberBand();
  if (IsRectEmpty(band)) {
    AfxMessageBox(res::text::kDrawRectangleInArea, MB_OK | MB_ICONINFORMATION);
    return;
  }
  const CRasterImage& image = doc->m_image;
  if (!image.IsRGB()) {
    AfxMessageBox(res::text::kOnlyRgbImages, MB_OK | MB_ICONSTOP);
    return;
  }
  CColorFeature f;
  if (!ImageGetRGBFeature24(image.pixels, image.width, image.height, band.left, band.top, RectWidth(band),
                            RectHeight(band), f.Data()))
    return;
  TakeTypedValues();
  features.Add(f);
  modified = true;
  Fill();
  if (m_grid) m_grid->Refresh();
}

void CColorFeatureDlg::OnDelete() {
  if (!m_grid) return;
  const CGridCellRange range = m_grid->GetSelectedCellRange();
  if (range.minRow < 0 || range.maxRow < 0) return;
  TakeTypedValues();
  // Only rows that show a feature: the header and the empty rows below hold
  // none.
  const int first = std::max(range.minRow, 1);
  const int last = std::min(range.maxRow, static_cast<int>(features.GetSize()));
  for (int k = first; k <= last; ++k) {
    features.RemoveAt(first - 1);
    m_grid->DeleteRow(first);
    modified = true;
  }
  Fill();
  m_grid->Refresh();
}

void CColorFeatureDlg::OnOpen() {
  FileDialogRequest request;
  request.kind = FileDialogKind::open;
  request.defaultExtension = "clf";
  request.flags = OFN_FILEMUSTEXIST;
  request.filter = res::text::kColorFeatureFilter;
  const std::string path = AskFilePath(request);
  if (path.empty()) return;
  TakeTypedValues();
  CColorFeatureArray read;
  if (read.ReadFile(path)) {
    for (const CColorFeature& f : read.Items()) features.Add(f);
  } else {
    AfxMessageBox(res::text::kColorFeatureReadError, MB_OK | MB_ICONSTOP);
  }
  Fill();
  if (m_grid) m_grid->Refresh();
}

bool CColorFeatureDlg::OnSave() {
  FileDialogRequest request;
  request.kind = FileDialogKind::save;
  request.defaultExtension = "clf";
  request.fileName = "default.clf";
  request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  request.filter = res::text::kColorFeatureFilter;
  const std::string path = AskFilePath(request);
  if (path.empty()) return false;
  ReadBack();
  if (!features.WriteFile(path)) {
    AfxMessageBox(res::text::kColorFeatureSaveError, MB_OK | MB_ICONSTOP);
    return false;
  }
  modified = false;
  return true;
}

void CColorFeatureDlg::HandToDocument() {
  CQznDoc* doc = Document();
  if (!doc) return;
  doc->m_colorClasses.RemoveAll();
  for (const CColorFeature& f : features.Items()) doc->m_colorClasses.Add(f);
  doc->SetSettingsModified();
}

void CColorFeatureDlg::OnVectorize() {
  if (!Document()) return;
  ReadBack();
  HandToDocument();
  if (autoVectorize) autoVectorize();
}

void CColorFeatureDlg::OnClicked(int id, IDialogControls&) {
  switch (id) {
    case kAdd: OnAdd(); break;
    case kDelete: OnDelete(); break;
    case kOpen: OnOpen(); break;
    case kSave: OnSave(); break;
    case kVectorize: OnVectorize(); break;
    default: break;
  }
}

bool CColorFeatureDlg::OnOK(IDialogControls&) {
  if (!Document()) return false;
  if (modified) OnSave();  // the user may decline to save; the features go to the workspace all the same
  ReadBack();
  HandToDocument();
  return true;
}

void OpenColorFeatureTable(CQznView& view) {
  struct Table {
    explicit Table(CQznView* v) : model(v) {}
    CColorFeatureDlg model;
    std::unique_ptr<IModelessDialog> window;  // goes before the model it shows
  };
  if (std::function<void()> close = std::move(view.closeCompanion)) close();
  view.closeCompanion = nullptr;
  IDialogRunner* runner = GetDialogRunner();
  if (!runner) return;
  auto table = std::make_shared<Table>(&view);
  table->model.autoVectorize = [&view] { OnVectorAutoVectorize(view); };
  table->window = runner->CreateModeless(table->model);
  if (table->window) view.closeCompanion = [table] { table->window.reset(); };
}

}  // namespace qzn
