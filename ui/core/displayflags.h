// The fifteen display flags of an image view, in their stored order: which
// overlays the view draws. The tools read them to draw as the view does.
#pragma once

namespace qzn {

struct CDisplayFlags {
  bool lines = true, image = true, annotations = true, annotationFrames = false, controlPoints = true,
       controlPointIds = false, nodes = false, endPoints = false, points = true, textBlocks = false, roi = true,
       lineIds = false, pointIds = false, triangulation = false, crossMarks = false;
  void Reset() { *this = CDisplayFlags{}; }
  void ShowLines() { lines = true; }
  bool operator==(const CDisplayFlags&) const = default;
};

}  // namespace qzn
