#include "wlib/base/Hash2Ptr.h"

namespace WLib {

THash2Ptr::THash2Ptr(uint32_t bucketCount)
{
    uint32_t bits = 0;
    while (bits < 31 && (2u << bits) <= bucketCount)
        ++bits;
    Buckets = 1u << bits;
    ShiftBits = 32 - bits;
    RestMask = ShiftBits >= 32 ? 0xFFFFFFFFu : (1u << ShiftBits) - 1;
    for (uint32_t i = 0; i < Buckets; ++i)
        Bucket.Add(0); // bucket b lives at index b + 1
}

THash2Ptr::~THash2Ptr()
{
    Clear();
}

void THash2Ptr::ReleaseValue(void*) {}

THash2Ptr::TTreeRec* THash2Ptr::NewLeaf(void* value, uint32_t rest)
{
    TTreeRec* leaf = Nodes.Alloc();
    leaf->Word0 = reinterpret_cast<uintptr_t>(value);
    leaf->Word1 = (uintptr_t(rest) << 1) | 1;
    return leaf;
}

void* THash2Ptr::Find(uint32_t key) const
{
    auto* node = reinterpret_cast<const TTreeRec*>(Bucket[int(BucketOf(key)) + 1]);
    uint32_t rest = key & RestMask;
    while (node && !IsLeaf(node)) {
        node = reinterpret_cast<const TTreeRec*>((rest & 1) ? node->Word1 : node->Word0);
        rest >>= 1;
    }
    if (!node)
        return nullptr;
    return (node->Word1 >> 1) == rest ? reinterpret_cast<void*>(node->Word0) : nullptr;
}

void THash2Ptr::Insert(uint32_t key, void* value)
{
    if (!value)
        return;
    uintptr_t* slot = &Bucket[int(BucketOf(key)) + 1];
    uint32_t rest = key & RestMask;
    while (*slot && !IsLeaf(AsNode(*slot))) {
        TTreeRec* node = AsNode(*slot);
        slot = (rest & 1) ? &node->Word1 : &node->Word0;
        rest >>= 1;
    }
    if (!*slot) {
        *slot = reinterpret_cast<uintptr_t>(NewLeaf(value, rest));
        return;
    }
    TTreeRec* leaf = AsNode(*slot);
    uint32_t other = uint32_t(leaf->Word1 >> 1);
    if (other == rest) {
        leaf->Word0 = reinterpret_cast<uintptr_t>(value);
        return;
    }
    // Split: push inner nodes down while both keys take the same branch,
    // then hang the two leaves on the branch where they part.
    while (true) {
        TTreeRec* inner = Nodes.Alloc();
        *slot = reinterpret_cast<uintptr_t>(inner);
        uint32_t a = rest & 1, b = other & 1;
        rest >>= 1;
        other >>= 1;
        leaf->Word1 = (uintptr_t(other) << 1) | 1;
        if (a != b) {
            TTreeRec* fresh = NewLeaf(value, rest);
            (a ? inner->Word1 : inner->Word0) = reinterpret_cast<uintptr_t>(fresh);
            (b ? inner->Word1 : inner->Word0) = reinterpret_cast<uintptr_t>(leaf);
            return;
        }
        slot = a ? &inner->Word1 : &inner->Word0;
    }
}

void THash2Ptr::ClearNode(TTreeRec* node)
{
    if (!node)
        return;
    if (IsLeaf(node)) {
        ReleaseValue(reinterpret_cast<void*>(node->Word0));
    } else {
        ClearNode(reinterpret_cast<TTreeRec*>(node->Word0));
        ClearNode(reinterpret_cast<TTreeRec*>(node->Word1));
    }
    Nodes.Free(node);
}

void THash2Ptr::Clear()
{
    for (uint32_t i = 1; i <= Buckets; ++i) {
        ClearNode(AsNode(Bucket[int(i)]));
        Bucket[int(i)] = 0;
    }
}

} // namespace WLib
