// The rules of one game as one object: the game state, the random
// generator's state, the options record and the high-score table, under the
// names the rest of the code has always given them. Figures, game types and
// the game-state functions work on the object they are given, so two games
// in one process (a game and the replay beside it, two replays checked on two
// threads) share nothing. One object is used by one thread at a time.
#pragma once

#include <cstdint>

#include "rules/GameState.h"
#include "rules/HiScores.h"
#include "rules/Options.h"

namespace GFourfall {

struct TRules {
    TRules() = default;
    // Deletes the figures and the registered game types (RulesReset).
    ~TRules();
    TRules(const TRules&) = delete;
    TRules& operator=(const TRules&) = delete;

    TGameState GameState{};
    uint32_t RandomState = 0; // the generator's state (see Random)
    TOptions Options;
    THiScoreTable HiScores = {{}, "Anonymous", 0};
};

// True when (row, column) lies in the play area.
inline bool InPlayArea(const TRules& rules, int row, int column)
{
    const TGameState& s = rules.GameState;
    return row >= 1 && row <= s.Height && row <= kMaxPlaySize && column >= 1 && column <= s.Width &&
           column <= kMaxPlaySize;
}

// The board cell at (row, column), or wall for any place outside the walled
// frame of the play area (so nothing outside the frame is ever read).
inline uint8_t BoardCell(const TRules& rules, int row, int column)
{
    return InPlayArea(rules, row, column) ? rules.GameState.Board[row][column] : kCellWall;
}

// RulesReset, ResetOptions and ClearScores: the rules as just made, before
// the seed and the game types.
void ResetRules(TRules& rules);

} // namespace GFourfall
