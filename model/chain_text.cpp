// The lines one line contributes to the vector text formats (ARC generate,
// MapInfo MIF Pline, XYZ), in image pixels or through the control-point
// polynomial, and reading one line back from a generate file. The callers
// write what lies between and after the lines.
#include <cstring>

#include "model/chain.h"
#include "model/writerlinks.h"
#include "model/chain_internal.h"
#include "platform/textfile.h"

namespace {

// MIF and the programs that read it take colours as R*65536 + G*256 + B.
long MifColor(COLORREF c) {
  return static_cast<long>(GetRValue(c)) * 65536L + static_cast<long>(GetGValue(c)) * 256L +
         static_cast<long>(GetBValue(c));
}

}  // namespace

int CChain::WriteText(CTextFileWriter& file, int kind) const {
  if (m_points.empty()) return 1;
  switch (kind) {
    case 0:
      file.Printf("%d\n", TruncInt(m_fID));
      for (const CFPoint& p : m_points) file.Printf("%f,%f\n", static_cast<double>(p.x), static_cast<double>(p.y));
      file.Write("END");  // the caller's separator ends the line
      break;
    case 2:
      file.Printf("Pline %lld\n", static_cast<long long>(m_points.size()));
      for (const CFPoint& p : m_points) file.Printf("%f %f\n", static_cast<double>(p.x), static_cast<double>(p.y));
      file.Printf("    Pen (%d,%d,%ld)\n", GetPenWidth(), m_nPenStyle + 2, MifColor(m_color));
      break;
    case 4:
      for (const CFPoint& p : m_points)
        file.Printf("%f %f %f\n", static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(m_fID));
      break;
    default:
      break;
  }
  return 1;
}

int CChain::WriteTextGeo(CTextFileWriter& file, const double* cx, const double* cy, int type, int kind) const {
  if (m_points.empty()) return 1;
  if (type != 3 && type != 4) return 0;  // no polynomial to map through
  double X = 0.0, Y = 0.0;
  switch (kind) {
    case 0:
      file.Printf("%d\n", TruncInt(m_fID));
      for (const CFPoint& p : m_points) {
        ApplyPolynomial(p.x, p.y, cx, cy, type, X, Y);
        file.Printf("%lf,%lf\n", X, Y);
      }
      file.Write("END");
      break;
    case 2:
      file.Printf("Pline %lld\n", static_cast<long long>(m_points.size()));
      for (const CFPoint& p : m_points) {
        ApplyPolynomial(p.x, p.y, cx, cy, type, X, Y);
        file.Printf("%lf %lf\n", X, Y);
      }
      file.Write("    Pen (1,2,0)\n");
      break;
    case 4:
      for (const CFPoint& p : m_points) {
        ApplyPolynomial(p.x, p.y, cx, cy, type, X, Y);
        file.Printf("%lf %lf %f\n", X, Y, static_cast<double>(m_fID));
      }
      break;
    default:
      break;
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
