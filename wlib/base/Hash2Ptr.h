// THash2Ptr: a small map from 32-bit keys to pointers. The top bits of a key
// pick a bucket; each bucket is a binary trie walked with the remaining bits,
// lowest bit first. Nodes come from a record pool.
#pragma once

#include <cstdint>

#include "wlib/base/Heap.h"
#include "wlib/base/Items.h"

namespace WLib {

class THash2Ptr {
public:
    // Two words. Inner node: left and right child. Leaf: the value and
    // (remaining key bits << 1) | 1; bit 0 of the second word marks a leaf.
    struct TTreeRec {
        uintptr_t Word0 = 0;
        uintptr_t Word1 = 0;
    };
    // Bucket heads, kept as node words like the children.
    using TFItems = TItems<uintptr_t>;

    // bucketCount is rounded down to a power of two (16 in all uses).
    explicit THash2Ptr(uint32_t bucketCount = 16);
    virtual ~THash2Ptr();
    THash2Ptr(const THash2Ptr&) = delete;
    THash2Ptr& operator=(const THash2Ptr&) = delete;

    // Called with each stored value when the map is cleared.
    virtual void ReleaseValue(void* value);

    // The value stored for key, or null.
    void* Find(uint32_t key) const;
    // Stores value for key, replacing an earlier value (which is not
    // released). A null value is not stored.
    void Insert(uint32_t key, void* value);
    // Releases every value and returns every node to the pool.
    void Clear();

    uint32_t BucketCount() const { return Buckets; }
    uint32_t Shift() const { return ShiftBits; }
    uint32_t Mask() const { return RestMask; }
    uint32_t BucketOf(uint32_t key) const { return Buckets > 1 ? key >> ShiftBits : 0; }

private:
    static bool IsLeaf(const TTreeRec* node) { return (node->Word1 & 1) != 0; }
    static TTreeRec* AsNode(uintptr_t word) { return reinterpret_cast<TTreeRec*>(word); }
    TTreeRec* NewLeaf(void* value, uint32_t rest);
    void ClearNode(TTreeRec* node);

    uint32_t Buckets;
    uint32_t ShiftBits;
    uint32_t RestMask;
    TFItems Bucket;
    THeap<TTreeRec> Nodes;
};

} // namespace WLib
