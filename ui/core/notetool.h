// The annotation tool (EditMode::kAnnotation): adds notes by drawing their rectangle
// (the text comes from the note dialog), deletes them one by one or in the
// rubber band, opens one in the note dialog, moves one to the current
// layer, and drags one to move or turn it. It keeps no undo.
#pragma once

#include <memory>

#include "model/note.h"
#include "ui/core/edittool.h"

namespace qzn {

class CAnnotationTool : public CEditTool {
 public:
  enum SubMode : int { kAdd = 0, kDelete = 1, kModify = 2, kSetLayer = 3, kMove = 4, kRotate = 5 };

  CAnnotationTool(IToolHost& host, CQznDoc* doc);
  ~CAnnotationTool() override;

  ToolType GetType() const override { return ToolType::kAnnotation; }
  void OnLButtonDown(POINT p, unsigned flags) override;
  void OnMouseMove(POINT p, unsigned flags) override;
  void OnLButtonUp(POINT p, unsigned flags) override;
  void OnCaptureLost() override;
  void UpdateMenu() override;
  bool OnCommand(int id) override;
  void FinishAndDrop() override;
  bool IsChecked(int id) const override;
  bool IsItemEnabled(int id) const override;

  int SubMode() const { return m_subMode; }
  INoteDialog* NoteDialog() const { return m_dialog.get(); }

 private:
  void SetSubMode(int subMode, int cursor, const char* status);
  void ShowFrame(const CNote& note);
  void EndDrag();

  CQznDoc* m_doc;
  CNoteList& m_notes;
  int m_subMode = kAdd;
  CDragTracker m_drag;
  std::unique_ptr<INoteDialog> m_dialog;
  CNote* m_current = nullptr;
  // The dragged note as at the press, and how far the drag has turned it
  // (radians, unwrapped: a full turn counts as one).
  RECT m_pressRect{};
  int m_pressAngle = 0;
  double m_turned = 0.0;
  CFPoint m_pressImage, m_lastImage;
};

}  // namespace qzn
