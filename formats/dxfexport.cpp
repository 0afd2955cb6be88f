#include "formats/dxfexport.h"

#include "app/qzndoc.h"
#include "formats/exportcommon.h"
#include "formats/exportoptions.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "resources/messages_formats.h"
#include "platform/textfile.h"

namespace qzn {

namespace {

// A channel in quarters: 0 below 0.25 of full, 1 below 0.5, 2 below 0.75,
// 3 below full, 4 full.
int Quarters(int byte) {
  const double v = byte / 255.0;
  if (v < 0.25) return 0;
  if (v < 0.5) return 1;
  if (v < 0.75) return 2;
  if (v < 1.0) return 3;
  return 4;
}

// The box of every coordinate the entities will carry.
bool EntityBounds(const CQznDoc& doc, const MapTransform& map, const DxfContent& what, CBounds& box) {
  double X = 0.0, Y = 0.0;
  if (what.lines)
    for (const CChain* c : doc.m_lines) {
      if (!c) continue;
      for (const CFPoint& p : c->m_points) {
        if (!map.Map(p, X, Y)) return false;
        box.Add(X, Y);
      }
    }
  if (what.points)
    for (const CPointRec* r : doc.m_points) {
      if (!map.Map(r->x, r->y, X, Y)) return false;
      box.Add(X, Y);
    }
  if (what.notes)
    for (const CNote* n : doc.m_notes) {
      if (!map.MapPixel(n->m_rect.left, n->m_rect.top, X, Y)) return false;
      box.Add(X, Y);
    }
  return true;
}

void WriteHeader(CTextFileWriter& file, const CBounds& box) {
  file.Write("0\nSECTION\n2\nHEADER\n");
  file.Write("9\n$ACADVER\n1\nAC1003\n");
  // Layer names and texts are in the Chinese code page; readers take the
  // encoding from here.
  file.Write("9\n$DWGCODEPAGE\n3\nANSI_936\n");
  file.Printf("9\n$EXTMIN\n10\n%f\n20\n%f\n", box.minX, box.minY);
  file.Printf("9\n$EXTMAX\n10\n%f\n20\n%f\n", box.maxX, box.maxY);
  file.Printf("9\n$LIMMIN\n10\n%f\n20\n%f\n", box.minX, box.minY);
  file.Printf("9\n$LIMMAX\n10\n%f\n20\n%f\n", box.maxX, box.maxY);
  file.Write("0\nENDSEC\n");
}

void WriteLayerTable(CTextFileWriter& file, const CLayerList& layers) {
  if (layers.GetCount() == 0) return;
  file.Printf("0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n%lld\n", static_cast<long long>(layers.GetCount()));
  for (const CLayer& layer : layers.m_layers) {
    file.Write("0\nLAYER\n2\n");
    file.Write(OneLineText(layer.m_strName));
    file.Printf("\n70\n64\n62\n%d\n6\nCONTINUOUS\n", DxfLayerColor(layer.m_color));
  }
  file.Write("0\nENDTAB\n0\nENDSEC\n");
}

}  // namespace

int DxfLayerColor(COLORREF color) {
  const int r = Quarters(GetRValue(color)), g = Quarters(GetGValue(color)), b = Quarters(GetBValue(color));
  static const struct {
    int r, g, b, number;  // -1: any
  } kRows[] = {{0, 0, 0, 3}, {4, 0, 0, 1}, {4, 4, 0, 2}, {0, 4, 0, 3}, {0, 4, 4, 4},
               {0, 0, 4, 5}, {4, 0, 4, 6}, {4, 4, 4, 7}, {2, 2, 2, 8}, {-1, 3, 3, 9}};
  for (const auto& row : kRows)
    if ((row.r < 0 || row.r == r) && row.g == g && row.b == b) return row.number;
  return 3;
}

WriteResult WriteDxfFile(const std::string& path, const CQznDoc& doc, const MapTransform& map, const DxfContent& what) {
  CBounds box;
  if (!box.AddCorners(map, doc.m_extent) || !EntityBounds(doc, map, what, box)) return WriteResult::cannotMap;

  CTextFileWriter file;
  if (!file.Open(path)) return WriteResult::cannotCreate;
  WriteHeader(file, box);
  WriteLayerTable(file, doc.m_layers);
  file.Write("0\nSECTION\n2\nBLOCKS\n0\nENDSEC\n");
  file.Write("0\nSECTION\n2\nENTITIES\n");
  bool mapped = true;
  if (what.lines) mapped = doc.m_lines.WriteDxf(file, map, what.linesIdAsZ ? TRUE : FALSE, &doc.m_layers) != 0;
  if (mapped && what.points) mapped = doc.m_points.WriteDxf(file, map, what.pointsValueAsZ ? 1 : 0, doc.m_layers) != 0;
  if (mapped && what.notes) mapped = doc.m_notes.WriteDxf(file, map, doc.m_layers) != 0;
  file.Write("0\nENDSEC\n0\nEOF\n");
  return EndTextFile(file, mapped);
}

int ExportDxf(CQznDoc& doc, const std::string& path) {
  DxfOutOptions options;
  if (!AskExportOptions(doc, options, &IExportOptionsHook::AskDxf)) return 1;

  // The modes through the control points or the world file; one the
  // workspace no longer has falls back to pixel spacing.
  GeorefChoice choice = GeorefChoice::none;
  if (options.mode == DxfOutOptions::bilinear) choice = GeorefChoice::bilinear;
  if (options.mode == DxfOutOptions::triangulation) choice = GeorefChoice::triangulation;
  if (options.mode == DxfOutOptions::worldFile) choice = GeorefChoice::worldFile;
  int mode = options.mode;
  if (choice != GeorefChoice::none) {
    choice = CExportGeoref::Resolve(doc, choice);
    if (choice == GeorefChoice::none) mode = DxfOutOptions::pixelSpacing;
  }

  CWaitCapture wait;
  CExportGeoref georef;
  if (!PrepareGeoref(georef, doc, choice,
                     {res::text::kBadControlPoints, res::text::kBadControlPoints, res::text::kWorldFileNotApplied}))
    return 0;
  MapTransform map = georef.Map();
  if (choice == GeorefChoice::none)
    map = mode == DxfOutOptions::pageSpace
              ? MapTransform::PageSpace(doc.m_extent, doc.m_image.xResolution, doc.m_image.yResolution)
              : MapTransform::FlippedOver(doc.m_extent);

  DxfContent what;
  what.lines = options.lines != 0;
  what.points = options.points != 0;
  what.notes = options.text != 0;
  what.linesIdAsZ = what.pointsValueAsZ = options.idAsZ != 0;
  const WriteResult result = WriteDxfFile(path, doc, map, what);
  if (result == WriteResult::cannotCreate) AfxMessageBox(res::text::kDxfOpenError, MB_OK | MB_ICONSTOP);
  return result == WriteResult::ok ? 1 : 0;
}

}  // namespace qzn
