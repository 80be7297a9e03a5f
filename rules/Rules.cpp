// The rules of one game as one object.
#include "rules/Rules.h"

namespace GFourfall {

TRules::~TRules()
{
    RulesReset(*this);
}

void ResetRules(TRules& rules)
{
    RulesReset(rules);
    ResetOptions(rules.Options);
    ClearScores(rules.HiScores);
}

} // namespace GFourfall
