// The dBASE expression language: a precedence parser to postfix code, type
// resolution over the overloads of each operation, and a stack evaluator.
// Both stay inside fixed areas: the compiled code and its operator stack
// inside the engine's expression area, the evaluator's values within 19
// entries and the same number of bytes; anything larger reports 540.
#include "formats/dbfexpr.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "formats/dbfcore.h"
#include "resources/messages_dbase.h"

namespace qzn {

using namespace dbf;

namespace {

// ---- the operation table -------------------------------------------------

enum class Op {
  CharField,
  LogicalField,
  DateFieldDay,
  DateFieldText,
  NumberField,
  NumberFieldText,
  CharConst,
  NumberConst,
  True,
  False,
  Not,
  Power,
  NotEqual,
  GreaterEqual,
  LessEqual,
  Plus,
  Minus,
  Times,
  Divide,
  Contains,
  Equal,
  Greater,
  Less,
  Or,
  And,
  Stod,
  Ctod,
  Dtos,
  Dtoc,
  Date,
  Day,
  Month,
  Year,
  Deleted,
  Del,
  Iif,
  RecCount,
  RecNo,
  Str,
  Substr,
  Time,
  Upper,
  Val,
};

struct Entry {
  int code;          // overloads of one operation share it
  const char* name;  // "" for operands
  Op op;
  int priority;  // 0 for operands and functions
  char result;
  int argc;
  char args[3];
};

// Operands (0-7), operators (8-48, searched in this order so that "**",
// "<>", "<=" and ">=" are found before "*", "<" and ">"), functions (49 on).
constexpr Entry kEntries[] = {
    {0, "", Op::CharField, 0, 'C', 0, {}},
    {1, "", Op::LogicalField, 0, 'L', 0, {}},
    {2, "", Op::DateFieldDay, 0, 'd', 0, {}},
    {3, "", Op::DateFieldText, 0, 'D', 0, {}},
    {4, "", Op::NumberField, 0, 'N', 0, {}},
    {5, "", Op::NumberFieldText, 0, 'n', 0, {}},
    {6, "", Op::CharConst, 0, 'C', 0, {}},
    {7, "", Op::NumberConst, 0, 'N', 0, {}},
    {8, ".TRUE.", Op::True, 0, 'L', 0, {}},
    {9, ".T.", Op::True, 0, 'L', 0, {}},
    {10, ".FALSE.", Op::False, 0, 'L', 0, {}},
    {11, ".F.", Op::False, 0, 'L', 0, {}},
    {12, ".NOT.", Op::Not, 5, 'L', 1, {'L'}},
    {13, "^", Op::Power, 9, 'N', 2, {'N', 'N'}},
    {14, "**", Op::Power, 9, 'N', 2, {'N', 'N'}},
    {15, "#", Op::NotEqual, 6, 'L', 2, {'C', 'C'}},
    {16, "<>", Op::NotEqual, 6, 'L', 2, {'C', 'C'}},
    {16, "<>", Op::NotEqual, 6, 'L', 2, {'N', 'N'}},
    {16, "<>", Op::NotEqual, 6, 'L', 2, {'d', 'd'}},
    {16, "<>", Op::NotEqual, 6, 'L', 2, {'L', 'L'}},
    {17, ">=", Op::GreaterEqual, 6, 'L', 2, {'C', 'C'}},
    {17, ">=", Op::GreaterEqual, 6, 'L', 2, {'N', 'N'}},
    {17, ">=", Op::GreaterEqual, 6, 'L', 2, {'d', 'd'}},
    {18, "<=", Op::LessEqual, 6, 'L', 2, {'C', 'C'}},
    {18, "<=", Op::LessEqual, 6, 'L', 2, {'N', 'N'}},
    {18, "<=", Op::LessEqual, 6, 'L', 2, {'d', 'd'}},
    {19, "+", Op::Plus, 7, 'N', 2, {'N', 'N'}},
    {19, "+", Op::Plus, 7, 'd', 2, {'N', 'd'}},
    {19, "+", Op::Plus, 7, 'd', 2, {'d', 'N'}},
    {19, "+", Op::Plus, 7, 'C', 2, {'C', 'C'}},
    {20, "-", Op::Minus, 7, 'N', 2, {'N', 'N'}},
    {20, "-", Op::Minus, 7, 'N', 2, {'d', 'd'}},
    {20, "-", Op::Minus, 7, 'd', 2, {'d', 'N'}},
    {20, "-", Op::Minus, 7, 'C', 2, {'C', 'C'}},
    {21, "*", Op::Times, 8, 'N', 2, {'N', 'N'}},
    {22, "/", Op::Divide, 8, 'N', 2, {'N', 'N'}},
    {23, "$", Op::Contains, 6, 'L', 2, {'C', 'C'}},
    {24, "=", Op::Equal, 6, 'L', 2, {'C', 'C'}},
    {24, "=", Op::Equal, 6, 'L', 2, {'N', 'N'}},
    {24, "=", Op::Equal, 6, 'L', 2, {'d', 'd'}},
    {24, "=", Op::Equal, 6, 'L', 2, {'L', 'L'}},
    {25, ">", Op::Greater, 6, 'L', 2, {'C', 'C'}},
    {25, ">", Op::Greater, 6, 'L', 2, {'N', 'N'}},
    {25, ">", Op::Greater, 6, 'L', 2, {'d', 'd'}},
    {26, "<", Op::Less, 6, 'L', 2, {'C', 'C'}},
    {26, "<", Op::Less, 6, 'L', 2, {'N', 'N'}},
    {26, "<", Op::Less, 6, 'L', 2, {'d', 'd'}},
    {27, ".OR.", Op::Or, 3, 'L', 2, {'L', 'L'}},
    {28, ".AND.", Op::And, 4, 'L', 2, {'L', 'L'}},
    {29, "STOD", Op::Stod, 0, 'd', 1, {'C'}},
    {30, "CTOD", Op::Ctod, 0, 'd', 1, {'C'}},
    {31, "DTOS", Op::Dtos, 0, 'C', 1, {'D'}},
    {31, "DTOS", Op::Dtos, 0, 'C', 1, {'d'}},
    {32, "DTOC", Op::Dtoc, 0, 'C', 1, {'D'}},
    {32, "DTOC", Op::Dtoc, 0, 'C', 1, {'d'}},
    {33, "DATE", Op::Date, 0, 'd', 0, {}},
    {34, "DAY", Op::Day, 0, 'N', 1, {'d'}},
    {34, "DAY", Op::Day, 0, 'N', 1, {'D'}},
    {35, "MONTH", Op::Month, 0, 'N', 1, {'d'}},
    {35, "MONTH", Op::Month, 0, 'N', 1, {'D'}},
    {36, "YEAR", Op::Year, 0, 'N', 1, {'d'}},
    {36, "YEAR", Op::Year, 0, 'N', 1, {'D'}},
    {37, "DELETED", Op::Deleted, 0, 'L', 0, {}},
    {38, "DEL", Op::Del, 0, 'C', 0, {}},
    {39, "IIF", Op::Iif, 0, 'C', 3, {'L', 'C', 'C'}},
    {39, "IIF", Op::Iif, 0, 'N', 3, {'L', 'N', 'N'}},
    {39, "IIF", Op::Iif, 0, 'L', 3, {'L', 'L', 'L'}},
    {39, "IIF", Op::Iif, 0, 'd', 3, {'L', 'd', 'd'}},
    {40, "RECCOUNT", Op::RecCount, 0, 'N', 0, {}},
    {41, "RECNO", Op::RecNo, 0, 'N', 0, {}},
    {42, "STR", Op::Str, 0, 'C', 3, {'N', 'N', 'N'}},
    {43, "SUBSTR", Op::Substr, 0, 'C', 3, {'C', 'N', 'N'}},
    {44, "TIME", Op::Time, 0, 'C', 0, {}},
    {45, "UPPER", Op::Upper, 0, 'C', 1, {'C'}},
    {46, "VAL", Op::Val, 0, 'N', 1, {'C'}},
};
constexpr int kEntryCount = static_cast<int>(std::size(kEntries));
constexpr int kFirstOperator = 13;  // the binary operators
constexpr int kFirstLogicalName = 8;
constexpr int kLastLogicalName = 12;
constexpr int kFirstFunction = 49;
constexpr int kEnd = -1;

static_assert(kEntries[kFirstFunction].op == Op::Stod);

// ---- shared helpers -------------------------------------------------------

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (Upper(text[i]) != Upper(prefix[i])) return false;
  return true;
}

// The leading decimal number of text (blanks, sign, digits, point, digits,
// exponent), read in the C locale; 0 when there is none. Words such as "nan"
// or "inf" and hexadecimal forms are not numbers here.
double LeadingNumber(std::string_view text, std::size_t* used = nullptr) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t digits = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  std::size_t count = i - digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    const std::size_t after = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    count += i - after;
  }
  if (count == 0) {
    if (used) *used = 0;
    return 0;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t k = i + 1;
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
    if (k < text.size() && text[k] >= '0' && text[k] <= '9') {
      while (k < text.size() && text[k] >= '0' && text[k] <= '9') ++k;
      i = k;
    }
  }
  if (used) *used = i;
  std::size_t from = start;
  if (text[from] == '+') ++from;  // from_chars takes '-' only
  double value = 0;
  const auto r = std::from_chars(text.data() + from, text.data() + i, value);
  if (r.ec == std::errc::result_out_of_range) {
    // Too large: an infinity of the right sign; too small: zero.
    const bool negative = text[start] == '-';
    std::size_t k = digits;
    while (k < i && (text[k] == '0' || text[k] == '.')) ++k;
    const bool tiny = k < i && (text[k] == 'e' || text[k] == 'E');
    value = tiny ? 0.0 : (negative ? -HUGE_VAL : HUGE_VAL);
  }
  return value;
}

std::int64_t ToInt(double v) {
  if (!(v == v)) return 0;
  if (v > 1e15) return static_cast<std::int64_t>(1e15);
  if (v < -1e15) return static_cast<std::int64_t>(-1e15);
  return static_cast<std::int64_t>(v);
}

}  // namespace

// ---- dates -----------------------------------------------------------------

namespace dbf {

bool DateToDay(std::string_view text, double& day) {
  if (text.size() == 8 && text.find_first_not_of(' ') == std::string_view::npos) {
    day = kBlankDate;
    return true;
  }
  if (text.size() != 8) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  const int y = (text[0] - '0') * 1000 + (text[1] - '0') * 100 + (text[2] - '0') * 10 + (text[3] - '0');
  const int m = (text[4] - '0') * 10 + (text[5] - '0');
  const int d = (text[6] - '0') * 10 + (text[7] - '0');
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
  int yday = d;
  for (int k = 0; k < m - 1; ++k) yday += kDays[k] + (k == 1 && leap ? 1 : 0);
  const std::int64_t p = y - 1;
  day = static_cast<double>(p * 365 + p / 4 - p / 100 + p / 400 + yday + 1721425);
  return true;
}

bool DayToDate(double day, std::string& text) {
  if (day >= kBlankDate) {
    text.assign(8, ' ');
    return true;
  }
  if (!(day >= 1721426.0 && day < 5373485.0)) return false;  // 0001-01-01 to 9999-12-31
  // Days since 1 March of year 0 of the proleptic Gregorian calendar.
  const std::int64_t z = static_cast<std::int64_t>(std::floor(day)) - 1721426 + 306;
  const std::int64_t era = z / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
  text.assign(buf, 8);
  return true;
}

}  // namespace dbf

namespace {

// Reads a date with a picture: the characters under C, Y, M and D give
// century, year, month and day; a missing century is "19", a missing year
// "01", a missing month or day "01", blanks become "0". A text blank under
// every letter is the blank date.
std::string DateFromPicture(std::string_view text, std::string_view picture) {
  std::string c, y, m, d;
  bool any = false;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const char ch = i < text.size() ? text[i] : ' ';
    std::string* part = nullptr;
    switch (picture[i]) {
      case 'C': part = &c; break;
      case 'Y': part = &y; break;
      case 'M': part = &m; break;
      case 'D': part = &d; break;
      default: break;
    }
    if (!part) continue;
    *part += ch;
    if (ch != ' ') any = true;
  }
  if (!any) return std::string(8, ' ');
  if (c.empty()) c = "19";
  if (y.empty()) y = "01";
  if (m.empty()) m = "01";
  if (d.empty()) d = "01";
  std::string out = c + y + m + d;
  std::replace(out.begin(), out.end(), ' ', '0');
  return out;
}

// Writes "CCYYMMDD" with a picture: each letter takes the next character of
// its part.
std::string DateToPicture(const std::string& date, std::string_view picture) {
  std::string out(picture);
  int ci = 0, yi = 2, mi = 4, di = 6;
  for (char& ch : out) {
    switch (ch) {
      case 'C': ch = date[static_cast<std::size_t>(ci++ % 8)]; break;
      case 'Y': ch = date[static_cast<std::size_t>(yi++ % 8)]; break;
      case 'M': ch = date[static_cast<std::size_t>(mi++ % 8)]; break;
      case 'D': ch = date[static_cast<std::size_t>(di++ % 8)]; break;
      default: break;
    }
  }
  return out;
}

constexpr const char* kDatePicture = "MM/DD/YY";

// ---- compiling --------------------------------------------------------------

class Compiler {
 public:
  Compiler(std::string_view text, int table, int areaBytes)
      : m_text(text), m_table(table), m_codeLimit(static_cast<std::size_t>(areaBytes - 128) / 4) {}

  std::unique_ptr<DbfExpression> Run() {
    // The source text is kept with the code, as a character constant.
    m_size = 3 + (m_text.size() + 3) / 4;
    if (!Fits(0)) return nullptr;
    if (!Level(0)) return nullptr;
    Skip();
    if (m_pos < m_text.size() || !m_stack.empty()) return Fail(530);
    if (!Emit(kEnd)) return nullptr;
    auto out = std::make_unique<DbfExpression>();
    out->m_text = std::string(m_text);
    out->m_table = m_table;
    out->m_code = std::move(m_code);
    if (!Resolve(*out)) return nullptr;
    return out;
  }

 private:
  std::nullptr_t Fail(int code, std::initializer_list<std::string_view> texts = {}) {
    if (!m_failed) DbfReportError(code, texts);
    m_failed = true;
    return nullptr;
  }

  bool Fits(std::size_t words) {
    if (m_size + words > m_codeLimit) {
      Fail(540);
      return false;
    }
    return true;
  }
  bool Emit(std::int32_t word) {
    if (!Fits(1)) return false;
    m_code.push_back(word);
    ++m_size;
    return true;
  }
  bool Push(int entry) {
    if (m_stack.size() >= 32) {  // the 128 bytes at the end of the area
      Fail(540);
      return false;
    }
    m_stack.push_back(entry);
    return true;
  }

  void Skip() {
    while (m_pos < m_text.size() && static_cast<unsigned char>(m_text[m_pos]) <= ' ') ++m_pos;
  }
  char Peek(std::size_t ahead = 0) const { return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : '\0'; }
  bool AtLevelEnd() {
    Skip();
    const char c = Peek();
    return m_pos >= m_text.size() || c == ')' || c == ',';
  }

  // One level: operands joined by operators, up to the end, ")" or ",".
  // A mark on the operator stack separates it from the level around it.
  bool Level(int depth) {
    if (!Push(-1)) return false;
    for (;;) {
      if (!Operand(depth)) return false;
      if (AtLevelEnd()) break;
      const int op = FindOperator();
      if (op < 0) return Fail(575), false;
      // Operators of the same or higher priority go first: equal priorities
      // bind from the left.
      while (!m_stack.empty() && m_stack.back() >= 0 && kEntries[m_stack.back()].priority >= kEntries[op].priority) {
        if (!Emit(m_stack.back())) return false;
        m_stack.pop_back();
      }
      if (!Push(op)) return false;
    }
    while (!m_stack.empty() && m_stack.back() >= 0) {
      if (!Emit(m_stack.back())) return false;
      m_stack.pop_back();
    }
    m_stack.pop_back();  // the mark
    return true;
  }

  int FindOperator() {
    const std::string_view rest = m_text.substr(m_pos);
    for (int i = kFirstOperator; i < kFirstFunction; ++i) {
      if (StartsWithNoCase(rest, kEntries[i].name)) {
        m_pos += std::strlen(kEntries[i].name);
        return i;
      }
    }
    return -1;
  }

  bool Operand(int depth) {
    Skip();
    if (m_pos >= m_text.size() || Peek() == ')' || Peek() == ',') return Fail(530), false;
    const char c = Peek();
    if (c == '(') {
      ++m_pos;
      if (!Level(depth + 1)) return false;
      Skip();
      if (Peek() != ')') return Fail(560), false;
      ++m_pos;
      return true;
    }
    if (c == '.') {
      const std::string_view rest = m_text.substr(m_pos);
      for (int i = kFirstLogicalName; i <= kLastLogicalName; ++i) {
        if (!StartsWithNoCase(rest, kEntries[i].name)) continue;
        m_pos += std::strlen(kEntries[i].name);
        if (kEntries[i].op != Op::Not) return Emit(i);
        // .NOT. takes the whole expression that follows it.
        if (!Level(depth + 1)) return false;
        return Emit(i);
      }
    }
    const char next = Peek(1);
    if ((c >= '0' && c <= '9') || ((c == '+' || c == '-' || c == '.') && ((next >= '0' && next <= '9') || next == '.')))
      return Number();
    if (c == '"' || c == '\'') return Text(c);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c == '\\') return Name(depth);
    return Fail(580, {m_text}), false;
  }

  bool Number() {
    const std::size_t start = m_pos;
    if (Peek() == '+' || Peek() == '-') ++m_pos;
    while ((Peek() >= '0' && Peek() <= '9') || Peek() == '.') ++m_pos;
    // "1.AND." is the number 1 and the operator .AND.
    if (m_pos > start && m_text[m_pos - 1] == '.') {
      const std::string_view rest = m_text.substr(m_pos);
      if (StartsWithNoCase(rest, "AND.") || StartsWithNoCase(rest, "OR.") || StartsWithNoCase(rest, "NOT.")) --m_pos;
    }
    std::size_t used = 0;
    const std::string_view digits = m_text.substr(start, m_pos - start);
    const double value = LeadingNumber(digits, &used);
    if (used == 0) return Fail(580, {m_text}), false;
    return EmitNumber(value);
  }

  bool EmitNumber(double value) {
    std::int32_t words[2];
    std::memcpy(words, &value, sizeof value);
    return Emit(7) && Emit(words[0]) && Emit(words[1]);
  }

  bool EmitText(std::string_view text) {
    if (!Fits(2 + (text.size() + 3) / 4)) return false;
    m_code.push_back(6);
    m_code.push_back(static_cast<std::int32_t>(text.size()));
    const std::size_t first = m_code.size();
    m_code.resize(first + (text.size() + 3) / 4, 0);
    std::memcpy(m_code.data() + first, text.data(), text.size());
    m_size += 2 + (text.size() + 3) / 4;
    return true;
  }

  bool Text(char quote) {
    const std::size_t end = m_text.find(quote, m_pos + 1);
    if (end == std::string_view::npos) return Fail(590, {m_text}), false;
    const std::string_view text = m_text.substr(m_pos + 1, end - m_pos - 1);
    m_pos = end + 1;
    return EmitText(text);
  }

  static bool NameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == ':' ||
           c == '\\' || c == '_';
  }

  bool Name(int depth) {
    const std::size_t start = m_pos;
    while (NameChar(Peek())) ++m_pos;
    const std::string_view name = m_text.substr(start, m_pos - start);
    Skip();
    if (Peek() == '(') return Function(name, depth);
    int table = m_table;
    std::string_view field = name;
    if (Peek() == '-' && Peek(1) == '>') {
      // alias->field: the alias names an open table.
      m_pos += 2;
      Skip();
      const std::size_t fieldStart = m_pos;
      while (NameChar(Peek())) ++m_pos;
      field = m_text.substr(fieldStart, m_pos - fieldStart);
      table = FindTable(name);
      if (table < 0) return Fail(500, {m_text}), false;
    }
    const Table* t = TableAt(table);
    const DbfFieldRefT ref = field.size() <= 10 && t ? FindField(*t, field) : kDbfNoField;
    if (ref == kDbfNoField) return Fail(580, {m_text}), false;
    const DbfField& f = t->fields[static_cast<std::size_t>(ref & 0xFFFF)];
    int code = 0;
    switch (f.type) {
      case 'L': code = 1; break;
      case 'D': code = 3; break;
      case 'N':
      case 'F': code = 5; break;
      default: code = 0; break;
    }
    return Emit(code) && Emit(ref);
  }

  // The open table whose file the alias names (".DBF" added without an
  // extension), found as DbfOpen finds it.
  static int FindTable(std::string_view alias);

  bool Function(std::string_view name, int depth) {
    int entry = -1;
    for (int i = kFirstFunction; i < kEntryCount; ++i) {
      const std::string_view full = kEntries[i].name;
      if (name.size() == full.size() ? StartsWithNoCase(full, name)
                                     : name.size() >= 4 && name.size() < full.size() && StartsWithNoCase(full, name)) {
        entry = i;
        break;
      }
    }
    if (entry < 0) return Fail(570, {m_text}), false;
    ++m_pos;  // "("
    int argc = 0;
    Skip();
    if (Peek() == ')') {
      ++m_pos;
    } else {
      for (;;) {
        if (!Level(depth + 1)) return false;
        ++argc;
        Skip();
        if (Peek() == ',') {
          ++m_pos;
          continue;
        }
        if (Peek() == ')') {
          ++m_pos;
          break;
        }
        return Fail(520, {m_text}), false;
      }
    }
    const Entry& e = kEntries[entry];
    if (e.op == Op::Str && argc == 1 && !(EmitNumber(10) && EmitNumber(0))) return false;
    if (e.op == Op::Str && argc == 1) argc = 3;
    if (e.op == Op::Str && argc == 2) {
      if (!EmitNumber(0)) return false;
      argc = 3;
    }
    if (e.op == Op::Substr && argc == 2) {
      if (!EmitNumber(32767)) return false;
      argc = 3;
    }
    if (argc != e.argc)
      return Fail(595, {res::text::kDbfExpressionLabel, m_text, res::text::kDbfFunctionLabel, e.name}), false;
    return Emit(entry);
  }

  // Picks each operation's overload by its argument types; a numeric field
  // read as text is read as a number where a number is wanted, and a date
  // field as text as a day number where a day is wanted.
  bool Resolve(DbfExpression& e) {
    struct Slot {
      char type;
      std::size_t operand;  // position of the operand word, or npos
    };
    std::vector<Slot> types;
    std::vector<std::int32_t>& code = e.m_code;
    std::size_t i = 0;
    while (code[i] != kEnd) {
      const int entry = code[i];
      const Entry& en = kEntries[entry];
      if (entry < 8) {
        types.push_back({en.result, i});
        if (entry == 6)
          i += 2 + (static_cast<std::size_t>(code[i + 1]) + 3) / 4;
        else if (entry == 7)
          i += 3;
        else
          i += 2;
        continue;
      }
      if (types.size() < static_cast<std::size_t>(en.argc)) return Fail(530), false;
      Slot* args = types.data() + types.size() - static_cast<std::size_t>(en.argc);
      int chosen = -1;
      for (int k = entry; k < kEntryCount && kEntries[k].code == en.code; ++k) {
        bool match = true;
        for (int a = 0; a < en.argc && match; ++a) {
          const char want = kEntries[k].args[a], have = args[a].type;
          match = want == have || (want == 'N' && have == 'n') || (want == 'd' && have == 'D');
        }
        if (match) {
          chosen = k;
          break;
        }
      }
      if (chosen < 0) return Fail(550, {res::text::kDbfSyntax, m_text, res::text::kDbfOperation, en.name}), false;
      for (int a = 0; a < en.argc; ++a) {
        const char want = kEntries[chosen].args[a];
        if (want == 'N' && args[a].type == 'n') code[args[a].operand] = 4;
        if (want == 'd' && args[a].type == 'D') code[args[a].operand] = 2;
      }
      code[i] = chosen;
      types.resize(types.size() - static_cast<std::size_t>(en.argc));
      types.push_back({kEntries[chosen].result, std::string_view::npos});
      ++i;
    }
    if (types.size() != 1) return Fail(530), false;
    e.m_type = types[0].type;
    return true;
  }

  std::string_view m_text;
  int m_table;
  std::size_t m_codeLimit;  // in 32-bit words
  std::size_t m_size = 0;   // words used, the kept source text included
  std::size_t m_pos = 0;
  std::vector<std::int32_t> m_code;
  std::vector<int> m_stack;  // operator entries; -1 marks a level
  bool m_failed = false;
};

int Compiler::FindTable(std::string_view alias) { return FindOpenTable(NormaliseName(alias, ".DBF")); }

// ---- evaluating -----------------------------------------------------------

struct Value {
  char type = 0;
  double number = 0;  // N, d, and L as 0 or 1
  std::string text;   // C, D, n
};

class Evaluator {
 public:
  Evaluator(const DbfExpression& e, int overrideTable, const char* overrideRecord)
      : m_e(e),
        m_overrideTable(overrideTable),
        m_overrideRecord(overrideRecord),
        m_areaBytes(static_cast<std::size_t>(Globals().expressionBytes)) {}

  // The result, or false after reporting.
  bool Run(Value& out) {
    const std::vector<std::int32_t>& code = m_e.m_code;
    std::size_t i = 0;
    while (code[i] != kEnd) {
      const int entry = code[i];
      if (entry < 0 || entry >= kEntryCount) return Fail(510);
      if (entry < 8) {
        Value v;
        if (!Operand(entry, code, i, v)) return false;
        if (!PushValue(std::move(v))) return false;
        continue;
      }
      ++i;
      const Entry& en = kEntries[entry];
      if (m_stack.size() < static_cast<std::size_t>(en.argc)) return Fail(510);
      Value* a = m_stack.data() + m_stack.size() - en.argc;
      Value r;
      if (!Apply(en, a, r)) return false;
      for (int k = 0; k < en.argc; ++k) PopValue();
      if (!PushValue(std::move(r))) return false;
    }
    if (m_stack.size() != 1) return Fail(510);
    out = std::move(m_stack.back());
    return true;
  }

 private:
  bool Fail(int code, std::initializer_list<std::string_view> texts = {}) {
    DbfReportError(code, texts);
    return false;
  }

  static std::size_t Bytes(const Value& v) {
    switch (v.type) {
      case 'C':
      case 'D':
      case 'n': return v.text.size();
      case 'L': return 4;
      default: return 8;
    }
  }
  bool PushValue(Value&& v) {
    const std::size_t bytes = Bytes(v);
    if (m_stack.size() >= 19 || m_bytes + bytes > m_areaBytes) return Fail(540);
    m_bytes += bytes;
    m_stack.push_back(std::move(v));
    return true;
  }
  void PopValue() {
    m_bytes -= Bytes(m_stack.back());
    m_stack.pop_back();
  }
  // A text result of n bytes must fit in what the area has left.
  bool Room(std::size_t n) {
    if (n > m_areaBytes - std::min(m_bytes, m_areaBytes)) return Fail(540);
    return true;
  }

  const char* RecordOf(int table, Table*& t) {
    t = TableAt(table);
    if (!t) return nullptr;
    return table == m_overrideTable && m_overrideRecord ? m_overrideRecord : t->Current();
  }

  bool Operand(int entry, const std::vector<std::int32_t>& code, std::size_t& i, Value& v) {
    const Entry& en = kEntries[entry];
    v.type = en.result;
    if (entry == 6) {
      const std::size_t n = static_cast<std::size_t>(code[i + 1]);
      if (!Room(n)) return false;
      v.text.assign(reinterpret_cast<const char*>(code.data() + i + 2), n);
      i += 2 + (n + 3) / 4;
      return true;
    }
    if (entry == 7) {
      std::memcpy(&v.number, code.data() + i + 1, sizeof v.number);
      i += 3;
      return true;
    }
    const DbfFieldRefT ref = code[i + 1];
    i += 2;
    Table* t = nullptr;
    const char* record = RecordOf(ref >> 16, t);
    if (!record || (ref & 0xFFFF) >= static_cast<int>(t->fields.size())) return Fail(500, {m_e.m_text});
    const DbfField& f = t->fields[static_cast<std::size_t>(ref & 0xFFFF)];
    const std::string_view text(record + f.offset, static_cast<std::size_t>(f.width));
    switch (en.op) {
      case Op::LogicalField: {
        const char c = text.empty() ? ' ' : text[0];
        v.number = c == 'T' || c == 't' || c == 'Y' || c == 'y';
        return true;
      }
      case Op::DateFieldDay:
        if (!DateToDay(text, v.number)) return Fail(515, {text});
        return true;
      case Op::NumberField: v.number = LeadingNumber(text); return true;
      case Op::NumberFieldText:
        if (!Room(text.size())) return false;
        v.text.assign(text);
        if (f.decimals > 0 && f.width - f.decimals - 1 >= 0)
          v.text[static_cast<std::size_t>(f.width - f.decimals - 1)] = '.';
        return true;
      default:
        if (!Room(text.size())) return false;
        v.text.assign(text);
        return true;
    }
  }

  // The text of a date argument (D as it is, d from its day number).
  bool DateText(const Value& v, std::string& out) {
    if (v.type == 'D') {
      out = v.text;
      return true;
    }
    if (!DayToDate(v.number, out)) return Fail(515, {std::to_string(v.number)});
    return true;
  }

  bool Day(std::string_view text, double& out) {
    if (!DateToDay(text, out)) return Fail(515, {text});
    return true;
  }

  // Texts compare over their common length; when that is equal, a shorter
  // first text is smaller and a longer one counts as equal.
  static int Compare(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : 0;
  }
  static int Compare(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

  bool Apply(const Entry& en, Value* a, Value& r) {
    r.type = en.result;
    const bool texts = en.argc == 2 && en.args[0] == 'C';
    auto cmp = [&]() { return texts ? Compare(a[0].text, a[1].text) : Compare(a[0].number, a[1].number); };
    switch (en.op) {
      case Op::True: r.number = 1; return true;
      case Op::False: r.number = 0; return true;
      case Op::Not: r.number = a[0].number == 0; return true;
      case Op::Power: r.number = std::pow(a[0].number, a[1].number); return true;
      case Op::NotEqual: r.number = cmp() != 0; return true;
      case Op::GreaterEqual: r.number = cmp() >= 0; return true;
      case Op::LessEqual: r.number = cmp() <= 0; return true;
      case Op::Equal: r.number = cmp() == 0; return true;
      case Op::Greater: r.number = cmp() > 0; return true;
      case Op::Less: r.number = cmp() < 0; return true;
      case Op::Or: r.number = a[0].number != 0 || a[1].number != 0; return true;
      case Op::And: r.number = a[0].number != 0 && a[1].number != 0; return true;
      case Op::Times: r.number = a[0].number * a[1].number; return true;
      case Op::Divide: r.number = a[0].number / a[1].number; return true;
      case Op::Contains: r.number = a[1].text.find(a[0].text) != std::string::npos; return true;
      case Op::Plus:
        if (texts) {
          if (!Room(a[0].text.size() + a[1].text.size())) return false;
          r.text = a[0].text + a[1].text;
        } else {
          r.number = a[0].number + a[1].number;
        }
        return true;
      case Op::Minus:
        if (texts) {
          // The first text's trailing blanks move to the end.
          if (!Room(a[0].text.size() + a[1].text.size())) return false;
          const std::size_t keep = a[0].text.find_last_not_of(' ') + 1;
          r.text = a[0].text.substr(0, keep) + a[1].text;
          r.text.append(a[0].text.size() - keep, ' ');
        } else {
          r.number = a[0].number - a[1].number;
        }
        return true;
      case Op::Stod: return Day(a[0].text, r.number);
      case Op::Ctod: return Day(DateFromPicture(a[0].text, kDatePicture), r.number);
      case Op::Dtos: return DateText(a[0], r.text);
      case Op::Dtoc: {
        std::string date;
        if (!DateText(a[0], date)) return false;
        r.text = DateToPicture(date, kDatePicture);
        return true;
      }
      case Op::Date: {
        // Today's whole day by the local calendar.
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        ::localtime_r(&now, &tm);
        char buf[40];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
        return Day(std::string_view(buf, 8), r.number);
      }
      case Op::Day:
      case Op::Month:
      case Op::Year: {
        std::string date;
        if (!DateText(a[0], date)) return false;
        const std::size_t from = en.op == Op::Day ? 6 : (en.op == Op::Month ? 4 : 0);
        r.number = LeadingNumber(std::string_view(date).substr(from, en.op == Op::Year ? 4 : 2));
        return true;
      }
      case Op::Deleted:
      case Op::Del: {
        Table* t = nullptr;
        const char* record = RecordOf(m_e.m_table, t);
        if (!record) return Fail(500, {m_e.m_text});
        if (en.op == Op::Deleted)
          r.number = record[0] == '*';
        else
          r.text.assign(1, record[0]);
        return true;
      }
      case Op::Iif:
        r = a[a[0].number != 0 ? 1 : 2];
        r.type = en.result;
        return true;
      case Op::RecCount:
      case Op::RecNo: {
        Table* t = TableAt(m_e.m_table);
        if (!t) return Fail(500, {m_e.m_text});
        const std::int64_t n = en.op == Op::RecNo ? t->recno : RecordCount(*t);
        if (n < 0) return false;
        r.number = static_cast<double>(n);
        return true;
      }
      case Op::Str: {
        // Right-aligned in the width with the decimals; a number that does
        // not fit gives the width in '*'.
        const std::int64_t width = std::max<std::int64_t>(ToInt(a[1].number), 0);
        const std::int64_t decimals = std::max<std::int64_t>(ToInt(a[2].number), 0);
        if (!Room(static_cast<std::size_t>(std::min<std::int64_t>(width, 1 << 30)))) return false;
        std::string s;
        if (std::isfinite(a[0].number) && decimals < width) {
          char buf[512];
          const int n = std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(decimals), a[0].number);
          if (n > 0 && n < static_cast<int>(sizeof buf)) s.assign(buf, static_cast<std::size_t>(n));
        }
        if (s.empty() ? width > 0 : static_cast<std::int64_t>(s.size()) > width)
          s.assign(static_cast<std::size_t>(width), '*');
        else
          s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
        r.text = std::move(s);
        return true;
      }
      case Op::Substr: {
        const std::int64_t start = std::max<std::int64_t>(ToInt(a[1].number), 1) - 1;
        const std::int64_t length = std::max<std::int64_t>(ToInt(a[2].number), 0);
        const std::int64_t size = static_cast<std::int64_t>(a[0].text.size());
        if (start < size)
          r.text = a[0].text.substr(static_cast<std::size_t>(start),
                                    static_cast<std::size_t>(std::min(length, size - start)));
        return true;
      }
      case Op::Time: {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        ::localtime_r(&now, &tm);
        char buf[40];
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
        r.text = buf;
        return true;
      }
      case Op::Upper:
        r.text = a[0].text;
        for (char& c : r.text) c = Upper(c);
        return true;
      case Op::Val: r.number = LeadingNumber(std::string_view(a[0].text).substr(0, 49)); return true;
      default: return Fail(510);
    }
  }

  const DbfExpression& m_e;
  int m_overrideTable;
  const char* m_overrideRecord;
  std::size_t m_areaBytes;
  std::size_t m_bytes = 0;
  std::vector<Value> m_stack;
};

// A number as a key: 17 characters with 2 decimals, zero-filled on the left;
// a negative number has every character c turned into 92 - c, so that keys
// compare as texts in numeric order.
bool NumberKey(double v, std::string& key) {
  char buf[64];
  const int n = std::snprintf(buf, sizeof buf, "%017.2f", v);
  if (n != 17) {  // beyond 14 digits before the point, or not a number
    DbfReportError(360);
    return false;
  }
  key.assign(buf, 17);
  if (key[0] == '-')
    for (char& c : key) c = static_cast<char>(92 - c);
  return true;
}

int KeyFromValue(const Value& v, std::string& key) {
  switch (v.type) {
    case 'C':
    case 'D': key = v.text; return 0;
    case 'd': return DayToDate(v.number, key) ? 0 : (DbfReportError(515, {std::to_string(v.number)}), -1);
    case 'N': return NumberKey(v.number, key) ? 0 : -1;
    case 'n': {
      // A numeric field as key: blanks and '-' read as '0', inverted when
      // negative.
      key = v.text;
      const bool negative = key.find('-') != std::string::npos;
      for (char& c : key)
        if (c == ' ' || c == '-') c = '0';
      if (negative)
        for (char& c : key) c = static_cast<char>(92 - c);
      return 0;
    }
    default: DbfReportError(350); return -1;
  }
}

}  // namespace

namespace dbf {

int KeyOf(const DbfExpression& e, std::string& key, int table, const char* record) {
  return Guarded(
      [&]() -> int {
        Value v;
        if (!Evaluator(e, table, record).Run(v)) return -1;
        return KeyFromValue(v, key);
      },
      -1);
}

int KeyShape(const DbfExpression& e, int& length) {
  Table* t = TableAt(e.m_table);
  std::vector<char> blank(t ? static_cast<std::size_t>(t->recordLength) : 1, ' ');
  std::string key;
  if (KeyOf(e, key, e.m_table, blank.data()) < 0) return -1;
  length = static_cast<int>(key.size());
  return 0;
}

}  // namespace dbf

std::unique_ptr<DbfExpression> DbfCompile(std::string_view text) {
  return Guarded(
      [&]() -> std::unique_ptr<DbfExpression> {
        EnsureInit();
        return Compiler(text, Globals().current, Globals().expressionBytes).Run();
      },
      std::unique_ptr<DbfExpression>());
}

int DbfEvaluate(const DbfExpression& e, DbfValue& out) {
  return Guarded(
      [&]() -> int {
        Value v;
        if (!Evaluator(e, -1, nullptr).Run(v)) return -1;
        out = DbfValue{};
        switch (v.type) {
          case 'n':
            out.type = 'N';
            out.number = LeadingNumber(v.text);
            break;
          case 'd':
            out.type = 'D';
            if (!DayToDate(v.number, out.text)) {
              DbfReportError(515, {std::to_string(v.number)});
              return -1;
            }
            break;
          case 'L':
            out.type = 'L';
            out.logical = v.number != 0;
            break;
          case 'N':
            out.type = 'N';
            out.number = v.number;
            break;
          default:
            out.type = v.type;
            out.text = std::move(v.text);
            break;
        }
        return 0;
      },
      -1);
}

int DbfKey(const DbfExpression& e, std::string& key) { return KeyOf(e, key, -1, nullptr); }

int DbfEvaluateText(std::string_view text, DbfValue& out) {
  const std::unique_ptr<DbfExpression> e = DbfCompile(text);
  if (!e) return -1;
  return DbfEvaluate(*e, out);
}

}  // namespace qzn
