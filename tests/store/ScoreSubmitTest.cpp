// The score submission: payload, encoding, request bytes, and the exchange
// against real servers on the loopback address started by the tests.

#include "store/ScoreSubmit.h"

#include "platform/SettingsStore.h"
#include "store/Registry.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// ---------------------------------------------------------------- encoding

struct TEncodeCase {
    std::string Payload;
    std::string Symbols;
};

std::ostream& operator<<(std::ostream& out, const TEncodeCase& c)
{
    return out << ::testing::PrintToString(c.Payload);
}

class ScoreEncoding : public ::testing::TestWithParam<TEncodeCase> {};

TEST_P(ScoreEncoding, GivesTheSymbols)
{
    EXPECT_EQ(EncodeScorePayload(GetParam().Payload), GetParam().Symbols);
}

INSTANTIATE_TEST_SUITE_P(Table, ScoreEncoding,
                         ::testing::Values(TEncodeCase{"abc00", "NFTGGNBS"}, TEncodeCase{"", ""},
                                           TEncodeCase{std::string(5, '\0'), "AAAAAAAA"},
                                           TEncodeCase{std::string(5, '\xff'), "99999999"},
                                           TEncodeCase{std::string("\x80\0\0\0\x01", 5), "SAAAAAAB"},
                                           TEncodeCase{"\x08\x42\x10\x84\x21", "BBBBBBBB"}));

TEST(ScoreEncoding, StepsEachReplaceTheText)
{
    std::string s("\x01\x80\xf0\x35", 4);
    ReverseBitsInPlace(s);
    EXPECT_EQ(s, std::string("\x80\x01\x0f\xac", 4));
    std::string bits("\x01\xa0", 2);
    ToBitText(bits);
    EXPECT_EQ(bits, "1000000000000101");
    std::string groups = "00000"
                         "11111"
                         "10000"
                         "01";
    BitTextToSymbols(groups);
    EXPECT_EQ(groups, "A9S");
}

// The encoding read the plain way: bits most significant first, five at a time.
std::string ReferenceBase32(const std::string& bytes)
{
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (unsigned char c : bytes) {
        buffer = (buffer << 8) | c;
        bits += 8;
        while (bits >= 5) {
            out += kScoreSymbols[(buffer >> (bits - 5)) & 31];
            bits -= 5;
        }
    }
    return out;
}

TEST(ScoreEncoding, MatchesPlainBase32OnRandomPayloads)
{
    std::mt19937 random(7);
    for (int run = 0; run < 200; ++run) {
        std::string payload(5 * (run % 13), '\0');
        for (char& c : payload)
            c = static_cast<char>(random());
        ASSERT_EQ(EncodeScorePayload(payload), ReferenceBase32(payload)) << ::testing::PrintToString(payload);
    }
}

TEST(ScorePayload, AnonymousNeedsNoPaddingAndGives72Symbols)
{
    std::string payload = BuildScorePayload(0, "Anonymous", 1200);
    EXPECT_EQ(payload, "type=0|name=Anonymous|score=1200|key=X|p=1|z=");
    EXPECT_EQ(payload.size(), 45u);
    EXPECT_EQ(EncodeScorePayload(payload).size(), 72u);
}

TEST(ScorePayload, PadsWithZerosToAMultipleOfFive)
{
    // One more letter makes 46 bytes: four zeros follow.
    std::string payload = BuildScorePayload(0, "Anonymous1", 1200);
    EXPECT_EQ(payload, "type=0|name=Anonymous1|score=1200|key=X|p=1|z=0000");
    for (int extra = 0; extra < 10; ++extra) {
        std::string p = BuildScorePayload(3, std::string(extra, 'n').c_str(), -7);
        EXPECT_EQ(p.size() % 5, 0u) << p;
        std::string tail = p.substr(p.find("|z=") + 3);
        EXPECT_LT(tail.size(), 5u) << p;
        EXPECT_EQ(tail, std::string(tail.size(), '0')) << p;
    }
    EXPECT_EQ(BuildScorePayload(1, nullptr, 0), "type=1|name=|score=0|key=X|p=1|z=00");
}

TEST(ScorePayload, NameGoesInUnescaped)
{
    std::string name;
    for (int c = 32; c < 256; ++c)
        name += static_cast<char>(c);
    std::string payload = BuildScorePayload(2, name.c_str(), 5);
    EXPECT_EQ(payload.substr(12, name.size()), name);
}

TEST(ScoreRequest, IsByteForByte)
{
    EXPECT_EQ(BuildScoreRequest(0, "Anonymous", 1200, "scores.test"),
              "GET /cgi/version.pl?hs&prg=Tumbltwn&inf=" +
                  EncodeScorePayload("type=0|name=Anonymous|score=1200|key=X|p=1|z=") +
                  " HTTP/1.1\nHOST: scores.test\n\n");
    EXPECT_EQ(BuildScoreRequest(0, "abc", 0, "h").find("\r"), std::string::npos);
}

// ---------------------------------------------------------------- servers

enum class TBehaviour {
    ReplyAndClose, // reads the request to its end, sends Reply, closes
    NeverAnswer,   // reads the request, then neither sends nor closes
    NeverClose,    // reads the request, sends Reply, then holds the line
    Trickle,       // sends a byte every 20 ms for as long as it is read
    Flood,         // sends as fast as it can for as long as it is read
    CloseAtOnce,   // closes as soon as it accepts, without reading
};

// A one-connection server on 127.0.0.1 that behaves as told. Whatever it
// does, it gives up by itself after a few seconds.
class TLoopbackServer {
public:
    explicit TLoopbackServer(TBehaviour behaviour, std::string reply = {}, std::uint16_t port = 0)
        : Behaviour(behaviour), Reply(std::move(reply))
    {
        Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int yes = 1;
        ::setsockopt(Listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        if (::bind(Listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(Listener, 4) != 0) {
            ::close(Listener);
            Listener = -1;
            return;
        }
        socklen_t length = sizeof a;
        ::getsockname(Listener, reinterpret_cast<sockaddr*>(&a), &length);
        Port = ntohs(a.sin_port);
        Thread = std::thread([this] { Serve(); });
    }
    ~TLoopbackServer()
    {
        Stop = true;
        if (Thread.joinable())
            Thread.join();
        if (Listener >= 0)
            ::close(Listener);
    }

    bool Ok() const { return Listener >= 0; }
    std::uint16_t Port = 0;
    // The request as received, once the server is done with it.
    std::string Received() const
    {
        std::lock_guard<std::mutex> hold(Mutex);
        return Request;
    }

private:
    bool WaitFor(int fd, short events, int ms)
    {
        pollfd p{fd, events, 0};
        return ::poll(&p, 1, ms) > 0;
    }

    void Serve()
    {
        auto giveUp = Clock::now() + std::chrono::seconds(8);
        int fd = -1;
        while (fd < 0 && !Stop && Clock::now() < giveUp)
            if (WaitFor(Listener, POLLIN, 50))
                fd = ::accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        if (Behaviour == TBehaviour::CloseAtOnce) {
            ::close(fd);
            return;
        }
        // The client shuts its side down after the request: read to that end.
        char buffer[4096];
        while (!Stop && Clock::now() < giveUp) {
            if (!WaitFor(fd, POLLIN, 50))
                continue;
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            std::lock_guard<std::mutex> hold(Mutex);
            Request.append(buffer, static_cast<std::size_t>(n));
        }
        if (Behaviour == TBehaviour::ReplyAndClose || Behaviour == TBehaviour::NeverClose)
            ::send(fd, Reply.data(), Reply.size(), MSG_NOSIGNAL);
        if (Behaviour == TBehaviour::Trickle || Behaviour == TBehaviour::Flood) {
            std::string chunk(Behaviour == TBehaviour::Flood ? 65536 : 1, 'x');
            while (!Stop && Clock::now() < giveUp) {
                if (WaitFor(fd, POLLOUT, 50) && ::send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0)
                    break;
                if (Behaviour == TBehaviour::Trickle)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        if (Behaviour != TBehaviour::ReplyAndClose) {
            // Hold the line until the test is over.
            while (!Stop && Clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::close(fd);
    }

    TBehaviour Behaviour;
    std::string Reply;
    int Listener = -1;
    std::thread Thread;
    std::atomic<bool> Stop{false};
    mutable std::mutex Mutex;
    std::string Request;
};

// Short limits so that the tests of a silent server stay short.
TExchangeLimits ShortLimits()
{
    TExchangeLimits limits;
    limits.StepMs = 300;
    limits.TotalMs = 1000;
    return limits;
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(ExchangeHttp, TheRequestArrivesWholeAndTheReplyIsReadToItsEnd)
{
    std::string reply = "HTTP/1.1 200 OK\n\n";
    for (int i = 0; i < 300; ++i)
        reply += "line " + std::to_string(i) + "\n"; // several 256-byte pieces
    TLoopbackServer server(TBehaviour::ReplyAndClose, reply);
    ASSERT_TRUE(server.Ok());
    std::string request = BuildScoreRequest(1, "Tester", 4321, "localhost");
    EXPECT_EQ(ExchangeHttp(server.Port, "localhost", request.data(), request.size()), reply);
    EXPECT_EQ(server.Received(), request);
}

TEST(ExchangeHttp, ServerThatNeverAnswersEndsAtTheTimeLimit)
{
    TLoopbackServer server(TBehaviour::NeverAnswer);
    ASSERT_TRUE(server.Ok());
    auto start = Clock::now();
    EXPECT_EQ(ExchangeHttp(server.Port, "127.0.0.1", "GET / HTTP/1.1\n\n", 16, ShortLimits()), "");
    EXPECT_LT(SecondsSince(start), 3.0);
    EXPECT_EQ(server.Received(), "GET / HTTP/1.1\n\n");
}

TEST(ExchangeHttp, ServerThatNeverClosesEndsAtTheTimeLimitWithWhatItSent)
{
    TLoopbackServer server(TBehaviour::NeverClose, "HTTP/1.1 200 OK\n");
    ASSERT_TRUE(server.Ok());
    auto start = Clock::now();
    EXPECT_EQ(ExchangeHttp(server.Port, "127.0.0.1", "x", 1, ShortLimits()), "HTTP/1.1 200 OK\n");
    EXPECT_LT(SecondsSince(start), 3.0);
}

TEST(ExchangeHttp, ServerThatKeepsTricklingIsCutAtTheWholeExchangeLimit)
{
    // Every wait is far shorter than the step limit, yet the whole ends.
    TLoopbackServer server(TBehaviour::Trickle);
    ASSERT_TRUE(server.Ok());
    auto start = Clock::now();
    std::string reply = ExchangeHttp(server.Port, "127.0.0.1", "x", 1, ShortLimits());
    EXPECT_LT(SecondsSince(start), 3.0);
    EXPECT_FALSE(reply.empty());
}

TEST(ExchangeHttp, ReplyMemoryStaysBoundedWhateverTheServerSends)
{
    TLoopbackServer server(TBehaviour::Flood);
    ASSERT_TRUE(server.Ok());
    TExchangeLimits limits = ShortLimits();
    limits.MaxReply = 5000;
    std::string reply = ExchangeHttp(server.Port, "127.0.0.1", "x", 1, limits);
    EXPECT_EQ(reply.size(), 5000u);
}

TEST(ExchangeHttp, ServerThatHangsUpAtOnceCostsNoSignal)
{
    // A large request into a closed connection: sending fails, quietly.
    TLoopbackServer server(TBehaviour::CloseAtOnce);
    ASSERT_TRUE(server.Ok());
    std::string request(4 << 20, 'r');
    EXPECT_EQ(ExchangeHttp(server.Port, "127.0.0.1", request.data(), request.size(), ShortLimits()), "");
}

TEST(ExchangeHttp, RefusedConnectionAndUnknownHostReturnEmptyAtOnce)
{
    std::uint16_t closedPort = 0;
    {
        TLoopbackServer probe(TBehaviour::CloseAtOnce);
        ASSERT_TRUE(probe.Ok());
        closedPort = probe.Port;
    }
    auto start = Clock::now();
    EXPECT_EQ(ExchangeHttp(closedPort, "127.0.0.1", "x", 1), "");
    EXPECT_EQ(ExchangeHttp(80, "nosuchhost.invalid", "x", 1), "");
    EXPECT_EQ(ExchangeHttp(80, "", "x", 1), "");
    // Both well inside the first step's own limit of 3 s.
    EXPECT_LT(SecondsSince(start), 2.0);
}

// ---------------------------------------------------------------- host name

class ScoreServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv(kScoreServerVariable);
        HadOld = old != nullptr;
        Old = HadOld ? old : "";
        ::unsetenv(kScoreServerVariable);
        Platform::SetUserSettings(&Store);
    }
    void TearDown() override
    {
        SetHttpExchange(nullptr);
        Platform::SetUserSettings(nullptr);
        if (HadOld)
            ::setenv(kScoreServerVariable, Old.c_str(), 1);
        else
            ::unsetenv(kScoreServerVariable);
    }
    void StoreHost(const std::string& host)
    {
        Store.Content.SetValue("HKEY_CURRENT_USER\\Software\\Kestrovan\\Grand Fourfall\\Options",
                               "ScoreServer", REG_SZ, host + '\0');
    }

    Platform::TMemorySettingsStore Store;
    bool HadOld = false;
    std::string Old;
};

TEST_F(ScoreServer, LocalhostUnlessThePlayerSaysOtherwise)
{
    EXPECT_EQ(ScoreServerAddress(), "localhost");
    StoreHost("scores.example.org");
    EXPECT_EQ(ScoreServerAddress(), "scores.example.org");
    ::setenv(kScoreServerVariable, "10.0.0.1", 1);
    EXPECT_EQ(ScoreServerAddress(), "10.0.0.1") << "the environment comes first";
    EXPECT_EQ(Store.Saves, 0) << "looking the name up writes nothing";
}

TEST_F(ScoreServer, NamesThatWouldBreakTheRequestArePassedOver)
{
    StoreHost("ok.example");
    for (const char* bad : {"", "evil\nX-Injected: 1", "a b", "host:", "host:0", "host:080", "host:65536",
                            "host:8o", "host:80:80", ":8080", "[::1]:80", "\xe9t\xe9"}) {
        ::setenv(kScoreServerVariable, bad, 1);
        EXPECT_EQ(ScoreServerAddress(), "ok.example") << ::testing::PrintToString(bad);
    }
    ::unsetenv(kScoreServerVariable);
    StoreHost("bad host");
    EXPECT_EQ(ScoreServerAddress(), "localhost");
    StoreHost(std::string(254, 'a'));
    EXPECT_EQ(ScoreServerAddress(), "localhost");
    StoreHost(std::string(253, 'a'));
    EXPECT_EQ(ScoreServerAddress(), std::string(253, 'a'));
}

TEST_F(ScoreServer, APortMayFollowTheHost)
{
    StoreHost("scores.example.org:8080");
    EXPECT_EQ(ScoreServerAddress(), "scores.example.org:8080");
    ::setenv(kScoreServerVariable, "localhost:65535", 1);
    EXPECT_EQ(ScoreServerAddress(), "localhost:65535");
    std::string host;
    std::uint16_t port = 0;
    ASSERT_TRUE(SplitScoreServer("localhost:1", host, port));
    EXPECT_EQ(host, "localhost");
    EXPECT_EQ(port, 1);
    ASSERT_TRUE(SplitScoreServer("scores.example.org", host, port));
    EXPECT_EQ(host, "scores.example.org");
    EXPECT_EQ(port, 80) << "no port: port 80 as ever";
}

TEST_F(ScoreServer, SendScoreGoesToTheGivenPortWithTheHostAloneInTheRequest)
{
    ::setenv(kScoreServerVariable, "scores.example.org:8080", 1);
    std::vector<std::tuple<std::uint16_t, std::string, std::string>> calls;
    SetHttpExchange([&](std::uint16_t port, const std::string& host, const std::string& request) {
        calls.emplace_back(port, host, request);
        return std::string();
    });
    SendScore(1, "Ann", 5);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(std::get<0>(calls[0]), 8080);
    EXPECT_EQ(std::get<1>(calls[0]), "scores.example.org");
    EXPECT_EQ(std::get<2>(calls[0]), BuildScoreRequest(1, "Ann", 5, "scores.example.org"));
}

TEST_F(ScoreServer, SendScoreGoesThroughTheExchangeATestPutsInPlace)
{
    StoreHost("scores.example.org");
    std::vector<std::tuple<std::uint16_t, std::string, std::string>> calls;
    SetHttpExchange([&](std::uint16_t port, const std::string& host, const std::string& request) {
        calls.emplace_back(port, host, request);
        return std::string("ignored");
    });
    SendScore(3, "Zo\xe9", 77);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(std::get<0>(calls[0]), 80);
    EXPECT_EQ(std::get<1>(calls[0]), "scores.example.org");
    EXPECT_EQ(std::get<2>(calls[0]), BuildScoreRequest(3, "Zo\xe9", 77, "scores.example.org"));
}

TEST_F(ScoreServer, SendScoreSendsTheRequestToPort80OfTheServer)
{
    TLoopbackServer server(TBehaviour::ReplyAndClose, "HTTP/1.1 200 OK\n\nthanks", 80);
    if (!server.Ok())
        GTEST_SKIP() << "port 80 of the loopback address cannot be had here";
    ::setenv(kScoreServerVariable, "localhost", 1);
    SendScore(0, "Anonymous", 1200);
    EXPECT_EQ(server.Received(), "GET /cgi/version.pl?hs&prg=Tumbltwn&inf=" +
                                     EncodeScorePayload("type=0|name=Anonymous|score=1200|key=X|p=1|z=") +
                                     " HTTP/1.1\nHOST: localhost\n\n");
}

} // namespace
