// Small types and constants of the table control: cell ids and ranges, the
// state bits of a cell, the text format flags, the codes of the notifications
// the control sends its owner, the keys and scroll requests it handles, and
// the font description cells keep. Toolkit-free.
#pragma once

#include <cstdint>
#include <string>

#include "platform/wintypes.h"

namespace qzn {

// A colour left at this value is taken from the default cell of the cell's
// kind.
constexpr COLORREF CLR_DEFAULT = 0xFF000000;

// State bits of a cell (one 32-bit word per cell).
enum : std::uint32_t {
  GVIS_FOCUSED = 0x01,
  GVIS_SELECTED = 0x02,
  GVIS_DROPHILITED = 0x04,
  GVIS_READONLY = 0x08,
  GVIS_FIXED = 0x10,
  GVIS_FIXEDROW = 0x20,
  GVIS_FIXEDCOL = 0x40,
  GVIS_MODIFIED = 0x80,
};

// Text format flags of a cell, with the meanings of the Windows text drawing
// flags of the same names (the values are those stored with cells).
enum : std::uint32_t {
  DT_LEFT = 0x0000,
  DT_CENTER = 0x0001,
  DT_RIGHT = 0x0002,
  DT_VCENTER = 0x0004,
  DT_BOTTOM = 0x0008,
  DT_WORDBREAK = 0x0010,
  DT_SINGLELINE = 0x0020,
  DT_EXPANDTABS = 0x0040,
  DT_NOCLIP = 0x0100,
  DT_CALCRECT = 0x0400,
  DT_NOPREFIX = 0x0800,
  DT_END_ELLIPSIS = 0x8000,
};

// Style of the in-place edit box, from the cell's format.
enum CGridEditAlign : int { kEditLeft = 0, kEditCenter = 1, kEditRight = 2 };

// Notification codes sent to the owner (the Windows list-view codes, kept so
// that an owner written against them reads the same numbers).
enum : int {
  NM_CLICK = -2,
  NM_DBLCLK = -3,
  NM_RCLICK = -5,
  LVN_ITEMCHANGING = -100,
  LVN_ITEMCHANGED = -101,
  LVN_BEGINLABELEDIT = -105,
  LVN_ENDLABELEDIT = -106,
};

// Virtual-key codes the control understands (Windows numbering; the toolkit
// layer maps its own key codes to these in one place).
enum : int {
  VK_LBUTTON = 0x01,
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_F2 = 0x71,
};

// Scroll requests (the Windows scroll-bar codes).
enum : int {
  SB_LINEUP = 0,
  SB_LINELEFT = 0,
  SB_LINEDOWN = 1,
  SB_LINERIGHT = 1,
  SB_PAGEUP = 2,
  SB_PAGELEFT = 2,
  SB_PAGEDOWN = 3,
  SB_PAGERIGHT = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_LEFT = 6,
  SB_BOTTOM = 7,
  SB_RIGHT = 7,
  SB_ENDSCROLL = 8,
};
enum CGridBar : int { SB_HORZ = 0, SB_VERT = 1, SB_BOTH = 3 };

// Modifier state passed with mouse and key input.
enum : unsigned { MK_SHIFT = 0x04, MK_CONTROL = 0x08 };

// System colours the cells and the control draw with (Windows indices; the
// toolkit layer answers them from the desktop theme).
enum CGridSysColor : int {
  COLOR_WINDOW = 5,
  COLOR_WINDOWTEXT = 8,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
};

// The mouse modes of the control (what a press, move or release means now).
enum CGridMouseMode : int {
  MOUSE_NOTHING = 0,
  MOUSE_SELECT_ALL = 1,
  MOUSE_SELECT_COL = 2,
  MOUSE_SELECT_ROW = 3,
  MOUSE_SELECT_CELLS = 4,
  MOUSE_OVER_ROW_DIVIDE = 6,
  MOUSE_SIZING_ROW = 7,
  MOUSE_OVER_COL_DIVIDE = 8,
  MOUSE_SIZING_COL = 9,
  MOUSE_PREPARE_EDIT = 10,
  MOUSE_PREPARE_DRAG = 11,
};

// Cursor shapes the control asks for.
enum class CGridCursor { kArrow, kSizeWE, kSizeNS };

// A cell's place in the table; (-1, -1) is no cell.
struct CGridCellId {
  int row = -1;
  int col = -1;
  CGridCellId() = default;
  CGridCellId(int r, int c) : row(r), col(c) {}
  bool IsValid() const { return row >= 0 && col >= 0; }
  bool operator==(const CGridCellId&) const = default;
};

// A rectangle of cells, bounds included. Whether it lies inside a table is
// the table's question (CGridModel::IsValid).
struct CGridCellRange {
  int minRow = -1;
  int minCol = -1;
  int maxRow = -1;
  int maxCol = -1;
  CGridCellRange() = default;
  CGridCellRange(int r0, int c0, int r1, int c1) : minRow(r0), minCol(c0), maxRow(r1), maxCol(c1) {}
  bool IsValid() const {
    return minRow >= 0 && minCol >= 0 && maxRow >= 0 && maxCol >= 0 && minRow <= maxRow && minCol <= maxCol;
  }
  bool InRange(int row, int col) const { return row >= minRow && row <= maxRow && col >= minCol && col <= maxCol; }
  bool InRange(const CGridCellId& c) const { return InRange(c.row, c.col); }
  bool operator==(const CGridCellRange&) const = default;
};

// A font as cells keep it: the height in logical pixels (negative: the
// character height; positive: the cell height), the escapement in tenths of
// a degree, weight 100 to 900, face name in UTF-8 (empty: the desktop's).
struct CGridFont {
  int height = -12;
  int escapement = 0;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  std::string faceName;
  bool operator==(const CGridFont&) const = default;
};

}  // namespace qzn
