// Turning the working rectangle of an image into a foreground mask before
// lines are traced: the tables that say which grey or palette values are
// foreground, Binarize itself, the edge mask of class-number images and the
// clearing of a rectangle's outline. After Binarize every pixel of the
// rectangle holds 1 for foreground and 0 for background (bytes 0/1 in an
// 8-bit image, set/clear bits in a 1-bit image).
//
// Rectangles here are inclusive (right column and bottom row belong to them)
// and are clipped to the image, except the user's selection of
// GetRegionGreyRange / GetRegionFeature, whose right and bottom are exclusive.
#pragma once

#include <cstdint>

#include "platform/wintypes.h"

namespace qzn {

class CRasterImage;
struct CColorFeature;

// A grey range packed in one int32: low bound in the upper 16 bits, high bound
// in the lower 16 bits (the document's threshold pair).
constexpr std::int32_t PackGreyRange(int low, int high) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(low) << 16) |
                                   (static_cast<std::uint32_t>(high) & 0xFFFF));
}
constexpr int PackedRangeLow(std::int32_t packed) {
  return static_cast<int>((static_cast<std::uint32_t>(packed) >> 16) & 0xFFFF);
}
constexpr int PackedRangeHigh(std::int32_t packed) {
  return static_cast<int>(static_cast<std::uint32_t>(packed) & 0xFFFF);
}

// table[v] = 1 for low <= v <= high, else 0; a high above 255 counts as 255,
// a low above high gives an all-zero table. Result 1.
int MakeRangeTable(std::int32_t packedRange, BYTE* table256);

// Grey range of a selection (right/bottom exclusive) of plane 0 that leaves
// out the darkest and the brightest 1 % of its pixels: d = 1 % of the pixel
// count (integer part); low is the first level from 0 whose running count
// exceeds d, high the first level from 255 (stopping above low) whose count
// from the top exceeds d, else low. Table entries low..high become 1.
// Result 1, or 0 when the selection holds no pixel of the image.
int GetRegionGreyRange(const CRasterImage& image, const RECT& selection, BYTE* table256);

// Prepares the foreground definition by kind of image:
//  - grey, empty selection: MakeRangeTable(packedRange);
//  - grey, a selection: GetRegionGreyRange of it;
//  - palette or separated: the colours present in the selection;
//  - RGB: the colour feature of the selection into `feature`;
//  - bilevel: nothing to prepare (1); other kinds 0.
// Returns the result of the operation it called (0 = no usable definition).
int GetRegionFeature(const CRasterImage& image, const RECT& selection, std::int32_t packedRange, BYTE* table256,
                     CColorFeature* feature);

// Makes the rectangle a 0/1 foreground mask:
//  - grey, palette, separated: plane 0 values v become table[v];
//  - RGB: plane 0 becomes 1 where the colour matches `feature`, else 0;
//  - bilevel, photometric non-zero (0 bits are black): the rectangle's bits
//    are inverted so set bits are foreground; photometric 0: unchanged.
// Result 1, or 0 when the image has no pixels, is of another kind, or the
// table or feature it needs is missing.
int Binarize(CRasterImage& image, const RECT& inclusiveRect, const CColorFeature* feature, const BYTE* table256);

// The foreground of the rectangle as a separate mask, in one pass over the
// image, which is only read: mask becomes a 1-bit image of the image's size
// (rows of (width + 7) / 8 bytes, leftmost pixel in the top bit) whose set
// bits are the pixels Binarize would make 1, every bit outside the
// rectangle clear. Grey, palette and separated images need the table;
// bilevel images are taken as Binarize takes them. Result 1, or 0 for other
// kinds (RGB included), a missing table, or when the mask cannot be had (it
// is then left as it was).
int MakeLineMask(const CRasterImage& image, const RECT& inclusiveRect, const BYTE* table256, CRasterImage& mask);

// Sets every pixel of plane 0 in the inclusive rectangle to 0; the whole
// pages that covers go back to the system until written again.
void ClearRect(CRasterImage& image, const RECT& inclusiveRect);

// Sets the pixels of the inclusive rectangle that are set in mask (a 1-bit
// image of the same size) to 1 in plane 0 of an 8-bit image, or sets their
// bits in a 1-bit image; the others are left alone. With ClearRect first,
// the rectangle becomes what Binarize would have left in it. Only the rows
// with set pixels are written.
void MarkMaskPixels(const CRasterImage& mask, const RECT& inclusiveRect, CRasterImage& image);

// For an 8-bit image of class numbers or palette indices: each pixel of the
// rectangle becomes 0 when it equals its north, west, east and south
// neighbours and 1 otherwise, from the image as it was before the call. The
// rectangle's outermost rows and columns become 0, so the result holds no
// class number anywhere. Result 1, or 0 for other depths or without memory.
int MakeEdgeMask(CRasterImage& image, const RECT& inclusiveRect);

// Sets the four edges of the inclusive rectangle of a 1-bit plane
// ((width + 7) / 8 bytes a row) to bit, or of an 8-bit plane (rows `stride`
// bytes apart) to value. The caller keeps the rectangle inside the plane.
void DrawRectOutline1(BYTE* pixels, int width, const RECT& inclusiveRect, int bit);
void DrawRectOutline8(BYTE* pixels, std::int64_t stride, const RECT& inclusiveRect, BYTE value);

}  // namespace qzn
