// The expression language: values of a table of expressions checked against
// Python, number keys that sort as text, dates against Python's day numbers,
// and the error codes, including expressions too deep or too long for the
// compiler's and the evaluator's areas.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "formats/dbf.h"
#include "formats/dbfexpr.h"
#include "tests/formats/dbf_test_util.h"
#include "tests/support/testutil.h"

namespace {

using namespace qzn;
using qzntest::DbfTest;
using qzntest::Field;

std::string Show(const DbfValue& v) {
  char buf[64];
  switch (v.type) {
    case 'N': std::snprintf(buf, sizeof buf, "N:%.17g", v.number); return buf;
    case 'L': return v.logical ? "L:T" : "L:F";
    case 'D': return "D:[" + v.text + "]";
    default: return "C:[" + v.text + "]";
  }
}

std::string Json(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

class DbfExpr : public DbfTest {
 protected:
  void SetUp() override {
    DbfTest::SetUp();
    ASSERT_GE(
        Create(dir.file("people.dbf"), {Field("NAME", 'C', 10), Field("CITY", 'C', 8), Field("AMOUNT", 'N', 10, 2),
                                        Field("QTY", 'N', 5), Field("WHEN", 'D', 8), Field("FLAG", 'L', 1)}),
        0);
    AppendRow({"Jones", "Bern", "      5.00", "    1", "19991231", "F"});
    AppendRow({"Smith", "Zurich", "   -123.45", "   17", "20240229", "T"});
    AppendRow({"Young", "Chur", "      0.50", "    3", "        ", "y"});
    ASSERT_EQ(DbfGoRecord(2), 0);
  }
  std::string Value(const std::string& text) {
    DbfValue v;
    if (DbfEvaluateText(text, v) != 0) return "error " + std::to_string(DbfLastError());
    return Show(v);
  }
};

// Each expression with the Python expression that computes its value from
// the fields of record 2.
struct Case {
  const char* expression;
  const char* python;
};
const Case kCases[] = {
    // priorities, and operators of one priority from the left
    {"2+3*4", "2+3*4"},
    {"(2+3)*4", "(2+3)*4"},
    {"2^3^2", "(2**3)**2"},
    {"2**3+1", "2**3+1"},
    {"10-4-3", "10-4-3"},
    {"100/10/5", "100/10/5"},
    {"-2.5*4+1", "-2.5*4+1"},
    {"QTY+AMOUNT*2", "QTY+AMOUNT*2"},
    {"QTY=17.AND.FLAG", "QTY==17 and FLAG"},
    {"FLAG .AND. QTY > 10 .OR. .F.", "(FLAG and QTY > 10) or False"},
    {".NOT. FLAG .AND. .F.", "not (FLAG and False)"},
    {".NOT. .T. .OR. .T.", "not (True or True)"},
    {"IIF(QTY > 10, 'big', 'sml')", "'big' if QTY > 10 else 'sml'"},
    // text comparison and the text operators
    {"'ABC' = 'AB'", "ceq('ABC', 'AB')"},
    {"'AB' = 'ABC'", "ceq('AB', 'ABC')"},
    {"'AB' < 'ABC'", "clt('AB', 'ABC')"},
    {"'ABC' > 'AB'", "clt('AB', 'ABC') and not ceq('ABC', 'AB')"},
    {"'ABD' >= 'ABC'", "not clt('ABD', 'ABC')"},
    {"'AB' <> 'ABC'", "not ceq('AB', 'ABC')"},
    {"'ABC' # 'AB'", "not ceq('ABC', 'AB')"},
    {"NAME = 'Smi'", "ceq(NAME, 'Smi')"},
    {"NAME - CITY", "cminus(NAME, CITY)"},
    {"NAME + CITY", "NAME + CITY"},
    {"'ab' $ 'xabc'", "'ab' in 'xabc'"},
    {"UPPER(NAME) + 'x'", "NAME.upper() + 'x'"},
    // STR, SUBSTR, VAL
    {"STR(AMOUNT)", "STR(AMOUNT)"},
    {"STR(AMOUNT, 10, 2)", "STR(AMOUNT, 10, 2)"},
    {"STR(QTY, 3)", "STR(QTY, 3)"},
    {"STR(123456, 4)", "STR(123456, 4)"},
    {"STR(0.125, 6, 2)", "STR(0.125, 6, 2)"},
    {"STR(2.5)", "STR(2.5)"},
    {"STR(-0.5, 8, 3)", "STR(-0.5, 8, 3)"},
    {"SUBSTR(NAME, 2, 3)", "SUBSTR(NAME, 2, 3)"},
    {"SUBS(NAME, 2)", "SUBSTR(NAME, 2)"},
    {"SUBSTR(NAME, 0, 2)", "SUBSTR(NAME, 0, 2)"},
    {"SUBSTR(NAME, 20)", "SUBSTR(NAME, 20)"},
    {"VAL('  12.5abc')", "VAL('  12.5abc')"},
    {"VAL('-3e2x')", "VAL('-3e2x')"},
    {"VAL('.5')", "VAL('.5')"},
    {"VAL('1e')", "VAL('1e')"},
    {"VAL('NANCY')", "VAL('NANCY')"},
    {"VAL('0x1A')", "VAL('0x1A')"},
    // dates
    {"STOD('20240229') - STOD('19991231')", "jd(stod('20240229')) - jd(stod('19991231'))"},
    {"DTOS(STOD('20240228') + 1)", "'20240229'"},
    {"DTOS(1 + STOD('20231231'))", "'20240101'"},
    {"STOD('21000301') - 1", "stod('21000228')"},
    {"DTOS(CTOD('12/31/99'))", "'19991231'"},
    {"DTOC(WHEN)", "dtoc(WHEN)"},
    {"DTOS(WHEN)", "WHEN.strftime('%Y%m%d')"},
    {"YEAR(WHEN) * 10000 + MONTH(WHEN) * 100 + DAY(WHEN)", "WHEN.year * 10000 + WHEN.month * 100 + WHEN.day"},
    {"WHEN > STOD('20240101')", "WHEN > stod('20240101')"},
    {"DATE() - STOD('00010101') + 1721426", "jd(today)"},
    {"DATE() = STOD(DTOS(DATE()))", "True"},
    {"WHEN - STOD('00010101') + 1721426", "jd(WHEN)"},
    // the record
    {"RECNO()", "2"},
    {"RECC()", "3"},
    {"DELETED()", "False"},
    {"DEL()", "' '"},
};

TEST_F(DbfExpr, ValuesAgreeWithPython) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"json"}), "Python");
  std::string json = R"({"fields": {"NAME": "Smith     ", "CITY": "Zurich  ", "AMOUNT": -123.45, "QTY": 17.0,)"
                     R"( "WHEN": "@20240229", "FLAG": true}, "cases": [)";
  std::string got;
  for (std::size_t i = 0; i < std::size(kCases); ++i) {
    json += (i ? ", " : "") + Json(kCases[i].python);
    got += Value(kCases[i].expression) + "\n";
  }
  json += "]}";
  const std::string cases = dir.file("cases.json");
  qzntest::WriteFileText(cases, json);
  std::string want;
  ASSERT_EQ(qzntest::RunCommand(
                qzntest::Python() + " " + qzntest::SourcePath("tests/formats/dbf_expr_oracle.py") + " '" + cases + "'",
                &want),
            0)
      << want;
  std::istringstream g(got), w(want);
  std::string gl, wl;
  for (const Case& c : kCases) {
    std::getline(g, gl);
    std::getline(w, wl);
    EXPECT_EQ(gl, wl) << c.expression;
  }
  EXPECT_TRUE(Codes().empty()) << LastMessage();
}

TEST_F(DbfExpr, FieldsAndAliases) {
  // A logical field is true for T, t, Y and y; a blank date is eight blanks.
  ASSERT_EQ(DbfGoRecord(3), 0);
  EXPECT_EQ(Value("FLAG"), "L:T");
  EXPECT_EQ(Value("WHEN"), "D:[        ]");
  EXPECT_EQ(Value("DTOS(WHEN + 1)"), "C:[        ]");
  EXPECT_EQ(Value("AMOUNT"), "N:0.5");
  // Another open table's fields through its name.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const int people = DbfSelect(-1);
  ASSERT_GE(Create("CODES.DBF", {Field("CODE", 'C', 4)}), 0);
  AppendRow({"AB12"});
  DbfSelect(people);
  EXPECT_EQ(Value("CODES->CODE + NAME"), "C:[AB12Young     ]");
  EXPECT_EQ(Value("codes->CODE"), "error 500");  // another file here
  std::filesystem::current_path(cwd);
}

TEST_F(DbfExpr, NumberKeysSortAsTextInNumericOrder) {
  const std::vector<double> values = {-1000.5, -1,        -0.5,       0,    0.25,  1,  2,   10,   999.99,
                                      -999.99, 123456.78, -123456.78, 1e13, -1e13, -2, -10, 0.01, -0.01};
  // As a computed number (17 characters) and as the numeric field itself.
  for (const char* expression : {"AMOUNT * 1", "AMOUNT"}) {
    SCOPED_TRACE(expression);
    const auto e = DbfCompile(expression);
    ASSERT_TRUE(e);
    std::vector<std::pair<std::string, double>> keys;
    for (double v : values) {
      if (std::string(expression) == "AMOUNT" && std::abs(v) >= 1e6) continue;  // wider than the field
      char text[32];
      std::snprintf(text, sizeof text, "%10.2f", v);
      ASSERT_EQ(DbfFieldReplace(DbfFieldRef("AMOUNT"), text), 0);
      std::string key;
      ASSERT_EQ(DbfKey(*e, key), 0);
      EXPECT_EQ(key.size(), std::string(expression) == "AMOUNT" ? 10u : 17u);
      keys.emplace_back(key, v);
    }
    std::vector<double> byNumber;
    for (const auto& k : keys) byNumber.push_back(k.second);
    std::sort(keys.begin(), keys.end());
    std::sort(byNumber.begin(), byNumber.end());
    for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(keys[i].second, byNumber[i]) << keys[i].first;
  }
  // Dates key as CCYYMMDD, texts as they are; a logical key is refused.
  const auto date = DbfCompile("WHEN + 1");
  std::string key;
  ASSERT_EQ(DbfKey(*date, key), 0);
  EXPECT_EQ(key, "20240301");
  EXPECT_EQ(DbfKey(*DbfCompile("FLAG"), key), -1);
  EXPECT_EQ(DbfLastError(), 350);
}

TEST_F(DbfExpr, DatesAreDayNumbersOfPython) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"datetime"}), "Python");
  const char* dates[] = {"00010101", "15821015", "16000229", "17000301", "18991231",
                         "19000101", "19700101", "20000229", "20240229", "99991231"};
  std::string script = "import datetime\nfor s in [";
  for (const char* d : dates) script += std::string("'") + d + "',";
  script += "]: print(datetime.date(int(s[:4]), int(s[4:6]), int(s[6:])).toordinal() + 1721425)\n";
  qzntest::WriteFileText(dir.file("days.py"), script);
  std::string out;
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() + " '" + dir.file("days.py") + "'", &out), 0);
  std::istringstream in(out);
  for (const char* d : dates) {
    long long want = 0;
    in >> want;
    double day = 0;
    ASSERT_TRUE(dbf::DateToDay(d, day)) << d;
    EXPECT_EQ(day, static_cast<double>(want)) << d;
    std::string back;
    ASSERT_TRUE(dbf::DayToDate(day, back));
    EXPECT_EQ(back, d);
  }
  double day = 0;
  for (const char* bad : {"20230229", "19001329", "2024 101", "00000101", "abcdefgh"})
    EXPECT_FALSE(dbf::DateToDay(bad, day)) << bad;
}

TEST_F(DbfExpr, ErrorsHaveTheirCodes) {
  const std::string deep = std::string(40, '(') + "1" + std::string(40, ')');
  std::string twentyValues = "1";
  for (int i = 0; i < 10; ++i) twentyValues = "1+2*(" + twentyValues + ")";
  const std::string longText = "'" + std::string(3000, 'x') + "'";
  struct ErrorCase {
    std::string expression;
    int code;
  };
  const ErrorCase cases[] = {
      {"(1+2", 560},
      {"1+", 530},
      {"", 530},
      {")", 530},
      {".NOT.", 530},
      {"'abc", 590},
      {"NOSUCH(1)", 570},
      {"1 ! 2", 575},
      {"1 2", 575},
      {"NOSUCHFIELD", 580},
      {"ABCDEFGHIJKL", 580},
      {"-NAME", 580},
      {"STR()", 595},
      {"SUBSTR(NAME)", 595},
      {"NAME + 1", 550},
      {"QTY $ NAME", 550},
      {"UPPER('a'", 520},
      {"UPPER('a' 'b')", 575},
      {"NOTABLE->NAME", 500},
      {"STOD('20230229')", 515},
      {"DTOS(STOD('99991231') + 1)", 515},
      {deep, 540},
      {twentyValues, 540},
      {longText, 540},
      {"STR(1, 2000) + STR(1, 1500)", 540},
      {"STR(1, 1000000000)", 540},
  };
  for (const ErrorCase& c : cases) {
    host.messages.clear();
    DbfValue v;
    EXPECT_EQ(DbfEvaluateText(c.expression, v), -1) << c.expression.substr(0, 60);
    EXPECT_EQ(Codes(), std::vector<int>{c.code}) << c.expression.substr(0, 60) << "\n" << LastMessage();
  }
  // Nine levels of the same shape are within the areas.
  std::string nine = "1";
  for (int i = 0; i < 6; ++i) nine = "1+2*(" + nine + ")";
  host.messages.clear();
  EXPECT_EQ(Value(nine), "N:" + std::to_string(127));
  EXPECT_EQ(Value(std::string(25, '(') + "1" + std::string(25, ')')), "N:1");
}

}  // namespace
