// The Image menu: geometry, filters, edges, conversions and the region of
// interest's crop.
#include "model/helpers.h"
#include "raster/depthconv.h"
#include "raster/filters.h"
#include "raster/imaging.h"
#include "raster/polyfill.h"
#include "resources/commands.h"
#include "resources/messages_raster.h"
#include "resources/messages_viewcommands.h"
#include "ui/core/viewcommands_common.h"

namespace qzn::vc {

namespace {

namespace text = res::text;
constexpr unsigned kQuestion = MB_YESNO | MB_ICONQUESTION;

// ---- enablers -----------------------------------------------------------------------------

// Geometric operations move the pixels from under every line and point,
// hidden ones included, so they wait until there are none.
bool ImageWithoutLines(const CQznView& v) { return HasImage(v) && NoLinesAnywhere(v); }
bool CanSmooth(const CQznView& v) { return IsGrey(v) || IsRgb(v) || IsBilevel(v); }
bool CanNegate(const CQznView& v) { return HasImage(v) && !IsRgb(v); }
bool PaletteImage(const CQznView& v) { return HasImage(v) && IsPalette(v); }
bool GreyImage(const CQznView& v) { return HasImage(v) && IsGrey(v); }
bool CanCropToRoi(const CQznView& v) { return HasImage(v) && !v.Document()->m_roi.IsEmpty(); }

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
    {32807, ImageWithoutLines, nullptr, FlipHorizontal},
    {32806, ImageWithoutLines, nullptr, FlipVertical},
    {32811, ImageWithoutLines, nullptr, Transpose},
    {32952, CanSmooth, nullptr, MeanFilterCommand},
    {32789, CanSmooth, nullptr, MedianFilterCommand},
    {32808, CanNegate, nullptr, Negate},
    {32986, HasImage, nullptr, DespeckleCommand},
    {32790, IsGrey, nullptr, EdgeCommand<SobelFilter>},
    {32948, IsGrey, nullptr, EdgeCommand<GradientMagnitude>},
    {32949, IsGrey, nullptr, PropagateEdgesCommand},
    {32834, IsRgb, nullptr, RgbToPalette},
    {32835, IsRgb, nullptr, RgbToGrey},
    {33086, PaletteImage, nullptr, PaletteToRgb},
    {32837, IsPalette, nullptr, PaletteToGrey},
    {32901, IsPalette, nullptr, PaletteToBilevel},
    {33087, GreyImage, nullptr, GreyToRgb},
    {32855, IsGrey, nullptr, GreyToBilevel},
    {33070, IsBilevel, nullptr, BilevelToGreyCommand},
    {33050, CanCropToRoi, nullptr, CropToRoi},
};

}  // namespace

std::span<const ViewCommand> ImageCommands() { return kCommands; }

}  // namespace qzn::vc
