#include "ui/frame3d.h"

#include <memory>

#include <wx/bitmap.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/sizer.h>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "raster/imagefile.h"
#include "resources/commands.h"
#include "resources/menus.h"
#include "resources/messages_view3d.h"
#include "resources/messages_window.h"
#include "terrain/opengldoc.h"
#include "ui/app.h"
#include "ui/capture.h"
#include "ui/capturecommands.h"
#include "ui/core/commands3d.h"
#include "ui/core/openglview.h"
#include "ui/core/qznview.h"
#include "ui/dialogs3d.h"
#include "ui/glcanvas3d.h"
#include "ui/mainframe.h"
#include "ui/wxresources.h"
#include "ui/wxtext.h"

namespace qzn {

namespace {

C3DFrame* g_frame3d = nullptr;

}  // namespace

// ---- the window -------------------------------------------------------------------------

C3DFrame::C3DFrame(wxMDIParentFrame* parent, std::unique_ptr<COpenGLDoc> doc)
    : wxMDIChildFrame(parent, wxID_ANY, U8(res::text::k3DViewTitle)), m_doc(std::move(doc)) {
  g_frame3d = this;
  SetMenuBar(BuildMenuBar(res::View3DMenu()));
  SetAcceleratorTable(MenuAccelerators(res::View3DMenu()));
  m_canvas = new C3DCanvas(this, m_doc.get());
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_canvas, 1, wxEXPAND);
  SetSizer(sizer);

  COpenGLView& v = m_canvas->View();
  CCommandTable& t = m_commands;
  t.Add(cmd::k3DSettings, [&v] { v.On3DSettings(); });
  t.Add(cmd::k3DScale, [&v] { v.OnScale(); });
  t.Add(cmd::k3DAnimate, [&v] { v.OnAnimate(); });
  t.Add(cmd::k3DLookDown, [&v] { v.OnViewDown(); });
  t.Add(cmd::k3DLookUp, [&v] { v.OnViewUp(); });
  t.Add(cmd::k3DTurnLeft, [&v] { v.OnViewLeft(); });
  t.Add(cmd::k3DTurnRight, [&v] { v.OnViewRight(); });
  t.Add(cmd::kViewZoomIn, [&v] { v.OnViewZoomIn(); });
  t.Add(cmd::kViewZoomOut, [&v] { v.OnViewZoomOut(); });
  t.Add(cmd::kEditCopy, [this] { OnEditCopy(); });
  t.Add(cmd::kEditCut, [this] { OnEditCopy(); });
  t.Add(cmd::k3DSaveWindow, [this] { OnSaveWindow(); });
  t.Add(cmd::kFilePrintWindow, [this] { PrintWindowCommand(m_canvas); });
  t.Add(
      cmd::kFilePrintScreen, [] { PrintScreenCommand(); }, [] { return ScreenCanBeRead(); });
  t.Add(cmd::k3DExportModel, [&v] { v.OnExportModel(); });
  t.Add(cmd::kFileClose, [this] { Close(); });

  Bind(wxEVT_MENU, &C3DFrame::OnMenu, this, kWxFirstCommand, kWxLastCommand);
  Bind(wxEVT_UPDATE_UI, &C3DFrame::OnUpdateUI, this, kWxFirstCommand, kWxLastCommand);
  Bind(wxEVT_ACTIVATE, &C3DFrame::OnActivate, this);
}

C3DFrame::~C3DFrame() {
  if (g_frame3d == this) g_frame3d = nullptr;
  // The canvas reads the document: it goes first.
  DestroyChildren();
}

void C3DFrame::OnMenu(wxCommandEvent& e) {
  const int id = CommandOfWxId(e.GetId());
  if (!m_commands.Find(id)) return e.Skip();  // the main window's (its accelerators still work here)
  m_commands.Run(id);
}

void C3DFrame::OnUpdateUI(wxUpdateUIEvent& e) {
  const CommandHandler* h = m_commands.Find(CommandOfWxId(e.GetId()));
  if (!h) {
    // Items of the 3D menu without a handler here are disabled; the main
    // window enables its own.
    for (const res::MenuItem& item : res::View3DMenu())
      if (item.id && WxId(item.id) == e.GetId()) return e.Enable(false);
    return e.Skip();
  }
  e.Enable(!h->enabled || h->enabled());
}

void C3DFrame::OnActivate(wxActivateEvent& e) {
  // The image views' overviews belong to their tabs.
  if (e.GetActive())
    if (CMainFrame* f = MainFrame()) f->OnTabShown(nullptr);
  e.Skip();
}

bool C3DFrame::CapturePicture(C3DPicture& picture) {
  if (m_canvas->Capture(picture)) return true;
  AfxMessageBox(res::text::kCaptureFailed, MB_OK | MB_ICONEXCLAMATION);
  return false;
}

void C3DFrame::OnEditCopy() {
  CWaitCapture wait;
  C3DPicture picture;
  if (!CapturePicture(picture)) return;
  wxImage image(picture.width, picture.height, picture.rgb.data(), true);
  if (!wxTheClipboard->Open()) return;
  wxTheClipboard->Clear();
  wxTheClipboard->SetData(new wxBitmapDataObject(wxBitmap(image.Copy())));
  wxTheClipboard->Close();
}

void C3DFrame::OnSaveWindow() {
  C3DPicture picture;
  if (!CapturePicture(picture)) return;
  std::unique_ptr<CDib, void (*)(HDIB)> dib(MakeRgbDib(picture.width, picture.height, picture.rgb.data()), FreeDib);
  if (!dib) {
    AfxMessageBox(res::text::kCaptureFailed, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  FileDialogRequest r;
  r.kind = FileDialogKind::save;
  r.defaultExtension = res::text::kSaveWindowExtension;
  r.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  r.filter = res::text::kSaveWindowFilter;
  const std::string path = AskFilePath(r);
  if (path.empty()) return;
  SaveDibAsBmp(dib.get(), path);  // says itself what went wrong
}

// ---- opening ------------------------------------------------------------------------------

int Open3DView(const std::string& path) {
  if (path.empty()) return 0;
  if (g_frame3d) {
    AfxMessageBox(res::text::kOneViewer3D, MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  CMainFrame* parent = MainFrame();
  if (!parent) return 0;
  auto doc = std::make_unique<COpenGLDoc>();
  {
    CWaitCapture wait;
    if (!doc->OnOpenDocument(path)) return 0;  // the document has said why
  }
  auto* frame = new C3DFrame(parent, std::move(doc));
  frame->Show();
  frame->Layout();
  frame->Canvas()->SetFocus();
  return 1;
}

C3DFrame* Current3DFrame() { return g_frame3d; }

COpenGLView* Find3DView() { return g_frame3d ? &g_frame3d->Canvas()->View() : nullptr; }

void Forget3DDrapeSource(const CQznDoc* doc) {
  if (COpenGLView* v = Find3DView()) v->ForgetDrapeSource(doc);
}

// ---- commands -------------------------------------------------------------------------------

namespace {

C3DCommandHost CommandHost() {
  C3DCommandHost h;
  h.runDialog = [](CDialogModel& m) { return RunDialogModal(MainFrame(), m); };
  h.open3DView = [](const std::string& path) { return Open3DView(path); };
  h.find3DView = [] { return Find3DView(); };
  return h;
}

void Open3DFile() {
  FileDialogRequest r;
  r.kind = FileDialogKind::open;
  r.flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  r.filter = res::text::kOpen3DFilter;
  const std::string path = AskFilePath(r);
  if (!path.empty()) Open3DView(path);
}

}  // namespace

void Register3DCommands(CDesktop& d) {
  d.frame->Commands().Add(cmd::kFileOpen3D, [] { Open3DFile(); });
  static bool viewCommands = false;
  if (viewCommands) return;
  viewCommands = true;
  AddViewCommandRegistrar([](CCommandTable& t, CQznView& v) {
    t.Add(
        cmd::kFile3DGrid,
        [&v] {
          if (v.Document()) CreateGridFile(*v.Document(), CommandHost());
        },
        [&v] { return v.Document() && HasShownLinesOrPoints(*v.Document()); });
    t.Add(
        cmd::kFile3DDem,
        [&v] {
          if (v.Document()) CreateDemFile(*v.Document(), CommandHost());
        },
        [&v] { return v.Document() && HasShownLinesOrPoints(*v.Document()); });
    // Enabled while a 3D window is open; the command itself says so when
    // the window closed since.
    t.Add(
        cmd::kFile3DOverlay,
        [&v] {
          if (v.Document()) DrapeImage(*v.Document(), v.rubberBand, v.visibleRect, CommandHost());
        },
        [&v] { return v.Document() && CanDrapeImage(*v.Document(), CommandHost()); });
  });
}

}  // namespace qzn
