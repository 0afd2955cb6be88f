// Helpers shared by the line-list operation sources.
#pragma once

#include <cstdint>

#include "model/chain.h"
#include "model/helpers.h"

namespace qzn {

// The bounds of the line and the rectangle have a non-empty intersection.
bool LineMeetsRect(const CChain* c, const RECT& rc);
// The union of the line's bounds and the rectangle is the rectangle (a line
// with empty bounds lies inside every rectangle).
bool LineInsideRect(const CChain* c, const RECT& rc);

// The status-bar progress of a walk over a list: range count / 20, one step
// every 20 items.
class CListProgress {
 public:
  explicit CListProgress(std::int64_t count);
  void Item();

 private:
  CStatusProgress m_bar;
  std::int64_t m_n = 0;
};

}  // namespace qzn
