#include "rules/Options.h"

#include <gtest/gtest.h>

#include <cstddef>

// The record is shared with the settings storage and read by every layer:
// its order and defaults are what stored profiles and fresh starts rely on.
TEST(TOptions, FieldsLieInStoreOrderWithTheirDefaults)
{
    TOptions options;
    ResetOptions(options);
    const int32_t* fields = &options.StartLevel;
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
    TOptions options;
    options.StartLevel = 7;
    options.BackRound = 2;
    ResetOptions(options);
    EXPECT_EQ(options.StartLevel, 1);
    EXPECT_EQ(options.BackRound, 0);
}
