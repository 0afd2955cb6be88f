// 3D model export: the STL solid checked by admesh and numpy-stl, the VRML
// file by a small checker, the DXF faces by ezdxf, the XYZ points, and the
// choice of writer by extension.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include "platform/host.h"
#include "terrain/colorramp.h"
#include "terrain/opengldoc.h"
#include "tests/terrain/terrain_test_util.h"

using qzn::COpenGLDoc;
using terraintest::FillDoc;

namespace {

// Random heights from 0 on a grid, with a few flat stretches.
void RandomGrid(COpenGLDoc& doc, int columns, int rows, float cellSize, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<float> h(static_cast<std::size_t>(columns * rows));
  for (float& v : h)
    v = std::uniform_int_distribution<int>(0, 3)(rng) ? std::uniform_real_distribution<float>(0, 90)(rng) : 0.0f;
  h[0] = 0.0f;
  FillDoc(doc, columns, rows, cellSize, h);
}

// The corners a solid of the grid must have: every surface point, and the
// base point under each edge point.
std::set<std::tuple<float, float, float>> ModelCorners(const COpenGLDoc& doc, float scale) {
  std::set<std::tuple<float, float, float>> out;
  const float cs = doc.m_fCellSize > 0 ? doc.m_fCellSize : 1.0f;
  for (int r = 0; r < doc.m_nRows; ++r)
    for (int c = 0; c < doc.m_nColumns; ++c) {
      const float x = static_cast<float>(c - doc.m_nColumns / 2) * cs, z = static_cast<float>(r - doc.m_nRows / 2) * cs;
      out.emplace(x, doc.GetHeight(c, r) * scale, z);
      if (c == 0 || r == 0 || c == doc.m_nColumns - 1 || r == doc.m_nRows - 1) out.emplace(x, -40.0f, z);
    }
  return out;
}

std::uint64_t ExpectedFacets(int columns, int rows) {
  const std::uint64_t c = static_cast<std::uint64_t>(columns), r = static_cast<std::uint64_t>(rows);
  // Surface, four walls, and a bottom through every base point.
  return 2 * (r - 1) * (c - 1) + 4 * (r - 1) + 4 * (c - 1) + (2 * (c + r) - 4 - 2);
}

// model_check.py's reading of an STL or DXF file: as many faces as the
// solid has triangles, and exactly the solid's corners.
void CheckFacesAndCorners(const char* kind, const std::string& path, const COpenGLDoc& doc, float scale) {
  std::string out;
  ASSERT_EQ(terraintest::RunScript("model_check.py", std::string(kind) + " " + path, &out), 0) << out;
  std::istringstream in(out);
  std::size_t faces = 0;
  in >> faces;
  EXPECT_EQ(faces, ExpectedFacets(doc.m_nColumns, doc.m_nRows)) << kind;
  std::set<std::tuple<float, float, float>> corners;
  float x, y, z;
  while (in >> x >> y >> z) corners.emplace(x, y, z);
  EXPECT_EQ(corners, ModelCorners(doc, scale)) << kind;
}

// "Name : value" lines of admesh's report.
std::map<std::string, double> AdmeshReport(const std::string& text) {
  std::map<std::string, double> out;
  const std::regex pair(R"(([A-Za-z][A-Za-z ]*?)\s*:\s*(-?[0-9.]+))");
  std::istringstream in(text);
  std::string s;
  while (std::getline(in, s))
    for (std::sregex_iterator m(s.begin(), s.end(), pair), end; m != end; ++m) out[(*m)[1]] = std::stod((*m)[2]);
  return out;
}

}  // namespace

TEST(ModelExportStl, HeaderAndFacetCount) {
  qzntest::TempDir dir;
  COpenGLDoc doc;
  RandomGrid(doc, 4, 3, 2.5f, 1);
  ASSERT_EQ(doc.ExportStl(dir.file("m.stl")), 1);
  const auto bytes = qzntest::ReadFileBytes(dir.file("m.stl"));
  ASSERT_GE(bytes.size(), 84u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 13), std::string("solid QZN 3D\0", 13));
  EXPECT_EQ(std::string(bytes.begin() + 13, bytes.begin() + 48), std::string(35, ' '));
  float box[8];
  std::memcpy(box, bytes.data() + 48, sizeof box);
  EXPECT_EQ(std::vector<float>(box, box + 8), (std::vector<float>{0, 10, 0, 7.5f, -1000, 10000, 2.5f, 2.5f}));
  std::uint32_t facets;
  std::memcpy(&facets, bytes.data() + 80, 4);
  EXPECT_EQ(facets, 40u);  // 12 on the surface, 20 on the walls, 8 on the bottom
  EXPECT_EQ(facets, ExpectedFacets(4, 3));
  EXPECT_EQ(bytes.size(), 84u + 50u * facets);
}

TEST(ModelExportStl, AdmeshFindsAClosedSolidFacingOutward) {
  QZN_REQUIRE_PROGRAM("admesh");
  struct Case {
    int columns, rows;
  };
  for (Case k : {Case{2, 2}, Case{4, 3}, Case{2, 9}, Case{17, 11}}) {
    qzntest::TempDir dir;
    COpenGLDoc doc;
    RandomGrid(doc, k.columns, k.rows, 3.0f, static_cast<unsigned>(k.columns * 100 + k.rows));
    ASSERT_EQ(doc.ExportStl(dir.file("m.stl")), 1);
    std::string out;
    // admesh's default run: exact edge matching, hole filling, normal
    // directions and volume. Nothing may need mending (normals excepted: the
    // file leaves them 0 for readers to compute).
    ASSERT_EQ(qzntest::RunCommand("admesh " + dir.file("m.stl"), &out), 0) << out;
    auto report = AdmeshReport(out);
    const std::string what = std::to_string(k.columns) + " x " + std::to_string(k.rows) + "\n" + out;
    ASSERT_TRUE(report.count("Number of facets")) << what;
    EXPECT_EQ(report["Number of facets"], static_cast<double>(ExpectedFacets(k.columns, k.rows))) << what;
    for (const char* none : {"Total disconnected facets", "Degenerate facets", "Edges fixed", "Facets removed",
                             "Facets added", "Facets reversed", "Backwards edges"})
      EXPECT_EQ(report[none], 0) << none << "\n" << what;
    EXPECT_EQ(report["Number of parts"], 1) << what;
    EXPECT_GT(report["Volume"], 0) << what;
  }
}

TEST(ModelExportStl, NumpyStlFindsTheModelsCorners) {
  QZN_REQUIRE_PYTHON_MODULES("numpy", "stl");
  qzntest::TempDir dir;
  COpenGLDoc doc;
  RandomGrid(doc, 6, 5, 4.0f, 7);
  doc.m_fExportScale = 2.0f;
  ASSERT_EQ(doc.ExportStl(dir.file("m.stl")), 1);
  CheckFacesAndCorners("stl", dir.file("m.stl"), doc, 2.0f);
}

TEST(ModelExportVrml, CheckerFindsNodesCountsAndIndicesInRange) {
  QZN_REQUIRE_PYTHON_MODULES("numpy");
  struct Case {
    int columns, rows;
    bool flat;
  };
  for (Case k : {Case{2, 2, false}, Case{5, 3, false}, Case{4, 4, true}}) {
    qzntest::TempDir dir;
    COpenGLDoc doc;
    RandomGrid(doc, k.columns, k.rows, 1.5f, 3);
    if (k.flat)
      FillDoc(doc, k.columns, k.rows, 1.5f, std::vector<float>(static_cast<std::size_t>(k.columns * k.rows), 0));
    ASSERT_EQ(doc.ExportVrml(dir.file("m.wrl")), 1);
    std::string out;
    const std::int64_t points = 4LL * (k.columns - 1) * (k.rows - 1) + 4LL * (k.columns + k.rows);
    ASSERT_EQ(terraintest::RunScript("model_check.py",
                                     "vrml " + dir.file("m.wrl") + " " + std::to_string(points) + " " +
                                         std::to_string(ExpectedFacets(k.columns, k.rows)),
                                     &out),
              0)
        << out;
    // Surface colours come from the terrain ramp, within 0 to 1; a flat
    // grid takes its lowest entry everywhere.
    const auto ramp = qzn::BuildColorRamp(256, qzn::RampType::terrain);
    const std::string text = qzntest::ReadFileText(dir.file("m.wrl"));
    EXPECT_EQ(text.rfind("#VRML V2.0 utf8\r\n#由 QZN software 创建\r\n# 开始对象\r\n", 0), 0u);
    if (k.flat) {
      char first[64];
      std::snprintf(first, sizeof first, "color [ \r\n\t\t\t%f %f %f,", ramp[0][0], ramp[0][1], ramp[0][2]);
      EXPECT_NE(text.find(first), std::string::npos);
    }
  }
}

TEST(ModelExportDxf, EzdxfReadsEveryFaceWithACleanAudit) {
  QZN_REQUIRE_PYTHON_MODULES("ezdxf");
  qzntest::TempDir dir;
  COpenGLDoc doc;
  RandomGrid(doc, 5, 4, 2.0f, 11);
  ASSERT_EQ(doc.ExportDxf(dir.file("m.dxf")), 1);
  CheckFacesAndCorners("dxf", dir.file("m.dxf"), doc, 1.0f);
}

TEST(ModelExportXyz, OnePointPerCellScaled) {
  qzntest::TempDir dir;
  COpenGLDoc doc;
  FillDoc(doc, 3, 2, 0.0f, {0, 1.5f, 3, 4, 5, 6.25f});  // a cell size of 0 counts as 1
  doc.m_fExportScale = 2.0f;
  ASSERT_EQ(doc.ExportXyz(dir.file("m.xyz")), 1);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("m.xyz")),
            "-1.000000 0.000000 -1.000000\r\n0.000000 3.000000 -1.000000\r\n1.000000 6.000000 -1.000000\r\n"
            "-1.000000 8.000000 0.000000\r\n0.000000 10.000000 0.000000\r\n1.000000 12.500000 0.000000\r\n");
}

TEST(ModelExport, WriterChosenByExtensionInAnyCase) {
  struct Case {
    const char* name;
    std::string start;
  };
  const Case cases[] = {
      {"a.WRL", "#VRML"},        {"b.wrl", "#VRML"},        {"c.Stl", "solid QZN 3D"}, {"d.xyz", "-1.000000 "},
      {"e.txt", "0\r\nSECTION"}, {"f.dxf", "0\r\nSECTION"}, {"g", "0\r\nSECTION"},
  };
  for (const Case& k : cases) {
    qzntest::TempDir dir;
    COpenGLDoc doc;
    RandomGrid(doc, 2, 2, 1.0f, 5);
    ASSERT_EQ(doc.ExportModel(dir.file(k.name)), 1) << k.name;
    EXPECT_EQ(qzntest::ReadFileText(dir.file(k.name)).rfind(k.start, 0), 0u) << k.name;
  }
}

TEST(ModelExport, FailuresReturn0AndLeaveTheDocument) {
  COpenGLDoc doc;
  RandomGrid(doc, 3, 3, 1.0f, 2);
  const std::vector<float> before = doc.m_heights;
  CScriptedHost ui;
  CHostScope scope(&ui);
  for (const char* name : {"m.stl", "m.wrl", "m.dxf", "m.xyz"})
    EXPECT_EQ(doc.ExportModel(std::string("/nonexistent-dir/") + name), 0) << name;
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "为 STL 输出打开文件出错。");
  EXPECT_EQ(doc.m_heights, before);
  COpenGLDoc empty;
  qzntest::TempDir dir;
  EXPECT_EQ(empty.ExportStl(dir.file("e.stl")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("e.stl")));
}

TEST(ColorRamp, EveryEntryIsAColourTheTopIncluded) {
  for (auto type : {qzn::RampType::terrain, qzn::RampType::grey}) {
    const auto ramp = qzn::BuildColorRamp(256, type);
    ASSERT_EQ(ramp.size(), 256u);
    for (const auto& rgb : ramp)
      for (float v : rgb) EXPECT_TRUE(v >= 0.0f && v < 1.0f) << v;
  }
  const auto terrain = qzn::BuildColorRamp(256, qzn::RampType::terrain);
  EXPECT_EQ(terrain[255], (qzn::CRampColor{175.0f / 256, 250.0f / 256, 255.0f / 256}));
  EXPECT_EQ(qzn::RampIndex(50.0f, 50.0f), 255);  // the highest point
  EXPECT_EQ(qzn::RampIndex(0.0f, 50.0f), 0);
  EXPECT_EQ(qzn::RampIndex(25.0f, 50.0f), 128);
  EXPECT_EQ(qzn::RampIndex(0.0f, 0.0f), 0);  // a flat grid
  EXPECT_EQ(qzn::RampIndex(NAN, 10.0f), 0);
}
