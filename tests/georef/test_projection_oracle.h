// Running PROJ (through pyproj) as the oracle of the projection tests: one
// Python process per test, fed a text file of cases, answering line by line.
#pragma once

#include <string>

#include "tests/support/testutil.h"

using namespace qzn;

namespace projtest {

// The Python that can import pyproj, or "" when there is none.
inline std::string PyprojPython() { return qzntest::HavePythonModules({"pyproj"}) ? qzntest::Python() : ""; }

// Writes script and input to a scratch directory, runs the script on the
// input and returns its standard output; false when the script fails.
inline bool RunOracle(const std::string& python, const std::string& script, const std::string& input,
                      std::string& output) {
  const qzntest::TempDir dir;
  const std::string scriptPath = dir.file("oracle.py");
  const std::string inputPath = dir.file("cases.txt");
  qzntest::WriteFileText(scriptPath, script);
  qzntest::WriteFileText(inputPath, input);
  return qzntest::RunCommand(python + " " + scriptPath + " " + inputPath, &output) == 0;
}

}  // namespace projtest

#define QZN_REQUIRE_PYPROJ(var)                     \
  const std::string var = projtest::PyprojPython(); \
  QZN_REQUIRE_ORACLE(!var.empty(), "python3 with pyproj")
