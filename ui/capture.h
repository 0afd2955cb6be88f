// What a view shows, as a packed DIB, and DIBs drawn on the toolkit's device
// contexts. A window is captured by asking it to render itself off screen
// (ICaptureSource), never by reading the screen, so the capture holds the
// view's own pixels even where other windows cover it or it lies partly off
// the screen. Only a screen rectangle is read from the screen, where the
// display server lets a program do so (ScreenCanBeRead).
#pragma once

#include <wx/dc.h>
#include <wx/image.h>
#include <wx/window.h>

#include "platform/wintypes.h"
#include "raster/dib.h"

namespace qzn {

// Implemented by the windows whose picture can be captured: the image view,
// the 3D view.
class ICaptureSource {
 public:
  virtual ~ICaptureSource() = default;
  // The client area as it shows now (image, overlays, rubber bands),
  // rendered off screen at the client's size; an invalid image when it
  // cannot be rendered.
  virtual wxImage RenderClientImage() = 0;
};

// Kinds of CaptureWindowDib.
enum : int { kCaptureWholeWindow = 1, kCaptureClientArea = 2 };

// The window's picture as a 24-bit DIB. Kind 1 (the window with its frame)
// gives the client area too: the frame is the window manager's, not ours.
// Null without a window, for another kind, for a window that cannot render
// itself (not an ICaptureSource), an empty client area, or when memory runs
// out.
HDIB CaptureWindowDib(wxWindow* window, int kind);

// True when a program may read the screen: an X11 display that is not a
// Wayland session's compatibility server (there the root window holds only
// the pixels of X11 programs, not what the user sees).
bool ScreenCanBeRead();

// A screen rectangle (screen coordinates, right and bottom exclusive) read
// from the screen, cut to the screen, as a DIB of the display's depth (24
// bits on every true-colour display). Null for an empty rectangle, one
// wholly off screen, or when the screen cannot be read.
HDIB CaptureRectDib(const RECT& screenRect);

// The DIB's pixels as a toolkit image, stretched from the source rectangle
// (top row first) to width x height as DibStretchToRgb does; invalid when
// the DIB cannot be drawn.
wxImage DibToImage(const CDib& dib, const RECT& source, int width, int height);

// Paints the source rectangle of the DIB into the destination rectangle of
// the device context. The colour table is applied in converting, so the
// palette (which may be null) changes nothing on the true-colour displays
// and printers the toolkit draws on; it is taken for the callers' sake. On
// the screen and in memory the pixels are stretched in software (whole
// pixels, no mixed colours); on a printer the DIB goes at its own size and
// the printer scales it. Non-zero when drawn; 0 without a DIB or for a DIB
// or rectangle that cannot be drawn.
int DrawDib(wxDC& dc, const RECT& destination, const CDib* dib, const RECT& source, const CLogPalette* palette);

}  // namespace qzn
