// The game state and the operations on it: the board with its walls, score,
// level and fall period, the falling and the next figure, the registered game
// types and the request flags the play screen reads. The state is a member of
// the rules object (rules/Rules.h) that every operation is given; the engine
// draws nothing, plays nothing and reads no input: it changes the state and
// raises flags. No locking: one rules object is used by one thread at a time.
#pragma once

#include <cstdint>

namespace GFourfall {

class TAbsFigure;
class TAbsGame;
struct TRules;

constexpr int kBoardSize = 64;        // the board grid is 64 x 64 bytes
constexpr int kMaxPlaySize = 62;      // the play area plus its wall border must fit the grid
constexpr int kMaxGames = 16;         // room in the list of registered game types
constexpr int kMaxLevel = 1999;       // highest level: its fall period is 1 ms, the next would be 0
constexpr int kMaxDifficulty = 32764; // 4 + this draws colours from all 32768 random values

constexpr uint8_t kCellEmpty = 0;
constexpr uint8_t kCellWall = 255;

// Status values.
constexpr int32_t kStatusNoGame = 0;
constexpr int32_t kStatusPlaying = 1;
constexpr int32_t kStatusGameOver = 2;

struct TGameState {
    int32_t Width;      // columns of the play area
    int32_t Height;     // rows of the play area
    int32_t Score;      // points of the running game
    int32_t LinesLeft;  // removals still needed before the level goes up
    int32_t Level;      // current level
    int32_t Difficulty; // copy of the Difficulty option taken at game start
    int32_t FallPeriod; // fall period in milliseconds, from Level
    int32_t GameNum;    // index into Games of the selected game type
    int32_t HiScorePos; // place of the last finished game in its high-score list, -1 for none
    int32_t Status;     // kStatusNoGame, kStatusPlaying or kStatusGameOver

    bool Changed;    // something visible changed; the play screen repaints and clears it
    bool NewHiScore; // the game just ended entered the high-score table
    // One request per sound effect, raised here, played and cleared by the play screen.
    bool SndRotate;
    bool SndHitBottom;
    bool SndDrop;
    bool SndRemove;
    bool SndNewLevel;
    bool SndGameOver;
    bool SndClap;

    TAbsFigure* CurFig;         // owned: the falling figure
    TAbsFigure* NextFig;        // owned: the figure after it (the preview)
    TAbsGame* Game;             // the selected game type, one of Games (not owned)
    TAbsGame* Games[kMaxGames]; // registered game types in registration order (owned)
    int32_t GameCount;

    // Indexed [row][column]. Rows 0 to Height + 1 and columns 0 to Width + 1
    // are in use: the play area is rows 1 to Height, columns 1 to Width, the
    // rest of that frame is wall (255). Cells 1 to 7 are blocks of that colour.
    // The falling figure is stamped into the board too.
    uint8_t Board[kBoardSize][kBoardSize];
    uint8_t Marks[kBoardSize][kBoardSize]; // removal marks of the colour game
};

// Seeds the generator with seed (state = seed, one value drawn and thrown
// away); CurFig and NextFig become new empty figures; HiScorePos = -1. The
// caller passes the platform's millisecond tick count (or a fixed seed to
// replay). Called once, before the game types are registered.
void RulesInit(TRules& rules, uint32_t seed);

// Deletes figures and registered game types and zeroes the whole state
// (the seed included), as the rules object was made.
void RulesReset(TRules& rules);

// Seeds the generator alone: state = seed, then one value is drawn and thrown away.
void SeedRandom(TRules& rules, uint32_t seed);

// The seed with which SeedRandom puts the generator where it stands now, so
// that a game started from here can be started again from that seed alone.
uint32_t SeedOfRandomState(const TRules& rules);

// The next pseudo-random value, 0 to 32767:
// state = state * 22695477 + 1 (mod 2^32), result (state >> 16) & 0x7FFF.
int32_t Random(TRules& rules);

// Appends a game type to Games and takes ownership. Beyond kMaxGames the
// object is deleted and nothing is registered.
void RegisterGame(TRules& rules, TAbsGame* game);

// Selects game type n: GameNum = n, Game = Games[n]. A number that is no
// registered game type number (outside 0 to kGameTypeCount - 1, see
// rules/GameTypes.h) selects game type 0 instead, so a damaged stored value
// starts the classic game. The number may be selected before the types are
// registered (the options load first); Game is then resolved by StartGame.
void SelectGame(TRules& rules, int32_t n);

// Width = columns, Height = rows, each clamped to 1 to kMaxPlaySize; then ClearBoard.
void SetSize(TRules& rules, int32_t columns, int32_t rows);

// Rows 0 to Height + 1 and columns 0 to Width + 1 become wall, then the play
// area becomes empty; Changed = 1.
void ClearBoard(TRules& rules);

// Starts a new game with Game: Score 0, Level from the StartLevel option
// (clamped to 0 to kMaxLevel), Difficulty from the Difficulty option
// (clamped to 0 to kMaxDifficulty), SetLevel, Status = 1, ClearBoard, the
// type's InitFigures, then Advance. Does nothing when no game type is
// selected or registered under GameNum.
void StartGame(TRules& rules);

// SndNewLevel = (n == Level + 1); Level = n; FallPeriod = 2000 / (n + 1) ms;
// LinesLeft = 6 n + 24. n is first clamped to 0 to kMaxLevel, so the period
// stays between 2000 and 1 ms and nothing divides by zero.
void SetLevel(TRules& rules, int32_t n);

// One timer step: while playing, moves CurFig down one row with the
// non-virtual move (no points); if it cannot move, Advance.
void FallTick(TRules& rules);

// A landing: the game type's Settle, its NextFigure, then the new CurFig is
// stamped if it fits, or the game ends.
void Advance(TRules& rules);

// Offers the score to the high-score table (InsertScore), Status = 2,
// SndGameOver = 1, Changed = 1.
void EndGame(TRules& rules);

// Changed, NewHiScore and every sound request back to false, as the play
// screen leaves them once it has acted on them.
void ClearRequests(TRules& rules);

// Score += points, held at the largest 32-bit value instead of wrapping.
void AddScore(TRules& rules, int32_t points);

// BoardCell and InPlayArea, the board's bounds, are in rules/Rules.h, inline:
// the colour game asks them a dozen times a cell every pass.

} // namespace GFourfall
