// The score server's command line.
#pragma once

#include "server/HttpServer.h"
#include "server/ReplayCheck.h"
#include "server/ReplayStorage.h"

#include <ostream>
#include <string>

namespace ScoreServer {

struct TServerOptions {
    std::string Listen = "127.0.0.1:8080";
    std::string Database;     // empty: DefaultDatabasePath()
    int RateLimit = 60;       // requests per address and minute; 0: no limit
    int GraceSeconds = 10;    // how long SIGTERM waits for requests under way
    bool FastCommits = false; // commits return before the disk has them (TDbOptions)
    int Threads = 0;          // 0: kDefaultThreads, or kDefaultPostgresThreads with PostgreSQL
    std::string Viewer;       // the replay viewer's folder; empty: InstalledViewerFolder(), "none": no viewer
    THttpLimits Http;
    TReplayBounds Replay;
    // Replay bytes kept: --max-replay-storage, --max-replay-storage-per-address.
    TReplayStorageLimits Storage;
    bool Help = false;
    bool Version = false;
};

// Database connections unless --threads says otherwise.
// PostgreSQL does its work in processes of its own and gains from more
// commits at once; SQLite takes one writer at a time. (Measured with
// tumbletown-scores-bench on two cores.)
constexpr int kDefaultThreads = 4;
constexpr int kDefaultPostgresThreads = 8;

// Parses argv. False after writing a one-line reason to err.
bool ParseServerOptions(int argc, const char* const* argv, TServerOptions& options, std::ostream& err);

// The --help text.
void WriteServerHelp(std::ostream& out);

} // namespace ScoreServer
