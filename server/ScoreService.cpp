#include "server/ScoreService.h"

#include "server/OnlineTypes.h"
#include "server/PlayerName.h"
#include "server/SeedToken.h"
#include "server/WatchPage.h"
#include "server/WebText.h"
#include "server/WorldPage.h"
#include "store/ScorePayload.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>

namespace ScoreServer {

namespace {

constexpr int kRetryAfterUnavailable = 5;             // seconds
constexpr std::int64_t kWriteFailureMemoryMs = 30000; // how long a failed write marks the server unhealthy

std::int64_t SteadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

THttpResponse Text(int status, const std::string& text, const std::string& note = {})
{
    THttpResponse r;
    r.Status = status;
    r.Body = text + "\n";
    r.Note = note.empty() ? text : note;
    return r;
}

// The arguments as a set of keys with their values: none missing, none
// extra, none twice, each bare or valued as wanted. Keys listed with a null
// value must be bare.
bool MatchArgs(const std::vector<TQueryArg>& args,
               const std::vector<std::pair<const char*, const char*>>& want,
               std::vector<std::string>* values = nullptr)
{
    if (args.size() != want.size())
        return false;
    if (values != nullptr)
        values->assign(want.size(), std::string());
    for (std::size_t w = 0; w < want.size(); ++w) {
        int seen = 0;
        for (const TQueryArg& a : args) {
            if (a.Key != want[w].first)
                continue;
            ++seen;
            const char* fixed = want[w].second;
            if (fixed == nullptr) {
                if (a.Value.has_value() && !a.Value->empty())
                    return false;
            } else {
                if (!a.Value.has_value())
                    return false;
                if (*fixed != '\0' && *a.Value != fixed)
                    return false;
                if (values != nullptr)
                    (*values)[w] = *a.Value;
            }
        }
        if (seen != 1)
            return false;
    }
    return true;
}

bool HasKey(const std::vector<TQueryArg>& args, const char* key)
{
    for (const TQueryArg& a : args)
        if (a.Key == key)
            return true;
    return false;
}

// A small decimal number (at most 9 digits, no sign, no leading zero): -1
// when it is not one. Each number has one spelling, so each page one address.
int SmallNumber(const std::string& text)
{
    if (text.empty() || text.size() > 9 || (text[0] == '0' && text.size() > 1))
        return -1;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// Ids are positive decimal numbers written without a leading zero: one
// address for each result and replay.
bool ParseId(const std::string& text, std::int64_t& id)
{
    if (text.empty() || text.size() > 18 || text[0] == '0' ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    id = std::stoll(text);
    return true;
}

// A body the browser may keep: sent with its ETag and revalidated on every
// use, or answered 304 (and nothing) when the browser has it already.
THttpResponse Revalidated(const TRequest& request, const std::string& etag, std::string contentType,
                          std::string body, std::string note)
{
    THttpResponse r;
    r.Headers.emplace_back("ETag", etag);
    r.Headers.emplace_back("Cache-Control", "no-cache");
    r.Note = std::move(note);
    if (ETagMatches(request.IfNoneMatch, etag)) {
        r.Status = 304;
        r.Note += " (not modified)";
        return r;
    }
    r.ContentType = std::move(contentType);
    r.Body = std::move(body);
    return r;
}

// Whether the argument key (when present) came without a percent escape: a
// number written as %30 is not the plain 0.
bool PlainArg(const std::vector<TQueryArg>& args, const char* key)
{
    for (const TQueryArg& a : args)
        if (a.Key == key && a.Escaped)
            return false;
    return true;
}

} // namespace

std::uint64_t TServiceCounts::ReplaysRefusedInAll() const
{
    std::uint64_t n = 0;
    for (const auto& count : ReplaysRefused)
        n += count.load();
    return n;
}

std::string TServiceCounts::ReplayRefusalText() const
{
    std::string text;
    for (int i = 0; i < kReplayRefusalCount; ++i) {
        const std::uint64_t n = ReplaysRefused[i].load();
        if (n == 0)
            continue;
        text += (text.empty() ? "" : ", ") + std::string(ReplayRefusalName(static_cast<TReplayRefusal>(i))) +
                " " + std::to_string(n);
    }
    return text;
}

TScoreService::TScoreService(TScoreDatabase& database, TRateLimiter& limiter, TWallClock clock,
                             const TReplayBounds& replayBounds)
    : Database(database), Writes(database), Limiter(limiter), Clock(std::move(clock)), Replays(replayBounds)
{
    if (!Clock)
        Clock = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
}

THttpResponse TScoreService::Handle(const TRequest& request)
{
    THttpResponse r = Begin(request);
    while (r.Later) { // the pool's part, then the part after it
        const std::function<THttpResponse()> later = std::move(r.Later);
        r = later();
    }
    return r;
}

THttpResponse TScoreService::Begin(const TRequest& request)
{
    THttpResponse r = Route(request);
    r.Route = RouteName(request);
    return r;
}

const char* TScoreService::RouteName(const TRequest& request)
{
    const std::string replays = std::string(kApiReplaysPath) + "/";
    if (request.Path == kScriptPath)
        return HasKey(request.Args, "hs") ? "submission" : "world-page";
    if (request.Path == kApiScoresPath)
        return "scores-api";
    if (request.Path == kApiReplaysPath)
        return "replay-upload";
    if (request.Path.compare(0, replays.size(), replays) == 0)
        return "replay-download";
    if (request.Path == kApiSeedPath)
        return "seed";
    if (request.Path == kHealthPath)
        return "health";
    if (request.Path == kMetricsPath)
        return "metrics";
    if (request.Path.compare(0, std::strlen(kWatchPath), kWatchPath) == 0)
        return "watch";
    if (request.Path.compare(0, std::strlen(kViewerPath), kViewerPath) == 0)
        return "viewer";
    return "other";
}

void TScoreService::CountRequest(const std::string& route, int status)
{
    Requests.Count(route, status);
}

THttpResponse TScoreService::Route(const TRequest& request)
{
    // The viewer's files come from memory and cost nothing to send: a page
    // load asks for six of them, which must not eat up the rate limit.
    const std::string viewerPath = kViewerPath;
    if (request.Path.compare(0, viewerPath.size(), viewerPath) == 0)
        return ViewerFile(request, request.Path.substr(viewerPath.size()));
    const bool health = request.Path == kHealthPath;
    // Health checks come from the load balancer, which must not be locked out.
    int retryAfter = 0;
    if (!health && !Limiter.Allow(request.ClientAddress, retryAfter)) {
        ++Stats.RateLimited;
        THttpResponse r =
            Text(429, "too many requests: try again in " + std::to_string(retryAfter) + " s", "rate limited");
        r.Headers.emplace_back("Retry-After", std::to_string(retryAfter));
        return r;
    }
    if (request.Path == kApiReplaysPath) {
        if (request.Method != "POST") {
            THttpResponse r = Text(405, "a replay is sent with POST", "method " + request.Method);
            r.Headers.emplace_back("Allow", "POST");
            return r;
        }
        return VerifyReplay(request);
    }
    if (request.Method != "GET" && request.Method != "HEAD") {
        THttpResponse r = Text(405, "only GET is served here", "method " + request.Method);
        r.Headers.emplace_back("Allow", "GET, HEAD");
        return r;
    }
    if (health)
        return Health();
    if (request.Path == kMetricsPath)
        return Metrics();
    if (request.Path == "/") {
        THttpResponse r = Text(302, "the world high scores are at " + WorldPagePath(0), "to the page");
        r.Headers.emplace_back("Location", WorldPagePath(0));
        return r;
    }
    if (request.Path == kApiScoresPath)
        return ApiScores(request);
    if (request.Path == kApiSeedPath)
        return DealSeed(request);
    const std::string watch = kWatchPath;
    if (request.Path.compare(0, watch.size(), watch) == 0) {
        if (!request.Args.empty())
            return Text(400, "a replay's page is " + watch + "<number> and nothing else");
        return WatchPage(request, request.Path.substr(watch.size()));
    }
    const std::string replays = std::string(kApiReplaysPath) + "/";
    if (request.Path.compare(0, replays.size(), replays) == 0) {
        if (!request.Args.empty())
            return Text(400, "a replay is " + replays + "<number> and nothing else");
        return DownloadReplay(request.Path.substr(replays.size()));
    }
    if (request.Path != kScriptPath)
        return Text(404, "nothing here");

    std::vector<std::string> values;
    if (HasKey(request.Args, "hs")) {
        if (!MatchArgs(request.Args, {{"hs", nullptr}, {"prg", kProgramTag}, {"inf", ""}}, &values)) {
            ++Stats.Refused;
            return Text(400, "refused: a submission is hs&prg=Tumbltwn&inf=<symbols> and nothing else");
        }
        // A submission changes the table: a HEAD, which must not, is refused.
        if (request.Method != "GET") {
            THttpResponse r = Text(405, "a result is sent with GET", "method " + request.Method);
            r.Headers.emplace_back("Allow", "GET");
            return r;
        }
        return Submit(request, values[2]);
    }
    if (HasKey(request.Args, "show")) {
        if (!PlainArg(request.Args, "type"))
            return Text(404, "no such game type");
        if (MatchArgs(request.Args, {{"prg", kProgramTag}, {"show", nullptr}, {"type", ""}}, &values))
            return WorldPage(values[2], false);
        if (MatchArgs(request.Args,
                      {{"prg", kProgramTag}, {"show", nullptr}, {"type", ""}, {"verified", nullptr}},
                      &values))
            return WorldPage(values[2], true);
        return Text(
            400, "a world page is prg=Tumbltwn&show&type=<number>, and &verified for verified results only");
    }
    return Text(400, "neither a submission (hs) nor a world page (show)");
}

THttpResponse TScoreService::Submit(const TRequest& request, const std::string& symbols)
{
    TScorePayload payload;
    const TPayloadError error = ReadScoreSymbols(symbols, payload);
    if (error != kPayloadOk) {
        ++Stats.Refused;
        return Text(400, std::string("refused: ") + PayloadErrorText(error));
    }
    const TOnlineType* type = FindOnlineType(payload.OnlineType);
    if (type == nullptr) {
        ++Stats.Refused;
        return Text(400, "refused: no game type " + std::to_string(payload.OnlineType));
    }
    if (const char* problem = NameProblem(payload.Name)) {
        ++Stats.Refused;
        return Text(400, std::string("refused: ") + problem);
    }
    TScoreRecord record;
    record.OnlineType = type->Number;
    record.Name = Cp1252ToUtf8(payload.Name);
    if (std::optional<THttpResponse> refused = RefusedByModeration(&record.Name, request.ClientAddress))
        return *refused;
    record.Score = payload.Score;
    record.SubmittedAt = Clock();
    record.ClientAddress = request.ClientAddress;
    TDbStatus added;
    {
        TDatabaseTimer timer(DatabaseTime);
        added = Writes.Add(record);
    }
    if (added != TDbStatus::Ok) {
        WriteFailedAt = SteadyMilliseconds();
        return Unavailable();
    }
    WriteFailedAt = 0;
    ++Stats.Stored;
    return Text(200, "stored: " + std::to_string(record.Score) + " points in " + type->Name,
                "stored " + std::string(type->Name) + " " + std::to_string(record.Score));
}

THttpResponse TScoreService::WorldPage(const std::string& typeText, bool verifiedOnly)
{
    const int number = SmallNumber(typeText);
    const TOnlineType* type = number >= 0 ? FindOnlineType(number) : nullptr;
    if (type == nullptr)
        return Text(404, "no such game type");
    std::vector<TScoreRecord> best;
    TDbStatus status;
    {
        TDatabaseTimer timer(DatabaseTime);
        status = verifiedOnly ? Database.BestVerified(type->Number, kWorldPageRows, best)
                              : Database.Best(type->Number, kWorldPageRows, best);
    }
    if (status != TDbStatus::Ok)
        return Unavailable();
    THttpResponse r;
    r.ContentType = "text/html; charset=utf-8";
    r.Body = RenderWorldPage(*type, best, verifiedOnly, Viewer != nullptr && !Viewer->Empty());
    r.Note = "page " + std::to_string(type->Number) + (verifiedOnly ? " verified" : "");
    return r;
}

THttpResponse TScoreService::RefuseReplay(TReplayRefusal refusal, const std::string& why)
{
    ++Stats.ReplaysRefused[static_cast<int>(refusal)];
    int status = 422; // a replay that is well formed but does not prove its claim
    switch (refusal) {
    case TReplayRefusal::TooLarge:
    case TReplayRefusal::TooManyOperations:
        status = 413;
        break;
    case TReplayRefusal::NoLength:
        status = 411;
        break;
    case TReplayRefusal::Malformed:
    case TReplayRefusal::NoClaim:
    case TReplayRefusal::BadName:
        status = 400;
        break;
    case TReplayRefusal::AlreadyUsed:
    case TReplayRefusal::TokenUsed:
        status = 409;
        break;
    case TReplayRefusal::Busy:
        status = 503;
        break;
    default:
        break;
    }
    THttpResponse r =
        Text(status, "refused: " + why, std::string("replay refused: ") + ReplayRefusalName(refusal));
    if (refusal == TReplayRefusal::Busy)
        r.Headers.emplace_back("Retry-After", std::to_string(kRetryAfterUnavailable));
    return r;
}

THttpResponse TScoreService::VerifyReplay(const TRequest& request)
{
    if (request.BodyState == TBodyState::TooLarge)
        return RefuseReplay(TReplayRefusal::TooLarge, "replay too large");
    if (request.BodyState != TBodyState::Complete)
        return RefuseReplay(TReplayRefusal::NoLength, "length required");
    // A refused address is told so before its replay costs a play.
    if (std::optional<THttpResponse> refused = RefusedByModeration(nullptr, request.ClientAddress))
        return *refused;
    // The play takes up to the CPU budget: it is left to the worker pool.
    // Without room there, the game is told to try again later.
    THttpResponse r = Text(503, "busy: too many replays waiting; try again later", "replay queue full");
    r.Headers.emplace_back("Retry-After", std::to_string(kRetryAfterUnavailable));
    // The pool plays it; the database's part (which takes the write lock
    // the results take too) comes back to the request's own thread.
    auto kept = std::make_shared<const TRequest>(request);
    r.Later = [this, kept]() {
        auto checked = std::make_shared<const TCheckedReplay>(Replays.Check(kept->Body));
        THttpResponse played;
        played.Later = [this, kept, checked]() {
            THttpResponse answer = CheckReplay(*kept, *checked);
            answer.Route = RouteName(*kept);
            return answer;
        };
        return played;
    };
    return r;
}

bool TScoreService::SigningSecret(std::string& secret)
{
    std::lock_guard<std::mutex> hold(SecretMutex);
    if (SecretKept.empty()) {
        const std::string proposed = RandomHex(kSeedSecretBytes);
        std::string kept;
        TDatabaseTimer timer(DatabaseTime);
        if (proposed.empty() || Database.Secret(proposed, kept) != TDbStatus::Ok || kept.empty())
            return false;
        SecretKept = kept;
    }
    secret = SecretKept;
    return true;
}

THttpResponse TScoreService::DealSeed(const TRequest& request)
{
    std::vector<std::string> values;
    if (!MatchArgs(request.Args, {{"type", ""}}, &values) || !PlainArg(request.Args, "type"))
        return Text(400, "a seed is asked for with type=<number> and nothing else");
    const int number = SmallNumber(values[0]);
    const TOnlineType* type = number >= 0 ? FindOnlineType(number) : nullptr;
    if (type == nullptr)
        return Text(400, "no such game type");
    // A refused address has no use for a seed: its replays are refused.
    if (std::optional<THttpResponse> refused = RefusedByModeration(nullptr, request.ClientAddress))
        return *refused;
    std::string secret;
    if (!SigningSecret(secret))
        return Unavailable();
    std::uint32_t seed = 0;
    const std::string nonce = RandomHex(kSeedNonceBytes);
    if (nonce.empty() || !RandomSeed(seed))
        return Text(500, "no random numbers to deal a seed with");
    THttpResponse r;
    r.Body = IssueSeedToken(secret, type->Number, seed, Clock(), nonce) + "\n";
    r.ContentType = "text/plain; charset=us-ascii";
    r.Headers.emplace_back("Cache-Control", "no-store");
    r.Note = "seed " + std::to_string(type->Number);
    return r;
}

THttpResponse TScoreService::CheckReplay(const TRequest& request, const TCheckedReplay& checked)
{
    if (checked.Refusal != TReplayRefusal::None)
        return RefuseReplay(checked.Refusal, checked.Why);
    if (std::optional<THttpResponse> refused = RefusedByModeration(&checked.Name, request.ClientAddress))
        return *refused;
    // The game is played and proves its claim; it verifies the result only
    // if its seed was dealt by a server of this database for this game.
    std::string secret;
    if (!SigningSecret(secret))
        return Unavailable();
    const std::int64_t now = Clock();
    TSeedToken token;
    const TSeedTokenProblem problem =
        CheckSeedToken(secret, checked.Token, checked.OnlineType, checked.Seed, checked.PlayedMs, now, token);
    if (problem != TSeedTokenProblem::None) {
        TReplayRefusal refusal = TReplayRefusal::BadToken;
        if (problem == TSeedTokenProblem::Missing)
            refusal = TReplayRefusal::NoToken;
        else if (problem == TSeedTokenProblem::Expired)
            refusal = TReplayRefusal::TokenExpired;
        else if (problem == TSeedTokenProblem::TooSoon)
            refusal = TReplayRefusal::TooSoon;
        return RefuseReplay(refusal,
                            std::string(SeedTokenProblemText(problem)) + "; the result stays unverified");
    }
    // The replay proves a finished game of this type, name and score: the
    // result it stands for is the newest of those not yet verified (the
    // game sends the result just before its replay).
    TReplayClaim claim;
    claim.OnlineType = checked.OnlineType;
    claim.Name = checked.Name;
    claim.Score = checked.Score;
    claim.GameHash = checked.GameHash;
    claim.Text = request.Body;
    claim.VerifiedAt = now;
    claim.ClientAddress = request.ClientAddress;
    claim.TokenNonce = token.Nonce;
    claim.TokenIssued = token.Issued;
    TVerifyResult result = TVerifyResult::NoSuchResult;
    std::int64_t id = 0;
    TDbStatus verified;
    {
        TDatabaseTimer timer(DatabaseTime);
        verified = Database.Verify(claim, result, id);
    }
    if (verified != TDbStatus::Ok) {
        WriteFailedAt = SteadyMilliseconds();
        return Unavailable();
    }
    WriteFailedAt = 0;
    if (result == TVerifyResult::AlreadyUsed)
        return RefuseReplay(TReplayRefusal::AlreadyUsed, "replay already used");
    if (result == TVerifyResult::TokenUsed)
        return RefuseReplay(TReplayRefusal::TokenUsed,
                            "its seed token already verified a result; the result stays unverified");
    if (result == TVerifyResult::NoSuchResult)
        return RefuseReplay(TReplayRefusal::NoSuchResult,
                            "no unverified result of that name, type and score");
    ++Stats.Verified;
    const TOnlineType* type = FindOnlineType(checked.OnlineType);
    // The result is verified whether or not its replay's bytes could be
    // kept; the player hears which.
    std::string notKept;
    {
        TDatabaseTimer timer(DatabaseTime);
        if (Database.DroppedReplay(id, notKept) != TDbStatus::Ok)
            notKept.clear();
    }
    return Text(200,
                "verified: " + std::to_string(checked.Score) + " points in " +
                    (type != nullptr ? type->Name : "game type " + std::to_string(checked.OnlineType)) +
                    (notKept.empty() ? "" : "; its replay is not kept: " + notKept),
                "verified result " + std::to_string(id) + " (" + std::to_string(checked.Operations) +
                    " operations, " + std::to_string(checked.CpuMicros) + " us" +
                    (notKept.empty() ? "" : ", replay not kept") + ")");
}

THttpResponse TScoreService::GoneReplay(std::int64_t id, bool& gone)
{
    // A verified result whose replay's bytes went (storage bounds) is 410
    // with the reason; its result stays verified on the pages.
    std::string why;
    TDbStatus status;
    {
        TDatabaseTimer timer(DatabaseTime);
        status = Database.DroppedReplay(id, why);
    }
    gone = status != TDbStatus::Ok || !why.empty();
    if (status != TDbStatus::Ok)
        return Unavailable();
    return Text(410, "the replay of this verified result is no longer kept: " + why,
                "replay " + std::to_string(id) + " gone");
}

THttpResponse TScoreService::DownloadReplay(const std::string& idText)
{
    std::int64_t id = 0;
    if (!ParseId(idText, id))
        return Text(404, "no such replay");
    std::string text;
    bool found = false;
    TDbStatus status;
    {
        TDatabaseTimer timer(DatabaseTime);
        status = Database.Replay(id, text, found);
    }
    if (status != TDbStatus::Ok)
        return Unavailable();
    if (!found) {
        bool gone = false;
        THttpResponse r = GoneReplay(id, gone);
        return gone ? r : Text(404, "no such replay");
    }
    THttpResponse r;
    r.ContentType = "text/plain; charset=windows-1252";
    r.Body = std::move(text);
    r.Headers.emplace_back("Content-Disposition",
                           "attachment; filename=\"tumbletown-" + idText + ".replay\"");
    r.Note = "replay " + idText;
    return r;
}

THttpResponse TScoreService::WatchPage(const TRequest& request, const std::string& idText)
{
    if (Viewer == nullptr || Viewer->Empty())
        return Text(404, "this server has no replay viewer installed");
    std::int64_t id = 0;
    if (!ParseId(idText, id))
        return Text(404, "no such verified result");
    TScoreRecord result;
    bool found = false;
    TDbStatus status;
    {
        TDatabaseTimer timer(DatabaseTime);
        status = Database.VerifiedResult(id, result, found);
    }
    if (status != TDbStatus::Ok)
        return Unavailable();
    const TOnlineType* type = found ? FindOnlineType(result.OnlineType) : nullptr;
    if (type == nullptr)
        return Text(404, "no such verified result");
    bool gone = false;
    THttpResponse goneAnswer = GoneReplay(id, gone);
    if (gone)
        return goneAnswer;
    std::string page = RenderWatchPage(*type, result);
    const std::string etag = ETagOf(page);
    THttpResponse r =
        Revalidated(request, etag, "text/html; charset=utf-8", std::move(page), "watch " + idText);
    r.Headers.emplace_back("Content-Security-Policy", kWatchPolicy);
    return r;
}

THttpResponse TScoreService::ViewerFile(const TRequest& request, const std::string& name)
{
    if (request.Method != "GET" && request.Method != "HEAD") {
        THttpResponse r = Text(405, "only GET is served here", "method " + request.Method);
        r.Headers.emplace_back("Allow", "GET, HEAD");
        return r;
    }
    const TViewerFile* file = Viewer != nullptr ? Viewer->Find(name) : nullptr;
    if (file == nullptr || !request.Args.empty())
        return Text(404, "nothing here");
    return Revalidated(request, file->ETag, file->ContentType, file->Body, "viewer " + name);
}

THttpResponse TScoreService::ApiScores(const TRequest& request)
{
    std::vector<std::string> values;
    int limit = kWorldPageRows;
    if (MatchArgs(request.Args, {{"type", ""}, {"limit", ""}}, &values)) {
        limit = SmallNumber(values[1]);
        if (limit < 1 || limit > kWorldPageRows)
            return Text(400, "limit is 1 to " + std::to_string(kWorldPageRows));
    } else if (!MatchArgs(request.Args, {{"type", ""}}, &values)) {
        return Text(400, "the arguments are type=<number> and, if wanted, limit=<1 to 100>");
    }
    if (!PlainArg(request.Args, "type") || !PlainArg(request.Args, "limit"))
        return Text(400, "type and limit are plain decimal numbers");
    const int number = SmallNumber(values[0]);
    const TOnlineType* type = number >= 0 ? FindOnlineType(number) : nullptr;
    if (type == nullptr)
        return Text(404, "no such game type");
    std::vector<TScoreRecord> best;
    std::vector<TScoreRecord> bestVerified;
    TDbStatus status;
    {
        TDatabaseTimer timer(DatabaseTime);
        status = Database.Best(type->Number, limit, best);
        // The best verified result whose replay is still kept: the one the
        // game races. A replay past the storage bounds went, its result stays.
        if (status == TDbStatus::Ok)
            status = Database.BestVerified(type->Number, kWorldPageRows, bestVerified);
    }
    if (status != TDbStatus::Ok)
        return Unavailable();
    const auto raced = std::find_if(bestVerified.begin(), bestVerified.end(),
                                    [](const TScoreRecord& r) { return r.ReplayKept; });
    THttpResponse r;
    r.ContentType = "application/json";
    r.Body = RenderScoresJson(*type, best, raced == bestVerified.end() ? nullptr : &*raced);
    r.Note = "api " + std::to_string(type->Number);
    return r;
}

THttpResponse TScoreService::Health()
{
    const std::int64_t failed = WriteFailedAt;
    if ((failed != 0 && SteadyMilliseconds() - failed < kWriteFailureMemoryMs) ||
        Database.Check() != TDbStatus::Ok)
        return Unavailable();
    return Text(200,
                "ok: " + std::to_string(Stats.Stored.load()) + " stored, " +
                    std::to_string(Stats.Refused.load()) + " refused, " +
                    std::to_string(Stats.RateLimited.load()) + " rate-limited, " +
                    std::to_string(Stats.Unavailable.load()) + " unavailable, " +
                    std::to_string(Stats.Verified.load()) + " verified, " +
                    std::to_string(Stats.ReplaysRefusedInAll()) + " replays refused" +
                    (Stats.ReplaysRefusedInAll() > 0 ? " (" + Stats.ReplayRefusalText() + ")" : ""),
                "health");
}

THttpResponse TScoreService::Metrics()
{
    THttpResponse r;
    r.ContentType = "text/plain; version=0.0.4; charset=utf-8";
    r.Note = "metrics";
    std::string& m = r.Body;
    m += Requests.Text();
    auto counter = [&m](const char* name, const char* help, const std::string& labels, std::uint64_t n) {
        m += MetricHeader(name, "counter", help);
        m += std::string(name) + labels + " " + std::to_string(n) + "\n";
    };
    m += MetricHeader("tumbletown_submissions_total", "counter", "Results sent by the game, by outcome.");
    m += "tumbletown_submissions_total{outcome=\"stored\"} " + std::to_string(Stats.Stored.load()) + "\n";
    m += "tumbletown_submissions_total{outcome=\"refused\"} " + std::to_string(Stats.Refused.load()) + "\n";
    m += MetricHeader("tumbletown_verifications_total", "counter", "Replays checked, by outcome.");
    m += "tumbletown_verifications_total{outcome=\"verified\"} " + std::to_string(Stats.Verified.load()) +
         "\n";
    for (int i = 1; i < kReplayRefusalCount; ++i)
        m += std::string("tumbletown_verifications_total{outcome=\"") +
             ReplayRefusalName(static_cast<TReplayRefusal>(i)) + "\"} " +
             std::to_string(Stats.ReplaysRefused[i].load()) + "\n";
    counter("tumbletown_moderation_refused_total",
            "Submissions, replays and seed requests refused for a refused name or address.", "",
            Stats.Moderated.load());
    counter("tumbletown_rate_limited_total", "Requests answered 429.", "", Stats.RateLimited.load());
    counter("tumbletown_unavailable_total", "Requests answered 503 for want of the database.", "",
            Stats.Unavailable.load());
    counter("tumbletown_result_commits_total",
            "Transactions that wrote results; the results that arrive together share one.", "",
            Writes.Commits());
    counter("tumbletown_database_calls_total", "Calls to the database.", "", DatabaseTime.Calls.load());
    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "%.6f", static_cast<double>(DatabaseTime.Micros.load()) / 1e6);
    m += MetricHeader("tumbletown_database_seconds_total", "counter",
                      "Time requests spent waiting for the database, commits included.");
    m += std::string("tumbletown_database_seconds_total ") + seconds + "\n";
    if (MoreMetrics)
        m += MoreMetrics();
    return r;
}

THttpResponse TScoreService::Unavailable()
{
    ++Stats.Unavailable;
    THttpResponse r = Text(503, "the score database is unavailable; try again later", "database unavailable");
    r.Headers.emplace_back("Retry-After", std::to_string(kRetryAfterUnavailable));
    return r;
}

// --- Moderation ---
std::optional<THttpResponse> TScoreService::RefusedByModeration(const std::string* name,
                                                                const std::string& address)
{
    // One request reads the list again when it is due; the others go on
    // with the one kept meanwhile, so none waits for the database here.
    bool due = false;
    {
        std::lock_guard<std::mutex> hold(RefusedMutex);
        const std::int64_t now = Clock();
        due = !RefusedRead || now < RefusedReadAt || now - RefusedReadAt >= kRefusedListSeconds;
        if (due) {
            // Also when the read fails: a database that is down is asked
            // again after the same while, not on every request.
            RefusedRead = true;
            RefusedReadAt = now;
        }
    }
    if (due) {
        TRefusedRows rows;
        TDbStatus status;
        {
            TDatabaseTimer timer(DatabaseTime);
            status = Database.RefusedRows(rows);
        }
        TRefusedList list;
        list.Set(rows);
        std::lock_guard<std::mutex> hold(RefusedMutex);
        if (status == TDbStatus::Ok)
            RefusedKept = std::move(list);
    }
    bool nameRefused = false, addressRefused = false;
    {
        std::lock_guard<std::mutex> hold(RefusedMutex);
        nameRefused = name != nullptr && RefusedKept.RefusesName(*name);
        addressRefused = RefusedKept.RefusesAddress(address);
    }
    if (!nameRefused && !addressRefused)
        return std::nullopt;
    ++Stats.Moderated;
    return Text(403,
                nameRefused ? "refused: this name is refused on this server"
                            : "refused: requests from this address are refused on this server",
                nameRefused ? "refused name" : "refused address");
}
// --- end of moderation ---

} // namespace ScoreServer
