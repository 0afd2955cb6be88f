// The lines one line contributes to the vector text formats (ARC generate,
// MapInfo MIF Pline, XYZ) through the export's map transform, and reading one
// line back from a generate file. The callers write what lies between and
// after the lines.
#include <cstring>
#include <string>
#include <vector>

#include "model/chain.h"
#include "model/writerlinks.h"
#include "model/chain_internal.h"
#include "platform/numfmt.h"
#include "platform/textfile.h"

namespace qzn {

namespace {

// MIF and the programs that read it take colours as R*65536 + G*256 + B.
long MifColor(COLORREF c) {
  return static_cast<long>(GetRValue(c)) * 65536L + static_cast<long>(GetGValue(c)) * 256L +
         static_cast<long>(GetBValue(c));
}

}  // namespace

int CChain::WriteText(CTextFileWriter& file, int kind, const qzn::MapTransform& map) const {
  // The chain's whole text is made first and written in one piece.
  std::string text;
  if (!AppendText(text, kind, map)) return 0;
  file.Write(text);
  return 1;
}

int CChain::AppendText(std::string& text, int kind, const qzn::MapTransform& map) const {
  if (m_points.empty() || (kind != 0 && kind != 2 && kind != 4)) return 1;
  const std::size_t n = m_points.size();
  const std::size_t start = text.size();
  text.reserve(start + n * (kind == 4 ? 48 : 32) + 48);
  // A vertex that cannot be mapped takes back what was appended, so no
  // half-made line is left behind.
  bool mapped = true;
  auto pair = [&](std::size_t i, char separator) {
    double X = 0.0, Y = 0.0;
    if (!map.Map(m_points[i], X, Y)) mapped = false;
    AppendFixed(text, X);
    text += separator;
    AppendFixed(text, Y);
  };
  switch (kind) {
    case 0:
      AppendInt(text, TruncInt(m_fID));
      text += '\n';
      for (std::size_t i = 0; i < n && mapped; ++i) {
        pair(i, ',');
        text += '\n';
      }
      text += "END";  // the caller's separator ends the line
      break;
    case 2:
      AppendFormat(text, "Pline %lld\n", static_cast<long long>(n));
      for (std::size_t i = 0; i < n && mapped; ++i) {
        pair(i, ' ');
        text += '\n';
      }
      if (map.IsGeoreferenced())
        text += "    Pen (1,2,0)\n";
      else
        AppendFormat(text, "    Pen (%d,%d,%ld)\n", GetPenWidth(), m_nPenStyle + 2, MifColor(m_color));
      break;
    default:
      for (std::size_t i = 0; i < n && mapped; ++i) {
        pair(i, ' ');
        text += ' ';
        AppendFixed(text, static_cast<double>(m_fID));
        text += '\n';
      }
      break;
  }
  if (!mapped) {
    text.resize(start);
    return 0;
  }
  return 1;
}

int CChain::ReadGenerate(CTextFileReader& file, int comma) {
  std::string line;
  if (!file.ReadLine(line)) return 0;
  if (line.find("END") != std::string::npos) return 0;  // the file's closing line
  float id = m_fID;
  if (ScanC(line.c_str(), "%f", &id) == 1) m_fID = id;
  const char* fmt = comma ? "%lf,%lf" : "%lf%lf";
  while (true) {
    if (!file.ReadLine(line)) return 0;
    if (line.find("END") != std::string::npos) break;
    double x = 0.0, y = 0.0;
    // A line that does not give both numbers is skipped rather than turned
    // into a made-up vertex.
    if (ScanC(line.c_str(), fmt, &x, &y) == 2) m_points.emplace_back(x, y);
  }
  CalcBounds();
  return 1;
}

}  // namespace qzn
