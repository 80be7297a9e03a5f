#include "web/ReplayView.h"

#include "rules/CommandFig.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/StateWriter.h"

namespace WebViewer {

using namespace GFourfall;

namespace {

const char* SpecialName(const TAbsFigure* figure)
{
    switch (SpecialKind(figure)) {
    case TSpecialKind::Creator:
        return "creator";
    case TSpecialKind::Destroyer:
        return "destroyer";
    case TSpecialKind::None:
        break;
    }
    return "none";
}

} // namespace

bool TReplayView::Load(const std::string& text, std::string& why)
{
    IsLoaded = false;
    Started = false;
    if (!ParseReplay(text, Replay, why)) {
        Replay = TReplay();
        return false;
    }
    IsLoaded = true;
    return true;
}

std::uint32_t TReplayView::TimeOf(std::size_t k) const
{
    return IsLoaded && k < Replay.Steps.size() ? Replay.Steps[k].TimeMs : 0;
}

void TReplayView::Restart()
{
    // As the server plays a replay to verify it: a fresh rules state, seeded,
    // the game types registered, the replay's game started.
    Rules = std::make_unique<TRules>();
    RulesInit(*Rules, Replay.Seed);
    RegisterGameTypes(*Rules);
    StartReplayedGame(*Rules, Replay);
    Played = 0;
    Started = true;
}

std::string TReplayView::StateAt(std::size_t n)
{
    if (!IsLoaded)
        return std::string();
    if (n > Replay.Steps.size())
        n = Replay.Steps.size();
    if (!Started || n < Played)
        Restart();
    for (; Played < n; ++Played)
        ApplyReplayOp(*Rules, Replay.Steps[Played].Op);

    const TGameState& state = Rules->GameState;
    std::string rules = StateJson(state, Rules->HiScores);
    if (!rules.empty() && rules.back() == '\n')
        rules.pop_back();
    return "{\"op\":" + std::to_string(n) +
           ",\"time\":" + std::to_string(n == 0 ? 0 : Replay.Steps[n - 1].TimeMs) + ",\"cur\":\"" +
           SpecialName(state.CurFig) + "\",\"next\":\"" + SpecialName(state.NextFig) +
           "\",\"rules\":" + rules + '}';
}

} // namespace WebViewer
