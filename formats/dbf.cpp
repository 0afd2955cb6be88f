// The dBASE III table engine: creating, opening, reading, writing, appending
// and closing tables, byte-range locks and record buffers.
#include "formats/dbf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "formats/dbfcore.h"
#include "resources/messages_dbase.h"
#include "platform/atomicfile.h"

namespace qzn {

namespace dbf {

// Strips trailing blanks and NULs and adds the extension when the last
// component has none.
std::string NormaliseName(std::string_view name, const char* extension) {
  std::size_t end = name.size();
  while (end > 0 && (name[end - 1] == ' ' || name[end - 1] == '\0')) --end;
  std::string path(name.substr(0, end));
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  if (path.find('.', start) == std::string::npos) path += extension;
  return path;
}

// Reads or writes n bytes at pos; returns the bytes done (fewer at the end
// of the file or on an error, errno then set).
std::int64_t ReadAt(int fd, void* out, std::int64_t n, std::int64_t pos) {
  auto* p = static_cast<char*>(out);
  std::int64_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd, p + done, static_cast<std::size_t>(n - done), static_cast<off_t>(pos + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += r;
  }
  return done;
}

std::int64_t WriteAt(int fd, const void* data, std::int64_t n, std::int64_t pos) {
  const auto* p = static_cast<const char*>(data);
  std::int64_t done = 0;
  while (done < n) {
    const ssize_t w = ::pwrite(fd, p + done, static_cast<std::size_t>(n - done), static_cast<off_t>(pos + done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += w;
  }
  return done;
}

State& Globals() {
  static State state;
  return state;
}

void EnsureInit() {
  if (!Globals().initialised) DbfInit(10, 10, 12, 3000, 64512);
}

Table* TableAt(int n) { return Globals().tables.Get(n); }

Table* CurrentTable() {
  Table* t = TableAt(Globals().current);
  if (!t) DbfReportError(240);
  return t;
}

}  // namespace dbf

using namespace dbf;

namespace {

// Table numbers live in the high 16 bits of a field reference.
constexpr int kMaxTables = 32767;
constexpr unsigned char kEndOfFile = 26;
constexpr unsigned char kEndOfFields = 13;

// ---- names -------------------------------------------------------------

// The memo file of a table: the table's path with the extension DBT, in the
// case of the table's own extension.
std::string MemoName(const std::string& table) {
  const std::size_t slash = table.find_last_of("/\\");
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = table.rfind('.');
  const std::string stem = dot != std::string::npos && dot >= start ? table.substr(0, dot) : table;
  const std::string ext = dot != std::string::npos && dot >= start ? table.substr(dot + 1) : std::string();
  const bool lower = std::any_of(ext.begin(), ext.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  return stem + (lower ? ".dbt" : ".DBT");
}

// ---- raw file access ---------------------------------------------------

std::uint16_t Get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}
void Put32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

// Today's date as the header stores it: year - 1900, month, day.
void Today(unsigned char* out) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  out[0] = static_cast<unsigned char>(std::clamp(tm.tm_year, 0, 255));
  out[1] = static_cast<unsigned char>(tm.tm_mon + 1);
  out[2] = static_cast<unsigned char>(tm.tm_mday);
}

std::int64_t RecordPos(const Table& t, std::int64_t n) {
  return t.headerLength + (n - 1) * static_cast<std::int64_t>(t.recordLength);
}

std::string RecordText(const char* label, std::int64_t n) { return std::string(label) + Number10(n); }

// ---- locks ---------------------------------------------------------------

}  // namespace

namespace dbf {

// Open-file-description locks: they belong to this open of the file, so
// closing another descriptor of the same file elsewhere in the process keeps
// them, and another open (here or in another process) contends for them.
int LockBytes(int fd, std::int64_t start, std::int64_t length, bool wait) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(start);
  fl.l_len = static_cast<off_t>(length);
  if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return 0;
  int err = errno;
  if (err == EBADF) {
    // A table open for reading only takes a shared lock: it still waits for
    // a writer's lock and keeps writers out while it reads.
    fl.l_type = F_RDLCK;
    if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return 0;
    err = errno;
  }
  if (err == EAGAIN || err == EACCES) {
    if (!wait) return -2;
    // The blocking request sleeps until the holder lets go.
    const short type = fl.l_type;
    for (;;) {
      fl.l_type = type;
      if (::fcntl(fd, F_OFD_SETLKW, &fl) == 0) return 0;
      err = errno;
      if (err != EINTR) break;
    }
  }
  if (err == EINVAL) return 0;  // a file system without byte-range locks
  DbfReportError(400, {res::text::kDbfErrno, std::to_string(err)});
  return -1;
}

int UnlockBytes(int fd, std::int64_t start, std::int64_t length) {
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(start);
  fl.l_len = static_cast<off_t>(length);
  if (::fcntl(fd, F_OFD_SETLK, &fl) == 0 || errno == EINVAL) return 0;
  DbfReportError(450, {res::text::kDbfErrno, std::to_string(errno)});
  return -1;
}

}  // namespace dbf

namespace {

int LockRange(const Table& t, std::int64_t start, std::int64_t length, bool wait) {
  return LockBytes(t.fd, start, length, wait);
}

int UnlockRange(const Table& t, std::int64_t start, std::int64_t length) { return UnlockBytes(t.fd, start, length); }

int UnlockRecord(Table& t) {
  if (t.lockedRecord <= 0) return 0;
  const int r = UnlockRange(t, kLockBase + t.lockedRecord, 1);
  t.lockedRecord = 0;
  return r;
}

int UnlockAll(Table& t) {
  if (t.lockedRecord == 0 && t.fileLock < 0) return 0;
  t.lockedRecord = 0;
  t.fileLock = -1;
  t.cachedCount = -1;
  return UnlockRange(t, kLockBase, 0);  // to the end of every possible range
}

int LockTable(Table& t, std::int64_t record, bool wait) {
  if (record < 0) {
    if (t.fileLock == 1) return 0;
    // A lock of our own inside the range would be merged, not refused, but
    // the record and append locks end here as the whole file takes over.
    if (UnlockAll(t) < 0) return -1;
    const int r = LockRange(t, kLockBase, kLockWholeLength, wait);
    if (r == 0) t.fileLock = 1;
    return r;
  }
  if (record == 0) {
    if (t.fileLock >= 0) return 0;
    const int r = LockRange(t, kLockBase, 1, wait);
    if (r == 0) {
      t.fileLock = 0;
      t.cachedCount = -1;
    }
    return r;
  }
  if (t.fileLock == 1 || t.lockedRecord == record) return 0;
  if (UnlockRecord(t) < 0) return -1;
  const int r = LockRange(t, kLockBase + record, 1, wait);
  if (r == 0) t.lockedRecord = record;
  return r;
}

int UnlockTable(Table& t, std::int64_t record) {
  if (record < 0) return UnlockAll(t);
  if (record == 0) {
    if (t.fileLock != 0) return 0;
    t.fileLock = -1;
    t.cachedCount = -1;
    return UnlockRange(t, kLockBase, 1);
  }
  if (t.lockedRecord != record) return 0;
  return UnlockRecord(t);
}

// ---- record buffers ------------------------------------------------------

RecordBuffer& BufferOf(Table& t, std::int64_t n) {
  const std::int64_t run = n / t.recordsPerBuffer;
  return t.buffers[static_cast<std::size_t>(run % static_cast<std::int64_t>(t.buffers.size()))];
}

int WriteBackBuffer(Table& t, RecordBuffer& b) {
  if (!b.changed) return 0;
  const std::int64_t bytes = (b.last - b.first + 1) * t.recordLength;
  if (WriteAt(t.fd, b.bytes.data(), bytes, RecordPos(t, b.first)) != bytes) {
    DbfReportError(160, {res::text::kDbfBufferFile, t.name});
    return -1;
  }
  b.changed = false;
  t.written = true;
  return 0;
}

// Makes the buffer of record n hold n, reading its run of records from the
// file. 0, or -1 after reporting (a record past the end reports 140).
int LoadBuffer(Table& t, std::int64_t n, RecordBuffer*& out) {
  RecordBuffer& b = BufferOf(t, n);
  out = &b;
  if (b.first > 0 && b.first <= n && n <= b.last) return 0;
  if (WriteBackBuffer(t, b) < 0) return -1;
  const std::int64_t count = RecordCount(t);
  if (count < 0) return -1;
  const std::int64_t first = std::max<std::int64_t>(1, n / t.recordsPerBuffer * t.recordsPerBuffer);
  const std::int64_t last =
      std::min<std::int64_t>(n / t.recordsPerBuffer * t.recordsPerBuffer + t.recordsPerBuffer - 1, count);
  b.first = 0;
  b.last = -1;
  if (n > last) {
    DbfReportError(140, {t.name, RecordText(res::text::kDbfRecordLabel, n)});
    return -1;
  }
  const std::int64_t bytes = (last - first + 1) * t.recordLength;
  if (ReadAt(t.fd, b.bytes.data(), bytes, RecordPos(t, first)) != bytes) {
    DbfReportError(140, {t.name, RecordText(res::text::kDbfRecordLabel, n)});
    return -1;
  }
  b.first = first;
  b.last = last;
  return 0;
}

int FlushBuffers(Table& t) {
  int result = 0;
  for (RecordBuffer& b : t.buffers)
    if (WriteBackBuffer(t, b) < 0) result = -1;
  return result;
}

void DropBuffers(Table& t) {
  State& g = Globals();
  for (const RecordBuffer& b : t.buffers) g.bufferBytesInUse -= static_cast<std::int64_t>(b.bytes.size());
  t.buffers.clear();
  t.buffers.shrink_to_fit();
  t.recordsPerBuffer = 0;
  t.writeBehind = false;
}

// ---- records ---------------------------------------------------------------

// Writes the current record to record n, which exists. 0, -1 or -3.
int RewriteRecord(Table& t, std::int64_t n) {
  const std::int64_t count = RecordCount(t);
  if (count < 0) return -1;
  if (n > count) {
    // Writing past the end would leave a gap of undefined records.
    DbfReportError(160, {t.name, RecordText(res::text::kDbfRecordCountLabel, n)});
    return -1;
  }
  if (LockTable(t, n, Globals().lockWait != 0) != 0) return -1;
  const int keys = UpdateIndexes(t, n, false);
  if (keys < 0) return keys;
  if (!t.buffers.empty()) {
    RecordBuffer* b = nullptr;
    if (t.writeBehind) {
      if (LoadBuffer(t, n, b) < 0) return -1;
      std::memcpy(b->bytes.data() + (n - b->first) * t.recordLength, t.Current(), t.recordLength);
      b->changed = true;
      t.recno = n;
      t.eof = false;
      return 0;
    }
    b = &BufferOf(t, n);
    if (b->first > 0 && b->first <= n && n <= b->last)
      std::memcpy(b->bytes.data() + (n - b->first) * t.recordLength, t.Current(), t.recordLength);
  }
  t.written = true;
  if (WriteAt(t.fd, t.Current(), t.recordLength, RecordPos(t, n)) != t.recordLength) {
    DbfReportError(160, {t.name, RecordText(res::text::kDbfRecordCountLabel, n)});
    return -1;
  }
  t.recno = n;
  t.eof = false;
  return 0;
}

// Appends the current record after the last whole record, with the end
// marker after it. 0, -1 or -3.
int AppendRecord(Table& t) {
  if (t.fileLock < 0) {
    if (UnlockRecord(t) < 0) return -1;
    if (LockTable(t, 0, Globals().lockWait != 0) != 0) return -1;
  }
  const std::int64_t count = RecordCount(t);
  if (count < 0) return -1;
  const std::int64_t n = count + 1;
  if (n > 0xFFFFFFFFLL) {  // the header's count is 32-bit
    DbfReportError(160, {t.name, RecordText(res::text::kDbfRecordCountLabel, n)});
    return -1;
  }
  const int keys = UpdateIndexes(t, n, true);
  if (keys < 0) return keys;
  // The byte after the current record (its NUL) carries the end marker for
  // the length of the write, so record and marker go out in one piece.
  char* cur = t.Current();
  cur[t.recordLength] = static_cast<char>(kEndOfFile);
  t.written = true;
  const std::int64_t done = WriteAt(t.fd, cur, t.recordLength + 1, RecordPos(t, n));
  cur[t.recordLength] = '\0';
  if (done != t.recordLength + 1) {
    t.cachedCount = -1;  // a partial record may now be there
    DbfReportError(160, {t.name, RecordText(res::text::kDbfRecordCountLabel, n)});
    return -1;
  }
  t.cachedCount = n;
  t.recno = n;
  t.eof = false;
  t.bof = false;
  if (!t.buffers.empty()) {
    // A buffer whose run reaches the new record takes it in.
    RecordBuffer& b = BufferOf(t, n);
    if (b.first > 0 && b.last == n - 1 && n - b.first < t.recordsPerBuffer) {
      std::memcpy(b.bytes.data() + (n - b.first) * t.recordLength, cur, t.recordLength);
      b.last = n;
    }
  }
  return 0;
}

int WriteBack(Table& t) {
  if (!t.changed) return 0;
  t.changed = false;
  if (t.eof) return 0;
  const int r = RewriteRecord(t, t.recno);
  return r < 0 ? -1 : 0;
}

void Blank(Table& t) { std::memset(t.Current(), ' ', static_cast<std::size_t>(t.recordLength)); }

int GoRecord(Table& t, std::int64_t n) {
  if (n <= 0) {
    Blank(t);
    return 1;
  }
  if (WriteBack(t) < 0) return -1;
  t.eof = false;
  t.bof = false;
  if (ReadRecord(t, n, t.Old()) < 0) return -1;
  std::memcpy(t.Current(), t.Old(), static_cast<std::size_t>(t.recordLength));
  t.recno = n;
  return 0;
}

int CloseTable(int number) {
  State& g = Globals();
  Table* t = TableAt(number);
  if (!t) return -1;
  int result = 0;
  if (WriteBack(*t) < 0) result = -1;
  if (FlushBuffers(*t) < 0) result = -1;
  DropBuffers(*t);
  if (CloseIndexes(*t) < 0) result = -1;
  if (t->memoFd >= 0) ::close(t->memoFd);
  if (t->written) {
    // The stored count is rewritten under the append lock, so no other
    // process is appending while it is taken from the file length.
    if (LockTable(*t, 0, true) != 0) result = -1;
    const std::int64_t count = RecordCount(*t);
    unsigned char head[7];
    Today(head);
    Put32(head + 3, static_cast<std::uint32_t>(std::clamp<std::int64_t>(count, 0, 0xFFFFFFFFLL)));
    if (count < 0 || WriteAt(t->fd, head, 7, 1) != 7) {
      DbfReportError(160, {t->name});
      result = -1;
    }
  }
  if (UnlockAll(*t) < 0) result = -1;
  const int fd = t->fd;
  if (t->prev >= 0)
    TableAt(t->prev)->next = t->next;
  else
    g.head = t->next;
  if (t->next >= 0) TableAt(t->next)->prev = t->prev;
  g.tables.Free(number);
  g.current = g.head;
  if (::close(fd) != 0) result = -1;
  return result;
}

// Parses a table header; 0, 200 for a damaged one, 260 for records too long.
int ParseHeader(const std::vector<unsigned char>& head, Table& t) {
  const int length = static_cast<int>(head.size());
  int end = -1;
  for (int off = 32; off < length; off += 32) {
    if (head[static_cast<std::size_t>(off)] == kEndOfFields) {
      end = off;
      break;
    }
    if (off + 32 > length) break;  // a descriptor cut by the header's end
  }
  if (end < 0) return 200;
  const int count = end / 32 - 1;
  t.fields.resize(static_cast<std::size_t>(count));
  std::int64_t offset = 1;
  for (int i = 0; i < count; ++i) {
    const unsigned char* d = head.data() + 32 * (i + 1);
    DbfField& f = t.fields[static_cast<std::size_t>(i)];
    std::memcpy(f.name, d, 10);
    f.name[10] = '\0';
    f.type = static_cast<char>(d[11]);
    if (f.type == 'C') {
      f.width = static_cast<std::int16_t>(std::min<int>(Get16(d + 16), 0x7FFF));
      f.decimals = 0;
    } else {
      f.width = d[16];
      f.decimals = d[17];
    }
    if (f.width <= 0) return 200;
    f.offset = static_cast<std::int16_t>(std::min<std::int64_t>(offset, 0x7FFF));
    offset += f.width;
    if (offset > kDbfMaxRecordLength) return 260;
  }
  // The stored record length places the records; the fields must lie in it.
  const int stored = Get16(head.data() + 10);
  if (stored < offset) return 200;
  if (stored > kDbfMaxRecordLength) return 260;
  t.recordLength = stored;
  return 0;
}

int OpenTable(std::string_view name, bool exclusive) {
  EnsureInit();
  State& g = Globals();
  const std::string path = NormaliseName(name, ".DBF");
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  // A table this process may not change (another user's, on a read-only
  // disk) is still read; any write to it fails and is reported.
  if (fd < 0 && !exclusive && (errno == EACCES || errno == EROFS || errno == EPERM))
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    DbfReportError(120, {path});
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    DbfReportError(120, {path});
    return -1;
  }
  for (int n = g.head; n >= 0; n = TableAt(n)->next) {
    Table* t = TableAt(n);
    if (t->device == st.st_dev && t->inode == st.st_ino) {
      // Already open: the same table, whatever name it was opened by. Closing
      // this second descriptor leaves the table's own locks in place.
      ::close(fd);
      g.current = n;
      if (exclusive && LockTable(*t, -1, true) != 0) return -1;
      return n;
    }
  }
  unsigned char first[12];
  if (ReadAt(fd, first, 12, 0) != 12 || Get16(first + 8) >= 32768) {
    ::close(fd);
    DbfReportError(200, {path});
    return -1;
  }
  const int headerLength = Get16(first + 8);
  std::vector<unsigned char> head(static_cast<std::size_t>(headerLength));
  auto table = std::make_unique<Table>();
  int bad = ReadAt(fd, head.data(), headerLength, 0) == headerLength ? 0 : 200;
  if (!bad) bad = ParseHeader(head, *table);
  if (!bad) {
    // The count is taken from the file (another process may be appending),
    // but a file holding fewer whole records than its header counts has
    // lost its tail: shown with the records that are left, it would pass
    // for the whole table.
    table->fd = fd;
    table->headerLength = headerLength;
    const std::int64_t held = RecordCount(*table);
    if (held < 0) {
      ::close(fd);
      return -1;  // reported
    }
    if (held < static_cast<std::int64_t>(Get32(first + 4))) bad = 200;
  }
  if (bad) {
    ::close(fd);
    if (bad == 260)
      DbfReportError(260);
    else
      DbfReportError(200, {path});
    return -1;
  }
  table->records.assign(2 * static_cast<std::size_t>(table->recordLength) + 1, ' ');
  table->records.back() = '\0';
  const int n = g.tables.Allocate(kMaxTables);
  if (n < 0) {
    ::close(fd);
    DbfReportError(920, {res::text::kDbfPoolCreate});
    return -1;
  }
  Table& t = *g.tables.Get(n);
  t = std::move(*table);
  t.number = n;
  t.name = path;
  t.device = st.st_dev;
  t.inode = st.st_ino;
  t.fd = fd;
  t.headerLength = headerLength;
  std::memcpy(t.header, first, 12);
  t.recno = 1;
  t.eof = true;
  t.next = g.head;
  t.prev = -1;
  if (g.head >= 0) TableAt(g.head)->prev = n;
  g.head = n;
  g.current = n;
  if (exclusive && LockTable(t, -1, true) != 0) {
    CloseTable(n);
    return -1;
  }
  return n;
}

// The field definitions as they are stored: names cut to their leading run
// of letters, digits and '_', types and widths within their limits.
std::vector<DbfField> StoredFields(int count, const DbfField* fields, bool& memo, std::int64_t& recordLength) {
  std::vector<DbfField> out(static_cast<std::size_t>(count));
  memo = false;
  recordLength = 1;
  for (int i = 0; i < count; ++i) {
    const DbfField& in = fields[i];
    DbfField& f = out[static_cast<std::size_t>(i)];
    std::memset(&f, 0, sizeof f);
    for (int k = 0; k < 10 && in.name[k]; ++k) {
      char c = in.name[k];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) break;
      f.name[k] = c;
    }
    char type = in.type;
    if (type >= 'a' && type <= 'z') type = static_cast<char>(type - 'a' + 'A');
    int width, decimals;
    if (type == 'C') {
      width = in.width;
      decimals = 0;
    } else {
      width = static_cast<unsigned char>(in.width & 0xFF);
      decimals = static_cast<unsigned char>(in.decimals & 0xFF);
    }
    if (width < 1) width = 1;
    if (type != 'D' && type != 'F' && type != 'L' && type != 'M' && type != 'N') type = 'C';
    if (type == 'L') width = 1;
    if (type == 'D') width = 8;
    if (type == 'M') {
      width = 10;
      memo = true;
    }
    if (type == 'N' || type == 'F') {
      width = std::min(width, 19);
      if (width <= 2)
        decimals = 0;
      else if (decimals >= width - 1)
        decimals = width - 2;
    }
    f.type = type;
    f.width = static_cast<std::int16_t>(width);
    f.decimals = static_cast<std::int16_t>(decimals);
    f.offset = static_cast<std::int16_t>(std::min<std::int64_t>(recordLength, 0x7FFF));
    recordLength += width;
  }
  return out;
}

std::vector<unsigned char> TableHeader(const std::vector<DbfField>& fields, bool memo, int recordLength) {
  const std::size_t n = fields.size();
  std::vector<unsigned char> h(32 * n + 34, 0);
  h[0] = memo ? 0x83 : 0x03;
  Today(h.data() + 1);
  Put16(h.data() + 8, static_cast<unsigned>(32 * n + 33));
  Put16(h.data() + 10, static_cast<unsigned>(recordLength));
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char* d = h.data() + 32 * (i + 1);
    const DbfField& f = fields[i];
    std::memcpy(d, f.name, 10);
    d[11] = static_cast<unsigned char>(f.type);
    if (f.type == 'C') {
      Put16(d + 16, static_cast<unsigned>(f.width));
    } else {
      d[16] = static_cast<unsigned char>(f.width);
      d[17] = static_cast<unsigned char>(f.decimals);
    }
  }
  h[32 * n + 32] = kEndOfFields;
  h[32 * n + 33] = kEndOfFile;
  return h;
}

std::vector<unsigned char> MemoHeader(const std::string& table) {
  std::vector<unsigned char> h(24, 0);
  Put32(h.data(), 1);
  const std::size_t slash = table.find_last_of("/\\");
  std::string stem = table.substr(slash == std::string::npos ? 0 : slash + 1);
  stem = stem.substr(0, stem.rfind('.'));
  std::memcpy(h.data() + 8, stem.data(), std::min<std::size_t>(stem.size(), 8));
  Put16(h.data() + 18, 0x0102);
  Put16(h.data() + 20, 512);
  return h;
}

// Writes a new file: safety 0 replaces an existing one only once the new one
// is complete; safety 1 creates it only when absent. 0, or -1 after reporting.
int WriteNewFile(const std::string& path, const std::vector<unsigned char>& bytes, int safety) {
  if (safety == 0) {
    CAtomicFile f;
    if (!f.Open(path)) {
      DbfReportError(100, {path});
      return -1;
    }
    if (!f.Write(bytes.data(), bytes.size()) || !f.Commit()) {
      DbfReportError(160, {path});
      return -1;
    }
    return 0;
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    DbfReportError(100, {path});
    return -1;
  }
  const std::int64_t n = static_cast<std::int64_t>(bytes.size());
  const bool ok = WriteAt(fd, bytes.data(), n, 0) == n;
  ::close(fd);
  if (!ok) {
    ::unlink(path.c_str());
    DbfReportError(160, {path});
    return -1;
  }
  return 0;
}

}  // namespace

namespace dbf {

int ReadRecord(Table& t, std::int64_t n, char* out) {
  const State& g = Globals();
  if (g.readLockMode == 1 && t.fileLock != 1 && t.lockedRecord != n) {
    if (LockTable(t, n, g.lockWait != 0) != 0) return -1;
  } else if (g.readLockMode == -1 && t.fileLock != 1) {
    if (LockTable(t, -1, g.lockWait != 0) != 0) return -1;
  }
  if (!t.buffers.empty()) {
    RecordBuffer* b = nullptr;
    if (LoadBuffer(t, n, b) < 0) return -1;
    std::memcpy(out, b->bytes.data() + (n - b->first) * t.recordLength, static_cast<std::size_t>(t.recordLength));
    return 0;
  }
  if (ReadAt(t.fd, out, t.recordLength, RecordPos(t, n)) != t.recordLength) {
    DbfReportError(140, {t.name, RecordText(res::text::kDbfRecordLabel, n)});
    return -1;
  }
  return 0;
}

int FindOpenTable(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  const State& g = Globals();
  for (int n = g.head; n >= 0; n = TableAt(n)->next) {
    const Table* t = TableAt(n);
    if (t->device == st.st_dev && t->inode == st.st_ino) return n;
  }
  return -1;
}

std::int64_t RecordCount(Table& t) {
  if (t.cachedCount >= 0 && t.fileLock >= 0) return t.cachedCount;
  struct stat st {};
  if (::fstat(t.fd, &st) != 0) {
    DbfReportError(140, {t.name});
    return -1;
  }
  std::int64_t count = 0;
  if (st.st_size > t.headerLength) count = (st.st_size - t.headerLength) / t.recordLength;
  if (count > 0 && t.recordLength == 1) {
    // With one-byte records the end marker alone would count as a record.
    unsigned char last = 0;
    if (ReadAt(t.fd, &last, 1, st.st_size - 1) == 1 && last == kEndOfFile) --count;
  }
  if (t.fileLock >= 0) t.cachedCount = count;
  return count;
}

}  // namespace dbf

// ---- the interface ---------------------------------------------------------

int DbfInit(int tableSlots, int indexSlots, int blockSlots, int expressionBytes, int poolBytes) {
  State& g = Globals();
  if (g.initialised) return -1;
  g.initialised = true;
  g.tables.Reserve(tableSlots);
  g.indexSlots = std::max(indexSlots, 1);
  g.blockSlots = std::max(blockSlots, 1);
  g.expressionBytes = std::max(expressionBytes, 512);
  g.poolBytes = std::max(poolBytes, 0);
  return 0;
}

int DbfCreate(const std::string& name, int fieldCount, const DbfField* fields, int safety) {
  return Guarded(
      [&]() -> int {
        EnsureInit();
        const std::string path = NormaliseName(name, ".DBF");
        if (fieldCount < 0 || 32LL * fieldCount + 34 > kDbfMaxRecordLength || (fieldCount > 0 && !fields)) {
          DbfReportError(100, {res::text::kDbfTooManyFields, path});
          return -1;
        }
        const int open = FindOpenTable(path);
        if (open >= 0) {
          if (safety) {
            DbfReportError(100, {path});
            return -1;
          }
          CloseTable(open);
        }
        bool memo = false;
        std::int64_t recordLength = 1;
        const std::vector<DbfField> stored = StoredFields(fieldCount, fields, memo, recordLength);
        if (recordLength > kDbfMaxRecordLength) {
          // Refused before any file exists: the record length is stored in
          // 16 bits and no open could read such a table.
          DbfReportError(260);
          return -1;
        }
        struct stat st {};
        if (safety && ::stat(path.c_str(), &st) == 0) {
          DbfReportError(100, {path});
          return -1;
        }
        const std::vector<unsigned char> header = TableHeader(stored, memo, static_cast<int>(recordLength));
        if (memo) {
          const std::string memoPath = MemoName(path);
          if (safety && ::stat(memoPath.c_str(), &st) == 0) {
            DbfReportError(100, {memoPath});
            return -1;
          }
          if (WriteNewFile(memoPath, MemoHeader(path), safety) < 0) return -1;
        }
        if (WriteNewFile(path, header, safety) < 0) return -1;
        return OpenTable(path, false);
      },
      -1);
}

int DbfOpen(const std::string& name) {
  return Guarded([&] { return OpenTable(name, false); }, -1);
}

int DbfOpenExclusive(const std::string& name) {
  return Guarded([&] { return OpenTable(name, true); }, -1);
}

int DbfSelect(int table) {
  State& g = Globals();
  const int previous = g.current;
  if (TableAt(table)) g.current = table;
  return previous;
}

int DbfClose() {
  Table* t = CurrentTable();
  if (!t) return -1;
  return CloseTable(t->number);
}

int DbfGoTop() {
  return Guarded(
      [&]() -> int {
        Table* t = CurrentTable();
        if (!t) return -1;
        if (WriteBack(*t) < 0) return -1;
        std::int64_t first = 1;
        if (t->selectedIndex >= 0) {
          const int r = SelectedIndexTop(*t, first);
          if (r < 0) return -1;
          if (r == 3) first = 0;
        } else {
          const std::int64_t count = RecordCount(*t);
          if (count < 0) return -1;
          if (count == 0) first = 0;
        }
        if (first == 0) {
          const std::int64_t count = RecordCount(*t);
          Blank(*t);
          t->eof = true;
          t->bof = false;
          t->recno = std::max<std::int64_t>(count, 0) + 1;
          return 3;
        }
        const int r = GoRecord(*t, first);
        if (r == 0) t->bof = true;
        return r;
      },
      -1);
}

int DbfGoRecord(std::int64_t n) {
  return Guarded(
      [&]() -> int {
        Table* t = CurrentTable();
        return t ? GoRecord(*t, n) : -1;
      },
      -1);
}

int DbfWriteRecord(std::int64_t n) {
  return Guarded(
      [&]() -> int {
        Table* t = CurrentTable();
        if (!t) return -1;
        t->changed = false;
        return n < 1 ? AppendRecord(*t) : RewriteRecord(*t, n);
      },
      -1);
}

int DbfAppendBlank() {
  return Guarded(
      [&]() -> int {
        Table* t = CurrentTable();
        if (!t) return -1;
        if (WriteBack(*t) < 0) return -1;
        Blank(*t);
        return AppendRecord(*t);
      },
      -1);
}

int DbfBlankRecord() {
  Table* t = CurrentTable();
  if (!t) return -1;
  Blank(*t);
  return 0;
}

char* DbfRecordBuffer() {
  Table* t = TableAt(Globals().current);
  return t ? t->Current() : nullptr;
}

int DbfRecordWidth() {
  Table* t = CurrentTable();
  return t ? t->recordLength : -1;
}

std::int64_t DbfRecordNumber() {
  Table* t = CurrentTable();
  return t ? t->recno : -1;
}

std::int64_t DbfRecordCount() {
  Table* t = CurrentTable();
  return t ? RecordCount(*t) : -1;
}

int DbfFieldCount() {
  Table* t = CurrentTable();
  return t ? static_cast<int>(t->fields.size()) : -1;
}

namespace {

bool SameFieldName(std::string_view a, const char* stored) {
  std::string_view b(stored, ::strnlen(stored, 10));
  while (!b.empty() && b.back() == ' ') b.remove_suffix(1);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// The table and field of a reference, or false.
bool Resolve(DbfFieldRefT ref, Table*& t, const DbfField*& f) {
  if (ref < 0) return false;
  t = TableAt(ref >> 16);
  const int i = ref & 0xFFFF;
  if (!t || i >= static_cast<int>(t->fields.size())) return false;
  f = &t->fields[static_cast<std::size_t>(i)];
  return true;
}

}  // namespace

namespace dbf {

DbfFieldRefT FindField(const Table& t, std::string_view name) {
  while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.remove_suffix(1);
  if (name.empty()) return kDbfNoField;
  for (std::size_t i = 0; i < t.fields.size(); ++i)
    if (SameFieldName(name, t.fields[i].name)) return (t.number << 16) | static_cast<int>(i);
  return kDbfNoField;
}

}  // namespace dbf

DbfFieldRefT DbfFieldRef(std::string_view name) {
  Table* t = CurrentTable();
  if (!t) return kDbfNoField;
  const DbfFieldRefT ref = FindField(*t, name);
  if (ref == kDbfNoField) {
    if (name.empty())
      DbfReportError(270);
    else
      DbfReportError(270, {name});
  }
  return ref;
}

DbfFieldRefT DbfFieldByNumber(int number) {
  Table* t = CurrentTable();
  if (!t || number < 1 || number > static_cast<int>(t->fields.size())) return kDbfNoField;
  return (t->number << 16) | (number - 1);
}

const DbfField* DbfFieldInfo(DbfFieldRefT ref) {
  Table* t;
  const DbfField* f;
  return Resolve(ref, t, f) ? f : nullptr;
}

const char* DbfFieldText(DbfFieldRefT ref) {
  static char text[257];
  Table* t;
  const DbfField* f;
  if (!Resolve(ref, t, f)) return nullptr;
  const int n = std::min<int>(f->width, 256);
  std::memcpy(text, t->Current() + f->offset, static_cast<std::size_t>(n));
  text[n] = '\0';
  return text;
}

int DbfFieldCopy(DbfFieldRefT ref, char* buffer, int length) {
  Table* t;
  const DbfField* f;
  if (!Resolve(ref, t, f) || !buffer) return -1;
  const int n = std::clamp<int>(f->width, 0, std::max(length, 0));
  std::memcpy(buffer, t->Current() + f->offset, static_cast<std::size_t>(n));
  if (n < length) buffer[n] = '\0';
  return n;
}

int DbfFieldReplace(DbfFieldRefT ref, std::string_view text) {
  Table* t;
  const DbfField* f;
  if (!Resolve(ref, t, f)) return -1;
  char* p = t->Current() + f->offset;
  const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(f->width));
  std::memcpy(p, text.data(), n);
  std::memset(p + n, ' ', static_cast<std::size_t>(f->width) - n);
  if (!t->eof) t->changed = true;
  return 0;
}

int DbfLock(std::int64_t record, int wait) {
  Table* t = CurrentTable();
  return t ? LockTable(*t, record, wait != 0) : -1;
}

int DbfUnlock(std::int64_t record) {
  Table* t = CurrentTable();
  return t ? UnlockTable(*t, record) : -1;
}

int DbfSetLockMode(int mode) {
  State& g = Globals();
  const int old = g.readLockMode;
  if (mode < -1 || mode > 2) return -1;
  g.readLockMode = mode;
  return old;
}

int DbfSetBuffering(int recordsPerBuffer, int bufferCount, int writeBehind) {
  return Guarded(
      [&]() -> int {
        Table* t = CurrentTable();
        if (!t) return -1;
        if (WriteBack(*t) < 0 || FlushBuffers(*t) < 0) return -1;
        DropBuffers(*t);
        if (recordsPerBuffer <= 0 || bufferCount <= 0) return 0;
        State& g = Globals();
        // Buffers are a matter of speed: a request larger than what is left
        // of the pool gets buffers of as many records as fit (and fewer
        // buffers when not even one record each fits); only a pool without
        // room for one record fails.
        const std::int64_t left = g.poolBytes - g.bufferBytesInUse;
        recordsPerBuffer = static_cast<int>(std::min<std::int64_t>(
            recordsPerBuffer, left / (static_cast<std::int64_t>(bufferCount) * t->recordLength)));
        if (recordsPerBuffer < 1) {
          recordsPerBuffer = 1;
          bufferCount = static_cast<int>(std::min<std::int64_t>(bufferCount, left / t->recordLength));
        }
        if (bufferCount < 1) {
          DbfReportError(900);
          return -1;
        }
        const std::int64_t each = static_cast<std::int64_t>(recordsPerBuffer) * t->recordLength;
        std::vector<RecordBuffer> buffers(static_cast<std::size_t>(bufferCount));
        for (RecordBuffer& b : buffers) b.bytes.resize(static_cast<std::size_t>(each));
        t->buffers = std::move(buffers);
        t->recordsPerBuffer = recordsPerBuffer;
        t->writeBehind = writeBehind != 0;
        g.bufferBytesInUse += each * bufferCount;
        return 0;
      },
      -1);
}

int DbfFlush(int table) {
  State& g = Globals();
  int result = 0;
  for (int n = g.head; n >= 0; n = TableAt(n)->next) {
    if (table >= 0 && n != table) continue;
    Table& t = *TableAt(n);
    if (WriteBack(t) < 0) result = -1;
    if (FlushBuffers(t) < 0) result = -1;
  }
  return result;
}

}  // namespace qzn
