// tumbletown-scores-flood: the score server under the replay flood and the
// body attack, beside the same load alone, in one run on loopback.
//
//   tumbletown-scores-flood --server PATH [--clients K] [--seconds S]
//
// The real server (PATH, SQLite in a fresh folder, no rate limit, so that
// the load's clients from 127.0.0.1 are not held back by it) on a free port
// of 127.0.0.1:
//  1. K clients send the game's exact result request (built by the game's
//     own code, a new connection each, as the game does) for S seconds:
//     submissions per second, p50 and p99.
//  2. The same, while 8 addresses (127.0.0.2 to .9) each upload the most
//     costly replay the bounds let through, one a second per address (within
//     the default rate limit of 60 a minute), and honest players from
//     127.0.0.20 on send a result and then its replay, one every half
//     second: the same figures, the honest replays verified and refused,
//     and the flood's answers by status.
//  3. 400 connections from 4 addresses each announce a 1 MiB replay and send
//     three quarters of it: the server's resident memory before and at its
//     largest, and the uploads answered 503.
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Replay.h"
#include "server/ReplayCheck.h"
#include "store/ScoreSubmit.h"
#include "tests/server/ReplayGames.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
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
    int Clients = 8;
    double Seconds = 10;
};

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(at, v.size() - 1)];
}

int Connect(std::uint16_t port, const char* from)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &local.sin_addr);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The port is chosen at connect, by the whole address pair: bound
    // alone, thousands of connections a second run out of ports held in
    // TIME_WAIT, and the load's requests fail in the client, not the server.
    int yes = 1;
    if (fd >= 0)
        ::setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &yes, sizeof yes);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
        ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// One exchange as the game makes it (the sending side shut after the
// request, read until the server closes, at most 30 s); the status, 0 for none.
int Exchange(std::uint16_t port, const char* from, const std::string& request)
{
    const int fd = Connect(port, from);
    if (fd < 0)
        return 0;
    bool ok =
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
    ::shutdown(fd, SHUT_WR);
    std::string reply;
    char buffer[2048];
    pollfd p{fd, POLLIN, 0};
    while (ok && ::poll(&p, 1, 30000) > 0) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return reply.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(reply.c_str() + 9) : 0;
}

struct TFigures {
    std::size_t Done = 0, Failed = 0;
    double Seconds = 0, P50 = 0, P99 = 0;
    double Rate() const { return Seconds > 0 ? static_cast<double>(Done) / Seconds : 0; }
};

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
                const std::string name = "load " + std::to_string(c) + "-" + std::to_string(i);
                const std::string request =
                    BuildScoreRequest(i % 4, name.c_str(), 1 + (i * 7919) % 100000, "localhost");
                const Clock::time_point t = Clock::now();
                if (Exchange(port, "127.0.0.1", request) == 200)
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

void Print(const char* what, const TFigures& f)
{
    std::printf("%-40s %7.0f submissions/s   p50 %7.2f ms   p99 %7.2f ms   (%zu done, %zu failed)\n", what,
                f.Rate(), f.P50, f.P99, f.Done, f.Failed);
}

// The costliest replay the default bounds let through, of the candidates
// here: a colour game on the largest board a replay may name, its
// operations all at time 0 (the shortest lines, so the most of them fit in
// the byte bound), in several mixes of falls, drops and moves. Each
// candidate is read and played here; the one whose play takes the most CPU
// time floods the server.
std::string CostlyReplay(double& cpuMs, double& checkMs, std::size_t& operations)
{
    const ScoreServer::TReplayBounds bounds;
    using GFourfall::TReplayOp;
    std::vector<std::vector<TReplayOp>> mixes = {
        {TReplayOp::Tick},
        {TReplayOp::Drop},
        {TReplayOp::Down},
        {TReplayOp::Tick, TReplayOp::Rotate},
        {TReplayOp::Drop, TReplayOp::Left, TReplayOp::Drop, TReplayOp::Right, TReplayOp::Rotate},
        {TReplayOp::Tick, TReplayOp::Rotate, TReplayOp::Left, TReplayOp::Tick, TReplayOp::Right,
         TReplayOp::Rotate, TReplayOp::Tick, TReplayOp::Left, TReplayOp::Left, TReplayOp::Tick,
         TReplayOp::Right, TReplayOp::Right},
    };
    // Figures spread over the whole width, so that the board fills slowly
    // and colours meet all over it: each figure moved 0 to 31 columns to
    // one side or the other (turned now and then) and dropped, or let fall.
    for (const TReplayOp land : {TReplayOp::Drop, TReplayOp::Tick}) {
        std::vector<TReplayOp> sweep;
        for (int column = 0; column < GFourfall::kMaxPlaySize; ++column) {
            const int shift = column / 2;
            if (column % 3 == 0)
                sweep.push_back(TReplayOp::Rotate);
            for (int i = 0; i < shift; ++i)
                sweep.push_back(column % 2 == 0 ? TReplayOp::Left : TReplayOp::Right);
            for (int i = 0; i < (land == TReplayOp::Drop ? 1 : GFourfall::kMaxPlaySize); ++i)
                sweep.push_back(land);
        }
        mixes.push_back(sweep);
    }
    std::string best;
    cpuMs = -1;
    for (const std::vector<TReplayOp>& mix : mixes) {
        GFourfall::TReplay r = ServerTest::PlayedGame(GFourfall::kGameColorFourfall, 5, "Flood", 0,
                                                      GFourfall::kMaxPlaySize, GFourfall::kMaxPlaySize);
        r.Steps.clear();
        // Each line is "at 0 OP\n": add operations while the text stays
        // within the byte bound and the operation bound.
        std::size_t bytes = GFourfall::ReplayText(r).size();
        for (std::size_t i = 0; r.Steps.size() < bounds.MaxOperations; ++i) {
            const TReplayOp op = mix[i % mix.size()];
            const std::size_t line = 6 + std::strlen(GFourfall::ReplayOpName(op));
            if (bytes + line > bounds.MaxBytes)
                break;
            bytes += line;
            r.Steps.push_back({0, op});
        }
        const std::string text = GFourfall::ReplayText(r);
        ScoreServer::TReplayChecker checker(bounds);
        const Clock::time_point start = Clock::now();
        const ScoreServer::TCheckedReplay checked = checker.Check(text);
        const double ms = static_cast<double>(checked.CpuMicros) / 1000.0;
        std::string names;
        for (std::size_t i = 0; i < mix.size() && i < 12; ++i)
            names += std::string(names.empty() ? "" : " ") + GFourfall::ReplayOpName(mix[i]);
        std::printf("  a replay of %s ...: %zu operations, %.1f ms of CPU to play (%s)\n", names.c_str(),
                    r.Steps.size(), ms, ScoreServer::ReplayRefusalName(checked.Refusal));
        if (ms > cpuMs) {
            cpuMs = ms;
            checkMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            operations = r.Steps.size();
            best = text;
        }
    }
    return best;
}

std::size_t ResidentKiB(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return static_cast<std::size_t>(std::atol(line.c_str() + 6));
    return 0;
}

std::uint16_t FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

} // namespace

int main(int argc, char** argv)
{
    TOptions o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--server")
            o.Server = value;
        else if (name == "--clients")
            o.Clients = std::max(1, std::atoi(value.c_str()));
        else if (name == "--seconds")
            o.Seconds = std::max(1.0, std::atof(value.c_str()));
        else
            o.Server.clear();
    }
    if (o.Server.empty() || argc % 2 == 0) {
        std::cerr << "usage: tumbletown-scores-flood --server PATH [--clients K] [--seconds S]\n";
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    double costMs = 0, checkMs = 0;
    std::size_t operations = 0;
    const std::string costly = CostlyReplay(costMs, checkMs, operations);
    const std::string flood = BuildReplayRequest(costly, "localhost");
    std::printf("the costliest replay: %zu bytes, %zu operations, %.0f ms of CPU to play, %.0f ms to read "
                "and play here\n",
                costly.size(), operations, costMs, checkMs);

    char folder[] = "/tmp/tumbletown-scores-flood.XXXXXX";
    if (::mkdtemp(folder) == nullptr)
        return 1;
    const std::string database = std::string(folder) + "/scores.db";
    const std::uint16_t port = FreePort();
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    const char* args[] = {o.Server.c_str(), "--listen", listen.c_str(), "--database", database.c_str(),
                          "--rate-limit",   "0",        nullptr};
    const std::string log = std::string(folder) + "/server.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, const_cast<char* const*>(args), environ) != 0) {
        std::cerr << "cannot start " << o.Server << "\n";
        return 1;
    }
    posix_spawn_file_actions_destroy(&actions);
    bool up = false;
    for (int i = 0; i < 200 && !up; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        up = Exchange(port, "127.0.0.1", "GET /healthz HTTP/1.0\r\n\r\n") == 200;
    }
    if (!up) {
        std::cerr << "the server did not come up; see " << log << "\n";
        ::kill(pid, SIGKILL);
        return 1;
    }
    std::printf("%d clients, %.0f s each phase, new connection per request, %s\n", o.Clients, o.Seconds,
                listen.c_str());

    // 1. Alone.
    Print("submissions alone", Load(port, o.Clients, o.Seconds));

    // 2. During the flood, with honest players.
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::map<int, int> floodStatuses;
    std::vector<std::thread> flooders;
    for (int a = 0; a < 8; ++a)
        for (int lane = 0; lane < 4; ++lane) // four at once, each every 4 s: one a second per address
            flooders.emplace_back([&, a, lane] {
                const std::string from = "127.0.0." + std::to_string(2 + a);
                std::this_thread::sleep_for(std::chrono::milliseconds(250 * lane));
                while (!stop) {
                    const Clock::time_point next = Clock::now() + std::chrono::seconds(4);
                    const int status = Exchange(port, from.c_str(), flood);
                    {
                        std::lock_guard<std::mutex> hold(mutex);
                        ++floodStatuses[status];
                    }
                    while (!stop && Clock::now() < next)
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            });
    std::vector<GFourfall::TReplay> games;
    for (int i = 0; i < static_cast<int>(o.Seconds * 2) + 2; ++i)
        games.push_back(
            ServerTest::PlayedGame(i % 2 ? GFourfall::kGameColorFourfall : GFourfall::kGameFourfall,
                                   300u + static_cast<unsigned>(i), "Honest " + std::to_string(i)));
    std::this_thread::sleep_for(std::chrono::seconds(2)); // the flood is on
    std::vector<double> honestMs;
    std::map<int, int> honestStatuses;
    std::thread honest([&] {
        std::vector<std::thread> players;
        const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                         std::chrono::duration<double>(o.Seconds));
        for (std::size_t i = 0; i < games.size() && Clock::now() < end; ++i) {
            players.emplace_back([&, i] {
                const GFourfall::TReplay& g = games[i];
                const std::string from = "127.0.0." + std::to_string(20 + i % 200);
                const std::string result =
                    BuildScoreRequest(GFourfall::OnlineType(g.GameNum), g.Name.c_str(), g.Score, "localhost");
                Exchange(port, from.c_str(), result);
                const Clock::time_point t = Clock::now();
                const int status =
                    Exchange(port, from.c_str(), BuildReplayRequest(GFourfall::ReplayText(g), "localhost"));
                const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t).count();
                std::lock_guard<std::mutex> hold(mutex);
                ++honestStatuses[status];
                honestMs.push_back(ms);
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
        for (std::thread& t : players)
            t.join();
    });
    const TFigures during = Load(port, o.Clients, o.Seconds);
    honest.join();
    stop = true;
    for (std::thread& t : flooders)
        t.join();
    Print("submissions during the replay flood", during);
    auto statuses = [](const std::map<int, int>& counts) {
        std::string text;
        for (const auto& [status, n] : counts)
            text += (text.empty() ? "" : ", ") + std::to_string(n) + " x " +
                    (status == 0 ? "none" : std::to_string(status));
        return text;
    };
    std::printf("honest replays: %s   p50 %.0f ms   p99 %.0f ms\n", statuses(honestStatuses).c_str(),
                Percentile(honestMs, 0.5), Percentile(honestMs, 0.99));
    std::printf("flood replays (8 addresses): %s\n", statuses(floodStatuses).c_str());

    // 3. The body attack.
    const std::size_t before = ResidentKiB(pid);
    const std::string head = "POST /api/v1/replays HTTP/1.1\r\nHost: x\r\nContent-Length: 1048576\r\n\r\n";
    const std::string part(768 * 1024, '#');
    std::vector<int> fds(400, -1);
    std::atomic<int> refused{0};
    std::atomic<std::size_t> largest{before};
    std::atomic<bool> sent{false};
    std::thread watch([&] {
        while (!sent) {
            largest = std::max<std::size_t>(largest, ResidentKiB(pid));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::vector<std::thread> attackers;
    for (int t = 0; t < 8; ++t)
        attackers.emplace_back([&, t] {
            for (int i = t; i < 400; i += 8) {
                const std::string from = "127.0.0." + std::to_string(40 + i % 4);
                fds[static_cast<std::size_t>(i)] = Connect(port, from.c_str());
                const int fd = fds[static_cast<std::size_t>(i)];
                if (fd < 0)
                    continue;
                ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 50) > 0) { // answered before the body: refused
                    char reply[16] = {};
                    if (::recv(fd, reply, sizeof reply - 1, 0) > 0 &&
                        std::strncmp(reply, "HTTP/1.1 503", 12) == 0)
                        ++refused;
                    continue;
                }
                // Non-blocking, so that a server that stops reading can't hold the attack up.
                ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
                std::size_t at = 0;
                const Clock::time_point until = Clock::now() + std::chrono::seconds(3);
                while (at < part.size() && Clock::now() < until) {
                    const ssize_t n = ::send(fd, part.data() + at, part.size() - at, MSG_NOSIGNAL);
                    if (n > 0)
                        at += static_cast<std::size_t>(n);
                    else
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            }
        });
    for (std::thread& t : attackers)
        t.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    sent = true;
    watch.join();
    largest = std::max<std::size_t>(largest, ResidentKiB(pid));
    std::printf(
        "400 connections from 4 addresses, 3/4 of a 1 MiB body each: RSS %.1f MiB before, %.1f MiB at "
        "most; %d uploads answered 503\n",
        static_cast<double>(before) / 1024.0, static_cast<double>(largest.load()) / 1024.0, refused.load());
    for (int fd : fds)
        if (fd >= 0)
            ::close(fd);

    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (std::getenv("TUMBLETOWN_KEEP_LOG") != nullptr)
        std::printf("the server's log: %s\n", log.c_str());
    else
        std::filesystem::remove_all(folder);
    return 0;
}
