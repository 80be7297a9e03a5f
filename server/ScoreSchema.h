// The schema of the score database as numbered steps, each in both dialects.
// A database records the last step applied; the server applies the rest at
// start, in one transaction, and refuses a database newer than it knows.
#pragma once

#include <cstddef>
#include <string>

namespace ScoreServer {

struct TMigration {
    int Version;                 // 1, 2, ... in order
    const char* const* Sqlite;   // statements, ending with nullptr
    const char* const* Postgres; // the same in PostgreSQL's dialect
};

extern const TMigration kScoreMigrations[];
extern const std::size_t kScoreMigrationCount;

// The version a fully migrated database has.
int LatestSchemaVersion();

// Empty when a database at this version can be brought up to date; else why
// not (it was written by a newer server).
std::string SchemaVersionProblem(int version);

// The one-row table that records the last step applied.
constexpr const char* kCreateVersionTable =
    "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)";

} // namespace ScoreServer
