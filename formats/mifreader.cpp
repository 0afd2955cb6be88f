#include "formats/mifreader.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <new>
#include <vector>

#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_formats.h"

namespace qzn {

COLORREF MifColorToRgb(long long mif) {
  const auto v = static_cast<unsigned long long>(mif) & 0xFFFFFFull;
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

int MifPatternToPenStyle(long long pattern) {
  if (pattern == 1) return PS_NULL;
  if (pattern >= 2 && pattern <= 6) return static_cast<int>(pattern - 2);
  return PS_SOLID;
}

namespace {

enum Header : int { kVersion, kCharset, kDelimiter, kUnique, kIndex, kCoordSys, kTransform, kColumns, kData };
const char* const kHeaderWords[] = {"VERSION",  "CHARSET",   "DELIMITER", "UNIQUE", "INDEX",
                                    "COORDSYS", "TRANSFORM", "COLUMNS",   "DATA"};

enum Object : int {
  kPline,
  kRegion,
  kLine,
  kPoint,
  kMultiple,
  kText,
  kArc,
  kRect,
  kRoundRect,
  kEllipse,
  kNone,
  kMultipoint
};
const char* const kObjectWords[] = {"PLINE", "REGION", "LINE",      "POINT",   "MULTIPLE", "TEXT",
                                    "ARC",   "RECT",   "ROUNDRECT", "ELLIPSE", "NONE",     "MULTIPOINT"};

// The first word of a trimmed line (up to a blank) and the rest after it.
std::string_view FirstWord(std::string_view line, std::string_view* rest) {
  line = TrimBlanks(line);
  std::size_t end = 0;
  while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
  if (rest) *rest = TrimBlanks(line.substr(end));
  return line.substr(0, end);
}

template <std::size_t N>
int Lookup(std::string_view word, const char* const (&table)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    const char* t = table[i];
    std::size_t k = 0;
    while (k < word.size() && t[k] && std::toupper(static_cast<unsigned char>(word[k])) == t[k]) ++k;
    if (k == word.size() && t[k] == '\0') return static_cast<int>(i);
  }
  return -1;
}

bool Count(std::string_view text, long long& n) { return ParseInt(text, n) && n >= 0 && n <= INT_MAX; }

// The text of a quoted string: from the opening quote to the closing one, a
// doubled quote standing for one. Without an opening quote, none.
bool QuotedText(std::string_view line, std::string& out) {
  const std::size_t open = line.find('"');
  if (open == std::string_view::npos) return false;
  out.clear();
  for (std::size_t i = open + 1; i < line.size(); ++i) {
    if (line[i] != '"') {
      out += line[i];
      continue;
    }
    if (i + 1 < line.size() && line[i + 1] == '"') {
      out += '"';
      ++i;
      continue;
    }
    break;
  }
  return true;
}

}  // namespace

struct CMifReader::Impl {
  CMifReader& r;
  CLineReader mif;
  CLineReader mid;
  bool haveMid = false;
  bool idSwitch = true;
  std::vector<CChain*> built;  // the lines of the object being read

  explicit Impl(CMifReader& reader) : r(reader) {}

  ReadResult Header();
  ReadResult Data();
  // The next .mid row's first number; false when the .mid ends first.
  bool NextId(float& id);
  bool Vertex(CFPoint& p) {
    std::string_view line;
    double xy[2];
    return mif.Next(line) && ParseNumbers(line, xy, 2) && ToPixel(r.m_map, xy[0], xy[1], p);
  }
  // One polyline of `count` vertex lines; null for a damaged file.
  CChain* Polyline(long long count);
  bool CountLine(long long& n) {
    std::string_view line;
    return mif.Next(line) && Count(TrimBlanks(line), n);
  }
  CChain* Closed(const CFPoint& a, const CFPoint& b);
  void Pen();
};

CMifReader::CMifReader(const std::string& path, CChainList& lines, CPtList& points, CNoteList& notes,
                       const MapTransform& toPixels)
    : m_path(path), m_lines(lines), m_points(points), m_notes(notes), m_map(toPixels) {
  if (!path.empty()) m_midPath = FindCompanion(path, "mid");
}

ReadResult CMifReader::Read() {
  Impl impl(*this);
  if (m_path.empty() || !impl.mif.Open(m_path)) return ReadResult::cannotOpen;
  impl.haveMid = impl.mid.Open(m_midPath);
  const ReadResult header = impl.Header();
  if (header != ReadResult::ok) return header;
  return impl.Data();
}

ReadResult CMifReader::Impl::Header() {
  std::string_view line, rest;
  if (!mif.Next(line)) return ReadResult::damaged;
  if (Lookup(FirstWord(line, nullptr), kHeaderWords) != kVersion) {
    AfxMessageBox(res::text::kNotMifFile, MB_OK);
    return ReadResult::reported;
  }
  // Up to "Columns", the first line included.
  for (int examined = 1;; ++examined) {
    if (Lookup(FirstWord(line, &rest), kHeaderWords) == kColumns) break;
    if (examined >= 50) {
      AfxMessageBox(res::text::kMifNoColumns, MB_OK);
      return ReadResult::reported;
    }
    if (!mif.Next(line)) return ReadResult::damaged;
  }
  long long columns = 0;
  if (!Count(rest, columns)) columns = 0;
  // The first column's line decides whether the IDs go to the lines; the
  // declared column lines do not count towards the limit below, so a table
  // of many columns is read.
  if (!mif.Next(line)) return ReadResult::damaged;
  idSwitch = TrimBlanks(line).substr(0, 3) != "int";
  for (long long i = 1; i < columns; ++i)
    if (!mif.Next(line)) return ReadResult::damaged;
  if (columns > 0 && !mif.Next(line)) return ReadResult::damaged;
  for (int examined = 1;; ++examined) {
    if (Lookup(FirstWord(line, nullptr), kHeaderWords) == kData) return ReadResult::ok;
    if (examined >= 50) {
      AfxMessageBox(res::text::kMifNoData, MB_OK);
      return ReadResult::reported;
    }
    if (!mif.Next(line)) return ReadResult::damaged;
  }
}

bool CMifReader::Impl::NextId(float& id) {
  id = 0.0f;
  if (!haveMid) return true;
  std::string_view line;
  if (!mid.Next(line)) return false;
  double v = 0.0;
  if (!LeadingDouble(line, v)) return true;  // a first column that holds no number
  return ToFloatValue(v, id);
}

CChain* CMifReader::Impl::Polyline(long long count) {
  CChain* c = r.m_lines.NewChain();
  if (!c) throw std::bad_alloc();
  built.push_back(c);
  c->m_points.reserve(static_cast<std::size_t>(std::min<long long>(count, 1 << 16)));
  for (long long i = 0; i < count; ++i) {
    CFPoint p;
    if (!Vertex(p)) return nullptr;
    c->m_points.push_back(p);
  }
  return c;
}

CChain* CMifReader::Impl::Closed(const CFPoint& a, const CFPoint& b) {
  CChain* c = r.m_lines.NewChain();
  if (!c) throw std::bad_alloc();
  built.push_back(c);
  c->m_points = {a, CFPoint(b.x, a.y), b, CFPoint(a.x, b.y), a};
  return c;
}

// "Pen (width, pattern, colour)" after a line object; any other line is read
// again as the next object.
void CMifReader::Impl::Pen() {
  std::string_view line, rest;
  if (!mif.Next(line)) return;
  if (!SameWordIgnoringCase(FirstWord(line, &rest), "PEN")) {
    mif.PutBack();
    return;
  }
  const std::size_t open = rest.find('(');
  if (open == std::string_view::npos) return;
  rest.remove_prefix(open + 1);
  long long v[3];
  for (int i = 0; i < 3; ++i) {
    double d = 0.0;
    std::string_view after;
    if (!LeadingDouble(rest, d, &after) || d < -2147483648.0 || d > 2147483647.0) return;
    v[i] = static_cast<long long>(d);
    after = TrimBlanks(after);
    if (after.empty() || after[0] != (i < 2 ? ',' : ')')) return;
    rest = after.substr(1);
  }
  const int width = static_cast<int>(std::clamp<long long>(v[0], 1, 20));
  for (CChain* c : built) {
    c->m_nWidth = width;
    c->m_nPenStyle = MifPatternToPenStyle(v[1]);
    c->m_color = MifColorToRgb(v[2]);
  }
}

ReadResult CMifReader::Impl::Data() {
  CReadProgress progress(mif);
  std::string_view line, rest;
  while (mif.Next(line)) {
    progress.Update();
    const int object = Lookup(FirstWord(line, &rest), kObjectWords);
    if (object < 0 || object == kMultiple) continue;  // style clauses, centres, blank lines
    float id = 0.0f;
    if (!NextId(id)) return ReadResult::damaged;  // fewer .mid rows than objects
    built.clear();
    bool pen = false;
    switch (object) {
      case kPline: {
        std::string_view afterWord;
        const bool multiple = SameWordIgnoringCase(FirstWord(rest, &afterWord), "MULTIPLE");
        const std::string_view count = multiple ? afterWord : rest;
        long long sections = 1;
        if (multiple && !Count(count, sections)) return ReadResult::damaged;
        for (long long s = 0; s < sections; ++s) {
          long long n = 0;
          // "Pline n", or the count on a line of its own.
          if (multiple || count.empty() ? !CountLine(n) : !Count(count, n)) return ReadResult::damaged;
          if (!Polyline(n)) return ReadResult::damaged;
        }
        pen = true;
        break;
      }
      case kRegion: {
        long long rings = 0;
        if (!Count(rest, rings)) return ReadResult::damaged;
        for (long long k = 0; k < rings; ++k) {
          long long n = 0;
          CChain* ring = nullptr;
          if (!CountLine(n) || !(ring = Polyline(n))) return ReadResult::damaged;
          ring->Close();
        }
        pen = true;
        break;
      }
      case kLine:
      case kArc: {
        // An arc as the diagonal of its bounding box.
        double v[4];
        CFPoint a, b;
        if (!ParseNumbers(rest, v, 4) || !ToPixel(r.m_map, v[0], v[1], a) || !ToPixel(r.m_map, v[2], v[3], b))
          return ReadResult::damaged;
        CChain* c = r.m_lines.NewChain();
        if (!c) throw std::bad_alloc();
        built.push_back(c);
        c->m_points = {a, b};
        pen = true;
        break;
      }
      case kRect:
      case kRoundRect:
      case kEllipse: {
        double v[4];
        CFPoint a, b;
        if (!ParseNumbers(rest, v, 4) || !ToPixel(r.m_map, v[0], v[1], a) || !ToPixel(r.m_map, v[2], v[3], b))
          return ReadResult::damaged;
        Closed(a, b);
        break;
      }
      case kPoint:
      case kMultipoint: {
        long long n = 1;
        double xy[2];
        CFPoint p;
        if (object == kPoint) {
          if (!ParseNumbers(rest, xy, 2) || !ToPixel(r.m_map, xy[0], xy[1], p)) return ReadResult::damaged;
        } else if (!Count(rest, n)) {
          return ReadResult::damaged;
        }
        for (long long i = 0; i < n; ++i) {
          if (object == kMultipoint && !Vertex(p)) return ReadResult::damaged;
          if (!r.m_points.AddPoint(p.x, p.y, id, 7, 255)) throw std::bad_alloc();
        }
        break;
      }
      case kText: {
        // The text on the keyword's line, or alone on the next one; then
        // the corners.
        std::string text;
        if (!QuotedText(rest, text)) {
          if (!mif.Next(line) || !QuotedText(line, text)) return ReadResult::damaged;
        }
        double v[4];
        CFPoint a, b;
        if (!mif.Next(line) || !ParseNumbers(line, v, 4) || !ToPixel(r.m_map, v[0], v[1], a) ||
            !ToPixel(r.m_map, v[2], v[3], b))
          return ReadResult::damaged;
        const int x1 = RoundPixel(a.x), y1 = RoundPixel(a.y), x2 = RoundPixel(b.x), y2 = RoundPixel(b.y);
        const RECT rc{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
        if (!r.m_notes.AddNote(rc, GbkToUtf8(text))) throw std::bad_alloc();
        break;
      }
      default:  // NONE: an object without graphics keeps its row
        break;
    }
    for (CChain* c : built) {
      if (idSwitch) c->m_fID = id;
    }
    if (pen) Pen();
    for (CChain* c : built) c->CalcBounds();
  }
  if (mif.Error()) return ReadResult::damaged;
  // Rows left over belong to objects the .mif no longer has: it was cut
  // short between two objects.
  if (haveMid)
    while (mid.Next(line))
      if (!TrimBlanks(line).empty()) return ReadResult::damaged;
  return ReadResult::ok;
}

}  // namespace qzn
