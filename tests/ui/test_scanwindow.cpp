// Scanning on the desktop, as a user does it: pick the test scanner in the
// selection dialog, set the source's dialog and press Scan, get the image.
// The dialogs are driven through their controls and buttons while they are
// shown modally. With QZN_SCREENSHOT_DIR set, the screen is saved there
// while each dialog is up (ImageMagick's import), for a look by eye.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/spinctrl.h>

#include "platform/host.h"
#include "platform/profile.h"
#include "raster/twain.h"
#include "resources/commands.h"
#include "resources/messages_app.h"
#include "ui/app.h"
#include "ui/docview.h"
#include "ui/mainframe.h"
#include "ui/wxhost.h"
#include "tests/raster/test_twain_support.h"
#include "tests/support/testutil.h"
#include "tests/ui/gui_test_util.h"
#include "ui/scanwindow.h"
#include "ui/wxtext.h"

using namespace qzn;

// SANE's test backend does not free everything it allocates; the sanitizer
// build's leak checker is told so (see tests/raster/test_twain_sane.cpp).
extern "C" const char* __lsan_default_suppressions() { return "leak:libsane-test.so\n"; }

namespace {

using guitest::Click;
using guitest::Screenshot;
using guitest::ShownDialog;
using guitest::WhenShown;

class ScanWindow : public ::testing::Test {
 protected:
  qzntest::TempDir dir;
  CScriptedHost host;
  CHostScope scope{&host};
  wxFrame* frame = nullptr;
  std::unique_ptr<CProfileStore> profile;

  void SetUp() override {
    profile = std::make_unique<CProfileStore>(dir.file("qzn.ini"));
    SetProfile(profile.get());
    twaintest::KeepSaneTestBackendLoaded();
    CTwain::SetManagerPath(std::string(QZN_BINARY_DIR) + "/libqzntwain.so");
    qzntest::WriteFileText(twaintest::SaneConfigDir().file("test.conf"),
                           "number_of_devices 2\ntest-picture \"Color pattern\"\n");
    frame = new wxFrame(nullptr, wxID_ANY, U8("QZN"), wxPoint(0, 0), wxSize(640, 480));
    frame->Show();
  }
  void TearDown() override {
    frame->Destroy();
    SetProfile(nullptr);
    CTwain::SetManagerPath("");
  }
};

TEST_F(ScanWindow, DialogReadsTheUsersSettings) {
  CScanDialogData data;
  data.device = "test:0";
  data.modes = {"灰度 (8 位)", "彩色 (24 位)"};
  data.resolutionMin = 1;
  data.resolutionMax = 1200;
  data.resolutionStep = 1;
  data.resolution = 50;
  data.hasArea = true;
  data.areaMaxX = data.areaMaxY = 200;
  data.right = 80;
  data.bottom = 100;
  CScanSourceDialog dialog(frame, data);
  EXPECT_EQ(dialog.ModeChoice()->GetString(1), U8("彩色 (24 位)"));
  dialog.ModeChoice()->SetSelection(1);
  dialog.ResolutionSpin()->SetValue(300);
  dialog.AreaSpin(0)->SetValue(10);
  dialog.AreaSpin(3)->SetValue(250);  // beyond the bed: held at its edge
  ASSERT_TRUE(dialog.Read(data));
  EXPECT_EQ(data.mode, 1);
  EXPECT_EQ(data.resolution, 300);
  EXPECT_EQ(data.left, 10);
  EXPECT_EQ(data.bottom, 200);

  // An empty area is refused and the data stays as it was.
  dialog.AreaSpin(2)->SetValue(5);
  EXPECT_FALSE(dialog.Read(data));
  EXPECT_EQ(data.right, 80);

  // A list of resolutions is a choice.
  data.resolutions = {75, 150, 300};
  data.resolution = 150;
  CScanSourceDialog listed(frame, data);
  ASSERT_NE(listed.ResolutionChoice(), nullptr);
  EXPECT_EQ(listed.ResolutionChoice()->GetSelection(), 1);
  listed.ResolutionChoice()->SetSelection(2);
  ASSERT_TRUE(listed.Read(data));
  EXPECT_EQ(data.resolution, 300);
}

TEST_F(ScanWindow, PickTheScannerScanGetTheImage) {
  CWxTwainWindow window(frame);
  CTwain selector;
  ASSERT_EQ(selector.IsAvailable(), 1);

  // The selection dialog lists both test scanners; the user takes the second.
  WhenShown<CSelectSourceDialog>([](CSelectSourceDialog& d) {
    ASSERT_EQ(d.List()->GetCount(), 2u);
    EXPECT_TRUE(d.List()->GetString(0).StartsWith("test:0"));
    d.List()->SetSelection(1);
    Screenshot(d, "select-source");
    Click(d, wxID_OK);
  });
  EXPECT_EQ(selector.SelectSource(&window), 1);
  EXPECT_EQ(profile->GetString("Scanner", "Source"), "test:1");

  // The source's dialog: colour at 75 dpi, then Scan.
  bool frameWasDisabled = false;
  wxString device;
  WhenShown<CScanSourceDialog>([&](CScanSourceDialog& d) {
    frameWasDisabled = !frame->IsEnabled();
    device = d.DeviceText();
    d.ModeChoice()->SetStringSelection(U8("彩色 (24 位)"));
    d.ResolutionSpin()->SetValue(75);
    Screenshot(d, "source-dialog");
    Click(d, wxID_OK);
  });
  CRasterImage image;
  CTwain twain(&image);
  ASSERT_EQ(twain.Acquire(&window), 1);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(frameWasDisabled);
  EXPECT_TRUE(device.StartsWith("test:1"));
  EXPECT_EQ(profile->GetString("Scanner", "Mode"), "彩色 (24 位)");
  EXPECT_TRUE(frame->IsEnabled());
  EXPECT_EQ(twain.GetState(), 1);
  EXPECT_EQ(image.planes, 3);
  EXPECT_EQ(image.photometric, 2);
  EXPECT_EQ(image.xResolution, 75);
  EXPECT_EQ(image.width, 236);  // 80 mm at 75 dpi

  // Cancel leaves the image as it was.
  WhenShown<CScanSourceDialog>([](CScanSourceDialog& d) { Click(d, wxID_CANCEL); });
  EXPECT_EQ(CTwain(&image).Acquire(&window), 0);
  EXPECT_EQ(image.width, 236);
  EXPECT_TRUE(frame->IsEnabled());
}

}  // namespace

namespace {

// The two commands of the main window's File menu.
class ScanCommands : public ::testing::Test {
 protected:
  static inline CWxHost* host = nullptr;
  static inline qzntest::TempDir* dir = nullptr;

  static void SetUpTestSuite() {
    dir = new qzntest::TempDir;
    setenv("XDG_CONFIG_HOME", dir->path().c_str(), 1);
    qzntest::WriteFileText(twaintest::SaneConfigDir().file("test.conf"),
                           "number_of_devices 2\ntest-picture \"Color pattern\"\n");
    twaintest::KeepSaneTestBackendLoaded();
    CTwain::SetManagerPath(std::string(QZN_BINARY_DIR) + "/libqzntwain.so");
    host = new CWxHost;
    host->scripted = true;
    SetHost(host);
    CDesktop* d = CreateDesktop();
    d->frame->SetSize(0, 0, 1024, 700);
    d->frame->Show();
  }
  static void TearDownTestSuite() {
    DestroyDesktop();
    SetHost(nullptr);
    delete host;
    delete dir;
    CTwain::SetManagerPath("");
    unsetenv("XDG_CONFIG_HOME");
  }
};

TEST_F(ScanCommands, ScanMakesANewWorkspace) {
  CDesktop* d = Desktop();
  const CommandHandler* scan = d->frame->Commands().Find(cmd::kFileScanImage);
  ASSERT_NE(scan, nullptr);
  EXPECT_TRUE(scan->enabled());
  ASSERT_NE(d->frame->Commands().Find(cmd::kFileSelectScanner), nullptr);

  // Picking a scanner and cancelling the selection changes nothing.
  WhenShown<CSelectSourceDialog>([](CSelectSourceDialog& d) { Click(d, wxID_CANCEL); });
  EXPECT_TRUE(d->frame->Dispatch(cmd::kFileSelectScanner));

  // A cancelled scan makes no workspace.
  const std::size_t before = d->manager->GetDocumentsVector().size();
  WhenShown<CScanSourceDialog>([](CScanSourceDialog& dlg) { Click(dlg, wxID_CANCEL); });
  EXPECT_TRUE(d->frame->Dispatch(cmd::kFileScanImage));
  EXPECT_EQ(d->manager->GetDocumentsVector().size(), before);

  // A colour scan opens as "新图像" with its display palette, marked unsaved.
  WhenShown<CScanSourceDialog>([](CScanSourceDialog& dlg) {
    dlg.ModeChoice()->SetStringSelection(U8("彩色 (24 位)"));
    dlg.ResolutionSpin()->SetValue(50);
    Click(dlg, wxID_OK);
  });
  EXPECT_TRUE(d->frame->Dispatch(cmd::kFileScanImage));
  const auto docs = d->manager->GetDocumentsVector();
  ASSERT_EQ(docs.size(), before + 1);
  auto* doc = static_cast<CWxDocument*>(docs.back());
  EXPECT_EQ(FromWx(doc->GetTitle()), "新图像");
  const CQznDoc& workspace = doc->Doc();
  EXPECT_TRUE(workspace.IsRgbImage());
  EXPECT_TRUE(workspace.m_image.HasPalette());
  EXPECT_EQ(workspace.m_image.width, 157);  // 80 mm at 50 dpi
  EXPECT_EQ(workspace.m_extent.right, 156);
  EXPECT_EQ(workspace.m_nImageModified, 1);
  EXPECT_TRUE(d->frame->IsEnabled());
  EXPECT_TRUE(host->messages.empty());
  wxTheApp->Yield(true);
  Screenshot(*d->frame, "scanned-workspace");

  // The scan exists nowhere else: closing its workspace offers to save it
  // (declined here; the window may ask more than once while it closes).
  host->answers = {IDNO, IDNO, IDNO, IDNO, IDNO, IDNO};
  EXPECT_TRUE(d->manager->CloseDocuments(true));
  for (int i = 0; i < 10; ++i) wxTheApp->Yield(true);
  bool asked = false;
  for (const auto& m : host->messages) asked = asked || m == res::text::kAskSaveImage;
  EXPECT_TRUE(asked);
}

}  // namespace
