// Points and annotations written through the document's georeference: the
// world-file rows (three terms, passed with their type), least-squares fits
// of the control points and the rubber-sheet triangulation, each checked
// against numpy/scipy computing the same from the control points alone.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "georef/controlpt.h"
#include "georef/tfw.h"
#include "georef/triangle.h"
#include "model/layer.h"
#include "model/note.h"
#include "model/ptlist.h"
#include "model/writerlinks.h"
#include "platform/textfile.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

const double kControl[5][4] = {{103.0, 87.0, 500120.5, 4100950.25},
                               {871.0, 122.0, 500894.0, 4100921.0},
                               {455.0, 402.0, 500479.75, 4100637.5},
                               {140.0, 713.0, 500151.0, 4100322.0},
                               {902.0, 655.0, 500925.25, 4100373.75}};

// Spot heights inside the image (0,0)-(1000,800); one on a control point.
CPtList& Spots(CPtList& list) {
  const float xy[6][2] = {{455.0f, 402.0f}, {12.5f, 20.25f},  {990.0f, 10.0f},
                          {500.5f, 780.0f}, {300.0f, 300.0f}, {700.25f, 450.75f}};
  for (int i = 0; i < 6; ++i) list.AddPoint(xy[i][0], xy[i][1], 100.0f + 10.0f * i, 7, 0);
  return list;
}

std::string RunOracle(const qzntest::TempDir& dir, const std::string& body, const std::string& data) {
  std::ostringstream cps;
  cps.precision(17);
  for (const auto& c : kControl) cps << "[" << c[0] << "," << c[1] << "," << c[2] << "," << c[3] << "],";
  const std::string script = R"PY(
import sys, numpy as np
cp = np.array([)PY" + cps.str() +
                             R"PY(])
pts = np.array([[455.0, 402.0], [12.5, 20.25], [990.0, 10.0], [500.5, 780.0], [300.0, 300.0], [700.25, 450.75]])
x, y = pts[:, 0], pts[:, 1]
rows = [[float(t) for t in l.split()] for l in open(sys.argv[1]).read().split('\n') if l.strip()]
)PY" + body;
  qzntest::WriteFileText(dir.file("check.py"), script);
  qzntest::WriteFileText(dir.file("data.txt"), data);
  std::string out;
  EXPECT_EQ(qzntest::RunCommand(qzntest::Python() + " " + dir.file("check.py") + " " + dir.file("data.txt"), &out), 0)
      << out;
  return out;
}

std::string Written(const qzntest::TempDir& dir, const std::function<void(CTextFileWriter&)>& write) {
  const std::string path = dir.file("out.xyz");
  CTextFileWriter f;
  EXPECT_TRUE(f.Open(path));
  write(f);
  EXPECT_TRUE(f.Close());
  return qzntest::ReadFileText(path);
}

}  // namespace

TEST(PointFileGeoref, WorldFileAndFittedRowsAgreeWithNumpy) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"numpy"}), "numpy")
  qzntest::TempDir dir;
  CControlPtList cps;
  for (const auto& c : kControl) *cps.AddNew() = CControlPt(c[0], c[1], c[2], c[3]);
  double ax[4], ay[4], bx[4], by[4];
  ASSERT_TRUE(cps.FitTransform(ax, ay, 3, 0));
  ASSERT_TRUE(cps.FitTransform(bx, by, 4, 0));
  // A world file keeps three terms a row: the writer must be told so.
  CTfw tfw;
  tfw.m_A = 1.0, tfw.m_B = 0.0, tfw.m_C = 500000.0, tfw.m_D = 0.0, tfw.m_E = -1.0, tfw.m_F = 4101000.0;
  tfw.m_nTerms = 3;
  double tx[3], ty[3];
  ASSERT_TRUE(tfw.GetTransform(tx, ty, 0));

  CPtList list;
  Spots(list);
  const std::string data = Written(dir, [&](CTextFileWriter& f) {
    list.WriteXyz(f, qzn::MapTransform::Polynomial(tx, ty, 3));
    list.WriteXyz(f, qzn::MapTransform::Polynomial(ax, ay, 3));
    list.WriteXyz(f, qzn::MapTransform::Polynomial(bx, by, 4));
  });
  const std::string out = RunOracle(dir, R"PY(
A3 = np.column_stack([cp[:, 0], cp[:, 1], np.ones(5)])
A4 = np.column_stack([cp[:, 0], cp[:, 1], cp[:, 0] * cp[:, 1], np.ones(5)])
f3 = [np.linalg.lstsq(A3, cp[:, k], rcond=None)[0] for k in (2, 3)]
# Fits on coordinates near 500000 agree to about 1e-5 between two solvers.
f4 = [np.linalg.lstsq(A4, cp[:, k], rcond=None)[0] for k in (2, 3)]
v = 100.0 + 10.0 * np.arange(6)
tfw = np.column_stack([x + 500000.0, -y + 4101000.0, v])
aff = np.column_stack([np.column_stack([x, y, np.ones(6)]) @ f3[0], np.column_stack([x, y, np.ones(6)]) @ f3[1], v])
B = np.column_stack([x, y, x * y, np.ones(6)])
bil = np.column_stack([B @ f4[0], B @ f4[1], v])
exp = np.vstack([tfw, aff, bil])
got = np.array(rows)
print('ok' if got.shape == exp.shape and np.allclose(got, exp, rtol=0, atol=1e-4) else np.abs(got - exp).max())
)PY",
                                    data);
  EXPECT_EQ(out, "ok\n");
}

TEST(PointFileGeoref, TriangulatedPointsAndNotesAgreeWithScipy) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"numpy", "scipy"}), "numpy and scipy")
  qzntest::TempDir dir;
  CControlPtList cps;
  for (const auto& c : kControl) *cps.AddNew() = CControlPt(c[0], c[1], c[2], c[3]);
  CTriangleList tri;
  ASSERT_EQ(tri.Build(cps, RECT{0, 0, 1000, 800}, 0), 1);
  const auto transform = qzn::MapTransform::Triangulation(tri);

  CPtList list;
  Spots(list);
  CNoteList notes;
  notes.AddNote(RECT{300, 300, 340, 316}, "a");  // the rubber sheet at (300, 300) and (340, 316)
  CLayerList layers;
  const std::string data = Written(dir, [&](CTextFileWriter& f) {
    EXPECT_EQ(list.WriteXyz(f, transform), 1);
    EXPECT_EQ(notes.WriteSdl(f, transform), 1);
  });
  // The SDL record "M, ..." then "X,Y": keep the numbers only.
  std::string numbers;
  std::istringstream lines(data);
  for (std::string l; std::getline(lines, l);)
    if (l.rfind("M,", 0) != 0) {
      for (char& ch : l)
        if (ch == ',') ch = ' ';
      numbers += l + "\n";
    }
  const std::string out = RunOracle(dir, R"PY(
from scipy.spatial import Delaunay
# The corners of the image join the control points, each with the map
# position extrapolated from the nearest point and the nearest one that
# differs from it in both coordinates, one corner after the other.
P = [list(c) for c in cp]
for cx, cy in [(0, 0), (1000, 0), (0, 800), (1000, 800)]:
    if any(p[0] == cx and p[1] == cy for p in P): continue
    d = [np.float32((p[0] - cx) ** 2 + (p[1] - cy) ** 2) for p in P]
    a = P[int(np.argmin(d))]
    others = [(d[i], i) for i, p in enumerate(P) if p[0] != a[0] and p[1] != a[1]]
    b = P[min(others)[1]]
    sx = (a[2] - b[2]) / (a[0] - b[0]); ox = a[2] - sx * a[0]
    sy = (a[3] - b[3]) / (a[1] - b[1]); oy = a[3] - sy * a[1]
    P.append([cx, cy, cx * sx + ox, cy * sy + oy])
P = np.array(P)
tri = Delaunay(P[:, :2])
def sheet(q):
    q = np.asarray(q, float)
    s = tri.find_simplex(q)
    T = tri.transform[s]
    b = np.einsum('nij,nj->ni', T[:, :2], q - T[:, 2])
    bary = np.column_stack([b, 1 - b.sum(axis=1)])
    return np.einsum('ni,nij->nj', bary, P[tri.simplices[s]][:, :, 2:4])
v = 100.0 + 10.0 * np.arange(6)
exp_pts = np.column_stack([sheet(pts), v])
exp_note = sheet([[300.0, 300.0]])
got = rows
ok = np.allclose(got[:6], exp_pts, rtol=0, atol=1e-5) and np.allclose(got[6:7], exp_note, rtol=0, atol=1e-5)
print('ok' if ok else (got, exp_pts, exp_note))
)PY",
                                    numbers);
  EXPECT_EQ(out, "ok\n");
}
