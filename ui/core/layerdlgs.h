// The layer dialogs: the layer manager (a private copy of the layer table,
// edited with buttons and written back on OK; on/off, colour and line type
// show on the drawing at once), its line type and fill pattern dialogs, the
// layer operation (copy or move objects between layers) and the choice of
// layers whose objects take their layer's colour. The rows of the layer
// list are painted here too, on any canvas.
#pragma once

#include <string>
#include <vector>

#include "model/layer.h"
#include "platform/canvas.h"
#include "ui/core/dataexchange.h"

namespace qzn {

class CQznDoc;
class CQznView;

// Dialog 179 kLineTypeTitle.
class CLineTypeDlg : public CDialogModel {
 public:
  enum : int {
    kId = 179,
    kSolid = 318,
    kDash = 319,
    kDot = 320,
    kDashDot = 321,
    kDashDotDot = 322,
    kWidth = 345,
    kUnit = 363
  };
  int penStyle = 0;  // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot
  float width = 0.0f;
  std::string unit;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  bool PlaceAtCorner() const override { return false; }
};

// Dialog 180 kHatchFillTitle: 0 to 5 the hatch styles, 6 solid, -1 none chosen.
class CHatchFillDlg : public CDialogModel {
 public:
  enum : int { kId = 180, kFirst = 321, kCount = 7 };
  int pattern = -1;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  bool PlaceAtCorner() const override { return false; }
};

// Dialog 170 kLayerManageTitle.
class CLayerManageDlg : public CDialogModel {
 public:
  enum : int {
    kId = 170,
    kList = 272,
    kName = 273,
    kOnOff = 274,
    kAdd = 276,
    kDelete = 279,
    kCurrent = 288,
    kColour = 289,
    kLock = 290,
    kLineType = 329,
    kFill = 330
  };
  // The name's limit counts characters: a Chinese character is one.
  static constexpr int kNameChars = 12;
  // Every row of the list is this high at the least.
  static constexpr int kRowHeight = 17;

  std::string name;  // a new layer's name
  CQznDoc* doc = nullptr;
  CQznView* view = nullptr;
  CLayerList working;  // the private copy; empty until the dialog opens

  CLayerManageDlg();
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  void OnCancel(IDialogControls& c) override;

  // True once on/off, colour or line type showed the copy on the drawing.
  bool Applied() const { return m_applied; }

 private:
  void Fill(IDialogControls& c);
  void Apply();
  // The selected rows, or none after telling the user (with `tell`).
  std::vector<int> Selection(IDialogControls& c, bool tell) const;
  void AddLayer(IDialogControls& c);
  void DeleteLayers(const std::vector<int>& rows);
  void SetLineType(const std::vector<int>& rows);
  void SetFill(const std::vector<int>& rows);
  bool m_applied = false;
};

// Dialog 171 kLayerOperationTitle: objects of the source layers (281, several) are
// copied or moved to the target layer (280).
class CLayerOperationDlg : public CDialogModel {
 public:
  enum : int {
    kId = 171,
    kTarget = 280,
    kSources = 281,
    kCopy = 282,
    kMove = 283,
    kLines = 284,
    kPoints = 285,
    kNotes = 286
  };
  bool lines = true, points = true, notes = true;
  int operation = 0;  // 0 copy, 1 move
  CQznDoc* doc = nullptr;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  // Does the work; false (the dialog stays) without a source or a target.
  bool OnOK(IDialogControls& c) override;
};

// Dialog 174 kLayerColorTitle: 0 the current layer, 1 all others, 2 all.
class CLayerColorDlg : public CDialogModel {
 public:
  enum : int { kId = 174, kCurrentOnly = 290, kOthers = 291, kAll = 292 };
  int choice = 0;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

// ---- the rows of the layer list ---------------------------------------------------

// Where a row's parts begin, from the average character width: the name,
// the fill swatch (25 pixels wide), the state text and the line sample
// (6 characters long).
struct LayerRowColumns {
  int name, swatch, state, line, lineLength;
};
LayerRowColumns LayerColumns(int left, int charWidth);
// The state text: kLayerOn or kLayerOff, ".C" for the current layer, ".L" for a locked
// (marked) one.
std::string LayerStateText(const CLayer& layer);
// Paints one row in item (right and bottom exclusive): the background
// (highlight when selected, else white), then the name, the swatch, the
// state and the line sample.
void DrawLayerRow(CCanvas& dc, const CLayer& layer, const RECT& item, int charWidth, bool selected, COLORREF highlight,
                  COLORREF highlightText);

}  // namespace qzn
