// Building blocks for combining two images of possibly different kinds:
// depth conversions, growing the canvas, copying, overlaying and averaging
// one image into another, resampling into another's size, a seam smoother,
// and the search for the offset at which a template fits an image best.
//
// Conversions and canvas growth replace the pixel block only when the new
// one is complete; on failure they show their message and keep the image.
// Every other operation returns 0 without a message.
#pragma once

#include <cstdint>

#include "platform/wintypes.h"
#include "raster/rasterimage.h"

namespace qzn {

// ---- conversions (kConvertNoMemory when memory fails) ----

// Bilevel to 8-bit grey with photometric 1: foreground 0, background 255
// (a set bit is foreground when photometric is 0, a clear bit otherwise).
int BilevelToGrey(CRasterImage* image);
// Palette image to three planes of the palette's red, green and blue entries;
// photometric 2.
int PaletteToRGB(CRasterImage* image);
// Grey image to three planes, plane k holding table k of each grey value
// (null tables: the identity); photometric 2.
int GreyToRGB(CRasterImage* image, const BYTE* redTable, const BYTE* greenTable, const BYTE* blueTable);

// ---- canvas and copies ----

// Grows the image to the union of the (normalised) rectangle and
// (0, 0, width, height), right and bottom exclusive; the new area is white
// and the picture moves by the union's negative top-left corner. 1-bit and
// 8-bit images. kImageSizeNoMemory when memory fails.
int ExtendToRect(CRasterImage* image, const RECT& rect);

// Copies the source (at most w x h of it) into the target with its top-left
// corner at (x, y), clipped to the target on every side (a negative x or y
// leaves out the source's first columns or rows). Both of one depth, 1 or 8
// bits, the source with at least the target's planes; else 0.
int CopyIntoRect(CRasterImage* target, int x, int y, int w, int h, const CRasterImage& source);

// Resamples the source into the target's size and block: nearest pixel at
// 1 bit, bilinear per plane at 8 bits. Same depth and planes; else 0.
int ResampleInto(CRasterImage* target, const CRasterImage& source);

// Both 1-bit: over the overlap with the source at (x, y), a target pixel
// becomes foreground where it or the source pixel is foreground (each
// image's photometric code says which bit is foreground).
int OverlayBilevel(CRasterImage* target, const CRasterImage& source, int x, int y);

// Both grey (one plane), or both RGB: over the overlap each target byte
// becomes (target + source) / 2, truncated.
int AverageGrey(CRasterImage* target, const CRasterImage& source, int x, int y);
int AverageRGB(CRasterImage* target, const CRasterImage& source, int x, int y);

// Pastes the source into the target at the rectangle: grows the target to
// hold it, then copies (replace) or averages the source in at the
// rectangle's top-left (raised to 0). Images of different kinds are first
// brought together: bilevel becomes grey, palette becomes RGB, grey paired
// with RGB becomes RGB, and a grey source stored the other way round from
// the target is inverted; two bilevel images without replace are overlaid.
// Values of one kind are never copied as another (no grey values as palette
// indices). The source is never changed. Result 0, with the target as it
// was, for a pair that cannot be brought together (classified images with
// anything but their own kind) or without pixels; 0 also when a conversion
// runs out of memory (its message shown).
int PasteImage(CRasterImage* target, const CRasterImage& source, const RECT& rect, int replace);

// Smooths the seam along the top and left edge of a pasted rectangle: for
// each plane of an 8-bit or 16-bit image, when 2 <= y <= height - 2 the
// `length` pixels of row y from column x become the truncated mean of the
// pixels above and below; then, when 2 <= x <= width - 2, the `count`
// pixels of column x from row y the mean of their left and right
// neighbours. Lengths are cut to the image.
int InterpolateRect(CRasterImage* image, int x, int y, int length, int count);

// ---- template search ----

// Finds the top-left position, inside the search rectangle (inclusive; right
// and bottom cut to the image), where the template (the inclusive template
// rectangle of the template source) fits the image best. Lower scores are
// better: the mean squared difference over the template pixels whose image
// pixel is inside the image and not 0 (8 and 16 bits, plane 0), or the
// share of differing bits over those inside the image and the clip
// rectangle (1 bit). A position has no score when fewer than a eighth of
// the template's pixels were compared or when more than half its rows lie
// above the image. Of equal scores the first met, row by row, wins.
//
// Result 0 when the depths differ, a buffer cannot be had or no position
// has a score (the position is then (-1, -1)); else 1 with the position.
//
// Large searches go coarse to fine: the image and template are reduced by
// 2 x 2 means (over the non-zero image pixels) until the template is small,
// every position is scored at the coarsest level, the best is refined level
// by level within two pixels, and the final full-resolution pass scores the
// 5 x 5 positions around it exactly. Small searches score every position.
int MatchTemplate(const CRasterImage& image, const RECT& search, const RECT& clip, const CRasterImage& templ,
                  const RECT& templRect, int* xOut, int* yOut);

// The same search scoring every position at full resolution: the reference
// the coarse-to-fine search is checked against.
int MatchTemplateExhaustive(const CRasterImage& image, const RECT& search, const RECT& clip, const CRasterImage& templ,
                            const RECT& templRect, int* xOut, int* yOut);

}  // namespace qzn
