#include "server/SqliteDatabase.h"

#include "server/AddressNet.h"
#include "server/Log.h"
#include "server/ScoreSchema.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <sys/stat.h>
#include <utility>

namespace ScoreServer {

namespace {

constexpr int kBusyTimeoutMs = 5000; // only another process can make us wait
constexpr auto kCheckpointPeriod = std::chrono::milliseconds(200);
// Once the log holds this much, a checkpoint gets to its end, whatever the
// load: a passive checkpoint alone never does while commits keep coming,
// and the log then grows without bound.
constexpr std::int64_t kLogLongBytes = 8 << 20;
// A log that starts again from its beginning is cut back to this much.
constexpr std::int64_t kLogKeptBytes = 4 << 20;
// How long a checkpoint that gets to the end waits for readers still on
// the log, while writers wait, trying every kReaderPoll.
constexpr auto kReaderWait = std::chrono::milliseconds(100);
constexpr auto kReaderPoll = std::chrono::microseconds(250);
// A log this many times kLogLongBytes (readers kept it from starting again,
// time after time) is cut to nothing, waiting for them kStuckReaderWait.
constexpr int kStuckFactor = 2;
constexpr auto kStuckReaderWait = std::chrono::seconds(1);
constexpr auto kAfterHoldingWriters = std::chrono::milliseconds(20);
constexpr const char* kInsertSql =
    "INSERT INTO scores (online_type, name, score, submitted_at, client_address) VALUES (?1, ?2, ?3, ?4, ?5)";
// The rankings' rows, each with whether its replay is still kept.
constexpr const char* kBestSql =
    "SELECT name, score, submitted_at, client_address, id, verified,"
    " EXISTS (SELECT 1 FROM replays r WHERE r.score_id = scores.id AND r.replay_dropped IS NULL) FROM scores"
    " WHERE online_type = ?1 AND hidden = 0 ORDER BY score DESC, id LIMIT ?2";
constexpr const char* kBestVerifiedSql =
    "SELECT name, score, submitted_at, client_address, id, verified,"
    " EXISTS (SELECT 1 FROM replays r WHERE r.score_id = scores.id AND r.replay_dropped IS NULL) FROM scores"
    " WHERE online_type = ?1 AND verified = 1 AND hidden = 0 ORDER BY score DESC, id LIMIT ?2";
constexpr const char* kCountSql = "SELECT count(*) FROM scores WHERE online_type = ?1";
constexpr const char* kGameUsedSql = "SELECT 1 FROM replays WHERE game_hash = ?1";
constexpr const char* kClaimedSql =
    "SELECT id FROM scores WHERE online_type = ?1 AND score = ?2 AND name = ?3"
    " AND verified = 0 ORDER BY id DESC LIMIT 1";
constexpr const char* kKeepReplaySql = "INSERT INTO replays (score_id, game_hash, replay, verified_at, "
                                       "client_address, token_issued) VALUES (?1, ?2, ?3, ?4, ?5, ?6)";
constexpr const char* kMarkVerifiedSql = "UPDATE scores SET verified = 1 WHERE id = ?1";
constexpr const char* kReplaySql = "SELECT r.replay FROM replays r JOIN scores s ON s.id = r.score_id"
                                   " WHERE r.score_id = ?1 AND s.hidden = 0 AND r.replay_dropped IS NULL";
constexpr const char* kTokenUsedSql = "SELECT 1 FROM used_tokens WHERE nonce = ?1";
constexpr const char* kUseTokenSql = "INSERT INTO used_tokens (nonce, used_at) VALUES (?1, ?2)";
constexpr const char* kKeepSecretSql =
    "INSERT INTO server_secret (id, secret) VALUES (1, ?1) ON CONFLICT (id) DO NOTHING";
constexpr const char* kSecretSql = "SELECT secret FROM server_secret WHERE id = 1";
// Moderation, asked now and then: prepared on each use rather than kept.
constexpr const char* kTopSql =
    "SELECT s.id, s.name, s.score, s.submitted_at, s.client_address, s.verified, s.hidden,"
    " r.score_id IS NOT NULL, r.replay, r.token_issued, r.verified_at"
    " FROM scores s LEFT JOIN replays r ON r.score_id = s.id"
    " WHERE s.online_type = ?1 ORDER BY s.score DESC, s.id LIMIT ?2";
constexpr const char* kSetHiddenSql = "UPDATE scores SET hidden = ?2 WHERE id = ?1";
constexpr const char* kRefuseSql = "INSERT INTO refused (kind, value) VALUES (?1, ?2) ON CONFLICT DO NOTHING";
constexpr const char* kAllowSql = "DELETE FROM refused WHERE kind = ?1 AND value = ?2";
constexpr const char* kRefusedRowsSql = "SELECT kind, value FROM refused ORDER BY kind, value";
constexpr const char* kVerifiedResultSql =
    "SELECT s.online_type, s.name, s.score, s.submitted_at FROM scores s JOIN replays r ON r.score_id = s.id"
    " WHERE s.id = ?1 AND s.hidden = 0";
// Replay storage: each replay's length and the count of them all, the kept
// replays past a name's best, dropping one, and the counts to bound.
constexpr const char* kReplayBytesSql = "UPDATE replays SET replay_bytes = ?2 WHERE score_id = ?1";
constexpr const char* kCountBytesSql = "UPDATE replay_storage SET bytes = bytes + ?1 WHERE id = 1";
constexpr const char* kKeptBeyondSql =
    "SELECT score_id, replay_bytes FROM replays WHERE replay_dropped IS NULL AND score_id IN"
    " (SELECT id FROM scores WHERE online_type = ?1 AND name = ?2 AND verified = 1"
    " ORDER BY score DESC, id LIMIT -1 OFFSET ?3)";
constexpr const char* kDropReplaySql =
    "UPDATE replays SET replay = x'', replay_bytes = 0, replay_dropped = ?2 WHERE score_id = ?1";
constexpr const char* kAddressBytesSql =
    "SELECT coalesce(sum(replay_bytes), 0) FROM replays WHERE client_address = ?1";
constexpr const char* kTotalBytesSql = "SELECT bytes FROM replay_storage WHERE id = 1";
constexpr const char* kDroppedWhySql =
    "SELECT r.replay_dropped FROM replays r JOIN scores s ON s.id = r.score_id"
    " WHERE r.score_id = ?1 AND s.hidden = 0";

// Creates every missing folder of the path's parent, each with mode 0700.
bool MakeParentFolders(const std::string& path)
{
    for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        std::string folder = path.substr(0, at);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// Runs one statement without results; false (and the reason) on failure.
bool Exec(sqlite3* db, const char* sql, std::string* error = nullptr)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    if (error != nullptr)
        *error = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

} // namespace

struct TSqliteDatabase::TConnection {
    sqlite3* Db = nullptr;
    sqlite3_stmt* InsertStatement = nullptr;
    sqlite3_stmt* BestStatement = nullptr;
    sqlite3_stmt* BestVerifiedStatement = nullptr;
    sqlite3_stmt* CountStatement = nullptr;
    sqlite3_stmt* GameUsedStatement = nullptr;
    sqlite3_stmt* ClaimedStatement = nullptr;
    sqlite3_stmt* KeepReplayStatement = nullptr;
    sqlite3_stmt* MarkVerifiedStatement = nullptr;
    sqlite3_stmt* ReplayStatement = nullptr;
    sqlite3_stmt* TokenUsedStatement = nullptr;
    sqlite3_stmt* UseTokenStatement = nullptr;
    // Replay storage.
    sqlite3_stmt* ReplayBytesStatement = nullptr;
    sqlite3_stmt* CountBytesStatement = nullptr;
    sqlite3_stmt* KeptBeyondStatement = nullptr;
    sqlite3_stmt* DropReplayStatement = nullptr;
    sqlite3_stmt* AddressBytesStatement = nullptr;
    sqlite3_stmt* TotalBytesStatement = nullptr;

    ~TConnection()
    {
        for (sqlite3_stmt* s :
             {InsertStatement, BestStatement, BestVerifiedStatement, CountStatement, GameUsedStatement,
              ClaimedStatement, KeepReplayStatement, MarkVerifiedStatement, ReplayStatement,
              TokenUsedStatement, UseTokenStatement, ReplayBytesStatement, CountBytesStatement,
              KeptBeyondStatement, DropReplayStatement, AddressBytesStatement, TotalBytesStatement})
            sqlite3_finalize(s);
        // The last connection to close folds the log back into the file.
        sqlite3_close(Db);
    }

    // Logs the failure of an operation with SQLite's own words.
    TDbStatus Fail(const char* what)
    {
        LogLine(std::string("database: ") + what + ": " + sqlite3_errmsg(Db));
        return TDbStatus::Unavailable;
    }
};

namespace {

std::unique_ptr<TSqliteDatabase::TConnection> Connect(const std::string& path, bool fast, std::string& error)
{
    auto c = std::make_unique<TSqliteDatabase::TConnection>();
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &c->Db, flags, nullptr) != SQLITE_OK) {
        error = "cannot open " + path + ": " + (c->Db != nullptr ? sqlite3_errmsg(c->Db) : "out of memory");
        return nullptr;
    }
    sqlite3_busy_timeout(c->Db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(c->Db, 1);
    // FULL in write-ahead-log mode: each commit is flushed to the log on
    // the disk before it returns. NORMAL (fast commits): a commit is written
    // to the log before it returns, so it survives the process being
    // killed, but only a checkpoint flushes the log, and a crash of the
    // whole machine can lose what came since. Commits never fold the log
    // back themselves: the checkpoint thread does.
    const std::string keep = "PRAGMA journal_size_limit=" + std::to_string(kLogKeptBytes);
    if (!Exec(c->Db, "PRAGMA journal_mode=WAL", &error) ||
        !Exec(c->Db, fast ? "PRAGMA synchronous=NORMAL" : "PRAGMA synchronous=FULL", &error) ||
        !Exec(c->Db, "PRAGMA wal_autocheckpoint=0", &error) || !Exec(c->Db, keep.c_str(), &error)) {
        error = path + ": " + error;
        return nullptr;
    }
    return c;
}

bool Prepare(TSqliteDatabase::TConnection& c, std::string& error)
{
    const std::pair<const char*, sqlite3_stmt**> statements[] = {
        {kInsertSql, &c.InsertStatement},
        {kBestSql, &c.BestStatement},
        {kBestVerifiedSql, &c.BestVerifiedStatement},
        {kCountSql, &c.CountStatement},
        {kGameUsedSql, &c.GameUsedStatement},
        {kClaimedSql, &c.ClaimedStatement},
        {kKeepReplaySql, &c.KeepReplayStatement},
        {kMarkVerifiedSql, &c.MarkVerifiedStatement},
        {kReplaySql, &c.ReplayStatement},
        {kTokenUsedSql, &c.TokenUsedStatement},
        {kUseTokenSql, &c.UseTokenStatement},
        {kReplayBytesSql, &c.ReplayBytesStatement},
        {kCountBytesSql, &c.CountBytesStatement},
        {kKeptBeyondSql, &c.KeptBeyondStatement},
        {kDropReplaySql, &c.DropReplayStatement},
        {kAddressBytesSql, &c.AddressBytesStatement},
        {kTotalBytesSql, &c.TotalBytesStatement},
    };
    for (const auto& [sql, statement] : statements) {
        if (sqlite3_prepare_v2(c.Db, sql, -1, statement, nullptr) != SQLITE_OK) {
            error = sqlite3_errmsg(c.Db);
            return false;
        }
    }
    return true;
}

// Applies the missing schema steps in one write transaction.
bool Migrate(sqlite3* db, std::string& error)
{
    if (!Exec(db, "BEGIN IMMEDIATE", &error))
        return false;
    int version = 0;
    bool ok = Exec(db, kCreateVersionTable, &error);
    sqlite3_stmt* read = nullptr;
    if (ok &&
        sqlite3_prepare_v2(db, "SELECT max(version) FROM schema_version", -1, &read, nullptr) == SQLITE_OK &&
        sqlite3_step(read) == SQLITE_ROW)
        version = sqlite3_column_int(read, 0);
    else if (ok)
        ok = false, error = sqlite3_errmsg(db);
    sqlite3_finalize(read);
    if (ok && !SchemaVersionProblem(version).empty()) {
        ok = false;
        error = SchemaVersionProblem(version);
    }
    for (std::size_t i = 0; ok && i < kScoreMigrationCount; ++i) {
        if (kScoreMigrations[i].Version <= version)
            continue;
        for (const char* const* sql = kScoreMigrations[i].Sqlite; ok && *sql != nullptr; ++sql)
            ok = Exec(db, *sql, &error);
    }
    if (ok && version < LatestSchemaVersion()) {
        sqlite3_stmt* set = nullptr;
        ok = Exec(db, "DELETE FROM schema_version", &error) &&
             sqlite3_prepare_v2(db, "INSERT INTO schema_version VALUES (?1)", -1, &set, nullptr) ==
                 SQLITE_OK &&
             sqlite3_bind_int(set, 1, LatestSchemaVersion()) == SQLITE_OK && sqlite3_step(set) == SQLITE_DONE;
        if (!ok && error.empty())
            error = sqlite3_errmsg(db);
        sqlite3_finalize(set);
    }
    if (ok && Exec(db, "COMMIT", &error))
        return true;
    Exec(db, "ROLLBACK");
    return false;
}

} // namespace

TSqliteDatabase::~TSqliteDatabase()
{
    {
        std::lock_guard<std::mutex> hold(CheckpointMutex);
        Closing = true;
    }
    CheckpointWake.notify_all();
    if (Checkpointer.joinable())
        Checkpointer.join();
}

int TSqliteDatabase::WaitForReaders(void* self, int tries)
{
    // SQLite's own busy timeout sleeps ever longer, up to 100 ms a try;
    // readers here are done in well under a millisecond.
    std::this_thread::sleep_for(kReaderPoll);
    return kReaderPoll * tries < static_cast<TSqliteDatabase*>(self)->ReaderWait;
}

int TSqliteDatabase::OnCommit(void* self, sqlite3*, const char*, int logFrames)
{
    auto* db = static_cast<TSqliteDatabase*>(self);
    if (logFrames >= db->LongLogFrames) {
        std::lock_guard<std::mutex> hold(db->CheckpointMutex);
        db->LogLong = true;
        db->CheckpointWake.notify_all();
    }
    return SQLITE_OK;
}

void TSqliteDatabase::Checkpoints()
{
    std::unique_lock<std::mutex> hold(CheckpointMutex);
    while (!Closing) {
        CheckpointWake.wait_for(hold, kCheckpointPeriod, [this] { return Closing || LogLong; });
        if (Closing)
            break;
        const bool logLong = LogLong;
        hold.unlock();
        const bool heldWriters = Checkpoint(logLong);
        // Commits during the checkpoint may have called for another; after
        // one that held the writers, they get a moment to themselves first.
        if (heldWriters)
            std::this_thread::sleep_for(kAfterHoldingWriters);
        hold.lock();
        LogLong = false;
    }
}

bool TSqliteDatabase::Checkpoint(bool logLong)
{
    sqlite3* db = CheckpointConnection->Db;
    int logFrames = 0;
    int rc = SQLITE_OK;
    if (!logLong) {
        // Passive, beside the writers: copies what no reader still needs.
        rc = sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, &logFrames, nullptr);
        if (rc != SQLITE_OK && rc != SQLITE_BUSY) {
            CheckpointConnection->Fail("checkpoint");
            return false;
        }
        if (logFrames < LongLogFrames)
            return false;
    }
    // Under steady commits a passive checkpoint never gets to the end of the
    // log, and the log only starts again from its beginning once one has.
    // So, between two commits (writers wait for the write lock meanwhile),
    // copy what the last passive one left and wait for the readers still on
    // the log (a moment: each reads a hundred rows or one replay): the next
    // commit then starts the log again from its beginning and cuts the file
    // back to kLogKeptBytes. That costs the writers the wait for one flush
    // of the file.
    CheckpointWaiting = true;
    std::unique_lock<std::mutex> writer(WriteMutex);
    rc = sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_RESTART, &logFrames, nullptr);
    if (rc != SQLITE_OK && logFrames >= kStuckFactor * LongLogFrames) {
        // Readers kept the log from starting again, time after time: cut it
        // to nothing, waiting for them longer.
        ReaderWait = kStuckReaderWait;
        rc = sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        ReaderWait = kReaderWait;
    }
    CheckpointWaiting = false;
    WriterTurn.notify_all();
    if (rc != SQLITE_OK && rc != SQLITE_BUSY) // busy: a reader held on; again next time
        CheckpointConnection->Fail("checkpoint");
    return true;
}

std::unique_lock<std::mutex> TSqliteDatabase::TakeWriteTurn()
{
    // A checkpoint waiting to hold the writers goes first: writers that keep
    // taking the lock one after another would otherwise hold it off.
    std::unique_lock<std::mutex> writer(WriteMutex);
    WriterTurn.wait(writer, [this] { return !CheckpointWaiting; });
    return writer;
}

std::unique_ptr<TSqliteDatabase> TSqliteDatabase::Open(const std::string& path, const TDbOptions& options,
                                                       std::string& error)
{
    if (path.empty()) {
        error = "no database path";
        return nullptr;
    }
    if (!MakeParentFolders(path)) {
        error = "cannot make the folder of " + path;
        return nullptr;
    }
    std::unique_ptr<TSqliteDatabase> db(new TSqliteDatabase());
    db->Path = path;
    db->Storage = options.Storage;
    for (int i = 0; i < (options.Connections < 1 ? 1 : options.Connections); ++i) {
        std::unique_ptr<TConnection> c = Connect(path, options.FastCommits, error);
        if (!c)
            return nullptr;
        sqlite3_wal_hook(c->Db, &TSqliteDatabase::OnCommit, db.get());
        if (i == 0 && !Migrate(c->Db, error)) {
            error = path + ": " + error;
            return nullptr;
        }
        if (!Prepare(*c, error)) {
            error = path + ": " + error;
            return nullptr;
        }
        db->Pool.Add(std::move(c));
    }
    db->CheckpointConnection = Connect(path, options.FastCommits, error);
    if (!db->CheckpointConnection)
        return nullptr;
    sqlite3_busy_handler(db->CheckpointConnection->Db, &TSqliteDatabase::WaitForReaders, db.get());
    sqlite3_stmt* pageSize = nullptr;
    if (sqlite3_prepare_v2(db->CheckpointConnection->Db, "PRAGMA page_size", -1, &pageSize, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(pageSize) == SQLITE_ROW && sqlite3_column_int(pageSize, 0) > 0)
        db->LongLogFrames = static_cast<int>(kLogLongBytes / sqlite3_column_int(pageSize, 0));
    sqlite3_finalize(pageSize);
    db->Checkpointer = std::thread([raw = db.get()] { raw->Checkpoints(); });
    return db;
}

TDbStatus TSqliteDatabase::Insert(TConnection& c, const TScoreRecord& r)
{
    sqlite3_stmt* s = c.InsertStatement;
    sqlite3_reset(s);
    sqlite3_bind_int(s, 1, r.OnlineType);
    sqlite3_bind_text(s, 2, r.Name.data(), static_cast<int>(r.Name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(s, 3, r.Score);
    sqlite3_bind_int64(s, 4, r.SubmittedAt);
    sqlite3_bind_text(s, 5, r.ClientAddress.data(), static_cast<int>(r.ClientAddress.size()),
                      SQLITE_TRANSIENT);
    const int rc = sqlite3_step(s);
    sqlite3_reset(s);
    return rc == SQLITE_DONE ? TDbStatus::Ok : c.Fail("insert");
}

TDbStatus TSqliteDatabase::Add(const TScoreRecord& record)
{
    auto c = Pool.Take();
    auto writer = TakeWriteTurn();
    return Insert(*c, record);
}

TDbStatus TSqliteDatabase::AddMany(const std::vector<TScoreRecord>& records)
{
    auto c = Pool.Take();
    auto writer = TakeWriteTurn();
    if (!Exec(c->Db, "BEGIN IMMEDIATE"))
        return c->Fail("begin");
    for (const TScoreRecord& r : records) {
        if (Insert(*c, r) != TDbStatus::Ok) {
            Exec(c->Db, "ROLLBACK");
            return TDbStatus::Unavailable;
        }
    }
    if (!Exec(c->Db, "COMMIT")) {
        TDbStatus status = c->Fail("commit");
        Exec(c->Db, "ROLLBACK");
        return status;
    }
    return TDbStatus::Ok;
}

namespace {

// Reads the rows of a ranking statement (type and limit bound as ?1, ?2).
bool ReadRanking(sqlite3_stmt* s, std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out)
{
    out.clear();
    sqlite3_reset(s);
    sqlite3_bind_int(s, 1, onlineType);
    sqlite3_bind_int(s, 2, limit);
    int rc;
    auto text = [s](int column) {
        const unsigned char* t = sqlite3_column_text(s, column);
        return std::string(t != nullptr ? reinterpret_cast<const char*>(t) : "",
                           static_cast<std::size_t>(sqlite3_column_bytes(s, column)));
    };
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        TScoreRecord r;
        r.OnlineType = onlineType;
        r.Name = text(0);
        r.Score = sqlite3_column_int(s, 1);
        r.SubmittedAt = sqlite3_column_int64(s, 2);
        r.ClientAddress = text(3);
        r.Id = sqlite3_column_int64(s, 4);
        r.Verified = sqlite3_column_int(s, 5) != 0;
        r.ReplayKept = sqlite3_column_int(s, 6) != 0;
        out.push_back(std::move(r));
    }
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace

TDbStatus TSqliteDatabase::Best(std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out)
{
    auto c = Pool.Take();
    return ReadRanking(c->BestStatement, onlineType, limit, out) ? TDbStatus::Ok : c->Fail("read");
}

TDbStatus TSqliteDatabase::BestVerified(std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out)
{
    auto c = Pool.Take();
    return ReadRanking(c->BestVerifiedStatement, onlineType, limit, out) ? TDbStatus::Ok : c->Fail("read");
}

TDbStatus TSqliteDatabase::Verify(const TReplayClaim& claim, TVerifyResult& result, std::int64_t& scoreId)
{
    auto c = Pool.Take();
    // One writer at a time, so what the search finds is still so when the
    // mark is written.
    auto writer = TakeWriteTurn();
    if (!Exec(c->Db, "BEGIN IMMEDIATE"))
        return c->Fail("begin");
    auto fail = [&](const char* what) {
        TDbStatus status = c->Fail(what);
        Exec(c->Db, "ROLLBACK");
        return status;
    };
    sqlite3_stmt* used = c->GameUsedStatement;
    sqlite3_reset(used);
    sqlite3_bind_text(used, 1, claim.GameHash.data(), static_cast<int>(claim.GameHash.size()),
                      SQLITE_TRANSIENT);
    int rc = sqlite3_step(used);
    sqlite3_reset(used);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return fail("read");
    if (rc == SQLITE_ROW) {
        result = TVerifyResult::AlreadyUsed;
        Exec(c->Db, "ROLLBACK");
        return TDbStatus::Ok;
    }
    if (!claim.TokenNonce.empty()) {
        sqlite3_stmt* token = c->TokenUsedStatement;
        sqlite3_reset(token);
        sqlite3_bind_text(token, 1, claim.TokenNonce.data(), static_cast<int>(claim.TokenNonce.size()),
                          SQLITE_TRANSIENT);
        const int step = sqlite3_step(token);
        sqlite3_reset(token);
        if (step != SQLITE_ROW && step != SQLITE_DONE)
            return fail("read");
        if (step == SQLITE_ROW) {
            result = TVerifyResult::TokenUsed;
            Exec(c->Db, "ROLLBACK");
            return TDbStatus::Ok;
        }
    }
    sqlite3_stmt* claimed = c->ClaimedStatement;
    sqlite3_reset(claimed);
    sqlite3_bind_int(claimed, 1, claim.OnlineType);
    sqlite3_bind_int(claimed, 2, claim.Score);
    sqlite3_bind_text(claimed, 3, claim.Name.data(), static_cast<int>(claim.Name.size()), SQLITE_TRANSIENT);
    rc = sqlite3_step(claimed);
    const std::int64_t id = rc == SQLITE_ROW ? sqlite3_column_int64(claimed, 0) : 0;
    sqlite3_reset(claimed);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return fail("read");
    if (rc == SQLITE_DONE) {
        result = TVerifyResult::NoSuchResult;
        Exec(c->Db, "ROLLBACK");
        return TDbStatus::Ok;
    }
    sqlite3_stmt* keep = c->KeepReplayStatement;
    sqlite3_reset(keep);
    sqlite3_bind_int64(keep, 1, id);
    sqlite3_bind_text(keep, 2, claim.GameHash.data(), static_cast<int>(claim.GameHash.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_blob(keep, 3, claim.Text.data(), static_cast<int>(claim.Text.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(keep, 4, claim.VerifiedAt);
    // The replay counts against its client's share as the rate limit counts
    // clients: an IPv6 address by its /64.
    const std::string owner = ClientKey(claim.ClientAddress);
    sqlite3_bind_text(keep, 5, owner.data(), static_cast<int>(owner.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(keep, 6, claim.TokenIssued);
    rc = sqlite3_step(keep);
    sqlite3_reset(keep);
    if (rc != SQLITE_DONE)
        return fail("keep replay");
    sqlite3_stmt* mark = c->MarkVerifiedStatement;
    sqlite3_reset(mark);
    sqlite3_bind_int64(mark, 1, id);
    rc = sqlite3_step(mark);
    sqlite3_reset(mark);
    if (rc != SQLITE_DONE)
        return fail("mark verified");
    if (!claim.TokenNonce.empty()) {
        sqlite3_stmt* use = c->UseTokenStatement;
        sqlite3_reset(use);
        sqlite3_bind_text(use, 1, claim.TokenNonce.data(), static_cast<int>(claim.TokenNonce.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_int64(use, 2, claim.VerifiedAt);
        rc = sqlite3_step(use);
        sqlite3_reset(use);
        if (rc != SQLITE_DONE)
            return fail("use token");
    }
    std::vector<TDroppedReplay> dropped;
    if (!KeepReplayWithinLimits(*c, claim, id, dropped))
        return fail("bound replay storage");
    if (!Exec(c->Db, "COMMIT"))
        return fail("commit");
    for (const TDroppedReplay& replay : dropped)
        LogLine(DroppedReplayLine(replay));
    result = TVerifyResult::Verified;
    scoreId = id;
    return TDbStatus::Ok;
}

namespace {

// Runs a statement whose parameters bind set and steps it once: SQLITE_ROW
// with the row to read (read runs on it), SQLITE_DONE, or a failure.
template <class TBind, class TRead> int StepOnce(sqlite3_stmt* s, TBind bind, TRead read)
{
    sqlite3_reset(s);
    bind(s);
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW)
        read(s);
    sqlite3_reset(s);
    return rc;
}

void BindText(sqlite3_stmt* s, int at, const std::string& text)
{
    sqlite3_bind_text(s, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

} // namespace

bool TSqliteDatabase::KeepReplayWithinLimits(TConnection& c, const TReplayClaim& claim, std::int64_t id,
                                             std::vector<TDroppedReplay>& dropped)
{
    const auto bytes = static_cast<std::int64_t>(claim.Text.size());
    auto none = [](sqlite3_stmt*) {};
    if (StepOnce(
            c.ReplayBytesStatement,
            [&](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, id), sqlite3_bind_int64(s, 2, bytes); },
            none) != SQLITE_DONE ||
        StepOnce(
            c.CountBytesStatement, [&](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, bytes); }, none) !=
            SQLITE_DONE)
        return false;
    TReplayStore store;
    store.KeptBeyond = [&](std::int32_t type, const std::string& name, int keep,
                           std::vector<TDroppedReplay>& beyond) {
        sqlite3_stmt* s = c.KeptBeyondStatement;
        sqlite3_reset(s);
        sqlite3_bind_int(s, 1, type);
        BindText(s, 2, name);
        sqlite3_bind_int(s, 3, keep);
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            TDroppedReplay replay;
            replay.ScoreId = sqlite3_column_int64(s, 0);
            replay.Bytes = sqlite3_column_int64(s, 1);
            beyond.push_back(replay);
        }
        sqlite3_reset(s);
        return rc == SQLITE_DONE;
    };
    auto sum = [](std::int64_t& out) {
        return [&out](sqlite3_stmt* s) { out = sqlite3_column_int64(s, 0); };
    };
    store.AddressBytes = [&](const std::string& address, std::int64_t& out) {
        return StepOnce(
                   c.AddressBytesStatement, [&](sqlite3_stmt* s) { BindText(s, 1, address); }, sum(out)) ==
               SQLITE_ROW;
    };
    store.TotalBytes = [&](std::int64_t& out) {
        return StepOnce(
                   c.TotalBytesStatement, [](sqlite3_stmt*) {}, sum(out)) == SQLITE_ROW;
    };
    store.Drop = [&](const TDroppedReplay& replay) {
        return StepOnce(
                   c.DropReplayStatement,
                   [&](sqlite3_stmt* s) {
                       sqlite3_bind_int64(s, 1, replay.ScoreId), BindText(s, 2, replay.Why);
                   },
                   none) == SQLITE_DONE &&
               StepOnce(
                   c.CountBytesStatement, [&](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, -replay.Bytes); },
                   none) == SQLITE_DONE;
    };
    return KeepWithinLimits(Storage, store, claim.OnlineType, claim.Name, id, bytes,
                            ClientKey(claim.ClientAddress), dropped);
}

TDbStatus TSqliteDatabase::DroppedReplay(std::int64_t scoreId, std::string& why)
{
    why.clear();
    auto c = Pool.Take();
    // Asked only for a replay not found: prepared here rather than kept.
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(c->Db, kDroppedWhySql, -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        return c->Fail("read replay");
    }
    sqlite3_bind_int64(s, 1, scoreId);
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW && sqlite3_column_type(s, 0) != SQLITE_NULL) {
        const unsigned char* t = sqlite3_column_text(s, 0);
        why.assign(t != nullptr ? reinterpret_cast<const char*>(t) : "",
                   static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
    }
    sqlite3_finalize(s);
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? TDbStatus::Ok : c->Fail("read replay");
}

TDbStatus TSqliteDatabase::Replay(std::int64_t scoreId, std::string& text, bool& found)
{
    auto c = Pool.Take();
    sqlite3_stmt* s = c->ReplayStatement;
    sqlite3_reset(s);
    sqlite3_bind_int64(s, 1, scoreId);
    const int rc = sqlite3_step(s);
    found = rc == SQLITE_ROW;
    text.clear();
    if (found) {
        const void* blob = sqlite3_column_blob(s, 0);
        if (blob != nullptr)
            text.assign(static_cast<const char*>(blob), static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
    }
    sqlite3_reset(s);
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? TDbStatus::Ok : c->Fail("read replay");
}

TDbStatus TSqliteDatabase::VerifiedResult(std::int64_t scoreId, TScoreRecord& out, bool& found)
{
    found = false;
    auto c = Pool.Take();
    // Asked once per watch page: prepared here rather than kept.
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(c->Db, kVerifiedResultSql, -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        return c->Fail("read result");
    }
    sqlite3_bind_int64(s, 1, scoreId);
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        found = true;
        out = TScoreRecord();
        out.OnlineType = sqlite3_column_int(s, 0);
        const unsigned char* name = sqlite3_column_text(s, 1);
        out.Name.assign(name != nullptr ? reinterpret_cast<const char*>(name) : "",
                        static_cast<std::size_t>(sqlite3_column_bytes(s, 1)));
        out.Score = sqlite3_column_int(s, 2);
        out.SubmittedAt = sqlite3_column_int64(s, 3);
        out.Id = scoreId;
        out.Verified = true;
    }
    sqlite3_finalize(s);
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? TDbStatus::Ok : c->Fail("read result");
}

TDbStatus TSqliteDatabase::Secret(const std::string& proposed, std::string& secret)
{
    auto c = Pool.Take();
    auto writer = TakeWriteTurn();
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(c->Db, kKeepSecretSql, -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_text(s, 1, proposed.data(), static_cast<int>(proposed.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(s);
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE)
        return c->Fail("keep secret");
    s = nullptr;
    rc = sqlite3_prepare_v2(c->Db, kSecretSql, -1, &s, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        const unsigned char* t = sqlite3_column_text(s, 0);
        secret.assign(t != nullptr ? reinterpret_cast<const char*>(t) : "",
                      static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
    }
    sqlite3_finalize(s);
    return rc == SQLITE_ROW && !secret.empty() ? TDbStatus::Ok : c->Fail("read secret");
}

TDbStatus TSqliteDatabase::Count(std::int32_t onlineType, std::int64_t& count)
{
    auto c = Pool.Take();
    sqlite3_stmt* s = c->CountStatement;
    sqlite3_reset(s);
    sqlite3_bind_int(s, 1, onlineType);
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW)
        count = sqlite3_column_int64(s, 0);
    sqlite3_reset(s);
    return rc == SQLITE_ROW ? TDbStatus::Ok : c->Fail("count");
}

TDbStatus TSqliteDatabase::Check()
{
    auto c = Pool.Take();
    return Exec(c->Db, "SELECT 1 FROM schema_version") ? TDbStatus::Ok : c->Fail("check");
}

// --- Moderation ---

namespace {

// A statement prepared for one use, finalized at its end.
struct TOneUse {
    sqlite3_stmt* S = nullptr;
    TOneUse(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &S, nullptr) != SQLITE_OK) {
            sqlite3_finalize(S);
            S = nullptr;
        }
    }
    ~TOneUse() { sqlite3_finalize(S); }
    TOneUse(const TOneUse&) = delete;
    TOneUse& operator=(const TOneUse&) = delete;
};

std::string ColumnBytes(sqlite3_stmt* s, int column)
{
    const void* bytes = sqlite3_column_blob(s, column);
    return std::string(bytes != nullptr ? static_cast<const char*>(bytes) : "",
                       static_cast<std::size_t>(sqlite3_column_bytes(s, column)));
}

} // namespace

TDbStatus TSqliteDatabase::Top(std::int32_t onlineType, int limit, std::vector<TModeratedResult>& out)
{
    out.clear();
    auto c = Pool.Take();
    TOneUse q(c->Db, kTopSql);
    if (q.S == nullptr)
        return c->Fail("read results");
    sqlite3_bind_int(q.S, 1, onlineType);
    sqlite3_bind_int(q.S, 2, limit);
    int rc;
    while ((rc = sqlite3_step(q.S)) == SQLITE_ROW) {
        TModeratedResult m;
        m.Result.OnlineType = onlineType;
        m.Result.Id = sqlite3_column_int64(q.S, 0);
        m.Result.Name = ColumnBytes(q.S, 1);
        m.Result.Score = sqlite3_column_int(q.S, 2);
        m.Result.SubmittedAt = sqlite3_column_int64(q.S, 3);
        m.Result.ClientAddress = ColumnBytes(q.S, 4);
        m.Result.Verified = sqlite3_column_int(q.S, 5) != 0;
        m.Hidden = sqlite3_column_int(q.S, 6) != 0;
        m.HasReplay = sqlite3_column_int(q.S, 7) != 0;
        if (m.HasReplay) {
            m.Replay = ColumnBytes(q.S, 8);
            m.TokenIssued = sqlite3_column_int64(q.S, 9);
            m.VerifiedAt = sqlite3_column_int64(q.S, 10);
        }
        out.push_back(std::move(m));
    }
    if (rc != SQLITE_DONE) {
        out.clear();
        return c->Fail("read results");
    }
    return TDbStatus::Ok;
}

TDbStatus TSqliteDatabase::SetHidden(std::int64_t scoreId, bool hidden, bool& found)
{
    found = false;
    auto c = Pool.Take();
    auto writer = TakeWriteTurn();
    TOneUse q(c->Db, kSetHiddenSql);
    if (q.S == nullptr)
        return c->Fail("hide");
    sqlite3_bind_int64(q.S, 1, scoreId);
    sqlite3_bind_int(q.S, 2, hidden ? 1 : 0);
    if (sqlite3_step(q.S) != SQLITE_DONE)
        return c->Fail("hide");
    found = sqlite3_changes(c->Db) > 0;
    return TDbStatus::Ok;
}

TDbStatus TSqliteDatabase::SetRefused(const std::string& kind, const std::string& value, bool refused,
                                      bool& changed)
{
    changed = false;
    auto c = Pool.Take();
    auto writer = TakeWriteTurn();
    TOneUse q(c->Db, refused ? kRefuseSql : kAllowSql);
    if (q.S == nullptr)
        return c->Fail("refuse");
    sqlite3_bind_text(q.S, 1, kind.data(), static_cast<int>(kind.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(q.S, 2, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(q.S) != SQLITE_DONE)
        return c->Fail("refuse");
    changed = sqlite3_changes(c->Db) > 0;
    return TDbStatus::Ok;
}

TDbStatus TSqliteDatabase::RefusedRows(std::vector<std::pair<std::string, std::string>>& out)
{
    out.clear();
    auto c = Pool.Take();
    TOneUse q(c->Db, kRefusedRowsSql);
    if (q.S == nullptr)
        return c->Fail("read refused");
    int rc;
    while ((rc = sqlite3_step(q.S)) == SQLITE_ROW)
        out.emplace_back(ColumnBytes(q.S, 0), ColumnBytes(q.S, 1));
    if (rc != SQLITE_DONE) {
        out.clear();
        return c->Fail("read refused");
    }
    return TDbStatus::Ok;
}
// --- end of moderation ---

} // namespace ScoreServer
