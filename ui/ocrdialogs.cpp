#include "ui/ocrdialogs.h"

#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/sizer.h>

#include "resources/messages_ocrdialogs.h"
#include "resources/messages_tabledialogs.h"
#include "resources/messages_window.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

CModelDialog* MakeOcrTrainDialog(wxWindow* parent, COcrTrainDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kOcrTrainTitle));
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(MakeLabel(d, text::kOcrTrainPrompt), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
  row->Add(MakeEdit(d, COcrTrainDlg::kCharacter, 50), 0, wxALIGN_CENTER_VERTICAL);
  return FinishDialog(d, row, MakeButtonRow(d, {{wxID_OK, text::kButtonOk}, {wxID_CANCEL, text::kButtonCancel}}));
}

CModelDialog* MakeOcrSignatureDialog(wxWindow* parent, COcrSignatureDlg& model) {
  using D = COcrSignatureDlg;
  auto* d = new CModelDialog(parent, model, U8(text::kOcrSignatureTitle));
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  auto* left = new wxBoxSizer(wxVERTICAL);
  left->Add(MakeLabel(d, text::kOcrCharacters), 0, wxBOTTOM, 4);
  left->Add(new wxListBox(d, D::kList, wxDefaultPosition, wxSize(120, 200)), 1, wxEXPAND);
  row->Add(left, 0, wxEXPAND | wxRIGHT, 10);
  auto* right = new wxBoxSizer(wxVERTICAL);
  right->Add(MakeLabel(d, text::kOcrDescription), 0, wxBOTTOM, 4);
  right->Add(MakeEdit(d, D::kDescription, 260, wxTE_MULTILINE), 1, wxEXPAND | wxBOTTOM, 8);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(new wxButton(d, D::kDelete, U8(text::kDelete)), 0, wxRIGHT, 4);
  buttons->Add(new wxButton(d, D::kLoad, U8(text::kOcrLoad)), 0, wxRIGHT, 4);
  buttons->Add(new wxButton(d, D::kSave, U8(text::kSave)));
  right->Add(buttons);
  row->Add(right, 1, wxEXPAND);
  return FinishDialog(d, row, MakeButtonRow(d, {{wxID_OK, text::kOcrClose}}));
}

void RegisterOcrDialogs() {
  RegisterDialogWindow(&MakeOcrTrainDialog);
  RegisterDialogWindow(&MakeOcrSignatureDialog);
}

}  // namespace qzn
