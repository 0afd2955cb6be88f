// The program's own text side files (text blocks, annotations): opening one
// for reading with the file's own message on failure, and the header test.
#pragma once

#include <string>

#include "model/layer.h"
#include "platform/host.h"
#include "platform/textfile.h"

namespace qzn {

// Opens the file, or shows the message with the icon and returns false.
inline bool OpenSideFile(CTextFileReader& in, const std::string& path, const char* failure, unsigned icon) {
  if (in.Open(path)) return true;
  AfxMessageBox(failure, MB_OK | icon);
  return false;
}

// The first line, without its line end, names the format; Latin letters may
// differ in case.
inline bool IsSideFileHeader(const std::string& line, const char* header) { return LayerNamesEqual(line, header); }

}  // namespace qzn
