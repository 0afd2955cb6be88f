#include "ui/core/displaybitmap.h"

#include <cstring>
#include <new>

#include "platform/host.h"
#include "raster/imaging.h"
#include "raster/rasterimage.h"
#include "resources/messages_window.h"
#include "resources/strings.h"

namespace qzn {

int CreateImagePalette(const CRasterImage& image, ViewPalette& palette) {
  palette.fill(PaletteEntry{});
  auto set = [&](int i, int r, int g, int b, BYTE flags) {
    palette[static_cast<std::size_t>(i)] =
        PaletteEntry{static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b), flags};
  };
  if (image.bitsPerSample == 1) {
    const int first = image.photometric == kPhotometricMinIsWhite ? 200 : 50;
    const int second = image.photometric == kPhotometricMinIsWhite ? 50 : 200;
    set(0, first, first, first, kPaletteReserved);
    set(1, second, second, second, kPaletteReserved);
    return 2;
  }
  if (image.bitsPerSample == 8 && image.planes == 1 &&
      (image.photometric == kPhotometricMinIsWhite || image.photometric == kPhotometricMinIsBlack)) {
    for (int i = 0; i < 256; ++i) {
      const int v = image.photometric == kPhotometricMinIsBlack ? i : 255 - i;
      set(i, v, v, v, kPaletteReserved);
    }
    return 256;
  }
  if (image.HasPalette()) {
    for (int i = 0; i < 256; ++i) set(i, image.red[i], image.green[i], image.blue[i], 0);
    return 256;
  }
  for (int i = 0; i < 256; ++i) set(i, (i % 8) * 32, ((i / 8) % 8) * 32, (i / 64) * 64, 0);
  return 256;
}

bool CreateBitmapFromDib(const BYTE* bits, int width, int height, bool rgbBuffer, const ViewPalette& palette,
                         RgbBitmap& out) {
  out = RgbBitmap{};
  if (width <= 0 || height <= 0) {
    AfxMessageBox(res::text::kBitmapForDisplayError);
    return false;
  }
  RgbBitmap bmp;
  bmp.width = width;
  bmp.height = height;
  try {
    bmp.rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kBitmapForDisplayError);
    return false;
  }
  if (!bits) {
    // The pixels cannot be set: drop the bitmap rather than show whatever
    // its memory held.
    AfxMessageBox(res::text::kBitmapError);
    return false;
  }
  const std::int64_t stride = DisplayRowBytes(width, rgbBuffer ? kDisplayRGB : 0);
  for (int y = 0; y < height; ++y) {
    const BYTE* src = bits + stride * (height - 1 - y);
    std::uint8_t* dst = bmp.rgb.data() + static_cast<std::size_t>(y) * width * 3;
    if (rgbBuffer) {
      for (int x = 0; x < width; ++x, src += 3, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
      }
    } else {
      for (int x = 0; x < width; ++x, dst += 3) {
        const PaletteEntry& e = palette[src[x]];
        dst[0] = e.red;
        dst[1] = e.green;
        dst[2] = e.blue;
      }
    }
  }
  out = std::move(bmp);
  return true;
}

}  // namespace qzn
