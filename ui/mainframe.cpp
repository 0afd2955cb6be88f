#include "ui/mainframe.h"

#include <algorithm>

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

#include <wx/cshelp.h>
#include <wx/dcclient.h>
#include <wx/mdi.h>
#include <wx/popupwin.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include "app/qzndoc.h"
#include "resources/commands.h"
#include "resources/menus.h"
#include "resources/messages_window.h"
#include "resources/strings.h"
#include "resources/toolbars.h"
#include "ui/docview.h"
#include "ui/imagewindow.h"
#include "ui/wxresources.h"
#include "ui/wxtext.h"

namespace qzn {

namespace {

CMainFrame* g_mainFrame = nullptr;

enum Pane : int { kPaneMessage = 0, kPaneCoordinates, kPaneCaps, kPaneNum, kPaneScroll, kPaneGauge, kPaneCount };

}  // namespace

CMainFrame* MainFrame() { return g_mainFrame; }

// ---- CToolBar ---------------------------------------------------------------------

// The tooltip: the desktop's tooltip colours, no focus taken, no pointer
// grabbed (a click goes to the button under it).
class CTipWindow : public wxPopupWindow {
 public:
  CTipWindow(wxWindow* parent, const wxString& text) : wxPopupWindow(parent, wxBORDER_SIMPLE) {
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK));
    auto* label = new wxStaticText(this, wxID_ANY, text);
    label->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(label, 0, wxALL, FromDIP(4));
    SetSizerAndFit(sizer);
  }
};

wxBEGIN_EVENT_TABLE(CToolBar, wxAuiToolBar) EVT_MOTION(CToolBar::OnPointerMotion)
    EVT_LEAVE_WINDOW(CToolBar::OnPointerLeave) EVT_LEFT_DOWN(CToolBar::OnPointerDown) wxEND_EVENT_TABLE()

        CToolBar::CToolBar(wxWindow* parent)
    : wxAuiToolBar(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                   wxAUI_TB_DEFAULT_STYLE | wxAUI_TB_GRIPPER | wxAUI_TB_HORZ_LAYOUT),
      m_tipTimer(this) {
  Bind(wxEVT_TIMER, &CToolBar::OnTipTimer, this);
}

CToolBar::~CToolBar() {
  m_tipTimer.Stop();
  HideTip();
}

void CToolBar::AddButton(int command) {
  const wxString tip = U8(res::ButtonTip(command));
  AddTool(WxId(command), tip, ToolBitmap(command), tip, IsCheckCommand(command) ? wxITEM_CHECK : wxITEM_NORMAL);
}

wxString CToolBar::GetHelpTextAtPoint(const wxPoint& pt, wxHelpEvent::Origin) const {
  if (pt == wxDefaultPosition) return wxString();
  const wxPoint at = ScreenToClient(pt);
  wxAuiToolBarItem* item = FindToolByPosition(at.x, at.y);
  if (!item || item->GetKind() == wxITEM_SEPARATOR || item->GetWindow()) return wxString();
  return U8(res::ButtonPrompt(CommandOfWxId(item->GetId())));
}

wxWindow* CToolBar::ShownTip() const { return m_tip && m_tip->IsShown() ? m_tip : nullptr; }

void CToolBar::OnPointerMotion(wxMouseEvent& e) {
  wxAuiToolBar::OnMotion(e);
  UnsetToolTip();  // the bar's own tooltip, set by the toolkit's bar: ours shows instead
  wxAuiToolBarItem* item = FindToolByPosition(e.GetX(), e.GetY());
  const int tool = item && item->GetKind() != wxITEM_SEPARATOR && !item->GetWindow() && !item->GetShortHelp().empty()
                       ? item->GetId()
                       : wxID_NONE;
  if (tool == m_tipTool) return;
  // The pointer came to another button: its tooltip after the delay.
  HideTip();
  m_tipTool = tool;
  m_tipTimer.Stop();
  if (tool != wxID_NONE && !e.LeftIsDown()) m_tipTimer.StartOnce(kTipDelayMs);
}

void CToolBar::OnPointerLeave(wxMouseEvent& e) {
  wxAuiToolBar::OnLeaveWindow(e);
  m_tipTool = wxID_NONE;
  m_tipTimer.Stop();
  HideTip();
}

void CToolBar::OnPointerDown(wxMouseEvent& e) {
  m_tipTimer.Stop();
  HideTip();
  wxAuiToolBar::OnLeftDown(e);
}

void CToolBar::OnTipTimer(wxTimerEvent&) {
  wxAuiToolBarItem* item = m_tipTool != wxID_NONE ? FindTool(m_tipTool) : nullptr;
  if (!item || m_tip) return;
  m_tip = new CTipWindow(this, item->GetShortHelp());
  // Under the button, as the desktop puts tooltips.
  const wxRect button = item->GetSizerItem() ? item->GetSizerItem()->GetRect() : wxRect();
  m_tip->Position(ClientToScreen(button.GetBottomLeft()) + wxPoint(0, FromDIP(4)), wxSize(0, 0));
  m_tip->Show();
}

void CToolBar::HideTip() {
  if (!m_tip) return;
  m_tip->Destroy();
  m_tip = nullptr;
}

// ---- CLayerComboBox -------------------------------------------------------------

CLayerComboBox::CLayerComboBox(wxWindow* parent, int id)
    : wxChoice(parent, id, wxDefaultPosition, wxSize(res::kLayerComboWidth, -1)) {
  Append(U8(res::LoadString(res::kStrDefaultLayer)));
  SetSelection(0);
}

bool CLayerComboBox::FillLayers(const CQznDoc* doc) {
  if (!doc) return false;
  Clear();
  for (const CLayer& layer : doc->m_layers.m_layers)
    if (layer.IsVisible()) Append(U8(layer.GetName()));
  std::string current;
  if (!doc->m_layers.GetCurrentLayerName(current)) return false;
  const int at = FindString(U8(current), true);
  if (at == wxNOT_FOUND) return false;
  SetSelection(at);
  return true;
}

// ---- CComboToolBar --------------------------------------------------------------

CComboToolBar::CComboToolBar(wxWindow* parent) : CToolBar(parent) {
  const auto buttons = res::ToolbarButtons(res::kToolBarView);
  m_combo = new CLayerComboBox(this, cmd::kLayerCombo);
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const int id = buttons[i];
    if (id == cmd::kLayerCombo) {
      AddControl(m_combo);
    } else if (id == 0) {
      AddSeparator();
    } else {
      AddButton(id);
    }
  }
  Realize();
}

bool CComboToolBar::SyncOrientation() {
  const bool vertical = m_orientation == wxVERTICAL;
  if (vertical == m_vertical) return false;
  m_vertical = vertical;
  wxAuiToolBarItem* item = FindTool(cmd::kLayerCombo);
  if (vertical) {
    m_combo->Hide();
    if (item) item->SetMinSize(wxSize(res::kLayerComboSlotVertical, res::kLayerComboSlotVertical));
  } else {
    if (item) item->SetMinSize(m_combo->GetBestSize());
    m_combo->Show();
  }
  Realize();
  return true;
}

// ---- CStatusBar ------------------------------------------------------------------

namespace {

// The status bar. The toolkit sizes the bar and places a pane's text by the
// height of its own font, while the Chinese texts come from a taller font:
// their glyphs reached below the pane, where a pane's repaint did not clear
// them. Here the bar is as tall as its texts, and each text is centred by
// its own height and kept within its pane.
class CStatusBar : public wxStatusBar {
 public:
  CStatusBar(wxWindow* parent, wxWindowID id, long style, const wxString& name) : wxStatusBar(parent, id, style, name) {
    wxClientDC dc(this);
    dc.SetFont(GetFont());
    // A text of each kind the bar shows: Chinese, digits, Latin letters.
    m_textHeight = std::max(dc.GetCharHeight(), dc.GetTextExtent(U8("就绪 (0.0) Agjpqy")).y);
    SetMinHeight(m_textHeight + 2 * kTextMargin);
  }

 protected:
  wxSize DoGetBestSize() const override {
    return wxSize(wxStatusBar::DoGetBestSize().x, m_textHeight + 2 * kTextMargin + 2 * GetBorderY());
  }
  void DrawFieldText(wxDC& dc, const wxRect& pane, int i, int) override {
    const wxString text = GetStatusText(i);
    if (text.empty()) return;
    wxDCClipper clip(dc, pane);
    wxStatusBar::DrawFieldText(dc, pane, i, dc.GetTextExtent(text).y);
  }

 private:
  static constexpr int kTextMargin = 1;  // pixels above and below a text
  int m_textHeight = 0;
};

}  // namespace

// ---- the tabs ----------------------------------------------------------------------

#ifdef __WXGTK__

namespace {

// The tabs' area: GTK's notebook. The notebook shows its tab strip once a
// page comes and keeps it, empty, after the last page went; under a strip the
// theme paints the notebook's page area in a page's colour (white), where
// before the first tab the frame's grey showed. So the strip is hidden while
// no tab is open, and shown again as a tab comes, before its page is laid
// out (the page gets its size once).
class CTabsClient : public wxMDIClientWindow {
 public:
  void ShowTabStrip(bool show) {
    // The toolkit's own call: wxWidgets has none for its MDI notebook.
    using SetShowTabs = void (*)(GtkWidget*, int);
    static const auto setShowTabs = reinterpret_cast<SetShowTabs>(dlsym(RTLD_DEFAULT, "gtk_notebook_set_show_tabs"));
    if (setShowTabs && m_widget) setShowTabs(m_widget, show ? 1 : 0);
  }
  void AddChild(wxWindowBase* child) override {
    // Every child is a tab, added here before the toolkit's page is made.
    ShowTabStrip(true);
    wxMDIClientWindow::AddChild(child);
  }
};

}  // namespace

wxMDIClientWindow* CMainFrame::OnCreateClient() { return new CTabsClient; }

#endif

// ---- CMainFrame -----------------------------------------------------------------

CMainFrame::CMainFrame(wxDocManager* manager, wxFileHistory* history) {
  // Made in two steps so that the frame's own tabs' area (OnCreateClient) is
  // the one made.
  Create(manager, nullptr, wxID_ANY, U8(res::LoadString(res::kStrAppTitle)), wxDefaultPosition, wxSize(1024, 768));
  g_mainFrame = this;
  wxMenuBar* bar = BuildMenuBar();
  SetMenuBar(bar);
  if (history) {
    // The File menu: the first level of the menu bar's first item.
    const int file = bar->FindMenu(U8(res::SplitMenuPath(res::MainMenu().front().path).front()));
    if (file != wxNOT_FOUND) {
      wxMenu* fileMenu = bar->GetMenu(static_cast<std::size_t>(file));
      history->UseMenu(fileMenu);
      history->AddFilesToMenu(fileMenu);
    }
  }
  SetAcceleratorTable(DefaultAcceleratorTable());

  m_aui.SetManagedWindow(this);
  m_toolBar = new CToolBar(this);
  for (int id : res::ToolbarButtons(res::kToolBarBasic)) {
    if (id == 0)
      m_toolBar->AddSeparator();
    else
      m_toolBar->AddButton(id);
  }
  m_toolBar->Realize();
  m_viewBar = new CComboToolBar(this);
  m_aui.AddPane(GetClientWindow(), wxAuiPaneInfo().CenterPane().Name("client"));
  m_aui.AddPane(m_toolBar,
                wxAuiPaneInfo().Name("basic").Caption(U8(res::text::kBasicBarTitle)).ToolbarPane().Top().Row(0));
  m_aui.AddPane(m_viewBar,
                wxAuiPaneInfo().Name("view").Caption(U8(res::text::kViewBarTitle)).ToolbarPane().Top().Row(1));
  m_aui.Update();

  wxStatusBar* status = CreateStatusBar(kPaneCount);
  wxClientDC dc(status);
  m_coordWidth = dc.GetTextExtent(U8(res::LoadString(res::kStrCoordinatePane))).x + 12;
  const int keyWidth = dc.GetTextExtent("SCRL").x + 12;
  const int widths[kPaneCount] = {-1, m_coordWidth, keyWidth, keyWidth, keyWidth, 120};
  status->SetStatusWidths(kPaneCount, widths);
  m_gauge = new wxGauge(status, wxID_ANY, 1000);
  m_gauge->Hide();
  SetMessageText(res::text::kReady);

  Bind(wxEVT_MENU, &CMainFrame::OnMenu, this, kWxFirstCommand, kWxLastCommand);
  Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateUI, this, kWxFirstCommand, kWxLastCommand);
  Bind(wxEVT_CHOICE, &CMainFrame::OnLayerChosen, this, cmd::kLayerCombo);
  Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);
  Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);

  // The two toolbar switches are the frame's own.
  auto toggle = [this](wxWindow* bar) {
    wxAuiPaneInfo& pane = m_aui.GetPane(bar);
    pane.Show(!pane.IsShown());
    m_aui.Update();
  };
  m_commands.Add(
      cmd::kViewToolBar, [this, toggle] { toggle(m_viewBar); }, {},
      [this] { return m_aui.GetPane(m_viewBar).IsShown(); });
  m_commands.Add(
      cmd::kViewViewBar, [this, toggle] { toggle(m_toolBar); }, {},
      [this] { return m_aui.GetPane(m_toolBar).IsShown(); });
  // The toolkit's context help: the pointer asks, and the next click on a
  // window shows that window's help (a button's prompt) beside it.
  m_commands.Add(cmd::kHelpContext, [this] { wxContextHelp help(this); });
}

wxStatusBar* CMainFrame::OnCreateStatusBar(int number, long style, wxWindowID id, const wxString& name) {
  auto* bar = new CStatusBar(this, id, style, name);
  bar->SetFieldsCount(number);
  return bar;
}

CMainFrame::~CMainFrame() {
  m_aui.UnInit();
  if (g_mainFrame == this) g_mainFrame = nullptr;
}

void CMainFrame::OnClose(wxCloseEvent& e) {
  // Views close first so their overviews go with them.
  e.Skip();
}

void CMainFrame::ShowMaximized() {
  // Maximised before it was first drawn, the frame had no normal size for
  // the window manager and the toolkit to give back: un-maximising left the
  // menu bar alone (the toolkit's least size). Shown first at its size, it
  // is maximised once it has been drawn, by when the window manager has it
  // at that size.
  GetStatusBar()->Bind(wxEVT_PAINT, &CMainFrame::OnFirstDrawn, this);
  Show(true);
}

void CMainFrame::OnFirstDrawn(wxPaintEvent& e) {
  e.Skip();
  GetStatusBar()->Unbind(wxEVT_PAINT, &CMainFrame::OnFirstDrawn, this);
  CallAfter([this] { Maximize(true); });
}

CImageWindow* CMainFrame::ActiveImageWindow() const {
  wxMDIChildFrame* child = GetActiveChild();
  if (!child) return nullptr;
  for (wxWindow* w : child->GetChildren())
    if (auto* iw = dynamic_cast<CImageWindow*>(w)) return iw;
  return nullptr;
}

bool CMainFrame::Dispatch(int id) {
  if (CImageWindow* w = ActiveImageWindow())
    if (w->Commands().Find(id)) return w->Commands().Run(id);
  return m_commands.Run(id);
}

void CMainFrame::OnMenu(wxCommandEvent& e) {
  const int id = CommandOfWxId(e.GetId());
  CImageWindow* w = ActiveImageWindow();
  if ((w && w->Commands().Find(id)) || m_commands.Find(id)) {
    Dispatch(id);
    return;
  }
  e.Skip();  // the toolkit's own (recent files, MDI)
}

void CMainFrame::OnUpdateUI(wxUpdateUIEvent& e) {
  const int id = CommandOfWxId(e.GetId());
  const CommandHandler* h = nullptr;
  if (CImageWindow* w = ActiveImageWindow()) h = w->Commands().Find(id);
  if (!h) h = m_commands.Find(id);
  if (!h) {
    // Recent files belong to the toolkit's history; every other command
    // without a handler yet is disabled.
    if (id >= cmd::kFileMru1 && id < cmd::kFileMru1 + 4) return e.Skip();
    e.Enable(false);
    return;
  }
  e.Enable(!h->enabled || h->enabled());
  if (h->checked) e.Check(h->checked());
}

void CMainFrame::OnLayerChosen(wxCommandEvent&) {
  CImageWindow* w = ActiveImageWindow();
  if (!w || !w->View().Document()) return;
  w->View().Document()->SetCurrentLayer(FromWx(LayerCombo()->GetStringSelection()));
  w->SetFocus();
}

void CMainFrame::OnIdle(wxIdleEvent& e) {
  if (m_viewBar->SyncOrientation()) {
    wxAuiPaneInfo& pane = m_aui.GetPane(m_viewBar);
    pane.BestSize(m_viewBar->GetBestSize());
    m_aui.Update();
  }
  UpdateKeyPanes();
  // With the last tab gone no tool is at work and nothing lies under the
  // pointer: the status line is as at the start, whichever way the tab went.
  const bool tabs = GetActiveChild() != nullptr;
  if (m_hadTabs && !tabs) {
    SetMessageText(res::text::kReady);
    SetStatusText(wxString(), kPaneCoordinates);
#ifdef __WXGTK__
    if (auto* client = dynamic_cast<CTabsClient*>(GetClientWindow())) client->ShowTabStrip(false);
#endif
  }
  m_hadTabs = tabs;
  if (wxDocManager* m = GetDocumentManager())
    for (wxDocument* d : m->GetDocumentsVector())
      if (auto* doc = dynamic_cast<CWxDocument*>(d)) doc->ShowModifiedMark();
  e.Skip();
}

void CMainFrame::DockViewBar(int direction) {
  wxAuiPaneInfo& pane = m_aui.GetPane(m_viewBar);
  pane.Direction(direction).Row(direction == wxAUI_DOCK_TOP ? 1 : 0);
  m_aui.Update();
  // The bar takes the dock's orientation when it next idles; let it now.
  wxIdleEvent idle;
  m_viewBar->ProcessWindowEvent(idle);
  if (m_viewBar->SyncOrientation()) {
    pane.BestSize(m_viewBar->GetBestSize());
    m_aui.Update();
  }
}

void CMainFrame::UpdateKeyPanes() {
  wxStatusBar* s = GetStatusBar();
  if (!s) return;
  auto show = [&](int pane, wxKeyCode key, const char* text) {
    bool on = false;
    // Lock states the display server cannot report count as off.
    on = wxGetKeyState(key);
    const wxString t = on ? wxString(text) : wxString();
    if (s->GetStatusText(pane) != t) s->SetStatusText(t, pane);
  };
  show(kPaneCaps, WXK_CAPITAL, "CAP");
  show(kPaneNum, WXK_NUMLOCK, "NUM");
  show(kPaneScroll, WXK_SCROLL, "SCRL");
}

void CMainFrame::SetMessageText(const std::string& utf8) { SetStatusText(U8(utf8), kPaneMessage); }

wxString CMainFrame::GetMessageText() const {
  return GetStatusBar() ? GetStatusBar()->GetStatusText(kPaneMessage) : wxString();
}

void CMainFrame::FitCoordinatePane(const wxString& text) {
  wxStatusBar* s = GetStatusBar();
  wxClientDC dc(s);
  const int need = dc.GetTextExtent(text).x + 12;
  if (need <= m_coordWidth) return;
  // A long coordinate widens its pane rather than being cut.
  m_coordWidth = need;
  const int keyWidth = dc.GetTextExtent("SCRL").x + 12;
  const int widths[kPaneCount] = {-1, m_coordWidth, keyWidth, keyWidth, keyWidth, 120};
  s->SetStatusWidths(kPaneCount, widths);
}

void CMainFrame::SetCoordinateText(const std::string& utf8) {
  const wxString t = U8(utf8);
  FitCoordinatePane(t);
  SetStatusText(t, kPaneCoordinates);
}

void CMainFrame::ProgressBegin() {
  wxRect r;
  if (GetStatusBar()->GetFieldRect(kPaneGauge, r)) m_gauge->SetSize(r);
  m_gauge->SetValue(0);
  m_gauge->Show();
}

void CMainFrame::ProgressRange(std::int64_t low, std::int64_t high) {
  m_progressLow = low;
  m_progressHigh = high;
}

void CMainFrame::ProgressPos(std::int64_t pos) {
  const std::int64_t span = m_progressHigh - m_progressLow;
  const int v = span > 0 ? static_cast<int>(std::clamp<std::int64_t>((pos - m_progressLow) * 1000 / span, 0, 1000)) : 0;
  if (m_gauge->GetValue() != v) m_gauge->SetValue(v);
}

void CMainFrame::ProgressEnd() { m_gauge->Hide(); }

void CMainFrame::ShowOnlyOverviewOf(CImageWindow* window) {
  wxWindow* client = GetClientWindow();
  if (!client) return;
  for (wxWindow* child : client->GetChildren())
    for (wxWindow* w : child->GetChildren())
      if (auto* iw = dynamic_cast<CImageWindow*>(w)) iw->ShowOverview(iw == window);
}

void CMainFrame::OnTabShown(CImageWindow* window) {
  ShowOnlyOverviewOf(window);
  SetMessageText(res::text::kReady);
}

wxRect GetDialogCornerRect(wxWindow* dialog) {
  CMainFrame* frame = MainFrame();
  if (!dialog || !frame) return wxRect();
  const wxSize client = frame->GetClientSize();
  const wxPoint origin = frame->ClientToScreen(wxPoint(0, 0));
  const wxSize size = dialog->GetSize();
  return wxRect(origin.x + client.x - 1 - size.x, origin.y + client.y - 1 - size.y, size.x, size.y);
}

}  // namespace qzn
