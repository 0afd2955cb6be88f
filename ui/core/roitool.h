// The region-of-interest tool (EditMode::kRoi): draws polygons, rectangles and
// circles into the document's region list, which vectorisation and image
// commands use as a mask. It keeps no undo.
#pragma once

#include <memory>

#include "model/chain.h"
#include "ui/core/edittool.h"

namespace qzn {

class CRoiTool : public CEditTool {
 public:
  enum SubMode : int { kPolygon = 0, kRectangle = 1, kCircle = 2 };

  CRoiTool(IToolHost& host, CQznDoc* doc);
  ~CRoiTool() override;

  ToolType GetType() const override { return ToolType::kRoi; }
  void Draw(CCanvas& dc) override;
  void OnLButtonDown(POINT p, unsigned flags) override;
  void OnMouseMove(POINT p, unsigned flags) override;
  void OnLButtonUp(POINT p, unsigned flags) override;
  void OnCaptureLost() override;
  void OnChar(unsigned ch, unsigned repeat, unsigned flags) override;
  void UpdateMenu() override;
  bool OnCommand(int id) override;
  void FinishAndDrop() override;
  bool IsChecked(int id) const override;

  int SubMode() const { return m_subMode; }
  const CChain* Polygon() const { return m_polygon.get(); }
  // Hands the polygon being drawn to the region list (closed when it has
  // more than two vertices).
  void FinishPolygon();

 private:
  std::unique_ptr<CChain> NewRegionLine();
  void ShowRubber(POINT client);

  CQznDoc* m_doc;
  int m_subMode = kPolygon;
  CDragTracker m_drag;
  std::unique_ptr<CChain> m_polygon;
};

}  // namespace qzn
