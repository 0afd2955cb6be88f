#include "formats/importcommon.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "app/qzndoc.h"
#include "formats/exportcommon.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_formats.h"

namespace qzn {

void ReportReadFailure(ReadResult result, const char* damagedText) {
  switch (result) {
    case ReadResult::cannotOpen: AfxMessageBox(res::text::kCannotOpenFile, MB_OK | MB_ICONEXCLAMATION); break;
    case ReadResult::damaged:
      AfxMessageBox(damagedText ? damagedText : res::text::kInvalidFileFormat, MB_OK | MB_ICONEXCLAMATION);
      break;
    default: break;
  }
}

bool ToPixel(const MapTransform& toPixels, double x, double y, CFPoint& out) {
  double X = 0.0, Y = 0.0;
  if (!std::isfinite(x) || !std::isfinite(y) || !toPixels.Map(x, y, X, Y)) return false;
  if (!InPixelRange(X) || !InPixelRange(Y)) return false;
  out = CFPoint(X, Y);
  return true;
}

bool ToFloatValue(double v, float& out) {
  if (!std::isfinite(v) || std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())) return false;
  out = static_cast<float>(v);
  return true;
}

// ---- work lists ---------------------------------------------------------------

CImportLists::CImportLists(const CChainList& modelLines) {
  lines.m_nCurrentWidth = modelLines.m_nCurrentWidth;
  lines.m_fCurrentID = modelLines.m_fCurrentID;
  lines.m_idColors.Copy(modelLines.m_idColors);
}

void CImportLists::MoveTo(CQznDoc& doc) {
  if (!lines.IsEmpty()) doc.m_lines.m_nModified = 1;
  if (!points.IsEmpty()) doc.m_points.m_nModified = 1;
  if (!notes.IsEmpty()) doc.m_notes.m_nModified = 1;
  doc.m_lines.AdoptAll(lines);
  doc.m_points.AdoptAll(points);
  doc.m_notes.AdoptAll(notes);
}

// ---- companions ---------------------------------------------------------------

std::string FindCompanion(const std::string& path, const char* extension) {
  const std::string exact = CompanionPath(path, extension);
  std::error_code ec;
  if (std::filesystem::is_regular_file(exact, ec)) return exact;
  const std::filesystem::path p(exact);
  const std::string wanted = p.filename().string();
  const std::filesystem::path folder = p.has_parent_path() ? p.parent_path() : std::filesystem::path(".");
  auto sameIgnoringCase = [](const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
        return false;
    return true;
  };
  // Only the extension may differ in case: the name is the one given.
  const std::size_t stemLength = wanted.size() - std::strlen(extension);
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() == wanted.size() && name.compare(0, stemLength, wanted, 0, stemLength) == 0 &&
        sameIgnoringCase(name, wanted) && it->is_regular_file(ec))
      return (folder / name).string();
  }
  return exact;
}

// ---- lines ----------------------------------------------------------------------

namespace {
constexpr std::size_t kChunk = 1 << 20;
}  // namespace

CLineReader::~CLineReader() {
  if (m_file) std::fclose(m_file);
}

bool CLineReader::Open(const std::string& path) {
  if (m_file) std::fclose(m_file);
  m_file = std::fopen(path.c_str(), "rbe");
  if (!m_file) return false;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  m_size = ec ? 0 : static_cast<std::int64_t>(size);
  return Rewind();
}

bool CLineReader::Rewind() {
  if (!m_file || std::fseek(m_file, 0, SEEK_SET) != 0) return false;
  m_buffer.resize(kChunk);
  m_begin = m_end = 0;
  m_eof = m_error = m_putBack = false;
  m_last = std::string_view();
  m_consumed = m_lines = 0;
  return true;
}

bool CLineReader::Fill() {
  if (m_eof || m_error) return false;
  // Keep the unread tail, make room, read on.
  if (m_begin > 0) {
    std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
    m_end -= m_begin;
    m_begin = 0;
  }
  if (m_end == m_buffer.size()) m_buffer.resize(m_buffer.size() * 2);
  const std::size_t n = std::fread(m_buffer.data() + m_end, 1, m_buffer.size() - m_end, m_file);
  if (n == 0) {
    if (std::ferror(m_file)) m_error = true;
    m_eof = true;
    return false;
  }
  m_end += n;
  return true;
}

bool CLineReader::Next(std::string_view& line) {
  if (m_putBack) {
    m_putBack = false;
    line = m_last;
    return true;
  }
  std::size_t scanFrom = m_begin;
  for (;;) {
    const char* start = m_buffer.data() + scanFrom;
    const void* nl = std::memchr(start, '\n', m_end - scanFrom);
    if (nl) {
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(nl) - m_buffer.data());
      std::size_t len = at - m_begin;
      if (len > 0 && m_buffer[m_begin + len - 1] == '\r') --len;
      line = std::string_view(m_buffer.data() + m_begin, len);
      m_consumed += static_cast<std::int64_t>(at + 1 - m_begin);
      m_begin = at + 1;
      break;
    }
    const std::size_t scanned = m_end - m_begin;
    if (!Fill()) {
      if (m_error || m_begin == m_end) return false;
      // A last line without a line end.
      std::size_t len = m_end - m_begin;
      if (len > 0 && m_buffer[m_begin + len - 1] == '\r') --len;
      line = std::string_view(m_buffer.data() + m_begin, len);
      m_consumed += static_cast<std::int64_t>(m_end - m_begin);
      m_begin = m_end;
      break;
    }
    scanFrom = m_begin + scanned;
  }
  ++m_lines;
  m_last = line;
  return true;
}

CReadProgress::CReadProgress(const CLineReader& reader) : m_reader(reader) { m_bar.SetRange(0, reader.Size() / 20); }

void CReadProgress::Update() {
  if (m_reader.LineNumber() < m_next) return;
  m_next = m_reader.LineNumber() + 4096;
  m_bar.SetPos(m_reader.Position() / 20);
}

// ---- numbers ------------------------------------------------------------------

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && IsBlank(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool SameWordIgnoringCase(std::string_view text, const char* upperWord) {
  std::size_t i = 0;
  for (; i < text.size() && upperWord[i]; ++i)
    if (std::toupper(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(upperWord[i])) return false;
  return i == text.size() && upperWord[i] == '\0';
}

bool LeadingDouble(std::string_view text, double& value, std::string_view* rest) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  // from_chars takes no '+'.
  if (i + 1 < text.size() && text[i] == '+' && text[i + 1] != '-' && text[i + 1] != '+') ++i;
  double v = 0.0;
  const auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v, std::chars_format::general);
  if (ec != std::errc() || !std::isfinite(v)) return false;
  value = v;
  if (rest) *rest = text.substr(static_cast<std::size_t>(ptr - text.data()));
  return true;
}

bool ParseNumbers(std::string_view text, double* out, int count) {
  for (int i = 0; i < count; ++i) {
    std::string_view rest;
    if (!LeadingDouble(text, out[i], &rest)) return false;
    text = rest;
    if (i + 1 == count) break;
    std::size_t k = 0;
    while (k < text.size() && (text[k] == ' ' || text[k] == '\t')) ++k;
    if (k < text.size() && text[k] == ',') {
      ++k;
      while (k < text.size() && (text[k] == ' ' || text[k] == '\t')) ++k;
    }
    if (k == 0) return false;
    text.remove_prefix(k);
  }
  return TrimBlanks(text).empty();
}

}  // namespace qzn
