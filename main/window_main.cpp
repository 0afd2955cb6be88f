// qzn-window: the desktop application, which `qzn` without arguments
// becomes. Kept apart so that a command-line conversion never loads the
// toolkit.
#include "formats/vectorexport.h"
#include "formats/vectorimport.h"
#include "ui/app.h"

int main(int argc, char** argv) {
  // The document reaches the writers and readers of the exchange formats
  // through these.
  static qzn::CFormatExports exports;
  qzn::SetVectorExports(&exports);
  static qzn::CFormatImports imports;
  qzn::SetVectorImports(&imports);
  return qzn::RunGui(argc, argv);
}
