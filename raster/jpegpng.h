// JPEG files through libjpeg (API 62) and PNG files through libpng. Library
// errors never end the program: they come back to the function that started
// the operation, which cleans up and returns 0.
//
// Writers write the whole file beside the target and rename it over the
// target only when complete; a failed write leaves no file behind. Grey and
// bilevel images whose white is 0 (photometric 0) are inverted on the way out,
// since both formats take 0 as black.
#pragma once

#include <string>

namespace qzn {

class CRasterImage;
struct CImageReadProblem;

// Grey JPEGs become 1 plane, photometric 1; others 3 planes R, G, B,
// photometric 2. 1 or 0: damaged data (a scan cut short, bad codes, bytes
// the decoder must skip) and CMYK files are refused; problem (may be null)
// then says why.
int ReadJpegFile(const std::string& fileName, CRasterImage& image, CImageReadProblem* problem = nullptr);
// Only grey (8 bits, photometric 0 or 1) and RGB (8 bits, 3 planes) images;
// others return 0 at once and create no file.
int WriteJpegFile(const std::string& fileName, int quality, const CRasterImage& image);

// RGB(A) becomes 3 planes at 8 bits; grey(+alpha) 1 plane at 1, 8 or 16 bits
// (2- and 4-bit grey is scaled to 8 bits); palette images 1 plane at 1 or 8
// bits with their palette. 16-bit samples are in host byte order. problem
// (may be null) says why a file was refused.
int ReadPngFile(const std::string& fileName, CRasterImage& image, CImageReadProblem* problem = nullptr);
// RGB images as 8-bit colour; palette images (photometric 3 with a palette,
// 1 or 8 bits) with a palette of 2^bits entries; others as grey of their
// depth (1, 8 or 16 bits).
int WritePngFile(const std::string& fileName, const CRasterImage& image);

}  // namespace qzn
