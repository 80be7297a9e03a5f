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

// Version 2: results checked by playing their replay again. A result is
// verified once a replay reproduced it; the replay is kept beside it, under
// the result's id, with the hash of its game (seed, board, type, options and
// operations, not the claim or the times) so that one game verifies one
// result only. The partial indexes serve the verified-only page and the
// search for the result a replay claims.
const char* const kV2Sqlite[] = {
    "ALTER TABLE scores ADD COLUMN verified INTEGER NOT NULL DEFAULT 0",
    "CREATE INDEX scores_verified_rank ON scores (online_type, score DESC, id) WHERE verified = 1",
    "CREATE INDEX scores_unverified_claim ON scores (online_type, score, name, id) WHERE verified = 0",
    "CREATE TABLE replays ("
    " score_id INTEGER PRIMARY KEY REFERENCES scores (id),"
    " game_hash TEXT NOT NULL UNIQUE,"
    " replay BLOB NOT NULL,"
    " verified_at INTEGER NOT NULL,"
    " client_address TEXT NOT NULL)",
    nullptr,
};
const char* const kV2Postgres[] = {
    "ALTER TABLE scores ADD COLUMN verified BOOLEAN NOT NULL DEFAULT false",
    "CREATE INDEX scores_verified_rank ON scores (online_type, score DESC, id) WHERE verified",
    "CREATE INDEX scores_unverified_claim ON scores (online_type, score, name, id) WHERE NOT verified",
    "CREATE TABLE replays ("
    " score_id BIGINT PRIMARY KEY REFERENCES scores (id),"
    " game_hash TEXT NOT NULL UNIQUE,"
    " replay BYTEA NOT NULL,"
    " verified_at BIGINT NOT NULL,"
    " client_address TEXT NOT NULL)",
    nullptr,
};

// Version 3: fair verified results. The secret that signs the seeds the
// server deals (one row, made by the first server to start, shared by all
// that use the database); the nonces of the tokens that verified a result,
// so that each verifies once; results hidden by moderation; names and
// addresses refused from then on; and, beside each replay kept, when its
// token was issued, what it holds and whose bytes it counts against.
const char* const kV3Sqlite[] = {
    "ALTER TABLE scores ADD COLUMN hidden INTEGER NOT NULL DEFAULT 0",
    "CREATE TABLE server_secret (id INTEGER PRIMARY KEY CHECK (id = 1), secret TEXT NOT NULL)",
    "CREATE TABLE used_tokens (nonce TEXT PRIMARY KEY, used_at INTEGER NOT NULL)",
    "ALTER TABLE replays ADD COLUMN token_issued INTEGER NOT NULL DEFAULT 0",
    "CREATE INDEX replays_address ON replays (client_address)",
    "CREATE TABLE refused (kind TEXT NOT NULL, value TEXT NOT NULL, PRIMARY KEY (kind, value))",
    nullptr,
};
const char* const kV3Postgres[] = {
    "ALTER TABLE scores ADD COLUMN hidden BOOLEAN NOT NULL DEFAULT false",
    "CREATE TABLE server_secret (id INTEGER PRIMARY KEY CHECK (id = 1), secret TEXT NOT NULL)",
    "CREATE TABLE used_tokens (nonce TEXT PRIMARY KEY, used_at BIGINT NOT NULL)",
    "ALTER TABLE replays ADD COLUMN token_issued BIGINT NOT NULL DEFAULT 0",
    "CREATE INDEX replays_address ON replays (client_address)",
    "CREATE TABLE refused (kind TEXT NOT NULL, value TEXT NOT NULL, PRIMARY KEY (kind, value))",
    nullptr,
};

// Version 4: bounded replay storage. Each replay's length, counted in all
// in a one-row table (kept in the verifying transaction, so servers sharing
// the database keep one count); why a replay's bytes were dropped (null
// while kept: the row and its game hash stay, so that game never verifies
// again); the per-address count read from an index alone; and each name's
// verified results in order, for its best ten.
const char* const kV4Sqlite[] = {
    "ALTER TABLE replays ADD COLUMN replay_bytes INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE replays ADD COLUMN replay_dropped TEXT",
    "UPDATE replays SET replay_bytes = length(replay)",
    "CREATE INDEX replays_address_bytes ON replays (client_address, replay_bytes)",
    "CREATE INDEX scores_verified_name ON scores (online_type, name, score DESC, id) WHERE verified = 1",
    "CREATE TABLE replay_storage (id INTEGER PRIMARY KEY CHECK (id = 1), bytes INTEGER NOT NULL)",
    "INSERT INTO replay_storage (id, bytes) SELECT 1, coalesce(sum(replay_bytes), 0) FROM replays",
    nullptr,
};
const char* const kV4Postgres[] = {
    "ALTER TABLE replays ADD COLUMN replay_bytes BIGINT NOT NULL DEFAULT 0",
    "ALTER TABLE replays ADD COLUMN replay_dropped TEXT",
    "UPDATE replays SET replay_bytes = octet_length(replay)",
    "CREATE INDEX replays_address_bytes ON replays (client_address, replay_bytes)",
    "CREATE INDEX scores_verified_name ON scores (online_type, name, score DESC, id) WHERE verified",
    "CREATE TABLE replay_storage (id INTEGER PRIMARY KEY CHECK (id = 1), bytes BIGINT NOT NULL)",
    "INSERT INTO replay_storage (id, bytes) SELECT 1, coalesce(sum(replay_bytes), 0) FROM replays",
    nullptr,
};

} // namespace

const TMigration kScoreMigrations[] = {
    {1, kV1Sqlite, kV1Postgres},
    {2, kV2Sqlite, kV2Postgres},
    {3, kV3Sqlite, kV3Postgres},
    {4, kV4Sqlite, kV4Postgres},
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
