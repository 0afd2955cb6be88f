#include "widgets/shortcutdlg.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/dc.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/sizer.h>

#include "platform/host.h"
#include "resources/messages_widgets.h"
#include "widgets/core/gridtypes.h"
#include "widgets/keymap.h"
#include "widgets/wxtext.h"
#include "widgets/titlebar.h"

namespace qzn {

// ---- CShortcutKeyEdit ---------------------------------------------------------

CShortcutKeyEdit::CShortcutKeyEdit(wxWindow* parent, wxWindowID id)
    : wxTextCtrl(parent, id, wxString(), wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_TAB | wxTE_PROCESS_ENTER) {
  // Every key goes to the capture, Tab, Enter and Esc included: none of
  // them reaches the dialog or types into the box.
  Bind(wxEVT_CHAR_HOOK, &CShortcutKeyEdit::HandleKeyDown, this);
  Bind(wxEVT_KEY_DOWN, &CShortcutKeyEdit::HandleKeyDown, this);
  Bind(wxEVT_KEY_UP, &CShortcutKeyEdit::HandleKeyUp, this);
  Bind(wxEVT_CHAR, [](wxKeyEvent&) {});
}

bool CShortcutKeyEdit::GetKey(std::uint16_t& key, bool& ctrl, bool& alt, bool& shift) const {
  if (!m_bKeyDefined) return false;
  key = m_wVirtKey;
  ctrl = m_bCtrlPressed;
  alt = m_bAltPressed;
  shift = m_bShiftPressed;
  return true;
}

void CShortcutKeyEdit::Clear() {
  m_bKeyDefined = false;
  m_wVirtKey = 0;
  m_bCtrlPressed = m_bAltPressed = m_bShiftPressed = false;
  ChangeValue(wxString());
}

void CShortcutKeyEdit::OnKey(int vk, bool down, bool repeat) {
  if (vk <= 0) return;  // a key without a virtual-key code cannot be stored
  if (down && !repeat && m_bKeyDefined) Clear();
  if (!m_bKeyDefined) {
    if (vk == VK_SHIFT)
      m_bShiftPressed = down;
    else if (vk == VK_CONTROL)
      m_bCtrlPressed = down;
    else if (vk == VK_MENU)
      m_bAltPressed = down;
    else {
      m_wVirtKey = static_cast<std::uint16_t>(vk);
      if (down) m_bKeyDefined = true;
    }
  }
  Display();
}

void CShortcutKeyEdit::Display() {
  std::vector<std::string> parts;
  if (m_bCtrlPressed) parts.push_back("Ctrl");
  if (m_bAltPressed) parts.push_back("Alt");
  if (m_bShiftPressed) parts.push_back("Shift");
  if (const char* name = m_wVirtKey ? ShortcutKeyName(m_wVirtKey) : nullptr) parts.push_back(name);
  std::string text;
  for (const std::string& p : parts) text += (text.empty() ? "" : "+") + p;
  ChangeValue(U8(text));
  SetInsertionPointEnd();
}

void CShortcutKeyEdit::HandleKeyDown(wxKeyEvent& event) {
  OnKey(VkFromWxKey(event.GetKeyCode()), true, event.IsAutoRepeat());
}

void CShortcutKeyEdit::HandleKeyUp(wxKeyEvent& event) { OnKey(VkFromWxKey(event.GetKeyCode()), false, false); }

// ---- CKeyListBox ----------------------------------------------------------------

CKeyListBox::CKeyListBox(wxWindow* parent, wxWindowID id)
    : wxVListBox(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_THEME),
      m_crHighlight(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT)),
      m_crHighlightText(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT)),
      m_crGrayText(wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT)),
      m_crWindow(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW)) {
  SetBackgroundColour(m_crWindow);
  SetItemCount(0);
  // The selected entry is drawn again when the focus comes or goes.
  Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) {
    Refresh();
    e.Skip();
  });
  Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& e) {
    Refresh();
    e.Skip();
  });
}

int CKeyListBox::AddKey(const std::string& text, const CShortcutKey& key) {
  auto at = std::upper_bound(m_items.begin(), m_items.end(), text,
                             [](const std::string& t, const CItem& item) { return t < item.text; });
  const int index = static_cast<int>(at - m_items.begin());
  m_items.insert(at, CItem{text, key});
  SetItemCount(m_items.size());
  Refresh();
  return index;
}

void CKeyListBox::DeleteKey(int index) {
  if (index < 0 || index >= GetCount()) return;
  m_items.erase(m_items.begin() + index);
  SetItemCount(m_items.size());
  if (GetSelection() >= GetCount()) SetSelection(wxNOT_FOUND);
  Refresh();
}

void CKeyListBox::ClearKeys() {
  m_items.clear();
  SetItemCount(0);
  SetSelection(wxNOT_FOUND);
  Refresh();
}

void CKeyListBox::OnDrawBackground(wxDC& dc, const wxRect& rect, size_t n) const {
  const CItem& item = m_items[n];
  const bool selected = IsSelected(n) && !item.key.m_bLocked;
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(wxBrush(selected ? m_crHighlight : m_crWindow));
  dc.DrawRectangle(rect);
  if (IsCurrent(n) && HasFocus()) wxRendererNative::Get().DrawFocusRect(const_cast<CKeyListBox*>(this), dc, rect, 0);
}

void CKeyListBox::OnDrawItem(wxDC& dc, const wxRect& rect, size_t n) const {
  const CItem& item = m_items[n];
  const bool selected = IsSelected(n) && !item.key.m_bLocked;
  dc.SetTextForeground(item.key.m_bLocked ? m_crGrayText : selected ? m_crHighlightText : GetForegroundColour());
  dc.SetFont(GetFont());
  dc.DrawText(U8(item.text), rect.x + 2, rect.y + (rect.height - dc.GetCharHeight()) / 2);
}

wxCoord CKeyListBox::OnMeasureItem(size_t) const { return GetCharHeight() + 6; }

// ---- CShortcutDlgHelper -----------------------------------------------------------

void CShortcutDlgHelper::Attach(CShortcutManager* manager, CShortcutKeyEdit* edit, CKeyListBox* keys,
                                wxListBox* commands, wxStaticText* assigned) {
  m_pManager = manager;
  m_pEdit = edit;
  m_pKeys = keys;
  m_pCommands = commands;
  m_pAssigned = assigned;
}

std::uint16_t CShortcutDlgHelper::SelectedCommand() const {
  const int sel = m_pCommands->GetSelection();
  if (sel == wxNOT_FOUND) return 0;
  return static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(m_pCommands->GetClientData(sel)));
}

void CShortcutDlgHelper::FillCommands() {
  m_pCommands->Clear();
  m_pAssigned->SetLabel(wxString());
  for (const auto& [text, id] : m_pManager->TextMap())
    m_pCommands->Append(U8(text), reinterpret_cast<void*>(static_cast<std::uintptr_t>(id)));
  if (m_pCommands->GetCount() > 0) m_pCommands->SetSelection(0);
  OnSelectCommand();
}

void CShortcutDlgHelper::OnSelectCommand() {
  m_pKeys->ClearKeys();
  if (const CShortcutCommand* cmd = m_pManager->GetCommand(SelectedCommand()))
    for (const CShortcutKey& key : cmd->m_keys) m_pKeys->AddKey(key.GetString(), key);
  m_pEdit->Clear();
}

void CShortcutDlgHelper::Assign() {
  std::uint16_t key = 0;
  bool ctrl = false, alt = false, shift = false;
  if (!m_pEdit->GetKey(key, ctrl, alt, shift)) return;
  const std::uint8_t flags = FVIRTKEY | (ctrl ? FCONTROL : 0) | (alt ? FALT : 0) | (shift ? FSHIFT : 0);
  constexpr std::uint8_t kModifiers = FCONTROL | FALT | FSHIFT;
  // A combination another command (or this one) has already is named and
  // not added.
  for (const auto& [text, id] : m_pManager->TextMap()) {
    const CShortcutCommand* cmd = m_pManager->GetCommand(id);
    if (!cmd) continue;
    for (const CShortcutKey& k : cmd->m_keys) {
      if (k.m_wKey == key && (k.m_cFlags & kModifiers) == (flags & kModifiers)) {
        m_pAssigned->SetLabel(U8(cmd->m_strText));
        m_pEdit->SelectAll();
        return;
      }
    }
  }
  CShortcutCommand* cmd = m_pManager->GetCommand(SelectedCommand());
  if (!cmd) return;
  const CShortcutKey added(flags, key, false);
  cmd->m_keys.push_back(added);
  m_pKeys->AddKey(added.GetString(), added);
  m_pEdit->Clear();
}

void CShortcutDlgHelper::Remove() {
  const int sel = m_pKeys->GetSelection();
  const std::uint16_t id = SelectedCommand();
  if (sel == wxNOT_FOUND || id == 0) return;
  const CShortcutKey key = m_pKeys->GetKeyData(sel);
  if (key.m_bLocked) {
    Host().MessageBox(res::text::kKeysLocked, MB_OK);
    return;
  }
  CShortcutCommand* cmd = m_pManager->GetCommand(id);
  if (!cmd) {
    Host().MessageBox(res::text::kKeysLookupFailed, MB_OK);
    return;
  }
  auto it = std::find(cmd->m_keys.begin(), cmd->m_keys.end(), key);
  if (it == cmd->m_keys.end()) {
    Host().MessageBox(res::text::kKeysKeyUnavailable, MB_OK);
    return;
  }
  cmd->m_keys.erase(it);
  m_pKeys->DeleteKey(sel);
  m_pEdit->Clear();
  m_pAssigned->SetLabel(wxString());
}

void CShortcutDlgHelper::ResetAll() {
  m_pManager->ResetToDefaults();
  FillCommands();
}

// ---- CCustomizeKeysDlg --------------------------------------------------------------

CCustomizeKeysDlg::CCustomizeKeysDlg(wxWindow* parent, CShortcutManager* manager)
    : wxDialog(parent, wxID_ANY, U8(res::text::kKeysTitle)), m_pManager(manager) {
  auto* left = new wxBoxSizer(wxVERTICAL);
  left->Add(new wxStaticText(this, wxID_ANY, U8(res::text::kKeysCommands)), 0, wxBOTTOM, 3);
  m_pCommands = new wxListBox(this, IDC_COMMANDS, wxDefaultPosition, wxSize(280, 260), 0, nullptr,
                              wxLB_SINGLE | wxLB_SORT | wxLB_HSCROLL);
  left->Add(m_pCommands, 1, wxEXPAND);

  auto* middle = new wxBoxSizer(wxVERTICAL);
  middle->Add(new wxStaticText(this, wxID_ANY, U8(res::text::kKeysCurrent)), 0, wxBOTTOM, 3);
  m_pKeys = new CKeyListBox(this, IDC_KEYS);
  m_pKeys->SetMinSize(wxSize(180, 110));
  middle->Add(m_pKeys, 1, wxEXPAND | wxBOTTOM, 8);
  middle->Add(new wxStaticText(this, wxID_ANY, U8(res::text::kKeysNew)), 0, wxBOTTOM, 3);
  m_pEdit = new CShortcutKeyEdit(this, IDC_NEW_KEY);
  middle->Add(m_pEdit, 0, wxEXPAND | wxBOTTOM, 8);
  middle->Add(new wxStaticText(this, wxID_ANY, U8(res::text::kKeysAssignedTo)), 0, wxBOTTOM, 3);
  m_pAssigned = new wxStaticText(this, IDC_ASSIGNED_TO, wxString(), wxDefaultPosition, wxSize(180, -1),
                                 wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
  middle->Add(m_pAssigned, 0, wxEXPAND);

  auto* buttons = new wxBoxSizer(wxVERTICAL);
  auto* assign = new wxButton(this, IDC_ASSIGN, U8(res::text::kKeysAssign));
  auto* remove = new wxButton(this, IDC_REMOVE, U8(res::text::kKeysRemove));
  auto* reset = new wxButton(this, IDC_RESET_ALL, U8(res::text::kKeysResetAll));
  auto* ok = new wxButton(this, wxID_OK, U8(res::text::kKeysOk));
  auto* cancel = new wxButton(this, wxID_CANCEL, U8(res::text::kKeysCancel));
  for (wxButton* b : {assign, remove, reset}) buttons->Add(b, 0, wxEXPAND | wxBOTTOM, 4);
  buttons->AddStretchSpacer();
  buttons->Add(ok, 0, wxEXPAND | wxBOTTOM, 4);
  buttons->Add(cancel, 0, wxEXPAND);
  ok->SetDefault();

  auto* top = new wxBoxSizer(wxHORIZONTAL);
  top->Add(left, 1, wxEXPAND | wxALL, 8);
  top->Add(middle, 0, wxEXPAND | wxTOP | wxBOTTOM, 8);
  top->Add(buttons, 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(top);
  FitTitleBar(*this);

  m_pCommands->Bind(wxEVT_LISTBOX, [this](wxCommandEvent&) { m_helper.OnSelectCommand(); });
  assign->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_helper.Assign(); });
  remove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_helper.Remove(); });
  reset->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_helper.ResetAll(); });

  if (!m_pManager) return;
  m_helper.Attach(m_pManager, m_pEdit, m_pKeys, m_pCommands, m_pAssigned);
  if (!m_pManager->Commands().empty()) {
    m_helper.FillCommands();
  } else {
    for (wxWindow* w : std::initializer_list<wxWindow*>{assign, remove, reset, m_pEdit}) w->Disable();
  }
  if (!m_pManager->IsDefaultSaved()) reset->Disable();
}

int CCustomizeKeysDlg::ShowModal() {
  if (!m_pManager) return wxID_CANCEL;
  return wxDialog::ShowModal();
}

bool EditShortcuts(wxWindow* parent, CShortcutManager& manager) {
  CShortcutManager edited;
  edited.CopyFrom(manager);
  CCustomizeKeysDlg dlg(parent, &edited);
  if (dlg.ShowModal() != wxID_OK) return false;
  manager.CopyFrom(edited);
  manager.CreateAcceleratorTable();
  return true;
}

}  // namespace qzn
