// The game state and the life of a game: start, timer step, landing, game over.
#include "rules/GameState.h"

#include "rules/AbsFigure.h"
#include "rules/AbsGame.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
#include "rules/Rules.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace GFourfall {

namespace {

constexpr int32_t kPeriodBase = 2000; // ms; FallPeriod = kPeriodBase / (Level + 1)
constexpr int32_t kLinesPerLevel = 6;
constexpr int32_t kLinesBase = 24;

} // namespace

void SeedRandom(TRules& rules, uint32_t seed)
{
    rules.RandomState = seed;
    Random(rules);
}

uint32_t SeedOfRandomState(const TRules& rules)
{
    // SeedRandom(s) leaves s * a + 1; a is odd, so it has an inverse modulo
    // 2^32 (Newton's iteration doubles the correct low bits each step).
    constexpr uint32_t a = 22695477u;
    uint32_t inverse = a;
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - a * inverse;
    return (rules.RandomState - 1u) * inverse;
}

int32_t Random(TRules& rules)
{
    rules.RandomState = rules.RandomState * 22695477u + 1u;
    return static_cast<int32_t>((rules.RandomState >> 16) & 0x7FFF);
}

void RulesInit(TRules& rules, uint32_t seed)
{
    SeedRandom(rules, seed);
    delete rules.GameState.CurFig;
    delete rules.GameState.NextFig;
    rules.GameState.CurFig = new TAbsFigure(rules);
    rules.GameState.NextFig = new TAbsFigure(rules);
    rules.GameState.HiScorePos = -1;
}

void RulesReset(TRules& rules)
{
    delete rules.GameState.CurFig;
    delete rules.GameState.NextFig;
    rules.GameState.CurFig = nullptr;
    rules.GameState.NextFig = nullptr;
    for (int i = 0; i < rules.GameState.GameCount; ++i) {
        delete rules.GameState.Games[i];
    }
    std::memset(static_cast<void*>(&rules.GameState), 0, sizeof rules.GameState);
    rules.RandomState = 0;
}

void RegisterGame(TRules& rules, TAbsGame* game)
{
    if (rules.GameState.GameCount >= kMaxGames) {
        delete game;
        return;
    }
    rules.GameState.Games[rules.GameState.GameCount++] = game;
}

void SelectGame(TRules& rules, int32_t n)
{
    if (!IsGameNumber(n)) {
        n = kGameFourfall;
    }
    rules.GameState.GameNum = n;
    rules.GameState.Game = n < rules.GameState.GameCount ? rules.GameState.Games[n] : nullptr;
}

void SetSize(TRules& rules, int32_t columns, int32_t rows)
{
    rules.GameState.Width = std::clamp(columns, 1, kMaxPlaySize);
    rules.GameState.Height = std::clamp(rows, 1, kMaxPlaySize);
    ClearBoard(rules);
}

void ClearBoard(TRules& rules)
{
    // Width and Height are only ever set through SetSize, but a board of a
    // hand-set size must not be written outside the grid either.
    const int rows = std::clamp(rules.GameState.Height, 0, kMaxPlaySize);
    const int columns = std::clamp(rules.GameState.Width, 0, kMaxPlaySize);
    for (int y = 0; y <= rows + 1; ++y) {
        for (int x = 0; x <= columns + 1; ++x) {
            rules.GameState.Board[y][x] = kCellWall;
        }
    }
    for (int y = 1; y <= rows; ++y) {
        for (int x = 1; x <= columns; ++x) {
            rules.GameState.Board[y][x] = kCellEmpty;
        }
    }
    rules.GameState.Changed = true;
}

void ClearRequests(TRules& rules)
{
    TGameState& s = rules.GameState;
    s.Changed = s.NewHiScore = false;
    s.SndRotate = s.SndHitBottom = s.SndDrop = s.SndRemove = false;
    s.SndNewLevel = s.SndGameOver = s.SndClap = false;
}

void AddScore(TRules& rules, int32_t points)
{
    const int64_t sum = static_cast<int64_t>(rules.GameState.Score) + points;
    rules.GameState.Score = static_cast<int32_t>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

void StartGame(TRules& rules)
{
    if (rules.GameState.Game == nullptr && rules.GameState.GameNum >= 0 &&
        rules.GameState.GameNum < rules.GameState.GameCount) {
        // The game number was selected before the types were registered.
        rules.GameState.Game = rules.GameState.Games[rules.GameState.GameNum];
    }
    if (rules.GameState.Game == nullptr) {
        return;
    }
    rules.GameState.Score = 0;
    rules.GameState.Level = std::clamp(rules.Options.StartLevel, 0, kMaxLevel);
    rules.GameState.Difficulty = std::clamp(rules.Options.Difficulty, 0, kMaxDifficulty);
    SetLevel(rules, rules.GameState.Level);
    rules.GameState.Status = kStatusPlaying;
    ClearBoard(rules);
    rules.GameState.Game->InitFigures();
    Advance(rules);
}

void SetLevel(TRules& rules, int32_t n)
{
    n = std::clamp(n, 0, kMaxLevel);
    rules.GameState.SndNewLevel = static_cast<int64_t>(n) == static_cast<int64_t>(rules.GameState.Level) + 1;
    rules.GameState.Level = n;
    rules.GameState.FallPeriod = kPeriodBase / (n + 1);
    rules.GameState.LinesLeft = kLinesPerLevel * n + kLinesBase;
}

void FallTick(TRules& rules)
{
    if (rules.GameState.Status != kStatusPlaying || rules.GameState.CurFig == nullptr) {
        return;
    }
    if (!rules.GameState.CurFig->Move(0, 1)) {
        Advance(rules);
    }
}

void Advance(TRules& rules)
{
    if (rules.GameState.Game == nullptr) {
        return;
    }
    rules.GameState.Game->Settle();
    rules.GameState.Game->NextFigure();
    if (rules.GameState.CurFig != nullptr && rules.GameState.CurFig->Fits()) {
        rules.GameState.CurFig->Stamp();
        rules.GameState.Changed = true;
    } else {
        EndGame(rules);
    }
}

void EndGame(TRules& rules)
{
    InsertScore(rules);
    rules.GameState.Status = kStatusGameOver;
    rules.GameState.SndGameOver = true;
    rules.GameState.Changed = true;
}

} // namespace GFourfall
