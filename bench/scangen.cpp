#include "bench/scangen.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <stdexcept>
#include <utility>

#include "platform/atomicfile.h"

using namespace qzn;

namespace scangen {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// splitmix64: small, fast and the same on every platform (the standard
// library's distributions are not), so a seed names one picture everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // [0, 1)
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  // [lo, hi], both included.
  std::int64_t Int(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
  }

 private:
  std::uint64_t m_state;
};

// Every kind of element draws from its own stream, so changing how many of
// one kind there are leaves the others where they were.
Random Stream(std::uint32_t seed, std::uint64_t kind) {
  Random mix((static_cast<std::uint64_t>(seed) << 8) ^ kind);
  return Random(mix.Next());
}

struct Pt {
  double x, y;
};

// Anti-aliased strokes, darker wins. Pixel (x, y) is the point (x, y).
class Painter {
 public:
  // edge: the width of the fade from ink to paper at a stroke's edge.
  Painter(GreyImage& img, double edge) : m_img(img), m_edge(edge) {}

  // A capsule of radius r around the segment a-b: full ink within r - edge /
  // 2, fading to paper at r + edge / 2. Only the rows and spans the capsule
  // can reach are visited, so the cost is proportional to the inked area.
  void Segment(Pt a, Pt b, double r, std::uint8_t ink) {
    const double outer = r + m_edge / 2, inner = std::max(0.0, r - m_edge / 2);
    const double minX = std::min(a.x, b.x) - outer, maxX = std::max(a.x, b.x) + outer;
    const double minY = std::min(a.y, b.y) - outer, maxY = std::max(a.y, b.y) + outer;
    const std::int64_t w = m_img.width, h = m_img.height;
    if (maxX < 0 || maxY < 0 || minX > static_cast<double>(w - 1) || minY > static_cast<double>(h - 1)) return;
    const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy, len = std::sqrt(len2);
    const double outer2 = outer * outer, inner2 = inner * inner;
    const bool steep = std::fabs(dy) > 1e-6;
    const double halfSpan = steep ? outer * len / std::fabs(dy) : 0.0;
    const std::int64_t y0 = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(minY)));
    const std::int64_t y1 = std::min<std::int64_t>(h - 1, static_cast<std::int64_t>(std::floor(maxY)));
    const int paperMinusInk = 255 - ink;
    for (std::int64_t y = y0; y <= y1; ++y) {
      double lo = minX, hi = maxX;
      if (steep) {
        const double xc = a.x + (static_cast<double>(y) - a.y) * dx / dy;
        lo = std::max(lo, xc - halfSpan);
        hi = std::min(hi, xc + halfSpan);
      }
      const std::int64_t x0 = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(lo)));
      const std::int64_t x1 = std::min<std::int64_t>(w - 1, static_cast<std::int64_t>(std::floor(hi)));
      std::uint8_t* row = m_img.pixels.data() + y * w;
      const double py = static_cast<double>(y) - a.y;
      for (std::int64_t x = x0; x <= x1; ++x) {
        const double px = static_cast<double>(x) - a.x;
        double t = len2 > 0 ? (px * dx + py * dy) / len2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        const double ex = px - t * dx, ey = py - t * dy, d2 = ex * ex + ey * ey;
        if (d2 >= outer2) continue;
        int v = ink;
        if (d2 > inner2) {
          const double cover = std::clamp((outer - std::sqrt(d2)) / m_edge, 0.0, 1.0);
          v = 255 - static_cast<int>(cover * paperMinusInk + 0.5);
        }
        if (v < row[x]) row[x] = static_cast<std::uint8_t>(v);
      }
    }
  }

  void Polyline(const std::vector<Pt>& pts, bool closed, double r, std::uint8_t ink) {
    for (std::size_t i = 1; i < pts.size(); ++i) Segment(pts[i - 1], pts[i], r, ink);
    if (closed && pts.size() > 2) Segment(pts.back(), pts.front(), r, ink);
  }

  void Dot(std::int64_t x, std::int64_t y, std::uint8_t ink) {
    if (x < 0 || y < 0 || x >= m_img.width || y >= m_img.height) return;
    std::uint8_t& p = m_img.pixels[static_cast<std::size_t>(y * m_img.width + x)];
    p = std::min(p, ink);
  }

 private:
  GreyImage& m_img;
  double m_edge;
};

double LineRadius(Random& rng, const Options& opt) {
  return static_cast<double>(rng.Int(opt.minLineWidth, opt.maxLineWidth)) / 2.0;
}

std::uint8_t Ink(Random& rng) { return static_cast<std::uint8_t>(rng.Int(10, 70)); }

std::int64_t AutoCount(int given, double perUnit) {
  return given >= 0 ? given : std::max<std::int64_t>(1, static_cast<std::int64_t>(perUnit));
}

// Nests of closed loops around "hills": each hill has one smooth star-shaped
// outline, scaled for every loop and given a little wobble of its own that is
// too small to make neighbouring loops touch, so loops nest like contours.
void DrawHills(Painter& paint, const Options& opt, std::int64_t loops) {
  if (loops <= 0) return;
  Random rng = Stream(opt.seed, 1);
  const double W = static_cast<double>(opt.width), H = static_cast<double>(opt.height);
  const std::int64_t hills = std::max<std::int64_t>(1, (loops + 4) / 8);
  const std::int64_t cols = std::max<std::int64_t>(1, std::llround(std::sqrt(static_cast<double>(hills) * W / H)));
  const std::int64_t rows = (hills + cols - 1) / cols;
  const double cw = W / static_cast<double>(cols), ch = H / static_cast<double>(rows);

  std::vector<std::int64_t> cells(static_cast<std::size_t>(cols * rows));
  for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<std::int64_t>(i);
  for (std::size_t i = cells.size(); i > 1; --i)
    std::swap(cells[i - 1], cells[static_cast<std::size_t>(rng.Int(0, static_cast<std::int64_t>(i) - 1))]);

  std::vector<Pt> pts;
  for (std::int64_t k = 0; k < hills; ++k) {
    const std::int64_t cell = cells[static_cast<std::size_t>(k)];
    const std::int64_t n = loops / hills + (k < loops % hills ? 1 : 0);
    const double cx = (static_cast<double>(cell % cols) + 0.5 + rng.Uniform(-0.05, 0.05)) * cw;
    const double cy = (static_cast<double>(cell / cols) + 0.5 + rng.Uniform(-0.05, 0.05)) * ch;
    double amp[4], phase[4];
    for (int m = 0; m < 4; ++m) {
      amp[m] = rng.Uniform(0.0, 0.25 / (m + 2));
      phase[m] = rng.Uniform(0.0, kTwoPi);
    }
    const double outer = 0.4 * std::min(cw, ch) / 1.33;
    const double spacing = outer / (static_cast<double>(n) + 0.5);
    const double hillRadius = LineRadius(rng, opt);
    const std::uint8_t ink = Ink(rng);
    for (std::int64_t j = 0; j < n; ++j) {
      const double base = spacing * static_cast<double>(j + 1);
      double wob[4], wobPhase[4];
      for (int m = 0; m < 4; ++m) {
        wob[m] = rng.Uniform(0.0, 0.04 * spacing);
        wobPhase[m] = rng.Uniform(0.0, kTwoPi);
      }
      // Every fifth loop is drawn at the widest width, like an index contour.
      const double r = (j % 5 == 4) ? opt.maxLineWidth / 2.0 : hillRadius;
      const std::int64_t count = std::max<std::int64_t>(12, static_cast<std::int64_t>(kTwoPi * base * 1.33 / 3.0));
      pts.clear();
      for (std::int64_t i = 0; i < count; ++i) {
        const double t = kTwoPi * static_cast<double>(i) / static_cast<double>(count);
        double f = 1.0, g = 0.0;
        for (int m = 0; m < 4; ++m) {
          f += amp[m] * std::sin((m + 2) * t + phase[m]);
          g += wob[m] * std::sin((m + 6) * t + wobPhase[m]);
        }
        const double radius = base * f + g;
        pts.push_back({cx + radius * std::cos(t), cy + radius * std::sin(t)});
      }
      paint.Polyline(pts, true, r, ink);
    }
  }
}

// Long open lines crossing the sheet with a few superposed waves.
void DrawWavyLines(Painter& paint, const Options& opt, std::int64_t count) {
  Random rng = Stream(opt.seed, 2);
  const double W = static_cast<double>(opt.width), H = static_cast<double>(opt.height);
  std::vector<Pt> pts;
  for (std::int64_t k = 0; k < count; ++k) {
    const bool across = rng.Uniform() < 0.5;  // left to right, else top to bottom
    const double angle = (across ? 0.0 : std::numbers::pi / 2) + rng.Uniform(-0.4, 0.4);
    const double ux = std::cos(angle), uy = std::sin(angle);
    const Pt start = across ? Pt{-50.0, rng.Uniform(0.0, H)} : Pt{rng.Uniform(0.0, W), -50.0};
    const double length = std::min(2.0 * (W + H), (across ? W / std::fabs(ux) : H / std::fabs(uy)) + 100.0);
    double amp[3], wave[3], phase[3];
    for (int m = 0; m < 3; ++m) {
      amp[m] = rng.Uniform(5.0, 60.0);
      wave[m] = kTwoPi / rng.Uniform(200.0, 2000.0);
      phase[m] = rng.Uniform(0.0, kTwoPi);
    }
    const double r = LineRadius(rng, opt);
    const std::uint8_t ink = Ink(rng);
    pts.clear();
    for (double s = 0.0; s <= length; s += 3.0) {
      double off = 0.0;
      for (int m = 0; m < 3; ++m) off += amp[m] * std::sin(wave[m] * s + phase[m]);
      pts.push_back({start.x + s * ux - off * uy, start.y + s * uy + off * ux});
    }
    paint.Polyline(pts, false, r, ink);
  }
}

// Grid and frame lines parallel to the axes, and short lines at any angle.
void DrawStraightLines(Painter& paint, const Options& opt, std::int64_t count) {
  Random rng = Stream(opt.seed, 3);
  const double W = static_cast<double>(opt.width), H = static_cast<double>(opt.height);
  for (std::int64_t k = 0; k < count; ++k) {
    const double r = LineRadius(rng, opt);
    const std::uint8_t ink = Ink(rng);
    const double kind = rng.Uniform();
    Pt a{rng.Uniform(0.0, W), rng.Uniform(0.0, H)}, b = a;
    if (kind < 0.15) {
      b.x = a.x + rng.Uniform(0.2, 0.8) * W;
    } else if (kind < 0.3) {
      b.y = a.y + rng.Uniform(0.2, 0.8) * H;
    } else {
      const double angle = rng.Uniform(0.0, kTwoPi), len = rng.Uniform(30.0, 600.0);
      b = {a.x + len * std::cos(angle), a.y + len * std::sin(angle)};
    }
    paint.Segment(a, b, r, ink);
  }
}

// A map grid from edge to edge, slightly off the axes as a scanned sheet is,
// drawn at the widest width.
void DrawGrid(Painter& paint, const Options& opt) {
  if (opt.gridSpacing <= 0) return;
  Random rng = Stream(opt.seed, 6);
  const double W = static_cast<double>(opt.width), H = static_cast<double>(opt.height);
  const double step = static_cast<double>(opt.gridSpacing), r = opt.maxLineWidth / 2.0;
  const double skew = rng.Uniform(-0.002, 0.002);  // radians, the sheet's tilt on the scanner
  const std::uint8_t ink = Ink(rng);
  for (double x = step / 2; x < W; x += step) paint.Segment({x, -1.0}, {x - skew * H, H}, r, ink);
  for (double y = step / 2; y < H; y += step) paint.Segment({-1.0, y}, {W, y + skew * W}, r, ink);
}

// Words of two to six letters, each letter two to four strokes between the
// points of a 3 x 3 grid in its box; some words are set at an angle, as
// lettering along a feature is.
void DrawTextBlobs(Painter& paint, const Options& opt, std::int64_t count) {
  Random rng = Stream(opt.seed, 4);
  const double W = static_cast<double>(opt.width), H = static_cast<double>(opt.height);
  for (std::int64_t k = 0; k < count; ++k) {
    const double h = rng.Uniform(8.0, 22.0), lw = 0.6 * h, gap = 0.25 * h;
    const std::int64_t letters = rng.Int(2, 6);
    const double angle = rng.Uniform() < 0.3 ? rng.Uniform(-0.5, 0.5) : 0.0;
    const double ca = std::cos(angle), sa = std::sin(angle);
    const Pt origin{rng.Uniform(0.0, W), rng.Uniform(0.0, H)};
    const double r = std::min(opt.maxLineWidth, opt.minLineWidth + (rng.Uniform() < 0.3 ? 1 : 0)) / 2.0;
    const std::uint8_t ink = Ink(rng);
    auto place = [&](double u, double v) { return Pt{origin.x + u * ca - v * sa, origin.y + u * sa + v * ca}; };
    for (std::int64_t l = 0; l < letters; ++l) {
      const double left = static_cast<double>(l) * (lw + gap);
      const std::int64_t strokes = rng.Int(2, 4);
      for (std::int64_t s = 0; s < strokes; ++s) {
        const std::int64_t p = rng.Int(0, 8);
        std::int64_t q = rng.Int(0, 7);
        if (q >= p) ++q;  // two different grid points
        const Pt a = place(left + lw * static_cast<double>(p % 3) / 2.0, h * static_cast<double>(p / 3) / 2.0);
        const Pt b = place(left + lw * static_cast<double>(q % 3) / 2.0, h * static_cast<double>(q / 3) / 2.0);
        paint.Segment(a, b, r, ink);
      }
    }
  }
}

// Dark specks of one pixel, some of two by two.
void DrawNoise(Painter& paint, const Options& opt) {
  if (!(opt.noise > 0.0)) return;
  Random rng = Stream(opt.seed, 5);
  const double area = static_cast<double>(opt.width) * static_cast<double>(opt.height);
  const auto count = static_cast<std::int64_t>(std::min(opt.noise, 1.0) * area);
  for (std::int64_t k = 0; k < count; ++k) {
    const std::int64_t x = rng.Int(0, opt.width - 1), y = rng.Int(0, opt.height - 1);
    const auto ink = static_cast<std::uint8_t>(rng.Int(0, 90));
    paint.Dot(x, y, ink);
    if (rng.Uniform() < 0.2) {
      paint.Dot(x + 1, y, ink);
      paint.Dot(x, y + 1, ink);
      paint.Dot(x + 1, y + 1, ink);
    }
  }
}

// Contour lines as the level lines of a terrain: broad Gaussian hills and
// hollows over the sheet and a margin round it, so that lines also run off
// the edges. A pixel's distance from the nearest level line is taken as the
// height difference over the slope (first order), close enough for strokes
// a few pixels wide. A Gaussian is a product of a column factor and a row
// factor, so the height and its slope cost three multiply-adds a hill and
// pixel.
void DrawTerrain(GreyImage& img, const Options& opt) {
  if (opt.terrainLevels <= 0) return;
  Random rng = Stream(opt.seed, 7);
  const std::int64_t w = img.width, h = img.height;
  const double W = static_cast<double>(w), H = static_cast<double>(h), size = std::min(W, H);
  struct Hill {
    double cx, cy, sigma, height;
  };
  constexpr int kHills = 24;
  std::vector<Hill> hills(kHills);
  for (Hill& hill : hills) {
    hill.cx = rng.Uniform(-0.15, 1.15) * W;
    hill.cy = rng.Uniform(-0.15, 1.15) * H;
    hill.sigma = rng.Uniform(0.06, 0.3) * size;
    hill.height = rng.Uniform(0.4, 1.0) * (rng.Uniform() < 0.3 ? -1.0 : 1.0);
  }
  // Column factors and their derivatives, hill by hill.
  const std::size_t cols = static_cast<std::size_t>(w);
  std::vector<double> gx(kHills * cols), dgx(kHills * cols);
  for (int j = 0; j < kHills; ++j)
    for (std::int64_t x = 0; x < w; ++x) {
      const double u = (static_cast<double>(x) - hills[j].cx) / hills[j].sigma;
      gx[j * cols + static_cast<std::size_t>(x)] = std::exp(-0.5 * u * u);
      dgx[j * cols + static_cast<std::size_t>(x)] = -u / hills[j].sigma * std::exp(-0.5 * u * u);
    }
  std::vector<double> height(cols), slopeX(cols), slopeY(cols);
  auto heightRow = [&](std::int64_t y) {
    std::fill(height.begin(), height.end(), 0.0);
    std::fill(slopeX.begin(), slopeX.end(), 0.0);
    std::fill(slopeY.begin(), slopeY.end(), 0.0);
    for (int j = 0; j < kHills; ++j) {
      const double v = (static_cast<double>(y) - hills[j].cy) / hills[j].sigma;
      const double a = hills[j].height * std::exp(-0.5 * v * v), b = -v / hills[j].sigma * a;
      const double* g = gx.data() + j * cols;
      const double* dg = dgx.data() + j * cols;
      for (std::size_t x = 0; x < cols; ++x) {
        height[x] += a * g[x];
        slopeX[x] += a * dg[x];
        slopeY[x] += b * g[x];
      }
    }
  };
  // The levels span the heights the sheet shows (sampled every 16th row).
  double lo = 1e300, hi = -1e300;
  for (std::int64_t y = 0; y < h; y += 16) {
    heightRow(y);
    for (std::size_t x = 0; x < cols; x += 16) lo = std::min(lo, height[x]), hi = std::max(hi, height[x]);
  }
  const double interval = (hi - lo) / (opt.terrainLevels + 1);
  // Each level its ink and width; every fifth an index contour.
  std::vector<double> radius(static_cast<std::size_t>(opt.terrainLevels) + 3);
  std::vector<std::uint8_t> ink(radius.size());
  for (std::size_t n = 0; n < radius.size(); ++n) {
    radius[n] = n % 5 == 0
                    ? opt.maxLineWidth / 2.0
                    : static_cast<double>(rng.Int(opt.minLineWidth, (opt.minLineWidth + opt.maxLineWidth) / 2)) / 2.0;
    ink[n] = Ink(rng);
  }
  const double edge = opt.edgeWidth;
  for (std::int64_t y = 0; y < h; ++y) {
    heightRow(y);
    std::uint8_t* row = img.pixels.data() + y * w;
    for (std::size_t x = 0; x < cols; ++x) {
      const double t = (height[x] - lo) / interval;
      const double level = std::floor(t + 0.5);
      if (level < 1 || level > opt.terrainLevels) continue;
      const double slope = std::sqrt(slopeX[x] * slopeX[x] + slopeY[x] * slopeY[x]);
      if (!(slope > 0)) continue;
      const double d = std::fabs(t - level) * interval / slope;
      const auto n = static_cast<std::size_t>(level);
      const double cover = std::clamp((radius[n] + edge / 2 - d) / edge, 0.0, 1.0);
      if (cover <= 0) continue;
      const int v = 255 - static_cast<int>(cover * (255 - ink[n]) + 0.5);
      if (v < row[x]) row[x] = static_cast<std::uint8_t>(v);
    }
  }
}

// The scanner's noise, strongest where the sheet is grey: the edges of
// strokes come out ragged, clean paper stays white (as a scan does after its
// white point is set).
void ApplyGrain(GreyImage& img, const Options& opt) {
  if (opt.grain <= 0) return;
  Random rng = Stream(opt.seed, 8);
  for (std::uint8_t& p : img.pixels) {
    const std::int64_t amplitude = opt.grain * std::min<std::int64_t>(p, 255 - p) / 127;
    if (amplitude > 0)
      p = static_cast<std::uint8_t>(std::clamp<std::int64_t>(p + rng.Int(-amplitude, amplitude), 0, 255));
  }
}

}  // namespace

GreyImage Generate(const Options& opt) {
  if (opt.width <= 0 || opt.height <= 0) throw std::invalid_argument("scangen: the image size must be positive");
  if (opt.minLineWidth < 1 || opt.maxLineWidth < opt.minLineWidth)
    throw std::invalid_argument("scangen: line widths must satisfy 1 <= min <= max");
  if (!(opt.edgeWidth > 0) || opt.terrainLevels < 0 || opt.grain < 0)
    throw std::invalid_argument("scangen: the edge width must be positive, levels and grain not negative");
  GreyImage img;
  img.width = opt.width;
  img.height = opt.height;
  img.pixels.assign(static_cast<std::size_t>(opt.width) * static_cast<std::size_t>(opt.height), 255);

  const double area = static_cast<double>(opt.width) * static_cast<double>(opt.height);
  Painter paint(img, opt.edgeWidth);
  DrawTerrain(img, opt);
  DrawHills(paint, opt, AutoCount(opt.contours, area / 40000.0));
  DrawWavyLines(paint, opt, AutoCount(opt.wavyLines, static_cast<double>(opt.width + opt.height) / 600.0));
  DrawStraightLines(paint, opt, AutoCount(opt.straightLines, area / 200000.0));
  DrawTextBlobs(paint, opt, AutoCount(opt.textBlobs, area / 50000.0));
  DrawNoise(paint, opt);
  DrawGrid(paint, opt);
  ApplyGrain(img, opt);
  return img;
}

Options ContourSheet(std::uint32_t seed) {
  Options opt;
  opt.width = 9672;
  opt.height = 8256;
  opt.seed = seed;
  opt.contours = 12000;
  opt.minLineWidth = 2;
  opt.maxLineWidth = 8;
  opt.gridSpacing = 600;
  return opt;
}

Options ScannedSheet(std::uint32_t seed) {
  Options opt;
  opt.width = 9672;
  opt.height = 8256;
  opt.seed = seed;
  opt.contours = 0;
  opt.straightLines = 0;
  opt.wavyLines = 0;
  opt.terrainLevels = 120;
  opt.minLineWidth = 2;
  opt.maxLineWidth = 5;
  opt.noise = 0.0002;
  opt.edgeWidth = 2.5;
  opt.grain = 40;
  return opt;
}

Options ConversionSheet(int kind) {
  Options opt = kind == 0 ? ContourSheet() : ScannedSheet();
  if (const char* size = std::getenv("QZN_BENCH_CONVERT_SIZE")) {
    long long w = 0, h = 0;
    if (std::sscanf(size, "%lldx%lld", &w, &h) == 2 && w > 0 && h > 0) opt.width = w, opt.height = h;
  }
  return opt;
}

namespace {

// A Netpbm file of the image's size: its header (magic number, size, then
// maxval, empty for a bitmap), then what body writes. False on error (the
// target is then left as it was).
template <class Body>
bool WriteNetpbm(const GreyImage& img, const std::string& path, const char* magic, const char* maxval, Body&& body) {
  if (img.width <= 0 || img.height <= 0 ||
      img.pixels.size() != static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height))
    return false;
  CAtomicFile file;
  if (!file.Open(path)) return false;
  char header[64];
  const int n = std::snprintf(header, sizeof header, "%s\n%lld %lld\n%s", magic, static_cast<long long>(img.width),
                              static_cast<long long>(img.height), maxval);
  if (!file.Write(header, static_cast<std::size_t>(n)) || !body(file)) return false;
  return file.Commit();
}

}  // namespace

bool WritePgm(const GreyImage& img, const std::string& path) {
  return WriteNetpbm(img, path, "P5", "255\n",
                     [&](CAtomicFile& file) { return file.Write(img.pixels.data(), img.pixels.size()); });
}

bool WritePbm(const GreyImage& img, const std::string& path) {
  return WriteNetpbm(img, path, "P4", "", [&](CAtomicFile& file) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>((img.width + 7) / 8));
    for (std::int64_t y = 0; y < img.height; ++y) {
      std::fill(row.begin(), row.end(), 0);
      for (std::int64_t x = 0; x < img.width; ++x)
        if (img.at(x, y) < 128) row[static_cast<std::size_t>(x >> 3)] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
      if (!file.Write(row.data(), row.size())) return false;
    }
    return true;
  });
}

namespace {

// Writes the strips of the open TIFF; false on any libtiff error.
bool WriteTiffBody(TIFF* tif, const GreyImage& img, Compression compression) {
  const bool bilevel = compression == Compression::G4;
  const std::size_t rowBytes =
      bilevel ? static_cast<std::size_t>((img.width + 7) / 8) : static_cast<std::size_t>(img.width);
  const auto rowsPerStrip =
      static_cast<std::uint32_t>(std::clamp<std::size_t>((std::size_t{1} << 20) / rowBytes, 1, 65536));

  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(img.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(img.height));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bilevel ? 1 : 8);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, bilevel ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
  TIFFSetField(
      tif, TIFFTAG_COMPRESSION,
      bilevel ? COMPRESSION_CCITTFAX4 : (compression == Compression::Lzw ? COMPRESSION_LZW : COMPRESSION_NONE));
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 300.0f);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, 300.0f);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);

  std::vector<std::uint8_t> strip(rowBytes * rowsPerStrip);
  tstrip_t index = 0;
  for (std::int64_t y0 = 0; y0 < img.height; y0 += rowsPerStrip, ++index) {
    const std::int64_t rows = std::min<std::int64_t>(rowsPerStrip, img.height - y0);
    const std::uint8_t* src = img.pixels.data() + y0 * img.width;
    if (bilevel) {
      std::fill(strip.begin(), strip.end(), 0);
      for (std::int64_t y = 0; y < rows; ++y) {
        std::uint8_t* out = strip.data() + static_cast<std::size_t>(y) * rowBytes;
        const std::uint8_t* in = src + y * img.width;
        for (std::int64_t x = 0; x < img.width; ++x)
          if (in[x] < 128) out[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
      }
    } else {
      std::memcpy(strip.data(), src, static_cast<std::size_t>(rows) * rowBytes);
    }
    if (TIFFWriteEncodedStrip(tif, index, strip.data(), static_cast<tmsize_t>(rows) * static_cast<tmsize_t>(rowBytes)) <
        0)
      return false;
  }
  return TIFFWriteDirectory(tif) == 1;
}

}  // namespace

bool WriteTiff(const GreyImage& img, const std::string& path, Compression compression) {
  if (img.width <= 0 || img.height <= 0 || img.width > 0xFFFFFFFFll || img.height > 0xFFFFFFFFll ||
      img.pixels.size() != static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height))
    return false;
  // Written beside the target and renamed over it only when complete.
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);

  const bool bilevel = compression == Compression::G4;
  const double raw = static_cast<double>(bilevel ? (img.width + 7) / 8 : img.width) * static_cast<double>(img.height);
  const char* mode = raw > 3.5e9 ? "w8" : "w";  // BigTIFF beyond the 4 GB offsets of classic TIFF
  TIFF* tif = TIFFFdOpen(fd, temp.c_str(), mode);
  if (!tif) {
    ::close(fd);
    ::unlink(temp.c_str());
    return false;
  }
  const bool ok = WriteTiffBody(tif, img, compression) && TIFFFlush(tif) == 1;
  TIFFClose(tif);  // also closes fd
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace scangen
