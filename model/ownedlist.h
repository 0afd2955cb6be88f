// Lists that own their elements. Every list of the data model that holds its
// elements (lines, points, text blocks, annotations, ID colours, OCR
// signatures, control points, triangles) is a COwningList: destroying it
// deletes what it still holds, and taking elements in or out says which of
// three things happens:
//
//   delete   DeleteAt, DeleteAll: the element is gone;
//   detach   Detach, DetachAll: the list forgets it, somebody else owns it;
//   adopt    Adopt, AdoptHead, AdoptBefore, AdoptAfter, AdoptAll, New: the
//            list owns it from the call on.
//
// Lists of borrowed pointers (selections, the change and removal lists of
// the list operations) are CPtrListT, a different type with no delete at all,
// so one cannot be handed where the other is meant. The list classes keep
// the operation names their callers know (CBoxList::RemoveAll deletes,
// CChainList::DetachAll forgets); those names are defined on the classes
// themselves in these terms.
//
// All-or-nothing loading: read into a list of its own (LoadAllOrNothing), and
// only when the whole read succeeded are the elements moved over, in one step
// that cannot fail.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "model/ptrlist.h"

namespace qzn {

template <class T>
class COwningList {
 public:
  using Borrowed = CPtrListT<T*>;

  COwningList() = default;
  COwningList(const COwningList&) = delete;
  COwningList& operator=(const COwningList&) = delete;
  virtual ~COwningList() { DeleteAll(); }

  // ---- reading ----------------------------------------------------------------
  std::int64_t GetCount() const { return m_items.GetCount(); }
  std::int64_t GetSize() const { return m_items.GetCount(); }
  bool IsEmpty() const { return m_items.IsEmpty(); }
  POSITION GetHeadPosition() const { return m_items.GetHeadPosition(); }
  POSITION GetTailPosition() const { return m_items.GetTailPosition(); }
  T* GetHead() const { return m_items.GetHead(); }
  T* GetTail() const { return m_items.GetTail(); }
  // The element at pos; pos moves to the next (previous) one.
  T* GetNext(POSITION& pos) const { return m_items.GetNext(pos); }
  T* GetPrev(POSITION& pos) const { return m_items.GetPrev(pos); }
  T* GetAt(POSITION pos) const { return m_items.GetAt(pos); }
  POSITION Find(const T* item, POSITION start = nullptr) const { return m_items.Find(const_cast<T*>(item), start); }
  POSITION FindIndex(std::int64_t index) const { return m_items.FindIndex(index); }
  typename Borrowed::iterator begin() const { return m_items.begin(); }
  typename Borrowed::iterator end() const { return m_items.end(); }
  // The elements as borrowed pointers, for code that only reads them.
  const Borrowed& Items() const { return m_items; }

  // ---- adopt ------------------------------------------------------------------
  // The list owns item from the call on; when memory runs out for the list
  // node the item is deleted and std::bad_alloc goes on to the caller.
  POSITION Adopt(T* item) {
    return Guard(item, [&] { return m_items.AddTail(item); });
  }
  POSITION AdoptHead(T* item) {
    return Guard(item, [&] { return m_items.AddHead(item); });
  }
  POSITION AdoptBefore(POSITION pos, T* item) {
    return Guard(item, [&] { return m_items.InsertBefore(pos, item); });
  }
  POSITION AdoptAfter(POSITION pos, T* item) {
    return Guard(item, [&] { return m_items.InsertAfter(pos, item); });
  }
  // Moves every element of other to the end of this list (other is left
  // empty); cannot fail.
  void AdoptAll(COwningList& other) noexcept { m_items.Splice(other.m_items); }
  // Moves the element at pos to the end of dest, which owns it from then on
  // (dest may be this list); cannot fail.
  void TransferTo(POSITION pos, COwningList& dest) noexcept { m_items.MoveToTail(pos, dest.m_items); }
  // A new element made from args, appended; null, with the list unchanged,
  // when memory runs out for the element or its node.
  template <class... Args>
  T* New(Args&&... args) {
    T* item = new (std::nothrow) T{std::forward<Args>(args)...};
    if (!item) return nullptr;
    try {
      m_items.AddTail(item);
    } catch (const std::bad_alloc&) {
      delete item;
      return nullptr;
    }
    return item;
  }

  // ---- detach -------------------------------------------------------------------
  // Takes the element at pos out of the list; the caller owns it.
  T* Detach(POSITION pos) {
    T* item = m_items.GetAt(pos);
    m_items.RemoveAt(pos);
    return item;
  }
  T* DetachHead() { return m_items.RemoveHead(); }
  T* DetachTail() { return m_items.RemoveTail(); }
  // Forgets every element without deleting it: for a list that held borrowed
  // elements for one operation.
  void DetachAll() { m_items.RemoveAll(); }

  // The list holds kept, in that order, from here on. kept is drawn from the
  // list's own elements; those not in it must already have been deleted or
  // handed on by the caller, the list forgets them. kept may not be longer
  // than the list. Reuses the list's nodes, so it cannot fail.
  void Reorder(const std::vector<T*>& kept) noexcept {
    POSITION pos = m_items.GetHeadPosition();
    for (T* item : kept) {
      m_items.SetAt(pos, item);
      m_items.GetNext(pos);
    }
    while (pos) {
      const POSITION at = pos;
      m_items.GetNext(pos);
      m_items.RemoveAt(at);
    }
  }

  // ---- delete -------------------------------------------------------------------
  void DeleteAt(POSITION pos) { delete Detach(pos); }
  void DeleteAll() {
    while (!m_items.IsEmpty()) delete m_items.RemoveHead();
  }

 protected:
  // The element at pos replaced by item, which the list then owns; the old
  // one is returned to the caller.
  T* Exchange(POSITION pos, T* item) {
    T* old = m_items.GetAt(pos);
    m_items.SetAt(pos, item);
    return old;
  }

 private:
  template <class Fn>
  static POSITION Guard(T* item, Fn&& add) {
    try {
      return add();
    } catch (...) {
      delete item;
      throw;
    }
  }

  Borrowed m_items;
};

// Reads into a list of its own with read(staged) and moves what was read to
// the end of target only when read returned without throwing; a read that
// throws leaves target as it was and deletes what it had read.
template <class T, class Read>
void LoadAllOrNothing(COwningList<T>& target, Read&& read) {
  COwningList<T> staged;
  read(staged);
  target.AdoptAll(staged);
}

}  // namespace qzn
