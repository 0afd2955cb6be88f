#include "widgets/titlebar.h"

#include <wx/dcscreen.h>
#include <wx/settings.h>

namespace qzn {

int TitleBarWidth(const wxString& title) {
  // Title bars draw the title in bold; beside it stand the window's icon
  // and its buttons, about five lines of text high in all.
  wxFont bold = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  bold.MakeBold();
  wxCoord width = 0, height = 0;
  wxScreenDC dc;
  dc.SetFont(bold);
  dc.GetTextExtent(title, &width, &height);
  return width + 5 * height;
}

void FitTitleBar(wxTopLevelWindow& window) {
  const int need = TitleBarWidth(window.GetTitle());
  wxSize least = window.GetMinSize();
  if (least.x < need) {
    least.x = need;
    window.SetMinSize(least);
  }
  const wxSize size = window.GetSize();
  if (size.x < need) window.SetSize(need, size.y);
}

}  // namespace qzn
