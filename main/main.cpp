// qzn: with arguments, converts a scan to lines without a window (messages
// on stderr, exit status 0 only when the lines were written); without
// arguments, the desktop application. A command-line run never starts the
// toolkit, so it needs no display.
#include <cstdio>
#include <string>
#include <vector>

#include "app/qznapp.h"
#include "formats/vectorexport.h"
#include "formats/vectorimport.h"
#include "platform/host.h"
#if QZN_WITH_GUI
#include "ui/app.h"
#endif

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
    return qzn::RunGui(argc, argv);
#else
    std::fputs(qzn::CommandLineUsage(), stderr);
    return qzn::kExitUsage;
#endif
  }
  if (app.GetExitCode() == qzn::kExitUsage) std::fputs(qzn::CommandLineUsage(), stderr);
  return app.GetExitCode();
}
