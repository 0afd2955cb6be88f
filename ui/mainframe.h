// The main window: an MDI parent frame (tabbed on GTK) with the menu bar,
// the basic toolbar (kBasicBarTitle) and the view toolbar (kViewBarTitle) with the
// current-layer combo, docked by AUI, and the status bar with its message,
// coordinate, CAP, NUM and SCRL panes and a progress gauge.
#pragma once

#include <memory>
#include <string>

#include <wx/aui/aui.h>
#include <wx/choice.h>
#include <wx/docmdi.h>
#include <wx/filehistory.h>
#include <wx/gauge.h>
#include <wx/timer.h>

#include "ui/commands.h"

namespace qzn {

class CQznDoc;

class CImageWindow;

// The current-layer combo: the names of the visible layers of the active
// workspace, the current one selected.
class CLayerComboBox : public wxChoice {
 public:
  CLayerComboBox(wxWindow* parent, int id);
  // Refills from a document; false without one or when the current layer is
  // not among the visible ones (the list may then be empty).
  bool FillLayers(const CQznDoc* doc);
};

// A toolbar of the main window: buttons with their pictures, and a tooltip
// (the command's text) half a second after the pointer comes to rest on a
// button. The desktop's own tooltip waits for a second movement over the
// button before it starts counting, so it may come seconds late or never.
class CToolBar : public wxAuiToolBar {
 public:
  explicit CToolBar(wxWindow* parent);
  ~CToolBar() override;
  // A button of a command, with its picture and tooltip.
  void AddButton(int command);
  // The tooltip now shown, or null.
  wxWindow* ShownTip() const;
  // What context help shows for the button at a point of the screen: its
  // command's prompt (res::ButtonPrompt); nothing off the buttons.
  wxString GetHelpTextAtPoint(const wxPoint& pt, wxHelpEvent::Origin origin) const override;

  static constexpr int kTipDelayMs = 500;

 private:
  void OnPointerMotion(wxMouseEvent& e);
  void OnPointerLeave(wxMouseEvent& e);
  void OnPointerDown(wxMouseEvent& e);
  void OnTipTimer(wxTimerEvent& e);
  void HideTip();

  wxTimer m_tipTimer;
  int m_tipTool = wxID_NONE;  // the button the pointer rests on
  class CTipWindow* m_tip = nullptr;
  wxDECLARE_EVENT_TABLE();
};

// The view toolbar: the combo takes its slot while the bar lies
// horizontally; docked vertically the slot is a narrow gap and the combo
// hides.
class CComboToolBar : public CToolBar {
 public:
  CComboToolBar(wxWindow* parent);
  CLayerComboBox* Combo() const { return m_combo; }
  bool IsVertical() const { return m_vertical; }
  // Follows the orientation the dock gave the bar; true when it changed.
  bool SyncOrientation();

 private:
  CLayerComboBox* m_combo;
  bool m_vertical = false;
};

class CMainFrame : public wxDocMDIParentFrame {
 public:
  CMainFrame(wxDocManager* manager, wxFileHistory* history);
  ~CMainFrame() override;

  CCommandTable& Commands() { return m_commands; }
  // Shows the frame at the size it has and maximises it once it has been
  // drawn, so that un-maximising gives that size back.
  void ShowMaximized();
  // Runs a command: the active view's table first, then the frame's.
  bool Dispatch(int id);

  void SetMessageText(const std::string& utf8);
  void SetCoordinateText(const std::string& utf8);
  wxString GetMessageText() const;
  void ProgressBegin();
  void ProgressRange(std::int64_t low, std::int64_t high);
  void ProgressPos(std::int64_t pos);
  void ProgressEnd();

  CLayerComboBox* LayerCombo() const { return m_viewBar->Combo(); }
  CComboToolBar* ViewBar() const { return m_viewBar; }
  CToolBar* BasicBar() const { return m_toolBar; }
  wxAuiManager& Aui() { return m_aui; }
  CImageWindow* ActiveImageWindow() const;

  // Docks the view bar on a side (wxAUI_DOCK_*), as the user would.
  void DockViewBar(int direction);

  // The overview of the active view is the only one shown.
  void ShowOnlyOverviewOf(CImageWindow* window);
  // A tab was brought to the front (an image view's, or none for the 3D
  // view's): only its overview shows, and the status line is ready again.
  void OnTabShown(CImageWindow* window);

 protected:
  wxStatusBar* OnCreateStatusBar(int number, long style, wxWindowID id, const wxString& name) override;
#ifdef __WXGTK__
  wxMDIClientWindow* OnCreateClient() override;
#endif

 private:
  void OnMenu(wxCommandEvent& e);
  void OnUpdateUI(wxUpdateUIEvent& e);
  void OnLayerChosen(wxCommandEvent& e);
  void OnIdle(wxIdleEvent& e);
  void OnClose(wxCloseEvent& e);
  void OnFirstDrawn(wxPaintEvent& e);
  void UpdateKeyPanes();
  void FitCoordinatePane(const wxString& text);

  wxAuiManager m_aui;
  CToolBar* m_toolBar = nullptr;
  CComboToolBar* m_viewBar = nullptr;
  wxGauge* m_gauge = nullptr;
  std::int64_t m_progressLow = 0, m_progressHigh = 0;
  int m_coordWidth = 0;
  bool m_hadTabs = false;  // a tab was open when the frame last idled
  CCommandTable m_commands;
};

CMainFrame* MainFrame();

// The dialog's rectangle moved so that its bottom-right corner lies one
// pixel inside the bottom-right corner of the main window's client area, in
// screen coordinates; empty without a dialog or a main window.
wxRect GetDialogCornerRect(wxWindow* dialog);

}  // namespace qzn
