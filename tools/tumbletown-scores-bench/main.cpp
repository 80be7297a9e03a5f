// tumbletown-scores-bench: how fast the score server takes results, beside
// the fastest anything could on this machine.
//
//   tumbletown-scores-bench --server PATH [--database TARGET] [--clients K]
//                           [--seconds S] [--page-results N] [--threads T]
//                           [--server-arg ARG]...
// (--threads is passed on to the server; without it the server's own default;
// each --server-arg is one more argument for the server, e.g. --fast-commits)
//
// On one free port of 127.0.0.1, first a bare loop (accept, read the request,
// write a fixed reply, close) and then the real server (PATH, started with
// --database TARGET, no rate limit) each take the game's exact request, built
// by the game's own code, from K clients for S seconds; every request on a new
// connection whose sending side is shut after the request, read until the
// server closes, as the game does. Printed: submissions per second and the
// 50th and 99th percentile latency of each, and their ratio. Before the
// server's load, the world page of a type holding N results (filled in
// beforehand) is asked for 200 times one after another: its 50th and 99th
// percentile time. During the server's load, one more client asks for a seed
// (GET /api/v1/seed, the game's own request, a type in turn) every 20 ms:
// the seed request's 50th and 99th percentile latency under the load. With
// SQLite, the write-ahead log's size is sampled every
// 10 ms during the server's load: its largest size is printed too. Last, from
// the server's /metrics, how many results shared a commit on average.
#include "server/ScoreDatabase.h"
#include "server/WorldPage.h"
#include "store/ScoreSubmit.h"
#include "tools/loopback/LoopbackClient.h"
#include "tools/loopback/LoopbackPort.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct TOptions {
    std::string Server;
    std::string Database;
    int Clients = 8;
    double Seconds = 5;
    int PageResults = 100000;
    int Threads = 0; // 0: the server's own default
    std::vector<std::string> ServerArgs;
};

struct TFigures {
    std::size_t Done = 0;
    std::size_t Failed = 0;
    double Seconds = 0;
    double P50 = 0, P99 = 0; // milliseconds
    double Rate() const { return Seconds > 0 ? Done / Seconds : 0; }
};

double Percentile(std::vector<double>& v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    std::size_t at = static_cast<std::size_t>(p * (v.size() - 1) + 0.5);
    return v[std::min(at, v.size() - 1)];
}

TFigures Load(std::uint16_t port, int clients, double seconds)
{
    std::mutex mutex;
    std::vector<double> latencies;
    TFigures f;
    const Clock::time_point start = Clock::now();
    const Clock::time_point end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            std::vector<double> mine;
            std::size_t failed = 0;
            for (int i = 0; Clock::now() < end; ++i) {
                const std::string name = "bench " + std::to_string(c) + "-" + std::to_string(i);
                const std::string request =
                    BuildScoreRequest(i % 4, name.c_str(), 1 + (i * 7919) % 100000, "localhost");
                const Clock::time_point t = Clock::now();
                if (Loopback::Exchange(port, request).Status == 200)
                    mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t).count());
                else
                    ++failed;
            }
            std::lock_guard<std::mutex> hold(mutex);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
            f.Failed += failed;
        });
    for (std::thread& t : threads)
        t.join();
    f.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    f.Done = latencies.size();
    f.P50 = Percentile(latencies, 0.50);
    f.P99 = Percentile(latencies, 0.99);
    return f;
}

// The bare loop: one thread, accept, read to the blank line (or the end),
// a fixed reply, close.
class TBareLoop {
public:
    explicit TBareLoop(std::uint16_t port)
    {
        Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int yes = 1;
        ::setsockopt(Fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(Fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(Fd, 1024) != 0) {
            std::perror("bare loop");
            std::exit(1);
        }
        Thread = std::thread([this] { Run(); });
    }
    ~TBareLoop()
    {
        Stop = true;
        ::shutdown(Fd, SHUT_RDWR);
        Thread.join();
        ::close(Fd);
    }

private:
    void Run()
    {
        static const char kReply[] = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\nok\n";
        char buffer[2048];
        while (!Stop) {
            const int c = ::accept4(Fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            std::string request;
            ssize_t n;
            while (request.find("\n\n") == std::string::npos && (n = ::recv(c, buffer, sizeof buffer, 0)) > 0)
                request.append(buffer, static_cast<std::size_t>(n));
            ::send(c, kReply, sizeof kReply - 1, MSG_NOSIGNAL);
            ::close(c);
        }
    }
    int Fd = -1;
    std::atomic<bool> Stop{false};
    std::thread Thread;
};

// GET of a path over a new connection: the whole reply, empty on failure.
std::string Get(std::uint16_t port, const std::string& path)
{
    return Loopback::Exchange(port, "GET " + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n").Reply;
}

// The same, timed: milliseconds, -1 unless answered 200.
double TimeGet(std::uint16_t port, const std::string& path)
{
    const Clock::time_point t = Clock::now();
    if (Get(port, path).rfind("HTTP/1.1 200", 0) != 0)
        return -1;
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// A counter's value in the server's /metrics text; -1 when it is not there.
double Metric(const std::string& metrics, const std::string& name)
{
    const std::size_t at = metrics.find("\n" + name + " ");
    return at == std::string::npos ? -1 : std::atof(metrics.c_str() + at + name.size() + 2);
}

// The SQLite file a --database target names.
std::string SqlitePath(const std::string& target)
{
    return target.rfind("sqlite:", 0) == 0 ? target.substr(7) : target;
}

// Samples a file's size every 10 ms on a thread of its own; Stop gives the
// largest seen. An empty path watches nothing.
class TLogWatch {
public:
    explicit TLogWatch(std::string path) : Path(std::move(path))
    {
        if (!Path.empty())
            Thread = std::thread([this] {
                while (!Done) {
                    std::error_code error;
                    const std::uintmax_t size = std::filesystem::file_size(Path, error);
                    if (!error)
                        Largest = std::max(Largest, size);
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
            });
    }
    ~TLogWatch() { Stop(); }
    std::uintmax_t Stop()
    {
        Done = true;
        if (Thread.joinable())
            Thread.join();
        return Largest;
    }

private:
    std::string Path;
    std::atomic<bool> Done{false};
    std::uintmax_t Largest = 0;
    std::thread Thread;
};

// Asks for a seed every 20 ms on a thread of its own, as players starting
// games would beside the results coming in; Stop gives the latencies of
// the seeds dealt (200) and how many asked.
class TSeedProbe {
public:
    explicit TSeedProbe(std::uint16_t port)
    {
        Thread = std::thread([this, port] {
            for (int i = 0; !Done; ++i) {
                const Clock::time_point next = Clock::now() + std::chrono::milliseconds(20);
                const std::string request = BuildSeedRequest(i % 9, "localhost");
                const Clock::time_point t = Clock::now();
                if (Loopback::Exchange(port, request).Status == 200)
                    Dealt.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t).count());
                ++Asked;
                std::this_thread::sleep_until(next);
            }
        });
    }
    ~TSeedProbe() { Stop(); }
    std::vector<double>& Stop()
    {
        Done = true;
        if (Thread.joinable())
            Thread.join();
        return Dealt;
    }
    std::size_t Asked = 0;

private:
    std::atomic<bool> Done{false};
    std::vector<double> Dealt;
    std::thread Thread;
};

void Print(const char* what, const TFigures& f)
{
    std::printf("%-34s %9.0f submissions/s   p50 %6.2f ms   p99 %6.2f ms   (%zu done, %zu failed)\n", what,
                f.Rate(), f.P50, f.P99, f.Done, f.Failed);
}

bool ParseOptions(int argc, char** argv, TOptions& o)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--server")
            o.Server = value;
        else if (name == "--database")
            o.Database = value;
        else if (name == "--clients")
            o.Clients = std::max(1, std::atoi(value.c_str()));
        else if (name == "--seconds")
            o.Seconds = std::max(0.5, std::atof(value.c_str()));
        else if (name == "--page-results")
            o.PageResults = std::max(0, std::atoi(value.c_str()));
        else if (name == "--threads")
            o.Threads = std::max(0, std::atoi(value.c_str()));
        else if (name == "--server-arg")
            o.ServerArgs.push_back(value);
        else
            return false;
    }
    return !o.Server.empty() && argc % 2 == 1;
}

} // namespace

int main(int argc, char** argv)
{
    TOptions o;
    if (!ParseOptions(argc, argv, o)) {
        std::cerr << "usage: tumbletown-scores-bench --server PATH [--database TARGET] [--clients K] "
                     "[--seconds S]\n"
                     "                              [--page-results N] [--threads T] [--server-arg ARG]...\n";
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    char folder[] = "/tmp/tumbletown-scores-bench.XXXXXX";
    const bool madeFolder = o.Database.empty();
    if (madeFolder) {
        if (::mkdtemp(folder) == nullptr)
            return 1;
        o.Database = std::string(folder) + "/scores.db";
    }

    // The page's results go in first, straight through the storage layer,
    // into a type the load does not touch (the load spreads over all four,
    // so they hold a few thousand each as well).
    std::string error;
    {
        auto db = ScoreServer::OpenScoreDatabase(o.Database, ScoreServer::TDbOptions{1, false}, error);
        if (!db) {
            std::cerr << error << "\n";
            return 1;
        }
        std::vector<ScoreServer::TScoreRecord> batch;
        for (int i = 0; i < o.PageResults; ++i) {
            ScoreServer::TScoreRecord r;
            r.OnlineType = 3;
            r.Name = "filler " + std::to_string(i);
            r.Score = 1 + (i * 7919) % 1000000;
            r.SubmittedAt = 1733788800 + i;
            r.ClientAddress = "127.0.0.1";
            batch.push_back(std::move(r));
            if (batch.size() == 10000 || i + 1 == o.PageResults) {
                if (db->AddMany(batch) != ScoreServer::TDbStatus::Ok) {
                    std::cerr << "cannot fill the database\n";
                    return 1;
                }
                batch.clear();
            }
        }
    }

    const std::uint16_t port = Loopback::FreePort();
    std::printf("%d clients, %.1f s each, new connection per request, 127.0.0.1:%u\n", o.Clients, o.Seconds,
                port);
    TFigures bare;
    {
        TBareLoop loop(port);
        bare = Load(port, o.Clients, o.Seconds);
    }
    Print("bare accept-read-reply-close loop", bare);

    const std::string listen = "127.0.0.1:" + std::to_string(port);
    const std::string threads = std::to_string(o.Threads);
    std::vector<const char*> args = {
        o.Server.c_str(), "--listen", listen.c_str(), "--database", o.Database.c_str(), "--rate-limit", "0"};
    if (o.Threads > 0) // else the server's own default
        args.insert(args.end(), {"--threads", threads.c_str()});
    for (const std::string& a : o.ServerArgs)
        args.push_back(a.c_str());
    args.push_back(nullptr);
    // The server's log goes to a file, as journald would take it.
    const std::string log = "/tmp/tumbletown-scores-bench-" + std::to_string(::getpid()) + ".log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, const_cast<char* const*>(args.data()), environ) != 0) {
        std::cerr << "cannot start " << o.Server << "\n";
        return 1;
    }
    posix_spawn_file_actions_destroy(&actions);
    bool up = false;
    for (int i = 0; i < 200 && !up; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        up = TimeGet(port, "/healthz") >= 0;
    }
    if (!up) {
        std::cerr << "the server did not come up; see " << log << "\n";
        ::kill(pid, SIGKILL);
        return 1;
    }
    std::vector<double> page;
    for (int i = 0; i < 200; ++i) {
        const double ms = TimeGet(port, ScoreServer::WorldPagePath(3));
        if (ms >= 0)
            page.push_back(ms);
    }
    const std::size_t served = page.size();
    std::printf("world page (before the load), %d results of its type: p50 %.2f ms   p99 %.2f ms   (%zu of "
                "200 served)\n",
                o.PageResults, Percentile(page, 0.5), Percentile(page, 0.99), served);
    TLogWatch wal(ScoreServer::IsPostgresTarget(o.Database) ? std::string()
                                                            : SqlitePath(o.Database) + "-wal");
    TSeedProbe seeds(port);
    const TFigures server = Load(port, o.Clients, o.Seconds);
    std::vector<double>& dealt = seeds.Stop();
    const std::uintmax_t largestLog = wal.Stop();
    const std::string name =
        "tumbletown-scores (" +
        std::string(ScoreServer::IsPostgresTarget(o.Database) ? "PostgreSQL" : "SQLite") + ")";
    Print(name.c_str(), server);
    std::printf("%-34s %9.2f of the bare loop's rate\n", "ratio",
                bare.Rate() > 0 ? server.Rate() / bare.Rate() : 0);
    const std::size_t dealtCount = dealt.size();
    std::printf("%-34s     p50 %6.2f ms   p99 %6.2f ms   (%zu of %zu dealt, one every 20 ms)\n",
                "seed requests during the load", Percentile(dealt, 0.5), Percentile(dealt, 0.99), dealtCount,
                seeds.Asked);
    if (!ScoreServer::IsPostgresTarget(o.Database))
        std::printf("%-34s %9.1f MiB at most during the load\n", "write-ahead log",
                    static_cast<double>(largestLog) / (1024.0 * 1024.0));
    // How many results shared a commit, on average: the group commit at work.
    const std::string metrics = Get(port, "/metrics");
    const double stored = Metric(metrics, "tumbletown_submissions_total{outcome=\"stored\"}");
    const double commits = Metric(metrics, "tumbletown_result_commits_total");
    if (stored >= 0 && commits > 0)
        std::printf("%-34s %9.1f results per commit (%.0f commits)\n", "group commit", stored / commits,
                    commits);

    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::unlink(log.c_str());
    if (madeFolder) // the database folder made here goes too
        std::filesystem::remove_all(folder);
    return server.Failed == 0 && served == 200 && dealtCount == seeds.Asked ? 0 : 1;
}
