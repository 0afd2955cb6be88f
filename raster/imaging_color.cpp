// Imaging library: colour reduction for display (palette and 15-bit colour
// cache of an RGB image) and colour clustering. Both work on a histogram of
// the image's colours, so the pixels are visited once or twice whatever the
// number of colours or classes.
#include <cmath>
#include <vector>

#include "raster/imaging.h"
#include "raster/imaging_internal.h"

namespace qzn {

using namespace imaging_detail;

namespace {

constexpr int kBins = 32768;

// Colour histogram over 15-bit bins, with the sums of the exact colours so
// that a bin (and a palette entry made of bins) gets its true mean colour.
struct ColorHistogram {
  std::vector<std::uint64_t> count, sr, sg, sb;
  bool Build(const CRasterImage* image) {
    count.assign(kBins, 0);
    sr.assign(kBins, 0);
    sg.assign(kBins, 0);
    sb.assign(kBins, 0);
    const BYTE* R = image->GetPlane(0);
    const BYTE* G = image->GetPlane(1);
    const BYTE* B = image->GetPlane(2);
    const std::int64_t n = image->GetPlaneBytes();
    for (std::int64_t i = 0; i < n; ++i) {
      const int k = CRasterImage::ColorCacheIndex(R[i], G[i], B[i]);
      ++count[k];
      sr[k] += R[i];
      sg[k] += G[i];
      sb[k] += B[i];
    }
    return true;
  }
};

struct Box {
  int lo[3], hi[3];  // inclusive 5-bit bounds per channel (r, g, b)
  std::uint64_t count = 0;
};

int BinOf(int r5, int g5, int b5) { return (b5 << 10) | (g5 << 5) | r5; }

void ShrinkBox(Box& box, const ColorHistogram& h) {
  int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
  std::uint64_t n = 0;
  for (int b = box.lo[2]; b <= box.hi[2]; ++b)
    for (int g = box.lo[1]; g <= box.hi[1]; ++g)
      for (int r = box.lo[0]; r <= box.hi[0]; ++r) {
        const std::uint64_t c = h.count[static_cast<std::size_t>(BinOf(r, g, b))];
        if (!c) continue;
        n += c;
        const int v[3] = {r, g, b};
        for (int k = 0; k < 3; ++k) {
          lo[k] = std::min(lo[k], v[k]);
          hi[k] = std::max(hi[k], v[k]);
        }
      }
  box.count = n;
  if (n) {
    std::copy(lo, lo + 3, box.lo);
    std::copy(hi, hi + 3, box.hi);
  }
}

// Median cut: start from the box of all occupied bins; repeatedly take the
// box with the most pixels that spans more than one bin and cut it at the
// pixel median of its longest side, until there are `maxColors` boxes or
// nothing can be cut.
std::vector<Box> MedianCut(const ColorHistogram& h, int maxColors) {
  std::vector<Box> boxes;
  Box all{{0, 0, 0}, {31, 31, 31}, 0};
  ShrinkBox(all, h);
  if (!all.count) return boxes;
  boxes.push_back(all);
  while (static_cast<int>(boxes.size()) < maxColors) {
    int pick = -1;
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
      const Box& b = boxes[static_cast<std::size_t>(i)];
      if (b.lo[0] == b.hi[0] && b.lo[1] == b.hi[1] && b.lo[2] == b.hi[2]) continue;
      if (pick < 0 || b.count > boxes[static_cast<std::size_t>(pick)].count) pick = i;
    }
    if (pick < 0) break;
    Box box = boxes[static_cast<std::size_t>(pick)];
    int axis = 0;
    for (int k = 1; k < 3; ++k)
      if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis]) axis = k;
    std::uint64_t marg[32] = {};
    for (int b = box.lo[2]; b <= box.hi[2]; ++b)
      for (int g = box.lo[1]; g <= box.hi[1]; ++g)
        for (int r = box.lo[0]; r <= box.hi[0]; ++r) {
          const int v[3] = {r, g, b};
          marg[v[axis]] += h.count[static_cast<std::size_t>(BinOf(r, g, b))];
        }
    // The cut: the first level where the running count reaches half, kept
    // below the box's top so both halves hold something.
    std::uint64_t run = 0;
    int cut = box.lo[axis];
    for (int v = box.lo[axis]; v < box.hi[axis]; ++v) {
      run += marg[v];
      cut = v;
      if (run * 2 >= box.count) break;
    }
    Box a = box, b = box;
    a.hi[axis] = cut;
    b.lo[axis] = cut + 1;
    ShrinkBox(a, h);
    ShrinkBox(b, h);
    boxes[static_cast<std::size_t>(pick)] = a;
    if (b.count) boxes.push_back(b);
  }
  return boxes;
}

}  // namespace

int Frequency24to8(CRasterImage* image) {
  if (!image) return 0;
  if (!image->IsRGB()) return 1;
  ColorHistogram h;
  h.Build(image);
  const std::vector<Box> boxes = MedianCut(h, 256);
  int pr[256] = {}, pg[256] = {}, pb[256] = {};
  const int n = static_cast<int>(boxes.size());
  for (int i = 0; i < n; ++i) {
    const Box& box = boxes[static_cast<std::size_t>(i)];
    std::uint64_t c = 0, r = 0, g = 0, b = 0;
    for (int bb = box.lo[2]; bb <= box.hi[2]; ++bb)
      for (int gg = box.lo[1]; gg <= box.hi[1]; ++gg)
        for (int rr = box.lo[0]; rr <= box.hi[0]; ++rr) {
          const std::size_t k = static_cast<std::size_t>(BinOf(rr, gg, bb));
          c += h.count[k];
          r += h.sr[k];
          g += h.sg[k];
          b += h.sb[k];
        }
    pr[i] = static_cast<int>((r + c / 2) / c);
    pg[i] = static_cast<int>((g + c / 2) / c);
    pb[i] = static_cast<int>((b + c / 2) / c);
  }
  if (!image->red && !image->AllocPalette()) return 0;
  if (!image->colorCache && !image->AllocColorCache()) return 0;
  std::memset(image->red, 0, 768);
  for (int i = 0; i < n; ++i) {
    image->red[i] = static_cast<BYTE>(pr[i]);
    image->green[i] = static_cast<BYTE>(pg[i]);
    image->blue[i] = static_cast<BYTE>(pb[i]);
  }
  // Every 15-bit colour, occupied or not, maps to the entry nearest to its
  // bin's mean colour (or the bin's centre when no pixel has it), so colours
  // painted later find a sensible entry too.
  for (int k = 0; k < kBins; ++k) {
    int r, g, b;
    if (h.count[static_cast<std::size_t>(k)]) {
      const std::uint64_t c = h.count[static_cast<std::size_t>(k)];
      r = static_cast<int>(h.sr[static_cast<std::size_t>(k)] / c);
      g = static_cast<int>(h.sg[static_cast<std::size_t>(k)] / c);
      b = static_cast<int>(h.sb[static_cast<std::size_t>(k)] / c);
    } else {
      r = ((k & 31) << 3) | 4;
      g = (((k >> 5) & 31) << 3) | 4;
      b = (((k >> 10) & 31) << 3) | 4;
    }
    image->colorCache[k] = static_cast<BYTE>(n ? NearestColor(pr, pg, pb, n, r, g, b) : 0);
  }
  return 1;
}

namespace {

struct WeightedColor {
  double r, g, b, w;
};

// k-means (Lloyd) on weighted colours. Seeds are chosen deterministically in
// the k-means++ manner: the heaviest colour first, then each time the colour
// with the largest weight x squared distance to its nearest seed. Stops when
// no assignment changes or after `iterations` rounds.
std::vector<int> KMeans(const std::vector<WeightedColor>& pts, int k, int iterations,
                        std::vector<WeightedColor>& centres) {
  const std::size_t n = pts.size();
  centres.clear();
  std::vector<double> d2(n, 1e300);
  std::size_t first = 0;
  for (std::size_t i = 1; i < n; ++i)
    if (pts[i].w > pts[first].w) first = i;
  centres.push_back(pts[first]);
  while (static_cast<int>(centres.size()) < k) {
    const WeightedColor& c = centres.back();
    double best = -1;
    std::size_t pick = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const double dr = pts[i].r - c.r, dg = pts[i].g - c.g, db = pts[i].b - c.b;
      d2[i] = std::min(d2[i], dr * dr + dg * dg + db * db);
      const double score = pts[i].w * d2[i];
      if (score > best) {
        best = score;
        pick = i;
      }
    }
    if (best <= 0) break;  // fewer distinct colours than classes
    centres.push_back(pts[pick]);
  }
  const int kk = static_cast<int>(centres.size());
  std::vector<int> assign(n, -1);
  for (int it = 0; it < iterations; ++it) {
    bool changed = false;
    for (std::size_t i = 0; i < n; ++i) {
      int best = 0;
      double bd = 1e300;
      for (int c = 0; c < kk; ++c) {
        const double dr = pts[i].r - centres[static_cast<std::size_t>(c)].r;
        const double dg = pts[i].g - centres[static_cast<std::size_t>(c)].g;
        const double db = pts[i].b - centres[static_cast<std::size_t>(c)].b;
        const double d = dr * dr + dg * dg + db * db;
        if (d < bd) {
          bd = d;
          best = c;
        }
      }
      if (assign[i] != best) {
        assign[i] = best;
        changed = true;
      }
    }
    if (!changed) break;
    std::vector<WeightedColor> sum(static_cast<std::size_t>(kk), WeightedColor{0, 0, 0, 0});
    for (std::size_t i = 0; i < n; ++i) {
      WeightedColor& s = sum[static_cast<std::size_t>(assign[i])];
      s.r += pts[i].r * pts[i].w;
      s.g += pts[i].g * pts[i].w;
      s.b += pts[i].b * pts[i].w;
      s.w += pts[i].w;
    }
    for (int c = 0; c < kk; ++c) {
      const WeightedColor& s = sum[static_cast<std::size_t>(c)];
      if (s.w > 0) centres[static_cast<std::size_t>(c)] = WeightedColor{s.r / s.w, s.g / s.w, s.b / s.w, s.w};
    }
  }
  return assign;
}

}  // namespace

// Colour clustering: the colours of the image (15-bit bins of an RGB image,
// the used palette entries of a palette image) are weighted by their pixel
// counts and grouped by k-means; the image becomes one plane of class
// numbers (photometric 5) whose palette holds the class mean colours.
int ImageCluster(CRasterImage* image, int classes, int iterations) {
  if (!image || !image->pixels || image->bitsPerSample != 8) return 0;
  if (classes < 1 || classes > 255 || iterations < 2 || iterations > 500) return 0;
  const bool rgb = image->IsRGB();
  if (!rgb && !(image->IsPaletteColor() && image->red)) return 0;
  std::vector<WeightedColor> pts;
  std::vector<int> keyOf;  // bin or index of each point
  std::vector<int> pointOf(rgb ? kBins : 256, -1);
  if (rgb) {
    ColorHistogram h;
    h.Build(image);
    for (int k = 0; k < kBins; ++k) {
      const std::uint64_t c = h.count[static_cast<std::size_t>(k)];
      if (!c) continue;
      pointOf[static_cast<std::size_t>(k)] = static_cast<int>(pts.size());
      pts.push_back({static_cast<double>(h.sr[static_cast<std::size_t>(k)]) / c,
                     static_cast<double>(h.sg[static_cast<std::size_t>(k)]) / c,
                     static_cast<double>(h.sb[static_cast<std::size_t>(k)]) / c, static_cast<double>(c)});
    }
  } else {
    std::uint64_t cnt[256] = {};
    const BYTE* p = image->GetPlane(0);
    const std::int64_t n = image->GetPlaneBytes();
    for (std::int64_t i = 0; i < n; ++i) ++cnt[p[i]];
    for (int v = 0; v < 256; ++v) {
      if (!cnt[v]) continue;
      pointOf[static_cast<std::size_t>(v)] = static_cast<int>(pts.size());
      pts.push_back({static_cast<double>(image->red[v]), static_cast<double>(image->green[v]),
                     static_cast<double>(image->blue[v]), static_cast<double>(cnt[v])});
    }
  }
  if (pts.empty()) return 1;
  std::vector<WeightedColor> centres;
  const std::vector<int> assign = KMeans(pts, classes, iterations, centres);
  // Class of every key, as a byte table.
  std::vector<BYTE> cls(pointOf.size(), 0);
  for (std::size_t k = 0; k < pointOf.size(); ++k)
    if (pointOf[k] >= 0) cls[k] = static_cast<BYTE>(assign[static_cast<std::size_t>(pointOf[k])]);

  const std::int64_t planeBytes = image->GetPlaneBytes();
  auto block = Alloc<BYTE>(planeBytes);
  if (!block) return 0;
  if (!image->red && !image->AllocPalette()) return 0;
  if (rgb) {
    const BYTE* R = image->GetPlane(0);
    const BYTE* G = image->GetPlane(1);
    const BYTE* B = image->GetPlane(2);
    for (std::int64_t i = 0; i < planeBytes; ++i)
      block[i] = cls[static_cast<std::size_t>(CRasterImage::ColorCacheIndex(R[i], G[i], B[i]))];
  } else {
    const BYTE* p = image->GetPlane(0);
    for (std::int64_t i = 0; i < planeBytes; ++i) block[i] = cls[p[i]];
  }
  std::memset(image->red, 0, 768);
  for (std::size_t c = 0; c < centres.size(); ++c) {
    image->red[c] = static_cast<BYTE>(std::lround(centres[c].r));
    image->green[c] = static_cast<BYTE>(std::lround(centres[c].g));
    image->blue[c] = static_cast<BYTE>(std::lround(centres[c].b));
  }
  image->planes = 1;
  image->photometric = kPhotometricSeparated;
  image->FreeColorCache();
  image->SetPixelBlock(std::move(block));
  return 1;
}

}  // namespace qzn
