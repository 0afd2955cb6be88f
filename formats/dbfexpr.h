// The dBASE expression language of the table engine's keys: a compiler to
// postfix code and its evaluator. Values have a type letter: 'C' text, 'N'
// number (double), 'L' logical, 'd' date as a day number, 'D' date as the
// text "CCYYMMDD", 'n' a numeric field's text. Errors are reported through
// the engine's reporter (codes 500 to 595) and the call fails.
// See docs/dbase.md.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qzn {

// A compiled expression: the source text, the table whose fields it reads
// and the postfix code (operand codes with their data, operation entries).
class DbfExpression {
 public:
  const std::string& Text() const { return m_text; }
  int Table() const { return m_table; }
  // The result type: C, N, L, d, D or n.
  char Type() const { return m_type; }

  std::string m_text;
  int m_table = -1;
  char m_type = 0;
  std::vector<std::int32_t> m_code;  // ends with -1
};

// A value as a caller sees it: type 'C' or 'D' with text, 'N' with number,
// 'L' with logical.
struct DbfValue {
  char type = 0;
  double number = 0;
  bool logical = false;
  std::string text;
};

// Compiles against the current table; null after reporting.
std::unique_ptr<DbfExpression> DbfCompile(std::string_view text);
// Evaluates on the current records of the tables it reads; 0 or -1.
int DbfEvaluate(const DbfExpression& expression, DbfValue& out);
// The result as key bytes: text as it is, a date as "CCYYMMDD", a number as
// 17 characters that sort as text in numeric order. 0 or -1 (350 for a
// logical result).
int DbfKey(const DbfExpression& expression, std::string& key);
// Compiles, evaluates and releases the code.
int DbfEvaluateText(std::string_view text, DbfValue& out);

namespace dbf {

// The day number of "CCYYMMDD" (1 January of year 1 is 1721426); the blank
// date (eight blanks) is kBlankDate. False for an invalid date.
constexpr double kBlankDate = 1.0e100;
bool DateToDay(std::string_view text, double& day);
// "CCYYMMDD" of a day number, eight blanks for the blank date; false for a
// day outside the years 1 to 9999.
bool DayToDate(double day, std::string& text);

// Evaluates to key bytes with the given table's fields read from record (its
// deletion flag first) instead of its current record.
int KeyOf(const DbfExpression& expression, std::string& key, int table, const char* record);
// The result length of a key and whether it is a number key, without a
// record: used when an index is made.
int KeyShape(const DbfExpression& expression, int& length);

}  // namespace dbf

}  // namespace qzn
