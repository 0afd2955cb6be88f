// The polygon dialogs. kClosePolygonTitle builds closed polygons from the lines
// of the current layer onto a new layer "Polygon<ID>", which kApply shows
// (once per dialog) and kButtonCancel takes away again with its layer.
// kLabelPolygonTitle only asks which lines the labelling command considers.
#pragma once

#include "ui/core/dataexchange.h"

namespace qzn {

class CQznDoc;
class CQznView;

// Dialog 131 kClosePolygonTitle.
class CClosePolygonDlg : public CDialogModel {
 public:
  enum : int { kId = 131, kGap = 167, kSplit = 269, kNoOverlap = 331, kHelp = 168, kApply = 117 };
  explicit CClosePolygonDlg(CQznView* view);

  // The gap of the last run, the default of the next dialog while the
  // program runs.
  static unsigned s_lastGap;

  unsigned gap;  // pixels
  bool split = false;
  bool noOverlap = true;
  int polygonLayer = -1;  // the ID of the layer made for the result, -1 none
  bool applied = false;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  void OnCancel(IDialogControls& c) override;
  void OnApply(IDialogControls& c);

 private:
  CQznDoc* Document() const;
  // Builds the polygons and adds them to the workspace's lines; false when
  // nothing was added (the workspace as it was, a message where memory ran
  // out).
  bool Run(IDialogControls& c);
  void DropPolygonLayer(CQznDoc& doc);

  CQznView* m_view;
  int m_nModified = 0, m_nPolygonsBuilt = 0, m_nLayersModified = 0;  // as they were before the run
};

// Dialog 153 kLabelPolygonTitle.
class CLabelPolygonDlg : public CDialogModel {
 public:
  enum : int { kId = 153, kClosedOnly = 232, kAllLines = 233 };
  int choice = 0;  // 0 closed polygons only, 1 all lines
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace qzn
