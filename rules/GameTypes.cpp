// The registration of the nine game types.
#include "rules/GameTypes.h"

#include "rules/CFourfall.h"
#include "rules/Fourfall.h"
#include "rules/GFourfall.h"
#include "rules/GameState.h"

namespace GFourfall {

void RegisterGameTypes()
{
    for (int32_t typeId = 1; typeId <= 6; ++typeId) {
        RegisterGame(new TFourfall(typeId));
    }
    RegisterGame(new TGFourfall(1));
    RegisterGame(new TGFourfall(2));
    RegisterGame(new TCFourfall(4));
}

} // namespace GFourfall
