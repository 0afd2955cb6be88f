// The drawing surface of the data model on a wx device context: the screen
// view, its cached picture and printing draw through it.
#pragma once

#include <wx/dc.h>

#include "platform/canvas.h"

namespace qzn {

class CWxCanvas : public CCanvas {
 public:
  explicit CWxCanvas(wxDC& dc);

  // The least width of a pen, in the context's logical units (1 unless
  // set): under a user scale that shrinks, the width of one device pixel,
  // so that a line stays a line, as a printer draws a pen of width 1.
  void SetThinnestPen(int width);

  CPen SelectPen(const CPen& pen) override;
  CBrush SelectBrush(const CBrush& brush) override;
  CFont SelectFont(const CFont& font) override;
  COLORREF SetTextColor(COLORREF c) override;
  COLORREF SetBkColor(COLORREF c) override;
  int SetBkMode(int mode) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polyline(const POINT* pts, int n) override;
  void Polygon(const POINT* pts, int n) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void SetPixel(int x, int y, COLORREF c) override;
  void TextOut(int x, int y, const std::string& utf8) override;
  SIZE GetTextExtent(const std::string& utf8) override;
  using CCanvas::Polygon;
  using CCanvas::Polyline;

 private:
  wxDC& m_dc;
  CPen m_pen;
  CBrush m_brush;
  CFont m_font;
  COLORREF m_text = RGB(0, 0, 0), m_bk = RGB(255, 255, 255);
  int m_bkMode = OPAQUE;
  int m_thinnest = 1;
  POINT m_cur{};
};

wxColour ToWx(COLORREF c);

}  // namespace qzn
