// The control-point tool (EditMode::kControlPoint): adds, moves, modifies, deletes and
// checks the document's control points, and picks a point in one image
// whose coordinates the next new control point in any view takes as its map
// coordinates. It keeps no undo.
#pragma once

#include "georef/controlpt.h"
#include "ui/core/edittool.h"

namespace qzn {

class CControlPointTool : public CEditTool {
 public:
  enum SubMode : int { kNew = 0, kMove = 1, kDelete = 2, kModify = 3, kCheck = 4, kPick = 5 };

  CControlPointTool(IToolHost& host, CQznDoc* doc);
  ~CControlPointTool() override;

  ToolType GetType() const override { return ToolType::kControlPoint; }
  void Draw(CCanvas& dc) override;
  void OnLButtonDown(POINT p, unsigned flags) override;
  void OnMouseMove(POINT p, unsigned flags) override;
  void OnLButtonUp(POINT p, unsigned flags) override;
  void OnCaptureLost() override;
  void UpdateMenu() override;
  bool OnCommand(int id) override;
  void FinishAndDrop() override;
  bool IsChecked(int id) const override;

  int SubMode() const { return m_subMode; }

 private:
  void EndDrag();
  void ShowPicked();

  CQznDoc* m_doc;
  CControlPtList& m_points;
  int m_subMode = kNew;
  CDragTracker m_drag;
  CControlPt* m_current = nullptr;
  double m_pressX = 0.0, m_pressY = 0.0;
  CFPoint m_picked;  // image pixels
  bool m_showPicked = false;
};

}  // namespace qzn
