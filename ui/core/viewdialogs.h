// The view commands' own small dialogs: the image area of a crop (139) and
// the workspace size of a workspace without an image (172). Each edits a
// rectangle in image pixels, left/top/right/bottom in the fields 185, 186,
// 188 and 187.
#pragma once

#include "platform/wintypes.h"
#include "ui/core/dataexchange.h"

namespace qzn {

// The four integer fields shared by both dialogs.
enum : int { kRectLeftId = 185, kRectTopId = 186, kRectBottomId = 187, kRectRightId = 188 };
void DDX_Rect(CDataExchange& dx, RECT& rect);

// Dialog 139 kCropAreaTitle: confirms or edits the area to keep; any four
// integers are taken (the command puts them in order).
class CCropAreaDlg : public CDialogModel {
 public:
  enum : int { kId = 139 };
  RECT area{};
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

// Dialog 172 kWorkspaceTitle: the workspace extent. OK puts the rectangle in
// order and refuses one without width or height; kWorkspaceDefault (287) fills the
// fields with the union of the extent and the bounds of the lines and points
// (`defaultArea`, given by the command).
class CWorkspaceDlg : public CDialogModel {
 public:
  enum : int { kId = 172, kDefault = 287 };
  RECT area{};
  RECT defaultArea{};
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& controls) override;
};

}  // namespace qzn
