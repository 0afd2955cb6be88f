// The customise-keys dialog kKeysTitle: the commands of the menus with
// their keys, a box that captures a new key combination, and assign, remove
// and reset-all. It edits a copy of the shortcut manager; the caller copies
// it back on OK.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <wx/dialog.h>
#include <wx/listbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/vlbox.h>

#include "widgets/core/shortcuts.h"

namespace qzn {

// Control ids of the dialog.
enum : int {
  IDC_COMMANDS = 1000,
  IDC_KEYS = 1004,
  IDC_ASSIGN = 1005,
  IDC_REMOVE = 1006,
  IDC_RESET_ALL = 1007,
  IDC_ASSIGNED_TO = 1009,
  IDC_NEW_KEY = 1013,
};

// Captures one key combination: modifiers held, then a key. The box shows
// "Ctrl", "Alt", "Shift" (those held) and the key's name joined by "+"; the
// combination stays after the keys are released, and the next key press
// starts a new one.
class CShortcutKeyEdit : public wxTextCtrl {
 public:
  CShortcutKeyEdit(wxWindow* parent, wxWindowID id);

  // False until a combination is complete.
  bool GetKey(std::uint16_t& key, bool& ctrl, bool& alt, bool& shift) const;
  void Clear() override;
  // One key going down or up (virtual-key code); the window's key events
  // come here.
  void OnKey(int vk, bool down, bool repeat);

 private:
  void HandleKeyDown(wxKeyEvent& event);
  void HandleKeyUp(wxKeyEvent& event);
  void Display();

  bool m_bKeyDefined = false;
  std::uint16_t m_wVirtKey = 0;
  bool m_bCtrlPressed = false, m_bAltPressed = false, m_bShiftPressed = false;
};

// The keys of one command, drawn by the list: a locked key (from the menu)
// in grey text, a selected one on the highlight colour.
class CKeyListBox : public wxVListBox {
 public:
  CKeyListBox(wxWindow* parent, wxWindowID id);

  // Keeps the entries sorted by text; returns the index.
  int AddKey(const std::string& text, const CShortcutKey& key);
  void DeleteKey(int index);
  void ClearKeys();
  int GetCount() const { return static_cast<int>(m_items.size()); }
  const std::string& GetText(int index) const { return m_items[static_cast<std::size_t>(index)].text; }
  const CShortcutKey& GetKeyData(int index) const { return m_items[static_cast<std::size_t>(index)].key; }

 protected:
  void OnDrawItem(wxDC& dc, const wxRect& rect, size_t n) const override;
  wxCoord OnMeasureItem(size_t n) const override;
  void OnDrawBackground(wxDC& dc, const wxRect& rect, size_t n) const override;

 private:
  struct CItem {
    std::string text;
    CShortcutKey key;
  };
  std::vector<CItem> m_items;
  wxColour m_crHighlight, m_crHighlightText, m_crGrayText, m_crWindow;
};

// What the dialog's buttons and lists do, on the manager being edited.
class CShortcutDlgHelper {
 public:
  virtual ~CShortcutDlgHelper() = default;
  void Attach(CShortcutManager* manager, CShortcutKeyEdit* edit, CKeyListBox* keys, wxListBox* commands,
              wxStaticText* assigned);
  void FillCommands();
  void OnSelectCommand();
  void Assign();
  void Remove();
  void ResetAll();

 private:
  std::uint16_t SelectedCommand() const;

  CShortcutManager* m_pManager = nullptr;
  CShortcutKeyEdit* m_pEdit = nullptr;
  CKeyListBox* m_pKeys = nullptr;
  wxListBox* m_pCommands = nullptr;
  wxStaticText* m_pAssigned = nullptr;
};

class CCustomizeKeysDlg : public wxDialog {
 public:
  // Edits `manager` (borrowed); without one the dialog ends at once with
  // cancel.
  CCustomizeKeysDlg(wxWindow* parent, CShortcutManager* manager);
  int ShowModal() override;

  wxListBox* Commands() const { return m_pCommands; }
  CKeyListBox* Keys() const { return m_pKeys; }
  CShortcutKeyEdit* KeyEdit() const { return m_pEdit; }
  wxStaticText* AssignedTo() const { return m_pAssigned; }
  CShortcutDlgHelper& Helper() { return m_helper; }

 private:
  CShortcutManager* m_pManager;
  wxListBox* m_pCommands = nullptr;
  CKeyListBox* m_pKeys = nullptr;
  CShortcutKeyEdit* m_pEdit = nullptr;
  wxStaticText* m_pAssigned = nullptr;
  CShortcutDlgHelper m_helper;
};

// The View menu's shortcut-keys command: the dialog on a copy of the
// manager; on OK the manager takes the copy over and rebuilds the window's
// accelerator table. True after OK.
bool EditShortcuts(wxWindow* parent, CShortcutManager& manager);

}  // namespace qzn
