// Bitmap files made byte by byte for the BMP reader's tests, and a record
// holding something, to see that a failed read leaves it alone.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "raster/rasterimage.h"

namespace bmptest {

using qzn::CRasterImage;

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A BMP file: file header, 40-byte info header, colour table, data.
inline Bytes MakeBmp(std::int32_t width, std::int32_t height, int bits, int tableEntries, const Bytes& data,
                     int compression = 0, std::uint32_t headerSize = 40) {
  Bytes b(14 + 40 + 4 * tableEntries);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size() + data.size()));
  Put32(b, 10, static_cast<std::uint32_t>(b.size()));
  Put32(b, 14, headerSize);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<std::uint32_t>(bits));
  Put32(b, 30, static_cast<std::uint32_t>(compression));
  Put32(b, 34, static_cast<std::uint32_t>(data.size()));
  Put32(b, 46, static_cast<std::uint32_t>(tableEntries));
  for (int i = 0; i < tableEntries; ++i) {
    b[54 + 4 * i] = static_cast<std::uint8_t>(i);
    b[55 + 4 * i] = static_cast<std::uint8_t>(255 - i);
    b[56 + 4 * i] = static_cast<std::uint8_t>(i * 3);
  }
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

inline void FillSentinel(CRasterImage& img) {
  img.width = 3;
  img.height = 2;
  img.bitsPerSample = 8;
  img.planes = 1;
  img.photometric = 1;
  ASSERT_EQ(img.AllocPixels(), 1);
  std::memset(img.pixels, 77, 6);
}
inline void ExpectSentinel(const CRasterImage& img) {
  ASSERT_EQ(img.width, 3);
  ASSERT_EQ(img.height, 2);
  ASSERT_NE(img.pixels, nullptr);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(img.pixels[i], 77);
}

}  // namespace bmptest
