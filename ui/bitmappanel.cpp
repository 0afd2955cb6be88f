#include "ui/bitmappanel.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/stdpaths.h>

#include "model/helpers.h"
#include "raster/dib.h"
#include "raster/imagefile.h"
#include "resources/messages_widgets.h"
#include "resources/messages_window.h"
#include "ui/capture.h"
#include "ui/wxtext.h"
#include "widgets/titlebar.h"

namespace qzn {

namespace {

constexpr const char kPictureFile[] = "qzn.bmp";

// The picture's size, for the owner to size the panel; (0, 0) without one.
wxSize PictureSize() {
  std::error_code ec;
  const std::string path = CBitmapPanel::PicturePath();
  if (!std::filesystem::is_regular_file(path, ec)) return wxSize();
  std::unique_ptr<CDib, void (*)(HDIB)> dib(LoadBmpAsDib(path), FreeDib);
  DibLayout l;
  if (!dib || !GetDibLayout(*dib, l)) return wxSize();
  return wxSize(static_cast<int>(l.width), static_cast<int>(l.height));
}

}  // namespace

CBitmapPanel::CBitmapPanel(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxWindow(parent, id, pos, size) {
  Bind(wxEVT_PAINT, &CBitmapPanel::OnPaint, this);
}

std::string CBitmapPanel::PicturePath() {
  CFilePath program(FromWx(wxStandardPaths::Get().GetExecutablePath()));
  return CFilePath(program.GetDirectory().c_str(), kPictureFile).GetPath();
}

void CBitmapPanel::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  const std::string path = PicturePath();
  std::error_code ec;
  // Loading a missing file would tell the user so, from every paint.
  if (!std::filesystem::is_regular_file(path, ec)) return;
  std::unique_ptr<CDib, void (*)(HDIB)> dib(LoadBmpAsDib(path), FreeDib);
  DibLayout l;
  if (!dib || !GetDibLayout(*dib, l)) return;
  const std::unique_ptr<CLogPalette> palette = DibMakePalette(dib.get());
  const wxSize client = GetClientSize();
  DrawDib(dc, RECT{0, 0, client.x, client.y}, dib.get(),
          RECT{0, 0, static_cast<std::int32_t>(l.width), static_cast<std::int32_t>(l.height)}, palette.get());
}

CAboutDialog::CAboutDialog(wxWindow* parent) : wxDialog(parent, wxID_ANY, U8(res::text::kAboutTitle)) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  const wxSize picture = PictureSize();
  m_picture = new CBitmapPanel(this, wxID_ANY, wxDefaultPosition, picture);
  m_picture->SetMinSize(picture);
  m_picture->Show(picture.x > 0);
  sizer->Add(m_picture, 0, wxALIGN_CENTRE | wxALL, FromDIP(10));
  sizer->Add(new wxStaticText(this, wxID_ANY, U8(res::text::kAboutVersion)), 0, wxALIGN_CENTRE | wxLEFT | wxRIGHT,
             FromDIP(10));
  auto* body = new wxStaticText(this, wxID_ANY, U8(res::text::kAboutBody));
  body->Wrap(FromDIP(360));
  sizer->Add(body, 0, wxALIGN_CENTRE | wxALL, FromDIP(10));
  auto* ok = new wxButton(this, wxID_OK, U8(res::text::kKeysOk));
  sizer->Add(ok, 0, wxALIGN_CENTRE | wxALL, FromDIP(10));
  ok->SetDefault();
  SetSizerAndFit(sizer);
  FitTitleBar(*this);
  CentreOnParent();
}

}  // namespace qzn
