#include "model/helpers.h"

#include <dirent.h>
#include <fnmatch.h>
#include <locale.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/host.h"

namespace qzn {

// --- CWaitCapture ----------------------------------------------------------------

CWaitCapture::CWaitCapture(CWnd* window) : m_window(window), m_host(&Host()) {
  m_host->BeginWait();
  if (m_window) m_host->CaptureMouse(m_window);
}

CWaitCapture::~CWaitCapture() {
  if (m_window) m_host->ReleaseMouse(m_window);
  m_host->EndWait();
}

// --- FormatString ------------------------------------------------------------------

int FormatString(std::string& out, const char* format, ...) {
  out.clear();
  if (!format) return -1;
  // Numbers go to files and messages alike: always a decimal point,
  // whatever locale the GUI toolkit has set for the process.
  static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  const locale_t previous = cLocale ? ::uselocale(cLocale) : static_cast<locale_t>(nullptr);
  struct Restore {
    locale_t loc;
    ~Restore() {
      if (loc) ::uselocale(loc);
    }
  } restore{previous};
  char small[512];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) {
    va_end(again);
    return -1;
  }
  if (static_cast<std::size_t>(n) < sizeof small) {
    out.assign(small, static_cast<std::size_t>(n));
  } else {
    out.resize(static_cast<std::size_t>(n));
    std::vsnprintf(out.data(), static_cast<std::size_t>(n) + 1, format, again);
  }
  va_end(again);
  return n;
}

// --- CFilePath ------------------------------------------------------------------------

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

CFilePath::CFilePath(const char* directory, const char* name) {
  std::string text;
  if (directory) {
    text = directory;
    // An empty directory means "no directory": the name stays relative.
    if (!text.empty() && !IsSeparator(text.back())) text += '/';
  }
  if (name) text += name;
  SetPath(text.c_str());
}

void CFilePath::SetPath(const char* path) {
  m_path.clear();
  m_drive.clear();
  m_dir.clear();
  m_name.clear();
  m_ext.clear();
  if (!path || !*path) return;
  m_path = path;

  std::string_view rest(m_path);
  if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
    m_drive.assign(rest.substr(0, 2));
    rest.remove_prefix(2);
  }
  const auto lastSep = rest.find_last_of("/\\");
  if (lastSep != std::string_view::npos) {
    m_dir.assign(rest.substr(0, lastSep + 1));
    rest.remove_prefix(lastSep + 1);
  }
  const auto dot = rest.find_last_of('.');
  if (dot != std::string_view::npos) {
    m_ext.assign(rest.substr(dot));
    rest = rest.substr(0, dot);
  }
  m_name.assign(rest);
}

const std::string& CFilePath::GetPath() {
  m_path = m_drive;
  m_path += m_dir;
  // Parts always come from a split, so a non-empty directory already ends in
  // its separator; the check only guards against a hand-made one.
  if (!m_dir.empty() && !IsSeparator(m_dir.back())) m_path += '/';
  m_path += m_name;
  if (!m_ext.empty()) {
    if (m_ext.front() != '.') m_path += '.';
    m_path += m_ext;
  }
  return m_path;
}

const std::string& CFilePath::GetDirectory() {
  m_path = m_drive;
  m_path += m_dir;
  return m_path;
}

const std::string& CFilePath::GetFileName(bool withExtension) {
  m_path = m_name;
  if (withExtension) m_path += m_ext;
  return m_path;
}

bool CFilePath::Exists() {
  const std::string full = GetPath();
  if (full.empty()) return false;
  const std::string dir = m_drive + m_dir;
  const std::string pattern = m_name + m_ext;
  struct stat st {};
  if (pattern.empty()) return ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  if (pattern.find_first_of("*?[") == std::string::npos) return ::lstat(full.c_str(), &st) == 0;

  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  bool found = false;
  while (const dirent* e = ::readdir(d)) {
    if (::fnmatch(pattern.c_str(), e->d_name, FNM_NOESCAPE) == 0) {
      found = true;
      break;
    }
  }
  ::closedir(d);
  return found;
}

// --- CStatusProgress ---------------------------------------------------------------------

CStatusProgress::CStatusProgress() {
  IHost& s = Host();
  if (!s.HasProgressBar()) return;
  m_host = &s;
  m_host->ProgressBegin();
}

CStatusProgress::~CStatusProgress() {
  if (m_host) m_host->ProgressEnd();
}

std::int64_t CStatusProgress::Clamp(std::int64_t position) const {
  const std::int64_t lo = std::min(m_low, m_high), hi = std::max(m_low, m_high);
  return std::clamp(position, lo, hi);
}

void CStatusProgress::Move(std::int64_t position) {
  position = Clamp(position);
  if (position == m_pos) return;
  m_pos = position;
  m_host->ProgressPos(m_pos);
}

int CStatusProgress::SetRange(std::int64_t low, std::int64_t high) {
  if (!m_host) return 0;
  m_low = low;
  m_high = high;
  m_host->ProgressRange(low, high);
  Move(m_pos);
  return 1;
}

std::int64_t CStatusProgress::SetPos(std::int64_t position) {
  if (!m_host) return 0;
  const std::int64_t previous = m_pos;
  Move(position);
  return previous;
}

std::int64_t CStatusProgress::SetStep(std::int64_t step) {
  if (!m_host) return 0;
  const std::int64_t previous = m_step;
  m_step = step;
  return previous;
}

std::int64_t CStatusProgress::StepIt() {
  if (!m_host) return 0;
  const std::int64_t previous = m_pos;
  Move(m_pos + m_step);
  return previous;
}

// --- Point keys and spiral ---------------------------------------------------------------

int ComparePointKeys(const void* a, const void* b) {
  std::int64_t ka, kb;
  std::memcpy(&ka, a, sizeof ka);
  std::memcpy(&kb, b, sizeof kb);
  // Compared directly: a difference of two keys can overflow.
  return ka < kb ? -1 : (ka > kb ? 1 : 0);
}

int BuildSpiralOffsets(POINT centre, int n, POINT* out) {
  if (n <= 0) return 0;
  const int half = n / 2;
  const int cx = centre.x, cy = centre.y;
  *out++ = centre;
  for (int r = 1; r <= half; ++r) {
    for (int k = 0; k < 2 * r; ++k) {
      *out++ = POINT{cx - r + k, cy - r};
      *out++ = POINT{cx + r, cy - r + k};
      *out++ = POINT{cx + r - k, cy + r};
      *out++ = POINT{cx - r, cy + r - k};
    }
  }
  return 1;
}

int BuildSpiralOffsets(POINT centre, int n, std::vector<POINT>& out) {
  out.clear();
  if (n <= 0) return 0;
  const std::size_t side = 2 * static_cast<std::size_t>(n / 2) + 1;
  out.resize(side * side);
  return BuildSpiralOffsets(centre, n, out.data());
}

std::string OneLineText(std::string text) {
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

}  // namespace qzn
