// Shapefile import: pyshp's files (several parts, null shapes, PolyLineZ
// with and without M, PointZ), the writer's files read back with each
// shape's own ID, real data converted by ogr2ogr as OGR reads it, and
// damaged files refused or read, never a crash.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "formats/shapefile.h"
#include "tests/formats/import_test_util.h"

namespace {

using namespace qzn;
using importtest::ImportTest;
using importtest::LineDump;
using importtest::Snapshot;

struct ShapeRead {
  CImportLists work;
  ReadResult result = ReadResult::damaged;
};

class ShapeReader : public ImportTest {
 protected:
  void Read(const std::string& path, ShapeRead& r, const MapTransform& map = MapTransform::Pixels()) {
    CLayerLook layer;
    layer.id = 4;
    layer.color = RGB(9, 8, 7);
    layer.penStyle = PS_DOT;
    CShapeFile shape(path, r.work.lines, r.work.points, layer, map);
    r.result = shape.Read();
  }
};

// pyshp's files, and one PolyLineZ without M made from pyshp's by taking the
// M block out of every record (OGR reads it as a valid file).
const char* kPyshpFiles = R"PY(
import sys, struct, shapefile
from osgeo import ogr, gdal
gdal.UseExceptions()
d = sys.argv[1]
w = shapefile.Writer(d + "/multi", shapeType=shapefile.POLYLINE)
w.field("ID", "N", 10, 0)
w.line([[[0, 0], [10, 5.5]], [[20, 20], [30, 25], [40, 20.25]]]); w.record(11)
w.null(); w.record(12)
w.line([[[1.5, 2.5], [3.5, 4.5]]]); w.record(13)
w.close()
w = shapefile.Writer(d + "/polygon", shapeType=shapefile.POLYGON)
w.field("Id", "N", 10, 0)
w.poly([[[0, 0], [0, 10], [10, 10], [10, 0], [0, 0]], [[2, 2], [4, 2], [4, 4], [2, 4], [2, 2]]]); w.record(21)
w.close()
w = shapefile.Writer(d + "/linez", shapeType=shapefile.POLYLINEZ)
w.field("ID", "N", 10, 0)
w.linez([[[0, 0, 105], [1, 1, 105]], [[2, 2, 110], [3, 3, 110]]]); w.record(1)
w.linez([[[5, 5, 120.5], [6, 6, 120.5], [7, 5, 120.5]]]); w.record(2)
w.close()
w = shapefile.Writer(d + "/pointz", shapeType=shapefile.POINTZ)
w.field("ID", "N", 10, 0)
w.pointz(10.7, 20.2, 33.5); w.record(1)
w.pointz(1, 2, -4); w.record(2)
w.close()

# PolyLineZ without M: the same records, each without its M range and values.
src = open(d + "/linez.shp", "rb").read()
out, index, offset, pos = bytearray(src[:100]), bytearray(src[:100]), 50, 100
while pos < len(src):
    number, words = struct.unpack(">ii", src[pos:pos + 8])
    content = src[pos + 8:pos + 8 + 2 * words]
    nparts, npoints = struct.unpack("<ii", content[36:44])
    keep = content[:44 + 4 * nparts + 16 * npoints + 16 + 8 * npoints]
    out += struct.pack(">ii", number, len(keep) // 2) + keep
    index += struct.pack(">ii", offset, len(keep) // 2)
    offset += 4 + len(keep) // 2
    pos += 8 + 2 * words
for b in (out, index):
    b[24:28] = struct.pack(">i", len(b) // 2)
open(d + "/linez_nom.shp", "wb").write(out)
open(d + "/linez_nom.shx", "wb").write(index)
open(d + "/linez_nom.dbf", "wb").write(open(d + "/linez.dbf", "rb").read())
ds = ogr.Open(d + "/linez_nom.shp")
print(" ".join(str(f.GetGeometryRef().GetGeometryCount() or 1) for f in ds.GetLayer(0)))
)PY";

TEST_F(ShapeReader, PyshpFiles) {
  QZN_REQUIRE_PYTHON_MODULES("shapefile", "osgeo");
  const std::string parts = importtest::RunOracle(dir, kPyshpFiles, {dir.path().string()});
  EXPECT_EQ(parts, "2 1\n");  // OGR reads the file without M
  {
    SCOPED_TRACE("several parts and a null shape: a line a part, the null's row kept");
    ShapeRead r;
    Read(dir.file("multi.shp"), r);
    ASSERT_EQ(r.result, ReadResult::ok);
    EXPECT_EQ(LineDump(r.work.lines),
              (std::vector<std::string>{"11 4: 0,0 10,5.5", "11 4: 20,20 30,25 40,20.25", "13 4: 1.5,2.5 3.5,4.5"}));
    const CChain* c = r.work.lines.GetHead();
    EXPECT_EQ(c->m_color, RGB(9, 8, 7));
    EXPECT_EQ(c->m_nPenStyle, PS_DOT);
  }
  {
    SCOPED_TRACE("a polygon with a hole; the table's field in another case");
    ShapeRead r;
    Read(dir.file("polygon.shp"), r);
    ASSERT_EQ(r.result, ReadResult::ok);
    EXPECT_EQ(LineDump(r.work.lines),
              (std::vector<std::string>{"21 4: 0,0 0,10 10,10 10,0 0,0", "21 4: 2,2 4,2 4,4 2,4 2,2"}));
  }
  for (const char* name : {"linez.shp", "linez_nom.shp"}) {
    SCOPED_TRACE(std::string(name) + ": a line with Z takes its height as its ID");
    ShapeRead r;
    Read(dir.file(name), r);
    ASSERT_EQ(r.result, ReadResult::ok);
    EXPECT_EQ(LineDump(r.work.lines),
              (std::vector<std::string>{"105 4: 0,0 1,1", "110 4: 2,2 3,3", "120.5 4: 5,5 6,6 7,5"}));
  }
  {
    SCOPED_TRACE("PointZ: values are the heights, positions not cut to whole pixels");
    ShapeRead r;
    Read(dir.file("pointz.shp"), r);
    ASSERT_EQ(r.result, ReadResult::ok);
    ASSERT_EQ(r.work.points.GetCount(), 2);
    const CPointRec* p = r.work.points.GetHead();
    EXPECT_EQ(p->x, 10.7f);
    EXPECT_EQ(p->y, 20.2f);
    EXPECT_EQ(p->value, 33.5f);
    EXPECT_EQ(p->layer, 4);
    EXPECT_EQ(r.work.points.GetTail()->value, -4.0f);
  }
}

// The writer's lines and points read back: shape n takes row n's ID, the
// coordinates as written, the table found in another case.
TEST_F(ShapeReader, RoundTripThroughTheWriter) {
  exporttest::FillSample(doc);
  const std::string lines = dir.file("LINES.SHP");
  ASSERT_EQ(CShapeFile(doc.m_lines, doc.m_extent, MapTransform::Pixels(), false).Write(lines, true), WriteResult::ok);
  std::filesystem::rename(dir.file("LINES.DBF"), dir.file("LINES.dbf"));
  ShapeRead r;
  Read(lines, r);
  ASSERT_EQ(r.result, ReadResult::ok);
  importtest::ExpectSameLines(doc.m_lines, r.work.lines);
  const std::string points = dir.file("points.shp");
  ASSERT_EQ(CShapeFile(doc.m_points, doc.m_extent, MapTransform::Pixels()).Write(points, true), WriteResult::ok);
  ShapeRead p;
  Read(points, p);
  ASSERT_EQ(p.result, ReadResult::ok);
  ASSERT_EQ(p.work.points.GetCount(), 2);
  EXPECT_EQ(p.work.points.GetHead()->x, 50.5f);
  EXPECT_EQ(p.work.points.GetHead()->y, 60.25f);
  EXPECT_EQ(p.work.points.GetHead()->value, 123.5f);
  EXPECT_EQ(p.work.points.GetTail()->value, -3.0f);
}

// A table this user may not change still gives the IDs: as another user
// (a child process gives up root for it), the writer's files, owned by root
// and not writable by others, read back with their IDs.
TEST_F(ShapeReader, ATableThatCannotBeChangedIsRead) {
  exporttest::FillSample(doc);
  // The child below reads as another user: the files lie where every user
  // can reach them, wherever the build tree is.
  const qzntest::TempDir shared(qzntest::TempDir::Reach::everyone);
  const std::string path = shared.file("ro.shp");
  ASSERT_EQ(CShapeFile(doc.m_lines, doc.m_extent, MapTransform::Pixels(), false).Write(path, true), WriteResult::ok);
  for (const char* name : {"ro.shp", "ro.dbf", ""}) {
    std::filesystem::permissions(shared.file(name),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                     std::filesystem::perms::others_read |
                                     (*name ? std::filesystem::perms::none
                                            : std::filesystem::perms::owner_all | std::filesystem::perms::others_exec |
                                                  std::filesystem::perms::group_exec));
  }
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Another user where the test runs as root; the user it is otherwise.
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    ShapeRead r;
    Read(path, r);
    const bool ok = r.result == ReadResult::ok && r.work.lines.GetCount() == 3 &&
                    r.work.lines.GetHead()->m_fID == 12.5f && r.work.lines.GetTail()->m_fID == -7.0f;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Bytes of a shapefile made here: a polyline file of one record with the
// given part count, or the writer's file cut short.
std::vector<std::uint8_t> OneLine(std::int32_t parts) {
  std::vector<std::uint8_t> b(100, 0);
  auto be = [&](std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (24 - 8 * i));
  };
  auto le = [&](std::int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
  };
  be(0, 9994);
  b[28] = 0xE8, b[29] = 0x03;  // version 1000
  b[32] = 3;
  const std::size_t header = b.size();
  b.resize(header + 8);
  le(3);
  b.resize(b.size() + 32);  // box
  le(parts);
  le(2);
  if (parts > 0) le(0);
  for (double v : {1.0, 2.0, 3.0, 4.0}) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
  }
  be(header, 1);
  be(header + 4, static_cast<std::int32_t>((b.size() - header - 8) / 2));
  be(24, static_cast<std::int32_t>(b.size() / 2));
  return b;
}

TEST_F(ShapeReader, DamagedFilesChangeNothing) {
  importtest::FillExisting(doc);
  exporttest::FillSample(doc);
  const std::string good = dir.file("good.shp");
  ASSERT_EQ(CShapeFile(doc.m_lines, doc.m_extent, MapTransform::Pixels(), false).Write(good, false), WriteResult::ok);
  const std::vector<std::uint8_t> bytes = qzntest::ReadFileBytes(good);
  const std::string before = Snapshot(doc);
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"cut inside a record", std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 20)},
      {"cut between records", std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 88)},
      {"no header", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 60)},
      {"a record with no part", OneLine(0)},
      {"not a shapefile", std::vector<std::uint8_t>(100, 'x')},
  };
  qzntest::WriteFileBytes(dir.file("one.shp"), OneLine(1));
  ShapeRead one;
  Read(dir.file("one.shp"), one);
  EXPECT_EQ(one.result, ReadResult::ok) << "the well-formed fixture";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host.messages.clear();
    qzntest::WriteFileBytes(dir.file("bad.shp"), c.bytes);
    EXPECT_EQ(doc.ImportVectors(dir.file("bad.shp"), 0), 0);
    EXPECT_EQ(Snapshot(doc), before);
    // The table's own report (no bad.dbf), then the import's.
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages.back().text, "读取形文件出错。");
  }
}

// Any byte of a file changed: the read fails or reads something, and never
// reads outside the file's records.
TEST_F(ShapeReader, CorruptedFilesNeverCrash) {
  exporttest::FillSample(doc);
  const std::string good = dir.file("c.shp");
  ASSERT_EQ(CShapeFile(doc.m_lines, doc.m_extent, MapTransform::Pixels(), false).Write(good, false), WriteResult::ok);
  const std::vector<std::uint8_t> bytes = qzntest::ReadFileBytes(good);
  std::filesystem::remove(dir.file("c.dbf"));  // no table to open each time
  int read = 0;
  for (std::size_t at = 0; at < bytes.size(); ++at)
    for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
      std::vector<std::uint8_t> b = bytes;
      b[at] = value;
      // A file of its own each time: truncating one is slow on some disks.
      const std::string path = dir.file(FormatC("c%zu-%d.shp", at, value));
      qzntest::WriteFileBytes(path, b);
      ShapeRead r;
      Read(path, r);
      if (r.result == ReadResult::ok) {
        ++read;
        EXPECT_TRUE(r.work.lines.IsInPixelRange());
      }
    }
  EXPECT_GT(read, 0);
}

// Reads a shapefile with OGR and prints what the import must give: each
// linestring and ring a line with the field ID (any case; 0 without it) as
// its ID, each point with it as its value.
const char* kOgrShape = R"PY(
import sys
import numpy as np
from osgeo import ogr, gdal
gdal.UseExceptions()
def f(v): return "%.9g" % float(np.float32(v))
ds = ogr.Open(sys.argv[1])
lyr = ds.GetLayer(0)
defn = lyr.GetLayerDefn()
idf = [i for i in range(defn.GetFieldCount()) if defn.GetFieldDefn(i).GetName().upper() == "ID"]
def rings(g):
    if g.GetGeometryName() in ("LINESTRING", "LINEARRING"): yield g
    else:
        for i in range(g.GetGeometryCount()): yield from rings(g.GetGeometryRef(i))
for feat in lyr:
    v = feat.GetField(idf[0]) if idf else 0
    g = feat.GetGeometryRef()
    if g.GetGeometryName() == "POINT":
        print("P %s %s %s" % (f(g.GetX()), f(g.GetY()), f(v)))
        continue
    for r in rings(g):
        print("%s: %s" % (f(v), " ".join(f(r.GetX(i)) + "," + f(r.GetY(i)) for i in range(r.GetPointCount()))))
)PY";

TEST_F(ShapeReader, OgrConversionsOfRealData) {
  QZN_REQUIRE_GEO_EXAMPLES();
  for (const char* source : {"rivers.geojson", "nuts1.geojson", "schools.shp"}) {
    SCOPED_TRACE(source);
    const std::string shp = importtest::ConvertExample(dir, source, "ESRI Shapefile", "shp");
    ASSERT_FALSE(shp.empty());
    ShapeRead r;
    Read(shp, r);
    ASSERT_EQ(r.result, ReadResult::ok);
    EXPECT_EQ(importtest::LinesAndPoints(r.work.lines, r.work.points), importtest::RunOracle(dir, kOgrShape, {shp}));
  }
}

}  // namespace
