// The main window as a user meets it: scans of each kind opened from the
// open dialog, zoom and scroll by commands, keys and bars, the overview
// dragged, modes and the Shift park, a length measured, the small dialogs,
// the toolbars and the status bar with its Chinese texts whole. Saves build/artifacts/main-window.png.
#include <filesystem>
#include <set>

#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>
#include <wx/mdi.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "raster/tiffio.h"
#include "resources/commands.h"
#include "resources/messages_window.h"
#include "tests/support/testutil.h"
#include "tests/ui/gui_test_util.h"
#include "tests/ui_core/view_test_util.h"
#include "ui/app.h"
#include "ui/dialogs.h"
#include "ui/hscrolllistbox.h"
#include "ui/imagewindow.h"
#include "ui/mainframe.h"
#include "ui/wxhost.h"
#include "ui/wxresources.h"
#include "ui/wxtext.h"

using namespace qzn;
using qzntest::TempDir;
using viewtest::Kind;

namespace {

using guitest::Mouse;
using guitest::Pump;

class MainWindow : public guitest::DesktopTest {
 protected:
  static int DistinctColours(const wxImage& img) {
    std::set<unsigned> colours;
    const unsigned char* p = img.GetData();
    for (long i = 0; i < long(img.GetWidth()) * img.GetHeight() && colours.size() < 64; i += 7)
      colours.insert(unsigned(p[3 * i]) << 16 | unsigned(p[3 * i + 1]) << 8 | p[3 * i + 2]);
    return static_cast<int>(colours.size());
  }
};

}  // namespace

TEST_F(MainWindow, EachKindOfScanOpensFromTheOpenDialog) {
  for (auto [name, kind] : {std::pair{"grey.tif", Kind::kGrey}, std::pair{"bilevel.tif", Kind::kBilevel},
                            std::pair{"rgb.tif", Kind::kRgb}}) {
    CImageWindow* w = OpenFromDialog(WriteScan(name, 640, 480, kind));
    ASSERT_NE(w, nullptr) << name;
    EXPECT_EQ(host->fileDialogs.back().filter.rfind("图像文件|", 0), 0u);
    EXPECT_TRUE(w->View().displayValid) << name;
    EXPECT_GE(DistinctColours(w->Snapshot()), 2) << name;  // 1 bit: two greys
    ASSERT_NE(w->OverviewFrame(), nullptr);
    EXPECT_TRUE(w->OverviewFrame()->IsShown());
    EXPECT_GT(DistinctColours(w->OverviewFrame()->Picture()), 2);
    EXPECT_TRUE(host->messages.empty()) << host->messages[0];
  }
  // Only the active view's overview shows.
  int shown = 0;
  for (wxWindow* child : MainFrame()->GetClientWindow()->GetChildren())
    for (wxWindow* c : child->GetChildren())
      if (auto* iw = dynamic_cast<CImageWindow*>(c)) shown += iw->OverviewFrame()->IsShown();
  EXPECT_EQ(shown, 1);
  // A cancelled dialog opens nothing.
  const std::size_t docs = Desktop()->manager->GetDocuments().size();
  EXPECT_FALSE(OnFileOpen());
  EXPECT_EQ(Desktop()->manager->GetDocuments().size(), docs);
}

TEST_F(MainWindow, ZoomScrollAndTheOverview) {
  CImageWindow* w = OpenFromDialog(WriteScan("big.tif", 2001, 1501, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  CQznView& v = w->View();
  const RECT full = v.visibleRect;
  EXPECT_EQ(full.right, 2000);
  v.cursorImageX = 1000;
  v.cursorImageY = 750;
  // The scan is shown whole by its height; each F2 halves the rows shown and
  // fills the page's width.
  const double fullScale = v.scaleY;
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kViewZoomIn));
  EXPECT_EQ(RectHeight(v.visibleRect), 750);
  EXPECT_NEAR(v.scaleY / fullScale, 2.0, 0.01);
  EXPECT_NEAR(v.scaleX / v.scaleY, 1.0, 0.01);
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kViewZoomIn));
  const RECT quarter = v.visibleRect;
  EXPECT_NEAR(RectHeight(quarter), 375, 2);
  // Keys and bars.
  wxKeyEvent down(wxEVT_KEY_DOWN);
  down.m_keyCode = WXK_DOWN;
  w->GetEventHandler()->ProcessEvent(down);
  EXPECT_EQ(v.visibleRect.top, quarter.top + RectHeight(quarter) / 2);
  wxScrollWinEvent page(wxEVT_SCROLLWIN_PAGEDOWN, 0, wxHORIZONTAL);
  w->GetEventHandler()->ProcessEvent(page);
  EXPECT_EQ(v.visibleRect.left, quarter.left + RectWidth(quarter) / 2);
  wxScrollWinEvent thumb(wxEVT_SCROLLWIN_THUMBRELEASE, 100, wxHORIZONTAL);
  w->GetEventHandler()->ProcessEvent(thumb);
  EXPECT_EQ(v.visibleRect.left, 100);
  EXPECT_EQ(w->GetScrollPos(wxHORIZONTAL), 100);
  // The thumb is the visible part of the scan.
  EXPECT_EQ(w->GetScrollThumb(wxHORIZONTAL), RectWidth(v.visibleRect));
  EXPECT_EQ(w->GetScrollRange(wxHORIZONTAL), 2000);
  // The overview: drag the outline to the far corner.
  Pump();
  COverview& ov = *v.Overview();
  const RECT o = ov.ViewRect();
  wxWindow* canvas = w->OverviewFrame()->GetChildren().front();
  Mouse(canvas, wxEVT_LEFT_DOWN, (o.left + o.right) / 2, (o.top + o.bottom) / 2);
  Mouse(canvas, wxEVT_MOTION, 126, 126);
  EXPECT_TRUE(ov.Dragging());
  Mouse(canvas, wxEVT_LEFT_UP, 126, 126, false, false, false);
  EXPECT_EQ(v.visibleRect.right, 2000);
  EXPECT_EQ(v.visibleRect.bottom, 1500);
  // Out, previous, full.
  const RECT before = v.visibleRect;
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kViewZoomOut));
  EXPECT_NEAR(RectHeight(v.visibleRect), 750, 4);
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kViewPreviousView));
  EXPECT_TRUE(v.visibleRect == before);
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kViewFullView));
  EXPECT_TRUE(v.visibleRect == full);
  EXPECT_TRUE(host->messages.empty());
}

TEST_F(MainWindow, ModesTheShiftParkAndAMeasuredLength) {
  CImageWindow* w = OpenFromDialog(WriteScan("modes.tif", 801, 601, Kind::kBilevel));
  ASSERT_NE(w, nullptr);
  CQznView& v = w->View();
  struct ModeTool : CEditTool {
    explicit ModeTool(IToolHost& h) : CEditTool(h, 101) { canUndo = true; }
    ToolType GetType() const override { return ToolType::kLineEdit; }
  };
  RegisterToolFactory(EditMode::kLineEdit, [](IToolHost& h, CQznDoc*) { return std::make_unique<ModeTool>(h); });
  v.SetEditMode(EditMode::kLineEdit);
  CEditTool* modeTool = v.Tool();
  ASSERT_EQ(modeTool->GetType(), ToolType::kLineEdit);
  Mouse(w, wxEVT_LEFT_DOWN, 10, 10, true);
  EXPECT_EQ(v.ParkedTool(), modeTool);
  Mouse(w, wxEVT_MOTION, 60, 40, true);
  EXPECT_TRUE(v.Feedback().Has(kSlotToolBand));
  Mouse(w, wxEVT_LEFT_UP, 60, 40, true, false, false);
  EXPECT_EQ(v.Tool(), modeTool);
  EXPECT_TRUE(modeTool->CanUndo());
  // Ctrl-drag measures; the status bar tells the length.
  Mouse(w, wxEVT_LEFT_DOWN, 10, 10, false, true);
  Mouse(w, wxEVT_MOTION, 40, 50, false, true);
  EXPECT_EQ(FromWx(MainFrame()->GetMessageText()).rfind("长度=", 0), 0u);
  // The line is inverted over the cached picture, which stays as it was.
  const wxImage withLine = w->Snapshot();
  Mouse(w, wxEVT_LEFT_UP, 40, 50, false, true, false);
  const wxImage without = w->Snapshot();
  EXPECT_NE(
      std::memcmp(withLine.GetData(), without.GetData(), std::size_t(without.GetWidth()) * without.GetHeight() * 3), 0);
  v.SetEditMode(EditMode::kDefault);
  RegisterToolFactory(EditMode::kLineEdit, nullptr);
  // The coordinate pane follows the mouse.
  Mouse(w, wxEVT_MOTION, 0, 0, false, false, false);
  EXPECT_EQ(FromWx(MainFrame()->GetStatusBar()->GetStatusText(1)), "(0.0000,0.0000)");
}

TEST_F(MainWindow, SmallDialogsValidateAndKeepTheirValues) {
  CRotateImageDlg rotate;
  std::unique_ptr<CModelDialog> d(MakeRotateImageDialog(MainFrame(), rotate));
  auto* angle = dynamic_cast<wxTextCtrl*>(d->FindWindow(CRotateImageDlg::kAngle));
  ASSERT_NE(angle, nullptr);
  EXPECT_EQ(angle->GetValue(), "0");
  angle->ChangeValue("360.5");
  EXPECT_FALSE(d->PressOK());
  ASSERT_EQ(host->messages.size(), 1u);
  EXPECT_EQ(host->messages[0], "请输入一个数字在 0 和 360 之间。");
  angle->ChangeValue("12.5");
  d->Controls().SetCheck(CRotateImageDlg::kRight, true);
  EXPECT_TRUE(d->PressOK());
  EXPECT_EQ(rotate.angle, 12.5f);
  EXPECT_EQ(rotate.direction, 1);
  // The dialog sits at the main window's bottom-right corner.
  const wxRect corner = GetDialogCornerRect(d.get());
  EXPECT_EQ(d->GetPosition(), corner.GetPosition());

  CDeleteIDRangeDlg range;
  std::unique_ptr<CModelDialog> r(MakeDeleteIdRangeDialog(MainFrame(), range));
  r->Controls().SetText(CDeleteIDRangeDlg::kFrom, "3");
  r->Controls().SetText(CDeleteIDRangeDlg::kTo, "x");
  EXPECT_FALSE(r->PressOK());
  EXPECT_EQ(host->messages.back(), "请输入一个整数。");
  r->Controls().SetText(CDeleteIDRangeDlg::kTo, "9");
  EXPECT_TRUE(r->PressOK());
  EXPECT_EQ(range.toId, 9);

  COverlaySetDlg overlay;
  overlay.overlay = true;
  std::unique_ptr<CModelDialog> o(MakeOverlaySetDialog(MainFrame(), overlay));
  EXPECT_TRUE(o->FindWindow(COverlaySetDlg::kBlend)->IsEnabled());
  EXPECT_FALSE(o->FindWindow(COverlaySetDlg::kGrey)->IsEnabled());
  EXPECT_TRUE(o->PressOK());
  EXPECT_EQ(overlay.background, -1);  // none was chosen and none is read back
}

TEST_F(MainWindow, ToolbarsCommandsAndStatusBar) {
  CMainFrame* f = MainFrame();
  auto enabled = [f](int id) {
    wxUpdateUIEvent e(WxId(id));
    e.SetEventObject(f);
    f->GetEventHandler()->ProcessEvent(e);
    return e.GetSetEnabled() && e.GetEnabled();
  };
  EXPECT_TRUE(enabled(cmd::kVectorBatch));  // the batch run needs no workspace
  EXPECT_TRUE(enabled(cmd::kFileOpen));
  EXPECT_FALSE(enabled(cmd::kViewZoomIn));  // no workspace
  CImageWindow* w = OpenFromDialog(WriteScan("bars.tif", 300, 200, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(enabled(cmd::kViewZoomIn));
  // The layer combo lists the workspace's visible layers.
  EXPECT_GE(f->LayerCombo()->GetCount(), 1u);
  EXPECT_EQ(f->LayerCombo()->GetStringSelection(), "0");
  // A workspace whose layers are all hidden leaves the combo empty.
  CQznDoc* doc = w->View().Document();
  for (CLayer& layer : doc->m_layers.m_layers) layer.m_nFlags &= ~CLayer::kVisible;
  EXPECT_FALSE(f->LayerCombo()->FillLayers(doc));
  EXPECT_EQ(f->LayerCombo()->GetCount(), 0u);
  EXPECT_FALSE(f->LayerCombo()->FillLayers(nullptr));
  // Docked vertically the combo hides; back on top it shows.
  f->DockViewBar(wxAUI_DOCK_LEFT);
  EXPECT_TRUE(f->ViewBar()->IsVertical());
  EXPECT_FALSE(f->LayerCombo()->IsShown());
  f->DockViewBar(wxAUI_DOCK_TOP);
  EXPECT_FALSE(f->ViewBar()->IsVertical());
  EXPECT_TRUE(f->LayerCombo()->IsShown());
  // The toolbar switches.
  ASSERT_TRUE(f->Dispatch(cmd::kViewToolBar));
  EXPECT_FALSE(f->Aui().GetPane(f->ViewBar()).IsShown());
  ASSERT_TRUE(f->Dispatch(cmd::kViewToolBar));
  EXPECT_TRUE(f->Aui().GetPane(f->ViewBar()).IsShown());
  // A long coordinate is shown whole.
  f->SetCoordinateText(FormatCoordinates(-123456789012.5, 98765432109.25));
  EXPECT_EQ(FromWx(f->GetStatusBar()->GetStatusText(1)), "(-123456789012.5000,98765432109.2500)");
  // Exit asks first; No keeps the window.
  host->answers.push_back(IDNO);
  ASSERT_TRUE(f->Dispatch(cmd::kAppExit));
  EXPECT_EQ(host->messages.back(), "从 QZN 退出吗?");
  EXPECT_EQ(MainFrame(), f);
}

TEST_F(MainWindow, StatusBarTextsShowWholeInTheirPaneAndLeaveNothingBehind) {
  CMainFrame* f = MainFrame();
  wxStatusBar* bar = f->GetStatusBar();
  ASSERT_NE(bar, nullptr);
  // The rows of the bar that hold ink (dark pixels) left of the message
  // pane's right edge, as the display shows them.
  const auto inkRows = [&] {
    bar->Refresh();
    bar->Update();
    Pump(10);
    const wxSize size = bar->GetClientSize();
    wxBitmap shot(size.x, size.y, 24);
    {
      wxClientDC window(bar);
      wxMemoryDC mem(shot);
      mem.Blit(0, 0, size.x, size.y, &window, 0, 0);
    }
    const wxImage img = shot.ConvertToImage();
    wxRect pane;
    bar->GetFieldRect(0, pane);
    std::set<int> rows;
    for (int y = 0; y < img.GetHeight(); ++y)
      for (int x = 0; x < pane.GetRight(); ++x)
        if (img.GetRed(x, y) + img.GetGreen(x, y) + img.GetBlue(x, y) < 3 * 160) rows.insert(y);
    return rows;
  };
  // The same text's ink drawn on its own with the bar's font: its height.
  const auto inkHeight = [&](const wxString& text) {
    wxBitmap page(400, 100, 24);
    wxMemoryDC dc(page);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.SetFont(bar->GetFont());
    dc.SetTextForeground(*wxBLACK);
    dc.DrawText(text, 10, 30);
    dc.SelectObject(wxNullBitmap);
    const wxImage img = page.ConvertToImage();
    int top = img.GetHeight(), bottom = -1;
    for (int y = 0; y < img.GetHeight(); ++y)
      for (int x = 0; x < img.GetWidth(); ++x)
        if (img.GetRed(x, y) + img.GetGreen(x, y) + img.GetBlue(x, y) < 3 * 160) top = std::min(top, y), bottom = y;
    return bottom - top + 1;
  };
  wxRect pane;
  bar->GetFieldRect(0, pane);
  for (const char* text : {res::text::kReady, "删除一条线。", "(12345678.0000,12345678.0000) gjpqy"}) {
    SCOPED_TRACE(text);
    f->SetMessageText(text);
    const std::set<int> rows = inkRows();
    ASSERT_FALSE(rows.empty()) << "nothing shown";
    EXPECT_GE(*rows.begin(), pane.GetTop()) << "above the pane";
    EXPECT_LE(*rows.rbegin(), pane.GetBottom()) << "below the pane";
    EXPECT_EQ(*rows.rbegin() - *rows.begin() + 1, inkHeight(U8(text))) << "not whole";
    // A menu item highlighted shows its help, none here: the pane is empty,
    // with nothing of the text before left on the bar.
    wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, WxId(cmd::kFileClose));
    highlight.SetEventObject(f);
    f->ProcessWindowEvent(highlight);
    EXPECT_EQ(f->GetMessageText(), "");
    const std::set<int> left = inkRows();
    EXPECT_TRUE(left.empty()) << left.size() << " rows left, the first " << *left.begin();
    // The menu closed, the text is back.
    wxMenuEvent closed(wxEVT_MENU_CLOSE);
    closed.SetEventObject(f);
    f->ProcessWindowEvent(closed);
    EXPECT_EQ(FromWx(f->GetMessageText()), text);
  }
  f->SetMessageText(res::text::kReady);
}

TEST_F(MainWindow, PictureOfTheWindowWithTheSample) {
  CImageWindow* w = OpenFromDialog(std::string(QZN_SOURCE_DIR) + "/samples/contours.tif");
  ASSERT_NE(w, nullptr);
  // The screen is read until it shows the window drawn (the scan's many
  // greys), each time after the window has been asked to paint: a loaded
  // machine draws late, and no fixed wait fits it.
  wxImage img;
  for (int look = 0; look < 200 && (!img.IsOk() || DistinctColours(img) <= 8); ++look) {
    MainFrame()->Refresh();
    MainFrame()->Update();
    Pump(5);
    const wxRect r = MainFrame()->GetScreenRect();
    wxBitmap shot(r.width, r.height, 24);
    {
      wxScreenDC screen;
      wxMemoryDC mem(shot);
      mem.Blit(0, 0, r.width, r.height, &screen, r.x, r.y);
    }
    img = shot.ConvertToImage();
  }
  EXPECT_GE(img.GetWidth(), 800);
  EXPECT_GE(img.GetHeight(), 600);
  EXPECT_GT(DistinctColours(img), 8);  // not blank
  const std::string out = std::string(QZN_BINARY_DIR) + "/artifacts/main-window.png";
  std::filesystem::create_directories(std::filesystem::path(out).parent_path());
  EXPECT_TRUE(img.SaveFile(out, wxBITMAP_TYPE_PNG));
}

TEST_F(MainWindow, SidewaysListBoxTracksItsWidestItem) {
  auto* list = new CHScrollListBox(MainFrame(), wxID_ANY, wxDefaultPosition, wxSize(80, 100));
  list->AddString("a");
  const int narrow = list->GetHorizontalExtent();
  EXPECT_GT(narrow, 6);
  list->AddString("/一个很长的路径/到一个扫描的地图/contours-and-spot-heights.tif");
  EXPECT_GT(list->GetHorizontalExtent(), 200);
  EXPECT_EQ(list->GetCount(), 2u);
  list->DeleteString(1);
  EXPECT_EQ(list->GetHorizontalExtent(), narrow);
  list->Destroy();
}
