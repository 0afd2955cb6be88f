// Shared by the point, point-file and annotation tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/logfont.h"
#include "platform/textfile.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace qzntest {

// Runs a writer into an open text file and returns what it wrote, in UTF-8
// (line ends as written: CRLF).
template <class F>
std::string WriteWith(const TempDir& dir, F&& write) {
  const std::string path = dir.file("out.txt");
  CTextFileWriter out;
  EXPECT_TRUE(out.Open(path));
  write(out);
  EXPECT_TRUE(out.Close());
  return GbkToUtf8(ReadFileText(path));
}

// A label font as a Chinese desktop stores it: 宋体, 12 pixels, GB2312.
inline LOGFONT SongFont() {
  LOGFONT f;
  f.lfHeight = -12;
  f.lfWeight = 400;
  f.lfCharSet = 134;
  std::memcpy(f.lfFaceName, "\xcb\xce\xcc\xe5", 4);  // 宋体 in code page 936
  return f;
}

}  // namespace qzntest
