#include "platform/atomicfile.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace qzn {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;
// Written bytes are sent on to the disk in steps of this size while the
// file is still being written, so the sync at the end waits only for the
// last step rather than for the whole file.
constexpr std::int64_t kWritebackStep = 4 * 1024 * 1024;

bool WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

std::string TempSuffix() {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937_64 rng{std::random_device{}() ^ (static_cast<std::uint64_t>(::getpid()) << 32)};
  char buf[64];
  std::snprintf(buf, sizeof buf, ".tmp-%d-%u-%08llx", static_cast<int>(::getpid()), counter++,
                static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
  return buf;
}

}  // namespace

CAtomicFile::~CAtomicFile() { Abort(); }

void CAtomicFile::Fail(const std::string& what, int err) {
  if (!m_failed) {
    m_failed = true;
    m_error = what + (err ? std::string(": ") + std::strerror(err) : std::string());
  }
}

bool CAtomicFile::Open(const std::string& target) {
  Abort();
  m_failed = false;
  m_error.clear();
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path t(target);
  if (t.empty() || !t.has_filename()) {
    Fail("cannot write to '" + target + "': not a file name", 0);
    return false;
  }
  // Follow a symbolic link to the file it names.
  if (fs::is_symlink(fs::symlink_status(t, ec))) {
    fs::path real = fs::canonical(t, ec);
    if (!ec) t = real;
  }
  m_target = t.string();

  struct stat st {};
  bool haveOld = ::stat(m_target.c_str(), &st) == 0;
  if (haveOld && !S_ISREG(st.st_mode)) {
    // A rename would put a plain file in place of a folder, a device or a pipe.
    Fail("cannot write to '" + target + "': not a regular file", S_ISDIR(st.st_mode) ? EISDIR : 0);
    return false;
  }

  fs::path dir = t.parent_path();
  std::string base = t.filename().string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path tmp = dir / ("." + base + TempSuffix());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      Fail("cannot create a temporary file beside '" + target + "'", errno);
      return false;
    }
    if (haveOld) (void)::fchmod(fd, st.st_mode & 07777);
    m_fd = fd;
    m_temp = tmp.string();
    m_written = m_queued = 0;
    m_buf.clear();
    m_buf.reserve(kBufferSize);
    return true;
  }
  Fail("cannot create a temporary file beside '" + target + "'", EEXIST);
  return false;
}

bool CAtomicFile::WriteOut(const char* p, std::size_t n) {
  if (!WriteAll(m_fd, p, n)) {
    Fail("cannot write '" + m_target + "'", errno);
    return false;
  }
  m_written += static_cast<std::int64_t>(n);
  if (m_written - m_queued >= kWritebackStep) {
    // Only starts the disk write and does not wait for it; the fsync in
    // Finish still decides whether the file is safe. Where the system
    // cannot do this, the fsync simply has more to write.
    (void)::sync_file_range(m_fd, m_queued, m_written - m_queued, SYNC_FILE_RANGE_WRITE);
    m_queued = m_written;
  }
  return true;
}

bool CAtomicFile::Flush() {
  if (m_fd < 0 || m_failed) return false;
  if (!m_buf.empty()) {
    if (!WriteOut(m_buf.data(), m_buf.size())) return false;
    m_buf.clear();
  }
  return true;
}

bool CAtomicFile::Write(const void* data, std::size_t n) {
  if (m_fd < 0) {
    Fail("the file is not open", 0);
    return false;
  }
  if (m_failed) return false;
  const char* p = static_cast<const char*>(data);
  if (m_buf.size() + n <= kBufferSize) {
    m_buf.insert(m_buf.end(), p, p + n);
    return true;
  }
  if (!Flush()) return false;
  if (n >= kBufferSize) return WriteOut(p, n);
  m_buf.insert(m_buf.end(), p, p + n);
  return true;
}

bool CAtomicFile::Finish() {
  if (m_finished) return true;
  if (m_fd < 0) {
    Fail("the file is not open", 0);
    return false;
  }
  bool ok = Flush();
  if (ok && ::fsync(m_fd) != 0) {
    Fail("cannot write '" + m_target + "' to disk", errno);
    ok = false;
  }
  int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0 && ok) {
    Fail("cannot write '" + m_target + "'", errno);
    ok = false;
  }
  if (!ok) {
    ::unlink(m_temp.c_str());
    m_temp.clear();
    return false;
  }
  m_finished = true;
  return true;
}

bool CAtomicFile::Commit() {
  if (!Finish()) return false;
  m_finished = false;
  if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
    Fail("cannot replace '" + m_target + "'", errno);
    ::unlink(m_temp.c_str());
    m_temp.clear();
    return false;
  }
  m_temp.clear();
  // Make the rename itself durable; a failure here no longer loses data.
  std::string dir = std::filesystem::path(m_target).parent_path().string();
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

void CAtomicFile::Abort() {
  m_finished = false;
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
  if (!m_temp.empty()) {
    ::unlink(m_temp.c_str());
    m_temp.clear();
  }
  m_buf.clear();
  m_buf.shrink_to_fit();
}

}  // namespace qzn
