// Doubly linked lists of pointers with stable positions, in the manner of the
// framework's object and pointer lists: a POSITION stays valid while other
// elements are added or removed, so long walks can remove the element they
// stand on in O(1). The list never owns what its pointers point to: it is
// the list of borrowed elements; lists that own theirs are COwningList
// (model/ownedlist.h).
#pragma once

#include <cstdint>
#include <iterator>

namespace qzn {

class CObject;

struct CListPositionTag;
using POSITION = CListPositionTag*;

template <class T>
class CPtrListT {
  struct Node {
    Node* next;
    Node* prev;
    T data;
  };
  static Node* N(POSITION p) { return reinterpret_cast<Node*>(p); }
  static POSITION P(Node* n) { return reinterpret_cast<POSITION>(n); }

 public:
  CPtrListT() = default;
  CPtrListT(const CPtrListT&) = delete;
  CPtrListT& operator=(const CPtrListT&) = delete;
  virtual ~CPtrListT() { RemoveAll(); }

  std::int64_t GetCount() const { return m_count; }
  std::int64_t GetSize() const { return m_count; }
  bool IsEmpty() const { return m_count == 0; }

  POSITION GetHeadPosition() const { return P(m_head); }
  POSITION GetTailPosition() const { return P(m_tail); }
  T& GetHead() { return m_head->data; }
  T GetHead() const { return m_head->data; }
  T& GetTail() { return m_tail->data; }
  T GetTail() const { return m_tail->data; }

  // The element at pos; pos moves to the next one (null after the tail).
  T& GetNext(POSITION& pos) {
    Node* n = N(pos);
    pos = P(n->next);
    return n->data;
  }
  T GetNext(POSITION& pos) const {
    Node* n = N(pos);
    pos = P(n->next);
    return n->data;
  }
  T& GetPrev(POSITION& pos) {
    Node* n = N(pos);
    pos = P(n->prev);
    return n->data;
  }
  T GetPrev(POSITION& pos) const {
    Node* n = N(pos);
    pos = P(n->prev);
    return n->data;
  }
  T& GetAt(POSITION pos) { return N(pos)->data; }
  T GetAt(POSITION pos) const { return N(pos)->data; }
  void SetAt(POSITION pos, T v) { N(pos)->data = v; }

  POSITION AddHead(T v) { return InsertBefore(P(m_head), v); }
  POSITION AddTail(T v) { return InsertAfter(P(m_tail), v); }
  // Appends every element of the other list, in order.
  void AddTail(const CPtrListT& other) {
    for (Node* n = other.m_head; n; n = n->next) AddTail(n->data);
  }
  // pos null inserts at the head (InsertBefore) or the tail (InsertAfter).
  POSITION InsertBefore(POSITION pos, T v) {
    Node* at = N(pos);
    Node* n = new Node{at, at ? at->prev : m_tail, v};
    if (!at) n->prev = nullptr, n->next = m_head;
    Link(n);
    return P(n);
  }
  POSITION InsertAfter(POSITION pos, T v) {
    Node* at = N(pos);
    Node* n = new Node{at ? at->next : m_head, at, v};
    if (!at) n->next = nullptr, n->prev = m_tail;
    Link(n);
    return P(n);
  }

  T RemoveHead() {
    T v = m_head->data;
    RemoveAt(P(m_head));
    return v;
  }
  T RemoveTail() {
    T v = m_tail->data;
    RemoveAt(P(m_tail));
    return v;
  }
  void RemoveAt(POSITION pos) {
    Node* n = N(pos);
    (n->prev ? n->prev->next : m_head) = n->next;
    (n->next ? n->next->prev : m_tail) = n->prev;
    delete n;
    --m_count;
  }
  // Moves every node of other to the end of this list, in order; other is
  // left empty. No allocation, so it cannot fail.
  void Splice(CPtrListT& other) noexcept {
    if (&other == this || !other.m_head) return;
    other.m_head->prev = m_tail;
    (m_tail ? m_tail->next : m_head) = other.m_head;
    m_tail = other.m_tail;
    m_count += other.m_count;
    other.m_head = other.m_tail = nullptr;
    other.m_count = 0;
  }
  // Moves the node at pos to the end of dest (dest may be this list); pos
  // stays valid and now belongs to dest. No allocation.
  void MoveToTail(POSITION pos, CPtrListT& dest) noexcept {
    Node* n = N(pos);
    (n->prev ? n->prev->next : m_head) = n->next;
    (n->next ? n->next->prev : m_tail) = n->prev;
    --m_count;
    n->prev = dest.m_tail;
    n->next = nullptr;
    dest.Link(n);
  }
  // Drops every pointer (what they point to is untouched).
  void RemoveAll() {
    for (Node* n = m_head; n;) {
      Node* next = n->next;
      delete n;
      n = next;
    }
    m_head = m_tail = nullptr;
    m_count = 0;
  }

  // The first position holding v at or after start (from the head when null).
  POSITION Find(T v, POSITION start = nullptr) const {
    for (Node* n = start ? N(start) : m_head; n; n = n->next)
      if (n->data == v) return P(n);
    return nullptr;
  }
  // The position of the zero-based index, or null.
  POSITION FindIndex(std::int64_t index) const {
    if (index < 0 || index >= m_count) return nullptr;
    Node* n = m_head;
    while (index-- > 0) n = n->next;
    return P(n);
  }

  // Range-for over the elements, head to tail.
  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = T*;
    using reference = T&;
    explicit iterator(Node* n = nullptr) : m_n(n) {}
    T& operator*() const { return m_n->data; }
    iterator& operator++() {
      m_n = m_n->next;
      return *this;
    }
    iterator operator++(int) {
      iterator t = *this;
      m_n = m_n->next;
      return t;
    }
    bool operator==(const iterator& o) const { return m_n == o.m_n; }
    POSITION position() const { return P(m_n); }

   private:
    Node* m_n;
  };
  iterator begin() const { return iterator(m_head); }
  iterator end() const { return iterator(nullptr); }

 private:
  void Link(Node* n) {
    (n->prev ? n->prev->next : m_head) = n;
    (n->next ? n->next->prev : m_tail) = n;
    ++m_count;
  }

  Node* m_head = nullptr;
  Node* m_tail = nullptr;
  std::int64_t m_count = 0;
};

// Borrowed object pointers: the work, change and removal lists the list
// operations fill for their callers.
using CObList = CPtrListT<CObject*>;

}  // namespace qzn
