// Workspaces with contour lines and spot heights, small elevation grids, and
// the Python oracles of the terrain tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/qzndoc.h"
#include "model/chain.h"
#include "terrain/opengldoc.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace terraintest {

// A workspace whose extent is the given rectangle.
inline void SetExtent(CQznDoc& doc, int left, int top, int right, int bottom) {
  doc.m_extent = RECT{left, top, right, bottom};
}

// A shown line of height z through the vertices.
inline CChain* AddLine(CQznDoc& doc, float z, std::initializer_list<std::pair<float, float>> vertices) {
  CChain* c = doc.m_lines.NewChain();
  c->m_fID = z;
  for (auto [x, y] : vertices) c->AddPoint(x, y);
  return c;
}

inline void AddPoint(CQznDoc& doc, float x, float y, float z) { doc.m_points.AddPoint(x, y, z, 7, 0); }

// A 3D document holding the heights as given (row by row from the top), with
// the range of the grid.
inline void FillDoc(qzn::COpenGLDoc& doc, int columns, int rows, float cellSize, const std::vector<float>& heights) {
  doc.m_nColumns = columns;
  doc.m_nRows = rows;
  doc.m_fCellSize = cellSize;
  doc.m_heights = heights;
  float lo = heights.empty() ? 0 : heights[0], hi = lo;
  for (float h : heights) lo = std::min(lo, h), hi = std::max(hi, h);
  doc.m_fHeightRange = hi - lo;
}

// Runs one of the Python scripts beside the tests; its exit status, and its
// standard output in out.
inline int RunScript(const std::string& script, const std::string& args, std::string* out = nullptr) {
  return qzntest::RunCommand(
      qzntest::Python() + " " + qzntest::SourcePath("tests/terrain/" + script) + " " + args + " 2>&1", out);
}

}  // namespace terraintest
