// Helpers of the window tests: a frame around a table control, simulated
// mouse and key events sent through the window's own event handling, and
// letting the toolkit run for a while (paints, timers, queued events).
#pragma once

#include <dlfcn.h>

#include <chrono>
#include <string>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "widgets/gridctrl.h"
#include "widgets/shortcutdlg.h"

namespace qzntest {

using namespace qzn;

// Runs the toolkit's pending work for about `ms` milliseconds.
inline void Pump(int ms = 50) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    wxTheApp->ProcessPendingEvents();
    while (wxEventLoopBase::GetActive() && wxEventLoopBase::GetActive()->Pending())
      wxEventLoopBase::GetActive()->Dispatch();
    wxYield();
    wxMilliSleep(2);
  } while (std::chrono::steady_clock::now() < end);
}

// Gives a frame the keyboard of the display as the desktop would when it is
// clicked (the test display has no window manager to do it).
inline void Activate(wxTopLevelWindow* frame) {
  using PresentFn = void (*)(void*);
  if (auto present = reinterpret_cast<PresentFn>(dlsym(RTLD_DEFAULT, "gtk_window_present")))
    present(frame->GetHandle());
  for (int i = 0; i < 50 && !frame->IsActive(); ++i) Pump(20);
}

struct Mods {
  bool shift = false, ctrl = false, alt = false;
};

inline void SendMouse(wxWindow* w, wxEventType type, wxPoint p, Mods m = {}, bool leftDown = false, int wheel = 0) {
  wxMouseEvent e(type);
  e.SetEventObject(w);
  e.SetId(w->GetId());
  e.SetPosition(p);
  e.m_shiftDown = m.shift;
  e.m_controlDown = m.ctrl;
  e.m_altDown = m.alt;
  e.m_leftDown = leftDown || type == wxEVT_LEFT_DOWN;
  if (type == wxEVT_MOUSEWHEEL) {
    e.m_wheelRotation = wheel;
    e.m_wheelDelta = 120;
    e.m_linesPerAction = 3;
    e.m_wheelAxis = wxMOUSE_WHEEL_VERTICAL;
  }
  w->GetEventHandler()->ProcessEvent(e);
}

inline void Click(wxWindow* w, wxPoint p, Mods m = {}) {
  SendMouse(w, wxEVT_LEFT_DOWN, p, m);
  SendMouse(w, wxEVT_LEFT_UP, p, m);
}

// A key press: key down, then (when it was not taken) the character.
inline void SendKey(wxWindow* w, int keyCode, Mods m = {}, wxEventType type = wxEVT_KEY_DOWN, int uni = 0) {
  wxKeyEvent e(type);
  e.SetEventObject(w);
  e.SetId(w->GetId());
  e.m_keyCode = keyCode;
  e.m_isRepeat = false;
  e.m_uniChar = uni ? uni : (keyCode < WXK_START ? keyCode : WXK_NONE);
  e.m_shiftDown = m.shift;
  e.m_controlDown = m.ctrl;
  e.m_altDown = m.alt;
  w->GetEventHandler()->ProcessEvent(e);
}

inline void Type(wxWindow* w, int ch) { SendKey(w, ch, {}, wxEVT_CHAR, ch); }
inline void KeyDown(wxWindow* w, int key) { SendKey(w, key); }
inline void KeyUp(wxWindow* w, int key) { SendKey(w, key, {}, wxEVT_KEY_UP); }

// A button of a dialog pressed.
inline void Press(wxWindow* dlg, int id) {
  wxWindow* button = dlg->FindWindow(id);
  wxCommandEvent e(wxEVT_BUTTON, id);
  e.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(e);
}

// A command of the customise-keys dialog chosen by its menu text.
inline bool SelectCommand(CCustomizeKeysDlg& dlg, const std::string& text) {
  const int n = dlg.Commands()->FindString(wxString::FromUTF8(text));
  if (n == wxNOT_FOUND) return false;
  dlg.Commands()->SetSelection(n);
  wxCommandEvent e(wxEVT_LISTBOX, IDC_COMMANDS);
  e.SetEventObject(dlg.Commands());
  e.SetInt(n);
  dlg.Commands()->GetEventHandler()->ProcessEvent(e);
  return true;
}

// Captures Ctrl+Shift+F5 in the dialog's key box and assigns it to the
// selected command.
inline void AssignCtrlShiftF5(CCustomizeKeysDlg& dlg) {
  KeyDown(dlg.KeyEdit(), WXK_CONTROL);
  KeyDown(dlg.KeyEdit(), WXK_SHIFT);
  KeyDown(dlg.KeyEdit(), WXK_F5);
  Press(&dlg, IDC_ASSIGN);
}

// Runs `work` on the customise-keys dialog once it is shown modally, then
// ends it with `answer`.
template <class F>
void OnKeysDialog(F work, int answer) {
  wxTheApp->CallAfter([work, answer] {
    for (wxWindow* top : wxTopLevelWindows)
      if (auto* dlg = dynamic_cast<CCustomizeKeysDlg*>(top)) {
        work(*dlg);
        dlg->EndModal(answer);
      }
  });
}

// A frame with a table control filling it.
struct GridFrame {
  wxFrame* frame;
  CGridCtrl* grid;
  explicit GridFrame(int rows, int cols, int fixedRows = 1, int fixedCols = 1, wxSize size = wxSize(640, 420)) {
    frame = new wxFrame(nullptr, wxID_ANY, wxString::FromUTF8("QZN 报告"), wxDefaultPosition, size);
    grid = new CGridCtrl(frame, 391, wxDefaultPosition, wxDefaultSize, rows, cols, fixedRows, fixedCols);
    frame->Show();
    frame->SetClientSize(size);
    grid->SetSize(frame->GetClientSize());
    Pump(80);
  }
  ~GridFrame() {
    frame->Destroy();
    Pump(20);
  }
  wxPoint Centre(int row, int col) const {
    RECT r;
    grid->GetCellRect(row, col, r);
    return wxPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
};

}  // namespace qzntest
