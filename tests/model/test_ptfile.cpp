// Point files: the generate, DXF, MIF, XYZ and SDL records in pixels, through
// the control-point polynomial and through a triangulation (checked against
// numpy), and the point text readers with their stopping rules.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "model/layer.h"
#include "model/ptlist.h"
#include "model/writerlinks.h"
#include "platform/textfile.h"
#include "tests/model/points_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using qzntest::ReadFileText;
using qzntest::TempDir;
using qzntest::WriteFileText;
using qzntest::WriteWith;

// Runs a writer into an open file and returns the text written (CRLF ends).

std::string Crlf(const std::string& lf) {
  std::string s;
  for (char c : lf) {
    if (c == '\n') s += '\r';
    s += c;
  }
  return s;
}

// Two triangles over the square (0,0)-(100,100), each with its own affine
// map: the piecewise transform of a triangulation with four control points.
struct Corner {
  double x, y, X, Y;
};
const std::array<Corner, 4> kCorners = {
    {{0, 0, 1000, 5000}, {100, 0, 1210, 4990}, {100, 100, 1190, 4770}, {0, 100, 995, 4800}}};
const int kTriangles[2][3] = {{0, 1, 2}, {0, 2, 3}};

class TwoTriangles : public IMapTransform {
 public:
  TwoTriangles() {
    for (int t = 0; t < 2; ++t) {
      const Corner& a = kCorners[kTriangles[t][0]];
      const Corner& b = kCorners[kTriangles[t][1]];
      const Corner& c = kCorners[kTriangles[t][2]];
      // Solve [x y 1] rows for the coefficients by Cramer's rule.
      const double det = a.x * (b.y - c.y) - a.y * (b.x - c.x) + (b.x * c.y - c.x * b.y);
      auto solve = [&](double va, double vb, double vc, double* out) {
        out[0] = (va * (b.y - c.y) - a.y * (vb - vc) + (vb * c.y - vc * b.y)) / det;
        out[1] = (a.x * (vb - vc) - va * (b.x - c.x) + (b.x * vc - c.x * vb)) / det;
        out[2] = (a.x * (b.y * vc - c.y * vb) - a.y * (b.x * vc - c.x * vb) + va * (b.x * c.y - c.x * b.y)) / det;
      };
      solve(a.X, b.X, c.X, m_x[t]);
      solve(a.Y, b.Y, c.Y, m_y[t]);
    }
  }
  int TransformPoint(double x, double y, double& X, double& Y) const override {
    const int t = y <= x ? 0 : 1;  // the diagonal (0,0)-(100,100) splits the square
    X = m_x[t][0] * x + m_x[t][1] * y + m_x[t][2];
    Y = m_y[t][0] * x + m_y[t][1] * y + m_y[t][2];
    return 1;
  }
  int TransformPixel(int x, int y, double& X, double& Y) const override { return TransformPoint(x, y, X, Y); }

 private:
  double m_x[2][3], m_y[2][3];
};

class NoTransform : public IMapTransform {
 public:
  int TransformPoint(double, double, double&, double&) const override { return 0; }
  int TransformPixel(int, int, double&, double&) const override { return 0; }
};

const TwoTriangles kTwoTriangles;
const NoTransform kNoTransform;

class Attributes : public IAttributeLookup {
 public:
  bool FindTexts(int id, std::string& a, std::string& b) const override {
    if (id != 12) return false;
    a = "高程点" + std::string(300, 'a');  // longer than any fixed buffer
    b = "spot";
    return true;
  }
};

CPtList& Sample(CPtList& list) {
  list.AddPoint(12.25f, 30.5f, 12.0f, 7, 0);
  list.AddPoint(70.75f, 20.125f, 3.5f, 7, 0);
  list.AddPoint(25.5f, 80.0f, -4.75f, 7, 0)->layer = 7;
  return list;
}

}  // namespace

TEST(PtFile, GenerateFiles) {
  TempDir dir;
  CPtList list;
  list.AddPoint(1.5f, 2.25f, 12.0f, 7, 0);
  list.AddPoint(3.0f, 4.0f, 3.5f, 7, 0);
  const std::string path = dir.file("p.gen");
  ASSERT_EQ(list.WriteGenerate(path, 1), 1);
  EXPECT_EQ(ReadFileText(path), Crlf("12,1.500000,2.250000\n3,3.000000,4.000000\nEND\n"));
  ASSERT_EQ(list.WriteGenerate(path, 0), 1);
  EXPECT_EQ(ReadFileText(path), Crlf("12.000000,1.500000,2.250000\n3.500000,3.000000,4.000000\nEND\n"));

  const double c[4] = {2, 0, 100, 0}, d[4] = {0, -1, 50, 0};
  ASSERT_EQ(list.WriteGenerate(path, 1, qzn::MapTransform::Polynomial(c, d, 3)), 1);
  EXPECT_EQ(ReadFileText(path), Crlf("12,103.000000,47.750000\n3,106.000000,46.000000\nEND\n"));

  CPtList empty;
  ASSERT_EQ(empty.WriteGenerate(path, 1), 1);
  EXPECT_EQ(ReadFileText(path), "END\r\n");
  EXPECT_EQ(empty.WriteGenerate(path, 0, qzn::MapTransform::Triangulation(kTwoTriangles)), 1);
  EXPECT_EQ(ReadFileText(path), "END\r\n");
  EXPECT_EQ(WriteWith(dir,
                      [&](CTextFileWriter& f) {
                        CLayerList layers;
                        empty.WriteDxf(f, {}, 1, layers);
                        empty.WriteMif(f);
                        empty.WriteXyz(f);
                        empty.WriteSdl(f, nullptr);
                      }),
            "");

  EXPECT_EQ(list.WriteGenerate(dir.file("missing/p.gen"), 1), 0);
}

TEST(PtFile, TriangulatedWritersCheckTheTransform) {
  TempDir dir;
  CPtList list;
  Sample(list);
  const std::string path = dir.file("p.gen");
  WriteFileText(path, "old");
  EXPECT_EQ(list.WriteGenerate(path, 0, qzn::MapTransform::Triangulation(kNoTransform)), 0);
  EXPECT_EQ(ReadFileText(path), "old");  // the file is left as it was
  CLayerList layers;
  EXPECT_EQ(WriteWith(dir,
                      [&](CTextFileWriter& f) {
                        EXPECT_EQ(list.WriteDxf(f, qzn::MapTransform::Triangulation(kNoTransform), 1, layers), 0);
                        EXPECT_EQ(list.WriteXyz(f, qzn::MapTransform::Triangulation(kNoTransform)), 0);
                        EXPECT_EQ(list.WriteSdl(f, nullptr, qzn::MapTransform::Triangulation(kNoTransform)), 0);
                      }),
            "");
}

TEST(PtFile, DxfMifXyzAndSdlRecords) {
  TempDir dir;
  CPtList list;
  list.AddPoint(10.7f, 3.2f, 12.0f, 7, 0)->layer = 7;
  CLayerList layers;
  const std::string dxf = WriteWith(
      dir, [&](CTextFileWriter& f) { list.WriteDxf(f, qzn::MapTransform::Scaled(2, -1, 100, 50), 1, layers); });
  // Layer 7 is not in the table. Scale and offset are applied in double, so
  // the float vertex 10.7 (10.69999981) goes out as 121.400000, not rounded
  // again to float (121.400002).
  EXPECT_EQ(dxf, Crlf("0\nPOINT\n8\n默认值\n10\n121.400000\n20\n46.800000\n30\n12.000000\n"));
  const std::string flat = WriteWith(dir, [&](CTextFileWriter& f) { list.WriteDxf(f, {}, 0, layers); });
  EXPECT_EQ(flat, Crlf("0\nPOINT\n8\n默认值\n10\n10.700000\n20\n3.200000\n"));
  EXPECT_EQ(WriteWith(dir, [&](CTextFileWriter& f) { list.WriteMif(f); }), Crlf("Point 10.700000 3.200000\n"));
  EXPECT_EQ(WriteWith(dir, [&](CTextFileWriter& f) { list.WriteXyz(f); }), Crlf("10.700000 3.200000 12.000000\n"));

  // SDL: pixels truncated without a transform; the attribute texts of the ID
  // when the table has them, of any length.
  Attributes attrs;
  EXPECT_EQ(WriteWith(dir, [&](CTextFileWriter& f) { list.WriteSdl(f, nullptr); }),
            Crlf("M, \"Point 12\", \"12\", 1\n10,3\n"));
  const double c[4] = {1, 0, 0, 0}, d[4] = {0, 1, 0, 0};
  EXPECT_EQ(
      WriteWith(dir, [&](CTextFileWriter& f) { list.WriteSdl(f, &attrs, qzn::MapTransform::Polynomial(c, d, 3)); }),
      Crlf("M, \"高程点" + std::string(300, 'a') + "\", \"12\", \"spot\", 1\n10.700000,3.200000\n"));
}

// Pixels, an affine and a bilinear fit and the triangulation, all written as
// XYZ, MIF and generate records and recomputed by numpy from the same inputs.
TEST(PtFile, CoordinatesAgreeWithNumpy) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"numpy"}), "numpy")
  TempDir dir;
  CPtList list;
  Sample(list);
  const double affX[4] = {0.5, -0.25, 1000.0, 0}, affY[4] = {0.125, -0.5, 5000.0, 0};
  const double bilX[4] = {0.5, -0.25, 0.001, 1000.0}, bilY[4] = {0.125, -0.5, -0.002, 5000.0};
  CLayerList layers;
  const std::string text = WriteWith(dir, [&](CTextFileWriter& f) {
    list.WriteXyz(f);
    list.WriteXyz(f, qzn::MapTransform::Polynomial(affX, affY, 3));
    list.WriteXyz(f, qzn::MapTransform::Polynomial(bilX, bilY, 4));
    list.WriteXyz(f, qzn::MapTransform::Triangulation(kTwoTriangles));
    list.WriteMif(f, qzn::MapTransform::Polynomial(affX, affY, 3));
    list.WriteDxf(f, qzn::MapTransform::Polynomial(bilX, bilY, 4), 1, layers);
    list.WriteDxf(f, qzn::MapTransform::Triangulation(kTwoTriangles), 0, layers);
  });
  const std::string gen = dir.file("tri.gen");
  ASSERT_EQ(list.WriteGenerate(gen, 0, qzn::MapTransform::Triangulation(kTwoTriangles)), 1);
  WriteFileText(dir.file("out.txt"), Utf8ToGbk(text) + ReadFileText(gen));

  std::ostringstream corners;
  corners.precision(17);
  for (const Corner& c : kCorners) corners << "[" << c.x << "," << c.y << "," << c.X << "," << c.Y << "],";
  const std::string script = R"PY(
import numpy as np, re, sys
pts = np.array([[12.25, 30.5, 12.0], [70.75, 20.125, 3.5], [25.5, 80.0, -4.75]], dtype=np.float32).astype(float)
x, y, v = pts[:, 0], pts[:, 1], pts[:, 2]
corners = np.array([)PY" + corners.str() +
                             R"PY(])
tris = [(0, 1, 2), (0, 2, 3)]
def tri(px, py):
    out = []
    for a, b in zip(px, py):
        for t in tris:
            c = corners[list(t)]
            A = np.column_stack([c[:, 0], c[:, 1], np.ones(3)])
            lam = np.linalg.solve(A.T, [a, b, 1.0])
            if (lam >= -1e-12).all():
                out.append(lam @ c[:, 2:4]); break
    return np.array(out)
aff = lambda cx, cy: np.column_stack([cx[0]*x + cx[1]*y + cx[2], cy[0]*x + cy[1]*y + cy[2]])
bil = lambda cx, cy: np.column_stack([cx[0]*x + cx[1]*y + cx[2]*x*y + cx[3], cy[0]*x + cy[1]*y + cy[2]*x*y + cy[3]])
A = aff([0.5, -0.25, 1000.0], [0.125, -0.5, 5000.0])
B = bil([0.5, -0.25, 0.001, 1000.0], [0.125, -0.5, -0.002, 5000.0])
T = tri(x, y)
lines = open(sys.argv[1], encoding='gbk').read().split('\n')
nums = lambda s: [float(t) for t in re.split('[ ,]', s.replace('Point ', ''))]
xyz = [nums(l) for l in lines[0:12]]
mif = [nums(l) for l in lines[12:15]]
dxf = lines[15:]
got_dxf_b = np.array([[float(dxf[i*10 + 5]), float(dxf[i*10 + 7]), float(dxf[i*10 + 9])] for i in range(3)])
d2 = dxf[30:]
got_dxf_t = np.array([[float(d2[i*8 + 5]), float(d2[i*8 + 7])] for i in range(3)])
gen = [nums(l) for l in d2[24:27]]
checks = [
  (np.array(xyz[0:3]), np.column_stack([x, y, v])),
  (np.array(xyz[3:6]), np.column_stack([A, v])),
  (np.array(xyz[6:9]), np.column_stack([B, v])),
  (np.array(mif), A),
  (np.array(xyz[9:12]), np.column_stack([T, v])),
  (got_dxf_b, np.column_stack([B, v])),
  (got_dxf_t, T),
  (np.array(gen), np.column_stack([v, T])),
]
bad = [i for i, (g, e) in enumerate(checks) if g.shape != e.shape or not np.allclose(g, e, rtol=0, atol=2e-6)]
print('ok' if not bad else 'mismatch %s' % bad)
)PY";
  WriteFileText(dir.file("check.py"), script);
  std::string out;
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() + " " + dir.file("check.py") + " " + dir.file("out.txt"), &out), 0)
      << out;
  EXPECT_EQ(out, "ok\n");
}

TEST(PtFile, ReadXYZForms) {
  TempDir dir;
  const std::string path = dir.file("p.xyz");
  struct Case {
    const char* text;
    std::vector<std::array<float, 3>> points;  // x, y, value
  } cases[] = {
      {"5,10.5,20.25\nEND\n7,1,1\n", {{10.5f, 20.25f, 5}}},
      {"5 10.5 20.25\n6 1 2\n7,3,4\n8 5 6\n", {{10.5f, 20.25f, 5}, {1, 2, 6}}},  // commas end a blank file
      {"1,2,3\r\n4,5,6", {{2, 3, 1}, {5, 6, 4}}},                                // CRLF, no line end at the end
      {"1,2,3\nabc\n4,5,6\n", {{2, 3, 1}}},
      {"", {}},
  };
  for (const Case& c : cases) {
    WriteFileText(path, c.text);
    CPtList list;
    list.m_nPointSize = 4;
    ASSERT_EQ(list.ReadXYZ(path), 1) << c.text;
    ASSERT_EQ(list.GetCount(), static_cast<std::int64_t>(c.points.size())) << c.text;
    std::size_t i = 0;
    for (const CPointRec* r : list) {
      EXPECT_EQ(r->x, c.points[i][0]);
      EXPECT_EQ(r->y, c.points[i][1]);
      EXPECT_EQ(r->value, c.points[i][2]);
      EXPECT_EQ(r->size, 4);
      EXPECT_EQ(r->color, 255u);
      EXPECT_EQ(r->layer, 0);
      ++i;
    }
    // Whatever ended the reading, added points leave the list modified.
    EXPECT_EQ(list.m_nModified, c.points.empty() ? 0 : 1) << c.text;
  }
  CPtList list;
  EXPECT_EQ(list.ReadXYZ(dir.file("missing.xyz")), 0);
}

TEST(PtFile, ReadersWithTransformsAndSimpleForm) {
  TempDir dir;
  const std::string path = dir.file("p.xyz");
  WriteFileText(path, "1,10,20\nabc\n2,30,40\nEND\n");
  const double c[4] = {2, 0, 1, 0}, d[4] = {0, 3, -1, 0};

  CPtList poly;
  ASSERT_EQ(poly.ReadXYZPolynomial(path, c, d, 3), 1);
  ASSERT_EQ(poly.GetCount(), 1);  // the bad line stops it
  EXPECT_EQ(poly.GetHead()->x, 21.0f);
  EXPECT_EQ(poly.GetHead()->y, 59.0f);

  CPtList tri;
  ASSERT_EQ(tri.ReadXYZTriangulated(path, TwoTriangles()), 1);
  ASSERT_EQ(tri.GetCount(), 2);  // the bad line is skipped
  double X = 0, Y = 0;
  TwoTriangles().TransformPoint(30, 40, X, Y);
  EXPECT_EQ(tri.GetTail()->x, static_cast<float>(X));
  EXPECT_EQ(tri.GetTail()->value, 2.0f);
  CPtList none;
  EXPECT_EQ(none.ReadXYZTriangulated(path, NoTransform()), 0);
  EXPECT_EQ(none.GetCount(), 0);

  WriteFileText(path, "1 2 3\nbad\n4 5 6\nEND\n");
  CPtList simple;
  ASSERT_EQ(simple.ReadXYZSimple(path), 1);
  ASSERT_EQ(simple.GetCount(), 2);
  EXPECT_EQ(simple.GetHead()->x, 1.0f);
  EXPECT_EQ(simple.GetHead()->y, 2.0f);
  EXPECT_EQ(simple.GetHead()->value, 3.0f);
  EXPECT_EQ(simple.m_nModified, 1);
}
