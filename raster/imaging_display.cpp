// Imaging library: the display bitmap of an image area at any zoom.
//
// Enlarging or showing at full size takes the nearest source pixel of each
// display pixel. Reducing must not lose the one-pixel dark lines of a scanned
// drawing, so each display pixel shows the darkest pixel found on a cross
// through its block of source pixels: the block's middle row and middle
// column. A line crossing the block from side to side, or from top to
// bottom, must cross that cross, so every line longer than two blocks stays
// visible along its length. The cost is (block width + block height) per
// display pixel rather than the block's area: for a 20000 x 15000 scan shown
// 1000 x 750 it reads 30 million samples instead of 300 million.
#include <algorithm>
#include <thread>
#include <vector>

#include "raster/imaging.h"
#include "raster/imaging_internal.h"

namespace qzn {

using namespace imaging_detail;

std::int64_t DisplayRowBytes(int outW, int flags) {
  const std::int64_t bpp = (flags & kDisplayRGB) ? 3 : 1;
  return (bpp * std::max(outW, 0) + 3) / 4 * 4;
}

void DecodeDisplayWindow(std::int32_t displayParam, int& low, int& high) {
  low = 0;
  high = 255;
  const int l = displayParam & 0xFF, h = (displayParam >> 8) & 0xFF;
  if (l < h) {
    low = l;
    high = h;
  }
}

std::int64_t GetDisplayBuffer(const CRasterImage* image, const CImageArea* area, BYTE* out, int outW, int outH,
                              BYTE* palette1024, BYTE* map256, std::int32_t* displayParam, int flags) {
  if (!image || !image->pixels || !area || !out || outW <= 0 || outH <= 0) return -1;
  const int bits = image->bitsPerSample;
  if (bits != 1 && bits != 8) return -1;
  const Span s = ClipArea(image, area);
  if (s.empty()) return -1;
  const bool rgbOut = (flags & kDisplayRGB) != 0;
  const bool rgbImage = image->IsRGB();
  if (rgbOut && !rgbImage) return -1;
  if (rgbImage && !rgbOut && !image->colorCache) return -1;
  const int plane = rgbImage ? 0 : std::clamp(area->plane, 0, image->planes - 1);

  // Contrast window of grey images: low | high << 8; 0 or an empty window is
  // the full range. A reset returns the full range.
  int low = 0, high = 255;
  if (displayParam) {
    if (flags & kDisplayReset)
      *displayParam = 255 << 8;
    else
      DecodeDisplayWindow(*displayParam, low, high);
  }
  // Value -> display index, and the display palette.
  BYTE map[256];
  BYTE pal[256][3] = {};
  const bool grey = image->IsGrey();
  for (int v = 0; v < 256; ++v) {
    if (grey)
      map[v] = static_cast<BYTE>(std::clamp((v - low) * 255 / (high - low), 0, 255));
    else
      map[v] = static_cast<BYTE>(v);
  }
  if (bits == 1) {
    const BYTE black = 0, white = 255;
    const BYTE c0 = image->photometric == kPhotometricMinIsWhite ? white : black;
    const BYTE c1 = image->photometric == kPhotometricMinIsWhite ? black : white;
    for (int k = 0; k < 3; ++k) {
      pal[0][k] = c0;
      pal[1][k] = c1;
    }
  } else if (grey) {
    for (int i = 0; i < 256; ++i)
      for (int k = 0; k < 3; ++k)
        pal[i][k] = static_cast<BYTE>(image->photometric == kPhotometricMinIsWhite ? 255 - i : i);
  } else if (image->red) {
    for (int i = 0; i < 256; ++i) {
      pal[i][0] = image->red[i];
      pal[i][1] = image->green[i];
      pal[i][2] = image->blue[i];
    }
  } else {
    for (int i = 0; i < 256; ++i)
      for (int k = 0; k < 3; ++k) pal[i][k] = static_cast<BYTE>(i);
  }
  if (map256) std::memcpy(map256, map, 256);
  if (palette1024) {
    for (int i = 0; i < 256; ++i) {
      palette1024[4 * i] = pal[i][2];
      palette1024[4 * i + 1] = pal[i][1];
      palette1024[4 * i + 2] = pal[i][0];
      palette1024[4 * i + 3] = 0;
    }
  }
  // Darkness of a sample value (single-plane images).
  int dark[256];
  for (int v = 0; v < 256; ++v) dark[v] = 3 * 255 - (pal[v][0] * 299 + pal[v][1] * 587 + pal[v][2] * 114) / 1000;

  const int aw = s.w(), ah = s.h();
  // Source column range of each display column.
  std::vector<int> cx0(static_cast<std::size_t>(outW)), cx1(static_cast<std::size_t>(outW)),
      cmid(static_cast<std::size_t>(outW));
  for (int ox = 0; ox < outW; ++ox) {
    const int a = s.x0 + static_cast<int>(static_cast<std::int64_t>(ox) * aw / outW);
    const int b = std::max(a + 1, s.x0 + static_cast<int>(static_cast<std::int64_t>(ox + 1) * aw / outW));
    cx0[static_cast<std::size_t>(ox)] = a;
    cx1[static_cast<std::size_t>(ox)] = b;
    cmid[static_cast<std::size_t>(ox)] = (a + b - 1) / 2;
  }
  const std::int64_t stride = DisplayRowBytes(outW, flags);
  const BYTE* R = rgbImage ? image->GetPlane(0) : nullptr;
  const BYTE* G = rgbImage ? image->GetPlane(1) : nullptr;
  const BYTE* B = rgbImage ? image->GetPlane(2) : nullptr;
  const std::int64_t rb = image->GetRowBytes();
  auto rgbDark = [&](std::int64_t off) { return 3 * 255 - (R[off] * 299 + G[off] * 587 + B[off] * 114) / 1000; };
  // Display rows are independent: bands of them render on worker threads
  // (each with its own column state), so a whole sheet shown on a large
  // screen is not bound to one core.
  auto renderRows = [&](int fromRow, int toRow) {
    // Best (darkest) source offset of each display column in the current row:
    // for RGB the pixel offset, else the sample value.
    std::vector<std::int64_t> bestOff(static_cast<std::size_t>(outW));
    std::vector<int> bestDark(static_cast<std::size_t>(outW));
    for (int oy = fromRow; oy < toRow; ++oy) {
      const int y0 = s.y0 + static_cast<int>(static_cast<std::int64_t>(oy) * ah / outH);
      const int y1 = std::max(y0 + 1, s.y0 + static_cast<int>(static_cast<std::int64_t>(oy + 1) * ah / outH));
      const int ym = (y0 + y1 - 1) / 2;
      // The middle row, across each block.
      {
        const BYTE* row = image->GetRow(ym, plane);
        for (int ox = 0; ox < outW; ++ox) {
          const std::size_t o = static_cast<std::size_t>(ox);
          int bd = -1;
          std::int64_t bo = 0;
          if (rgbImage) {
            for (int x = cx0[o]; x < cx1[o]; ++x) {
              const std::int64_t off = rb * ym + x;
              const int d = rgbDark(off);
              if (d > bd) {
                bd = d;
                bo = off;
              }
            }
          } else if (bits == 8) {
            for (int x = cx0[o]; x < cx1[o]; ++x)
              if (dark[row[x]] > bd) {
                bd = dark[row[x]];
                bo = row[x];
              }
          } else {
            for (int x = cx0[o]; x < cx1[o]; ++x) {
              const int v = Bit(row, x);
              if (dark[v] > bd) {
                bd = dark[v];
                bo = v;
              }
            }
          }
          bestDark[o] = bd;
          bestOff[o] = bo;
        }
      }
      // The middle column, down each block.
      for (int y = y0; y < y1; ++y) {
        if (y == ym) continue;
        const BYTE* row = image->GetRow(y, plane);
        for (int ox = 0; ox < outW; ++ox) {
          const std::size_t o = static_cast<std::size_t>(ox);
          const int x = cmid[o];
          if (rgbImage) {
            const std::int64_t off = rb * y + x;
            const int d = rgbDark(off);
            if (d > bestDark[o]) {
              bestDark[o] = d;
              bestOff[o] = off;
            }
          } else {
            const int v = bits == 8 ? row[x] : Bit(row, x);
            if (dark[v] > bestDark[o]) {
              bestDark[o] = dark[v];
              bestOff[o] = v;
            }
          }
        }
      }
      BYTE* dst = out + stride * (outH - 1 - oy);
      for (int ox = 0; ox < outW; ++ox) {
        const std::int64_t bo = bestOff[static_cast<std::size_t>(ox)];
        if (rgbOut) {
          dst[3 * ox] = B[bo];
          dst[3 * ox + 1] = G[bo];
          dst[3 * ox + 2] = R[bo];
        } else if (rgbImage) {
          dst[ox] = image->colorCache[CRasterImage::ColorCacheIndex(R[bo], G[bo], B[bo])];
        } else {
          dst[ox] = map[bo];
        }
      }
      const std::int64_t used = rgbOut ? 3LL * outW : outW;
      if (stride > used) std::memset(dst + used, 0, static_cast<std::size_t>(stride - used));
    }
  };
  const std::int64_t work = std::int64_t{outW} * outH * std::max<std::int64_t>(1, (aw / outW) + (ah / outH));
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int bands = static_cast<int>(std::clamp<std::int64_t>(work / (1 << 22), 1, std::min<unsigned>(cores, 8u)));
  if (bands <= 1 || outH < 2 * bands) {
    renderRows(0, outH);
  } else {
    std::vector<std::thread> workers;
    workers.reserve(static_cast<std::size_t>(bands - 1));
    for (int b = 1; b < bands; ++b)
      workers.emplace_back(renderRows, static_cast<int>(std::int64_t{outH} * b / bands),
                           static_cast<int>(std::int64_t{outH} * (b + 1) / bands));
    renderRows(0, static_cast<int>(outH / bands));
    for (std::thread& t : workers) t.join();
  }
  return stride * outH;
}

}  // namespace qzn
