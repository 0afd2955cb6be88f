#include "ui/imagewindow.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/mdi.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "app/qzndoc.h"
#include "resources/commands.h"
#include "resources/messages_model.h"
#include "resources/messages_window.h"
#include "resources/strings.h"
#include "ui/capturecommands.h"
#include "ui/edittools.h"
#include "ui/mainframe.h"
#include "ui/wxcanvas.h"
#include "ui/wxresources.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

namespace {

// What shows round the display where the window is larger than the image
// at its aspect.
const wxColour kBackground(128, 128, 128);

std::vector<ViewCommandRegistrar>& Registrars() {
  static std::vector<ViewCommandRegistrar> r;
  return r;
}

unsigned MouseFlags(const wxMouseEvent& e) {
  unsigned f = 0;
  if (e.ShiftDown()) f |= kMkShift;
  if (e.ControlDown()) f |= kMkControl;
  if (e.LeftIsDown()) f |= kMkLButton;
  return f;
}

}  // namespace

std::string DocumentTitle(const CQznDoc& doc) {
  const std::string& path = doc.GetPathName();
  return path.empty() ? std::string(text::kUntitled) : std::filesystem::path(path).filename().string();
}

namespace {

// Passes drawing on and counts the calls that put pixels down.
class CountingCanvas : public CShiftedCanvas {
 public:
  explicit CountingCanvas(CCanvas& to) : CShiftedCanvas(to, 0, 0) {}
  int drawn = 0;
  void LineTo(int x, int y) override {
    ++drawn;
    CShiftedCanvas::LineTo(x, y);
  }
  void Polyline(const POINT* p, int n) override {
    ++drawn;
    CShiftedCanvas::Polyline(p, n);
  }
  void Polygon(const POINT* p, int n) override {
    ++drawn;
    CShiftedCanvas::Polygon(p, n);
  }
  void Rectangle(int l, int t, int r, int b) override {
    ++drawn;
    CShiftedCanvas::Rectangle(l, t, r, b);
  }
  void Ellipse(int l, int t, int r, int b) override {
    ++drawn;
    CShiftedCanvas::Ellipse(l, t, r, b);
  }
  void SetPixel(int x, int y, COLORREF c) override {
    ++drawn;
    CShiftedCanvas::SetPixel(x, y, c);
  }
  void TextOut(int x, int y, const std::string& t) override {
    ++drawn;
    CShiftedCanvas::TextOut(x, y, t);
  }
  using CCanvas::Polygon;
  using CCanvas::Polyline;
};

wxRect ToWx(const RECT& r) { return wxRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

}  // namespace

void AddViewCommandRegistrar(ViewCommandRegistrar registrar) { Registrars().push_back(std::move(registrar)); }

void RegisterViewCommands(CCommandTable& t, CQznView& v) {
  t.Add(cmd::kViewZoomIn, [&v] { v.OnViewZoomIn(); });
  t.Add(cmd::kViewZoomOut, [&v] { v.OnViewZoomOut(); });
  t.Add(cmd::kViewFullView, [&v] { v.OnViewFullView(); });
  t.Add(cmd::kViewPreviousView, [&v] { v.OnViewPreviousView(); });
  t.Add(
      cmd::kEditUndo,
      [&v] {
        if (v.Tool()) v.Tool()->Undo();
      },
      [&v] { return v.Tool() && v.Tool()->CanUndo(); });
  for (const ViewCommandRegistrar& r : Registrars()) r(t, v);
}

// ---- CImageWindow ------------------------------------------------------------

CImageWindow::CImageWindow(wxWindow* parent, CQznDoc* doc)
    : CKeysWindow<wxWindow>(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                            wxHSCROLL | wxVSCROLL | wxWANTS_CHARS | wxBORDER_NONE) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  m_view = std::make_unique<CQznView>(doc, this);
  RegisterCaptureCommands(m_commands, this);
  RegisterViewCommands(m_commands, *m_view);
  m_commands.Add(
      cmd::kViewOverview, [this] { ShowOverview(!(m_overviewFrame && m_overviewFrame->IsShown())); },
      [this] { return m_overviewFrame != nullptr; }, [this] { return m_overviewFrame && m_overviewFrame->IsShown(); });
  Bind(wxEVT_PAINT, &CImageWindow::OnPaint, this);
  Bind(wxEVT_SIZE, &CImageWindow::OnSize, this);
  for (auto type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DCLICK, wxEVT_MOTION, wxEVT_RIGHT_DOWN})
    Bind(type, &CImageWindow::OnMouse, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &CImageWindow::OnCaptureLost, this);
  Bind(wxEVT_KEY_DOWN, &CImageWindow::OnKeyDown, this);
  Bind(wxEVT_CHAR, &CImageWindow::OnChar, this);
  Bind(wxEVT_SCROLLWIN_TOP, &CImageWindow::OnScroll, this);
  Bind(wxEVT_SCROLLWIN_BOTTOM, &CImageWindow::OnScroll, this);
  Bind(wxEVT_SCROLLWIN_LINEUP, &CImageWindow::OnScroll, this);
  Bind(wxEVT_SCROLLWIN_LINEDOWN, &CImageWindow::OnScroll, this);
  Bind(wxEVT_SCROLLWIN_PAGEUP, &CImageWindow::OnScroll, this);
  Bind(wxEVT_SCROLLWIN_PAGEDOWN, &CImageWindow::OnScroll, this);
  Bind(wxEVT_SCROLLWIN_THUMBRELEASE, &CImageWindow::OnScroll, this);
  Bind(wxEVT_MENU, &CImageWindow::OnMenu, this);
}

CImageWindow::~CImageWindow() {
  if (HasCapture()) wxWindow::ReleaseMouse();
  if (m_overviewFrame) m_overviewFrame->Destroy();
  m_overviewFrame = nullptr;
  m_view.reset();
}

SIZE CImageWindow::GetClientSize() const {
  const wxSize s = wxWindow::GetClientSize();
  return SIZE{s.x, s.y};
}

void CImageWindow::InvalidateAll() {
  m_dirty = true;
  Refresh(false);
}

void CImageWindow::InvalidateStrips(const std::vector<RECT>& strips) {
  for (const RECT& r : strips) RefreshRect(ToWx(r), false);
}

void CImageWindow::SetScrollBars(int hRange, int hPos, int vRange, int vPos) {
  const CQznView& v = *m_view;
  const int unit = std::max(v.scrollUnit, 1);
  m_hThumb = std::max(1, RectWidth(v.visibleRect) / unit);
  m_vThumb = std::max(1, RectHeight(v.visibleRect) / unit);
  // The thumb is the visible part: a bar showing the whole width is full.
  SetScrollbar(wxHORIZONTAL, hPos, m_hThumb, std::max(hRange, m_hThumb));
  SetScrollbar(wxVERTICAL, vPos, m_vThumb, std::max(vRange, m_vThumb));
}

void CImageWindow::CaptureMouse() {
  if (!HasCapture()) wxWindow::CaptureMouse();
}

void CImageWindow::ReleaseMouse() {
  if (HasCapture()) wxWindow::ReleaseMouse();
}

void CImageWindow::ShowContextMenu(const std::vector<ContextMenuItem>& items, POINT client) {
  std::unique_ptr<wxMenu> menu(BuildPopupMenu(items));
  PopupMenu(menu.get(), client.x, client.y);
}

void CImageWindow::SetStatusText(const std::string& utf8) {
  if (CMainFrame* f = MainFrame()) f->SetMessageText(utf8);
}

void CImageWindow::OnMenu(wxCommandEvent& e) {
  // Context-menu choices are menu commands of the view.
  CMainFrame* f = MainFrame();
  if (!f || !f->Dispatch(CommandOfWxId(e.GetId()))) e.Skip();
}

void CImageWindow::ComposeBase(std::uint8_t* dst, std::int64_t stride, const wxRect& r) const {
  const RgbBitmap& disp = m_view->DisplayBitmap();
  const bool showImage = m_view->flags.image && !disp.empty();
  // The display area: the image, or white under the overlays when the
  // image is switched off or there is none.
  const int areaW = std::clamp<int>(showImage ? disp.width : m_view->clientSize.cx, 0, m_cacheW);
  const int areaH = std::clamp<int>(showImage ? disp.height : m_view->clientSize.cy, 0, m_cacheH);
  for (int y = r.y; y < r.y + r.height; ++y) {
    std::uint8_t* row = dst + std::int64_t{y - r.y} * stride;
    const int inside = y < areaH ? std::clamp(areaW - r.x, 0, r.width) : 0;
    if (inside > 0) {
      if (showImage)
        std::memcpy(row, disp.rgb.data() + (std::size_t(y) * disp.width + r.x) * 3, std::size_t(inside) * 3);
      else
        std::memset(row, 255, std::size_t(inside) * 3);
    }
    std::memset(row + std::size_t(inside) * 3, kBackground.Red(), std::size_t(r.width - inside) * 3);
  }
}

void CImageWindow::Recompose() {
  const wxSize size = wxWindow::GetClientSize();
  m_cacheW = std::max(size.x, 1);
  m_cacheH = std::max(size.y, 1);
  m_dirtyRects.clear();
  wxImage img(m_cacheW, m_cacheH, false);
  ComposeBase(img.GetData(), std::int64_t{m_cacheW} * 3, wxRect(0, 0, m_cacheW, m_cacheH));
  m_cache = wxBitmap(img);
  bool drew = false;
  {
    wxMemoryDC dc(m_cache);
    CWxCanvas wx(dc);
    CountingCanvas canvas(wx);
    m_view->DrawOverlays(canvas, RECT{0, 0, m_cacheW, m_cacheH});
    drew = canvas.drawn > 0;
  }
  // The pixels the feedback layer inverts: read back only when overlays
  // were drawn over the image.
  m_cacheImage = drew ? m_cache.ConvertToImage() : img;
  m_dirty = false;
  m_view->RefreshOverview();
}

bool CImageWindow::FeedbackMeets(const wxRect& r) const {
  std::vector<RECT> strips;
  for (const auto& [slot, shape] : m_view->Feedback().Shapes()) CFeedbackLayer::Strips(shape, strips);
  for (const RECT& s : strips)
    if (ToWx(s).Intersects(r)) return true;
  return false;
}

void CImageWindow::PaintRect(wxDC& dc, const wxRect& area) {
  const wxRect r = area.Intersect(wxRect(0, 0, m_cacheW, m_cacheH));
  if (r.IsEmpty()) return;
  if (!FeedbackMeets(r)) {
    wxMemoryDC src(m_cache);
    dc.Blit(r.x, r.y, r.width, r.height, &src, r.x, r.y);
    return;
  }
  // The cached pixels of the strip with the feedback shapes inverted over
  // them; the cache itself never changes.
  wxImage patch(r.width, r.height, false);
  std::uint8_t* p = patch.GetData();
  for (int y = 0; y < r.height; ++y)
    std::memcpy(p + std::size_t(y) * r.width * 3, m_cacheImage.GetData() + (std::size_t(r.y + y) * m_cacheW + r.x) * 3,
                std::size_t(r.width) * 3);
  m_view->Feedback().Invert(p, std::int64_t{r.width} * 3, RECT{r.x, r.y, r.GetRight() + 1, r.GetBottom() + 1});
  dc.DrawBitmap(wxBitmap(patch), r.x, r.y);
}

void CImageWindow::RecomposeRects() {
  std::vector<wxRect> rects;
  rects.swap(m_dirtyRects);
  const wxRect all(0, 0, m_cacheW, m_cacheH);
  for (wxRect r : rects) {
    r.Intersect(all);
    if (r.IsEmpty()) continue;
    wxImage base(r.width, r.height, false);
    ComposeBase(base.GetData(), std::int64_t{r.width} * 3, r);
    {
      wxMemoryDC dc(m_cache);
      dc.DrawBitmap(wxBitmap(base), r.x, r.y);
      dc.SetClippingRegion(r);
      CWxCanvas canvas(dc);
      m_view->DrawOverlays(canvas, RECT{r.x, r.y, r.GetRight() + 1, r.GetBottom() + 1});
    }
    // The cached pixels the feedback layer inverts follow the bitmap.
    const wxImage part = m_cache.GetSubBitmap(r).ConvertToImage();
    for (int y = 0; y < r.height; ++y)
      std::memcpy(m_cacheImage.GetData() + (std::size_t(r.y + y) * m_cacheW + r.x) * 3,
                  part.GetData() + std::size_t(y) * r.width * 3, std::size_t(r.width) * 3);
  }
}

void CImageWindow::InvalidateRect(const RECT& client) {
  const wxRect r(client.left, client.top, client.right - client.left, client.bottom - client.top);
  if (r.IsEmpty()) return;
  if (!m_dirty) m_dirtyRects.push_back(r);
  RefreshRect(r, false);
}

bool CImageWindow::RunDialog(ToolDialog& dialog) { return RunToolDialog(this, dialog); }

std::unique_ptr<INoteDialog> CImageWindow::CreateNoteDialog() { return qzn::CreateNoteDialog(this); }

bool CImageWindow::IsEscapeDown() const { return wxGetKeyState(WXK_ESCAPE); }

void CImageWindow::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  const wxSize size = wxWindow::GetClientSize();
  if (m_dirty || size.x != m_cacheW || size.y != m_cacheH) Recompose();
  if (!m_dirtyRects.empty()) RecomposeRects();
  for (wxRegionIterator it(GetUpdateRegion()); it; ++it) PaintRect(dc, it.GetRect());
}

wxImage CImageWindow::Snapshot() {
  if (m_dirty) Recompose();
  if (!m_dirtyRects.empty()) RecomposeRects();
  wxImage img(m_cacheW, m_cacheH, false);
  std::memcpy(img.GetData(), m_cacheImage.GetData(), std::size_t(m_cacheW) * m_cacheH * 3);
  m_view->Feedback().Invert(img.GetData(), std::int64_t{m_cacheW} * 3, RECT{0, 0, m_cacheW, m_cacheH});
  return img;
}

void CImageWindow::OnSize(wxSizeEvent& e) {
  const wxSize s = wxWindow::GetClientSize();
  // A tab cannot be sized to the image: the view fits what it shows to the
  // page (docs/gui.md).
  m_view->OnSize(s.x, s.y);
  m_dirty = true;
  Refresh(false);
  e.Skip();
}

void CImageWindow::TakeFocus() {
  if (auto* top = dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(this)); top && !top->IsActive()) top->Raise();
  SetFocus();
}

void CImageWindow::UpdateCursor() {
  const int id = m_view->CursorId();
  if (id == m_cursorId) return;
  m_cursorId = id;
  SetCursor(id ? MakeCursor(id) : wxNullCursor);
}

void CImageWindow::OnMouse(wxMouseEvent& e) {
  const POINT p{e.GetX(), e.GetY()};
  const unsigned f = MouseFlags(e);
  const wxEventType t = e.GetEventType();
  if (t == wxEVT_LEFT_DOWN) {
    SetFocus();
    m_view->OnLButtonDown(f, p);
  } else if (t == wxEVT_LEFT_UP) {
    m_view->OnLButtonUp(f, p);
  } else if (t == wxEVT_LEFT_DCLICK) {
    m_view->OnLButtonDblClk(f, p);
  } else if (t == wxEVT_MOTION) {
    m_view->OnMouseMove(f, p);
    if (CMainFrame* frame = MainFrame()) frame->SetCoordinateText(FormatCoordinates(g_cursorX, g_cursorY));
  } else if (t == wxEVT_RIGHT_DOWN) {
    m_view->OnRButtonDown(f, p);
  }
  UpdateCursor();
}

void CImageWindow::OnCaptureLost(wxMouseCaptureLostEvent&) { m_view->OnCaptureLost(); }

void CImageWindow::OnKeyDown(wxKeyEvent& e) {
  ViewKey k = ViewKey::kOther;
  switch (e.GetKeyCode()) {
    case WXK_PAGEUP: k = ViewKey::kPageUp; break;
    case WXK_PAGEDOWN: k = ViewKey::kPageDown; break;
    case WXK_UP: k = ViewKey::kUp; break;
    case WXK_DOWN: k = ViewKey::kDown; break;
    case WXK_LEFT: k = ViewKey::kLeft; break;
    case WXK_RIGHT: k = ViewKey::kRight; break;
    case WXK_HOME: k = ViewKey::kHome; break;
    case WXK_END: k = ViewKey::kEnd; break;
    default: break;
  }
  if (k == ViewKey::kOther) {
    e.Skip();
    return;
  }
  m_view->OnKeyDown(k);
}

void CImageWindow::OnChar(wxKeyEvent& e) {
  const int c = e.GetUnicodeKey() != WXK_NONE ? static_cast<int>(e.GetUnicodeKey()) : e.GetKeyCode();
  if (c <= 0) {
    e.Skip();
    return;
  }
  m_view->OnChar(static_cast<unsigned>(c), 1, 0);
}

void CImageWindow::OnScroll(wxScrollWinEvent& e) {
  const bool vertical = e.GetOrientation() == wxVERTICAL;
  const wxEventType t = e.GetEventType();
  int code = kScrollEnd;
  if (t == wxEVT_SCROLLWIN_LINEUP)
    code = kScrollLineUp;
  else if (t == wxEVT_SCROLLWIN_LINEDOWN)
    code = kScrollLineDown;
  else if (t == wxEVT_SCROLLWIN_PAGEUP)
    code = kScrollPageUp;
  else if (t == wxEVT_SCROLLWIN_PAGEDOWN)
    code = kScrollPageDown;
  else if (t == wxEVT_SCROLLWIN_THUMBRELEASE)
    code = kScrollThumbPosition;
  else if (t == wxEVT_SCROLLWIN_TOP)
    code = kScrollTop;
  else if (t == wxEVT_SCROLLWIN_BOTTOM)
    code = kScrollBottom;
  m_view->OnScroll(vertical, code, e.GetPosition());
}

void CImageWindow::ShowOverview(bool show) {
  COverview* ov = m_view->Overview();
  if (!ov) return;
  if (show && !m_overviewFrame) {
    CMainFrame* frame = MainFrame();
    wxWindow* client = frame ? static_cast<wxWindow*>(frame->GetClientWindow()) : GetParent();
    const wxRect area = client->GetScreenRect();
    const wxPoint pos(area.GetRight() - 130, area.GetBottom() - 130 - 24);
    CQznDoc* doc = m_view->Document();
    const std::string title = std::string(res::text::kOverviewTitle) + (doc ? DocumentTitle(*doc) : std::string());
    m_overviewFrame = new COverviewFrame(frame ? static_cast<wxWindow*>(frame) : this, *this, U8(title), pos);
  }
  if (!m_overviewFrame) return;
  ov->visible = show;
  if (show) {
    m_view->UpdateOverview();
    m_overviewFrame->Show();
    m_overviewFrame->Refresh(false);
  } else {
    m_overviewFrame->Hide();
  }
}

void CImageWindow::OverviewChanged() {
  if (m_overviewFrame && m_overviewFrame->IsShown()) m_overviewFrame->Refresh(false);
}

// ---- COverviewFrame -----------------------------------------------------------

COverviewFrame::COverviewFrame(wxWindow* parent, CImageWindow& owner, const wxString& title, const wxPoint& pos)
    : wxFrame(parent, wxID_ANY, title, pos, wxDefaultSize,
              wxCAPTION | wxFRAME_TOOL_WINDOW | wxFRAME_FLOAT_ON_PARENT | wxFRAME_NO_TASKBAR),
      m_owner(owner),
      m_view(owner.View()) {
  m_canvas = new CKeysWindow<wxWindow>(this, wxID_ANY, wxDefaultPosition, wxSize(128, 128));
  m_canvas->SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetClientSize(128, 128);
  if (COverview* ov = m_view.Overview()) ov->SetClientSize(128, 128);
  m_canvas->Bind(wxEVT_PAINT, &COverviewFrame::OnPaint, this);
  for (auto type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_MOTION}) m_canvas->Bind(type, &COverviewFrame::OnMouse, this);
  m_canvas->Bind(wxEVT_MOUSE_CAPTURE_LOST, &COverviewFrame::OnCaptureLost, this);
}

wxImage COverviewFrame::Picture() const {
  COverview* ov = m_view.Overview();
  const int w = ov ? ov->Width() : 128, h = ov ? ov->Height() : 128;
  wxImage img(w, h, false);
  const RgbBitmap* t = ov && !ov->Thumbnail().empty() ? &ov->Thumbnail() : nullptr;
  if (t) {
    // The thumbnail (width a multiple of 4) stretched over the client.
    wxImage thumb(t->width, t->height, false);
    std::memcpy(thumb.GetData(), t->rgb.data(), t->rgb.size());
    img = thumb.Scale(w, h, wxIMAGE_QUALITY_NEAREST);
  } else {
    std::memset(img.GetData(), 250, std::size_t(w) * h * 3);
  }
  {
    wxBitmap bmp(img);
    wxMemoryDC dc(bmp);
    if (ov) {
      const RECT r = ov->ViewRect();
      dc.SetPen(wxPen(ToWx(COverview::kOutline)));
      dc.DrawLine(r.left, r.top, r.right - 1, r.top);
      dc.DrawLine(r.right - 1, r.top, r.right - 1, r.bottom - 1);
      dc.DrawLine(r.right - 1, r.bottom - 1, r.left, r.bottom - 1);
      dc.DrawLine(r.left, r.bottom - 1, r.left, r.top);
    }
    dc.SelectObject(wxNullBitmap);
    img = bmp.ConvertToImage();
  }
  if (ov) ov->Feedback().Invert(img.GetData(), std::int64_t{w} * 3, RECT{0, 0, w, h});
  return img;
}

void COverviewFrame::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(m_canvas);
  dc.DrawBitmap(wxBitmap(Picture()), 0, 0);
}

void COverviewFrame::OnMouse(wxMouseEvent& e) {
  COverview* ov = m_view.Overview();
  if (!ov) return;
  const POINT p{e.GetX(), e.GetY()};
  if (e.GetEventType() == wxEVT_LEFT_DOWN) {
    ov->OnLButtonDown(p);
    if (ov->Dragging() && !m_canvas->HasCapture()) m_canvas->CaptureMouse();
  } else if (e.GetEventType() == wxEVT_MOTION) {
    if (!ov->Dragging()) return;
    ov->OnMouseMove(POINT{std::clamp(p.x, 0, ov->Width() - 1), std::clamp(p.y, 0, ov->Height() - 1)});
  } else {
    if (m_canvas->HasCapture()) m_canvas->ReleaseMouse();
    const bool moved = ov->Dragging();
    ov->OnLButtonUp(POINT{std::clamp(p.x, 0, ov->Width() - 1), std::clamp(p.y, 0, ov->Height() - 1)});
    // The keys belong to the image again, as after a click in it: F5, the
    // arrows and +/- work at once.
    if (moved) m_owner.TakeFocus();
  }
  m_canvas->Refresh(false);
}

void COverviewFrame::OnCaptureLost(wxMouseCaptureLostEvent&) {
  if (COverview* ov = m_view.Overview()) ov->OnCaptureLost();
  m_canvas->Refresh(false);
}

}  // namespace qzn
