// The table control's drawing device over a wx device context (the paint
// bitmap, a memory context for measuring, a printer page), and the desktop's
// colours, fonts and metrics as the toolkit gives them.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <wx/colour.h>
#include <wx/dc.h>
#include <wx/font.h>

#include "widgets/core/gridpainter.h"

namespace qzn {

wxColour ToWxColour(COLORREF c);
COLORREF FromWxColour(const wxColour& c);
// A font description from a toolkit font, in pixels of the screen, and the
// toolkit font for a description on the screen.
CGridFont FromWxFont(const wxFont& font);
wxFont ToWxFont(const CGridFont& font);

class CWxGridPainter : public IGridPainter {
 public:
  explicit CWxGridPainter(wxDC& dc);
  // A painter that owns its device context (a memory context for measuring).
  explicit CWxGridPainter(std::unique_ptr<wxDC> dc);
  ~CWxGridPainter() override;

  void Save() override;
  void Restore() override;
  void SetTextColor(COLORREF color) override;
  void SetFont(const CGridFont& font) override;
  void FillRect(const RECT& rect, COLORREF color) override;
  void Line(POINT from, POINT to, COLORREF color) override;
  void InvertRect(const RECT& rect) override;
  void DrawText(const std::string& utf8, const RECT& rect, unsigned format) override;
  SIZE GetTextExtent(const std::string& utf8) override;
  SIZE CalcTextRect(const std::string& utf8, int width, unsigned format) override;
  bool IsMonochrome() const override;
  void SetMapping(SIZE windowExtent, SIZE viewportExtent) override;
  void SetWindowOrg(POINT origin) override;
  POINT GetWindowOrg() const override { return m_state.org; }

  // The rectangles asked to be inverted (device coordinates); the window
  // inverts them in its paint bitmap after the drawing.
  const std::vector<wxRect>& Inverted() const { return m_inverted; }
  // The toolkit font drawn with for a description, on this device.
  const wxFont& RealFont(const CGridFont& font);

 private:
  struct CState {
    COLORREF text = 0;
    CGridFont font;
    bool hasFont = false;
    double sx = 1.0, sy = 1.0;
    POINT org{};
  };
  struct CFontEntry {
    wxFont font;
    int height = 0;           // device line height
    double advance[95] = {};  // device advances of the printable ASCII characters
    bool advances = false;
    std::unordered_map<std::string, wxSize> measured;  // other texts, as measured
  };
  int DX(int x) const;
  int DY(int y) const;
  wxRect DeviceRect(const RECT& r) const;
  // The entry of the state's font (looked up when the font or the scale
  // changed), selected into the device context.
  CFontEntry& Entry();
  void SelectFont();
  void ApplyState();
  // The device size of a text in the current font.
  wxSize Measure(const std::string& utf8);
  // Lines of a text wrapped at word boundaries to a device width.
  std::vector<wxString> Wrap(const wxString& text, int width, bool wordBreak);

  std::unique_ptr<wxDC> m_owned;
  wxDC& m_dc;
  CState m_state;
  std::vector<CState> m_stack;
  std::map<std::pair<std::string, long>, CFontEntry> m_fonts;
  CFontEntry* m_entry = nullptr;           // of the state's font, when known
  const CFontEntry* m_selected = nullptr;  // the font in the device context
  std::vector<wxRect> m_inverted;
};

// Installs the toolkit's desktop for the table controls (once; later calls
// do nothing).
void InstallWxGridDesktop();

}  // namespace qzn
