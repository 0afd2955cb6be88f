// TIFF and GeoTIFF files through libtiff and libgeotiff.
//
// Reading takes 1-, 4- and 8-bit images in strips or tiles, contiguous or
// planar, any compression libtiff decodes (JPEG-compressed YCbCr comes out as
// RGB), with the GeoTIFF tie points, pixel scale and model transformation.
// Writing makes a single-image TIFF with the record's georeference.
#pragma once

#include <string>

typedef struct gtiff GTIF;  // libgeotiff's handle

namespace qzn {

class CRasterImage;

// Reader result codes.
enum : int {
  kTiffOk = 0,
  kTiffCannotOpen = 1,
  kTiffNoMemory = 2,
  kTiffMissingSize = 3,
  kTiffBadBits = 4,
  kTiffBadSamples = 5,
  kTiffBadPhotometric = 6,
  kTiffNoColorMap = 7,
  kTiffReadError = 8,  // damaged or truncated pixel data
  kTiffBadSize = 9,    // sizes no image of this file can have
  kTiffCmyk = 10,      // print colour (CMYK), which is not read
};

// Reads the first image of the file. 0 on success, else a code above; the
// record is changed only on success. orientation (may be null) receives the
// Orientation tag, 1 when absent. problem (may be null) receives, on
// failure, what exactly was wrong when there is more to say than the code's
// text: the decoder's own report of damaged data, or the sizes refused.
int ReadTiffImage(const std::string& fileName, CRasterImage& image, int* orientation, std::string* problem = nullptr);

// The user's text for a reader code.
const char* TiffErrorText(int code);

// Writes the record; compression is a TIFF compression code, 0 meaning none.
// 1 written, 0 failed (the target is then left as it was: the file is
// written beside it and renamed over it only when complete).
int WriteTiffImage(const std::string& fileName, const CRasterImage& image, int compression);

// The GeoKeys written with a georeference: projected model, the raster type
// (pixel is point for 2, else pixel is area, as the record's geoRasterType
// says) and the citation "Tarvik Dataco GeoTIFF".
void SetGeoKeys(GTIF* keys, int rasterType = 1);

}  // namespace qzn
