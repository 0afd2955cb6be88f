// Numbers and colours by ID, and how the image shows: automatic line and
// point IDs, the ID conversion, the ID display colours, the contrast, the
// palette, the colours of a 1-bit image and the colourising of a grey image.
#include <cstdio>

#include "model/helpers.h"
#include "resources/commands.h"
#include "resources/messages_viewcommands.h"
#include "raster/mosaic.h"
#include "ui/core/contrastdlgs.h"
#include "ui/core/iddlgs.h"
#include "ui/core/mosaicdlgs.h"
#include "ui/core/palettedlg.h"
#include "ui/core/viewcommands_common.h"

namespace qzn::vc {

namespace {

namespace text = res::text;

bool HasLinesOrPoints(const CQznView& v) { return HasLines(v) || HasPoints(v); }
bool NotRgbImage(const CQznView& v) { return HasImage(v) && !IsRgb(v); }

void AutoLineIds(CQznView& v) {
  CIDRangeDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  SettleTools(v);
  CChainList& lines = Doc(v).m_lines;
  lines.AutoAssignIDs(dlg.startId, dlg.increment, dlg.unlabelledOnly);
  lines.m_nModified = 1;
  if (v.flags.lineIds) v.Refresh();
}

void AutoPointIds(CQznView& v) {
  CIDRangeDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  SettleTools(v);
  Doc(v).m_points.NumberPoints(dlg.startId, dlg.increment, dlg.unlabelledOnly);
  if (v.flags.pointIds) v.Refresh();
}

void ConvertIds(CQznView& v) {
  CConvertIDDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  SettleTools(v);
  Doc(v).TransformIDs(dlg.scale, dlg.offset, dlg.lines, dlg.points);
  v.Refresh();
}

void LineIdColours(CQznView& v) {
  CQznDoc& d = Doc(v);
  CIDColorDlg dlg(d.m_lines.m_idColors, &d.m_lineColorFile);
  if (DoModal(dlg) != IDOK) return;
  d.m_lines.m_idColors.Copy(dlg.ranges);
  d.m_lines.ApplyIDColors(d.m_layers.GetCurrentLayerID());
  v.Refresh();
}

void PointIdColours(CQznView& v) {
  CQznDoc& d = Doc(v);
  CIDColorDlg dlg(d.m_points.m_idColors, &d.m_pointColorFile);
  if (DoModal(dlg) != IDOK) return;
  d.m_points.m_idColors.Copy(dlg.ranges);
  d.m_points.ApplyIDColors();
  v.Refresh();
}

// The bars move the display's grey window live; Cancel puts the old one back.
void Contrast(CQznView& v) {
  int low = 0, high = 255;
  v.GetDisplayWindow(low, high);
  CContrastDlg dlg;
  dlg.Set(&v, low, high);
  if (DoModal(dlg) == IDOK) {
    v.displayColorReset = v.displayColor;
    return;
  }
  v.displayColor = v.displayColorReset;
  RenderAndRepaint(v, false);
}

void Palette(CQznView& v) {
  const ViewPalette saved = v.paletteEntries;
  CPaletteDlg dlg(&v);
  dlg.SetEntries(saved.data(), 256);
  char range[64];
  if (IsGrey(v))
    std::snprintf(range, sizeof range, text::kGreyRangeFormat, 0, 255);
  else if (IsBilevel(v))
    std::snprintf(range, sizeof range, "%s", text::kBilevelRange);
  else
    std::snprintf(range, sizeof range, "%s", text::kColourRange);
  dlg.rangeText = range;
  const ViewPalette chosen = DoModal(dlg) == IDOK ? dlg.entries : saved;
  v.SetDisplayPalette(chosen.data(), 256);
}

void BilevelColours(CQznView& v) {
  CImageColorDlg dlg(v.paletteEntries, Doc(v).m_image.photometric);
  if (DoModal(dlg) != IDOK) return;
  ViewPalette p = v.paletteEntries;
  dlg.StoreInto(p);
  v.SetDisplayPalette(p.data(), 2);
}

void Colorize(CQznView& v) {
  CColorizeDlg dlg;
  if (DoModal(dlg) != IDOK) return;
  SettleTools(v);
  int ok = 0;
  {
    CWaitCapture wait;
    ok = ComposeRgbFromFiles(&Doc(v).m_image, dlg.red, dlg.green, dlg.blue);
  }
  v.SetRubberBand(RECT{});
  if (!ok) return;
  Doc(v).SetImageModified(1);
  ReallocateDisplay(v);
  v.UpdateOverview();
}

constexpr ViewCommand kCommands[] = {
    {cmd::kEditAutoLineIds, HasLines, nullptr, AutoLineIds},
    {cmd::kEditAutoPointIds, HasPoints, nullptr, AutoPointIds},
    {cmd::kVectorConvertIds, HasLinesOrPoints, nullptr, ConvertIds},
    {cmd::kLineColourById, HasLines, nullptr, LineIdColours},
    {cmd::kViewPointIdColours, HasPoints, nullptr, PointIdColours},
    {cmd::kViewContrast, IsGrey, nullptr, Contrast},
    {cmd::kViewPalette, NotRgbImage, nullptr, Palette},
    {cmd::kViewBilevelColours, IsBilevel, nullptr, BilevelColours},
    {cmd::kImageColorize, IsGrey, nullptr, Colorize},
};

}  // namespace

std::span<const ViewCommand> IdAndDisplayDialogCommands() { return kCommands; }

}  // namespace qzn::vc
