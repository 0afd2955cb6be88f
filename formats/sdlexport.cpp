#include "formats/sdlexport.h"

#include "app/qzndoc.h"
#include "formats/attributelist.h"
#include "formats/exportcommon.h"
#include "formats/exportoptions.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "resources/messages_formats.h"
#include "platform/textfile.h"

namespace qzn {

WriteResult WriteSdlFile(const std::string& path, const CQznDoc& doc, const MapTransform& map,
                         const CAttributeList* attributes, const SdlContent& what) {
  CTextFileWriter file;
  if (!file.Open(path)) return WriteResult::cannotCreate;
  file.Write(";Tarvik Dataco QZN 输出 SDL 文件。\n");
  // The second comment line says what the coordinates are.
  file.Write(map.IsGeoreferenced() ? ";坐标为地图坐标。\n" : ";坐标为图像像素 (x 向右, y 向下)。\n");
  bool mapped = true;
  if (what.lines) mapped = doc.m_lines.WriteSdl(file, attributes, map) != 0;
  if (mapped && what.points) mapped = doc.m_points.WriteSdl(file, attributes, map) != 0;
  if (mapped && what.notes) mapped = doc.m_notes.WriteSdl(file, map) != 0;
  return EndTextFile(file, mapped);
}

int ExportSdl(CQznDoc& doc, const std::string& path) {
  SdlOutputOptions options;
  if (!AskExportOptions(doc, options, &IExportOptionsHook::AskSdl)) return 1;
  const GeorefChoice choice = ToGeorefChoice(options.mode, GeorefChoice::worldFile);
  doc.RememberGeoref(KindOf(choice));

  CWaitCapture wait;
  CExportGeoref georef;
  if (!PrepareGeoref(
          georef, doc, choice,
          {res::text::kBadControlPoints, res::text::kBadControlPointsExportAgain, res::text::kWorldFileNotUsedSdl}))
    return 0;
  // An attribute file that cannot be read leaves the records unnamed.
  CAttributeList attributes;
  if (options.merge && !options.attributePath.empty() && !attributes.ReadFile(options.attributePath))
    attributes.RemoveAll();

  SdlContent what;
  what.lines = options.lines != 0;
  what.points = options.points != 0;
  what.notes = options.text != 0;
  const WriteResult result = WriteSdlFile(path, doc, georef.Map(), &attributes, what);
  if (result == WriteResult::cannotCreate) AfxMessageBox(res::text::kCannotOpenFile, MB_OK | MB_ICONSTOP);
  return result == WriteResult::ok ? 1 : 0;
}

}  // namespace qzn
