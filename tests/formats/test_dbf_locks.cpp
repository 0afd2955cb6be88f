// Byte-range locks between two processes: record, append-position and
// whole-file locks, waiting and not, and locks that survive another
// descriptor of the same file being closed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "formats/dbf.h"
#include "tests/formats/dbf_test_util.h"

namespace {

using namespace qzn;
using qzntest::DbfTest;
using qzntest::Field;

// A forked process running fn with a two-way byte channel to the test. The
// child never returns into the test framework: its result is its exit code.
class Child {
 public:
  explicit Child(const std::function<int(Child&)>& fn) {
    if (::pipe(m_toChild) != 0 || ::pipe(m_toParent) != 0) throw std::runtime_error("pipe");
    m_pid = ::fork();
    if (m_pid == 0) {
      ::close(m_toChild[1]);
      ::close(m_toParent[0]);
      m_in = m_toChild[0];
      m_out = m_toParent[1];
      ::_exit(fn(*this));
    }
    ::close(m_toChild[0]);
    ::close(m_toParent[1]);
    m_in = m_toParent[0];
    m_out = m_toChild[1];
  }
  ~Child() {
    if (m_pid > 0) Join();
  }
  void Send(char c) { EXPECT_EQ(::write(m_out, &c, 1), 1); }
  char Receive() {
    char c = 0;
    return ::read(m_in, &c, 1) == 1 ? c : '\0';
  }
  // The child's exit code (-1 when it did not exit normally).
  int Join() {
    int status = 0;
    ::close(m_out);
    ::waitpid(m_pid, &status, 0);
    ::close(m_in);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t m_pid = -1;
  int m_toChild[2], m_toParent[2];
  int m_in = -1, m_out = -1;
};

class DbfLocks : public DbfTest {
 protected:
  void SetUp() override {
    DbfTest::SetUp();
    path = dir.file("shared.dbf");
    ASSERT_GE(Create(path, {Field("NAME", 'C', 8)}), 0);
    for (const char* name : {"one", "two", "three"}) AppendRow({name});
    ASSERT_EQ(DbfClose(), 0);
  }
  std::string Name(std::int64_t record) {
    EXPECT_EQ(DbfGoRecord(record), 0);
    std::string s = DbfFieldText(DbfFieldByNumber(1));
    return s.substr(0, s.find(' '));
  }
  std::string path;
};

TEST_F(DbfLocks, RecordLockIsRefusedOrAwaited) {
  Child child([&](Child& c) {
    if (DbfOpen(path) < 0 || DbfLock(2, 1) != 0) return 1;
    c.Send('L');
    if (c.Receive() != 'G') return 2;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // Changed before the lock goes: a waiting writer sees the change.
    DbfBlankRecord();
    DbfFieldReplace(DbfFieldByNumber(1), "child");
    if (DbfWriteRecord(2) != 0) return 3;
    return DbfClose() == 0 ? 0 : 4;
  });
  ASSERT_EQ(child.Receive(), 'L');
  ASSERT_GE(DbfOpen(path), 0);
  EXPECT_EQ(DbfLock(2, 0), -2);
  EXPECT_EQ(DbfLock(3, 0), 0);    // another record
  EXPECT_EQ(DbfLock(0, 0), 0);    // the append position
  EXPECT_EQ(DbfLock(-1, 0), -2);  // the whole file holds record 2 as well
  // Reading without read locks does not wait.
  EXPECT_EQ(DbfSetLockMode(0), 1);
  EXPECT_EQ(Name(2), "two");
  EXPECT_EQ(DbfSetLockMode(1), 0);
  EXPECT_EQ(DbfSetLockMode(3), -1);
  child.Send('G');
  EXPECT_EQ(DbfLock(2, 1), 0);  // sleeps until the child lets go
  EXPECT_EQ(Name(2), "child");
  EXPECT_EQ(child.Join(), 0);
  EXPECT_TRUE(Codes().empty()) << LastMessage();
}

TEST_F(DbfLocks, AppendsOfTwoProcessesNeverOverlap) {
  Child child([&](Child& c) {
    if (DbfOpen(path) < 0 || DbfLock(0, 1) != 0) return 1;
    c.Send('L');
    if (c.Receive() != 'G') return 2;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (const char* name : {"c1", "c2"}) {
      DbfBlankRecord();
      DbfFieldReplace(DbfFieldByNumber(1), name);
      if (DbfWriteRecord(0) != 0) return 3;
    }
    return DbfClose() == 0 ? 0 : 4;
  });
  ASSERT_EQ(child.Receive(), 'L');
  ASSERT_GE(DbfOpen(path), 0);
  EXPECT_EQ(DbfLock(0, 0), -2);
  EXPECT_EQ(DbfRecordCount(), 3);
  child.Send('G');
  // The append waits for the position and counts the records after it has it.
  AppendRow({"parent"});
  EXPECT_EQ(DbfRecordNumber(), 6);
  EXPECT_EQ(child.Join(), 0);
  EXPECT_EQ(Name(4), "c1");
  EXPECT_EQ(Name(5), "c2");
  EXPECT_EQ(Name(6), "parent");
  ASSERT_EQ(DbfClose(), 0);
  ASSERT_GE(DbfOpen(path), 0);
  EXPECT_EQ(DbfRecordCount(), 6);
  const std::vector<std::uint8_t> bytes = qzntest::ReadFileBytes(path);
  EXPECT_EQ(bytes[4], 6);  // the header's count
  EXPECT_EQ(bytes.back(), 26);
}

TEST_F(DbfLocks, ExclusiveOpenHoldsTheWholeFile) {
  Child child([&](Child& c) {
    if (DbfOpenExclusive(path) < 0) return 1;
    c.Send('L');
    if (c.Receive() != 'G') return 2;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return DbfClose() == 0 ? 0 : 3;
  });
  ASSERT_EQ(child.Receive(), 'L');
  ASSERT_GE(DbfOpen(path), 0);
  EXPECT_EQ(DbfLock(1, 0), -2);
  EXPECT_EQ(DbfLock(0, 0), -2);
  EXPECT_EQ(DbfLock(-1, 0), -2);
  child.Send('G');
  EXPECT_EQ(DbfLock(-1, 1), 0);
  EXPECT_EQ(child.Join(), 0);
  // Holding the whole file covers every record and the append position.
  EXPECT_EQ(Name(3), "three");
  AppendRow({"four"});
  EXPECT_EQ(DbfUnlock(-1), 0);
}

TEST_F(DbfLocks, ClosingAnotherDescriptorOfTheFileKeepsTheLocks) {
  ASSERT_GE(DbfOpen(path), 0);
  ASSERT_EQ(DbfLock(2, 1), 0);
  ASSERT_EQ(DbfLock(0, 1), 0);
  // The same file opened and closed again, by the engine and directly.
  const std::string other = dir.file("./shared.dbf");
  EXPECT_EQ(DbfOpen(other), DbfSelect(-1));
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ::close(fd);
  // The other process probes with a descriptor of its own: it inherited
  // this one, and with it the locks' owner.
  auto probe = [&](std::int64_t at) {
    const int own = ::open(path.c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 1000000000 + at;
    fl.l_len = 1;
    const int r = ::fcntl(own, F_OFD_SETLK, &fl);
    ::close(own);
    return r == 0;
  };
  Child child([&](Child&) { return !probe(2) && !probe(0) && probe(1) ? 0 : 1; });
  EXPECT_EQ(child.Join(), 0);
  // Released, the locks are free for the other process.
  EXPECT_EQ(DbfUnlock(-1), 0);
  Child after([&](Child&) { return probe(2) && probe(0) ? 0 : 1; });
  EXPECT_EQ(after.Join(), 0);
}

}  // namespace
