// How fast the rules run: whole seeded games and the colour game's settle.
#include "rules/AbsFigure.h"
#include "rules/CFourfall.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
#include "rules/Replay.h"
#include "rules/Rules.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

namespace {

using namespace GFourfall;

// Plays one game of the given number to its end with a fixed, simple player:
// every figure is turned and moved by the random generator's next values and
// dropped. Returns the number of figures played.
int64_t PlayGame(TRules& rules, int32_t gameNum, uint32_t seed)
{
    RulesReset(rules);
    ResetOptions(rules.Options);
    ClearScores(rules.HiScores);
    RulesInit(rules, seed);
    RegisterGameTypes(rules);
    SetSize(rules, 13, 31);
    SelectGame(rules, gameNum);
    StartGame(rules);
    int64_t figures = 0;
    while (rules.GameState.Status == kStatusPlaying) {
        TAbsFigure* f = rules.GameState.CurFig;
        const int turns = Random(rules) % 4;
        const int shift = Random(rules) % 13 - 6;
        for (int i = 0; i < turns; ++i) {
            f->Rotate();
        }
        for (int i = 0; i < (shift < 0 ? -shift : shift); ++i) {
            shift < 0 ? f->Left() : f->Right();
        }
        f->Drop();
        while (rules.GameState.Status == kStatusPlaying && rules.GameState.CurFig == f) {
            FallTick(rules);
        }
        ++figures;
    }
    return figures;
}

void BM_PlayGame(benchmark::State& state)
{
    const auto gameNum = static_cast<int32_t>(state.range(0));
    TRules rules;
    int64_t figures = 0;
    uint32_t seed = 1;
    for (auto _ : state) {
        figures += PlayGame(rules, gameNum, seed++);
    }
    state.SetItemsProcessed(figures);
    state.counters["figures/game"] = benchmark::Counter(static_cast<double>(figures) / state.iterations());
    RulesReset(rules);
}
BENCHMARK(BM_PlayGame)->DenseRange(0, 8);

// The colour settle over a well filled with random colours: many lines and
// long chains.
void BM_ColourSettleFullWell(benchmark::State& state)
{
    TRules rules;
    RulesReset(rules);
    SetSize(rules, 13, 31);
    SeedRandom(rules, 5);
    uint8_t board[kBoardSize][kBoardSize];
    for (int y = 1; y <= 31; ++y) {
        for (int x = 1; x <= 13; ++x) {
            rules.GameState.Board[y][x] = static_cast<uint8_t>(Random(rules) % 6 + 1);
        }
    }
    std::copy(&rules.GameState.Board[0][0], &rules.GameState.Board[0][0] + sizeof board, &board[0][0]);
    TCFourfall game(rules, 4);
    for (auto _ : state) {
        std::copy(&board[0][0], &board[0][0] + sizeof board, &rules.GameState.Board[0][0]);
        rules.GameState.LinesLeft = 1000000;
        game.Settle();
        benchmark::DoNotOptimize(rules.GameState.Score);
    }
    RulesReset(rules);
}
BENCHMARK(BM_ColourSettleFullWell);

// Ten minutes of play as a replay records it: the fall timer's ticks at the
// level's period and a move every 200 ms (sideways, turns, now and then a
// push down), played by the rules as they go, so that the record is a real
// game. Returns the replay text.
std::string TenMinuteGameText(TRules& rules, int32_t gameNum)
{
    RulesReset(rules);
    ResetOptions(rules.Options);
    ClearScores(rules.HiScores);
    RulesInit(rules, 2024);
    RegisterGameTypes(rules);
    TReplay r;
    r.Version = "bench";
    r.Seed = SeedOfRandomState(rules);
    r.Columns = 13;
    r.Rows = 31;
    r.GameNum = gameNum;
    r.StartLevel = rules.Options.StartLevel;
    r.Difficulty = rules.Options.Difficulty;
    StartReplayedGame(rules, r);
    uint32_t player = 99; // the player's own choices, apart from the rules' generator
    const TReplayOp moves[] = {TReplayOp::Left, TReplayOp::Right, TReplayOp::Rotate,
                               TReplayOp::Left, TReplayOp::Right, TReplayOp::Down};
    int64_t nextTick = rules.GameState.FallPeriod;
    for (int64_t t = 0; t <= 600000 && rules.GameState.Status == kStatusPlaying; t += 200) {
        while (nextTick <= t && rules.GameState.Status == kStatusPlaying) {
            r.Steps.push_back(TReplayStep{static_cast<uint32_t>(nextTick), TReplayOp::Tick});
            ApplyReplayOp(rules, TReplayOp::Tick);
            nextTick += rules.GameState.FallPeriod;
        }
        player = player * 1103515245u + 12345u;
        const TReplayOp op = moves[(player >> 16) % 6];
        r.Steps.push_back(TReplayStep{static_cast<uint32_t>(t), op});
        ApplyReplayOp(rules, op);
    }
    return ReplayText(r);
}

// What checking a claimed result costs: the text of a ten-minute game
// parsed (with the bounds) and played to its end in a fresh rules state.
void BM_VerifyTenMinuteReplay(benchmark::State& state)
{
    TRules rules;
    const std::string text = TenMinuteGameText(rules, static_cast<int32_t>(state.range(0)));
    TReplay replay;
    std::string why;
    int64_t operations = 0;
    for (auto _ : state) {
        if (!ParseReplay(text, replay, why)) {
            state.SkipWithError(why.c_str());
            break;
        }
        const TReplayOutcome outcome = PlayReplayToEnd(rules, replay);
        operations = static_cast<int64_t>(outcome.Steps);
        benchmark::DoNotOptimize(outcome.Score);
    }
    state.counters["operations"] = static_cast<double>(operations);
    state.counters["bytes"] = static_cast<double>(text.size());
    state.counters["playedMs"] = replay.Steps.empty() ? 0 : replay.Steps.back().TimeMs;
    RulesReset(rules);
}
BENCHMARK(BM_VerifyTenMinuteReplay)
    ->Arg(kGameFourfall)
    ->Arg(kGameColorFourfall)
    ->Unit(benchmark::kMicrosecond);

} // namespace
