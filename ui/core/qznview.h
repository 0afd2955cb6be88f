// The image view of a workspace without the toolkit: its display flags, the
// visible rectangle with its zoom factors, the display pipeline (display
// buffer -> palette -> bitmap), zooming, scrolling and keys, the routing of
// the mouse to the current tool with the Shift/Ctrl park, the edit modes and
// the status-bar coordinates. The window it lives in is an IViewWindow; ui/
// supplies the wx one, tests a fake, so all of it runs headless.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/viewtransform.h"
#include "platform/wintypes.h"
#include "raster/rasterimage.h"
#include "ui/core/displaybitmap.h"
#include "ui/core/edittool.h"
#include "ui/core/feedback.h"
#include "ui/core/overview.h"
#include "ui/core/toolhost.h"

namespace qzn {

// The window an image view lives in.
class IViewWindow {
 public:
  virtual ~IViewWindow() = default;
  virtual SIZE GetClientSize() const = 0;
  // The display bitmap or the overlays changed: the window recomposes its
  // cached picture and repaints everything.
  virtual void InvalidateAll() = 0;
  // Only feedback shapes moved: repaint these strips from the cache.
  virtual void InvalidateStrips(const std::vector<RECT>& strips) = 0;
  virtual void SetScrollBars(int hRange, int hPos, int vRange, int vPos) = 0;
  virtual void CaptureMouse() = 0;
  virtual void ReleaseMouse() = 0;
  virtual void ShowContextMenu(const std::vector<ContextMenuItem>& items, POINT client) = 0;
  virtual void SetStatusText(const std::string& utf8) = 0;
  // The overview's thumbnail or outline changed, or it was shown or hidden.
  virtual void OverviewChanged() {}
  // The overlays changed inside this client rectangle only (right and
  // bottom exclusive): the window draws that part of its picture again.
  virtual void InvalidateRect(const RECT& client) { InvalidateAll(); }
  // The edit tools' dialogs (IToolHost): a window without them cancels.
  virtual bool RunDialog(ToolDialog& dialog) { return false; }
  virtual std::unique_ptr<INoteDialog> CreateNoteDialog() { return nullptr; }
  virtual bool IsEscapeDown() const { return false; }
};

// Scroll codes of OnScroll.
enum : int {
  kScrollLineUp = 0,
  kScrollLineDown = 1,
  kScrollPageUp = 2,
  kScrollPageDown = 3,
  kScrollThumbPosition = 4,
  kScrollThumbTrack = 5,
  kScrollTop = 6,
  kScrollBottom = 7,
  kScrollEnd = 8
};
// Keys of OnKeyDown.
enum class ViewKey { kPageUp, kPageDown, kUp, kDown, kLeft, kRight, kHome, kEnd, kOther };

// The cursor position the status bar shows (image, map or scaled units).
extern double g_cursorX, g_cursorY;
// The coordinate pane's text, "(%.4f,%.4f)", however long the numbers are.
std::string FormatCoordinates(double x, double y);

class CQznView : public CViewTransform, public IToolHost {
 public:
  CQznView(CQznDoc* document, IViewWindow* window);
  ~CQznView() override;
  CQznView(const CQznView&) = delete;
  CQznView& operator=(const CQznView&) = delete;

  // ---- transform ----
  double GetScaleX() const override { return scaleX; }
  double GetScaleY() const override { return scaleY; }
  int GetWorkspaceOriginX() const override;
  int GetWorkspaceOriginY() const override;
  int GetClientOffsetX() const override { return 0; }
  int GetClientOffsetY() const override { return 0; }
  int GetViewOriginX() const override { return visibleRect.left; }
  int GetViewOriginY() const override { return visibleRect.top; }

  // ---- tool host ----
  const CViewTransform& Transform() const override { return *this; }
  CQznDoc* Document() const override { return m_doc; }
  EditMode CurrentEditMode() const override { return editMode; }
  CFeedbackLayer& Feedback() override { return m_feedback; }
  void RefreshFeedback() override;
  void Refresh() override;
  void SetStatusText(const std::string& utf8) override;
  void CaptureMouse() override;
  void ReleaseMouse() override;
  void ClipCursorToClient(bool on) override { m_clip = on; }
  int MessageBox(const std::string& utf8, unsigned style) override;
  RECT GetRubberBand() const override { return rubberBand; }
  void SetRubberBand(const RECT& imageRect) override;
  int CursorKind() const override { return cursorKind; }
  bool ImageToMapCoords(POINT p, double& x, double& y) const override;
  void CursorCoordsAt(POINT client, double& x, double& y) const override;
  SIZE ClientSize() const override { return clientSize; }
  bool ImageToScaledCoords(POINT p, double& x, double& y) const override;
  bool ImageHasPixels() const override;
  bool RecenterOnPoint(POINT imagePoint, bool onlyWhenOutside) override;
  void ShowContextMenu(const std::vector<ContextMenuItem>& items, POINT client) override;
  const CDisplayFlags& Flags() const override { return flags; }
  CChainDrawOptions DrawOptions() const override;
  void RefreshImageRect(const RECT& imageRect) override;
  bool RunDialog(ToolDialog& dialog) override;
  std::unique_ptr<INoteDialog> CreateNoteDialog() override;
  bool IsEscapeDown() const override;
  void PostCommand(int id) override;

  // ---- lifecycle ----
  void OnInitialUpdate();
  void OnSize(int cx, int cy);

  // ---- display pipeline ----
  void RecalcZoom();
  CImageArea GetDisplayArea();
  bool AllocDisplayBuffer(bool reset);
  bool RenderDisplayBuffer(bool reset);
  bool PaintDisplayBuffer();
  bool RefreshDisplay() override;
  bool SetDisplayColor(int low, int high);
  bool ResetView();
  bool BuildPalette();
  // Sets the first `count` palette entries and remaps the display (preview).
  void SetDisplayPalette(const PaletteEntry* entries, int count);
  // The threshold preview: with `band` the grey values low..high show red
  // and the rest white, through the display's grey window; without, the
  // image's grey ramp. Sets all 256 entries and remaps the display without
  // rendering it again.
  void PreviewThreshold(int low, int high, bool band);
  // The grey window the display shows (displayColor decoded).
  void GetDisplayWindow(int& low, int& high) const;
  void UpdateScrollBars();
  const RgbBitmap& DisplayBitmap() const { return m_bitmap; }
  const ViewPalette& Palette() const override { return paletteEntries; }
  std::int64_t DisplayBufferBytes() const { return static_cast<std::int64_t>(m_displayBuffer.size()); }

  // The overlays (steps after the image), clipped to a client rectangle.
  void DrawOverlays(CCanvas& dc, const RECT& clientClip);

  // ---- zoom, scroll, keys ----
  void OnViewZoomIn();
  void OnViewZoomOut();
  void OnViewFullView();
  void OnViewPreviousView();
  void OnChar(unsigned ch, unsigned repeat, unsigned flags);
  void OnKeyDown(ViewKey key);
  void OnScroll(bool vertical, int code, int position);

  // ---- mouse ----
  void OnLButtonDown(unsigned flags, POINT p);
  void OnLButtonUp(unsigned flags, POINT p);
  void OnMouseMove(unsigned flags, POINT p);
  void OnLButtonDblClk(unsigned flags, POINT p);
  void OnRButtonDown(unsigned flags, POINT p);
  void OnCaptureLost();
  // The cursor resource to show over the view (the current tool's).
  int CursorId() const;

  // ---- edit modes ----
  CEditTool* SetEditMode(EditMode mode);
  CEditTool* EndEditMode();
  CEditTool* Tool() const { return tool.get(); }
  CEditTool* ParkedTool() const { return parkedTool.get(); }
  // Before a command changes the data behind the tools: the current and a
  // parked tool finish what they are doing and drop their undo steps and
  // the objects they hold (CEditTool::FinishAndDrop).
  void SettleTools();
  // The commands tools posted while handling a message, run in order.
  void RunPostedCommands();

  // ---- overview ----
  void CreateOverview();
  bool RenderOverview();
  void RefreshOverview();
  void UpdateOverview();
  COverview* Overview() const { return overview.get(); }

  // ---- line clean-up (the apply steps of the clean-up dialogs) ----
  // Stores the tolerance as the workspace's smoothing tolerance, smooths the
  // lines (all, or those meeting the rectangle) under the busy cursor and
  // repaints.
  void ApplySmoothLines(float tolerance, const RECT& rc);
  // Deletes the lines (all, or those meeting the rectangle) whose length
  // (measure 0) or node count (measure 1) lies in [low, high], under the
  // busy cursor, and repaints.
  void ApplyDeleteShortLines(int low, int high, const RECT& rc, int measure);

  // The status bar's cursor position from a client point.
  void UpdateCursorCoords(POINT client);

  // ---- state (read by the commands and the tests) ----
  CDisplayFlags flags;
  CDisplayFlags savedFlags;
  SIZE clientSize{1, 1};
  RECT visibleRect{};
  RECT previousRect{};
  double scaleX = 1.0, scaleY = 1.0;
  std::int32_t displayColor = 0;
  std::int32_t displayColorReset = 0;
  std::int32_t displayExtra = 0;
  RECT rubberBand{};
  EditMode editMode = EditMode::kDefault;
  int cursorKind = kCoordPixels;  // a CoordDisplay
  const double* mapCoefX = nullptr;
  const double* mapCoefY = nullptr;
  int mapOrder = 0;
  // Map coordinates from the workspace's current transform, fitted again
  // whenever they are shown, so that control points moved, added or deleted
  // since they were switched on count at once (the coefficients above are
  // then not used).
  bool followMapTransform = false;
  bool fillClosedLines = false;
  bool inResize = false;
  int scrollUnit = 1;
  int cursorImageX = 0, cursorImageY = 0;
  bool userNodeColor = false, userEndColor = false;
  bool displayValid = false;
  ViewPalette paletteEntries{};
  int paletteCount = 0;
  // The companion window (a modeless dialog the Image menu opens), owned
  // by the view and closed with it.
  std::function<void()> closeCompanion;

 private:
  RECT Extent() const;
  // The refresh chain after a change of visibleRect, the display fitted to
  // the page (the window's client area, or the size a size event gives).
  void RefreshChain();
  void RefreshChain(SIZE page);
  // visibleRect is what the user chose (a zoom, a scroll, a recentring,
  // F6): what a change of the page's size widens.
  void KeepAsChosen();
  SIZE PageSize() const;
  void FitDisplayToPage(SIZE page);
  // The whole workspace at its aspect, previousRect untouched (full view,
  // and a page that shows the whole workspace changing size).
  void ShowWholeExtent();
  void SyncRubberBandShape();
  POINT ToolPoint(POINT p) const;
  // The image-to-map polynomial shown: its type (0 none, 3, 4) and rows,
  // which point into rx and ry when the workspace's is followed.
  int MapRows(double* rx, double* ry, const double*& cx, const double*& cy) const;
  std::unique_ptr<CEditTool> MakeDefaultTool();

  CQznDoc* m_doc;
  IViewWindow* m_window;
  std::vector<BYTE> m_displayBuffer;
  RgbBitmap m_bitmap;
  std::unique_ptr<CEditTool> tool;
  std::unique_ptr<CEditTool> parkedTool;
  std::unique_ptr<COverview> overview;
  CFeedbackLayer m_feedback;
  std::vector<int> m_posted;
  bool m_clip = false;
  bool m_captured = false;
  // The visible rectangle as chosen, and as it was last fitted to the page
  // (by the change that chose it, or by a size change, OnSize).
  RECT m_chosenRect{};
  RECT m_fittedRect{};
};

}  // namespace qzn
