// What the score server spends on one uploaded replay of a ten-minute game:
// the request as the HTTP side hands it over, through the service's own
// handling: the text read within the bounds, the game played again in a
// fresh rules state with its CPU budget, the result it claims found and
// marked verified, and the replay kept, in an SQLite file as the server
// keeps it (write-ahead log, synchronous=FULL). Only the upload is timed;
// the result it verifies is sent before, untimed, as the game sends it. Each
// game carries a seed token signed with the database's secret an hour before
// (as another server of the database would have dealt it).
#include "rules/GameTypes.h"
#include "server/ReplayCheck.h"
#include "server/ScoreDatabase.h"
#include "server/ScoreService.h"
#include "server/SeedToken.h"
#include "store/ScorePayload.h"
#include "store/ScoreSubmit.h"
#include "tests/platform/TempFolder.h"
#include "tests/server/ReplayGames.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <string>
#include <vector>

namespace {

using namespace ScoreServer;

constexpr int kGames = 200; // each verifies once: one game per iteration

// Ten minutes of moves on the big board, then drops until the game ends.
struct TGame {
    GFourfall::TReplay Replay;
    std::string Text;
    std::int32_t Score;
    std::size_t Operations;
    std::uint32_t PlayedMs;
};

const std::vector<TGame>& Games(std::int32_t gameNum)
{
    static std::vector<TGame> games[GFourfall::kGameTypeCount];
    std::vector<TGame>& list = games[gameNum];
    if (list.empty()) {
        for (int i = 0; i < kGames; ++i) {
            const GFourfall::TReplay r = ServerTest::PlayedGame(
                gameNum, 1000u + static_cast<std::uint32_t>(i), "Bench", 600000, 13, 31);
            list.push_back(
                TGame{r, GFourfall::ReplayText(r), r.Score, r.Steps.size(), r.Steps.back().TimeMs});
        }
    }
    return list;
}

TRequest Request(const std::string& method, const std::string& path)
{
    TRequest r;
    r.Method = method;
    r.Path = path;
    r.ClientAddress = "127.0.0.1";
    return r;
}

// The game's own result request, taken apart as the HTTP library does.
TRequest Result(std::int32_t type, std::int32_t score)
{
    const std::string request = BuildScoreRequest(type, "Bench", score, "localhost");
    const std::size_t at = request.find("inf=") + 4;
    TRequest r = Request("GET", kScriptPath);
    r.Args = {{"hs", std::nullopt},
              {"prg", std::string(kProgramTag)},
              {"inf", request.substr(at, request.find(' ', at) - at)}};
    return r;
}

void BM_VerifyTenMinuteGame(benchmark::State& state)
{
    const std::int32_t gameNum = static_cast<std::int32_t>(state.range(0));
    const std::int32_t type = GFourfall::OnlineType(gameNum);
    const std::vector<TGame>& games = Games(gameNum);
    TestSupport::TempFolder folder;
    std::string error;
    auto db = OpenScoreDatabase(folder.Path() + "/scores.db", TDbOptions{1, false}, error);
    if (!db) {
        state.SkipWithError(error.c_str());
        return;
    }
    TRateLimiter limiter(0);
    TScoreService service(*db, limiter);
    std::string secret;
    if (db->Secret(RandomHex(kSeedSecretBytes), secret) != TDbStatus::Ok) {
        state.SkipWithError("no secret");
        return;
    }
    const std::int64_t hourAgo = static_cast<std::int64_t>(std::time(nullptr)) - 3600;
    std::size_t next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (next == games.size()) {
            state.SkipWithError("out of games");
            break;
        }
        const TGame& game = games[next++];
        if (service.Handle(Result(type, game.Score)).Status != 200) {
            state.SkipWithError("the result was not stored");
            break;
        }
        TRequest upload = Request("POST", kApiReplaysPath);
        upload.BodyState = TBodyState::Complete;
        GFourfall::TReplay dealt = game.Replay;
        dealt.Token = IssueSeedToken(secret, type, dealt.Seed, hourAgo, RandomHex(kSeedNonceBytes));
        upload.Body = GFourfall::ReplayText(dealt);
        state.ResumeTiming();
        const THttpResponse r = service.Handle(upload);
        if (r.Status != 200) {
            state.SkipWithError(r.Body.c_str());
            break;
        }
    }
    double operations = 0, bytes = 0, playedMs = 0;
    for (std::size_t i = 0; i < next; ++i) {
        operations += static_cast<double>(games[i].Operations);
        bytes += static_cast<double>(games[i].Text.size());
        playedMs += games[i].PlayedMs;
    }
    const double n = next > 0 ? static_cast<double>(next) : 1.0;
    state.counters["operations"] = operations / n;
    state.counters["bytes"] = bytes / n;
    state.counters["playedMs"] = playedMs / n;
}
BENCHMARK(BM_VerifyTenMinuteGame)
    ->Arg(GFourfall::kGameFourfall)
    ->Arg(GFourfall::kGameColorFourfall)
    ->Iterations(kGames)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// Replays checked per second (items per second, over the wall clock) by one
// checker that 1, 2 and 4 threads call at once: the check alone, read and
// played, without the database. A check refused for want of room to play
// it counts as none.
void BM_CheckReplaysOnThreads(benchmark::State& state)
{
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> list;
        for (std::uint32_t seed = 1; seed <= 16; ++seed)
            list.push_back(ServerTest::PlayedGameText(GFourfall::kGameFourfall, seed, "Bench", 60000));
        return list;
    }();
    static TReplayChecker checker;
    std::size_t next = static_cast<std::size_t>(state.thread_index());
    std::int64_t checked = 0;
    for (auto _ : state) {
        const TCheckedReplay r = checker.Check(texts[next++ % texts.size()]);
        checked += r.Refusal == TReplayRefusal::None ? 1 : 0;
    }
    state.SetItemsProcessed(checked);
}
BENCHMARK(BM_CheckReplaysOnThreads)
    ->Threads(1)
    ->Threads(2)
    ->Threads(4)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace
