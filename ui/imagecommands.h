// The commands that run the option dialogs of vectorising and of the image:
// the view's (automatic vectorisation, threshold, tracing smoothing, image
// information) and the main frame's that make a new workspace from files
// (mosaic, raw image, colour composite).
#pragma once

namespace qzn {

struct CDesktop;

// Registers the view commands (for every view) and the frame commands.
void RegisterImageDialogCommands(CDesktop& desktop);

}  // namespace qzn
