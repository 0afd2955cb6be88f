// The 3D view of an elevation grid without the toolkit or OpenGL: its state
// (angles, zoom, vertical scale, the drape and its settings), the commands
// that change it (tilt, turn, zoom, the rotation animation, the settings and
// scale dialogs, model export), picking a surface point, and the geometry
// of a frame (matrices, the surface's vertices and ramp entries, the drape's
// tiles). The window it lives in is an I3DWindow; ui/ supplies the OpenGL
// one, tests a fake, so all of it runs headless.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/wintypes.h"
#include "ui/core/camera3d.h"

namespace qzn {

class CDialogModel;
class COpenGLDoc;
class CQznDoc;

// The window a 3D view lives in.
class I3DWindow {
 public:
  virtual ~I3DWindow() = default;
  // The view changed: the window draws a new frame when it next paints.
  virtual void Invalidate() = 0;
  virtual void StartTimer(int id, int milliseconds) = 0;
  virtual void StopTimer(int id) = 0;
  // Draws the current frame off screen and reads the depth (0 near to 1
  // far) at GL pixel (x, y), counted from the bottom left; false when it
  // cannot be read.
  virtual bool ReadDepth(int x, int y, float& depth) = 0;
  // Shows a dialog modally; true when it ended with OK.
  virtual bool RunDialog(CDialogModel& dialog) = 0;
  // The shared cursor coordinates changed (the main window's pane).
  virtual void CursorMoved() {}
};

// The surface of a frame: one vertex per grid node, row by row.
struct C3DSurface {
  int columns = 0;
  int rows = 0;
  float cellSize = 1.0f;
  float verticalScale = 1.0f;
  std::vector<float> positions;         // x, y, z of each node
  std::vector<std::uint8_t> rampEntry;  // the colour ramp entry of each node
};

// Fills the surface of a grid: node (c, r) at x = (c - columns / 2) x cell,
// y = height x vertical scale, z = (r - rows / 2) x cell (integer halves; a
// cell size not above 0 counts as 1), coloured by ramp entry 256 x height /
// range, at most 255; a flat grid takes entry 0 everywhere.
void BuildSurface(const COpenGLDoc& doc, float verticalScale, C3DSurface& surface);

// The drape's tiles: the image pixels each grid cell is textured with.
// The tile size (pixels of the image per cell) is the grid's cell size when
// the draped rectangle's width and height are the grid header's lower-left
// x and y (a grid built from the whole workspace); otherwise the largest
// square that the rectangle's spacing per cell allows, at least 1.
SIZE GetTileSize(const RECT& imageRect, const COpenGLDoc& doc);
// Cell (c, r)'s tile before clipping: its top-left corner at c and r times
// the rectangle's spacing per cell from the rectangle's corner.
RECT GetTileRect(int c, int r, const RECT& imageRect, SIZE tile, int columns, int rows);
// Where a tile may read the image: the workspace extent inside the image
// (right and bottom excluded), the pixels the document's RGB copy serves.
RECT DrapeBounds(const CQznDoc& doc);

struct CDrapePlan {
  SIZE tile{0, 0};
  // Per cell, row by row ((columns - 1) x (rows - 1)): its tile clipped to
  // the bounds. A tile wholly outside them is empty (the cell is drawn
  // without texture).
  std::vector<RECT> tiles;
  // How many tiles were cut by the bounds (their size differs from `tile`).
  std::int64_t clipped = 0;
};
CDrapePlan PlanDrape(const COpenGLDoc& doc, const RECT& imageRect, const RECT& bounds);

// The camera of a frame.
struct CFrameSetup {
  CViewport viewport{0, 0, 1, 1};
  CMatrix4 projection{};
  CMatrix4 modelView{};
};

class COpenGLView {
 public:
  enum : int { kRotationTimer = 1, kRotationPeriod = 30 };

  COpenGLView(COpenGLDoc* doc, I3DWindow* window);
  COpenGLView(const COpenGLView&) = delete;
  COpenGLView& operator=(const COpenGLView&) = delete;

  COpenGLDoc* Document() const { return m_doc; }
  // The window draws a new frame when it next paints.
  void Invalidate() { m_window->Invalidate(); }
  // Shows a dialog over the 3D window; true for OK.
  bool RunDialog(CDialogModel& dialog) { return m_window->RunDialog(dialog); }

  // The client size in GL pixels; a size not above 0 is ignored.
  void OnSize(int cx, int cy);

  // ---- one frame ----
  // Takes a vertical scale not above 0 as 1.0 (and keeps it), recomputes
  // the world rectangle and gives the viewport and the two matrices.
  CFrameSetup SetupFrame();
  // World rectangle: (0, 0) to (columns x cell, rows x cell), truncated; a
  // negative cell size counts as 1.0.
  void ComputeWorldRect();
  // The image is draped (else the surface is coloured by height).
  bool DrapeMode() const { return drapeAvailable != 0 && showDrape != 0; }

  // ---- commands ----
  void OnViewZoomIn();   // zoom + 1
  void OnViewZoomOut();  // zoom - 1, at least 1
  void OnViewDown();     // "俯视": tilt + 2, at most 90
  void OnViewUp();       // "仰视": tilt - 2, at least 0
  void OnViewLeft();     // turn = (integer part - 5) % 360, truncating
  void OnViewRight();    // turn = (integer part + 5) % 360
  // Animation on or off.
  void OnAnimate();
  void OnTimer(int id);
  // Stops the rotation: the timer and the animating flag together, so the
  // next kLabelAnimate starts it again.
  void StopAnimation();
  void StartAnimation();
  // The settings dialog; the animation stops afterwards whatever the answer.
  void On3DSettings();
  // The scale dialog: vertical scale and the grid's cell size.
  void OnScale();
  // The model export: the save dialog, then the writer by the extension.
  void OnExportModel();
  // A left click at a client point in GL pixels (y from the top): the model
  // point under it in the status text and the cursor coordinates, or
  // kPickNoData over the background.
  void OnLButtonDown(int x, int y);

  // ---- drape ----
  void SetDrape(CQznDoc* doc, const RECT& rect);
  // A workspace is going away: a drape of it ends.
  void ForgetDrapeSource(const CQznDoc* doc);
  // The tile size of the current drape (also kept in tileWidth/tileHeight).
  SIZE UpdateTileSize();

  // ---- state, in the order of the original record ----
  int clientWidth = 0;
  int clientHeight = 0;
  double tiltAngle = 45.0;
  double depthOffset = -20.0;
  double turnAngle = 45.0;
  double zoom = 2.0;
  float verticalScale = 1.0f;
  RECT worldRect{0, 0, 0, 0};
  int animationStep = 0;
  CQznDoc* drapeDoc = nullptr;
  int drapeAvailable = 0;
  RECT imageRect{0, 0, 0, 0};
  int tileWidth = 0;
  int tileHeight = 0;
  int showDrape = 1;
  int colourOverlay = 1;
  int greyRamp = 0;
  int animating = 0;

 private:
  COpenGLDoc* m_doc;
  I3DWindow* m_window;
};

// Builds the ramp colour of a node for the frame: the terrain ramp, or the
// grey one in drape mode with the grey ramp flag.
int FrameRampType(const COpenGLView& view);

}  // namespace qzn
