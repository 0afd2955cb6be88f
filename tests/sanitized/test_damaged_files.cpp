// Every damaged file of tests/fixtures/damaged/readers through the reader
// that takes it, built with AddressSanitizer and UBSan: grids and DEMs,
// palette TIFFs, layer files, projects, SDL, generate and shapefiles with
// the display range, batch scripts and dBASE tables. Each is refused with
// one message and changes nothing, or (the data too small for the display)
// reads without a coordinate that is not finite. The readers' own tests say
// more of each; here the point is that no damaged file reads outside its
// buffers or overflows.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/qzndoc.h"
#include "formats/dbf.h"
#include "formats/vectorimport.h"
#include "model/layer.h"
#include "platform/archive.h"
#include "platform/host.h"
#include "raster/rasterimage.h"
#include "raster/tiffio.h"
#include "terrain/opengldoc.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

std::string Fixture(const std::string& name) { return qzntest::SourcePath("tests/fixtures/damaged/readers/" + name); }

// A workspace whose imports go through the formats library, with a host
// that answers its questions with `answer` and records its messages.
struct Workspace {
  explicit Workspace(int answer) : scope(&host), previous(SetVectorImports(&imports)) {
    host.answers.assign(4, answer);
  }
  ~Workspace() { SetVectorImports(previous); }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  CScriptedHost host;
  CHostScope scope;
  CFormatImports imports;
  IVectorImports* previous;
  CQznDoc doc;
};

bool AllFinite(const CQznDoc& doc) {
  for (const CChain* c : doc.m_lines)
    for (const CFPoint& p : c->m_points)
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  for (const CPointRec* p : doc.m_points)
    if (!std::isfinite(p->x) || !std::isfinite(p->y)) return false;
  return true;
}

TEST(DamagedFiles, GridsAndDemsAreRefused) {
  for (const char* name : {"grd/inf-lower-left.grd", "grd/inf-cellsize.grd", "grd/zero-cellsize.grd",
                           "dem/inf-lower-left.dem", "dem/cellsize-3e38-model-inf.dem"}) {
    SCOPED_TRACE(name);
    CScriptedHost host;
    CHostScope scope(&host);
    COpenGLDoc doc;
    EXPECT_EQ(doc.OnOpenDocument(Fixture(name)), 0);
    EXPECT_FALSE(host.messages.empty());  // a DEM's header may come before the reason
    EXPECT_EQ(doc.m_nColumns, 0);
  }
}

TEST(DamagedFiles, PaletteTiffsWithoutTheirMapAreRefused) {
  for (const char* name : {"tif/palette-colormap-cut.tif", "tif/palette-colormap-cut-photometric-long.tif"}) {
    SCOPED_TRACE(name);
    CRasterImage img;
    EXPECT_EQ(ReadTiffImage(Fixture(name), img, nullptr), kTiffNoColorMap);
    EXPECT_FALSE(img.HasPixels());
  }
}

TEST(DamagedFiles, LayerFilesAreRefused) {
  for (const char* name : {"lay/declared-count-not-met.lay", "lay/binary-layer-width-zero.lay", "lay/width-1e39.lay",
                           "lay/width-nan.lay"}) {
    SCOPED_TRACE(name);
    CScriptedHost host;
    CHostScope scope(&host);
    CLayerList layers;
    EXPECT_EQ(layers.LoadLayerFile(Fixture(name), 100.0f, kUnitInch), FALSE);
    // Not a whole layer text file: the stored table is the other way to read it.
    EXPECT_THROW(
        {
          std::unique_ptr<CArchive> ar = CArchive::OpenForLoad(Fixture(name));
          layers.Serialize(*ar);
          if (ar->BytesLeft() != 0) throw CArchiveException(CArchiveException::badCount, "bytes after the table");
        },
        CArchiveException);
    EXPECT_EQ(layers.GetCount(), 1);
  }
}

TEST(DamagedFiles, ProjectsAreRefused) {
  for (const char* name :
       {"prj/nan-line-vertex.prj", "prj/inf-point.prj", "prj/layer-width-zero.prj", "prj/layer-width-negative.prj"}) {
    SCOPED_TRACE(name);
    Workspace w(IDNO);
    EXPECT_EQ(w.doc.ReadProject(Fixture(name)), 0);
    EXPECT_EQ(w.host.messages.size(), 1u);
    EXPECT_TRUE(w.doc.m_lines.IsEmpty());
    EXPECT_EQ(w.doc.m_layers.GetCount(), 1);
  }
}

TEST(DamagedFiles, VectorFilesAreRefused) {
  for (const char* name : {"sdl/cut-mid-line-in-record.sdl", "sdl/bad-record-header-mid-file.sdl",
                           "sdl/cut-inside-record-header.sdl", "gen/nan-id.gen", "gen/overflow-id.gen"}) {
    SCOPED_TRACE(name);
    qzntest::TempDir dir;
    // A copy: the SDL reader writes its attribute file beside the file.
    const std::string path = dir.file(std::filesystem::path(name).filename().string());
    std::filesystem::copy_file(Fixture(name), path);
    Workspace w(IDYES);
    EXPECT_EQ(w.doc.ImportVectors(path, 0), 0);
    EXPECT_EQ(w.host.messages.size(), 1u);
    EXPECT_TRUE(w.doc.m_lines.IsEmpty());
  }
}

// One line from (0, 0) to (0, 1e-36), scaled to the display: the scale is
// beyond the float range, the vertices are not.
TEST(DamagedFiles, DataTooSmallForTheDisplayScalesToFiniteVertices) {
  for (const char* name : {"gen/tiny-extent-scaled-nan.gen", "shp/tiny-extent-scaled-nan.shp"}) {
    SCOPED_TRACE(name);
    Workspace w(IDYES);
    EXPECT_EQ(w.doc.ImportVectors(Fixture(name), 0), 1);
    EXPECT_FALSE(w.doc.m_lines.IsEmpty());
    EXPECT_TRUE(AllFinite(w.doc));
  }
}

TEST(DamagedFiles, ScriptNumbersBeyondTheirDialogsAreRefused) {
  for (const char* name : {"cmd/bspline-20000000.cmd", "cmd/createpolygons-int-max.cmd"}) {
    SCOPED_TRACE(name);
    Workspace w(IDYES);
    for (float y : {0.0f, 10.0f}) {
      CChain* c = w.doc.m_lines.NewChain();
      for (float x : {0.0f, 1.0f, 2.0f, 3.0f, 4.0f}) c->AddPoint(x, y);
    }
    std::vector<std::string> script;
    ASSERT_EQ(CQznDoc::ReadMacroFile(script, Fixture(name)), 1);
    std::string refusal;
    EXPECT_EQ(w.doc.RunMacroCommand(script[0], &refusal), 0);
    EXPECT_FALSE(refusal.empty());
    EXPECT_EQ(w.doc.m_lines.GetCount(), 2);
    EXPECT_EQ(w.doc.m_lines.GetHead()->GetCount(), 5);
  }
}

// A table whose header counts more records than the file holds has been
// cut: it is refused, not shown with the records that are left.
TEST(DamagedFiles, ACutTableIsRefused) {
  qzntest::TempDir dir;
  std::vector<std::uint8_t> bytes = qzntest::ReadFileBytes(Fixture("ndx/table.dbf"));
  ASSERT_GT(bytes.size(), 300u);
  bytes.resize(300);
  const std::string path = dir.file("cut.dbf");
  qzntest::WriteFileBytes(path, bytes);
  CScriptedHost host;
  CHostScope scope(&host);
  EXPECT_EQ(DbfOpen(path), -1);
  EXPECT_EQ(DbfLastError(), 200);
  EXPECT_EQ(host.messages.size(), 1u);
}

}  // namespace
