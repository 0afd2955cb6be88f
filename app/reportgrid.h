// The table the vector report fills: the calls the report makes on the grid
// control that shows it. The grid control of the interface implements
// IReportGrid; CReportTable keeps the table in memory (for tests, and for
// saving a report without a window).
#pragma once

#include <string>
#include <vector>

namespace qzn {

class IReportGrid {
 public:
  virtual ~IReportGrid() = default;
  virtual void SetColumnCount(int columns) = 0;
  virtual void SetRowCount(int rows) = 0;
  virtual void SetFixedRowCount(int rows) = 0;
  virtual void SetFixedColumnCount(int columns) = 0;
  // Row and column from 0; cells outside the table are ignored.
  virtual void SetItemText(int row, int column, const std::string& text) = 0;
};

class CReportTable : public IReportGrid {
 public:
  int m_nFixedRows = 0;
  int m_nFixedColumns = 0;

  void SetColumnCount(int columns) override {
    m_nColumns = columns < 0 ? 0 : columns;
    for (auto& row : m_cells) row.resize(static_cast<std::size_t>(m_nColumns));
  }
  void SetRowCount(int rows) override {
    m_cells.resize(static_cast<std::size_t>(rows < 0 ? 0 : rows),
                   std::vector<std::string>(static_cast<std::size_t>(m_nColumns)));
  }
  void SetFixedRowCount(int rows) override { m_nFixedRows = rows; }
  void SetFixedColumnCount(int columns) override { m_nFixedColumns = columns; }
  void SetItemText(int row, int column, const std::string& text) override {
    if (row < 0 || column < 0 || row >= GetRowCount() || column >= m_nColumns) return;
    m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
  }

  int GetRowCount() const { return static_cast<int>(m_cells.size()); }
  int GetColumnCount() const { return m_nColumns; }
  const std::string& GetItemText(int row, int column) const {
    return m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }

 private:
  int m_nColumns = 0;
  std::vector<std::vector<std::string>> m_cells;
};

}  // namespace qzn
