// Appending a new element to a list that owns its elements: null, with the
// list unchanged, when memory runs out for the element or its list node.
#pragma once

#include <new>
#include <utility>

#include "model/ptrlist.h"

namespace qzn {

template <class T, class... Args>
T* AppendOwned(CPtrListT<T*>& list, Args&&... args) {
  T* item = nullptr;
  try {
    item = new T{std::forward<Args>(args)...};
    list.AddTail(item);
    return item;
  } catch (const std::bad_alloc&) {
    delete item;
    return nullptr;
  }
}

}  // namespace qzn
