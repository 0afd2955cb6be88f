// Helpers shared by the tests: scratch directories, fixture paths, and running
// the independent tools (GDAL, Python with numpy/Pillow, ...) used as oracles.
#pragma once

#include <filesystem>
#include <string>
#include <vector>
#include <cstdint>

namespace qzntest {

// A fresh directory under the build tree, removed when the object dies.
// With Reach::everyone it lies where every user of the machine can reach
// it, for a test that runs part of itself as another user: the build tree
// may lie under a folder only its owner may enter (root's home, a folder
// made by mktemp -d).
class TempDir {
 public:
  enum class Reach { owner, everyone };
  explicit TempDir(Reach reach = Reach::owner);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return m_path; }
  std::string file(const std::string& name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

std::string SourcePath(const std::string& relative);  // path inside the source tree

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteFileText(const std::string& path, const std::string& text);
std::string ReadFileText(const std::string& path);

// Runs a command through /bin/sh; returns its exit status and, when out is
// given, its standard output.
int RunCommand(const std::string& command, std::string* out = nullptr);
// True when the program can be found on PATH.
bool HaveProgram(const std::string& name);
// The Python interpreter that carries Debian's packages (numpy, GDAL, pyproj,
// ...). The first python3 on PATH may be a private interpreter without them,
// so /usr/bin/python3 is preferred when it exists.
const std::string& Python();
// True when Python() can import every listed module.
bool HavePythonModules(const std::vector<std::string>& modules);

// Holds the address space of this process to what it uses now plus headroom
// bytes, for tests of memory that runs out (run them in a child process:
// EXPECT_EXIT). False when the limit cannot be set.
bool LimitAddressSpace(std::size_t headroom);

// "de ad be ef" style hex for byte-exact comparisons in failure messages.
std::string Hex(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> FromHex(const std::string& hex);

}  // namespace qzntest

namespace qzntest {
// True when the tests run under CI (CI=true), where every oracle is installed
// by the setup script: a missing one is then a broken install, not a reason
// to skip.
bool UnderCi();
}  // namespace qzntest

// Skips the current test when an oracle is missing on a developer's machine;
// under CI the test fails instead, so a broken install cannot turn checks
// into skips.
#define QZN_REQUIRE_ORACLE(available, what)                                 \
  if (!(available)) {                                                       \
    if (qzntest::UnderCi()) GTEST_FAIL() << what << " is missing under CI"; \
    GTEST_SKIP() << what << " is not installed";                            \
  }

#define QZN_REQUIRE_PROGRAM(name) QZN_REQUIRE_ORACLE(qzntest::HaveProgram(name), name)

// The same for Python modules: QZN_REQUIRE_PYTHON_MODULES("numpy", "stl").
#define QZN_REQUIRE_PYTHON_MODULES(...) \
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({__VA_ARGS__}), "Python modules " #__VA_ARGS__)
