// The snap dialogs. kSnapLinesTitle merges lines whose ends meet within a
// distance, layer by layer; kSnapEndpointsTitle moves line ends that lie within a
// tolerance onto each other. Both copy the workspace's lines when they open
// and work on the lines at once on each kApply; kButtonCancel gives back the lines
// as they were when the dialog opened. When that copy cannot be made the
// dialog says so and does not open. kSnapDistanceTitle only asks for a distance.
#pragma once

#include "ui/core/linecleanupdlg.h"

namespace qzn {

class CLayerList;

// The snap of kSnapLinesTitle on a line list: from 50 pixels on, lines are joined
// end to end (JoinLines with 45 degrees); below, the ends of the lines of
// each layer that is not locked (marked) are merged where exactly two meet
// within the distance (with sameId only ends of lines of equal ID). False
// when memory runs out (the message shown; layers done so far stay done).
bool SnapLinesByLayer(CChainList& lines, const CLayerList& layers, int distance, bool sameId);

// Dialog 115 kSnapLinesTitle.
class CSnapLinesDlg : public CApplyLinesDlg {
 public:
  enum : int { kId = 115, kDistance = 113, kSameId = 231, kApply = 117 };
  explicit CSnapLinesDlg(CQznView* view);

  unsigned distance = 1;  // set before the dialog opens: also the last run's  // 1..5000
  bool sameId = true;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  void OnCancel(IDialogControls& c) override;
  void OnApply(IDialogControls& c);

 private:
  void Snap(int d, bool same);
  unsigned m_lastRun = 1;  // the distance of the last apply, else the first one
};

// Dialog 219 kSnapEndpointsTitle.
class CSnapEndpointsDlg : public CApplyLinesDlg {
 public:
  enum : int { kId = 219, kTolerance = 113, kApply = 117 };
  explicit CSnapEndpointsDlg(CQznView* view);

  float tolerance = 1.0f;  // 0..100000
  float lastApplied = -1.0f;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  void OnCancel(IDialogControls& c) override;
  void OnApply(IDialogControls& c);

 private:
  void Snap();
};

// Dialog 182 kSnapDistanceTitle: the line tool's snap distance, and the distance of
// the snap polygons command.
class CSnapDistanceDlg : public CDialogModel {
 public:
  enum : int { kId = 182, kDistance = 167 };
  unsigned distance = 1;  // 1..1000
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace qzn
