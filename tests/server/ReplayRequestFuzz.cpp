// The server's handling of an uploaded replay, fed anything. Whatever the
// body, the answer is one of the statuses the route may give, in one line.
// When the body reads as a replay with a claim, the claim is first sent as
// the game sends its result, so that the play, the match and the store are
// reached too: a replay that is accepted (it carries a token signed with the
// fuzz server's known secret) has verified exactly one result of its claim,
// downloads byte for byte, and is refused when sent again.
#include "rules/GameTypes.h"
#include "server/ScoreService.h"
#include "server/WebText.h"
#include "server/WorldPage.h"
#include "tests/server/RequestTarget.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace ScoreServer;

struct TFuzzServer {
    std::string Error;
    std::unique_ptr<TScoreDatabase> Db = OpenScoreDatabase(":memory:", TDbOptions{1, false}, Error);
    TRateLimiter Limiter{0};
    TScoreService Service{*Db, Limiter, [] { return std::int64_t{1733788800}; }};
    // A known secret, so that the corpus can hold replays with tokens this
    // server dealt (fourfall-token.replay: issued an hour before the clock).
    std::string Secret;
    bool Keyed = Db && Db->Secret("fuzz secret", Secret) == TDbStatus::Ok && Secret == "fuzz secret";
};

TFuzzServer& Server()
{
    static TFuzzServer server;
    if (!server.Db || !server.Keyed)
        std::abort();
    return server;
}

bool Allowed(int status)
{
    for (int s : {200, 400, 409, 411, 413, 422, 503})
        if (status == s)
            return true;
    return false;
}

TRequest Upload(const std::string& body)
{
    TRequest r = ServerTest::RequestFromTarget(kApiReplaysPath, "POST");
    r.BodyState = TBodyState::Complete;
    r.Body = body;
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzServer& server = Server();
    const std::string body(reinterpret_cast<const char*>(data), size);
    GFourfall::TReplay replay;
    std::string why;
    const bool claims = GFourfall::ParseReplay(body, replay, why) && replay.HasClaim && replay.Score > 0;
    const std::int32_t type = claims ? GFourfall::OnlineType(replay.GameNum) : 0;
    if (claims) {
        const THttpResponse sent = server.Service.Handle(
            ServerTest::RequestFromTarget(ServerTest::GameTarget(type, replay.Name, replay.Score)));
        // The result request refuses what the game never sends (a name over
        // its length, say); then the replay has nothing to verify.
        if (sent.Status != 200 && sent.Status != 400)
            std::abort();
    }
    const std::uint64_t verifiedBefore = server.Service.Counts().Verified;
    const THttpResponse r = server.Service.Handle(Upload(body));
    if (!Allowed(r.Status) || r.Body.empty() || r.Body.find('\n') != r.Body.size() - 1)
        std::abort();
    const std::uint64_t verified = server.Service.Counts().Verified - verifiedBefore;
    if (verified != (r.Status == 200 ? 1u : 0u))
        std::abort();
    if (r.Status != 200)
        return 0;
    // Accepted: only a replay that parsed with a claim can be.
    if (!claims)
        std::abort();
    std::vector<TScoreRecord> best;
    if (server.Db->BestVerified(type, 1000000, best) != TDbStatus::Ok)
        std::abort();
    bool downloaded = false;
    for (const TScoreRecord& rec : best) {
        if (rec.Name != Cp1252ToUtf8(replay.Name) || rec.Score != replay.Score)
            continue;
        const THttpResponse file = server.Service.Handle(ServerTest::RequestFromTarget(ReplayPath(rec.Id)));
        downloaded = downloaded || (file.Status == 200 && file.Body == body);
    }
    if (!downloaded)
        std::abort();
    if (server.Service.Handle(Upload(body)).Status != 409)
        std::abort();
    return 0;
}
