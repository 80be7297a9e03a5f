#include "rules/Options.h"
#include "rules/ProcessState.h"

#include <gtest/gtest.h>

#include <cstddef>

// The record is shared with the settings storage and read by every layer:
// its order and defaults are what stored profiles and fresh starts rely on.
TEST(TOptions, FieldsLieInStoreOrderWithTheirDefaults)
{
    ResetOptions(Options);
    const int32_t* fields = &Options.StartLevel;
    const int32_t expected[] = {1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 100, 100, 0};
    static_assert(sizeof(TOptions) == sizeof expected, "thirteen 32-bit fields, no padding");
    for (std::size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i) {
        EXPECT_EQ(fields[i], expected[i]) << "field " << i;
    }
    EXPECT_EQ(offsetof(TOptions, Difficulty), 4u);
    EXPECT_EQ(offsetof(TOptions, ZPlaySound), 8u);
    EXPECT_EQ(offsetof(TOptions, BackRound), 28u);
    EXPECT_EQ(offsetof(TOptions, NumBlocks), 32u);
    // The landing shadow came later: after the others, off by default.
    EXPECT_EQ(offsetof(TOptions, ZShadow), 36u);
    // The player's sound after it: full volumes, nearest sample.
    EXPECT_EQ(offsetof(TOptions, MusicVolume), 40u);
    EXPECT_EQ(offsetof(TOptions, SoundVolume), 44u);
    EXPECT_EQ(offsetof(TOptions, SmoothSound), 48u);
}

TEST(TOptions, ResetPutsChangedFieldsBack)
{
    Options.StartLevel = 7;
    Options.BackRound = 2;
    ResetOptions(Options);
    EXPECT_EQ(Options.StartLevel, 1);
    EXPECT_EQ(Options.BackRound, 0);
}
