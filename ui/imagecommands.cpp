#include "ui/imagecommands.h"

#include "app/qzndoc.h"
#include "platform/host.h"
#include "raster/mosaic.h"
#include "resources/commands.h"
#include "resources/messages_imagedlgs.h"
#include "ui/app.h"
#include "ui/core/imagecmds.h"
#include "ui/core/mosaicdlgs.h"
#include "ui/core/qznview.h"
#include "ui/core/rawimagedlg.h"
#include "ui/docview.h"
#include "ui/mainframe.h"
#include "ui/wxtext.h"

namespace qzn {

void RegisterImageDialogCommands(CDesktop& d) {
  static bool registered = false;
  if (!registered) {
    registered = true;
    AddViewCommandRegistrar([](CCommandTable& t, CQznView& v) {
      t.Add(
          cmd::kVectorAutoVectorize, [&v] { OnVectorAutoVectorize(v); }, [&v] { return CanAutoVectorize(v); });
      t.Add(
          cmd::kImageThreshold, [&v] { OnImageThreshold(v); }, [&v] { return CanSetThreshold(v); });
      t.Add(
          cmd::kLineSetSmoothing, [&v] { OnSetSmoothing(v); }, [&v] { return CanSetSmoothing(v); });
      t.Add(
          cmd::kImageInfo, [&v] { OnImageInfo(v); }, [&v] { return CanShowImageInfo(v); });
    });
  }
  CCommandTable& t = d.frame->Commands();
  t.Add(cmd::kImageMosaic, [&d] { OnImageMosaic(d); });
  t.Add(cmd::kFileRawImage, [&d] { OnFileRawImage(d); });
  t.Add(cmd::kImageComposite, [&d] { OnImageComposite(d); });
}

wxDocument* NewImageWorkspace(CDesktop& d, CRasterImage& image, const std::string& title,
                              const std::function<void(CQznDoc&)>& prepare) {
  wxDocument* doc = d.manager->CreateDocument(wxEmptyString, wxDOC_NEW);
  if (!doc) return nullptr;
  CQznDoc& workspace = static_cast<CWxDocument*>(doc)->Doc();
  workspace.m_image.MoveFrom(image);
  workspace.ResetExtent();
  workspace.m_lines.SetTolerance(workspace.m_image.width, workspace.m_image.height);
  workspace.SetImageModified(1);
  if (prepare) prepare(workspace);
  doc->SetTitle(U8(title));
  for (wxView* view : doc->GetViewsVector())
    if (wxWindow* frame = view->GetFrame()) frame->SetLabel(doc->GetTitle());
  doc->UpdateAllViews();
  return doc;
}

wxDocument* OnImageMosaic(CDesktop& d) {
  CMosaicDlg dlg;
  if (DoModal(dlg) != IDOK) return nullptr;
  CRasterImage image;
  if (!BuildMosaicImage(dlg, image)) {
    AfxMessageBox(res::text::kMosaicError, MB_OK | MB_ICONSTOP);
    return nullptr;
  }
  return NewImageWorkspace(d, image, res::text::kMosaicTitle, [&dlg](CQznDoc& workspace) {
    // The mosaic lies on the first image's pixel grid: its georeference
    // holds for the whole, taken without questions.
    if (dlg.Mode() != kMosaicGeoreferenced) return;
    CQuietScope quiet;
    workspace.LoadSpatialReference(dlg.images.front());
  });
}

wxDocument* OnFileRawImage(CDesktop& d) {
  CRawImageDlg dlg;
  if (DoModal(dlg) != IDOK) return nullptr;
  // The header written is opened as any image file: the workspace reports
  // a file it cannot read and is not kept.
  if (!OpenWorkspace(dlg.headerFile)) return nullptr;
  return d.manager->GetCurrentDocument();
}

wxDocument* OnImageComposite(CDesktop& d) {
  CColorCompositeDlg dlg;
  if (DoModal(dlg) != IDOK) return nullptr;
  CRasterImage image;
  if (!BuildCompositeImage(dlg, image)) {
    AfxMessageBox(res::text::kMosaicError, MB_OK | MB_ICONSTOP);
    return nullptr;
  }
  return NewImageWorkspace(d, image, res::text::kCompositeTitle);
}

}  // namespace qzn
