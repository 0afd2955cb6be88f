// What the vector readers share: the work lists a file is read into (the
// workspace changes only after a whole file was read), the conversion of
// file coordinates into pixels with its checks, how a read ended, companion
// files found in any case, and a fast line reader with its progress.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "model/chainlist.h"
#include "model/helpers.h"
#include "model/layer.h"
#include "model/maptransform.h"
#include "model/note.h"
#include "model/ptlist.h"
#include "platform/wintypes.h"

namespace qzn {

class CQznDoc;

// How a whole-file reader ended: read; the file could not be opened; the
// file is damaged or cut short (a group code that is no number, a file that
// ends inside an object, fewer attribute rows than objects); a failure the
// reader has shown itself.
enum class ReadResult { ok, cannotOpen, damaged, reported };

// Shows the message of a failed read: kCannotOpenFile for a file that
// cannot be opened, `damagedText` for a damaged one (null: kInvalidFileFormat),
// nothing after a failure the reader has shown. The texts are shown with the
// exclamation icon.
void ReportReadFailure(ReadResult result, const char* damagedText = nullptr);

// A file coordinate through the transform into a pixel. False when it cannot
// be mapped, or when the pixel is not a finite number or lies beyond the int
// range (a workspace's extent and every line's bounds are whole pixels).
bool ToPixel(const MapTransform& toPixels, double x, double y, CFPoint& out);

// The value as the float an ID or a point value is kept in; false when it is
// not a finite number or beyond the float range.
bool ToFloatValue(double v, float& out);

// The lists one file is read into. New lines take the width, current ID and
// ID colours of the list they are modelled on (the readers that wrote into
// the workspace's lines make lines as that list does), or a new list's.
// Whatever is still held when the object dies is deleted with it.
class CImportLists {
 public:
  CImportLists() = default;
  explicit CImportLists(const CChainList& modelLines);
  CImportLists(const CImportLists&) = delete;
  CImportLists& operator=(const CImportLists&) = delete;

  CChainList lines;
  CPtList points;
  CNoteList notes;

  bool IsEmpty() const { return lines.IsEmpty() && points.IsEmpty() && notes.IsEmpty(); }
  // Hands every line, point and note over to the workspace's shown lists
  // (appended in order) and marks them modified. Cannot fail.
  void MoveTo(CQznDoc& doc);
};

// The file beside `path` with the extension `extension` (three letters, no
// dot): the name in the main extension's case if that file exists, else any
// file in the folder whose name differs only in the extension's case
// ("roads.shp" finds "roads.DBF"). The case-following name when none exists.
std::string FindCompanion(const std::string& path, const char* extension);

// Lines of a text file as bytes (code page 936 on disk: converted where a
// text is kept), fast enough for files of hundreds of megabytes. LF or CRLF
// ends; a last line without one is returned; lines may be of any length.
class CLineReader {
 public:
  CLineReader() = default;
  ~CLineReader();
  CLineReader(const CLineReader&) = delete;
  CLineReader& operator=(const CLineReader&) = delete;

  bool Open(const std::string& path);
  // Back to the start of the file.
  bool Rewind();
  // The next line (without its end), valid until the next call. False at the
  // end of the file or on a read error (Error() tells which).
  bool Next(std::string_view& line);
  // The line Next gave last is given again by the next call.
  void PutBack() { m_putBack = true; }
  bool Error() const { return m_error; }
  std::int64_t Size() const { return m_size; }
  // Bytes of the file consumed so far.
  std::int64_t Position() const { return m_consumed; }
  std::int64_t LineNumber() const { return m_lines; }

 private:
  bool Fill();

  std::FILE* m_file = nullptr;
  std::string m_buffer;
  std::size_t m_begin = 0;  // unread bytes are [m_begin, m_end)
  std::size_t m_end = 0;
  bool m_eof = false;
  bool m_error = false;
  bool m_putBack = false;
  std::string_view m_last;
  std::int64_t m_size = 0;
  std::int64_t m_consumed = 0;
  std::int64_t m_lines = 0;
};

// A progress bar over a file read by lines: 0 to the file's length / 20,
// moved on every few thousand lines.
class CReadProgress {
 public:
  explicit CReadProgress(const CLineReader& reader);
  void Update();

 private:
  const CLineReader& m_reader;
  CStatusProgress m_bar;
  std::int64_t m_next = 0;
};

// True when the text is the word, ASCII letters compared without case (the
// word is given in upper case).
bool SameWordIgnoringCase(std::string_view text, const char* upperWord);

// The text without blanks (spaces, tabs, CR) at either end.
std::string_view TrimBlanks(std::string_view s);

// The number at the start of the text (after blanks), in the C locale; the
// rest after it. False when the text does not start with a finite number.
bool LeadingDouble(std::string_view text, double& value, std::string_view* rest = nullptr);

// Exactly `count` finite numbers and nothing else, separated by blanks or by
// one comma with blanks around it ("x y" of MIF, "x,y" of SDL).
bool ParseNumbers(std::string_view text, double* out, int count);

}  // namespace qzn
