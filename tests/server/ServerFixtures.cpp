#include "tests/server/ServerFixtures.h"

#include "store/ScoreSubmit.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ServerTest {

namespace {

// Runs a command, returns its standard output; exit status in status.
std::string Run(const std::string& command, int& status)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) {
        status = -1;
        return out;
    }
    char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    status = ::pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

std::string PostgresScript()
{
    return TUMBLETOWN_POSTGRES_SCRIPT;
}

} // namespace

const char* BackendName(TBackend backend)
{
    return backend == TBackend::Sqlite ? "SQLite" : "PostgreSQL";
}

void PrintTo(TBackend backend, std::ostream* out)
{
    *out << BackendName(backend);
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// ------------------------------------------------------------------ PostgreSQL

TPostgresServer::TPostgresServer()
{
    char name[] = "/tmp/tumbletown-pg-state.XXXXXX";
    int fd = ::mkstemp(name);
    if (fd < 0)
        return;
    ::close(fd);
    State = name;
    int status = 0;
    std::string url = Run(PostgresScript() + " start " + State + " " + TUMBLETOWN_POSTGRES_TEMPLATE, status);
    if (status == 0)
        Url = url;
}

TPostgresServer::~TPostgresServer()
{
    int status = 0;
    if (!State.empty())
        Run(PostgresScript() + " stop " + State, status);
    ::unlink(State.c_str());
}

bool TPostgresServer::Pause()
{
    int status = 0;
    Run(PostgresScript() + " pause " + State, status);
    return status == 0;
}

bool TPostgresServer::Crash()
{
    int status = 0;
    Run(PostgresScript() + " crash " + State, status);
    return status == 0;
}

bool TPostgresServer::Resume()
{
    int status = 0;
    Run(PostgresScript() + " resume " + State, status);
    return status == 0;
}

std::string SharedPostgresUrl()
{
    // Written by the CTest fixture's start; absent when run on its own.
    std::ifstream in(TUMBLETOWN_TEST_POSTGRES_STATE);
    std::string folder, url;
    if (in >> folder >> url)
        return url;
    // Run outside CTest: one server for this process, stopped at its exit.
    static TPostgresServer own;
    return own.AdminUrl();
}

bool RunPostgres(const std::string& url, const std::string& sql)
{
    PGconn* c = PQconnectdb(url.c_str());
    bool ok = PQstatus(c) == CONNECTION_OK;
    if (ok) {
        PGresult* r = PQexec(c, sql.c_str());
        ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        if (!ok)
            ADD_FAILURE() << sql << ": " << PQresultErrorMessage(r);
        PQclear(r);
    }
    PQfinish(c);
    return ok;
}

// ------------------------------------------------------------------ databases

TTestDatabase::TTestDatabase(TBackend backend, const std::string& adminUrl) : Backend(backend)
{
    if (backend == TBackend::Sqlite) {
        TargetText = Folder.Path() + "/data/scores.db";
        return;
    }
    AdminUrl = adminUrl.empty() ? SharedPostgresUrl() : adminUrl;
    if (AdminUrl.empty()) {
        ADD_FAILURE() << "no PostgreSQL server for the test (is the postgresql package installed?)";
        return;
    }
    static std::atomic<int> counter{0};
    Name = "tt_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    if (!RunPostgres(AdminUrl, "CREATE DATABASE " + Name))
        return;
    // The admin URL names the database "postgres" first; this one in its place.
    TargetText = AdminUrl;
    const std::size_t at = TargetText.find("/postgres?");
    TargetText.replace(at, 10, "/" + Name + "?");
}

TTestDatabase::~TTestDatabase()
{
    if (!Name.empty() && !AdminUrl.empty())
        RunPostgres(AdminUrl, "DROP DATABASE IF EXISTS " + Name + " WITH (FORCE)");
}

std::unique_ptr<ScoreServer::TScoreDatabase> TTestDatabase::Open(int connections) const
{
    std::string error;
    auto db = ScoreServer::OpenScoreDatabase(TargetText, ScoreServer::TDbOptions{connections, false}, error);
    if (!db)
        ADD_FAILURE() << BackendName(Backend) << ": " << error;
    return db;
}

// ------------------------------------------------------------------ servers

TInProcessServer::TInProcessServer(ScoreServer::TScoreDatabase& database, int rateLimit,
                                   ScoreServer::THttpLimits limits)
    : Limiter(rateLimit), Service(database, Limiter, [this] {
          return static_cast<std::int64_t>(std::time(nullptr)) + Ahead.load();
      })
{
    std::string error;
    // As the executable wires them: the slow part on the HTTP side's pool.
    Http.Answered = [this](const std::string& route, int status) { Service.CountRequest(route, status); };
    Service.MoreMetrics = [this] { return Http.MetricsText(); };
    Started = Http.Start(
        "127.0.0.1:0", limits, [this](const ScoreServer::TRequest& r) { return Service.Begin(r); }, error);
    if (!Started)
        ADD_FAILURE() << error;
}

std::uint16_t TInProcessServer::Port() const
{
    const std::string a = Http.Address();
    return static_cast<std::uint16_t>(std::atoi(a.substr(a.rfind(':') + 1).c_str()));
}

std::string TServerProcess::Executable()
{
    // Another build's server may be tried with these tests (to see a test
    // fail on the server before a change).
    const char* other = std::getenv("TUMBLETOWN_TEST_SERVER_EXECUTABLE");
    return other != nullptr && *other != '\0' ? other : TUMBLETOWN_SERVER_EXECUTABLE;
}

TServerProcess::TServerProcess(std::vector<std::string> args, const std::vector<std::string>& env)
{
    bool listen = false;
    for (const std::string& a : args)
        listen = listen || a.rfind("--listen", 0) == 0;
    if (!listen) {
        args.push_back("--listen");
        args.push_back("127.0.0.1:0");
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> all = {Executable()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e)
        environment.emplace_back(*e);
    environment.insert(environment.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const int rc = posix_spawn(&Pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        Pid = -1;
        ADD_FAILURE() << "cannot start " << argv[0];
        return;
    }
    ErrFd = pipeFds[0];
    Reader = std::thread([this] { Read(); });
    if (!WaitForLine("listening on ")) {
        ADD_FAILURE() << "the server did not come up; it said:\n"
                      << [this] {
                             std::string all;
                             for (const std::string& l : Lines())
                                 all += l + "\n";
                             return all;
                         }();
        return;
    }
    for (const std::string& line : Lines()) {
        const std::size_t at = line.find("listening on ");
        if (at == std::string::npos)
            continue;
        const std::size_t comma = line.find(',', at);
        const std::string address = line.substr(at + 13, comma - at - 13);
        Port = static_cast<std::uint16_t>(std::atoi(address.substr(address.rfind(':') + 1).c_str()));
    }
}

TServerProcess::~TServerProcess()
{
    if (Pid > 0) {
        ::kill(Pid, SIGKILL);
        Wait(std::chrono::seconds(10));
    }
    if (Reader.joinable())
        Reader.join();
    if (ErrFd >= 0)
        ::close(ErrFd);
}

void TServerProcess::Read()
{
    std::string pending;
    char buffer[4096];
    while (true) {
        ssize_t n = ::read(ErrFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::lock_guard<std::mutex> hold(Mutex);
            Collected.push_back(pending.substr(0, end));
            pending.erase(0, end + 1);
            NewLine.notify_all();
        }
    }
    std::lock_guard<std::mutex> hold(Mutex);
    if (!pending.empty())
        Collected.push_back(pending);
    Ended = true;
    NewLine.notify_all();
}

void TServerProcess::Signal(int signal)
{
    if (Pid > 0)
        ::kill(Pid, signal);
}

int TServerProcess::Wait(std::chrono::milliseconds limit)
{
    if (Pid <= 0)
        return ExitStatus;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        const pid_t done = ::waitpid(Pid, &status, WNOHANG);
        if (done == Pid) {
            Pid = -1;
            ExitStatus = status;
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

std::vector<std::string> TServerProcess::Lines() const
{
    std::lock_guard<std::mutex> hold(Mutex);
    return Collected;
}

bool TServerProcess::WaitForLine(const std::string& text, std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> hold(Mutex);
    return NewLine.wait_for(hold, limit, [&] {
        for (const std::string& line : Collected)
            if (line.find(text) != std::string::npos)
                return true;
        return Ended;
    }) && [&] {
        for (const std::string& line : Collected)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }();
}

// ------------------------------------------------------------------ clients

TReply ParseReply(const std::string& raw)
{
    TReply reply;
    if (raw.rfind("HTTP/1.", 0) != 0 || raw.size() < 12)
        return reply;
    reply.Status = std::atoi(raw.substr(9, 3).c_str());
    const std::size_t end = raw.find("\r\n\r\n");
    reply.Headers = raw.substr(0, end);
    reply.Body = end == std::string::npos ? std::string() : raw.substr(end + 4);
    return reply;
}

TReply SendAsTheGame(std::uint16_t port, std::int32_t onlineType, const std::string& name, std::int32_t score)
{
    const std::string request = BuildScoreRequest(onlineType, name.c_str(), score, "localhost");
    return ParseReply(ExchangeHttp(port, "127.0.0.1", request.data(), request.size()));
}

TReply Exchange(std::uint16_t port, const std::string& request, int totalMs)
{
    TExchangeLimits limits;
    limits.TotalMs = totalMs;
    limits.StepMs = totalMs;
    limits.MaxReply = 4 << 20;
    return ParseReply(ExchangeHttp(port, "127.0.0.1", request.data(), request.size(), limits));
}

std::string TokenFrom(std::uint16_t port, std::int32_t onlineType)
{
    const TReply r = Get(port, "/api/v1/seed?type=" + std::to_string(onlineType));
    if (r.Status != 200 || r.Body.empty() || r.Body.back() != '\n')
        return {};
    return r.Body.substr(0, r.Body.size() - 1);
}

TReply Get(std::uint16_t port, const std::string& pathAndQuery)
{
    return Exchange(port, "GET " + pathAndQuery + " HTTP/1.1\r\nHost: localhost\r\nAccept: */*\r\n\r\n");
}

TRawClient::TRawClient(std::uint16_t port, const char* from)
{
    Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &local.sin_addr);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(port);
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (Fd < 0 || ::bind(Fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(Fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
        if (Fd >= 0)
            ::close(Fd);
        Fd = -1;
    }
}

TRawClient::~TRawClient()
{
    if (Fd >= 0)
        ::close(Fd);
}

TReply ExchangeFrom(std::uint16_t port, const char* from, const std::string& request, int ms)
{
    TRawClient client(port, from);
    if (!client.Send(request))
        return TReply{};
    client.ShutSending(); // as the game does
    return ParseReply(client.ReadAll(ms));
}

bool TRawClient::Send(const std::string& bytes)
{
    return Fd >= 0 &&
           ::send(Fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

bool TRawClient::Drain(int ms, std::string* out)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    char buffer[4096];
    while (Fd >= 0) {
        const int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                .count());
        if (left <= 0)
            return false;
        pollfd p{Fd, POLLIN, 0};
        if (::poll(&p, 1, left) <= 0)
            continue;
        const ssize_t n = ::recv(Fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return true; // end of stream or reset
        if (out != nullptr)
            out->append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

void TRawClient::ShutSending()
{
    if (Fd >= 0)
        ::shutdown(Fd, SHUT_WR);
}

bool TRawClient::ClosedWithin(int ms)
{
    return Drain(ms, nullptr);
}

std::string TRawClient::ReadAll(int ms)
{
    std::string out;
    Drain(ms, &out);
    return out;
}

} // namespace ServerTest
