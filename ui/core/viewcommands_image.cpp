// The Image menu: geometry, filters, edges, conversions and the region of
// interest's crop.
#include "model/helpers.h"
#include "raster/depthconv.h"
#include "raster/filters.h"
#include "raster/imaging.h"
#include "raster/polyfill.h"
#include "resources/commands.h"
#include "resources/messages_raster.h"
#include "resources/messages_app.h"
#include "resources/messages_viewcommands.h"
#include "ui/core/colorfeaturedlg.h"
#include "ui/core/controlptdlg.h"
#include "ui/core/imagecmds.h"
#include "ui/core/imagedlgs.h"
#include "ui/core/smalldialogs.h"
#include "ui/core/viewcommands_common.h"
#include "ui/core/viewdialogs.h"

namespace qzn::vc {

namespace {

namespace text = res::text;
constexpr unsigned kQuestion = MB_YESNO | MB_ICONQUESTION;

// ---- enablers -----------------------------------------------------------------------------

// Geometric operations move the pixels from under every line and point,
// hidden ones included, so they wait until there are none.
bool ImageWithoutLines(const CQznView& v) { return HasImage(v) && NoLinesAnywhere(v); }
bool ImageWithoutLinesOrPoints(const CQznView& v) { return ImageWithoutLines(v) && NoPointsAnywhere(v); }
bool CanClassify(const CQznView& v) { return IsRgb(v) || IsPalette(v); }
bool CanSmooth(const CQznView& v) { return IsGrey(v) || IsRgb(v) || IsBilevel(v); }
bool CanNegate(const CQznView& v) { return HasImage(v) && !IsRgb(v); }
bool PaletteImage(const CQznView& v) { return HasImage(v) && IsPalette(v); }
bool GreyImage(const CQznView& v) { return HasImage(v) && IsGrey(v); }
bool CanCropToRoi(const CQznView& v) { return HasImage(v) && !v.Document()->m_roi.IsEmpty(); }
bool HasRoi(const CQznView& v) { return HasDoc(v) && !v.Document()->m_roi.IsEmpty(); }
bool CanWarp(const CQznView& v) { return HasImage(v) && ControlPointCount(v) > 3; }

// ---- geometry ------------------------------------------------------------------------------

void Flip(CQznView& v, int direction) {
  SettleTools(v);
  if (!Doc(v).FlipImage(direction)) {
    AfxMessageBox(text::kMirrorError, MB_OK);
    return;
  }
  RenderAndRepaint(v, false, true);
}
void FlipHorizontal(CQznView& v) { Flip(v, 0); }
void FlipVertical(CQznView& v) { Flip(v, 1); }

void Transpose(CQznView& v) {
  CQznDoc& d = Doc(v);
  if ((!d.m_controlPts.IsEmpty() || d.m_tfw.m_nTerms != 0) &&
      AfxMessageBox(text::kAskTransposeGeoreferenced, kQuestion) != IDYES)
    return;
  SettleTools(v);
  int ok = 0;
  {
    CWaitCapture wait;
    ok = d.TransposeImage();
  }
  if (ok) OverviewAndFullView(v);
}

void Rotate(CQznView& v) {
  CRotateImageDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  const float angle = dlg.direction == 1 ? 360.0f - dlg.angle : dlg.angle;
  SettleTools(v);
  int ok = 0;
  {
    CWaitCapture wait;
    ok = Doc(v).RotateImage(angle);
  }
  if (!ok) return;
  v.SetRubberBand(RECT{});
  OverviewAndFullView(v);
}

// The area a crop proposes: the rubber band, else the visible part when it
// is smaller than the workspace both ways, else nothing.
RECT ProposedCropArea(const CQznView& v) {
  if (!IsRectEmpty(v.rubberBand)) return v.rubberBand;
  const RECT& e = v.Document()->m_extent;
  const RECT& s = v.visibleRect;
  if (std::int64_t{s.right} - s.left < std::int64_t{e.right} - e.left + 1 &&
      std::int64_t{s.bottom} - s.top < std::int64_t{e.bottom} - e.top + 1)
    return s;
  return RECT{};
}

void Crop(CQznView& v) {
  CCropAreaDlg dlg;
  dlg.area = ProposedCropArea(v);
  if (DoModal(dlg) != IDOK) return;
  RECT area = dlg.area;
  NormalizeRect(area);
  SettleTools(v);
  int ok = 0;
  {
    CWaitCapture wait;
    ok = Doc(v).CropImage(area);
  }
  if (!ok) return;
  v.SetRubberBand(RECT{});
  OverviewAndFullView(v);
}

void Resize(CQznView& v) {
  CQznDoc& d = Doc(v);
  CResampleDlg dlg;
  dlg.Set(d.m_image.width, d.m_image.height, d.m_image.bitsPerSample, d.m_image.planes);
  if (DoModal(dlg) != IDOK || dlg.factor <= 1) return;
  SettleTools(v);
  int ok = 0;
  {
    CWaitCapture wait;
    // The document keeps the control points and the world file in register
    // with the new pixels, and the region of interest on them.
    ok = d.ResampleImage(dlg.direction == 1 ? 1 : 0, static_cast<int>(std::min(dlg.factor, 1000u)));
  }
  if (!ok) return;
  v.SetRubberBand(RECT{});
  d.SetImageModified(1);
  OverviewAndFullView(v);
}

// The image moves to the control points' map positions; lines stay where
// they are, so the user is warned while there are any.
void Warp(CQznView& v) {
  if (HasLines(v) && AfxMessageBox(text::kWarnWarpImageOnly, MB_OKCANCEL | MB_ICONSTOP) != IDOK) return;
  CWarpDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  SettleTools(v);
  int ok = 0;
  {
    CWaitCapture wait;
    ok = Doc(v).WarpImage(dlg.method);
  }
  if (ok) OverviewAndFullView(v);
}

void ColourFeatures(CQznView& v) { OpenColorFeatureTable(v); }

void ClearRoi(CQznView& v) {
  SettleTools(v);
  Doc(v).m_roi.DeleteAll();
  v.Refresh();
}

// ---- filters --------------------------------------------------------------------------------

void MeanFilterCommand(CQznView& v) {
  CQznDoc& d = Doc(v);
  SettleTools(v);
  const int ok = d.IsBilevelImage() ? SmoothBilevel(d.m_image) : MeanFilter(d.m_image);
  if (!ok) {
    AfxMessageBox(text::kSmoothImageError, MB_OK);
    return;
  }
  d.SetImageModified(1);
  RenderAndRepaint(v, true);
}

void MedianFilterCommand(CQznView& v) {
  SettleTools(v);
  if (Doc(v).MedianFilter()) RenderAndRepaint(v, false);
}

void Negate(CQznView& v) {
  SettleTools(v);
  if (Doc(v).NegateImage()) RenderAndRepaint(v, true, true);
}

void DespeckleCommand(CQznView& v) {
  CQznDoc& d = Doc(v);
  SettleTools(v);
  {
    CWaitCapture wait;
    if (d.IsBilevelImage() || d.IsRgbImage()) {
      if (!d.MedianFilter()) {
        AfxMessageBox(text::kSmoothImageError, MB_OK);
        return;
      }
    } else if (!d.IsGreyImage()) {
      AfxMessageBox(text::kUnsupportedImageMemory, MB_OK);
      return;
    } else if (!Despeckle(d.m_image)) {
      AfxMessageBox(text::kDespeckleFailed, MB_OK);
      return;
    }
  }
  d.SetImageModified(1);
  v.RefreshDisplay();
}

void RemoveBackground(CQznView& v) {
  CRemoveBackgroundDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  SettleTools(v);
  int ok = 0;
  {
    CWaitCapture wait;
    ok = Doc(v).RemoveBackground(static_cast<int>(std::min(dlg.size, 100000u)));
  }
  if (!ok) {
    AfxMessageBox(text::kNotEnoughMemoryForFunction, MB_OK | MB_ICONSTOP);
    return;
  }
  v.UpdateOverview();
  v.RefreshDisplay();
}

void Classify(CQznView& v) {
  CQznDoc& d = Doc(v);
  CColorClassifyDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  SettleTools(v);
  int ok = 0;
  {
    CWaitCapture wait;
    ok = ImageCluster(&d.m_image, static_cast<int>(dlg.colours), static_cast<int>(dlg.iterations));
  }
  if (!ok) {
    AfxMessageBox(text::kClassifyError, MB_OK);
    return;
  }
  d.SetImageModified(1);
  RenderWithPalette(v, false);
}

// Regions of like grey become outlines: the image is segmented, the user
// confirms the threshold on the result, and the regions are traced.
void Segment(CQznView& v) {
  CQznDoc& d = Doc(v);
  SettleTools(v);
  int ok = 0;
  {
    CWaitCapture wait;
    ok = d.SegmentImage();
  }
  if (!ok) {
    AfxMessageBox(text::kSegmentError, MB_OK);
    return;
  }
  if (v.RenderDisplayBuffer(true) && v.PaintDisplayBuffer()) v.Refresh();
  if (!OnImageThreshold(v)) return;  // cancelled: nothing is traced
  {
    CWaitCapture wait;
    ok = d.Vectorize(RECT{}, 1, 1, 0, 0);
  }
  if (!ok) {
    AfxMessageBox(text::kAutoConvertError, MB_OK | MB_ICONSTOP);
    return;
  }
  v.UpdateOverview();
  v.Refresh();
}

// An edge operator on the grey image: marked and shown only when it worked.
template <int (*op)(CRasterImage&)>
void EdgeCommand(CQznView& v) {
  CQznDoc& d = Doc(v);
  SettleTools(v);
  if (!op(d.m_image)) return;
  d.SetImageModified(1);
  RenderAndRepaint(v, true);
}

void PropagateEdgesCommand(CQznView& v) {
  CQznDoc& d = Doc(v);
  SettleTools(v);
  // Both passes run whatever the first gave.
  const int first = PropagateEdges(d.m_image, 3);
  const int second = PropagateEdges2(d.m_image, 3);
  if (first && second) d.SetImageModified(1);
  RenderAndRepaint(v, true);
}

// ---- conversions -----------------------------------------------------------------------------

void RgbToPalette(CQznView& v) {
  SettleTools(v);
  if (Doc(v).ConvertRgbToPalette()) RenderAndRepaint(v, true);
}

void RgbToGrey(CQznView& v) {
  SettleTools(v);
  if (Doc(v).ConvertRgbToGrey()) RenderWithPalette(v);
}

void PaletteToRgb(CQznView& v) {
  CQznDoc& d = Doc(v);
  SettleTools(v);
  if (!PaletteToRGB(&d.m_image)) return;
  Frequency24to8(&d.m_image);
  d.SetImageModified(1);
  ReallocateDisplay(v);
}

void PaletteToGrey(CQznView& v) {
  SettleTools(v);
  if (Doc(v).ConvertPaletteToGrey()) RenderWithPalette(v);
}

void PaletteToBilevel(CQznView& v) {
  if (IsRectEmpty(v.rubberBand)) {
    AfxMessageBox(text::kDrawRectangleFirst, MB_OK | MB_ICONINFORMATION);
    return;
  }
  SettleTools(v);
  if (!Doc(v).ExtractClassToBilevel(v.rubberBand)) {
    AfxMessageBox(text::kBilevelConvertError, MB_OK | MB_ICONSTOP);
    return;
  }
  v.SetRubberBand(RECT{});
  RenderWithPalette(v);
}

// The colouring the view shows (contrast, palette) becomes the pixels'.
void GreyToRgb(CQznView& v) {
  CQznDoc& d = Doc(v);
  BYTE red[256], green[256], blue[256];
  for (int i = 0; i < 256; ++i) {
    red[i] = v.paletteEntries[i].red;
    green[i] = v.paletteEntries[i].green;
    blue[i] = v.paletteEntries[i].blue;
  }
  SettleTools(v);
  if (!GreyToRGB(&d.m_image, red, green, blue)) return;
  Frequency24to8(&d.m_image);
  d.SetImageModified(1);
  ReallocateDisplay(v);
  v.UpdateOverview();
}

void GreyToBilevel(CQznView& v) {
  RECT sample = v.rubberBand;
  if (!IsRectEmpty(sample) && AfxMessageBox(text::kAskBandAsTrainingArea, kQuestion) != IDYES) sample = RECT{};
  SettleTools(v);
  if (!Doc(v).ConvertGreyToBilevel(sample)) {
    AfxMessageBox(text::kBilevelConvertError, MB_OK | MB_ICONSTOP);
    return;
  }
  v.SetRubberBand(RECT{});
  RenderWithPalette(v);
}

void BilevelToGreyCommand(CQznView& v) {
  SettleTools(v);
  if (!Doc(v).ConvertBilevelToGrey()) {
    AfxMessageBox(text::kBilevelToGreyNoMemory, MB_OK);
    return;
  }
  RenderWithPalette(v);
}

// ---- region of interest -------------------------------------------------------------------

void CropToRoi(CQznView& v) {
  CQznDoc& d = Doc(v);
  if (AfxMessageBox(text::kAskCropToRoi, kQuestion) != IDYES || d.m_roi.IsEmpty()) return;
  SettleTools(v);
  int ok = 0;
  {
    CWaitCapture wait;
    CPolygonFiller filler(d.m_image.height);
    ok = filler.AddChains(d.m_roi) && filler.CropToPolygons(d.m_image);
  }
  if (!ok) return;
  d.SetImageModified(1);
  v.UpdateOverview();
  d.m_roi.DeleteAll();
  v.RefreshDisplay();
}

constexpr ViewCommand kCommands[] = {
    {cmd::kImageFlipHorizontal, ImageWithoutLines, nullptr, FlipHorizontal},
    {cmd::kImageFlipVertical, ImageWithoutLines, nullptr, FlipVertical},
    {cmd::kImageTranspose, ImageWithoutLines, nullptr, Transpose},
    {cmd::kImageRotate, ImageWithoutLines, nullptr, Rotate},
    {cmd::kImageCrop, ImageWithoutLines, nullptr, Crop},
    {cmd::kImageResize, ImageWithoutLinesOrPoints, nullptr, Resize},
    {cmd::kImageRemoveBackground, IsGrey, nullptr, RemoveBackground},
    {cmd::kImageClassify, CanClassify, nullptr, Classify},
    {cmd::kImageSegment, IsGrey, nullptr, Segment},
    {cmd::kImageMeanFilter, CanSmooth, nullptr, MeanFilterCommand},
    {cmd::kImageMedianFilter, CanSmooth, nullptr, MedianFilterCommand},
    {cmd::kImageNegate, CanNegate, nullptr, Negate},
    {cmd::kImageDespeckle, HasImage, nullptr, DespeckleCommand},
    {cmd::kImageSobelEdges, IsGrey, nullptr, EdgeCommand<SobelFilter>},
    {cmd::kImageGradientEdges, IsGrey, nullptr, EdgeCommand<GradientMagnitude>},
    {cmd::kImagePropagateEdges, IsGrey, nullptr, PropagateEdgesCommand},
    {cmd::kImageRgbToPalette, IsRgb, nullptr, RgbToPalette},
    {cmd::kImageRgbToGrey, IsRgb, nullptr, RgbToGrey},
    {cmd::kImagePaletteToRgb, PaletteImage, nullptr, PaletteToRgb},
    {cmd::kImagePaletteToGrey, IsPalette, nullptr, PaletteToGrey},
    {cmd::kImagePaletteToBilevel, IsPalette, nullptr, PaletteToBilevel},
    {cmd::kImageGreyToRgb, GreyImage, nullptr, GreyToRgb},
    {cmd::kImageGreyToBilevel, IsGrey, nullptr, GreyToBilevel},
    {cmd::kImageBilevelToGrey, IsBilevel, nullptr, BilevelToGreyCommand},
    {cmd::kImageCropToRoi, CanCropToRoi, nullptr, CropToRoi},
    {cmd::kImageClearRoi, HasRoi, nullptr, ClearRoi},
    {cmd::kImageWarp, CanWarp, nullptr, Warp},
    {cmd::kImageColourFeatures, IsRgb, nullptr, ColourFeatures},
};

}  // namespace

std::span<const ViewCommand> ImageCommands() { return kCommands; }

}  // namespace qzn::vc
