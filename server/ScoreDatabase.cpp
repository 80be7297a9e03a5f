#include "server/ScoreDatabase.h"

#include "server/PostgresDatabase.h"
#include "server/SqliteDatabase.h"

#include <cstdlib>

namespace ScoreServer {

// --- Moderation: what a database without it answers ---
TDbStatus TScoreDatabase::Top(std::int32_t, int, std::vector<TModeratedResult>& out)
{
    out.clear();
    return TDbStatus::Unavailable;
}

TDbStatus TScoreDatabase::SetHidden(std::int64_t, bool, bool& found)
{
    found = false;
    return TDbStatus::Unavailable;
}

TDbStatus TScoreDatabase::SetRefused(const std::string&, const std::string&, bool, bool& changed)
{
    changed = false;
    return TDbStatus::Unavailable;
}

TDbStatus TScoreDatabase::RefusedRows(std::vector<std::pair<std::string, std::string>>& out)
{
    out.clear();
    return TDbStatus::Unavailable;
}
// --- end of moderation ---

bool IsPostgresTarget(const std::string& target)
{
    return target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0;
}

std::string DefaultDatabasePath()
{
    std::string base;
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] != '/')
            return {}; // nowhere to go: the caller asks for --database
        base = std::string(home) + "/.local/share";
    }
    return base + "/tumbletown-scores/scores.db";
}

std::unique_ptr<TScoreDatabase> OpenScoreDatabase(const std::string& target, const TDbOptions& options,
                                                  std::string& error)
{
    if (IsPostgresTarget(target))
        return TPostgresDatabase::Open(target, options, error);
    const std::string path = target.rfind("sqlite:", 0) == 0 ? target.substr(7) : target;
    return TSqliteDatabase::Open(path, options, error);
}

} // namespace ScoreServer
