#include "screens/Ghost.h"

#include "rules/GameState.h"
#include "rules/GameTypes.h"

namespace WFourfall {

using namespace GFourfall;

void TGhost::Start(const TReplay& replay)
{
    Raced = replay;
    // Played to its end once, at no pace, for the score to beat.
    Final = PlayReplayToEnd(Rules, Raced).Score;
    ResetRules(Rules);
    RulesInit(Rules, Raced.Seed);
    RegisterGameTypes(Rules);
    StartReplayedGame(Rules, Raced);
    Next = 0;
    Running = true;
}

void TGhost::Stop()
{
    Running = false;
}

bool TGhost::CatchUp(int64_t playedMs)
{
    if (!Running)
        return false;
    const std::size_t from = Next;
    while (Next < Raced.Steps.size() && Raced.Steps[Next].TimeMs <= playedMs)
        ApplyReplayOp(Rules, Raced.Steps[Next++].Op);
    return Next != from;
}

int64_t TGhost::NextDueMs() const
{
    if (!Running || Next >= Raced.Steps.size())
        return -1;
    return Raced.Steps[Next].TimeMs;
}

} // namespace WFourfall
