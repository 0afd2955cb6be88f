#include "ui/display.h"

#include <cstdlib>
#include <cstring>

// Xlib last and alone in this file: its macros (None, Status, Bool, ...)
// must not reach other code.
#include <X11/Xlib.h>

namespace qzn {

bool DisplayAvailable() {
  const char* backend = std::getenv("GDK_BACKEND");
  const bool x11Only = backend && std::strcmp(backend, "x11") == 0;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (!x11Only && wayland && *wayland) return true;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  XCloseDisplay(d);
  return true;
}

}  // namespace qzn
