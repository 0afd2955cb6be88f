// The export option dialogs on fake controls: what each shows for a
// workspace (which georeference is chosen and which can be), what OK hands
// back to the export and what Cancel leaves, the resolution dialog behind
// the DXF dialog, the projection list of the MIF dialog, the attribute file
// of the SDL dialog, and exports cancelled in their dialog.
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formats/projectionlist.h"
#include "tests/formats/export_test_util.h"
#include "tests/ui_core/fake_dialogs.h"
#include "tests/ui_core/viewcommand_test_util.h"
#include "ui/core/exportdlgs.h"

using namespace qzn;
using qzntest::FakeControls;
using qzntest::ScriptedDialogs;

namespace {

enum class Georef { none, controlPoints, worldFile, both, rememberedBilinear };

struct Workspace {
  CScriptedHost host;
  CHostScope scope{&host};
  CQznDoc doc;
  explicit Workspace(Georef g = Georef::none) {
    exporttest::FillSample(doc);
    if (g == Georef::controlPoints || g == Georef::both || g == Georef::rememberedBilinear)
      exporttest::AddControlPoints(doc);
    if (g == Georef::worldFile || g == Georef::both) exporttest::AddWorldFile(doc);
    // The last georeference chosen in an earlier export: bilinear.
    if (g == Georef::rememberedBilinear) doc.m_nSpareWord = 0;
  }
};

// What a dialog shows of the georeference: the checked button (0 none) and
// the buttons that can be pressed.
struct GeorefShown {
  int checked = 0;
  std::vector<int> enabled;
};

// One dialog as the export opens it through the hook.
struct DialogCase {
  const char* name;
  std::vector<int> radios;  // its georeference buttons
  std::function<bool(CExportOptionDialogs&, CQznDoc&)> ask;
};

template <class Options>
std::function<bool(CExportOptionDialogs&, CQznDoc&)> Asking(bool (IExportOptionsHook::*ask)(CQznDoc&, Options&)) {
  return [ask](CExportOptionDialogs& hook, CQznDoc& doc) {
    Options o = Options::Defaults(doc);
    return (hook.*ask)(doc, o);
  };
}

const std::vector<DialogCase>& Dialogs() {
  static const std::vector<int> five = {206, 214, 215, 216, 217}, four = {206, 214, 215, 216};
  static const std::vector<DialogCase> cases = {
      {"dxf", {204, 205, 206, 215, 216}, Asking(&IExportOptionsHook::AskDxf)},
      {"mif", five, Asking(&IExportOptionsHook::AskMif)},
      {"shp", five, Asking(&IExportOptionsHook::AskArcView)},
      {"xyz", four, Asking(&IExportOptionsHook::AskXyz)},
      {"sdl", four, Asking(&IExportOptionsHook::AskSdl)},
      {"gen", five, Asking(&IExportOptionsHook::AskArcPnt)},
      {"iges", {206, 214, 215, 216, 204, 205}, Asking(&IExportOptionsHook::AskIges)},
  };
  return cases;
}

GeorefShown Shown(const DialogCase& d, Georef g) {
  Workspace w(g);
  ScriptedDialogs dialogs;
  GeorefShown shown;
  dialogs.scripts.push_back([&](CDialogModel&, FakeControls& c) {
    for (int id : d.radios) {
      if (c.GetCheck(id)) shown.checked = id;
      if (c.IsEnabled(id)) shown.enabled.push_back(id);
    }
    return IDCANCEL;
  });
  CExportOptionDialogs hook;
  EXPECT_FALSE(d.ask(hook, w.doc)) << d.name;
  EXPECT_EQ(dialogs.shown.size(), 1u) << d.name;
  return shown;
}

}  // namespace

TEST(ExportDialogs, EachShowsTheGeoreferenceTheWorkspaceGivesAndEnablesOnlyWhatItHas) {
  // The checked button per workspace: none, control points, world file,
  // both, a remembered bilinear choice (with control points).
  const std::map<std::string, std::vector<int>> checked = {
      {"dxf", {204, 204, 204, 204, 206}},  // page space, or the remembered choice
      {"mif", {0, 214, 216, 214, 214}},    // the control points win
      {"shp", {206, 214, 216, 216, 214}},  // the world file wins
      {"xyz", {0, 215, 216, 216, 215}},    // control points: triangulation
      {"sdl", {206, 214, 216, 216, 214}}, {"gen", {0, 214, 216, 216, 214}}, {"iges", {206, 206, 206, 206, 206}},
  };
  const Georef kinds[] = {Georef::none, Georef::controlPoints, Georef::worldFile, Georef::both,
                          Georef::rememberedBilinear};
  for (const DialogCase& d : Dialogs()) {
    for (std::size_t k = 0; k < std::size(kinds); ++k) {
      SCOPED_TRACE(std::string(d.name) + " workspace " + std::to_string(k));
      const GeorefShown shown = Shown(d, kinds[k]);
      EXPECT_EQ(shown.checked, checked.at(d.name)[k]);
      const bool points = kinds[k] != Georef::none && kinds[k] != Georef::worldFile;
      const bool tfw = kinds[k] == Georef::worldFile || kinds[k] == Georef::both;
      // The control points' two buttons and the world file's are the 2nd to
      // 4th of every group after the DXF dialog's two page modes.
      const std::size_t first = d.radios[0] == 204 && d.radios[1] == 205 ? 2 : 1;
      std::vector<int> expected;
      for (std::size_t i = 0; i < d.radios.size(); ++i) {
        const bool isPoints = i == first || i == first + 1, isTfw = i == first + 2;
        const bool pageSpaceOfIges = std::string(d.name) == "iges" && d.radios[i] == 204;
        if ((isPoints && !points) || (isTfw && !tfw) || pageSpaceOfIges) continue;  // no resolution
        expected.push_back(d.radios[i]);
      }
      EXPECT_EQ(shown.enabled, expected);
    }
  }
}

TEST(ExportDialogs, OkHandsTheChoicesToTheExportAndCancelKeepsTheDefaults) {
  Workspace w(Georef::both);
  CQznDoc& doc = w.doc;
  CExportOptionDialogs hook;
  struct Case {
    const char* name;
    std::function<void(FakeControls&)> fill;
    std::function<bool(bool ok)> ask;  // runs the dialog; true when the values are as expected
  };
  // Each case answers through the dialog's controls, then checks the record.
  const std::vector<Case> cases = {
      {"dxf",
       [](FakeControls& c) {
         c.SetCheck(CDxfOutDlg::kIdAsZ, false);
         c.SetCheck(CDxfOutDlg::kText, false);
         c.SetCheck(CDxfOutDlg::kPageSpace, false);
         c.SetCheck(CDxfOutDlg::kWorldFile, true);
       },
       [&](bool ok) {
         DxfOutOptions o = DxfOutOptions::Defaults(doc);
         EXPECT_EQ(hook.AskDxf(doc, o), ok);
         return ok ? o.idAsZ == 0 && o.text == 0 && o.lines == 1 && o.mode == DxfOutOptions::worldFile
                   : o.idAsZ == 1 && o.text == 1 && o.mode == DxfOutOptions::pageSpace;
       }},
      {"mif",
       [](FakeControls& c) {
         c.SetText(CMifParamDlg::kUnitName, "千米");
         c.SetCheck(CMifParamDlg::kLatLong, false);
         c.SetCheck(CMifParamDlg::kNonEarth, true);
         c.SetCheck(CMifParamDlg::kCreateMid, false);
         c.SetCheck(CMifParamDlg::kRegions, true);
         c.SetCheck(kRadioBilinear, false);
         c.SetCheck(kRadioFlip, true);
       },
       [&](bool ok) {
         MifParamOptions o = MifParamOptions::Defaults(doc);
         EXPECT_EQ(hook.AskMif(doc, o), ok);
         return ok ? o.Clause() == "CoordSys Nonearth\nUnits \"km\"" && o.createMid == 0 && o.regions == 1 &&
                         o.mode == static_cast<int>(GeorefChoice::flip) && o.lines == 1 && o.points == 1
                   : o.Clause().empty() && o.createMid == 1 && o.mode == static_cast<int>(GeorefChoice::bilinear);
       }},
      {"shp",
       [](FakeControls& c) {
         c.SetCheck(CArcViewExportDlg::kLines, false);
         c.SetCheck(CArcViewExportDlg::kNotes, true);
         c.SetCheck(CArcViewExportDlg::kPolygons, true);
       },
       [&](bool ok) {
         ArcViewExportOptions o = ArcViewExportOptions::Defaults(doc);
         EXPECT_EQ(hook.AskArcView(doc, o), ok);
         return ok ? o.source == ArcViewExportOptions::notes && o.polygons == 1
                   : o.source == ArcViewExportOptions::lines && o.polygons == 0;
       }},
      {"xyz", [](FakeControls& c) { c.SetCheck(CXyzOptionsDlg::kLines, false); },
       [&](bool ok) {
         XyzOptions o = XyzOptions::Defaults(doc);
         EXPECT_EQ(hook.AskXyz(doc, o), ok);
         return o.lines == (ok ? 0 : 1) && o.points == 1;
       }},
      {"sdl",
       [](FakeControls& c) {
         c.SetCheck(CSdlOutputDlg::kText, false);
         c.SetCheck(kRadioWorldFile, false);
         c.SetCheck(kRadioNoGeoref, true);
       },
       [&](bool ok) {
         SdlOutputOptions o = SdlOutputOptions::Defaults(doc);
         EXPECT_EQ(hook.AskSdl(doc, o), ok);
         return ok ? o.text == 0 && o.mode == static_cast<int>(GeorefChoice::none)
                   : o.text == 1 && o.mode == static_cast<int>(GeorefChoice::worldFile);
       }},
      {"gen", [](FakeControls& c) { c.SetCheck(CArcPntExportDlg::kIntegerIds, false); },
       [&](bool ok) {
         ArcPntExportOptions o = ArcPntExportOptions::Defaults(doc);
         EXPECT_EQ(hook.AskArcPnt(doc, o), ok);
         return o.integerIds == (ok ? 0 : 1);
       }},
      {"iges",
       [](FakeControls& c) {
         c.SetCheck(kRadioNoGeoref, false);
         c.SetCheck(CIgesOutDlg::kFlip, true);
       },
       [&](bool ok) {
         IgesOutOptions o = IgesOutOptions::Defaults(doc);
         EXPECT_EQ(hook.AskIges(doc, o), ok);
         return o.mode == (ok ? IgesOutOptions::flip : IgesOutOptions::none);
       }},
  };
  for (const Case& k : cases)
    for (bool ok : {true, false}) {
      SCOPED_TRACE(std::string(k.name) + (ok ? " OK" : " Cancel"));
      ScriptedDialogs dialogs;
      dialogs.scripts.push_back([&](CDialogModel& m, FakeControls& c) {
        k.fill(c);
        return ok ? qzntest::PressOK(m, c) : qzntest::PressCancel(m, c);
      });
      EXPECT_TRUE(k.ask(ok));
      EXPECT_TRUE(w.host.messages.empty());
    }
}

TEST(ExportDialogs, TheResolutionButtonSetsTheImagesResolutionOnlyWhenItsDialogSaysOk) {
  Workspace w;
  CExportOptionDialogs hook;
  struct Case {
    const char* typed;
    const char* unit;
    bool ok;
    float resolution;  // afterwards
    int resolutionUnit;
    bool refused;  // the entry is refused with a message
  };
  const Case cases[] = {
      {"200", "厘米", true, 200.0f, 3, false},
      {"150", "像素", false, 300.0f, 2, false},  // cancelled: the image keeps its resolution
      {"-5", "英寸", true, 300.0f, 2, true},     // no negative resolution
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.typed);
    w.host.messages.clear();
    w.doc.m_image.xResolution = w.doc.m_image.yResolution = 300.0f;
    w.doc.m_image.resolutionUnit = 2;
    ScriptedDialogs dialogs;
    std::vector<std::string> unitsOffered;
    std::string shownResolution;
    dialogs.scripts.push_back([&](CDialogModel& m, FakeControls& c) {
      m.OnClicked(CDxfOutDlg::kResolution, c);
      return qzntest::PressCancel(m, c);
    });
    dialogs.scripts.push_back([&](CDialogModel& m, FakeControls& c) {
      unitsOffered = c.items[CImageResDlg::kUnit];
      shownResolution = c.GetText(CImageResDlg::kResolution) + " " + c.GetText(CImageResDlg::kUnit);
      c.SetText(CImageResDlg::kResolution, k.typed);
      c.SetText(CImageResDlg::kUnit, k.unit);
      if (!k.ok) return qzntest::PressCancel(m, c);
      const int r = qzntest::PressOK(m, c);
      EXPECT_EQ(r == 0, k.refused);
      return r == 0 ? qzntest::PressCancel(m, c) : r;
    });
    DxfOutOptions o = DxfOutOptions::Defaults(w.doc);
    EXPECT_FALSE(hook.AskDxf(w.doc, o));
    EXPECT_EQ(dialogs.shown, (std::vector<int>{CDxfOutDlg::kId, CImageResDlg::kId}));
    EXPECT_EQ(shownResolution, "300 英寸");
    EXPECT_EQ(unitsOffered, (std::vector<std::string>{"英寸", "厘米", "像素"}));
    EXPECT_EQ(w.doc.m_image.xResolution, k.resolution);
    EXPECT_EQ(w.doc.m_image.yResolution, k.resolution);
    EXPECT_EQ(w.doc.m_image.resolutionUnit, k.resolutionUnit);
    EXPECT_EQ(w.host.messages.size(), k.refused ? 1u : 0u);
  }
}

TEST(ExportDialogs, ShowListOpensTheProjectionListAndARecordCopiedFromItMakesTheClause) {
  Workspace w(Georef::controlPoints);
  qzntest::TempDir dir;
  viewtest::FakeServices services;
  viewtest::ServicesScope servicesScope(&services);
  ScriptedDialogs dialogs;
  dialogs.scripts.push_back([&](CDialogModel& m, FakeControls& c) {
    auto& mif = dynamic_cast<CMifParamDlg&>(m);
    EXPECT_EQ(c.GetText(CMifParamDlg::kProjection), "\"墨卡托\", 10, 62, \"m\", 0");
    EXPECT_EQ(c.GetText(CMifParamDlg::kUnitName), "英寸");
    EXPECT_EQ(c.GetCount(CMifParamDlg::kUnitName), 8);
    mif.programDir = dir.file("bin");
    mif.fallbackDir = dir.file("settings");
    m.OnClicked(CMifParamDlg::kShowList, c);
    // The user copies the record of UTM zone 33 north from the list.
    const std::string list = qzntest::ReadFileText(dir.file("settings") + "/" + kProjectionListFile);
    const std::size_t at = list.find("\"UTM Zone 33, Northern");
    EXPECT_NE(at, std::string::npos);
    c.SetText(CMifParamDlg::kProjection, list.substr(at, list.find('\n', at) - at));
    c.SetCheck(CMifParamDlg::kLatLong, false);
    c.SetCheck(CMifParamDlg::kEarth, true);
    return qzntest::PressOK(m, c);
  });
  CExportOptionDialogs hook;
  MifParamOptions o = MifParamOptions::Defaults(w.doc);
  ASSERT_TRUE(hook.AskMif(w.doc, o));
  EXPECT_EQ(services.edited, (std::vector<std::string>{dir.file("settings") + "/" + kProjectionListFile}));
  EXPECT_EQ(o.Clause(), "CoordSys Earth Projection  8, 104, \"m\", 15, 0, 0.9996, 500000, 0");
  EXPECT_TRUE(w.host.messages.empty());
}

TEST(ExportDialogs, FindingTheAttributeFileShowsItEnablesMergingAndTheWorkspaceKeepsIt) {
  Workspace w;
  ScriptedDialogs dialogs;
  w.host.fileAnswers.push_back({"/data/names.sda"});
  dialogs.scripts.push_back([&](CDialogModel& m, FakeControls& c) {
    EXPECT_FALSE(c.IsEnabled(CSdlOutputDlg::kMerge));  // no attribute file yet
    m.OnClicked(CSdlOutputDlg::kFindFile, c);
    EXPECT_TRUE(c.IsEnabled(CSdlOutputDlg::kMerge));
    EXPECT_EQ(c.GetText(CSdlOutputDlg::kPath), "/data/names.sda");
    c.SetCheck(CSdlOutputDlg::kMerge, true);
    return qzntest::PressOK(m, c);
  });
  CExportOptionDialogs hook;
  SdlOutputOptions o = SdlOutputOptions::Defaults(w.doc);
  ASSERT_TRUE(hook.AskSdl(w.doc, o));
  ASSERT_EQ(w.host.fileDialogs.size(), 1u);
  EXPECT_EQ(w.host.fileDialogs[0].defaultExtension, "sda");
  EXPECT_EQ(w.host.fileDialogs[0].fileName, "*.sda");
  EXPECT_EQ(o.attributePath, "/data/names.sda");
  EXPECT_EQ(o.merge, 1);
  EXPECT_EQ(w.doc.m_paths[CQznDoc::kPathAttributes], "/data/names.sda");
}

TEST(ExportDialogs, AnExportCancelledInItsDialogWritesNothingAndABatchRunAsksNothing) {
  Workspace w(Georef::controlPoints);
  qzntest::TempDir dir;
  CFormatExports exports;
  IVectorExports* previousExports = SetVectorExports(&exports);
  CExportOptionDialogs hook;
  IExportOptionsHook* previousHook = SetExportOptionsHook(&hook);
  const std::string before = exporttest::Snapshot(w.doc);
  for (const char* name : {"a.dxf", "a.mif", "a.shp", "a.xyz", "a.sdl", "a.gen", "a.pnt", "a.igs"}) {
    SCOPED_TRACE(name);
    // An earlier file of the name stays as it was; a new name stays free.
    const std::string old = dir.file(std::string("old-") + name), fresh = dir.file(name);
    qzntest::WriteFileText(old, "earlier");
    for (const std::string& path : {old, fresh}) {
      ScriptedDialogs dialogs;  // no script: every dialog is cancelled
      EXPECT_EQ(w.doc.SaveVectorFile(path, VectorFileTypeOf(path)), 1);
      EXPECT_EQ(dialogs.shown.size(), 1u);
    }
    EXPECT_EQ(qzntest::ReadFileText(old), "earlier");
    EXPECT_FALSE(std::filesystem::exists(fresh));
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 8);
  EXPECT_EQ(exporttest::Snapshot(w.doc), before);
  EXPECT_TRUE(w.host.messages.empty());
  {
    // A batch run (the host quiet) writes with the defaults, no dialog shown.
    CQuietScope quiet;
    ScriptedDialogs dialogs;
    EXPECT_EQ(w.doc.SaveVectorFile(dir.file("batch.dxf"), kVectorDxf), 1);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(std::filesystem::exists(dir.file("batch.dxf")));
  }
  SetExportOptionsHook(previousHook);
  SetVectorExports(previousExports);
}
