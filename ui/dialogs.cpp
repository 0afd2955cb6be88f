#include "ui/dialogs.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "ui/mainframe.h"
#include "ui/wxtext.h"

namespace qzn {

const char kNoChoice[] = "qzn-no-choice";

// ---- controls -------------------------------------------------------------------

std::string CWxDialogControls::GetText(int id) const {
  if (auto* t = dynamic_cast<wxTextCtrl*>(m_dialog.FindWindow(id))) return FromWx(t->GetValue());
  if (wxWindow* w = m_dialog.FindWindow(id)) return FromWx(w->GetLabel());
  return {};
}

void CWxDialogControls::SetText(int id, const std::string& utf8) {
  if (auto* t = dynamic_cast<wxTextCtrl*>(m_dialog.FindWindow(id)))
    t->ChangeValue(U8(utf8));
  else if (wxWindow* w = m_dialog.FindWindow(id))
    w->SetLabel(U8(utf8));
}

bool CWxDialogControls::GetCheck(int id) const {
  if (auto* c = dynamic_cast<wxCheckBox*>(m_dialog.FindWindow(id))) return c->GetValue();
  if (auto* r = dynamic_cast<wxRadioButton*>(m_dialog.FindWindow(id))) return r->GetValue();
  return false;
}

void CWxDialogControls::SetCheck(int id, bool checked) {
  if (auto* c = dynamic_cast<wxCheckBox*>(m_dialog.FindWindow(id))) c->SetValue(checked);
  if (auto* r = dynamic_cast<wxRadioButton*>(m_dialog.FindWindow(id))) {
    if (checked) {
      r->SetValue(true);
    } else if (r->GetValue()) {
      // GTK always shows one button of a group chosen: "none chosen" is the
      // group's hidden first button, so a value nobody picked is never
      // read back as the first choice.
      for (wxWindow* w : r->GetParent()->GetChildren())
        if (auto* none = dynamic_cast<wxRadioButton*>(w); none && none->GetName() == kNoChoice) none->SetValue(true);
    }
  }
}

void CWxDialogControls::Enable(int id, bool enabled) {
  if (wxWindow* w = m_dialog.FindWindow(id)) w->Enable(enabled);
}

bool CWxDialogControls::IsEnabled(int id) const {
  wxWindow* w = m_dialog.FindWindow(id);
  return w && w->IsEnabled();
}

void CWxDialogControls::SetFocus(int id) {
  if (wxWindow* w = m_dialog.FindWindow(id)) w->SetFocus();
}

// ---- the dialog -----------------------------------------------------------------

CModelDialog::CModelDialog(wxWindow* parent, CDialogModel& model, const wxString& title)
    : wxDialog(parent, wxID_ANY, title), m_model(model), m_controls(*this) {
  Bind(wxEVT_BUTTON, &CModelDialog::OnOK, this, wxID_OK);
  Bind(wxEVT_CHECKBOX, &CModelDialog::OnClick, this);
  Bind(wxEVT_RADIOBUTTON, &CModelDialog::OnClick, this);
}

void CModelDialog::Finish() {
  GetSizer()->SetSizeHints(this);
  m_model.InitDialog(m_controls);
  const wxRect r = GetDialogCornerRect(this);
  if (!r.IsEmpty()) SetPosition(r.GetPosition());
}

bool CModelDialog::PressOK() {
  if (!m_model.OnOK(m_controls)) return false;  // the message was shown; stay open
  if (IsModal())
    EndModal(wxID_OK);
  else
    SetReturnCode(wxID_OK);
  return true;
}

void CModelDialog::OnOK(wxCommandEvent&) { PressOK(); }

void CModelDialog::OnClick(wxCommandEvent& e) {
  m_model.OnClicked(e.GetId(), m_controls);
  e.Skip();
}

namespace {

wxSizer* Buttons(wxDialog* d) {
  auto* s = new wxBoxSizer(wxHORIZONTAL);
  s->AddStretchSpacer();
  s->Add(new wxButton(d, wxID_OK, U8("确定")), 0, wxALL, 4);
  s->Add(new wxButton(d, wxID_CANCEL, U8("取消")), 0, wxALL, 4);
  return s;
}

wxTextCtrl* Edit(wxWindow* parent, int id, int width = 80) {
  return new wxTextCtrl(parent, id, wxEmptyString, wxDefaultPosition, wxSize(width, -1));
}

}  // namespace

CModelDialog* MakeRotateImageDialog(wxWindow* parent, CRotateImageDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("旋转图像"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxRadioButton(d, CRotateImageDlg::kLeft, U8("向左旋转"), wxDefaultPosition, wxDefaultSize, wxRB_GROUP),
           0, wxALL, 6);
  top->Add(new wxRadioButton(d, CRotateImageDlg::kRight, U8("向右旋转")), 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticText(d, wxID_ANY, U8("旋转角度:")), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  row->Add(Edit(d, CRotateImageDlg::kAngle), 0, wxALL, 4);
  row->Add(new wxStaticText(d, wxID_ANY, U8("(0-360) 度")), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  top->Add(row, 0, wxALL, 2);
  top->Add(Buttons(d), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

CModelDialog* MakeDeleteIdRangeDialog(wxWindow* parent, CDeleteIDRangeDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("在 ID 范围内删除线段"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* group = new wxStaticBoxSizer(wxHORIZONTAL, d, U8("ID 范围"));
  group->Add(new wxStaticText(group->GetStaticBox(), wxID_ANY, U8("从")), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  group->Add(Edit(group->GetStaticBox(), CDeleteIDRangeDlg::kFrom), 0, wxALL, 4);
  group->Add(new wxStaticText(group->GetStaticBox(), wxID_ANY, U8("到")), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  group->Add(Edit(group->GetStaticBox(), CDeleteIDRangeDlg::kTo), 0, wxALL, 4);
  top->Add(group, 0, wxALL, 6);
  top->Add(Buttons(d), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

CModelDialog* MakeOverlaySetDialog(wxWindow* parent, COverlaySetDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("套合设置"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxCheckBox(d, COverlaySetDlg::kOverlay, U8("套合 开/关")), 0, wxALL, 6);
  top->Add(new wxCheckBox(d, COverlaySetDlg::kBlend, U8("混合 开/关")), 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
  auto* group = new wxStaticBoxSizer(wxHORIZONTAL, d, U8("背景色"));
  auto* none = new wxRadioButton(group->GetStaticBox(), wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                 wxRB_GROUP, wxDefaultValidator, kNoChoice);
  none->Hide();
  group->Add(new wxRadioButton(group->GetStaticBox(), COverlaySetDlg::kColour, U8("彩色")), 0, wxALL, 4);
  group->Add(new wxRadioButton(group->GetStaticBox(), COverlaySetDlg::kGrey, U8("灰度")), 0, wxALL, 4);
  top->Add(group, 0, wxEXPAND | wxALL, 6);
  top->Add(Buttons(d), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

}  // namespace qzn
