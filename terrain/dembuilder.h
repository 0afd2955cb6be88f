// The elevation grid builder: turns the heights digitised in a workspace
// (every vertex of every shown line carries its line's ID, every shown point
// its value) into a regular grid of cells over the workspace extent and
// writes it as an ESRI ASCII grid or a USGS DEM.
//
// A cell's height is the inverse-distance weighted mean of at most four
// samples, one per quadrant around the cell: in each quadrant the first
// sample in stored order within one cell size (Chebyshev distance), else the
// nearest one closer than the search bound, the earliest on ties. Samples are
// stored grouped by area (a counting sort into a grid of buckets), so "first
// in stored order" is a stable, reproducible choice. A cell for which no
// quadrant finds a sample has no height (NODATA).
//
// All coordinates are image pixels of the workspace (x right, y down); the
// cell size is a whole number of pixels.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "terrain/demsettings.h"

namespace qzn {

class CChainList;
class CQznDoc;

// A height sample, relative to the extent's left and top edges.
struct CDemSample {
  int x = 0;
  int y = 0;
  float z = 0.0f;
};

// A bucket of the sample grid: a half-open rectangle of absolute pixels (left
// and top inside, right and bottom outside) and its run of samples.
struct CDemBucket {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  std::int64_t first = 0;
  std::int64_t count = 0;
};

// The header of the ESRI ASCII grid as the builder writes it.
struct CDemGridHeader {
  int columns = 0;
  int rows = 0;
  float lowerLeftX = 0.0f;  // the extent's right edge (see docs/terrain.md)
  float lowerLeftY = 0.0f;  // the extent's bottom edge
  float cellSize = 0.0f;
  float noData = -9999.0f;
};

class CDemBuilder {
 public:
  // The height of a cell that has none.
  static constexpr float kNoHeight = std::numeric_limits<float>::quiet_NaN();
  // What missing cells are written as.
  static constexpr float kGridNoData = -9999.0f;
  static constexpr int kDemVoid = -32767;
  static constexpr int kBucketFactor = 100;

  // How candidates are found: through the sample index (the normal way) or
  // by walking every sample for every cell (the reference the index must
  // match bit for bit).
  enum class Search { index, plainScan };

  // Grid form.
  CDemBuilder(const CChainList* lines, const CQznDoc* doc, int cellSize, std::string path);
  // DEM form: the settings fill the DEM's header.
  CDemBuilder(const CChainList* lines, const CQznDoc* doc, int cellSize, std::string path,
              const CDemSettings* settings);
  virtual ~CDemBuilder();
  CDemBuilder(const CDemBuilder&) = delete;
  CDemBuilder& operator=(const CDemBuilder&) = delete;

  // 1 when the ESRI ASCII grid file was written, else 0.
  int WriteGrid();
  // 1 when the USGS DEM file was written, else 0.
  int WriteDem();

  // ---- steps, public for the tests and the benchmark ----
  // Gathers and orders the samples and sizes the grid; 0 on failure (a grid
  // under 2 x 2 cells among them).
  int CollectSamples();
  // Fills every cell; 0 when no cell received a height.
  int InterpolateGrid();
  void SetGridHeader();
  // The height of the cell at (x, y) (relative to the extent) from the
  // candidates (indices into samples, -1 for an empty quadrant); updates
  // the running range. kNoHeight when every quadrant is empty.
  float InterpolateCell(const CDemSample* samples, const std::int64_t candidates[4], int x, int y);
  int WriteAsciiGridFile();
  int WriteUsgsDemFile();

  void SetSearch(Search search) { m_search = search; }

  // ---- results ----
  int GetColumns() const { return m_nColumns; }
  int GetRows() const { return m_nRows; }
  int GetCellSize() const { return m_nCellSize; }
  const std::vector<float>& GetCells() const { return m_cells; }
  float GetCell(int column, int row) const {
    return m_cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_nColumns) +
                   static_cast<std::size_t>(column)];
  }
  const std::vector<CDemSample>& GetSamples() const { return m_samples; }
  const std::vector<CDemBucket>& GetBuckets() const { return m_buckets; }
  int GetBucketSide() const { return m_nBucketSide; }
  // Lowest and highest height of the cells that have one; equal to
  // +inf / -inf before any cell got a height.
  float GetMinimum() const { return m_fMinimum; }
  float GetMaximum() const { return m_fMaximum; }
  const CDemGridHeader& GetGridHeader() const { return m_header; }
  // Why the last step failed (empty after success). The builder shows no
  // message; the grid and DEM commands show this one when a build fails.
  const std::string& GetErrorText() const { return m_error; }

 private:
  int Fail(std::string text);

  std::string m_path;
  int m_left = 0;
  int m_top = 0;
  int m_right = 0;
  int m_bottom = 0;
  std::vector<CDemSample> m_samples;
  std::vector<CDemBucket> m_buckets;
  int m_nBucketSide = 0;
  int m_nColumns = 0;
  int m_nRows = 0;
  int m_nCellSize = 1;
  std::vector<float> m_cells;
  float m_fMaximum = -std::numeric_limits<float>::infinity();
  float m_fMinimum = std::numeric_limits<float>::infinity();
  CDemGridHeader m_header;
  const CChainList* m_lines = nullptr;
  const CDemSettings* m_settings = nullptr;
  const CQznDoc* m_doc = nullptr;
  Search m_search = Search::index;
  std::string m_error;
};

}  // namespace qzn
