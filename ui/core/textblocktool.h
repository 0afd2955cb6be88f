// The text-block tool (EditMode::kTextBlock): works on the rectangles that text
// detection marks around lettering. It takes the lines in a block out as
// lettering (and gives them back one at a time), removes and adds block
// marks, groups and ungroups blocks, and tests and trains the OCR set on a
// block.
#pragma once

#include <cstdint>

#include "model/box.h"
#include "model/chainlist.h"
#include "ui/core/edittool.h"

namespace qzn {

class CTextBlockTool : public CEditTool {
 public:
  enum SubMode : int {
    kDeleteLines = 0,
    kRemoveBlock = 1,
    kAddBlock = 2,
    kGroup = 4,
    kUngroup = 5,
    kTestOcr = 6,
    kTrainOcr = 7
  };

  CTextBlockTool(IToolHost& host, CQznDoc* doc);
  ~CTextBlockTool() override;

  ToolType GetType() const override { return ToolType::kTextBlock; }
  void OnLButtonDown(POINT p, unsigned flags) override;
  void OnMouseMove(POINT p, unsigned flags) override;
  void OnLButtonUp(POINT p, unsigned flags) override;
  void OnCaptureLost() override;
  void UpdateMenu() override;
  bool OnCommand(int id) override;
  // Restore stays available while removed lines remain.
  bool CanUndo() const override { return !m_removed.IsEmpty(); }
  void Undo() override;
  void FinishAndDrop() override;
  bool IsChecked(int id) const override;
  bool IsItemEnabled(int id) const override;

  int SubMode() const { return m_subMode; }
  const CChainList& Removed() const { return m_removed; }

 private:
  void SetSubMode(int subMode, int cursor, const char* status);
  // Takes the lines listed (already out of the document's list) as removed.
  void KeepRemoved(CObList& lines);
  void DeleteAllTextLines();
  void ReleaseSegment(POINT client);
  void EndDrag();

  CQznDoc* m_doc;
  CBoxList& m_blocks;
  CChainList& m_lines;
  int m_subMode = kAddBlock;
  CDragTracker m_drag;
  CChainList m_removed;  // newest last
};

}  // namespace qzn
