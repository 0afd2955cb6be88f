// Our imaging library: the pixel operations the document, the view, the
// vectoriser and the georeferencing call on a CRasterImage (or on raw planes).
// All work in place on the record; every pass is linear in the pixels it
// touches. Results follow the library's conventions: 1 (non-zero) for done,
// 0 for failure, except GetDisplayBuffer (negative = failure), TDGetPixel and
// GetOptimalThresh (values).
//
// The algorithms are named where they are implemented (imaging*.cpp) and in
// docs/imaging.md.
#pragma once

#include <cstdint>

#include "raster/rasterimage.h"

namespace qzn {

// Sample of plane `plane` at (x, y): 0/1 at 1 bit, the byte at 8 bits, the
// 16-bit word (native order) at 16 bits; 0 outside the image or without pixels.
int TDGetPixel(const CRasterImage* image, int x, int y, int plane);

// 256-bin histogram of the area's plane (clipped to the image; 1-bit images
// count 0 and 1). Fills bins with zeros first. Result 0 without pixels.
int GenHistogram(const CRasterImage* image, const CImageArea* area, int* bins256);

// Otsu's optimal threshold over a histogram of `count` bins: the level t that
// maximises the between-class variance of [0, t] and [t + 1, count - 1].
int GetOptimalThresh(const int* bins, int count);

// Sets the outermost rows and columns of one 8-bit plane to fill.
void ClearImageBounds8(BYTE* plane, int width, int height, BYTE fill);

// Colour feature of a rectangle of an RGB pixel block (three planes of
// width x height): mean and standard deviation of red, green and blue, in the
// order R mean, R sd, G mean, G sd, B mean, B sd. The rectangle is clipped to
// the image; 0 when nothing of it is inside.
int ImageGetRGBFeature24(const BYTE* pixels, int width, int height, int left, int top, int w, int h, float* feature6);

// lut[v] = 1 for every value v of plane 0 that occurs in the rectangle of a
// palette or separated image, else 0. Result 0 for other kinds.
int PrepareImageColor8LUT(const CRasterImage* image, int left, int top, int w, int h, BYTE* lut256);

// Resamples the source rectangle (sx, sy, sw2, sh2) of a plane of sw x sh
// into the target rectangle (tx, ty, tw2, th2) of a plane of tw x th.
// SizeImage1 works on packed 1-bit rows ((w + 7) / 8 bytes) by nearest pixel;
// SizeImage8 on byte rows by bilinear interpolation between pixel centres.
// Result 0 for bad sizes or rectangles.
int SizeImage1(const BYTE* source, int sw, int sh, int sx, int sy, int sw2, int sh2, BYTE* target, int tw, int th,
               int tx, int ty, int tw2, int th2);
int SizeImage8(const BYTE* source, int sw, int sh, int sx, int sy, int sw2, int sh2, BYTE* target, int tw, int th,
               int tx, int ty, int tw2, int th2);

// RGB image: builds a 256-entry display palette (median cut over the 15-bit
// colour histogram) and the 32768-entry colour cache (nearest palette entry
// of every 15-bit colour). The three planes are kept. Other images are left
// unchanged (result 1). Result 0 when memory fails.
int Frequency24to8(CRasterImage* image);

// Mirrors the rectangle (all planes): direction 1 top to bottom, 0 left to
// right.
int MirrorInPlace(CRasterImage* image, int left, int top, int w, int h, int direction);

// Swaps rows and columns (all planes, any depth). 0 when memory fails.
int TransposeImage(CRasterImage* image);

// Rotates by `angle` degrees (counter-clockwise on the screen) about the
// image centre onto a canvas just large enough for the rotated image, the
// corners filled with the image's white. A pixel (x, y) lands where
// CControlPtList::RotateImageCoords moves a control point.
int RotateImage(CRasterImage* image, double angle);

// The image becomes the rectangle (clipped to the image). 0 when the
// rectangle misses the image or memory fails.
int CropImage(CRasterImage* image, int left, int top, int w, int h);

// Inverts the samples of the area's plane (255 - v, or every bit at 1 bit).
// The whole first plane without an area. 0 without pixels.
int NegateImage(CRasterImage* image, const CImageArea* area);

// Median of the kw x kh window (3 x 3 is the one used) over the area's plane,
// edges replicated.
int MedianFilterInPlace(CRasterImage* image, const CImageArea* area, int kw, int kh);

// Removes an uneven background from a grey image: the background is the
// brightest value in a running window of winW x winH, smoothed by a running
// mean of the same window, and each pixel is divided by it.
int BackCorrect(CRasterImage* image, int winW, int winH);

// Classifies the colours of an RGB or palette image into `classes` classes
// (1 to 255) by k-means on its colour histogram with at most `iterations`
// rounds (2 to 500). The image becomes one plane of class numbers
// (photometric 5) with the class mean colours as its palette.
int ImageCluster(CRasterImage* image, int classes, int iterations);

// Paints the area (clipped to the image) with the colour: all three planes
// of an RGB image; r for grey, palette and separated images; r != 0 sets the
// bits of a 1-bit image.
int SetImageArea(CRasterImage* image, const CImageArea* area, int r, int g, int b);

// Display flags of GetDisplayBuffer.
enum : int {
  kDisplayReset = 1,  // recompute the display parameter and write it back
  kDisplayRGB = 8,    // three bytes a pixel from the three planes
};

// Renders the area resampled to outW x outH into `out` as a bottom-up
// device-independent bitmap: rows from the area's bottom upward, each row
// padded to a multiple of 4 bytes; one palette index a pixel, or with
// kDisplayRGB three bytes a pixel in the order blue, green, red.
//  - palette1024: when given, receives the display palette as 256 entries of
//    blue, green, red, 0.
//  - map256: when given, receives the value-to-index table that was applied.
//  - displayParam: the contrast window low | high << 8 applied to grey
//    values (0 means the full range); written back on a reset.
// Reduction keeps one-pixel dark lines visible. Result: the number of bytes
// written, or -1 for bad arguments.
std::int64_t GetDisplayBuffer(const CRasterImage* image, const CImageArea* area, BYTE* out, int outW, int outH,
                              BYTE* palette1024, BYTE* map256, std::int32_t* displayParam, int flags);
// The grey window a display parameter stands for: low | high << 8; 0, or a
// window without width (high not above low), is the full range 0..255.
void DecodeDisplayWindow(std::int32_t displayParam, int& low, int& high);
// Bytes a row of the display bitmap of that width.
std::int64_t DisplayRowBytes(int outW, int flags);

// Least-squares fit by QR (Householder, double) of target = f(source) over
// `count` records of four doubles (source x, target x, source y, target y).
// *terms = 3: x' = c0 x + c1 y + c2; *terms = 4: x' = c0 x + c1 y + c2 x y + c3.
// Fails (0) on fewer points than terms or a degenerate point set; on success
// returns 1 and leaves in *terms the number of terms fitted.
int GetTransform(const double* pairs, int count, double* xRow, double* yRow, int* terms);

}  // namespace qzn
