#pragma once

namespace qzn {

// Whether the window system can be reached: a Wayland socket named in the
// environment (unless GTK is told to use X11), or an X display that opens.
// GTK aborts the process when it starts without one.
bool DisplayAvailable();

}  // namespace qzn
