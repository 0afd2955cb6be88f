#include "formats/mifexport.h"

#include <cmath>

#include "app/qzndoc.h"
#include "formats/exportcommon.h"
#include "formats/exportoptions.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "resources/messages_formats.h"
#include "platform/numfmt.h"
#include "platform/textfile.h"

namespace qzn {

namespace {

// MIF and the programs that read it take colours as R*65536 + G*256 + B.
long MifColor(COLORREF c) {
  return static_cast<long>(GetRValue(c)) * 65536L + static_cast<long>(GetGValue(c)) * 256L +
         static_cast<long>(GetBValue(c));
}

// A text in double quotes, its quotes doubled.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : OneLineText(text)) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// A line goes out as a region (closed, with the option), a polyline, or, with
// fewer than two vertices, as an object without graphics, so that its row
// in the MID file still belongs to it.
enum class LineObject { none, pline, region };

LineObject ObjectOf(const CChain& c, bool regions) {
  if (c.m_points.size() < 2) return LineObject::none;
  if (regions && c.m_points.size() >= 4 && c.IsClosed(0)) return LineObject::region;
  return LineObject::pline;
}

// What the first pass learns: the box of the coordinates, whether an ID
// needs more than a Smallint, whether a text needs the Chinese charset.
struct Survey {
  CBounds box;
  bool wideIds = false;
  bool chinese = false;
};

// The ID row of an object: "%f" with decimal IDs, else the integer.
bool CheckId(double id, bool decimal, Survey& s) {
  if (decimal) return std::isfinite(id);
  int value = 0;
  if (!IntegerId(id, value)) return false;
  if (value < -32768 || value > 32767) s.wideIds = true;
  return true;
}

void WriteRow(CTextFileWriter* mid, double id, bool decimal) {
  if (!mid) return;
  if (decimal)
    mid->Printf("%f\n", id);
  else
    mid->Printf("%d\n", static_cast<int>(id));
}

// The bounds MapInfo keeps coordinates in; a box without width or height
// gets one unit, since MapInfo refuses an empty one.
void WriteBounds(CTextFileWriter& file, CBounds box, const char* keyword) {
  if (!(box.maxX - box.minX > 0.0)) box.minX -= 0.5, box.maxX += 0.5;
  if (!(box.maxY - box.minY > 0.0)) box.minY -= 0.5, box.maxY += 0.5;
  file.Printf("%s (%f,%f) (%f,%f)\n", keyword, box.minX, box.minY, box.maxX, box.maxY);
}

}  // namespace

WriteResult WriteMifFile(const std::string& path, const CQznDoc& doc, const MapTransform& map, const MifContent& what) {
  const bool decimal = doc.m_nDecimalIDs != 0;
  double X = 0.0, Y = 0.0;

  // First pass: nothing is created before every coordinate maps and every
  // ID fits.
  Survey s;
  if (!s.box.AddCorners(map, doc.m_extent)) return WriteResult::cannotMap;
  s.chinese = HasNonAscii(what.clause);
  if (what.lines)
    for (const CChain* c : doc.m_lines) {
      if (!c) continue;
      for (const CFPoint& p : c->m_points) {
        if (!map.Map(p, X, Y)) return WriteResult::cannotMap;
        s.box.Add(X, Y);
      }
      if (!CheckId(c->m_fID, decimal, s)) {
        ReportIdOutOfRange(c->m_fID);
        return WriteResult::reported;
      }
    }
  if (what.points)
    for (const CPointRec* r : doc.m_points) {
      if (!map.Map(r->x, r->y, X, Y)) return WriteResult::cannotMap;
      s.box.Add(X, Y);
      if (!CheckId(r->value, decimal, s)) {
        ReportIdOutOfRange(r->value);
        return WriteResult::reported;
      }
    }
  if (what.notes)
    for (const CNote* n : doc.m_notes) {
      if (!s.box.AddCorners(map, n->m_rect)) return WriteResult::cannotMap;
      if (HasNonAscii(n->m_strText)) s.chinese = true;
    }

  CTextFileWriter file, midFile;
  if (!file.Open(path)) return WriteResult::cannotCreate;
  CTextFileWriter* mid = nullptr;
  if (what.createMid) {
    if (!midFile.Open(CompanionPath(path, "mid"))) return WriteResult::cannotCreate;
    mid = &midFile;
  }

  file.Write("Version 300\n");
  file.Write(s.chinese ? "Charset \"WindowsSimpChinese\"\n" : "Charset \"WindowsLatin1\"\n");
  file.Write("Delimiter \",\"\n");
  if (what.clause.empty()) {
    file.Write("Coordsys Nonearth Units \"m\" ");
    WriteBounds(file, s.box, "bounds");
  } else {
    file.Write(what.clause);
    file.Write("\n");
    if (what.clause.find("Nonearth") != std::string::npos) WriteBounds(file, s.box, "Bounds");
  }
  file.Write("Columns 1\n");
  file.Write(decimal ? "  ID Float\n" : s.wideIds ? "  ID Integer\n" : "  ID Smallint\n");
  file.Write("Data\n");

  bool mapped = true;
  if (what.lines)
    for (const CChain* c : doc.m_lines) {
      if (!c) continue;
      const LineObject object = ObjectOf(*c, what.regions);
      if (object == LineObject::none) {
        file.Write("NONE\n");
      } else {
        const long long n = static_cast<long long>(c->m_points.size());
        if (object == LineObject::region)
          file.Printf("Region 1\n%lld\n", n);
        else
          file.Printf("Pline %lld\n", n);
        std::string text;
        text.reserve(c->m_points.size() * 24);
        for (const CFPoint& p : c->m_points) {
          mapped = mapped && map.Map(p, X, Y);
          AppendFixed(text, X);
          text += ' ';
          AppendFixed(text, Y);
          text += '\n';
        }
        file.Write(text);
        if (what.linePens)
          file.Printf("    Pen (%d,%d,%ld)\n", c->GetPenWidth(), c->m_nPenStyle + 2, MifColor(c->m_color));
        else
          file.Write("    Pen (1,2,0)\n");
      }
      WriteRow(mid, c->m_fID, decimal);
    }
  if (what.points)
    for (const CPointRec* r : doc.m_points) {
      mapped = mapped && map.Map(r->x, r->y, X, Y);
      file.Printf("Point %f %f\n", X, Y);
      WriteRow(mid, r->value, decimal);
    }
  if (what.notes)
    for (const CNote* n : doc.m_notes) {
      CBounds corners;
      mapped = mapped && corners.AddCorners(map, n->m_rect);
      file.Write("TEXT ");
      file.Write(Quoted(n->m_strText));
      file.Printf("\n%f %f %f %f\n", corners.minX, corners.minY, corners.maxX, corners.maxY);
      if (mid) mid->Write("0\n");
    }
  if (!mapped) return WriteResult::cannotMap;  // the writers' destructors drop both files
  // Both complete on disk before either replaces an old one; the companion
  // first, the main file last.
  if ((mid && !mid->Finish()) || !file.Finish()) return WriteResult::failed;
  if (mid && !mid->Close()) return WriteResult::failed;
  return file.Close() ? WriteResult::ok : WriteResult::failed;
}

int ExportMif(CQznDoc& doc, const std::string& path) {
  MifParamOptions options;
  if (!AskExportOptions(doc, options, &IExportOptionsHook::AskMif)) return 1;

  CWaitCapture wait;
  CExportGeoref georef;
  const char* badPoints = res::text::kBadControlPointsSaveAgain;
  if (!PrepareGeoref(georef, doc, ToGeorefChoice(options.mode, GeorefChoice::flip),
                     {badPoints, badPoints, res::text::kWorldFileError}))
    return 0;

  MifContent what;
  what.lines = options.lines && !doc.m_lines.IsEmpty();
  what.points = options.points && !doc.m_points.IsEmpty();
  what.notes = options.text && !doc.m_notes.IsEmpty();
  what.regions = options.regions != 0;
  what.createMid = options.createMid != 0;
  what.clause = options.Clause();
  const WriteResult result = WriteMifFile(path, doc, georef.Map(), what);
  if (result == WriteResult::cannotCreate) AfxMessageBox(res::text::kMifOpenError, MB_OK | MB_ICONSTOP);
  return result == WriteResult::ok ? 1 : 0;
}

}  // namespace qzn
