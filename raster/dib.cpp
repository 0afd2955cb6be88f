// Packed DIB arithmetic: header fields, palettes, device bitmaps to DIBs,
// stretching into RGB and placing on a printed page.
#include "raster/dib.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <new>
#include <unordered_map>

namespace qzn {

namespace {

constexpr std::uint32_t kBitFields = 3;

bool IsCoreSize(std::uint32_t size) { return size == kDibCoreHeaderSize; }

int ColorsByBitCount(int bits) {
  switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

// a x b / c rounded to the nearest integer, in 64 bits with 128-bit products.
std::int64_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t c) {
  const __int128 num = static_cast<__int128>(a) * b;
  const __int128 q = (2 * num + c) / (2 * static_cast<__int128>(c));
  return static_cast<std::int64_t>(std::clamp<__int128>(q, INT64_MIN, INT64_MAX));
}

// One colour channel of a bit-field pixel scaled linearly to 0..255
// (v x 255 / largest value, truncated), so full scale is 255 and black 0.
BYTE FieldValue(std::uint32_t pixel, std::uint32_t mask) {
  if (!mask) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint64_t max = mask >> shift;
  const std::uint64_t v = (pixel & mask) >> shift;
  return static_cast<BYTE>(v * 255 / max);
}

}  // namespace

// ---- the header ------------------------------------------------------------------

std::uint32_t DibHeaderSize(const BYTE* header) { return ReadLe32(header); }

std::int32_t DibGetWidth(const BYTE* header) {
  if (IsCoreSize(DibHeaderSize(header))) return ReadLe16(header + 4);
  return static_cast<std::int32_t>(ReadLe32(header + 4));
}

std::int32_t DibGetHeight(const BYTE* header) {
  if (IsCoreSize(DibHeaderSize(header))) return ReadLe16(header + 6);
  return static_cast<std::int32_t>(ReadLe32(header + 8));
}

int DibBitCount(const BYTE* header) { return ReadLe16(header + (IsCoreSize(DibHeaderSize(header)) ? 10 : 14)); }

int DibNumColors(const BYTE* header) {
  if (!IsCoreSize(DibHeaderSize(header))) {
    const std::uint32_t used = ReadLe32(header + 32);
    // A count beyond what the bits can index is a damaged header; the full
    // table of the bit count is what a reader can use.
    if (used) return static_cast<int>(std::min<std::uint32_t>(used, 256));
  }
  return ColorsByBitCount(DibBitCount(header));
}

std::size_t DibColorTableSize(const BYTE* header) {
  return static_cast<std::size_t>(DibNumColors(header)) * (IsCoreSize(DibHeaderSize(header)) ? 3 : 4);
}

bool GetDibLayout(const CDib& dib, DibLayout& out) {
  const std::vector<BYTE>& d = dib.data;
  if (d.size() < kDibCoreHeaderSize) return false;
  const BYTE* h = d.data();
  DibLayout l;
  l.headerSize = DibHeaderSize(h);
  l.core = IsCoreSize(l.headerSize);
  if (!l.core && (l.headerSize < kDibInfoHeaderSize || l.headerSize > d.size())) return false;
  l.width = DibGetWidth(h);
  const std::int64_t height = DibGetHeight(h);
  l.topDown = height < 0;
  l.height = height < 0 ? -height : height;
  l.bitCount = DibBitCount(h);
  l.compression = l.core ? 0 : ReadLe32(h + 16);
  if (l.width <= 0 || l.height <= 0) return false;
  switch (l.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
      if (l.compression != 0) return false;
      break;
    case 16:
    case 32:
      if (l.compression != 0 && l.compression != kBitFields) return false;
      break;
    default: return false;
  }
  l.colors = DibNumColors(h);
  if (l.bitCount > 8 && l.core) l.colors = 0;
  l.entryBytes = l.core ? 3 : 4;
  l.tableOffset = l.headerSize;
  if (l.compression == kBitFields) {
    // The three masks follow a 40-byte header; larger headers hold them.
    if (kDibInfoHeaderSize + 12 > d.size()) return false;
    for (int i = 0; i < 3; ++i) l.masks[i] = ReadLe32(h + kDibInfoHeaderSize + 4 * i);
    if (l.headerSize == kDibInfoHeaderSize) l.tableOffset += 12;
  } else if (l.bitCount == 16) {
    l.masks[0] = 0x7C00, l.masks[1] = 0x03E0, l.masks[2] = 0x001F;
  } else if (l.bitCount == 32) {
    l.masks[0] = 0xFF0000, l.masks[1] = 0x00FF00, l.masks[2] = 0x0000FF;
  }
  l.rowBytes = (static_cast<std::int64_t>(l.bitCount) * l.width + 31) / 32 * 4;
  std::int64_t rows = 0;
  if (__builtin_mul_overflow(l.rowBytes, l.height, &rows)) return false;
  const std::int64_t bits = static_cast<std::int64_t>(l.tableOffset) + std::int64_t{l.colors} * l.entryBytes;
  if (bits > static_cast<std::int64_t>(d.size()) || rows > static_cast<std::int64_t>(d.size()) - bits) return false;
  l.bitsOffset = static_cast<std::size_t>(bits);
  out = l;
  return true;
}

std::vector<BYTE> DibAsBmpFile(const CDib& dib) {
  DibLayout l;
  if (!GetDibLayout(dib, l) || dib.data.size() > std::numeric_limits<std::uint32_t>::max() - 14) return {};
  std::vector<BYTE> file(14 + dib.data.size());
  file[0] = 'B', file[1] = 'M';
  WriteLe32(file.data() + 2, static_cast<std::uint32_t>(file.size()));
  WriteLe32(file.data() + 10, static_cast<std::uint32_t>(14 + l.bitsOffset));
  std::copy(dib.data.begin(), dib.data.end(), file.begin() + 14);
  return file;
}

// ---- palettes ----------------------------------------------------------------------

std::unique_ptr<CLogPalette> DibMakePalette(const CDib* dib) {
  DibLayout l;
  if (!dib || !GetDibLayout(*dib, l) || l.colors == 0) return nullptr;
  auto pal = std::unique_ptr<CLogPalette>(new (std::nothrow) CLogPalette);
  if (!pal) return nullptr;
  pal->entries.resize(static_cast<std::size_t>(l.colors));
  const BYTE* t = dib->data.data() + l.tableOffset;
  for (int i = 0; i < l.colors; ++i, t += l.entryBytes) pal->entries[i] = PaletteColor{t[2], t[1], t[0], 0};
  return pal;
}

const CLogPalette& DefaultPalette(int bitCount) {
  static const CLogPalette mono{0x300, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
  static const CLogPalette sixteen{0x300,
                                   {{0, 0, 0, 0},
                                    {128, 0, 0, 0},
                                    {0, 128, 0, 0},
                                    {128, 128, 0, 0},
                                    {0, 0, 128, 0},
                                    {128, 0, 128, 0},
                                    {0, 128, 128, 0},
                                    {192, 192, 192, 0},
                                    {128, 128, 128, 0},
                                    {255, 0, 0, 0},
                                    {0, 255, 0, 0},
                                    {255, 255, 0, 0},
                                    {0, 0, 255, 0},
                                    {255, 0, 255, 0},
                                    {0, 255, 255, 0},
                                    {255, 255, 255, 0}}};
  static const CLogPalette cube = [] {
    CLogPalette p;
    p.entries.resize(256);
    for (int i = 0; i < 256; ++i)
      p.entries[i] = PaletteColor{static_cast<BYTE>(((i >> 5) & 7) * 255 / 7),
                                  static_cast<BYTE>(((i >> 2) & 7) * 255 / 7), static_cast<BYTE>((i & 3) * 255 / 3), 0};
    return p;
  }();
  if (bitCount <= 1) return mono;
  if (bitCount <= 4) return sixteen;
  return cube;
}

// ---- device bitmaps ------------------------------------------------------------------

int DibBitCountOfFormat(int planes, int bitsPixel) {
  const int bits = planes * bitsPixel;
  if (bits <= 1) return 1;
  if (bits <= 4) return 4;
  if (bits <= 8) return 8;
  return 24;
}

HDIB BitmapToDibHandle(const CDeviceBitmap& bitmap, const CLogPalette* palette) {
  const std::int64_t w = bitmap.width, h = bitmap.height;
  if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return nullptr;
  if (!bitmap.rgb) return nullptr;
  const int bits = DibBitCountOfFormat(bitmap.planes, bitmap.bitsPixel);
  const int colors = ColorsByBitCount(bits);
  const std::int64_t rowBytes = (std::int64_t{bits} * w + 31) / 32 * 4;
  std::int64_t imageSize = 0;
  if (__builtin_mul_overflow(rowBytes, h, &imageSize) || imageSize > std::numeric_limits<std::uint32_t>::max())
    return nullptr;
  const std::size_t tableBytes = static_cast<std::size_t>(colors) * 4;
  HDIB dib = AllocDib(kDibInfoHeaderSize + tableBytes + static_cast<std::size_t>(imageSize));
  if (!dib) return nullptr;
  BYTE* p = dib->data.data();
  WriteLe32(p, kDibInfoHeaderSize);
  WriteLe32(p + 4, static_cast<std::uint32_t>(w));
  WriteLe32(p + 8, static_cast<std::uint32_t>(h));
  WriteLe16(p + 12, 1);
  WriteLe16(p + 14, static_cast<std::uint32_t>(bits));
  WriteLe32(p + 20, static_cast<std::uint32_t>(imageSize));

  std::vector<PaletteColor> table;
  if (colors) {
    const CLogPalette& pal = palette ? *palette : DefaultPalette(bits);
    table.assign(static_cast<std::size_t>(colors), PaletteColor{});
    std::copy_n(pal.entries.begin(), std::min<std::size_t>(pal.entries.size(), table.size()), table.begin());
    for (int i = 0; i < colors; ++i) {
      p[kDibInfoHeaderSize + 4 * i] = table[i].blue;
      p[kDibInfoHeaderSize + 4 * i + 1] = table[i].green;
      p[kDibInfoHeaderSize + 4 * i + 2] = table[i].red;
    }
  }
  // Nearest entry of each colour, remembered: a capture has few colours.
  std::unordered_map<std::uint32_t, BYTE> nearest;
  auto indexOf = [&](const BYTE* c) -> BYTE {
    const std::uint32_t key = std::uint32_t{c[0]} << 16 | std::uint32_t{c[1]} << 8 | c[2];
    auto it = nearest.find(key);
    if (it != nearest.end()) return it->second;
    int best = 0;
    std::int64_t bestD = std::numeric_limits<std::int64_t>::max();
    for (int i = 0; i < colors; ++i) {
      const std::int64_t dr = c[0] - table[i].red, dg = c[1] - table[i].green, db = c[2] - table[i].blue;
      const std::int64_t dist = dr * dr + dg * dg + db * db;
      if (dist < bestD) bestD = dist, best = i;
    }
    return nearest.emplace(key, static_cast<BYTE>(best)).first->second;
  };

  BYTE* bitsStart = p + kDibInfoHeaderSize + tableBytes;
  for (std::int64_t y = 0; y < h; ++y) {
    const BYTE* in = bitmap.rgb + static_cast<std::size_t>(y * w * 3);
    BYTE* out = bitsStart + static_cast<std::size_t>((h - 1 - y) * rowBytes);
    for (std::int64_t x = 0; x < w; ++x, in += 3) {
      switch (bits) {
        case 24: out[3 * x] = in[2], out[3 * x + 1] = in[1], out[3 * x + 2] = in[0]; break;
        case 8: out[x] = indexOf(in); break;
        case 4: out[x / 2] |= static_cast<BYTE>(x % 2 ? indexOf(in) : indexOf(in) << 4); break;
        default: out[x / 8] |= static_cast<BYTE>(indexOf(in) << (7 - x % 8)); break;
      }
    }
  }
  return dib;
}

// ---- drawing ----------------------------------------------------------------------------

bool DibStretchToRgb(const CDib& dib, const RECT& source, int dstWidth, int dstHeight, std::vector<BYTE>& rgb) {
  DibLayout l;
  if (!GetDibLayout(dib, l) || dstWidth <= 0 || dstHeight <= 0) return false;
  if (IsRectEmpty(source) || source.left < 0 || source.top < 0 || source.right > l.width || source.bottom > l.height)
    return false;
  const std::int64_t sw = RectWidth(source), sh = RectHeight(source);
  try {
    rgb.assign(static_cast<std::size_t>(dstWidth) * static_cast<std::size_t>(dstHeight) * 3, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const BYTE* bits = dib.data.data() + l.bitsOffset;
  const BYTE* table = dib.data.data() + l.tableOffset;
  // Source column of each destination column, once.
  std::vector<std::int64_t> column(static_cast<std::size_t>(dstWidth));
  for (std::int64_t x = 0; x < dstWidth; ++x) column[x] = source.left + (2 * x + 1) * sw / (2 * std::int64_t{dstWidth});

  for (std::int64_t y = 0; y < dstHeight; ++y) {
    const std::int64_t sy = source.top + (2 * y + 1) * sh / (2 * std::int64_t{dstHeight});
    const std::int64_t stored = l.topDown ? sy : l.height - 1 - sy;
    const BYTE* row = bits + static_cast<std::size_t>(stored * l.rowBytes);
    BYTE* out = rgb.data() + static_cast<std::size_t>(y) * dstWidth * 3;
    for (std::int64_t x = 0; x < dstWidth; ++x, out += 3) {
      const std::int64_t sx = column[x];
      auto fromTable = [&](int index) {
        if (index >= l.colors) return;  // black
        const BYTE* e = table + static_cast<std::size_t>(index) * l.entryBytes;
        out[0] = e[2], out[1] = e[1], out[2] = e[0];
      };
      switch (l.bitCount) {
        case 1: fromTable((row[sx / 8] >> (7 - sx % 8)) & 1); break;
        case 4: fromTable(sx % 2 ? row[sx / 2] & 0x0F : row[sx / 2] >> 4); break;
        case 8: fromTable(row[sx]); break;
        case 24: out[0] = row[3 * sx + 2], out[1] = row[3 * sx + 1], out[2] = row[3 * sx]; break;
        case 16:
        case 32: {
          const std::uint32_t v = l.bitCount == 16 ? ReadLe16(row + 2 * sx) : ReadLe32(row + 4 * sx);
          out[0] = FieldValue(v, l.masks[0]), out[1] = FieldValue(v, l.masks[1]), out[2] = FieldValue(v, l.masks[2]);
          break;
        }
      }
    }
  }
  return true;
}

// ---- printing ---------------------------------------------------------------------------

bool PlaceDibOnPage(std::int64_t dibWidth, std::int64_t dibHeight, int option, int xFactor, int yFactor,
                    const RECT& printable, int ppiX, int ppiY, DibPagePlacement& out) {
  const std::int64_t pageWidth = std::int64_t{printable.right} - printable.left;
  const std::int64_t pageHeight = std::int64_t{printable.bottom} - printable.top;
  if (dibWidth <= 0 || dibHeight <= 0 || pageWidth <= 0 || pageHeight <= 0 || ppiX <= 0 || ppiY <= 0) return false;
  std::int64_t w = pageWidth, h = pageHeight;
  if (option == 1) {
    h = MulDivRound(pageWidth, dibHeight * ppiY, std::int64_t{ppiX} * dibWidth);
    if (h > pageHeight) {
      h = pageHeight;
      w = MulDivRound(pageHeight, dibWidth * ppiX, std::int64_t{ppiY} * dibHeight);
    }
  } else if (option == 3) {
    if (xFactor < 1 || yFactor < 1) return false;
    w = dibWidth * xFactor;
    h = dibHeight * yFactor;
  }
  w = std::max<std::int64_t>(w, 1);
  h = std::max<std::int64_t>(h, 1);
  const std::int64_t drawnW = std::min(w, pageWidth), drawnH = std::min(h, pageHeight);
  // An area beyond the coordinate range ends at its edge; the drawn part
  // lies inside the printable area, whose corners are in range.
  DibPagePlacement p;
  p.area = RECT{printable.left, printable.top, SaturatedSum(printable.left, w), SaturatedSum(printable.top, h)};
  p.drawn =
      RECT{printable.left, printable.top, SaturatedSum(printable.left, drawnW), SaturatedSum(printable.top, drawnH)};
  p.source =
      RECT{0, 0, SaturateInt32(MulDivRound(drawnW, dibWidth, w)), SaturateInt32(MulDivRound(drawnH, dibHeight, h))};
  // A sliver of the area still shows its first source pixel.
  p.source.right = std::max(p.source.right, 1);
  p.source.bottom = std::max(p.source.bottom, 1);
  out = p;
  return true;
}

}  // namespace qzn
