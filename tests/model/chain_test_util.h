// A line from vertices, with its bounds refreshed, for the line tests.
#pragma once

#include <memory>
#include <vector>

#include "model/chain.h"

using namespace qzn;

inline std::unique_ptr<CChain> MakeLine(const std::vector<CFPoint>& pts, int width = 1) {
  auto c = std::make_unique<CChain>();
  c->m_nWidth = width;
  for (const CFPoint& p : pts) c->AddPoint(p.x, p.y);
  c->CalcBounds();
  return c;
}
