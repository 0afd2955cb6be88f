// The view's menu commands in the window: every menu opened (its enablers
// and check marks asked), one command of each group run from the frame as a
// menu click runs it, the printed page on a PostScript printer, the copy on
// the clipboard, and font records through the toolkit's fonts.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/cmndata.h>
#include <wx/dcps.h>
#include <wx/dcmemory.h>
#include <wx/menu.h>
#include <wx/print.h>

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

// The view's page printed on the PostScript printer (A4, one page) and made
// PDF by Ghostscript.
void PrintPageToPdf(CQznView& view, const std::string& title, const std::string& ps, const std::string& pdf) {
  wxPrintData data;
  data.SetPrintMode(wxPRINT_MODE_FILE);
  data.SetFilename(ps);
  data.SetPaperId(wxPAPER_A4);
  wxPostScriptDC dc(data);
  ASSERT_TRUE(dc.IsOk());
  CViewPrintout printout(view, title);
  ASSERT_TRUE(printout.SetUp(dc));
  dc.StartDoc(title);
  printout.OnBeginPrinting();
  ASSERT_TRUE(printout.OnBeginDocument(1, 1));
  for (int page = 1; printout.HasPage(page); ++page) {
    dc.StartPage();
    ASSERT_TRUE(printout.OnPrintPage(page));
    dc.EndPage();
  }
  printout.OnEndDocument();
  printout.OnEndPrinting();
  dc.EndDoc();
  EXPECT_EQ(CountOf(qzntest::ReadFileText(ps), "%%Page:"), 1);
  ASSERT_EQ(
      qzntest::RunCommand("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile='" + pdf + "' '" + ps + "'"),
      0);
}

// The box around the pixels of a picture that pass, in its pixels; empty
// (right < left) without any.
wxRect BoxOf(const wxImage& image, const std::function<bool(int r, int g, int b)>& pass) {
  int x0 = image.GetWidth(), y0 = image.GetHeight(), x1 = -1, y1 = -1;
  for (int y = 0; y < image.GetHeight(); ++y)
    for (int x = 0; x < image.GetWidth(); ++x) {
      if (!pass(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y))) continue;
      x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
  return wxRect(wxPoint(x0, y0), wxPoint(x1, y1));
}

wxRect ColourBox(const wxImage& image, const wxColour& c) {
  return BoxOf(image, [&c](int r, int g, int b) { return r == c.Red() && g == c.Green() && b == c.Blue(); });
}

// Clearly green: the line, not the grey of its smoothed edge.
wxRect GreenBox(const wxImage& image) {
  return BoxOf(image, [](int r, int g, int b) { return g >= 100 && r <= g - 50 && b <= g - 50; });
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

// The printed page as a reader of the PDF finds it: one page; the title's
// words (pdftotext's boxes) in a legible size inside the margins; the
// picture (what is drawn besides the title, from pdftoppm's pixels) inside
// the margins, below the title, at the view's aspect.
TEST_F(ViewCommandsWindow, PrintedPageKeepsTitleAndPictureInsideTheMargins) {
  QZN_REQUIRE_PROGRAM("gs");
  QZN_REQUIRE_PROGRAM("pdftotext");
  QZN_REQUIRE_PROGRAM("pdftoppm");
  CImageWindow* w = OpenFromDialog(WriteScan("printed.tif", 80, 60, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  const std::string ps = dir->file("page.ps"), pdf = dir->file("page.pdf");
  ASSERT_NO_FATAL_FAILURE(PrintPageToPdf(w->View(), "printed.tif", ps, pdf));

  // Kept for looking at, as the other pictures of the window are.
  const std::filesystem::path kept = std::filesystem::path(QZN_BINARY_DIR) / "artifacts" / "printed-page.pdf";
  std::filesystem::create_directories(kept.parent_path());
  std::filesystem::copy_file(pdf, kept, std::filesystem::copy_options::overwrite_existing);

  // The title's box and the page's size, in points from the top-left corner.
  std::string boxes;
  ASSERT_EQ(qzntest::RunCommand("pdftotext -bbox '" + pdf + "' -", &boxes), 0);
  auto number = [&boxes](const std::string& key, std::size_t from) {
    const std::size_t at = boxes.find(key + "=\"", from);
    return at == std::string::npos ? -1.0 : std::strtod(boxes.c_str() + at + key.size() + 2, nullptr);
  };
  const double pageW = number("width", boxes.find("<page")), pageH = number("height", boxes.find("<page"));
  const std::size_t word = boxes.find("<word");
  ASSERT_NE(word, std::string::npos) << boxes;
  ASSERT_EQ(boxes.find("<word", word + 1), std::string::npos) << "only the title is text: " << boxes;
  EXPECT_NE(boxes.find(">printed.tif</word>"), std::string::npos) << boxes;
  const double tx0 = number("xMin", word), ty0 = number("yMin", word), tx1 = number("xMax", word),
               ty1 = number("yMax", word);
  const double margin = 15 / 25.4 * 72;  // the default margins, 15 mm
  // Rounding to the printer's pixels, and the font's box as the PDF's reader
  // measures it, which reaches a little higher than the printer's font.
  const double slack = 2.0;
  EXPECT_GE(tx0, margin - slack);
  EXPECT_GE(ty0, margin - slack);
  EXPECT_GE(ty1 - ty0, 10.0) << "a title one can read";
  EXPECT_LE(ty1 - ty0, 24.0) << "a heading, not a poster";

  // The picture: whatever is not white outside the title's box.
  const std::string pgm = dir->file("page");
  ASSERT_EQ(qzntest::RunCommand("pdftoppm -r 144 -gray -singlefile '" + pdf + "' '" + pgm + "'"), 0);
  const std::string pixels = qzntest::ReadFileText(pgm + ".pgm");
  int pw = 0, ph = 0, maxval = 0, headerEnd = 0;
  ASSERT_EQ(std::sscanf(pixels.c_str(), "P5 %d %d %d%n", &pw, &ph, &maxval, &headerEnd), 3);
  const std::size_t start = static_cast<std::size_t>(headerEnd) + 1;
  ASSERT_EQ(pixels.size(), start + static_cast<std::size_t>(pw) * ph);
  const double perPoint = pw / pageW;
  int x0 = pw, y0 = ph, x1 = -1, y1 = -1;
  for (int y = 0; y < ph; ++y)
    for (int x = 0; x < pw; ++x) {
      if (static_cast<unsigned char>(pixels[start + static_cast<std::size_t>(y) * pw + x]) >= 240) continue;
      const double px = x / perPoint, py = y / perPoint;
      if (px >= tx0 - 1 && px <= tx1 + 1 && py >= ty0 - 1 && py <= ty1 + 1) continue;  // the title
      x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
  ASSERT_GE(x1, 0) << "no picture printed";
  const double left = x0 / perPoint, top = y0 / perPoint, right = (x1 + 1) / perPoint, bottom = (y1 + 1) / perPoint;
  EXPECT_GE(left, margin - slack);
  EXPECT_GE(top, ty1) << "the picture starts below the title";
  EXPECT_LE(right, pageW - margin + slack);
  EXPECT_LE(bottom, pageH - margin + slack);
  const SIZE client = w->View().clientSize;
  EXPECT_NEAR((right - left) / (bottom - top), static_cast<double>(client.cx) / client.cy, 0.02);
  // As large as the margins allow: the full width or the full height.
  EXPECT_TRUE(right - left > pageW - 2 * margin - 2 || bottom - top > pageH - 2 * margin - (ty1 - ty0) * 1.5 - 2);
}

// 打印预览 shows the page that is printed: the workspace's one line (the
// image hidden) stands where and as thick as Ghostscript draws it from the
// printer's PostScript, the mark at its start included, to a pixel and a
// half of the preview. The page drew its pens and marks in the device's
// pixels, which are the screen's in a preview: lines six pixels thick and a
// ring at each line's start that paper does not have.
TEST_F(ViewCommandsWindow, PrintPreviewShowsThePrintedPage) {
  QZN_REQUIRE_PROGRAM("gs");
  QZN_REQUIRE_PROGRAM("pdftoppm");
  CImageWindow* w = OpenFromDialog(WriteScan("preview.tif", 200, 150, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  CQznView& view = w->View();
  CChain* line = view.Document()->m_lines.NewChain();
  line->AddPoint(20, 75);
  line->AddPoint(180, 75);
  line->m_color = RGB(0, 200, 0);
  line->m_nWidth = 6;  // 1/100 inch on paper: a plotted line
  line->CalcBounds();
  view.flags.image = false;

  // The preview as its window shows it, at 100 %.
  wxPrintDialogData data;
  data.GetPrintData().SetPaperId(wxPAPER_A4);
  // No title: the PostScript printer measures fonts by its own tables, so
  // a title's line would move the picture by another height than on screen.
  auto* preview = new wxPrintPreview(new CViewPrintout(view, ""), nullptr, &data);
  ASSERT_TRUE(preview->IsOk());
  auto* frame = new wxPreviewFrame(preview, MainFrame(), "preview");
  frame->InitializeWithModality(wxPreviewFrame_NonModal);
  frame->Show();
  preview->SetZoom(100);
  Pump();
  ASSERT_TRUE(preview->RenderPage(1));
  wxPreviewCanvas* canvas = preview->GetCanvas();
  ASSERT_NE(canvas, nullptr);
  const wxSize size = canvas->GetVirtualSize();
  wxBitmap shot(size.x, size.y, 24);
  {
    wxMemoryDC memory(shot);
    memory.SetBackground(wxBrush(wxColour(255, 0, 255)));
    memory.Clear();
    ASSERT_TRUE(preview->PaintPage(canvas, memory));
  }
  // The page: the white inside the paper's outline and shadow.
  const wxImage canvasPicture = shot.ConvertToImage();
  const wxRect page = ColourBox(canvasPicture, *wxWHITE);
  ASSERT_GT(page.width, 100);
  const wxImage previewed = canvasPicture.GetSubImage(page);
  frame->Destroy();
  Pump();

  // The printed page rendered to the preview's pixels.
  const std::string ps = dir->file("preview.ps"), pdf = dir->file("preview.pdf"), ppm = dir->file("preview-page");
  ASSERT_NO_FATAL_FAILURE(PrintPageToPdf(view, "", ps, pdf));
  ASSERT_EQ(qzntest::RunCommand("pdftoppm -singlefile -aaVector no -scale-to-x " + std::to_string(page.width) +
                                " -scale-to-y " + std::to_string(page.height) + " '" + pdf + "' '" + ppm + "'"),
            0);
  wxImage printed;
  ASSERT_TRUE(printed.LoadFile(ppm + ".ppm", wxBITMAP_TYPE_PNM));
  ASSERT_EQ(printed.GetSize(), previewed.GetSize());

  const wxRect want = GreenBox(printed), got = GreenBox(previewed);
  ASSERT_GE(want.width, page.width / 4) << "the line on paper";
  ASSERT_GE(got.width, 1) << "the line in the preview";
  const double slack = 1.5;
  EXPECT_NEAR(got.GetLeft(), want.GetLeft(), slack);
  EXPECT_NEAR(got.GetRight(), want.GetRight(), slack);
  EXPECT_NEAR(got.GetTop(), want.GetTop(), slack);
  EXPECT_NEAR(got.GetBottom(), want.GetBottom(), slack);
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
    if (*k.face) {
      EXPECT_STREQ(out.lfFaceName, k.face);
    }
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
