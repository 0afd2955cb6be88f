// GIF reading: the first image of a GIF87a or GIF89a file, decoded by our own
// LZW decoder. GIF is read only; the program never writes it.
#pragma once

#include <string>

namespace qzn {

class CRasterImage;
struct CImageReadProblem;

// Reads the first image of the file into the record. 1 when an image was
// decoded whole, 0 when the file cannot be opened, is not a GIF, or its data
// is damaged or ends before the last pixel; the record is then left as it was.
// Two-colour images become 1-bit (white is zero when colour 1 is the darker),
// others 8-bit with the image's colour table (local before global).
// problem (may be null) says why a file was refused.
int ReadGIF(const std::string& fileName, CRasterImage& image, CImageReadProblem* problem = nullptr);

}  // namespace qzn
