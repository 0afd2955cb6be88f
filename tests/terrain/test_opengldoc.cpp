// The 3D document's data: which files it opens, the valid heights and their
// range, and what it refuses.
#include <gtest/gtest.h>

#include "platform/host.h"
#include "terrain/dembuilder.h"
#include "terrain/opengldoc.h"
#include "tests/terrain/terrain_test_util.h"

using qzn::COpenGLDoc;

namespace {

std::string Grid(int columns, int rows, const std::string& values, const char* nodata = "-9999") {
  return "ncols " + std::to_string(columns) + "\nnrows " + std::to_string(rows) +
         "\nxllcorner 511\nyllcorner 400\ncellsize 5\nNODATA_value " + nodata + "\n" + values + "\n";
}

}  // namespace

TEST(OpenGLDoc, HeightsAboveTheLowestValidOneAndTheirRange) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<float> heights;
    float range;
  };
  const Case cases[] = {
      {"NODATA takes the lowest height", Grid(2, 2, "100 150 -9999 120"), {0, 50, 0, 20}, 50},
      {"within 0.0001 of NODATA is NODATA", Grid(2, 2, "100 -9999.00005 110 120"), {0, 0, 10, 20}, 20},
      {"farther from NODATA is a height", Grid(2, 2, "100 -9999.0002 110 120"), {10099, 0, 10109, 10119}, 10119},
      {"a flat grid", Grid(3, 2, "7 7 7 7 -1 7", "-1"), {0, 0, 0, 0, 0, 0}, 0},
  };
  for (const Case& k : cases) {
    qzntest::TempDir dir;
    qzntest::WriteFileText(dir.file("a.grd"), k.text);
    COpenGLDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(dir.file("a.grd")), 1) << k.what << ": " << doc.GetErrorText();
    EXPECT_EQ(doc.m_fLowerLeftX, 511.0f) << k.what;
    EXPECT_EQ(doc.m_fCellSize, 5.0f) << k.what;
    ASSERT_EQ(doc.m_heights.size(), k.heights.size()) << k.what;
    for (std::size_t i = 0; i < k.heights.size(); ++i)
      EXPECT_NEAR(doc.m_heights[i], k.heights[i], 2e-3) << k.what << " " << i;
    EXPECT_NEAR(doc.m_fHeightRange, k.range, 2e-3) << k.what;
    EXPECT_EQ(doc.GetTitle(), dir.file("a.grd"));
    EXPECT_EQ(doc.m_fExportScale, 1.0f);
  }
}

TEST(OpenGLDoc, FileKindByExtensionInAnyCase) {
  qzntest::TempDir dir;
  for (const char* name : {"a.grd", "b.GRD", "c.Grd"}) {
    qzntest::WriteFileText(dir.file(name), Grid(2, 2, "1 2 3 4"));
    COpenGLDoc doc;
    EXPECT_EQ(doc.OnOpenDocument(dir.file(name)), 1) << name;
  }
  // A DEM written by the builder, with a void, opens as a DEM.
  CQznDoc ws;
  terraintest::SetExtent(ws, 0, 0, 30, 20);
  terraintest::AddPoint(ws, 30, 10, 256.0f);  // too far from the left column
  CScriptedHost ui;
  CHostScope scope(&ui);
  qzn::CDemBuilder b(&ws.m_lines, &ws, 10, dir.file("d.DEM"));
  ASSERT_EQ(b.WriteDem(), 1);
  COpenGLDoc dem;
  ASSERT_EQ(dem.OnOpenDocument(dir.file("d.DEM")), 1) << dem.GetErrorText();
  EXPECT_EQ(dem.m_nRows, 3);  // the grid as the builder wrote it
  EXPECT_EQ(dem.m_nColumns, 4);
  EXPECT_EQ(dem.m_fHeightRange, 0.0f);
  EXPECT_EQ(dem.m_heights, std::vector<float>(12, 0.0f));
  EXPECT_EQ(ui.messages.size(), 1u);  // the DEM's header, for information

  for (const char* name : {"e.txt", "f.grd.bak", "g"}) {
    ui.messages.clear();
    qzntest::WriteFileText(dir.file(name), Grid(2, 2, "1 2 3 4"));
    COpenGLDoc doc;
    EXPECT_EQ(doc.OnOpenDocument(dir.file(name)), 0) << name;
    ASSERT_EQ(ui.messages.size(), 1u) << name;
    EXPECT_EQ(ui.messages[0].text, "仅支持 *.DEM 或 *.GRD 文件。");
  }
}

TEST(OpenGLDoc, RefusalsLeaveTheDocumentAsItWas) {
  struct Case {
    const char* what;
    std::string text;
    const char* message;
  };
  const Case cases[] = {
      {"every cell NODATA", Grid(2, 2, "-9999 -9999 -9999 -9999"), "栅格文件中没有有效的高程。"},
      {"a single row", Grid(3, 1, "1 2 3"), "栅格太小: 至少需要 2 行 2 列。"},
      {"a single column", Grid(1, 3, "1 2 3"), "栅格太小: 至少需要 2 行 2 列。"},
      {"too few values", Grid(2, 2, "1 2 3"), "栅格文件比文件头所说的短。"},
  };
  for (const Case& k : cases) {
    qzntest::TempDir dir;
    qzntest::WriteFileText(dir.file("good.grd"), Grid(2, 2, "1 2 3 5"));
    qzntest::WriteFileText(dir.file("bad.grd"), k.text);
    COpenGLDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(dir.file("good.grd")), 1);
    CScriptedHost ui;
    CHostScope scope(&ui);
    EXPECT_EQ(doc.OnOpenDocument(dir.file("bad.grd")), 0) << k.what;
    EXPECT_FALSE(doc.GetErrorText().empty()) << k.what;
    ASSERT_EQ(ui.messages.size(), 1u) << k.what;
    EXPECT_EQ(ui.messages[0].text, k.message) << k.what;
    EXPECT_EQ(doc.m_heights, (std::vector<float>{0, 1, 2, 4})) << k.what;
    EXPECT_EQ(doc.m_fHeightRange, 4.0f) << k.what;
    EXPECT_EQ(doc.GetTitle(), dir.file("good.grd")) << k.what;
  }
}

// Header values beyond or below the float range the grid keeps (a corner
// that becomes infinite, a cell size that becomes infinite or 0): the file
// is refused with one message saying which, without the DEM's header, and
// the document keeps what it had. A DEM whose corners and cell size each fit
// but whose cells reach beyond the range is refused the same way.
TEST(OpenGLDoc, HeadersBeyondTheFloatRangeAreRefused) {
  struct Case {
    const char* file;
    const char* message;
  };
  const Case cases[] = {
      {"grd/inf-lower-left.grd", "栅格文件头中 xllcorner 的值无效。"},
      {"grd/inf-cellsize.grd", "栅格文件头中的行数、列数或单元大小无效。"},
      {"grd/zero-cellsize.grd", "栅格文件头中的行数、列数或单元大小无效。"},
      {"dem/inf-lower-left.dem", "DEM 的角点坐标无效。"},
      {"dem/cellsize-3e38-model-inf.dem", "DEM 的分辨率无效。"},
  };
  for (const Case& k : cases) {
    qzntest::TempDir dir;
    qzntest::WriteFileText(dir.file("good.grd"), Grid(2, 2, "1 2 3 5"));
    COpenGLDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(dir.file("good.grd")), 1);
    CScriptedHost ui;
    CHostScope scope(&ui);
    EXPECT_EQ(doc.OnOpenDocument(qzntest::SourcePath(std::string("tests/fixtures/damaged/readers/") + k.file)), 0)
        << k.file;
    ASSERT_EQ(ui.messages.size(), 1u) << k.file;
    EXPECT_EQ(ui.messages[0].text, k.message) << k.file;
    EXPECT_EQ(doc.m_heights, (std::vector<float>{0, 1, 2, 4})) << k.file;
    EXPECT_EQ(doc.m_fCellSize, 5.0f) << k.file;
    EXPECT_EQ(doc.GetTitle(), dir.file("good.grd")) << k.file;
  }
}
