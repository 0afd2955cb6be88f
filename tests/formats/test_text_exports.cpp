// The plain text exports pinned byte for byte: SDL with and without an
// attribute file, the attribute file reader, ARC generate lines and points,
// and XYZ.
#include <gtest/gtest.h>

#include "formats/arcexport.h"
#include "formats/attributelist.h"
#include "formats/sdlexport.h"
#include "platform/textfile.h"
#include "tests/formats/export_test_util.h"

namespace {

using namespace qzn;

using exporttest::ExportTest;
using qzntest::ReadFileText;
using qzntest::WriteFileText;

// The file as the program wrote it: code page 936, CRLF line ends.
std::string Stored(const std::string& text) {
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return Utf8ToGbk(crlf);
}

TEST(AttributeList, ReadsGroupsUpToEndInAnyLineForm) {
  qzntest::TempDir dir;
  CScriptedHost host;
  CHostScope scope(&host);
  const std::string longText(3000, 'x');
  const struct {
    const char* name;
    std::string text;
    int result;
    std::vector<int> ids;
  } cases[] = {
      {"header inside other text, CRLF",
       Stored("# TARVIK DATACO ATTRIBUTE FILE v2\n12\n公路\n沥青\n7\na\nb\nEND\n"),
       1,
       {12, 7}},
      {"group cut short by END", Stored("TARVIK DATACO ATTRIBUTE FILE\n12\n公路\n沥青\n7\na\nEND\n"), 1, {12}},
      {"last line without a line end", "TARVIK DATACO ATTRIBUTE FILE\n3\n" + longText + "\nlast", 1, {3}},
      {"a line that is no ID ends the groups", "TARVIK DATACO ATTRIBUTE FILE\n3\na\nb\nnext\n4\nc\nd\n", 1, {3}},
      {"no groups", "TARVIK DATACO ATTRIBUTE FILE\nEND\n", 1, {}},
      {"wrong header", "SOMETHING ELSE\n3\na\nb\n", 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileText(dir.file("a.sda"), c.text);
    qzn::CAttributeList list;
    EXPECT_EQ(list.ReadFile(dir.file("a.sda")), c.result);
    std::vector<int> ids;
    for (std::int64_t i = 0; i < list.GetCount(); ++i) ids.push_back(list.GetAt(i).id);
    EXPECT_EQ(ids, c.ids);
  }
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"无效的文件格式。"});

  qzn::CAttributeList list;
  WriteFileText(dir.file("a.sda"), "TARVIK DATACO ATTRIBUTE FILE\n3\n" + longText + "\nlast");
  ASSERT_EQ(list.ReadFile(dir.file("a.sda")), 1);
  EXPECT_EQ(list.FindByID(3)->first, longText);
  EXPECT_EQ(list.FindByID(3)->second, "last");
  // Two records of one ID: the first counts.
  list.Add(3, "second", "x");
  EXPECT_EQ(list.FindByID(3)->first, longText);
  EXPECT_EQ(list.FindByID(4), nullptr);
  EXPECT_EQ(list.ReadFile(dir.file("missing.sda")), 0);
}

TEST_F(ExportTest, SdlInPixelsWithMergedAttributes) {
  WriteFileText(dir.file("names.sda"),
                Stored("TARVIK DATACO ATTRIBUTE FILE\n12\n公路\n沥青\n123\n高程点\n测量\nEND\n"));
  doc.m_paths[CQznDoc::kPathAttributes] = dir.file("names.sda");
  options.sdl = [](qzn::SdlOutputOptions& o) {
    EXPECT_EQ(o.merge, 1);  // a remembered attribute file is merged
    EXPECT_EQ(o.mode, 0);
  };
  const std::string before = exporttest::Snapshot(doc);
  ASSERT_EQ(qzn::ExportSdl(doc, dir.file("plan.sdl")), 1);
  EXPECT_EQ(exporttest::Snapshot(doc), before);
  EXPECT_EQ(
      ReadFileText(dir.file("plan.sdl")),
      Stored(";Tarvik Dataco QZN 输出 SDL 文件。\n"
             ";坐标为图像像素 (x 向右, y 向下)。\n"
             "L, \"公路\", \"12\", \"沥青\", 3\n10.500000,20.250000\n200.000000,300.000000\n400.125000,50.000000\n"
             "P, \"Polygon 100\", \"100\", 5\n100.000000,100.000000\n100.000000,400.000000\n"
             "300.000000,400.000000\n300.000000,100.000000\n100.000000,100.000000\n"
             "L, \"Polyline -7\", \"-7\", 2\n900.000000,700.000000\n950.500000,780.750000\n"
             "M, \"高程点\", \"123\", \"测量\", 1\n50,60\n"
             "M, \"Point -3\", \"-3\", 1\n700,700\n"
             "M, \"高程 \"A\"\", \"0000\", 1\n100,200\n"));
  EXPECT_EQ(doc.m_nSpareWord, -1);
}

TEST_F(ExportTest, SdlThroughTheControlPointsRemembersTheChoice) {
  exporttest::AddControlPoints(doc);
  options.sdl = [](qzn::SdlOutputOptions& o) {
    EXPECT_EQ(o.mode, 1);
    o.lines = o.text = 0;
  };
  ASSERT_EQ(qzn::ExportSdl(doc, dir.file("map.sdl")), 1);
  EXPECT_EQ(ReadFileText(dir.file("map.sdl")), Stored(";Tarvik Dataco QZN 输出 SDL 文件。\n;坐标为地图坐标。\n"
                                                      "M, \"Point 123\", \"123\", 1\n500025.250000,3999969.875000\n"
                                                      "M, \"Point -3\", \"-3\", 1\n500350.000000,3999650.000000\n"));
  EXPECT_EQ(doc.m_nSpareWord, 0);
}

TEST_F(ExportTest, GenerateLinesFlippedAndPointsThroughTheWorldFile) {
  options.arcPnt = [](qzn::ArcPntExportOptions& o) { o.mode = 4; };
  const std::string before = exporttest::Snapshot(doc);
  ASSERT_EQ(qzn::ExportArcLines(doc, dir.file("lines.gen")), 1);
  EXPECT_EQ(exporttest::Snapshot(doc), before);
  EXPECT_EQ(ReadFileText(dir.file("lines.gen")),
            Stored("12\n10.500000,778.750000\n200.000000,499.000000\n400.125000,749.000000\nEND\n"
                   "100\n100.000000,699.000000\n100.000000,399.000000\n300.000000,399.000000\n"
                   "300.000000,699.000000\n100.000000,699.000000\nEND\n"
                   "-7\n900.000000,99.000000\n950.500000,18.250000\nEND\nEND\n"));
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathVector], "");  // a flipped file is not the workspace's vector file

  exporttest::AddWorldFile(doc);
  options.arcPnt = [](qzn::ArcPntExportOptions& o) {
    EXPECT_EQ(o.mode, 3);
    o.integerIds = 0;
  };
  ASSERT_EQ(qzn::ExportArcPoints(doc, dir.file("spots.pnt")), 1);
  EXPECT_EQ(ReadFileText(dir.file("spots.pnt")),
            Stored("123.500000,500025.250000,3999969.875000\n-3.000000,500350.000000,3999650.000000\nEND\n"));
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathPoint], dir.file("spots.pnt"));
  EXPECT_EQ(doc.m_nSpareWord, 2);
}

TEST_F(ExportTest, XyzHoldsLinesThenPoints) {
  options.xyz = [](qzn::XyzOptions& o) { EXPECT_EQ(o.mode, -1); };
  ASSERT_EQ(qzn::ExportXyz(doc, dir.file("all.xyz")), 1);
  EXPECT_EQ(ReadFileText(dir.file("all.xyz")),
            Stored("10.500000 20.250000 12.500000\n200.000000 300.000000 12.500000\n400.125000 50.000000 12.500000\n"
                   "100.000000 100.000000 100.000000\n100.000000 400.000000 100.000000\n"
                   "300.000000 400.000000 100.000000\n300.000000 100.000000 100.000000\n"
                   "100.000000 100.000000 100.000000\n"
                   "900.000000 700.000000 -7.000000\n950.500000 780.750000 -7.000000\n"
                   "50.500000 60.250000 123.500000\n700.000000 700.000000 -3.000000\n"));
}

}  // namespace
