#include "wlib/base/Heap.h"

#include <cstdlib>

namespace WLib {

namespace {

// Each record must hold a free-run link, and records cut one after another
// from a block must stay aligned for any pointer member.
size_t RoundRecordSize(size_t size)
{
    constexpr size_t kAlign = alignof(void*);
    size_t minimum = 2 * sizeof(void*);
    if (size < minimum)
        size = minimum;
    return (size + kAlign - 1) / kAlign * kAlign;
}

} // namespace

THeapBase::THeapBase(size_t recordSize) : RecSize(RoundRecordSize(recordSize))
{
    if (RecSize > kBlockSize)
        throw std::bad_alloc(); // a record must fit a block
}

THeapBase::~THeapBase()
{
    for (int i = 1; i <= Blocks.Count(); ++i)
        std::free(Blocks[i].Mem);
}

void* THeapBase::AllocRecord()
{
    if (!FreeList) {
        void* mem = std::malloc(kBlockSize);
        if (!mem)
            throw std::bad_alloc();
        TBlockMem block;
        block.Mem = mem;
        block.Size = kBlockSize;
        Blocks.Add(block);
        auto* run = static_cast<TFreeRun*>(mem);
        run->Next = nullptr;
        run->Size = kBlockSize;
        FreeList = run;
    }
    TFreeRun* head = FreeList;
    head->Size -= RecSize;
    char* record = reinterpret_cast<char*>(head) + head->Size;
    // Pop the run before handing out its last record, which may be the run
    // header itself.
    if (head->Size < RecSize)
        FreeList = head->Next;
    return record;
}

void THeapBase::FreeRecord(void* record)
{
    if (!record)
        return;
    auto* run = static_cast<TFreeRun*>(record);
    run->Next = FreeList;
    run->Size = RecSize;
    FreeList = run;
}

} // namespace WLib
