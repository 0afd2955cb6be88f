#include "formats/exportcommon.h"

#include <cctype>
#include <cmath>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "resources/messages_formats.h"
#include "platform/textfile.h"

namespace qzn {

GeorefKind KindOf(GeorefChoice choice) {
  switch (choice) {
    case GeorefChoice::bilinear: return GeorefKind::bilinear;
    case GeorefChoice::triangulation: return GeorefKind::triangulation;
    case GeorefChoice::worldFile: return GeorefKind::worldFile;
    default: return GeorefKind::none;
  }
}

GeorefChoice ChoiceOf(GeorefKind kind) {
  switch (kind) {
    case GeorefKind::bilinear: return GeorefChoice::bilinear;
    case GeorefKind::triangulation: return GeorefChoice::triangulation;
    case GeorefKind::worldFile: return GeorefChoice::worldFile;
    default: return GeorefChoice::none;
  }
}

GeorefChoice CExportGeoref::Resolve(const CQznDoc& doc, GeorefChoice choice) {
  switch (choice) {
    case GeorefChoice::bilinear:
    case GeorefChoice::triangulation:
      if (doc.HasGeoref(KindOf(choice))) return choice;
      return doc.HasGeoref(GeorefKind::worldFile) ? GeorefChoice::worldFile : GeorefChoice::none;
    case GeorefChoice::worldFile:
      if (doc.HasGeoref(GeorefKind::worldFile)) return choice;
      return doc.HasGeoref(GeorefKind::bilinear) ? GeorefChoice::bilinear : GeorefChoice::none;
    case GeorefChoice::flip: return choice;
    default: return GeorefChoice::none;
  }
}

CExportGeoref::Outcome CExportGeoref::Prepare(const CQznDoc& doc, GeorefChoice choice) {
  m_choice = choice;
  m_map = MapTransform::Pixels();
  switch (choice) {
    case GeorefChoice::bilinear:
    case GeorefChoice::triangulation:
    case GeorefChoice::worldFile: {
      const Outcome outcome = m_georef.Prepare(doc, KindOf(choice));
      m_map = m_georef.Map();
      return outcome;
    }
    case GeorefChoice::flip: m_map = MapTransform::FlippedOver(doc.m_extent); return CGeoreference::ok;
    default: m_choice = GeorefChoice::none; return CGeoreference::ok;
  }
}

GeorefChoice ToGeorefChoice(int mode, GeorefChoice highest) {
  return mode >= 1 && mode <= static_cast<int>(highest) ? static_cast<GeorefChoice>(mode) : GeorefChoice::none;
}

bool PrepareGeoref(CExportGeoref& georef, const CQznDoc& doc, GeorefChoice choice, const GeorefMessages& messages) {
  const char* message = nullptr;
  switch (georef.Prepare(doc, CExportGeoref::Resolve(doc, choice))) {
    case CGeoreference::ok: return true;
    case CGeoreference::fitFailed: message = messages.fit; break;
    case CGeoreference::triangulationFailed: message = messages.triangulation; break;
    case CGeoreference::worldFileFailed: message = messages.worldFile; break;
  }
  if (message) AfxMessageBox(message, MB_OK | MB_ICONSTOP);
  return false;
}

WriteResult EndTextFile(CTextFileWriter& file, bool mapped) {
  if (!mapped) {
    file.Abort();
    return WriteResult::cannotMap;
  }
  return file.Close() ? WriteResult::ok : WriteResult::failed;
}

bool CBounds::AddCorners(const MapTransform& map, const RECT& rc) {
  const int xs[2] = {rc.left, rc.right}, ys[2] = {rc.top, rc.bottom};
  for (int x : xs)
    for (int y : ys) {
      double X = 0.0, Y = 0.0;
      if (!map.MapPixel(x, y, X, Y)) return false;
      Add(X, Y);
    }
  return true;
}

std::string CompanionPath(const std::string& path, const char* extension) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExt ? path.substr(0, dot) : path;
  const std::string mainExt = hasExt ? path.substr(dot + 1) : std::string();
  std::string ext(extension);
  for (std::size_t i = 0; i < ext.size(); ++i) {
    const bool upper = i < mainExt.size() && std::isupper(static_cast<unsigned char>(mainExt[i]));
    ext[i] = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(ext[i]))
                                     : std::tolower(static_cast<unsigned char>(ext[i])));
  }
  return stem + "." + ext;
}

bool IntegerId(double value, int& out) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return false;
  out = static_cast<int>(value);  // toward zero
  return true;
}

void ReportIdOutOfRange(double id) { AfxMessageBox(FormatC(res::text::kIdOutOfRangeFormat, id), MB_OK | MB_ICONSTOP); }

std::string CutToStoredBytes(const std::string& utf8, std::size_t maxBytes) {
  std::size_t stored = 0, i = 0;
  while (i < utf8.size()) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    std::size_t len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (i + len > utf8.size()) len = utf8.size() - i;
    const std::size_t bytes = len == 1 ? 1 : Utf8ToGbk(utf8.substr(i, len)).size();
    if (stored + bytes > maxBytes) break;
    stored += bytes;
    i += len;
  }
  return utf8.substr(0, i);
}

bool HasNonAscii(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

}  // namespace qzn
