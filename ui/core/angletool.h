// The angle tool (EditMode::kAngle): a click on the vertex, one on the first
// arm and one on the second; the tool reports the angle between the arms in
// degrees. It changes no data.
#pragma once

#include "model/fpoint.h"
#include "ui/core/edittool.h"

namespace qzn {

// The angle in degrees (0 to 180) between the arms from vertex to a and
// from vertex to b.
double AngleBetweenArms(const CFPoint& vertex, const CFPoint& a, const CFPoint& b);

class CAngleTool : public CEditTool {
 public:
  explicit CAngleTool(IToolHost& host);
  ~CAngleTool() override;

  ToolType GetType() const override { return ToolType::kAngle; }
  void OnLButtonDown(POINT p, unsigned flags) override;
  void OnMouseMove(POINT p, unsigned flags) override;
  void OnLButtonUp(POINT p, unsigned flags) override;
  bool OnCommand(int) override { return true; }
  void OnChar(unsigned ch, unsigned repeat, unsigned flags) override;
  void FinishAndDrop() override;
  void UpdateMenu() override;

  int Step() const { return m_step; }

 private:
  void ShowArm(int slot, const CFPoint& end);
  void Reset();

  CFPoint m_vertex, m_first, m_second;
  int m_step = 0;
};

}  // namespace qzn
