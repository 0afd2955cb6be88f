// The dialogs of the 3D subsystem: the grid mesh size (167) and DEM
// settings (175) that the image view's grid and DEM commands show, the 3D
// settings (168) and scale (215) of the 3D window, and the drape area (177)
// of the drape command. Their logic runs against IDialogControls.
#pragma once

#include <string>

#include "platform/wintypes.h"
#include "ui/core/dataexchange.h"

namespace qzn {

class COpenGLView;
class CQznDoc;
struct CDemSettings;

// The slider of a grid's cell size over an extent: 2 up to half the
// extent's smaller side, at least 2, so the range stays valid however small
// the extent; it starts at 5 when the range reaches it, else at 2.
struct CCellSizeRange {
  int low = 2;
  int high = 2;
  int initial = 2;
};
CCellSizeRange CellSizeRangeOf(const RECT& extent);

// The default output path: the workspace's directory and name with the
// extension (".grd"), or fallbackName and the extension for a workspace
// without a name.
std::string DefaultGridPath(const CQznDoc* doc, const char* fallbackName, const char* extension);

// Common part of the two grid dialogs: the cell size slider, the labels of
// columns, rows and cell size, the output path with its Browse button.
class CGridSizeDialogBase : public CDialogModel {
 public:
  CGridSizeDialogBase(const RECT& extent, const CQznDoc* doc, int slider, int columnsLabel, int rowsLabel, int browse,
                      int output, const char* extension, const char* filter);

  RECT extent{};
  const CQznDoc* doc = nullptr;
  int cellSize = 2;
  std::string outputPath;

  void OnInitDialog(IDialogControls& c) override;
  void OnScroll(int id, int code, int position, IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;

 protected:
  void ExchangeGrid(CDataExchange& dx);
  void ShowCounts(IDialogControls& c) const;

 private:
  int m_slider, m_columnsLabel, m_rowsLabel, m_browse, m_output;
  const char* m_extension;
  const char* m_filter;
};

// Dialog 167 kGridMeshTitle.
class CGridMeshSizeDlg : public CGridSizeDialogBase {
 public:
  enum : int { kId = 167, kColumns = 257, kRows = 258, kCellSize = 259, kBrowse = 260, kOutput = 261, kSlider = 262 };
  CGridMeshSizeDlg(const RECT& extent, const CQznDoc* doc);
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override { ExchangeGrid(dx); }
};

// Dialog 175 kDemSettingsTitle.
class CDemSettingsDlg : public CGridSizeDialogBase {
 public:
  enum : int {
    kId = 175,
    kCellSize = 259,
    kBrowse = 291,
    kName = 292,
    kCorner0X = 293,
    kCorner0Y = 294,
    kCorner1X = 295,
    kCorner1Y = 296,
    kCorner2X = 297,
    kCorner2Y = 298,
    kCorner3X = 299,
    kCorner3Y = 300,
    kGroundUnits = 301,
    kElevationUnits = 302,
    kSlider = 303,
    kOutput = 306,
    kColumns = 307,
    kRows = 308
  };
  CDemSettingsDlg(const RECT& extent, const CQznDoc* doc);
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;

  int groundUnits = 2;
  int elevationUnits = 3;
  float cornerX[4] = {0, 0, 0, 0};
  float cornerY[4] = {0, 0, 0, 0};
  std::string name;

  // What the DEM writer gets: both unit codes from the ground code, the
  // name, the corners and the cell size as the resolution.
  void FillSettings(CDemSettings& s) const;
};

// Dialog 168 k3DSettingsTitle.
class C3DSettingsDlg : public CDialogModel {
 public:
  enum : int {
    kId = 168,
    kApply = 259,
    kZoom = 260,
    kTurn = 263,
    kTilt = 264,
    kZoomLabel = 265,
    kTurnLabel = 266,
    kTiltLabel = 267,
    kAnimate = 268,
    kOverlay = 317
  };
  explicit C3DSettingsDlg(COpenGLView& view);
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnScroll(int id, int code, int position, IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;
  // The three slider values become the view's tilt, zoom and turn.
  void Apply();

  COpenGLView& view;
  int zoom = 1;
  int turn = 0;
  int tilt = 0;
  int zoomHigh = 10;
  int showDrape = 1;
  int colourOverlay = 1;
  int greyRamp = 0;
  bool animating = false;

 private:
  void ShowLabels(IDialogControls& c) const;
};

// Dialog 215 k3DScaleTitle.
class C3DScaleDlg : public CDialogModel {
 public:
  enum : int { kId = 215, kVerticalScale = 383, kMeshSize = 384 };
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  float verticalScale = 1.0f;
  float meshSize = 1.0f;
};

// Dialog 177 kDrapeAreaTitle: drape the whole workspace or an area of it.
class CDrapeAreaDlg : public CDialogModel {
 public:
  enum : int { kId = 177, kLeft = 185, kTop = 186, kBottom = 187, kRight = 188, kWhole = 309, kArea = 310 };
  CDrapeAreaDlg(const RECT& proposed, const RECT& extent);
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  // The rectangle to drape: the extent, or the fields' rectangle (normalised)
  // within it. Empty when the area misses the workspace.
  RECT Result() const;

  int choice = 1;  // 0 kLabelDrapeAll, 1 kLabelDrapeArea
  int left = 0, top = 0, right = 0, bottom = 0;
  RECT extent{};
};

}  // namespace qzn
