// What the score server's tests share: a fresh database of either kind, the
// server in the test's own process or as the real executable, and clients
// that send exactly what the game sends, through the game's own code.
#pragma once

#include "server/HttpServer.h"
#include "server/RateLimiter.h"
#include "server/ScoreDatabase.h"
#include "server/ScoreService.h"
#include "tests/platform/TempFolder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace ServerTest {

enum class TBackend { Sqlite, Postgres };
const char* BackendName(TBackend backend);
void PrintTo(TBackend backend, std::ostream* out);
// Every storage test runs against both.
constexpr TBackend kBackends[] = {TBackend::Sqlite, TBackend::Postgres};

// A private PostgreSQL server, through tests/server/postgres.sh: started in
// the constructor, stopped in the destructor. Pause and Resume stop and start
// it again on the same port, as a database that goes away and comes back;
// Crash stops it as a crash of PostgreSQL would (pg_ctl stop -m immediate).
class TPostgresServer {
public:
    TPostgresServer();
    ~TPostgresServer();
    TPostgresServer(const TPostgresServer&) = delete;
    TPostgresServer& operator=(const TPostgresServer&) = delete;
    bool Ok() const { return !Url.empty(); }
    const std::string& AdminUrl() const { return Url; }
    bool Pause();
    bool Crash();
    bool Resume();

private:
    std::string State;
    std::string Url;
};

// The URL of the PostgreSQL server the whole test run shares (CTest's
// "postgres" fixture), else of one started for this process alone. Empty when
// none can be had.
std::string SharedPostgresUrl();

// A new, empty database of the backend, dropped (or removed) at the end.
class TTestDatabase {
public:
    explicit TTestDatabase(TBackend backend, const std::string& adminUrl = {});
    ~TTestDatabase();
    TTestDatabase(const TTestDatabase&) = delete;
    TTestDatabase& operator=(const TTestDatabase&) = delete;
    // What --database takes: a path or a postgresql:// URL. Empty on failure.
    const std::string& Target() const { return TargetText; }
    // Opens it (creating and migrating); fails the test when it cannot.
    std::unique_ptr<ScoreServer::TScoreDatabase> Open(int connections = 2) const;

private:
    TBackend Backend;
    TestSupport::TempFolder Folder;
    std::string AdminUrl;
    std::string Name;
    std::string TargetText;
};

// Runs one SQL statement on a PostgreSQL URL; false on failure.
bool RunPostgres(const std::string& url, const std::string& sql);

// The server in this process on 127.0.0.1 and a free port.
class TInProcessServer {
public:
    TInProcessServer(ScoreServer::TScoreDatabase& database, int rateLimit = 0,
                     ScoreServer::THttpLimits limits = ScoreServer::THttpLimits());
    ~TInProcessServer() { Http.Stop(std::chrono::milliseconds(0)); }
    std::uint16_t Port() const;
    // Seconds the service's clock runs ahead of the real one: moved on by a
    // test that sends a replay as if its game had been played meanwhile.
    std::atomic<std::int64_t> Ahead{0};
    ScoreServer::TRateLimiter Limiter;
    ScoreServer::TScoreService Service;
    ScoreServer::THttpServer Http;
    bool Started = false;
};

// The tumbletown-scores executable of this build, with its standard error
// collected line by line.
class TServerProcess {
public:
    // Starts it with these arguments (a --listen 127.0.0.1:0 is added unless
    // one is given) and waits for its "listening on" line.
    explicit TServerProcess(std::vector<std::string> args, const std::vector<std::string>& env = {});
    ~TServerProcess();
    TServerProcess(const TServerProcess&) = delete;
    TServerProcess& operator=(const TServerProcess&) = delete;

    bool Ok() const { return Port != 0; }
    std::uint16_t Port = 0;
    pid_t Pid = -1;

    void Signal(int signal);
    // Waits for the process to end; its status as waitpid gives it, -1 at the time limit.
    int Wait(std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Every line written to standard error so far.
    std::vector<std::string> Lines() const;
    // Waits until a line containing text has come; false at the time limit.
    bool WaitForLine(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(10));
    static std::string Executable();

private:
    void Read();
    int ErrFd = -1;
    std::thread Reader;
    mutable std::mutex Mutex;
    std::condition_variable NewLine;
    std::vector<std::string> Collected;
    bool Ended = false;
    int ExitStatus = 0;
};

// An HTTP reply taken apart.
struct TReply {
    int Status = 0; // 0: no reply at all
    std::string Headers;
    std::string Body;
};
TReply ParseReply(const std::string& raw);

// Sends the game's own request for a result, built and sent by the game's
// own code (the request builder and the exchange), to 127.0.0.1:port.
TReply SendAsTheGame(std::uint16_t port, std::int32_t onlineType, const std::string& name,
                     std::int32_t score);
// A seed token from the server on 127.0.0.1:port, asked for as the game
// asks; "" when it deals none.
std::string TokenFrom(std::uint16_t port, std::int32_t onlineType);
// Sends raw bytes and reads the reply to its end.
TReply Exchange(std::uint16_t port, const std::string& request, int totalMs = 10000);
// GET of a path (with its query) the way a browser asks.
TReply Get(std::uint16_t port, const std::string& pathAndQuery);

// A TCP connection from a chosen loopback address, for the abuse tests.
class TRawClient {
public:
    explicit TRawClient(std::uint16_t port, const char* from = "127.0.0.1");
    ~TRawClient();
    TRawClient(const TRawClient&) = delete;
    TRawClient& operator=(const TRawClient&) = delete;
    bool Connected() const { return Fd >= 0; }
    bool Send(const std::string& bytes);
    // Shuts the sending side, as the game does after its request.
    void ShutSending();
    // True when the server has closed (or reset) the connection within ms.
    bool ClosedWithin(int ms);
    // Everything the server sends until it closes, at most ms.
    std::string ReadAll(int ms);

private:
    // Reads (into out, when given) until the server closes (true) or ms pass (false).
    bool Drain(int ms, std::string* out);
    int Fd = -1;
};

// Sends the request from a chosen loopback address, shuts the sending side
// as the game does, and reads the reply to its end.
TReply ExchangeFrom(std::uint16_t port, const char* from, const std::string& request, int ms = 10000);

double SecondsSince(std::chrono::steady_clock::time_point start);

} // namespace ServerTest
