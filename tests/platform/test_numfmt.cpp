// The number formatter against the C library: every format the text writers
// use must give printf's bytes, on edge cases and on millions of doubles.
#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/numfmt.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

std::string Libc(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Libc(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::vector<char> buf(4096);
  va_list ap2;
  va_copy(ap2, ap);
  const int n = std::vsnprintf(buf.data(), buf.size(), fmt, ap2);
  va_end(ap2);
  if (n >= static_cast<int>(buf.size())) {
    buf.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, ap);
  }
  va_end(ap);
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

std::string Ours(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Ours(const char* fmt, ...) {
  std::string out;
  va_list ap;
  va_start(ap, fmt);
  VAppendFormat(out, fmt, ap);
  va_end(ap);
  return out;
}

// Every double conversion the program's writers use, and the flag and width
// combinations printf allows on them.
const char* const kDoubleFormats[] = {
    "%f",     "%lf",     "%.0f",   "%.1f", "%.2f",    "%.3f",    "%.4f",     "%.6f",  "%.10f", "%.17f", "%.30f",
    "%15.3f", "%-12.2f", "%+f",    "% f",  "%012.4f", "%-+9.1f", "%+012.3f", "%e",    "%.0e",  "%.3e",  "%.17e",
    "%E",     "%14.4e",  "%g",     "%.0g", "%.1g",    "%.3g",    "%.10g",    "%.15g", "%.17g", "%G",    "%10.4g",
    "%-10g",  "%+g",     "%08.3g", "%F",   "%#g",     "%#.0f",   "%a",       "%.3a",
};

std::vector<double> EdgeDoubles() {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> v = {0.0,
                           -0.0,
                           0.5,
                           1.5,
                           2.5,
                           -0.5,
                           -2.5,
                           0.125,
                           0.375,
                           0.0078125,  // 2^-7: a tie at six decimals
                           1e-7,
                           5e-7,
                           4.9999995e-7,
                           9.9999995,
                           999999.9999995,
                           0.1,
                           0.3,
                           1.0 / 3.0,
                           2.0 / 3.0,
                           123456.789,
                           -98765.4321,
                           9007199254740992.0,
                           9007199254740993.0,
                           1e15,
                           1e16,
                           1e17,
                           1e21,
                           1e22,
                           1e23,
                           1e100,
                           1e-100,
                           1e300,
                           std::numeric_limits<double>::max(),
                           -std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::min(),
                           std::numeric_limits<double>::denorm_min(),
                           -std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::epsilon(),
                           static_cast<double>(std::numeric_limits<float>::max()),
                           static_cast<double>(0.1f),
                           static_cast<double>(16777217.0f),
                           inf,
                           -inf,
                           nan,
                           -nan};
  // Exact ties at d decimals: i + (2j + 1) / 2^(d + 1) has d + 1 decimals, the
  // last a 5, so printf's round-half-to-even decides.
  for (int d = 0; d <= 8; ++d)
    for (int j = 0; j < 6; ++j)
      for (double i : {0.0, 1.0, 2.0, 7.0, 1024.0, 123456.0}) {
        const double t = i + (2.0 * j + 1.0) / std::ldexp(1.0, d + 1);
        v.push_back(t);
        v.push_back(-t);
      }
  return v;
}

TEST(NumberFormat, EveryFormatOnEdgeCasesMatchesPrintf) {
  for (const char* fmt : kDoubleFormats)
    for (double d : EdgeDoubles()) {
      const std::string want = Libc(fmt, d);
      ASSERT_EQ(Ours(fmt, d), want) << fmt << " of " << Libc("%a", d);
    }
}

TEST(NumberFormat, AppendFunctionsMatchPrintfOnEdgeCases) {
  for (double d : EdgeDoubles())
    for (int p = 0; p <= 20; ++p) {
      std::string f, g, e;
      AppendFixed(f, d, p);
      AppendGeneral(g, d, p);
      AppendScientific(e, d, p);
      ASSERT_EQ(f, Libc("%.*f", p, d)) << p << " " << Libc("%a", d);
      ASSERT_EQ(g, Libc("%.*g", p, d)) << p << " " << Libc("%a", d);
      ASSERT_EQ(e, Libc("%.*e", p, d)) << p << " " << Libc("%a", d);
    }
}

// Whole numbers take a shorter way ("%f" of pixel positions): every digit
// count up to and past its limit, with 9s and 0s at both ends, signed zero,
// at every precision, through every entry point.
TEST(NumberFormat, WholeNumbersMatchPrintf) {
  std::vector<double> whole = {0.0, -0.0, 1.0, -1.0, 9672.0, -8256.0, 1e18, -1e18, 1e19, 9007199254740992.0,
                               static_cast<double>(16777216.0f)};
  for (double p = 1.0; p < 1e20; p *= 10.0)
    for (double d : {p - 1.0, p, p + 1.0, 2.0 * p, std::nextafter(1e18, 0.0)}) {
      whole.push_back(d);
      whole.push_back(-d);
    }
  char buf[512];
  for (double d : whole)
    for (int p = 0; p <= 20; ++p) {
      const std::string want = Libc("%.*f", p, d);
      std::string f;
      AppendFixed(f, d, p);
      ASSERT_EQ(f, want) << p << " " << Libc("%a", d);
      const char* end = WriteFixed(buf, buf + sizeof buf, d, p);
      ASSERT_NE(end, nullptr);
      ASSERT_EQ(std::string(static_cast<const char*>(buf), end), want) << p << " " << Libc("%a", d);
      ASSERT_EQ(Ours("%.*f|%12.*f|%-+14.*f", p, d, p, d, p, d),
                Libc("%.*f|%12.*f|%-+14.*f", p, d, p, d, p, d));
    }
  // Too little room is refused, not overrun.
  EXPECT_EQ(WriteFixed(buf, buf + 3, 12345.0, 2), nullptr);
}

// Millions of doubles: random bit patterns (every exponent, subnormals, NaN
// payloads), coordinates as the tracers and map transforms make them (floats
// of pixel positions, map metres), and random precisions.
TEST(NumberFormat, MillionsOfDoublesMatchPrintf) {
  std::mt19937_64 rng(20240601);
  std::uniform_real_distribution<double> metres(-1e7, 1e7);
  std::uniform_real_distribution<double> pixels(0.0, 30000.0);
  std::uniform_int_distribution<int> precision(0, 17);
  const char* const formats[] = {"%f", "%.3f", "%g", "%.15g", "%e"};
  std::string ours;
  char want[512];
  std::int64_t checked = 0;
  for (int i = 0; i < 1000000; ++i) {
    double d;
    switch (i % 4) {
      case 0: d = std::bit_cast<double>(rng()); break;
      case 1: d = metres(rng); break;
      case 2: d = static_cast<double>(static_cast<float>(pixels(rng))); break;
      default:
        // Two decimals of a pixel position, as typed control points are.
        d = std::round(pixels(rng) * 100.0) / 100.0;
        break;
    }
    const int p = precision(rng);
    // A random bit pattern is mostly huge or tiny: "%f" of it is hundreds of
    // digits, so it is checked with "%g" and "%e" only.
    const int first = i % 4 == 0 ? 2 : 0;
    for (int k = first; k < 5; k += 2 - (i & 1)) {
      ours.clear();
      AppendFormat(ours, formats[k], d);
      const int n = std::snprintf(want, sizeof want, formats[k], d);
      ASSERT_EQ(ours, std::string(want, static_cast<std::size_t>(n))) << formats[k] << " " << Libc("%a", d);
      ++checked;
    }
    ours.clear();
    if (i % 4 == 0)
      AppendGeneral(ours, d, p);
    else
      AppendFixed(ours, d, p);
    const int n = std::snprintf(want, sizeof want, i % 4 == 0 ? "%.*g" : "%.*f", p, d);
    ASSERT_EQ(ours, std::string(want, static_cast<std::size_t>(n))) << p << " " << Libc("%a", d);
    ++checked;
  }
  EXPECT_GT(checked, 3000000);
}

// Whole formats as the writers pass them: integers of every length with
// flags, widths and precisions, strings, characters and literal text.
TEST(NumberFormat, MixedFormatsMatchPrintf) {
  const long long ints[] = {0,
                            1,
                            -1,
                            7,
                            -42,
                            65280,
                            2147483647LL,
                            -2147483647LL - 1,
                            4294967295LL,
                            9223372036854775807LL,
                            -9223372036854775807LL - 1};
  for (long long v : ints) {
    const int i = static_cast<int>(v);
    const long l = static_cast<long>(v);
    EXPECT_EQ(Ours("%d|%5d|%-5d|%05d|%+d|% d|%.3d|%.0d|%8.3d|%-+8d", i, i, i, i, i, i, i, i, i, i),
              Libc("%d|%5d|%-5d|%05d|%+d|% d|%.3d|%.0d|%8.3d|%-+8d", i, i, i, i, i, i, i, i, i, i));
    EXPECT_EQ(Ours("%ld %lld %10lld %hd %hhd", l, v, v, static_cast<short>(v), static_cast<signed char>(v)),
              Libc("%ld %lld %10lld %hd %hhd", l, v, v, static_cast<short>(v), static_cast<signed char>(v)));
    const unsigned u = static_cast<unsigned>(v);
    const unsigned long long ull = static_cast<unsigned long long>(v);
    EXPECT_EQ(Ours("%u %x %X %o %08x %llu %llx %#x %#o %zu", u, u, u, u, u, ull, ull, u, u, static_cast<size_t>(ull)),
              Libc("%u %x %X %o %08x %llu %llx %#x %#o %zu", u, u, u, u, u, ull, ull, u, u, static_cast<size_t>(ull)));
  }
  EXPECT_EQ(
      Ours("%s|%10s|%-10s|%.2s|%5.1s|%s|%c|%3c|%-3c|%%|100%%", "abc", "abc", "abc", "abc", "abc", "", 'x', 'y', 'z'),
      Libc("%s|%10s|%-10s|%.2s|%5.1s|%s|%c|%3c|%-3c|%%|100%%", "abc", "abc", "abc", "abc", "abc", "", 'x', 'y', 'z'));
  EXPECT_EQ(Ours("%*d|%-*d|%.*f|%*.*f|%*d", 6, 42, 6, 42, 2, 3.14159, 9, 3, 2.71828, -6, 7),
            Libc("%*d|%-*d|%.*f|%*.*f|%*d", 6, 42, 6, 42, 2, 3.14159, 9, 3, 2.71828, -6, 7));
  EXPECT_EQ(Ours("10\n%f\n20\n%f\n30\n%f\n", 1.5, -2.25, 1e9), Libc("10\n%f\n20\n%f\n30\n%f\n", 1.5, -2.25, 1e9));
  EXPECT_EQ(Ours("%Lf %.3Lg", 1.25L, 1.0L / 3), Libc("%Lf %.3Lg", 1.25L, 1.0L / 3));
  EXPECT_EQ(Ours("%ls", L"wide"), Libc("%ls", L"wide"));
  int n1 = 0, n2 = 0;
  std::string prefix = "already there";
  AppendFormat(prefix, "ab%ncd%n", &n1, &n2);
  EXPECT_EQ(n1, 2);
  EXPECT_EQ(n2, 4);
  EXPECT_EQ(FormatText("Pline %lld", 12LL), "Pline 12");
}

// Formats are locale-free: a German locale would give "1,5" through printf.
TEST(NumberFormat, IgnoresTheProcessLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  QZN_REQUIRE_ORACLE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr, "the de_DE.UTF-8 locale");
  std::string s;
  AppendFixed(s, 1.5, 6);
  AppendFormat(s, " %g %#g %a", 2.5, 3.5, 0.5);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(s, "1.500000 2.5 3.50000 0x1p-1");
}

}  // namespace
