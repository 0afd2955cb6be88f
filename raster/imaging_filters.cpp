// Imaging library: the median filter and the background correction. Both use
// running windows, so their cost per pixel does not grow with the window.
#include <cmath>
#include <vector>

#include "raster/imaging.h"
#include "raster/imaging_internal.h"

using namespace imaging_detail;

// Median of a kw x kh window by Huang's running histogram: along each row the
// window slides one column at a time, adding the entering column and
// removing the leaving one, and the median is tracked by the count of values
// below it. Outside the image the edge pixels are repeated. The rows the
// window still needs are kept as copies taken before they are overwritten,
// so the filter works in place with 2 x (kh / 2) + 1 row buffers.
int MedianFilterInPlace(CRasterImage* image, const CImageArea* area, int kw, int kh, void*) {
  if (!image || !image->pixels || image->bitsPerSample != 8) return 0;
  if (kw < 1 || kh < 1 || !(kw & 1) || !(kh & 1)) return 0;
  const int plane = area ? area->plane : 0;
  if (plane < 0 || plane >= image->planes) return 0;
  const Span s = ClipArea(image, area);
  if (s.empty()) return 1;
  const int rx = kw / 2, ry = kh / 2;
  const int W = image->width, H = image->height;
  // Copied columns: s.x0 - rx .. s.x1 - 1 + rx, edges replicated.
  const int cw = s.w() + 2 * rx;
  const int ringN = 2 * ry + 1;
  auto ring = Alloc<BYTE>(static_cast<std::int64_t>(cw) * ringN);
  auto out = Alloc<BYTE>(s.w());
  if (!ring || !out) return 0;
  auto slot = [&](int y) { return ring.get() + static_cast<std::int64_t>(((y % ringN) + ringN) % ringN) * cw; };
  auto load = [&](int y) {  // copy of image row y (clamped) into its slot
    const BYTE* row = image->GetRow(std::clamp(y, 0, H - 1), plane);
    BYTE* dst = slot(y);
    for (int i = 0; i < cw; ++i) dst[i] = row[std::clamp(s.x0 - rx + i, 0, W - 1)];
  };
  for (int y = s.y0 - ry; y < s.y0 + ry; ++y) load(y);
  const int half = (kw * kh) / 2;  // the median has `half` values below it
  int hist[256];
  for (int y = s.y0; y < s.y1; ++y) {
    load(y + ry);
    std::fill(hist, hist + 256, 0);
    for (int dy = -ry; dy <= ry; ++dy) {
      const BYTE* r = slot(y + dy);
      for (int i = 0; i < kw; ++i) ++hist[r[i]];
    }
    int med = 0, below = 0;
    while (below + hist[med] <= half) below += hist[med++];
    out[0] = static_cast<BYTE>(med);
    for (int x = 1; x < s.w(); ++x) {
      for (int dy = -ry; dy <= ry; ++dy) {
        const BYTE* r = slot(y + dy);
        const BYTE gone = r[x - 1], come = r[x - 1 + kw];
        --hist[gone];
        if (gone < med) --below;
        ++hist[come];
        if (come < med) ++below;
      }
      while (below > half) below -= hist[--med];
      while (below + hist[med] <= half) below += hist[med++];
      out[x] = static_cast<BYTE>(med);
    }
    std::memcpy(image->GetRow(y, plane) + s.x0, out.get(), static_cast<std::size_t>(s.w()));
  }
  return 1;
}

namespace {

// Running maximum of a centred window of length k over n values (the window
// is cut at the ends), by the van Herk / Gil-Werman block method: three
// comparisons a value whatever k is.
void RunningMax(const BYTE* in, BYTE* out, int n, int k, std::vector<BYTE>& g, std::vector<BYTE>& h) {
  const int r = k / 2;
  // Padded sequence: r zeros, the values, k zeros.
  const int m = n + r + k;
  g.resize(static_cast<std::size_t>(m));
  h.resize(static_cast<std::size_t>(m));
  auto at = [&](int i) -> BYTE { return (i >= r && i < r + n) ? in[i - r] : 0; };
  for (int b = 0; b < m; b += k) {
    const int e = std::min(m, b + k);
    g[static_cast<std::size_t>(b)] = at(b);
    for (int i = b + 1; i < e; ++i) g[static_cast<std::size_t>(i)] = std::max(g[static_cast<std::size_t>(i - 1)], at(i));
    h[static_cast<std::size_t>(e - 1)] = at(e - 1);
    for (int i = e - 2; i >= b; --i) h[static_cast<std::size_t>(i)] = std::max(h[static_cast<std::size_t>(i + 1)], at(i));
  }
  // Output i covers padded positions i .. i + k - 1 (values i - r .. i + r).
  for (int i = 0; i < n; ++i) {
    const int a = i, z = i + k - 1;
    out[i] = (z < m) ? std::max(h[static_cast<std::size_t>(a)], g[static_cast<std::size_t>(z)]) : h[static_cast<std::size_t>(a)];
  }
}

// Running mean of a centred window of length k, cut at the ends (the mean of
// the values that exist), rounded.
void RunningMean(const BYTE* in, BYTE* out, int n, int k) {
  const int r = k / 2;
  std::int64_t sum = 0;
  int lo = 0, hi = 0;  // window [lo, hi)
  for (int i = 0; i < n; ++i) {
    const int want0 = std::max(0, i - r), want1 = std::min(n, i - r + k);
    while (hi < want1) sum += in[hi++];
    while (lo < want0) sum -= in[lo++];
    const int cnt = hi - lo;
    out[i] = static_cast<BYTE>((sum + cnt / 2) / cnt);
  }
}

// Applies a 1-D operation down every column of a plane, in strips of columns
// copied out transposed so that each column is contiguous.
template <class Fn>
bool ForColumns(BYTE* plane, int W, int H, Fn&& fn) {
  constexpr int kStrip = 64;
  auto strip = Alloc<BYTE>(static_cast<std::int64_t>(kStrip) * H);
  auto res = Alloc<BYTE>(H);
  if (!strip || !res) return false;
  for (int x0 = 0; x0 < W; x0 += kStrip) {
    const int n = std::min(kStrip, W - x0);
    for (int y = 0; y < H; ++y) {
      const BYTE* row = plane + static_cast<std::int64_t>(y) * W + x0;
      for (int i = 0; i < n; ++i) strip[static_cast<std::int64_t>(i) * H + y] = row[i];
    }
    for (int i = 0; i < n; ++i) {
      fn(strip.get() + static_cast<std::int64_t>(i) * H, res.get());
      std::memcpy(strip.get() + static_cast<std::int64_t>(i) * H, res.get(), static_cast<std::size_t>(H));
    }
    for (int y = 0; y < H; ++y) {
      BYTE* row = plane + static_cast<std::int64_t>(y) * W + x0;
      for (int i = 0; i < n; ++i) row[i] = strip[static_cast<std::int64_t>(i) * H + y];
    }
  }
  return true;
}

}  // namespace

// Background correction of a grey scan: in the image's "white is 255" sense,
// the background is the brightest value of a winW x winH window around each
// pixel (paper is brighter than ink), smoothed by a running mean over the
// same window so that its steps do not print; each pixel becomes
// value x 255 / background, which evens out uneven lighting and yellowed
// paper while keeping the ink's contrast. Both filters are separable and run
// in constant time a pixel; one plane-sized buffer holds the background.
int BackCorrect(CRasterImage* image, int winW, int winH) {
  if (!image || !image->IsGrey() || winW < 1 || winH < 1) return 0;
  const int W = image->width, H = image->height;
  if (W == 0 || H == 0) return 1;
  const std::int64_t n = static_cast<std::int64_t>(W) * H;
  auto bg = Alloc<BYTE>(n);
  auto tmp = Alloc<BYTE>(std::max(W, H));
  if (!bg || !tmp) return 0;
  BYTE* src = image->GetPlane(0);
  const bool inverted = image->photometric == 0;  // 0 is white: work on 255 - v
  std::vector<BYTE> g, h, rowIn(static_cast<std::size_t>(W));
  for (int y = 0; y < H; ++y) {
    const BYTE* row = src + static_cast<std::int64_t>(y) * W;
    for (int x = 0; x < W; ++x) rowIn[static_cast<std::size_t>(x)] = inverted ? static_cast<BYTE>(255 - row[x]) : row[x];
    RunningMax(rowIn.data(), bg.get() + static_cast<std::int64_t>(y) * W, W, winW, g, h);
  }
  std::vector<BYTE> g2, h2, t2(static_cast<std::size_t>(H));
  if (!ForColumns(bg.get(), W, H, [&](const BYTE* col, BYTE* res) {
        RunningMax(col, t2.data(), H, winH, g2, h2);
        RunningMean(t2.data(), res, H, winH);
      }))
    return 0;
  // Rows: maximum, then (after the columns' maximum and mean) the rows'
  // mean, fused with the division.
  for (int y = 0; y < H; ++y) {
    BYTE* b = bg.get() + static_cast<std::int64_t>(y) * W;
    RunningMean(b, tmp.get(), W, winW);
    BYTE* row = src + static_cast<std::int64_t>(y) * W;
    for (int x = 0; x < W; ++x) {
      const int v = inverted ? 255 - row[x] : row[x];
      const int d = std::max<int>(tmp[x], 1);
      const int o = std::min(255, (v * 255 + d / 2) / d);
      row[x] = static_cast<BYTE>(inverted ? 255 - o : o);
    }
  }
  return 1;
}
