#include "platform/pagezero.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace qzn {

void FillZeroReleasingPages(void* p, std::size_t n) {
  if (n == 0) return;
  static const std::uintptr_t page = [] {
    const long size = ::sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<std::uintptr_t>(size) : std::uintptr_t{4096};
  }();
  const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(p), end = begin + n;
  const std::uintptr_t first = (begin + page - 1) & ~(page - 1), last = end & ~(page - 1);
  // Too small to hold a whole page: plain zeros.
  if (first >= last) {
    std::memset(p, 0, n);
    return;
  }
  std::memset(p, 0, first - begin);
  std::memset(reinterpret_cast<void*>(last), 0, end - last);
  // MADV_DONTNEED on private memory: the pages are dropped and read back as
  // zero-filled pages. Should the system refuse, zeros are written.
  if (::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED) != 0)
    std::memset(reinterpret_cast<void*>(first), 0, last - first);
}

}  // namespace qzn
