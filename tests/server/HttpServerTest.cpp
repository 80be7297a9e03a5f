// The server over real sockets on the loopback address: the exact bytes the
// game sends, and each defence of the abuse list, each beside a control run
// without that defence that shows the test would catch its absence.

#include "rules/GameTypes.h"
#include "server/RequestTarget.h"
#include "store/ScoreSubmit.h"
#include "tests/server/ReplayGames.h"
#include "tests/server/ServerFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <sched.h>
#include <thread>

namespace ServerTest {
namespace {

using Clock = std::chrono::steady_clock;
using ScoreServer::THttpLimits;

class GameBytes : public ::testing::TestWithParam<TBackend> {};

// The game's request builder and its exchange (bare line feeds, "HOST:" in
// capitals, the sending side shut after the request, read until the server
// closes) against the server: every type is kept, and the exchange ends as
// soon as the reply is out.
TEST_P(GameBytes, TheRealRequestIsAcceptedAndTheExchangeEndsAtOnce)
{
    TTestDatabase test(GetParam());
    auto db = test.Open();
    ASSERT_TRUE(db);
    TInProcessServer server(*db);
    ASSERT_TRUE(server.Started);
    const std::string request = BuildScoreRequest(0, "Anonymous", 1200, "localhost");
    ASSERT_EQ(request.find('\r'), std::string::npos);
    ASSERT_NE(request.find("\nHOST: localhost\n\n"), std::string::npos);
    for (std::int32_t type = 0; type < 4; ++type) {
        const auto start = Clock::now();
        TReply reply = SendAsTheGame(server.Port(), type, "Pl\xe4yer " + std::to_string(type), 1000 + type);
        EXPECT_LT(SecondsSince(start), 1.0) << "the game waits for the server to close";
        EXPECT_EQ(reply.Status, 200) << reply.Body;
        EXPECT_NE(reply.Headers.find("Connection: close"), std::string::npos);
        EXPECT_EQ(reply.Body.rfind("stored: ", 0), 0u) << reply.Body;
    }
    for (std::int32_t type = 0; type < 4; ++type) {
        std::vector<ScoreServer::TScoreRecord> best;
        ASSERT_EQ(db->Best(type, 10, best), ScoreServer::TDbStatus::Ok);
        ASSERT_EQ(best.size(), 1u);
        EXPECT_EQ(best[0].Name, "Pl\xc3\xa4yer " + std::to_string(type));
        EXPECT_EQ(best[0].Score, 1000 + type);
        EXPECT_EQ(best[0].ClientAddress, "127.0.0.1");
    }
    // The same bytes from a client that keeps its side open get the same.
    TRawClient open(server.Port());
    ASSERT_TRUE(open.Send(BuildScoreRequest(1, "Open", 7, "localhost")));
    EXPECT_EQ(ParseReply(open.ReadAll(3000)).Status, 200);
}

INSTANTIATE_TEST_SUITE_P(Both, GameBytes, ::testing::ValuesIn(kBackends),
                         [](const auto& info) { return std::string(BackendName(info.param)); });

TEST(HttpServer, PagesCarryTheirTypeAndSafetyHeaders)
{
    TTestDatabase test(TBackend::Sqlite);
    auto db = test.Open();
    ASSERT_TRUE(db);
    TInProcessServer server(*db);
    ASSERT_TRUE(server.Started);
    TReply page = Get(server.Port(), "/cgi/version.pl?prg=Tumbltwn&show&type=2");
    EXPECT_EQ(page.Status, 200);
    EXPECT_NE(page.Headers.find("Content-Type: text/html; charset=utf-8"), std::string::npos);
    EXPECT_NE(page.Headers.find("Content-Security-Policy: default-src 'none'"), std::string::npos);
    EXPECT_NE(page.Headers.find("X-Content-Type-Options: nosniff"), std::string::npos);
    EXPECT_NE(page.Body.find("<!DOCTYPE html>"), std::string::npos);
    TReply api = Get(server.Port(), "/api/v1/scores?type=0&limit=5");
    EXPECT_EQ(api.Status, 200);
    EXPECT_EQ(api.Body, "{\"type\":0,\"name\":\"Fourfall\",\"scores\":[],\"bestVerifiedReplay\":null}\n");
    EXPECT_EQ(Get(server.Port(), "/healthz").Status, 200);
    // Percent-encoding is undone before routing; but a number has one
    // spelling, so each page has one address.
    EXPECT_EQ(Get(server.Port(), "/cgi/version.pl?prg=Tumbl%74wn&show&type=2").Status, 200);
}

// The target as sent: escapes undone (and noted on a value), a broken
// escape or an escaped NUL refused.
TEST(RequestTarget, EscapesAreUndoneAndNulRefused)
{
    struct TCase {
        const char* Target;
        bool Read;
        const char* Path;
        std::size_t Args;
        bool FirstEscaped;
    } cases[] = {
        {"/api/v1/replays/1", true, "/api/v1/replays/1", 0, false},
        {"/api/v1/replays/%31", true, "/api/v1/replays/1", 0, false},
        {"/api/v1/replays/1%00", false, "", 0, false},
        {"/a?type=%30", true, "/a", 1, true},
        {"/a?type=0&&show", true, "/a", 2, false},
        {"/a?type=%3", false, "", 0, false},
        {"/a?type=%zz", false, "", 0, false},
        {"/a?%00=1", false, "", 0, false},
        {"/a?prg=Tumbl%74wn", true, "/a", 1, true},
    };
    for (const TCase& c : cases) {
        std::string path;
        std::vector<ScoreServer::TQueryArg> args;
        ASSERT_EQ(ScoreServer::ReadRequestTarget(c.Target, path, args), c.Read) << c.Target;
        if (!c.Read)
            continue;
        EXPECT_EQ(path, c.Path) << c.Target;
        ASSERT_EQ(args.size(), c.Args) << c.Target;
        if (c.Args > 0) {
            EXPECT_EQ(args[0].Escaped, c.FirstEscaped) << c.Target;
        }
    }
}

// ------------------------------------------------------------------ abuse

// A server with the limits given, on an SQLite database of its own.
struct TAbuseServer {
    explicit TAbuseServer(THttpLimits limits, int rateLimit = 0)
        : Db(Test.Open()), Server(*Db, rateLimit, limits)
    {
    }
    std::uint16_t Port() const { return Server.Port(); }
    TTestDatabase Test{TBackend::Sqlite};
    std::unique_ptr<ScoreServer::TScoreDatabase> Db;
    TInProcessServer Server;
};

THttpLimits Limits(int requestTimeout, int idleTimeout)
{
    THttpLimits l;
    l.RequestTimeoutSeconds = requestTimeout;
    l.IdleTimeoutSeconds = idleTimeout;
    return l;
}

// Sends the game's request one byte a second; the seconds after which the
// server cut the connection off, or -1 when it had not within limitMs.
double CutWhileTrickling(std::uint16_t port, int limitMs)
{
    TRawClient client(port);
    const std::string request = BuildScoreRequest(0, "Slow", 10, "localhost");
    const auto start = Clock::now();
    for (std::size_t i = 0; i < request.size() && SecondsSince(start) * 1000 < limitMs; ++i) {
        client.Send(request.substr(i, 1));
        if (client.ClosedWithin(1000))
            return SecondsSince(start);
    }
    return -1;
}

TEST(Abuse, ClientSendingOneByteASecondIsCutOff)
{
    TAbuseServer guarded(Limits(2, 5));
    const double cut = CutWhileTrickling(guarded.Port(), 8000);
    EXPECT_GE(cut, 1.9) << "not before the 2 s request deadline";
    EXPECT_LT(cut, 6.5) << "cut off by the 2 s request deadline (the control shows nothing else cuts it)";
    EXPECT_GE(guarded.Server.Http.CutOff(), 1u);
    // Control: without the request deadline, the idle time-out alone never
    // fires, since a byte comes every second.
    TAbuseServer unguarded(Limits(0, 5));
    EXPECT_EQ(CutWhileTrickling(unguarded.Port(), 4500), -1) << "cut off without the deadline";
}

TEST(Abuse, ClientSendingNothingIsCutOff)
{
    TAbuseServer guarded(THttpLimits{}); // the defaults
    TRawClient silent(guarded.Port());
    ASSERT_TRUE(silent.Connected());
    const auto start = Clock::now();
    EXPECT_TRUE(silent.ClosedWithin(9000));
    EXPECT_LT(SecondsSince(start), 8.0);
    // Control: without the deadline and with a long idle time-out it stays.
    TAbuseServer unguarded(Limits(0, 60));
    TRawClient kept(unguarded.Port());
    EXPECT_FALSE(kept.ClosedWithin(6500));
}

// 500 idle connections of one client; another client's submission must
// complete within a second. Returns how long it took (or 99 when it failed).
double SubmitBeside500Idle(const THttpLimits& limits)
{
    TAbuseServer server(limits);
    std::vector<std::unique_ptr<TRawClient>> idle;
    for (int i = 0; i < 500; ++i)
        idle.push_back(std::make_unique<TRawClient>(server.Port(), "127.0.0.2"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let the server take them all
    const auto start = Clock::now();
    TReply reply = SendAsTheGame(server.Port(), 0, "Beside", 77);
    const double took = SecondsSince(start);
    return reply.Status == 200 ? took : 99;
}

TEST(Abuse, FiveHundredIdleConnectionsDoNotStopAnotherClient)
{
    EXPECT_LT(SubmitBeside500Idle(THttpLimits{}), 1.0);
    // With fewer connections in all than the attacker holds, it is the
    // per-address limit that keeps room for others...
    THttpLimits tight;
    tight.MaxConnections = 300;
    tight.MaxConnectionsPerAddress = 128;
    EXPECT_LT(SubmitBeside500Idle(tight), 1.0);
    // ...as the control without it shows.
    tight.MaxConnectionsPerAddress = 0;
    EXPECT_GT(SubmitBeside500Idle(tight), 1.0);
}

TEST(Abuse, OversizedRequestsAreRefusedAndTheServerCarriesOn)
{
    TAbuseServer guarded(THttpLimits{});
    const std::string bigHeader =
        "GET /healthz HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(100000, 'a') + "\r\n\r\n";
    const std::string longTarget =
        "GET /cgi/version.pl?hs&prg=Tumbltwn&inf=" + std::string(20000, 'A') + " HTTP/1.1\r\nHost: x\r\n\r\n";
    const int header = Exchange(guarded.Port(), bigHeader, 5000).Status;
    const int target = Exchange(guarded.Port(), longTarget, 5000).Status;
    EXPECT_TRUE(header == 431 || header == 0) << header; // refused, or cut while still sending
    EXPECT_TRUE(target == 414 || target == 431 || target == 0) << target;
    EXPECT_EQ(SendAsTheGame(guarded.Port(), 0, "After", 5).Status, 200);
    std::int64_t stored = 0;
    ASSERT_EQ(guarded.Db->Count(0, stored), ScoreServer::TDbStatus::Ok);
    EXPECT_EQ(stored, 1);
    // A body is never read into memory: the answer comes before it is sent.
    TRawClient poster(guarded.Port());
    ASSERT_TRUE(
        poster.Send("POST /cgi/version.pl HTTP/1.1\r\nHost: x\r\nContent-Length: 1000000000\r\n\r\n"));
    EXPECT_EQ(ParseReply(poster.ReadAll(3000)).Status, 405);
    // Control: with a limit far above, the same header goes through.
    THttpLimits loose;
    loose.MaxRequestBytes = 1 << 20;
    TAbuseServer unguarded(loose);
    EXPECT_EQ(Exchange(unguarded.Port(), bigHeader, 5000).Status, 200);
}

TEST(Abuse, OneAddressIsRateLimited)
{
    TAbuseServer guarded(THttpLimits{}, 5);
    int statuses[7];
    for (int& s : statuses)
        s = SendAsTheGame(guarded.Port(), 0, "Flood", 5).Status;
    EXPECT_EQ(std::count(statuses, statuses + 7, 200), 5);
    EXPECT_EQ(std::count(statuses, statuses + 7, 429), 2);
    TReply refused = SendAsTheGame(guarded.Port(), 0, "Flood", 5);
    EXPECT_EQ(refused.Status, 429);
    EXPECT_NE(refused.Headers.find("Retry-After: "), std::string::npos);
    std::int64_t stored = 0;
    ASSERT_EQ(guarded.Db->Count(0, stored), ScoreServer::TDbStatus::Ok);
    EXPECT_EQ(stored, 5);
    // Control: without a limit all go through.
    TAbuseServer unguarded(THttpLimits{}, 0);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(SendAsTheGame(unguarded.Port(), 0, "Flood", 5).Status, 200);
}

// ------------------------------------------------------------------ load

// Holds every replay play at its start until released.
struct TPlayGate {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Open = false;
    int Started = 0;
    void Hold(ScoreServer::TReplayChecker& checker)
    {
        checker.PlayStarts = [this] {
            std::unique_lock<std::mutex> hold(Mutex);
            ++Started;
            Changed.notify_all();
            Changed.wait(hold, [this] { return Open; });
        };
    }
    bool WaitForStart()
    {
        std::unique_lock<std::mutex> hold(Mutex);
        return Changed.wait_for(hold, std::chrono::seconds(20), [this] { return Started > 0; });
    }
    void Release()
    {
        std::lock_guard<std::mutex> hold(Mutex);
        Open = true;
        Changed.notify_all();
    }
};

// Replays from 8 addresses, whose plays are all held: no event loop waits
// for them, so results keep coming in through the game's own exchange (3 s
// a step) at their pace; an honest replay from a ninth address is not
// refused but waits its turn and verifies its result once plays go on.
TEST(ReplayPool, HeldPlaysStopNoSubmissionAndHonestReplaysWait)
{
    TAbuseServer server(THttpLimits{});
    TPlayGate gate;
    gate.Hold(server.Server.Service.Checker());
    std::vector<std::thread> flood;
    std::atomic<int> flood503{0}, floodAnswered{0};
    for (int i = 0; i < 8; ++i)
        flood.emplace_back([&, i] {
            const std::string from = "127.0.0." + std::to_string(10 + i);
            const std::string text =
                PlayedGameText(GFourfall::kGameFourfall, 100u + static_cast<unsigned>(i), "Flood");
            const TReply reply =
                ExchangeFrom(server.Port(), from.c_str(), BuildReplayRequest(text, "localhost"), 30000);
            ++floodAnswered;
            flood503 += reply.Status == 503 ? 1 : 0;
        });
    ASSERT_TRUE(gate.WaitForStart());
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the other uploads are in
    double slowest = 0;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        const TReply reply = SendAsTheGame(server.Port(), 1, "Beside " + std::to_string(i), 100 + i);
        slowest = std::max(slowest, SecondsSince(start));
        EXPECT_EQ(reply.Status, 200) << "submission " << i << " while the plays are held: " << reply.Body;
    }
    EXPECT_LT(slowest, 1.0) << "a submission waited for a replay's play";
    const GFourfall::TReplay game =
        DealtGame(TokenFrom(server.Port(), 0), GFourfall::kGameFourfall, "Honest");
    server.Server.Ahead = game.Steps.back().TimeMs / 1000 + 1; // the game is played meanwhile
    ASSERT_EQ(SendAsTheGame(server.Port(), GFourfall::OnlineType(game.GameNum), "Honest", game.Score).Status,
              200);
    TReply honest;
    std::thread upload([&] {
        honest = ExchangeFrom(server.Port(), "127.0.0.30",
                              BuildReplayRequest(GFourfall::ReplayText(game), "localhost"), 30000);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(honest.Status, 0) << "answered while the plays are held: " << honest.Body;
    EXPECT_EQ(floodAnswered.load(), 0) << "a flood replay was answered while the plays are held";
    gate.Release();
    upload.join();
    for (std::thread& t : flood)
        t.join();
    EXPECT_EQ(honest.Status, 200) << honest.Body;
    EXPECT_EQ(flood503.load(), 0) << "replays within the queue's room are checked, not refused";
}

// Only a full queue refuses, with 503 and Retry-After: past its room in all,
// or past one client's share of it.
TEST(ReplayPool, AFullQueueOrShareAnswers503)
{
    THttpLimits limits;
    limits.Workers.Workers = 1;
    limits.Workers.Queue = 3;
    limits.Workers.PerKey = 2;
    TAbuseServer server(limits);
    TPlayGate gate;
    gate.Hold(server.Server.Service.Checker());
    const std::string upload =
        BuildReplayRequest(PlayedGameText(GFourfall::kGameFourfall, 9, "Queued"), "localhost");
    std::vector<std::thread> held;
    std::vector<TReply> heldReplies(3);
    const char* heldFrom[] = {"127.0.0.2", "127.0.0.2", "127.0.0.3"}; // one playing, two waiting
    for (int i = 0; i < 3; ++i) {
        held.emplace_back([&, i] {
            heldReplies[static_cast<std::size_t>(i)] =
                ExchangeFrom(server.Port(), heldFrom[i], upload, 30000);
        });
        if (i == 0)
            ASSERT_TRUE(gate.WaitForStart());
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    struct TCase {
        const char* From;
        const char* Why;
    } cases[] = {{"127.0.0.2", "its share of 2 is held"}, {"127.0.0.4", "the queue of 3 is full"}};
    for (const TCase& c : cases) {
        const TReply reply = ExchangeFrom(server.Port(), c.From, upload, 5000);
        EXPECT_EQ(reply.Status, 503) << c.Why;
        EXPECT_NE(reply.Headers.find("Retry-After: "), std::string::npos) << c.Why;
    }
    gate.Release();
    for (std::thread& t : held)
        t.join();
    for (const TReply& reply : heldReplies)
        EXPECT_EQ(reply.Status, 422) << "checked in its turn (no such result kept): " << reply.Body;
    EXPECT_EQ(server.Server.Http.QueueFull.load(), 2u);
}

// A database that notes the scheduling policy of the thread each write
// runs on, and otherwise passes every call on.
class TPolicyNotingDatabase : public ScoreServer::TScoreDatabase {
public:
    explicit TPolicyNotingDatabase(ScoreServer::TScoreDatabase& real) : Real(real) {}
    using TDbStatus = ScoreServer::TDbStatus;
    TDbStatus Add(const ScoreServer::TScoreRecord& r) override { return Note(), Real.Add(r); }
    TDbStatus AddMany(const std::vector<ScoreServer::TScoreRecord>& r) override
    {
        return Note(), Real.AddMany(r);
    }
    TDbStatus Best(std::int32_t t, int l, std::vector<ScoreServer::TScoreRecord>& o) override
    {
        return Real.Best(t, l, o);
    }
    TDbStatus BestVerified(std::int32_t t, int l, std::vector<ScoreServer::TScoreRecord>& o) override
    {
        return Real.BestVerified(t, l, o);
    }
    TDbStatus Verify(const ScoreServer::TReplayClaim& c, ScoreServer::TVerifyResult& r,
                     std::int64_t& id) override
    {
        return Note(), Real.Verify(c, r, id);
    }
    TDbStatus Replay(std::int64_t id, std::string& t, bool& f) override { return Real.Replay(id, t, f); }
    TDbStatus Secret(const std::string& p, std::string& s) override { return Real.Secret(p, s); }
    TDbStatus VerifiedResult(std::int64_t id, ScoreServer::TScoreRecord& o, bool& f) override
    {
        return Real.VerifiedResult(id, o, f);
    }
    TDbStatus Count(std::int32_t t, std::int64_t& n) override { return Real.Count(t, n); }
    TDbStatus Check() override { return Real.Check(); }
    std::string Describe() const override { return Real.Describe(); }

    std::vector<int> Policies() const
    {
        std::lock_guard<std::mutex> hold(Mutex);
        return Seen;
    }

private:
    void Note()
    {
        std::lock_guard<std::mutex> hold(Mutex);
        Seen.push_back(::sched_getscheduler(0));
    }
    ScoreServer::TScoreDatabase& Real;
    mutable std::mutex Mutex;
    std::vector<int> Seen;
};

// The pool's workers run only when the CPU is idle; the write a verified
// replay makes takes the lock the results' commits take too, so it runs
// back on the request's own thread: a worker held off the CPU by busy
// request threads never holds that lock.
TEST(ReplayPool, AReplaysDatabaseWriteRunsAtTheRequestsPriority)
{
    TTestDatabase test(TBackend::Sqlite);
    auto real = test.Open();
    ASSERT_TRUE(real);
    TPolicyNotingDatabase db(*real);
    TInProcessServer server(db);
    ASSERT_TRUE(server.Started);
    const GFourfall::TReplay game =
        DealtGame(TokenFrom(server.Port(), 0), GFourfall::kGameFourfall, "Prioritised");
    server.Ahead = game.Steps.back().TimeMs / 1000 + 1; // the game is played meanwhile
    ASSERT_EQ(SendAsTheGame(server.Port(), 0, "Prioritised", game.Score).Status, 200);
    const TReply reply =
        Exchange(server.Port(), BuildReplayRequest(GFourfall::ReplayText(game), "localhost"));
    EXPECT_EQ(reply.Status, 200) << reply.Body;
    EXPECT_EQ(db.Policies(), (std::vector<int>{SCHED_OTHER, SCHED_OTHER}))
        << "the result's commit, the replay's";
}

// /metrics in the Prometheus text format: requests by route and status,
// submissions, verifications, the queue, the database's time.
TEST(HttpServer, MetricsCountWhatWasDone)
{
    TAbuseServer server(THttpLimits{});
    const GFourfall::TReplay game =
        DealtGame(TokenFrom(server.Port(), 0), GFourfall::kGameFourfall, "Counted");
    server.Server.Ahead = game.Steps.back().TimeMs / 1000 + 1; // the game is played meanwhile
    ASSERT_EQ(SendAsTheGame(server.Port(), 0, "Counted", game.Score).Status, 200);
    ASSERT_EQ(Exchange(server.Port(), BuildReplayRequest(GFourfall::ReplayText(game), "localhost")).Status,
              200);
    ASSERT_EQ(Get(server.Port(), "/nowhere").Status, 404);
    const TReply metrics = Get(server.Port(), "/metrics");
    ASSERT_EQ(metrics.Status, 200);
    EXPECT_NE(metrics.Headers.find("Content-Type: text/plain; version=0.0.4"), std::string::npos);
    for (const char* line :
         {"tumbletown_requests_total{route=\"submission\",status=\"200\"} 1\n",
          "tumbletown_requests_total{route=\"replay-upload\",status=\"200\"} 1\n",
          "tumbletown_requests_total{route=\"other\",status=\"404\"} 1\n",
          "tumbletown_requests_total{route=\"seed\",status=\"200\"} 1\n",
          "tumbletown_submissions_total{outcome=\"stored\"} 1\n", "tumbletown_result_commits_total 1\n",
          "tumbletown_verifications_total{outcome=\"verified\"} 1\n",
          "tumbletown_verifications_total{outcome=\"score-differs\"} 0\n",
          "tumbletown_replay_queue_waiting 0\n", "# TYPE tumbletown_database_seconds_total counter\n",
          "tumbletown_replay_workers "})
        EXPECT_NE(metrics.Body.find(line), std::string::npos) << line << "\n" << metrics.Body;
    const std::size_t calls = metrics.Body.find("\ntumbletown_database_calls_total ");
    ASSERT_NE(calls, std::string::npos);
    EXPECT_GE(std::atoi(metrics.Body.c_str() + calls + 33), 2)
        << "the result's commit and the replay's check";
}

// Bodies in flight are bounded by their declared length, per client and in
// all: past either bound the upload is told to come back (503 and
// Retry-After) before a byte of it is read; room comes back as uploads end.
TEST(BodyMemory, UploadsPastTheCapsAreToldToComeBack)
{
    THttpLimits limits;
    limits.MaxBodyMemoryPerAddress = 4u << 20;
    limits.MaxBodyMemory = 6u << 20;
    TAbuseServer server(limits);
    const std::string head =
        "POST /api/v1/replays HTTP/1.1\r\nHost: x\r\nContent-Length: 1048576\r\n\r\n# Tumbl";
    // An upload under way sends part of its body and waits; one refused is
    // answered at once.
    auto start = [&](const char* from) {
        auto client = std::make_unique<TRawClient>(server.Port(), from);
        EXPECT_TRUE(client->Send(head + std::string(64 * 1024, '#')));
        return client;
    };
    auto refusedAtOnce = [](TRawClient& client) {
        const TReply reply = ParseReply(client.ReadAll(400));
        if (reply.Status != 0) {
            EXPECT_EQ(reply.Status, 503);
            EXPECT_NE(reply.Headers.find("Retry-After: "), std::string::npos);
        }
        return reply.Status == 503;
    };
    std::vector<std::unique_ptr<TRawClient>> a;
    int refusedA = 0;
    for (int i = 0; i < 6; ++i) {
        a.push_back(start("127.0.0.2"));
        refusedA += refusedAtOnce(*a.back()) ? 1 : 0;
    }
    EXPECT_EQ(refusedA, 2) << "4 MiB per client: 4 uploads of 1 MiB read, 2 refused";
    std::vector<std::unique_ptr<TRawClient>> b;
    int refusedB = 0;
    for (int i = 0; i < 3; ++i) {
        b.push_back(start("127.0.0.3"));
        refusedB += refusedAtOnce(*b.back()) ? 1 : 0;
    }
    EXPECT_EQ(refusedB, 1) << "6 MiB in all: 2 more read, the third refused";
    a.clear(); // those uploads end: their memory is free again
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto again = start("127.0.0.3");
    EXPECT_FALSE(refusedAtOnce(*again)) << "room again";
    EXPECT_EQ(server.Server.Http.OverBodyMemory.load(), 3u);
}

// Many clients sending their requests slowly fill the cap of incomplete
// requests, not every connection: past the cap the oldest of the client
// with the most is cut off (408), and a new client gets its answer.
double SubmitBesideSlowClients(const THttpLimits& limits, std::uint64_t* evicted = nullptr)
{
    TAbuseServer server(limits);
    std::vector<std::unique_ptr<TRawClient>> slow;
    for (int address = 0; address < 12; ++address) {
        const std::string from = "127.0.1." + std::to_string(address + 1);
        for (int i = 0; i < 30; ++i) {
            slow.push_back(std::make_unique<TRawClient>(server.Port(), from.c_str()));
            slow.back()->Send("GET /healthz HTTP/1.1\r\n");
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let the server take them all
    const auto start = Clock::now();
    const TReply reply = SendAsTheGame(server.Port(), 0, "Beside", 77);
    const double took = SecondsSince(start);
    if (evicted != nullptr)
        *evicted = server.Server.Http.Evicted.load();
    return reply.Status == 200 ? took : 99;
}

TEST(Abuse, SlowRequestsFromManyAddressesDoNotHoldEverySlot)
{
    THttpLimits limits; // 360 slow connections from 12 addresses, 300 at most
    limits.MaxConnections = 300;
    limits.MaxIncompleteRequests = 150;
    std::uint64_t evicted = 0;
    EXPECT_LT(SubmitBesideSlowClients(limits, &evicted), 1.0);
    EXPECT_GE(evicted, 150u);
    // Control: without the cap of incomplete requests, the slow clients hold
    // every connection.
    limits.MaxIncompleteRequests = 0;
    EXPECT_GT(SubmitBesideSlowClients(limits), 1.0);
}

} // namespace
} // namespace ServerTest
