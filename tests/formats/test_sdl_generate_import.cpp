// SDL and ARC generate import: the records as the reader takes them, the
// attribute file beside the SDL file, cut files refused with the workspace
// unchanged, and round trips through the writers.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/sdlexport.h"
#include "formats/sdlimport.h"
#include "tests/formats/import_test_util.h"

namespace {

using namespace qzn;
using importtest::ImportTest;
using importtest::LineDump;
using importtest::Snapshot;

std::string Fixture(const std::string& name) {
  return qzntest::ReadFileText(qzntest::SourcePath("tests/fixtures/damaged/readers/" + name));
}

class SdlImport : public ImportTest {
 protected:
  void SetUp() override {
    ImportTest::SetUp();
    // An image, so that no extent question comes between.
    importtest::GiveImage(doc);
  }
};

TEST_F(SdlImport, RecordsBecomePointsAndLines) {
  const std::string longName(3000, 'n');
  const std::string path =
      WriteGbk("a.sdl",
               ";Tarvik Dataco 文件\n! another comment\n\n"
               "M, \"高程点\", \"42\", \"第二\", 1\n120.5,80.25\n"
               "L, \"road\", \"7\", 3\n0,0\n10,0\n10,10\n"
               // Ten vertices, the fifth repeating the first: a closed ring,
               // then a line of the other five.
               "P, \"" +
                   longName +
                   "\", \"9\", \"x\", 10\n0,0\n4,0\n4,4\n0,4\n0,0\n20,20\n30,20\n30,30\n20,30\n25,25\n"
                   "Q, \"not a record\", \"1\", 1\n");
  ASSERT_EQ(ImportSdl(doc, path, MapTransform::Pixels()), 1);
  EXPECT_TRUE(host.messages.empty());
  ASSERT_EQ(doc.m_points.GetCount(), 1);
  const CPointRec* p = doc.m_points.GetHead();
  EXPECT_EQ(std::make_tuple(p->x, p->y, p->value, p->size, p->color),
            std::make_tuple(120.5f, 80.25f, 42.0f, 4, COLORREF{255}));
  EXPECT_EQ(LineDump(doc.m_lines), (std::vector<std::string>{"7 0: 0,0 10,0 10,10", "9 0: 0,0 4,0 4,4 0,4 0,0",
                                                             "9 0: 20,20 30,20 30,30 20,30 25,25"}));
  // The texts beside the SDL file: the header, three lines a record, END.
  const std::string sda = dir.file("a.sda");
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathAttributes], sda);
  EXPECT_EQ(
      GbkToUtf8(qzntest::ReadFileText(sda)),
      "TARVIK DATACO ATTRIBUTE FILE\r\n42\r\n高程点\r\n第二\r\n7\r\nroad\r\n\r\n9\r\n" + longName + "\r\nx\r\nEND\r\n");
}

// The attribute file goes beside the SDL file, never over one the workspace
// remembers (chosen to merge into an export).
TEST_F(SdlImport, AttributeFileBesideTheSdlFile) {
  const std::string chosen = Write("chosen.sda", "TARVIK DATACO ATTRIBUTE FILE\n1\na\nb\nEND\n");
  doc.m_paths[CQznDoc::kPathAttributes] = chosen;
  const std::string path = Write("B.SDL", "M, \"p\", \"3\", 1\n1,2\n");
  ASSERT_EQ(ImportSdl(doc, path, MapTransform::Pixels()), 1);
  EXPECT_EQ(qzntest::ReadFileText(chosen), "TARVIK DATACO ATTRIBUTE FILE\n1\na\nb\nEND\n");
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathAttributes], chosen);
  EXPECT_TRUE(std::filesystem::exists(dir.file("B.SDA")));
}

TEST_F(SdlImport, CutFilesChangeNothing) {
  importtest::FillExisting(doc);
  const std::string before = Snapshot(doc);
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"a polyline cut short", "L, \"a\", \"1\", 3\n0,0\n1,1\n"},
      {"a marker without its position", "L, \"a\", \"1\", 2\n0,0\n1,1\nM, \"b\", \"2\", 1\n"},
      {"a coordinate beyond the int range", "L, \"a\", \"1\", 2\n0,0\n1e20,1\n"},
      {"a record cut inside its last vertex line", Fixture("sdl/cut-mid-line-in-record.sdl")},
      // A record header that does not parse would drop the record and its
      // vertex lines without a word.
      {"a record header without its count", "L, \"a\", \"1\", 2\n0,0\n1,1\nL, \"no count\", \"5\"\n"},
      {"a record whose ID is no number, between good ones", Fixture("sdl/bad-record-header-mid-file.sdl")},
      {"a file cut inside a record header", Fixture("sdl/cut-inside-record-header.sdl")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host.messages.clear();
    std::filesystem::remove(dir.file("bad.sda"));
    EXPECT_EQ(doc.ImportVectors(Write("bad.sdl", c.text), 0), 0);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"SDL 文件读取错误。"});
    EXPECT_EQ(Snapshot(doc), before);
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.sda")));
  }
  host.messages.clear();
  EXPECT_EQ(doc.ImportVectors(dir.file("missing.sdl"), 0), 0);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"不能打开这个文件。"});
  EXPECT_EQ(Snapshot(doc), before);
}

// Lines and points written by the SDL writer in map units come back through
// the same world file (points with their whole IDs as values), and the
// georeferenced failure is said.
TEST_F(SdlImport, RoundTripThroughTheWriter) {
  exporttest::FillSample(doc);
  exporttest::AddWorldFile(doc);
  double x[4], y[4];
  ASSERT_TRUE(doc.m_tfw.GetTransform(x, y, 0));
  SdlContent what;
  what.lines = what.points = true;
  const std::string path = dir.file("round.sdl");
  ASSERT_EQ(WriteSdlFile(path, doc, MapTransform::Polynomial(x, y, 3), nullptr, what), WriteResult::ok);
  CQznDoc back;
  back.m_tfw = doc.m_tfw;
  importtest::GiveImage(back);
  ASSERT_EQ(back.ImportGeoVectors(path, "", GeorefKind::bilinear), 1);
  ASSERT_EQ(back.m_lines.GetCount(), doc.m_lines.GetCount());
  for (POSITION a = doc.m_lines.GetHeadPosition(), b = back.m_lines.GetHeadPosition(); a && b;) {
    const CChain* want = doc.m_lines.GetNext(a);
    const CChain* got = back.m_lines.GetNext(b);
    EXPECT_EQ(got->m_fID, static_cast<float>(static_cast<int>(want->m_fID)));
    ASSERT_EQ(got->GetCount(), want->GetCount());
    for (std::int64_t i = 0; i < want->GetCount(); ++i) {
      EXPECT_NEAR(got->m_points[i].x, want->m_points[i].x, 1e-4);
      EXPECT_NEAR(got->m_points[i].y, want->m_points[i].y, 1e-4);
    }
  }
  ASSERT_EQ(back.m_points.GetCount(), 2);
  EXPECT_NEAR(back.m_points.GetHead()->x, 50.5f, 1e-4);
  EXPECT_EQ(back.m_points.GetHead()->value, 123.0f);
  EXPECT_EQ(back.m_lines.m_nImportMark, 1);
  EXPECT_EQ(back.m_points.m_nImportMark & CPtList::kImportedFromMap, CPtList::kImportedFromMap);

  host.messages.clear();
  EXPECT_EQ(back.ImportGeoVectors(Write("cut.sdl", "L, \"a\", \"1\", 3\n500000,4000000\n"), "", GeorefKind::bilinear),
            0);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"SDL 文件读取错误。"});
}

class GenerateImport : public SdlImport {};

TEST_F(GenerateImport, LinesTakeTheCurrentLayerAndMayReplace) {
  importtest::FillExisting(doc);
  CLayer* layer = doc.m_layers.AddLayer();
  layer->m_color = RGB(7, 7, 7);
  doc.m_layers.SetCurrentLayer(layer->m_strName);
  const std::string path = Write("a.txt", "5\n1.5,2.5\n3,4\nEND\n6\n7,8\nEND\n9\n1,1\n2,2\nEND\nEND\n");
  ASSERT_EQ(doc.ImportVectors(path, 0), 1);
  // The single-vertex line is tidied away.
  EXPECT_EQ(LineDump(doc.m_lines),
            (std::vector<std::string>{"3 0: 1,2 30,40", FormatC("5 %d: 1.5,2.5 3,4", layer->m_nID),
                                      FormatC("9 %d: 1,1 2,2", layer->m_nID)}));
  EXPECT_EQ(doc.m_lines.GetTail()->m_color, RGB(7, 7, 7));
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathVector], path);
  ASSERT_EQ(doc.ImportVectors(path, 1), 1);
  EXPECT_EQ(doc.m_lines.GetCount(), 2);
}

TEST_F(GenerateImport, CutFilesChangeNothing) {
  importtest::FillExisting(doc);
  const std::string before = Snapshot(doc);
  // Cut files, a coordinate beyond the pixels, an ID of "nan" or beyond the
  // float range.
  for (const std::string& text :
       {std::string("5\n1,2\n3,4\nEND\n6\n7,8\n"), std::string("5\n1,2\n3,4\nEND\n"), std::string(),
        std::string("5\n1,2\n1e30,4\nEND\nEND\n"), Fixture("gen/nan-id.gen"), Fixture("gen/overflow-id.gen")}) {
    SCOPED_TRACE(text);
    host.messages.clear();
    // Replace is asked for: it too waits for a whole file.
    EXPECT_EQ(doc.ImportVectors(Write("cut.gen", text), 1), 0);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"读取列表出错。"});
    EXPECT_EQ(Snapshot(doc), before);
  }
  host.messages.clear();
  EXPECT_EQ(doc.ImportVectors(dir.file("missing.gen"), 0), 0);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"读取列表出错。"});
}

TEST_F(GenerateImport, RoundTripThroughTheWriter) {
  exporttest::FillSample(doc);
  const std::string path = dir.file("round.gen");
  ASSERT_EQ(doc.ExportLines(path, 0), 1);
  CQznDoc back;
  importtest::GiveImage(back);
  ASSERT_EQ(back.ImportVectors(path, 0), 1);
  ASSERT_EQ(back.m_lines.GetCount(), doc.m_lines.GetCount());
  for (POSITION a = doc.m_lines.GetHeadPosition(), b = back.m_lines.GetHeadPosition(); a && b;) {
    const CChain* want = doc.m_lines.GetNext(a);
    const CChain* got = back.m_lines.GetNext(b);
    // Generate text keeps whole IDs and six decimals.
    EXPECT_EQ(got->m_fID, static_cast<float>(static_cast<int>(want->m_fID)));
    EXPECT_EQ(got->m_points, want->m_points);
  }
}

}  // namespace
