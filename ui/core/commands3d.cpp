#include "ui/core/commands3d.h"

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "resources/messages_view3d.h"
#include "terrain/dembuilder.h"
#include "terrain/demsettings.h"
#include "ui/core/dialogs3d.h"
#include "ui/core/openglview.h"

namespace qzn {

namespace {

RECT ExtentOf(const CQznDoc& doc) {
  RECT e = doc.m_extent;
  NormalizeRect(e);
  return e;
}

// Writes with the builder, then opens the file; the builder's reason when
// it wrote nothing.
int Build(CDemBuilder& builder, bool dem, const std::string& path, const C3DCommandHost& host) {
  int ok;
  {
    CWaitCapture wait;
    ok = dem ? builder.WriteDem() : builder.WriteGrid();
  }
  if (!ok) {
    if (!builder.GetErrorText().empty()) AfxMessageBox(builder.GetErrorText(), MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  if (host.open3DView) host.open3DView(path);
  return 1;
}

}  // namespace

bool HasShownLinesOrPoints(const CQznDoc& doc) { return !doc.m_lines.IsEmpty() || !doc.m_points.IsEmpty(); }

bool CanDrapeImage(const CQznDoc& doc, const C3DCommandHost& host) {
  return doc.m_image.HasPixels() && host.find3DView && host.find3DView() != nullptr;
}

int CreateGridFile(CQznDoc& doc, const C3DCommandHost& host) {
  if (!HasShownLinesOrPoints(doc)) return 0;
  CGridMeshSizeDlg dlg(ExtentOf(doc), &doc);
  if (!host.runDialog || !host.runDialog(dlg)) return 0;
  CDemBuilder builder(&doc.m_lines, &doc, dlg.cellSize, dlg.outputPath);
  return Build(builder, false, dlg.outputPath, host);
}

int CreateDemFile(CQznDoc& doc, const C3DCommandHost& host) {
  if (!HasShownLinesOrPoints(doc)) return 0;
  CDemSettingsDlg dlg(ExtentOf(doc), &doc);
  if (!host.runDialog || !host.runDialog(dlg)) return 0;
  CDemSettings settings;
  dlg.FillSettings(settings);
  CDemBuilder builder(&doc.m_lines, &doc, dlg.cellSize, dlg.outputPath, &settings);
  return Build(builder, true, dlg.outputPath, host);
}

int DrapeImage(CQznDoc& doc, const RECT& rubberBand, const RECT& visibleRect, const C3DCommandHost& host) {
  // The menu may have been enabled before the 3D window closed.
  COpenGLView* view = host.find3DView ? host.find3DView() : nullptr;
  if (!view) {
    AfxMessageBox(res::text::kNo3DView, MB_OK);
    return 0;
  }
  if (!doc.m_image.HasPixels()) return 0;
  const RECT extent = ExtentOf(doc);
  RECT proposed = IsRectEmpty(rubberBand) ? visibleRect : rubberBand;
  RECT rect = extent;
  if (!(proposed == extent)) {
    CDrapeAreaDlg dlg(proposed, extent);
    if (!host.runDialog || !host.runDialog(dlg)) return 0;
    rect = dlg.Result();
  }
  view->SetDrape(&doc, rect);
  return 1;
}

}  // namespace qzn
