// The in-memory raster image: one block of pixels, stored plane after plane,
// rows top first without padding, plus the palette, the 15-bit colour cache
// of RGB images and the GeoTIFF georeference read with the image.
//
// Every reader fills a CRasterImage, every writer reads one, every pixel
// algorithm and the imaging library (raster/imaging.h) work on it in place.
// The record owns its blocks; the raw pointers (pixels, red/green/blue,
// colorCache, tiePoints) always point into the owned blocks or are null.
//
// Sizes and offsets are computed in 64 bits throughout: a 30000 x 30000 RGB
// scan is 2.7 GB.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/wintypes.h"

namespace qzn {

// A rectangle and plane of an image, as handed to the imaging library:
// left, top, width, height (right and bottom exclusive), plane.
struct CImageArea {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t plane = 0;
};

// Integer pixel position used by LinePoints and SampleForeground.
struct CPixelPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

inline constexpr std::int32_t kGeoKeysDamaged = -1;

// What the pixel values of an image mean, with the codes TIFF stores.
enum Photometric : std::int32_t {
  kPhotometricMinIsWhite = 0,  // grey or bilevel: 0 is white
  kPhotometricMinIsBlack = 1,  // grey or bilevel: 0 is black
  kPhotometricRgb = 2,         // three planes, red, green, blue
  kPhotometricPalette = 3,     // indices into the palette
  kPhotometricSeparated = 5,   // classified: class numbers, the class colours as palette
};
// Grey (or bilevel) values rather than colours or indices.
constexpr bool IsGreyPhotometric(std::int32_t code) {
  return code == kPhotometricMinIsWhite || code == kPhotometricMinIsBlack;
}

class CRasterImage {
 public:
  CRasterImage();
  ~CRasterImage();
  CRasterImage(const CRasterImage&) = delete;
  CRasterImage& operator=(const CRasterImage&) = delete;

  // ---- the header ----
  BYTE* pixels;                 // pixel block, null when there is none
  std::int32_t width;           // pixels a row
  std::int32_t height;          // rows
  std::int32_t planes;          // 1, or 3 for R, G, B planes
  std::int32_t bitsPerSample;   // 1 or 8 (16 for the template search only)
  float xResolution;            // pixels per resolution unit across
  float yResolution;            // pixels per resolution unit down
  std::int32_t photometric;     // a Photometric code
  std::int32_t resolutionUnit;  // 2 inch, 3 centimetre, 0 not set

  // Owned blocks. The "handles" of the record are the owning pointers; the
  // plain pointers beside them are views into them.
  std::unique_ptr<BYTE[]> pixelBlock;
  std::unique_ptr<BYTE[]> paletteBlock;  // 768 bytes: red, green, blue tables
  BYTE* red;
  BYTE* green;
  BYTE* blue;
  std::unique_ptr<BYTE[]> colorCacheBlock;
  BYTE* colorCache;  // 32768 entries: 15-bit colour -> palette index

  std::int32_t tiePointCount;
  double* tiePoints;  // tiePointCount x (I, J, K, X, Y, Z)
  std::unique_ptr<double[]> tiePointBlock;
  double pixelScale[3];
  std::int32_t pixelScaleValid;
  double modelTransformation[16];
  std::int32_t modelTransformationValid;
  // How the GeoTIFF data places pixels (GTRasterTypeGeoKey): 1 pixel is area
  // (raster point (0, 0) is the image's top-left corner), 2 pixel is point
  // (it is the centre of the top-left pixel); 0 not said, read as area;
  // kGeoKeysDamaged when the file's GeoKey directory cannot be read, so its
  // GeoTIFF data must not be trusted.
  std::int32_t geoRasterType;

  // ---- life cycle and memory ----
  // Resets every field to its initial value (the constructor's state); the
  // blocks the record owns are released with it.
  void Init();
  // Allocates row-bytes x planes x height for the header's size (contents
  // undefined). A zero size returns 1 with no block. The new block is
  // allocated before the old one is released, so on failure (0: no memory,
  // or a size beyond 64 bits) the image keeps its old pixels.
  int AllocPixels();
  // Frees the pixel, palette, colour-cache and tie-point blocks; the header stays.
  void Free();
  // Copies the header, palette, tie points, pixel scale and transformation of
  // the source; with allocate also a pixel block (and the colour cache), with
  // copyPixels the source's pixels. Copying an image onto itself is a no-op
  // returning 1. Result 0 when an allocation fails.
  int CopyFrom(const CRasterImage& source, int allocate, int copyPixels);
  // Takes over the source's header and blocks (the source is left as after
  // Init); what this record held before is released. For loaders that fill
  // a temporary and replace the image only on success.
  void MoveFrom(CRasterImage& source);
  bool SameFormat(const CRasterImage& other) const;

  // Palette (768 bytes, zeroed), colour cache (32768 bytes, zeroed) and tie
  // points (count x 6 doubles, zeroed); each replaces an existing block and
  // returns 0 when memory cannot be had (the old block is then kept).
  int AllocPalette();
  int AllocColorCache();
  int AllocTiePoints(std::int32_t count);
  void FreePalette();
  void FreeColorCache();
  void FreeTiePoints();
  // Installs a pixel block the caller filled (row-bytes x planes x height of
  // the header it set), releasing the old one.
  void SetPixelBlock(std::unique_ptr<BYTE[]> block);

  std::int64_t GetRowBytes() const;
  std::int64_t GetUnpackedRowBytes() const;
  std::int64_t GetPlaneOffset(int n) const;
  std::int64_t GetPlaneBytes() const { return GetRowBytes() * height; }
  std::int64_t GetImageBytes() const { return GetPlaneBytes() * planes; }
  BYTE* GetPlane(int n) const { return pixels ? pixels + GetPlaneOffset(n) : nullptr; }
  BYTE* GetRow(int y, int n = 0) const {
    return pixels + GetPlaneOffset(n) + GetRowBytes() * static_cast<std::int64_t>(y);
  }
  bool HasPixels() const { return pixels != nullptr; }
  bool HasPalette() const { return red != nullptr; }

  // ---- kinds (each false without pixels) ----
  bool IsBilevel() const;
  bool IsGrey() const;
  bool IsPaletteColor() const;
  bool IsSeparated() const;
  bool IsRGB() const;
  // The value of white: 0 when photometric is 0, else 255 (all bits set).
  BYTE WhiteValue() const { return photometric == kPhotometricMinIsWhite ? 0 : 255; }

  // ---- pixel access (no bounds checks) ----
  int GetBit(int x, int y) const { return (GetRow(y)[x >> 3] >> (7 - (x & 7))) & 1; }
  void SetBit(int x, int y, int v) {
    BYTE* p = GetRow(y) + (x >> 3);
    const BYTE m = static_cast<BYTE>(0x80 >> (x & 7));
    if (v)
      *p |= m;
    else
      *p &= static_cast<BYTE>(~m);
  }
  void ClearBit(int x, int y) { SetBit(x, y, 0); }
  BYTE GetByte(int x, int y) const { return GetRow(y)[x]; }
  void SetByte(int x, int y, BYTE v) { GetRow(y)[x] = v; }
  BYTE GetPlaneByte(int x, int y, int n) const { return GetRow(y, n)[x]; }
  void SetPlaneByte(int x, int y, int n, BYTE v) { GetRow(y, n)[x] = v; }
  void GetRowBits(int y, BYTE* out) const;  // width bytes of 0/1
  void SetRowBits(int y, const BYTE* in);   // width bytes of 0/1
  void GetPlaneRow(int y, int n, BYTE* out) const;
  void PutPlaneRow(int y, int n, const BYTE* in);
  void GetPlaneColumn(int x, int n, BYTE* out) const;
  void PutPlaneColumn(int x, int n, const BYTE* in);
  void GetPaletteColor(int i, BYTE* r, BYTE* g, BYTE* b) const;

  // ---- rectangle transfers (one byte a pixel, 0/1 at 1 bit) ----
  // Each clips to the image and to the buffer it is given (rows and columns
  // outside the image are left out); result 0 without pixels or buffer or
  // for depths other than 1 and 8 bits.
  // GetRect: the w x h window at (x, y) into a buffer of w bytes a row.
  int GetRect(int x, int y, BYTE* buffer, int w, int h) const;
  // As GetRect; at 1 bit the buffer rows are packed, (w + 7) / 8 bytes,
  // most significant bit first.
  int GetRectPacked(int x, int y, BYTE* buffer, int w, int h) const;
  // Writes rows - trim rows of stride - trim pixels from a buffer of stride
  // bytes a row (trim 1 leaves out the buffer's last row and column).
  int PutRect(int x, int y, const BYTE* buffer, int stride, int rows, int trim);
  // Writes a band of `rows` source rows padded to 4 bytes (a DIB band):
  // count pixels from column x, as bytes (8 bits, 1 plane), as 3-byte pixels
  // whose byte k goes to plane k (8 bits, 3 planes), or as packed bits, the
  // bits of a last partial byte included (1 bit).
  int PutBandAligned(int x, int y, const BYTE* source, int count, int rows);

  // ---- stream backup of the first plane ----
  // Both rewind the stream; 0 without pixels or stream, or when the whole
  // plane could not be written or read back.
  int WriteRaw(std::FILE* stream) const;
  int ReadRaw(std::FILE* stream);

  // ---- colour ----
  int NearestPaletteIndex(int r, int g, int b) const;
  int UpdateColorCache(int r, int g, int b);
  static int ColorCacheIndex(int r, int g, int b) { return ((b >> 3) << 10) | ((g >> 3) << 5) | (r >> 3); }

  // ---- foreground tests ----
  // key: grey images pack low << 16 | high; palette/separated images the value.
  int IsForeground(int x, int y, int key) const;
  // count entries of IsForeground for the points; null when memory fails.
  std::unique_ptr<BYTE[]> SampleForeground(const CPixelPoint* points, std::int64_t count, int key) const;
  // Overwrites points (whose first two entries are the end points) with the
  // Bresenham points from the first towards the second (the second not
  // included) and returns their count, max(|dx|, |dy|).
  static int LinePoints(CPixelPoint* points);

 private:
  // Every header field from width through the five int32 before the blocks.
  void CopyHeaderFrom(const CRasterImage& source);
};

// The same as CRasterImage::Free.
void FreeImageMemory(CRasterImage* image);

}  // namespace qzn
