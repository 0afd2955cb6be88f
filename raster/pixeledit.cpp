// Flood fill, thick lines and saved pixel areas with their undo records.
#include "raster/pixeledit.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "platform/host.h"
#include "resources/messages_raster.h"

namespace qzn {

namespace {

// Plane-0 value of an 8-bit image, or the bit of a 1-bit image.
struct PixelAccess {
  CRasterImage* img;
  bool bilevel;
  int Get(int x, int y) const { return bilevel ? img->GetBit(x, y) : img->GetByte(x, y); }
  void Put(int x, int y, int v) const {
    if (bilevel)
      img->SetBit(x, y, v);
    else
      img->SetByte(x, y, static_cast<BYTE>(v));
  }
};

struct Segment {
  int y, xl, xr, dy;
};

void WriteRuns(const PixelAccess& px, const std::vector<CFillRun>& runs, int value) {
  const int w = px.img->width, h = px.img->height;
  for (const CFillRun& r : runs) {
    if (r.row < 0 || r.row >= h) continue;
    const int a = std::max(r.first, 0), b = std::min(r.last, w - 1);
    for (int x = a; x <= b; ++x) px.Put(x, r.row, value);
  }
}

}  // namespace

int FloodFill(CRasterImage* image, int x, int y, int value, CFillRuns* record) {
  if (!image || !image->pixels || !record) return 0;
  if (image->bitsPerSample != 1 && image->bitsPerSample != 8) {
    AfxMessageBox(res::text::kUnsupportedImageMemory);
    return 0;
  }
  const int w = image->width, h = image->height;
  if (x < 0 || y < 0 || x >= w || y >= h) return 0;
  const PixelAccess px{image, image->bitsPerSample == 1};
  const int nv = px.bilevel ? (value ? 1 : 0) : (value & 255);
  const int ov = px.Get(x, y);
  if (ov == nv) return 1;

  std::vector<CFillRun> runs;
  try {
    // Heckbert's fill: a segment (y, xl, xr, dy) says row y was filled from
    // xl to xr and row y + dy is still to be looked at below it. The stack
    // grows as needed, so an intricate region is never left half filled.
    std::vector<Segment> stack;
    stack.reserve(1024);
    auto push = [&](int sy, int xl, int xr, int dy) {
      if (sy + dy >= 0 && sy + dy < h) stack.push_back({sy, xl, xr, dy});
    };
    push(y, x, x, 1);
    push(y + 1, x, x, -1);
    while (!stack.empty()) {
      const Segment s = stack.back();
      stack.pop_back();
      const int row = s.y + s.dy, x1 = s.xl, x2 = s.xr, dy = s.dy;
      int cx = x1;
      for (; cx >= 0 && px.Get(cx, row) == ov; --cx) px.Put(cx, row, nv);
      int left;
      bool skip = cx >= x1;
      if (!skip) {
        left = cx + 1;
        if (left < x1) push(row, left, x1 - 1, -dy);  // leak to the left
        cx = x1 + 1;
      } else {
        left = cx;
      }
      do {
        if (!skip) {
          for (; cx < w && px.Get(cx, row) == ov; ++cx) px.Put(cx, row, nv);
          runs.push_back({row, left, cx - 1});
          push(row, left, cx - 1, dy);
          if (cx > x2 + 1) push(row, x2 + 1, cx - 1, -dy);  // leak to the right
        }
        skip = false;
        for (++cx; cx <= x2 && px.Get(cx, row) != ov; ++cx) {
        }
        left = cx;
      } while (cx <= x2);
    }
  } catch (const std::bad_alloc&) {
    WriteRuns(px, runs, ov);
    AfxMessageBox(res::text::kFillAreaNoMemory);
    return 0;
  }
  record->oldValue = static_cast<BYTE>(ov);
  record->newValue = static_cast<BYTE>(nv);
  record->runs = std::move(runs);
  return 1;
}

int FillRuns(CRasterImage* image, const CFillRuns& record) {
  if (!image || !image->pixels || (image->bitsPerSample != 1 && image->bitsPerSample != 8)) return 0;
  WriteRuns(PixelAccess{image, image->bitsPerSample == 1}, record.runs, record.oldValue);
  return 1;
}

std::int32_t PackPixel(const CRasterImage& image, int x, int y) {
  if (image.bitsPerSample == 1) return image.GetBit(x, y) * 65793;
  if (image.planes == 3)
    return image.GetPlaneByte(x, y, 0) | image.GetPlaneByte(x, y, 1) << 8 | image.GetPlaneByte(x, y, 2) << 16;
  return image.GetByte(x, y) * 65793;
}

int DrawThickLine(CRasterImage* image, POINT& p0, POINT& p1, int width, int value, int green, int blue,
                  CPixelList* list) {
  if (!image || !image->pixels || image->width < 1 || image->height < 1) return 0;
  const bool bilevel = image->bitsPerSample == 1;
  const bool rgb = image->bitsPerSample == 8 && image->planes == 3;
  if (!bilevel && !(image->bitsPerSample == 8 && (image->planes == 1 || rgb))) return 0;
  const int w = image->width, h = image->height;
  p0.x = std::clamp<int>(p0.x, 0, w - 1), p0.y = std::clamp<int>(p0.y, 0, h - 1);
  p1.x = std::clamp<int>(p1.x, 0, w - 1), p1.y = std::clamp<int>(p1.y, 0, h - 1);

  auto plot = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    if (list) list->entries.push_back({x, y, PackPixel(*image, x, y)});
    if (bilevel) {
      image->SetBit(x, y, value != 0);
    } else {
      image->SetPlaneByte(x, y, 0, static_cast<BYTE>(value));
      if (rgb) {
        image->SetPlaneByte(x, y, 1, static_cast<BYTE>(green));
        image->SetPlaneByte(x, y, 2, static_cast<BYTE>(blue));
      }
    }
  };
  const int dx = p1.x - p0.x, dy = p1.y - p0.y;
  const int adx = std::abs(dx), ady = std::abs(dy), major = std::max(adx, ady);
  const int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
  const bool steep = ady > adx;  // spans run across the major axis
  const int half = std::max(width, 0) / 2;
  int ex = 0, ey = 0, x = p0.x, y = p0.y;
  try {
    for (int i = 0; i <= major; ++i) {
      ex += adx;
      ey += ady;
      if (ex > major) ex -= major, x += sx;
      if (ey > major) ey -= major, y += sy;
      for (int k = -half; k <= half; ++k) steep ? plot(x + k, y) : plot(x, y + k);
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

int SavePixels(const CRasterImage* image, const CImageArea& area, CPixelList* list) {
  if (!image || !image->pixels || !list) return 0;
  const std::int64_t x0 = std::max<std::int64_t>(area.left, 0), y0 = std::max<std::int64_t>(area.top, 0);
  const std::int64_t x1 = std::min<std::int64_t>(static_cast<std::int64_t>(area.left) + area.width, image->width);
  const std::int64_t y1 = std::min<std::int64_t>(static_cast<std::int64_t>(area.top) + area.height, image->height);
  if (x0 >= x1 || y0 >= y1) return 0;
  std::vector<CPixelEntry> entries;
  try {
    entries.reserve(static_cast<std::size_t>((x1 - x0) * (y1 - y0)));
  } catch (const std::bad_alloc&) {
    return 0;
  } catch (const std::length_error&) {
    return 0;
  }
  for (std::int64_t y = y0; y < y1; ++y)
    for (std::int64_t x = x0; x < x1; ++x)
      entries.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                         PackPixel(*image, static_cast<int>(x), static_cast<int>(y))});
  list->entries = std::move(entries);
  return 1;
}

int SetPixels(CRasterImage* image, const CPixelList& list) {
  if (!image || !image->pixels) return 0;
  const bool bilevel = image->bitsPerSample == 1;
  const bool rgb = image->bitsPerSample == 8 && image->planes == 3;
  for (const CPixelEntry& e : list.entries) {
    if (e.x < 0 || e.y < 0 || e.x >= image->width || e.y >= image->height) continue;
    const BYTE b0 = static_cast<BYTE>(e.value & 255);
    if (bilevel) {
      image->SetBit(e.x, e.y, b0 & 1);
    } else {
      image->SetPlaneByte(e.x, e.y, 0, b0);
      if (rgb) {
        image->SetPlaneByte(e.x, e.y, 1, static_cast<BYTE>((e.value >> 8) & 255));
        image->SetPlaneByte(e.x, e.y, 2, static_cast<BYTE>((e.value >> 16) & 255));
      }
    }
  }
  return 1;
}

}  // namespace qzn
