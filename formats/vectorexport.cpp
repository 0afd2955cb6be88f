#include "formats/vectorexport.h"

#include <cctype>

#include "app/georeference.h"
#include "app/qzndoc.h"
#include "formats/arcexport.h"
#include "formats/dxfexport.h"
#include "formats/exportcommon.h"
#include "formats/exportoptions.h"
#include "formats/igesexport.h"
#include "formats/mifexport.h"
#include "formats/sdlexport.h"
#include "formats/shapefile.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_formats.h"

namespace qzn {

namespace {

// The kArcViewExportTitle branch.
int ExportShape(CQznDoc& doc, const std::string& path) {
  ArcViewExportOptions options;
  if (!AskExportOptions(doc, options, &IExportOptionsHook::AskArcView)) return 1;
  CExportGeoref georef;
  if (!PrepareGeoref(georef, doc, ToGeorefChoice(options.mode, GeorefChoice::flip),
                     {res::text::kBadControlPoints, res::text::kBadControlPoints, res::text::kBadControlPoints}))
    return 0;
  CWaitCapture wait;
  WriteResult result = WriteResult::ok;
  if (options.source == ArcViewExportOptions::points) {
    if (doc.m_points.IsEmpty()) {
      AfxMessageBox(res::text::kNoPointsToSave, MB_OK | MB_ICONEXCLAMATION);
      return 1;
    }
    result = CShapeFile(doc.m_points, doc.m_extent, georef.Map()).Write(path, doc.m_nDecimalIDs != 0);
  } else if (options.source == ArcViewExportOptions::notes) {
    if (doc.m_notes.IsEmpty()) {
      AfxMessageBox(res::text::kNoNotesToSave, MB_OK | MB_ICONEXCLAMATION);
      return 1;
    }
    result = CShapeFile(doc.m_notes, doc.m_extent, georef.Map()).Write(path, doc.m_nDecimalIDs != 0);
  } else {
    result =
        CShapeFile(doc.m_lines, doc.m_extent, georef.Map(), options.polygons != 0).Write(path, doc.m_nDecimalIDs != 0);
  }
  return result == WriteResult::ok ? 1 : 0;
}

// The map transform of the batch line exports: the workspace's own
// georeference. False, with the message where there is one, when it has
// none or it cannot be applied.
bool BatchLineTransform(const CQznDoc& doc, MapTransform& map) {
  map = doc.GetMapTransform();
  if (map.IsGeoreferenced()) return true;
  if (doc.GeorefInUse() == GeorefKind::worldFile) AfxMessageBox(res::text::kWorldFileError, MB_OK | MB_ICONSTOP);
  return false;
}

// The plain non-earth system of the batch MIF files.
MifContent BatchMif(bool lines, bool points, bool mapped) {
  MifContent what;
  what.lines = lines;
  what.points = points;
  what.linePens = !mapped;
  return what;
}

MapTransform BatchPageSpace(const CQznDoc& doc) {
  return MapTransform::PageSpace(doc.m_extent, doc.m_image.xResolution, doc.m_image.yResolution);
}

}  // namespace

int VectorFileTypeOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return kVectorGenerate;
  const std::string ext = Upper(path.substr(dot + 1));
  if (ext == "DXF") return kVectorDxf;
  if (ext == "MIF") return kVectorMif;
  if (ext == "SHP") return kVectorShape;
  if (ext == "XYZ") return kVectorXyz;
  if (ext == "PNT") return kVectorPoints;
  if (ext == "SDL") return kVectorSdl;
  if (ext == "IGS" || ext == "IGES") return kVectorIges;
  return kVectorGenerate;
}

int SaveVectorFile(CQznDoc& doc, const std::string& path, int typeCode) {
  switch (typeCode) {
    case kVectorDxf: return ExportDxf(doc, path);
    case kVectorMif: return ExportMif(doc, path);
    case kVectorShape: return ExportShape(doc, path);
    case kVectorXyz: return ExportXyz(doc, path);
    case kVectorPoints: return ExportArcPoints(doc, path);
    case kVectorSdl: return ExportSdl(doc, path);
    case kVectorIges: return ExportIges(doc, path);
    default: return ExportArcLines(doc, path);
  }
}

int ExportLines(CQznDoc& doc, const std::string& path, int type, bool map) {
  if (type == kExportGenerate) return map ? doc.ExportLinesGeo(path, type) : doc.ExportLines(path, type);
  if (type < kExportDxf || type > kExportXyz) return 0;
  MapTransform transform;
  if (map && !BatchLineTransform(doc, transform)) return 0;
  WriteResult result = WriteResult::failed;
  switch (type) {
    case kExportDxf: {
      DxfContent what;
      what.lines = true;
      // A quiet run writes flat lines; otherwise the user decides for map
      // coordinates, and pixels keep the ID as elevation.
      what.linesIdAsZ =
          !Host().IsQuiet() && (!map || AfxMessageBox(res::text::kAskLineIdAsZ, MB_YESNO | MB_ICONQUESTION) == IDYES);
      result = WriteDxfFile(path, doc, map ? transform : BatchPageSpace(doc), what);
      break;
    }
    case kExportMif: result = WriteMifFile(path, doc, transform, BatchMif(true, false, map)); break;
    case kExportShape: result = CShapeFile(doc.m_lines, doc.m_extent, transform, false).Write(path, false); break;
    default: result = WriteXyzFile(path, doc, transform, true, false); break;
  }
  return result == WriteResult::ok ? 1 : 0;
}

int ExportPoints(CQznDoc& doc, const std::string& path, int type, bool map) {
  if (type < kExportGenerate || type > kExportXyz) return 0;
  MapTransform transform;
  if (map) {
    if (!doc.HasGeoref(GeorefKind::bilinear)) {
      AfxMessageBox(res::text::kNeedMoreControlPoints, MB_OK | MB_ICONSTOP);
      return 0;
    }
    CGeoreference georef;
    if (georef.Prepare(doc, GeorefKind::bilinear) != CGeoreference::ok) {
      AfxMessageBox(res::text::kBadControlPoints, MB_OK | MB_ICONSTOP);
      return 0;
    }
    transform = georef.Map();
  }
  WriteResult result = WriteResult::failed;
  switch (type) {
    case kExportGenerate:
      if (!doc.m_points.WriteGenerate(path, 1, transform)) {
        AfxMessageBox(res::text::kSavePointsError, MB_OK | MB_ICONSTOP);
        return 0;
      }
      if (!map) doc.m_paths[CQznDoc::kPathPoint] = path;
      return 1;
    case kExportDxf: {
      DxfContent what;
      what.points = true;
      what.pointsValueAsZ = !map || AfxMessageBox(res::text::kAskPointIdAsZ, MB_YESNO | MB_ICONQUESTION) == IDYES;
      // Points flip over the extent like the lines of a pixel file.
      result = WriteDxfFile(path, doc, map ? transform : BatchPageSpace(doc), what);
      break;
    }
    case kExportMif: result = WriteMifFile(path, doc, transform, BatchMif(false, true, map)); break;
    case kExportShape:
      result = CShapeFile(doc.m_points, doc.m_extent, transform).Write(path, doc.m_nDecimalIDs != 0);
      break;
    default: result = WriteXyzFile(path, doc, transform, false, true); break;
  }
  return result == WriteResult::ok ? 1 : 0;
}

}  // namespace qzn
