// The commands that run the option dialogs of vectorising and of the image:
// the view's (automatic vectorisation, threshold, tracing smoothing, image
// information) and the main frame's that make a new workspace from files
// (mosaic, raw image, colour composite).
#pragma once

#include <functional>
#include <string>

class wxDocument;

namespace qzn {

struct CDesktop;
class CQznDoc;
class CRasterImage;

// Registers the view commands (for every view) and the frame commands.
void RegisterImageDialogCommands(CDesktop& desktop);

// A new workspace in a new window for an image made in memory (a scan, a
// mosaic, a composite): the image moves into it, `prepare` (may be empty)
// runs on the workspace before it is shown, and the window takes the title.
// The image exists nowhere else, so leaving the workspace asks to save it.
// Null when the workspace cannot be made.
wxDocument* NewImageWorkspace(CDesktop& desktop, CRasterImage& image, const std::string& title,
                              const std::function<void(CQznDoc&)>& prepare = {});

// The frame's commands: each asks its dialog, then builds the image; a
// cancelled dialog does nothing, a failure is reported and no workspace
// is left behind. The new workspace, or null.
wxDocument* OnImageMosaic(CDesktop& desktop);
wxDocument* OnFileRawImage(CDesktop& desktop);
wxDocument* OnImageComposite(CDesktop& desktop);

}  // namespace qzn
