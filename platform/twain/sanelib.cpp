#include "platform/twain/sanelib.h"

#include <dlfcn.h>

#include <cstdlib>
#include <type_traits>

namespace qzn::twain {

std::string SaneLibraryName() {
  const char* name = std::getenv("QZN_SANE_LIBRARY");
  return name && *name ? name : "libsane.so.1";
}

bool SaneLibrary::Load() {
  if (handle) return true;
  // Once loaded, the library stays: what it keeps across sane_exit would be
  // lost with every unloading, once a scan.
  void* h = dlopen(SaneLibraryName().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!h) return false;
  bool ok = true;
  auto find = [&](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(h, name));
    ok = ok && fn != nullptr;
  };
  find(init, "sane_init");
  find(exit, "sane_exit");
  find(get_devices, "sane_get_devices");
  find(open, "sane_open");
  find(close, "sane_close");
  find(get_option_descriptor, "sane_get_option_descriptor");
  find(control_option, "sane_control_option");
  find(get_parameters, "sane_get_parameters");
  find(start, "sane_start");
  find(read, "sane_read");
  find(cancel, "sane_cancel");
  if (!ok) {
    dlclose(h);
    *this = SaneLibrary{};
    return false;
  }
  handle = h;
  return true;
}

void SaneLibrary::Unload() {
  if (handle) dlclose(handle);
  *this = SaneLibrary{};
}

}  // namespace qzn::twain
