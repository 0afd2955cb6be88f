// The ESRI ASCII grid and USGS DEM files: what the builder writes (byte
// layout, GDAL reading it), what the readers accept and refuse, and GDAL's
// own files read here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <filesystem>
#include <sstream>

#include "platform/host.h"
#include "platform/textfile.h"
#include "terrain/dembuilder.h"
#include "terrain/opengldoc.h"
#include "tests/terrain/terrain_test_util.h"

using qzn::CDemBuilder;
using qzn::CElevationGrid;
using terraintest::AddLine;
using terraintest::AddPoint;
using terraintest::SetExtent;

namespace {

// What GDAL reads from a raster file.
struct GdalRaster {
  std::string driver;
  int columns = 0, rows = 0;
  bool hasNoData = false;
  double noData = 0;
  std::vector<std::vector<double>> values;  // north (top) row first
};

GdalRaster GdalRead(const std::string& path) {
  std::string out;
  GdalRaster r;
  EXPECT_EQ(terraintest::RunScript("gdal_tool.py", "dump '" + path + "'", &out), 0) << out;
  std::istringstream in(out);
  std::string key, nodata, line;
  in >> key >> r.driver >> key >> r.columns >> r.rows >> key >> nodata;
  r.hasNoData = nodata != "none";
  if (r.hasNoData) r.noData = std::stod(nodata);
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream row(line);
    r.values.emplace_back();
    double v;
    while (row >> v) r.values.back().push_back(v);
  }
  return r;
}

// A file written by gdal_translate in the format from a GeoTIFF that
// gdal_tool.py makes ("COLUMNS ROWS SEED KIND").
::testing::AssertionResult GdalTranslated(const std::string& path, const char* format, const std::string& make) {
  const std::string tif = path + ".tif";
  std::string out;
  if (terraintest::RunScript("gdal_tool.py", "make " + tif + " " + make, &out) != 0)
    return ::testing::AssertionFailure() << out;
  if (qzntest::RunCommand(std::string("gdal_translate -q -of ") + format + " " + tif + " " + path + " 2>&1", &out) != 0)
    return ::testing::AssertionFailure() << out;
  return ::testing::AssertionSuccess();
}

// A workspace with a sample of the given height on every cell of a grid of
// cell size 10. They are stored from the last cell back, so each cell's
// own sample is the first one left and above it within one cell size, and
// the cell takes exactly its height.
void SampleEveryCell(CQznDoc& doc, int columns, int rows, const std::function<float(int, int)>& height) {
  SetExtent(doc, 0, 0, (columns - 1) * 10, (rows - 1) * 10);
  for (int r = rows - 1; r >= 0; --r)
    for (int c = columns - 1; c >= 0; --c) AddPoint(doc, c * 10.0f, r * 10.0f, height(c, r));
}

std::string Slice(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t n) {
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                     bytes.begin() + static_cast<std::ptrdiff_t>(from + n));
}

}  // namespace

// ---------------------------------------------------------------------------
// ESRI ASCII grid

TEST(AsciiGridWrite, HeaderAndRowsAsWritten) {
  qzntest::TempDir dir;
  CQznDoc doc;
  SampleEveryCell(doc, 3, 2,
                  [](int c, int r) { return std::vector<float>{1.5f, 2, -3.25f, 1e4f, 0.0004f, -7}[r * 3 + c]; });
  CDemBuilder b(&doc.m_lines, &doc, 10, dir.file("t.grd"));
  ASSERT_EQ(b.WriteGrid(), 1);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("t.grd")),
            "ncols         3\r\nnrows         2\r\nxllcorner     20.000\r\nyllcorner     10.000\r\n"
            "cellsize      10.000\r\nNODATA_value  -9999\r\n"
            "1.500 2.000 -3.250 \r\n10000.000 0.000 -7.000 \r\n");
}

TEST(AsciiGridWrite, GdalReadsSizeValuesAndNoData) {
  QZN_REQUIRE_PYTHON_MODULES("numpy", "osgeo.gdal");
  qzntest::TempDir dir;
  CQznDoc doc;
  // Heights only in the strip one cell beyond the right edge: the left
  // column is as far from them as the extent is wide, too far for a height.
  SetExtent(doc, 0, 0, 300, 200);
  AddLine(doc, 120.5f, {{300, 10}, {306, 190}});
  AddLine(doc, 80.25f, {{303, 50}, {301, 150}});
  AddPoint(doc, 305, 100, 140.75f);
  CDemBuilder b(&doc.m_lines, &doc, 7, dir.file("g.grd"));
  ASSERT_EQ(b.WriteGrid(), 1);
  const GdalRaster g = GdalRead(dir.file("g.grd"));
  EXPECT_EQ(g.driver, "AAIGrid");
  ASSERT_EQ(g.columns, b.GetColumns());
  ASSERT_EQ(g.rows, b.GetRows());
  ASSERT_TRUE(g.hasNoData);
  EXPECT_EQ(g.noData, -9999.0);
  int missing = 0;
  for (int r = 0; r < g.rows; ++r)
    for (int c = 0; c < g.columns; ++c) {
      const float v = b.GetCell(c, r);
      if (std::isnan(v)) {
        ++missing;
        EXPECT_EQ(g.values[r][c], -9999.0) << c << "," << r;
      } else {
        EXPECT_NEAR(g.values[r][c], v, 1e-3) << c << "," << r;
      }
    }
  EXPECT_EQ(missing, b.GetRows());
}

TEST(AsciiGridRead, HeaderByKeywordValuesByAnyWhiteSpace) {
  struct Case {
    const char* what;
    const char* text;
    float lowerLeftX;
    std::vector<float> heights;
    std::vector<std::uint8_t> missing;
  };
  const Case cases[] = {
      {"as written",
       "ncols         2\r\nnrows         2\r\nxllcorner     5.000\r\nyllcorner     6.000\r\n"
       "cellsize      2.000\r\nNODATA_value  -9999\r\n1.000 -9999.000 \r\n3.500 4.000 \r\n",
       5,
       {1, -9999, 3.5f, 4},
       {0, 1, 0, 0}},
      {"any order and case, no NODATA, values across lines",
       "CELLSIZE 2\nYllCorner 6\nNROWS 2\nxllcorner 5\n  ncols\t2\n1 -9999\t\t3.5\n\n   4",
       5,
       {1, -9999, 3.5f, 4},
       {0, 0, 0, 0}},
      {"cell centre",
       "ncols 2\nnrows 2\nxllcenter 5\nyllcenter 6\ncellsize 2\nnodata_value -1\n-1 2 3 -1.00001\n",
       4,
       {-1, 2, 3, -1},
       {1, 0, 0, 1}},
  };
  for (const Case& k : cases) {
    qzntest::TempDir dir;
    qzntest::WriteFileText(dir.file("a.grd"), k.text);
    CElevationGrid g;
    qzn::CGridReadStatus error;
    ASSERT_TRUE(qzn::ReadAsciiGridFile(dir.file("a.grd"), g, error)) << k.what << ": " << error.error;
    EXPECT_EQ(g.columns, 2) << k.what;
    EXPECT_EQ(g.rows, 2) << k.what;
    EXPECT_EQ(g.cellSize, 2.0f) << k.what;
    EXPECT_EQ(g.lowerLeftX, k.lowerLeftX) << k.what;
    EXPECT_EQ(g.heights, k.heights) << k.what;
    EXPECT_EQ(g.missing, k.missing) << k.what;
  }
}

TEST(AsciiGridRead, DamagedFilesFailWithoutAllocatingWhatTheHeaderClaims) {
  const char* head = "ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n";
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"fewer values than ncols x nrows", std::string(head) + "1 2 3\n4 5\n"},
      {"a value that is no number", std::string(head) + "1 2 3\n4 five 6\n"},
      {"nan", std::string(head) + "1 2 3\n4 nan 6\n"},
      {"a value beyond float", std::string(head) + "1 2 3\n4 1e300 6\n"},
      {"no cell size", "ncols 1\nnrows 1\nxllcorner 0\nyllcorner 0\n5\n"},
      {"a keyword twice", "ncols 1\nncols 1\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n5\n"},
      {"an unknown keyword", "ncols 1\nnrows 1\nxllcorner 0\nyllcorner 0\ndx 1\ndy 1\n5\n"},
      {"no rows", "ncols 1\nnrows 0\nxllcorner 0\nyllcorner 0\ncellsize 1\n"},
      {"a cell size of 0", "ncols 1\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 0\n5\n"},
      {"2^31 x 2^31 cells in a small file",
       "ncols 2147483647\nnrows 2147483647\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3 4\n"},
      {"empty", ""},
  };
  for (const Case& k : cases) {
    qzntest::TempDir dir;
    qzntest::WriteFileText(dir.file("a.grd"), k.text);
    CElevationGrid g;
    g.columns = 77;
    qzn::CGridReadStatus error;
    EXPECT_FALSE(qzn::ReadAsciiGridFile(dir.file("a.grd"), g, error)) << k.what;
    EXPECT_FALSE(error.error.empty()) << k.what;
    EXPECT_EQ(g.columns, 77) << k.what;  // untouched
  }
  CElevationGrid g;
  qzn::CGridReadStatus error;
  EXPECT_FALSE(qzn::ReadAsciiGridFile("/nonexistent/a.grd", g, error));
  EXPECT_FALSE(qzn::ReadAsciiGridFile("", g, error));
}

TEST(AsciiGridRead, GridsWrittenByGdalReadWithGdalsValues) {
  QZN_REQUIRE_PROGRAM("gdal_translate");
  QZN_REQUIRE_PYTHON_MODULES("numpy", "osgeo.gdal");
  qzntest::TempDir dir;
  ASSERT_TRUE(GdalTranslated(dir.file("g.grd"), "AAIGrid", "23 17 5 float"));
  const GdalRaster ref = GdalRead(dir.file("g.grd"));
  CElevationGrid g;
  qzn::CGridReadStatus error;
  ASSERT_TRUE(qzn::ReadAsciiGridFile(dir.file("g.grd"), g, error)) << error.error;
  ASSERT_EQ(g.columns, ref.columns);
  ASSERT_EQ(g.rows, ref.rows);
  EXPECT_EQ(g.cellSize, 5.0f);
  EXPECT_EQ(g.lowerLeftX, 1000.0f);
  EXPECT_EQ(g.lowerLeftY, 2000.0f - 17 * 5);
  int holes = 0;
  for (int r = 0; r < g.rows; ++r)
    for (int c = 0; c < g.columns; ++c) {
      const std::size_t k = static_cast<std::size_t>(r * g.columns + c);
      const bool hole = ref.values[r][c] == ref.noData;
      holes += hole;
      EXPECT_EQ(g.missing[k] != 0, hole) << c << "," << r;
      if (!hole) {
        EXPECT_EQ(g.heights[k], static_cast<float>(ref.values[r][c])) << c << "," << r;
      }
    }
  EXPECT_GT(holes, 0);
}

// ---------------------------------------------------------------------------
// USGS DEM, written

TEST(UsgsDemWrite, TypeARecordFields) {
  qzntest::TempDir dir;
  CQznDoc doc;
  SampleEveryCell(doc, 4, 3, [](int c, int r) { return static_cast<float>(c * 10 - r); });
  qzn::CDemSettings s;
  for (int i = 0; i < 4; ++i) s.cornerX[i] = 100.0f + i, s.cornerY[i] = 200.0f + i;
  s.resolution = 10.0f;
  CDemBuilder b(&doc.m_lines, &doc, 10, dir.file("t.dem"), &s);
  ASSERT_EQ(b.WriteDem(), 1);
  const auto bytes = qzntest::ReadFileBytes(dir.file("t.dem"));
  ASSERT_EQ(bytes.size(), 1024u * 5);  // type A, then one record per column
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 0);
  EXPECT_EQ(Slice(bytes, 0, 144), "BOSTON-E" + std::string(136, ' '));
  EXPECT_EQ(Slice(bytes, 144, 24), "     3     1     0     0");
  EXPECT_EQ(Slice(bytes, 528, 18), "     1     1     4");
  // Corners 0, 1, 3, 2 of the settings.
  EXPECT_EQ(Slice(bytes, 546, 48), "    1.00000000000000E+02    2.00000000000000E+02");
  EXPECT_EQ(Slice(bytes, 642, 48), "    1.03000000000000E+02    2.03000000000000E+02");
  EXPECT_EQ(Slice(bytes, 738, 48), "   -2.00000000000000E+00    3.00000000000000E+01");  // min, max
  // x and y resolution, and a z resolution of 1 that readers multiply by.
  EXPECT_EQ(Slice(bytes, 816, 36), " 1.00000E+01 1.00000E+01 1.00000E+00");
  EXPECT_EQ(Slice(bytes, 852, 12), "     1     4");
  EXPECT_EQ(Slice(bytes, 864, 12), "    10    10");
  EXPECT_EQ(Slice(bytes, 884, 31), "I2 0 1 1   1   0 1 1 1 10.0E+00");
  EXPECT_EQ(Slice(bytes, 915, 109), std::string(109, ' '));
  // Column 0 from the bottom row up: 0 - 2, 0 - 1, 0.
  EXPECT_EQ(Slice(bytes, 1024, 24), "     1     1     3     1");
  EXPECT_EQ(Slice(bytes, 1024 + 144, 18), "    -2    -1     0");
  EXPECT_EQ(Slice(bytes, 1024 + 162, 1024 - 162), std::string(1024 - 162, ' '));
}

TEST(UsgsDemWrite, ProfileRecordsByElevationCount) {
  struct Case {
    int rows;
    std::size_t recordsPerProfile;
  };
  for (Case k : {Case{146, 1}, Case{147, 2}, Case{316, 2}, Case{317, 3}}) {
    qzntest::TempDir dir;
    CQznDoc doc;
    SetExtent(doc, 0, 0, 1, k.rows - 1);
    AddPoint(doc, 0, static_cast<float>(k.rows / 2), 12.9f);
    CDemBuilder b(&doc.m_lines, &doc, 1, dir.file("t.dem"));
    ASSERT_EQ(b.WriteDem(), 1);
    const auto bytes = qzntest::ReadFileBytes(dir.file("t.dem"));
    ASSERT_EQ(bytes.size(), 1024 * (1 + 2 * k.recordsPerProfile)) << k.rows;
    const std::string profile = Slice(bytes, 1024, 1024 * k.recordsPerProfile);
    std::size_t heights = 0;
    for (std::size_t rec = 0; rec < k.recordsPerProfile; ++rec) {
      const std::size_t start = rec == 0 ? 144 : 0, slots = rec == 0 ? 146 : 170;
      for (std::size_t i = 0; i < slots; ++i) {
        const std::string field = profile.substr(rec * 1024 + start + i * 6, 6);
        if (heights < static_cast<std::size_t>(k.rows)) {
          EXPECT_EQ(field, "    12") << k.rows << " record " << rec << " slot " << i;
          ++heights;
        } else {
          EXPECT_EQ(field, "      ") << k.rows << " record " << rec << " slot " << i;
        }
      }
      EXPECT_EQ(profile.substr(rec * 1024 + 1020, 4), "    ");
    }
  }
}

TEST(UsgsDemWrite, ValuesTooWideFailAndLeaveTheFileAsItWas) {
  for (float bad : {1000000.0f, -100000.0f, 3.0e9f}) {
    qzntest::TempDir dir;
    qzntest::WriteFileText(dir.file("t.dem"), "old");
    CQznDoc doc;
    SampleEveryCell(doc, 2, 2, [&](int c, int r) { return c == 1 && r == 1 ? bad : 5.0f; });
    CDemBuilder b(&doc.m_lines, &doc, 10, dir.file("t.dem"));
    EXPECT_EQ(b.WriteDem(), 0) << bad;
    EXPECT_NE(b.GetErrorText().find("DEM"), std::string::npos) << b.GetErrorText();
    EXPECT_EQ(qzntest::ReadFileText(dir.file("t.dem")), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary left
  }
  qzntest::TempDir dir;
  CQznDoc doc;
  SampleEveryCell(doc, 2, 2, [](int c, int r) { return c ? 999999.9f : -99999.9f; });
  CDemBuilder b(&doc.m_lines, &doc, 10, dir.file("t.dem"));
  ASSERT_EQ(b.WriteDem(), 1);
  EXPECT_EQ(Slice(qzntest::ReadFileBytes(dir.file("t.dem")), 1024 + 144, 12), "-99999-99999");
}

TEST(UsgsDemWrite, LongNamesAreCutOnACharacterBoundary) {
  struct Case {
    std::string name;
    std::string field;  // in the file's code page
  };
  const std::string ascii143(143, 'a');
  const Case cases[] = {
      {ascii143 + "中", ascii143 + " "},                                        // 145 bytes: the character goes
      {std::string(142, 'b') + "中", std::string(142, 'b') + Utf8ToGbk("中")},  // exactly 144
      {"高程 DEM", Utf8ToGbk("高程 DEM") + std::string(144 - 8, ' ')},
  };
  for (const Case& k : cases) {
    qzntest::TempDir dir;
    CQznDoc doc;
    SampleEveryCell(doc, 2, 2, [](int, int) { return 1.0f; });
    qzn::CDemSettings s;
    s.name = k.name;
    CDemBuilder b(&doc.m_lines, &doc, 10, dir.file("t.dem"), &s);
    ASSERT_EQ(b.WriteDem(), 1);
    const auto bytes = qzntest::ReadFileBytes(dir.file("t.dem"));
    EXPECT_EQ(Slice(bytes, 0, 144),
              k.field.substr(0, 144) + std::string(144 - std::min<std::size_t>(144, k.field.size()), ' '));
    EXPECT_EQ(Slice(bytes, 144, 6), "     3");
  }
}

TEST(UsgsDemWrite, GdalReadsTheIntegerElevationsAndVoids) {
  QZN_REQUIRE_PYTHON_MODULES("numpy", "osgeo.gdal");
  qzntest::TempDir dir;
  CQznDoc doc;
  SetExtent(doc, 0, 0, 120, 90);  // heights beyond the right edge, as above
  AddLine(doc, 1250.75f, {{120, 5}, {125, 60}, {121, 90}});
  AddLine(doc, -35.5f, {{123, 88}, {122, 40}});
  AddPoint(doc, 124, 70, 1400.2f);
  // A cell size that divides neither side: the last column and row lie
  // inside the extent, and the corners written are theirs.
  CDemBuilder b(&doc.m_lines, &doc, 7, dir.file("t.dem"));
  ASSERT_EQ(b.WriteDem(), 1);
  ASSERT_EQ(b.GetColumns(), 18);
  ASSERT_EQ(b.GetRows(), 13);
  const GdalRaster g = GdalRead(dir.file("t.dem"));
  EXPECT_EQ(g.driver, "USGSDEM");
  // Profiles are the grid's columns from the south: GDAL's rows, counted
  // from the bottom, are the grid's rows from the bottom.
  ASSERT_EQ(g.columns, b.GetColumns());
  ASSERT_EQ(static_cast<int>(g.values.size()), b.GetRows());
  int voids = 0;
  for (int r = 0; r < b.GetRows(); ++r)
    for (int c = 0; c < b.GetColumns(); ++c) {
      const double gdal = g.values[g.values.size() - 1 - static_cast<std::size_t>(b.GetRows() - 1 - r)][c];
      const float v = b.GetCell(c, r);
      if (std::isnan(v)) {
        ++voids;
        EXPECT_EQ(gdal, -32767.0) << c << "," << r;
      } else {
        EXPECT_EQ(gdal, std::trunc(static_cast<double>(v))) << c << "," << r;
      }
    }
  EXPECT_EQ(voids, b.GetRows());
}

// ---------------------------------------------------------------------------
// USGS DEM, read

namespace {

std::string Right(const std::string& s, std::size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

// A DEM laid out by hand: type A, then the profiles in 1024-byte records.
struct DemSpec {
  std::string name = "HAND MADE";
  std::string resolutionX = "1.00000E+01";
  std::string corners[8] = {"0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0"};
  std::vector<std::vector<int>> profiles;
  long long declaredProfiles = -1;  // the count in the header, when not the real one
  int perColumn = 1;                // n of each profile
};

std::string MakeDem(const DemSpec& d) {
  std::string a = d.name + std::string(144 - d.name.size(), ' ');
  a += "     3     1     0     0";
  for (int i = 0; i < 15; ++i) a += Right("0.0", 24);
  a += "     2     2     4";
  for (const std::string& c : d.corners) a += Right(c, 24);
  a += Right("-1.0", 24) + Right("1.0", 24) + Right("0.0", 24) + "     0";
  a += Right(d.resolutionX, 12) + Right("1.0", 12) + Right("1.0", 12) + "     1";
  a += Right(std::to_string(d.declaredProfiles >= 0 ? d.declaredProfiles : static_cast<long long>(d.profiles.size())),
             6);
  a += std::string(51, ' ');
  a.resize(1024, ' ');
  for (std::size_t f = 0; f < d.profiles.size(); ++f) {
    const auto& e = d.profiles[f];
    std::string p = "     1" + Right(std::to_string(f + 1), 6) +
                    Right(std::to_string(e.size() / static_cast<std::size_t>(d.perColumn)), 6) +
                    Right(std::to_string(d.perColumn), 6);
    for (int i = 0; i < 5; ++i) p += Right("0.0", 24);
    std::size_t inRecord = 0, capacity = 146;
    for (int v : e) {
      p += Right(std::to_string(v), 6);
      if (++inRecord == capacity) p += "    ", inRecord = 0, capacity = 170;
    }
    if (inRecord) p += std::string((capacity - inRecord) * 6 + 4, ' ');
    a += p;
  }
  return a;
}

bool ReadDem(const std::string& bytes, CElevationGrid& g, qzn::CGridReadStatus& status) {
  qzntest::TempDir dir;
  qzntest::WriteFileText(dir.file("a.dem"), bytes);
  status = {};
  return qzn::ReadUsgsDemFile(dir.file("a.dem"), g, status);
}

}  // namespace

TEST(UsgsDemRead, ProfilesBecomeColumnsFromTheSouthAndTheHeaderIsShown) {
  DemSpec d;
  d.profiles = {{1, 2, 3}, {4, -32767, 6}};
  d.corners[6] = "   1.234500000000000D+03";  // Fortran exponents, as GDAL writes them
  d.corners[7] = "5.5E+01";
  d.resolutionX = "3.000000D+01";
  CElevationGrid g;
  qzn::CGridReadStatus error;
  ASSERT_TRUE(ReadDem(MakeDem(d), g, error)) << error.error;
  // Two profiles west to east, each from the south: rows from the north.
  EXPECT_EQ(g.rows, 3);
  EXPECT_EQ(g.columns, 2);
  EXPECT_EQ(g.cellSize, 30.0f);
  EXPECT_EQ(g.lowerLeftX, 1234.5f);
  EXPECT_EQ(g.lowerLeftY, 55.0f);
  EXPECT_EQ(g.heights, (std::vector<float>{3, 6, 2, 0, 1, 4}));
  EXPECT_EQ(g.missing, (std::vector<std::uint8_t>{0, 0, 0, 1, 0, 0}));  // the void
  EXPECT_EQ(
      error.info,
      "方庭命名区: HAND MADE\n单位代码 (地面平面坐标): 2\n单位代码 (仰角坐标): 2\n地面坐标的 4 交角 DEM: (平面度) \n"
      "  0.0000  0.0000\n  0.0000  0.0000\n  0.0000  0.0000\n  55.0000  1234.5000\n"
      "最小仰角: -1.000000\n最大仰角: 1.000000\n");
}

TEST(UsgsDemRead, LargeDemsKeepEveryFifthProfileAndElevation) {
  // 600 elevations a profile give 120 cells a column; 601 give 121, the
  // last one in its own row rather than the next column's first cell.
  struct Case {
    int elevations, profiles, rows, columns;
  };
  for (Case k : {Case{600, 6, 120, 2}, Case{601, 6, 121, 2}, Case{3, 501, 1, 101}}) {
    DemSpec d;
    for (int f = 0; f < k.profiles; ++f) {
      d.profiles.emplace_back();
      for (int i = 0; i < k.elevations; ++i) d.profiles.back().push_back(f * 1000 + i);
    }
    CElevationGrid g;
    qzn::CGridReadStatus error;
    ASSERT_TRUE(ReadDem(MakeDem(d), g, error)) << error.error;
    ASSERT_EQ(g.rows, k.rows) << k.elevations;
    ASSERT_EQ(g.columns, k.columns) << k.elevations;
    EXPECT_EQ(g.cellSize, 50.0f);  // five times the resolution
    for (int r = 0; r < g.rows; ++r)
      for (int c = 0; c < g.columns; ++c)
        EXPECT_EQ(g.heights[static_cast<std::size_t>(r * g.columns + c)],
                  static_cast<float>(c * 5000 + (g.rows - 1 - r) * 5))
            << k.elevations << ": " << r << "," << c;
  }
}

TEST(UsgsDemRead, CellSizeFromTheCornersWhenTheResolutionIsZero) {
  struct Case {
    int profiles;
    float cellSize;
  };
  for (Case k : {Case{3, 25.0f}, Case{1, 1.0f}}) {  // one profile: no spacing to divide
    DemSpec d;
    d.resolutionX = "0.0";
    d.corners[0] = "100.0";
    d.corners[6] = "150.0";
    d.profiles.assign(static_cast<std::size_t>(k.profiles), {1, 2});
    CElevationGrid g;
    qzn::CGridReadStatus error;
    ASSERT_TRUE(ReadDem(MakeDem(d), g, error)) << error.error;
    EXPECT_EQ(g.cellSize, k.cellSize) << k.profiles;
  }
}

TEST(UsgsDemRead, DamagedFilesFail) {
  DemSpec good;
  good.profiles = {std::vector<int>(200, 5), std::vector<int>(200, 6)};
  const std::string full = MakeDem(good);
  // The last elevation of the second profile ends at 1024 + 2048 + 144 + 200 * 6 + 4.
  const std::size_t lastEnd = 1024 + 2048 + 144 + 200 * 6 + 4;
  CElevationGrid g;
  qzn::CGridReadStatus error;
  ASSERT_TRUE(ReadDem(full, g, error)) << error.error;
  ASSERT_TRUE(ReadDem(full.substr(0, lastEnd), g, error)) << "cut in the padding: " << error.error;

  DemSpec many = good;
  many.declaredProfiles = 99999;
  DemSpec long1 = good;
  long1.profiles[1] = std::vector<int>(200, 7);
  std::string longHeader = MakeDem(long1);
  longHeader.replace(1024 + 2048 + 12, 6, "999999");  // m of the second profile
  std::string garbage = full;
  garbage.replace(1024 + 144 + 6 * 10, 6, "  x5  ");
  const std::pair<const char*, std::string> cases[] = {
      {"cut inside the last profile", full.substr(0, lastEnd - 5)},
      {"cut inside the first profile", full.substr(0, 1024 + 500)},
      {"cut inside the type A record", full.substr(0, 700)},
      {"more profiles than the file holds", MakeDem(many)},
      {"a profile longer than the file", longHeader},
      {"an elevation that is no number", garbage},
      {"no profiles", MakeDem(DemSpec{})},
      {"empty", ""},
  };
  for (const auto& [what, bytes] : cases) {
    g = CElevationGrid{};
    g.columns = 77;
    error = {};
    EXPECT_FALSE(ReadDem(bytes, g, error)) << what;
    EXPECT_FALSE(error.error.empty()) << what;
    EXPECT_EQ(g.columns, 77) << what;
  }
}

TEST(UsgsDemRead, RoundTripAndGdalsDemsReadWithGdalsValues) {
  // Our own file: the grid the builder wrote comes back cell for cell.
  {
    qzntest::TempDir dir;
    CQznDoc doc;
    SampleEveryCell(doc, 4, 3, [](int c, int r) { return c * 100.0f - r * 7.5f; });
    CDemBuilder b(&doc.m_lines, &doc, 10, dir.file("t.dem"));
    ASSERT_EQ(b.WriteDem(), 1);
    CElevationGrid g;
    qzn::CGridReadStatus error;
    ASSERT_TRUE(qzn::ReadUsgsDemFile(dir.file("t.dem"), g, error)) << error.error;
    ASSERT_EQ(g.rows, 3);
    ASSERT_EQ(g.columns, 4);
    EXPECT_EQ(g.cellSize, 10.0f);
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 4; ++c)
        EXPECT_EQ(g.heights[static_cast<std::size_t>(r * 4 + c)], std::trunc(b.GetCell(c, r))) << c << "," << r;
  }
  QZN_REQUIRE_PROGRAM("gdal_translate");
  QZN_REQUIRE_PYTHON_MODULES("numpy", "osgeo.gdal");
  qzntest::TempDir dir;
  ASSERT_TRUE(GdalTranslated(dir.file("g.dem"), "USGSDEM", "9 7 3 dem"));
  const GdalRaster ref = GdalRead(dir.file("g.dem"));
  CElevationGrid g;
  qzn::CGridReadStatus error;
  ASSERT_TRUE(qzn::ReadUsgsDemFile(dir.file("g.dem"), g, error)) << error.error;
  ASSERT_EQ(g.columns, ref.columns);  // a profile per GDAL column
  ASSERT_LE(g.rows, static_cast<int>(ref.values.size()));
  EXPECT_EQ(g.cellSize, 30.0f);
  int voids = 0;
  // GDAL's rows counted from the bottom are ours counted from the bottom.
  for (int f = 0; f < g.columns; ++f)
    for (int i = 0; i < g.rows; ++i) {
      const double v = ref.values[ref.values.size() - 1 - static_cast<std::size_t>(i)][static_cast<std::size_t>(f)];
      const std::size_t k = static_cast<std::size_t>((g.rows - 1 - i) * g.columns + f);
      if (v == -32767.0) {
        ++voids;
        EXPECT_TRUE(g.missing[k]) << f << "," << i;
      } else {
        EXPECT_FALSE(g.missing[k]) << f << "," << i;
        EXPECT_EQ(g.heights[k], static_cast<float>(v)) << f << "," << i;
      }
    }
  EXPECT_GT(voids, 0);
}
