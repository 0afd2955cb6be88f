#include "widgets/core/gridcell.h"

#include <algorithm>

#include "widgets/core/gridmodel.h"

namespace qzn {

namespace {

const std::string& EmptyText() {
  static const std::string empty;
  return empty;
}

RECT Widened(const RECT& r) { return RECT{r.left, r.top, r.right + 1, r.bottom + 1}; }

// The outline of a rectangle one pixel wide, inside it.
void FrameRect(IGridPainter* dc, const RECT& r, COLORREF color) {
  if (IsRectEmpty(r)) return;
  dc->FillRect(RECT{r.left, r.top, r.right, r.top + 1}, color);
  dc->FillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom}, color);
  dc->FillRect(RECT{r.left, r.top, r.left + 1, r.bottom}, color);
  dc->FillRect(RECT{r.right - 1, r.top, r.right, r.bottom}, color);
}

// The sunken inner edge of a pressed-looking header cell: dark top and left,
// light bottom and right.
void DrawSunkenInnerEdge(IGridPainter* dc, const RECT& r, const IGridDesktop& desk) {
  const COLORREF dark = desk.SysColor(COLOR_3DDKSHADOW), light = desk.SysColor(COLOR_3DLIGHT);
  dc->Line(POINT{r.left, r.bottom - 1}, POINT{r.left, r.top}, dark);
  dc->Line(POINT{r.left, r.top}, POINT{r.right - 1, r.top}, dark);
  dc->Line(POINT{r.right - 1, r.top}, POINT{r.right - 1, r.bottom - 1}, light);
  dc->Line(POINT{r.right - 1, r.bottom - 1}, POINT{r.left - 1, r.bottom - 1}, light);
}

void Deflate(RECT& r, int d) { r.left += d, r.top += d, r.right -= d, r.bottom -= d; }

}  // namespace

// ---- CGridCellBase --------------------------------------------------------

const std::string& CGridCellBase::GetText() const { return EmptyText(); }

CGridDefaultCell* CGridCellBase::GetDefaultCell() const {
  CGridModel* grid = GetGrid();
  if (!grid) return nullptr;
  return grid->GetDefaultCell(IsFixedRow(), IsFixedCol());
}

void CGridCellBase::CopyFrom(const CGridCellBase& cell) {
  SetGrid(cell.GetGrid());
  SetText(cell.GetText());
  SetImage(cell.GetImage());
  SetData(cell.GetData());
  SetState(cell.GetState());
  // A cell's own format, so that a copy keeps following its default cell.
  const auto* own = dynamic_cast<const CGridCell*>(&cell);
  SetFormat(own ? own->GetOwnFormat() : cell.GetFormat());
  SetTextClr(cell.GetTextClr());
  SetBackClr(cell.GetBackClr());
  SetFont(cell.IsDefaultFont() ? nullptr : cell.GetFont());
  SetMargin(own ? own->GetOwnMargin() : cell.GetMargin());
}

bool CGridCellBase::OnSetCursor() {
  if (CGridModel* grid = GetGrid()) grid->ShowCursorShape(CGridCursor::kArrow);
  return true;
}

void CGridCellBase::DrawRaisedBorder(IGridPainter* dc, RECT& rect) const {
  const IGridDesktop& desk = GridDesktop();
  const COLORREF light = desk.SysColor(COLOR_BTNHIGHLIGHT), dark = desk.SysColor(COLOR_3DDKSHADOW);
  // From the top-right corner to the top-left and down to the bottom-left;
  // then from the top-right down to the bottom-right and left to the
  // bottom-left (each line without its end pixel).
  dc->Line(POINT{rect.right, rect.top}, POINT{rect.left, rect.top}, light);
  dc->Line(POINT{rect.left, rect.top}, POINT{rect.left, rect.bottom}, light);
  dc->Line(POINT{rect.right, rect.top}, POINT{rect.right, rect.bottom}, dark);
  dc->Line(POINT{rect.right, rect.bottom}, POINT{rect.left, rect.bottom}, dark);
  Deflate(rect, 1);
}

bool CGridCellBase::Draw(IGridPainter* dc, int row, int col, RECT rect, bool eraseBkgnd) {
  CGridModel* grid = GetGrid();
  if (!grid || !dc || rect.right <= rect.left || rect.bottom <= rect.top) return false;
  dc->Save();
  const CGridDefaultCell* def = GetDefaultCell();
  if (!def) {
    dc->Restore();
    return false;
  }
  const IGridDesktop& desk = GridDesktop();
  COLORREF textClr = GetTextClr() == CLR_DEFAULT ? def->GetTextClr() : GetTextClr();
  COLORREF backClr = def->GetBackClr();
  if (GetBackClr() != CLR_DEFAULT) {
    backClr = GetBackClr();
    eraseBkgnd = true;
  }

  if (IsFocused() || IsDropHighlighted()) {
    if (IsSelected()) {
      backClr = desk.SysColor(COLOR_HIGHLIGHT);
      textClr = desk.SysColor(COLOR_HIGHLIGHTTEXT);
      eraseBkgnd = true;
    }
    if (eraseBkgnd) dc->FillRect(Widened(rect), backClr);
    if (grid->m_bFrameFocus) FrameRect(dc, rect, textClr);
    dc->SetTextColor(textClr);
    Deflate(rect, 1);
  } else if (IsSelected()) {
    dc->FillRect(Widened(rect), desk.SysColor(COLOR_HIGHLIGHT));
    dc->SetTextColor(desk.SysColor(COLOR_HIGHLIGHTTEXT));
  } else {
    if (eraseBkgnd) dc->FillRect(Widened(rect), backClr);
    dc->SetTextColor(textClr);
  }

  if (IsFixed()) {
    const CGridCellId focus = grid->GetFocusCell();
    if (grid->m_bTrackFocusCell && grid->IsValid(focus) && (focus.row == row || focus.col == col)) {
      DrawSunkenInnerEdge(dc, Widened(rect), desk);
      Deflate(rect, 1);
    } else {
      DrawRaisedBorder(dc, rect);
    }
  }

  if (const CGridFont* font = GetFont()) dc->SetFont(*font);
  const auto margin = static_cast<int>(GetMargin());
  rect.left += margin;
  rect.right -= margin;
  GetTextRect(rect);
  dc->DrawText(GetText(), rect, GetFormat() | DT_NOPREFIX);
  dc->Restore();
  return true;
}

SIZE CGridCellBase::GetTextExtent(const std::string& text, IGridPainter* dc) {
  const CGridDefaultCell* def = GetDefaultCell();
  if (!def) return SIZE{};
  std::unique_ptr<IGridPainter> own;
  if (!dc && !text.empty()) {
    if (CGridModel* grid = GetGrid()) own = grid->CreateMeasurePainter();
    dc = own.get();
  }
  if (text.empty() || !dc) return SIZE{def->GetWidth(), def->GetHeight()};

  dc->Save();
  const CGridFont* font = GetFont();
  if (font) dc->SetFont(*font);
  const std::uint32_t format = GetFormat();
  SIZE size{};
  if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) {
    size = dc->GetTextExtent(text);
  } else {
    int widest = 0;
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = text.find('\n', start);
      widest = std::max(widest, static_cast<int>(dc->GetTextExtent(text.substr(start, end - start)).cx));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    size = dc->CalcTextRect(text, widest + 1, format | DT_CALCRECT);
  }
  const auto margin = static_cast<int>(GetMargin());
  size.cx += dc->GetOverhang() + 4 * margin;
  size.cy += 2 * margin;
  if (font && (font->escapement == 900 || font->escapement == -900)) size = SIZE{size.cy, size.cx + 4 * margin};
  dc->Restore();
  return size;
}

bool CGridCellBase::PrintCell(IGridPainter* dc, int row, int col, RECT rect) {
  CGridModel* grid = GetGrid();
  if (!grid || !dc || rect.right <= rect.left || rect.bottom <= rect.top) return false;
  dc->Save();
  const CGridDefaultCell* def = GetDefaultCell();
  if (!def) {
    dc->Restore();
    return false;
  }
  // Printing is always shaded: fixed cells keep their background, other
  // cells only a background of their own that differs from the default.
  const COLORREF ownBack = GetBackClr(), ownText = GetTextClr();
  const COLORREF resolvedText = ownText == CLR_DEFAULT ? def->GetTextClr() : ownText;
  bool hasBack = false;
  COLORREF back = 0, text = 0;
  if (IsFixed()) {
    hasBack = true;
    back = ownBack != CLR_DEFAULT ? ownBack : def->GetBackClr();
    text = ownBack != CLR_DEFAULT ? resolvedText : def->GetTextClr();
  } else {
    if (ownBack != CLR_DEFAULT && ownBack != def->GetBackClr()) {
      hasBack = true;
      back = ownBack;
    }
    if (ownBack != CLR_DEFAULT)
      text = resolvedText;
    else
      text = (ownText == CLR_DEFAULT || ownText == def->GetTextClr()) ? RGB(0, 0, 0) : ownText;
  }
  if (dc->IsMonochrome() && !hasBack) {
    text = RGB(static_cast<int>(GetRValue(text) * 0.30), static_cast<int>(GetGValue(text) * 0.59),
               static_cast<int>(GetBValue(text) * 0.11));
  } else if (hasBack) {
    dc->FillRect(Widened(rect), back);
  }
  dc->SetTextColor(text);
  if (const CGridFont* font = GetFont()) dc->SetFont(*font);
  if (IsFixed()) DrawRaisedBorder(dc, rect);
  const auto margin = static_cast<int>(GetMargin());
  rect.left += margin;
  rect.right -= margin;
  dc->DrawText(GetText(), rect, GetFormat() | DT_NOPREFIX);
  dc->Restore();
  return true;
}

// ---- CGridCell ------------------------------------------------------------

CGridCell::CGridCell(const CGridCell& other)
    : CGridCellBase(other), m_nFormat(other.m_nFormat), m_strText(other.m_strText), m_pGrid(other.m_pGrid) {
  if (other.m_pExtra) {
    m_pExtra = std::make_unique<CExtra>();
    CExtra& e = *m_pExtra;
    const CExtra& o = *other.m_pExtra;
    e.data = o.data, e.image = o.image, e.textClr = o.textClr, e.backClr = o.backClr;
    e.margin = o.margin;
    if (o.font) e.font = std::make_unique<CGridFont>(*o.font);
  }
}

CGridCell& CGridCell::operator=(const CGridCell& other) {
  if (this != &other) {
    CGridCell copy(other);
    *this = std::move(copy);
  }
  return *this;
}

CGridCell::CExtra& CGridCell::Extra() {
  if (!m_pExtra) m_pExtra = std::make_unique<CExtra>();
  return *m_pExtra;
}

void CGridCell::SetImage(int image) {
  if (m_pExtra || image != -1) Extra().image = image;
}
void CGridCell::SetData(std::intptr_t data) {
  if (m_pExtra || data != 0) Extra().data = data;
}
void CGridCell::SetFormat(std::uint32_t format) { m_nFormat = format; }
void CGridCell::SetTextClr(COLORREF color) {
  if (m_pExtra || color != CLR_DEFAULT) Extra().textClr = color;
}
void CGridCell::SetBackClr(COLORREF color) {
  if (m_pExtra || color != CLR_DEFAULT) Extra().backClr = color;
}
void CGridCell::SetMargin(std::uint32_t margin) {
  if (m_pExtra || margin != kUseDefault) Extra().margin = margin;
}
void CGridCell::SetFont(const CGridFont* font) {
  if (font) {
    CExtra& e = Extra();
    if (e.font)
      *e.font = *font;
    else
      e.font = std::make_unique<CGridFont>(*font);
  } else if (m_pExtra) {
    m_pExtra->font.reset();
  }
}

std::uint32_t CGridCell::GetFormat() const {
  const std::uint32_t own = GetOwnFormat();
  if (own != kUseDefault) return own;
  const CGridDefaultCell* def = GetDefaultCell();
  return def ? def->GetFormat() : 0;
}

std::uint32_t CGridCell::GetMargin() const {
  const std::uint32_t own = GetOwnMargin();
  if (own != kUseDefault) return own;
  const CGridDefaultCell* def = GetDefaultCell();
  return def ? def->GetMargin() : 0;
}

const CGridFont* CGridCell::GetFont() const {
  if (const CGridFont* own = GetOwnFont()) return own;
  const CGridDefaultCell* def = GetDefaultCell();
  return def ? def->GetFont() : nullptr;
}

void CGridCell::Reset() {
  CGridCellBase::Reset();
  m_strText.clear();
  m_nFormat = kUseDefault;
  m_pGrid = nullptr;
  // The user data value survives a reset; everything else returns to the
  // defaults.
  const std::intptr_t data = GetData();
  m_pExtra.reset();
  if (data != 0) Extra().data = data;
}

bool CGridCell::Edit(int row, int col, const RECT& rect, POINT, int controlId, int ch) {
  if (IsEditing() && GetEditWnd()) {
    GetEditWnd()->SendChar(ch);
    return true;
  }
  const std::uint32_t format = GetFormat();
  const CGridEditAlign align = (format & DT_RIGHT) ? kEditRight : (format & DT_CENTER) ? kEditCenter : kEditLeft;
  Extra().editing = true;
  IGridEditWindow* wnd =
      m_pGrid ? m_pGrid->CreateInPlaceEdit(rect, align, controlId, row, col, GetText(), ch) : nullptr;
  // The box may already have ended (and called OnEndEdit) while it was made.
  if (m_pExtra && m_pExtra->editing) m_pExtra->editWnd = wnd;
  if (!wnd && m_pExtra) m_pExtra->editing = false;
  return true;
}

void CGridCell::EndEdit() {
  if (IGridEditWindow* wnd = GetEditWnd()) wnd->EndEdit();
}

void CGridCell::OnEndEdit() {
  if (!m_pExtra) return;
  m_pExtra->editing = false;
  m_pExtra->editWnd = nullptr;
}

// ---- CGridDefaultCell -----------------------------------------------------

CGridDefaultCell::CGridDefaultCell() {
  CGridCell::SetTextClr(CLR_DEFAULT);
  CGridCell::SetBackClr(CLR_DEFAULT);
  CGridCell::SetFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  const CGridFont font = GridDesktop().MessageFont();
  SetFont(&font);
}

void CGridDefaultCell::SetFont(const CGridFont* font) {
  if (!font) return;
  CGridCell::SetFont(font);
  std::unique_ptr<IGridPainter> dc = GridDesktop().ScreenPainter();
  if (!dc) {
    SetMargin(3);
    m_nWidth = 40;
    m_nHeight = 16;
    return;
  }
  dc->Save();
  dc->SetFont(*font);
  SetMargin(static_cast<std::uint32_t>(dc->GetTextExtent(" ").cx));
  const SIZE size = dc->GetTextExtent(" XXXXXXXXXXXX ");
  m_nWidth = size.cx;
  m_nHeight = size.cy * 3 / 2;
  dc->Restore();
}

}  // namespace qzn
