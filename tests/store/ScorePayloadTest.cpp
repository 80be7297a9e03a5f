// Reading a submitted result back: every payload the game's own encoder makes
// reads back to its fields, and every near miss is refused with its reason.

#include "store/ScorePayload.h"
#include "store/ScoreSubmit.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(ScoreSymbols, DecodeIsTheInverseOfTheGamesEncoding)
{
    std::string bytes;
    ASSERT_EQ(DecodeScoreSymbols("NFTGGNBS", bytes), kPayloadOk);
    EXPECT_EQ(bytes, "abc00");
    std::mt19937 random(11);
    for (int run = 0; run < 300; ++run) {
        std::string payload(5 * (run % 30), '\0');
        for (char& c : payload)
            c = static_cast<char>(random());
        ASSERT_EQ(DecodeScoreSymbols(EncodeScorePayload(payload), bytes),
                  payload.empty() ? kPayloadEmpty : kPayloadOk);
        ASSERT_EQ(bytes, payload);
    }
}

struct TSymbolCase {
    std::string Symbols;
    TPayloadError Error;
};

std::ostream& operator<<(std::ostream& out, const TSymbolCase& c)
{
    return out << ::testing::PrintToString(c.Symbols.substr(0, 40));
}

class BadSymbols : public ::testing::TestWithParam<TSymbolCase> {};

TEST_P(BadSymbols, AreRefusedWithTheirReason)
{
    std::string bytes = "left over";
    EXPECT_EQ(DecodeScoreSymbols(GetParam().Symbols, bytes), GetParam().Error);
    EXPECT_EQ(bytes.empty(), GetParam().Error != kPayloadOk);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadSymbols,
    ::testing::Values(TSymbolCase{"", kPayloadEmpty},
                      // I, O, Z, 0 are left out of the table: they read like 1, 0, 2, O
                      TSymbolCase{"NFTGGNBI", kPayloadBadSymbol}, TSymbolCase{"NFTGGNBO", kPayloadBadSymbol},
                      TSymbolCase{"NFTGGNB0", kPayloadBadSymbol}, TSymbolCase{"nftggnbs", kPayloadBadSymbol},
                      TSymbolCase{"NFTGGNB%", kPayloadBadSymbol}, TSymbolCase{"NFTGGNB", kPayloadBadLength},
                      TSymbolCase{"NFTGGNBSA", kPayloadBadLength},
                      TSymbolCase{std::string(kMaxPayloadSymbols, 'A'), kPayloadOk},
                      TSymbolCase{std::string(kMaxPayloadSymbols + 8, 'A'), kPayloadTooLong}));

// Results as the game sends them read back field for field, however odd the name.
TEST(ScorePayload, EveryResultTheGameSendsReadsBack)
{
    const std::string allBytes = [] {
        std::string s;
        for (int c = 200; c < 256; ++c)
            s += static_cast<char>(c);
        return s;
    }();
    struct TCase {
        std::int32_t Type;
        std::string Name;
        std::int32_t Score;
    } cases[] = {
        {0, "Anonymous", 1200},
        {3, "", 1},
        {1, "Zo\xe9 \x80\x9f", 2147483647},
        {2, "<script>alert(1)</script>", 40},
        {0, "\"><img src=x onerror=alert(1)>'&", 99},
        {1, "a|score=5|key=X|p=1|z=", 7}, // the tail's own text inside the name
        {2, "|name=|type=9|z=0000", 123},
        {3, "0000", 10000},
        {0, std::string(59, '9'), 5},
        {0, allBytes.substr(0, 59), 8},
        {-1, "unknown type is the server's to judge", 3},
    };
    for (const TCase& c : cases) {
        const std::string request = BuildScoreRequest(c.Type, c.Name.c_str(), c.Score, "h");
        const std::size_t at = request.find("inf=") + 4;
        const std::string symbols = request.substr(at, request.find(' ', at) - at);
        TScorePayload read;
        ASSERT_EQ(ReadScoreSymbols(symbols, read), kPayloadOk) << ::testing::PrintToString(c.Name);
        EXPECT_EQ(read.OnlineType, c.Type);
        EXPECT_EQ(read.Name, c.Name);
        EXPECT_EQ(read.Score, c.Score);
    }
}

struct TPayloadCase {
    std::string Payload; // padded by the test when Pad is set
    bool Pad;
    TPayloadError Error;
};

std::ostream& operator<<(std::ostream& out, const TPayloadCase& c)
{
    return out << ::testing::PrintToString(c.Payload);
}

class BadPayloads : public ::testing::TestWithParam<TPayloadCase> {};

TEST_P(BadPayloads, AreRefusedWithTheirReason)
{
    std::string payload = GetParam().Payload;
    while (GetParam().Pad && payload.size() % 5 != 0)
        payload += '0';
    TScorePayload read;
    read.Name = "untouched";
    EXPECT_EQ(ParseScorePayload(payload, read), GetParam().Error);
    if (GetParam().Error != kPayloadOk)
        EXPECT_EQ(read.Name, "untouched") << "a refused payload leaves the result as it was";
    else
        EXPECT_EQ(read.Name, "Ann");
    // Sent as symbols, the same fault gives the same reason.
    if (payload.size() % 5 == 0 && !payload.empty()) {
        EXPECT_EQ(ReadScoreSymbols(EncodeScorePayload(payload), read), GetParam().Error);
    }
}

const char kTail[] = "|key=X|p=1|z=";

INSTANTIATE_TEST_SUITE_P(
    Table, BadPayloads,
    ::testing::Values(
        TPayloadCase{std::string("type=0|name=Ann|score=5") + kTail, true, kPayloadOk},
        TPayloadCase{std::string("type=0|name=Ann|score=5") + kTail + "00000", false, kPayloadBadPadding},
        TPayloadCase{std::string("type=0|name=Ann|score=51") + kTail + "0", false, kPayloadBadPadding},
        TPayloadCase{std::string("type=0|name=Ann|score=5") + kTail + "0x", false, kPayloadBadLayout},
        TPayloadCase{std::string("type=0|name=Ann|score=5") + "|key=Y|p=1|z=", true, kPayloadBadLayout},
        TPayloadCase{std::string("type=0|name=Ann|score=5") + "|key=X|p=2|z=", true, kPayloadBadLayout},
        TPayloadCase{std::string("type=0|nom=Ann|score=5") + kTail, true, kPayloadBadLayout},
        TPayloadCase{std::string("typ=0|name=Ann|score=5") + kTail, true, kPayloadBadLayout},
        TPayloadCase{std::string("type=0|name=Ann|points=5") + kTail, true, kPayloadBadLayout},
        TPayloadCase{std::string("type=0|score=5") + kTail, true, kPayloadBadLayout},
        TPayloadCase{"type=0|name=Ann|score=5", true, kPayloadBadLayout},
        TPayloadCase{std::string("type=00|name=Ann|score=5") + kTail, true, kPayloadBadNumber},
        TPayloadCase{std::string("type=+1|name=Ann|score=5") + kTail, true, kPayloadBadNumber},
        TPayloadCase{std::string("type=|name=Ann|score=5") + kTail, true, kPayloadBadNumber},
        TPayloadCase{std::string("type=0|name=Ann|score=05") + kTail, true, kPayloadBadNumber},
        TPayloadCase{std::string("type=0|name=Ann|score=2147483648") + kTail, true, kPayloadBadNumber},
        TPayloadCase{std::string("type=0|name=Ann|score= 5") + kTail, true, kPayloadBadNumber},
        TPayloadCase{std::string("type=0|name=Ann|score=-0") + kTail, true, kPayloadBadNumber},
        TPayloadCase{std::string("type=0|name=Ann|score=0") + kTail, true, kPayloadScoreOutOfRange},
        TPayloadCase{std::string("type=0|name=Ann|score=-5") + kTail, true, kPayloadScoreOutOfRange},
        TPayloadCase{std::string("type=0|name=A\tn|score=5") + kTail, true, kPayloadBadNameByte},
        TPayloadCase{std::string("type=0|name=A\nHOST: x|score=5") + kTail, true, kPayloadBadNameByte},
        TPayloadCase{std::string("type=0|name=A") + std::string(1, '\0') + "|score=5" + kTail, true,
                     kPayloadBadNameByte},
        TPayloadCase{"type=0|name=" + std::string(60, 'n') + "|score=5" + kTail, true, kPayloadNameTooLong}));

} // namespace
