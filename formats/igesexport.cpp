#include "formats/igesexport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "app/qzndoc.h"
#include "formats/exportcommon.h"
#include "formats/exportoptions.h"
#include "model/helpers.h"
#include "platform/numfmt.h"
#include "platform/atomicfile.h"
#include "platform/host.h"
#include "resources/messages_formats.h"
#include "platform/textfile.h"

namespace qzn {

namespace {

constexpr std::size_t kColumns = 72;       // data columns of a record
constexpr std::size_t kParamColumns = 64;  // a Parameter Data record's data; 65-72 hold the back pointer
constexpr std::int64_t kMaxSequence = 9999999;
// Below these a vertex's three numbers and the entity's leading parameters
// always fit one record: 3 x ("-" + 9 digits + ".ddd,") = 45, and
// "106,2," + 8 digits + "," = 15.
constexpr double kShortNumber = 1e9;
constexpr std::int64_t kShortCount = 100000000;

// "%.3f" into buf (at least 400 bytes: a double's fixed form is at most 309
// digits before the point); the digits printf gives.
std::size_t Fixed3(char* buf, std::size_t size, double v) {
  const char* end = WriteFixed(buf, buf + size, v, 3);
  return end ? static_cast<std::size_t>(end - buf) : 0;
}

// The file's records: 72 data columns, the section letter, the record's
// sequence number in its section, and a line feed.
class CRecords {
 public:
  explicit CRecords(CAtomicFile& file) : m_file(file) {}

  void Add(char section, std::string_view data) {
    char record[100];
    std::memset(record, ' ', 72);
    std::memcpy(record, data.data(), std::min(data.size(), kColumns));
    std::int64_t& seq = m_seq[Index(section)];
    ++seq;
    std::snprintf(record + 72, sizeof record - 72, "%c%7lld\n", section, static_cast<long long>(seq));
    m_file.Write(record, 81);
  }
  // A Parameter Data record: data in columns 1-64, the back pointer in 65-72.
  void AddParameters(std::string_view data, std::int64_t backPointer) {
    char cols[73];
    std::memset(cols, ' ', 64);
    std::memcpy(cols, data.data(), std::min(data.size(), kParamColumns));
    std::snprintf(cols + 64, sizeof cols - 64, "%8lld", static_cast<long long>(backPointer));
    Add('P', std::string_view(cols, 72));
  }
  std::int64_t Count(char section) const { return m_seq[Index(section)]; }

 private:
  static int Index(char section) {
    switch (section) {
      case 'S': return 0;
      case 'G': return 1;
      case 'D': return 2;
      case 'P': return 3;
      default: return 4;
    }
  }
  CAtomicFile& m_file;
  std::int64_t m_seq[5] = {0, 0, 0, 0, 0};
};

// The parameters of one line, packed into Parameter Data records: the
// entity's leading parameters with the first vertex, then one vertex a
// record; a vertex too long for the rest of a record continues on further
// records, never splitting a number. Emit gets each record's data; false
// when a number alone is longer than a record.
template <class Emit>
bool PackLine(const CChain& c, const MapTransform& map, Emit&& emit) {
  std::string record;
  char buf[400];
  const std::size_t n = c.m_points.size();
  auto put = [&](const char* text, std::size_t len, bool last) {
    const std::size_t need = len + 1;  // with its delimiter
    if (need > kParamColumns) return false;
    if (record.size() + need > kParamColumns) {
      emit(record);
      record.clear();
    }
    record.append(text, len);
    record += last ? ';' : ',';
    return true;
  };
  const int head = std::snprintf(buf, sizeof buf, "106,2,%lld", static_cast<long long>(n));
  // The leading parameters count as one piece with the first vertex's x.
  record.assign(buf, static_cast<std::size_t>(head));
  record += ',';
  const double z = c.m_fID;
  for (std::size_t i = 0; i < n; ++i) {
    double X = 0.0, Y = 0.0;
    if (!map.Map(c.m_points[i], X, Y)) return false;
    if (i > 0 && !record.empty()) {
      emit(record);
      record.clear();
    }
    const double values[3] = {X, Y, z};
    for (int k = 0; k < 3; ++k) {
      const std::size_t len = Fixed3(buf, sizeof buf, values[k]);
      if (!put(buf, len, i + 1 == n && k == 2)) return false;
    }
  }
  if (!record.empty()) emit(record);
  return true;
}

// A Hollerith string: its length in stored bytes, "H", the bytes.
std::string Hollerith(const std::string& utf8) {
  const std::string bytes = Utf8ToGbk(utf8);
  return std::to_string(bytes.size()) + "H" + bytes;
}

// The Global section's parameters, packed into 72-column records. A
// parameter goes whole onto a record when it fits; a string longer than
// what is left runs on over the next records.
std::vector<std::string> PackGlobal(const std::vector<std::pair<std::string, bool>>& params) {
  std::vector<std::string> records(1);
  for (const auto& [text, isString] : params) {
    std::string_view rest(text);
    std::string& current = records.back();
    if (current.size() + rest.size() > kColumns && (!isString || current.size() == kColumns)) {
      records.emplace_back();
    }
    while (!rest.empty()) {
      std::string& r = records.back();
      const std::size_t room = kColumns - r.size();
      if (room == 0) {
        records.emplace_back();
        continue;
      }
      const std::size_t take = std::min(room, rest.size());
      r.append(rest.substr(0, take));
      rest.remove_prefix(take);
    }
  }
  return records;
}

std::string DateText(std::time_t when, bool compact) {
  static const char* kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  static const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                  "July",    "August",   "September", "October", "November", "December"};
  std::tm t{};
  localtime_r(&when, &t);
  if (compact)
    return FormatC("%04d%02d%02d.%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                   t.tm_sec);
  // The names in English whatever the desktop's language.
  return FormatC("%s, %s %02d, %04d 在 %02d:%02d:%02d", kDays[t.tm_wday % 7], kMonths[t.tm_mon % 12], t.tm_mday,
                 t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int IgesColorNumber(COLORREF color) {
  const bool r = GetRValue(color) >= 50, g = GetGValue(color) >= 50, b = GetBValue(color) >= 50;
  if (r && g && b) return 8;
  if (g && b) return 7;
  if (r && b) return 6;
  if (r && g) return 5;
  if (b) return 4;
  if (g) return 3;
  if (r) return 2;
  return 1;
}

WriteResult WriteIgesFile(const std::string& path, const CChainList& lines, const MapTransform& map, std::time_t when) {
  // First pass: the records each line needs and the largest coordinate.
  std::vector<std::int64_t> records;
  double largest = 0.0;
  std::int64_t parameterRecords = 0;
  for (const CChain* c : lines) {
    if (!c || c->m_points.size() < 2) continue;
    double lineLargest = std::fabs(static_cast<double>(c->m_fID));
    for (const CFPoint& p : c->m_points) {
      double X = 0.0, Y = 0.0;
      if (!map.Map(p, X, Y)) return WriteResult::cannotMap;
      lineLargest = std::max({lineLargest, std::fabs(X), std::fabs(Y)});
    }
    largest = std::max(largest, lineLargest);
    const auto n = static_cast<std::int64_t>(c->m_points.size());
    std::int64_t count = 0;
    if (lineLargest < kShortNumber && n < kShortCount)
      count = n;
    else if (!PackLine(*c, map, [&](const std::string&) { ++count; }))
      return WriteResult::cannotMap;
    records.push_back(count);
    parameterRecords += count;
  }
  if (parameterRecords > kMaxSequence || 2 * static_cast<std::int64_t>(records.size()) > kMaxSequence) {
    AfxMessageBox(res::text::kIgesTooManyRecords, MB_OK | MB_ICONSTOP);
    return WriteResult::reported;
  }

  CAtomicFile file;
  if (!file.Open(path)) return WriteResult::cannotCreate;
  CRecords out(file);

  out.Add('S', Utf8ToGbk("IGES 文件由 QZN software 创建。"));

  std::vector<std::pair<std::string, bool>> global = {
      {",", false},         {",", false},
      {"3HQZN,", true},     {Hollerith(FileNameOf(path)) + ",", true},
      {"7HQZN 5.5,", true}, {Hollerith("QZN 5.5 创建 " + DateText(when, false)) + ",", true},
      {"32,", false},       {"38,", false},
      {"6,", false},        {"308,", false},
      {"15,", false},       {",", false},
      {"1.0D0,", false},    {"2,", false},
      {"2HMM,", true},      {"1,", false},
      {"1.0D0,", false},    {Hollerith(DateText(when, true)) + ",", true},
      {".001D0,", false},   {FormatC("%.3fD0,", largest), false},
      {",", false},         {",", false},
      {"4,", false},        {"0;", false},
  };
  for (const std::string& r : PackGlobal(global)) out.Add('G', r);

  // Directory entries: two records a line; the i-th line's parameters start
  // where the line before ended.
  std::int64_t start = 1;
  std::size_t index = 0;
  for (const CChain* c : lines) {
    if (!c || c->m_points.size() < 2) continue;
    const std::int64_t count = records[index++];
    const int level = c->m_nLayer >= -9999999 && c->m_nLayer <= 99999999 ? c->m_nLayer : 0;
    out.Add('D', FormatC("%8d%8lld%8d%8d%8d%8s%8s%8s%8s", 106, static_cast<long long>(start), 0, 1, level, "", "", "",
                         "00000000"));
    out.Add('D', FormatC("%8d%8d%8d%8lld%8d%8s%8s%8s%8s", 106, 0, IgesColorNumber(c->m_color),
                         static_cast<long long>(count), 12, "", "", "", ""));
    start += count;
  }

  std::int64_t entry = 1;  // the line's first Directory Entry record
  for (const CChain* c : lines) {
    if (!c || c->m_points.size() < 2) continue;
    PackLine(*c, map, [&](const std::string& data) { out.AddParameters(data, entry); });
    entry += 2;
  }

  out.Add('T', FormatC("S%7dG%7lldD%7lldP%7lld", 1, static_cast<long long>(out.Count('G')),
                       static_cast<long long>(out.Count('D')), static_cast<long long>(out.Count('P'))));
  if (file.Failed()) return WriteResult::failed;
  return file.Commit() ? WriteResult::ok : WriteResult::failed;
}

int ExportIges(CQznDoc& doc, const std::string& path) {
  IgesOutOptions options;
  if (!AskExportOptions(doc, options, &IExportOptionsHook::AskIges)) return 1;
  CExportGeoref georef;
  if (!PrepareGeoref(georef, doc, ToGeorefChoice(options.mode, GeorefChoice::worldFile),
                     {res::text::kBadControlPoints, res::text::kBadControlPointsExportAgain, nullptr}))
    return 0;
  MapTransform map = georef.Map();
  if (options.mode == IgesOutOptions::pageSpace)
    map = MapTransform::PageSpace(doc.m_extent, doc.m_image.xResolution, doc.m_image.yResolution);
  else if (options.mode == IgesOutOptions::flip)
    map = MapTransform::FlippedOver(doc.m_extent);

  CWaitCapture wait;
  return WriteIgesFile(path, doc.m_lines, map, std::time(nullptr)) == WriteResult::ok ? 1 : 0;
}

}  // namespace qzn
