// The view's menu commands in the window: every menu opened (its enablers
// and check marks asked), one command of each group run from the frame as a
// menu click runs it, the printed page on a PostScript printer, the copy on
// the clipboard, and font records through the toolkit's fonts.
#include <filesystem>

#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/cmndata.h>
#include <wx/dcps.h>
#include <wx/menu.h>

#include "app/qzndoc.h"
#include "formats/vectorexport.h"
#include "resources/commands.h"
#include "tests/support/testutil.h"
#include "tests/ui/gui_test_util.h"
#include "platform/textfile.h"
#include "ui/core/exportdlgs.h"
#include "ui/core/viewcommands.h"
#include "ui/core/viewdialogs.h"
#include "ui/viewcommandswx.h"
#include "ui/wxresources.h"

using namespace qzn;
using guitest::Pump;
using viewtest::Kind;

namespace {

class ViewCommandsWindow : public guitest::DesktopTest {
 protected:
  static bool Enabled(int id) {
    wxUpdateUIEvent e(WxId(id));
    e.SetEventObject(MainFrame());
    MainFrame()->GetEventHandler()->ProcessEvent(e);
    return e.GetSetEnabled() && e.GetEnabled();
  }
  static bool Checked(int id) {
    wxUpdateUIEvent e(WxId(id));
    e.SetEventObject(MainFrame());
    MainFrame()->GetEventHandler()->ProcessEvent(e);
    return e.GetSetChecked() && e.GetChecked();
  }
  static void OpenMenus(wxMenu* menu, int& items) {
    menu->UpdateUI(MainFrame());
    for (wxMenuItem* item : menu->GetMenuItems()) {
      ++items;
      if (item->IsSubMenu()) OpenMenus(item->GetSubMenu(), items);
    }
  }
};

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

TEST_F(ViewCommandsWindow, EveryMenuOpensAndOneCommandOfEachGroupRuns) {
  CMainFrame* f = MainFrame();
  CImageWindow* w = OpenFromDialog(WriteScan("commands.tif", 120, 90, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  CQznView& v = w->View();
  CQznDoc& doc = *v.Document();
  for (int i = 0; i < 3; ++i) {
    CChain* c = doc.m_lines.NewChain();
    c->AddPoint(10.0f + 20 * i, 10.0f);
    c->AddPoint(15.0f + 20 * i, 70.0f);
    c->m_fID = static_cast<float>(i + 1);
    c->CalcBounds();
  }
  doc.m_points.AddPoint(50, 40, 7, 1, 0);

  // Every menu, every submenu: enablers and check marks answer.
  int items = 0;
  wxMenuBar* bar = f->GetMenuBar();
  for (std::size_t i = 0; i < bar->GetMenuCount(); ++i) OpenMenus(bar->GetMenu(i), items);
  EXPECT_GT(items, 100);
  EXPECT_TRUE(Enabled(cmd::kFileExportVector));
  EXPECT_FALSE(Enabled(32807));  // no flip under lines
  EXPECT_TRUE(Checked(cmd::kOverlayLines));

  // Vector exchange: the lines as DXF through its options dialog, in pixel
  // spacing without the IDs as elevations. The program installs the
  // writers at start.
  CFormatExports exports;
  IVectorExports* previous = SetVectorExports(&exports);
  const std::string dxf = dir->file("lines.dxf");
  host->fileAnswers.push_back({dxf});
  guitest::WhenShown<CModelDialog>([](CModelDialog& d) {
    EXPECT_EQ(d.Model().DialogId(), CDxfOutDlg::kId);
    d.Controls().SetCheck(CDxfOutDlg::kPixelSpacing, true);
    d.Controls().SetCheck(CDxfOutDlg::kIdAsZ, false);
    guitest::Click(d, wxID_OK);
  });
  ASSERT_TRUE(f->Dispatch(cmd::kFileExportVector));
  ASSERT_TRUE(std::filesystem::exists(dxf))
      << (host->messages.empty() ? std::string("no message") : host->messages.back());
  // The first vertex (10, 10) flipped over the extent, no elevation after it.
  const std::string flipped =
      FormatC("10\r\n10.000000\r\n20\r\n%f\r\n0\r\nVERTEX", doc.m_extent.top + doc.m_extent.bottom - 10.0);
  EXPECT_NE(qzntest::ReadFileText(dxf).find(flipped), std::string::npos);
  // The vector drawing as a bitmap: Pillow reads a BMP of the workspace.
  const std::string bmp = dir->file("drawing.bmp");
  host->fileAnswers.push_back({bmp});
  ASSERT_TRUE(f->Dispatch(cmd::kFileSaveVectorAsImage));
  EXPECT_EQ(host->fileDialogs.back().defaultExtension, "bmp");
  SetVectorExports(previous);

  // The project saved from the menu (it opens again at the end).
  const std::string prj = dir->file("work.prj");
  host->fileAnswers.push_back({prj});
  ASSERT_TRUE(f->Dispatch(cmd::kFileSaveProjectAs));
  ASSERT_TRUE(std::filesystem::exists(prj));
  EXPECT_EQ(host->fileDialogs.back().defaultExtension, "prj");

  // Image: the negative.
  const BYTE before = doc.m_image.pixels[0];
  doc.m_lines.DeleteAll();
  ASSERT_TRUE(f->Dispatch(32808));
  EXPECT_EQ(doc.m_image.pixels[0], static_cast<BYTE>(255 - before));

  // Lines: decimal IDs switch off and on, with the check mark.
  const int decimal = doc.m_nDecimalIDs;
  ASSERT_TRUE(f->Dispatch(33102));
  EXPECT_NE(doc.m_nDecimalIDs, decimal);
  EXPECT_EQ(Checked(33102), doc.m_nDecimalIDs != 0);

  // Layers: the layer file saved.
  const std::string lay = dir->file("layers.lay");
  host->fileAnswers.push_back({lay});
  ASSERT_TRUE(f->Dispatch(cmd::kFileSaveLayers));
  EXPECT_TRUE(std::filesystem::exists(lay));

  // Georeference: page coordinates on and off.
  doc.m_image.xResolution = doc.m_image.yResolution = 300.0f;
  ASSERT_TRUE(f->Dispatch(33062));
  EXPECT_TRUE(Checked(33062));
  ASSERT_TRUE(f->Dispatch(33062));
  EXPECT_FALSE(Checked(33062));

  // View menu: the points overlay off, its check mark follows.
  ASSERT_TRUE(f->Dispatch(cmd::kOverlayPoints));
  EXPECT_FALSE(v.flags.points);
  EXPECT_FALSE(Checked(cmd::kOverlayPoints));

  // Copy: the window's picture on the clipboard at the window's size.
  ASSERT_TRUE(f->Dispatch(cmd::kEditCopy));
  Pump();
  {
    wxClipboardLocker lock;
    ASSERT_TRUE(!!lock);
    wxBitmapDataObject data;
    ASSERT_TRUE(wxTheClipboard->GetData(data));
    EXPECT_EQ(data.GetBitmap().GetWidth(), w->wxWindow::GetClientSize().x);
    EXPECT_EQ(data.GetBitmap().GetHeight(), w->wxWindow::GetClientSize().y);
  }
  EXPECT_TRUE(host->messages.empty()) << host->messages.front();

  // The project opens again from File > Open with its lines and point.
  host->answers.assign({IDNO, IDNO});  // the changed workspace is not saved
  Desktop()->manager->CloseDocuments(true);
  Pump();
  CImageWindow* reopened = OpenFromDialog(prj);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(reopened->View().Document()->m_lines.GetCount(), 3);
  EXPECT_EQ(reopened->View().Document()->m_points.GetCount(), 1);

  QZN_REQUIRE_PROGRAM("ogrinfo");
  std::string out;
  ASSERT_EQ(qzntest::RunCommand("ogrinfo -ro -al -so '" + dxf + "'", &out), 0) << out;
  EXPECT_NE(out.find("Feature Count: 4"), std::string::npos) << out;  // three lines, one point
  QZN_REQUIRE_PYTHON_MODULES("PIL");
  out.clear();
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() + " -c \"from PIL import Image; i = Image.open('" + bmp +
                                    "'); print(i.format, i.size[0], i.size[1])\"",
                                &out),
            0)
      << out;
  EXPECT_EQ(out.substr(0, 3), "BMP") << out;
  // 120 x 90 doubled until both sides pass 255.
  EXPECT_NE(out.find(" 480 360"), std::string::npos) << out;
}

TEST_F(ViewCommandsWindow, OnePrintedPageWithTheTitleAndTheFrame) {
  CImageWindow* w = OpenFromDialog(WriteScan("printed.tif", 80, 60, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  const std::string ps = dir->file("page.ps");
  wxPrintData data;
  data.SetPrintMode(wxPRINT_MODE_FILE);
  data.SetFilename(ps);
  wxPostScriptDC dc(data);
  ASSERT_TRUE(dc.IsOk());
  CViewPrintout printout(w->View(), "printed.tif");
  printout.SetDC(&dc);
  int w0 = 0, h0 = 0;
  dc.GetSize(&w0, &h0);
  printout.SetPageSizePixels(w0, h0);
  dc.StartDoc("printed");
  printout.OnBeginPrinting();
  ASSERT_TRUE(printout.OnBeginDocument(1, 1));
  for (int page = 1; printout.HasPage(page); ++page) {
    dc.StartPage();
    ASSERT_TRUE(printout.OnPrintPage(page));
    dc.EndPage();
  }
  printout.OnEndDocument();
  printout.OnEndPrinting();
  const std::string text = qzntest::ReadFileText(ps);
  EXPECT_EQ(CountOf(text, "%%Page:"), 1);
  EXPECT_NE(text.find("printed.tif"), std::string::npos);
}

TEST(FontRecords, ThroughTheToolkitsFontAndBack) {
  struct Case {
    int height, weight, italic;
    const char* face;
  };
  for (const Case& k : {Case{-16, 700, 1, "DejaVu Sans"}, Case{-12, 400, 0, ""}, Case{20, 400, 0, "DejaVu Serif"}}) {
    LOGFONT in{};
    in.lfHeight = k.height;
    in.lfWeight = k.weight;
    in.lfItalic = static_cast<std::uint8_t>(k.italic);
    in.lfEscapement = 450;
    std::snprintf(in.lfFaceName, sizeof in.lfFaceName, "%s", k.face);
    const LOGFONT out = ToLogFont(ToWxFont(in), in);
    EXPECT_EQ(out.lfHeight, -std::abs(k.height)) << k.face;
    EXPECT_EQ(out.lfWeight, k.weight) << k.face;
    EXPECT_EQ(out.lfItalic, k.italic) << k.face;
    EXPECT_EQ(out.lfEscapement, 450) << k.face;  // kept: the toolkit's fonts do not turn
    if (*k.face) EXPECT_STREQ(out.lfFaceName, k.face);
  }
}

TEST_F(ViewCommandsWindow, CropAndWorkspaceDialogsAreLaidOutAndReadBack) {
  using guitest::As;
  guitest::RunDialogSmoke(
      {
          {"crop-area", [] { return std::make_unique<CCropAreaDlg>(); },
           [](IDialogControls& c) {
             c.SetText(kRectLeftId, "30");
             c.SetText(kRectTopId, "5");
             c.SetText(kRectRightId, "10");
             c.SetText(kRectBottomId, "40");
           },
           [](CDialogModel& m) {
             const RECT r = As<CCropAreaDlg>(m).area;  // kept as typed: the command puts it in order
             EXPECT_EQ(r.left, 30);
             EXPECT_EQ(r.right, 10);
           }},
          {"workspace",
           [] {
             auto d = std::make_unique<CWorkspaceDlg>();
             d->area = RECT{0, 0, 100, 100};
             return d;
           },
           [](IDialogControls& c) {
             c.SetText(kRectLeftId, "200");
             c.SetText(kRectRightId, "-50");
           },
           [](CDialogModel& m) {
             const RECT r = As<CWorkspaceDlg>(m).area;
             EXPECT_EQ(r.left, -50);
             EXPECT_EQ(r.right, 200);
           }},
      },
      host->messages);
}
