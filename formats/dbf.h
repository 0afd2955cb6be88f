// The dBASE III table engine: ".DBF" tables (with a ".DBT" memo file when a
// memo field exists) read and written by several processes at once under
// byte-range locks. The shapefile writer creates a table beside each
// shapefile and appends one row per shape; the shapefile reader opens it,
// finds the field ID and reads it record by record.
//
// The engine is a set of free functions over a process-wide list of open
// tables addressed by table numbers. One table is current at any time; every
// record and field operation works on it. Functions return a negative value
// on failure after reporting it through the host (DbfReportError);
// a failed call leaves the table as it was unless its write had begun.
// See docs/dbase.md.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace qzn {

// A field definition: what a caller passes to DbfCreate, and what the engine
// keeps for every field of an open table.
struct DbfField {
  char name[11];          // at most 10 characters, NUL-filled
  char type;              // C, N, F, D, L or M
  std::int16_t width;     // a C field's width is 16-bit; other types use the low byte
  std::int16_t decimals;  // only the low byte counts at creation
  std::int16_t offset;    // position in the record (1 for the first field); set on opening
};

// A field reference: the table number in the high 16 bits and the 0-based
// field number in the low 16 bits; kDbfNoField means none.
using DbfFieldRefT = std::int32_t;
constexpr DbfFieldRefT kDbfNoField = -1;

// The largest record (deletion flag included) that a table may have.
constexpr int kDbfMaxRecordLength = 32767;

// Creates the pools once. The first DbfCreate or DbfOpen runs it with
// 10, 10, 12, 3000 and 64512. Returns 0, or -1 when already initialised.
int DbfInit(int tableSlots, int indexSlots, int blockSlots, int expressionBytes, int poolBytes);

// Creates the table (and its memo file when a memo field exists) and opens it;
// returns its table number or -1. safety 0: an existing file of that name is
// replaced (an open table on that file is closed first); safety 1: creation
// fails when the file exists.
int DbfCreate(const std::string& name, int fieldCount, const DbfField* fields, int safety);

// Opens the table read/write, or makes it current when that file is already
// open here; returns the table number or -1.
int DbfOpen(const std::string& name);
// As DbfOpen, then locks the whole file (waiting).
int DbfOpenExclusive(const std::string& name);

// Makes the table current when it is open; returns the table current before
// (so DbfSelect(-1) asks which one is current without changing it).
int DbfSelect(int table);

// Closes the current table; the most recently opened table still open becomes
// current. 0, or -1 when any step failed.
int DbfClose();

// Positions on the first record (of the selected index, else record 1):
// 0, or 3 at the end of the file (an empty table: blank record, end-of-file
// flag set, record number = count + 1).
int DbfGoTop();
// n <= 0 blanks the current record and returns 1; else writes back a changed
// record and reads record n: 0 or -1.
int DbfGoRecord(std::int64_t n);
// Writes the current record to record n (n < 1: appends it). 0, -1, or -3
// when a unique index refused its key.
int DbfWriteRecord(std::int64_t n);
// Writes back a changed record, blanks the record and appends it.
int DbfAppendBlank();
int DbfBlankRecord();
// The current record's bytes (deletion flag first), which a caller may fill
// in place before DbfWriteRecord; null when no table is current.
char* DbfRecordBuffer();
int DbfRecordWidth();
// The number of the current record (count + 1 at the end of the file), or -1.
std::int64_t DbfRecordNumber();
// Whole records in the file (a cut tail does not count), or -1.
std::int64_t DbfRecordCount();

int DbfFieldCount();
// The field of that name in the current table (ASCII letters match in either
// case), or kDbfNoField after reporting 270.
DbfFieldRefT DbfFieldRef(std::string_view name);
// Field 1..count of the current table, or kDbfNoField.
DbfFieldRefT DbfFieldByNumber(int number);
// The definition of a field, or null for a bad reference.
const DbfField* DbfFieldInfo(DbfFieldRefT ref);
// The field's text in the current record of its table, at most 256
// characters, in one buffer overwritten by the next call; null for a bad
// reference.
const char* DbfFieldText(DbfFieldRefT ref);
// Copies min(width, length) bytes and a NUL when room remains; returns the
// number of bytes copied, or -1.
int DbfFieldCopy(DbfFieldRefT ref, char* buffer, int length);
// Puts the text into the field, cut at the width and blank-filled; marks the
// record changed unless the table is at the end of the file.
int DbfFieldReplace(DbfFieldRefT ref, std::string_view text);

// Locks: record n (n > 0), the append position (0) or the whole file (-1).
// 0 when held, -2 when another process holds it and wait is 0, -1 on error.
int DbfLock(std::int64_t record, int wait);
// Releases record n, the append position (0) or every lock (-1).
int DbfUnlock(std::int64_t record);
// Read-lock mode: 1 locks each record before reading it, -1 the whole file,
// 0 and 2 read without locking. Returns the old mode (-1 with 0 for a value
// outside -1..2, which is refused).
int DbfSetLockMode(int mode);

// Record buffers of the current table: bufferCount buffers of
// recordsPerBuffer consecutive records; with writeBehind set, writes stay in
// the buffer until it is reused, flushed or the table closed. A count or size
// of 0 removes the buffers (after writing back). 0 or -1.
int DbfSetBuffering(int recordsPerBuffer, int bufferCount, int writeBehind);
// Writes back a changed record and every changed buffer of a table (-1 all).
int DbfFlush(int table);

// Reports an error through the host: kDbfErrorNumber with the code, the
// code's message and the extra texts, one to a line. Stores the code as the
// last error and returns the answer of the message box.
int DbfReportError(int code, std::initializer_list<std::string_view> texts = {});
// The code of the last error reported (0 when none yet).
int DbfLastError();
// The message of an error code ("" for a code without one).
const char* DbfErrorMessage(int code);

}  // namespace qzn
