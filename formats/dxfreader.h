// DXF drawings read into lines, points and notes: LINE, POLYLINE (with its
// VERTEX entities), LWPOLYLINE, POINT, TEXT, CIRCLE and ARC of the ENTITIES
// sections, and optionally the LAYER table in place of the workspace's
// layers. Everything else of the file is passed over.
#pragma once

#include <string>

#include "formats/importcommon.h"
#include "model/maptransform.h"

namespace qzn {

class CDxfReader {
 public:
  // The lists are the ones to fill (the import's work lists); the layers are
  // replaced by the file's LAYER table when useLayers is set and the file has
  // a usable one, and every element then goes to the layer of its name. File
  // coordinates become pixels through toPixels.
  CDxfReader(const std::string& path, CChainList& lines, CPtList& points, CNoteList& notes, CLayerList& layers,
             bool useLayers, const MapTransform& toPixels);

  // Reads the whole file. ok also for a file without an ENTITIES section;
  // damaged for a group code that is no number, a group without its value, a
  // coordinate that is no finite number or maps beyond the int range, and a
  // file that ends before its "EOF" group. The lists may hold part of the
  // file after a failure: the caller drops them.
  ReadResult Read();

  // Whether the layer table was taken (false when the file has none, or its
  // LAYER table is not usable, or layers were not asked for).
  bool LayersTaken() const { return m_layersTaken; }
  bool LayersUsed() const { return m_useLayers; }

 private:
  struct Impl;

  std::string m_path;
  CChainList& m_lines;
  CPtList& m_points;
  CNoteList& m_notes;
  CLayerList& m_layers;
  bool m_useLayers;
  bool m_layersTaken = false;
  MapTransform m_map;
};

// The colour of a DXF colour number as the layer table gives it (the sign,
// which only says the layer is off, does not count).
COLORREF DxfColorNumberToRgb(int number);

}  // namespace qzn
