#include "formats/vectorimport.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "app/georeference.h"
#include "georef/tfw.h"
#include "app/qzndoc.h"
#include "formats/dxfreader.h"
#include "formats/importcommon.h"
#include "formats/mifreader.h"
#include "formats/sdlimport.h"
#include "formats/shapefile.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/imagefile.h"
#include "resources/messages_common.h"
#include "resources/messages_formats.h"

namespace qzn {

namespace {

// ---- the readers of the formats library, each into work lists ----------------------

bool ReadShape(CQznDoc& doc, const std::string& path, const MapTransform& map) {
  CImportLists work(doc.m_lines);
  CShapeFile shape(path, work.lines, work.points, doc.m_layers.GetCurrentLook(), map);
  if (shape.Read() != ReadResult::ok) {
    AfxMessageBox(res::text::kShapeFileReadError, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  work.MoveTo(doc);
  return true;
}

bool ReadMif(CQznDoc& doc, const std::string& path, const MapTransform& map) {
  CImportLists work;
  CMifReader mif(path, work.lines, work.points, work.notes, map);
  const ReadResult result = mif.Read();
  if (result != ReadResult::ok) {
    ReportReadFailure(result);
    return false;
  }
  // Everything goes to the current layer, the lines in its colour and style.
  const CLayerLook look = doc.m_layers.GetCurrentLook();
  work.lines.SetAttributes(look.id, look.color, look.penStyle, RECT{});
  work.points.SetLayerInRect(look.id, RECT{});
  work.points.SetLayerColor(look.id, look.color);
  work.notes.SetLayerInRect(look.id, RECT{});
  work.MoveTo(doc);
  return true;
}

bool ReadDxf(CQznDoc& doc, const std::string& path, const MapTransform& map) {
  CImportLists work(doc.m_lines);
  CLayerList layers;
  layers.m_layers = doc.m_layers.m_layers;
  CDxfReader dxf(path, work.lines, work.points, work.notes, layers, true, map);
  const ReadResult result = dxf.Read();
  if (result != ReadResult::ok) {
    ReportReadFailure(result);
    return false;
  }
  if (dxf.LayersTaken() || layers.GetCount() != doc.m_layers.GetCount()) {
    doc.m_layers.m_layers.swap(layers.m_layers);
    doc.m_layers.m_nModified = 1;
  }
  work.MoveTo(doc);
  doc.m_layers.ReplaceWhiteColors();
  doc.m_lines.ApplyLayerColors(&doc.m_layers, TRUE);
  doc.m_points.ApplyLayerColors(doc.m_layers, 1);
  UpdateLayerBar(&doc);
  return true;
}

// ---- after a read ---------------------------------------------------------------

// Whether the data of the workspace, moved by (-left, -top) and scaled by s,
// still lies within the pixels a workspace holds: the lines and points the
// scale is worked out from do, but hidden ones and notes may lie far off.
bool ScaledDataFits(const CQznDoc& doc, double left, double top, double s) {
  auto fits = [&](double l, double t, double r, double b) {
    return InPixelRange((l - left) * s) && InPixelRange((r - left) * s) && InPixelRange((t - top) * s) &&
           InPixelRange((b - top) * s);
  };
  for (const CChainList* lines : {&doc.m_lines, &doc.m_hiddenLines}) {
    if (lines->IsEmpty()) continue;
    const CFRect e = lines->GetExtent();
    if (!fits(e.left, e.top, e.right, e.bottom)) return false;
  }
  for (const CPtList* points : {&doc.m_points, &doc.m_hiddenPoints}) {
    if (points->IsEmpty()) continue;
    const CFRect e = points->GetBounds();
    if (!fits(e.left, e.top, e.right, e.bottom)) return false;
  }
  for (const CNoteList* notes : {&doc.m_notes, &doc.m_hiddenNotes})
    for (const CNote* n : *notes)
      if (!fits(n->m_rect.left, n->m_rect.top, n->m_rect.right, n->m_rect.bottom)) return false;
  return true;
}

// Without an image the workspace's extent is that of its data: the lines and
// the points. With `offerScaling`, data far too small or too large for the
// display (both sides below 100, or both above 32000) may be scaled to 4028
// across; the world file then maps the new pixels back to the file's units.
// The scale is worked out in double, so data 1e-36 across (a factor beyond
// the float range) still comes to 0..4028. Where the scaled workspace could
// not hold its data, or the world file back would be one no workspace takes
// (terms beyond the georeference's range), the data stays as read and the
// user is told.
void ExtentFromData(CQznDoc& doc, bool offerScaling) {
  bool any = false;
  CFRect r;
  if (!doc.m_lines.IsEmpty()) {
    r = doc.m_lines.GetExtent();
    any = true;
  }
  if (!doc.m_points.IsEmpty()) {
    const CFRect p = doc.m_points.GetBounds();
    if (any)
      r.Union(r, p);
    else
      r = p;
    any = true;
  }
  if (!any) return;
  const double w = static_cast<double>(r.right) - r.left, h = static_cast<double>(r.bottom) - r.top;
  const bool unfit = (w < 100.0 && h < 100.0) || (w > 32000.0 && h > 32000.0);
  if (offerScaling && (w != 0.0 || h != 0.0) && unfit &&
      AfxMessageBox(res::text::kAskChangeDisplayRange, MB_YESNO | MB_ICONQUESTION) == IDYES) {
    const double s = 4028.0 / std::max(w, h);
    const double unit = std::max(w, h) / 4028.0;  // a pixel in the file's units
    if (!ScaledDataFits(doc, r.left, r.top, s) ||
        CheckAffine(unit, 0.0, r.left, 0.0, unit, r.top) != GeorefFault::none) {
      AfxMessageBox(res::text::kDisplayRangeKept, MB_OK | MB_ICONEXCLAMATION);
    } else {
      doc.m_lines.ScaleAll(r.left, r.top, s, s);
      doc.m_hiddenLines.ScaleAll(r.left, r.top, s, s);
      doc.m_points.ScaleAll(r.left, r.top, s, s);
      doc.m_hiddenPoints.ScaleAll(r.left, r.top, s, s);
      doc.m_notes.ScaleAll(r.left, r.top, s, s);
      doc.m_hiddenNotes.ScaleAll(r.left, r.top, s, s);
      doc.m_lines.m_nModified = doc.m_points.m_nModified = doc.m_notes.m_nModified = 1;
      doc.m_tfw.Reset();
      doc.m_tfw.m_A = doc.m_tfw.m_E = unit;
      doc.m_tfw.m_C = r.left;
      doc.m_tfw.m_F = r.top;
      doc.m_tfw.m_nTerms = 3;
      doc.m_nTfwModified = 1;
      doc.SetExtentAndTolerance(RECT{0, 0, static_cast<int>(w * s) + 2, static_cast<int>(h * s) + 2});
      return;
    }
  }
  doc.SetExtentAndTolerance(CoveringRect(r));
}

bool CanOpen(const std::string& path) {
  CTextFileReader probe;
  return probe.Open(path);
}

}  // namespace

int ImportVectors(CQznDoc& doc, const std::string& path, int replace) {
  CWaitCapture wait;
  auto is = [&](const char* ext) { return HasFileExtension(path, ext); };
  try {
    bool read = false;
    if (is(".PNT") || is(".XYZ")) {
      read = doc.ImportPoints(path, true) != 0;
    } else if (is(".SDL")) {
      read = ImportSdl(doc, path, MapTransform::Pixels()) != 0;
    } else if (is(".SHP")) {
      read = ReadShape(doc, path, MapTransform::Pixels());
    } else if (is(".MIF")) {
      read = ReadMif(doc, path, MapTransform::Pixels());
    } else if (is(".DXF")) {
      read = ReadDxf(doc, path, MapTransform::Pixels());
    } else {
      read = doc.ImportGenerateLines(path, replace) != 0;
      if (!read) AfxMessageBox(res::text::kLineListReadError, MB_OK | MB_ICONEXCLAMATION);
    }
    if (!read) return 0;
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kOutOfMemory);
    return 0;
  }
  doc.m_lines.DeleteSmallInRect(0, 1, RECT{}, TRUE);
  if (!doc.m_image.HasPixels()) ExtentFromData(doc, true);
  doc.SetVectorFilePath(path);
  return 1;
}

int ImportGeoVectors(CQznDoc& doc, const std::string& path, const std::string& reference, GeorefKind type) {
  CWaitCapture wait;
  // Anything else, and the triangulation without an image, is the bilinear fit.
  if ((type != GeorefKind::triangulation && type != GeorefKind::worldFile) ||
      (type == GeorefKind::triangulation && !doc.m_image.HasPixels()))
    type = GeorefKind::bilinear;
  // The spatial reference: the workspace's, or the file given.
  if (doc.m_controlPts.GetCount() >= 4 || doc.m_tfw.m_nTerms != 0) {
    if (doc.m_tfw.m_nTerms != 0) type = GeorefKind::worldFile;
  } else if (HasFileExtension(reference, ".TFW")) {
    if (!doc.LoadWorldFile(reference)) return 0;
    type = GeorefKind::worldFile;
  } else {
    if (!doc.LoadControlPoints(reference)) return 0;
    if (doc.m_tfw.m_nTerms != 0) type = GeorefKind::worldFile;
  }
  if (type == GeorefKind::worldFile && doc.m_tfw.m_nTerms == 0) type = GeorefKind::bilinear;
  doc.m_importTransform = type;

  CGeoreference georef;
  switch (georef.Prepare(doc, type, kMapToImage)) {
    case CGeoreference::ok: break;
    case CGeoreference::worldFileFailed:
      AfxMessageBox(res::text::kWorldFileParameterError, MB_OK | MB_ICONSTOP);
      return 0;
    default: AfxMessageBox(res::text::kBadControlPoints, MB_OK | MB_ICONSTOP); return 0;
  }
  const MapTransform& map = georef.Map();
  const CTriangleList* triangles = georef.Triangles();

  auto is = [&](const char* ext) { return HasFileExtension(path, ext); };
  const std::int64_t linesBefore = doc.m_lines.GetCount(), pointsBefore = doc.m_points.GetCount();
  try {
    bool read = false;
    if (is(".SDL")) {
      read = ImportSdl(doc, path, map) != 0;
    } else if (is(".PNT")) {
      CPtList points;
      const int ok = triangles ? points.ReadXYZTriangulated(path, *triangles)
                               : points.ReadXYZPolynomial(path, map.XRow(), map.YRow(), map.PolynomialType());
      read = ok && points.IsInPixelRange();
      if (!read) {
        AfxMessageBox(res::text::kPointLayerReadError, MB_OK | MB_ICONEXCLAMATION);
      } else {
        points.SetLayerInRect(doc.m_layers.GetCurrentLayerID(), RECT{});
        if (!points.IsEmpty()) doc.m_points.m_nModified = 1;
        doc.m_points.AdoptAll(points);
        doc.m_paths[CQznDoc::kPathPoint] = path;
      }
    } else if (is(".SHP")) {
      read = ReadShape(doc, path, map);
    } else if (is(".MIF")) {
      read = ReadMif(doc, path, map);
    } else if (is(".DXF")) {
      read = ReadDxf(doc, path, map);
    } else {
      // Asked before the file is read, acted on only after.
      const bool remove =
          !doc.m_lines.IsEmpty() && AfxMessageBox(res::text::kAskRemoveLines, MB_YESNO | MB_ICONQUESTION) == IDYES;
      CChainList lines;
      read = CanOpen(path) &&
             (triangles ? lines.ReadLineFileTri(path, triangles)
                        : lines.ReadLineFileGeo(path, map.XRow(), map.YRow(), map.PolynomialType())) &&
             lines.IsInPixelRange();
      if (!read) {
        AfxMessageBox(res::text::kLineListReadError, MB_OK | MB_ICONEXCLAMATION);
      } else {
        const CLayerLook look = doc.m_layers.GetCurrentLook();
        lines.SetAttributes(look.id, look.color, look.penStyle, RECT{});
        if (remove) doc.m_lines.DeleteAll();
        if (!lines.IsEmpty()) doc.m_lines.m_nModified = 1;
        doc.m_lines.AdoptAll(lines);
        doc.SetVectorFilePath(path);
        doc.m_lines.m_nImportMark = 1;
      }
    }
    if (!read) return 0;
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kOutOfMemory);
    return 0;
  }
  // The lines and points came from map coordinates.
  if (doc.m_lines.GetCount() != linesBefore) doc.m_lines.m_nImportMark = 1;
  if (doc.m_points.GetCount() != pointsBefore) doc.m_points.m_nImportMark |= CPtList::kImportedFromMap;
  doc.m_lines.DeleteSmallInRect(0, 1, RECT{}, TRUE);
  if (!doc.m_image.HasPixels()) ExtentFromData(doc, false);
  return 1;
}

}  // namespace qzn
