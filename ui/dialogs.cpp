#include "ui/dialogs.h"

#include <map>
#include <vector>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/colordlg.h>
#include <wx/combobox.h>
#include <wx/dcclient.h>
#include <wx/listbox.h>
#include <wx/scrolbar.h>
#include <wx/slider.h>
#include <wx/vlbox.h>

#include "platform/host.h"
#include "resources/messages_georefdialogs.h"
#include "resources/messages_imagedlgs.h"
#include "resources/messages_linedialogs.h"
#include "resources/messages_scan.h"
#include "resources/messages_view3d.h"
#include "resources/messages_window.h"
#include "ui/core/qznview.h"
#include "ui/imagewindow.h"
#include "ui/mainframe.h"
#include "ui/wxtext.h"
#include "widgets/titlebar.h"

namespace qzn {

namespace text = res::text;

const char kNoChoice[] = "qzn-no-choice";

namespace {
// The page step of the dialogs' scroll bars.
constexpr int kScrollPage = 20;
}  // namespace

// ---- controls -------------------------------------------------------------------

std::string CWxDialogControls::GetText(int id) const {
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* t = dynamic_cast<wxTextEntry*>(w)) return FromWx(t->GetValue());
  if (auto* c = dynamic_cast<wxChoice*>(w)) return FromWx(c->GetStringSelection());
  if (w) return FromWx(w->GetLabel());
  return {};
}

void CWxDialogControls::SetText(int id, const std::string& utf8) {
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* t = dynamic_cast<wxTextEntry*>(w))
    t->ChangeValue(U8(utf8));
  else if (auto* c = dynamic_cast<wxChoice*>(w))
    c->SetStringSelection(U8(utf8));
  else if (w)
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

// Lists: wxListBox, wxChoice and wxComboBox are item containers; an
// owner-drawn wxVListBox only counts its rows (the dialog paints them from
// its own data).

void CWxDialogControls::ResetContent(int id) {
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* v = dynamic_cast<wxVListBox*>(w)) {
    v->SetItemCount(0);
    v->Refresh();
  } else if (auto* c = dynamic_cast<wxItemContainer*>(w)) {
    c->Clear();
  }
}

int CWxDialogControls::AddString(int id, const std::string& utf8) {
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* v = dynamic_cast<wxVListBox*>(w)) {
    v->SetItemCount(v->GetItemCount() + 1);
    v->Refresh();
    return static_cast<int>(v->GetItemCount()) - 1;
  }
  if (auto* c = dynamic_cast<wxItemContainer*>(w)) return c->Append(U8(utf8));
  return -1;
}

int CWxDialogControls::InsertString(int id, int index, const std::string& utf8) {
  const int count = GetCount(id);
  if (index < 0 || index >= count) return AddString(id, utf8);
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* v = dynamic_cast<wxVListBox*>(w)) {
    v->SetItemCount(v->GetItemCount() + 1);
    v->Refresh();
    return index;
  }
  if (auto* c = dynamic_cast<wxItemContainer*>(w)) return c->Insert(U8(utf8), static_cast<unsigned>(index));
  return -1;
}

void CWxDialogControls::DeleteString(int id, int index) {
  if (index < 0 || index >= GetCount(id)) return;
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* v = dynamic_cast<wxVListBox*>(w)) {
    v->SetItemCount(v->GetItemCount() - 1);
    v->Refresh();
  } else if (auto* c = dynamic_cast<wxItemContainer*>(w)) {
    c->Delete(static_cast<unsigned>(index));
  }
}

int CWxDialogControls::GetCount(int id) const {
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* v = dynamic_cast<wxVListBox*>(w)) return static_cast<int>(v->GetItemCount());
  if (auto* c = dynamic_cast<wxItemContainer*>(w)) return static_cast<int>(c->GetCount());
  return 0;
}

std::string CWxDialogControls::GetItemText(int id, int index) const {
  if (index < 0 || index >= GetCount(id)) return {};
  if (auto* c = dynamic_cast<wxItemContainer*>(m_dialog.FindWindow(id)))
    return FromWx(c->GetString(static_cast<unsigned>(index)));
  return {};
}

int CWxDialogControls::GetCurSel(int id) const {
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* v = dynamic_cast<wxVListBox*>(w)) {
    if (!v->HasMultipleSelection()) return v->GetSelection();
    unsigned long cookie = 0;
    return v->GetFirstSelected(cookie);
  }
  if (auto* l = dynamic_cast<wxListBox*>(w); l && l->HasMultipleSelection()) {
    wxArrayInt sel;
    return l->GetSelections(sel) > 0 ? sel[0] : -1;
  }
  if (auto* c = dynamic_cast<wxItemContainer*>(w)) return c->GetSelection();
  return -1;
}

void CWxDialogControls::SetCurSel(int id, int index) {
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* v = dynamic_cast<wxVListBox*>(w)) {
    if (v->HasMultipleSelection()) v->DeselectAll();
    if (index >= 0 && index < static_cast<int>(v->GetItemCount())) v->SetSelection(index);
  } else if (auto* l = dynamic_cast<wxListBox*>(w); l && l->HasMultipleSelection()) {
    l->DeselectAll();
    if (index >= 0 && index < static_cast<int>(l->GetCount())) l->SetSelection(index);
  } else if (auto* c = dynamic_cast<wxItemContainer*>(w)) {
    c->SetSelection(index >= 0 && index < static_cast<int>(c->GetCount()) ? index : wxNOT_FOUND);
  }
}

std::vector<int> CWxDialogControls::GetSelItems(int id) const {
  std::vector<int> out;
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* v = dynamic_cast<wxVListBox*>(w)) {
    if (!v->HasMultipleSelection()) {
      if (v->GetSelection() != wxNOT_FOUND) out.push_back(v->GetSelection());
      return out;
    }
    unsigned long cookie = 0;
    for (int i = v->GetFirstSelected(cookie); i != wxNOT_FOUND; i = v->GetNextSelected(cookie)) out.push_back(i);
  } else if (auto* l = dynamic_cast<wxListBox*>(w)) {
    wxArrayInt sel;
    l->GetSelections(sel);
    for (int i : sel) out.push_back(i);
    std::sort(out.begin(), out.end());
  } else if (auto* c = dynamic_cast<wxItemContainer*>(w); c && c->GetSelection() != wxNOT_FOUND) {
    out.push_back(c->GetSelection());
  }
  return out;
}

void CWxDialogControls::SetSel(int id, int index, bool selected) {
  if (index < 0 || index >= GetCount(id)) return;
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* v = dynamic_cast<wxVListBox*>(w)) {
    if (v->HasMultipleSelection())
      v->Select(static_cast<std::size_t>(index), selected);
    else if (selected)
      v->SetSelection(index);
  } else if (auto* l = dynamic_cast<wxListBox*>(w)) {
    if (selected)
      l->SetSelection(index);
    else
      l->Deselect(index);
  }
}

// Scroll bars run from 0; the dialogs' ranges all start there. Sliders keep
// their own range. Spin arrows only step: the dialog keeps the value itself.

void CWxDialogControls::SetScrollRange(int id, int low, int high) {
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* b = dynamic_cast<wxScrollBar*>(w)) {
    const int range = std::max(high - low + 1, 1);
    b->SetScrollbar(std::clamp(b->GetThumbPosition(), 0, range - 1), 1, range, kScrollPage, true);
  } else if (auto* s = dynamic_cast<wxSlider*>(w)) {
    s->SetRange(low, std::max(low, high));
  }
}

void CWxDialogControls::SetScrollPos(int id, int position) {
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* b = dynamic_cast<wxScrollBar*>(w))
    b->SetThumbPosition(position);
  else if (auto* s = dynamic_cast<wxSlider*>(w))
    s->SetValue(position);
}

int CWxDialogControls::GetScrollPos(int id) const {
  wxWindow* w = m_dialog.FindWindow(id);
  if (auto* b = dynamic_cast<wxScrollBar*>(w)) return b->GetThumbPosition();
  if (auto* s = dynamic_cast<wxSlider*>(w)) return s->GetValue();
  return 0;
}

void CWxDialogControls::SetSwatch(int id, COLORREF colour) {
  if (auto* s = dynamic_cast<CColourSwatch*>(m_dialog.FindWindow(id))) s->SetColour(colour);
}

void CWxDialogControls::Redraw(int id) {
  if (wxWindow* w = m_dialog.FindWindow(id)) w->Refresh(false);
}

bool CWxDialogControls::ChooseColor(const COLORREF* initial, COLORREF& chosen) {
  wxColourData data;
  data.SetChooseFull(true);
  if (initial) data.SetColour(wxColour(GetRValue(*initial), GetGValue(*initial), GetBValue(*initial)));
  wxColourDialog dialog(&m_dialog, &data);
  if (dialog.ShowModal() != wxID_OK) return false;
  const wxColour c = dialog.GetColourData().GetColour();
  chosen = RGB(c.Red(), c.Green(), c.Blue());
  return true;
}

// ---- the colour swatch ----------------------------------------------------------

CColourSwatch::CColourSwatch(wxWindow* parent, int id, const wxSize& size)
    : wxWindow(parent, id, wxDefaultPosition, size, wxBORDER_SIMPLE) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxColour c(GetRValue(m_colour), GetGValue(m_colour), GetBValue(m_colour));
    dc.SetBrush(wxBrush(c));
    dc.SetPen(wxPen(c));
    dc.DrawRectangle(GetClientRect());
  });
}

void CColourSwatch::SetColour(COLORREF c) {
  m_colour = c;
  Refresh(false);
}

// ---- the dialog -----------------------------------------------------------------

CModelDialog::CModelDialog(wxWindow* parent, CDialogModel& model, const wxString& title)
    : wxDialog(parent, wxID_ANY, title), m_model(model), m_controls(*this) {
  Bind(wxEVT_BUTTON, &CModelDialog::OnButton, this);
  Bind(wxEVT_CHECKBOX, &CModelDialog::OnClick, this);
  Bind(wxEVT_RADIOBUTTON, &CModelDialog::OnClick, this);
  Bind(wxEVT_LISTBOX, &CModelDialog::OnSelect, this);
  Bind(wxEVT_CHOICE, &CModelDialog::OnSelect, this);
  Bind(wxEVT_COMBOBOX, &CModelDialog::OnSelect, this);
  Bind(wxEVT_TEXT, &CModelDialog::OnText, this);
  for (auto type :
       {wxEVT_SCROLL_TOP, wxEVT_SCROLL_BOTTOM, wxEVT_SCROLL_LINEUP, wxEVT_SCROLL_LINEDOWN, wxEVT_SCROLL_PAGEUP,
        wxEVT_SCROLL_PAGEDOWN, wxEVT_SCROLL_THUMBTRACK, wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_CHANGED})
    Bind(type, &CModelDialog::OnScrollBar, this);
  Bind(wxEVT_SPIN_UP, &CModelDialog::OnSpin, this);
  Bind(wxEVT_SPIN_DOWN, &CModelDialog::OnSpin, this);
  Bind(wxEVT_CHAR_HOOK, &CModelDialog::OnCharHook, this);
  Bind(wxEVT_CLOSE_WINDOW, &CModelDialog::OnClose, this);
}

void CModelDialog::Finish() {
  GetSizer()->SetSizeHints(this);
  FitTitleBar(*this);
  m_model.InitDialog(m_controls);
  if (!m_model.PlaceAtCorner()) {
    CentreOnParent();
    return;
  }
  const wxRect r = GetDialogCornerRect(this);
  if (!r.IsEmpty()) SetPosition(r.GetPosition());
}

int CModelDialog::ShowModal() {
  if (m_model.cannotRun) {
    SetReturnCode(wxID_CANCEL);
    return wxID_CANCEL;
  }
  return wxDialog::ShowModal();
}

void CModelDialog::End(int code) {
  if (IsModal())
    EndModal(code);
  else {
    SetReturnCode(code);
    Hide();
  }
}

bool CModelDialog::PressOK() {
  if (!m_model.OnOK(m_controls)) return false;  // the message was shown; stay open
  End(wxID_OK);
  return true;
}

void CModelDialog::PressCancel() {
  m_model.OnCancel(m_controls);
  End(wxID_CANCEL);
}

void CModelDialog::OnButton(wxCommandEvent& e) {
  if (e.GetId() == wxID_OK)
    PressOK();
  else if (e.GetId() == wxID_CANCEL)
    PressCancel();
  else
    m_model.OnClicked(e.GetId(), m_controls);
}

void CModelDialog::OnClick(wxCommandEvent& e) {
  m_model.OnClicked(e.GetId(), m_controls);
  e.Skip();
}

void CModelDialog::OnSelect(wxCommandEvent& e) {
  m_model.OnSelChange(e.GetId(), m_controls);
  e.Skip();
}

void CModelDialog::OnText(wxCommandEvent& e) {
  // Only the user's edits come here: the controls are filled with
  // ChangeValue, which sends no event.
  m_model.OnChange(e.GetId(), m_controls);
  e.Skip();
}

void CModelDialog::OnScrollBar(wxScrollEvent& e) {
  const wxEventType t = e.GetEventType();
  int code = kScrollEnd;
  if (t == wxEVT_SCROLL_LINEUP)
    code = kScrollLineUp;
  else if (t == wxEVT_SCROLL_LINEDOWN)
    code = kScrollLineDown;
  else if (t == wxEVT_SCROLL_PAGEUP)
    code = kScrollPageUp;
  else if (t == wxEVT_SCROLL_PAGEDOWN)
    code = kScrollPageDown;
  else if (t == wxEVT_SCROLL_THUMBRELEASE)
    code = kScrollThumbPosition;
  else if (t == wxEVT_SCROLL_THUMBTRACK)
    code = kScrollThumbTrack;
  else if (t == wxEVT_SCROLL_TOP)
    code = kScrollTop;
  else if (t == wxEVT_SCROLL_BOTTOM)
    code = kScrollBottom;
  m_model.OnScroll(e.GetId(), code, e.GetPosition(), m_controls);
}

void CModelDialog::OnSpin(wxCommandEvent& e) {
  // The toolkit's spin event types are its scroll bars' line steps, so a
  // scroll bar's or slider's arrow arrives here as well (as a scroll event,
  // handled by the last handler bound): it goes to the scroll bar's handler,
  // not reversed as an arrow of a spin button.
  auto* spin = dynamic_cast<wxSpinButton*>(e.GetEventObject());
  auto* spinEvent = dynamic_cast<wxSpinEvent*>(&e);
  if (!spin || !spinEvent) {
    if (auto* scroll = dynamic_cast<wxScrollEvent*>(&e))
      OnScrollBar(*scroll);
    else
      e.Skip();
    return;
  }
  // The up arrow steps up (line right), the down arrow down (line left).
  m_model.OnScroll(e.GetId(), e.GetEventType() == wxEVT_SPIN_UP ? kScrollLineDown : kScrollLineUp, 0, m_controls);
  // The arrows keep no value of their own: back to the middle, so they
  // never reach an end and stop.
  spin->SetValue(0);
  spinEvent->Veto();
}

void CModelDialog::OnCharHook(wxKeyEvent& e) {
  // Esc cancels through the model even in a dialog without a Cancel button
  // (the toolkit would press OK there).
  if (e.GetKeyCode() == WXK_ESCAPE) {
    PressCancel();
    return;
  }
  e.Skip();
}

void CModelDialog::OnClose(wxCloseEvent&) { PressCancel(); }

// ---- windows by id ---------------------------------------------------------------

namespace {

std::map<int, DialogWindowFactory>& Factories() {
  static std::map<int, DialogWindowFactory> f;
  return f;
}

class CWxModeless : public IModelessDialog {
 public:
  explicit CWxModeless(CModelDialog* d) : m_dialog(d) {}
  ~CWxModeless() override {
    if (m_dialog) m_dialog->Destroy();
  }
  IDialogControls& Controls() override { return m_dialog->Controls(); }
  void FocusOwner() override {
    if (CMainFrame* f = MainFrame())
      if (CImageWindow* w = f->ActiveImageWindow()) w->SetFocus();
  }

 private:
  CModelDialog* m_dialog;
};

}  // namespace

void RegisterDialogWindow(int dialogId, DialogWindowFactory factory) { Factories()[dialogId] = std::move(factory); }

CModelDialog* MakeDialogWindow(wxWindow* parent, CDialogModel& model) {
  auto it = Factories().find(model.DialogId());
  return it == Factories().end() ? nullptr : it->second(parent, model);
}

int CWxDialogRunner::DoModal(CDialogModel& model) {
  // A dialog opened from another one (line type from the layer manager)
  // belongs to that one, so it shows above it.
  static std::vector<wxWindow*> open;
  std::unique_ptr<CModelDialog> d(MakeDialogWindow(open.empty() ? MainFrame() : open.back(), model));
  if (!d) return IDCANCEL;
  open.push_back(d.get());
  const int result = d->ShowModal() == wxID_OK ? IDOK : IDCANCEL;
  open.pop_back();
  return result;
}

std::unique_ptr<IModelessDialog> CWxDialogRunner::CreateModeless(CDialogModel& model) {
  CModelDialog* d = MakeDialogWindow(MainFrame(), model);
  if (!d) return nullptr;
  d->Show();
  return std::make_unique<CWxModeless>(d);
}

// ---- layout helpers ---------------------------------------------------------------

wxSizer* DialogButtons(wxWindow* d, const char* okText, bool withCancel) {
  auto* s = new wxBoxSizer(wxHORIZONTAL);
  s->AddStretchSpacer();
  auto* ok = new wxButton(d, wxID_OK, U8(okText));
  ok->SetDefault();
  s->Add(ok, 0, wxALL, 4);
  if (withCancel) s->Add(new wxButton(d, wxID_CANCEL, U8(text::kButtonCancel)), 0, wxALL, 4);
  return s;
}

wxSizer* MakeButtonRow(wxWindow* d, std::initializer_list<DialogButton> buttons) {
  auto* s = new wxBoxSizer(wxHORIZONTAL);
  s->AddStretchSpacer();
  bool first = true;
  for (const DialogButton& b : buttons) {
    auto* button = new wxButton(d, b.id, U8(b.text));
    if (first) button->SetDefault();
    first = false;
    s->Add(button, 0, wxALL, 4);
  }
  return s;
}

CModelDialog* FinishDialog(CModelDialog* d, wxSizer* body, const char* okText, bool withCancel) {
  body->Add(DialogButtons(d, okText, withCancel), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(body);
  d->Finish();
  return d;
}

CModelDialog* FinishDialog(CModelDialog* d, wxSizer* body, wxSizer* buttons) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(body, 1, wxEXPAND | wxALL, 8);
  top->Add(buttons, 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

wxTextCtrl* MakeEdit(wxWindow* parent, int id, int width, long style) {
  return new wxTextCtrl(parent, id, wxEmptyString, wxDefaultPosition, wxSize(width, -1), style);
}

wxStaticText* MakeLabel(wxWindow* parent, const char* text, int id) { return new wxStaticText(parent, id, U8(text)); }

wxSizer* LabelledRow(wxWindow* parent, const char* label, wxWindow* control) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(MakeLabel(parent, label), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  row->Add(control, 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  return row;
}

wxStaticBoxSizer* MakeGroup(wxWindow* parent, const char* caption, int orient) {
  return new wxStaticBoxSizer(orient, parent, U8(caption));
}

wxRadioButton* MakeRadio(wxWindow* parent, int id, const char* text, bool first) {
  return new wxRadioButton(parent, id, U8(text), wxDefaultPosition, wxDefaultSize, first ? wxRB_GROUP : 0);
}

wxRadioButton* MakeNoChoice(wxWindow* parent) {
  auto* none = new wxRadioButton(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxRB_GROUP,
                                 wxDefaultValidator, kNoChoice);
  none->Hide();
  return none;
}

CModelDialog* MakeRotateImageDialog(wxWindow* parent, CRotateImageDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kRotateImageTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(
      new wxRadioButton(d, CRotateImageDlg::kLeft, U8(text::kRotateLeft), wxDefaultPosition, wxDefaultSize, wxRB_GROUP),
      0, wxALL, 6);
  top->Add(new wxRadioButton(d, CRotateImageDlg::kRight, U8(text::kRotateRight)), 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticText(d, wxID_ANY, U8(text::kRotationAngle)), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  row->Add(MakeEdit(d, CRotateImageDlg::kAngle), 0, wxALL, 4);
  row->Add(new wxStaticText(d, wxID_ANY, U8(text::kDegreesRange)), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  top->Add(row, 0, wxALL, 2);
  top->Add(DialogButtons(d), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

CModelDialog* MakeDeleteIdRangeDialog(wxWindow* parent, CDeleteIDRangeDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kDeleteIdRangeTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* group = new wxStaticBoxSizer(wxHORIZONTAL, d, U8(text::kIdRange));
  group->Add(new wxStaticText(group->GetStaticBox(), wxID_ANY, U8(text::kFrom)), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  group->Add(MakeEdit(group->GetStaticBox(), CDeleteIDRangeDlg::kFrom), 0, wxALL, 4);
  group->Add(new wxStaticText(group->GetStaticBox(), wxID_ANY, U8(text::kTo)), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  group->Add(MakeEdit(group->GetStaticBox(), CDeleteIDRangeDlg::kTo), 0, wxALL, 4);
  top->Add(group, 0, wxALL, 6);
  top->Add(DialogButtons(d), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

CModelDialog* MakeOverlaySetDialog(wxWindow* parent, COverlaySetDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kOverlaySettingsTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxCheckBox(d, COverlaySetDlg::kOverlay, U8(text::kOverlayOnOff)), 0, wxALL, 6);
  top->Add(new wxCheckBox(d, COverlaySetDlg::kBlend, U8(text::kBlendOnOff)), 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
  auto* group = new wxStaticBoxSizer(wxHORIZONTAL, d, U8(text::kBackgroundColour));
  MakeNoChoice(group->GetStaticBox());
  group->Add(new wxRadioButton(group->GetStaticBox(), COverlaySetDlg::kColour, U8(text::kScanModeColour)), 0, wxALL, 4);
  group->Add(new wxRadioButton(group->GetStaticBox(), COverlaySetDlg::kGrey, U8(text::kScanModeGrey)), 0, wxALL, 4);
  top->Add(group, 0, wxEXPAND | wxALL, 6);
  top->Add(DialogButtons(d), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

void RegisterDialogWindows() {
  RegisterDialogWindow(&MakeRotateImageDialog);
  RegisterDialogWindow(&MakeDeleteIdRangeDialog);
  RegisterDialogWindow(&MakeOverlaySetDialog);
}

}  // namespace qzn
