#include "platform/Memory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Platform {

namespace {

// glibc's own starting threshold; setting it keeps it there.
constexpr int kLargeBlockBytes = 128 * 1024;

} // namespace

void TuneAllocator()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
    mallopt(M_TRIM_THRESHOLD, kLargeBlockBytes);
#endif
}

void GiveBackFreeMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace Platform
