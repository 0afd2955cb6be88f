// Copying, saving and printing what a view shows: captures hold the view's
// own pixels wherever the window lies, the screen is read where it can be,
// DIBs drawn into memory match Pillow, jobs printed to a PostScript file and
// rendered by Ghostscript put the picture where each print option says inside
// the page set-up's margins, and Cancel or a failure leaves no file and says
// why. Saves build/artifacts/dialog-print-cancel.png, print-page.png,
// print-window.png, print-window-pdf.png and print-screen.png.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/image.h>

#include "raster/dib.h"
#include "raster/imagefile.h"
#include "resources/commands.h"
#include "resources/messages_print.h"
#include "tests/support/testutil.h"
#include "tests/ui/gui_test_util.h"
#include "ui/bitmappanel.h"
#include "ui/capture.h"
#include "ui/capturecommands.h"
#include "ui/dibprint.h"
#include "ui/imagewindow.h"
#include "ui/mainframe.h"
#include "ui/pagesetup.h"
#include "ui/wxtext.h"

using namespace qzn;
using guitest::Pump;
using qzntest::TempDir;
using viewtest::Kind;

namespace {

using DibPtr = std::unique_ptr<CDib, void (*)(HDIB)>;

// The DIB's pixels, RGB top row first, at its own size.
std::vector<BYTE> Pixels(const CDib& dib) {
  DibLayout l;
  std::vector<BYTE> rgb;
  EXPECT_TRUE(GetDibLayout(dib, l));
  EXPECT_TRUE(DibStretchToRgb(dib, RECT{0, 0, int(l.width), int(l.height)}, int(l.width), int(l.height), rgb));
  return rgb;
}

std::vector<BYTE> Pixels(const wxImage& image) {
  return std::vector<BYTE>(image.GetData(), image.GetData() + std::size_t(image.GetWidth()) * image.GetHeight() * 3);
}

// A picture of four coloured quarters (red, green / blue, yellow) with a
// black column at its left and right edge, as a device bitmap of the given
// depth turns it into a DIB.
DibPtr Quarters(int w, int h, int bitsPixel = 24) {
  std::vector<BYTE> rgb(std::size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      BYTE* p = &rgb[(std::size_t(y) * w + x) * 3];
      const bool right = x >= w / 2, bottom = y >= h / 2;
      const BYTE colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
      const BYTE* c = colours[bottom * 2 + right];
      p[0] = c[0], p[1] = c[1], p[2] = c[2];
      if (x == 0 || x == w - 1) p[0] = p[1] = p[2] = 0;
    }
  return DibPtr(BitmapToDibHandle(CDeviceBitmap{w, h, 1, bitsPixel, rgb.data()}, nullptr), FreeDib);
}

// A page rendered by Ghostscript at dpi, A4.
wxImage RenderPage(const std::string& ps, int dpi, const std::string& png) {
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sPAPERSIZE=a4 -dFIXEDMEDIA -sDEVICE=png16m -r" +
                          std::to_string(dpi) + " -sOutputFile='" + png + "' '" + ps + "' 2>&1";
  std::string out;
  EXPECT_EQ(qzntest::RunCommand(cmd, &out), 0) << out;
  wxImage page;
  EXPECT_TRUE(page.LoadFile(U8(png), wxBITMAP_TYPE_PNG));
  return page;
}

// The bounds of the page's non-white pixels (right and bottom exclusive).
wxRect InkBounds(const wxImage& page) {
  int l = page.GetWidth(), t = page.GetHeight(), r = 0, b = 0;
  for (int y = 0; y < page.GetHeight(); ++y)
    for (int x = 0; x < page.GetWidth(); ++x)
      if (page.GetRed(x, y) < 250 || page.GetGreen(x, y) < 250 || page.GetBlue(x, y) < 250)
        l = std::min(l, x), t = std::min(t, y), r = std::max(r, x + 1), b = std::max(b, y + 1);
  return r > l ? wxRect(l, t, r - l, b - t) : wxRect();
}

// A4 in millimetres, the paper every job here prints on.
constexpr double kA4WidthMm = 210, kA4HeightMm = 297;

// The paper less margins given in millimetres, in pixels of a page rendered
// at dpi (right and bottom exclusive).
struct Box {
  double left, top, right, bottom;
};
Box InsideMargins(int dpi, const RECT& marginsMm) {
  const double k = dpi / 25.4;
  return Box{marginsMm.left * k, marginsMm.top * k, (kA4WidthMm - marginsMm.right) * k,
             (kA4HeightMm - marginsMm.bottom) * k};
}

// The ink lies inside the box, give or take `slack` pixels.
void ExpectInside(const wxRect& ink, const Box& box, double slack) {
  EXPECT_GE(ink.GetLeft(), box.left - slack);
  EXPECT_GE(ink.GetTop(), box.top - slack);
  EXPECT_LE(ink.GetRight() + 1, box.right + slack);
  EXPECT_LE(ink.GetBottom() + 1, box.bottom + slack);
}

constexpr RECT kDefaultMarginsMm = {kDefaultPageMarginMm, kDefaultPageMarginMm, kDefaultPageMarginMm,
                                    kDefaultPageMarginMm};

class Printing : public guitest::DesktopTest {
 protected:
  void SetUp() override {
    saved = DefaultPrintData();
    savedSetup = PageSetupData();
    SetPrintStageObserver(nullptr);
  }
  void TearDown() override {
    DefaultPrintData() = saved;
    PageSetupData() = savedSetup;
    SetPrintStageObserver(nullptr);
    guitest::DesktopTest::TearDown();
  }
  // Jobs go to this file, on A4.
  static void PrintTo(const std::string& path) {
    wxPrintData& data = DefaultPrintData();
    data.SetPrintMode(wxPRINT_MODE_FILE);
    data.SetFilename(U8(path));
    data.SetPaperId(wxPAPER_A4);
    data.SetOrientation(wxPORTRAIT);
  }
  // The page set-up's margins, in millimetres.
  static void SetMargins(const RECT& mm) {
    PageSetupData().SetMarginTopLeft(wxPoint(mm.left, mm.top));
    PageSetupData().SetMarginBottomRight(wxPoint(mm.right, mm.bottom));
  }
  wxPrintData saved;
  wxPageSetupDialogData savedSetup;
};

}  // namespace

// ---- capture ------------------------------------------------------------------------------

TEST_F(Printing, ACaptureHoldsTheViewsOwnPixelsWhereverTheWindowLies) {
  CImageWindow* w = OpenFromDialog(WriteScan("capture.tif", 400, 300, Kind::kRgb));
  ASSERT_NE(w, nullptr);
  Pump(20);
  // Another window covers the view, and the main window lies partly off the
  // screen: the capture is still the view's whole picture.
  auto* cover = new wxFrame(nullptr, wxID_ANY, "cover", w->GetScreenPosition(), w->wxWindow::GetClientSize(),
                            wxFRAME_NO_TASKBAR | wxSTAY_ON_TOP | wxBORDER_NONE);
  cover->SetBackgroundColour(*wxRED);
  cover->Show();
  const wxPoint at = MainFrame()->GetPosition();
  MainFrame()->Move(-300, -200);
  Pump(20);
  for (int kind : {kCaptureWholeWindow, kCaptureClientArea}) {
    SCOPED_TRACE(kind);
    DibPtr dib(CaptureWindowDib(w, kind), FreeDib);
    ASSERT_NE(dib, nullptr);
    const wxImage shown = w->Snapshot();
    EXPECT_EQ(DibGetWidth(dib->data.data()), w->wxWindow::GetClientSize().x);
    EXPECT_EQ(DibGetHeight(dib->data.data()), w->wxWindow::GetClientSize().y);
    EXPECT_EQ(DibBitCount(dib->data.data()), 24);
    EXPECT_TRUE(Pixels(*dib) == Pixels(shown));
  }
  EXPECT_EQ(CaptureWindowDib(w, 3), nullptr) << "another kind";
  EXPECT_EQ(CaptureWindowDib(nullptr, kCaptureClientArea), nullptr);
  EXPECT_EQ(CaptureWindowDib(cover, kCaptureClientArea), nullptr) << "a window that cannot render itself";
  MainFrame()->Move(at);
  cover->Destroy();
  Pump();
}

TEST_F(Printing, AScreenRectangleIsReadFromTheScreenCutToIt) {
  ASSERT_TRUE(ScreenCanBeRead()) << "Xvfb is an X11 server";
  // A window of a known picture, where the screen shows it.
  auto* frame = new wxFrame(nullptr, wxID_ANY, "pattern", wxPoint(40, 30), wxSize(64, 48),
                            wxFRAME_NO_TASKBAR | wxSTAY_ON_TOP | wxBORDER_NONE);
  wxFrame& shown = *frame;
  DibPtr quarters = Quarters(64, 48);
  int paints = 0;
  shown.Bind(wxEVT_PAINT, [&](wxPaintEvent&) {
    wxPaintDC dc(&shown);
    DrawDib(dc, RECT{0, 0, 64, 48}, quarters.get(), RECT{0, 0, 64, 48}, nullptr);
    ++paints;
  });
  shown.Show();
  // The window mapped and painted, counted in events rather than waited for:
  // a loaded machine takes as long as it takes.
  for (int i = 0; i < 5000 && (!shown.IsShownOnScreen() || paints == 0); ++i) Pump(1);
  ASSERT_GT(paints, 0) << "the window was never painted";
  // The server may show a paint a little after it was drawn: the screen is
  // read until it shows the picture, each time after the window has been
  // painted again.
  DibPtr dib(nullptr, FreeDib);
  for (int look = 0; look < 200; ++look) {
    const wxPoint origin = shown.GetScreenPosition();
    dib.reset(CaptureRectDib(RECT{origin.x, origin.y, origin.x + 64, origin.y + 48}));
    if (dib && Pixels(*dib) == Pixels(*quarters)) break;
    const int before = paints;
    shown.Refresh();
    shown.Update();
    for (int i = 0; i < 1000 && paints == before; ++i) Pump(1);
    Pump(2);  // the painted frame handed to the server
  }
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(DibBitCount(dib->data.data()), 24);
  EXPECT_TRUE(Pixels(*dib) == Pixels(*quarters));
  // Partly off the screen: only the part on it.
  DibPtr corner(CaptureRectDib(RECT{-10, -20, 50, 40}), FreeDib);
  ASSERT_NE(corner, nullptr);
  EXPECT_EQ(DibGetWidth(corner->data.data()), 50);
  EXPECT_EQ(DibGetHeight(corner->data.data()), 40);
  EXPECT_EQ(CaptureRectDib(RECT{-100, -100, -10, -10}), nullptr) << "wholly off the screen";
  EXPECT_EQ(CaptureRectDib(RECT{10, 10, 10, 50}), nullptr) << "empty";
  shown.Destroy();
  Pump();
}

// ---- drawing --------------------------------------------------------------------------

TEST_F(Printing, ADibDrawnIntoMemoryEqualsPillowsDecode) {
  QZN_REQUIRE_PYTHON_MODULES("PIL");
  TempDir tmp;
  // A 16-colour picture (a 4-bit DIB with its colour table) and a 24-bit one.
  struct Draw {
    int w, h;
  };
  const Draw draws[] = {{13, 7}, {29, 17}, {6, 4}};
  for (int bits : {4, 24}) {
    DibPtr dib = Quarters(13, 7, bits);
    ASSERT_NE(dib, nullptr);
    const std::string bmp = tmp.file("q" + std::to_string(bits) + ".bmp");
    ASSERT_EQ(SaveDibAsBmp(dib.get(), bmp), 0);
    for (const auto& d : draws) {
      SCOPED_TRACE(::testing::Message() << bits << " bits to " << d.w << " x " << d.h);
      wxBitmap target(d.w + 4, d.h + 4, 24);
      {
        wxMemoryDC mem(target);
        mem.SetBackground(*wxWHITE_BRUSH);
        mem.Clear();
        ASSERT_NE(DrawDib(mem, RECT{2, 2, 2 + d.w, 2 + d.h}, dib.get(), RECT{0, 0, 13, 7}, nullptr), 0);
      }
      const wxImage drawn = target.ConvertToImage().GetSubImage(wxRect(2, 2, d.w, d.h));
      const std::string raw = tmp.file("pillow.raw");
      std::ostringstream py;
      py << qzntest::Python() << " -c \"from PIL import Image; open('" << raw << "','wb').write(Image.open('" << bmp
         << "').convert('RGB').resize((" << d.w << "," << d.h << "), Image.NEAREST).tobytes())\"";
      ASSERT_EQ(qzntest::RunCommand(py.str()), 0);
      EXPECT_TRUE(Pixels(drawn) == qzntest::ReadFileBytes(raw));
    }
  }
  wxBitmap target(8, 8, 24);
  wxMemoryDC mem(target);
  EXPECT_EQ(DrawDib(mem, RECT{0, 0, 8, 8}, nullptr, RECT{0, 0, 8, 8}, nullptr), 0) << "no DIB";
}

TEST_F(Printing, TheAboutBoxPaintsTheProductPictureBesideTheProgram) {
  // The build puts qzn.bmp beside the program; the tests' program lies
  // elsewhere, so the picture goes beside it for this test.
  const std::string picture = CBitmapPanel::PicturePath();
  const std::string made = std::string(QZN_BINARY_DIR) + "/qzn.bmp";
  ASSERT_TRUE(std::filesystem::exists(made)) << "the build makes the picture";
  const bool own = picture != made;
  if (own) std::filesystem::copy_file(made, picture, std::filesystem::copy_options::overwrite_existing);
  struct Remove {
    bool own;
    std::string path;
    ~Remove() {
      if (own) std::filesystem::remove(path);
    }
  } remove{own, picture};
  wxImage expected;
  ASSERT_TRUE(expected.LoadFile(U8(made), wxBITMAP_TYPE_BMP)) << "the toolkit's own BMP decoder reads it";
  {
    CAboutDialog about(MainFrame());
    about.Show();
    ASSERT_TRUE(about.Picture()->IsShown());
    EXPECT_EQ(about.Picture()->GetClientSize(), expected.GetSize());
    guitest::CheckDialogLayout(about, "about");
    guitest::SaveDialogPicture(about, "about");
    wxBitmap shot(expected.GetWidth(), expected.GetHeight(), 24);
    {
      wxClientDC window(about.Picture());
      wxMemoryDC mem(shot);
      mem.Blit(0, 0, shot.GetWidth(), shot.GetHeight(), &window, 0, 0);
    }
    EXPECT_TRUE(Pixels(shot.ConvertToImage()) == Pixels(expected));
  }
  // Without the picture the box shows its texts and says nothing.
  if (own) {
    std::filesystem::remove(picture);
    CAboutDialog about(MainFrame());
    about.Show();
    Pump(5);
    EXPECT_FALSE(about.Picture()->IsShown());
    EXPECT_TRUE(host->messages.empty());
  }
}

// ---- copy and save ------------------------------------------------------------------------

TEST_F(Printing, CopyAndSaveWindowGiveTheViewsPicture) {
  CImageWindow* w = OpenFromDialog(WriteScan("copy.tif", 300, 200, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  Pump(20);
  const wxImage shown = w->Snapshot();
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kEditCopy));
  {
    wxClipboardLocker open;
    ASSERT_TRUE(!!open);
    ASSERT_TRUE(wxTheClipboard->IsSupported(wxDF_BITMAP));
    wxBitmapDataObject data;
    ASSERT_TRUE(wxTheClipboard->GetData(data));
    EXPECT_TRUE(Pixels(data.GetBitmap().ConvertToImage()) == Pixels(shown));
  }
  // Saved under the name the user gives; read back by the toolkit's decoder.
  const std::string path = dir->file("window.bmp");
  host->fileAnswers.push_back({path});
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFileSaveWindow));
  ASSERT_FALSE(host->fileDialogs.empty());
  EXPECT_EQ(host->fileDialogs.back().defaultExtension, "bmp");
  wxImage saved;
  ASSERT_TRUE(saved.LoadFile(U8(path), wxBITMAP_TYPE_BMP));
  EXPECT_TRUE(Pixels(saved) == Pixels(shown));
  EXPECT_TRUE(host->messages.empty());
}

// ---- printing -------------------------------------------------------------------------------

TEST_F(Printing, EachOptionPutsThePictureInsideThePageSetupsMargins) {
  QZN_REQUIRE_PROGRAM("gs");
  TempDir tmp;
  struct Case {
    const char* what;
    int w, h, bits, option, xf, yf;
    RECT marginsMm;
  };
  constexpr RECT kOwnMarginsMm = {25, 10, 20, 30};
  const Case cases[] = {
      {"option 1: across the width inside the margins, shape kept", 64, 48, 24, 1, 0, 0, kDefaultMarginsMm},
      {"option 1, a tall picture: fitted to the height inside them", 48, 160, 24, 1, 0, 0, kDefaultMarginsMm},
      {"option 1, 16 colours from a colour table", 64, 48, 4, 1, 0, 0, kDefaultMarginsMm},
      {"option 1 inside margins the page set-up gives", 64, 48, 24, 1, 0, 0, kOwnMarginsMm},
      {"option 3: width x factor by height x factor", 64, 48, 24, 3, 20, 30, kDefaultMarginsMm},
      {"option 3 beyond the margins: cut at them", 64, 48, 24, 3, 80, 150, kDefaultMarginsMm},
      {"option 2: all the paper inside the margins", 64, 48, 24, 2, 0, 0, kOwnMarginsMm},
  };
  constexpr int kDpi = 100;
  // A pixel of the rendering either way, and the page description's height
  // in whole points (up to 1.2 pixels short of A4's at this resolution).
  constexpr double kSlack = 2.0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string ps = tmp.file("page.ps");
    SetMargins(c.marginsMm);
    PrintTo(ps);
    DibPtr dib = Quarters(c.w, c.h, c.bits);
    ASSERT_EQ(PrintDibPage(dib.get(), c.option, c.xf, c.yf, "pattern"), 0);
    const CPrintJobRecord& job = LastPrintJob();
    EXPECT_TRUE(job.documentEnded);
    ASSERT_TRUE(std::filesystem::exists(ps));
    const wxImage page = RenderPage(ps, kDpi, tmp.file("page.png"));
    ASSERT_TRUE(page.IsOk());
    // The page raster: A4 at 100 dpi.
    EXPECT_NEAR(page.GetWidth(), 827, 1);
    EXPECT_NEAR(page.GetHeight(), 1169, 1);
    // On paper, from the margins' corner and never beyond them.
    const Box box = InsideMargins(kDpi, c.marginsMm);
    const wxRect ink = InkBounds(page);
    ExpectInside(ink, box, kSlack);
    EXPECT_NEAR(ink.GetLeft(), box.left, kSlack);
    EXPECT_NEAR(ink.GetTop(), box.top, kSlack);
    const double boxW = box.right - box.left, boxH = box.bottom - box.top;
    const double inkW = ink.GetWidth(), inkH = ink.GetHeight();
    if (c.option == 1 && c.w > c.h) {
      EXPECT_NEAR(inkW, boxW, kSlack);
      EXPECT_NEAR(inkH, boxW * c.h / c.w, kSlack);
    } else if (c.option == 1) {
      EXPECT_NEAR(inkH, boxH, kSlack);
      EXPECT_NEAR(inkW, boxH * c.w / c.h, kSlack);
    } else if (c.option == 3) {
      // Printer pixels, cut at the margins.
      const double k = double(kDpi) / job.ppiX;
      EXPECT_NEAR(inkW, std::min(boxW, c.w * c.xf * k), kSlack);
      EXPECT_NEAR(inkH, std::min(boxH, c.h * c.yf * k), kSlack);
    } else {
      EXPECT_NEAR(inkW, boxW, kSlack);
      EXPECT_NEAR(inkH, boxH, kSlack);
    }
    // What the job says it drew is what landed on paper.
    const double k = double(kDpi) / job.ppiX;
    const RECT a = job.placement.drawn;
    EXPECT_NEAR(ink.GetLeft(), a.left * k, 1.0);
    EXPECT_NEAR(ink.GetTop(), a.top * k, 1.0);
    EXPECT_NEAR(ink.GetRight() + 1, a.right * k, 1.0);
    EXPECT_NEAR(ink.GetBottom() + 1, a.bottom * k, 1.0);
    // The colours survive, each quarter at its centre.
    const double fx = (ink.GetRight() + 1 - ink.GetLeft()) / 4.0, fy = (ink.GetBottom() + 1 - ink.GetTop()) / 4.0;
    const unsigned want[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
    for (int q = 0; q < 4; ++q) {
      const int x = ink.GetLeft() + int(fx * (q % 2 ? 3 : 1)), y = ink.GetTop() + int(fy * (q / 2 ? 3 : 1));
      const unsigned got = unsigned(page.GetRed(x, y)) << 16 | unsigned(page.GetGreen(x, y)) << 8 | page.GetBlue(x, y);
      EXPECT_EQ(got, want[q]) << "quarter " << q;
    }
    if (&c == &cases[0]) {
      const std::filesystem::path out = std::filesystem::path(QZN_BINARY_DIR) / "artifacts" / "print-page.png";
      std::filesystem::create_directories(out.parent_path());
      page.SaveFile(U8(out.string()), wxBITMAP_TYPE_PNG);
    }
    std::filesystem::remove(ps);
  }
}

TEST_F(Printing, CancelStopsTheJobAndLeavesNoFile) {
  TempDir tmp;
  DibPtr dib = Quarters(64, 48);
  const auto ownTemporaries = [] {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(FromWx(wxFileName::GetTempDir())))
      n += e.path().filename().string().rfind("qzn-print", 0) == 0;
    return n;
  };
  const std::size_t before = ownTemporaries();
  const std::pair<PrintStage, const char*> runs[] = {{PrintStage::kDialogShown, "cancelled.ps"},
                                                     {PrintStage::kPageStarted, "cancelled.ps"},
                                                     {PrintStage::kPageDrawn, "cancelled.ps"},
                                                     {PrintStage::kPageDrawn, "cancelled.pdf"}};
  for (const auto& [stage, name] : runs) {
    SCOPED_TRACE(::testing::Message() << int(stage) << " " << name);
    const std::string ps = tmp.file(name);
    const bool pdf = std::string(name).ends_with(".pdf");
    if (pdf && !qzntest::HaveProgram("gs") && !qzntest::UnderCi()) continue;
    PrintTo(ps);
    // A title longer than 31 characters, in Chinese: cut on a character.
    const std::string title = "等高线图第一页的扫描图像和它的矢量线与注释以及控制点和图层设置还有更多";
    bool seen = false;
    SetPrintStageObserver([&](CPrintCancelDialog& d, PrintStage at) {
      if (at == PrintStage::kDialogShown) {
        seen = true;
        EXPECT_EQ(FromWx(d.Text(CPrintCancelDialog::kDocumentText)), "正在打印 '" + FromWx(U8(title).Left(31)) + "'");
        EXPECT_EQ(FromWx(d.Text(CPrintCancelDialog::kPrinterText)),
                  std::string("on ") + (pdf ? "PDF" : "PostScript") + " on " + ps);
        EXPECT_TRUE(d.Text(CPrintCancelDialog::kStateText).empty());
        if (stage == PrintStage::kDialogShown) {
          guitest::CheckDialogLayout(d, "print-cancel");
          guitest::SaveDialogPicture(d, "print-cancel");
        }
      }
      if (at == PrintStage::kPageStarted) {
        EXPECT_EQ(FromWx(d.Text(CPrintCancelDialog::kStateText)), res::text::kSendingBitmap);
      }
      if (at == stage) guitest::Click(d, wxID_CANCEL);
    });
    EXPECT_EQ(PrintDibPage(dib.get(), 1, 0, 0, title), 0);
    EXPECT_TRUE(seen);
    const CPrintJobRecord& job = LastPrintJob();
    EXPECT_TRUE(job.cancelled);
    EXPECT_FALSE(job.documentEnded) << "no end of document";
    EXPECT_FALSE(std::filesystem::exists(ps));
    EXPECT_TRUE(std::filesystem::is_empty(tmp.path())) << "no temporary left behind";
    EXPECT_EQ(guitest::ShownDialog<CPrintCancelDialog>(), nullptr);
  }
  EXPECT_EQ(ownTemporaries(), before) << "the page descriptions are gone";
}

TEST_F(Printing, TheCommandsAskAndTellWhyAPrintFailed) {
  CImageWindow* w = OpenFromDialog(WriteScan("print.tif", 320, 240, Kind::kGrey));
  ASSERT_NE(w, nullptr);
  Pump(20);
  TempDir tmp;
  const std::string ps = tmp.file("window.ps");
  PrintTo(ps);
  // No: nothing printed.
  host->answers.push_back(IDNO);
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFilePrintWindow));
  ASSERT_EQ(host->messages.size(), 1u);
  EXPECT_EQ(host->messages[0], res::text::kAskPrintWindow);
  EXPECT_FALSE(std::filesystem::exists(ps));
  // A page as the printer puts it on paper: the picture from the default
  // margins' corner, as wide (or, were it tall, as tall) as they allow, and
  // nothing beyond them.
  const auto expectOnPaper = [](const wxImage& page, int dpi) {
    EXPECT_NEAR(page.GetWidth(), kA4WidthMm / 25.4 * dpi, 1);
    EXPECT_NEAR(page.GetHeight(), kA4HeightMm / 25.4 * dpi, 1);
    const Box box = InsideMargins(dpi, kDefaultMarginsMm);
    const wxRect ink = InkBounds(page);
    ExpectInside(ink, box, 1.5);
    EXPECT_NEAR(ink.GetLeft(), box.left, 1.5);
    EXPECT_NEAR(ink.GetTop(), box.top, 1.5);
    EXPECT_TRUE(std::abs(ink.GetWidth() - (box.right - box.left)) <= 1.5 ||
                std::abs(ink.GetHeight() - (box.bottom - box.top)) <= 1.5)
        << ink.GetWidth() << " x " << ink.GetHeight();
    return ink;
  };
  const std::filesystem::path artifacts = std::filesystem::path(QZN_BINARY_DIR) / "artifacts";
  std::filesystem::create_directories(artifacts);
  // Yes: the window's picture on the page, option 1.
  host->answers.push_back(IDYES);
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFilePrintWindow));
  EXPECT_EQ(host->messages.size(), 2u) << host->messages.back();
  EXPECT_TRUE(std::filesystem::exists(ps));
  EXPECT_EQ(LastPrintJob().placement.drawn.right, LastPrintJob().printable.right);
  if (qzntest::HaveProgram("gs") || qzntest::UnderCi()) {
    const wxImage page = RenderPage(ps, 72, (artifacts / "print-window.png").string());
    ASSERT_TRUE(page.IsOk());
    const wxRect ink = expectOnPaper(page, 72);
    // The view's own pixels at the picture's corner.
    const wxImage shown = w->Snapshot();
    const unsigned char* corner = shown.GetData();
    EXPECT_NEAR(page.GetRed(ink.GetLeft() + 1, ink.GetTop() + 1), corner[0], 2);
  }
  // A file named .pdf gets PDF, read by poppler.
  if (qzntest::HaveProgram("pdftoppm") || qzntest::UnderCi()) {
    const std::string pdf = tmp.file("window.PDF");
    PrintTo(pdf);
    host->answers.push_back(IDYES);
    ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFilePrintWindow));
    EXPECT_EQ(LastPrintJob().code, 0);
    const std::filesystem::path out = artifacts / "print-window-pdf";
    std::string said;
    ASSERT_EQ(qzntest::RunCommand("pdftoppm -png -r 72 -singlefile '" + pdf + "' '" + out.string() + "' 2>&1", &said),
              0)
        << said;
    wxImage page;
    ASSERT_TRUE(page.LoadFile(U8(out.string() + ".png"), wxBITMAP_TYPE_PNG));
    expectOnPaper(page, 72);
  }
  // A file that cannot be written: the failure is told, not taken for done.
  PrintTo(tmp.file("missing/window.ps"));
  host->answers.push_back(IDYES);
  const std::size_t asked = host->messages.size();
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFilePrintWindow));
  ASSERT_EQ(host->messages.size(), asked + 2);
  EXPECT_EQ(host->messages.back(), DibErrorText(LastPrintJob().code));
  EXPECT_NE(LastPrintJob().code, 0);
  // The screen prints too, where it can be read.
  const std::string screen = tmp.file("screen.ps");
  PrintTo(screen);
  host->answers.push_back(IDYES);
  ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFilePrintScreen));
  EXPECT_EQ(LastPrintJob().code, 0);
  ASSERT_TRUE(std::filesystem::exists(screen));
  if (qzntest::HaveProgram("gs") || qzntest::UnderCi()) {
    const wxImage page = RenderPage(screen, 72, (artifacts / "print-screen.png").string());
    ASSERT_TRUE(page.IsOk());
    expectOnPaper(page, 72);
  }
  // Codes of the printing functions themselves.
  EXPECT_EQ(PrintDibPage(nullptr, 1, 0, 0, "x"), 20);
  EXPECT_EQ(PrintWindowImage(nullptr, kCaptureClientArea, 1, 0, 0, "x"), 20);
  DibPtr dib = Quarters(8, 8);
  EXPECT_EQ(PrintDibPage(dib.get(), 3, 0, 1, "x"), 9) << "a factor of 0 places nothing";
  // Margins that leave nothing of the paper: nothing is placed or written.
  const std::string nothing = tmp.file("nothing.ps");
  PrintTo(nothing);
  SetMargins(RECT{110, 15, 110, 15});
  EXPECT_EQ(PrintDibPage(dib.get(), 1, 0, 0, "x"), 9);
  EXPECT_FALSE(std::filesystem::exists(nothing));
  DefaultPrintData().SetFilename(wxString());
  EXPECT_EQ(PrintDibPage(dib.get(), 1, 0, 0, "x"), 6) << "printing to a file without a name";
}
