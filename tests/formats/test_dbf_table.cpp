// The table engine: tables written here read the same in dbfread and OGR,
// tables written by pyshp and OGR read here field for field, and the rules on
// field definitions, damaged headers, counts, positions and names hold.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <random>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/dbf.h"
#include "tests/formats/dbf_test_util.h"
#include "tests/support/testutil.h"

namespace {

using namespace qzn;
using qzntest::DbfOracle;
using qzntest::DbfTest;
using qzntest::Field;
using qzntest::ReadFileBytes;
using qzntest::WriteFileBytes;

using DbfTable = DbfTest;

bool HaveReaders() { return qzntest::HavePythonModules({"dbfread", "osgeo.ogr"}); }

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
unsigned U16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

// A table of every kind of field, filled once through the record buffer (as
// the shapefile writer does) and once through field replacement.
std::vector<DbfField> MixedFields() {
  return {Field("NAME", 'C', 20), Field("CODE", 'N', 8), Field("VALUE", 'N', 12, 3), Field("RATE", 'F', 10, 2),
          Field("WHEN", 'D', 8),  Field("OK", 'L', 1),   Field("LONGTEXT", 'C', 250)};
}

TEST_F(DbfTable, WrittenTableReadsTheSameInDbfreadAndOgr) {
  QZN_REQUIRE_ORACLE(HaveReaders(), "dbfread or GDAL's Python bindings");
  const std::string path = dir.file("mixed.dbf");
  ASSERT_GE(Create(path, MixedFields()), 0);
  AppendRow({"Road 1", "      12", "       3.125", "     -0.50", "20240229", "T", std::string(250, 'x')});
  ASSERT_EQ(DbfAppendBlank(), 0);
  ASSERT_EQ(DbfFieldReplace(DbfFieldRef("NAME"), "Bridge"), 0);
  ASSERT_EQ(DbfFieldReplace(DbfFieldRef("CODE"), "   -7"), 0);
  ASSERT_EQ(DbfFieldReplace(DbfFieldRef("WHEN"), "19991231"), 0);
  ASSERT_EQ(DbfFieldReplace(DbfFieldRef("OK"), "F"), 0);
  ASSERT_EQ(DbfFieldReplace(DbfFieldRef("LONGTEXT"), "end"), 0);
  ASSERT_EQ(DbfClose(), 0);  // writes the changed record back
  EXPECT_TRUE(Codes().empty()) << LastMessage();

  const std::string x250 = std::string(250, 'x');
  EXPECT_EQ(DbfOracle({"dbfread", path}),
            "NAME|C|20|0\nCODE|N|8|0\nVALUE|N|12|3\nRATE|F|10|2\nWHEN|D|8|0\nOK|L|1|0\nLONGTEXT|C|250|0\n--\n"
            "'Road 1'|12|3.125|-0.5|datetime.date(2024, 2, 29)|True|'" +
                x250 +
                "'\n"
                "'Bridge'|-7|None|None|datetime.date(1999, 12, 31)|False|'end'\n");
  EXPECT_EQ(DbfOracle({"ogr", path}),
            "NAME|String|20|0\nCODE|Integer|8|0\nVALUE|Real|12|3\nRATE|Real|10|2\nWHEN|Date|10|0\nOK|String|1|0\n"
            "LONGTEXT|String|250|0\n--\n"
            "'Road 1'|12|3.125|-0.5|'2024/02/29'|'T'|'" +
                x250 +
                "'\n"
                "'Bridge'|-7|None|None|'1999/12/31'|'F'|'end'\n");
}

TEST_F(DbfTable, NewTableAndAppendsHaveTheirLengthsAndCount) {
  const std::string path = dir.file("sizes.dbf");
  const std::vector<DbfField> fields = {Field("A", 'C', 5), Field("B", 'N', 4), Field("C", 'L', 1)};
  const int n = 3, r = 1 + 5 + 4 + 1;
  ASSERT_GE(Create(path, fields), 0);
  ASSERT_EQ(DbfRecordWidth(), r);
  std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 32u * n + 34);
  EXPECT_EQ(bytes[32 * n + 32], 13);
  EXPECT_EQ(bytes[32 * n + 33], 26);
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(U16(bytes, 8), 32u * n + 33);
  EXPECT_EQ(U16(bytes, 10), static_cast<unsigned>(r));
  EXPECT_EQ(DbfRecordCount(), 0);

  AppendRow({"one", "   1", "T"});
  AppendRow({"two", "   2", "F"});
  EXPECT_EQ(DbfRecordCount(), 2);
  ASSERT_EQ(DbfClose(), 0);
  bytes = ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 32u * n + 33 + 2 * r + 1);
  EXPECT_EQ(bytes.back(), 26);
  EXPECT_EQ(U32(bytes, 4), 2u);
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  EXPECT_EQ(bytes[1], tm.tm_year);
  EXPECT_EQ(bytes[2], tm.tm_mon + 1);
  EXPECT_EQ(bytes[3], tm.tm_mday);
}

TEST_F(DbfTable, FieldDefinitionsAreStoredWithinTheirRules) {
  struct Case {
    DbfField in;
    const char* name;
    char type;
    int width, decimals;
  };
  const Case cases[] = {
      {Field("my-id", 'C', 10), "MY", 'C', 10, 0},
      {Field("abcdefghijkl", 'C', 4), "ABCDEFGHIJ", 'C', 4, 0},
      {Field("x1", 'X', 6), "X1", 'C', 6, 0},
      {Field("n25", 'N', 25, 2), "N25", 'N', 19, 2},
      {Field("n5", 'N', 5, 4), "N5", 'N', 5, 3},
      {Field("n2", 'N', 2, 1), "N2", 'N', 2, 0},
      {Field("n0", 'n', 0, 0), "N0", 'N', 1, 0},
      {Field("f", 'F', 12, 12), "F", 'F', 12, 10},
      {Field("l", 'L', 7), "L", 'L', 1, 0},
      {Field("d", 'D', 3), "D", 'D', 8, 0},
      {Field("long", 'C', 1000), "LONG", 'C', 1000, 0},
      {Field("neg", 'C', -5), "NEG", 'C', 1, 0},
  };
  std::vector<DbfField> in;
  for (const Case& c : cases) in.push_back(c.in);
  ASSERT_GE(Create(dir.file("rules.dbf"), in), 0);
  ASSERT_EQ(DbfFieldCount(), static_cast<int>(std::size(cases)));
  int offset = 1;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const DbfField* f = DbfFieldInfo(DbfFieldByNumber(static_cast<int>(i) + 1));
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->name, cases[i].name) << i;
    EXPECT_EQ(f->type, cases[i].type) << cases[i].name;
    EXPECT_EQ(f->width, cases[i].width) << cases[i].name;
    EXPECT_EQ(f->decimals, cases[i].decimals) << cases[i].name;
    EXPECT_EQ(f->offset, offset) << cases[i].name;
    offset += f->width;
  }
  EXPECT_EQ(DbfRecordWidth(), offset);
  ASSERT_EQ(DbfClose(), 0);
  // The wide character field keeps its width in 16 bits on disk.
  const std::vector<std::uint8_t> bytes = ReadFileBytes(dir.file("rules.dbf"));
  EXPECT_EQ(U16(bytes, 32 * 11 + 16), 1000u);
  // dbfread reads that width (OGR takes only its low byte, see docs/dbase.md).
  if (qzntest::HavePythonModules({"dbfread"})) {
    const std::string fields = DbfOracle({"dbfread", dir.file("rules.dbf")});
    EXPECT_NE(fields.find("\nLONG|C|1000|0\n"), std::string::npos) << fields;
  }
}

TEST_F(DbfTable, MemoFieldCreatesTheMemoFile) {
  ASSERT_GE(Create(dir.file("notes.dbf"), {Field("ID", 'N', 5), Field("TEXT", 'M', 3)}), 0);
  ASSERT_EQ(DbfClose(), 0);
  const std::vector<std::uint8_t> table = ReadFileBytes(dir.file("notes.dbf"));
  EXPECT_EQ(table[0], 0x83);
  const std::vector<std::uint8_t> memo = ReadFileBytes(dir.file("notes.dbt"));
  ASSERT_EQ(memo.size(), 24u);
  EXPECT_EQ(U32(memo, 0), 1u);
  EXPECT_EQ(std::string(memo.begin() + 8, memo.begin() + 16), std::string("notes\0\0\0", 8));
  EXPECT_EQ(U16(memo, 18), 0x0102u);
  EXPECT_EQ(U16(memo, 20), 512u);
}

TEST_F(DbfTable, FieldAndRecordLimitsAreCheckedBeforeAnyFileExists) {
  std::vector<DbfField> many;
  for (int i = 0; i < 1023; ++i) many.push_back(Field(("F" + std::to_string(i)).c_str(), 'C', 1));
  ASSERT_GE(DbfCreate(dir.file("max.dbf"), 1022, many.data(), 1), 0) << LastMessage();
  EXPECT_EQ(DbfFieldCount(), 1022);
  ASSERT_EQ(DbfClose(), 0);

  EXPECT_EQ(DbfCreate(dir.file("over.dbf"), 1023, many.data(), 1), -1);
  EXPECT_EQ(Codes(), std::vector<int>{100});
  EXPECT_NE(LastMessage().find("太多 Fields"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("over.dbf")));

  const std::vector<DbfField> wide = {Field("A", 'C', 20000), Field("B", 'C', 20000)};
  EXPECT_EQ(DbfCreate(dir.file("wide.dbf"), 2, wide.data(), 0), -1);
  EXPECT_EQ(Codes().back(), 260);
  EXPECT_FALSE(std::filesystem::exists(dir.file("wide.dbf")));
  EXPECT_EQ(DbfSelect(-1), -1);
}

TEST_F(DbfTable, DamagedHeadersFailWithoutOpening) {
  const std::string good = dir.file("good.dbf");
  ASSERT_GE(Create(good, {Field("A", 'C', 5), Field("B", 'N', 4)}), 0);
  AppendRow({"abc", "  12"});
  ASSERT_EQ(DbfClose(), 0);
  const std::vector<std::uint8_t> base = ReadFileBytes(good);
  struct Case {
    const char* what;
    void (*damage)(std::vector<std::uint8_t>&);
    int code;
  };
  const Case cases[] = {
      {"shorter than the first 12 bytes", [](std::vector<std::uint8_t>& b) { b.resize(11); }, 200},
      {"header length of 32768", [](std::vector<std::uint8_t>& b) { b[9] = 0x80, b[8] = 0; }, 200},
      {"no end of the fields", [](std::vector<std::uint8_t>& b) { b[96] = ' '; }, 200},
      {"header cut inside a field", [](std::vector<std::uint8_t>& b) { b[8] = 40; }, 200},
      {"a field of width 0", [](std::vector<std::uint8_t>& b) { b[64 + 16] = 0; }, 200},
      {"fields beyond the record", [](std::vector<std::uint8_t>& b) { b[10] = 6; }, 200},
      {"records longer than 32767", [](std::vector<std::uint8_t>& b) { b[32 + 16] = 0xFF, b[32 + 17] = 0x7F; }, 260},
      // Fewer whole records than the header counts: the table was cut.
      {"cut inside its only record", [](std::vector<std::uint8_t>& b) { b.resize(b.size() - 4); }, 200},
      {"a count of 60 over one record", [](std::vector<std::uint8_t>& b) { b[4] = 60; }, 200},
  };
  for (const Case& c : cases) {
    host.messages.clear();
    std::vector<std::uint8_t> bytes = base;
    c.damage(bytes);
    const std::string path = dir.file("damaged.dbf");
    WriteFileBytes(path, bytes);
    EXPECT_EQ(DbfOpen(path), -1) << c.what;
    EXPECT_EQ(Codes(), std::vector<int>{c.code}) << c.what;
    EXPECT_EQ(DbfSelect(-1), -1) << c.what;
  }
  host.messages.clear();
  EXPECT_EQ(DbfOpen(dir.file("missing.dbf")), -1);
  EXPECT_EQ(Codes(), std::vector<int>{120});
}

TEST_F(DbfTable, CountsWholeRecordsAndPositions) {
  const std::string path = dir.file("count.dbf");
  ASSERT_GE(Create(path, {Field("ID", 'N', 6)}), 0);
  EXPECT_EQ(DbfGoTop(), 3);  // empty: blank record at the end of the file
  EXPECT_EQ(DbfRecordNumber(), 1);
  EXPECT_EQ(std::string(DbfRecordBuffer()), std::string(7, ' '));
  for (int i = 1; i <= 3; ++i) AppendRow({"     " + std::to_string(i)});
  ASSERT_EQ(DbfClose(), 0);
  // Cut the tail in the middle of the third record (and its end marker),
  // as an append that had not yet counted it leaves the file.
  std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  bytes.resize(bytes.size() - 4);
  bytes[4] = 2;
  WriteFileBytes(path, bytes);

  ASSERT_GE(DbfOpen(path), 0);
  EXPECT_EQ(DbfRecordCount(), 2);
  const DbfFieldRefT id = DbfFieldRef("id");
  ASSERT_NE(id, kDbfNoField);
  EXPECT_EQ(DbfGoTop(), 0);
  EXPECT_STREQ(DbfFieldText(id), "     1");
  EXPECT_EQ(DbfGoRecord(2), 0);
  EXPECT_STREQ(DbfFieldText(id), "     2");
  EXPECT_EQ(DbfGoRecord(0), 1);
  EXPECT_STREQ(DbfFieldText(id), "      ");
  EXPECT_TRUE(Codes().empty());
  EXPECT_EQ(DbfGoRecord(3), -1);
  EXPECT_EQ(Codes(), std::vector<int>{140});
  // The next append takes the place of the cut record.
  AppendRow({"     9"});
  EXPECT_EQ(DbfRecordNumber(), 3);
  ASSERT_EQ(DbfClose(), 0);
  bytes = ReadFileBytes(path);
  EXPECT_EQ(bytes.size(), 32u + 33 + 3 * 7 + 1);
  EXPECT_EQ(U32(bytes, 4), 3u);
}

TEST_F(DbfTable, FieldsByNameNumberAndText) {
  ASSERT_GE(Create(dir.file("fields.dbf"), {Field("ID", 'N', 4), Field("LONG", 'C', 300)}), 0);
  EXPECT_NE(DbfFieldRef("id"), kDbfNoField);
  EXPECT_NE(DbfFieldRef("Id  "), kDbfNoField);
  EXPECT_EQ(DbfFieldRef("IDX"), kDbfNoField);
  EXPECT_EQ(Codes(), std::vector<int>{270});
  EXPECT_NE(LastMessage().find("IDX"), std::string::npos);
  EXPECT_EQ(DbfFieldByNumber(0), kDbfNoField);
  EXPECT_EQ(DbfFieldByNumber(3), kDbfNoField);

  std::string text(300, ' ');
  for (int i = 0; i < 300; ++i) text[i] = static_cast<char>('a' + i % 26);
  AppendRow({"   1", text});
  const DbfFieldRefT longRef = DbfFieldByNumber(2);
  EXPECT_EQ(std::string(DbfFieldText(longRef)), text.substr(0, 256));
  char small[8];
  EXPECT_EQ(DbfFieldCopy(longRef, small, 5), 5);
  EXPECT_EQ(std::string(small, 5), "abcde");
  char big[400];
  EXPECT_EQ(DbfFieldCopy(longRef, big, 400), 300);
  EXPECT_EQ(std::string(big), text);

  // Replacement cuts at the width and blank-fills; a changed record goes
  // back to the file when the table moves on.
  EXPECT_EQ(DbfFieldReplace(DbfFieldRef("ID"), "123456"), 0);
  EXPECT_STREQ(DbfFieldText(DbfFieldRef("ID")), "1234");
  EXPECT_EQ(DbfFieldReplace(DbfFieldRef("ID"), "7"), 0);
  EXPECT_EQ(DbfGoRecord(1), 0);
  EXPECT_STREQ(DbfFieldText(DbfFieldRef("ID")), "7   ");
  EXPECT_EQ(DbfFieldText(kDbfNoField), nullptr);
  EXPECT_EQ(DbfFieldText((99 << 16) | 0), nullptr);
}

TEST_F(DbfTable, OneFileIsOneTableWhateverItsName) {
  const std::string a = dir.file("My Documents/a.dbf");
  const std::string b = dir.file("My Documents/b.dbf");
  std::filesystem::create_directories(dir.file("My Documents"));
  const int ta = Create(a, {Field("ID", 'N', 4)});
  const int tb = Create(b, {Field("ID", 'N', 4)});
  ASSERT_GE(ta, 0);
  ASSERT_GE(tb, 0);
  EXPECT_NE(ta, tb);
  // roads.dbf and ROADS.DBF are two files here, so two tables.
  const int lower = Create(dir.file("roads.dbf"), {Field("ID", 'N', 4)});
  const int upper = Create(dir.file("ROADS.DBF"), {Field("ID", 'N', 4)});
  EXPECT_NE(lower, upper);
  // Deep paths that agree in their first 63 characters.
  const std::string deep = dir.file(std::string(70, 'd'));
  std::filesystem::create_directories(deep);
  const int d1 = Create(deep + "/one.dbf", {Field("ID", 'N', 4)});
  const int d2 = Create(deep + "/two.dbf", {Field("ID", 'N', 4)});
  EXPECT_NE(d1, d2);

  // The same file under other names is the same table, not read again.
  DbfSelect(ta);
  AppendRow({"  42"});
  EXPECT_EQ(DbfOpen(a), ta);
  EXPECT_EQ(DbfOpen(dir.file("My Documents/./a.dbf")), ta);
  std::filesystem::create_symlink(a, dir.file("link.dbf"));
  EXPECT_EQ(DbfOpen(dir.file("link.dbf")), ta);
  EXPECT_EQ(DbfSelect(-1), ta);
  EXPECT_EQ(DbfRecordNumber(), 1);
  EXPECT_STREQ(DbfFieldText(DbfFieldRef("ID")), "  42");
  EXPECT_TRUE(Codes().empty()) << LastMessage();
}

TEST_F(DbfTable, CreationSafetySwitch) {
  const std::string path = dir.file("safe.dbf");
  const int first = Create(path, {Field("A", 'C', 3)});
  ASSERT_GE(first, 0);
  AppendRow({"old"});
  // Switch 1 refuses a file that exists (open here or not) and keeps it.
  EXPECT_EQ(DbfCreate(path, 1, std::vector<DbfField>{Field("B", 'N', 2)}.data(), 1), -1);
  EXPECT_EQ(Codes(), std::vector<int>{100});
  EXPECT_EQ(DbfSelect(-1), first);
  EXPECT_EQ(DbfRecordCount(), 1);
  // Switch 0 closes the open table and replaces the file.
  const int second = DbfCreate(path, 1, std::vector<DbfField>{Field("B", 'N', 2)}.data(), 0);
  ASSERT_GE(second, 0);
  EXPECT_EQ(DbfRecordCount(), 0);
  EXPECT_NE(DbfFieldRef("B"), kDbfNoField);
  // Only one table is open on the file.
  ASSERT_EQ(DbfClose(), 0);
  EXPECT_EQ(DbfSelect(-1), -1);
  // A name without an extension gets .DBF.
  ASSERT_GE(Create(dir.file("plain"), {Field("A", 'C', 3)}), 0);
  EXPECT_TRUE(std::filesystem::exists(dir.file("plain.DBF")));
}

TEST_F(DbfTable, TablesOfOtherProgramsReadFieldForField) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"dbfread", "osgeo.ogr", "shapefile"}),
                     "dbfread, pyshp or GDAL's Python bindings");
  const std::string spec =
      R"({"fields": [["NAME", "C", 12, 0], ["AMOUNT", "N", 10, 2], ["COUNT", "N", 5, 0], ["WHEN", "D", 8, 0]],)"
      R"( "records": [["first", 12.5, 3, "20240131"], ["second", -0.25, -40, "19991231"], ["", null, null, null]]})";
  const std::string pyshp = dir.file("pyshp.dbf");
  const std::string ogr = dir.file("ogr.dbf");
  const std::string wide = dir.file("wide.dbf");
  DbfOracle({"pyshp", pyshp, spec});
  const std::string ogrSpec =
      R"({"fields": [["name", "C", 12, 0], ["amount", "N", 10, 2], ["count", "I", 5, 0], ["when", "D", 8, 0]],)"
      R"( "records": [["first", 12.5, 3, "2024/01/31"], ["second", -0.25, -40, "1999/12/31"], [null, null, null, null]]})";
  DbfOracle({"ogrwrite", ogr, ogrSpec});
  std::filesystem::copy_file(pyshp, wide);
  DbfOracle({"widen", wide, "263"});
  EXPECT_NE(ReadFileBytes(ogr)[29], 0) << "OGR sets the language byte";

  for (const std::string& path : {pyshp, ogr, wide}) {
    // dbfread's raw view: field definitions, then each value's bytes in hex.
    const std::string want = DbfOracle({"dbfraw", path});
    ASSERT_GE(DbfOpen(path), 0) << path << LastMessage();
    std::string got;
    for (int i = 1; i <= DbfFieldCount(); ++i) {
      const DbfField* f = DbfFieldInfo(DbfFieldByNumber(i));
      got += std::string(f->name) + "|" + f->type + "|" + std::to_string(f->width) + "|" + std::to_string(f->decimals) +
             "\n";
    }
    got += "--\n";
    for (std::int64_t r = 1; r <= DbfRecordCount(); ++r) {
      EXPECT_EQ(DbfGoRecord(r), 0);
      for (int i = 1; i <= DbfFieldCount(); ++i) {
        got += i > 1 ? "|'" : "'";
        const DbfFieldRefT ref = DbfFieldByNumber(i);
        std::vector<char> raw(static_cast<std::size_t>(DbfFieldInfo(ref)->width));
        const int n = DbfFieldCopy(ref, raw.data(), static_cast<int>(raw.size()));
        std::string hex;
        for (int k = 0; k < n; ++k) {
          char h[3];
          std::snprintf(h, sizeof h, "%02x", static_cast<unsigned char>(raw[static_cast<std::size_t>(k)]));
          hex += h;
        }
        got += hex + "'";
      }
      got += "\n";
    }
    EXPECT_EQ(got, want) << path;
    // The field ID lookup of other programs' lower-case names.
    EXPECT_NE(DbfFieldRef("NAME"), kDbfNoField) << path;
    ASSERT_EQ(DbfClose(), 0);
  }
  EXPECT_TRUE(Codes().empty()) << LastMessage();
}

TEST_F(DbfTable, ReadingLeavesAnotherProgramsFileAsItWas) {
  const std::string path = dir.file("keep.dbf");
  ASSERT_GE(Create(path, {Field("A", 'C', 3)}), 0);
  AppendRow({"abc"});
  ASSERT_EQ(DbfClose(), 0);
  std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  bytes[1] = 80, bytes[2] = 1, bytes[3] = 2;  // another date
  bytes[4] = 0;                               // a count the other program keeps
  WriteFileBytes(path, bytes);
  ASSERT_GE(DbfOpen(path), 0);
  EXPECT_EQ(DbfGoTop(), 0);
  EXPECT_EQ(DbfRecordCount(), 1);
  ASSERT_EQ(DbfClose(), 0);
  EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST_F(DbfTable, RunningOutOfBufferMemoryFailsTheCallOnly) {
  ASSERT_GE(Create(dir.file("first.dbf"), {Field("A", 'C', 100)}), 0);
  // More than the pool holds: buffers of as many records as fit.
  EXPECT_EQ(DbfSetBuffering(1000, 1000, 1), 0);
  EXPECT_TRUE(Codes().empty()) << LastMessage();
  ASSERT_GE(Create(dir.file("mem.dbf"), {Field("A", 'C', 100)}), 0);
  AppendRow({"kept"});
  // The pool is taken: not even one record a buffer fits.
  EXPECT_EQ(DbfSetBuffering(10, 10, 1), -1);
  EXPECT_EQ(Codes(), std::vector<int>{900});
  EXPECT_EQ(DbfLastError(), 900);
  EXPECT_NE(LastMessage().find("内存不足"), std::string::npos);
  // The table goes on as before.
  EXPECT_EQ(DbfGoRecord(1), 0);
  EXPECT_EQ(std::string(DbfFieldText(DbfFieldByNumber(1))).substr(0, 4), "kept");
  AppendRow({"more"});
  EXPECT_EQ(DbfRecordCount(), 2);
}

// Random moves, changes, rewrites and appends agree with a plain model of the
// table whether records go through buffers (written behind or through) or
// straight to the file; the file agrees with the model once closed.
TEST_F(DbfTable, RecordBuffersKeepTheSameRecords) {
  struct Setup {
    int perBuffer, count, writeBehind;
  };
  const Setup setups[] = {{0, 0, 0}, {4, 2, 1}, {3, 3, 0}, {1, 1, 1}, {16, 4, 1}};
  for (const Setup& setup : setups) {
    SCOPED_TRACE(std::to_string(setup.perBuffer) + "x" + std::to_string(setup.count) + " behind " +
                 std::to_string(setup.writeBehind));
    const std::string path = dir.file("buffers.dbf");
    ASSERT_GE(Create(path, {Field("NAME", 'C', 6), Field("N", 'N', 5)}), 0);
    std::vector<std::string> model;  // each record without its deletion flag
    auto text = [](int v) {
      char b[32];
      std::snprintf(b, sizeof b, "r%-5d%5d", v % 100000, v % 100000);
      return std::string(b, 11);
    };
    for (int i = 0; i < 20; ++i) {
      model.push_back(text(i));
      AppendRow({model.back().substr(0, 6), model.back().substr(6)});
    }
    ASSERT_EQ(DbfSetBuffering(setup.perBuffer, setup.count, setup.writeBehind), 0) << LastMessage();
    std::mt19937 rng(7);
    std::int64_t at = 0;  // the current record, 0 when none was read
    for (int step = 0; step < 600; ++step) {
      const int op = static_cast<int>(rng() % 10);
      const int v = 1000 + step;
      if (op < 4) {
        at = 1 + static_cast<std::int64_t>(rng() % model.size());
        ASSERT_EQ(DbfGoRecord(at), 0) << LastMessage();
        ASSERT_EQ(std::string(DbfRecordBuffer() + 1), model[at - 1]) << "record " << at;
      } else if (op < 7 && at > 0) {
        ASSERT_EQ(DbfFieldReplace(DbfFieldByNumber(1), text(v).substr(0, 6)), 0);
        ASSERT_EQ(DbfFieldReplace(DbfFieldByNumber(2), text(v).substr(6)), 0);
        model[at - 1] = text(v);
      } else if (op < 8) {
        // A record written by number: read, changed in the buffer, written.
        const std::int64_t n = 1 + static_cast<std::int64_t>(rng() % model.size());
        ASSERT_EQ(DbfGoRecord(n), 0);
        std::memcpy(DbfRecordBuffer() + 1, text(v).data(), 11);
        ASSERT_EQ(DbfWriteRecord(n), 0) << LastMessage();
        model[n - 1] = text(v);
        at = n;
      } else {
        ASSERT_EQ(DbfAppendBlank(), 0);
        ASSERT_EQ(DbfFieldReplace(DbfFieldByNumber(1), text(v).substr(0, 6)), 0);
        ASSERT_EQ(DbfFieldReplace(DbfFieldByNumber(2), text(v).substr(6)), 0);
        model.push_back(text(v));
        at = static_cast<std::int64_t>(model.size());
      }
    }
    ASSERT_EQ(DbfClose(), 0);
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 32u * 2 + 33 + model.size() * 12 + 1);
    for (std::size_t i = 0; i < model.size(); ++i)
      EXPECT_EQ(std::string(bytes.begin() + 97 + 12 * i + 1, bytes.begin() + 97 + 12 * (i + 1)), model[i]) << i;
    EXPECT_TRUE(Codes().empty()) << LastMessage();
  }
}

TEST_F(DbfTable, WriteBehindReachesTheFileOnFlush) {
  const std::string path = dir.file("behind.dbf");
  ASSERT_GE(Create(path, {Field("A", 'C', 3)}), 0);
  for (const char* v : {"aaa", "bbb", "ccc"}) AppendRow({v});
  ASSERT_EQ(DbfSetBuffering(4, 2, 1), 0);
  ASSERT_EQ(DbfGoRecord(1), 0);
  ASSERT_EQ(DbfFieldReplace(DbfFieldByNumber(1), "xyz"), 0);
  ASSERT_EQ(DbfGoRecord(2), 0);  // written back into the buffer only
  const std::size_t first = 32 + 33 + 1;
  std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  EXPECT_EQ(std::string(bytes.begin() + first, bytes.begin() + first + 3), "aaa");
  ASSERT_EQ(DbfFlush(-1), 0);
  bytes = ReadFileBytes(path);
  EXPECT_EQ(std::string(bytes.begin() + first, bytes.begin() + first + 3), "xyz");
  // Buffers come from a pool of their own; removing them gives it back.
  EXPECT_EQ(DbfSetBuffering(100, 150, 1), 0) << LastMessage();
  EXPECT_EQ(DbfSetBuffering(0, 0, 0), 0);
  EXPECT_EQ(DbfSetBuffering(100, 150, 1), 0) << LastMessage();
}

TEST_F(DbfTable, ErrorReportShowsCodeMessageAndTexts) {
  EXPECT_EQ(DbfClose(), -1);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "错误数:        240\n\n不打开数据库");
  EXPECT_EQ(host.messages[0].style, static_cast<unsigned>(MB_OK | MB_ICONSTOP));
  DbfReportError(140, {"t.dbf", "记录: " + std::string("         7")});
  EXPECT_EQ(host.messages[1].text, "错误数:        140\n\n从文件读取\nt.dbf\n记录:          7");
}

}  // namespace
