#include "terrain/opengldoc.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <utility>

#include "model/helpers.h"
#include "platform/services.h"

namespace qzn {

int COpenGLDoc::Fail(std::string text, bool tellUser) const {
  m_error = std::move(text);
  if (tellUser) AfxMessageBox(m_error, MB_OK | MB_ICONEXCLAMATION);
  return 0;
}

void COpenGLDoc::Assign(CElevationGrid&& grid) {
  m_nColumns = grid.columns;
  m_nRows = grid.rows;
  m_fLowerLeftX = grid.lowerLeftX;
  m_fLowerLeftY = grid.lowerLeftY;
  m_fCellSize = grid.cellSize;
  m_fNoData = grid.noData;
  m_heights = std::move(grid.heights);
}

int COpenGLDoc::ReadAsciiGrid(const std::string& path) {
  CElevationGrid grid;
  if (!ReadAsciiGridFile(path, grid, m_error)) return 0;
  Assign(std::move(grid));
  return 1;
}

int COpenGLDoc::ReadUsgsDem(const std::string& path) {
  CElevationGrid grid;
  if (!ReadUsgsDemFile(path, grid, m_error)) return 0;
  Assign(std::move(grid));
  return 1;
}

int COpenGLDoc::OnOpenDocument(const std::string& path) {
  m_error.clear();
  CFilePath file(path);
  std::string ext = file.GetExtPart();
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  CElevationGrid grid;
  bool read;
  if (ext == ".GRD")
    read = ReadAsciiGridFile(path, grid, m_error);
  else if (ext == ".DEM")
    read = ReadUsgsDemFile(path, grid, m_error);
  else
    return Fail("仅支持 *.DEM 或 *.GRD 文件。", true);
  if (!read) return 0;

  // The view draws quadrilaterals between cells and the exports close a
  // solid under them: both need at least one cell of four corners.
  if (grid.columns < 2 || grid.rows < 2) return Fail("栅格太小: 至少需要 2 行 2 列。", true);

  // The range of the valid heights; missing cells (NODATA, DEM voids,
  // cells no profile reached) take the lowest one.
  float lowest = std::numeric_limits<float>::infinity();
  float highest = -std::numeric_limits<float>::infinity();
  for (std::size_t i = 0; i < grid.heights.size(); ++i) {
    if (grid.missing[i]) continue;
    lowest = std::min(lowest, grid.heights[i]);
    highest = std::max(highest, grid.heights[i]);
  }
  if (!(lowest <= highest)) return Fail("栅格文件中没有有效的高程。", true);
  const float range = highest - lowest;
  if (!std::isfinite(range)) return Fail("栅格文件中的高程范围太大。", false);
  for (std::size_t i = 0; i < grid.heights.size(); ++i)
    grid.heights[i] = grid.missing[i] ? 0.0f : grid.heights[i] - lowest;

  Assign(std::move(grid));
  m_fHeightRange = range;
  m_title = path;
  return 1;
}

}  // namespace qzn
