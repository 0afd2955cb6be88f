#include "ui/core/qznview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "model/writerlinks.h"
#include "platform/canvas.h"
#include "platform/host.h"
#include "raster/imaging.h"
#include "resources/messages_window.h"
#include "resources/strings.h"
#include "ui/core/editcommands.h"
#include "ui/core/rectops.h"

namespace qzn {

double g_cursorX = 0.0, g_cursorY = 0.0;

std::string FormatCoordinates(double x, double y) {
  const int n = std::snprintf(nullptr, 0, res::text::kCoordinateFormat, x, y);
  std::string s(static_cast<std::size_t>(std::max(n, 0)), '\0');
  std::snprintf(s.data(), s.size() + 1, res::text::kCoordinateFormat, x, y);
  return s;
}

CQznView::CQznView(CQznDoc* document, IViewWindow* window) : m_doc(document), m_window(window) {}

CQznView::~CQznView() {
  if (closeCompanion) closeCompanion();
  // Tools may touch the feedback layer as they go.
  tool.reset();
  parkedTool.reset();
}

RECT CQznView::Extent() const { return m_doc ? m_doc->m_extent : RECT{}; }
int CQznView::GetWorkspaceOriginX() const { return Extent().left; }
int CQznView::GetWorkspaceOriginY() const { return Extent().top; }

bool CQznView::ImageHasPixels() const { return m_doc && m_doc->m_image.HasPixels(); }

// ---- tool host ------------------------------------------------------------------

void CQznView::RefreshFeedback() {
  std::vector<RECT> damage = m_feedback.TakeDamage();
  if (!damage.empty() && m_window) m_window->InvalidateStrips(damage);
}

void CQznView::Refresh() {
  SyncRubberBandShape();
  m_feedback.TakeDamage();  // a full repaint covers every strip
  if (m_window) m_window->InvalidateAll();
}

void CQznView::SetStatusText(const std::string& utf8) {
  if (m_window) m_window->SetStatusText(utf8);
}

void CQznView::CaptureMouse() {
  m_captured = true;
  if (m_window) m_window->CaptureMouse();
}

void CQznView::ReleaseMouse() {
  if (!m_captured) return;
  m_captured = false;
  if (m_window) m_window->ReleaseMouse();
}

int CQznView::MessageBox(const std::string& utf8, unsigned style) { return AfxMessageBox(utf8, style); }

void CQznView::SetRubberBand(const RECT& imageRect) {
  rubberBand = imageRect;
  SyncRubberBandShape();
}

void CQznView::SyncRubberBandShape() {
  if (IsRectEmpty(rubberBand)) {
    m_feedback.Clear(kSlotRubberBand);
    return;
  }
  m_feedback.Set(kSlotRubberBand, FeedbackShape::Frame(ImageToClient(rubberBand)));
}

void CQznView::ShowContextMenu(const std::vector<ContextMenuItem>& items, POINT client) {
  if (m_window) m_window->ShowContextMenu(items, client);
}

int CQznView::MapRows(double* rx, double* ry, const double*& cx, const double*& cy) const {
  if (!followMapTransform) {
    cx = mapCoefX;
    cy = mapCoefY;
    return cx && cy ? mapOrder : 0;
  }
  cx = rx;
  cy = ry;
  if (!m_doc) return 0;
  const MapTransform map = m_doc->GetMapTransform();
  std::copy(map.XRow(), map.XRow() + 4, rx);
  std::copy(map.YRow(), map.YRow() + 4, ry);
  return map.PolynomialType();
}

void CQznView::RefreshImageRect(const RECT& imageRect) {
  SyncRubberBandShape();
  RECT r = ImageToClient(imageRect);
  NormalizeRect(r);
  // The image pixel's whole client span, and a pixel more for rounding.
  const int sx = static_cast<int>(std::ceil(scaleX)), sy = static_cast<int>(std::ceil(scaleY));
  r.left -= 1;
  r.top -= 1;
  r.right += sx + 1;
  r.bottom += sy + 1;
  if (m_window) m_window->InvalidateRect(r);
}

bool CQznView::RunDialog(ToolDialog& dialog) { return m_window && m_window->RunDialog(dialog); }

std::unique_ptr<INoteDialog> CQznView::CreateNoteDialog() { return m_window ? m_window->CreateNoteDialog() : nullptr; }

bool CQznView::IsEscapeDown() const { return m_window && m_window->IsEscapeDown(); }

void CQznView::PostCommand(int id) { m_posted.push_back(id); }

void CQznView::RunPostedCommands() {
  while (!m_posted.empty()) {
    const int id = m_posted.front();
    m_posted.erase(m_posted.begin());
    RunEditCommand(*this, id);
  }
}

void CQznView::SettleTools() {
  if (tool) tool->FinishAndDrop();
  if (parkedTool) parkedTool->FinishAndDrop();
}

bool CQznView::ImageToMapCoords(POINT p, double& x, double& y) const {
  double rx[4], ry[4];
  const double *cx = nullptr, *cy = nullptr;
  const int order = MapRows(rx, ry, cx, cy);
  if (order == 0) return false;
  x = p.x;
  y = p.y;
  ApplyPolynomial(p.x, p.y, cx, cy, order, x, y);  // other orders: unchanged
  return true;
}

bool CQznView::ImageToScaledCoords(POINT p, double& x, double& y) const {
  x = p.x;
  y = p.y;
  if (!ImageHasPixels()) return true;
  const float r = m_doc->m_image.xResolution;
  if (!(r > 0.0f)) return true;
  x = static_cast<float>(p.x) / r;
  y = static_cast<float>(p.y) / r;
  return true;
}

// ---- lifecycle ------------------------------------------------------------------

std::unique_ptr<CEditTool> CQznView::MakeDefaultTool() {
  try {
    return std::make_unique<CDefaultTool>(*this, 101);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void CQznView::OnInitialUpdate() {
  tool = MakeDefaultTool();
  editMode = EditMode::kDefault;
  const RECT ext = Extent();
  const SIZE extentSize{RectWidth(ext) + 1, RectHeight(ext) + 1};
  SIZE client = m_window ? m_window->GetClientSize() : SIZE{1, 1};
  // A window not laid out yet has no area: start from one pixel, the size
  // event that follows gives the real one.
  if (client.cx <= 0 || client.cy <= 0) client = SIZE{1, 1};
  clientSize = FitSizeToAspect(client, extentSize);
  clientSize.cx = AlignDisplayWidth(clientSize.cx, ImageHasPixels());
  visibleRect = ext;
  RecalcZoom();
  UpdateScrollBars();
  if (ImageHasPixels()) {
    AllocDisplayBuffer(true);
    BuildPalette();
    PaintDisplayBuffer();
    CreateOverview();
  }
  Refresh();
}

void CQznView::OnSize(int cx, int cy) {
  if (inResize) return;
  if (cx <= 0 || cy <= 0) return;
  if (!displayValid && ImageHasPixels()) return;
  // A change of the page's size (the user's, or the scroll bars coming or
  // going) is no view of its own: previousRect stays. What was chosen last
  // (by a zoom, a scroll, a recentring, F6, or set from outside) is what a
  // page of any size shows: the whole workspace stays whole, a part is
  // widened about its centre to the page's shape where the workspace has
  // room. It is always the chosen rectangle that is widened, never one an
  // earlier size change widened, so sizes that come and go give back the
  // same picture: the toolkit lays the page out with and without scroll
  // bars whenever they are set, and a resize may be undone.
  if (!(visibleRect == m_fittedRect)) m_chosenRect = visibleRect;
  const RECT ext = Extent();
  if (m_chosenRect == ext) {
    ShowWholeExtent();
  } else {
    visibleRect = GrowRectToAspect(m_chosenRect, SIZE{cx, cy}, ext);
    RefreshChain(SIZE{cx, cy});
  }
  m_fittedRect = visibleRect;
}

SIZE CQznView::PageSize() const {
  SIZE page = m_window ? m_window->GetClientSize() : clientSize;
  if (page.cx <= 0 || page.cy <= 0) page = SIZE{1, 1};
  return page;
}

void CQznView::FitDisplayToPage(SIZE page) {
  // The display is the page reduced to the visible rectangle's shape, so
  // the image is never stretched more one way than the other; the whole
  // workspace takes its aspect from its pixel counts.
  const RECT ext = Extent();
  const SIZE aspect = visibleRect == ext ? SIZE{RectWidth(ext) + 1, RectHeight(ext) + 1}
                                         : SIZE{RectWidth(visibleRect), RectHeight(visibleRect)};
  clientSize = FitSizeToAspect(page, aspect);
  clientSize.cx = AlignDisplayWidth(clientSize.cx, ImageHasPixels());
}

// ---- display pipeline -------------------------------------------------------------

void CQznView::RecalcZoom() {
  const std::int64_t w = std::int64_t{visibleRect.right} - visibleRect.left;
  const std::int64_t h = std::int64_t{visibleRect.bottom} - visibleRect.top;
  if (w == 0 || h == 0) {
    scaleX = scaleY = 1.0;
    return;
  }
  scaleX = static_cast<double>(clientSize.cx) / static_cast<double>(w);
  scaleY = static_cast<double>(clientSize.cy) / static_cast<double>(h);
}

CImageArea CQznView::GetDisplayArea() {
  if (ImageHasPixels()) {
    const CRasterImage& img = m_doc->m_image;
    visibleRect.left = std::max(visibleRect.left, 0);
    visibleRect.top = std::max(visibleRect.top, 0);
    visibleRect.right = std::min(visibleRect.right, img.width - 1);
    visibleRect.bottom = std::min(visibleRect.bottom, img.height - 1);
  }
  CImageArea a;
  a.left = visibleRect.left;
  a.top = visibleRect.top;
  a.width = RectWidth(visibleRect);
  a.height = RectHeight(visibleRect);
  a.plane = 0;
  return a;
}

bool CQznView::AllocDisplayBuffer(bool reset) {
  if (!ImageHasPixels()) return true;
  m_displayBuffer.clear();
  m_displayBuffer.shrink_to_fit();
  const bool rgb = m_doc->m_image.IsRGB();
  const std::int64_t bytes = DisplayRowBytes(clientSize.cx, rgb ? kDisplayRGB : 0) * std::max(clientSize.cy, 0);
  try {
    m_displayBuffer.resize(static_cast<std::size_t>(std::max<std::int64_t>(bytes, 0)));
  } catch (const std::bad_alloc&) {
    displayValid = false;
    AfxMessageBox(res::text::kDisplayNoMemory);
    return false;
  }
  return RenderDisplayBuffer(reset);
}

bool CQznView::RenderDisplayBuffer(bool reset) {
  CWaitCapture wait;
  displayValid = false;
  if (!ImageHasPixels()) return true;
  const CRasterImage& img = m_doc->m_image;
  const bool rgb = img.IsRGB();
  const std::int64_t need = DisplayRowBytes(clientSize.cx, rgb ? kDisplayRGB : 0) * std::max(clientSize.cy, 0);
  if (static_cast<std::int64_t>(m_displayBuffer.size()) != need) {
    try {
      m_displayBuffer.assign(static_cast<std::size_t>(std::max<std::int64_t>(need, 0)), 0);
    } catch (const std::bad_alloc&) {
      m_displayBuffer.clear();
    }
  }
  BYTE map256[256];
  displayExtra = 0;
  std::int32_t param = reset ? 0 : displayColor;
  CImageArea area = GetDisplayArea();
  const int fl = (reset ? kDisplayReset : 0) | (rgb ? kDisplayRGB : 0);
  const std::int64_t r = m_displayBuffer.empty() ? -1
                                                 : GetDisplayBuffer(&img, &area, m_displayBuffer.data(), clientSize.cx,
                                                                    clientSize.cy, nullptr, map256, &param, fl);
  displayValid = r >= 0;
  if (displayValid && reset) displayColor = displayColorReset = param;
  if (!displayValid) {
    AfxMessageBox(reset ? res::text::kDisplayResetNoMemory : res::text::kDisplayNotRestored, MB_OK | MB_ICONSTOP);
  }
  return displayValid;
}

bool CQznView::PaintDisplayBuffer() {
  if (!displayValid) return false;
  RgbBitmap bmp;
  const bool rgb = m_doc->m_image.IsRGB();
  if (!CreateBitmapFromDib(m_displayBuffer.empty() ? nullptr : m_displayBuffer.data(), clientSize.cx, clientSize.cy,
                           rgb, paletteEntries, bmp)) {
    m_bitmap = RgbBitmap{};  // dropped after its message, never shown half-made
    return false;
  }
  m_bitmap = std::move(bmp);
  return true;
}

bool CQznView::RefreshDisplay() {
  if (!RenderDisplayBuffer(false)) return false;
  if (!PaintDisplayBuffer()) return false;
  Refresh();
  return true;
}

bool CQznView::SetDisplayColor(int low, int high) {
  // The imaging library's contrast window: low in bits 0-7, high in 8-15.
  displayColor = (low & 0xFF) | ((high & 0xFF) << 8);
  return RefreshDisplay();
}

bool CQznView::ResetView() {
  rubberBand = RECT{};
  if (!RenderDisplayBuffer(true)) return false;
  if (!BuildPalette()) return false;
  if (!PaintDisplayBuffer()) return false;
  RecalcZoom();
  Refresh();
  return true;
}

bool CQznView::BuildPalette() {
  if (!m_doc) return false;
  paletteCount = CreateImagePalette(m_doc->m_image, paletteEntries);
  return paletteCount > 0;
}

void CQznView::SetDisplayPalette(const PaletteEntry* entries, int count) {
  count = std::clamp(count, 0, 256);
  for (int i = 0; i < count; ++i) paletteEntries[static_cast<std::size_t>(i)] = entries[i];
  PaintDisplayBuffer();
  Refresh();
}

void CQznView::GetDisplayWindow(int& low, int& high) const { DecodeDisplayWindow(displayColor, low, high); }

void CQznView::PreviewThreshold(int low, int high, bool band) {
  ViewPalette p;
  if (band) {
    // Grey values reach palette indices through the display window d..c
    // (index = (value - d) * 255 / (c - d)), so the band's ends are mapped
    // the same way. The window always has width and the values are clamped
    // into it, so both indices lie in 0..255 whatever the window holds.
    int d = 0, c = 255;
    GetDisplayWindow(d, c);
    high = std::clamp(high, d, c);
    low = std::clamp(low, d, high);
    const int i1 = (low - d) * 255 / (c - d);
    const int i2 = (high - d) * 255 / (c - d);
    for (int i = 0; i < 256; ++i) {
      const bool in = i >= i1 && i <= i2;
      p[static_cast<std::size_t>(i)] =
          PaletteEntry{255, static_cast<BYTE>(in ? 0 : 255), static_cast<BYTE>(in ? 0 : 255), kPaletteReserved};
    }
  } else {
    const bool inverted = m_doc && m_doc->m_image.photometric == kPhotometricMinIsWhite;
    for (int i = 0; i < 256; ++i) {
      const BYTE v = static_cast<BYTE>(inverted ? 255 - i : i);
      p[static_cast<std::size_t>(i)] = PaletteEntry{v, v, v, kPaletteReserved};
    }
  }
  SetDisplayPalette(p.data(), 256);
}

void CQznView::UpdateScrollBars() {
  const RECT ext = Extent();
  scrollUnit = ScrollUnitFor(ext);
  const int hRange = static_cast<int>(std::max<std::int64_t>(RectWidth(ext), 0) / scrollUnit);
  const int vRange = static_cast<int>(std::max<std::int64_t>(RectHeight(ext), 0) / scrollUnit);
  const int hPos = static_cast<int>((std::int64_t{visibleRect.left} - ext.left) / scrollUnit);
  const int vPos = static_cast<int>((std::int64_t{visibleRect.top} - ext.top) / scrollUnit);
  if (m_window) m_window->SetScrollBars(hRange, hPos, vRange, vPos);
}

void CQznView::RefreshChain() {
  RefreshChain(PageSize());
  KeepAsChosen();
}

void CQznView::KeepAsChosen() { m_chosenRect = m_fittedRect = visibleRect; }

void CQznView::RefreshChain(SIZE page) {
  FitDisplayToPage(page);
  RecalcZoom();
  UpdateScrollBars();
  AllocDisplayBuffer(false);
  PaintDisplayBuffer();
  Refresh();
}

// ---- drawing ----------------------------------------------------------------------

CChainDrawOptions CQznView::DrawOptions() const {
  CChainDrawOptions opt;
  opt.coordMode = cursorKind;
  opt.nodeColorFlag = userNodeColor;
  opt.endColorFlag = userEndColor;
  opt.showEnds = flags.endPoints;
  opt.showNodes = flags.nodes;
  if (m_doc) {
    opt.nodeColor = m_doc->m_display.nodeColor;
    opt.endColor = m_doc->m_display.endColor;
    opt.layers = &m_doc->m_layers;
  }
  return opt;
}

void CQznView::DrawOverlays(CCanvas& dc, const RECT& clientClip) {
  if (!m_doc) return;
  CQznDoc& doc = *m_doc;
  RECT clip = ClientToImage(clientClip);
  NormalizeRect(clip);
  const CChainDrawOptions opt = DrawOptions();
  auto meets = [](const RECT& a, const RECT& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
  };
  auto inClip = [&](POINT p) { return p.x >= clip.left && p.x <= clip.right && p.y >= clip.top && p.y <= clip.bottom; };

  if (flags.roi)
    for (CChain* c : doc.m_roi) c->DrawWithPen(dc, *this, opt, c->m_color, 1);
  // While IDs are shown: a transparent background, the list's font when it
  // has one and its text colour; the old states come back afterwards.
  struct LabelStyle {
    CCanvas& dc;
    bool on;
    int mode = 0;
    COLORREF colour = 0;
    bool font = false;
    CFont oldFont;
    LabelStyle(CCanvas& dc, bool on, const LOGFONT* lf, COLORREF c) : dc(dc), on(on) {
      if (!on) return;
      mode = dc.SetBkMode(TRANSPARENT);
      colour = dc.SetTextColor(c);
      if ((font = lf != nullptr)) oldFont = dc.SelectFont(MakeCanvasFont(*lf));
    }
    ~LabelStyle() {
      if (!on) return;
      if (font) dc.SelectFont(oldFont);
      dc.SetTextColor(colour);
      dc.SetBkMode(mode);
    }
  };
  if (flags.lines) {
    LabelStyle style(dc, flags.lineIds, doc.m_lines.m_pIdFont.get(), doc.m_lines.m_idTextColor);
    for (CChain* c : doc.m_lines) {
      if (!meets(c->m_rcBounds, clip)) continue;
      if (fillClosedLines && c->IsClosed(0)) c->DrawFilled(dc, *this, opt);
      c->Draw(dc, *this, opt, flags.endPoints, flags.nodes, flags.lineIds, doc.m_nDecimalIDs);
    }
  }
  if (flags.points) {
    LabelStyle style(dc, flags.pointIds, doc.m_points.m_pLabelFont.get(), doc.m_points.m_labelColor);
    for (CPointRec* p : doc.m_points)
      if (inClip(p->Rounded())) p->Draw(dc, *this, flags.pointIds, doc.m_nDecimalIDs);
  }
  if (flags.controlPoints) {
    int index = 0;
    for (CControlPt* cp : doc.m_controlPts) {
      const POINT rp{static_cast<int>(cp->m_imageX + 0.5), static_cast<int>(cp->m_imageY + 0.5)};
      if (inClip(rp)) {
        cp->Draw(&dc, this);
        if (flags.controlPointIds) {
          char text[32];
          std::snprintf(text, sizeof text, "%d", index);
          const int x = static_cast<int>((cp->m_imageX - visibleRect.left) * scaleX);
          const int y = static_cast<int>((cp->m_imageY - visibleRect.top) * scaleY);
          dc.TextOut(x, y + 5, text);
        }
      }
      ++index;
    }
  }
  if (flags.textBlocks) doc.m_textBlocks.Draw(dc, *this, clip);
  if (flags.annotations) doc.m_notes.Draw(dc, *this, clip, flags.annotationFrames);
  if (flags.triangulation) doc.m_triangles.Draw(&dc, this);
  if (flags.crossMarks) doc.m_crossMarks.Draw(dc, *this, clip);
  if (tool) tool->Draw(dc);
}

// ---- zoom and scroll ------------------------------------------------------------------

void CQznView::OnViewZoomIn() {
  const RECT ext = Extent();
  if (visibleRect.right == visibleRect.left && visibleRect.bottom == visibleRect.top) visibleRect = ext;
  const RECT before = visibleRect;
  previousRect = visibleRect;
  RECT candidate;
  if (RectWidth(rubberBand) < 8 || RectHeight(rubberBand) < 8) {
    candidate = visibleRect;
    const int qw = RectWidth(candidate) / 4, qh = RectHeight(candidate) / 4;
    candidate.left += qw;
    candidate.right -= qw;
    candidate.top += qh;
    candidate.bottom -= qh;
    candidate = PlaceRect(candidate, POINT{cursorImageX, cursorImageY}, ext, kAnchorCentre);
  } else {
    candidate = rubberBand;
  }
  // Grown to the page's shape: the page, not the rectangle shown before,
  // is what the zoomed part fills.
  RECT result;
  if (SetVisibleRect(visibleRect, candidate, PageSize(), result)) {
    visibleRect = result;
    rubberBand = RECT{};
    RefreshChain();
  } else {
    visibleRect = before;
  }
}

void CQznView::OnViewZoomOut() {
  const RECT ext = Extent();
  const RECT before = visibleRect;
  previousRect = visibleRect;
  const RECT grown = GrowRect(visibleRect, SIZE{RectWidth(visibleRect), RectHeight(visibleRect)}, ext);
  if (RectWidth(grown) >= RectWidth(ext) || RectHeight(grown) >= RectHeight(ext)) {
    visibleRect = before;
    OnViewFullView();
    return;
  }
  visibleRect = grown;
  rubberBand = RECT{};
  RefreshChain();
}

void CQznView::OnViewFullView() {
  previousRect = visibleRect;
  ShowWholeExtent();
}

void CQznView::ShowWholeExtent() {
  inResize = true;
  visibleRect = Extent();
  RefreshChain();
  inResize = false;
}

void CQznView::OnViewPreviousView() {
  if ((previousRect.right == previousRect.left && previousRect.bottom == previousRect.top) ||
      previousRect == visibleRect)
    return;
  std::swap(previousRect, visibleRect);
  RefreshChain();
  RefreshOverview();
}

void CQznView::OnChar(unsigned ch, unsigned repeat, unsigned fl) {
  if (ch == '+') {
    OnViewZoomIn();
    return;
  }
  if (ch == '-' || ch == '_') {
    OnViewZoomOut();
    return;
  }
  if (tool) tool->OnChar(ch, repeat, fl);
  RunPostedCommands();
}

void CQznView::OnKeyDown(ViewKey key) {
  switch (key) {
    case ViewKey::kPageUp:
    case ViewKey::kUp: OnScroll(true, kScrollPageUp, 0); break;
    case ViewKey::kPageDown:
    case ViewKey::kDown: OnScroll(true, kScrollPageDown, 0); break;
    case ViewKey::kHome: OnScroll(true, kScrollTop, 0); break;
    case ViewKey::kEnd: OnScroll(true, kScrollBottom, 0); break;
    case ViewKey::kLeft: OnScroll(false, kScrollPageUp, 0); break;
    case ViewKey::kRight: OnScroll(false, kScrollPageDown, 0); break;
    case ViewKey::kOther: break;
  }
}

void CQznView::OnScroll(bool vertical, int code, int position) {
  const RECT ext = Extent();
  const std::int64_t lo = vertical ? ext.top : ext.left;
  const std::int64_t hi = vertical ? ext.bottom : ext.right;
  const std::int64_t start = vertical ? visibleRect.top : visibleRect.left;
  const std::int64_t size = vertical ? RectHeight(visibleRect) : RectWidth(visibleRect);
  std::int64_t v;
  switch (code) {
    case kScrollLineUp: v = start - size / 4; break;
    case kScrollLineDown: v = start + size / 4; break;
    case kScrollPageUp: v = start - size / 2; break;
    case kScrollPageDown: v = start + size / 2; break;
    case kScrollThumbPosition: v = lo + std::int64_t{position} * scrollUnit; break;
    case kScrollTop: v = 0; break;
    case kScrollBottom: v = (hi - lo) - size; break;
    default: return;
  }
  previousRect = visibleRect;
  if (!RectInside(visibleRect, ext)) return;
  v = std::clamp<std::int64_t>(v, lo, std::max(lo, hi - size));
  if (v == start) return;
  const int d = static_cast<int>(v - start);
  if (vertical)
    OffsetRect(visibleRect, 0, d);
  else
    OffsetRect(visibleRect, d, 0);
  AllocDisplayBuffer(false);
  PaintDisplayBuffer();
  UpdateScrollBars();
  Refresh();
  KeepAsChosen();
}

bool CQznView::RecenterOnPoint(POINT p, bool onlyWhenOutside) {
  if (onlyWhenOutside) {
    RECT inner = visibleRect;
    const int ew = RectWidth(inner) / 8, eh = RectHeight(inner) / 8;
    inner.left += ew;
    inner.right -= ew;
    inner.top += eh;
    inner.bottom -= eh;
    if (p.x >= inner.left && p.x <= inner.right && p.y >= inner.top && p.y <= inner.bottom) return false;
  }
  previousRect = visibleRect;
  visibleRect = PlaceRect(visibleRect, p, Extent(), kAnchorCentre);
  RefreshChain();
  return true;
}

// ---- mouse ----------------------------------------------------------------------------

POINT CQznView::ToolPoint(POINT p) const {
  if (!m_clip) return p;
  const SIZE c = m_window ? m_window->GetClientSize() : clientSize;
  return POINT{std::clamp(p.x, 0, std::max(c.cx - 1, 0)), std::clamp(p.y, 0, std::max(c.cy - 1, 0))};
}

void CQznView::OnLButtonDown(unsigned fl, POINT p) {
  if (tool && editMode != EditMode::kDefault && (fl & (kMkShift | kMkControl))) {
    if (!parkedTool)
      parkedTool = std::move(tool);
    else
      tool.reset();  // an already temporary tool
    tool = MakeDefaultTool();
    if (!tool) tool = std::move(parkedTool);
  }
  if (tool) tool->OnLButtonDown(ToolPoint(p), fl);
  RunPostedCommands();
}

void CQznView::OnLButtonUp(unsigned fl, POINT p) {
  if (tool) tool->OnLButtonUp(ToolPoint(p), fl);
  if (parkedTool) {
    tool = std::move(parkedTool);
    Refresh();
  }
  RunPostedCommands();
}

void CQznView::OnMouseMove(unsigned fl, POINT p) {
  UpdateCursorCoords(p);
  // A park whose button went up where the view could not see it ends here.
  if (parkedTool && !(fl & kMkLButton) && !m_captured) {
    OnLButtonUp(fl, p);
    return;
  }
  if (tool) tool->OnMouseMove(ToolPoint(p), fl);
  RunPostedCommands();
}

void CQznView::OnLButtonDblClk(unsigned fl, POINT p) {
  if (tool) tool->OnLButtonDblClk(ToolPoint(p), fl);
  RunPostedCommands();
}

void CQznView::OnRButtonDown(unsigned, POINT p) {
  if (tool) tool->TrackContextMenu(p);
}

void CQznView::OnCaptureLost() {
  m_captured = false;
  m_clip = false;
  if (tool) tool->OnCaptureLost();
  if (parkedTool) {
    tool = std::move(parkedTool);
    Refresh();
  }
}

int CQznView::CursorId() const { return tool ? tool->GetCursorId() : 0; }

void CQznView::ApplySmoothLines(float tolerance, const RECT& rc) {
  if (!m_doc) return;
  m_doc->m_fFactor = tolerance;
  {
    CWaitCapture wait;
    m_doc->SmoothLines(tolerance, rc);
  }
  m_doc->SetLinesModified(1);
  Refresh();
}

void CQznView::ApplyDeleteShortLines(int low, int high, const RECT& rc, int measure) {
  if (!m_doc) return;
  {
    CWaitCapture wait;
    m_doc->DeleteShortLines(low, high, rc, measure == 1);
  }
  m_doc->SetLinesModified(1);
  Refresh();
}

void CQznView::UpdateCursorCoords(POINT c) {
  g_cursorX = static_cast<float>((c.x + GetClientOffsetX()) / scaleX + visibleRect.left);
  g_cursorY = static_cast<float>((c.y + GetClientOffsetY()) / scaleY + visibleRect.top);
  cursorImageX = HeldPixel(g_cursorX);
  cursorImageY = HeldPixel(g_cursorY);
  CursorCoordsAt(c, g_cursorX, g_cursorY);
}

void CQznView::CursorCoordsAt(POINT c, double& x, double& y) const {
  x = static_cast<float>((c.x + GetClientOffsetX()) / scaleX + visibleRect.left);
  y = static_cast<float>((c.y + GetClientOffsetY()) / scaleY + visibleRect.top);
  double rx[4], ry[4];
  const double *cx = nullptr, *cy = nullptr;
  const int order = cursorKind == kCoordMap ? MapRows(rx, ry, cx, cy) : 0;
  if (order != 0) {
    const double X = x, Y = y;
    ApplyPolynomial(X, Y, cx, cy, order, x, y);
  } else if (cursorKind == kCoordPage && ImageHasPixels()) {
    const float r = m_doc->m_image.xResolution;
    if (r > 0.0f) {
      x /= r;
      y /= r;
    }
  }
}

// ---- edit modes -----------------------------------------------------------------------

CEditTool* CQznView::SetEditMode(EditMode mode) {
  tool.reset();
  parkedTool.reset();
  // The old tool's hint goes with it; the new tool says its own.
  SetStatusText(res::text::kReady);
  std::unique_ptr<CEditTool> made;
  if (mode != EditMode::kDefault && mode != EditMode::kReserved) {
    if (ToolFactory f = FindToolFactory(mode)) {
      try {
        made = f(*this, m_doc);
      } catch (const std::bad_alloc&) {
        made.reset();
      }
    }
  }
  if (made) {
    editMode = mode;
    if (SavesDisplayFlags(mode)) {
      savedFlags = flags;
      switch (mode) {
        case EditMode::kLineEdit: flags.ShowLines(); break;
        case EditMode::kControlPoint: flags.controlPoints = true; break;
        case EditMode::kPointEdit: flags.points = true; break;
        case EditMode::kTextBlock: flags.textBlocks = true; break;
        case EditMode::kAnnotation: flags.annotations = flags.annotationFrames = true; break;
        case EditMode::kRoi: flags.roi = true; break;
        default: break;
      }
    }
    tool = std::move(made);
  } else {
    editMode = EditMode::kDefault;
    tool = MakeDefaultTool();
  }
  Refresh();
  return tool.get();
}

CEditTool* CQznView::EndEditMode() {
  if (editMode == EditMode::kDefault) return nullptr;
  return SetEditMode(EditMode::kDefault);
}

// ---- overview --------------------------------------------------------------------------

void CQznView::CreateOverview() {
  overview = std::make_unique<COverview>(*this);
  overview->SetViewRect(Extent(), visibleRect);
  RenderOverview();
  if (m_window) m_window->OverviewChanged();
}

bool CQznView::RenderOverview() { return overview && overview->Render(); }

void CQznView::RefreshOverview() {
  if (!overview || !overview->visible) return;
  const RECT before = overview->ViewRect();
  overview->SetViewRect(Extent(), visibleRect);
  if (!(before == overview->ViewRect()) && m_window) m_window->OverviewChanged();
}

void CQznView::UpdateOverview() {
  if (!overview || !overview->visible) return;
  RenderOverview();
  overview->SetViewRect(Extent(), visibleRect);
  if (m_window) m_window->OverviewChanged();
}

// ---- COverview ------------------------------------------------------------------------

void COverview::SetClientSize(int width, int height) {
  m_width = std::max(width, 1);
  m_height = std::max(height, 1);
}

void COverview::SetViewRect(const RECT& extent, const RECT& visible) {
  RECT r;
  if (OverviewRect(extent, visible, m_width, m_height, r)) m_viewRect = r;
}

bool COverview::Render() {
  CQznDoc* doc = m_view.Document();
  if (!doc || !doc->m_image.HasPixels()) return false;
  const CRasterImage& img = doc->m_image;
  const int w = m_width / 4 * 4, h = m_height;
  if (w <= 0 || h <= 0) return false;
  const bool rgb = img.IsRGB();
  std::vector<BYTE> buffer;
  try {
    buffer.resize(static_cast<std::size_t>(DisplayRowBytes(w, rgb ? kDisplayRGB : 0) * h));
  } catch (const std::bad_alloc&) {
    return false;
  }
  CImageArea area;
  area.width = img.width;
  area.height = img.height;
  BYTE map256[256];
  std::int32_t param = m_view.displayColor;
  if (GetDisplayBuffer(&img, &area, buffer.data(), w, h, nullptr, map256, &param, rgb ? kDisplayRGB : 0) < 0)
    return false;
  RgbBitmap bmp;
  if (!CreateBitmapFromDib(buffer.data(), w, h, rgb, m_view.Palette(), bmp)) return false;
  m_thumbnail = std::move(bmp);
  return true;
}

void COverview::OnLButtonDown(POINT p) {
  if (!(p.x >= m_viewRect.left && p.x < m_viewRect.right && p.y >= m_viewRect.top && p.y < m_viewRect.bottom)) return;
  m_dragging = true;
  m_start = m_current = p;
  m_feedback.Set(0, FeedbackShape::Frame(m_viewRect));
}

void COverview::OnMouseMove(POINT p) {
  if (!m_dragging) return;
  m_current = p;
  RECT r = m_viewRect;
  OffsetRect(r, p.x - m_start.x, p.y - m_start.y);
  m_feedback.Set(0, FeedbackShape::Frame(r));
}

void COverview::OnLButtonUp(POINT p) {
  if (!m_dragging) return;
  m_dragging = false;
  m_current = p;
  m_feedback.ClearAll();
  OffsetRect(m_viewRect, p.x - m_start.x, p.y - m_start.y);
  const CQznDoc* doc = m_view.Document();
  if (!doc) return;
  const RECT& ext = doc->m_extent;
  const float cx = static_cast<float>((std::int64_t{m_viewRect.left} + m_viewRect.right) / 2);
  const float cy = static_cast<float>((std::int64_t{m_viewRect.top} + m_viewRect.bottom) / 2);
  const POINT img{
      CViewTransform::HeldPixel(cx / static_cast<float>(m_width) * static_cast<float>(RectWidth(ext)) + ext.left),
      CViewTransform::HeldPixel(cy / static_cast<float>(m_height) * static_cast<float>(RectHeight(ext)) + ext.top)};
  m_view.RecenterOnPoint(img, false);
}

}  // namespace qzn
