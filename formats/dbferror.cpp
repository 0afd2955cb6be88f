// The table engine's error reporter and the texts of its error codes.
#include <cstdio>
#include <string>

#include "formats/dbfcore.h"
#include "platform/host.h"
#include "resources/messages_dbase.h"

namespace qzn {

const char* DbfErrorMessage(int code) {
  for (const res::text::DbfCodeText& m : res::text::kDbfErrorTexts)
    if (m.code == code) return m.text;
  return "";
}

int DbfLastError() { return dbf::Globals().lastError; }

int DbfReportError(int code, std::initializer_list<std::string_view> texts) {
  dbf::Globals().lastError = code;
  // One piece to a line; the box shows it and the user dismisses it. Nothing
  // here waits for a key or ends the process, not even for the memory codes:
  // the failed call returns and the user's work stays open.
  std::string text = res::text::kDbfErrorNumber + dbf::Number10(code) + "\n\n" + DbfErrorMessage(code);
  for (std::string_view t : texts) {
    text += '\n';
    text.append(t.data(), t.size());
  }
  return AfxMessageBox(text, MB_OK | MB_ICONSTOP);
}

namespace dbf {

std::string Number10(std::int64_t value) {
  char buf[32];
  const int n = std::snprintf(buf, sizeof buf, "%10lld", static_cast<long long>(value));
  if (n > 10) return std::string(10, '*');
  return buf;
}

}  // namespace dbf

}  // namespace qzn
