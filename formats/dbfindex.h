// Index files of the table engine: a B-tree of keys computed by a key
// expression (formats/dbfexpr.h), kept up to date whenever a record of its
// table is written or appended. The system itself opens no index; these are
// the few operations that make and use one. See docs/dbase.md.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qzn {

// Makes an index of the current table on the key expression, replacing any
// file of that name, enters every record's key and opens it; the index
// becomes the table's selected order. unique: a key may stand only once.
// Returns the index number or -1.
int DbfIndexCreate(const std::string& name, std::string_view expression, int unique);
// Opens an index file made here for the current table and selects it.
// Returns the index number or -1.
int DbfIndexOpen(const std::string& name);
// Selects the order of the current table's DbfGoTop: an index of that table,
// or -1 for record order. Returns the order selected before.
int DbfIndexSelect(int index);

// Positioning: the first entry not below key (compared over key's length):
// 0 equal over the whole key length, 1 equal over the shorter length given,
// 2 on the next greater key, 3 past the last key; -1 on error.
int DbfIndexSeek(int index, std::string_view key);
// The entry of that key and record: 0, or 4 when there is none.
int DbfIndexSeekRecord(int index, std::string_view key, std::int64_t record);
// Moves n entries forward (backward when negative); returns how many it
// moved, or -1 on error.
std::int64_t DbfIndexSkip(int index, std::int64_t n);
// The first or last entry: 0, or 3 when the index is empty.
int DbfIndexTop(int index);
int DbfIndexBottom(int index);
// The record and key of the current entry (0 and "" when there is none).
std::int64_t DbfIndexRecord(int index);
std::string DbfIndexKey(int index);

// Asked before a key is entered: a non-zero answer vetoes it, and the write
// that wanted it fails (-1) with the keys it had changed put back.
using DbfIndexHook = std::function<int(std::string_view key, std::int64_t record)>;
void DbfIndexSetHook(int index, DbfIndexHook hook);

}  // namespace qzn
