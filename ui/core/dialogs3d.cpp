#include "ui/core/dialogs3d.h"

#include <algorithm>
#include <cstdlib>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_view3d.h"
#include "terrain/demsettings.h"
#include "ui/core/openglview.h"
#include "ui/core/smalldialogs.h"

namespace qzn {

namespace {

constexpr int kCellSizeLabel = 259;

int WidthOf(const RECT& r) { return RectWidth(r); }
int HeightOf(const RECT& r) { return RectHeight(r); }

}  // namespace

CCellSizeRange CellSizeRangeOf(const RECT& extent) {
  const int m = std::abs(std::min(WidthOf(extent), HeightOf(extent)) / 2);
  CCellSizeRange r;
  r.high = std::max(m, 2);
  r.initial = m >= 5 ? 5 : 2;
  return r;
}

std::string DefaultGridPath(const CQznDoc* doc, const char* fallbackName, const char* extension) {
  std::string directory, name;
  if (doc && !doc->GetPathName().empty()) {
    CFilePath path(doc->GetPathName());
    directory = path.GetDirectory();
    name = path.GetFileName(false);
  }
  if (name.empty()) name = fallbackName;
  return directory + name + extension;
}

// ---- the grid dialogs -----------------------------------------------------------------

CGridSizeDialogBase::CGridSizeDialogBase(const RECT& ext, const CQznDoc* document, int slider, int columnsLabel,
                                         int rowsLabel, int browse, int output, const char* extension,
                                         const char* filter)
    : extent(ext),
      doc(document),
      m_slider(slider),
      m_columnsLabel(columnsLabel),
      m_rowsLabel(rowsLabel),
      m_browse(browse),
      m_output(output),
      m_extension(extension),
      m_filter(filter) {
  NormalizeRect(extent);
  cellSize = CellSizeRangeOf(extent).initial;
}

void CGridSizeDialogBase::ExchangeGrid(CDataExchange& dx) {
  // The path takes any length: the file system says what it accepts.
  DDX_Text(dx, m_output, outputPath);
  if (dx.save) DDX_Slider(dx, m_slider, cellSize);
}

void CGridSizeDialogBase::ShowCounts(IDialogControls& c) const {
  const int cell = std::max(cellSize, 1);
  c.SetText(kCellSizeLabel, FormatC("%d", cellSize));
  c.SetText(m_columnsLabel, FormatC(res::text::kColumnsFormat, WidthOf(extent) / cell + 1));
  c.SetText(m_rowsLabel, FormatC(res::text::kRowsFormat, HeightOf(extent) / cell + 1));
}

void CGridSizeDialogBase::OnInitDialog(IDialogControls& c) {
  const CCellSizeRange r = CellSizeRangeOf(extent);
  c.SetScrollRange(m_slider, r.low, r.high);
  cellSize = r.initial;
  c.SetScrollPos(m_slider, cellSize);
  ShowCounts(c);
}

void CGridSizeDialogBase::OnScroll(int id, int, int, IDialogControls& c) {
  if (id != m_slider) return;
  cellSize = c.GetScrollPos(m_slider);
  ShowCounts(c);
}

void CGridSizeDialogBase::OnClicked(int id, IDialogControls& c) {
  if (id != m_browse) return;
  FileDialogRequest r;
  r.kind = FileDialogKind::save;
  r.defaultExtension = m_extension + 1;  // without the dot
  r.fileName = c.GetText(m_output);
  r.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  r.filter = m_filter;
  const std::string path = AskFilePath(r);
  if (path.empty()) {
    AfxMessageBox(res::text::kFileOpenError, MB_OK);
    return;
  }
  outputPath = path;
  c.SetText(m_output, outputPath);
}

CGridMeshSizeDlg::CGridMeshSizeDlg(const RECT& extent, const CQznDoc* doc)
    : CGridSizeDialogBase(extent, doc, kSlider, kColumns, kRows, kBrowse, kOutput, ".grd", res::text::kGridFilter) {
  outputPath = DefaultGridPath(doc, res::text::kNewGridName, ".grd");
}

CDemSettingsDlg::CDemSettingsDlg(const RECT& extent, const CQznDoc* doc)
    : CGridSizeDialogBase(extent, doc, kSlider, kColumns, kRows, kBrowse, kOutput, ".dem", res::text::kDemFilter),
      name(res::text::kDefaultQuadrangle) {
  outputPath = DefaultGridPath(doc, res::text::kNewDemName, ".dem");
  const RECT& e = this->extent;
  const float xs[4] = {float(e.left), float(e.right), float(e.left), float(e.right)};
  const float ys[4] = {float(e.top), float(e.top), float(e.bottom), float(e.bottom)};
  std::copy(xs, xs + 4, cornerX);
  std::copy(ys, ys + 4, cornerY);
}

void CDemSettingsDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kName, name);
  static constexpr int kX[4] = {kCorner0X, kCorner1X, kCorner2X, kCorner3X};
  static constexpr int kY[4] = {kCorner0Y, kCorner1Y, kCorner2Y, kCorner3Y};
  for (int i = 0; i < 4; ++i) {
    DDX_Text(dx, kX[i], cornerX[i]);
    DDX_Text(dx, kY[i], cornerY[i]);
  }
  DDX_Text(dx, kGroundUnits, groundUnits);
  DDX_Text(dx, kElevationUnits, elevationUnits);
  ExchangeGrid(dx);
}

void CDemSettingsDlg::FillSettings(CDemSettings& s) const {
  s.groundUnits = groundUnits;
  s.elevationUnits = groundUnits;
  s.name = name;
  std::copy(cornerX, cornerX + 4, s.cornerX);
  std::copy(cornerY, cornerY + 4, s.cornerY);
  s.resolution = static_cast<float>(cellSize);
}

// ---- 3D settings ----------------------------------------------------------------------

C3DSettingsDlg::C3DSettingsDlg(COpenGLView& v)
    : view(v),
      zoom(TruncInt(v.zoom)),
      turn(TruncInt(v.turnAngle)),
      tilt(TruncInt(v.tiltAngle)),
      showDrape(v.showDrape),
      colourOverlay(v.colourOverlay),
      greyRamp(v.greyRamp) {
  // The sliders cannot show a turn below 0 or a zoom above 10 that the
  // commands reach: the same turn within 0 to 359, and a zoom slider long
  // enough, so that OK without touching them leaves the view as it is.
  turn = ((turn % 360) + 360) % 360;
  zoomHigh = std::max(10, zoom);
}

void C3DSettingsDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Slider(dx, kTilt, tilt);
  DDX_Slider(dx, kTurn, turn);
  DDX_Slider(dx, kZoom, zoom);
}

void C3DSettingsDlg::ShowLabels(IDialogControls& c) const {
  c.SetText(kTiltLabel, FormatC(res::text::kDegreesFormat, c.GetScrollPos(kTilt)));
  c.SetText(kTurnLabel, FormatC(res::text::kDegreesFormat, c.GetScrollPos(kTurn)));
  c.SetText(kZoomLabel, FormatC("%d", c.GetScrollPos(kZoom)));
}

void C3DSettingsDlg::OnInitDialog(IDialogControls& c) {
  c.SetScrollRange(kTilt, 0, 90);
  c.SetScrollPos(kTilt, tilt);
  c.SetScrollRange(kTurn, 0, 360);
  c.SetScrollPos(kTurn, turn);
  c.SetScrollRange(kZoom, 1, zoomHigh);
  c.SetScrollPos(kZoom, zoom);
  ShowLabels(c);
  c.Enable(kOverlay, view.drapeAvailable != 0);
  animating = false;
}

void C3DSettingsDlg::OnScroll(int id, int, int, IDialogControls& c) {
  if (id == kTilt || id == kTurn || id == kZoom) ShowLabels(c);
}

void C3DSettingsDlg::Apply() {
  view.tiltAngle = tilt;
  view.zoom = zoom;
  view.turnAngle = turn;
}

void C3DSettingsDlg::OnClicked(int id, IDialogControls& c) {
  switch (id) {
    case kApply:
      if (!UpdateData(c, true)) return;
      Apply();
      view.Invalidate();
      return;
    case kAnimate:
      if (!UpdateData(c, true)) return;
      Apply();
      if (!animating)
        view.StartAnimation();
      else
        view.StopAnimation();
      animating = !animating;
      return;
    case kOverlay: {
      COverlaySetDlg overlay;
      overlay.background = greyRamp;
      overlay.overlay = showDrape != 0;
      overlay.blend = colourOverlay != 0;
      if (!view.RunDialog(overlay)) return;
      greyRamp = overlay.background == 1 ? 1 : 0;
      showDrape = overlay.overlay ? 1 : 0;
      colourOverlay = overlay.blend ? 1 : 0;
      view.greyRamp = greyRamp;
      view.showDrape = showDrape;
      view.colourOverlay = colourOverlay;
      view.Invalidate();
      return;
    }
    default: return;
  }
}

// ---- scale --------------------------------------------------------------------------

void C3DScaleDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kVerticalScale, verticalScale);
  DDV_MinMaxFloat(dx, verticalScale, 0.001f, 1000.0f);
  DDX_Text(dx, kMeshSize, meshSize);
}

// ---- drape area -----------------------------------------------------------------------

CDrapeAreaDlg::CDrapeAreaDlg(const RECT& proposed, const RECT& ext)
    : left(proposed.left), top(proposed.top), right(proposed.right), bottom(proposed.bottom), extent(ext) {
  NormalizeRect(extent);
}

void CDrapeAreaDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Radio(dx, {kWhole, kArea}, choice);
  DDX_Text(dx, kLeft, left);
  DDX_Text(dx, kRight, right);
  DDX_Text(dx, kTop, top);
  DDX_Text(dx, kBottom, bottom);
  // An area beside the workspace would drape nothing at all.
  if (dx.save && !dx.failed && choice == 1 && IsRectEmpty(Result())) dx.Fail(res::text::kDrapeAreaOutside);
}

RECT CDrapeAreaDlg::Result() const {
  if (choice != 1) return extent;
  RECT area{left, top, right, bottom};
  NormalizeRect(area);
  RECT out;
  if (!IntersectRect(out, area, extent)) return RECT{};
  return out;
}

}  // namespace qzn
