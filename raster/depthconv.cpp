// Depth conversions, canvas growth, copies, pasting and the template search.
#include "raster/depthconv.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "platform/host.h"
#include "raster/imaging.h"
#include "raster/imaging_internal.h"
#include "raster/resample.h"
#include "resources/messages_raster.h"

namespace qzn {

using imaging_detail::Bit;
using imaging_detail::PutBit;

namespace {

bool IsThreePlanes(const CRasterImage& im) { return im.pixels && im.bitsPerSample == 8 && im.planes == 3; }

void Install(CRasterImage* image, std::unique_ptr<BYTE[]> block, int bits, int planes, Photometric photometric) {
  image->bitsPerSample = bits;
  image->planes = planes;
  image->photometric = photometric;
  image->SetPixelBlock(std::move(block));
}

// The overlap of a w x h source placed at (x, y) on the target: target
// columns [x0, x1) and rows [y0, y1).
imaging_detail::Span Overlap(const CRasterImage& target, std::int64_t x, std::int64_t y, std::int64_t w,
                             std::int64_t h) {
  return imaging_detail::ClipRect(x, y, w, h, target.width, target.height);
}

}  // namespace

// ---------------------------------------------------------------------------
// Conversions

int BilevelToGrey(CRasterImage* image) {
  if (!image || !image->IsBilevel()) return 0;
  auto block = AllocImageBlock(8, 1, image->width, image->height);
  if (!block) {
    AfxMessageBox(res::text::kConvertNoMemory);
    return 0;
  }
  const int fgBit = image->photometric == kPhotometricMinIsWhite ? 1 : 0;
  const std::int64_t w = image->width;
  for (int y = 0; y < image->height; ++y) {
    const BYTE* in = image->GetRow(y);
    BYTE* out = block.get() + w * y;
    for (std::int64_t x = 0; x < w; ++x) out[x] = Bit(in, x) == fgBit ? 0 : 255;
  }
  Install(image, std::move(block), 8, 1, kPhotometricMinIsBlack);
  return 1;
}

int PaletteToRGB(CRasterImage* image) {
  if (!image || !image->IsPaletteColor() || !image->HasPalette() || image->planes != 1) return 0;
  auto block = AllocImageBlock(8, 3, image->width, image->height);
  if (!block) {
    AfxMessageBox(res::text::kConvertNoMemory);
    return 0;
  }
  const std::int64_t n = image->GetPlaneBytes();
  const BYTE* tables[3] = {image->red, image->green, image->blue};
  for (int k = 0; k < 3; ++k) {
    BYTE* out = block.get() + n * k;
    for (std::int64_t i = 0; i < n; ++i) out[i] = tables[k][image->pixels[i]];
  }
  Install(image, std::move(block), 8, 3, kPhotometricRgb);
  return 1;
}

int GreyToRGB(CRasterImage* image, const BYTE* redTable, const BYTE* greenTable, const BYTE* blueTable) {
  if (!image || !image->IsGrey()) return 0;
  auto block = AllocImageBlock(8, 3, image->width, image->height);
  if (!block) {
    AfxMessageBox(res::text::kConvertNoMemory);
    return 0;
  }
  const std::int64_t n = image->GetPlaneBytes();
  const BYTE* tables[3] = {redTable, greenTable, blueTable};
  for (int k = 0; k < 3; ++k) {
    BYTE* out = block.get() + n * k;
    if (!tables[k])
      std::memcpy(out, image->pixels, static_cast<std::size_t>(n));
    else
      for (std::int64_t i = 0; i < n; ++i) out[i] = tables[k][image->pixels[i]];
  }
  Install(image, std::move(block), 8, 3, kPhotometricRgb);
  return 1;
}

// ---------------------------------------------------------------------------
// Canvas and copies

int ExtendToRect(CRasterImage* image, const RECT& rect) {
  if (!image || !image->pixels || (image->bitsPerSample != 1 && image->bitsPerSample != 8)) return 0;
  const std::int64_t l = std::min<std::int64_t>({rect.left, rect.right, 0});
  const std::int64_t t = std::min<std::int64_t>({rect.top, rect.bottom, 0});
  const std::int64_t r = std::max<std::int64_t>({rect.left, rect.right, image->width});
  const std::int64_t b = std::max<std::int64_t>({rect.top, rect.bottom, image->height});
  const std::int64_t nw = r - l, nh = b - t;
  if (nw == image->width && nh == image->height) return 1;
  std::unique_ptr<BYTE[]> block;
  if (nw <= INT32_MAX && nh <= INT32_MAX) block = AllocImageBlock(image->bitsPerSample, image->planes, nw, nh);
  if (!block) {
    AfxMessageBox(res::text::kImageSizeNoMemory);
    return 0;
  }
  // White everywhere first; the old picture then goes in at (-l, -t).
  const int bits = image->bitsPerSample;
  const std::int64_t nrb = ImageRowBytes(nw, bits);
  for (int p = 0; p < image->planes; ++p) {
    BYTE white = p == 0 ? ImageWhiteSample(*image) : image->WhiteValue();
    if (bits == 1) white = white ? 0xFF : 0x00;
    BYTE* plane = block.get() + nrb * nh * p;
    std::memset(plane, white, static_cast<std::size_t>(nrb * nh));
    for (std::int64_t y = 0; y < image->height; ++y) {
      BYTE* out = plane + nrb * (y - t);
      const BYTE* in = image->GetRow(static_cast<int>(y), p);
      if (bits == 8) {
        std::memcpy(out - l, in, static_cast<std::size_t>(image->width));
      } else {
        for (std::int64_t x = 0; x < image->width; ++x) PutBit(out, x - l, Bit(in, x));
      }
    }
    if (bits == 1 && (nw & 7))  // padding bits stay clear
      for (std::int64_t y = 0; y < nh; ++y) plane[nrb * y + nrb - 1] &= static_cast<BYTE>(0xFF << (8 - (nw & 7)));
  }
  image->width = static_cast<int>(nw);
  image->height = static_cast<int>(nh);
  image->SetPixelBlock(std::move(block));
  return 1;
}

int CopyIntoRect(CRasterImage* target, int x, int y, int w, int h, const CRasterImage& source) {
  if (!target || !target->pixels || !source.pixels) return 0;
  const int bits = target->bitsPerSample;
  if ((bits != 1 && bits != 8) || source.bitsPerSample != bits || source.planes < target->planes) return 0;
  const auto s = Overlap(*target, x, y, std::min(w, source.width), std::min(h, source.height));
  if (s.empty()) return 1;
  for (int p = 0; p < target->planes; ++p)
    for (int ty = s.y0; ty < s.y1; ++ty) {
      const BYTE* in = source.GetRow(ty - y, p);
      BYTE* out = target->GetRow(ty, p);
      if (bits == 8)
        std::memcpy(out + s.x0, in + (s.x0 - x), static_cast<std::size_t>(s.w()));
      else
        for (int tx = s.x0; tx < s.x1; ++tx) PutBit(out, tx, Bit(in, tx - x));
    }
  return 1;
}

int ResampleInto(CRasterImage* target, const CRasterImage& source) {
  if (!target || !target->pixels || !source.pixels) return 0;
  const int bits = target->bitsPerSample;
  if (bits > 8 || source.bitsPerSample != bits || source.planes < target->planes) return 0;
  for (int p = 0; p < target->planes; ++p) {
    const int ok =
        bits == 1 ? SizeImage1(source.GetPlane(p), source.width, source.height, 0, 0, source.width, source.height,
                               target->GetPlane(p), target->width, target->height, 0, 0, target->width, target->height)
                  : SizeImage8(source.GetPlane(p), source.width, source.height, 0, 0, source.width, source.height,
                               target->GetPlane(p), target->width, target->height, 0, 0, target->width, target->height);
    if (!ok) return 0;
  }
  return 1;
}

int OverlayBilevel(CRasterImage* target, const CRasterImage& source, int x, int y) {
  if (!target || !target->IsBilevel() || !source.IsBilevel()) return 0;
  const int tFg = target->photometric == kPhotometricMinIsWhite ? 1 : 0,
            sFg = source.photometric == kPhotometricMinIsWhite ? 1 : 0;
  const auto s = Overlap(*target, x, y, source.width, source.height);
  for (int ty = s.y0; ty < s.y1; ++ty) {
    const BYTE* in = source.GetRow(ty - y);
    BYTE* out = target->GetRow(ty);
    for (int tx = s.x0; tx < s.x1; ++tx)
      if (Bit(in, tx - x) == sFg) PutBit(out, tx, tFg);
  }
  return 1;
}

namespace {

int AveragePlanes(CRasterImage* target, const CRasterImage& source, int x, int y) {
  const auto s = Overlap(*target, x, y, source.width, source.height);
  for (int p = 0; p < target->planes; ++p)
    for (int ty = s.y0; ty < s.y1; ++ty) {
      const BYTE* in = source.GetRow(ty - y, p) + (s.x0 - x);
      BYTE* out = target->GetRow(ty, p) + s.x0;
      for (int k = 0; k < s.w(); ++k) out[k] = static_cast<BYTE>((out[k] + in[k]) / 2);
    }
  return 1;
}

}  // namespace

int AverageGrey(CRasterImage* target, const CRasterImage& source, int x, int y) {
  if (!target || !target->IsGrey() || !source.IsGrey()) return 0;
  return AveragePlanes(target, source, x, y);
}

int AverageRGB(CRasterImage* target, const CRasterImage& source, int x, int y) {
  if (!target || !IsThreePlanes(*target) || !IsThreePlanes(source)) return 0;
  return AveragePlanes(target, source, x, y);
}

// ---------------------------------------------------------------------------
// Pasting

namespace {

enum class Kind { bilevel, grey, palette, rgb, other };

Kind KindOf(const CRasterImage& im) {
  if (im.bitsPerSample == 1) return Kind::bilevel;
  if (im.bitsPerSample != 8) return Kind::other;
  if (im.planes == 3) return Kind::rgb;
  if (im.planes != 1) return Kind::other;
  if (IsGreyPhotometric(im.photometric)) return Kind::grey;
  if (im.photometric == kPhotometricPalette && im.HasPalette()) return Kind::palette;
  return Kind::other;
}

// The kind an image takes on to meet another (one step of the ladder
// bilevel -> grey -> RGB, palette -> RGB).
Kind Raise(Kind k) { return k == Kind::bilevel ? Kind::grey : Kind::rgb; }

bool SamePalette(const CRasterImage& a, const CRasterImage& b) {
  return a.HasPalette() && b.HasPalette() && std::memcmp(a.red, b.red, 256) == 0 &&
         std::memcmp(a.green, b.green, 256) == 0 && std::memcmp(a.blue, b.blue, 256) == 0;
}

// Pixels of the two images can be copied as they are: same depth, planes and
// meaning of the values.
bool DirectlyCompatible(const CRasterImage& a, const CRasterImage& b) {
  if (a.bitsPerSample != b.bitsPerSample || a.planes != b.planes || a.photometric != b.photometric) return false;
  if (KindOf(a) == Kind::palette) return SamePalette(a, b);
  return true;
}

// Converts the image up to the kind; a grey image stored "white is zero"
// goes to RGB through an inverting table so that its colours stay.
int ConvertTo(CRasterImage* im, Kind to) {
  while (KindOf(*im) != to) {
    const Kind k = KindOf(*im);
    int ok = 0;
    if (k == Kind::bilevel) {
      ok = BilevelToGrey(im);
    } else if (k == Kind::palette) {
      ok = PaletteToRGB(im);
    } else if (k == Kind::grey) {
      BYTE inv[256];
      for (int v = 0; v < 256; ++v) inv[v] = static_cast<BYTE>(255 - v);
      const BYTE* table = im->photometric == kPhotometricMinIsWhite ? inv : nullptr;
      ok = GreyToRGB(im, table, table, table);
    }
    if (!ok) return 0;
  }
  return 1;
}

// Inverts a grey or bilevel image in place and flips its photometric code.
void InvertStorage(CRasterImage* im) {
  const std::int64_t n = im->GetImageBytes();
  for (std::int64_t i = 0; i < n; ++i) im->pixels[i] = static_cast<BYTE>(~im->pixels[i]);
  im->photometric = im->photometric == kPhotometricMinIsWhite ? kPhotometricMinIsBlack : kPhotometricMinIsWhite;
}

}  // namespace

int PasteImage(CRasterImage* target, const CRasterImage& source, const RECT& rect, int replace) {
  if (!target || !target->pixels || !source.pixels) return 0;
  const Kind tk = KindOf(*target), sk = KindOf(source);
  const bool direct = DirectlyCompatible(*target, source);
  // Decide before touching anything whether the pair can meet at all.
  Kind meet = tk;
  if (!direct) {
    if (tk == Kind::other || sk == Kind::other) return 0;
    if (tk == Kind::bilevel && sk == Kind::bilevel) {
      meet = Kind::bilevel;
    } else {
      Kind a = tk, b = sk;
      while (a != b) {
        // Raise whichever stands lower; palette and RGB meet at RGB.
        const int ra = a == Kind::bilevel ? 0 : a == Kind::grey ? 1 : 2;
        const int rb = b == Kind::bilevel ? 0 : b == Kind::grey ? 1 : 2;
        if (ra <= rb && a != Kind::rgb)
          a = Raise(a);
        else
          b = Raise(b);
      }
      meet = a;
      if (meet == Kind::palette) meet = Kind::rgb;  // two palettes that differ
    }
  }
  // Averaging needs values that mean brightness: palette indices do not.
  if (!replace && meet == Kind::palette) meet = Kind::rgb;
  if (!replace && meet == Kind::other) return 0;

  const std::int32_t left = std::min(rect.left, rect.right), top = std::min(rect.top, rect.bottom);
  const std::int32_t w = std::max(rect.left, rect.right) - left, h = std::max(rect.top, rect.bottom) - top;
  if (!ExtendToRect(target, rect)) return 0;
  const int x = std::max(left, 0), y = std::max(top, 0);

  if (direct && replace) return CopyIntoRect(target, x, y, w, h, source);
  if (meet == Kind::bilevel) {
    if (!replace) return OverlayBilevel(target, source, x, y);
    CRasterImage flipped;  // stored the other way round from the target
    if (!flipped.CopyFrom(source, 1, 1)) return 0;
    InvertStorage(&flipped);
    return CopyIntoRect(target, x, y, w, h, flipped);
  }

  if (!ConvertTo(target, meet)) return 0;
  const CRasterImage* src = &source;
  CRasterImage converted;
  if (!DirectlyCompatible(*target, source)) {
    if (!converted.CopyFrom(source, 1, 1)) return 0;
    if (!ConvertTo(&converted, meet)) return 0;
    if (meet == Kind::grey && converted.photometric != target->photometric) InvertStorage(&converted);
    src = &converted;
  }
  if (replace) return CopyIntoRect(target, x, y, w, h, *src);
  return meet == Kind::grey ? AverageGrey(target, *src, x, y) : AverageRGB(target, *src, x, y);
}

int InterpolateRect(CRasterImage* image, int x, int y, int length, int count) {
  if (!image || !image->pixels || (image->bitsPerSample != 8 && image->bitsPerSample != 16)) return 0;
  const int w = image->width, h = image->height;
  const bool wide = image->bitsPerSample == 16;
  auto get = [&](int px, int py, int p) -> unsigned {
    const BYTE* row = image->GetRow(py, p);
    if (!wide) return row[px];
    std::uint16_t v;
    std::memcpy(&v, row + 2 * static_cast<std::int64_t>(px), 2);
    return v;
  };
  auto put = [&](int px, int py, int p, unsigned v) {
    BYTE* row = image->GetRow(py, p);
    if (!wide) {
      row[px] = static_cast<BYTE>(v);
      return;
    }
    const std::uint16_t s = static_cast<std::uint16_t>(v);
    std::memcpy(row + 2 * static_cast<std::int64_t>(px), &s, 2);
  };
  const int x0 = std::max(x, 0),
            x1 = static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(x) + length, w));
  const int y0 = std::max(y, 0), y1 = static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(y) + count, h));
  for (int p = 0; p < image->planes; ++p) {
    if (y >= 2 && y <= h - 2)
      for (int c = x0; c < x1; ++c) put(c, y, p, (get(c, y - 1, p) + get(c, y + 1, p)) / 2);
    if (x >= 2 && x <= w - 2)
      for (int r = y0; r < y1; ++r) put(x, r, p, (get(x - 1, r, p) + get(x + 1, r, p)) / 2);
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Template search

namespace {

constexpr double kNoScoreYet = 999999995904.0;

struct Search {
  const CRasterImage& img;
  const CRasterImage& tpl;
  RECT clip;
  int tx0, ty0, tw, th;  // template rectangle in the template source
  int sl, st, sr, sb;    // search positions, inclusive
  std::int64_t minPairs;

  // The score at full resolution, exactly as defined; -1 for none.
  double Score(int x, int y) const {
    const int W = img.width, H = img.height;
    const int c0 = std::max(0, -x), c1 = static_cast<int>(std::min<std::int64_t>(tw, static_cast<std::int64_t>(W) - x));
    std::int64_t n = 0;
    double s = 0;
    int above = 0;
    for (int r = 0; r < th; ++r) {
      const std::int64_t iy = static_cast<std::int64_t>(y) + r;
      if (iy < 0) {
        if (2 * ++above > th) return -1;
        continue;
      }
      if (iy >= H) break;
      if (c0 >= c1) continue;
      const int ty = ty0 + r;
      if (img.bitsPerSample == 8) {
        const BYTE* a = img.GetRow(static_cast<int>(iy)) + x;
        const BYTE* b = tpl.GetRow(ty) + tx0;
        std::int64_t rs = 0, rn = 0;
        for (int c = c0; c < c1; ++c) {
          const int v = a[c];
          if (!v) continue;
          const int d = v - b[c];
          rs += d * d;
          ++rn;
        }
        s += static_cast<double>(rs);
        n += rn;
      } else if (img.bitsPerSample == 16) {
        const BYTE* a = img.GetRow(static_cast<int>(iy));
        const BYTE* b = tpl.GetRow(ty);
        for (int c = c0; c < c1; ++c) {
          std::uint16_t v, t;
          std::memcpy(&v, a + 2 * (static_cast<std::int64_t>(x) + c), 2);
          if (!v) continue;
          std::memcpy(&t, b + 2 * (static_cast<std::int64_t>(tx0) + c), 2);
          const double d = static_cast<double>(v) - t;
          s += d * d;
          ++n;
        }
      } else {
        if (iy < clip.top || iy > clip.bottom) continue;
        const BYTE* a = img.GetRow(static_cast<int>(iy));
        const BYTE* b = tpl.GetRow(ty);
        const int cc0 = std::max<std::int64_t>(c0, static_cast<std::int64_t>(clip.left) - x);
        const int cc1 = std::min<std::int64_t>(c1, static_cast<std::int64_t>(clip.right) + 1 - x);
        for (int c = cc0; c < cc1; ++c) {
          s += Bit(a, static_cast<std::int64_t>(x) + c) != Bit(b, static_cast<std::int64_t>(tx0) + c);
          ++n;
        }
      }
    }
    if (n > 0 && n >= minPairs) return s / static_cast<double>(n);
    return -1;
  }

  // Best of the positions in [x0, x1] x [y0, y1] (cut to the search), row by
  // row, first of equals.
  bool BestIn(int x0, int y0, int x1, int y1, int* bx, int* by) const {
    x0 = std::max(x0, sl), y0 = std::max(y0, st), x1 = std::min(x1, sr), y1 = std::min(y1, sb);
    double best = kNoScoreYet;
    bool found = false;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        const double s = Score(x, y);
        if (s >= 0 && s < best) best = s, *bx = x, *by = y, found = true;
      }
    return found;
  }
};

// One level of the reduction: values with a weight of the full-resolution
// pairs they stand for (0: nothing to compare there).
struct Level {
  int w = 0, h = 0;
  std::vector<float> val, wt;
  float V(int x, int y) const { return val[static_cast<std::size_t>(y) * w + x]; }
  float Wt(int x, int y) const { return wt[static_cast<std::size_t>(y) * w + x]; }
};

Level Reduce(const Level& a) {
  Level b;
  b.w = (a.w + 1) / 2, b.h = (a.h + 1) / 2;
  b.val.assign(static_cast<std::size_t>(b.w) * b.h, 0.f);
  b.wt.assign(b.val.size(), 0.f);
  for (int y = 0; y < a.h; ++y)
    for (int x = 0; x < a.w; ++x) {
      const float wt = a.Wt(x, y);
      if (wt <= 0) continue;
      const std::size_t i = static_cast<std::size_t>(y / 2) * b.w + x / 2;
      b.val[i] += a.V(x, y) * wt;
      b.wt[i] += wt;
    }
  for (std::size_t i = 0; i < b.val.size(); ++i)
    if (b.wt[i] > 0) b.val[i] /= b.wt[i];
  return b;
}

// Weighted mean squared difference of the template level placed at (u, v)
// of the image level; negative when too little is compared.
double LevelScore(const Level& im, const Level& tp, int u, int v, double minWeight) {
  double s = 0, n = 0;
  const int r0 = std::max(0, -v), r1 = std::min(tp.h, im.h - v);
  const int c0 = std::max(0, -u), c1 = std::min(tp.w, im.w - u);
  for (int r = r0; r < r1; ++r) {
    const float* a = &im.val[static_cast<std::size_t>(v + r) * im.w + u];
    const float* aw = &im.wt[static_cast<std::size_t>(v + r) * im.w + u];
    const float* b = &tp.val[static_cast<std::size_t>(r) * tp.w];
    for (int c = c0; c < c1; ++c) {
      if (aw[c] <= 0) continue;
      const double d = a[c] - b[c];
      s += d * d * aw[c];
      n += aw[c];
    }
  }
  return n > 0 && n >= minWeight ? s / n : -1;
}

std::optional<Search> Prepare(const CRasterImage& image, const RECT& search, const RECT& clip,
                              const CRasterImage& templ, const RECT& templRect) {
  if (!image.pixels || !templ.pixels || image.bitsPerSample != templ.bitsPerSample) return std::nullopt;
  const int bits = image.bitsPerSample;
  if (bits != 1 && bits != 8 && bits != 16) return std::nullopt;
  const int tx0 = std::max(0, std::min(templRect.left, templRect.right));
  const int ty0 = std::max(0, std::min(templRect.top, templRect.bottom));
  const int tx1 = std::min(templ.width - 1, std::max(templRect.left, templRect.right));
  const int ty1 = std::min(templ.height - 1, std::max(templRect.top, templRect.bottom));
  if (tx1 < tx0 || ty1 < ty0) return std::nullopt;
  const int tw = tx1 - tx0 + 1, th = ty1 - ty0 + 1;
  return Search{image,
                templ,
                clip,
                tx0,
                ty0,
                tw,
                th,
                search.left,
                search.top,
                std::min(search.right, image.width - 1),
                std::min(search.bottom, image.height - 1),
                static_cast<std::int64_t>(tw) * th / 8};
}

}  // namespace

int MatchTemplateExhaustive(const CRasterImage& image, const RECT& search, const RECT& clip, const CRasterImage& templ,
                            const RECT& templRect, int* xOut, int* yOut) {
  const std::optional<Search> s = Prepare(image, search, clip, templ, templRect);
  if (!s) return 0;
  int bx = -1, by = -1;
  if (xOut) *xOut = -1;
  if (yOut) *yOut = -1;
  if (!s->BestIn(s->sl, s->st, s->sr, s->sb, &bx, &by)) return 0;
  if (xOut) *xOut = bx;
  if (yOut) *yOut = by;
  return 1;
}

int MatchTemplate(const CRasterImage& image, const RECT& search, const RECT& clip, const CRasterImage& templ,
                  const RECT& templRect, int* xOut, int* yOut) {
  const std::optional<Search> s = Prepare(image, search, clip, templ, templRect);
  if (!s) return 0;
  const std::int64_t positions = std::max<std::int64_t>(0, static_cast<std::int64_t>(s->sr) - s->sl + 1) *
                                 std::max<std::int64_t>(0, static_cast<std::int64_t>(s->sb) - s->st + 1);
  const std::int64_t work = positions * s->tw * s->th;
  if (work <= (std::int64_t{1} << 24) || s->tw < 32 || s->th < 32 || positions <= 25)
    return MatchTemplateExhaustive(image, search, clip, templ, templRect, xOut, yOut);
  if (xOut) *xOut = -1;
  if (yOut) *yOut = -1;

  try {
    // Full-resolution level 0 of the image area any position can reach, and
    // of the template. Image pixels that would not be compared weigh 0.
    const int W = image.width, H = image.height, bits = image.bitsPerSample;
    const int ax0 = std::max(s->sl, 0), ay0 = std::max(s->st, 0);
    const int ax1 = static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(s->sr) + s->tw, W));
    const int ay1 = static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(s->sb) + s->th, H));
    if (ax1 <= ax0 || ay1 <= ay0) return 0;
    Level im0, tp0;
    im0.w = ax1 - ax0, im0.h = ay1 - ay0;
    im0.val.resize(static_cast<std::size_t>(im0.w) * im0.h);
    im0.wt.resize(im0.val.size());
    for (int y = 0; y < im0.h; ++y)
      for (int x = 0; x < im0.w; ++x) {
        const int ix = ax0 + x, iy = ay0 + y;
        float v, wt;
        if (bits == 1) {
          v = Bit(image.GetRow(iy), ix) ? 1.f : 0.f;
          wt = ix >= clip.left && ix <= clip.right && iy >= clip.top && iy <= clip.bottom ? 1.f : 0.f;
        } else {
          v = static_cast<float>(TDGetPixel(&image, ix, iy, 0));
          wt = v != 0 ? 1.f : 0.f;
        }
        im0.val[static_cast<std::size_t>(y) * im0.w + x] = v;
        im0.wt[static_cast<std::size_t>(y) * im0.w + x] = wt;
      }
    tp0.w = s->tw, tp0.h = s->th;
    tp0.val.resize(static_cast<std::size_t>(tp0.w) * tp0.h);
    tp0.wt.assign(tp0.val.size(), 1.f);
    for (int y = 0; y < tp0.h; ++y)
      for (int x = 0; x < tp0.w; ++x)
        tp0.val[static_cast<std::size_t>(y) * tp0.w + x] =
            static_cast<float>(TDGetPixel(&templ, s->tx0 + x, s->ty0 + y, 0));

    // Reduce while the template stays recognisable and there is still a
    // search worth shortening.
    std::vector<Level> ims{std::move(im0)}, tps{std::move(tp0)};
    auto levelPositions = [&](int L) {
      return (((static_cast<std::int64_t>(s->sr) - s->sl) >> L) + 1) *
             (((static_cast<std::int64_t>(s->sb) - s->st) >> L) + 1);
    };
    while (tps.back().w >= 64 && tps.back().h >= 64 && levelPositions(static_cast<int>(tps.size()) - 1) > 64) {
      ims.push_back(Reduce(ims.back()));
      tps.push_back(Reduce(tps.back()));
    }
    const int top = static_cast<int>(tps.size()) - 1;
    if (top == 0) return MatchTemplateExhaustive(image, search, clip, templ, templRect, xOut, yOut);

    // Level positions: full-resolution position p = a0 + u * 2^L.
    auto toLevel = [](int p, int a0, int L) {
      const int d = p - a0;
      return d >= 0 ? d >> L : -((-d + (1 << L) - 1) >> L);
    };
    const double minW = static_cast<double>(s->minPairs);
    auto score = [&](int L, int u, int v) {
      return LevelScore(ims[static_cast<std::size_t>(L)], tps[static_cast<std::size_t>(L)], u, v, minW);
    };
    // Every position at the coarsest level; the few best local minima go
    // on, since a coarse level sees the template only to within its block
    // size and the true place need not be its very best.
    struct Candidate {
      double score;
      int u, v;
    };
    std::vector<Candidate> candidates;
    {
      const int u0 = toLevel(s->sl, ax0, top), u1 = toLevel(s->sr, ax0, top);
      const int v0 = toLevel(s->st, ay0, top), v1 = toLevel(s->sb, ay0, top);
      const int gw = u1 - u0 + 1, gh = v1 - v0 + 1;
      std::vector<double> grid(static_cast<std::size_t>(gw) * gh, -1.0);
      for (int v = v0; v <= v1; ++v)
        for (int u = u0; u <= u1; ++u) grid[static_cast<std::size_t>(v - v0) * gw + (u - u0)] = score(top, u, v);
      for (int j = 0; j < gh; ++j)
        for (int i = 0; i < gw; ++i) {
          const double sc = grid[static_cast<std::size_t>(j) * gw + i];
          if (sc < 0) continue;
          bool minimum = true;
          for (int dj = -1; dj <= 1 && minimum; ++dj)
            for (int di = -1; di <= 1 && minimum; ++di) {
              const int ni = i + di, nj = j + dj;
              if ((!di && !dj) || ni < 0 || nj < 0 || ni >= gw || nj >= gh) continue;
              const double o = grid[static_cast<std::size_t>(nj) * gw + ni];
              if (o >= 0 && (o < sc || (o == sc && (nj < j || (nj == j && ni < i))))) minimum = false;
            }
          if (minimum) candidates.push_back({sc, u0 + i, v0 + j});
        }
    }
    if (candidates.empty()) return MatchTemplateExhaustive(image, search, clip, templ, templRect, xOut, yOut);
    constexpr std::size_t kCandidates = 4;
    auto byScore = [](const Candidate& a, const Candidate& b) { return a.score < b.score; };
    std::stable_sort(candidates.begin(), candidates.end(), byScore);
    if (candidates.size() > kCandidates) candidates.resize(kCandidates);
    // Each is refined level by level within two pixels of its doubled place.
    for (Candidate& c : candidates)
      for (int L = top - 1; L >= 1; --L) {
        const int u0 = std::max(2 * c.u - 2, toLevel(s->sl, ax0, L)),
                  u1 = std::min(2 * c.u + 2, toLevel(s->sr, ax0, L));
        const int v0 = std::max(2 * c.v - 2, toLevel(s->st, ay0, L)),
                  v1 = std::min(2 * c.v + 2, toLevel(s->sb, ay0, L));
        Candidate best{kNoScoreYet, 2 * c.u, 2 * c.v};
        for (int v = v0; v <= v1; ++v)
          for (int u = u0; u <= u1; ++u) {
            const double sc = score(L, u, v);
            if (sc >= 0 && sc < best.score) best = {sc, u, v};
          }
        c = best;
      }
    std::stable_sort(candidates.begin(), candidates.end(), byScore);
    // The final pass scores exactly around the two best; of equal scores the
    // position met first in the search's row order wins.
    double bestScore = kNoScoreYet;
    int bx = -1, by = -1;
    for (std::size_t k = 0; k < std::min<std::size_t>(2, candidates.size()); ++k) {
      const int cx = ax0 + 2 * candidates[k].u, cy = ay0 + 2 * candidates[k].v;
      int x = -1, y = -1;
      if (!s->BestIn(cx - 2, cy - 2, cx + 2, cy + 2, &x, &y)) continue;
      const double sc = s->Score(x, y);
      if (sc < bestScore || (sc == bestScore && (y < by || (y == by && x < bx)))) bestScore = sc, bx = x, by = y;
    }
    if (bx < 0 && by < 0 && bestScore == kNoScoreYet)
      return MatchTemplateExhaustive(image, search, clip, templ, templRect, xOut, yOut);
    if (xOut) *xOut = bx;
    if (yOut) *yOut = by;
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

}  // namespace qzn
