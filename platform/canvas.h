// The drawing surface the data model draws on, in client pixels: pens with
// width, style and colour; solid or hatched brushes; lines, polylines,
// polygons, ellipses, rectangles, pixels and text (also rotated). The GUI
// draws on screen and printer canvases; CRecordingCanvas keeps the calls for
// tests; CRasterCanvas renders into an RGB bitmap in software.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/wintypes.h"

namespace qzn {

struct CPen {
  int style = PS_SOLID;  // PS_*
  int width = 1;         // pixels; 0 draws one pixel wide like 1
  COLORREF color = RGB(0, 0, 0);
};

struct CBrush {
  int style = BS_NULL;  // BS_SOLID, BS_HATCHED or BS_NULL
  int hatch = HS_HORIZONTAL;
  COLORREF color = RGB(0, 0, 0);
};

struct CFont {
  int height = 12;     // character cell height in pixels
  int escapement = 0;  // tenths of a degree, counter-clockwise
  int weight = 400;
  std::string faceName;  // UTF-8
};

enum : int { TRANSPARENT = 1, OPAQUE = 2 };

class CCanvas {
 public:
  virtual ~CCanvas() = default;

  // Selecting returns the previous object, so callers can restore it.
  virtual CPen SelectPen(const CPen& pen) = 0;
  virtual CBrush SelectBrush(const CBrush& brush) = 0;
  virtual CFont SelectFont(const CFont& font) = 0;
  virtual COLORREF SetTextColor(COLORREF c) = 0;
  virtual COLORREF SetBkColor(COLORREF c) = 0;
  virtual int SetBkMode(int mode) = 0;

  // Lines exclude their end pixel, as on Windows.
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  virtual void Polyline(const POINT* pts, int n) = 0;
  // Filled with the brush, outlined with the pen, alternate filling.
  virtual void Polygon(const POINT* pts, int n) = 0;
  // Bounding box; right and bottom exclusive.
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
  virtual void Ellipse(int left, int top, int right, int bottom) = 0;
  virtual void SetPixel(int x, int y, COLORREF c) = 0;
  // Text with its top-left at (x, y), turned by the font's escapement.
  virtual void TextOut(int x, int y, const std::string& utf8) = 0;
  // The width and height of the text in the selected font.
  virtual SIZE GetTextExtent(const std::string& utf8) = 0;

  void Polyline(const std::vector<POINT>& p) { Polyline(p.data(), static_cast<int>(p.size())); }
  void Polygon(const std::vector<POINT>& p) { Polygon(p.data(), static_cast<int>(p.size())); }
};

// Keeps every call as a line of text, for tests that pin what was drawn:
//   "pen 0 2 #ff0000" (style width colour), "brush 2 4 #00ff00" (style
//   hatch colour), "font 12 900 Arial" (height escapement face),
//   "move 1 2", "line 3 4", "polyline 1 2 3 4", "polygon ...",
//   "rect l t r b", "ellipse l t r b", "pixel x y #rrggbb", "text x y ...",
//   "textcolor #rrggbb", "bkcolor #rrggbb", "bkmode n".
class CRecordingCanvas : public CCanvas {
 public:
  std::vector<std::string> calls;
  CPen pen;
  CBrush brush;
  CFont font;
  COLORREF textColor = RGB(0, 0, 0), bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  POINT current{};

  CPen SelectPen(const CPen& p) override;
  CBrush SelectBrush(const CBrush& b) override;
  CFont SelectFont(const CFont& f) override;
  COLORREF SetTextColor(COLORREF c) override;
  COLORREF SetBkColor(COLORREF c) override;
  int SetBkMode(int mode) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polyline(const POINT* pts, int n) override;
  void Polygon(const POINT* pts, int n) override;
  void Rectangle(int l, int t, int r, int b) override;
  void Ellipse(int l, int t, int r, int b) override;
  void SetPixel(int x, int y, COLORREF c) override;
  void TextOut(int x, int y, const std::string& utf8) override;
  SIZE GetTextExtent(const std::string& utf8) override;
  using CCanvas::Polygon;
  using CCanvas::Polyline;
};

// Passes every call on to another canvas with the coordinates moved by
// (dx, dy): what is drawn for an origin at the corner lands elsewhere, as a
// picture placed inside a printed page's margins. With no move it is a plain
// relay that a canvas watching the calls can build on.
class CShiftedCanvas : public CCanvas {
 public:
  CShiftedCanvas(CCanvas& target, int dx, int dy) : m_target(target), m_dx(dx), m_dy(dy) {}

  CPen SelectPen(const CPen& p) override { return m_target.SelectPen(p); }
  CBrush SelectBrush(const CBrush& b) override { return m_target.SelectBrush(b); }
  CFont SelectFont(const CFont& f) override { return m_target.SelectFont(f); }
  COLORREF SetTextColor(COLORREF c) override { return m_target.SetTextColor(c); }
  COLORREF SetBkColor(COLORREF c) override { return m_target.SetBkColor(c); }
  int SetBkMode(int mode) override { return m_target.SetBkMode(mode); }
  void MoveTo(int x, int y) override { m_target.MoveTo(X(x), Y(y)); }
  void LineTo(int x, int y) override { m_target.LineTo(X(x), Y(y)); }
  void Polyline(const POINT* pts, int n) override {
    if (m_dx == 0 && m_dy == 0)
      m_target.Polyline(pts, n);
    else
      m_target.Polyline(Shifted(pts, n));
  }
  void Polygon(const POINT* pts, int n) override {
    if (m_dx == 0 && m_dy == 0)
      m_target.Polygon(pts, n);
    else
      m_target.Polygon(Shifted(pts, n));
  }
  void Rectangle(int l, int t, int r, int b) override { m_target.Rectangle(X(l), Y(t), X(r), Y(b)); }
  void Ellipse(int l, int t, int r, int b) override { m_target.Ellipse(X(l), Y(t), X(r), Y(b)); }
  void SetPixel(int x, int y, COLORREF c) override { m_target.SetPixel(X(x), Y(y), c); }
  void TextOut(int x, int y, const std::string& utf8) override { m_target.TextOut(X(x), Y(y), utf8); }
  SIZE GetTextExtent(const std::string& utf8) override { return m_target.GetTextExtent(utf8); }
  using CCanvas::Polygon;
  using CCanvas::Polyline;

 private:
  int X(int x) const { return SaturatedSum(x, m_dx); }
  int Y(int y) const { return SaturatedSum(y, m_dy); }
  std::vector<POINT> Shifted(const POINT* pts, int n) const {
    std::vector<POINT> out(pts, pts + (n > 0 ? n : 0));
    for (POINT& p : out) {
      p.x = X(p.x);
      p.y = Y(p.y);
    }
    return out;
  }

  CCanvas& m_target;
  int m_dx, m_dy;
};

// Software rasteriser over an RGB bitmap (3 bytes a pixel, R G B, rows top
// first, no padding). Pens of any width with their dash patterns, polygons
// filled solid or hatched by even-odd scanlines, ellipses, and text drawn as
// the outline of its box (a bitmap has no fonts; the box keeps the text's
// place and size visible).
class CRasterCanvas : public CCanvas {
 public:
  CRasterCanvas(int width, int height, COLORREF background = RGB(255, 255, 255));
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  COLORREF GetPixel(int x, int y) const;  // CLR_INVALID (0xFFFFFFFF) outside
  const std::vector<std::uint8_t>& Pixels() const { return m_rgb; }
  // Copies an RGB picture (3 bytes a pixel, rows top first, no padding) to
  // the top-left corner, cut to the canvas: what is drawn next lands on it.
  void PutPicture(const std::uint8_t* rgb, int width, int height);

  CPen SelectPen(const CPen& p) override;
  CBrush SelectBrush(const CBrush& b) override;
  CFont SelectFont(const CFont& f) override;
  COLORREF SetTextColor(COLORREF c) override;
  COLORREF SetBkColor(COLORREF c) override;
  int SetBkMode(int mode) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polyline(const POINT* pts, int n) override;
  void Polygon(const POINT* pts, int n) override;
  void Rectangle(int l, int t, int r, int b) override;
  void Ellipse(int l, int t, int r, int b) override;
  void SetPixel(int x, int y, COLORREF c) override;
  void TextOut(int x, int y, const std::string& utf8) override;
  SIZE GetTextExtent(const std::string& utf8) override;
  using CCanvas::Polygon;
  using CCanvas::Polyline;

 private:
  int m_width, m_height;
  std::vector<std::uint8_t> m_rgb;
  CPen m_pen;
  CBrush m_brush;
  CFont m_font;
  COLORREF m_textColor = RGB(0, 0, 0), m_bkColor = RGB(255, 255, 255);
  int m_bkMode = OPAQUE;
  POINT m_cur{};
  std::int64_t m_dashPhase = 0;  // carries the dash pattern along a polyline
};

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// The text extent of the canvases without real fonts: the font's height, and
// a fixed advance of 0.6 x height per UTF-8 code point.
SIZE FixedPitchTextExtent(const CFont& font, const std::string& utf8);

}  // namespace qzn
