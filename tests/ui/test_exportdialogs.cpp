// 文件 > 输出矢量 in the window, through the real option dialogs: a
// georeferenced workspace (five control points of a UTM 33N map, 2 m a
// pixel) exported to every format in map coordinates and read back by
// independent readers (ezdxf, pyshp, OGR, Open CASCADE) at the coordinates
// the control points give; Cancel in a dialog writing nothing; and the DXF,
// MIF and shapefile exports read back through 输入地理坐标矢量 landing on the
// lines they came from.
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/qzndoc.h"
#include "formats/projectionlist.h"
#include "formats/vectorexport.h"
#include "formats/vectorimport.h"
#include "platform/textfile.h"
#include "resources/commands.h"
#include "tests/ui/gui_test_util.h"
#include "ui/core/exportdlgs.h"
#include "ui/core/qznview.h"

using namespace qzn;
using guitest::Pump;

namespace {

constexpr double kE0 = 500000.0, kN0 = 4000000.0, kMetresPerPixel = 2.0;

struct Line {
  float id;
  std::vector<CFPoint> points;
};
const std::vector<Line> kLines = {
    {1.0f, {{10, 10}, {60, 40}, {120, 20}}},
    {2.0f, {{30, 80}, {30, 130}, {90, 130}, {90, 80}, {30, 80}}},
};
const CFPoint kPoints[] = {{150, 50}, {170, 120}};
constexpr RECT kNote{100, 60, 160, 75};

class ExportWindow : public guitest::DesktopTest {
 protected:
  void SetUp() override {
    exports = std::make_unique<CFormatExports>();
    previous = SetVectorExports(exports.get());
    // The program installs the writers and readers at start.
    previousImports = SetVectorImports(&imports);
    window = OpenFromDialog(WriteScan("map.tif", 200, 150, viewtest::Kind::kGrey));
    ASSERT_NE(window, nullptr);
    CQznDoc& d = Doc();
    for (const Line& l : kLines) {
      CChain* c = d.m_lines.NewChain();
      for (const CFPoint& p : l.points) c->AddPoint(p.x, p.y);
      c->m_fID = l.id;
      c->CalcBounds();
    }
    for (std::size_t i = 0; i < std::size(kPoints); ++i)
      d.m_points.AddPoint(kPoints[i].x, kPoints[i].y, static_cast<float>(i + 5), 7, 0);
    d.m_notes.AddNote(kNote, "河流");
    for (const auto& p : {CFPoint(0, 0), CFPoint(199, 0), CFPoint(199, 149), CFPoint(0, 149), CFPoint(100, 75)})
      *d.m_controlPts.AddNew() = CControlPt(p.x, p.y, kE0 + kMetresPerPixel * p.x, kN0 - kMetresPerPixel * p.y);
  }
  void TearDown() override {
    SetVectorExports(previous);
    SetVectorImports(previousImports);
    guitest::DesktopTest::TearDown();
  }
  CQznDoc& Doc() { return *window->View().Document(); }

  // 输出矢量 to the path; `answer` works the options dialog once it shows.
  void Export(const std::string& path, std::function<void(CModelDialog&)> answer) {
    host->fileAnswers.push_back({path});
    bool shown = false;
    guitest::WhenShown<CModelDialog>([&shown, answer](CModelDialog& d) {
      shown = true;
      answer(d);
    });
    ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFileExportVector));
    Pump();
    EXPECT_TRUE(shown) << path;
    EXPECT_TRUE(host->messages.empty()) << path << ": " << (host->messages.empty() ? "" : host->messages[0]);
  }

  // The dialog's id checked, then the buttons pressed and OK.
  static std::function<void(CModelDialog&)> Choose(int dialogId, std::vector<int> radios, int expectChecked = 0) {
    return [=](CModelDialog& d) {
      EXPECT_EQ(d.Model().DialogId(), dialogId);
      if (expectChecked) {
        EXPECT_TRUE(d.Controls().GetCheck(expectChecked)) << dialogId;
      }
      for (int id : radios) d.Controls().SetCheck(id, true);
      guitest::Click(d, wxID_OK);
    };
  }

  std::unique_ptr<CFormatExports> exports;
  IVectorExports* previous = nullptr;
  CFormatImports imports;
  IVectorImports* previousImports = nullptr;
  CImageWindow* window = nullptr;
};

// The expected map coordinates, from the control points' own formula.
std::string Expected() {
  std::string s;
  for (const Line& l : kLines) {
    s += FormatC("L %g", l.id);
    for (const CFPoint& p : l.points) s += FormatC(" %.3f,%.3f", kE0 + 2.0 * p.x, kN0 - 2.0 * p.y);
    s += "\n";
  }
  for (std::size_t i = 0; i < std::size(kPoints); ++i)
    s += FormatC("P %zu %.3f,%.3f\n", i + 5, kE0 + 2.0 * kPoints[i].x, kN0 - 2.0 * kPoints[i].y);
  s += FormatC("N %.3f,%.3f\n", kE0 + 2.0 * ((kNote.left + kNote.right) / 2),
               kN0 - 2.0 * ((kNote.top + kNote.bottom) / 2));
  return s;
}

constexpr const char* kOracle = R"PY(
import sys
import ezdxf, shapefile
from osgeo import ogr, osr
ogr.UseExceptions()
exp, folder = sys.argv[1], sys.argv[2]
lines, points, note = [], [], None
for row in open(exp):
    f = row.split()
    if f[0] == 'L': lines.append([tuple(map(float, v.split(','))) for v in f[2:]])
    if f[0] == 'P': points.append(tuple(map(float, f[2].split(','))))
    if f[0] == 'N': note = tuple(map(float, f[1].split(',')))
def same(got, want, what, tol=1e-3):
    got = [[(round(x, 6), round(y, 6)) for x, y in l] for l in got]
    ok = len(got) == len(want) and all(len(a) == len(b) and all(abs(p[0]-q[0]) <= tol and abs(p[1]-q[1]) <= tol
                                       for p, q in zip(a, b)) for a, b in zip(got, want))
    print(('ok ' if ok else 'BAD ') + what + ('' if ok else ' %r want %r' % (got, want)))
def p(name): return folder + '/' + name
# ARC generate: ID line, vertices, END per line, a final END.
gen, cur = [], None
for row in open(p('ref.gen')):
    row = row.strip()
    if row == 'END':
        if cur is not None: gen.append(cur)
        cur = None
    elif ',' in row: cur.append(tuple(map(float, row.split(','))))
    else: cur = []
same(gen, lines, 'gen')
doc = ezdxf.readfile(p('map.dxf'))
same([[(v.dxf.location.x, v.dxf.location.y) for v in e.vertices] for e in doc.modelspace().query('POLYLINE')], lines, 'dxf')
same([[tuple(q) for q in s.points] for s in shapefile.Reader(p('map.shp')).shapes()], lines, 'shp')
same([[tuple(s.points[0])] for s in shapefile.Reader(p('pts.shp')).shapes()], [[q] for q in points], 'points shp')
same([[tuple(s.points[0])] for s in shapefile.Reader(p('notes.shp')).shapes()], [[note]], 'notes shp')
ds = ogr.Open(p('map.mif'))
layer = ds.GetLayer(0)
print('zone', layer.GetSpatialRef().GetUTMZone())
same([l.GetGeometryRef().GetPoints() for l in layer if l.GetGeometryRef().GetGeometryName() == 'LINESTRING'],
     lines, 'mif')
xyz = [tuple(map(float, r.split()[:2])) for r in open(p('map.xyz')) if r.strip()]
n = sum(len(l) for l in lines)
same([xyz[:n], xyz[n:]], [sum(lines, []), points], 'xyz')
sdl, cur = [], None
for row in open(p('map.sdl'), encoding='gbk'):
    row = row.strip()
    if not row or row.startswith(';'): continue
    if row[0] in 'LPM' and '"' in row:
        cur = []; sdl.append(cur)
    else: cur.append(tuple(map(float, row.split(','))))
same(sdl[:len(lines) + len(points)], lines + [[q] for q in points], 'sdl')
)PY";

}  // namespace

TEST_F(ExportWindow, EveryFormatAsksItsDialogAndWritesMapCoordinatesThatOtherReadersFind) {
  QZN_REQUIRE_PYTHON_MODULES("ezdxf", "shapefile", "osgeo");
  const std::string out = dir->file("maps");
  std::filesystem::create_directories(out);
  const auto at = [&](const char* name) { return out + "/" + name; };
  // The generate reference: the dialog starts on 双线性 with more than three
  // control points.
  Export(at("ref.gen"), Choose(CArcPntExportDlg::kId, {}, kRadioBilinear));
  // The DXF dialog starts on the georeference the generate export chose.
  Export(at("map.dxf"), Choose(CDxfOutDlg::kId, {CDxfOutDlg::kCpBilinear}, CDxfOutDlg::kCpBilinear));
  Export(at("map.shp"), Choose(CArcViewExportDlg::kId, {}, kRadioBilinear));
  Export(at("pts.shp"), Choose(CArcViewExportDlg::kId, {CArcViewExportDlg::kPoints}));
  Export(at("notes.shp"), Choose(CArcViewExportDlg::kId, {CArcViewExportDlg::kNotes}));
  // The UTM zone 33 north record of the list the build put beside the program.
  const std::string list = qzntest::ReadFileText(std::string(QZN_BINARY_DIR) + "/" + kProjectionListFile);
  const std::size_t record = list.find("\"UTM Zone 33, Northern");
  ASSERT_NE(record, std::string::npos);
  Export(at("map.mif"), [&](CModelDialog& d) {
    EXPECT_EQ(d.Model().DialogId(), CMifParamDlg::kId);
    EXPECT_TRUE(d.Controls().GetCheck(kRadioBilinear));
    d.Controls().SetText(CMifParamDlg::kProjection, list.substr(record, list.find('\n', record) - record));
    d.Controls().SetCheck(CMifParamDlg::kEarth, true);
    guitest::Click(d, wxID_OK);
  });
  Export(at("map.igs"), Choose(CIgesOutDlg::kId, {kRadioBilinear}, kRadioNoGeoref));
  Export(at("map.xyz"), Choose(CXyzOptionsDlg::kId, {}, kRadioTriangulation));
  Export(at("map.sdl"), Choose(CSdlOutputDlg::kId, {}, kRadioBilinear));

  qzntest::WriteFileText(dir->file("expected.txt"), Expected());
  const std::string script = dir->file("oracle.py");
  qzntest::WriteFileText(script, kOracle);
  std::string result;
  EXPECT_EQ(
      qzntest::RunCommand(
          qzntest::Python() + " '" + script + "' '" + dir->file("expected.txt") + "' '" + out + "' 2>&1", &result),
      0)
      << result;
  for (const char* what : {"gen", "dxf", "shp", "points shp", "notes shp", "mif", "xyz", "sdl"})
    EXPECT_NE(result.find(std::string("ok ") + what + "\n"), std::string::npos) << what << "\n" << result;
  EXPECT_NE(result.find("zone 33\n"), std::string::npos) << result;

  // Open CASCADE reads the IGES lines within the map's box: x 500020 to
  // 500240, y 3999740 to 3999980.
  if (qzntest::HaveProgram("occt-draw") || qzntest::UnderCi()) {
    // The shell finds its command sets by the libraries' development names,
    // which only the -dev package installs: links in the folder stand in.
    for (const char* set : {"TKXSDRAW", "TKTopTest"}) {
      const std::filesystem::path library = std::string("/usr/lib/x86_64-linux-gnu/lib") + set + ".so.7";
      const std::string link = out + "/lib" + set + ".so";
      if (std::filesystem::exists(library) && !std::filesystem::exists(link))
        std::filesystem::create_symlink(library, link);
    }
    qzntest::WriteFileText(dir->file("iges.tcl"),
                           "pload MODELING XSDRAW\nigesread " + at("map.igs") + " s *\nputs \"box [bounding s]\"\n");
    std::string draw;
    qzntest::RunCommand("LD_LIBRARY_PATH='" + out + "' occt-draw -b -f '" + dir->file("iges.tcl") + "' 2>&1", &draw);
    const std::size_t box = draw.find("box ");
    ASSERT_NE(box, std::string::npos) << draw;
    double b[6] = {};
    ASSERT_EQ(std::sscanf(draw.c_str() + box, "box %lf %lf %lf %lf %lf %lf", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]),
              6)
        << draw;
    const double want[6] = {500020, 3999740, 1, 500240, 3999980, 2};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(b[i], want[i], 0.01) << i << "\n" << draw;
  }
}

TEST_F(ExportWindow, CancelInTheDialogWritesNothingAndKeepsTheEarlierFile) {
  const std::string old = dir->file("old.dxf"), fresh = dir->file("fresh.shp");
  qzntest::WriteFileText(old, "earlier");
  const auto cancel = [](CModelDialog& d) { guitest::Click(d, wxID_CANCEL); };
  Export(old, cancel);
  Export(fresh, cancel);
  EXPECT_EQ(qzntest::ReadFileText(old), "earlier");
  EXPECT_FALSE(std::filesystem::exists(fresh));
  EXPECT_FALSE(std::filesystem::exists(dir->file("fresh.dbf")));
}

TEST_F(ExportWindow, MapExportsReadBackWithTheSameGeoreferenceLandOnTheirLines) {
  for (const char* name : {"back.dxf", "back.mif", "back.shp"}) {
    SCOPED_TRACE(name);
    const std::string path = dir->file(name);
    // Each format's dialog with its map choice (the control points' bilinear).
    Export(path, [](CModelDialog& d) {
      if (d.Model().DialogId() == CDxfOutDlg::kId) d.Controls().SetCheck(CDxfOutDlg::kCpBilinear, true);
      if (d.Model().DialogId() == CMifParamDlg::kId) {
        d.Controls().SetCheck(CMifParamDlg::kPoints, false);
        d.Controls().SetCheck(CMifParamDlg::kText, false);
      }
      guitest::Click(d, wxID_OK);
    });
    Doc().m_lines.DeleteAll();
    host->fileAnswers.push_back({path});
    ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFileImportGeoVector));
    Pump();
    EXPECT_TRUE(host->messages.empty()) << (host->messages.empty() ? "" : host->messages[0]);
    // Every line back where it was, to a hundredth of a pixel.
    ASSERT_EQ(Doc().m_lines.GetCount(), static_cast<std::int64_t>(kLines.size()));
    std::size_t i = 0;
    for (const CChain* c : Doc().m_lines) {
      const Line& want = kLines[i++];
      ASSERT_EQ(c->m_points.size(), want.points.size());
      for (std::size_t k = 0; k < want.points.size(); ++k) {
        EXPECT_NEAR(c->m_points[k].x, want.points[k].x, 0.01);
        EXPECT_NEAR(c->m_points[k].y, want.points[k].y, 0.01);
      }
    }
    // The lines as they were for the next format.
    Doc().m_lines.DeleteAll();
    for (const Line& l : kLines) {
      CChain* c = Doc().m_lines.NewChain();
      for (const CFPoint& p : l.points) c->AddPoint(p.x, p.y);
      c->m_fID = l.id;
      c->CalcBounds();
    }
  }
}
