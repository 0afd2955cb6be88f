// The table control's focus cell and selection, and what the mouse and the
// keyboard do with them; the grid's side of in-place editing.
#include <algorithm>

#include "widgets/core/gridmodel.h"

namespace qzn {

namespace {
POINT Minus(POINT a, POINT b) { return POINT{a.x - b.x, a.y - b.y}; }
}  // namespace

// ---- Focus and selection --------------------------------------------------

void CGridModel::RedrawFixedOfFocus(const CGridCellId& cell, bool cols) {
  // Header cells in the focus cell's row and column are drawn sunken.
  if (cols) {
    for (int r = 0; r < m_nFixedRows; ++r) RedrawCell(r, cell.col);
  } else {
    for (int c = 0; c < m_nFixedCols; ++c) RedrawCell(cell.row, c);
  }
}

CGridCellId CGridModel::SetFocusCell(int row, int col) {
  const CGridCellId prev = m_idCurrentCell;
  if (row != -1 && row < m_nFixedRows) row = m_nFixedRows;
  if (col != -1 && col < m_nFixedCols) col = m_nFixedCols;
  if (row == prev.row && col == prev.col) return prev;

  if (IsValid(prev)) {
    SetItemState(prev.row, prev.col, GetItemState(prev.row, prev.col) & ~GVIS_FOCUSED);
    RedrawCell(prev.row, prev.col);
    if (m_bTrackFocusCell) {
      if (prev.col != col) RedrawFixedOfFocus(prev, true);
      if (prev.row != row) RedrawFixedOfFocus(prev, false);
    }
  }
  m_idCurrentCell = CGridCellId(row, col);
  if (IsValid(m_idCurrentCell)) {
    SetItemState(row, col, GetItemState(row, col) | GVIS_FOCUSED);
    RedrawCell(row, col);
    if (m_bTrackFocusCell) {
      if (prev.col != col) RedrawFixedOfFocus(m_idCurrentCell, true);
      if (prev.row != row) RedrawFixedOfFocus(m_idCurrentCell, false);
    }
  }
  return prev;
}

void CGridModel::SetSelectedRange(int minRow, int minCol, int maxRow, int maxCol, bool forceRepaint, bool selectCells) {
  if (!m_bEnableSelection) return;
  const CGridCellRange visible = GetVisibleNonFixedCellRange();
  if (minRow >= 0 && minRow < m_nFixedRows) minRow = m_nFixedRows;
  if (maxRow >= 0 && maxRow < m_nFixedRows) maxRow = m_nFixedRows;
  if (minCol >= 0 && minCol < m_nFixedCols) minCol = m_nFixedCols;
  if (maxCol >= 0 && maxCol < m_nFixedCols) maxCol = m_nFixedCols;
  const CGridCellRange range(minRow, minCol, maxRow, maxCol);
  const bool allBounds = minRow >= 0 && minCol >= 0 && maxRow >= 0 && maxCol >= 0;

  if (selectCells) {
    // Every selected cell loses its bit; those leaving the selection are
    // repainted when on screen. Cells that no longer exist just leave.
    m_SelectedCellMap.ForEach([&](const CGridCellId& cell) {
      if (!IsValid(cell)) return;
      CGridCellBase* c = GetCell(cell.row, cell.col);
      c->SetState(c->GetState() & ~GVIS_SELECTED);
      if (!range.InRange(cell) && visible.InRange(cell)) RedrawCell(cell.row, cell.col);
    });
    m_SelectedCellMap.Clear();
    m_selRange = CGridCellRange();
    m_bSelRangeValid = true;
    if (allBounds) {
      m_PrevSelectedCellMap.ForEach([&](const CGridCellId& cell) {
        if (!IsValid(cell)) return;
        SetItemState(cell.row, cell.col, GetItemState(cell.row, cell.col) | GVIS_SELECTED);
        if (visible.InRange(cell)) RedrawCell(cell.row, cell.col);
      });
    }
  }

  if (allBounds && maxRow < m_nRows && maxCol < m_nCols && maxRow >= minRow && maxCol >= minCol) {
    for (int row = minRow; row <= maxRow; ++row) {
      for (int col = minCol; col <= maxCol; ++col) {
        const std::uint32_t state = GetItemState(row, col);
        bool changed = false;
        if (selectCells && !(state & GVIS_SELECTED)) {
          SetItemState(row, col, state | GVIS_SELECTED);
          changed = true;
        } else if (!selectCells && (state & GVIS_SELECTED)) {
          SetItemState(row, col, state & ~GVIS_SELECTED);
          changed = true;
        }
        if (changed && visible.InRange(row, col)) RedrawCell(row, col);
      }
    }
  }
  (void)forceRepaint;  // every repaint goes through the paint event
}

void CGridModel::SelectAllCells() {
  SetSelectedRange(m_nFixedRows, m_nFixedCols, m_nRows - 1, m_nCols - 1, false, true);
}

void CGridModel::SelectColumns(CGridCellId cell, bool forceRedraw, bool selectCells) {
  if (!IsValid(cell) || cell.col < m_nFixedCols) return;
  SetSelectedRange(m_nFixedRows, std::min(m_SelectionStartCell.col, cell.col), m_nRows - 1,
                   std::max(m_SelectionStartCell.col, cell.col), forceRedraw, selectCells);
}

void CGridModel::SelectRows(CGridCellId cell, bool forceRedraw, bool selectCells) {
  if (!IsValid(cell) || cell.row < m_nFixedRows) return;
  SetSelectedRange(std::min(m_SelectionStartCell.row, cell.row), m_nFixedCols,
                   std::max(m_SelectionStartCell.row, cell.row), m_nCols - 1, forceRedraw, selectCells);
}

void CGridModel::SelectCells(CGridCellId cell, bool forceRedraw, bool selectCells) {
  if (!IsValid(cell) || IsCellFixed(cell.row, cell.col)) return;
  SetSelectedRange(std::min(m_SelectionStartCell.row, cell.row), std::min(m_SelectionStartCell.col, cell.col),
                   std::max(m_SelectionStartCell.row, cell.row), std::max(m_SelectionStartCell.col, cell.col),
                   forceRedraw, selectCells);
}

void CGridModel::OnSelecting(const CGridCellId& cell) {
  switch (m_MouseMode) {
    case MOUSE_SELECT_ALL: SelectAllCells(); break;
    case MOUSE_SELECT_COL: SelectColumns(cell, false, true); break;
    case MOUSE_SELECT_ROW: SelectRows(cell, false, true); break;
    case MOUSE_SELECT_CELLS: SelectCells(cell, false, true); break;
    default: break;
  }
}

void CGridModel::ResetSelectedRange() {
  m_PrevSelectedCellMap.Clear();
  SetSelectedRange(-1, -1, -1, -1, false, true);
  SetFocusCell(-1, -1);
}

CGridCellRange CGridModel::GetSelectedCellRange() const {
  if (!m_bSelRangeValid) {
    CGridCellRange r;
    bool any = false;
    m_SelectedCellMap.ForEach([&](const CGridCellId& c) {
      if (!any) {
        r = CGridCellRange(c.row, c.col, c.row, c.col);
        any = true;
      } else {
        r.minRow = std::min(r.minRow, c.row), r.maxRow = std::max(r.maxRow, c.row);
        r.minCol = std::min(r.minCol, c.col), r.maxCol = std::max(r.maxCol, c.col);
      }
    });
    m_selRange = r;
    m_bSelRangeValid = true;
  }
  if (m_SelectedCellMap.Empty()) return CGridCellRange(m_nRows, m_nCols, -1, -1);
  return m_selRange;
}

void CGridModel::ValidateAndModifyCellContents(int row, int col, const std::string& text) {
  if (!IsCellEditable(row, col)) return;
  if (SendMessageToParent(row, col, LVN_BEGINLABELEDIT) < 0) return;
  CGridCellBase* cell = GetCell(row, col);
  if (!cell) return;  // the owner changed the table
  const std::string old = cell->GetText();
  if (text == old) return;
  cell->SetText(text);
  const bool valid = ValidateEdit(row, col, text) && SendMessageToParent(row, col, LVN_ENDLABELEDIT) >= 0;
  if (!(cell = GetCell(row, col))) return;
  if (valid) {
    SetModified(true, row, col);
    RedrawCell(row, col);
  } else {
    cell->SetText(old);
  }
}

// ---- Mouse ----------------------------------------------------------------

bool CGridModel::MouseOverDivider(POINT point, bool cols) const {
  // Only in the header: the fixed rows for column dividers, the fixed
  // columns for row dividers.
  if (cols ? point.y >= GetFixedRowHeight() : point.x >= GetFixedColumnWidth()) return false;
  const CGridCellId cell = GetCellFromPt(point, true);
  POINT start;
  if (!GetCellOrigin(cell.row, cell.col, start)) return false;
  const int from = cols ? point.x - start.x : point.y - start.y;
  const int to = cols ? start.x + GetColumnWidth(cell.col) - point.x : start.y + GetRowHeight(cell.row) - point.y;
  return (from <= kResizeCaptureRange && (cols ? cell.col : cell.row) != 0) || to <= kResizeCaptureRange;
}

void CGridModel::OnMouseMove(POINT point, unsigned flags, bool leftDown) {
  if (!PtInRect(ClientRect(), point)) return;

  if (leftDown && m_MouseMode != MOUSE_NOTHING) {
    if (IsValid(m_LeftClickDownCell)) {
      switch (m_MouseMode) {
        case MOUSE_SELECT_COL:
        case MOUSE_SELECT_ROW:
        case MOUSE_SELECT_CELLS: {
          const CGridCellId cell = GetCellFromPt(point, true);
          if (!IsValid(cell) || cell == m_idCurrentCell) break;
          OnSelecting(cell);
          if (m_MouseMode != MOUSE_SELECT_CELLS || !IsCellFixed(cell.row, cell.col)) SetFocusCell(cell);
          break;
        }
        case MOUSE_SIZING_COL: SetDragLine(1, std::clamp(point.x, m_nDragMin, m_nDragMax)); break;
        case MOUSE_SIZING_ROW: SetDragLine(0, std::clamp(point.y, m_nDragMin, m_nDragMax)); break;
        case MOUSE_PREPARE_EDIT:
        case MOUSE_PREPARE_DRAG: m_MouseMode = MOUSE_PREPARE_DRAG; break;
        default: break;
      }
    }
  } else {
    if (m_bAllowColumnResize && MouseOverColumnResizeArea(point)) {
      if (m_MouseMode != MOUSE_OVER_COL_DIVIDE) {
        ShowCursorShape(CGridCursor::kSizeWE);
        m_MouseMode = MOUSE_OVER_COL_DIVIDE;
      }
    } else if (m_bAllowRowResize && MouseOverRowResizeArea(point)) {
      if (m_MouseMode != MOUSE_OVER_ROW_DIVIDE) {
        ShowCursorShape(CGridCursor::kSizeNS);
        m_MouseMode = MOUSE_OVER_ROW_DIVIDE;
      }
    } else if (m_MouseMode != MOUSE_NOTHING) {
      ShowCursorShape(CGridCursor::kArrow);
      m_MouseMode = MOUSE_NOTHING;
    }
    if (m_MouseMode == MOUSE_NOTHING) {
      const CGridCellId id = GetCellFromPt(point, true);
      if (CGridCellBase* cell = GetCell(id.row, id.col)) {
        cell->OnMouseOver();
        if (m_bTitleTips) {
          const std::string& tip = cell->GetTipText();
          RECT textRect, cellRect;
          if (!tip.empty() && !cell->IsEditing() && GetCellRect(id.row, id.col, textRect) &&
              cell->GetTipTextRect(textRect) && GetCellRect(id.row, id.col, cellRect))
            ShowTitleTip(textRect, cellRect, tip, cell->GetFont(), m_crTTipTextClr, m_crTTipBackClr);
        }
      }
    }
  }
  m_LastMousePoint = point;
}

void CGridModel::OnLButtonDown(POINT point, unsigned flags) {
  SetKeyboardFocus();
  m_LeftClickDownPoint = point;
  m_bLMouseButtonDown = true;
  m_LeftClickDownCell = GetCellFromPt(point, true);
  if (!IsValid(m_LeftClickDownCell)) return;

  if (flags & MK_SHIFT) {
    if (!IsValid(m_SelectionStartCell)) m_SelectionStartCell = m_idCurrentCell;
  } else {
    m_SelectionStartCell = m_LeftClickDownCell;
  }
  EndEditing();

  const CGridCellId down = m_LeftClickDownCell;
  RECT cellRect{};
  POINT origin{};
  const bool hasRect = GetCellRect(down.row, down.col, cellRect);
  GetCellOrigin(down.row, down.col, origin);
  bool inText = false;
  if (CGridCellBase* cell = GetCell(down.row, down.col)) {
    cell->OnClickDown(Minus(point, origin));
    RECT textRect = cellRect;
    inText = hasRect && cell->GetTextRect(textRect) && PtInRect(textRect, point);
  }

  if (down == m_idCurrentCell && !(flags & MK_CONTROL) && inText && IsCellEditable(down.row, down.col)) {
    m_MouseMode = MOUSE_PREPARE_EDIT;
    return;
  }
  if (IsCellSelected(down.row, down.col) && (flags & MK_CONTROL)) {
    SetFocusCell(down);
    SelectCells(down, true, false);
    return;
  }
  // A press on a cell moves the focus there, also on a cell that is already
  // in the selection, so that what is typed next goes to the cell pressed.
  if (m_MouseMode != MOUSE_OVER_ROW_DIVIDE && m_MouseMode != MOUSE_OVER_COL_DIVIDE) {
    SetFocusCell(-1, -1);
    if (m_nRows > m_nFixedRows && m_nCols > m_nFixedCols)
      SetFocusCell(std::max(down.row, m_nFixedRows), std::max(down.col, m_nFixedCols));
  }

  GrabMouse();
  if (m_MouseMode == MOUSE_NOTHING) {
    if (m_bAllowColumnResize && MouseOverColumnResizeArea(point)) {
      m_MouseMode = MOUSE_OVER_COL_DIVIDE;
      ShowCursorShape(CGridCursor::kSizeWE);
    } else if (m_bAllowRowResize && MouseOverRowResizeArea(point)) {
      m_MouseMode = MOUSE_OVER_ROW_DIVIDE;
      ShowCursorShape(CGridCursor::kSizeNS);
    }
  }

  if (m_MouseMode == MOUSE_OVER_COL_DIVIDE || m_MouseMode == MOUSE_OVER_ROW_DIVIDE) {
    const bool cols = m_MouseMode == MOUSE_OVER_COL_DIVIDE;
    m_MouseMode = cols ? MOUSE_SIZING_COL : MOUSE_SIZING_ROW;
    // Columns along x, rows along y.
    int& index = cols ? m_LeftClickDownCell.col : m_LeftClickDownCell.row;
    const int count = cols ? m_nCols : m_nRows;
    const auto size = [&](int i) { return cols ? GetColumnWidth(i) : GetRowHeight(i); };
    const auto along = [&](POINT p) { return cols ? p.x : p.y; };
    RECT vis;
    GetVisibleNonFixedCellRange(&vis);
    // A last column (row) narrower than the capture range is taken at the
    // visible area's right (bottom) edge.
    const bool lastNarrow = size(count - 1) < kResizeCaptureRange &&
                            std::abs(along(point) - (cols ? vis.right : vis.bottom)) <= kResizeCaptureRange;
    if (lastNarrow) index = count - 1;
    POINT start;
    if (!GetCellOrigin(m_LeftClickDownCell.row, m_LeftClickDownCell.col, start)) return;
    // Just past a left (top) edge the divider is the one of the column
    // (row) before.
    if (along(point) - along(start) <= kResizeCaptureRange && !lastNarrow && index > 0) {
      --index;
      if (!GetCellOrigin(m_LeftClickDownCell.row, m_LeftClickDownCell.col, start)) return;
    }
    // The drag stays within one client width (height) of the left (top)
    // edge: the pointer is clamped where the desktop cannot confine it.
    const int room = cols ? m_nClientWidth - GetFixedColumnWidth() : m_nClientHeight - GetFixedRowHeight();
    m_nDragMin = along(start);
    m_nDragMax = along(start) + 1 + std::max(0, room);
    SetDragLine(cols ? 1 : 0, std::clamp(along(point), m_nDragMin, m_nDragMax));
  } else if (m_MouseMode != MOUSE_PREPARE_DRAG) {
    SendMessageToParent(down.row, down.col, LVN_ITEMCHANGING);
    m_PrevSelectedCellMap.Clear();
    if (flags & MK_CONTROL)
      m_SelectedCellMap.ForEach([&](const CGridCellId& c) { m_PrevSelectedCellMap.Insert(c.row, c.col); });
    CGridCellId cell = down;
    if (cell.row < m_nFixedRows) {
      OnFixedRowClick(cell);
    } else if (cell.col < m_nFixedCols) {
      OnFixedColumnClick(cell);
    } else {
      m_MouseMode = MOUSE_SELECT_CELLS;
      OnSelecting(cell);
      SetAutoScrollTimer(true);
      m_bTimerOn = true;
    }
  }
  m_LastMousePoint = point;
}

void CGridModel::OnFixedRowClick(CGridCellId& cell) {
  if (!IsValid(cell)) return;
  if (m_bFixedRowSelection) {
    m_MouseMode = cell.col < m_nFixedCols ? MOUSE_SELECT_ALL : MOUSE_SELECT_COL;
    OnSelecting(cell);
  }
}

void CGridModel::OnFixedColumnClick(CGridCellId& cell) {
  if (!IsValid(cell)) return;
  if (m_bFixedColumnSelection) {
    m_MouseMode = cell.row < m_nFixedRows ? MOUSE_SELECT_ALL : MOUSE_SELECT_ROW;
    OnSelecting(cell);
  }
}

void CGridModel::OnLButtonUp(POINT point, unsigned flags) {
  m_bLMouseButtonDown = false;
  if (HasMouseGrab()) FreeMouse();
  if (m_bTimerOn) {
    SetAutoScrollTimer(false);
    m_bTimerOn = false;
  }

  POINT rel{0, 0}, origin;
  if (GetCellOrigin(m_idCurrentCell.row, m_idCurrentCell.col, origin)) rel = Minus(point, origin);
  const CGridCellId down = m_LeftClickDownCell;

  if (m_MouseMode == MOUSE_PREPARE_EDIT) {
    m_MouseMode = MOUSE_NOTHING;
    OnEditCell(m_idCurrentCell.row, m_idCurrentCell.col, rel, VK_LBUTTON);
  } else if (m_MouseMode == MOUSE_PREPARE_DRAG) {
    if (CGridCellBase* cell = GetCell(m_idCurrentCell.row, m_idCurrentCell.col)) cell->OnClick(rel);
    SendMessageToParent(down.row, down.col, NM_CLICK);
    SendMessageToParent(down.row, down.col, LVN_ITEMCHANGING);
    ResetSelectedRange();
    SendMessageToParent(m_idCurrentCell.row, m_idCurrentCell.col, LVN_ITEMCHANGED);
  } else if (m_MouseMode == MOUSE_SIZING_COL || m_MouseMode == MOUSE_SIZING_ROW) {
    const bool cols = m_MouseMode == MOUSE_SIZING_COL;
    SetDragLine(cols ? 1 : 0, -1);
    POINT start;
    if (!(point == m_LeftClickDownPoint) && (point.x != 0 || point.y != 0) &&
        GetCellOrigin(down.row, down.col, start)) {
      if (cols) {
        const int x = std::clamp(point.x, m_nDragMin, m_nDragMax);
        SetColumnWidth(down.col, std::max(0, x - start.x));
      } else {
        const int y = std::clamp(point.y, m_nDragMin, m_nDragMax);
        SetRowHeight(down.row, std::max(0, y - start.y));
      }
      ResetScrollBars();
      InvalidateAll();
    }
  } else {
    SendMessageToParent(m_idCurrentCell.row, m_idCurrentCell.col, LVN_ITEMCHANGED);
    if (CGridCellBase* cell = GetCell(m_idCurrentCell.row, m_idCurrentCell.col)) cell->OnClick(rel);
    SendMessageToParent(down.row, down.col, NM_CLICK);
  }
  m_MouseMode = MOUSE_NOTHING;
  ShowCursorShape(CGridCursor::kArrow);
  if (IsValid(down)) PostCommandToParent();
}

void CGridModel::OnLButtonDblClk(POINT point, unsigned flags) {
  CGridCellId cell = GetCellFromPt(point, true);
  if (!IsValid(cell)) return;
  // The release before a double click ends the divider mode; the pointer
  // has not moved, so the divider is found again here.
  if (m_MouseMode == MOUSE_NOTHING) {
    if (m_bAllowColumnResize && MouseOverColumnResizeArea(point))
      m_MouseMode = MOUSE_OVER_COL_DIVIDE;
    else if (m_bAllowRowResize && MouseOverRowResizeArea(point))
      m_MouseMode = MOUSE_OVER_ROW_DIVIDE;
  }
  POINT start;
  if (m_MouseMode == MOUSE_OVER_COL_DIVIDE) {
    if (!GetCellOrigin(cell.row, cell.col, start)) return;
    if (point.x - start.x <= kResizeCaptureRange) --cell.col;
    while (cell.col > 0 && GetColumnWidth(cell.col) == 0) --cell.col;
    if (cell.col < 0) return;
    AutoSizeColumn(cell.col, m_nAutoSizeColumnStyle, true);
    InvalidateAll();
  } else if (m_MouseMode == MOUSE_OVER_ROW_DIVIDE) {
    if (!GetCellOrigin(cell.row, cell.col, start)) return;
    if (point.y - start.y <= kResizeCaptureRange) --cell.row;
    while (cell.row > 0 && GetRowHeight(cell.row) == 0) --cell.row;
    if (cell.row < 0) return;
    AutoSizeRow(cell.row, true);
    InvalidateAll();
  } else if (m_MouseMode == MOUSE_NOTHING) {
    POINT rel{0, 0};
    if (GetCellOrigin(cell.row, cell.col, start)) rel = Minus(point, start);
    CGridCellBase* c = GetCell(cell.row, cell.col);
    RECT textRect;
    if (IsValid(m_LeftClickDownCell) && !IsCellFixed(cell.row, cell.col) && c &&
        GetCellRect(cell.row, cell.col, textRect) && c->GetTextRect(textRect) && PtInRect(textRect, point))
      OnEditCell(cell.row, cell.col, rel, VK_LBUTTON);
    if ((c = GetCell(cell.row, cell.col))) c->OnDblClick(rel);
    SendMessageToParent(cell.row, cell.col, NM_DBLCLK);
  }
}

void CGridModel::OnRButtonUp(POINT point, unsigned flags) {
  const CGridCellId cell = GetCellFromPt(point, true);
  EndEditing();
  if (!IsValid(cell)) {
    SendMessageToParent(-1, -1, NM_RCLICK);
    return;
  }
  SetFocusCell(-1, -1);
  SetFocusCell(std::max(cell.row, m_nFixedRows), std::max(cell.col, m_nFixedCols));
  POINT origin, rel{0, 0};
  if (GetCellOrigin(cell.row, cell.col, origin)) rel = Minus(point, origin);
  if (CGridCellBase* c = GetCell(cell.row, cell.col)) c->OnRClick(rel);
  SendMessageToParent(cell.row, cell.col, NM_RCLICK);
}

void CGridModel::OnTimer(POINT pt) {
  const RECT client = ClientRect();
  const int fw = GetFixedColumnWidth(), fh = GetFixedRowHeight();
  const auto selectAt = [&](POINT p) { OnSelecting(GetCellFromPt(p, true)); };
  if (pt.y > client.bottom) {
    OnKeyDown(VK_DOWN, 0);
    selectAt(POINT{std::clamp(pt.x, client.left, client.right), client.bottom});
  } else if (pt.y < fh) {
    OnKeyDown(VK_UP, 0);
    selectAt(POINT{std::clamp(pt.x, client.left, client.right), fh + 1});
  }
  if (pt.x > client.right) {
    OnKeyDown(VK_RIGHT, 0);
    selectAt(POINT{client.right, std::clamp(pt.y, client.top, client.bottom)});
  } else if (pt.x < fw) {
    OnKeyDown(VK_LEFT, 0);
    selectAt(POINT{fw + 1, std::clamp(pt.y, client.top, client.bottom)});
  }
}

void CGridModel::OnCaptureChanged() {
  if (m_bTimerOn) {
    SetAutoScrollTimer(false);
    m_bTimerOn = false;
  }
  // Losing the mouse to another window ends the gesture: a divider drag
  // leaves the size as it was.
  if (m_MouseMode == MOUSE_SIZING_COL) SetDragLine(1, -1);
  if (m_MouseMode == MOUSE_SIZING_ROW) SetDragLine(0, -1);
  if (m_bLMouseButtonDown) {
    m_bLMouseButtonDown = false;
    m_MouseMode = MOUSE_NOTHING;
  }
}

CGridCursor CGridModel::OnSetCursor(POINT point) {
  CGridCursor cursor = CGridCursor::kArrow;
  if (m_MouseMode == MOUSE_OVER_ROW_DIVIDE) {
    cursor = CGridCursor::kSizeNS;
  } else if (m_MouseMode == MOUSE_OVER_COL_DIVIDE) {
    cursor = CGridCursor::kSizeWE;
  } else {
    const CGridCellId id = GetCellFromPt(point, true);
    if (CGridCellBase* cell = GetCell(id.row, id.col)) {
      cell->OnSetCursor();
      return cursor;
    }
  }
  ShowCursorShape(cursor);
  return cursor;
}

// ---- Keyboard ---------------------------------------------------------------

bool CGridModel::OnKeyDown(int vk, unsigned flags) {
  if (!IsValid(m_idCurrentCell)) return false;
  const bool ctrl = flags & MK_CONTROL, shift = flags & MK_SHIFT;
  if (ctrl) {
    switch (vk) {
      case 'C':
      case VK_INSERT: OnEditCopy(); return true;
      case 'A': OnEditSelectAll(); return true;
      case 'V': OnEditPaste(); return true;
      case 'X': OnEditCut(); return true;
      default: break;
    }
  }
  if (shift && vk == VK_INSERT) {
    OnEditPaste();
    return false;
  }

  const CGridCellId focus = m_idCurrentCell;
  CGridCellId next = focus;
  bool rowWrap = false;
  const bool tab = vk == VK_TAB;
  const auto firstVisibleCol = [&](int from) {
    int c = from;
    while (c < m_nCols && GetColumnWidth(c) == 0) ++c;
    return c;
  };

  if (vk == VK_LEFT || (tab && shift)) {
    int c = next.col - 1;
    while (c >= m_nFixedCols && GetColumnWidth(c) == 0) --c;
    if (c >= m_nFixedCols) {
      next.col = c;
    } else if (tab && next.row > m_nFixedRows) {
      --next.row;
      next.col = m_nCols - 1;
      rowWrap = true;
    }
  } else if (vk == VK_RIGHT || tab) {
    int c = next.col + 1;
    while (c < m_nCols && GetColumnWidth(c) == 0) ++c;
    if (c < m_nCols) {
      next.col = c;
    } else if (tab && next.row < m_nRows - 1) {
      ++next.row;
      next.col = firstVisibleCol(m_nFixedCols);
      if (next.col >= m_nCols) next.col = m_nFixedCols;
      rowWrap = true;
    }
  } else if (vk == VK_UP) {
    int r = next.row - 1;
    while (r >= m_nFixedRows && GetRowHeight(r) == 0) --r;
    if (r >= m_nFixedRows) next.row = r;
  } else if (vk == VK_DOWN) {
    int r = next.row + 1;
    while (r < m_nRows && GetRowHeight(r) == 0) ++r;
    if (r < m_nRows) next.row = r;
  } else if (vk == VK_NEXT) {
    const CGridCellId before = GetTopleftNonFixedCell();
    OnVScroll(SB_PAGEDOWN);
    const CGridCellId after = GetTopleftNonFixedCell();
    next.row = before == after ? m_nRows - 1 : std::min(m_nRows - 1, next.row + (after.row - before.row));
  } else if (vk == VK_PRIOR) {
    const CGridCellId before = GetTopleftNonFixedCell();
    OnVScroll(SB_PAGEUP);
    const CGridCellId after = GetTopleftNonFixedCell();
    next.row = before == after ? m_nFixedRows : std::max(m_nFixedRows, next.row - (before.row - after.row));
  } else if (vk == VK_HOME) {
    if (ctrl) {
      OnVScroll(SB_TOP);
      next.row = m_nFixedRows;
      while (next.row < m_nRows - 1 && GetRowHeight(next.row) == 0) ++next.row;
    }
    OnHScroll(SB_LEFT);
    next.col = m_nFixedCols;
    while (next.col < m_nCols - 1 && GetColumnWidth(next.col) == 0) ++next.col;
  } else if (vk == VK_END) {
    if (ctrl) {
      OnVScroll(SB_BOTTOM);
      next.row = m_nRows - 1;
      while (next.row > m_nFixedRows && GetRowHeight(next.row) == 0) --next.row;
    }
    OnHScroll(SB_RIGHT);
    next.col = m_nCols - 1;
    while (next.col > m_nFixedCols && GetColumnWidth(next.col) == 0) --next.col;
  } else if (vk == VK_DELETE) {
    ValidateAndModifyCellContents(focus.row, focus.col, std::string());
    return true;
  } else if (vk == VK_F2) {
    OnEditCell(focus.row, focus.col, POINT{-1, -1}, VK_LBUTTON);
    return true;
  } else {
    return false;
  }

  if (next == focus) return true;
  if (m_MouseMode == MOUSE_NOTHING) {
    m_PrevSelectedCellMap.Clear();
    m_MouseMode = MOUSE_SELECT_CELLS;
    if (!shift || tab) m_SelectionStartCell = next;
    OnSelecting(next);
    m_MouseMode = MOUSE_NOTHING;
  }
  SetFocusCell(next);

  if (!IsCellVisible(next.row, next.col)) {
    if (tab && rowWrap) {
      if (shift) {
        OnVScroll(SB_LINEUP);
        SetScrollPos32(SB_HORZ, m_nHScrollMax);
      } else {
        OnVScroll(SB_LINEDOWN);
        SetScrollPos32(SB_HORZ, 0);
      }
    } else if (tab) {
      OnHScroll(shift ? SB_LINELEFT : SB_LINERIGHT);
    } else if (vk == VK_LEFT) {
      OnHScroll(SB_LINELEFT);
    } else if (vk == VK_RIGHT) {
      OnHScroll(SB_LINERIGHT);
    } else if (vk == VK_UP) {
      OnVScroll(SB_LINEUP);
    } else if (vk == VK_DOWN) {
      OnVScroll(SB_LINEDOWN);
    }
    EnsureVisible(next.row, next.col);
    InvalidateAll();
  }
  EnsureVisible(next.row, next.col);
  return true;
}

void CGridModel::OnChar(int ch, unsigned flags, bool imeChar) {
  if ((flags & MK_CONTROL) || m_MouseMode != MOUSE_NOTHING || ch == VK_ESCAPE) return;
  if (!imeChar && ch == VK_TAB && m_bHandleTabKey) return;
  if (!IsValid(m_idCurrentCell)) return;
  OnEditCell(m_idCurrentCell.row, m_idCurrentCell.col, POINT{-1, -1}, ch);
}

// ---- In-place edit ---------------------------------------------------------

void CGridModel::OnEditCell(int row, int col, POINT point, int ch) {
  HideTitleTip();
  if (!IsValid(row, col) || !IsCellEditable(row, col)) return;
  EnsureVisible(row, col);
  RECT rect;
  if (!IsCellVisible(row, col) || !GetCellRect(row, col, rect)) return;
  if (SendMessageToParent(row, col, LVN_BEGINLABELEDIT) < 0) return;
  if (CGridCellBase* cell = GetCell(row, col)) cell->Edit(row, col, rect, point, kInPlaceEditId, ch);
}

void CGridModel::OnEndEditCell(int row, int col, const std::string& text) {
  CGridCellBase* cell = GetCell(row, col);
  if (!cell) return;
  const std::string old = cell->GetText();
  if (text != old) {
    cell->SetText(text);
    const bool valid = ValidateEdit(row, col, text) && SendMessageToParent(row, col, LVN_ENDLABELEDIT) >= 0;
    if (!(cell = GetCell(row, col))) return;
    if (valid) {
      SetModified(true, row, col);
      RedrawCell(row, col);
    } else {
      cell->SetText(old);
    }
  }
  cell->OnEndEdit();
}

void CGridModel::OnEndInPlaceEdit(int row, int col, const std::string& text, int exitKey, unsigned flags) {
  OnEndEditCell(row, col, text);
  if (exitKey == VK_TAB || (exitKey >= VK_PRIOR && exitKey <= VK_DOWN)) {
    OnKeyDown(exitKey, flags);
    OnEditCell(m_idCurrentCell.row, m_idCurrentCell.col, POINT{-1, -1}, exitKey);
  }
}

void CGridModel::EndEditing() {
  CRow* r = IsValid(m_idCurrentCell) ? &m_RowData[static_cast<std::size_t>(m_idCurrentCell.row)] : nullptr;
  if (r && !r->cells.empty()) r->cells[static_cast<std::size_t>(m_idCurrentCell.col)].EndEdit();
}

bool CGridModel::ValidateEdit(int row, int col, const std::string& text) {
  CGridCellBase* cell = GetCell(row, col);
  return cell ? cell->ValidateEdit(text) : true;
}

}  // namespace qzn
