#include "widgets/gridedit.h"

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/settings.h>
#include <wx/time.h>

#include "widgets/gridctrl.h"
#include "widgets/gridpainter_wx.h"
#include "widgets/keymap.h"
#include "widgets/wxtext.h"

namespace qzn {

namespace {

long EditStyle(CGridEditAlign align) {
  long style = wxBORDER_SIMPLE | wxTE_PROCESS_ENTER | wxTE_PROCESS_TAB;
  if (align == kEditRight) return style | wxTE_RIGHT;
  if (align == kEditCenter) return style | wxTE_CENTRE;
  return style | wxTE_LEFT;
}

unsigned ModifierFlags(const wxKeyEvent& e) {
  return (e.ShiftDown() ? MK_SHIFT : 0u) | (e.ControlDown() ? MK_CONTROL : 0u);
}

}  // namespace

// ---- CGridCellEdit -----------------------------------------------------------

CGridCellEdit::CGridCellEdit(CGridCtrl* grid, const wxRect& rect, CGridEditAlign align, int controlId, int row, int col,
                             const std::string& initialText, int firstChar)
    : wxTextCtrl(grid, controlId, U8(initialText), rect.GetPosition(), rect.GetSize(), EditStyle(align)),
      m_pGrid(grid),
      m_nRow(row),
      m_nCol(col),
      m_sInitText(initialText),
      m_bExitOnArrows(firstChar != VK_LBUTTON),
      m_Rect(rect) {
  SetFont(grid->GetFont());
  Bind(wxEVT_KEY_DOWN, &CGridCellEdit::HandleKeyDown, this);
  Bind(wxEVT_CHAR_HOOK, &CGridCellEdit::HandleCharHook, this);
  Bind(wxEVT_CHAR, &CGridCellEdit::HandleChar, this);
  Bind(wxEVT_KILL_FOCUS, &CGridCellEdit::HandleKillFocus, this);
  Bind(wxEVT_SET_FOCUS, &CGridCellEdit::HandleSetFocus, this);
  SetFocus();
  switch (firstChar) {
    case VK_LBUTTON:
    case VK_RETURN: SetInsertionPointEnd(); break;
    case VK_BACK:
      SetInsertionPointEnd();
      if (GetLastPosition() > 0) Remove(GetLastPosition() - 1, GetLastPosition());
      break;
    case VK_TAB:
    case VK_SPACE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: SelectAll(); break;
    default:
      // Typing replaces the text: the first character goes over the
      // selected whole.
      SelectAll();
      WriteText(wxString(wxUniChar(static_cast<wxUint32>(firstChar))));
      Widen();
      break;
  }
  GetSelection(&m_nSelFrom, &m_nSelTo);
  ShowPosition(GetInsertionPoint());
}

void CGridCellEdit::HandleSetFocus(wxFocusEvent& event) {
  event.Skip();
  if (m_bFocused) return;
  m_bFocused = true;
  CallAfter([this] {
    if (!m_bEnded) SetSelection(m_nSelFrom, m_nSelTo);
  });
}

void CGridCellEdit::SendChar(int ch) {
  if (ch >= 32) {
    WriteText(wxString(wxUniChar(static_cast<wxUint32>(ch))));
    Widen();
  }
}

void CGridCellEdit::Leave(int key, unsigned flags) {
  m_nLastChar = key;
  m_nLastFlags = flags;
  EndEdit();
}

void CGridCellEdit::HandleKeyDown(wxKeyEvent& event) {
  const int vk = VkFromWxKey(event.GetKeyCode());
  switch (vk) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      if (m_bExitOnArrows || event.ControlDown()) {
        Leave(vk, ModifierFlags(event));
        return;
      }
      break;
    default: break;
  }
  event.Skip();
}

void CGridCellEdit::HandleCharHook(wxKeyEvent& event) {
  // Tab, Enter and Esc belong to the edit, not to the dialog around it.
  switch (event.GetKeyCode()) {
    case WXK_TAB:
    case WXK_NUMPAD_TAB: Leave(VK_TAB, ModifierFlags(event)); return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER: Leave(VK_RETURN, ModifierFlags(event)); return;
    case WXK_ESCAPE:
      ChangeValue(U8(m_sInitText));
      Leave(VK_ESCAPE, ModifierFlags(event));
      return;
    default: event.Skip();
  }
}

void CGridCellEdit::HandleChar(wxKeyEvent& event) {
  event.Skip();
  CallAfter([this] { Widen(); });
}

void CGridCellEdit::Widen() {
  if (m_bEnded) return;
  wxClientDC dc(this);
  dc.SetFont(GetFont());
  const int width = dc.GetTextExtent(GetValue() + "  ").x;
  if (width <= m_Rect.width) return;
  const int right = std::min(m_Rect.x + width, m_pGrid->GetClientSize().x);
  m_Rect.width = right - m_Rect.x;
  SetSize(m_Rect);
}

void CGridCellEdit::HandleKillFocus(wxFocusEvent& event) {
  event.Skip();
  EndEdit();
}

void CGridCellEdit::EndEdit() {
  if (m_bEnded) return;
  m_bEnded = true;
  const std::string text = FromWx(GetValue());
  // The table takes the text and may open the next cell's edit, which then
  // has the keyboard focus; otherwise the focus goes back to the table.
  m_pGrid->OnEndInPlaceEdit(m_nRow, m_nCol, text, m_nLastChar, m_nLastFlags);
  wxTextCtrl::Hide();
  bool another = false;
  for (wxWindow* w : m_pGrid->GetChildren()) {
    auto* edit = dynamic_cast<CGridCellEdit*>(w);
    if (edit && edit != this && !edit->m_bEnded) another = true;
  }
  if (!another) m_pGrid->SetFocus();
  // Not deleted inside its own event handlers.
  wxTheApp->ScheduleForDestruction(this);
}

// ---- CGridTitleTip -----------------------------------------------------------

CGridTitleTip::CGridTitleTip(CGridCtrl* grid)
    : wxPopupWindow(grid, wxBORDER_SIMPLE), m_pParentWnd(grid), m_dwDblClickMsecs(GridDesktop().DoubleClickTime()) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &CGridTitleTip::HandlePaint, this);
  Bind(wxEVT_MOTION, &CGridTitleTip::HandleMouse, this);
  Bind(wxEVT_LEFT_DOWN, &CGridTitleTip::HandleMouse, this);
  Bind(wxEVT_LEFT_DCLICK, &CGridTitleTip::HandleMouse, this);
  Bind(wxEVT_RIGHT_DOWN, &CGridTitleTip::HandleMouse, this);
  Bind(wxEVT_MIDDLE_DOWN, &CGridTitleTip::HandleMouse, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &CGridTitleTip::HandleCaptureLost, this);
}

CGridTitleTip::~CGridTitleTip() { ReleaseCapture(); }

void CGridTitleTip::ReleaseCapture() {
  if (HasCapture()) ReleaseMouse();
}

void CGridTitleTip::Show(const wxRect& titleRect, const wxString& text, int xOffset, const wxRect* hoverRect,
                         const wxFont& font, COLORREF textClr, COLORREF backClr) {
  if (titleRect.IsEmpty() || IsShown()) return;
  m_rectHover = hoverRect ? *hoverRect : titleRect;
  m_rectHover.width += 1;
  m_rectHover.height += 1;
  if (!wxWindow::FindFocus()) return;

  m_text = " " + text + " ";
  m_font = font.IsOk() ? font : m_pParentWnd->GetFont();
  m_textClr = textClr;
  m_backClr = backClr;
  wxBitmap bmp(1, 1);
  wxMemoryDC dc(bmp);
  dc.SetFont(m_font);
  const int width = dc.GetTextExtent(m_text).x;
  const int right = titleRect.x + 2 * xOffset + width;
  // Only text that does not fit gets a tip.
  if (right <= titleRect.GetRight() + 1 - xOffset) return;
  const wxPoint origin = m_pParentWnd->ClientToScreen(wxPoint(titleRect.x + xOffset, titleRect.y));
  SetSize(origin.x, origin.y, right - (titleRect.x + xOffset), titleRect.height);
  wxPopupWindow::Show(true);
  Refresh();
  if (!HasCapture()) CaptureMouse();
}

void CGridTitleTip::Hide() {
  ReleaseCapture();
  if (IsShown()) wxPopupWindow::Show(false);
}

void CGridTitleTip::HandlePaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  const wxColour back =
      m_backClr == CLR_DEFAULT ? wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK) : ToWxColour(m_backClr);
  const wxColour text =
      m_textClr == CLR_DEFAULT ? wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT) : ToWxColour(m_textClr);
  dc.SetBackground(wxBrush(back));
  dc.Clear();
  dc.SetFont(m_font);
  dc.SetTextForeground(text);
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  dc.DrawText(m_text, 0, 0);
}

void CGridTitleTip::HandleCaptureLost(wxMouseCaptureLostEvent&) {
  if (IsShown()) wxPopupWindow::Show(false);
}

void CGridTitleTip::HandleMouse(wxMouseEvent& event) {
  // Everything the tip gets goes on to the table at the same place.
  const wxPoint pt = m_pParentWnd->ScreenToClient(ClientToScreen(event.GetPosition()));
  wxMouseEvent forward(event);
  forward.SetEventObject(m_pParentWnd);
  forward.SetId(m_pParentWnd->GetId());
  forward.SetPosition(pt);
  const wxEventType type = event.GetEventType();
  if (type == wxEVT_MOTION) {
    if (m_rectHover.Contains(pt)) return;
    Hide();
  } else {
    if (type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK) {
      // Two presses within the double-click time are a double click.
      const long long now = wxGetLocalTimeMillis().GetValue();
      const bool dbl = m_dwLastLButtonDown >= 0 && now - m_dwLastLButtonDown <= m_dwDblClickMsecs;
      m_dwLastLButtonDown = now;
      forward.SetEventType(dbl ? wxEVT_LEFT_DCLICK : wxEVT_LEFT_DOWN);
    }
    Hide();
  }
  m_pParentWnd->GetEventHandler()->QueueEvent(forward.Clone());
}

}  // namespace qzn
