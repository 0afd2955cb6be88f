// The width bookkeeping of a list box that scrolls sideways: the pixel width
// of every item (text width plus 6), the widest one as the horizontal
// extent, and tab stops given in dialog units turned into pixels. The list
// box (ui/) measures texts with its font and applies the extent; the
// bookkeeping runs without it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qzn {

class CHScrollExtent {
 public:
  // Measures a text in pixels, tabs expanded at the given stops (pixels).
  using Measure = std::function<int(const std::string& text, const std::vector<int>& tabStops)>;
  explicit CHScrollExtent(Measure measure) : m_measure(std::move(measure)) {}

  bool suspended = false;  // insertions and deletions leave the extent alone

  // An item was inserted at index (appended when index is past the end).
  void Inserted(std::size_t index, const std::string& text);
  // The item at index was deleted.
  void Deleted(std::size_t index);
  // Tab stops in dialog units; `alphabetWidth` is the width of "A..Za..z"
  // (52 letters) in the list's font. A dialog unit across is a quarter of
  // the average character width.
  void SetTabStops(const std::vector<int>& dialogUnits, int alphabetWidth);
  // Measures every item again.
  void Recalc(const std::vector<std::string>& items);

  int Extent() const { return m_maxWidth; }
  const std::vector<int>& TabStops() const { return m_tabStops; }

 private:
  int Width(const std::string& text);
  Measure m_measure;
  std::vector<int> m_widths;
  int m_maxWidth = 0;
  std::vector<int> m_tabStops;
  bool m_haveTabs = false;
  int m_alphabetWidth = 0;
};

}  // namespace qzn
