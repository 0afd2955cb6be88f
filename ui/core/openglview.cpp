#include "ui/core/openglview.h"

#include <algorithm>
#include <cmath>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_terrain.h"
#include "resources/messages_view3d.h"
#include "terrain/colorramp.h"
#include "terrain/opengldoc.h"
#include "ui/core/dialogs3d.h"
#include "ui/core/qznview.h"

namespace qzn {

namespace {

float CellSizeOf(const COpenGLDoc& doc) { return doc.m_fCellSize > 0.0f ? doc.m_fCellSize : 1.0f; }

// The integer part of an angle, moved by a step, with C's truncating
// remainder: turning left from 0 gives -5.
double TurnBy(double angle, int step) { return static_cast<double>((TruncInt(angle) + step) % 360); }

}  // namespace

// ---- geometry ---------------------------------------------------------------------

void BuildSurface(const COpenGLDoc& doc, float verticalScale, C3DSurface& s) {
  s.columns = std::max(doc.m_nColumns, 0);
  s.rows = std::max(doc.m_nRows, 0);
  s.cellSize = CellSizeOf(doc);
  s.verticalScale = verticalScale;
  const std::size_t n = static_cast<std::size_t>(s.columns) * static_cast<std::size_t>(s.rows);
  if (doc.m_heights.size() < n) {
    s.positions.clear();
    s.rampEntry.clear();
    s.columns = s.rows = 0;
    return;
  }
  s.positions.resize(3 * n);
  s.rampEntry.resize(n);
  const int halfC = s.columns / 2, halfR = s.rows / 2;
  std::size_t i = 0;
  for (int r = 0; r < s.rows; ++r) {
    const float z = static_cast<float>(r - halfR) * s.cellSize;
    for (int c = 0; c < s.columns; ++c, ++i) {
      const float h = doc.m_heights[i];
      s.positions[3 * i] = static_cast<float>(c - halfC) * s.cellSize;
      s.positions[3 * i + 1] = h * verticalScale;
      s.positions[3 * i + 2] = z;
      s.rampEntry[i] = static_cast<std::uint8_t>(RampIndex(h, doc.m_fHeightRange));
    }
  }
}

SIZE GetTileSize(const RECT& imageRect, const COpenGLDoc& doc) {
  const int width = RectWidth(imageRect), height = RectHeight(imageRect);
  if (width == TruncInt(doc.m_fLowerLeftX) && height == TruncInt(doc.m_fLowerLeftY)) {
    const int side = std::max(TruncInt(doc.m_fCellSize), 1);
    return SIZE{side, side};
  }
  // A grid under 2 x 2 has no spacing per cell; it draws no cell either.
  if (doc.m_nColumns < 2 || doc.m_nRows < 2) return SIZE{1, 1};
  const int w = width / (doc.m_nColumns - 1), h = height / (doc.m_nRows - 1);
  const int side = std::min(w, h);
  return side > 0 ? SIZE{side, side} : SIZE{1, 1};
}

RECT GetTileRect(int c, int r, const RECT& imageRect, SIZE tile, int columns, int rows) {
  if (columns < 2 || rows < 2) return RECT{};
  const float stepX = static_cast<float>(RectWidth(imageRect)) / static_cast<float>(columns - 1);
  const float stepY = static_cast<float>(RectHeight(imageRect)) / static_cast<float>(rows - 1);
  const int left = TruncInt(static_cast<float>(c) * stepX + static_cast<float>(imageRect.left));
  const int top = TruncInt(static_cast<float>(r) * stepY + static_cast<float>(imageRect.top));
  return RECT{left, top, SaturatedSum(left, tile.cx), SaturatedSum(top, tile.cy)};
}

RECT DrapeBounds(const CQznDoc& doc) {
  if (!doc.m_image.HasPixels()) return RECT{};
  RECT extent = doc.m_extent;
  NormalizeRect(extent);
  // The extent's right and bottom are its last pixels.
  return RECT{std::max(extent.left, 0), std::max(extent.top, 0),
              static_cast<int>(std::min<std::int64_t>(std::int64_t{extent.right} + 1, doc.m_image.width)),
              static_cast<int>(std::min<std::int64_t>(std::int64_t{extent.bottom} + 1, doc.m_image.height))};
}

CDrapePlan PlanDrape(const COpenGLDoc& doc, const RECT& imageRect, const RECT& bounds) {
  CDrapePlan plan;
  plan.tile = GetTileSize(imageRect, doc);
  if (doc.m_nColumns < 2 || doc.m_nRows < 2) return plan;
  plan.tiles.reserve(static_cast<std::size_t>(doc.m_nColumns - 1) * static_cast<std::size_t>(doc.m_nRows - 1));
  for (int r = 0; r + 1 < doc.m_nRows; ++r)
    for (int c = 0; c + 1 < doc.m_nColumns; ++c) {
      const RECT whole = GetTileRect(c, r, imageRect, plan.tile, doc.m_nColumns, doc.m_nRows);
      RECT cut;
      // A tile reaching past the image keeps the part that lies on it, so
      // the cells at the edges keep their texture.
      if (!IntersectRect(cut, whole, bounds)) cut = RECT{};
      if (!(cut == whole)) ++plan.clipped;
      plan.tiles.push_back(cut);
    }
  return plan;
}

// ---- the view -------------------------------------------------------------------------

COpenGLView::COpenGLView(COpenGLDoc* doc, I3DWindow* window) : m_doc(doc), m_window(window) {}

void COpenGLView::OnSize(int cx, int cy) {
  if (cx > 0 && cy > 0) {
    clientWidth = cx;
    clientHeight = cy;
  }
}

void COpenGLView::ComputeWorldRect() {
  if (!m_doc) return;
  const double cell = m_doc->m_fCellSize < 0.0f ? 1.0 : static_cast<double>(m_doc->m_fCellSize);
  worldRect = RECT{0, 0, TruncInt(m_doc->m_nColumns * cell), TruncInt(m_doc->m_nRows * cell)};
}

CFrameSetup COpenGLView::SetupFrame() {
  if (!(verticalScale > 0.0f)) verticalScale = 1.0f;
  ComputeWorldRect();
  CFrameSetup f;
  f.viewport = CViewport{0, 0, clientWidth, clientHeight};
  const double z = zoom / 3.0;
  double w = static_cast<double>(worldRect.right) - worldRect.left;
  // A grid narrower than one unit truncates to an empty world: the box
  // would have no size at all.
  if (!(w > 0.0) && m_doc) w = m_doc->m_nColumns * static_cast<double>(CellSizeOf(*m_doc));
  if (!(w > 0.0)) w = 1.0;
  // The box spans the world's width across the window; its height follows
  // the window's shape, so a unit is as tall on the screen as it is wide
  // and the terrain keeps its proportions in a window of any shape.
  const double aspect = clientWidth > 0 && clientHeight > 0 ? static_cast<double>(clientHeight) / clientWidth : 1.0;
  f.projection = OrthoMatrix(-w / z, w / z, -w / z * aspect, w / z * aspect, -100000.0, 100000.0);
  f.modelView =
      MultiplyMatrix(MultiplyMatrix(TranslationMatrix(0.0, 0.0, depthOffset), RotationMatrix(tiltAngle, 1.0, 0.0, 0.0)),
                     RotationMatrix(turnAngle, 0.0, 1.0, 0.0));
  return f;
}

void COpenGLView::OnViewZoomIn() {
  zoom += 1.0;
  m_window->Invalidate();
}

void COpenGLView::OnViewZoomOut() {
  zoom -= 1.0;
  if (zoom < 1.0) zoom = 1.0;
  m_window->Invalidate();
}

void COpenGLView::OnViewDown() {
  tiltAngle += 2.0;
  if (tiltAngle >= 90.0) tiltAngle = 90.0;
  m_window->Invalidate();
}

void COpenGLView::OnViewUp() {
  tiltAngle -= 2.0;
  if (tiltAngle <= 0.0) tiltAngle = 0.0;
  m_window->Invalidate();
}

void COpenGLView::OnViewLeft() {
  turnAngle = TurnBy(turnAngle, -5);
  m_window->Invalidate();
}

void COpenGLView::OnViewRight() {
  turnAngle = TurnBy(turnAngle, 5);
  m_window->Invalidate();
}

void COpenGLView::StartAnimation() {
  m_window->StartTimer(kRotationTimer, kRotationPeriod);
  animationStep = 1;
  animating = 1;
}

void COpenGLView::StopAnimation() {
  m_window->StopTimer(kRotationTimer);
  animating = 0;
}

void COpenGLView::OnAnimate() {
  if (animating)
    StopAnimation();
  else
    StartAnimation();
}

void COpenGLView::OnTimer(int id) {
  if (id != kRotationTimer) return;
  turnAngle = TurnBy(turnAngle, animationStep);
  m_window->Invalidate();
}

void COpenGLView::On3DSettings() {
  C3DSettingsDlg dlg(*this);
  if (m_window->RunDialog(dlg)) {
    dlg.Apply();
    showDrape = dlg.showDrape;
    colourOverlay = dlg.colourOverlay;
    greyRamp = dlg.greyRamp;
    m_window->Invalidate();
  }
  StopAnimation();
}

void COpenGLView::OnScale() {
  if (!m_doc) return;
  C3DScaleDlg dlg;
  dlg.verticalScale = verticalScale;
  dlg.meshSize = m_doc->m_fCellSize;
  if (!m_window->RunDialog(dlg)) return;
  if (dlg.verticalScale > 0.0f) {
    verticalScale = dlg.verticalScale;
    m_doc->m_fExportScale = dlg.verticalScale;
  }
  if (dlg.meshSize > 0.0f) m_doc->m_fCellSize = dlg.meshSize;
  UpdateTileSize();
  m_window->Invalidate();
}

void COpenGLView::OnExportModel() {
  if (!m_doc) return;
  FileDialogRequest r;
  r.kind = FileDialogKind::save;
  r.defaultExtension = res::text::kModelExtension;
  r.fileName = res::text::kModelInitialName;
  r.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  r.filter = res::text::kModelFilter;
  const std::string path = AskFilePath(r);
  if (path.empty()) return;
  int ok;
  {
    CWaitCapture wait;
    if (!(verticalScale > 0.0f)) verticalScale = 1.0f;
    m_doc->m_fExportScale = verticalScale;
    ok = m_doc->ExportModel(path);
  }
  // A model that was not written says why (the STL writer has said it).
  if (!ok && !m_doc->GetErrorText().empty() && m_doc->GetErrorText() != res::text::kStlOpenError)
    AfxMessageBox(m_doc->GetErrorText(), MB_OK | MB_ICONEXCLAMATION);
}

void COpenGLView::OnLButtonDown(int x, int y) {
  const CFrameSetup f = SetupFrame();
  // Rows count from the bottom in GL; the pixel's centre is what was drawn.
  const int wy = f.viewport[3] - 1 - y;
  float depth = 1.0f;
  CPoint3 model;
  if (x < 0 || wy < 0 || x >= f.viewport[2] || wy >= f.viewport[3] || !m_window->ReadDepth(x, wy, depth) ||
      depth >= 1.0f || depth <= 0.0f ||
      !UnProjectPoint(CPoint3{x + 0.5, wy + 0.5, depth}, f.modelView, f.projection, f.viewport, model)) {
    Host().SetStatusText(res::text::kPickNoData);
    return;
  }
  g_cursorX = model.x;
  g_cursorY = model.z;
  Host().SetStatusText(FormatC(res::text::kPickFormat, model.x, model.z, model.y));
  m_window->CursorMoved();
}

void COpenGLView::SetDrape(CQznDoc* doc, const RECT& rect) {
  drapeDoc = doc;
  imageRect = rect;
  drapeAvailable = doc ? 1 : 0;
  UpdateTileSize();
  m_window->Invalidate();
}

void COpenGLView::ForgetDrapeSource(const CQznDoc* doc) {
  if (!doc || doc != drapeDoc) return;
  drapeDoc = nullptr;
  drapeAvailable = 0;
  m_window->Invalidate();
}

SIZE COpenGLView::UpdateTileSize() {
  const SIZE s = m_doc ? GetTileSize(imageRect, *m_doc) : SIZE{1, 1};
  tileWidth = s.cx;
  tileHeight = s.cy;
  return s;
}

int FrameRampType(const COpenGLView& view) {
  return view.DrapeMode() && view.greyRamp ? static_cast<int>(RampType::grey) : static_cast<int>(RampType::terrain);
}

}  // namespace qzn
