// The option dialogs of the vectorisation and image commands in the window:
// one table-driven smoke that makes every real dialog, fills it, reads it
// back and destroys it; the commands that run them with real dialogs; and
// closing an unsaved workspace, which asks once.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <wx/combobox.h>
#include <wx/docmdi.h>
#include <wx/scrolbar.h>
#include <wx/textctrl.h>

#include "app/qzndoc.h"
#include "raster/tiffio.h"
#include "resources/messages_app.h"
#include "tests/ui/gui_test_util.h"
#include "ui/core/contrastdlgs.h"
#include "ui/core/iddlgs.h"
#include "ui/core/imagedlgs.h"
#include "ui/core/mosaicdlgs.h"
#include "ui/core/palettedlg.h"
#include "ui/core/rawimagedlg.h"
#include "ui/imagecommands.h"
#include "ui/core/layerdlgs.h"
#include "ui/core/vectorizedlgs.h"
#include "ui/dialogs.h"
#include "ui/layerdialogs.h"
#include "ui/docview.h"
#include "ui/edittools.h"
#include "ui/wxtext.h"

using namespace qzn;
using guitest::As;
using guitest::Click;
using guitest::Pump;
using guitest::SmokeCase;
using viewtest::Kind;

namespace {

class ImageDialogs : public guitest::DesktopTest {
 protected:
  int Count(const char* text) const {
    int n = 0;
    for (const std::string& m : host->messages) n += m == text;
    return n;
  }
};

// A workspace for the dialogs that work on one: layers "0", "道路" (with a
// line) and "河流".
CQznDoc& SmokeDoc() {
  static std::unique_ptr<CQznDoc> doc;
  if (!doc) {
    doc = viewtest::MakeDoc(64, 64, Kind::kGrey);
    for (const char* name : {"道路", "河流"}) doc->m_layers.AddLayer()->m_strName = name;
    doc->m_layers.GetAt(1).m_nFill = 2;
    doc->m_layers.GetAt(2).m_nPenStyle = 1;
  }
  return *doc;
}

// A file in a folder of the smoke's own.
std::string Scratch(const std::string& name) {
  static qzntest::TempDir dir;
  return dir.file(name);
}

// A headless view on that workspace for the note dialog.
CQznView& SmokeView() {
  static viewtest::FakeWindow window;
  static std::unique_ptr<CQznView> view;
  if (!view) {
    view = std::make_unique<CQznView>(&SmokeDoc(), &window);
    view->OnInitialUpdate();
  }
  return *view;
}

std::vector<SmokeCase> SmokeCases() {
  return {
      {"vectorize", [] { return std::make_unique<CVectorizeDlg>(); },
       [](IDialogControls& c) {
         c.SetCheck(CVectorizeDlg::kOutlines, true);
         c.SetText(CVectorizeDlg::kSource, "CAD 图形");
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CVectorizeDlg>(m).method, 1);
         EXPECT_EQ(As<CVectorizeDlg>(m).source, "CAD 图形");
       }},
      {"threshold",
       [] {
         auto d = std::make_unique<CThresholdDlg>();
         d->low = 20;
         d->high = 140;
         return d;
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetScrollPos(CThresholdDlg::kHighBar), 140);
         c.SetText(CThresholdDlg::kLowEdit, "35");
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CThresholdDlg>(m).low, 35u);
         EXPECT_EQ(As<CThresholdDlg>(m).high, 140u);
       }},
      {"autotrace", [] { return std::make_unique<CAutoTraceDlg>(); },
       [](IDialogControls& c) { c.SetText(CAutoTraceDlg::kSmoothing, "0.75"); },
       [](CDialogModel& m) { EXPECT_EQ(As<CAutoTraceDlg>(m).smoothing, 0.75); }},
      {"resample",
       [] {
         auto d = std::make_unique<CResampleDlg>();
         d->Set(1001, 10, 1, 1);
         return d;
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetText(CResampleDlg::kSize), "1260");
         c.SetCheck(CResampleDlg::kUp, true);
       },
       [](CDialogModel& m) { EXPECT_EQ(As<CResampleDlg>(m).direction, 1); }},
      {"background", [] { return std::make_unique<CRemoveBackgroundDlg>(); },
       [](IDialogControls& c) { c.SetText(CRemoveBackgroundDlg::kSize, "33"); },
       [](CDialogModel& m) { EXPECT_EQ(As<CRemoveBackgroundDlg>(m).size, 33u); }},
      {"classify", [] { return std::make_unique<CColorClassifyDlg>(); },
       [](IDialogControls& c) { c.SetText(CColorClassifyDlg::kColours, "12"); },
       [](CDialogModel& m) { EXPECT_EQ(As<CColorClassifyDlg>(m).colours, 12u); }},
      {"imageinfo",
       [] {
         auto d = std::make_unique<CImageInfoDlg>();
         d->typeText = "8 位灰度";
         d->columns = 640;
         return d;
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetText(CImageInfoDlg::kType), "8 位灰度");
         c.SetCheck(CImageInfoDlg::kApply, true);
         c.SetText(CImageInfoDlg::kResolution, "300");
         c.SetText(CImageInfoDlg::kUnit, "英寸");
       },
       [](CDialogModel& m) {
         EXPECT_TRUE(As<CImageInfoDlg>(m).apply);
         EXPECT_EQ(As<CImageInfoDlg>(m).resolution, 300.0f);
         EXPECT_EQ(As<CImageInfoDlg>(m).unit, "英寸");
       }},
      {"layers",
       [] {
         auto d = std::make_unique<CLayerManageDlg>();
         d->doc = &SmokeDoc();
         return d;
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetCount(CLayerManageDlg::kList), 3);
         c.SetSel(CLayerManageDlg::kList, 2, true);
         EXPECT_EQ(c.GetSelItems(CLayerManageDlg::kList), std::vector<int>{2});
         c.SetText(CLayerManageDlg::kName, "等高线");
       },
       [](CDialogModel& m) { EXPECT_EQ(As<CLayerManageDlg>(m).name, "等高线"); }},
      {"linetype",
       [] {
         auto d = std::make_unique<CLineTypeDlg>();
         d->width = 2;
         d->unit = "像素";
         return d;
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetText(CLineTypeDlg::kUnit), "像素");
         c.SetCheck(CLineTypeDlg::kDashDotDot, true);
         c.SetText(CLineTypeDlg::kWidth, "1.5");
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CLineTypeDlg>(m).penStyle, 4);
         EXPECT_EQ(As<CLineTypeDlg>(m).width, 1.5f);
       }},
      {"hatch", [] { return std::make_unique<CHatchFillDlg>(); },
       [](IDialogControls& c) {
         EXPECT_FALSE(c.GetCheck(CHatchFillDlg::kFirst));  // none chosen at first
         c.SetCheck(CHatchFillDlg::kFirst + 5, true);
       },
       [](CDialogModel& m) { EXPECT_EQ(As<CHatchFillDlg>(m).pattern, 5); }},
      {"layerops",
       [] {
         auto d = std::make_unique<CLayerOperationDlg>();
         d->doc = &SmokeDoc();
         return d;
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetItemText(CLayerOperationDlg::kSources, 1), "道路");
         c.SetSel(CLayerOperationDlg::kSources, 1, true);
         c.SetCurSel(CLayerOperationDlg::kTarget, 2);
         c.SetCheck(CLayerOperationDlg::kMove, true);
         c.SetCheck(CLayerOperationDlg::kNotes, false);
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CLayerOperationDlg>(m).operation, 1);
         EXPECT_FALSE(As<CLayerOperationDlg>(m).notes);
       }},
      {"idcolor",
       [] {
         static CIDColorList none;
         return std::make_unique<CIDColorDlg>(none, nullptr);
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetText(CIDColorDlg::kCount), "1");
         c.SetText(CIDColorDlg::kLow, "-40");
         c.SetText(CIDColorDlg::kHigh, "40");
       },
       [](CDialogModel& m) {
         const CIDColor& r = *As<CIDColorDlg>(m).ranges.GetHead();
         EXPECT_EQ(r.m_nLow, -40);
         EXPECT_EQ(r.m_nHigh, 40);
         EXPECT_EQ(r.m_color, RGB(0, 255, 0));
       }},
      {"currentid", [] { return std::make_unique<CCurrentIDDlg>(); },
       [](IDialogControls& c) {
         c.SetText(CCurrentIDDlg::kCurrent, "7");
         c.SetCheck(CCurrentIDDlg::kAutoIncrement, true);
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CCurrentIDDlg>(m).currentId, 7.0f);
         EXPECT_TRUE(As<CCurrentIDDlg>(m).autoIncrement);
       }},
      {"idrange", [] { return std::make_unique<CIDRangeDlg>(); },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetText(CIDRangeDlg::kStart), "1");
         c.SetText(CIDRangeDlg::kIncrement, "10");
       },
       [](CDialogModel& m) { EXPECT_EQ(As<CIDRangeDlg>(m).increment, 10); }},
      {"convertid", [] { return std::make_unique<CConvertIDDlg>(); },
       [](IDialogControls& c) {
         EXPECT_TRUE(c.GetCheck(CConvertIDDlg::kLines));
         c.SetText(CConvertIDDlg::kScale, "0.5");
       },
       [](CDialogModel& m) { EXPECT_EQ(As<CConvertIDDlg>(m).scale, 0.5f); }},
      {"contour",
       [] {
         auto d = std::make_unique<CContourValueDlg>();
         d->countText = "12";
         return d;
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetText(CContourValueDlg::kCount), "12");
         c.SetText(CContourValueDlg::kStart, "250");
       },
       [](CDialogModel& m) { EXPECT_EQ(As<CContourValueDlg>(m).start, 250.0f); }},
      {"note", [] { return std::make_unique<CNoteDlg>(SmokeView()); },
       [](IDialogControls& c) { c.SetText(CNoteDlg::kText, "桥梁"); },
       [](CDialogModel& m) { EXPECT_EQ(As<CNoteDlg>(m).text, "桥梁"); }},
      {"rawimage", [] { return std::make_unique<CRawImageDlg>(); },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetText(CRawImageDlg::kColumns), "1024");
         c.SetText(CRawImageDlg::kHeaderName, Scratch("smoke.hdr"));
         c.SetText(CRawImageDlg::kDataName, Scratch("smoke.raw"));
         c.SetCheck(CRawImageDlg::kColour, true);
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CRawImageDlg>(m).fields.photometric, 2);
         EXPECT_TRUE(std::filesystem::exists(Scratch("smoke.hdr")));
       }},
      {"mosaic", [] { return std::make_unique<CMosaicDlg>(); },
       [](IDialogControls& c) {
         c.AddString(CMosaicDlg::kList, "/a/first.tif");
         c.AddString(CMosaicDlg::kList, "/a/second.tif");
         c.SetText(CMosaicDlg::kRows, "1");
         c.SetCheck(CMosaicDlg::kOverlay, true);
       },
       [](CDialogModel& m) {
         EXPECT_EQ(As<CMosaicDlg>(m).images, (std::vector<std::string>{"/a/first.tif", "/a/second.tif"}));
         EXPECT_EQ(As<CMosaicDlg>(m).Mode(), 1);
       }},
      {"composite", [] { return std::make_unique<CColorCompositeDlg>(); },
       [](IDialogControls& c) { c.SetText(CColorSourcesDlg::kGreen, "/a/g.tif"); },
       [](CDialogModel& m) { EXPECT_EQ(As<CColorCompositeDlg>(m).green, "/a/g.tif"); }},
      {"colorize", [] { return std::make_unique<CColorizeDlg>(); },
       [](IDialogControls& c) {
         c.SetText(CColorSourcesDlg::kRed, "/a/r.tif");
         c.SetText(CColorSourcesDlg::kGreen, "/a/g.tif");
         c.SetText(CColorSourcesDlg::kBlue, "/a/b.tif");
       },
       [](CDialogModel& m) { EXPECT_EQ(As<CColorizeDlg>(m).blue, "/a/b.tif"); }},
      {"palette",
       [] {
         auto d = std::make_unique<CPaletteDlg>();
         for (int i = 0; i < 256; ++i) d->entries[i] = PaletteEntry{BYTE(i), BYTE((i * 7) & 255), BYTE(255 - i), 1};
         d->rangeText = "图像灰度范围: 0 - 255";
         return d;
       },
       [](IDialogControls& c) { EXPECT_EQ(c.GetText(CPaletteDlg::kRangeText), "图像灰度范围: 0 - 255"); },
       [](CDialogModel& m) {
         // The window told the model where its cells lie.
         EXPECT_GT(As<CPaletteDlg>(m).frame.right, 100);
       }},
      {"contrast",
       [] {
         auto d = std::make_unique<CContrastDlg>();
         d->Set(nullptr, 30, 220);
         return d;
       },
       [](IDialogControls& c) {
         EXPECT_EQ(c.GetScrollPos(CContrastDlg::kLowBar), 30);
         EXPECT_EQ(c.GetScrollPos(CContrastDlg::kHighBar), 220);
       },
       [](CDialogModel& m) { EXPECT_EQ(As<CContrastDlg>(m).high, 220); }},
      {"imagecolor",
       [] {
         ViewPalette p{};
         p[0] = PaletteEntry{0, 0, 128, 1};
         p[1] = PaletteEntry{255, 255, 200, 1};
         return std::make_unique<CImageColorDlg>(p, 1);
       },
       [](IDialogControls&) {}, [](CDialogModel& m) { EXPECT_EQ(As<CImageColorDlg>(m).foreground, RGB(0, 0, 128)); }},
      {"binaryvalue",
       [] {
         auto d = std::make_unique<CBinaryValueDlg>();
         d->zeroIsBlack = 1;
         return d;
       },
       [](IDialogControls& c) { EXPECT_EQ(c.GetText(CBinaryValueDlg::kText), "0 (黑色)"); },
       [](CDialogModel& m) { EXPECT_EQ(As<CBinaryValueDlg>(m).value, 0); }},
      {"colorpixel", [] { return std::make_unique<CColorPixelValueDlg>(); },
       [](IDialogControls& c) { c.SetText(CColorPixelValueDlg::kBlue, "200"); },
       [](CDialogModel& m) { EXPECT_EQ(As<CColorPixelValueDlg>(m).blue, 200); }},
      {"pixelvalue", [] { return std::make_unique<CPixelValueDlg>(); },
       [](IDialogControls& c) { c.SetText(CPixelValueDlg::kValue, "17"); },
       [](CDialogModel& m) { EXPECT_EQ(As<CPixelValueDlg>(m).value, 17); }},
      {"layercolor", [] { return std::make_unique<CLayerColorDlg>(); },
       [](IDialogControls& c) { c.SetCheck(CLayerColorDlg::kAll, true); },
       [](CDialogModel& m) { EXPECT_EQ(As<CLayerColorDlg>(m).choice, 2); }},
  };
}

}  // namespace

TEST_F(ImageDialogs, EveryDialogIsMadeFilledReadBackAndDestroyed) {
  guitest::RunDialogSmoke(SmokeCases(), host->messages);
}

TEST_F(ImageDialogs, ClosingAnUnsavedWorkspaceAsksOnce) {
  const std::string scan = WriteScan("unsaved.tif", 64, 48, Kind::kGrey);
  auto modified = [&] {
    CImageWindow* w = OpenFromDialog(scan);
    EXPECT_NE(w, nullptr);
    w->View().Document()->SetImageModified(1);
    return w;
  };
  // The tab's close, leaving the program (every workspace) and closing the
  // one workspace through the manager.
  const std::function<void()> closes[] = {
      [] { MainFrame()->GetActiveChild()->Close(); },
      [] { Desktop()->manager->CloseDocuments(false); },
      [] { Desktop()->manager->CloseDocument(Desktop()->manager->GetCurrentDocument()); },
  };
  for (const auto& close : closes) {
    modified();
    host->messages.clear();
    host->answers = {IDNO};
    close();
    Pump();
    EXPECT_EQ(Count(res::text::kAskSaveImage), 1);
    EXPECT_EQ(MainFrame()->ActiveImageWindow(), nullptr);
    EXPECT_TRUE(Desktop()->manager->GetDocumentsVector().empty());
  }
  // A cancelled question keeps the workspace and asks again next time.
  CImageWindow* w = OpenFromDialog(scan);
  ASSERT_NE(w, nullptr) << (host->messages.empty() ? "" : host->messages.back());
  w->View().Document()->m_lines.m_nModified = 1;
  host->messages.clear();
  host->answers = {IDCANCEL};
  MainFrame()->GetActiveChild()->Close();
  Pump();
  ASSERT_NE(MainFrame()->ActiveImageWindow(), nullptr);
  host->answers = {IDNO};
  MainFrame()->GetActiveChild()->Close();
  Pump();
  EXPECT_EQ(Count(res::text::kAskSaveData), 2);
  EXPECT_EQ(MainFrame()->ActiveImageWindow(), nullptr);
  // A close that must go on (the session ends) asks once, and a refusal
  // does not keep the workspace.
  w = OpenFromDialog(scan);
  ASSERT_NE(w, nullptr);
  w->View().Document()->m_lines.m_nModified = 1;
  host->messages.clear();
  host->answers = {IDCANCEL};
  Desktop()->manager->CloseDocuments(true);
  Pump();
  EXPECT_EQ(Count(res::text::kAskSaveData), 1);
  EXPECT_TRUE(Desktop()->manager->GetDocumentsVector().empty());
}

TEST_F(ImageDialogs, AutoVectorizeAndThresholdThroughTheirWindows) {
  // A light scan with two dark strokes.
  auto doc = viewtest::MakeDoc(160, 120, Kind::kGrey);
  CRasterImage& img = doc->m_image;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      img.SetByte(x, y, (std::abs(y - 40) <= 1 && x > 10 && x < 150) || (std::abs(x - 80) <= 1 && y > 50) ? 30 : 220);
  const std::string path = dir->file("strokes.tif");
  ASSERT_EQ(WriteTiffImage(path, img, 0), 1);
  CImageWindow* w = OpenFromDialog(path);
  ASSERT_NE(w, nullptr);
  CQznDoc& ws = *w->View().Document();
  const std::vector<BYTE> scan(ws.m_image.pixels, ws.m_image.pixels + ws.m_image.GetImageBytes());

  guitest::WhenShown<CModelDialog>([](CModelDialog& d) {
    EXPECT_EQ(d.Model().DialogId(), CVectorizeDlg::kId);
    Click(d, wxID_OK);
  });
  EXPECT_TRUE(MainFrame()->Dispatch(cmd::kVectorAutoVectorize));
  Pump();
  EXPECT_GE(ws.m_lines.GetCount(), 2);
  // The workspace keeps its scan as it was.
  EXPECT_TRUE(std::equal(scan.begin(), scan.end(), ws.m_image.pixels));

  // The preview shows the band in red while the dialog is open; Cancel puts
  // the picture back.
  w->View().flags.lines = false;
  w->View().Refresh();
  const wxImage before = w->Snapshot();
  int redWhileOpen = 0;
  guitest::WhenShown<CModelDialog>([&](CModelDialog& d) {
    Pump(2);
    const wxImage during = w->Snapshot();
    for (int i = 0; i < during.GetWidth() * during.GetHeight(); ++i)
      redWhileOpen += during.GetData()[3 * i] == 255 && during.GetData()[3 * i + 1] == 0;
    // A scroll bar's line steps (the toolkit gives them the spin arrows'
    // event types) move the bar their own way: down is one to the right.
    auto* bar = dynamic_cast<wxScrollBar*>(d.FindWindow(CThresholdDlg::kHighBar));
    ASSERT_NE(bar, nullptr);
    const int start = bar->GetThumbPosition();
    for (auto [type, want] : {std::pair{wxEVT_SCROLL_LINEDOWN, start + 1}, std::pair{wxEVT_SCROLL_LINEUP, start}}) {
      wxScrollEvent step(type, CThresholdDlg::kHighBar);
      step.SetEventObject(bar);
      bar->GetEventHandler()->ProcessEvent(step);
      EXPECT_EQ(bar->GetThumbPosition(), want);
    }
    // A value typed into 高 moves the bar and the red preview at once: 250
    // takes the light paper into the band too; a word that is no grey
    // value leaves both as they were.
    auto* high = dynamic_cast<wxTextCtrl*>(d.FindWindow(CThresholdDlg::kHighEdit));
    ASSERT_NE(high, nullptr);
    high->SetValue("250");
    Pump(2);
    EXPECT_EQ(bar->GetThumbPosition(), 250);
    const auto red = [&] {
      const wxImage now = w->Snapshot();
      int n = 0;
      for (int i = 0; i < now.GetWidth() * now.GetHeight(); ++i)
        n += now.GetData()[3 * i] == 255 && now.GetData()[3 * i + 1] == 0;
      return n;
    };
    const int redAt250 = red();
    EXPECT_GT(redAt250, 4 * redWhileOpen);
    high->SetValue("2x");
    Pump(2);
    EXPECT_EQ(bar->GetThumbPosition(), 250);
    EXPECT_EQ(red(), redAt250);
    Click(d, wxID_CANCEL);
  });
  EXPECT_TRUE(MainFrame()->Dispatch(cmd::kImageThreshold));
  Pump();
  EXPECT_GT(redWhileOpen, 0);
  const wxImage after = w->Snapshot();
  ASSERT_EQ(after.GetWidth(), before.GetWidth());
  EXPECT_EQ(std::memcmp(after.GetData(), before.GetData(), std::size_t(after.GetWidth()) * after.GetHeight() * 3), 0);
}

TEST_F(ImageDialogs, LayerListRowsToggleByClickAndEscCancels) {
  auto doc = viewtest::MakeDoc(32, 32, Kind::kGrey);
  for (const char* name : {"道路", "河流"}) doc->m_layers.AddLayer()->m_strName = name;
  CLayerManageDlg model;
  model.doc = doc.get();
  std::unique_ptr<CModelDialog> d(MakeDialogWindow(MainFrame(), model));
  d->Show();
  Pump(3);
  auto* list = dynamic_cast<CLayerListBox*>(d->FindWindow(CLayerManageDlg::kList));
  ASSERT_NE(list, nullptr);
  auto click = [&](int row) {
    wxMouseEvent e(wxEVT_LEFT_DOWN);
    e.SetEventObject(list);
    e.m_y = row * list->RowHeight() + list->RowHeight() / 2;
    list->GetEventHandler()->ProcessEvent(e);
  };
  click(1);
  click(2);
  EXPECT_EQ(d->Controls().GetSelItems(CLayerManageDlg::kList), (std::vector<int>{1, 2}));
  click(1);
  EXPECT_EQ(d->Controls().GetSelItems(CLayerManageDlg::kList), std::vector<int>{2});
  // On/off shows on the document at once; Esc (there is no Cancel button)
  // cancels through the dialog and puts the drawing back.
  Click(*d, CLayerManageDlg::kOnOff);
  EXPECT_TRUE(model.Applied());
  wxKeyEvent esc(wxEVT_CHAR_HOOK);
  esc.m_keyCode = WXK_ESCAPE;
  esc.SetEventObject(d.get());
  d->GetEventHandler()->ProcessEvent(esc);
  EXPECT_EQ(d->GetReturnCode(), wxID_CANCEL);
  EXPECT_FALSE(model.Applied());
  EXPECT_TRUE(doc->m_layers.GetAt(2).IsVisible());
}

TEST_F(ImageDialogs, MosaicCompositeAndRawImageOpenInNewWindows) {
  const std::string a = WriteScan("tile-a.tif", 40, 30, Kind::kGrey);
  const std::string b = WriteScan("tile-b.tif", 40, 30, Kind::kGrey);
  auto active = [] {
    CImageWindow* w = MainFrame()->ActiveImageWindow();
    return w ? w->View().Document() : nullptr;
  };

  guitest::WhenShown<CModelDialog>([&](CModelDialog& d) {
    EXPECT_EQ(d.Model().DialogId(), CMosaicDlg::kId);
    host->fileAnswers.push_back({a, b});
    Click(d, CMosaicDlg::kAdd);
    EXPECT_EQ(d.Controls().GetText(CMosaicDlg::kCount), "2");
    d.Controls().SetText(CMosaicDlg::kRows, "1");
    Click(d, wxID_OK);
  });
  EXPECT_TRUE(MainFrame()->Dispatch(cmd::kImageMosaic));
  Pump();
  ASSERT_NE(active(), nullptr);
  EXPECT_EQ(active()->m_image.width, 80);
  EXPECT_EQ(active()->m_image.height, 30);
  EXPECT_EQ(active()->m_nImageModified, 1);
  // The new image is not saved yet: its tab says so.
  EXPECT_EQ(FromWx(MainFrame()->GetActiveChild()->GetTitle()), "镶嵌*");
  CQznDoc* mosaic = active();

  guitest::WhenShown<CModelDialog>([&](CModelDialog& d) {
    EXPECT_EQ(d.Model().DialogId(), CColorCompositeDlg::kId);
    d.Controls().SetText(CColorSourcesDlg::kRed, a);
    d.Controls().SetText(CColorSourcesDlg::kBlue, b);
    Click(d, wxID_OK);
  });
  EXPECT_TRUE(MainFrame()->Dispatch(cmd::kImageComposite));
  Pump();
  ASSERT_NE(active(), nullptr);
  EXPECT_NE(active(), mosaic);
  EXPECT_TRUE(active()->m_image.IsRGB());
  EXPECT_EQ(active()->m_image.width, 40);
  EXPECT_EQ(FromWx(MainFrame()->GetActiveChild()->GetTitle()), "合成*");

  // A composite of files that cannot be read: the message, no new window.
  const std::size_t open = Desktop()->manager->GetDocumentsVector().size();
  guitest::WhenShown<CModelDialog>([&](CModelDialog& d) {
    d.Controls().SetText(CColorSourcesDlg::kBlue, dir->file("missing.tif"));
    Click(d, wxID_OK);
  });
  EXPECT_TRUE(MainFrame()->Dispatch(cmd::kImageComposite));
  Pump();
  EXPECT_EQ(Desktop()->manager->GetDocumentsVector().size(), open);
  EXPECT_EQ(Count("创建镶嵌图像错误。"), 1);

  // A raw image: the header written by the dialog opens its data.
  const std::string data = dir->file("bytes.raw");
  {
    std::ofstream out(data, std::ios::binary);
    for (int i = 0; i < 6 * 4; ++i) out.put(static_cast<char>(i * 10));
  }
  guitest::WhenShown<CModelDialog>([&](CModelDialog& d) {
    EXPECT_EQ(d.Model().DialogId(), CRawImageDlg::kId);
    d.Controls().SetText(CRawImageDlg::kHeaderName, dir->file("bytes.hdr"));
    d.Controls().SetText(CRawImageDlg::kDataName, data);
    d.Controls().SetText(CRawImageDlg::kColumns, "6");
    d.Controls().SetText(CRawImageDlg::kRows, "4");
    Click(d, wxID_OK);
  });
  EXPECT_TRUE(MainFrame()->Dispatch(cmd::kFileRawImage));
  Pump();
  ASSERT_NE(active(), nullptr);
  EXPECT_EQ(active()->m_image.width, 6);
  EXPECT_EQ(active()->m_image.height, 4);
}

TEST_F(ImageDialogs, PaletteGridSelectsTheCellsDraggedOver) {
  CPaletteDlg model;
  std::unique_ptr<CModelDialog> d(MakeDialogWindow(MainFrame(), model));
  d->Show();
  Pump(3);
  wxWindow* grid = d->FindWindow(CPaletteDlg::kGrid);
  ASSERT_NE(grid, nullptr);
  const wxSize size = grid->GetClientSize();
  auto send = [&](wxEventType type, int x, int y) { guitest::Mouse(grid, type, x, y); };
  // From inside the first cell to inside the second row's second cell.
  const int cw = size.x / 16, ch = size.y / 16;
  send(wxEVT_LEFT_DOWN, cw / 2, ch / 2);
  send(wxEVT_MOTION, cw + cw / 2, ch + ch / 2);
  send(wxEVT_LEFT_UP, cw + cw / 2, ch + ch / 2);
  EXPECT_FALSE(grid->HasCapture());
  EXPECT_EQ(model.SelectedEntries(), (std::vector<int>{0, 1, 16, 17}));
  d.reset();
  Pump(2);
}

TEST_F(ImageDialogs, EditToolsValuesAndNotesGoThroughTheDialogs) {
  CurrentIdValues id;
  id.currentId = 5;
  guitest::WhenShown<CModelDialog>([](CModelDialog& d) {
    EXPECT_EQ(d.Model().DialogId(), CCurrentIDDlg::kId);
    EXPECT_EQ(d.Controls().GetText(CCurrentIDDlg::kCurrent), "5");
    d.Controls().SetText(CCurrentIDDlg::kCurrent, "42");
    d.Controls().SetCheck(CCurrentIDDlg::kAutoIncrement, true);
    Click(d, wxID_OK);
  });
  EXPECT_TRUE(RunToolDialog(MainFrame(), id));
  EXPECT_EQ(id.currentId, 42.0f);
  EXPECT_TRUE(id.autoIncrement);

  BinaryValueValues bit;
  bit.zeroIsBlack = 1;
  guitest::WhenShown<CModelDialog>([](CModelDialog& d) {
    Click(d, CBinaryValueDlg::kInvert);
    EXPECT_EQ(d.Controls().GetText(CBinaryValueDlg::kText), "1 (白色)");
    Click(d, wxID_CANCEL);
  });
  EXPECT_FALSE(RunToolDialog(MainFrame(), bit));
  EXPECT_EQ(bit.value, 0);

  // The annotation tool's dialog stands beside the view with its text.
  CImageWindow* w = OpenFromDialog(WriteScan("notes.tif", 64, 48, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  std::unique_ptr<INoteDialog> notes = w->View().CreateNoteDialog();
  ASSERT_NE(notes, nullptr);
  Pump(3);
  auto* shown = guitest::ShownDialog<CModelDialog>();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Model().DialogId(), CNoteDlg::kId);
  CNote* note = w->View().Document()->m_notes.AddNote(RECT{2, 2, 30, 12}, "河");
  notes->SetNote(note);
  EXPECT_EQ(shown->Controls().GetText(CNoteDlg::kText), "河");
  shown->Controls().SetText(CNoteDlg::kText, "河流");
  Click(*shown, CNoteDlg::kApply);
  EXPECT_EQ(note->m_strText, "河流");
  EXPECT_EQ(notes->Text(), "");
  notes.reset();
  Pump(2);
  EXPECT_EQ(guitest::ShownDialog<CModelDialog>(), nullptr);
}
