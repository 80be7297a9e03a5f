#include "server/PostgresDatabase.h"

#include "server/AddressNet.h"
#include "server/Log.h"
#include "server/ScoreSchema.h"

#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace ScoreServer {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kConnectTimeoutSeconds = "3";
constexpr auto kRetryPause = std::chrono::milliseconds(500); // between tries of a broken connection
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(7306839519871092)";
constexpr std::size_t kRowsPerStatement = 1000; // 5000 parameters, far below the protocol's 65535
constexpr const char* kInsertHead =
    "INSERT INTO scores (online_type, name, score, submitted_at, client_address) VALUES";
constexpr const char* kInsertSql =
    "INSERT INTO scores (online_type, name, score, submitted_at, client_address) VALUES ($1, $2, $3, $4, $5)";
// The rankings' rows, each with whether its replay is still kept.
constexpr const char* kBestSql =
    "SELECT name, score, submitted_at, client_address, id, verified,"
    " EXISTS (SELECT 1 FROM replays r WHERE r.score_id = scores.id AND r.replay_dropped IS NULL) FROM scores"
    " WHERE online_type = $1 AND NOT hidden ORDER BY score DESC, id LIMIT $2";
constexpr const char* kBestVerifiedSql =
    "SELECT name, score, submitted_at, client_address, id, verified,"
    " EXISTS (SELECT 1 FROM replays r WHERE r.score_id = scores.id AND r.replay_dropped IS NULL) FROM scores"
    " WHERE online_type = $1 AND verified AND NOT hidden ORDER BY score DESC, id LIMIT $2";
// Verifications from every server sharing the database take turns, so what
// the search finds is still so when the mark is written.
constexpr const char* kVerifyLock = "SELECT pg_advisory_xact_lock(7306839519871093)";
constexpr const char* kGameUsedSql = "SELECT 1 FROM replays WHERE game_hash = $1";
constexpr const char* kClaimedSql =
    "SELECT id FROM scores WHERE online_type = $1 AND score = $2 AND name = $3"
    " AND NOT verified ORDER BY id DESC LIMIT 1";
constexpr const char* kKeepReplaySql = "INSERT INTO replays (score_id, game_hash, replay, verified_at, "
                                       "client_address, token_issued) VALUES ($1, $2, $3, $4, $5, $6)";
constexpr const char* kMarkVerifiedSql = "UPDATE scores SET verified = true WHERE id = $1";
constexpr const char* kReplaySql = "SELECT r.replay FROM replays r JOIN scores s ON s.id = r.score_id"
                                   " WHERE r.score_id = $1 AND NOT s.hidden AND r.replay_dropped IS NULL";
// Replay storage: each replay's length and the count of them all, the kept
// replays past a name's best, dropping one, and the counts to bound.
constexpr const char* kReplayBytesSql = "UPDATE replays SET replay_bytes = $2 WHERE score_id = $1";
constexpr const char* kCountBytesSql = "UPDATE replay_storage SET bytes = bytes + $1 WHERE id = 1";
constexpr const char* kKeptBeyondSql =
    "SELECT score_id, replay_bytes FROM replays WHERE replay_dropped IS NULL AND score_id IN"
    " (SELECT id FROM scores WHERE online_type = $1 AND name = $2 AND verified"
    " ORDER BY score DESC, id OFFSET $3)";
constexpr const char* kDropReplaySql =
    "UPDATE replays SET replay = ''::bytea, replay_bytes = 0, replay_dropped = $2 WHERE score_id = $1";
constexpr const char* kAddressBytesSql =
    "SELECT coalesce(sum(replay_bytes), 0) FROM replays WHERE client_address = $1";
constexpr const char* kTotalBytesSql = "SELECT bytes FROM replay_storage WHERE id = 1";
constexpr const char* kDroppedWhySql =
    "SELECT r.replay_dropped FROM replays r JOIN scores s ON s.id = r.score_id"
    " WHERE r.score_id = $1 AND NOT s.hidden";
constexpr const char* kTokenUsedSql = "SELECT 1 FROM used_tokens WHERE nonce = $1";
constexpr const char* kUseTokenSql = "INSERT INTO used_tokens (nonce, used_at) VALUES ($1, $2)";
constexpr const char* kKeepSecretSql =
    "INSERT INTO server_secret (id, secret) VALUES (1, $1) ON CONFLICT (id) DO NOTHING";
constexpr const char* kSecretSql = "SELECT secret FROM server_secret WHERE id = 1";
constexpr const char* kVerifiedResultSql =
    "SELECT s.online_type, s.name, s.score, s.submitted_at FROM scores s JOIN replays r ON r.score_id = s.id"
    " WHERE s.id = $1 AND NOT s.hidden";
// Moderation.
// Read in binary, for the replay's bytes: the other columns as text, whose
// binary form is its bytes.
constexpr const char* kTopSql =
    "SELECT s.id::text, s.name, s.score::text, s.submitted_at::text, s.client_address, s.verified::text,"
    " s.hidden::text, (r.score_id IS NOT NULL)::text, r.replay, coalesce(r.token_issued, 0)::text,"
    " coalesce(r.verified_at, 0)::text"
    " FROM scores s LEFT JOIN replays r ON r.score_id = s.id"
    " WHERE s.online_type = $1 ORDER BY s.score DESC, s.id LIMIT $2";
constexpr const char* kSetHiddenSql = "UPDATE scores SET hidden = $2 WHERE id = $1";
constexpr const char* kRefuseSql = "INSERT INTO refused (kind, value) VALUES ($1, $2) ON CONFLICT DO NOTHING";
constexpr const char* kAllowSql = "DELETE FROM refused WHERE kind = $1 AND value = $2";
constexpr const char* kRefusedRowsSql = "SELECT kind, value FROM refused ORDER BY kind, value";
constexpr const char* kCountSql = "SELECT count(*) FROM scores WHERE online_type = $1";
// Every write transaction learns its id first, so that when its session is
// lost during COMMIT the new session can ask whether it committed.
// (txid_current and txid_status: in every PostgreSQL since 10.)
constexpr const char* kBeginSql = "BEGIN; SELECT txid_current()";
constexpr const char* kTransactionStatusSql = "SELECT txid_status($1::bigint)";
constexpr auto kOutcomeWait = std::chrono::seconds(2);
constexpr auto kOutcomePoll = std::chrono::milliseconds(20);

enum class TOutcome { Committed, RolledBack, Unknown };

// A result that clears itself.
struct TResult {
    explicit TResult(PGresult* r) : R(r) {}
    ~TResult() { PQclear(R); }
    TResult(const TResult&) = delete;
    TResult& operator=(const TResult&) = delete;
    ExecStatusType Status() const { return R != nullptr ? PQresultStatus(R) : PGRES_FATAL_ERROR; }
    PGresult* R;
};

PGconn* ConnectTo(const std::string& url, bool fast)
{
    // The URL comes last, so what it says overrides the defaults before it.
    // By default a commit returns once its log is on PostgreSQL's disk.
    // Fast commits return once PostgreSQL has them, before their log
    // reaches the disk: they survive this server dying, and PostgreSQL
    // shutting down, but not a crash of PostgreSQL or of its machine in the
    // next fraction of a second. The setting is part of the connection, so
    // it holds after a reset too.
    const char* keys[] = {"connect_timeout", "application_name", "options", "dbname", nullptr};
    const char* values[] = {kConnectTimeoutSeconds, "tumbletown-scores",
                            fast ? "-c synchronous_commit=off" : "-c synchronous_commit=on", url.c_str(),
                            nullptr};
    return PQconnectdbParams(keys, values, 1);
}

// Statements prepared once on each connection (again after a reset), by name.
struct TStatement {
    const char* Name;
    const char* Sql;
    int Parameters;
};
constexpr TStatement kInsert{"insert_score", kInsertSql, 5};
constexpr TStatement kBest{"best_scores", kBestSql, 2};
constexpr TStatement kCount{"count_scores", kCountSql, 1};
constexpr TStatement kBestVerified{"best_verified_scores", kBestVerifiedSql, 2};

// The server's notices (such as "already exists, skipping") are not ours to print.
void IgnoreNotice(void*, const char*) {}

std::string FirstLine(const char* message)
{
    std::string text = message != nullptr ? message : "";
    std::size_t end = text.find('\n');
    return end == std::string::npos ? text : text.substr(0, end);
}

} // namespace

struct TPostgresDatabase::TConnection {
    PGconn* Conn = nullptr;
    bool Prepared = false;       // the statements exist on this session
    bool Ended = false;          // the server said it is ending the session
    Clock::time_point NextTry{}; // a broken connection is not retried before this
    ~TConnection() { PQfinish(Conn); }

    // A working connection with its statements, resetting a broken one at
    // most every kRetryPause. (The statements are prepared on first use,
    // which may be the first to find the session lost.)
    bool Ready()
    {
        if (!Lost() && (Prepared || Prepare()))
            return true;
        if (!Lost() || Clock::now() < NextTry)
            return false;
        return Replace();
    }

    // Whether the session is gone (the server restarted, the network broke):
    // learnt from the first statement that fails on it. A server shutting
    // down leaves its last word ("terminating connection") on each session,
    // and libpq gives that as the next statement's error before it sees the
    // connection closed.
    bool Lost() const { return Ended || Conn == nullptr || PQstatus(Conn) != CONNECTION_OK; }

    // A new session in place of a lost one, at once. False (and no new try
    // for kRetryPause) when the database cannot be reached.
    bool Replace()
    {
        if (Conn != nullptr)
            PQreset(Conn);
        Prepared = false;
        Ended = false;
        if (!Lost() && Prepare()) {
            LogLine("database: connection back");
            return true;
        }
        NextTry = Clock::now() + kRetryPause;
        return false;
    }

    bool Prepare()
    {
        for (const TStatement& s : {kInsert, kBest, kCount, kBestVerified}) {
            if (TResult(Check(PQprepare(Conn, s.Name, s.Sql, s.Parameters, nullptr), PGRES_COMMAND_OK)).R ==
                nullptr)
                return false;
        }
        Prepared = true;
        return true;
    }

    // Runs a prepared statement with text parameters; null when it failed (logged).
    PGresult* Run(const TStatement& statement, const char* const* values, ExecStatusType want)
    {
        return Check(PQexecPrepared(Conn, statement.Name, statement.Parameters, values, nullptr, nullptr, 0),
                     want);
    }

    // Runs a statement without parameters; null when it failed (logged).
    PGresult* Run(const char* sql, ExecStatusType want) { return Check(PQexec(Conn, sql), want); }

    PGresult* Check(PGresult* r, ExecStatusType want)
    {
        if (r != nullptr && PQresultStatus(r) == want)
            return r;
        LogLine("database: " + FirstLine(r != nullptr ? PQresultErrorMessage(r) : PQerrorMessage(Conn)));
        // Class 08 is a connection exception, 57P01 to 57P03 a server
        // shutting down or starting: the session is over either way.
        const char* state = r != nullptr ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        if (state != nullptr && (std::strncmp(state, "08", 2) == 0 || std::strncmp(state, "57P0", 4) == 0))
            Ended = true;
        PQclear(r);
        return nullptr;
    }
    bool Command(const char* sql) { return TResult(Run(sql, PGRES_COMMAND_OK)).R != nullptr; }

    // What became of a transaction whose COMMIT was sent on a session that
    // was lost before its answer came: asked on the new session. A
    // transaction whose session has just gone may still show as in
    // progress for a moment, until its server process notices.
    TOutcome Outcome(const std::string& transaction)
    {
        const char* values[] = {transaction.c_str()};
        const Clock::time_point end = Clock::now() + kOutcomeWait;
        for (;;) {
            TResult r(
                Check(PQexecParams(Conn, kTransactionStatusSql, 1, nullptr, values, nullptr, nullptr, 0),
                      PGRES_TUPLES_OK));
            if (r.R == nullptr || PQntuples(r.R) != 1 || PQgetisnull(r.R, 0, 0))
                return TOutcome::Unknown;
            const std::string status = PQgetvalue(r.R, 0, 0);
            if (status == "committed")
                return TOutcome::Committed;
            if (status == "aborted")
                return TOutcome::RolledBack;
            if (Clock::now() >= end)
                return TOutcome::Unknown;
            std::this_thread::sleep_for(kOutcomePoll);
        }
    }
};

namespace {

bool Migrate(PGconn* conn, std::string& error)
{
    auto exec = [&](const char* sql, ExecStatusType want) {
        TResult r(PQexec(conn, sql));
        if (r.Status() == want)
            return true;
        error = FirstLine(PQerrorMessage(conn));
        return false;
    };
    if (!exec("BEGIN", PGRES_COMMAND_OK))
        return false;
    int version = 0;
    bool ok = exec(kMigrationLock, PGRES_TUPLES_OK) && exec(kCreateVersionTable, PGRES_COMMAND_OK);
    if (ok) {
        TResult r(PQexec(conn, "SELECT coalesce(max(version), 0) FROM schema_version"));
        ok = r.Status() == PGRES_TUPLES_OK && PQntuples(r.R) == 1;
        if (ok)
            version = std::atoi(PQgetvalue(r.R, 0, 0));
        else
            error = FirstLine(PQerrorMessage(conn));
    }
    if (ok && !SchemaVersionProblem(version).empty()) {
        ok = false;
        error = SchemaVersionProblem(version);
    }
    for (std::size_t i = 0; ok && i < kScoreMigrationCount; ++i) {
        if (kScoreMigrations[i].Version <= version)
            continue;
        for (const char* const* sql = kScoreMigrations[i].Postgres; ok && *sql != nullptr; ++sql)
            ok = exec(*sql, PGRES_COMMAND_OK);
    }
    if (ok && version < LatestSchemaVersion()) {
        const std::string latest = std::to_string(LatestSchemaVersion());
        const char* values[] = {latest.c_str()};
        ok = exec("DELETE FROM schema_version", PGRES_COMMAND_OK) &&
             TResult(PQexecParams(conn, "INSERT INTO schema_version VALUES ($1)", 1, nullptr, values, nullptr,
                                  nullptr, 0))
                     .Status() == PGRES_COMMAND_OK;
        if (!ok && error.empty())
            error = FirstLine(PQerrorMessage(conn));
    }
    if (ok && exec("COMMIT", PGRES_COMMAND_OK))
        return true;
    TResult(PQexec(conn, "ROLLBACK"));
    return false;
}

} // namespace

TPostgresDatabase::~TPostgresDatabase() = default;

std::unique_ptr<TPostgresDatabase> TPostgresDatabase::Open(const std::string& url, const TDbOptions& options,
                                                           std::string& error)
{
    std::unique_ptr<TPostgresDatabase> db(new TPostgresDatabase());
    db->Url = url;
    db->Storage = options.Storage;
    db->Writers =
        std::clamp<std::size_t>(static_cast<std::size_t>(std::max(options.Connections, 1)) / 2, 1, 4);
    for (int i = 0; i < (options.Connections < 1 ? 1 : options.Connections); ++i) {
        auto c = std::make_unique<TConnection>();
        c->Conn = ConnectTo(url, options.FastCommits);
        if (c->Conn == nullptr || PQstatus(c->Conn) != CONNECTION_OK) {
            error = "cannot connect to PostgreSQL: " +
                    FirstLine(c->Conn != nullptr ? PQerrorMessage(c->Conn) : "");
            return nullptr;
        }
        PQsetNoticeProcessor(c->Conn, IgnoreNotice, nullptr);
        if (i == 0) {
            if (!Migrate(c->Conn, error)) {
                error = "PostgreSQL: " + error;
                return nullptr;
            }
            const char* host = PQhost(c->Conn);
            db->Description = std::string("PostgreSQL ") + PQdb(c->Conn) + " on " + (host ? host : "") + ":" +
                              PQport(c->Conn);
        }
        db->Pool.Add(std::move(c));
    }
    return db;
}

namespace {

using TConnection = TPostgresDatabase::TConnection;

// A read on a working connection; when its session turns out to be lost
// (the database restarted since the connection was last used), once more
// on a new session. read starts afresh each time.
template <class TRead> TDbStatus Retried(TConnection& c, TRead read)
{
    if (!c.Ready())
        return TDbStatus::Unavailable;
    const TDbStatus status = read();
    if (status == TDbStatus::Ok || !c.Lost() || !c.Replace())
        return status;
    return read();
}

// What the body of a write transaction decided.
enum class TBody {
    Commit,
    RollBack, // nothing to write after all: the answer is Ok
    Failed,
};

void RollBack(TConnection& c)
{
    if (!c.Lost())
        TResult(PQexec(c.Conn, "ROLLBACK"));
}

// One try of a write transaction; id is the transaction's, committing
// whether its COMMIT was sent.
template <class TWrite>
TDbStatus TryTransaction(TConnection& c, TWrite& body, std::string& id, bool& committing)
{
    {
        TResult begun(c.Run(kBeginSql, PGRES_TUPLES_OK));
        if (begun.R == nullptr || PQntuples(begun.R) != 1) {
            RollBack(c);
            return TDbStatus::Unavailable;
        }
        id = PQgetvalue(begun.R, 0, 0);
    }
    const TBody decided = body();
    if (decided != TBody::Commit) {
        RollBack(c);
        return decided == TBody::RollBack ? TDbStatus::Ok : TDbStatus::Unavailable;
    }
    committing = true;
    return c.Command("COMMIT") ? TDbStatus::Ok : TDbStatus::Unavailable;
}

// A write transaction, by tryOnce(id, committing) (id: the transaction's,
// committing: whether its COMMIT may have run). When the session is lost on
// the way, the connection is replaced and the transaction tried once more on
// the new one: a transaction cut off before its COMMIT was rolled back by the
// database; one whose COMMIT went out is asked about first, so that a commit
// whose answer alone was lost is not written twice.
template <class TTry> TDbStatus TriedTwice(TConnection& c, TTry tryOnce)
{
    if (!c.Ready())
        return TDbStatus::Unavailable;
    for (int attempt = 0;; ++attempt) {
        std::string id;
        bool committing = false;
        const TDbStatus status = tryOnce(id, committing);
        if (status == TDbStatus::Ok || !c.Lost() || attempt > 0)
            return status;
        if (!c.Replace())
            return TDbStatus::Unavailable;
        if (committing) {
            const TOutcome outcome = c.Outcome(id);
            if (outcome == TOutcome::Committed)
                return TDbStatus::Ok;
            if (outcome == TOutcome::Unknown)
                return TDbStatus::Unavailable;
        }
    }
}

// body in a transaction, tried once more on a new session as above.
template <class TWrite> TDbStatus Transaction(TConnection& c, TWrite body)
{
    return TriedTwice(
        c, [&](std::string& id, bool& committing) { return TryTransaction(c, body, id, committing); });
}

// One INSERT of many rows: its SQL and its parameters' text.
struct TRowsInsert {
    std::size_t First = 0, Rows = 0; // which records
    std::string Sql;
    std::vector<std::string> Numbers; // type, score and time of each row
    std::vector<const char*> Values;
};

// Records as INSERTs of up to kRowsPerStatement rows each.
std::vector<TRowsInsert> RowsInserts(const std::vector<TScoreRecord>& records)
{
    std::vector<TRowsInsert> inserts((records.size() + kRowsPerStatement - 1) / kRowsPerStatement);
    for (std::size_t k = 0; k < inserts.size(); ++k) {
        TRowsInsert& insert = inserts[k];
        insert.First = k * kRowsPerStatement;
        insert.Rows = std::min(kRowsPerStatement, records.size() - insert.First);
        insert.Sql = kInsertHead;
        insert.Numbers.reserve(insert.Rows * 3);
        for (std::size_t i = 0; i < insert.Rows; ++i) {
            const TScoreRecord& r = records[insert.First + i];
            insert.Numbers.push_back(std::to_string(r.OnlineType));
            insert.Numbers.push_back(std::to_string(r.Score));
            insert.Numbers.push_back(std::to_string(r.SubmittedAt));
            const std::size_t p = i * 5;
            insert.Sql += (i == 0 ? " ($" : ", ($") + std::to_string(p + 1) + ", $" + std::to_string(p + 2) +
                          ", $" + std::to_string(p + 3) + ", $" + std::to_string(p + 4) + ", $" +
                          std::to_string(p + 5) + ")";
        }
        // The numbers' text is all made: pointers into it stay put.
        insert.Values.reserve(insert.Rows * 5);
        for (std::size_t i = 0; i < insert.Rows; ++i) {
            const TScoreRecord& r = records[insert.First + i];
            insert.Values.insert(insert.Values.end(),
                                 {insert.Numbers[i * 3].c_str(), r.Name.c_str(),
                                  insert.Numbers[i * 3 + 1].c_str(), insert.Numbers[i * 3 + 2].c_str(),
                                  r.ClientAddress.c_str()});
        }
    }
    return inserts;
}

// One try of writing records in one transaction, in two round trips where
// there were three: BEGIN, the transaction's id and the INSERTs go out
// together (libpq's pipeline mode) and their answers come back together,
// then COMMIT. Each round trip costs a wake-up of PostgreSQL's process and
// of ours, which on a busy machine costs more than the statements. COMMIT
// goes alone, once the id is known, so that a session lost during it can
// be asked about. (Sending COMMIT in the same pipeline, with a flush request
// to have the id sent back first, was slower: the early answer wakes this
// thread while PostgreSQL still has the INSERTs to run.)
TDbStatus TryGroupWrite(TConnection& c, const std::vector<TScoreRecord>& records, std::string& id,
                        bool& committing)
{
    PGconn* conn = c.Conn;
    const std::vector<TRowsInsert> inserts = RowsInserts(records);
    const std::size_t queries = inserts.size() + 2; // BEGIN, the id, the INSERTs
    auto send = [&](const char* sql) {
        return PQsendQueryParams(conn, sql, 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
    };
    bool sent = PQenterPipelineMode(conn) == 1 && send("BEGIN") && send("SELECT txid_current()");
    for (const TRowsInsert& insert : inserts) {
        if (!sent)
            break;
        sent = insert.Rows == 1
                   ? PQsendQueryPrepared(conn, kInsert.Name, kInsert.Parameters, insert.Values.data(),
                                         nullptr, nullptr, 0) == 1
                   : PQsendQueryParams(conn, insert.Sql.c_str(), static_cast<int>(insert.Values.size()),
                                       nullptr, insert.Values.data(), nullptr, nullptr, 0) == 1;
    }
    sent = sent && PQpipelineSync(conn) == 1;
    if (!sent) {
        LogLine("database: " + FirstLine(PQerrorMessage(conn)));
        c.Ended = true; // in an unknown state: a new session next time
        return TDbStatus::Unavailable;
    }
    // The answers, in order, each ended by a null, and then the sync's. After
    // a failure the rest come as "aborted"; a lost session ends them early.
    std::size_t answered = 0;
    bool failed = false, synced = false;
    for (int nulls = 0; !synced && nulls < 2 && answered <= queries;) {
        PGresult* r = PQgetResult(conn);
        if (r == nullptr) {
            ++nulls;
            continue;
        }
        nulls = 0;
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_PIPELINE_SYNC) {
            synced = true;
            PQclear(r);
            continue;
        }
        const std::size_t query = answered++;
        if (failed || status == PGRES_PIPELINE_ABORTED) {
            failed = true;
            PQclear(r);
            continue;
        }
        TResult answer(c.Check(r, query == 1 ? PGRES_TUPLES_OK : PGRES_COMMAND_OK));
        if (answer.R == nullptr || (query == 1 && PQntuples(answer.R) != 1)) {
            failed = true;
        } else if (query == 1) {
            id = PQgetvalue(answer.R, 0, 0);
        }
    }
    if (!synced || PQexitPipelineMode(conn) != 1)
        c.Ended = true; // answers missing: a new session next time
    if (failed || answered != queries || c.Lost()) {
        // After a failure the transaction stays open, aborted, until ROLLBACK.
        RollBack(c);
        return TDbStatus::Unavailable;
    }
    committing = true;
    return c.Command("COMMIT") ? TDbStatus::Ok : TDbStatus::Unavailable;
}

TDbStatus ReadRanking(TConnection& c, const TStatement& statement, std::int32_t onlineType, int limit,
                      std::vector<TScoreRecord>& out)
{
    out.clear();
    const std::string type = std::to_string(onlineType), count = std::to_string(limit);
    const char* values[] = {type.c_str(), count.c_str()};
    TResult r(c.Run(statement, values, PGRES_TUPLES_OK));
    if (r.R == nullptr)
        return TDbStatus::Unavailable;
    for (int row = 0; row < PQntuples(r.R); ++row) {
        TScoreRecord rec;
        rec.OnlineType = onlineType;
        rec.Name.assign(PQgetvalue(r.R, row, 0), static_cast<std::size_t>(PQgetlength(r.R, row, 0)));
        rec.Score = std::atoi(PQgetvalue(r.R, row, 1));
        rec.SubmittedAt = std::atoll(PQgetvalue(r.R, row, 2));
        rec.ClientAddress = PQgetvalue(r.R, row, 3);
        rec.Id = std::atoll(PQgetvalue(r.R, row, 4));
        rec.Verified = PQgetvalue(r.R, row, 5)[0] == 't';
        rec.ReplayKept = PQgetvalue(r.R, row, 6)[0] == 't';
        out.push_back(std::move(rec));
    }
    return TDbStatus::Ok;
}

} // namespace

TDbStatus TPostgresDatabase::Add(const TScoreRecord& record)
{
    return AddMany({record});
}

TDbStatus TPostgresDatabase::AddMany(const std::vector<TScoreRecord>& records)
{
    auto c = Pool.Take();
    return TriedTwice(
        *c, [&](std::string& id, bool& committing) { return TryGroupWrite(*c, records, id, committing); });
}

TDbStatus TPostgresDatabase::Best(std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out)
{
    out.clear();
    auto c = Pool.Take();
    return Retried(*c, [&] { return ReadRanking(*c, kBest, onlineType, limit, out); });
}

TDbStatus TPostgresDatabase::BestVerified(std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out)
{
    out.clear();
    auto c = Pool.Take();
    return Retried(*c, [&] { return ReadRanking(*c, kBestVerified, onlineType, limit, out); });
}

TDbStatus TPostgresDatabase::Verify(const TReplayClaim& claim, TVerifyResult& result, std::int64_t& scoreId)
{
    auto c = Pool.Take();
    auto query = [&](const char* sql, std::vector<const char*> values, std::vector<int> lengths,
                     std::vector<int> formats, ExecStatusType want) {
        return c->Check(PQexecParams(c->Conn, sql, static_cast<int>(values.size()), nullptr, values.data(),
                                     lengths.empty() ? nullptr : lengths.data(),
                                     formats.empty() ? nullptr : formats.data(), 0),
                        want);
    };
    const std::string type = std::to_string(claim.OnlineType), score = std::to_string(claim.Score);
    const std::string at = std::to_string(claim.VerifiedAt), issued = std::to_string(claim.TokenIssued);
    std::vector<TDroppedReplay> dropped;
    const TDbStatus status = Transaction(*c, [&] {
        if (TResult(c->Run(kVerifyLock, PGRES_TUPLES_OK)).R == nullptr)
            return TBody::Failed;
        {
            TResult used(query(kGameUsedSql, {claim.GameHash.c_str()}, {}, {}, PGRES_TUPLES_OK));
            if (used.R == nullptr)
                return TBody::Failed;
            if (PQntuples(used.R) > 0) {
                result = TVerifyResult::AlreadyUsed;
                return TBody::RollBack;
            }
        }
        // Under the lock, and recorded in the same transaction: a token
        // verifies once, whichever of the servers it reaches.
        if (!claim.TokenNonce.empty()) {
            TResult token(query(kTokenUsedSql, {claim.TokenNonce.c_str()}, {}, {}, PGRES_TUPLES_OK));
            if (token.R == nullptr)
                return TBody::Failed;
            if (PQntuples(token.R) > 0) {
                result = TVerifyResult::TokenUsed;
                return TBody::RollBack;
            }
        }
        std::string id;
        {
            TResult claimed(query(kClaimedSql, {type.c_str(), score.c_str(), claim.Name.c_str()}, {}, {},
                                  PGRES_TUPLES_OK));
            if (claimed.R == nullptr)
                return TBody::Failed;
            if (PQntuples(claimed.R) == 0) {
                result = TVerifyResult::NoSuchResult;
                return TBody::RollBack;
            }
            id = PQgetvalue(claimed.R, 0, 0);
        }
        // The replay counts against its client's share as the rate limit
        // counts clients: an IPv6 address by its /64.
        const std::string owner = ClientKey(claim.ClientAddress);
        // The replay's bytes go in binary: they are Windows-1252, not the
        // database's encoding.
        const bool kept =
            TResult(query(kKeepReplaySql,
                          {id.c_str(), claim.GameHash.c_str(), claim.Text.data(), at.c_str(), owner.c_str(),
                           issued.c_str()},
                          {0, 0, static_cast<int>(claim.Text.size()), 0, 0, 0}, {0, 0, 1, 0, 0, 0},
                          PGRES_COMMAND_OK))
                    .R != nullptr &&
            TResult(query(kMarkVerifiedSql, {id.c_str()}, {}, {}, PGRES_COMMAND_OK)).R != nullptr &&
            (claim.TokenNonce.empty() ||
             TResult(query(kUseTokenSql, {claim.TokenNonce.c_str(), at.c_str()}, {}, {}, PGRES_COMMAND_OK))
                     .R != nullptr);
        if (!kept)
            return TBody::Failed;
        // Under the same lock: the bounds hold whichever server verifies.
        dropped.clear();
        if (!KeepReplayWithinLimits(query, claim, std::atoll(id.c_str()), dropped))
            return TBody::Failed;
        result = TVerifyResult::Verified;
        scoreId = std::atoll(id.c_str());
        return TBody::Commit;
    });
    if (status == TDbStatus::Ok && result == TVerifyResult::Verified)
        for (const TDroppedReplay& replay : dropped)
            LogLine(DroppedReplayLine(replay));
    return status;
}

template <class TQuery>
bool TPostgresDatabase::KeepReplayWithinLimits(TQuery& query, const TReplayClaim& claim, std::int64_t id,
                                               std::vector<TDroppedReplay>& dropped)
{
    const auto bytes = static_cast<std::int64_t>(claim.Text.size());
    const std::string idText = std::to_string(id), bytesText = std::to_string(bytes);
    auto command = [&](const char* sql, std::vector<const char*> values) {
        return TResult(query(sql, std::move(values), {}, {}, PGRES_COMMAND_OK)).R != nullptr;
    };
    auto number = [&](const char* sql, std::vector<const char*> values, std::int64_t& out) {
        TResult r(query(sql, std::move(values), {}, {}, PGRES_TUPLES_OK));
        if (r.R == nullptr || PQntuples(r.R) != 1)
            return false;
        out = std::atoll(PQgetvalue(r.R, 0, 0));
        return true;
    };
    if (!command(kReplayBytesSql, {idText.c_str(), bytesText.c_str()}) ||
        !command(kCountBytesSql, {bytesText.c_str()}))
        return false;
    TReplayStore store;
    store.KeptBeyond = [&](std::int32_t type, const std::string& name, int keep,
                           std::vector<TDroppedReplay>& beyond) {
        const std::string typeText = std::to_string(type), keepText = std::to_string(keep);
        TResult r(query(kKeptBeyondSql, {typeText.c_str(), name.c_str(), keepText.c_str()}, {}, {},
                        PGRES_TUPLES_OK));
        if (r.R == nullptr)
            return false;
        for (int row = 0; row < PQntuples(r.R); ++row) {
            TDroppedReplay replay;
            replay.ScoreId = std::atoll(PQgetvalue(r.R, row, 0));
            replay.Bytes = std::atoll(PQgetvalue(r.R, row, 1));
            beyond.push_back(replay);
        }
        return true;
    };
    store.AddressBytes = [&](const std::string& address, std::int64_t& out) {
        return number(kAddressBytesSql, {address.c_str()}, out);
    };
    store.TotalBytes = [&](std::int64_t& out) { return number(kTotalBytesSql, {}, out); };
    store.Drop = [&](const TDroppedReplay& replay) {
        const std::string dropId = std::to_string(replay.ScoreId), minus = std::to_string(-replay.Bytes);
        return command(kDropReplaySql, {dropId.c_str(), replay.Why.c_str()}) &&
               command(kCountBytesSql, {minus.c_str()});
    };
    return KeepWithinLimits(Storage, store, claim.OnlineType, claim.Name, id, bytes,
                            ClientKey(claim.ClientAddress), dropped);
}

TDbStatus TPostgresDatabase::DroppedReplay(std::int64_t scoreId, std::string& why)
{
    why.clear();
    auto c = Pool.Take();
    const std::string id = std::to_string(scoreId);
    const char* values[] = {id.c_str()};
    return Retried(*c, [&] {
        TResult r(c->Check(PQexecParams(c->Conn, kDroppedWhySql, 1, nullptr, values, nullptr, nullptr, 0),
                           PGRES_TUPLES_OK));
        if (r.R == nullptr)
            return TDbStatus::Unavailable;
        if (PQntuples(r.R) == 1 && !PQgetisnull(r.R, 0, 0))
            why = PQgetvalue(r.R, 0, 0);
        return TDbStatus::Ok;
    });
}

TDbStatus TPostgresDatabase::Replay(std::int64_t scoreId, std::string& text, bool& found)
{
    text.clear();
    found = false;
    auto c = Pool.Take();
    const std::string id = std::to_string(scoreId);
    const char* values[] = {id.c_str()};
    return Retried(*c, [&] {
        // Binary results: the bytes as kept, not bytea's text form.
        TResult r(c->Check(PQexecParams(c->Conn, kReplaySql, 1, nullptr, values, nullptr, nullptr, 1),
                           PGRES_TUPLES_OK));
        if (r.R == nullptr)
            return TDbStatus::Unavailable;
        if (PQntuples(r.R) == 1) {
            found = true;
            text.assign(PQgetvalue(r.R, 0, 0), static_cast<std::size_t>(PQgetlength(r.R, 0, 0)));
        }
        return TDbStatus::Ok;
    });
}

TDbStatus TPostgresDatabase::VerifiedResult(std::int64_t scoreId, TScoreRecord& out, bool& found)
{
    found = false;
    auto c = Pool.Take();
    if (!c->Ready())
        return TDbStatus::Unavailable;
    const std::string id = std::to_string(scoreId);
    const char* values[] = {id.c_str()};
    TResult r(c->Check(PQexecParams(c->Conn, kVerifiedResultSql, 1, nullptr, values, nullptr, nullptr, 0),
                       PGRES_TUPLES_OK));
    if (r.R == nullptr)
        return TDbStatus::Unavailable;
    if (PQntuples(r.R) == 1) {
        found = true;
        out = TScoreRecord();
        out.OnlineType = static_cast<std::int32_t>(std::strtol(PQgetvalue(r.R, 0, 0), nullptr, 10));
        out.Name = PQgetvalue(r.R, 0, 1);
        out.Score = static_cast<std::int32_t>(std::strtol(PQgetvalue(r.R, 0, 2), nullptr, 10));
        out.SubmittedAt = std::strtoll(PQgetvalue(r.R, 0, 3), nullptr, 10);
        out.Id = scoreId;
        out.Verified = true;
    }
    return TDbStatus::Ok;
}

TDbStatus TPostgresDatabase::Count(std::int32_t onlineType, std::int64_t& count)
{
    auto c = Pool.Take();
    const std::string type = std::to_string(onlineType);
    const char* values[] = {type.c_str()};
    return Retried(*c, [&] {
        TResult r(c->Run(kCount, values, PGRES_TUPLES_OK));
        if (r.R == nullptr || PQntuples(r.R) != 1)
            return TDbStatus::Unavailable;
        count = std::atoll(PQgetvalue(r.R, 0, 0));
        return TDbStatus::Ok;
    });
}

TDbStatus TPostgresDatabase::Secret(const std::string& proposed, std::string& secret)
{
    auto c = Pool.Take();
    const char* values[] = {proposed.c_str()};
    return Transaction(*c, [&] {
        if (TResult(c->Check(PQexecParams(c->Conn, kKeepSecretSql, 1, nullptr, values, nullptr, nullptr, 0),
                             PGRES_COMMAND_OK))
                .R == nullptr)
            return TBody::Failed;
        TResult r(c->Run(kSecretSql, PGRES_TUPLES_OK));
        if (r.R == nullptr || PQntuples(r.R) != 1)
            return TBody::Failed;
        secret = PQgetvalue(r.R, 0, 0);
        return TBody::Commit;
    });
}

TDbStatus TPostgresDatabase::Check()
{
    auto c = Pool.Take();
    return Retried(*c, [&] {
        return TResult(c->Run("SELECT 1", PGRES_TUPLES_OK)).R != nullptr ? TDbStatus::Ok
                                                                         : TDbStatus::Unavailable;
    });
}

// --- Moderation ---

TDbStatus TPostgresDatabase::Top(std::int32_t onlineType, int limit, std::vector<TModeratedResult>& out)
{
    out.clear();
    auto c = Pool.Take();
    const std::string type = std::to_string(onlineType), count = std::to_string(limit);
    const char* values[] = {type.c_str(), count.c_str()};
    return Retried(*c, [&] {
        out.clear();
        TResult r(c->Check(PQexecParams(c->Conn, kTopSql, 2, nullptr, values, nullptr, nullptr, 1),
                           PGRES_TUPLES_OK));
        if (r.R == nullptr)
            return TDbStatus::Unavailable;
        auto text = [&](int row, int column) {
            return std::string(PQgetvalue(r.R, row, column),
                               static_cast<std::size_t>(PQgetlength(r.R, row, column)));
        };
        for (int row = 0; row < PQntuples(r.R); ++row) {
            TModeratedResult m;
            m.Result.OnlineType = onlineType;
            m.Result.Id = std::atoll(text(row, 0).c_str());
            m.Result.Name = text(row, 1);
            m.Result.Score = std::atoi(text(row, 2).c_str());
            m.Result.SubmittedAt = std::atoll(text(row, 3).c_str());
            m.Result.ClientAddress = text(row, 4);
            m.Result.Verified = text(row, 5) == "true";
            m.Hidden = text(row, 6) == "true";
            m.HasReplay = text(row, 7) == "true";
            if (m.HasReplay) {
                m.Replay = text(row, 8);
                m.TokenIssued = std::atoll(text(row, 9).c_str());
                m.VerifiedAt = std::atoll(text(row, 10).c_str());
            }
            out.push_back(std::move(m));
        }
        return TDbStatus::Ok;
    });
}

TDbStatus TPostgresDatabase::SetHidden(std::int64_t scoreId, bool hidden, bool& found)
{
    found = false;
    auto c = Pool.Take();
    const std::string id = std::to_string(scoreId);
    const char* values[] = {id.c_str(), hidden ? "true" : "false"};
    return Retried(*c, [&] {
        TResult r(c->Check(PQexecParams(c->Conn, kSetHiddenSql, 2, nullptr, values, nullptr, nullptr, 0),
                           PGRES_COMMAND_OK));
        if (r.R == nullptr)
            return TDbStatus::Unavailable;
        found = std::atoll(PQcmdTuples(r.R)) > 0;
        return TDbStatus::Ok;
    });
}

TDbStatus TPostgresDatabase::SetRefused(const std::string& kind, const std::string& value, bool refused,
                                        bool& changed)
{
    changed = false;
    auto c = Pool.Take();
    const char* values[] = {kind.c_str(), value.c_str()};
    return Retried(*c, [&] {
        TResult r(c->Check(
            PQexecParams(c->Conn, refused ? kRefuseSql : kAllowSql, 2, nullptr, values, nullptr, nullptr, 0),
            PGRES_COMMAND_OK));
        if (r.R == nullptr)
            return TDbStatus::Unavailable;
        changed = std::atoll(PQcmdTuples(r.R)) > 0;
        return TDbStatus::Ok;
    });
}

TDbStatus TPostgresDatabase::RefusedRows(std::vector<std::pair<std::string, std::string>>& out)
{
    out.clear();
    auto c = Pool.Take();
    return Retried(*c, [&] {
        out.clear();
        TResult r(c->Run(kRefusedRowsSql, PGRES_TUPLES_OK));
        if (r.R == nullptr)
            return TDbStatus::Unavailable;
        for (int row = 0; row < PQntuples(r.R); ++row)
            out.emplace_back(PQgetvalue(r.R, row, 0), PQgetvalue(r.R, row, 1));
        return TDbStatus::Ok;
    });
}
// --- end of moderation ---

} // namespace ScoreServer
