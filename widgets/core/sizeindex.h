// Sizes of the rows (or columns) of a table with their running sums, so that
// the position of a row and the row at a position are found by a lookup and a
// binary search instead of a walk over every row. A change marks the sums
// stale from the changed row on; they are rebuilt from there on the next
// question, so a run of changes (filling, auto-sizing) costs one pass.
#pragma once

#include <cstdint>
#include <vector>

namespace qzn {

class CSizeIndex {
 public:
  std::int64_t Count() const { return static_cast<std::int64_t>(m_sizes.size()); }
  int Size(int i) const { return m_sizes[static_cast<std::size_t>(i)]; }

  void Set(int i, int size);
  // n entries; new ones take `size`.
  void Resize(int n, int size);
  void Erase(int i);
  void Clear();

  // Sum of the sizes of entries [0, i); i may equal Count().
  std::int64_t Start(int i) const;
  // Sum of the sizes of entries [from, to).
  std::int64_t Sum(int from, int to) const { return Start(to) - Start(from); }
  std::int64_t Total() const { return Start(static_cast<int>(m_sizes.size())); }

  // The first entry i >= from whose end, measured from the start of `from`,
  // lies beyond `offset` (Start(i + 1) - Start(from) > offset); Count() when
  // none does.
  int FindEnd(int from, std::int64_t offset) const;
  // Stepping from `from` while the sum of the entries passed stays below
  // `offset`: the first entry i >= from with Start(i) - Start(from) >=
  // offset, or the last entry when none has; `from` itself when it is the
  // last entry or past it.
  int StepWhileBelow(int from, std::int64_t offset) const;

 private:
  void Rebuild(std::size_t upTo) const;

  std::vector<int> m_sizes;
  // m_starts[i] = sum of sizes [0, i), valid for i <= m_valid.
  mutable std::vector<std::int64_t> m_starts{0};
  mutable std::size_t m_valid = 0;
};

}  // namespace qzn
