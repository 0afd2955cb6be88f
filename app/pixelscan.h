// Finding the next foreground pixel of a row quickly: the tracers' scans
// skip background a machine word at a time. Both read the row afresh on
// every call, so a caller may change the row between calls.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/wintypes.h"

namespace qzn {

// Index of the first non-zero byte of row[from .. to), or to.
inline int NextNonZeroByte(const BYTE* row, int from, int to) {
  int x = from;
  for (; x < to && (x & 7); ++x)
    if (row[x]) return x;
  for (; x + 8 <= to; x += 8) {
    std::uint64_t v;
    std::memcpy(&v, row + x, 8);
    if (v) break;
  }
  for (; x < to; ++x)
    if (row[x]) return x;
  return to;
}

// Index of the first zero byte of row[from .. to), or to.
inline int NextZeroByte(const BYTE* row, int from, int to) {
  int x = from;
  for (; x < to && (x & 7); ++x)
    if (!row[x]) return x;
  for (; x + 8 <= to; x += 8) {
    std::uint64_t v;
    std::memcpy(&v, row + x, 8);
    if ((v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull) break;  // a zero byte in v
  }
  for (; x < to; ++x)
    if (!row[x]) return x;
  return to;
}

// The first set pixel at from .. to - 1 of a 1-bit row (leftmost pixel in
// the top bit), or to.
inline int NextSetBit(const BYTE* row, int from, int to) {
  for (int x = from; x < to;) {
    if ((x & 7) == 0) {
      const int byte = NextNonZeroByte(row, x >> 3, (to + 7) >> 3);
      if (byte * 8 > x) x = byte * 8;
      if (x >= to) break;
    }
    if ((row[x >> 3] >> (7 - (x & 7))) & 1) return x;
    ++x;
  }
  return to;
}

}  // namespace qzn
