// What a mouse tool may ask of the view it works in. The image view
// implements it over a window; tests implement it without one, so every tool
// runs headless. Points are client pixels; the transform maps them to image
// pixels and back.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/qzndoc.h"
#include "model/chain.h"
#include "model/viewtransform.h"
#include "platform/wintypes.h"
#include "ui/core/displaybitmap.h"
#include "ui/core/displayflags.h"
#include "ui/core/editmode.h"
#include "ui/core/feedback.h"
#include "ui/core/tooldialogs.h"

namespace qzn {

// One item of a context menu: command id (0: separator) and text.
struct ContextMenuItem {
  int id = 0;
  std::string text;
  bool checked = false;
  bool enabled = true;
  bool operator==(const ContextMenuItem&) const = default;
};

class IToolHost {
 public:
  virtual ~IToolHost() = default;

  virtual const CViewTransform& Transform() const = 0;
  // The client area's size in pixels.
  virtual SIZE ClientSize() const = 0;
  virtual CQznDoc* Document() const = 0;
  virtual EditMode CurrentEditMode() const = 0;

  // Transient shapes; RefreshFeedback repaints what changed since the last
  // call (a cheap paint: only the damaged strips).
  virtual CFeedbackLayer& Feedback() = 0;
  virtual void RefreshFeedback() = 0;
  // Repaints the whole view (after the tool changed the document).
  virtual void Refresh() = 0;

  virtual void SetStatusText(const std::string& utf8) = 0;

  // Mouse capture for a drag. While the cursor is clipped to the client area
  // the points the tool receives are clamped into it (the stand-in for
  // clipping the pointer itself). A lost capture ends the gesture: the view
  // sends the tool a button-up at the last point it saw.
  virtual void CaptureMouse() = 0;
  virtual void ReleaseMouse() = 0;
  virtual void ClipCursorToClient(bool on) = 0;

  // Questions and messages (Windows style bits and answers).
  virtual int MessageBox(const std::string& utf8, unsigned style) = 0;

  // The view's rubber band in image pixels (empty when none).
  virtual RECT GetRubberBand() const = 0;
  virtual void SetRubberBand(const RECT& imageRect) = 0;

  // Coordinates as the status bar shows them, a CoordDisplay.
  virtual int CursorKind() const = 0;
  // The map and page conversions of an image point; false (point unchanged)
  // when the view has no polynomial or no resolution.
  virtual bool ImageToMapCoords(POINT p, double& x, double& y) const = 0;
  virtual bool ImageToScaledCoords(POINT p, double& x, double& y) const = 0;
  // The coordinates the status bar shows for a client point (of the kind
  // above).
  virtual void CursorCoordsAt(POINT client, double& x, double& y) const = 0;
  virtual bool ImageHasPixels() const = 0;

  // Recentres the view on an image point; with onlyWhenOutside nothing
  // happens while it lies in the inner three quarters. True when it moved.
  virtual bool RecenterOnPoint(POINT imagePoint, bool onlyWhenOutside) = 0;

  // Shows a context menu at a client point; the chosen command is routed as
  // a menu command of the view.
  virtual void ShowContextMenu(const std::vector<ContextMenuItem>& items, POINT client) = 0;

  // ---- what the edit tools need besides ----
  // The view's display flags and the options its line drawing uses, so a
  // tool draws what it holds as the view draws the document.
  virtual const CDisplayFlags& Flags() const = 0;
  virtual CChainDrawOptions DrawOptions() const = 0;
  // The view's 256 palette entries (what each value of a one-plane image
  // shows as).
  virtual const ViewPalette& Palette() const = 0;
  // Repaints the part of the view that shows an image rectangle (the tool
  // changed the document there); cheaper than Refresh.
  virtual void RefreshImageRect(const RECT& imageRect) = 0;
  // The image changed: its display is rendered again and repainted.
  virtual bool RefreshDisplay() = 0;
  // Runs a modal dialog on its record; true for OK.
  virtual bool RunDialog(ToolDialog& dialog) = 0;
  // The annotation tool's modeless dialog; null where there is none.
  virtual std::unique_ptr<INoteDialog> CreateNoteDialog() = 0;
  // Whether Esc is held now. Long traces poll it to stop, reading the key
  // state without dispatching events.
  virtual bool IsEscapeDown() const = 0;
  // Runs a command of the view once the current mouse or key message has
  // been handled: a tool may end its own mode this way.
  virtual void PostCommand(int id) = 0;
};

}  // namespace qzn
