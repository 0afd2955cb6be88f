#include "ui/core/hscrolllist.h"

#include <algorithm>

namespace qzn {

int CHScrollExtent::Width(const std::string& text) { return m_measure(text, m_tabStops) + 6; }

void CHScrollExtent::Inserted(std::size_t index, const std::string& text) {
  if (suspended) return;
  const int w = Width(text);
  if (index < m_widths.size())
    m_widths.insert(m_widths.begin() + static_cast<std::ptrdiff_t>(index), w);
  else {
    m_widths.resize(index + 1, 0);
    m_widths[index] = w;
  }
  m_maxWidth = std::max(m_maxWidth, w);
}

void CHScrollExtent::Deleted(std::size_t index) {
  if (suspended || index >= m_widths.size()) return;
  const int w = m_widths[index];
  m_widths.erase(m_widths.begin() + static_cast<std::ptrdiff_t>(index));
  if (w >= m_maxWidth) m_maxWidth = m_widths.empty() ? 0 : *std::max_element(m_widths.begin(), m_widths.end());
}

void CHScrollExtent::SetTabStops(const std::vector<int>& dialogUnits, int alphabetWidth) {
  m_alphabetWidth = alphabetWidth;
  const int a = (alphabetWidth / 26 + 1) / 2;
  m_tabStops.clear();
  for (int s : dialogUnits) m_tabStops.push_back((a * s + 2) / 4);
  m_haveTabs = true;
}

void CHScrollExtent::Recalc(const std::vector<std::string>& items) {
  m_widths.clear();
  m_maxWidth = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const int w = Width(items[i]);
    m_widths.push_back(w);
    m_maxWidth = std::max(m_maxWidth, w);
  }
}

}  // namespace qzn
