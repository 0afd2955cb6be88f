// The vector imports of the document: point files and ARC generate lines
// read here, everything else through the installed readers.
#include "app/qzndoc.h"
#include "app/vectorimports.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/imagefile.h"
#include "resources/messages_app.h"
#include "resources/messages_formats.h"

namespace qzn {
namespace {
IVectorImports* g_imports = nullptr;

}  // namespace

IVectorImports* VectorImports() { return g_imports; }

IVectorImports* SetVectorImports(IVectorImports* imports) {
  IVectorImports* previous = g_imports;
  g_imports = imports;
  return previous;
}

int CQznDoc::ImportVectors(const std::string& path, int replace) {
  IVectorImports* imports = VectorImports();
  return imports ? imports->ImportVectors(*this, path, replace) : 0;
}

int CQznDoc::ImportGeoVectors(const std::string& path, const std::string& reference, GeorefKind kind) {
  IVectorImports* imports = VectorImports();
  return imports ? imports->ImportGeoVectors(*this, path, reference, kind) : 0;
}

int CQznDoc::ImportPoints(const std::string& path, bool fromVectorImport) {
  // Asked before the file is read, acted on only after.
  bool remove = false, keep = false;
  if (!m_points.IsEmpty()) {
    remove = AfxMessageBox(res::text::kAskRemovePoints, MB_YESNO | MB_ICONQUESTION) == IDYES;
    keep = !remove;
  }
  CPtList read;
  const int ok = HasFileExtension(path, ".XYZ") ? read.ReadXYZSimple(path) : read.ReadXYZ(path);
  if (!ok || !read.IsInPixelRange()) {
    if (fromVectorImport)
      AfxMessageBox(res::text::kPointLayerReadError, MB_OK | MB_ICONEXCLAMATION);
    else
      AfxMessageBox(res::text::kPointFileReadError);
    return 0;
  }
  const CLayerLook layer = m_layers.GetCurrentLook();
  for (CPointRec* r : read) {
    r->layer = layer.id;
    r->color = layer.color;
  }
  if (remove) m_points.DeleteAll();
  if (keep) m_points.m_nImportMark |= CPtList::kKeptExisting;
  if (!read.IsEmpty()) m_points.m_nModified = 1;
  m_points.AdoptAll(read);
  if (!m_image.HasPixels() && !m_points.IsEmpty()) {
    RECT extent = CoveringRect(m_points.GetBounds());
    if (!m_lines.IsEmpty()) UnionRect(extent, extent, m_extent);
    SetExtentAndTolerance(extent);
  }
  m_paths[kPathPoint] = path;
  return 1;
}

int CQznDoc::ImportGenerateLines(const std::string& path, int replace) {
  // The line reader tells of a file it cannot open; the vector import says
  // that itself.
  {
    CTextFileReader probe;
    if (!probe.Open(path)) return 0;
  }
  CChainList read;
  if (!read.ReadLineFileGeo(path, nullptr, nullptr, 0) || !read.IsInPixelRange()) return 0;
  const CLayerLook layer = m_layers.GetCurrentLook();
  read.SetAttributes(layer.id, layer.color, layer.penStyle, RECT{});
  if (replace) m_lines.DeleteAll();
  if (!read.IsEmpty()) m_lines.m_nModified = 1;
  m_lines.AdoptAll(read);
  m_lines.DeleteSmallInRect(0, 1, RECT{}, TRUE);
  m_lines.m_nImportMark = 0;
  m_paths[kPathVector] = path;
  return 1;
}

}  // namespace qzn
