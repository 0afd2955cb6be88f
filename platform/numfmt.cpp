#include "platform/numfmt.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <locale.h>
#include <vector>

namespace qzn {

namespace {

// Longest "%f" body of a double: 309 integer digits, the point, the
// decimals, a sign.
constexpr int kFixedIntegerDigits = 310;
constexpr int kStackDecimals = 64;

// "%.*f" of a whole number below 10^18 (pixel positions, mostly): its
// digits and the point's zeros, the '-' of a negative number (or of -0)
// first, as the general conversion gives them. The end, or null when v is
// no such number (fractions, NaN, infinities, larger numbers) or the text
// does not fit.
char* WholeFixed(char* first, char* last, double v, int decimals) {
  const double magnitude = std::fabs(v);
  if (!(magnitude < 1e18) || magnitude != std::trunc(magnitude)) return nullptr;
  // A sign, 18 digits, the point.
  if (last - first < 20 + decimals) return nullptr;
  char* p = first;
  if (std::signbit(v)) *p++ = '-';
  p = std::to_chars(p, last, static_cast<unsigned long long>(magnitude)).ptr;
  if (decimals > 0) {
    *p++ = '.';
    std::memset(p, '0', static_cast<std::size_t>(decimals));
    p += decimals;
  }
  return p;
}

// Writes one floating conversion (kind 'f', 'e' or 'g') of v with the given
// precision into buf (room for size bytes); returns the end.
char* ToChars(char* buf, std::size_t size, double v, char kind, int precision) {
  if (kind == 'f')
    if (char* end = WholeFixed(buf, buf + size, v, precision)) return end;
  const std::chars_format f = kind == 'f'   ? std::chars_format::fixed
                              : kind == 'e' ? std::chars_format::scientific
                                            : std::chars_format::general;
  return std::to_chars(buf, buf + size, v, f, precision).ptr;
}

// Room the conversion needs.
std::size_t Room(char kind, int precision) {
  return static_cast<std::size_t>(kind == 'f' ? kFixedIntegerDigits + precision + 8 : precision + 16);
}

void AppendFloat(std::string& out, double v, char kind, int precision) {
  if (precision < 0) precision = 6;
  const std::size_t room = Room(kind, precision);
  if (precision <= kStackDecimals) {
    char buf[kFixedIntegerDigits + kStackDecimals + 8];
    out.append(buf, ToChars(buf, room, v, kind, precision));
    return;
  }
  std::vector<char> buf(room);
  out.append(buf.data(), ToChars(buf.data(), room, v, kind, precision));
}

// ---- the printf front -------------------------------------------------------

struct Directive {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  int width = 0;
  int precision = -1;   // -1: none given
  char length[3] = {};  // "", "h", "hh", "l", "ll", "L", "j", "z", "t", "q", "Z"
  char conv = 0;
};

bool Is(const Directive& s, const char* len) { return std::strcmp(s.length, len) == 0; }

// Pads body (whose sign or prefix, if any, is the first signLength bytes)
// to the conversion's width as printf does.
void Pad(std::string& out, const Directive& s, const char* body, std::size_t n, std::size_t signLength,
         bool zeroAllowed) {
  const std::size_t width = s.width > 0 ? static_cast<std::size_t>(s.width) : 0;
  if (n >= width) {
    out.append(body, n);
  } else if (s.left) {
    out.append(body, n);
    out.append(width - n, ' ');
  } else if (s.zero && zeroAllowed) {
    out.append(body, signLength);
    out.append(width - n, '0');
    out.append(body + signLength, n - signLength);
  } else {
    out.append(width - n, ' ');
    out.append(body, n);
  }
}

void FormatFloat(std::string& out, const Directive& s, double v) {
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(s.conv)));
  const int precision = s.precision < 0 ? 6 : s.precision;
  std::string body;
  body.reserve(32);
  // A negative value (negative zero and a NaN with its sign bit set too)
  // gets its '-' from to_chars, as from printf.
  if (!std::signbit(v)) {
    if (s.plus)
      body += '+';
    else if (s.space)
      body += ' ';
  }
  AppendFloat(body, v, lower, precision);
  if (s.conv != lower)
    for (char& c : body) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::size_t sign = !body.empty() && (body[0] == '-' || body[0] == '+' || body[0] == ' ') ? 1 : 0;
  Pad(out, s, body.data(), body.size(), sign, std::isfinite(v));
}

void FormatInteger(std::string& out, const Directive& s, unsigned long long magnitude, bool negative) {
  char digits[72];
  char* end = digits;
  const int base = s.conv == 'o' ? 8 : (s.conv == 'x' || s.conv == 'X') ? 16 : 10;
  if (!(s.precision == 0 && magnitude == 0)) end = std::to_chars(digits, digits + sizeof digits, magnitude, base).ptr;
  if (s.conv == 'X')
    for (char* p = digits; p < end; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
  std::string body;
  const bool isSigned = s.conv == 'd' || s.conv == 'i';
  if (negative)
    body += '-';
  else if (isSigned && s.plus)
    body += '+';
  else if (isSigned && s.space)
    body += ' ';
  const std::size_t sign = body.size();
  const std::size_t n = static_cast<std::size_t>(end - digits);
  if (s.precision > 0 && static_cast<std::size_t>(s.precision) > n) body.append(s.precision - n, '0');
  body.append(digits, n);
  Pad(out, s, body.data(), body.size(), sign, s.precision < 0);
}

void FormatString(std::string& out, const Directive& s, const char* text) {
  if (!text) text = "(null)";
  std::size_t n = s.precision >= 0 ? strnlen(text, static_cast<std::size_t>(s.precision)) : std::strlen(text);
  if (!text[0] && s.precision < 0) n = 0;
  Pad(out, s, text, n, 0, false);
}

locale_t CLocale() {
  static locale_t loc = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

// One conversion the fast path leaves to the C library, in the C locale.
template <class T>
void ByLibrary(std::string& out, const Directive& s, T value) {
  std::string directive = "%";
  if (s.left) directive += '-';
  if (s.plus) directive += '+';
  if (s.space) directive += ' ';
  if (s.alt) directive += '#';
  if (s.zero) directive += '0';
  if (s.width > 0) directive += std::to_string(s.width);
  if (s.precision >= 0) directive += '.' + std::to_string(s.precision);
  directive += s.length;
  directive += s.conv;
  const locale_t old = ::uselocale(CLocale());
  char small[128];
  const int n = std::snprintf(small, sizeof small, directive.c_str(), value);
  if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
    out.append(small, static_cast<std::size_t>(n));
  } else if (n >= 0) {
    std::vector<char> big(static_cast<std::size_t>(n) + 1);
    std::snprintf(big.data(), big.size(), directive.c_str(), value);
    out.append(big.data(), static_cast<std::size_t>(n));
  }
  ::uselocale(old);
}

long long SignedArg(const Directive& s, va_list& ap) {
  if (Is(s, "hh")) return static_cast<signed char>(va_arg(ap, int));
  if (Is(s, "h")) return static_cast<short>(va_arg(ap, int));
  if (Is(s, "l")) return va_arg(ap, long);
  if (Is(s, "ll") || Is(s, "q")) return va_arg(ap, long long);
  if (Is(s, "j")) return va_arg(ap, intmax_t);
  if (Is(s, "z") || Is(s, "Z")) return va_arg(ap, ssize_t);
  if (Is(s, "t")) return va_arg(ap, ptrdiff_t);
  return va_arg(ap, int);
}

unsigned long long UnsignedArg(const Directive& s, va_list& ap) {
  if (Is(s, "hh")) return static_cast<unsigned char>(va_arg(ap, unsigned));
  if (Is(s, "h")) return static_cast<unsigned short>(va_arg(ap, unsigned));
  if (Is(s, "l")) return va_arg(ap, unsigned long);
  if (Is(s, "ll") || Is(s, "q")) return va_arg(ap, unsigned long long);
  if (Is(s, "j")) return va_arg(ap, uintmax_t);
  if (Is(s, "z") || Is(s, "Z")) return va_arg(ap, size_t);
  if (Is(s, "t")) return static_cast<unsigned long long>(va_arg(ap, ptrdiff_t));
  return va_arg(ap, unsigned);
}

// Parses the conversion after a '%' at p; returns the character after it,
// or null when the format ends inside it.
const char* ParseDirective(const char* p, Directive& s, va_list& ap) {
  for (;; ++p) {
    if (*p == '-')
      s.left = true;
    else if (*p == '+')
      s.plus = true;
    else if (*p == ' ')
      s.space = true;
    else if (*p == '#')
      s.alt = true;
    else if (*p == '0')
      s.zero = true;
    else
      break;
  }
  if (*p == '*') {
    const int w = va_arg(ap, int);
    if (w < 0) {
      s.left = true;
      s.width = w == INT_MIN ? INT_MAX : -w;
    } else {
      s.width = w;
    }
    ++p;
  } else {
    while (*p >= '0' && *p <= '9') s.width = s.width * 10 + (*p++ - '0');
  }
  if (*p == '.') {
    ++p;
    if (*p == '*') {
      const int prec = va_arg(ap, int);
      s.precision = prec < 0 ? -1 : prec;
      ++p;
    } else {
      s.precision = 0;
      while (*p >= '0' && *p <= '9') s.precision = s.precision * 10 + (*p++ - '0');
    }
  }
  int n = 0;
  while (n < 2 &&
         (*p == 'h' || *p == 'l' || *p == 'L' || *p == 'j' || *p == 'z' || *p == 'Z' || *p == 't' || *p == 'q')) {
    if (n == 1 && *p != s.length[0]) break;  // only "hh" and "ll" are doubled
    s.length[n++] = *p++;
  }
  if (!*p) return nullptr;
  s.conv = *p++;
  return p;
}

}  // namespace

void AppendFixed(std::string& out, double v, int decimals) { AppendFloat(out, v, 'f', decimals); }
void AppendGeneral(std::string& out, double v, int precision) { AppendFloat(out, v, 'g', precision); }
void AppendScientific(std::string& out, double v, int precision) { AppendFloat(out, v, 'e', precision); }

char* WriteFixed(char* first, char* last, double v, int decimals) {
  if (decimals < 0) decimals = 6;
  if (char* end = WholeFixed(first, last, v, decimals)) return end;
  const auto r = std::to_chars(first, last, v, std::chars_format::fixed, decimals);
  return r.ec == std::errc() ? r.ptr : nullptr;
}

void AppendInt(std::string& out, long long v) {
  char buf[24];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

void VAppendFormat(std::string& out, const char* fmt, va_list apIn) {
  const std::size_t start = out.size();  // "%n" counts from here
  va_list ap;
  va_copy(ap, apIn);
  for (const char* p = fmt; *p;) {
    const char* pct = std::strchr(p, '%');
    if (!pct) {
      out.append(p);
      break;
    }
    out.append(p, static_cast<std::size_t>(pct - p));
    Directive s;
    const char* next = ParseDirective(pct + 1, s, ap);
    if (!next) break;  // printf writes nothing for a cut-off conversion
    p = next;
    switch (s.conv) {
      case '%': out += '%'; break;
      case 'd':
      case 'i': {
        const long long v = SignedArg(s, ap);
        const unsigned long long m =
            v < 0 ? static_cast<unsigned long long>(-(v + 1)) + 1ULL : static_cast<unsigned long long>(v);
        FormatInteger(out, s, m, v < 0);
        break;
      }
      case 'u':
      case 'o':
      case 'x':
      case 'X': {
        const unsigned long long v = UnsignedArg(s, ap);
        if (s.alt)
          ByLibrary(out, s, v);  // the length modifier is in the conversion, the value wide enough
        else
          FormatInteger(out, s, v, false);
        break;
      }
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        if (Is(s, "L")) {
          ByLibrary(out, s, va_arg(ap, long double));
        } else {
          const double v = va_arg(ap, double);
          if (s.alt || s.conv == 'a' || s.conv == 'A' || s.precision > 4 * kFixedIntegerDigits)
            ByLibrary(out, s, v);
          else
            FormatFloat(out, s, v);
        }
        break;
      case 'c':
        if (Is(s, "l")) {
          ByLibrary(out, s, va_arg(ap, wint_t));
        } else {
          const char c = static_cast<char>(va_arg(ap, int));
          Directive t = s;
          t.precision = -1;
          Pad(out, t, &c, 1, 0, false);
        }
        break;
      case 's':
        if (Is(s, "l"))
          ByLibrary(out, s, va_arg(ap, const wchar_t*));
        else
          FormatString(out, s, va_arg(ap, const char*));
        break;
      case 'p': ByLibrary(out, s, va_arg(ap, void*)); break;
      case 'n': {
        void* where = va_arg(ap, void*);
        const std::size_t written = out.size() - start;
        if (Is(s, "ll"))
          *static_cast<long long*>(where) = static_cast<long long>(written);
        else if (Is(s, "l"))
          *static_cast<long*>(where) = static_cast<long>(written);
        else if (Is(s, ""))
          *static_cast<int*>(where) = static_cast<int>(written);
        break;
      }
      default:
        // Not a conversion printf knows: glibc writes it as it stands.
        out.append(pct, static_cast<std::size_t>(next - pct));
        break;
    }
  }
  va_end(ap);
}

void AppendFormat(std::string& out, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  VAppendFormat(out, fmt, ap);
  va_end(ap);
}

std::string FormatText(const char* fmt, ...) {
  std::string out;
  va_list ap;
  va_start(ap, fmt);
  VAppendFormat(out, fmt, ap);
  va_end(ap);
  return out;
}

}  // namespace qzn
