// MIF/MID import: the header checks, the objects with their IDs and pens,
// the .mid file found beside the .mif, damaged files refused with the
// workspace unchanged, real data converted by ogr2ogr as OGR reads it, and a
// round trip through the MIF writer.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/mifexport.h"
#include "formats/mifreader.h"
#include "tests/formats/import_test_util.h"

namespace {

using namespace qzn;
using importtest::ImportTest;
using importtest::LineDump;
using importtest::Snapshot;

const char* kHeader =
    "Version 300\nCharset \"WindowsSimpChinese\"\nDelimiter \",\"\nCoordSys NonEarth Units \"m\"\n"
    "Columns 1\n  ID Integer\nData\n\n";

struct MifRead {
  CImportLists work;
  ReadResult result = ReadResult::damaged;
};

class MifReader : public ImportTest {
 protected:
  void Read(const std::string& mif, MifRead& r) {
    CMifReader reader(mif, r.work.lines, r.work.points, r.work.notes, MapTransform::Pixels());
    r.result = reader.Read();
  }
};

TEST_F(MifReader, ObjectsTakeTheirRowsIdsAndPens) {
  Write("a.mif", std::string(kHeader) +
                     "Pline Multiple 2\n  3\n0 0\n1 1\n2 0\n  4\n5 5\n6 6\n7 5\n8 8\n    Pen (0,2,255)\n"
                     "Pline 2\n1 2\n3 4\n    Pen (30,1,16711680)\n    Smooth\n"
                     "Region 2\n  3\n0 0\n4 0\n4 3\n  4\n10 10\n11 10\n11 11\n10 10\n    Pen (3,4,0)\n"
                     "    Brush (2,16777215,16777215)\n    Center 2 1\n"
                     "Line 1 2 3 4\nArc 0 0 10 10\n  0 90\nRect 1 2 5 6\n"
                     "Point 3.5 4.25\n    Symbol (35,0,12)\nNONE\nMultipoint 2\n1 1\n2 2\n");
  Write("a.mid", "11\n22\n33\n44\n55\n66\n77\n88\n99\n");
  MifRead r;
  Read(dir.file("a.mif"), r);
  ASSERT_EQ(r.result, ReadResult::ok);
  EXPECT_EQ(LineDump(r.work.lines), (std::vector<std::string>{
                                        "11 0: 0,0 1,1 2,0",
                                        "11 0: 5,5 6,6 7,5 8,8",
                                        "22 0: 1,2 3,4",
                                        // Rings are closed.
                                        "33 0: 0,0 4,0 4,3 0,0",
                                        "33 0: 10,10 11,10 11,11 10,10",
                                        "44 0: 1,2 3,4",
                                        "55 0: 0,0 10,10",
                                        "66 0: 1,2 5,2 5,6 1,6 1,2",
                                    }));
  // Every section of a multiple polyline and every ring takes the pen:
  // widths held to 1..20, patterns as pen styles, colours from MapInfo's
  // order (red x 65536 + green x 256 + blue).
  std::vector<std::tuple<int, int, COLORREF>> pens;
  for (const CChain* c : r.work.lines) pens.emplace_back(c->m_nWidth, c->m_nPenStyle, c->m_color);
  EXPECT_EQ(pens[0], std::make_tuple(1, PS_SOLID, RGB(0, 0, 255)));
  EXPECT_EQ(pens[1], pens[0]);
  EXPECT_EQ(pens[2], std::make_tuple(20, PS_NULL, RGB(255, 0, 0)));
  EXPECT_EQ(pens[3], std::make_tuple(3, PS_DOT, RGB(0, 0, 0)));
  EXPECT_EQ(pens[4], pens[3]);
  ASSERT_EQ(r.work.points.GetCount(), 3);
  EXPECT_EQ(r.work.points.GetHead()->x, 3.5f);
  EXPECT_EQ(r.work.points.GetHead()->value, 77.0f);
  EXPECT_EQ(r.work.points.GetTail()->value, 99.0f);
}

TEST_F(MifReader, Texts) {
  WriteGbk("t.mif", std::string(kHeader) +
                        "Text \"他说 \"\"好\"\"\"\n  10.4 20.6 50 5\n"
                        "Text\n    \"第二\"\n  1 2 3 4\n    Font (\"Arial\",0,0,0)\n");
  Write("t.mid", "1\n2\n");
  MifRead r;
  Read(dir.file("t.mif"), r);
  ASSERT_EQ(r.result, ReadResult::ok);
  ASSERT_EQ(r.work.notes.GetCount(), 2);
  const CNote* a = r.work.notes.GetHead();
  EXPECT_EQ(a->m_strText, "他说 \"好\"");
  // Corners rounded and in order.
  EXPECT_EQ(a->m_rect.left, 10);
  EXPECT_EQ(a->m_rect.top, 5);
  EXPECT_EQ(a->m_rect.right, 50);
  EXPECT_EQ(a->m_rect.bottom, 21);
  EXPECT_EQ(r.work.notes.GetTail()->m_strText, "第二");
}

// The .mid is the .mif's own name with ".mid" in any case, whatever dots the
// folders hold; without one every ID is 0.
TEST_F(MifReader, TheMidFileBesideIt) {
  std::filesystem::create_directories(dir.path() / "maps.old");
  const std::string body = std::string(kHeader) + "Pline 2\n0 0\n1 1\nPoint 2 2\n";
  Write("maps.old/roads.mif", body);
  Write("maps.old/roads.MID", "5\n6\n");
  Write("maps.mid", "7\n8\n");
  MifRead r;
  Read(dir.file("maps.old/roads.mif"), r);
  ASSERT_EQ(r.result, ReadResult::ok);
  EXPECT_EQ(LineDump(r.work.lines), std::vector<std::string>{"5 0: 0,0 1,1"});
  EXPECT_EQ(r.work.points.GetHead()->value, 6.0f);

  Write("plain.mif", body);
  MifRead none;
  Read(dir.file("plain.mif"), none);
  ASSERT_EQ(none.result, ReadResult::ok);
  EXPECT_EQ(LineDump(none.work.lines), std::vector<std::string>{"0 0: 0,0 1,1"});
  EXPECT_EQ(none.work.points.GetHead()->value, 0.0f);
}

// The declared column lines are passed over: a table of many columns is read.
TEST_F(MifReader, ManyColumns) {
  std::string columns = "Columns 60\n";
  for (int i = 0; i < 60; ++i) columns += FormatC("  c%d Integer\n", i);
  Write("wide.mif", "Version 300\nDelimiter \",\"\n" + columns + "Data\nPoint 1 1\n");
  Write("wide.mid", "42,1,2\n");
  MifRead r;
  Read(dir.file("wide.mif"), r);
  ASSERT_EQ(r.result, ReadResult::ok);
  EXPECT_EQ(r.work.points.GetHead()->value, 42.0f);
}

TEST_F(MifReader, HeaderChecksAreSaid) {
  importtest::FillExisting(doc);
  const std::string before = Snapshot(doc);
  std::string filler;
  for (int i = 0; i < 60; ++i) filler += "CoordSys NonEarth Units \"m\"\n";
  const struct {
    const char* name;
    std::string text;
    std::vector<std::string> messages;
  } cases[] = {
      {"a comment first", "!comment\n" + std::string(kHeader) + "Point 1 1\n", {"这不是地图信息交换文件\n"}},
      {"no Columns", "Version 300\n" + filler + "Columns 1\n  ID Integer\nData\n", {"不能找到专栏项目\n"}},
      {"no Data", "Version 300\nColumns 1\n  ID Integer\n" + filler + "Data\n", {"不能找到数据项目\n"}},
      // Said with an existing text rather than not at all.
      {"a header cut short", "Version 300\nCharset \"Neutral\"\n", {"无效的文件格式。"}},
      {"a polyline cut short", std::string(kHeader) + "Pline 3\n0 0\n1 1\n", {"无效的文件格式。"}},
      {"a vertex that is no pair", std::string(kHeader) + "Pline 2\n0 0\n1 x\n", {"无效的文件格式。"}},
      {"a coordinate that is no number", std::string(kHeader) + "Point nan 1\n", {"无效的文件格式。"}},
      {"a coordinate beyond the int range", std::string(kHeader) + "Point 1e12 1\n", {"无效的文件格式。"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host.messages.clear();
    EXPECT_EQ(doc.ImportVectors(Write("bad.mif", c.text), 0), 0);
    EXPECT_EQ(host.Texts(), c.messages);
    EXPECT_EQ(Snapshot(doc), before);
  }
  // Fewer .mid rows than objects.
  host.messages.clear();
  Write("short.mid", "1\n");
  EXPECT_EQ(doc.ImportVectors(Write("short.mif", std::string(kHeader) + "Point 1 1\nPoint 2 2\n"), 0), 0);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"无效的文件格式。"});
  EXPECT_EQ(Snapshot(doc), before);
}

// After a read everything goes to the current layer; lines take its colour
// and style.
TEST_F(MifReader, ImportPutsEverythingOnTheCurrentLayer) {
  importtest::FillExisting(doc);
  CLayer* current = doc.m_layers.AddLayer();
  current->m_color = RGB(1, 2, 3);
  current->m_nPenStyle = PS_DASH;
  doc.m_layers.SetCurrentLayer(current->m_strName);
  const int id = current->m_nID;
  Write("a.mif", std::string(kHeader) + "Pline 2\n0 0\n300 400\n    Pen (5,2,255)\nPoint 1 1\nText \"x\"\n1 1 5 5\n");
  Write("a.mid", "1\n2\n3\n");
  ASSERT_EQ(doc.ImportVectors(dir.file("a.mif"), 0), 1);
  const CChain* c = doc.m_lines.GetTail();
  EXPECT_EQ(c->m_nLayer, id);
  EXPECT_EQ(c->m_color, RGB(1, 2, 3));
  EXPECT_EQ(c->m_nPenStyle, PS_DASH);
  EXPECT_EQ(c->m_nWidth, 5);
  EXPECT_EQ(c->m_fID, 1.0f);
  EXPECT_EQ(doc.m_points.GetTail()->layer, id);
  EXPECT_EQ(doc.m_points.GetTail()->color, RGB(1, 2, 3));
  EXPECT_EQ(doc.m_notes.GetTail()->m_nID, id);
  EXPECT_EQ(doc.m_lines.GetCount(), 2);
}

// Reads a MIF file with OGR and prints what the import must give: each
// linestring and each polygon ring a line with the first column's number as
// its ID, each point with it as its value, floats as the workspace keeps
// them. Lines before points, as the workspace lists them.
const char* kOgrMif = R"PY(
import sys
import numpy as np
from osgeo import ogr, gdal
gdal.UseExceptions()
def f(v): return "%.9g" % float(np.float32(v))
def number(v):
    try: return float(v)
    except (TypeError, ValueError): return 0.0
ds = ogr.Open(sys.argv[1])
lyr = ds.GetLayer(0)
lines, points = [], []
def rings(g):
    n = g.GetGeometryName()
    if n in ("LINESTRING", "LINEARRING"): yield g
    else:
        for i in range(g.GetGeometryCount()): yield from rings(g.GetGeometryRef(i))
for feat in lyr:
    fid = number(feat.GetField(0))
    g = feat.GetGeometryRef()
    if g.GetGeometryName() == "POINT":
        points.append("P %s %s %s" % (f(g.GetX()), f(g.GetY()), f(fid)))
        continue
    for r in rings(g):
        lines.append("%s: %s" % (f(fid), " ".join(f(r.GetX(i)) + "," + f(r.GetY(i)) for i in range(r.GetPointCount()))))
print("\n".join(lines + points))
)PY";

TEST_F(MifReader, OgrConversionsOfRealData) {
  QZN_REQUIRE_GEO_EXAMPLES();
  for (const char* source : {"rivers.geojson", "nuts1.geojson", "schools.shp"}) {
    SCOPED_TRACE(source);
    const std::string mif = importtest::ConvertExample(dir, source, "MapInfo File", "mif");
    ASSERT_FALSE(mif.empty());
    CQznDoc fresh;
    host.answers.push_back(IDNO);
    ASSERT_EQ(fresh.ImportVectors(mif, 0), 1) << ::testing::PrintToString(host.Texts());
    EXPECT_EQ(importtest::LinesAndPoints(fresh.m_lines, fresh.m_points), importtest::RunOracle(dir, kOgrMif, {mif}));
    EXPECT_GT(fresh.m_lines.GetCount() + fresh.m_points.GetCount(), 2);
  }
}

// Lines, points and notes written by the MIF writer come back with their
// coordinates (at "%f"), IDs and pens.
TEST_F(MifReader, RoundTripThroughTheWriter) {
  exporttest::FillSample(doc);
  for (CChain* c : doc.m_lines) {
    c->m_nWidth = 3;
    c->m_nPenStyle = PS_DASHDOT;
  }
  MifContent what;
  what.lines = what.points = what.notes = true;
  const std::string path = dir.file("round.mif");
  ASSERT_EQ(WriteMifFile(path, doc, MapTransform::Pixels(), what), WriteResult::ok);
  MifRead r;
  Read(path, r);
  ASSERT_EQ(r.result, ReadResult::ok);
  importtest::ExpectSameLines(doc.m_lines, r.work.lines);
  for (POSITION a = doc.m_lines.GetHeadPosition(), b = r.work.lines.GetHeadPosition(); a && b;) {
    const CChain* want = doc.m_lines.GetNext(a);
    const CChain* got = r.work.lines.GetNext(b);
    EXPECT_EQ(std::make_tuple(got->m_nWidth, got->m_nPenStyle, got->m_color),
              std::make_tuple(3, int{PS_DASHDOT}, want->m_color));
  }
  ASSERT_EQ(r.work.points.GetCount(), doc.m_points.GetCount());
  EXPECT_EQ(r.work.points.GetHead()->x, doc.m_points.GetHead()->x);
  EXPECT_EQ(r.work.points.GetHead()->value, doc.m_points.GetHead()->value);
  ASSERT_EQ(r.work.notes.GetCount(), 1);
  EXPECT_EQ(r.work.notes.GetHead()->m_strText, doc.m_notes.GetHead()->m_strText);
  const RECT got = r.work.notes.GetHead()->m_rect, want = doc.m_notes.GetHead()->m_rect;
  EXPECT_EQ(std::make_tuple(got.left, got.top, got.right, got.bottom),
            std::make_tuple(want.left, want.top, want.right, want.bottom));
}

}  // namespace
