// Text files as the program's own side files and exchange formats keep them:
// code page 936 (GBK) on disk, UTF-8 in memory. Reading accepts LF or CRLF
// line ends and a last line without one; writing ends lines with CRLF.
// Numbers are formatted and parsed in the C locale whatever the process
// locale is, so a German or French desktop still writes "1.5".
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qzn {

// Code page conversion. Bytes that cannot be converted are replaced by '?';
// *ok, when given, tells whether everything converted.
std::string Utf8ToGbk(std::string_view utf8, bool* ok = nullptr);
std::string GbkToUtf8(std::string_view gbk, bool* ok = nullptr);

// printf and scanf in the C locale.
std::string FormatC(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string VFormatC(const char* fmt, va_list ap);
int ScanC(const char* text, const char* fmt, ...) __attribute__((format(scanf, 2, 3)));
// Whole-token number parsing in the C locale (leading/trailing blanks and a
// leading '+' allowed; decimal only; infinities, NaN and out-of-range values
// are rejected). False leaves out unchanged.
bool ParseDouble(std::string_view text, double& out);
bool ParseInt(std::string_view text, long long& out);

// The parsers' blanks: space, tab, CR, LF, VT and FF.
constexpr bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
// ASCII letters upper-cased and every other byte kept, whatever the process
// locale: UTF-8 texts stay whole.
std::string Upper(std::string s);
// Without the blanks at either end.
std::string Trim(std::string_view s);
// The blank-separated words.
std::vector<std::string> SplitBlanks(std::string_view s);

class CTextFileReader {
 public:
  CTextFileReader();
  ~CTextFileReader();
  bool Open(const std::string& path);  // false when the file cannot be opened
  bool IsOpen() const;
  // Next line without its line end, converted to UTF-8. False at end of file
  // (a last line without a line end is still returned) or on a read error.
  bool ReadLine(std::string& line);
  bool ReadLineRaw(std::string& gbkLine);  // the same, without conversion
  bool Error() const;                      // a read error happened
  std::uint64_t LineNumber() const;        // lines read so far
  void Close();

 private:
  struct Impl;
  std::unique_ptr<Impl> m;
};

// Writes to a temporary file beside the target; Close() flushes, syncs and
// renames it onto the target and returns false on any error, leaving the
// target as it was. A writer destroyed without Close() leaves the target alone.
class CTextFileWriter {
 public:
  CTextFileWriter();
  ~CTextFileWriter();
  bool Open(const std::string& path);
  bool IsOpen() const;
  // Writes UTF-8 text; every '\n' goes out as CRLF (a '\n' already preceded
  // by '\r' is not doubled). Characters that GBK lacks are written as '?',
  // which is not an error. Pass whole UTF-8 characters to each call.
  void Write(std::string_view utf8);
  void WriteLine(std::string_view utf8);  // text then CRLF
  // The bytes Write writes for utf8 when what was written before it does
  // not end in '\r' (nothing, or a line end), appended to out: text can be
  // made into file bytes on any thread and written in order by WriteEncoded.
  static void Encode(std::string_view utf8, std::string& out);
  void WriteEncoded(std::string_view bytes);
  void Printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));  // C locale
  bool Error() const;                                                       // an error happened so far
  // Writes out and syncs the file without putting it in place yet (see
  // CAtomicFile::Finish); Close then only renames it.
  bool Finish();
  bool Close();
  void Abort();

 private:
  struct Impl;
  std::unique_ptr<Impl> m;
};

}  // namespace qzn
