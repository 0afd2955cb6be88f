// What the table control draws on: a small device interface in logical
// pixels. The toolkit layer implements it over a window's paint bitmap and
// over a printer page; tests record the calls or measure with a fixed pitch.
// Rectangles have exclusive right and bottom edges, lines leave out their end
// pixel, as the Windows calls the drawing rules are written in.
#pragma once

#include <memory>
#include <string>

#include "platform/wintypes.h"
#include "widgets/core/gridtypes.h"

namespace qzn {

class IGridPainter {
 public:
  virtual ~IGridPainter() = default;

  // Keeps and gives back the text colour, font and mapping.
  virtual void Save() = 0;
  virtual void Restore() = 0;

  virtual void SetTextColor(COLORREF color) = 0;
  virtual void SetFont(const CGridFont& font) = 0;

  virtual void FillRect(const RECT& rect, COLORREF color) = 0;
  // A one-pixel line from one point towards the other, the end excluded.
  virtual void Line(POINT from, POINT to, COLORREF color) = 0;
  // Turns the pixels of the rectangle into their inverse (the divider drag
  // line).
  virtual void InvertRect(const RECT& rect) = 0;

  // Text in the rectangle by the DT_* format flags (alignment, vertical
  // centring of one line, word breaks, end ellipsis), clipped to the
  // rectangle unless DT_NOCLIP; drawn transparently.
  virtual void DrawText(const std::string& utf8, const RECT& rect, unsigned format) = 0;
  // The width and height of one line in the current font.
  virtual SIZE GetTextExtent(const std::string& utf8) = 0;
  // The size a text takes when drawn with word breaks in the given width.
  virtual SIZE CalcTextRect(const std::string& utf8, int width, unsigned format) = 0;
  // The extra width of italic or synthesised text beyond its advance.
  virtual int GetOverhang() { return 0; }
  // A device with two colours only (a black-and-white printer).
  virtual bool IsMonochrome() const { return false; }

  // Printer mapping: logical units to device units scale by viewport /
  // window extents; the window origin is the logical point drawn at the
  // device origin.
  virtual void SetMapping(SIZE windowExtent, SIZE viewportExtent) = 0;
  virtual void SetWindowOrg(POINT origin) = 0;
  virtual POINT GetWindowOrg() const = 0;
};

// What the desktop says, with the fallbacks a headless run (tests) uses.
class IGridDesktop {
 public:
  virtual ~IGridDesktop() = default;
  virtual COLORREF SysColor(int index) const = 0;
  // The font of message boxes (the font cells start with).
  virtual CGridFont MessageFont() const = 0;
  // Rows per wheel notch; -1 means a page.
  virtual int WheelScrollLines() const = 0;
  virtual unsigned DoubleClickTime() const = 0;
  virtual int ScrollBarWidth() const = 0;   // a vertical bar's width
  virtual int ScrollBarHeight() const = 0;  // a horizontal bar's height
  // A device for measuring text on the screen, or null when there is none.
  virtual std::unique_ptr<IGridPainter> ScreenPainter() const = 0;
};

// The desktop the controls ask: the toolkit layer installs its own; until
// then the classic Windows colours, a 12-pixel font of no particular face, 3
// wheel lines, 500 ms, 16-pixel bars and no screen device.
const IGridDesktop& GridDesktop();
// Installs a desktop (null restores the headless one); the caller keeps it
// alive while installed.
void SetGridDesktop(const IGridDesktop* desktop);

}  // namespace qzn
