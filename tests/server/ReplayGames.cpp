#include "tests/server/ReplayGames.h"

#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Options.h"
#include "rules/ProcessState.h"

namespace ServerTest {

using namespace GFourfall;

TReplay PlayedGame(std::int32_t gameNum, std::uint32_t seed, const std::string& name, std::uint32_t playMs,
                   std::int32_t columns, std::int32_t rows)
{
    ResetRulesProcessState();
    RulesInit(GFourfall::ProcessRules(), seed);
    RegisterGameTypes(GFourfall::ProcessRules());
    TReplay r;
    r.Version = "test";
    r.Seed = SeedOfRandomState(GFourfall::ProcessRules());
    r.Columns = columns;
    r.Rows = rows;
    r.GameNum = gameNum;
    r.StartLevel = Options.StartLevel;
    r.Difficulty = Options.Difficulty;
    StartReplayedGame(GFourfall::ProcessRules(), r);
    std::uint32_t player = seed * 2654435761u + 99u; // the player's own choices
    const TReplayOp moves[] = {TReplayOp::Left, TReplayOp::Right, TReplayOp::Rotate,
                               TReplayOp::Left, TReplayOp::Right, TReplayOp::Down};
    auto apply = [&](std::uint32_t at, TReplayOp op) {
        r.Steps.push_back(TReplayStep{at, op});
        ApplyReplayOp(GFourfall::ProcessRules(), op);
    };
    std::uint32_t nextTick = static_cast<std::uint32_t>(GameState.FallPeriod);
    for (std::uint32_t t = 0; GameState.Status == kStatusPlaying; t += 200) {
        while (nextTick <= t && GameState.Status == kStatusPlaying) {
            apply(nextTick, TReplayOp::Tick);
            nextTick += static_cast<std::uint32_t>(GameState.FallPeriod);
        }
        if (GameState.Status != kStatusPlaying)
            break;
        player = player * 1103515245u + 12345u;
        apply(t, t < playMs ? moves[(player >> 16) % 6] : TReplayOp::Drop);
    }
    r.HasClaim = true;
    r.Name = name;
    r.Score = GameState.Score;
    ResetRulesProcessState();
    return r;
}

std::string PlayedGameText(std::int32_t gameNum, std::uint32_t seed, const std::string& name,
                           std::uint32_t playMs)
{
    return ReplayText(PlayedGame(gameNum, seed, name, playMs));
}

} // namespace ServerTest
