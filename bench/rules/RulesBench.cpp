// How fast the rules run: whole seeded games and the colour game's settle.
#include "rules/AbsFigure.h"
#include "rules/CFourfall.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/Options.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

using namespace GFourfall;

// Plays one game of the given number to its end with a fixed, simple player:
// every figure is turned and moved by the random generator's next values and
// dropped. Returns the number of figures played.
int64_t PlayGame(int32_t gameNum, uint32_t seed)
{
    RulesReset();
    ResetOptions();
    ClearScores();
    RulesInit(seed);
    RegisterGameTypes();
    SetSize(13, 31);
    SelectGame(gameNum);
    StartGame();
    int64_t figures = 0;
    while (GameState.Status == kStatusPlaying) {
        TAbsFigure* f = GameState.CurFig;
        const int turns = Random() % 4;
        const int shift = Random() % 13 - 6;
        for (int i = 0; i < turns; ++i) {
            f->Rotate();
        }
        for (int i = 0; i < (shift < 0 ? -shift : shift); ++i) {
            shift < 0 ? f->Left() : f->Right();
        }
        f->Drop();
        while (GameState.Status == kStatusPlaying && GameState.CurFig == f) {
            FallTick();
        }
        ++figures;
    }
    return figures;
}

void BM_PlayGame(benchmark::State& state)
{
    const auto gameNum = static_cast<int32_t>(state.range(0));
    int64_t figures = 0;
    uint32_t seed = 1;
    for (auto _ : state) {
        figures += PlayGame(gameNum, seed++);
    }
    state.SetItemsProcessed(figures);
    state.counters["figures/game"] = benchmark::Counter(static_cast<double>(figures) / state.iterations());
    RulesReset();
}
BENCHMARK(BM_PlayGame)->DenseRange(0, 8);

// The colour settle over a well filled with random colours: many lines and
// long chains.
void BM_ColourSettleFullWell(benchmark::State& state)
{
    RulesReset();
    SetSize(13, 31);
    SeedRandom(5);
    uint8_t board[kBoardSize][kBoardSize];
    for (int y = 1; y <= 31; ++y) {
        for (int x = 1; x <= 13; ++x) {
            GameState.Board[y][x] = static_cast<uint8_t>(Random() % 6 + 1);
        }
    }
    std::copy(&GameState.Board[0][0], &GameState.Board[0][0] + sizeof board, &board[0][0]);
    TCFourfall game(4);
    for (auto _ : state) {
        std::copy(&board[0][0], &board[0][0] + sizeof board, &GameState.Board[0][0]);
        GameState.LinesLeft = 1000000;
        game.Settle();
        benchmark::DoNotOptimize(GameState.Score);
    }
    RulesReset();
}
BENCHMARK(BM_ColourSettleFullWell);

} // namespace
