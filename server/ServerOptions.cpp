#include "server/ServerOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ScoreServer {

namespace {

// A whole decimal number from low to high.
bool ReadNumber(const char* text, long low, long high, long& value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && *end == '\0' && value >= low && value <= high;
}

} // namespace

void WriteServerHelp(std::ostream& out)
{
    out << "Usage: tumbletown-scores [OPTION]...\n"
           "       tumbletown-scores moderate [--database TARGET] COMMAND (see moderate --help)\n"
           "World high scores for Tumbletown: takes the results the game sends and serves\n"
           "the world high-score page the game's World button opens.\n"
           "\n"
           "  --listen ADDR:PORT       where to listen (default 127.0.0.1:8080; :80 for every\n"
           "                           address on port 80; port 0 picks a free one)\n"
           "  --database TARGET        an SQLite file (default\n"
           "                           $XDG_DATA_HOME/tumbletown-scores/scores.db), or a\n"
           "                           postgresql://USER@HOST:PORT/DB URL for a database that\n"
           "                           several servers share\n"
           "  --rate-limit N/MIN       requests per client address and minute (default\n"
           "                           60/min; 0 switches the limit off); more get 429\n"
           "  --fast-commits           answer a result once the database has it, before it\n"
           "                           is on the disk: it survives the server being killed,\n"
           "                           but a crash of the machine (or of PostgreSQL) can\n"
           "                           lose the last moment's answered results; by default\n"
           "                           a result is answered once it is on the disk\n"
           "  --threads N              database connections (default 4; 8 with PostgreSQL);\n"
           "                           each connection has a thread of its own\n"
           "  --request-timeout S      seconds a client has to send its whole request\n"
           "                           (default 5)\n"
           "  --idle-timeout S         seconds a silent connection is kept (default 5)\n"
           "  --max-request-bytes N    request line and headers together (default 8192)\n"
           "  --max-connections N      open connections in all (default 4096)\n"
           "  --max-connections-per-address N\n"
           "                           open connections from one address (default 128;\n"
           "                           0: no limit)\n"
           "  --max-replay-bytes N     the longest replay taken (default 5242880, which\n"
           "                           holds any replay within the operations bound); a\n"
           "                           longer one is refused by its length, unread\n"
           "  --max-replay-operations N\n"
           "                           the most operations a replay may hold (default\n"
           "                           250000: a three-hour game played well is about\n"
           "                           183000)\n"
           "  --max-replay-cpu-ms MS   CPU time one replay may take to play again (default\n"
           "                           1000); a replay that needs more is refused\n"
           "  --max-replay-storage BYTES\n"
           "                           replay bytes kept in all (default 4294967296); a\n"
           "                           replay past it is played and its result verified,\n"
           "                           but its bytes are not kept (the log says why)\n"
           "  --max-replay-storage-per-address BYTES\n"
           "                           the same for one client address, IPv6 by its /64\n"
           "                           (default 67108864);\n"
           "                           a result keeps its replay only while among the best\n"
           "                           10 verified of its name and type in any case\n"
           "  --viewer DIR             the replay viewer's files (default: those installed\n"
           "                           with the server, when there are any); none: no viewer\n"
           "  --replay-workers N       threads that play uploaded replays again, only when\n"
           "                           the CPU has nothing else to do (default: one fewer\n"
           "                           than the machine has cores, at least one)\n"
           "  --replay-queue N         replays waiting for the workers or being played, in\n"
           "                           all (default 64); past it, 503 and Retry-After\n"
           "  --replay-queue-per-address N\n"
           "                           the same for one client (default 4); the clients'\n"
           "                           replays are played in turn\n"
           "  --max-incomplete-requests N\n"
           "                           connections whose request is still coming in (default\n"
           "                           2048; 0: no limit); past it the oldest of the client\n"
           "                           with the most is cut off (408)\n"
           "  --max-body-memory BYTES  bodies being read or checked, by their length, in all\n"
           "                           (default 33554432); past it, 503 and Retry-After\n"
           "  --max-body-memory-per-address BYTES\n"
           "                           the same for one client (default 8388608: at least\n"
           "                           one of the longest replays)\n"
           "  --trusted-proxy ADDR[/BITS]\n"
           "                           a reverse proxy in front of the server (may be given\n"
           "                           again): from it, the client is the right-most address\n"
           "                           of X-Forwarded-For that is not a trusted proxy itself;\n"
           "                           from anyone else the header is ignored\n"
           "  --grace S                on SIGTERM, seconds to let requests under way finish\n"
           "                           (default 10)\n"
           "  --help                   this text\n"
           "  --version                the version\n"
           "\n"
           "Addresses served:\n"
           "  /cgi/version.pl?hs&prg=Tumbltwn&inf=...     a result sent by the game\n"
           "  /cgi/version.pl?prg=Tumbltwn&show&type=N    the world page of game type N\n"
           "  /api/v1/scores?type=N&limit=K               the best K results as JSON\n"
           "  /api/v1/replays (POST)                      a replay sent by the game: played\n"
           "                                              again, it verifies its result\n"
           "  /api/v1/replays/ID                          the replay of verified result ID\n"
           "  /cgi/version.pl?prg=Tumbltwn&show&type=N&verified\n"
           "                                              verified results only\n"
           "  /watch/ID                                   the replay of verified result ID,\n"
           "                                              played in the browser\n"
           "  /healthz                                    200 while the database works\n"
           "  /metrics                                    counts in the Prometheus text format\n"
           "\n"
           "One line per request goes to standard error.\n";
}

bool ParseServerOptions(int argc, const char* const* argv, TServerOptions& o, std::ostream& err)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            o.Help = true;
            continue;
        }
        if (arg == "--version") {
            o.Version = true;
            continue;
        }
        if (arg == "--fast-commits") {
            o.FastCommits = true;
            continue;
        }
        if (arg == "--sync-commits") {
            // What the default does now; older command lines still start.
            o.FastCommits = false;
            continue;
        }
        // Every other option takes a value, as --name VALUE or --name=VALUE.
        std::string name = arg, value;
        const std::size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            err << "tumbletown-scores: " << arg
                << (arg.rfind("--", 0) == 0 ? " needs a value" : ": unknown argument") << " (see --help)\n";
            return false;
        }
        long n = 0;
        auto number = [&](long low, long high, int& field) {
            if (!ReadNumber(value.c_str(), low, high, n)) {
                err << "tumbletown-scores: " << name << " wants a number from " << low << " to " << high
                    << ", not '" << value << "'\n";
                return false;
            }
            field = static_cast<int>(n);
            return true;
        };
        if (name == "--listen") {
            o.Listen = value;
        } else if (name == "--database") {
            o.Database = value;
        } else if (name == "--viewer") {
            o.Viewer = value;
        } else if (name == "--rate-limit") {
            std::string count = value;
            const std::size_t slash = value.find('/');
            if (slash != std::string::npos) {
                const std::string per = value.substr(slash + 1);
                if (per != "min" && per != "MIN" && per != "minute") {
                    err << "tumbletown-scores: --rate-limit wants N/min, not '" << value << "'\n";
                    return false;
                }
                count = value.substr(0, slash);
            }
            if (!ReadNumber(count.c_str(), 0, 1000000, n)) {
                err << "tumbletown-scores: --rate-limit wants N/min with N from 0 to 1000000, not '" << value
                    << "'\n";
                return false;
            }
            o.RateLimit = static_cast<int>(n);
        } else if (name == "--threads") {
            if (!number(1, 256, o.Threads))
                return false;
        } else if (name == "--request-timeout") {
            if (!number(0, 3600, o.Http.RequestTimeoutSeconds))
                return false;
        } else if (name == "--idle-timeout") {
            if (!number(1, 3600, o.Http.IdleTimeoutSeconds))
                return false;
        } else if (name == "--max-request-bytes") {
            int bytes = 0;
            if (!number(1024, 1 << 20, bytes))
                return false;
            o.Http.MaxRequestBytes = static_cast<std::size_t>(bytes);
        } else if (name == "--max-connections") {
            if (!number(1, 1000000, o.Http.MaxConnections))
                return false;
        } else if (name == "--max-connections-per-address") {
            if (!number(0, 1000000, o.Http.MaxConnectionsPerAddress))
                return false;
        } else if (name == "--max-replay-bytes") {
            int bytes = 0;
            if (!number(1024, 64 << 20, bytes))
                return false;
            o.Replay.MaxBytes = static_cast<std::size_t>(bytes);
        } else if (name == "--max-replay-operations") {
            int operations = 0;
            if (!number(1, 10000000, operations))
                return false;
            o.Replay.MaxOperations = static_cast<std::size_t>(operations);
        } else if (name == "--max-replay-cpu-ms") {
            if (!number(1, 600000, o.Replay.MaxCpuMs))
                return false;
        } else if (name == "--max-replay-storage" || name == "--max-replay-storage-per-address") {
            // Past what int holds: read as long.
            const long most = 1L << 50;
            if (!ReadNumber(value.c_str(), 0, most, n)) {
                err << "tumbletown-scores: " << name << " wants a number of bytes from 0 to " << most
                    << ", not '" << value << "'\n";
                return false;
            }
            (name == "--max-replay-storage" ? o.Storage.MaxBytes : o.Storage.MaxBytesPerAddress) = n;
        } else if (name == "--replay-workers") {
            if (!number(1, 256, o.Http.Workers.Workers))
                return false;
        } else if (name == "--replay-queue" || name == "--replay-queue-per-address") {
            int jobs = 0;
            if (!number(1, 100000, jobs))
                return false;
            (name == "--replay-queue" ? o.Http.Workers.Queue : o.Http.Workers.PerKey) =
                static_cast<std::size_t>(jobs);
        } else if (name == "--max-incomplete-requests") {
            if (!number(0, 1000000, o.Http.MaxIncompleteRequests))
                return false;
        } else if (name == "--max-body-memory" || name == "--max-body-memory-per-address") {
            int bytes = 0;
            if (!number(1 << 20, 1 << 30, bytes))
                return false;
            (name == "--max-body-memory" ? o.Http.MaxBodyMemory : o.Http.MaxBodyMemoryPerAddress) =
                static_cast<std::size_t>(bytes);
        } else if (name == "--trusted-proxy") {
            TAddressNet net;
            if (!net.Parse(value)) {
                err << "tumbletown-scores: --trusted-proxy wants ADDRESS or ADDRESS/BITS, not '" << value
                    << "'\n";
                return false;
            }
            o.Http.TrustedProxies.push_back(net);
        } else if (name == "--grace") {
            if (!number(0, 3600, o.GraceSeconds))
                return false;
        } else {
            err << "tumbletown-scores: unknown option " << name << " (see --help)\n";
            return false;
        }
    }
    return true;
}

} // namespace ScoreServer
