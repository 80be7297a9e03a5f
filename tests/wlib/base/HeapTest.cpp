#include "wlib/base/Heap.h"

#include <set>

#include <gtest/gtest.h>

using WLib::THeap;

namespace {

struct Rec24 {
    void* A;
    void* B;
    int C;
    int D;
};
static_assert(sizeof(Rec24) == 24, "a 24-byte record like an event");

struct Rec28 {
    char Bytes[28];
};

TEST(THeap, OneBlockHoldsAsManyRecordsAsFit)
{
    THeap<Rec24> heap;
    std::set<char*> seen;
    for (int i = 0; i < 170; ++i) {
        char* r = reinterpret_cast<char*>(heap.Alloc());
        EXPECT_TRUE(seen.insert(r).second);
        EXPECT_EQ(heap.BlockCount(), 1) << "record " << i;
    }
    heap.Alloc();
    EXPECT_EQ(heap.BlockCount(), 2);
}

TEST(THeap, RecordsOfOneBlockDoNotOverlap)
{
    THeap<Rec24> heap;
    std::set<char*> seen;
    for (int i = 0; i < 400; ++i)
        seen.insert(reinterpret_cast<char*>(heap.Alloc()));
    char* prev = nullptr;
    for (char* p : seen) {
        if (prev) {
            EXPECT_GE(p - prev, 24);
        }
        prev = p;
    }
}

TEST(THeap, ReusesFreedRecordsLastInFirstOut)
{
    THeap<Rec24> heap;
    for (int i = 0; i < 169; ++i)
        heap.Alloc();
    Rec24* a = heap.Alloc();
    Rec24* b = heap.Alloc(); // the 171st: a new block
    EXPECT_EQ(heap.BlockCount(), 2);
    heap.Free(a);
    heap.Free(b);
    EXPECT_EQ(heap.Alloc(), b);
    EXPECT_EQ(heap.Alloc(), a);
    EXPECT_EQ(heap.BlockCount(), 2);
}

TEST(THeap, FreedRecordIsReusedBeforeANewBlock)
{
    THeap<Rec24> heap;
    Rec24* last = nullptr;
    for (int i = 0; i < 170; ++i)
        last = heap.Alloc();
    heap.Free(last);
    EXPECT_EQ(heap.Alloc(), last);
    EXPECT_EQ(heap.BlockCount(), 1);
}

TEST(THeap, TwentyEightByteRecords)
{
    THeap<Rec28> heap;
    int inFirst = 0;
    while (heap.BlockCount() <= 1) {
        heap.Alloc();
        ++inFirst;
    }
    // 28 bytes are kept at 32 here for pointer alignment: 4096 / 32.
    EXPECT_EQ(heap.RecordSize(), 32u);
    EXPECT_EQ(inFirst - 1, 128); // the last record takes the block's free-run header too
}

TEST(THeap, ConstructsAndDestroysRecords)
{
    struct Counted {
        int Value = 7;
        int* Destroyed = nullptr;
        ~Counted()
        {
            if (Destroyed)
                ++*Destroyed;
        }
    };
    int destroyed = 0;
    THeap<Counted> heap;
    Counted* c = heap.Alloc();
    EXPECT_EQ(c->Value, 7);
    c->Destroyed = &destroyed;
    heap.Free(c);
    EXPECT_EQ(destroyed, 1);
    heap.Free(nullptr);
}

} // namespace
