// The product picture: a plain child window that paints qzn.bmp, the
// picture installed beside the program, over its whole client area. The
// about box shows it.
#pragma once

#include <string>

#include <wx/dialog.h>
#include <wx/window.h>

namespace qzn {

class CBitmapPanel : public wxWindow {
 public:
  CBitmapPanel(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
               const wxSize& size = wxDefaultSize);
  // qzn.bmp in the directory of the running program.
  static std::string PicturePath();

 private:
  // Loads the picture and paints it into the client area each time; a
  // missing or unreadable file paints nothing (and says nothing: a paint
  // must not open message boxes).
  void OnPaint(wxPaintEvent& e);
};

// The about box: the product picture, the version line and what the system
// does, under the title kAboutTitle.
class CAboutDialog : public wxDialog {
 public:
  explicit CAboutDialog(wxWindow* parent);
  CBitmapPanel* Picture() const { return m_picture; }

 private:
  CBitmapPanel* m_picture;
};

}  // namespace qzn
