// Mosaic, merge paste, colour composition and rendering vectors to a .BMP.
#include "raster/mosaic.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "model/chainlist.h"
#include "model/helpers.h"
#include "model/note.h"
#include "model/ptlist.h"
#include "platform/canvas.h"
#include "platform/host.h"
#include "raster/depthconv.h"
#include "raster/dib.h"
#include "raster/imagefile.h"
#include "raster/imaging.h"
#include "raster/resample.h"
#include "resources/messages_common.h"
#include "resources/messages_raster.h"

namespace qzn {

namespace {

double Row4(const double* r, double x, double y) { return r[0] * x + r[1] * y + r[2] * x * y + r[3]; }

// The whole map unit nearest v: placements computed through two fits land a
// hair off the integer they stand for, and truncating would lose a pixel.
std::int64_t NearestPixel(double v) { return static_cast<std::int64_t>(std::floor(v + 0.5)); }

int PasteAt(CRasterImage* out, const CRasterImage& tile, std::int64_t x, std::int64_t y) {
  if (x < INT32_MIN || y < INT32_MIN || x > INT32_MAX || y > INT32_MAX) return 1;  // nowhere near the output
  return CopyIntoRect(out, static_cast<int>(x), static_cast<int>(y), tile.width, tile.height, tile);
}

// Grey brightness of a sample of an 8-bit grey image, whichever way it is stored.
inline int Brightness(const CRasterImage& im, BYTE v) { return im.photometric == kPhotometricMinIsWhite ? 255 - v : v; }

bool IsBandImage(const CRasterImage& im) { return im.IsGrey() && im.planes == 1; }

// Sample of a band at the position proportional to (x, y) in a w x h image.
inline int BandSample(const CRasterImage& band, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
  const std::int64_t bx = x * band.width / w, by = y * band.height / h;
  return Brightness(band, band.GetByte(static_cast<int>(bx), static_cast<int>(by)));
}

}  // namespace

// ---------------------------------------------------------------------------
// Mosaic

int MosaicImages(const std::vector<std::string>& files, int columns, int rows, CRasterImage* output, int mode,
                 double horizontalOverlap, double verticalOverlap, const CImageGeoreferencer& georeference) {
  if (files.empty() || !output || columns < 1 || rows < 1) return 0;
  CRasterImage first;
  if (!ReadImageFile(files[0], first) || !first.pixels) return 0;
  double invX[4] = {0, 0, 0, 0}, invY[4] = {0, 0, 0, 0};
  if (mode == kMosaicGeoreferenced && !(georeference && georeference(files[0], first, invX, invY, 1)))
    mode = kMosaicGrid;

  const std::int64_t fw = first.width, fh = first.height;
  const std::int64_t ow = fw * columns, oh = fh * rows;
  CRasterImage built;
  std::unique_ptr<BYTE[]> block;
  if (ow <= INT32_MAX && oh <= INT32_MAX && built.CopyFrom(first, 0, 0))
    block = AllocImageBlock(first.bitsPerSample, first.planes, ow, oh);
  if (!block) {
    AfxMessageBox(res::text::kOutOfMemory, MB_OK | MB_ICONERROR);
    return 0;
  }
  built.width = static_cast<int>(ow);
  built.height = static_cast<int>(oh);
  std::memset(block.get(), 0, static_cast<std::size_t>(ImageRowBytes(ow, first.bitsPerSample) * oh * first.planes));
  built.SetPixelBlock(std::move(block));
  output->MoveFrom(built);
  CopyIntoRect(output, 0, 0, first.width, first.height, first);

  const std::size_t count = std::min<std::size_t>(files.size(), static_cast<std::size_t>(columns) * rows);
  std::int64_t x = columns > 1 ? fw : 0, y = columns > 1 ? 0 : fh;  // running position of the matched mode
  for (std::size_t k = 1; k < count; ++k) {
    const int col = static_cast<int>(k % columns), row = static_cast<int>(k / columns);
    const bool nextStartsRow = (k + 1) % columns == 0;
    CRasterImage tile;
    if (!ReadImageFile(files[k], tile)) return 0;
    if (!tile.pixels || !tile.SameFormat(*output) || tile.planes != output->planes) continue;
    const int tw = tile.width, th = tile.height;

    if (mode == kMosaicGrid) {
      const CRasterImage* src = &tile;
      CRasterImage sized;
      if (tw != fw || th != fh) {
        if (!sized.CopyFrom(first, 1, 0) || !ResampleInto(&sized, tile)) continue;
        src = &sized;
      }
      PasteAt(output, *src, col * fw, row * fh);
    } else if (mode == kMosaicMatched) {
      const int ovw = static_cast<int>(horizontalOverlap * tw), ovh = static_cast<int>(verticalOverlap * th);
      RECT templ{}, reference{}, window{};
      const int ix = static_cast<int>(x), iy = static_cast<int>(y);
      if (col != 0) {
        templ = RECT{0, 0, ovw, th - 1};
        reference = RECT{ix - ovw, iy, ix - 1, iy + th - 1};
        window = RECT{ix - ovw, std::max(0, iy - ovh / 2), ix - 1, iy + ovh / 2};
      } else {
        templ = RECT{0, 0, tw - 1, ovh};
        reference = RECT{ix, iy - ovh, ix + tw - 1, iy - 1};
        window = RECT{std::max(0, ix - ovw / 2), iy - ovh, ix + ovw / 2, iy - 1};
      }
      int fx = -1, fy = -1;
      if ((ovw > 0 || col == 0) && (ovh > 0 || col != 0) &&
          MatchTemplate(*output, window, reference, tile, templ, &fx, &fy)) {
        PasteAt(output, tile, fx, fy);
        InterpolateRect(output, fx, fy, tw, th);
        x = fx + static_cast<std::int64_t>(tw);
        y = nextStartsRow ? fy + static_cast<std::int64_t>(th) : fy;
      } else {
        PasteAt(output, tile, x, y);
        x += tw;
        if (nextStartsRow) y += th;
      }
      if (nextStartsRow) x = 0;
    } else {
      double gx[4], gy[4];
      if (!georeference || !georeference(files[k], tile, gx, gy, 0)) continue;
      // Both corners through the map into the first image's pixel grid.
      double px[2], py[2];
      const double cx[2] = {0.0, tw - 1.0}, cy[2] = {0.0, th - 1.0};
      for (int c = 0; c < 2; ++c) {
        const double mx = Row4(gx, cx[c], cy[c]), my = Row4(gy, cx[c], cy[c]);
        px[c] = Row4(invX, mx, my);
        py[c] = Row4(invY, mx, my);
      }
      const double left = std::min(px[0], px[1]), top = std::min(py[0], py[1]);
      if (!std::isfinite(left) || !std::isfinite(top)) continue;
      // West or north of the first tile the tile is cut at the edge, not
      // pushed onto it.
      const std::int64_t tx = NearestPixel(left), ty = NearestPixel(top);
      PasteAt(output, tile, tx, ty);
      if (tx < INT32_MAX && ty < INT32_MAX && tx > INT32_MIN && ty > INT32_MIN)
        InterpolateRect(output, static_cast<int>(tx), static_cast<int>(ty), tw, th);
    }
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Merge paste

int PasteImageRegion(CRasterImage* image, const CRasterImage& source, const RECT& rect, int mode) {
  if (!image || !PasteImage(image, source, rect, mode)) return 0;
  if (image->planes == 3 && image->bitsPerSample == 8) Frequency24to8(image);
  return 1;
}

// ---------------------------------------------------------------------------
// Colour composition

namespace {

struct Bands {
  CRasterImage image[3];
  bool present[3] = {false, false, false};
};

// Gives the result its three planes and display palette and hands it to the
// target; the target is untouched when memory runs out.
int InstallColour(CRasterImage* target, CRasterImage& result, std::unique_ptr<BYTE[]> block, const char* noMemory) {
  result.bitsPerSample = 8;
  result.planes = 3;
  result.photometric = kPhotometricRgb;
  result.SetPixelBlock(std::move(block));
  if (!Frequency24to8(&result)) {
    AfxMessageBox(noMemory);
    return 0;
  }
  target->MoveFrom(result);
  return 1;
}

}  // namespace

int ComposeRgbImage(CRasterImage* output, const std::string& redFile, const std::string& greenFile,
                    const std::string& blueFile) {
  if (!output) return 0;
  Bands bands;
  const std::string* names[3] = {&redFile, &greenFile, &blueFile};
  const auto& failures = res::text::kColourSourceReadErrors;
  for (int k = 0; k < 3; ++k) {
    if (names[k]->empty()) continue;
    if (ReadImageFile(*names[k], bands.image[k]) && bands.image[k].pixels) {
      bands.present[k] = true;
      continue;
    }
    AfxMessageBox(failures[k]);
    if (k == 2) return 0;
  }
  int lead = -1;
  for (int k = 0; k < 3; ++k)
    if (bands.present[k]) {
      if (lead < 0) lead = k;
      if (!IsBandImage(bands.image[k])) {
        AfxMessageBox(res::text::kImageTypeMismatch);
        return 0;
      }
    }
  if (lead < 0) {
    AfxMessageBox(res::text::kNoImageSource);
    return 0;
  }
  const std::int64_t w = bands.image[lead].width, h = bands.image[lead].height;
  auto block = AllocImageBlock(8, 3, w, h);
  if (!block) {
    AfxMessageBox(res::text::kMergeNoMemory);
    return 0;
  }
  CStatusProgress progress;
  progress.SetRange(0, h);
  progress.SetStep(1);
  for (std::int64_t y = 0; y < h; ++y) {
    for (int k = 0; k < 3; ++k) {
      BYTE* out = block.get() + w * h * k + w * y;
      if (!bands.present[k]) {
        std::memset(out, 0, static_cast<std::size_t>(w));
        continue;
      }
      for (std::int64_t x = 0; x < w; ++x) out[x] = static_cast<BYTE>(BandSample(bands.image[k], x, y, w, h));
    }
    progress.StepIt();
  }
  CRasterImage result;
  result.width = static_cast<int>(w);
  result.height = static_cast<int>(h);
  result.xResolution = bands.image[lead].xResolution;
  result.yResolution = bands.image[lead].yResolution;
  result.resolutionUnit = bands.image[lead].resolutionUnit;
  return InstallColour(output, result, std::move(block), res::text::kMergeNoMemory);
}

int ComposeRgbFromFiles(CRasterImage* image, const std::string& redFile, const std::string& greenFile,
                        const std::string& blueFile) {
  if (!image) return 0;
  Bands bands;
  const std::string* names[3] = {&redFile, &greenFile, &blueFile};
  const auto& failures = res::text::kColourSourceReadErrors;
  for (int k = 0; k < 3; ++k)
    if (!ReadImageFile(*names[k], bands.image[k]) || !bands.image[k].pixels) {
      AfxMessageBox(failures[k]);
      return 0;
    }
  // The image's pixels are read as brightness: only an 8-bit grey image has it.
  if (!IsBandImage(*image) || !IsBandImage(bands.image[0]) || !IsBandImage(bands.image[1]) ||
      !IsBandImage(bands.image[2])) {
    AfxMessageBox(res::text::kImageTypeMismatch);
    return 0;
  }
  const std::int64_t w = image->width, h = image->height;
  auto block = AllocImageBlock(8, 3, w, h);
  if (!block) {
    AfxMessageBox(res::text::kOutOfMemory);
    return 0;
  }
  int lo[3], range[3];
  for (int k = 0; k < 3; ++k) {
    const CRasterImage& b = bands.image[k];
    int mn = 255, mx = 0;
    for (int y = 0; y < b.height; ++y)
      for (int x = 0; x < b.width; ++x) {
        const int v = Brightness(b, b.GetByte(x, y));
        mn = std::min(mn, v), mx = std::max(mx, v);
      }
    lo[k] = mn;
    range[k] = std::max(mx - mn, 1);
  }
  CStatusProgress progress;
  progress.SetRange(0, h);
  progress.SetStep(1);
  for (std::int64_t y = 0; y < h; ++y) {
    for (std::int64_t x = 0; x < w; ++x) {
      double s[3];
      for (int k = 0; k < 3; ++k)
        s[k] = static_cast<double>((BandSample(bands.image[k], x, y, w, h) - lo[k]) * 255 / range[k]);
      const double intensity = 0.299 * s[0] + 0.587 * s[1] + 0.114 * s[2];
      const int pixel = Brightness(*image, image->GetByte(static_cast<int>(x), static_cast<int>(y)));
      for (int k = 0; k < 3; ++k) {
        // A pixel brighter than the bands' intensity would overflow a byte.
        const double v = intensity > 0 ? s[k] * (pixel / intensity) : 0.0;
        block[static_cast<std::size_t>(w * h * k + w * y + x)] = static_cast<BYTE>(std::min(v, 255.0));
      }
    }
    progress.StepIt();
  }
  CRasterImage result;
  if (!result.CopyFrom(*image, 0, 0)) {
    AfxMessageBox(res::text::kOutOfMemory);
    return 0;
  }
  result.FreePalette();
  return InstallColour(image, result, std::move(block), res::text::kOutOfMemory);
}

// ---------------------------------------------------------------------------
// Vectors to a bitmap file

namespace {

// The image resampled to the canvas, drawn through the display reduction.
bool DrawImage(CRasterCanvas& dc, const CRasterImage& image) {
  const int w = dc.Width(), h = dc.Height();
  const bool rgb = image.IsRGB();
  const int flags = rgb ? kDisplayRGB : 0;
  const std::int64_t rowBytes = DisplayRowBytes(w, flags);
  std::vector<BYTE> buffer, palette(1024);
  try {
    buffer.resize(static_cast<std::size_t>(rowBytes * h));
  } catch (const std::bad_alloc&) {
    return false;
  }
  CImageArea area{0, 0, image.width, image.height, 0};
  std::int32_t param = 0;
  if (GetDisplayBuffer(&image, &area, buffer.data(), w, h, palette.data(), nullptr, &param, flags) < 0) return false;
  for (int y = 0; y < h; ++y) {
    const BYTE* row = buffer.data() + rowBytes * (h - 1 - y);  // bottom-up
    for (int x = 0; x < w; ++x) {
      if (rgb) {
        dc.SetPixel(x, y, RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
      } else {
        const BYTE* e = &palette[static_cast<std::size_t>(row[x]) * 4];
        dc.SetPixel(x, y, RGB(e[2], e[1], e[0]));
      }
    }
  }
  return true;
}

}  // namespace

int RenderImageToDib(const std::string& fileName, int withImage, const CRasterImage* image, const RECT& extent,
                     const CChainList* lines, const CPtList* points, const CNoteList* notes) {
  if (fileName.size() < 2) return 0;
  const std::int64_t ew = static_cast<std::int64_t>(extent.right) - extent.left;
  const std::int64_t eh = static_cast<std::int64_t>(extent.bottom) - extent.top;
  // Nothing to scale from: the doubling below would never end.
  if (ew <= 0 || eh <= 0) return 0;
  const bool hasImage = image && image->pixels && image->width > 0 && image->height > 0;
  std::int64_t w = hasImage ? image->width : ew, h = hasImage ? image->height : eh;
  while (w <= 255 || h <= 255) w *= 2, h *= 2;
  while (w > 8191 || h > 8191) w /= 2, h /= 2;
  w = std::max<std::int64_t>(w / 4 * 4, 4);
  h = std::max<std::int64_t>(h, 1);

  std::unique_ptr<CRasterCanvas> dc;
  try {
    dc = std::make_unique<CRasterCanvas>(static_cast<int>(w), static_cast<int>(h), RGB(255, 255, 255));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (withImage && hasImage && !DrawImage(*dc, *image)) return 0;

  const float sx = static_cast<float>(static_cast<double>(w) / static_cast<double>(ew));
  const float sy = static_cast<float>(static_cast<double>(h) / static_cast<double>(eh));
  if (lines)
    for (const CChain* c : *lines)
      if (c) c->DrawScaled(*dc, sx, sy, extent.left, extent.top);
  if (points) points->DrawToBitmap(*dc, sx, sy, extent.left, extent.top);
  if (notes) notes->DrawToBitmap(*dc, sx, sy, extent.left, extent.top);

  std::unique_ptr<CDib, void (*)(HDIB)> dib(MakeRgbDib(static_cast<int>(w), static_cast<int>(h), dc->Pixels().data()),
                                            FreeDib);
  if (!dib) return 0;
  return SaveDibAsBmp(dib.get(), fileName) == 0 ? 1 : 0;
}

}  // namespace qzn
