#include "server/ScoreService.h"

#include "server/OnlineTypes.h"
#include "server/WebText.h"
#include "server/WorldPage.h"
#include "store/ScorePayload.h"

#include <chrono>
#include <ctime>

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

// A small decimal number (at most 9 digits, no sign); -1 when it is not one.
int SmallNumber(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return -1;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

} // namespace

TScoreService::TScoreService(TScoreDatabase& database, TRateLimiter& limiter, TWallClock clock)
    : Database(database), Writes(database), Limiter(limiter), Clock(std::move(clock))
{
    if (!Clock)
        Clock = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
}

THttpResponse TScoreService::Handle(const TRequest& request)
{
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
    if (request.Method != "GET" && request.Method != "HEAD") {
        THttpResponse r = Text(405, "only GET is served here", "method " + request.Method);
        r.Headers.emplace_back("Allow", "GET, HEAD");
        return r;
    }
    if (health)
        return Health();
    if (request.Path == "/") {
        THttpResponse r = Text(302, "the world high scores are at " + WorldPagePath(0), "to the page");
        r.Headers.emplace_back("Location", WorldPagePath(0));
        return r;
    }
    if (request.Path == kApiScoresPath)
        return ApiScores(request);
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
        if (!MatchArgs(request.Args, {{"prg", kProgramTag}, {"show", nullptr}, {"type", ""}}, &values))
            return Text(400, "a world page is prg=Tumbltwn&show&type=<number>");
        return WorldPage(values[2]);
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
    TScoreRecord record;
    record.OnlineType = type->Number;
    record.Name = Cp1252ToUtf8(payload.Name);
    record.Score = payload.Score;
    record.SubmittedAt = Clock();
    record.ClientAddress = request.ClientAddress;
    if (Writes.Add(record) != TDbStatus::Ok) {
        WriteFailedAt = SteadyMilliseconds();
        return Unavailable();
    }
    WriteFailedAt = 0;
    ++Stats.Stored;
    return Text(200, "stored: " + std::to_string(record.Score) + " points in " + type->Name,
                "stored " + std::string(type->Name) + " " + std::to_string(record.Score));
}

THttpResponse TScoreService::WorldPage(const std::string& typeText)
{
    const int number = SmallNumber(typeText);
    const TOnlineType* type = number >= 0 ? FindOnlineType(number) : nullptr;
    if (type == nullptr)
        return Text(404, "no such game type");
    std::vector<TScoreRecord> best;
    if (Database.Best(type->Number, kWorldPageRows, best) != TDbStatus::Ok)
        return Unavailable();
    THttpResponse r;
    r.ContentType = "text/html; charset=utf-8";
    r.Body = RenderWorldPage(*type, best);
    r.Note = "page " + std::to_string(type->Number);
    return r;
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
    const int number = SmallNumber(values[0]);
    const TOnlineType* type = number >= 0 ? FindOnlineType(number) : nullptr;
    if (type == nullptr)
        return Text(404, "no such game type");
    std::vector<TScoreRecord> best;
    if (Database.Best(type->Number, limit, best) != TDbStatus::Ok)
        return Unavailable();
    THttpResponse r;
    r.ContentType = "application/json";
    r.Body = RenderScoresJson(*type, best);
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
                    std::to_string(Stats.Unavailable.load()) + " unavailable",
                "health");
}

THttpResponse TScoreService::Unavailable()
{
    ++Stats.Unavailable;
    THttpResponse r = Text(503, "the score database is unavailable; try again later", "database unavailable");
    r.Headers.emplace_back("Retry-After", std::to_string(kRetryAfterUnavailable));
    return r;
}

} // namespace ScoreServer
