// The undo list of a tool: one record per change, appended as the newest;
// Undo applies the newest record to what the tool changes and deletes it.
// The list is bounded: the oldest record goes as soon as the count reaches
// the depth, so at most depth - 1 remain after each new record (the newest
// is always kept). The line, point and image tools keep one each.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace qzn {

template <class Record>
class CBoundedUndo {
 public:
  explicit CBoundedUndo(int depth) : m_depth(depth) {}

  // A new empty record appended as the newest, or null when memory runs
  // out (the change then goes ahead without undo).
  Record* NewRecord() {
    try {
      m_records.push_back(std::make_unique<Record>());
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    Record* r = m_records.back().get();
    while (Count() >= m_depth && m_records.size() > 1) m_records.erase(m_records.begin());
    return r;
  }
  // Applies the newest record (Record::Apply(target, extra...)) and deletes
  // it; false when the list is empty.
  template <class Target, class... Extra>
  bool Undo(Target& target, Extra&&... extra) {
    if (m_records.empty()) return false;
    std::unique_ptr<Record> r = std::move(m_records.back());
    m_records.pop_back();
    r->Apply(target, std::forward<Extra>(extra)...);
    return true;
  }
  // Deletes every record that refers to the object (Record::Mentions): it is
  // about to go without undo.
  template <class T>
  void Forget(const T* object) {
    std::erase_if(m_records, [&](const std::unique_ptr<Record>& r) { return r->Mentions(object); });
  }
  // Deletes the newest record unapplied (its change did not happen).
  void DiscardNewest() {
    if (!m_records.empty()) m_records.pop_back();
  }
  const Record* Newest() const { return m_records.empty() ? nullptr : m_records.back().get(); }
  std::int64_t Count() const { return static_cast<std::int64_t>(m_records.size()); }
  void Clear() { m_records.clear(); }

 private:
  int m_depth;
  std::vector<std::unique_ptr<Record>> m_records;
};

}  // namespace qzn
