// Shared by the tests of the vector imports: a workspace with a scripted
// host and the format readers and writers installed, a fingerprint of
// everything an import may change, and dumps of what was read.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/qzndoc.h"
#include "formats/vectorexport.h"
#include "formats/vectorimport.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "tests/formats/export_test_util.h"
#include "tests/support/testutil.h"

namespace importtest {

using namespace qzn;
using qzntest::TempDir;

// Everything an import may change: lines (with their look), points, notes,
// layers, extent, world file, control points, paths and marks.
inline std::string Snapshot(const CQznDoc& doc) {
  std::string s;
  for (const CChain* c : doc.m_lines) {
    s += FormatC("L %g %d %d %d %06x|", static_cast<double>(c->m_fID), c->m_nLayer, c->m_nWidth, c->m_nPenStyle,
                 static_cast<unsigned>(c->m_color));
    for (const CFPoint& p : c->m_points) s += FormatC("%.9g,%.9g ", static_cast<double>(p.x), static_cast<double>(p.y));
  }
  for (const CPointRec* r : doc.m_points) s += FormatC("P %.9g %.9g %.9g %d|", r->x, r->y, r->value, r->layer);
  for (const CNote* n : doc.m_notes)
    s += FormatC("N %d %d %d %d %d %s|", n->m_rect.left, n->m_rect.top, n->m_rect.right, n->m_rect.bottom, n->m_nID,
                 n->m_strText.c_str());
  for (const CLayer& l : doc.m_layers.m_layers)
    s += FormatC("Y %d %d %06x %s|", l.m_nID, l.m_nFlags, static_cast<unsigned>(l.m_color), l.m_strName.c_str());
  s += FormatC("E %d %d %d %d|", doc.m_extent.left, doc.m_extent.top, doc.m_extent.right, doc.m_extent.bottom);
  s += FormatC("T %d %.17g %.17g %.17g %.17g|", doc.m_tfw.m_nTerms, doc.m_tfw.m_A, doc.m_tfw.m_C, doc.m_tfw.m_E,
               doc.m_tfw.m_F);
  for (const CControlPt* p : doc.m_controlPts)
    s += FormatC("C %g %g %g %g|", p->m_imageX, p->m_imageY, p->m_mapX, p->m_mapY);
  for (const std::string& p : doc.m_paths) s += "p " + p + "|";
  s += FormatC("M %d %d %d %d %d", doc.m_lines.m_nModified, doc.m_points.m_nModified, doc.m_notes.m_nModified,
               doc.m_lines.m_nImportMark, doc.m_points.m_nImportMark);
  return s;
}

// A workspace with something in every list: two layers, a line, a point, a
// note, an extent.
inline void FillExisting(CQznDoc& doc) {
  doc.m_extent = RECT{0, 0, 999, 799};
  CLayer* roads = doc.m_layers.AddLayer();
  roads->m_strName = "道路";
  roads->m_color = RGB(255, 0, 0);
  CChain* c = doc.m_lines.NewChain();
  c->m_fID = 3.0f;
  c->AddPoint(1.0f, 2.0f);
  c->AddPoint(30.0f, 40.0f);
  c->CalcBounds();
  doc.m_points.AddPoint(5.0f, 6.0f, 7.0f, 7, RGB(255, 0, 0));
  doc.m_notes.AddNote(RECT{10, 10, 50, 30}, "旧");
  doc.m_lines.m_nModified = doc.m_points.m_nModified = doc.m_notes.m_nModified = 0;
  doc.m_layers.m_nModified = 0;
}

// The vertices of a line as " x,y x,y ...", each float exactly.
inline std::string VertexText(const CChain& c) {
  std::string s;
  for (const CFPoint& p : c.m_points) s += FormatC(" %.9g,%.9g", static_cast<double>(p.x), static_cast<double>(p.y));
  return s;
}

// Lines as "ID layer: x,y x,y ...".
inline std::vector<std::string> LineDump(const CChainList& lines) {
  std::vector<std::string> out;
  for (const CChain* c : lines)
    out.push_back(FormatC("%.9g %d:", static_cast<double>(c->m_fID), c->m_nLayer) + VertexText(*c));
  return out;
}

// Lines as "ID: x,y ..." and then points as "P x y value", a line each:
// what the ogr2ogr conversions of real data are compared by.
inline std::string LinesAndPoints(const CChainList& lines, const CPtList& points) {
  std::string s;
  for (const CChain* c : lines) s += FormatC("%.9g:", static_cast<double>(c->m_fID)) + VertexText(*c) + "\n";
  for (const CPointRec* r : points) s += FormatC("P %.9g %.9g %.9g\n", r->x, r->y, static_cast<double>(r->value));
  return s;
}

// The geospatial examples Debian ships with python3-networkx: rivers
// (polylines in UTM), regions (polygons with holes and several parts, in
// degrees) and schools (points).
inline const std::string kGeoExamples = "/usr/share/doc/python3-networkx/examples/geospatial/";

// The example converted by ogr2ogr with the driver into dir; empty when the
// conversion fails (a test failure).
inline std::string ConvertExample(const TempDir& dir, const std::string& source, const std::string& driver,
                                  const std::string& extension) {
  const std::string out = dir.file(source + "." + extension);
  const int rc =
      qzntest::RunCommand("ogr2ogr -f '" + driver + "' '" + out + "' '" + kGeoExamples + source + "' 2>/dev/null");
  EXPECT_EQ(rc, 0) << source;
  return rc == 0 ? out : std::string();
}

#define QZN_REQUIRE_GEO_EXAMPLES()                                                         \
  QZN_REQUIRE_ORACLE(std::filesystem::exists(importtest::kGeoExamples + "rivers.geojson"), \
                     "python3-networkx's geospatial examples");                            \
  QZN_REQUIRE_PROGRAM("ogr2ogr");                                                          \
  QZN_REQUIRE_PYTHON_MODULES("osgeo", "numpy")

// A small grey image in the workspace: imports then leave the extent alone
// and ask nothing about it.
inline void GiveImage(CQznDoc& doc) {
  CRasterImage& img = doc.m_image;
  img.Init();
  img.width = img.height = 1000;
  img.planes = 1;
  img.bitsPerSample = 8;
  img.photometric = 1;
  ASSERT_TRUE(img.AllocPixels());
}

// The lines read back hold the written lines' IDs and vertices, in order.
inline void ExpectSameLines(const CChainList& written, const CChainList& read) {
  ASSERT_EQ(read.GetCount(), written.GetCount());
  for (POSITION a = written.GetHeadPosition(), b = read.GetHeadPosition(); a && b;) {
    const CChain* want = written.GetNext(a);
    const CChain* got = read.GetNext(b);
    EXPECT_EQ(got->m_fID, want->m_fID);
    EXPECT_EQ(got->m_points, want->m_points);
  }
}

// Installs a scripted host and the format readers and writers for one test.
class ImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_host = std::make_unique<CHostScope>(&host);
    m_previousImports = SetVectorImports(&imports);
    m_previousExports = SetVectorExports(&exports);
  }
  void TearDown() override {
    SetVectorExports(m_previousExports);
    SetVectorImports(m_previousImports);
    m_host.reset();
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir.file(name);
    qzntest::WriteFileText(path, text);
    return path;
  }
  // Text in code page 936 as the formats keep it.
  std::string WriteGbk(const std::string& name, const std::string& utf8) { return Write(name, Utf8ToGbk(utf8)); }

  CScriptedHost host;
  CFormatImports imports;
  CFormatExports exports;
  CQznDoc doc;
  TempDir dir;

 private:
  std::unique_ptr<CHostScope> m_host;
  IVectorImports* m_previousImports = nullptr;
  IVectorExports* m_previousExports = nullptr;
};

// Runs a Python oracle script with the arguments and returns what it printed.
using exporttest::RunOracle;

}  // namespace importtest
