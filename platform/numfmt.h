// Number formatting for every text file the program writes: the bytes of the
// C library's printf conversions in the C locale ("%f", "%.3f", "%g", "%d",
// widths and flags included), made without printf and without the locale.
//
// printf formats a double through arbitrary-precision arithmetic and looks
// at the locale on every call; a sheet of five million vertices spends most
// of its export there. std::to_chars gives the same correctly rounded digits
// from the double alone, so the files stay byte for byte what printf made.
//
// The Append functions add one number to a string; AppendFormat /
// FormatText take a whole printf format. Conversions the fast path does not
// cover ("%a", "%#x", "%ls", long double, ...) go to the C library one at a
// time, in the C locale, so every format gives printf's bytes.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

namespace qzn {

// "%.*f": decimals digits after the point (0: no point).
void AppendFixed(std::string& out, double v, int decimals = 6);
// "%.*g": precision significant digits, trailing zeros dropped.
void AppendGeneral(std::string& out, double v, int precision = 6);
// "%.*e".
void AppendScientific(std::string& out, double v, int precision = 6);
// "%lld".
void AppendInt(std::string& out, long long v);
// "%.*f" into [first, last): the end of the text, or null when it does not
// fit (a double's fixed form has at most 309 digits before the point).
char* WriteFixed(char* first, char* last, double v, int decimals);

// printf of fmt and its arguments appended to out.
void VAppendFormat(std::string& out, const char* fmt, va_list ap);
void AppendFormat(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
std::string FormatText(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qzn
