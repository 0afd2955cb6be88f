#include "raster/filters.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "model/helpers.h"
#include "raster/imaging.h"
#include "raster/rasterimage.h"

namespace {

BYTE BorderFill(const CRasterImage& image) { return image.photometric != 0 ? 255 : 0; }

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

void RunningMin(const BYTE* in, BYTE* out, std::int64_t n, int k) {
  if (n <= 0) return;
  if (k < 1) k = 1;
  const std::int64_t h = k / 2;
  // Monotone queue of (position, value) with increasing values: its front is
  // the minimum of the window. Each sample enters and leaves once, so the
  // cost does not grow with the window. Values are kept beside positions
  // because out may overwrite in.
  std::vector<std::int64_t> pos(static_cast<std::size_t>(std::min<std::int64_t>(n, k) + 1));
  std::vector<BYTE> val(pos.size());
  const std::size_t cap = pos.size();
  std::size_t head = 0, count = 0;
  std::int64_t next = 0;  // next input to enter
  for (std::int64_t i = 0; i < n; ++i) {
    const std::int64_t lo = i - h;
    const std::int64_t hi = std::min(n - 1, lo + k - 1);
    for (; next <= hi; ++next) {
      const BYTE v = in[next];
      while (count && val[(head + count - 1) % cap] >= v) --count;
      const std::size_t slot = (head + count) % cap;
      pos[slot] = next;
      val[slot] = v;
      ++count;
    }
    while (pos[head] < lo) {
      head = (head + 1) % cap;
      --count;
    }
    out[i] = val[head];
  }
}

int PropagateEdges(CRasterImage& image, int k) {
  if (!image.HasPixels() || image.bitsPerSample != 8) return 0;
  for (int y = 0; y < image.height; ++y) {
    BYTE* row = image.GetRow(y);
    RunningMin(row, row, image.width, k);
  }
  return 1;
}

int PropagateEdges2(CRasterImage& image, int k) {
  if (!image.HasPixels() || image.bitsPerSample != 8) return 0;
  // Columns are taken in strips of 64: a strip is gathered into a buffer one
  // column after the other, filtered, and put back, so the image is read and
  // written row by row instead of a cache miss per sample.
  constexpr int kStrip = 64;
  const std::int64_t h = image.height;
  std::vector<BYTE> buf;
  if (!AllocRows(buf, kStrip * h)) return 0;
  const std::int64_t stride = image.GetRowBytes();
  BYTE* plane = image.GetPlane(0);
  for (int x0 = 0; x0 < image.width; x0 += kStrip) {
    const int n = std::min(kStrip, image.width - x0);
    for (std::int64_t y = 0; y < h; ++y) {
      const BYTE* src = plane + y * stride + x0;
      for (int i = 0; i < n; ++i) buf[static_cast<std::size_t>(i * h + y)] = src[i];
    }
    for (int i = 0; i < n; ++i) RunningMin(&buf[static_cast<std::size_t>(i * h)], &buf[static_cast<std::size_t>(i * h)], h, k);
    for (std::int64_t y = 0; y < h; ++y) {
      BYTE* dst = plane + y * stride + x0;
      for (int i = 0; i < n; ++i) dst[i] = buf[static_cast<std::size_t>(i * h + y)];
    }
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

// One pass of a neighbourhood look-up over a 1-bit image: rows and columns 1
// to size - 2, each pixel from three unpacked rows as they were before the
// pass. Samples are turned into foreground values (inverting the bits when
// clear bits are foreground) so the tables speak of foreground whatever the
// photometric code.
int BilevelPass(CRasterImage& image, const BYTE* ifBackground, const BYTE* ifForeground, bool clearIsForeground,
                bool withProgress) {
  if (!image.HasPixels() || image.bitsPerSample != 1) return 0;
  const std::int64_t w = image.width;
  std::vector<BYTE> buf;
  if (!AllocRows(buf, 4 * w)) return 0;
  if (image.width < 3 || image.height < 3) return 1;
  BYTE* up = buf.data();
  BYTE* at = up + w;
  BYTE* dn = at + w;
  BYTE* out = dn + w;
  const BYTE flip = clearIsForeground ? 1 : 0;
  auto unpack = [&](int y, BYTE* dst) {
    image.GetRowBits(y, dst);
    if (flip)
      for (std::int64_t x = 0; x < w; ++x) dst[x] ^= 1;
  };
  std::unique_ptr<CStatusProgress> progress;
  if (withProgress) {
    progress = std::make_unique<CStatusProgress>();
    progress->SetRange(0, image.height);
  }
  unpack(0, up);
  unpack(1, at);
  for (int y = 1; y <= image.height - 2; ++y) {
    unpack(y + 1, dn);
    out[0] = at[0];
    out[w - 1] = at[w - 1];
    for (std::int64_t x = 1; x <= w - 2; ++x) {
      const int idx = at[x + 1] | (up[x + 1] << 1) | (up[x] << 2) | (up[x - 1] << 3) | (at[x - 1] << 4) |
                      (dn[x - 1] << 5) | (dn[x] << 6) | (dn[x + 1] << 7);
      out[x] = at[x] ? ifForeground[idx] : ifBackground[idx];
    }
    if (flip)
      for (std::int64_t x = 0; x < w; ++x) out[x] ^= 1;
    image.SetRowBits(y, out);
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
  return BilevelPass(image, Tables().fill, Tables().keep, image.photometric != 0, true);
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
