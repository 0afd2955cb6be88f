// The point tool (EditMode::kPointEdit): adds, moves and deletes the shown points,
// gives them IDs, shows a point's layer and ID and moves points to the
// current layer. Every change but the layer move is recorded first in the
// tool's undo list (50 deep).
#pragma once

#include <memory>
#include <vector>

#include "model/ptlist.h"
#include "ui/core/edittool.h"
#include "ui/core/undolist.h"

namespace qzn {

// One change to the shown points, and how to give it back.
struct CPointUndoRecord {
  enum Kind : int { kNone = 0, kAdded = 1, kDeleted = 2, kMoved = 3, kDeletedInRect = 4, kIdGiven = 5 };
  int kind = kNone;
  CPointRec* point = nullptr;                     // kAdded, kMoved, kIdGiven: still the list's
  std::vector<std::unique_ptr<CPointRec>> owned;  // kDeleted, kDeletedInRect: taken out
  CPointRec saved;                                // kMoved: the whole record as at the press
  float savedValue = 0.0f;                        // kIdGiven
  // Gives the change back to the list.
  void Apply(CPtList& points);
};

using CPointUndoList = CBoundedUndo<CPointUndoRecord>;

class CPointEditTool : public CUndoTool<CPointUndoList> {
 public:
  enum SubMode : int { kNew = 0, kMove = 1, kDelete = 2, kAssignId = 3, kShowId = 4, kSetLayer = 5 };
  static constexpr int kUndoDepth = 50;

  CPointEditTool(IToolHost& host, CQznDoc* doc);
  ~CPointEditTool() override;

  ToolType GetType() const override { return ToolType::kPointEdit; }
  void OnLButtonDown(POINT p, unsigned flags) override;
  void OnMouseMove(POINT p, unsigned flags) override;
  void OnLButtonUp(POINT p, unsigned flags) override;
  void OnCaptureLost() override;
  void UpdateMenu() override;
  bool OnCommand(int id) override;
  void Undo() override;
  void FinishAndDrop() override;
  bool IsChecked(int id) const override;
  bool IsItemEnabled(int id) const override;

  int SubMode() const { return m_subMode; }

 private:
  void SetSubMode(int subMode, int cursor, const char* status);
  void EndDrag();
  void DeleteInRect(const RECT& band);

  CQznDoc* m_doc;
  CPtList& m_points;
  int m_subMode = kNew;
  CDragTracker m_drag;
  CPointRec* m_current = nullptr;
};

}  // namespace qzn
