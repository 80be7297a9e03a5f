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

// RulesReset, ResetOptions and ClearScores: the rules as just made, before
// the seed and the game types.
void ResetRules(TRules& rules);

} // namespace GFourfall
