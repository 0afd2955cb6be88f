#include "formats/sdlimport.h"

#include <cctype>
#include <climits>
#include <new>
#include <vector>

#include "app/qzndoc.h"
#include "formats/attributelist.h"
#include "formats/exportcommon.h"
#include "formats/importcommon.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_common.h"
#include "resources/messages_formats.h"

namespace qzn {

namespace {

// The integer a text starts with (blanks, a sign, digits), as "%d" reads it.
bool LeadingInteger(std::string_view text, long long& out) {
  text = TrimBlanks(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  long long v = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    if (v > (LLONG_MAX - 9) / 10) return false;
    v = v * 10 + (text[i] - '0');
  }
  out = negative ? -v : v;
  return true;
}

std::string_view Unquoted(std::string_view field) {
  field = TrimBlanks(field);
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"') return field.substr(1, field.size() - 2);
  return field;
}

}  // namespace

bool ParseSdlRecord(std::string_view line, SdlRecord& record) {
  if (line.empty()) return false;
  // Fields separated by commas outside quotes.
  std::vector<std::string_view> fields;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || (line[i] == ',' && !quoted)) {
      fields.push_back(line.substr(start, i - start));
      start = i + 1;
    } else if (line[i] == '"') {
      quoted = !quoted;
    }
  }
  if (fields.size() != 4 && fields.size() != 5) return false;
  const bool second = fields.size() == 5;
  long long id = 0, count = 0;
  if (!LeadingInteger(Unquoted(fields[2]), id)) return false;
  if (!LeadingInteger(fields.back(), count) || count < 0 || count > INT_MAX) return false;
  record.type = line[0];
  record.first = GbkToUtf8(Unquoted(fields[1]));
  record.id = id;
  record.second = second ? GbkToUtf8(Unquoted(fields[3])) : std::string();
  record.count = count;
  return true;
}

int ImportSdl(CQznDoc& doc, const std::string& path, const MapTransform& toPixels) {
  CWaitCapture wait;
  CLineReader in;
  if (path.empty() || !in.Open(path)) {
    AfxMessageBox(res::text::kCannotOpenFile, MB_OK | MB_ICONSTOP);
    return 0;
  }
  CImportLists work(doc.m_lines);
  // IDs beyond the int range have no group: the attribute file keeps int IDs.
  CAttributeList attributeList;
  auto damaged = [] {
    AfxMessageBox(res::text::kSdlReadError, MB_OK | MB_ICONEXCLAMATION);
    return 0;
  };
  try {
    CReadProgress progress(in);
    std::string_view line;
    // The next coordinate pair: 1 read, 0 a line that is no pair (given back,
    // so the record ends there), -1 the end of the file or a pair that cannot
    // be a pixel. A line that is no pair and ends the file is a record cut
    // there, inside its vertex line or after it: the file is damaged.
    double raw[2] = {0.0, 0.0};
    CFPoint pixel;
    auto pair = [&]() -> int {
      if (!in.Next(line)) return -1;
      if (!ParseNumbers(line, raw, 2)) {
        if (in.Position() >= in.Size()) return -1;
        in.PutBack();
        return 0;
      }
      return ToPixel(toPixels, raw[0], raw[1], pixel) ? 1 : -1;
    };
    SdlRecord record;
    while (in.Next(line)) {
      progress.Update();
      const char kind = line.empty() ? '\0' : line[0];
      if (kind != 'M' && kind != 'L' && kind != 'P') continue;  // comments (";", "!") and anything else
      // A record whose header does not parse (or is cut inside it) would be
      // dropped with its vertex lines, read as lines of no record: the file
      // is damaged, as one cut inside a vertex line is.
      if (!ParseSdlRecord(line, record)) return damaged();
      const auto id = static_cast<float>(record.id);
      if (kind == 'M') {
        const int got = pair();
        if (got < 0) return damaged();
        if (got > 0 && !work.points.AddPoint(pixel.x, pixel.y, id, 4, 255)) throw std::bad_alloc();
      } else if (record.count > 0) {
        auto newLine = [&] {
          CChain* c = work.lines.NewChain();
          if (!c) throw std::bad_alloc();
          c->m_fID = id;
          return c;
        };
        CChain* c = kind == 'L' ? newLine() : nullptr;
        double first[2] = {0.0, 0.0};
        CFPoint firstPixel;
        for (long long i = 0; i < record.count; ++i) {
          const int got = pair();
          if (got < 0) return damaged();
          if (got == 0) break;
          if (kind == 'L') {
            c->m_points.push_back(pixel);
            continue;
          }
          // A polygon: each ring ends where its first vertex comes again
          // (compared as written); the next vertex starts the next ring.
          if (!c) {
            c = newLine();
            first[0] = raw[0];
            first[1] = raw[1];
            firstPixel = pixel;
            c->m_points.push_back(pixel);
          } else if (raw[0] == first[0] && raw[1] == first[1]) {
            c->m_points.push_back(firstPixel);
            c->CalcBounds();
            c = nullptr;
          } else {
            c->m_points.push_back(pixel);
          }
        }
        if (c) c->CalcBounds();
      }
      if (record.id >= INT_MIN && record.id <= INT_MAX)
        attributeList.Add(static_cast<int>(record.id), record.first, record.second);
    }
    if (in.Error()) return damaged();
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kOutOfMemory);
    return 0;
  }

  const bool mapped = !toPixels.IsPixels();
  const bool anyLines = !work.lines.IsEmpty(), anyPoints = !work.points.IsEmpty();
  work.MoveTo(doc);
  if (mapped && anyLines) doc.m_lines.m_nImportMark = 1;
  if (mapped && anyPoints) doc.m_points.m_nImportMark |= CPtList::kImportedFromMap;

  // The records' texts beside the SDL file, never over an attribute file
  // chosen elsewhere.
  const std::string attributes = CompanionPath(path, "sda");
  if (doc.m_paths[CQznDoc::kPathAttributes].empty()) doc.m_paths[CQznDoc::kPathAttributes] = attributes;
  attributeList.WriteFile(attributes);
  return 1;
}

}  // namespace qzn
