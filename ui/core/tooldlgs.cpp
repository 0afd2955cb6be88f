#include "ui/core/tooldlgs.h"

#include <cstdio>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "resources/messages_tools.h"

namespace qzn {

using namespace res::text;

CDrawPixelValueDlg::CDrawPixelValueDlg(const CQznDoc& doc, const ViewPalette& palette, AskValue askValue)
    : m_doc(doc), m_palette(palette), m_askValue(std::move(askValue)) {}

void CDrawPixelValueDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kPenSize, penSize);
  DDV_MinMaxInt(dx, penSize, 1, 1000);
}

void CDrawPixelValueDlg::Describe(IDialogControls& c) {
  const CRasterImage& img = m_doc.m_image;
  char text[128];
  const char* type = kDrawValueUnknownType;
  const auto fromPalette = [&] {
    const PaletteEntry& e = m_palette[value[0]];
    swatch = RGB(e.red, e.green, e.blue);
  };
  if (m_doc.IsRgbImage()) {
    type = kDrawValueRgbType;
    std::snprintf(text, sizeof text, kDrawValueRgbFormat, value[0], value[1], value[2]);
    swatch = RGB(value[0], value[1], value[2]);
  } else if (m_doc.IsClassifiedImage() || m_doc.IsPaletteImage()) {
    type = m_doc.IsClassifiedImage() ? kDrawValueClassifiedType : kDrawValuePaletteType;
    std::snprintf(text, sizeof text, kDrawValueColourFormat, value[0]);
    fromPalette();
  } else if (img.HasPixels() && img.bitsPerSample == 1) {
    type = kDrawValueBilevelType;
    std::snprintf(text, sizeof text, kDrawValueBitFormat, value[0]);
    fromPalette();
  } else if (m_doc.IsGreyImage()) {
    type = kDrawValueGreyType;
    std::snprintf(text, sizeof text, kDrawValueGreyFormat, value[0]);
    // White is zero on an image whose photometric code says so.
    const BYTE g = img.photometric == 0 ? static_cast<BYTE>(255 - value[0]) : value[0];
    swatch = RGB(g, g, g);
  } else {
    std::snprintf(text, sizeof text, kDrawValueUnknownFormat, value[0], value[1], value[2]);
  }
  c.SetText(kTypeText, type);
  c.SetText(kValueText, text);
  c.SetSwatch(kSwatch, swatch);
}

void CDrawPixelValueDlg::OnInitDialog(IDialogControls& c) { Describe(c); }

void CDrawPixelValueDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kDefine) return;
  const CRasterImage& img = m_doc.m_image;
  if (m_doc.IsRgbImage()) {
    const COLORREF initial = RGB(value[0], value[1], value[2]);
    COLORREF chosen = initial;
    if (!c.ChooseColor(&initial, chosen)) return;
    value[0] = GetRValue(chosen);
    value[1] = GetGValue(chosen);
    value[2] = GetBValue(chosen);
  } else if (m_doc.IsGreyImage() || m_doc.IsClassifiedImage() || m_doc.IsPaletteImage() ||
             (img.HasPixels() && img.bitsPerSample == 1)) {
    int v = value[0];
    if (!m_askValue || !m_askValue(v)) return;
    value[0] = value[1] = value[2] = static_cast<BYTE>(v);
  } else {
    return;
  }
  Describe(c);
  c.Redraw(kSwatch);
}

bool CDrawPixelValueDlg::OnOK(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  const CRasterImage& img = m_doc.m_image;
  if (penSize > img.width / 4 || penSize > img.height / 4) {
    AfxMessageBox(kDrawValuePenTooLarge, MB_OK | MB_ICONINFORMATION);
    return false;
  }
  return true;
}

void CMapPixelValueDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kMinimum, minimum);
  DDV_Range(dx, minimum, kGreyValueRange);
  DDX_Text(dx, kValue, value);
  DDV_Range(dx, value, kGreyValueRange);
  DDX_Text(dx, kMaximum, maximum);
  DDV_Range(dx, maximum, kGreyValueRange);
}

void CDeleteTextLinesDlg::DoDataExchange(CDataExchange& dx) { DDX_Radio(dx, {kInside, kCrossing}, choice); }

}  // namespace qzn
