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
                      TNameCase{"Delete", 0x2E}, TNameCase{"Tab", 9},
                      // Letters in either case are their capital; digits themselves.
                      TNameCase{"p", 0x50}, TNameCase{"P", 0x50}, TNameCase{"z", 0x5A}, TNameCase{"0", 0x30},
                      TNameCase{"9", 0x39},
                      // Anything else has no code: names are case-sensitive and whole.
                      TNameCase{"", 0}, TNameCase{"left", 0}, TNameCase{"Left ", 0}, TNameCase{"F1", 0},
                      TNameCase{"#", 0}, TNameCase{"\xe9", 0}, TNameCase{"AB", 0}));

} // namespace
