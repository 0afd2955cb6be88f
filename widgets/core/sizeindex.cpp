#include "widgets/core/sizeindex.h"

#include <algorithm>

namespace qzn {

void CSizeIndex::Set(int i, int size) {
  m_sizes[static_cast<std::size_t>(i)] = size;
  m_valid = std::min(m_valid, static_cast<std::size_t>(i));
}

void CSizeIndex::Resize(int n, int size) {
  const std::size_t old = m_sizes.size();
  m_sizes.resize(static_cast<std::size_t>(n), size);
  m_starts.resize(m_sizes.size() + 1);
  m_valid = std::min(m_valid, std::min(old, m_sizes.size()));
}

void CSizeIndex::Erase(int i) {
  m_sizes.erase(m_sizes.begin() + i);
  m_starts.resize(m_sizes.size() + 1);
  m_valid = std::min(m_valid, static_cast<std::size_t>(i));
}

void CSizeIndex::Clear() {
  m_sizes.clear();
  m_starts.assign(1, 0);
  m_valid = 0;
}

void CSizeIndex::Rebuild(std::size_t upTo) const {
  for (std::size_t i = m_valid; i < upTo; ++i) m_starts[i + 1] = m_starts[i] + m_sizes[i];
  m_valid = std::max(m_valid, upTo);
}

std::int64_t CSizeIndex::Start(int i) const {
  const auto k = static_cast<std::size_t>(i);
  if (k > m_valid) Rebuild(k);
  return m_starts[k];
}

int CSizeIndex::FindEnd(int from, std::int64_t offset) const {
  const std::size_t n = m_sizes.size();
  if (from < 0 || static_cast<std::size_t>(from) >= n) return static_cast<int>(n);
  Rebuild(n);
  const std::int64_t target = m_starts[static_cast<std::size_t>(from)] + offset;
  // The first end (m_starts[i + 1]) beyond the target.
  auto it =
      std::upper_bound(m_starts.begin() + from + 1, m_starts.begin() + static_cast<std::ptrdiff_t>(n) + 1, target);
  return static_cast<int>(it - m_starts.begin()) - 1;
}

int CSizeIndex::StepWhileBelow(int from, std::int64_t offset) const {
  const auto n = static_cast<int>(m_sizes.size());
  if (from < 0 || from >= n - 1) return from;
  Rebuild(static_cast<std::size_t>(n));
  const std::int64_t target = m_starts[static_cast<std::size_t>(from)] + offset;
  auto it = std::lower_bound(m_starts.begin() + from, m_starts.begin() + n - 1, target);
  return static_cast<int>(it - m_starts.begin());
}

}  // namespace qzn
