// The image edit tool (EditMode::kImageEdit): shows pixel values under the mouse,
// paints with a square pen, draws straight lines into the image, fills a
// connected region and maps a range of grey values to a new value. Every
// change to the image is recorded first in the tool's undo list (20 deep):
// one step per stroke, press to release.
#pragma once

#include <cstdint>

#include "raster/pixeledit.h"
#include "ui/core/edittool.h"
#include "ui/core/undolist.h"

namespace qzn {

// What one step changed: the runs a fill wrote, or the old values of the
// pixels a stroke or a line painted (in painting order).
struct CImageUndoRecord {
  CFillRuns runs;
  CPixelList pixels;
  // Writes the old values back; pixels newest first, so a pixel painted
  // twice in one stroke gets the value it had before the stroke.
  void Apply(CRasterImage& image);
};

using CImageUndoList = CBoundedUndo<CImageUndoRecord>;

class CImageEditTool : public CUndoTool<CImageUndoList> {
 public:
  enum SubMode : int { kShowValue = 0, kPaint = 1, kFill = 2, kDrawLine = 3 };
  static constexpr int kUndoDepth = 20;

  CImageEditTool(IToolHost& host, CQznDoc* doc);
  ~CImageEditTool() override;

  ToolType GetType() const override { return ToolType::kImageEdit; }
  void OnLButtonDown(POINT p, unsigned flags) override;
  void OnMouseMove(POINT p, unsigned flags) override;
  void OnLButtonUp(POINT p, unsigned flags) override;
  void OnCaptureLost() override;
  void UpdateMenu() override;
  bool OnCommand(int id) override;
  void Undo() override;
  void FinishAndDrop() override;
  bool IsChecked(int id) const override;
  bool IsItemEnabled(int id) const override;

  int SubMode() const { return m_subMode; }
  int PenSize() const { return m_penSize; }

 private:
  void ShowValue(POINT image);
  // Paints the pen's square at an image point into the stroke's record.
  void PaintAt(POINT image);
  void ShowStroke();
  void AskDrawValue();
  // One value of a one-plane image: dialog 135, or 133 for a 1-bit image.
  bool AskOneValue(int& value);
  void AskFillValue();
  void MapValues();
  int PenClientSize() const;

  CQznDoc* m_doc;
  int m_subMode = kShowValue;
  CDragTracker m_drag;
  BYTE m_value[3] = {0, 0, 0};
  COLORREF m_swatch = 0;
  int m_penSize = 4;
  POINT m_lineStart{}, m_lineEnd{};
  CImageUndoRecord* m_stroke = nullptr;  // the record of the stroke under way
  std::vector<POINT> m_strokePath;       // client points of the stroke (feedback)
};

}  // namespace qzn
