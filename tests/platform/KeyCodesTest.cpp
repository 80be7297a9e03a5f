#include "platform/KeyCodes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct TNameCase {
    std::string Name;
    int32_t Code;
};
void PrintTo(const TNameCase& c, std::ostream* os)
{
    *os << '"' << c.Name << "\" -> " << c.Code;
}

class KeyNames : public ::testing::TestWithParam<TNameCase> {};

TEST_P(KeyNames, NameGivesTheVirtualKey)
{
    EXPECT_EQ(Platform::VirtualKeyFromName(GetParam().Name), GetParam().Code);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KeyNames,
    ::testing::Values(TNameCase{"Left", 0x25}, TNameCase{"Up", 0x26}, TNameCase{"Right", 0x27},
                      TNameCase{"Down", 0x28}, TNameCase{"Ctrl", 0x11}, TNameCase{"Enter", 13},
                      TNameCase{"Backspace", 8}, TNameCase{"Escape", 27}, TNameCase{"Space", 32},
                      TNameCase{"Delete", 0x2E}, TNameCase{"Tab", 9}, TNameCase{"PadLeft", 0x88},
                      TNameCase{"PadB", 0x8D}, TNameCase{"PadBack", 0x8F},
                      // Letters in either case are their capital; digits themselves.
                      TNameCase{"p", 0x50}, TNameCase{"P", 0x50}, TNameCase{"z", 0x5A}, TNameCase{"0", 0x30},
                      TNameCase{"9", 0x39},
                      // Keys a player may choose besides: function keys, the keypad, punctuation.
                      TNameCase{"F1", 0x70}, TNameCase{"F11", 0x7A}, TNameCase{"F24", 0x87},
                      TNameCase{"Num+", 0x6B}, TNameCase{"Num0", 0x60}, TNameCase{"PageUp", 0x21},
                      TNameCase{";", 0xBA}, TNameCase{"\\", 0xDC},
                      // Anything else has no code: names are case-sensitive and whole.
                      TNameCase{"", 0}, TNameCase{"left", 0}, TNameCase{"Left ", 0}, TNameCase{"F0", 0},
                      TNameCase{"F25", 0}, TNameCase{"F01", 0}, TNameCase{"f1", 0}, TNameCase{"#", 0},
                      TNameCase{"\xe9", 0}, TNameCase{"AB", 0}));

// What a player reads on the controls page must name the key back: every
// code with a name, letter or digit gives that name, and the name gives the
// code again; codes without a name still read as something.
TEST(KeyNames, NameOfACodeLeadsBackToIt)
{
    for (int32_t code = 1; code < 256; ++code) {
        const std::string name = Platform::VirtualKeyName(code);
        ASSERT_FALSE(name.empty()) << code;
        const int32_t back = Platform::VirtualKeyFromName(name);
        if (back != 0)
            EXPECT_EQ(back, code) << name;
        else
            EXPECT_EQ(name.rfind("Key ", 0), 0u) << name;
    }
    EXPECT_EQ(Platform::VirtualKeyName(0x11), "Ctrl");
    EXPECT_EQ(Platform::VirtualKeyName(0x41), "A");
    EXPECT_EQ(Platform::VirtualKeyName(0x7A), "F11");
    EXPECT_EQ(Platform::VirtualKeyName(0x07), "Key 07");
}

} // namespace
