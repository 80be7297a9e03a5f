#include "rules/ProcessState.h"

namespace GFourfall {

namespace {
// Constant-initialised, so it is ready before any other start-up code runs.
TRules TheProcessRules;
} // namespace

TRules& ProcessRules()
{
    return TheProcessRules;
}

TGameState& GameState = TheProcessRules.GameState;

void ResetRulesProcessState()
{
    ResetRules(TheProcessRules);
}

} // namespace GFourfall

TOptions& Options = GFourfall::TheProcessRules.Options;
THiScoreTable& HiScores = GFourfall::TheProcessRules.HiScores;
