// Title bars shown whole: the window manager cuts a title that is wider
// than its bar ("3D XY… 件选项"), and a dialog sized by its controls alone
// can be narrower than its title needs.
#pragma once

#include <wx/string.h>
#include <wx/toplevel.h>

namespace qzn {

// The least width of a window, in pixels, that shows its whole title in the
// title bar beside the window's icon and buttons.
int TitleBarWidth(const wxString& title);

// Widens the window, and the least size its layout keeps, to that width
// when it is narrower; the layout spreads over the room gained.
void FitTitleBar(wxTopLevelWindow& window);

}  // namespace qzn
