// Line files: ARC generate written and read back, DXF POLYLINE entities (with
// ezdxf as the reader), XYZ and SDL records, the three coordinate mappings.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "model/chainlist.h"
#include "model/layer.h"
#include "model/writerlinks.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "tests/model/lineops_test_util.h"

using namespace qzn;

namespace {

using lineops::Add;
using qzntest::ReadFileText;
using qzntest::TempDir;
using qzntest::WriteFileText;

// Shifts by (1000, 2000); refuses points left of x = -100.
struct ShiftTransform : IMapTransform {
  int TransformPoint(double x, double y, double& X, double& Y) const override {
    if (x < -100) return 0;
    X = x + 1000.0;
    Y = y + 2000.0;
    return 1;
  }
  int TransformPixel(int x, int y, double& X, double& Y) const override { return TransformPoint(x, y, X, Y); }
};

struct Attributes : IAttributeLookup {
  bool FindTexts(int id, std::string& a, std::string& b) const override {
    if (id != 9) return false;
    a = "road";
    b = "paved";
    return true;
  }
};

std::string Lf(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

TEST(LineFiles, GenerateWithIntegerIDsAndFloatIDs) {
  TempDir dir;
  CChainList list;
  Add(list, {CFPoint(1.0f, 2.0f), CFPoint(3.5f, 4.0f)}, 12.7f);
  Add(list, {{5, 6}, {7, 8}, {9, 10}}, 3);
  list.m_nModified = 1;
  ASSERT_EQ(list.WriteGenerate(dir.file("a.gen"), TRUE), 1);
  EXPECT_EQ(ReadFileText(dir.file("a.gen")),
            "12\r\n1.000000,2.000000\r\n3.500000,4.000000\r\nEND\r\n"
            "3\r\n5.000000,6.000000\r\n7.000000,8.000000\r\n9.000000,10.000000\r\nEND\r\nEND\r\n");
  EXPECT_EQ(list.m_nModified, 1);  // writing is not saving the workspace
  ASSERT_EQ(list.WriteGenerate(dir.file("b.gen"), FALSE), 1);
  EXPECT_EQ(Lf(ReadFileText(dir.file("b.gen"))).substr(0, 10), "12.700000\n");
  EXPECT_EQ(list.WriteGenerate(dir.file("missing/c.gen"), TRUE), 0);
}

TEST(LineFiles, MirroredPixelOutputLeavesTheLinesAlone) {
  TempDir dir;
  CChainList list;
  CChain* c = Add(list, {{1, 0}, {2, 49}});
  const RECT bounds = c->m_rcBounds;
  list.m_nModified = 0;
  const RECT extent{0, 0, 99, 49};
  ASSERT_EQ(list.WriteGenerate(dir.file("f.gen"), TRUE, qzn::MapTransform::FlippedOver(extent)), 1);
  EXPECT_EQ(Lf(ReadFileText(dir.file("f.gen"))), "0\n1.000000,49.000000\n2.000000,0.000000\nEND\nEND\n");
  EXPECT_EQ(c->m_points, (std::vector<CFPoint>{{1, 0}, {2, 49}}));
  EXPECT_TRUE(c->m_rcBounds == bounds);
  EXPECT_EQ(list.m_nModified, 0);
}

TEST(LineFiles, MappedCoordinatesAreComputedInDouble) {
  TempDir dir;
  CChainList list;
  Add(list, {{1, 2}}, 4);
  // X = 0.5 x + 500000.123, Y = -0.5 y + 4000000.456: beyond float precision.
  const double cx[4] = {0.5, 0.0, 500000.123, 0.0}, cy[4] = {0.0, -0.5, 4000000.456, 0.0};
  ASSERT_EQ(list.WriteGenerate(dir.file("m.gen"), TRUE, qzn::MapTransform::Polynomial(cx, cy, 3)), 1);
  EXPECT_EQ(Lf(ReadFileText(dir.file("m.gen"))), "4\n500000.623000,3999999.456000\nEND\nEND\n");

  // Read back with the inverse rows: the pixels come back.
  const double ix[4] = {2.0, 0.0, -1000000.246, 0.0}, iy[4] = {0.0, -2.0, 8000000.912, 0.0};
  CChainList back;
  ASSERT_TRUE(back.ReadLineFileGeo(dir.file("m.gen"), ix, iy, 3));
  ASSERT_EQ(back.GetCount(), 1);
  EXPECT_NEAR(back.GetHead()->GetPoint(0).x, 1.0f, 1e-4);
  EXPECT_NEAR(back.GetHead()->GetPoint(0).y, 2.0f, 1e-4);
}

TEST(LineFiles, ReadersTakeBlankOrCommaSeparatorsCrlfAndALastEndWithoutLineEnd) {
  TempDir dir;
  struct Case {
    const char* text;
    bool complete;
    std::int64_t lines;
    CFPoint second;
  };
  const Case cases[] = {
      {"5\n1 2\n3 4\nEND\nEND\n", true, 1, {3, 4}},
      {"5\r\n1,2\r\n3,4\r\nEND\r\n7\r\n8,9\r\n10,11\r\nEND\r\nEND", true, 2, {3, 4}},
      {"5\n1 2\n3 4\nEND\n6\n7 8\n", false, 1, {3, 4}},  // cut short: the complete line stays
  };
  for (const Case& k : cases) {
    WriteFileText(dir.file("r.gen"), k.text);
    CChainList geo;
    EXPECT_EQ(geo.ReadLineFileGeo(dir.file("r.gen"), nullptr, nullptr, 0), k.complete ? TRUE : FALSE) << k.text;
    ASSERT_EQ(geo.GetCount(), k.lines) << k.text;
    EXPECT_EQ(geo.GetHead()->m_fID, 5.0f);
    EXPECT_EQ(geo.GetHead()->GetPoint(1), k.second);
    CChainList plain;
    EXPECT_TRUE(plain.ReadLineFile(dir.file("r.gen")));
    EXPECT_EQ(plain.GetCount(), k.complete ? k.lines : k.lines + 1) << k.text;
    EXPECT_EQ(plain.GetHead()->GetPoint(1), k.second);
  }
}

TEST(LineFiles, UnreadableFilesAndUnmappablePointsFail) {
  TempDir dir;
  CScriptedHost host;
  CHostScope scope(&host);
  CChainList list;
  EXPECT_FALSE(list.ReadLineFile(dir.file("none.gen")));
  EXPECT_FALSE(list.ReadLineFileTri(dir.file("none.gen"), nullptr));
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0].text, "读取线文件失败。");

  ShiftTransform shift;
  WriteFileText(dir.file("t.gen"), "1\n0,0\nEND\n2\n-500,0\nEND\nEND\n");
  EXPECT_FALSE(list.ReadLineFileTri(dir.file("t.gen"), &shift));
  EXPECT_TRUE(list.IsEmpty());  // nothing half-mapped is kept
  WriteFileText(dir.file("t.gen"), "1\n0,0\n1,1\nEND\nEND\n");
  EXPECT_TRUE(list.ReadLineFileTri(dir.file("t.gen"), &shift));
  EXPECT_EQ(list.GetHead()->GetPoint(1), CFPoint(1001, 2001));

  Add(list, {{-500, 0}, {1, 1}});
  EXPECT_EQ(list.WriteGenerate(dir.file("out.gen"), TRUE, qzn::MapTransform::Triangulation(shift)), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.gen")));
}

TEST(LineFiles, XyzAndSdlRecords) {
  TempDir dir;
  CChainList list;
  Add(list, {{1, 2}, {3, 4}, {5, 6}}, 7);
  Add(list, {{0, 0}, {10, 0}, {10, 10}, {0, 0}}, 9);
  ShiftTransform shift;
  Attributes attrs;
  {
    CTextFileWriter f;
    ASSERT_TRUE(f.Open(dir.file("a.xyz")));
    EXPECT_EQ(list.WriteXyz(f, qzn::MapTransform::Triangulation(shift)), 1);
    ASSERT_TRUE(f.Close());
  }
  EXPECT_EQ(Lf(ReadFileText(dir.file("a.xyz"))),
            "1001.000000 2002.000000 7.000000\n1003.000000 2004.000000 7.000000\n1005.000000 2006.000000 7.000000\n"
            "1000.000000 2000.000000 9.000000\n1010.000000 2000.000000 9.000000\n1010.000000 2010.000000 9.000000\n"
            "1000.000000 2000.000000 9.000000\n");
  {
    CTextFileWriter f;
    ASSERT_TRUE(f.Open(dir.file("a.sdl")));
    EXPECT_EQ(list.WriteSdl(f, &attrs), 1);
    EXPECT_EQ(list.WriteSdl(f, nullptr, qzn::MapTransform::Triangulation(shift)), 1);
    ASSERT_TRUE(f.Close());
  }
  EXPECT_EQ(Lf(ReadFileText(dir.file("a.sdl"))),
            "L, \"Polyline 7\", \"7\", 3\n1.000000,2.000000\n3.000000,4.000000\n5.000000,6.000000\n"
            "P, \"road\", \"9\", \"paved\", 4\n0.000000,0.000000\n10.000000,0.000000\n10.000000,10.000000\n"
            "0.000000,0.000000\n"
            "L, \"Polyline 7\", \"7\", 3\n1001.000000,2002.000000\n1003.000000,2004.000000\n1005.000000,2006.000000\n"
            "\n"
            "P, \"Polygon 9\", \"9\", 4\n1000.000000,2000.000000\n1010.000000,2000.000000\n1010.000000,2010.000000\n"
            "1000.000000,2000.000000\n");
}

TEST(LineFiles, DxfEntitiesReadByEzdxf) {
  TempDir dir;
  CChainList list;
  CLayerList layers;
  CLayer* roads = layers.AddLayer();
  roads->m_strName = "roads";
  Add(list, {{1, 2}, {3, 4}}, 7, 0);
  Add(list, {{10, 20}, {30, 40}, {50, 60}}, 9, roads->m_nID);
  const double cx[4] = {1, 0, 100, 0}, cy[4] = {0, 1, 200, 0};
  {
    CTextFileWriter f;
    ASSERT_TRUE(f.Open(dir.file("a.dxf")));
    f.Write("0\nSECTION\n2\nENTITIES\n");
    EXPECT_EQ(list.WriteDxf(f, qzn::MapTransform::Scaled(2.0, -1.0, 5.0, 100.0), FALSE, &layers), 1);
    EXPECT_EQ(list.WriteDxf(f, qzn::MapTransform::Polynomial(cx, cy, 3), TRUE, &layers), 1);
    f.Write("0\nENDSEC\n0\nEOF\n");
    ASSERT_TRUE(f.Close());
  }
  const std::string text = Lf(ReadFileText(dir.file("a.dxf")));
  // 2D: the POLYLINE head carries no 10/20/30 group.
  EXPECT_NE(text.find("0\nPOLYLINE\n8\n0\n6\nCONTINUOUS\n66\n1\n0\nVERTEX\n"), std::string::npos);
  EXPECT_NE(text.find("66\n1\n10\n0.0\n20\n0.0\n30\n9.000000\n"), std::string::npos);

  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"ezdxf"}), "ezdxf")
  const char* script = R"(
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
for e in doc.modelspace().query("POLYLINE"):
    pts = " ".join("%g,%g,%g" % tuple(v.dxf.location) for v in e.vertices)
    print(e.dxf.layer, e.is_3d_polyline, pts)
)";
  std::string out;
  ASSERT_EQ(lineops::RunPython(dir, script, dir.file("a.dxf"), &out), 0) << out;
  EXPECT_EQ(out,
            "0 False 7,98,0 11,96,0\n"
            "roads False 25,80,0 65,60,0 105,40,0\n"
            "0 False 101,202,7 103,204,7\n"
            "roads False 110,220,9 130,240,9 150,260,9\n");
}

}  // namespace
