// Image file reading by type, the BMP reader and the packed DIB pair.
#include "raster/imagefile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "platform/atomicfile.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/dib.h"
#include "raster/gifread.h"
#include "raster/jpegpng.h"
#include "raster/rasterimage.h"
#include "raster/rlcraw.h"
#include "raster/tiffio.h"
#include "resources/messages_common.h"
#include "resources/messages_raster.h"

namespace qzn {

namespace {

std::int64_t FileSize(std::FILE* f) {
  const auto here = ftello(f);
  if (fseeko(f, 0, SEEK_END) != 0) return -1;
  const std::int64_t size = ftello(f);
  fseeko(f, here, SEEK_SET);
  return size;
}

constexpr std::uint16_t kBmpMagic = 19778;  // "BM"
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
// Larger headers (the V4 and V5 headers) extend the 40-byte one; anything
// beyond this is not a bitmap header.
constexpr std::uint32_t kMaxHeaderSize = 1024;

// The fields of the 40-byte info header that the readers use.
struct BmpInfo {
  std::uint32_t size = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: rows stored top first
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::uint32_t clrUsed = 0;

  void Parse(const BYTE* p) {
    size = ReadLe32(p);
    width = static_cast<std::int32_t>(ReadLe32(p + 4));
    height = static_cast<std::int32_t>(ReadLe32(p + 8));
    planes = ReadLe16(p + 12);
    bitCount = ReadLe16(p + 14);
    compression = ReadLe32(p + 16);
    sizeImage = ReadLe32(p + 20);
    clrUsed = ReadLe32(p + 32);
  }
  std::int64_t AbsHeight() const { return height < 0 ? -static_cast<std::int64_t>(height) : height; }
  // Bytes of one stored row, padded to a multiple of 4.
  std::int64_t StoredRowBytes() const { return (static_cast<std::int64_t>(bitCount) * width + 31) / 32 * 4; }
  // Colour table entries as Windows counts them: the used count, or the full
  // table of the bit count when that is 0 (none above 8 bits).
  std::int64_t TableEntries() const {
    if (clrUsed) return clrUsed;
    return bitCount <= 8 ? (std::int64_t{1} << bitCount) : 0;
  }
};

}  // namespace

// ---------------------------------------------------------------------------
// Shared helpers

const char* const kReadNotThisFormat = res::text::kTiffErrorTexts[kTiffCannotOpen];
const char* const kReadNoMemory = res::text::kTiffErrorTexts[kTiffNoMemory];
const char* const kReadBadSize = res::text::kImageSizeInvalid;
const char* const kReadDamaged = res::text::kImageDataDamaged;
const char* const kReadCmyk = res::text::kCmykNotSupported;
const char* const kReadUnsupported = res::text::kTiffErrorTexts[kTiffBadPhotometric];

std::string CImageReadProblem::Message(const char* format) const {
  std::string text = FormatC(res::text::kImageOpenPrefixFormat, format) + reason;
  if (!detail.empty()) text += " (" + detail + ")";
  return text;
}

std::string PixelSizeText(std::int64_t width, std::int64_t height) {
  return FormatC(res::text::kPixelSizeFormat, static_cast<long long>(width), static_cast<long long>(height));
}

std::string MissingFileMessage(const std::string& path) { return res::text::kFileMissing + path; }

Photometric BilevelPhotometric(int r0, int g0, int b0, int r1, int g1, int b1) {
  return (r1 < r0 && g1 < g0 && b1 < b0) ? kPhotometricMinIsWhite : kPhotometricMinIsBlack;
}

void PackBits(const BYTE* in, std::int64_t count, BYTE* out) {
  std::int64_t x = 0;
  for (; x + 8 <= count; x += 8, in += 8) {
    *out++ = static_cast<BYTE>(((in[0] & 1) << 7) | ((in[1] & 1) << 6) | ((in[2] & 1) << 5) | ((in[3] & 1) << 4) |
                               ((in[4] & 1) << 3) | ((in[5] & 1) << 2) | ((in[6] & 1) << 1) | (in[7] & 1));
  }
  if (x < count) {
    BYTE b = 0;
    for (int i = 0; x < count; ++x, ++i) b |= static_cast<BYTE>((*in++ & 1) << (7 - i));
    *out = b;
  }
}

bool ImageGeometryFits(std::int64_t width, std::int64_t height, int planes, int bits) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  if (width < 1 || height < 1 || width > kMax || height > kMax) return false;
  if (planes < 1 || planes > 4 || bits < 1 || bits > 32) return false;
  const std::int64_t rowBytes = bits == 1 ? (width + 7) / 8 : (bits + 7) / 8 * width;
  // The whole block must fit a size_t and a signed 64-bit offset.
  const std::int64_t limit = std::min<std::uint64_t>(std::numeric_limits<std::size_t>::max() / 2,
                                                     std::numeric_limits<std::int64_t>::max() / 2);
  return rowBytes <= limit / planes / height;
}

// ---------------------------------------------------------------------------
// Type detection

int GetImageFileType(const std::string& path) {
  CFilePtr f(std::fopen(path.c_str(), "rb"));
  if (!f) return kImageTypeUnknown;
  BYTE head[150] = {};
  const std::size_t n = std::fread(head, 1, sizeof head, f.get());
  auto starts = [&](const char* s, std::size_t len) { return n >= len && std::memcmp(head, s, len) == 0; };
  if (starts("BM", 2)) return kImageTypeBmp;
  if (starts("FI", 2)) return kImageTypeRaw;
  if (starts("GIF8", 4)) return kImageTypeGif;
  if (starts("II", 2) || starts("MM", 2)) return kImageTypeTiff;
  if (starts("STACK", 5)) return kImageTypeStack;
  if (starts("\xFF\xD8", 2)) return kImageTypeJpeg;
  if (starts("\x89PNG", 4)) return kImageTypePng;
  if (n == sizeof head && std::memcmp(head + 128, "DICM", 4) == 0) return kImageTypeDicom;
  return kImageTypeUnknown;
}

bool HasFileExtension(const std::string& path, const char* ext) {
  // Only the last component of the path is the file's own name; Windows
  // separators count too, for names that came from Windows files.
  const std::size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return false;
  const std::size_t len = std::strlen(ext);
  if (name.size() - dot != len) return false;
  for (std::size_t i = 0; i < len; ++i)
    if (std::toupper(static_cast<unsigned char>(name[dot + i])) != std::toupper(static_cast<unsigned char>(ext[i])))
      return false;
  return true;
}

// ---------------------------------------------------------------------------
// Dispatch

namespace {

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

const char* BmpErrorText(int code) {
  if (code == -1) return res::text::kBmpReadError;
  if (code == -2) return res::text::kErrorNoMemoryComma;
  return res::text::kBmpInvalid;
}

}  // namespace

int ReadImageByType(const std::string& fileName, CRasterImage& image, CImageReadOutcome& outcome) {
  outcome = CImageReadOutcome();
  if (!FileExists(fileName)) {
    outcome.missing = true;
    outcome.message = MissingFileMessage(fileName);
    return 0;
  }
  CImageReadProblem problem;
  auto result = [&](int ok, const char* format) {
    if (!ok && !problem.reason.empty()) outcome.message = problem.Message(format);
    return ok ? 1 : 0;
  };
  if (HasFileExtension(fileName, ".RLC")) {
    outcome.type = kImageTypeRlc;
    return result(ReadRlcImage(fileName, image, &problem), "RLC");
  }
  outcome.type = GetImageFileType(fileName);
  switch (outcome.type) {
    case kImageTypeTiff: {
      const int code = ReadTiffImage(fileName, image, &outcome.orientation, &problem.detail);
      if (code == 0) return 1;
      problem.reason = TiffErrorText(code);
      return result(0, "TIFF");
    }
    case kImageTypeBmp: {
      const int r = ReadBmpIntoImage(fileName, image);
      if (r > 0) return 1;
      outcome.message = BmpErrorText(r);
      return 0;
    }
    case kImageTypeRaw: return ReadRawImage(fileName, image) ? 1 : 0;
    case kImageTypeJpeg: return result(ReadJpegFile(fileName, image, &problem), "JPEG");
    case kImageTypeGif: return result(ReadGIF(fileName, image, &problem) > 0, "GIF");
    case kImageTypePng: return result(ReadPngFile(fileName, image, &problem), "PNG");
    default: outcome.message = res::text::kUnknownFileFormat; return 0;
  }
}

int ReadImageFile(const std::string& fileName, CRasterImage& image) {
  CImageReadOutcome outcome;
  if (ReadImageByType(fileName, image, outcome)) return 1;
  if (!outcome.message.empty()) AfxMessageBox(outcome.message);
  return 0;
}

// ---------------------------------------------------------------------------
// BMP reader

namespace {

// Expands the RLE8 data into the image; skipped pixels are 0. Every run is
// checked against the row and the image; data that would write outside, or
// ends before the end-of-bitmap mark, fails. Rows are cleared as the data
// reaches them (runs only ever move forward), not all before decoding: a
// few bytes of data declaring a huge bitmap fail after the rows they
// reached, instead of after clearing gigabytes.
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
  const std::int64_t fileSize = FileSize(f);

  BYTE fh[14];
  if (std::fread(fh, 1, 14, f) != 14) return -1;
  if (ReadLe16(fh) != kBmpMagic) return -3;
  BYTE ih[kInfoHeaderSize];
  if (std::fread(ih, 1, kInfoHeaderSize, f) != kInfoHeaderSize) return -3;
  BmpInfo info;
  info.Parse(ih);
  if (info.size == kCoreHeaderSize || info.size < kInfoHeaderSize || info.size > kMaxHeaderSize) return -3;
  const int bits = info.bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return -3;
  if (info.compression != 0 && !(info.compression == 1 && bits == 8 && info.height > 0)) return -3;
  const std::int64_t w = info.width, h = info.AbsHeight();
  const bool topDown = info.height < 0;
  const int recordBits = bits == 1 ? 1 : 8;
  const int planes = bits == 24 ? 3 : 1;
  if (!ImageGeometryFits(w, h, planes, recordBits)) return -3;

  // The colour table follows the info header, whatever its size; it cannot
  // reach into the pixel data.
  const std::int64_t tableStart = 14 + static_cast<std::int64_t>(info.size);
  const std::int64_t dataOffset = ReadLe32(fh + 10);
  std::int64_t entries = bits <= 8 ? std::min<std::int64_t>(info.TableEntries(), 256) : 0;
  if (dataOffset != 0) entries = std::min(entries, std::max<std::int64_t>(0, (dataOffset - tableStart) / 4));
  const std::int64_t dataStart = dataOffset ? dataOffset : tableStart + 4 * entries;
  const std::int64_t storedRow = info.StoredRowBytes();
  // An uncompressed bitmap shorter than its rows is refused before any
  // memory is taken for it.
  if (info.compression == 0 && (fileSize < 0 || dataStart + storedRow * h > fileSize)) return -1;

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
                     : 1;
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

  if (info.compression == 1) {
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

// ---------------------------------------------------------------------------
// Packed DIBs

HDIB AllocDib(std::size_t bytes) {
  auto dib = std::unique_ptr<CDib>(new (std::nothrow) CDib);
  if (!dib) return nullptr;
  try {
    dib->data.assign(bytes, 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return dib.release();
}

void FreeDib(HDIB dib) { delete dib; }

namespace {

// Restores the arrow cursor on every way out.
struct WaitCursor {
  WaitCursor() { Host().BeginWait(); }
  ~WaitCursor() { Host().EndWait(); }
};

}  // namespace

HDIB LoadBmpAsDib(const std::string& fileName) {
  WaitCursor wait;
  CFilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file) {
    ShowDibError(19);
    return nullptr;
  }
  std::FILE* f = file.get();
  const std::int64_t fileSize = FileSize(f);
  BYTE fh[14];
  BYTE sizeField[4];
  if (std::fread(fh, 1, 14, f) != 14 || ReadLe16(fh) != kBmpMagic) return nullptr;
  if (std::fread(sizeField, 1, 4, f) != 4) return nullptr;
  const std::uint32_t headerSize = ReadLe32(sizeField);
  if (headerSize == kCoreHeaderSize || headerSize < kInfoHeaderSize || headerSize > kMaxHeaderSize) return nullptr;
  std::vector<BYTE> header(headerSize);
  std::memcpy(header.data(), sizeField, 4);
  if (std::fread(header.data() + 4, 1, headerSize - 4, f) != headerSize - 4) return nullptr;
  BmpInfo info;
  info.Parse(header.data());
  if (info.width <= 0 || info.height == 0 || info.bitCount == 0 || info.bitCount > 32) return nullptr;

  const std::int64_t entries = info.bitCount == 24 ? 0 : info.TableEntries();
  // Rows x height of a hostile header can be beyond 64 bits; no file holds that.
  std::int64_t imageSize = info.sizeImage;
  if (!info.sizeImage && __builtin_mul_overflow(info.StoredRowBytes(), info.AbsHeight(), &imageSize)) return nullptr;
  const std::int64_t tableBytes = 4 * entries;
  const std::int64_t dataOffset = ReadLe32(fh + 10);
  const std::int64_t tableStart = 14 + static_cast<std::int64_t>(headerSize);
  const std::int64_t dataStart = dataOffset ? dataOffset : tableStart + tableBytes;
  if (fileSize < 0 || tableStart + tableBytes > fileSize || dataStart + imageSize > fileSize) return nullptr;

  HDIB dib = AllocDib(static_cast<std::size_t>(headerSize + tableBytes + imageSize));
  if (!dib) return nullptr;
  std::unique_ptr<CDib> guard(dib);
  BYTE* p = dib->data.data();
  std::memcpy(p, header.data(), headerSize);
  // The block says what it holds: the table entries and the data size.
  WriteLe32(p + 20, static_cast<std::uint32_t>(imageSize));
  if (info.bitCount <= 8) WriteLe32(p + 32, static_cast<std::uint32_t>(entries));
  if (tableBytes &&
      std::fread(p + headerSize, 1, static_cast<std::size_t>(tableBytes), f) != static_cast<std::size_t>(tableBytes))
    return nullptr;
  if (fseeko(f, dataStart, SEEK_SET) != 0) return nullptr;
  if (std::fread(p + headerSize + tableBytes, 1, static_cast<std::size_t>(imageSize), f) !=
      static_cast<std::size_t>(imageSize))
    return nullptr;
  return guard.release();
}

HDIB MakeRgbDib(int width, int height, const BYTE* rgb) {
  if (width <= 0 || height <= 0 || !rgb) return nullptr;
  return BitmapToDibHandle(CDeviceBitmap{width, height, 1, 24, rgb}, nullptr);
}

int SaveDibAsBmp(HDIB dib, const std::string& fileName) {
  auto fail = [](int code) {
    ShowDibError(code);
    return code;
  };
  if (!dib) return fail(20);
  BYTE* p = dib->data.data();
  const std::int64_t blockSize = static_cast<std::int64_t>(dib->data.size());
  if (blockSize < kInfoHeaderSize || ReadLe32(p) != kInfoHeaderSize) return fail(21);
  BmpInfo info;
  info.Parse(p);
  if (info.width <= 0 || info.height == 0 || info.bitCount == 0 || info.bitCount > 32) return fail(21);
  const std::int64_t tableBytes = 4 * (info.bitCount == 24 ? 0 : info.TableEntries());
  std::int64_t dataSize;
  if (info.compression == 1 || info.compression == 2) {
    dataSize = info.sizeImage;
  } else {
    if (__builtin_mul_overflow(info.StoredRowBytes(), info.AbsHeight(), &dataSize) ||
        dataSize > std::numeric_limits<std::uint32_t>::max())
      return fail(21);
    WriteLe32(p + 20, static_cast<std::uint32_t>(dataSize));
  }
  const std::int64_t body = kInfoHeaderSize + tableBytes + dataSize;
  const std::int64_t total = 14 + body;
  if (body > blockSize || total > std::numeric_limits<std::uint32_t>::max()) return fail(21);

  BYTE fh[14] = {};
  WriteLe16(fh, kBmpMagic);
  WriteLe32(fh + 2, static_cast<std::uint32_t>(total));
  WriteLe32(fh + 10, static_cast<std::uint32_t>(14 + kInfoHeaderSize + tableBytes));
  CAtomicFile out;
  if (!out.Open(fileName)) return fail(4);
  if (!out.Write(fh, sizeof fh) || !out.Write(p, static_cast<std::size_t>(body)) || !out.Commit()) return fail(4);
  return 0;
}

const char* DibErrorText(int code) {
  if (code < 0 || code >= static_cast<int>(std::size(res::text::kDibErrorTexts))) return res::text::kDibErrorUnknown;
  return res::text::kDibErrorTexts[code];
}

void ShowDibError(int code) { AfxMessageBox(DibErrorText(code), MB_OK | MB_ICONERROR); }

}  // namespace qzn
