// Imaging library: sample access, histograms and the optimal threshold,
// rectangle statistics, resampling, and the geometric operations (mirror,
// transpose, rotate, crop), negation and painting.
#include "raster/imaging.h"

#include <array>
#include <cstring>
#include <cmath>
#include <vector>

#include "platform/parallel.h"
#include "raster/imaging_internal.h"

namespace qzn {

using namespace imaging_detail;

int TDGetPixel(const CRasterImage* image, int x, int y, int plane) {
  if (!image || !image->pixels || x < 0 || y < 0 || x >= image->width || y >= image->height || plane < 0 ||
      plane >= image->planes)
    return 0;
  const BYTE* row = image->GetRow(y, plane);
  switch (image->bitsPerSample) {
    case 1: return Bit(row, x);
    case 8: return row[x];
    case 16: {
      std::uint16_t v;
      std::memcpy(&v, row + 2 * static_cast<std::int64_t>(x), 2);
      return v;
    }
    default: return 0;
  }
}

int GenHistogram(const CRasterImage* image, const CImageArea* area, int* bins) {
  if (!bins) return 0;
  std::fill(bins, bins + 256, 0);
  if (!image || !image->pixels) return 0;
  const int plane = area ? area->plane : 0;
  if (plane < 0 || plane >= image->planes) return 0;
  const Span s = ClipArea(image, area);
  if (s.empty()) return 1;
  // Counted in 64 bits and saturated: a 20000 x 15000 scan of one value fits
  // an int, a larger one would not.
  const int bits = image->bitsPerSample;
  if (bits != 8 && bits != 1 && bits != 16) return 0;
  // Bands of rows counted side by side, then added up.
  const std::int64_t rows = s.y1 - s.y0;
  const std::int64_t bands = BandCount(rows, 64);
  std::vector<std::array<std::int64_t, 256>> counts(static_cast<std::size_t>(bands));
  ParallelFor(bands, [&](std::int64_t b) {
    std::array<std::int64_t, 256>& h = counts[static_cast<std::size_t>(b)];
    h.fill(0);
    std::array<std::int64_t, 256> more[3] = {};
    const int ya = s.y0 + static_cast<int>(BandStart(b, bands, rows));
    const int yb = s.y0 + static_cast<int>(BandStart(b + 1, bands, rows));
    for (int y = ya; y < yb; ++y) {
      const BYTE* row = image->GetRow(y, plane);
      if (bits == 8) {
        // Eight pixels of one grey (the paper, most of a scan) are counted
        // at once; others in four tallies taken in turn, since runs of one
        // grey would otherwise wait on the same counter pixel after pixel.
        int x = s.x0;
        for (; x + 8 <= s.x1; x += 8) {
          std::uint64_t word;
          std::memcpy(&word, row + x, 8);
          if (word == (word & 0xFF) * 0x0101010101010101u) {
            h[word & 0xFF] += 8;
            continue;
          }
          ++h[row[x]];
          ++more[0][row[x + 1]];
          ++more[1][row[x + 2]];
          ++more[2][row[x + 3]];
          ++h[row[x + 4]];
          ++more[0][row[x + 5]];
          ++more[1][row[x + 6]];
          ++more[2][row[x + 7]];
        }
        for (; x < s.x1; ++x) ++h[row[x]];
      } else if (bits == 1) {
        for (int x = s.x0; x < s.x1; ++x) ++h[Bit(row, x)];
      } else {
        for (int x = s.x0; x < s.x1; ++x) {
          std::uint16_t v;
          std::memcpy(&v, row + 2 * static_cast<std::int64_t>(x), 2);
          ++h[v >> 8];
        }
      }
    }
    for (const auto& m : more)
      for (std::size_t v = 0; v < 256; ++v) h[v] += m[v];
  });
  for (int i = 0; i < 256; ++i) {
    std::int64_t total = 0;
    for (const auto& h : counts) total += h[static_cast<std::size_t>(i)];
    bins[i] = static_cast<int>(std::min<std::int64_t>(total, INT32_MAX));
  }
  return 1;
}

// Otsu's method: the threshold t maximising the between-class variance
// w0 w1 (m0 - m1)^2 of the classes [0, t] and [t + 1, count - 1]. The first
// maximum wins. A histogram with one occupied level returns that level.
int GetOptimalThresh(const int* bins, int count) {
  if (!bins || count <= 0) return 0;
  double total = 0, sum = 0;
  int first = -1;
  for (int i = 0; i < count; ++i) {
    const double c = std::max(bins[i], 0);
    total += c;
    sum += c * i;
    if (c > 0 && first < 0) first = i;
  }
  if (first < 0) return 0;
  double w0 = 0, sum0 = 0, best = -1;
  int thresh = first;
  for (int t = 0; t < count; ++t) {
    const double c = std::max(bins[t], 0);
    w0 += c;
    sum0 += c * t;
    if (w0 == 0) continue;
    const double w1 = total - w0;
    if (w1 <= 0) break;
    const double m0 = sum0 / w0, m1 = (sum - sum0) / w1;
    const double v = w0 * w1 * (m0 - m1) * (m0 - m1);
    if (v > best) {
      best = v;
      thresh = t;
    }
  }
  return thresh;
}

void ClearImageBounds8(BYTE* plane, int width, int height, BYTE fill) {
  if (!plane || width <= 0 || height <= 0) return;
  const std::int64_t w = width;
  std::memset(plane, fill, static_cast<std::size_t>(w));
  std::memset(plane + w * (height - 1), fill, static_cast<std::size_t>(w));
  for (std::int64_t y = 0; y < height; ++y) {
    plane[y * w] = fill;
    plane[y * w + w - 1] = fill;
  }
}

int ImageGetRGBFeature24(const BYTE* pixels, int width, int height, int left, int top, int w, int h, float* f) {
  if (!pixels || !f || width <= 0 || height <= 0) return 0;
  const Span s = ClipRect(left, top, w, h, width, height);
  if (s.empty()) return 0;
  const std::int64_t planeBytes = static_cast<std::int64_t>(width) * height;
  const double n = static_cast<double>(s.w()) * s.h();
  for (int k = 0; k < 3; ++k) {
    std::uint64_t sum = 0, sum2 = 0;
    for (int y = s.y0; y < s.y1; ++y) {
      const BYTE* row = pixels + planeBytes * k + static_cast<std::int64_t>(y) * width;
      for (int x = s.x0; x < s.x1; ++x) {
        sum += row[x];
        sum2 += static_cast<std::uint64_t>(row[x]) * row[x];
      }
    }
    const double mean = sum / n;
    const double var = std::max(0.0, sum2 / n - mean * mean);
    f[2 * k] = static_cast<float>(mean);
    f[2 * k + 1] = static_cast<float>(std::sqrt(var));
  }
  return 1;
}

int PrepareImageColor8LUT(const CRasterImage* image, int left, int top, int w, int h, BYTE* lut) {
  if (!image || !lut) return 0;
  if (!image->IsPaletteColor() && !image->IsSeparated()) return 0;
  std::memset(lut, 0, 256);
  const Span s = ClipRect(left, top, w, h, image->width, image->height);
  if (s.empty()) return 0;
  for (int y = s.y0; y < s.y1; ++y) {
    const BYTE* row = image->GetRow(y);
    for (int x = s.x0; x < s.x1; ++x) lut[row[x]] = 1;
  }
  return 1;
}

namespace {

bool RectInside(int w, int h, int x, int y, int rw, int rh) {
  return w > 0 && h > 0 && rw > 0 && rh > 0 && x >= 0 && y >= 0 && static_cast<std::int64_t>(x) + rw <= w &&
         static_cast<std::int64_t>(y) + rh <= h;
}

}  // namespace

// Nearest pixel: target pixel i takes source pixel floor(i * sw / tw).
int SizeImage1(const BYTE* src, int sw, int sh, int sx, int sy, int sw2, int sh2, BYTE* dst, int tw, int th, int tx,
               int ty, int tw2, int th2) {
  if (!src || !dst || !RectInside(sw, sh, sx, sy, sw2, sh2) || !RectInside(tw, th, tx, ty, tw2, th2)) return 0;
  const std::int64_t srb = (static_cast<std::int64_t>(sw) + 7) / 8;
  const std::int64_t trb = (static_cast<std::int64_t>(tw) + 7) / 8;
  auto xs = Alloc<std::int64_t>(tw2);
  if (!xs) return 0;
  for (int i = 0; i < tw2; ++i) xs[i] = sx + static_cast<std::int64_t>(i) * sw2 / tw2;
  for (int j = 0; j < th2; ++j) {
    const BYTE* in = src + (sy + static_cast<std::int64_t>(j) * sh2 / th2) * srb;
    BYTE* out = dst + (ty + static_cast<std::int64_t>(j)) * trb;
    for (int i = 0; i < tw2; ++i) PutBit(out, tx + i, Bit(in, xs[i]));
  }
  return 1;
}

// Bilinear between pixel centres: target pixel i samples the source at
// (i + 0.5) * sw / tw - 0.5, clamped to the source's edge pixels.
int SizeImage8(const BYTE* src, int sw, int sh, int sx, int sy, int sw2, int sh2, BYTE* dst, int tw, int th, int tx,
               int ty, int tw2, int th2) {
  if (!src || !dst || !RectInside(sw, sh, sx, sy, sw2, sh2) || !RectInside(tw, th, tx, ty, tw2, th2)) return 0;
  struct Tap {
    int i0, i1;
    int w1;  // weight of i1 in 1/2048
  };
  auto taps = [](int n, int sn, std::vector<Tap>& out) {
    out.resize(static_cast<std::size_t>(n));
    const double scale = static_cast<double>(sn) / n;
    for (int i = 0; i < n; ++i) {
      double p = (i + 0.5) * scale - 0.5;
      if (p < 0) p = 0;
      int i0 = static_cast<int>(p);
      if (i0 > sn - 1) i0 = sn - 1;
      const int i1 = std::min(i0 + 1, sn - 1);
      int w1 = static_cast<int>(std::lround((p - i0) * 2048));
      if (i1 == i0) w1 = 0;
      out[static_cast<std::size_t>(i)] = Tap{i0, i1, w1};
    }
  };
  std::vector<Tap> xt, yt;
  taps(tw2, sw2, xt);
  taps(th2, sh2, yt);
  std::vector<int> top(static_cast<std::size_t>(tw2)), bot(static_cast<std::size_t>(tw2));
  auto hrow = [&](const BYTE* in, std::vector<int>& out) {
    for (int i = 0; i < tw2; ++i) {
      const Tap& t = xt[static_cast<std::size_t>(i)];
      out[static_cast<std::size_t>(i)] = in[t.i0] * (2048 - t.w1) + in[t.i1] * t.w1;
    }
  };
  for (int j = 0; j < th2; ++j) {
    const Tap& t = yt[static_cast<std::size_t>(j)];
    const BYTE* r0 = src + (sy + static_cast<std::int64_t>(t.i0)) * sw + sx;
    const BYTE* r1 = src + (sy + static_cast<std::int64_t>(t.i1)) * sw + sx;
    hrow(r0, top);
    hrow(r1, bot);
    BYTE* out = dst + (ty + static_cast<std::int64_t>(j)) * tw + tx;
    for (int i = 0; i < tw2; ++i) {
      const std::int64_t v = static_cast<std::int64_t>(top[static_cast<std::size_t>(i)]) * (2048 - t.w1) +
                             static_cast<std::int64_t>(bot[static_cast<std::size_t>(i)]) * t.w1;
      out[i] = static_cast<BYTE>((v + (1 << 21)) >> 22);
    }
  }
  return 1;
}

namespace {

// Reverses bits [x0, x1) of a packed row.
void ReverseBits(BYTE* row, int x0, int x1) {
  for (int a = x0, b = x1 - 1; a < b; ++a, --b) {
    const int va = Bit(row, a), vb = Bit(row, b);
    PutBit(row, a, vb);
    PutBit(row, b, va);
  }
}

}  // namespace

int MirrorInPlace(CRasterImage* image, int left, int top, int w, int h, int direction) {
  if (!image || !image->pixels) return 0;
  const int bits = image->bitsPerSample;
  if (bits != 1 && bits != 8 && bits != 16) return 0;
  const Span s = ClipRect(left, top, w, h, image->width, image->height);
  if (s.empty()) return 1;
  const int bpp = bits / 8;
  for (int n = 0; n < image->planes; ++n) {
    if (direction == 1) {
      std::vector<BYTE> tmp(static_cast<std::size_t>(image->GetRowBytes()));
      for (int a = s.y0, b = s.y1 - 1; a < b; ++a, --b) {
        BYTE* ra = image->GetRow(a, n);
        BYTE* rb = image->GetRow(b, n);
        if (bits == 1) {
          for (int x = s.x0; x < s.x1; ++x) {
            const int va = Bit(ra, x);
            PutBit(ra, x, Bit(rb, x));
            PutBit(rb, x, va);
          }
        } else {
          const std::size_t off = static_cast<std::size_t>(s.x0) * bpp, len = static_cast<std::size_t>(s.w()) * bpp;
          std::memcpy(tmp.data(), ra + off, len);
          std::memcpy(ra + off, rb + off, len);
          std::memcpy(rb + off, tmp.data(), len);
        }
      }
    } else {
      for (int y = s.y0; y < s.y1; ++y) {
        BYTE* row = image->GetRow(y, n);
        if (bits == 1) {
          ReverseBits(row, s.x0, s.x1);
        } else if (bits == 8) {
          std::reverse(row + s.x0, row + s.x1);
        } else {
          auto* p = row + 2 * static_cast<std::int64_t>(s.x0);
          for (int a = 0, b = s.w() - 1; a < b; ++a, --b) {
            std::swap(p[2 * a], p[2 * b]);
            std::swap(p[2 * a + 1], p[2 * b + 1]);
          }
        }
      }
    }
  }
  return 1;
}

int TransposeImage(CRasterImage* image) {
  if (!image || !image->pixels) return 0;
  const int bits = image->bitsPerSample;
  if (bits != 1 && bits != 8 && bits != 16) return 0;
  const int W = image->width, H = image->height;
  // Target rows have H pixels.
  const std::int64_t trb =
      bits == 1 ? (static_cast<std::int64_t>(H) + 7) / 8 : static_cast<std::int64_t>(H) * (bits / 8);
  const std::int64_t tPlane = trb * W;
  auto block = Alloc<BYTE>(tPlane * image->planes);
  if (!block) return 0;
  if (bits == 1) std::memset(block.get(), 0, static_cast<std::size_t>(tPlane * image->planes));
  constexpr int kTile = 64;  // tiles keep both sides of the copy in cache
  for (int n = 0; n < image->planes; ++n) {
    BYTE* dst = block.get() + tPlane * n;
    for (int ty = 0; ty < H; ty += kTile) {
      for (int tx = 0; tx < W; tx += kTile) {
        const int ye = std::min(H, ty + kTile), xe = std::min(W, tx + kTile);
        for (int y = ty; y < ye; ++y) {
          const BYTE* row = image->GetRow(y, n);
          for (int x = tx; x < xe; ++x) {
            BYTE* drow = dst + trb * x;
            if (bits == 8) {
              drow[y] = row[x];
            } else if (bits == 16) {
              drow[2 * static_cast<std::int64_t>(y)] = row[2 * static_cast<std::int64_t>(x)];
              drow[2 * static_cast<std::int64_t>(y) + 1] = row[2 * static_cast<std::int64_t>(x) + 1];
            } else if (Bit(row, x)) {
              drow[y >> 3] |= static_cast<BYTE>(0x80 >> (y & 7));
            }
          }
        }
      }
    }
  }
  std::swap(image->width, image->height);
  std::swap(image->xResolution, image->yResolution);
  image->SetPixelBlock(std::move(block));
  return 1;
}

// Rotation about the centre, mapped the way control points are rotated: with
// g = -angle in radians, old centre c = ((w - 1) / 2, (h - 1) / 2) and new
// centre c' likewise (integer division), a pixel p goes to
// c' + (cos g dx - sin g dy, cos g dy + sin g dx), (dx, dy) = p - c. Each
// target pixel takes the nearest source pixel of the inverse map, so class
// numbers, palette indices and bilevel lines keep their values; the canvas is
// the smallest that holds every rotated pixel, the rest filled with white.
int RotateImage(CRasterImage* image, double angle) {
  if (!image || !image->pixels) return 0;
  const int bits = image->bitsPerSample;
  if (bits != 1 && bits != 8) return 0;
  // A damaged script or dialog value must not reach the canvas arithmetic;
  // whole turns are taken off exactly first.
  if (!std::isfinite(angle)) return 0;
  const double g = -std::fmod(angle, 360.0) * M_PI / 180.0;
  double c = std::cos(g), s = std::sin(g);
  // Snap the quarter turns so they are exact.
  if (std::fabs(c) < 1e-12) c = 0;
  if (std::fabs(s) < 1e-12) s = 0;
  const int W = image->width, H = image->height;
  const int ocx = (W - 1) / 2, ocy = (H - 1) / 2;
  double minx = 1e300, maxx = -1e300, miny = 1e300, maxy = -1e300;
  for (int k = 0; k < 4; ++k) {
    const double dx = (k & 1 ? W - 1 : 0) - ocx, dy = (k & 2 ? H - 1 : 0) - ocy;
    const double rx = c * dx - s * dy, ry = c * dy + s * dx;
    minx = std::min(minx, rx);
    maxx = std::max(maxx, rx);
    miny = std::min(miny, ry);
    maxy = std::max(maxy, ry);
  }
  constexpr double kTol = 0.5 + 1e-6;
  auto fit = [&](double lo, double hi) {
    std::int64_t n = std::llround(hi - lo) + 1;
    while ((n - 1) / 2 + lo < -kTol || (n - 1) / 2 + hi > n - 1 + kTol) ++n;
    return n;
  };
  const std::int64_t NW = fit(minx, maxx), NH = fit(miny, maxy);
  if (NW > INT32_MAX || NH > INT32_MAX) return 0;
  const int ncx = static_cast<int>((NW - 1) / 2), ncy = static_cast<int>((NH - 1) / 2);
  const std::int64_t nrb = bits == 1 ? (NW + 7) / 8 : NW;
  auto block = Alloc<BYTE>(nrb * NH * image->planes);
  if (!block) return 0;
  BYTE whites[3];
  for (int n = 0; n < image->planes; ++n) whites[n % 3] = n == 0 ? WhiteFill(image) : image->WhiteValue();
  for (int n = 0; n < image->planes; ++n) {
    const BYTE white = whites[n % 3];
    BYTE* dstPlane = block.get() + nrb * NH * n;
    for (std::int64_t qy = 0; qy < NH; ++qy) {
      BYTE* out = dstPlane + nrb * qy;
      if (bits == 1) std::memset(out, white ? 0xFF : 0, static_cast<std::size_t>(nrb));
      const double ey = static_cast<double>(qy - ncy);
      // p = c_old + R(-g) (q - c_new)
      const double px0 = ocx + c * (0 - ncx) + s * ey;
      const double py0 = ocy - s * (0 - ncx) + c * ey;
      // Source position in 32.32 fixed point, stepped along the row; the
      // arithmetic shift of position + 1/2 is floor(p + 0.5).
      constexpr double kOne = 4294967296.0;
      std::int64_t fx = std::llround(px0 * kOne) + (std::int64_t{1} << 31);
      std::int64_t fy = std::llround(py0 * kOne) + (std::int64_t{1} << 31);
      const std::int64_t dfx = std::llround(c * kOne), dfy = std::llround(-s * kOne);
      const BYTE* srcPlane = image->GetPlane(n);
      const std::int64_t srb = image->GetRowBytes();
      for (std::int64_t qx = 0; qx < NW; ++qx, fx += dfx, fy += dfy) {
        const std::int64_t ix = fx >> 32, iy = fy >> 32;
        const bool in = ix >= 0 && iy >= 0 && ix < W && iy < H;
        if (bits == 8) {
          out[qx] = in ? srcPlane[iy * srb + ix] : white;
        } else if (in) {
          PutBit(out, qx, Bit(srcPlane + iy * srb, ix));
        }
      }
      if (bits == 1 && (NW & 7)) out[nrb - 1] &= static_cast<BYTE>(0xFF << (8 - (NW & 7)));
    }
  }
  image->width = static_cast<std::int32_t>(NW);
  image->height = static_cast<std::int32_t>(NH);
  image->SetPixelBlock(std::move(block));
  return 1;
}

int CropImage(CRasterImage* image, int left, int top, int w, int h) {
  if (!image || !image->pixels) return 0;
  const int bits = image->bitsPerSample;
  if (bits != 1 && bits != 8 && bits != 16) return 0;
  const Span s = ClipRect(left, top, w, h, image->width, image->height);
  if (s.empty()) return 0;
  const std::int64_t nrb =
      bits == 1 ? (static_cast<std::int64_t>(s.w()) + 7) / 8 : static_cast<std::int64_t>(s.w()) * (bits / 8);
  const std::int64_t nPlane = nrb * s.h();
  auto block = Alloc<BYTE>(nPlane * image->planes);
  if (!block) return 0;
  for (int n = 0; n < image->planes; ++n) {
    for (int y = s.y0; y < s.y1; ++y) {
      const BYTE* in = image->GetRow(y, n);
      BYTE* out = block.get() + nPlane * n + nrb * (y - s.y0);
      if (bits != 1) {
        std::memcpy(out, in + static_cast<std::int64_t>(s.x0) * (bits / 8), static_cast<std::size_t>(nrb));
      } else {
        const int sh = s.x0 & 7;
        const std::int64_t b0 = s.x0 >> 3, inBytes = (static_cast<std::int64_t>(s.x1) + 7) / 8;
        for (std::int64_t i = 0; i < nrb; ++i) {
          const int hi = in[b0 + i] << sh;
          const int lo = (sh && b0 + i + 1 < inBytes) ? in[b0 + i + 1] >> (8 - sh) : 0;
          out[i] = static_cast<BYTE>(hi | lo);
        }
        if (s.w() & 7) out[nrb - 1] &= static_cast<BYTE>(0xFF << (8 - (s.w() & 7)));
      }
    }
  }
  image->width = s.w();
  image->height = s.h();
  image->SetPixelBlock(std::move(block));
  return 1;
}

int NegateImage(CRasterImage* image, const CImageArea* area) {
  if (!image || !image->pixels) return 0;
  const int plane = area ? area->plane : 0;
  if (plane < 0 || plane >= image->planes) return 0;
  const Span s = ClipArea(image, area);
  if (s.empty()) return 1;
  for (int y = s.y0; y < s.y1; ++y) {
    BYTE* row = image->GetRow(y, plane);
    if (image->bitsPerSample == 8) {
      for (int x = s.x0; x < s.x1; ++x) row[x] = static_cast<BYTE>(255 - row[x]);
    } else if (image->bitsPerSample == 1) {
      for (int x = s.x0; x < s.x1; ++x) {
        if ((x & 7) == 0 && x + 8 <= s.x1) {
          row[x >> 3] = static_cast<BYTE>(~row[x >> 3]);
          x += 7;
        } else {
          row[x >> 3] ^= static_cast<BYTE>(0x80 >> (x & 7));
        }
      }
    } else {
      return 0;
    }
  }
  return 1;
}

int SetImageArea(CRasterImage* image, const CImageArea* area, int r, int g, int b) {
  if (!image || !image->pixels) return 0;
  const int bits = image->bitsPerSample;
  if (bits != 1 && bits != 8) return 0;
  const Span s = ClipArea(image, area);
  if (s.empty()) return 1;
  const BYTE rgb[3] = {static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b)};
  const bool rgbImage = image->IsRGB();
  const int plane = rgbImage ? 0 : (area ? area->plane : 0);
  if (plane < 0 || plane >= image->planes) return 0;
  const int last = rgbImage ? 2 : plane;
  for (int n = plane; n <= last; ++n) {
    for (int y = s.y0; y < s.y1; ++y) {
      BYTE* row = image->GetRow(y, n);
      if (bits == 8)
        std::memset(row + s.x0, rgb[rgbImage ? n : 0], static_cast<std::size_t>(s.w()));
      else
        for (int x = s.x0; x < s.x1; ++x) PutBit(row, x, r != 0);
    }
  }
  return 1;
}

}  // namespace qzn
