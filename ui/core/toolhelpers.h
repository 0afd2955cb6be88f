// Small pieces the edit tools share: converting client points, the small
// cross a dragged point shows, a bounded undo list, and the layer name as
// a status line shows it.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "model/fpoint.h"
#include "ui/core/toolhost.h"

namespace qzn {

inline CFPoint ClientToImageF(const IToolHost& host, POINT c) {
  return host.Transform().ClientToImageF(CFPoint(static_cast<float>(c.x), static_cast<float>(c.y)));
}
inline POINT ClientToImagePixel(const IToolHost& host, POINT c) { return host.Transform().ClientToImage(c); }

// The small cross of a point being dragged: a stroke from x-2 to x+3 and one
// from y-2 to y+3 (client pixels), in two feedback slots.
void ShowCross(IToolHost& host, int slot, POINT client);
void ClearCross(IToolHost& host, int slot);

// A coordinate as the status bar's coordinate pane shows it (four
// decimals): what a tool stores and a dialog shows of a clicked position,
// instead of the float's widened binary digits ("318.951080322265625").
double CoordinateAsShown(double v);

// The first `maxChars` characters of a UTF-8 text (never a character cut
// in two).
std::string Utf8Prefix(const std::string& text, std::size_t maxChars);

// Drops the oldest records once the count reaches the depth, so at most
// depth - 1 remain (the newest is always kept).
template <class Records>
void TrimToDepth(Records& records, int depth) {
  while (static_cast<std::int64_t>(records.size()) >= depth && records.size() > 1) records.erase(records.begin());
}

// The undo list of a tool: records appended as the newest; the oldest goes
// as soon as the count reaches the depth, so at most depth - 1 remain.
template <class Record>
class CBoundedUndo {
 public:
  explicit CBoundedUndo(int depth) : m_depth(depth) {}
  // A new empty record, or null when memory runs out.
  Record* NewRecord() {
    try {
      m_records.push_back(std::make_unique<Record>());
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    Record* r = m_records.back().get();
    TrimToDepth(m_records, m_depth);
    return r;
  }
  // The newest record handed over (null when empty).
  std::unique_ptr<Record> TakeNewest() {
    if (m_records.empty()) return nullptr;
    std::unique_ptr<Record> r = std::move(m_records.back());
    m_records.pop_back();
    return r;
  }
  void DiscardNewest() {
    if (!m_records.empty()) m_records.pop_back();
  }
  std::int64_t Count() const { return static_cast<std::int64_t>(m_records.size()); }
  void Clear() { m_records.clear(); }

 private:
  int m_depth;
  std::vector<std::unique_ptr<Record>> m_records;
};

}  // namespace qzn
