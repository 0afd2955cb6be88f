// Text files in code page 936, line ends, and numbers in the C locale under a
// German or French process locale.
#include "platform/textfile.h"

#include "tests/platform/leftovers.h"
#include "tests/support/testutil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>
#include <filesystem>

using namespace qzn;

using qzntest::Hex;

namespace {

std::vector<std::uint8_t> B(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

std::vector<std::string> ReadAllLines(const std::string& path, std::uint64_t* count = nullptr) {
  CTextFileReader r;
  EXPECT_TRUE(r.Open(path));
  std::vector<std::string> lines;
  std::string line;
  while (r.ReadLine(line)) lines.push_back(line);
  EXPECT_FALSE(r.Error());
  if (count) *count = r.LineNumber();
  return lines;
}

// ---------------------------------------------------------------------------
// Conversion

TEST(CodePage, HandCheckedGbkBytes) {
  EXPECT_EQ(Hex(B(Utf8ToGbk("中"))), "d6 d0");
  EXPECT_EQ(Hex(B(Utf8ToGbk("从 QZN 退出吗?"))), "b4 d3 20 51 5a 4e 20 cd cb b3 f6 c2 f0 3f");
  EXPECT_EQ(Hex(B(Utf8ToGbk("€"))), "80");  // code page 936 has the euro at 0x80
  EXPECT_EQ(GbkToUtf8("\xD6\xD0\xCE\xC4"), "中文");
  EXPECT_EQ(GbkToUtf8("\x80"), "€");
  EXPECT_EQ(GbkToUtf8(Utf8ToGbk("从 QZN 退出吗?")), "从 QZN 退出吗?");
  bool ok = false;
  EXPECT_EQ(Utf8ToGbk("plain ascii", &ok), "plain ascii");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Utf8ToGbk(""), "");
  std::string withNul("a\0中", 5);
  EXPECT_EQ(Hex(B(Utf8ToGbk(withNul))), "61 00 d6 d0");
}

TEST(CodePage, UnconvertibleBecomesQuestionMark) {
  struct Case {
    std::string in;
    std::string out;
    bool utf8ToGbk;
  } cases[] = {
      {"a\xF0\x9F\x98\x80"
       "b",
       "a?b", true},                // an emoji has no GBK form
      {"a\xC3", "a?", true},        // cut UTF-8 sequence at the end
      {"a\xE4\xB8z", "a?z", true},  // cut UTF-8 sequence inside
      {"\xFF"
       "a",
       "?a", true},            // not UTF-8 at all
      {"a\x81", "a?", false},  // lone GBK lead byte at the end
      {"\xFF"
       "a",
       "?a", false},  // 0xFF is no GBK byte
      {"\xD6\xD0\xFF\xD6\xD0", "中?中", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Hex(B(c.in)));
    bool ok = true;
    std::string got = c.utf8ToGbk ? Utf8ToGbk(c.in, &ok) : GbkToUtf8(c.in, &ok);
    EXPECT_EQ(got, c.out);
    EXPECT_FALSE(ok);
  }
}

TEST(CodePage, LongMixedTextRoundTrips) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "第" + std::to_string(i) + "行 line; ";
  bool ok = false;
  std::string gbk = Utf8ToGbk(text, &ok);
  EXPECT_TRUE(ok);
  EXPECT_LT(gbk.size(), text.size());
  EXPECT_EQ(GbkToUtf8(gbk, &ok), text);
  EXPECT_TRUE(ok);
}

// ---------------------------------------------------------------------------
// Reading

TEST(TextFileReader, CrlfLfAndLastLineWithoutEnd) {
  qzntest::TempDir dir;
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one\ntwo\n", {"one", "two"}},
      {"one\r\ntwo\nthree", {"one", "two", "three"}},
      {"last without end", {"last without end"}},
      {"", {}},
      {"\n", {""}},
      {"\r\n\r\nx", {"", "", "x"}},
      {"a\r\n\r\n", {"a", ""}},
      {"\xB4\xD3 QZN \xCD\xCB\xB3\xF6\xC2\xF0?\r\n\xD6\xD0", {"从 QZN 退出吗?", "中"}},
  };
  int i = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(Hex(B(c.bytes)));
    std::string path = dir.file("in" + std::to_string(i++) + ".txt");
    qzntest::WriteFileText(path, c.bytes);
    std::uint64_t count = 0;
    EXPECT_EQ(ReadAllLines(path, &count), c.lines);
    EXPECT_EQ(count, c.lines.size());
  }
}

TEST(TextFileReader, RawLinesAndReopen) {
  qzntest::TempDir dir;
  std::string path = dir.file("raw.txt");
  qzntest::WriteFileText(path, "\xD6\xD0\r\nabc");
  CTextFileReader r;
  EXPECT_FALSE(r.IsOpen());
  std::string line;
  EXPECT_FALSE(r.ReadLine(line));
  ASSERT_TRUE(r.Open(path));
  EXPECT_TRUE(r.IsOpen());
  ASSERT_TRUE(r.ReadLineRaw(line));
  EXPECT_EQ(Hex(B(line)), "d6 d0");
  EXPECT_EQ(r.LineNumber(), 1u);
  ASSERT_TRUE(r.Open(path));  // opening again starts over
  EXPECT_EQ(r.LineNumber(), 0u);
  ASSERT_TRUE(r.ReadLine(line));
  EXPECT_EQ(line, "中");
  r.Close();
  EXPECT_FALSE(r.IsOpen());
  EXPECT_FALSE(r.Open(dir.file("missing.txt")));
}

TEST(TextFileReader, ManyLongLines) {
  qzntest::TempDir dir;
  std::string path = dir.file("many.txt");
  std::string content;
  std::string longLine(100000, 'x');
  for (int i = 0; i < 50000; ++i) content += std::to_string(i) + (i % 2 ? "\r\n" : "\n");
  content += longLine;
  qzntest::WriteFileText(path, content);
  auto lines = ReadAllLines(path);
  ASSERT_EQ(lines.size(), 50001u);
  EXPECT_EQ(lines[49999], "49999");
  EXPECT_EQ(lines.back(), longLine);
}

// ---------------------------------------------------------------------------
// Writing

TEST(TextFileWriter, WritesGbkWithCrlf) {
  qzntest::TempDir dir;
  std::string path = dir.file("out.txt");
  CTextFileWriter w;
  ASSERT_TRUE(w.Open(path));
  EXPECT_TRUE(w.IsOpen());
  w.WriteLine("从 QZN 退出吗?");
  w.Write("a\nb\n");
  w.Write("c\r\nd");  // an existing CRLF is not doubled
  w.Write("\r");
  w.Write("\ne\n");  // nor across calls
  w.Printf("%d %s\n", 42, "中");
  EXPECT_FALSE(w.Error());
  ASSERT_TRUE(w.Close());
  EXPECT_FALSE(w.IsOpen());
  EXPECT_EQ(Hex(qzntest::ReadFileBytes(path)),
            "b4 d3 20 51 5a 4e 20 cd cb b3 f6 c2 f0 3f 0d 0a "
            "61 0d 0a 62 0d 0a 63 0d 0a 64 0d 0a 65 0d 0a 34 32 20 d6 d0 0d 0a");
  EXPECT_EQ(ReadAllLines(path), (std::vector<std::string>{"从 QZN 退出吗?", "a", "b", "c", "d", "e", "42 中"}));
  EXPECT_TRUE(TempLeftovers(dir.path()).empty());
}

TEST(TextFileWriter, UnconvertibleCharacterIsNoError) {
  qzntest::TempDir dir;
  std::string path = dir.file("emoji.txt");
  CTextFileWriter w;
  ASSERT_TRUE(w.Open(path));
  w.WriteLine("x\xF0\x9F\x98\x80y");
  EXPECT_FALSE(w.Error());
  ASSERT_TRUE(w.Close());
  EXPECT_EQ(qzntest::ReadFileText(path), "x?y\r\n");
}

TEST(TextFileWriter, TargetReplacedOnlyOnClose) {
  qzntest::TempDir dir;
  std::string path = dir.file("t.txt");
  qzntest::WriteFileText(path, "old\r\n");
  {
    CTextFileWriter w;
    ASSERT_TRUE(w.Open(path));
    w.WriteLine("new");
    EXPECT_EQ(qzntest::ReadFileText(path), "old\r\n");
    EXPECT_EQ(TempLeftovers(dir.path()).size(), 1u);
    w.Abort();
    EXPECT_FALSE(w.Close());  // nothing left to close
  }
  EXPECT_EQ(qzntest::ReadFileText(path), "old\r\n");
  {
    CTextFileWriter w;
    ASSERT_TRUE(w.Open(path));
    w.WriteLine("new");
  }  // destroyed without Close()
  EXPECT_EQ(qzntest::ReadFileText(path), "old\r\n");
  EXPECT_TRUE(TempLeftovers(dir.path()).empty());
  {
    CTextFileWriter w;
    ASSERT_TRUE(w.Open(path));
    w.WriteLine("new");
    EXPECT_TRUE(w.Close());
  }
  EXPECT_EQ(qzntest::ReadFileText(path), "new\r\n");
  EXPECT_TRUE(TempLeftovers(dir.path()).empty());
}

// Finish writes the whole file out but leaves the old one in place until
// Close; a finished file that is never closed is dropped.
TEST(TextFileWriter, FinishedFileWaitsForClose) {
  qzntest::TempDir dir;
  const std::string path = dir.file("t.txt");
  qzntest::WriteFileText(path, "old\r\n");
  {
    CTextFileWriter w;
    ASSERT_TRUE(w.Open(path));
    w.WriteLine("new");
    ASSERT_TRUE(w.Finish());
    EXPECT_TRUE(w.Finish());
    EXPECT_EQ(qzntest::ReadFileText(path), "old\r\n");
  }
  EXPECT_EQ(qzntest::ReadFileText(path), "old\r\n");
  EXPECT_TRUE(TempLeftovers(dir.path()).empty());
  CTextFileWriter w;
  ASSERT_TRUE(w.Open(path));
  w.WriteLine("new");
  ASSERT_TRUE(w.Finish());
  EXPECT_TRUE(w.Close());
  EXPECT_EQ(qzntest::ReadFileText(path), "new\r\n");
  EXPECT_TRUE(TempLeftovers(dir.path()).empty());
}

TEST(TextFileWriter, OpenFailure) {
  qzntest::TempDir dir;
  CTextFileWriter w;
  EXPECT_FALSE(w.Open(dir.file("no/such/folder/x.txt")));
  EXPECT_FALSE(w.IsOpen());
  EXPECT_TRUE(w.Error());
  w.WriteLine("ignored");
  EXPECT_FALSE(w.Close());
  EXPECT_FALSE(w.Open(dir.path().string()));  // a folder
}

// ---------------------------------------------------------------------------
// Numbers in the C locale

TEST(CLocaleNumbers, FormatAndParse) {
  EXPECT_EQ(FormatC("%.2f|%g|%d|%s", 1.5, 0.25, -3, "中"), "1.50|0.25|-3|中");
  std::string big(1000, 'x');
  EXPECT_EQ(FormatC("%s%.1f", big.c_str(), 2.0), big + "2.0");
  double d = 0;
  int i = 0;
  EXPECT_EQ(ScanC("3.25 7", "%lf %d", &d, &i), 2);
  EXPECT_EQ(d, 3.25);
  EXPECT_EQ(i, 7);

  struct DCase {
    const char* text;
    bool ok;
    double value;
  } dcases[] = {
      {"1.5", true, 1.5}, {" 2.25\t", true, 2.25}, {"+3", true, 3},   {"-4.5e2", true, -450}, {".5", true, 0.5},
      {"7.", true, 7},    {"1,5", false, 0},       {"", false, 0},    {"  ", false, 0},       {"abc", false, 0},
      {"1.5x", false, 0}, {"1 2", false, 0},       {"inf", false, 0}, {"nan", false, 0},      {"1e999", false, 0},
      {"0x10", false, 0}, {"+-1", false, 0},       {"++1", false, 0}, {"-", false, 0},        {"+", false, 0},
  };
  for (const auto& c : dcases) {
    SCOPED_TRACE(c.text);
    double v = -99;
    EXPECT_EQ(ParseDouble(c.text, v), c.ok);
    EXPECT_EQ(v, c.ok ? c.value : -99);
  }
  struct ICase {
    const char* text;
    bool ok;
    long long value;
  } icases[] = {
      {"42", true, 42},
      {" -7 ", true, -7},
      {"+8", true, 8},
      {"9223372036854775807", true, 9223372036854775807LL},
      {"-9223372036854775808", true, -9223372036854775807LL - 1},
      {"9223372036854775808", false, 0},
      {"1.0", false, 0},
      {"", false, 0},
      {"12a", false, 0},
      {"0x1A", false, 0},
  };
  for (const auto& c : icases) {
    SCOPED_TRACE(c.text);
    long long v = -99;
    EXPECT_EQ(ParseInt(c.text, v), c.ok);
    EXPECT_EQ(v, c.ok ? c.value : -99);
  }
}

// The fixed conversions of doubles that the exports write millions of times
// take a faster road than printf; the digits must be printf's to the last
// one: ties, negative zero, huge and tiny values, not-a-number.
TEST(CLocaleNumbers, FixedConversionsMatchPrintf) {
  std::vector<double> values = {0.0,    -0.0,        0.5,         1.5,        2.5,      -2.5,      0.0625,
                                0.0005, 500200.0625, 1e15 + 0.3,  1e300,      -1e308,   5e-324,    123456789.0000005,
                                0.1,    1.0 / 3.0,   4000000.456, -7.9999995, HUGE_VAL, -HUGE_VAL, std::nan("")};
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-12, 18);
  for (int i = 0; i < 20000; ++i) values.push_back(std::ldexp(mantissa(rng), exponent(rng) * 3));
  for (const double v : values) {
    char want[2000];
    for (const char* fmt : {"%f", "%lf,", "%.3f", "%.0f", "x%.12f y"}) {
      std::snprintf(want, sizeof want, fmt, v);
      ASSERT_EQ(FormatC(fmt, v), want) << fmt << " " << std::hexfloat << v;
    }
    std::snprintf(want, sizeof want, "10\n%f\n20\n%lf\n30\n%.3f 100%%\n", v, -v, v / 7);
    ASSERT_EQ(FormatC("10\n%f\n20\n%lf\n30\n%.3f 100%%\n", v, -v, v / 7), want);
  }
}

// Sets the process locale for one test and puts the old one back.
class ProcessLocale {
 public:
  explicit ProcessLocale(const char* name) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    m_old = old ? old : "C";
    m_ok = std::setlocale(LC_ALL, name) != nullptr;
  }
  ~ProcessLocale() { std::setlocale(LC_ALL, m_old.c_str()); }
  bool ok() const { return m_ok; }

 private:
  std::string m_old;
  bool m_ok;
};

class CommaLocale : public ::testing::TestWithParam<const char*> {};

TEST_P(CommaLocale, NumbersKeepThePoint) {
  ProcessLocale loc(GetParam());
  QZN_REQUIRE_ORACLE(loc.ok(), "locale " << GetParam() << " (tools/setup-debian.sh generates it)")
  // The locale is really in force: plain printf writes a comma.
  char plain[32];
  std::snprintf(plain, sizeof plain, "%.2f", 1.5);
  ASSERT_STREQ(plain, "1,50");

  EXPECT_EQ(FormatC("%.2f %g %.3e", 1.5, 1234.5, 0.001), "1.50 1234.5 1.000e-03");
  double d = 0;
  EXPECT_EQ(ScanC("2.75", "%lf", &d), 1);
  EXPECT_EQ(d, 2.75);
  EXPECT_TRUE(ParseDouble("3.125", d));
  EXPECT_EQ(d, 3.125);
  EXPECT_FALSE(ParseDouble("3,125", d));
  long long n = 0;
  EXPECT_TRUE(ParseInt("1234567", n));
  EXPECT_EQ(n, 1234567);

  qzntest::TempDir dir;
  std::string path = dir.file("numbers.txt");
  CTextFileWriter w;
  ASSERT_TRUE(w.Open(path));
  w.Printf("%.1f;%.3f\n", 0.5, -12.25);
  ASSERT_TRUE(w.Close());
  EXPECT_EQ(qzntest::ReadFileText(path), "0.5;-12.250\r\n");

  // The process locale is untouched afterwards.
  std::snprintf(plain, sizeof plain, "%.1f", 0.5);
  EXPECT_STREQ(plain, "0,5");
}

INSTANTIATE_TEST_SUITE_P(GermanAndFrench, CommaLocale, ::testing::Values("de_DE.UTF-8", "fr_FR.UTF-8"),
                         [](const auto& info) { return std::string(info.param).substr(0, 2); });

}  // namespace
