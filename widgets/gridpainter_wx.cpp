#include "widgets/gridpainter_wx.h"

#include <algorithm>
#include <cmath>

#include <wx/bitmap.h>
#include <wx/control.h>
#include <wx/dcmemory.h>
#include <wx/settings.h>

#include "widgets/wxtext.h"

namespace qzn {

wxColour ToWxColour(COLORREF c) { return wxColour(GetRValue(c), GetGValue(c), GetBValue(c)); }

COLORREF FromWxColour(const wxColour& c) { return RGB(c.Red(), c.Green(), c.Blue()); }

namespace {

// The screen's pixels per inch (fonts are described in pixels, the toolkit
// sizes them in points).
double ScreenPpi() {
  static double ppi = 0;
  if (ppi <= 0) {
    wxBitmap bmp(1, 1);
    wxMemoryDC dc(bmp);
    ppi = dc.GetPPI().y > 0 ? dc.GetPPI().y : 96.0;
  }
  return ppi;
}

std::string FontKey(const CGridFont& f) {
  return f.faceName + "|" + std::to_string(f.height) + "|" + std::to_string(f.weight) + "|" +
         std::to_string(f.escapement) + "|" + (f.italic ? "i" : "") + (f.underline ? "u" : "") +
         (f.strikeOut ? "s" : "");
}

}  // namespace

CGridFont FromWxFont(const wxFont& font) {
  CGridFont f;
  f.height = -std::max(1, static_cast<int>(std::lround(font.GetFractionalPointSize() * ScreenPpi() / 72.0)));
  f.weight = font.GetNumericWeight();
  f.italic = font.GetStyle() != wxFONTSTYLE_NORMAL;
  f.underline = font.GetUnderlined();
  f.strikeOut = font.GetStrikethrough();
  f.faceName = FromWx(font.GetFaceName());
  return f;
}

namespace {

wxFont MakeFont(const CGridFont& f, double pixels, double ppi) {
  wxFontInfo info(std::max(1.0, pixels) * 72.0 / ppi);
  if (!f.faceName.empty()) info.FaceName(U8(f.faceName));
  info.Weight(std::clamp(f.weight, 100, 900)).Italic(f.italic).Underlined(f.underline).Strikethrough(f.strikeOut);
  wxFont font(info);
  return font.IsOk() ? font : *wxNORMAL_FONT;
}

// The character height in pixels of a description: a positive height is
// that of the whole cell, of which the character takes about 4/5.
double CharPixels(const CGridFont& f, double scale) { return std::abs(f.height) * scale * (f.height > 0 ? 0.8 : 1.0); }

}  // namespace

wxFont ToWxFont(const CGridFont& font) { return MakeFont(font, CharPixels(font, 1.0), ScreenPpi()); }

CWxGridPainter::CWxGridPainter(wxDC& dc) : m_dc(dc) { m_dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT); }

CWxGridPainter::CWxGridPainter(std::unique_ptr<wxDC> dc) : m_owned(std::move(dc)), m_dc(*m_owned) {
  m_dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
}

CWxGridPainter::~CWxGridPainter() = default;

int CWxGridPainter::DX(int x) const { return static_cast<int>(std::lround((x - m_state.org.x) * m_state.sx)); }
int CWxGridPainter::DY(int y) const { return static_cast<int>(std::lround((y - m_state.org.y) * m_state.sy)); }

wxRect CWxGridPainter::DeviceRect(const RECT& r) const {
  const int l = DX(r.left), t = DY(r.top), rr = DX(r.right), b = DY(r.bottom);
  return wxRect(l, t, rr - l, b - t);
}

void CWxGridPainter::Save() { m_stack.push_back(m_state); }

void CWxGridPainter::Restore() {
  if (m_stack.empty()) return;
  const bool sameFont = m_state.hasFont == m_stack.back().hasFont && m_state.font == m_stack.back().font &&
                        m_state.sy == m_stack.back().sy;
  m_state = m_stack.back();
  m_stack.pop_back();
  if (!sameFont) m_entry = nullptr;
  ApplyState();
}

void CWxGridPainter::ApplyState() {
  m_dc.SetTextForeground(ToWxColour(m_state.text));
  if (m_state.hasFont) SelectFont();
}

void CWxGridPainter::SelectFont() {
  CFontEntry& e = Entry();
  if (m_selected != &e) {
    m_dc.SetFont(e.font);
    m_selected = &e;
  }
}

void CWxGridPainter::SetTextColor(COLORREF color) {
  m_state.text = color;
  m_dc.SetTextForeground(ToWxColour(color));
}

void CWxGridPainter::SetFont(const CGridFont& font) {
  if (!m_state.hasFont || !(m_state.font == font)) {
    m_state.font = font;
    m_state.hasFont = true;
    m_entry = nullptr;
  }
  SelectFont();
}

const wxFont& CWxGridPainter::RealFont(const CGridFont& font) {
  const CState keep = m_state;
  CFontEntry* keepEntry = m_entry;
  m_state.font = font;
  m_state.hasFont = true;
  m_entry = nullptr;
  const wxFont& f = Entry().font;
  m_state = keep;
  m_entry = keepEntry;
  return f;
}

CWxGridPainter::CFontEntry& CWxGridPainter::Entry() {
  if (m_entry) return *m_entry;
  const auto key = std::make_pair(FontKey(m_state.font), std::lround(m_state.sy * 1000.0));
  auto it = m_fonts.find(key);
  if (it != m_fonts.end()) return *(m_entry = &it->second);
  CFontEntry& e = m_fonts[key];
  // The character height in device pixels, in the point size of this
  // device.
  const double ppi = m_dc.GetPPI().y > 0 ? m_dc.GetPPI().y : ScreenPpi();
  e.font = MakeFont(m_state.font, CharPixels(m_state.font, m_state.sy), ppi);
  return *(m_entry = &e);
}

wxSize CWxGridPainter::Measure(const std::string& utf8) {
  if (!m_state.hasFont) return m_dc.GetTextExtent(U8(utf8));
  CFontEntry& e = Entry();
  SelectFont();
  const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return c >= 32 && c < 127; });
  if (ascii) {
    // Printable ASCII (numbers, most of a report) is measured from the
    // font's advances, taken once per font: asking the layout engine for
    // each text would cost more than the whole table.
    if (!e.advances) {
      for (int c = 32; c < 127; ++c) {
        const wxString run(static_cast<wxChar>(c), 16);
        e.advance[c - 32] = m_dc.GetTextExtent(run).x / 16.0;
      }
      e.height = m_dc.GetTextExtent("Xg").y;
      e.advances = true;
    }
    double width = 0;
    for (char c : utf8) width += e.advance[c - 32];
    return wxSize(static_cast<int>(std::ceil(width)), e.height);
  }
  // Other texts (layer names, headings) repeat: each is measured once.
  auto it = e.measured.find(utf8);
  if (it != e.measured.end()) return it->second;
  if (e.measured.size() > 20000) e.measured.clear();
  const wxSize size = m_dc.GetTextExtent(U8(utf8));
  e.measured.emplace(utf8, size);
  return size;
}

void CWxGridPainter::FillRect(const RECT& rect, COLORREF color) {
  const wxRect r = DeviceRect(rect);
  if (r.width <= 0 || r.height <= 0) return;
  m_dc.SetPen(*wxTRANSPARENT_PEN);
  m_dc.SetBrush(wxBrush(ToWxColour(color)));
  m_dc.DrawRectangle(r);
}

void CWxGridPainter::Line(POINT a, POINT b, COLORREF color) {
  // Every line the table draws runs along a row or a column: a rectangle one
  // logical pixel thick, without its end pixel.
  if (a.y == b.y) {
    const int from = std::min(a.x, b.x) + (a.x > b.x ? 1 : 0), to = std::max(a.x, b.x) + (a.x > b.x ? 1 : 0);
    const int l = DX(from), r = DX(to), t = DY(a.y), h = std::max(1, DY(a.y + 1) - t);
    if (r <= l) return;
    m_dc.SetPen(*wxTRANSPARENT_PEN);
    m_dc.SetBrush(wxBrush(ToWxColour(color)));
    m_dc.DrawRectangle(l, t, r - l, h);
  } else if (a.x == b.x) {
    const int from = std::min(a.y, b.y) + (a.y > b.y ? 1 : 0), to = std::max(a.y, b.y) + (a.y > b.y ? 1 : 0);
    const int t = DY(from), bt = DY(to), l = DX(a.x), w = std::max(1, DX(a.x + 1) - l);
    if (bt <= t) return;
    m_dc.SetPen(*wxTRANSPARENT_PEN);
    m_dc.SetBrush(wxBrush(ToWxColour(color)));
    m_dc.DrawRectangle(l, t, w, bt - t);
  } else {
    m_dc.SetPen(wxPen(ToWxColour(color), std::max(1, static_cast<int>(std::lround(m_state.sx)))));
    m_dc.DrawLine(DX(a.x), DY(a.y), DX(b.x), DY(b.y));
  }
}

void CWxGridPainter::InvertRect(const RECT& rect) {
  const wxRect r = DeviceRect(rect);
  if (r.width > 0 && r.height > 0) m_inverted.push_back(r);
}

std::vector<wxString> CWxGridPainter::Wrap(const wxString& text, int width, bool wordBreak) {
  std::vector<wxString> lines;
  wxString rest = text;
  rest.Replace("\r", "");
  for (;;) {
    const int nl = rest.Find('\n');
    const wxString para = nl == wxNOT_FOUND ? rest : rest.Left(nl);
    if (!wordBreak) {
      lines.push_back(para);
    } else {
      // Break after the last blank that still fits; a word wider than the
      // line stands alone.
      wxString line, word;
      const auto flush = [&](const wxString& w) {
        const wxString joined = line.empty() ? w : line + " " + w;
        if (!line.empty() && m_dc.GetTextExtent(joined).x > width) {
          lines.push_back(line);
          line = w;
        } else {
          line = joined;
        }
      };
      for (wxUniChar ch : para) {
        if (ch == ' ') {
          flush(word);
          word.clear();
        } else {
          word += ch;
        }
      }
      flush(word);
      lines.push_back(line);
    }
    if (nl == wxNOT_FOUND) break;
    rest = rest.Mid(nl + 1);
  }
  return lines;
}

void CWxGridPainter::DrawText(const std::string& utf8, const RECT& rect, unsigned format) {
  const wxRect r = DeviceRect(rect);
  if (r.width <= 0 || r.height <= 0 || utf8.empty()) return;
  m_dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  m_dc.SetTextForeground(ToWxColour(m_state.text));
  if (m_state.hasFont) SelectFont();
  const int lineHeight = m_dc.GetCharHeight();

  if (format & DT_SINGLELINE) {
    std::string line = utf8;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::erase(line, '\r');
    wxSize size = Measure(line);
    wxString text = U8(line);
    if ((format & DT_END_ELLIPSIS) && size.x > r.width) {
      text = wxControl::Ellipsize(text, m_dc, wxELLIPSIZE_END, r.width, wxELLIPSIZE_FLAGS_NONE);
      size = m_dc.GetTextExtent(text);
    }
    // A fallback font (Chinese in a Latin face) is taller than the face's
    // own lines: the text's own height centres it.
    const int textHeight = std::max(lineHeight, size.y);
    int x = r.x, y = r.y;
    if (format & DT_RIGHT)
      x = r.GetRight() + 1 - size.x;
    else if (format & DT_CENTER)
      x = r.x + (r.width - size.x) / 2;
    if (format & DT_VCENTER)
      y = r.y + (r.height - textHeight) / 2;
    else if (format & DT_BOTTOM)
      y = r.GetBottom() + 1 - textHeight;
    // Clipping costs more than the text: only text that does not fit gets it.
    std::unique_ptr<wxDCClipper> clip;
    if (!(format & DT_NOCLIP) && (size.x > r.width || textHeight > r.height || x < r.x || y < r.y))
      clip = std::make_unique<wxDCClipper>(m_dc, r);
    if (m_state.hasFont && m_state.font.escapement != 0)
      m_dc.DrawRotatedText(text, x, y, m_state.font.escapement / 10.0);
    else
      m_dc.DrawText(text, x, y);
    return;
  }
  std::unique_ptr<wxDCClipper> clip;
  if (!(format & DT_NOCLIP)) clip = std::make_unique<wxDCClipper>(m_dc, r);
  int y = r.y;
  for (const wxString& line : Wrap(U8(utf8), r.width, format & DT_WORDBREAK)) {
    const int w = m_dc.GetTextExtent(line).x;
    const int x = (format & DT_RIGHT) ? r.GetRight() + 1 - w : (format & DT_CENTER) ? r.x + (r.width - w) / 2 : r.x;
    m_dc.DrawText(line, x, y);
    y += lineHeight;
  }
}

SIZE CWxGridPainter::GetTextExtent(const std::string& utf8) {
  const wxSize s = Measure(utf8);
  return SIZE{static_cast<int>(std::ceil(s.x / m_state.sx)), static_cast<int>(std::ceil(s.y / m_state.sy))};
}

SIZE CWxGridPainter::CalcTextRect(const std::string& utf8, int width, unsigned format) {
  if (m_state.hasFont) SelectFont();
  const int deviceWidth = static_cast<int>(std::lround(width * m_state.sx));
  int w = 0, h = 0;
  const int lineHeight = m_dc.GetCharHeight();
  for (const wxString& line : Wrap(U8(utf8), deviceWidth, format & DT_WORDBREAK)) {
    w = std::max(w, m_dc.GetTextExtent(line).x);
    h += lineHeight;
  }
  return SIZE{static_cast<int>(std::ceil(w / m_state.sx)), static_cast<int>(std::ceil(h / m_state.sy))};
}

bool CWxGridPainter::IsMonochrome() const { return m_dc.GetDepth() == 1; }

void CWxGridPainter::SetMapping(SIZE windowExtent, SIZE viewportExtent) {
  m_state.sx = windowExtent.cx > 0 ? static_cast<double>(viewportExtent.cx) / windowExtent.cx : 1.0;
  m_state.sy = windowExtent.cy > 0 ? static_cast<double>(viewportExtent.cy) / windowExtent.cy : 1.0;
  m_entry = nullptr;
  if (m_state.hasFont) SelectFont();
}

void CWxGridPainter::SetWindowOrg(POINT origin) { m_state.org = origin; }

// ---- The desktop ------------------------------------------------------------

namespace {

class CWxGridDesktop : public IGridDesktop {
 public:
  COLORREF SysColor(int index) const override {
    wxSystemColour c = wxSYS_COLOUR_WINDOW;
    switch (index) {
      case COLOR_WINDOW: c = wxSYS_COLOUR_WINDOW; break;
      case COLOR_WINDOWTEXT: c = wxSYS_COLOUR_WINDOWTEXT; break;
      case COLOR_HIGHLIGHT: c = wxSYS_COLOUR_HIGHLIGHT; break;
      case COLOR_HIGHLIGHTTEXT: c = wxSYS_COLOUR_HIGHLIGHTTEXT; break;
      case COLOR_BTNFACE: c = wxSYS_COLOUR_BTNFACE; break;
      case COLOR_BTNSHADOW: c = wxSYS_COLOUR_BTNSHADOW; break;
      case COLOR_GRAYTEXT: c = wxSYS_COLOUR_GRAYTEXT; break;
      case COLOR_BTNHIGHLIGHT: c = wxSYS_COLOUR_BTNHIGHLIGHT; break;
      case COLOR_3DDKSHADOW: c = wxSYS_COLOUR_3DDKSHADOW; break;
      case COLOR_3DLIGHT: c = wxSYS_COLOUR_3DLIGHT; break;
      case COLOR_INFOTEXT: c = wxSYS_COLOUR_INFOTEXT; break;
      case COLOR_INFOBK: c = wxSYS_COLOUR_INFOBK; break;
      default: break;
    }
    return FromWxColour(wxSystemSettings::GetColour(c));
  }
  CGridFont MessageFont() const override { return FromWxFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT)); }
  // The desktop gives no wheel setting to ask: three rows a notch.
  int WheelScrollLines() const override { return 3; }
  unsigned DoubleClickTime() const override {
    const int ms = wxSystemSettings::GetMetric(wxSYS_DCLICK_MSEC);
    return ms > 0 ? static_cast<unsigned>(ms) : 500u;
  }
  int ScrollBarWidth() const override {
    const int w = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X);
    return w > 0 ? w : 16;
  }
  int ScrollBarHeight() const override {
    const int h = wxSystemSettings::GetMetric(wxSYS_HSCROLL_Y);
    return h > 0 ? h : 16;
  }
  std::unique_ptr<IGridPainter> ScreenPainter() const override {
    // Each painter has a bitmap of its own: one bitmap can be selected into
    // one memory context at a time.
    wxBitmap bitmap(8, 8);
    auto dc = std::make_unique<wxMemoryDC>(bitmap);
    return std::make_unique<CWxGridPainter>(std::move(dc));
  }
};

}  // namespace

void InstallWxGridDesktop() {
  static CWxGridDesktop* desktop = nullptr;
  if (desktop) return;
  desktop = new CWxGridDesktop;  // lives as long as the process
  SetGridDesktop(desktop);
}

}  // namespace qzn
