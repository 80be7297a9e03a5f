// tumbletown-scores-flood: the score server under the replay flood and the
// body attack, beside the same load alone, in one run on loopback.
//
//   tumbletown-scores-flood --server PATH [--clients K] [--seconds S] [--wait W]
//
// The real server (PATH, SQLite in a fresh folder, no rate limit, so that
// the load's clients from 127.0.0.1 are not held back by it) on a free port
// of 127.0.0.1. First, every seed the run's replays will play is asked for
// (GET /api/v1/seed, as the game asks ahead of its games), and the games
// are played on them with the fall ticks in real time: the server verifies
// a replay only with a token of its type that it dealt at least the game's
// played time before.
//  1. K clients send the game's exact result request (built by the game's
//     own code, a new connection each, as the game does) for S seconds:
//     submissions per second, p50 and p99.
//  2. The same, while 8 addresses (127.0.0.2 to .9) each upload the most
//     costly replay the bounds let through for W seconds of play, one a
//     second per address (within the default rate limit of 60 a minute),
//     each on a seed of its own dealt W seconds before, and honest players
//     from 127.0.0.20 on send a result and then its replay, one every half
//     second, each once its played time has passed since its seed was
//     dealt: the same figures, the honest replays verified and refused, and
//     the flood's answers by status.
//  3. 400 connections from 4 addresses each announce a 1 MiB replay and send
//     three quarters of it: the server's resident memory before and at its
//     largest, and the uploads answered 503.
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Replay.h"
#include "rules/Rules.h"
#include "server/OnlineTypes.h"
#include "server/ReplayCheck.h"
#include "store/ScoreSubmit.h"
#include "tests/server/ReplayGames.h"
#include "tools/loopback/LoopbackClient.h"
#include "tools/loopback/LoopbackPort.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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

struct TFloodOptions {
    std::string Server;
    int Clients = 8;
    double Seconds = 10;
    double Wait = 10; // the flood replays' played time: they go this long after their seeds' deal
};

constexpr int kFloodAddresses = 8;
constexpr int kFloodLanes = 4;     // uploads at once per address, each every kFloodLanes seconds
constexpr int kFloodReplays = 160; // distinct flood replays at most, a MiB each

// The online game the flood plays: the colour game's settling (lines in
// four directions, chains) is the rules' costliest step.
constexpr std::int32_t kFloodGame = GFourfall::kGameColorFourfall;

// A seed the server dealt, and when (by the steady clock) it came.
struct TDealt {
    std::string Token;
    Clock::time_point At;
};

// Asks the server for count seeds of the online type, as the game asks; false
// when one is not dealt.
bool DealSeeds(std::uint16_t port, std::int32_t onlineType, int count, std::vector<TDealt>& out)
{
    for (int i = 0; i < count; ++i) {
        const Loopback::TExchange e = Loopback::Exchange(port, BuildSeedRequest(onlineType, "localhost"));
        const std::size_t body = e.Reply.find("\r\n\r\n");
        if (e.Status != 200 || body == std::string::npos)
            return false;
        std::string token = e.Reply.substr(body + 4);
        while (!token.empty() && (token.back() == '\n' || token.back() == '\r'))
            token.pop_back();
        out.push_back({token, Clock::now()});
    }
    return true;
}

// The played time of a replay: its last operation's time.
std::uint32_t PlayedMs(const GFourfall::TReplay& r)
{
    return r.Steps.empty() ? 0 : r.Steps.back().TimeMs;
}

// When the server takes a replay dealt at 'at': its played time later, and
// a second more (the token's time of issue is in whole seconds).
Clock::time_point ReadyAt(const TDealt& dealt, const GFourfall::TReplay& r)
{
    return dealt.At + std::chrono::milliseconds(PlayedMs(r) + 1000);
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(at, v.size() - 1)];
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

void Print(const char* what, const TFigures& f)
{
    std::printf("%-40s %7.0f submissions/s   p50 %7.2f ms   p99 %7.2f ms   (%zu done, %zu failed)\n", what,
                f.Rate(), f.P50, f.P99, f.Done, f.Failed);
}

// A replay as costly to check as the default bounds let one be for playedMs
// of play on the dealt seed: the online well and options of the flood's
// game, the fall ticks in real time at each level's period (as the game's
// timer makes them), and between ticks the mix of moves over and over, as
// many as the byte and operation bounds leave, spread evenly over the play
// (every operation at its tick's time: the shortest lines, so the most of
// them fit). A game that ends before playedMs ends its replay there.
GFourfall::TReplay CostlyGame(const std::string& token, const std::vector<GFourfall::TReplayOp>& mix,
                              std::uint32_t playedMs, const std::string& name, bool paced = true)
{
    using namespace GFourfall;
    const ScoreServer::TReplayBounds bounds;
    TRules rules;
    RulesInit(rules, ServerTest::SeedOfToken(token));
    RegisterGameTypes(rules);
    TReplay r;
    r.Version = "flood";
    r.Token = token;
    r.Seed = SeedOfRandomState(rules);
    r.Columns = ScoreServer::kOnlineColumns;
    r.Rows = ScoreServer::kOnlineRows;
    r.GameNum = kFloodGame;
    r.StartLevel = ScoreServer::kOnlineStartLevel;
    r.Difficulty = ScoreServer::kOnlineDifficulty;
    r.HasClaim = true;
    r.Name = name;
    StartReplayedGame(rules, r);
    std::size_t bytes = ReplayText(r).size() + 40; // the score's digits to come
    std::size_t next = 0;                          // the mix's next operation
    auto line = [](std::uint32_t at, TReplayOp op) {
        return 5 + std::to_string(at).size() + std::string(ReplayOpName(op)).size();
    };
    auto add = [&](std::uint32_t at, TReplayOp op) {
        r.Steps.push_back({at, op});
        bytes += line(at, op);
        ApplyReplayOp(rules, op);
    };
    std::uint32_t tick = 0; // the last tick's time; the start counts as one
    while (!paced && rules.GameState.Status == kStatusPlaying && r.Steps.size() < bounds.MaxOperations &&
           bytes + line(0, TReplayOp::Rotate) <= bounds.MaxBytes)
        add(0, mix[next++ % mix.size()]);
    while (paced && rules.GameState.Status == kStatusPlaying) {
        const std::uint32_t period = static_cast<std::uint32_t>(std::max(rules.GameState.FallPeriod, 10));
        if (tick + period > playedMs)
            break;
        // This interval's share of what the bounds leave: the rest split
        // over the ticks still to come at this period.
        const std::size_t ticksLeft = (playedMs - tick) / period;
        const std::size_t perLine = line(playedMs, TReplayOp::Rotate);
        const std::size_t byBytes = bytes + perLine * (ticksLeft + 1) < bounds.MaxBytes
                                        ? (bounds.MaxBytes - bytes) / perLine - ticksLeft
                                        : 0;
        const std::size_t byOps = bounds.MaxOperations > r.Steps.size() + ticksLeft
                                      ? bounds.MaxOperations - r.Steps.size() - ticksLeft
                                      : 0;
        const std::size_t share = std::min(byBytes, byOps) / std::max<std::size_t>(ticksLeft, 1);
        for (std::size_t k = 0; k < share && rules.GameState.Status == kStatusPlaying; ++k)
            add(tick, mix[next++ % mix.size()]);
        if (rules.GameState.Status != kStatusPlaying)
            break;
        tick += period;
        add(tick, TReplayOp::Tick);
    }
    r.Score = rules.GameState.Score;
    return r;
}

// The mixes of moves tried between the ticks; the one whose replay takes
// the checker the most CPU time floods the server.
std::vector<std::vector<GFourfall::TReplayOp>> FloodMixes()
{
    using GFourfall::TReplayOp;
    std::vector<std::vector<TReplayOp>> mixes = {
        {TReplayOp::Rotate},
        {TReplayOp::Left, TReplayOp::Right},
        {TReplayOp::Down},
        {TReplayOp::Drop},
        {TReplayOp::Rotate, TReplayOp::Left, TReplayOp::Rotate, TReplayOp::Right},
        {TReplayOp::Drop, TReplayOp::Left, TReplayOp::Drop, TReplayOp::Right, TReplayOp::Rotate},
    };
    // Figures spread over the whole width, so that the well fills slowly and
    // colours meet all over it: each figure moved 0 to 6 columns to one side
    // or the other (turned now and then) and dropped.
    std::vector<TReplayOp> sweep;
    for (int column = 0; column < ScoreServer::kOnlineColumns; ++column) {
        if (column % 3 == 0)
            sweep.push_back(TReplayOp::Rotate);
        for (int i = 0; i < column / 2; ++i)
            sweep.push_back(column % 2 == 0 ? TReplayOp::Left : TReplayOp::Right);
        sweep.push_back(TReplayOp::Drop);
    }
    mixes.push_back(sweep);
    return mixes;
}

// CPU time of this thread, in milliseconds.
double ThreadCpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// What a check of the text costs the server: CPU time of the whole check
// (reading and play; the smallest of three) and of the play alone.
struct TCheckCost {
    double TotalMs = 0, PlayMs = 0;
    ScoreServer::TReplayRefusal Refusal = ScoreServer::TReplayRefusal::None;
};

TCheckCost CheckCost(const std::string& text)
{
    const ScoreServer::TReplayChecker checker;
    TCheckCost cost;
    cost.TotalMs = 1e9;
    for (int i = 0; i < 3; ++i) {
        const double start = ThreadCpuMs();
        const ScoreServer::TCheckedReplay checked = checker.Check(text);
        cost.TotalMs = std::min(cost.TotalMs, ThreadCpuMs() - start);
        cost.PlayMs = static_cast<double>(checked.CpuMicros) / 1000.0;
        cost.Refusal = checked.Refusal;
    }
    return cost;
}

// Tries every mix on the first dealt seed and keeps the costliest to check
// in all, reading included, printing each one's figures.
std::vector<GFourfall::TReplayOp> CostliestMix(const std::string& token, std::uint32_t playedMs)
{
    std::vector<GFourfall::TReplayOp> best;
    double bestMs = -1;
    for (const std::vector<GFourfall::TReplayOp>& mix : FloodMixes()) {
        const GFourfall::TReplay r = CostlyGame(token, mix, playedMs, "Flood");
        const std::string text = GFourfall::ReplayText(r);
        const TCheckCost cost = CheckCost(text);
        const double ms = cost.TotalMs;
        std::string names;
        for (std::size_t i = 0; i < mix.size() && i < 6; ++i)
            names += std::string(names.empty() ? "" : " ") + GFourfall::ReplayOpName(mix[i]);
        std::printf("  ticks in real time, between them %s%s: %zu bytes, %zu operations over %.1f s; CPU to "
                    "check %.1f ms, %.1f of them playing (%s)\n",
                    names.c_str(), mix.size() > 6 ? " ..." : "", text.size(), r.Steps.size(),
                    PlayedMs(r) / 1000.0, cost.TotalMs, cost.PlayMs,
                    ScoreServer::ReplayRefusalName(cost.Refusal));
        if (ms > bestMs) {
            bestMs = ms;
            best = mix;
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

// What the server spends on a replay that is not played in real time at
// all (every operation at 0 ms, its ticks in the mix) before it refuses it:
// the pace and the token are judged after the play. Printed beside the
// flood's, for the costliest of a few mixes; such a replay needs no seed
// dealt and no wait.
void PrintUnpacedCost(const std::string& token)
{
    using GFourfall::TReplayOp;
    const std::vector<std::vector<TReplayOp>> mixes = {
        {TReplayOp::Tick},
        {TReplayOp::Tick, TReplayOp::Rotate},
        {TReplayOp::Drop, TReplayOp::Tick, TReplayOp::Left, TReplayOp::Tick, TReplayOp::Right,
         TReplayOp::Rotate},
        {TReplayOp::Tick, TReplayOp::Rotate, TReplayOp::Left, TReplayOp::Tick, TReplayOp::Right,
         TReplayOp::Rotate, TReplayOp::Tick, TReplayOp::Left, TReplayOp::Left, TReplayOp::Tick,
         TReplayOp::Right, TReplayOp::Right},
    };
    TCheckCost worst;
    std::size_t ops = 0, bytes = 0;
    for (const std::vector<TReplayOp>& mix : mixes) {
        const GFourfall::TReplay r = CostlyGame(token, mix, 0, "Unpaced", false);
        const std::string text = GFourfall::ReplayText(r);
        const TCheckCost cost = CheckCost(text);
        if (cost.TotalMs > worst.TotalMs) {
            worst = cost;
            ops = r.Steps.size();
            bytes = text.size();
        }
    }
    std::printf("  (not in real time, every operation at 0 ms: at most %.1f ms of CPU to check, %.1f of them "
                "playing, %zu bytes, %zu operations, refused only after the play: %s)\n",
                worst.TotalMs, worst.PlayMs, bytes, ops, ScoreServer::ReplayRefusalName(worst.Refusal));
}

} // namespace

const char kUsage[] =
    "usage: tumbletown-scores-flood --server PATH [--clients K] [--seconds S] [--wait W]\n"
    "  --server PATH  the tumbletown-scores executable to run (SQLite in a fresh folder, on a free port)\n"
    "  --clients K    clients of the ordinary load, each one request after another (default 8)\n"
    "  --seconds S    length of the load alone and of the load during the flood (default 10)\n"
    "  --wait W       seconds of play in each flood replay, so the flood goes W s (and a second)\n"
    "                 after its seeds are dealt, as the server takes a replay no sooner than its\n"
    "                 played time after the deal (default 10: ready as the flood starts, a run\n"
    "                 of about a minute; a longer W fits fewer operations per second of play\n"
    "                 and holds the flood back until W has passed)\n"
    "Every seed is dealt by the server before the first phase; the honest players' games play\n"
    "for a few seconds each and are sent once their played time has passed since their deal.\n";

int main(int argc, char** argv)
{
    TFloodOptions o;
    bool ok = argc % 2 == 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--server")
            o.Server = value;
        else if (name == "--clients")
            o.Clients = std::max(1, std::atoi(value.c_str()));
        else if (name == "--seconds")
            o.Seconds = std::max(1.0, std::atof(value.c_str()));
        else if (name == "--wait")
            o.Wait = std::max(1.0, std::atof(value.c_str()));
        else
            ok = false;
    }
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (!ok || o.Server.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);

    char folder[] = "/tmp/tumbletown-scores-flood.XXXXXX";
    if (::mkdtemp(folder) == nullptr)
        return 1;
    const std::string database = std::string(folder) + "/scores.db";
    const std::uint16_t port = Loopback::FreePort();
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
        up = Loopback::Exchange(port, "GET /healthz HTTP/1.0\r\n\r\n").Status == 200;
    }
    if (!up) {
        std::cerr << "the server did not come up; see " << log << "\n";
        ::kill(pid, SIGKILL);
        return 1;
    }

    // The seeds, dealt ahead as the game asks for them, and the games
    // played on them. The flood: one upload a second per address for the
    // flood's length and a little more, each on a seed of its own, up to
    // kFloodReplays of a MiB each (a long run sends them again: they are
    // never verified, so their tokens stay unused and each costs the same).
    const int floodCount = std::min(kFloodAddresses * (static_cast<int>(o.Seconds) + 6), kFloodReplays);
    const int honestCount = static_cast<int>(o.Seconds * 2) + 2;
    std::vector<TDealt> floodSeeds, honestSeeds;
    bool dealt = DealSeeds(port, GFourfall::OnlineType(kFloodGame), floodCount, floodSeeds);
    for (int i = 0; dealt && i < honestCount; ++i)
        dealt = DealSeeds(
            port, GFourfall::OnlineType(i % 2 ? GFourfall::kGameColorFourfall : GFourfall::kGameFourfall), 1,
            honestSeeds);
    if (!dealt) {
        std::cerr << "the server dealt no seed; see " << log << "\n";
        ::kill(pid, SIGKILL);
        return 1;
    }
    const std::uint32_t waitMs = static_cast<std::uint32_t>(o.Wait * 1000);
    std::printf("the flood's replays, %.0f s of play each on a dealt seed of the colour game:\n", o.Wait);
    const std::vector<GFourfall::TReplayOp> mix = CostliestMix(floodSeeds[0].Token, waitMs);
    PrintUnpacedCost(floodSeeds[0].Token);
    struct TUpload {
        std::string Request;
        Clock::time_point Ready;
    };
    std::vector<TUpload> floods;
    std::size_t floodBytes = 0, floodOps = 0;
    for (std::size_t i = 0; i < floodSeeds.size(); ++i) {
        const GFourfall::TReplay r =
            CostlyGame(floodSeeds[i].Token, mix, waitMs, "Flood " + std::to_string(i));
        const std::string text = GFourfall::ReplayText(r);
        floodBytes += text.size();
        floodOps += r.Steps.size();
        floods.push_back({BuildReplayRequest(text, "localhost"), ReadyAt(floodSeeds[i], r)});
    }
    std::printf("the flood: %zu replays of the costliest mix, %.0f bytes and %.0f operations on average\n",
                floods.size(), static_cast<double>(floodBytes) / floods.size(),
                static_cast<double>(floodOps) / floods.size());
    std::vector<GFourfall::TReplay> games;
    for (int i = 0; i < honestCount; ++i)
        games.push_back(
            ServerTest::DealtGame(honestSeeds[static_cast<std::size_t>(i)].Token,
                                  i % 2 ? GFourfall::kGameColorFourfall : GFourfall::kGameFourfall,
                                  "Honest " + std::to_string(i), 2000));
    double longest = 0;
    for (const GFourfall::TReplay& g : games)
        longest = std::max(longest, PlayedMs(g) / 1000.0);
    std::printf("honest games: %d, up to %.1f s of play each\n", honestCount, longest);

    std::printf("%d clients, %.0f s each phase, new connection per request, %s\n", o.Clients, o.Seconds,
                listen.c_str());

    // 1. Alone.
    Print("submissions alone", Load(port, o.Clients, o.Seconds));

    // 2. During the flood, with honest players. The flood goes once its
    // first replays' played time has passed since their deal.
    std::this_thread::sleep_until(floods.front().Ready);
    std::atomic<bool> stop{false};
    std::atomic<std::size_t> nextFlood{0};
    std::mutex mutex;
    std::map<int, int> floodStatuses;
    std::vector<std::thread> flooders;
    for (int a = 0; a < kFloodAddresses; ++a)
        for (int lane = 0; lane < kFloodLanes; ++lane) // each every kFloodLanes s: one a second per address
            flooders.emplace_back([&, a, lane] {
                const std::string from = "127.0.0." + std::to_string(2 + a);
                std::this_thread::sleep_for(std::chrono::milliseconds(1000 * lane / kFloodLanes));
                while (!stop) {
                    const Clock::time_point next = Clock::now() + std::chrono::seconds(kFloodLanes);
                    // Each on a seed of its own while they last, then again from the first.
                    const TUpload& upload = floods[nextFlood++ % floods.size()];
                    std::this_thread::sleep_until(upload.Ready);
                    const int status = Loopback::Exchange(port, upload.Request, from.c_str()).Status;
                    {
                        std::lock_guard<std::mutex> hold(mutex);
                        ++floodStatuses[status];
                    }
                    while (!stop && Clock::now() < next)
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            });
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
                // The game sends its result at the end, its replay just after.
                std::this_thread::sleep_until(ReadyAt(honestSeeds[i], g));
                const std::string result =
                    BuildScoreRequest(GFourfall::OnlineType(g.GameNum), g.Name.c_str(), g.Score, "localhost");
                Loopback::Exchange(port, result, from.c_str());
                const Clock::time_point t = Clock::now();
                const int status =
                    Loopback::Exchange(port, BuildReplayRequest(GFourfall::ReplayText(g), "localhost"),
                                       from.c_str())
                        .Status;
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
                fds[static_cast<std::size_t>(i)] = Loopback::Connect(port, from.c_str());
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
