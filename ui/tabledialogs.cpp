#include "ui/tabledialogs.h"

#include <wx/button.h>
#include <wx/sizer.h>

#include "resources/messages_tabledialogs.h"
#include "resources/messages_window.h"
#include "ui/wxtext.h"
#include "widgets/gridctrl.h"

namespace qzn {

namespace text = res::text;

namespace {

// The table above a column of buttons on its right.
CGridCtrl* TableWithButtons(CModelDialog* d, wxBoxSizer* top, const wxSize& size,
                            std::initializer_list<DialogButton> buttons) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  auto* grid = new CGridCtrl(d, CColorFeatureDlg::kGrid, wxDefaultPosition, size);
  grid->SetMinSize(size);
  row->Add(grid, 1, wxEXPAND | wxRIGHT, 8);
  auto* column = new wxBoxSizer(wxVERTICAL);
  for (const DialogButton& b : buttons) column->Add(new wxButton(d, b.id, U8(b.text)), 0, wxEXPAND | wxBOTTOM, 4);
  row->Add(column);
  top->Add(row, 1, wxEXPAND | wxALL, 8);
  return grid;
}

}  // namespace

CModelDialog* MakeColorFeatureDialog(wxWindow* parent, CColorFeatureDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kColorFeatureTitle));
  // A dialog of the main window, so it stays above it while the user draws
  // the next rectangle in the view.
  d->SetWindowStyleFlag(d->GetWindowStyleFlag() | wxRESIZE_BORDER);
  auto* top = new wxBoxSizer(wxVERTICAL);
  CGridCtrl* grid = TableWithButtons(d, top, wxSize(460, 200),
                                     {{CColorFeatureDlg::kAdd, text::kAdd},
                                      {CColorFeatureDlg::kDelete, text::kDelete},
                                      {CColorFeatureDlg::kOpen, text::kOpen},
                                      {CColorFeatureDlg::kSave, text::kSave},
                                      {CColorFeatureDlg::kVectorize, text::kVectorizeButton}});
  auto* hint = MakeLabel(d, text::kColorFeatureHint);
  hint->Wrap(460);
  top->Add(hint, 0, wxLEFT | wxRIGHT, 8);
  top->Add(MakeButtonRow(d, {{wxID_OK, text::kButtonOk}, {wxID_CANCEL, text::kButtonCancel}}), 0, wxEXPAND | wxALL, 4);
  model.SetGrid(grid);
  d->SetSizer(top);
  d->Finish();
  // Seven columns side by side, wide enough for "255.00".
  for (int col = 0; col < CColorFeatureDlg::kColumns; ++col) grid->SetColumnWidth(col, 62);
  return d;
}

CModelDialog* MakeVectorReportDialog(wxWindow* parent, CVectorReportDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kReportDialogTitle));
  d->SetWindowStyleFlag(d->GetWindowStyleFlag() | wxRESIZE_BORDER);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(MakeLabel(d, text::kReportTitleText, CVectorReportDlg::kTitle), 0, wxLEFT | wxRIGHT | wxTOP, 8);
  CGridCtrl* grid = TableWithButtons(d, top, wxSize(640, 320),
                                     {{CVectorReportDlg::kCopy, text::kCopy},
                                      {CVectorReportDlg::kPrint, text::kPrint},
                                      {CVectorReportDlg::kSave, text::kSave}});
  top->Add(MakeButtonRow(d, {{wxID_OK, text::kButtonOk}}), 0, wxEXPAND | wxALL, 4);
  model.SetGrid(grid);
  model.print = [grid] { grid->Print(); };
  d->SetSizer(top);
  d->Finish();
  return d;
}

void RegisterTableDialogs() {
  RegisterDialogWindow(&MakeColorFeatureDialog);
  RegisterDialogWindow(&MakeVectorReportDialog);
}

}  // namespace qzn
