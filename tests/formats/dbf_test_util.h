// Shared by the table engine's tests: a fixture that records what the engine
// reports and closes every table it left open, field definitions, and the
// Python oracles (dbfread, OGR, pyshp).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/dbf.h"
#include "platform/host.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace qzntest {

inline qzn::DbfField Field(const char* name, char type, int width, int decimals = 0) {
  qzn::DbfField f{};
  // 11 bytes, not always NUL-ended, as a caller's definition may be
  std::memcpy(f.name, name, std::min(std::strlen(name), sizeof f.name));
  f.type = type;
  f.width = static_cast<std::int16_t>(width);
  f.decimals = static_cast<std::int16_t>(decimals);
  return f;
}

class DbfTest : public ::testing::Test {
 protected:
  void SetUp() override { m_scope = std::make_unique<CHostScope>(&host); }
  void TearDown() override {
    while (qzn::DbfSelect(-1) >= 0)
      if (qzn::DbfClose() < 0 && qzn::DbfSelect(-1) >= 0) break;
    m_scope.reset();
  }

  // The error codes reported so far, in order.
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const auto& m : host.messages) {
      const std::string key = "错误数: ";
      if (m.text.compare(0, key.size(), key) == 0) codes.push_back(std::stoi(m.text.substr(key.size(), 10)));
    }
    return codes;
  }
  std::string LastMessage() const { return host.messages.empty() ? std::string() : host.messages.back().text; }

  // Creates a table with the fields and opens it; fails the test otherwise.
  int Create(const std::string& path, const std::vector<qzn::DbfField>& fields, int safety = 0) {
    const int t = qzn::DbfCreate(path, static_cast<int>(fields.size()), fields.data(), safety);
    EXPECT_GE(t, 0) << LastMessage();
    return t;
  }

  // Fills the current record from texts, one per field, as a caller that
  // writes into the record buffer does, and appends it.
  void AppendRow(const std::vector<std::string>& values) {
    char* rec = qzn::DbfRecordBuffer();
    ASSERT_NE(rec, nullptr);
    std::memset(rec, ' ', static_cast<std::size_t>(qzn::DbfRecordWidth()));
    for (std::size_t i = 0; i < values.size(); ++i) {
      const qzn::DbfField* f = qzn::DbfFieldInfo(qzn::DbfFieldByNumber(static_cast<int>(i) + 1));
      ASSERT_NE(f, nullptr);
      std::memcpy(rec + f->offset, values[i].data(), std::min<std::size_t>(values[i].size(), f->width));
    }
    ASSERT_EQ(qzn::DbfWriteRecord(0), 0) << LastMessage();
  }

  CScriptedHost host;
  TempDir dir;

 private:
  std::unique_ptr<CHostScope> m_scope;
};

// Runs tests/formats/dbf_oracle.py with the arguments (each quoted); the
// output, or "" with a failure when the script fails.
inline std::string DbfOracle(const std::vector<std::string>& args) {
  std::string cmd = Python() + " '" + SourcePath("tests/formats/dbf_oracle.py") + "'";
  for (const std::string& a : args) {
    std::string q;
    for (char c : a) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    cmd += " '" + q + "'";
  }
  std::string out;
  const int rc = RunCommand(cmd, &out);
  EXPECT_EQ(rc, 0) << cmd << "\n" << out;
  return out;
}

}  // namespace qzntest
