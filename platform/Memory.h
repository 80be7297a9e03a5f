// The C library's allocator, told how this program uses memory: it holds a
// few large blocks (decoded pictures) for a while and lets them go, and its
// threads allocate little. Without this, glibc serves a large block again
// from its heap once one was freed (its threshold for giving large blocks
// pages of their own rises with the blocks freed), and the heap keeps free
// memory instead of giving it back.
#pragma once

#include <cstddef>

namespace Platform {

// Large blocks always get pages of their own, so that freeing one gives its
// memory back at once. Call at the start of main, before any thread starts.
void TuneAllocator();
// Gives the free memory the allocator still holds (small blocks freed in
// its heaps) back to the system, as far as it can.
void GiveBackFreeMemory();

} // namespace Platform
