#include "wlib/base/Items.h"

#include "wlib/base/AString.h"

#include <gtest/gtest.h>

using WLib::ItemsGrowCapacity;
using WLib::TItems;

namespace {

TEST(TItems, StartsWithFallbackOnlyAndSixteenSlots)
{
    TItems<int> items;
    EXPECT_EQ(items.High(), 0);
    EXPECT_EQ(items.Capacity(), 16);
}

TEST(TItems, OutOfRangeReadsGiveElementZero)
{
    TItems<int> items;
    items[0] = -1; // the fallback slot
    items.Add(10);
    items.Add(20);
    EXPECT_EQ(items[1], 10);
    EXPECT_EQ(items[2], 20);
    EXPECT_EQ(items[0], -1);
    EXPECT_EQ(items[3], -1); // high + 1
    EXPECT_EQ(items[-7], -1);
    EXPECT_EQ(items[1 << 30], -1);
}

TEST(TItems, ReserveRaisesHighAndRefusesNegative)
{
    TItems<int> items;
    EXPECT_EQ(items.Reserve(5), 5);
    EXPECT_EQ(items.High(), 5);
    EXPECT_EQ(items.Reserve(3), 3);
    EXPECT_EQ(items.High(), 5);
    EXPECT_EQ(items.Reserve(-2), 0);
    EXPECT_EQ(items.High(), 5);
}

struct GrowCase {
    int Need;
    int Cap;
    int Expected;
};
void PrintTo(const GrowCase& c, std::ostream* os)
{
    *os << "need " << c.Need << " cap " << c.Cap;
}
class TItemsGrow : public ::testing::TestWithParam<GrowCase> {};

TEST_P(TItemsGrow, FollowsTheGrowthRule)
{
    EXPECT_EQ(ItemsGrowCapacity(GetParam().Need, GetParam().Cap), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TItemsGrow,
                         ::testing::Values(GrowCase{1, 0, 16}, GrowCase{17, 16, 48}, GrowCase{49, 48, 128},
                                           GrowCase{100, 16, 128}, GrowCase{1000, 0, 1024},
                                           GrowCase{1025, 1024, 3072}));

TEST(TItems, GrowsWhenIndexReachesCapacityAndKeepsElements)
{
    TItems<int> items;
    for (int i = 1; i <= 16; ++i)
        items.Add(i * 3);
    EXPECT_EQ(items.Capacity(), 48); // index 16 needed 17 slots
    for (int i = 1; i <= 16; ++i)
        EXPECT_EQ(items[i], i * 3);
}

TEST(TItems, CopiesCountedElementsByAssignment)
{
    TItems<WLib::TAString> items;
    WLib::TAString s("shared");
    for (int i = 0; i < 40; ++i)
        items.Add(s);
    EXPECT_EQ(s.ExtraRefs(), 40u); // growth did not leak or drop references
    items.Clear();
    EXPECT_EQ(items.High(), 0);
    EXPECT_EQ(items[1].Length(), 0); // fallback, empty
}

TEST(TItems, CopyIsDeep)
{
    TItems<int> a;
    a.Add(1);
    TItems<int> b(a);
    b[1] = 2;
    EXPECT_EQ(a[1], 1);
    EXPECT_EQ(b[1], 2);
}

} // namespace
