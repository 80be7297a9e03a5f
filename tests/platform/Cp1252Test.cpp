#include "platform/Cp1252.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <ostream>
#include <sstream>

namespace {

std::string Hex(std::string_view bytes)
{
    std::ostringstream out;
    for (unsigned char b : bytes)
        out << std::hex << std::setw(2) << std::setfill('0') << int(b) << ' ';
    return out.str();
}

struct TextCase {
    const char* name;
    std::string utf8;
    std::string cp1252;
};

std::ostream& operator<<(std::ostream& out, const TextCase& c)
{
    return out << c.name << ": utf8 [" << Hex(c.utf8) << "]";
}

class Utf8ToCp1252Table : public testing::TestWithParam<TextCase> {};

TEST_P(Utf8ToCp1252Table, GivesTheBytes)
{
    EXPECT_EQ(Hex(Platform::Utf8ToCp1252(GetParam().utf8)), Hex(GetParam().cp1252));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8ToCp1252Table,
    testing::Values(TextCase{"Ascii", "Anna 42", "Anna 42"}, TextCase{"Empty", "", ""},
                    TextCase{"Latin1", "\xC3\xA9\xC3\xBC\xC3\x9F\xC2\xA0\xC3\xBF", "\xE9\xFC\xDF\xA0\xFF"},
                    TextCase{"EuroAndQuotes", "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D", "\x80 \x93x\x94"},
                    TextCase{"HighBlock", "\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8\xE2\x84\xA2\xCB\x9C",
                             "\x8A\x8C\x8E\x9F\x99\x98"},
                    // What the code page cannot hold is dropped, the rest kept in order.
                    TextCase{"CyrillicDropped", "a\xD0\x96z", "az"},
                    TextCase{"EmojiDropped", "\xF0\x9F\x98\x80!", "!"},
                    TextCase{"C1ControlsDropped", "\xC2\x81\xC2\x80x", "x"},
                    // Malformed input: every broken part goes, good characters after it stay.
                    TextCase{"StrayContinuation",
                             "a\x80"
                             "b",
                             "ab"},
                    TextCase{"TruncatedAtEnd", "ab\xC3", "ab"},
                    TextCase{"TruncatedThenAscii",
                             "\xE2\x82"
                             "c",
                             "c"},
                    TextCase{"OverlongSlash",
                             "\xC0\xAF"
                             "d",
                             "d"},
                    TextCase{"OverlongThreeByte",
                             "\xE0\x80\xAF"
                             "e",
                             "e"},
                    TextCase{"Surrogate",
                             "\xED\xA0\x80"
                             "f",
                             "f"},
                    TextCase{"AboveUnicode",
                             "\xF4\x90\x80\x80"
                             "g",
                             "g"},
                    TextCase{"InvalidLeads", "\xF8\xFE\xFFh", "h"},
                    TextCase{"NulKept", std::string("a\0b", 3), std::string("a\0b", 3)}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(Cp1252, EveryDefinedByteRoundTripsThroughItsCodePoint)
{
    int undefined = 0;
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t codePoint = Platform::Cp1252ToCodePoint(static_cast<unsigned char>(byte));
        if (byte >= 0x80 && byte <= 0x9F && codePoint == static_cast<char32_t>(byte)) {
            ++undefined;
            EXPECT_EQ(Platform::CodePointToCp1252(codePoint), -1) << "byte " << byte;
            continue;
        }
        EXPECT_EQ(Platform::CodePointToCp1252(codePoint), byte) << "byte " << byte;
    }
    EXPECT_EQ(undefined, 5); // 0x81, 0x8D, 0x8F, 0x90, 0x9D
}

TEST(Cp1252, ReverseTableSpotChecks)
{
    EXPECT_EQ(Platform::Cp1252ToCodePoint(0x41), U'A');
    EXPECT_EQ(Platform::Cp1252ToCodePoint(0x80), U'\u20AC');
    EXPECT_EQ(Platform::Cp1252ToCodePoint(0x85), U'\u2026');
    EXPECT_EQ(Platform::Cp1252ToCodePoint(0x9F), U'\u0178');
    EXPECT_EQ(Platform::Cp1252ToCodePoint(0x8D), U'\u008D');
    EXPECT_EQ(Platform::Cp1252ToCodePoint(0xE9), U'\u00E9');
}

} // namespace
