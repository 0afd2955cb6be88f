// Integer-factor resizing and the row-mapped warp used by rectification.
#include "raster/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "model/helpers.h"
#include "platform/host.h"
#include "raster/imaging_internal.h"
#include "resources/messages_raster.h"

namespace qzn {

using imaging_detail::Alloc;
using imaging_detail::Bit;
using imaging_detail::PutBit;

namespace {

constexpr double kEdgeSlack = 1e-6;  // pixels

// A block for an image of that size with the image's planes and depth; null
// (message shown) when it cannot be had.
std::unique_ptr<BYTE[]> NewBlock(const CRasterImage& image, std::int64_t w, std::int64_t h) {
  std::unique_ptr<BYTE[]> block = AllocImageBlock(image.bitsPerSample, image.planes, w, h);
  if (!block) AfxMessageBox(res::text::kNoSpaceForOperation);
  return block;
}

void Install(CRasterImage* image, std::unique_ptr<BYTE[]> block, int w, int h) {
  image->width = w;
  image->height = h;
  image->SetPixelBlock(std::move(block));
}

}  // namespace

std::int64_t ImageRowBytes(std::int64_t width, int bits) {
  if (bits == 1) return (width + 7) / 8;
  return width * ((bits + 7) / 8);
}

std::unique_ptr<BYTE[]> AllocImageBlock(int bits, int planes, std::int64_t width, std::int64_t height) {
  std::int64_t bytes = 0;
  if (width < 0 || height < 0 || planes < 1 || __builtin_mul_overflow(ImageRowBytes(width, bits), height, &bytes) ||
      __builtin_mul_overflow(bytes, static_cast<std::int64_t>(planes), &bytes))
    return nullptr;
  return Alloc<BYTE>(bytes);
}

BYTE ImageWhiteSample(const CRasterImage& image) {
  if (image.bitsPerSample == 1) return image.photometric == kPhotometricMinIsWhite ? 0 : 1;
  return imaging_detail::WhiteFill(&image);
}

int ResizeImage(CRasterImage* image, int shrink, int factor) {
  if (!image || !image->pixels || factor <= 0) return 0;
  const int bits = image->bitsPerSample;
  if (bits != 1 && bits != 8) return 0;
  const std::int64_t ow = image->width, oh = image->height;
  const std::int64_t nw = shrink ? ow / factor : ow * factor;
  const std::int64_t nh = shrink ? oh / factor : oh * factor;
  if (nw < 1 || nh < 1) return 0;  // nothing would be left of the picture
  if (nw > INT32_MAX || nh > INT32_MAX) {
    AfxMessageBox(res::text::kNoSpaceForOperation);
    return 0;
  }
  std::unique_ptr<BYTE[]> block = NewBlock(*image, nw, nh);
  if (!block) return 0;

  const std::int64_t orb = image->GetRowBytes(), nrb = ImageRowBytes(nw, bits);
  for (int p = 0; p < image->planes; ++p) {
    const BYTE* src = image->GetPlane(p);
    BYTE* dst = block.get() + nrb * nh * p;
    for (std::int64_t i = 0; i < nh; ++i) {
      BYTE* out = dst + nrb * i;
      if (shrink) {
        const BYTE* in = src + orb * (i * factor);
        if (bits == 8) {
          for (std::int64_t j = 0; j < nw; ++j) out[j] = in[j * factor];
        } else {
          std::memset(out, 0, static_cast<std::size_t>(nrb));
          for (std::int64_t j = 0; j < nw; ++j)
            if (Bit(in, j * factor)) PutBit(out, j, 1);
        }
      } else {
        if (i % factor) {  // the rows below a source row repeat it
          std::memcpy(out, out - nrb, static_cast<std::size_t>(nrb));
          continue;
        }
        const BYTE* in = src + orb * (i / factor);
        if (bits == 8) {
          for (std::int64_t j = 0; j < ow; ++j) std::memset(out + j * factor, in[j], static_cast<std::size_t>(factor));
        } else {
          std::memset(out, 0, static_cast<std::size_t>(nrb));
          for (std::int64_t j = 0; j < ow; ++j)
            if (Bit(in, j))
              for (std::int64_t k = 0; k < factor; ++k) PutBit(out, j * factor + k, 1);
        }
      }
    }
  }
  Install(image, std::move(block), static_cast<int>(nw), static_cast<int>(nh));
  return 1;
}

int WarpImage(CRasterImage* image, int outWidth, int outHeight, const CWarpRowMapper& mapper, CWarpSampling sampling) {
  if (!image || !image->pixels || outWidth < 1 || outHeight < 1 || !mapper) return 0;
  const int bits = image->bitsPerSample;
  if (bits != 1 && bits != 8) return 0;
  const bool bilinear =
      sampling == CWarpSampling::bilinear && bits == 8 && (image->planes == 3 || IsGreyPhotometric(image->photometric));
  std::unique_ptr<BYTE[]> block = NewBlock(*image, outWidth, outHeight);
  if (!block) return 0;
  std::vector<double> sx, sy;
  try {
    sx.resize(static_cast<std::size_t>(outWidth));
    sy.resize(static_cast<std::size_t>(outWidth));
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kNoSpaceForOperation);
    return 0;
  }

  const int w = image->width, h = image->height, planes = image->planes;
  const std::int64_t irb = image->GetRowBytes(), nrb = ImageRowBytes(outWidth, bits);
  const std::int64_t nPlane = nrb * outHeight;
  BYTE white[3];
  white[0] = ImageWhiteSample(*image);
  white[1] = white[2] = image->WhiteValue();
  const double maxX = w - 1, maxY = h - 1;

  CStatusProgress progress;
  progress.SetRange(0, outHeight);
  progress.SetStep(1);
  for (int i = 0; i < outHeight; ++i) {
    if (!mapper(i, sx.data(), sy.data())) return 0;
    if (bits == 1) {
      BYTE* out = block.get() + nrb * i;
      std::memset(out, 0, static_cast<std::size_t>(nrb));
      for (int e = 0; e < outWidth; ++e) {
        const double x = sx[static_cast<std::size_t>(e)] + 0.5, y = sy[static_cast<std::size_t>(e)] + 0.5;
        int v = white[0];
        if (x >= 0 && y >= 0 && x < w && y < h)
          v = Bit(image->pixels + irb * static_cast<std::int64_t>(y), static_cast<std::int64_t>(x));
        if (v) PutBit(out, e, 1);
      }
    } else if (!bilinear) {
      for (int e = 0; e < outWidth; ++e) {
        const double x = sx[static_cast<std::size_t>(e)] + 0.5, y = sy[static_cast<std::size_t>(e)] + 0.5;
        const bool inside = x >= 0 && y >= 0 && x < w && y < h;
        const std::int64_t off = inside ? irb * static_cast<std::int64_t>(y) + static_cast<std::int64_t>(x) : 0;
        for (int p = 0; p < planes; ++p)
          block[static_cast<std::size_t>(nPlane * p + nrb * i + e)] =
              inside ? image->pixels[irb * h * p + off] : white[p < 3 ? p : 0];
      }
    } else {
      for (int e = 0; e < outWidth; ++e) {
        double x = sx[static_cast<std::size_t>(e)], y = sy[static_cast<std::size_t>(e)];
        // A fitted map that meets the edge exactly lands a rounding error off it.
        if (x < 0 && x > -kEdgeSlack) x = 0;
        if (y < 0 && y > -kEdgeSlack) y = 0;
        if (x > maxX && x < maxX + kEdgeSlack) x = maxX;
        if (y > maxY && y < maxY + kEdgeSlack) y = maxY;
        if (!(x >= 0 && y >= 0 && x <= maxX && y <= maxY)) {
          for (int p = 0; p < planes; ++p)
            block[static_cast<std::size_t>(nPlane * p + nrb * i + e)] = white[p < 3 ? p : 0];
          continue;
        }
        const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
        const double fx = x - x0, fy = y - y0;
        // On the last column or row the far neighbour is the pixel itself.
        const int dx = x0 < w - 1 ? 1 : 0;
        const std::int64_t dy = y0 < h - 1 ? irb : 0;
        for (int p = 0; p < planes; ++p) {
          const BYTE* q = image->pixels + irb * h * p + irb * y0 + x0;
          const double top = q[0] + (q[dx] - q[0]) * fx;
          const double bottom = q[dy] + (q[dy + dx] - q[dy]) * fx;
          block[static_cast<std::size_t>(nPlane * p + nrb * i + e)] = static_cast<BYTE>(top + (bottom - top) * fy);
        }
      }
    }
    progress.StepIt();
  }
  Install(image, std::move(block), outWidth, outHeight);
  return 1;
}

}  // namespace qzn
