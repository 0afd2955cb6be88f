#include "formats/exportoptions.h"

#include "app/qzndoc.h"

namespace qzn {

namespace {

IExportOptionsHook* g_hook = nullptr;

bool HasControlPoints(const CQznDoc& doc) { return doc.HasGeoref(GeorefKind::bilinear); }
bool HasWorldFile(const CQznDoc& doc) { return doc.HasGeoref(GeorefKind::worldFile); }

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

IExportOptionsHook* ExportOptionsHook() { return g_hook; }

IExportOptionsHook* SetExportOptionsHook(IExportOptionsHook* hook) {
  IExportOptionsHook* previous = g_hook;
  g_hook = hook;
  return previous;
}

GeorefEnabling GeorefEnabling::For(const CQznDoc& doc) {
  GeorefEnabling e;
  e.bilinear = e.triangulation = HasControlPoints(doc);
  e.worldFile = HasWorldFile(doc);
  return e;
}

DxfOutOptions DxfOutOptions::Defaults(const CQznDoc& doc) {
  DxfOutOptions o;
  o.enabled = GeorefEnabling::For(doc);
  const GeorefKind remembered = doc.RememberedGeoref();
  if (remembered != GeorefKind::none) o.mode = ModeOf(remembered);
  return o;
}

int DxfOutOptions::ModeOf(GeorefKind kind) {
  switch (kind) {
    case GeorefKind::bilinear: return bilinear;
    case GeorefKind::triangulation: return triangulation;
    case GeorefKind::worldFile: return worldFile;
    default: return pageSpace;
  }
}

ImageResolutionOptions ImageResolutionOptions::Defaults(const CQznDoc& doc) {
  ImageResolutionOptions o;
  o.resolution = doc.m_image.xResolution;
  o.unit = doc.GetUnitName();
  return o;
}

void ImageResolutionOptions::Apply(CQznDoc& doc) const {
  doc.SetUnitName(unit);
  doc.m_image.xResolution = resolution;
  doc.m_image.yResolution = resolution;
}

MifParamOptions MifParamOptions::Defaults(const CQznDoc& doc) {
  MifParamOptions o;
  o.enabled = GeorefEnabling::For(doc);
  o.lines = doc.m_lines.IsEmpty() ? 0 : 1;
  o.points = doc.m_points.IsEmpty() ? 0 : 1;
  o.text = doc.m_notes.IsEmpty() ? 0 : 1;
  if (HasWorldFile(doc)) o.mode = static_cast<int>(GeorefChoice::worldFile);
  if (HasControlPoints(doc)) o.mode = static_cast<int>(GeorefChoice::bilinear);
  return o;
}

std::string MifParamOptions::Clause() const {
  if (coordSys == nonEarth) {
    // "千米" before the plain metre: it holds the character for metre too.
    static const struct {
      const char* name;
      const char* units;
    } kUnits[] = {{"英里", "mi"}, {"千米", "km"}, {"英寸", "in"}, {"英尺", "ft"},
                  {"码", "yd"},   {"毫米", "mm"}, {"厘米", "cm"}};
    for (const auto& u : kUnits)
      if (Contains(unitName, u.name)) return std::string("CoordSys Nonearth\nUnits \"") + u.units + "\"";
    return "CoordSys Nonearth\nUnits \"m\"";
  }
  if (coordSys == earth) {
    // The record is a quoted name, a comma and the projection's parameters.
    const std::size_t at = projection.find("\",");
    if (at == std::string::npos) return std::string();
    return "CoordSys Earth Projection " + projection.substr(at + 2);
  }
  return std::string();
}

ArcViewExportOptions ArcViewExportOptions::Defaults(const CQznDoc& doc) {
  ArcViewExportOptions o;
  o.enabled = GeorefEnabling::For(doc);
  if (HasControlPoints(doc)) o.mode = static_cast<int>(GeorefChoice::bilinear);
  if (HasWorldFile(doc)) o.mode = static_cast<int>(GeorefChoice::worldFile);
  return o;
}

XyzOptions XyzOptions::Defaults(const CQznDoc& doc) {
  XyzOptions o;
  o.enabled = GeorefEnabling::For(doc);
  o.linesEnabled = !doc.m_lines.IsEmpty();
  o.pointsEnabled = !doc.m_points.IsEmpty();
  o.lines = o.linesEnabled ? 1 : 0;
  o.points = o.pointsEnabled ? 1 : 0;
  if (HasControlPoints(doc)) o.mode = static_cast<int>(GeorefChoice::triangulation);
  if (HasWorldFile(doc)) o.mode = static_cast<int>(GeorefChoice::worldFile);
  return o;
}

SdlOutputOptions SdlOutputOptions::Defaults(const CQznDoc& doc) {
  SdlOutputOptions o;
  o.enabled = GeorefEnabling::For(doc);
  o.linesEnabled = !doc.m_lines.IsEmpty();
  o.pointsEnabled = !doc.m_points.IsEmpty();
  o.textEnabled = !doc.m_notes.IsEmpty();
  o.lines = o.linesEnabled ? 1 : 0;
  o.points = o.pointsEnabled ? 1 : 0;
  o.text = o.textEnabled ? 1 : 0;
  if (HasControlPoints(doc)) o.mode = static_cast<int>(GeorefChoice::bilinear);
  if (HasWorldFile(doc)) o.mode = static_cast<int>(GeorefChoice::worldFile);
  const std::string& attributes = doc.m_paths[CQznDoc::kPathAttributes];
  if (!attributes.empty()) {
    o.attributePath = attributes;
    o.merge = 1;
  }
  const GeorefKind remembered = doc.RememberedGeoref();
  if (remembered != GeorefKind::none) o.mode = static_cast<int>(ChoiceOf(remembered));
  return o;
}

ArcPntExportOptions ArcPntExportOptions::Defaults(const CQznDoc& doc) {
  ArcPntExportOptions o;
  o.enabled = GeorefEnabling::For(doc);
  if (HasControlPoints(doc)) o.mode = static_cast<int>(GeorefChoice::bilinear);
  if (HasWorldFile(doc)) o.mode = static_cast<int>(GeorefChoice::worldFile);
  return o;
}

IgesOutOptions IgesOutOptions::Defaults(const CQznDoc& doc) {
  IgesOutOptions o;
  o.enabled = GeorefEnabling::For(doc);
  o.pageSpaceEnabled = doc.m_image.xResolution > 0.0f;
  return o;
}

}  // namespace qzn
