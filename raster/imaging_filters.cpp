// Imaging library: the median filter and the background correction. Both use
// running windows, so their cost per pixel does not grow with the window.
#include <cmath>
#include <vector>

#include "raster/imaging.h"
#include "raster/imaging_internal.h"

namespace qzn {

using namespace imaging_detail;

// Median of a kw x kh window by Huang's running histogram: along each row the
// window slides one column at a time, adding the entering column and
// removing the leaving one, and the median is tracked by the count of values
// below it. Outside the image the edge pixels are repeated. The rows the
// window still needs are kept as copies taken before they are overwritten,
// so the filter works in place with 2 x (kh / 2) + 1 row buffers.
int MedianFilterInPlace(CRasterImage* image, const CImageArea* area, int kw, int kh) {
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
  // 3 x 3, the size the image commands use, has a faster exact form: sort
  // each column's three values; the median is then the median of (largest of
  // the three lows, median of the three middles, smallest of the three highs).
  std::vector<BYTE> lo, mid, hi;
  if (kw == 3 && kh == 3) {
    lo.resize(static_cast<std::size_t>(cw));
    mid.resize(static_cast<std::size_t>(cw));
    hi.resize(static_cast<std::size_t>(cw));
  }
  auto med3 = [](int a, int b, int c) { return std::max(std::min(a, b), std::min(std::max(a, b), c)); };
  for (int y = s.y0; y < s.y1; ++y) {
    load(y + ry);
    if (kw == 3 && kh == 3) {
      const BYTE* a = slot(y - 1);
      const BYTE* b = slot(y);
      const BYTE* c = slot(y + 1);
      for (int i = 0; i < cw; ++i) {
        const int p = a[i], q = b[i], r = c[i];
        const int l = std::min(p, q), h = std::max(p, q);
        lo[static_cast<std::size_t>(i)] = static_cast<BYTE>(std::min(l, r));
        hi[static_cast<std::size_t>(i)] = static_cast<BYTE>(std::max(h, r));
        mid[static_cast<std::size_t>(i)] = static_cast<BYTE>(std::max(l, std::min(h, r)));
      }
      for (int x = 0; x < s.w(); ++x) {
        const std::size_t i = static_cast<std::size_t>(x);
        const int mxLo = std::max({lo[i], lo[i + 1], lo[i + 2]});
        const int mnHi = std::min({hi[i], hi[i + 1], hi[i + 2]});
        const int mdMid = med3(mid[i], mid[i + 1], mid[i + 2]);
        out[x] = static_cast<BYTE>(med3(mxLo, mdMid, mnHi));
      }
      std::memcpy(image->GetRow(y, plane) + s.x0, out.get(), static_cast<std::size_t>(s.w()));
      continue;
    }
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

// The background filters run along a sequence of n elements, each `lanes`
// bytes wide: along a row one byte a step (lanes 1), down a strip of columns
// a row segment a step, so that the vertical pass reads whole cache lines
// instead of single bytes far apart.
struct RunningWork {
  std::vector<BYTE> g, h;
  std::vector<std::int32_t> sums;
  std::vector<float> inv;
};

// Running maximum over a centred window of k elements, cut at the ends, by
// the van Herk / Gil-Werman block method: three comparisons a value whatever
// k is. Padded element j is input element j - r (0 before and after, which
// never wins a maximum).
// kLanes fixes the lane count at compile time (0: use `lanes`).
template <int kLanes>
void RunningMax(const BYTE* in, std::int64_t inStride, BYTE* out, std::int64_t outStride, int n, int lanes, int k,
                RunningWork& w) {
  const int r = k / 2;
  const std::int64_t m = static_cast<std::int64_t>(n) + r + k;
  const std::size_t L = static_cast<std::size_t>(kLanes ? kLanes : lanes);
  w.g.resize(static_cast<std::size_t>(m) * L);
  w.h.resize(static_cast<std::size_t>(m) * L);
  BYTE* g = w.g.data();
  BYTE* h = w.h.data();
  auto padded = [&](std::int64_t j) -> const BYTE* {
    return (j >= r && j < r + n) ? in + (j - r) * inStride : nullptr;
  };
  auto copyIn = [&](BYTE* dst, std::int64_t j) {
    const BYTE* p = padded(j);
    if (p)
      std::memcpy(dst, p, L);
    else
      std::memset(dst, 0, L);
  };
  auto maxIn = [&](BYTE* dst, const BYTE* prev, std::int64_t j) {
    const BYTE* p = padded(j);
    if (!p) {
      std::memcpy(dst, prev, L);
      return;
    }
    for (std::size_t c = 0; c < L; ++c) dst[c] = std::max(prev[c], p[c]);
  };
  for (std::int64_t b = 0; b < m; b += k) {
    const std::int64_t e = std::min(m, b + k);
    copyIn(g + b * L, b);
    for (std::int64_t i = b + 1; i < e; ++i) maxIn(g + i * L, g + (i - 1) * L, i);
    copyIn(h + (e - 1) * L, e - 1);
    for (std::int64_t i = e - 1; i-- > b;) maxIn(h + i * L, h + (i + 1) * L, i);
  }
  // Output i covers padded elements i .. i + k - 1 (inputs i - r .. i + r).
  for (std::int64_t i = 0; i < n; ++i) {
    const BYTE* a = h + i * L;
    const BYTE* z = g + (i + k - 1) * L;
    BYTE* o = out + i * outStride;
    for (std::size_t c = 0; c < L; ++c) o[c] = std::max(a[c], z[c]);
  }
}

// Running mean over a centred window of k elements, cut at the ends (the
// mean of the elements that exist), rounded.
template <int kLanes>
void RunningMean(const BYTE* in, std::int64_t inStride, BYTE* out, std::int64_t outStride, int n, int lanes, int k,
                 RunningWork& w) {
  const int r = k / 2;
  const std::size_t L = static_cast<std::size_t>(kLanes ? kLanes : lanes);
  w.sums.assign(L, 0);
  w.inv.resize(static_cast<std::size_t>(k) + 1);
  for (int c = 1; c <= k; ++c) w.inv[static_cast<std::size_t>(c)] = 1.0f / static_cast<float>(c);
  std::int32_t* sum = w.sums.data();
  int lo = 0, hi = 0;  // window [lo, hi)
  for (int i = 0; i < n; ++i) {
    const int want0 = std::max(0, i - r), want1 = std::min(n, i - r + k);
    for (; hi < want1; ++hi) {
      const BYTE* p = in + static_cast<std::int64_t>(hi) * inStride;
      for (std::size_t c = 0; c < L; ++c) sum[c] += p[c];
    }
    for (; lo < want0; ++lo) {
      const BYTE* p = in + static_cast<std::int64_t>(lo) * inStride;
      for (std::size_t c = 0; c < L; ++c) sum[c] -= p[c];
    }
    const float f = w.inv[static_cast<std::size_t>(hi - lo)];
    BYTE* o = out + static_cast<std::int64_t>(i) * outStride;
    for (std::size_t c = 0; c < L; ++c) o[c] = static_cast<BYTE>(static_cast<float>(sum[c]) * f + 0.5f);
  }
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
  // From a window of twice the line on, every position sees the whole line:
  // a larger one gives the same background and would only cost memory.
  winW = static_cast<int>(std::min<std::int64_t>(winW, 2 * static_cast<std::int64_t>(W)));
  winH = static_cast<int>(std::min<std::int64_t>(winH, 2 * static_cast<std::int64_t>(H)));
  const std::int64_t n = static_cast<std::int64_t>(W) * H;
  auto bg = Alloc<BYTE>(n);
  auto tmp = Alloc<BYTE>(W);
  if (!bg || !tmp) return 0;
  BYTE* src = image->GetPlane(0);
  const bool inverted = image->photometric == kPhotometricMinIsWhite;  // 0 is white: work on 255 - v
  RunningWork work;
  std::vector<BYTE> rowIn(static_cast<std::size_t>(W));
  for (int y = 0; y < H; ++y) {
    const BYTE* row = src + static_cast<std::int64_t>(y) * W;
    for (int x = 0; x < W; ++x)
      rowIn[static_cast<std::size_t>(x)] = inverted ? static_cast<BYTE>(255 - row[x]) : row[x];
    RunningMax<1>(rowIn.data(), 1, bg.get() + static_cast<std::int64_t>(y) * W, 1, W, 1, winW, work);
  }
  // Down strips of 64 columns: maximum into a strip buffer, mean back.
  constexpr int kStrip = 64;
  auto strip = Alloc<BYTE>(static_cast<std::int64_t>(kStrip) * H);
  if (!strip) return 0;
  for (int x0 = 0; x0 < W; x0 += kStrip) {
    const int lanes = std::min(kStrip, W - x0);
    if (lanes == kStrip) {
      RunningMax<kStrip>(bg.get() + x0, W, strip.get(), kStrip, H, lanes, winH, work);
      RunningMean<kStrip>(strip.get(), kStrip, bg.get() + x0, W, H, lanes, winH, work);
    } else {
      RunningMax<0>(bg.get() + x0, W, strip.get(), kStrip, H, lanes, winH, work);
      RunningMean<0>(strip.get(), kStrip, bg.get() + x0, W, H, lanes, winH, work);
    }
  }
  // value x 255 / background for every pair, in the image's own sense.
  std::vector<BYTE> ratio(256 * 256);
  for (int b = 0; b < 256; ++b)
    for (int v = 0; v < 256; ++v) {
      const int vv = inverted ? 255 - v : v, d = std::max(b, 1);
      const int o = std::min(255, (vv * 255 + d / 2) / d);
      ratio[static_cast<std::size_t>(b) * 256 + static_cast<std::size_t>(v)] =
          static_cast<BYTE>(inverted ? 255 - o : o);
    }
  // Rows: maximum, then (after the columns' maximum and mean) the rows'
  // mean, fused with the division.
  for (int y = 0; y < H; ++y) {
    BYTE* b = bg.get() + static_cast<std::int64_t>(y) * W;
    RunningMean<1>(b, 1, tmp.get(), 1, W, 1, winW, work);
    BYTE* row = src + static_cast<std::int64_t>(y) * W;
    for (int x = 0; x < W; ++x) row[x] = ratio[static_cast<std::size_t>(tmp[x]) * 256 + row[x]];
  }
  return 1;
}

}  // namespace qzn
