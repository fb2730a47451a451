#pragma once
// Bytes the heap holds for live allocations (not what a sanitizer keeps in quarantine), for tests that
// bound what a piece of work keeps.

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes(); // of the sanitizer's runtime
#else
#include <malloc.h>
#endif

namespace hozonix::test {

inline std::size_t LiveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

} // namespace hozonix::test
