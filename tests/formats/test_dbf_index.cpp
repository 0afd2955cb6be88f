// Index files: random appends and key changes keep the B-tree equal to a
// sorted reference (walked here and by a reader written from the file layout
// in Python), a unique index refuses a duplicate and puts back the keys
// already changed, another process's changes are seen, and positioning.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "formats/dbf.h"
#include "formats/dbfindex.h"
#include "tests/formats/dbf_test_util.h"
#include "tests/support/testutil.h"

namespace {

using namespace qzn;
using qzntest::DbfTest;
using qzntest::Field;

using Entries = std::vector<std::pair<std::string, std::int64_t>>;

class DbfIndex : public DbfTest {
 protected:
  // The index walked from top to bottom, and back.
  Entries Walk(int index, bool backward = false) {
    Entries out;
    if ((backward ? DbfIndexBottom(index) : DbfIndexTop(index)) != 0) return out;
    do out.emplace_back(DbfIndexKey(index), DbfIndexRecord(index));
    while (DbfIndexSkip(index, backward ? -1 : 1) == 1);
    if (backward) std::reverse(out.begin(), out.end());
    return out;
  }
  // What a Python reader of the file finds, in the same form.
  Entries PythonWalk(const std::string& path, std::string* header = nullptr) {
    std::string out;
    EXPECT_EQ(qzntest::RunCommand(qzntest::Python() + " '" + qzntest::SourcePath("tests/formats/dbf_index_reader.py") +
                                      "' '" + path + "' 2>&1",
                                  &out),
              0)
        << out;
    Entries e;
    std::size_t at = out.find('\n');
    if (header) *header = out.substr(0, at);
    while (at != std::string::npos && at + 1 < out.size()) {
      const std::size_t end = out.find('\n', at + 1);
      const std::string line = out.substr(at + 1, end - at - 1);
      const std::size_t bar = line.rfind('|');
      e.emplace_back(line.substr(0, bar), std::stoll(line.substr(bar + 1)));
      at = end;
    }
    return e;
  }
};

std::string Pad(std::string s, std::size_t width) {
  s.resize(width, ' ');
  return s;
}

// Appends and rewrites with random keys, many of them equal, checked after
// every hundred steps; a wide key makes blocks of four entries, so blocks
// split, empty and are used again.
TEST_F(DbfIndex, RandomChangesKeepTheTreeSorted) {
  for (int width : {6, 96}) {
    SCOPED_TRACE("key width " + std::to_string(width));
    const std::string table = dir.file("random" + std::to_string(width) + ".dbf");
    const std::string byName = dir.file("byname" + std::to_string(width) + ".ndx");
    const std::string byValue = dir.file("byvalue" + std::to_string(width) + ".ndx");
    ASSERT_GE(Create(table, {Field("NAME", 'C', width), Field("VAL", 'N', 8, 2)}), 0);
    const int names = DbfIndexCreate(byName, "NAME", 0);
    const int values = DbfIndexCreate(byValue, "VAL", 0);
    ASSERT_GE(names, 0) << LastMessage();
    ASSERT_GE(values, 0) << LastMessage();
    std::mt19937 rng(static_cast<unsigned>(width));
    std::vector<std::pair<std::string, double>> model;
    auto randomRow = [&]() {
      std::string name(1 + rng() % 3, 'a');
      for (char& c : name) c = static_cast<char>('a' + rng() % 5);
      const double v = static_cast<int>(rng() % 4001) / 4.0 - 500.0;
      return std::make_pair(name, v);
    };
    auto fill = [&](const std::pair<std::string, double>& row) {
      char num[16];
      std::snprintf(num, sizeof num, "%8.2f", row.second);
      ASSERT_EQ(DbfFieldReplace(DbfFieldRef("NAME"), row.first), 0);
      ASSERT_EQ(DbfFieldReplace(DbfFieldRef("VAL"), num), 0);
    };
    for (int step = 1; step <= 1200; ++step) {
      const auto row = randomRow();
      if (model.size() < 30 || rng() % 3 == 0) {
        // A blank record goes in, then its fields change under their keys.
        ASSERT_EQ(DbfAppendBlank(), 0) << LastMessage();
        fill(row);
        model.push_back(row);
      } else {
        const std::int64_t n = 1 + static_cast<std::int64_t>(rng() % model.size());
        ASSERT_EQ(DbfGoRecord(n), 0);
        fill(row);
        if (rng() % 2) {
          ASSERT_EQ(DbfWriteRecord(n), 0) << LastMessage();  // else written back on the move
        }
        model[static_cast<std::size_t>(n - 1)] = row;
      }
      if (step % 100 == 0) {
        ASSERT_EQ(DbfGoRecord(1), 0);  // writes back a pending change
        Entries wantNames;
        std::vector<std::pair<double, std::int64_t>> wantValues;
        for (std::size_t i = 0; i < model.size(); ++i) {
          wantNames.emplace_back(Pad(model[i].first, static_cast<std::size_t>(width)),
                                 static_cast<std::int64_t>(i + 1));
          wantValues.emplace_back(model[i].second, static_cast<std::int64_t>(i + 1));
        }
        std::sort(wantNames.begin(), wantNames.end());
        std::sort(wantValues.begin(), wantValues.end());
        const Entries gotNames = Walk(names);
        ASSERT_EQ(gotNames, wantNames) << "step " << step;
        ASSERT_EQ(Walk(names, true), wantNames) << "step " << step;
        const Entries gotValues = Walk(values);
        ASSERT_EQ(gotValues.size(), wantValues.size());
        for (std::size_t i = 0; i < gotValues.size(); ++i)
          ASSERT_EQ(gotValues[i].second, wantValues[i].second) << "step " << step << " entry " << i;
      }
    }
    // A reader written from the file layout finds the same entries.
    if (qzntest::HavePythonModules({"struct"})) {
      std::string header;
      const Entries python = PythonWalk(byName, &header);
      EXPECT_EQ(python, Walk(names));
      const int entry = (8 + width + 3) / 4 * 4;
      EXPECT_EQ(header,
                std::to_string(width) + "|" + std::to_string(508 / entry) + "|" + std::to_string(entry) + "|0|NAME");
    }
    // Made afresh from the rows as they stand, an index holds the same.
    const int rebuilt = DbfIndexCreate(dir.file("rebuilt" + std::to_string(width) + ".ndx"), "NAME", 0);
    ASSERT_GE(rebuilt, 0) << LastMessage();
    EXPECT_EQ(Walk(rebuilt), Walk(names));
    // Reopened, the files give the same order.
    ASSERT_EQ(DbfClose(), 0);
    ASSERT_GE(DbfOpen(table), 0);
    const int again = DbfIndexOpen(byName);
    ASSERT_GE(again, 0) << LastMessage();
    EXPECT_EQ(Walk(again).size(), model.size());
    ASSERT_EQ(DbfClose(), 0);
  }
  EXPECT_TRUE(Codes().empty()) << LastMessage();
}

TEST_F(DbfIndex, UniqueIndexRefusesADuplicateAndPutsBackTheOtherKeys) {
  const std::string table = dir.file("codes.dbf");
  ASSERT_GE(Create(table, {Field("CODE", 'C', 4), Field("NAME", 'C', 8)}), 0);
  AppendRow({"A1", "north"});
  AppendRow({"B2", "south"});
  // Made first, the unique index is upheld after the other has changed.
  const int codes = DbfIndexCreate(dir.file("codes.ndx"), "CODE", 1);
  const int names = DbfIndexCreate(dir.file("names.ndx"), "UPPER(NAME)", 0);
  ASSERT_GE(codes, 0);
  ASSERT_GE(names, 0);
  const Entries codesBefore = Walk(codes), namesBefore = Walk(names);
  ASSERT_EQ(namesBefore, (Entries{{"NORTH   ", 1}, {"SOUTH   ", 2}}));

  // An append with a code already there.
  DbfBlankRecord();
  DbfFieldReplace(DbfFieldRef("CODE"), "A1");
  DbfFieldReplace(DbfFieldRef("NAME"), "east");
  EXPECT_EQ(DbfWriteRecord(0), -3);
  EXPECT_EQ(Codes(), std::vector<int>{340});
  EXPECT_EQ(DbfRecordCount(), 2);
  EXPECT_EQ(Walk(codes), codesBefore);
  EXPECT_EQ(Walk(names), namesBefore);

  // A rewrite to a code already there leaves the record and both indexes.
  ASSERT_EQ(DbfGoRecord(2), 0);
  DbfFieldReplace(DbfFieldRef("CODE"), "A1");
  DbfFieldReplace(DbfFieldRef("NAME"), "west");
  EXPECT_EQ(DbfWriteRecord(2), -3);
  EXPECT_EQ(Walk(codes), codesBefore);
  EXPECT_EQ(Walk(names), namesBefore);
  ASSERT_EQ(DbfGoRecord(2), 0);
  EXPECT_STREQ(DbfFieldText(DbfFieldRef("NAME")), "south   ");

  // A new code goes in, and the selected order leads DbfGoTop.
  DbfBlankRecord();
  DbfFieldReplace(DbfFieldRef("CODE"), "0Z");
  DbfFieldReplace(DbfFieldRef("NAME"), "centre");
  EXPECT_EQ(DbfWriteRecord(0), 0);
  EXPECT_EQ(DbfIndexSelect(codes), names);
  EXPECT_EQ(DbfGoTop(), 0);
  EXPECT_EQ(DbfRecordNumber(), 3);
  EXPECT_EQ(DbfIndexSelect(-1), codes);
  EXPECT_EQ(DbfGoTop(), 0);
  EXPECT_EQ(DbfRecordNumber(), 1);

  // A unique index cannot be made over duplicates: nothing is left behind.
  host.messages.clear();
  EXPECT_EQ(DbfIndexCreate(dir.file("dup.ndx"), "SUBSTR(NAME, 2, 1)", 1), -1);
  EXPECT_EQ(Codes(), std::vector<int>{340});
  EXPECT_FALSE(std::filesystem::exists(dir.file("dup.ndx")));
}

TEST_F(DbfIndex, PositioningBySeekAndSkip) {
  ASSERT_GE(Create(dir.file("seek.dbf"), {Field("KEY", 'C', 4)}), 0);
  for (const char* k : {"bb", "ab", "bc", "bb", "d"}) AppendRow({k});
  const int ix = DbfIndexCreate(dir.file("seek"), "KEY", 0);
  ASSERT_GE(ix, 0);
  EXPECT_TRUE(std::filesystem::exists(dir.file("seek.NDX")));
  struct Case {
    std::string key;
    int result;
    std::int64_t record;
  };
  const Case cases[] = {
      {"bb  ", 0, 1}, {"b", 1, 1}, {"bbb", 2, 3}, {"a", 1, 2}, {"", 1, 2}, {"c", 2, 5}, {"e", 3, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DbfIndexSeek(ix, c.key), c.result) << c.key;
    EXPECT_EQ(DbfIndexRecord(ix), c.record) << c.key;
  }
  EXPECT_EQ(DbfIndexSeekRecord(ix, "bb", 4), 0);
  EXPECT_EQ(DbfIndexRecord(ix), 4);
  EXPECT_EQ(DbfIndexSkip(ix, 5), 2);  // bc, d and no further
  EXPECT_EQ(DbfIndexRecord(ix), 5);
  EXPECT_EQ(DbfIndexSkip(ix, -10), 4);
  EXPECT_EQ(DbfIndexRecord(ix), 2);
  EXPECT_EQ(DbfIndexSeekRecord(ix, "bb", 3), 4);
  EXPECT_TRUE(Codes().empty()) << LastMessage();

  // A hook vetoes a key: the append fails and nothing changes.
  DbfIndexSetHook(ix, [](std::string_view key, std::int64_t) { return key.substr(0, 1) == "x" ? 1 : 0; });
  DbfBlankRecord();
  DbfFieldReplace(DbfFieldRef("KEY"), "xy");
  EXPECT_EQ(DbfWriteRecord(0), -1);
  EXPECT_EQ(DbfRecordCount(), 5);
  EXPECT_EQ(Walk(ix).size(), 5u);
}

TEST_F(DbfIndex, KeysAnotherProcessAddedAreSeen) {
  const std::string table = dir.file("shared.dbf");
  ASSERT_GE(Create(table, {Field("N", 'N', 6)}), 0);
  for (int i = 0; i < 40; ++i) AppendRow({std::to_string(100000 + i * 7 % 40)});
  const int ix = DbfIndexCreate(dir.file("shared.ndx"), "N", 1);
  ASSERT_GE(ix, 0);
  ASSERT_EQ(Walk(ix).size(), 40u);  // its blocks are held here now
  const pid_t pid = ::fork();
  if (pid == 0) {
    int bad = 0;
    for (int i = 0; i < 60; ++i) {
      DbfBlankRecord();
      DbfFieldReplace(DbfFieldRef("N"), std::to_string(200000 - i));
      if (DbfWriteRecord(0) != 0) ++bad;
    }
    ::_exit(bad);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const Entries all = Walk(ix);
  ASSERT_EQ(all.size(), 100u);
  EXPECT_EQ(all.back().first, "200000");
  EXPECT_EQ(all.back().second, 41);
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
}

// Index files another program may have written, damaged: a block claiming
// more entries than a block holds, and child blocks leading back up the
// tree. Each positioning that meets the damage fails with the index data
// error, once, and nothing reads outside the block or walks for ever.
TEST_F(DbfIndex, DamagedIndexFilesAreRefusedWhereTheDamageIsMet) {
  const std::string fixtures = qzntest::SourcePath("tests/fixtures/damaged/readers/ndx/");
  std::filesystem::copy_file(fixtures + "table.dbf", dir.file("table.dbf"));
  using Op = std::function<std::int64_t(int)>;
  const Op top = [](int ix) { return DbfIndexTop(ix); };
  const Op bottom = [](int ix) { return DbfIndexBottom(ix); };
  const Op seek = [](int ix) { return DbfIndexSeek(ix, "M"); };
  const Op skip = [](int ix) {
    // From a good entry, if there is one, through the damage.
    DbfIndexSeek(ix, "");
    return DbfIndexSkip(ix, 1000);
  };
  struct Case {
    const char* file;
    std::vector<Op> ops;
  };
  const Case cases[] = {
      {"oob-entry-count-65535.ndx", {top, bottom, seek}},
      {"oob-bottom-descend.ndx", {bottom}},
      {"oob-seek-lowerprefix.ndx", {seek}},
      {"oob-skip-remember.ndx", {skip}},
      {"hang-child-cycle.ndx", {top, bottom, seek}},
      {"hang-neighbour-cycle.ndx", {skip}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ASSERT_GE(DbfOpen(dir.file("table.dbf")), 0) << LastMessage();
    std::filesystem::copy_file(fixtures + c.file, dir.file(c.file), std::filesystem::copy_options::overwrite_existing);
    const int ix = DbfIndexOpen(dir.file(c.file));
    ASSERT_GE(ix, 0) << LastMessage();
    for (std::size_t k = 0; k < c.ops.size(); ++k) {
      host.messages.clear();
      EXPECT_EQ(c.ops[k](ix), -1) << "operation " << k;
      EXPECT_EQ(Codes(), std::vector<int>{330}) << "operation " << k;
      EXPECT_NE(LastMessage().find(c.file), std::string::npos) << LastMessage();
    }
    ASSERT_EQ(DbfClose(), 0);
  }
}

TEST_F(DbfIndex, Errors) {
  ASSERT_GE(Create(dir.file("err.dbf"), {Field("WIDE", 'C', 101), Field("OK", 'L', 1)}), 0);
  struct Case {
    const char* expression;
    int code;
  };
  for (const Case& c : {Case{"WIDE", 370}, Case{"OK", 350}, Case{"SUBSTR(WIDE, 200)", 360}, Case{"NOPE", 580}}) {
    host.messages.clear();
    EXPECT_EQ(DbfIndexCreate(dir.file("err.ndx"), c.expression, 0), -1) << c.expression;
    EXPECT_EQ(Codes(), std::vector<int>{c.code}) << c.expression;
  }
  host.messages.clear();
  EXPECT_EQ(DbfIndexSeek(77, "x"), -1);
  EXPECT_EQ(Codes(), std::vector<int>{380});
  // A file that is not an index (the table itself).
  host.messages.clear();
  EXPECT_EQ(DbfIndexOpen(dir.file("err.dbf")), -1);
  EXPECT_EQ(Codes(), std::vector<int>{320});
}

}  // namespace
