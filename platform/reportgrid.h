// The table the vector report fills: the calls the report makes on the grid
// control that shows it. The grid control of the interface implements
// IReportGrid; CReportTable keeps the table in memory (for tests, and for
// saving a report without a window). Each call returns true when it was done
// (the grid control refuses cells outside its table and may run out of
// memory growing it).
#pragma once

#include <string>
#include <vector>

namespace qzn {

class IReportGrid {
 public:
  virtual ~IReportGrid() = default;
  virtual bool SetColumnCount(int columns) = 0;
  virtual bool SetRowCount(int rows) = 0;
  virtual bool SetFixedRowCount(int rows) = 0;
  virtual bool SetFixedColumnCount(int columns) = 0;
  // Row and column from 0; cells outside the table are ignored (false).
  virtual bool SetItemText(int row, int column, const std::string& text) = 0;
};

class CReportTable : public IReportGrid {
 public:
  int m_nFixedRows = 0;
  int m_nFixedColumns = 0;

  bool SetColumnCount(int columns) override {
    m_nColumns = columns < 0 ? 0 : columns;
    for (auto& row : m_cells) row.resize(static_cast<std::size_t>(m_nColumns));
    return true;
  }
  bool SetRowCount(int rows) override {
    m_cells.resize(static_cast<std::size_t>(rows < 0 ? 0 : rows),
                   std::vector<std::string>(static_cast<std::size_t>(m_nColumns)));
    return true;
  }
  bool SetFixedRowCount(int rows) override {
    m_nFixedRows = rows;
    return true;
  }
  bool SetFixedColumnCount(int columns) override {
    m_nFixedColumns = columns;
    return true;
  }
  bool SetItemText(int row, int column, const std::string& text) override {
    if (row < 0 || column < 0 || row >= GetRowCount() || column >= m_nColumns) return false;
    m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
    return true;
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
