// A file written in full or not at all: the bytes go to a temporary file
// beside the target, which replaces the target only when Commit() succeeds
// (flush, fsync, rename, fsync of the folder). Abort(), a failed Commit() or
// destruction without Commit() removes the temporary file and leaves the
// target as it was. The object archive and the text file writer use it; any
// other writer that must not leave half a file behind can too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qzn {

class CAtomicFile {
 public:
  CAtomicFile() = default;
  ~CAtomicFile();
  CAtomicFile(const CAtomicFile&) = delete;
  CAtomicFile& operator=(const CAtomicFile&) = delete;

  // Creates the temporary file. A target that is a symbolic link is followed,
  // so the file it points to is replaced, not the link. The new file gets the
  // permissions of the file it replaces, or 0666 less the umask. False, with
  // ErrorText() set, when the temporary file cannot be created or the target
  // exists but is not a regular file (a folder, a device, a pipe).
  bool Open(const std::string& target);
  bool IsOpen() const { return m_fd >= 0; }

  // Buffered; false (and Failed() from then on) on a write error. The disk
  // write of what has been written is started every few megabytes, without
  // waiting for it, so Finish's sync has only the rest to wait for.
  bool Write(const void* data, std::size_t n);
  // Writes out and syncs every byte but leaves the temporary file beside the
  // target: a writer of several files finishes them all before it commits
  // any, so a full disk cannot leave some of them new and some old. False
  // on any error (the temporary file is then removed).
  bool Finish();
  // Finishes the file (when Finish has not) and puts it in place; false on
  // any error, the target then untouched.
  bool Commit();
  void Abort();

  bool Failed() const { return m_failed; }
  const std::string& ErrorText() const { return m_error; }
  const std::string& TargetPath() const { return m_target; }
  const std::string& TempPath() const { return m_temp; }

 private:
  bool Flush();
  bool WriteOut(const char* p, std::size_t n);
  void Fail(const std::string& what, int err);

  int m_fd = -1;
  bool m_failed = false;
  bool m_finished = false;  // written and synced, waiting for the rename
  std::string m_target;
  std::string m_temp;
  std::string m_error;
  std::vector<char> m_buf;
  std::int64_t m_written = 0;  // bytes handed to the system so far
  std::int64_t m_queued = 0;   // of which the disk write has been started
};

}  // namespace qzn
