// Fuzz target of the replay parser: any bytes parse or are refused without a
// fault; what parses writes back to the very same text and plays to its end.
#include "rules/Replay.h"
#include "rules/Rules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    GFourfall::TReplay replay;
    std::string why;
    GFourfall::TReplayLimits limits;
    limits.MaxSteps = 20000;
    if (!GFourfall::ParseReplay(text, replay, why, limits)) {
        if (why.empty())
            std::abort();
        return 0;
    }
    if (GFourfall::ReplayText(replay) != text)
        std::abort();
    GFourfall::TRules rules;
    const GFourfall::TReplayOutcome outcome = GFourfall::PlayReplayToEnd(rules, replay);
    if (outcome.Steps != replay.Steps.size() || outcome.Score < 0)
        std::abort();
    return 0;
}
