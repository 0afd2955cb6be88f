#include "ui/core/imagedlgs.h"

#include <algorithm>

#include "raster/rasterimage.h"
#include "resources/messages_window.h"
#include "ui/core/qznview.h"

namespace qzn {

// ---- resample --------------------------------------------------------------------

std::int64_t CResampleDlg::ImageBytes(std::int64_t width, std::int64_t height) const {
  const std::int64_t rowBytes = bitsPerSample == 1 ? (width + 7) / 8 : width;
  return height * rowBytes * std::max(planes, 1);
}

void CResampleDlg::Set(std::int64_t width, std::int64_t height, int bits, int planeCount) {
  columns = width;
  rows = height;
  bitsPerSample = bits;
  planes = planeCount;
  size = ImageBytes(columns, rows);
  newColumns = columns;
  newRows = rows;
  newSize = size;
  Recompute();
}

void CResampleDlg::Recompute() {
  const std::int64_t f = std::max<std::int64_t>(factor, 1);
  newColumns = direction == 1 ? columns * f : columns / f;
  newRows = direction == 1 ? rows * f : rows / f;
  newSize = ImageBytes(newColumns, newRows);
}

void CResampleDlg::Show(IDialogControls& c) const {
  c.SetText(kNewColumns, std::to_string(newColumns));
  c.SetText(kNewRows, std::to_string(newRows));
  c.SetText(kNewSize, std::to_string(newSize));
  c.SetText(kFactor, std::to_string(factor));
}

void CResampleDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Radio(dx, {kDown, kUp}, direction);
  if (!dx.save) {
    dx.controls.SetText(kColumns, std::to_string(columns));
    dx.controls.SetText(kRows, std::to_string(rows));
    dx.controls.SetText(kSize, std::to_string(size));
    dx.controls.SetText(kNewColumns, std::to_string(newColumns));
    dx.controls.SetText(kNewRows, std::to_string(newRows));
    dx.controls.SetText(kNewSize, std::to_string(newSize));
  }
  DDX_Text(dx, kFactor, factor);
  DDV_Range(dx, factor, kResampleFactorRange);
}

void CResampleDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kDown && id != kUp) return;
  direction = id == kUp ? 1 : 0;
  Recompute();
  Show(c);
}

void CResampleDlg::OnScroll(int id, int code, int, IDialogControls& c) {
  if (id != kFactorArrows) return;
  // The arrows alone change the factor: down to 1 at the least, up without a
  // stop of their own (OK refuses more than 10000).
  if (code == kScrollLineUp && factor > 1) --factor;
  if (code == kScrollLineDown && factor < 0xFFFFFFFFu) ++factor;
  Recompute();
  Show(c);
}

// ---- the simple ones ----------------------------------------------------------------

void CRemoveBackgroundDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kSize, size);
  DDV_Range(dx, size, kBackgroundSizeRange);
}

void CColorClassifyDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kColours, colours);
  DDV_Range(dx, colours, kClassColoursRange);
  DDX_Text(dx, kIterations, iterations);
  DDV_Range(dx, iterations, kClassIterationsRange);
}

void CImageInfoDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Check(dx, kApply, apply);
  DDX_Text(dx, kUnit, unit);
  DDX_Text(dx, kBits, bitsPerPixel);
  DDX_Text(dx, kColumns, columns);
  DDX_Text(dx, kPlanes, planes);
  DDX_Text(dx, kResolution, resolution);
  DDX_Text(dx, kRows, rows);
  DDX_Text(dx, kType, typeText);
}

std::string ImageTypeText(const CRasterImage& image) {
  if (image.IsGrey()) return res::text::kTypeGrey;
  if (image.IsRGB()) return res::text::kTypeRgb;
  if (image.IsPaletteColor()) return res::text::kTypePalette;
  if (image.IsSeparated()) return res::text::kTypeSeparated;
  if (image.bitsPerSample == 1) return res::text::kTypeBilevel;
  return res::text::kTypeUnknown;
}

}  // namespace qzn
