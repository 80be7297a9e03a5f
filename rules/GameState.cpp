// The game state and the life of a game: start, timer step, landing, game over.
#include "rules/GameState.h"

#include "rules/AbsFigure.h"
#include "rules/AbsGame.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/Options.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace GFourfall {

TGameState GameState;

namespace {

constexpr int32_t kPeriodBase = 2000; // ms; FallPeriod = kPeriodBase / (Level + 1)
constexpr int32_t kLinesPerLevel = 6;
constexpr int32_t kLinesBase = 24;

uint32_t RandomState = 0;

} // namespace

void SeedRandom(uint32_t seed)
{
    RandomState = seed;
    Random();
}

int32_t Random()
{
    RandomState = RandomState * 22695477u + 1u;
    return static_cast<int32_t>((RandomState >> 16) & 0x7FFF);
}

void RulesInit(uint32_t seed)
{
    SeedRandom(seed);
    delete GameState.CurFig;
    delete GameState.NextFig;
    GameState.CurFig = new TAbsFigure();
    GameState.NextFig = new TAbsFigure();
    GameState.HiScorePos = -1;
}

void RulesReset()
{
    delete GameState.CurFig;
    delete GameState.NextFig;
    GameState.CurFig = nullptr;
    GameState.NextFig = nullptr;
    for (int i = 0; i < GameState.GameCount; ++i) {
        delete GameState.Games[i];
    }
    std::memset(static_cast<void*>(&GameState), 0, sizeof GameState);
    RandomState = 0;
}

void RegisterGame(TAbsGame* game)
{
    if (GameState.GameCount >= kMaxGames) {
        delete game;
        return;
    }
    GameState.Games[GameState.GameCount++] = game;
}

void SelectGame(int32_t n)
{
    if (!IsGameNumber(n)) {
        n = kGameFourfall;
    }
    GameState.GameNum = n;
    GameState.Game = n < GameState.GameCount ? GameState.Games[n] : nullptr;
}

void SetSize(int32_t columns, int32_t rows)
{
    GameState.Width = std::clamp(columns, 1, kMaxPlaySize);
    GameState.Height = std::clamp(rows, 1, kMaxPlaySize);
    ClearBoard();
}

void ClearBoard()
{
    // Width and Height are only ever set through SetSize, but a board of a
    // hand-set size must not be written outside the grid either.
    const int rows = std::clamp(GameState.Height, 0, kMaxPlaySize);
    const int columns = std::clamp(GameState.Width, 0, kMaxPlaySize);
    for (int y = 0; y <= rows + 1; ++y) {
        for (int x = 0; x <= columns + 1; ++x) {
            GameState.Board[y][x] = kCellWall;
        }
    }
    for (int y = 1; y <= rows; ++y) {
        for (int x = 1; x <= columns; ++x) {
            GameState.Board[y][x] = kCellEmpty;
        }
    }
    GameState.Changed = true;
}

bool InPlayArea(int row, int column)
{
    return row >= 1 && row <= GameState.Height && row <= kMaxPlaySize && column >= 1 &&
           column <= GameState.Width && column <= kMaxPlaySize;
}

uint8_t BoardCell(int row, int column)
{
    return InPlayArea(row, column) ? GameState.Board[row][column] : kCellWall;
}

void ClearRequests()
{
    TGameState& s = GameState;
    s.Changed = s.NewHiScore = false;
    s.SndRotate = s.SndHitBottom = s.SndDrop = s.SndRemove = false;
    s.SndNewLevel = s.SndGameOver = s.SndClap = false;
}

void AddScore(int32_t points)
{
    const int64_t sum = static_cast<int64_t>(GameState.Score) + points;
    GameState.Score = static_cast<int32_t>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

void StartGame()
{
    if (GameState.Game == nullptr && GameState.GameNum >= 0 && GameState.GameNum < GameState.GameCount) {
        // The game number was selected before the types were registered.
        GameState.Game = GameState.Games[GameState.GameNum];
    }
    if (GameState.Game == nullptr) {
        return;
    }
    GameState.Score = 0;
    GameState.Level = std::clamp(Options.StartLevel, 0, kMaxLevel);
    GameState.Difficulty = std::clamp(Options.Difficulty, 0, kMaxDifficulty);
    SetLevel(GameState.Level);
    GameState.Status = kStatusPlaying;
    ClearBoard();
    GameState.Game->InitFigures();
    Advance();
}

void SetLevel(int32_t n)
{
    n = std::clamp(n, 0, kMaxLevel);
    GameState.SndNewLevel = static_cast<int64_t>(n) == static_cast<int64_t>(GameState.Level) + 1;
    GameState.Level = n;
    GameState.FallPeriod = kPeriodBase / (n + 1);
    GameState.LinesLeft = kLinesPerLevel * n + kLinesBase;
}

void FallTick()
{
    if (GameState.Status != kStatusPlaying || GameState.CurFig == nullptr) {
        return;
    }
    if (!GameState.CurFig->Move(0, 1)) {
        Advance();
    }
}

void Advance()
{
    if (GameState.Game == nullptr) {
        return;
    }
    GameState.Game->Settle();
    GameState.Game->NextFigure();
    if (GameState.CurFig != nullptr && GameState.CurFig->Fits()) {
        GameState.CurFig->Stamp();
        GameState.Changed = true;
    } else {
        EndGame();
    }
}

void EndGame()
{
    InsertScore();
    GameState.Status = kStatusGameOver;
    GameState.SndGameOver = true;
    GameState.Changed = true;
}

} // namespace GFourfall
