// A set of cell ids, for the selected cells of a table. The key holds the
// whole row and the whole column (64 bits), so cells any distance apart never
// share a key. Open addressing with linear probing in one flat array keeps a
// selection of a million cells at 16 to 32 bytes a cell.
#pragma once

#include <cstdint>
#include <vector>

#include "widgets/core/gridtypes.h"

namespace qzn {

class CCellKeySet {
 public:
  static std::uint64_t Key(int row, int col) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(col)) << 32) | static_cast<std::uint32_t>(row);
  }
  static CGridCellId CellOf(std::uint64_t key) {
    return CGridCellId(static_cast<int>(static_cast<std::uint32_t>(key)), static_cast<int>(key >> 32));
  }

  std::size_t Size() const { return m_count; }
  bool Empty() const { return m_count == 0; }
  bool Contains(int row, int col) const;
  // True when the cell was not in the set.
  bool Insert(int row, int col);
  // True when the cell was in the set.
  bool Erase(int row, int col);
  void Clear();

  // Every cell, in no particular order. The callback may not change the set.
  template <class F>
  void ForEach(F&& f) const {
    for (std::uint64_t k : m_slots)
      if (k != kEmpty) f(CellOf(k));
  }
  // The cells as a list (for walking while the set changes).
  std::vector<CGridCellId> Cells() const;

 private:
  static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};  // no cell has row and column -1
  std::size_t Slot(std::uint64_t key) const;
  void Grow();

  std::vector<std::uint64_t> m_slots;  // size a power of two, or empty
  std::size_t m_count = 0;
};

}  // namespace qzn
