// Zero-filling large blocks of memory without keeping them resident.
//
// A step that is done with a large block of pixels whose content will be
// all zero afterwards (the image a batch conversion consumes) gives the
// block's whole pages back to the system instead of writing zeros into
// them: they read as zero again, and only take memory once written.
#pragma once

#include <cstddef>

namespace qzn {

// Sets bytes [p, p + n) to 0. The whole pages inside the range are returned
// to the system (they stay mapped and read as zero); the partial pages at
// its ends are written. The block must be ordinary private memory (heap or
// anonymous), as every pixel block is.
void FillZeroReleasingPages(void* p, std::size_t n);

}  // namespace qzn
