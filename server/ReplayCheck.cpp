#include "server/ReplayCheck.h"

#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Rules.h"
#include "server/Fnv1a.h"
#include "server/WebText.h"

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
    h.Add(static_cast<std::uint32_t>(replay.StartLevel), 4);
    h.Add(static_cast<std::uint32_t>(replay.Difficulty), 4);
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

    TCheckedReplay out;
    out.OnlineType = GFourfall::OnlineType(replay.GameNum);
    out.Name = Cp1252ToUtf8(replay.Name);
    out.Score = replay.Score;
    out.GameHash = ReplayGameHash(replay);
    out.Token = replay.Token;
    out.Seed = replay.Seed;
    out.PlayedMs = replay.Steps.empty() ? 0 : replay.Steps.back().TimeMs;

    if (PlayStarts)
        PlayStarts();
    // The game of this replay alone: nothing shared with another check.
    GFourfall::TRules rules;
    const std::int64_t start = ThreadCpuMicros();
    const std::int64_t budget = static_cast<std::int64_t>(Bounds.MaxCpuMs) * 1000;
    const GFourfall::TReplayOutcome outcome = GFourfall::PlayReplayToEnd(
        rules, replay, [&] { return ThreadCpuMicros() - start <= budget; }, kCpuCheckEvery);
    out.CpuMicros = ThreadCpuMicros() - start;
    out.Operations = outcome.Steps;
    if (outcome.Steps < replay.Steps.size()) {
        out.Refusal = TReplayRefusal::TooMuchCpu;
        out.Why = "replay takes too long to check";
    } else if (outcome.Status != GFourfall::kStatusGameOver) {
        out.Refusal = TReplayRefusal::NotFinished;
        out.Why = "game not over at the end of the replay";
    } else if (outcome.Score != replay.Score) {
        out.Refusal = TReplayRefusal::ScoreDiffers;
        out.Why = "score does not match";
    }
    return out;
}

} // namespace ScoreServer
