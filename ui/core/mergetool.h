// The merge image tool (EditMode::kMergeImage): a second image opened into the tool
// floats over the document's image as a picture exclusive-or'ed over it (so
// both stay visible) and is dragged into place; the view's paste or merge
// writes it into the image at the tool's rectangle, its cancel drops it.
#pragma once

#include <memory>

#include "raster/rasterimage.h"
#include "ui/core/displaybitmap.h"
#include "ui/core/edittool.h"

namespace qzn {

class CMergeImageTool : public CEditTool {
 public:
  CMergeImageTool(IToolHost& host, CQznDoc* doc);
  ~CMergeImageTool() override;

  ToolType GetType() const override { return ToolType::kMergeImage; }
  void Draw(CCanvas& dc) override;
  void OnLButtonDown(POINT p, unsigned flags) override;
  void OnMouseMove(POINT p, unsigned flags) override;
  void OnLButtonUp(POINT p, unsigned flags) override;
  void OnCaptureLost() override;
  void OnChar(unsigned ch, unsigned repeat, unsigned flags) override;
  // The view's merge commands: kMergeOpen asks for the file and reads it;
  // kMergePaste and kMergeMerge write the picture into the image (replacing
  // or averaging). True when that was done.
  bool OnCommand(int id) override;
  bool CanUndo() const override { return false; }
  void FinishAndDrop() override;

  // Reads the file into the floating image, placed 20 pixels right and
  // down of the image's corner. False (nothing changed) when it cannot be
  // read.
  bool OpenImage(const std::string& path);
  const RECT& FloatingRect() const { return m_rect; }
  const RgbBitmap* Picture() const { return m_picture.get(); }

 private:
  bool AskAndOpen();
  // The picture of the floating image at the view's zoom, never larger
  // than the client area (a larger one is rendered at the client's size
  // and stretched).
  bool BuildPicture();
  void ShowPicture();

  CQznDoc* m_doc;
  RECT m_rect{};
  CRasterImage m_image;
  std::shared_ptr<const RgbBitmap> m_picture;
  CDragTracker m_drag;
  RECT m_pressRect{};
  CFPoint m_pressImage;
};

}  // namespace qzn
