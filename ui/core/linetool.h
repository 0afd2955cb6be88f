// The line tool (EditMode::kLineEdit): draws new lines, rectangles and circles,
// traces scanned lines from click to click or along a drawn segment, moves,
// inserts and deletes nodes, splits, joins, closes, copies, moves, deletes
// and smooths lines, gives them IDs and layers, builds a polygon from picked
// lines and shrinks crossing marks. Every change to the shown lines is
// recorded first in the tool's undo list (ui/core/lineundo.h).
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
  std::string LineInfo(const CChain* line) const;
  bool ToggleAutoTrace(bool checkImage);
  bool BuildPolygon();
  void DropDeleted(const std::vector<const CChain*>& deleted);
  void EndDrag();

  // ---- the sub-modes' presses and releases ----
  void PressNewLine(const CFPoint& ip);
  void ReleaseRectangle();
  void PressDeleteNode(const CFPoint& ip);
  void PressDeleteLine(const CFPoint& ip);
  // Takes the line out into an undo step and repaints where it was.
  void RemoveLine(POSITION pos);
  void PressSplit(const CFPoint& ip);
  void ReleaseJoin(const CFPoint& ip);
  void ReleaseContour(const CFPoint& ip);
  void ReleaseMultiTrace(const CFPoint& ip);
  void PressCrossMark(const CFPoint& ip);
  void PressPolygon(const CFPoint& ip);

  // ---- commands ----
  void DeleteNodesInRect(const RECT& band);
  void ShrinkMarksInRect(const RECT& band);
  void DeleteAllLines();

  CQznDoc* m_doc;
  CChainList& m_lines;
  int m_subMode = kNewLine;
  CChain* m_current = nullptr;  // the line drawn, traced, moved or edited
  CDragTracker m_drag;
  CFPoint m_anchor;      // start of the rubber segment
  CFPoint m_pressImage;  // where the drag started, image pixels
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
