// The rules object the whole process shares, while callers move to rules
// objects of their own: the names below are its members. The game sets it up
// once per run; a process that runs the rules more than once (tests, the
// replay tool, the headless driver) puts it back here first.
// screens/ProcessState.h resets the rest of the game's globals.
#pragma once

#include "rules/Rules.h"

namespace GFourfall {

TRules& ProcessRules();
extern TGameState& GameState;

// ResetRules of the process's rules object.
void ResetRulesProcessState();

} // namespace GFourfall

extern TOptions& Options;
extern THiScoreTable& HiScores;
