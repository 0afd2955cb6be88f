// Resampling an image into a new pixel grid: resizing by an integer factor,
// and the warp that rectification drives.
//
// Both build the new pixel block first and install it only when it is
// complete, so a failure leaves the image as it was. Planes, bits per sample,
// palette and photometric code stay.
//
// The warp knows nothing of control points: the caller (georef/rectify.h)
// hands it a row mapper that gives, for every output pixel of a row, the
// source position to sample. That keeps the fitted polynomial and the
// triangulation, which live above the raster library, out of it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "raster/rasterimage.h"

namespace qzn {

// Shrinks (shrink != 0) or enlarges the image by an integer factor.
// Shrinking keeps the top-left pixel of every factor x factor block;
// enlarging replicates every pixel into such a block. 1-bit and 8-bit images
// only. Result 1, or 0 (image unchanged) for a factor of 0 or less, another
// depth, a result without pixels, or when the new block cannot be had
// (kNoSpaceForOperation is shown then).
int ResizeImage(CRasterImage* image, int shrink, int factor);

// How WarpImage samples the source.
enum class CWarpSampling {
  nearest,   // the pixel the position rounds to (+0.5, truncated)
  bilinear,  // between the four pixels around the position (8-bit only)
};

// Fills sx[e] and sy[e], e = 0 .. outWidth - 1, with the source position of
// output pixel (e, row). Returns false to abandon the warp.
using CWarpRowMapper = std::function<bool(int row, double* sx, double* sy)>;

// The image becomes outWidth x outHeight pixels, each sampled from the old
// image at the position the mapper gives. A position whose sample would need
// a pixel outside the image gives the image's white (bilinear: positions in
// [0, width - 1] x [0, height - 1] are inside; the last column and row are
// used, not dropped). Bilinear sampling is used for grey and RGB images,
// nearest for 1-bit, palette and classified images whatever is asked. Rows
// step the status-bar progress. Result 1, or 0 (image unchanged) without
// pixels, for sizes below 1 or another depth; when the new block cannot be
// had kNoSpaceForOperation is shown.
int WarpImage(CRasterImage* image, int outWidth, int outHeight, const CWarpRowMapper& mapper, CWarpSampling sampling);

// A pixel block for an image of that geometry (rows without padding, planes
// one after the other; contents undefined); null when the size overflows or
// memory runs out. Nothing is shown.
std::unique_ptr<BYTE[]> AllocImageBlock(int bits, int planes, std::int64_t width, std::int64_t height);
// Bytes a row of that width and depth.
std::int64_t ImageRowBytes(std::int64_t width, int bits);

// The value an image is filled with where it has no picture: the bit or
// byte of white in its first plane (the palette entry nearest white for a
// palette image; 255 for the other planes of an RGB image).
BYTE ImageWhiteSample(const CRasterImage& image);

}  // namespace qzn
