// The rules' part of the process-wide state: the one game state (with its
// figures and registered game types), the options record and the high-score
// table. The game sets them up once per run; a process that runs the rules
// more than once (tests, the replay tool, the headless driver) puts them back
// here first. screens/ProcessState.h resets the rest of the game's globals.
#pragma once

namespace GFourfall {

// RulesReset, ResetOptions and ClearScores: the state of a program just
// started, before the seed and the game types.
void ResetRulesProcessState();

} // namespace GFourfall
