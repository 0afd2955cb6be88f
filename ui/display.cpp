#include "ui/display.h"

#include <cstdlib>
#include <cstring>

namespace qzn {

namespace {
bool Set(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}
}  // namespace

bool DisplayNamed() {
  // Only the environment is read: opening and closing a connection of our
  // own here would leave a display without other clients to reset itself
  // just as the toolkit connects, and the start would fail now and then.
  const char* backend = std::getenv("GDK_BACKEND");
  const bool x11Only = backend && std::strcmp(backend, "x11") == 0;
  if (!x11Only && Set("WAYLAND_DISPLAY")) return true;
  return Set("DISPLAY");
}

}  // namespace qzn
