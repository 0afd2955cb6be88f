#include "widgets/core/cellkeyset.h"

namespace qzn {

namespace {
// A 64-bit mixer (the finaliser of SplitMix64) so that the rows and columns
// of a rectangle spread over the whole table.
std::uint64_t Mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ULL;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}
}  // namespace

std::size_t CCellKeySet::Slot(std::uint64_t key) const {
  const std::size_t mask = m_slots.size() - 1;
  std::size_t i = static_cast<std::size_t>(Mix(key)) & mask;
  while (m_slots[i] != kEmpty && m_slots[i] != key) i = (i + 1) & mask;
  return i;
}

bool CCellKeySet::Contains(int row, int col) const {
  if (m_count == 0) return false;
  return m_slots[Slot(Key(row, col))] != kEmpty;
}

void CCellKeySet::Grow() {
  std::vector<std::uint64_t> old;
  old.swap(m_slots);
  m_slots.assign(old.empty() ? 16 : old.size() * 2, kEmpty);
  for (std::uint64_t k : old)
    if (k != kEmpty) m_slots[Slot(k)] = k;
}

bool CCellKeySet::Insert(int row, int col) {
  // At most half full, so probes stay short.
  if ((m_count + 1) * 2 > m_slots.size()) Grow();
  const std::uint64_t key = Key(row, col);
  const std::size_t i = Slot(key);
  if (m_slots[i] == key) return false;
  m_slots[i] = key;
  ++m_count;
  return true;
}

bool CCellKeySet::Erase(int row, int col) {
  if (m_count == 0) return false;
  const std::size_t mask = m_slots.size() - 1;
  std::size_t i = Slot(Key(row, col));
  if (m_slots[i] == kEmpty) return false;
  // Backward-shift deletion: move later members of the probe run into the
  // hole when their home slot does not lie between the hole and them.
  std::size_t j = i;
  for (;;) {
    j = (j + 1) & mask;
    if (m_slots[j] == kEmpty) break;
    const std::size_t home = static_cast<std::size_t>(Mix(m_slots[j])) & mask;
    const bool homeBetween = i <= j ? (home > i && home <= j) : (home > i || home <= j);
    if (!homeBetween) {
      m_slots[i] = m_slots[j];
      i = j;
    }
  }
  m_slots[i] = kEmpty;
  --m_count;
  if (m_count == 0) m_slots.clear();
  return true;
}

void CCellKeySet::Clear() {
  m_slots.clear();
  m_count = 0;
}

std::vector<CGridCellId> CCellKeySet::Cells() const {
  std::vector<CGridCellId> out;
  out.reserve(m_count);
  ForEach([&](const CGridCellId& c) { out.push_back(c); });
  return out;
}

}  // namespace qzn
