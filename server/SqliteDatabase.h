// The score database in one SQLite file: write-ahead log, so that readers
// never wait for the writer and a committed result is in the log before its
// reply goes out; one writer at a time, taken in turn inside the process
// rather than by SQLite's sleeping retry. The log is folded back into the
// file by a thread of its own, so no request waits for that (and its fsync)
// but for one flush each time the log has grown long: the log stays within
// a few MiB under any load.
#pragma once

#include "server/ConnectionPool.h"
#include "server/ScoreDatabase.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct sqlite3;
struct sqlite3_stmt;

namespace ScoreServer {

class TSqliteDatabase : public TScoreDatabase {
public:
    ~TSqliteDatabase() override;

    // Creates the file's folder (mode 0700) and the file when missing, sets
    // the write-ahead log, migrates. nullptr and a reason on failure.
    static std::unique_ptr<TSqliteDatabase> Open(const std::string& path, const TDbOptions& options,
                                                 std::string& error);

    TDbStatus Add(const TScoreRecord& record) override;
    TDbStatus AddMany(const std::vector<TScoreRecord>& records) override;
    TDbStatus Best(std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out) override;
    TDbStatus BestVerified(std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out) override;
    TDbStatus Verify(const TReplayClaim& claim, TVerifyResult& result, std::int64_t& scoreId) override;
    TDbStatus Replay(std::int64_t scoreId, std::string& text, bool& found) override;
    TDbStatus VerifiedResult(std::int64_t scoreId, TScoreRecord& out, bool& found) override;
    TDbStatus Count(std::int32_t onlineType, std::int64_t& count) override;
    TDbStatus Secret(const std::string& proposed, std::string& secret) override;
    TDbStatus Check() override;
    std::string Describe() const override { return "SQLite " + Path; }
    TDbStatus DroppedReplay(std::int64_t scoreId, std::string& why) override;
    // Moderation.
    TDbStatus Top(std::int32_t onlineType, int limit, std::vector<TModeratedResult>& out) override;
    TDbStatus SetHidden(std::int64_t scoreId, bool hidden, bool& found) override;
    TDbStatus SetRefused(const std::string& kind, const std::string& value, bool refused,
                         bool& changed) override;
    TDbStatus RefusedRows(std::vector<std::pair<std::string, std::string>>& out) override;

    struct TConnection;

private:
    TSqliteDatabase() = default;
    TDbStatus Insert(TConnection& c, const TScoreRecord& record);
    // Inside Verify's transaction: counts the new replay's bytes and drops
    // what the storage limits say. False when the database failed.
    bool KeepReplayWithinLimits(TConnection& c, const TReplayClaim& claim, std::int64_t id,
                                std::vector<TDroppedReplay>& dropped);
    TReplayStorageLimits Storage;

    void Checkpoints();
    // True when it held the writers back for a moment. logLong: a commit
    // found the log long.
    bool Checkpoint(bool logLong);
    // SQLite's hook after each commit, with the frames now in the log.
    static int OnCommit(void* self, sqlite3* db, const char* name, int logFrames);
    // The checkpoint connection's busy handler: whether to try again.
    static int WaitForReaders(void* self, int tries);

    std::string Path;
    TConnectionPool<TConnection> Pool;
    // One writer at a time.
    std::unique_lock<std::mutex> TakeWriteTurn();
    std::mutex WriteMutex;
    std::condition_variable WriterTurn;
    std::atomic<bool> CheckpointWaiting{false};
    std::unique_ptr<TConnection> CheckpointConnection;
    std::thread Checkpointer;
    std::mutex CheckpointMutex;
    std::condition_variable CheckpointWake;
    bool Closing = false;
    bool LogLong = false;                         // a commit saw the log past LongLogFrames
    int LongLogFrames = 2048;                     // frames (pages) that make the log long
    std::chrono::microseconds ReaderWait{100000}; // the checkpoints' wait for readers
};

} // namespace ScoreServer
