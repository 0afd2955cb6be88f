#include "platform/profile.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/atomicfile.h"

namespace qzn {

namespace {

CProfileStore* g_profile = nullptr;

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char n = s[++i];
    out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
  }
  return out;
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

}  // namespace

CProfileStore* Profile() { return g_profile; }
void SetProfile(CProfileStore* profile) { g_profile = profile; }

std::string Base64Encode(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::uint32_t b0 = bytes[i];
    const std::uint32_t b1 = i + 1 < bytes.size() ? bytes[i + 1] : 0;
    const std::uint32_t b2 = i + 2 < bytes.size() ? bytes[i + 2] : 0;
    const std::uint32_t v = b0 << 16 | b1 << 8 | b2;
    out += kAlphabet[v >> 18 & 63];
    out += kAlphabet[v >> 12 & 63];
    out += i + 1 < bytes.size() ? kAlphabet[v >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[v & 63] : '=';
  }
  return out;
}

bool Base64Decode(const std::string& text, std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> bytes;
  if (text.size() % 4 != 0) return false;
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int v[4];
    int pad = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text[i + static_cast<std::size_t>(k)];
      if (c == '=' && last && k >= 2) {
        v[k] = 0;
        ++pad;
        continue;
      }
      if (pad) return false;  // data after padding
      v[k] = value(c);
      if (v[k] < 0) return false;
    }
    const std::uint32_t w = static_cast<std::uint32_t>(v[0] << 18 | v[1] << 12 | v[2] << 6 | v[3]);
    bytes.push_back(static_cast<std::uint8_t>(w >> 16));
    if (pad < 2) bytes.push_back(static_cast<std::uint8_t>(w >> 8 & 0xFF));
    if (pad < 1) bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
  }
  out = std::move(bytes);
  return true;
}

std::string CProfileStore::DefaultPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && *xdg == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : ".") + "/.config";
  }
  return base + "/qzn/qzn.ini";
}

CProfileStore::CProfileStore(std::string path) : m_path(std::move(path)) {
  std::ifstream in(m_path, std::ios::binary);
  std::string line, section;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;  // damaged: skipped
    m_sections[section][Trim(line.substr(0, eq))] = line.substr(eq + 1);
  }
}

std::string CProfileStore::GetString(const std::string& section, const std::string& entry,
                                     const std::string& fallback) const {
  auto s = m_sections.find(section);
  if (s == m_sections.end()) return fallback;
  auto e = s->second.find(entry);
  return e == s->second.end() ? fallback : Unescape(e->second);
}

int CProfileStore::GetInt(const std::string& section, const std::string& entry, int fallback) const {
  const std::string v = GetString(section, entry, {});
  if (v.empty()) return fallback;
  errno = 0;
  char* end = nullptr;
  const long n = std::strtol(v.c_str(), &end, 10);
  if (errno || *end || n < INT32_MIN || n > INT32_MAX) return fallback;
  return static_cast<int>(n);
}

bool CProfileStore::GetBinary(const std::string& section, const std::string& entry,
                              std::vector<std::uint8_t>& out) const {
  auto s = m_sections.find(section);
  if (s == m_sections.end()) return false;
  auto e = s->second.find(entry);
  return e != s->second.end() && Base64Decode(e->second, out);
}

bool CProfileStore::WriteString(const std::string& section, const std::string& entry, const std::string& value) {
  m_sections[section][entry] = Escape(value);
  return Save();
}

bool CProfileStore::WriteInt(const std::string& section, const std::string& entry, int value) {
  m_sections[section][entry] = std::to_string(value);
  return Save();
}

bool CProfileStore::WriteBinary(const std::string& section, const std::string& entry,
                                const std::vector<std::uint8_t>& value) {
  m_sections[section][entry] = Base64Encode(value);
  return Save();
}

bool CProfileStore::Remove(const std::string& section, const std::string& entry) {
  auto s = m_sections.find(section);
  if (s == m_sections.end() || !s->second.erase(entry)) return true;
  return Save();
}

bool CProfileStore::Save() const {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ec);
  std::ostringstream text;
  for (const auto& [name, entries] : m_sections) {
    text << '[' << name << "]\n";
    for (const auto& [key, value] : entries) text << key << '=' << value << '\n';
    text << '\n';
  }
  const std::string bytes = text.str();
  CAtomicFile file;
  return file.Open(m_path) && file.Write(bytes.data(), bytes.size()) && file.Commit();
}

}  // namespace qzn
