// The score database in one SQLite file: write-ahead log, so that readers
// never wait for the writer and a committed result is in the log before its
// reply goes out; one writer at a time, taken in turn inside the process
// rather than by SQLite's sleeping retry. The log is folded back into the
// file by a thread of its own, so no request waits for that (and its fsync).
#pragma once

#include "server/ConnectionPool.h"
#include "server/ScoreDatabase.h"

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
    TDbStatus Check() override;
    std::string Describe() const override { return "SQLite " + Path; }

    struct TConnection;

private:
    TSqliteDatabase() = default;
    TDbStatus Insert(TConnection& c, const TScoreRecord& record);

    void Checkpoints();

    std::string Path;
    TConnectionPool<TConnection> Pool;
    std::mutex WriteMutex;
    std::unique_ptr<TConnection> CheckpointConnection;
    std::thread Checkpointer;
    std::mutex CheckpointMutex;
    std::condition_variable CheckpointWake;
    bool Closing = false;
};

} // namespace ScoreServer
