#include "ui/core/dataexchange.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <utility>
#include <system_error>

#include "platform/host.h"
#include "resources/messages_window.h"
#include "resources/strings.h"

namespace qzn {

namespace {

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string Fill(std::string text, const std::string& a, const std::string& b = {}) {
  auto put = [&](const char* mark, const std::string& v) {
    const auto at = text.find(mark);
    if (at != std::string::npos) text.replace(at, 2, v);
  };
  put("%1", a);
  put("%2", b);
  return text;
}

template <class T>
std::string Shortest(T v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

template <class T>
bool ParseFloating(const std::string& text, T& v) {
  std::string t = Trim(text);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (t.empty()) return false;
  T out{};
  const auto r = std::from_chars(t.data(), t.data() + t.size(), out);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(out)) return false;
  v = out;
  return true;
}

}  // namespace

std::string FormatNumber(float v) { return Shortest(v); }
std::string FormatNumber(double v) { return Shortest(v); }
bool ParseNumber(const std::string& text, float& v) { return ParseFloating(text, v); }
bool ParseNumber(const std::string& text, double& v) { return ParseFloating(text, v); }

bool ParseInteger(const std::string& text, long long& v) {
  std::string t = Trim(text);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (t.empty()) return false;
  long long out = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), out);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return false;
  v = out;
  return true;
}

void CDataExchange::Fail(const std::string& text) {
  if (failed) return;
  failed = true;
  failedId = lastId;
  message = text;
}

namespace {

// A whole number of type T; a text that is not one, or that T cannot hold,
// fails with `refusal`.
template <class T>
void ExchangeInteger(CDataExchange& dx, int id, T& value, const std::string& refusal) {
  dx.lastId = id;
  if (!dx.save) {
    dx.controls.SetText(id, std::to_string(value));
    return;
  }
  long long v = 0;
  if (!ParseInteger(dx.controls.GetText(id), v) || !std::in_range<T>(v)) return dx.Fail(refusal);
  value = static_cast<T>(v);
}

}  // namespace

void DDX_Text(CDataExchange& dx, int id, int& value) { ExchangeInteger(dx, id, value, res::text::kDxNotInt); }
void DDX_Text(CDataExchange& dx, int id, unsigned& value) { ExchangeInteger(dx, id, value, res::text::kDxNotInt); }
void DDX_Text(CDataExchange& dx, int id, std::int64_t& value) { ExchangeInteger(dx, id, value, res::text::kDxNotInt); }
void DDX_Text(CDataExchange& dx, int id, BYTE& value) {
  ExchangeInteger(dx, id, value, Fill(res::text::kDxIntRange, "0", "255"));
}

void DDX_Text(CDataExchange& dx, int id, float& value) {
  dx.lastId = id;
  if (!dx.save) {
    dx.controls.SetText(id, FormatNumber(value));
    return;
  }
  if (!ParseNumber(dx.controls.GetText(id), value)) dx.Fail(res::text::kDxNotNumber);
}

void DDX_Text(CDataExchange& dx, int id, double& value) {
  dx.lastId = id;
  if (!dx.save) {
    dx.controls.SetText(id, FormatNumber(value));
    return;
  }
  if (!ParseNumber(dx.controls.GetText(id), value)) dx.Fail(res::text::kDxNotNumber);
}

void DDX_Text(CDataExchange& dx, int id, std::string& value) {
  dx.lastId = id;
  if (dx.save)
    value = dx.controls.GetText(id);
  else
    dx.controls.SetText(id, value);
}

void DDX_Check(CDataExchange& dx, int id, bool& value) {
  dx.lastId = id;
  if (dx.save)
    value = dx.controls.GetCheck(id);
  else
    dx.controls.SetCheck(id, value);
}

void DDX_Radio(CDataExchange& dx, std::initializer_list<int> ids, int& value) {
  if (ids.size() == 0) return;
  dx.lastId = *ids.begin();
  if (dx.save) {
    value = -1;
    int i = 0;
    for (int id : ids) {
      if (dx.controls.GetCheck(id)) {
        value = i;
        break;
      }
      ++i;
    }
    return;
  }
  int i = 0;
  for (int id : ids) dx.controls.SetCheck(id, i++ == value);
}

void DDX_Slider(CDataExchange& dx, int id, int& value) {
  dx.lastId = id;
  if (dx.save)
    value = dx.controls.GetScrollPos(id);
  else
    dx.controls.SetScrollPos(id, value);
}

void DDV_Range(CDataExchange& dx, double value, const CValueRange& range) {
  if (dx.save && !dx.failed && !InRange(value, range)) dx.Fail(RangeMessage(range));
}

void DDV_MinMaxInt(CDataExchange& dx, int value, int low, int high) {
  DDV_Range(dx, value, {static_cast<double>(low), static_cast<double>(high), true});
}

void DDV_MinMaxUInt(CDataExchange& dx, unsigned value, unsigned low, unsigned high) {
  DDV_Range(dx, value, {static_cast<double>(low), static_cast<double>(high), true});
}

void DDV_MinMaxFloat(CDataExchange& dx, float value, float low, float high) {
  if (dx.save && !dx.failed && !(value >= low && value <= high))
    dx.Fail(Fill(res::text::kDxNumberRange, FormatNumber(low), FormatNumber(high)));
}

void DDV_MinMaxDouble(CDataExchange& dx, double value, double low, double high) {
  DDV_Range(dx, value, {low, high, false});
}

void DDV_MaxChars(CDataExchange& dx, const std::string& value, int count) {
  // Characters, not bytes: a Chinese character is one.
  std::size_t chars = 0;
  for (unsigned char c : value)
    if ((c & 0xC0) != 0x80) ++chars;
  if (dx.save && !dx.failed && chars > static_cast<std::size_t>(count))
    dx.Fail(Fill(res::text::kDxTooLong, std::to_string(count)));
}

bool CDialogModel::UpdateData(IDialogControls& controls, bool save) {
  CDataExchange dx(controls, save);
  DoDataExchange(dx);
  if (!dx.failed) return true;
  AfxMessageBox(dx.message, MB_OK | MB_ICONEXCLAMATION);
  if (dx.failedId) controls.SetFocus(dx.failedId);
  return false;
}

void CDialogModel::InitDialog(IDialogControls& controls) {
  UpdateData(controls, false);
  OnInitDialog(controls);
}

namespace {
IDialogRunner* g_dialogRunner = nullptr;
}

void SetDialogRunner(IDialogRunner* runner) { g_dialogRunner = runner; }
IDialogRunner* GetDialogRunner() { return g_dialogRunner; }
int DoModal(CDialogModel& model) { return g_dialogRunner ? g_dialogRunner->DoModal(model) : IDCANCEL; }

}  // namespace qzn
