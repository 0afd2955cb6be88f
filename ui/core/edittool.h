// The mouse tools of the image view. One tool is current; the view's edit
// mode (ui/core/editmode.h) selects its class through a factory per mode,
// which later tools register. CDefaultTool is the tool of EditMode::kDefault
// (zoom rectangle, length measurement) and the temporary tool while Shift or
// Ctrl is held in another mode.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/wintypes.h"
#include "resources/menus.h"
#include "ui/core/editmode.h"
#include "ui/core/toolhost.h"

namespace qzn {

// The smoothing tolerance of line tracing and of smoothing a line (image
// pixels): one value for every view for the whole run, 1.0 at start, set by
// the line tool's "设置平滑" and never saved.
extern double g_traceSmoothing;

// Flags of a mouse message: the left button held (a drag parked outside the
// view ends when a move arrives without it), and the modifiers.
enum : unsigned { kMkLButton = 0x01, kMkShift = 0x04, kMkControl = 0x08 };

// A drag under way: start, previous and current points, an optional
// rectangle moved with it, and the capture it holds.
class CDragTracker {
 public:
  bool active = false;
  RECT startRect{}, previousRect{}, rect{};
  POINT start{}, previous{}, current{};
  bool clipped = false;

  // Starts a drag at (x, y); with a host the mouse is captured for it.
  void Begin(int x, int y, bool active, const RECT* rect, IToolHost* host);
  void Move(int x, int y);
  void Commit();
  // Ends the drag: the capture and a clip this tracker set are released; a
  // clip set elsewhere is left alone.
  void End();
  void ClipToClient();

 private:
  IToolHost* m_host = nullptr;
};

class CEditTool {
 public:
  // A tool with a static item table for its context menu.
  CEditTool(IToolHost& host, int cursorId, std::span<const res::MenuItem> items = {});
  virtual ~CEditTool() = default;

  virtual ToolType GetType() const { return ToolType::kNone; }
  virtual void Draw(CCanvas& dc) {}
  virtual void OnLButtonDown(POINT p, unsigned flags) {}
  virtual void OnMouseMove(POINT p, unsigned flags) {}
  virtual void OnLButtonUp(POINT p, unsigned flags) {}
  virtual void OnLButtonDblClk(POINT p, unsigned flags) {}
  virtual void UpdateMenu() {}
  virtual bool OnCommand(int id) { return false; }
  virtual bool CanUndo() const { return canUndo; }
  virtual void Undo() {}
  virtual void OnChar(unsigned ch, unsigned repeat, unsigned flags) {}
  // The capture was taken away mid-gesture (another window, a dialog): the
  // gesture ends as if the button went up at the last point seen.
  virtual void OnCaptureLost() {}
  // A command is about to change the data behind the tool: it finishes
  // what it is doing and drops its undo steps and every object it holds
  // (lines, notes, pictures), so nothing it keeps points at changed data.
  virtual void FinishAndDrop() {}
  // The check mark of one of the tool's commands (its sub-mode and its
  // switches), for the menus and the context menu alike; and whether the
  // context menu offers it (greyed otherwise).
  virtual bool IsChecked(int id) const { return false; }
  virtual bool IsItemEnabled(int id) const { return true; }

  // Rebuilds the menu (UpdateMenu) and shows it when it has an item.
  void TrackContextMenu(POINT client);
  // Copies a menu resource's items: commands as text items, separators;
  // sub-menu entries are skipped.
  void AppendMenuItems(std::span<const res::MenuItem> items);
  // The pop-up rebuilt from a menu resource, each item checked and enabled
  // as IsChecked and IsItemEnabled say.
  void RebuildMenu(int resourceId);

  int GetCursorId() const { return cursorId; }
  int GetInitialCursorId() const { return initialCursorId; }
  const std::vector<ContextMenuItem>& Popup() const { return popup; }

 protected:
  IToolHost& host;
  int cursorId;
  int initialCursorId;
  std::vector<ContextMenuItem> popup;
  bool canUndo = false;
};

// A tool that records its changes in an undo list of its own (a
// CBoundedUndo, ui/core/undolist.h): the list lives and dies with the tool,
// and Edit > Undo is offered while it holds a record.
template <class List>
class CUndoTool : public CEditTool {
 public:
  CUndoTool(IToolHost& host, int cursorId, int undoDepth) : CEditTool(host, cursorId), m_undo(undoDepth) {}
  bool CanUndo() const override { return m_undo.Count() > 0; }
  std::int64_t UndoCount() const { return m_undo.Count(); }
  const List& UndoList() const { return m_undo; }

 protected:
  List m_undo;
};

class CDefaultTool : public CEditTool {
 public:
  explicit CDefaultTool(IToolHost& host, int cursorId = 101);
  ~CDefaultTool() override;
  ToolType GetType() const override { return ToolType::kDefault; }
  void OnLButtonDown(POINT p, unsigned flags) override;
  void OnMouseMove(POINT p, unsigned flags) override;
  void OnLButtonUp(POINT p, unsigned flags) override;
  void UpdateMenu() override;
  void OnCaptureLost() override;

  bool IsMeasuring() const { return measuring; }
  const CDragTracker& Tracker() const { return tracker; }

 private:
  // A client point snapped to the image pixel it shows.
  POINT Snap(POINT p) const;
  void ShowFeedback();
  double MeasuredLength() const;

  CDragTracker tracker;
  bool measuring = false;
};

// Builds the tool of an edit mode: null when the mode has no tool (yet) or it
// cannot be made. The view saves its display flags and switches the mode's
// overlay on when it enters the mode (CQznView::SetEditMode).
using ToolFactory = std::function<std::unique_ptr<CEditTool>(IToolHost&, CQznDoc*)>;
void RegisterToolFactory(EditMode mode, ToolFactory factory);
ToolFactory FindToolFactory(EditMode mode);

}  // namespace qzn
