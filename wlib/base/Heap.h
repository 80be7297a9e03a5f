// THeap: a pool of fixed-size records cut from 4096-byte blocks. Freed
// records go on a free list and are handed out again last-in first-out;
// nothing goes back to the system before the pool is destroyed.
#pragma once

#include <cstddef>
#include <new>

#include "wlib/base/Items.h"

namespace WLib {

class THeapBase {
public:
    static constexpr size_t kBlockSize = 4096;

    explicit THeapBase(size_t recordSize);
    virtual ~THeapBase();
    THeapBase(const THeapBase&) = delete;
    THeapBase& operator=(const THeapBase&) = delete;

    void* AllocRecord();
    void FreeRecord(void* record);
    size_t RecordSize() const { return RecSize; }
    int BlockCount() const { return Blocks.Count(); }

private:
    // A free run of memory: either the unused front part of a block or one
    // freed record. Its first word links to the next run.
    struct TFreeRun {
        TFreeRun* Next;
        size_t Size;
    };

    TItems<TBlockMem> Blocks;
    TFreeRun* FreeList = nullptr;
    size_t RecSize;
};

// Records are constructed on Alloc and destroyed on Free; records still
// allocated when the pool goes are not destroyed, only their memory is freed.
template <typename T> class THeap : public THeapBase {
public:
    THeap() : THeapBase(sizeof(T)) {}
    T* Alloc() { return new (AllocRecord()) T(); }
    void Free(T* record)
    {
        if (!record)
            return;
        record->~T();
        FreeRecord(record);
    }
};

} // namespace WLib
