// The import front: the reader chosen by the extension, the extent of a
// workspace without an image (and the offer to scale data unfit for the
// display), points added or replaced, and the georeferenced import with its
// reference file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "formats/dxfexport.h"
#include "formats/mifexport.h"
#include "formats/sdlexport.h"
#include "formats/shapefile.h"
#include "tests/formats/import_test_util.h"

namespace {

using namespace qzn;
using importtest::GiveImage;
using importtest::ImportTest;
using importtest::LineDump;
using importtest::Snapshot;

class ImportFront : public ImportTest {};

// Lines spanning `width` across and `height` down from (10, 20).
std::string GenerateBox(double width, double height) {
  return FormatC("1\n10,20\n%f,%f\nEND\nEND\n", 10 + width, 20 + height);
}

TEST_F(ImportFront, ExtensionChoosesTheReader) {
  GiveImage(doc);
  const std::string dxf = "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n1\n20\n2\n11\n3\n21\n4\n0\nENDSEC\n0\nEOF\n";
  EXPECT_EQ(doc.ImportVectors(Write("roads.dxf", dxf), 0), 1);
  EXPECT_EQ(doc.ImportVectors(Write("lines.txt", "4\n1,1\n2,2\nEND\nEND\n"), 0), 1);
  EXPECT_EQ(doc.ImportVectors(Write("pts.XYZ", "1 2 3\n4 5 6\n"), 0), 1);
  EXPECT_EQ(LineDump(doc.m_lines), (std::vector<std::string>{"0 0: 1,2 3,4", "4 0: 1,1 2,2"}));
  EXPECT_EQ(doc.m_points.GetCount(), 2);
  EXPECT_TRUE(host.messages.empty()) << ::testing::PrintToString(host.Texts());

  // Georeferenced: roads.dxf still by the DXF reader; ".XYZ" goes to the
  // generate line reader, which cannot read it.
  exporttest::AddWorldFile(doc);
  EXPECT_EQ(doc.ImportGeoVectors(Write("roads2.dxf", dxf), "", GeorefKind::bilinear), 1);
  EXPECT_EQ(doc.m_lines.GetCount(), 3);
  EXPECT_EQ(doc.ImportGeoVectors(dir.file("pts.XYZ"), "", GeorefKind::bilinear), 0);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{"移除现有的线段吗?", "读取列表出错。"}));
  EXPECT_EQ(doc.m_lines.GetCount(), 3);
}

TEST_F(ImportFront, DataUnfitForTheDisplayMayBeScaled) {
  {
    SCOPED_TRACE("50 across and 80 down, scaled");
    CQznDoc d;
    host.answers.push_back(IDYES);
    ASSERT_EQ(d.ImportVectors(Write("small.gen", GenerateBox(50, 80)), 0), 1);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"你的数据可能超出了适当的显示范围，你要改变它吗?"});
    EXPECT_EQ(std::make_tuple(d.m_extent.left, d.m_extent.top, d.m_extent.right, d.m_extent.bottom),
              std::make_tuple(0, 0, 2519, 4030));
    ASSERT_EQ(d.m_lines.GetCount(), 1);
    EXPECT_NEAR(d.m_lines.GetHead()->m_points[1].x, 2517.5f, 1e-3);
    EXPECT_NEAR(d.m_lines.GetHead()->m_points[1].y, 4028.0f, 1e-3);
    // The world file maps the new pixels back to the file's units.
    ASSERT_EQ(d.m_tfw.m_nTerms, 3);
    EXPECT_DOUBLE_EQ(d.m_tfw.m_A, 1 / 50.35);
    EXPECT_DOUBLE_EQ(d.m_tfw.m_E, 1 / 50.35);
    EXPECT_DOUBLE_EQ(d.m_tfw.m_C, 10.0);
    EXPECT_DOUBLE_EQ(d.m_tfw.m_F, 20.0);
  }
  {
    SCOPED_TRACE("50 across and 80 down, kept");
    CQznDoc d;
    host.messages.clear();
    host.answers.push_back(IDNO);
    ASSERT_EQ(d.ImportVectors(dir.file("small.gen"), 0), 1);
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(std::make_tuple(d.m_extent.left, d.m_extent.top, d.m_extent.right, d.m_extent.bottom),
              std::make_tuple(10, 20, 60, 100));
    EXPECT_EQ(d.m_tfw.m_nTerms, 0);
  }
  {
    SCOPED_TRACE("50 by 150: not asked");
    CQznDoc d;
    host.messages.clear();
    ASSERT_EQ(d.ImportVectors(Write("tall.gen", GenerateBox(50, 150)), 0), 1);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(std::make_tuple(d.m_extent.right, d.m_extent.bottom), std::make_tuple(60, 170));
  }
  {
    SCOPED_TRACE("with an image: never asked, the extent stays");
    CQznDoc d;
    GiveImage(d);
    d.m_extent = RECT{0, 0, 999, 999};
    host.messages.clear();
    ASSERT_EQ(d.ImportVectors(dir.file("small.gen"), 0), 1);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(d.m_extent.right, 999);
  }
}

// Data 1e-36 across: the scale to the display is beyond the float range,
// so it is worked out in double and every vertex lands in 0..4028 (in float
// each became NaN), with the world file mapping the pixels back to the data
// as read (without scaling). Lines and points alike, from every reader.
TEST_F(ImportFront, DataTooSmallForFloatScalesIsScaledInDouble) {
  const std::string question = "你的数据可能超出了适当的显示范围，你要改变它吗?";
  const std::string fixtures = qzntest::SourcePath("tests/fixtures/damaged/readers/");
  const std::string files[] = {
      fixtures + "gen/tiny-extent-scaled-nan.gen",
      fixtures + "shp/tiny-extent-scaled-nan.shp",  // its table is missing, and said so
      Write("tiny.sdl", "L, \"a\", \"1\", 2\n0,0\n0,1e-36\n"),
      Write("tiny.xyz", "0 0 5\n0 1e-36 6\n"),
  };
  // The rows the data spans: top and bottom of every vertex; false when one
  // is not finite.
  auto rows = [](const CQznDoc& d, float& top, float& bottom) {
    top = std::numeric_limits<float>::max(), bottom = -top;
    std::vector<CFPoint> vertices;
    for (const CChain* c : d.m_lines) vertices.insert(vertices.end(), c->m_points.begin(), c->m_points.end());
    for (const CPointRec* p : d.m_points) vertices.emplace_back(p->x, p->y);
    for (const CFPoint& v : vertices) {
      if (!std::isfinite(v.x) || !std::isfinite(v.y)) return false;
      top = std::min(top, v.y), bottom = std::max(bottom, v.y);
    }
    return !vertices.empty();
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    CQznDoc asRead;
    host.answers.assign(1, IDNO);
    ASSERT_EQ(asRead.ImportVectors(file, 0), 1);
    float top0 = 0, bottom0 = 0;
    ASSERT_TRUE(rows(asRead, top0, bottom0));
    ASSERT_LT(bottom0 - top0, 1e-30f);

    CQznDoc d;
    host.messages.clear();
    host.answers.assign(1, IDYES);
    ASSERT_EQ(d.ImportVectors(file, 0), 1);
    EXPECT_EQ(host.Texts().back(), question);
    float top = 0, bottom = 0;
    ASSERT_TRUE(rows(d, top, bottom));
    EXPECT_EQ(top, 0.0f);
    EXPECT_NEAR(bottom, 4028.0f, 1e-3);
    EXPECT_EQ(d.m_extent.bottom, 4030);
    ASSERT_EQ(d.m_tfw.m_nTerms, 3);
    EXPECT_DOUBLE_EQ(d.m_tfw.m_F, top0);
    EXPECT_NEAR(d.m_tfw.m_F + d.m_tfw.m_E * bottom, bottom0, (bottom0 - top0) * 1e-6);
  }

  // Where the scale would take other data of the workspace (a hidden line
  // far off) beyond the pixels, the data stays as read, and the user is told.
  CQznDoc d;
  CChain* hidden = d.m_hiddenLines.NewChain();
  hidden->AddPoint(1000, 1000), hidden->AddPoint(1001, 1001);
  host.messages.clear();
  host.answers.assign(1, IDYES);
  ASSERT_EQ(d.ImportVectors(files[0], 0), 1);
  EXPECT_EQ(host.Texts(),
            (std::vector<std::string>{question, "数据按这个比例改变后会超出工作区能容纳的范围, 显示范围没有改变。"}));
  EXPECT_EQ(LineDump(d.m_lines), std::vector<std::string>{"1 0: 0,0 0,1.00000004e-36"});
  EXPECT_EQ(hidden->m_points[1], CFPoint(1001, 1001));
  EXPECT_EQ(d.m_tfw.m_nTerms, 0);
}

// The question comes first; its answer acts only after the file was read.
TEST_F(ImportFront, PointsAreAddedOrReplaced) {
  importtest::FillExisting(doc);
  GiveImage(doc);
  const std::string good = Write("p.pnt", "7 100 200\n8 300 400\n");
  host.answers.push_back(IDNO);
  ASSERT_EQ(doc.ImportVectors(good, 0), 1);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"移除现有的点吗?"});
  EXPECT_EQ(doc.m_points.GetCount(), 3);
  EXPECT_EQ(doc.m_points.m_nImportMark & CPtList::kKeptExisting, CPtList::kKeptExisting);
  EXPECT_EQ(doc.m_points.GetTail()->value, 8.0f);
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathPoint], good);

  // Yes, and a file that cannot be read: the old points stay.
  const std::string before = Snapshot(doc);
  host.messages.clear();
  host.answers.push_back(IDYES);
  EXPECT_EQ(doc.ImportVectors(Write("bad.pnt", "1 3e9 2\n"), 0), 0);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{"移除现有的点吗?", "读取点层出错。"}));
  EXPECT_EQ(Snapshot(doc), before);
  // Called directly, the point import says it in its own words.
  host.messages.clear();
  host.answers.push_back(IDYES);
  EXPECT_EQ(doc.ImportPoints(dir.file("missing.pnt")), 0);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{"移除现有的点吗?", "读取点文件出错。"}));

  host.answers.push_back(IDYES);
  ASSERT_EQ(doc.ImportVectors(good, 0), 1);
  EXPECT_EQ(doc.m_points.GetCount(), 2);
}

TEST_F(ImportFront, LinesAreReplacedOnlyAfterARead) {
  importtest::FillExisting(doc);
  GiveImage(doc);
  exporttest::AddWorldFile(doc);
  const std::string before = Snapshot(doc);
  host.answers.push_back(IDYES);
  EXPECT_EQ(doc.ImportGeoVectors(Write("cut.gen", "1\n500000,4000000\n"), "", GeorefKind::bilinear), 0);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{"移除现有的线段吗?", "读取列表出错。"}));
  EXPECT_EQ(Snapshot(doc), before);
  host.answers.push_back(IDYES);
  ASSERT_EQ(
      doc.ImportGeoVectors(Write("ok.gen", "1\n500000,4000000\n500005,3999990\nEND\nEND\n"), "", GeorefKind::bilinear),
      1);
  EXPECT_EQ(LineDump(doc.m_lines), std::vector<std::string>{"1 0: 0,0 10,20"});
  EXPECT_EQ(doc.m_lines.m_nImportMark, 1);
  EXPECT_EQ(doc.m_importTransform, GeorefKind::worldFile);
}

// Without four control points or a world file the import loads the
// reference file first: a world file converts through its inverse.
TEST_F(ImportFront, GeoreferencedImportLoadsItsReference) {
  GiveImage(doc);
  doc.m_controlPts.AddNew();  // fewer than four
  const std::string tfw = Write("map.tfw", "0.5\n0\n0\n-0.5\n500000\n4000000\n");
  const std::string lines = Write("map.gen", "3\n500010,3999990\n500020,3999980\nEND\nEND\n");
  host.answers.push_back(IDYES);  // the world file replaces the control point
  ASSERT_EQ(doc.ImportGeoVectors(lines, tfw, GeorefKind::bilinear), 1) << ::testing::PrintToString(host.Texts());
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"这新的 TFW 数据将被控制点取代，继续吗?"});
  EXPECT_EQ(doc.m_importTransform, GeorefKind::worldFile);
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathWorldFile], tfw);
  EXPECT_EQ(doc.m_controlPts.GetCount(), 0);
  EXPECT_EQ(LineDump(doc.m_lines), std::vector<std::string>{"3 0: 20,20 40,40"});

  // Control points from a file, then the triangulation.
  CQznDoc cp;
  GiveImage(cp);
  const std::string cpt = Write("map.cpt",
                                "0 0 500000 4000000\n999 0 500499.5 4000000\n999 999 500499.5 3999500.5\n"
                                "0 999 500000 3999500.5\n500 500 500250 3999750\n");
  ASSERT_EQ(cp.ImportGeoVectors(lines, cpt, GeorefKind::triangulation), 1) << ::testing::PrintToString(host.Texts());
  EXPECT_EQ(cp.m_paths[CQznDoc::kPathControlPoints], cpt);
  EXPECT_EQ(cp.m_importTransform, GeorefKind::triangulation);
  ASSERT_EQ(cp.m_lines.GetCount(), 1);
  EXPECT_NEAR(cp.m_lines.GetHead()->m_points[1].x, 40.0f, 1e-3);
  EXPECT_NEAR(cp.m_lines.GetHead()->m_points[1].y, 40.0f, 1e-3);
  // A reference that cannot be loaded ends the import, nothing read.
  CQznDoc none;
  host.messages.clear();
  EXPECT_EQ(none.ImportGeoVectors(lines, dir.file("missing.cpt"), GeorefKind::bilinear), 0);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"读取控制点文件出错。"});
  EXPECT_TRUE(none.m_lines.IsEmpty());
}

// Every format as this system writes it, cut short at many places: a cut
// file either fails with the workspace unchanged, or (where the format has
// no end mark: MIF, SDL) reads as a shorter file. DXF, shapefiles and
// generate text have one and always fail. A changed byte never crashes a
// reader and a failure changes nothing.
TEST_F(ImportFront, CutAndCorruptedFiles) {
  CQznDoc source;
  exporttest::FillSample(source);
  exporttest::AddWorldFile(source);
  double x[4], y[4];
  ASSERT_TRUE(source.m_tfw.GetTransform(x, y, 0));
  const MapTransform map = MapTransform::Polynomial(x, y, 3);
  DxfContent dxf;
  dxf.lines = dxf.points = dxf.notes = dxf.linesIdAsZ = true;
  MifContent mif;
  mif.lines = mif.points = mif.notes = true;
  SdlContent sdl;
  sdl.lines = sdl.points = true;
  ASSERT_EQ(WriteDxfFile(dir.file("s.dxf"), source, map, dxf), WriteResult::ok);
  ASSERT_EQ(WriteMifFile(dir.file("s.mif"), source, map, mif), WriteResult::ok);
  ASSERT_EQ(WriteSdlFile(dir.file("s.sdl"), source, map, nullptr, sdl), WriteResult::ok);
  ASSERT_EQ(CShapeFile(source.m_lines, source.m_extent, map, false).Write(dir.file("s.shp"), true), WriteResult::ok);
  ASSERT_EQ(source.ExportLinesGeo(dir.file("s.gen"), 0), 1);

  // Each file goes into a workspace of its own, made the same way.
  auto workspace = [] {
    auto w = std::make_unique<CQznDoc>();
    importtest::FillExisting(*w);
    exporttest::AddWorldFile(*w);
    GiveImage(*w);
    return w;
  };
  const std::string before = Snapshot(*workspace());
  int imported = 0;
  for (const char* ext : {"dxf", "mif", "sdl", "shp", "gen"}) {
    SCOPED_TRACE(ext);
    const std::vector<std::uint8_t> whole = qzntest::ReadFileBytes(dir.file(std::string("s.") + ext));
    const bool endMark = std::string(ext) != "mif" && std::string(ext) != "sdl";
    auto attempt = [&](const std::vector<std::uint8_t>& bytes, int n, bool cut) {
      const std::string path = dir.file(FormatC("%s-%d.%s", cut ? "cut" : "bad", n, ext));
      qzntest::WriteFileBytes(path, bytes);
      if (std::string(ext) == "mif") std::filesystem::copy_file(dir.file("s.mid"), CompanionPath(path, "mid"));
      if (std::string(ext) == "shp") std::filesystem::copy_file(dir.file("s.dbf"), CompanionPath(path, "dbf"));
      const std::unique_ptr<CQznDoc> w = workspace();
      host.answers.assign(4, IDNO);  // keep the lines
      if (w->ImportGeoVectors(path, "", GeorefKind::worldFile) == 0) {
        EXPECT_EQ(Snapshot(*w), before) << n;
      } else {
        EXPECT_FALSE(cut && endMark) << "a cut file was read: " << n;
        ++imported;
      }
    };
    for (int k = 1; k < 24; ++k) {
      const std::size_t at = whole.size() * k / 24;
      attempt(std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(at)), k, true);
    }
    for (int k = 0; k < 48; ++k) {
      std::vector<std::uint8_t> bytes = whole;
      bytes[(bytes.size() - 1) * k / 47] ^= static_cast<std::uint8_t>(0x55 + k);
      attempt(bytes, k, false);
    }
  }
  EXPECT_GT(imported, 0);
}

}  // namespace
