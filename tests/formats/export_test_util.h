// Shared by the tests of the vector exports: a small workspace with lines,
// points and notes on named layers, its georeferences, a scripted options
// hook, and the Python oracles.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/qzndoc.h"
#include "formats/exportoptions.h"
#include "formats/vectorexport.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "tests/support/testutil.h"

namespace exporttest {

using namespace qzn;

using qzntest::TempDir;

// Map = (500000 + 0.5 x, 4000000 - 0.5 y): UTM-sized numbers whose decimals
// float arithmetic would lose. Both georeferences give it exactly.
inline constexpr double kE0 = 500000.0, kN0 = 4000000.0, kScale = 0.5;

// Lines: an open line with a decimal ID on "道路", a closed square (drawn
// counter-clockwise on the screen) on "等高线", a two-vertex line on "0";
// points on "道路" and on a layer the table lacks; a note with quotes.
inline void FillSample(CQznDoc& doc) {
  doc.m_extent = RECT{0, 0, 999, 799};
  CLayer* roads = doc.m_layers.AddLayer();
  roads->m_strName = "道路";
  roads->m_color = RGB(255, 0, 0);
  const int roadsId = roads->m_nID;
  CLayer* contours = doc.m_layers.AddLayer();
  contours->m_strName = "等高线";
  contours->m_color = RGB(128, 128, 128);
  const int contoursId = contours->m_nID;

  CChain* a = doc.m_lines.NewChain();
  a->m_fID = 12.5f;
  a->m_nLayer = roadsId;
  a->m_color = RGB(255, 0, 0);
  a->AddPoint(10.5f, 20.25f);
  a->AddPoint(200.0f, 300.0f);
  a->AddPoint(400.125f, 50.0f);
  a->CalcBounds();
  CChain* b = doc.m_lines.NewChain();
  b->m_fID = 100.0f;
  b->m_nLayer = contoursId;
  b->m_color = RGB(0, 0, 255);
  for (const CFPoint& p :
       {CFPoint(100, 100), CFPoint(100, 400), CFPoint(300, 400), CFPoint(300, 100), CFPoint(100, 100)})
    b->AddPoint(p.x, p.y);
  b->CalcBounds();
  CChain* c = doc.m_lines.NewChain();
  c->m_fID = -7.0f;
  c->AddPoint(900.0f, 700.0f);
  c->AddPoint(950.5f, 780.75f);
  c->CalcBounds();

  doc.m_points.AddPoint(50.5f, 60.25f, 123.5f, 7, RGB(255, 0, 0))->layer = roadsId;
  doc.m_points.AddPoint(700.0f, 700.0f, -3.0f, 7, RGB(255, 0, 0))->layer = 77;

  CNote* n = doc.m_notes.AddNote(RECT{100, 200, 180, 220}, "高程 \"A\"");
  n->m_nID = static_cast<std::int16_t>(roadsId);
  n->m_nAngle = 15;
  doc.m_lines.m_nModified = doc.m_points.m_nModified = doc.m_notes.m_nModified = 0;
}

// Five control points of the map above.
inline void AddControlPoints(CQznDoc& doc) {
  const double pts[5][2] = {{0, 0}, {999, 0}, {999, 799}, {0, 799}, {500, 400}};
  for (const auto& p : pts) {
    CControlPt* cp = doc.m_controlPts.AddNew();
    *cp = CControlPt(p[0], p[1], kE0 + kScale * p[0], kN0 - kScale * p[1]);
  }
  doc.m_controlPts.m_nModified = 0;
}

inline void AddWorldFile(CQznDoc& doc) {
  doc.m_tfw.m_A = kScale;
  doc.m_tfw.m_B = 0.0;
  doc.m_tfw.m_C = kE0;
  doc.m_tfw.m_D = 0.0;
  doc.m_tfw.m_E = -kScale;
  doc.m_tfw.m_F = kN0;
  doc.m_tfw.m_nTerms = 3;
}

// A fingerprint of everything an export must leave alone.
inline std::string Snapshot(const CQznDoc& doc) {
  std::string s;
  for (const CChain* c : doc.m_lines) {
    s += FormatC("L %g %d %d|", static_cast<double>(c->m_fID), c->m_nLayer, c->m_rcBounds.bottom);
    for (const CFPoint& p : c->m_points) s += FormatC("%.9g,%.9g ", static_cast<double>(p.x), static_cast<double>(p.y));
  }
  for (const CPointRec* r : doc.m_points) s += FormatC("P %.9g %.9g %.9g|", r->x, r->y, r->value);
  for (const CNote* n : doc.m_notes)
    s += FormatC("N %d %d %d %d %s|", n->m_rect.left, n->m_rect.top, n->m_rect.right, n->m_rect.bottom,
                 n->m_strText.c_str());
  s += FormatC("M %d %d %d %lld", doc.m_lines.m_nModified, doc.m_points.m_nModified, doc.m_notes.m_nModified,
               static_cast<long long>(doc.m_triangles.GetCount()));
  return s;
}

// Answers the option dialogs: each call changes the defaults it is given;
// cancel answers Cancel to all of them.
struct ScriptedOptions : qzn::IExportOptionsHook {
  bool cancel = false;
  std::function<void(qzn::DxfOutOptions&)> dxf;
  std::function<void(qzn::MifParamOptions&)> mif;
  std::function<void(qzn::ArcViewExportOptions&)> arcView;
  std::function<void(qzn::XyzOptions&)> xyz;
  std::function<void(qzn::SdlOutputOptions&)> sdl;
  std::function<void(qzn::ArcPntExportOptions&)> arcPnt;
  std::function<void(qzn::IgesOutOptions&)> iges;
  int asked = 0;

  template <class T>
  bool Answer(const std::function<void(T&)>& f, T& o) {
    ++asked;
    if (f) f(o);
    return !cancel;
  }
  bool AskDxf(CQznDoc&, qzn::DxfOutOptions& o) override { return Answer(dxf, o); }
  bool AskMif(CQznDoc&, qzn::MifParamOptions& o) override { return Answer(mif, o); }
  bool AskArcView(CQznDoc&, qzn::ArcViewExportOptions& o) override { return Answer(arcView, o); }
  bool AskXyz(CQznDoc&, qzn::XyzOptions& o) override { return Answer(xyz, o); }
  bool AskSdl(CQznDoc&, qzn::SdlOutputOptions& o) override { return Answer(sdl, o); }
  bool AskArcPnt(CQznDoc&, qzn::ArcPntExportOptions& o) override { return Answer(arcPnt, o); }
  bool AskIges(CQznDoc&, qzn::IgesOutOptions& o) override { return Answer(iges, o); }
};

// Installs a scripted host, the options hook and the format exports for one
// test.
class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_host = std::make_unique<CHostScope>(&host);
    m_previousHook = qzn::SetExportOptionsHook(&options);
    m_previousExports = qzn::SetVectorExports(&exports);
    FillSample(doc);
  }
  void TearDown() override {
    qzn::SetVectorExports(m_previousExports);
    qzn::SetExportOptionsHook(m_previousHook);
    m_host.reset();
  }

  CScriptedHost host;
  ScriptedOptions options;
  qzn::CFormatExports exports;
  CQznDoc doc;
  TempDir dir;

 private:
  std::unique_ptr<CHostScope> m_host;
  qzn::IExportOptionsHook* m_previousHook = nullptr;
  qzn::IVectorExports* m_previousExports = nullptr;
};

// Runs a Python oracle script with the arguments; its output (stderr too),
// with a test failure when it exits with an error.
inline std::string RunOracle(const TempDir& dir, const std::string& script, const std::vector<std::string>& args) {
  const std::string file = dir.file("oracle.py");
  qzntest::WriteFileText(file, script);
  std::string cmd = qzntest::Python() + " '" + file + "'";
  for (const std::string& a : args) cmd += " '" + a + "'";
  std::string out;
  const int rc = qzntest::RunCommand(cmd + " 2>&1", &out);
  EXPECT_EQ(rc, 0) << out;
  return out;
}

// The Python lines that compute the sample's map coordinates from pixels,
// rounded through float as the workspace stores them.
inline const char* kPythonMap = R"PY(
import numpy as np
def f32(v): return float(np.float32(v))
def to_map(x, y): return (500000.0 + 0.5 * f32(x), 4000000.0 - 0.5 * f32(y))
def close(a, b, places):
    # 1e-9 relative, or what the format's decimals can hold
    return abs(a - b) <= max(1e-9 * abs(b), 0.5 * 10 ** -places + 1e-12)
)PY";

}  // namespace exporttest
