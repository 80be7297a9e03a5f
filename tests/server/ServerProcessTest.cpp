// The tumbletown-scores executable as an operator runs it: its command line,
// its log, SIGTERM, kill -9 under load, a full disk and a lost PostgreSQL,
// and two servers sharing one PostgreSQL database.

#include "rules/GameTypes.h"
#include "server/WorldPage.h"
#include "store/ScoreSubmit.h"
#include "tests/server/ReplayGames.h"
#include "tests/server/ServerFixtures.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ServerTest {
namespace {

using Clock = std::chrono::steady_clock;

std::string RunCommand(const std::string& command, int& status)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buffer[4096];
    std::size_t n;
    while (p != nullptr && (n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    status = p != nullptr ? ::pclose(p) : -1;
    return out;
}

TEST(ServerCommandLine, HelpAndBadOptions)
{
    int status = 0;
    const std::string help = RunCommand(TServerProcess::Executable() + " --help", status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (const char* option :
         {"--listen ADDR:PORT", "--database", "--rate-limit N/MIN", "postgresql://", "/healthz",
          "--max-replay-bytes N", "--max-replay-operations N", "--max-replay-cpu-ms MS", "/api/v1/replays",
          "--replay-workers N", "--replay-queue N", "--replay-queue-per-address N",
          "--trusted-proxy ADDR[/BITS]", "--max-incomplete-requests N", "--max-body-memory BYTES",
          "--max-body-memory-per-address BYTES", "/metrics"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    for (const char* bad :
         {"--rate-limit 5/hour", "--threads 0", "--listen", "--nonsense 1", "--listen 127.0.0.1",
          "--listen 127.0.0.1:99999", "--listen nohost:80", "--max-replay-bytes 1000",
          "--max-replay-operations 0", "--max-replay-cpu-ms 0", "--max-replay-cpu-ms x", "--replay-workers 0",
          "--replay-queue 0", "--replay-queue-per-address 0", "--replay-queue x",
          "--trusted-proxy 10.0.0.0/33", "--trusted-proxy proxy.example.org", "--max-body-memory 1000"}) {
        const std::string err = RunCommand(TServerProcess::Executable() + " " + bad + " 2>&1", status);
        EXPECT_NE(WEXITSTATUS(status), 0) << bad;
        EXPECT_NE(err.find("tumbletown-scores: "), std::string::npos) << bad << ": " << err;
    }
}

// The replay bounds are the command line's: each refuses a replay the
// defaults take, and the start line names them.
TEST(ServerProcess, ReplayBoundsComeFromTheCommandLine)
{
    // A short game (figures dropped as they come) on a seed the first
    // server deals; the bounds are set just under its size.
    TTestDatabase first(TBackend::Sqlite);
    TServerProcess dealer({"--database", first.Target()});
    ASSERT_TRUE(dealer.Ok());
    const auto dealtAt = std::chrono::steady_clock::now();
    const GFourfall::TReplay game =
        DealtGame(TokenFrom(dealer.Port, 0), GFourfall::kGameFourfall, "Bound", 0);
    const std::string text = GFourfall::ReplayText(game);
    // Another, for a second server on the dealer's database.
    const GFourfall::TReplay queued =
        DealtGame(TokenFrom(dealer.Port, 0), GFourfall::kGameFourfall, "Queued", 0);
    ASSERT_GT(text.size(), 1025u);
    ASSERT_GT(game.Steps.size(), 10u);
    const std::string bytes = std::to_string(text.size() - 1);
    const std::string bytesLine = "replays up to " + bytes + " bytes";
    struct TCase {
        std::vector<std::string> Args;
        int Status;
        const char* Reply;
        const char* StartLine;
    } cases[] = {
        {{"--max-replay-bytes", bytes}, 413, "refused: replay too large", bytesLine.c_str()},
        {{"--max-replay-operations", "10"}, 413, "refused: too many operations", ", 10 operations,"},
        {{"--replay-queue", "5", "--replay-queue-per-address", "2"},
         200,
         "verified: ",
         "workers (a queue of 5, 2 per address)"},
    };
    for (const TCase& c : cases) {
        TTestDatabase db(TBackend::Sqlite);
        // A replay that verifies needs a token of its database's secret.
        const bool verifies = c.Status == 200;
        std::vector<std::string> args = {"--database", verifies ? first.Target() : db.Target()};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        TServerProcess server(args);
        ASSERT_TRUE(server.Ok());
        EXPECT_TRUE(server.WaitForLine(c.StartLine)) << c.StartLine;
        const GFourfall::TReplay& sent = verifies ? queued : game;
        if (verifies)
            WaitWhileItIsPlayed(sent, dealtAt);
        ASSERT_EQ(SendAsTheGame(server.Port, 0, sent.Name, sent.Score).Status, 200);
        const TReply reply =
            Exchange(server.Port, BuildReplayRequest(GFourfall::ReplayText(sent), "localhost"));
        EXPECT_EQ(reply.Status, c.Status) << reply.Body;
        EXPECT_EQ(reply.Body.rfind(c.Reply, 0), 0u) << reply.Body;
    }
    // The defaults take it.
    EXPECT_TRUE(dealer.WaitForLine("replays up to 5242880 bytes, 250000 operations, 1000 ms CPU, kept up to "
                                   "4294967296 bytes (67108864 per address)"));
    WaitWhileItIsPlayed(game, dealtAt);
    ASSERT_EQ(SendAsTheGame(dealer.Port, 0, "Bound", game.Score).Status, 200);
    const TReply reply = Exchange(dealer.Port, BuildReplayRequest(text, "localhost"));
    EXPECT_EQ(reply.Status, 200) << reply.Body;
    EXPECT_EQ(reply.Body.rfind("verified: ", 0), 0u) << reply.Body;
}

TEST(ServerProcess, OneLogLinePerRequest)
{
    TTestDatabase db(TBackend::Sqlite);
    TServerProcess server({"--database", db.Target()});
    ASSERT_TRUE(server.Ok());
    EXPECT_EQ(SendAsTheGame(server.Port, 1, "Logged \"name\"", 42).Status, 200);
    EXPECT_EQ(Get(server.Port, "/cgi/version.pl?prg=Tumbltwn&show&type=1").Status, 200);
    EXPECT_EQ(Get(server.Port, "/cgi/version.pl?hs&prg=Tumbltwn&inf=ABC").Status, 400);
    ASSERT_TRUE(server.WaitForLine("\" 400 "));
    std::vector<std::string> requests;
    for (const std::string& line : server.Lines())
        if (line.find("tumbletown-scores: 127.0.0.1 \"GET ") == 0)
            requests.push_back(line);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[0].find("\"GET /cgi/version.pl?hs&prg=Tumbltwn&inf="), std::string::npos);
    EXPECT_NE(requests[0].find("\" 200 "), std::string::npos);
    EXPECT_NE(requests[0].find("stored Fivefall 42"), std::string::npos) << requests[0];
    EXPECT_NE(requests[1].find("\" 200 "), std::string::npos);
    EXPECT_NE(requests[1].find("page 1"), std::string::npos);
    EXPECT_NE(requests[2].find("refused: inf is not whole groups of 8 symbols"), std::string::npos)
        << requests[2];
}

// SIGTERM: a request under way (half sent) still gets its answer and is kept;
// new connections are no longer taken; the database is closed cleanly (the
// SQLite write-ahead log folded back and removed); the exit status is 0.
TEST(ServerProcess, SigtermFinishesTheRequestsUnderWay)
{
    TTestDatabase db(TBackend::Sqlite);
    TServerProcess server({"--database", db.Target()});
    ASSERT_TRUE(server.Ok());
    const std::string request = BuildScoreRequest(0, "Under way", 99, "localhost");
    TRawClient underWay(server.Port);
    ASSERT_TRUE(underWay.Send(request.substr(0, 40)));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    server.Signal(SIGTERM);
    ASSERT_TRUE(server.WaitForLine("stopping on SIGTERM"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    TRawClient late(server.Port);
    EXPECT_FALSE(late.Connected() && late.Send("GET /healthz HTTP/1.1\nHOST: x\n\n") &&
                 ParseReply(late.ReadAll(1000)).Status == 200)
        << "a new connection after SIGTERM is not served";
    ASSERT_TRUE(underWay.Send(request.substr(40)));
    const TReply reply = ParseReply(underWay.ReadAll(5000));
    EXPECT_EQ(reply.Status, 200) << reply.Body;
    const int status = server.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(server.WaitForLine("stopped: 1 stored"));
    struct stat s {};
    EXPECT_NE(::stat((db.Target() + "-wal").c_str(), &s), 0) << "the log is folded back on a clean close";
    auto reopened = db.Open();
    ASSERT_TRUE(reopened);
    std::vector<ScoreServer::TScoreRecord> best;
    ASSERT_EQ(reopened->Best(0, 10, best), ScoreServer::TDbStatus::Ok);
    ASSERT_EQ(best.size(), 1u);
    EXPECT_EQ(best[0].Name, "Under way");
}

// Submissions from several clients at once until stop, each under a name of
// its own; the names answered 200 are collected.
class TSubmissions {
public:
    TSubmissions(std::uint16_t port, int clients)
    {
        for (int c = 0; c < clients; ++c)
            Clients.emplace_back([this, port, c] {
                for (int i = 0; !Stopping; ++i) {
                    const std::string name = "c" + std::to_string(c) + "-" + std::to_string(i);
                    if (SendAsTheGame(port, c % 4, name, i + 1).Status == 200) {
                        std::lock_guard<std::mutex> hold(Mutex);
                        Answered.insert(name);
                    }
                }
            });
    }
    ~TSubmissions() { Stop(); }
    // Stops the clients; the names answered 200.
    const std::set<std::string>& Stop()
    {
        Stopping = true;
        for (std::thread& t : Clients)
            if (t.joinable())
                t.join();
        return Answered;
    }

private:
    std::atomic<bool> Stopping{false};
    std::mutex Mutex;
    std::set<std::string> Answered;
    std::vector<std::thread> Clients;
};

// The names of the results of types 0 to 3 kept in a database.
std::set<std::string> KeptNames(const TTestDatabase& db)
{
    std::set<std::string> kept;
    auto reopened = db.Open();
    if (!reopened)
        return kept;
    for (std::int32_t type = 0; type < 4; ++type) {
        std::vector<ScoreServer::TScoreRecord> all;
        EXPECT_EQ(reopened->Best(type, 1000000, all), ScoreServer::TDbStatus::Ok);
        for (const auto& r : all)
            kept.insert(r.Name);
    }
    return kept;
}

// kill -9 in the middle of a stream of submissions: every one whose reply
// came back is in the database afterwards.
class KillUnderLoad : public ::testing::TestWithParam<TBackend> {};

TEST_P(KillUnderLoad, NoAcknowledgedSubmissionIsLost)
{
    TTestDatabase db(GetParam());
    ASSERT_FALSE(db.Target().empty());
    TServerProcess server({"--database", db.Target(), "--rate-limit", "0"});
    ASSERT_TRUE(server.Ok());
    TSubmissions load(server.Port, 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    server.Signal(SIGKILL);
    const std::set<std::string>& acknowledged = load.Stop();
    server.Wait();
    ASSERT_GT(acknowledged.size(), 20u) << "the load did not get going";
    const std::set<std::string> kept = KeptNames(db);
    std::size_t lost = 0;
    for (const std::string& name : acknowledged)
        lost += kept.count(name) == 0;
    EXPECT_EQ(lost, 0u) << "of " << acknowledged.size() << " acknowledged";
}

INSTANTIATE_TEST_SUITE_P(Both, KillUnderLoad, ::testing::ValuesIn(kBackends),
                         [](const auto& info) { return std::string(BackendName(info.param)); });

// PostgreSQL goes away and comes back: 503 meanwhile, the server stays up,
// and carries on by itself afterwards.
TEST(ServerProcess, LostPostgresGives503AndRecovers)
{
    TPostgresServer postgres;
    ASSERT_TRUE(postgres.Ok());
    TTestDatabase db(TBackend::Postgres, postgres.AdminUrl());
    TServerProcess server({"--database", db.Target(), "--rate-limit", "0"});
    ASSERT_TRUE(server.Ok());
    ASSERT_EQ(SendAsTheGame(server.Port, 0, "Before", 10).Status, 200);
    ASSERT_TRUE(postgres.Pause());
    for (int i = 0; i < 3; ++i) {
        TReply r = SendAsTheGame(server.Port, 0, "During", 20);
        EXPECT_EQ(r.Status, 503) << r.Body;
        EXPECT_NE(r.Headers.find("Retry-After: "), std::string::npos);
    }
    EXPECT_EQ(Get(server.Port, "/healthz").Status, 503);
    EXPECT_EQ(Get(server.Port, ScoreServer::WorldPagePath(0)).Status, 503);
    ASSERT_TRUE(postgres.Resume());
    int status = 0;
    const auto start = Clock::now();
    while (SecondsSince(start) < 10 && (status = SendAsTheGame(server.Port, 0, "After", 30).Status) != 200)
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(Get(server.Port, "/healthz").Status, 200);
    const std::string page = Get(server.Port, ScoreServer::WorldPagePath(0)).Body;
    EXPECT_NE(page.find(">Before<"), std::string::npos);
    EXPECT_NE(page.find(">After<"), std::string::npos);
    EXPECT_EQ(page.find(">During<"), std::string::npos);
    server.Signal(SIGTERM);
    EXPECT_EQ(WEXITSTATUS(server.Wait()), 0);
}

// PostgreSQL crashes (pg_ctl stop -m immediate) under a stream of
// submissions: with the server's default settings every result answered
// 200 is there when PostgreSQL is back. (With --fast-commits each such crash
// lost a few to a few dozen of them, of a few hundred to a few thousand.)
TEST(ServerProcess, PostgresCrashLosesNoAnsweredResult)
{
    TPostgresServer postgres;
    ASSERT_TRUE(postgres.Ok());
    TTestDatabase db(TBackend::Postgres, postgres.AdminUrl());
    ASSERT_FALSE(db.Target().empty());
    std::set<std::string> answered;
    {
        TServerProcess server({"--database", db.Target(), "--rate-limit", "0"});
        ASSERT_TRUE(server.Ok());
        TSubmissions load(server.Port, 8);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        ASSERT_TRUE(postgres.Crash());
        answered = load.Stop();
    }
    ASSERT_TRUE(postgres.Resume());
    ASSERT_GT(answered.size(), 20u) << "the load did not get going";
    const std::set<std::string> kept = KeptNames(db);
    std::size_t lost = 0;
    for (const std::string& name : answered)
        lost += kept.count(name) == 0;
    EXPECT_EQ(lost, 0u) << "of " << answered.size() << " answered 200";
}

// PostgreSQL restarts (a fast shutdown and a start, as an upgrade makes it)
// while the server is idle: every pooled connection is then stale. No
// request after the restart fails for that: a statement that finds its
// connection lost is tried once more on a new one. Every kind of request
// that reaches the database, from several clients at once.
TEST(ServerProcess, PostgresRestartCostsNoRequest)
{
    TPostgresServer postgres;
    ASSERT_TRUE(postgres.Ok());
    TTestDatabase db(TBackend::Postgres, postgres.AdminUrl());
    TServerProcess server({"--database", db.Target(), "--rate-limit", "0"});
    ASSERT_TRUE(server.Ok());
    constexpr int kClients = 8;
    std::vector<std::string> tokens, replays;
    for (int c = 0; c < kClients; ++c)
        tokens.push_back(TokenFrom(server.Port, 0));
    const auto dealtAt = std::chrono::steady_clock::now(); // the last token's deal
    for (int c = 0; c < kClients; ++c) {
        const GFourfall::TReplay game =
            DealtGame(tokens[static_cast<std::size_t>(c)], GFourfall::kGameFourfall, "Restart", 0);
        ASSERT_EQ(SendAsTheGame(server.Port, 0, "Restart", game.Score).Status, 200);
        replays.push_back(BuildReplayRequest(GFourfall::ReplayText(game), "localhost"));
        WaitWhileItIsPlayed(game, dealtAt);
    }
    ASSERT_TRUE(postgres.Pause());
    ASSERT_TRUE(postgres.Resume());

    struct TAsk {
        const char* What;
        std::function<TReply(int client)> Send;
        int Status;
    };
    std::mutex oneReplayAtATime; // more at once may be refused as busy
    const std::vector<TAsk> asks = {
        {"replay",
         [&](int c) {
             std::lock_guard<std::mutex> hold(oneReplayAtATime);
             return Exchange(server.Port, replays[static_cast<std::size_t>(c)]);
         },
         200},
        {"result", [&](int c) { return SendAsTheGame(server.Port, 1, "After " + std::to_string(c), 5); },
         200},
        {"page", [&](int) { return Get(server.Port, ScoreServer::WorldPagePath(0)); }, 200},
        {"verified page",
         [&](int) { return Get(server.Port, "/cgi/version.pl?prg=Tumbltwn&show&type=0&verified"); }, 200},
        {"scores", [&](int) { return Get(server.Port, "/api/v1/scores?type=1&limit=10"); }, 200},
        {"replay download", [&](int) { return Get(server.Port, "/api/v1/replays/999999"); }, 404},
        {"health", [&](int) { return Get(server.Port, "/healthz"); }, 200},
    };
    std::mutex mutex;
    std::vector<std::string> wrong;
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&, c] {
            for (const TAsk& ask : asks) {
                const TReply reply = ask.Send(c);
                if (reply.Status != ask.Status) {
                    std::lock_guard<std::mutex> hold(mutex);
                    wrong.push_back(std::string(ask.What) + ": " + std::to_string(reply.Status) + " " +
                                    reply.Body);
                }
            }
        });
    for (std::thread& t : clients)
        t.join();
    EXPECT_TRUE(server.WaitForLine("database: connection back"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the log's last lines
    std::string log;
    for (const std::string& line : server.Lines())
        if (line.find("database: ") != std::string::npos || line.find("\" 503 ") != std::string::npos)
            log += line + "\n";
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " wrong answers, the first: " << wrong.front() << "\n"
                               << log;
}

// Two servers on different ports, one PostgreSQL database: what either takes,
// both show.
TEST(ServerProcess, TwoServersShareOnePostgresDatabase)
{
    TTestDatabase db(TBackend::Postgres);
    ASSERT_FALSE(db.Target().empty());
    TServerProcess first({"--database", db.Target()});
    TServerProcess second({"--database", db.Target()});
    ASSERT_TRUE(first.Ok() && second.Ok());
    ASSERT_NE(first.Port, second.Port);
    EXPECT_EQ(SendAsTheGame(first.Port, 2, "Sent to first", 300).Status, 200);
    EXPECT_EQ(SendAsTheGame(second.Port, 2, "Sent to second", 200).Status, 200);
    for (std::uint16_t port : {first.Port, second.Port}) {
        const std::string page = Get(port, ScoreServer::WorldPagePath(2)).Body;
        EXPECT_NE(page.find(">Sent to first<"), std::string::npos) << port;
        EXPECT_NE(page.find(">Sent to second<"), std::string::npos) << port;
        EXPECT_LT(page.find(">Sent to first<"), page.find(">Sent to second<"));
    }
}

// A disk that fills up under SQLite: 503 and an unhealthy /healthz while it is
// full, the server stays up, and takes results again once there is room.
// Needs root for a small file system of its own (CI runs as root).
TEST(ServerProcess, FullDiskGives503AndRecovers)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a small file system";
    // A mount namespace of this test process alone, with a 3 MiB tmpfs: the
    // server started from here sees it, nothing else does, and it is gone
    // when the test process ends.
    ASSERT_EQ(::unshare(CLONE_NEWNS), 0);
    ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
    TestSupport::TempFolder folder;
    ASSERT_EQ(::mount("tmpfs", folder.Path().c_str(), "tmpfs", 0, "size=3m"), 0);
    const std::string dbPath = folder.Path() + "/scores.db";
    TServerProcess server({"--database", dbPath, "--rate-limit", "0"});
    ASSERT_TRUE(server.Ok());
    ASSERT_EQ(SendAsTheGame(server.Port, 0, "Before", 10).Status, 200);
    // Fill the rest of the disk.
    const std::string filler = folder.Path() + "/filler";
    {
        std::ofstream out(filler, std::ios::binary);
        const std::string block(64 * 1024, 'f');
        while (out.write(block.data(), block.size()))
            ;
    }
    int unavailable = 0, stored = 0;
    for (int i = 0; i < 200 && unavailable == 0; ++i) {
        // Long names fill the remaining pages quickly.
        const int status = SendAsTheGame(server.Port, 0, std::string(59, 'a' + i % 26), 100 + i).Status;
        unavailable += status == 503;
        stored += status == 200;
    }
    EXPECT_GT(unavailable, 0) << stored << " stored on a full disk";
    EXPECT_EQ(Get(server.Port, "/healthz").Status, 503);
    EXPECT_TRUE(server.WaitForLine("database: insert"));
    ::unlink(filler.c_str());
    EXPECT_EQ(SendAsTheGame(server.Port, 0, "After", 20).Status, 200);
    EXPECT_EQ(Get(server.Port, "/healthz").Status, 200);
    server.Signal(SIGTERM);
    EXPECT_EQ(WEXITSTATUS(server.Wait()), 0);
    ::umount2(folder.Path().c_str(), MNT_DETACH);
}

// ------------------------------------------------------------------ listening

// GET /healthz over IPv6 to [::1]:port; the reply's status, 0 for none.
int HealthOverIPv6(std::uint16_t port)
{
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in6 to{};
    to.sin6_family = AF_INET6;
    to.sin6_addr = in6addr_loopback;
    to.sin6_port = htons(port);
    std::string reply;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
        const std::string request = "GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n";
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[4096];
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, 3000) > 0) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
    if (fd >= 0)
        ::close(fd);
    return ParseReply(reply).Status;
}

// ":PORT" is every address: IPv4 and IPv6 alike.
TEST(ServerListening, ColonPortTakesIPv4AndIPv6)
{
    TTestDatabase db(TBackend::Sqlite);
    TServerProcess server({"--database", db.Target(), "--listen", ":0"});
    ASSERT_TRUE(server.Ok());
    EXPECT_EQ(Get(server.Port, "/healthz").Status, 200) << "over IPv4";
    EXPECT_EQ(HealthOverIPv6(server.Port), 200) << "over IPv6";
}

// A second server on a port already served does not start (the kernel
// would otherwise split the clients between two databases): one line says
// why, and the first server keeps every client.
TEST(ServerListening, ASecondServerOnAServedPortRefusesToStart)
{
    TTestDatabase first(TBackend::Sqlite), second(TBackend::Sqlite);
    TServerProcess server({"--database", first.Target()});
    ASSERT_TRUE(server.Ok());
    const std::string port = std::to_string(server.Port);
    for (const std::string& listen : {"127.0.0.1:" + port, ":" + port}) {
        int status = 0;
        const std::string out = RunCommand("timeout 10 " + TServerProcess::Executable() + " --database " +
                                               second.Target() + " --listen " + listen + " 2>&1",
                                           status);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1) << listen << " (124: it started and ran)";
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
        EXPECT_NE(out.find("cannot listen on " + listen + ": Address already in use"), std::string::npos)
            << out;
    }
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(SendAsTheGame(server.Port, 0, "First", 10 + i).Status, 200);
    auto db = first.Open();
    ASSERT_TRUE(db);
    std::int64_t stored = 0;
    ASSERT_EQ(db->Count(0, stored), ScoreServer::TDbStatus::Ok);
    EXPECT_EQ(stored, 10);
}

// ------------------------------------------------------------------ proxy

// The game's result request with an X-Forwarded-For header, from a chosen
// loopback address.
int SubmitForwarded(std::uint16_t port, const char* from, const std::string& forwarded)
{
    std::string request = BuildScoreRequest(0, "Proxied", 5, "localhost");
    if (!forwarded.empty())
        request.insert(request.size() - 1, "X-Forwarded-For: " + forwarded + "\n");
    return ExchangeFrom(port, from, request, 5000).Status;
}

// From a trusted proxy, the client is the right-most address of
// X-Forwarded-For that is not a trusted proxy itself, with its own rate
// limit; from anyone else the header is ignored.
TEST(ServerProcess, TrustedProxyNamesTheClient)
{
    TTestDatabase db(TBackend::Sqlite);
    TServerProcess server({"--database", db.Target(), "--rate-limit", "2/min", "--trusted-proxy", "127.0.0.1",
                           "--trusted-proxy", "10.0.0.0/8"});
    ASSERT_TRUE(server.Ok());
    struct TCase {
        const char* From;
        const char* Forwarded;
        int Status;
    } cases[] = {
        {"127.0.0.1", "198.51.100.7", 200},
        {"127.0.0.1", "198.51.100.7", 200},
        {"127.0.0.1", "198.51.100.7", 429},              // its own limit of 2 is used up...
        {"127.0.0.1", "198.51.100.8", 200},              // ...another client's is not
        {"127.0.0.1", "198.51.100.8, 10.1.2.3", 200},    // a second trusted proxy on the way
        {"127.0.0.1", "203.0.113.1, 198.51.100.8", 429}, // what the client wrote itself counts for nothing
        {"127.0.0.1", "", 200},                          // the proxy itself
        {"127.0.0.2", "198.51.100.9", 200},              // not a trusted proxy: the header is ignored
        {"127.0.0.2", "198.51.100.10", 200},
        {"127.0.0.2", "198.51.100.11", 429},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(SubmitForwarded(server.Port, c.From, c.Forwarded), c.Status)
            << c.From << " " << c.Forwarded;
    auto open = db.Open();
    ASSERT_TRUE(open);
    std::vector<ScoreServer::TScoreRecord> best;
    ASSERT_EQ(open->Best(0, 100, best), ScoreServer::TDbStatus::Ok);
    std::multiset<std::string> addresses;
    for (const auto& r : best)
        addresses.insert(r.ClientAddress);
    EXPECT_EQ(addresses, (std::multiset<std::string>{"198.51.100.7", "198.51.100.7", "198.51.100.8",
                                                     "198.51.100.8", "127.0.0.1", "127.0.0.2", "127.0.0.2"}));
}

// ------------------------------------------------------------------ strict reading

// The whole reply to raw bytes, from 127.0.0.1.
std::string RawReply(std::uint16_t port, const std::string& request, int ms = 5000)
{
    TRawClient client(port);
    client.Send(request);
    return client.ReadAll(ms);
}

int Occurrences(const std::string& text, const std::string& part)
{
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// What a request must be to be read: a Content-Length of digits (a bad one
// answered once), a Host with HTTP/1.1, no escaped NUL, numbers in their one
// plain spelling; a request not in by its deadline is answered 408 and
// logged with its method.
TEST(ServerProcess, RequestsAreReadStrictly)
{
    TTestDatabase db(TBackend::Sqlite);
    TServerProcess server({"--database", db.Target(), "--rate-limit", "0", "--request-timeout", "1"});
    ASSERT_TRUE(server.Ok());
    // A game played meanwhile, on a seed dealt now, for the replay below.
    const auto dealtAt = std::chrono::steady_clock::now();
    const GFourfall::TReplay game =
        DealtGame(TokenFrom(server.Port, 0), GFourfall::kGameFourfall, "Strict", 0);
    for (const char* length : {"+20", "-1", "99999999999999999999", "2 0"}) {
        const std::string reply =
            RawReply(server.Port, std::string("POST /api/v1/replays HTTP/1.1\r\nHost: x\r\n"
                                              "Content-Length: ") +
                                      length + "\r\n\r\n01234567890123456789");
        EXPECT_EQ(ParseReply(reply).Status, 400) << length;
        EXPECT_EQ(Occurrences(reply, "HTTP/1.1 "), 1) << length << ":\n" << reply;
    }
    EXPECT_EQ(Exchange(server.Port, "GET /healthz HTTP/1.1\r\n\r\n").Status, 400) << "HTTP/1.1 without Host";
    EXPECT_EQ(Exchange(server.Port, "GET /healthz HTTP/1.0\r\n\r\n").Status, 200) << "HTTP/1.0 needs none";

    // A verified replay 1 to ask for in other spellings.
    WaitWhileItIsPlayed(game, dealtAt);
    ASSERT_EQ(SendAsTheGame(server.Port, 0, "Strict", game.Score).Status, 200);
    ASSERT_EQ(Exchange(server.Port, BuildReplayRequest(GFourfall::ReplayText(game), "localhost")).Status,
              200);
    struct TCase {
        const char* Target;
        int Status;
    } cases[] = {
        {"/api/v1/replays/1", 200},
        {"/api/v1/replays/1%00", 400},
        {"/api/v1/replays/1%00.txt", 400},
        {"/api/v1/replays/%31", 200}, // an escaped digit of a path is that digit
        {"/cgi/version.pl?prg=Tumbltwn&show&type=0", 200},
        {"/cgi/version.pl?prg=Tumbltwn&show&type=000", 404},
        {"/cgi/version.pl?prg=Tumbltwn&show&type=%30", 404},
        {"/cgi/version.pl?prg=Tumbltwn&show&type=0%00", 400},
        {"/api/v1/scores?type=0", 200},
        {"/api/v1/scores?type=00", 404},
        {"/api/v1/scores?type=%30", 400},
        {"/api/v1/scores?type=0&limit=05", 400},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Get(server.Port, c.Target).Status, c.Status) << c.Target;

    // Cut at the deadline: a 408, and the log line names the method.
    const TReply cut = ParseReply(RawReply(
        server.Port, "POST /api/v1/replays HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\n# Tumbl", 5000));
    EXPECT_EQ(cut.Status, 408);
    EXPECT_TRUE(server.WaitForLine("\"POST /api/v1/replays\" 408 ")) << "the cut request's log line";
    const TReply headers = ParseReply(RawReply(server.Port, "GET /healthz HTTP/1.1\r\nHost", 5000));
    EXPECT_EQ(headers.Status, 408);
}

} // namespace
} // namespace ServerTest
