// Names on their way to the page: widened from the game's code page, and
// escaped so that no name is ever markup or breaks out of a JSON string.

#include "server/WebText.h"
#include "server/RateLimiter.h"

#include <gtest/gtest.h>

namespace {

using namespace ScoreServer;

struct TTextCase {
    std::string In;
    std::string Html;
    std::string Json;
};

std::ostream& operator<<(std::ostream& out, const TTextCase& c)
{
    return out << ::testing::PrintToString(c.In);
}

class Escaping : public ::testing::TestWithParam<TTextCase> {};

TEST_P(Escaping, HtmlAndJson)
{
    EXPECT_EQ(HtmlEscape(GetParam().In), GetParam().Html);
    EXPECT_EQ(JsonString(GetParam().In), GetParam().Json);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Escaping,
    ::testing::Values(
        TTextCase{"plain", "plain", "\"plain\""},
        TTextCase{"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;",
                  "\"\\u003cscript\\u003ealert(1)\\u003c/script\\u003e\""},
        TTextCase{"\"><img src=x onerror=alert(1)>", "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;",
                  "\"\\\"\\u003e\\u003cimg src=x onerror=alert(1)\\u003e\""},
        TTextCase{"a&b'c\\d", "a&amp;b&#39;c\\d", "\"a\\u0026b'c\\\\d\""},
        TTextCase{"Zo\xc3\xab \xe2\x82\xac", "Zo\xc3\xab \xe2\x82\xac", "\"Zo\xc3\xab \xe2\x82\xac\""},
        // Controls, DEL and C1 are not shown as such; JSON keeps them escaped.
        TTextCase{"a\x01"
                  "b\x7f"
                  "c\xc2\x81",
                  "a\xef\xbf\xbd"
                  "b\xef\xbf\xbd"
                  "c\xef\xbf\xbd",
                  "\"a\\u0001b\\u007fc\\u0081\""},
        // Malformed UTF-8 (stray continuation, truncated, overlong, surrogate) becomes U+FFFD.
        TTextCase{"\x80", "\xef\xbf\xbd", "\"\xef\xbf\xbd\""},
        TTextCase{"\xc3", "\xef\xbf\xbd", "\"\xef\xbf\xbd\""},
        TTextCase{"\xc0\xbc", "\xef\xbf\xbd\xef\xbf\xbd", "\"\xef\xbf\xbd\xef\xbf\xbd\""},
        TTextCase{"\xed\xa0\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd",
                  "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},
        TTextCase{"\xe2\x80\xa8", "\xe2\x80\xa8", "\"\\u2028\""}));

TEST(Cp1252ToUtf8, EveryByteTheGameCanSend)
{
    EXPECT_EQ(Cp1252ToUtf8("Anonymous"), "Anonymous");
    EXPECT_EQ(Cp1252ToUtf8("\xe9\xc6\xf8\xff"), "\xc3\xa9\xc3\x86\xc3\xb8\xc3\xbf");
    EXPECT_EQ(Cp1252ToUtf8("\x80\x9f\x8a"), "\xe2\x82\xac\xc5\xb8\xc5\xa0");
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xc2\x81") << "undefined bytes keep their C1 control";
    for (int b = 32; b < 256; ++b) {
        const std::string out = Cp1252ToUtf8(std::string(1, static_cast<char>(b)));
        EXPECT_EQ(HtmlEscape(out).find('<'), std::string::npos);
        EXPECT_FALSE(out.empty());
    }
}

TEST(FormatDate, UtcDays)
{
    EXPECT_EQ(FormatDate(0), "1970-01-01");
    EXPECT_EQ(FormatDate(1733788799), "2024-12-09");
    EXPECT_EQ(FormatDate(1733788800), "2024-12-10");
}

TEST(RateLimiter, CountsIpv6ByItsNetworkAndStaysBounded)
{
    EXPECT_EQ(TRateLimiter::KeyOf("192.0.2.1"), "192.0.2.1");
    EXPECT_EQ(TRateLimiter::KeyOf("2001:db8:1:2:aaaa::1"), "2001:db8:1:2::/64");
    EXPECT_EQ(TRateLimiter::KeyOf("2001:db8:1:2:bbbb::9"), "2001:db8:1:2::/64");
    double now = 0;
    TRateLimiter limiter(
        2, [&] { return now; }, 100);
    int wait = 0;
    EXPECT_TRUE(limiter.Allow("2001:db8:1:2::1", wait));
    EXPECT_TRUE(limiter.Allow("2001:db8:1:2::2", wait));
    EXPECT_FALSE(limiter.Allow("2001:db8:1:2::3", wait)) << "one /64, one allowance";
    EXPECT_EQ(wait, 30);
    EXPECT_TRUE(limiter.Allow("2001:db8:1:3::1", wait));
    // Thousands of addresses never grow the table past its bound.
    for (int i = 0; i < 5000; ++i)
        limiter.Allow("10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256), wait);
    EXPECT_LE(limiter.TrackedAddresses(), 100u);
    TRateLimiter off(0);
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(off.Allow("x", wait));
}

} // namespace
