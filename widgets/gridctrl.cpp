#include "widgets/gridctrl.h"

#include <algorithm>

#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/dnd.h>
#include <wx/image.h>
#include <wx/print.h>
#include <wx/printdlg.h>
#include <wx/utils.h>

#include "resources/strings.h"
#include "widgets/gridedit.h"
#include "widgets/gridpainter_wx.h"
#include "widgets/keymap.h"
#include "widgets/wxtext.h"

namespace qzn {

wxDEFINE_EVENT(EVT_QZN_GRID_NOTIFY, CGridNotifyEvent);
wxDEFINE_EVENT(EVT_QZN_GRID_COMMAND, wxCommandEvent);

detail::CGridDesktopUser::CGridDesktopUser() { InstallWxGridDesktop(); }

namespace {

std::string g_appTitle = res::LoadString(res::kStrAppTitle);

// The standard Edit commands, by the toolkit's ids and by the numbers the
// menus of this program carry.
enum : int { kEditCopy = 57634, kEditCut = 57635, kEditPaste = 57637, kEditSelectAll = 57642 };

// Drags are not taken: every drag over the table shows the no-drop cursor.
class CGridDropTarget : public wxDropTarget {
 public:
  explicit CGridDropTarget(CGridCtrl* grid) : m_grid(grid) {
    auto* data = new wxDataObjectComposite;
    data->Add(new wxTextDataObject, true);
    data->Add(new wxFileDataObject);
    SetDataObject(data);
  }
  wxDragResult OnEnter(wxCoord, wxCoord, wxDragResult) override { return wxDragNone; }
  wxDragResult OnDragOver(wxCoord, wxCoord, wxDragResult) override { return wxDragNone; }
  bool OnDrop(wxCoord, wxCoord) override {
    m_grid->OnDropRefused();
    return false;
  }
  wxDragResult OnData(wxCoord, wxCoord, wxDragResult) override { return wxDragNone; }

 private:
  CGridCtrl* m_grid;
};

// The toolkit's print job over the table's pages.
class CGridPrintout : public wxPrintout {
 public:
  CGridPrintout(CGridCtrl* grid, const wxString& title) : wxPrintout(title), m_grid(grid) {}
  void OnPreparePrinting() override {
    wxDC* dc = GetDC();
    if (!dc) return;
    CWxGridPainter painter(*dc);
    const wxSize size = dc->GetSize();
    m_grid->OnBeginPrinting(painter, size.x, size.y);
    m_pages = m_grid->GetPrintLayout().pageCount;
  }
  void GetPageInfo(int* minPage, int* maxPage, int* from, int* to) override {
    *minPage = *from = 1;
    *maxPage = *to = std::max(1, m_pages);
  }
  bool HasPage(int page) override { return page >= 1 && page <= m_pages; }
  bool OnPrintPage(int page) override {
    wxDC* dc = GetDC();
    if (!dc) return false;
    CWxGridPainter painter(*dc);
    m_grid->OnPrint(painter, page);
    return true;
  }
  void OnEndPrinting() override { m_grid->OnEndPrinting(); }

 private:
  CGridCtrl* m_grid;
  int m_pages = 0;
};

int WxScrollCode(wxEventType t) {
  if (t == wxEVT_SCROLLWIN_TOP) return SB_TOP;
  if (t == wxEVT_SCROLLWIN_BOTTOM) return SB_BOTTOM;
  if (t == wxEVT_SCROLLWIN_LINEUP) return SB_LINEUP;
  if (t == wxEVT_SCROLLWIN_LINEDOWN) return SB_LINEDOWN;
  if (t == wxEVT_SCROLLWIN_PAGEUP) return SB_PAGEUP;
  if (t == wxEVT_SCROLLWIN_PAGEDOWN) return SB_PAGEDOWN;
  if (t == wxEVT_SCROLLWIN_THUMBTRACK) return SB_THUMBTRACK;
  if (t == wxEVT_SCROLLWIN_THUMBRELEASE) return SB_THUMBPOSITION;
  return SB_ENDSCROLL;
}

}  // namespace

CGridCtrl::CGridCtrl(int rows, int cols, int fixedRows, int fixedCols) : CGridModel(rows, cols, fixedRows, fixedCols) {
  Init();
}

CGridCtrl::CGridCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, int rows, int cols,
                     int fixedRows, int fixedCols)
    : CGridModel(rows, cols, fixedRows, fixedCols) {
  Init();
  Create(parent, id, pos, size);
}

void CGridCtrl::Init() { m_timer.SetOwner(this); }

CGridCtrl::~CGridCtrl() {
  m_timer.Stop();
  // An open edit reports to the table while the table is still whole; the
  // child windows go before the cells.
  EndEditing();
  HideTitleTip();
  DestroyChildren();
  m_titleTip = nullptr;
  DeleteAllItems();
}

bool CGridCtrl::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size) {
  if (!wxWindow::Create(parent, id, pos, size, wxWANTS_CHARS | wxHSCROLL | wxVSCROLL | wxBORDER_SUNKEN, kWindowName))
    return false;
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &CGridCtrl::HandlePaint, this);
  Bind(wxEVT_SIZE, &CGridCtrl::HandleSize, this);
  for (const wxEventTypeTag<wxScrollWinEvent>& t :
       {wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM, wxEVT_SCROLLWIN_LINEUP, wxEVT_SCROLLWIN_LINEDOWN,
        wxEVT_SCROLLWIN_PAGEUP, wxEVT_SCROLLWIN_PAGEDOWN, wxEVT_SCROLLWIN_THUMBTRACK, wxEVT_SCROLLWIN_THUMBRELEASE})
    Bind(t, &CGridCtrl::HandleScroll, this);
  for (const wxEventTypeTag<wxMouseEvent>& t :
       {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DCLICK, wxEVT_RIGHT_UP, wxEVT_MOTION})
    Bind(t, &CGridCtrl::HandleMouse, this);
  Bind(wxEVT_MOUSEWHEEL, &CGridCtrl::HandleWheel, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &CGridCtrl::HandleCaptureLost, this);
  Bind(wxEVT_KEY_DOWN, &CGridCtrl::HandleKeyDown, this);
  Bind(wxEVT_CHAR, &CGridCtrl::HandleChar, this);
  Bind(wxEVT_TIMER, &CGridCtrl::HandleTimer, this, m_timer.GetId());
  Bind(wxEVT_SYS_COLOUR_CHANGED, &CGridCtrl::HandleSysColour, this);
  for (int id : {static_cast<int>(wxID_COPY), static_cast<int>(wxID_CUT), static_cast<int>(wxID_PASTE),
                 static_cast<int>(wxID_SELECTALL), static_cast<int>(kEditCopy), static_cast<int>(kEditCut),
                 static_cast<int>(kEditPaste), static_cast<int>(kEditSelectAll)}) {
    Bind(wxEVT_MENU, &CGridCtrl::HandleCommand, this, id);
    Bind(wxEVT_UPDATE_UI, &CGridCtrl::HandleUpdateCommand, this, id);
  }
  // The control's own font for the cells: the default cells took the
  // desktop's message font already.
  wxWindow::SetFont(ToWxFont(GetGridFont()));
  const wxSize client = GetClientSize();
  OnSize(client.x, client.y);
  return true;
}

void CGridCtrl::SetApplicationTitle(const std::string& title) { g_appTitle = title; }

// ---- Hooks of the model --------------------------------------------------------

void CGridCtrl::Refresh(bool eraseBackground, const wxRect* rect) {
  if (GetHandle()) wxWindow::Refresh(eraseBackground, rect);
}

bool CGridCtrl::SetFont(const wxFont& font) {
  if (GetHandle()) wxWindow::SetFont(font);
  SetGridFont(FromWxFont(font));
  return true;
}

void CGridCtrl::InvalidateRect(const RECT& r) {
  if (GetHandle()) RefreshRect(wxRect(r.left, r.top, r.right - r.left, r.bottom - r.top), false);
}

void CGridCtrl::InvalidateAll() {
  if (GetHandle()) wxWindow::Refresh(false);
}

void CGridCtrl::UpdateScrollBar(int bar, bool shown, int maximum, int page, int pos) {
  if (!GetHandle()) return;
  const int orient = bar == SB_HORZ ? wxHORIZONTAL : wxVERTICAL;
  if (shown)
    SetScrollbar(orient, pos, page, maximum < INT32_MAX ? maximum + 1 : maximum);
  else
    SetScrollbar(orient, 0, 0, 0);
}

int CGridCtrl::ScrollBarThickness(int bar) const {
  // A bar on screen takes what the client area lost to it; a hidden one
  // what the desktop says a bar takes.
  if (GetHandle() && IsScrollBarShown(bar)) {
    const wxSize outer = GetSize() - GetWindowBorderSize();
    const wxSize client = GetClientSize();
    const int lost = bar == SB_VERT ? outer.x - client.x : outer.y - client.y;
    if (lost > 0) return lost;
  }
  return CGridModel::ScrollBarThickness(bar);
}

long CGridCtrl::SendMessageToParent(int row, int col, int code) {
  if (!GetHandle()) return 0;
  CGridNotifyEvent event(EVT_QZN_GRID_NOTIFY, GetId());
  event.SetEventObject(this);
  event.Set(code, row, col);
  GetEventHandler()->ProcessEvent(event);
  return event.IsAllowed() ? 0 : -1;
}

void CGridCtrl::PostCommandToParent() {
  if (!GetHandle()) return;
  auto* event = new wxCommandEvent(EVT_QZN_GRID_COMMAND, GetId());
  event->SetEventObject(this);
  GetEventHandler()->QueueEvent(event);
}

void CGridCtrl::PostScroll(int bar, int code) {
  // After the wheel event, as posted scroll messages would run.
  CallAfter([this, bar, code] { bar == SB_HORZ ? OnHScroll(code) : OnVScroll(code); });
}

void CGridCtrl::SetAutoScrollTimer(bool on) {
  if (on)
    m_timer.Start(static_cast<int>(kAutoScrollPeriodMs));
  else
    m_timer.Stop();
}

void CGridCtrl::GrabMouse() {
  if (GetHandle() && !HasCapture()) CaptureMouse();
}

void CGridCtrl::FreeMouse() {
  if (GetHandle() && HasCapture()) ReleaseMouse();
}

bool CGridCtrl::HasMouseGrab() const { return GetHandle() && HasCapture(); }

void CGridCtrl::ShowCursorShape(CGridCursor cursor) {
  if (!GetHandle()) return;
  switch (cursor) {
    case CGridCursor::kSizeWE: wxWindow::SetCursor(wxCursor(wxCURSOR_SIZEWE)); break;
    case CGridCursor::kSizeNS: wxWindow::SetCursor(wxCursor(wxCURSOR_SIZENS)); break;
    default: wxWindow::SetCursor(wxNullCursor); break;
  }
}

void CGridCtrl::SetKeyboardFocus() {
  if (GetHandle()) SetFocus();
}

void CGridCtrl::ShowTitleTip(const RECT& textRect, const RECT& hoverRect, const std::string& text,
                             const CGridFont* font, COLORREF textClr, COLORREF backClr) {
  if (!GetHandle()) return;
  if (!m_titleTip) m_titleTip = new CGridTitleTip(this);
  const wxRect title(textRect.left, textRect.top, textRect.right - textRect.left, textRect.bottom - textRect.top);
  const wxRect hover(hoverRect.left, hoverRect.top, hoverRect.right - hoverRect.left, hoverRect.bottom - hoverRect.top);
  m_titleTip->Show(title, U8(text), 0, &hover, font ? ToWxFont(*font) : GetFont(), textClr, backClr);
}

void CGridCtrl::HideTitleTip() {
  if (m_titleTip) m_titleTip->Hide();
}

IGridEditWindow* CGridCtrl::CreateInPlaceEdit(const RECT& rect, CGridEditAlign align, int controlId, int row, int col,
                                              const std::string& text, int ch) {
  if (!GetHandle()) return nullptr;
  const wxRect r(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  return new CGridCellEdit(this, r, align, controlId, row, col, text, ch);
}

std::unique_ptr<IGridPainter> CGridCtrl::CreateMeasurePainter() { return GridDesktop().ScreenPainter(); }

bool CGridCtrl::SetClipboardText(const std::string& text) {
  wxClipboardLocker lock;
  if (!lock) return false;
  return wxTheClipboard->SetData(new wxTextDataObject(U8(text)));
}

bool CGridCtrl::GetClipboardText(std::string& text) const {
  wxClipboardLocker lock;
  if (!lock || !wxTheClipboard->IsSupported(wxDF_UNICODETEXT)) return false;
  wxTextDataObject data;
  if (!wxTheClipboard->GetData(data)) return false;
  text = FromWx(data.GetText());
  return true;
}

bool CGridCtrl::ClipboardHasText() const {
  wxClipboardLocker lock;
  if (!lock) return false;
  return wxTheClipboard->IsSupported(wxDF_UNICODETEXT);
}

std::string CGridCtrl::GetPrintTitle() const {
  for (const wxWindow* w = GetParent(); w; w = w->GetParent())
    if (!w->GetLabel().empty()) return FromWx(w->GetLabel());
  return std::string();
}

std::string CGridCtrl::GetApplicationTitle() const { return g_appTitle; }

wxString CGridCtrl::GetPrintJobName() const {
  const std::string title = GetApplicationTitle();
  return U8(title.empty() ? GetPrintTitle() : title);
}

// ---- Printing -------------------------------------------------------------------

bool CGridCtrl::Print(wxDC* dc) {
  if (!dc) {
    wxPrintDialogData data;
    data.SetAllPages(true);
    data.EnablePageNumbers(false);
    data.EnableSelection(false);
    data.EnablePrintToFile(false);
    wxPrinter printer(&data);
    CGridPrintout printout(this, GetPrintJobName());
    return printer.Print(this, &printout, true);
  }
  // A device context of the caller's (a file, a printer chosen elsewhere):
  // the page loop here.
  if (!dc->StartDoc(GetPrintJobName())) return false;
  {
    CWxGridPainter painter(*dc);
    const wxSize size = dc->GetSize();
    OnBeginPrinting(painter, size.x, size.y);
  }
  bool ok = true;
  for (int page = 1; ok && page <= GetPrintLayout().pageCount; ++page) {
    dc->StartPage();
    CWxGridPainter painter(*dc);
    OnPrint(painter, page);
    dc->EndPage();
    ok = dc->IsOk();
  }
  OnEndPrinting();
  dc->EndDoc();
  return ok;
}

// ---- Events ---------------------------------------------------------------------

unsigned CGridCtrl::Modifiers(const wxKeyboardState& state) {
  return (state.ShiftDown() ? MK_SHIFT : 0u) | (state.ControlDown() ? MK_CONTROL : 0u);
}

void CGridCtrl::HandlePaint(wxPaintEvent&) {
  wxPaintDC pdc(this);
  const wxSize client = GetClientSize();
  wxRect clip = GetUpdateRegion().GetBox();
  if (clip.IsEmpty()) clip = wxRect(client);
  clip.Intersect(wxRect(client));
  if (clip.IsEmpty()) return;
  // One bitmap the size of the update area, kept between paints and grown
  // when needed; the screen gets one copy per paint.
  if (!m_buffer.IsOk() || m_buffer.GetWidth() < clip.width || m_buffer.GetHeight() < clip.height)
    m_buffer.Create(std::max(clip.width, m_buffer.IsOk() ? m_buffer.GetWidth() : 0),
                    std::max(clip.height, m_buffer.IsOk() ? m_buffer.GetHeight() : 0));
  std::vector<wxRect> inverted;
  {
    wxMemoryDC mdc(m_buffer);
    mdc.SetDeviceOrigin(-clip.x, -clip.y);
    CWxGridPainter painter(mdc);
    OnDraw(painter, RECT{clip.x, clip.y, clip.GetRight() + 1, clip.GetBottom() + 1});
    inverted = painter.Inverted();
  }
  // The divider being dragged: its band inverted over the picture.
  for (wxRect r : inverted) {
    r.Offset(-clip.x, -clip.y);
    r.Intersect(wxRect(0, 0, clip.width, clip.height));
    if (r.IsEmpty()) continue;
    wxImage image = m_buffer.GetSubBitmap(r).ConvertToImage();
    unsigned char* p = image.GetData();
    for (long i = 0, n = 3L * image.GetWidth() * image.GetHeight(); i < n; ++i)
      p[i] = static_cast<unsigned char>(255 - p[i]);
    wxMemoryDC mdc(m_buffer);
    mdc.DrawBitmap(wxBitmap(image), r.x, r.y);
  }
  wxMemoryDC src(m_buffer);
  pdc.Blit(clip.x, clip.y, clip.width, clip.height, &src, 0, 0);
}

void CGridCtrl::HandleSize(wxSizeEvent& event) {
  if (!m_bDropTargetSet) {
    SetDropTarget(new CGridDropTarget(this));
    m_bDropTargetSet = true;
  }
  // The toolkit repeats size events of an unchanged size (layouts of the
  // frame): only a real change ends an edit and recomputes the bars.
  const wxSize client = GetClientSize();
  const RECT now = ClientRect();
  if (client.x != now.right || client.y != now.bottom) {
    OnSize(client.x, client.y);
    wxWindow::Refresh(false);
  }
  event.Skip();
}

void CGridCtrl::HandleScroll(wxScrollWinEvent& event) {
  const int code = WxScrollCode(event.GetEventType());
  if (event.GetOrientation() == wxHORIZONTAL)
    OnHScroll(code, event.GetPosition());
  else
    OnVScroll(code, event.GetPosition());
}

void CGridCtrl::HandleMouse(wxMouseEvent& event) {
  const POINT pt{event.GetX(), event.GetY()};
  const unsigned flags = Modifiers(event);
  const wxEventType t = event.GetEventType();
  if (t == wxEVT_LEFT_DOWN) {
    OnLButtonDown(pt, flags);
  } else if (t == wxEVT_LEFT_UP) {
    OnLButtonUp(pt, flags);
  } else if (t == wxEVT_LEFT_DCLICK) {
    OnLButtonDblClk(pt, flags);
  } else if (t == wxEVT_RIGHT_UP) {
    OnRButtonUp(pt, flags);
  } else if (t == wxEVT_MOTION) {
    OnMouseMove(pt, flags, event.LeftIsDown());
  }
  event.Skip();
}

void CGridCtrl::HandleWheel(wxMouseEvent& event) {
  if (event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL) return event.Skip();
  const int delta = event.GetWheelDelta() > 0 ? event.GetWheelRotation() * 120 / event.GetWheelDelta() : 0;
  OnMouseWheel(delta);
}

void CGridCtrl::HandleCaptureLost(wxMouseCaptureLostEvent&) { OnCaptureChanged(); }

void CGridCtrl::HandleKeyDown(wxKeyEvent& event) {
  HideTitleTip();
  const int vk = VkFromWxKey(event.GetKeyCode());
  const unsigned flags = Modifiers(event);
  if (vk == VK_TAB && (!GetHandleTabKey() || event.ControlDown())) {
    // Tab the table does not take moves on in the dialog.
    Navigate(event.ShiftDown() ? wxNavigationKeyEvent::IsBackward : wxNavigationKeyEvent::IsForward);
    return;
  }
  if (vk == 0 || !OnKeyDown(vk, flags)) event.Skip();
}

void CGridCtrl::HandleChar(wxKeyEvent& event) {
  int ch = static_cast<int>(event.GetUnicodeKey());
  if (ch == WXK_NONE) ch = event.GetKeyCode();
  if (ch == WXK_ESCAPE || ch <= 0 || ch == WXK_DELETE) {
    event.Skip();
    return;
  }
  OnChar(ch, Modifiers(event), ch > 127);
}

void CGridCtrl::HandleTimer(wxTimerEvent&) {
  const wxPoint p = ScreenToClient(wxGetMousePosition());
  OnTimer(POINT{p.x, p.y});
}

void CGridCtrl::HandleSysColour(wxSysColourChangedEvent& event) {
  OnSysColorChange();
  wxWindow::Refresh(false);
  event.Skip();
}

void CGridCtrl::HandleCommand(wxCommandEvent& event) {
  const int id = event.GetId();
  if (id == wxID_COPY || id == kEditCopy)
    OnEditCopy();
  else if (id == wxID_CUT || id == kEditCut)
    OnEditCut();
  else if (id == wxID_PASTE || id == kEditPaste)
    OnEditPaste();
  else if (id == wxID_SELECTALL || id == kEditSelectAll)
    OnEditSelectAll();
}

void CGridCtrl::HandleUpdateCommand(wxUpdateUIEvent& event) {
  const int id = event.GetId();
  if (id == wxID_COPY || id == kEditCopy)
    event.Enable(CanCopy());
  else if (id == wxID_CUT || id == kEditCut)
    event.Enable(CanCut());
  else if (id == wxID_PASTE || id == kEditPaste)
    event.Enable(CanPaste());
  else if (id == wxID_SELECTALL || id == kEditSelectAll)
    event.Enable(CanSelectAll());
}

}  // namespace qzn
