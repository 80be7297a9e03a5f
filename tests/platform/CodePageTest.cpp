#include "platform/CodePage.h"

#include <gtest/gtest.h>

using namespace Platform;

namespace {

struct CpCase {
    int Byte;
    uint32_t CodePoint;
};
void PrintTo(const CpCase& c, std::ostream* os)
{
    *os << std::hex << "byte " << c.Byte << " U+" << c.CodePoint;
}
class CodePage : public ::testing::TestWithParam<CpCase> {};

TEST_P(CodePage, MapsBothWays)
{
    EXPECT_EQ(Cp1252ToUnicode(uint8_t(GetParam().Byte)), GetParam().CodePoint);
    EXPECT_EQ(UnicodeToCp1252(GetParam().CodePoint), GetParam().Byte);
}

INSTANTIATE_TEST_SUITE_P(Table, CodePage,
                         ::testing::Values(CpCase{0x41, 0x41}, CpCase{0x00, 0x00}, CpCase{0x7F, 0x7F},
                                           CpCase{0x80, 0x20AC}, CpCase{0x82, 0x201A}, CpCase{0x8C, 0x0152},
                                           CpCase{0x96, 0x2013}, CpCase{0x99, 0x2122}, CpCase{0x9F, 0x0178},
                                           CpCase{0xA0, 0xA0}, CpCase{0xE9, 0xE9}, CpCase{0xFF, 0xFF}));

TEST(CodePage, UndefinedBytesAndMissingCodePoints)
{
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(Cp1252ToUnicode(uint8_t(b)), 0xFFFDu) << b;
    EXPECT_EQ(UnicodeToCp1252(0x85), -1); // C1 controls have no byte
    EXPECT_EQ(UnicodeToCp1252(0x100), -1);
    EXPECT_EQ(UnicodeToCp1252(0xFFFD), -1);
}

} // namespace
