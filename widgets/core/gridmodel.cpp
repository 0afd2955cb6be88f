// The table control's data: counts, cells, default cells, sizes and the
// geometry of cells on screen.
#include "widgets/core/gridmodel.h"

#include <algorithm>
#include <new>

#include "platform/host.h"
#include "resources/messages_common.h"

namespace qzn {

namespace {

// A table that cannot grow reports it as the framework did and keeps what it
// completed.
void ReportOutOfMemory() { Host().MessageBox(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP); }

}  // namespace

CGridModel::CGridModel(int rows, int cols, int fixedRows, int fixedCols) {
  const IGridDesktop& desk = GridDesktop();
  m_crWindowText = desk.SysColor(COLOR_WINDOWTEXT);
  m_crWindowColour = desk.SysColor(COLOR_WINDOW);
  m_cr3DFace = desk.SysColor(COLOR_BTNFACE);
  m_crShadow = desk.SysColor(COLOR_BTNSHADOW);
  m_nRowsPerWheelNotch = desk.WheelScrollLines();

  m_cellDefault = std::make_unique<CGridDefaultCell>();
  m_cellFixedColDef = std::make_unique<CGridDefaultCell>();
  m_cellFixedRowDef = std::make_unique<CGridDefaultCell>();
  m_cellFixedRowColDef = std::make_unique<CGridDefaultCell>();
  for (CGridDefaultCell* def :
       {m_cellDefault.get(), m_cellFixedColDef.get(), m_cellFixedRowDef.get(), m_cellFixedRowColDef.get()}) {
    def->SetGrid(this);
    def->SetTextClr(m_crWindowText);
    def->SetBackClr(def == m_cellDefault.get() ? m_crWindowColour : m_cr3DFace);
  }
  m_crGridBkColour = m_crShadow;

  SetRowCount(rows);
  SetColumnCount(cols);
  SetFixedRowCount(fixedRows);
  SetFixedColumnCount(fixedCols);
  m_SelectedCellMap.Clear();
  m_PrevSelectedCellMap.Clear();
  m_bSelRangeValid = false;
}

CGridModel::~CGridModel() = default;

// ---- Cells ----------------------------------------------------------------

std::uint32_t CGridModel::PositionBits(int row, int col) const {
  std::uint32_t bits = 0;
  if (row < m_nFixedRows) bits |= GVIS_FIXED | GVIS_FIXEDROW;
  if (col < m_nFixedCols) bits |= GVIS_FIXED | GVIS_FIXEDCOL;
  return bits;
}

void CGridModel::InitCell(CGridCell& cell, int row, int col) {
  cell.SetGrid(this);
  cell.SetCoords(row, col);
  cell.SetState(PositionBits(row, col));
  cell.SetFormat(GetDefaultCell(row < m_nFixedRows, col < m_nFixedCols)->GetFormat());
}

void CGridModel::MakeRowCells(int row) {
  std::vector<CGridCell>& cells = m_RowData[static_cast<std::size_t>(row)].cells;
  cells.resize(static_cast<std::size_t>(m_nCols));
  for (int c = 0; c < m_nCols; ++c) InitCell(cells[static_cast<std::size_t>(c)], row, c);
}

CGridCellBase* CGridModel::GetCell(int row, int col) {
  if (!IsValid(row, col)) return nullptr;
  CRow& r = m_RowData[static_cast<std::size_t>(row)];
  if (r.cells.empty()) MakeRowCells(row);
  return &r.cells[static_cast<std::size_t>(col)];
}

const CGridCellBase* CGridModel::FindCell(int row, int col) const {
  if (!IsValid(row, col)) return nullptr;
  const CRow& r = m_RowData[static_cast<std::size_t>(row)];
  return r.cells.empty() ? nullptr : &r.cells[static_cast<std::size_t>(col)];
}

CGridDefaultCell* CGridModel::GetDefaultCell(bool fixedRow, bool fixedCol) const {
  if (fixedRow && fixedCol) return m_cellFixedRowColDef.get();
  if (fixedRow) return m_cellFixedRowDef.get();
  if (fixedCol) return m_cellFixedColDef.get();
  return m_cellDefault.get();
}

bool CGridModel::SetItemText(int row, int col, const std::string& text) {
  CGridCellBase* cell = GetCell(row, col);
  if (!cell) return false;
  cell->SetText(text);
  SetModified(true, row, col);
  return true;
}

std::string CGridModel::GetItemText(int row, int col) const {
  const CGridCellBase* cell = FindCell(row, col);
  return cell ? cell->GetText() : std::string();
}

void CGridModel::NoteSelected(int row, int col, bool selected) {
  if (selected) {
    if (m_SelectedCellMap.Insert(row, col) && m_bSelRangeValid) {
      if (m_SelectedCellMap.Size() == 1) {
        m_selRange = CGridCellRange(row, col, row, col);
      } else {
        m_selRange.minRow = std::min(m_selRange.minRow, row), m_selRange.maxRow = std::max(m_selRange.maxRow, row);
        m_selRange.minCol = std::min(m_selRange.minCol, col), m_selRange.maxCol = std::max(m_selRange.maxCol, col);
      }
    }
  } else if (m_SelectedCellMap.Erase(row, col)) {
    m_bSelRangeValid = false;
  }
}

bool CGridModel::SetItemState(int row, int col, std::uint32_t state) {
  CGridCellBase* cell = GetCell(row, col);
  if (!cell) return false;
  NoteSelected(row, col, state & GVIS_SELECTED);
  cell->SetState(state);
  return true;
}

std::uint32_t CGridModel::GetItemState(int row, int col) const {
  if (const CGridCellBase* cell = FindCell(row, col)) return cell->GetState();
  return IsValid(row, col) ? PositionBits(row, col) : 0;
}

bool CGridModel::SetItemBkColour(int row, int col, COLORREF color) {
  CGridCellBase* cell = GetCell(row, col);
  if (!cell) return false;
  cell->SetBackClr(color);
  return true;
}

bool CGridModel::SetItemFgColour(int row, int col, COLORREF color) {
  CGridCellBase* cell = GetCell(row, col);
  if (!cell) return false;
  cell->SetTextClr(color);
  return true;
}

bool CGridModel::IsCellEditable(int row, int col) const {
  return m_bEditable && IsValid(row, col) && !(GetItemState(row, col) & GVIS_READONLY);
}

bool CGridModel::IsCellSelected(int row, int col) const {
  return m_bEnableSelection && (GetItemState(row, col) & GVIS_SELECTED);
}

bool CGridModel::IsValid(const CGridCellRange& r) const {
  return r.IsValid() && r.maxRow < m_nRows && r.maxCol < m_nCols;
}

void CGridModel::SetModified(bool modified, int row, int col) {
  if (row < 0 || col < 0) {
    m_bModified = modified;
  } else if (CGridCellBase* cell = GetCell(row, col)) {
    if (modified) {
      cell->SetState(cell->GetState() | GVIS_MODIFIED);
      m_bModified = true;
    } else {
      cell->SetState(cell->GetState() & ~GVIS_MODIFIED);
    }
  }
  if (!m_bModified) {
    for (CRow& r : m_RowData)
      for (CGridCell& cell : r.cells) cell.SetState(cell.GetState() & ~GVIS_MODIFIED);
  }
}

bool CGridModel::GetModified(int row, int col) const {
  if (row < 0 || col < 0) return m_bModified;
  return GetItemState(row, col) & GVIS_MODIFIED;
}

void CGridModel::EnableSelection(bool on) {
  ResetSelectedRange();
  m_bEnableSelection = on;
  ResetSelectedRange();
}

// ---- Counts ---------------------------------------------------------------

bool CGridModel::SetRowCount(int rows) {
  if (rows < 0) return false;
  if (rows == m_nRows) return true;
  if (m_nFixedRows > rows) m_nFixedRows = rows;
  if (m_idCurrentCell.row >= rows) SetFocusCell(-1, -1);
  bool ok = true;
  try {
    // Cells of removed rows leave the selection first.
    for (int r = rows; r < m_nRows; ++r) {
      for (int c = 0; c < m_nCols; ++c) {
        NoteSelected(r, c, false);
        m_PrevSelectedCellMap.Erase(r, c);
      }
    }
    const int height = m_cellDefault->GetHeight();
    if (rows > m_nRows) m_RowData.reserve(static_cast<std::size_t>(rows));
    m_RowData.resize(static_cast<std::size_t>(rows));
    m_rowHeights.Resize(rows, height);
    m_nRows = rows;
  } catch (const std::bad_alloc&) {
    // Keep the rows that were made and their heights in step.
    const int made = static_cast<int>(std::min<std::int64_t>(m_RowData.size(), m_rowHeights.Count()));
    m_RowData.resize(static_cast<std::size_t>(made));
    m_rowHeights.Resize(made, m_cellDefault->GetHeight());
    m_nRows = made;
    ReportOutOfMemory();
    ok = false;
  }
  m_idTopLeftCell = CGridCellId();
  SetModified(true, -1, -1);
  ResetScrollBars();
  Refresh();
  return ok;
}

bool CGridModel::SetColumnCount(int cols) {
  if (cols < 0) return false;
  if (cols == m_nCols) return true;
  if (m_nFixedCols > cols) m_nFixedCols = cols;
  if (m_idCurrentCell.col >= cols) SetFocusCell(-1, -1);
  const int oldCols = m_nCols;
  bool ok = true;
  try {
    for (int r = 0; r < m_nRows; ++r) {
      std::vector<CGridCell>& cells = m_RowData[static_cast<std::size_t>(r)].cells;
      if (cells.empty()) continue;
      for (int c = cols; c < oldCols; ++c) {
        NoteSelected(r, c, false);
        m_PrevSelectedCellMap.Erase(r, c);
      }
    }
    m_colWidths.Resize(cols, m_cellFixedColDef->GetWidth());
    m_nCols = cols;
    for (int r = 0; r < m_nRows; ++r) {
      std::vector<CGridCell>& cells = m_RowData[static_cast<std::size_t>(r)].cells;
      if (cells.empty()) continue;
      cells.resize(static_cast<std::size_t>(cols));
      for (int c = oldCols; c < cols; ++c) InitCell(cells[static_cast<std::size_t>(c)], r, c);
    }
  } catch (const std::bad_alloc&) {
    // Rows already widened shrink back, so every row has the same columns.
    const int keep = std::min(oldCols, cols);
    for (CRow& row : m_RowData)
      if (!row.cells.empty()) row.cells.resize(static_cast<std::size_t>(keep));
    m_colWidths.Resize(keep, m_cellFixedColDef->GetWidth());
    m_nCols = keep;
    ReportOutOfMemory();
    ok = false;
  }
  m_idTopLeftCell = CGridCellId();
  SetModified(true, -1, -1);
  ResetScrollBars();
  Refresh();
  return ok;
}

void CGridModel::SetStateBits(int row, int col, std::uint32_t set, std::uint32_t clear, bool resetColours) {
  CRow& r = m_RowData[static_cast<std::size_t>(row)];
  if (r.cells.empty()) return;  // made later with the bits of its place
  CGridCell& cell = r.cells[static_cast<std::size_t>(col)];
  cell.SetState((cell.GetState() & ~clear) | set);
  if (resetColours) {
    cell.SetTextClr(CLR_DEFAULT);
    cell.SetBackClr(CLR_DEFAULT);
  }
}

bool CGridModel::SetFixedRowCount(int fixedRows) {
  if (fixedRows < 0) return false;
  if (fixedRows == m_nFixedRows) return true;
  ResetSelectedRange();
  m_idTopLeftCell = CGridCellId();
  if (fixedRows > m_nRows && !SetRowCount(fixedRows)) return false;
  if (m_idCurrentCell.row < fixedRows) SetFocusCell(-1, -1);
  const int old = m_nFixedRows;
  for (int r = old; r < fixedRows; ++r)
    for (int c = 0; c < m_nCols; ++c) SetStateBits(r, c, GVIS_FIXED | GVIS_FIXEDROW, 0, true);
  for (int r = fixedRows; r < old; ++r)
    for (int c = 0; c < m_nCols; ++c)
      SetStateBits(r, c, 0, c < m_nFixedCols ? GVIS_FIXEDROW : GVIS_FIXED | GVIS_FIXEDROW, true);
  m_nFixedRows = fixedRows;
  Refresh();
  return true;
}

bool CGridModel::SetFixedColumnCount(int fixedCols) {
  if (fixedCols < 0) return false;
  if (fixedCols == m_nFixedCols) return true;
  ResetSelectedRange();
  m_idTopLeftCell = CGridCellId();
  if (fixedCols > m_nCols && !SetColumnCount(fixedCols)) return false;
  if (m_idCurrentCell.col < fixedCols) SetFocusCell(-1, -1);
  const int old = m_nFixedCols;
  for (int r = 0; r < m_nRows; ++r) {
    for (int c = old; c < fixedCols; ++c) SetStateBits(r, c, GVIS_FIXED | GVIS_FIXEDCOL, 0, true);
    for (int c = fixedCols; c < old; ++c)
      SetStateBits(r, c, 0, r < m_nFixedRows ? GVIS_FIXEDCOL : GVIS_FIXED | GVIS_FIXEDCOL, true);
  }
  m_nFixedCols = fixedCols;
  Refresh();
  return true;
}

bool CGridModel::DeleteRow(int row) {
  if (row < 0 || row >= m_nRows) return false;
  // The focus stays with its cell: gone with the row, one up below it.
  CGridCellId focus = m_idCurrentCell;
  if (focus.row == row)
    focus = CGridCellId();
  else if (focus.row > row)
    --focus.row;
  ResetSelectedRange();
  m_RowData.erase(m_RowData.begin() + row);
  m_rowHeights.Erase(row);
  --m_nRows;
  if (row < m_nFixedRows) --m_nFixedRows;
  m_idTopLeftCell = CGridCellId();
  if (IsValid(focus)) SetFocusCell(focus);
  ResetScrollBars();
  SetModified(true, -1, -1);
  return true;
}

bool CGridModel::DeleteAllItems() {
  ResetSelectedRange();
  m_RowData.clear();
  m_rowHeights.Clear();
  m_colWidths.Clear();
  m_idCurrentCell = CGridCellId();
  m_nRows = m_nFixedRows = m_nCols = m_nFixedCols = 0;
  m_idTopLeftCell = CGridCellId();
  ResetScrollBars();
  SetModified(true, -1, -1);
  return true;
}

// ---- Fonts and colours ----------------------------------------------------

void CGridModel::SetGridFont(const CGridFont& font) {
  for (CGridDefaultCell* def :
       {m_cellDefault.get(), m_cellFixedColDef.get(), m_cellFixedRowDef.get(), m_cellFixedRowColDef.get()})
    def->SetFont(&font);
  Refresh();
}

const CGridFont& CGridModel::GetGridFont() const { return *m_cellDefault->GetFont(); }

void CGridModel::OnSysColorChange() {
  const IGridDesktop& desk = GridDesktop();
  const COLORREF text = desk.SysColor(COLOR_WINDOWTEXT), window = desk.SysColor(COLOR_WINDOW);
  for (CGridDefaultCell* def :
       {m_cellDefault.get(), m_cellFixedColDef.get(), m_cellFixedRowDef.get(), m_cellFixedRowColDef.get()}) {
    if (def->GetTextClr() == m_crWindowText) def->SetTextClr(text);
    if (def->GetBackClr() == m_crWindowColour) def->SetBackClr(window);
  }
  if (m_crGridBkColour == m_crShadow) m_crGridBkColour = desk.SysColor(COLOR_BTNSHADOW);
  m_crWindowText = text;
  m_crWindowColour = window;
  m_cr3DFace = desk.SysColor(COLOR_BTNFACE);
  m_crShadow = desk.SysColor(COLOR_BTNSHADOW);
}

// ---- Sizes ----------------------------------------------------------------

int CGridModel::GetRowHeight(int row) const { return row < 0 || row >= m_nRows ? -1 : m_rowHeights.Size(row); }

int CGridModel::GetColumnWidth(int col) const { return col < 0 || col >= m_nCols ? -1 : m_colWidths.Size(col); }

bool CGridModel::SetRowHeight(int row, int height) {
  if (row < 0 || row >= m_nRows || height < 0) return false;
  m_rowHeights.Set(row, height);
  ResetScrollBars();
  return true;
}

bool CGridModel::SetColumnWidth(int col, int width) {
  if (col < 0 || col >= m_nCols || width < 0) return false;
  m_colWidths.Set(col, width);
  ResetScrollBars();
  return true;
}

int CGridModel::GetFixedRowHeight() const { return SaturateInt32(m_rowHeights.Start(m_nFixedRows)); }

int CGridModel::GetFixedColumnWidth() const { return SaturateInt32(m_colWidths.Start(m_nFixedCols)); }

bool CGridModel::AutoSizeColumn(int col, int style, bool resetScroll) {
  if (col < 0 || col >= m_nCols || GetColumnWidth(col) <= 0) return false;
  std::unique_ptr<IGridPainter> dc = CreateMeasurePainter();
  if (!dc) return false;
  if (style == 0) style = m_nAutoSizeColumnStyle;
  const int first = (style & 1) ? 0 : m_nFixedRows;
  const int last = (style & 2) ? m_nRows - 1 : m_nFixedRows - 1;
  int width = 0;
  for (int r = first; r <= last; ++r)
    if (CGridCellBase* cell = GetCell(r, col))
      width = std::max(width, static_cast<int>(cell->GetCellExtent(dc.get()).cx));
  m_colWidths.Set(col, width);
  if (resetScroll) ResetScrollBars();
  return true;
}

bool CGridModel::AutoSizeRow(int row, bool resetScroll) {
  if (row < 0 || row >= m_nRows || GetRowHeight(row) <= 0) return false;
  std::unique_ptr<IGridPainter> dc = CreateMeasurePainter();
  if (!dc) return false;
  int height = 0;
  for (int c = 0; c < m_nCols; ++c)
    if (CGridCellBase* cell = GetCell(row, c))
      height = std::max(height, static_cast<int>(cell->GetCellExtent(dc.get()).cy));
  m_rowHeights.Set(row, height);
  if (resetScroll) ResetScrollBars();
  return true;
}

void CGridModel::AutoSizeColumns(int style) {
  std::unique_ptr<IGridPainter> dc = CreateMeasurePainter();
  if (!dc) return;
  if (style == 0) style = m_nAutoSizeColumnStyle;
  const int first = (style & 1) ? 0 : m_nFixedRows;
  const int last = (style & 2) ? m_nRows - 1 : m_nFixedRows - 1;
  for (int r = first; r <= last; ++r)
    if (m_rowHeights.Size(r) > 0) m_rowHeights.Set(r, 1);
  // Every shown column starts at width 0 and every chosen row at height 1;
  // each cell then raises its column's width and its row's height to its
  // extent. Row by row, so the cells are read in the order they are kept.
  std::vector<int> shown;
  for (int c = 0; c < m_nCols; ++c) {
    if (m_colWidths.Size(c) <= 0) continue;
    shown.push_back(c);
    m_colWidths.Set(c, 0);
  }
  std::vector<int> widths(static_cast<std::size_t>(m_nCols), 0);
  for (int r = first; r <= last; ++r) {
    int height = m_rowHeights.Size(r);
    if (height <= 0) continue;
    for (int c : shown) {
      const SIZE size = GetCell(r, c)->GetCellExtent(dc.get());
      int& width = widths[static_cast<std::size_t>(c)];
      width = std::max(width, static_cast<int>(size.cx));
      height = std::max(height, static_cast<int>(size.cy));
    }
    m_rowHeights.Set(r, height);
  }
  for (int c : shown) m_colWidths.Set(c, widths[static_cast<std::size_t>(c)]);
  ResetScrollBars();
  Refresh();
}

// ---- Geometry -------------------------------------------------------------

void CGridModel::SetClientArea(int width, int height) {
  m_nClientWidth = std::max(0, width);
  m_nClientHeight = std::max(0, height);
  m_idTopLeftCell = CGridCellId();
}

CGridCellId CGridModel::GetTopleftNonFixedCell(bool recalculate) const {
  if (m_idTopLeftCell.IsValid() && !recalculate) return m_idTopLeftCell;
  m_idTopLeftCell.col = m_colWidths.StepWhileBelow(m_nFixedCols, m_nHScrollPos);
  m_idTopLeftCell.row = m_rowHeights.StepWhileBelow(m_nFixedRows, m_nVScrollPos);
  return m_idTopLeftCell;
}

bool CGridModel::GetCellOrigin(int row, int col, POINT& p) const {
  if (!IsValid(row, col)) return false;
  const CGridCellId tl = GetTopleftNonFixedCell();
  if (col >= m_nFixedCols && col < tl.col) return false;
  if (row >= m_nFixedRows && row < tl.row) return false;
  p.x = col < m_nFixedCols ? SaturateInt32(m_colWidths.Start(col))
                           : SaturateInt32(m_colWidths.Start(m_nFixedCols) + m_colWidths.Sum(tl.col, col));
  p.y = row < m_nFixedRows ? SaturateInt32(m_rowHeights.Start(row))
                           : SaturateInt32(m_rowHeights.Start(m_nFixedRows) + m_rowHeights.Sum(tl.row, row));
  return true;
}

bool CGridModel::GetCellRect(int row, int col, RECT& rect) const {
  POINT p;
  if (!GetCellOrigin(row, col, p)) return false;
  rect.left = p.x;
  rect.top = p.y;
  rect.right = SaturateInt32(std::int64_t{p.x} + GetColumnWidth(col) - 1);
  rect.bottom = SaturateInt32(std::int64_t{p.y} + GetRowHeight(row) - 1);
  return true;
}

CGridCellId CGridModel::GetCellFromPt(POINT point, bool allowFixed) const {
  const CGridCellId tl = GetTopleftNonFixedCell();
  CGridCellId cell;
  if (!allowFixed && !IsValid(tl)) return cell;

  const int fw = GetFixedColumnWidth();
  if (point.x < 0 || (!allowFixed && point.x < fw)) {
    cell.col = -1;
  } else if (point.x < fw) {
    cell.col = std::min(m_colWidths.FindEnd(0, point.x), m_nFixedCols - 1);
  } else {
    const int c = m_colWidths.FindEnd(tl.col, std::int64_t{point.x} - fw);
    cell.col = c >= m_nCols ? -1 : c;
  }

  const int fh = GetFixedRowHeight();
  if (point.y < 0 || (!allowFixed && point.y < fh)) {
    cell.row = -1;
  } else if (point.y < fh) {
    cell.row = std::min(m_rowHeights.FindEnd(0, point.y), m_nFixedRows - 1);
  } else {
    const int r = m_rowHeights.FindEnd(tl.row, std::int64_t{point.y} - fh);
    cell.row = r >= m_nRows ? -1 : r;
  }
  return cell;
}

CGridCellRange CGridModel::GetVisibleNonFixedCellRange(RECT* rect, bool recalculate) const {
  const CGridCellId tl = GetTopleftNonFixedCell(recalculate);
  const int fh = GetFixedRowHeight(), fw = GetFixedColumnWidth();

  // The last row (column) that begins inside the client area: the one that
  // covers its last pixel, or the table's last.
  int maxRow = std::min(m_rowHeights.FindEnd(tl.row, std::int64_t{m_nClientHeight} - 1 - fh), m_nRows - 1);
  int maxCol = std::min(m_colWidths.FindEnd(tl.col, std::int64_t{m_nClientWidth} - 1 - fw), m_nCols - 1);
  if (rect) {
    const std::int64_t bottom = std::int64_t{fh} + (maxRow >= tl.row ? m_rowHeights.Sum(tl.row, maxRow + 1) : 0);
    const std::int64_t right = std::int64_t{fw} + (maxCol >= tl.col ? m_colWidths.Sum(tl.col, maxCol + 1) : 0);
    *rect = RECT{0, 0, SaturateInt32(std::min<std::int64_t>(right, m_nClientWidth)),
                 SaturateInt32(std::min<std::int64_t>(bottom, m_nClientHeight))};
  }
  return CGridCellRange(tl.row, tl.col, maxRow, maxCol);
}

bool CGridModel::IsCellVisible(int row, int col) const {
  if (m_nClientWidth <= 0 || m_nClientHeight <= 0) return false;
  POINT p;
  if (!GetCellOrigin(row, col, p)) return false;
  return p.x < m_nClientWidth && p.y < m_nClientHeight;
}

void CGridModel::EnsureVisible(int row, int col) {
  if (!IsValid(row, col)) return;
  // Line steps until the cell lies in the visible range; each step moves by
  // at least one row or column, so the loops end within the table's size.
  for (int guard = m_nCols; guard-- > 0;) {
    const CGridCellRange vis = GetVisibleNonFixedCellRange();
    const int before = m_nHScrollPos;
    if (col >= m_nFixedCols && col < vis.minCol)
      OnHScroll(SB_LINELEFT);
    else if (col > vis.maxCol)
      OnHScroll(SB_LINERIGHT);
    else
      break;
    if (m_nHScrollPos == before) break;
  }
  for (int guard = m_nRows; guard-- > 0;) {
    const CGridCellRange vis = GetVisibleNonFixedCellRange();
    const int before = m_nVScrollPos;
    if (row >= m_nFixedRows && row < vis.minRow)
      OnVScroll(SB_LINEUP);
    else if (row > vis.maxRow)
      OnVScroll(SB_LINEDOWN);
    else
      break;
    if (m_nVScrollPos == before) break;
  }
  // A cell that begins inside but ends past the edge: one more step while
  // that brings it further in.
  const int fw = GetFixedColumnWidth(), fh = GetFixedRowHeight();
  RECT rect;
  for (int guard = m_nCols; guard-- > 0 && GetCellRect(row, col, rect);) {
    if (!(rect.right > m_nClientWidth && rect.left > fw)) break;
    const int before = m_nHScrollPos;
    OnHScroll(SB_LINERIGHT);
    if (m_nHScrollPos == before) break;
  }
  for (int guard = m_nRows; guard-- > 0 && GetCellRect(row, col, rect);) {
    if (!(rect.bottom > m_nClientHeight && rect.top > fh)) break;
    const int before = m_nVScrollPos;
    OnVScroll(SB_LINEDOWN);
    if (m_nVScrollPos == before) break;
  }
}

bool CGridModel::InvalidateCellRect(int row, int col) {
  if (!m_bAllowDraw || !IsValid(row, col) || !IsCellVisible(row, col)) return false;
  RECT rect;
  if (!GetCellRect(row, col, rect)) return false;
  rect.right += 1;
  rect.bottom += 1;
  InvalidateRect(rect);
  return true;
}

// The window paints only in its paint event, so redrawing a cell now means
// asking for that paint.
bool CGridModel::RedrawCell(int row, int col) { return InvalidateCellRect(row, col); }

}  // namespace qzn
