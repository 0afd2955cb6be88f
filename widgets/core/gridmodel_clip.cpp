// The table control's clipboard text and printing.
#include <algorithm>
#include <ctime>

#include "platform/textfile.h"
#include "resources/messages_widgets.h"
#include "widgets/core/gridmodel.h"

namespace qzn {

// ---- Clipboard --------------------------------------------------------------

bool CGridModel::CopyTextToClipboard(std::string& text) const {
  text.clear();
  const CGridCellRange range = GetSelectedCellRange();
  if (!IsValid(range)) return false;
  // Hidden rows and columns give nothing, not even a separator: separators
  // stand only between the rows and cells that are there.
  bool firstRow = true;
  for (int row = range.minRow; row <= range.maxRow; ++row) {
    if (GetRowHeight(row) <= 0) continue;
    if (!firstRow) text += '\n';
    firstRow = false;
    bool firstCol = true;
    for (int col = range.minCol; col <= range.maxCol; ++col) {
      if (GetColumnWidth(col) <= 0) continue;
      if (!firstCol) text += '\t';
      firstCol = false;
      const CGridCellBase* cell = FindCell(row, col);
      if (cell && cell->IsSelected()) text += cell->GetText();
    }
  }
  return true;
}

bool CGridModel::CanCopy() const { return IsValid(GetSelectedCellRange()); }

bool CGridModel::CanPaste() const {
  return IsValid(m_idCurrentCell) && IsCellEditable(m_idCurrentCell.row, m_idCurrentCell.col) && ClipboardHasText();
}

void CGridModel::OnEditCopy() {
  std::string text;
  if (CopyTextToClipboard(text)) SetClipboardText(text);
}

void CGridModel::OnEditCut() {
  if (!m_bEditable) return;
  OnEditCopy();
  CutSelectedText();
}

void CGridModel::CutSelectedText() {
  if (!m_bEditable) return;
  const CGridCellRange range = GetSelectedCellRange();
  if (!IsValid(range)) return;
  // Only the selected cells are emptied: the cells between the parts of a
  // ctrl-selection were not copied and keep their text.
  for (int row = range.minRow; row <= range.maxRow; ++row) {
    if (GetRowHeight(row) == 0) continue;
    for (int col = range.minCol; col <= range.maxCol; ++col)
      if (GetColumnWidth(col) != 0 && (GetItemState(row, col) & GVIS_SELECTED))
        ValidateAndModifyCellContents(row, col, std::string());
  }
  Refresh();
}

void CGridModel::OnEditPaste() {
  if (!m_bEditable) return;
  CGridCellId cell = IsValid(m_idCurrentCell) ? m_idCurrentCell : GetTopleftNonFixedCell();
  if (!IsValid(cell)) return;
  const CGridCellBase* c = FindCell(cell.row, cell.col);
  if (c && c->IsEditing() && c->GetEditWnd()) {
    c->GetEditWnd()->Paste();
    return;
  }
  std::string text;
  if (GetClipboardText(text)) PasteTextToGrid(cell, text);
}

bool CGridModel::PasteTextToGrid(CGridCellId cell, const std::string& clip) {
  if (!IsValid(cell) || !IsCellEditable(cell.row, cell.col)) return false;
  const std::string text = clip.substr(0, clip.find('\0'));
  int r = 0;
  std::size_t lineStart = 0;
  for (bool more = true; more;) {
    const std::size_t lineEnd = text.find('\n', lineStart);
    more = lineEnd != std::string::npos;
    std::string line = text.substr(lineStart, more ? lineEnd - lineStart : std::string::npos);
    lineStart = more ? lineEnd + 1 : text.size();

    int targetRow = cell.row + r;
    while (targetRow < m_nRows && GetRowHeight(targetRow) == 0) ++targetRow, ++r;
    int c = 0;
    while (!line.empty()) {
      const std::size_t sep = line.find_first_of("\t,");
      const std::string field = line.substr(0, sep);
      int targetCol = cell.col + c;
      while (targetCol < m_nCols && GetColumnWidth(targetCol) == 0) ++targetCol, ++c;
      if (IsValid(targetRow, targetCol)) {
        ValidateAndModifyCellContents(targetRow, targetCol, Trim(field));
        SetItemState(targetRow, targetCol, GetItemState(targetRow, targetCol) & ~GVIS_SELECTED);
      }
      line = sep == std::string::npos ? std::string() : line.substr(sep + 1);
      ++c;
    }
    ++r;
  }
  Refresh();
  return true;
}

void CGridModel::OnEditSelectAll() {
  SendMessageToParent(m_LeftClickDownCell.row, m_LeftClickDownCell.col, LVN_ITEMCHANGING);
  SelectAllCells();
  SendMessageToParent(m_idCurrentCell.row, m_idCurrentCell.col, LVN_ITEMCHANGED);
}

// ---- Printing -----------------------------------------------------------------

std::vector<int> CGridModel::PageFirstRowsFor(std::int64_t usableHeight) const {
  // Rows go on a page while their heights sum to no more than the usable
  // height; a page always takes at least one row, so a row taller than a
  // page prints alone (clipped) rather than leaving a blank page.
  std::vector<int> first{m_nFixedRows};
  std::int64_t sum = 0;
  bool pageHasRow = false;
  for (int r = m_nFixedRows; r < m_nRows; ++r) {
    const int h = GetRowHeight(r);
    if (sum + h > usableHeight && pageHasRow) {
      first.push_back(r);
      sum = 0;
    }
    sum += h;
    pageHasRow = true;
  }
  return first;
}

std::vector<int> CGridModel::PageFirstRows() const { return PageFirstRowsFor(m_print.pageUsableHeight); }

void CGridModel::OnBeginPrinting(IGridPainter& dc, int pageWidth, int pageHeight) {
  CPrintLayout& p = m_print;
  p.font = CGridFont{};
  p.font.height = -10;
  p.font.weight = 400;
  p.font.faceName = "Arial";
  dc.Save();
  dc.SetFont(p.font);
  const SIZE text = dc.GetTextExtent("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSATUVWXYZ");
  p.charWidth = std::max(1, static_cast<int>(text.cx / 52));
  p.charHeight = std::max(1, static_cast<int>(text.cy));
  p.pageWidth = std::max(1, pageWidth);
  p.pageHeight = std::max(1, pageHeight);
  const std::int64_t paperWidth = std::int64_t{m_nLeftMargin + m_nRightMargin} * p.charWidth + GetVirtualWidth();
  p.paperWidth = static_cast<int>(std::min<std::int64_t>(paperWidth, INT32_MAX));
  p.paperHeight = static_cast<int>(std::min<std::int64_t>(paperWidth * p.pageHeight / p.pageWidth, INT32_MAX));
  p.pageUsableHeight = std::int64_t{p.paperHeight} -
                       std::int64_t{m_nHeaderHeight + m_nFooterHeight + 2 * m_nGap} * p.charHeight -
                       GetFixedRowHeight();
  p.pageCount = static_cast<int>(PageFirstRowsFor(p.pageUsableHeight).size());
  p.pageUsableWidth =
      std::int64_t{p.paperWidth} - GetFixedColumnWidth() - std::int64_t{m_nLeftMargin + m_nRightMargin} * p.charWidth;
  p.ready = true;
  dc.Restore();
}

void CGridModel::OnPrint(IGridPainter& dc, int page) {
  const CPrintLayout& p = m_print;
  if (!p.ready || page < 1 || page > p.pageCount) return;
  dc.Save();
  dc.SetFont(p.font);
  dc.SetMapping(SIZE{p.paperWidth, p.paperHeight}, SIZE{p.pageWidth, p.pageHeight});
  const int left = m_nLeftMargin * p.charWidth;
  POINT org{-left, 0};
  dc.SetWindowOrg(org);

  const RECT header{0, 0, p.paperWidth - (m_nLeftMargin + m_nRightMargin) * p.charWidth,
                    m_nHeaderHeight * p.charHeight};
  PrintHeader(dc, header);

  const int fh = GetFixedRowHeight(), fw = GetFixedColumnWidth();
  org.y -= m_nHeaderHeight * p.charHeight + m_nGap * p.charHeight + fh;
  dc.SetWindowOrg(org);
  const int firstRow = PageFirstRows()[static_cast<std::size_t>(page - 1)];
  const int firstCol = m_nFixedCols;
  PrintRowButtons(dc, firstRow);

  org.y += fh;
  dc.SetWindowOrg(org);
  PrintColumnHeadings(dc, firstCol);

  org.x -= fw;
  org.y -= fh;
  dc.SetWindowOrg(org);
  PrintRowCells(dc, firstRow, firstCol);

  dc.SetWindowOrg(POINT{-left, m_nFooterHeight * p.charHeight - p.paperHeight});
  const RECT footer{0, 0, header.right, m_nFooterHeight * p.charHeight};
  PrintFooter(dc, footer, page);
  dc.SetWindowOrg(POINT{0, 0});
  dc.Restore();
}

namespace {
// Whether a row (column) from `start` with size `size` still fits within
// `usable`; the first on a page always does (and is clipped).
bool Fits(std::int64_t start, int size, std::int64_t usable, bool first) { return first || start + size <= usable; }
}  // namespace

void CGridModel::PrintRowButtons(IGridPainter& dc, int firstRow) {
  const std::int64_t usable = m_print.pageUsableHeight;
  const COLORREF line = RGB(0, 0, 0);
  int x = 0;
  for (int col = 0; col < m_nFixedCols; ++col) {
    const int w = GetColumnWidth(col);
    int y = 0;
    for (int row = firstRow; row < m_nRows && Fits(y, GetRowHeight(row), usable, row == firstRow); ++row) {
      const int h = static_cast<int>(std::min<std::int64_t>(GetRowHeight(row), std::max<std::int64_t>(usable - y, 0)));
      const RECT rect{x, y, x + w, y + h};
      if (CGridCellBase* cell = GetCell(row, col)) cell->PrintCell(&dc, row, col, rect);
      dc.Line(POINT{x, y + h}, POINT{x + w, y + h}, line);
      if (row == firstRow) dc.Line(POINT{x, y}, POINT{x + w, y}, line);
      dc.Line(POINT{x + w, y}, POINT{x + w, y + h}, line);
      if (col == 0) dc.Line(POINT{x, y}, POINT{x, y + h}, line);
      y += h;
    }
    x += w;
  }
}

void CGridModel::PrintColumnHeadings(IGridPainter& dc, int firstCol) {
  // The headings may use the fixed columns' width as well.
  const std::int64_t usable = m_print.pageUsableWidth + GetFixedColumnWidth();
  const COLORREF line = RGB(0, 0, 0);
  int y = 0;
  for (int row = 0; row < m_nFixedRows; ++row) {
    const int h = GetRowHeight(row);
    int x = 0;
    bool first = true;
    const auto print = [&](int col) {
      const int w = GetColumnWidth(col);
      const RECT rect{x, y, x + w, y + h};
      if (CGridCellBase* cell = GetCell(row, col)) cell->PrintCell(&dc, row, col, rect);
      dc.Line(POINT{x, y + h}, POINT{x + w, y + h}, line);
      if (row == 0) dc.Line(POINT{x, y}, POINT{x + w, y}, line);
      dc.Line(POINT{x + w, y}, POINT{x + w, y + h}, line);
      if (first) dc.Line(POINT{x, y}, POINT{x, y + h}, line);
      first = false;
      x += w;
    };
    if (firstCol >= m_nFixedCols)
      for (int col = 0; col < m_nFixedCols; ++col) print(col);
    for (int col = firstCol; col < m_nCols && Fits(x, GetColumnWidth(col), usable, false); ++col) print(col);
    y += h;
  }
}

void CGridModel::PrintRowCells(IGridPainter& dc, int firstRow, int firstCol) {
  const std::int64_t usableH = m_print.pageUsableHeight, usableW = m_print.pageUsableWidth;
  const COLORREF line = RGB(0, 0, 0);
  int y = 0;
  for (int row = firstRow; row < m_nRows && Fits(y, GetRowHeight(row), usableH, row == firstRow); ++row) {
    const int h = static_cast<int>(std::min<std::int64_t>(GetRowHeight(row), std::max<std::int64_t>(usableH - y, 0)));
    int x = 0;
    for (int col = firstCol; col < m_nCols && Fits(x, GetColumnWidth(col), usableW, false); ++col) {
      const int w = GetColumnWidth(col);
      const RECT rect{x, y, x + w, y + h};
      if (CGridCellBase* cell = GetCell(row, col)) cell->PrintCell(&dc, row, col, rect);
      dc.Line(POINT{x, y + h}, POINT{x + w, y + h}, line);
      if (row == 0) dc.Line(POINT{x, y}, POINT{x + w, y}, line);
      dc.Line(POINT{x + w, row == firstRow ? y : y - 1}, POINT{x + w, y + h}, line);
      if (col == 0) dc.Line(POINT{x, y}, POINT{x, y + h}, line);
      x += w;
    }
    y += h;
  }
}

void CGridModel::PrintHeader(IGridPainter& dc, const RECT& rect) {
  CGridFont bold = m_print.font;
  bold.weight = 700;
  dc.Save();
  dc.SetFont(bold);
  dc.SetTextColor(RGB(0, 0, 0));
  dc.DrawText(GetPrintTitle(), rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  dc.DrawText(GetApplicationTitle(), rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  dc.Line(POINT{rect.left, rect.bottom}, POINT{rect.right, rect.bottom}, RGB(0, 0, 0));
  dc.Restore();
}

void CGridModel::PrintFooter(IGridPainter& dc, const RECT& rect, int page) {
  std::string date = m_strPrintDate;
  if (date.empty()) {
    char buf[128] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(buf, sizeof buf, "%c", &local);
    date = buf;
  }
  dc.Line(POINT{rect.left, rect.top}, POINT{rect.right, rect.top}, RGB(0, 0, 0));
  CGridFont bold = m_print.font;
  bold.weight = 700;
  dc.Save();
  dc.SetFont(bold);
  dc.SetTextColor(RGB(0, 0, 0));
  dc.DrawText(
      res::text::kPrintPage + std::to_string(page) + res::text::kPrintPageOf + std::to_string(m_print.pageCount), rect,
      DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  dc.DrawText(date, rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  dc.Restore();
}

}  // namespace qzn
