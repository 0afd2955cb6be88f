#include "platform/canvas.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <string>

namespace qzn {

namespace {

std::string Hex(COLORREF c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
  return buf;
}

std::string Points(const char* name, const POINT* pts, int n) {
  std::string s = name;
  for (int i = 0; pts && i < n; ++i) {
    s += ' ';
    s += std::to_string(pts[i].x);
    s += ' ';
    s += std::to_string(pts[i].y);
  }
  return s;
}

std::string Ints(const char* name, std::initializer_list<long long> v) {
  std::string s = name;
  for (long long x : v) {
    s += ' ';
    s += std::to_string(x);
  }
  return s;
}

}  // namespace

SIZE FixedPitchTextExtent(const CFont& font, const std::string& utf8) {
  std::int64_t codePoints = 0;
  for (unsigned char b : utf8)
    if ((b & 0xC0) != 0x80) ++codePoints;
  const std::int64_t h = std::llabs(static_cast<long long>(font.height));
  const std::int64_t w = (codePoints * h * 3 + 2) / 5;  // 0.6 x height, rounded
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  return SIZE{static_cast<std::int32_t>(std::min(w, kMax)), static_cast<std::int32_t>(std::min(h, kMax))};
}

CPen CRecordingCanvas::SelectPen(const CPen& p) {
  calls.push_back(Ints("pen", {p.style, p.width}) + ' ' + Hex(p.color));
  CPen prev = pen;
  pen = p;
  return prev;
}

CBrush CRecordingCanvas::SelectBrush(const CBrush& b) {
  calls.push_back(Ints("brush", {b.style, b.hatch}) + ' ' + Hex(b.color));
  CBrush prev = brush;
  brush = b;
  return prev;
}

CFont CRecordingCanvas::SelectFont(const CFont& f) {
  calls.push_back(Ints("font", {f.height, f.escapement}) + ' ' + f.faceName);
  CFont prev = font;
  font = f;
  return prev;
}

COLORREF CRecordingCanvas::SetTextColor(COLORREF c) {
  calls.push_back("textcolor " + Hex(c));
  COLORREF prev = textColor;
  textColor = c;
  return prev;
}

COLORREF CRecordingCanvas::SetBkColor(COLORREF c) {
  calls.push_back("bkcolor " + Hex(c));
  COLORREF prev = bkColor;
  bkColor = c;
  return prev;
}

int CRecordingCanvas::SetBkMode(int mode) {
  calls.push_back(Ints("bkmode", {mode}));
  int prev = bkMode;
  bkMode = mode;
  return prev;
}

void CRecordingCanvas::MoveTo(int x, int y) {
  calls.push_back(Ints("move", {x, y}));
  current = POINT{x, y};
}

void CRecordingCanvas::LineTo(int x, int y) {
  calls.push_back(Ints("line", {x, y}));
  current = POINT{x, y};
}

void CRecordingCanvas::Polyline(const POINT* pts, int n) { calls.push_back(Points("polyline", pts, n)); }
void CRecordingCanvas::Polygon(const POINT* pts, int n) { calls.push_back(Points("polygon", pts, n)); }
void CRecordingCanvas::Rectangle(int l, int t, int r, int b) { calls.push_back(Ints("rect", {l, t, r, b})); }
void CRecordingCanvas::Ellipse(int l, int t, int r, int b) { calls.push_back(Ints("ellipse", {l, t, r, b})); }

void CRecordingCanvas::SetPixel(int x, int y, COLORREF c) { calls.push_back(Ints("pixel", {x, y}) + ' ' + Hex(c)); }

void CRecordingCanvas::TextOut(int x, int y, const std::string& utf8) {
  calls.push_back(Ints("text", {x, y}) + ' ' + utf8);
}

SIZE CRecordingCanvas::GetTextExtent(const std::string& utf8) { return FixedPitchTextExtent(font, utf8); }

}  // namespace qzn
