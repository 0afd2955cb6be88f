// Small helpers every subsystem uses: the busy cursor with mouse capture of a
// long operation, formatting into a string, file paths split into parts, the
// status-bar progress bar, 64-bit point keys and the square-spiral offsets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/wintypes.h"

namespace qzn {

class CWnd;
class IHost;

// Busy cursor (and, with a window, mouse capture) for the lifetime of the
// object; both are undone on every return path. Nested instances restore in
// reverse order.
class CWaitCapture {
 public:
  explicit CWaitCapture(CWnd* window = nullptr);
  ~CWaitCapture();
  CWaitCapture(const CWaitCapture&) = delete;
  CWaitCapture& operator=(const CWaitCapture&) = delete;

 private:
  CWnd* m_window;
  IHost* m_host;  // the host the wait was begun on
};

// printf-style formatting of any length into out, always in the C locale
// (a decimal point, whatever the process locale); returns the number of characters written, or -1 for a bad format (out
// is then empty).
int FormatString(std::string& out, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// The text with its line breaks turned into blanks, so one text stays one
// line of a text file and cannot shift the lines that follow.
std::string OneLineText(std::string text);

// A file path split into drive, directory (with its trailing separator), name
// and extension (with its dot). Both '/' and '\\' separate directories and a
// leading "X:" is a drive, so paths stored by Windows installations split the
// same way as native ones. The getters rebuild their result into the object's
// path text and return it; the parts stay unchanged.
class CFilePath {
 public:
  CFilePath() = default;
  explicit CFilePath(const char* path) { SetPath(path); }
  explicit CFilePath(const std::string& path) { SetPath(path.c_str()); }
  // directory + name; a separator '/' is put between them unless the
  // directory ends in '/' or '\\' or is empty. Either may be null.
  CFilePath(const char* directory, const char* name);

  void SetPath(const char* path);
  // drive + directory + name + extension.
  const std::string& GetPath();
  // drive + directory (with its trailing separator).
  const std::string& GetDirectory();
  // name, with the extension when withExtension is set.
  const std::string& GetFileName(bool withExtension);
  // True when a directory search for the full path finds an entry; '*' and
  // '?' in the last component match as in a directory search.
  bool Exists();

  const std::string& GetDrivePart() const { return m_drive; }
  const std::string& GetDirPart() const { return m_dir; }
  const std::string& GetNamePart() const { return m_name; }
  const std::string& GetExtPart() const { return m_ext; }

 private:
  std::string m_path;
  std::string m_drive;
  std::string m_dir;
  std::string m_name;
  std::string m_ext;
};

// The progress bar of the main window's status bar. Where there is none
// (batch runs) every operation does nothing and returns 0. Ranges and
// positions are 64-bit; positions stay within the range.
class CStatusProgress {
 public:
  CStatusProgress();
  virtual ~CStatusProgress();
  CStatusProgress(const CStatusProgress&) = delete;
  CStatusProgress& operator=(const CStatusProgress&) = delete;

  // Returns 1 when the range was set.
  int SetRange(std::int64_t low, std::int64_t high);
  // Returns the previous position.
  std::int64_t SetPos(std::int64_t position);
  // Returns the previous step.
  std::int64_t SetStep(std::int64_t step);
  // Advances by one step; returns the previous position.
  std::int64_t StepIt();

 private:
  std::int64_t Clamp(std::int64_t position) const;
  void Move(std::int64_t position);

  IHost* m_host = nullptr;  // null: no progress bar
  std::int64_t m_low = 0;
  std::int64_t m_high = 100;
  std::int64_t m_pos = 0;
  std::int64_t m_step = 1;
};

// 64-bit key of an integer point: x * 2^32 + y (y sign-extended), so keys
// order points by x, then y. Computed in unsigned arithmetic: x = INT_MIN with
// a negative y has no such key and wraps (to keys above all others) instead
// of overflowing.
constexpr std::int64_t MakePointKey(int x, int y) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::int64_t>(x)) << 32) +
                                   static_cast<std::uint64_t>(static_cast<std::int64_t>(y)));
}
constexpr std::int64_t MakePointKey(const POINT& p) { return MakePointKey(p.x, p.y); }

// qsort comparison of two records that begin with a point key: -1, 0 or 1.
int ComparePointKeys(const void* a, const void* b);

// The square of side 2*(n/2)+1 around centre, ring by ring from the centre.
// Returns 0 and writes nothing when n <= 0; otherwise writes
// (2*(n/2)+1)^2 points to out and returns 1.
int BuildSpiralOffsets(POINT centre, int n, POINT* out);
// The same into a vector sized to fit (emptied when n <= 0).
int BuildSpiralOffsets(POINT centre, int n, std::vector<POINT>& out);

}  // namespace qzn
