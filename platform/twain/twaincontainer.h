// Capability containers as both sides of DSM_Entry read and build them. A
// container is a malloc block (twaindefs.h); every read is bounded by the
// bytes the block really has, so a container that claims more items than it
// holds is never read past its end.
#pragma once

#include <malloc.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/twain/twaindefs.h"

namespace qzn::twain {

constexpr TW_UINT16 kDontCare16 = 0xFFFF;

inline std::size_t BlockSize(const void* block) { return block ? malloc_usable_size(const_cast<void*>(block)) : 0; }

inline int ItemSize(TW_UINT16 type) {
  switch (type) {
    case TWTY_INT8:
    case TWTY_UINT8: return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL: return 2;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32: return 4;
    default: return 0;
  }
}

// Item i of a list of items of that type, widened (a FIX32 gives its whole
// part); false past the bytes available or for an unknown type.
inline bool ReadItem(const std::uint8_t* items, std::size_t available, TW_UINT16 type, std::uint64_t i, long* value) {
  const int size = ItemSize(type);
  if (size == 0 || (i + 1) * static_cast<std::uint64_t>(size) > available) return false;
  const std::uint8_t* p = items + i * size;
  switch (type) {
    case TWTY_INT8: *value = static_cast<TW_INT8>(*p); break;
    case TWTY_UINT8: *value = *p; break;
    case TWTY_INT16: {
      TW_INT16 v;
      std::memcpy(&v, p, 2);
      *value = v;
      break;
    }
    case TWTY_UINT16:
    case TWTY_BOOL: {
      TW_UINT16 v;
      std::memcpy(&v, p, 2);
      *value = v;
      break;
    }
    case TWTY_INT32: {
      TW_INT32 v;
      std::memcpy(&v, p, 4);
      *value = v;
      break;
    }
    case TWTY_FIX32: {
      TW_FIX32 v;
      std::memcpy(&v, p, 4);
      *value = v.Whole;
      break;
    }
    default: {
      TW_UINT32 v;
      std::memcpy(&v, p, 4);
      *value = static_cast<long>(v);
      break;
    }
  }
  return true;
}

// The items of an enumeration container, as far as its block holds them.
struct EnumView {
  TW_ENUMERATION* head = nullptr;
  const std::uint8_t* items = nullptr;
  std::size_t available = 0;
  bool Valid() const { return head != nullptr; }
  bool Item(std::uint64_t i, long* v) const {
    return head && i < head->NumItems && ReadItem(items, available, head->ItemType, i, v);
  }
};

inline EnumView ViewEnumeration(TW_HANDLE h) {
  EnumView v;
  const std::size_t size = BlockSize(h);
  if (size < offsetof(TW_ENUMERATION, ItemList)) return v;
  v.head = static_cast<TW_ENUMERATION*>(h);
  v.items = static_cast<const std::uint8_t*>(h) + offsetof(TW_ENUMERATION, ItemList);
  v.available = size - offsetof(TW_ENUMERATION, ItemList);
  return v;
}

// The value of a one-value container; false when its block is too short.
inline bool OneValue(TW_HANDLE h, long* value) {
  if (BlockSize(h) < sizeof(TW_ONEVALUE)) return false;
  const auto* one = static_cast<const TW_ONEVALUE*>(h);
  const auto* item = static_cast<const std::uint8_t*>(h) + offsetof(TW_ONEVALUE, Item);
  return ReadItem(item, sizeof(TW_UINT32), one->ItemType, 0, value);
}

// The value a MSG_SET container asks for: a one-value's item, or the current
// item of an enumeration.
inline bool RequestedValue(const TW_CAPABILITY& cap, long* value) {
  if (cap.ConType == TWON_ONEVALUE) return OneValue(cap.hContainer, value);
  if (cap.ConType == TWON_ENUMERATION) {
    const EnumView e = ViewEnumeration(cap.hContainer);
    return e.Valid() && e.Item(e.head->CurrentIndex, value);
  }
  return false;
}

inline void StoreItem(std::uint8_t* p, TW_UINT16 type, long value) {
  switch (ItemSize(type)) {
    case 1: *p = static_cast<std::uint8_t>(value); break;
    case 2: {
      const TW_UINT16 v = static_cast<TW_UINT16>(value);
      std::memcpy(p, &v, 2);
      break;
    }
    default: {
      const TW_UINT32 v = static_cast<TW_UINT32>(value);
      std::memcpy(p, &v, 4);
      break;
    }
  }
}

inline TW_HANDLE NewOneValue(TW_UINT16 type, long value) {
  auto* one = static_cast<TW_ONEVALUE*>(std::calloc(1, sizeof(TW_ONEVALUE)));
  if (!one) return nullptr;
  one->ItemType = type;
  StoreItem(reinterpret_cast<std::uint8_t*>(one) + offsetof(TW_ONEVALUE, Item), type, value);
  return one;
}

inline TW_HANDLE NewEnumeration(TW_UINT16 type, const std::vector<long>& items, TW_UINT32 current,
                                TW_UINT32 byDefault) {
  const std::size_t n = items.size();
  const std::size_t size = offsetof(TW_ENUMERATION, ItemList) + (n ? n : 1) * ItemSize(type);
  auto* e = static_cast<TW_ENUMERATION*>(std::calloc(1, size));
  if (!e) return nullptr;
  e->ItemType = type;
  e->NumItems = static_cast<TW_UINT32>(n);
  e->CurrentIndex = current;
  e->DefaultIndex = byDefault;
  for (std::size_t i = 0; i < n; ++i) StoreItem(e->ItemList + i * ItemSize(type), type, items[i]);
  return e;
}

}  // namespace qzn::twain
