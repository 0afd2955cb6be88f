#pragma once

namespace qzn {

// Whether the environment names a window system: a Wayland socket (unless
// GTK is told to use X11) or an X display. GTK aborts the process when it
// starts without one; a display named but not reachable is reported by the
// toolkit's own start, which then fails cleanly.
bool DisplayNamed();

}  // namespace qzn
