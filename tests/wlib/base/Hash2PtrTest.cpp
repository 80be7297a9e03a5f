#include "wlib/base/Hash2Ptr.h"

#include <map>
#include <random>
#include <vector>

#include <gtest/gtest.h>

using WLib::THash2Ptr;

namespace {

TEST(THash2Ptr, SixteenBucketsUseTopFourBits)
{
    THash2Ptr map(16);
    EXPECT_EQ(map.BucketCount(), 16u);
    EXPECT_EQ(map.Shift(), 28u);
    EXPECT_EQ(map.Mask(), 0x0FFFFFFFu);
    EXPECT_EQ(map.BucketOf(0xA0000000u), 0xAu);
    EXPECT_EQ(map.BucketOf(0x0FFFFFFFu), 0u);
    EXPECT_EQ(map.BucketOf(0xF0000001u), 0xFu);
}

TEST(THash2Ptr, EmptyMapFindsNothing)
{
    THash2Ptr map;
    EXPECT_EQ(map.Find(0), nullptr);
    EXPECT_EQ(map.Find(0xFFFFFFFFu), nullptr);
}

TEST(THash2Ptr, FindsWhatWasInsertedAndNothingElse)
{
    THash2Ptr map;
    int values[6];
    // Keys sharing buckets and low bits, so the tries must split deep.
    const uint32_t keys[] = {0x10000000u, 0x10000001u, 0x10000002u, 0x18000000u, 0x1000000Au, 0xF0000000u};
    for (int i = 0; i < 6; ++i)
        map.Insert(keys[i], &values[i]);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(map.Find(keys[i]), &values[i]) << std::hex << keys[i];
    EXPECT_EQ(map.Find(0x10000003u), nullptr);
    EXPECT_EQ(map.Find(0x20000000u), nullptr);
    EXPECT_EQ(map.Find(0x00000000u), nullptr);
    int other;
    map.Insert(keys[2], &other); // replaces
    EXPECT_EQ(map.Find(keys[2]), &other);
}

TEST(THash2Ptr, AgreesWithStdMapOnRandomKeys)
{
    THash2Ptr map;
    std::map<uint32_t, int*> reference;
    std::vector<int> store(2000);
    std::mt19937 rng(1234);
    for (int i = 0; i < 2000; ++i) {
        uint32_t key = rng() & 0xF00000FFu; // few distinct low bits: many collisions
        map.Insert(key, &store[i]);
        reference[key] = &store[i];
    }
    for (auto& kv : reference)
        EXPECT_EQ(map.Find(kv.first), kv.second);
    for (int i = 0; i < 2000; ++i) {
        uint32_t key = rng();
        auto it = reference.find(key);
        EXPECT_EQ(map.Find(key), it == reference.end() ? nullptr : it->second);
    }
}

class Recording : public THash2Ptr {
public:
    ~Recording() override { Clear(); }
    void ReleaseValue(void* value) override { Released.push_back(value); }
    std::vector<void*> Released;
};

TEST(THash2Ptr, ClearReleasesEveryValueAndEmpties)
{
    Recording map;
    int a, b, c;
    map.Insert(1, &a);
    map.Insert(3, &b);
    map.Insert(0x80000000u, &c);
    map.Clear();
    EXPECT_EQ(map.Released.size(), 3u);
    EXPECT_EQ(map.Find(1), nullptr);
    EXPECT_EQ(map.Find(0x80000000u), nullptr);
    map.Released.clear();
    map.Clear();
    EXPECT_TRUE(map.Released.empty());
}

} // namespace
