// The table control's painting and scrolling. The ordinary cells scroll by
// whole rows and columns on line steps and by pixels of scroll position
// otherwise; fixed rows and columns never scroll.
#include <algorithm>

#include "widgets/core/gridmodel.h"

namespace qzn {

void CGridModel::EraseBkgnd(IGridPainter& dc, const RECT& clip) {
  if (IsRectEmpty(clip)) return;
  const int fw = GetFixedColumnWidth(), fh = GetFixedRowHeight();
  RECT vis;
  GetVisibleNonFixedCellRange(&vis);
  const COLORREF fixedRowCol = m_cellFixedRowColDef->GetBackClr(), fixedRow = m_cellFixedRowDef->GetBackClr();
  const COLORREF fixedCol = m_cellFixedColDef->GetBackClr(), normal = m_cellDefault->GetBackClr();

  if (clip.left < fw && clip.top < fh) dc.FillRect(RECT{clip.left, clip.top, fw, fh}, fixedRowCol);
  if (clip.left < fw && clip.top < vis.bottom) dc.FillRect(RECT{clip.left, clip.top, fw, vis.bottom}, fixedCol);
  if (clip.top < fh && clip.right > fw && clip.left < vis.right)
    dc.FillRect(RECT{fw - 1, clip.top, vis.right, fh}, fixedRow);
  RECT both;
  if (IntersectRect(both, clip, vis))
    dc.FillRect(RECT{std::max(fw, both.left), std::max(fh, both.top), both.right, both.bottom}, normal);
  if (vis.right < clip.right) dc.FillRect(RECT{vis.right, clip.top, clip.right, clip.bottom}, m_crGridBkColour);
  if (vis.bottom < clip.bottom && clip.left < vis.right)
    dc.FillRect(RECT{clip.left, vis.bottom, vis.right, clip.bottom}, m_crGridBkColour);
}

void CGridModel::OnDraw(IGridPainter& dc, const RECT& clip) {
  if (!m_bAllowDraw || IsRectEmpty(clip)) return;
  EraseBkgnd(dc, clip);

  const int fh = GetFixedRowHeight(), fw = GetFixedColumnWidth();
  RECT vis;
  const CGridCellRange range = GetVisibleNonFixedCellRange(&vis);
  const auto draw = [&](int row, int col, const RECT& rect) {
    if (CGridCellBase* cell = GetCell(row, col)) cell->Draw(&dc, row, col, rect, false);
  };

  // Fixed corner: no clip test.
  RECT rect;
  rect.bottom = -1;
  for (int row = 0; row < m_nFixedRows; ++row) {
    rect.top = rect.bottom + 1;
    rect.bottom = rect.top + GetRowHeight(row) - 1;
    rect.right = -1;
    for (int col = 0; col < m_nFixedCols; ++col) {
      rect.left = rect.right + 1;
      rect.right = rect.left + GetColumnWidth(col) - 1;
      draw(row, col, rect);
    }
  }

  // Rows from `rowFrom` (at y) and columns from `colFrom` (at x), stopping
  // at the first row or column past the clip box and skipping those that
  // end before it.
  const auto drawBlock = [&](int rowFrom, int rowTo, int y, int colFrom, int colTo, int x) {
    rect.bottom = y - 1;
    for (int row = rowFrom; row <= rowTo; ++row) {
      rect.top = rect.bottom + 1;
      rect.bottom = rect.top + GetRowHeight(row) - 1;
      if (rect.top > clip.bottom) break;
      if (rect.bottom < clip.top) continue;
      rect.right = x - 1;
      for (int col = colFrom; col <= colTo; ++col) {
        rect.left = rect.right + 1;
        rect.right = rect.left + GetColumnWidth(col) - 1;
        if (rect.left > clip.right) break;
        if (rect.right < clip.left) continue;
        draw(row, col, rect);
      }
    }
  };
  drawBlock(range.minRow, range.maxRow, fh, 0, m_nFixedCols - 1, 0);          // fixed columns
  drawBlock(0, m_nFixedRows - 1, 0, range.minCol, range.maxCol, fw);          // fixed rows
  drawBlock(range.minRow, range.maxRow, fh, range.minCol, range.maxCol, fw);  // ordinary cells

  // Grid lines between the ordinary cells; the fixed cells draw their own
  // raised borders.
  int x = fw;
  for (int col = range.minCol; col <= range.maxCol; ++col) {
    x += GetColumnWidth(col);
    dc.Line(POINT{x - 1, fh}, POINT{x - 1, vis.bottom}, m_crGridLineColour);
  }
  int y = fh;
  for (int row = range.minRow; row <= range.maxRow; ++row) {
    y += GetRowHeight(row);
    dc.Line(POINT{fw, y - 1}, POINT{vis.right, y - 1}, m_crGridLineColour);
  }

  // The divider being dragged.
  if (m_nDragLine[0] >= 0) dc.InvertRect(RECT{m_nDragLine[0], 0, m_nDragLine[0] + 2, m_nClientHeight});
  if (m_nDragLine[1] >= 0) dc.InvertRect(RECT{0, m_nDragLine[1], m_nClientWidth, m_nDragLine[1] + 2});
}

void CGridModel::SetDragLine(int vertical, int pos) {
  // The band is drawn over the cached picture in the paint; its old and new
  // places are repainted.
  int& line = m_nDragLine[vertical ? 0 : 1];
  const auto band = [&](int p) {
    return vertical ? RECT{p, 0, p + 2, m_nClientHeight} : RECT{0, p, m_nClientWidth, p + 2};
  };
  if (line >= 0) InvalidateRect(band(line));
  line = pos;
  if (line >= 0) InvalidateRect(band(line));
}

// ---- Scroll bars -----------------------------------------------------------

void CGridModel::ResetScrollBars() {
  if (!m_bAllowDraw) return;
  m_idTopLeftCell = CGridCellId();
  RECT rect = ClientRect();
  if (IsRectEmpty(rect)) return;
  const int barW = ScrollBarThickness(SB_VERT), barH = ScrollBarThickness(SB_HORZ);
  // The window's area without bars.
  if (m_nBarState & 2) rect.right += barW;
  if (m_nBarState & 1) rect.bottom += barH;
  rect.left += GetFixedColumnWidth();
  rect.top += GetFixedRowHeight();

  if (IsRectEmpty(rect)) {
    m_nBarState = 0;
    m_nHScrollMax = m_nVScrollMax = 0;
    m_nHPage = m_nVPage = 0;
    UpdateScrollBar(SB_HORZ, false, 0, 0, 0);
    UpdateScrollBar(SB_VERT, false, 0, 0, 0);
    return;
  }
  const std::int64_t W = m_colWidths.Sum(m_nFixedCols, m_nCols), H = m_rowHeights.Sum(m_nFixedRows, m_nRows);
  int availW = RectWidth(rect), availH = RectHeight(rect);
  if (availH < H) availW -= barW;
  if (availW < W) availH -= barH;
  const bool vert = availH < H, horz = availW < W;
  m_nVScrollMax = vert ? static_cast<int>(std::min<std::int64_t>(H - 1, INT32_MAX)) : 0;
  m_nHScrollMax = horz ? static_cast<int>(std::min<std::int64_t>(W - 1, INT32_MAX)) : 0;
  m_nHPage = m_nHScrollMax < 1 ? 0 : std::max(availW, 0);
  m_nVPage = m_nVScrollMax < 1 ? 0 : std::max(availH, 0);
  m_nBarState = (horz ? 1 : 0) | (vert ? 2 : 0);
  // The bars keep their positions inside the new ranges, as scroll bars do.
  SetScrollPos32(SB_HORZ, m_nHScrollPos);
  SetScrollPos32(SB_VERT, m_nVScrollPos);
}

int CGridModel::GetScrollPos32(int bar, bool track) const {
  const int i = bar == SB_HORZ ? 0 : 1;
  if (track) return m_nTrackPos[i];
  return i == 0 ? m_nHScrollPos : m_nVScrollPos;
}

void CGridModel::SetScrollPos32(int bar, int pos) {
  m_idTopLeftCell = CGridCellId();
  const bool horz = bar == SB_HORZ;
  const int max = horz ? m_nHScrollMax : m_nVScrollMax, page = horz ? m_nHPage : m_nVPage;
  // A bar with a page cannot scroll past its maximum less the page.
  const int limit = std::max(0, page > 0 ? max - page + 1 : max);
  pos = std::clamp(pos, 0, limit);
  (horz ? m_nHScrollPos : m_nVScrollPos) = pos;
  m_nTrackPos[horz ? 0 : 1] = pos;
  UpdateScrollBar(horz ? SB_HORZ : SB_VERT, IsScrollBarShown(bar), max, page, pos);
}

void CGridModel::OnHScroll(int code, int thumbPos) { Scroll(SB_HORZ, code, thumbPos); }

void CGridModel::OnVScroll(int code, int thumbPos) { Scroll(SB_VERT, code, thumbPos); }

void CGridModel::Scroll(int bar, int code, int thumbPos) {
  EndEditing();
  HideTitleTip();
  const bool horz = bar == SB_HORZ;
  const int pos = GetScrollPos32(bar);
  const int max = horz ? m_nHScrollMax : m_nVScrollMax;
  const CGridCellId tl = GetTopleftNonFixedCell();
  const int tlIndex = horz ? tl.col : tl.row;
  const int fixedCount = horz ? m_nFixedCols : m_nFixedRows;
  const int count = horz ? m_nCols : m_nRows;
  const CSizeIndex& sizes = horz ? m_colWidths : m_rowHeights;
  const int fixedSize = horz ? GetFixedColumnWidth() : GetFixedRowHeight();
  const int clientSize = horz ? m_nClientWidth : m_nClientHeight;
  RECT redraw = ClientRect();
  (horz ? redraw.left : redraw.top) = fixedSize;

  switch (code) {
    case SB_LINEDOWN:  // and SB_LINERIGHT
      if (pos < max && tlIndex < count) {
        int i = tlIndex;
        while (i < count - 1 && sizes.Size(i) == 0) ++i;
        SetScrollPos32(bar, pos + sizes.Size(i));
        if (GetScrollPos32(bar) == pos) break;
        InvalidateRect(redraw);
      }
      break;
    case SB_LINEUP:  // and SB_LINELEFT
      if (pos > 0 && tlIndex > fixedCount) {
        int i = tlIndex - 1;
        while (i > fixedCount && sizes.Size(i) == 0) --i;
        SetScrollPos32(bar, std::max(0, pos - sizes.Size(i)));
        InvalidateRect(redraw);
      }
      break;
    case SB_PAGEDOWN:
      if (pos < max) {
        SetScrollPos32(bar, static_cast<int>(std::min<std::int64_t>(max, std::int64_t{pos} + clientSize - fixedSize)));
        InvalidateRect(redraw);
      }
      break;
    case SB_PAGEUP:
      if (pos > 0) {
        SetScrollPos32(bar, static_cast<int>(std::max<std::int64_t>(std::int64_t{pos} - (clientSize - fixedSize), 0)));
        InvalidateRect(redraw);
      }
      break;
    case SB_TOP:
      if (pos > 0) {
        SetScrollPos32(bar, 0);
        InvalidateAll();
      }
      break;
    case SB_BOTTOM:
      if (pos < max) {
        SetScrollPos32(bar, max);
        InvalidateAll();
      }
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      m_nTrackPos[horz ? 0 : 1] = thumbPos;
      SetScrollPos32(bar, thumbPos);
      if (!(GetTopleftNonFixedCell() == tl)) InvalidateRect(redraw);
      break;
    }
    default: break;
  }
}

void CGridModel::OnMouseWheel(int delta) {
  if (m_nRowsPerWheelNotch == -1) {
    const int n = delta / 120;
    for (int i = 0; i < n; ++i) PostScroll(SB_VERT, SB_PAGEUP);
    for (int i = 0; i < -n; ++i) PostScroll(SB_VERT, SB_PAGEDOWN);
  } else {
    const int n = delta * m_nRowsPerWheelNotch / 120;
    for (int i = 0; i < n; ++i) PostScroll(SB_VERT, SB_LINEUP);
    for (int i = 0; i < -n; ++i) PostScroll(SB_VERT, SB_LINEDOWN);
  }
}

void CGridModel::OnSize(int width, int height) {
  if (m_bInSize) return;
  m_bInSize = true;
  EndEditing();
  SetClientArea(width, height);
  ResetScrollBars();
  m_bInSize = false;
}

}  // namespace qzn
