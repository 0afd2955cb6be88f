// Operations that build or replace an image from several: the mosaic of a
// list of image files, the merge paste into the document's image, the
// colour composition from single-band files, and the rendering of the
// document's vectors (optionally over its image) into a .BMP file.
//
// The document-level steps around them (resetting the extent after a paste,
// marking the image changed, choosing which line, point and note sets are
// shown) belong to the caller; these functions take what they read.
//
// Georeferenced placement needs the georeference of each file, which is read
// from GeoTIFF tags or the control-point, world and raster-table files beside
// it by georef/mosaic_geo.h. The raster library cannot reach those readers,
// so the mosaic takes the look-up as a callback; georef/mosaic_geo.h offers
// the mosaic with it plugged in.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/wintypes.h"
#include "raster/rasterimage.h"

namespace qzn {

class CChainList;
class CNoteList;
class CPtList;

// The georeference of an image file as two 4-term rows (value = a x + b y +
// c x y + d) for X and Y: image to map (inverse 0) or map to image (inverse
// 1). 1 when found, 0 otherwise.
using CImageGeoreferencer =
    std::function<int(const std::string& fileName, const CRasterImage& image, double* xRow, double* yRow, int inverse)>;

// Mosaic modes.
enum : int {
  kMosaicGrid = 0,           // tiles resampled to the first one's size, side by side
  kMosaicMatched = 1,        // tiles placed where their overlap strip fits best
  kMosaicGeoreferenced = 2,  // tiles placed by their georeference
};

// Lays up to columns x rows files into the output, the first at the top
// left and its size the grid cell, with the first image's depth, planes,
// photometric code and palette. Files not of the first's format are
// skipped. In the georeferenced mode the output's pixel grid is the first
// image's; tiles reaching west or north of it are cut at the edge (without a
// georeference for the first file the grid mode is used; tiles without one
// are skipped). Result 1, or 0 for an empty list, bad counts, an unreadable
// first file, when memory runs out (kOutOfMemory) or when a later file cannot
// be read (the output then keeps what was pasted).
int MosaicImages(const std::vector<std::string>& files, int columns, int rows, CRasterImage* output, int mode,
                 double horizontalOverlap, double verticalOverlap, const CImageGeoreferencer& georeference);

// Pastes the source into the image at the rectangle (mode: replace when
// non-zero, else average); see PasteImage (raster/depthconv.h). A result of
// three planes gets its display palette and colour cache. 1 or 0.
int PasteImageRegion(CRasterImage* image, const CRasterImage& source, const RECT& rect, int mode);

// A colour image from up to three 8-bit grey band files (an empty name: no
// band; a missing band gives 0), the size of the first band present, each
// band sampled at the proportional position. Messages: "读取红色源象出错。"
// and "读取绿色源象出错。" drop that band, "读取蓝色源象出错。" ends with 0,
// kNoImageSource when no band is left, kImageTypeMismatch for
// a band that is not 8-bit grey, kMergeNoMemory. The output is replaced
// only on success.
int ComposeRgbImage(CRasterImage* output, const std::string& redFile, const std::string& greenFile,
                    const std::string& blueFile);

// Colours an 8-bit grey image from three band files: each band stretched to
// its own 0..255 range, then scaled so that its intensity (0.299 R + 0.587 G
// + 0.114 B) is the image pixel's brightness; values clamped to 255. The
// image becomes RGB with its display palette and colour cache. Messages as
// above (kOutOfMemory when memory runs out); the image is kept on failure.
int ComposeRgbFromFiles(CRasterImage* image, const std::string& redFile, const std::string& greenFile,
                        const std::string& blueFile);

// Renders the vectors into a 24-bit .BMP: sized by the image (or the extent
// without one), doubled until both sides exceed 255 and halved while either
// exceeds 8191, the width a multiple of 4; the image drawn first when
// withImage is set (else white), then every line, point and note (each list
// may be null) scaled from the extent. Result 1 when the file was written;
// 0 for a name shorter than 2 characters, an empty extent, when memory runs
// out or when the file cannot be written (that message shown).
int RenderImageToDib(const std::string& fileName, int withImage, const CRasterImage* image, const RECT& extent,
                     const CChainList* lines, const CPtList* points, const CNoteList* notes);

}  // namespace qzn
