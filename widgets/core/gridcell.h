// The cells of the table control. A cell knows its text, state bits, user
// data, text format, colours, font and margin, measures and draws itself on
// screen and on a printer page, and starts an in-place edit of itself.
//
// CGridCellBase is the abstract cell with drawing, measuring and printing;
// CGridCell the ordinary cell; CGridDefaultCell holds the defaults of one
// kind of cell (normal, fixed row, fixed column, fixed row and column) with
// the default column width and row height. An attribute left at its default
// (colour CLR_DEFAULT, format or margin -1, no font) is taken from the
// default cell of the cell's kind.
//
// Storage: a table keeps its ordinary cells by value, row by row. A cell
// holds its state, format, text and table; the rarer attributes (image, user
// data, colours, font, margin, the open edit) live in a block that is made
// when one of them is first set away from its default, so cells that use the
// defaults share them and cost 64 bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/wintypes.h"
#include "widgets/core/gridpainter.h"
#include "widgets/core/gridtypes.h"

namespace qzn {

class CGridModel;
class CGridDefaultCell;

// The in-place edit box over a cell, as the cell and the table see it.
class IGridEditWindow {
 public:
  virtual ~IGridEditWindow() = default;
  // Feeds a character to the box as if typed.
  virtual void SendChar(int ch) = 0;
  // Ends the edit: the box reports its text to the table and closes.
  virtual void EndEdit() = 0;
  // Pastes the clipboard's text into the box.
  virtual void Paste() = 0;
};

class CGridCellBase {
 public:
  CGridCellBase() = default;
  virtual ~CGridCellBase() = default;
  CGridCellBase(const CGridCellBase&) = default;
  CGridCellBase& operator=(const CGridCellBase&) = default;

  virtual void SetText(const std::string&) {}
  virtual void SetImage(int) {}
  virtual void SetData(std::intptr_t) {}
  virtual void SetState(std::uint32_t state) { m_nState = state; }
  virtual void SetFormat(std::uint32_t) {}
  virtual void SetTextClr(COLORREF) {}
  virtual void SetBackClr(COLORREF) {}
  // Null: use the default cell's font.
  virtual void SetFont(const CGridFont*) {}
  virtual void SetMargin(std::uint32_t) {}
  virtual void SetGrid(CGridModel*) {}
  virtual void SetCoords(int, int) {}

  virtual const std::string& GetText() const;
  virtual const std::string& GetTipText() const { return GetText(); }
  virtual int GetImage() const { return -1; }
  virtual std::intptr_t GetData() const { return 0; }
  virtual std::uint32_t GetState() const { return m_nState; }
  virtual std::uint32_t GetFormat() const { return 0; }
  virtual COLORREF GetTextClr() const { return 0; }
  virtual COLORREF GetBackClr() const { return 0; }
  // The font to draw with: the cell's own, or the default cell's.
  virtual const CGridFont* GetFont() const { return nullptr; }
  virtual CGridModel* GetGrid() const { return nullptr; }
  virtual IGridEditWindow* GetEditWnd() const { return nullptr; }
  virtual std::uint32_t GetMargin() const { return 0; }
  // The table's default cell for this cell's fixed-row and fixed-column
  // bits; null without a table.
  virtual CGridDefaultCell* GetDefaultCell() const;

  virtual bool IsDefaultFont() const { return false; }
  virtual bool IsEditing() const { return false; }
  bool IsFocused() const { return GetState() & GVIS_FOCUSED; }
  bool IsFixed() const { return GetState() & GVIS_FIXED; }
  bool IsFixedCol() const { return GetState() & GVIS_FIXEDCOL; }
  bool IsFixedRow() const { return GetState() & GVIS_FIXEDROW; }
  bool IsSelected() const { return GetState() & GVIS_SELECTED; }
  bool IsReadOnly() const { return GetState() & GVIS_READONLY; }
  bool IsModified() const { return GetState() & GVIS_MODIFIED; }
  bool IsDropHighlighted() const { return GetState() & GVIS_DROPHILITED; }

  // Copies every attribute through the setters: table, text, image, data,
  // state, format, colours, font (none when the source uses the default),
  // margin.
  virtual void CopyFrom(const CGridCellBase& cell);
  virtual void Reset() { m_nState = 0; }

  // Draws the cell into rect (right = left + width - 1, bottom likewise);
  // false when it cannot.
  virtual bool Draw(IGridPainter* dc, int row, int col, RECT rect, bool eraseBkgnd);
  virtual bool GetTextRect(RECT&) { return true; }
  virtual bool GetTipTextRect(RECT& rect) { return GetTextRect(rect); }
  // The size of a text in this cell (with margins); dc may be null.
  virtual SIZE GetTextExtent(const std::string& text, IGridPainter* dc);
  virtual SIZE GetCellExtent(IGridPainter* dc) { return GetTextExtent(GetText(), dc); }
  virtual bool Edit(int row, int col, const RECT& rect, POINT point, int controlId, int ch) { return false; }
  virtual bool ValidateEdit(const std::string&) { return true; }
  virtual void EndEdit() {}
  virtual bool PrintCell(IGridPainter* dc, int row, int col, RECT rect);
  virtual void OnEndEdit() {}

  // Hooks the table calls; points are relative to the cell's top-left
  // corner.
  virtual void OnMouseOver() {}
  virtual void OnClick(POINT) {}
  virtual void OnClickDown(POINT) {}
  virtual void OnRClick(POINT) {}
  virtual void OnDblClick(POINT) {}
  virtual bool OnSetCursor();

 protected:
  // The raised border of a header cell: light top and left, dark right and
  // bottom; the rectangle shrinks by one pixel on every side.
  void DrawRaisedBorder(IGridPainter* dc, RECT& rect) const;

  std::uint32_t m_nState = 0;
};

class CGridCell : public CGridCellBase {
 public:
  CGridCell() = default;
  ~CGridCell() override = default;
  CGridCell(const CGridCell& other);
  CGridCell& operator=(const CGridCell& other);
  CGridCell(CGridCell&&) noexcept = default;
  CGridCell& operator=(CGridCell&&) noexcept = default;

  void SetText(const std::string& text) override { m_strText = text; }
  void SetImage(int image) override;
  void SetData(std::intptr_t data) override;
  void SetFormat(std::uint32_t format) override;
  void SetTextClr(COLORREF color) override;
  void SetBackClr(COLORREF color) override;
  void SetFont(const CGridFont* font) override;
  void SetMargin(std::uint32_t margin) override;
  void SetGrid(CGridModel* grid) override { m_pGrid = grid; }

  const std::string& GetText() const override { return m_strText; }
  int GetImage() const override { return m_pExtra ? m_pExtra->image : -1; }
  std::intptr_t GetData() const override { return m_pExtra ? m_pExtra->data : 0; }
  std::uint32_t GetFormat() const override;
  COLORREF GetTextClr() const override { return m_pExtra ? m_pExtra->textClr : CLR_DEFAULT; }
  COLORREF GetBackClr() const override { return m_pExtra ? m_pExtra->backClr : CLR_DEFAULT; }
  const CGridFont* GetFont() const override;
  CGridModel* GetGrid() const override { return m_pGrid; }
  IGridEditWindow* GetEditWnd() const override { return m_pExtra ? m_pExtra->editWnd : nullptr; }
  std::uint32_t GetMargin() const override;

  bool IsDefaultFont() const override { return !m_pExtra || !m_pExtra->font; }
  bool IsEditing() const override { return m_pExtra && m_pExtra->editing; }

  void Reset() override;
  bool Edit(int row, int col, const RECT& rect, POINT point, int controlId, int ch) override;
  void EndEdit() override;
  void OnEndEdit() override;

  // The cell's own format (-1: the default cell's), for copying.
  std::uint32_t GetOwnFormat() const { return m_nFormat; }
  std::uint32_t GetOwnMargin() const { return m_pExtra ? m_pExtra->margin : kUseDefault; }
  const CGridFont* GetOwnFont() const { return m_pExtra ? m_pExtra->font.get() : nullptr; }

  static constexpr std::uint32_t kUseDefault = 0xFFFFFFFFu;

 protected:
  struct CExtra {
    std::intptr_t data = 0;
    int image = -1;
    COLORREF textClr = CLR_DEFAULT;
    COLORREF backClr = CLR_DEFAULT;
    std::uint32_t margin = kUseDefault;
    std::unique_ptr<CGridFont> font;
    bool editing = false;
    IGridEditWindow* editWnd = nullptr;  // not owned: the window ends itself
  };
  CExtra& Extra();

  // Every cell gets its default cell's format when the table makes it, so
  // the format is kept with the cell (in the room the state word leaves).
  std::uint32_t m_nFormat = kUseDefault;
  std::string m_strText;
  CGridModel* m_pGrid = nullptr;
  std::unique_ptr<CExtra> m_pExtra;
};

class CGridDefaultCell : public CGridCell {
 public:
  CGridDefaultCell();

  void SetData(std::intptr_t) override {}
  void SetState(std::uint32_t) override {}
  std::uint32_t GetState() const override { return m_nState | GVIS_READONLY; }
  // Takes the font and measures the margin, the default width and the
  // default height with it on the screen.
  void SetFont(const CGridFont* font) override;
  const CGridFont* GetFont() const override { return GetOwnFont(); }

  std::uint32_t GetStyle() const { return m_dwStyle; }
  void SetStyle(std::uint32_t style) { m_dwStyle = style; }
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  void SetWidth(int width) { m_nWidth = width; }
  void SetHeight(int height) { m_nHeight = height; }

 private:
  int m_nWidth = 30;
  int m_nHeight = 10;
  std::uint32_t m_dwStyle = 0;
};

}  // namespace qzn
