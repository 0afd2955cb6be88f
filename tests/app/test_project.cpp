// The project file: a workspace with every kind of data saved byte for byte
// as laid out by hand and reloaded equal; an independent Python reader;
// older versions; more objects than the archive's 15-bit indexes; the .pbk
// backup and failed saves; damaged files that leave the workspace alone;
// images named with Windows paths.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <array>
#include <filesystem>
#include <map>
#include <sstream>

#include "app/projectfile.h"
#include "app/qzndoc.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "tests/app/project_test_util.h"
#include "tests/app/qzndoc_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

using projfix::Bytes;
using qzntest::TempDir;
namespace fs = std::filesystem;

namespace {

std::string Gbk(const char* hex) {
  const std::vector<std::uint8_t> b = qzntest::FromHex(hex);
  return std::string(b.begin(), b.end());
}

// Everything a workspace stores, as bytes: two workspaces are equal when
// they store the same.
std::vector<std::uint8_t> Stored(CQznDoc& doc) {
  CArchive ar;
  doc.Serialize(ar);
  return ar.GetBuffer();
}

std::ptrdiff_t FileCount(const TempDir& dir) {
  return std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator());
}

// Items 1 to 7 of the layout, for a version given.
void Head(Bytes& x, int version, const std::string& project = "") {
  x.rect(0, 0, 99, 79).rect(5, 6, 50, 60).i32(version).f32(1.5f).i32(180 + 20 * 65536);
  x.str("out.gen").str("").str("").str("/maps/" + Gbk("cdbc") + "1.tif").str(project);
  for (int i = 0; i < 4; ++i) x.str("");
  x.u16(0xFFFF);
}

// The member sets of FillEveryKind, as the layout gives them.
void MemberSets(Bytes& x) {
  using projfix::LineListTail;
  using projfix::LineRecord;
  // Lines: class CChain is index 1, the lines 2 and 3.
  x.u16(2).newClass("CChain");
  LineRecord(x, RECT{0, 1, 5, 6}, 100.0f, 1, {{1, 2}, {3, 4}});
  x.u16(0x8001);
  LineRecord(x, RECT{9, 9, 21, 21}, 0.5f, 2, {{10, 10}, {20, 10}, {20, 20}});
  LineListTail(x, 5.0f, {{100, 200, RGB(0, 0, 255)}});
  // Points.
  x.i32(99999992).f32(0).f32(0).u16(0).u16(7).i32(RGB(255, 0, 0)).u16(0).i32(0);
  x.u16(1111).u32(2).u32(0).u32(0).u32(RGB(255, 0, 0)).u32(1).u32(9).u32(RGB(9, 9, 9));
  x.i32(1).u16(5).f32(321.0f).i32(RGB(1, 2, 3)).i32(1).f32(11.5f).f32(12.5f);
  // Control points: class 4, points 5 and 6.
  x.u16(2).newClass("CControlPt").f64(0).f64(0).f64(500000.0).f64(4000000.5);
  x.u16(0x8004).f64(10).f64(20).f64(500001.0).f64(3999999.5);
  // Text blocks, the first continued by the second; cross marks.
  x.i32(RGB(255, 0, 0)).i32(1).str("").i32(2);
  x.i32(0).rect(10, 40, 20, 52).u16(1).i32(-1).rect(22, 40, 31, 52).u16(0);
  x.i32(0xFA0000).i32(1).str("").i32(1).i32(0).rect(70, 70, 76, 76).u16(0);
  // Characters: class 7, signature 8.
  x.u16(1).newClass("CChar").u16('7').i32(2).i32(2).u8(0).u8(1).u8(1).u8(0);
  x.i32(2).i32(2).str("").str(Gbk("cafdd7d6"));
  // Notes: class 9, note 10.
  x.u16(1).newClass("CNote").rect(10, 40, 31, 52).str(Gbk("b8dfb3cc203137")).u32(1 | (30u << 16));
  x.i32(RGB(0, 0, 255)).str("").u16(0);
  // World file.
  x.i32(3).f64(2.5).f64(0).f64(500000.0).f64(0).f64(-2.5).f64(4000000.0);
  // Hidden lines (line 11), hidden points, hidden notes (note 12).
  x.u16(1).u16(0x8001);
  LineRecord(x, RECT{29, 29, 41, 36}, 7.0f, 2, {{30, 30}, {40, 35}});
  LineListTail(x, 0.0f, {});
  x.i32(99999992).f32(0).f32(0).u16(0).u16(7).i32(RGB(255, 0, 0)).u16(0).i32(0);
  x.u16(1111).u32(1).u32(0).u32(0).u32(RGB(255, 0, 0));
  x.i32(1).u16(7).f32(-2.0f).i32(RGB(4, 5, 6)).i32(2).f32(60.0f).f32(61.0f);
  x.u16(1).u16(0x8009).rect(1, 1, 9, 9).str("x").u32(2).i32(RGB(0, 0, 255)).str("").u16(0);
  // Layers: "0" visible and current, 道路 visible, 水系 hidden.
  x.u32(3);
  x.i32(0).i32(3).i32(1).i32(0).i32(0).u32(RGB(0, 255, 0)).str("0");
  x.i32(1).i32(1).i32(1).i32(0).i32(0).u32(RGB(200, 0, 0)).str(Gbk("b5c0c2b7"));
  x.i32(2).i32(0).i32(1).i32(0).i32(0).u32(RGB(0, 0, 200)).str(Gbk("cbaecfb5"));
}

void IdTables(Bytes& x) {
  x.u16(1111).u32(1).u32(100).u32(200).u32(RGB(0, 0, 255));
  x.u16(1111).u32(2).u32(0).u32(0).u32(RGB(255, 0, 0)).u32(1).u32(9).u32(RGB(9, 9, 9));
}

void FillDoc(CQznDoc& doc) {
  projfix::FillEveryKind(doc);
  doc.m_layers.GetAt(1).m_color = RGB(200, 0, 0);
  doc.m_layers.GetAt(2).m_color = RGB(0, 0, 200);
}

std::vector<std::uint8_t> Version8Bytes(const std::string& project = "") {
  Bytes x;
  Head(x, 8, project);
  x.i32(300).i32(40);
  MemberSets(x);
  IdTables(x);
  x.i32(4).i32(2).i32(3).i32(4).i32(25);
  x.i32(0);
  x.i32(1000).u16(1).f32(200).f32(3).f32(30).f32(4).f32(20).f32(5);
  return x.b;
}

}  // namespace

TEST(ProjectFile, EveryKindOfDataSavesAsLaidOutAndReloadsEqual) {
  CScriptedHost svc;
  CHostScope scope(&svc);
  TempDir dir;
  CQznDoc doc;
  FillDoc(doc);
  const std::string path = dir.file("sheet.prj");
  ASSERT_EQ(doc.SaveProject(path), 1);
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathProject], path);
  EXPECT_FALSE(doc.IsDataModified());
  EXPECT_EQ(doc.m_nVersion, 3);

  // The project path is stored too.
  const std::vector<std::uint8_t> expected = Version8Bytes(path);
  const std::vector<std::uint8_t> actual = qzntest::ReadFileBytes(path);
  ASSERT_EQ(qzntest::Hex(actual), qzntest::Hex(expected));

  CQznDoc back;
  ASSERT_EQ(back.ReadProject(path), 1);
  EXPECT_TRUE(svc.messages.empty());
  EXPECT_EQ(Stored(back), Stored(doc));
  EXPECT_FALSE(back.IsDataModified());
  EXPECT_EQ(back.m_nSpareWord, 65535);
  EXPECT_EQ(back.m_lines.GetCount(), 2);
  EXPECT_EQ(back.m_hiddenLines.GetCount(), 1);
  EXPECT_EQ(back.m_textBlocks.GetHead()->m_pNext, back.m_textBlocks.GetTail());
  EXPECT_EQ(back.m_chars.GetHead()->m_nCode, '7');
  EXPECT_EQ(back.m_notes.GetHead()->m_strText, "高程 17");
  EXPECT_EQ(back.m_paths[CQznDoc::kPathImage], "/maps/图1.tif");
  EXPECT_EQ(back.m_layers.GetCount(), 3);
  EXPECT_EQ(back.m_lineTool.autoTrace, 2);
  EXPECT_EQ(back.m_lineTool.snap, 3);
  EXPECT_EQ(back.m_lineTool.snapToEndPoints, 4);
  EXPECT_EQ(back.m_lineTool.snapDistance, 25);
  EXPECT_EQ(back.m_nDecimalIDs, 0);
  EXPECT_EQ(back.m_colorClasses.GetSize(), 1);

  // Saving and loading again changes nothing: the ID colour tables, stored
  // twice, do not grow.
  const std::string again = dir.file("again.prj");
  ASSERT_EQ(back.SaveProject(again), 1);
  CQznDoc third;
  ASSERT_EQ(third.ReadProject(again), 1);
  EXPECT_EQ(third.m_lines.m_idColors.GetCount(), 1);
  EXPECT_EQ(third.m_points.m_idColors.GetCount(), 2);
  EXPECT_EQ(third.m_hiddenPoints.m_idColors.GetCount(), 1);
}

TEST(ProjectFile, PythonReaderWrittenFromTheLayoutParsesASavedProject) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"json"}), "python3")
  TempDir dir;
  CQznDoc doc;
  FillDoc(doc);
  // Enough lines for the archive's big-index escape.
  for (int i = 0; i < 33000; ++i)
    projfix::AddLine(doc.m_hiddenLines, 1, static_cast<float>(i), {{0, 0}, {1, 1}}, RECT{0, 0, 2, 2});
  // A class first met beyond the escape.
  CNote* late = doc.m_hiddenNotes.AddNote(RECT{2, 2, 3, 3}, "末");
  late->m_nID = 1;
  const std::string path = dir.file("py.prj");
  ASSERT_EQ(doc.SaveProject(path), 1);

  std::string out;
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() + " " + qzntest::SourcePath("tests/app/read_project.py") + " " + path,
                                &out),
            0)
      << out;
  std::istringstream in(out);
  std::string key, value;
  std::map<std::string, std::string> got;
  while (in >> key && std::getline(in, value)) got[key] = value.substr(value.empty() ? 0 : 1);
  EXPECT_EQ(got["version"], "8");
  EXPECT_EQ(got["extent"], "0 0 99 79");
  EXPECT_EQ(got["threshold"], "20 180");
  EXPECT_EQ(got["image"], "/maps/图1.tif");
  EXPECT_EQ(got["lines"], "2");
  EXPECT_EQ(got["line_points"], "5");
  EXPECT_EQ(got["points"], "1");
  EXPECT_EQ(got["control_points"], "2");
  EXPECT_EQ(got["text_blocks"], "2");
  EXPECT_EQ(got["cross_marks"], "1");
  EXPECT_EQ(got["chars"], "7");
  EXPECT_EQ(got["notes"], "高程 17");
  EXPECT_EQ(got["world"], "2.5 0 500000 0 -2.5 4e+06");
  EXPECT_EQ(got["hidden_lines"], "33001");
  EXPECT_EQ(got["hidden_points"], "1");
  EXPECT_EQ(got["hidden_notes"], "x|末");
  EXPECT_EQ(got["layers"], "0|道路|水系");
  EXPECT_EQ(got["line_tool"], "4 2 3 4 25");
  EXPECT_EQ(got["decimal_ids"], "0");
  EXPECT_EQ(got["color_classes"], "1");
  EXPECT_EQ(got["bytes_left"], "0");

  // And it all loads back.
  CQznDoc back;
  ASSERT_EQ(back.ReadProject(path), 1);
  EXPECT_EQ(back.m_hiddenLines.GetCount(), 33001);
  ASSERT_EQ(back.m_hiddenNotes.GetCount(), 2);
  EXPECT_EQ(back.m_hiddenNotes.GetTail()->m_strText, "末");
  EXPECT_EQ(Stored(back), Stored(doc));
}

TEST(ProjectFile, OlderVersionsLoadWhatTheyHaveAndKeepDefaultsForTheRest) {
  TempDir dir;
  struct Case {
    int version;
    bool display, sets, idTables, tool, decimals, classes;
  };
  const Case cases[] = {
      {2, false, false, false, false, false, false}, {3, false, true, false, false, false, false},
      {4, true, true, false, false, false, false},   {5, true, true, true, false, false, false},
      {6, true, true, true, true, false, false},     {7, true, true, true, true, true, false},
  };
  for (const Case& c : cases) {
    CScriptedHost svc;
    CHostScope scope(&svc);
    Bytes x;
    Head(x, c.version);
    if (c.display) x.i32(300).i32(40);
    if (c.sets) MemberSets(x);
    if (c.idTables) IdTables(x);
    // The third setting's first copy differs: the later one is kept.
    if (c.tool) x.i32(99).i32(2).i32(3).i32(4).i32(25);
    if (c.decimals) x.i32(0);
    const std::string path = dir.file("v" + std::to_string(c.version) + ".prj");
    qzntest::WriteFileBytes(path, x.b);

    CQznDoc doc;
    ASSERT_EQ(doc.ReadProject(path), 1) << c.version;
    EXPECT_EQ(svc.messages.size(), c.version < 3 ? 1u : 0u) << c.version;
    if (c.version < 3) {
      EXPECT_EQ(svc.messages[0].text, "这是一个旧版本的文件。一些数据可能不能载入。");
    }
    EXPECT_EQ(doc.m_nThreshHigh, 180);
    EXPECT_EQ(doc.m_nThreshLow, 20);
    EXPECT_EQ(doc.m_nSpareWord, 65535);
    EXPECT_EQ(doc.m_nVersion, 3);
    EXPECT_EQ(doc.m_paths[CQznDoc::kPathImage], "/maps/图1.tif");
    EXPECT_EQ(doc.m_display.nodeColor, c.display ? 300u : 250u) << c.version;
    EXPECT_EQ(doc.m_lines.GetCount(), c.sets ? 2 : 0) << c.version;
    EXPECT_EQ(doc.m_layers.GetCount(), c.sets ? 3 : 1) << c.version;
    EXPECT_EQ(doc.m_lines.m_idColors.GetCount(), c.sets ? 1 : 0) << c.version;
    EXPECT_EQ(doc.m_lineTool.autoTrace, c.tool ? 2 : 1) << c.version;
    EXPECT_EQ(doc.m_lineTool.snapToEndPoints, c.tool ? 4 : 0) << c.version;
    EXPECT_EQ(doc.m_lineTool.snapDistance, c.tool ? 25 : 20) << c.version;
    EXPECT_EQ(doc.m_nDecimalIDs, c.decimals ? 0 : 1) << c.version;
    EXPECT_TRUE(doc.m_colorClasses.IsEmpty());
  }
}

TEST(ProjectFile, LoadingFixesLayerIdsAndDropsLinesWithoutTwoVertices) {
  TempDir dir;
  CQznDoc doc;
  FillDoc(doc);
  doc.m_layers.GetAt(2).m_nID = 1;  // a repeated ID
  projfix::AddLine(doc.m_lines, 0, 1.0f, {{5, 5}}, RECT{4, 4, 6, 6});
  doc.m_lines.NewChain();
  const std::string path = dir.file("fix.prj");
  ASSERT_EQ(doc.SaveProject(path), 1);
  CQznDoc back;
  ASSERT_EQ(back.ReadProject(path), 1);
  EXPECT_EQ(back.m_lines.GetCount(), 2);
  EXPECT_NE(back.m_layers.GetAt(2).m_nID, back.m_layers.GetAt(1).m_nID);
  EXPECT_FALSE(back.IsDataModified());
}

TEST(ProjectFile, SavingKeepsThePreviousFileAsTheOnlyBackup) {
  CScriptedHost svc;
  CHostScope scope(&svc);
  TempDir dir;
  const std::string path = dir.file("keep.prj");
  const std::string pbk = dir.file("keep.pbk");
  CQznDoc doc;
  FillDoc(doc);
  ASSERT_EQ(doc.SaveProject(path), 1);
  EXPECT_FALSE(fs::exists(pbk)) << "nothing to keep the first time";
  const auto first = qzntest::ReadFileBytes(path);
  doc.m_nDecimalIDs = 1;
  ASSERT_EQ(doc.SaveProject(std::string()), 1) << "the stored project path";
  const auto second = qzntest::ReadFileBytes(path);
  EXPECT_EQ(qzntest::ReadFileBytes(pbk), first);
  doc.m_nDecimalIDs = 0;
  ASSERT_EQ(doc.SaveProject(path), 1);
  EXPECT_EQ(qzntest::ReadFileBytes(pbk), second);
  EXPECT_EQ(qzntest::ReadFileBytes(path), first);
  EXPECT_EQ(FileCount(dir), 2) << "no temporary file is left behind";

  // A project saved under the backup's own name: the new project stays; the
  // backup of the old one would land on it.
  const std::string named = dir.file("named.pbk");
  ASSERT_EQ(doc.SaveProject(named), 1);
  doc.m_nDecimalIDs = 1;
  ASSERT_EQ(doc.SaveProject(named), 1);
  CQznDoc reread;
  ASSERT_EQ(reread.ReadProject(named), 1);
  EXPECT_EQ(reread.m_nDecimalIDs, 1);
  fs::remove(named);

  // No path at all: nothing to save to.
  CQznDoc fresh;
  EXPECT_EQ(fresh.SaveProject(std::string()), 0);
  EXPECT_EQ(fresh.ReadProject(std::string()), 0);

  // BackupProjectFile on its own keeps a copy and leaves the project.
  ASSERT_EQ(doc.BackupProjectFile(path), 1);
  EXPECT_EQ(qzntest::ReadFileBytes(pbk), first);
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(doc.BackupProjectFile(dir.file("none.prj")), 1);

  // A project reached through a symbolic link: the link stays, the file it
  // points to takes the new project, the backup holds the old one.
  fs::create_directories(dir.file("real"));
  fs::copy_file(path, dir.file("real/sheet.prj"));
  fs::create_symlink(dir.file("real/sheet.prj"), dir.file("link.prj"));
  doc.m_nDecimalIDs = 1;
  ASSERT_EQ(doc.SaveProject(dir.file("link.prj")), 1);
  EXPECT_TRUE(fs::is_symlink(dir.file("link.prj")));
  EXPECT_EQ(qzntest::ReadFileBytes(dir.file("link.pbk")), first);
  EXPECT_NE(qzntest::ReadFileBytes(dir.file("real/sheet.prj")), first);
  EXPECT_TRUE(svc.messages.empty());
}

TEST(ProjectFile, AFailedSaveLeavesProjectAndBackupAlone) {
  CScriptedHost svc;
  CHostScope scope(&svc);
  TempDir dir;
  const std::string path = dir.file("safe.prj");
  const std::string pbk = dir.file("safe.pbk");
  CQznDoc doc;
  FillDoc(doc);
  ASSERT_EQ(doc.SaveProject(path), 1);
  ASSERT_EQ(doc.SaveProject(path), 1);
  const auto project = qzntest::ReadFileBytes(path);
  const auto backup = qzntest::ReadFileBytes(pbk);

  // A write error half way: the file size limit stops the temporary file.
  for (int i = 0; i < 2000; ++i) projfix::AddLine(doc.m_lines, 1, 1.0f, {{0, 0}, {9, 9}}, RECT{0, 0, 10, 10});
  doc.m_lines.m_nModified = 1;
  doc.m_notes.m_nModified = 1;
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto previous = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int saved = doc.SaveProject(path);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, previous);
  EXPECT_EQ(saved, 0);
  ASSERT_FALSE(svc.messages.empty());
  EXPECT_EQ(svc.messages.back().text, "不能保存方案。");
  EXPECT_EQ(qzntest::ReadFileBytes(path), project);
  EXPECT_EQ(qzntest::ReadFileBytes(pbk), backup);
  // Nothing was saved, so the changes still count as unsaved.
  EXPECT_EQ(doc.m_lines.m_nModified, 1);
  EXPECT_EQ(doc.m_notes.m_nModified, 1);

  // A target that cannot be a file.
  svc.messages.clear();
  fs::create_directories(dir.file("folder.prj"));
  EXPECT_EQ(doc.SaveProject(dir.file("folder.prj")), 0);
  ASSERT_EQ(svc.messages.size(), 1u);
  EXPECT_EQ(svc.messages[0].text, "不能保存方案。");
  EXPECT_TRUE(doc.IsDataModified());

  EXPECT_EQ(FileCount(dir), 3) << "no temporary file is left behind";
}

TEST(ProjectFile, ADamagedProjectFailsAndLeavesTheWorkspaceAsItWas) {
  CScriptedHost svc;
  CHostScope scope(&svc);
  TempDir dir;
  const std::vector<std::uint8_t> good = Version8Bytes();
  CQznDoc doc;
  projfix::AddLine(doc.m_lines, 0, 3.0f, {{1, 1}, {2, 2}}, RECT{0, 0, 3, 3});
  doc.m_paths[CQznDoc::kPathProject] = "/old/one.prj";
  doc.m_lines.m_nModified = 1;
  const auto before = Stored(doc);
  doc.m_lines.m_nModified = 1;

  const std::string path = dir.file("bad.prj");
  // Cut everywhere in the first 200 bytes, then in coarser steps.
  for (std::size_t cut = 0; cut < good.size(); cut += cut < 200 ? 1 : 13) {
    svc.messages.clear();
    qzntest::WriteFileBytes(path, std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<long>(cut)));
    ASSERT_EQ(doc.ReadProject(path), 0) << cut;
    ASSERT_EQ(svc.messages.size(), 1u) << cut;
    EXPECT_EQ(svc.messages[0].text, "错误: 无效的方案文件。") << cut;
    EXPECT_EQ(doc.m_lines.m_nModified, 1) << cut;
    ASSERT_EQ(Stored(doc), before) << cut;
    doc.m_lines.m_nModified = 1;
  }
  // A lying count.
  std::vector<std::uint8_t> lying = good;
  Bytes head;
  Head(head, 8);
  lying[head.b.size() + 8] = 0xFE;  // the line count
  qzntest::WriteFileBytes(path, lying);
  svc.messages.clear();
  EXPECT_EQ(doc.ReadProject(path), 0);
  EXPECT_EQ(Stored(doc), before);

  // Files of ours holding a number no workspace can: a line vertex that is
  // NaN, a point at +inf, a layer 0 or -1 pixels wide.
  for (const char* name :
       {"nan-line-vertex.prj", "inf-point.prj", "layer-width-zero.prj", "layer-width-negative.prj"}) {
    SCOPED_TRACE(name);
    svc.messages.clear();
    EXPECT_EQ(doc.ReadProject(qzntest::SourcePath(std::string("tests/fixtures/damaged/readers/prj/") + name)), 0);
    ASSERT_EQ(svc.messages.size(), 1u);
    EXPECT_EQ(svc.messages[0].text, "错误: 无效的方案文件。");
    EXPECT_EQ(Stored(doc), before);
    EXPECT_EQ(doc.m_paths[CQznDoc::kPathProject], "/old/one.prj");
  }

  svc.messages.clear();
  EXPECT_EQ(doc.ReadProject(dir.file("missing.prj")), 0);
  ASSERT_EQ(svc.messages.size(), 1u);
  EXPECT_EQ(svc.messages[0].text, "不能打开方案。");
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathProject], "/old/one.prj");
}

TEST(ProjectFile, ImagesNamedByTheWindowsProgramAreFound) {
  TempDir dir;
  fs::create_directories(dir.file("moved"));
  const std::string project = dir.file("moved/Sheet.prj");
  qzntest::WriteFileBytes(dir.file("moved/sheet1.tif"), {0});
  qzntest::WriteFileBytes(dir.file("exact.tif"), {0});
  struct Case {
    std::string stored, found;
  };
  const Case cases[] = {
      {dir.file("exact.tif"), dir.file("exact.tif")},
      {"D:\\Maps\\SHEET1.TIF", dir.file("moved/sheet1.tif")},
      {"d:/maps/Sheet1.tif", dir.file("moved/sheet1.tif")},
      {"\\\\server\\share\\sheet1.tif", dir.file("moved/sheet1.tif")},
      {"C:\\maps\\other.tif", ""},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(fs::path(FindProjectImage(project, c.stored)).lexically_normal(), fs::path(c.found).lexically_normal())
        << c.stored;
  EXPECT_EQ(ProjectBackupPath("/a/b.c/Sheet.PRJ"), "/a/b.c/Sheet.pbk");
}

TEST(ProjectFile, OpeningAProjectWrittenOnWindowsLoadsItsImage) {
  CScriptedHost svc;
  CHostScope scope(&svc);
  TempDir dir;
  CRasterImage img;
  doctest::MakeGrey(img, 40, 30);
  doctest::DrawLine(img, 5, 5, 30, 20, 3);
  CQznDoc writer;
  writer.m_image.MoveFrom(img);
  ASSERT_EQ(writer.OnSaveDocument(dir.file("scan7.tif")), 1);
  writer.m_image.Free();
  writer.m_paths[CQznDoc::kPathImage] = "E:\\Scans\\SCAN7.TIF";
  projfix::AddLine(writer.m_lines, 0, 1.0f, {{1, 1}, {8, 8}}, RECT{0, 0, 9, 9});
  ASSERT_EQ(writer.SaveProject(dir.file("scan7.prj")), 1);

  CQznDoc doc;
  ASSERT_EQ(doc.OnOpenDocument(dir.file("scan7.prj")), 1);
  EXPECT_TRUE(doc.m_image.HasPixels());
  EXPECT_EQ(doc.m_extent, (RECT{0, 0, 39, 29}));
  EXPECT_EQ(doc.m_lines.GetCount(), 1);
  EXPECT_TRUE(svc.messages.empty());
}

TEST(ProjectFile, AnImageThatCannotBeFoundIsAskedForThroughTheHost) {
  TempDir dir;
  CRasterImage img;
  doctest::MakeGrey(img, 40, 30);
  CQznDoc writer;
  writer.m_image.MoveFrom(img);
  ASSERT_EQ(writer.OnSaveDocument(dir.file("elsewhere.tif")), 1);
  writer.m_image.Free();
  writer.m_paths[CQznDoc::kPathImage] = "E:\\Scans\\gone.tif";
  ASSERT_EQ(writer.SaveProject(dir.file("work.prj")), 1);

  for (const bool chosen : {true, false}) {
    CScriptedHost host;
    CHostScope scope(&host);
    if (chosen) host.fileAnswers = {{dir.file("elsewhere.tif")}};
    CQznDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(dir.file("work.prj")), 1);  // cancelled: the project opens without an image
    EXPECT_EQ(doc.m_image.HasPixels(), chosen);
    ASSERT_EQ(host.fileDialogs.size(), 1u);
    const FileDialogRequest& d = host.fileDialogs[0];
    EXPECT_EQ(d.kind, FileDialogKind::open);
    EXPECT_EQ(d.fileName, "gone.tif");
    EXPECT_EQ(d.defaultExtension, "tif");
    EXPECT_EQ(d.flags, 0x1004u);  // the file must exist; read-only hidden
    const std::vector<FileFilter> filters = SplitFileFilter(d.filter);
    ASSERT_EQ(filters.size(), 9u);
    EXPECT_EQ(filters.front().patterns, "*.tif;*.bmp;*.hdr;*.gif;*.jpg;*.rlc;*.png");
    EXPECT_EQ(filters.back().description, "所有文件 (*.*)");
    EXPECT_TRUE(host.messages.empty());
  }
}
