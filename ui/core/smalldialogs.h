// The three small dialogs of the view's commands: the angle of an image
// rotation, an ID range of lines to delete, and the overlay settings of the
// 3D view's image drape.
#pragma once

#include "ui/core/dataexchange.h"

namespace qzn {

// Dialog 138 kRotateImageTitle.
class CRotateImageDlg : public CDialogModel {
 public:
  enum : int { kId = 138, kLeft = 184, kRight = 185, kAngle = 133 };
  int direction = 0;  // 0 kRotateLeft, 1 kRotateRight
  float angle = 0.0f;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

// Dialog 123 kDeleteIdRangeTitle.
class CDeleteIDRangeDlg : public CDialogModel {
 public:
  enum : int { kId = 123, kFrom = 129, kTo = 130 };
  int fromId = 0, toId = 0;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

// Dialog 178 kOverlaySettingsTitle. The background buttons are enabled exactly while
// blending is on, the blend box while the overlay is on.
class COverlaySetDlg : public CDialogModel {
 public:
  enum : int { kId = 178, kColour = 289, kGrey = 314, kOverlay = 315, kBlend = 316 };
  int background = -1;  // 0 kScanModeColour, 1 kScanModeGrey, -1 none chosen
  bool overlay = false;
  bool blend = false;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;

 private:
  void Sync(IDialogControls& c);
};

}  // namespace qzn
