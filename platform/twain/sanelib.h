// The SANE library, loaded at run time by the source manager module, so the
// program runs (without scanners) where SANE is not installed.
#pragma once

#include <sane/sane.h>

#include <string>

namespace qzn::twain {

struct SaneLibrary {
  void* handle = nullptr;
  SANE_Status (*init)(SANE_Int*, SANE_Auth_Callback) = nullptr;
  void (*exit)() = nullptr;
  SANE_Status (*get_devices)(const SANE_Device***, SANE_Bool) = nullptr;
  SANE_Status (*open)(SANE_String_Const, SANE_Handle*) = nullptr;
  void (*close)(SANE_Handle) = nullptr;
  const SANE_Option_Descriptor* (*get_option_descriptor)(SANE_Handle, SANE_Int) = nullptr;
  SANE_Status (*control_option)(SANE_Handle, SANE_Int, SANE_Action, void*, SANE_Int*) = nullptr;
  SANE_Status (*get_parameters)(SANE_Handle, SANE_Parameters*) = nullptr;
  SANE_Status (*start)(SANE_Handle) = nullptr;
  SANE_Status (*read)(SANE_Handle, SANE_Byte*, SANE_Int, SANE_Int*) = nullptr;
  void (*cancel)(SANE_Handle) = nullptr;

  bool Loaded() const { return handle != nullptr; }
  // Loads the library (QZN_SANE_LIBRARY names another file than the system's
  // libsane.so.1) and finds every function; false leaves nothing loaded.
  bool Load();
  void Unload();
};

// The library's file name: QZN_SANE_LIBRARY when set, else libsane.so.1.
std::string SaneLibraryName();

}  // namespace qzn::twain
