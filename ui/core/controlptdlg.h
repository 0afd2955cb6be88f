// The small georeferencing dialogs: one control point's image and map
// coordinates, the control points checked against their bilinear fit, and
// the warp method.
#pragma once

#include "ui/core/dataexchange.h"

namespace qzn {

class CControlPt;
class CControlPtList;

// Dialog 107 kControlPointTitle: kFrom X/Y (image) and kTo X/Y (map).
class CControlPtDlg : public CDialogModel {
 public:
  enum : int { kId = 107, kImageX = 109, kImageY = 110, kMapX = 111, kMapY = 112 };
  double imageX = 0.0, imageY = 0.0, mapX = 0.0, mapY = 0.0;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

// Dialog 156 kControlPointStatTitle: each point's given and predicted map position
// and the difference.
class CControlPtStatDlg : public CDialogModel {
 public:
  enum : int {
    kId = 156,
    kPoint = 241,
    kImageX = 242,
    kImageY = 243,
    kMapX = 244,
    kMapY = 245,
    kFitX = 246,
    kFitY = 247,
    kErrorX = 248,
    kErrorY = 249
  };
  // The list is borrowed; its bilinear rows are refitted when the dialog opens.
  explicit CControlPtStatDlg(CControlPtList* points) : m_points(points) {}

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange&) override {}
  void OnInitDialog(IDialogControls& c) override;
  void OnSelChange(int id, IDialogControls& c) override;
  void ShowPoint(const CControlPt& point, IDialogControls& c);

 private:
  CControlPtList* m_points;
};

// Dialog 166 kWarpTitle.
class CWarpDlg : public CDialogModel {
 public:
  enum : int { kId = 166, kBilinear = 216, kTriangulation = 256 };
  int method = 0;  // 0 bilinear, 1 triangulation
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace qzn
