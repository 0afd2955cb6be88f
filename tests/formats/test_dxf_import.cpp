// DXF import: the entities and the layer table as the reader takes them,
// damaged files refused with the workspace unchanged, ezdxf's R12 and R2000
// drawings as OGR reads them, and round trips through the DXF writer.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "formats/dxfexport.h"
#include "formats/dxfreader.h"
#include "tests/formats/import_test_util.h"

namespace {

using namespace qzn;
using importtest::ImportTest;
using importtest::LineDump;
using importtest::Snapshot;

// An ENTITIES section (groups written one a line, "code\nvalue\n"), with an
// optional TABLES section before it, ended by EOF.
std::string Dxf(const std::string& entities, const std::string& tables = "") {
  std::string s = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n0\nENDSEC\n";
  if (!tables.empty()) s += "0\nSECTION\n2\nTABLES\n" + tables + "0\nENDSEC\n";
  return s + "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

struct DxfRead {
  CImportLists work;
  CLayerList layers;
  ReadResult result = ReadResult::damaged;
  bool layersUsed = false;
};

void ReadDxf(const std::string& path, DxfRead& r, bool useLayers = true) {
  CDxfReader reader(path, r.work.lines, r.work.points, r.work.notes, r.layers, useLayers, MapTransform::Pixels());
  r.result = reader.Read();
  r.layersUsed = reader.LayersUsed();
}

class DxfReader : public ImportTest {};

TEST_F(DxfReader, EntitiesBecomeLinesPointsAndNotes) {
  const struct {
    const char* name;
    std::string entities;
    std::vector<std::string> lines;
  } cases[] = {
      // The polyline's own point is never a vertex; every VERTEX point is,
      // one at the origin too.
      {"header at the origin",
       "0\nPOLYLINE\n8\n0\n66\n1\n10\n0\n20\n0\n0\nVERTEX\n10\n0\n20\n0\n0\nVERTEX\n10\n10\n20\n0\n"
       "0\nVERTEX\n10\n10\n20\n10\n0\nSEQEND\n",
       {"0 0: 0,0 10,0 10,10"}},
      {"header elsewhere",
       "0\nPOLYLINE\n8\n0\n66\n1\n10\n5\n20\n5\n0\nVERTEX\n10\n1\n20\n1\n0\nVERTEX\n10\n2\n20\n2\n"
       "0\nVERTEX\n10\n3\n20\n1\n0\nSEQEND\n",
       {"0 0: 1,1 2,2 3,1"}},
      // The closed flag is the polyline's own; the vertices' flags do not
      // overwrite it.
      {"closed polyline",
       "0\nPOLYLINE\n8\n0\n70\n1\n0\nVERTEX\n10\n0\n20\n0\n70\n32\n0\nVERTEX\n10\n4\n20\n0\n70\n32\n"
       "0\nVERTEX\n10\n4\n20\n3\n70\n32\n0\nSEQEND\n",
       {"0 0: 0,0 4,0 4,3 0,0"}},
      // A 2D polyline's elevation is its ID; a 3D one's first vertex height.
      {"2D elevation and 3D heights",
       "0\nPOLYLINE\n8\n0\n10\n0\n20\n0\n30\n250\n0\nVERTEX\n10\n1\n20\n1\n0\nVERTEX\n10\n2\n20\n2\n0\nSEQEND\n"
       "0\nPOLYLINE\n8\n0\n70\n8\n10\n0\n20\n0\n30\n0\n0\nVERTEX\n10\n1\n20\n1\n30\n17.5\n0\nVERTEX\n10\n2\n20\n2\n30\n17.5\n"
       "0\nSEQEND\n",
       {"250 0: 1,1 2,2", "17.5 0: 1,1 2,2"}},
      {"line with elevation", "0\nLINE\n8\n0\n10\n1\n20\n2\n30\n125.0\n11\n3\n21\n4\n31\n125.0\n", {"125 0: 1,2 3,4"}},
      {"light-weight polyline",
       "0\nLWPOLYLINE\n8\n0\n90\n3\n70\n1\n38\n7\n10\n0\n20\n0\n10\n5\n20\n5\n10\n9\n20\n1\n",
       {"7 0: 0,0 5,5 9,1 0,0"}},
      // The square around the circle, centred on it.
      {"circle", "0\nCIRCLE\n8\n0\n10\n100\n20\n100\n40\n10\n", {"0 0: 90,90 110,90 110,110 90,110 90,90"}},
      {"arc", "0\nARC\n8\n0\n10\n100\n20\n50\n40\n10\n50\n180\n51\n0\n", {"0 0: 90,50 110,50"}},
      {"nothing from these",
       "0\nINSERT\n8\n0\n2\nBLK\n10\n1\n20\n1\n0\n3DFACE\n8\n0\n10\n0\n20\n0\n11\n1\n21\n0\n12\n1\n22\n1\n13\n0\n23\n1\n"
       "0\nOBEJECT\n10\n1\n20\n1\n11\n2\n21\n2\n0\nLINE\n8\n0\n10\n1\n20\n1\n",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DxfRead r;
    ReadDxf(Write("a.dxf", Dxf(c.entities)), r);
    ASSERT_EQ(r.result, ReadResult::ok);
    EXPECT_EQ(LineDump(r.work.lines), c.lines);
  }
}

TEST_F(DxfReader, ArcEndsAreExact) {
  DxfRead r;
  ReadDxf(Write("a.dxf", Dxf("0\nARC\n8\n0\n10\n0\n20\n0\n40\n1000\n50\n30\n51\n120\n")), r);
  ASSERT_EQ(r.work.lines.GetCount(), 1);
  const CChain* c = r.work.lines.GetHead();
  ASSERT_EQ(c->GetCount(), 2);
  const double kPi = std::acos(-1.0);
  EXPECT_FLOAT_EQ(c->m_points[0].x, static_cast<float>(1000 * std::cos(kPi / 6)));
  EXPECT_FLOAT_EQ(c->m_points[0].y, 500.0f);
  EXPECT_FLOAT_EQ(c->m_points[1].x, -500.0f);
  EXPECT_FLOAT_EQ(c->m_points[1].y, static_cast<float>(1000 * std::sin(2 * kPi / 3)));
}

// Height, width, angles and text belong to one entity: a TEXT height is not
// the next polyline's pen width, a polyline's own width is.
TEST_F(DxfReader, ValuesDoNotCarryOverToTheNextEntity) {
  DxfRead r;
  const std::string table = "0\nTABLE\n2\nLAYER\n70\n1\n0\nLAYER\n2\n0\n62\n7\n0\nENDTAB\n";
  ReadDxf(Write("a.dxf", Dxf("0\nTEXT\n8\n0\n10\n5\n20\n6\n40\n15\n1\nA\n"
                             "0\nPOLYLINE\n8\n0\n0\nVERTEX\n10\n0\n20\n0\n0\nVERTEX\n10\n1\n20\n1\n0\nSEQEND\n"
                             "0\nPOLYLINE\n8\n0\n40\n4\n0\nVERTEX\n10\n0\n20\n0\n0\nVERTEX\n10\n1\n20\n1\n0\nSEQEND\n"
                             "0\nTEXT\n8\n0\n10\n5\n20\n6\n",
                             table)),
          r);
  ASSERT_EQ(r.result, ReadResult::ok);
  ASSERT_EQ(r.work.lines.GetCount(), 2);
  EXPECT_EQ(r.work.lines.GetHead()->m_nWidth, 1);
  EXPECT_EQ(r.work.lines.GetTail()->m_nWidth, 4);
  ASSERT_EQ(r.work.notes.GetCount(), 2);
  EXPECT_EQ(r.work.notes.GetHead()->m_strText, "A");
  EXPECT_EQ(r.work.notes.GetTail()->m_strText, "");
}

TEST_F(DxfReader, PointsAndTexts) {
  DxfRead r;
  ReadDxf(Write("a.dxf", Dxf(Utf8ToGbk("0\nPOINT\n8\n0\n10\n3.25\n20\n4\n30\n9\n0\nPOINT\n8\n0\n10\n1\n20\n2\n"
                                       "0\nTEXT\n8\n0\n10\n10.4\n20\n20.6\n40\n2.5\n1\n高程 A\n"))),
          r);
  ASSERT_EQ(r.result, ReadResult::ok);
  ASSERT_EQ(r.work.points.GetCount(), 2);
  EXPECT_EQ(r.work.points.GetHead()->x, 3.25f);
  EXPECT_EQ(r.work.points.GetHead()->value, 9.0f);
  EXPECT_EQ(r.work.points.GetTail()->value, 0.0f);
  ASSERT_EQ(r.work.notes.GetCount(), 1);
  const CNote* n = r.work.notes.GetHead();
  EXPECT_EQ(n->m_strText, "高程 A");
  // Placed at the rounded insertion point, 5 pixels a stored byte, 20 high.
  EXPECT_EQ(n->m_rect.left, 10);
  EXPECT_EQ(n->m_rect.top, 21);
  EXPECT_EQ(n->m_rect.right, 10 + 5 * 6);
  EXPECT_EQ(n->m_rect.bottom, 41);
}

TEST_F(DxfReader, LayerTable) {
  const std::string line = "0\nLINE\n8\n%s\n10\n0\n20\n0\n11\n1\n21\n1\n";
  auto onLayer = [&](const char* name) { return FormatC(line.c_str(), name); };
  {
    SCOPED_TRACE("a table without layer 0: it is added, one layer is current");
    DxfRead r;
    const std::string table =
        "0\nTABLE\n2\nLAYER\n70\n2\n0\nLAYER\n2\nroads\n62\n1\n0\nLAYER\n2\nrivers\n62\n-5\n0\nENDTAB\n";
    ReadDxf(Write("a.dxf", Dxf(onLayer("RIVERS") + onLayer("lakes"), table)), r);
    ASSERT_EQ(r.result, ReadResult::ok);
    ASSERT_EQ(r.layers.GetCount(), 3);
    EXPECT_EQ(r.layers.GetAt(0).m_strName, "0");
    EXPECT_EQ(r.layers.GetAt(1).m_strName, "roads");
    EXPECT_EQ(r.layers.GetAt(1).m_color, RGB(255, 0, 0));
    // A layer that is off keeps its colour.
    EXPECT_EQ(r.layers.GetAt(2).m_color, RGB(0, 0, 255));
    int current = 0;
    for (const CLayer& l : r.layers.m_layers) current += l.IsCurrent() ? 1 : 0;
    EXPECT_EQ(current, 1);
    EXPECT_TRUE(r.layers.GetAt(1).IsCurrent());
    // By name without case; a name the table lacks goes to the first layer.
    EXPECT_EQ(LineDump(r.work.lines), (std::vector<std::string>{FormatC("0 %d: 0,0 1,1", r.layers.GetAt(2).m_nID),
                                                                FormatC("0 %d: 0,0 1,1", r.layers.GetAt(0).m_nID)}));
  }
  {
    SCOPED_TRACE("newer files: handle and subclass before the count");
    DxfRead r;
    const std::string table =
        "0\nTABLE\n2\nLAYER\n5\n2\n330\n0\n100\nAcDbSymbolTable\n70\n1\n0\nLAYER\n5\n10\n330\n2\n100\n"
        "AcDbSymbolTableRecord\n100\nAcDbLayerTableRecord\n2\nroads\n70\n0\n62\n3\n6\nCONTINUOUS\n0\nENDTAB\n";
    ReadDxf(Write("a.dxf", Dxf(onLayer("roads"), table)), r);
    ASSERT_EQ(r.result, ReadResult::ok);
    EXPECT_TRUE(r.layersUsed);
    ASSERT_EQ(r.layers.GetCount(), 2);
    EXPECT_EQ(r.layers.GetAt(1).m_strName, "roads");
    EXPECT_EQ(r.work.lines.GetHead()->m_nLayer, r.layers.GetAt(1).m_nID);
  }
  for (const char* count : {"0", "-1"}) {
    SCOPED_TRACE(std::string("a LAYER table with count ") + count + " turns layer handling off");
    DxfRead r;
    r.layers.AddLayer()->m_strName = "mine";
    const std::string table = std::string("0\nTABLE\n2\nLAYER\n70\n") + count + "\n0\nLAYER\n2\nmine\n0\nENDTAB\n";
    ReadDxf(Write("a.dxf", Dxf(onLayer("mine"), table)), r);
    ASSERT_EQ(r.result, ReadResult::ok);
    EXPECT_FALSE(r.layersUsed);
    EXPECT_EQ(r.layers.GetCount(), 2);
    EXPECT_EQ(r.work.lines.GetHead()->m_nLayer, 0);
  }
  {
    SCOPED_TRACE("no TABLES section: the layers stay, elements go to them by name");
    DxfRead r;
    CLayer* mine = r.layers.AddLayer();
    mine->m_strName = "mine";
    const int id = mine->m_nID;
    ReadDxf(Write("a.dxf", Dxf(onLayer("MINE"))), r);
    ASSERT_EQ(r.result, ReadResult::ok);
    EXPECT_EQ(r.layers.GetCount(), 2);
    EXPECT_EQ(r.work.lines.GetHead()->m_nLayer, id);
  }
}

// Damaged files fail with one message and change nothing: not the lists,
// the layers, the extent nor the paths.
TEST_F(DxfReader, DamagedFilesChangeNothing) {
  importtest::FillExisting(doc);
  const std::string good = Dxf("0\nLINE\n8\n0\n10\n1\n20\n2\n11\n3\n21\n4\n0\nLINE\n8\n0\n10\n5\n20\n6\n11\n7\n21\n8\n",
                               "0\nTABLE\n2\nLAYER\n70\n1\n0\nLAYER\n2\nother\n0\nENDTAB\n");
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"a group code that is no number",
       [&] {
         std::string s = good;
         s.replace(s.find("11\n3"), 2, "1l");
         return s;
       }()},
      {"ends before EOF", good.substr(0, good.find("0\nENDSEC\n0\nEOF"))},
      {"ends inside an entity", good.substr(0, good.find("11\n7"))},
      {"a code without its value", good.substr(0, good.size() - 4)},
      {"a coordinate that is no number", Dxf("0\nLINE\n8\n0\n10\nnan\n20\n2\n11\n3\n21\n4\n")},
      {"a coordinate beyond the int range", Dxf("0\nLINE\n8\n0\n10\n1e300\n20\n2\n11\n3\n21\n4\n")},
      {"a table cut short", good.substr(0, good.find("0\nENDTAB"))},
      {"an empty file", ""},
  };
  const std::string before = Snapshot(doc);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host.messages.clear();
    EXPECT_EQ(doc.ImportVectors(Write("bad.dxf", c.text), 0), 0);
    EXPECT_EQ(Snapshot(doc), before);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"无效的文件格式。"});
  }
  host.messages.clear();
  EXPECT_EQ(doc.ImportVectors(dir.file("missing.dxf"), 0), 0);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"不能打开这个文件。"});
  EXPECT_EQ(Snapshot(doc), before);
}

// The workspace after a DXF: its layers from the table, lines and points in
// their layer's colour (white ones replaced), the layer control refreshed.
TEST_F(DxfReader, ImportTakesTheLayers) {
  importtest::FillExisting(doc);
  const std::string table = "0\nTABLE\n2\nLAYER\n70\n2\n0\nLAYER\n2\n0\n62\n7\n0\nLAYER\n2\nroads\n62\n1\n0\nENDTAB\n";
  const std::string path = Write("plan.dxf", Dxf("0\nLINE\n8\nroads\n10\n1\n20\n2\n11\n300\n21\n400\n"
                                                 "0\nPOINT\n8\n0\n10\n3\n20\n4\n",
                                                 table));
  ASSERT_EQ(doc.ImportVectors(path, 0), 1);
  ASSERT_EQ(doc.m_layers.GetCount(), 2);
  EXPECT_EQ(doc.m_layers.GetAt(1).m_strName, "roads");
  EXPECT_EQ(doc.m_layers.GetAt(0).m_color, CLayerList::PaletteColor(doc.m_layers.GetAt(0).m_nID));
  const CChain* imported = doc.m_lines.GetTail();
  EXPECT_EQ(imported->m_nLayer, doc.m_layers.GetAt(1).m_nID);
  EXPECT_EQ(imported->m_color, RGB(255, 0, 0));
  EXPECT_EQ(doc.m_points.GetTail()->color, doc.m_layers.GetAt(0).m_color);
  EXPECT_EQ(doc.m_lines.GetCount(), 2);
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathVector], path);
  EXPECT_EQ(host.layerBarUpdates.size(), 1u);
}

// An ezdxf drawing, R12 and R2000 (handles, subclass markers), in code page
// 936, read by OGR and ezdxf: the expected import, one element a line.
const char* kEzdxfDrawing = R"PY(
import sys, math, ezdxf
import numpy as np
from osgeo import ogr, gdal
gdal.UseExceptions()
version, path = sys.argv[1], sys.argv[2]
doc = ezdxf.new(version)
doc.encoding = "gbk"
doc.layers.add("道路", color=1)
doc.layers.add("等高线", color=3)
msp = doc.modelspace()
msp.add_line((1.5, 2.25, 125), (300.125, 40, 125), dxfattribs={"layer": "道路"})
msp.add_polyline2d([(0, 0), (100, 0), (100, 100.5)], close=True, dxfattribs={"layer": "等高线", "elevation": (0, 0, 100)})
msp.add_polyline3d([(1, 1, 5.5), (2.75, 2, 5.5), (3, 1, 5.5)])
if version != "R12":
    msp.add_lwpolyline([(0, 0), (50, 50), (90, 10)], close=True, dxfattribs={"elevation": 7, "layer": "等高线"})
msp.add_point((3, 4, 9.25), dxfattribs={"layer": "道路"})
msp.add_text("高程 A", dxfattribs={"insert": (5.6, 6.4), "height": 2.5, "layer": "道路"})
msp.add_circle((100, 100), 10)
msp.add_arc((0, 0), 10, 30, 120)
doc.saveas(path)

def f(v): return "%.9g" % float(np.float32(v))
def pts(points): return " ".join(f(p[0]) + "," + f(p[1]) for p in points)
rd = ezdxf.readfile(path)
assert rd.encoding == "gbk"
print("layers " + ",".join(l.dxf.name for l in rd.layers))
ds = ogr.Open(path)
lyr = ds.GetLayer(0)
for feat in lyr:
    e = rd.entitydb[feat.GetField("EntityHandle")]
    t = e.dxftype()
    g = feat.GetGeometryRef()
    layer = e.dxf.layer
    if t in ("LINE", "POLYLINE", "LWPOLYLINE"):
        xy = [g.GetPoint(i) for i in range(g.GetPointCount())]
        if t == "LINE": z = e.dxf.start[2]
        elif t == "LWPOLYLINE": z = e.dxf.elevation
        elif e.is_3d_polyline: z = e.vertices[0].dxf.location[2]
        else: z = e.dxf.elevation[2]
        print("L %s %s: %s" % (f(z), layer, pts(xy)))
    elif t == "CIRCLE":
        c, r = e.dxf.center, e.dxf.radius
        sq = [(c[0]-r, c[1]-r), (c[0]+r, c[1]-r), (c[0]+r, c[1]+r), (c[0]-r, c[1]+r), (c[0]-r, c[1]-r)]
        print("L 0 %s: %s" % (layer, pts(sq)))
    elif t == "ARC":
        c, r = e.dxf.center, e.dxf.radius
        a, b = e.dxf.start_angle * math.pi / 180.0, e.dxf.end_angle * math.pi / 180.0
        ends = [(c[0] + r * math.cos(a), c[1] + r * math.sin(a)), (c[0] + r * math.cos(b), c[1] + r * math.sin(b))]
        # OGR's arc has the same ends (it runs from the end angle back)
        ogr_ends = sorted([g.GetPoint(0)[:2], g.GetPoint(g.GetPointCount() - 1)[:2]])
        assert all(abs(p - q) < 1e-6 for e, o in zip(sorted(ends), ogr_ends) for p, q in zip(e, o))
        print("L 0 %s: %s" % (layer, pts(ends)))
    elif t == "POINT":
        p = g.GetPoint(0)
        print("P %s %s %s %s" % (f(p[0]), f(p[1]), f(p[2]), layer))
    elif t == "TEXT":
        p = g.GetPoint(0)
        print("N %d %d %s %s" % (int(p[0] + 0.5), int(p[1] + 0.5), feat.GetField("Text"), layer))
)PY";

std::string ImportDump(const CQznDoc& doc) {
  std::string s = "layers ";
  for (std::int64_t i = 0; i < doc.m_layers.GetCount(); ++i) s += (i ? "," : "") + doc.m_layers.GetAt(i).m_strName;
  s += "\n";
  std::string name;
  for (const CChain* c : doc.m_lines) {
    doc.m_layers.GetLayerName(name, c->m_nLayer);
    s += FormatC("L %.9g %s:", static_cast<double>(c->m_fID), name.c_str()) + importtest::VertexText(*c) + "\n";
  }
  for (const CPointRec* r : doc.m_points) {
    doc.m_layers.GetLayerName(name, r->layer);
    s += FormatC("P %.9g %.9g %.9g %s\n", r->x, r->y, r->value, name.c_str());
  }
  for (const CNote* n : doc.m_notes) {
    doc.m_layers.GetLayerName(name, n->m_nID);
    s += FormatC("N %d %d %s %s\n", n->m_rect.left, n->m_rect.top, n->m_strText.c_str(), name.c_str());
  }
  return s;
}

TEST_F(DxfReader, EzdxfDrawingsAsOgrReadsThem) {
  QZN_REQUIRE_PYTHON_MODULES("ezdxf", "osgeo", "numpy");
  for (const char* version : {"R12", "R2000"}) {
    SCOPED_TRACE(version);
    CQznDoc fresh;
    const std::string path = dir.file(std::string("drawing-") + version + ".dxf");
    std::string expected = importtest::RunOracle(dir, kEzdxfDrawing, {version, path});
    // The workspace lists points and notes after the lines.
    std::vector<std::string> rows;
    for (std::size_t at = 0; at < expected.size();) {
      const std::size_t end = expected.find('\n', at);
      rows.push_back(expected.substr(at, end - at + 1));
      at = end + 1;
    }
    std::stable_sort(rows.begin() + 1, rows.end(), [](const std::string& a, const std::string& b) {
      auto rank = [](char c) { return c == 'L' ? 0 : c == 'P' ? 1 : 2; };
      return rank(a[0]) < rank(b[0]);
    });
    expected.clear();
    for (const std::string& r : rows) expected += r;
    host.answers.push_back(IDNO);  // keep the file's units
    ASSERT_EQ(fresh.ImportVectors(path, 0), 1) << ::testing::PrintToString(host.Texts());
    EXPECT_EQ(ImportDump(fresh), expected);
  }
}

// Reads a DXF file with OGR and prints what the import must give: a line
// for each linestring, a point for each point, floats as the workspace keeps
// them.
const char* kOgrDxf = R"PY(
import sys
import numpy as np
from osgeo import ogr, gdal
gdal.UseExceptions()
def f(v): return "%.9g" % float(np.float32(v))
ds = ogr.Open(sys.argv[1])
lines, points = [], []
for feat in ds.GetLayer(0):
    g = feat.GetGeometryRef()
    if g.GetGeometryName() == "POINT":
        points.append("P %s %s %s" % (f(g.GetX()), f(g.GetY()), f(g.GetZ())))
    else:
        lines.append("0: " + " ".join(f(g.GetX(i)) + "," + f(g.GetY(i)) for i in range(g.GetPointCount())))
print("\n".join(lines + points))
)PY";

// Rivers and schools written by ogr2ogr as DXF (its regions would be
// hatches, which are not read).
TEST_F(DxfReader, OgrConversionsOfRealData) {
  QZN_REQUIRE_GEO_EXAMPLES();
  for (const char* source : {"rivers.geojson", "schools.shp"}) {
    SCOPED_TRACE(source);
    const std::string dxf = importtest::ConvertExample(dir, source, "DXF", "dxf");
    ASSERT_FALSE(dxf.empty());
    CQznDoc fresh;
    host.answers.push_back(IDNO);
    ASSERT_EQ(fresh.ImportVectors(dxf, 0), 1) << ::testing::PrintToString(host.Texts());
    EXPECT_EQ(importtest::LinesAndPoints(fresh.m_lines, fresh.m_points), importtest::RunOracle(dir, kOgrDxf, {dxf}));
    EXPECT_GT(fresh.m_lines.GetCount() + fresh.m_points.GetCount(), 2);
  }
}

// Lines, points and notes written by the DXF writer in map units (through a
// world file, IDs and values as elevation) come back through the same world
// file at the file's precision, with their layers.
TEST_F(DxfReader, RoundTripThroughTheWriter) {
  doc.m_extent = RECT{0, 0, 999, 799};
  CLayer* roads = doc.m_layers.AddLayer();
  roads->m_strName = "道路";
  roads->m_color = RGB(255, 0, 0);
  CChain* a = doc.m_lines.NewChain();
  a->m_fID = 12.5f;
  a->m_nLayer = roads->m_nID;
  for (const CFPoint& p : {CFPoint(10.5f, 20.25f), CFPoint(200.0f, 300.0f), CFPoint(400.125f, 50.0f)})
    a->AddPoint(p.x, p.y);
  a->CalcBounds();
  CChain* b = doc.m_lines.NewChain();
  b->m_fID = -7.0f;
  b->AddPoint(0.0f, 0.0f);
  b->AddPoint(950.5f, 780.75f);
  b->CalcBounds();
  doc.m_points.AddPoint(50.5f, 60.25f, 123.5f, 7, RGB(255, 0, 0))->layer = roads->m_nID;
  doc.m_notes.AddNote(RECT{100, 200, 180, 220}, "高程")->m_nID = static_cast<std::int16_t>(roads->m_nID);
  doc.m_tfw.m_A = 0.5;
  doc.m_tfw.m_E = -0.5;
  doc.m_tfw.m_C = 500000.0;
  doc.m_tfw.m_F = 4000000.0;
  doc.m_tfw.m_nTerms = 3;
  double x[4], y[4];
  ASSERT_TRUE(doc.m_tfw.GetTransform(x, y, 0));
  DxfContent what;
  what.lines = what.points = what.notes = true;
  what.linesIdAsZ = what.pointsValueAsZ = true;
  const std::string path = dir.file("round.dxf");
  ASSERT_EQ(WriteDxfFile(path, doc, MapTransform::Polynomial(x, y, 3), what), WriteResult::ok);

  CQznDoc back;
  back.m_tfw = doc.m_tfw;
  ASSERT_EQ(back.ImportGeoVectors(path, "", GeorefKind::bilinear), 1) << ::testing::PrintToString(host.Texts());
  EXPECT_EQ(back.m_importTransform, GeorefKind::worldFile);
  ASSERT_EQ(back.m_lines.GetCount(), 2);
  auto same = [](const CChain* want, const CChain* got) {
    ASSERT_EQ(got->GetCount(), want->GetCount());
    EXPECT_EQ(got->m_fID, want->m_fID);
    // "%f" in map units: a millionth of a unit, two millionths of a pixel.
    for (std::int64_t i = 0; i < want->GetCount(); ++i) {
      EXPECT_NEAR(got->m_points[i].x, want->m_points[i].x, 1e-4);
      EXPECT_NEAR(got->m_points[i].y, want->m_points[i].y, 1e-4);
    }
  };
  same(a, back.m_lines.GetHead());
  same(b, back.m_lines.GetTail());
  std::string layer;
  back.m_layers.GetLayerName(layer, back.m_lines.GetHead()->m_nLayer);
  EXPECT_EQ(layer, "道路");
  EXPECT_EQ(back.m_lines.GetHead()->m_color, RGB(255, 0, 0));
  ASSERT_EQ(back.m_points.GetCount(), 1);
  EXPECT_NEAR(back.m_points.GetHead()->x, 50.5f, 1e-4);
  EXPECT_EQ(back.m_points.GetHead()->value, 123.5f);
  ASSERT_EQ(back.m_notes.GetCount(), 1);
  EXPECT_EQ(back.m_notes.GetHead()->m_strText, "高程");
  EXPECT_EQ(back.m_notes.GetHead()->m_rect.left, 100);
  EXPECT_EQ(back.m_notes.GetHead()->m_rect.top, 200);
  // Everything went through the world file: the lines came from map units.
  EXPECT_EQ(back.m_lines.m_nImportMark, 1);
}

}  // namespace
