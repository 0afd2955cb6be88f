#include "ui/pagesetup.h"

namespace qzn {

wxPageSetupDialogData& PageSetupData() {
  static wxPageSetupDialogData data = [] {
    wxPageSetupDialogData d;
    d.SetMarginTopLeft(wxPoint(kDefaultPageMarginMm, kDefaultPageMarginMm));
    d.SetMarginBottomRight(wxPoint(kDefaultPageMarginMm, kDefaultPageMarginMm));
    return d;
  }();
  return data;
}

wxRect PrintableArea(const wxPrintout& printout) {
  const wxRect area = printout.GetLogicalPageMarginsRect(PageSetupData());
  if (area.width <= 0 || area.height <= 0) return wxRect();
  return area.Intersect(printout.GetLogicalPageRect());
}

}  // namespace qzn
