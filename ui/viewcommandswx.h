// The image view's command table (ui/core/viewcommands.h) in the window:
// every command goes into each view's command table, and the window's
// services (picture, clipboard, colour and font dialogs, the desktop's
// editor, printing) are installed for them.
#pragma once

#include <wx/dc.h>
#include <wx/font.h>
#include <wx/prntbase.h>

#include "model/logfont.h"
#include "ui/core/viewcommands.h"

namespace qzn {

// Registers the table for every new view, the services and the windows of
// the crop and workspace dialogs (once; later calls do nothing).
void RegisterViewCommandTable();

// A font record as a toolkit font and back. The record's height is the
// character height in pixels (a negative height, as font dialogs give it;
// a positive one, a cell height, is taken as the same size); weight, italic,
// underline, strike-out and the face (code page 936 in the record) map one
// to one. The escapement, orientation, width and character set have no
// toolkit counterpart: ToLogFont keeps them from `base`.
wxFont ToWxFont(const LOGFONT& font);
LOGFONT ToLogFont(const wxFont& font, const LOGFONT& base);

// One printed page of the view on a device context, in its device units.
class CViewPrintout : public wxPrintout {
 public:
  CViewPrintout(CQznView& view, const wxString& title);
  bool OnPrintPage(int page) override;
  bool HasPage(int page) override { return page == 1; }
  void GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) override;

 private:
  CQznView& m_view;
};

}  // namespace qzn
