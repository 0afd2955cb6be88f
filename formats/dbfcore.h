// Inside the table engine: the open tables and the process-wide state that
// the table, expression and index sources share. Not for other callers.
#pragma once

#include <sys/types.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "formats/dbf.h"

namespace qzn::dbf {

// Byte-range lock positions, far beyond any data a table holds.
constexpr std::int64_t kLockBase = 1000000000;
constexpr std::int64_t kLockWholeLength = 1000000000;

// Slots threaded by a free list; a slot's number stays the same while it is
// in use. The pool starts with a given number of slots and grows by 5.
template <class T>
class SlotPool {
 public:
  void Reserve(int count) { m_initial = count > 0 ? count : 1; }
  // The number of a new slot, or -1 when the pool is at its limit. Throws
  // std::bad_alloc when memory runs out (nothing changed then).
  int Allocate(int limit) {
    if (m_free.empty()) {
      const int have = static_cast<int>(m_slots.size());
      const int grow = have == 0 ? m_initial : 5;
      const int want = std::min(have + grow, limit);
      if (want <= have) return -1;
      m_slots.reserve(static_cast<std::size_t>(want));
      m_free.reserve(static_cast<std::size_t>(want));
      for (int i = have; i < want; ++i) m_slots.emplace_back();
      for (int i = want - 1; i >= have; --i) m_free.push_back(i);  // lowest number first
    }
    auto item = std::make_unique<T>();
    const int n = m_free.back();
    m_slots[static_cast<std::size_t>(n)] = std::move(item);
    m_free.pop_back();
    return n;
  }
  void Free(int n) {
    if (!Get(n)) return;
    m_slots[static_cast<std::size_t>(n)].reset();
    m_free.push_back(n);  // the vector's capacity covers every slot: no allocation
  }
  T* Get(int n) const {
    if (n < 0 || n >= static_cast<int>(m_slots.size())) return nullptr;
    return m_slots[static_cast<std::size_t>(n)].get();
  }
  int Size() const { return static_cast<int>(m_slots.size()); }

 private:
  std::vector<std::unique_ptr<T>> m_slots;
  std::vector<int> m_free;
  int m_initial = 10;
};

// A run of consecutive records held in memory.
struct RecordBuffer {
  std::int64_t first = 0;  // 0: holds nothing
  std::int64_t last = -1;
  bool changed = false;
  std::vector<char> bytes;
};

struct Table {
  int number = -1;           // the table number (slot)
  int next = -1, prev = -1;  // the open-table list
  std::string name;          // the path as opened, for messages
  dev_t device = 0;
  ino_t inode = 0;
  int fd = -1;
  std::int64_t lockedRecord = 0;  // 0: none
  int fileLock = -1;              // -1 unlocked, 0 append position, 1 whole file
  std::int64_t recno = 1;
  bool eof = true, bof = false, changed = false;
  bool written = false;  // this process changed the file: the header is updated on close
  int recordLength = 1;
  int headerLength = 0;
  // old record (recordLength bytes), current record (recordLength bytes), NUL
  std::vector<char> records;
  std::vector<DbfField> fields;
  int firstIndex = -1, selectedIndex = -1;
  int memoFd = -1;
  int recordsPerBuffer = 0;
  bool writeBehind = false;
  std::vector<RecordBuffer> buffers;
  unsigned char header[12] = {};
  std::int64_t cachedCount = -1;

  char* Old() { return records.data(); }
  char* Current() { return records.data() + recordLength; }
};

struct State {
  bool initialised = false;
  SlotPool<Table> tables;
  int head = -1;     // most recently opened table
  int current = -1;  // current table
  int lastError = 0;
  int lockWait = 1;
  int readLockMode = 1;
  int indexSlots = 10;
  int blockSlots = 12;
  int expressionBytes = 3000;
  std::int64_t poolBytes = 64512;
  std::int64_t bufferBytesInUse = 0;  // write-behind buffer memory taken from the pool
};

State& Globals();
void EnsureInit();
Table* CurrentTable();  // null after reporting 240 when no table is current
Table* TableAt(int n);  // null when n is not open

// A file name without trailing blanks and NULs, with the extension (".DBF",
// ".NDX") added when its last component has none.
std::string NormaliseName(std::string_view name, const char* extension);

// Reads or writes n bytes at pos; returns the bytes done (fewer at the end
// of the file or on an error).
std::int64_t ReadAt(int fd, void* out, std::int64_t n, std::int64_t pos);
std::int64_t WriteAt(int fd, const void* data, std::int64_t n, std::int64_t pos);

// A write lock on a byte range of the file: 0 granted, -2 held elsewhere and
// wait not set, -1 after reporting 400. UnlockBytes: 0 or -1 after 450.
int LockBytes(int fd, std::int64_t start, std::int64_t length, bool wait);
int UnlockBytes(int fd, std::int64_t start, std::int64_t length);

// Reads record n of a table into out (recordLength bytes), through its
// buffers and its read lock. 0, or -1 after reporting.
int ReadRecord(Table& t, std::int64_t n, char* out);
std::int64_t RecordCount(Table& t);
// The open table on the file that path names (by device and inode), or -1.
int FindOpenTable(const std::string& path);
// The field of that name (ASCII letters in either case), or kDbfNoField.
DbfFieldRefT FindField(const Table& t, std::string_view name);

// Key upkeep of the table's open indexes before record n is written
// (append: n is the new record's number). 0; -3 when a unique index refused
// the new key (the keys already changed are put back); -1 after reporting.
int UpdateIndexes(Table& t, std::int64_t n, bool append);
// Closes the table's indexes; 0, or -1 when writing one back failed.
int CloseIndexes(Table& t);
// The first record in the selected index's order: 0 with the record, 3 when
// the index is empty, -1 after reporting.
int SelectedIndexTop(Table& t, std::int64_t& record);

// The number right-aligned in 10 characters, or 10 '*' when it does not fit.
std::string Number10(std::int64_t value);

// Runs an engine call, turning a failed allocation into error 900 and the
// given failure result.
template <class F, class R>
R Guarded(F&& f, R failure) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    DbfReportError(900);
    return failure;
  }
}

}  // namespace qzn::dbf
