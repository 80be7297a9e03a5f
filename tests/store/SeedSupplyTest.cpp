// Seeds dealt by the world server: the reply and its token read strictly (a
// hostile or broken server deals nothing), and the supply that asks ahead,
// hands each seed out once and for its own type, asks only a server the
// player named, and never waits for one that does not answer.

#include "store/SeedSupply.h"

#include "platform/SettingsStore.h"
#include "store/Registry.h"
#include "store/ScoreSubmit.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <ostream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kGoodToken = "1.3.4000000123.1765400000.a1b2c3d4.SGVsbG8td29ybGQ";

std::string Reply(const std::string& body, const std::string& status = "200 OK")
{
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
           body;
}

struct TReplyCase {
    const char* What;
    std::string Reply;
    int32_t Type;
    bool Good;
    uint32_t Seed;
};

std::ostream& operator<<(std::ostream& out, const TReplyCase& c)
{
    return out << c.What;
}

class SeedReply : public ::testing::TestWithParam<TReplyCase> {};

TEST_P(SeedReply, OnlyAWellFormedTokenOfTheTypeAskedDealsASeed)
{
    const TReplyCase& c = GetParam();
    TDealtSeed dealt;
    ASSERT_EQ(ParseSeedReply(c.Reply, c.Type, dealt), c.Good);
    if (c.Good) {
        EXPECT_EQ(dealt.Seed, c.Seed);
        EXPECT_EQ(dealt.OnlineType, c.Type);
        EXPECT_EQ(dealt.Token + "\n", c.Reply.substr(c.Reply.find("\r\n\r\n") + 4));
    }
}

const std::string kLongSignature(200 - std::string("1.3.7.1765400000.n.").size(), 's');

INSTANTIATE_TEST_SUITE_P(
    Cases, SeedReply,
    ::testing::Values(
        TReplyCase{"a good token", Reply(std::string(kGoodToken) + "\n"), 3, true, 4000000123u},
        TReplyCase{"seed 0", Reply("1.0.0.1.2.3\n"), 0, true, 0},
        TReplyCase{"the largest seed", Reply("1.8.4294967295.1.2.3\n"), 8, true, 4294967295u},
        TReplyCase{"200 bytes", Reply("1.3.7.1765400000.n." + kLongSignature + "\n"), 3, true, 7},
        TReplyCase{"201 bytes", Reply("1.3.7.1765400000.n." + kLongSignature + "s\n"), 3, false, 0},
        TReplyCase{"another type", Reply(std::string(kGoodToken) + "\n"), 4, false, 0},
        TReplyCase{"a type beyond the nine", Reply("1.9.5.1.2.3\n"), 9, false, 0},
        TReplyCase{"a type written with a zero", Reply("1.03.5.1.2.3\n"), 3, false, 0},
        TReplyCase{"another version", Reply("2.3.5.1.2.3\n"), 3, false, 0},
        TReplyCase{"a seed beyond 32 bits", Reply("1.3.4294967296.1.2.3\n"), 3, false, 0},
        TReplyCase{"a seed of eleven digits", Reply("1.3.00000000005.1.2.3\n"), 3, false, 0},
        TReplyCase{"a seed with a leading zero", Reply("1.3.05.1.2.3\n"), 3, false, 0},
        TReplyCase{"a signed seed", Reply("1.3.-5.1.2.3\n"), 3, false, 0},
        TReplyCase{"a seed that is no number", Reply("1.3.x.1.2.3\n"), 3, false, 0},
        TReplyCase{"five fields", Reply("1.3.5.1.2\n"), 3, false, 0},
        TReplyCase{"seven fields", Reply("1.3.5.1.2.3.4\n"), 3, false, 0},
        TReplyCase{"an empty field", Reply("1.3.5..2.3\n"), 3, false, 0},
        TReplyCase{"a space", Reply("1.3.5.1.2 .3\n"), 3, false, 0},
        TReplyCase{"a control byte", Reply("1.3.5.1.2.\x01\n"), 3, false, 0},
        TReplyCase{"a byte above ASCII", Reply("1.3.5.1.2.\xC3\xA9\n"), 3, false, 0},
        TReplyCase{"no line end", Reply("1.3.5.1.2.3"), 3, false, 0},
        TReplyCase{"a second line", Reply("1.3.5.1.2.3\n1.3.6.1.2.3\n"), 3, false, 0},
        TReplyCase{"an empty body", Reply(""), 3, false, 0},
        TReplyCase{"status 429", Reply("1.3.5.1.2.3\n", "429 Too Many Requests"), 3, false, 0},
        TReplyCase{"status 404", Reply("1.3.5.1.2.3\n", "404 Not Found"), 3, false, 0},
        TReplyCase{"no head end", "HTTP/1.1 200 OK\r\n1.3.5.1.2.3\n", 3, false, 0},
        TReplyCase{"no status line", "1.3.5.1.2.3\n", 3, false, 0}, TReplyCase{"no reply", "", 3, false, 0},
        TReplyCase{"an oversize reply", Reply("1.3.5.1.2.3\n") + std::string(kMaxSeedReply, ' '), 3, false,
                   0},
        TReplyCase{"headers filling the bound",
                   "HTTP/1.1 200 OK\r\nX: " + std::string(kMaxSeedReply, 'x') + "\r\n\r\n1.3.5.1.2.3\n", 3,
                   false, 0}));

// Every cut of a good reply deals nothing: a server gone mid-answer.
TEST(SeedReplyCut, EveryCutOfAGoodReplyDealsNothing)
{
    const std::string whole = Reply(std::string(kGoodToken) + "\n");
    for (std::size_t n = 0; n < whole.size(); ++n) {
        TDealtSeed dealt;
        EXPECT_FALSE(ParseSeedReply(whole.substr(0, n), 3, dealt)) << n << " bytes";
    }
}

class SeedSupply : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv(kScoreServerVariable);
        Platform::SetUserSettings(&Store);
        SetHttpExchange([this](std::uint16_t port, const std::string& host, const std::string& request) {
            std::lock_guard<std::mutex> hold(Lock);
            Requests.push_back(host + ":" + std::to_string(port) + " " + request);
            const std::size_t at = request.find("type=");
            const int type = at == std::string::npos ? -1 : std::atoi(request.c_str() + at + 5);
            if (Silent)
                return std::string();
            if (!Replies.empty()) {
                std::string reply = Replies.front();
                Replies.pop_front();
                return reply;
            }
            // An honest server: a new seed for every request.
            ++Dealt;
            return Reply("1." + std::to_string(type) + "." + std::to_string(1000 + Dealt) + ".1765400000.n" +
                         std::to_string(Dealt) + ".sig\n");
        });
    }
    void TearDown() override
    {
        SetHttpExchange(nullptr);
        Platform::SetUserSettings(nullptr);
        ::unsetenv(kScoreServerVariable);
    }
    std::vector<std::string> Sent()
    {
        std::lock_guard<std::mutex> hold(Lock);
        return Requests;
    }
    void Answer(const std::string& reply)
    {
        std::lock_guard<std::mutex> hold(Lock);
        Replies.push_back(reply);
    }

    Platform::TMemorySettingsStore Store;
    std::mutex Lock;
    std::vector<std::string> Requests;
    std::deque<std::string> Replies;
    bool Silent = false;
    int Dealt = 0;
    int64_t Now = 1765400000;
    TSeedSupply::TClock Clock = [this] { return Now; };
};

// The designed default host alone is no server the player chose: nothing is
// asked, and no game gets a seed.
TEST_F(SeedSupply, WithoutAServerNamedNothingIsAsked)
{
    TSeedSupply supply(Clock);
    supply.Want({0, 1, 8, 4});
    supply.WaitIdle();
    TDealtSeed dealt;
    EXPECT_FALSE(supply.Take(0, dealt));
    supply.WaitIdle();
    EXPECT_TRUE(Sent().empty());
}

TEST_F(SeedSupply, EachTypeIsAskedOnceAheadWithItsTypeAlone)
{
    ::setenv(kScoreServerVariable, "scores.test:8080", 1);
    TSeedSupply supply(Clock);
    supply.Want({0, 1, 8, 4});
    supply.Want({0, 1, 8, 4}); // the page shown again: in hand or asked already
    supply.WaitIdle();
    const std::vector<std::string> sent = Sent();
    ASSERT_EQ(sent.size(), 4u);
    const int32_t types[] = {0, 1, 8, 4};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(sent[i], "scores.test:8080 GET /api/v1/seed?type=" + std::to_string(types[i]) +
                               " HTTP/1.0\r\nHost: scores.test\r\n\r\n");
    for (int32_t type : types)
        EXPECT_TRUE(supply.Holds(type)) << type;
    EXPECT_FALSE(supply.Holds(2));
}

// The stored value names a server as the variable does.
TEST_F(SeedSupply, TheStoredServerIsAServerNamed)
{
    Store.Content.SetValue("HKEY_CURRENT_USER\\Software\\Kestrovan\\Grand Fourfall\\Options", "ScoreServer",
                           REG_SZ, std::string("stored.test") + '\0');
    TSeedSupply supply(Clock);
    supply.Want({5});
    supply.WaitIdle();
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0].rfind("stored.test:80 GET /api/v1/seed?type=5 ", 0), 0u) << Sent()[0];
}

TEST_F(SeedSupply, ASeedIsHandedOutOnceForItsTypeAndTheNextIsAskedFor)
{
    ::setenv(kScoreServerVariable, "scores.test", 1);
    TSeedSupply supply(Clock);
    supply.Want({2});
    supply.WaitIdle();
    TDealtSeed dealt;
    EXPECT_FALSE(supply.Take(3, dealt)) << "a seed of type 2 is no seed of type 3";
    ASSERT_TRUE(supply.Take(2, dealt));
    EXPECT_EQ(dealt.OnlineType, 2);
    EXPECT_EQ(dealt.Seed, 1001u);
    EXPECT_EQ(dealt.Token, "1.2.1001.1765400000.n1.sig");
    EXPECT_EQ(dealt.Server, "scores.test");
    // Single use: the same token is never handed out again; the next game
    // of the type gets the next one.
    supply.WaitIdle();
    TDealtSeed next;
    ASSERT_TRUE(supply.Take(2, next));
    EXPECT_NE(next.Token, dealt.Token);
    EXPECT_NE(next.Seed, dealt.Seed);
}

// A server that fails or answers with something else deals nothing, and the
// type is asked again the next time it is wanted (not at once, over and over).
TEST_F(SeedSupply, AFailedOrHostileAnswerDealsNothing)
{
    ::setenv(kScoreServerVariable, "scores.test", 1);
    TSeedSupply supply(Clock);
    const std::string answers[] = {
        "",
        Reply("1.2.5.1.2.3\n", "503 Service Unavailable"),
        Reply("1.3.5.1.2.3\n"), // another type
        Reply("1.2.5.1.2\n"),   // malformed
        Reply("1.2.5.1.2." + std::string(kMaxSeedReply, 's') + "\n"),
    };
    for (const std::string& answer : answers) {
        Answer(answer);
        supply.Want({2});
        supply.WaitIdle();
        EXPECT_FALSE(supply.Holds(2));
    }
    EXPECT_EQ(Sent().size(), std::size(answers));
    TDealtSeed dealt;
    EXPECT_FALSE(supply.Take(2, dealt));
}

TEST_F(SeedSupply, TheSeedsOfAServerNoLongerNamedAreDropped)
{
    ::setenv(kScoreServerVariable, "first.test", 1);
    TSeedSupply supply(Clock);
    supply.Want({1});
    supply.WaitIdle();
    ASSERT_TRUE(supply.Holds(1));
    ::setenv(kScoreServerVariable, "second.test", 1);
    supply.Want({1});
    supply.WaitIdle();
    TDealtSeed dealt;
    ASSERT_TRUE(supply.Take(1, dealt));
    EXPECT_EQ(dealt.Server, "second.test");
    EXPECT_EQ(dealt.Seed, 1002u);
}

TEST_F(SeedSupply, ASeedKeptTooLongIsNotUsed)
{
    ::setenv(kScoreServerVariable, "scores.test", 1);
    TSeedSupply supply(Clock);
    supply.Want({6});
    supply.WaitIdle();
    Now += kSeedKeepSeconds;
    TDealtSeed dealt;
    EXPECT_FALSE(supply.Take(6, dealt));
    supply.WaitIdle();
    ASSERT_TRUE(supply.Take(6, dealt)) << "a fresh one was asked for in its place";
    EXPECT_EQ(dealt.Seed, 1002u);
}

// A server that takes the connection and never answers: taking a seed does
// not wait for it, and closing the game ends the request at once (without
// the cancel this test would wait for the exchange's limits, ten minutes).
TEST_F(SeedSupply, ASilentServerHoldsNothingBack)
{
    SetHttpExchange(nullptr);
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener, 4), 0); // never accepted: the kernel takes the bytes
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length), 0);
    ::setenv(kScoreServerVariable, ("localhost:" + std::to_string(ntohs(a.sin_port))).c_str(), 1);
    TExchangeLimits patient;
    patient.StepMs = patient.TotalMs = 600000;
    {
        TSeedSupply supply(Clock, patient);
        supply.Want({0, 1, 8, 4});
        TDealtSeed dealt;
        EXPECT_FALSE(supply.Take(0, dealt));
        EXPECT_FALSE(supply.Holds(1));
    }
    ::close(listener);
}

} // namespace
