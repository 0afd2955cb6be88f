#include "raster/filters.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "model/helpers.h"
#include "raster/imaging.h"
#include "raster/rasterimage.h"

namespace qzn {

namespace {

BYTE BorderFill(const CRasterImage& image) { return image.photometric != kPhotometricMinIsWhite ? 255 : 0; }

// Row buffers of one call; false when memory cannot be had.
bool AllocRows(std::vector<BYTE>& buf, std::int64_t bytes) {
  try {
    buf.assign(static_cast<std::size_t>(bytes), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool IsGrey8(const CRasterImage& image) { return image.IsGrey() && image.bitsPerSample == 8; }

}  // namespace

int MeanFilter(CRasterImage& image) {
  if (!image.HasPixels() || image.bitsPerSample != 8) return 0;
  const std::int64_t w = image.width;
  std::vector<BYTE> buf;
  if (!AllocRows(buf, 2 * w)) return 0;
  BYTE* prev = buf.data();
  BYTE* cur = prev + w;
  for (int n = 0; n < image.planes; ++n) {
    if (image.width >= 3 && image.height >= 3) {
      std::memcpy(prev, image.GetRow(0, n), w);
      for (int y = 1; y <= image.height - 2; ++y) {
        BYTE* row = image.GetRow(y, n);
        const BYTE* next = image.GetRow(y + 1, n);
        std::memcpy(cur, row, w);
        // Column sums of the three rows, kept for the window's three columns.
        int s0 = prev[0] + cur[0] + next[0];
        int s1 = prev[1] + cur[1] + next[1];
        for (std::int64_t x = 1; x <= w - 2; ++x) {
          const int s2 = prev[x + 1] + cur[x + 1] + next[x + 1];
          row[x] = static_cast<BYTE>((s0 + s1 + s2) / 9);
          s0 = s1;
          s1 = s2;
        }
        std::swap(prev, cur);
      }
    }
    ClearImageBounds8(image.GetPlane(n), image.width, image.height, BorderFill(image));
  }
  return 1;
}

int SobelFilter(CRasterImage& image) {
  if (!IsGrey8(image)) return 0;
  const std::int64_t w = image.width;
  std::vector<BYTE> buf;
  if (!AllocRows(buf, 2 * w)) return 0;
  BYTE* prev = buf.data();
  BYTE* cur = prev + w;
  if (image.width >= 3 && image.height >= 3) {
    std::memcpy(prev, image.GetRow(0), w);
    for (int y = 1; y <= image.height - 2; ++y) {
      BYTE* row = image.GetRow(y);
      const BYTE* next = image.GetRow(y + 1);
      std::memcpy(cur, row, w);
      for (std::int64_t x = 1; x <= w - 2; ++x) {
        const int v = std::abs(4 * cur[x] - prev[x] - cur[x - 1] - cur[x + 1] - next[x]);
        row[x] = static_cast<BYTE>(255 - std::min(v, 255));
      }
      std::swap(prev, cur);
    }
  }
  ClearImageBounds8(image.GetPlane(0), image.width, image.height, BorderFill(image));
  return 1;
}

int GradientMagnitude(CRasterImage& image) {
  if (!IsGrey8(image)) return 0;
  const std::int64_t w = image.width;
  std::vector<BYTE> out;
  if (!AllocRows(out, w)) return 0;
  // Row y is written after it has been read whole; row y + 1 is still as it
  // was when row y reads its south neighbours.
  for (int y = 0; y <= image.height - 2; ++y) {
    BYTE* row = image.GetRow(y);
    const BYTE* next = image.GetRow(y + 1);
    for (std::int64_t x = 0; x <= w - 2; ++x) {
      const int g = std::max(std::abs(row[x] - row[x + 1]), std::abs(row[x] - next[x]));
      out[x] = static_cast<BYTE>(2 * g < 255 ? 255 - 2 * g : 0);
    }
    if (w >= 2) std::memcpy(row, out.data(), static_cast<std::size_t>(w - 1));
  }
  ClearImageBounds8(image.GetPlane(0), image.width, image.height, BorderFill(image));
  return 1;
}

namespace {

// Running minimum by van Herk / Gil-Werman: the line is padded with white
// (255, which never wins a minimum) so windows cut at the ends need no
// special case, split into blocks of k, and each output is the minimum of a
// suffix minimum of one block and a prefix minimum of the next: three
// comparisons a sample whatever the window. `work` is reused between lines.
// A window of 2n or more samples covers the whole line from every position,
// so longer ones are cut to that (same result, bounded work memory).
int ClampWindow(int k, std::int64_t n) {
  if (k < 1) return 1;
  return static_cast<int>(std::min<std::int64_t>(k, std::max<std::int64_t>(2 * n, 1)));
}

// `lanes` interleaved lines of n samples each (sample j of lane l at
// j * lanes + l), filtered in place together so that the inner loops run
// over adjacent bytes.
void RunningMinLanes(BYTE* data, std::int64_t n, std::int64_t lanes, int k, std::vector<BYTE>& work) {
  if (n <= 0 || lanes <= 0) return;
  k = ClampWindow(k, n);
  if (k == 1) return;
  const std::int64_t h = k / 2;
  const std::int64_t len = n + k - 1;  // padded length: window i is padded[i .. i + k - 1]
  const std::size_t L = static_cast<std::size_t>(lanes);
  work.resize(static_cast<std::size_t>(3 * len) * L);
  BYTE* padded = work.data();
  BYTE* prefix = padded + len * L;
  BYTE* suffix = prefix + len * L;
  std::memset(padded, 255, static_cast<std::size_t>(len) * L);
  std::memcpy(padded + h * L, data, static_cast<std::size_t>(n) * L);
  for (std::int64_t b = 0; b < len; b += k) {
    const std::int64_t e = std::min(len, b + k);
    std::memcpy(prefix + b * L, padded + b * L, L);
    for (std::int64_t j = b + 1; j < e; ++j) {
      BYTE* p = prefix + j * L;
      const BYTE* q = p - L;
      const BYTE* v = padded + j * L;
      for (std::size_t l = 0; l < L; ++l) p[l] = std::min(q[l], v[l]);
    }
    std::memcpy(suffix + (e - 1) * L, padded + (e - 1) * L, L);
    for (std::int64_t j = e - 2; j >= b; --j) {
      BYTE* p = suffix + j * L;
      const BYTE* q = p + L;
      const BYTE* v = padded + j * L;
      for (std::size_t l = 0; l < L; ++l) p[l] = std::min(q[l], v[l]);
    }
  }
  for (std::int64_t i = 0; i < n; ++i) {
    BYTE* o = data + i * L;
    const BYTE* a = suffix + i * L;
    const BYTE* c = prefix + (i + k - 1) * L;
    for (std::size_t l = 0; l < L; ++l) o[l] = std::min(a[l], c[l]);
  }
}

void RunningMinWith(const BYTE* in, BYTE* out, std::int64_t n, int k, std::vector<BYTE>& work) {
  if (n <= 0) return;
  if (out != in) std::memmove(out, in, static_cast<std::size_t>(n));
  if (ClampWindow(k, n) == 3 && n >= 2) {
    // The window every caller uses: the pixel and its two neighbours.
    BYTE left = out[0];
    for (std::int64_t i = 0; i + 1 < n; ++i) {
      const BYTE c = out[i];
      out[i] = std::min(std::min(left, c), out[i + 1]);
      left = c;
    }
    out[n - 1] = std::min(left, out[n - 1]);
    return;
  }
  RunningMinLanes(out, n, 1, k, work);
}

}  // namespace

void RunningMin(const BYTE* in, BYTE* out, std::int64_t n, int k) {
  std::vector<BYTE> work;
  RunningMinWith(in, out, n, k, work);
}

int PropagateEdges(CRasterImage& image, int k) {
  if (!image.HasPixels() || image.bitsPerSample != 8) return 0;
  std::vector<BYTE> work;
  try {
    work.reserve(static_cast<std::size_t>(3 * (static_cast<std::int64_t>(image.width) + ClampWindow(k, image.width))));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  for (int y = 0; y < image.height; ++y) {
    BYTE* row = image.GetRow(y);
    RunningMinWith(row, row, image.width, k, work);
  }
  return 1;
}

int PropagateEdges2(CRasterImage& image, int k) {
  if (!image.HasPixels() || image.bitsPerSample != 8) return 0;
  // Columns are taken in strips of 64: the strip's rows are copied out one
  // after the other, so its 64 columns lie side by side and are filtered
  // together, and the image is read and written row by row.
  constexpr int kStrip = 64;
  const std::int64_t h = image.height;
  std::vector<BYTE> buf, work;
  if (!AllocRows(buf, kStrip * h)) return 0;
  try {
    work.reserve(static_cast<std::size_t>(3 * (h + ClampWindow(k, h)) * kStrip));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  const std::int64_t stride = image.GetRowBytes();
  BYTE* plane = image.GetPlane(0);
  for (int x0 = 0; x0 < image.width; x0 += kStrip) {
    const int n = std::min(kStrip, image.width - x0);
    for (std::int64_t y = 0; y < h; ++y) std::memcpy(&buf[static_cast<std::size_t>(y * n)], plane + y * stride + x0, n);
    RunningMinLanes(buf.data(), h, n, k, work);
    for (std::int64_t y = 0; y < h; ++y) std::memcpy(plane + y * stride + x0, &buf[static_cast<std::size_t>(y * n)], n);
  }
  return 1;
}

namespace {

struct DespeckleTables {
  BYTE fill[256];
  BYTE keep[256];
  BYTE smoothClear[256];
  BYTE smoothSet[256];
};

DespeckleTables BuildDespeckleTables() {
  enum { E = 1, NE = 2, N = 4, NW = 8, W = 16, SW = 32, S = 64, SE = 128 };
  const int sides5[4] = {W | NW | N | NE | E, N | NW | W | SW | S, W | SW | S | SE | E, S | SE | E | NE | N};
  const int sides3[4] = {NW | N | NE, NW | W | SW, SW | S | SE, NE | E | SE};
  DespeckleTables t{};
  for (int i = 0; i < 256; ++i) {
    bool fill = false, within = false;
    for (int s = 0; s < 4; ++s) {
      if ((i & sides5[s]) == sides5[s]) fill = true;
      if ((i & ~sides3[s]) == 0) within = true;
    }
    t.fill[i] = fill ? 1 : 0;
    t.keep[i] = within ? 0 : 1;
    const int n = __builtin_popcount(static_cast<unsigned>(i));
    t.smoothClear[i] = n >= 5 ? 1 : 0;
    t.smoothSet[i] = n >= 4 ? 1 : 0;
  }
  return t;
}

const DespeckleTables& Tables() {
  static const DespeckleTables t = BuildDespeckleTables();
  return t;
}

static_assert(std::endian::native == std::endian::little, "the row packing loads pixels little-endian");

// Eight 0/1 bytes of every byte value, most significant bit first (the
// bytes in memory order, so a 64-bit copy unpacks eight pixels).
const std::uint64_t* UnpackTable() {
  static const auto table = [] {
    std::vector<std::uint64_t> t(256);
    for (int v = 0; v < 256; ++v) {
      BYTE b[8];
      for (int k = 0; k < 8; ++k) b[k] = (v >> (7 - k)) & 1;
      std::memcpy(&t[static_cast<std::size_t>(v)], b, 8);
    }
    return t;
  }();
  return table.data();
}

// Unpacks a packed row into one byte a pixel (0/1), inverting the bits
// first when flip is 0xFF. out has room for a whole last byte.
void UnpackRow(const BYTE* row, std::int64_t w, BYTE flip, BYTE* out) {
  const std::uint64_t* t = UnpackTable();
  for (std::int64_t b = 0; b * 8 < w; ++b) std::memcpy(out + b * 8, &t[row[b] ^ flip], 8);
}

// Packs columns 1 to w - 2 of a row of 0/1 bytes back into a packed row
// (inverting when flip is 0xFF); columns 0 and w - 1 and the padding bits
// stay. in has room for a whole last byte.
void PackInner(const BYTE* in, std::int64_t w, BYTE flip, BYTE* row) {
  const std::int64_t bytes = (w + 7) / 8;
  for (std::int64_t b = 0; b < bytes; ++b) {
    std::uint64_t u;
    std::memcpy(&u, in + b * 8, 8);
    // Byte k of u (pixel 8b + k, little-endian load) lands on bit 7 - k.
    BYTE v = static_cast<BYTE>((u * 0x8040201008040201ull) >> 56);
    BYTE keep = 0;
    if (b == 0) keep |= 0x80;         // column 0
    const std::int64_t last = w - 1;  // column w - 1 and the padding after it
    if (last / 8 == b) keep |= static_cast<BYTE>(0xFF >> (last % 8));
    v ^= static_cast<BYTE>(flip & ~keep);
    row[b] = static_cast<BYTE>((row[b] & keep) | (v & ~keep));
  }
}

// One pass of a neighbourhood look-up over a 1-bit image: rows and columns 1
// to size - 2, each pixel from three unpacked rows as they were before the
// pass. Samples are turned into foreground values (inverting the bits when
// clear bits are foreground) so the tables speak of foreground whatever the
// photometric code. Both tables keep a background pixel with no foreground
// neighbour as it is, so runs of background are skipped eight at a time.
int BilevelPass(CRasterImage& image, const BYTE* ifBackground, const BYTE* ifForeground, bool clearIsForeground,
                bool withProgress) {
  if (!image.HasPixels() || image.bitsPerSample != 1) return 0;
  const std::int64_t w = image.width;
  std::vector<BYTE> buf;
  if (!AllocRows(buf, 4 * (w + 16))) return 0;
  if (image.width < 3 || image.height < 3) return 1;
  BYTE* up = buf.data();
  BYTE* at = up + w + 16;
  BYTE* dn = at + w + 16;
  BYTE* out = dn + w + 16;
  const BYTE flip = clearIsForeground ? 0xFF : 0x00;
  std::unique_ptr<CStatusProgress> progress;
  if (withProgress) {
    progress = std::make_unique<CStatusProgress>();
    progress->SetRange(0, image.height);
  }
  UnpackRow(image.GetRow(0), w, flip, up);
  UnpackRow(image.GetRow(1), w, flip, at);
  for (int y = 1; y <= image.height - 2; ++y) {
    UnpackRow(image.GetRow(y + 1), w, flip, dn);
    std::memcpy(out, at, static_cast<std::size_t>(w));
    std::int64_t x = 1;
    while (x <= w - 2) {
      if (x + 9 <= w) {
        // Columns x - 1 .. x + 8 of the three rows all background: the
        // eight pixels x .. x + 7 keep their (background) values.
        std::uint64_t a, b, c, d, e, f;
        std::memcpy(&a, up + x - 1, 8);
        std::memcpy(&b, at + x - 1, 8);
        std::memcpy(&c, dn + x - 1, 8);
        std::memcpy(&d, up + x + 1, 8);
        std::memcpy(&e, at + x + 1, 8);
        std::memcpy(&f, dn + x + 1, 8);
        if ((a | b | c | d | e | f) == 0) {
          x += 8;
          continue;
        }
      }
      const int idx = at[x + 1] | (up[x + 1] << 1) | (up[x] << 2) | (up[x - 1] << 3) | (at[x - 1] << 4) |
                      (dn[x - 1] << 5) | (dn[x] << 6) | (dn[x + 1] << 7);
      out[x] = at[x] ? ifForeground[idx] : ifBackground[idx];
      ++x;
    }
    PackInner(out, w, flip, image.GetRow(y));
    if (progress) progress->StepIt();
    BYTE* t = up;
    up = at;
    at = dn;
    dn = t;
  }
  return 1;
}

}  // namespace

const BYTE* DespeckleFillTable() { return Tables().fill; }
const BYTE* DespeckleKeepTable() { return Tables().keep; }

int Despeckle(CRasterImage& image) {
  return BilevelPass(image, Tables().fill, Tables().keep, image.photometric != kPhotometricMinIsWhite, true);
}

int SmoothBilevel(CRasterImage& image) {
  return BilevelPass(image, Tables().smoothClear, Tables().smoothSet, false, false);
}

int GetGreyRange(const CRasterImage& image, const RECT& rect, int& smallest, int& largest) {
  if (!image.HasPixels() || image.bitsPerSample != 8) return 0;
  smallest = 255;
  largest = 0;
  RECT rc;
  if (!IntersectRect(rc, rect, RECT{0, 0, image.width, image.height})) return 1;
  for (int y = rc.top; y < rc.bottom; ++y) {
    const BYTE* row = image.GetRow(y);
    for (int x = rc.left; x < rc.right; ++x) {
      smallest = std::min<int>(smallest, row[x]);
      largest = std::max<int>(largest, row[x]);
    }
  }
  return 1;
}

}  // namespace qzn
