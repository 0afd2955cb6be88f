#include "tests/support/testutil.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace qzntest {

namespace {

// Whether every user may pass through the folder and each folder above it.
bool EveryoneCanEnter(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(folder, ec);
  if (ec) return false;
  for (;; p = p.parent_path()) {
    const auto status = std::filesystem::status(p, ec);
    if (ec || !std::filesystem::is_directory(status) ||
        (status.permissions() & std::filesystem::perms::others_exec) == std::filesystem::perms::none)
      return false;
    if (p == p.root_path()) return true;
  }
}

// Where a scratch folder for everyone goes: the build tree when every user
// can enter it, else the system's temporary folder or one of the usual
// shared ones.
std::filesystem::path SharedScratchRoot() {
  std::error_code ec;
  const std::filesystem::path build = std::filesystem::path(QZN_BINARY_DIR) / "test-tmp";
  std::filesystem::create_directories(build, ec);
  std::vector<std::filesystem::path> candidates = {build};
  const std::filesystem::path system = std::filesystem::temp_directory_path(ec);
  if (!ec) candidates.push_back(system);
  for (const char* shared : {"/tmp", "/var/tmp", "/dev/shm"}) candidates.emplace_back(shared);
  for (const std::filesystem::path& c : candidates)
    if (EveryoneCanEnter(c)) return c;
  return candidates.front();
}

}  // namespace

TempDir::TempDir(Reach reach) {
  static std::atomic<int> counter{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "tmp";
  for (char& c : name)
    if (c == '/') c = '_';
  if (reach == Reach::everyone) {
    // A folder of a name no one can take first, open to every user.
    std::string pattern = (SharedScratchRoot() / ("qzn-" + name + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data())) {
      m_path = pattern;
      std::filesystem::permissions(m_path, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                               std::filesystem::perms::group_exec |
                                               std::filesystem::perms::others_read |
                                               std::filesystem::perms::others_exec);
      return;
    }
  }
  m_path = std::filesystem::path(QZN_BINARY_DIR) / "test-tmp" /
           (name + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(m_path);
  std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

std::string SourcePath(const std::string& relative) {
  return (std::filesystem::path(QZN_SOURCE_DIR) / relative).string();
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
}

std::string ReadFileText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

int RunCommand(const std::string& command, std::string* out) {
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return -1;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
    if (out) out->append(buf.data(), n);
  int status = ::pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool UnderCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

bool HaveProgram(const std::string& name) { return RunCommand("command -v '" + name + "' >/dev/null 2>&1") == 0; }

const std::string& Python() {
  static const std::string python =
      std::filesystem::exists("/usr/bin/python3") ? std::string("/usr/bin/python3") : std::string("python3");
  return python;
}

bool HavePythonModules(const std::vector<std::string>& modules) {
  std::string cmd = Python() + " -c 'import sys";
  for (const auto& m : modules) cmd += "; import " + m;
  cmd += "' >/dev/null 2>&1";
  return RunCommand(cmd) == 0;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string s;
  char b[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(b, sizeof b, "%02x", bytes[i]);
    if (i) s += ' ';
    s += b;
  }
  return s;
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
  std::vector<std::uint8_t> out;
  int hi = -1;
  for (char c : hex) {
    int v;
    if (c >= '0' && c <= '9')
      v = c - '0';
    else if (c >= 'a' && c <= 'f')
      v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      v = c - 'A' + 10;
    else
      continue;
    if (hi < 0)
      hi = v;
    else {
      out.push_back(static_cast<std::uint8_t>(hi * 16 + v));
      hi = -1;
    }
  }
  return out;
}

bool LimitAddressSpace(std::size_t headroom) {
  long pages = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  if (pages <= 0) return false;
  const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + headroom;
  struct rlimit rl {
    limit, limit
  };
  return ::setrlimit(RLIMIT_AS, &rl) == 0;
}

}  // namespace qzntest
