#include "ui/batchdialogs.h"

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/sizer.h>

#include "resources/messages_app.h"
#include "resources/messages_batchdialogs.h"
#include "resources/messages_tabledialogs.h"
#include "resources/messages_window.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

namespace {

wxButton* Button(wxWindow* parent, int id, const char* label) { return new wxButton(parent, id, U8(label)); }

}  // namespace

CModelDialog* MakeBatchVectorizeDialog(wxWindow* parent, CBatchVectorizeDlg& model) {
  using D = CBatchVectorizeDlg;
  auto* d = new CModelDialog(parent, model, U8(text::kBatchTitle));
  d->SetWindowStyleFlag(d->GetWindowStyleFlag() | wxRESIZE_BORDER);
  auto* body = new wxBoxSizer(wxVERTICAL);

  // The images, with a horizontal scroll bar for long paths.
  auto* listRow = new wxBoxSizer(wxHORIZONTAL);
  auto* list =
      new wxListBox(d, D::kImages, wxDefaultPosition, wxSize(420, 160), 0, nullptr, wxLB_SINGLE | wxLB_HSCROLL);
  listRow->Add(list, 1, wxEXPAND | wxRIGHT, 8);
  auto* listButtons = new wxBoxSizer(wxVERTICAL);
  listButtons->Add(Button(d, D::kAdd, text::kAdd), 0, wxEXPAND | wxBOTTOM, 4);
  listButtons->Add(Button(d, D::kDelete, text::kDelete), 0, wxEXPAND);
  listRow->Add(listButtons);
  body->Add(listRow, 1, wxEXPAND | wxBOTTOM, 8);

  // The kind of lines and the source on the left, the output on the right.
  auto* options = new wxBoxSizer(wxHORIZONTAL);
  auto* kind = new wxBoxSizer(wxVERTICAL);
  kind->Add(MakeRadio(d, D::kCentreLine, text::kCentreLine, true), 0, wxALL, 4);
  kind->Add(MakeRadio(d, D::kOutline, text::kOutline), 0, wxALL, 4);
  wxArrayString sourceItems;
  for (const char* s : {text::kSourceMap, text::kSourceCad}) sourceItems.Add(U8(s));
  kind->Add(new wxComboBox(d, D::kSource, sourceItems[0], wxDefaultPosition, wxSize(130, -1), sourceItems), 0, wxALL,
            4);
  options->Add(kind, 0, wxRIGHT, 24);
  auto* outputs = new wxFlexGridSizer(2, 4, 16);
  for (int k = 0; k < 5; ++k) outputs->Add(MakeRadio(d, D::kOutputFirst + k, text::kBatchOutputTexts[k], k == 0));
  options->Add(outputs, 0, wxTOP, 4);
  body->Add(options, 0, wxEXPAND | wxBOTTOM, 8);

  auto* logRow = new wxBoxSizer(wxHORIZONTAL);
  logRow->Add(Button(d, D::kLogBrowse, text::kLogFileButton), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
  logRow->Add(MakeEdit(d, D::kLogPath, 300), 1, wxALIGN_CENTER_VERTICAL);
  body->Add(logRow, 0, wxEXPAND | wxBOTTOM, 8);
  body->Add(MakeLabel(d, text::kBatchStatusIdle, D::kStatus), 0, wxEXPAND);

  return FinishDialog(d, body,
                      MakeButtonRow(d, {{wxID_OK, text::kStart},
                                        {wxID_CANCEL, text::kButtonCancel},
                                        {D::kEditScript, text::kEditScript},
                                        {D::kHelp, text::kBatchHelpButton}}));
}

CModelDialog* MakeBatchScriptDialog(wxWindow* parent, CBatchScriptDlg& model) {
  using D = CBatchScriptDlg;
  auto* d = new CModelDialog(parent, model, U8(text::kScriptTitle));
  d->SetWindowStyleFlag(d->GetWindowStyleFlag() | wxRESIZE_BORDER);
  auto* body = new wxBoxSizer(wxVERTICAL);
  auto* lists = new wxFlexGridSizer(2, 4, 8);
  lists->AddGrowableCol(1);
  lists->AddGrowableRow(1);
  lists->Add(MakeLabel(d, text::kCommands));
  lists->Add(MakeLabel(d, text::kScriptLines));
  lists->Add(new wxListBox(d, D::kCommands, wxDefaultPosition, wxSize(200, 220)), 0, wxEXPAND);
  lists->Add(new wxListBox(d, D::kScript, wxDefaultPosition, wxSize(300, 220), 0, nullptr, wxLB_SINGLE | wxLB_HSCROLL),
             1, wxEXPAND);
  body->Add(lists, 1, wxEXPAND | wxBOTTOM, 8);
  body->Add(MakeEdit(d, D::kEdit, 508), 0, wxEXPAND | wxBOTTOM, 4);
  auto* syntax = MakeLabel(d, "", D::kSyntax);
  syntax->SetMinSize(wxSize(508, -1));
  body->Add(syntax, 0, wxEXPAND | wxBOTTOM, 8);
  auto* edits = new wxBoxSizer(wxHORIZONTAL);
  for (const DialogButton& b : {DialogButton{D::kAdd, text::kAdd}, DialogButton{D::kInsert, text::kInsert},
                                DialogButton{D::kRemove, text::kRemove}, DialogButton{D::kOpen, text::kOpen},
                                DialogButton{D::kSaveAs, text::kSaveAs}, DialogButton{D::kApply, text::kApplyToImage}})
    edits->Add(Button(d, b.id, b.text), 0, wxRIGHT, 4);
  body->Add(edits);
  return FinishDialog(d, body, MakeButtonRow(d, {{wxID_OK, text::kButtonOk}, {wxID_CANCEL, text::kButtonCancel}}));
}

void RegisterBatchDialogs() {
  RegisterDialogWindow(&MakeBatchVectorizeDialog);
  RegisterDialogWindow(&MakeBatchScriptDialog);
}

}  // namespace qzn
