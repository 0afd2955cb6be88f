// The line tool (EditMode::kLineEdit): draws new lines, rectangles and circles,
// traces scanned lines from click to click or along a drawn segment, moves,
// inserts and deletes nodes, splits, joins, closes, copies, moves, deletes
// and smooths lines, gives them IDs and layers, builds a polygon from picked
// lines and shrinks crossing marks. Every change to the shown lines is
// recorded first in the tool's undo list (ui/core/lineundo.h).
//
// Each of the 22 sub-modes is one row of a table: the command that chooses
// it, its cursor and status text, and its press, drag and release, which
// live together in ui/core/linetool_submodes.cpp. This file's .cpp holds
// what they share: the helpers, finishing the line being drawn, the
// dispatch of the mouse and the commands, the keys and Undo.
//
// What the tool shows while the mouse moves (rubber segments and
// rectangles, picked lines shown inverted, the polygon selection) are
// feedback shapes; the line being drawn is drawn with the view.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/linetracker.h"
#include "model/chainlist.h"
#include "ui/core/edittool.h"
#include "ui/core/lineundo.h"

namespace qzn {

class CLineEditTool : public CUndoTool<CLineUndoList> {
 public:
  enum SubMode : int {
    kNewLine = 0,
    kRectangle = 1,
    kCircle = 2,
    kMoveNode = 3,
    kDeleteNode = 4,
    kDeleteLine = 5,
    kAddNode = 6,
    kSplit = 7,
    kAssignId = 8,
    kShowLine = 9,
    kContour = 10,
    kJoin = 11,
    kCopy = 12,
    kMoveLine = 13,
    kCloseLine = 14,
    kCrossMarks = 15,
    kMultiTrace = 16,
    kSetLayer = 17,
    kPolygon = 18,
    kSmooth = 19,
    kBSpline = 20,
    kFreehand = 21
  };
  static constexpr int kUndoDepth = 20;

  CLineEditTool(IToolHost& host, CQznDoc* doc);
  ~CLineEditTool() override;

  ToolType GetType() const override { return ToolType::kLineEdit; }
  void Draw(CCanvas& dc) override;
  void OnLButtonDown(POINT p, unsigned flags) override;
  void OnMouseMove(POINT p, unsigned flags) override;
  void OnLButtonUp(POINT p, unsigned flags) override;
  void UpdateMenu() override;
  bool OnCommand(int id) override;
  void Undo() override;
  void OnChar(unsigned ch, unsigned repeat, unsigned flags) override;
  void OnCaptureLost() override;
  void FinishAndDrop() override;
  bool IsChecked(int id) const override;
  bool IsItemEnabled(int id) const override;

  // ---- state, for the commands' check marks and for tests ----
  int SubMode() const { return m_subMode; }
  CChain* CurrentLine() const { return m_current; }
  bool AutoTrace() const { return m_autoTrace; }
  bool Snap() const { return m_snap; }
  bool SnapToEnds() const { return m_snapToEnds; }
  int SnapDistance() const { return m_snapDistance; }
  const std::vector<CChain*>& PolygonSelection() const { return m_polygon; }
  float ContourStart() const { return m_contourStart; }
  float ContourStep() const { return m_contourStep; }

  // Ends the line being drawn: a line of fewer than two vertices is removed,
  // else it is closed (close set) or its last vertex snapped.
  void Finish(bool close);
  // Takes a line of fewer than two vertices off the list with its undo steps.
  void DropNonLine(CChain* line);
  // Whether the document's image is one the tracer follows lines on: 1 bit
  // per sample, grey with a threshold set, or palette colour.
  static bool ImageSuitsTracing(const CQznDoc& doc);

 private:
  // One sub-mode: the command that selects it and its reactions to the
  // mouse. A reaction left null does nothing. The presses get the client
  // point and the image point under it; drag runs on each mouse move of a
  // drag the press began; hover on every mouse move, button or not, in
  // place of the drag; release gets the image point where the button went
  // up (after a press that acts there).
  struct SubModeInfo {
    int command = 0;
    int cursor = 0;
    const char* status = nullptr;  // shown when it is chosen (null: none)
    bool closesLine = false;       // choosing it closes the line being drawn
    void (CLineEditTool::*press)(POINT client, const CFPoint& image) = nullptr;
    void (CLineEditTool::*drag)(POINT client) = nullptr;
    void (CLineEditTool::*hover)(POINT client) = nullptr;
    void (CLineEditTool::*release)(const CFPoint& image) = nullptr;
    // What choosing it does instead of the plain switch (EndAction, then
    // Choose); null for the plain switch.
    void (CLineEditTool::*choose)(const RECT& band) = nullptr;
  };
  // Indexed by sub-mode (ui/core/linetool_submodes.cpp).
  static const SubModeInfo kSubModes[];
  static const SubModeInfo& Info(int subMode);

  // ---- helpers ----
  CFPoint ToImage(POINT client) const;
  POINT ToClient(const CFPoint& image) const;
  int ScaledWidth(const CChain* line) const;
  void RepaintLine(const CChain* line);
  void RepaintBounds(const RECT& bounds, const CChain* line);
  CChain* PickLine(const CFPoint& p) const;  // skipping the marked layers
  void ApplyCurrentLayer(CChain* line) const;
  // A new line of the list's current ID on the current layer, recorded as
  // added; null (after the message) when memory runs out.
  CChain* NewLayerLine(const char* noMemory);
  FeedbackShape InvertedShape(const CChain* line) const;
  void ShowInverted(const CChain* line);
  // Lines shown inverted together (the polygon selection, the lines a
  // contour segment crossed); none clears them.
  void ShowLines(const std::vector<CChain*>& lines);
  void HideInverted();
  void ShowRubberSegment(POINT client);
  void ClearRubber();
  void ShowSelection();
  void ClearSelection();
  // The vertex of another line that the given vertex snaps to; false when
  // none lies within the snap distance.
  bool SnapCandidate(const CChain* line, const CFPoint& v, CFPoint& to) const;
  void SetSubMode(int subMode, int cursor, const char* status);
  // Before a sub-mode is chosen: a press under way ends as at a release
  // where the mouse was, the line being drawn is finished (closed when
  // asked) and the cursor let go.
  void EndAction(bool close);
  // The sub-mode and its cursor, with its status text when asked.
  void Choose(int subMode, bool withStatus = true);
  std::string LineInfo(const CChain* line) const;
  bool ToggleAutoTrace(bool checkImage);
  bool BuildPolygon();
  void DropDeleted(const std::vector<const CChain*>& deleted);
  void EndDrag();
  // Starts the drag of a press that acts at the release.
  void BeginDrag(POINT client);

  // ---- the sub-modes (ui/core/linetool_submodes.cpp) ----
  // New line: a vertex per press, traced from the last one when tracing is
  // on; the rubber segment follows the mouse between presses.
  void PressNewLine(POINT client, const CFPoint& image);
  void HoverNewLine(POINT client);
  // New rectangle and new circle: a rubber rectangle, the line at the
  // release.
  void PressRubberRect(POINT client, const CFPoint& image);
  void DragRubberRect(POINT client);
  void ReleaseRubberRect(const CFPoint& image);
  // Freehand: every mouse point a vertex, smoothed at the release.
  void PressFreehand(POINT client, const CFPoint& image);
  void DragFreehand(POINT client);
  void ReleaseFreehand(const CFPoint& image);
  // Nodes: moved live, deleted, inserted; and all nodes in the band.
  void PressMoveNode(POINT client, const CFPoint& image);
  void DragMoveNode(POINT client);
  void ReleaseMoveNode(const CFPoint& image);
  void PressDeleteNode(POINT client, const CFPoint& image);
  void ChooseDeleteNode(const RECT& band);
  void DeleteNodesInRect(const RECT& band);
  void PressAddNode(POINT client, const CFPoint& image);
  // Whole lines: deleted, split, joined by dragging an end, copied and
  // moved.
  void PressDeleteLine(POINT client, const CFPoint& image);
  // Takes the line out into an undo step and repaints where it was.
  void RemoveLine(POSITION pos);
  void PressSplit(POINT client, const CFPoint& image);
  void PressJoin(POINT client, const CFPoint& image);
  void ReleaseJoin(const CFPoint& image);
  void PressCopy(POINT client, const CFPoint& image);
  void PressMoveLine(POINT client, const CFPoint& image);
  // The picked line (or its copy) follows the drag.
  void HoldLineForDrag(CChain* line, POINT client);
  void DragLine(POINT client);
  void ReleaseDraggedLine(const CFPoint& image);
  // An ID or the current layer for the line under the press (any layer),
  // shown inverted until the release; and for the lines in the band.
  // The nearest line on any layer becomes the current line, shown
  // inverted; null when there is none.
  CChain* HoldNearestInverted(const CFPoint& image);
  void PressAssignId(POINT client, const CFPoint& image);
  void ReleaseAssignId(const CFPoint& image);
  void ChooseAssignId(const RECT& band);
  void PressSetLayer(POINT client, const CFPoint& image);
  void ReleaseSetLayer(const CFPoint& image);
  void ChooseSetLayer(const RECT& band);
  // The picked line shown inverted with its data; close, smooth and
  // B-spline change it at the release.
  // The picked line becomes the current line, shown inverted with its data
  // in the status line; null when there is none.
  CChain* ShowPickedLine(const CFPoint& image);
  // The release: the line shown normally again, changed first unless the
  // change is null.
  void ReleasePickedLine(void (*change)(CChain& line));
  void PressShowLine(POINT client, const CFPoint& image);
  void PressChangeLine(POINT client, const CFPoint& image);
  void ReleaseShowLine(const CFPoint& image);
  void ReleaseCloseLine(const CFPoint& image);
  void ReleaseSmooth(const CFPoint& image);
  void ReleaseBSpline(const CFPoint& image);
  // Contour values and multi-line tracing: a segment drawn from the press
  // to the release.
  void PressSegment(POINT client, const CFPoint& image);
  void DragSegment(POINT client);
  void ReleaseContour(const CFPoint& image);
  void ReleaseMultiTrace(const CFPoint& image);
  // Crossing marks shrunk to a vertex: the mark under the press, or those in
  // the band.
  void PressCrossMark(POINT client, const CFPoint& image);
  void ChooseCrossMarks(const RECT& band);
  void ShrinkMarksInRect(const RECT& band);
  // Lines picked for a polygon; choosing the sub-mode again builds it.
  void PressPolygon(POINT client, const CFPoint& image);
  void ChoosePolygon(const RECT& band);

  // ---- commands besides the sub-modes ----
  void DeleteAllLines();

  CQznDoc* m_doc;
  CChainList& m_lines;
  int m_subMode = kNewLine;
  CChain* m_current = nullptr;  // the line drawn, traced, moved or edited
  CDragTracker m_drag;
  CFPoint m_anchor;  // start of the rubber segment
  std::int64_t m_node = -1;
  RECT m_savedBounds{};
  float m_contourStart = 0.0f, m_contourStep = 0.0f;
  bool m_autoTrace = false;
  bool m_snap = false;
  bool m_snapToEnds = false;
  int m_snapDistance = 20;
  std::vector<int> m_excludedLayers;
  std::vector<CChain*> m_polygon;
  std::unique_ptr<CLineTracker> m_tracker;  // of the line being drawn
  bool m_pressed = false;                   // a press of a sub-mode that acts at the release
};

}  // namespace qzn
