#include "raster/polyfill.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "model/helpers.h"
#include "raster/rasterimage.h"

namespace qzn {

namespace {

// (int)v truncated toward zero, with values beyond any image clamped first.
int TruncClamped(double v) {
  if (!(v > -1.0e9)) return -1000000000;  // NaN lands here too
  if (v > 1.0e9) return 1000000000;
  return static_cast<int>(v);
}

int RoundPixel(float v) { return TruncClamped(static_cast<double>(v) + 0.5); }

// Sets or clears the bits of columns a..b (inclusive) of a packed row.
void SetBitRange(BYTE* row, int a, int b, bool set) {
  if (a > b) return;
  const int b0 = a >> 3, b1 = b >> 3;
  const BYTE first = static_cast<BYTE>(0xFF >> (a & 7));
  const BYTE last = static_cast<BYTE>(0xFF << (7 - (b & 7)));
  auto apply = [&](BYTE& byte, BYTE m) {
    if (set)
      byte |= m;
    else
      byte &= static_cast<BYTE>(~m);
  };
  if (b0 == b1) {
    apply(row[b0], first & last);
    return;
  }
  apply(row[b0], first);
  if (b1 - b0 > 1) std::memset(row + b0 + 1, set ? 0xFF : 0x00, static_cast<std::size_t>(b1 - b0 - 1));
  apply(row[b1], last);
}

// Runs a walk; 1, or 0 when its work memory cannot be had.
template <class Fn>
int Guarded(Fn&& fn) {
  try {
    fn();
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

}  // namespace

CPolygonFiller::CPolygonFiller(int rows) : m_rows(std::max(0, rows)) {
  m_buckets.assign(static_cast<std::size_t>(m_rows), -1);
}

CPolygonFiller::~CPolygonFiller() = default;

void CPolygonFiller::AddEdge(float x0, int y0, float x1, int y1) {
  // Rows run from y0 to y1 (y0 < y1); the part above row 0 is cut off by
  // moving x along the edge, an edge that starts below the last row or ends
  // above row 0 cannot reach any row.
  if (y0 >= m_rows || y1 <= 0) return;
  const float slope = (x1 - x0) / static_cast<float>(y1 - y0);
  float x = x0;
  if (y0 < 0) {
    x = static_cast<float>(static_cast<double>(x0) + static_cast<double>(slope) * (0.0 - y0));
    y0 = 0;
  }
  const std::int32_t index = static_cast<std::int32_t>(m_edges.size());
  m_edges.push_back(Edge{y1, x, slope, m_buckets[static_cast<std::size_t>(y0)]});
  m_buckets[static_cast<std::size_t>(y0)] = index;  // newest first
  m_maxYEnd = std::max(m_maxYEnd, y1);
}

int CPolygonFiller::AddPolygon(std::span<const CFPoint> v) {
  const std::size_t n = v.size();
  if (n < 3) return 1;
  try {
    for (std::size_t i = 0; i < n; ++i) {
      const CFPoint& a = v[i];
      const CFPoint& b = v[(i + 1) % n];
      const int xa = RoundPixel(a.x), ya = RoundPixel(a.y);
      const int xb = RoundPixel(b.x), yb = RoundPixel(b.y);
      if (ya == yb) continue;
      if (ya < yb)
        AddEdge(static_cast<float>(xa), ya, static_cast<float>(xb), yb);
      else
        AddEdge(static_cast<float>(xb), yb, static_cast<float>(xa), ya);
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

int CPolygonFiller::AddChain(CChain& chain) {
  if (chain.GetCount() <= 2) return 1;
  const CFPoint first = chain.GetPoint(0);
  if (!(chain.GetPoint(chain.GetCount() - 1) == first)) {
    try {
      chain.AddPoint(first.x, first.y);
    } catch (const std::bad_alloc&) {
      return 0;
    }
  }
  return AddPolygon(std::span<const CFPoint>(chain.m_points.data(), chain.m_points.size()));
}

// The walk. Rows before the first edge have no span. From the first edge's
// row on, each row moves its bucket to the front of the active list, drops
// the edges that end on it, sorts the list by x (stably, so equal x keep their
// order), takes the spans and moves every x one row down. The walk's last row
// (the largest lower end, cut to the image) keeps the edges that end on it,
// so a polygon reaching the image's bottom row is filled there; the mask and
// crop operations then treat that row and those below it as rows with no
// span unless it is the image's bottom row.
template <class RowFn>
void CPolygonFiller::Walk(int height, int width, Mode mode, RowFn&& row) {
  std::vector<std::int32_t> active;
  std::vector<int> spans;
  // x of every edge at the current row, kept apart from the edges so that a
  // filler can serve several operations.
  std::vector<float> xs(m_edges.size());
  for (std::size_t i = 0; i < m_edges.size(); ++i) xs[i] = m_edges[i].x;
  const int rows = std::min(height, m_rows);
  int y = 0;
  while (y < rows && m_buckets[static_cast<std::size_t>(y)] < 0) row(y++, spans);
  if (y >= rows) {
    // No edge at all within the buckets; rows beyond the buckets (an image
    // taller than the filler was made for) have no span either.
    for (; y < height; ++y) row(y, spans);
    return;
  }
  const int last = std::min(m_maxYEnd, rows - 1);
  auto takeSpans = [&]() {
    // Stable insertion sort: the list is nearly sorted from the row before.
    for (std::size_t i = 1; i < active.size(); ++i) {
      const std::int32_t e = active[i];
      const float x = xs[static_cast<std::size_t>(e)];
      std::size_t j = i;
      while (j > 0 && xs[static_cast<std::size_t>(active[j - 1])] > x) {
        active[j] = active[j - 1];
        --j;
      }
      active[j] = e;
    }
    spans.clear();
    for (std::size_t i = 0; i + 1 < active.size(); i += 2) {
      const int a = std::max(0, TruncClamped(xs[static_cast<std::size_t>(active[i])]));
      const int b = std::min(width - 1, TruncClamped(xs[static_cast<std::size_t>(active[i + 1])]));
      if (a <= b) {
        spans.push_back(a);
        spans.push_back(b);
      }
    }
  };
  std::vector<std::int32_t> fresh;
  auto enterBucket = [&](int yy) {
    fresh.clear();
    for (std::int32_t e = m_buckets[static_cast<std::size_t>(yy)]; e >= 0;
         e = m_edges[static_cast<std::size_t>(e)].next)
      fresh.push_back(e);
    if (!fresh.empty()) active.insert(active.begin(), fresh.begin(), fresh.end());
  };
  auto dropEnding = [&](int yy) {
    active.erase(std::remove_if(active.begin(), active.end(),
                                [&](std::int32_t e) { return m_edges[static_cast<std::size_t>(e)].yEnd == yy; }),
                 active.end());
  };
  for (; y < last; ++y) {
    enterBucket(y);
    dropEnding(y);
    takeSpans();
    row(y, spans);
    for (std::int32_t e : active) xs[static_cast<std::size_t>(e)] += m_edges[static_cast<std::size_t>(e)].slope;
  }
  // Row last: edges that start on it (only when the image cuts the polygons
  // off) join; edges that end on it still take part.
  enterBucket(last);
  takeSpans();
  row(last, spans);
  dropEnding(last);
  if (mode != Mode::fill && last < height - 1) {
    spans.clear();
    for (y = last; y < height; ++y) row(y, spans);
  }
}

int CPolygonFiller::MaskBilevel(CRasterImage& image) {
  if (!image.HasPixels() || (image.bitsPerSample != 1 && image.bitsPerSample != 8)) return 0;
  const int w = image.width;
  std::vector<BYTE> inside;
  try {
    inside.resize(static_cast<std::size_t>(w) + 8);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  const std::int64_t rowBytes = image.GetRowBytes();
  return Guarded([&] {
    Walk(image.height, w, Mode::mask, [&](int y, const std::vector<int>& spans) {
      BYTE* row = image.GetRow(y);
      if (spans.empty()) {
        std::memset(row, 0, static_cast<std::size_t>(rowBytes));
        return;
      }
      std::fill(inside.begin(), inside.end(), 0);
      for (std::size_t i = 0; i < spans.size(); i += 2)
        std::fill(inside.begin() + spans[i], inside.begin() + spans[i + 1] + 1, 1);
      if (image.bitsPerSample == 8) {
        for (int x = 0; x < w; ++x) row[x] &= inside[static_cast<std::size_t>(x)];
        return;
      }
      // Eight entries a byte, most significant first; the entries past the
      // width are 0, so the padding bits of the last byte are cleared too.
      for (std::int64_t b = 0; b < rowBytes; ++b) {
        BYTE m = 0;
        for (int k = 0; k < 8; ++k) m = static_cast<BYTE>((m << 1) | inside[static_cast<std::size_t>(b * 8 + k)]);
        row[b] &= m;
      }
    });
  });
}

int CPolygonFiller::FillInside(CRasterImage& image, BYTE value) {
  if (!image.HasPixels() || (image.bitsPerSample != 1 && image.bitsPerSample != 8)) return 0;
  return Guarded([&] {
    Walk(image.height, image.width, Mode::fill, [&](int y, const std::vector<int>& spans) {
      BYTE* row = image.GetRow(y);
      for (std::size_t i = 0; i < spans.size(); i += 2) {
        if (image.bitsPerSample == 8) {
          for (int x = spans[i]; x <= spans[i + 1]; ++x) row[x] &= value;
        } else if (!(value & 1)) {
          SetBitRange(row, spans[i], spans[i + 1], false);
        }
      }
    });
  });
}

int CPolygonFiller::CropToPolygons(CRasterImage& image) {
  if (!image.HasPixels() || (image.bitsPerSample != 1 && image.bitsPerSample != 8)) return 0;
  const int w = image.width;
  std::vector<BYTE> inside;
  try {
    inside.resize(static_cast<std::size_t>(w));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  BYTE background = image.WhiteValue();
  if (image.photometric == kPhotometricPalette && image.bitsPerSample == 8)
    background = static_cast<BYTE>(image.NearestPaletteIndex(255, 255, 255));
  const std::int64_t rowBytes = image.GetRowBytes();
  const int planes = image.bitsPerSample == 8 ? image.planes : 1;
  CStatusProgress progress;
  progress.SetRange(0, image.height / 20);
  return Guarded([&] {
    Walk(image.height, w, Mode::crop, [&](int y, const std::vector<int>& spans) {
      if (y % 20 == 19) progress.StepIt();
      for (int n = 0; n < planes; ++n) {
        BYTE* row = image.GetRow(y, n);
        if (spans.empty()) {
          std::memset(row, background, static_cast<std::size_t>(rowBytes));
          continue;
        }
        // Outside = the gaps before, between and after the spans.
        int from = 0;
        auto outside = [&](int a, int b) {
          if (a > b) return;
          if (image.bitsPerSample == 1)
            SetBitRange(row, a, b, background != 0);
          else
            std::memset(row + a, background, static_cast<std::size_t>(b - a + 1));
        };
        for (std::size_t i = 0; i < spans.size(); i += 2) {
          outside(from, spans[i] - 1);
          from = std::max(from, spans[i + 1] + 1);
        }
        outside(from, w - 1);
      }
    });
  });
}

}  // namespace qzn
