// What the score server does with a request, apart from HTTP itself: the
// routes, the submission's checks, the pages and the counts. The HTTP
// library hands over method, path and query arguments; this answers with a
// status, a type and a body. Being plain data in and out, it is tested and
// fuzzed without a socket.
#pragma once

#include "server/CommitQueue.h"
#include "server/Metrics.h"
#include "server/RateLimiter.h"
#include "server/RefusedList.h"
#include "server/ReplayCheck.h"
#include "server/ScoreDatabase.h"
#include "server/ViewerFiles.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ScoreServer {

// One query argument; a bare key ("hs", "show") has no value.
struct TQueryArg {
    std::string Key;
    std::optional<std::string> Value;
    bool Escaped = false; // the value was sent with a percent escape in it
};

// The body of a request, as far as the HTTP side took it. Only POST bodies
// are read, and only up to the bound the service gives the HTTP side.
enum class TBodyState {
    None,     // no body read (not a POST)
    Complete, // Body holds it all
    TooLarge, // its length is over the bound: not read at all
    NoLength, // sent without a Content-Length: not read
};

struct TRequest {
    std::string Method; // "GET", "HEAD", ...
    std::string Path;   // without the query, percent-decoded by the HTTP library
    std::vector<TQueryArg> Args;
    std::string ClientAddress;
    std::string IfNoneMatch; // the If-None-Match header as sent, "" without one
    TBodyState BodyState = TBodyState::None;
    std::string Body;
};

struct THttpResponse {
    int Status = 200;
    std::string ContentType = "text/plain; charset=utf-8";
    std::string Body;
    std::vector<std::pair<std::string, std::string>> Headers; // beyond the type and length
    std::string Note;                                         // a few words for the request's log line
    std::string Route; // which of the served addresses (RouteName), for the request counts
    // Set when the rest of the work is slow (a replay to play again): the
    // HTTP side runs it on its worker pool, never on an event loop, and
    // answers with what it returns. The fields above are the answer when the
    // pool has no room for it. When what the pool returns has a Later
    // again, that second part runs back on the request's own thread, at
    // its priority (the pool's workers run only when the CPU is idle).
    std::function<THttpResponse()> Later;
};

// Counts since start; read by /healthz and the tests.
struct TServiceCounts {
    std::atomic<std::uint64_t> Stored{0};
    std::atomic<std::uint64_t> Refused{0};     // submissions that did not decode or parse
    std::atomic<std::uint64_t> Unavailable{0}; // answered 503
    std::atomic<std::uint64_t> RateLimited{0}; // answered 429
    std::atomic<std::uint64_t> Verified{0};    // results a replay verified
    // Replays refused, by reason (index: TReplayRefusal).
    std::atomic<std::uint64_t> ReplaysRefused[kReplayRefusalCount]{};
    // Submissions, replays and seed requests refused by moderation (a
    // refused name or address), answered 403.
    std::atomic<std::uint64_t> Moderated{0};

    std::uint64_t ReplaysRefusedInAll() const;
    // "score-differs 2, already-used 1": the reasons counted so far.
    std::string ReplayRefusalText() const;
};

constexpr const char* kScriptPath = "/cgi/version.pl";
constexpr const char* kApiScoresPath = "/api/v1/scores";
constexpr const char* kHealthPath = "/healthz";
constexpr const char* kApiReplaysPath = "/api/v1/replays"; // POST a replay; GET .../ID downloads one
constexpr const char* kProgramTag = "Tumbltwn";            // prg= of the game's requests
constexpr const char* kMetricsPath = "/metrics";
constexpr const char* kApiSeedPath = "/api/v1/seed"; // GET ?type=N: a seed token for the next game

class TScoreService {
public:
    // Seconds since 1970 for the time a result is kept; the caller owns time.
    using TWallClock = std::function<std::int64_t()>;

    TScoreService(TScoreDatabase& database, TRateLimiter& limiter, TWallClock clock = nullptr,
                  const TReplayBounds& replayBounds = TReplayBounds());

    // The whole answer, the slow part included, on the caller's thread.
    THttpResponse Handle(const TRequest& request);
    // The answer, or the quick part of it with the slow rest in Later.
    THttpResponse Begin(const TRequest& request);

    // The label of the address asked for in the request counts:
    // "submission", "world-page", "scores-api", "replay-upload",
    // "replay-download", "seed", "health", "metrics" or "other".
    static const char* RouteName(const TRequest& request);
    // Counts one answered request (the HTTP side calls it for every one).
    void CountRequest(const std::string& route, int status);
    // More lines for /metrics from the HTTP side (its queue, connections).
    std::function<std::string()> MoreMetrics;

    // The most a request body may hold: the HTTP side reads no more.
    std::size_t MaxBodyBytes() const { return Replays.Limits().MaxBytes; }

    const TServiceCounts& Counts() const { return Stats; }
    // The replay checker (tests hold a play with its PlayStarts).
    TReplayChecker& Checker() { return Replays; }

    // The replay viewer's files, kept by the caller for the service's life:
    // with them the service answers /watch/ID and /viewer/NAME, and the world
    // page links each verified result to its viewer. Without (nullptr or an
    // empty set) neither is there.
    void UseViewer(const TViewerFiles* files) { Viewer = files; }

private:
    THttpResponse Submit(const TRequest& request, const std::string& symbols);
    THttpResponse WorldPage(const std::string& type, bool verifiedOnly);
    THttpResponse VerifyReplay(const TRequest& request);
    // What a played replay proves, kept and answered.
    THttpResponse CheckReplay(const TRequest& request, const TCheckedReplay& checked);
    THttpResponse RefuseReplay(TReplayRefusal refusal, const std::string& why);
    THttpResponse DownloadReplay(const std::string& id);
    // 410 with why, gone true, when the replay of result id was dropped
    // (503, gone true, when the database cannot say); gone false otherwise.
    THttpResponse GoneReplay(std::int64_t id, bool& gone);
    THttpResponse WatchPage(const TRequest& request, const std::string& id);
    THttpResponse ViewerFile(const TRequest& request, const std::string& name);
    THttpResponse ApiScores(const TRequest& request);
    THttpResponse DealSeed(const TRequest& request);
    // The secret that signs seed tokens, read from the database (made there
    // by the first server) once; false while the database cannot say.
    bool SigningSecret(std::string& secret);
    THttpResponse Health();
    THttpResponse Metrics();
    THttpResponse Unavailable();
    // --- Moderation ---
    // The 403 for a refused name (name non-null and refused) or address;
    // nullopt when neither is refused. The list is read again from the
    // database once kRefusedListSeconds have passed since it last was (by
    // the request that finds it due; the others use the one kept); while it
    // cannot be read, the last one read holds.
    std::optional<THttpResponse> RefusedByModeration(const std::string* name, const std::string& address);
    std::mutex RefusedMutex;
    TRefusedList RefusedKept;
    bool RefusedRead = false;
    std::int64_t RefusedReadAt = 0; // Clock() seconds
    // --- end of moderation ---
    THttpResponse Route(const TRequest& request);

    TScoreDatabase& Database;
    TCommitQueue Writes; // submissions that arrive together share a commit
    TRateLimiter& Limiter;
    TWallClock Clock;
    TReplayChecker Replays;
    TServiceCounts Stats;
    TRequestCounts Requests;
    TDatabaseTime DatabaseTime;
    const TViewerFiles* Viewer = nullptr;
    std::mutex SecretMutex;
    std::string SecretKept; // empty until read
    // When the last write failed (steady milliseconds), 0 after a good one: a
    // database that reads but cannot write (a full disk) is not healthy for a
    // while after each failed write.
    std::atomic<std::int64_t> WriteFailedAt{0};
};

} // namespace ScoreServer
