// MapInfo interchange files read into lines, points and notes: the graphic
// objects of the .mif file, with the first column of the .mid file beside it
// as each object's ID.
#pragma once

#include <string>

#include "formats/importcommon.h"
#include "model/maptransform.h"

namespace qzn {

class CMifReader {
 public:
  // The lists to fill (the import's work lists); file coordinates become
  // pixels through toPixels. The .mid file is the .mif file's name with the
  // extension .mid in any case.
  CMifReader(const std::string& path, CChainList& lines, CPtList& points, CNoteList& notes,
             const MapTransform& toPixels);

  // Reads the whole file. reported after one of the header messages (no
  // "Version" line first, no "Columns" or no "Data" within 50 lines);
  // damaged for a file that ends inside its header or inside an object, a
  // coordinate that is not a finite number or maps beyond the int range, and
  // a .mid file with fewer or more rows than the .mif has objects. The lists may hold
  // part of the file after a failure: the caller drops them.
  ReadResult Read();

  const std::string& MidPath() const { return m_midPath; }

 private:
  struct Impl;

  std::string m_path;
  std::string m_midPath;
  CChainList& m_lines;
  CPtList& m_points;
  CNoteList& m_notes;
  MapTransform m_map;
};

// A MapInfo colour (red x 65536 + green x 256 + blue) as a COLORREF.
COLORREF MifColorToRgb(long long mif);
// A MapInfo line pattern as a pen style: 2 solid, 3 to 6 the dashed styles
// this system writes as 3 to 6, 1 no pen; other patterns solid.
int MifPatternToPenStyle(long long pattern);

}  // namespace qzn
