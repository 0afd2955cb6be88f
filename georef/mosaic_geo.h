// The georeference of an image file, for placing it in a mosaic: from the
// GeoTIFF tags read with the image, else from the control-point file, world
// file or MapInfo raster table beside it. And the mosaic with this look-up
// plugged in (raster/mosaic.h takes it as a callback, since the raster
// library sits below the georeferencing one).
#pragma once

#include <string>
#include <vector>

#include "raster/rasterimage.h"

namespace qzn {

// Two 4-term rows (value = a x + b y + c x y + d) for X and Y, image to map
// (inverse 0) or map to image (inverse 1), from the first that applies:
//  1. more than 3 GeoTIFF tie points: fitted through them;
//  2. one tie point with the pixel scale: x size scale X, y size -scale Y,
//     origin X = tie X - I scale X, origin Y = tie Y + J scale Y;
//  3. the model transformation matrix (X = m0 x + m1 y + m3, Y = m4 x + m5 y + m7);
//  4. the first of "name.cpt" (fitted), "name.tfw", "name.tab" (fitted)
//     that exists beside the file.
// 1 when found; 0 otherwise, also when that file cannot be loaded or fitted.
int GetImageGeoreference(const std::string& fileName, const CRasterImage& image, double* xRow, double* yRow,
                         int inverse);

// MosaicImages of raster/mosaic.h with GetImageGeoreference as the look-up.
int MosaicImages(const std::vector<std::string>& files, int columns, int rows, CRasterImage* output, int mode,
                 double horizontalOverlap, double verticalOverlap);

}  // namespace qzn
