#include "raster/binarize.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/pagezero.h"
#include "platform/parallel.h"
#include "raster/colorfeature.h"
#include "raster/imaging.h"
#include "raster/rasterimage.h"

namespace qzn {

namespace {

// The inclusive rectangle clipped to the image; false when nothing is left.
bool ClipInclusive(const CRasterImage& image, const RECT& rc, RECT& out) {
  out.left = std::max(0, rc.left);
  out.top = std::max(0, rc.top);
  out.right = std::min(image.width - 1, rc.right);
  out.bottom = std::min(image.height - 1, rc.bottom);
  return out.left <= out.right && out.top <= out.bottom;
}

// Runs perRow(y) for every row of the rectangle, bands of rows side by side
// on the worker threads (rows are independent).
template <class F>
void ForEachRowBand(const RECT& rc, F&& perRow) {
  const std::int64_t rows = static_cast<std::int64_t>(rc.bottom) - rc.top + 1;
  const std::int64_t bands = BandCount(rows, 64);
  ParallelFor(bands, [&](std::int64_t b) {
    const std::int64_t end = rc.top + BandStart(b + 1, bands, rows);
    for (std::int64_t y = rc.top + BandStart(b, bands, rows); y < end; ++y) perRow(static_cast<int>(y));
  });
}

}  // namespace

int MakeRangeTable(std::int32_t packedRange, BYTE* table) {
  const int low = PackedRangeLow(packedRange);
  const int high = std::min(255, PackedRangeHigh(packedRange));
  for (int v = 0; v < 256; ++v) table[v] = (v >= low && v <= high) ? 1 : 0;
  return 1;
}

int GetRegionGreyRange(const CRasterImage& image, const RECT& sel, BYTE* table) {
  RECT rc;
  if (!IntersectRect(rc, sel, RECT{0, 0, image.width, image.height})) return 0;
  CImageArea area{rc.left, rc.top, RectWidth(rc), RectHeight(rc), 0};
  int bins[256];
  if (!GenHistogram(&image, &area, bins)) return 0;
  const std::int64_t d = static_cast<std::int64_t>(RectWidth(rc)) * RectHeight(rc) / 100;
  int low = 0;
  std::int64_t run = 0;
  for (low = 0; low < 255; ++low) {
    run += bins[low];
    if (run > d) break;
  }
  int high = low;
  run = 0;
  for (int v = 255; v > low; --v) {
    run += bins[v];
    if (run > d) {
      high = v;
      break;
    }
  }
  for (int v = 0; v < 256; ++v) table[v] = (v >= low && v <= high) ? 1 : 0;
  return 1;
}

int GetRegionFeature(const CRasterImage& image, const RECT& sel, std::int32_t packedRange, BYTE* table,
                     CColorFeature* feature) {
  if (image.IsGrey()) {
    if (IsRectEmpty(sel)) return MakeRangeTable(packedRange, table);
    return GetRegionGreyRange(image, sel, table);
  }
  if (image.IsPaletteColor() || image.IsSeparated())
    return PrepareImageColor8LUT(&image, sel.left, sel.top, RectWidth(sel), RectHeight(sel), table);
  if (image.IsRGB()) {
    if (!feature) return 0;
    return ImageGetRGBFeature24(image.pixels, image.width, image.height, sel.left, sel.top, RectWidth(sel),
                                RectHeight(sel), feature->Data());
  }
  if (image.IsBilevel()) return 1;
  return 0;
}

int Binarize(CRasterImage& image, const RECT& inclusiveRect, const CColorFeature* feature, const BYTE* table) {
  if (!image.HasPixels()) return 0;
  RECT rc;
  const bool any = ClipInclusive(image, inclusiveRect, rc);
  if (image.IsRGB()) {
    if (!feature) return 0;
    return any ? ClassifyByColorFeatures(image, rc, feature, 1) : 1;
  }
  if (image.IsGrey() || image.IsPaletteColor() || image.IsSeparated()) {
    if (!table) return 0;
    if (!any) return 1;
    // A grey range (ones for low .. high, zeros elsewhere) is two
    // comparisons a pixel, which the compiler does many pixels at a time; any
    // other table is looked up pixel by pixel.
    int low = 0;
    while (low < 256 && table[low] == 0) ++low;
    int high = low;
    while (high < 256 && table[high] == 1) ++high;
    bool range = true;
    for (int v = high; v < 256 && range; ++v) range = table[v] == 0;
    if (range && low < 256) {
      const BYTE lo = static_cast<BYTE>(low), span = static_cast<BYTE>(high - 1 - low);
      ForEachRowBand(rc, [&](int y) {
        // Locals and blocks of a fixed size, so that the bytes written are
        // not taken to change the bounds and each block is done in vector
        // registers.
        const BYTE first = lo, width = span;
        BYTE* p = image.GetRow(y) + rc.left;
        const std::int64_t n = static_cast<std::int64_t>(rc.right) - rc.left + 1;
        // v - first <= width, in unsigned bytes, is low <= v <= high - 1.
        auto in = [first, width](BYTE v) { return static_cast<BYTE>(static_cast<BYTE>(v - first) <= width); };
        constexpr int kBlock = 32;
        std::int64_t i = 0;
        for (; i + kBlock <= n; i += kBlock)
          for (int j = 0; j < kBlock; ++j) p[i + j] = in(p[i + j]);
        for (; i < n; ++i) p[i] = in(p[i]);
      });
      return 1;
    }
    ForEachRowBand(rc, [&](int y) {
      BYTE* row = image.GetRow(y);
      for (int x = rc.left; x <= rc.right; ++x) row[x] = table[row[x]];
    });
    return 1;
  }
  if (image.IsBilevel()) {
    if (image.photometric == kPhotometricMinIsWhite || !any) return 1;
    // Only the rectangle's own bits: the pixels beside it in its first and
    // last byte, and the padding after the last column, stay as they are.
    const int b0 = rc.left >> 3, b1 = rc.right >> 3;
    const BYTE firstMask = static_cast<BYTE>(0xFF >> (rc.left & 7));
    const BYTE lastMask = static_cast<BYTE>(0xFF << (7 - (rc.right & 7)));
    ForEachRowBand(rc, [&](int y) {
      BYTE* row = image.GetRow(y);
      if (b0 == b1) {
        row[b0] ^= firstMask & lastMask;
        return;
      }
      row[b0] ^= firstMask;
      for (int b = b0 + 1; b < b1; ++b) row[b] = static_cast<BYTE>(~row[b]);
      row[b1] ^= lastMask;
    });
    return 1;
  }
  return 0;
}

int MakeLineMask(const CRasterImage& image, const RECT& inclusiveRect, const BYTE* table, CRasterImage& mask) {
  if (!image.HasPixels()) return 0;
  const bool bytes = image.IsGrey() || image.IsPaletteColor() || image.IsSeparated();
  if (!(bytes && table) && !image.IsBilevel()) return 0;
  CRasterImage out;
  out.width = image.width;
  out.height = image.height;
  out.planes = 1;
  out.bitsPerSample = 1;
  out.photometric = kPhotometricMinIsWhite;  // set bits are foreground
  if (!out.AllocPixels()) return 0;
  RECT rc;
  if (!ClipInclusive(image, inclusiveRect, rc)) rc = RECT{0, 0, -1, -1};
  const std::int64_t rowBytes = out.GetRowBytes();
  // Bilevel rows are taken byte by byte: inverted where 0 bits are ink.
  const BYTE flip = image.IsBilevel() && image.photometric != kPhotometricMinIsWhite ? 0xFF : 0x00;
  const int b0 = rc.left >> 3, b1 = rc.right >> 3;
  const BYTE firstMask = static_cast<BYTE>(0xFF >> (rc.left & 7));
  const BYTE lastMask = static_cast<BYTE>(0xFF << (7 - (rc.right & 7)));
  const std::int64_t bands = BandCount(out.height, 64);
  ParallelFor(bands, [&](std::int64_t band) {
    for (std::int64_t y = BandStart(band, bands, out.height); y < BandStart(band + 1, bands, out.height); ++y) {
      BYTE* dst = out.GetRow(static_cast<int>(y));
      std::memset(dst, 0, static_cast<std::size_t>(rowBytes));
      if (y < rc.top || y > rc.bottom) continue;
      const BYTE* src = image.GetRow(static_cast<int>(y));
      if (!bytes) {
        for (int b = b0; b <= b1; ++b) dst[b] = static_cast<BYTE>(src[b] ^ flip);
        dst[b0] &= firstMask;
        dst[b1] &= lastMask;
        continue;
      }
      int x = rc.left;
      // Up to the first whole byte of the mask, then eight pixels a byte.
      for (; x <= rc.right && (x & 7); ++x)
        if (table[src[x]]) dst[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
      // Any non-zero table entry is foreground, as Binarize's non-zero bytes
      // are.
      for (; x + 7 <= rc.right; x += 8) {
        const BYTE* s = src + x;
        dst[x >> 3] = static_cast<BYTE>((table[s[0]] != 0) << 7 | (table[s[1]] != 0) << 6 | (table[s[2]] != 0) << 5 |
                                        (table[s[3]] != 0) << 4 | (table[s[4]] != 0) << 3 | (table[s[5]] != 0) << 2 |
                                        (table[s[6]] != 0) << 1 | (table[s[7]] != 0));
      }
      for (; x <= rc.right; ++x)
        if (table[src[x]]) dst[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
    }
  });
  mask.MoveFrom(out);
  return 1;
}

void ClearRect(CRasterImage& image, const RECT& inclusiveRect) {
  RECT rc;
  if (!image.HasPixels() || !ClipInclusive(image, inclusiveRect, rc)) return;
  const std::int64_t stride = image.GetRowBytes();
  BYTE* plane = image.GetPlane(0);
  if (image.bitsPerSample == 8 && rc.left == 0 && rc.right == image.width - 1) {
    // Whole rows: one run of bytes.
    FillZeroReleasingPages(plane + stride * rc.top, static_cast<std::size_t>(stride * (rc.bottom - rc.top + 1)));
    return;
  }
  if (image.bitsPerSample == 8) {
    ForEachRowBand(rc, [&](int y) {
      FillZeroReleasingPages(plane + stride * y + rc.left, static_cast<std::size_t>(rc.right - rc.left + 1));
    });
    return;
  }
  if (image.bitsPerSample != 1) return;
  const int b0 = rc.left >> 3, b1 = rc.right >> 3;
  const BYTE keepFirst = static_cast<BYTE>(~(0xFF >> (rc.left & 7)));
  const BYTE keepLast = static_cast<BYTE>(~(0xFF << (7 - (rc.right & 7))));
  ForEachRowBand(rc, [&](int y) {
    BYTE* row = plane + stride * y;
    if (b0 == b1) {
      row[b0] &= keepFirst | keepLast;
      return;
    }
    row[b0] &= keepFirst;
    std::memset(row + b0 + 1, 0, static_cast<std::size_t>(b1 - b0 - 1));
    row[b1] &= keepLast;
  });
}

void MarkMaskPixels(const CRasterImage& mask, const RECT& inclusiveRect, CRasterImage& image) {
  RECT rc;
  if (!image.HasPixels() || !mask.HasPixels() || mask.bitsPerSample != 1 || mask.width != image.width ||
      mask.height != image.height || !ClipInclusive(image, inclusiveRect, rc))
    return;
  if (image.bitsPerSample != 8 && image.bitsPerSample != 1) return;
  const int b0 = rc.left >> 3, b1 = rc.right >> 3;
  ForEachRowBand(rc, [&](int y) {
    const BYTE* src = mask.GetRow(y);
    BYTE* dst = image.GetRow(y);
    for (int b = b0; b <= b1; ++b) {
      BYTE bits = src[b];
      if (b == b0) bits &= static_cast<BYTE>(0xFF >> (rc.left & 7));
      if (b == b1) bits &= static_cast<BYTE>(0xFF << (7 - (rc.right & 7)));
      if (!bits) continue;
      if (image.bitsPerSample == 1) {
        dst[b] |= bits;
        continue;
      }
      for (int k = 0; k < 8; ++k)
        if ((bits >> (7 - k)) & 1) dst[8 * b + k] = 1;
    }
  });
}

int MakeEdgeMask(CRasterImage& image, const RECT& inclusiveRect) {
  if (!image.HasPixels() || image.bitsPerSample != 8) return 0;
  RECT rc;
  if (!ClipInclusive(image, inclusiveRect, rc)) return 1;
  const std::int64_t w = rc.right - rc.left + 1;
  std::vector<BYTE> buf;
  try {
    buf.resize(static_cast<std::size_t>(3 * w));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  // Rolling copies of the rows above, at and below the row being written, as
  // they were before the pass.
  BYTE* above = buf.data();
  BYTE* at = above + w;
  BYTE* below = at + w;
  if (rc.bottom - rc.top >= 2 && w >= 3) {
    std::memcpy(above, image.GetRow(rc.top) + rc.left, w);
    std::memcpy(at, image.GetRow(rc.top + 1) + rc.left, w);
    for (int y = rc.top + 1; y <= rc.bottom - 1; ++y) {
      std::memcpy(below, image.GetRow(y + 1) + rc.left, w);
      BYTE* out = image.GetRow(y) + rc.left;
      for (std::int64_t i = 1; i < w - 1; ++i) {
        const BYTE c = at[i];
        out[i] = (c == above[i] && c == below[i] && c == at[i - 1] && c == at[i + 1]) ? 0 : 1;
      }
      BYTE* t = above;
      above = at;
      at = below;
      below = t;
    }
  }
  // The rectangle's outline has no complete neighbourhood: it becomes
  // background rather than keeping class numbers.
  DrawRectOutline8(image.GetPlane(0), image.GetRowBytes(), rc, 0);
  return 1;
}

void DrawRectOutline1(BYTE* pixels, int width, const RECT& rc, int bit) {
  const std::int64_t rowBytes = (static_cast<std::int64_t>(width) + 7) / 8;
  auto put = [&](int x, int y) {
    BYTE* p = pixels + rowBytes * y + (x >> 3);
    const BYTE m = static_cast<BYTE>(0x80 >> (x & 7));
    if (bit)
      *p |= m;
    else
      *p &= static_cast<BYTE>(~m);
  };
  for (int x = rc.left; x <= rc.right; ++x) {
    put(x, rc.top);
    put(x, rc.bottom);
  }
  for (int y = rc.top; y <= rc.bottom; ++y) {
    put(rc.left, y);
    put(rc.right, y);
  }
}

void DrawRectOutline8(BYTE* pixels, std::int64_t stride, const RECT& rc, BYTE value) {
  if (rc.right < rc.left || rc.bottom < rc.top) return;
  const std::size_t n = static_cast<std::size_t>(rc.right - rc.left + 1);
  std::memset(pixels + stride * rc.top + rc.left, value, n);
  std::memset(pixels + stride * rc.bottom + rc.left, value, n);
  for (int y = rc.top; y <= rc.bottom; ++y) {
    pixels[stride * y + rc.left] = value;
    pixels[stride * y + rc.right] = value;
  }
}

}  // namespace qzn
