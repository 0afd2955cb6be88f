// The table control without its window: a rectangular table of cells whose
// first rows and columns can be fixed (headers that do not scroll), with its
// layout on screen, scrolling, selection, mouse and keyboard handling,
// in-place edit bookkeeping, clipboard text and printing. Everything that
// needs the toolkit (painting devices, scroll bars, timers, the clipboard,
// the edit box and the title tip) goes through the virtual hooks at the end,
// which the window (CGridCtrl) implements; without them the model runs
// headless, which is how most of it is tested.
//
// Positions are in client pixels. Row and column positions come from running
// sums (CSizeIndex), so scrolling, painting and hit tests cost a binary
// search, never a walk over the rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/reportgrid.h"
#include "widgets/core/cellkeyset.h"
#include "widgets/core/gridcell.h"
#include "widgets/core/gridpainter.h"
#include "widgets/core/gridtypes.h"
#include "widgets/core/sizeindex.h"

namespace qzn {

class CGridModel : public IReportGrid {
 public:
  // The control id of the in-place edit box inside the table.
  static constexpr int kInPlaceEditId = 8;
  static constexpr unsigned kAutoScrollPeriodMs = 25;
  static constexpr int kResizeCaptureRange = 3;

  CGridModel(int rows = 0, int cols = 0, int fixedRows = 0, int fixedCols = 0);
  ~CGridModel() override;
  CGridModel(const CGridModel&) = delete;
  CGridModel& operator=(const CGridModel&) = delete;

  // ---- Counts ----------------------------------------------------------
  int GetRowCount() const { return m_nRows; }
  int GetColumnCount() const { return m_nCols; }
  int GetFixedRowCount() const { return m_nFixedRows; }
  int GetFixedColumnCount() const { return m_nFixedCols; }
  bool SetRowCount(int rows) override;
  bool SetColumnCount(int cols) override;
  bool SetFixedRowCount(int rows) override;
  bool SetFixedColumnCount(int cols) override;
  bool DeleteRow(int row);
  bool DeleteAllItems();

  // ---- Cells -----------------------------------------------------------
  // The cell, or null outside the table. A row's cells are made when one of
  // them is first asked for; until then the row answers with blank cells of
  // its kind.
  CGridCellBase* GetCell(int row, int col);
  // The cell when it has been made, else null (also outside the table).
  const CGridCellBase* FindCell(int row, int col) const;
  CGridDefaultCell* GetDefaultCell(bool fixedRow, bool fixedCol) const;
  bool SetItemText(int row, int col, const std::string& text) override;
  std::string GetItemText(int row, int col) const;
  bool SetItemState(int row, int col, std::uint32_t state);
  std::uint32_t GetItemState(int row, int col) const;
  bool SetItemBkColour(int row, int col, COLORREF color);
  bool SetItemFgColour(int row, int col, COLORREF color);
  bool IsCellEditable(int row, int col) const;
  bool IsCellSelected(int row, int col) const;
  bool IsCellFixed(int row, int col) const { return row < m_nFixedRows || col < m_nFixedCols; }
  bool IsValid(int row, int col) const { return row >= 0 && row < m_nRows && col >= 0 && col < m_nCols; }
  bool IsValid(const CGridCellId& c) const { return IsValid(c.row, c.col); }
  bool IsValid(const CGridCellRange& r) const;
  void SetModified(bool modified = true, int row = -1, int col = -1);
  bool GetModified(int row = -1, int col = -1) const;
  // Repaints the whole window.
  void Refresh() { InvalidateAll(); }

  // ---- Settings --------------------------------------------------------
  void SetEditable(bool on) { m_bEditable = on; }
  bool IsEditable() const { return m_bEditable; }
  void EnableSelection(bool on);
  bool IsSelectable() const { return m_bEnableSelection; }
  void EnableTitleTips(bool on) { m_bTitleTips = on; }
  bool GetTitleTips() const { return m_bTitleTips; }
  void SetHandleTabKey(bool on) { m_bHandleTabKey = on; }
  bool GetHandleTabKey() const { return m_bHandleTabKey; }
  void SetRowResize(bool on) { m_bAllowRowResize = on; }
  void SetColumnResize(bool on) { m_bAllowColumnResize = on; }
  void SetTrackFocusCell(bool on) { m_bTrackFocusCell = on; }
  bool GetTrackFocusCell() const { return m_bTrackFocusCell; }
  void SetAutoSizeStyle(int style) { m_nAutoSizeColumnStyle = style; }
  void SetRedraw(bool on) { m_bAllowDraw = on; }
  COLORREF GetGridBkColor() const { return m_crGridBkColour; }
  void SetGridBkColor(COLORREF c) { m_crGridBkColour = c; }
  COLORREF GetGridLineColor() const { return m_crGridLineColour; }
  void SetGridLineColor(COLORREF c) { m_crGridLineColour = c; }
  void SetTitleTipColors(COLORREF back, COLORREF text) { m_crTTipBackClr = back, m_crTTipTextClr = text; }
  // Every default cell takes the font (and with it the default sizes).
  void SetGridFont(const CGridFont& font);
  const CGridFont& GetGridFont() const;
  // The desktop's colours changed: default cells and the background that
  // still had the old colours take the new ones.
  void OnSysColorChange();
  int GetMouseScrollLines() const { return m_nRowsPerWheelNotch; }

  // ---- Sizes -----------------------------------------------------------
  int GetRowHeight(int row) const;
  int GetColumnWidth(int col) const;
  bool SetRowHeight(int row, int height);
  bool SetColumnWidth(int col, int width);
  int GetFixedRowHeight() const;
  int GetFixedColumnWidth() const;
  std::int64_t GetVirtualHeight() const { return m_rowHeights.Total(); }
  std::int64_t GetVirtualWidth() const { return m_colWidths.Total(); }
  const CSizeIndex& RowHeights() const { return m_rowHeights; }
  const CSizeIndex& ColumnWidths() const { return m_colWidths; }
  bool AutoSizeColumn(int col, int style = 0, bool resetScroll = true);
  bool AutoSizeRow(int row, bool resetScroll = true);
  void AutoSizeColumns(int style = 0);

  // ---- Geometry (client pixels) ---------------------------------------
  CGridCellId GetTopleftNonFixedCell(bool recalculate = false) const;
  bool GetCellOrigin(int row, int col, POINT& p) const;
  bool GetCellRect(int row, int col, RECT& rect) const;
  CGridCellId GetCellFromPt(POINT point, bool allowFixed = true) const;
  // The ordinary cells on screen; rect (when given) gets their area.
  CGridCellRange GetVisibleNonFixedCellRange(RECT* rect = nullptr, bool recalculate = false) const;
  bool IsCellVisible(int row, int col) const;
  void EnsureVisible(int row, int col);
  bool RedrawCell(int row, int col);
  bool InvalidateCellRect(int row, int col);
  // The client area (set by the window on every size change).
  void SetClientArea(int width, int height);
  RECT ClientRect() const { return RECT{0, 0, m_nClientWidth, m_nClientHeight}; }

  // ---- Painting and scrolling -----------------------------------------
  // Paints the part of the table inside clip (background, fixed cells,
  // ordinary cells, grid lines, the divider drag line).
  void OnDraw(IGridPainter& dc, const RECT& clip);
  void EraseBkgnd(IGridPainter& dc, const RECT& clip);
  void ResetScrollBars();
  int GetScrollPos32(int bar, bool track = false) const;
  void SetScrollPos32(int bar, int pos);
  int GetScrollMax(int bar) const { return bar == SB_HORZ ? m_nHScrollMax : m_nVScrollMax; }
  bool IsScrollBarShown(int bar) const { return m_nBarState & (bar == SB_HORZ ? 1 : 2); }
  void OnHScroll(int code, int thumbPos = 0);
  void OnVScroll(int code, int thumbPos = 0);
  // Wheel delta in 120ths of a notch; the scroll requests are queued
  // (PostScroll) and run after the wheel event.
  void OnMouseWheel(int delta);
  void OnSize(int width, int height);

  // ---- Selection, mouse and keyboard ----------------------------------
  CGridCellId GetFocusCell() const { return m_idCurrentCell; }
  CGridCellId SetFocusCell(int row, int col);
  CGridCellId SetFocusCell(const CGridCellId& c) { return SetFocusCell(c.row, c.col); }
  void SetSelectedRange(int minRow, int minCol, int maxRow, int maxCol, bool forceRepaint = false,
                        bool selectCells = true);
  void SetSelectedRange(const CGridCellRange& r, bool forceRepaint = false, bool selectCells = true) {
    SetSelectedRange(r.minRow, r.minCol, r.maxRow, r.maxCol, forceRepaint, selectCells);
  }
  void SelectAllCells();
  void SelectColumns(CGridCellId cell, bool forceRedraw = false, bool selectCells = true);
  void SelectRows(CGridCellId cell, bool forceRedraw = false, bool selectCells = true);
  void SelectCells(CGridCellId cell, bool forceRedraw = false, bool selectCells = true);
  void OnSelecting(const CGridCellId& cell);
  void ResetSelectedRange();
  CGridCellRange GetSelectedCellRange() const;
  std::size_t GetSelectedCount() const { return m_SelectedCellMap.Size(); }
  void ValidateAndModifyCellContents(int row, int col, const std::string& text);
  int GetMouseMode() const { return m_MouseMode; }
  // A drop was refused (the table takes no drops): the mouse does nothing.
  void OnDropRefused() { m_MouseMode = MOUSE_NOTHING; }

  // flags: MK_SHIFT, MK_CONTROL of the event.
  void OnMouseMove(POINT point, unsigned flags, bool leftDown);
  void OnLButtonDown(POINT point, unsigned flags);
  void OnLButtonUp(POINT point, unsigned flags);
  void OnLButtonDblClk(POINT point, unsigned flags);
  void OnRButtonUp(POINT point, unsigned flags);
  // The drag-selection auto-scroll tick; cursor in client coordinates.
  void OnTimer(POINT cursor);
  // Another window took the mouse: the auto-scroll stops and a drag ends.
  void OnCaptureChanged();
  // The cursor over the client area, by the mouse mode and the cell under
  // the point.
  CGridCursor OnSetCursor(POINT point);
  bool MouseOverColumnResizeArea(POINT point) const { return MouseOverDivider(point, true); }
  bool MouseOverRowResizeArea(POINT point) const { return MouseOverDivider(point, false); }
  virtual void OnFixedRowClick(CGridCellId& cell);
  virtual void OnFixedColumnClick(CGridCellId& cell);
  // Returns false when the key was not the table's (the dialog may use it).
  bool OnKeyDown(int vk, unsigned flags);
  void OnChar(int ch, unsigned flags, bool imeChar = false);

  // ---- In-place edit ---------------------------------------------------
  virtual void OnEditCell(int row, int col, POINT point, int ch);
  virtual void OnEndEditCell(int row, int col, const std::string& text);
  // The edit box reports its end: the text and the key that ended it, with
  // the modifiers held then (Shift+Tab goes back a cell).
  void OnEndInPlaceEdit(int row, int col, const std::string& text, int exitKey, unsigned flags = 0);
  virtual void EndEditing();
  virtual bool ValidateEdit(int row, int col, const std::string& text);

  // ---- Clipboard -------------------------------------------------------
  // The selected cells as text: tab between cells, "\n" between rows; false
  // when nothing is selected.
  bool CopyTextToClipboard(std::string& text) const;
  void OnEditCopy();
  void OnEditCut();
  void CutSelectedText();
  void OnEditPaste();
  bool PasteTextToGrid(CGridCellId cell, const std::string& text);
  void OnEditSelectAll();
  bool CanCopy() const;
  bool CanCut() const { return CanCopy() && m_bEditable; }
  bool CanPaste() const;
  bool CanSelectAll() const { return m_bEnableSelection; }

  // ---- Printing --------------------------------------------------------
  struct CPrintLayout {
    int charWidth = 0, charHeight = 0;
    int pageWidth = 0, pageHeight = 0;    // device units
    int paperWidth = 0, paperHeight = 0;  // table pixels
    std::int64_t pageUsableHeight = 0, pageUsableWidth = 0;
    int pageCount = 0;
    CGridFont font;
    bool ready = false;
  };
  // Page set-up on the printer device (page size in device units); the
  // page count after it is GetPrintLayout().pageCount.
  virtual void OnBeginPrinting(IGridPainter& dc, int pageWidth, int pageHeight);
  virtual void OnPrint(IGridPainter& dc, int page);
  virtual void OnEndPrinting() { m_print.ready = false; }
  const CPrintLayout& GetPrintLayout() const { return m_print; }
  // The first ordinary row of each page.
  std::vector<int> PageFirstRows() const;
  // The footer's date text (the local date and time; tests fix it).
  void SetPrintDateText(const std::string& text) { m_strPrintDate = text; }

 protected:
  // ---- Hooks the window implements (headless: no-ops) -----------------
  virtual void InvalidateRect(const RECT&) {}
  virtual void InvalidateAll() {}
  // Shows, hides and sets one scroll bar.
  virtual void UpdateScrollBar(int bar, bool shown, int maximum, int page, int pos) {}
  // Sends a notification to the owner and returns its answer (negative:
  // refused).
  virtual long SendMessageToParent(int row, int col, int code) { return 0; }
  // The owner's command of a release over a cell.
  virtual void PostCommandToParent() {}
  // Scroll requests queued by the wheel; the default runs them at once.
  virtual void PostScroll(int bar, int code) { bar == SB_HORZ ? OnHScroll(code) : OnVScroll(code); }
  virtual void SetAutoScrollTimer(bool on) {}
  // The thickness of a scroll bar (a vertical bar's width, a horizontal
  // bar's height).
  virtual int ScrollBarThickness(int bar) const {
    return bar == SB_HORZ ? GridDesktop().ScrollBarHeight() : GridDesktop().ScrollBarWidth();
  }
  virtual void GrabMouse() {}
  virtual void FreeMouse() {}
  virtual bool HasMouseGrab() const { return false; }
  virtual void ShowCursorShape(CGridCursor) {}
  virtual void SetKeyboardFocus() {}
  virtual void ShowTitleTip(const RECT& textRect, const RECT& hoverRect, const std::string& text, const CGridFont* font,
                            COLORREF textClr, COLORREF backClr) {}
  virtual void HideTitleTip() {}
  // Makes the edit box over rect (client pixels); null when it cannot.
  virtual IGridEditWindow* CreateInPlaceEdit(const RECT& rect, CGridEditAlign align, int controlId, int row, int col,
                                             const std::string& text, int ch) {
    return nullptr;
  }
  // A device to measure text with (auto-size); null when there is none.
  virtual std::unique_ptr<IGridPainter> CreateMeasurePainter() { return GridDesktop().ScreenPainter(); }
  virtual bool SetClipboardText(const std::string&) { return false; }
  virtual bool GetClipboardText(std::string&) const { return false; }
  virtual bool ClipboardHasText() const { return false; }
  // The header texts of a printout: the window's title (nearest titled
  // ancestor) and the application's title.
  virtual std::string GetPrintTitle() const { return std::string(); }
  virtual std::string GetApplicationTitle() const { return std::string(); }

  friend class CGridCellBase;
  friend class CGridCell;

 private:
  struct CRow {
    std::vector<CGridCell> cells;  // empty until a cell of the row is first asked for
  };

  void MakeRowCells(int row);
  // Keeps the selected-cell set (and its cached bounds) in step with a
  // cell's selected bit.
  void NoteSelected(int row, int col, bool selected);
  void InitCell(CGridCell& cell, int row, int col);
  std::uint32_t PositionBits(int row, int col) const;
  void SetStateBits(int row, int col, std::uint32_t set, std::uint32_t clear, bool resetColours);
  bool IsVisibleRedraw(int row, int col, const CGridCellRange& visible) const;
  void RedrawFixedOfFocus(const CGridCellId& cell, bool cols);
  void Scroll(int bar, int code, int thumbPos);
  bool MouseOverDivider(POINT point, bool cols) const;
  void SetDragLine(int vertical, int pos);
  void HandleMove(int vk, unsigned flags);
  std::vector<int> PageFirstRowsFor(std::int64_t usableHeight) const;
  void PrintHeader(IGridPainter& dc, const RECT& rect);
  void PrintFooter(IGridPainter& dc, const RECT& rect, int page);
  void PrintRowButtons(IGridPainter& dc, int firstRow);
  void PrintColumnHeadings(IGridPainter& dc, int firstCol);
  void PrintRowCells(IGridPainter& dc, int firstRow, int firstCol);

  // Colours.
  COLORREF m_crGridBkColour = 0;
  COLORREF m_crGridLineColour = RGB(192, 192, 192);
  COLORREF m_crWindowText = 0, m_crWindowColour = 0, m_cr3DFace = 0, m_crShadow = 0;
  COLORREF m_crTTipBackClr = CLR_DEFAULT, m_crTTipTextClr = CLR_DEFAULT;

  // Settings.
  bool m_bEditable = true;
  bool m_bModified = false;
  bool m_bAllowDraw = true;
  bool m_bEnableSelection = true;
  bool m_bFixedRowSelection = true;
  bool m_bFixedColumnSelection = true;
  bool m_bHandleTabKey = true;
  bool m_bTitleTips = true;
  bool m_bAllowRowResize = true;
  bool m_bAllowColumnResize = true;
  bool m_bHiddenColUnhide = true;
  bool m_bHiddenRowUnhide = true;
  bool m_bTrackFocusCell = true;
  bool m_bFrameFocus = true;
  int m_nAutoSizeColumnStyle = 3;  // 1: fixed rows, 2: other rows

  // Table.
  int m_nRows = 0, m_nFixedRows = 0, m_nCols = 0, m_nFixedCols = 0;
  CSizeIndex m_rowHeights, m_colWidths;
  std::vector<CRow> m_RowData;
  std::unique_ptr<CGridDefaultCell> m_cellDefault, m_cellFixedColDef, m_cellFixedRowDef, m_cellFixedRowColDef;

  // Scrolling: positions in pixels of the ordinary area, the maxima (the
  // bars' ranges) and the pages the bars show.
  int m_nHScrollPos = 0, m_nVScrollPos = 0;
  int m_nHScrollMax = 0, m_nVScrollMax = 0;
  int m_nHPage = 0, m_nVPage = 0;
  int m_nTrackPos[2] = {0, 0};
  int m_nBarState = 0;  // 1 horizontal shown, 2 vertical shown
  int m_nClientWidth = 0, m_nClientHeight = 0;
  bool m_bInSize = false;

  // Mouse and keys.
  int m_MouseMode = MOUSE_NOTHING;
  bool m_bLMouseButtonDown = false;
  POINT m_LastMousePoint{};
  POINT m_LeftClickDownPoint{};
  CGridCellId m_LeftClickDownCell, m_SelectionStartCell, m_idCurrentCell;
  mutable CGridCellId m_idTopLeftCell;
  bool m_bTimerOn = false;
  int m_nRowsPerWheelNotch = 3;
  int m_nDragMin = 0, m_nDragMax = 0;  // where a divider drag may go
  int m_nDragLine[2] = {-1, -1};       // x of the column drag line, y of the row one (-1: none)

  // Selection: the selected cells and the cells a ctrl-selection keeps.
  CCellKeySet m_SelectedCellMap, m_PrevSelectedCellMap;
  mutable CGridCellRange m_selRange;  // bounds of the selected cells, when valid
  mutable bool m_bSelRangeValid = false;

  // Printing.
  CPrintLayout m_print;
  std::string m_strPrintDate;
  static constexpr int m_nHeaderHeight = 2, m_nFooterHeight = 2, m_nLeftMargin = 4, m_nRightMargin = 4, m_nGap = 1;
};

}  // namespace qzn
