// Any reply a score server (or anything in its place) may send to a racing
// game: splitting it, finding the best replay's address in it and taking it
// as a replay never read past the input, and what is taken is sound: an
// address is a replay's and nothing more, a replay plays to its claim.
#include "store/WorldReplay.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "rules/GameState.h"
#include "rules/Rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    int status = 0;
    std::string body;
    if (SplitHttpReply(input, status, body) && (status < 0 || status > 999 || body.size() >= input.size()))
        std::abort();
    std::string path;
    if (BestVerifiedReplayPath(input, path) == TBestReplayName::Named &&
        (path.rfind(kReplaysApiPath, 0) != 0 ||
         path.find_first_not_of("0123456789", 16) != std::string::npos))
        std::abort();
    GFourfall::TReplay replay;
    std::string why;
    if (CheckFetchedReplay(input, replay.GameNum, replay, why)) {
        GFourfall::TRules rules;
        const GFourfall::TReplayOutcome again = GFourfall::PlayReplayToEnd(rules, replay);
        if (!replay.HasClaim || again.Score != replay.Score || again.Status != GFourfall::kStatusGameOver)
            std::abort();
    }
    return 0;
}
