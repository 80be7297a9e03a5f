#include "rules/ProcessState.h"

#include "rules/GameState.h"
#include "rules/HiScores.h"
#include "rules/Options.h"

namespace GFourfall {

void ResetRulesProcessState()
{
    RulesReset();
    ResetOptions();
    ClearScores();
}

} // namespace GFourfall
