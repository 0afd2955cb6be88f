#include "ui/capturecommands.h"

#include <memory>

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dcscreen.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "model/helpers.h"
#include "platform/host.h"
#include "raster/dib.h"
#include "raster/imagefile.h"
#include "resources/messages_print.h"
#include "ui/capture.h"
#include "ui/dibprint.h"

namespace qzn {

namespace {

using DibPtr = std::unique_ptr<CDib, void (*)(HDIB)>;

DibPtr CaptureClient(wxWindow* window) { return DibPtr(CaptureWindowDib(window, kCaptureClientArea), FreeDib); }

// The question box has only just gone: the windows it covered paint again
// from their expose events, which wait in the queue. Reading the screen
// before they are handled would print the box.
void LetScreenRepaint() {
  for (wxWindow* top : wxTopLevelWindows)
    if (top->IsShown()) top->Refresh();
  wxTheApp->SafeYieldFor(nullptr, wxEVT_CATEGORY_UI);
  for (wxWindow* top : wxTopLevelWindows)
    if (top->IsShown()) top->Update();
}

void ReportPrint(int code) {
  if (code != 0) ShowDibError(code);
}

}  // namespace

void CopyWindowToClipboard(wxWindow* window) {
  DibPtr dib = CaptureClient(window);
  if (!dib) return;
  CWaitCapture wait;
  DibLayout l;
  if (!GetDibLayout(*dib, l)) return;
  const wxImage image = DibToImage(*dib, RECT{0, 0, static_cast<int>(l.width), static_cast<int>(l.height)},
                                   static_cast<int>(l.width), static_cast<int>(l.height));
  if (!image.IsOk()) return;
  const std::vector<BYTE> file = DibAsBmpFile(*dib);
  wxClipboardLocker open;
  if (!open) return;
  wxTheClipboard->Clear();
  auto* both = new wxDataObjectComposite;
  both->Add(new wxBitmapDataObject(wxBitmap(image)), true);
  auto* bmp = new wxCustomDataObject(wxDataFormat("image/bmp"));
  bmp->SetData(file.size(), file.data());
  both->Add(bmp);
  wxTheClipboard->SetData(both);
}

void SaveWindowToFile(wxWindow* window) {
  DibPtr dib = CaptureClient(window);
  if (!dib) return;
  FileDialogRequest request;
  request.kind = FileDialogKind::save;
  request.defaultExtension = res::text::kBitmapDefaultExt;
  request.fileName = std::string("*.") + res::text::kBitmapDefaultExt;
  request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  request.filter = res::text::kBitmapFileFilter;
  const std::string path = AskFilePath(request);
  if (path.empty()) return;
  CWaitCapture wait;
  SaveDibAsBmp(dib.get(), path);  // tells its own failure
}

void PrintScreenCommand() {
  if (!ScreenCanBeRead()) {
    AfxMessageBox(res::text::kPrintScreenError, MB_OK | MB_ICONERROR);
    return;
  }
  if (AfxMessageBox(res::text::kAskPrintScreen, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  LetScreenRepaint();
  const wxSize screen = wxScreenDC().GetSize();
  ReportPrint(PrintScreenImage(RECT{0, 0, screen.x, screen.y}, 1, 0, 0, res::text::kPrintScreenTitle));
}

void PrintWindowCommand(wxWindow* window) {
  if (AfxMessageBox(res::text::kAskPrintWindow, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  ReportPrint(PrintWindowImage(window, kCaptureClientArea, 1, 0, 0, res::text::kPrintWindowTitle));
}

void RegisterCaptureCommands(CCommandTable& table, wxWindow* window, int saveWindowId) {
  table.Add(cmd::kEditCopy, [window] { CopyWindowToClipboard(window); });
  table.Add(saveWindowId, [window] { SaveWindowToFile(window); });
  table.Add(cmd::kFilePrintWindow, [window] { PrintWindowCommand(window); });
  table.Add(
      cmd::kFilePrintScreen, [] { PrintScreenCommand(); }, [] { return ScreenCanBeRead(); });
}

}  // namespace qzn
