// qzn: with arguments, converts a scan to lines without a window (messages
// on stderr, exit status 0 only when the lines were written); without
// arguments, the desktop application, which is not part of this build yet:
// the usage is printed instead.
#include <cstdio>
#include <string>
#include <vector>

#include "app/qznapp.h"
#include "platform/host.h"

int main(int argc, char** argv) {
  // The default host is the command-line one: stderr, default answers.
  std::vector<std::string> args(argv + 1, argv + argc);
  qzn::CQznApp app;
  if (!app.ProcessCommandLine(args)) {
    std::fputs(qzn::CommandLineUsage(), stderr);
    return qzn::kExitUsage;
  }
  if (app.GetExitCode() == qzn::kExitUsage) std::fputs(qzn::CommandLineUsage(), stderr);
  return app.GetExitCode();
}
