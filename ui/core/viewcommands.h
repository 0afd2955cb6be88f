// The image view's menu and toolbar commands: what each does, when it is
// enabled and when it carries a check mark, in one table. The commands are
// toolkit-free: they ask the user through the host (messages, questions,
// file dialogs, busy cursor), open dialogs through the dialog runner and
// reach what only the window can do (clipboard, printing, fonts, colours,
// the desktop's editor) through IViewServices, so every
// command runs headless in tests.
//
// Every runner re-checks its enabler: a shortcut or a stale menu can ask
// for a command that no longer applies.
#pragma once

#include <string>
#include <vector>

#include "model/logfont.h"
#include "platform/wintypes.h"

namespace qzn {

class CQznView;
class CQznDoc;
class CCanvas;
struct RgbBitmap;

struct ViewCommand {
  int id = 0;
  bool (*enabled)(const CQznView&) = nullptr;  // none: always enabled
  bool (*checked)(const CQznView&) = nullptr;  // none: no check mark
  void (*run)(CQznView&) = nullptr;
};

// Every command of the table, by part: vector exchange and projects, image,
// lines, points and layers, georeference, printing and clipboard, display,
// 3D and report.
const std::vector<ViewCommand>& ViewCommands();
const ViewCommand* FindViewCommand(int id);
bool IsViewCommandEnabled(const CQznView& view, int id);
// The check mark; false for a command without one.
bool IsViewCommandChecked(const CQznView& view, int id);
// Runs the command when it is in the table and enabled now; false otherwise.
bool RunViewCommand(CQznView& view, int id);

// What the commands need of the window beyond the host and the dialogs.
// Without services installed (a run without a window) each does nothing and
// reports failure.
class IViewServices {
 public:
  virtual ~IViewServices() = default;
  // The picture of the view as its window shows it: image and overlays, the
  // client area's size.
  virtual bool RenderView(CQznView& view, RgbBitmap& out) = 0;
  virtual bool CopyToClipboard(const RgbBitmap& picture) = 0;
  // The colour dialog on `initial`; false when cancelled.
  virtual bool ChooseColor(COLORREF initial, COLORREF& chosen) = 0;
  // The font dialog on `font` (`hasFont` false: the dialog's own start); OK
  // gives the font and its colour.
  virtual bool ChooseFont(LOGFONT& font, COLORREF& colour, bool hasFont) = 0;
  // The font the view's window draws text in.
  virtual LOGFONT WindowFont() = 0;
  // Opens the file with the desktop's editor for text files.
  virtual bool OpenInEditor(const std::string& path) = 0;
  // The print job of one page of the view, its preview, and the printer setup.
  virtual void Print(CQznView& view) = 0;
  virtual void PrintPreview(CQznView& view) = 0;
  virtual void PrintSetup() = 0;
  // The view's picture printed.
  virtual void PrintWindow(CQznView& view) = 0;
  // The workspace's path (its title) changed.
  virtual void DocumentRenamed(CQznView& view) = 0;
};

void SetViewServices(IViewServices* services);
IViewServices* ViewServices();

// One printed page in the printer's device units.
class IPrintPage {
 public:
  virtual ~IPrintPage() = default;
  virtual CCanvas& Canvas() = 0;
  // The top-left source.cx x source.cy pixels of the picture stretched onto
  // the rectangle.
  virtual void StretchPicture(const RgbBitmap& picture, SIZE source, const RECT& dest) = 0;
  // What is drawn next stays inside the rectangle; an empty one lifts that.
  virtual void ClipTo(const RECT& rect) = 0;
};

// The page of the view inside the area of the page that is printed on (the
// paper less its margins): the workspace's title on the area's first line in
// the canvas's font, then under it the picture the view shows, at the view's
// aspect and as large as the rest of the area allows, framed, with the image
// from the display buffer (not rendered again at printer resolution) and the
// lines, points and notes the view shows, where it shows them, cut to the
// picture. The title is never drawn over by the picture.
void PrintViewPage(CQznView& view, IPrintPage& page, const RECT& area, const std::string& title);

// The picture of the view drawn without a window: the display bitmap, white
// where the image is switched off or absent, and the overlays drawn by the
// software canvas (text as its box). What the services give headless.
bool RenderViewPicture(CQznView& view, RgbBitmap& out);

}  // namespace qzn
