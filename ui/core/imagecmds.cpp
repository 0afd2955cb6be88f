#include "ui/core/imagecmds.h"

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "resources/messages_app.h"
#include "resources/messages_imagedlgs.h"
#include "ui/core/imagedlgs.h"
#include "ui/core/qznview.h"
#include "ui/core/rectops.h"
#include "ui/core/vectorizedlgs.h"

namespace qzn {

namespace {

constexpr unsigned kQuestion = MB_YESNO | MB_ICONQUESTION;

bool HasImage(const CQznView& v) { return v.Document() && v.Document()->m_image.HasPixels(); }

}  // namespace

// ---- automatic vectorisation ------------------------------------------------------

bool CanAutoVectorize(const CQznView& view) { return HasImage(view) && view.editMode != EditMode::kLineEdit; }

void OnVectorAutoVectorize(CQznView& view) {
  if (!CanAutoVectorize(view)) return;
  CQznDoc& doc = *view.Document();
  if (!doc.m_lines.IsLayerEmpty(doc.m_layers.GetCurrentLayerID()) &&
      AfxMessageBox(res::text::kAskLinesOnCurrentLayer, kQuestion) != IDYES)
    return;
  RECT sample = view.rubberBand;
  if (doc.IsGreyImage() && !IsRectEmpty(sample) && AfxMessageBox(res::text::kAskBandAsThreshold, kQuestion) != IDYES)
    sample = RECT{};
  if (doc.IsRgbImage() && doc.m_colorClasses.IsEmpty() && IsRectEmpty(sample)) {
    AfxMessageBox(res::text::kRgbNeedsSample, MB_OK | MB_ICONINFORMATION);
    return;
  }
  CVectorizeDlg dlg(&doc);
  if (DoModal(dlg) == IDOK) {
    int ok = 0;
    {
      CWaitCapture wait;
      ok = doc.Vectorize(sample, dlg.useThreshold, dlg.method, dlg.useRoi, CVectorizeDlg::IsCadSource(dlg.source));
    }
    if (!ok) {
      AfxMessageBox(res::text::kAutoConvertError, MB_OK | MB_ICONSTOP);
      return;
    }
  }
  // Accepted or not, the lines are shown afterwards.
  view.flags.ShowLines();
  view.Refresh();
}

// ---- threshold ----------------------------------------------------------------------

bool CanSetThreshold(const CQznView& view) { return view.Document() && view.Document()->IsGreyImage(); }

bool OnImageThreshold(CQznView& view) {
  if (!CanSetThreshold(view)) return false;
  CQznDoc& doc = *view.Document();
  int low = 0, high = 150;
  doc.GetThreshold(low, high);
  // The preview changes only the view's palette; it is put back whatever
  // the user answers.
  const ViewPalette saved = view.paletteEntries;
  CThresholdDlg dlg;
  dlg.low = static_cast<unsigned>(std::clamp(low, 0, 255));
  dlg.high = static_cast<unsigned>(std::clamp(high, 0, 255));
  dlg.view = &view;
  view.PreviewThreshold(low, high, true);
  const bool confirmed = DoModal(dlg) == IDOK;
  if (confirmed) {
    doc.m_nThreshLow = static_cast<int>(dlg.low);
    doc.m_nThreshHigh = static_cast<int>(dlg.high);
  }
  view.SetDisplayPalette(saved.data(), 256);
  return confirmed;
}

// ---- smoothing of tracing -------------------------------------------------------------

bool CanSetSmoothing(const CQznView& view) {
  return view.editMode == EditMode::kLineEdit && view.Tool() && view.Tool()->GetType() == ToolType::kLineEdit;
}

void OnSetSmoothing(CQznView& view) {
  if (!CanSetSmoothing(view)) return;
  CAutoTraceDlg dlg;
  dlg.smoothing = g_traceSmoothing;
  if (DoModal(dlg) == IDOK) g_traceSmoothing = dlg.smoothing;
}

// ---- image information --------------------------------------------------------------

bool CanShowImageInfo(const CQznView& view) { return HasImage(view); }

void OnImageInfo(CQznView& view) {
  if (!CanShowImageInfo(view)) return;
  CQznDoc& doc = *view.Document();
  CRasterImage& image = doc.m_image;
  CImageInfoDlg dlg;
  dlg.typeText = ImageTypeText(image);
  dlg.columns = static_cast<unsigned>(image.width);
  dlg.rows = static_cast<unsigned>(image.height);
  dlg.bitsPerPixel = static_cast<unsigned>(image.bitsPerSample);
  dlg.planes = static_cast<unsigned>(image.planes);
  dlg.resolution = image.xResolution;
  dlg.unit = doc.GetUnitName();
  if (DoModal(dlg) != IDOK || !dlg.apply) return;
  const float oldX = image.xResolution, oldY = image.yResolution;
  const int oldUnit = image.resolutionUnit;
  image.xResolution = image.yResolution = dlg.resolution;
  doc.SetUnitName(dlg.unit);
  // The resolution is kept in the image file: a changed one is unsaved work.
  if (image.xResolution != oldX || image.yResolution != oldY || image.resolutionUnit != oldUnit)
    doc.SetImageModified(1);
}

}  // namespace qzn
