// The registration of the nine game types.
#include "rules/GameTypes.h"

#include "rules/CFourfall.h"
#include "rules/Fourfall.h"
#include "rules/GFourfall.h"
#include "rules/GameState.h"
#include "rules/Rules.h"

namespace GFourfall {

void RegisterGameTypes(TRules& rules)
{
    for (int32_t typeId = 1; typeId <= 6; ++typeId) {
        RegisterGame(rules, new TFourfall(rules, typeId));
    }
    RegisterGame(rules, new TGFourfall(rules, 1));
    RegisterGame(rules, new TGFourfall(rules, 2));
    RegisterGame(rules, new TCFourfall(rules, 4));
}

} // namespace GFourfall
