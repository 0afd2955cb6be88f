#include "ui/core/mosaicdlgs.h"

#include "georef/mosaic_geo.h"
#include "platform/host.h"
#include "raster/imaging.h"
#include "raster/mosaic.h"
#include "resources/messages_app.h"
#include "resources/messages_imagedlgs.h"
#include "ui/core/qznview.h"

namespace qzn {

// ---- mosaic ---------------------------------------------------------------------

void CMosaicDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kPerRow, perRow);
  DDV_MinMaxUInt(dx, perRow, 1, 1000);
  DDX_Text(dx, kRows, rows);
  DDV_MinMaxUInt(dx, rows, 1, 1000);
  DDX_Check(dx, kOverlay, overlay);
  DDX_Text(dx, kLeft, leftOverlap);
  DDV_MinMaxFloat(dx, leftOverlap, 0.001f, 90.0f);
  DDX_Text(dx, kTop, topOverlap);
  DDV_MinMaxFloat(dx, topOverlap, 0.001f, 90.0f);
  DDX_Check(dx, kGeoreferenced, georeferenced);
  if (!dx.save) ShowCount(dx.controls);
}

void CMosaicDlg::ShowCount(IDialogControls& c) const { c.SetText(kCount, std::to_string(c.GetCount(kList))); }

void CMosaicDlg::OnScroll(int id, int code, int, IDialogControls& c) {
  if (id != kPerRowArrows && id != kRowsArrows) return;
  if (!UpdateData(c, true)) return;
  unsigned& value = id == kPerRowArrows ? perRow : rows;
  // The arrows step by one and never go below 1; they have no upper stop
  // of their own (OK refuses more than 1000).
  if (code == kScrollLineUp && value > 1) --value;
  if (code == kScrollLineDown && value < 0xFFFFFFFFu) ++value;
  if (value == 0) value = 1;
  c.SetText(id == kPerRowArrows ? kPerRow : kRows, std::to_string(value));
}

void CMosaicDlg::OnClicked(int id, IDialogControls& c) {
  switch (id) {
    case kAdd: {
      FileDialogRequest r;
      r.kind = FileDialogKind::open;
      r.flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
      r.filter = res::text::kImageFileFilter;
      const FileDialogResult chosen = Host().AskFiles(r);
      if (!chosen.accepted) return;
      // The files keep the order the file dialog gives them.
      for (const std::string& path : chosen.paths) c.AddString(kList, path);
      ShowCount(c);
      return;
    }
    case kRemove: {
      const int sel = c.GetCurSel(kList);
      if (sel < 0) {
        AfxMessageBox(res::text::kSelectFileToRemove, MB_OK | MB_ICONINFORMATION);
        return;
      }
      c.DeleteString(kList, sel);
      ShowCount(c);
      return;
    }
    case kHelp: AfxMessageBox(res::text::kMosaicHelp, MB_OK | MB_ICONINFORMATION); return;
    default: return;
  }
}

bool CMosaicDlg::OnOK(IDialogControls& c) {
  const int n = c.GetCount(kList);
  if (n == 0) {
    AfxMessageBox(res::text::kAddImagesForMosaic, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (!UpdateData(c, true)) return false;
  images.clear();
  for (int i = 0; i < n; ++i) images.push_back(c.GetItemText(kList, i));
  return true;
}

// ---- colour sources ------------------------------------------------------------------

void CColorSourcesDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kBlue, blue);
  DDX_Text(dx, kGreen, green);
  DDX_Text(dx, kRed, red);
}

void CColorSourcesDlg::OnClicked(int id, IDialogControls& c) {
  std::string* member = id == kRedBrowse ? &red : id == kGreenBrowse ? &green : id == kBlueBrowse ? &blue : nullptr;
  if (!member || !UpdateData(c, true)) return;
  FileDialogRequest r;
  r.kind = FileDialogKind::open;
  r.fileName = *member;
  r.flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
  r.filter = res::text::kImageFileFilter;
  const std::string path = AskFilePath(r);
  if (path.empty()) return;
  *member = path;
  UpdateData(c, false);
}

bool CColorSourcesDlg::OnOK(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  const bool anyEmpty = red.empty() || green.empty() || blue.empty();
  const bool allEmpty = red.empty() && green.empty() && blue.empty();
  if (m_needAll ? anyEmpty : allEmpty) {
    AfxMessageBox(m_needAll ? res::text::kNeedAllColourSources : res::text::kNeedColourSource,
                  MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

// ---- the images -------------------------------------------------------------------------

int BuildMosaicImage(const CMosaicDlg& dlg, CRasterImage& out) {
  CRasterImage image;
  if (!MosaicImages(dlg.images, static_cast<int>(dlg.perRow), static_cast<int>(dlg.rows), &image, dlg.Mode(),
                    dlg.leftOverlap * 0.01, dlg.topOverlap * 0.01))
    return 0;
  if (!Frequency24to8(&image)) return 0;
  out.MoveFrom(image);
  return 1;
}

int BuildCompositeImage(const CColorCompositeDlg& dlg, CRasterImage& out) {
  return ComposeRgbImage(&out, dlg.red, dlg.green, dlg.blue);
}

}  // namespace qzn
