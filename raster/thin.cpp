#include "raster/thin.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "model/helpers.h"
#include "platform/parallel.h"
#include "raster/rasterimage.h"

namespace qzn {

// How the passes are organised.
//
// A pass only has to look at set pixels whose neighbourhood changed since the
// same table last looked at them: every other pixel gets the same answer as
// before. The rectangle's inside is cut into blocks of one row and 64
// columns; each block carries a "look again" flag per table. A block is
// looked at by a pass when its flag for that pass's table is set, and every
// deleted pixel raises both flags of the blocks around it. At the start only
// blocks holding set pixels are flagged (a clear pixel never becomes set), so
// the first pass is one scan of the mask and later passes touch only the
// neighbourhood of the last changes.
//
// Inside a pass, rows are taken top to bottom and the deletions of a row are
// applied only once the row below it has been decided, so every decision
// reads the mask as it was before the pass, as parallel thinning requires.
// The rows are cut into bands that threads decide side by side; a band's
// first and last row are read by its neighbours, so their deletions wait
// until every band has finished the pass. Since each pass is a function of
// the mask before it, the result is the same whatever the bands or threads.
// The thinning stops when two passes in a row (one of each table) delete
// nothing, which is the fixpoint of the alternating passes.

namespace {

CThinTables BuildThinTables() {
  CThinTables t;
  for (int i = 0; i < 256; ++i) {
    int bit[8];
    int n = 0;
    for (int k = 0; k < 8; ++k) {
      bit[k] = (i >> k) & 1;
      n += bit[k];
    }
    int transitions = 0;
    for (int k = 0; k < 8; ++k)
      if (!bit[k] && bit[(k + 1) & 7]) ++transitions;
    const int e = bit[0], north = bit[2], w = bit[4], s = bit[6];
    // Two set neighbours next to each other make the pixel the end of a
    // line (the tip of a diagonal staircase): deleting it would shorten the
    // line by one pixel each pass until the whole run is gone.
    const bool removable = n >= 3 && n <= 7 && transitions == 1;
    t.a[i] = (removable && north * e * s == 0 && north * e * w == 0) ? 0 : 1;
    t.b[i] = (removable && north * s * w == 0 && e * s * w == 0) ? 0 : 1;
  }
  return t;
}

// Pixel access of a 0/1 mask at 8 bits (any non-zero byte is set).
struct Mask8 {
  static int Get(const BYTE* row, int x) { return row[x] != 0; }
  static void Clear(BYTE* row, int x) { row[x] = 0; }
  static bool AnySet(const BYTE* row, int x0, int x1) {
    int x = x0;
    for (; x + 8 <= x1 + 1; x += 8) {
      std::uint64_t v;
      std::memcpy(&v, row + x, 8);
      if (v) return true;
    }
    for (; x <= x1; ++x)
      if (row[x]) return true;
    return false;
  }
  // The next x in [x, x1] whose byte is set, or x1 + 1.
  static int NextSet(const BYTE* row, int x, int x1) {
    while (x + 8 <= x1 + 1) {
      std::uint64_t v;
      std::memcpy(&v, row + x, 8);
      if (v) break;
      x += 8;
    }
    while (x <= x1 && !row[x]) ++x;
    return x;
  }
};

// Pixel access of a packed 1-bit mask, most significant bit first.
struct Mask1 {
  static int Get(const BYTE* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
  static void Clear(BYTE* row, int x) { row[x >> 3] &= static_cast<BYTE>(~(0x80 >> (x & 7))); }
  static bool AnySet(const BYTE* row, int x0, int x1) {
    const int b0 = x0 >> 3, b1 = x1 >> 3;
    const BYTE first = static_cast<BYTE>(0xFF >> (x0 & 7));
    const BYTE last = static_cast<BYTE>(0xFF << (7 - (x1 & 7)));
    if (b0 == b1) return (row[b0] & first & last) != 0;
    if (row[b0] & first) return true;
    for (int b = b0 + 1; b < b1; ++b)
      if (row[b]) return true;
    return (row[b1] & last) != 0;
  }
  static int NextSet(const BYTE* row, int x, int x1) {
    while (x <= x1) {
      if ((x & 7) == 0 && row[x >> 3] == 0) {
        x += 8;
        continue;
      }
      if (Get(row, x)) return x;
      ++x;
    }
    return x1 + 1;
  }
};

template <class M>
class CThinner {
 public:
  CThinner(CRasterImage& image, const RECT& rc) : m_img(image) {
    m_x0 = rc.left + 1;
    m_x1 = rc.right - 1;
    m_y0 = rc.top + 1;
    m_y1 = rc.bottom - 1;
    m_bx0 = m_x0 >> 6;
    m_nbx = (m_x1 >> 6) - m_bx0 + 1;
    m_rows = m_y1 - m_y0 + 1;
  }

  // Allocates all work memory before the image is touched: for bands of
  // rows decided side by side (a few dozen rows at least, so the rows held
  // back at their borders stay a small share), or for one band when memory
  // is short.
  bool Prepare() {
    try {
      const std::size_t n = static_cast<std::size_t>(m_rows) * static_cast<std::size_t>(m_nbx);
      for (int p = 0; p < 2; ++p) {
        m_dirty[p].assign(n, 0);
        m_rowDirty[p].assign(static_cast<std::size_t>(m_rows), 0);
      }
    } catch (const std::bad_alloc&) {
      return false;
    }
    return PrepareBands(BandCount(m_rows, 32)) || PrepareBands(1);
  }

 private:
  bool PrepareBands(std::int64_t bands) {
    try {
      m_bands.clear();
      m_bands.resize(static_cast<std::size_t>(bands));
      const std::size_t width = static_cast<std::size_t>(m_x1 - m_x0 + 1);
      for (std::int64_t b = 0; b < bands; ++b) {
        Band& band = m_bands[static_cast<std::size_t>(b)];
        band.y0 = m_y0 + static_cast<int>(BandStart(b, bands, m_rows));
        band.y1 = m_y0 + static_cast<int>(BandStart(b + 1, bands, m_rows)) - 1;
        band.pending.reserve(width);
        band.current.reserve(width);
        band.firstRow.reserve(width);
        band.lastRow.reserve(width);
      }
    } catch (const std::bad_alloc&) {
      std::vector<Band>().swap(m_bands);
      return false;
    }
    return true;
  }

 public:
  void Run() {
    const CThinTables& tables = GetThinTables();
    // Only blocks that hold a set pixel can ever delete one.
    ParallelFor(static_cast<std::int64_t>(m_bands.size()), [&](std::int64_t i) {
      const Band& band = m_bands[static_cast<std::size_t>(i)];
      for (int y = band.y0; y <= band.y1; ++y) {
        const BYTE* row = m_img.GetRow(y);
        for (int b = 0; b < m_nbx; ++b) {
          const int xs = std::max(m_x0, (m_bx0 + b) << 6), xe = std::min(m_x1, ((m_bx0 + b) << 6) + 63);
          if (M::AnySet(row, xs, xe)) Flag(y, b);
        }
      }
    });
    CStatusProgress progress;
    progress.SetRange(0, m_rows / 20);
    int idle = 0;
    for (int pass = 0; idle < 2; ++pass) {
      const int p = pass & 1;
      progress.SetPos(0);
      const std::int64_t deleted = Pass(p, p == 0 ? tables.a.data() : tables.b.data(), progress);
      idle = deleted ? 0 : idle + 1;
    }
  }

 private:
  // Rows y0 .. y1 of the rectangle's inside, decided by one thread in a
  // pass. The decisions of its first and last row wait until every band has
  // finished the pass, since the neighbouring bands read those rows.
  struct Band {
    int y0 = 0, y1 = 0;
    std::vector<int> pending, current, firstRow, lastRow;
    std::int64_t deleted = 0;
  };

  void Flag(int y, int b) {
    const std::size_t r = static_cast<std::size_t>(y - m_y0);
    const std::size_t i = r * static_cast<std::size_t>(m_nbx) + static_cast<std::size_t>(b);
    m_dirty[0][i] = m_dirty[1][i] = 1;
    m_rowDirty[0][r] = m_rowDirty[1][r] = 1;
  }

  // Clears the pixels of row y listed in xs and flags the blocks around them.
  void Apply(int y, const std::vector<int>& xs) {
    BYTE* row = m_img.GetRow(y);
    const int ya = std::max(m_y0, y - 1), yb = std::min(m_y1, y + 1);
    int lastLo = -1, lastHi = -1;
    for (int x : xs) {
      M::Clear(row, x);
      const int lo = (std::max(m_x0, x - 1) >> 6) - m_bx0;
      const int hi = (std::min(m_x1, x + 1) >> 6) - m_bx0;
      if (lo == lastLo && hi == lastHi) continue;  // same blocks as the previous deletion
      lastLo = lo;
      lastHi = hi;
      for (int yy = ya; yy <= yb; ++yy)
        for (int b = lo; b <= hi; ++b) Flag(yy, b);
    }
  }

  std::int64_t Pass(int p, const BYTE* table, CStatusProgress& progress) {
    const std::int64_t bands = static_cast<std::int64_t>(m_bands.size());
    ParallelFor(
        bands, [&](std::int64_t i) { PassBand(m_bands[static_cast<std::size_t>(i)], p, table); },
        [&](std::int64_t done) { progress.SetPos(BandStart(done, bands, m_rows) / 20); });
    // Every row has been decided on the mask as it was before the pass: the
    // rows held back at the bands' borders can go in now.
    std::int64_t deleted = 0;
    for (Band& band : m_bands) {
      Apply(band.y0, band.firstRow);
      if (band.y1 != band.y0) Apply(band.y1, band.lastRow);
      deleted += band.deleted;
    }
    return deleted;
  }

  void PassBand(Band& band, int p, const BYTE* table) {
    band.deleted = 0;
    band.firstRow.clear();
    band.lastRow.clear();
    band.pending.clear();
    int pendingY = -1;
    for (int y = band.y0; y <= band.y1; ++y) {
      const std::size_t r = static_cast<std::size_t>(y - m_y0);
      if (!m_rowDirty[p][r]) continue;
      m_rowDirty[p][r] = 0;
      if (pendingY >= 0 && pendingY < y - 1) {
        Apply(pendingY, band.pending);
        pendingY = -1;
      }
      band.current.clear();
      DecideRow(y, p, table, band.current);
      // Row y - 1 is no longer read by this pass: its deletions can go in.
      if (pendingY >= 0) Apply(pendingY, band.pending);
      pendingY = -1;
      band.deleted += static_cast<std::int64_t>(band.current.size());
      if (y == band.y0) {
        band.firstRow.swap(band.current);
      } else if (y == band.y1) {
        band.lastRow.swap(band.current);
      } else {
        band.pending.swap(band.current);
        if (!band.pending.empty()) pendingY = y;
      }
    }
    if (pendingY >= 0) Apply(pendingY, band.pending);
  }

  void DecideRow(int y, int p, const BYTE* table, std::vector<int>& out) {
    const BYTE* up = m_img.GetRow(y - 1);
    const BYTE* mid = m_img.GetRow(y);
    const BYTE* dn = m_img.GetRow(y + 1);
    BYTE* flags = m_dirty[p].data() + static_cast<std::size_t>(y - m_y0) * static_cast<std::size_t>(m_nbx);
    for (int b = 0; b < m_nbx; ++b) {
      if (!flags[b]) continue;
      flags[b] = 0;
      const int xs = std::max(m_x0, (m_bx0 + b) << 6), xe = std::min(m_x1, ((m_bx0 + b) << 6) + 63);
      for (int x = M::NextSet(mid, xs, xe); x <= xe; x = M::NextSet(mid, x + 1, xe)) {
        const int idx = M::Get(mid, x + 1) | (M::Get(up, x + 1) << 1) | (M::Get(up, x) << 2) |
                        (M::Get(up, x - 1) << 3) | (M::Get(mid, x - 1) << 4) | (M::Get(dn, x - 1) << 5) |
                        (M::Get(dn, x) << 6) | (M::Get(dn, x + 1) << 7);
        if (!table[idx]) out.push_back(x);
      }
    }
  }

  CRasterImage& m_img;
  int m_x0, m_x1, m_y0, m_y1, m_bx0, m_nbx, m_rows;
  std::vector<BYTE> m_dirty[2];
  std::vector<BYTE> m_rowDirty[2];
  std::vector<Band> m_bands;
};

template <class M>
int ThinWith(CRasterImage& image, const RECT& rc) {
  CThinner<M> thinner(image, rc);
  if (!thinner.Prepare()) return 0;
  thinner.Run();
  return 1;
}

}  // namespace

const CThinTables& GetThinTables() {
  static const CThinTables tables = BuildThinTables();
  return tables;
}

int Thin(CRasterImage& image, const RECT& inclusiveRect) {
  if (!image.HasPixels() || (image.bitsPerSample != 1 && image.bitsPerSample != 8)) return 0;
  RECT rc{std::max(0, inclusiveRect.left), std::max(0, inclusiveRect.top),
          std::min(image.width - 1, inclusiveRect.right), std::min(image.height - 1, inclusiveRect.bottom)};
  if (rc.right - rc.left < 2 || rc.bottom - rc.top < 2) return 1;  // no inside to thin
  return image.bitsPerSample == 1 ? ThinWith<Mask1>(image, rc) : ThinWith<Mask8>(image, rc);
}

}  // namespace qzn
