#include "ui/wxcanvas.h"

#include <algorithm>
#include <vector>

#include <wx/brush.h>
#include <wx/font.h>
#include <wx/pen.h>

#include "ui/wxtext.h"

namespace qzn {

wxColour ToWx(COLORREF c) { return wxColour(GetRValue(c), GetGValue(c), GetBValue(c)); }

namespace {

// Coordinates far outside any window are held where the toolkit's 16-bit
// X11 protocol still draws them correctly.
constexpr int kFar = 30000;
int Hold(int v) { return std::clamp(v, -kFar, kFar); }

wxPen MakePen(const CPen& p, int thinnest) {
  if (p.style == PS_NULL) return *wxTRANSPARENT_PEN;
  wxPenStyle s = wxPENSTYLE_SOLID;
  switch (p.style) {
    case PS_DASH: s = wxPENSTYLE_SHORT_DASH; break;
    case PS_DOT: s = wxPENSTYLE_DOT; break;
    case PS_DASHDOT: s = wxPENSTYLE_DOT_DASH; break;
    case PS_DASHDOTDOT: s = wxPENSTYLE_DOT_DASH; break;
    default: break;
  }
  wxPen pen(ToWx(p.color), std::max(p.width, thinnest), s);
  pen.SetCap(wxCAP_BUTT);
  return pen;
}

wxBrush MakeBrush(const CBrush& b) {
  if (b.style == BS_NULL) return *wxTRANSPARENT_BRUSH;
  if (b.style == BS_SOLID) return wxBrush(ToWx(b.color));
  wxBrushStyle s = wxBRUSHSTYLE_HORIZONTAL_HATCH;
  switch (b.hatch) {
    case HS_VERTICAL: s = wxBRUSHSTYLE_VERTICAL_HATCH; break;
    case HS_FDIAGONAL: s = wxBRUSHSTYLE_FDIAGONAL_HATCH; break;
    case HS_BDIAGONAL: s = wxBRUSHSTYLE_BDIAGONAL_HATCH; break;
    case HS_CROSS: s = wxBRUSHSTYLE_CROSS_HATCH; break;
    case HS_DIAGCROSS: s = wxBRUSHSTYLE_CROSSDIAG_HATCH; break;
    default: break;
  }
  return wxBrush(ToWx(b.color), s);
}

std::vector<wxPoint> Points(const POINT* pts, int n) {
  std::vector<wxPoint> v;
  v.reserve(static_cast<std::size_t>(std::max(n, 0)));
  for (int i = 0; i < n; ++i) v.emplace_back(Hold(pts[i].x), Hold(pts[i].y));
  return v;
}

}  // namespace

CWxCanvas::CWxCanvas(wxDC& dc) : m_dc(dc) {
  m_dc.SetPen(MakePen(m_pen, m_thinnest));
  m_dc.SetBrush(MakeBrush(m_brush));
  m_dc.SetBackgroundMode(wxBRUSHSTYLE_SOLID);
}

void CWxCanvas::SetThinnestPen(int width) {
  m_thinnest = std::max(width, 1);
  m_dc.SetPen(MakePen(m_pen, m_thinnest));
}

CPen CWxCanvas::SelectPen(const CPen& pen) {
  CPen old = m_pen;
  m_pen = pen;
  m_dc.SetPen(MakePen(pen, m_thinnest));
  return old;
}

CBrush CWxCanvas::SelectBrush(const CBrush& brush) {
  CBrush old = m_brush;
  m_brush = brush;
  m_dc.SetBrush(MakeBrush(brush));
  return old;
}

CFont CWxCanvas::SelectFont(const CFont& font) {
  CFont old = m_font;
  m_font = font;
  wxFontInfo info(std::max(1, std::abs(font.height)) * 72 / 96);
  info.Weight(font.weight);
  if (!font.faceName.empty()) info.FaceName(U8(font.faceName));
  wxFont f(info);
  f.SetPixelSize(wxSize(0, std::max(1, std::abs(font.height))));
  m_dc.SetFont(f);
  return old;
}

COLORREF CWxCanvas::SetTextColor(COLORREF c) {
  std::swap(m_text, c);
  m_dc.SetTextForeground(ToWx(m_text));
  return c;
}

COLORREF CWxCanvas::SetBkColor(COLORREF c) {
  std::swap(m_bk, c);
  m_dc.SetTextBackground(ToWx(m_bk));
  return c;
}

int CWxCanvas::SetBkMode(int mode) {
  std::swap(m_bkMode, mode);
  m_dc.SetBackgroundMode(m_bkMode == TRANSPARENT ? wxBRUSHSTYLE_TRANSPARENT : wxBRUSHSTYLE_SOLID);
  return mode;
}

void CWxCanvas::MoveTo(int x, int y) { m_cur = POINT{x, y}; }

void CWxCanvas::LineTo(int x, int y) {
  // wx, like the platform it stands in for, leaves the end pixel out.
  m_dc.DrawLine(Hold(m_cur.x), Hold(m_cur.y), Hold(x), Hold(y));
  m_cur = POINT{x, y};
}

void CWxCanvas::Polyline(const POINT* pts, int n) {
  if (n < 2) return;
  std::vector<wxPoint> v = Points(pts, n);
  m_dc.DrawLines(static_cast<int>(v.size()), v.data());
}

void CWxCanvas::Polygon(const POINT* pts, int n) {
  if (n < 2) return;
  std::vector<wxPoint> v = Points(pts, n);
  m_dc.DrawPolygon(static_cast<int>(v.size()), v.data(), 0, 0, wxODDEVEN_RULE);
}

void CWxCanvas::Rectangle(int l, int t, int r, int b) {
  m_dc.DrawRectangle(Hold(l), Hold(t), Hold(r) - Hold(l), Hold(b) - Hold(t));
}

void CWxCanvas::Ellipse(int l, int t, int r, int b) {
  m_dc.DrawEllipse(Hold(l), Hold(t), Hold(r) - Hold(l), Hold(b) - Hold(t));
}

void CWxCanvas::SetPixel(int x, int y, COLORREF c) {
  const wxPen old = m_dc.GetPen();
  m_dc.SetPen(wxPen(ToWx(c)));
  m_dc.DrawPoint(Hold(x), Hold(y));
  m_dc.SetPen(old);
}

void CWxCanvas::TextOut(int x, int y, const std::string& utf8) {
  if (m_font.escapement != 0)
    m_dc.DrawRotatedText(U8(utf8), Hold(x), Hold(y), m_font.escapement / 10.0);
  else
    m_dc.DrawText(U8(utf8), Hold(x), Hold(y));
}

SIZE CWxCanvas::GetTextExtent(const std::string& utf8) {
  const wxSize s = m_dc.GetTextExtent(U8(utf8));
  return SIZE{s.x, s.y};
}

}  // namespace qzn
