// The world-file record: an affine image-to-map transform in the six
// parameters of a world file (".tfw" beside the image):
//   map x = A column + B row + C
//   map y = D column + E row + F
// The file holds one number per line in the order A, D, B, E, C, F.
#pragma once

#include <string>

#include "model/maptransform.h"
#include "platform/archive.h"

namespace qzn {

// What can be wrong with a georeference read from a file (a world file, a
// GeoTIFF's tags, control points, a project): a value that is not a finite
// number, a value beyond any map (more than kMaxGeoreferenceValue in size:
// a million kilometres in metres), or a transform that cannot be inverted
// (its two rows parallel, or zero). Such a georeference is never used: the
// lines would be written as "nan" or all at one point.
enum class GeorefFault { none, notFinite, outOfRange, singular };
inline constexpr double kMaxGeoreferenceValue = 1e12;

// The fault of an affine image-to-map transform (x row A, B, C; y row D, E,
// F), or none.
GeorefFault CheckAffine(double a, double b, double c, double d, double e, double f);

class CTfw : public CObject {
  QZN_DECLARE_SERIAL(CTfw)

 public:
  double m_A = 1.0, m_B = 0.0, m_C = 0.0;
  double m_D = 0.0, m_E = 1.0, m_F = 0.0;
  int m_nTerms = 0;   // 3 when parameters are set, 0 when none
  int m_nLoaded = 0;  // 1 after a successful Read

  CTfw() = default;

  // Reads the six numbers; on any failure the record is left as it was (an
  // unreadable file also shows a message). 1 on success. The numbers are
  // taken as written, "nan" and "inf" too: Check() says whether they can be
  // used.
  int Read(const std::string& path);
  // Writes the six numbers, each in its shortest exact form. 0 when the file
  // cannot be created or written.
  int Write(const std::string& path) const;
  // Identity parameters, no terms, not loaded.
  void Reset();
  // The fault of the parameters (none without terms).
  GeorefFault Check() const;

  // The rows (3 doubles each) in the TransformDirection: image to map
  // (kImageToMap) or map to image (kMapToImage). 0 without parameters or, for the inverse, when the 2x2 part
  // is singular.
  int GetTransform(double* xRow, double* yRow, int inverse) const;
  // The same as 4-term bilinear rows (c0, c1, 0, c2).
  int GetTransform4(double* xRow, double* yRow, int inverse) const;

  // Term count (int32), A, B, C, D, E, F (doubles).
  void Serialize(CArchive& ar) override;

  // Keep map positions fixed across image operations. Crop: the new image is
  // the rectangle's part of the old one. Rotate: as the image rotation moves
  // pixels (see CControlPtList::RotateImageCoords). 1 on success, 0 (record
  // unchanged) when the fit fails.
  int AdjustForCrop(int left, int top, int right, int bottom);
  int AdjustForRotate(float angle, int oldLeft, int oldTop, int oldRight, int oldBottom, int newLeft, int newTop,
                      int newRight, int newBottom);
  // Multiplies (multiply set) or divides A, B, D and E by the factor; 0 does nothing.
  void AdjustForResize(int factor, int multiply);
};

// Writes a world file of the affine rows (A, B, C) and (D, E, F). 0 when the
// file cannot be created or written.
int WriteWorldFile(const std::string& path, const double* xRow, const double* yRow);

}  // namespace qzn
