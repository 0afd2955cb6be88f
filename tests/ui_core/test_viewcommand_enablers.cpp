// Every view command's enabled state and check mark over a set of workspace
// states, edit modes and display flags: one table per group of commands.
// A column is a state written as words (see Make); a row gives, column by
// column, 'x' for enabled and '.' for disabled, or for check marks 'v' and '.'.
#include <sstream>

#include <gtest/gtest.h>

#include "resources/commands.h"
#include "viewcommand_test_util.h"

using namespace qzn;
using namespace viewtest;

namespace {

struct Row {
  int id;
  const char* expected;
};

struct State {
  std::unique_ptr<CQznDoc> doc;
  std::unique_ptr<CQznView> view;
  FakeWindow window;
};

void AddControlPoints(CQznDoc& d, int n) {
  for (int i = 0; i < n; ++i) {
    CControlPt* p = d.m_controlPts.AddNew();
    p->m_imageX = (i % 2) * 50 + i;
    p->m_imageY = (i / 2) * 40 + 2 * i;
    p->m_mapX = 1000 + p->m_imageX * 2;
    p->m_mapY = 5000 - p->m_imageY * 2;
  }
}

// Words: an image kind (grey rgb pal bil cls; none: no image), data (lines
// hidden points hiddenpts notes blocks chars cross roi tri attr layers2),
// georeference (cp1 cp3 cp4 world res), modes (mode1 mode3 mode4 mode5 mode7),
// display flags switched off (-lines -nodes -ends -notes) or on (+nodes
// +ends +frames +nodecol +endcol +fill +lineids +pointids +cpids +dec0),
// status-bar coordinates (map page).
std::unique_ptr<State> Make(const std::string& spec) {
  auto s = std::make_unique<State>();
  std::istringstream words(spec);
  std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
  auto has = [&](const char* word) { return std::find(w.begin(), w.end(), word) != w.end(); };
  if (has("grey"))
    s->doc = MakeDoc(64, 48, Kind::kGrey);
  else if (has("rgb"))
    s->doc = MakeDoc(64, 48, Kind::kRgb);
  else if (has("pal") || has("cls"))
    s->doc = MakeDoc(64, 48, Kind::kPalette);
  else if (has("bil"))
    s->doc = MakeDoc(64, 48, Kind::kBilevel);
  else {
    s->doc = std::make_unique<CQznDoc>();
    s->doc->OnNewDocument();
  }
  CQznDoc& d = *s->doc;
  if (has("cls")) d.m_image.photometric = 5;
  if (has("lines")) AddLine(d.m_lines, {{1, 1}, {20, 20}});
  if (has("hidden")) AddLine(d.m_hiddenLines, {{1, 1}, {20, 20}});
  if (has("points")) d.m_points.AddPoint(5, 5, 1, 1, 0);
  if (has("hiddenpts")) d.m_hiddenPoints.AddPoint(5, 5, 1, 1, 0);
  if (has("notes")) d.m_notes.AddNote(RECT{1, 1, 20, 10}, "12");
  if (has("blocks")) d.m_textBlocks.AddBox(RECT{1, 1, 10, 10}, 0);
  if (has("chars")) d.m_chars.AddNew();
  if (has("cross")) d.m_crossMarks.AddBox(RECT{1, 1, 10, 10}, 0);
  if (has("roi")) AddLine(d.m_roi, {{1, 1}, {20, 1}, {20, 20}, {1, 1}});
  if (has("attr")) d.m_paths[CQznDoc::kPathAttributes] = "/tmp/a.sda";
  if (has("layers2")) d.m_layers.AddLayer();
  if (has("res")) d.m_image.xResolution = d.m_image.yResolution = 300.0f;
  for (auto [word, n] : {std::pair{"cp1", 1}, {"cp3", 3}, {"cp4", 4}})
    if (has(word)) AddControlPoints(d, n);
  if (has("tri")) {
    AddControlPoints(d, 4);
    EXPECT_TRUE(d.m_triangles.Build(d.m_controlPts, d.m_extent, 0));
  }
  if (has("world")) {
    d.m_tfw.m_nTerms = 3;
    d.m_tfw.m_A = 2;
  }
  s->view = std::make_unique<CQznView>(s->doc.get(), &s->window);
  s->view->OnInitialUpdate();
  CQznView& v = *s->view;
  for (auto [word, mode] : {std::pair{"mode1", EditMode::kImageEdit},
                            {"mode3", EditMode::kLineEdit},
                            {"mode4", EditMode::kControlPoint},
                            {"mode5", EditMode::kPointEdit},
                            {"mode7", EditMode::kAnnotation}})
    if (has(word)) v.editMode = mode;
  if (has("-lines")) v.flags.lines = false;
  if (has("-notes")) v.flags.annotations = false;
  if (has("+nodes")) v.flags.nodes = true;
  if (has("+ends")) v.flags.endPoints = true;
  if (has("+frames")) v.flags.annotationFrames = true;
  if (has("+lineids")) v.flags.lineIds = true;
  if (has("+pointids")) v.flags.pointIds = true;
  if (has("+cpids")) v.flags.controlPointIds = true;
  if (has("+tri")) v.flags.triangulation = true;
  if (has("+blocks")) v.flags.textBlocks = true;
  if (has("+cross")) v.flags.crossMarks = true;
  if (has("-image")) v.flags.image = false;
  if (has("+nodecol")) v.userNodeColor = true;
  if (has("+endcol")) v.userEndColor = true;
  if (has("+fill")) v.fillClosedLines = true;
  if (has("+dec0")) d.m_nDecimalIDs = 0;
  if (has("map")) v.cursorKind = 1;
  if (has("page")) v.cursorKind = 2;
  return s;
}

// Checks every row against every column; `checks` compares check marks.
void CheckTable(const std::vector<std::string>& columns, const std::vector<Row>& rows, bool checks = false) {
  CScriptedHost host;
  CHostScope scope(&host);
  std::vector<std::unique_ptr<State>> states;
  for (const std::string& c : columns) states.push_back(Make(c));
  for (const Row& r : rows) {
    ASSERT_EQ(std::string(r.expected).size(), columns.size()) << "row " << r.id;
    ASSERT_NE(FindViewCommand(r.id), nullptr) << "command " << r.id << " is not in the table";
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const CQznView& v = *states[i]->view;
      const bool got = checks ? IsViewCommandChecked(v, r.id) : IsViewCommandEnabled(v, r.id);
      const bool want = r.expected[i] != '.';
      EXPECT_EQ(got, want) << "command " << r.id << " in state \"" << columns[i] << "\" is "
                           << (checks ? (got ? "checked" : "not checked") : (got ? "enabled" : "disabled"));
    }
  }
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace

TEST(ViewCommandEnablers, VectorExchangeAndProjects) {
  const std::vector<std::string> states = {"",
                                           "grey",
                                           "grey lines",
                                           "grey points",
                                           "grey hidden hiddenpts",
                                           "grey lines mode3",
                                           "grey points mode5",
                                           "lines -lines"};
  CheckTable(states, {
                         {cmd::kFileExportVector, "..xx.xxx"},
                         {cmd::kFileImportVector, "xxxxx..x"},
                         {cmd::kFileImportGeoVector, "xxxxx..x"},  // like the plain import
                         {cmd::kFileSaveVectorAsImage, "..xx.xxx"},
                         {cmd::kFileSaveProject, "xxxxxxxx"},
                         {cmd::kFileSaveProjectAs, "xxxxxxxx"},
                         {cmd::kFileSaveImageAs, ".xxxxxx."},
                     });
}

TEST(ViewCommandEnablers, ImageCommands) {
  const std::vector<std::string> states = {"",    "grey", "grey lines", "grey hidden", "grey hiddenpts", "rgb",
                                           "pal", "bil",  "cls",        "grey roi",    "pal cp4"};
  CheckTable(
      states,
      {
          // Flips and the transposition wait for no lines, hidden ones too.
          {32807, ".x..xxxxxxx"}, {32806, ".x..xxxxxxx"}, {32811, ".x..xxxxxxx"}, {cmd::kImageRotate, ".x..xxxxxxx"},
          {32820, ".x..xxxxxxx"}, {32882, ".x...xxxxxx"},  // resize: no points either
          {32903, ".xxxx....x."}, {32833, ".....xx...x"}, {32951, ".xxxx....x."}, {32952, ".xxxxx.x.x."},
          {32789, ".xxxxx.x.x."}, {32808, ".xxxx.xxxxx"}, {32986, ".xxxxxxxxxx"}, {32790, ".xxxx....x."},
          {32948, ".xxxx....x."}, {32949, ".xxxx....x."}, {32834, ".....x....."}, {32835, ".....x....."},
          {33086, "......x...x"}, {32837, "......x...x"}, {32901, "......x...x"}, {33087, ".xxxx....x."},
          {32855, ".xxxx....x."}, {33070, ".......x..."}, {33050, ".........x."}, {33049, ".........x."},
          {32938, "..........x"},  // warp: four control points
          {33109, ".....x....."}, {32972, ".......x..."}, {33085, ".xxxx.xxxxx"}, {33034, ".xxxx....x."},
      });
}

TEST(ViewCommandEnablers, LineCommands) {
  const std::vector<std::string> states = {"",
                                           "lines",
                                           "lines mode3",
                                           "lines blocks",
                                           "lines notes",
                                           "notes points",
                                           "cross",
                                           "cross mode3",
                                           "grey blocks chars",
                                           "grey lines blocks chars mode3",
                                           "+dec0"};
  CheckTable(states, {
                         {33098, ".x.xx......"},
                         {32842, ".xxxx....x."},
                         {33102, "xxxxxxxxxxx"},
                         {32944, ".xxxx....x."},
                         {32945, "......x...."},
                         {32947, "......x...."},
                         {33029, ".x.xx......"},
                         {32885, ".x.xx......"},
                         {32916, "........x.."},
                         {33101, "...x......."},
                         {32931, "....x......"},
                         {32953, ".....x....."},
                         // Dialogs over the lines: not while the line tool holds them.
                         {32825, ".x.xx......"},
                         {32832, ".x.xx......"},
                         {32852, ".x.xx......"},
                         {32940, ".x.xx......"},
                         {32830, ".x.xx......"},
                         {33106, ".x.xx......"},
                         {32883, ".x.xx......"},
                         {33033, ".x.xx......"},
                         {33060, ".xxxx....x."},  // B-spline: the tool lets go first
                         {33110, ".xxxx....x."},
                         {32958, ".xxxx....x."},
                         {33105, ".xxxxx...x."},
                     });
  CheckTable(states, {{33102, "vvvvvvvvvv."}}, true);
  CheckTable({"", "lines", "points", "notes", "lines points", "lines points mode3", "layers2 mode5", "layers2 mode7"},
             {
                 {32954, "....xx.."},
                 {32992, ".xxxxx.."},
                 {33011, "xxxxx..."},
                 {33013, "xxxxx..."},
                 {33020, "xxxxxxxx"},
             });
}

TEST(ViewCommandEnablers, PointsTextBlocksNotesAndLayers) {
  const std::vector<std::string> states = {"",     "points", "points mode5", "blocks", "attr",       "layers2",
                                           "grey", "lines",  "notes",        "chars",  "grey blocks"};
  CheckTable(states, {
                         {33095, ".x........."},
                         {32959, ".xx........"},
                         {32893, "...x......x"},
                         {32939, "....x......"},
                         {cmd::kFileSaveLayers, "xxxxxxxxxxx"},
                         {cmd::kFileLoadLayers, "xxxxx.xxxxx"},
                         {cmd::kFileLoadTextBlocks, ".......x..."},
                         {cmd::kFileSaveTextBlocks, "...x......x"},
                         {cmd::kFileLoadOcr, "..........x"},
                         {cmd::kFileSaveOcr, ".........x."},
                         {32919, ".........x."},
                         {32973, "......x...x"},  // the script editor: an image
                         {cmd::kFileLoadRecords, ".xx...xx..x"},
                         {cmd::kFileSaveRecords, "........x.."},
                     });
}

TEST(ViewCommandEnablers, Georeference) {
  const std::vector<std::string> states = {"",         "cp1",  "cp3",     "cp4",           "world",
                                           "grey res", "grey", "cp4 map", "grey res page", "tri"};
  CheckTable(states, {
                         {33071, ".xxx...x.x"},
                         {33072, "....x....."},
                         {32960, ".xxx...x.x"},
                         {32937, "...x...x.x"},
                         {cmd::kFileLoadControlPoints, "xxxxxxxxxx"},
                         {cmd::kFileSaveControlPoints, ".xxx...x.x"},
                         {cmd::kFileSaveWorldFile, "..xxx..x.x"},
                         {32956, "...xx..x.x"},
                         {33062, ".....x..x."},
                         {33092, "xxxxxxxxxx"},
                         {33094, "xxxxxxxxxx"},
                     });
  CheckTable(states, {{32956, ".......v.."}, {33062, "........v."}}, true);
}

TEST(ViewCommandEnablers, PrintingAndClipboard) {
  const std::vector<std::string> states = {"", "grey lines", "grey mode3"};
  CheckTable(states, {
                         {cmd::kFilePrint, "xxx"},
                         {cmd::kFilePrintPreview, "xxx"},
                         {cmd::kFilePrintSetup, "xxx"},
                         {cmd::kFilePrintWindow, "xxx"},
                         {cmd::kEditCopy, "xxx"},
                         {57635, "..."},  // cut
                         {57637, "..."},  // paste
                     });
}

TEST(ViewCommandEnablers, ViewMenu) {
  const std::vector<std::string> states = {
      "",
      "grey",
      "grey -image",
      "lines",
      "lines -lines",
      "lines +nodes +ends +nodecol +endcol",
      "lines -lines +nodes +ends",
      "points +pointids",
      "cp1 +cpids",
      "tri +tri",
      "blocks +blocks",
      "notes +frames",
      "notes -notes +frames",
      "cross +cross",
      "grey roi",
      "+fill",
  };
  CheckTable(states, {
                         {cmd::kOverlayImage, ".xx...........x."},
                         {cmd::kOverlayRoi, "..............x."},
                         {cmd::kOverlayLines, "...xxxx........."},
                         {cmd::kOverlayNodes, "...x.x.........."},
                         {33052, ".....x.........."},
                         {cmd::kOverlayEndPoints, "...x.x.........."},
                         {33056, ".....x.........."},
                         {cmd::kOverlayLineIds, "...x.x.........."},
                         {cmd::kOverlayPoints, ".......x........"},
                         {cmd::kOverlayPointIds, ".......x........"},
                         {cmd::kOverlayControlPoints, "........xx......"},
                         {cmd::kOverlayControlPointIds, "........xx......"},
                         {cmd::kOverlayTriangulation, ".........x......"},
                         {cmd::kOverlayTextBlocks, "..........x....."},
                         {cmd::kOverlayNotes, "...........xx..."},
                         {cmd::kOverlayNoteFrames, "...........x...."},
                         {cmd::kOverlayCrossMarks, ".............x.."},
                         {33053, "...xxxx........."},
                         {33057, "...xxxx........."},
                         {cmd::kViewFillPolygons, "xxxxxxxxxxxxxxxx"},
                         {33012, "x..xxxxxxxxxxx.x"},  // workspace size: no image
                         {32904, "...xxxx........."},
                         {32905, ".......x........"},
                         {32930, "...........xx..."},
                         {32821, "...xxxx........."},
                         {32881, ".......x........"},
                         {32770, ".xx...........x."},
                     });
  CheckTable(states,
             {
                 {cmd::kOverlayImage, ".v............v."},
                 {cmd::kOverlayRoi, "..............v."},
                 {cmd::kOverlayLines, "...v.v.........."},
                 {cmd::kOverlayNodes, ".....vv........."},
                 {33052, ".....v.........."},
                 {cmd::kOverlayEndPoints, ".....vv........."},
                 {33056, ".....v.........."},
                 {cmd::kOverlayLineIds, "................"},
                 {cmd::kOverlayPoints, ".......v........"},
                 {cmd::kOverlayPointIds, ".......v........"},
                 {cmd::kOverlayControlPoints, "........vv......"},
                 {cmd::kOverlayControlPointIds, "........v......."},
                 {cmd::kOverlayTriangulation, ".........v......"},
                 {cmd::kOverlayTextBlocks, "..........v....."},
                 {cmd::kOverlayNotes, "...........v...."},
                 {cmd::kOverlayNoteFrames, "...........vv..."},
                 {cmd::kOverlayCrossMarks, ".............v.."},
                 {cmd::kViewFillPolygons, "...............v"},
             },
             true);
}
