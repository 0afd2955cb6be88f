// qzn: with arguments, converts a scan to lines without a window (messages
// on stderr, exit status 0 only when the lines were written); without
// arguments, the desktop application. A command-line run never starts the
// toolkit, so it needs no display, and does not even load it: the window is
// the program qzn-window beside this one, which a run without arguments
// becomes (the toolkit's libraries take longer to load than a small scan
// takes to convert).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/qznapp.h"
#include "formats/vectorexport.h"
#include "formats/vectorimport.h"
#include "platform/host.h"

namespace {

#if QZN_WITH_GUI
// Replaces this process by the window program; returns only on failure.
int RunWindowProgram(char** argv) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::string window = (ec ? std::filesystem::path(argv[0]) : self).parent_path() / "qzn-window";
  // argv[0] stays the name the user ran, so the desktop knows the program as qzn.
  ::execv(window.c_str(), argv);
  std::fprintf(stderr, "qzn: cannot start the window program %s: %s\n", window.c_str(), std::strerror(errno));
  return qzn::kExitFailed;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  // The default host is the command-line one: stderr, default answers.
  std::vector<std::string> args(argv + 1, argv + argc);
  // The document reaches the writers and readers of the exchange formats
  // through these.
  static qzn::CFormatExports exports;
  qzn::SetVectorExports(&exports);
  static qzn::CFormatImports imports;
  qzn::SetVectorImports(&imports);
  qzn::CQznApp app;
  if (!app.ProcessCommandLine(args)) {
#if QZN_WITH_GUI
    return RunWindowProgram(argv);
#else
    std::fputs(qzn::CommandLineUsage(), stderr);
    return qzn::kExitUsage;
#endif
  }
  if (app.GetExitCode() == qzn::kExitUsage) std::fputs(qzn::CommandLineUsage(), stderr);
  return app.GetExitCode();
}
