#include "server/ReplayCheck.h"

#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Rules.h"
#include "server/Fnv1a.h"
#include "server/OnlineTypes.h"
#include "server/PlayerName.h"
#include "server/WebText.h"

#include <algorithm>
#include <ctime>

namespace ScoreServer {

namespace {

// How often the play looks at the CPU clock: often enough that a stopped
// play overruns its budget by microseconds, rarely enough to cost nothing.
constexpr std::size_t kCpuCheckEvery = 256;

std::int64_t ThreadCpuMicros()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

TCheckedReplay Refused(TReplayRefusal refusal, std::string why)
{
    TCheckedReplay r;
    r.Refusal = refusal;
    r.Why = std::move(why);
    return r;
}

} // namespace

const char* ReplayRefusalName(TReplayRefusal refusal)
{
    switch (refusal) {
    case TReplayRefusal::None:
        return "none";
    case TReplayRefusal::TooLarge:
        return "too-large";
    case TReplayRefusal::NoLength:
        return "no-length";
    case TReplayRefusal::Malformed:
        return "malformed";
    case TReplayRefusal::TooManyOperations:
        return "too-many-operations";
    case TReplayRefusal::NoClaim:
        return "no-claim";
    case TReplayRefusal::TooMuchCpu:
        return "too-much-cpu";
    case TReplayRefusal::NotFinished:
        return "not-finished";
    case TReplayRefusal::ScoreDiffers:
        return "score-differs";
    case TReplayRefusal::NoSuchResult:
        return "no-such-result";
    case TReplayRefusal::AlreadyUsed:
        return "already-used";
    case TReplayRefusal::NoToken:
        return "no-token";
    case TReplayRefusal::BadToken:
        return "bad-token";
    case TReplayRefusal::TokenExpired:
        return "token-expired";
    case TReplayRefusal::TokenUsed:
        return "token-used";
    case TReplayRefusal::TooSoon:
        return "too-soon";
    case TReplayRefusal::OtherRules:
        return "other-rules";
    case TReplayRefusal::AfterTheEnd:
        return "after-the-end";
    case TReplayRefusal::NotRealTime:
        return "not-real-time";
    case TReplayRefusal::BadName:
        return "bad-name";
    case TReplayRefusal::Busy:
        return "busy";
    }
    return "unknown";
}

std::string ReplayGameHash(const GFourfall::TReplay& replay)
{
    TFnv1a h;
    h.Add(replay.Seed, 4);
    h.Add(static_cast<std::uint32_t>(replay.Columns), 4);
    h.Add(static_cast<std::uint32_t>(replay.Rows), 4);
    h.Add(static_cast<std::uint32_t>(replay.GameNum), 4);
    // As StartGame takes them: values it clamps alike, or ignores, are one game.
    const std::int32_t level = std::clamp(replay.StartLevel, 0, GFourfall::kMaxLevel);
    const std::int32_t difficulty = GFourfall::GameUsesDifficulty(replay.GameNum)
                                        ? std::clamp(replay.Difficulty, 0, GFourfall::kMaxDifficulty)
                                        : 0;
    h.Add(static_cast<std::uint32_t>(level), 4);
    h.Add(static_cast<std::uint32_t>(difficulty), 4);
    h.Add(replay.Steps.size(), 8);
    for (const GFourfall::TReplayStep& s : replay.Steps)
        h.Add(static_cast<std::uint8_t>(s.Op), 1);
    return h.Hex();
}

TCheckedReplay TReplayChecker::Check(const std::string& text) const
{
    if (text.size() > Bounds.MaxBytes)
        return Refused(TReplayRefusal::TooLarge, "replay too large");
    GFourfall::TReplay replay;
    std::string why;
    // The parse stops at the first operation over the bound: reading costs
    // no more than the bound either.
    GFourfall::TReplayLimits limits;
    limits.MaxBytes = Bounds.MaxBytes;
    limits.MaxSteps = Bounds.MaxOperations;
    if (!GFourfall::ParseReplay(text, replay, why, limits)) {
        if (why == "too many operations")
            return Refused(TReplayRefusal::TooManyOperations, "too many operations");
        return Refused(TReplayRefusal::Malformed, "not a replay: " + why);
    }
    if (!replay.HasClaim)
        return Refused(TReplayRefusal::NoClaim, "no name and score in the replay");
    if (const char* problem = NameProblem(replay.Name))
        return Refused(TReplayRefusal::BadName, problem);

    TCheckedReplay out;
    out.OnlineType = GFourfall::OnlineType(replay.GameNum);
    out.Name = Cp1252ToUtf8(replay.Name);
    out.Score = replay.Score;
    out.GameHash = ReplayGameHash(replay);
    out.Token = replay.Token;
    out.Seed = replay.Seed;
    out.PlayedMs = replay.Steps.empty() ? 0 : replay.Steps.back().TimeMs;

    // One set of rules per online type.
    if (replay.Columns != kOnlineColumns || replay.Rows != kOnlineRows)
        return Refused(TReplayRefusal::OtherRules,
                       "a well of " + std::to_string(replay.Columns) + " x " + std::to_string(replay.Rows) +
                           " cells; online games are played in " + std::to_string(kOnlineColumns) + " x " +
                           std::to_string(kOnlineRows));
    if (replay.StartLevel != kOnlineStartLevel)
        return Refused(TReplayRefusal::OtherRules, "start level " + std::to_string(replay.StartLevel) +
                                                       "; online games start at level " +
                                                       std::to_string(kOnlineStartLevel));
    if (GFourfall::GameUsesDifficulty(replay.GameNum) && replay.Difficulty != kOnlineDifficulty)
        return Refused(TReplayRefusal::OtherRules, "difficulty " + std::to_string(replay.Difficulty) +
                                                       "; online games are played at difficulty " +
                                                       std::to_string(kOnlineDifficulty));

    if (PlayStarts)
        PlayStarts();
    // The game of this replay alone: nothing shared with another check.
    GFourfall::TRules rules;
    const std::int64_t start = ThreadCpuMicros();
    const std::int64_t budget = static_cast<std::int64_t>(Bounds.MaxCpuMs) * 1000;
    GFourfall::ResetRules(rules);
    GFourfall::RulesInit(rules, replay.Seed);
    GFourfall::RegisterGameTypes(rules);
    GFourfall::StartReplayedGame(rules, replay);
    const GFourfall::TGameState& state = rules.GameState;
    auto period = [&] { return std::max(state.FallPeriod, Pace.ShortestPeriodMs); };
    // The pace of the fall: since the last tick (the start counts as one),
    // the period in force at it and now, and the shortest in between.
    std::uint32_t lastTick = 0;
    int periodAtTick = period();
    int shortestSince = periodAtTick;
    std::size_t ticks = 0;
    std::size_t pauses = 0;
    std::string paceFault;
    std::size_t played = 0;
    bool afterEnd = false;
    for (const GFourfall::TReplayStep& step : replay.Steps) {
        if (played % kCpuCheckEvery == 0 && ThreadCpuMicros() - start > budget)
            break;
        if (state.Status != GFourfall::kStatusPlaying) {
            afterEnd = true;
            break;
        }
        if (step.Op == GFourfall::TReplayOp::Tick && paceFault.empty()) {
            const std::int64_t gap = static_cast<std::int64_t>(step.TimeMs) - lastTick;
            const int now = period();
            const bool newLevel = now != periodAtTick;
            const std::int64_t usual = (newLevel ? periodAtTick : 0) + now + Pace.LateMs;
            const std::int64_t longest = (newLevel ? periodAtTick : now) + now + Pace.LateMs;
            if (gap + Pace.EarlyMs < shortestSince)
                paceFault = "a fall tick came " + std::to_string(gap) +
                            " ms after the one before, sooner than its " + std::to_string(shortestSince) +
                            " ms period";
            else if (gap > longest)
                paceFault = "no fall tick for " + std::to_string(gap) +
                            " ms, longer than a pause leaves at a " + std::to_string(now) + " ms period";
            else if (gap > usual)
                ++pauses;
            ++ticks;
        }
        GFourfall::ApplyReplayOp(rules, step.Op);
        ++played;
        shortestSince = std::min(shortestSince, period());
        if (step.Op == GFourfall::TReplayOp::Tick) {
            lastTick = step.TimeMs;
            periodAtTick = period();
            shortestSince = periodAtTick;
        }
    }
    out.CpuMicros = ThreadCpuMicros() - start;
    out.Operations = played;
    out.Pauses = pauses;
    const std::size_t allowedPauses = static_cast<std::size_t>(Pace.FreePauses) +
                                      ticks / static_cast<std::size_t>(std::max(Pace.TicksPerPause, 1));
    if (afterEnd) {
        out.Refusal = TReplayRefusal::AfterTheEnd;
        out.Why = "an operation after the game's end";
    } else if (played < replay.Steps.size()) {
        out.Refusal = TReplayRefusal::TooMuchCpu;
        out.Why = "replay takes too long to check";
    } else if (state.Status != GFourfall::kStatusGameOver) {
        out.Refusal = TReplayRefusal::NotFinished;
        out.Why = "game not over at the end of the replay";
    } else if (state.Score != replay.Score) {
        out.Refusal = TReplayRefusal::ScoreDiffers;
        out.Why = "score does not match";
    } else if (!paceFault.empty()) {
        out.Refusal = TReplayRefusal::NotRealTime;
        out.Why = "not played in real time: " + paceFault;
    } else if (pauses > allowedPauses) {
        out.Refusal = TReplayRefusal::NotRealTime;
        out.Why = "not played in real time: " + std::to_string(pauses) + " of " + std::to_string(ticks) +
                  " fall ticks came late, as after a pause";
    }
    return out;
}

} // namespace ScoreServer
