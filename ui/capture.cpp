#include "ui/capture.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include <wx/dcmemory.h>
#include <wx/dcprint.h>
#include <wx/dcps.h>
#include <wx/dcscreen.h>
#include <wx/utils.h>

namespace qzn {

namespace {

HDIB ImageToDib(const wxImage& image, int bitsPixel) {
  if (!image.IsOk() || image.GetWidth() <= 0 || image.GetHeight() <= 0) return nullptr;
  const CDeviceBitmap bitmap{image.GetWidth(), image.GetHeight(), 1, bitsPixel, image.GetData()};
  return BitmapToDibHandle(bitmap, nullptr);
}

bool IsPrinter(const wxDC& dc) {
  return dc.IsKindOf(wxCLASSINFO(wxPrinterDC)) || dc.IsKindOf(wxCLASSINFO(wxPostScriptDC));
}

}  // namespace

HDIB CaptureWindowDib(wxWindow* window, int kind) {
  if (!window || (kind != kCaptureWholeWindow && kind != kCaptureClientArea)) return nullptr;
  auto* source = dynamic_cast<ICaptureSource*>(window);
  if (!source) return nullptr;
  return ImageToDib(source->RenderClientImage(), 24);
}

bool ScreenCanBeRead() {
  if (wxGetDisplayInfo().type != wxDisplayX11) return false;
  const char* session = std::getenv("XDG_SESSION_TYPE");
  if (session && std::string_view(session) == "wayland") return false;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return !(wayland && *wayland);
}

HDIB CaptureRectDib(const RECT& screenRect) {
  if (IsRectEmpty(screenRect) || !ScreenCanBeRead()) return nullptr;
  wxScreenDC screen;
  if (!screen.IsOk()) return nullptr;
  const wxSize size = screen.GetSize();
  RECT r;
  if (!IntersectRect(r, screenRect, RECT{0, 0, size.x, size.y})) return nullptr;
  const int w = RectWidth(r), h = RectHeight(r);
  wxBitmap copy(w, h, 24);
  if (!copy.IsOk()) return nullptr;
  {
    wxMemoryDC memory(copy);
    if (!memory.Blit(0, 0, w, h, &screen, r.left, r.top)) return nullptr;
  }
  return ImageToDib(copy.ConvertToImage(), screen.GetDepth());
}

wxImage DibToImage(const CDib& dib, const RECT& source, int width, int height) {
  std::vector<BYTE> rgb;
  if (!DibStretchToRgb(dib, source, width, height, rgb)) return wxImage();
  wxImage image(width, height, false);
  if (!image.IsOk()) return wxImage();
  std::memcpy(image.GetData(), rgb.data(), rgb.size());
  return image;
}

int DrawDib(wxDC& dc, const RECT& destination, const CDib* dib, const RECT& source, const CLogPalette*) {
  if (!dib || IsRectEmpty(destination) || IsRectEmpty(source)) return 0;
  const int dw = RectWidth(destination), dh = RectHeight(destination);
  const int sw = RectWidth(source), sh = RectHeight(source);
  if (!IsPrinter(dc)) {
    const wxImage image = DibToImage(*dib, source, dw, dh);
    if (!image.IsOk()) return 0;
    dc.DrawBitmap(wxBitmap(image), destination.left, destination.top);
    return 1;
  }
  // A printer page holds many times the pixels of the picture: the picture
  // goes at its own size, scaled by the printer's transform onto the
  // destination's device pixels.
  const wxImage image = DibToImage(*dib, source, sw, sh);
  if (!image.IsOk()) return 0;
  const wxCoord x0 = dc.LogicalToDeviceX(destination.left), y0 = dc.LogicalToDeviceY(destination.top);
  const wxCoord x1 = dc.LogicalToDeviceX(destination.right), y1 = dc.LogicalToDeviceY(destination.bottom);
  double userX = 1, userY = 1, logicalX = 1, logicalY = 1;
  dc.GetUserScale(&userX, &userY);
  dc.GetLogicalScale(&logicalX, &logicalY);
  const wxPoint logicalOrigin = dc.GetLogicalOrigin(), deviceOrigin = dc.GetDeviceOrigin();
  dc.SetLogicalOrigin(0, 0);
  dc.SetDeviceOrigin(x0, y0);
  dc.SetUserScale(double(x1 - x0) / sw / logicalX, double(y1 - y0) / sh / logicalY);
  dc.DrawBitmap(wxBitmap(image), 0, 0);
  dc.SetUserScale(userX, userY);
  dc.SetLogicalOrigin(logicalOrigin.x, logicalOrigin.y);
  dc.SetDeviceOrigin(deviceOrigin.x, deviceOrigin.y);
  return 1;
}

}  // namespace qzn
