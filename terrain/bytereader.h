// A buffered reader of a file's bytes with its size known up front, so the
// grid readers can check what a header claims against what the file holds
// before they allocate anything.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/textfile.h"  // IsBlank

namespace qzn {

class CByteReader {
 public:
  CByteReader() = default;
  ~CByteReader();
  CByteReader(const CByteReader&) = delete;
  CByteReader& operator=(const CByteReader&) = delete;

  bool Open(const std::string& path);
  std::int64_t Size() const { return m_size; }
  std::int64_t Tell() const { return m_bufPos + static_cast<std::int64_t>(m_next); }
  std::int64_t Left() const { return m_size - Tell(); }
  // Moves to an offset within the file (the end included); false beyond it.
  bool Seek(std::int64_t offset);
  // The next byte, or -1 at the end of the file or after a read error.
  int Get() {
    if (m_next < m_have) return static_cast<unsigned char>(m_buf[m_next++]);
    return Refill() ? static_cast<unsigned char>(m_buf[m_next++]) : -1;
  }
  // The next byte without taking it; -1 at the end or after an error.
  int Peek() {
    if (m_next < m_have || Refill()) return static_cast<unsigned char>(m_buf[m_next]);
    return -1;
  }
  // Exactly n bytes into out; false when the file ends first.
  bool Read(std::size_t n, std::string& out);
  // The next run of characters that are not white space, at most maxLength
  // long, after skipping white space; the reader stops on the first white
  // space after it. False at the end of the file or for a longer run.
  bool Token(std::string& out, std::size_t maxLength);
  bool Error() const { return m_error; }

 private:
  bool Refill();

  std::FILE* m_file = nullptr;
  std::int64_t m_size = 0;
  std::int64_t m_bufPos = 0;  // file offset of m_buf[0]
  std::size_t m_next = 0;
  std::size_t m_have = 0;
  bool m_error = false;
  char m_buf[65536];
};

}  // namespace qzn
