#include "tests/server/ReplayGames.h"

#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Options.h"
#include "rules/Rules.h"

#include <thread>

namespace ServerTest {

using namespace GFourfall;

TReplay PlayedGame(std::int32_t gameNum, std::uint32_t seed, const std::string& name, std::uint32_t playMs,
                   std::int32_t columns, std::int32_t rows)
{
    TRules rules;
    RulesInit(rules, seed);
    RegisterGameTypes(rules);
    TReplay r;
    r.Version = "test";
    r.Seed = SeedOfRandomState(rules);
    r.Columns = columns;
    r.Rows = rows;
    r.GameNum = gameNum;
    r.StartLevel = rules.Options.StartLevel;
    r.Difficulty = rules.Options.Difficulty;
    StartReplayedGame(rules, r);
    std::uint32_t player = seed * 2654435761u + 99u; // the player's own choices
    const TReplayOp moves[] = {TReplayOp::Left, TReplayOp::Right, TReplayOp::Rotate,
                               TReplayOp::Left, TReplayOp::Right, TReplayOp::Down};
    auto apply = [&](std::uint32_t at, TReplayOp op) {
        r.Steps.push_back(TReplayStep{at, op});
        ApplyReplayOp(rules, op);
    };
    std::uint32_t nextTick = static_cast<std::uint32_t>(rules.GameState.FallPeriod);
    for (std::uint32_t t = 0; rules.GameState.Status == kStatusPlaying; t += 200) {
        while (nextTick <= t && rules.GameState.Status == kStatusPlaying) {
            apply(nextTick, TReplayOp::Tick);
            nextTick += static_cast<std::uint32_t>(rules.GameState.FallPeriod);
        }
        if (rules.GameState.Status != kStatusPlaying)
            break;
        player = player * 1103515245u + 12345u;
        apply(t, t < playMs ? moves[(player >> 16) % 6] : TReplayOp::Drop);
    }
    r.HasClaim = true;
    r.Name = name;
    r.Score = rules.GameState.Score;
    return r;
}

std::string PlayedGameText(std::int32_t gameNum, std::uint32_t seed, const std::string& name,
                           std::uint32_t playMs)
{
    return ReplayText(PlayedGame(gameNum, seed, name, playMs));
}

std::uint32_t SeedOfToken(const std::string& token)
{
    const std::size_t first = token.find('.');
    const std::size_t second = first == std::string::npos ? first : token.find('.', first + 1);
    const std::size_t third = second == std::string::npos ? second : token.find('.', second + 1);
    if (third == std::string::npos)
        return 0;
    return static_cast<std::uint32_t>(std::stoul(token.substr(second + 1, third - second - 1)));
}

TReplay DealtGame(const std::string& token, std::int32_t gameNum, const std::string& name,
                  std::uint32_t playMs)
{
    TReplay r = PlayedGame(gameNum, SeedOfToken(token), name, playMs);
    r.Token = token;
    return r;
}

void WaitWhileItIsPlayed(const TReplay& game, std::chrono::steady_clock::time_point dealtAt)
{
    const std::uint32_t played = game.Steps.empty() ? 0 : game.Steps.back().TimeMs;
    std::this_thread::sleep_until(dealtAt + std::chrono::milliseconds(played + 1000));
}

} // namespace ServerTest
