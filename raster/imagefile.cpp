// Image file reading by type and the packed DIB pair (the BMP reader is in
// raster/bmpread.cpp).
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
#include "raster/bmpheader.h"
#include "raster/dib.h"
#include "raster/gifread.h"
#include "raster/jpegpng.h"
#include "raster/rasterimage.h"
#include "raster/rlcraw.h"
#include "raster/tiffio.h"
#include "resources/messages_common.h"
#include "resources/messages_raster.h"

namespace qzn {

// ---------------------------------------------------------------------------
// Shared helpers

std::int64_t StreamSize(std::FILE* f) {
  const auto here = ftello(f);
  if (fseeko(f, 0, SEEK_END) != 0) return -1;
  const std::int64_t size = ftello(f);
  fseeko(f, here, SEEK_SET);
  return size;
}

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
  const std::int64_t fileSize = StreamSize(f);
  BYTE fh[14];
  BYTE sizeField[4];
  if (std::fread(fh, 1, 14, f) != 14 || ReadLe16(fh) != kBmpMagic) return nullptr;
  if (std::fread(sizeField, 1, 4, f) != 4) return nullptr;
  const std::uint32_t headerSize = ReadLe32(sizeField);
  if (headerSize < kDibInfoHeaderSize || headerSize > kBmpMaxHeaderSize) return nullptr;
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
  if (blockSize < kDibInfoHeaderSize || ReadLe32(p) != kDibInfoHeaderSize) return fail(21);
  BmpInfo info;
  info.Parse(p);
  if (info.width <= 0 || info.height == 0 || info.bitCount == 0 || info.bitCount > 32) return fail(21);
  const std::int64_t tableBytes = 4 * (info.bitCount == 24 ? 0 : info.TableEntries());
  std::int64_t dataSize;
  if (info.compression == kBmpRle8 || info.compression == kBmpRle4) {
    dataSize = info.sizeImage;
  } else {
    if (__builtin_mul_overflow(info.StoredRowBytes(), info.AbsHeight(), &dataSize) ||
        dataSize > std::numeric_limits<std::uint32_t>::max())
      return fail(21);
    WriteLe32(p + 20, static_cast<std::uint32_t>(dataSize));
  }
  const std::int64_t body = kDibInfoHeaderSize + tableBytes + dataSize;
  const std::int64_t total = 14 + body;
  if (body > blockSize || total > std::numeric_limits<std::uint32_t>::max()) return fail(21);

  BYTE fh[14] = {};
  WriteLe16(fh, kBmpMagic);
  WriteLe32(fh + 2, static_cast<std::uint32_t>(total));
  WriteLe32(fh + 10, static_cast<std::uint32_t>(kBmpFileHeaderSize + kDibInfoHeaderSize + tableBytes));
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
