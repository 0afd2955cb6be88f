#include "terrain/opengldoc.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <utility>

#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_terrain.h"

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

bool COpenGLDoc::Read(int kind, const std::string& path, CElevationGrid& grid) {
  CGridReadStatus status;
  const bool ok = kind == 0 ? ReadAsciiGridFile(path, grid, status) : ReadUsgsDemFile(path, grid, status);
  if (!status.info.empty()) AfxMessageBox(status.info, MB_OK | MB_ICONINFORMATION);
  m_error = status.error;
  // A file that cannot be read says why: opening it otherwise does nothing
  // the user can see.
  if (!ok && !status.error.empty()) AfxMessageBox(status.error, MB_OK | MB_ICONEXCLAMATION);
  return ok;
}

int COpenGLDoc::ReadAsciiGrid(const std::string& path) {
  CElevationGrid grid;
  if (!Read(0, path, grid)) return 0;
  Assign(std::move(grid));
  return 1;
}

int COpenGLDoc::ReadUsgsDem(const std::string& path) {
  CElevationGrid grid;
  if (!Read(1, path, grid)) return 0;
  Assign(std::move(grid));
  return 1;
}

int COpenGLDoc::OnOpenDocument(const std::string& path) {
  m_error.clear();
  CFilePath file(path);
  const std::string ext = Upper(file.GetExtPart());
  CElevationGrid grid;
  bool read;
  if (ext == ".GRD")
    read = Read(0, path, grid);
  else if (ext == ".DEM")
    read = Read(1, path, grid);
  else
    return Fail(res::text::kOnlyDemOrGrd, true);
  if (!read) return 0;

  // The view draws quadrilaterals between cells and the exports close a
  // solid under them: both need at least one cell of four corners.
  if (grid.columns < 2 || grid.rows < 2) return Fail(res::text::kGridUnder2x2, true);

  // The range of the valid heights; missing cells (NODATA, DEM voids,
  // cells no profile reached) take the lowest one.
  float lowest = std::numeric_limits<float>::infinity();
  float highest = -std::numeric_limits<float>::infinity();
  for (std::size_t i = 0; i < grid.heights.size(); ++i) {
    if (grid.missing[i]) continue;
    lowest = std::min(lowest, grid.heights[i]);
    highest = std::max(highest, grid.heights[i]);
  }
  if (!(lowest <= highest)) return Fail(res::text::kGridNoValidHeight, true);
  const float range = highest - lowest;
  if (!std::isfinite(range)) return Fail(res::text::kGridRangeTooLarge, false);
  for (std::size_t i = 0; i < grid.heights.size(); ++i)
    grid.heights[i] = grid.missing[i] ? 0.0f : grid.heights[i] - lowest;

  Assign(std::move(grid));
  m_fHeightRange = range;
  m_title = path;
  return 1;
}

}  // namespace qzn
