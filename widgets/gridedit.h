// The two small windows that serve the table control: the edit box that
// opens over a cell while its text is edited, and the title tip that shows a
// cell's whole text when it does not fit.
#pragma once

#include <string>

#include <wx/popupwin.h>
#include <wx/textctrl.h>

#include "widgets/core/gridcell.h"

namespace qzn {

class CGridCtrl;

// Ends when it loses the keyboard focus (Tab, Enter, Esc, an arrow that
// leaves, a click elsewhere, the table scrolling): it reports its text and
// the key that ended it to the table and closes.
class CGridCellEdit : public wxTextCtrl, public IGridEditWindow {
 public:
  CGridCellEdit(CGridCtrl* grid, const wxRect& rect, CGridEditAlign align, int controlId, int row, int col,
                const std::string& initialText, int firstChar);

  void SendChar(int ch) override;
  void EndEdit() override;
  void Paste() override { wxTextCtrl::Paste(); }

  int GetLastKey() const { return m_nLastChar; }

 private:
  void HandleKeyDown(wxKeyEvent& event);
  void HandleCharHook(wxKeyEvent& event);
  void HandleChar(wxKeyEvent& event);
  void HandleKillFocus(wxFocusEvent& event);
  void HandleSetFocus(wxFocusEvent& event);
  // Gives the focus back to the table, which ends the edit.
  void Leave(int key, unsigned flags);
  void Widen();

  CGridCtrl* m_pGrid;
  int m_nRow, m_nCol;
  std::string m_sInitText;
  int m_nLastChar = 0;
  unsigned m_nLastFlags = 0;
  bool m_bExitOnArrows;
  bool m_bEnded = false;
  wxRect m_Rect;
  // Where the caret (from == to) or the selection starts out; the toolkit
  // may move them when the box first gets the focus.
  long m_nSelFrom = 0, m_nSelTo = 0;
  bool m_bFocused = false;
};

// A borderless popup over a cell showing its whole text; a click on it goes
// to the table underneath, a second click within the double-click time as a
// double click.
class CGridTitleTip : public wxPopupWindow {
 public:
  explicit CGridTitleTip(CGridCtrl* grid);
  ~CGridTitleTip() override;

  // titleRect and hoverRect in the table's client pixels; shown only when
  // the text (with a blank each side) is wider than the title rectangle.
  void Show(const wxRect& titleRect, const wxString& text, int xOffset, const wxRect* hoverRect, const wxFont& font,
            COLORREF textClr, COLORREF backClr);
  void Hide();
  bool IsTipShown() const { return IsShown(); }
  const wxString& GetTipText() const { return m_text; }

 private:
  void HandlePaint(wxPaintEvent& event);
  void HandleMouse(wxMouseEvent& event);
  void HandleCaptureLost(wxMouseCaptureLostEvent& event);
  void ReleaseCapture();

  CGridCtrl* m_pParentWnd;
  wxRect m_rectHover;  // in the table's client pixels
  wxString m_text;
  wxFont m_font;
  COLORREF m_textClr = CLR_DEFAULT, m_backClr = CLR_DEFAULT;
  long long m_dwLastLButtonDown = -1;  // milliseconds; none yet
  unsigned m_dwDblClickMsecs;
};

}  // namespace qzn
