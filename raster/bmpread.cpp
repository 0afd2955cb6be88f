// The Windows bitmap (.BMP) reader: uncompressed 1-, 4-, 8- and 24-bit
// bitmaps and run-length (RLE8) 8-bit ones. Every size the headers declare
// is held against what the file can hold before any memory is taken for the
// image, so a few bytes declaring a huge bitmap fail at once.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "raster/bmpheader.h"
#include "raster/imagefile.h"
#include "raster/rasterimage.h"

namespace qzn {

namespace {

// An RLE8 pair holds at most one run of 255 pixels in two bytes; what the
// data leaves out (the ends of rows, the jumps of a delta, everything after
// the end-of-bitmap mark) is background. A bitmap larger than its data
// could fill by runs is not one a program wrote: refusing it spares taking
// and clearing gigabytes for a file of a few bytes.
constexpr std::int64_t kRle8PixelsPerPair = 255;

bool Rle8DataCanFill(std::int64_t width, std::int64_t height, std::int64_t dataBytes) {
  if (dataBytes < 2) return false;
  const std::int64_t pixels = dataBytes / 2 * kRle8PixelsPerPair;
  return width <= pixels && height <= pixels / width;
}

// Expands the RLE8 data into the image; skipped pixels are 0. Every run is
// checked against the row and the image; data that would write outside, or
// ends before the end-of-bitmap mark, fails. Rows are cleared as the data
// reaches them (runs only ever move forward), not all before decoding.
bool DecodeRle8(std::FILE* f, CRasterImage& img, bool topDown) {
  const std::int64_t w = img.width, h = img.height;
  const std::size_t rowBytes = static_cast<std::size_t>(img.GetRowBytes());
  std::int64_t x = 0, line = 0, cleared = 0;
  auto rowAt = [&](std::int64_t l) { return img.GetRow(static_cast<int>(topDown ? l : h - 1 - l)); };
  // Clears the rows up to and including l that the data has not reached.
  auto clearTo = [&](std::int64_t l) {
    for (; cleared <= l && cleared < h; ++cleared) std::memset(rowAt(cleared), 0, rowBytes);
  };
  for (;;) {
    const int a = getc(f);
    const int b = getc(f);
    if (a == EOF || b == EOF) return false;
    if (a > 0) {  // a run of a copies of b
      if (line >= h || x + a > w) return false;
      clearTo(line);
      std::memset(rowAt(line) + x, b, static_cast<std::size_t>(a));
      x += a;
    } else if (b == 0) {  // end of line
      x = 0;
      ++line;
    } else if (b == 1) {  // end of bitmap: the rest is 0
      clearTo(h - 1);
      return true;
    } else if (b == 2) {  // move right and down
      const int dx = getc(f);
      const int dy = getc(f);
      if (dx == EOF || dy == EOF) return false;
      x += dx;
      line += dy;
      if (x > w || line > h || (line == h && x > 0)) return false;
    } else {  // b literal bytes, padded to an even count
      if (line >= h || x + b > w) return false;
      clearTo(line);
      BYTE* p = rowAt(line) + x;
      if (std::fread(p, 1, static_cast<std::size_t>(b), f) != static_cast<std::size_t>(b)) return false;
      if ((b & 1) && getc(f) == EOF) return false;
      x += b;
    }
  }
}

}  // namespace

int ReadBmpIntoImage(const std::string& fileName, CRasterImage& image) {
  CFilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file) return -1;
  std::FILE* f = file.get();
  const std::int64_t fileSize = StreamSize(f);

  BYTE fh[kBmpFileHeaderSize];
  if (std::fread(fh, 1, sizeof fh, f) != sizeof fh) return -1;
  if (ReadLe16(fh) != kBmpMagic) return -3;
  BYTE ih[kDibInfoHeaderSize];
  if (std::fread(ih, 1, kDibInfoHeaderSize, f) != kDibInfoHeaderSize) return -3;
  BmpInfo info;
  info.Parse(ih);
  if (!info.SizeUsable()) return -3;
  const int bits = info.bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return -3;
  const bool rle8 = info.compression == kBmpRle8;
  if (info.compression != kBmpUncompressed && !(rle8 && bits == 8 && info.height > 0)) return -3;
  const std::int64_t w = info.width, h = info.AbsHeight();
  const bool topDown = info.height < 0;
  const int recordBits = bits == 1 ? 1 : 8;
  const int planes = bits == 24 ? 3 : 1;
  if (!ImageGeometryFits(w, h, planes, recordBits)) return -3;

  // The colour table follows the info header, whatever its size; it cannot
  // reach into the pixel data.
  const std::int64_t tableStart = kBmpFileHeaderSize + static_cast<std::int64_t>(info.size);
  const std::int64_t dataOffset = ReadLe32(fh + 10);
  std::int64_t entries = bits <= 8 ? std::min<std::int64_t>(info.TableEntries(), 256) : 0;
  if (dataOffset != 0) entries = std::min(entries, std::max<std::int64_t>(0, (dataOffset - tableStart) / 4));
  const std::int64_t dataStart = dataOffset ? dataOffset : tableStart + 4 * entries;
  const std::int64_t storedRow = info.StoredRowBytes();
  // A bitmap whose data cannot hold its rows is refused before any memory
  // is taken for it.
  if (fileSize < 0) return -1;
  if (rle8 ? !Rle8DataCanFill(w, h, fileSize - dataStart) : dataStart + storedRow * h > fileSize) return -1;

  BYTE table[256][4] = {};
  if (entries > 0) {
    if (fseeko(f, tableStart, SEEK_SET) != 0) return -1;
    if (std::fread(table, 4, static_cast<std::size_t>(entries), f) != static_cast<std::size_t>(entries)) return -1;
  }

  CRasterImage tmp;
  tmp.width = static_cast<std::int32_t>(w);
  tmp.height = static_cast<std::int32_t>(h);
  tmp.planes = planes;
  tmp.bitsPerSample = recordBits;
  if (!tmp.AllocPixels()) return -2;
  if (bits == 1) {
    tmp.photometric =
        entries >= 2 ? BilevelPhotometric(table[0][2], table[0][1], table[0][0], table[1][2], table[1][1], table[1][0])
                     : kPhotometricMinIsBlack;
  } else if (bits == 24) {
    tmp.photometric = kPhotometricRgb;
  } else {
    // 4- and 8-bit bitmaps keep their colour table; entries it lacks are white.
    if (!tmp.AllocPalette()) return -2;
    for (int i = 0; i < 256; ++i) {
      const bool have = i < entries;
      tmp.red[i] = have ? table[i][2] : 255;
      tmp.green[i] = have ? table[i][1] : 255;
      tmp.blue[i] = have ? table[i][0] : 255;
    }
    tmp.photometric = entries > 0 ? kPhotometricPalette : kPhotometricMinIsBlack;
  }
  if (fseeko(f, dataStart, SEEK_SET) != 0) return -1;

  if (rle8) {
    if (!DecodeRle8(f, tmp, topDown)) return -1;
  } else {
    std::vector<BYTE> row;
    try {
      row.resize(static_cast<std::size_t>(storedRow));
    } catch (const std::bad_alloc&) {
      return -2;
    }
    const std::int64_t recordRow = tmp.GetRowBytes();
    for (std::int64_t i = 0; i < h; ++i) {
      if (std::fread(row.data(), 1, row.size(), f) != row.size()) return -1;
      const int y = static_cast<int>(topDown ? i : h - 1 - i);
      BYTE* out = tmp.GetRow(y);
      switch (bits) {
        case 1:
          std::memcpy(out, row.data(), static_cast<std::size_t>(recordRow));
          if (w & 7) out[recordRow - 1] &= static_cast<BYTE>(0xFF << (8 - (w & 7)));
          break;
        case 4:
          for (std::int64_t x = 0; x < w; ++x)
            out[x] = static_cast<BYTE>((x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4));
          break;
        case 8: std::memcpy(out, row.data(), static_cast<std::size_t>(w)); break;
        case 24: {
          BYTE* r = tmp.GetRow(y, 0);
          BYTE* g = tmp.GetRow(y, 1);
          BYTE* b = tmp.GetRow(y, 2);
          const BYTE* p = row.data();
          for (std::int64_t x = 0; x < w; ++x, p += 3) {
            b[x] = p[0];
            g[x] = p[1];
            r[x] = p[2];
          }
          break;
        }
      }
    }
  }
  image.MoveFrom(tmp);
  return 1;
}

}  // namespace qzn
