#include "raster/thin.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "model/helpers.h"
#include "platform/parallel.h"
#include "raster/rasterimage.h"

namespace qzn {

// How the passes are organised.
//
// The mask is worked on as packed bits, 64 pixels a machine word: a pass
// decides a whole word at once from the words of the rows above, at and
// below it, by bitwise logic that is the keep tables written out (count of
// set neighbours, count of clear-to-set transitions, the two edge terms).
// An 8-bit mask is packed into bits first and its deleted pixels cleared
// afterwards; a 1-bit mask is thinned in its own rows.
//
// A pass only has to look at set pixels whose neighbourhood changed since the
// same table last looked at them: every other pixel gets the same answer as
// before. Each word of each row carries a "look again" flag per table. A word
// is looked at by a pass when its flag for that pass's table is set, and every
// deletion raises both flags of the words around it. At the start only words
// holding set pixels are flagged (a clear pixel never becomes set), so the
// first pass is one scan of the mask and later passes touch only the
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

using Word = std::uint64_t;

// The deletions of one word: bit i is set when pixel i is set and the table
// of the pass (A: first, B: second) deletes it. The neighbour words hold, at
// bit i, that neighbour of pixel i.
Word Deletions(Word p, Word e, Word ne, Word n, Word nw, Word w, Word sw, Word s, Word se, bool second) {
  // The number of set neighbours, as bits c0 + 2 c1 + 4 c2 + 8 c3, by a
  // tree of full adders over the eight neighbour words.
  auto add = [](Word a, Word b, Word c, Word& carry) {
    const Word x = a ^ b;
    carry = (a & b) | (c & x);
    return x ^ c;
  };
  Word k1, k2, k3, k4, k5, k6;
  const Word s1 = add(e, ne, n, k1);
  const Word s2 = add(nw, w, sw, k2);
  const Word s3 = s ^ se;
  k3 = s & se;
  const Word c0 = add(s1, s2, s3, k4);
  const Word t0 = add(k1, k2, k3, k5);
  const Word c1 = t0 ^ k4;
  k6 = t0 & k4;
  const Word c2 = k5 ^ k6;
  const Word c3 = k5 & k6;
  const Word from3to7 = (c2 | (c1 & c0)) & ~c3;
  // Exactly one clear-to-set transition going round E, NE, N, NW, W, SW,
  // S, SE and back to E.
  const Word ring[8] = {e, ne, n, nw, w, sw, s, se};
  Word once = 0, twice = 0;
  for (int k = 0; k < 8; ++k) {
    const Word t = ~ring[k] & ring[(k + 1) & 7];
    twice |= once & t;
    once |= t;
  }
  const Word removable = p & from3to7 & once & ~twice;
  return second ? removable & ~(n & s & w) & ~(e & s & w) : removable & ~(n & e & s) & ~(n & e & w);
}

// The rows of a packed 1-bit plane (leftmost pixel in the top bit of a byte)
// as words of 64 pixels: word k of a row holds pixels 64 k .. 64 k + 63,
// pixel 64 k in the top bit. A row's last word may be short; the bytes past
// the row are neither read nor written.
struct CPackedRows {
  BYTE* pixels;
  std::int64_t rowBytes;

  Word Load(std::int64_t y, std::int64_t k) const {
    const std::int64_t at = 8 * k, n = std::min<std::int64_t>(8, rowBytes - at);
    Word v = 0;
    if (n == 8)
      std::memcpy(&v, pixels + rowBytes * y + at, 8);
    else if (n > 0)
      std::memcpy(&v, pixels + rowBytes * y + at, static_cast<std::size_t>(n));
    return FromBytes(v);
  }
  void Store(std::int64_t y, std::int64_t k, Word value) const {
    const std::int64_t at = 8 * k, n = std::min<std::int64_t>(8, rowBytes - at);
    const Word v = ToBytes(value);
    std::memcpy(pixels + rowBytes * y + at, &v, static_cast<std::size_t>(n));
  }
  // Memory order (first byte first) to a word with the first pixel on top.
  static Word FromBytes(Word v) {
    if constexpr (std::endian::native == std::endian::little) return __builtin_bswap64(v);
    return v;
  }
  static Word ToBytes(Word v) { return FromBytes(v); }
};

class CThinner {
 public:
  // rows: the plane to thin; rc: the rectangle in its pixels, at least 3 x 3.
  CThinner(const CPackedRows& rows, const RECT& rc) : m_rows(rows) {
    m_x0 = rc.left + 1;
    m_x1 = rc.right - 1;
    m_y0 = rc.top + 1;
    m_y1 = rc.bottom - 1;
    m_k0 = m_x0 >> 6;
    m_nk = (m_x1 >> 6) - m_k0 + 1;
    m_height = m_y1 - m_y0 + 1;
    m_lastWord = (static_cast<std::int64_t>(rc.right) >> 6);
  }

  // Allocates all work memory before the mask is touched: for bands of rows
  // decided side by side (a few dozen rows at least, so the rows held back
  // at their borders stay a small share), or for one band when memory is
  // short.
  bool Prepare() {
    try {
      const std::size_t n = static_cast<std::size_t>(m_height) * static_cast<std::size_t>(m_nk);
      for (int p = 0; p < 2; ++p) {
        m_dirty[p].assign(n, 0);
        m_rowDirty[p].assign(static_cast<std::size_t>(m_height), 0);
      }
    } catch (const std::bad_alloc&) {
      return false;
    }
    return PrepareBands(BandCount(m_height, 32)) || PrepareBands(1);
  }

 private:
  // Deletions of one row: (word index, deleted bits).
  using Changes = std::vector<std::pair<std::int64_t, Word>>;

  // Rows y0 .. y1 of the rectangle's inside, decided by one thread in a
  // pass. The decisions of its first and last row wait until every band has
  // finished the pass, since the neighbouring bands read those rows.
  struct Band {
    int y0 = 0, y1 = 0;
    Changes pending, current, firstRow, lastRow;
    std::int64_t deleted = 0;
  };

  bool PrepareBands(std::int64_t bands) {
    try {
      m_bands.clear();
      m_bands.resize(static_cast<std::size_t>(bands));
      for (std::int64_t b = 0; b < bands; ++b) {
        Band& band = m_bands[static_cast<std::size_t>(b)];
        band.y0 = m_y0 + static_cast<int>(BandStart(b, bands, m_height));
        band.y1 = m_y0 + static_cast<int>(BandStart(b + 1, bands, m_height)) - 1;
        for (Changes* c : {&band.pending, &band.current, &band.firstRow, &band.lastRow})
          c->reserve(static_cast<std::size_t>(m_nk));
      }
    } catch (const std::bad_alloc&) {
      std::vector<Band>().swap(m_bands);
      return false;
    }
    return true;
  }

 public:
  void Run() {
    // Only words that hold a set pixel can ever delete one.
    ParallelFor(static_cast<std::int64_t>(m_bands.size()), [&](std::int64_t i) {
      const Band& band = m_bands[static_cast<std::size_t>(i)];
      for (int y = band.y0; y <= band.y1; ++y)
        for (std::int64_t j = 0; j < m_nk; ++j)
          if (m_rows.Load(y, m_k0 + j) & Inside(m_k0 + j)) Flag(y, j);
    });
    CStatusProgress progress;
    progress.SetRange(0, m_height / 20);
    int idle = 0;
    for (int pass = 0; idle < 2; ++pass) {
      const int p = pass & 1;
      progress.SetPos(0);
      const std::int64_t deleted = Pass(p, progress);
      idle = deleted ? 0 : idle + 1;
    }
  }

 private:
  // The bits of word k that are pixels of the rectangle's inside.
  Word Inside(std::int64_t k) const {
    Word m = ~Word{0};
    if (k == (m_x0 >> 6)) m &= ~Word{0} >> (m_x0 & 63);
    if (k == (m_x1 >> 6)) m &= ~Word{0} << (63 - (m_x1 & 63));
    return m;
  }

  void Flag(std::int64_t y, std::int64_t j) {
    const std::size_t r = static_cast<std::size_t>(y - m_y0);
    const std::size_t i = r * static_cast<std::size_t>(m_nk) + static_cast<std::size_t>(j);
    m_dirty[0][i] = m_dirty[1][i] = 1;
    m_rowDirty[0][r] = m_rowDirty[1][r] = 1;
  }

  // Clears the deleted bits of row y and flags the words around them.
  void Apply(int y, const Changes& changes) {
    const int ya = std::max(m_y0, y - 1), yb = std::min(m_y1, y + 1);
    for (const auto& [k, del] : changes) {
      m_rows.Store(y, k, m_rows.Load(y, k) & ~del);
      // A deletion at a word's first or last pixel changes the neighbourhood
      // of the word beside it too.
      const std::int64_t lo = std::max<std::int64_t>(0, k - m_k0 - ((del >> 63) & 1));
      const std::int64_t hi = std::min<std::int64_t>(m_nk - 1, k - m_k0 + (del & 1));
      for (int yy = ya; yy <= yb; ++yy)
        for (std::int64_t j = lo; j <= hi; ++j) Flag(yy, j);
    }
  }

  std::int64_t Pass(int p, CStatusProgress& progress) {
    const std::int64_t bands = static_cast<std::int64_t>(m_bands.size());
    ParallelFor(
        bands, [&](std::int64_t i) { PassBand(m_bands[static_cast<std::size_t>(i)], p); },
        [&](std::int64_t done) { progress.SetPos(BandStart(done, bands, m_height) / 20); });
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

  void PassBand(Band& band, int p) {
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
      band.deleted += DecideRow(y, p, band.current);
      // Row y - 1 is no longer read by this pass: its deletions can go in.
      if (pendingY >= 0) Apply(pendingY, band.pending);
      pendingY = -1;
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

  // The deletions of row y into out; the number of words with deletions
  // (the passes only ask whether anything was deleted).
  std::int64_t DecideRow(int y, int p, Changes& out) {
    BYTE* flags = m_dirty[p].data() + static_cast<std::size_t>(y - m_y0) * static_cast<std::size_t>(m_nk);
    std::int64_t deleted = 0;
    // Three words of each of the three rows: the one before, the one being
    // decided and the one after, moved along as the decided word moves.
    std::int64_t have = -2;  // the word the window is centred on
    Word up[3] = {}, mid[3] = {}, dn[3] = {};
    auto load = [&](int row, std::int64_t k) { return (k < 0 || k > m_lastWord) ? Word{0} : m_rows.Load(row, k); };
    for (std::int64_t j = 0; j < m_nk; ++j) {
      if (!flags[j]) continue;
      flags[j] = 0;
      const std::int64_t k = m_k0 + j;
      if (have == k - 1) {
        for (Word* w : {up, mid, dn}) w[0] = w[1], w[1] = w[2];
        up[2] = load(y - 1, k + 1);
        mid[2] = load(y, k + 1);
        dn[2] = load(y + 1, k + 1);
      } else {
        for (int i = 0; i < 3; ++i) {
          up[i] = load(y - 1, k - 1 + i);
          mid[i] = load(y, k - 1 + i);
          dn[i] = load(y + 1, k - 1 + i);
        }
      }
      have = k;
      if (!mid[1]) continue;
      // East of pixel i is pixel i + 1, the next bit down; west the next up.
      auto east = [](const Word* w) { return (w[1] << 1) | (w[2] >> 63); };
      auto west = [](const Word* w) { return (w[1] >> 1) | (w[0] << 63); };
      const Word del =
          Deletions(mid[1], east(mid), east(up), up[1], west(up), west(mid), west(dn), dn[1], east(dn), p == 1) &
          Inside(k);
      if (del) {
        out.emplace_back(k, del);
        ++deleted;
      }
    }
    return deleted;
  }

  CPackedRows m_rows;
  int m_x0, m_x1, m_y0, m_y1, m_height;
  std::int64_t m_k0, m_nk, m_lastWord;
  std::vector<BYTE> m_dirty[2];
  std::vector<BYTE> m_rowDirty[2];
  std::vector<Band> m_bands;
};

// Eight bytes to eight pixels: a bit, most significant first, for every
// non-zero byte (memory order: the first byte is the first pixel).
BYTE PackNonZero(const BYTE* bytes) {
  std::uint64_t v;
  std::memcpy(&v, bytes, 8);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  // The top bit of each byte set when the byte is non-zero (no carry
  // leaves a byte: the low seven bits plus 0x7F stay below 0x100).
  const std::uint64_t top = (v | ((v & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full)) & 0x8080808080808080ull;
  // Byte i's bit moved to bit 63 - i; every other product lands elsewhere,
  // and no two on one bit, so nothing carries into the top byte.
  return static_cast<BYTE>(((top >> 7) * 0x8040201008040201ull) >> 56);
}

// An 8-bit mask's rectangle packed into bits: the thinning's plane, with the
// rectangle's left column at bit 0 of the plane's rows.
bool ThinBytes(CRasterImage& image, const RECT& rc) {
  const std::int64_t w = rc.right - rc.left + 1, h = rc.bottom - rc.top + 1;
  const std::int64_t rowBytes = (w + 7) / 8, whole = w / 8;  // bytes of eight pixels of the rectangle
  std::unique_ptr<BYTE[]> plane(new (std::nothrow) BYTE[static_cast<std::size_t>(rowBytes * h)]);
  if (!plane) return false;
  auto rowsOf = [&](auto&& perRow) {
    const std::int64_t bands = BandCount(h, 64);
    ParallelFor(bands, [&](std::int64_t b) {
      for (std::int64_t y = BandStart(b, bands, h); y < BandStart(b + 1, bands, h); ++y)
        perRow(image.GetRow(static_cast<int>(rc.top + y)) + rc.left, plane.get() + rowBytes * y);
    });
  };
  auto packTail = [&](const BYTE* in) {
    BYTE bits = 0;
    for (std::int64_t x = 8 * whole; x < w; ++x)
      if (in[x]) bits |= static_cast<BYTE>(0x80 >> (x & 7));
    return bits;
  };
  rowsOf([&](const BYTE* in, BYTE* out) {
    for (std::int64_t b = 0; b < whole; ++b) out[b] = PackNonZero(in + 8 * b);
    if (whole < rowBytes) out[whole] = packTail(in);
  });
  CThinner thinner(CPackedRows{plane.get(), rowBytes}, RECT{0, 0, static_cast<int>(w - 1), static_cast<int>(h - 1)});
  if (!thinner.Prepare()) return false;
  thinner.Run();
  // Thinning only deletes: every pixel set in the image and clear in the
  // plane goes; most groups of eight lost none.
  rowsOf([&](BYTE* in, const BYTE* out) {
    for (std::int64_t b = 0; b < rowBytes; ++b) {
      const BYTE had = b < whole ? PackNonZero(in + 8 * b) : packTail(in);
      const BYTE gone = static_cast<BYTE>(had & ~out[b]);
      if (!gone) continue;
      for (int k = 0; k < 8; ++k)
        if ((gone >> (7 - k)) & 1) in[8 * b + k] = 0;
    }
  });
  return true;
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
  if (image.bitsPerSample == 8) return ThinBytes(image, rc) ? 1 : 0;
  CThinner thinner(CPackedRows{image.pixels, image.GetRowBytes()}, rc);
  if (!thinner.Prepare()) return 0;
  thinner.Run();
  return 1;
}

}  // namespace qzn
