#include "ui/core/smalldialogs.h"

namespace qzn {

void CRotateImageDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Radio(dx, {kLeft, kRight}, direction);
  DDX_Text(dx, kAngle, angle);
  DDV_MinMaxFloat(dx, angle, 0.0f, 360.0f);
}

void CDeleteIDRangeDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kFrom, fromId);
  DDX_Text(dx, kTo, toId);
}

void COverlaySetDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Radio(dx, {kColour, kGrey}, background);
  DDX_Check(dx, kOverlay, overlay);
  DDX_Check(dx, kBlend, blend);
}

void COverlaySetDlg::Sync(IDialogControls& c) {
  c.Enable(kBlend, overlay);
  c.Enable(kColour, overlay && blend);
  c.Enable(kGrey, overlay && blend);
}

void COverlaySetDlg::OnInitDialog(IDialogControls& c) { Sync(c); }

void COverlaySetDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kOverlay && id != kBlend) return;
  UpdateData(c, true);
  Sync(c);
}

}  // namespace qzn
