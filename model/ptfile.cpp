// Points in the exchange formats: ARC generate point files, DXF POINT
// entities, MapInfo MIF points, XYZ and SDL records, each through the
// export's map transform; and the readers of point text files.
#include <string>

#include "model/chain_internal.h"
#include "model/layer.h"
#include "model/maptransform.h"
#include "model/ptlist.h"
#include "model/writerlinks.h"
#include "platform/textfile.h"

namespace qzn {

namespace {

using qzn::MapTransform;

// A generate file: one line per point, then "END". The file replaces the
// target only when everything was written.
template <class Line>
int WriteGenerateFile(const CPtList& list, const std::string& path, Line&& line) {
  CTextFileWriter out;
  if (!out.Open(path)) return 0;
  for (const CPointRec* r : list)
    if (!line(out, *r)) {
      out.Abort();
      return 0;
    }
  out.Write("END\n");
  return out.Close() ? 1 : 0;
}

void WriteSdlMarker(CTextFileWriter& file, const IAttributeLookup* attributes, const CPointRec& r) {
  const long id = TruncInt(r.value);
  std::string first, second;
  if (attributes && attributes->FindTexts(static_cast<int>(id), first, second)) {
    file.Write("M, \"");
    file.Write(first);
    file.Printf("\", \"%ld\", \"", id);
    file.Write(second);
    file.Write("\", 1\n");
  } else {
    file.Printf("M, \"Point %ld\", \"%ld\", 1\n", id, id);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Writers

int CPtList::WriteGenerate(const std::string& path, int integerID, const MapTransform& map) const {
  return WriteGenerateFile(*this, path, [&](CTextFileWriter& out, const CPointRec& r) {
    double X = 0.0, Y = 0.0;
    if (!map.Map(r.x, r.y, X, Y)) return false;
    if (integerID)
      out.Printf("%d,%f,%f\n", TruncInt(r.value), X, Y);
    else
      out.Printf("%f,%f,%f\n", static_cast<double>(r.value), X, Y);
    return true;
  });
}

int CPtList::WriteDxf(CTextFileWriter& file, const MapTransform& map, int z, const CLayerList& layers) const {
  std::string layer;
  for (const CPointRec* r : *this) {
    double X = 0.0, Y = 0.0;
    if (!map.Map(r->x, r->y, X, Y)) return 0;
    layers.GetLayerName(layer, r->layer);
    file.Write("0\nPOINT\n8\n");
    file.Write(layer);
    file.Write("\n");
    if (z)
      file.Printf("10\n%f\n20\n%f\n30\n%f\n", X, Y, static_cast<double>(r->value));
    else
      file.Printf("10\n%f\n20\n%f\n", X, Y);
  }
  return 1;
}

int CPtList::WriteMif(CTextFileWriter& file, const MapTransform& map) const {
  for (const CPointRec* r : *this) {
    double X = 0.0, Y = 0.0;
    if (!map.Map(r->x, r->y, X, Y)) return 0;
    file.Printf("Point %f %f\n", X, Y);
  }
  return 1;
}

int CPtList::WriteXyz(CTextFileWriter& file, const MapTransform& map) const {
  for (const CPointRec* r : *this) {
    double X = 0.0, Y = 0.0;
    if (!map.Map(r->x, r->y, X, Y)) return 0;
    file.Printf("%f %f %f\n", X, Y, static_cast<double>(r->value));
  }
  return 1;
}

int CPtList::WriteSdl(CTextFileWriter& file, const IAttributeLookup* attributes, const MapTransform& map) const {
  for (const CPointRec* r : *this) {
    double X = 0.0, Y = 0.0;
    if (!map.Map(r->x, r->y, X, Y)) return 0;
    WriteSdlMarker(file, attributes, *r);
    // Pixels go out as whole pixels, map coordinates with their decimals.
    if (map.IsPixels())
      file.Printf("%d,%d\n", TruncInt(r->x), TruncInt(r->y));
    else
      file.Printf("%f,%f\n", X, Y);
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Readers

namespace {
enum ReadMode { kPlain, kPolynomial, kTriangulated };
}

int CPtList::ReadXYZ(const std::string& path) { return ReadValueXY(path, kPlain, nullptr, nullptr, 0, nullptr); }

int CPtList::ReadXYZPolynomial(const std::string& path, const double* c, const double* d, int type) {
  return ReadValueXY(path, kPolynomial, c, d, type, nullptr);
}

int CPtList::ReadXYZTriangulated(const std::string& path, const IMapTransform& tri) {
  return ReadValueXY(path, kTriangulated, nullptr, nullptr, 0, &tri);
}

// "value,x,y" or "value x y" lines, the form chosen by the first line, up to
// a line "END". A bad line ends the plain and polynomial readers; the
// triangulated reader skips it. Added points leave the list marked modified.
int CPtList::ReadValueXY(const std::string& path, int mode, const double* c, const double* d, int type,
                         const IMapTransform* tri) {
  CTextFileReader in;
  if (!in.Open(path)) return 0;
  std::string line;
  if (!in.ReadLine(line)) return in.Error() ? 0 : 1;
  const char* format = line.find(',') != std::string::npos ? "%f,%lf,%lf" : "%f%lf%lf";
  do {
    if (line == "END") break;
    float value = 0.0f;
    double x = 0.0, y = 0.0;
    if (ScanC(line.c_str(), format, &value, &x, &y) != 3) {
      if (mode == kTriangulated) continue;
      break;
    }
    if (mode == kPolynomial) {
      ApplyPolynomial(x, y, c, d, type, x, y);  // any other type keeps x, y
    } else if (mode == kTriangulated) {
      double X = 0.0, Y = 0.0;
      if (!tri->TransformPoint(x, y, X, Y)) return 0;
      x = X;
      y = Y;
    }
    if (!AddPoint(static_cast<float>(x), static_cast<float>(y), value, m_nPointSize, RGB(255, 0, 0))) break;
  } while (in.ReadLine(line));
  return in.Error() ? 0 : 1;
}

int CPtList::ReadXYZSimple(const std::string& path) {
  CTextFileReader in;
  if (!in.Open(path)) return 0;
  std::string line;
  while (in.ReadLine(line)) {
    float x = 0.0f, y = 0.0f, value = 0.0f;
    if (ScanC(line.c_str(), "%f%f%f", &x, &y, &value) != 3) continue;
    if (!AddPoint(x, y, value, m_nPointSize, RGB(255, 0, 0))) break;
  }
  return in.Error() ? 0 : 1;
}

}  // namespace qzn
