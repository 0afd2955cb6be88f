#include "terrain/bytereader.h"

#include <sys/stat.h>

namespace qzn {

CByteReader::~CByteReader() {
  if (m_file) std::fclose(m_file);
}

bool CByteReader::Open(const std::string& path) {
  if (m_file) std::fclose(m_file);
  m_file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
  m_bufPos = 0;
  m_next = m_have = 0;
  m_error = false;
  if (!m_file) return false;
  struct stat st {};
  if (::fstat(fileno(m_file), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(m_file);
    m_file = nullptr;
    return false;
  }
  m_size = static_cast<std::int64_t>(st.st_size);
  return true;
}

bool CByteReader::Refill() {
  if (!m_file || m_error) return false;
  m_bufPos += static_cast<std::int64_t>(m_have);
  m_next = m_have = 0;
  m_have = std::fread(m_buf, 1, sizeof m_buf, m_file);
  if (m_have == 0 && std::ferror(m_file)) m_error = true;
  return m_have > 0;
}

bool CByteReader::Seek(std::int64_t offset) {
  if (!m_file || offset < 0 || offset > m_size) return false;
  if (offset >= m_bufPos && offset <= m_bufPos + static_cast<std::int64_t>(m_have)) {
    m_next = static_cast<std::size_t>(offset - m_bufPos);
    return true;
  }
  if (fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) != 0) {
    m_error = true;
    return false;
  }
  m_bufPos = offset;
  m_next = m_have = 0;
  return true;
}

bool CByteReader::Read(std::size_t n, std::string& out) {
  out.clear();
  while (out.size() < n) {
    if (m_next == m_have && !Refill()) return false;
    const std::size_t take = std::min(n - out.size(), m_have - m_next);
    out.append(m_buf + m_next, take);
    m_next += take;
  }
  return true;
}

bool CByteReader::Token(std::string& out, std::size_t maxLength) {
  out.clear();
  while (Peek() >= 0 && IsBlank(Peek())) ++m_next;
  while (Peek() >= 0 && !IsBlank(Peek())) {
    if (out.size() == maxLength) return false;
    out.push_back(m_buf[m_next++]);
  }
  return !out.empty();
}

}  // namespace qzn
