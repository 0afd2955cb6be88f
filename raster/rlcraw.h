// Two small readers: run-length coded bilevel files (.RLC) and raw pixel
// data described by a text header (a file beginning "FILENAME").
//
// RLC: 16-bit words, most significant byte first: rows, columns, then one
// record a row, top row first: a run count n and n (start, end) pairs,
// counted in columns from the right edge; the pixels of a run are set
// (foreground, photometric 0).
//
// Raw header lines: "FILENAME <path>", "COLS n", "ROWS n", "PLANES n",
// "BITSPERPIXEL n", "SKIPBYTES n" (negative: the data ends the file),
// "MINISBLACK" or "COLOR". The data holds the planes one after another, rows
// top first, without padding: 8 bits one byte a sample, 16 bits two bytes in
// little-endian order, 1 bit packed rows of (COLS + 7) / 8 bytes, most
// significant bit first.
#pragma once

#include <string>

namespace qzn {

class CRasterImage;
struct CImageReadProblem;

// 1 when the whole image was read; 0 when the file cannot be opened, its
// header is invalid, a row's runs are out of order or beyond the width, or
// the file ends early. The record is changed only on success.
// problem (may be null) says why a file was refused.
int ReadRlcImage(const std::string& fileName, CRasterImage& image, CImageReadProblem* problem = nullptr);

// 1 or 0. Accepts 1 plane at 1, 8 or 16 bits and 3 planes at 8 or 16 bits;
// refuses data files shorter than SKIPBYTES plus the pixel data. The record
// is changed only on success.
int ReadRawImage(const std::string& headerFileName, CRasterImage& image);

}  // namespace qzn
