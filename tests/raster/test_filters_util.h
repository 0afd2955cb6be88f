// Small hand-drawn images for the pixel-operation tests: rows of characters
// ('#' foreground/set, '.' clear) or of numbers, and back.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "raster/rasterimage.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace pixfix {

inline std::unique_ptr<CRasterImage> MakeImage(int w, int h, int bits, int photometric, int planes = 1) {
  auto img = std::make_unique<CRasterImage>();
  img->width = w;
  img->height = h;
  img->bitsPerSample = bits;
  img->photometric = photometric;
  img->planes = planes;
  img->AllocPixels();
  if (img->pixels) std::memset(img->pixels, 0, static_cast<std::size_t>(img->GetImageBytes()));
  return img;
}

// '#' = 1 (a set bit, or the byte 1), anything else 0.
inline std::unique_ptr<CRasterImage> FromRows(const std::vector<std::string>& rows, int bits, int photometric = 0) {
  const int h = static_cast<int>(rows.size());
  const int w = h ? static_cast<int>(rows[0].size()) : 0;
  auto img = MakeImage(w, h, bits, photometric);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int v = rows[y][x] == '#' ? 1 : 0;
      if (bits == 1)
        img->SetBit(x, y, v);
      else
        img->SetByte(x, y, static_cast<BYTE>(v));
    }
  return img;
}

inline int Sample(const CRasterImage& img, int x, int y) {
  return img.bitsPerSample == 1 ? img.GetBit(x, y) : img.GetByte(x, y);
}

inline std::vector<std::string> ToRows(const CRasterImage& img) {
  std::vector<std::string> rows;
  for (int y = 0; y < img.height; ++y) {
    std::string r;
    for (int x = 0; x < img.width; ++x) r += Sample(img, x, y) ? '#' : '.';
    rows.push_back(r);
  }
  return rows;
}

inline std::unique_ptr<CRasterImage> GreyFrom(const std::vector<std::vector<int>>& rows, int photometric = 1) {
  const int h = static_cast<int>(rows.size());
  const int w = h ? static_cast<int>(rows[0].size()) : 0;
  auto img = MakeImage(w, h, 8, photometric);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img->SetByte(x, y, static_cast<BYTE>(rows[y][x]));
  return img;
}

inline std::vector<std::vector<int>> GreyOf(const CRasterImage& img, int plane = 0) {
  std::vector<std::vector<int>> rows(static_cast<std::size_t>(img.height));
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) rows[y].push_back(img.GetPlaneByte(x, y, plane));
  return rows;
}

// Writes plane 0 of an 8-bit image as a binary PGM for the Python oracles.
inline void WritePgm(const CRasterImage& img, const std::string& path) {
  std::string s = "P5\n" + std::to_string(img.width) + " " + std::to_string(img.height) + "\n255\n";
  std::vector<std::uint8_t> bytes(s.begin(), s.end());
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) bytes.push_back(img.GetByte(x, y));
  qzntest::WriteFileBytes(path, bytes);
}

// Reads back a P5 PGM written by the oracle into a vector of rows.
inline std::vector<std::vector<int>> ReadPgm(const std::string& path) {
  const std::vector<std::uint8_t> b = qzntest::ReadFileBytes(path);
  std::size_t pos = 0;
  auto token = [&]() {
    while (pos < b.size() && std::isspace(b[pos])) ++pos;
    std::string t;
    while (pos < b.size() && !std::isspace(b[pos])) t += static_cast<char>(b[pos++]);
    return t;
  };
  if (token() != "P5") return {};
  const int w = std::stoi(token()), h = std::stoi(token());
  token();
  ++pos;
  std::vector<std::vector<int>> rows(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rows[y].push_back(pos < b.size() ? b[pos++] : -1);
  return rows;
}

}  // namespace pixfix
