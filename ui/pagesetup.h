// The page set-up every printed page keeps: paper, orientation and the
// margins around what is printed. The view's page (打印, 打印预览) and the
// window and screen prints (打印窗口, 打印屏幕) both print inside the same
// margins, so a picture never runs to the paper's edges, where a real
// printer cuts it.
#pragma once

#include <wx/cmndata.h>
#include <wx/gdicmn.h>
#include <wx/prntbase.h>

namespace qzn {

// The margins on every side until the page set-up gives its own, in
// millimetres: inside what any printer can print.
constexpr int kDefaultPageMarginMm = 15;

// The page set-up of the run, edited by 打印设置.
wxPageSetupDialogData& PageSetupData();

// The part of the printout's page inside the page set-up's margins and
// inside what the printer can print, in the page's logical units; empty
// when the margins leave nothing of the paper.
wxRect PrintableArea(const wxPrintout& printout);

}  // namespace qzn
