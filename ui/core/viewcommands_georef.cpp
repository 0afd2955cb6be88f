// Control points, world files, the triangulation and the coordinates of the
// status bar.
#include <filesystem>

#include "model/helpers.h"
#include "model/writerlinks.h"
#include "resources/commands.h"
#include "resources/messages_viewcommands.h"
#include "ui/core/controlptdlg.h"
#include "ui/core/projectiondlg.h"
#include "ui/core/viewcommands_common.h"

namespace qzn::vc {

namespace {

namespace text = res::text;
constexpr unsigned kSaveFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;                      // 6
constexpr unsigned kOpenFlags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;  // 4102

bool HasControlPoints(const CQznView& v) { return ControlPointCount(v) > 0; }
bool HasFourControlPoints(const CQznView& v) { return ControlPointCount(v) > 3; }
bool CanSaveWorldFile(const CQznView& v) {
  return ControlPointCount(v) > 2 || (WorldFileActive(v) && v.Document()->m_tfw.m_nTerms == 3);
}
bool CanShowMapCoordinates(const CQznView& v) { return HasFourControlPoints(v) || WorldFileActive(v); }
bool ShowsMapCoordinates(const CQznView& v) { return v.cursorKind == kCoordMap; }
bool CanShowPageCoordinates(const CQznView& v) { return HasImage(v) && v.Document()->m_image.xResolution > 0.0f; }
bool ShowsPageCoordinates(const CQznView& v) { return v.cursorKind == kCoordPage; }

// The map coordinates of the status bar need a georeference: without one
// it shows pixels again.
void DropMapCoordinates(CQznView& v) {
  if (v.cursorKind != kCoordMap) return;
  v.cursorKind = kCoordPixels;
  v.followMapTransform = false;
}

void DeleteAllControlPoints(CQznView& v) {
  SettleTools(v);
  Doc(v).m_controlPts.RemoveAll();
  DropMapCoordinates(v);
  v.Refresh();
}

void DeleteWorldFile(CQznView& v) {
  CQznDoc& d = Doc(v);
  d.m_tfw.Reset();
  d.m_nTfwModified = 1;
  DropMapCoordinates(v);
}

void ControlPointStatistics(CQznView& v) {
  if (ControlPointCount(v) < 4) {
    AfxMessageBox(text::kNeedFourControlPoints, MB_OK);
    return;
  }
  CControlPtStatDlg dlg(&Doc(v).m_controlPts);
  DoModal(dlg);
  v.Refresh();
}

void UtmConversion(CQznView& v) {
  CUtmConvertDlg dlg(v.Document());
  DoModal(dlg);
}

void StatePlaneConversion(CQznView& v) {
  CStatePlaneDlg dlg(v.Document());
  DoModal(dlg);
}

void BuildTriangulation(CQznView& v) {
  CQznDoc& d = Doc(v);
  if (!d.m_triangles.Build(d.m_controlPts, d.m_extent, kImageToMap)) {
    AfxMessageBox(text::kTriangulationError, MB_OK | MB_ICONSTOP);
    return;
  }
  v.flags.triangulation = true;
  v.Refresh();
}

void LoadControlPoints(CQznView& v) {
  CQznDoc& d = Doc(v);
  std::string name = "*.cpt";
  if (HasImage(v))
    name = WithExtension(d.m_paths[CQznDoc::kPathImage], "cpt");
  else if (!d.m_paths[CQznDoc::kPathVector].empty())
    name = WithExtension(d.m_paths[CQznDoc::kPathVector], "cpt");
  const std::string path =
      AskFilePath(FileRequest(FileDialogKind::open, "cpt", name, kOpenFlags, text::kControlPointLoadFilter));
  if (path.empty()) return;
  SettleTools(v);
  const std::string ext = UpperExtension(path);
  if (ext == "TFW") {
    if (!d.LoadWorldFile(path)) {
      AfxMessageBox(text::kReadTfwFailed, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
  } else if (ext == "TAB") {
    if (!d.LoadControlPointTable(path)) {
      AfxMessageBox(text::kReadTabError, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    d.m_paths[CQznDoc::kPathControlPoints] = path;
  } else {
    if (!d.LoadControlPoints(path)) {
      AfxMessageBox(text::kReadControlPointsError, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    d.m_paths[CQznDoc::kPathControlPoints] = path;
  }
  v.Refresh();
  DropMapCoordinates(v);
}

void SaveControlPoints(CQznView& v) {
  CQznDoc& d = Doc(v);
  std::string name;
  for (int i : {CQznDoc::kPathControlPoints, CQznDoc::kPathVector, CQznDoc::kPathImage})
    if (name.empty()) name = WithoutExtension(d.m_paths[i]);
  const std::string path =
      AskFilePath(FileRequest(FileDialogKind::save, "cpt", name, kSaveFlags, text::kControlPointSaveFilter));
  if (path.empty()) return;
  CWaitCapture wait;
  // The document says kSaveControlPointsError itself and takes the path on success.
  d.SaveControlPoints(path);
}

// A MapInfo table of the world file alone: the extent's four corners with
// their map positions, which MapInfo fits back to the same affine transform.
int WriteWorldFileAsTable(const CQznDoc& d, const std::string& path, const std::string& imageName) {
  double x[3], y[3];
  if (!d.m_tfw.GetTransform(x, y, kImageToMap)) return 0;
  CControlPtList corners;
  const RECT& e = d.m_extent;
  const POINT at[] = {{e.left, e.top}, {e.right, e.top}, {e.left, e.bottom}, {e.right, e.bottom}};
  for (const POINT& p : at) {
    CControlPt* c = corners.AddNew();
    if (!c) return 0;
    c->m_imageX = p.x;
    c->m_imageY = p.y;
    ApplyPolynomial(p.x, p.y, x, y, kAffinePolynomial, c->m_mapX, c->m_mapY);
  }
  return corners.SaveGeoref(path, imageName, 1);
}

void SaveWorldFile(CQznView& v) {
  CQznDoc& d = Doc(v);
  const std::string path = AskFilePath(FileRequest(
      FileDialogKind::save, "TFW", HasImage(v) ? ImageStem(d) : std::string(), kSaveFlags, text::kWorldFileFilter));
  if (path.empty()) return;
  const bool table = UpperExtension(path) == "TAB";
  const std::string imageName = CFilePath(d.m_paths[CQznDoc::kPathImage]).GetFileName(true);
  if (d.m_controlPts.GetCount() > 2) {
    if (!d.m_controlPts.SaveGeoref(path, imageName, table ? 1 : 0))
      AfxMessageBox(text::kWorldFileFromPointsError, MB_OK | MB_ICONSTOP);
  } else if (d.m_tfw.m_nTerms == 3) {
    const int ok = table ? WriteWorldFileAsTable(d, path, imageName) : d.m_tfw.Write(path);
    if (!ok) AfxMessageBox(text::kSaveWorldFileError, MB_OK | MB_ICONSTOP);
  }
}

void ToggleMapCoordinates(CQznView& v) {
  if (v.cursorKind == kCoordMap) {
    DropMapCoordinates(v);
  } else {
    v.cursorKind = kCoordMap;
    v.followMapTransform = true;
  }
  v.Refresh();
}

void TogglePageCoordinates(CQznView& v) {
  v.cursorKind = v.cursorKind == kCoordPage ? kCoordPixels : kCoordPage;
  v.followMapTransform = false;
}

constexpr ViewCommand kCommands[] = {
    {cmd::kEditDeleteControlPoints, HasControlPoints, nullptr, DeleteAllControlPoints},
    {cmd::kEditDeleteWorldFile, WorldFileActive, nullptr, DeleteWorldFile},
    {cmd::kEditControlPointStatistics, HasControlPoints, nullptr, ControlPointStatistics},
    {cmd::kEditTriangulation, HasFourControlPoints, nullptr, BuildTriangulation},
    {cmd::kEditUtmConversion, nullptr, nullptr, UtmConversion},
    {cmd::kEditStatePlaneConversion, nullptr, nullptr, StatePlaneConversion},
    {cmd::kFileLoadControlPoints, HasDoc, nullptr, LoadControlPoints},
    {cmd::kFileSaveControlPoints, HasControlPoints, nullptr, SaveControlPoints},
    {cmd::kFileSaveWorldFile, CanSaveWorldFile, nullptr, SaveWorldFile},
    {cmd::kViewMapCoordinates, CanShowMapCoordinates, ShowsMapCoordinates, ToggleMapCoordinates},
    {cmd::kViewPageCoordinates, CanShowPageCoordinates, ShowsPageCoordinates, TogglePageCoordinates},
};

}  // namespace

std::span<const ViewCommand> GeorefCommands() { return kCommands; }

}  // namespace qzn::vc
