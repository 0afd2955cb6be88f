#include "ui/core/contrastdlgs.h"

#include <algorithm>

#include "resources/messages_imagedlgs.h"
#include "ui/core/qznview.h"

namespace qzn {

bool StepGreyBar(int code, int position, int& value) {
  switch (code) {
    case kScrollLineUp: value -= 1; return true;
    case kScrollLineDown: value += 1; return true;
    case kScrollPageUp: value -= 20; return true;
    case kScrollPageDown: value += 20; return true;
    case kScrollThumbPosition: value = position; return true;
    case kScrollTop: value = 0; return true;
    case kScrollBottom: value = 255; return true;
    default: return false;
  }
}

// ---- contrast -----------------------------------------------------------------------

void CContrastDlg::Set(CQznView* v, int lowValue, int highValue) {
  view = v;
  low = std::clamp(lowValue, 0, 255);
  high = std::clamp(highValue, low, 255);
}

void CContrastDlg::DoDataExchange(CDataExchange& dx) {
  dx.controls.SetScrollRange(kLowBar, 0, 255);
  dx.controls.SetScrollRange(kHighBar, 0, 255);
  dx.controls.SetScrollPos(kLowBar, low);
  dx.controls.SetScrollPos(kHighBar, high);
}

void CContrastDlg::OnScroll(int id, int code, int position, IDialogControls& c) {
  if (id != kLowBar && id != kHighBar) return;
  int& v = id == kLowBar ? low : high;
  if (!StepGreyBar(code, position, v)) return;
  // Neither bar passes the other, both stay within 0..255.
  if (id == kLowBar)
    low = std::clamp(low, 0, high);
  else
    high = std::clamp(high, low, 255);
  c.SetScrollPos(id, v);
  if (view) view->SetDisplayColor(low, high);
}

// ---- colours of a 1-bit image -------------------------------------------------------------

namespace {
COLORREF EntryColour(const PaletteEntry& e) { return RGB(e.red, e.green, e.blue); }
PaletteEntry ColourEntry(COLORREF c) {
  return PaletteEntry{GetRValue(c), GetGValue(c), GetBValue(c), kPaletteReserved};
}
}  // namespace

CImageColorDlg::CImageColorDlg(const ViewPalette& palette, int photometric) : m_photometric(photometric) {
  const bool zeroBlack = photometric == 1;
  foreground = EntryColour(palette[zeroBlack ? 0 : 1]);
  background = EntryColour(palette[zeroBlack ? 1 : 0]);
}

void CImageColorDlg::StoreInto(ViewPalette& palette) const {
  const bool zeroForeground = m_photometric != 0;
  palette[0] = ColourEntry(zeroForeground ? foreground : background);
  palette[1] = ColourEntry(zeroForeground ? background : foreground);
}

void CImageColorDlg::DoDataExchange(CDataExchange& dx) {
  dx.controls.SetSwatch(kForeSwatch, foreground);
  dx.controls.SetSwatch(kBackSwatch, background);
}

void CImageColorDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kForeground && id != kBackground) return;
  COLORREF& colour = id == kForeground ? foreground : background;
  COLORREF chosen = colour;
  if (!c.ChooseColor(&colour, chosen)) return;
  colour = chosen;
  c.SetSwatch(id == kForeground ? kForeSwatch : kBackSwatch, colour);
}

// ---- drawing values ----------------------------------------------------------------------

std::string CBinaryValueDlg::ValueText() const {
  if (zeroIsBlack) return value == 0 ? res::text::kBinaryZeroBlack : res::text::kBinaryOneWhite;
  return value == 0 ? res::text::kBinaryZeroWhite : res::text::kBinaryOneBlack;
}

void CBinaryValueDlg::DoDataExchange(CDataExchange& dx) {
  text = ValueText();
  DDX_Text(dx, kText, text);
}

void CBinaryValueDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kInvert) return;
  value = value ? 0 : 1;
  text = ValueText();
  c.SetText(kText, text);
}

void CColorPixelValueDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kGreen, green);
  DDX_Text(dx, kBlue, blue);
  DDX_Text(dx, kRed, red);
}

void CPixelValueDlg::DoDataExchange(CDataExchange& dx) { DDX_Text(dx, kValue, value); }

}  // namespace qzn
