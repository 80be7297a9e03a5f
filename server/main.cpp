// tumbletown-scores: the world high-score server. See --help and the manual
// page tumbletown-scores(1).

#include "server/HttpServer.h"
#include "server/Log.h"
#include "server/Moderation.h"
#include "server/ScoreDatabase.h"
#include "server/ScoreService.h"
#include "server/ServerOptions.h"
#include "server/ViewerFiles.h"

#include <csignal>
#include <iostream>
#include <pthread.h>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace ScoreServer;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Each connection is a descriptor: take all the process may have.
void RaiseDescriptorLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char** argv)
{
    // --- Moderation: a command of its own on the servers' database ---
    if (argc > 1 && std::string(argv[1]) == "moderate")
        return RunModerate(std::vector<std::string>(argv + 2, argv + argc), std::cout, std::cerr);
    // --- end of moderation ---
    TServerOptions options;
    if (!ParseServerOptions(argc, argv, options, std::cerr))
        return kExitUsage;
    if (options.Help) {
        WriteServerHelp(std::cout);
        return 0;
    }
    if (options.Version) {
        std::cout << "tumbletown-scores " << TUMBLETOWN_VERSION << "\n";
        return 0;
    }
    RaiseDescriptorLimit();
    // The signals that stop the server are taken by the main thread alone,
    // with sigwait; every thread started from here on inherits the mask.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const std::string target = options.Database.empty() ? DefaultDatabasePath() : options.Database;
    if (target.empty()) {
        LogLine("no database: neither XDG_DATA_HOME nor HOME is set; give --database");
        return kExitFailure;
    }
    options.Http.Threads = options.Threads > 0        ? options.Threads
                           : IsPostgresTarget(target) ? kDefaultPostgresThreads
                                                      : kDefaultThreads;
    std::string error;
    TDbOptions dbOptions{options.Http.Threads, options.FastCommits};
    dbOptions.Storage = options.Storage;
    std::unique_ptr<TScoreDatabase> database = OpenScoreDatabase(target, dbOptions, error);
    if (!database) {
        LogLine(error);
        return kExitFailure;
    }
    TRateLimiter limiter(options.RateLimit);
    TScoreService service(*database, limiter, nullptr, options.Replay);
    // The viewer named on the command line must be there; the installed one
    // may be missing (a server built without emscripten): the world page
    // then offers the downloads alone.
    TViewerFiles viewer;
    std::string viewerNote = "no replay viewer";
    if (options.Viewer != "none") {
        const std::string folder = options.Viewer.empty() ? InstalledViewerFolder() : options.Viewer;
        if (viewer.Load(folder, error)) {
            service.UseViewer(&viewer);
            viewerNote = "replay viewer from " + folder;
        } else if (!options.Viewer.empty()) {
            LogLine(error);
            return kExitFailure;
        }
    }
    options.Http.MaxBodyBytes = service.MaxBodyBytes();
    THttpServer http;
    http.Answered = [&](const std::string& route, int status) { service.CountRequest(route, status); };
    service.MoreMetrics = [&] { return http.MetricsText(); };
    if (!http.Start(
            options.Listen, options.Http, [&](const TRequest& r) { return service.Begin(r); }, error)) {
        LogLine(error);
        return kExitFailure;
    }
    LogLine("listening on " + http.Address() + ", " + database->Describe() +
            (options.FastCommits ? " (fast commits: not on the disk when answered)" : "") + ", rate limit " +
            (options.RateLimit > 0 ? std::to_string(options.RateLimit) + "/min per address"
                                   : std::string("off")) +
            ", replays up to " + std::to_string(options.Replay.MaxBytes) + " bytes, " +
            std::to_string(options.Replay.MaxOperations) + " operations, " +
            std::to_string(options.Replay.MaxCpuMs) + " ms CPU, kept up to " +
            std::to_string(options.Storage.MaxBytes) + " bytes (" +
            std::to_string(options.Storage.MaxBytesPerAddress) + " per address), checked by " +
            std::to_string(http.ReplayWorkers()) + " workers (a queue of " +
            std::to_string(options.Http.Workers.Queue) + ", " + std::to_string(options.Http.Workers.PerKey) +
            " per address), " + viewerNote);

    int signal = 0;
    sigwait(&stop, &signal);
    LogLine(std::string("stopping on ") +
            (signal == SIGTERM  ? "SIGTERM"
             : signal == SIGINT ? "SIGINT"
                                : "SIGHUP") +
            ": finishing the requests under way");
    http.Stop(std::chrono::seconds(options.GraceSeconds));
    const TServiceCounts& counts = service.Counts();
    LogLine("stopped: " + std::to_string(counts.Stored.load()) + " stored, " +
            std::to_string(counts.Refused.load()) + " refused, " + std::to_string(counts.Verified.load()) +
            " verified, " + std::to_string(counts.ReplaysRefusedInAll()) + " replays refused, " +
            std::to_string(counts.RateLimited.load()) + " rate-limited, " +
            std::to_string(counts.Unavailable.load()) + " unavailable, " + std::to_string(http.CutOff()) +
            " cut off, " + std::to_string(http.OverLimit.load()) + " connections over the limits");
    database.reset(); // closes the database cleanly
    return 0;
}
