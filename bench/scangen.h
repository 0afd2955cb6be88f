// Synthetic scans for tests and benchmarks: contour-like lines, straight
// lines, text-like blobs and noise on a white background, at any size.
//
// The picture is a function of the options alone (the seed included): the
// random streams are our own, so the same options give the same picture on
// every machine (pixel for pixel wherever the maths library rounds alike).
// Time and memory are linear in the image size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scangen {

struct Options {
  std::int64_t width = 2000;
  std::int64_t height = 1500;
  std::uint32_t seed = 1;
  // Closed contour loops, grouped in nests of about eight around "hills"
  // spread over the sheet; -1 picks one loop per 40000 pixels.
  int contours = -1;
  int minLineWidth = 1;  // pixels, every curve and line picks a width in range
  int maxLineWidth = 4;
  int straightLines = -1;  // -1 picks one per 200000 pixels
  int textBlobs = -1;      // words of letter-like strokes; -1: one per 50000 pixels
  int wavyLines = -1;      // long open wavy lines across the sheet; -1: one per 600 pixels of width + height
  double noise = 0.0005;   // share of pixels turned into dark specks
  // A map grid over the whole sheet: lines from edge to edge in both
  // directions, this many pixels apart (0: none). Every grid line crosses
  // every band of rows, joining most of the ink into one region.
  int gridSpacing = 0;
  // Contour lines as the level lines of a generated terrain, this many
  // levels between its lowest and highest point (0: none). Unlike the loops
  // above they wander across the sheet and off its edges, close round tops
  // and hollows, and never cross one another, so each is a region of its own
  // however far it reaches, as on a scanned contour sheet. Every fifth level
  // is an index contour at the widest width.
  int terrainLevels = 0;
  // Width in pixels of the grey fade at the edge of every stroke (1: half a
  // pixel either side of the stroke's edge).
  double edgeWidth = 1.0;
  // The scanner's noise: a pixel moves by up to this much either way at
  // mid-grey, less towards black and white, and white paper not at all (0:
  // none), so thresholded stroke edges come out ragged.
  int grain = 0;
};

// An 8-bit grey image, 0 black, 255 white, rows top first.
struct GreyImage {
  std::int64_t width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
  std::uint8_t at(std::int64_t x, std::int64_t y) const { return pixels[y * width + x]; }
};

// Throws std::invalid_argument for a non-positive size or line width range.
GreyImage Generate(const Options& opt);

// A whole contour sheet as users scan them: 9672 x 8256 pixels (80
// megapixels), dense nests of contours 2 to 8 pixels wide with the rest of
// the picture, and a map grid every 600 pixels from edge to edge, which joins
// most of the ink into one region that crosses every band of rows; about
// 24 % of the pixels are ink.
Options ContourSheet(std::uint32_t seed = 7);

// A scanned contour sheet without a grid, the same size: terrain contours 2
// to 5 pixels wide with soft grey edges and the scanner's noise, lettering
// and specks. Thousands of separate regions, many of them reaching across
// much of the sheet.
Options ScannedSheet(std::uint32_t seed = 7);

// The sheets of the whole-sheet conversion benchmarks: 0 the contour sheet,
// 1 the scanned sheet, at the size QZN_BENCH_CONVERT_SIZE gives ("4000x3000")
// when it is set.
Options ConversionSheet(int kind);

// Writes a binary PGM (P5); returns false on error (the target is then left
// as it was).
bool WritePgm(const GreyImage& img, const std::string& path);
// A binary PBM of the ink (pixels below 128 as set bits): the bitmap potrace
// traces in the conversion benchmarks.
bool WritePbm(const GreyImage& img, const std::string& path);

enum class Compression {
  None,  // 8-bit grey, uncompressed
  Lzw,   // 8-bit grey, LZW
  G4,    // bilevel (pixels below 128 are black), CCITT group 4
};

// Writes a TIFF: 8-bit grey with photometric min-is-black (0 is black), or
// for G4 1 bit with min-is-white (1 is black). Large images go to BigTIFF.
// Returns false on error (the target is then left as it was).
bool WriteTiff(const GreyImage& img, const std::string& path, Compression compression);

}  // namespace scangen
