#include "ui/app.h"

#include <cstdio>
#include <memory>

#include <wx/cshelp.h>
#include <wx/display.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/mdi.h>
#include <wx/weakref.h>

#include "platform/host.h"
#include "platform/profile.h"
#include "resources/commands.h"
#include "resources/messages_window.h"
#include "resources/strings.h"
#include "ui/batchdialogs.h"
#include "ui/bitmappanel.h"
#include "ui/dialogs.h"
#include "ui/dialogs3d.h"
#include "ui/display.h"
#include "ui/docview.h"
#include "ui/edittools.h"
#include "ui/exportdialogs.h"
#include "ui/frame3d.h"
#include "ui/georefdialogs.h"
#include "ui/imagecommands.h"
#include "ui/iddialogs.h"
#include "ui/language.h"
#include "ui/imagedialogs.h"
#include "ui/linedialogs.h"
#include "ui/layerdialogs.h"
#include "ui/mainframe.h"
#include "ui/ocrdialogs.h"
#include "ui/mosaicdialogs.h"
#include "ui/palettedialogs.h"
#include "ui/scanwindow.h"
#include "ui/shortcuts.h"
#include "ui/tabledialogs.h"
#include "ui/vectorizedialogs.h"
#include "ui/viewcommandswx.h"
#include "ui/wxhost.h"
#include "ui/wxresources.h"
#include "ui/wxtext.h"

namespace qzn {

namespace {

CDesktop* g_desktop = nullptr;
CWxDialogRunner g_dialogRunner;
constexpr char kRecentSection[] = "Recent File List";
constexpr int kRecentFiles = 4;

void LoadHistory(wxFileHistory& h) {
  CProfileStore* p = Profile();
  if (!p) return;
  for (int i = kRecentFiles; i >= 1; --i) {
    const std::string f = p->GetString(kRecentSection, "File" + std::to_string(i));
    if (!f.empty()) h.AddFileToHistory(U8(f));
  }
}

void SaveHistory(const wxFileHistory& h) {
  CProfileStore* p = Profile();
  if (!p) return;
  for (int i = 0; i < kRecentFiles; ++i) {
    const std::string key = "File" + std::to_string(i + 1);
    if (static_cast<std::size_t>(i) < h.GetCount())
      p->WriteString(kRecentSection, key, FromWx(h.GetHistoryFile(static_cast<std::size_t>(i))));
    else
      p->Remove(kRecentSection, key);
  }
}

void RegisterAppCommands(CDesktop& d) {
  CCommandTable& t = d.frame->Commands();
  t.Add(cmd::kFileNew, [&d] { d.manager->CreateDocument(wxEmptyString, wxDOC_NEW); });
  t.Add(cmd::kFileOpen, [] { OnFileOpen(); });
  t.Add(cmd::kAppExit, [&d] {
    if (Host().MessageBox(res::text::kAskExit, MB_YESNO | MB_ICONQUESTION) == IDYES) d.frame->Close();
  });
  t.Add(cmd::kAppAbout, [] { ShowAboutBox(); });
  t.Add(cmd::kVectorBatch, [] { OnBatchVectorize(); });
  RegisterScanCommands(d);
  RegisterImageDialogCommands(d);
  Register3DCommands(d);
  for (int i = 0; i < kRecentFiles; ++i) {
    const int id = cmd::kFileMru1 + i;
    t.Add(
        id,
        [&d, i] {
          if (static_cast<std::size_t>(i) < d.history->GetCount())
            OpenWorkspace(FromWx(d.history->GetHistoryFile(static_cast<std::size_t>(i))));
        },
        [&d, i] { return static_cast<std::size_t>(i) < d.history->GetCount(); });
  }
}

}  // namespace

CDesktop* Desktop() { return g_desktop; }

CDesktop* CreateDesktop() {
  if (g_desktop) return g_desktop;
  RegisterEditToolCommands();
  auto* d = new CDesktop;
  d->manager = new CQznDocManager;
  d->manager->SetMaxDocsOpen(1000);
  RegisterWorkspaceTemplate(d->manager);
  // Before the menus are made: they learn which commands carry check marks.
  RegisterViewCommandTable();
  // The recent files take the numbers the menus store (57616 to 57619).
  d->history = new wxFileHistory(kRecentFiles, WxId(cmd::kFileMru1));
  LoadHistory(*d->history);
  // Context help shows a window's help text in a tip beside it; the
  // toolkit frees the provider when it ends.
  if (!wxHelpProvider::Get()) wxHelpProvider::Set(new wxSimpleHelpProvider);
  d->frame = new CMainFrame(d->manager, d->history);
  RegisterAppCommands(*d);
  SetupShortcuts(*d);
  RegisterDialogWindows();
  RegisterVectorizeDialogs();
  RegisterImageDialogs();
  RegisterLineDialogs();
  RegisterLayerDialogs();
  Register3DDialogs();
  RegisterGeorefDialogs();
  RegisterTableDialogs();
  RegisterBatchDialogs();
  RegisterOcrDialogs();
  RegisterIDDialogs();
  RegisterMosaicDialogs();
  RegisterPaletteDialogs();
  // The vector export asks each format's options from here on.
  RegisterExportDialogs();
  SetDialogRunner(&g_dialogRunner);
  g_desktop = d;
  return d;
}

void DestroyDesktop() {
  if (!g_desktop) return;
  CDesktop* d = g_desktop;
  d->manager->CloseDocuments(true);
  SaveHistory(*d->history);
  EndShortcuts(*d);
  if (d->frame) {
    // The frame asks the manager about views while it goes: the manager
    // goes only once the frame is gone.
    wxWeakRef<CMainFrame> frame(d->frame);
    d->frame->Destroy();
    while (frame) wxTheApp->Yield(true);
  }
  delete d->manager;
  delete d->history;
  delete d;
  g_desktop = nullptr;
  if (GetDialogRunner() == &g_dialogRunner) SetDialogRunner(nullptr);
  RemoveExportDialogs();
}

bool OpenWorkspace(const std::string& path) {
  CDesktop* d = Desktop();
  if (!d) return false;
  wxDocument* doc = d->manager->FindDocumentByPath(U8(path));
  if (doc) {
    // Already open: its tab comes to the front.
    if (wxView* view = doc->GetFirstView())
      if (auto* child = dynamic_cast<wxMDIChildFrame*>(view->GetFrame())) child->Activate();
  } else {
    doc = d->manager->CreateDocument(U8(path), wxDOC_SILENT);
  }
  if (!doc) return false;
  d->history->AddFileToHistory(U8(path));
  SaveHistory(*d->history);
  return true;
}

bool OnFileOpen() {
  FileDialogRequest r;
  r.kind = FileDialogKind::open;
  r.defaultExtension = "TIF";
  r.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  r.filter = res::text::kOpenFilter;
  const std::string path = AskFilePath(r);
  return !path.empty() && OpenWorkspace(path);
}

void ShowAboutBox() {
  CAboutDialog about(MainFrame());
  about.ShowModal();
}

namespace {

class CQznWxApp : public wxApp {
 public:
  bool OnInit() override {
    SetUpDesktopLanguage();
    SetAppName("qzn");
    // From now on the toolkit's own messages are shown in the window.
    delete wxLog::SetActiveTarget(nullptr);
    SetAppDisplayName(U8(res::LoadString(res::kStrAppTitle)));
    wxInitAllImageHandlers();
    m_profile = std::make_unique<CProfileStore>(CProfileStore::DefaultPath());
    SetProfile(m_profile.get());
    SetHost(&m_host);
    CDesktop* d = CreateDesktop();
    SetTopWindow(d->frame);
    // Without a window manager maximising does nothing: the frame takes
    // the screen's work area first, so it fills the screen either way, and
    // un-maximised it gives that size back.
    d->frame->SetSize(wxGetClientDisplayRect());
    d->frame->ShowMaximized();
    // The open dialog right after the main window.
    CallAfter([] { OnFileOpen(); });
    return true;
  }
  int OnExit() override {
    // The shortcuts are stored while the window's host can still report.
    if (g_desktop) EndShortcuts(*g_desktop);
    SetHost(nullptr);
    if (g_desktop) {
      SaveHistory(*g_desktop->history);
      delete g_desktop->manager;
      delete g_desktop->history;
      delete g_desktop;
      g_desktop = nullptr;
    }
    SetProfile(nullptr);
    return wxApp::OnExit();
  }

 private:
  CWxHost m_host;
  std::unique_ptr<CProfileStore> m_profile;
};

}  // namespace

int RunGui(int argc, char** argv) {
  // Without a display GTK would abort inside the toolkit's start: find out
  // first and say how to get either road.
  if (!DisplayNamed()) {
    std::fputs(res::text::kNoDisplay, stderr);
    return 1;
  }
  // Scroll bars that stay on screen: the view's position in the scan is
  // always visible, not only while the pointer hovers.
  setenv("GTK_OVERLAY_SCROLLING", "0", 0);
  wxApp::SetInstance(new CQznWxApp);
  // Until the window is up the toolkit's complaints go to stderr: a display
  // that cannot be reached has no message box either.
  delete wxLog::SetActiveTarget(new wxLogStderr);
  const int status = wxEntry(argc, argv);
  if (status < 0) {
    // The display named could not be reached: the toolkit has said why.
    std::fputs(res::text::kNoDisplay, stderr);
    return 1;
  }
  return status;
}

}  // namespace qzn
