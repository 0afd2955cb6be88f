// The Windows bitmap file's own headers, as the BMP reader and the packed
// DIB pair (raster/imagefile.h) take them apart.
#pragma once

#include <cstdint>

#include "platform/wintypes.h"
#include "raster/dib.h"

namespace qzn {

inline constexpr std::uint16_t kBmpMagic = 19778;  // "BM"
inline constexpr std::int64_t kBmpFileHeaderSize = 14;
// Larger headers (the V4 and V5 headers) extend the 40-byte one; anything
// beyond this is not a bitmap header.
inline constexpr std::uint32_t kBmpMaxHeaderSize = 1024;
// Compression codes of the info header.
inline constexpr std::uint32_t kBmpUncompressed = 0;
inline constexpr std::uint32_t kBmpRle8 = 1;
inline constexpr std::uint32_t kBmpRle4 = 2;

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
  // A header size this program can take: the info header or a larger one,
  // not the 12-byte core header of old files.
  bool SizeUsable() const { return size >= kDibInfoHeaderSize && size <= kBmpMaxHeaderSize; }
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

}  // namespace qzn
