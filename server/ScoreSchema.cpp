#include "server/ScoreSchema.h"

namespace ScoreServer {

namespace {

// Version 1: the results and the index the world page ranks by.
const char* const kV1Sqlite[] = {
    "CREATE TABLE scores ("
    " id INTEGER PRIMARY KEY,"
    " online_type INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " score INTEGER NOT NULL,"
    " submitted_at INTEGER NOT NULL,"
    " client_address TEXT NOT NULL)",
    "CREATE INDEX scores_rank ON scores (online_type, score DESC, id)",
    nullptr,
};
const char* const kV1Postgres[] = {
    "CREATE TABLE scores ("
    " id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
    " online_type INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " score INTEGER NOT NULL,"
    " submitted_at BIGINT NOT NULL,"
    " client_address TEXT NOT NULL)",
    "CREATE INDEX scores_rank ON scores (online_type, score DESC, id)",
    nullptr,
};

} // namespace

const TMigration kScoreMigrations[] = {
    {1, kV1Sqlite, kV1Postgres},
};
const std::size_t kScoreMigrationCount = sizeof kScoreMigrations / sizeof kScoreMigrations[0];

int LatestSchemaVersion()
{
    return kScoreMigrations[kScoreMigrationCount - 1].Version;
}

std::string SchemaVersionProblem(int version)
{
    if (version <= LatestSchemaVersion())
        return {};
    return "the database has schema version " + std::to_string(version) + ", newer than this server's " +
           std::to_string(LatestSchemaVersion());
}

} // namespace ScoreServer
