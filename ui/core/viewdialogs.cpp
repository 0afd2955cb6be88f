#include "ui/core/viewdialogs.h"

#include "resources/messages_viewcommands.h"

namespace qzn {

void DDX_Rect(CDataExchange& dx, RECT& rect) {
  DDX_Text(dx, kRectLeftId, rect.left);
  DDX_Text(dx, kRectTopId, rect.top);
  DDX_Text(dx, kRectRightId, rect.right);
  DDX_Text(dx, kRectBottomId, rect.bottom);
}

void CCropAreaDlg::DoDataExchange(CDataExchange& dx) { DDX_Rect(dx, area); }

void CWorkspaceDlg::DoDataExchange(CDataExchange& dx) {
  RECT r = area;
  DDX_Rect(dx, r);
  if (!dx.save || dx.failed) return;
  NormalizeRect(r);
  if (IsRectEmpty(r)) {
    dx.lastId = kRectLeftId;
    dx.Fail(res::text::kWorkspaceEmpty);
    return;
  }
  area = r;
}

void CWorkspaceDlg::OnClicked(int id, IDialogControls& controls) {
  if (id != kDefault) return;
  CDataExchange dx(controls, false);
  RECT r = defaultArea;
  DDX_Rect(dx, r);
}

}  // namespace qzn
