// RLC and raw image readers.
#include "raster/rlcraw.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/imagefile.h"
#include "raster/rasterimage.h"
#include "resources/messages_raster.h"

namespace qzn {

namespace {

// Reads count big-endian 16-bit words.
bool ReadWords(std::FILE* f, std::uint16_t* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const int hi = getc(f);
    const int lo = getc(f);
    if (lo == EOF || hi == EOF) return false;
    out[i] = static_cast<std::uint16_t>((hi << 8) | lo);
  }
  return true;
}

// Sets the bits [from, to) of a packed row, most significant bit first.
void SetBitRange(BYTE* row, std::int64_t from, std::int64_t to) {
  if (from >= to) return;
  std::int64_t firstFull = (from + 7) / 8, lastFull = to / 8;  // whole bytes [firstFull, lastFull)
  if (firstFull > lastFull) {                                  // inside one byte
    for (std::int64_t x = from; x < to; ++x) row[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
    return;
  }
  for (std::int64_t x = from; x < firstFull * 8; ++x) row[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
  if (lastFull > firstFull) std::memset(row + firstFull, 0xFF, static_cast<std::size_t>(lastFull - firstFull));
  for (std::int64_t x = lastFull * 8; x < to; ++x) row[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
}

}  // namespace

int ReadRlcImage(const std::string& fileName, CRasterImage& image, CImageReadProblem* problem) {
  const CReadRefusal refuse(problem);
  auto fail = [&](const char* reason = kReadDamaged) { return refuse(reason); };
  CFilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file) return fail(kReadNotThisFormat);
  std::FILE* f = file.get();
  std::uint16_t size[2];
  if (!ReadWords(f, size, 2) || size[0] == 0 || size[1] == 0) return fail(kReadNotThisFormat);
  const std::int64_t rows = size[0], cols = size[1];
  // Every row has a record of at least its run count: a file too short for
  // that is refused before the image's memory is taken.
  if (fseeko(f, 0, SEEK_END) != 0) return fail();
  const std::int64_t fileSize = ftello(f);
  if (fileSize < 4 + 2 * rows || fseeko(f, 4, SEEK_SET) != 0) return fail();

  CRasterImage tmp;
  tmp.width = static_cast<std::int32_t>(cols);
  tmp.height = static_cast<std::int32_t>(rows);
  tmp.planes = 1;
  tmp.bitsPerSample = 1;
  tmp.photometric = kPhotometricMinIsWhite;
  if (!tmp.AllocPixels()) return fail(kReadNoMemory);
  const std::int64_t rowBytes = tmp.GetRowBytes();

  // Run words are at most the width and ascend; a row cannot hold more runs
  // than the width has pixels. The first row with runs also serves as the
  // file's signature: its words must all lie inside the width.
  std::vector<std::uint16_t> words;
  words.reserve(static_cast<std::size_t>(2 * cols));
  bool sawRuns = false;
  for (std::int64_t y = 0; y < rows; ++y) {
    std::uint16_t n;
    if (!ReadWords(f, &n, 1) || n > cols) return fail();
    words.resize(2 * static_cast<std::size_t>(n));
    if (!ReadWords(f, words.data(), words.size())) return fail();
    const std::int64_t limit = sawRuns ? cols : cols - 1;
    for (std::size_t i = 0; i < words.size(); ++i)
      if (words[i] > limit || (i > 0 && words[i] < words[i - 1])) return fail();
    if (n) sawRuns = true;
    BYTE* row = tmp.GetRow(static_cast<int>(y));
    std::memset(row, 0, static_cast<std::size_t>(rowBytes));
    for (std::size_t i = 0; i < words.size(); i += 2) SetBitRange(row, cols - words[i + 1], cols - words[i]);
  }
  image.MoveFrom(tmp);
  return 1;
}

// ---------------------------------------------------------------------------
// Raw image with a text header

namespace {

struct RawHeader {
  std::string fileName;
  long long cols = 0, rows = 0, planes = 0, bits = 0, skip = 0;
  int photometric = kPhotometricMinIsBlack;
};

bool ParseRawHeader(const std::string& path, RawHeader& h) {
  CTextFileReader reader;
  if (!reader.Open(path)) return false;
  std::string line;
  auto value = [&](std::string_view kw) -> std::string {
    return line.size() > kw.size() ? line.substr(kw.size() + 1) : std::string();
  };
  auto number = [&](std::string_view kw) { return std::strtoll(value(kw).c_str(), nullptr, 10); };
  while (reader.ReadLine(line)) {
    // Headers written on Windows may carry a carriage return or trailing blanks.
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    auto starts = [&](std::string_view kw) { return std::string_view(line).substr(0, kw.size()) == kw; };
    if (starts("FILENAME"))
      h.fileName = value("FILENAME");
    else if (starts("COLS"))
      h.cols = number("COLS");
    else if (starts("ROWS"))
      h.rows = number("ROWS");
    else if (starts("PLANES"))
      h.planes = number("PLANES");
    else if (starts("BITSPERPIXEL"))
      h.bits = number("BITSPERPIXEL");
    else if (starts("SKIPBYTES"))
      h.skip = number("SKIPBYTES");
    else if (starts("MINISBLACK"))
      h.photometric = kPhotometricMinIsBlack;
    else if (starts("COLOR"))
      h.photometric = kPhotometricRgb;
  }
  return !reader.Error();
}

// The data file: the path as written, else a file of the same name beside
// the header (the header may have come from another machine, with Windows
// separators).
bool FindDataFile(const std::string& headerPath, const std::string& named, std::string& out) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(named, ec)) {
    out = named;
    return true;
  }
  const std::size_t slash = named.find_last_of("/\\");
  const std::string base = slash == std::string::npos ? named : named.substr(slash + 1);
  if (base.empty()) return false;
  const auto candidate = std::filesystem::path(headerPath).parent_path() / base;
  if (std::filesystem::is_regular_file(candidate, ec)) {
    out = candidate.string();
    return true;
  }
  return false;
}

}  // namespace

int ReadRawImage(const std::string& headerFileName, CRasterImage& image) {
  RawHeader h;
  if (!ParseRawHeader(headerFileName, h)) return 0;
  if (h.fileName.empty() || h.rows <= 0 || h.cols <= 0 || h.planes <= 0 || h.bits <= 0) return 0;
  // Only what the record can hold: grey or three colour planes of 8 or 16
  // bits, and packed bilevel rows.
  if (h.planes != 1 && h.planes != 3) return 0;
  if (h.bits != 1 && h.bits != 8 && h.bits != 16) return 0;
  if (h.bits == 1 && h.planes != 1) return 0;
  if (!ImageGeometryFits(h.cols, h.rows, static_cast<int>(h.planes), static_cast<int>(h.bits))) return 0;
  std::string dataPath;
  if (!FindDataFile(headerFileName, h.fileName, dataPath)) return 0;

  CRasterImage tmp;
  tmp.bitsPerSample = static_cast<std::int32_t>(h.bits);
  tmp.width = static_cast<std::int32_t>(h.cols);
  tmp.height = static_cast<std::int32_t>(h.rows);
  tmp.planes = static_cast<std::int32_t>(h.planes);
  tmp.photometric = h.planes < 3 ? kPhotometricMinIsBlack : h.photometric;
  const std::int64_t blockSize = tmp.GetImageBytes();

  CFilePtr file(std::fopen(dataPath.c_str(), "rb"));
  if (!file) {
    AfxMessageBox(res::text::kCannotOpenImageForReading);
    return 0;
  }
  std::FILE* f = file.get();
  if (fseeko(f, 0, SEEK_END) != 0) return 0;
  const std::int64_t length = ftello(f);
  std::int64_t skip = h.skip;
  if (skip < 0) skip = length - blockSize;
  // The size is checked before any memory is taken: a header that promises
  // more pixels than the file holds is refused.
  if (skip < 0 || length < 0 || skip > length - blockSize) {
    AfxMessageBox(res::text::kImageSizeMismatch);
    return 0;
  }
  if (!tmp.AllocPixels()) return 0;
  if (fseeko(f, skip, SEEK_SET) != 0) return 0;
  if (std::fread(tmp.pixels, 1, static_cast<std::size_t>(blockSize), f) != static_cast<std::size_t>(blockSize))
    return 0;
  image.MoveFrom(tmp);
  return 1;
}

}  // namespace qzn
