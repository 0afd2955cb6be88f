// The raster image record: memory, pixel access, rectangle transfers, stream
// backup and the colour helpers.
#include "raster/rasterimage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "raster/imaging.h"
#include "raster/imaging_internal.h"

namespace qzn {

using imaging_detail::Alloc;

CRasterImage::CRasterImage() { Init(); }

CRasterImage::~CRasterImage() = default;

void CRasterImage::Init() {
  pixels = nullptr;
  width = 0;
  height = 0;
  planes = 1;
  bitsPerSample = 8;
  xResolution = 0;
  yResolution = 0;
  photometric = kPhotometricMinIsBlack;
  resolutionUnit = 0;
  pixelBlock.reset();
  paletteBlock.reset();
  red = green = blue = nullptr;
  colorCacheBlock.reset();
  colorCache = nullptr;
  tiePointCount = 0;
  tiePoints = nullptr;
  tiePointBlock.reset();
  pixelScaleValid = 0;
  modelTransformationValid = 0;
  geoRasterType = 0;
}

int CRasterImage::AllocPixels() {
  if (width < 0 || height < 0 || planes < 0 || bitsPerSample <= 0) return 0;
  std::int64_t size;
  if (__builtin_mul_overflow(GetRowBytes(), static_cast<std::int64_t>(height), &size) ||
      __builtin_mul_overflow(size, static_cast<std::int64_t>(planes), &size))
    return 0;  // no machine holds that; the old pixels stay
  if (size == 0) {
    // Nothing to hold: an old block of another size would break the record's
    // size invariant, so it goes.
    pixelBlock.reset();
    pixels = nullptr;
    return 1;
  }
  // The new block is had before the old one is let go, so a failure leaves
  // the image as it was.
  auto block = Alloc<BYTE>(size);
  if (!block) return 0;
  SetPixelBlock(std::move(block));
  return 1;
}

void CRasterImage::SetPixelBlock(std::unique_ptr<BYTE[]> block) {
  pixelBlock = std::move(block);
  pixels = pixelBlock.get();
}

void CRasterImage::Free() {
  pixelBlock.reset();
  pixels = nullptr;
  FreePalette();
  FreeColorCache();
  FreeTiePoints();
}

void FreeImageMemory(CRasterImage* image) {
  if (image) image->Free();
}

int CRasterImage::AllocPalette() {
  auto block = Alloc<BYTE>(768);
  if (!block) return 0;
  std::memset(block.get(), 0, 768);
  paletteBlock = std::move(block);
  red = paletteBlock.get();
  green = red + 256;
  blue = red + 512;
  return 1;
}

void CRasterImage::FreePalette() {
  paletteBlock.reset();
  red = green = blue = nullptr;
}

int CRasterImage::AllocColorCache() {
  auto block = Alloc<BYTE>(32768);
  if (!block) return 0;
  std::memset(block.get(), 0, 32768);
  colorCacheBlock = std::move(block);
  colorCache = colorCacheBlock.get();
  return 1;
}

void CRasterImage::FreeColorCache() {
  colorCacheBlock.reset();
  colorCache = nullptr;
}

int CRasterImage::AllocTiePoints(std::int32_t count) {
  if (count <= 0) {
    FreeTiePoints();
    return count == 0;
  }
  std::unique_ptr<double[]> block(new (std::nothrow) double[static_cast<std::size_t>(count) * 6]());
  if (!block) return 0;
  tiePointBlock = std::move(block);
  tiePoints = tiePointBlock.get();
  tiePointCount = count;
  return 1;
}

void CRasterImage::FreeTiePoints() {
  tiePointBlock.reset();
  tiePoints = nullptr;
  tiePointCount = 0;
}

void CRasterImage::CopyHeaderFrom(const CRasterImage& src) {
  width = src.width;
  height = src.height;
  planes = src.planes;
  bitsPerSample = src.bitsPerSample;
  xResolution = src.xResolution;
  yResolution = src.yResolution;
  photometric = src.photometric;
  resolutionUnit = src.resolutionUnit;
}

void CRasterImage::MoveFrom(CRasterImage& src) {
  if (&src == this) return;
  CopyHeaderFrom(src);
  pixelBlock = std::move(src.pixelBlock);
  pixels = src.pixels;
  paletteBlock = std::move(src.paletteBlock);
  red = src.red;
  green = src.green;
  blue = src.blue;
  colorCacheBlock = std::move(src.colorCacheBlock);
  colorCache = src.colorCache;
  tiePointBlock = std::move(src.tiePointBlock);
  tiePoints = src.tiePoints;
  tiePointCount = src.tiePointCount;
  std::memcpy(pixelScale, src.pixelScale, sizeof pixelScale);
  pixelScaleValid = src.pixelScaleValid;
  std::memcpy(modelTransformation, src.modelTransformation, sizeof modelTransformation);
  modelTransformationValid = src.modelTransformationValid;
  geoRasterType = src.geoRasterType;
  src.Init();
}

int CRasterImage::CopyFrom(const CRasterImage& src, int allocate, int copyPixels) {
  if (&src == this) return 1;
  Free();
  CopyHeaderFrom(src);
  if (src.red) {
    if (!AllocPalette()) return 0;
    std::memcpy(red, src.red, 256);
    std::memcpy(green, src.green, 256);
    std::memcpy(blue, src.blue, 256);
  }
  if (src.tiePointCount > 0 && src.tiePoints) {
    if (!AllocTiePoints(src.tiePointCount)) return 0;
    std::memcpy(tiePoints, src.tiePoints, sizeof(double) * 6 * static_cast<std::size_t>(tiePointCount));
  }
  // The flags are taken even when clear: a georeference of the image this
  // record held before must not outlive it.
  std::memcpy(pixelScale, src.pixelScale, sizeof pixelScale);
  pixelScaleValid = src.pixelScaleValid;
  std::memcpy(modelTransformation, src.modelTransformation, sizeof modelTransformation);
  modelTransformationValid = src.modelTransformationValid;
  geoRasterType = src.geoRasterType;
  if (!allocate) return 1;
  if (!AllocPixels()) return 0;
  if (src.colorCache) {
    if (!AllocColorCache()) return 0;
    std::memcpy(colorCache, src.colorCache, 32768);
  }
  if (copyPixels && src.pixels && pixels) {
    std::memcpy(pixels, src.pixels, static_cast<std::size_t>(GetImageBytes()));
  }
  return 1;
}

bool CRasterImage::SameFormat(const CRasterImage& o) const {
  return bitsPerSample == o.bitsPerSample && photometric == o.photometric;
}

std::int64_t CRasterImage::GetRowBytes() const {
  const std::int64_t w = width;
  if (bitsPerSample == 1) return (w + 7) / 8;
  return ((static_cast<std::int64_t>(bitsPerSample) + 7) / 8) * w;
}

std::int64_t CRasterImage::GetUnpackedRowBytes() const {
  std::int64_t bits = bitsPerSample;
  if (bits > 32) bits = 32;
  if (bits < 0) bits = 0;
  return ((bits + 7) / 8) * static_cast<std::int64_t>(width);
}

std::int64_t CRasterImage::GetPlaneOffset(int n) const {
  if (n < 0 || n >= planes) return 0;
  return GetRowBytes() * static_cast<std::int64_t>(height) * n;
}

bool CRasterImage::IsBilevel() const { return pixels && bitsPerSample == 1; }
bool CRasterImage::IsGrey() const {
  return pixels && bitsPerSample == 8 && planes == 1 && IsGreyPhotometric(photometric);
}
bool CRasterImage::IsPaletteColor() const { return pixels && bitsPerSample == 8 && photometric == kPhotometricPalette; }
bool CRasterImage::IsSeparated() const { return pixels && bitsPerSample == 8 && photometric == kPhotometricSeparated; }
bool CRasterImage::IsRGB() const { return pixels && bitsPerSample == 8 && planes == 3; }

void CRasterImage::GetRowBits(int y, BYTE* out) const {
  const BYTE* row = GetRow(y);
  for (int x = 0; x < width; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
}

void CRasterImage::SetRowBits(int y, const BYTE* in) {
  BYTE* row = GetRow(y);
  std::memset(row, 0, static_cast<std::size_t>(GetRowBytes()));
  for (int x = 0; x < width; ++x)
    if (in[x] & 1) row[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
}

void CRasterImage::GetPlaneRow(int y, int n, BYTE* out) const {
  std::memcpy(out, GetRow(y, n), static_cast<std::size_t>(width));
}

void CRasterImage::PutPlaneRow(int y, int n, const BYTE* in) {
  std::memcpy(GetRow(y, n), in, static_cast<std::size_t>(width));
}

void CRasterImage::GetPlaneColumn(int x, int n, BYTE* out) const {
  const BYTE* p = GetPlane(n) + x;
  const std::int64_t rb = GetRowBytes();
  for (int y = 0; y < height; ++y, p += rb) out[y] = *p;
}

void CRasterImage::PutPlaneColumn(int x, int n, const BYTE* in) {
  BYTE* p = GetPlane(n) + x;
  const std::int64_t rb = GetRowBytes();
  for (int y = 0; y < height; ++y, p += rb) *p = in[y];
}

void CRasterImage::GetPaletteColor(int i, BYTE* r, BYTE* g, BYTE* b) const {
  if (!red || i < 0 || i > 255) return;
  if (r) *r = red[i];
  if (g) *g = green[i];
  if (b) *b = blue[i];
}

namespace {

// The part of a w x h buffer placed at (x, y) that lies inside the image:
// buffer columns [c0, c1) and rows [r0, r1).
struct Clip {
  int c0, c1, r0, r1;
  bool empty() const { return c0 >= c1 || r0 >= r1; }
};

Clip ClipToImage(int x, int y, int w, int h, int width, int height) {
  Clip c;
  c.c0 = std::max(0, -x);
  c.r0 = std::max(0, -y);
  c.c1 = static_cast<int>(std::clamp<std::int64_t>(static_cast<std::int64_t>(width) - x, 0, std::max(w, 0)));
  c.r1 = static_cast<int>(std::clamp<std::int64_t>(static_cast<std::int64_t>(height) - y, 0, std::max(h, 0)));
  return c;
}

}  // namespace

int CRasterImage::GetRect(int x, int y, BYTE* buffer, int w, int h) const {
  if (!pixels || !buffer) return 0;
  if (bitsPerSample != 1 && bitsPerSample != 8) return 0;
  const Clip c = ClipToImage(x, y, w, h, width, height);
  if (c.empty()) return 1;
  for (int j = c.r0; j < c.r1; ++j) {
    const BYTE* row = GetRow(y + j);
    BYTE* out = buffer + static_cast<std::int64_t>(j) * w;
    if (bitsPerSample == 8) {
      std::memcpy(out + c.c0, row + x + c.c0, static_cast<std::size_t>(c.c1 - c.c0));
    } else {
      for (int i = c.c0; i < c.c1; ++i) {
        const int px = x + i;
        out[i] = (row[px >> 3] >> (7 - (px & 7))) & 1;
      }
    }
  }
  return 1;
}

int CRasterImage::GetRectPacked(int x, int y, BYTE* buffer, int w, int h) const {
  if (bitsPerSample != 1) return GetRect(x, y, buffer, w, h);
  if (!pixels || !buffer) return 0;
  const Clip c = ClipToImage(x, y, w, h, width, height);
  if (c.empty()) return 1;
  const std::int64_t stride = (static_cast<std::int64_t>(w) + 7) / 8;
  for (int j = c.r0; j < c.r1; ++j) {
    const BYTE* row = GetRow(y + j);
    BYTE* out = buffer + j * stride;
    std::memset(out, 0, static_cast<std::size_t>(stride));
    for (int i = c.c0; i < c.c1; ++i) {
      const int px = x + i;
      if ((row[px >> 3] >> (7 - (px & 7))) & 1) out[i >> 3] |= static_cast<BYTE>(0x80 >> (i & 7));
    }
  }
  return 1;
}

int CRasterImage::PutRect(int x, int y, const BYTE* buffer, int stride, int rows, int trim) {
  if (!pixels || !buffer) return 0;
  if (bitsPerSample != 1 && bitsPerSample != 8) return 0;
  const Clip c = ClipToImage(x, y, stride - trim, rows - trim, width, height);
  if (c.empty()) return 1;
  for (int j = c.r0; j < c.r1; ++j) {
    BYTE* row = GetRow(y + j);
    const BYTE* in = buffer + static_cast<std::int64_t>(j) * stride;
    if (bitsPerSample == 8) {
      std::memcpy(row + x + c.c0, in + c.c0, static_cast<std::size_t>(c.c1 - c.c0));
    } else {
      for (int i = c.c0; i < c.c1; ++i) {
        const int px = x + i;
        const BYTE m = static_cast<BYTE>(0x80 >> (px & 7));
        if (in[i])
          row[px >> 3] |= m;
        else
          row[px >> 3] &= static_cast<BYTE>(~m);
      }
    }
  }
  return 1;
}

int CRasterImage::PutBandAligned(int x, int y, const BYTE* source, int count, int rows) {
  if (!pixels || !source) return 0;
  if (bitsPerSample != 1 && bitsPerSample != 8) return 0;
  const std::int64_t n = std::max(count, 0);
  std::int64_t stride;
  if (bitsPerSample == 1)
    stride = ((n + 7) / 8 + 3) / 4 * 4;
  else if (planes == 3)
    stride = (3 * n + 3) / 4 * 4;
  else
    stride = (n + 3) / 4 * 4;
  const Clip c = ClipToImage(x, y, count, rows, width, height);
  if (c.empty()) return 1;
  for (int j = c.r0; j < c.r1; ++j) {
    const BYTE* in = source + j * stride;
    if (bitsPerSample == 8 && planes == 3) {
      for (int k = 0; k < 3; ++k) {
        BYTE* row = GetRow(y + j, k);
        for (int i = c.c0; i < c.c1; ++i) row[x + i] = in[3 * i + k];
      }
    } else if (bitsPerSample == 8) {
      std::memcpy(GetRow(y + j) + x + c.c0, in + c.c0, static_cast<std::size_t>(c.c1 - c.c0));
    } else {
      // Pixel i of the source row goes to column x + i, the bits of a last
      // partial byte included.
      BYTE* row = GetRow(y + j);
      for (int i = c.c0; i < c.c1; ++i) {
        const int px = x + i;
        const BYTE m = static_cast<BYTE>(0x80 >> (px & 7));
        if ((in[i >> 3] >> (7 - (i & 7))) & 1)
          row[px >> 3] |= m;
        else
          row[px >> 3] &= static_cast<BYTE>(~m);
      }
    }
  }
  return 1;
}

int CRasterImage::WriteRaw(std::FILE* stream) const {
  if (!pixels || !stream) return 0;
  std::rewind(stream);
  const std::size_t n = static_cast<std::size_t>(GetPlaneBytes());
  return std::fwrite(pixels, 1, n, stream) == n ? 1 : 0;
}

int CRasterImage::ReadRaw(std::FILE* stream) {
  if (!pixels || !stream) return 0;
  std::rewind(stream);
  const std::size_t n = static_cast<std::size_t>(GetPlaneBytes());
  return std::fread(pixels, 1, n, stream) == n ? 1 : 0;
}

int CRasterImage::NearestPaletteIndex(int r, int g, int b) const {
  if (!red || IsGrey() || IsBilevel()) return r;
  return imaging_detail::NearestColor(red, green, blue, 256, r, g, b);
}

int CRasterImage::UpdateColorCache(int r, int g, int b) {
  if (!IsRGB() || !colorCache) return 0;
  r &= 255;
  g &= 255;
  b &= 255;
  const int idx = NearestPaletteIndex(r, g, b);
  colorCache[ColorCacheIndex(r, g, b)] = static_cast<BYTE>(idx);
  return idx;
}

int CRasterImage::IsForeground(int x, int y, int key) const {
  if (!pixels || x < 0 || y < 0 || x >= width || y >= height) return 0;
  const int v = TDGetPixel(this, x, y, 0);
  if (IsBilevel()) return photometric == kPhotometricMinIsWhite ? v : !v;
  if (IsGrey()) {
    const int low = (key >> 16) & 0xFFFF, high = key & 0xFFFF;
    return low <= v && v <= high;
  }
  if (IsPaletteColor() || IsSeparated()) return v == key;
  return 0;
}

std::unique_ptr<BYTE[]> CRasterImage::SampleForeground(const CPixelPoint* points, std::int64_t count, int key) const {
  auto out = Alloc<BYTE>(std::max<std::int64_t>(count, 1));
  if (!out) return nullptr;
  for (std::int64_t i = 0; i < count; ++i) out[i] = static_cast<BYTE>(IsForeground(points[i].x, points[i].y, key));
  return out;
}

int CRasterImage::LinePoints(CPixelPoint* p) {
  const int x0 = p[0].x, y0 = p[0].y;
  const int dx = p[1].x - x0, dy = p[1].y - y0;
  const int adx = std::abs(dx), ady = std::abs(dy);
  const int sx = dx > 0 ? 1 : (dx < 0 ? -1 : 0), sy = dy > 0 ? 1 : (dy < 0 ? -1 : 0);
  const bool xMajor = adx >= ady;
  const int major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  int x = x0, y = y0;
  int err = 2 * minor - major;
  for (int i = 0; i < major; ++i) {
    p[i].x = x;
    p[i].y = y;
    if (err >= 0) {
      if (xMajor)
        y += sy;
      else
        x += sx;
      err -= 2 * major;
    }
    if (xMajor)
      x += sx;
    else
      y += sy;
    err += 2 * minor;
  }
  return major;
}

}  // namespace qzn
