#include "server/SqliteDatabase.h"

#include "server/Log.h"
#include "server/ScoreSchema.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <sys/stat.h>

namespace ScoreServer {

namespace {

constexpr int kBusyTimeoutMs = 5000; // only another process can make us wait
constexpr auto kCheckpointPeriod = std::chrono::milliseconds(200);
constexpr const char* kInsertSql =
    "INSERT INTO scores (online_type, name, score, submitted_at, client_address) VALUES (?1, ?2, ?3, ?4, ?5)";
constexpr const char* kBestSql = "SELECT name, score, submitted_at, client_address FROM scores"
                                 " WHERE online_type = ?1 ORDER BY score DESC, id LIMIT ?2";
constexpr const char* kCountSql = "SELECT count(*) FROM scores WHERE online_type = ?1";

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
    sqlite3_stmt* CountStatement = nullptr;

    ~TConnection()
    {
        sqlite3_finalize(InsertStatement);
        sqlite3_finalize(BestStatement);
        sqlite3_finalize(CountStatement);
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

std::unique_ptr<TSqliteDatabase::TConnection> Connect(const std::string& path, bool sync, std::string& error)
{
    auto c = std::make_unique<TSqliteDatabase::TConnection>();
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &c->Db, flags, nullptr) != SQLITE_OK) {
        error = "cannot open " + path + ": " + (c->Db != nullptr ? sqlite3_errmsg(c->Db) : "out of memory");
        return nullptr;
    }
    sqlite3_busy_timeout(c->Db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(c->Db, 1);
    // NORMAL in write-ahead-log mode: a commit is written to the log before
    // it returns, so it survives the process being killed; only a crash of
    // the whole machine can lose the last commits. FULL flushes each commit.
    // Commits never fold the log back themselves: the checkpoint thread does.
    if (!Exec(c->Db, "PRAGMA journal_mode=WAL", &error) ||
        !Exec(c->Db, sync ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL", &error) ||
        !Exec(c->Db, "PRAGMA wal_autocheckpoint=0", &error)) {
        error = path + ": " + error;
        return nullptr;
    }
    return c;
}

bool Prepare(TSqliteDatabase::TConnection& c, std::string& error)
{
    if (sqlite3_prepare_v2(c.Db, kInsertSql, -1, &c.InsertStatement, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(c.Db, kBestSql, -1, &c.BestStatement, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(c.Db, kCountSql, -1, &c.CountStatement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(c.Db);
        return false;
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

void TSqliteDatabase::Checkpoints()
{
    std::unique_lock<std::mutex> hold(CheckpointMutex);
    while (!CheckpointWake.wait_for(hold, kCheckpointPeriod, [this] { return Closing; })) {
        // Passive: copies what no reader still needs and never blocks a
        // writer; the next commit then starts the log from its beginning.
        const int rc = sqlite3_wal_checkpoint_v2(CheckpointConnection->Db, nullptr, SQLITE_CHECKPOINT_PASSIVE,
                                                 nullptr, nullptr);
        if (rc != SQLITE_OK && rc != SQLITE_BUSY)
            CheckpointConnection->Fail("checkpoint");
    }
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
    for (int i = 0; i < (options.Connections < 1 ? 1 : options.Connections); ++i) {
        std::unique_ptr<TConnection> c = Connect(path, options.SyncEveryCommit, error);
        if (!c)
            return nullptr;
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
    db->CheckpointConnection = Connect(path, options.SyncEveryCommit, error);
    if (!db->CheckpointConnection)
        return nullptr;
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
    std::lock_guard<std::mutex> writer(WriteMutex);
    return Insert(*c, record);
}

TDbStatus TSqliteDatabase::AddMany(const std::vector<TScoreRecord>& records)
{
    auto c = Pool.Take();
    std::lock_guard<std::mutex> writer(WriteMutex);
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

TDbStatus TSqliteDatabase::Best(std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out)
{
    out.clear();
    auto c = Pool.Take();
    sqlite3_stmt* s = c->BestStatement;
    sqlite3_reset(s);
    sqlite3_bind_int(s, 1, onlineType);
    sqlite3_bind_int(s, 2, limit);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        TScoreRecord r;
        r.OnlineType = onlineType;
        const unsigned char* name = sqlite3_column_text(s, 0);
        r.Name.assign(name != nullptr ? reinterpret_cast<const char*>(name) : "",
                      static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
        r.Score = sqlite3_column_int(s, 1);
        r.SubmittedAt = sqlite3_column_int64(s, 2);
        const unsigned char* address = sqlite3_column_text(s, 3);
        r.ClientAddress.assign(address != nullptr ? reinterpret_cast<const char*>(address) : "",
                               static_cast<std::size_t>(sqlite3_column_bytes(s, 3)));
        out.push_back(std::move(r));
    }
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) {
        out.clear();
        return c->Fail("read");
    }
    return TDbStatus::Ok;
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

} // namespace ScoreServer
