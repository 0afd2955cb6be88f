#include "platform/textfile.h"

#include "platform/atomicfile.h"
#include "platform/numfmt.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstring>
#include <cmath>
#include <iconv.h>
#include <locale.h>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace qzn {

// ---------------------------------------------------------------------------
// Code page conversion (glibc iconv; its GBK is Windows code page 936, 0x80
// being the euro sign).

namespace {

struct IconvHandle {
  iconv_t cd;
  IconvHandle(const char* to, const char* from) : cd(::iconv_open(to, from)) {
    if (cd == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
  }
  ~IconvHandle() { ::iconv_close(cd); }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
};

// One handle per thread and direction: iconv_open is far too slow to call per
// string when an archive holds many of them.
iconv_t Utf8ToGbkHandle() {
  thread_local IconvHandle h("GBK", "UTF-8");
  return h.cd;
}
iconv_t GbkToUtf8Handle() {
  thread_local IconvHandle h("UTF-8", "GBK");
  return h.cd;
}

bool AllAscii(std::string_view s) {
  // Eight bytes at a time: the writers send long runs of ASCII numbers.
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ULL) return false;
  }
  for (; i < s.size(); ++i)
    if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
  return true;
}

// How many bytes to skip over a sequence that could not be converted.
std::size_t SkipUtf8(const unsigned char* p, std::size_t left) {
  unsigned char c = p[0];
  std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? (c <= 0xEF ? 3 : 1) : c >= 0xC2 ? 2 : 1;
  std::size_t i = 1;
  while (i < n && i < left && (p[i] & 0xC0) == 0x80) ++i;
  return i;
}
std::size_t SkipGbk(const unsigned char* p, std::size_t left) {
  // A lead byte with a valid trail byte is one (unmapped) character.
  if (p[0] >= 0x81 && p[0] <= 0xFE && left >= 2 && p[1] >= 0x40 && p[1] <= 0xFE && p[1] != 0x7F) return 2;
  return 1;
}

std::string Convert(iconv_t cd, std::string_view in, bool fromUtf8, bool* ok) {
  if (ok) *ok = true;
  if (AllAscii(in)) return std::string(in);  // ASCII is the same in both
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  out.resize(in.size() * 3 / 2 + 16);
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  std::size_t used = 0;
  while (srcLeft > 0) {
    char* dst = out.data() + used;
    std::size_t dstLeft = out.size() - used;
    std::size_t r = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    used = out.size() - dstLeft;
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2 + 16);
      continue;
    }
    // EILSEQ (not convertible) or EINVAL (cut off at the end): a '?' for it.
    if (ok) *ok = false;
    if (out.size() - used < 1) out.resize(out.size() * 2 + 16);
    out[used++] = '?';
    if (errno == EINVAL) break;
    const auto* p = reinterpret_cast<const unsigned char*>(src);
    std::size_t skip = fromUtf8 ? SkipUtf8(p, srcLeft) : SkipGbk(p, srcLeft);
    src += skip;
    srcLeft -= skip;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(used);
  return out;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8, bool* ok) { return Convert(Utf8ToGbkHandle(), utf8, true, ok); }
std::string GbkToUtf8(std::string_view gbk, bool* ok) { return Convert(GbkToUtf8Handle(), gbk, false, ok); }

// ---------------------------------------------------------------------------
// Numbers in the C locale. uselocale() changes only the calling thread, so
// this is safe while other threads run under the process locale.

namespace {

locale_t CLocale() {
  static locale_t loc = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

class CLocaleScope {
 public:
  CLocaleScope() : m_old(::uselocale(CLocale())) {}
  ~CLocaleScope() { ::uselocale(m_old); }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t m_old;
};

std::string_view TrimNumber(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  // from_chars takes no '+'; accept one in front of a digit or a point.
  if (s.size() >= 2 && s[0] == '+' && s[1] != '-' && s[1] != '+') s.remove_prefix(1);
  return s;
}

}  // namespace

std::string VFormatC(const char* fmt, va_list ap) {
  std::string out;
  VAppendFormat(out, fmt, ap);
  return out;
}

std::string FormatC(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string s = VFormatC(fmt, ap);
  va_end(ap);
  return s;
}

int ScanC(const char* text, const char* fmt, ...) {
  CLocaleScope scope;
  va_list ap;
  va_start(ap, fmt);
  int n = std::vsscanf(text, fmt, ap);
  va_end(ap);
  return n;
}

bool ParseDouble(std::string_view text, double& out) {
  std::string_view s = TrimNumber(text);
  if (s.empty()) return false;
  double v = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (ec != std::errc() || ptr != s.data() + s.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool ParseInt(std::string_view text, long long& out) {
  std::string_view s = TrimNumber(text);
  if (s.empty()) return false;
  long long v = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 10);
  if (ec != std::errc() || ptr != s.data() + s.size()) return false;
  out = v;
  return true;
}

// ---------------------------------------------------------------------------
// Reader

struct CTextFileReader::Impl {
  FILE* f = nullptr;
  char* line = nullptr;  // getline's buffer
  std::size_t cap = 0;
  bool error = false;
  std::uint64_t lines = 0;
  ~Impl() {
    if (f) std::fclose(f);
    std::free(line);
  }
};

CTextFileReader::CTextFileReader() : m(std::make_unique<Impl>()) {}
CTextFileReader::~CTextFileReader() = default;

bool CTextFileReader::Open(const std::string& path) {
  Close();
  m->f = std::fopen(path.c_str(), "rbe");
  if (!m->f) return false;
  std::setvbuf(m->f, nullptr, _IOFBF, 1 << 16);
  return true;
}

bool CTextFileReader::IsOpen() const { return m->f != nullptr; }

bool CTextFileReader::ReadLineRaw(std::string& gbkLine) {
  gbkLine.clear();
  if (!m->f || m->error) return false;
  errno = 0;
  ssize_t n = ::getline(&m->line, &m->cap, m->f);
  if (n < 0) {
    if (std::ferror(m->f)) m->error = true;
    return false;
  }
  std::size_t len = static_cast<std::size_t>(n);
  if (len > 0 && m->line[len - 1] == '\n') --len;
  if (len > 0 && m->line[len - 1] == '\r') --len;
  gbkLine.assign(m->line, len);
  ++m->lines;
  return true;
}

bool CTextFileReader::ReadLine(std::string& line) {
  std::string raw;
  if (!ReadLineRaw(raw)) {
    line.clear();
    return false;
  }
  line = GbkToUtf8(raw);
  return true;
}

bool CTextFileReader::Error() const { return m->error; }
std::uint64_t CTextFileReader::LineNumber() const { return m->lines; }

void CTextFileReader::Close() {
  if (m->f) std::fclose(m->f);
  m->f = nullptr;
  m->error = false;
  m->lines = 0;
}

// ---------------------------------------------------------------------------
// Writer

struct CTextFileWriter::Impl {
  CAtomicFile file;
  std::string formatted;  // Printf's text, reused
  bool lastWasCR = false;
  bool error = false;
  std::string scratch;  // the bytes of one Write, kept for its capacity
};

CTextFileWriter::CTextFileWriter() : m(std::make_unique<Impl>()) {}
CTextFileWriter::~CTextFileWriter() = default;  // CAtomicFile drops an unfinished file

bool CTextFileWriter::Open(const std::string& path) {
  m->file.Abort();
  m->lastWasCR = false;
  m->error = false;
  if (!m->file.Open(path)) {
    m->error = true;
    return false;
  }
  return true;
}

bool CTextFileWriter::IsOpen() const { return m->file.IsOpen(); }

namespace {

// The file bytes of utf8 appended to out: GBK, every '\n' as CRLF (one
// already preceded by '\r' is not doubled; lastWasCR tells whether the text
// before ended in '\r'). A character that GBK lacks goes out as '?'; that is
// a loss, not an error.
void EncodeText(std::string_view utf8, bool lastWasCR, std::string& out) {
  // Most of what the writers send is ASCII numbers: that goes straight to
  // the line-end expansion.
  std::string converted;
  std::string_view gbk = utf8;
  if (!AllAscii(utf8)) {
    converted = Utf8ToGbk(utf8);
    gbk = converted;
  }
  // GBK trail bytes are 0x40..0xFE, so a 0x0A byte is always a line end.
  std::size_t start = 0;
  for (;;) {
    const std::size_t nl = gbk.find('\n', start);
    if (nl == std::string_view::npos) {
      out.append(gbk.substr(start));
      break;
    }
    const bool afterCR = nl > 0 ? gbk[nl - 1] == '\r' : lastWasCR;
    out.append(gbk.substr(start, nl - start));
    if (!afterCR) out.push_back('\r');
    out.push_back('\n');
    start = nl + 1;
  }
}

}  // namespace

void CTextFileWriter::Encode(std::string_view utf8, std::string& out) { EncodeText(utf8, false, out); }

void CTextFileWriter::Write(std::string_view utf8) {
  if (!m->file.IsOpen()) {
    m->error = true;
    return;
  }
  std::string& out = m->scratch;
  out.clear();
  EncodeText(utf8, m->lastWasCR, out);
  // The last byte out is '\r' exactly when the text's last character is.
  if (!utf8.empty()) m->lastWasCR = utf8.back() == '\r';
  if (!m->file.Write(out.data(), out.size())) m->error = true;
  // A very long text should not keep its copy after it is written.
  if (out.capacity() > (std::size_t{1} << 22)) std::string().swap(out);
}

void CTextFileWriter::WriteEncoded(std::string_view bytes) {
  if (!m->file.IsOpen()) {
    m->error = true;
    return;
  }
  if (!bytes.empty()) m->lastWasCR = bytes.back() == '\r';
  if (!m->file.Write(bytes.data(), bytes.size())) m->error = true;
}

void CTextFileWriter::WriteLine(std::string_view utf8) {
  Write(utf8);
  Write("\n");
}

void CTextFileWriter::Printf(const char* fmt, ...) {
  std::string& text = m->formatted;
  text.clear();
  va_list ap;
  va_start(ap, fmt);
  VAppendFormat(text, fmt, ap);
  va_end(ap);
  Write(text);
}

bool CTextFileWriter::Error() const { return m->error || m->file.Failed(); }

bool CTextFileWriter::Finish() { return m->file.Finish(); }

bool CTextFileWriter::Close() {
  return m->file.Commit();  // a file that failed before is dropped here
}

void CTextFileWriter::Abort() { m->file.Abort(); }

// ---- small text helpers ----------------------------------------------------------

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

std::vector<std::string> SplitBlanks(std::string_view s) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    std::size_t j = i;
    while (j < s.size() && !IsBlank(s[j])) ++j;
    if (j > i) out.emplace_back(s.substr(i, j - i));
    i = j;
  }
  return out;
}

}  // namespace qzn
