#include "formats/arcexport.h"

#include "app/qzndoc.h"
#include "formats/exportcommon.h"
#include "formats/exportoptions.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "resources/messages_formats.h"
#include "platform/textfile.h"

namespace qzn {

namespace {

// The georeference of the kArcPntTitle dialog, remembered as the
// workspace's last choice. False when the dialog was cancelled.
bool AskArcPnt(CQznDoc& doc, ArcPntExportOptions& options, GeorefChoice& choice) {
  if (!AskExportOptions(doc, options, &IExportOptionsHook::AskArcPnt)) return false;
  choice = ToGeorefChoice(options.mode, GeorefChoice::flip);
  doc.RememberGeoref(KindOf(choice));
  return true;
}

// The generate file of the lines or of the points with the dialog's
// georeference; only a file without the flip becomes the workspace's last
// file of its kind.
int ExportArc(CQznDoc& doc, const std::string& path, bool points) {
  ArcPntExportOptions options;
  GeorefChoice choice = GeorefChoice::none;
  if (!AskArcPnt(doc, options, choice)) return 1;
  CWaitCapture wait;
  CExportGeoref georef;
  const char* badPoints = res::text::kBadControlPoints;
  if (!PrepareGeoref(georef, doc, choice,
                     {badPoints, badPoints, points ? res::text::kWorldFileParameterError : badPoints}))
    return 0;
  const bool written = points ? doc.m_points.WriteGenerate(path, options.integerIds, georef.Map()) != 0
                              : doc.m_lines.WriteGenerate(path, options.integerIds ? TRUE : FALSE, georef.Map()) != 0;
  if (!written) {
    AfxMessageBox(points ? res::text::kSavePointsError : res::text::kSaveLinesError, MB_OK | MB_ICONSTOP);
    return 0;
  }
  if (georef.Choice() != GeorefChoice::flip) doc.m_paths[points ? CQznDoc::kPathPoint : CQznDoc::kPathVector] = path;
  return 1;
}

}  // namespace

WriteResult WriteXyzFile(const std::string& path, const CQznDoc& doc, const MapTransform& map, bool lines,
                         bool points) {
  CTextFileWriter file;
  if (!file.Open(path)) return WriteResult::cannotCreate;
  bool mapped = true;
  if (lines) mapped = doc.m_lines.WriteXyz(file, map) != 0;
  if (mapped && points) mapped = doc.m_points.WriteXyz(file, map) != 0;
  return EndTextFile(file, mapped);
}

int ExportArcLines(CQznDoc& doc, const std::string& path) { return ExportArc(doc, path, false); }

int ExportArcPoints(CQznDoc& doc, const std::string& path) { return ExportArc(doc, path, true); }

int ExportXyz(CQznDoc& doc, const std::string& path) {
  XyzOptions options;
  if (!AskExportOptions(doc, options, &IExportOptionsHook::AskXyz)) return 1;
  CWaitCapture wait;
  CExportGeoref georef;
  const char* badPoints = res::text::kBadControlPoints;
  if (!PrepareGeoref(georef, doc, ToGeorefChoice(options.mode, GeorefChoice::worldFile),
                     {badPoints, badPoints, res::text::kWorldFileNotAppliedXyz}))
    return 0;
  const WriteResult result = WriteXyzFile(path, doc, georef.Map(), options.lines != 0, options.points != 0);
  if (result == WriteResult::cannotCreate) AfxMessageBox(res::text::kCannotOpenFile, MB_OK | MB_ICONSTOP);
  return result == WriteResult::ok ? 1 : 0;
}

}  // namespace qzn
