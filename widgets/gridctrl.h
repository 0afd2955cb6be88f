// The table control of the vector report and colour-feature dialogs: the
// window around CGridModel. It paints through a bitmap of the update area,
// keeps the scroll bars, forwards mouse, keys and timer ticks to the model,
// opens the in-place edit box and the title tip, exchanges text with the
// clipboard, refuses every drop and prints through the toolkit's print job.
//
// The owner hears of clicks, selection changes and edits through
// CGridNotifyEvent (one event type, EVT_QZN_GRID_NOTIFY, with the list-view
// code of the notification); vetoing LVN_BEGINLABELEDIT cancels an edit,
// vetoing LVN_ENDLABELEDIT puts the old text back. A release over a cell
// also sends EVT_QZN_GRID_COMMAND (a command event with the control's id).
#pragma once

#include <memory>
#include <string>

#include <wx/bitmap.h>
#include <wx/event.h>
#include <wx/timer.h>
#include <wx/window.h>

#include "widgets/core/gridmodel.h"

class wxDC;

namespace qzn {

class CGridTitleTip;
class CGridCellEdit;

class CGridNotifyEvent : public wxNotifyEvent {
 public:
  CGridNotifyEvent(wxEventType type = wxEVT_NULL, int id = 0) : wxNotifyEvent(type, id) {}
  wxEvent* Clone() const override { return new CGridNotifyEvent(*this); }
  int GetCode() const { return m_code; }
  int GetRow() const { return m_row; }
  int GetColumn() const { return m_col; }
  void Set(int code, int row, int col) { m_code = code, m_row = row, m_col = col; }

 private:
  int m_code = 0, m_row = -1, m_col = -1;
};

wxDECLARE_EVENT(EVT_QZN_GRID_NOTIFY, CGridNotifyEvent);
wxDECLARE_EVENT(EVT_QZN_GRID_COMMAND, wxCommandEvent);

namespace detail {
// Installs the toolkit's desktop before the model's default cells are made.
struct CGridDesktopUser {
  CGridDesktopUser();
};
}  // namespace detail

class CGridCtrl : private detail::CGridDesktopUser, public wxWindow, public CGridModel {
 public:
  // The name the control's window carries (the dialogs find it by it).
  static constexpr const char* kWindowName = "QznGridCtrl";

  CGridCtrl(int rows = 0, int cols = 0, int fixedRows = 0, int fixedCols = 0);
  CGridCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
            int rows = 0, int cols = 0, int fixedRows = 0, int fixedCols = 0);
  ~CGridCtrl() override;

  bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize);

  // Repaints the whole control (the model's Refresh).
  void Refresh(bool eraseBackground = true, const wxRect* rect = nullptr) override;
  // The control's font: every default cell takes it.
  bool SetFont(const wxFont& font) override;

  // Prints the whole table: with no device context the print dialog asks
  // for the printer first. False when nothing was printed.
  bool Print(wxDC* dc = nullptr);
  // The job's name: the application's title, or the nearest titled window
  // around the control.
  wxString GetPrintJobName() const;

  // The application's title used in printouts (the program sets it once).
  static void SetApplicationTitle(const std::string& title);

  // For tests and the window: the auto-scroll timer and the title tip.
  wxTimer& AutoScrollTimer() { return m_timer; }
  CGridTitleTip* TitleTip() const { return m_titleTip; }

 protected:
  void InvalidateRect(const RECT& rect) override;
  void InvalidateAll() override;
  void UpdateScrollBar(int bar, bool shown, int maximum, int page, int pos) override;
  int ScrollBarThickness(int bar) const override;
  long SendMessageToParent(int row, int col, int code) override;
  void PostCommandToParent() override;
  void PostScroll(int bar, int code) override;
  void SetAutoScrollTimer(bool on) override;
  void GrabMouse() override;
  void FreeMouse() override;
  bool HasMouseGrab() const override;
  void ShowCursorShape(CGridCursor cursor) override;
  void SetKeyboardFocus() override;
  void ShowTitleTip(const RECT& textRect, const RECT& hoverRect, const std::string& text, const CGridFont* font,
                    COLORREF textClr, COLORREF backClr) override;
  void HideTitleTip() override;
  IGridEditWindow* CreateInPlaceEdit(const RECT& rect, CGridEditAlign align, int controlId, int row, int col,
                                     const std::string& text, int ch) override;
  std::unique_ptr<IGridPainter> CreateMeasurePainter() override;
  bool SetClipboardText(const std::string& text) override;
  bool GetClipboardText(std::string& text) const override;
  bool ClipboardHasText() const override;
  std::string GetPrintTitle() const override;
  std::string GetApplicationTitle() const override;

 private:
  void Init();
  void HandlePaint(wxPaintEvent& event);
  void HandleSize(wxSizeEvent& event);
  void HandleScroll(wxScrollWinEvent& event);
  void HandleMouse(wxMouseEvent& event);
  void HandleWheel(wxMouseEvent& event);
  void HandleCaptureLost(wxMouseCaptureLostEvent& event);
  void HandleKeyDown(wxKeyEvent& event);
  void HandleChar(wxKeyEvent& event);
  void HandleTimer(wxTimerEvent& event);
  void HandleSysColour(wxSysColourChangedEvent& event);
  void HandleCommand(wxCommandEvent& event);
  void HandleUpdateCommand(wxUpdateUIEvent& event);
  static unsigned Modifiers(const wxKeyboardState& state);

  wxTimer m_timer;
  CGridTitleTip* m_titleTip = nullptr;
  bool m_bDropTargetSet = false;
  wxBitmap m_buffer;  // the paint bitmap, kept between paints
};

}  // namespace qzn
