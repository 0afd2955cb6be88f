// The application object's command-line side: the grammar of the switches
// and the conversion of one scan to lines without a window.
//
// Switches begin with '-' or '/' and are decided by their second character
// alone: i, I, r, R name the input (the next argument); o, O, v the output
// (the next argument); b, B trace region outlines; c, C centre lines (the
// default). Anything else is skipped; a later switch overrides an earlier
// one; a file switch standing last takes an empty path.
#pragma once

#include <string>
#include <vector>

namespace qzn {

class CQznDoc;

struct CCommandLine {
  std::string input;
  std::string output;
  int outline = 0;  // 1: region outlines, 0: centre lines
};

// Reads the arguments after the program name.
CCommandLine ParseCommandLine(const std::vector<std::string>& args);

// Exit statuses of a command-line run.
enum : int {
  kExitConverted = 0,  // the lines were written
  kExitFailed = 1,     // the scan could not be opened, converted or written
  kExitUsage = 2,      // no or incomplete arguments
};

class CQznApp {
 public:
  // 0 when there are no arguments (an interactive start), else 1 after the
  // conversion has run, whatever its outcome (GetExitCode tells).
  int ProcessCommandLine(const std::vector<std::string>& args);
  int GetExitCode() const { return m_exitCode; }

  // Opens, vectorises and writes as the command line does; the exit status.
  // Lines go out in map coordinates when the scan is georeferenced (world
  // file, control points or GeoTIFF), else in image pixels.
  static int Convert(const CCommandLine& command);

 private:
  int m_exitCode = kExitUsage;
};

// The usage text of the command line.
const char* CommandLineUsage();

}  // namespace qzn
